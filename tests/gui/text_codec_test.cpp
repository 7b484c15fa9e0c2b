#include <gtest/gtest.h>

#include "gui/gui_test_support.h"
#include "shell/gui/run_services.h"
#include "shell/gui/text_codec.h"

namespace quorvex::test {
namespace {

TEST(TextCodecTest, DecodesCodePage1252) {
    struct Case {
        std::string bytes;
        QString text;
    };
    const Case cases[] = {
        {"ABC 123", QStringLiteral("ABC 123")},
        {"\x80\x8a\x9f", QString::fromUtf16(u"\u20ac\u0160\u0178")},
        {"\xe9\xc4\xff", QString::fromUtf16(u"\u00e9\u00c4\u00ff")},
        {"\x81\x8d", QString::fromUtf16(u"\u0081\u008d")},  // unassigned: kept
        {std::string("a\0b", 3), QString::fromUtf16(u"a\u0000b", 3)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FromCp1252(c.bytes), c.text);
        EXPECT_EQ(ToCp1252(c.text), c.bytes);
    }
    EXPECT_EQ(ToCp1252(QString::fromUtf16(u"\u4e2d")), "?");
    for (int b = 0; b < 256; ++b) {
        const std::string one(1, char(b));
        EXPECT_EQ(ToCp1252(FromCp1252(one)), one) << b;
    }
}

TEST(TextCodecTest, MessageLinesBecomeNewlines) {
    EXPECT_EQ(MessageText("Testing Completed.\r\nThere were no errors found.\r\n\r\nWould"),
              QStringLiteral("Testing Completed.\nThere were no errors found.\n\nWould"));
    EXPECT_EQ(MessageText("a\rb"), QStringLiteral("a\nb"));
}

TEST(TextCodecTest, FileDialogFilterBecomesQtNameFilters) {
    EXPECT_EQ(NameFilters("All Files (*.*)|*.*|Ascii Text Files (*.txt; *.asc) |*.txt;*.asc|"),
              (QStringList{QStringLiteral("All Files (*)"), QStringLiteral("Ascii Text Files (*.txt *.asc)")}));
    EXPECT_EQ(NameFilters("Text|*.txt"), QStringList{QStringLiteral("Text (*.txt)")});
    EXPECT_EQ(NameFilters("|*.prn|"), QStringList{QStringLiteral("*.prn (*.prn)")});
    EXPECT_TRUE(NameFilters("").isEmpty());
    EXPECT_TRUE(NameFilters("Lonely description|").isEmpty());
}

class CountingDisplay : public RunDisplay {
public:
    bool goOn = true;
    int yields = 0;
    bool ProcessWindowEvents() override {
        ++yields;
        return goOn;
    }
    void ShowBusy(bool) override {}
    void ShowRunProgress(std::int64_t, std::int64_t, std::uint64_t) override {}
};

TEST(RunServicesTest, QueuedFileAnswersFirstThenThePrompterIsAsked) {
    ScriptedServices script;
    CountingDisplay display;
    RunServices services(script, display);
    services.QueueFile("/tmp/dropped.txt");
    script.files = {std::string("/tmp/asked.txt")};
    EXPECT_EQ(services.OpenFile("first", "All|*.*|"), "/tmp/dropped.txt");
    EXPECT_EQ(services.OpenFile("next", "All|*.*|"), "/tmp/asked.txt");
    EXPECT_EQ(script.fileTitles, std::vector<std::string>{"next"});
}

TEST(RunServicesTest, YieldStopsWhenWindowOrPrompterSaysSo) {
    ScriptedServices script;
    CountingDisplay display;
    RunServices services(script, display);
    EXPECT_TRUE(services.Yield());
    display.goOn = false;
    EXPECT_FALSE(services.Yield());
    display.goOn = true;
    script.onYield = [](int) { return false; };
    EXPECT_FALSE(services.Yield());
    // Both are always given their turn.
    EXPECT_EQ(display.yields, 3);
    EXPECT_EQ(script.yields, 3);
}

}  // namespace
}  // namespace quorvex::test
