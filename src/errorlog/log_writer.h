#pragma once

#include <array>
#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "errorlog/log_failure.h"
#include "errorlog/log_rows.h"
#include "errorlog/sqlite.h"
#include "errorlog/writer_thread.h"

namespace quorvex {

// The writing half of the error log: its connection, the prepared statements of the row
// codecs (log_rows.h), and the transaction the run writes in. Rows are written at once, or,
// after StartThread, by a thread of their own in the order they were handed over, while the
// caller goes on. A failure of the thread reaches the caller at the next Drain or write;
// the thread is gone then, and rows are written at once again.
//
// Statements and the connection are used by one thread at a time: the writer thread while
// it runs, the caller otherwise (and for reads after Drain).
class LogWriter {
public:
    // Takes `db`, the connection of a new log at `path` (LogFile::Create), begins its first
    // transaction and prepares the statements. Throws sql::DbError.
    LogWriter(std::string path, sql::Database db);
    ~LogWriter();
    LogWriter(const LogWriter&) = delete;
    LogWriter& operator=(const LogWriter&) = delete;

    // Writes `row` (a codec of log_rows.h), or hands it to the thread. Throws LogFailure,
    // or the failure of the thread. Without the thread, new records (and the errors between
    // them) are written when their group of rows::Record::kGroup is full, or with the next
    // other row or Drain.
    template <class Row>
    void Write(const Row& row) {
        rows::Put(thread_ ? thread_->Batch() : direct_, row);
        // New records go kGroup to a statement, the errors found between them aside: a
        // batch ends, and rows written at once are written, only where a statement does.
        constexpr bool grouped = std::is_same_v<Row, rows::Record> || std::is_same_v<Row, rows::Error>;
        if constexpr (std::is_same_v<Row, rows::Record>) ++recordsInRun_;
        else if constexpr (!grouped) recordsInRun_ = 0;
        rowDone(!grouped || recordsInRun_ % rows::Record::kGroup == 0);
    }

    // From now on rows are written by a thread of their own.
    void StartThread();
    // Has the thread start on the rows handed over so far, without waiting for them.
    void HandOver() {
        if (thread_) thread_->HandOver();
    }
    // Waits until every row is written, then ends the thread. Returns whether the thread
    // failed; its failure is thrown by the next call that writes or drains.
    bool StopThread();
    // Waits until every row handed over so far is written; throws the writer's failure
    // (without the thread: one kept by StopThread, or of the rows not yet written, which
    // wait for their group of records to fill). A failed thread is ended.
    void Drain();
    bool Threaded() const { return thread_ != nullptr; }

    bool IsOpen() const { return db_.isOpen(); }
    // Whether writes are still taken: always while the thread runs (a failure is found by
    // Drain); otherwise while the transaction lasts.
    bool Writable() const { return thread_ || (st_ && inTransaction_); }
    bool InTransaction() const { return inTransaction_; }
    // Throws the failure StopThread kept, if any.
    void ThrowKeptFailure();
    // Commits what the transaction wrote and closes the connection (also after a failed
    // commit, which is thrown). Nothing may be pending: StopThread and Drain first.
    void Close();
    // Drops the thread, every row not yet written and the statements, and hands over the
    // connection, still in its transaction (or closed): for a log that failed.
    sql::Database& Abandon();

    // The connection, for reads (after Drain).
    sql::Database& Connection() { return db_; }
    // The LogFailure of a failed statement, noting whether the transaction survived it.
    LogFailure Failed(const sql::DbError& e);

private:
    struct Statements;

    void rowDone(bool statementEnds) {
        if (thread_) {
            if (thread_->HasFailed()) Drain();  // throws the failure
            thread_->RowDone(statementEnds);
            return;
        }
        if (statementEnds) writeDirect();
    }
    void writeDirect();
    // The statements; a LogFailure once the log is closed or its transaction lost.
    Statements& stmts();
    // Writes the rows of `batch` in order. Throws LogFailure.
    void apply(const ByteBatch& batch);
    // Applies one row of `in` (its kind already read).
    void applyRow(rows::Kind kind, rows::In& in);
    // The Records rows from an InsertRecord row on (its kind already read): the run of such
    // rows that follow one another, Errors rows between them included, in statements of
    // rows::Record::kGroup rows where they fill one. The Errors rows are written after the
    // records, in their order (neither table's rows depend on the other's).
    void insertRecords(rows::In& in);
    // Writes errorsInGroup_, several rows to a statement.
    void insertErrors();
    void commit();
    // Whether the transaction has written anything.
    bool changed() const;

    std::string path_;
    sql::Database db_;
    std::unique_ptr<Statements> st_;
    bool inTransaction_ = false;
    // The engine's count of changed rows when the transaction began: equal at the end, the
    // transaction wrote nothing and needs no commit.
    std::int64_t changesAtBegin_ = 0;
    // The in-progress mark was cleared in this transaction (a change the count misses).
    bool markCleared_ = false;
    std::array<rows::Record, rows::Record::kGroup> group_;  // the rows of one statement
    std::vector<rows::Error> errorsInGroup_;                 // the Errors rows met among them
    std::int64_t errorCounter_ = 0;  // the Errors table's counter: its last row's Err_Num
    // New records written since the last row that is neither a record nor an error; the
    // writer groups them the same way, from the start of each batch.
    std::int64_t recordsInRun_ = 0;

    ByteBatch direct_;                   // the row being written at once
    std::exception_ptr keptFailure_;     // of a stopped thread, not yet thrown
    // Last, so that it is the first to go: it may still write through the members above.
    std::unique_ptr<WriterThread> thread_;
};

}  // namespace quorvex
