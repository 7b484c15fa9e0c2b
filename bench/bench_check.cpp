// bench_check: how long quorvex-check takes on a large submission, measured against the
// cheapest thing any checker must do with it: storing every record in an SQLite table.
//
//   bench_check [--records N] [--employers E] [--ro] [--all-money] [--territories]
//               [--file FILE] [--check-exe PATH] [--compare-threads] [--repeat K]
//               [--callgrind] [--work-dir DIR] [--keep]
//
// (a) runs `quorvex-check --quiet --data-dir <tmp> FILE` as a child process, timing its wall
//     clock and reading its peak resident memory from wait4 (with --compare-threads also
//     `quorvex-check --threads 1`, the single-thread run), and the CPU time (and, where the
//     machine has the counters, the instructions) of each of its threads;
// (b) inserts the same records, cut at CR/LF as the reader cuts them, into a fresh table shaped
//     like Records in one transaction: `base-best` as the error log's writer does it (32 rows to
//     a statement, the engine's memory statistics off, the log's settings, in a child process
//     of its own), and one row to a statement with the engine's default settings and with the
//     error log's own (page size, journal, synchronous, cache).
// (c) with --callgrind, runs each quorvex-check kind once more under callgrind, one output per
//     thread, and prints the instructions per record of each thread.
// The kinds take turns, K rounds of each, so that a change in the machine's load hits all of
// them alike; the best time of each kind and the range of its times are reported.

#include <dirent.h>
#include <fcntl.h>
#include <linux/perf_event.h>
#include <sqlite3.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "support/records.h"

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// User plus system time of `u`, in seconds.
double CpuSeconds(const rusage& u) {
    auto s = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
    return s(u.ru_utime) + s(u.ru_stime);
}

double OwnCpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return CpuSeconds(u);
}

struct Options {
    long long records = 1'000'000;
    long long employers = 100;
    bool ro = false;
    bool allMoney = false;
    bool territories = false;
    std::string file;
    std::string checkExe;
    bool compareThreads = false;
    std::string secondFile;
    long long limit = 0;
    int repeat = 3;
    bool callgrind = false;
    std::string workDir;
    bool keep = false;
};

void Usage(std::FILE* to) {
    std::fputs(
        "usage: bench_check [options]\n"
        "  --records N       records in the generated file (default 1000000)\n"
        "  --employers E     employer blocks of the generated file (default 100)\n"
        "  --ro              RO records after every RW record (and RU records)\n"
        "  --all-money       non-zero amounts in every money field the rules allow\n"
        "  --territories     tax jurisdiction codes blank, P, V, G, S, N in turn\n"
        "  --file FILE       measure FILE instead of generating one\n"
        "  --check-exe PATH  quorvex-check to run (default: beside this program or in ../src)\n"
        "  --compare-threads also time quorvex-check --threads 1 (the single-thread run)\n"
        "  --second-file F   also time quorvex-check on F (say, the file with errors put in)\n"
        "  --limit N         quorvex-check --limit N (the error limit; 500 unless set)\n"
        "  --repeat K        rounds; each kind is measured once a round, the best counts (default 3)\n"
        "  --callgrind       afterwards, count each thread's instructions under valgrind's callgrind\n"
        "  --work-dir DIR    folder for the temporary files (default: the system's temp folder)\n"
        "  --keep            keep the temporary files\n",
        to);
}

long long NumberArg(int& i, int argc, char** argv) {
    if (i + 1 >= argc) throw std::invalid_argument(std::string(argv[i]) + " needs a value");
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(argv[i + 1], &end, 10);
    if (errno != 0 || *end != '\0' || v < 1) throw std::invalid_argument(std::string(argv[i]) + " needs a positive whole number");
    ++i;
    return v;
}

