#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>

#include "errorlog/error_log.h"
#include "support/test_support.h"

using namespace quorvex;
using quorvex::test::TempDir;
namespace fs = std::filesystem;

namespace {

// A process that opens `file`, runs `sql` and holds the connection until it is killed.
class Holder {
public:
    Holder(const fs::path& file, const char* sql) {
        int ready[2];
        if (pipe(ready) != 0) throw std::runtime_error("pipe");
        pid_ = fork();
        if (pid_ == 0) {
            sqlite3* db = nullptr;
            sqlite3_open(file.c_str(), &db);
            sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
            (void)!write(ready[1], "x", 1);
            pause();
            _exit(0);
        }
        char c;
        (void)!read(ready[0], &c, 1);
        close(ready[0]);
        close(ready[1]);
    }
    ~Holder() {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }

private:
    pid_t pid_;
};

// The description of the LogFailure `f` throws; empty when it throws none.
std::string Failure(const std::function<void()>& f) {
    try {
        f();
    } catch (const LogFailure& e) {
        return e.description;
    }
    return {};
}

// The same, run by a user without the administrator's right to write anywhere.
std::string FailureAsUser(const std::function<void()>& f) {
    int out[2];
    if (pipe(out) != 0) throw std::runtime_error("pipe");
    pid_t child = fork();
    if (child == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(1);
        const std::string text = Failure(f);
        (void)!write(out[1], text.data(), text.size());
        _exit(0);
    }
    close(out[1]);
    std::string text;
    char buf[512];
    for (ssize_t n; (n = read(out[0], buf, sizeof buf)) > 0;) text.append(buf, static_cast<std::size_t>(n));
    close(out[0]);
    waitpid(child, nullptr, 0);
    return text;
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

}  // namespace

// Every reason a log cannot be made is told with the folder, not as "unable to open
// database file" or "Cannot delete".
TEST(ErrorLogFolder, ALogThatCannotBeMadeIsToldWithItsFolderAndReason) {
    TempDir dir;
    test::WriteFile(dir / "file", "x");
    std::string why = Failure([&] { ErrorLog::CreateMDB(dir / "file"); });
    EXPECT_TRUE(Contains(why, (dir / "file").string() + " is not a folder")) << why;
    why = Failure([&] { ErrorLog::CreateMDB(dir / "file" / "sub"); });
    EXPECT_TRUE(Contains(why, (dir / "file" / "sub").string() + " cannot be created (Not a directory)")) << why;
    EXPECT_EQ(Failure([&] { ErrorLog::CreateMDB(dir / "made" / "now"); }), "");

    // The longest path the database takes, and one character more.
    fs::path deep = dir.path();
    while ((deep / "Errorlog.mdb").string().size() < 504 - 101) deep /= std::string(100, 'd');
    deep /= std::string(504 - (deep / "x" / "Errorlog.mdb").string().size() + 1, 'e');
    fs::create_directories(deep);
    ASSERT_EQ((deep / "Errorlog.mdb").string().size(), 504u);
    EXPECT_EQ(Failure([&] { ErrorLog::CreateMDB(deep); }), "");
    fs::path deeper = deep.string() + "f";
    fs::create_directories(deeper);
    why = Failure([&] { ErrorLog::CreateMDB(deeper); });
    EXPECT_TRUE(Contains(why, deeper.string() + ": its path has 505 characters, more than the 504")) << why;

    // A read-only folder, without a log and with one.
    const auto ro = dir / "ro";
    fs::create_directory(ro);
    fs::permissions(dir.path(), fs::perms::all);
    fs::permissions(ro, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_read |
                            fs::perms::others_exec);
    why = FailureAsUser([&] { ErrorLog::CreateMDB(ro); });
    EXPECT_TRUE(Contains(why, "cannot be created in " + ro.string() + ": Permission denied")) << why;
    fs::permissions(ro, fs::perms::all);
    { ErrorLog::CreateMDB(ro); }
    fs::permissions(ro / "Errorlog.mdb", fs::perms::all);
    fs::permissions(ro, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_read |
                            fs::perms::others_exec);
    why = FailureAsUser([&] { ErrorLog::DeleteMDB(ro); });
    EXPECT_TRUE(Contains(why, "the folder " + ro.string() + " is read-only")) << why;
    EXPECT_TRUE(fs::exists(ro / "Errorlog.mdb"));
}

// Every spelling of the name gets the in-use check before any is removed; a link is
// removed, not the file it points to.
TEST(ErrorLogReplace, EverySpellingOfTheNameIsCheckedThenAllAreReplaced) {
    TempDir dir;
    { ErrorLog::CreateMDB(dir.path()).AddRecord("RA", "upper"); }
    fs::rename(dir / "Errorlog.mdb", dir / "ERRORLOG.MDB");
    { ErrorLog::CreateMDB(dir.path()).AddRecord("RA", "mixed"); }
    for (const char* locked : {"ERRORLOG.MDB", "Errorlog.mdb"}) {
        Holder holder(dir / locked, "BEGIN EXCLUSIVE");
        std::string why = Failure([&] { ErrorLog::DeleteMDB(dir.path()); });
        EXPECT_TRUE(Contains(why, "in use by another program")) << locked << ": " << why;
        EXPECT_TRUE(fs::exists(dir / "ERRORLOG.MDB") && fs::exists(dir / "Errorlog.mdb")) << locked;
    }
    ErrorLog::DeleteMDB(dir.path());
    EXPECT_FALSE(fs::exists(dir / "ERRORLOG.MDB") || fs::exists(dir / "Errorlog.mdb"));

    fs::create_directory(dir / "elsewhere");
    { ErrorLog::CreateMDB(dir / "elsewhere"); }
    fs::create_symlink(dir / "elsewhere" / "Errorlog.mdb", dir / "errorlog.MDB");
    ErrorLog::DeleteMDB(dir.path());
    EXPECT_TRUE(fs::exists(dir / "elsewhere" / "Errorlog.mdb"));
    EXPECT_FALSE(fs::exists(fs::symlink_status(dir / "errorlog.MDB")));
}

// A log another program switched to WAL mode is not replaced while a reader holds it; once
// it is free it goes together with its WAL files.
TEST(ErrorLogReplace, AWalLogIsKeptWhileAReaderHoldsIt) {
    TempDir dir;
    { ErrorLog::CreateMDB(dir.path()).AddRecord("RA", "kept"); }
    const auto log = dir / "Errorlog.mdb";
    {
        Holder reader(log, "PRAGMA journal_mode = WAL; BEGIN; SELECT COUNT(*) FROM Records;");
        std::string why = Failure([&] { ErrorLog::DeleteMDB(dir.path()); });
        EXPECT_TRUE(Contains(why, "in use by another program")) << why;
        EXPECT_EQ(test::LogScalar(log, "SELECT Record FROM Records"), "kept");
    }
    ASSERT_TRUE(fs::exists(dir / "Errorlog.mdb-wal"));
    ErrorLog::DeleteMDB(dir.path());
    for (const char* name : {"Errorlog.mdb", "Errorlog.mdb-wal", "Errorlog.mdb-shm"})
        EXPECT_FALSE(fs::exists(dir / name)) << name;
}
