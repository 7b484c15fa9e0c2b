#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "errorlog/run_history.h"
#include "history/compare_runs.h"

namespace quorvex {

// The runs of a history, one line each: id, date, outcome, counts and files (UTF-8).
std::string HistoryListText(const std::vector<HistoryRun>& runs);

// The comparison of run `b` against run `a` for people: the counts, by record type and by
// field, then the new, the fixed and the still findings with their record numbers (UTF-8),
// with `hideSsns` each SSN masked (WithSsnsHidden).
std::string ComparisonText(const HistoryRun& a, const HistoryRun& b, const Comparison& c, bool hideSsns = false);

// The runs `--compare` names: none, the last run against the one before it (of the same
// submission, else any); A alone, the last run against A; A and B, as the user wrote their
// numbers. nullopt after saying on standard error why there is nothing to compare (a run
// that is not kept, one run twice).
std::optional<std::pair<const HistoryRun*, const HistoryRun*>> ChooseRuns(const std::vector<HistoryRun>& runs,
                                                                         const std::vector<std::string>& named);

}  // namespace quorvex