Options ParseOptions(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        auto text = [&]() -> std::string {
            if (i + 1 >= argc) throw std::invalid_argument(std::string(arg) + " needs a value");
            return argv[++i];
        };
        if (arg == "--records") o.records = NumberArg(i, argc, argv);
        else if (arg == "--employers") o.employers = NumberArg(i, argc, argv);
        else if (arg == "--ro") o.ro = true;
        else if (arg == "--all-money") o.allMoney = true;
        else if (arg == "--territories") o.territories = true;
        else if (arg == "--file") o.file = text();
        else if (arg == "--check-exe") o.checkExe = text();
        else if (arg == "--compare-threads") o.compareThreads = true;
        else if (arg == "--second-file") o.secondFile = text();
        else if (arg == "--limit") o.limit = NumberArg(i, argc, argv);
        else if (arg == "--repeat") o.repeat = static_cast<int>(NumberArg(i, argc, argv));
        else if (arg == "--callgrind") o.callgrind = true;
        else if (arg == "--work-dir") o.workDir = text();
        else if (arg == "--keep") o.keep = true;
        else if (arg == "--help" || arg == "-h") {
            Usage(stdout);
            std::exit(0);
        } else throw std::invalid_argument("unknown argument " + std::string(arg));
    }
    return o;
}

// quorvex-check beside this program, or where the build puts it (build/src, next to build/bench).
std::optional<fs::path> FindCheckExe(const std::string& given) {
    if (!given.empty()) return fs::path(given);
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    if (ec) return std::nullopt;
    for (const fs::path& candidate : {self.parent_path() / "quorvex-check", self.parent_path().parent_path() / "src" / "quorvex-check"}) {
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return std::nullopt;
}

// --- The threads of the child ----------------------------------------------------------------

// What one thread of quorvex-check used: its CPU time and, where the machine has the counter,
// its instructions (user space).
struct ThreadUse {
    pid_t tid = 0;
    std::string name;           // the thread's name (comm)
    double cpuSeconds = 0;
    long long instructions = -1;  // -1: not counted
    bool exact = false;         // CPU time from a counter read after the thread ended, not a sample

    int clockFd = -1, instructionsFd = -1;
};

// A counter on one thread, or -1 (with errno) where there is none: hardware counters are often
// missing in virtual machines, and perf_event_paranoid may forbid them.
int OpenCounter(pid_t tid, std::uint32_t type, std::uint64_t config, bool userOnly) {
    perf_event_attr attr{};
    attr.size = sizeof attr;
    attr.type = type;
    attr.config = config;
    attr.exclude_kernel = userOnly ? 1 : 0;
    attr.exclude_hv = 1;
    return static_cast<int>(syscall(SYS_perf_event_open, &attr, tid, -1, -1, PERF_FLAG_FD_CLOEXEC));
}

long long ReadCounter(int fd) {
    long long value = -1;
    if (fd < 0 || read(fd, &value, sizeof value) != static_cast<ssize_t>(sizeof value)) return -1;
    return value;
}

// Why the instruction counter could not be opened (empty when it could), said once per run.
std::string g_instructionsMissing;

// utime plus stime of /proc/PID/task/TID/stat, in seconds; negative when the thread is gone.
double ProcThreadCpu(pid_t pid, pid_t tid, std::string* name) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/task/" + std::to_string(tid) + "/stat");
    std::string text;
    if (!std::getline(in, text)) return -1;
    const std::size_t open = text.find('('), close = text.rfind(')');
    if (open == std::string::npos || close == std::string::npos) return -1;
    if (name) *name = text.substr(open + 1, close - open - 1);
    // After the name: state (field 3) ... utime (14), stime (15).
    std::vector<std::string> fields;
    std::size_t at = close + 2;
    while (at < text.size() && fields.size() < 13) {
        const std::size_t next = text.find(' ', at);
        fields.push_back(text.substr(at, next - at));
        if (next == std::string::npos) break;
        at = next + 1;
    }
    if (fields.size() < 13) return -1;
    const double tick = static_cast<double>(sysconf(_SC_CLK_TCK));
    return (std::atof(fields[11].c_str()) + std::atof(fields[12].c_str())) / tick;
}

