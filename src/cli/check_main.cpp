#include "cli/check_main.h"

#include <unistd.h>

#include <chrono>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <deque>
#include <optional>
#include <string>

#include "cli/cli_services.h"
#include "cli/history_output.h"
#include "cli/record_origins.h"
#include "cli/report_output.h"
#include "cli/stop_signals.h"
#include "common/error_limit.h"
#include "common/folder_lock.h"
#include "common/program_folder.h"
#include "common/terminal_text.h"
#include "common/text_1252.h"
#include "errorlog/log_reader.h"
#include "errorlog/run_history.h"
#include "reader/run.h"
#include "report/core/browser.h"
#include "results/core/record_view.h"

namespace {

constexpr int kExitNoErrors = 0;
constexpr int kExitErrors = 1;
constexpr int kExitCritical = 2;
constexpr int kExitNothingTested = 3;
constexpr int kExitNotAllTested = 4;

const char* kUsage =
    "Usage: quorvex-check [--data-dir DIR] [--limit N] [--today YYYY-MM-DD] [--threads N] [--quiet]\n"
    "                     FILE [NEXT-FILE ...]\n"
    "       quorvex-check [--data-dir DIR] --show-record N\n"
    "       quorvex-check [--data-dir DIR] [--report FORMAT] [--findings FORMAT] (the last run's log)\n"
    "       quorvex-check [--data-dir DIR] --history\n"
    "       quorvex-check [--data-dir DIR] --compare [A [B]] [--findings json|csv|sarif]\n"
    "\n"
    "Tests a ZRW5 wage report submission (tax year 2008) and writes every tested record and\n"
    "every error found to the error log Errorlog.mdb in the program folder.\n"
    "\n"
    "  FILE          the submission file (answers the first file dialog); - is standard\n"
    "                input. A pipe or FIFO is read to its end\n"
    "  NEXT-FILE     further files of the same submission: each answers, in order, the\n"
    "                \"next file\" dialog that follows \"Missing Final Record\"; when none is\n"
    "                left there, that dialog counts as cancelled\n"
    "  --data-dir DIR  program folder for this run (Errorlog.mdb, ErrSetLog.ini); also\n"
    "                the environment variable QUORVEX_DATA_DIR. Default: the folder of the\n"
    "                program, or the per-user data folder (~/.local/share/quorvex) when\n"
    "                that is not writable or the program is installed\n"
    "  --limit N     error limit for this run only, 1 to 25,000 (not saved); without it\n"
    "                the limit comes from ErrSetLog.ini (500 by default)\n"
    "  --today D     the date used as today (YYYY-MM-DD): the report date and the online\n"
    "                filing prompt\n"
    "  --threads N   1: the error log is written on the thread that checks the records;\n"
    "                2 (the default): on a thread of its own, while the records are\n"
    "                checked. The log is the same either way. Also the environment\n"
    "                variable QUORVEX_THREADS\n"
    "  --quiet       no summary, no progress bar, no results: only warnings and errors\n"
    "  --show-record N  tests nothing and writes nothing: prints record N of the error log\n"
    "                left in the program folder as the desktop program's record viewer shows\n"
    "                it, one line per field: index, TAB, positions a-b, TAB, caption, TAB,\n"
    "                [value as stored], TAB, and * when the field is highlighted\n"
    "  --help        this text\n"
    "\n"
    "Message boxes of the run are printed to standard error as \"<title>: <text>\" and\n"
    "answered with their default button (OK; No for the online filing prompt).\n"
    "\n"
    "Error report and findings, of the run just made or, without FILE, of the error log the\n"
    "last run left in the program folder (its exit status then tells what that log holds).\n"
    "Written in UTF-8; the run's summary is left out when either goes to standard output.\n"
    "Control characters reach a terminal escaped (\\x1B); a file keeps the exact bytes.\n"
    "  --report text|html  the error report, written only when there are errors (else\n"
    "                \"No errors found in the submission!\"): text, the whole report with\n"
    "                CR LF line ends (not cut at 64,000 characters); html, the HTML report\n"
    "                laid out for a screen 1280 pixels wide\n"
    "  --report-file PATH  where the report goes: default ErrorReport.txt (text) or\n"
    "                temphtm.HTM (html) in the program folder; - for standard output\n"
    "  --findings json|csv|gnu|sarif  every finding, for other programs: json, an array of\n"
    "                objects; csv, RFC 4180 with a header row (a text cell that starts with\n"
    "                = + - @ TAB or CR gets a leading ', so no spreadsheet runs it); both\n"
    "                with the fields err_num, record, id, critical, reference, user_entry,\n"
    "                error. gnu, one line per finding as compilers write them, pointing at\n"
    "                the field in the file: FILE:LINE:COLUMN: error: REFERENCE: MESSAGE\n"
    "                [USER ENTRY] (critical for a critical error), control characters and\n"
    "                line feeds escaped; it needs the run, so FILE must be given. sarif,\n"
    "                SARIF 2.1.0: one rule per kind of message, each result at its file,\n"
    "                line and the field's columns (with FILE given), level error, critical\n"
    "                in its properties\n"
    "  --findings-file PATH  where the findings go: default standard output (also -)\n"
    "\n"
    "History of runs: every run that kept a log is added to RunHistory.db in the program\n"
    "folder (private, the last 50 runs; the environment variable QUORVEX_HISTORY_RUNS=N\n"
    "keeps N, 0 none): its files with size (and SHA-256 up to 32 MB), outcome, counts and\n"
    "findings, each\n"
    "keyed by what its record holds (SSN and EIN), not where it stood. A history that cannot\n"
    "be written never fails a run: a \"Run History\" message says so.\n"
    "  --history     lists the runs: number, date, outcome, counts, files\n"
    "  --compare [A [B]]  the findings of run B against run A: fixed (in A only), new (in\n"
    "                B only), still (in both, with both record numbers), counted by record\n"
    "                type and by field. Default: the last run against the one before it\n"
    "                of the same submission name (else any); A alone: the last run\n"
    "                against A. With --findings json|csv|sarif, each finding with its\n"
    "                status (SARIF: baselineState). Exit status 0 when B has no new and\n"
    "                no still finding, 1 otherwise, 3 when there is nothing to compare.\n"
    "                Example, after a fix and a second run:\n"
    "                  quorvex-check --compare      Fixed: 1   New: 0   Still: 9 ...\n"
    "\n"
    "Exit status:\n"
    "  0  the run finished with no errors\n"
    "  1  errors were found, none critical\n"
    "  2  the run was stopped by a critical error (the error limit included)\n"
    "  3  nothing could be tested: bad arguments, a file missing or unreadable, a file\n"
    "     that holds no record, or an error log that could not be written; or a run\n"
    "     without errors whose summary could not be written to standard output; with\n"
    "     --show-record: no error log, or no record N in it (0 when the record was\n"
    "     printed); --report or --findings without FILE: no error log, or a log\n"
    "     without records; any reading mode: a log whose run did not finish (the\n"
    "     program was killed; what it kept is shown with a notice), or a program\n"
    "     folder in use by a test in progress; and a program folder whose lock\n"
    "     cannot be taken\n"
    "  4  files named but not tested: the run ended (at its RF record, at a missing file)\n"
    "     before it read every NEXT-FILE; a warning names each file and why. 2 and 3 go\n"
    "     before 4\n"
    "  5  the report or the findings could not be written, or their file is one of\n"
    "     the submission files or a file the program folder keeps (Errorlog.mdb,\n"
    "     ErrSetLog.ini, quorvex.lock, RunHistory.db)\n"
    "  128+N  stopped by signal N, Ctrl-C (SIGINT: 130), SIGTERM (143), SIGHUP (129)\n"
    "     or SIGPIPE (141), as by the window's Exit: the records tested so far stay in\n"
    "     the log, the last one with the error \"Test Aborted\"; a second signal (but\n"
    "     SIGPIPE) ends the program at once\n";

int Usage(const char* problem) {
    quorvex::Print(stderr, "quorvex-check: " + quorvex::TerminalValue(problem) + "\n\n" + kUsage);
    return kExitNothingTested;
}

std::optional<quorvex::Date> ParseDate(const std::string& s) {
    int y, m, d;
    char extra;
    if (std::sscanf(s.c_str(), "%4d-%2d-%2d%c", &y, &m, &d, &extra) != 3) return std::nullopt;
    if (m < 1 || m > 12 || d < 1 || y < 1900) return std::nullopt;
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    const int days[] = {31, leap ? 29 : 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (d > days[m - 1]) return std::nullopt;
    return quorvex::Date{y, m, d};
}

quorvex::Date Today() {
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    return quorvex::Date{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday};
}

// The command line, as parsed.
struct CheckOptions {
    std::optional<std::string> dataDir;
    std::optional<int> limit;
    std::optional<quorvex::Date> today;
    std::optional<bool> writerThread;
    bool quiet = false;
    std::deque<std::string> files;
    std::optional<std::int64_t> showRecord;
    quorvex::ReportRequest reports;
    bool history = false;
    std::optional<std::vector<std::int64_t>> compare;  // the runs named, A then B
};

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
        if (const auto problem = quorvex::TakeReportArgument(a, value, reports)) {
            if (!problem->empty()) return Usage(problem->c_str());
        } else if (a == "--help" || a == "-h") {
            std::fputs(kUsage, stdout);
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
            int n = quorvex::ParseErrorLimitEntry(*v);
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
            // Up to two run numbers follow.
            while (compare->size() < 2 && i + 1 < argc && *argv[i + 1] &&
                   std::string(argv[i + 1]).find_first_not_of("0123456789") == std::string::npos)
                compare->push_back(std::strtoll(argv[++i], nullptr, 10));
        } else if (a == "--") {
            for (++i; i < argc; ++i) files.emplace_back(argv[i]);
        } else if (a.size() > 1 && a[0] == '-') {
            return Usage(("unknown option " + a).c_str());
        } else {
            files.push_back(a);
        }
    }
    if (showRecord && (!files.empty() || reports.Any())) return Usage("--show-record tests no file");
    if (history || compare) {
        if (history && compare) return Usage("--history and --compare: choose one");
        if (showRecord || !files.empty()) return Usage(history ? "--history tests no file" : "--compare tests no file");
        if (reports.report || (history && reports.findings)) return Usage("--history and --compare write no report");
        if (reports.findings == quorvex::FindingsKind::Gnu)
            return Usage("--compare writes its findings as json, csv or sarif");
        return std::nullopt;
    }
    if (!showRecord && files.empty() && !reports.Any()) return Usage("no submission file given");
    if (files.empty() && reports.findings == quorvex::FindingsKind::Gnu)
        return Usage("--findings gnu needs the run: give the submission FILE");
    return std::nullopt;
}

