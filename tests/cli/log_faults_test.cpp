#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/mount.h>
#include <sys/wait.h>

#include <string>
#include <vector>

#include "cli/check_main.h"
#include "errorlog/sqlite.h"
#include "reader/run.h"
#include "support/records.h"
#include "support/test_support.h"

using quorvex::sql::FaultAt;
using quorvex::test::TempDir;

namespace {

// The log failing at each point of a run, in both thread modes: one message naming the log
// and the cause, a failure status, and a log that is either gone or complete up to a record
// and marked incomplete there. The run commits before every record (records 1 to 7 are RA,
// RE, three RW, RT and RF): the log's first commit is its tables, the k-th (k > 1) comes
// before record k - 1 and writes record k - 2, the 9th ends the run (closing the log then
// writes nothing).
TEST(LogFaults, EachFaultPointLeavesASoundLogAndSaysSo) {
    struct Case {
        const char* point;
        quorvex::sql::PlantedFault fault;
        const char* cause;
        const char* state;
    };
    const std::vector<Case> cases = {
        {"creating the log", {FaultAt::Open, "", 1, SQLITE_CANTOPEN}, "unable to open database file", "no log"},
        {"the first record", {FaultAt::Statement, "INSERT INTO Records", 1, SQLITE_IOERR}, "disk I/O error",
         "no log"},
        {"mid-run", {FaultAt::Statement, "INSERT INTO Records", 4, SQLITE_FULL}, "database or disk is full",
         "incomplete after 3"},
        {"the periodic commit", {FaultAt::Write, "COMMIT", 5, SQLITE_FULL}, "database or disk is full",
         "incomplete after 2"},
        {"syncing a commit", {FaultAt::Sync, "COMMIT", 5, SQLITE_IOERR}, "disk I/O error", "incomplete after 2"},
        {"the block totals", {FaultAt::Statement, "UPDATE TRT", 2, SQLITE_IOERR}, "disk I/O error",
         "incomplete after 3"},
        {"closing: the run's last commit", {FaultAt::Write, "COMMIT", 9, SQLITE_FULL}, "database or disk is full",
         "incomplete after 6"},
        {"a disk that stays full", {FaultAt::Write, "COMMIT", 5, SQLITE_FULL, true}, "database or disk is full",
         "no log"},
    };
    std::string submission;
    for (const auto& r : quorvex::test::ValidRecords({"RA", "RE", "RW", "RW", "RW", "RT", "RF"}, 0, 0))
        submission += r + "\r\n";
    for (const char* threads : {"1", "2"}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.point) + ", --threads " + threads);
            TempDir dir;
            quorvex::test::WriteFile(dir / "sub.txt", submission);
            std::vector<std::string> args = {"quorvex-check", "--quiet",    "--today",
                                             "2010-01-01",    "--threads",  threads,
                                             "--data-dir",    dir.path().string(), (dir / "sub.txt").string()};
            std::vector<char*> argv;
            for (auto& a : args) argv.push_back(a.data());
            quorvex::sql::PlantFault(c.fault);
            testing::internal::CaptureStderr();
            const int status = quorvex::CheckMain(static_cast<int>(argv.size()), argv.data(), [](quorvex::RunOptions& o) {
                o.yieldInterval = std::chrono::microseconds(0);
                o.commitInterval = std::chrono::microseconds(0);
            });
            const std::string err = testing::internal::GetCapturedStderr();
            EXPECT_TRUE(quorvex::sql::PlantFault({})) << "the fault never struck";
            EXPECT_EQ(status, 3);
            const std::string state = quorvex::test::FailedLogState(dir.path());
            EXPECT_EQ(state, c.state);
            const std::string log = (dir / "Errorlog.mdb").string();
            const std::string told =
                c.point == std::string("creating the log")
                    ? "The error log cannot be created in " + dir.path().string() + ": " + c.cause + ".\n"
                    : "The error log " + log + " could not be written: " + c.cause + ". Testing stopped; " +
                          (state == "no log" ? std::string("no error log was kept.\n")
                                             : "the log keeps records 1 to " + state.substr(17) +
                                                   ", and its last error says that it is incomplete.\n");
            EXPECT_EQ(err, "Submission File Error: Error Number: " + std::to_string(c.fault.code & 0xff) +
                               "\nError Description: " + told);
        }
    }
}

// A real full disk: a file system of 1 MB as the program folder, a submission whose log needs
// more. The run ends with one message naming the log and the cause, and no log stays behind
// that could pass for a complete one. (Mounting needs the administrator.)
TEST(LogFaults, AFullDiskEndsTheRunWithOneMessageAndNoPartialLog) {
    TempDir dir;
    const auto data = dir / "small";
    std::filesystem::create_directory(data);
    if (::mount("tmpfs", data.c_str(), "tmpfs", 0, "size=1m") != 0) GTEST_SKIP() << "cannot mount a tmpfs here";
    struct Unmount {
        std::string at;
        ~Unmount() { ::umount2(at.c_str(), MNT_DETACH); }
    } unmount{data.string()};
    quorvex::test::WriteSubmission(quorvex::test::ShapeForRecordCount(5000, 2, false), (dir / "sub.txt").string());
    for (const char* threads : {"1", "2"}) {
        SCOPED_TRACE(std::string("--threads ") + threads);
        const std::string cmd = std::string(QUORVEX_CHECK_EXE) + " --quiet --threads " + threads + " --data-dir " +
                                data.string() + " " + (dir / "sub.txt").string() + " 2>" + (dir / "err").string();
        const int status = std::system(cmd.c_str());
        EXPECT_EQ(WEXITSTATUS(status), 3);
        const std::string state = quorvex::test::FailedLogState(data);
        EXPECT_TRUE(state == "no log" || state.starts_with("incomplete after ")) << state;
        EXPECT_EQ(quorvex::test::ReadFile(dir / "err"),
                  "Submission File Error: Error Number: 13\nError Description: The error log " +
                      (data / "Errorlog.mdb").string() + " could not be written: database or disk is full. " +
                      (state == "no log" ? "Testing stopped; no error log was kept.\n"
                                         : "Testing stopped; the log keeps records 1 to " + state.substr(17) +
                                               ", and its last error says that it is incomplete.\n"));
    }
}

}  // namespace
