#include "reader/run.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <thread>
#include <vector>

#include "errorlog/log_findings.h"
#include "history/run_record.h"
#include "common/text_1252.h"
#include "reader/fill_fields.h"
#include "reader/record_cutter.h"
#include "reader/sequence.h"

namespace quorvex {

namespace {

constexpr std::string_view kFirstFileTitle = "Please Enter File Name to be Tested";
constexpr std::string_view kNextFileTitle = "Please Enter Next File Name to be Tested";
constexpr std::string_view kFileFilter = "All Files (*.*)|*.*|Ascii Text Files (*.txt; *.asc) |*.txt;*.asc|";
constexpr std::string_view kFileError = "Submission File Error";
constexpr std::size_t kMaxPiece = 65000;
// How long a pipe is waited for before the run yields again.
constexpr int kPipeWaitMs = 20;

// How a failure ends the run (the failure handler's cases).
struct Failure {
    enum Kind { Cancelled, NotFound, Unreadable, Other } kind;
    int number = 0;
    std::string description;
};

// The user chose Exit during a yield.
struct AbortRequested {};

// An open submission file; closed when the object goes. A regular file is read up to the
// length it had when it was opened; anything else (a pipe, a FIFO, a terminal) to its end,
// its length unknown. Such input is waited for a moment at a time, so the run can answer the
// window and signals while its writer is silent or has not come yet.
class SubmissionFile {
public:
    // `idle` is called when a signal broke off opening, waiting or reading, and whenever a
    // pipe has had nothing to give for a moment; it throws when the run is to stop, else the
    // wait goes on.
    SubmissionFile(const std::string& name, const std::function<void()>& idle) : idle_(idle) {
        // Opened without waiting: a FIFO would wait here for the program that writes into it,
        // deaf to the window.
        while ((fd_ = ::open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)) < 0) {
            const int err = errno;
            if (err == EINTR) {
                idle_();
                continue;
            }
            if (err == ENOENT || err == ENOTDIR) throw Failure{Failure::NotFound, err, std::strerror(err)};
            throw Failure{Failure::Other, err, std::strerror(err)};
        }
        struct stat st {};
        const int flags = ::fcntl(fd_, F_GETFL);
        if (::fstat(fd_, &st) != 0 || flags < 0 || ::fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK) != 0) {
            const int err = errno;
            Close();
            throw Failure{Failure::Other, err, std::strerror(err)};
        }
        if (S_ISDIR(st.st_mode)) {
            Close();
            throw Failure{Failure::Other, EISDIR, std::strerror(EISDIR)};
        }
        if (S_ISREG(st.st_mode)) length_ = static_cast<std::uint64_t>(st.st_size);
        // Anything else is open once it gives something (or ends): until then the earlier
        // log stays as it is.
        try {
            if (!length_)
                while (!Ready()) continue;
        } catch (...) {
            Close();
            throw;
        }
    }
    ~SubmissionFile() { Close(); }
    SubmissionFile(const SubmissionFile&) = delete;
    SubmissionFile& operator=(const SubmissionFile&) = delete;

    void Close() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }
    // Whether the file is read up to a known length (a regular file), not to its end.
    bool Regular() const { return length_.has_value(); }
    // The length of a regular file; 0 when it is not known.
    std::uint64_t Length() const { return length_.value_or(0); }

    // Reads the next piece of at most `size` bytes; empty at the end of the file. A regular
    // file that got shorter while being read is unreadable.
    std::string_view Read(std::vector<char>& buffer, std::size_t size) {
        std::size_t want = size;
        if (length_) {
            const std::uint64_t left = *length_ - done_;
            if (left == 0) return {};
            want = static_cast<std::size_t>(std::min<std::uint64_t>(left, size));
        }
        buffer.resize(std::max(buffer.size(), want));
        std::size_t got = 0;
        while (got < want) {
            if (!length_ && !Ready()) continue;
            ssize_t r = ::read(fd_, buffer.data() + got, want - got);
            if (r < 0) {
                const int err = errno;
                if (err == EINTR) {
                    idle_();
                    continue;
                }
                throw Failure{Failure::Other, err, std::strerror(err)};
            }
            if (r == 0) {
                if (length_) throw Failure{Failure::Unreadable, 62, "Input past end of file"};
                break;
            }
            got += static_cast<std::size_t>(r);
            // A pipe gives what it holds: the piece goes on at once rather than wait for more.
            if (!length_) break;
        }
        done_ += got;
        return {buffer.data(), got};
    }

