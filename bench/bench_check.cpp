// bench_check: how long quorvex-check takes on a large submission, measured against the floor,
// the bare insert of the same rows into the log's Records table (check/baselines.h).
//
// The kinds measured take turns, round after round, so that a change in the machine's load
// falls on all of them alike: quorvex-check on the file (with --compare-threads also on one
// thread, with --second-file also on further files), the floor, and with --one-row the older
// one-row-a-statement inserts. Then the table of medians and ratios, the threads of each
// quorvex-check kind, and the timeline of the first kind's median run (check/report.h).
// The pieces: check/generator (the file), check/baselines (the floor), check/measure (child
// processes, their threads and marks), check/report.

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "check/baselines.h"
#include "check/generator.h"
#include "check/measure.h"
#include "check/report.h"

namespace fs = std::filesystem;
using namespace bench;

namespace {

struct Options {
    FileShape shape;
    std::string file;
    std::string checkExe;
    std::string floorExe;
    std::string otherExe;
    bool compareThreads = false;
    std::vector<std::string> moreFiles;
    long long limit = 0;
    int repeat = 5;
    bool oneRow = false;
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
        "  --fault-every K   an error in every K-th RW record of the generated file\n"
        "  --file FILE       measure FILE instead of generating one\n"
        "  --second-file F   also time quorvex-check on F (repeatable; say, the file with errors put in)\n"
        "  --check-exe PATH  quorvex-check to run (default: beside this program or in ../src)\n"
        "  --floor-exe PATH  the floor as a program (floor_insert FILE DB) instead of the built-in one\n"
        "  --other-exe PATH  also time this quorvex-check (say, an earlier build) on the first file\n"
        "  --compare-threads also time quorvex-check --threads 1 (the single-thread run)\n"
        "  --limit N         quorvex-check --limit N (the error limit; 500 unless set)\n"
        "  --repeat K        rounds (default 5); medians and ranges are reported\n"
        "  --one-row         also the one-row-a-statement inserts (log settings, engine defaults)\n"
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
    if (errno != 0 || *end != '\0' || v < 1)
        throw std::invalid_argument(std::string(argv[i]) + " needs a positive whole number");
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
        if (arg == "--records") o.shape.records = NumberArg(i, argc, argv);
        else if (arg == "--employers") o.shape.employers = NumberArg(i, argc, argv);
        else if (arg == "--ro") o.shape.ro = true;
        else if (arg == "--all-money") o.shape.allMoney = true;
        else if (arg == "--territories") o.shape.territories = true;
        else if (arg == "--fault-every") o.shape.faultEvery = NumberArg(i, argc, argv);
        else if (arg == "--file") o.file = text();
        else if (arg == "--second-file") o.moreFiles.push_back(text());
        else if (arg == "--check-exe") o.checkExe = text();
        else if (arg == "--floor-exe") o.floorExe = text();
        else if (arg == "--other-exe") o.otherExe = text();
        else if (arg == "--compare-threads") o.compareThreads = true;
        else if (arg == "--limit") o.limit = NumberArg(i, argc, argv);
        else if (arg == "--repeat") o.repeat = static_cast<int>(NumberArg(i, argc, argv));
        else if (arg == "--one-row") o.oneRow = true;
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
    for (const fs::path& candidate :
         {self.parent_path() / "quorvex-check", self.parent_path().parent_path() / "src" / "quorvex-check"}) {
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return std::nullopt;
}

void RemoveQuietly(const fs::path& p) {
    std::error_code ec;
    fs::remove_all(p, ec);
}

// The kinds, in the order they take turns.
std::vector<Kind> KindsFor(const Options& opt, const fs::path& file, const std::optional<fs::path>& exe) {
    std::vector<Kind> kinds;
    if (exe) {
        std::vector<std::string> args;
        if (opt.limit > 0) args = {"--limit", std::to_string(opt.limit)};
        std::vector<std::string> oneThread = args;
        oneThread.insert(oneThread.end(), {"--threads", "1"});
        std::vector<fs::path> files = {file};
        for (const auto& f : opt.moreFiles) files.emplace_back(f);
        for (std::size_t i = 0; i < files.size(); ++i) {
            const std::string name = i == 0 ? "check" : "check-f" + std::to_string(i + 1);
            kinds.push_back({name, What::Check, args, files[i], nullptr, {}, {}, {}});
            if (i == 0 && !opt.otherExe.empty()) {
                kinds.push_back({"other", What::Check, args, files[i], nullptr, {}, {}, {}});
                kinds.back().exe = opt.otherExe;
            }
            if (opt.compareThreads)
                kinds.push_back({name + "-1t", What::Check, oneThread, files[i], nullptr, {}, {}, {}});
        }
    }
    kinds.push_back({"floor", What::Floor, {}, file, nullptr, {}, {}, {}});
    if (opt.oneRow) {
        kinds.push_back({"one-row-log", What::OneRow, {}, file, kLogPragmas, {}, {}, {}});
        kinds.push_back({"one-row-dflt", What::OneRow, {}, file, nullptr, {}, {}, {}});
    }
    return kinds;
}

// Measures `k` once; false when it failed.
bool MeasureOnce(Kind& k, int rep, const Options& opt, const fs::path& work, const std::optional<fs::path>& exe,
                 long long& stored) {
    const std::string tag = k.name + "-" + std::to_string(rep);
    // What the kinds before wrote (and removed) reaches the disk now, not during this one: a
    // short run measured after a long one would otherwise carry its writeback.
    sync();
    if (k.what == What::OneRow) {
        const fs::path dbPath = work / (tag + ".db");
        RemoveQuietly(dbPath);
        const auto start = Clock::now();
        const double cpuStart = OwnCpuSeconds();
        ChildRun run;
        stored = OneRowInsert(k.file, dbPath, k.pragmas);
        run.seconds = SecondsSince(start);
        run.cpuSeconds = OwnCpuSeconds() - cpuStart;
        PrintRound(k, rep, run, stored);
        k.runs.push_back(run);
        k.records.push_back(stored);
        if (!opt.keep) RemoveQuietly(dbPath);
        return true;
    }
    if (k.what == What::Floor) {
        const fs::path dbPath = work / (tag + ".db");
        RemoveQuietly(dbPath);
        const ChildRun run = FloorInsert(k.file, dbPath, opt.floorExe, stored);
        if (!opt.keep) RemoveQuietly(dbPath);
        if (run.exitCode != 0) {
            std::printf("%-14s #%d: failed\n", k.name.c_str(), rep);
            return false;
        }
        PrintRound(k, rep, run, stored);
        k.runs.push_back(run);
        k.records.push_back(stored);
        return true;
    }
    const fs::path dataDir = work / ("data-" + tag);
    fs::create_directories(dataDir);
    const fs::path errFile = work / (tag + ".err");
    const ChildRun run =
        RunCheck(k.exe.empty() ? *exe : k.exe, k.checkArgs, dataDir, k.file, errFile, work / (tag + ".timeline"));
    if (!opt.keep) RemoveQuietly(dataDir);
    if (run.signal != 0 || run.exitCode == 127 || run.exitCode > 3) ShowChildErrors(errFile);
    if (run.signal != 0) {
        std::printf("%-14s #%d: killed by signal %d after %.3f s\n", k.name.c_str(), rep, run.signal, run.seconds);
        return false;
    }
    PrintRound(k, rep, run, stored);
    if (run.exitCode == 127 || run.exitCode > 3) return false;
    if (run.exitCode != 0 && opt.file.empty() && k.name == "check" && opt.shape.faultEvery == 0)
        std::printf("               (the generated file should give exit 0: it is meant to be valid)\n");
    k.runs.push_back(run);
    k.records.push_back(run.timeline.records >= 0 ? run.timeline.records : stored);
    return true;
}

void Callgrind(const std::vector<Kind>& kinds, const fs::path& exe, const fs::path& work, long long stored) {
    for (const Kind& k : kinds) {
        if (k.what != What::Check) continue;
        const auto threads = CallgrindThreads(exe, k.checkArgs, k.file, work / ("callgrind-" + k.name));
        std::string text;
        char part[96];
        for (std::size_t i = 0; i < threads.size(); ++i) {
            std::snprintf(part, sizeof part, "%s%s %.0f", i ? ", " : "",
                          i ? ("thread " + std::to_string(i + 1)).c_str() : "main",
                          stored > 0 ? static_cast<double>(threads[i]) / static_cast<double>(stored) : 0.0);
            text += part;
        }
        std::printf("callgrind %-10s %s instructions/record%s\n", k.name.c_str(),
                    text.empty() ? "(failed)" : text.c_str(), text.empty() ? "" : " (run history off)");
    }
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
            file = work / "submission.txt";
            Generate(opt.shape, file);
        } else {
            file = opt.file;
            std::printf("file           %s: %.1f MB\n", file.c_str(), static_cast<double>(fs::file_size(file)) / 1e6);
        }
        std::fflush(stdout);

