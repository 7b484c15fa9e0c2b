#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/check_main.h"
#include "errorlog/sqlite.h"
#include "support/test_support.h"
#include "support/records.h"

using quorvex::test::Record;
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

Result RunCheck(const std::vector<std::string>& args, const TempDir& dir) {
    std::string cmd = Quote(QUORVEX_CHECK_EXE);
    for (const auto& a : args) cmd += " " + Quote(a);
    auto errFile = dir / "stderr.txt";
    cmd += " 2>" + Quote(errFile.string());
    Result r;
    FILE* p = popen(cmd.c_str(), "r");
    std::array<char, 4096> buf;
    while (std::size_t n = fread(buf.data(), 1, buf.size(), p)) r.out.append(buf.data(), n);
    int status = pclose(p);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.err = quorvex::test::ReadFile(errFile);
    return r;
}

// Records that pass their own field checks (an RF record counts the RW records before
// it, `priorRW` from earlier files).
std::string Submission(std::initializer_list<const char*> ids, long long priorRW = 0) {
    std::string out;
    for (const auto& r : quorvex::test::ValidRecords(ids, priorRW, priorRW)) out += r + "\r\n";
    return out;
}

}  // namespace

TEST(QuorvexCheck, ExitStatusTellsTheOutcome) {
    struct Case {
        const char* name;
        std::vector<std::string> files;  // contents; empty vector = no file argument
        std::vector<std::string> extra;
        int status;
        const char* errContains;
    };
    const std::vector<Case> cases = {
        {"no errors", {Submission({"RA", "RE", "RW", "RT", "RF"})}, {"--today", "2010-01-01"}, 0,
         "Results: Testing Completed.\nThere were no errors found.\n"},
        {"filing prompt answered No", {Submission({"RA", "RE", "RW", "RT", "RF"})}, {"--today", "2009-01-15"}, 0,
         "Would you like to connect to Plexora Web site to submit the wage report?"},
        {"ordinary errors", {Submission({"RA", "RE", "RW"})}, {}, 1,
         "Missing Final Record: RF record was not found."},
        {"critical", {Submission({"RA", "RW"})}, {}, 2, ""},
        {"empty file", {""}, {}, 3, "Results: Warning: The file contains no valid data."},
        {"two files", {Submission({"RA", "RE", "RW"}), Submission({"RT", "RF"}, 1)}, {"--today", "2010-01-01"}, 0, ""},
        {"bad limit", {Submission({"RA"})}, {"--limit", "25001"}, 3, "--limit"},
        {"bad date", {Submission({"RA"})}, {"--today", "2010-13-01"}, 3, "--today"},
        {"no such day", {Submission({"RA"})}, {"--today", "2009-02-30"}, 3, "--today 2009-02-30: not a date"},
        {"leap day", {Submission({"RA", "RE", "RW", "RT", "RF"})}, {"--today", "2008-02-29"}, 0, ""},
        {"an option for the folder", {Submission({"RA"})}, {"--data-dir", "--quiet"}, 3,
         "--data-dir needs a folder, not the option --quiet"},
        {"unknown option", {Submission({"RA"})}, {"--frobnicate"}, 3, "unknown option"},
        {"no file", {}, {}, 3, "no submission file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        std::vector<std::string> args = {"--data-dir", dir.path().string()};
        args.insert(args.end(), c.extra.begin(), c.extra.end());
        for (std::size_t i = 0; i < c.files.size(); ++i) {
            auto p = dir / ("f" + std::to_string(i) + ".txt");
            quorvex::test::WriteFile(p, c.files[i]);
            args.push_back(p.string());
        }
        Result r = RunCheck(args, dir);
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_NE(r.err.find(c.errContains), std::string::npos) << r.err;
    }
}

TEST(QuorvexCheck, MissingFileAndFolder) {
    TempDir dir;
    Result r = RunCheck({"--data-dir", dir.path().string(), (dir / "nope.txt").string()}, dir);
    EXPECT_EQ(r.status, 3);
    EXPECT_NE(r.err.find("Submission File Not Found: " + (dir / "nope.txt").string() + " was not found."),
              std::string::npos)
        << r.err;
    r = RunCheck({"--data-dir", dir.path().string(), dir.path().string()}, dir);
    EXPECT_EQ(r.status, 3);
    EXPECT_NE(r.err.find("Submission File Error: Error Number: 21"), std::string::npos) << r.err;
    // A data folder that is a file, or lies below one.
    quorvex::test::WriteFile(dir / "file", Submission({"RA"}));
    r = RunCheck({"--data-dir", (dir / "file").string(), (dir / "file").string()}, dir);
    EXPECT_EQ(r.status, 3);
    EXPECT_NE(r.err.find("The program folder " + (dir / "file").string() + " is not a folder."), std::string::npos)
        << r.err;
    r = RunCheck({"--data-dir", (dir / "file" / "sub").string(), (dir / "file").string()}, dir);
    EXPECT_NE(r.err.find((dir / "file" / "sub").string() + " cannot be created: Not a directory"), std::string::npos)
        << r.err;
}

TEST(QuorvexCheck, SummaryAndLimitForThisRunOnly) {
    TempDir dir;
    quorvex::test::WriteFile(dir / "ErrSetLog.ini", "[Maximum Error Count]:1200\r\n");
    auto p = dir / "s.txt";
    quorvex::test::WriteFile(p, Submission({"RA", "RE", "RW"}));
    Result r = RunCheck({"--data-dir", dir.path().string(), "--limit", "7", p.string()}, dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("Records tested:            3\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Records with errors:       1\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Errors found:              1\n"), std::string::npos) << r.out;
    EXPECT_EQ(quorvex::test::ReadFile(dir / "ErrSetLog.ini"), "[Maximum Error Count]:1200\r\n");

    quorvex::test::WriteFile(p, Submission({"RA", "RE", "RT"}));
    r = RunCheck({"--data-dir", dir.path().string(), p.string()}, dir);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.out.find("Execution of Testing was terminated due to the Critical Error in Record Number 3"),
              std::string::npos)
        << r.out;
    r = RunCheck({"--quiet", "--data-dir", dir.path().string(), p.string()}, dir);
    EXPECT_EQ(r.out, "");
}

