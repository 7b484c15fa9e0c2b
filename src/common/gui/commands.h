#pragma once

#include <cstddef>

namespace quorvex {

// The commands of the main window: its buttons, menus and menu items.
enum class Command {
    Start, View, Grid, Errors, Print, Last, Exit,            // the buttons
    TestMenu, TStart, TOpenLast, TPrint, TSet, TExit,         // Test
    ViewMenu, VReport, RLast, RCurrent, VRecords, VRAll, VRErrors,  // View
    HelpMenu, HContents, HAbout,                               // Help
    Count
};
inline constexpr std::size_t kCommandCount = static_cast<std::size_t>(Command::Count);

// A command turned on or off when the program's situation changes.
struct CommandState {
    Command command;
    bool enabled;
};

}  // namespace quorvex
