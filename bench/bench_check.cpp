// bench_check: how long quorvex-check takes on a large submission, measured against the
// cheapest thing any checker must do with it: storing every record in an SQLite table.
//
//   bench_check [--records N] [--employers E] [--ro] [--all-money] [--territories]
//               [--file FILE] [--check-exe PATH] [--compare-threads] [--repeat K]
//               [--work-dir DIR] [--keep]
//
// (a) runs `quorvex-check --quiet --data-dir <tmp> FILE` as a child process, timing its wall
//     clock and reading its peak resident memory from wait4 (with --compare-threads also
//     `quorvex-check --threads 1`, the single-thread run);
// (b) inserts the same records, cut at CR/LF as the reader cuts them, into a fresh table shaped
//     like Records in one transaction through one prepared statement: once with the engine's
//     default settings, once with the error log's own (page size, journal, synchronous, cache).
// The kinds take turns, K rounds of each, so that a change in the machine's load hits all of
// them alike; the best time of each kind and the range of its times are reported.

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/stat.h>
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
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
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
    int repeat = 3;
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
        "  --repeat K        rounds; each kind is measured once a round, the best counts (default 3)\n"
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
        else if (arg == "--repeat") o.repeat = static_cast<int>(NumberArg(i, argc, argv));
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

struct ChildRun {
    double seconds = 0;
    double cpuSeconds = 0;   // user plus system, all threads
    int exitCode = -1;       // -1 when the child did not exit normally
    int signal = 0;
    long peakRssKb = 0;
};

