#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "report/core/format_report.h"
#include "report/core/print_surface.h"

namespace quorvex {

// Pages to print, both included.
struct PageRange {
    int from = 1;
    int to = 1;
};

// Texts are UTF-8, as the surface draws them.

// WrapText: the printable lines of a value whose lines start where `label` ends. A text
// holding line feeds is wrapped line by line (an empty line stays empty). A line is cut at
// the last blank before label and line reach the printable width less 1.2 inches; a single
// word that still reaches the width less 0.1 inch is cut there.
std::vector<std::string> WrapText(const PrintSurface& surface, std::string_view text, std::string_view label);

// The pieces of `text` narrower than `width` each, cut at any character (blanks kept as
// they are): a user entry shows every character it holds. One piece at least.
std::vector<std::string> CutToWidth(const PrintSurface& surface, std::string_view text, double width);

// Lays the report out page by page and prints the pages of the range: lines of the pages
// before (and after) the range only move the position, the job ends after the footer
// ("Page: n") of the range's last page.
class ReportPrinter {
public:
    // A range ending before it starts prints its first page. The surface is in the plain
    // print font.
    ReportPrinter(PrintSurface& surface, PageRange range);

    // The font of the lines that follow (the footer is always in the plain print font).
    void SetFont(bool bold, int extraPoints = 0);

    // PrintLine: one line with `text` at `x`, and `label` at the left margin when given; with
    // `inBox` a frame is drawn around the text.
    void PrintLine(std::string_view text, double x = 0, bool inBox = false, std::string_view label = {});
    // Lines centred one under the other in one frame, all on one page.
    void PrintFramed(const std::vector<std::string>& lines);
    // Starts a new page unless `inches` more fit on this one (what must stay together).
    void KeepTogether(double inches) { Room(inches); }
    // Moves the position down without printing.
    void Advance(double inches) { height_ += inches; }
    // The footer of the last page (when in the range) and the end of the job.
    void Finish();
    // The page the position is on.
    int Page() const { return page_; }

private:
    bool InRange() const { return page_ >= range_.from && page_ <= range_.to; }
    // Makes room for `inches` on the page, starting the next one when they do not fit above
    // the footer (a page that is still empty takes them anyway). False once the job ended.
    bool Room(double inches);
    void Draw(double y, std::string_view text, double x, bool inBox, std::string_view label);
    void DrawFooter();
    void EndDoc();

    PrintSurface& surface_;
    PageRange range_;
    double footerTop_;
    int page_ = 1;
    double height_ = 0;
    bool bold_ = false;
    int extraPoints_ = 0;
    bool footerDone_ = false;
    bool ended_ = false;
};

// Told after each error block laid out, with the number of blocks so far; false stops the
// work (the job is ended where it stands).
using PrintProgress = std::function<bool(std::int64_t errorsDone)>;

// FormatReport(4): the number of pages the report prints on: the whole layout, nothing drawn.
// 0 when `progress` stopped it.
int CountPages(const LogReader& log, PrintSurface& surface, const PrintProgress& progress = {});

// FormatReport(1): prints the pages of `range` on the surface (one copy, one job). False
// when `progress` stopped it.
bool PrintReportPages(const LogReader& log, PrintSurface& surface, PageRange range,
                      const PrintProgress& progress = {});

}  // namespace quorvex
