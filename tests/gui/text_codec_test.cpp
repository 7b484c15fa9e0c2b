#include "gui/gui_test_support.h"
#include "shell/gui/run_services.h"
#include "shell/gui/text_codec.h"

namespace quorvex::test {
namespace {

TEST(TextCodecTest, CodePage1252BothWaysAndFileFilters) {
    const std::pair<std::string, QString> cases[] = {
        {"\x80\x8a\x9f", QString::fromUtf16(u"\u20ac\u0160\u0178")},
        {"\xe9\xc4\xff", QString::fromUtf16(u"\u00e9\u00c4\u00ff")},
        {"\x81\x8d", QString::fromUtf16(u"\u0081\u008d")},  // unassigned: kept
        {std::string("a\0b", 3), QString::fromUtf16(u"a\u0000b", 3)},
    };
    for (const auto& [bytes, text] : cases) EXPECT_EQ(std::pair(FromCp1252(bytes), ToCp1252(text)), std::pair(text, bytes));
    EXPECT_EQ(ToCp1252(QString::fromUtf16(u"\u4e2d")), "?");
    for (int b = 0; b < 256; ++b) EXPECT_EQ(ToCp1252(FromCp1252(std::string(1, char(b)))), std::string(1, char(b)));
    EXPECT_EQ(MessageText("a\r\nb\rc"), QStringLiteral("a\nb\nc"));
    EXPECT_EQ(NameFilters("All Files (*.*)|*.*|Ascii Text Files (*.txt; *.asc) |*.txt;*.asc|"),
              (QStringList{QStringLiteral("All Files (*)"), QStringLiteral("Ascii Text Files (*.txt *.asc)")}));
    EXPECT_EQ(NameFilters("|*.prn|"), QStringList{QStringLiteral("*.prn (*.prn)")});
    EXPECT_TRUE(NameFilters("Lonely description|").isEmpty());
}

// A dropped file answers the first file dialog; a yield goes on only when both the window
// and the prompter say so, and both are always asked.
TEST(RunServicesTest, QueuedFileFirstAndYieldAsksBoth) {
    struct Display : RunDisplay {
        bool goOn = true;
        int yields = 0;
        bool ProcessWindowEvents() override { return ++yields, goOn; }
        void ShowBusy(bool) override {}
        void ShowRunProgress(std::int64_t, std::int64_t, std::uint64_t) override {}
    } display;
    ScriptedServices script;
    RunServices services(script, display);
    services.QueueFile("/tmp/dropped.txt");
    script.files = {std::string("/tmp/asked.txt")};
    EXPECT_EQ(services.OpenFile("first", ""), "/tmp/dropped.txt");
    EXPECT_EQ(services.OpenFile("next", ""), "/tmp/asked.txt");
    EXPECT_EQ(script.fileTitles, std::vector<std::string>{"next"});
    std::string goOn;
    for (const auto& [window, prompter] : {std::pair{true, true}, {false, true}, {true, false}}) {
        display.goOn = window;
        script.onYield = [prompter](int) { return prompter; };
        goOn += services.Yield() ? "1" : "0";
    }
    EXPECT_EQ(goOn, "100");
    EXPECT_EQ(std::pair(display.yields, script.yields), std::pair(3, 3));
}

}  // namespace
}  // namespace quorvex::test
