#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <future>

#include "common/error_limit.h"
#include "support/test_support.h"

namespace quorvex::test {
namespace {

namespace fs = std::filesystem;

// ErrSetLog.ini as found: the limit read, the file afterwards ("": left alone), whether saving 42 succeeds. A link
// is replaced, never written through; a FIFO neither waited on nor written; a read-only file kept.
TEST(ErrorLimitFile, ReadRepairedAndSaved) {
    const std::string k = "[Maximum Error Count]:", kDefault = k + "500\r\n";
    // what is there ("" none; else a file's content or a folder, FIFO, link or read-only file)
    const std::tuple<std::string, int, std::string, bool> cases[] = {
        {"", 500, kDefault, true}, {k + "1200\r\n", 1200, "", true}, {k + "25000\r\n", 25000, "", true},
        {k + "7", 7, "", true}, {k + "40\r\n" + k + "9\r\n", 40, "", true}, {k + "abc\r\n", 500, kDefault, true},
        {"500\r\n", 500, kDefault, true}, {"\n", 500, kDefault, true}, {k + "0\r\n", 500, kDefault, true},
        {k + "25001\r\n", 500, kDefault, true}, {k + "99999999999999999999\r\n", 500, kDefault, true},
        {"folder", 500, "", false}, {"FIFO", 500, "", false}, {"link", 500, kDefault, true},
        {"read-only", 500, "garbage", true}, {k + " \t 33\r\n", 33, "", true},
        {"open to others", 500, k + "9\r\n", true},  // anyone could have set it: not read, not replaced
    };
    for (const auto& [there, limit, after, saves] : cases) {
        SCOPED_TRACE(there);
        TempDir dir;
        const fs::path ini = dir / "ErrSetLog.ini";
        WriteFile(dir / "other", "not a limit\n");
        if (there == "folder") fs::create_directory(ini);
        else if (there == "FIFO") ASSERT_EQ(mkfifo(ini.c_str(), 0600), 0);
        else if (there == "link") fs::create_symlink(dir / "other", ini);
        else if (there == "read-only") WriteFile(ini, "garbage"), fs::permissions(ini, fs::perms::owner_read);
        else if (there == "open to others") WriteFile(ini, k + "9\r\n"), fs::permissions(ini, fs::perms::all);
        else if (!there.empty()) WriteFile(ini, there);
        auto read = std::async(std::launch::async, [&] { return GetErrorLimit(dir.path()); });
        if (read.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
            ADD_FAILURE() << "GetErrorLimit waits on the file";
            ::close(::open(ini.c_str(), O_RDWR | O_NONBLOCK));  // lets it go on
        }
        EXPECT_EQ(std::tuple(read.get(), after.empty() ? "" : ReadFile(ini), ReadFile(dir / "other")),
                  std::tuple(limit, after, "not a limit\n"));
        EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 2) << "a temporary file is left";
        fs::permissions(ini, fs::perms::owner_all, fs::perm_options::add);
        EXPECT_EQ(SaveErrorLimit(dir.path(), 42), saves);
        EXPECT_EQ(std::tuple(saves ? ReadFile(ini) : "", GetErrorLimit(dir.path()), fs::is_symlink(ini)),
                  std::tuple(saves ? k + "42\r\n" : "", saves ? 42 : 500, false));
    }
    TempDir dir;  // saving never writes through a link
    fs::create_symlink(dir / "absent", dir / "ErrSetLog.ini");
    EXPECT_TRUE(SaveErrorLimit(dir.path(), 42) && !fs::exists(dir / "absent"));
}

TEST(ErrorLimitEntry, DialogValidation) {
    for (auto [entry, limit] : {std::pair{"25000", 25000}, {"1", 1}, {" 12 ", 12}, {"0001", 1}, {"25001", 0}, {"0", 0},
                                {"", 0}, {"   ", 0}, {"99999999999999", 0}, {"-5", 0}, {"1a", 0}})
        EXPECT_EQ(ParseErrorLimitEntry(entry), limit) << "'" << entry << "'";
}

}  // namespace
}  // namespace quorvex::test
