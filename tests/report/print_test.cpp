#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <tuple>
#include <vector>

#include "report/core/print_dialog.h"
#include "report/core/report_printer.h"
#include "report/report_logs.h"

using namespace quorvex;
using quorvex::test::TempDir;

namespace {

// A fixed-pitch page: 8 characters to the inch, 4 lines to the inch, 8 x 3 inches (11
// lines above the footer).
class FixedPitchSurface : public PrintSurface {
public:
    double PageWidth() const override { return 8.0; }
    double PageHeight() const override { return 3.0; }
    void SetFont(bool bold, int extraPoints) override { bold_ = bold ? (extraPoints ? "B+" : "B") : ""; }
    double TextWidth(std::string_view text) const override { return 0.125 * static_cast<double>(text.size()); }
    double TextHeight(std::string_view) const override { return 0.25; }
    void DrawText(double x, double y, std::string_view text) override {
        events.push_back(Place(x, y) + bold_ + " " + std::string(text));
    }
    void DrawRect(double left, double top, double right, double bottom) override {
        events.push_back(Place(left, top) + " rect to " + Place(right, bottom));
    }
    void NewPage() override {
        ++page_;
        events.push_back("new page");
    }
    void EndDoc() override { events.push_back("end"); }

    std::vector<std::string> events;

    // The texts drawn that start with `start`, with their places.
    std::vector<std::string> Drawn(const std::string& start) const {
        std::vector<std::string> out;
        for (const auto& e : events)
            if (e.compare(e.find(' ') + 1, start.size(), start) == 0) out.push_back(e);
        return out;
    }

private:
    std::string Place(double x, double y) const {
        char buf[48];
        std::snprintf(buf, sizeof buf, "%d:%.3f,%.3f", page_, x, y);
        return buf;
    }
    int page_ = 1;
    std::string bold_;
};

using Lines = std::vector<std::string>;

}  // namespace

TEST(PrintedReport, WrapText) {
    FixedPitchSurface surface;
    const std::string column = "Error Description:  ";  // 2.5 inches: lines below 4.3 inches
    struct Case {
        std::string text, label;
        Lines lines;
    };
    const Case cases[] = {
        {"short", column, {"short "}},
        {"The quick brown fox jumps over the lazy dog and runs away", column,
         {"The quick brown fox jumps over the", "lazy dog and runs away "}},
        {"The quick brown fox jumps over the lazy dog and runs away", "", {"The quick brown fox jumps over the lazy dog and runs", "away "}},
        {std::string(50, 'x'), column, {std::string(43, 'x'), "xxxxxxx "}},
        {"one\r\n\r\ntwo\r\n", "", {"one ", "", "two ", ""}},
        {"", "", {" "}},
    };
    for (const auto& c : cases) EXPECT_EQ(WrapText(surface, c.text, c.label), c.lines) << c.text;
}

TEST(PrintedReport, PageCountKeepsALineOfEachPageForTheFooter) {
    for (auto [lines, perPage, pages] : {std::tuple{100, 50, 3}, {0, 50, 0}, {48, 12, 5}, {144, 12, 13}, {10, 0, 20}})
        EXPECT_EQ(PageCount(lines, perPage), pages) << lines << " / " << perPage;
}

