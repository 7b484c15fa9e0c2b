#include "cli/check_arguments.h"

#include <array>
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

int Usage(const std::string& problem) { return Usage(problem.c_str()); }

namespace {

using Values = std::vector<std::string>;
using Taken = std::optional<int>;

// An option given on the command line, with its value (the last one when given twice).
struct Given {
    const CheckOption* row;
    std::string value;
};
using GivenOptions = std::vector<Given>;


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

Taken TakeHelp(CheckOptions&, const Values&) {
    std::fputs(CheckUsage().c_str(), stdout);
    return kExitNoErrors;
}

Taken TakeVersion(CheckOptions&, const Values&) {
    std::printf("quorvex-check %d.%d.%d\n", QUORVEX_VERSION_MAJOR, QUORVEX_VERSION_MINOR, QUORVEX_VERSION_PATCH);
    return kExitNoErrors;
}

// Takes a name of a file or a folder into `field`; an empty one is refused with `problem`.
template <class Field>
Taken TakeName(Field& field, const std::string& name, const char* problem) {
    if (name.empty()) return Usage(problem);
    field = name;
    return std::nullopt;
}

Taken TakeDataDir(CheckOptions& o, const Values& v) {
    return TakeName(o.dataDir, v[0], "--data-dir: the folder name is empty");
}

Taken TakeLimit(CheckOptions& o, const Values& v) {
    const int n = ParseErrorLimitEntry(v[0]);
    if (n == 0) return Usage("--limit " + v[0] + ": must be a whole number from 1 to 25,000");
    o.limit = n;
    return std::nullopt;
}

Taken TakeToday(CheckOptions& o, const Values& v) {
    o.today = ParseDate(v[0]);
    if (!o.today) return Usage("--today " + v[0] + ": not a date of the calendar as YYYY-MM-DD");
    return std::nullopt;
}

Taken TakeThreads(CheckOptions& o, const Values& v) {
    if (v[0] != "1" && v[0] != "2") return Usage("--threads must be 1 or 2");
    o.writerThread = v[0] == "2";
    return std::nullopt;
}

Taken TakeQuiet(CheckOptions& o, const Values&) {
    o.quiet = true;
    return std::nullopt;
}

Taken TakeShowRecord(CheckOptions& o, const Values& v) {
    char* end = nullptr;
    const long long n = std::strtoll(v[0].c_str(), &end, 10);
    if (v[0].empty() || *end != '\0' || n < 1) return Usage("--show-record needs a record number");
    o.showRecord = n;
    return std::nullopt;
}

Taken TakeReport(CheckOptions& o, const Values& v) {
    if (v[0] == "text") o.reports.report = ReportFormat::Text;
    else if (v[0] == "html") o.reports.report = ReportFormat::Html;
    else return Usage("--report must be text or html");
    return std::nullopt;
}

Taken TakeReportFile(CheckOptions& o, const Values& v) {
    return TakeName(o.reports.reportFile, v[0], "--report-file needs a file (- for standard output)");
}

Taken TakeFindings(CheckOptions& o, const Values& v) {
    const FindingsFormatInfo* format = FormatNamed(v[0]);
    if (!format) return Usage(std::string("--findings must be ").append(FormatNames(nullptr, ", ", " or ")));
    o.reports.findings = format->format;
    return std::nullopt;
}

Taken TakeFindingsFile(CheckOptions& o, const Values& v) {
    return TakeName(o.reports.findingsFile, v[0], "--findings-file needs a file (- for standard output)");
}

Taken TakeSarifRoot(CheckOptions& o, const Values& v) {
    return TakeName(o.reports.sarifRoot, v[0], "--sarif-root needs a folder");
}

Taken TakeRedact(CheckOptions& o, const Values&) {
    o.reports.hideSsns = true;
    return std::nullopt;
}

Taken TakeHistory(CheckOptions& o, const Values&) {
    o.history = true;
    return std::nullopt;
}

Taken TakeCompare(CheckOptions& o, const Values& runs) {
    o.compare.emplace();
    for (const std::string& run : runs) {
        if (run.empty() || run.find_first_not_of("0123456789") != std::string::npos)
            return Usage("--compare " + run + ": a run number was expected, as --history lists them (1, 2, ...)");
        o.compare->push_back(run);
    }
    return std::nullopt;
}

Taken TakeFailOn(CheckOptions& o, const Values& v) {
    if (v[0] != "new" && v[0] != "any") return Usage("--fail-on must be new or any");
    o.failOnNew = v[0] == "new";
    return std::nullopt;
}

Taken TakeFixOut(CheckOptions& o, const Values& v) {
    return TakeName(o.fixOut, v[0], "--fix-out needs a file or folder");
}

constexpr unsigned kWritingModes = kModeTest | kModeLog;
constexpr unsigned kFindingsModes = kModeTest | kModeLog | kModeHistory | kModeCompare;

// The options. A new one is a row here and, when it keeps a value, a member of CheckOptions.
const std::array kOptions{
    CheckOption{"--data-dir", 0, OptionValue::One, "DIR", "a folder", kEveryMode, 0, "",
                "program folder for this run (Errorlog.mdb, ErrSetLog.ini); also the environment variable "
                "QUORVEX_DATA_DIR. Default: the folder of the program, or the per-user data folder "
                "(~/.local/share/quorvex) when that is not writable or the program is installed",
                &TakeDataDir},
    CheckOption{"--limit", 0, OptionValue::One, "N", "a number", kModeTest, 0, "",
                "error limit for this run only, 1 to 25,000 (not saved); without it the limit comes from "
                "ErrSetLog.ini (500 by default)",
                &TakeLimit},
    CheckOption{"--today", 0, OptionValue::One, "D", "a date", kModeTest, 0, "",
                "the date used as today (YYYY-MM-DD): the report date and the online filing prompt", &TakeToday},
    CheckOption{"--threads", 0, OptionValue::One, "N", "1 or 2", kModeTest, 0, "",
                "1: the error log is written on the thread that checks the records; 2 (the default): on a thread "
                "of its own, while the records are checked. The log is the same either way. Also the environment "
                "variable QUORVEX_THREADS",
                &TakeThreads},
    CheckOption{"--quiet", 'q', OptionValue::None, "", "", kWritingModes, 0, "",
                "no summary, no progress bar, no results: only warnings and errors", &TakeQuiet},
    CheckOption{"--show-record", 0, OptionValue::One, "N", "a record number", kModeShow, kModeShow, "",
                "tests nothing and writes nothing: prints record N of the error log left in the program folder as "
                "the desktop program's record viewer shows it, one line per field: index, TAB, positions a-b, TAB, "
                "caption, TAB, [value as stored], TAB, and * when the field is highlighted",
                &TakeShowRecord},
    CheckOption{"--report", 0, OptionValue::One, "text|html", "text or html", kWritingModes, 0, "",
                "the error report, written only when there are errors (else \"No errors found in the "
                "submission!\"): text, the whole report with CR LF line ends (not cut at 64,000 characters); "
                "html, the HTML report laid out for a screen 1280 pixels wide",
                &TakeReport},
    CheckOption{"--report-file", 0, OptionValue::One, "PATH", "a file (- for standard output)", kWritingModes, 0,
                "--report",
                "where the report goes: default ErrorReport.txt (text) or temphtm.HTM (html) in the program "
                "folder; - for standard output",
                &TakeReportFile},
    CheckOption{"--findings", 0, OptionValue::One, "FORMAT", "a format", kFindingsModes, 0, "",
                "every finding, for other programs, in one of the findings formats below",
                &TakeFindings},
    CheckOption{"--sarif-root", 0, OptionValue::One, "DIR", "a folder", kWritingModes | kModeCompare, 0,
                "--findings sarif",
                "SARIF names the files relative to DIR (%SRCROOT%), a file outside it by its absolute file URI. "
                "Default: the current folder",
                &TakeSarifRoot},
    CheckOption{"--findings-file", 0, OptionValue::One, "PATH", "a file (- for standard output)", kFindingsModes,
                0, "--findings", "where the findings go: default standard output (also -)", &TakeFindingsFile},
    CheckOption{"--redact", 0, OptionValue::None, "", "", kWritingModes | kModeShow | kModeCompare, 0, "",
                "every SSN in the report, the findings, the comparison and --show-record shown as its last four "
                "digits (*****6789); the log and the history keep them. Also QUORVEX_REDACT=1",
                &TakeRedact},
    CheckOption{"--history", 0, OptionValue::None, "", "", kModeHistory, kModeHistory, "",
                "lists the runs: number, date, outcome, counts, files; with --findings, the same fields for other "
                "programs",
                &TakeHistory},
    CheckOption{"--compare", 0, OptionValue::Runs, "[A [B]]", "", kModeCompare, kModeCompare, "",
                "the findings of run B against run A: fixed (in A only), new (in B only), still (in both, with both "
                "record numbers), counted by record type and by field. Default: the last run against the one "
                "before it of the same submission name (else any); A alone: the last run against A",
                &TakeCompare},
    CheckOption{"--fail-on", 0, OptionValue::One, "new|any", "new or any", kModeCompare, 0, "",
                "when the comparison fails (exit status 1): new, only when B has a new finding; any (the "
                "default), when B has a new or a still one",
                &TakeFailOn},
    CheckOption{"--fix-out", 0, OptionValue::One, "PATH", "a file or folder", kModeTest, 0, "",
                "after the run, writes a corrected copy of FILE to PATH (a new private file, never over an input "
                "or the program folder's files): byte for byte the file, but the RT and RU counts and totals and "
                "the RF count that disagree with the records they count or sum, each set to the value the file "
                "decides; lists each change on standard output. With several files, or when PATH is a folder, "
                "each corrected file goes into PATH under its own name. Nothing to fix: no file is written",
                &TakeFixOut},
    CheckOption{"--help", 'h', OptionValue::None, "", "", 0, 0, "", "this text", &TakeHelp},
    CheckOption{"--version", 'V', OptionValue::None, "", "", 0, 0, "", "the program's name and version",
                &TakeVersion},
};

// The row that names `a`: "--name", "-x", or "--name=value" for an option that takes a value.
const CheckOption* Named(std::string_view a) {
    for (const CheckOption& row : kOptions) {
        if (a == row.name || (row.letter && a.size() == 2 && a[0] == '-' && a[1] == row.letter)) return &row;
        if (row.takes == OptionValue::One && a.starts_with(row.name) && a.size() > row.name.size() &&
            a[row.name.size()] == '=')
            return &row;
    }
    return nullptr;
}

// The arguments still to read.
class Arguments {
public:
    Arguments(int argc, char** argv) : argc_(argc), argv_(argv) {}
    bool More() const { return at_ < argc_; }
    std::string Next() { return argv_[at_++]; }
    // The next argument, nullptr at the end.
    const char* Peek() const { return at_ < argc_ ? argv_[at_] : nullptr; }

private:
    int argc_;
    char** argv_;
    int at_ = 1;
};

// The values of `row`, given as `a`, read from `args` and taken into `o`; an exit status
// when one is missing or wrong.
Taken TakeOption(const CheckOption& row, const std::string& a, Arguments& args, CheckOptions& o,
                 GivenOptions& given) {
    Values values;
    const char* next = args.Peek();
    if (row.takes == OptionValue::One) {
        if (a.size() > row.name.size() && a[row.name.size()] == '=') {
            values.push_back(a.substr(row.name.size() + 1));
        } else if (next && (next[0] != '-' || next[1] == '\0')) {
            // "-" is a value (standard input or output); an option never is one.
            values.push_back(args.Next());
        } else {
            std::string problem = a + " needs " + std::string(row.lacking);
            if (next) problem += std::string(", not the option ") + next;
            return Usage(problem);
        }
    }
    while (row.takes == OptionValue::Runs && values.size() < 2 && args.Peek() && args.Peek()[0] != '-')
        values.push_back(args.Next());
    given.push_back({&row, values.empty() ? std::string() : values.front()});
    return row.take(o, values);
}

// The option given last named `name`; nullptr when it was not given.
const Given* Find(const GivenOptions& given, std::string_view name) {
    for (auto g = given.rbegin(); g != given.rend(); ++g)
        if (g->row->name == name) return &*g;
    return nullptr;
}

// The first option given that chooses a mode; nullptr when none.
const Given* Chooser(const GivenOptions& given) {
    for (const Given& g : given)
        if (g.row->chooses) return &g;
    return nullptr;
}

std::string Together(std::string_view first, std::string_view second) {
    return std::string(first) + " and " + std::string(second) + " do not go together";
}

// Two modes chosen at once, or a mode that tests nothing given a file.
Taken CheckChoosers(const CheckOptions& o, const GivenOptions& given) {
    const Given* chooser = Chooser(given);
    if (!chooser) return std::nullopt;
    for (const Given& g : given)
        if (g.row->chooses && g.row->chooses != chooser->row->chooses)
            return Usage(Together(chooser->row->name, g.row->name));
    if (!o.files.empty()) return Usage(std::string(chooser->row->name) + " tests no file");
    return std::nullopt;
}

// An option given without the one it has an effect with, or with another value of it.
Taken CheckNeeds(const GivenOptions& given) {
    for (const Given& g : given) {
        const std::string_view needs = g.row->needs;
        if (needs.empty()) continue;
        const std::size_t blank = needs.find(' ');
        const std::string_view name = needs.substr(0, blank);
        const Given* other = Find(given, name);
        if (!other) return Usage(std::string(g.row->name) + " needs " + std::string(needs));
        if (blank != std::string_view::npos && other->value != needs.substr(blank + 1))
            return Usage(Together(g.row->name, std::string(name) + " " + other->value));
    }
    return std::nullopt;
}

// The mode of the command line; 0 when it has none (nothing to test, nothing to read).
unsigned ModeOf(const CheckOptions& o, const GivenOptions& given) {
    if (const Given* chooser = Chooser(given)) return chooser->row->chooses;
    if (!o.files.empty()) return kModeTest;
    return o.reports.Any() ? unsigned{kModeLog} : 0U;
}

// An option that has no effect in the mode.
Taken CheckEffects(unsigned mode, const GivenOptions& given) {
    const Given* chooser = Chooser(given);
    for (const Given& g : given) {
        if (g.row->modes & mode) continue;
        if (chooser) return Usage(Together(chooser->row->name, g.row->name));
        return Usage(std::string(g.row->name) +
                     (mode == kModeTest ? " has no effect on a test run" : " has no effect without a submission FILE"));
    }
    return std::nullopt;
}

// A findings format the mode does not write.
Taken CheckFindingsFormat(unsigned mode, const CheckOptions& o) {
    using Info = FindingsFormatInfo;
    if (!o.reports.findings) return std::nullopt;
    const Info& format = FormatInfo(*o.reports.findings);
    const std::string given = "--findings " + std::string(format.name);
    if (mode == kModeHistory && !format.listsRuns)
        return Usage(Together("--history", given) + ": the list is written as " +
                     FormatNames([](const Info& f) { return f.listsRuns; }, ", ", " or "));
    if (mode == kModeCompare && !format.compares)
        return Usage(Together("--compare", given) + ": the comparison is written as " +
                     FormatNames([](const Info& f) { return f.compares; }, ", ", " or "));
    if (mode == kModeLog && format.needsRun) return Usage(given + " needs the run: give the submission FILE");
    return std::nullopt;
}

// The report and the findings both sent to standard output, where they would be mixed.
Taken CheckStandardOutput(const CheckOptions& o) {
    const ReportRequest& r = o.reports;
    if (!r.report || r.reportFile != "-" || !r.findings || !(r.findingsFile.empty() || r.findingsFile == "-"))
        return std::nullopt;
    return Usage(Together("--report-file -", r.findingsFile.empty() ? "--findings without --findings-file"
                                                                    : "--findings-file -") +
                 ": both write to standard output");
}

// --fix-out reads the files again and lists its changes on standard output.
Taken CheckFixOut(const CheckOptions& o) {
    if (!o.fixOut) return std::nullopt;
    for (const std::string& file : o.files)
        if (file == "-") return Usage("--fix-out cannot read standard input a second time: give the FILE");
    if (o.reports.ToStandardOutput()) return Usage("--fix-out lists its changes on standard output");
    return std::nullopt;
}

// The options that do not go together, or a mode without what it needs: the exit status
// after saying so; nullopt when the command line is complete.
Taken CheckCombination(const CheckOptions& o, const GivenOptions& given) {
    if (const Taken end = CheckChoosers(o, given)) return end;
    if (const Taken end = CheckNeeds(given)) return end;
    const unsigned mode = ModeOf(o, given);
    if (mode == 0) return Usage("no submission file given");
    if (const Taken end = CheckEffects(mode, given)) return end;
    if (const Taken end = CheckFindingsFormat(mode, o)) return end;
    if (const Taken end = CheckFixOut(o)) return end;
    return CheckStandardOutput(o);
}

}  // namespace

std::span<const CheckOption> CheckOptionTable() { return kOptions; }

Date Today() {
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    return Date{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday};
}
std::optional<int> ParseArguments(int argc, char** argv, CheckOptions& o) {
    Arguments args(argc, argv);
    GivenOptions given;
    while (args.More()) {
        const std::string a = args.Next();
        if (a == "--") {
            while (args.More()) o.files.push_back(args.Next());
        } else if (const CheckOption* row = Named(a)) {
            if (const Taken end = TakeOption(*row, a, args, o, given)) return end;
        } else if (a.size() > 1 && a[0] == '-') {
            return Usage("unknown option " + a);
        } else {
            o.files.push_back(a);
        }
    }
    return CheckCombination(o, given);
}

}  // namespace quorvex::check
