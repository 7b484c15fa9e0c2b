#include <gtest/gtest.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>
#include <tuple>
#include <vector>

#include "support/records.h"
#include "support/test_support.h"

using quorvex::test::TempDir;

namespace {

struct Result {
    int status;
    std::string out, err;
};

std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// Runs `script` with bash in `dir`, where Q runs quorvex-check ($QC) with the program folder
// `dir`/data ($D), and $S is a valid submission of five records.
Result Bash(const std::string& script, const TempDir& dir) {
    quorvex::test::WriteFile(dir / "script.sh", "QC=" + Quote(QUORVEX_CHECK_EXE) + "; D=" +
                                                    Quote((dir / "data").string()) + "; S=" +
                                                    Quote((dir / "s.txt").string()) +
                                                    "\nQ() { \"$QC\" --data-dir \"$D\" --today 2010-01-01 \"$@\"; }\n" +
                                                    script + "\n");
    std::string submission;
    for (const auto& r : quorvex::test::ValidRecords({"RA", "RE", "RW", "RT", "RF"}, 0, 0)) submission += r + "\r\n";
    quorvex::test::WriteFile(dir / "s.txt", submission);
    const std::string cmd = "cd " + Quote(dir.path().string()) + " && bash script.sh 2>err.txt";
    Result r;
    FILE* p = popen(cmd.c_str(), "r");
    char buf[4096];
    while (std::size_t n = fread(buf, 1, sizeof buf, p)) r.out.append(buf, n);
    const int status = pclose(p);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.err = quorvex::test::ReadFile(dir / "err.txt");
    return r;
}

}  // namespace

// A submission that comes through a pipe has no length: it is read to its end all the same.
TEST(Environment, PipesAndFifosAreReadToTheirEnd) {
    const std::vector<std::pair<const char*, const char*>> cases = {
        {"standard input as -", "cat $S | Q --quiet -"},
        {"/dev/stdin", "cat $S | Q --quiet /dev/stdin"},
        {"process substitution", "Q --quiet <(cat $S)"},
        {"a FIFO written later", "mkfifo f; (sleep 0.3; cat $S > f) & Q --quiet f"},
        {"a pipe trickling", "(head -c 700 $S; sleep 0.2; tail -c +701 $S) | Q --quiet -"},
    };
    for (const auto& [name, script] : cases) {
        SCOPED_TRACE(name);
        TempDir dir;
        Result r = Bash(script, dir);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(quorvex::test::LogScalar(dir / "data" / "Errorlog.mdb", "SELECT COUNT(*) FROM Records"), "5");
    }
}

// Ctrl-C and SIGTERM end a run as the window's Exit does: the records so far are kept with
// their block totals, the last one gets "Test Aborted", and the status is 128 + the signal.
// The records come through a pipe that never ends, so the signal finds the run reading or
// checking; the third case waits on a FIFO that stays silent after three records.
TEST(Environment, CtrlCAndSigtermEndTheRunAsExitDoes) {
    const std::string endless = "RW=$(sed -n 3p $S | tr -d '\\r')\n{ head -n 2 $S; while :; do printf '%s\\r\\n' \"$RW\"; done; } | ";
    const std::vector<std::tuple<const char*, std::string, int>> cases = {
        {"SIGINT, one thread", endless + "\"$QC\" --data-dir \"$D\" --threads 1 - & sleep 0.5; kill -INT $!", 130},
        {"SIGTERM, writer thread", endless + "\"$QC\" --data-dir \"$D\" --threads 2 - & sleep 0.5; kill -TERM $!", 143},
        {"SIGINT while waiting", "mkfifo f; (head -n 3 $S; sleep 10) > f & \"$QC\" --data-dir \"$D\" f & sleep 0.5; kill -INT $!",
         130},
    };
    for (const auto& [name, start, status] : cases) {
        SCOPED_TRACE(name);
        TempDir dir;
        Result r = Bash("set -m\n" + start + "\nwait $!\necho \"status $?\"\nkill %1 2>/dev/null", dir);
        EXPECT_NE(r.out.find("status " + std::to_string(status)), std::string::npos) << r.out << r.err;
        const auto log = dir / "data" / "Errorlog.mdb";
        const std::string last = quorvex::test::LogScalar(log, "SELECT MAX(Rec_Num) FROM Records");
        EXPECT_NE(r.err.find("testing stopped after " + last + " record(s); the error log ends with \"Test Aborted\""),
                  std::string::npos)
            << r.err;
        EXPECT_EQ(quorvex::test::LogScalar(log, "SELECT Rec_Num || ' ' || Reference FROM Errors ORDER BY Err_Num DESC"),
                  last + " Test Aborted");
        // The block totals count every RW record of the block.
        EXPECT_EQ(quorvex::test::LogScalar(log, "SELECT \"0\" FROM TRT"),
                  quorvex::test::LogScalar(log, "SELECT COUNT(*) FROM Records WHERE ID = 'RW'"));
        if (std::string(name) == "SIGINT while waiting") {
            EXPECT_EQ(last, "3");
        }
    }
}

