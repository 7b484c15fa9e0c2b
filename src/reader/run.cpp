#include "reader/run.h"

#include <thread>
#include <vector>

#include "errorlog/log_findings.h"
#include "errorlog/run_timeline.h"
#include "history/run_record.h"
#include "common/text_1252.h"
#include "reader/fill_fields.h"
#include "reader/record_cutter.h"
#include "reader/run_checks.h"
#include "reader/submission_file.h"

namespace quorvex {

namespace {

constexpr std::string_view kFileError = "Submission File Error";
constexpr std::size_t kMaxPiece = 65000;

using Failure = SubmissionFailure;

// The user chose Exit during a yield.
struct AbortRequested {};

// Upper case, as the checks read records; the RA contact e-mail (446-485) keeps its case.
// `idAsRead` is its identifier as read.
void UpperCaseRecord(std::string_view idAsRead, std::string& rec) {
    if (idAsRead == "RA" && rec.size() > 445) {
        UpperCase1252(rec.data(), rec.data() + 445);
        if (rec.size() > 485) UpperCase1252(rec.data() + 485, rec.data() + rec.size());
    } else {
        UpperCase1252(rec.data(), rec.data() + rec.size());
    }
}

enum class RecordResult { Next, Stop, EndOfFile };

}  // namespace

// The state of one run (`ReadFile`).
class Run::Impl {
public:
    Impl(Run& run) : run_(run), services_(run.services_), options_(run.options_) {}

    RunSummary Read();
    // What the history written while committing is to tell; nothing when it was not written.
    const std::optional<std::string>& HistoryTold() const { return historyTold_; }

private:
    // Yields to the window (at most every yieldInterval unless forced), showing `shown` as
    // the record in progress (none: no record number); false when the run is to stop.
    bool YieldNow(bool force, std::optional<std::int64_t> shown);
    // The record shown while the input is waited for: the last one handled, once the file
    // has given one.
    std::optional<std::int64_t> Handled() const {
        return recordsCut_ > 0 ? std::optional(recCtr_ - 1) : std::nullopt;
    }
    // At the end of a pipe: whether a stop is asked for within a moment.
    bool StopAtPipeEnd();
    // The first file's fresh error log, and what the checks log through.
    void CreateLog();
    // Opens, cuts and tests the file `chosen`; how its last record ended.
    RecordResult TestFile(const std::string& chosen, std::vector<char>& buffer);
    RecordResult Record(std::string& buffer);
    RunSummary Finish();
    RunSummary Stopped();
    RunSummary HandleFailure(const Failure& f);
    // Writes the history of the run that ended as `s` while the writer thread makes the log's
    // last commit (Run::RecordHistory with a gate); a log failing there throws its failure.
    // True once the commit is known to have been written and the history was written (or
    // failed) after it; else the history is written once the run is over.
    bool RecordHistoryWhileCommitting(const RunSummary& s, ErrorLog& log);
    // Tells the user what stopped the run.
    void TellFailure(const Failure& f);
    // The summary of a run `f` stopped, after it was told (`restart`: the user is to choose
    // another file).
    RunSummary FailureSummary(const Failure& f, bool restart);
    RunSummary Abort();
    RunSummary LogFailed(const LogFailure& f, RunOutcome outcome = RunOutcome::Failed);
    // The counts of the run that ends as `outcome`, after its last commit; `recordHistory`:
    // its run history is written meanwhile (RecordHistoryWhileCommitting), the outcome being final.
    RunSummary Summary(RunOutcome outcome, bool recordHistory = false);
    void ReportLogFailure(const LogFailure& e) {
        services_.Message("Error Number: " + std::to_string(e.number) + "\r\nError Description: " + e.description,
                          kFileError, MsgIcon::Critical, MsgButtons::Ok);
    }

    Run& run_;
    DialogServices& services_;
    const RunOptions& options_;