        const auto exe = FindCheckExe(opt.checkExe);
        if (!exe) {
            std::fprintf(stderr,
                         "bench_check: quorvex-check not found beside this program or in ../src; use --check-exe\n");
            status = 1;
        }
        std::vector<Kind> kinds = KindsFor(opt, file, exe);
        long long stored = CountRecords(file);
        // Each round starts one kind further on: on a busy machine the kind that runs first
        // after the floor's large write is slowed, whichever it is.
        for (int rep = 1; rep <= opt.repeat; ++rep)
            for (std::size_t i = 0; i < kinds.size(); ++i) {
                Kind& k = kinds[(i + static_cast<std::size_t>(rep - 1)) % kinds.size()];
                if (!MeasureOnce(k, rep, opt, work, exe, stored)) status = 1;
            }

        PrintTable(kinds);
        // The timeline of the first kind, and of the other build's beside it.
        for (const Kind& k : kinds)
            if (k.what == What::Check && (&k == &kinds.front() || k.name == "other")) PrintTimeline(k);
        if (opt.callgrind && exe) Callgrind(kinds, *exe, work, stored);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_check: %s\n", e.what());
        status = 1;
    }

    if (opt.keep) std::printf("files kept in %s\n", work.c_str());
    else RemoveQuietly(work);
    return status;
}
