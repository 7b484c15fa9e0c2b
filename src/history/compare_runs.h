#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "errorlog/run_history.h"

namespace quorvex {

// What became of a finding from run A to run B.
enum class FindingStatus { Fixed, New, Still };
const char* StatusName(FindingStatus status);  // "fixed", "new", "still"

struct ComparedFinding {
    FindingStatus status = FindingStatus::New;
    HistoryFinding finding;              // B's; A's for a fixed one
    std::optional<std::int64_t> recNumA;  // where it stood in each run
    std::optional<std::int64_t> recNumB;
    std::int64_t number = 0;  // its place among the findings of the run it comes from (1 for the first)
    bool changed = false;     // still, but its user entry or message is not what it was in A
};

// Counts of fixed, new and still findings (indexed by FindingStatus).
using StatusCounts = std::array<std::int64_t, 3>;

struct Comparison {
    std::vector<ComparedFinding> findings;  // B's findings in its order, then the fixed ones in A's
    StatusCounts counts{};
    std::map<std::string, StatusCounts> byType;   // by record type
    std::map<std::string, StatusCounts> byField;  // by the field's reference

    std::int64_t Count(FindingStatus s) const { return counts[static_cast<int>(s)]; }
};

// The kind of a message: the message with each run of digits read as one "#". Sums and
// counts in a message ("The calculated sum ... is 12413057") change with every edit of
// the amounts, the finding they belong to does not. Asterisks before digits (a masked SSN,
// "*****6789") belong to the run: a finding shown with SSNs hidden is of the same kind.
std::string MessageKind(std::string_view message);

// `f` as a comparison shows it with SSNs hidden (common/hidden_ssn.h): the SSN of its
// record's key (an RW or RO record's, before the "/") masked there and in its user entry,
// and the SSN an RT or RU message names. Comparisons match the findings as kept.
HistoryFinding WithSsnsHidden(HistoryFinding f);

// Findings of run B against run A. Two findings match when their record's type, key and
// occurrence, their field and their message's kind are the same: never by record number,
// so that records inserted or removed elsewhere change nothing. Repeated equal findings
// pair off in order.
Comparison CompareRuns(const std::vector<HistoryFinding>& a, const std::vector<HistoryFinding>& b);

// The runs to compare when the user names none, or only B: B is the last run (or `b`), A
// the run before it of the same submission name, else the run just before it. nullopt
// when there are not two runs.
std::optional<std::pair<std::int64_t, std::int64_t>> DefaultPair(const std::vector<HistoryRun>& runs,
                                                                 std::optional<std::int64_t> b = std::nullopt);

}  // namespace quorvex
