#include "check/baselines.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace bench {

namespace fs = std::filesystem;

namespace {

struct DbCloser {
    void operator()(sqlite3* db) const { sqlite3_close(db); }
};
struct StmtFinalizer {
    void operator()(sqlite3_stmt* st) const { sqlite3_finalize(st); }
};

void Check(sqlite3* db, int rc, const char* what) {
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW)
        throw std::runtime_error(std::string(what) + ": " + sqlite3_errmsg(db));
}

// What the log's Records table holds of one record besides its text: the record type, its
// block (the count of RE records so far, for records of a block) and its reference (RA: the
// submitter's EIN, RE/RT/RU: the block's EIN, RW and the RO after it: the employee's SSN).
class RecordColumns {
public:
    void Take(std::string_view rec) {
        id = rec.substr(0, 2);
        reference.reset();
        if (id == "RE") {
            ++block_;
            blockEin_.assign(rec.size() >= 16 ? rec.substr(7, 9) : std::string_view());
            reference = blockEin_;
        } else if (id == "RA") {
            reference = rec.substr(2, 9);
        } else if (id == "RW") {
            ssn_.assign(rec.size() >= 11 ? rec.substr(2, 9) : std::string_view());
            reference = ssn_;
        } else if (id == "RO") {
            reference = ssn_;
        } else if (id == "RT" || id == "RU") {
            reference = blockEin_;
        }
        const bool inBlock = block_ > 0 && (id == "RE" || id == "RW" || id == "RO" || id == "RT" || id == "RU");
        block = inBlock ? block_ : 0;
    }

    std::string_view id;
    long long block = 0;  // 0: none
    std::optional<std::string_view> reference;

private:
    long long block_ = 0;
    std::string blockEin_, ssn_;
};

// Calls `store` with every record of `file`, cut as the reader cuts them: at CR or LF (skipped
// while nothing is collected) or after 512 characters.
template <typename Store>
void ForEachRecord(const fs::path& file, Store&& store) {
    const int fd = open(file.c_str(), O_RDONLY);
    if (fd < 0) throw std::runtime_error("cannot open " + file.string() + ": " + std::strerror(errno));
    std::vector<char> chunk(1 << 20);
    char record[512];
    std::size_t length = 0;
    for (;;) {
        const ssize_t n = read(fd, chunk.data(), chunk.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            close(fd);
            throw std::runtime_error("cannot read " + file.string() + ": " + std::strerror(errno));
        }
        if (n == 0) break;
        for (ssize_t i = 0; i < n; ++i) {
            const char c = chunk[static_cast<std::size_t>(i)];
            if (c == '\r' || c == '\n') {
                if (length > 0) {
                    store(std::string_view(record, length));
                    length = 0;
                }
                continue;
            }
            record[length++] = c;
            if (length == sizeof record) {
                store(std::string_view(record, length));
                length = 0;
            }
        }
    }
    close(fd);
    if (length > 0) store(std::string_view(record, length));
}

std::unique_ptr<sqlite3, DbCloser> OpenBaseline(const fs::path& dbPath, const char* pragmas, const char* createTable) {
    sqlite3* raw = nullptr;
    if (sqlite3_open(dbPath.c_str(), &raw) != SQLITE_OK) {
        std::string msg = raw ? sqlite3_errmsg(raw) : "out of memory";
        sqlite3_close(raw);
        throw std::runtime_error("cannot open " + dbPath.string() + ": " + msg);
    }
    std::unique_ptr<sqlite3, DbCloser> db(raw);
    if (pragmas) Check(db.get(), sqlite3_exec(db.get(), pragmas, nullptr, nullptr, nullptr), "pragmas");
    Check(db.get(), sqlite3_exec(db.get(), createTable, nullptr, nullptr, nullptr), "create table");
    Check(db.get(), sqlite3_exec(db.get(), "BEGIN", nullptr, nullptr, nullptr), "begin");
    return db;
}

std::unique_ptr<sqlite3_stmt, StmtFinalizer> Prepare(sqlite3* db, const std::string& sql) {
    sqlite3_stmt* raw = nullptr;
    Check(db, sqlite3_prepare_v2(db, sql.c_str(), -1, &raw, nullptr), "prepare");
    return std::unique_ptr<sqlite3_stmt, StmtFinalizer>(raw);
}

// The floor, as floor_insert.c writes it.
constexpr int kFloorGroup = 32;

struct FloorRow {
    const char* rec;
    int len;
    long long block;
    const char* ref;
};

