#include "errorlog/log_writer.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <utility>

#include "errorlog/log_file.h"

namespace quorvex {

namespace {

// Rows leave in batches of about this size; four batches are the most in flight.
constexpr std::size_t kBatchBytes = 256 * 1024;
constexpr std::size_t kBatches = 4;

LogFailure FromDb(const sql::DbError& e) { return LogFailure{e.code(), e.what()}; }

// Binds `row` to `s` and runs it.
template <class Row>
void Run(sql::Statement& s, const Row& row) {
    row.Bind(s);
    s.run();
}

}  // namespace

struct LogWriter::Statements {
    sql::Statement insertRecord, insertRecords, updateRecord, deleteRecord, insertError;
    // insertErrors[n]: n Errors rows in one statement, prepared when first needed.
    std::array<sql::Statement, rows::Error::kGroup + 1> insertErrors;
    sql::Statement insertMisc, updatePinOK;
    sql::Statement insertTRT, insertTRU, updateTRT, updateTRU;
    sql::Statement markEnded;
};

LogWriter::LogWriter(std::string path, sql::Database db) : path_(std::move(path)), db_(std::move(db)) {
    db_.exec("BEGIN");
    inTransaction_ = true;
    changesAtBegin_ = sqlite3_total_changes64(db_.handle());

    auto st = std::make_unique<Statements>();
    st->insertRecord = db_.prepare(rows::Record::kSql);
    st->insertRecords = db_.prepare(rows::Record::GroupSql());
    st->updateRecord = db_.prepare(rows::RecordUpdate::kSql);
    st->deleteRecord = db_.prepare(rows::RecordDelete::kSql);
    st->insertError = db_.prepare(rows::Error::kSql);
    st->insertMisc = db_.prepare(rows::Misc::kSql);
    st->updatePinOK = db_.prepare(rows::PinOK::kSql);
    st->insertTRT = db_.prepare(rows::Block::Sql(false));
    st->insertTRU = db_.prepare(rows::Block::Sql(true));
    st->updateTRT = db_.prepare(rows::BlockTotals::Sql(false));
    st->updateTRU = db_.prepare(rows::BlockTotals::Sql(true));
    st->markEnded = db_.prepare(LogFile::MarkSql(false));
    st_ = std::move(st);
    errorsInGroup_.reserve(64);
}

LogWriter::~LogWriter() = default;

// --- The thread -------------------------------------------------------------------------------

void LogWriter::StartThread() {
    if (thread_ || !IsOpen()) return;
    if (!direct_.empty()) writeDirect();  // rows waiting for their group go first
    recordsInRun_ = 0;
    thread_ = std::make_unique<WriterThread>([this](const ByteBatch& batch) { apply(batch); }, kBatches, kBatchBytes);
}

bool LogWriter::StopThread() {
    // Without the thread, rows waiting for their group go with the next row or Drain.
    if (!thread_) return false;
    recordsInRun_ = 0;
    try {
        thread_->Drain();
    } catch (...) {
        keptFailure_ = std::current_exception();
    }
    thread_.reset();
    return keptFailure_ != nullptr;
}

void LogWriter::Drain() {
    recordsInRun_ = 0;  // the batch handed over ends here
    if (!thread_) {
        ThrowKeptFailure();
        if (!direct_.empty()) writeDirect();
        return;
    }
    try {
        thread_->Drain();
    } catch (...) {
        // The rows after the failing one were dropped: from here on rows are written at once.
        thread_.reset();
        throw;
    }
}

void LogWriter::ThrowKeptFailure() {
    if (keptFailure_) std::rethrow_exception(std::exchange(keptFailure_, nullptr));
}

void LogWriter::writeDirect() {
    try {
        ThrowKeptFailure();
        apply(direct_);
    } catch (...) {
        direct_.clear();
        throw;
    }
    direct_.clear();
}

// --- The transaction ----------------------------------------------------------------------------

bool LogWriter::changed() const {
    return markCleared_ || sqlite3_total_changes64(db_.handle()) != changesAtBegin_;
}

void LogWriter::Close() {
    if (inTransaction_) {
        try {
            // A transaction that wrote nothing ends with the connection.
            if (changed()) db_.exec("COMMIT");
            inTransaction_ = false;
        } catch (const sql::DbError& e) {
            st_.reset();
            db_.close();
            inTransaction_ = false;
            throw FromDb(e);
        }
    }
    st_.reset();
    db_.close();
}

sql::Database& LogWriter::Abandon() {
    // What the thread had not written yet goes with the transaction.
    thread_.reset();
    keptFailure_ = nullptr;
    direct_.clear();
    st_.reset();
    inTransaction_ = false;
    return db_;
}

LogFailure LogWriter::Failed(const sql::DbError& e) {
    // The engine may have rolled the transaction back: nothing more is written then, so no
    // row can reach the file on its own, out of order.
    if (db_.isOpen()) inTransaction_ = sqlite3_get_autocommit(db_.handle()) == 0;
    return FromDb(e);
}

// --- The rows -----------------------------------------------------------------------------------

LogWriter::Statements& LogWriter::stmts() {
    if (!st_) throw LogFailure{SQLITE_MISUSE, "The error log " + path_ + " is closed."};
    if (!inTransaction_) throw LogFailure{SQLITE_ABORT, "The error log " + path_ + " can no longer be written."};
    return *st_;
}

void LogWriter::apply(const ByteBatch& batch) {
    rows::In in(batch.data(), batch.data() + batch.size());
    try {
        while (!in.AtEnd()) applyRow(in.GetKind(), in);
    } catch (const sql::DbError& e) {
        throw Failed(e);
    }
}

void LogWriter::applyRow(rows::Kind kind, rows::In& in) {
    using rows::Kind;
    switch (kind) {
        case Kind::InsertRecord:
            return insertRecords(in);
        case Kind::UpdateRecord:
            return Run(stmts().updateRecord, in.Get<rows::RecordUpdate>());
        case Kind::DeleteRecord:
            return Run(stmts().deleteRecord, in.Get<rows::RecordDelete>());
        case Kind::InsertError:
            Run(stmts().insertError, in.Get<rows::Error>());
            errorCounter_ = db_.lastInsertRowid();
            return;
        case Kind::InsertMisc:
            return Run(stmts().insertMisc, in.Get<rows::Misc>());
        case Kind::UpdatePinOK:
            return Run(stmts().updatePinOK, in.Get<rows::PinOK>());
        case Kind::InsertBlock: {
            const auto block = in.Get<rows::Block>();
            Run(stmts().insertTRT, block);
            return Run(stmts().insertTRU, block);
        }
        case Kind::UpdateBlock: {
            const auto totals = in.Get<rows::BlockTotals>();
            return Run(totals.tru ? stmts().updateTRU : stmts().updateTRT, totals);
        }
        case Kind::MarkEnded:
            stmts().markEnded.run();
            markCleared_ = true;
            return;
        case Kind::Commit:
            return commit();
    }
}

void LogWriter::insertRecords(rows::In& in) {
    constexpr int kGroup = rows::Record::kGroup;
    int n = 0;
    group_[n++] = in.Get<rows::Record>();
    errorsInGroup_.clear();
    while (n < kGroup) {
        if (in.NextIs(rows::Kind::InsertRecord)) group_[n++] = in.Get<rows::Record>();
        else if (in.NextIs(rows::Kind::InsertError)) errorsInGroup_.push_back(in.Get<rows::Error>());
        else break;
    }
    if (n == kGroup) {
        auto& s = stmts().insertRecords;
        for (int r = 0; r < n; ++r) group_[r].Bind(s, r * rows::Record::kColumns + 1);
        s.run();
    } else {
        for (int r = 0; r < n; ++r) Run(stmts().insertRecord, group_[r]);
    }
    insertErrors();
}

namespace {

// How many of `waiting` Errors rows the next statement may insert, the table's counter
// standing at `counter` (its last Err_Num), so that the log stays byte for byte what one row
// to a statement writes. Each statement rewrites the table's row in sqlite_sequence once:
// in place while the counter keeps its width, dropped and placed anew elsewhere in the page
// when the width changes, where the dropped row's bytes (the counter's last value among them)
// may stay. So a statement changes the width only from the last value of a width class, as a
// statement of one row does; the first statement, which makes the row, has one row (a first
// statement of more rows does leave another page). The engine stores an integer in a record
// as 1 alone (no bytes), then in one, two, three, four, six and eight bytes.
std::size_t ErrorsKeepingTheLogAsOneByOne(std::int64_t counter, std::size_t waiting) {
    constexpr std::int64_t kClassEnds[] = {1, 127, 32767, 8388607, 2147483647, 140737488355327, INT64_MAX};
    const std::int64_t next = counter + 1;
    const std::int64_t end = *std::find_if(std::begin(kClassEnds), std::end(kClassEnds),
                                           [next](std::int64_t e) { return next <= e; });
    return static_cast<std::size_t>(std::min<std::int64_t>(static_cast<std::int64_t>(waiting), end - counter));
}

}  // namespace

// The Errors rows go up to kErrorsPerInsert to a statement.
void LogWriter::insertErrors() {
    const std::size_t total = errorsInGroup_.size();
    for (std::size_t i = 0; i < total;) {
        const std::size_t n =
            ErrorsKeepingTheLogAsOneByOne(errorCounter_, std::min<std::size_t>(total - i, kErrorsPerInsert));
        if (n == 1) {
            Run(stmts().insertError, errorsInGroup_[i]);
        } else {
            auto& s = stmts().insertErrors[n];
            if (!s.isPrepared()) s = db_.prepare(rows::Error::GroupSql(static_cast<int>(n)));
            for (std::size_t r = 0; r < n; ++r)
                errorsInGroup_[i + r].Bind(s, static_cast<int>(r) * rows::Error::kColumns + 1);
            s.run();
        }
        errorCounter_ = db_.lastInsertRowid();
        i += n;
    }
}

void LogWriter::commit() {
    stmts();
    db_.exec("COMMIT");
    inTransaction_ = false;
    db_.exec("BEGIN");
    inTransaction_ = true;
    markCleared_ = false;
    changesAtBegin_ = sqlite3_total_changes64(db_.handle());
}

}  // namespace quorvex