private:
    // Whether input that is not a regular file can be read without waiting: data, its end
    // (no writer left, after one came) or a fault. Idles when it has none for a moment.
    bool Ready() {
        pollfd p{fd_, POLLIN, 0};
        const int n = ::poll(&p, 1, kPipeWaitMs);
        if (n > 0) return true;
        if (n < 0 && errno != EINTR) {
            const int err = errno;
            throw Failure{Failure::Other, err, std::strerror(err)};
        }
        idle_();
        return false;
    }

    std::function<void()> idle_;
    int fd_ = -1;
    std::optional<std::uint64_t> length_;
    std::uint64_t done_ = 0;
};

enum class RecordResult { Next, Stop, EndOfFile };

}  // namespace

bool WriterThreadByDefault() {
    const char* threads = std::getenv("QUORVEX_THREADS");
    return !(threads && std::string_view(threads) == "1");
}

// The state of one run (`ReadFile`).
class Run::Impl {
public:
    Impl(Run& run) : run_(run), services_(run.services_), options_(run.options_) {}

    RunSummary Read();

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
    RecordResult Record(std::string& buffer);
    RunSummary Finish();
    RunSummary Stopped();
    RunSummary HandleFailure(const Failure& f);
    RunSummary Abort();
    RunSummary LogFailed(const LogFailure& f, RunOutcome outcome = RunOutcome::Failed);
    RunSummary Summary(RunOutcome outcome);
    void ReportLogFailure(const LogFailure& e) {
        services_.Message("Error Number: " + std::to_string(e.number) + "\r\nError Description: " + e.description,
                          kFileError, MsgIcon::Critical, MsgButtons::Ok);
    }
    void CritError(std::string_view reference, std::string_view userEntry, std::string_view text) {
        run_.log_->LogCritError(reference, userEntry, text);
    }

    Run& run_;
    DialogServices& services_;
    const RunOptions& options_;

    std::int64_t recCtr_ = 1;
    bool createdLog_ = false;  // this run has created its log
    bool awaitingNextFile_ = false;
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
    if (log_) {
        try {
            log_->CloseDatabase();
        } catch (const LogFailure& f) {
            const LogFailure told = log_->EndIncomplete(f);
            log_.reset();
            throw told;
        }
        log_.reset();
    }
}

void Run::LogTestAborted() {
    if (!testing_ || !log_ || !log_->IsOpen() || log_->CurrentRecNum() == 0) return;
    log_->LogError("Test Aborted", "Exit was chosen",
                   "The last file did not complete testing because the Exit Button was selected while processing.");
    log_->Sync();
}

RunSummary Run::ReadFile() {
    for (;;) {
        Impl impl(*this);
        RunSummary s = impl.Read();
        // Whatever comes after the run (Exit's "Test Aborted", closing) is written at once.
        if (log_) log_->StopWriterThread();
        // A first file that was not found asks for a file again.
        if (s.outcome == RunOutcome::Restart) continue;
        RecordInHistory(s);
        return s;
    }
}

void Run::RecordInHistory(const RunSummary& s) {
    if (options_.historyRuns <= 0 || s.recordsTested <= 0) return;
    const char* outcome = nullptr;
    switch (s.outcome) {
        case RunOutcome::NoErrors:
        case RunOutcome::Errors: outcome = "finished"; break;
        case RunOutcome::Stopped: outcome = "stopped"; break;
        case RunOutcome::Aborted: outcome = "aborted"; break;
        case RunOutcome::Failed: outcome = "log incomplete"; break;
        case RunOutcome::Cancelled:
        case RunOutcome::NoData:
        case RunOutcome::Restart: return;
    }
    std::string problem;
    try {
        // What the run wrote is committed first, so that a reader of the file sees all of it.
        if (log_ && log_->IsOpen()) log_->Sync(), log_->Commit();
        if (const auto log = LogReader::OpenIn(options_.programFolder))
            problem = RecordRun(options_.programFolder, *log, outcome, options_.historyRuns, s.recordsTested,
                                s.recordsWithErrors, s.errorsFound);
    } catch (const std::exception& e) {
        problem = std::string(e.what()) + " This run is not in the run history.";
    }
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
            auto chosen = services_.OpenFile(recCtr_ == 1 ? kFirstFileTitle : kNextFileTitle, kFileFilter);
            if (!chosen) throw Failure{Failure::Cancelled, 0, {}};
            // The name as the file system has it (UTF-8) opens the file; messages and the
            // log get it as text of the code page.
            fileName_ = Utf8ToCp1252(*chosen);
            recordsCut_ = 0;
            SubmissionFile file(*chosen, [this] {
                if (!YieldNow(true, Handled())) throw AbortRequested{};
            });
            fileLength_ = file.Length();

            // The window shows the run; no record number until a record has been read.
            if (!YieldNow(true, std::nullopt)) throw AbortRequested{};

            // First file: a fresh error log.
            if (recCtr_ == 1) {
                services_.SetBusy(true);
                run_.CloseDatabase();
                ErrorLog::DeleteMDB(options_.programFolder);
                run_.log_.emplace(ErrorLog::CreateMDB(options_.programFolder));
                createdLog_ = true;
                if (options_.writerThread) run_.log_->StartWriterThread();
                findings_.emplace(*run_.log_);
                facts_.emplace(*run_.log_);
                ctx_.emplace(CheckContext{*findings_, *facts_, {}, 0});
                services_.SetBusy(false);
            }
            // Every file gets its Misc row.
            run_.log_->AddMisc(*chosen, services_.Today().Format());
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
                    options_.recordOrigin({ctx_->recNum, *chosen, cutter.StartLine(), cutter.StartColumn()});
                return result == RecordResult::Next;
            };
            bool more = true;
            while (more) {
                std::string_view piece = file.Read(buffer, options_.pieceSize);
                if (piece.empty()) break;
                more = cutter.Feed(piece, onRecord);
                // A pipe that gives a little at a time may complete no record for long.
                if (more && !file.Regular() && !YieldNow(false, std::nullopt)) throw AbortRequested{};
            }
            // The end of a pipe may come with the signal that ended its writer (Ctrl-C on a
            // pipeline reaches every program of it): a stop asked for meanwhile is the end.
            if (more && !file.Regular() && StopAtPipeEnd()) throw AbortRequested{};
            if (more) cutter.Finish(onRecord);
            file.Close();
            // Everything the file gave is written before its end is shown: a failure of the
            // log ends the run here, as it would have ended at its record.
            run_.log_->Drain();
            services_.SetBusy(false);
            // The last record handled is shown before any message about the file's end.
            if (recordsCut_ > 0)
                services_.ShowProgress(result == RecordResult::Stop ? recCtr_ : recCtr_ - 1, recordsInFile_,
                                       fileLength_);
            if (result == RecordResult::Stop) return Stopped();

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

