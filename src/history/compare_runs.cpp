#include "history/compare_runs.h"

#include <deque>
#include <unordered_map>

#include "common/hidden_ssn.h"

namespace quorvex {

namespace {

std::string MatchKey(const HistoryFinding& f) {
    std::string key = f.type;
    for (const std::string* part : {&f.key, &f.reference}) {
        key += '\x1f';
        key += *part;
    }
    key += '\x1f' + MessageKind(f.message);
    key += '\x1f' + std::to_string(f.occurrence);
    return key;
}

}  // namespace

std::string MessageKind(std::string_view message) {
    std::string kind;
    for (std::size_t i = 0; i < message.size(); ++i) {
        // The asterisks of a masked SSN (MaskSsn) stand for digits: the kind stays the same.
        std::size_t digit = i;
        while (digit < message.size() && message[digit] == '*') ++digit;
        if (digit == message.size() || message[digit] < '0' || message[digit] > '9') {
            kind += message[i];
            continue;
        }
        i = digit;
        if (kind.empty() || kind.back() != '#') kind += '#';
    }
    return kind;
}

HistoryFinding WithSsnsHidden(HistoryFinding f) {
    const std::size_t slash = f.type == "RW" || f.type == "RO" ? f.key.find('/') : std::string::npos;
    const std::string ssn = slash == std::string::npos ? std::string() : f.key.substr(0, slash);
    HideSsns(f.userEntry, ssn);
    HideSsns(f.message, {});  // the rule's text: an SSN only after 'SSN#: '
    if (!ssn.empty()) f.key.replace(0, slash, MaskSsn(ssn));
    return f;
}

const char* StatusName(FindingStatus status) {
    switch (status) {
        case FindingStatus::Fixed: return "fixed";
        case FindingStatus::New: return "new";
        case FindingStatus::Still: return "still";
    }
    return "";
}

Comparison CompareRuns(const std::vector<HistoryFinding>& a, const std::vector<HistoryFinding>& b) {
    std::unordered_map<std::string, std::deque<std::size_t>> open;
    open.reserve(a.size());
    for (std::size_t i = 0; i < a.size(); ++i) open[MatchKey(a[i])].push_back(i);
    std::vector<bool> matched(a.size(), false);
    Comparison c;
    c.findings.reserve(b.size() + a.size());
    auto add = [&c](FindingStatus status, const HistoryFinding& f, std::optional<std::int64_t> recA,
                    std::optional<std::int64_t> recB, std::size_t index, bool changed) {
        const int s = static_cast<int>(status);
        ++c.counts[s];
        ++c.byType[f.type][s];
        ++c.byField[f.reference][s];
        c.findings.push_back(ComparedFinding{status, f, recA, recB, static_cast<std::int64_t>(index) + 1, changed});
    };
    for (std::size_t j = 0; j < b.size(); ++j) {
        const HistoryFinding& f = b[j];
        const auto at = open.find(MatchKey(f));
        if (at == open.end() || at->second.empty()) {
            add(FindingStatus::New, f, std::nullopt, f.recNum, j, false);
            continue;
        }
        const std::size_t i = at->second.front();
        at->second.pop_front();
        matched[i] = true;
        add(FindingStatus::Still, f, a[i].recNum, f.recNum, j,
            a[i].userEntry != f.userEntry || a[i].message != f.message);
    }
    for (std::size_t i = 0; i < a.size(); ++i)
        if (!matched[i]) add(FindingStatus::Fixed, a[i], a[i].recNum, std::nullopt, i, false);
    return c;
}

std::optional<std::pair<std::int64_t, std::int64_t>> DefaultPair(const std::vector<HistoryRun>& runs,
                                                                 std::optional<std::int64_t> b) {
    std::size_t at = runs.size();
    for (std::size_t i = 0; i < runs.size(); ++i)
        if (!b || runs[i].id == *b) at = i;
    if (at == runs.size() || at == 0) return std::nullopt;
    for (std::size_t i = at; i-- > 0;)
        if (runs[i].Submission() == runs[at].Submission()) return std::pair{runs[i].id, runs[at].id};
    return std::pair{runs[at - 1].id, runs[at].id};
}

}  // namespace quorvex
