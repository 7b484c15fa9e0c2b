#include <gtest/gtest.h>
#include <sqlite3.h>

#include <optional>
#include <random>
#include <tuple>

#include "support/db_faults.h"
#include "reader/run.h"
#include "support/records.h"
#include "support/scripted_services.h"
#include "support/test_support.h"

// What the whole files do not show: first records, unusable files, Exit, a failing log, random input.
using namespace quorvex;
using quorvex::test::ScriptedServices;

namespace {

std::string Ids(std::initializer_list<const char*> ids) { return test::Lines(test::ValidRecords(ids)); }
const std::string kValid = Ids({"RA", "RE", "RW", "RT", "RF"});
const std::string kNoFirstName = test::With(test::MakeRW(), 12, std::string(15, ' '));  // an error row per record

// Every database operation slowed (the checks run far ahead of the writer thread) while it lives.
struct SlowDisk {
    SlowDisk() { sql::DelayEachOperation(std::chrono::microseconds(100)); }
    ~SlowDisk() {
        sql::DelayEachOperation(std::chrono::microseconds(0));
        sql::FailNthOperation(0);
    }
};

class RunTest : public ::testing::Test {
protected:
    // `content` written to the file `name` of the test's folder; its path.
    std::string File(const std::string& name, const std::string& content) {
        test::WriteFile(dir / name, content);
        return (dir / name).string();
    }
    // Runs the test on `contents` (one file per file dialog; `answers` answer the messages),
    // or on the answers `services` has.
    RunSummary Test(const std::vector<std::string>& contents = {}, int limit = 500,
                    std::deque<MsgAnswer> answers = {}) {
        if (!contents.empty()) services = ScriptedServices{}, services.strict = strict, services.answers = answers;
        for (std::size_t i = 0; i < contents.size(); ++i)
            services.files.push_back(File("file" + std::to_string(i) + ".txt", contents[i]));
        RunOptions options{dir.path(), limit, {}, yieldInterval, commitInterval, 65000, writerThread, {}};
        options.historyRuns = historyRuns;
        quorvex::Run run(services, options);
        const RunSummary s = run.ReadFile();
        testingAfter = run.Testing();
        closeFailure.clear();
        try {
            run.CloseDatabase();
        } catch (const LogFailure& f) {
            closeFailure = f.description;
        }
        return s;
    }
    std::string Query(const std::string& sql) { return test::LogScalar(dir / "Errorlog.mdb", sql); }
    // "<Rec_Num> <C or -> <reference> | <user entry>" of every error, in logged order.
    std::string Errors() {
        return Query("SELECT group_concat(Rec_Num || ' ' || COALESCE(Type, '-') || ' ' || Reference || ' | ' || "
                     "User_Entry, '; ') FROM (SELECT * FROM Errors ORDER BY Err_Num)");
    }

    test::TempDir dir;
    ScriptedServices services;
    std::string closeFailure;
    bool testingAfter = false;
    bool strict = true;  // false: the run may ask anything, answered by default
    bool writerThread = true;
    int historyRuns = kHistoryRuns;
    std::chrono::microseconds commitInterval{std::chrono::seconds(2)};
    std::chrono::microseconds yieldInterval{0};
};

// The message of a log in `dir` that failed with the engine's `code`, keeping `kept` records.
std::string FailedLogMessage(const test::TempDir& dir, std::int64_t kept, int code = SQLITE_IOERR) {
    return "Error Number: " + std::to_string(code & 0xff) + "\r\nError Description: The error log " +
           (dir / "Errorlog.mdb").string() + " could not be written: " + sqlite3_errstr(code) + ". Testing stopped; " +
           (kept ? "the log keeps records 1 to " + std::to_string(kept) +
                       ", and its last error says that it is incomplete."
                 : std::string("no error log was kept."));
}

}  // namespace

