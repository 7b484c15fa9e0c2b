#pragma once

#include <chrono>
#include <string>

namespace quorvex::timeline {

// The phases of a run on the monotonic clock, for the benchmark (bench_check): when the
// environment variable QUORVEX_TIMELINE names a file, a run appends to it one line per mark
// ("mark NAME SECONDS"), per kind of wait ("wait NAME SECONDS") and the records tested
// ("count records N"), the marks in seconds of
// the system's monotonic clock, which the benchmark shares with the program it starts.
// Without the variable nothing is kept and every call returns at once.

// Keeps the marks of the runs from now on, for `file` (the program's main calls it once,
// before any run, with QUORVEX_TIMELINE; empty keeps none).
void KeepIn(std::string file);
// Whether marks are kept.
bool Enabled();
// Keeps `name` with the time now. `name` must be a literal; the first 64 marks are kept.
void Mark(const char* name);
void Mark(const char* name, std::chrono::steady_clock::time_point at);

// The waits of the two threads, added up.
enum class Wait { WriterIdle, ChecksForBuffer, ChecksForDrain, kCount };
void AddWait(Wait which, std::chrono::steady_clock::duration d);

// Times the scope it lives in as a wait of `which`, when marks are kept.
class WaitTimer {
public:
    explicit WaitTimer(Wait which) : which_(which), on_(Enabled()) {
        if (on_) start_ = std::chrono::steady_clock::now();
    }
    ~WaitTimer() {
        if (on_) AddWait(which_, std::chrono::steady_clock::now() - start_);
    }
    WaitTimer(const WaitTimer&) = delete;
    WaitTimer& operator=(const WaitTimer&) = delete;

private:
    Wait which_;
    bool on_;
    std::chrono::steady_clock::time_point start_{};
};

// Appends what was kept to the file, with the count of records the run tested, and forgets it.
void Write(long long recordsTested);

}  // namespace quorvex::timeline
