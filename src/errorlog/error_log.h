#pragma once

#include <array>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "errorlog/log_failure.h"
#include "errorlog/log_reader.h"
#include "errorlog/sqlite.h"
#include "errorlog/writer_thread.h"

namespace quorvex {

// The one spelling of the error log's file name.
inline constexpr std::string_view kErrorLogName = "Errorlog.mdb";
// Reference of the critical error that ends a log its run could not finish writing.
inline constexpr std::string_view kLogIncompleteReference = "Error Log Incomplete";
// The mark a log carries in the database header (its user version) from its creation until
// the end of its run is written: a log that still has it was left by a program that ended
// before its test did (killed, a power cut), or is being written right now.
inline constexpr int kRunInProgressMark = 0x51525650;

// The error log of a test run: Errorlog.mdb with the tables Misc, Records, Errors, TRT
// and TRU. Keeps the current record and the current block's running totals in memory and
// writes them through before anything reads them (Sync) and when the run ends (Close).
// Text arguments are code page 1252 bytes; they are stored as UTF-8.
//
// What it writes leaves as ready rows (a record, an error, a block row ...). They are
// written at once, or, after StartWriterThread, by a thread of their own in the same order
// while the caller goes on: the counters, the current record and the block totals stay
// here, so no call but those that read the file waits for the writer. A failure of the
// writer thread reaches the caller at the next Drain (Sync, Read, and the calls that read
// the log drain first), after which the log is written at once again and what it knows
// is what the file holds.
class ErrorLog {
public:
    // Path of the log in `folder`.
    static std::filesystem::path PathIn(const std::filesystem::path& folder);

    // The log in `folder` whatever the case of its name (a regular file), if there is one.
    static std::optional<std::filesystem::path> Find(const std::filesystem::path& folder);

    // DeleteMDB: removes the log in `folder` when there is one (any case of its name).
    // Refuses (throws LogFailure) when the file is read-only or locked by another program,
    // so that a log in use is left untouched.
    static void DeleteMDB(const std::filesystem::path& folder);

    // CreateMDB: creates a new, empty log in `folder` with the five tables and opens it
    // for a run. Throws LogFailure.
    static ErrorLog CreateMDB(const std::filesystem::path& folder);

    ErrorLog(ErrorLog&&) noexcept;
    ErrorLog& operator=(ErrorLog&&) noexcept;
    ~ErrorLog();

    // --- The writer thread ------------------------------------------------------------
    // From now on the rows are written by a thread of their own.
    void StartWriterThread();
    // Waits until every row is written, then ends the thread; rows are written at once
    // again. A failure of the thread is thrown by the next call that writes.
    void StopWriterThread();
    // Waits until every row handed over so far is written; throws the writer's failure.
    // Nothing to wait for without the thread.
    void Drain();

    // CloseDatabase: writes what is pending, commits and closes. Safe to call twice.
    void CloseDatabase();
    // After `failure` of the log (a write, a commit, a read of the run): leaves the file in
    // one of the two states a run that could not finish its log may leave, and closes it.
    // The transaction is rolled back, so the file holds the records committed before the
    // failure, each whole; a critical error (kLogIncompleteReference) on the last of them,
    // the log's last row, says that the log is incomplete. When no record was committed, or
    // that error cannot be written either, the file is removed. Returns the failure to
    // report: its number, and a description naming the log, the cause and what was kept.
    LogFailure EndIncomplete(const LogFailure& failure);
    bool IsOpen() const;

    // Writes the pending record row and the block totals so that queries see them (and
    // waits for the writer thread).
    void Sync();
    // Commits the work so far (the run goes on in a new transaction).
    void Commit();
    // The run's end is written: the in-progress mark goes with the next commit (and at the
    // latest when the log is closed), so that readers take the log for a finished run. Once
    // is enough: later calls write nothing.
    void MarkEnded();

    const std::filesystem::path& Path() const { return path_; }

    // The read side over this log's own connection, after writing what is pending: the
    // checks of a run read what the run has written so far.
    const LogReader& Read();

    // --- Misc -------------------------------------------------------------------------
    // `path` is the file's name as the file system gives it (UTF-8): a byte of it that is
    // not UTF-8 is stored as U+FFFD.
    void AddMisc(std::string_view path, std::string_view rptDate);
    void SetPinOK(bool ok);          // on the newest Misc row

