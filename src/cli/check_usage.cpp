#include "cli/check_usage.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "cli/check_arguments.h"
#include "report/core/findings_formats.h"

namespace quorvex {

namespace {

using check::CheckOption;
using check::CheckOptionTable;

constexpr std::size_t kColumns = 80;
constexpr std::string_view kProgram = "quorvex-check";

const char* const kDescription =
    "Tests a ZRW5 wage report submission (tax year 2008) and writes every tested record and every error found to "
    "the error log Errorlog.mdb in the program folder. Without FILE, --report and --findings write those of the "
    "error log the last run left there (the exit status then tells what that log holds); --show-record, --history "
    "and --compare read the log and the run history. An option that has no effect in the form given is refused.\n"
    "Message boxes of the run are printed to standard error as \"<title>: <text>\" and answered with their "
    "default button (OK; No for the online filing prompt).\n"
    "Reports and findings are written in UTF-8; the run's summary is left out when either goes to standard "
    "output, and only one of them may go there. Control characters reach a terminal escaped (\\x1B); a file keeps "
    "the exact bytes.\n"
    "Every run that kept a log is added to the run history RunHistory.db in the program folder (private, the last "
    "50 runs; the environment variable QUORVEX_HISTORY_RUNS=N keeps N, 0 none): its files with size (and SHA-256 "
    "up to 32 MB), outcome, counts and findings, each keyed by what its record holds (SSN and EIN), not where it "
    "stood. A history that cannot be written never fails a run: a \"Run History\" message says so.\n";

const char* const kFileItems =
    "FILE\tthe submission file (answers the first file dialog); - is standard input. A pipe or FIFO is read to its "
    "end\n"
    "NEXT-FILE\tfurther files of the same submission: each answers, in order, the \"next file\" dialog that "
    "follows \"Missing Final Record\"; when none is left there, that dialog counts as cancelled\n";

const char* const kFindingsFields =
    "Every finding, with where it stands (file, line, column, end_column). json and csv have the fields err_num, "
    "record, id, critical, reference, user_entry, error, then file, line, column, end_column (empty when the "
    "record's place is unknown).\n";

const char* const kExitStatuses =
    "0\tthe run finished with no errors; --show-record: the record was printed; --compare: B has no new and no "
    "still finding\n"
    "1\terrors were found, none critical; --compare: B has a new or a still finding (with --fail-on new, a new "
    "one)\n"
    "2\tthe run was stopped by a critical error (the error limit included)\n"
    "3\tnothing could be tested or read: bad arguments; a file missing, unreadable or holding no record; an error "
    "log that could not be written; no error log, no record N, no records in the log, nothing to compare; a log "
    "whose run did not finish (what it kept is shown with a notice); a program folder where a test is in "
    "progress, that another program has open (a test run, the desktop program), or whose lock cannot be taken\n"
    "4\tfiles named but not tested: the run ended (at its RF record, at a missing file) before it read every "
    "NEXT-FILE; a warning names each file and why. 2 and 3 go before 4\n"
    "5\tthe report, the findings, the comparison or the run's summary could not be written (a full disk, a closed "
    "pipe, another user's FIFO or link in a shared folder such as /tmp), or their file is one of the submission "
    "files or a file the program folder keeps (Errorlog.mdb, ErrSetLog.ini, quorvex.lock, RunHistory.db)\n"
    "128+N\tstopped by signal N, Ctrl-C (SIGINT: 130), SIGTERM (143), SIGHUP (129) or SIGPIPE (141), as by the "
    "window's Exit: the records tested so far stay in the log, the last one with the error \"Test Aborted\"; a "
    "second signal (but SIGPIPE) ends the program at once. A signal after the run had written its end says "
    "\"stopped after the run had finished: the error log is complete\": what came after it (the summary, a "
    "report) may be missing\n";

// `units` (words, or groups that stay on one line) laid out in lines of at most 80
// characters, each after `indent` blanks but the first, which follows `head`.
std::string Wrap(std::string head, const std::vector<std::string>& units, std::size_t indent) {
    std::string out;
    std::string line = std::move(head);
    bool filled = false;  // the line holds a unit
    for (const std::string& unit : units) {
        if (filled && line.size() + 1 + unit.size() > kColumns) {
            out += line + "\n";
            line = std::string(indent, ' ');
        } else if (filled) {
            line += ' ';
        }
        line += unit;
        filled = true;
    }
    return out + line + "\n";
}

std::vector<std::string> Words(std::string_view text) {
    std::vector<std::string> words;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = std::min(text.find(' ', at), text.size());
        if (end > at) words.emplace_back(text.substr(at, end - at));
        at = end + 1;
    }
    return words;
}

// Items "TERM<TAB>TEXT", one a line, as the help lays them out: TERM, then TEXT from column
// `column` (or two blanks after a longer TERM), and on.
std::string Items(std::string_view items, std::size_t column = 16) {
    std::string out;
    for (std::size_t at = 0; at < items.size();) {
        const std::size_t tab = items.find('\t', at);
        const std::size_t end = items.find('\n', tab);
        std::string head = "  " + std::string(items.substr(at, tab - at)) + "  ";
        if (head.size() < column) head.resize(column, ' ');
        out += Wrap(std::move(head), Words(items.substr(tab + 1, end - tab - 1)), column);
        at = end + 1;
    }
    return out;
}

// Paragraphs, one a line, each followed by an empty line.
std::string Paragraphs(std::string_view text) {
    std::string out;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = text.find('\n', at);
        out += Wrap("", Words(text.substr(at, end - at)), 0) + "\n";
        at = end + 1;
    }
    return out;
}

