#include "errorlog/error_log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <new>
#include <system_error>

#include "common/text_1252.h"
#include "errorlog/log_rows.h"
#include "errorlog/schema.h"
#include "errorlog/writer_thread.h"

namespace quorvex {

namespace fs = std::filesystem;

struct ErrorLog::Statements {
    sql::Statement insertRecord, insertRecords, updateRecord, deleteRecord, insertError, bumpErrors;
    sql::Statement insertMisc, updatePinOK;
    sql::Statement insertTRT, insertTRU, updateTRT, updateTRU;
    sql::Statement markEnded;
};

namespace {

// Consecutive new records are inserted this many to a statement: the statement's own work
// (among it the update of the table's counter) is done once for all of them.
constexpr int kRecordGroup = 32;
// How long a write waits for a reader of another program to let go of the file.
constexpr int kWriterBusyTimeoutMs = 30000;
constexpr int kRecordColumns = 6;

std::string InsertRecordsSql(int rows) {
    std::string sql = "INSERT INTO Records (Rec_Num, ID, RE_Indx, Errors, Record, RecReference) VALUES ";
    for (int r = 0; r < rows; ++r) {
        sql += r ? ", (" : "(";
        for (int c = 1; c <= kRecordColumns; ++c)
            sql += "?" + std::to_string(r * kRecordColumns + c) + (c < kRecordColumns ? ", " : ")");
    }
    return sql;
}

// The values of an InsertRecord row, in the order of the statement's columns.
struct RecordValues {
    std::int64_t recNum = 0;
    std::string_view id;
    std::optional<std::int64_t> reIndx;
    std::int64_t errors = 0;
    std::string_view record;
    std::optional<std::string_view> recReference;

    void Read(rows::In& in) {
        recNum = in.Int();
        id = in.Text();
        reIndx = in.OptInt();
        errors = in.Int();
        record = in.Text();
        recReference = in.OptText();
    }
    void Bind(sql::Statement& s, int first) const;
};

}  // namespace

// The writing half: the connection, its statements and its transaction. It applies ready
// rows, on the caller's thread or on the writer thread, never on both at once.
struct ErrorLog::Writer {
    std::string path;
    sql::Database db;
    std::unique_ptr<Statements> st;
    bool inTransaction = false;
    // The engine's count of changed rows when the transaction began: equal at the end, the
    // transaction wrote nothing and needs no commit.
    std::int64_t changesAtBegin = 0;
    // The in-progress mark was cleared in this transaction (a change the count misses).
    bool markCleared = false;

