#include "report/core/report_printer.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "common/text_1252.h"

namespace quorvex {

namespace {

// Where the values of an error block start, and the label their wrapped lines leave free.
constexpr std::string_view kValueColumn = "Error Description:  ";

// The length in bytes of the longest start of `text` narrower than `limit` (by binary
// search: widths grow with length); at least one character of a text that has one. A
// start ends between characters, never inside one.
std::size_t FitPrefix(const PrintSurface& surface, std::string_view text, double limit) {
    std::vector<std::size_t> ends;  // where each character ends
    for (std::size_t i = 0; i < text.size();) {
        NextCodePoint(text, i);
        ends.push_back(i);
    }
    if (ends.empty()) return 0;
    std::size_t fits = 0, over = ends.size() + 1;  // in characters
    while (over - fits > 1) {
        const std::size_t mid = fits + (over - fits) / 2;
        if (surface.TextWidth(text.substr(0, ends[mid - 1])) < limit) fits = mid;
        else over = mid;
    }
    return ends[std::max<std::size_t>(fits, 1) - 1];
}

// One paragraph: lines end at the last blank before they reach `w1`; a word that still
// reaches `w2` is cut where it fits. `labelWidth` is taken from both on every line.
void WrapParagraph(const PrintSurface& surface, std::string_view paragraph, double labelWidth, double w1, double w2,
                   std::vector<std::string>& lines) {
    const std::string rest = std::string(paragraph) + ' ';
    w1 -= labelWidth;
    w2 -= labelWidth;
    auto width = [&](std::string_view s) { return surface.TextWidth(s); };
    if (width(rest) < w1) {
        lines.push_back(rest);
        return;
    }
    std::size_t pos = 0;
    while (pos < rest.size()) {
        if (rest[pos] == ' ') ++pos;  // a line does not start with the blank it was cut at
        if (pos >= rest.size()) break;
        const std::string_view remaining = std::string_view(rest).substr(pos);
        if (width(remaining) < w1) {
            lines.emplace_back(remaining);
            break;
        }
        std::size_t end = 0;
        for (std::size_t blank = remaining.find(' '); blank != std::string_view::npos;
             blank = remaining.find(' ', blank + 1)) {
            if (width(remaining.substr(0, blank)) >= w1) break;
            end = blank;
        }
        if (end == 0) {
            // One word wider than the line: cut it where it fits.
            const std::string_view word = remaining.substr(0, remaining.find(' '));
            end = width(word) < w2 ? word.size() : FitPrefix(surface, word, w2);
        }
        lines.emplace_back(remaining.substr(0, end));
        pos += end;
    }
}

// `text` as it is when it fits in `width`, else wrapped to it (without the blanks around
// its lines).
std::vector<std::string> FitLines(const PrintSurface& surface, std::string_view text, double width) {
    if (surface.TextWidth(text) <= width) return {std::string(text)};
    std::vector<std::string> wrapped, lines;
    WrapParagraph(surface, text, 0, width, width, wrapped);
    for (std::string_view line : wrapped) {
        while (!line.empty() && line.back() == ' ') line.remove_suffix(1);
        while (!line.empty() && line.front() == ' ') line.remove_prefix(1);
        if (!line.empty()) lines.emplace_back(line);
    }
    if (lines.empty()) lines.emplace_back();
    return lines;
}

double Centred(const PrintSurface& surface, std::string_view text) {
    return std::max(0.0, (surface.PageWidth() - surface.TextWidth(text)) / 2);
}

std::string HeaderLine(const RecordHeading& h) {
    return Cp1252ToUtf8("Record number: " + std::to_string(h.recNum) + "    Code: " + std::string(h.id) + "    " +
                        h.label);
}

// Room a frame takes beside its text: 0.1 inch on the left, 0.05 on the right.
constexpr double kFrameSides = 0.15;

// Mode 1 (and 4, with nothing in range): the report laid out on the printer's pages. The
// log's code page 1252 values are drawn in UTF-8, as the names of the tested files come.
class PrintSink final : public ReportSink {
public:
    PrintSink(PrintSurface& surface, PageRange range, const PrintProgress& progress)
        : surface_(surface), printer_(surface, range), progress_(progress) {}

    int Pages() const { return printer_.Page(); }

