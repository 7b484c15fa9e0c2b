#include "check/report.h"

#include <algorithm>
#include <cstdio>

namespace bench {

namespace {

// Seconds per record of each run.
std::vector<double> PerRecord(const Kind& k, bool cpu) {
    std::vector<double> v;
    for (std::size_t i = 0; i < k.runs.size(); ++i) {
        const double n = i < k.records.size() && k.records[i] > 0 ? static_cast<double>(k.records[i]) : 1.0;
        v.push_back((cpu ? k.runs[i].cpuSeconds : k.runs[i].seconds) / n);
    }
    return v;
}

std::vector<double> Walls(const Kind& k) {
    std::vector<double> v;
    for (const ChildRun& r : k.runs) v.push_back(r.seconds);
    return v;
}

std::vector<double> Cpus(const Kind& k) {
    std::vector<double> v;
    for (const ChildRun& r : k.runs) v.push_back(r.cpuSeconds);
    return v;
}

// "1.23x (1.10-1.40)": the ratio of the medians of `a` and `b`, and the range of the ratios of
// the runs of one round (which ran one after the other under much the same load).
std::string Ratio(const std::vector<double>& a, const std::vector<double>& b) {
    if (a.empty() || b.empty()) return "-";
    double lo = 1e9, hi = 0;
    for (std::size_t r = 0; r < std::min(a.size(), b.size()); ++r) {
        lo = std::min(lo, a[r] / b[r]);
        hi = std::max(hi, a[r] / b[r]);
    }
    char text[64];
    std::snprintf(text, sizeof text, "%.2fx (%.2f-%.2f)", Median(a) / Median(b), lo, hi);
    return text;
}

const Kind* FloorOf(const std::vector<Kind>& kinds) {
    for (const Kind& k : kinds)
        if (k.what == What::Floor && !k.runs.empty()) return &k;
    return nullptr;
}

}  // namespace

double Median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

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

void PrintRound(const Kind& k, int rep, const ChildRun& run, long long stored) {
    std::printf("%-14s #%d: %8.3f s, cpu %6.3f s", k.name.c_str(), rep, run.seconds, run.cpuSeconds);
    if (k.what == What::Check && run.timeline.records >= 0) stored = run.timeline.records;
    if (run.peakRssKb) std::printf(", peak RSS %7.1f MB", static_cast<double>(run.peakRssKb) / 1024.0);
    if (k.what == What::Check)
        std::printf(", exit %d, %lld records\n                cpu by thread: %s\n", run.exitCode, stored,
                    DescribeThreads(run.threads, 0).c_str());
    else std::printf(" (%lld records)\n", stored);
    std::fflush(stdout);
}

const ChildRun* MedianRun(const Kind& k) {
    if (k.runs.empty()) return nullptr;
    std::vector<const ChildRun*> sorted;
    for (const ChildRun& r : k.runs) sorted.push_back(&r);
    std::sort(sorted.begin(), sorted.end(), [](auto* a, auto* b) { return a->seconds < b->seconds; });
    return sorted[(sorted.size() - 1) / 2];
}

void PrintTable(const std::vector<Kind>& kinds) {
    if (kinds.empty()) return;
    const std::filesystem::path& firstFile = kinds.front().file;
    std::printf("\nmedians of the rounds, ranges in brackets; ratios of the times per record: of the medians, and "
                "round by round\n");
    std::printf("%-14s %-9s %-22s %-22s %-8s %-20s %-20s %s\n", "kind", "records", "wall s", "cpu s", "peak MB",
                "wall / floor", "cpu / floor", "file");
    const Kind* floor = FloorOf(kinds);
    for (const Kind& k : kinds) {
        if (k.runs.empty()) continue;
        const auto walls = Walls(k), cpus = Cpus(k);
        long peak = 0;
        for (const ChildRun& r : k.runs) peak = std::max(peak, r.peakRssKb);
        std::vector<double> counts(k.records.begin(), k.records.end());
        char wall[64], cpu[64];
        std::snprintf(wall, sizeof wall, "%.3f (%.3f-%.3f)", Median(walls),
                      *std::min_element(walls.begin(), walls.end()), *std::max_element(walls.begin(), walls.end()));
        std::snprintf(cpu, sizeof cpu, "%.3f (%.3f-%.3f)", Median(cpus), *std::min_element(cpus.begin(), cpus.end()),
                      *std::max_element(cpus.begin(), cpus.end()));
        const bool againstFloor = floor && &k != floor;
        std::printf("%-14s %-9.0f %-22s %-22s %-8.1f %-20s %-20s %s\n", k.name.c_str(), Median(counts), wall, cpu,
                    static_cast<double>(peak) / 1024.0,
                    againstFloor ? Ratio(PerRecord(k, false), PerRecord(*floor, false)).c_str() : "",
                    againstFloor ? Ratio(PerRecord(k, true), PerRecord(*floor, true)).c_str() : "",
                    k.file.filename().c_str());
    }
    // A quorvex-check run on another file against the one on the first file with the same options.
    for (const Kind& c : kinds) {
        if (c.what != What::Check || c.file == firstFile || c.runs.empty()) continue;
        for (const Kind& b : kinds)
            if (b.what == What::Check && b.file == firstFile && b.checkArgs == c.checkArgs && !b.runs.empty())
                std::printf("%-14s / %-14s per record: wall %s, cpu %s\n", c.name.c_str(), b.name.c_str(),
                            Ratio(PerRecord(c, false), PerRecord(b, false)).c_str(),
                            Ratio(PerRecord(c, true), PerRecord(b, true)).c_str());
    }
    bool counted = false;
    for (const Kind& k : kinds) {
        const ChildRun* median = MedianRun(k);
        if (k.what != What::Check || !median) continue;
        std::printf("threads %-14s %s\n", k.name.c_str(),
                    DescribeThreads(median->threads, std::max(0LL, median->timeline.records)).c_str());
        for (const ThreadUse& t : median->threads) counted = counted || t.instructions >= 0;
    }
    if (!counted && !InstructionsMissing().empty())
        std::printf("instructions not counted: this machine has no instruction counter (%s); use --callgrind\n",
                    InstructionsMissing().c_str());
}

void PrintTimeline(const Kind& k) {
    const ChildRun* run = MedianRun(k);
    if (!run) return;
    const long long records = run->timeline.records;
    const Timeline& t = run->timeline;
    std::printf("\ntimeline of %s (its median run, %.3f s), seconds from the start of the process\n",
                k.name.c_str(), run->seconds);
    if (t.Empty()) {
        std::printf("  (the program left no marks: a quorvex-check without QUORVEX_TIMELINE)\n");
        return;
    }
    const double zero = run->started;
    auto line = [&](double at, const char* what) {
        if (at >= 0) std::printf("  %7.3f  %s\n", at - zero, what);
    };
    auto span = [](double from, double to) { return from >= 0 && to >= 0 ? to - from : 0.0; };
    line(zero, "process started (main thread)");
    for (const auto& [name, at] : t.marks) line(at, name.c_str());
    line(run->ended, "process ended (main thread)");

    const double first = t.At("first-record"), last = t.At("last-record");
    const double writerStart = t.At("writer-thread-start"), writerEnd = t.At("writer-last-batch-end");
    std::printf("  main thread    %.3f - %.3f s, cpu %.3f s\n", 0.0, run->ended - zero,
                run->threads.empty() ? 0.0 : run->threads[0].cpuSeconds);
    if (writerStart >= 0)
        std::printf("  writer thread  %.3f - %.3f s, cpu %.3f s\n", writerStart - zero, writerEnd - zero,
                    run->threads.size() > 1 ? run->threads[1].cpuSeconds : 0.0);
    auto wait = [&](const char* name) {
        const auto at = t.waits.find(name);
        return at == t.waits.end() ? 0.0 : at->second;
    };
    std::printf("  waits          writer for rows %.3f s (%.3f s of it before the first batch); checks for a free "
                "buffer %.3f s, for the writer to finish %.3f s\n",
                wait("writer-idle"), span(writerStart, t.At("writer-first-batch")), wait("checks-for-buffer"),
                wait("checks-for-drain"));
    std::printf("  before the first record %.3f s: opening the file %.3f, creating the log %.3f\n",
                span(zero, first), span(zero, t.At("file-open")), span(t.At("file-open"), t.At("log-created")));
    std::printf("  records        %.3f s (%.2f us a record)\n", span(first, last),
                records > 0 ? span(first, last) * 1e6 / static_cast<double>(records) : 0.0);
    // The history is written during the final commit when the log kept all it needs.
    const double commit = t.At("final-commit"), historyStart = t.At("history-start");
    const bool during = historyStart >= 0 && commit >= 0 && historyStart < commit;
    std::printf(
        "  after the last record %.3f s: the writer catching up %.3f, summary %.3f, final commit %.3f, "
        "history %.3f%s, closing and exit %.3f\n",
        span(last, run->ended), span(last, t.At("file-written")), span(t.At("file-written"), t.At("summary-counted")),
        span(t.At("summary-counted"), commit), span(historyStart, t.At("history-done")),
        during ? " (during the final commit)" : "", span(std::max(commit, t.At("history-done")), run->ended));
}

}  // namespace bench