    // Whether the transaction has written anything.
    bool Changed() const { return markCleared || sqlite3_total_changes64(db.handle()) != changesAtBegin; }
    // The statements; a LogFailure once the log is closed or its transaction lost.
    Statements& Stmts();
    // The LogFailure of a failed write, noting whether the transaction survived it.
    LogFailure Failed(const sql::DbError& e);
    // Writes the rows of `batch` in order. Throws LogFailure.
    void Apply(const ByteBatch& batch);
    // The Records rows from an InsertRecord row on (its kind already read): the run of such
    // rows that follow one another, in statements of kRecordGroup rows where they fill one.
    void InsertRecords(rows::In& in);
    std::array<RecordValues, kRecordGroup> group;  // the rows of one statement
};

namespace {

LogFailure FromDb(const sql::DbError& e) { return LogFailure{e.code(), e.what()}; }


std::string TotalsUpdate(const char* table, int fields) {
    std::string sql = std::string("UPDATE ") + table + " SET \"0\" = ?1";
    for (int n = 1; n <= fields; ++n) {
        sql += ", \"" + std::to_string(n) + "\" = ?" + std::to_string(2 * n);
        sql += ", F" + std::to_string(n) + "ErrRef = ?" + std::to_string(2 * n + 1);
    }
    sql += " WHERE Indx = ?" + std::to_string(2 * fields + 2);
    return sql;
}

// Rows leave in batches of about this size; four batches are the most in flight.
constexpr std::size_t kBatchBytes = 256 * 1024;
constexpr std::size_t kBatches = 4;

void BindOptText(sql::Statement& st, int index, const std::optional<std::string_view>& text) {
    if (text) st.bindTextNoCopy(index, *text);
    else st.bindNull(index);
}

void BindOptInt(sql::Statement& st, int index, const std::optional<std::int64_t>& value) {
    if (value) st.bind(index, *value);
    else st.bindNull(index);
}

void RecordValues::Bind(sql::Statement& s, int first) const {
    s.bind(first, recNum);
    s.bindTextNoCopy(first + 1, id);
    BindOptInt(s, first + 2, reIndx);
    s.bind(first + 3, errors);
    s.bindTextNoCopy(first + 4, record);
    BindOptText(s, first + 5, recReference);
}

// Refuses to replace a log that another program has open in a transaction, or that is read-only.
void CheckReplaceable(const fs::path& file) {
    // A file marked read-only is left alone, even for a user whom the system would let delete it.
    std::error_code ec;
    auto perms = fs::status(file, ec).permissions();
    bool readOnly = !ec && (perms & (fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write)) ==
                               fs::perms::none;
    if (readOnly || ::access(file.c_str(), W_OK) != 0) {
        int err = readOnly ? EACCES : errno;
        throw LogFailure{err, "The error log " + file.string() + " is read-only and cannot be replaced. The results "
                                  "of the last test were left as they are."};
    }
    try {
        sql::Database probe(file.string(), false);
        sqlite3_busy_timeout(probe.handle(), 200);
        // In exclusive locking mode the probe needs the file to itself in WAL mode too,
        // where a plain exclusive transaction would not wait for readers.
        probe.exec("PRAGMA locking_mode = EXCLUSIVE");
        probe.exec("BEGIN EXCLUSIVE");
        probe.exec("ROLLBACK");
    } catch (const sql::DbError& e) {
        if (e.code() == SQLITE_BUSY || e.code() == SQLITE_LOCKED)
            throw LogFailure{e.code(), "The error log " + file.string() +
                                           " is in use by another program. The results of the last test were "
                                           "left as they are; close the other program and try again."};
        // A damaged file is simply replaced.
    }
}

// Removes the log, then its journal and WAL files: a log that stays keeps the files it needs.
// A symbolic link is removed, never the file it points to.
void RemoveLogFiles(const fs::path& file) {
    std::error_code ec;
    if (!fs::remove(file, ec) && ec) {
        const int err = ec.value();
        if (err == EACCES || err == EPERM || err == EROFS)
            throw LogFailure{err, "The error log " + file.string() + " cannot be replaced: the folder " +
                                      file.parent_path().string() + " is read-only (" + ec.message() +
                                      "). The results of the last test were left as they are."};
        throw LogFailure{err, "Cannot delete " + file.string() + ": " + ec.message()};
    }
    for (const char* suffix : {"-journal", "-wal", "-shm"}) fs::remove(fs::path(file.string() + suffix), ec);
}

bool IsLogName(const std::string& name) {
    if (name.size() != kErrorLogName.size()) return false;
    for (std::size_t i = 0; i < name.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(name[i])) !=
            std::toupper(static_cast<unsigned char>(kErrorLogName[i])))
            return false;
    return true;
}

// Every regular file in `folder` named as the log in any case.
std::vector<fs::path> LogFilesIn(const fs::path& folder) {
    std::vector<fs::path> files;
    std::error_code ec;
    for (auto it = fs::directory_iterator(folder, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
        std::error_code typeError;
        if (IsLogName(it->path().filename().string()) && it->is_regular_file(typeError)) files.push_back(it->path());
    }
    return files;
}

// Makes the new log's empty file (the database takes an empty file as a new database), so
// that a failure is told with the folder and its cause rather than the database's
// "unable to open database file". A journal left behind by an earlier log is removed first:
// it must not be replayed into the new one.
void MakeLogFile(const fs::path& file) {
    const std::string folder = file.parent_path().string();
    std::error_code ec;
    const fs::file_status status = fs::status(file.parent_path(), ec);
    if (!fs::exists(status)) {
        // A folder removed since the program started is made again, private to its owner.
        fs::create_directories(file.parent_path(), ec);
        if (!ec) fs::permissions(file.parent_path(), fs::perms::owner_all, ec);
        if (ec)
            throw LogFailure{ec.value(), "The error log cannot be created: the program folder " + folder +
                                             " cannot be created (" + ec.message() + ")."};
    } else if (!fs::is_directory(status)) {
        throw LogFailure{ENOTDIR, "The error log cannot be created: the program folder " + folder + " is not a folder."};
    }
    RemoveLogFiles(file);
    // The database's limit holds for the name of the log's journal too, 8 characters longer.
    const std::size_t longest = static_cast<std::size_t>(sqlite3_vfs_find(nullptr)->mxPathname) - 8;
    const std::size_t length = fs::absolute(file, ec).string().size();
    if (length > longest)
        throw LogFailure{ENAMETOOLONG, "The error log cannot be created in " + folder + ": its path has " +
                                           std::to_string(length) + " characters, more than the " +
                                           std::to_string(longest) +
                                           " the database accepts. Choose a program folder with a shorter path."};
    // Readable by its owner only, whatever the umask: the log holds Social Security numbers
    // (its journal gets the same mode from the database engine).
    int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        const int err = errno;
        throw LogFailure{err, "The error log cannot be created in " + folder + ": " + std::strerror(err) + "."};
    }
    ::fchmod(fd, 0600);
    ::close(fd);
}

}  // namespace



