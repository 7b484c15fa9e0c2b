// Fix Totals... in the window: on only while the results on screen have a fix; the table of
// changes (the fixes are the core's, tested with it); the corrected copy saved through the
// save dialog, never over the tested file, and tested at once.
#include <QTableWidget>

#include "gui/gui_test_support.h"
#include "shell/gui/fix_totals.h"

namespace quorvex::test {
namespace {

std::string Cells(const QTableWidget& t) {
    std::string out;
    for (int r = 0; r < t.rowCount(); ++r)
        for (int c = 0; c < t.columnCount(); ++c) out += t.item(r, c)->text().toStdString() + (c == 4 ? "\n" : "|");
    return out;
}

TEST(FixTotalsTest, TheTotalsTheFileDecidesAreFixedInACopyTestedAtOnce) {
    RwAmounts wages{};
    wages[1] = 150000;
    // The RT's count and wages off; or an SSN wrong, which has no fix (the command stays off).
    for (const bool fixable : {true, false}) {
        SCOPED_TRACE(fixable);
        const std::string file = Lines({ValidRecord("RA"), ValidRecord("RE"),
                                        fixable ? MakeRW("123456780", wages) : With(MakeRW(), 3, "12345678X"),
                                        MakeRT(fixable ? 2 : 1, {}), ValidRecord("RF", 1)});
        Gui g;
        g.Test({file});
        auto* button = g.window->findChild<QPushButton*>(QStringLiteral("cmdFixTotals"));
        ASSERT_TRUE(button);
        EXPECT_EQ(button->isEnabled(), fixable);
        if (!fixable) continue;
        FixTotals& fix = *g.window->Fixes();
        fix.Action()->trigger();
        ASSERT_TRUE(fix.Dialog() && fix.Dialog()->isVisible());
        EXPECT_EQ(Cells(*fix.Table()),
                  "4|RT|Number of RW Records [Position 3 - 9]|0000002|0000001\n"
                  "4|RT|Wages, Tips and Other Compensation [Position 10 - 24]|000000000000000|000000000150000\n");
        // The tested file is refused; another name takes the copy, which is tested at once.
        const auto tested = g.dir / "sub1.txt", copy = g.dir / "fixed.txt";
        g.script.saveFiles = {tested.string(), copy.string()};
        g.script.answers = {MsgAnswer::Ok, MsgAnswer::Yes, MsgAnswer::Ok, MsgAnswer::No};
        Child<QPushButton>(fix.Dialog(), "cmdSaveFixed")->click();
        QApplication::processEvents();
        EXPECT_EQ(ReadFile(tested), file);
        ASSERT_TRUE(std::filesystem::exists(copy));
        EXPECT_NE(g.script.messages.back().text.find("There were no errors found."), std::string::npos);
        EXPECT_FALSE(button->isEnabled());
    }
}

}  // namespace
}  // namespace quorvex::test