TEST(PrintedReport, AllPagesAndARangeOfThem) {
    TempDir dir;
    test::LongLog(dir.path(), 5, 10);  // 52 printed lines: 5 pages of 11
    const LogReader log(ErrorLog::PathIn(dir.path()));
    FixedPitchSurface counter;
    const int pages = CountPages(log, counter);
    EXPECT_EQ(pages, 5);
    EXPECT_TRUE(counter.events.empty());

    FixedPitchSurface all;
    PrintReportPages(log, all, {1, pages + 10});
    EXPECT_EQ(all.Drawn("Page: "), (Lines{"1:3.562,2.750 Page: 1", "2:3.562,2.750 Page: 2", "3:3.562,2.750 Page: 3",
                                          "4:3.562,2.750 Page: 4", "5:3.562,2.750 Page: 5"}));
    EXPECT_EQ(all.events.back(), "end");
    EXPECT_EQ(all.Drawn("QUORVEX"), Lines{"1:1.875,0.000B+ QUORVEX TAX YEAR 2008 ERROR REPORT"});
    // The first record header: framed, bold, centred, after the summary and its blank line.
    const std::string header = "Record number: 2    Code: RW    SSN: 100000000";
    EXPECT_EQ(all.Drawn(header), Lines{"2:1.125,0.502B " + header});
    EXPECT_EQ(all.Drawn("rect").front(), "2:1.025,0.502 rect to 2:6.925,0.772");
    EXPECT_EQ(all.Drawn("Err Num: ").front(), "2:0.000,1.002 Err Num: ");
    EXPECT_EQ(std::count(all.events.begin(), all.events.end(), "2:2.500,1.002 1"), 1);

    FixedPitchSurface range;
    PrintReportPages(log, range, {2, 3});
    EXPECT_EQ(range.Drawn("Page: "), (Lines{"1:3.562,2.750 Page: 2", "2:3.562,2.750 Page: 3"}));
    EXPECT_EQ(range.Drawn("QUORVEX"), Lines{});
    EXPECT_EQ(range.Drawn(header), Lines{"1:1.125,0.502B " + header});
    EXPECT_EQ(std::count(range.events.begin(), range.events.end(), "new page"), 1);
    EXPECT_EQ(range.events.back(), "end");
    EXPECT_EQ(range.events[range.events.size() - 2], "2:3.562,2.750 Page: 3");
    EXPECT_EQ(std::count(range.events.begin(), range.events.end(), "end"), 1);
}

TEST(PrintDialog, PageNumbersStayOrdered) {
    struct Case {
        void (clsPrintDialog::*set)(int);
        int value;
        std::tuple<int, int, int, int> after;  // Min, FromPage, ToPage, Max
    };
    const Case cases[] = {
        {&clsPrintDialog::SetMin, 5, {5, 5, 5, 6}},      {&clsPrintDialog::SetMin, 7, {7, 7, 7, 7}},
        {&clsPrintDialog::SetMin, -3, {0, 3, 4, 6}},     {&clsPrintDialog::SetFromPage, 1, {1, 1, 4, 6}},
        {&clsPrintDialog::SetFromPage, 5, {2, 5, 5, 6}}, {&clsPrintDialog::SetFromPage, 8, {2, 8, 8, 8}},
        {&clsPrintDialog::SetToPage, 1, {1, 1, 1, 6}},   {&clsPrintDialog::SetToPage, 0, {0, 0, 0, 6}},
        {&clsPrintDialog::SetToPage, 7, {2, 3, 7, 7}},   {&clsPrintDialog::SetMax, 3, {2, 3, 3, 3}},
        {&clsPrintDialog::SetMax, 1, {1, 1, 1, 1}},      {&clsPrintDialog::SetMax, -1, {0, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        clsPrintDialog d;
        d.SetMax(6);
        d.SetToPage(4);
        d.SetFromPage(3);
        d.SetMin(2);
        (d.*c.set)(c.value);
        EXPECT_EQ(std::tuple(d.Min(), d.FromPage(), d.ToPage(), d.Max()), c.after) << c.value;
    }
}

TEST(PrintDialog, PagesToPrint) {
    clsPrintDialog d = PrintDialogFor(5);
    EXPECT_EQ(std::tuple(d.Min(), d.FromPage(), d.ToPage(), d.Max(), d.Flags(), d.CancelError()),
              std::tuple(1, 1, 5, 5, 0x100004u, true));
    d.Accept(2, 3, 2, d.Flags());
    EXPECT_EQ(PrintRange(d, 5).to, 15);  // no range chosen: 1 to the counted pages + 10
    d.Accept(2, 3, 2, d.Flags() | kPdPageNums);
    EXPECT_EQ(std::pair(PrintRange(d, 5).from, PrintRange(d, 5).to), std::pair(2, 3));
}