// The folder lock of a command that reads or writes the program folder; nullopt after
// saying why it cannot be had: a program holds it (a test in progress, or the desktop
// program), or the lock file cannot be used. No program runs without the lock.
std::optional<quorvex::FolderLock>& TakeFolder(const std::filesystem::path& folder,
                                                std::optional<quorvex::FolderLock>& lock, bool reading) {
    lock.emplace(folder);
    switch (lock->GetState()) {
        case quorvex::FolderLock::State::Held:
            return lock;
        case quorvex::FolderLock::State::InUse:
            quorvex::Print(stderr, "quorvex-check: the program folder " + quorvex::TerminalValue(folder.string()) +
                                       (reading ? " is in use: a test is in progress there (a test run, or the "
                                                  "desktop program, holds the folder), so its error log is not "
                                                  "complete yet. Try again once that program has ended.\n"
                                                : " is in use by another Quorvex program (a test run, or the desktop "
                                                  "program); its error log was left as it is. Try again once that "
                                                  "program has ended.\n"));
            break;
        case quorvex::FolderLock::State::Unavailable:
            quorvex::Print(stderr, "quorvex-check: the program folder " + quorvex::TerminalValue(folder.string()) +
                                       " cannot be locked for this program alone (" +
                                       quorvex::TerminalValue(lock->Problem()) +
                                       "); nothing was " + (reading ? "read" : "tested") + ".\n");
            break;
    }
    lock.reset();
    return lock;
}