    std::int64_t recCtr_ = 1;
    bool createdLog_ = false;  // this run has created its log
    bool awaitingNextFile_ = false;
    std::optional<std::string> historyTold_;  // RecordHistoryWhileCommitting's
    FilingState filing_;
    std::string fileName_;
    std::uint64_t fileLength_ = 0;
    std::int64_t recordsInFile_ = 0;
    std::int64_t recordsCut_ = 0;  // records cut from the file being read
    std::string lastId_;      // identifier (as read) of the last stored record
    std::string previousId_;  // identifier of the record stored before it
    std::optional<LogFindings> findings_;
    std::optional<LogFacts> facts_;
    std::optional<CheckContext> ctx_;
    std::chrono::steady_clock::time_point lastYield_{};
    std::chrono::steady_clock::time_point lastCommit_{};
};

Run::Run(DialogServices& services, RunOptions options) : services_(services), options_(std::move(options)) {
    if (options_.pieceSize == 0 || options_.pieceSize > kMaxPiece) options_.pieceSize = kMaxPiece;
}

Run::~Run() {
    try {
        CloseDatabase();
    } catch (...) {
    }
}

void Run::CloseDatabase() {
    CloseLog();
    runLock_.reset();
}

void Run::CloseLog() {
    if (!log_) return;
    try {
        log_->CloseDatabase();
    } catch (const LogFailure& f) {
        const LogFailure told = log_->EndIncomplete(f);
        log_.reset();
        throw told;
    }
    log_.reset();
}

bool Run::TakeRunLock() {
    runLock_.reset();
    if (options_.programFolder.empty()) return true;
    runLock_ = std::make_unique<FolderLock>(options_.programFolder, FolderLock::Kind::Run);
    // A lock that cannot be had at all leaves the folder to the folder lock alone. A reader
    // of the log or the history (quorvex-check --history) is let finish; the run's turn keeps
    // new ones out meanwhile.
    while (runLock_->GetState() == FolderLock::State::InUse) {
        if (!services_.Yield()) {
            runLock_.reset();
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        runLock_->TryAgain();
    }
    return true;
}

void Run::LogTestAborted() {
    if (!testing_ || !log_ || !log_->IsOpen() || log_->CurrentRecNum() == 0) return;
    log_->LogError("Test Aborted", "Exit was chosen",
                   "The last file did not complete testing because the Exit Button was selected while processing.");
    log_->Sync();
}

RunSummary Run::ReadFile() {
    timeline::Mark("run-start");
    if (!TakeRunLock()) return RunSummary{};
    tested_.clear();
    for (;;) {
        Impl impl(*this);
        RunSummary s = impl.Read();
        // Whatever comes after the run (Exit's "Test Aborted", closing) is written at once.
        if (log_) log_->StopWriterThread();
        // A first file that was not found asks for a file again.
        if (s.outcome == RunOutcome::Restart) continue;
        // The history, unless the run wrote it while making its last commit.
        const std::optional<std::string> told = impl.HistoryTold();
        TellHistoryProblem(told ? *told : RecordHistory(s).value_or(""));
        timeline::Write(s.recordsTested);
        if (!testing_) runLock_.reset();
        return s;
    }
}

namespace {

// How the history names a run that ended as `outcome`; none for a run it does not keep.
const char* HistoryOutcome(RunOutcome outcome) {
    switch (outcome) {
        case RunOutcome::NoErrors:
        case RunOutcome::Errors: return "finished";
        case RunOutcome::Stopped: return "stopped";
        case RunOutcome::Aborted: return "aborted";
        case RunOutcome::Failed: return "log incomplete";
        case RunOutcome::Cancelled:
        case RunOutcome::NoData:
        case RunOutcome::Restart: break;
    }
    return nullptr;
}

}  // namespace

std::optional<std::string> Run::RecordHistory(const RunSummary& s, const std::function<bool()>& gate) {
    const char* outcome = HistoryOutcome(s.outcome);
    if (options_.historyRuns <= 0 || s.recordsTested <= 0 || !outcome) return std::string();
    std::optional<RunFindings> findings;
    try {
        if (log_ && log_->IsOpen()) {
            // Without a gate, what the run wrote is committed first, so that a reader of the
            // file sees all of it.
            if (!gate) log_->Sync(), log_->Commit();
            findings = log_->TakeFindings(!gate);
        } else if (!gate) {
            if (auto log = LogReader::OpenIn(options_.programFolder)) findings.emplace(std::move(*log));
        }
    } catch (const std::exception& e) {
        return std::string(e.what()) + " This run is not in the run history.";
    }
    if (!findings) return gate ? std::nullopt : std::optional(std::string());
    timeline::Mark("history-start");
    HistoryRun run;
    run.outcome = outcome;
    run.records = s.recordsTested;
    run.recordsWithErrors = s.recordsWithErrors;
    run.errors = s.errorsFound;
    run.files = tested_;
    std::string problem = RecordRun(options_.programFolder, std::move(run), options_.historyRuns, *findings,
                                    [this] { return services_.Yield(); }, gate);
    timeline::Mark("history-done");
    return problem;
}

void Run::TellHistoryProblem(const std::string& problem) {
    if (problem.empty()) return;
    if (options_.historyProblem) options_.historyProblem(Utf8ToCp1252(problem));
    else services_.Message(Utf8ToCp1252(problem), "Run History", MsgIcon::Exclamation, MsgButtons::Ok);
}

bool Run::Impl::YieldNow(bool force, std::optional<std::int64_t> shown) {
    auto now = std::chrono::steady_clock::now();
    if (!force && now - lastYield_ < options_.yieldInterval) return true;
    lastYield_ = now;
    if (shown) services_.ShowProgress(*shown, recordsInFile_, fileLength_);
    if (run_.log_ && run_.log_->IsOpen() && now - lastCommit_ >= options_.commitInterval) {
        run_.log_->Commit();
        lastCommit_ = now;
    }
    if (services_.Yield()) return true;
    // Exit: the rows so far are written first, and a failure among them ends the run as it
    // would have ended without the writer thread.
    if (run_.log_ && run_.log_->IsOpen()) run_.log_->Drain();
    return false;
}

bool Run::Impl::StopAtPipeEnd() {
    for (int wait = 0; wait < 5; ++wait) {
        if (!YieldNow(true, std::nullopt)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

RunSummary Run::Impl::Read() {
    run_.testing_ = true;
    recCtr_ = 1;
    filing_ = FilingState{};
    awaitingNextFile_ = false;
    lastCommit_ = std::chrono::steady_clock::now();
    std::vector<char> buffer;
    try {
        for (;;) {
            // Choosing a file.
            auto chosen = services_.OpenFile(recCtr_ == 1 ? FileAsked::First : FileAsked::Next);
            if (!chosen) throw Failure{Failure::Cancelled, 0, {}};
            // The name as the file system has it (UTF-8) opens the file; messages and the
            // log get it as text of the code page.
            fileName_ = Utf8ToCp1252(*chosen);
            recordsCut_ = 0;
            if (TestFile(*chosen, buffer) == RecordResult::Stop) return Stopped();

            // End of the file.
            if (recCtr_ == 1) return Finish();
            if (lastId_ != "RF") {
                services_.Message(
                    "RF record was not found.  Submission must end with a final record.  If the wage report "
                    "submission is saved on multiple disks or multiple data files, click OK then choose the next file.",
                    "Missing Final Record", MsgIcon::Exclamation, MsgButtons::Ok);
                awaitingNextFile_ = true;
                continue;
            }
            return Finish();
        }
    } catch (const Failure& f) {
        return HandleFailure(f);
    } catch (const LogFailure& f) {
        // Before this run made its log, the earlier one is as it was.
        if (createdLog_) return LogFailed(f);
        return HandleFailure(Failure{Failure::Other, f.number, f.description});
    } catch (const AbortRequested&) {
        return Abort();
    } catch (const std::bad_alloc&) {
        return HandleFailure(Failure{Failure::Other, 7, "Out of memory"});
    } catch (const std::exception& e) {
        return HandleFailure(Failure{Failure::Other, 0, e.what()});
    }
}

void Run::Impl::CreateLog() {
    services_.SetBusy(true);
    // The earlier log is closed; the run keeps its lock.
    run_.CloseLog();
    LogFile::DeleteMDB(options_.programFolder);
    run_.log_.emplace(ErrorLog::CreateMDB(options_.programFolder));
    createdLog_ = true;
    timeline::Mark("log-created");
    if (options_.writerThread) run_.log_->StartWriterThread();
    findings_.emplace(*run_.log_);
    facts_.emplace(*run_.log_);
    ctx_.emplace(CheckContext{*findings_, *facts_, {}, 0});
    services_.SetBusy(false);
}

RecordResult Run::Impl::TestFile(const std::string& chosen, std::vector<char>& buffer) {
    SubmissionFile file(chosen, [this] {
        if (!YieldNow(true, Handled())) throw AbortRequested{};
    });
    fileLength_ = file.Length();
    timeline::Mark("file-open");

    // The window shows the run; no record number until a record has been read.
    if (!YieldNow(true, std::nullopt)) throw AbortRequested{};

    // First file: a fresh error log.
    if (recCtr_ == 1) CreateLog();
    // Every file gets its Misc row.
    run_.log_->AddMisc(chosen, services_.Today().Format());
    // However the file's reading ends, the history keeps what the run read of it (hashed only
    // when there is a history to keep it).
    file.DescribeOnClose(run_.tested_.emplace_back(HistoryFile{chosen, -1, {}, false}),
                         options_.historyRuns > 0 ? kHashedFileBytes : 0);
    // A file's first row is written before its records: a log that fails here still
    // finds the run waiting for this file.
    run_.log_->Drain();
    recordsInFile_ = 0;
    services_.SetBusy(true);

    // Cutting and testing the records.
    RecordCutter cutter;
    RecordResult result = RecordResult::Next;
    auto onRecord = [&](std::string& rec) {
        ++recordsCut_;
        result = Record(rec);
        if (options_.recordOrigin && result != RecordResult::EndOfFile)
            options_.recordOrigin({ctx_->recNum, chosen, cutter.StartLine(), cutter.StartColumn()});
        return result == RecordResult::Next;
    };
    CutRecords(file, buffer, options_.pieceSize, cutter, onRecord, [this](bool atEnd) {
        // A pipe that gives a little at a time may complete no record for long. Its end may
        // come with the signal that ended its writer (Ctrl-C on a pipeline reaches every
        // program of it): a stop asked for meanwhile is the end.
        if (atEnd ? StopAtPipeEnd() : !YieldNow(false, std::nullopt)) throw AbortRequested{};
    });
    file.Close();
    timeline::Mark("last-record");
    // Everything the file gave is written before its end is shown: a failure of the
    // log ends the run here, as it would have ended at its record.
    run_.log_->Drain();
    timeline::Mark("file-written");
    services_.SetBusy(false);
    // The last record handled is shown before any message about the file's end.
    if (recordsCut_ > 0)
        services_.ShowProgress(result == RecordResult::Stop ? recCtr_ : recCtr_ - 1, recordsInFile_, fileLength_);
    return result;
}

RecordResult Run::Impl::Record(std::string& rec) {
    // Yield; progress of the file. The clock is looked at every 16th record only: reading it
    // costs as much as a few field checks, and 16 records take some microseconds.
    if (fileLength_ > kRecordLength) ++recordsInFile_;
    const bool everyRecord = options_.yieldInterval.count() == 0;
    if ((everyRecord || recCtr_ % 16 == 0) && !YieldNow(everyRecord, recCtr_)) throw AbortRequested{};

    ErrorLog& log = *run_.log_;
    if (recCtr_ == 1) timeline::Mark("first-record");
    // Length and identifier as read.
    const std::size_t length = rec.size();
    std::string id = rec.substr(0, 2);
    UpperCaseRecord(id, rec);
    // The next file has begun; an empty identifier or record is one blank.
    awaitingNextFile_ = false;
    if (id.empty()) id += ' ';
    if (rec.empty()) rec += ' ';
    // The record's row: the current record for all logging.
    previousId_ = lastId_;
    ctx_->recNum = log.AddRecord(id, rec);
    lastId_ = id;

    // The rules of the run; an end-of-file mark (Ctrl-Z or NUL) ends the file unless it broke one.
    const RunRecord record{recCtr_, id, previousId_, rec, length};
    if (LogViolation(LeadingViolation(record), log)) return RecordResult::Stop;
    if (EndOfFileMark(record)) {
        log.DeleteLastRecord();
        lastId_ = previousId_;
        return RecordResult::EndOfFile;
    }
    // Record order and field checks.
    FillFields(rec, id, previousId_, recCtr_, filing_, *ctx_, log);
    // An identifier that is none of the nine stops the run.
    if (filing_.invalidIdentifier) return LogViolation(InvalidIdentifier(id), log), RecordResult::Stop;
    // Critical error or error limit.
    if (log.ErrorCount() > 0) {
        if (log.LastErrorCritical()) return RecordResult::Stop;
        if (LogViolation(ErrorLimitViolation(log.ErrorCount(), options_.errorLimit), log)) return RecordResult::Stop;
    }
    // The record is done. (The first record's rows are written before the run goes on: a
    // log failing on them ends the run as a failure of its first record.)
    if (recCtr_ == 1) log.Drain();
    ++recCtr_;
    return RecordResult::Next;
}

RunSummary Run::Impl::Summary(RunOutcome outcome, bool recordHistory) {
    RunSummary s;
    s.outcome = outcome;
    if (ErrorLog* log = run_.Log(); log && log->IsOpen()) {
        log->Sync();
        s.recordsTested = log->RecordCount();
        s.recordsWithErrors = log->RecordsWithErrors();
        s.errorsFound = log->ErrorCount();
        if (outcome == RunOutcome::Stopped) {
            if (const auto critical = log->Read().LastCriticalError()) {
                s.criticalRecord = critical->recNum;
                s.criticalReference = critical->reference;
                s.criticalUserEntry = critical->userEntry;
                s.criticalError = critical->error;
            }
        }
        timeline::Mark("summary-counted");
        log->MarkEnded();
        log->Commit();
        // The history is written while the writer thread makes the commit.
        const bool committed = recordHistory && RecordHistoryWhileCommitting(s, *log);
        log->Drain();
        if (!committed) timeline::Mark("final-commit");
    }
    return s;
}

bool Run::Impl::RecordHistoryWhileCommitting(const RunSummary& s, ErrorLog& log) {
    std::exception_ptr logFailed;
    bool committed = false;
    const auto gate = [&] {
        try {
            log.Drain();
            timeline::Mark("final-commit");
            return committed = true;
        } catch (...) {
            logFailed = std::current_exception();
            return false;
        }
    };
    std::optional<std::string> told = run_.RecordHistory(s, gate);
    if (logFailed) std::rethrow_exception(logFailed);
    // A history that failed before the log's end was known is written again after it, so
    // that what the user is told of the log is true.
    if (committed) historyTold_ = std::move(told);
    return committed;
}

// A run that reached its end.
RunSummary Run::Impl::Finish() {
    ErrorLog* log = run_.Log();
    if (log && log->ErrorCount() > 0) return Summary(RunOutcome::Errors, true);
    RunSummary s;
    if (log && log->RecordCount() > 0) {
        s = Summary(RunOutcome::NoErrors, true);
        if (options_.noErrors) options_.noErrors();
    } else {
        s = Summary(RunOutcome::NoData);
        services_.Message("Warning: The file contains no valid data.", "Results", MsgIcon::Exclamation,
                          MsgButtons::Ok);
    }
    run_.testing_ = false;
    return s;
}

// A run stopped by a critical error.
RunSummary Run::Impl::Stopped() { return Summary(RunOutcome::Stopped, true); }

RunSummary Run::Impl::Abort() {
    RunSummary s;
    s.outcome = RunOutcome::Aborted;
    if (!createdLog_) {
        // Exit before the new log was made: the earlier one stays as it is.
        run_.testing_ = false;
        return s;
    }
    try {
        run_.LogTestAborted();
        s = Summary(RunOutcome::Aborted);
        // The run's history is still to be written: the lock stays.
        run_.CloseLog();
    } catch (const LogFailure& e) {
        // The program ends anyway; the user learns that the log could not be finished.
        if (run_.log_ && run_.log_->IsOpen()) return LogFailed(e, RunOutcome::Aborted);
        ReportLogFailure(e);
    }
    run_.testing_ = false;
    return s;
}

RunSummary Run::Impl::LogFailed(const LogFailure& f, RunOutcome outcome) {
    services_.SetBusy(false);
    run_.testing_ = false;
    ReportLogFailure(run_.log_->EndIncomplete(f));
    // What the log kept, as the views will show it.
    RunSummary s;
    s.outcome = outcome;
    try {
        if (const auto kept = LogReader::OpenIn(options_.programFolder)) {
            s.recordsTested = kept->RecordCount();
            s.recordsWithErrors = kept->RecordsWithErrorsCount();
            s.errorsFound = kept->ErrorCount();
            if (const auto critical = kept->LastCriticalError()) {
                s.criticalRecord = critical->recNum;
                s.criticalReference = critical->reference;
                s.criticalUserEntry = critical->userEntry;
                s.criticalError = critical->error;
            }
        }
    } catch (const LogFailure&) {
    }
    return s;
}

void Run::Impl::TellFailure(const Failure& f) {
    switch (f.kind) {
        case Failure::Cancelled:
            break;
        case Failure::NotFound:
            services_.Message(fileName_ + " was not found.", "Submission File Not Found", MsgIcon::Information,
                              MsgButtons::Ok);
            break;
        case Failure::Unreadable:
            services_.Message("Unreadable data in File:\r\n" + fileName_, kFileError, MsgIcon::Critical, MsgButtons::Ok);
            break;
        case Failure::Other:
            services_.Message("Error Number: " + std::to_string(f.number) + "\r\nError Description: " + f.description,
                              kFileError, MsgIcon::Critical, MsgButtons::Ok);
            break;
    }
}

RunSummary Run::Impl::HandleFailure(const Failure& f) {
    services_.SetBusy(false);
    // The first file not found: the user is asked for another.
    const bool restart = recCtr_ == 1 && f.kind == Failure::NotFound;
    try {
        TellFailure(f);
        ErrorLog* log = run_.Log();
        // The submission ended without its final record: an ordinary error on the last stored
        // record. (The last stored row, not RecCtr - 1: after a removed junk record and a
        // further file the two differ.)
        if (awaitingNextFile_ && log && log->IsOpen() && log->CurrentRecNum() > 0) {
            const RunViolation v = MissingFinalRecord(lastId_);
            log->LogError(v.reference, v.userEntry, v.error);
        }
        if (restart)
            services_.Message(
                "Please check to make sure that correct File Name was entered and /or correct Drive was chosen.",
                "Submission File Name Error", MsgIcon::Critical, MsgButtons::Ok);
    } catch (const LogFailure& e) {
        return LogFailed(e);
    }
    if (recCtr_ == 1) run_.testing_ = false;
    try {
        return FailureSummary(f, restart);
    } catch (const LogFailure& e) {
        return LogFailed(e);
    }
}

RunSummary Run::Impl::FailureSummary(const Failure& f, bool restart) {
    ErrorLog* log = run_.Log();
    const bool logged = recCtr_ > 1 && log && log->IsOpen();
    if (logged && log->ErrorCount() > 0) {
        RunSummary s = Summary(log->LastErrorCritical() ? RunOutcome::Stopped : RunOutcome::Errors);
        // What was logged stays; a run that did not read its files to the end failed.
        if (f.kind != Failure::Cancelled && !awaitingNextFile_) s.outcome = RunOutcome::Failed;
        return s;
    }
    RunSummary s = logged ? Summary(RunOutcome::Failed) : RunSummary{};
    if (restart) s.outcome = RunOutcome::Restart;
    else if (f.kind == Failure::Cancelled && recCtr_ == 1) s.outcome = RunOutcome::Cancelled;
    else s.outcome = RunOutcome::Failed;
    return s;
}

}  // namespace quorvex