RecordResult Run::Impl::Record(std::string& rec) {
    // Yield; progress of the file.
    if (fileLength_ > kRecordLength) ++recordsInFile_;
    if (!YieldNow(options_.yieldInterval.count() == 0, recCtr_)) throw AbortRequested{};

    ErrorLog& log = *run_.log_;
    // Length and identifier as read.
    const std::size_t length = rec.size();
    std::string id = rec.substr(0, 2);
    // Upper case; the RA contact e-mail (446-485) keeps its case.
    if (id == "RA" && rec.size() > 445) {
        UpperCase1252(rec.data(), rec.data() + 445);
        if (rec.size() > 485) UpperCase1252(rec.data() + 485, rec.data() + rec.size());
    } else {
        UpperCase1252(rec.data(), rec.data() + rec.size());
    }
    // The next file has begun; an empty identifier or record is one blank.
    awaitingNextFile_ = false;
    if (id.empty()) id = " ";
    if (rec.empty()) rec = " ";
    // The record's row: the current record for all logging.
    previousId_ = lastId_;
    ctx_->recNum = log.AddRecord(id, rec);
    lastId_ = id;
    // The user entry of the run-level errors, made only when one is logged.
    auto entry = [&id] { return "[" + id + "]"; };

    // The first records: a corrections file, RA first, RE second.
    if (recCtr_ == 1 && rec.compare(0, 3, "RCA") == 0) {
        CritError("Record Identifier [Position 1 - 2]", entry(),
                  "The first two characters in the tested file are RC. This appears to be an ZRW5C "
                  "formatted file. The Quorvex application should be used to test ZRW5 formatted files only.");
        return RecordResult::Stop;
    }
    if (recCtr_ == 1 && id != "RA") {
        CritError(kSequenceReference, entry(), "Record 1 must be RA record.");
        return RecordResult::Stop;
    }
    if (recCtr_ == 2 && id != "RE") {
        CritError(kSequenceReference, entry(), "Record 2 must be RE record.");
        return RecordResult::Stop;
    }
    // A junk record (end-of-file mark or NUL) ends the file; a record after RF stops the run.
    if (recCtr_ > 1) {
        if (id[0] == '\x1a' || id[0] == '\0') {
            for (char c : rec) {
                if (c != '\x1a' && c != '\0' && previousId_ == "RF") {
                    CritError(kSequenceReference, entry(), "RF record must be last record in file.");
                    return RecordResult::Stop;
                }
            }
            log.DeleteLastRecord();
            lastId_ = previousId_;
            return RecordResult::EndOfFile;
        }
        if (previousId_ == "RF") {
            CritError(kSequenceReference, entry(), "RF record must be last record in file.");
            return RecordResult::Stop;
        }
    }
    // Record length.
    if (length < kRecordLength) {
        CritError("Record Length", std::to_string(length) + " bytes.",
                  "Must be 512 bytes for ZRW5 files. This condition may also be generated if the previous "
                  "record is greater than 512 bytes or if there is a Carriage Return/Line Feed within a record.");
        return RecordResult::Stop;
    }
    // Record order and field checks.
    FillFields(rec, id, previousId_, recCtr_, filing_, *ctx_, log);
    // An identifier that is none of the nine stops the run.
    if (filing_.invalidIdentifier) {
        CritError("Invalid Record Identifier [Position 1 - 2]", entry(),
                  "Enter appropriate code: RW, RO, RS, RT, RU, RV, or RF. This condition may also be caused by an "
                  "incorrect record length.");
        return RecordResult::Stop;
    }
    // Critical error or error limit.
    if (log.ErrorCount() > 0) {
        if (log.LastErrorCritical()) return RecordResult::Stop;
        if (log.ErrorCount() >= options_.errorLimit) {
            std::string limit = std::to_string(options_.errorLimit);
            CritError(limit + " or more Errors in submission", limit + " Errors",
                      limit +
                          " or more errors were encountered. Please correct the errors "
                          "identified in the submission and rerun Quorvex. Please note that the number of errors "
                          "allowed before Quorvex stops testing can be set by the user to a number between 1 and "
                          "25,000. For information on how to set the error limitation, please look in the Help "
                          "section located on the Quorvex Welcome Screen.");
            return RecordResult::Stop;
        }
    }
    // The record is done. (The first record's rows are written before the run goes on: a
    // log failing on them ends the run as a failure of its first record.)
    if (recCtr_ == 1) log.Drain();
    ++recCtr_;
    return RecordResult::Next;
}

