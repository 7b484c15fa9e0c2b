#pragma once

#include <functional>
#include <optional>
#include <string>

namespace quorvex {

// What the environment variables of the process ask for. Each program's main reads them once
// (ReadEnvironment(std::getenv)) and hands them down as options: no layer below looks at the
// environment itself, so that a test or a second run in one process gives its own.
struct Environment {
    std::optional<std::string> dataDir;  // QUORVEX_DATA_DIR: the program folder, when not empty
    bool writerThread = true;            // QUORVEX_THREADS=1: the log written on the run's thread
    // QUORVEX_HISTORY_RUNS: the runs the history keeps, a number from 0 to 10,000; anything
    // else is no choice (the default holds).
    std::optional<int> historyRuns;
    std::string timeline;                       // QUORVEX_TIMELINE: the file the run's marks go to
    bool hideSsns = false;                      // QUORVEX_REDACT, but for 0 or empty: as --redact
    std::optional<std::string> fingerprintKey;  // QUORVEX_FINGERPRINT_KEY, when not empty
    bool unattended = false;                    // QUORVEX_UNATTENDED, a number but 0: no dialog waits
};

// The environment as `lookUp` gives each variable by name (null: not set).
Environment ReadEnvironment(const std::function<const char*(const char*)>& lookUp);

}  // namespace quorvex
