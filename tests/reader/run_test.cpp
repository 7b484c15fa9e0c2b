#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "errorlog/error_log.h"
#include "errorlog/sqlite.h"
#include "reader/run.h"
#include "support/scripted_services.h"
#include "support/test_support.h"
#include "support/records.h"

using namespace quorvex;
using quorvex::test::Record;
using quorvex::test::ScriptedServices;
using quorvex::test::TempDir;

namespace {

std::string Lines(const std::vector<std::string>& records, const std::string& sep = "\r\n") {
    std::string out;
    for (const auto& r : records) out += r + sep;
    return out;
}

// The identifiers of a submission, each as a 512-character record that passes its own
// field checks (an RF record counts the RW records before it, `priorRW` from earlier files).
std::vector<std::string> Ids(std::initializer_list<const char*> ids, long long priorRW = 0) {
    return test::ValidRecords(ids, priorRW, priorRW);
}

struct Row {
    std::int64_t recNum;
    std::string type, reference, userEntry, error;
};

class RunTest : public ::testing::Test {
protected:
    // Runs the test on `files` (the first answers the first dialog, the rest the next-file dialogs).
    RunSummary Test(std::vector<std::string> contents, int limit = 500) {
        std::vector<std::filesystem::path> paths;
        for (std::size_t i = 0; i < contents.size(); ++i) {
            auto p = dir / ("file" + std::to_string(i) + ".txt");
            test::WriteFile(p, contents[i]);
            services.files.push_back(p.string());
        }
        return RunFiles(limit);
    }
    RunSummary RunFiles(int limit = 500) {
        RunOptions o;
        o.programFolder = dir.path();
        o.recordOrigin = [this](const RecordOrigin& r) {
            origins.push_back(std::to_string(r.recNum) + " " + std::filesystem::path(r.file).filename().string() + ":" +
                              std::to_string(r.line) + ":" + std::to_string(r.column));
        };
        o.errorLimit = limit;
        o.pieceSize = pieceSize;
        o.yieldInterval = std::chrono::microseconds(0);
        o.commitInterval = commitInterval;
        if (writerThread) o.writerThread = *writerThread;
        quorvex::Run run(services, o);
        RunSummary s = run.ReadFile();
        try {
            run.CloseDatabase();
        } catch (const LogFailure& f) {
            closeFailure = f.description;  // what the programs report after the run
        }
        return s;
    }
    std::vector<Row> Errors() {
        sql::Database log((dir / "Errorlog.mdb").string(), false, true);
        auto q = log.prepare(
            "SELECT Rec_Num, COALESCE(Type, ''), Reference, User_Entry, Error FROM Errors ORDER BY Err_Num");
        std::vector<Row> rows;
        while (q.step()) rows.push_back({q.int64(0), q.text(1), q.text(2), q.text(3), q.text(4)});
        return rows;
    }
    std::string Query(const std::string& sql) {
        sql::Database log((dir / "Errorlog.mdb").string(), false, true);
        auto q = log.prepare(sql);
        std::string out;
        while (q.step()) {
            if (!out.empty()) out += ",";
            out += q.isNull(0) ? "NULL" : q.text(0);
        }
        return out;
    }
    std::vector<std::string> origins;  // "<Rec_Num> <file>:<line>:<column>" of each stored record
    std::vector<std::string> Titles() {
        std::vector<std::string> t;
        for (const auto& m : services.messages) t.push_back(m.title);
        return t;
    }

    TempDir dir;
    ScriptedServices services;
    std::string closeFailure;
    std::size_t pieceSize = 65000;
    std::optional<bool> writerThread;  // else the default
    std::chrono::microseconds commitInterval{std::chrono::seconds(2)};
};

// The message of a log that failed with "disk I/O error" in `dir`, keeping `kept` records.
std::string FailedLogMessage(const TempDir& dir, std::int64_t kept) {
    return "Error Number: 10\r\nError Description: The error log " + (dir / "Errorlog.mdb").string() +
           " could not be written: disk I/O error. Testing stopped; " +
           (kept ? "the log keeps records 1 to " + std::to_string(kept) + ", and its last error says that it is incomplete."
                 : std::string("no error log was kept."));
}

const char* kRecordLengthMessage =
    "Must be 512 bytes for ZRW5 files. This condition may also be generated if the previous record is greater "
    "than 512 bytes or if there is a Carriage Return/Line Feed within a record.";

}  // namespace

