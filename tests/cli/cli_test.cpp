// quorvex-check as a user runs it, and whole runs with the log written on the checking thread and on its own.
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <iostream>
#include <random>

#include "cli/check_in_process.h"
#include "cli/check_main.h"
#include "cli/cli_services.h"
#include "cli/report_output.h"
#include "cli/stop_signals.h"
#include "common/folder_lock.h"
#include "errorlog/run_history.h"
#include "reader/run.h"
#include "report/core/page_background.h"
#include "report/report_logs.h"
#include "support/db_faults.h"

namespace quorvex::test {
namespace {

namespace fs = std::filesystem;

std::string Quote(const std::string& s) { return "'" + s + "'"; }  // the paths here hold no quote

// Runs `script` with bash in `dir`: Q runs quorvex-check ($QC) on the folder $D. $S (s.txt)
// is a valid submission of five records; e.txt holds RA, RE and two RW records with a bad SSN.
CliResult Sh(const TempDir& dir, const std::string& script) {
    const std::string badSsn = ValidRecord("RW").replace(2, 9, "12345678X");
    WriteFile(dir / "s.txt", Lines(ValidRecords({"RA", "RE", "RW", "RT", "RF"})));
    WriteFile(dir / "e.txt", Lines({ValidRecord("RA"), ValidRecord("RE"), badSsn, badSsn}));
    WriteFile(dir / "script.sh",
              "QC=" + Quote(QUORVEX_CHECK_EXE) + "; D=" + Quote((dir / "data").string()) +
                  "; S=" + Quote((dir / "s.txt").string()) +
                  "\nQ() { \"$QC\" --data-dir \"$D\" \"$@\"; }\n"
                  // Waits (10 s at most) for the run to make its log, then $1 seconds more.
                  "started() { for i in $(seq 200); do [ -e \"$D/Errorlog.mdb\" ] && break; sleep 0.05; "
                  "done; sleep \"$1\"; }\n" +
                  script + "\n");
    const int status =
        std::system(("cd " + Quote(dir.path().string()) + " && bash script.sh >out.txt 2>err.txt").c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(dir / "out.txt"), ReadFile(dir / "err.txt")};
}

// Every row: the exit status and a piece of what is printed; nothing printed holds a raw control character.
TEST(QuorvexCheck, StatusAndMessageOfEachOutcome) {
    const std::tuple<const char*, int, const char*> rows[] = {
        {"Q --limit 25001 $S", 3, "--limit 25001: must be a whole number from 1 to 25,000"},
        {"Q --today 2009-02-30 $S", 3, "--today 2009-02-30: not a date"},
        {"Q --today 2010-13-01 $S", 3, "--today 2010-13-01: not a date"},
        {"Q --today 1899-12-31 $S", 3, "--today 1899-12-31: not a date"},
        {"\"$QC\" --data-dir --quiet $S", 3, "--data-dir needs a folder, not the option --quiet"},
        {"Q --threads 3 $S || Q $S --threads", 3, "--threads needs 1 or 2\nTry 'quorvex-check --help'.\n"},
        {"Q --findings xml $S", 3,
         "quorvex-check: --findings must be json, csv, gnu, sarif, github or junit\nTry 'quorvex-check --help'.\n"},
        {"Q --version", 0, "quorvex-check 1."},
        // On a terminal the progress bar ends full and is cleared before the summary.
        {"script -qec \"'$QC' --data-dir '$D' --today 2010-01-01 '" QUORVEX_SOURCE_DIR "/examples/faulty-2008.txt'\" "
         "/dev/null | tr '\\r' '~'",
         0,
         "##] 100%~                                                                                                    "
         "~Records tested:"},
        {"Q", 3, "no submission file given"},
        {"Q --show-record 0", 3, "--show-record needs a record number"},
        {"Q --show-record 2x", 3, "--show-record needs a record number"},
        {"Q --show-record 1 $S", 3, "--show-record tests no file"},
        // --show-record prints a stored record as the record viewer shows it and changes nothing.
        {"Q --quiet e.txt; cp data/Errorlog.mdb old; Q --show-record 3 > o; s=$?; head -n 2 o; wc -l < o; "
         "cmp -s old data/Errorlog.mdb && exit $s",
         0, "0\t1-2\tRecord Identifier\t[RW]\t\n1\t3-11\tSSN\t[12345678X]\t*\n47\n"},
        {"Q --quiet e.txt; Q --show-record 9", 3, "Errorlog.mdb holds no record 9\n"},
        {"Q --findings gnu", 3, "--findings gnu needs the run"},
        // Options that do not go together, or have no effect in the mode chosen, are named.
        {"Q --show-record 1 --findings json", 3, ": --show-record and --findings do not go together\n"},
        {"Q --history --compare", 3, ": --history and --compare do not go together\n"},
        {"Q --history --findings gnu", 3,
         ": --history and --findings gnu do not go together: the list is written as json or csv\n"},
        {"Q --findings-file x.json", 3, ": --findings-file needs --findings\n"},
        {"Q --sarif-root . --findings json $S", 3, ": --sarif-root and --findings json do not go together\n"},
        {"Q --limit 5 --history", 3, ": --history and --limit do not go together\n"},
        {"Q --compare --today 2009-01-15", 3, ": --compare and --today do not go together\n"},
        {"Q --limit 5 --report text", 3, ": --limit has no effect without a submission FILE\n"},
        {"Q --fail-on new $S", 3, ": --fail-on has no effect on a test run\n"},
        {"Q --report text --report-file - --findings csv e.txt", 3,
         ": --report-file - and --findings without --findings-file do not go together: both write to standard "
         "output\n"},
        // --fail-on new: a comparison fails only on a new finding.
        {"Q --quiet $S; Q --quiet e.txt; Q --compare --fail-on new >/dev/null; echo $?; Q --quiet e.txt; "
         "Q --compare --fail-on=new >/dev/null; echo $?; Q --compare --fail-on any >/dev/null; echo $?",
         0, "1\n0\n1\n"},
        {"Q --report pdf", 3, "--report must be text or html"},
        {"mkdir data; Q --show-record 1; s=$?; rmdir data && exit $s", 3, "there is no error log"},
        {"Q --report text", 3, "there is no error log"},
        {"Q --help", 0, "Exit status:"},
        {"Q --help | awk 'length > 80 {n++} END {print \"over 80: \" n+0}'", 0, "over 80: 0\n"},
        {"\"$QC\" --data-dir '' $S", 3, "--data-dir: the folder name is empty"},
        // No lock, no run; a folder in use is not read either.
        {"mkdir -p data/quorvex.lock; Q $S", 3, "data cannot be locked for this program alone"},
        // A report or findings file never takes the place of an input or of the program folder's own files.
        {"Q --quiet e.txt; Q --findings json --findings-file data/ERRORLOG.MDB; s=$?; Q --show-record 3 >/dev/null && "
         "exit $s",
         5, "is a file the program keeps in its program folder"},
        {"cp e.txt k; Q --report text --report-file e.txt e.txt; s=$?; cmp -s e.txt k && exit $s", 5,
         "is the submission file"},
        // Written into a new private file renamed into place: never through a link, whatever the umask.
        {"umask 0; Q --quiet e.txt; echo x > v; ln -s ../v data/ErrorReport.txt; Q --quiet --report text e.txt; s=$?; "
         "test \"$(cat v)\" = x -a ! -L data/ErrorReport.txt && stat -c %a data data/*.txt data/Errorlog.mdb && exit "
         "$s",
         1, "700\n600\n600\n"},
        // A NEXT-FILE that is a folder or cannot be read is named with its reason.
        {"head -n 3 $S > a; touch c; Q a . c", 4,
         "warning: . was not tested: it is a folder\nquorvex-check: warning: c was "
         "not tested: testing ended at the unreadable file . before it\n"},
        {"Q gone.txt", 3, "/gone.txt was not found."},
        {"Q --quiet .", 3, "Submission File Error: Error Number: 21"},
        {"\"$QC\" --data-dir s.txt s.txt", 3, "s.txt is not a folder."},
        {"\"$QC\" --data-dir s.txt/sub s.txt", 3, "s.txt/sub cannot be created: Not a directory"},
        {"Q $S", 0, "Results: Testing Completed.\nThere were no errors found.\n"},
        {"Q --today 2008-02-29 $S", 0, "There were no errors found."},
        {"Q --today 2009-01-15 $S", 0, "Would you like to connect to Plexora Web site to submit the wage report?"},
        {"Q --limit 7 e.txt", 1,
         "Records tested:            4\nRecords with errors:       2\nErrors found:              3\n"},
        {"Q --limit 1 e.txt", 2, "Critical Error in Record Number 3\n  1 or more Errors"},
        {"sed -n '1p;3p' $S > c; Q c", 2, "terminated due to the Critical Error in Record Number 2"},
        {": > empty; Q empty", 3, "Results: Warning: The file contains no valid data."},
        {"Q --quiet e.txt > o; s=$?; test ! -s o && exit $s", 1, "Missing Final Record: RF record was not found."},
        {"touch b c; Q $S b c", 4, "warning: c was not tested: the submission ended with its RF record before it\n"},
        {"head -n 3 $S > a; Q a gone c", 4,
         "warning: c was not tested: testing ended at the missing file gone before it\n"},
        {"tail -n 1 $S > rf; Q rf b", 2,
         "warning: b was not tested: testing was stopped by a critical error before it\n"},
        {"Q gone b", 3, "warning: gone was not tested: it was not found\n"},
        {"Q --report text --report-file no/r.txt e.txt", 5, "Could not write"},
        // A socket in the output's place is no FIFO to wait on: refused at once.
        {"perl -MIO::Socket::UNIX -e 'IO::Socket::UNIX->new(Local => \"sock\", Listen => 1)'; "
         "Q --findings csv --findings-file sock e.txt",
         5, "sock: No such device or address"},
        {"Q --report text --findings json $S > o; s=$?; test ! -e data/ErrorReport.txt -a \"$(cat o)\" = '[]' && exit "
         "$s",
         0, "Results: No errors found in the submission!"},
        // A pipe or FIFO has no length: it is read to its end.
        {"mkfifo f; (sleep 0.3; cat $S > f) & Q f", 0, "There were no errors found."},
        {"(head -c 700 $S; sleep 0.2; tail -c +701 $S) | Q -", 0, "There were no errors found."},
        // Text of a record, a file name or an option reaches the terminal escaped.
        {"printf 'R\\033]0;owned\\007' > esc.txt; Q esc.txt", 2, "[R\\x1B]"},
        {"printf 'R\\033]0;owned\\007' > esc.txt; Q --quiet esc.txt; Q --show-record 1", 0, "[R\\x1B]"},
        {"Q \"$(printf 'gone\\033[2J\\001.txt')\"", 3, "gone\\x1B[2J\\x01.txt was not found."},
        {"Q \"$(printf -- '--x\\033c')\" $S", 3, "unknown option --x\\x1Bc"},
        // A line feed in a file name forges no line: not in a message box, not in a warning.
        {"Q \"$(printf 'new\\nline.txt')\"", 3, "/new\\x0Aline.txt was not found.\n"},
        {"Q $S \"$(printf 'next\\nfile')\"", 4, "warning: next\\x0Afile was not tested: the submission ended"},
        // What does not reach its file or its reader is no success (5), and says where and why.
        {"Q $S > /dev/full", 5, "standard output could not be written: No space left"},
        {"Q --quiet e.txt; Q --report text --report-file /dev/full", 5, "Could not write /dev/full: No space left"},
        {"Q --quiet e.txt; Q --quiet e.txt; Q --compare > /dev/full", 5, "could not be written: No space left"},
        {"Q --quiet e.txt; Q --findings csv --findings-file data/RunHistory.db", 5,
         "data/RunHistory.db: it is a file the program keeps in its program folder"},
        // A descriptor given by name is written where the shell left it, never replaced in /dev.
        {"Q --quiet e.txt; echo first > o; Q --findings csv --findings-file /dev/stdout >> o; s=$?; "
         "Q --findings csv --findings-file /dev/fd/3 3>>o; test -L /dev/stdout && head -n 1 o && grep -c 12345678X o; "
         "exit $s",
         1, "first\n4\n"},
        // Standard output under any name holds only what was asked for, never the run's summary.
        {"Q --findings json --findings-file /dev/fd/1 e.txt > o; Q --report text --report-file /dev/stdout e.txt >> o; "
         "head -c 1 o; echo; grep -c 'Records tested' o",
         1, "[\n0\n"},
        // --compare names what it was given and what it expected.
        {"Q --compare 0x10", 3, "--compare 0x10: a run number was expected"},
        {"Q --quiet e.txt; Q --quiet e.txt; Q --compare 99999999999999999999", 3,
         "the run history holds no run 99999999999999999999\n"},
        {"Q --quiet e.txt; Q --quiet e.txt; Q --compare 2 2 || Q --compare 2", 3, "names run 2 twice"},
        // A FIFO without a reader is waited on without holding the folder; a signal ends the wait
        // after the run had finished, and says so.
        {"mkfifo f; \"$QC\" --data-dir \"$D\" --quiet --findings csv --findings-file f e.txt & p=$!; "
         "until Q --show-record 1 >/dev/null 2>&1; do sleep 0.05; done; kill -TERM $p; wait $p",
         143, "Terminated: stopped after the run had finished: the error log is complete."},
        // The program folder: the environment's, a limit for this run only, an installed program's.
        {"QUORVEX_DATA_DIR=$PWD/env \"$QC\" --quiet $S && test -f env/Errorlog.mdb -a -f env/ErrSetLog.ini", 0, ""},
        {"mkdir data; echo '[Maximum Error Count]:1200' > data/ErrSetLog.ini; Q --limit 1 e.txt; s=$?; "
         "grep -q 1200 data/ErrSetLog.ini && exit $s",
         2, ""},
        {"mkdir -p u/bin u/share/quorvex; cp \"$QC\" u/bin; env -u QUORVEX_DATA_DIR -u XDG_DATA_HOME HOME=$PWD/h "
         "u/bin/quorvex-check --quiet $S && test -f h/.local/share/quorvex/Errorlog.mdb -a ! -e u/bin/Errorlog.mdb "
         "&& stat -c %a h/.local/share/quorvex",
         0, "700\n"},
    };
    for (const auto& [script, status, shown] : rows) {
        SCOPED_TRACE(script);
        TempDir dir;
        const CliResult r = Sh(dir, script);
        EXPECT_EQ(r.status, status) << r.out << r.err;
        EXPECT_NE((r.out + r.err).find(shown), std::string::npos) << r.out << r.err;
        for (char c : r.out + r.err)
            EXPECT_TRUE(c == '\n' || c == '\t' || static_cast<unsigned char>(c) >= 0x20) << int(c);
    }
}

// In a folder every user may write to (sticky, as /tmp), another user's FIFO, link or files of
// the program folder are never written to; the user's own FIFO is.
TEST(QuorvexCheck, SharedFoldersAndFilesOfOthers) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to make files of another user (nobody)";
    const std::tuple<const char*, int, const char*> rows[] = {
        {"Q --quiet e.txt; mkdir -m 1777 t; mkfifo t/p; chown nobody t/p; Q --findings csv --findings-file t/p", 5,
         "t/p: it belongs to another user in a folder shared by all users"},
        {"Q --quiet e.txt; mkdir -m 1777 t; echo x > v; ln -s ../v t/l; chown -h nobody t/l; "
         "Q --findings csv --findings-file t/l; s=$?; test \"$(cat v)\" = x && exit $s",
         5, "t/l: it belongs to another user"},
        {"Q --quiet e.txt; mkdir -m 1777 t; mkfifo t/p; cat t/p > got & Q --findings csv --findings-file t/p; s=$?; "
         "wait; "
         "grep -c 12345678X got; exit $s",
         1, "2\n"},
        // The program folder's own files, another user's or open to others: the history is
        // not used (and said once), the error limit not read.
        {"Q --quiet e.txt; chown nobody data/RunHistory.db; Q --quiet e.txt; s=$?; chown root data/RunHistory.db; "
         "Q --history | grep -c finished; exit $s",
         1, "RunHistory.db belongs to another user; it is not used. This run is not in the history"},
        {"Q --quiet e.txt; chmod 666 data/RunHistory.db; Q --quiet e.txt", 1,
         "RunHistory.db can be changed by other users"},
        {"mkdir data; echo '[Maximum Error Count]:1' > data/ErrSetLog.ini; chown nobody data/ErrSetLog.ini; Q --quiet "
         "e.txt",
         1, ""},
        {"umask 0; Q --quiet e.txt; stat -c %a data/ErrSetLog.ini data/RunHistory.db", 0, "600\n600\n"},
        // A folder the user may read but not write is read by every reading mode.
        {"Q --quiet e.txt; Q --quiet e.txt; chown -R nobody data; chmod -R a-w data; for m in '--show-record 1' "
         "'--findings csv' --history --compare '--report text --report-file -'; do setpriv --reuid=nobody "
         "--regid=nogroup --clear-groups \"$QC\" --data-dir \"$D\" $m >/dev/null; echo $?; done",
         0, "0\n1\n0\n1\n1\n"},
        // Nor is another user's log (or journal, or a link to theirs) read as the last run's.
        {"mkdir -m 1777 data; Q --quiet e.txt; chown nobody data/Errorlog.mdb; Q --report text", 3,
         "Errorlog.mdb belongs to another user; it is not read."},
        {"mkdir -m 1777 data; Q --quiet e.txt; chmod 666 data/Errorlog.mdb; Q --findings json", 3,
         "Errorlog.mdb can be changed by other users; it is not read."},
        {"mkdir -m 1777 data; Q --quiet e.txt; mv data/Errorlog.mdb x; ln -s ../x data/Errorlog.mdb; chown -h nobody "
         "data/Errorlog.mdb; Q --show-record 1",
         3, "Errorlog.mdb belongs to another user"},
        {"mkdir -m 1777 data; Q --quiet e.txt; : > data/Errorlog.mdb-journal; chown nobody data/Errorlog.mdb-journal; "
         "Q --findings csv",
         3, "Errorlog.mdb-journal belongs to another user"},
    };
    for (const auto& [script, status, shown] : rows) {
        SCOPED_TRACE(script);
        TempDir dir;
        fs::permissions(dir.path(), fs::perms::all);  // nobody reaches its files
        const CliResult r = Sh(dir, script);
        EXPECT_EQ(r.status, status) << r.out << r.err;
        EXPECT_NE((r.out + r.err).find(shown), std::string::npos) << r.out << r.err;
    }
}

// The window holds the folder, a run holds the run: readers wait for no one and are refused
// only during a run; a second run is refused while the window is open.
TEST(QuorvexCheck, ReadersBesideAnIdleWindowNotBesideARun) {
    TempDir dir;
    const std::string faulty = (fs::path(QUORVEX_SOURCE_DIR) / "examples" / "faulty-2008.txt").string();
    ASSERT_EQ(CheckInProcess({"--data-dir", (dir / "data").string(), "-q", faulty}).status, 1);
    const std::tuple<FolderLock::Kind, std::vector<std::string>, int, const char*> rows[] = {
        {FolderLock::Kind::Folder, {"--history"}, 0, ""},
        {FolderLock::Kind::Folder, {"--show-record", "1"}, 0, ""},
        {FolderLock::Kind::Folder, {"--findings", "json"}, 1, ""},
        {FolderLock::Kind::Folder, {"x.txt"}, 3, "is in use by another Quorvex program"},
        {FolderLock::Kind::Reader, {"--compare"}, 3, "fewer than two runs"},
    };
    for (const auto& [held, args, status, shown] : rows) {
        SCOPED_TRACE(args.front());
        const FolderLock other(dir / "data", held);
        ASSERT_EQ(other.GetState(), FolderLock::State::Held);
        std::vector<std::string> all = {"--data-dir", (dir / "data").string()};
        all.insert(all.end(), args.begin(), args.end());
        const CliResult r = CheckInProcess(all);
        EXPECT_EQ(r.status, status) << r.err;
        EXPECT_NE(r.err.find(shown), std::string::npos) << r.err;
    }
}

// While a run reads a FIFO whose writer pauses half-way, every reading mode and a second run are refused at once, and
// the run holds byte 1 of the lock file (in one range with byte 2, its turn). Five readers in loops keep no run out.
TEST(QuorvexCheck, ReadersAndASecondRunAreRefusedDuringARun) {
    TempDir dir;
    const CliResult r = Sh(
        dir,
        "Q --quiet e.txt; Q --quiet e.txt; mkfifo f; \"$QC\" --data-dir \"$D\" --quiet f & p=$!; exec 3>f; "
        "head -n 3 $S >&3; until ls -l /proc/$p/fd | grep -q Errorlog.mdb; do sleep 0.05; done\n"
        "for m in '--show-record 1' '--report text' '--findings json' --history --compare $S; do Q $m >/dev/null "
        "2>>r; echo $?; done; grep -c 'is in use: a test is in progress there' r; grep -c 'another Quorvex program' r\n"
        "grep -cE \"OFDLCK +ADVISORY +WRITE .*:$(stat -c %i data/quorvex.lock) +1 +[12]$\" /proc/locks; exec 3>&-; wait\n"
        "for i in 1 2 3 4 5; do while :; do Q --findings json; Q --history; done >/dev/null 2>&1 & done\n"
        "for i in 1 2 3; do timeout 10 \"$QC\" --data-dir \"$D\" --quiet $S; echo $?; done; kill $(jobs -p)");
    EXPECT_EQ(r.out, "3\n3\n3\n3\n3\n3\n5\n1\n1\n0\n0\n0\n") << r.err;
}

// Ctrl-C and SIGTERM end a run as Exit does: the records so far stay with their block totals, the last one gets
// "Test Aborted", the status is 128 + the signal. Records come through an endless pipe, or a silent FIFO.
TEST(QuorvexCheck, SignalsEndTheRunAsExitDoes) {
    const std::string endless =
        "RW=$(sed -n 3p $S | tr -d '\\r')\n{ head -n 2 $S; while :; do printf '%s\\r\\n' \"$RW\"; done; } | ";
    const std::tuple<std::string, int, const char*> cases[] = {
        {endless + "\"$QC\" --data-dir \"$D\" --threads 1 - & started 0.5; kill -INT $!", 130, ""},
        {endless + "\"$QC\" --data-dir \"$D\" --threads 2 - & started 0.5; kill -TERM $!", 143, ""},
        {endless + "\"$QC\" --data-dir \"$D\" - & started 0.5; kill -HUP $!", 129, ""},
        {endless + "\"$QC\" --data-dir \"$D\" - & started 0.5; kill -PIPE $!", 141, ""},
        {"mkfifo f; (head -n 3 $S; sleep 10) > f & \"$QC\" --data-dir \"$D\" f & started 0.5; kill -INT $!", 130, "3"},
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
        EXPECT_EQ(LogScalar(log, "SELECT \"0\" FROM TRT"),
                  LogScalar(log, "SELECT COUNT(*) FROM Records WHERE ID = 'RW'"));
        EXPECT_TRUE(!*records || last == records) << last;
    }
}

// A run killed after its first commit, with its hot journal left behind, is read back as a run that did not finish,
// never as a clean one: every reading mode says so and exits 3. Ctrl-C on a pipeline ends the run as Exit does
// even though the end of its input comes with the signal.
TEST(QuorvexCheck, AnInterruptedRunIsNeverReadAsFinished) {
    TempDir dir;
    const CliResult r =
        Sh(dir,
           "RW=$(sed -n 3p $S | tr -d '\\r')\n"
           "{ head -n 2 $S; while :; do printf '%s\\r\\n' \"$RW\"; done; } | \"$QC\" --data-dir \"$D\" - 2>/dev/null & "
           "started 2.6; "
           "kill -KILL $!; wait; Q --findings json > j; echo \"json $?\"; Q --findings sarif > s; echo \"sarif $?\"; "
           "Q --report text; "
           "echo \"text $?\"; Q --show-record 1 >/dev/null; echo \"show $?\"");
    EXPECT_NE(r.out.find("json 3\nsarif 3\ntext 3\nshow 3\n"), std::string::npos) << r.out << r.err;
    EXPECT_NE(ReadFile(dir / "s").find(R"({"executionSuccessful":false,"toolExecutionNotifications":[{"level":"error",)"
                                       R"("message":{"text":"Testing did not finish: the results end at Record Number)"),
              std::string::npos);
    EXPECT_NE(r.err.find("Testing did not finish: the results end at Record Number"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("No errors found"), std::string::npos) << r.err;
    EXPECT_EQ(ReadFile(dir / "j"), "[]\n");
    for (int attempt = 0; attempt < 3; ++attempt) {
        const CliResult c = Sh(dir, "set -m; rm -f p data/Errorlog.mdb; mkfifo p; (head -n 3 $S; sleep 10) > p & "
                                    "cat p | \"$QC\" --data-dir \"$D\" --quiet - & started 0.5; "
                                    "kill -INT %2; wait %2; echo $?; kill %1");
        EXPECT_EQ(c.out, "130\n") << c.err;
        EXPECT_EQ(LogScalar(dir / "data" / "Errorlog.mdb", "SELECT group_concat(Reference) FROM Errors"),
                  "Test Aborted");
    }
}

// Two runs started together on one folder: one is refused untouched, the other leaves a complete log.
TEST(QuorvexCheck, TwoRunsStartedTogetherOnOneFolder) {
    TempDir dir;
    const auto written = WriteSubmission(UniformShape(2, 1500), (dir / "g.txt").string());
    int refused = 0;
    for (int pair = 0; pair < 10; ++pair) {
        const CliResult r =
            Sh(dir, "Q --quiet g.txt 2>e1 & Q --quiet g.txt 2>e2; b=$?; wait $!; echo $? $b; cat e1 e2");
        refused += r.out.find("data is in use by another Quorvex program") != std::string::npos;
        EXPECT_TRUE(r.out.starts_with("0 0\n") || r.out.starts_with("3 0\n") || r.out.starts_with("0 3\n")) << r.out;
        EXPECT_EQ(
            LogScalar(dir / "data" / "Errorlog.mdb", "SELECT COUNT(*) || (SELECT COUNT(*) FROM Errors) FROM Records"),
            std::to_string(written.records) + "0");
    }
    EXPECT_GT(refused, 0) << "the runs never met";
}

// Two files: an unknown state on line 3 of the first, a short record on line 3 of the second stops the run.
TEST(QuorvexCheck, ReportsAndFindingsOfTheRunAndOfTheLogItLeft) {
    TempDir dir;
    const std::string data = dir.path().string();
    std::vector<std::string> records = ValidRecords({"RA", "RE", "RW", "RT"});
    Put(records[1], 163, "XX");
    const auto first = dir / "part one.txt", second = dir / "part2.txt";
    // The first file ends at an end-of-file mark: what follows it is never read.
    WriteFile(first, records[0] + "\r\n\r\n" + records[1] + "\r\n" + records[2] + "\r\n\x1A\r\n" + records[3] + "\r\n");
    WriteFile(second, "\n" + records[3] + "\r\n" + "RF" + std::string(98, ' '));
    CliResult r = CheckInProcess({"--data-dir", data, "--report", "text", "--findings", "gnu", "--findings-file",
                                  (dir / "gnu.txt").string(), first.string(), second.string()});
    EXPECT_NE(r.status == 2 ? r.out.find("Error report:              " + (dir / "ErrorReport.txt").string()) : -1, -1);
    EXPECT_EQ(ReadFile(dir / "ErrorReport.txt"), Written(dir.path(), ReportFormat::Text));
    const std::string gnu = ReadFile(dir / "gnu.txt");
    EXPECT_TRUE(gnu.starts_with(first.string() +
                                ":3:163: error: State Abbreviation [Position 163 - 164]: The Postal "
                                "Abbreviation is invalid (see ZRW5). [XX]\n" +
                                second.string() +
                                ":3:1: fatal error: Record "
                                "Length: Must be 512 bytes") &&
                gnu.ends_with("[100 bytes.]\n") && std::count(gnu.begin(), gnu.end(), '\n') == 2)
        << gnu;
    // Without FILE: the log left behind, which ends with a critical error.
    r = CheckInProcess({"--data-dir", data, "--report", "html", "--report-file", "-"});
    EXPECT_EQ(std::tuple(r.status, r.out), std::tuple(2, Written(dir.path(), ReportFormat::Html)));
    // The page's background image beside a page written to a file; a file of its name of the user's is kept.
    for (const char* folder : {"page", "own"}) {
        fs::create_directories(dir / folder);
        if (folder == std::string("own")) WriteFile(dir / folder / "orvantahalf.gif", "mine");
        CheckInProcess(
            {"--data-dir", data, "-q", "--report", "html", "--report-file", (dir / folder / "r.htm").string()});
    }
    EXPECT_EQ(std::tuple(ReadFile(dir / "page/orvantahalf.gif") == PageBackgroundGif(),
                         ReadFile(dir / "own/orvantahalf.gif")),
              std::tuple(true, "mine"));
    // Its findings are placed in the files the run read, as the history recorded them.
    r = CheckInProcess(
        {"--data-dir", data, "--quiet", "--report", "text", "--findings=csv", "--findings-file", data + "/f.csv"});
    const std::string csv = ReadFile(dir / "f.csv"), firstAt = first.string() + ",3,163,164,\r\n",
                      secondAt = second.string() + ",3,1,1,\r\n";
    EXPECT_EQ(std::tuple(r.status, r.out, csv.find(',' + firstAt) != std::string::npos, csv.ends_with(',' + secondAt)),
              std::tuple(2, "", true, true)) << csv;
}

// A report or findings bound for standard output that is a terminal are escaped; a file keeps the exact bytes.
TEST(QuorvexCheck, OutputsEscapedOnlyOnATerminal) {
    TempDir dir;
    {
        ErrorLog log = ErrorLog::CreateMDB(dir.path());
        log.AddRecord("RA", Record("RA"));
        log.LogError("City [Position 1 - 2]", "[a\x1B]", "Bad.");
        log.CloseDatabase();
    }
    const LogReader log(LogFile::PathIn(dir.path()));
    const std::string file = (dir / "out").string();
    const struct {
        std::optional<ReportFormat> report;
        std::optional<FindingsFormat> findings;
        std::string to;
        bool terminal;
        const char* shown;
    } rows[] = {
        {ReportFormat::Text, {}, "-", true, "[a\\x1B]\r\n"}, {ReportFormat::Text, {}, "-", false, "[a\x1B]"},
        {ReportFormat::Text, {}, file, true, "[a\x1B]"},     {{}, FindingsFormat::Csv, "-", true, "[a\\x1B]"},
        {{}, FindingsFormat::Csv, "", false, "[a\x1B]"},     {{}, FindingsFormat::Csv, file, true, "[a\x1B]"},
        {{}, FindingsFormat::Json, "", true, "[a\\u001b]"},  {{}, FindingsFormat::Csv, "/dev/fd/1", true, "[a\\x1B]"},
    };
    for (const auto& r : rows) {
        CliServices services({}, {}, Date{2010, 1, 1}, false);
        testing::internal::CaptureStdout();
        const ReportRequest request{r.report, r.to, r.findings, r.to, {}, r.terminal, {}, {}, {}};
        EXPECT_EQ(WriteRequested(request, log, dir.path(), nullptr, services, false), 0);
        const std::string out = (std::cout.flush(), testing::internal::GetCapturedStdout());
        const std::string written = r.to == file ? ReadFile(file) : out;
        EXPECT_NE(written.find(r.shown), std::string::npos) << r.to << r.terminal << written;
    }
}

using sql::FaultAt;

// The run history is written while the log's last commit is made, and kept only once that
// commit is: a log failing there leaves its run in the history as the failed run it is. A
// history that fails before the log's end is known is tried again after it, unseen.
TEST(LogFaults, TheHistoryKeepsARunOnlyOnceItsLogIsWhole) {
    const std::tuple<const char*, int, const char*> cases[] = {
        {"PRAGMA user_version = 0", 3, "log incomplete"},  // the log's end
        {"INSERT INTO Errors", 3, "log incomplete"},       // mid-run
        {"BEGIN IMMEDIATE", 1, "finished"},                // the history's first write
    };
    for (const auto& [during, status, outcome] : cases) {
        for (const char* threads : {"1", "2"}) {
            SCOPED_TRACE(std::string(during) + ", --threads " + threads);
            TempDir dir;
            std::vector<std::string> records = ValidRecords({"RA", "RE", "RW", "RT", "RF"});
            Put(records[2], 3, "12345678X");
            WriteFile(dir / "sub.txt", Lines(records));
            sql::PlantFault({FaultAt::Statement, during, 1, SQLITE_IOERR});
            const CliResult r = CheckInProcess(
                {"--quiet", "--threads", threads, "--data-dir", dir.path().string(), (dir / "sub.txt").string()},
                [](RunOptions& o) { o.yieldInterval = o.commitInterval = {}; });
            EXPECT_TRUE(sql::PlantFault({})) << "the fault never struck";
            EXPECT_EQ(r.status, status) << r.err;
            EXPECT_EQ(r.err.find("Run History"), std::string::npos) << r.err;
            const std::vector<HistoryRun> runs = RunHistory(RunHistory::PathIn(dir.path()), false).Runs();
            ASSERT_EQ(runs.size(), 1u);
            EXPECT_EQ(runs[0].outcome, outcome);
        }
    }
}

struct Outcome {  // the status, the number of records and the ids of those with errors
    int status;
    std::string scalars;
};

Outcome RunBothModes(const std::vector<fs::path>& files, const std::string& limit = "25000") {
    TempDir one, two;
    std::string dumps[2];
    CliResult runs[2];
    for (int k = 0; k < 2; ++k) {
        std::vector<std::string> args = {"--quiet", "--today", "2009-01-15", "--limit", limit, "--threads",
                                         k ? "2" : "1", "--data-dir", (k ? two : one).path().string()};
        for (const auto& f : files) args.push_back(f.string());
        runs[k] = CheckInProcess(args, [](RunOptions& o) { o.yieldInterval = std::chrono::microseconds(0); });
        dumps[k] = DumpLog((k ? two : one) / "Errorlog.mdb");
    }
    EXPECT_EQ(std::tuple(runs[0].status, runs[0].err), std::tuple(runs[1].status, runs[1].err));
    EXPECT_EQ(dumps[0], dumps[1]);
    const fs::path log = one / "Errorlog.mdb";
    return {
        runs[0].status,
        LogScalar(
            log,
            "SELECT COUNT(*) || ' ' || COALESCE((SELECT GROUP_CONCAT(DISTINCT ID) FROM Records WHERE Errors > 0), "
            "'') FROM Records")};
}

// A generated submission is valid. Then seeded faults: characters changed anywhere, records dropped or cut
// short, the submission split over two files (with an end-of-file mark after the first), low error limits.
TEST(WholeRuns, FaultySubmissionsLeaveTheSameLogInBothModes) {
    TempDir dir;
    auto shape = UniformShape(3, 20);
    shape.roEvery = 1, shape.allMoney = true, shape.territories = true;
    WriteSubmission(shape, (dir / "valid.txt").string());
    const std::string text = ReadFile(dir / "valid.txt");
    std::vector<std::string> valid;
    for (std::size_t at = 0; at < text.size(); at += 514) valid.push_back(text.substr(at, 512));
    const Outcome clean = RunBothModes({dir / "valid.txt"});
    EXPECT_EQ(std::tuple(clean.status, clean.scalars), std::tuple(0, std::to_string(valid.size()) + " "));
    const std::string pool = "09 A-x.\xe9\x01";
    std::mt19937 random(2008);
    auto pick = [&random](std::size_t n) { return static_cast<std::size_t>(random() % n); };
    std::string seen;
    std::set<int> statuses;
    for (int round = 0; round < 60; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        std::vector<std::string> recs = valid;
        for (int k = 1 + static_cast<int>(pick(3)); k > 0; --k) {
            // Every fourth round the first record (RA) among them, every fourth the last (RF).
            const std::size_t at = k > 1 || round % 4 > 1 ? pick(recs.size()) : round % 4 ? 0 : recs.size() - 1;
            recs[at][pick(20) == 0 ? pick(2) : 2 + pick(510)] = pool[pick(pool.size())];
        }
        if (pick(10) == 0) recs.erase(recs.begin() + static_cast<long>(1 + pick(recs.size() - 1)));
        if (pick(10) == 0) recs[pick(recs.size())].resize(100 + pick(400));
        const auto split = recs.begin() + static_cast<long>(pick(3) == 0 ? 2 + pick(recs.size() - 2) : recs.size());
        WriteFile(dir / "a.txt", Lines(std::vector<std::string>(recs.begin(), split)) + (pick(2) ? "\x1a" : ""));
        WriteFile(dir / "b.txt", Lines(std::vector<std::string>(split, recs.end())));
        std::vector<fs::path> files = {dir / "a.txt"};
        if (split != recs.end()) files.push_back(dir / "b.txt");
        const Outcome o = RunBothModes(files, std::vector<std::string>{"1", "4", "500"}[pick(3)]);
        seen += o.scalars;
        statuses.insert(o.status);
    }
    for (const char* type : {"RA", "RE", "RW", "RO", "RT", "RU", "RF"})
        EXPECT_NE(seen.find(type), std::string::npos) << type;
    EXPECT_TRUE(statuses.count(1) && statuses.count(2));
}

// The first signal is told and kept; a second Ctrl-C has its usual effect, a second SIGPIPE none (writes to the
// closed pipe fail instead of ending the program before its log is closed).
TEST(StopSignalsTest, FirstSignalKeptSecondCtrlCNotCaught) {
    {
        const StopSignals signals;
        std::raise(SIGPIPE);
        std::raise(SIGPIPE);
        EXPECT_EQ(StopSignals::Received(), SIGPIPE);
    }
    const StopSignals signals;
    std::raise(SIGINT);
    struct sigaction now {};
    sigaction(SIGINT, nullptr, &now);
    EXPECT_EQ(std::tuple(StopSignals::Received(), now.sa_handler == SIG_DFL), std::tuple(SIGINT, true));
    sigaction(SIGPIPE, nullptr, &now);
    EXPECT_NE(now.sa_handler, SIG_DFL);
}

}  // namespace
}  // namespace quorvex::test
