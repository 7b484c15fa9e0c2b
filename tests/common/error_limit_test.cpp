#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <future>

#include "common/error_limit.h"
#include "common/program_folder.h"
#include "support/test_support.h"

using namespace quorvex;
using quorvex::test::TempDir;

TEST(ErrorLimitFile, ReadAndRepaired) {
    struct Case {
        const char* name;
        const char* content;  // nullptr: no file
        int limit;
        bool rewritten;
    };
    const Case cases[] = {
        {"missing", nullptr, 500, true},
        {"saved 1200", "[Maximum Error Count]:1200\r\n", 1200, false},
        {"largest", "[Maximum Error Count]:25000\r\n", 25000, false},
        {"no line end", "[Maximum Error Count]:7", 7, false},
        {"only the first line counts", "[Maximum Error Count]:40\r\n[Maximum Error Count]:9\r\n", 40, false},
        {"garbage after the colon", "[Maximum Error Count]:abc\r\n", 500, true},
        {"no colon", "500\r\n", 500, true},
        {"empty", "", 500, true},
        {"zero", "[Maximum Error Count]:0\r\n", 500, true},
        {"above 25,000", "[Maximum Error Count]:25001\r\n", 500, true},
        {"huge", "[Maximum Error Count]:99999999999999999999\r\n", 500, true},
    };
    for (const auto& c : cases) {
        TempDir dir;
        if (c.content) test::WriteFile(dir / "ErrSetLog.ini", c.content);
        EXPECT_EQ(GetErrorLimit(dir.path()), c.limit) << c.name;
        if (c.rewritten) {
            EXPECT_EQ(test::ReadFile(dir / "ErrSetLog.ini"), "[Maximum Error Count]:500\r\n") << c.name;
        }
    }
}

TEST(ErrorLimitFile, SavedAsOneLine) {
    TempDir dir;
    EXPECT_TRUE(SaveErrorLimit(dir.path(), 25000));
    EXPECT_EQ(test::ReadFile(dir / "ErrSetLog.ini"), "[Maximum Error Count]:25000\r\n");
    EXPECT_EQ(GetErrorLimit(dir.path()), 25000);
}

TEST(ErrorLimitFile, ADirectoryInItsPlaceGivesTheDefault) {
    TempDir dir;
    std::filesystem::create_directory(dir / "ErrSetLog.ini");
    EXPECT_EQ(GetErrorLimit(dir.path()), 500);
    EXPECT_FALSE(SaveErrorLimit(dir.path(), 10));
}

// A FIFO in its place is neither waited on nor written to (a writer would wait for a reader).
TEST(ErrorLimitFile, AFifoInItsPlaceGivesTheDefaultWithoutHanging) {
    TempDir dir;
    const auto fifo = dir / "ErrSetLog.ini";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    auto limit = std::async(std::launch::async, [&] { return GetErrorLimit(dir.path()); });
    if (limit.wait_for(std::chrono::seconds(5)) == std::future_status::timeout) {
        ADD_FAILURE() << "GetErrorLimit waits on a FIFO";
        ::close(::open(fifo.c_str(), O_RDONLY | O_NONBLOCK));  // lets a blocked writer go on
    }
    EXPECT_EQ(limit.get(), 500);
    EXPECT_FALSE(SaveErrorLimit(dir.path(), 10));
    EXPECT_TRUE(std::filesystem::is_fifo(std::filesystem::symlink_status(fifo)));
}

// Replacing never writes through a symbolic link; a file marked read-only is kept.
TEST(ErrorLimitFile, ALinkIsReplacedAndItsTargetLeftAlone) {
    TempDir dir;
    const auto ini = dir / "ErrSetLog.ini";
    test::WriteFile(dir / "elsewhere.txt", "not a limit\n");
    std::filesystem::create_symlink(dir / "elsewhere.txt", ini);
    EXPECT_EQ(GetErrorLimit(dir.path()), 500);
    EXPECT_EQ(test::ReadFile(dir / "elsewhere.txt"), "not a limit\n");
    EXPECT_FALSE(std::filesystem::is_symlink(ini));
    EXPECT_EQ(test::ReadFile(ini), "[Maximum Error Count]:500\r\n");

    std::filesystem::remove(ini);
    std::filesystem::create_symlink(dir / "absent.txt", ini);
    EXPECT_TRUE(SaveErrorLimit(dir.path(), 42));
    EXPECT_FALSE(std::filesystem::exists(dir / "absent.txt"));
    EXPECT_EQ(GetErrorLimit(dir.path()), 42);

    test::WriteFile(ini, "garbage");
    std::filesystem::permissions(ini, std::filesystem::perms::owner_read);
    EXPECT_EQ(GetErrorLimit(dir.path()), 500);
    EXPECT_EQ(test::ReadFile(ini), "garbage");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2) << "a temporary file is left";
}

TEST(ErrorLimitEntry, DialogValidation) {
    const std::pair<const char*, int> cases[] = {
        {"25000", 25000}, {"1", 1},    {" 12 ", 12}, {"0001", 1},          {"25001", 0}, {"0", 0},
        {"00", 0},        {"", 0},     {"   ", 0},   {"99999999999999", 0}, {"-5", 0},   {"1a", 0},
    };
    for (auto [entry, limit] : cases) EXPECT_EQ(ParseErrorLimitEntry(entry), limit) << "'" << entry << "'";
}

TEST(ProgramFolder, ExplicitThenEnvironmentThenProgramFolder) {
    TempDir dir;
    EXPECT_EQ(ResolveProgramFolder((dir / "a").string()), dir / "a");
    EXPECT_TRUE(std::filesystem::is_directory(dir / "a"));
    setenv("QUORVEX_DATA_DIR", (dir / "env").c_str(), 1);
    EXPECT_EQ(ResolveProgramFolder(std::nullopt), dir / "env");
    EXPECT_EQ(ResolveProgramFolder((dir / "b").string()), dir / "b");
    unsetenv("QUORVEX_DATA_DIR");
    EXPECT_EQ(ResolveProgramFolder(std::nullopt), ExecutableFolder());
    setenv("XDG_DATA_HOME", (dir / "xdg").c_str(), 1);
    EXPECT_EQ(UserDataFolder(), dir / "xdg" / "quorvex");
    unsetenv("XDG_DATA_HOME");
}

// Without HOME the per-user folder is the user's private runtime folder, never a shared one.
TEST(ProgramFolder, WithoutHomeOnlyAPrivateFolderServes) {
    TempDir dir;
    const std::string home = getenv("HOME") ? getenv("HOME") : "";
    const char* runtime = getenv("XDG_RUNTIME_DIR");
    const std::string savedRuntime = runtime ? runtime : "";
    unsetenv("HOME");
    setenv("XDG_RUNTIME_DIR", dir.path().c_str(), 1);
    EXPECT_EQ(UserDataFolder(), dir / "quorvex");
    unsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(UserDataFolder(), std::filesystem::path());
    setenv("HOME", home.c_str(), 1);
    if (runtime) setenv("XDG_RUNTIME_DIR", savedRuntime.c_str(), 1);

    test::WriteFile(dir / "file", "x");
    EXPECT_EQ(ProgramFolderProblem(dir / "file"), "The program folder " + (dir / "file").string() + " is not a folder.");
    EXPECT_EQ(ProgramFolderProblem(dir / "new" / "sub"), "");
    EXPECT_TRUE(std::filesystem::is_directory(dir / "new" / "sub"));
}