// --- The writing half ---------------------------------------------------------------------

ErrorLog::Statements& ErrorLog::Writer::Stmts() {
    if (!st) throw LogFailure{SQLITE_MISUSE, "The error log " + path + " is closed."};
    if (!inTransaction) throw LogFailure{SQLITE_ABORT, "The error log " + path + " can no longer be written."};
    return *st;
}

LogFailure ErrorLog::Writer::Failed(const sql::DbError& e) {
    // The engine may have rolled the transaction back: nothing more is written then, so no
    // row can reach the file on its own, out of order.
    if (db.isOpen()) inTransaction = sqlite3_get_autocommit(db.handle()) == 0;
    return FromDb(e);
}

void ErrorLog::Writer::Apply(const ByteBatch& batch) {
    using rows::Kind;
    rows::In in(batch.data(), batch.data() + batch.size());
    try {
        while (!in.AtEnd()) {
            switch (in.GetKind()) {
                case Kind::InsertRecord:
                    InsertRecords(in);
                    break;
                case Kind::UpdateRecord: {
                    auto& s = Stmts().updateRecord;
                    s.bind(1, in.Int());
                    in.Text();  // the identifier does not change
                    BindOptInt(s, 2, in.OptInt());
                    s.bind(3, in.Int());
                    s.bindTextNoCopy(4, in.Text());
                    BindOptText(s, 5, in.OptText());
                    s.run();
                    break;
                }
                case Kind::DeleteRecord: {
                    auto& s = Stmts().deleteRecord;
                    s.bind(1, in.Int());
                    s.run();
                    break;
                }
                case Kind::InsertError: {
                    auto& s = Stmts().insertError;
                    if (in.Bool()) s.bindText(1, "C");
                    else s.bindNull(1);
                    s.bind(2, in.Int());
                    s.bindTextNoCopy(3, in.Text());
                    s.bindTextNoCopy(4, in.Text());
                    s.bindTextNoCopy(5, in.Text());
                    s.run();
                    break;
                }
                case Kind::BumpErrors: {
                    auto& s = Stmts().bumpErrors;
                    s.bind(1, in.Int());
                    s.run();
                    break;
                }
                case Kind::InsertMisc: {
                    auto& s = Stmts().insertMisc;
                    s.bindTextNoCopy(1, in.Text());
                    s.bindTextNoCopy(2, in.Text());
                    s.run();
                    break;
                }
                case Kind::UpdatePinOK: {
                    auto& s = Stmts().updatePinOK;
                    s.bind(1, std::int64_t{in.Bool() ? 1 : 0});
                    s.run();
                    break;
                }
                case Kind::InsertBlock: {
                    const std::int64_t indx = in.Int();
                    const std::string_view ein = in.Text();
                    for (sql::Statement* s : {&Stmts().insertTRT, &Stmts().insertTRU}) {
                        s->bind(1, indx);
                        s->bindTextNoCopy(2, ein);
                        s->run();
                    }
                    break;
                }
                case Kind::UpdateBlock: {
                    const bool tru = in.Bool();
                    auto& s = tru ? Stmts().updateTRU : Stmts().updateTRT;
                    const int fields = tru ? kTruFields : kTrtFields;
                    s.bind(1, in.Int());
                    for (int n = 1; n <= fields; ++n) s.bind(2 * n, in.Real());
                    for (int n = 1; n <= fields; ++n) s.bindTextNoCopy(2 * n + 1, in.Text());
                    s.bind(2 * fields + 2, in.Int());
                    s.run();
                    break;
                }
                case Kind::MarkEnded:
                    Stmts().markEnded.run();
                    markCleared = true;
                    break;
                case Kind::Commit:
                    Stmts();
                    db.exec("COMMIT");
                    inTransaction = false;
                    db.exec("BEGIN");
                    inTransaction = true;
                    markCleared = false;
                    changesAtBegin = sqlite3_total_changes64(db.handle());
                    break;
            }
        }
    } catch (const sql::DbError& e) {
        throw Failed(e);
    }
}

