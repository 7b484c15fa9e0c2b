#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <optional>
#include <thread>
#include <string>
#include <tuple>

#include "errorlog/error_log.h"
#include "errorlog/log_findings.h"
#include "errorlog/log_writer.h"
#include "support/db_faults.h"
#include "support/test_support.h"

using namespace quorvex;
using quorvex::test::TempDir;
namespace fs = std::filesystem;

namespace {

// Another program's connection to `file` that has run `sql`, held until the object goes.
struct Holder {
    Holder(const fs::path& file, const char* sql) {
        sqlite3_open(file.c_str(), &db);
        sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
    }
    ~Holder() { sqlite3_close_v2(db); }
    sqlite3* db = nullptr;
};

// Whether a new reader of `file` is refused at once: a writer holds its pending lock.
bool NewReaderRefused(const fs::path& file) {
    Holder probe(file, nullptr);
    return sqlite3_exec(probe.db, "SELECT COUNT(*) FROM Records", nullptr, nullptr, nullptr) == SQLITE_BUSY;
}

// What the LogFailure `f` throws says ("": none); with `asUser` as a user who cannot write everywhere.
std::string Failure(const std::function<void()>& f, bool asUser = false) {
    const bool drop = asUser && geteuid() == 0;
    if (drop && (setegid(65534) != 0 || seteuid(65534) != 0)) return "cannot change the user";
    std::string why;
    try {
        f();
    } catch (const LogFailure& e) {
        why = e.description;
    }
    if (drop && (seteuid(0) != 0 || setegid(0) != 0)) std::abort();
    return why;
}

}  // namespace

TEST(ErrorLog, TablesAndColumns) {
    TempDir dir;
    ErrorLog::CreateMDB(dir.path()).CloseDatabase();
    auto columns = [&](const std::string& table) {
        return test::LogScalar(dir / "Errorlog.mdb",
                               "SELECT group_concat(name, ' ') FROM pragma_table_info('" + table + "')");
    };
    EXPECT_EQ(columns("Misc"), "Data_Id Path PinOK RptDate");
    EXPECT_EQ(columns("Records"), "Rec_Num ID RE_Indx Errors Record RecReference");
    EXPECT_EQ(columns("Errors"), "Err_Num Type Rec_Num Reference User_Entry Error");
    for (auto [table, fields] : {std::pair{"TRT", 24}, std::pair{"TRU", 17}}) {
        std::string expected = "Indx RE_EIN 0";
        for (int n = 1; n <= fields; ++n)
            expected.append(" ").append(std::to_string(n)).append(" F").append(std::to_string(n)).append("ErrRef");
        EXPECT_EQ(columns(table), expected);
    }
    // Whoever made a file, its schema is neither written behind the engine's back nor trusted.
    sql::Database db((dir / "Errorlog.mdb").string(), false);
    EXPECT_THROW(db.exec("PRAGMA writable_schema = ON; DELETE FROM sqlite_schema"), sql::DbError);
    auto trusted = db.prepare("PRAGMA trusted_schema");
    EXPECT_TRUE(trusted.step() && trusted.int64(0) == 0);
}