TEST_F(RunTest, CompleteSubmissionWithoutErrors) {
    RunSummary s = Test({Lines(Ids({"RA", "RE", "RW", "RT", "RF"}))});
    EXPECT_EQ(s.outcome, RunOutcome::NoErrors);
    EXPECT_EQ(s.recordsTested, 5);
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].text, "Testing Completed.\r\nThere were no errors found.");
    EXPECT_EQ(services.messages[0].title, "Results");
    EXPECT_EQ(services.messages[0].icon, MsgIcon::Information);
    EXPECT_EQ(services.fileTitles, std::vector<std::string>{"Please Enter File Name to be Tested"});
    EXPECT_EQ(services.filters[0], "All Files (*.*)|*.*|Ascii Text Files (*.txt; *.asc) |*.txt;*.asc|");
    EXPECT_EQ(Query("SELECT group_concat(Rec_Num || ID) FROM Records"), "1RA,2RE,3RW,4RT,5RF");
    EXPECT_EQ(Query("SELECT RptDate FROM Misc"), "01/15/2010");
    EXPECT_EQ(Query("SELECT RE_Indx FROM Records WHERE ID = 'RE'"), "1");
}

TEST_F(RunTest, OnlineFilingPromptOnlyInsideItsWindow) {
    struct Case {
        Date today;
        bool prompt;
    };
    for (auto c : {Case{{2008, 12, 7}, false}, Case{{2008, 12, 8}, true}, Case{{2009, 12, 1}, true},
                   Case{{2009, 12, 2}, false}}) {
        ScriptedServices fresh;
        services = fresh;
        services.today = c.today;
        services.answers.push_back(MsgAnswer::Yes);
        services.browser = "/opt/web/browser";
        Test({Lines(Ids({"RA", "RE", "RW", "RT", "RF"}))});
        ASSERT_EQ(services.messages.size(), 1u);
        EXPECT_EQ(services.messages[0].buttons == MsgButtons::YesNo, c.prompt) << c.today.Format();
        EXPECT_EQ(services.started.size(), c.prompt ? 1u : 0u);
        if (c.prompt) {
            EXPECT_EQ(services.messages[0].text,
                      "Testing Completed.\r\nThere were no errors found.\r\n\r\nWould you like to connect to Plexora "
                      "Web site to submit the wage report?");
        }
    }
}

TEST_F(RunTest, FilesWithoutRecords) {
    for (std::string content : {std::string(), std::string("\r\n\r\n\n\r\n")}) {
        ScriptedServices fresh;
        services = fresh;
        RunSummary s = Test({content});
        EXPECT_EQ(s.outcome, RunOutcome::NoData);
        ASSERT_EQ(services.messages.size(), 1u);
        EXPECT_EQ(services.messages[0].text, "Warning: The file contains no valid data.");
        EXPECT_EQ(services.messages[0].icon, MsgIcon::Exclamation);
    }
}

