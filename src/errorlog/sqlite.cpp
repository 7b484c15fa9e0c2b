#include "errorlog/sqlite.h"

#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>

namespace quorvex::sql {

namespace {

std::atomic<long> failCountdown{0};
std::atomic<long> delayMicros{0};

// The planted failure of FailNthOperation, when this operation is the one; the planted
// delay of DelayEachOperation.
void MaybeFail() {
    if (const long us = delayMicros.load(std::memory_order_relaxed); us > 0)
        std::this_thread::sleep_for(std::chrono::microseconds(us));
    if (failCountdown.load(std::memory_order_relaxed) > 0 && failCountdown.fetch_sub(1) == 1)
        throw DbError(SQLITE_IOERR, sqlite3_errstr(SQLITE_IOERR));
}

// --- Planted faults ----------------------------------------------------------------------

std::atomic<bool> faultPlanted{false};
std::mutex faultMutex;
PlantedFault fault;
long faultCounted = 0;
bool faultStruck = false;
// This thread runs the statement during which the planted file operation fails.
thread_local bool statementArmed = false;

// The result of a file operation `at`: the planted code when it fails, else SQLITE_OK.
int Strike(FaultAt at) {
    if (!faultPlanted.load(std::memory_order_relaxed)) return SQLITE_OK;
    std::lock_guard lock(faultMutex);
    if (fault.at != at || fault.nth == 0) return SQLITE_OK;
    if (faultStruck) return fault.lasting ? fault.code : SQLITE_OK;
    if (fault.during.empty() ? ++faultCounted != fault.nth : !statementArmed) return SQLITE_OK;
    faultStruck = true;
    return fault.code;
}

// Marks the statement `sql` as running on this thread while it lives; throws when the
// planted fault is this statement.
class StatementScope {
public:
    explicit StatementScope(const char* sql) {
        if (!faultPlanted.load(std::memory_order_relaxed) || !sql) return;
        std::lock_guard lock(faultMutex);
        if (fault.nth == 0 || fault.during.empty() || std::string_view(sql).rfind(fault.during, 0) != 0) return;
        if (faultStruck) {
            if (fault.lasting && fault.at == FaultAt::Statement) throw DbError(fault.code, sqlite3_errstr(fault.code));
            return;
        }
        if (++faultCounted != fault.nth) return;
        if (fault.at == FaultAt::Statement) {
            faultStruck = true;
            throw DbError(fault.code, sqlite3_errstr(fault.code));
        }
        statementArmed = true;
    }
    ~StatementScope() { statementArmed = false; }
    StatementScope(const StatementScope&) = delete;
    StatementScope& operator=(const StatementScope&) = delete;
};

// The file system of the engine with the planted faults: every call goes to the default
// one, but opening, writing and syncing may fail first. Installed by the first PlantFault.
sqlite3_vfs* realVfs = nullptr;

struct FaultFile {
    sqlite3_file base;
    sqlite3_file* real;  // the default file system's, right after this one
};

sqlite3_file* Real(sqlite3_file* f) { return reinterpret_cast<FaultFile*>(f)->real; }

const sqlite3_io_methods kFaultIo = {
    3,
    [](sqlite3_file* f) { return Real(f)->pMethods->xClose(Real(f)); },
    [](sqlite3_file* f, void* b, int n, sqlite3_int64 o) { return Real(f)->pMethods->xRead(Real(f), b, n, o); },
    [](sqlite3_file* f, const void* b, int n, sqlite3_int64 o) {
        if (int rc = Strike(FaultAt::Write)) return rc;
        return Real(f)->pMethods->xWrite(Real(f), b, n, o);
    },
    [](sqlite3_file* f, sqlite3_int64 size) { return Real(f)->pMethods->xTruncate(Real(f), size); },
    [](sqlite3_file* f, int flags) {
        if (int rc = Strike(FaultAt::Sync)) return rc;
        return Real(f)->pMethods->xSync(Real(f), flags);
    },
    [](sqlite3_file* f, sqlite3_int64* size) { return Real(f)->pMethods->xFileSize(Real(f), size); },
    [](sqlite3_file* f, int lock) { return Real(f)->pMethods->xLock(Real(f), lock); },
    [](sqlite3_file* f, int lock) { return Real(f)->pMethods->xUnlock(Real(f), lock); },
    [](sqlite3_file* f, int* out) { return Real(f)->pMethods->xCheckReservedLock(Real(f), out); },
    [](sqlite3_file* f, int op, void* arg) { return Real(f)->pMethods->xFileControl(Real(f), op, arg); },
    [](sqlite3_file* f) { return Real(f)->pMethods->xSectorSize(Real(f)); },
    [](sqlite3_file* f) { return Real(f)->pMethods->xDeviceCharacteristics(Real(f)); },
    [](sqlite3_file* f, int page, int size, int extend, void volatile** out) {
        return Real(f)->pMethods->xShmMap(Real(f), page, size, extend, out);
    },
    [](sqlite3_file* f, int offset, int n, int flags) { return Real(f)->pMethods->xShmLock(Real(f), offset, n, flags); },
    [](sqlite3_file* f) { Real(f)->pMethods->xShmBarrier(Real(f)); },
    [](sqlite3_file* f, int deleteFlag) { return Real(f)->pMethods->xShmUnmap(Real(f), deleteFlag); },
    [](sqlite3_file* f, sqlite3_int64 o, int n, void** p) { return Real(f)->pMethods->xFetch(Real(f), o, n, p); },
    [](sqlite3_file* f, sqlite3_int64 o, void* p) { return Real(f)->pMethods->xUnfetch(Real(f), o, p); },
};

int FaultOpen(sqlite3_vfs*, const char* name, sqlite3_file* file, int flags, int* outFlags) {
    auto* f = reinterpret_cast<FaultFile*>(file);
    f->base.pMethods = nullptr;
    if (int rc = Strike(FaultAt::Open)) return rc;
    f->real = reinterpret_cast<sqlite3_file*>(f + 1);
    const int rc = realVfs->xOpen(realVfs, name, f->real, flags, outFlags);
    if (f->real->pMethods) f->base.pMethods = &kFaultIo;
    return rc;
}

void InstallFaultVfs() {
    static std::once_flag once;
    std::call_once(once, [] {
        static sqlite3_vfs vfs;
        realVfs = sqlite3_vfs_find(nullptr);
        vfs = *realVfs;
        vfs.pNext = nullptr;
        vfs.zName = "quorvex-faults";
        vfs.szOsFile = static_cast<int>(sizeof(FaultFile)) + realVfs->szOsFile;
        vfs.xOpen = FaultOpen;
        sqlite3_vfs_register(&vfs, 1);
    });
}

// The engine's memory statistics take a global lock on every allocation, a dozen times per
// stored record; nothing here reads them. Must happen before the engine starts.
void ConfigureEngine() {
    static std::once_flag once;
    std::call_once(once, [] { sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0); });
}

[[noreturn]] void fail(sqlite3* db, int rc) {
    std::string msg = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    throw DbError(rc, msg);
}
}  // namespace

bool PlantFault(PlantedFault planted) {
    ConfigureEngine();
    InstallFaultVfs();
    std::lock_guard lock(faultMutex);
    const bool struck = faultStruck;
    fault = std::move(planted);
    faultCounted = 0;
    faultStruck = false;
    faultPlanted.store(fault.nth != 0);
    return struck;
}

long FailNthOperation(long n) { return std::max(0L, failCountdown.exchange(n < 0 ? 0 : n)); }

void DelayEachOperation(std::chrono::microseconds delay) {
    delayMicros.store(std::max<long>(0, static_cast<long>(delay.count())));
}

Database::Database(const std::string& path, bool create, bool readOnly) {
    ConfigureEngine();
    MaybeFail();
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
    MaybeFail();
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
    MaybeFail();
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

int Statement::columnCount() const { return sqlite3_column_count(stmt_); }

std::string Statement::columnName(int col) const {
    const char* n = sqlite3_column_name(stmt_, col);
    return n ? n : "";
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