// Follows the threads of the running child `pid`: a counter of CPU time and one of instructions
// on every thread as soon as it is seen (their counts stay readable after the thread ends), and
// the CPU time from /proc as a fallback (sampled, so the last moments of a thread are missed).
class ThreadWatch {
public:
    explicit ThreadWatch(pid_t pid) : pid_(pid) {}
    ~ThreadWatch() {
        for (auto& [tid, t] : threads_) {
            if (t.clockFd >= 0) close(t.clockFd);
            if (t.instructionsFd >= 0) close(t.instructionsFd);
        }
    }
    void Scan() {
        DIR* dir = opendir(("/proc/" + std::to_string(pid_) + "/task").c_str());
        if (!dir) return;
        while (const dirent* e = readdir(dir)) {
            if (e->d_name[0] < '0' || e->d_name[0] > '9') continue;
            const pid_t tid = static_cast<pid_t>(std::atol(e->d_name));
            auto [at, added] = threads_.try_emplace(tid);
            ThreadUse& t = at->second;
            if (added) {
                t.tid = tid;
                t.clockFd = OpenCounter(tid, PERF_TYPE_SOFTWARE, PERF_COUNT_SW_TASK_CLOCK, false);
                t.instructionsFd = OpenCounter(tid, PERF_TYPE_HARDWARE, PERF_COUNT_HW_INSTRUCTIONS, true);
                if (t.instructionsFd < 0 && g_instructionsMissing.empty())
                    g_instructionsMissing = std::string("perf_event_open: ") + std::strerror(errno);
            }
            std::string name;
            const double cpu = ProcThreadCpu(pid_, tid, &name);
            if (cpu >= 0) t.cpuSeconds = cpu;
            if (!name.empty()) t.name = name;
        }
        closedir(dir);
    }
    // The threads in the order they started (the main thread first), after the child ended.
    std::vector<ThreadUse> Finish() {
        std::vector<ThreadUse> out;
        for (auto& [tid, t] : threads_) {
            if (const long long ns = ReadCounter(t.clockFd); ns >= 0) t.cpuSeconds = static_cast<double>(ns) / 1e9, t.exact = true;
            t.instructions = ReadCounter(t.instructionsFd);
            out.push_back(t);
            out.back().clockFd = out.back().instructionsFd = -1;
        }
        std::stable_sort(out.begin(), out.end(), [&](const ThreadUse& a, const ThreadUse& b) {
            return (a.tid == pid_) > (b.tid == pid_);
        });
        return out;
    }

private:
    pid_t pid_;
    std::map<pid_t, ThreadUse> threads_;
};

struct ChildRun {
    double seconds = 0;
    double cpuSeconds = 0;   // user plus system, all threads
    int exitCode = -1;       // -1 when the child did not exit normally
    int signal = 0;
    long peakRssKb = 0;
    std::vector<ThreadUse> threads;
};

// Runs `args` (argv[0] a path, or a name looked up in PATH when `searchPath`) with its standard
// output dropped and its standard error to `errFile`, `env` added to the environment, and
// follows its threads. The child waits for the parent to open the counters on it before it
// starts the program, so that the main thread is counted from its first instruction.
ChildRun RunChild(std::vector<std::string> args, const fs::path& errFile, bool searchPath = false,
                  const std::vector<std::pair<std::string, std::string>>& env = {}) {
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

    int go[2];
    if (pipe(go) != 0) throw std::runtime_error(std::string("pipe failed: ") + std::strerror(errno));
    const auto start = Clock::now();
    const pid_t pid = fork();
    if (pid < 0) throw std::runtime_error(std::string("fork failed: ") + std::strerror(errno));
    if (pid == 0) {
        close(go[1]);
        char byte;
        while (read(go[0], &byte, 1) < 0 && errno == EINTR) {
        }
        close(go[0]);
        const int devnull = open("/dev/null", O_WRONLY);
        if (devnull >= 0) dup2(devnull, STDOUT_FILENO);
        const int err = open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (err >= 0) dup2(err, STDERR_FILENO);
        for (const auto& [name, value] : env) setenv(name.c_str(), value.c_str(), 1);
        if (searchPath) execvp(argv[0], argv.data());
        else execv(argv[0], argv.data());
        std::fprintf(stderr, "bench_check: cannot run %s: %s\n", argv[0], std::strerror(errno));
        _exit(127);
    }
    close(go[0]);
    ThreadWatch watch(pid);
    watch.Scan();
    if (write(go[1], "g", 1) != 1) {
    }
    close(go[1]);

    int status = 0;
    rusage usage{};
    // New threads are looked for often at first (the writer thread starts with the run), then
    // every 20 ms, which keeps this process off the cores the child needs.
    for (int polls = 0;; ++polls) {
        const pid_t done = wait4(pid, &status, WNOHANG, &usage);
        if (done == pid) break;
        if (done < 0 && errno != EINTR) throw std::runtime_error(std::string("wait4 failed: ") + std::strerror(errno));
        watch.Scan();
        std::this_thread::sleep_for(std::chrono::milliseconds(polls < 100 ? 2 : 20));
    }
    ChildRun run;
    run.seconds = SecondsSince(start);
    run.peakRssKb = usage.ru_maxrss;   // kilobytes on Linux
    run.cpuSeconds = CpuSeconds(usage);
    run.threads = watch.Finish();
    if (WIFEXITED(status)) run.exitCode = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) run.signal = WTERMSIG(status);
    return run;
}

