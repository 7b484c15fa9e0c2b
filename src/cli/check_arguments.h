#pragma once

// quorvex-check's command line: its options as a table, the options as parsed, and the exit
// statuses it ends with.

#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cli/report_output.h"
#include "common/dialog_services.h"

namespace quorvex::check {

constexpr int kExitNoErrors = 0;
constexpr int kExitErrors = 1;
constexpr int kExitCritical = 2;
constexpr int kExitNothingTested = 3;
constexpr int kExitNotAllTested = 4;
constexpr int kExitNotWritten = 5;

// The command line, as parsed.
struct CheckOptions {
    std::optional<std::string> dataDir;
    std::optional<int> limit;
    std::optional<Date> today;
    bool writerThread = true;
    std::optional<int> historyRuns;  // the default when none
    bool quiet = false;
    std::deque<std::string> files;
    std::optional<std::int64_t> showRecord;
    ReportRequest reports;
    bool history = false;
    std::optional<std::vector<std::string>> compare;  // the runs named, A then B, as given
    bool failOnNew = false;  // a comparison fails (exit 1) only when B has a new finding
    std::optional<std::string> fixOut;  // --fix-out: the corrected copy, or the folder of the copies
};

// What a command line does. An option has an effect in some of these modes; given in
// another, it is refused.
enum CheckMode : unsigned {
    kModeTest = 1U << 0,     // FILE: tests a submission
    kModeLog = 1U << 1,      // --report or --findings without FILE: of the log the last run left
    kModeShow = 1U << 2,     // --show-record
    kModeHistory = 1U << 3,  // --history
    kModeCompare = 1U << 4,  // --compare
};
constexpr unsigned kEveryMode = kModeTest | kModeLog | kModeShow | kModeHistory | kModeCompare;

// What follows an option's name.
enum class OptionValue {
    None,  // nothing
    One,   // one value: "--name value" or "--name=value"; an option in its place is none
    Runs,  // up to two run numbers: whatever follows that is no option
};

// One option of the command line: one row of CheckOptionTable(). Parsing, the checks of what
// goes together and the help are made from these rows.
struct CheckOption {
    std::string_view name;      // "--limit"
    char letter;                // its one-letter form ('q' for -q); 0 when none
    OptionValue takes;
    std::string_view argument;  // what the help calls its value: "N"
    std::string_view lacking;   // what it says when the value is missing: "a number"
    unsigned modes;             // the modes it has an effect in (0: it ends the program at once)
    unsigned chooses;           // the mode giving it chooses; 0 when none
    std::string_view needs;     // the option it has an effect only with, with the value when one
                                // is needed ("--findings sarif"); empty when none
    std::string_view help;      // what the help says of it
    // Takes its values into `o`: an exit status when the program is to end at once (--help,
    // or a value that is wrong, after saying so).
    std::optional<int> (*take)(CheckOptions& o, const std::vector<std::string>& values);
};

// Every option, in the order the help names them.
std::span<const CheckOption> CheckOptionTable();

// A command line that is wrong: one line that says what is wrong, and where the help is.
// Returns the exit status.
int Usage(const char* problem);
int Usage(const std::string& problem);

// Today's date on this computer.
Date Today();

// Parses the arguments into `o`; an exit status when the program is to end at once
// (--help, --version, an argument that is wrong, or options that do not go together or
// have no effect in the mode the command line chooses).
std::optional<int> ParseArguments(int argc, char** argv, CheckOptions& o);

}  // namespace quorvex::check
