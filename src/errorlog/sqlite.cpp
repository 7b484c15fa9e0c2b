#include "errorlog/sqlite.h"

#include <sqlite3.h>

#include <atomic>
#include <mutex>

namespace quorvex::sql {

namespace {

std::atomic<OperationWatch*> watch{nullptr};

// Before every operation: what a watching test library plants.
void BeforeOperation() {
    if (OperationWatch* w = watch.load(std::memory_order_acquire)) w->Operation();
}

// Tells a watching test library that the statement `sql` runs on this thread while this
// lives; it may throw when that statement is to fail.
class StatementScope {
public:
    explicit StatementScope(const char* sql) : watch_(watch.load(std::memory_order_acquire)) {
        if (watch_) watch_->StatementBegins(sql);
    }
    ~StatementScope() {
        if (watch_) watch_->StatementEnds();
    }
    StatementScope(const StatementScope&) = delete;
    StatementScope& operator=(const StatementScope&) = delete;

private:
    OperationWatch* watch_;
};

[[noreturn]] void fail(sqlite3* db, int rc) {
    std::string msg = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    throw DbError(rc, msg);
}
}  // namespace

void ConfigureEngine() {
    static std::once_flag once;
    std::call_once(once, [] { sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0); });
}

void WatchOperations(OperationWatch* w) { watch.store(w, std::memory_order_release); }

Database::Database(const std::string& path, bool create, bool readOnly) {
    ConfigureEngine();
    BeforeOperation();
    int flags = readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE;
    if (create) flags |= SQLITE_OPEN_CREATE;
    int rc = sqlite3_open_v2(path.c_str(), &db_, flags | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        std::string msg = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
        sqlite3_close(db_);
        db_ = nullptr;
        throw DbError(rc, msg);
    }
    sqlite3_extended_result_codes(db_, 0);
    // A file may come from anyone: what its schema holds (a view, a trigger, a default) runs
    // no function with side effects, and no statement can write the schema or the file's
    // structure behind the engine's back.
    sqlite3_db_config(db_, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    sqlite3_db_config(db_, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
}

Database::~Database() { close(); }

Database& Database::operator=(Database&& other) noexcept {
    if (this != &other) {
        close();
        db_ = std::exchange(other.db_, nullptr);
    }
    return *this;
}

void Database::close() {
    if (db_) {
        sqlite3_close_v2(db_);
        db_ = nullptr;
    }
}

void Database::exec(std::string_view sql) {
    BeforeOperation();
    std::string text(sql);
    StatementScope scope(text.c_str());
    char* err = nullptr;
    int rc = sqlite3_exec(db_, text.c_str(), nullptr, nullptr, &err);
    if (rc != SQLITE_OK) {
        std::string msg = err ? err : sqlite3_errstr(rc);
        sqlite3_free(err);
        throw DbError(rc, msg);
    }
}

Statement Database::prepare(std::string_view sql) { return Statement(db_, sql); }

std::int64_t Database::lastInsertRowid() const { return sqlite3_last_insert_rowid(db_); }

Statement::Statement(sqlite3* db, std::string_view sql) : db_(db) {
    int rc = sqlite3_prepare_v3(db, sql.data(), static_cast<int>(sql.size()), SQLITE_PREPARE_PERSISTENT,
                                &stmt_, nullptr);
    if (rc != SQLITE_OK) fail(db, rc);
}

Statement::~Statement() {
    if (stmt_) sqlite3_finalize(stmt_);
}

Statement& Statement::operator=(Statement&& other) noexcept {
    if (this != &other) {
        if (stmt_) sqlite3_finalize(stmt_);
        db_ = std::exchange(other.db_, nullptr);
        stmt_ = std::exchange(other.stmt_, nullptr);
    }
    return *this;
}

void Statement::check(int rc) const {
    if (rc != SQLITE_OK) fail(db_, rc);
}

Statement& Statement::bind(int index, std::int64_t value) {
    check(sqlite3_bind_int64(stmt_, index, value));
    return *this;
}

Statement& Statement::bind(int index, double value) {
    check(sqlite3_bind_double(stmt_, index, value));
    return *this;
}

Statement& Statement::bindText(int index, std::string_view utf8) {
    check(sqlite3_bind_text(stmt_, index, utf8.data(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT));
    return *this;
}

Statement& Statement::bindTextNoCopy(int index, std::string_view utf8) {
    check(sqlite3_bind_text(stmt_, index, utf8.data(), static_cast<int>(utf8.size()), SQLITE_STATIC));
    return *this;
}

Statement& Statement::bindNull(int index) {
    check(sqlite3_bind_null(stmt_, index));
    return *this;
}

bool Statement::step() {
    BeforeOperation();
    StatementScope scope(sqlite3_sql(stmt_));
    int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    sqlite3_reset(stmt_);
    fail(db_, rc);
}

void Statement::run() {
    while (step()) {
    }
    reset();
}

void Statement::reset() {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
}


bool Statement::isNull(int col) const { return sqlite3_column_type(stmt_, col) == SQLITE_NULL; }

std::int64_t Statement::int64(int col) const { return sqlite3_column_int64(stmt_, col); }

double Statement::real(int col) const { return sqlite3_column_double(stmt_, col); }

std::string Statement::text(int col) const {
    auto p = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, col));
    int n = sqlite3_column_bytes(stmt_, col);
    return p ? std::string(p, static_cast<size_t>(n)) : std::string();
}

}  // namespace quorvex::sql