TEST_F(RunTest, RunLevelCriticalErrors) {
    struct Case {
        const char* name;
        std::string file;
        Row expected;
    };
    const std::string seqRef = "Sequence of Records [Position 1 - 2]";
    std::string rec600 = test::MakeRW() + std::string(88, 'X');
    const std::vector<Case> cases = {
        {"corrections file", Lines(Ids({"rca"})),
         {1, "C", "Record Identifier [Position 1 - 2]", "[rc]",
          "The first two characters in the tested file are RC. This appears to be an ZRW5C formatted file. The "
          "Quorvex application should be used to test ZRW5 formatted files only."}},
        {"lower-case ra first", Lines(Ids({"ra", "RE"})), {1, "C", seqRef, "[ra]", "Record 1 must be RA record."}},
        {"second not RE", Lines(Ids({"RA", "RW"})), {2, "C", seqRef, "[RW]", "Record 2 must be RE record."}},
        {"record after RF", Lines(Ids({"RA", "RE", "RW", "RT", "RF", "RW"})),
         {6, "C", seqRef, "[RW]", "RF record must be last record in file."}},
        {"short record", Lines(Ids({"RA", "RE"})) + std::string("RW") + std::string(298, ' ') + "\r\n",
         {3, "C", "Record Length", "300 bytes.", kRecordLengthMessage}},
        {"600-character line", Lines(Ids({"RA", "RE"})) + rec600 + "\r\n",
         {4, "C", "Record Length", "88 bytes.", kRecordLengthMessage}},
        {"unknown identifier", Lines(Ids({"RA", "RE", "XX"})),
         {3, "C", "Invalid Record Identifier [Position 1 - 2]", "[XX]",
          "Enter appropriate code: RW, RO, RS, RT, RU, RV, or RF. This condition may also be caused by an incorrect "
          "record length."}},
        {"record order", Lines(Ids({"RA", "RE", "RT"})), {3, "C", seqRef, "[RT]", "RW record must follow RE record."}},
        {"junk after RF with data", Lines(Ids({"RA", "RE", "RW", "RT", "RF"})) + "\x1a" + "ABC",
         {6, "C", seqRef, std::string("[\x1a") + "A]", "RF record must be last record in file."}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        services = ScriptedServices{};
        RunSummary s = Test({c.file});
        EXPECT_EQ(s.outcome, RunOutcome::Stopped);
        auto rows = Errors();
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(rows[0].recNum, c.expected.recNum);
        EXPECT_EQ(rows[0].type, c.expected.type);
        EXPECT_EQ(rows[0].reference, c.expected.reference);
        EXPECT_EQ(rows[0].userEntry, c.expected.userEntry);
        EXPECT_EQ(rows[0].error, c.expected.error);
        EXPECT_EQ(s.criticalRecord, c.expected.recNum);
        // The run stops after the record: nothing later is stored.
        EXPECT_EQ(Query("SELECT MAX(Rec_Num) FROM Records"), std::to_string(c.expected.recNum));
        EXPECT_TRUE(services.messages.empty());
    }
}

TEST_F(RunTest, RecordsAreUpperCasedButTheRaEmailKeepsItsCase) {
    std::string ra = Record("RA123456789 user");
    test::Put(ra, 446, "Mail@Example.com");
    std::string rw = Record("rw\xe9\x9a");
    std::string file = Lines({ra, Record("RE"), rw, Record("RT"), Record("RF")});
    Test({file});
    EXPECT_EQ(Query("SELECT substr(Record, 1, 16) FROM Records WHERE Rec_Num = 1"), "RA123456789 USER");
    EXPECT_EQ(Query("SELECT substr(Record, 446, 16) FROM Records WHERE Rec_Num = 1"), "Mail@Example.com");
    // Identifiers as read; bytes above 127 stored as the code page 1252 characters they are.
    EXPECT_EQ(Query("SELECT ID FROM Records WHERE Rec_Num = 3"), "rw");
    EXPECT_EQ(Query("SELECT substr(Record, 1, 4) FROM Records WHERE Rec_Num = 3"), "RW\u00c9\u0160");
}

TEST_F(RunTest, TrailingEndOfFileMarkIsIgnoredAndWhatFollowsIsNeverRead) {
    std::string file = Lines(Ids({"RA", "RE", "RW", "RT", "RF"})) + "\x1a";
    RunSummary s = Test({file});
    EXPECT_EQ(s.outcome, RunOutcome::NoErrors);
    EXPECT_EQ(Query("SELECT COUNT(*) FROM Records"), "5");

    services = ScriptedServices{};
    file = Lines(Ids({"RA", "RE", "RW"})) + std::string("\0", 1) + "XYZ\r\n" + Lines(Ids({"RT", "RF"}));
    auto p = dir / "nul.txt";
    test::WriteFile(p, file);
    services.files = {p.string(), std::nullopt};
    s = RunFiles();
    EXPECT_EQ(Query("SELECT group_concat(ID) FROM Records"), "RA,RE,RW");
    ASSERT_EQ(Titles(), std::vector<std::string>{"Missing Final Record"});
}

TEST_F(RunTest, SubmissionSplitOverTwoFiles) {
    RunSummary s = Test({Lines(Ids({"RA", "RE", "RW"})), Lines(Ids({"RW", "RT", "RF"}, 1))});
    EXPECT_EQ(s.outcome, RunOutcome::NoErrors);
    ASSERT_GE(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].title, "Missing Final Record");
    EXPECT_EQ(services.messages[0].text,
              "RF record was not found.  Submission must end with a final record.  If the wage report submission is "
              "saved on multiple disks or multiple data files, click OK then choose the next file.");
    EXPECT_EQ(services.fileTitles, (std::vector<std::string>{"Please Enter File Name to be Tested",
                                                             "Please Enter Next File Name to be Tested"}));
    EXPECT_EQ(Query("SELECT group_concat(Rec_Num || ID) FROM Records"), "1RA,2RE,3RW,4RW,5RT,6RF");
    EXPECT_EQ(Query("SELECT COUNT(*) FROM Misc"), "2");

    // The order rules compare the second file's first record with the first file's last.
    services = ScriptedServices{};
    s = Test({Lines(Ids({"RA", "RE"})), Lines(Ids({"RT", "RF"}))});
    EXPECT_EQ(Errors().at(0).error, "RW record must follow RE record.");
    EXPECT_EQ(Errors().at(0).recNum, 3);
}