// A small run through the log's own calls: its rows after the commit, and the counters it keeps.
TEST(ErrorLog, RowsAndCountersOfARun) {
    TempDir dir;
    ErrorLog log = ErrorLog::CreateMDB(dir.path());
    LogFindings f(log);
    log.AddMisc("part1.txt", "01/15/2009");
    log.AddRecord("RA", "RA \x80\xe9");
    log.SetPinOK(true);
    log.AddRecord("RE", "RE");
    f.OpenBlock("123456789");
    for (const char* ssn : {"111111111", "222222222"}) {
        log.AddRecord("RW", "RW");
        f.SetCurrentSsn(ssn);
        f.AddTRT(0, true, 1);
        f.AddTRT(3, true, 123456789012345.0);
        f.TRTFieldError("Wages", "[x]", "w", 5, 1);  // the first record with the error keeps the marker
        log.Sync();  // later rows reach rows already written
    }
    log.AddRecord("RO", "RO");
    f.AddTRU(0, true, 1);
    f.AddTRU(17, false, 250);
    f.TRUFieldError("Tips", "[x]", "t", 1, 2);
    log.AddRecord("rw", "RW");
    log.AddRecord("rW", "RW");
    log.DeleteLastRecord();  // its number is not used again
    log.AddMisc("part2.txt", "01/15/2009");  // a later file: no RA record, no PinOK
    log.AddRecord("RT", "RT");
    log.LogCritError("Seq", "[RT]", "crit");
    EXPECT_EQ(test::LogScalar(log.Path(), "SELECT COUNT(*) FROM Records"), "0");  // nothing committed yet
    log.Commit();
    const std::pair<const char*, const char*> rows[] = {
        {"SELECT group_concat(Rec_Num || ID || ' ' || Errors || ' ' || COALESCE(RE_Indx, '-') || ' ' || "
         "COALESCE(RecReference, '-'), ', ') FROM Records",
         "1RA 0 - -, 2RE 0 1 123456789, 3RW 1 1 111111111, 4RW 1 1 222222222, 5RO 1 1 222222222, 6rw 0 - -, 8RT 1 - -"},
        {"SELECT group_concat(Err_Num || COALESCE(Type, '-') || Rec_Num || Error, ' ') FROM Errors",
         "1-3w 2-4w 3-5t 4C8crit"},
        {"SELECT t.\"0\" || ' ' || t.\"3\" || ' ' || t.F1ErrRef || ' ' || t.F2ErrRef || ' ' || t.RE_EIN || ' ' || "
         "u.\"0\" || ' ' || u.\"17\" || ' ' || u.F1ErrRef || ' ' || u.F2ErrRef FROM TRT t, TRU u",
         "2 246913578024690.0 111111111 None 123456789 1 250.0 None 222222222"},
        {"SELECT group_concat(Path || COALESCE(PinOK, '-'), ' ') FROM Misc", "part1.txt1 part2.txt-"},
        {"SELECT Record FROM Records WHERE Rec_Num = 1", "RA \u20ac\u00e9"},
    };
    for (const auto& [sql, expected] : rows) EXPECT_EQ(test::LogScalar(log.Path(), sql), expected) << sql;
    EXPECT_EQ(std::tuple(log.RecordCount(), log.RecordsWithErrors(), log.ErrorCount(), log.CountRW(),
                         log.LastErrorCritical(), log.Read().PinOK()),
              std::tuple(7, 4, 4, 3, true, true));
    log.CloseDatabase();
    EXPECT_THROW(log.LogError("r", "u", "e"), LogFailure);
}

// Errors go several to a statement, split where their counter changes its width (after 1, 127
// and 32,767): the file is byte for byte the one that one row to a statement writes.
TEST(ErrorLog, GroupedErrorsLeaveTheFileOfOneRowToAStatement) {
    auto file = [](bool grouped) {
        TempDir dir;
        LogWriter w(LogFile::PathIn(dir.path()).string(), LogFile::Create(dir.path()));
        w.Write(rows::Record{1, "RW", std::nullopt, 0, "RW", std::nullopt});
        for (int n = 0; n < 32800; ++n) {
            if (!grouped) w.Drain();  // each row written at once
            w.Write(rows::Error{n % 5 == 0, 1, "r", std::to_string(n), "e"});
        }
        w.Drain();
        w.Close();
        return test::ReadFile(LogFile::PathIn(dir.path()));
    };
    EXPECT_TRUE(file(true) == file(false));
}