// The log the last run left in the program folder, with the folder held while it is read;
// nullopt after saying that there is none or that it cannot be read now. A --data-dir that
// is no folder is not made.
std::optional<quorvex::LogReader> LastLog(const CheckOptions& o, std::optional<quorvex::FolderLock>& lock) {
    std::filesystem::path folder;
    if (o.dataDir && !std::filesystem::is_directory(*o.dataDir)) {
        folder = *o.dataDir;
    } else {
        folder = quorvex::ResolveProgramFolder(o.dataDir);
        // A folder without a log is left as it is; one with a log is held while it is read.
        if (quorvex::LogFile::Find(folder)) {
            if (!TakeFolder(folder, lock, true)) return std::nullopt;
            if (auto log = quorvex::LogReader::OpenIn(folder)) return log;
        }
    }
    quorvex::Print(stderr, "quorvex-check: there is no error log in " + quorvex::TerminalValue(folder.string()) + "\n");
    return std::nullopt;
}

// Says, before anything of it is shown, that the log's run did not finish; whether it did not.
bool TellInterrupted(const quorvex::LogReader& log) {
    if (!log.RunInProgress()) return false;
    quorvex::Print(stderr, "quorvex-check: warning: the error log " + quorvex::TerminalValue(log.Path().string()) + ": " +
                               quorvex::Cp1252ToUtf8(quorvex::InterruptedRunHead(log.LastRecNum()) + " " +
                                                     quorvex::InterruptedRunBody()) +
                               "\n");
    return true;
}

