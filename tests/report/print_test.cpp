#include <gtest/gtest.h>

#include <cstdio>
#include <tuple>

#include "report/core/print_dialog.h"
#include "report/core/report_printer.h"
#include "report/report_logs.h"

namespace quorvex::test {
namespace {

// A fixed-pitch page of 8 x 3 inches, 8 characters and 4 lines to the inch (11 lines above
// the footer). Writes what is drawn, one line each: "page:x,y[B|B+] text".
class FixedPitchSurface : public PrintSurface {
public:
    double PageWidth() const override { return 8.0; }
    double PageHeight() const override { return 3.0; }
    void SetFont(bool bold, int extraPoints) override { font_ = bold ? (extraPoints ? "B+" : "B") : ""; }
    double TextWidth(std::string_view text) const override { return 0.125 * static_cast<double>(text.size()); }
    double TextHeight(std::string_view) const override { return 0.25; }
    void DrawText(double x, double y, std::string_view text) override {
        drawn += Place(x, y) + font_ + " " + std::string(text) + "\n";
    }
    void DrawRect(double left, double top, double right, double bottom) override {
        drawn += Place(left, top) + " rect to " + Place(right, bottom) + "\n";
    }
    void NewPage() override { ++page_; }
    void EndDoc() override { drawn += "end\n"; }

    std::string drawn;

private:
    std::string Place(double x, double y) const {
        char buf[48];
        std::snprintf(buf, sizeof buf, "%d:%.3f,%.3f", page_, x, y);
        return buf;
    }
    int page_ = 1;
    std::string font_;
};

TEST(PrintedReport, WrapText) {
    FixedPitchSurface surface;
    const std::string column = "Error Description:  ";  // 2.5 inches: lines below 4.3 inches
    const std::string fox = "The quick brown fox jumps over the lazy dog and runs away";
    const std::tuple<std::string, std::string, std::vector<std::string>> cases[] = {
        {"short", column, {"short "}},
        {fox, column, {"The quick brown fox jumps over the", "lazy dog and runs away "}},
        {fox, "", {"The quick brown fox jumps over the lazy dog and runs", "away "}},
        {std::string(50, 'x'), column, {std::string(43, 'x'), "xxxxxxx "}},
        {"one\r\n\r\ntwo\r\n", "", {"one ", "", "two ", ""}},
    };
    for (const auto& [text, label, lines] : cases) EXPECT_EQ(WrapText(surface, text, label), lines) << text;
    // A line of each page is kept for the footer.
    for (auto [lines, perPage, pages] : {std::tuple{100, 50, 3}, {0, 50, 0}, {48, 12, 5}, {144, 12, 13}})
        EXPECT_EQ(PageCount(lines, perPage), pages) << lines << " / " << perPage;
}

// Page 1 and then page 2 alone of a report of three pages (page 1 laid out unprinted), and
// pages 2 and 3 of a longer one: the job ends after the footer of the range's last page.
TEST(PrintedReport, PagesOfARange) {
    TempDir dir, longer;
    CriticalLog(dir.path());
    FixedPitchSurface first, second, range;
    PrintReportPages(LogReader(ErrorLog::PathIn(dir.path())), first, {1, 1});
    EXPECT_TRUE(first.drawn.starts_with("1:1.875,0.000B+ QUORVEX TAX YEAR 2008 ERROR REPORT\n1:0.000,0.250  \n"));
    EXPECT_TRUE(first.drawn.ends_with("1:0.000,2.500B \n1:3.562,2.750 Page: 1\nend\n"));
    PrintReportPages(LogReader(ErrorLog::PathIn(dir.path())), second, {2, 2});
    ExpectGolden("critical.print", second.drawn);
    LongLog(longer.path(), 5, 10);  // 52 printed lines: 5 pages of 11
    EXPECT_EQ(CountPages(LogReader(ErrorLog::PathIn(longer.path())), range), 5);
    EXPECT_EQ(range.drawn, "");
    PrintReportPages(LogReader(ErrorLog::PathIn(longer.path())), range, {2, 3});
    EXPECT_TRUE(range.drawn.starts_with("1:0.000,0.000  \n"));  // the blank line after the summary
    EXPECT_NE(range.drawn.find("1:3.562,2.750 Page: 2\n2:"), std::string::npos);
    EXPECT_TRUE(range.drawn.ends_with("\n2:3.562,2.750 Page: 3\nend\n"));
}

TEST(PrintDialog, PageNumbersStayOrdered) {
    using Set = void (clsPrintDialog::*)(int);
    const std::tuple<Set, int, std::tuple<int, int, int, int>> cases[] = {  // Min, FromPage, ToPage, Max after
        {&clsPrintDialog::SetMin, 5, {5, 5, 5, 6}},      {&clsPrintDialog::SetMin, 7, {7, 7, 7, 7}},
        {&clsPrintDialog::SetMin, -3, {0, 3, 4, 6}},     {&clsPrintDialog::SetFromPage, 1, {1, 1, 4, 6}},
        {&clsPrintDialog::SetFromPage, 5, {2, 5, 5, 6}}, {&clsPrintDialog::SetFromPage, 8, {2, 8, 8, 8}},
        {&clsPrintDialog::SetToPage, 1, {1, 1, 1, 6}},   {&clsPrintDialog::SetToPage, 0, {0, 0, 0, 6}},
        {&clsPrintDialog::SetToPage, 7, {2, 3, 7, 7}},   {&clsPrintDialog::SetMax, 3, {2, 3, 3, 3}},
        {&clsPrintDialog::SetMax, 1, {1, 1, 1, 1}},      {&clsPrintDialog::SetMax, -1, {0, 0, 0, 0}},
    };
    for (const auto& [set, value, after] : cases) {
        clsPrintDialog d;
        d.SetMax(6), d.SetToPage(4), d.SetFromPage(3), d.SetMin(2);
        (d.*set)(value);
        EXPECT_EQ(std::tuple(d.Min(), d.FromPage(), d.ToPage(), d.Max()), after) << value;
    }
    clsPrintDialog d = PrintDialogFor(5);
    EXPECT_EQ(std::tuple(d.Min(), d.FromPage(), d.ToPage(), d.Max(), d.Flags()), std::tuple(1, 1, 5, 5, 0x100004u));
    d.Accept(2, 3, 2, d.Flags());
    EXPECT_EQ(PrintRange(d, 5).to, 15);  // no range chosen: 1 to the counted pages + 10
    d.Accept(2, 3, 2, d.Flags() | kPdPageNums);
    EXPECT_EQ(std::tuple(PrintRange(d, 5).from, PrintRange(d, 5).to), std::tuple(2, 3));
}

}  // namespace
}  // namespace quorvex::test