// A stop ends the run on its record: one critical error, nothing later stored, no message.
TEST_F(RunTest, CriticalStopsOnTheRecordThatCausesThem) {
    const std::string seq = "Sequence of Records [Position 1 - 2] | ";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {Ids({"rca"}), "1 C Record Identifier [Position 1 - 2] | [rc]"},
        {Ids({"ra", "RE"}), "1 C " + seq + "[ra]"},
        {Ids({"RA", "RW"}), "2 C " + seq + "[RW]"},
        {kValid + Ids({"RW"}), "6 C " + seq + "[RW]"},
        {Ids({"RA", "RE"}) + test::Lines({test::MakeRT(7, {})}), "3 C " + seq + "[RT]"},  // its own checks not run
        {Ids({"RA", "RE"}) + test::MakeRW() + std::string(88, 'X') + "\r\n", "4 C Record Length | 88 bytes."},
        {Ids({"RA", "RE", "XX"}), "3 C Invalid Record Identifier [Position 1 - 2] | [XX]"},
        {kValid + "\x1a" + "ABC", "6 C " + seq + "[\x1a" + "A]"},
    };
    for (const auto& [file, error] : cases) {
        RunSummary s = Test({file});
        EXPECT_EQ(s.outcome, RunOutcome::Stopped) << error;
        EXPECT_EQ(Errors(), error);
        EXPECT_EQ(std::to_string(s.criticalRecord), error.substr(0, 1));
        EXPECT_EQ(Query("SELECT MAX(Rec_Num) FROM Records"), error.substr(0, 1));
        EXPECT_EQ(services.Titles(), "");
        EXPECT_TRUE(testingAfter);  // until the results have been shown
    }
    // Ctrl-Z and NUL alone after RF only end the file.
    EXPECT_NE(Test({kValid + std::string("\x1a\0\x1a", 3)}).outcome, RunOutcome::Stopped);
}

TEST_F(RunTest, RecordsAreUpperCasedAndKeptWholeButTheRaEmailKeepsItsCase) {
    std::string ra = test::BaselineRA();
    test::Put(ra, 440, "abcdefMail@Example.com");
    test::Put(ra, 486, "z");
    std::string rw = test::MakeRW();
    test::Put(rw, 1, "rw");
    test::Put(rw, 100, std::string("\0\x1a\xe9\x9a", 4));  // NUL and Ctrl-Z are characters here
    services.files = {File("lat\xe9.txt", test::Lines({ra, test::MakeRE(), rw, test::MakeRT(1, {}), test::MakeRF(1)}))};
    Test();  // a file name that is not UTF-8
    EXPECT_EQ(Query("SELECT Path || ' ' || RptDate FROM Misc"), (dir / "lat\ufffd.txt").string() + " 01/15/2010");
    EXPECT_EQ(Query("SELECT substr(Record, 440, 22) || substr(Record, 486, 1) FROM Records WHERE Rec_Num = 1"),
              "ABCDEFMail@Example.comZ");
    EXPECT_EQ(Query("SELECT ID || length(CAST(Record AS BLOB)) || hex(substr(CAST(Record AS BLOB), 1, 2)) || "
                    "hex(substr(CAST(Record AS BLOB), 100, 6)) FROM Records WHERE Rec_Num = 3"),
              "rw5145257001AC389C5A0");
}

// Files that give no test: the earlier log stays as it was unless a new one was begun.
TEST_F(RunTest, UnusableFilesAndDialogs) {
    Test({kValid});
    std::filesystem::create_directory(dir / "folder");
    const std::tuple<std::string, RunOutcome, std::string, bool> cases[] = {  // answer ("": cancel)
        {"", RunOutcome::Cancelled, "", true},
        {(dir / "folder").string(), RunOutcome::Failed, "Submission File Error", true},
        {File("empty.txt", ""), RunOutcome::NoData, "Results", false},
        {(dir / "gone\u00e9\xc0.txt").string(),  // asked again, then cancelled
         RunOutcome::Cancelled, "Submission File Not Found|Submission File Name Error", true},
    };
    for (const auto& [answer, outcome, titles, logKept] : cases) {
        const std::string before = test::ReadFile(dir / "Errorlog.mdb");
        services = ScriptedServices{};
        services.files = {answer.empty() ? std::nullopt : std::optional(answer), std::nullopt};
        services.answers = {MsgAnswer::Ok, MsgAnswer::Ok};
        EXPECT_EQ(Test().outcome, outcome) << titles;
        EXPECT_EQ(services.Titles(), titles);
        EXPECT_FALSE(testingAfter);
        EXPECT_EQ(test::ReadFile(dir / "Errorlog.mdb") == before, logKept) << titles;
    }
    EXPECT_EQ(services.messages.at(0).text, (dir / "gone").string() + "\xe9?.txt was not found.");
    // A read-only log is not replaced; the message says why.
    std::filesystem::permissions(dir / "Errorlog.mdb", std::filesystem::perms::owner_read);
    const std::string readOnly = test::ReadFile(dir / "Errorlog.mdb");
    EXPECT_EQ(Test({kValid}, 500, {MsgAnswer::Ok}).outcome, RunOutcome::Failed);
    EXPECT_NE(services.messages.at(0).text.find("read-only"), std::string::npos);
    EXPECT_EQ(test::ReadFile(dir / "Errorlog.mdb"), readOnly);
}