TEST_F(RunTest, CancelledNextFileLeavesAnOrdinaryErrorOnTheLastRecord) {
    services.files.push_back(std::nullopt);  // after the first file: cancel
    std::vector<std::string> contents = {Lines(Ids({"RA", "RE", "RW"}))};
    auto p = dir / "first.txt";
    test::WriteFile(p, contents[0]);
    services.files.push_front(p.string());
    RunSummary s = RunFiles();
    EXPECT_EQ(s.outcome, RunOutcome::Errors);
    auto rows = Errors();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].recNum, 3);
    EXPECT_EQ(rows[0].type, "");
    EXPECT_EQ(rows[0].reference, "Sequence of Records [Position 1 - 2]");
    EXPECT_EQ(rows[0].userEntry, "[RW]");
    EXPECT_EQ(rows[0].error,
              "Submission must not end with RW record. RF record was not found. Submission must end with a Final "
              "record.");
    EXPECT_EQ(Query("SELECT Errors FROM Records WHERE Rec_Num = 3"), "1");
}

TEST_F(RunTest, JunkRecordAndAFurtherFileKeepEveryRecordOnItsOwnRow) {
    // File 1 ends in an end-of-file mark (its row is removed), file 2 continues without RF and
    // the third dialog is cancelled: the missing final record belongs to the last stored row.
    services.files = {};
    auto f1 = dir / "a.txt";
    auto f2 = dir / "b.txt";
    test::WriteFile(f1, Lines(Ids({"RA", "RE", "RW"})) + "\x1a");
    test::WriteFile(f2, "\r\n" + Lines(Ids({"RW", "RO"})));
    services.files = {f1.string(), f2.string(), std::nullopt};
    RunSummary s = RunFiles();
    EXPECT_EQ(s.outcome, RunOutcome::Errors);
    EXPECT_EQ(Query("SELECT group_concat(Rec_Num || ID) FROM Records"), "1RA,2RE,3RW,5RW,6RO");
    EXPECT_EQ(origins, (std::vector<std::string>{"1 a.txt:1:1", "2 a.txt:2:1", "3 a.txt:3:1", "5 b.txt:2:1",
                                                 "6 b.txt:3:1"}));
    auto rows = Errors();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].recNum, 6);
    EXPECT_EQ(rows[0].userEntry, "[RO]");
    EXPECT_EQ(Query("SELECT RE_Indx FROM Records WHERE Rec_Num = 2"), "1");
}

TEST_F(RunTest, CancelledFirstDialogLeavesTheEarlierLogUntouched) {
    Test({Lines(Ids({"RA", "RE", "RW", "RT", "RF"}))});
    std::string before = test::ReadFile(dir / "Errorlog.mdb");
    services = ScriptedServices{};
    RunSummary s = RunFiles();  // no answer: cancelled
    EXPECT_EQ(s.outcome, RunOutcome::Cancelled);
    EXPECT_TRUE(services.messages.empty());
    EXPECT_EQ(test::ReadFile(dir / "Errorlog.mdb"), before);
}

TEST_F(RunTest, UnusableFiles) {
    Test({Lines(Ids({"RA", "RE", "RW", "RT", "RF"}))});
    const std::string before = test::ReadFile(dir / "Errorlog.mdb");
    std::filesystem::create_directory(dir / "folder");

    // A missing first file: two messages, then the file dialog again (cancelled here).
    services = ScriptedServices{};
    services.files = {(dir / "missing.txt").string()};
    RunSummary s = RunFiles();
    EXPECT_EQ(s.outcome, RunOutcome::Cancelled);
    ASSERT_EQ(Titles(), (std::vector<std::string>{"Submission File Not Found", "Submission File Name Error"}));
    EXPECT_EQ(services.messages[0].text, (dir / "missing.txt").string() + " was not found.");
    EXPECT_EQ(services.messages[1].text,
              "Please check to make sure that correct File Name was entered and /or correct Drive was chosen.");
    EXPECT_EQ(services.fileTitles.size(), 2u);

    // A folder instead of a file.
    services = ScriptedServices{};
    services.files = {(dir / "folder").string()};
    s = RunFiles();
    EXPECT_EQ(s.outcome, RunOutcome::Failed);
    ASSERT_EQ(Titles(), std::vector<std::string>{"Submission File Error"});
    EXPECT_EQ(services.messages[0].text, "Error Number: 21\r\nError Description: Is a directory");
    EXPECT_EQ(services.messages[0].icon, MsgIcon::Critical);
    EXPECT_EQ(test::ReadFile(dir / "Errorlog.mdb"), before);
}

