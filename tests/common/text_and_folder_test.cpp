#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

#include "common/program_folder.h"
#include "common/terminal_text.h"
#include "common/text_1252.h"
#include "support/test_support.h"

namespace quorvex {
namespace {

TEST(Text1252, StrayBytesAreReplacedOneEachAndTheBytesAroundThemKept) {
    const std::string fffd = "\xEF\xBF\xBD";
    const struct {
        std::string in, valid, cp1252;
    } rows[] = {
        {"lat\xE9x.txt", "lat" + fffd + "x.txt", "lat?x.txt"},
        {"a\xC0\x80z", "a" + fffd + fffd + "z", "a??z"},            // an overlong NUL is no NUL
        {"\xED\xA0\x80", fffd + fffd + fffd, "???"},                 // a surrogate
        {"cut\xE2\x82", "cut" + fffd + fffd, "cut??"},               // a sequence cut short
        {"\xE2\x82\xAC 5 \xC3\xA9", "\xE2\x82\xAC 5 \xC3\xA9", "\x80 5 \xE9"},
        {"\xE4\xB8\xAD", "\xE4\xB8\xAD", "?"},                       // outside the code page
    };
    for (const auto& r : rows) {
        EXPECT_EQ(ValidUtf8(r.in), r.valid) << r.in;
        EXPECT_EQ(Utf8ToCp1252(r.in), r.cp1252) << r.in;
    }
    EXPECT_EQ(Cp1252ToUtf8("\x80\xE9\x9F"), "\xE2\x82\xAC\xC3\xA9\xC5\xB8");
    std::string s = "abc\xE9\xFF\x9A z";
    UpperCase1252(s.data(), s.data() + s.size());
    EXPECT_EQ(s, "ABC\xC9\x9F\x8A Z");
}

// A byte that is not UTF-8 and a C1 control escaped (the cases of each control character are
// one table in the report tests, shared with the HTML page).
TEST(TerminalText, MessagesAndValuesEscaped) {
    const std::string in = "\x7F \xC2\x9B[m \xC3\xA9 \xFF\xEF\xBF\xBD \xC2\x9F \xC2\xA0";
    const std::string escaped = "\\x7F \\u009B[m \xC3\xA9 \\xFF\xEF\xBF\xBD \\u009F \xC2\xA0";
    EXPECT_EQ(TerminalText(in), escaped);
    EXPECT_EQ(TerminalValue(in), escaped);
    // Through a stream, written in pieces that cut a character and a CR LF.
    std::ostringstream to;
    {
        TerminalStreamBuf buffer(to);
        std::ostream out(&buffer);
        for (const char* piece : {"ab\xC3", "\xA9\r", "\n\x1B", "c\r"}) out << piece;
        EXPECT_EQ(to.str(), "ab\xC3\xA9\r\n");
    }
    EXPECT_EQ(to.str(), "ab\xC3\xA9\r\n\\x1Bc\\x0D");
}

// The per-user folder never falls back to a folder that others could prepare.
TEST(ProgramFolder, PerUserFolderAndOverrides) {
    test::TempDir dir;
    const auto set = [](const char* name, const std::string& value) {
        if (value.empty()) ::unsetenv(name);
        else ::setenv(name, value.c_str(), 1);
    };
    const std::string saved[] = {std::getenv("XDG_DATA_HOME") ? std::getenv("XDG_DATA_HOME") : "",
                                 std::getenv("HOME") ? std::getenv("HOME") : "",
                                 std::getenv("XDG_RUNTIME_DIR") ? std::getenv("XDG_RUNTIME_DIR") : "",
                                 std::getenv("QUORVEX_DATA_DIR") ? std::getenv("QUORVEX_DATA_DIR") : ""};
    set("XDG_DATA_HOME", "");
    set("HOME", (dir / "home").string());
    EXPECT_EQ(UserDataFolder(), dir / "home/.local/share/quorvex");
    set("HOME", "");
    set("XDG_RUNTIME_DIR", (dir / "run").string());
    EXPECT_EQ(UserDataFolder(), dir / "run/quorvex");
    set("XDG_RUNTIME_DIR", "");
    EXPECT_EQ(UserDataFolder(), std::filesystem::path());

    set("QUORVEX_DATA_DIR", (dir / "env").string());
    EXPECT_EQ(ResolveProgramFolder(std::nullopt), dir / "env");
    EXPECT_EQ(ResolveProgramFolder((dir / "given").string()), dir / "given");
    EXPECT_TRUE(std::filesystem::is_directory(dir / "given"));
    test::WriteFile(dir / "file", "x");
    EXPECT_NE(ProgramFolderProblem(dir / "file").find((dir / "file").string()), std::string::npos);
    EXPECT_EQ(ProgramFolderProblem(dir / "given"), "");

    set("XDG_DATA_HOME", saved[0]);
    set("HOME", saved[1]);
    set("XDG_RUNTIME_DIR", saved[2]);
    set("QUORVEX_DATA_DIR", saved[3]);
}

}  // namespace
}  // namespace quorvex
