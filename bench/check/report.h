#pragma once

// The report of bench_check: each round as it is measured, then the table of medians and
// ratios to the floor, the threads and the timeline of one run.

#include <filesystem>
#include <string>
#include <vector>

#include "check/measure.h"

namespace bench {

enum class What { Check, Floor, OneRow };

// One kind of measurement and what its rounds gave.
struct Kind {
    std::string name;
    What what = What::Check;
    std::vector<std::string> checkArgs;  // of a quorvex-check run
    std::filesystem::path file;          // the file it stores
    const char* pragmas = nullptr;       // of a one-row-a-statement insert
    std::vector<ChildRun> runs;          // one a round (a one-row insert: its times only)
    std::vector<long long> records;      // the records each run stored (a check: tested)
    std::filesystem::path exe;           // a quorvex-check other than the one measured
};

double Median(std::vector<double> v);

// "main 2.91 s, thread 2 1.02 s" (CPU time of each thread, per record with `records`, with
// its instructions when counted).
std::string DescribeThreads(const std::vector<ThreadUse>& threads, long long records);

// One line for the round `rep` of `k`.
void PrintRound(const Kind& k, int rep, const ChildRun& run, long long stored);

// The table: median wall and CPU time of each kind with their ranges, peak memory, and the
// ratios to the floor (the medians' ratio and the range of the ratios round by round); a
// kind on another file also against the first file's run with the same options. Ratios are
// of the times per record: a run the error limit stopped tested fewer.
void PrintTable(const std::vector<Kind>& kinds);

// The timeline of the median run of `k`: when each thread starts and ends, how long each
// waits for the other, and what comes before the first record and after the last.
void PrintTimeline(const Kind& k);

// The median run of `k` (by wall time).
const ChildRun* MedianRun(const Kind& k);

}  // namespace bench