TEST_F(RunTest, FileWithoutReadPermission) {
    if (geteuid() == 0) GTEST_SKIP() << "the superuser reads any file";
    auto p = dir / "secret.txt";
    test::WriteFile(p, Lines(Ids({"RA", "RE", "RW", "RT", "RF"})));
    std::filesystem::permissions(p, std::filesystem::perms::none);
    services.files = {p.string()};
    EXPECT_EQ(RunFiles().outcome, RunOutcome::Failed);
    ASSERT_EQ(Titles(), std::vector<std::string>{"Submission File Error"});
    EXPECT_EQ(services.messages[0].text, "Error Number: 13\r\nError Description: Permission denied");
}

TEST_F(RunTest, FileTruncatedWhileBeingRead) {
    auto p = dir / "shrinking.txt";
    std::vector<std::string> recs = Ids({"RA", "RE"});
    for (int i = 0; i < 300; ++i) recs.push_back(test::MakeRW());
    test::WriteFile(p, Lines(recs));
    services.files = {p.string()};
    services.onYield = [&](int n) {
        if (n == 3) std::filesystem::resize_file(p, 70000);
        return true;
    };
    RunSummary s = RunFiles();
    EXPECT_EQ(s.outcome, RunOutcome::Failed);
    ASSERT_EQ(Titles(), std::vector<std::string>{"Submission File Error"});
    EXPECT_EQ(services.messages[0].text, "Unreadable data in File:\r\n" + p.string());
}

TEST_F(RunTest, ExitDuringARunAbortsAfterTheLastStoredRecord) {
    std::vector<std::string> recs = Ids({"RA", "RE"});
    for (int i = 0; i < 200; ++i) recs.push_back(test::MakeRW());
    recs.push_back(test::MakeRT(200, {}));
    recs.push_back(test::MakeRF(200));
    auto p = dir / "big.txt";
    test::WriteFile(p, Lines(recs));
    services.files = {p.string()};
    // Yield 1 is the file's; yield n + 1 comes before record n is stored.
    services.onYield = [&](int n) { return n != 121; };
    RunSummary s = RunFiles();
    EXPECT_EQ(s.outcome, RunOutcome::Aborted);
    EXPECT_EQ(services.lastRecCtr, 120);
    EXPECT_EQ(Query("SELECT MAX(Rec_Num) FROM Records"), "119");
    auto rows = Errors();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].recNum, 119);
    EXPECT_EQ(rows[0].reference, "Test Aborted");
    EXPECT_EQ(rows[0].userEntry, "Exit was chosen");
    EXPECT_EQ(rows[0].error,
              "The last file did not complete testing because the Exit Button was selected while processing.");
    EXPECT_EQ(Query("SELECT Errors FROM Records WHERE Rec_Num = 119"), "1");
}

// Every database operation slowed, so that the checks run far ahead of the writer thread
// and fill the queue between them; undone when the test ends, however it ends.
struct SlowDisk {
    SlowDisk() { sql::DelayEachOperation(std::chrono::microseconds(100)); }
    ~SlowDisk() {
        sql::DelayEachOperation(std::chrono::microseconds(0));
        sql::FailNthOperation(0);
    }
};

std::vector<std::string> ManyRW(int count, const std::string& rw) {
    std::vector<std::string> recs = Ids({"RA", "RE"});
    for (int i = 0; i < count; ++i) recs.push_back(rw);
    recs.push_back(test::MakeRT(count, {}));
    recs.push_back(test::MakeRF(count));
    return recs;
}

// Exit while the queue to the writer is full (the checks reach record 2,500 long before the
// writer does): every queued record is written first and the abort lands on the last one.
TEST_F(RunTest, ExitWithTheQueueFullWritesEveryQueuedRecordFirst) {
    SlowDisk slow;
    writerThread = true;
    services.onYield = [&](int n) { return n != 2501; };
    RunSummary s = Test({Lines(ManyRW(3000, test::MakeRW()))});
    EXPECT_EQ(s.outcome, RunOutcome::Aborted);
    EXPECT_EQ(Query("SELECT COUNT(*) || ' ' || MAX(Rec_Num) FROM Records"), "2499 2499");
    auto rows = Errors();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].recNum, 2499);
    EXPECT_EQ(rows[0].reference, "Test Aborted");
    EXPECT_EQ(Query("SELECT Errors FROM Records WHERE Rec_Num = 2499"), "1");
}