// --show-record: record N of the log left in the program folder, as the record viewer
// shows it. Nothing is tested and nothing is written.
int ShowRecord(const CheckOptions& o) {
    std::optional<quorvex::FolderLock> lock;
    const std::optional<quorvex::LogReader> log = LastLog(o, lock);
    if (!log) return kExitNothingTested;
    const bool interrupted = TellInterrupted(*log);
    quorvex::BlockContexts contexts;
    const auto view = quorvex::ViewRecord(*log, *o.showRecord, contexts);
    if (!view) {
        quorvex::Print(stderr, "quorvex-check: the error log " + quorvex::TerminalValue(log->Path().string()) +
                                   " holds no record " + std::to_string(*o.showRecord) + "\n");
        return kExitNothingTested;
    }
    quorvex::Print(stdout, quorvex::RecordViewText(*view));
    return interrupted ? kExitNothingTested : kExitNoErrors;
}

// The test run of the command line; its exit status.
int Check(CheckOptions o, const std::function<void(quorvex::RunOptions&)>& adjust) {
    auto& [dataDir, limit, today, writerThread, quiet, files, showRecord, reports, history, compare] = o;

    std::filesystem::path folder;
    try {
        folder = quorvex::ResolveProgramFolder(dataDir);
    } catch (const std::exception& e) {
        quorvex::Print(stderr, "quorvex-check: " + quorvex::TerminalValue(e.what()) + "\n");
        return kExitNothingTested;
    }
    if (const std::string problem = quorvex::ProgramFolderProblem(folder); !problem.empty()) {
        quorvex::Print(stderr, "quorvex-check: " + quorvex::TerminalValue(problem) + "\n");
        return kExitNothingTested;
    }
    // One program at a time in the folder, before its settings or its log are touched.
    std::optional<quorvex::FolderLock> lock;
    if (!TakeFolder(folder, lock, false)) return kExitNothingTested;
    quorvex::RunOptions options;
    options.programFolder = folder;
    options.errorLimit = limit ? *limit : quorvex::GetErrorLimit(folder);
    if (writerThread) options.writerThread = *writerThread;
    if (adjust) adjust(options);

    // --findings gnu: where the records with errors began, kept while the run is made.
    std::optional<quorvex::RecordOrigins> origins;
    quorvex::Run* running = nullptr;
    if (reports.findings == quorvex::FindingsKind::Gnu || reports.findings == quorvex::FindingsKind::Sarif) {
        origins.emplace();
        options.recordOrigin = [&](const quorvex::RecordOrigin& r) { origins->Add(r, running->Log()->ErrorCount()); };
    }

    for (const std::string& file : files)
        if (file != "-") reports.inputs.emplace_back(file);
    std::string first = files.front();
    files.pop_front();
    bool progress = !quiet && ::isatty(STDERR_FILENO);
    quorvex::StopSignals stopSignals;
    quorvex::CliServices services(first, std::move(files), today ? *today : Today(), progress, quiet);
    options.noErrors = [&services, &folder] { quorvex::SubmissionPrompt(services, folder); };
    quorvex::Run run(services, options);
    running = &run;
    quorvex::RunSummary s = run.ReadFile();
    if (origins) origins->Finish();
    try {
        run.CloseDatabase();
    } catch (const quorvex::LogFailure& e) {
        services.Message("Error Number: " + std::to_string(e.number) + "\r\nError Description: " + e.description,
                         "Submission File Error", quorvex::MsgIcon::Critical, quorvex::MsgButtons::Ok);
        return kExitNothingTested;
    }

    using quorvex::RunOutcome;
    const bool summary = !quiet && !reports.ToStandardOutput();
    if (summary && s.recordsTested > 0) {
        std::printf("Records tested:            %lld\n", static_cast<long long>(s.recordsTested));
        std::printf("Records with errors:       %lld\n", static_cast<long long>(s.recordsWithErrors));
        std::printf("Errors found:              %lld\n", static_cast<long long>(s.errorsFound));
        // A run stopped by a critical error, or a log that says it is incomplete.
        if (s.criticalRecord > 0) {
            std::printf("Execution of Testing was terminated due to the Critical Error in Record Number %lld\n",
                        static_cast<long long>(s.criticalRecord));
            quorvex::Print(stdout, "  " +
                                       quorvex::TerminalValue(quorvex::Cp1252ToUtf8(
                                           s.criticalReference + " " + s.criticalUserEntry + ": " + s.criticalError)) +
                                       "\n");
        }
        const std::string logPath = quorvex::LogFile::PathIn(folder).string();
        quorvex::Print(stdout, "Error log:                 " + quorvex::TerminalValue(logPath) + "\n");
    }
    if (reports.Any() && s.recordsTested > 0) {
        if (const auto log = quorvex::LogReader::OpenIn(folder)) {
            if (const int status = quorvex::WriteRequested(reports, *log, folder, origins ? &*origins : nullptr, services,
                                                           summary))
                return status;
        }
    }
    int status = kExitNothingTested;
    switch (s.outcome) {
        case RunOutcome::NoErrors: status = kExitNoErrors; break;
        case RunOutcome::Errors: status = kExitErrors; break;
        case RunOutcome::Stopped:
        case RunOutcome::Aborted: status = kExitCritical; break;
        case RunOutcome::Failed:
        case RunOutcome::Cancelled:
        case RunOutcome::NoData:
        case RunOutcome::Restart: status = kExitNothingTested; break;
    }
    // Files named on the command line that the run never read.
    std::string why;
    if (!services.Missing().empty()) {
        why = "testing ended at the missing file " + quorvex::TerminalValue(services.Missing().back()) + " before it";
    } else if (!services.UnreadableFiles().empty()) {
        why = "testing ended at the unreadable file " + quorvex::TerminalValue(services.UnreadableFiles().back().name) +
              " before it";
    } else if (s.outcome == RunOutcome::NoErrors || s.outcome == RunOutcome::Errors) {
        why = "the submission ended with its RF record before it";
    } else if (s.outcome == RunOutcome::Stopped) {
        why = "testing was stopped by a critical error before it";
    } else {
        why = "testing ended before it";
    }
    // The names are escaped as values: a line feed in one forges no line.
    for (const std::string& file : services.Missing())
        quorvex::Print(stderr, "quorvex-check: warning: " + quorvex::TerminalValue(file) +
                                   " was not tested: it was not found\n");
    for (const auto& [file, problem] : services.UnreadableFiles())
        quorvex::Print(stderr,
                       "quorvex-check: warning: " + quorvex::TerminalValue(file) + " was not tested: " + problem + "\n");
    for (const std::string& file : services.Unasked())
        quorvex::Print(stderr,
                       "quorvex-check: warning: " + quorvex::TerminalValue(file) + " was not tested: " + why + "\n");
    const bool untested =
        !services.Missing().empty() || !services.UnreadableFiles().empty() || !services.Unasked().empty();
    if (untested && (status == kExitNoErrors || status == kExitErrors)) status = kExitNotAllTested;

    // Ctrl-C or SIGTERM: the run ended as at the window's Exit; the status tells the signal.
    if (const int signal = quorvex::StopSignals::Received()) {
        if (s.recordsTested > 0)
            std::fprintf(stderr, "quorvex-check: %s: testing stopped after %lld record(s); the error log ends with \"Test Aborted\".\n",
                         strsignal(signal), static_cast<long long>(s.recordsTested));
        else
            std::fprintf(stderr, "quorvex-check: %s: testing stopped before any record was tested.\n", strsignal(signal));
        return 128 + signal;
    }
    return status;
}