sqlite3_stmt* PrepareFloor(sqlite3* db, int rows) {
    std::string sql = "INSERT INTO Records(Rec_Num, ID, RE_Indx, Errors, Record, RecReference) VALUES";
    for (int i = 0; i < rows; ++i) sql += i ? ",(?,?,?,0,?,?)" : "(?,?,?,0,?,?)";
    sqlite3_stmt* st = nullptr;
    Check(db, sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr), "prepare");
    return st;
}

void FlushFloor(sqlite3* db, sqlite3_stmt* st, const FloorRow* rows, int n, long long first) {
    for (int i = 0; i < n; ++i) {
        const int p = 5 * i;
        sqlite3_bind_int64(st, p + 1, first + i);
        sqlite3_bind_text(st, p + 2, rows[i].rec, rows[i].len < 2 ? rows[i].len : 2, SQLITE_STATIC);
        if (rows[i].block) sqlite3_bind_int64(st, p + 3, rows[i].block);
        else sqlite3_bind_null(st, p + 3);
        sqlite3_bind_text(st, p + 4, rows[i].rec, rows[i].len, SQLITE_STATIC);
        if (rows[i].ref) sqlite3_bind_text(st, p + 5, rows[i].ref, 9, SQLITE_STATIC);
        else sqlite3_bind_null(st, p + 5);
    }
    Check(db, sqlite3_step(st), "insert");
    sqlite3_reset(st);
}

long long FloorInsertHere(const fs::path& file, const fs::path& dbPath) {
    const int fd = open(file.c_str(), O_RDONLY);
    struct stat sb {};
    if (fd < 0 || fstat(fd, &sb) != 0) throw std::runtime_error("cannot open " + file.string());
    const auto size = static_cast<std::size_t>(sb.st_size);
    void* map = size ? mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0) : nullptr;
    if (map == MAP_FAILED) throw std::runtime_error("cannot map " + file.string());
    if (size) madvise(map, size, MADV_SEQUENTIAL);
    const char* p = static_cast<const char*>(map);
    const char* end = p + size;
    auto db =
        OpenBaseline(dbPath, "PRAGMA page_size = 16384; PRAGMA synchronous = NORMAL;",
                     "CREATE TABLE Records (Rec_Num INTEGER CONSTRAINT \"Record Index\" PRIMARY KEY AUTOINCREMENT,"
                     " ID VARCHAR(2) COLLATE NOCASE, RE_Indx INTEGER, Errors SMALLINT, Record TEXT COLLATE NOCASE,"
                     " RecReference VARCHAR(9) COLLATE NOCASE)");
    sqlite3_stmt* full = PrepareFloor(db.get(), kFloorGroup);
    FloorRow rows[kFloorGroup];
    long long n = 0, block = 0;
    const char *ein = nullptr, *ssn = nullptr;
    int k = 0;
    while (p < end) {
        const char* nl = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
        const char* e = nl ? nl : end;
        int len = static_cast<int>(e - p);
        if (len && p[len - 1] == '\r') --len;
        if (len >= 16) {
            FloorRow& r = rows[k];
            r = {p, len, 0, nullptr};
            const char a = p[0], b = p[1];
            if (a == 'R' && b == 'E') ++block, ein = p + 7, r.ref = ein, r.block = block;
            else if (a == 'R' && b == 'A') r.ref = p + 2;
            else if (a == 'R' && b == 'W') ssn = p + 2, r.ref = ssn, r.block = block;
            else if (a == 'R' && b == 'O') r.ref = ssn, r.block = block;
            else if (a == 'R' && (b == 'T' || b == 'U')) r.ref = ein, r.block = block;
            if (++k == kFloorGroup) FlushFloor(db.get(), full, rows, kFloorGroup, n + 1), n += kFloorGroup, k = 0;
        }
        p = e + 1;
    }
    if (k) {
        sqlite3_stmt* rest = PrepareFloor(db.get(), k);
        FlushFloor(db.get(), rest, rows, k, n + 1);
        n += k;
        sqlite3_finalize(rest);
    }
    sqlite3_finalize(full);
    Check(db.get(), sqlite3_exec(db.get(), "COMMIT", nullptr, nullptr, nullptr), "commit");
    db.reset();
    if (map) munmap(map, size);
    close(fd);
    return n;
}

double CpuSecondsOf(const rusage& u) {
    auto s = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
    return s(u.ru_utime) + s(u.ru_stime);
}

}  // namespace

