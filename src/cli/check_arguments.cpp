#include "cli/check_arguments.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "cli/check_usage.h"
#include "common/error_limit.h"
#include "common/terminal_text.h"
#include "report/core/findings_formats.h"

namespace quorvex::check {

int Usage(const char* problem) {
    Print(stderr, "quorvex-check: " + TerminalValue(problem) + "\nTry 'quorvex-check --help'.\n");
    return kExitNothingTested;
}

namespace {

std::optional<Date> ParseDate(const std::string& s) {
    int y, m, d;
    char extra;
    if (std::sscanf(s.c_str(), "%4d-%2d-%2d%c", &y, &m, &d, &extra) != 3) return std::nullopt;
    if (m < 1 || m > 12 || d < 1 || y < 1900) return std::nullopt;
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    const int days[] = {31, leap ? 29 : 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (d > days[m - 1]) return std::nullopt;
    return Date{y, m, d};
}

}  // namespace

Date Today() {
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    return Date{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday};
}


// The options that do not go together, or a mode without what it needs: the exit status
// after saying so; nullopt when the command line is complete.
std::optional<int> CheckCombination(const CheckOptions& o) {
    const auto& [dataDir, limit, today, writerThread, quiet, files, showRecord, reports, history, compare] = o;
    if (showRecord && (!files.empty() || reports.Any())) return Usage("--show-record tests no file");
    if (history || compare) {
        if (history && compare) return Usage("--history and --compare: choose one");
        if (showRecord || !files.empty()) return Usage(history ? "--history tests no file" : "--compare tests no file");
        if (reports.report) return Usage("--history and --compare write no report");
        using Info = FindingsFormatInfo;
        if (history && reports.findings && !FormatInfo(*reports.findings).listsRuns)
            return Usage(std::string("--history writes its list as ")
                             .append(FormatNames([](const Info& f) { return f.listsRuns; }, ", ", " or "))
                             .c_str());
        if (compare && reports.findings && !FormatInfo(*reports.findings).compares)
            return Usage(std::string("--compare writes its findings as ")
                             .append(FormatNames([](const Info& f) { return f.compares; }, ", ", " or "))
                             .c_str());
        return std::nullopt;
    }
    if (!showRecord && files.empty() && !reports.Any()) return Usage("no submission file given");
    if (files.empty() && reports.findings && FormatInfo(*reports.findings).needsRun)
        return Usage(std::string("--findings ")
                         .append(FormatInfo(*reports.findings).name)
                         .append(" needs the run: give the submission FILE")
                         .c_str());
    return std::nullopt;
}

// Parses the arguments into `o`; an exit status when the program is to end at once
// (--help, or an argument that is wrong).
std::optional<int> ParseArguments(int argc, char** argv, CheckOptions& o) {
    auto& [dataDir, limit, today, writerThread, quiet, files, showRecord, reports, history, compare] = o;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        // The value of an option, written "--name=value" or "--name value"; an option in
        // the value's place is never taken for one ("--data-dir --quiet" lacks its folder).
        auto value = [&](const char* name) -> std::optional<std::string> {
            std::string prefix = std::string(name) + "=";
            if (a.rfind(prefix, 0) == 0) return a.substr(prefix.size());
            if (i + 1 < argc && (argv[i + 1][0] != '-' || argv[i + 1][1] == '\0')) return std::string(argv[++i]);
            return std::nullopt;
        };
        auto missing = [&](const char* what) {
            std::string problem = a + " needs " + what;
            if (a.find('=') == std::string::npos && i + 1 < argc)
                problem += std::string(", not the option ") + argv[i + 1];
            return Usage(problem.c_str());
        };
        if (const auto problem = TakeReportArgument(a, value, reports)) {
            if (!problem->empty()) return Usage(problem->c_str());
        } else if (a == "--help" || a == "-h") {
            std::fputs(CheckUsage().c_str(), stdout);
            return kExitNoErrors;
        } else if (a == "--version" || a == "-V") {
            std::printf("quorvex-check %d.%d.%d\n", QUORVEX_VERSION_MAJOR, QUORVEX_VERSION_MINOR,
                        QUORVEX_VERSION_PATCH);
            return kExitNoErrors;
        } else if (a == "--quiet" || a == "-q") {
            quiet = true;
        } else if (a == "--data-dir" || a.rfind("--data-dir=", 0) == 0) {
            dataDir = value("--data-dir");
            if (!dataDir) return missing("a folder");
            if (dataDir->empty()) return Usage("--data-dir: the folder name is empty");
        } else if (a == "--limit" || a.rfind("--limit=", 0) == 0) {
            auto v = value("--limit");
            if (!v) return missing("a number");
            int n = ParseErrorLimitEntry(*v);
            if (n == 0) return Usage(("--limit " + *v + ": must be a whole number from 1 to 25,000").c_str());
            limit = n;
        } else if (a == "--today" || a.rfind("--today=", 0) == 0) {
            auto v = value("--today");
            if (!v) return missing("a date");
            today = ParseDate(*v);
            if (!today) return Usage(("--today " + *v + ": not a date of the calendar as YYYY-MM-DD").c_str());
        } else if (a == "--threads" || a.rfind("--threads=", 0) == 0) {
            auto v = value("--threads");
            if (!v) return missing("1 or 2");
            if (*v != "1" && *v != "2") return Usage("--threads must be 1 or 2");
            writerThread = *v == "2";
        } else if (a == "--show-record" || a.rfind("--show-record=", 0) == 0) {
            auto v = value("--show-record");
            char* end = nullptr;
            const long long n = v ? std::strtoll(v->c_str(), &end, 10) : 0;
            if (!v || v->empty() || *end != '\0' || n < 1) return Usage("--show-record needs a record number");
            showRecord = n;
        } else if (a == "--history") {
            history = true;
        } else if (a == "--compare") {
            compare.emplace();
            // Up to two run numbers follow: whatever is no option there is taken for one.
            while (compare->size() < 2 && i + 1 < argc && argv[i + 1][0] != '-') {
                const std::string run = argv[++i];
                if (run.empty() || run.find_first_not_of("0123456789") != std::string::npos)
                    return Usage(
                        ("--compare " + run + ": a run number was expected, as --history lists them (1, 2, ...)")
                            .c_str());
                compare->push_back(run);
            }
        } else if (a == "--") {
            for (++i; i < argc; ++i) files.emplace_back(argv[i]);
        } else if (a.size() > 1 && a[0] == '-') {
            return Usage(("unknown option " + a).c_str());
        } else {
            files.push_back(a);
        }
    }
    return CheckCombination(o);
}

}  // namespace quorvex::check