// The disk fails under the writer thread while the checks are far ahead: the run ends with
// the failure's message, and the log and the summary hold what the last commit wrote, every
// record with its errors, and the notice that the log is incomplete.
TEST_F(RunTest, ADiskFailingUnderTheWriterThreadLeavesAConsistentLog) {
    std::string bad = test::MakeRW();
    test::Put(bad, 12, std::string(15, ' '));  // no first name: an error row per record
    SlowDisk slow;
    writerThread = true;
    commitInterval = std::chrono::milliseconds(20);
    sql::FailNthOperation(4000);
    RunSummary s = Test({Lines(ManyRW(6000, bad))}, 25000);
    EXPECT_EQ(s.outcome, RunOutcome::Failed);
    ASSERT_EQ(Titles(), std::vector<std::string>{"Submission File Error"});
    EXPECT_EQ(services.messages[0].text, FailedLogMessage(dir, s.recordsTested));
    EXPECT_GT(services.lastRecCtr, s.recordsTested + 100);  // the checks were ahead
    EXPECT_EQ(test::FailedLogState(dir.path()), "incomplete after " + std::to_string(s.recordsTested));
    EXPECT_EQ(Query("SELECT COUNT(*) FROM Errors"), std::to_string(s.errorsFound));
    EXPECT_EQ(s.criticalReference, "Error Log Incomplete");
}

TEST_F(RunTest, ErrorLimitStopsAfterTheRecordThatReachesIt) {
    std::string bad = test::MakeRW();
    test::Put(bad, 12, std::string(15, ' '));  // no first name
    test::Put(bad, 42, std::string(20, ' '));  // no last name
    std::vector<std::string> recs = Ids({"RA", "RE"});
    recs.push_back(test::MakeRW());
    recs.push_back(bad);
    recs.push_back(test::MakeRW());
    recs.push_back(test::MakeRT(3, {}));
    recs.push_back(test::MakeRF(3));
    RunSummary s = Test({Lines(recs)}, 1);
    EXPECT_EQ(s.outcome, RunOutcome::Stopped);
    auto rows = Errors();
    ASSERT_GE(rows.size(), 2u);  // every error of the record, then the limit
    for (const auto& r : rows) EXPECT_EQ(r.recNum, 4);
    EXPECT_EQ(rows.back().type, "C");
    EXPECT_EQ(rows.back().reference, "1 or more Errors in submission");
    EXPECT_EQ(rows.back().userEntry, "1 Errors");
    EXPECT_EQ(rows.back().error,
              "1 or more errors were encountered. Please correct the errors identified in the submission and rerun "
              "Quorvex. Please note that the number of errors allowed before Quorvex stops testing can be set by the "
              "user to a number between 1 and 25,000. For information on how to set the error limitation, please "
              "look in the Help section located on the Quorvex Welcome Screen.");
    EXPECT_EQ(Query("SELECT MAX(Rec_Num) FROM Records"), "4");
}

// The window draws progress only at its yields, which a short file may never reach: the
// last record of a file is reported before the message about its end, and a file without
// records reports no record number at all.
TEST_F(RunTest, ReportsTheLastRecordBeforeTheEndOfFileMessage) {
    struct Services : ScriptedServices {
        std::vector<std::int64_t> shownAtMessage;
        MsgAnswer Message(std::string_view text, std::string_view title, MsgIcon icon, MsgButtons buttons) override {
            shownAtMessage.push_back(lastRecCtr);
            return ScriptedServices::Message(text, title, icon, buttons);
        }
    };
    for (const auto& [content, shown] :
         {std::pair{Lines(test::ValidRecords({"RA", "RE", "RW", "RW", "RW", "RW", "RW", "RW", "RW", "RW", "RW",
                                              "RW", "RW", "RW", "RT", "RF"})),
                    std::int64_t{16}},
          std::pair{std::string(), std::int64_t{0}}}) {
        Services s;
        test::WriteFile(dir / "f.txt", content);
        s.files = {(dir / "f.txt").string()};
        RunOptions o;
        o.programFolder = dir.path();
        o.yieldInterval = std::chrono::hours(1);
        quorvex::Run(s, o).ReadFile();
        EXPECT_EQ(s.shownAtMessage, std::vector<std::int64_t>{shown}) << shown;
    }
}

TEST_F(RunTest, PieceSizeDoesNotChangeTheResult) {
    std::vector<std::string> recs = Ids({"RA", "RE"});
    for (int i = 0; i < 150; ++i) recs.push_back(test::MakeRW(std::to_string(100000000 + i)));
    recs.push_back(test::MakeRT(150, {}));
    recs.push_back(std::string("RF") + std::string(200, ' '));
    std::string file = Lines(recs, "\n");
    std::string reference;
    for (std::size_t piece : {1u, 7u, 511u, 512u, 513u, 65000u}) {
        services = ScriptedServices{};
        pieceSize = piece;
        Test({file});
        std::string got = Query("SELECT group_concat(Rec_Num || ID || length(Record)) FROM Records") + "|" +
                          Query("SELECT group_concat(Rec_Num || Reference || User_Entry) FROM Errors");
        if (reference.empty()) reference = got;
        EXPECT_EQ(got, reference) << "piece size " << piece;
    }
    EXPECT_NE(reference.find("154Record Length202 bytes."), std::string::npos) << reference;
}