    void Heading(std::string_view heading) override {
        printer_.SetFont(true, 4);
        Centre(Cp1252ToUtf8(heading));
        printer_.SetFont(false);
    }
    void SourceFiles(std::string_view generatedFrom) override {
        printer_.PrintLine(" ");
        const std::vector<std::string> lines = WrapText(surface_, generatedFrom, {});
        if (lines.size() == 1) {
            Centre(generatedFrom);
        } else {
            for (const std::string& line : lines) printer_.PrintLine(line);
        }
        printer_.PrintLine(" ");
    }
    void ReportDate(std::string_view date) override {
        printer_.PrintLine(" ");
        Centre(Cp1252ToUtf8(date));
        printer_.PrintLine(" ");
    }
    void StopNotice(std::string_view head, std::string_view body) override {
        printer_.SetFont(true);
        for (const std::string& line : WrapText(surface_, Cp1252ToUtf8(std::string(head) + std::string(body)), {}))
            printer_.PrintLine(line);
        printer_.SetFont(false);
    }
    void Summary(const ReportCounts& counts) override {
        Plain(SummaryField(counts.recordsTested) + " Record(s) tested");
        Plain(SummaryField(counts.recordsWithErrors) + " Record(s) with Error(s)");
        Plain(SummaryField(counts.errorsFound) + " Error(s) found");
        printer_.PrintLine(" ");
        printer_.Advance(0.002);
    }
    void RecordHeader(const RecordHeading& heading) override {
        printer_.SetFont(true);
        const std::vector<std::string> lines =
            FitLines(surface_, HeaderLine(heading), surface_.PageWidth() - kFrameSides);
        const double boldLine = surface_.TextHeight("A");
        printer_.SetFont(false);
        const double line = surface_.TextHeight("A");
        // The header, the blanks around it and the first two lines of its block on one page.
        printer_.KeepTogether(4 * line + static_cast<double>(lines.size()) * boldLine + 0.02);
        printer_.PrintLine(" ");
        printer_.SetFont(true);
        printer_.PrintFramed(lines);
        printer_.SetFont(false);
        printer_.PrintLine(" ");
    }
    bool ErrorBlock(const ErrorRow& error) override {
        const double x = surface_.TextWidth(kValueColumn);
        printer_.PrintLine(std::to_string(error.errNum), x, false, "Err Num: ");
        Wrapped(WrapText(surface_, Cp1252ToUtf8(error.reference), kValueColumn), "Reference: ", x);
        Wrapped(CutToWidth(surface_, Cp1252ToUtf8(error.userEntry), surface_.PageWidth() - x), "User Entry: ", x);
        Wrapped(WrapText(surface_, Cp1252ToUtf8(error.error), kValueColumn), "Error Description: ", x);
        printer_.PrintLine(" ");
        return !progress_ || progress_(++errors_);
    }
    void End() override { printer_.Finish(); }

private:
    void Plain(std::string_view text) {
        if (surface_.TextWidth(text) <= surface_.PageWidth()) return printer_.PrintLine(text);
        for (const std::string& line : FitLines(surface_, text, surface_.PageWidth())) printer_.PrintLine(line);
    }
    void Centre(std::string_view text) {
        for (const std::string& line : FitLines(surface_, text, surface_.PageWidth()))
            printer_.PrintLine(line, Centred(surface_, line));
    }
    void Wrapped(const std::vector<std::string>& lines, std::string_view label, double x) {
        for (std::size_t i = 0; i < lines.size(); ++i) printer_.PrintLine(lines[i], x, false, i == 0 ? label : "");
    }