TEST(QuorvexCheck, DataDirFromTheEnvironment) {
    TempDir dir;
    auto p = dir / "s.txt";
    quorvex::test::WriteFile(p, Submission({"RA", "RE", "RW", "RT", "RF"}));
    setenv("QUORVEX_DATA_DIR", (dir / "data").c_str(), 1);
    Result r = RunCheck({"--quiet", "--today", "2010-01-01", p.string()}, dir);
    unsetenv("QUORVEX_DATA_DIR");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(std::filesystem::exists(dir / "data" / "Errorlog.mdb"));
    EXPECT_TRUE(std::filesystem::exists(dir / "data" / "ErrSetLog.ini"));
}

// An installed program (bin/ beside share/quorvex/) writes nothing beside itself.
TEST(QuorvexCheck, AnInstalledProgramKeepsItsLogInTheUserDataFolder) {
    namespace fs = std::filesystem;
    TempDir dir;
    fs::create_directories(dir / "usr" / "bin");
    fs::create_directories(dir / "usr" / "share" / "quorvex");
    fs::copy_file(QUORVEX_CHECK_EXE, dir / "usr" / "bin" / "quorvex-check");
    quorvex::test::WriteFile(dir / "s.txt", Submission({"RA", "RE", "RW", "RT", "RF"}));
    const std::string cmd = "env -u QUORVEX_DATA_DIR -u XDG_DATA_HOME HOME=" + Quote((dir / "home").string()) + " " +
                            Quote((dir / "usr" / "bin" / "quorvex-check").string()) + " --quiet --today 2010-01-01 " +
                            Quote((dir / "s.txt").string());
    EXPECT_EQ(std::system(cmd.c_str()), 0);
    EXPECT_TRUE(fs::exists(dir / "home" / ".local" / "share" / "quorvex" / "Errorlog.mdb"));
    EXPECT_FALSE(fs::exists(dir / "usr" / "bin" / "Errorlog.mdb"));
}

