#pragma once

// quorvex-check's command line: the options as parsed, and the exit statuses it ends with.

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
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
    std::optional<bool> writerThread;
    bool quiet = false;
    std::deque<std::string> files;
    std::optional<std::int64_t> showRecord;
    ReportRequest reports;
    bool history = false;
    std::optional<std::vector<std::string>> compare;  // the runs named, A then B, as given
};

// A command line that is wrong: one line that says what is wrong, and where the help is.
// Returns the exit status.
int Usage(const char* problem);

// Today's date on this computer.
Date Today();

// The options that do not go together, or a mode without what it needs: the exit status
// after saying so; nullopt when the command line is complete.
std::optional<int> CheckCombination(const CheckOptions& o);

// Parses the arguments into `o`; an exit status when the program is to end at once
// (--help, --version, or an argument that is wrong).
std::optional<int> ParseArguments(int argc, char** argv, CheckOptions& o);

}  // namespace quorvex::check
