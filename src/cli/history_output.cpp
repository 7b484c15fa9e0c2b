#include "cli/history_output.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "common/terminal_text.h"
#include "common/text_1252.h"
#include "report/core/report_writers.h"

namespace quorvex {

namespace {

std::string Padded(std::string text, std::size_t width, bool right = false) {
    if (text.size() < width) text.insert(right ? 0 : text.size(), width - text.size(), ' ');
    return text;
}

std::string Files(const HistoryRun& run) {
    std::string files;
    for (const HistoryFile& f : run.files) {
        if (!files.empty()) files += ", ";
        files += TerminalValue(f.name);
        if (f.size < 0) continue;
        files += " (" + std::to_string(f.size) + " bytes, ";
        files += f.changed          ? std::string(kChangedWhileTested)
                 : f.sha256.empty() ? std::string("not hashed")
                                    : f.sha256.substr(0, 12);
        files += ")";
    }
    return files;
}

std::string Counts(const StatusCounts& n) {
    return Padded(std::to_string(n[0]), 8, true) + Padded(std::to_string(n[1]), 8, true) +
           Padded(std::to_string(n[2]), 8, true);
}

std::string Row(const ComparedFinding& compared, bool hideSsns) {
    const HistoryFinding f = hideSsns ? WithSsnsHidden(compared.finding) : compared.finding;
    std::string where;
    if (compared.recNumB) where = "record " + std::to_string(*compared.recNumB);
    if (compared.recNumA)
        where += where.empty() ? "was record " + std::to_string(*compared.recNumA)
                               : " (was " + std::to_string(*compared.recNumA) + ")";
    std::string text = f.reference + ": " + f.message;
    text += BracketedEntry(f.userEntry);
    std::string who = f.type;
    if (!f.key.empty()) who += " " + f.key;
    return "  " + where + ", " + TerminalValue(Cp1252ToUtf8(who)) + ": " + TerminalValue(Cp1252ToUtf8(text)) + "\n";
}

}  // namespace

std::string HistoryListText(const std::vector<HistoryRun>& runs) {
    std::string text = "  RUN  DATE                 OUTCOME          RECORDS  WITH ERRORS   ERRORS  FILES\n";
    for (const HistoryRun& r : runs)
        text += Padded(std::to_string(r.id), 5, true) + "  " + Padded(r.when, 19) + "  " + Padded(r.outcome, 14) +
                Padded(std::to_string(r.records), 10, true) + Padded(std::to_string(r.recordsWithErrors), 13, true) +
                Padded(std::to_string(r.errors), 9, true) + "  " + Files(r) + "\n";
    return text;
}

std::string ComparisonText(const HistoryRun& a, const HistoryRun& b, const Comparison& c, bool hideSsns) {
    auto name = [](const HistoryRun& r) {
        return "run " + std::to_string(r.id) + " (" + r.when + ", " + TerminalValue(r.Submission()) + ", " + r.outcome +
               ")";
    };
    std::string text = "Run " + name(b).substr(4) + " against " + name(a) + "\n";
    text += "Fixed: " + std::to_string(c.Count(FindingStatus::Fixed)) +
            "   New: " + std::to_string(c.Count(FindingStatus::New)) +
            "   Still: " + std::to_string(c.Count(FindingStatus::Still)) + "\n\n";
    text += Padded("By record type", 60) + "   fixed     new   still\n";
    for (const auto& [type, n] : c.byType)
        text += "  " + Padded(TerminalValue(Cp1252ToUtf8(type)), 58) + Counts(n) + "\n";
    text += '\n';
    text += Padded("By field", 60) + "   fixed     new   still\n";
    for (const auto& [field, n] : c.byField) {
        std::string caption = TerminalValue(Cp1252ToUtf8(field));
        text += "  " + Padded(caption.size() > 58 ? caption.substr(0, 55) + "..." : caption, 58) + Counts(n) + "\n";
    }
    for (const FindingStatus status : {FindingStatus::New, FindingStatus::Fixed, FindingStatus::Still}) {
        if (c.Count(status) == 0) continue;
        text += '\n';
        text += status == FindingStatus::New ? "New" : status == FindingStatus::Fixed ? "Fixed" : "Still";
        text += '\n';
        for (const ComparedFinding& f : c.findings)
            if (f.status == status) text += Row(f, hideSsns);
    }
    return text;
}

std::optional<std::pair<const HistoryRun*, const HistoryRun*>> ChooseRuns(const std::vector<HistoryRun>& runs,
                                                                         const std::vector<std::string>& named) {
    // The run numbered `number` (decimal digits, as given); told when there is none.
    auto find = [&](const std::string& number) -> const HistoryRun* {
        errno = 0;
        const long long id = std::strtoll(number.c_str(), nullptr, 10);
        if (errno == 0)
            for (const HistoryRun& r : runs)
                if (r.id == id) return &r;
        Print(stderr, "quorvex-check: the run history holds no run " + TerminalValue(number) + "\n");
        return nullptr;
    };
    if (named.empty()) {
        const auto pair = DefaultPair(runs);
        if (!pair) {
            Print(stderr, "quorvex-check: the run history holds fewer than two runs: nothing to compare\n");
            return std::nullopt;
        }
        return std::pair{find(std::to_string(pair->first)), find(std::to_string(pair->second))};
    }
    if (runs.empty()) {
        find(named.front());
        return std::nullopt;
    }
    const HistoryRun* a = find(named[0]);
    const HistoryRun* b = named.size() > 1 ? find(named[1]) : &runs.back();
    if (!a || !b) return std::nullopt;
    if (a == b) {
        Print(stderr, "quorvex-check: --compare names run " + std::to_string(a->id) +
                          " twice: a run compared with itself shows nothing; name two different runs\n");
        return std::nullopt;
    }
    return std::pair{a, b};
}

}  // namespace quorvex
