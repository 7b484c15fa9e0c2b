#include <sqlite3.h>
#include <sys/mount.h>

#include "cli/cli_support.h"

namespace quorvex::test {
namespace {

using sql::FaultAt;

std::vector<std::string> Args(const TempDir& dir, const char* threads, const std::filesystem::path& data) {
    return {"--quiet", "--today", "2010-01-01", "--threads", threads, "--data-dir", data.string(),
            (dir / "sub.txt").string()};
}

// What a run whose log failed says: the log's cause, and what is left of it.
std::string Told(const std::filesystem::path& folder, int code, const std::string& cause, const std::string& state) {
    return "Submission File Error: Error Number: " + std::to_string(code & 0xff) + "\nError Description: The error log " +
           (folder / "Errorlog.mdb").string() + " could not be written: " + cause + ". Testing stopped; " +
           (state == "no log" ? std::string("no error log was kept.\n")
                              : "the log keeps records 1 to " + state.substr(17) +
                                    ", and its last error says that it is incomplete.\n");
}

// The log failing at each point of a run, in both thread modes: one message, status 3, and
// a log that is gone or complete up to a record and marked incomplete there. Records 1 to 7
// are RA, RE, three RW, RT and RF; the k-th commit (k > 1) comes before record k - 1 and
// writes record k - 2, the 9th ends the run.
TEST(LogFaults, EachFaultPointLeavesASoundLogAndSaysSo) {
    const std::tuple<sql::PlantedFault, const char*, const char*> cases[] = {
        {{FaultAt::Open, "", 1, SQLITE_CANTOPEN}, "unable to open database file", "no log"},
        {{FaultAt::Statement, "INSERT INTO Records", 1, SQLITE_IOERR}, "disk I/O error", "no log"},
        {{FaultAt::Statement, "INSERT INTO Records", 4, SQLITE_FULL}, "database or disk is full", "incomplete after 3"},
        {{FaultAt::Write, "COMMIT", 5, SQLITE_FULL}, "database or disk is full", "incomplete after 2"},
        {{FaultAt::Sync, "COMMIT", 5, SQLITE_IOERR}, "disk I/O error", "incomplete after 2"},
        {{FaultAt::Statement, "UPDATE TRT", 2, SQLITE_IOERR}, "disk I/O error", "incomplete after 3"},
        {{FaultAt::Write, "COMMIT", 9, SQLITE_FULL}, "database or disk is full", "incomplete after 6"},
        {{FaultAt::Write, "COMMIT", 5, SQLITE_FULL, true}, "database or disk is full", "no log"},  // stays full
    };
    for (const char* threads : {"1", "2"}) {
        for (const auto& [fault, cause, state] : cases) {
            SCOPED_TRACE(std::string(fault.during) + " " + std::to_string(fault.nth) + ", --threads " + threads);
            TempDir dir;
            WriteFile(dir / "sub.txt", Lines(ValidRecords({"RA", "RE", "RW", "RW", "RW", "RT", "RF"})));
            sql::PlantFault(fault);
            const CliResult r = Main(Args(dir, threads, dir.path()), [](RunOptions& o) {
                o.yieldInterval = o.commitInterval = std::chrono::microseconds(0);
            });
            EXPECT_TRUE(sql::PlantFault({})) << "the fault never struck";
            EXPECT_EQ(r.status, 3);
            EXPECT_EQ(FailedLogState(dir.path()), state);
            EXPECT_EQ(r.err, fault.at == FaultAt::Open
                                 ? "Submission File Error: Error Number: 14\nError Description: The error log cannot be "
                                   "created in " + dir.path().string() + ": " + cause + ".\n"
                                 : Told(dir.path(), fault.code, cause, state));
        }
    }
}

// Every operation on the log failing in turn: always status 3 and a sound log.
TEST(LogFaults, AFailingLogAtAnyOperation) {
    TempDir dir;
    WriteFile(dir / "sub.txt", Lines(ValidRecords({"RA", "RE", "RW", "RT", "RF"})));
    for (const char* threads : {"1", "2"}) {
        int reported = 0;
        for (long n = 1; n < 1000; ++n) {
            sql::FailNthOperation(n);
            const CliResult r = Main(Args(dir, threads, dir.path()));
            if (sql::FailNthOperation(0) > 0) break;  // the run ended before operation n
            if (r.err.find("disk I/O error") == std::string::npos) continue;  // the old log's probe: replaced anyway
            ++reported;
            EXPECT_EQ(r.status, 3) << "operation " << n << ": " << r.err;
            const std::string state = FailedLogState(dir.path());
            EXPECT_TRUE(state == "no log" || state.starts_with("incomplete after ")) << n << ": " << state;
        }
        EXPECT_GT(reported, 10) << threads;
    }
}

// A real full disk (a tmpfs of 1 MB as the program folder; mounting needs the administrator).
TEST(LogFaults, AFullDiskEndsTheRunWithOneMessage) {
    TempDir dir;
    const auto data = dir / "small";
    std::filesystem::create_directory(data);
    if (::mount("tmpfs", data.c_str(), "tmpfs", 0, "size=1m") != 0) GTEST_SKIP() << "cannot mount a tmpfs here";
    struct Unmount {
        std::string at;
        ~Unmount() { ::umount2(at.c_str(), MNT_DETACH); }
    } unmount{data.string()};
    WriteSubmission(ShapeForRecordCount(5000, 2, false), (dir / "sub.txt").string());
    for (const char* threads : {"1", "2"}) {
        const CliResult r = Main(Args(dir, threads, data));
        EXPECT_EQ(r.status, 3);
        const std::string state = FailedLogState(data);
        EXPECT_TRUE(state == "no log" || state.starts_with("incomplete after ")) << state;
        EXPECT_EQ(r.err, Told(data, SQLITE_FULL, "database or disk is full", state));
    }
}

}  // namespace
}  // namespace quorvex::test