void ErrorLog::Writer::InsertRecords(rows::In& in) {
    int n = 0;
    group[n++].Read(in);
    while (n < kRecordGroup && in.NextIs(rows::Kind::InsertRecord)) group[n++].Read(in);
    if (n == kRecordGroup) {
        auto& s = Stmts().insertRecords;
        for (int r = 0; r < n; ++r) group[r].Bind(s, r * kRecordColumns + 1);
        s.run();
        return;
    }
    for (int r = 0; r < n; ++r) {
        auto& s = Stmts().insertRecord;
        group[r].Bind(s, 1);
        s.run();
    }
}

// --- The log --------------------------------------------------------------------------------

ErrorLog::ErrorLog() = default;
ErrorLog::ErrorLog(ErrorLog&&) noexcept = default;

ErrorLog& ErrorLog::operator=(ErrorLog&& other) noexcept {
    // The writer thread of this log must end (and the log be closed) before any part of it
    // is replaced.
    if (this != &other) {
        this->~ErrorLog();
        new (this) ErrorLog(std::move(other));
    }
    return *this;
}

ErrorLog::~ErrorLog() {
    try {
        CloseDatabase();
    } catch (...) {
    }
}

fs::path ErrorLog::PathIn(const fs::path& folder) { return folder / kErrorLogName; }

std::optional<fs::path> ErrorLog::Find(const fs::path& folder) {
    std::vector<fs::path> files = LogFilesIn(folder);
    if (files.empty()) return std::nullopt;
    return files.front();
}

void ErrorLog::DeleteMDB(const fs::path& folder) {
    for (int attempt = 0;; ++attempt) {
        try {
            // Every spelling of the name is checked before any is removed: one in use keeps them all.
            const std::vector<fs::path> files = LogFilesIn(folder);
            for (const fs::path& file : files) CheckReplaceable(file);
            for (const fs::path& file : files) RemoveLogFiles(file);
            return;
        } catch (const LogFailure&) {
            if (attempt == 1) throw;
        }
    }
}

ErrorLog ErrorLog::CreateMDB(const fs::path& folder) {
    ErrorLog log;
    log.path_ = PathIn(folder);
    log.w_ = std::make_unique<Writer>();
    Writer& w = *log.w_;
    w.path = log.path_.string();
    try {
        // A new, empty file; a journal left behind by an earlier log must not be replayed into it.
        MakeLogFile(log.path_);
        w.db = sql::Database(log.path_.string(), true);
        // Another program reading the file (a database browser, a backup) holds the writer
        // off for a while, not for good.
        sqlite3_busy_timeout(w.db.handle(), kWriterBusyTimeoutMs);
        w.db.exec("PRAGMA encoding = 'UTF-8'; PRAGMA page_size = 16384; PRAGMA journal_mode = DELETE; PRAGMA synchronous = NORMAL; "
                  "PRAGMA cache_size = -8000");
        w.db.exec("BEGIN");
        // Marked as in progress from its first commit on.
        w.db.exec("PRAGMA user_version = " + std::to_string(kRunInProgressMark));
        Create_Misc(w.db);
        Create_RECORDS(w.db);
        Create_ERRORS(w.db);
        Create_TRT(w.db);
        Create_TRU(w.db);
        w.db.exec("COMMIT");
        w.db.exec("BEGIN");
        w.inTransaction = true;
        w.changesAtBegin = sqlite3_total_changes64(w.db.handle());

        auto st = std::make_unique<Statements>();
        auto& d = w.db;
        st->insertRecord = d.prepare(
            "INSERT INTO Records (Rec_Num, ID, RE_Indx, Errors, Record, RecReference) VALUES (?1, ?2, ?3, ?4, ?5, ?6)");
        st->insertRecords = d.prepare(InsertRecordsSql(kRecordGroup));
        st->updateRecord = d.prepare(
            "UPDATE Records SET RE_Indx = ?2, Errors = ?3, Record = ?4, RecReference = ?5 WHERE Rec_Num = ?1");
        st->deleteRecord = d.prepare("DELETE FROM Records WHERE Rec_Num = ?1");
        st->insertError = d.prepare(
            "INSERT INTO Errors (Type, Rec_Num, Reference, User_Entry, Error) VALUES (?1, ?2, ?3, ?4, ?5)");
        st->bumpErrors = d.prepare("UPDATE Records SET Errors = COALESCE(Errors, 0) + 1 WHERE Rec_Num = ?1");
        st->insertMisc = d.prepare("INSERT INTO Misc (Path, RptDate) VALUES (?1, ?2)");
        st->updatePinOK = d.prepare("UPDATE Misc SET PinOK = ?1 WHERE Data_Id = (SELECT MAX(Data_Id) FROM Misc)");
        // Block rows are numbered here (1, 2, ... as the table would number them), so that
        // the run knows a block's Indx without waiting for its row.
        st->insertTRT = d.prepare("INSERT INTO TRT (Indx, RE_EIN) VALUES (?1, ?2)");
        st->insertTRU = d.prepare("INSERT INTO TRU (Indx, RE_EIN) VALUES (?1, ?2)");
        st->updateTRT = d.prepare(TotalsUpdate("TRT", kTrtFields));
        st->updateTRU = d.prepare(TotalsUpdate("TRU", kTruFields));
        st->markEnded = d.prepare("PRAGMA user_version = 0");
        w.st = std::move(st);
    } catch (const sql::DbError& e) {
        // A log that was never ready is not left behind: it would read as a run without records.
        w.st.reset();
        w.db.close();
        try {
            RemoveLogFiles(log.path_);
        } catch (const LogFailure&) {
        }
        throw LogFailure{e.code(), "The error log cannot be created in " + folder.string() + ": " + e.what() + "."};
    }
    return log;
}

