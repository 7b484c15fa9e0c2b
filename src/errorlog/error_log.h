#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "errorlog/keyed_errors.h"
#include "errorlog/log_failure.h"
#include "errorlog/log_file.h"
#include "errorlog/log_reader.h"
#include "errorlog/run_findings.h"

namespace quorvex {

class LogWriter;

// The error log of a test run: Errorlog.mdb with the tables Misc, Records, Errors, TRT
// and TRU (its file: LogFile; its writing half: LogWriter). Keeps the current record, the
// run's counters and the current block's running totals in memory and writes them through
// before anything reads them (Sync) and when the run ends (Close).
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
    // CreateMDB: creates a new, empty log in `folder` with the five tables and opens it
    // for a run. Throws LogFailure.
    static ErrorLog CreateMDB(const std::filesystem::path& folder);

    ErrorLog(ErrorLog&&) noexcept;
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
    // After `failure` of the log (a write, a commit, a read of the run): leaves the file as
    // LogFile::EndIncomplete tells, and closes it. Returns the failure to report.
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
    // The errors and the keys of their records as handed to the file so far (KeyedErrors):
    // what the file holds once Sync has written everything. Taking them leaves an incomplete
    // set, read from the file when asked.
    const KeyedErrors& Kept() const { return kept_; }
    // What the run history reads of the findings, once the run's end is logged: what was kept,
    // when that is Whole (the file is not read: it may not yet hold it all); else, once
    // `committed` (the file holds everything written), the file with what was kept; else
    // nothing. What was kept is taken.
    std::optional<RunFindings> TakeFindings(bool committed) {
        if (kept_.Whole()) return RunFindings(TakeKept());
        if (!committed) return std::nullopt;
        return RunFindings(LogReader(path_), TakeKept());
    }

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
    std::int64_t ErrorCount() const { return errorCount_; }
    bool LastErrorCritical() const { return lastErrorCritical_; }

    // --- Employer blocks (TRT / TRU) --------------------------------------------------
    // Appends a TRT and a TRU row with RE_EIN = `ein`; returns the new Indx.
    std::int64_t OpenBlock(std::string_view ein);
    // Indx and RE_EIN of the newest block, nullopt before the first RE record.
    std::optional<std::pair<std::int64_t, std::string>> LastBlock() const;
    void SetCurrentSsn(std::string_view ssn);
    void AddTRT(int column, bool linkRecord, double amount);
    void AddTRU(int column, bool linkRecord, double amount);
    void SetTRTErrRef(int n);
    void SetTRUErrRef(int n);

    // The number of RW records of the run (any case of "RW"; 0 when there is none),
    // counted as they are added: the rows "Select ID From Records Where ID = 'RW'" counts.
    std::int64_t CountRW() const { return rwCount_; }

    // The TRT (`tru` false) or TRU row of the block of record `recNum`, as the block queries
    // of LogReader read it. For the current record of the newest block the totals kept here
    // answer: the pending rows go to the writer as for a read, but the caller does not wait
    // for it to write them. Any other record is read from the file (after Sync).
    std::optional<BlockRow> BlockOf(std::int64_t recNum, bool tru);

private:
    // What was kept, taken; an incomplete set is left, so that later reads go to the file.
    KeyedErrors TakeKept() {
        KeyedErrors taken = std::exchange(kept_, {});
        kept_.Clear();
        return taken;
    }
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

    ErrorLog();
    // Hands `row` (a codec of log_rows.h) to the writer; when that finds the writer thread
    // failed, what the log knows is read back from the file before the failure is thrown.
    template <class Row>
    void write(const Row& row);
    // The LogFailure of a log that is closed.
    LogFailure closed() const;
    void flushRecord();
    void flushBlock(Block& b, bool tru);
    // The record row and the block totals not written yet.
    void flushPending();
    // The last Records row becomes the current record (none when the table is empty).
    void loadLastRecord();
    // After the writer thread failed: counters and current record as the file has them.
    void reloadAfterFailure();
    // The running totals of one block table: column 0 counts, 1..fields sum; markers 1..fields.
    void addTo(std::optional<Block>& block, int fields, int column, bool linkRecord, double amount);
    void setErrRef(std::optional<Block>& block, int fields, int n);
    void addError(std::int64_t recNum, std::string_view reference, std::string_view userEntry,
                  std::string_view errorText, bool critical);
    // Counts an error of the current record.
    void countError();

    std::filesystem::path path_;
    std::unique_ptr<LogWriter> w_;
    std::optional<LogReader> reader_;
    KeyedErrors kept_;
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
};

}  // namespace quorvex