// Runs quorvex-check; its standard output is dropped and its standard error goes to `errFile`.
ChildRun RunCheck(const fs::path& exe, const std::vector<std::string>& extraArgs, const fs::path& dataDir,
                  const fs::path& file, const fs::path& errFile) {
    std::vector<std::string> args = {exe.string(), "--quiet", "--data-dir", dataDir.string()};
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    args.push_back(file.string());
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

    const auto start = Clock::now();
    const pid_t pid = fork();
    if (pid < 0) throw std::runtime_error(std::string("fork failed: ") + std::strerror(errno));
    if (pid == 0) {
        const int devnull = open("/dev/null", O_WRONLY);
        if (devnull >= 0) dup2(devnull, STDOUT_FILENO);
        const int err = open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (err >= 0) dup2(err, STDERR_FILENO);
        execv(argv[0], argv.data());
        std::fprintf(stderr, "bench_check: cannot run %s: %s\n", argv[0], std::strerror(errno));
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    while (wait4(pid, &status, 0, &usage) < 0) {
        if (errno != EINTR) throw std::runtime_error(std::string("wait4 failed: ") + std::strerror(errno));
    }
    ChildRun run;
    run.seconds = SecondsSince(start);
    run.peakRssKb = usage.ru_maxrss;   // kilobytes on Linux
    run.cpuSeconds = CpuSeconds(usage);
    if (WIFEXITED(status)) run.exitCode = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) run.signal = WTERMSIG(status);
    return run;
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

// Stores every record of `file` in a new Records table of the database `dbPath`, after
// `pragmas` (nullptr: the engine's defaults). Returns the number of records stored.
long long BaselineInsert(const fs::path& file, const fs::path& dbPath, const char* pragmas) {
    sqlite3* raw = nullptr;
    if (sqlite3_open(dbPath.c_str(), &raw) != SQLITE_OK) {
        std::string msg = raw ? sqlite3_errmsg(raw) : "out of memory";
        sqlite3_close(raw);
        throw std::runtime_error("cannot open " + dbPath.string() + ": " + msg);
    }
    std::unique_ptr<sqlite3, DbCloser> db(raw);
    if (pragmas) Check(db.get(), sqlite3_exec(db.get(), pragmas, nullptr, nullptr, nullptr), "pragmas");
    Check(db.get(),
          sqlite3_exec(db.get(),
                       "CREATE TABLE Records (Rec_Num INTEGER PRIMARY KEY AUTOINCREMENT, ID TEXT, RE_Indx INTEGER, "
                       "Errors INTEGER, Record TEXT, RecReference TEXT)",
                       nullptr, nullptr, nullptr),
          "create table");
    Check(db.get(), sqlite3_exec(db.get(), "BEGIN", nullptr, nullptr, nullptr), "begin");
    sqlite3_stmt* rawStmt = nullptr;
    Check(db.get(),
          sqlite3_prepare_v2(db.get(), "INSERT INTO Records (ID, RE_Indx, Errors, Record, RecReference) VALUES (?, ?, 0, ?, ?)",
                             -1, &rawStmt, nullptr),
          "prepare");
    std::unique_ptr<sqlite3_stmt, StmtFinalizer> insert(rawStmt);

    long long stored = 0;
    long long block = 0;
    std::string blockEin, ssn;
    auto store = [&](std::string_view rec) {
        const std::string_view id = rec.substr(0, 2);
        std::optional<std::string_view> reference;
        if (id == "RE") {
            ++block;
            blockEin.assign(rec.size() >= 16 ? rec.substr(7, 9) : std::string_view());
            reference = blockEin;
        } else if (id == "RA") {
            reference = rec.substr(2, 9);
        } else if (id == "RW") {
            ssn.assign(rec.size() >= 11 ? rec.substr(2, 9) : std::string_view());
            reference = ssn;
        } else if (id == "RO") {
            reference = ssn;
        } else if (id == "RT" || id == "RU") {
            reference = blockEin;
        }
        const bool inBlock = block > 0 && (id == "RE" || id == "RW" || id == "RO" || id == "RT" || id == "RU");
        sqlite3_stmt* st = insert.get();
        sqlite3_bind_text(st, 1, id.data(), static_cast<int>(id.size()), SQLITE_STATIC);
        if (inBlock) sqlite3_bind_int64(st, 2, block);
        else sqlite3_bind_null(st, 2);
        sqlite3_bind_text(st, 3, rec.data(), static_cast<int>(rec.size()), SQLITE_STATIC);
        if (reference) sqlite3_bind_text(st, 4, reference->data(), static_cast<int>(reference->size()), SQLITE_STATIC);
        else sqlite3_bind_null(st, 4);
        Check(db.get(), sqlite3_step(st), "insert");
        sqlite3_reset(st);
        ++stored;
    };

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
        // Records end at CR or LF (skipped while nothing is collected) or after 512 characters.
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
    insert.reset();
    Check(db.get(), sqlite3_exec(db.get(), "COMMIT", nullptr, nullptr, nullptr), "commit");
    return stored;
}

// Shows what the child wrote to its standard error (the first lines), when something went wrong.
void ShowChildErrors(const fs::path& errFile) {
    std::FILE* f = std::fopen(errFile.c_str(), "r");
    if (!f) return;
    char line[1024];
    for (int n = 0; n < 20 && std::fgets(line, sizeof line, f); ++n) std::fprintf(stderr, "  | %s", line);
    std::fclose(f);
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
        struct Kind {
            const char* name;
            std::vector<std::string> checkArgs;  // a quorvex-check run; else a baseline
            const char* pragmas = nullptr;
            bool isCheck = true;
            std::vector<double> times;
            long peakKb = 0;
        };
        std::vector<Kind> kinds;
        const auto exe = FindCheckExe(opt.checkExe);
        if (!exe) {
            std::fprintf(stderr, "bench_check: quorvex-check not found beside this program or in ../src; use --check-exe\n");
            status = 1;
        } else {
            kinds.push_back({"check", {}, nullptr, true, {}, 0});
            if (opt.compareThreads) kinds.push_back({"check-1t", {"--threads", "1"}, nullptr, true, {}, 0});
        }
        kinds.push_back({"base-log", {}, kLogPragmas, false, {}, 0});
        kinds.push_back({"base-dflt", {}, nullptr, false, {}, 0});

        long long stored = 0;
        for (int rep = 1; rep <= opt.repeat; ++rep) {
            for (Kind& k : kinds) {
                const std::string tag = std::string(k.name) + "-" + std::to_string(rep);
                if (!k.isCheck) {
                    const fs::path dbPath = work / (tag + ".db");
                    RemoveQuietly(dbPath);
                    const auto start = Clock::now();
                    const double cpuStart = OwnCpuSeconds();
                    stored = BaselineInsert(file, dbPath, k.pragmas);
                    const double seconds = SecondsSince(start);
                    std::printf("%-9s #%d: %8.3f s, cpu %6.3f s (%lld records inserted)\n", k.name, rep, seconds,
                                OwnCpuSeconds() - cpuStart, stored);
                    k.times.push_back(seconds);
                    if (!opt.keep) RemoveQuietly(dbPath);
                    std::fflush(stdout);
                    continue;
                }
                const fs::path dataDir = work / ("data-" + tag);
                fs::create_directories(dataDir);
                const fs::path errFile = work / (tag + ".err");
                const ChildRun run = RunCheck(*exe, k.checkArgs, dataDir, file, errFile);
                if (run.signal != 0 || run.exitCode == 127 || run.exitCode > 3) ShowChildErrors(errFile);
                if (run.signal != 0) {
                    std::printf("%-9s #%d: killed by signal %d after %.3f s\n", k.name, rep, run.signal, run.seconds);
                    status = 1;
                    continue;
                }
                std::printf("%-9s #%d: %8.3f s, cpu %6.3f s, peak RSS %7.1f MB, exit %d\n", k.name, rep, run.seconds,
                            run.cpuSeconds, static_cast<double>(run.peakRssKb) / 1024.0, run.exitCode);
                if (run.exitCode == 127 || run.exitCode > 3) {
                    status = 1;
                    continue;
                }
                if (run.exitCode != 0 && opt.file.empty())
                    std::printf("             (the generated file should give exit 0: it is meant to be valid)\n");
                k.times.push_back(run.seconds);
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
            std::printf("%-17s %.3f s best of %zu (range %.3f - %.3f s)", k.name, best(k), k.times.size(), best(k),
                        worst(k));
            if (k.isCheck)
                std::printf(", peak RSS %.1f MB, %.0f records/s", static_cast<double>(k.peakKb) / 1024.0,
                            static_cast<double>(stored) / best(k));
            std::printf("\n");
        }
        // Ratios of the best times, and the range of the ratios of the runs of one round
        // (which ran one after the other under much the same load).
        for (const Kind& c : kinds) {
            if (!c.isCheck || c.times.empty()) continue;
            for (const Kind& b : kinds) {
                if (b.isCheck || b.times.empty()) continue;
                double lo = 1e9, hi = 0;
                for (std::size_t r = 0; r < std::min(c.times.size(), b.times.size()); ++r) {
                    lo = std::min(lo, c.times[r] / b.times[r]);
                    hi = std::max(hi, c.times[r] / b.times[r]);
                }
                std::printf("ratio %-9s / %-9s %.2f x (round by round %.2f - %.2f)\n", c.name, b.name,
                            best(c) / best(b), lo, hi);
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