LogFailure ErrorLog::EndIncomplete(const LogFailure& failure) {
    const std::string& cause = failure.description;
    std::int64_t kept = 0;
    if (w_) {
        // What the writer had not written yet goes with the transaction.
        thread_.reset();
        pendingFailure_ = nullptr;
        direct_.clear();
        reader_.reset();
        Writer& w = *w_;
        w.st.reset();
        w.inTransaction = false;
        try {
            if (!w.db.isOpen()) w.db = sql::Database(path_.string(), false);
            // Back to the last commit: every record there is whole, with its errors and totals.
            if (sqlite3_get_autocommit(w.db.handle()) == 0) w.db.exec("ROLLBACK");
            auto last = w.db.prepare("SELECT MAX(Rec_Num) FROM Records");
            kept = last.step() && !last.isNull(0) ? last.int64(0) : 0;
            last = sql::Statement();
            if (kept > 0) {
                const std::string folder = Utf8ToCp1252(path_.parent_path().string());
                w.db.exec("BEGIN");
                auto notice = w.db.prepare(
                    "INSERT INTO Errors (Type, Rec_Num, Reference, User_Entry, Error) VALUES ('C', ?1, ?2, ?3, ?4)");
                notice.bind(1, kept);
                notice.bindText(2, Cp1252ToUtf8(kLogIncompleteReference));
                notice.bindText(3, Cp1252ToUtf8(cause));
                notice.bindText(4, Cp1252ToUtf8("The error log in " + folder + " could not be written after this record (" +
                                                cause + "). The records after it are not in the log: these results "
                                                "are incomplete. Correct the cause and run the test again."));
                notice.run();
                auto bump = w.db.prepare("UPDATE Records SET Errors = COALESCE(Errors, 0) + 1 WHERE Rec_Num = ?1");
                bump.bind(1, kept);
                bump.run();
                // The notice is the run's written end.
                w.db.exec("PRAGMA user_version = 0");
                w.db.exec("COMMIT");
            }
        } catch (const sql::DbError&) {
            kept = 0;
        }
        w.db.close();
    }
    std::string told = "The error log " + Utf8ToCp1252(path_.string()) + " could not be written: " + cause;
    if (!told.empty() && told.back() != '.') told += '.';
    if (kept > 0) {
        told += " Testing stopped; the log keeps records 1 to " + std::to_string(kept) +
                ", and its last error says that it is incomplete.";
    } else {
        // Nothing that could be mistaken for a complete run stays behind.
        try {
            RemoveLogFiles(path_);
        } catch (const LogFailure&) {
        }
        told += " Testing stopped; no error log was kept.";
    }
    return LogFailure{failure.number, told};
}

bool ErrorLog::IsOpen() const { return w_ && w_->db.isOpen(); }

// --- The writer thread ------------------------------------------------------------------