// What the log keeps of its records with errors and of its RE records, for the run history, is
// what the file gives: the first 16 characters of the text last written, NUL and code page
// letters included, and nothing of a record taken back; the history takes it from there, or
// from the file when the log kept too few.
TEST(ErrorLog, KeptKeysOfRecordsWithErrorsAreThoseOfTheFile) {
    using namespace std::string_literals;
    TempDir dir;
    ErrorLog log = ErrorLog::CreateMDB(dir.path());
    LogFindings f(log);
    log.AddRecord("RE", "RE  123456789ABCDEFG");
    f.OpenBlock("123456789");
    log.AddRecord("RW",
                  "RW\0\xC9"
                  "45678901234567890"s);
    f.AddTRT(0, true, 1);
    log.LogError("r", "u", "a");
    log.LogError("r", "u", "b");
    log.AddRecord("RW", "RW111");
    log.LogError("r", "u", "c");
    log.Sync();
    log.SetRecordText("RW2222222222222222222");
    log.AddRecord("RT", "RT");
    log.AddRecord("RW", "RW333");
    log.LogError("r", "u", "d");
    log.DeleteLastRecord();
    log.AddRecord("RW", "RW444");
    log.LogError("r", "u", "e");
    log.AddRecord("re", "re  987654321ABCDEFG");  // an RE record that joins the block before
    f.LinkToLastBlock();
    log.Sync();
    auto keyed = [&](KeyedErrors* kept) {
        std::string rows;
        log.Read().ForEachKeyedRow(
            [&](ReportRow& r, const BlockRecords&) {
                rows += std::to_string(r.record.recNum) + r.record.id + std::to_string(r.record.reIndx.value_or(0)) +
                        "[" + r.record.record + "]" + r.error.error + " ";
                return true;
            },
            kept);
        return rows;
    };
    const std::string fromFile = keyed(nullptr);
    EXPECT_EQ(fromFile,
              "2RW1[RW\0\xC9"
              "456789012345]a 2RW1[RW\0\xC9"
              "456789012345]b 3RW0[RW22222222222222]c 6RW0[RW444]e "s);
    // What the log kept is not read back: a change behind its back does not show.
    log.Commit();
    Holder(log.Path(), "UPDATE Records SET ID = 'RT', Record = 'RT' WHERE Rec_Num IN (2, 3)");
    KeyedErrors kept = log.Kept();
    ASSERT_TRUE(kept.Whole());
    // The blocks' RE records as kept answer as the file's do, of their first characters.
    const BlockRecords &memory = kept, &file = log.Read();
    for (std::int64_t reIndx : {1, 2})
        for (std::int64_t upTo : {0, 1, 6, 7}) {
            const auto inFile = file.BlockRecord(reIndx, upTo);
            EXPECT_EQ(memory.BlockRecord(reIndx, upTo), inFile ? inFile->substr(0, 16) : std::optional<std::string>())
                << reIndx << " " << upTo;
        }
    EXPECT_EQ(keyed(&kept), fromFile);
    // More RE records than it keeps (a submission of many employers) leave the history to read the file.
    for (std::size_t n = 2; n < KeyedErrors::kMost; ++n) log.AddRecord("RE", "RE  123456789");
    log.Sync();
    EXPECT_TRUE(log.Kept().Whole());
    log.AddRecord("RE", "RE  123456789");
    log.Sync();
    EXPECT_FALSE(log.Kept().Whole());
}

// The totals of a block go to their own table when the next block opens; a reader never opens the log for
// writing, so that a log on a disk mounted read-only is still read.
TEST(ErrorLog, BlockTotalsKeepTheirTableAndReadersOnlyRead) {
    TempDir dir;
    {
        ErrorLog log = ErrorLog::CreateMDB(dir.path());
        LogFindings f(log);
        log.AddRecord("RE", "RE");
        f.OpenBlock("111111111");
        log.AddRecord("RO", "RO");
        f.AddTRU(17, true, 250);
        f.OpenBlock("222222222");
    }
    sql::PlantFault({sql::FaultAt::Open, "", 1, SQLITE_READONLY, true, true});
    std::int64_t last = 0;
    EXPECT_EQ(Failure([&] { last = LogReader(LogFile::PathIn(dir.path())).LastRecNum(); }), "");
    EXPECT_FALSE(sql::PlantFault({}));
    EXPECT_EQ(last, 2);
    EXPECT_EQ(test::LogScalar(dir / "Errorlog.mdb", "SELECT \"17\" FROM TRU WHERE Indx = 1"), "250.0");
}

