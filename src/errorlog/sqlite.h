#pragma once

#include <chrono>
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

// Test seam for failures of the environment: the `n`th database operation from now on
// (opening a connection, executing SQL, or a step of a statement) fails as "disk I/O
// error"; 0 turns it off. Returns what was left of the previous countdown: 0 once the
// planted failure has happened. Lets the tests reach every failure path of the log.
long FailNthOperation(long n);

// Test seam for a slow disk: every database operation from now on first waits `delay`
// (zero turns it off), so that a test can have a writer fall behind its producer.
void DelayEachOperation(std::chrono::microseconds delay);

// Test seam for failures of the disk under the log, at a point a test names: a statement
// that fails before the engine runs it, or a file operation of the engine (opening a file,
// writing, syncing) that fails as a full or failing disk makes it fail, so that the engine
// goes through its own recovery.
enum class FaultAt { Statement, Open, Write, Sync };
struct PlantedFault {
    FaultAt at = FaultAt::Statement;
    // With `during`: the statement (or the first operation made while the statement runs)
    // that is the `nth` whose SQL begins with `during`. Without: the `nth` file operation of
    // the kind from now on.
    std::string during;
    long nth = 0;   // 0: no fault
    int code = 0;   // the engine's result code, e.g. SQLITE_FULL
    bool lasting = false;  // every later one of the kind fails too: a disk that stays full
};
// Plants `fault` (a default PlantedFault removes it). Returns whether the previous one struck.
bool PlantFault(PlantedFault fault);

// One open database connection; closed when the object goes.
class Database {
public:
    Database() = default;
    // Opens (and with `create`, creates) the file. Throws DbError.
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

    int columnCount() const;
    std::string columnName(int col) const;
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