void ErrorLog::StartWriterThread() {
    if (thread_ || !IsOpen()) return;
    Writer* w = w_.get();
    thread_ = std::make_unique<WriterThread>([w](const ByteBatch& batch) { w->Apply(batch); }, kBatches,
                                             kBatchBytes);
}

void ErrorLog::StopWriterThread() {
    if (!thread_) return;
    try {
        thread_->Drain();
    } catch (...) {
        pendingFailure_ = std::current_exception();
    }
    thread_.reset();
    if (pendingFailure_) reloadAfterFailure();
}

void ErrorLog::Drain() {
    if (!thread_) {
        if (pendingFailure_) std::rethrow_exception(std::exchange(pendingFailure_, nullptr));
        return;
    }
    try {
        thread_->Drain();
    } catch (...) {
        // The rows after the failing one were dropped: from here on the log is written at
        // once, from what the file holds.
        thread_.reset();
        reloadAfterFailure();
        throw;
    }
}

ByteBatch& ErrorLog::out() { return thread_ ? thread_->Batch() : direct_; }

void ErrorLog::rowDone() {
    if (thread_) {
        if (thread_->HasFailed()) Drain();  // throws the failure
        thread_->RowDone();
        return;
    }
    try {
        if (pendingFailure_) std::rethrow_exception(std::exchange(pendingFailure_, nullptr));
        if (!w_) throw LogFailure{SQLITE_MISUSE, "The error log " + path_.string() + " is closed."};
        w_->Apply(direct_);
    } catch (...) {
        direct_.clear();
        throw;
    }
    direct_.clear();
}

bool ErrorLog::writable() const { return thread_ || (w_ && w_->st && w_->inTransaction); }

void ErrorLog::reloadAfterFailure() {
    // What the file holds is what the run has written; rows the writer did not reach are
    // not counted. The file may no longer be readable either: then the counts stay.
    try {
        cur_ = PendingRecord{};
        loadLastRecord();
        auto count = [this](const char* sql) {
            auto q = w_->db.prepare(sql);
            return q.step() && !q.isNull(0) ? q.int64(0) : std::int64_t{0};
        };
        recordCount_ = count("SELECT COUNT(*) FROM Records");
        recordsWithErrors_ = count("SELECT COUNT(*) FROM Records WHERE Errors > 0");
        rwCount_ = count("SELECT COUNT(*) FROM Records WHERE ID = 'RW'");
        errorCount_ = count("SELECT COUNT(*) FROM Errors");
        lastErrorCritical_ = count("SELECT Type = 'C' FROM Errors ORDER BY Err_Num DESC LIMIT 1") != 0;
    } catch (const sql::DbError&) {
    }
    // Totals the writer did not reach are not written any more.
    if (trt_) trt_->dirty = false;
    if (tru_) tru_->dirty = false;
}

// --- Transactions -------------------------------------------------------------------------

const LogReader& ErrorLog::Read() {
    if (!IsOpen()) throw LogFailure{SQLITE_MISUSE, "The error log " + path_.string() + " is closed."};
    Sync();
    // Made here, not kept from creation: the log may have moved since, and its connection with it.
    reader_.emplace(w_->db);
    return *reader_;
}

void ErrorLog::CloseDatabase() {
    if (!IsOpen()) return;
    // A failure of the writer thread or of the last rows leaves the log open, so that the
    // next attempt (at the latest the destructor's) can still commit what was written.
    StopWriterThread();
    if (pendingFailure_) std::rethrow_exception(std::exchange(pendingFailure_, nullptr));
    if (w_->inTransaction) {
        // The program closes the log: its run has ended, whatever it wrote last.
        MarkEnded();
        Sync();
        try {
            // A transaction that wrote nothing ends with the connection.
            if (w_->Changed()) w_->db.exec("COMMIT");
            w_->inTransaction = false;
        } catch (const sql::DbError& e) {
            w_->st.reset();
            w_->db.close();
            w_->inTransaction = false;
            throw FromDb(e);
        }
    }
    w_->st.reset();
    w_->db.close();
}

void ErrorLog::Commit() {
    if (!writable()) return;
    flushRecord();
    if (trt_ && trt_->dirty) flushBlock(*trt_, false);
    if (tru_ && tru_->dirty) flushBlock(*tru_, true);
    rows::Out(out()).Put(rows::Kind::Commit);
    rowDone();
}