long long CountRecords(const fs::path& file) {
    const int fd = open(file.c_str(), O_RDONLY);
    struct stat sb {};
    if (fd < 0 || fstat(fd, &sb) != 0) throw std::runtime_error("cannot open " + file.string());
    const auto size = static_cast<std::size_t>(sb.st_size);
    void* map = size ? mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0) : nullptr;
    close(fd);
    if (map == MAP_FAILED) throw std::runtime_error("cannot map " + file.string());
    const char* p = static_cast<const char*>(map);
    const char* end = p + size;
    long long n = 0;
    while (p < end) {
        const char* nl = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
        const char* e = nl ? nl : end;
        std::size_t len = static_cast<std::size_t>(e - p);
        if (len && p[len - 1] == '\r') --len;
        n += len >= 16;
        p = e + 1;
    }
    if (map) munmap(map, size);
    return n;
}

ChildRun FloorInsert(const fs::path& file, const fs::path& dbPath, const fs::path& floorExe, long long& stored) {
    // The program prints its count to the standard output, which is dropped: the count is
    // the one of the other kinds.
    if (!floorExe.empty())
        return RunChild({floorExe.string(), file.string(), dbPath.string()}, dbPath.string() + ".err");
    int result[2];
    if (pipe(result) != 0) throw std::runtime_error(std::string("pipe failed: ") + std::strerror(errno));
    const auto start = Clock::now();
    const pid_t pid = fork();
    if (pid < 0) throw std::runtime_error(std::string("fork failed: ") + std::strerror(errno));
    if (pid == 0) {
        close(result[0]);
        try {
            sqlite3_shutdown();
            if (sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0) != SQLITE_OK)
                throw std::runtime_error("cannot turn the engine's memory statistics off");
            const long long n = FloorInsertHere(file, dbPath);
            if (write(result[1], &n, sizeof n) != static_cast<ssize_t>(sizeof n)) _exit(1);
            _exit(0);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "bench_check: floor: %s\n", e.what());
            _exit(1);
        }
    }
    close(result[1]);
    int status = 0;
    rusage usage{};
    while (wait4(pid, &status, 0, &usage) < 0) {
        if (errno != EINTR) throw std::runtime_error(std::string("wait4 failed: ") + std::strerror(errno));
    }
    ChildRun run;
    run.seconds = SecondsSince(start);
    run.cpuSeconds = CpuSecondsOf(usage);
    run.peakRssKb = usage.ru_maxrss;
    long long n = -1;
    if (read(result[0], &n, sizeof n) == static_cast<ssize_t>(sizeof n)) stored = n;
    close(result[0]);
    if (WIFEXITED(status)) run.exitCode = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) run.signal = WTERMSIG(status);
    return run;
}

long long OneRowInsert(const fs::path& file, const fs::path& dbPath, const char* pragmas) {
    auto db = OpenBaseline(dbPath, pragmas,
                           "CREATE TABLE Records (Rec_Num INTEGER PRIMARY KEY AUTOINCREMENT, ID TEXT, RE_Indx INTEGER, "
                           "Errors INTEGER, Record TEXT, RecReference TEXT)");
    auto insert =
        Prepare(db.get(), "INSERT INTO Records (ID, RE_Indx, Errors, Record, RecReference) VALUES (?, ?, 0, ?, ?)");
    long long stored = 0;
    RecordColumns columns;
    ForEachRecord(file, [&](std::string_view rec) {
        columns.Take(rec);
        sqlite3_stmt* st = insert.get();
        sqlite3_bind_text(st, 1, columns.id.data(), static_cast<int>(columns.id.size()), SQLITE_STATIC);
        if (columns.block) sqlite3_bind_int64(st, 2, columns.block);
        else sqlite3_bind_null(st, 2);
        sqlite3_bind_text(st, 3, rec.data(), static_cast<int>(rec.size()), SQLITE_STATIC);
        if (columns.reference)
            sqlite3_bind_text(st, 4, columns.reference->data(), static_cast<int>(columns.reference->size()),
                              SQLITE_STATIC);
        else sqlite3_bind_null(st, 4);
        Check(db.get(), sqlite3_step(st), "insert");
        sqlite3_reset(st);
        ++stored;
    });
    insert.reset();
    Check(db.get(), sqlite3_exec(db.get(), "COMMIT", nullptr, nullptr, nullptr), "commit");
    return stored;
}

}  // namespace bench
