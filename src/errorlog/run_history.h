#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace quorvex {

// A history that cannot be opened, read or written; the message says which and why.
class HistoryError : public std::runtime_error {
public:
    explicit HistoryError(const std::string& what, bool isDamaged = false)
        : std::runtime_error(what), damaged(isDamaged) {}
    // The file is no sound history (not a database, a damaged one, or one of another
    // layout), as opposed to one that is locked, another user's, or cannot be written now.
    bool damaged;
};

// One file a run tested: its name as the file system has it (bytes that need not be UTF-8:
// the log keeps them as text, shown alike everywhere), its size and the SHA-256 of its
// content in hex as the run read it (both unknown, -1 and empty, for a pipe; the hash also
// for a file too large to hash). A file that changed while the run read it (written to,
// cut short, or its name given to another file) is `changed`: its size is what the run read
// of it, and it has no hash, since what was read was never the file at rest.
struct HistoryFile {
    std::string name;
    std::int64_t size = -1;
    std::string sha256;
    bool changed = false;
};

// What the history shows, and keeps in place of the hash, for a file that changed.
inline constexpr const char* kChangedWhileTested = "changed while tested";

// One finding as the history keeps it. The key names the record by what it holds, not by
// where it stood: for RW and RO records the SSN and the block's EIN, for RE, RT and RU
// the block's EIN, for the others nothing but their type. `occurrence` counts the records
// of the same type and key before it (0 for the first), so that repeated keys stay apart.
// Texts are in code page 1252, as the log holds them.
struct HistoryFinding {
    std::int64_t recNum = 0;
    std::string type;
    std::string key;
    std::int64_t occurrence = 0;
    bool critical = false;
    std::string reference;
    int first = 0;  // the field's positions; 0 when the reference names none
    int last = 0;
    std::string userEntry;
    std::string message;
};

// One run: when it ended, how (`outcome`, e.g. "finished", "stopped", "aborted",
// "log incomplete"), its files and counts.
struct HistoryRun {
    std::int64_t id = 0;
    std::string when;  // local time, YYYY-MM-DD HH:MM:SS
    std::string outcome;
    std::int64_t records = 0;
    std::int64_t recordsWithErrors = 0;
    std::int64_t errors = 0;
    std::vector<HistoryFile> files;

    // The submission's name: its first file's name without the folder.
    std::string Submission() const;
};

// A run's findings in order, handed over in parts: they can be written to the history while
// they are still being read from the log.
class FindingSource {
public:
    virtual ~FindingSource() = default;
    // The next part, in order; empty at the end. Throws what stopped the reading of the rest.
    virtual std::span<const HistoryFinding> Next() = 0;
};

// How many runs a history keeps unless told otherwise (QUORVEX_HISTORY_RUNS). 0 keeps no
// history at all.
inline constexpr int kHistoryRuns = 50;

// The history of runs beside the error log: a database of its own (RunHistory.db in the
// program folder), private to its owner as the log is. Each run is one row; the texts that
// repeat from finding to finding (references, messages) are kept once per history in a
// table of distinct texts, so that a run of 25,000 findings costs under 2 MB.
class RunHistory {
public:
    static std::filesystem::path PathIn(const std::filesystem::path& folder);
    // Where the damaged histories set aside are kept, the newest as number 1 (up to
    // kDamagedCopies of them).
    static constexpr int kDamagedCopies = 3;
    static std::filesystem::path DamagedPathIn(const std::filesystem::path& folder, int number);

    // Opens the history, creating it (0600) when `create` and there is none; a history of an
    // earlier layout that lacks tables gets them when `create`. A history held by another
    // program is waited on for a second at most, in short steps, while `keepWaiting` says
    // yes. Throws HistoryError: a file that is no history of runs (or not of this layout),
    // another user's or writable by others, locked, or not writable.
    RunHistory(std::filesystem::path file, bool create, std::function<bool()> keepWaiting = {});
    ~RunHistory();
    RunHistory(RunHistory&&) noexcept;
    RunHistory& operator=(RunHistory&&) noexcept;

    // Appends `run` with its findings as `findings` hands them over in one transaction, then
    // drops the oldest runs beyond `keep`; a throw of `findings` undoes the run. Returns the
    // new run's id.
    // `confirm`, when given, is asked once all is written: false (or a throw) undoes the run,
    // and 0 is returned. The history stays locked for writing while it is asked.
    std::int64_t Add(const HistoryRun& run, FindingSource& findings, int keep,
                     const std::function<bool()>& confirm = {});

    // Every run kept, oldest first (files included).
    std::vector<HistoryRun> Runs() const;
    // The read side of a list of runs, a page at a time: how many runs are kept, and up
    // to `limit` of them, newest first, from the `offset`-th newest on (files included).
    std::int64_t RunCount() const;
    std::vector<HistoryRun> NewestRuns(std::int64_t offset, int limit) const;
    // The findings of run `id` in logged order.
    std::vector<HistoryFinding> Findings(std::int64_t id) const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace quorvex