// The desktop program keeps one run: after a run with errors, a mistyped name is asked for again.
TEST_F(RunTest, AMissingFileAfterARunWithErrorsIsAskedForAgain) {
    RunOptions options;
    options.programFolder = dir.path();
    quorvex::Run run(services, options);
    services.files = {File("f.txt", Ids({"RA", "RE", "RW"})), std::nullopt, (dir / "gone.txt").string(), std::nullopt};
    services.answers = {MsgAnswer::Ok, MsgAnswer::Ok, MsgAnswer::Ok};
    EXPECT_EQ(run.ReadFile().outcome, RunOutcome::Errors);
    EXPECT_EQ(run.ReadFile().outcome, RunOutcome::Cancelled);
    EXPECT_EQ(services.fileTitles.size(), 4u);
}

// Readers are refused from the start of a run until its log and its history are written, whether it
// finished or was ended by Exit; then they are let in.
TEST_F(RunTest, TheRunLockLastsUntilTheHistoryIsWritten) {
    std::filesystem::create_directory(dir / "RunHistory.db");  // every run has a history problem to tell
    std::vector<FolderLock::State> seen;
    const auto look = [&] { seen.push_back(FolderLock(dir.path(), FolderLock::Kind::Reader).GetState()); };
    RunOptions options;
    options.programFolder = dir.path();
    options.yieldInterval = {};
    options.historyProblem = [&](const std::string&) { look(); };
    for (const int exitAt : {0, 20}) {
        services.files = {File("f.txt", test::Submission(40))};
        services.onYield = [&](int n) { return look(), n != exitAt; };
        quorvex::Run run(services, options);
        seen.clear();
        run.ReadFile();
        EXPECT_GT(seen.size(), 20u);
        EXPECT_EQ(std::count(seen.begin(), seen.end(), FolderLock::State::InUse), std::ssize(seen)) << exitAt;
        run.CloseDatabase();
        EXPECT_EQ(FolderLock(dir.path(), FolderLock::Kind::Reader).GetState(), FolderLock::State::Held);
    }
}

// Also after errors were logged: the run did not end, whatever it found before.
TEST_F(RunTest, FileTruncatedWhileBeingReadIsUnreadable) {
    for (const std::string& rw : {test::MakeRW(), kNoFirstName}) {
        const std::string p = File("shrinking.txt", test::Submission(300, true, rw));
        services = ScriptedServices{};
        services.files = {p};
        services.answers = {MsgAnswer::Ok};
        services.onYield = [&](int n) {
            if (n == 3) std::filesystem::resize_file(p, 70000);
            return true;
        };
        EXPECT_EQ(Test().outcome, RunOutcome::Failed);
        ASSERT_EQ(services.Titles(), "Submission File Error");
        EXPECT_EQ(services.messages[0].text, "Unreadable data in File:\r\n" + p);
        EXPECT_EQ(Query("SELECT COUNT(*) FROM Errors") != "0", rw == kNoFirstName);
    }
}

// Exit: the records so far are written and the abort lands on the last; also with the queue full.
TEST_F(RunTest, ExitAbortsAfterTheLastStoredRecord) {
    for (auto [thread, records, exitAt] : {std::tuple{false, 200, 121}, std::tuple{true, 3000, 2501}}) {
        std::optional<SlowDisk> slow;
        if (thread) slow.emplace();
        writerThread = thread;
        services = ScriptedServices{};
        services.files = {File("big.txt", test::Submission(records))};
        services.onYield = [exitAt](int n) { return n != exitAt; };  // yield n + 1 before record n
        EXPECT_EQ(Test().outcome, RunOutcome::Aborted);
        EXPECT_FALSE(testingAfter);
        const std::string last = std::to_string(exitAt - 2);
        EXPECT_EQ(Query("SELECT COUNT(*) || ' ' || MAX(Rec_Num) FROM Records"), last + " " + last);
        EXPECT_EQ(Errors(), last + " - Test Aborted | Exit was chosen");
        EXPECT_EQ(Query("SELECT Errors FROM Records WHERE Rec_Num = " + last), "1");
    }
}