// The report and findings of the log the last run left, without a run; the exit status
// tells what the log holds: 3 when it holds no tested record or a run that did not finish.
int ReportLastRun(const CheckOptions& o) {
    std::optional<quorvex::FolderLock> lock;
    const std::optional<quorvex::LogReader> log = LastLog(o, lock);
    if (!log) return kExitNothingTested;
    if (log->LastRecNum() == 0) {
        quorvex::Print(stderr, "quorvex-check: the error log " + quorvex::TerminalValue(log->Path().string()) +
                                   " holds no tested record\n");
        return kExitNothingTested;
    }
    const bool interrupted = TellInterrupted(*log);
    quorvex::CliServices services({}, {}, Today(), false, o.quiet);
    if (const int status = quorvex::WriteRequested(o.reports, *log, log->Path().parent_path(), nullptr, services,
                                                   !o.quiet && !o.reports.ToStandardOutput(), interrupted))
        return status;
    if (interrupted) return kExitNothingTested;
    if (log->ErrorCount() == 0) return kExitNoErrors;
    const std::optional<quorvex::ErrorRow> last = log->LastError();
    return last && last->critical ? kExitCritical : kExitErrors;
}

// --history and --compare: the runs the history in the program folder keeps, or two of them
// compared. The folder is held while the history is read, as for the log.
int ReadHistory(const CheckOptions& o) {
    std::filesystem::path folder;
    if (!o.dataDir || std::filesystem::is_directory(*o.dataDir)) folder = quorvex::ResolveProgramFolder(o.dataDir);
    else folder = *o.dataDir;
    const std::filesystem::path file = quorvex::RunHistory::PathIn(folder);
    std::error_code ec;
    if (!std::filesystem::exists(file, ec)) {
        quorvex::Print(stderr, "quorvex-check: there is no run history in " + quorvex::TerminalValue(folder.string()) + "\n");
        return kExitNothingTested;
    }
    std::optional<quorvex::FolderLock> lock;
    if (!TakeFolder(folder, lock, true)) return kExitNothingTested;
    try {
        const quorvex::RunHistory history(file, false);
        const std::vector<quorvex::HistoryRun> runs = history.Runs();
        if (o.history) {
            quorvex::Print(stdout, quorvex::HistoryListText(runs));
            return runs.empty() ? kExitNothingTested : kExitNoErrors;
        }
        const auto pair = quorvex::ChooseRuns(runs, *o.compare);
        if (!pair) return kExitNothingTested;
        const auto& [a, b] = *pair;
        const quorvex::Comparison c = quorvex::CompareRuns(history.Findings(a->id), history.Findings(b->id));
        if (o.reports.findings) {
            const auto format = *o.reports.findings == quorvex::FindingsKind::Json  ? quorvex::FindingsFormat::Json
                                : *o.reports.findings == quorvex::FindingsKind::Csv ? quorvex::FindingsFormat::Csv
                                                                                    : quorvex::FindingsFormat::Sarif;
            const std::string fileB = b->files.empty() ? std::string() : b->files.front().name;
            const std::string fileA = a->files.empty() ? std::string() : a->files.front().name;
            if (const int status = quorvex::WriteFindingsOutput(o.reports, folder, [&](std::ostream& out) {
                    quorvex::FindingsWriter writer(format, out, true);
                    std::int64_t n = 0;
                    for (const quorvex::ComparedFinding& f : c.findings) {
                        quorvex::FindingRow row;
                        const bool fixed = f.status == quorvex::FindingStatus::Fixed;
                        row.errNum = ++n;
                        row.recNum = fixed ? *f.recNumA : *f.recNumB;
                        row.id = f.finding.type;
                        row.critical = f.finding.critical;
                        row.reference = f.finding.reference;
                        row.userEntry = f.finding.userEntry;
                        row.error = f.finding.message;
                        row.status = quorvex::StatusName(f.status);
                        if (!fixed) row.baselineRecNum = f.recNumA;
                        row.file = fixed ? fileA : fileB;
                        if (!writer.Add(row)) break;
                    }
                    writer.Finish();
                }))
                return status;
        } else {
            quorvex::Print(stdout, quorvex::ComparisonText(*a, *b, c));
        }
        return c.Count(quorvex::FindingStatus::New) + c.Count(quorvex::FindingStatus::Still) == 0 ? kExitNoErrors
                                                                                                  : kExitErrors;
    } catch (const quorvex::HistoryError& e) {
        quorvex::Print(stderr, "quorvex-check: " + quorvex::TerminalValue(e.what()) + "\n");
        return kExitNothingTested;
    }
}

}  // namespace

namespace quorvex {

int CheckMain(int argc, char** argv, const std::function<void(RunOptions&)>& adjust) {
    int status = kExitNothingTested;
    CheckOptions options;
    if (const auto parsed = ParseArguments(argc, argv, options)) {
        status = *parsed;
    } else {
        options.reports.terminal = ::isatty(STDOUT_FILENO) == 1;
        try {
            if (options.showRecord) {
                status = ShowRecord(options);
            } else if (options.history || options.compare) {
                status = ReadHistory(options);
            } else if (options.files.empty()) {
                status = ReportLastRun(options);
            } else {
                status = Check(std::move(options), adjust);
            }
        } catch (const std::exception& e) {
            // A failure no part of the run could report: say what it was, never end silently.
            Print(stderr, std::string("quorvex-check: ") + e.what() + "\n");
        }
    }
    // A summary or help that did not reach standard output (a full disk, a closed pipe) is
    // no success.
    errno = 0;
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        const int err = errno;
        Print(stderr, std::string("quorvex-check: standard output could not be written: ") +
                          (err ? std::strerror(err) : "write error") + "\n");
        std::clearerr(stdout);
        if (status == kExitNoErrors) status = kExitNothingTested;
    }
    return status;
}

}  // namespace quorvex