void ErrorLog::MarkEnded() {
    if (ended_ || !writable()) return;
    ended_ = true;
    rows::Out(out()).Put(rows::Kind::MarkEnded);
    rowDone();
}

void ErrorLog::Sync() {
    if (!writable()) return;
    flushRecord();
    if (trt_ && trt_->dirty) flushBlock(*trt_, false);
    if (tru_ && tru_->dirty) flushBlock(*tru_, true);
    Drain();
}

void ErrorLog::flushRecord() {
    if (cur_.recNum == 0 || (cur_.stored && !cur_.dirty)) return;
    rows::Out o(out());
    o.Put(cur_.stored ? rows::Kind::UpdateRecord : rows::Kind::InsertRecord);
    o.Put(cur_.recNum);
    o.Text(cur_.id);
    o.Put(cur_.reIndx);
    o.Put(cur_.errors);
    o.Text(cur_.record);
    o.OptText(cur_.recReference ? std::optional<std::string_view>(*cur_.recReference) : std::nullopt);
    rowDone();
    cur_.stored = true;
    cur_.dirty = false;
}

void ErrorLog::flushBlock(Block& b, bool tru) {
    const int fields = tru ? kTruFields : kTrtFields;
    rows::Out o(out());
    o.Put(rows::Kind::UpdateBlock);
    o.Put(tru);
    o.Put(b.count);
    for (int n = 1; n <= fields; ++n) o.Put(b.sums[n]);
    for (int n = 1; n <= fields; ++n) o.Text(b.errRefs[n]);
    o.Put(b.indx);
    rowDone();
    b.dirty = false;
}

// --- Misc ---------------------------------------------------------------------------------

void ErrorLog::AddMisc(std::string_view path, std::string_view rptDate) {
    rows::Out o(out());
    o.Put(rows::Kind::InsertMisc);
    o.Utf8Text(ValidUtf8(path));
    o.Text(rptDate);
    rowDone();
}

void ErrorLog::SetPinOK(bool ok) {
    rows::Out o(out());
    o.Put(rows::Kind::UpdatePinOK);
    o.Put(ok);
    rowDone();
}

// --- Records ------------------------------------------------------------------------------

std::int64_t ErrorLog::AddRecord(std::string_view id, std::string_view record) {
    flushRecord();
    cur_.recNum = nextRecNum_++;
    cur_.id.assign(id);
    cur_.record.assign(record);
    cur_.errors = 0;
    cur_.recReference.reset();
    cur_.reIndx.reset();
    cur_.stored = false;
    cur_.dirty = false;
    ++recordCount_;
    if (id.size() == 2 && (id[0] == 'R' || id[0] == 'r') && (id[1] == 'W' || id[1] == 'w')) ++rwCount_;
    return cur_.recNum;
}

void ErrorLog::loadLastRecord() {
    auto q = w_->db.prepare("SELECT Rec_Num, ID, RE_Indx, Errors, Record, RecReference FROM Records "
                            "ORDER BY Rec_Num DESC LIMIT 1");
    if (q.step()) {
        cur_.recNum = q.int64(0);
        cur_.id = Utf8ToCp1252(q.text(1));
        if (!q.isNull(2)) cur_.reIndx = q.int64(2);
        cur_.errors = q.int64(3);
        cur_.record = Utf8ToCp1252(q.text(4));
        if (!q.isNull(5)) cur_.recReference = Utf8ToCp1252(q.text(5));
        cur_.stored = true;
    }
}

void ErrorLog::DeleteLastRecord() {
    if (cur_.recNum == 0) return;
    if (cur_.stored) {
        rows::Out o(out());
        o.Put(rows::Kind::DeleteRecord);
        o.Put(cur_.recNum);
        rowDone();
    }
    // The row before it is read back from the file.
    Drain();
    try {
        --recordCount_;
        if (cur_.errors > 0) --recordsWithErrors_;
        const std::string& id = cur_.id;
        if (id.size() == 2 && (id[0] == 'R' || id[0] == 'r') && (id[1] == 'W' || id[1] == 'w')) --rwCount_;
        // The row before it becomes the current record again.
        cur_ = PendingRecord{};
        loadLastRecord();
    } catch (const sql::DbError& e) {
        throw w_->Failed(e);
    }
}

void ErrorLog::SetRecReference(std::string_view ref) {
    cur_.recReference = std::string(ref);
    cur_.dirty = cur_.stored;
}

void ErrorLog::SetReIndx(std::int64_t reIndx) {
    cur_.reIndx = reIndx;
    cur_.dirty = cur_.stored;
}

