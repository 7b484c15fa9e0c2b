#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <tuple>
#include <vector>

#include "errorlog/error_log.h"
#include "errorlog/log_findings.h"
#include "errorlog/schema.h"
#include "common/text_1252.h"
#include "support/test_support.h"

using namespace quorvex;
using quorvex::test::TempDir;

namespace {

std::vector<std::string> Columns(sql::Database& db, const std::string& table) {
    std::vector<std::string> cols;
    auto q = db.prepare("PRAGMA table_info(" + table + ")");
    while (q.step()) cols.push_back(q.text(1));
    return cols;
}

std::string Scalar(sql::Database& db, const std::string& query) {
    auto q = db.prepare(query);
    return q.step() ? (q.isNull(0) ? "NULL" : q.text(0)) : "<no row>";
}

}  // namespace

TEST(ErrorLogSchema, TablesHaveTheirColumnsInOrder) {
    TempDir dir;
    ErrorLog log = ErrorLog::CreateMDB(dir.path());
    log.Commit();
    sql::Database db(log.Path().string(), false, true);
    EXPECT_EQ(Columns(db, "Misc"), (std::vector<std::string>{"Data_Id", "Path", "PinOK", "RptDate"}));
    EXPECT_EQ(Columns(db, "Records"),
              (std::vector<std::string>{"Rec_Num", "ID", "RE_Indx", "Errors", "Record", "RecReference"}));
    EXPECT_EQ(Columns(db, "Errors"),
              (std::vector<std::string>{"Err_Num", "Type", "Rec_Num", "Reference", "User_Entry", "Error"}));
    for (auto [table, fields] : {std::pair{"TRT", kTrtFields}, std::pair{"TRU", kTruFields}}) {
        std::vector<std::string> expected{"Indx", "RE_EIN", "0"};
        for (int n = 1; n <= fields; ++n) {
            expected.push_back(std::to_string(n));
            expected.push_back("F" + std::to_string(n) + "ErrRef");
        }
        EXPECT_EQ(Columns(db, table), expected) << table;
    }
    // No index besides the primary keys.
    EXPECT_EQ(Scalar(db, "SELECT COUNT(*) FROM sqlite_master WHERE type = 'index'"), "0");
    EXPECT_EQ(dir.path() / "Errorlog.mdb", ErrorLog::PathIn(dir.path()));
}

TEST(ErrorLogSchema, NewBlockRowsStartAtZeroAndNone) {
    TempDir dir;
    ErrorLog log = ErrorLog::CreateMDB(dir.path());
    EXPECT_EQ(log.OpenBlock("123456789"), 1);
    EXPECT_EQ(log.OpenBlock("987654321"), 2);
    log.Commit();
    for (const char* table : {"TRT", "TRU"}) {
        std::string t = table;
        EXPECT_EQ(test::LogScalar(log.Path(), "SELECT \"0\" FROM " + t + " WHERE Indx = 2"), "0");
        EXPECT_EQ(test::LogScalar(log.Path(), "SELECT \"17\" FROM " + t + " WHERE Indx = 2"), "0.0");
        EXPECT_EQ(test::LogScalar(log.Path(), "SELECT F17ErrRef FROM " + t + " WHERE Indx = 2"), "None");
        EXPECT_EQ(test::LogScalar(log.Path(), "SELECT RE_EIN FROM " + t + " WHERE Indx = 2"), "987654321");
    }
}

