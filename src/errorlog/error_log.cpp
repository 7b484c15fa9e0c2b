#include "errorlog/error_log.h"

#include <sqlite3.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <system_error>

#include "errorlog/schema.h"
#include "common/text_1252.h"

namespace quorvex {

namespace fs = std::filesystem;

struct ErrorLog::Statements {
    sql::Statement insertRecord, updateRecord, deleteRecord, insertError, bumpErrors;
    sql::Statement insertMisc, updatePinOK;
    sql::Statement insertTRT, insertTRU, updateTRT, updateTRU;
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

void BindText1252(sql::Statement& st, int index, std::string_view text) {
    if (IsAscii(text))
        st.bindText(index, text);
    else
        st.bindText(index, Cp1252ToUtf8(text));
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

void RemoveLogFiles(const fs::path& file) {
    for (const char* suffix : {"-journal", "-wal", "-shm"}) {
        std::error_code ec;
        fs::remove(fs::path(file.string() + suffix), ec);
    }
    std::error_code ec;
    if (!fs::remove(file, ec) && ec) throw LogFailure{ec.value(), "Cannot delete " + file.string() + ": " + ec.message()};
}

}  // namespace

ErrorLog::ErrorLog() = default;
ErrorLog::ErrorLog(ErrorLog&&) noexcept = default;
ErrorLog& ErrorLog::operator=(ErrorLog&&) noexcept = default;

ErrorLog::~ErrorLog() {
    try {
        CloseDatabase();
    } catch (...) {
    }
}

fs::path ErrorLog::PathIn(const fs::path& folder) { return folder / kErrorLogName; }

std::optional<fs::path> ErrorLog::Find(const fs::path& folder) {
    std::error_code ec;
    for (auto it = fs::directory_iterator(folder, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.size() != kErrorLogName.size()) continue;
        bool same = true;
        for (std::size_t i = 0; i < name.size() && same; ++i)
            same = std::toupper(static_cast<unsigned char>(name[i])) ==
                   std::toupper(static_cast<unsigned char>(kErrorLogName[i]));
        std::error_code typeError;
        if (same && it->is_regular_file(typeError)) return it->path();
    }
    return std::nullopt;
}

void ErrorLog::DeleteMDB(const fs::path& folder) {
    for (int attempt = 0;; ++attempt) {
        try {
            std::optional<fs::path> found = Find(folder);
            if (!found) return;
            const fs::path& file = *found;
            CheckReplaceable(file);
            RemoveLogFiles(file);
            return;
        } catch (const LogFailure&) {
            if (attempt == 1) throw;
        }
    }
}

ErrorLog ErrorLog::CreateMDB(const fs::path& folder) {
    ErrorLog log;
    log.path_ = PathIn(folder);
    try {
        // A journal left behind by an earlier log must not be replayed into the new one.
        RemoveLogFiles(log.path_);
        log.db_ = sql::Database(log.path_.string(), true);
        log.db_.exec("PRAGMA encoding = 'UTF-8'; PRAGMA page_size = 16384; PRAGMA journal_mode = DELETE; PRAGMA synchronous = NORMAL; "
                     "PRAGMA cache_size = -8000");
        log.db_.exec("BEGIN");
        Create_Misc(log.db_);
        Create_RECORDS(log.db_);
        Create_ERRORS(log.db_);
        Create_TRT(log.db_);
        Create_TRU(log.db_);
        log.db_.exec("COMMIT");
        log.db_.exec("BEGIN");
        log.inTransaction_ = true;

        auto st = std::make_unique<Statements>();
        auto& d = log.db_;
        st->insertRecord = d.prepare(
            "INSERT INTO Records (Rec_Num, ID, RE_Indx, Errors, Record, RecReference) VALUES (?1, ?2, ?3, ?4, ?5, ?6)");
        st->updateRecord = d.prepare(
            "UPDATE Records SET RE_Indx = ?2, Errors = ?3, Record = ?4, RecReference = ?5 WHERE Rec_Num = ?1");
        st->deleteRecord = d.prepare("DELETE FROM Records WHERE Rec_Num = ?1");
        st->insertError = d.prepare(
            "INSERT INTO Errors (Type, Rec_Num, Reference, User_Entry, Error) VALUES (?1, ?2, ?3, ?4, ?5)");
        st->bumpErrors = d.prepare("UPDATE Records SET Errors = COALESCE(Errors, 0) + 1 WHERE Rec_Num = ?1");
        st->insertMisc = d.prepare("INSERT INTO Misc (Path, RptDate) VALUES (?1, ?2)");
        st->updatePinOK = d.prepare("UPDATE Misc SET PinOK = ?1 WHERE Data_Id = (SELECT MAX(Data_Id) FROM Misc)");
        st->insertTRT = d.prepare("INSERT INTO TRT (RE_EIN) VALUES (?1)");
        st->insertTRU = d.prepare("INSERT INTO TRU (RE_EIN) VALUES (?1)");
        st->updateTRT = d.prepare(TotalsUpdate("TRT", kTrtFields));
        st->updateTRU = d.prepare(TotalsUpdate("TRU", kTruFields));
        log.st_ = std::move(st);
    } catch (const sql::DbError& e) {
        throw FromDb(e);
    }
    return log;
}

bool ErrorLog::IsOpen() const { return db_.isOpen(); }

ErrorLog::Statements& ErrorLog::st() {
    if (!st_) throw LogFailure{SQLITE_MISUSE, "The error log " + path_.string() + " is closed."};
    if (!inTransaction_)
        throw LogFailure{SQLITE_ABORT, "The error log " + path_.string() + " can no longer be written."};
    return *st_;
}

const LogReader& ErrorLog::Read() {
    if (!db_.isOpen()) throw LogFailure{SQLITE_MISUSE, "The error log " + path_.string() + " is closed."};
    Sync();
    // Made here, not kept from creation: the log may have moved since, and its connection with it.
    reader_.emplace(db_);
    return *reader_;
}

void ErrorLog::CloseDatabase() {
    if (!db_.isOpen()) return;
    try {
        if (inTransaction_) {
            Sync();
            db_.exec("COMMIT");
            inTransaction_ = false;
        }
    } catch (const sql::DbError& e) {
        st_.reset();
        db_.close();
        inTransaction_ = false;
        throw FromDb(e);
    }
    st_.reset();
    db_.close();
}

void ErrorLog::Commit() {
    if (!inTransaction_) return;
    try {
        Sync();
        db_.exec("COMMIT");
        inTransaction_ = false;
        db_.exec("BEGIN");
        inTransaction_ = true;
    } catch (const sql::DbError& e) {
        throw Failed(e);
    }
}

LogFailure ErrorLog::Failed(const sql::DbError& e) {
    // The engine may have rolled the transaction back: nothing more is written then, so no
    // row can reach the file on its own, out of order.
    if (db_.isOpen()) inTransaction_ = sqlite3_get_autocommit(db_.handle()) == 0;
    return FromDb(e);
}

void ErrorLog::Sync() {
    if (!st_ || !inTransaction_) return;
    try {
        flushRecord();
        if (trt_ && trt_->dirty) flushBlock(*trt_, false);
        if (tru_ && tru_->dirty) flushBlock(*tru_, true);
    } catch (const sql::DbError& e) {
        throw Failed(e);
    }
}

void ErrorLog::flushRecord() {
    if (cur_.recNum == 0) return;
    if (!cur_.stored) {
        auto& s = st().insertRecord;
        s.bind(1, cur_.recNum);
        BindText1252(s, 2, cur_.id);
        if (cur_.reIndx) s.bind(3, *cur_.reIndx); else s.bindNull(3);
        s.bind(4, cur_.errors);
        BindText1252(s, 5, cur_.record);
        if (cur_.recReference) BindText1252(s, 6, *cur_.recReference); else s.bindNull(6);
        s.run();
        cur_.stored = true;
        cur_.dirty = false;
    } else if (cur_.dirty) {
        auto& s = st().updateRecord;
        s.bind(1, cur_.recNum);
        if (cur_.reIndx) s.bind(2, *cur_.reIndx); else s.bindNull(2);
        s.bind(3, cur_.errors);
        BindText1252(s, 4, cur_.record);
        if (cur_.recReference) BindText1252(s, 5, *cur_.recReference); else s.bindNull(5);
        s.run();
        cur_.dirty = false;
    }
}

void ErrorLog::flushBlock(Block& b, bool tru) {
    auto& s = tru ? st().updateTRU : st().updateTRT;
    int fields = tru ? kTruFields : kTrtFields;
    s.bind(1, b.count);
    for (int n = 1; n <= fields; ++n) {
        s.bind(2 * n, b.sums[n]);
        BindText1252(s, 2 * n + 1, b.errRefs[n]);
    }
    s.bind(2 * fields + 2, b.indx);
    s.run();
    b.dirty = false;
}

// --- Misc ---------------------------------------------------------------------------------

void ErrorLog::AddMisc(std::string_view path, std::string_view rptDate) {
    try {
        auto& s = st().insertMisc;
        BindText1252(s, 1, path);
        BindText1252(s, 2, rptDate);
        s.run();
    } catch (const sql::DbError& e) {
        throw Failed(e);
    }
}

void ErrorLog::SetPinOK(bool ok) {
    try {
        st().updatePinOK.bind(1, std::int64_t{ok ? 1 : 0});
        st().updatePinOK.run();
    } catch (const sql::DbError& e) {
        throw Failed(e);
    }
}

// --- Records ------------------------------------------------------------------------------

std::int64_t ErrorLog::AddRecord(std::string_view id, std::string_view record) {
    try {
        flushRecord();
    } catch (const sql::DbError& e) {
        throw Failed(e);
    }
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

void ErrorLog::DeleteLastRecord() {
    if (cur_.recNum == 0) return;
    try {
        if (cur_.stored) {
            st().deleteRecord.bind(1, cur_.recNum);
            st().deleteRecord.run();
        }
        --recordCount_;
        if (cur_.errors > 0) --recordsWithErrors_;
        const std::string& id = cur_.id;
        if (id.size() == 2 && (id[0] == 'R' || id[0] == 'r') && (id[1] == 'W' || id[1] == 'w')) --rwCount_;
        // The row before it becomes the current record again.
        cur_ = PendingRecord{};
        auto q = db_.prepare("SELECT Rec_Num, ID, RE_Indx, Errors, Record, RecReference FROM Records "
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
    } catch (const sql::DbError& e) {
        throw Failed(e);
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
    try {
        auto& s = st().insertError;
        if (critical) s.bindText(1, "C"); else s.bindNull(1);
        s.bind(2, recNum);
        BindText1252(s, 3, reference);
        BindText1252(s, 4, userEntry);
        BindText1252(s, 5, errorText);
        s.run();
    } catch (const sql::DbError& e) {
        throw Failed(e);
    }
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
    try {
        auto q = db_.prepare("SELECT Errors FROM Records WHERE Rec_Num = ?1");
        q.bind(1, recNum);
        if (q.step() && q.int64(0) == 0) ++recordsWithErrors_;
        st().bumpErrors.bind(1, recNum);
        st().bumpErrors.run();
    } catch (const sql::DbError& e) {
        throw Failed(e);
    }
}

// --- Blocks -------------------------------------------------------------------------------

std::int64_t ErrorLog::OpenBlock(std::string_view ein) {
    try {
        if (trt_ && trt_->dirty) flushBlock(*trt_, false);
        if (tru_ && tru_->dirty) flushBlock(*tru_, true);
        BindText1252(st().insertTRT, 1, ein);
        st().insertTRT.run();
        std::int64_t indx = db_.lastInsertRowid();
        BindText1252(st().insertTRU, 1, ein);
        st().insertTRU.run();
        std::int64_t truIndx = db_.lastInsertRowid();
        trt_.emplace();
        trt_->indx = indx;
        trt_->ein.assign(ein);
        trt_->errRefs.fill("None");
        tru_.emplace();
        tru_->indx = truIndx;
        tru_->ein.assign(ein);
        tru_->errRefs.fill("None");
        return indx;
    } catch (const sql::DbError& e) {
        throw Failed(e);
    }
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