void ErrorLog::SetRecordText(std::string_view record) {
    cur_.record.assign(record);
    cur_.dirty = cur_.stored;
}

// --- Errors -------------------------------------------------------------------------------

void ErrorLog::addError(std::int64_t recNum, std::string_view reference, std::string_view userEntry,
                        std::string_view errorText, bool critical) {
    rows::Out o(out());
    o.Put(rows::Kind::InsertError);
    o.Put(critical);
    o.Put(recNum);
    o.Text(reference);
    o.Text(userEntry);
    o.Text(errorText);
    rowDone();
    ++errorCount_;
    lastErrorCritical_ = critical;
}

void ErrorLog::LogError(std::string_view reference, std::string_view userEntry, std::string_view errorText) {
    addError(cur_.recNum, reference, userEntry, errorText, false);
    if (cur_.errors++ == 0) ++recordsWithErrors_;
    cur_.dirty = cur_.stored;
}

void ErrorLog::LogCritError(std::string_view reference, std::string_view userEntry, std::string_view errorText) {
    addError(cur_.recNum, reference, userEntry, errorText, true);
    if (cur_.errors++ == 0) ++recordsWithErrors_;
    cur_.dirty = cur_.stored;
}

void ErrorLog::LogErrorFor(std::int64_t recNum, std::string_view reference, std::string_view userEntry,
                           std::string_view errorText) {
    if (recNum == cur_.recNum) {
        LogError(reference, userEntry, errorText);
        return;
    }
    addError(recNum, reference, userEntry, errorText, false);
    // The record's count is read back from the file.
    Drain();
    try {
        auto q = w_->db.prepare("SELECT Errors FROM Records WHERE Rec_Num = ?1");
        q.bind(1, recNum);
        if (q.step() && q.int64(0) == 0) ++recordsWithErrors_;
    } catch (const sql::DbError& e) {
        throw w_->Failed(e);
    }
    rows::Out o(out());
    o.Put(rows::Kind::BumpErrors);
    o.Put(recNum);
    rowDone();
}

// --- Blocks -------------------------------------------------------------------------------

std::int64_t ErrorLog::OpenBlock(std::string_view ein) {
    if (trt_ && trt_->dirty) flushBlock(*trt_, false);
    if (tru_ && tru_->dirty) flushBlock(*tru_, true);
    const std::int64_t indx = nextBlockIndx_;
    rows::Out o(out());
    o.Put(rows::Kind::InsertBlock);
    o.Put(indx);
    o.Text(ein);
    rowDone();
    ++nextBlockIndx_;
    for (auto* block : {&trt_, &tru_}) {
        *block = Block{};  // assigned: clang cannot emplace it here
        (*block)->indx = indx;
        (*block)->ein.assign(ein);
        (*block)->errRefs.fill("None");
    }
    return indx;
}

std::optional<std::pair<std::int64_t, std::string>> ErrorLog::LastBlock() const {
    if (!trt_) return std::nullopt;
    return std::make_pair(trt_->indx, trt_->ein);
}

void ErrorLog::SetCurrentSsn(std::string_view ssn) { currentSsn_.assign(ssn); }

void ErrorLog::addTo(std::optional<Block>& block, int fields, int column, bool linkRecord, double amount) {
    if (!block || column < 0 || column > fields) return;
    if (column == 0)
        block->count += static_cast<std::int64_t>(amount);
    else
        block->sums[column] += amount;
    block->dirty = true;
    if (linkRecord) {
        cur_.recReference = currentSsn_;
        cur_.reIndx = block->indx;
        cur_.dirty = cur_.stored;
    }
}

void ErrorLog::setErrRef(std::optional<Block>& block, int fields, int n) {
    if (!block || n < 1 || n > fields) return;
    if (block->errRefs[n] == "None") {
        block->errRefs[n] = currentSsn_;
        block->dirty = true;
    }
}

void ErrorLog::AddTRT(int column, bool linkRecord, double amount) { addTo(trt_, kTrtFields, column, linkRecord, amount); }
void ErrorLog::AddTRU(int column, bool linkRecord, double amount) { addTo(tru_, kTruFields, column, linkRecord, amount); }
void ErrorLog::SetTRTErrRef(int n) { setErrRef(trt_, kTrtFields, n); }
void ErrorLog::SetTRUErrRef(int n) { setErrRef(tru_, kTruFields, n); }

}  // namespace quorvex