TEST(ErrorLogQueries, EveryQueryOfTheProgramRunsUnchanged) {
    TempDir dir;
    ErrorLog log = ErrorLog::CreateMDB(dir.path());
    log.AddMisc("/tmp/x", "01/15/2009");
    log.AddRecord("RA", "RA");
    log.AddRecord("RE", "RE");
    log.SetReIndx(log.OpenBlock("123456789"));
    log.AddRecord("RW", "RW");
    log.SetCurrentSsn("111223333");
    log.AddTRT(0, true, 1);
    log.LogError("SSN [Position 3 - 11]", "[x]", "bad");
    log.Commit();
    sql::Database db(log.Path().string(), false, true);
    const std::string n = "3";
    const std::vector<std::string> queries = {
        "Select * From Errors Where Rec_Num = " + n,
        "Select ID From Records Where ID = 'RW'",
        "Select * From TRT, Records Where TRT.Indx = Records.Re_Indx and Records.Rec_Num = " + n,
        TruBlockQueryText() + n,
        "Select Rec_Num, Errors, Record  From Records where Errors > 0 Order By Rec_Num",
        "Select Rec_Num, Errors, Record  From Records",
        "Select Reference, User_Entry, Error From Errors Where Rec_Num = " + n,
        "Select Errors.Reference, Errors.User_Entry, Errors.Error From Errors Where Errors.Rec_Num = " + n,
        "Select Record, RE_Indx, ID From Records Where Rec_Num = " + n,
        "Select Record From Records Where ID = 'RE' and RE_Indx = 1",
        "Select distinct Rec_Num From Errors",
        "Select ID, RecReference From Records, Errors Where Records.Rec_Num = Errors.Rec_Num",
        std::string("SELECT Err_Num, Type, ERRORS.Rec_Num, Reference, User_Entry, Error, ID, ") +
            "RE_Indx, Errors, Record, RecReference " +
            "FROM ERRORS INNER JOIN RECORDS ON ERRORS.Rec_Num = RECORDS.Rec_Num ORDER BY ERRORS.Rec_Num, Err_Num",
    };
    for (const auto& text : queries) {
        SCOPED_TRACE(text);
        auto q = db.prepare(text);
        EXPECT_TRUE(q.step());
    }
    EXPECT_NE(TruBlockQueryText().find("[17], F1ErrRef, F2ErrRef"), std::string::npos);
}

TEST(ErrorLogQueries, TextComparesWithoutCaseAndCountsRwOfAnyCase) {
    TempDir dir;
    ErrorLog log = ErrorLog::CreateMDB(dir.path());
    EXPECT_EQ(log.Read().CountRW(), 0);  // no RW row at all: a count of 0, not a failure
    EXPECT_EQ(log.CountRW(), 0);
    log.AddRecord("RW", "RW");
    log.AddRecord("rw", "RW");
    log.AddRecord("RO", "RO");
    EXPECT_EQ(log.Read().CountRW(), 2);
    EXPECT_EQ(log.CountRW(), 2);
}

TEST(ErrorLogLogging, ErrorsCountPerRecordAndKeepLoggingOrder) {
    TempDir dir;
    ErrorLog log = ErrorLog::CreateMDB(dir.path());
    log.AddRecord("RA", "RA");
    log.AddRecord("RE", "RE");
    LogFindings f(log);
    f.FieldError("A [Position 1 - 2]", "[1]", "one", 1);
    f.FieldError("B [Position 3]", "[2]", "two", 2);
    log.Sync();  // a later error reaches a row already written
    f.FieldError("C [Position 4]", "[3]", "three", 3);
    log.LogCritError("Sequence of Records [Position 1 - 2]", "[RE]", "crit");
    log.Commit();
    EXPECT_EQ(test::LogScalar(log.Path(), "SELECT Errors FROM Records WHERE Rec_Num = 2"), "4");
    EXPECT_EQ(test::LogScalar(log.Path(), "SELECT Errors FROM Records WHERE Rec_Num = 1"), "0");
    EXPECT_EQ(test::LogScalar(log.Path(), "SELECT group_concat(Err_Num || ':' || Error, ',') FROM Errors"),
              "1:one,2:two,3:three,4:crit");
    EXPECT_EQ(test::LogScalar(log.Path(), "SELECT COUNT(*) FROM Errors WHERE Type IS NULL"), "3");
    EXPECT_EQ(test::LogScalar(log.Path(), "SELECT Type FROM Errors ORDER BY Err_Num DESC LIMIT 1"), "C");
    EXPECT_TRUE(log.LastErrorCritical());
    EXPECT_EQ(log.ErrorCount(), 4);
    EXPECT_EQ(log.RecordsWithErrors(), 1);
}

