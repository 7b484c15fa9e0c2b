#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <future>

#include "common/error_limit.h"
#include "common/program_folder.h"
#include "support/test_support.h"

namespace quorvex::test {
namespace {

namespace fs = std::filesystem;

// ErrSetLog.ini as found: the limit read, what the file holds afterwards ("" when it must be
// left alone), and whether a later SaveErrorLimit(42) succeeds. A bad file is rewritten with
// the default; a link is replaced, never written through; a FIFO is neither waited on nor
// written to; a read-only file is kept.
TEST(ErrorLimitFile, ReadRepairedAndSaved) {
    const std::string kDefault = "[Maximum Error Count]:500\r\n";
    auto content = [](const char* text) { return [text](const fs::path& ini) { WriteFile(ini, text); }; };
    const std::tuple<const char*, std::function<void(const fs::path&)>, int, std::string, bool> cases[] = {
        {"missing", [](const fs::path&) {}, 500, kDefault, true},
        {"saved 1200", content("[Maximum Error Count]:1200\r\n"), 1200, "", true},
        {"largest", content("[Maximum Error Count]:25000\r\n"), 25000, "", true},
        {"no line end", content("[Maximum Error Count]:7"), 7, "", true},
        {"the first line counts", content("[Maximum Error Count]:40\r\n[Maximum Error Count]:9\r\n"), 40, "", true},
        {"garbage after the colon", content("[Maximum Error Count]:abc\r\n"), 500, kDefault, true},
        {"no colon", content("500\r\n"), 500, kDefault, true},
        {"empty", content(""), 500, kDefault, true},
        {"zero", content("[Maximum Error Count]:0\r\n"), 500, kDefault, true},
        {"above 25,000", content("[Maximum Error Count]:25001\r\n"), 500, kDefault, true},
        {"huge", content("[Maximum Error Count]:99999999999999999999\r\n"), 500, kDefault, true},
        {"a folder", [](const fs::path& ini) { fs::create_directory(ini); }, 500, "", false},
        {"a FIFO", [](const fs::path& ini) { ASSERT_EQ(mkfifo(ini.c_str(), 0600), 0); }, 500, "", false},
        {"a link", [](const fs::path& ini) { fs::create_symlink(ini.parent_path() / "other", ini); }, 500, kDefault, true},
        {"read-only garbage", [](const fs::path& ini) { WriteFile(ini, "garbage"); fs::permissions(ini, fs::perms::owner_read); },
         500, "garbage", true},
    };
    for (const auto& [name, make, limit, after, saves] : cases) {
        SCOPED_TRACE(name);
        TempDir dir;
        const fs::path ini = dir / "ErrSetLog.ini";
        WriteFile(dir / "other", "not a limit\n");
        make(ini);
        auto read = std::async(std::launch::async, [&] { return GetErrorLimit(dir.path()); });
        if (read.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
            ADD_FAILURE() << "GetErrorLimit waits on the file";
            ::close(::open(ini.c_str(), O_RDWR | O_NONBLOCK));  // lets it go on
        }
        EXPECT_EQ(read.get(), limit);
        if (!after.empty()) EXPECT_EQ(ReadFile(ini), after);
        EXPECT_EQ(ReadFile(dir / "other"), "not a limit\n");
        EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 2) << "a temporary file is left";
        fs::permissions(ini, fs::perms::owner_all, fs::perm_options::add);
        EXPECT_EQ(SaveErrorLimit(dir.path(), 42), saves);
        if (saves) EXPECT_EQ(ReadFile(ini), "[Maximum Error Count]:42\r\n");
        EXPECT_EQ(GetErrorLimit(dir.path()), saves ? 42 : 500);
        EXPECT_FALSE(fs::is_symlink(ini));
    }
    TempDir dir;
    fs::create_symlink(dir / "absent", dir / "ErrSetLog.ini");
    EXPECT_TRUE(SaveErrorLimit(dir.path(), 42));
    EXPECT_FALSE(fs::exists(dir / "absent"));
}

TEST(ErrorLimitEntry, DialogValidation) {
    for (auto [entry, limit] : {std::pair{"25000", 25000}, {"1", 1}, {" 12 ", 12}, {"0001", 1}, {"25001", 0},
                                {"0", 0}, {"", 0}, {"   ", 0}, {"99999999999999", 0}, {"-5", 0}, {"1a", 0}})
        EXPECT_EQ(ParseErrorLimitEntry(entry), limit) << "'" << entry << "'";
}

TEST(ProgramFolder, ExplicitThenEnvironmentThenProgramFolder) {
    TempDir dir;
    setenv("QUORVEX_DATA_DIR", (dir / "env").c_str(), 1);
    EXPECT_EQ(ResolveProgramFolder((dir / "a").string()), dir / "a");
    EXPECT_TRUE(fs::is_directory(dir / "a"));
    EXPECT_EQ(ResolveProgramFolder(std::nullopt), dir / "env");
    unsetenv("QUORVEX_DATA_DIR");
    EXPECT_EQ(ResolveProgramFolder(std::nullopt), ExecutableFolder());
    // Without HOME the per-user folder is the user's private runtime folder, never a shared one.
    const std::string home = getenv("HOME") ? getenv("HOME") : "";
    const char* runtime = getenv("XDG_RUNTIME_DIR");
    const std::string savedRuntime = runtime ? runtime : "";
    unsetenv("HOME");
    setenv("XDG_RUNTIME_DIR", dir.path().c_str(), 1);
    EXPECT_EQ(UserDataFolder(), dir / "quorvex");
    unsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(UserDataFolder(), fs::path());
    setenv("HOME", home.c_str(), 1);
    if (runtime) setenv("XDG_RUNTIME_DIR", savedRuntime.c_str(), 1);
    EXPECT_EQ(ProgramFolderProblem(dir / "new" / "sub"), "");
    EXPECT_TRUE(fs::is_directory(dir / "new" / "sub"));
}

}  // namespace
}  // namespace quorvex::test