// Runs quorvex-check on `file` with the program folder `dataDir`.
ChildRun RunCheck(const fs::path& exe, const std::vector<std::string>& extraArgs, const fs::path& dataDir,
                  const fs::path& file, const fs::path& errFile) {
    std::vector<std::string> args = {exe.string(), "--quiet", "--data-dir", dataDir.string()};
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    args.push_back(file.string());
    return RunChild(std::move(args), errFile);
}

// "main 2.91 s, thread 2 1.02 s" (CPU time of each thread, with its instructions when counted).
std::string DescribeThreads(const std::vector<ThreadUse>& threads, long long records) {
    std::string text;
    char part[160];
    for (std::size_t i = 0; i < threads.size(); ++i) {
        const ThreadUse& t = threads[i];
        const std::string label = i == 0 ? "main" : "thread " + std::to_string(i + 1);
        std::snprintf(part, sizeof part, "%s%s %.3f s%s", text.empty() ? "" : ", ", label.c_str(), t.cpuSeconds,
                      t.exact ? "" : " (sampled)");
        text += part;
        if (records > 0) {
            std::snprintf(part, sizeof part, " = %.2f us/record", t.cpuSeconds * 1e6 / static_cast<double>(records));
            text += part;
            if (t.instructions >= 0) {
                std::snprintf(part, sizeof part, ", %.0f instructions/record",
                              static_cast<double>(t.instructions) / static_cast<double>(records));
                text += part;
            }
        } else if (t.instructions >= 0) {
            std::snprintf(part, sizeof part, ", %lld instructions", t.instructions);
            text += part;
        }
    }
    return text;
}

// --- The SQLite baseline ---------------------------------------------------------------------

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

// The settings LogFile::Create gives the error log before it creates its tables.
constexpr const char* kLogPragmas =
    "PRAGMA encoding = 'UTF-8'; PRAGMA page_size = 16384; PRAGMA journal_mode = DELETE; "
    "PRAGMA synchronous = NORMAL; PRAGMA cache_size = -8000";

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

// Stores every record of `file` in a new Records table of the database `dbPath`, one record to
// a statement, after `pragmas` (nullptr: the engine's defaults). Returns the number of records
// stored.
long long BaselineInsert(const fs::path& file, const fs::path& dbPath, const char* pragmas) {
    auto db = OpenBaseline(dbPath, pragmas,
                           "CREATE TABLE Records (Rec_Num INTEGER PRIMARY KEY AUTOINCREMENT, ID TEXT, RE_Indx INTEGER, "
                           "Errors INTEGER, Record TEXT, RecReference TEXT)");
    auto insert = Prepare(db.get(), "INSERT INTO Records (ID, RE_Indx, Errors, Record, RecReference) VALUES (?, ?, 0, ?, ?)");
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
            sqlite3_bind_text(st, 4, columns.reference->data(), static_cast<int>(columns.reference->size()), SQLITE_STATIC);
        else sqlite3_bind_null(st, 4);
        Check(db.get(), sqlite3_step(st), "insert");
        sqlite3_reset(st);
        ++stored;
    });
    insert.reset();
    Check(db.get(), sqlite3_exec(db.get(), "COMMIT", nullptr, nullptr, nullptr), "commit");
    return stored;
}

// The best bare insert: the records stored as the error log's writer stores them, in the
// log's own table (ErrorLog::CreateMDB, Create_RECORDS) with the log's settings, numbered by
// the inserter, 32 rows to a multi-row INSERT statement (the rest one to a statement), in one
// transaction. The engine's memory statistics must be off before it starts (as the program
// has them): call it in a process of its own, before anything else opens a database.
constexpr int kBestGroup = 32;

