#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/folder_lock.h"
#include "errorlog/error_log.h"
#include "errorlog/run_history.h"
#include "common/dialog_services.h"
#include "common/error_limit.h"
#include "validation/check_context.h"

namespace quorvex {

// How a test run ended.
enum class RunOutcome {
    Cancelled,      // the first file dialog was cancelled: the earlier log is untouched
    NoData,         // the file(s) held no record
    NoErrors,       // finished at the RF record without errors
    Errors,         // finished (or ended without its next file) with ordinary errors
    Stopped,        // stopped by a critical error (the error limit included)
    Failed,         // the failure handler ended the run before any record was tested
    Aborted,        // the user chose Exit during the run
    Restart,        // (internal) the first file was not found: ask again
};

// Where a stored record began in the submission.
struct RecordOrigin {
    std::int64_t recNum = 0;    // Rec_Num of its Records row
    std::string_view file;      // the file, as the file dialog named it
    std::int64_t line = 1;      // the line of the file it began on (line feeds counted)
    std::uint64_t column = 1;   // the column of its first character on that line
};

struct RunSummary {
    RunOutcome outcome = RunOutcome::Cancelled;
    std::int64_t recordsTested = 0;
    std::int64_t recordsWithErrors = 0;
    std::int64_t errorsFound = 0;
    std::int64_t criticalRecord = 0;     // Rec_Num of the record the run stopped on
    std::string criticalReference;
    std::string criticalUserEntry;
    std::string criticalError;
};

struct RunOptions {
    std::filesystem::path programFolder;
    int errorLimit = kDefaultErrorLimit;
    // Told where each stored record began, after it has been checked; nothing when empty.
    std::function<void(const RecordOrigin&)> recordOrigin;
    // Time between two yields to the window; zero yields before every record.
    std::chrono::microseconds yieldInterval{std::chrono::milliseconds(8)};
    // Time between two commits of the log, at a yield: a log that fails keeps what the last
    // commit wrote. Zero commits at every yield.
    std::chrono::microseconds commitInterval{std::chrono::seconds(2)};
    // Size of the pieces the file is read in (at most 65,000).
    std::size_t pieceSize = 65000;
    // The log is written by a thread of its own while the records are checked; the rows,
    // findings and outcome are the same either way.
    bool writerThread = true;
    // What a run that found no errors does once its log is finished, before it ends: the
    // window and the command line ask about filing (a layer above the run); nothing when
    // empty.
    std::function<void()> noErrors;
    // How many runs the history beside the log keeps (RunHistory.db); 0 keeps none.
    int historyRuns = kHistoryRuns;
    // Who is told that the run could not be added to the history (the text in code page
    // 1252): a window tells it once per session; a message box of the run when empty.
    std::function<void(const std::string&)> historyProblem{};
};

// The test run (`ReadFile`): asks for the submission file(s), cuts records, stores and
// checks them in a fresh error log, and tells the user the outcome.
class Run {
public:
    Run(DialogServices& services, RunOptions options);
    ~Run();

    RunSummary ReadFile();

    // True from the start of ReadFile until the run has been finished or shown.
    bool Testing() const { return testing_; }
    void ClearTesting() {
        testing_ = false;
        runLock_.reset();
    }

    // The log of the last run (open until the next run starts or CloseDatabase).
    ErrorLog* Log() { return log_ ? &*log_ : nullptr; }
    // Closes the log and lets go of the run lock: the run is over.
    void CloseDatabase();

    // Records that the run was interrupted by Exit: a "Test Aborted" error on the last
    // stored record, when a run is in progress.
    void LogTestAborted();

private:
    class Impl;
    // Closes the log, the run lock kept (a run closes the earlier log as it starts).
    void CloseLog();
    // Appends the run that ended as `s` to the history, when it kept a log and the history
    // keeps such runs: what the user is to be told of it (empty when all went well, or when
    // nothing was to be written). With `gate`, the log's last commit is being written
    // meanwhile (`s` is the run's end as counted before it): the findings come from what the
    // log kept, and the history is committed once `gate` says the log's commit is. Nothing
    // (no text at all) when the history was not written: with `gate`, the log kept too
    // little to spare reading its file, or `gate` said no; then it is written after the
    // commit, without one.
    std::optional<std::string> RecordHistory(const RunSummary& s, const std::function<bool()>& gate = {});
    // Tells the user of a history that could not be written.
    void TellHistoryProblem(const std::string& problem);
    // Takes the program folder's run lock, waiting (in steps, while the window yields) for
    // the programs that read the folder to end; false when the user stopped the wait.
    bool TakeRunLock();
    DialogServices& services_;
    RunOptions options_;
    std::optional<ErrorLog> log_;
    bool testing_ = false;
    // Held from the start of a run until its log and history are written and it has been
    // shown (or its log closed): readers of the folder are refused meanwhile.
    std::unique_ptr<FolderLock> runLock_;
    // The files the run tested, named as the file system names them (the log keeps them as
    // text), with what the run read of them.
    std::vector<HistoryFile> tested_;
};

}  // namespace quorvex
