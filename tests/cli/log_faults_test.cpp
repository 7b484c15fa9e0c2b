#include <sqlite3.h>
#include <sys/mount.h>

#include <memory>

#include "cli/cli_support.h"

namespace quorvex::test {
namespace {

using sql::FaultAt;

std::vector<std::string> Args(const TempDir& dir, const char* threads, const std::filesystem::path& data) {
    return {"--quiet", "--today", "2010-01-01", "--threads", threads, "--data-dir", data.string(),
            (dir / "sub.txt").string()};
}

// What a run whose log failed says: the log's cause, and what is left of it (which must be
// a sound state).
std::string Told(const std::filesystem::path& folder, int code, const std::string& state, bool created = true) {
    EXPECT_TRUE(state == "no log" || state.starts_with("incomplete after ")) << state;
    const std::string head = "Submission File Error: Error Number: " + std::to_string(code & 0xff) + "\nError Description: ";
    if (!created) return head + "The error log cannot be created in " + folder.string() + ": " + sqlite3_errstr(code) + ".\n";
    return head + "The error log " + (folder / "Errorlog.mdb").string() + " could not be written: " + sqlite3_errstr(code) +
           ". Testing stopped; " +
           (state == "no log" ? std::string("no error log was kept.\n")
                              : "the log keeps records 1 to " + state.substr(17) +
                                    ", and its last error says that it is incomplete.\n");
}

// The log failing at each point of a run, in both thread modes: one message, status 3, and
// a log that is gone or complete up to a record and marked incomplete there. Records 1 to 7
// are RA, RE, three RW, RT and RF; the k-th commit (k > 1) comes before record k - 1 and
// writes record k - 2, the 9th ends the run.
TEST(LogFaults, EachFaultPointLeavesASoundLogAndSaysSo) {
    const std::pair<sql::PlantedFault, const char*> cases[] = {
        {{FaultAt::Open, "", 1, SQLITE_CANTOPEN}, "no log"},  // creating the log
        {{FaultAt::Statement, "INSERT INTO Records", 1, SQLITE_IOERR}, "no log"},  // the first record
        {{FaultAt::Statement, "INSERT INTO Records", 4, SQLITE_FULL}, "incomplete after 3"},  // mid-run
        {{FaultAt::Write, "COMMIT", 5, SQLITE_FULL}, "incomplete after 2"},  // the periodic commit
        {{FaultAt::Sync, "COMMIT", 5, SQLITE_IOERR}, "incomplete after 2"},
        {{FaultAt::Statement, "UPDATE TRT", 2, SQLITE_IOERR}, "incomplete after 3"},  // the block totals
        {{FaultAt::Write, "COMMIT", 9, SQLITE_FULL}, "incomplete after 6"},  // closing
        {{FaultAt::Write, "COMMIT", 5, SQLITE_FULL, true}, "no log"},  // a disk that stays full
    };
    for (const char* threads : {"1", "2"}) {
        for (const auto& [fault, state] : cases) {
            SCOPED_TRACE(std::string(fault.during) + " " + std::to_string(fault.nth) + ", --threads " + threads);
            TempDir dir;
            WriteFile(dir / "sub.txt", Lines(ValidRecords({"RA", "RE", "RW", "RW", "RW", "RT", "RF"})));
            sql::PlantFault(fault);
            const CliResult r = Main(Args(dir, threads, dir.path()), [](RunOptions& o) {
                o.yieldInterval = o.commitInterval = std::chrono::microseconds(0);
            });
            EXPECT_TRUE(sql::PlantFault({})) << "the fault never struck";
            EXPECT_EQ(std::tuple(r.status, FailedLogState(dir.path())), std::tuple(3, state));
            EXPECT_EQ(r.err, Told(dir.path(), fault.code, state, fault.at != FaultAt::Open));
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
            const std::string state = FailedLogState(dir.path());
            EXPECT_EQ(r.status, 3) << "operation " << n;
            EXPECT_TRUE(r.err == Told(dir.path(), SQLITE_IOERR, state) || r.err == Told(dir.path(), SQLITE_IOERR, state, false))
                << "operation " << n << ": " << r.err;
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
    const std::unique_ptr<const char, void (*)(const char*)> unmount(data.c_str(), [](const char* at) { ::umount2(at, MNT_DETACH); });
    WriteSubmission(ShapeForRecordCount(5000, 2, false), (dir / "sub.txt").string());
    for (const char* threads : {"1", "2"}) {
        const CliResult r = Main(Args(dir, threads, data));
        EXPECT_EQ(std::tuple(r.status, r.err), std::tuple(3, Told(data, SQLITE_FULL, FailedLogState(data))));
    }
}

}  // namespace
}  // namespace quorvex::test