long long BestInsert(const fs::path& file, const fs::path& dbPath) {
    auto db = OpenBaseline(dbPath, kLogPragmas,
                           "CREATE TABLE Records (Rec_Num INTEGER CONSTRAINT \"Record Index\" PRIMARY KEY AUTOINCREMENT, "
                           "ID VARCHAR(2) COLLATE NOCASE, RE_Indx INTEGER, Errors SMALLINT, Record TEXT COLLATE NOCASE, "
                           "RecReference VARCHAR(9) COLLATE NOCASE)");
    auto valuesSql = [](int rows) {
        std::string sql = "INSERT INTO Records (Rec_Num, ID, RE_Indx, Errors, Record, RecReference) VALUES ";
        for (int r = 0; r < rows; ++r) {
            sql += r ? ", (" : "(";
            for (int c = 1; c <= 6; ++c) sql += "?" + std::to_string(r * 6 + c) + (c < 6 ? ", " : ")");
        }
        return sql;
    };
    auto group = Prepare(db.get(), valuesSql(kBestGroup));
    auto single = Prepare(db.get(), valuesSql(1));

    // The rows of a group, copied as the writer's row batch holds them.
    struct Row {
        long long recNum = 0;
        char id[2] = {};
        std::size_t idLength = 0;
        long long block = 0;
        char record[512];
        std::size_t length = 0;
        char reference[16];
        std::size_t referenceLength = 0;
        bool hasReference = false;
    };
    std::vector<Row> rows(kBestGroup);
    int pending = 0;
    auto bind = [&](sqlite3_stmt* st, const Row& row, int first) {
        sqlite3_bind_int64(st, first, row.recNum);
        sqlite3_bind_text(st, first + 1, row.id, static_cast<int>(row.idLength), SQLITE_STATIC);
        if (row.block) sqlite3_bind_int64(st, first + 2, row.block);
        else sqlite3_bind_null(st, first + 2);
        sqlite3_bind_int64(st, first + 3, 0);
        sqlite3_bind_text(st, first + 4, row.record, static_cast<int>(row.length), SQLITE_STATIC);
        if (row.hasReference)
            sqlite3_bind_text(st, first + 5, row.reference, static_cast<int>(row.referenceLength), SQLITE_STATIC);
        else sqlite3_bind_null(st, first + 5);
    };
    auto run = [&](sqlite3_stmt* st) {
        Check(db.get(), sqlite3_step(st), "insert");
        sqlite3_reset(st);
    };

    long long stored = 0;
    RecordColumns columns;
    ForEachRecord(file, [&](std::string_view rec) {
        columns.Take(rec);
        Row& row = rows[static_cast<std::size_t>(pending++)];
        row.recNum = ++stored;
        row.idLength = columns.id.size();
        std::memcpy(row.id, columns.id.data(), row.idLength);
        row.block = columns.block;
        row.length = rec.size();
        std::memcpy(row.record, rec.data(), rec.size());
        row.hasReference = columns.reference.has_value();
        row.referenceLength = row.hasReference ? std::min(columns.reference->size(), sizeof row.reference) : 0;
        if (row.hasReference) std::memcpy(row.reference, columns.reference->data(), row.referenceLength);
        if (pending == kBestGroup) {
            for (int r = 0; r < kBestGroup; ++r) bind(group.get(), rows[static_cast<std::size_t>(r)], r * 6 + 1);
            run(group.get());
            pending = 0;
        }
    });
    for (int r = 0; r < pending; ++r) {
        bind(single.get(), rows[static_cast<std::size_t>(r)], 1);
        run(single.get());
    }
    group.reset();
    single.reset();
    Check(db.get(), sqlite3_exec(db.get(), "COMMIT", nullptr, nullptr, nullptr), "commit");
    return stored;
}

// BestInsert in a child process whose engine starts with the memory statistics off; the wall
// time includes starting the child (a fork, well under a millisecond).
ChildRun BestInsertInChild(const fs::path& file, const fs::path& dbPath, long long& stored) {
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
            const long long n = BestInsert(file, dbPath);
            if (write(result[1], &n, sizeof n) != static_cast<ssize_t>(sizeof n)) _exit(1);
            _exit(0);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "bench_check: base-best: %s\n", e.what());
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
    run.cpuSeconds = CpuSeconds(usage);
    run.peakRssKb = usage.ru_maxrss;
    long long n = -1;
    if (read(result[0], &n, sizeof n) == static_cast<ssize_t>(sizeof n)) stored = n;
    close(result[0]);
    if (WIFEXITED(status)) run.exitCode = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) run.signal = WTERMSIG(status);
    return run;
}