TEST_F(RunTest, FileLargerThanTwoGigabytes) {
    // A sparse file: RA, RE, then NUL bytes to beyond 2 GiB. The NUL record stops the run at
    // record 3; the file length reaches the progress computation in 64 bits.
    auto p = dir / "huge.txt";
    test::WriteFile(p, Lines(Ids({"RA", "RE"})));
    const std::uintmax_t size = (std::uintmax_t{1} << 31) + 4096;
    std::filesystem::resize_file(p, size);
    services.files = {p.string()};
    RunSummary s = RunFiles();
    EXPECT_EQ(services.lastFileLength, size);
    EXPECT_EQ(Query("SELECT COUNT(*) FROM Records"), "2");
    EXPECT_EQ(s.outcome, RunOutcome::Errors);  // the next-file dialog was cancelled
}

TEST_F(RunTest, ReadOnlyLogStopsTheRunWithAClearMessage) {
    Test({Lines(Ids({"RA", "RE", "RW", "RT", "RF"}))});
    auto log = dir / "Errorlog.mdb";
    const std::string before = test::ReadFile(log);
    std::filesystem::permissions(log, std::filesystem::perms::owner_read);
    services = ScriptedServices{};
    RunSummary s = Test({Lines(Ids({"RA", "RE", "RW", "RT", "RF"}))});
    EXPECT_EQ(s.outcome, RunOutcome::Failed);
    ASSERT_EQ(Titles(), std::vector<std::string>{"Submission File Error"});
    EXPECT_NE(services.messages[0].text.find("read-only"), std::string::npos) << services.messages[0].text;
    EXPECT_EQ(test::ReadFile(log), before);
}

TEST_F(RunTest, TenMegabyteLinesWithoutSeparators) {
    // Records written back to back are cut every 512 characters.
    std::string file = test::BaselineRA() + test::MakeRE();
    long long rw = 0;
    for (; file.size() < 10u * 1024 * 1024; ++rw) file += test::MakeRW();
    file += test::MakeRT(rw, {}) + test::MakeRF(rw);
    RunSummary s = Test({file});
    EXPECT_EQ(s.outcome, RunOutcome::NoErrors);
    EXPECT_EQ(s.recordsTested, static_cast<std::int64_t>(file.size() / 512));

    // A 10 MB line of anything else stops at its first record.
    services = ScriptedServices{};
    s = Test({std::string(10u * 1024 * 1024, 'Z')});
    EXPECT_EQ(s.outcome, RunOutcome::Stopped);
    EXPECT_EQ(s.recordsTested, 1);
}

TEST_F(RunTest, NulAndEndOfFileMarksInsideRecordsAreKept) {
    std::string rw = test::MakeRW();
    rw[99] = '\0';
    rw[199] = '\x1a';
    RunSummary s = Test({Lines({test::BaselineRA(), test::MakeRE(), rw, test::MakeRT(1, {}), test::MakeRF(1)})});
    // They are characters of the record: its field checks see them, the record is kept whole.
    EXPECT_EQ(s.outcome, RunOutcome::Errors);
    EXPECT_EQ(s.recordsTested, 5);
    EXPECT_EQ(Query("SELECT length(CAST(Record AS BLOB)) FROM Records WHERE Rec_Num = 3"), "512");
    EXPECT_EQ(Query("SELECT hex(substr(CAST(Record AS BLOB), 100, 1)) || hex(substr(CAST(Record AS BLOB), 200, 1)) "
                    "FROM Records WHERE Rec_Num = 3"),
              "001A");
}

TEST_F(RunTest, FileNamesOutsideAsciiReachMessagesAndTheLogIntact) {
    auto p = dir / "caf\u00e9.txt";
    test::WriteFile(p, Lines(Ids({"RA", "RE", "RW", "RT", "RF"})));
    services.files = {p.string()};
    EXPECT_EQ(RunFiles().outcome, RunOutcome::NoErrors);
    EXPECT_EQ(Query("SELECT Path FROM Misc"), p.string());

    services = ScriptedServices{};
    services.files = {(dir / "gone\u00e9.txt").string()};
    RunFiles();
    ASSERT_FALSE(services.messages.empty());
    EXPECT_EQ(services.messages[0].text, (dir / "gone").string() + "\xe9.txt was not found.");

    // A name that is not UTF-8: each stray byte is replaced, nothing around it is lost.
    services = ScriptedServices{};
    p = dir / "lat\xe9.txt";
    test::WriteFile(p, Lines(Ids({"RA", "RE", "RW", "RT", "RF"})));
    services.files = {p.string()};
    EXPECT_EQ(RunFiles().outcome, RunOutcome::NoErrors);
    EXPECT_EQ(Query("SELECT Path FROM Misc"), (dir / "lat\ufffd.txt").string());
    services = ScriptedServices{};
    services.files = {(dir / "gone\xc0\x80.txt").string()};
    RunFiles();
    ASSERT_FALSE(services.messages.empty());
    EXPECT_EQ(services.messages[0].text, (dir / "gone??.txt").string() + " was not found.");
}