std::string NameAndArgument(const CheckOption& row) {
    std::string text(row.name);
    if (!row.argument.empty()) text.append(" ").append(row.argument);
    return text;
}

// The option named in `needs` ("--findings sarif": --findings).
std::string_view NeededName(const CheckOption& row) { return row.needs.substr(0, row.needs.find(' ')); }

// `text` after an opening bracket, and before a closing one when `closed`. Appended rather
// than joined with operator+, which GCC 12 at -O3 misreads as an overlapping copy (-Wrestrict).
std::string Bracketed(const std::string& text, bool closed) {
    std::string unit;
    unit.reserve(text.size() + 2);
    unit.push_back('[');
    unit.append(text);
    if (closed) unit.push_back(']');
    return unit;
}

// The options of one form of the command: each in brackets, with the options it alone gives
// an effect to inside its own; the one that chooses the mode first, without brackets.
std::vector<std::string> FormUnits(unsigned mode) {
    std::vector<std::string> units;
    for (const CheckOption& row : CheckOptionTable())
        if (row.chooses == mode) units.push_back(NameAndArgument(row));
    for (const CheckOption& row : CheckOptionTable()) {
        if (!(row.modes & mode) || row.chooses || !row.needs.empty()) continue;
        units.push_back(Bracketed(NameAndArgument(row), false));
        for (const CheckOption& inner : CheckOptionTable())
            if ((inner.modes & mode) && NeededName(inner) == row.name)
                units.push_back(Bracketed(NameAndArgument(inner), true));
        units.back() += ']';
    }
    return units;
}

// One line or more for each form of the command, as the modes have them.
std::string Synopsis() {
    const std::string first = "Usage: " + std::string(kProgram) + " ";
    const std::string other = std::string(first.size() - kProgram.size() - 1, ' ') + std::string(kProgram) + " ";
    std::string out;
    for (const unsigned mode : {check::kModeTest, check::kModeLog, check::kModeShow, check::kModeHistory,
                                check::kModeCompare}) {
        std::vector<std::string> units = FormUnits(mode);
        if (mode == check::kModeTest) units.insert(units.end(), {"FILE", "[NEXT-FILE]..."});
        out += Wrap(out.empty() ? first : other, units, first.size());
    }
    std::vector<std::string> atOnce;
    for (const CheckOption& row : CheckOptionTable())
        if (row.modes == 0) atOnce.insert(atOnce.end(), {atOnce.empty() ? "" : "|", std::string(row.name)});
    atOnce.erase(atOnce.begin());
    return out + Wrap(other, atOnce, first.size());
}

std::string OptionItems() {
    std::string items;
    for (const CheckOption& row : CheckOptionTable()) {
        if (row.letter) items.append("-").append(1, row.letter).append(", ");
        items.append(NameAndArgument(row)).append("\t").append(row.help).append("\n");
    }
    return Items(items);
}

// The findings formats as their table has them, and the forms of the command that take each.
std::string FormatItems() {
    std::string items;
    for (const FindingsFormatInfo& f : FindingsFormats()) {
        items.append(f.name).append("\t").append(f.help);
        if (f.listsRuns || f.compares) items += "; also with";
        if (f.listsRuns) items += f.compares ? " --history and" : " --history";
        if (f.compares) items += " --compare";
        items += "\n";
    }
    return Items(items);
}

}  // namespace

std::string CheckUsage() {
    return Synopsis() + "\n" + Paragraphs(kDescription) + Items(kFileItems) + OptionItems() +
           "\nFindings formats:\n" + Paragraphs(kFindingsFields) + FormatItems() + "\nExit status:\n" +
           Items(kExitStatuses, 9);
}

}  // namespace quorvex