// Shows what the child wrote to its standard error (the first lines), when something went wrong.
void ShowChildErrors(const fs::path& errFile) {
    std::FILE* f = std::fopen(errFile.c_str(), "r");
    if (!f) return;
    char line[1024];
    for (int n = 0; n < 20 && std::fgets(line, sizeof line, f); ++n) std::fprintf(stderr, "  | %s", line);
    std::fclose(f);
}

// Runs quorvex-check once under callgrind (valgrind), one output per thread, and returns the
// instructions of each thread, the main thread first; empty when valgrind failed. The run
// history is off for it (QUORVEX_HISTORY_RUNS=0): a file of up to 32 MB is hashed for the
// history after the run, which would count as much as the checks.
std::vector<long long> CallgrindThreads(const fs::path& exe, const std::vector<std::string>& extraArgs,
                                        const fs::path& file, const fs::path& folder) {
    fs::create_directories(folder / "data");
    const fs::path out = folder / "callgrind.out";
    std::vector<std::string> args = {"valgrind", "--tool=callgrind", "--separate-threads=yes",
                                     "--callgrind-out-file=" + out.string(), exe.string(), "--quiet", "--data-dir",
                                     (folder / "data").string()};
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    args.push_back(file.string());
    const ChildRun run = RunChild(args, folder / "valgrind.err", true, {{"QUORVEX_HISTORY_RUNS", "0"}});
    std::vector<long long> threads;
    if (run.exitCode < 0 || run.exitCode > 3) {
        ShowChildErrors(folder / "valgrind.err");
        return threads;
    }
    for (int n = 1;; ++n) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, "-%02d", n);
        std::ifstream in(out.string() + suffix);
        if (!in) break;
        long long total = -1;
        for (std::string line; std::getline(in, line);)
            if (line.rfind("totals:", 0) == 0 || (total < 0 && line.rfind("summary:", 0) == 0))
                total = std::atoll(line.c_str() + line.find(':') + 1);
        threads.push_back(total);
    }
    return threads;
}

void RemoveQuietly(const fs::path& p) {
    std::error_code ec;
    fs::remove_all(p, ec);
}

}  // namespace

