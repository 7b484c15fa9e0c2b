#pragma once

#include <algorithm>
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

// WrapText: the printable lines of a value whose lines start where `label` ends. A text
// holding line feeds is wrapped line by line (an empty line stays empty). A line is cut at
// the last blank before label and line reach the printable width less 1.2 inches; a single
// word that still reaches the width less 0.1 inch is cut there.
std::vector<std::string> WrapText(const PrintSurface& surface, std::string_view text, std::string_view label);

// Pages of `lines` lines at `linesPerPage` a page, with one line of each page kept for the
// footer: the smallest whole number not below (lines + lines / linesPerPage) / linesPerPage.
int PageCount(std::int64_t lines, int linesPerPage);

// Lays the report out page by page and prints the pages of the range: lines of the pages
// before the range only move the position, the job ends after the footer ("Page: n") of the
// range's last page.
class ReportPrinter {
public:
    // A range ending before it starts prints its first page.
    ReportPrinter(PrintSurface& surface, PageRange range)
        : surface_(surface), range_{range.from, std::max(range.from, range.to)} {}

    // The font of the lines that follow (the footer is always in the plain print font).
    void SetFont(bool bold, int extraPoints = 0);

    // PrintLine: one line with `text` at `x`, and `label` at the left margin when given; with
    // `inBox` a frame is drawn around the text.
    void PrintLine(std::string_view text, double x = 0, bool inBox = false, std::string_view label = {});
    // Moves the position down without printing.
    void Advance(double inches) { height_ += inches; }
    // The footer of the last page (when in the range) and the end of the job.
    void Finish();

private:
    bool InRange() const { return page_ >= range_.from && page_ <= range_.to; }
    void Draw(double y, std::string_view text, double x, bool inBox, std::string_view label);
    void DrawFooter();
    void EndDoc();

    PrintSurface& surface_;
    PageRange range_;
    int page_ = 1;
    double height_ = 0;
    bool bold_ = false;
    int extraPoints_ = 0;
    bool footerDone_ = false;
    bool ended_ = false;
};

// FormatReport(4): the number of pages the report prints on, in the surface's current font.
int CountPages(const LogReader& log, PrintSurface& surface);

// FormatReport(1): prints the pages of `range` on the surface (one copy, one job).
void PrintReportPages(const LogReader& log, PrintSurface& surface, PageRange range);

}  // namespace quorvex
