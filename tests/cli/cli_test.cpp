#include <algorithm>
#include <sstream>

#include "cli/cli_support.h"
#include "errorlog/error_log.h"
#include "report/core/report_writers.h"

namespace quorvex::test {
namespace {

// Every row: the exit status and a piece of what is printed; nothing printed holds a raw
// control character.
TEST(QuorvexCheck, StatusAndMessageOfEachOutcome) {
    const std::tuple<const char*, int, const char*> rows[] = {
        {"Q --limit 25001 $S", 3, "--limit 25001: must be a whole number from 1 to 25,000"},
        {"Q --today 2009-02-30 $S", 3, "--today 2009-02-30: not a date"},
        {"Q --today 2010-13-01 $S", 3, "--today 2010-13-01: not a date"},
        {"\"$QC\" --data-dir --quiet $S", 3, "--data-dir needs a folder, not the option --quiet"},
        {"Q --threads 3 $S", 3, "--threads must be 1 or 2"},
        {"Q", 3, "no submission file given"},
        {"Q --show-record 0", 3, "--show-record needs a record number"},
        {"Q --show-record 1 $S", 3, "--show-record tests no file"},
        {"Q --findings gnu", 3, "--findings gnu needs the run"},
        {"Q --report pdf", 3, "--report must be text or html"},
        {"mkdir data; Q --show-record 1; s=$?; rmdir data && exit $s", 3, "there is no error log"},
        {"Q --report text", 3, "there is no error log"},
        {"Q --help", 0, "Exit status:"},
        {"Q --help > /dev/full", 3, "standard output could not be written"},
        {"Q gone.txt", 3, "/gone.txt was not found."},
        {"Q .", 3, "Submission File Error: Error Number: 21"},
        {"\"$QC\" --data-dir s.txt s.txt", 3, "s.txt is not a folder."},
        {"\"$QC\" --data-dir s.txt/sub s.txt", 3, "s.txt/sub cannot be created: Not a directory"},
        {"Q $S", 0, "Results: Testing Completed.\nThere were no errors found.\n"},
        {"Q --today 2008-02-29 $S", 0, "There were no errors found."},
        {"Q --today 2009-01-15 $S", 0, "Would you like to connect to Plexora Web site to submit the wage report?"},
        {"head -n 3 $S > a; tail -n 2 $S > b; Q a b", 0, "There were no errors found."},
        {"Q --limit 7 e.txt", 1, "Records tested:            4\nRecords with errors:       2\nErrors found:              3\n"},
        {"Q --limit 1 e.txt", 2, "Critical Error in Record Number 3\n  1 or more Errors"},
        {"sed -n '1p;3p' $S > c; Q c", 2, "terminated due to the Critical Error in Record Number 2"},
        {": > empty; Q empty", 3, "Results: Warning: The file contains no valid data."},
        {"Q --quiet e.txt > o; s=$?; test ! -s o && exit $s", 1, "Missing Final Record: RF record was not found."},
        {"touch b c; Q $S b c", 4, "warning: c was not tested: the submission ended with its RF record before it\n"},
        {"head -n 3 $S > a; Q a gone c", 4, "warning: c was not tested: testing ended at the missing file gone before it\n"},
        {"tail -n 1 $S > rf; Q rf b", 2, "warning: b was not tested: testing was stopped by a critical error before it\n"},
        {"Q gone b", 3, "warning: gone was not tested: it was not found\n"},
        {"Q --report text --report-file no/r.txt e.txt", 5, "Could not write"},
        {"Q --report text --findings json $S > o; s=$?; test ! -e data/ErrorReport.txt -a \"$(cat o)\" = '[]' && exit $s",
         0, "Results: No errors found in the submission!"},
        // A pipe or FIFO has no length: it is read to its end.
        {"cat $S | Q -", 0, "There were no errors found."},
        {"cat $S | Q /dev/stdin", 0, "There were no errors found."},
        {"Q <(cat $S)", 0, "There were no errors found."},
        {"mkfifo f; (sleep 0.3; cat $S > f) & Q f", 0, "There were no errors found."},
        {"(head -c 700 $S; sleep 0.2; tail -c +701 $S) | Q -", 0, "There were no errors found."},
        // Text of a record, a file name or an option reaches the terminal escaped.
        {"printf 'R\\033]0;owned\\007' > esc.txt; Q esc.txt", 2, "[R\\x1B]"},
        {"Q \"$(printf 'gone\\033[2J\\001.txt')\"", 3, "gone\\x1B[2J\\x01.txt was not found."},
        {"Q \"$(printf -- '--x\\033c')\" $S", 3, "unknown option --x\\x1Bc"},
        {"Q $S > /dev/full", 3, "standard output could not be written: No space left"},
        // The program folder: the environment's, a limit for this run only, an installed program's.
        {"QUORVEX_DATA_DIR=$PWD/env \"$QC\" --quiet $S && test -f env/Errorlog.mdb -a -f env/ErrSetLog.ini", 0, ""},
        {"mkdir data; echo '[Maximum Error Count]:1200' > data/ErrSetLog.ini; Q --limit 1 e.txt; s=$?; "
         "grep -q 1200 data/ErrSetLog.ini && exit $s", 2, ""},
        {"mkdir -p u/bin u/share/quorvex; cp \"$QC\" u/bin; env -u QUORVEX_DATA_DIR -u XDG_DATA_HOME HOME=$PWD/h "
         "u/bin/quorvex-check --quiet $S && test -f h/.local/share/quorvex/Errorlog.mdb -a ! -e u/bin/Errorlog.mdb",
         0, ""},
    };
    for (const auto& [script, status, shown] : rows) {
        SCOPED_TRACE(script);
        TempDir dir;
        const CliResult r = Sh(dir, script);
        EXPECT_EQ(r.status, status) << r.out << r.err;
        EXPECT_NE((r.out + r.err).find(shown), std::string::npos) << r.out << r.err;
        for (char c : r.out + r.err) EXPECT_TRUE(c == '\n' || static_cast<unsigned char>(c) >= 0x20) << int(c);
    }
}

// Ctrl-C and SIGTERM end a run as the window's Exit does: the records so far are kept with
// their block totals, the last one gets "Test Aborted", and the status is 128 + the signal.
// The records come through a pipe that never ends; the third run waits on a silent FIFO.
TEST(QuorvexCheck, SignalsEndTheRunAsExitDoes) {
    const std::string endless = "RW=$(sed -n 3p $S | tr -d '\\r')\n{ head -n 2 $S; while :; do printf '%s\\r\\n' \"$RW\"; done; } | ";
    const std::tuple<std::string, int, const char*> cases[] = {
        {endless + "\"$QC\" --data-dir \"$D\" --threads 1 - & sleep 0.5; kill -INT $!", 130, ""},
        {endless + "\"$QC\" --data-dir \"$D\" --threads 2 - & sleep 0.5; kill -TERM $!", 143, ""},
        {"mkfifo f; (head -n 3 $S; sleep 10) > f & \"$QC\" --data-dir \"$D\" f & sleep 0.5; kill -INT $!", 130, "3"},
    };
    for (const auto& [start, status, records] : cases) {
        SCOPED_TRACE(start);
        TempDir dir;
        const CliResult r = Sh(dir, "set -m\n" + start + "\nwait $!\necho \"status $?\"\nkill %1 2>/dev/null");
        EXPECT_NE(r.out.find("status " + std::to_string(status)), std::string::npos) << r.out << r.err;
        const auto log = dir / "data" / "Errorlog.mdb";
        const std::string last = LogScalar(log, "SELECT MAX(Rec_Num) FROM Records");
        EXPECT_NE(r.err.find("testing stopped after " + last + " record(s); the error log ends with \"Test Aborted\""),
                  std::string::npos) << r.err;
        EXPECT_EQ(LogScalar(log, "SELECT Rec_Num || ' ' || Reference FROM Errors ORDER BY Err_Num DESC"),
                  last + " Test Aborted");
        EXPECT_EQ(LogScalar(log, "SELECT \"0\" FROM TRT"), LogScalar(log, "SELECT COUNT(*) FROM Records WHERE ID = 'RW'"));
        EXPECT_TRUE(!*records || last == records) << last;
    }
}

// Two runs started together on one program folder: one is refused before it touches
// anything, the other goes on undisturbed and leaves a complete log.
TEST(QuorvexCheck, TwoRunsStartedTogetherOnOneFolder) {
    TempDir dir;
    const auto written = WriteSubmission(UniformShape(2, 1500), (dir / "g.txt").string());
    int refused = 0;
    for (int pair = 0; pair < 10; ++pair) {
        const CliResult r = Sh(dir, "Q --quiet g.txt 2>e1 & Q --quiet g.txt 2>e2; b=$?; wait $!; echo $? $b; cat e1 e2");
        refused += r.out.find("data is in use by another Quorvex program") != std::string::npos;
        EXPECT_TRUE(r.out.starts_with("0 0\n") || r.out.starts_with("3 0\n") || r.out.starts_with("0 3\n")) << r.out;
        EXPECT_EQ(LogScalar(dir / "data" / "Errorlog.mdb", "SELECT COUNT(*) || (SELECT COUNT(*) FROM Errors) FROM Records"),
                  std::to_string(written.records) + "0");
    }
    EXPECT_GT(refused, 0) << "the runs never met";
}

// --show-record prints a stored record as the record viewer shows it and changes nothing.
TEST(QuorvexCheck, ShowRecordPrintsTheViewerRows) {
    TempDir dir;
    const CliResult r = Sh(dir, "Q --quiet e.txt; cp data/Errorlog.mdb old; "
                                "Q --show-record 9 >&2; Q --show-record 3; s=$?; cmp -s old data/Errorlog.mdb && exit $s");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, r.out.find('\n', r.out.find('\n') + 1) + 1),
              "0\t1-2\tRecord Identifier\t[RW]\t\n1\t3-11\tSSN\t[12345678X]\t*\n");
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 47);
    EXPECT_NE(r.err.find("Errorlog.mdb holds no record 9\n"), std::string::npos) << r.err;
}

