#include "cli/check_main.h"

#include <stdio_ext.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <deque>
#include <optional>
#include <string>

#include "cli/check_arguments.h"
#include "cli/check_usage.h"
#include "cli/fix_out.h"
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
#include "errorlog/run_timeline.h"
#include "reader/run.h"
#include "report/core/browser.h"
#include "results/core/record_view.h"

namespace {

using namespace quorvex::check;

// Why standard output could not be written when the run's summary was sent out: told once,
// at the end of the program.
int stdoutFailure = 0;

// Sends out what standard output holds; false (the cause kept for the end) when it cannot.
bool FlushStandardOutput() {
    errno = 0;
    if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return true;
    if (errno) stdoutFailure = errno;
    return false;
}

// The lock of a command on the program folder: a reader's (`reading`), refused only while a
// test is in progress there, or the folder's own for a test run, refused while another
// program (a test run, the desktop program) has the folder. nullopt after saying why it
// cannot be had. No program runs without its lock.
std::optional<quorvex::FolderLock>& TakeFolder(const std::filesystem::path& folder,
                                                std::optional<quorvex::FolderLock>& lock, bool reading) {
    lock.emplace(folder, reading ? quorvex::FolderLock::Kind::Reader : quorvex::FolderLock::Kind::Folder);
    switch (lock->GetState()) {
        case quorvex::FolderLock::State::Held:
            return lock;
        case quorvex::FolderLock::State::InUse:
            quorvex::Print(stderr, "quorvex-check: the program folder " + quorvex::TerminalValue(folder.string()) +
                                       (reading ? " is in use: a test is in progress there, so its error log and "
                                                  "history are not complete yet. Try again once the test has ended.\n"
                                                : " is in use by another Quorvex program (a test run, or the desktop "
                                                  "program, is open there); its error log was left as it is. Try "
                                                  "again once that program has ended.\n"));
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
// nullopt after saying that there is none or that it cannot be read now. The folder is held
// before the log is looked for: a run that is replacing it is told as a run, not as a folder
// without a log. A --data-dir that is no folder is not made.
std::optional<quorvex::LogReader> LastLog(const CheckOptions& o, std::optional<quorvex::FolderLock>& lock) {
    std::filesystem::path folder;
    if (o.dataDir && !std::filesystem::is_directory(*o.dataDir)) {
        folder = *o.dataDir;
    } else {
        folder = quorvex::ResolveProgramFolder(o.dataDir);
        if (!TakeFolder(folder, lock, true)) return std::nullopt;
        if (auto log = quorvex::LogReader::OpenIn(folder)) return log;
    }
    quorvex::Print(stderr, "quorvex-check: there is no error log in " + quorvex::TerminalValue(folder.string()) + "\n");
    return std::nullopt;
}

// Says, before anything of it is shown, that the log's run did not finish; whether it did not.
bool TellInterrupted(const quorvex::LogReader& log) {
    if (!log.RunInProgress()) return false;
    quorvex::Print(
        stderr,
        "quorvex-check: warning: the error log " + quorvex::TerminalValue(log.Path().string()) + ": " +
            quorvex::Cp1252ToUtf8(quorvex::InterruptedRunHead(log.LastRecNum()) + " " + quorvex::InterruptedRunBody()) +
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
    quorvex::Print(stdout, quorvex::RecordViewText(o.reports.hideSsns ? quorvex::WithSsnHidden(*view) : *view));
    return interrupted ? kExitNothingTested : kExitNoErrors;
}

// The summary of the run on standard output: its counts, the critical error that stopped
// it, and where its log is.
void PrintSummary(const quorvex::RunSummary& s, const std::filesystem::path& folder) {
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

// The exit status of a run that ended as `outcome`, before the files it did not test.
int OutcomeStatus(quorvex::RunOutcome outcome) {
    using quorvex::RunOutcome;
    switch (outcome) {
        case RunOutcome::NoErrors: return kExitNoErrors;
        case RunOutcome::Errors: return kExitErrors;
        case RunOutcome::Stopped:
        case RunOutcome::Aborted: return kExitCritical;
        case RunOutcome::Failed:
        case RunOutcome::Cancelled:
        case RunOutcome::NoData:
        case RunOutcome::Restart: return kExitNothingTested;
    }
    return kExitNothingTested;
}

// `status`, or 4 when files named on the command line were left untested.
int WithUntested(const quorvex::CliServices& services, int status) {
    const bool untested =
        !services.Missing().empty() || !services.UnreadableFiles().empty() || !services.Unasked().empty();
    return untested && (status == kExitNoErrors || status == kExitErrors) ? kExitNotAllTested : status;
}

// Warns of each file named on the command line that the run never read, and why; the exit
// status `status` of a run that ended as `outcome`, 4 when files were left untested.
int WarnUntested(const quorvex::CliServices& services, quorvex::RunOutcome outcome, int status) {
    using quorvex::RunOutcome;
    std::string why;
    if (!services.Missing().empty()) {
        why = "testing ended at the missing file " + quorvex::TerminalValue(services.Missing().back()) + " before it";
    } else if (!services.UnreadableFiles().empty()) {
        why = "testing ended at the unreadable file " + quorvex::TerminalValue(services.UnreadableFiles().back().name) +
              " before it";
    } else if (outcome == RunOutcome::NoErrors || outcome == RunOutcome::Errors) {
        why = "the submission ended with its RF record before it";
    } else if (outcome == RunOutcome::Stopped) {
        why = "testing was stopped by a critical error before it";
    } else {
        why = "testing ended before it";
    }
    // The names are escaped as values: a line feed in one forges no line.
    for (const std::string& file : services.Missing())
        quorvex::Print(stderr, "quorvex-check: warning: " + quorvex::TerminalValue(file) +
                                   " was not tested: it was not found\n");
    for (const auto& [file, problem] : services.UnreadableFiles())
        quorvex::Print(
            stderr, "quorvex-check: warning: " + quorvex::TerminalValue(file) + " was not tested: " + problem + "\n");
    for (const std::string& file : services.Unasked())
        quorvex::Print(stderr,
                       "quorvex-check: warning: " + quorvex::TerminalValue(file) + " was not tested: " + why + "\n");
    return WithUntested(services, status);
}

// A signal: the run ended as at the window's Exit, or after its end was written; the status
// tells the signal either way, and the message which of the two it was.
int TellSignal(int signal, const quorvex::RunSummary& s) {
    using quorvex::RunOutcome;
    const bool finished =
        s.outcome == RunOutcome::NoErrors || s.outcome == RunOutcome::Errors || s.outcome == RunOutcome::Stopped;
    if (finished)
        std::fprintf(stderr, "quorvex-check: %s: stopped after the run had finished: the error log is complete.\n",
                     strsignal(signal));
    else if (s.recordsTested > 0 && s.outcome == RunOutcome::Aborted)
        std::fprintf(stderr,
                     "quorvex-check: %s: testing stopped after %lld record(s); "
                     "the error log ends with \"Test Aborted\".\n",
                     strsignal(signal), static_cast<long long>(s.recordsTested));
    else if (s.recordsTested > 0)
        std::fprintf(stderr, "quorvex-check: %s: testing stopped.\n", strsignal(signal));
    else
        std::fprintf(stderr, "quorvex-check: %s: testing stopped before any record was tested.\n", strsignal(signal));
    return 128 + signal;
}

// The program folder of a test run (made when it is missing); nullopt after saying why it
// cannot be used.
std::optional<std::filesystem::path> RunFolder(const std::optional<std::string>& dataDir) {
    std::filesystem::path folder;
    try {
        folder = quorvex::ResolveProgramFolder(dataDir);
    } catch (const std::exception& e) {
        quorvex::Print(stderr, "quorvex-check: " + quorvex::TerminalValue(e.what()) + "\n");
        return std::nullopt;
    }
    if (const std::string problem = quorvex::ProgramFolderProblem(folder); !problem.empty()) {
        quorvex::Print(stderr, "quorvex-check: " + quorvex::TerminalValue(problem) + "\n");
        return std::nullopt;
    }
    return folder;
}

// What follows a test run that ended as `s` with its log closed in `folder`: the summary,
// the reports or the corrected copies asked for, and the warnings of the files left untested;
// the exit status.
int AfterRun(const CheckOptions& o, const quorvex::RunSummary& s, const std::filesystem::path& folder,
             quorvex::CliServices& services, const quorvex::RecordOrigins* origins) {
    const bool summary = !o.quiet && !o.reports.ToStandardOutput();
    // The bar goes before the summary; it ends full when the run read its files to the end.
    services.EndProgress(s.outcome == quorvex::RunOutcome::NoErrors || s.outcome == quorvex::RunOutcome::Errors);
    if (summary && s.recordsTested > 0) PrintSummary(s, folder);
    int written = 0;
    if (o.reports.Any() && s.recordsTested > 0) {
        if (const auto log = quorvex::LogReader::OpenIn(folder))
            written = quorvex::WriteRequested(o.reports, *log, folder, origins, services, summary, false, {},
                                              WithUntested(services, OutcomeStatus(s.outcome)));
    }
    if (o.fixOut && s.recordsTested > 0 && !written) {
        if (const auto log = quorvex::LogReader::OpenIn(folder))
            written = quorvex::WriteFixedCopies(*log, *o.fixOut, folder, o.reports.inputs);
    }
    // What reaches standard output is out before the signals are let go: a reader that went
    // away (SIGPIPE) is told here, not by the end of the program.
    if (!FlushStandardOutput()) __fpurge(stdout);

    if (const int signal = quorvex::StopSignals::Received()) return TellSignal(signal, s);
    if (written) return written;
    return WarnUntested(services, s.outcome, OutcomeStatus(s.outcome));
}

// The test run of the command line; its exit status.
int Check(CheckOptions o, const std::function<void(quorvex::RunOptions&)>& adjust) {
    const std::optional<std::filesystem::path> usable = RunFolder(o.dataDir);
    if (!usable) return kExitNothingTested;
    const std::filesystem::path& folder = *usable;
    // One program at a time in the folder, before its settings or its log are touched.
    std::optional<quorvex::FolderLock> lock;
    if (!TakeFolder(folder, lock, false)) return kExitNothingTested;
    quorvex::RunOptions options;
    options.programFolder = folder;
    options.errorLimit = o.limit ? *o.limit : quorvex::GetErrorLimit(folder);
    options.writerThread = o.writerThread;
    if (o.historyRuns) options.historyRuns = *o.historyRuns;
    if (adjust) adjust(options);

    // --findings: where the records with errors began, kept while the run is made.
    std::optional<quorvex::RecordOrigins> origins;
    quorvex::Run* running = nullptr;

    for (const std::string& file : o.files)
        if (file != "-") o.reports.inputs.emplace_back(file);
    std::string first = o.files.front();
    o.files.pop_front();
    bool progress = !o.quiet && ::isatty(STDERR_FILENO);
    quorvex::StopSignals stopSignals;
    quorvex::CliServices services(first, std::move(o.files), o.today ? *o.today : Today(), progress, o.quiet);
    if (o.reports.findings) {
        origins.emplace();
        // The findings name a file as the command line did ("-" for standard input).
        options.recordOrigin = [&](quorvex::RecordOrigin r) {
            r.file = services.AsGiven(r.file);
            origins->Add(r, running->Log()->ErrorCount());
        };
    }
    // The filing prompt is answered No: the command line opens no browser.
    quorvex::NoDesktop desktop;
    if (!options.noErrors)
        options.noErrors = [&services, &desktop, &folder] { quorvex::SubmissionPrompt(services, desktop, folder); };
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
    return AfterRun(o, s, folder, services, origins ? &*origins : nullptr);
}

// The run of the history that left the log `log` in `folder`: the last one, when it tested the
// files the log names and found as many errors as the log holds; nullopt when there is none such.
std::optional<quorvex::HistoryRun> LoggedRun(const std::filesystem::path& folder, const quorvex::LogReader& log,
                                             const std::vector<quorvex::MiscRow>& misc) {
    const std::filesystem::path file = quorvex::RunHistory::PathIn(folder);
    std::error_code ec;
    if (!std::filesystem::exists(file, ec)) return std::nullopt;
    try {
        const quorvex::RunHistory history(file, false);
        const auto runs = history.NewestRuns(0, 1);
        if (runs.empty() || runs.front().files.size() != misc.size() || runs.front().errors != log.ErrorCount())
            return std::nullopt;
        for (std::size_t i = 0; i < misc.size(); ++i)
            // The history keeps a name's bytes, the log the name made text.
            if (quorvex::ValidUtf8(runs.front().files[i].name) != misc[i].pathUtf8) return std::nullopt;
        return runs.front();
    } catch (const quorvex::HistoryError&) {
        return std::nullopt;
    }
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
    // The findings are placed in the files the log's run tested, as the history recorded
    // them, when those are still what the run read; else they name the file alone.
    std::optional<quorvex::RecordOrigins> origins;
    std::string file;
    if (o.reports.findings) {
        const std::vector<quorvex::MiscRow> misc = log->Misc();
        // Unplaced, a finding is named by its file only when the run read one file.
        if (misc.size() == 1) file = misc.front().pathUtf8;
        if (const auto run = LoggedRun(log->Path().parent_path(), *log, misc)) {
            std::vector<std::int64_t> wanted;
            log->ForEachReportRow([&](const quorvex::ReportRow& row) {
                if (wanted.empty() || wanted.back() != row.error.recNum) wanted.push_back(row.error.recNum);
                return true;
            });
            origins = quorvex::RecordOrigins::FromFiles(run->files, wanted);
        }
    }
    const std::optional<quorvex::ErrorRow> last = log->LastError();
    const int status = interrupted ? kExitNothingTested
                       : !last     ? kExitNoErrors
                                   : (last->critical ? kExitCritical : kExitErrors);
    if (const int failed = quorvex::WriteRequested(o.reports, *log, log->Path().parent_path(),
                                                   origins ? &*origins : nullptr, services,
                                                   !o.quiet && !o.reports.ToStandardOutput(), interrupted, file, status))
        return failed;
    return status;
}

// The findings of a comparison of run `b` against run `a`: each in run B where it is there
// (new, still), else in run A (fixed), placed in the run's files when they are still what
// the run read, and keyed as the history keys it.
void WriteComparison(const quorvex::HistoryRun& a, const quorvex::HistoryRun& b, const quorvex::Comparison& c,
                     const quorvex::ReportRequest& request, const quorvex::FindingsContext& context, std::ostream& out) {
    using quorvex::FindingStatus;
    auto place = [&c](const quorvex::HistoryRun& run, bool fixed) {
        std::vector<std::int64_t> wanted;
        for (const quorvex::ComparedFinding& f : c.findings)
            if ((f.status == FindingStatus::Fixed) == fixed) wanted.push_back(f.finding.recNum);
        std::sort(wanted.begin(), wanted.end());
        wanted.erase(std::unique(wanted.begin(), wanted.end()), wanted.end());
        return quorvex::RecordOrigins::FromFiles(run.files, wanted);
    };
    const std::optional<quorvex::RecordOrigins> originsB = place(b, false), originsA = place(a, true);
    // Unplaced, a finding is named by its file only when its run read one file.
    const std::string fileB = b.files.size() == 1 ? b.files.front().name : std::string();
    const std::string fileA = a.files.size() == 1 ? a.files.front().name : std::string();
    quorvex::FindingsWriter writer(*request.findings, out, context);
    std::string key;
    for (const quorvex::ComparedFinding& f : c.findings) {
        const bool fixed = f.status == FindingStatus::Fixed;
        // Shown with its SSNs hidden when asked; its fingerprint is made of the key as kept.
        const quorvex::HistoryFinding shown = request.hideSsns ? quorvex::WithSsnsHidden(f.finding) : f.finding;
        quorvex::FindingRow row;
        row.errNum = f.number;
        row.recNum = f.recNumB;
        row.baselineRecNum = f.recNumA;
        row.id = f.finding.type;
        row.critical = f.finding.critical;
        row.reference = shown.reference;
        row.userEntry = shown.userEntry;
        row.error = shown.message;
        row.status = quorvex::StatusName(f.status);
        row.changed = f.changed;
        const auto& origins = fixed ? originsA : originsB;
        if (origins) row.origin = origins->Find(f.finding.recNum);
        row.file = fixed ? fileA : fileB;
        key = quorvex::RecordKeyText(f.finding.type, f.finding.key, f.finding.occurrence);
        row.recordKey = key;
        if (!writer.Add(row)) break;
    }
    writer.Finish();
}

// --history: the runs the history keeps, as findings or as text.
int ListRuns(const CheckOptions& o, const std::filesystem::path& folder, const std::vector<quorvex::HistoryRun>& runs) {
    if (o.reports.findings) {
        if (const int status = quorvex::WriteFindingsOutput(
                o.reports, folder, [&](std::ostream& out) { quorvex::WriteRunList(runs, *o.reports.findings, out); }))
            return status;
    } else {
        quorvex::Print(stdout, quorvex::HistoryListText(runs));
    }
    return runs.empty() ? kExitNothingTested : kExitNoErrors;
}

// --compare: two of the runs the history keeps compared, as findings or as text.
int CompareTwoRuns(const CheckOptions& o, const std::filesystem::path& folder, const quorvex::RunHistory& history,
                   const std::vector<quorvex::HistoryRun>& runs) {
    const auto pair = quorvex::ChooseRuns(runs, *o.compare);
    if (!pair) return kExitNothingTested;
    // Plain references, not a structured binding: the comparison's writer captures them.
    const auto& a = pair->first;
    const auto& b = pair->second;
    const quorvex::Comparison c = quorvex::CompareRuns(history.Findings(a->id), history.Findings(b->id));
    const std::int64_t failing =
        c.Count(quorvex::FindingStatus::New) + (o.failOnNew ? 0 : c.Count(quorvex::FindingStatus::Still));
    const int status = failing == 0 ? kExitNoErrors : kExitErrors;
    if (o.reports.findings) {
        quorvex::FindingsContext context = quorvex::ContextOf(o.reports, true, folder);
        context.exitCode = status;
        // A run whose log was left incomplete: its findings end where its log does.
        if (b->outcome == "log incomplete") context.unfinishedAt = b->records;
        if (const int failed = quorvex::WriteFindingsOutput(o.reports, folder, [&](std::ostream& out) {
                WriteComparison(*a, *b, c, o.reports, context, out);
            }))
            return failed;
    } else {
        quorvex::Print(stdout, quorvex::ComparisonText(*a, *b, c, o.reports.hideSsns));
        // A comparison that did not reach its reader is no result (exit 1 means findings).
        if (!FlushStandardOutput()) return kExitNotWritten;
    }
    return status;
}

// --history and --compare: the runs the history in the program folder keeps, or two of them
// compared. The folder is held while the history is read, as for the log.
int ReadHistory(const CheckOptions& o) {
    std::filesystem::path folder;
    if (!o.dataDir || std::filesystem::is_directory(*o.dataDir)) folder = quorvex::ResolveProgramFolder(o.dataDir);
    else folder = *o.dataDir;
    const std::filesystem::path file = quorvex::RunHistory::PathIn(folder);
    std::optional<quorvex::FolderLock> lock;
    std::error_code ec;
    if (std::filesystem::is_directory(folder, ec) && !TakeFolder(folder, lock, true)) return kExitNothingTested;
    if (!std::filesystem::exists(file, ec)) {
        quorvex::Print(stderr,
                       "quorvex-check: there is no run history in " + quorvex::TerminalValue(folder.string()) + "\n");
        return kExitNothingTested;
    }
    try {
        const quorvex::RunHistory history(file, false);
        const std::vector<quorvex::HistoryRun> runs = history.Runs();
        return o.history ? ListRuns(o, folder, runs) : CompareTwoRuns(o, folder, history, runs);
    } catch (const quorvex::HistoryError& e) {
        quorvex::Print(stderr, "quorvex-check: " + quorvex::TerminalValue(e.what()) + "\n");
        return kExitNothingTested;
    }
}

}  // namespace

namespace quorvex {

int CheckMain(int argc, char** argv, const std::function<void(RunOptions&)>& adjust, const Environment& env) {
    int status = kExitNothingTested;
    CheckOptions options;
    options.dataDir = env.dataDir;
    options.writerThread = env.writerThread;
    options.historyRuns = env.historyRuns;
    options.reports.hideSsns = env.hideSsns;
    // The pipeline's key of SARIF's fingerprints: the same on every machine that has it.
    options.reports.fingerprintKey = env.fingerprintKey;
    timeline::KeepIn(env.timeline);
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
        const int err = errno ? errno : stdoutFailure;
        Print(stderr, std::string("quorvex-check: standard output could not be written: ") +
                          (err ? std::strerror(err) : "write error") + "\n");
        std::clearerr(stdout);
        if (status == kExitNoErrors || status == kExitErrors) status = kExitNotWritten;
    }
    return status;
}

}  // namespace quorvex