    // --- Records ----------------------------------------------------------------------
    // Appends a Records row (the current record for all logging). Returns its Rec_Num.
    std::int64_t AddRecord(std::string_view id, std::string_view record);
    // Deletes the current (last) Records row; its number is not used again.
    void DeleteLastRecord();
    std::int64_t CurrentRecNum() const { return cur_.recNum; }
    std::int64_t RecordCount() const { return recordCount_; }
    std::int64_t RecordsWithErrors() const { return recordsWithErrors_; }

    // Edits of the current record.
    void SetRecReference(std::string_view ref);
    void SetReIndx(std::int64_t reIndx);
    void SetRecordText(std::string_view record);

    // --- Errors -----------------------------------------------------------------------
    void LogError(std::string_view reference, std::string_view userEntry, std::string_view errorText);
    void LogCritError(std::string_view reference, std::string_view userEntry, std::string_view errorText);
    // An ordinary error for a stored record other than the current one.
    void LogErrorFor(std::int64_t recNum, std::string_view reference, std::string_view userEntry,
                     std::string_view errorText);
    std::int64_t ErrorCount() const { return errorCount_; }
    bool LastErrorCritical() const { return lastErrorCritical_; }

    // --- Employer blocks (TRT / TRU) --------------------------------------------------
    // Appends a TRT and a TRU row with RE_EIN = `ein`; returns the new Indx.
    std::int64_t OpenBlock(std::string_view ein);
    // Indx and RE_EIN of the newest block, nullopt before the first RE record.
    std::optional<std::pair<std::int64_t, std::string>> LastBlock() const;
    void SetCurrentSsn(std::string_view ssn);
    const std::string& CurrentSsn() const { return currentSsn_; }
    void AddTRT(int column, bool linkRecord, double amount);
    void AddTRU(int column, bool linkRecord, double amount);
    void SetTRTErrRef(int n);
    void SetTRUErrRef(int n);

    // The number of RW records of the run (any case of "RW"; 0 when there is none),
    // counted as they are added: the rows "Select ID From Records Where ID = 'RW'" counts.
    std::int64_t CountRW() const { return rwCount_; }

private:
    struct Block {
        std::int64_t indx = 0;
        std::string ein;
        std::int64_t count = 0;
        std::array<double, 25> sums{};
        std::array<std::string, 25> errRefs;
        bool dirty = false;
    };
    struct PendingRecord {
        std::int64_t recNum = 0;
        std::string id;
        std::string record;
        std::int64_t errors = 0;
        std::optional<std::string> recReference;
        std::optional<std::int64_t> reIndx;
        bool stored = false;   // row written to the table
        bool dirty = false;    // changed since written
    };
    struct Statements;
    struct Writer;

    ErrorLog();
    // The rows of a write go to the batch of out(); rowDone() writes them or hands them on.
    ByteBatch& out();
    void rowDone();
    // Whether writes are still taken: always while the writer thread runs (a failure is
    // found by Drain); otherwise while the transaction lasts.
    bool writable() const;
    void flushRecord();
    void flushBlock(Block& b, bool tru);
    // The last Records row becomes the current record (none when the table is empty).
    void loadLastRecord();
    // After the writer thread failed: counters and current record as the file has them.
    void reloadAfterFailure();
    // The running totals of one block table: column 0 counts, 1..fields sum; markers 1..fields.
    void addTo(std::optional<Block>& block, int fields, int column, bool linkRecord, double amount);
    void setErrRef(std::optional<Block>& block, int fields, int n);
    void addError(std::int64_t recNum, std::string_view reference, std::string_view userEntry,
                  std::string_view errorText, bool critical);

    std::filesystem::path path_;
    std::unique_ptr<Writer> w_;                  // connection and statements
    ByteBatch direct_;                           // the row being written at once
    std::exception_ptr pendingFailure_;          // of a stopped writer thread, not yet thrown
    std::optional<LogReader> reader_;
    PendingRecord cur_;
    std::int64_t nextRecNum_ = 1;
    std::int64_t recordCount_ = 0;
    std::int64_t recordsWithErrors_ = 0;
    std::int64_t rwCount_ = 0;
    std::int64_t errorCount_ = 0;
    bool lastErrorCritical_ = false;
    std::optional<Block> trt_;
    std::optional<Block> tru_;
    std::int64_t nextBlockIndx_ = 1;
    std::string currentSsn_;
    bool ended_ = false;  // the in-progress mark is cleared (or on its way)
    // Last, so that it is the first to go: it may still write through w_.
    std::unique_ptr<WriterThread> thread_;
};

}  // namespace quorvex