// Two runs started within the same millisecond on one program folder: the second is refused
// before it touches anything, the first goes on undisturbed and leaves a complete log.
TEST(Environment, TwoRunsStartedTogetherOnOneFolder) {
    TempDir dir;
    const auto sub = dir / "s.txt";
    const auto written = quorvex::test::WriteSubmission(quorvex::test::UniformShape(2, 1500), sub.string());
    const std::string data = (dir / "data").string();
    int refused = 0;
    for (int pair = 0; pair < 25; ++pair) {
        SCOPED_TRACE("pair " + std::to_string(pair));
        pid_t pids[2];
        for (int k = 0; k < 2; ++k) {
            const std::string err = (dir / ("err" + std::to_string(k))).string();
            posix_spawn_file_actions_t files;
            posix_spawn_file_actions_init(&files);
            posix_spawn_file_actions_addopen(&files, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            const char* argv[] = {QUORVEX_CHECK_EXE, "--quiet",   "--today", "2010-01-01", "--data-dir",
                                  data.c_str(),      sub.c_str(), nullptr};
            ASSERT_EQ(posix_spawn(&pids[k], argv[0], &files, nullptr, const_cast<char**>(argv), environ), 0);
            posix_spawn_file_actions_destroy(&files);
        }
        int ok = 0;
        for (int k = 0; k < 2; ++k) {
            int status = 0;
            waitpid(pids[k], &status, 0);
            const std::string err = quorvex::test::ReadFile(dir / ("err" + std::to_string(k)));
            if (WEXITSTATUS(status) == 0) {
                ++ok;
                EXPECT_EQ(err, "Results: Testing Completed.\nThere were no errors found.\n");
            } else {
                ++refused;
                EXPECT_EQ(WEXITSTATUS(status), 3);
                EXPECT_NE(err.find("quorvex-check: the program folder " + data + " is in use by another Quorvex program"),
                          std::string::npos)
                    << err;
            }
        }
        EXPECT_GE(ok, 1);
        const auto log = dir / "data" / "Errorlog.mdb";
        EXPECT_EQ(quorvex::test::LogScalar(log, "SELECT COUNT(*) FROM Records"), std::to_string(written.records));
        EXPECT_EQ(quorvex::test::LogScalar(log, "SELECT COUNT(*) FROM Errors"), "0");
    }
    EXPECT_GT(refused, 0) << "the runs never met";
}

// Files named on the command line that the run never reads are named in a warning, and the
// status says so (4) unless a critical error (2) or a failure (3) says more.
TEST(Environment, FilesNamedButNotTestedAreTold) {
    const std::vector<std::tuple<const char*, const char*, int, std::vector<std::string>>> cases = {
        {"after the RF record", "Q --quiet $S b.txt c.txt", 4,
         {"b.txt was not tested: the submission ended with its RF record before it",
          "c.txt was not tested: the submission ended with its RF record before it"}},
        {"a missing next file", "head -n 3 $S > a.txt; Q --quiet a.txt gone.txt c.txt", 4,
         {"gone.txt was not tested: it was not found",
          "c.txt was not tested: testing ended at the missing file gone.txt before it"}},
        {"a critical error", "tail -n 1 $S > rf.txt; Q --quiet rf.txt b.txt", 2,
         {"b.txt was not tested: testing was stopped by a critical error before it"}},
        {"a missing first file", "Q --quiet gone.txt b.txt", 3,
         {"gone.txt was not tested: it was not found",
          "b.txt was not tested: testing ended at the missing file gone.txt before it"}},
    };
    for (const auto& [name, script, status, warnings] : cases) {
        SCOPED_TRACE(name);
        TempDir dir;
        quorvex::test::WriteFile(dir / "b.txt", "");
        quorvex::test::WriteFile(dir / "c.txt", "");
        Result r = Bash(script, dir);
        EXPECT_EQ(r.status, status) << r.err;
        for (const std::string& w : warnings)
            EXPECT_NE(r.err.find("quorvex-check: warning: " + w + "\n"), std::string::npos) << r.err;
    }
}

// Text from a record or a file name never reaches the terminal raw: control characters are
// escaped. Output that cannot be written is a failure, not a success.
TEST(Environment, TerminalOutputIsEscapedAndItsFailureCounts) {
    const std::vector<std::tuple<const char*, const char*, int, const char*>> cases = {
        {"a record starting with ESC ]", "printf 'R\\033]0;owned\\007' > esc.txt; Q esc.txt", 2, "[R\\x1B]"},
        {"a file name with controls", "Q \"$(printf 'gone\\033[2J\\001.txt')\"", 3, "gone\\x1B[2J\\x01.txt was not found."},
        {"an option with controls", "Q \"$(printf -- '--x\\033c')\" $S", 3, "unknown option --x\\x1Bc"},
        {"the summary to a full disk", "Q $S > /dev/full", 3, "standard output could not be written: No space left"},
        {"the help to a full disk", "Q --help > /dev/full", 3, "standard output could not be written"},
    };
    for (const auto& [name, script, status, shown] : cases) {
        SCOPED_TRACE(name);
        TempDir dir;
        Result r = Bash(script, dir);
        EXPECT_EQ(r.status, status) << r.err;
        EXPECT_NE((r.out + r.err).find(shown), std::string::npos) << r.out << r.err;
        for (char c : r.out + r.err) EXPECT_TRUE(c == '\n' || c == '\t' || static_cast<unsigned char>(c) >= 0x20) << int(c);
    }
}
