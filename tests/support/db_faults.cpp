#include "support/db_faults.h"

#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>

namespace quorvex::sql {

namespace {

std::atomic<long> failCountdown{0};
std::atomic<long> delayMicros{0};

// --- Planted faults ----------------------------------------------------------------------

std::atomic<bool> faultPlanted{false};
std::mutex faultMutex;
PlantedFault fault;
long faultCounted = 0;
bool faultStruck = false;
// This thread runs the statement during which the planted file operation fails.
thread_local bool statementArmed = false;

// The result of a file operation `at`: the planted code when it fails, else SQLITE_OK.
int Strike(FaultAt at, bool writable = true) {
    if (!faultPlanted.load(std::memory_order_relaxed)) return SQLITE_OK;
    std::lock_guard lock(faultMutex);
    if (fault.at != at || fault.nth == 0 || (fault.writableOnly && !writable)) return SQLITE_OK;
    if (faultStruck) return fault.lasting ? fault.code : SQLITE_OK;
    if (fault.during.empty() ? ++faultCounted != fault.nth : !statementArmed) return SQLITE_OK;
    faultStruck = true;
    return fault.code;
}

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
    [](sqlite3_file* f, int offset, int n, int flags) {
        return Real(f)->pMethods->xShmLock(Real(f), offset, n, flags);
    },
    [](sqlite3_file* f) { Real(f)->pMethods->xShmBarrier(Real(f)); },
    [](sqlite3_file* f, int deleteFlag) { return Real(f)->pMethods->xShmUnmap(Real(f), deleteFlag); },
    [](sqlite3_file* f, sqlite3_int64 o, int n, void** p) { return Real(f)->pMethods->xFetch(Real(f), o, n, p); },
    [](sqlite3_file* f, sqlite3_int64 o, void* p) { return Real(f)->pMethods->xUnfetch(Real(f), o, p); },
};

int FaultOpen(sqlite3_vfs*, const char* name, sqlite3_file* file, int flags, int* outFlags) {
    auto* f = reinterpret_cast<FaultFile*>(file);
    f->base.pMethods = nullptr;
    if (int rc = Strike(FaultAt::Open, (flags & SQLITE_OPEN_READWRITE) != 0)) return rc;
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

// The watch the core calls on every operation on the log.
class Faults final : public OperationWatch {
public:
    // The planted failure of FailNthOperation, when this operation is the one; the planted
    // delay of DelayEachOperation.
    void Operation() override {
        if (const long us = delayMicros.load(std::memory_order_relaxed); us > 0)
            std::this_thread::sleep_for(std::chrono::microseconds(us));
        if (failCountdown.load(std::memory_order_relaxed) > 0 && failCountdown.fetch_sub(1) == 1)
            throw DbError(SQLITE_IOERR, sqlite3_errstr(SQLITE_IOERR));
    }

    // Marks the statement `sql` as running on this thread until it ends; throws when the
    // planted fault is this statement.
    void StatementBegins(const char* sql) override {
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

    void StatementEnds() override { statementArmed = false; }
};

// Installed by the first planting: until then the log runs as in the programs.
void Watch() {
    static Faults faults;
    static std::once_flag once;
    std::call_once(once, [] { WatchOperations(&faults); });
}

}  // namespace

bool PlantFault(PlantedFault planted) {
    ConfigureEngine();
    InstallFaultVfs();
    Watch();
    std::lock_guard lock(faultMutex);
    const bool struck = faultStruck;
    fault = std::move(planted);
    faultCounted = 0;
    faultStruck = false;
    faultPlanted.store(fault.nth != 0);
    return struck;
}

long FailNthOperation(long n) {
    Watch();
    return std::max(0L, failCountdown.exchange(n < 0 ? 0 : n));
}

void DelayEachOperation(std::chrono::microseconds delay) {
    Watch();
    delayMicros.store(std::max<long>(0, static_cast<long>(delay.count())));
}

}  // namespace quorvex::sql