template <class Format>
std::string Written(const std::filesystem::path& folder, Format format) {
    std::ostringstream out;
    if constexpr (std::is_same_v<Format, ReportFormat>) WriteReport(LogReader(ErrorLog::PathIn(folder)), format, out);
    else WriteFindings(LogReader(ErrorLog::PathIn(folder)), format, out);
    return out.str();
}

// A submission in two files: an unknown state on line 3 of the first, a short record on
// line 3 of the second that stops the run. Then the reports of the log left behind.
TEST(QuorvexCheck, ReportsAndFindingsOfTheRunAndOfTheLogItLeft) {
    TempDir dir;
    const std::string data = dir.path().string();
    std::vector<std::string> records = ValidRecords({"RA", "RE", "RW", "RT"});
    Put(records[1], 163, "XX");
    const auto first = dir / "part one.txt", second = dir / "part2.txt";
    WriteFile(first, records[0] + "\r\n\r\n" + records[1] + "\r\n" + records[2] + "\r\n");
    WriteFile(second, "\n" + records[3] + "\r\n" + "RF" + std::string(98, ' '));
    CliResult r = Main({"--data-dir", data, "--report", "text", "--findings", "gnu", "--findings-file",
                        (dir / "gnu.txt").string(), first.string(), second.string()});
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_NE(r.out.find("Error report:              " + (dir / "ErrorReport.txt").string()), std::string::npos);
    EXPECT_EQ(ReadFile(dir / "ErrorReport.txt"), Written(dir.path(), ReportFormat::Text));
    EXPECT_EQ(ReadFile(dir / "gnu.txt"),
              first.string() + ":3:163: error: State Abbreviation [Position 163 - 164]: The Postal Abbreviation is "
                               "invalid (see ZRW5). [XX]\n" +
                  second.string() + ":3:1: critical: Record Length: Must be 512 bytes for ZRW5 files. This condition "
                                    "may also be generated if the previous record is greater than 512 bytes or if "
                                    "there is a Carriage Return/Line Feed within a record. [100 bytes.]\n");
    // Without FILE: the log left behind, which ends with a critical error.
    r = Main({"--data-dir", data, "--report", "html", "--report-file", "-"});
    EXPECT_EQ(std::tuple(r.status, r.out), std::tuple(2, Written(dir.path(), ReportFormat::Html)));
    EXPECT_EQ(Main({"--data-dir", data, "--quiet", "--findings=csv", "--findings-file", data + "/f.csv"}).status, 2);
    EXPECT_EQ(ReadFile(dir / "f.csv"), Written(dir.path(), FindingsFormat::Csv));
    r = Main({"--data-dir", data, "--findings", "json"});
    EXPECT_EQ(std::tuple(r.status, r.out), std::tuple(2, Written(dir.path(), FindingsFormat::Json)));
}

}  // namespace
}  // namespace quorvex::test
