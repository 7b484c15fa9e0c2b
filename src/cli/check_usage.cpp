#include "cli/check_usage.h"

#include <string_view>

#include "report/core/findings_formats.h"

namespace quorvex {

namespace {

const char* const kUsage =
    "Usage: quorvex-check [--data-dir DIR] [--limit N] [--today YYYY-MM-DD] [--threads N] [--quiet]\n"
    "                     FILE [NEXT-FILE ...]\n"
    "       quorvex-check [--data-dir DIR] --show-record N\n"
    "       quorvex-check [--data-dir DIR] [--report FORMAT] [--findings FORMAT] (the last run's log)\n"
    "       quorvex-check [--data-dir DIR] --history [--findings @LISTS@]\n"
    "       quorvex-check [--data-dir DIR] --compare [A [B]] [--findings @COMPARES@]\n"
    "       quorvex-check --help | --version\n"
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
    "  --version     the program's name and version\n"
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
    "@FINDINGS@"
    "  --sarif-root DIR  SARIF names the files relative to DIR (%SRCROOT%), a file\n"
    "                outside it by its absolute file URI. Default: the current folder\n"
    "  --findings-file PATH  where the findings go: default standard output (also -)\n"
    "\n"
    "History of runs: every run that kept a log is added to RunHistory.db in the program\n"
    "folder (private, the last 50 runs; the environment variable QUORVEX_HISTORY_RUNS=N\n"
    "keeps N, 0 none): its files with size (and SHA-256 up to 32 MB), outcome, counts and\n"
    "findings, each\n"
    "keyed by what its record holds (SSN and EIN), not where it stood. A history that cannot\n"
    "be written never fails a run: a \"Run History\" message says so.\n"
    "  --history     lists the runs: number, date, outcome, counts, files; with\n"
    "                --findings @LISTS@, the same fields for other programs\n"
    "  --compare [A [B]]  the findings of run B against run A: fixed (in A only), new (in\n"
    "                B only), still (in both, with both record numbers), counted by record\n"
    "                type and by field. Default: the last run against the one before it\n"
    "                of the same submission name (else any); A alone: the last run\n"
    "                against A. With --findings @COMPARES@, each finding with its\n"
    "                status (SARIF: baselineState). Exit status 0 when B has no new and\n"
    "                no still finding, 1 otherwise, 3 when there is nothing to compare.\n"
    "  --fail-on new|any  with --compare: new, exit status 1 only when B has a new\n"
    "                finding; any (the default), when it has a new or a still one\n"
    "                Example, after a fix and a second run:\n"
    "                  quorvex-check --compare      Fixed: 1   New: 0   Still: 9 ...\n"
    "\n"
    "Exit status:\n"
    "  0  the run finished with no errors\n"
    "  1  errors were found, none critical\n"
    "  2  the run was stopped by a critical error (the error limit included)\n"
    "  3  nothing could be tested: bad arguments, a file missing or unreadable, a file\n"
    "     that holds no record, or an error log that could not be written; with\n"
    "     --show-record: no error log, or no record N in it (0 when the record was\n"
    "     printed); --report or --findings without FILE: no error log, or a log\n"
    "     without records; any reading mode: a log whose run did not finish (the\n"
    "     program was killed; what it kept is shown with a notice), or a program\n"
    "     folder where a test is in progress; a test run: a program folder another\n"
    "     program has open (a test run, the desktop program); and a program folder\n"
    "     whose lock cannot be taken\n"
    "  4  files named but not tested: the run ended (at its RF record, at a missing file)\n"
    "     before it read every NEXT-FILE; a warning names each file and why. 2 and 3 go\n"
    "     before 4\n"
    "  5  the report, the findings, the comparison or the run's summary could not be\n"
    "     written (a full disk, a closed pipe, another user's FIFO or link in a shared\n"
    "     folder such as /tmp), or their file is one of the submission files or a file\n"
    "     the program folder keeps (Errorlog.mdb, ErrSetLog.ini, quorvex.lock,\n"
    "     RunHistory.db)\n"
    "  128+N  stopped by signal N, Ctrl-C (SIGINT: 130), SIGTERM (143), SIGHUP (129)\n"
    "     or SIGPIPE (141), as by the window's Exit: the records tested so far stay in\n"
    "     the log, the last one with the error \"Test Aborted\"; a second signal (but\n"
    "     SIGPIPE) ends the program at once. A signal after the run had written its\n"
    "     end exits 128+N too, saying \"stopped after the run had finished: the error\n"
    "     log is complete\": the log and the history hold the finished run, and what\n"
    "     came after it (the summary, a report) may be missing\n";

// `text` broken into lines of at most 80 characters, each after `indent` blanks but the
// first, which follows `head`.
std::string Wrapped(std::string head, std::string_view text, std::size_t indent) {
    std::string out;
    std::string line = std::move(head);
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find(' ', at);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view word = text.substr(at, end - at);
        if (line.size() + 1 + word.size() > 80 && line.size() > indent) {
            out += line + "\n";
            line = std::string(indent, ' ');
        } else if (line.size() > indent && line.back() != ' ') {
            line += ' ';
        }
        line += word;
        at = end + 1;
    }
    return out + line + "\n";
}

void Replace(std::string& text, std::string_view name, const std::string& value) {
    for (std::size_t at; (at = text.find(name)) != std::string::npos;) text.replace(at, name.size(), value);
}

}  // namespace

std::string CheckUsage() {
    using Info = FindingsFormatInfo;
    std::string text = kUsage;
    // The findings formats as the table of formats has them.
    std::string what = "every finding, for other programs, with where it stands (file, line, column, end_column): ";
    const auto formats = FindingsFormats();
    for (std::size_t i = 0; i < formats.size(); ++i) {
        what.append(formats[i].name).append(", ").append(formats[i].help);
        what += i + 1 == formats.size() ? "." : "; ";
        if (i + 1 == formats.size()) break;
    }
    what += " json and csv have the fields err_num, record, id, critical, reference, user_entry, error, then "
            "file, line, column, end_column (empty when the record's place is unknown)";
    Replace(text, "@FINDINGS@",
            Wrapped(std::string("  --findings ").append(FormatNames(nullptr, "|", "|")).append("  "), what, 16));
    Replace(text, "@LISTS@", FormatNames([](const Info& f) { return f.listsRuns; }, "|", "|"));
    Replace(text, "@COMPARES@", FormatNames([](const Info& f) { return f.compares; }, "|", "|"));
    return text;
}

}  // namespace quorvex