TEST(QuorvexCheck, HelpDocumentsTheContract) {
    TempDir dir;
    Result r = RunCheck({"--help"}, dir);
    EXPECT_EQ(r.status, 0);
    for (const char* word : {"--data-dir", "--limit", "--today", "--threads", "--quiet", "NEXT-FILE", "QUORVEX_DATA_DIR",
                             "QUORVEX_THREADS", "Exit status", "--show-record"})
        EXPECT_NE(r.out.find(word), std::string::npos) << word;
}

// A log that fails at any point is reported on standard error and never ends the program
// with a clean status.
TEST(QuorvexCheck, AFailingLogAtAnyPointIsReportedWithAFailureStatus) {
    TempDir dir;
    quorvex::test::WriteFile(dir / "sub.txt", Submission({"RA", "RE", "RW", "RT", "RF"}));
    for (const char* threads : {"1", "2"}) {
        SCOPED_TRACE(std::string("--threads ") + threads);
        std::vector<std::string> args = {"quorvex-check", "--quiet", "--today", "2010-01-01", "--threads", threads,
                                         "--data-dir", dir.path().string(), (dir / "sub.txt").string()};
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        int reported = 0;
        for (long n = 1; n < 1000; ++n) {
            quorvex::sql::FailNthOperation(n);
            testing::internal::CaptureStderr();
            const int status = quorvex::CheckMain(static_cast<int>(argv.size()), argv.data());
            const std::string err = testing::internal::GetCapturedStderr();
            if (quorvex::sql::FailNthOperation(0) > 0) break;  // the run ended before operation n
            if (err.find("disk I/O error") == std::string::npos) continue;  // the old log's probe: replaced anyway
            ++reported;
            EXPECT_EQ(status, 3) << "operation " << n << ": " << err;
        }
        EXPECT_GT(reported, 10);
    }
}

// --show-record prints a stored record as the record viewer shows it, reads the log
// without changing it, and says so when there is nothing to show.
TEST(QuorvexCheck, ShowRecordPrintsTheViewerRowsAndWritesNothing) {
    TempDir dir;
    std::string badSsn = quorvex::test::ValidRecord("RW");
    quorvex::test::Put(badSsn, 3, "12345678X");
    quorvex::test::WriteFile(dir / "s.txt", quorvex::test::ValidRecord("RA") + "\r\n" +
                                                quorvex::test::ValidRecord("RE") + "\r\n" + badSsn + "\r\n");
    const std::string folder = dir.path().string();
    ASSERT_EQ(RunCheck({"--quiet", "--data-dir", folder, (dir / "s.txt").string()}, dir).status, 1);
    const std::string log = quorvex::test::ReadFile(dir / "Errorlog.mdb");

    Result r = RunCheck({"--data-dir", folder, "--show-record", "3"}, dir);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, r.out.find('\n', r.out.find('\n') + 1) + 1),
              "0\t1-2\tRecord Identifier\t[RW]\t\n1\t3-11\tSSN\t[12345678X]\t*\n");
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 47);
    EXPECT_EQ(quorvex::test::ReadFile(dir / "Errorlog.mdb"), log);

    struct Case {
        std::vector<std::string> args;
        const char* err;
    };
    TempDir empty;
    for (const Case& c : {Case{{"--data-dir", folder, "--show-record", "4"}, "holds no record 4"},
                          Case{{"--data-dir", empty.path().string(), "--show-record", "1"}, "there is no error log"},
                          Case{{"--data-dir", folder, "--show-record", "0"}, "--show-record needs a record number"},
                          Case{{"--data-dir", folder, "--show-record", "1", "s.txt"}, "tests no file"}}) {
        r = RunCheck(c.args, dir);
        EXPECT_EQ(r.status, 3);
        EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
    }
    EXPECT_TRUE(std::filesystem::is_empty(empty.path()));
}