TEST(ErrorLogLogging, BlockTotalsMarkersAndLinks) {
    TempDir dir;
    ErrorLog log = ErrorLog::CreateMDB(dir.path());
    LogFindings f(log);
    log.AddRecord("RE", "RE");
    log.SetReIndx(log.OpenBlock("123456789"));
    for (const char* ssn : {"111111111", "222222222"}) {
        log.AddRecord("RW", "RW");
        f.SetCurrentSsn(ssn);
        f.AddTRT(0, true, 1);
        f.AddTRT(3, true, 123456789012345.0);
        f.TRTFieldError("Wages [Position 188 - 198]", "[x]", "Must be numeric.", 5, 1);
    }
    log.AddRecord("RO", "RO");
    f.AddTRU(0, true, 1);
    f.AddTRU(17, false, 250);
    f.TRUFieldError("Allocated Tips [Position 12 - 22]", "[x]", "m", 1, 2);
    log.AddRecord("RT", "RT");
    auto trt = log.Read().TRTBlock(2);
    ASSERT_TRUE(trt);
    EXPECT_EQ(trt->count, 2);
    EXPECT_EQ(trt->sums[3], 246913578024690.0);
    EXPECT_EQ(trt->errRefs[1], "111111111");  // the first record with the error keeps the marker
    EXPECT_EQ(trt->errRefs[2], "None");
    auto tru = log.Read().TRUBlock(4);
    ASSERT_TRUE(tru);
    EXPECT_EQ(tru->count, 1);
    EXPECT_EQ(tru->sums[17], 250.0);
    EXPECT_EQ(tru->errRefs[2], "222222222");
    const auto rw = log.Read().Record(4);
    EXPECT_EQ(rw->recReference + "/" + std::to_string(rw->reIndx.value_or(0)), "222222222/1");
    EXPECT_FALSE(log.Read().TRTBlock(5));  // the RT record is not linked
    // The totals reach the file when the log is closed.
    log.CloseDatabase();
    EXPECT_EQ(test::LogScalar(log.Path(), "SELECT \"0\" || '/' || F1ErrRef FROM TRT"), "2/111111111");
    EXPECT_EQ(LogReader(log.Path()).CountRW(), 2);
}

TEST(ErrorLogLogging, ViewerFindingsOnlyMarkBoxes) {
    ViewerFindings v(true);
    v.FieldError("r", "u", "e", 3);
    v.TRTFieldError("r", "u", "e", 7, 1);
    v.TRUFieldError("r", "u", "e", 9, 1);
    v.AddTRT(0, true, 1);
    v.OpenBlock("123456789");
    v.UserIdChecked(true, "RA", 12, 9);
    EXPECT_EQ(v.Marked(), (std::set<int>{3, 7}));
}

TEST(ErrorLogRecords, DeletedNumberIsNotReusedAndTextIsUtf8) {
    TempDir dir;
    {
        ErrorLog log = ErrorLog::CreateMDB(dir.path());
        log.AddRecord("RA", "RA");
        log.AddRecord("\x1a", "\x1a");
        log.DeleteLastRecord();
        EXPECT_EQ(log.CurrentRecNum(), 1);
        log.LogError("Test Aborted", "Exit was chosen", "x");  // goes to the record before
        EXPECT_EQ(log.AddRecord("RE", "RE \x80\xe9\x81"), 3);
        log.CloseDatabase();
    }
    const auto log = ErrorLog::PathIn(dir.path());
    EXPECT_EQ(test::LogScalar(log, "SELECT group_concat(Rec_Num) FROM Records"), "1,3");
    EXPECT_EQ(test::LogScalar(log, "SELECT Record FROM Records WHERE Rec_Num = 3"), "RE \u20ac\u00e9\u0081");
    EXPECT_EQ(test::LogScalar(log, "SELECT Rec_Num || ':' || Errors FROM Records WHERE Errors > 0"), "1:1");
}

TEST(ErrorLogMisc, PinOKOfTheRaFileSurvivesLaterFilesAndReadsBackReadOnly) {
    TempDir dir;
    {
        ErrorLog log = ErrorLog::CreateMDB(dir.path());
        EXPECT_FALSE(log.Read().PinOK());
        log.AddMisc("part1.txt", "01/15/2009");
        log.SetPinOK(true);
        log.AddMisc("part2.txt", "01/15/2009");  // a later file: no RA record, no PinOK
        EXPECT_TRUE(log.Read().PinOK());
        log.CloseDatabase();
    }
    EXPECT_TRUE(LogReader(ErrorLog::PathIn(dir.path())).PinOK());
}

