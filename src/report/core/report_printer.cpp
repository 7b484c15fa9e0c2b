#include "report/core/report_printer.h"

#include <algorithm>
#include <cmath>

namespace quorvex {

namespace {

// Where the values of an error block start, and the label their wrapped lines leave free.
constexpr std::string_view kValueColumn = "Error Description:  ";

void WrapParagraph(const PrintSurface& surface, std::string_view paragraph, std::string_view label,
                   std::vector<std::string>& lines) {
    const std::string rest = std::string(paragraph) + ' ';
    const double w1 = surface.PageWidth() - 1.2;
    const double w2 = surface.PageWidth() - 0.1;
    auto width = [&](std::string_view s) { return surface.TextWidth(std::string(label) + std::string(s)); };
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
            end = std::max<std::size_t>(remaining.find(' '), 1);
            while (end > 1 && width(remaining.substr(0, end)) >= w2) --end;
        }
        lines.emplace_back(remaining.substr(0, end));
        pos += end;
    }
}

double Centred(const PrintSurface& surface, std::string_view text) {
    return std::max(0.0, (surface.PageWidth() - surface.TextWidth(text)) / 2);
}

std::string HeaderLine(const RecordHeading& h) {
    return "Record number: " + std::to_string(h.recNum) + "    Code: " + std::string(h.id) + "    " + h.label;
}

// Mode 1: the report on the printer's pages.
class PrintSink final : public ReportSink {
public:
    PrintSink(PrintSurface& surface, PageRange range) : surface_(surface), printer_(surface, range) {}

    void Heading(std::string_view heading) override {
        printer_.SetFont(true, 4);
        printer_.PrintLine(heading, Centred(surface_, heading));
        printer_.SetFont(false);
    }
    void SourceFiles(std::string_view generatedFrom) override {
        printer_.PrintLine(" ");
        const std::vector<std::string> lines = WrapText(surface_, generatedFrom, {});
        if (lines.size() == 1) {
            printer_.PrintLine(generatedFrom, Centred(surface_, generatedFrom));
        } else {
            for (const std::string& line : lines) printer_.PrintLine(line);
        }
        printer_.PrintLine(" ");
    }
    void ReportDate(std::string_view date) override {
        printer_.PrintLine(" ");
        printer_.PrintLine(date, Centred(surface_, date));
        printer_.PrintLine(" ");
    }
    void StopNotice(std::string_view head, std::string_view body) override {
        printer_.SetFont(true);
        for (const std::string& line : WrapText(surface_, std::string(head) + std::string(body), {}))
            printer_.PrintLine(line);
        printer_.SetFont(false);
    }
    void Summary(const ReportCounts& counts) override {
        printer_.PrintLine(SummaryField(counts.recordsTested) + " Record(s) tested");
        printer_.PrintLine(SummaryField(counts.recordsWithErrors) + " Record(s) with Error(s)");
        printer_.PrintLine(SummaryField(counts.errorsFound) + " Error(s) found");
        printer_.PrintLine(" ");
        printer_.Advance(0.002);
    }
    void RecordHeader(const RecordHeading& heading) override {
        printer_.PrintLine(" ");
        printer_.SetFont(true);
        const std::string line = HeaderLine(heading);
        printer_.PrintLine(line, Centred(surface_, line), true);
        printer_.SetFont(false);
        printer_.PrintLine(" ");
    }
    bool ErrorBlock(const ErrorRow& error) override {
        const double x = surface_.TextWidth(kValueColumn);
        printer_.PrintLine(std::to_string(error.errNum), x, false, "Err Num: ");
        Wrapped(error.reference, "Reference: ", x);
        printer_.PrintLine(error.userEntry, x, false, "User Entry: ");
        Wrapped(error.error, "Error Description: ", x);
        printer_.PrintLine(" ");
        return true;
    }
    void End() override { printer_.Finish(); }

private:
    void Wrapped(std::string_view value, std::string_view label, double x) {
        const std::vector<std::string> lines = WrapText(surface_, value, kValueColumn);
        for (std::size_t i = 0; i < lines.size(); ++i) printer_.PrintLine(lines[i], x, false, i == 0 ? label : "");
    }

