#pragma once

// The measurement of bench_check: runs a program as a child process and follows its threads
// (CPU time, instructions where the machine counts them), its peak memory and the marks of
// its run (QUORVEX_TIMELINE).

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace bench {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start);
double Seconds(Clock::duration d);
// User plus system CPU time of this process, in seconds.
double OwnCpuSeconds();

// What one thread of the child used: its CPU time and, where the machine has the counter,
// its instructions (user space).
struct ThreadUse {
    pid_t tid = 0;
    std::string name;             // the thread's name (comm)
    double cpuSeconds = 0;
    long long instructions = -1;  // -1: not counted
    bool exact = false;           // CPU time from a counter read after the thread ended, not a sample
    int clockFd = -1, instructionsFd = -1;
};

// Why the instruction counter could not be opened (empty when it could), said once per run.
const std::string& InstructionsMissing();

// The marks a run left in its QUORVEX_TIMELINE file: "mark NAME SECONDS" and "wait NAME SECONDS".
struct Timeline {
    std::vector<std::pair<std::string, double>> marks;  // seconds of the monotonic clock
    std::map<std::string, double> waits;                // seconds
    long long records = -1;                             // the records the run tested
    bool Empty() const { return marks.empty(); }
    // The time of the mark `name`, or a negative number.
    double At(const std::string& name) const;
};
Timeline ReadTimeline(const std::filesystem::path& file);

struct ChildRun {
    double seconds = 0;
    double cpuSeconds = 0;  // user plus system, all threads
    int exitCode = -1;      // -1 when the child did not exit normally
    int signal = 0;
    long peakRssKb = 0;
    std::vector<ThreadUse> threads;
    double started = 0, ended = 0;  // the monotonic clock when it was let go and when it was reaped
    Timeline timeline;
};

using Env = std::vector<std::pair<std::string, std::string>>;

// Runs `args` (argv[0] a path, or a name looked up in PATH when `searchPath`) with its standard
// output dropped and its standard error to `errFile`, `env` added to the environment, and
// follows its threads. The child waits for the parent to open the counters on it before it
// starts the program, so that the main thread is counted from its first instruction.
ChildRun RunChild(std::vector<std::string> args, const std::filesystem::path& errFile, bool searchPath = false,
                  const Env& env = {});

// Runs quorvex-check on `file` with the program folder `dataDir`, its marks kept in `timelineFile`.
ChildRun RunCheck(const std::filesystem::path& exe, const std::vector<std::string>& extraArgs,
                  const std::filesystem::path& dataDir, const std::filesystem::path& file,
                  const std::filesystem::path& errFile, const std::filesystem::path& timelineFile);

// Shows what a child wrote to its standard error (the first lines), when something went wrong.
void ShowChildErrors(const std::filesystem::path& errFile);

// Runs quorvex-check once under callgrind (valgrind), one output per thread, and returns the
// instructions of each thread, the main thread first; empty when valgrind failed. The run
// history is off for it (QUORVEX_HISTORY_RUNS=0): a file of up to 32 MB is hashed for the
// history after the run, which would count as much as the checks.
std::vector<long long> CallgrindThreads(const std::filesystem::path& exe, const std::vector<std::string>& extraArgs,
                                        const std::filesystem::path& file, const std::filesystem::path& folder);

}  // namespace bench