TEST(ErrorLogFile, NewRunReplacesTheEarlierLogCompletely) {
    TempDir dir;
    {
        ErrorLog log = ErrorLog::CreateMDB(dir.path());
        log.AddRecord("RA", "old");
        log.CloseDatabase();
    }
    // A journal left behind must not be replayed into the new log.
    test::WriteFile(dir / "Errorlog.mdb-journal", std::string(4096, 'j'));
    ErrorLog::DeleteMDB(dir.path());
    EXPECT_FALSE(std::filesystem::exists(dir / "Errorlog.mdb"));
    ErrorLog log = ErrorLog::CreateMDB(dir.path());
    EXPECT_EQ(log.Read().RecordCount(), 0);
    EXPECT_EQ(log.AddRecord("RA", "new"), 1);
}

TEST(ErrorLogFile, ALogOfAnyCaseIsDeletedAndADamagedOneReplaced) {
    TempDir dir;
    test::WriteFile(dir / "ERRORLOG.MDB", "this is not a database");
    ErrorLog::DeleteMDB(dir.path());
    EXPECT_FALSE(std::filesystem::exists(dir / "ERRORLOG.MDB"));
    test::WriteFile(dir / "Errorlog.mdb", "this is not a database either, but long enough to be read");
    ErrorLog::DeleteMDB(dir.path());
    EXPECT_NO_THROW(ErrorLog::CreateMDB(dir.path()));
    EXPECT_THROW(LogReader(dir / "missing.mdb"), LogFailure);
    test::WriteFile(dir / "junk.mdb", std::string(2048, 'x'));
    EXPECT_THROW(LogReader(dir / "junk.mdb"), LogFailure);
}

TEST(ErrorLogFile, ReadOnlyLogIsRefusedAndLeftUntouched) {
    TempDir dir;
    { ErrorLog::CreateMDB(dir.path()).AddRecord("RA", "kept"); }
    auto file = dir / "Errorlog.mdb";
    std::string before = test::ReadFile(file);
    std::filesystem::permissions(file, std::filesystem::perms::owner_read | std::filesystem::perms::group_read);
    try {
        ErrorLog::DeleteMDB(dir.path());
        FAIL() << "a read-only log was deleted";
    } catch (const LogFailure& f) {
        EXPECT_NE(f.description.find("read-only"), std::string::npos) << f.description;
    }
    EXPECT_EQ(test::ReadFile(file), before);
}

TEST(ErrorLogFile, LogLockedByAnotherProcessIsRefusedAndLeftUntouched) {
    TempDir dir;
    { ErrorLog::CreateMDB(dir.path()).AddRecord("RA", "kept"); }
    auto file = dir / "Errorlog.mdb";
    std::string before = test::ReadFile(file);
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    pid_t child = fork();
    if (child == 0) {
        sqlite3* db = nullptr;
        sqlite3_open(file.c_str(), &db);
        sqlite3_exec(db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr);
        (void)!write(ready[1], "x", 1);
        sleep(5);
        _exit(0);
    }
    char c;
    ASSERT_EQ(read(ready[0], &c, 1), 1);
    try {
        ErrorLog::DeleteMDB(dir.path());
        ADD_FAILURE() << "a locked log was deleted";
    } catch (const LogFailure& f) {
        EXPECT_NE(f.description.find("in use by another program"), std::string::npos) << f.description;
    }
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    EXPECT_EQ(test::ReadFile(file), before);
}

