#pragma once

#include <atomic>
#include <filesystem>
#include <future>
#include <string>
#include <string_view>
#include <thread>

namespace quorvex::test {

// A fresh temporary folder, removed when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(std::string_view name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

// The first column of the first row of `sql` run on the log file `log` through a
// connection of its own (a writer's pending work must be committed first), as text;
// "NULL" for no value, "<no row>" for no row.
std::string LogScalar(const std::filesystem::path& log, const std::string& sql);

// Every row of the tables of the log `log`, table by table in the order of their rows, a
// line each ("NULL" told apart from text).
std::string DumpLog(const std::filesystem::path& log);

// The state a run whose log failed left it in `folder`: "no log", or "incomplete after K"
// when the file is sound, its records are 1 to K with their errors, and its last row is the
// critical notice on record K. Anything else is named.
std::string FailedLogState(const std::filesystem::path& folder);

// A FIFO made at `path` whose writer, once a reader has opened it, writes `bytes` and then
// pauses, keeping it open; with no `writer`, none comes. Either way, when the object goes or
// after 10 s, the FIFO is opened (if need be) and closed for writing: a reader stuck on it
// sees its end.
class PausingFifo {
public:
    PausingFifo(const std::filesystem::path& path, std::string bytes, bool writer = true);
    ~PausingFifo();
    PausingFifo(const PausingFifo&) = delete;
    PausingFifo& operator=(const PausingFifo&) = delete;

    // Whether the pause is over: the writer has closed its end (or never had one).
    bool PauseOver() const { return pauseOver_.load(); }

private:
    std::promise<void> done_;
    std::atomic<bool> pauseOver_{false};
    std::thread thread_;
};

void WriteFile(const std::filesystem::path& file, std::string_view bytes);
std::string ReadFile(const std::filesystem::path& file);

}  // namespace quorvex::test

#include "support/records.h"
