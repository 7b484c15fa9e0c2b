#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "common/desktop_services.h"
#include "common/dialog_services.h"
#include "common/terminal_text.h"
#include "report/core/text_report.h"

namespace quorvex {

// The text of code page 1252 `text` for an HTML page: & < > " ' as entities and every
// character outside ASCII as a numeric reference, so the page is plain ASCII (and so valid
// UTF-8) and reads the same whatever character set the browser assumes. A control character
// is shown as a visible escape (\x1B, \u0081), as on a terminal; a message keeps its tabs,
// line feeds and CRs (white space to the page).
std::string HtmlEscape(std::string_view text, EscapeStrength strength = EscapeStrength::Message);

// The same for UTF-8 text (the names of the tested files): every character kept, the
// ones outside code page 1252 too.
std::string HtmlEscapeUtf8(std::string_view utf8);

// N of BreakPre for a screen `screenWidthPixels` wide: width / 10 - 45, halves to even.
int BreakWidth(int screenWidthPixels);

// BreakPre: `text` with "</pre><pre>" before every character whose 1-based position is a
// multiple of `n` (none when `n` is below 1).
std::string BreakPre(std::string_view text, int n);
// The same with the pieces between the breaks escaped by HtmlEscape as a value (a tab or a
// line feed in a user entry would undo the cut): the breaks fall between characters of the
// text, never inside an entity.
std::string BreakPreEscaped(std::string_view text, int n);

// The HTML 3.2 report (mode 3). Every value taken from the log is escaped: a submission
// file cannot put markup or script into the page. The user entries are cut into
// preformatted pieces of `breakWidth` characters (BreakPre).
class HtmlReportSink final : public ReportSink {
public:
    explicit HtmlReportSink(int breakWidth, AfterBlock afterBlock = {})
        : breakWidth_(breakWidth), afterBlock_(std::move(afterBlock)) {}

    // The page text not yet handed over.
    ReportText& Text() { return text_; }

    void Heading(std::string_view heading) override;
    void SourceFiles(std::string_view generatedFrom) override;
    void ReportDate(std::string_view date) override;
    void StopNotice(std::string_view head, std::string_view body) override;
    void Summary(const ReportCounts& counts) override;
    void RecordHeader(const RecordHeading& heading) override;
    bool ErrorBlock(const ErrorRow& error) override;
    void End() override;

private:
    int breakWidth_;
    ReportText text_;
    AfterBlock afterBlock_;
};

// The page as the program renders it itself (printing through Qt's HTML layout): the page
// keeps its fixed text, whose record headers write "&nbsp" without the semicolon browsers
// do without; here every "&nbsp" gets it, so the headers read as a browser shows them.
std::string PageForRendering(std::string_view page);

// FormatReport(3): writes the page to "temphtm.HTM" in `folder` (in pieces once it passes
// 64,000 characters) and hands it to the browser to be viewed or, with `printing`, printed.
// Returns false when the caller is to make the text report instead (no browser, or the
// browser failed, and the user agreed). Throws LogFailure, ReportFileError.
bool FormatHtmlReport(const LogReader& log, DialogServices& services, DesktopServices& desktop,
                      const std::filesystem::path& folder, int screenWidthPixels, bool printing);

}  // namespace quorvex