TEST(Text1252, UpperCaseAndUtf8OfEveryByte) {
    std::string all;
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
    for (std::size_t offset = 0; offset < 16; ++offset) {  // every alignment of the block-wise paths
        std::string s = all.substr(offset) + all.substr(0, offset);
        UpperCase1252(s.data(), s.data() + s.size());
        for (std::size_t i = 0; i < s.size(); ++i) {
            auto before = static_cast<unsigned char>(all[(i + offset) % 256]);
            auto after = static_cast<unsigned char>(s[i]);
            unsigned char expected = before;
            if (before >= 'a' && before <= 'z') expected = before - 32;
            if (before >= 0xE0 && before <= 0xFE && before != 0xF7) expected = before - 32;
            if (before == 0x9A || before == 0x9C || before == 0x9E) expected = before - 16;
            if (before == 0xFF) expected = 0x9F;
            EXPECT_EQ(after, expected) << "byte " << int(before);
        }
        EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(s)), s);
    }
    EXPECT_TRUE(IsAscii("plain text, 27 characters."));
    for (std::size_t k = 0; k < 41; ++k) {
        std::string s(41, '\x7f');
        s[k] = '\x80';
        EXPECT_FALSE(IsAscii(s)) << k;
    }
    EXPECT_EQ(Cp1252ToUtf8("\x80\x9f\xa0"), "\u20ac\u0178\u00a0");
}

// Bytes that are not UTF-8 (a file name of another system) each become one replacement
// character; the bytes around them are kept, and a disguised NUL is no NUL.
TEST(Text1252, EachByteThatIsNotUtf8IsReplacedAlone) {
    const std::vector<std::tuple<std::string, std::string, std::string>> cases = {
        {"lat\xe9.txt", "lat?.txt", "lat\ufffd.txt"},             // a lead byte without its continuation
        {"a\xc0\x80" "b", "a??b", "a\ufffd\ufffdb"},                 // NUL written overlong
        {"\xed\xa0\x80x", "???x", "\ufffd\ufffd\ufffdx"},           // a surrogate
        {"\xf4\x90\x80\x80", "????", "\ufffd\ufffd\ufffd\ufffd"},    // beyond U+10FFFF
        {"end\xe2\x82", "end??", "end\ufffd\ufffd"},               // cut at the end
        {"caf\u00e9 \u20ac \U0001F600", "caf\xe9 \x80 ?", "caf\u00e9 \u20ac \U0001F600"},  // well-formed
    };
    for (const auto& [bytes, cp1252, utf8] : cases) {
        EXPECT_EQ(Utf8ToCp1252(bytes), cp1252) << bytes;
        EXPECT_EQ(ValidUtf8(bytes), utf8) << bytes;
    }
}

TEST(LogReaderTest, WindowsByRecNumAndNoLockWhileANewRunReplacesTheLog) {
    TempDir dir;
    {
        ErrorLog log = ErrorLog::CreateMDB(dir.path());
        for (int i = 1; i <= 10; ++i) {
            log.AddRecord("RW", "RW" + std::to_string(i));
            if (i == 3 || i == 7) log.LogError("r", "u", "e" + std::to_string(i));
        }
        log.CloseDatabase();
    }
    auto reader = LogReader::OpenIn(dir.path());
    ASSERT_TRUE(reader);
    auto nums = [](const std::vector<RecordRow>& rows) {
        std::string s;
        for (const auto& r : rows) s += std::to_string(r.recNum) + ":" + std::to_string(r.errors) + " ";
        return s;
    };
    EXPECT_EQ(nums(reader->RecordsWindow(RecordSet::WithErrors, 4, 5)), "7:1 ");
    EXPECT_EQ(nums(reader->RecordsWindow(RecordSet::All, 10, 3, true)), "10:0 9:0 8:0 ");
    EXPECT_EQ(reader->RecordsWithErrorsCount(), 2);
    EXPECT_EQ(reader->ErrorsOf(7).front().error, "e7");

    // A view that has read the log does not keep the next run from replacing it, and its
    // next read sees the new log.
    ErrorLog::DeleteMDB(dir.path());
    ErrorLog log = ErrorLog::CreateMDB(dir.path());
    log.AddRecord("RA", "new");
    log.LogCritError("Record Length", "3 bytes.", "short");
    log.Commit();
    EXPECT_EQ(reader->RecordCount(), 1);
    EXPECT_EQ(reader->RecordsWindow(RecordSet::WithErrors, 0, 10).front().record, "new");
    EXPECT_TRUE(reader->LastError()->critical);
}
