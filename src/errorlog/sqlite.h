#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

struct sqlite3;
struct sqlite3_stmt;

namespace quorvex::sql {

// A failure reported by the database engine: the engine's result code and its text.
class DbError : public std::runtime_error {
public:
    DbError(int code, const std::string& what) : std::runtime_error(what), code_(code) {}
    int code() const { return code_; }

private:
    int code_;
};

class Statement;

// Sets the engine up before anything starts it: the programs read no memory statistics,
// which cost a global lock on every allocation, a dozen times per stored record.
void ConfigureEngine();

// What a test library hooks into the operations on the log, to plant failures of the
// environment (a failing or slow disk); the programs install none.
class OperationWatch {
public:
    // Before every operation: opening a connection, executing SQL, a step of a statement.
    // May throw DbError.
    virtual void Operation() = 0;
    // The statement `sql` (null when unknown) starts on this thread; may throw DbError.
    virtual void StatementBegins(const char* sql) = 0;
    // And has ended (whether or not it threw).
    virtual void StatementEnds() = 0;

protected:
    ~OperationWatch() = default;
};
// Installs `watch` (null: none); it must outlive every later operation.
void WatchOperations(OperationWatch* watch);

// One open database connection; closed when the object goes.
class Database {
public:
    Database() = default;
    // Opens (and with `create`, creates) the file, defensive and trusting nothing of its schema
    // (SQLITE_DBCONFIG_DEFENSIVE, trusted_schema off). Throws DbError.
    Database(const std::string& path, bool create, bool readOnly = false);
    ~Database();
    Database(Database&& other) noexcept : db_(std::exchange(other.db_, nullptr)) {}
    Database& operator=(Database&& other) noexcept;
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    bool isOpen() const { return db_ != nullptr; }
    void close();
    void exec(std::string_view sql);
    Statement prepare(std::string_view sql);
    std::int64_t lastInsertRowid() const;
    sqlite3* handle() const { return db_; }

private:
    sqlite3* db_ = nullptr;
};

// A prepared statement. Text is bound and read as UTF-8.
class Statement {
public:
    Statement() = default;
    Statement(sqlite3* db, std::string_view sql);
    ~Statement();
    Statement(Statement&& other) noexcept
        : db_(std::exchange(other.db_, nullptr)), stmt_(std::exchange(other.stmt_, nullptr)) {}
    Statement& operator=(Statement&& other) noexcept;
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    bool isPrepared() const { return stmt_ != nullptr; }

    Statement& bind(int index, std::int64_t value);
    Statement& bind(int index, double value);
    Statement& bindText(int index, std::string_view utf8);
    // Binds text without copying it: it must stay unchanged until the statement is reset.
    Statement& bindTextNoCopy(int index, std::string_view utf8);
    Statement& bindNull(int index);

    // Steps once; true when a row is available.
    bool step();
    // Steps to completion of a statement that returns no rows, then resets it.
    void run();
    void reset();

    bool isNull(int col) const;
    std::int64_t int64(int col) const;
    double real(int col) const;
    std::string text(int col) const;

private:
    void check(int rc) const;
    sqlite3* db_ = nullptr;
    sqlite3_stmt* stmt_ = nullptr;
};

}  // namespace quorvex::sql