// Every spelling of the old log goes with its journal and WAL; one in use or read-only keeps all.
TEST(LogFile, ReplacingTheLastLog) {
    TempDir dir;
    auto make = [&](const char* name) {
        ErrorLog::CreateMDB(dir.path()).AddRecord("RA", name);
        fs::rename(dir / "Errorlog.mdb", dir / name);
    };
    auto replace = [&] { return Failure([&] { LogFile::DeleteMDB(dir.path()); }); };
    make("ERRORLOG.MDB");
    make("errorlog.mdb");
    for (const char* locked : {"ERRORLOG.MDB", "errorlog.mdb"}) {
        Holder holder(dir / locked, "BEGIN EXCLUSIVE");
        EXPECT_NE(replace().find("is in use by another program"), std::string::npos);
        EXPECT_TRUE(fs::exists(dir / "ERRORLOG.MDB") && fs::exists(dir / "errorlog.mdb")) << locked;
    }
    {
        Holder reader(dir / "errorlog.mdb", "PRAGMA journal_mode = WAL; BEGIN; SELECT COUNT(*) FROM Records;");
        EXPECT_NE(replace().find("in use by another program"), std::string::npos);
        EXPECT_EQ(test::LogScalar(dir / "errorlog.mdb", "SELECT Record FROM Records"), "errorlog.mdb");
    }
    fs::permissions(dir / "ERRORLOG.MDB", fs::perms::owner_read);
    EXPECT_NE(replace().find("is read-only and cannot be replaced"), std::string::npos);
    fs::permissions(dir / "ERRORLOG.MDB", fs::perms::owner_all);
    for (const char* left : {"errorlog.mdb-wal", "errorlog.mdb-shm", "ERRORLOG.MDB-journal"})
        test::WriteFile(dir / left, "");
    test::WriteFile(dir / "Errorlog.MDB", "damaged");
    EXPECT_EQ(replace(), "");
    EXPECT_TRUE(fs::is_empty(dir.path()));

    fs::create_directory(dir / "elsewhere");
    ErrorLog::CreateMDB(dir / "elsewhere").CloseDatabase();
    fs::create_symlink(dir / "elsewhere" / "Errorlog.mdb", dir / "errorlog.MDB");
    test::WriteFile(dir / "Errorlog.mdb-journal", std::string(4096, 'j'));  // never replayed into a new log
    EXPECT_EQ(replace(), "");
    EXPECT_FALSE(fs::is_symlink(dir / "errorlog.MDB"));
    EXPECT_EQ(ErrorLog::CreateMDB(dir.path()).Read().RecordCount(), 0);
    EXPECT_TRUE(fs::exists(dir / "elsewhere" / "Errorlog.mdb"));
}

// Every reason a log cannot be made is told with the folder and its cause.
TEST(LogFile, ALogThatCannotBeMadeIsToldWithItsFolderAndReason) {
    TempDir dir;
    test::WriteFile(dir / "file", "x");
    fs::path deep = dir.path();
    while ((deep / "Errorlog.mdb").string().size() < 504 - 101) deep /= std::string(100, 'd');
    deep /= std::string(504 - (deep / "x" / "Errorlog.mdb").string().size() + 1, 'e');  // the longest path
    fs::create_directories(deep.string() + "f");
    ErrorLog::CreateMDB(dir / "ro").CloseDatabase();
    fs::create_directories(dir / "ro-empty");
    fs::permissions(dir / "ro" / "Errorlog.mdb", fs::perms::all);
    fs::permissions(dir.path(), fs::perms::all);  // the other user reaches the folders in it
    for (const char* ro : {"ro", "ro-empty"})  // read-only folders
        fs::permissions(dir / ro, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_read |
                                      fs::perms::others_exec);
    const std::pair<fs::path, std::string> cases[] = {
        {dir / "made" / "now", ""},
        {deep, ""},
        {dir / "file", (dir / "file").string() + " is not a folder"},
        {dir / "file" / "sub", (dir / "file" / "sub").string() + " cannot be created (Not a directory)"},
        {deep.string() + "f", "its path has 505 characters, more than the 504"},
        {dir / "ro", "the folder " + (dir / "ro").string() + " is read-only"},
        {dir / "ro-empty", "cannot be created in " + (dir / "ro-empty").string() + ": Permission denied"},
    };
    for (const auto& [folder, why] : cases) {
        const bool asUser = folder.string().starts_with((dir / "ro").string());
        const std::string got = Failure([&] { ErrorLog::CreateMDB(folder); }, asUser);
        EXPECT_TRUE(why.empty() ? got.empty() : got.find(why) != std::string::npos) << folder << ": " << got;
    }
    EXPECT_TRUE(fs::exists(dir / "ro" / "Errorlog.mdb"));
}