    PrintSurface& surface_;
    ReportPrinter printer_;
    const PrintProgress& progress_;
    std::int64_t errors_ = 0;
};

}  // namespace

std::vector<std::string> WrapText(const PrintSurface& surface, std::string_view text, std::string_view label) {
    std::vector<std::string> lines;
    const double labelWidth = label.empty() ? 0 : surface.TextWidth(label);
    const double w1 = surface.PageWidth() - 1.2, w2 = surface.PageWidth() - 0.1;
    if (text.find('\n') == std::string_view::npos) {
        WrapParagraph(surface, text, labelWidth, w1, w2, lines);
        return lines;
    }
    std::size_t start = 0;
    for (;;) {
        const std::size_t lf = text.find('\n', start);
        std::string_view piece = text.substr(start, lf == std::string_view::npos ? std::string_view::npos : lf - start);
        if (!piece.empty() && piece.back() == '\r') piece.remove_suffix(1);
        if (piece.empty()) {
            lines.emplace_back();
        } else {
            WrapParagraph(surface, piece, labelWidth, w1, w2, lines);
        }
        if (lf == std::string_view::npos) break;
        start = lf + 1;
    }
    return lines;
}

ReportPrinter::ReportPrinter(PrintSurface& surface, PageRange range)
    : surface_(surface),
      range_{range.from, std::max(range.from, range.to)},
      footerTop_(surface.PageHeight() - surface.TextHeight("Page: 1")) {}

void ReportPrinter::SetFont(bool bold, int extraPoints) {
    bold_ = bold;
    extraPoints_ = extraPoints;
    surface_.SetFont(bold, extraPoints);
}

std::vector<std::string> CutToWidth(const PrintSurface& surface, std::string_view text, double width) {
    std::vector<std::string> pieces;
    do {
        const std::size_t n = surface.TextWidth(text) < width ? text.size() : FitPrefix(surface, text, width);
        pieces.emplace_back(text.substr(0, n));
        text.remove_prefix(n);
    } while (!text.empty());
    return pieces;
}

bool ReportPrinter::Room(double inches) {
    if (footerDone_) return false;
    if (height_ + inches <= footerTop_ || height_ <= 0.01) return true;
    if (InRange()) {
        DrawFooter();
        if (page_ == range_.to) {
            footerDone_ = true;
            EndDoc();
            return false;
        }
    }
    ++page_;
    height_ = 0;
    // The first page of the range is the job's first page: only later ones are started.
    if (InRange() && page_ > range_.from) surface_.NewPage();
    surface_.SetFont(bold_, extraPoints_);
    return true;
}

void ReportPrinter::PrintLine(std::string_view text, double x, bool inBox, std::string_view label) {
    const double lineHeight = surface_.TextHeight(text);
    if (!Room(lineHeight)) return;
    if (inBox && height_ == 0) height_ = 0.01;  // the frame's top line stays on the page
    if (InRange()) Draw(height_, text, x, inBox, label);
    height_ += lineHeight;
}

void ReportPrinter::PrintFramed(const std::vector<std::string>& lines) {
    const double lineHeight = surface_.TextHeight("A");
    const double all = lineHeight * static_cast<double>(lines.size());
    if (!Room(all + 0.02)) return;
    if (height_ == 0) height_ = 0.01;
    if (InRange()) {
        double widest = 0;
        for (const std::string& line : lines) widest = std::max(widest, surface_.TextWidth(line));
        const double x = std::max(0.0, (surface_.PageWidth() - widest) / 2);
        const double left = x - 0.1 < 0 ? 0.001 : x - 0.1;
        const double right = std::min(x + widest + 0.05, surface_.PageWidth() - 0.001);
        surface_.DrawRect(left, height_, right, height_ + all + 0.02);
        for (std::size_t i = 0; i < lines.size(); ++i) {
            const double lineX = std::max(0.0, (surface_.PageWidth() - surface_.TextWidth(lines[i])) / 2);
            surface_.DrawText(lineX, height_ + lineHeight * static_cast<double>(i), lines[i]);
        }
    }
    height_ += all;
}

void ReportPrinter::Draw(double y, std::string_view text, double x, bool inBox, std::string_view label) {
    if (inBox) {
        const double left = x - 0.1 < 0 ? 0.001 : x - 0.1;
        surface_.DrawRect(left, y, x + surface_.TextWidth(text) + 0.05, y + surface_.TextHeight("A") + 0.02);
    }
    if (!label.empty()) surface_.DrawText(0, y, label);
    surface_.DrawText(x, y, text);
}

void ReportPrinter::DrawFooter() {
    surface_.SetFont(false, 0);
    const std::string footer = "Page: " + std::to_string(page_);
    surface_.DrawText(Centred(surface_, footer), surface_.PageHeight() - surface_.TextHeight(footer), footer);
    surface_.SetFont(bold_, extraPoints_);
}

void ReportPrinter::Finish() {
    if (!footerDone_) {
        // The footer zone is kept free on every page: the last footer always fits.
        if (InRange()) DrawFooter();
        footerDone_ = true;
    }
    EndDoc();
}

void ReportPrinter::EndDoc() {
    // A layout that printed nothing (the page count) has no job to end.
    if (ended_ || page_ < range_.from) return;
    ended_ = true;
    surface_.EndDoc();
}

int CountPages(const LogReader& log, PrintSurface& surface, const PrintProgress& progress) {
    surface.SetFont(false, 0);
    // Laid out with no page in range: nothing is drawn.
    PrintSink sink(surface, {std::numeric_limits<int>::max(), std::numeric_limits<int>::max()}, progress);
    if (!FormatReport(log, sink)) return 0;
    return sink.Pages();
}

bool PrintReportPages(const LogReader& log, PrintSurface& surface, PageRange range, const PrintProgress& progress) {
    surface.SetFont(false, 0);
    PrintSink sink(surface, range, progress);
    return FormatReport(log, sink);
}

}  // namespace quorvex