// A FIFO whose writer pauses after five records, or that has no writer yet: the records it gave are
// shown while it is silent (the records' own yields are rare here), and Exit ends the run there.
TEST_F(RunTest, ExitWhileAFifoIsSilentEndsTheRun) {
    Test({kValid});
    yieldInterval = std::chrono::seconds(60);
    for (const bool writer : {true, false}) {
        SCOPED_TRACE(writer ? "writer pauses" : "no writer");
        const std::string before = test::ReadFile(dir / "Errorlog.mdb");
        services = ScriptedServices{};
        services.files = {(dir / (writer ? "paused" : "unopened")).string()};
        services.onYield = [&](int n) { return writer ? services.lastRecCtr != 5 : n < 3; };
        const test::PausingFifo fifo(services.files[0].value(), Ids({"RA", "RE", "RW", "RW", "RW"}), writer);
        EXPECT_EQ(Test().outcome, RunOutcome::Aborted);
        EXPECT_FALSE(fifo.PauseOver());  // ended while the FIFO was silent, not at its end
        if (writer) EXPECT_EQ(Errors(), "5 - Test Aborted | Exit was chosen");
        else EXPECT_TRUE(test::ReadFile(dir / "Errorlog.mdb") == before);
        EXPECT_EQ(services.lastRecCtr, writer ? 5 : 0);
    }
}

// The disk fails under the writer thread far behind the checks: log and summary hold the last
// commit with the notice that the log is incomplete; the run stops soon, not at the file's end.
TEST_F(RunTest, ADiskFailingUnderTheWriterThreadLeavesAConsistentLog) {
    SlowDisk slow;
    writerThread = true;
    commitInterval = std::chrono::milliseconds(20);
    sql::FailNthOperation(500);  // about record 3,100: 32 records to a statement, their errors 8 to one
    RunSummary s = Test({test::Submission(6000, true, kNoFirstName)}, 25000, {MsgAnswer::Ok});
    EXPECT_EQ(s.outcome, RunOutcome::Failed);
    ASSERT_EQ(services.Titles(), "Submission File Error");
    EXPECT_EQ(services.messages[0].text, FailedLogMessage(dir, s.recordsTested));
    EXPECT_GT(services.lastRecCtr, s.recordsTested + 100);
    EXPECT_LT(services.lastRecCtr, 5000);
    EXPECT_EQ(test::FailedLogState(dir.path()), "incomplete after " + std::to_string(s.recordsTested));
    EXPECT_EQ(Query("SELECT COUNT(*) FROM Errors"), std::to_string(s.errorsFound));
    EXPECT_EQ(s.criticalReference, "Error Log Incomplete");
}

// A log failing at any point ends the run with its message; no log is left that looks complete.
TEST_F(RunTest, AFailingLogAtAnyPointEndsTheRunWithItsMessage) {
    std::vector<std::string> first = test::ValidRecords({"RA", "RE", "RW", "RO"});
    test::Put(first[2], 3, "12345678X");  // findings in the RW record and a marker in the block
    const std::vector<std::string> files = {test::Lines(first), test::Lines(test::ValidRecords({"RW", "RT", "RU", "RF"}, 1, 1))};
    strict = false;  // a failure anywhere: the messages of each differ
    for (bool thread : {false, true}) {
        SCOPED_TRACE(thread ? "writer thread" : "one thread");
        writerThread = thread;
        // The history, written while the writer thread makes the log's last commit, would
        // take turns with it at random: its failures are counted with one thread.
        historyRuns = thread ? 0 : kHistoryRuns;
        const RunOutcome undisturbed = Test(files).outcome;
        int failures = 0, incomplete = 0;
        for (long n = 1; n < 5000; ++n) {
            sql::FailNthOperation(n);
            RunSummary s;
            EXPECT_NO_THROW(s = Test(files)) << "operation " << n;
            if (sql::FailNthOperation(0) > 0) break;  // the run ended before operation n
            const std::string state = test::FailedLogState(dir.path());
            incomplete += state.starts_with("incomplete after ");
            failures += !closeFailure.empty() || services.Titles().ends_with("Submission File Error");
            if (!closeFailure.empty()) {  // on closing the log, after the run
                EXPECT_TRUE(state == "no log" || state.starts_with("incomplete after ")) << n << ": " << state;
            } else if (services.Titles().ends_with("Submission File Error")) {
                const std::string& told = services.messages.back().text;
                const bool created = told.find("cannot be created") == std::string::npos;
                EXPECT_NE(s.outcome, RunOutcome::NoErrors) << n;
                EXPECT_EQ(state, created && s.recordsTested ? "incomplete after " + std::to_string(s.recordsTested)
                                                            : std::string("no log")) << n;
                if (created) { EXPECT_EQ(told, FailedLogMessage(dir, s.recordsTested)) << n; }
            } else {
                EXPECT_EQ(s.outcome, undisturbed) << n;  // only the check that the old log is free fails unseen
            }
        }
        EXPECT_GT(failures, 20);
        EXPECT_GT(incomplete, 0);
    }
}