RunSummary Run::Impl::Summary(RunOutcome outcome) {
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
        log->MarkEnded();
        log->Commit();
        log->Drain();
    }
    return s;
}

// A run that reached its end.
RunSummary Run::Impl::Finish() {
    ErrorLog* log = run_.Log();
    if (log && log->ErrorCount() > 0) return Summary(RunOutcome::Errors);
    RunSummary s;
    if (log && log->RecordCount() > 0) {
        s = Summary(RunOutcome::NoErrors);
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
RunSummary Run::Impl::Stopped() { return Summary(RunOutcome::Stopped); }

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
        run_.CloseDatabase();
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

RunSummary Run::Impl::HandleFailure(const Failure& f) {
    services_.SetBusy(false);
    bool restart = false;
    try {
        switch (f.kind) {
            case Failure::Cancelled:
                break;
            case Failure::NotFound:
                services_.Message(fileName_ + " was not found.", "Submission File Not Found", MsgIcon::Information,
                                  MsgButtons::Ok);
                break;
            case Failure::Unreadable:
                services_.Message("Unreadable data in File:\r\n" + fileName_, kFileError, MsgIcon::Critical,
                                  MsgButtons::Ok);
                break;
            case Failure::Other:
                services_.Message("Error Number: " + std::to_string(f.number) + "\r\nError Description: " +
                                      f.description,
                                  kFileError, MsgIcon::Critical, MsgButtons::Ok);
                break;
        }
        ErrorLog* log = run_.Log();
        // The submission ended without its final record: an ordinary error on the last stored
        // record. (The last stored row, not RecCtr - 1: after a removed junk record and a
        // further file the two differ.)
        if (awaitingNextFile_ && log && log->IsOpen() && log->CurrentRecNum() > 0) {
            std::string id = lastId_;
            log->LogErrorFor(log->CurrentRecNum(), kSequenceReference, "[" + id + "]",
                             "Submission must not end with " + id +
                                 " record. RF record was not found. Submission must end with a Final record.");
        }
        if (recCtr_ == 1 && f.kind == Failure::NotFound) {
            services_.Message(
                "Please check to make sure that correct File Name was entered and /or correct Drive was chosen.",
                "Submission File Name Error", MsgIcon::Critical, MsgButtons::Ok);
            restart = true;
        }
    } catch (const LogFailure& e) {
        return LogFailed(e);
    }
    if (recCtr_ == 1) run_.testing_ = false;
    RunSummary s;
    ErrorLog* log = run_.Log();
    if (recCtr_ > 1 && log && log->IsOpen() && log->ErrorCount() > 0) {
        try {
            s = Summary(log->LastErrorCritical() ? RunOutcome::Stopped : RunOutcome::Errors);
        } catch (const LogFailure& e) {
            return LogFailed(e);
        }
        if (f.kind != Failure::Cancelled && !awaitingNextFile_) s.outcome = RunOutcome::Failed;
    } else {
        if (log && log->IsOpen() && recCtr_ > 1) {
            try {
                s = Summary(RunOutcome::Failed);
            } catch (const LogFailure& e) {
                return LogFailed(e);
            }
        }
        s.outcome = restart ? RunOutcome::Restart
                            : (f.kind == Failure::Cancelled && recCtr_ == 1 ? RunOutcome::Cancelled
                                                                              : RunOutcome::Failed);
    }
    return s;
}

}  // namespace quorvex
