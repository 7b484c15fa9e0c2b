#pragma once

#include <array>
#include <cstddef>
#include <span>

#include "common/gui/commands.h"
#include "results/gui/results_view.h"

// The main window's commands as data: their object names, the commands each situation turns
// on and off, and what the window does when a result view tells it what it did.
namespace quorvex::window_states {

using enum Command;

// The object name of each command. Each row carries its command, and the check below holds
// row i to command i, so a row left out or put out of order does not build.
struct CommandName {
    Command command;
    const char* name;
};
constexpr std::array<CommandName, kCommandCount> kCommandNames = {{
    {Start, "cmdStart"},     {View, "cmdView"},         {Grid, "cmdGrid"},         {Errors, "cmdErrors"},
    {Print, "cmdPrint"},     {Last, "cmdLast"},         {Exit, "cmdExit"},         {TestMenu, "mnuTest"},
    {TStart, "mnuTStart"},   {TOpenLast, "mnuTOpenLast"}, {TPrint, "mnuTPrint"},   {TSet, "mnuTSet"},
    {TExit, "mnuTExit"},     {ViewMenu, "mnuView"},     {VReport, "mnuVReport"},   {RLast, "mnuRLast"},
    {RCurrent, "mnuRCurrent"}, {VRecords, "mnuVRecords"}, {VRAll, "mnuVRAll"},     {VRErrors, "mnuVRErrors"},
    {HelpMenu, "mnuHelp"},   {HContents, "mnuHContents"}, {HAbout, "mnuHAbout"}}};

// True when every row of a table keyed by an enum holds its own key at its own index and
// no row was left empty.
template <typename Table, typename Key>
constexpr bool RowsInKeyOrder(const Table& table, Key Table::value_type::*key) {
    for (std::size_t i = 0; i < table.size(); ++i) {
        if (static_cast<std::size_t>(table[i].*key) != i) return false;
    }
    return true;
}
static_assert(RowsInKeyOrder(kCommandNames, &CommandName::command), "kCommandNames must follow Command");


// States at start-up, before any run: every command on except these.
constexpr CommandState kStartupStates[] = {
    {View, false},  {Grid, false},     {Errors, false},   {Print, false}, {TPrint, false},
    {RCurrent, false}, {VRecords, false}, {VRAll, false}, {VRErrors, false}};

// During a run, everything that would start another run, open the log or a report while
// the run writes it, or change the error limit of the run is off; Exit, help and about
// stay usable. Every state a run's end leaves follows from this table and the rules of
// that end, never from the states before the run.
constexpr CommandState kRunningStates[] = {
    {Start, false},   {TStart, false},  {Last, false},  {TOpenLast, false}, {Print, false},   {TPrint, false},
    {Errors, false},  {View, false},    {Grid, false},  {TSet, false},      {VReport, false}, {RLast, false},
    {RCurrent, false}, {VRecords, false}, {VRAll, false}, {VRErrors, false}};

// The end of every run: a new run can be started and the limit set.
constexpr CommandState kRunEndedStates[] = {{Start, true}, {TStart, true}, {TSet, true}};

// A run that finished without errors (or found no data).
constexpr CommandState kFinishedCleanStates[] = {
    {View, true}, {VRecords, true}, {VRAll, true}, {VReport, false}, {VRErrors, false}};

// What the window does when a result view tells it what it did: the commands it turns on
// and off, and the screens it puts away.
struct Reaction {
    ResultsEvent event;
    std::span<const CommandState> states;
    bool hideWelcome = false;     // the welcome screen gives way to the results area
    bool hideProgress = false;
    bool hideDisclosure = false;
    bool runShown = false;        // Exit no longer records the last run as aborted
};

// Records with errors shown.
constexpr CommandState kErrorsViewStates[] = {
    {Start, true},    {TStart, true},   {Print, true},     {View, true},      {Errors, true},
    {RCurrent, true}, {VRErrors, true}, {VRAll, true},     {TPrint, true},    {VRecords, true},
    {VReport, true},  {TOpenLast, false}, {RLast, false}, {Grid, false}};
constexpr CommandState kNothingToShowStates[] = {{VReport, false}, {VRErrors, false}};
constexpr CommandState kErrorsViewDoneStates[] = {{Grid, false}, {View, true}};
constexpr CommandState kTestedViewStates[] = {{View, false}};
constexpr CommandState kTestedViewWithErrorsStates[] = {{Grid, true}, {View, false}};
// "View &Last Test Results" is used once per start of the program, whatever it finds.
constexpr CommandState kLastUsedStates[] = {{Last, false}, {TOpenLast, false}, {RLast, false}};
constexpr CommandState kNoLastResultsStates[] = {{Last, false}, {VReport, false}, {TOpenLast, false}, {RLast, false}};
constexpr CommandState kLastUnreadableStates[] = {{Last, false},     {RLast, false}, {TOpenLast, false},
                                                  {VRErrors, false}, {View, false},  {VRecords, false},
                                                  {VRAll, false}};
constexpr CommandState kLastCleanStates[] = {{Last, false},     {TOpenLast, false}, {RLast, false}, {VRErrors, false},
                                             {View, true},      {VRecords, true},   {VRAll, true}};

constexpr std::array<Reaction, static_cast<std::size_t>(ResultsEvent::Count)> kReactions = {{
    {ResultsEvent::ErrorsViewAsked, {}, false, false, false, true},
    {ResultsEvent::NothingToShow, kNothingToShowStates},
    {ResultsEvent::ErrorsViewShown, kErrorsViewStates, true, true},
    {ResultsEvent::ErrorsViewDone, kErrorsViewDoneStates},
    {ResultsEvent::TestedViewAsked, kTestedViewStates},
    {ResultsEvent::TestedViewAskedWithErrors, kTestedViewWithErrorsStates},
    {ResultsEvent::TestedViewShown, {}, true, true},
    {ResultsEvent::RecordShown, {}, true},
    {ResultsEvent::LastResultsAsked, {}, false, false, true},
    {ResultsEvent::NoLastResults, kNoLastResultsStates},
    {ResultsEvent::LastResultsUnreadable, kLastUnreadableStates},
    {ResultsEvent::LastResultsShown, kLastUsedStates},
    {ResultsEvent::LastResultsClean, kLastCleanStates},
}};
static_assert(RowsInKeyOrder(kReactions, &Reaction::event), "kReactions must follow ResultsEvent");

}  // namespace quorvex::window_states