    PrintSurface& surface_;
    ReportPrinter printer_;
};

// Mode 4: counts the printed lines.
class CountSink final : public ReportSink {
public:
    explicit CountSink(const PrintSurface& surface) : surface_(surface) {}

    std::int64_t Lines() const { return lines_; }

    void Heading(std::string_view) override { lines_ = 2; }
    void SourceFiles(std::string_view generatedFrom) override { lines_ += Wrapped(generatedFrom, {}) + 2; }
    void ReportDate(std::string_view) override { lines_ += 3; }
    void StopNotice(std::string_view head, std::string_view body) override {
        lines_ += Wrapped(std::string(head) + std::string(body), {});
    }
    void Summary(const ReportCounts&) override { lines_ += 4; }
    void RecordHeader(const RecordHeading&) override { lines_ += 3; }
    bool ErrorBlock(const ErrorRow& error) override {
        lines_ += Wrapped(error.reference, kValueColumn) + Wrapped(error.error, kValueColumn) + 3;
        return true;
    }
    void End() override {}

private:
    std::int64_t Wrapped(std::string_view text, std::string_view label) const {
        return static_cast<std::int64_t>(WrapText(surface_, text, label).size());
    }

    const PrintSurface& surface_;
    std::int64_t lines_ = 0;
};

}  // namespace

std::vector<std::string> WrapText(const PrintSurface& surface, std::string_view text, std::string_view label) {
    std::vector<std::string> lines;
    if (text.find('\n') == std::string_view::npos) {
        WrapParagraph(surface, text, label, lines);
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
            WrapParagraph(surface, piece, label, lines);
        }
        if (lf == std::string_view::npos) break;
        start = lf + 1;
    }
    return lines;
}

int PageCount(std::int64_t lines, int linesPerPage) {
    const double perPage = std::max(linesPerPage, 1);
    const double c = static_cast<double>(lines);
    return static_cast<int>(std::ceil((c + c / perPage) / perPage));
}

void ReportPrinter::SetFont(bool bold, int extraPoints) {
    bold_ = bold;
    extraPoints_ = extraPoints;
    surface_.SetFont(bold, extraPoints);
}

void ReportPrinter::PrintLine(std::string_view text, double x, bool inBox, std::string_view label) {
    if (footerDone_) return;
    const std::string footer = "Page: " + std::to_string(page_);
    const double footerTop = surface_.PageHeight() - surface_.TextHeight(footer);
    const double lineHeight = surface_.TextHeight(text);
    // Pages before the range are laid out without printing.
    while (!InRange()) {
        if (height_ + lineHeight <= footerTop) {
            height_ += lineHeight;
            return;
        }
        ++page_;
        height_ = 0;
    }
    if (height_ + lineHeight <= footerTop) {
        Draw(height_, text, x, inBox, label);
        height_ += lineHeight;
        return;
    }
    DrawFooter();
    if (page_ == range_.to) {
        footerDone_ = true;
        EndDoc();
        return;
    }
    ++page_;
    surface_.NewPage();
    surface_.SetFont(bold_, extraPoints_);
    height_ = inBox ? 0.01 : 0;
    Draw(height_, text, x, inBox, label);
    height_ += lineHeight;
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
    if (ended_) return;
    ended_ = true;
    surface_.EndDoc();
}

int CountPages(const LogReader& log, PrintSurface& surface) {
    surface.SetFont(false, 0);
    CountSink sink(surface);
    FormatReport(log, sink);
    const int linesPerPage = static_cast<int>(surface.PageHeight() / surface.TextHeight("The Avarage Page"));
    return PageCount(sink.Lines(), linesPerPage);
}

void PrintReportPages(const LogReader& log, PrintSurface& surface, PageRange range) {
    surface.SetFont(false, 0);
    PrintSink sink(surface, range);
    FormatReport(log, sink);
}

}  // namespace quorvex
