#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <optional>
#include <sstream>
#include <tuple>

#include "common/environment.h"
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
                                 std::getenv("XDG_RUNTIME_DIR") ? std::getenv("XDG_RUNTIME_DIR") : ""};
    set("XDG_DATA_HOME", "");
    set("HOME", (dir / "home").string());
    EXPECT_EQ(UserDataFolder(), dir / "home/.local/share/quorvex");
    set("HOME", "");
    set("XDG_RUNTIME_DIR", (dir / "run").string());
    EXPECT_EQ(UserDataFolder(), dir / "run/quorvex");
    set("XDG_RUNTIME_DIR", "");
    EXPECT_EQ(UserDataFolder(), std::filesystem::path());

    EXPECT_EQ(ResolveProgramFolder((dir / "given").string()), dir / "given");
    EXPECT_TRUE(std::filesystem::is_directory(dir / "given"));
    test::WriteFile(dir / "file", "x");
    EXPECT_NE(ProgramFolderProblem(dir / "file").find((dir / "file").string()), std::string::npos);
    EXPECT_EQ(ProgramFolderProblem(dir / "given"), "");

    set("XDG_DATA_HOME", saved[0]);
    set("HOME", saved[1]);
    set("XDG_RUNTIME_DIR", saved[2]);
}

// What the environment asks for, each variable read as the programs document it.
TEST(Environment, VariablesAsDocumented) {
    const auto read = [](std::map<std::string, std::string> vars) {
        return ReadEnvironment([vars = std::move(vars)](const char* name) -> const char* {
            const auto at = vars.find(name);
            return at == vars.end() ? nullptr : at->second.c_str();
        });
    };
    const Environment none = read({});
    EXPECT_EQ(std::tuple(none.dataDir, none.writerThread, none.historyRuns, none.timeline, none.hideSsns,
                         none.fingerprintKey, none.unattended),
              std::tuple(std::nullopt, true, std::nullopt, "", false, std::nullopt, false));
    const Environment set = read({{"QUORVEX_DATA_DIR", "/d"}, {"QUORVEX_THREADS", "1"}, {"QUORVEX_TIMELINE", "/t"},
                                  {"QUORVEX_REDACT", "yes"}, {"QUORVEX_FINGERPRINT_KEY", "k"},
                                  {"QUORVEX_UNATTENDED", "1"}});
    EXPECT_EQ(std::tuple(set.dataDir, set.writerThread, set.timeline, set.hideSsns, set.fingerprintKey, set.unattended),
              std::tuple("/d", false, "/t", true, "k", true));
    const Environment empty = read({{"QUORVEX_DATA_DIR", ""}, {"QUORVEX_THREADS", "2"}, {"QUORVEX_REDACT", "0"},
                                    {"QUORVEX_FINGERPRINT_KEY", ""}, {"QUORVEX_UNATTENDED", "0"}});
    EXPECT_EQ(std::tuple(empty.dataDir, empty.writerThread, empty.hideSsns, empty.fingerprintKey, empty.unattended),
              std::tuple(std::nullopt, true, false, std::nullopt, false));
    const std::pair<const char*, std::optional<int>> runs[] = {{"7", 7},          {"0", 0},          {"12x", {}},
                                                               {"-1", {}},        {"", {}},          {"10000", 10000},
                                                               {"10001", {}}};
    for (const auto& [value, keep] : runs) EXPECT_EQ(read({{"QUORVEX_HISTORY_RUNS", value}}).historyRuns, keep) << value;
}

}  // namespace
}  // namespace quorvex