// Windows keyed by Rec_Num; no lock between calls: a new run replaces the log under an open view.
TEST(ErrorLog, ReaderWindowsAndNoLockBetweenCalls) {
    TempDir dir;
    {
        ErrorLog log = ErrorLog::CreateMDB(dir.path());
        for (int i = 1; i <= 10; ++i) {
            log.AddRecord("RW", "RW" + std::to_string(i));
            if (i == 3 || i == 7) log.LogError("r", "u", "e");
        }
    }
    auto reader = LogReader::OpenIn(dir.path());
    EXPECT_EQ(reader->RecordsWindow(RecordSet::WithErrors, 6, 5, true).at(0).record, "RW3");
    EXPECT_EQ(reader->KeyRuns(RecordSet::All), (std::vector<KeyRun>{{1, 10}}));
    EXPECT_EQ(reader->KeyRuns(RecordSet::WithErrors), (std::vector<KeyRun>{{3, 1}, {7, 1}}));
    LogFile::DeleteMDB(dir.path());
    ErrorLog::CreateMDB(dir.path()).AddRecord("RA", "new");
    EXPECT_EQ(reader->RecordsWindow(RecordSet::All, 0, 5).at(0).record, "new");
}

// The in-progress mark lasts from the log's creation until its run's end is written; a program killed in the middle
// of a transaction leaves a hot journal that a reader rolls back to the last commit, mark and all. The log is
// private whatever the umask, and its writer waits for another program's reader instead of failing.
TEST(ErrorLog, InProgressMarkHotJournalPrivacyAndBusyReaders) {
    TempDir dir;
    const fs::path file = dir / "Errorlog.mdb";
    const mode_t old = ::umask(0);
    std::optional<ErrorLog> log(ErrorLog::CreateMDB(dir.path()));
    ::umask(old);
    EXPECT_EQ(fs::status(file).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    log->AddRecord("RA", "RA");
    log->Commit();
    EXPECT_TRUE(LogReader(file).RunInProgress());
    {
        // A reader of another program holds the file while the writer commits; it lets go once the writer
        // waits for it, that is once the writer's pending lock refuses a new reader.
        Holder reader(file, "BEGIN; SELECT COUNT(*) FROM Records;");
        std::atomic<bool> committed{false};
        std::thread release([&] {
            while (!committed && !NewReaderRefused(file)) std::this_thread::yield();
            sqlite3_exec(reader.db, "COMMIT", nullptr, nullptr, nullptr);
        });
        log->AddRecord("RE", "RE");
        EXPECT_EQ(Failure([&] { log->Commit(); log->Sync(); }), "");
        committed = true;
        release.join();
    }
    // Killed while writing: a copy of the file and its hot journal as the program left them.
    log->AddRecord("RW", "RW");
    log->Sync();
    fs::create_directory(dir / "killed");
    fs::copy_file(file, dir / "killed" / "Errorlog.mdb");
    fs::copy_file(fs::path(file.string() + "-journal"), dir / "killed" / "Errorlog.mdb-journal");
    const LogReader killed(dir / "killed" / "Errorlog.mdb");
    EXPECT_EQ(std::tuple(killed.RunInProgress(), killed.LastRecNum()), std::tuple(true, 2));
    log->MarkEnded();
    log->Commit();
    EXPECT_FALSE(LogReader(file).RunInProgress());
    log.reset();
    // A log closed without a written end (a run that failed before its first record) is ended by closing it.
    ErrorLog::CreateMDB(dir / "killed").CloseDatabase();
    EXPECT_FALSE(LogReader(dir / "killed" / "Errorlog.mdb").RunInProgress());
}