TEST_F(RunTest, AnyBytesEndInAConsistentLog) {
    // Random mixes of valid records, fragments, separators, control and high bytes: the run
    // always ends, and every record's error count equals its error rows.
    std::mt19937 random(20081208);
    const std::vector<std::string> pieces = {
        test::BaselineRA(), test::MakeRE(), test::MakeRW(), test::MakeRO(), test::MakeRT(1, {}),
        test::MakeRU(1, {}), test::MakeRF(1), Record("RS"), Record("RV"), "\r\n", "\n", "\r",
        std::string("\0", 1), "\x1a", "\xff\x80\xe9", "RW12", std::string(700, 'x'), "ra", "rw"};
    for (int round = 0; round < 100; ++round) {
        std::string file;
        int parts = static_cast<int>(random() % 30);
        for (int k = 0; k < parts; ++k) {
            std::string piece = pieces[random() % pieces.size()];
            if (random() % 4 == 0 && !piece.empty()) piece[random() % piece.size()] = static_cast<char>(random());
            file += piece;
        }
        services = ScriptedServices{};
        RunSummary s = Test({file}, 1 + static_cast<int>(random() % 5));
        if (s.outcome == RunOutcome::NoData || s.recordsTested == 0) continue;
        EXPECT_EQ(Query("SELECT COUNT(*) FROM Records r WHERE r.Errors <> "
                        "(SELECT COUNT(*) FROM Errors e WHERE e.Rec_Num = r.Rec_Num)"),
                  "0")
            << "round " << round;
        EXPECT_EQ(Query("SELECT COUNT(*) FROM Errors WHERE Rec_Num NOT IN (SELECT Rec_Num FROM Records)"), "0")
            << "round " << round;
    }
}

// A failure of the log at any point of a run (its creation, a record, a block query, a
// commit, the end) ends the run through the failure handler with its message; nothing
// escapes the run.
TEST_F(RunTest, AFailingLogAtAnyPointEndsTheRunWithItsMessage) {
    std::vector<std::string> first = Ids({"RA", "RE", "RW", "RO"});
    test::Put(first[2], 3, "12345678X");  // findings in the RW record and a marker in the block
    const std::vector<std::string> files = {Lines(first), Lines(Ids({"RW", "RT", "RU", "RF"}, 1))};
    for (bool thread : {false, true}) {
        SCOPED_TRACE(thread ? "writer thread" : "one thread");
        writerThread = thread;
        services = ScriptedServices{};
        const RunOutcome undisturbed = Test(files).outcome;
        int failures = 0, incomplete = 0;
        for (long n = 1; n < 5000; ++n) {
            services = ScriptedServices{};
            closeFailure.clear();
            sql::FailNthOperation(n);
            RunSummary s;
            EXPECT_NO_THROW(s = Test(files)) << "operation " << n;
            if (sql::FailNthOperation(0) > 0) break;  // the run ended before operation n
            const std::string state = test::FailedLogState(dir.path());
            incomplete += state.starts_with("incomplete after ");
            if (closeFailure.find("disk I/O error") != std::string::npos) {
                ++failures;
                EXPECT_TRUE(state == "no log" || state.starts_with("incomplete after ")) << n << ": " << state;
            } else if (!services.messages.empty() && services.messages.back().title == "Submission File Error") {
                ++failures;
                EXPECT_NE(s.outcome, RunOutcome::NoErrors) << "operation " << n;
                // Creating the log, or the log of the run: never a log that looks complete.
                if (services.messages.back().text.find("cannot be created") != std::string::npos) {
                    EXPECT_EQ(state, "no log") << "operation " << n;
                } else {
                    EXPECT_EQ(services.messages.back().text, FailedLogMessage(dir, s.recordsTested)) << n;
                    EXPECT_EQ(state, s.recordsTested ? "incomplete after " + std::to_string(s.recordsTested)
                                                     : std::string("no log"))
                        << "operation " << n;
                }
            } else {
                // Only a check that the old log is free may fail unseen: it is replaced all the same.
                EXPECT_EQ(s.outcome, undisturbed) << "operation " << n;
            }
        }
        EXPECT_GT(failures, 20);
        EXPECT_GT(incomplete, 0);
    }
}