// The disk failing where the engine must recover on its own (a write or a sync of a commit, a
// disk that stays full) or where the log is made, in both thread modes. The k-th commit (k > 1)
// comes before record k - 1 and writes record k - 2, the 9th ends the run of 7 records.
TEST_F(RunTest, DiskFaultsUnderTheEngineLeaveTheLastCommit) {
    using sql::FaultAt;
    const std::pair<sql::PlantedFault, std::int64_t> cases[] = {  // the records kept; -1: no log made
        {{FaultAt::Open, "", 1, SQLITE_CANTOPEN}, -1},
        {{FaultAt::Statement, "INSERT INTO Records", 4, SQLITE_FULL}, 3},
        {{FaultAt::Write, "COMMIT", 5, SQLITE_FULL}, 2},
        {{FaultAt::Sync, "COMMIT", 5, SQLITE_IOERR}, 2},
        {{FaultAt::Write, "COMMIT", 9, SQLITE_FULL}, 6},
        {{FaultAt::Write, "COMMIT", 5, SQLITE_FULL, true}, 0},
    };
    commitInterval = {}, historyRuns = 0;  // a commit per record; the history's would count among them
    for (const bool thread : {false, true}) {
        for (const auto& [fault, kept] : cases) {
            SCOPED_TRACE(std::string(fault.during) + " " + std::to_string(fault.nth) + (thread ? ", thread" : ""));
            writerThread = thread;
            std::filesystem::remove(dir / "Errorlog.mdb");
            sql::PlantFault(fault);
            const RunSummary s = Test({Ids({"RA", "RE", "RW", "RW", "RW", "RT", "RF"})}, 500, {MsgAnswer::Ok});
            EXPECT_TRUE(sql::PlantFault({})) << "the fault never struck";
            EXPECT_EQ(std::tuple(s.outcome, test::FailedLogState(dir.path())),
                      std::tuple(RunOutcome::Failed, kept > 0 ? "incomplete after " + std::to_string(kept) : "no log"));
            EXPECT_EQ(services.messages.at(0).text,
                      kept >= 0 ? FailedLogMessage(dir, kept, fault.code)
                                : "Error Number: 14\r\nError Description: The error log cannot be created in " +
                                      dir.path().string() + ": unable to open database file.");
        }
    }
}

// Random bytes: the run always ends, every error is on a stored record, every count equals its rows.
TEST_F(RunTest, AnyBytesEndInAConsistentLog) {
    std::mt19937 random(20081208);
    const std::vector<std::string> pieces = {
        test::BaselineRA(), test::MakeRE(), test::MakeRW(), test::MakeRO(), test::MakeRT(1, {}),
        test::MakeRU(1, {}), test::MakeRF(1), test::Record("RS"), test::Record("RV"), "\r\n", "\n", "\r",
        std::string("\0", 1), "\x1a", "\xff\x80\xe9", "RW12", std::string(700, 'x'), "ra", "rw"};
    strict = false;  // whatever the bytes make the run ask
    for (int round = 0; round < 100; ++round) {
        std::string file;
        for (int k = static_cast<int>(random() % 30); k > 0; --k) {
            std::string piece = pieces[random() % pieces.size()];
            if (random() % 4 == 0) piece[random() % piece.size()] = static_cast<char>(random());
            file += piece;
        }
        if (Test({file}, 1 + static_cast<int>(random() % 5)).recordsTested == 0) continue;
        EXPECT_EQ(Query("SELECT (SELECT COUNT(*) FROM Records r WHERE r.Errors <> (SELECT COUNT(*) FROM Errors e "
                        "WHERE e.Rec_Num = r.Rec_Num)) + (SELECT COUNT(*) FROM Errors WHERE Rec_Num NOT IN "
                        "(SELECT Rec_Num FROM Records))"), "0") << "round " << round;
    }
}