int main(int argc, char** argv) {
    Options opt;
    try {
        opt = ParseOptions(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_check: %s\n", e.what());
        Usage(stderr);
        return 2;
    }

    fs::path work;
    try {
        const fs::path base = opt.workDir.empty() ? fs::temp_directory_path() : fs::path(opt.workDir);
        std::string tmpl = (base / "quorvex-bench-XXXXXX").string();
        if (!mkdtemp(tmpl.data())) throw std::runtime_error("cannot create a folder in " + base.string());
        work = tmpl;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_check: %s\n", e.what());
        return 1;
    }

    int status = 0;
    try {
        fs::path file;
        if (opt.file.empty()) {
            auto shape = quorvex::test::ShapeForRecordCount(opt.records, static_cast<int>(opt.employers), opt.ro);
            shape.allMoney = opt.allMoney;
            shape.territories = opt.territories;
            file = work / "submission.txt";
            const auto start = Clock::now();
            const auto written = quorvex::test::WriteSubmission(shape, file.string());
            std::printf("generated   %s: %lld records, %.1f MB in %.3f s\n", file.c_str(),
                        static_cast<long long>(written.records), static_cast<double>(written.bytes) / 1e6,
                        SecondsSince(start));
        } else {
            file = opt.file;
            std::printf("file        %s: %.1f MB\n", file.c_str(), static_cast<double>(fs::file_size(file)) / 1e6);
        }
        std::fflush(stdout);

        // The kinds measured, in the order they take turns.
        enum class What { Check, BestInsert, Insert };
        struct Kind {
            const char* name;
            What what;
            std::vector<std::string> checkArgs;  // of a quorvex-check run
            fs::path file;                       // the file it tests
            const char* pragmas = nullptr;       // of a one-row-a-statement insert
            std::vector<double> times;
            std::vector<double> cpuTimes;
            long peakKb = 0;
            std::vector<ThreadUse> threadsOfBest;  // of the fastest quorvex-check run
        };
        std::vector<Kind> kinds;
        const auto exe = FindCheckExe(opt.checkExe);
        if (!exe) {
            std::fprintf(stderr, "bench_check: quorvex-check not found beside this program or in ../src; use --check-exe\n");
            status = 1;
        } else {
            std::vector<std::string> args;
            if (opt.limit > 0) args = {"--limit", std::to_string(opt.limit)};
            std::vector<std::string> oneThread = args;
            oneThread.insert(oneThread.end(), {"--threads", "1"});
            kinds.push_back({"check", What::Check, args, file, nullptr, {}, {}, 0, {}});
            if (opt.compareThreads) kinds.push_back({"check-1t", What::Check, oneThread, file, nullptr, {}, {}, 0, {}});
            if (!opt.secondFile.empty()) {
                kinds.push_back({"check-2nd", What::Check, args, opt.secondFile, nullptr, {}, {}, 0, {}});
                if (opt.compareThreads)
                    kinds.push_back({"check-2nd-1t", What::Check, oneThread, opt.secondFile, nullptr, {}, {}, 0, {}});
            }
        }
        kinds.push_back({"base-best", What::BestInsert, {}, file, kLogPragmas, {}, {}, 0, {}});
        kinds.push_back({"base-log", What::Insert, {}, file, kLogPragmas, {}, {}, 0, {}});
        kinds.push_back({"base-dflt", What::Insert, {}, file, nullptr, {}, {}, 0, {}});

        long long stored = 0;
        for (int rep = 1; rep <= opt.repeat; ++rep) {
            for (Kind& k : kinds) {
                const std::string tag = std::string(k.name) + "-" + std::to_string(rep);
                if (k.what == What::Insert) {
                    const fs::path dbPath = work / (tag + ".db");
                    RemoveQuietly(dbPath);
                    const auto start = Clock::now();
                    const double cpuStart = OwnCpuSeconds();
                    stored = BaselineInsert(file, dbPath, k.pragmas);
                    const double seconds = SecondsSince(start);
                    const double cpu = OwnCpuSeconds() - cpuStart;
                    std::printf("%-9s #%d: %8.3f s, cpu %6.3f s (%lld records inserted)\n", k.name, rep, seconds, cpu,
                                stored);
                    k.times.push_back(seconds);
                    k.cpuTimes.push_back(cpu);
                    if (!opt.keep) RemoveQuietly(dbPath);
                    std::fflush(stdout);
                    continue;
                }
                if (k.what == What::BestInsert) {
                    const fs::path dbPath = work / (tag + ".db");
                    RemoveQuietly(dbPath);
                    const ChildRun run = BestInsertInChild(file, dbPath, stored);
                    if (run.exitCode != 0) {
                        std::printf("%-9s #%d: failed\n", k.name, rep);
                        status = 1;
                        continue;
                    }
                    std::printf("%-9s #%d: %8.3f s, cpu %6.3f s, peak RSS %7.1f MB (%lld records inserted)\n", k.name,
                                rep, run.seconds, run.cpuSeconds, static_cast<double>(run.peakRssKb) / 1024.0, stored);
                    k.times.push_back(run.seconds);
                    k.cpuTimes.push_back(run.cpuSeconds);
                    if (!opt.keep) RemoveQuietly(dbPath);
                    std::fflush(stdout);
                    continue;
                }
                const fs::path dataDir = work / ("data-" + tag);
                fs::create_directories(dataDir);
                const fs::path errFile = work / (tag + ".err");
                const ChildRun run = RunCheck(*exe, k.checkArgs, dataDir, k.file, errFile);
                if (run.signal != 0 || run.exitCode == 127 || run.exitCode > 3) ShowChildErrors(errFile);
                if (run.signal != 0) {
                    std::printf("%-9s #%d: killed by signal %d after %.3f s\n", k.name, rep, run.signal, run.seconds);
                    status = 1;
                    continue;
                }
                std::printf("%-9s #%d: %8.3f s, cpu %6.3f s, peak RSS %7.1f MB, exit %d\n", k.name, rep, run.seconds,
                            run.cpuSeconds, static_cast<double>(run.peakRssKb) / 1024.0, run.exitCode);
                std::printf("             cpu by thread: %s\n", DescribeThreads(run.threads, 0).c_str());
                if (run.exitCode == 127 || run.exitCode > 3) {
                    status = 1;
                    continue;
                }
                if (run.exitCode != 0 && opt.file.empty() && k.file == file)
                    std::printf("             (the generated file should give exit 0: it is meant to be valid)\n");
                if (k.times.empty() || run.seconds < *std::min_element(k.times.begin(), k.times.end()))
                    k.threadsOfBest = run.threads;
                k.times.push_back(run.seconds);
                k.cpuTimes.push_back(run.cpuSeconds);
                k.peakKb = std::max(k.peakKb, run.peakRssKb);
                if (!opt.keep) RemoveQuietly(dataDir);
                std::fflush(stdout);
            }
        }

        auto best = [](const Kind& k) { return *std::min_element(k.times.begin(), k.times.end()); };
        auto worst = [](const Kind& k) { return *std::max_element(k.times.begin(), k.times.end()); };
        std::printf("\nrecords           %lld\n", stored);
        for (const Kind& k : kinds) {
            if (k.times.empty()) continue;
            std::printf("%-17s %.3f s best of %zu (range %.3f - %.3f s), cpu %.3f s best", k.name, best(k),
                        k.times.size(), best(k), worst(k), *std::min_element(k.cpuTimes.begin(), k.cpuTimes.end()));
            if (k.what == What::Check)
                std::printf(", peak RSS %.1f MB, %.0f records/s", static_cast<double>(k.peakKb) / 1024.0,
                            static_cast<double>(stored) / best(k));
            std::printf("\n");
        }
        // Ratios of the best times, and the range of the ratios of the runs of one round
        // (which ran one after the other under much the same load). The best insert is the
        // floor the checks are held to (target: at most 1.5 times it). The ratio of the best CPU
        // times (all threads) tells more than the wall clock on a machine busy with other work.
        auto ratio = [&](const Kind& c, const Kind& b) {
            if (c.times.empty() || b.times.empty()) return;
            double lo = 1e9, hi = 0;
            for (std::size_t r = 0; r < std::min(c.times.size(), b.times.size()); ++r) {
                lo = std::min(lo, c.times[r] / b.times[r]);
                hi = std::max(hi, c.times[r] / b.times[r]);
            }
            const double cpuRatio = *std::min_element(c.cpuTimes.begin(), c.cpuTimes.end()) /
                                    *std::min_element(b.cpuTimes.begin(), b.cpuTimes.end());
            std::printf("ratio %-12s / %-9s %.2f x (round by round %.2f - %.2f), cpu %.2f x\n", c.name, b.name,
                        best(c) / best(b), lo, hi, cpuRatio);
        };
        for (const Kind& c : kinds) {
            if (c.what != What::Check || c.file != file) continue;
            for (const Kind& b : kinds)
                if (b.what != What::Check) ratio(c, b);
        }
        // The second file against the first, in the same thread mode.
        for (const Kind& c : kinds) {
            if (c.what != What::Check || c.file == file) continue;
            for (const Kind& b : kinds)
                if (b.what == What::Check && b.file == file && b.checkArgs == c.checkArgs) ratio(c, b);
        }
        // Each thread of the fastest run of each kind.
        bool counted = false;
        for (const Kind& k : kinds) {
            if (k.what != What::Check || k.threadsOfBest.empty()) continue;
            std::printf("threads %-12s %s\n", k.name, DescribeThreads(k.threadsOfBest, stored).c_str());
            for (const ThreadUse& t : k.threadsOfBest) counted = counted || t.instructions >= 0;
        }
        if (!counted && !g_instructionsMissing.empty())
            std::printf("instructions      not counted: this machine has no instruction counter (%s); "
                        "use --callgrind\n",
                        g_instructionsMissing.c_str());
        if (opt.callgrind && exe) {
            for (const Kind& k : kinds) {
                if (k.what != What::Check) continue;
                const auto threads = CallgrindThreads(*exe, k.checkArgs, k.file, work / ("callgrind-" + std::string(k.name)));
                std::string text;
                char part[96];
                for (std::size_t i = 0; i < threads.size(); ++i) {
                    std::snprintf(part, sizeof part, "%s%s %.0f", i ? ", " : "", i ? ("thread " + std::to_string(i + 1)).c_str() : "main",
                                  stored > 0 ? static_cast<double>(threads[i]) / static_cast<double>(stored) : 0.0);
                    text += part;
                }
                std::printf("callgrind %-7s %s instructions/record%s\n", k.name, text.empty() ? "(failed)" : text.c_str(),
                            text.empty() ? "" : " (run history off)");
            }
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_check: %s\n", e.what());
        status = 1;
    }

    if (opt.keep) std::printf("files kept in %s\n", work.c_str());
    else RemoveQuietly(work);
    return status;
}
