#include "report/core/html_report.h"

#include <cmath>

#include "common/safe_file.h"
#include "common/text_1252.h"
#include "report/core/browser.h"
#include "report/core/page_background.h"
#include "report/core/report_files.h"

namespace quorvex {

namespace {

// A character reference: "&#233;".
void AppendReference(std::string& out, char32_t code) {
    out += "&#";
    out += std::to_string(static_cast<std::uint32_t>(code));
    out += ';';
}

// Appends code page 1252 byte `c` to the page: a control character escaped as the terminal shows it.
void AppendHtml(std::string& out, char c, EscapeStrength strength, bool beforeLineFeed) {
    const char32_t code = Cp1252CodePoint(static_cast<unsigned char>(c));
    if (AppendControlEscape(out, code, strength, beforeLineFeed)) return;
    switch (c) {
    case '&': out += "&amp;"; break;
    case '<': out += "&lt;"; break;
    case '>': out += "&gt;"; break;
    case '"': out += "&quot;"; break;
    case '\'': out += "&#39;"; break;
    default:
        if (static_cast<unsigned char>(c) < 0x80) out += c;
        else AppendReference(out, code);
    }
}

}  // namespace

std::string HtmlEscape(std::string_view text, EscapeStrength strength) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i)
        AppendHtml(out, text[i], strength, i + 1 < text.size() && text[i + 1] == '\n');
    return out;
}

std::string HtmlEscapeUtf8(std::string_view utf8) {
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
        const char32_t c = NextCodePoint(utf8, i);
        const char byte = Cp1252Byte(c);
        if (byte != '?' || c == U'?') {
            AppendHtml(out, byte, EscapeStrength::Message, i < utf8.size() && utf8[i] == '\n');
        } else if (!AppendControlEscape(out, c, EscapeStrength::Message, false)) {
            // Outside the code page; a control character the code page has no place for is escaped as the others.
            AppendReference(out, c);
        }
    }
    return out;
}

int BreakWidth(int screenWidthPixels) {
    // The quotient is exact in tenths; rounding to nearest (the default mode) takes halves to even.
    return static_cast<int>(std::nearbyint((screenWidthPixels - 450) / 10.0));
}

namespace {

template <class Piece>
std::string Broken(std::string_view text, int n, Piece piece) {
    std::string out;
    std::size_t start = 0;
    if (n >= 1) {
        // Break before position k*n (1-based), that is after k*n - 1 characters.
        for (std::size_t at = static_cast<std::size_t>(n) - 1; at < text.size(); at += static_cast<std::size_t>(n)) {
            out += piece(text.substr(start, at - start));
            out += "</pre><pre>";
            start = at;
        }
    }
    out += piece(text.substr(start));
    return out;
}

}  // namespace

std::string BreakPre(std::string_view text, int n) {
    return Broken(text, n, [](std::string_view s) { return std::string(s); });
}

std::string BreakPreEscaped(std::string_view text, int n) {
    return Broken(text, n, [](std::string_view s) { return HtmlEscape(s, EscapeStrength::Value); });
}

void HtmlReportSink::Heading(std::string_view heading) {
    text_.clear();
    text_ +=
        "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 3.2 Final//EN\"> "
        "<HTML><HEAD><TITLE>Quorvex Error Report</title></HEAD><BODY "
        "background=\"orvantahalf.gif\" bgColor=white><Center><H1>";
    text_ += HtmlEscape(heading);
    text_ += "</H1>";
}

void HtmlReportSink::SourceFiles(std::string_view generatedFrom) {
    text_ += "<P>" + HtmlEscapeUtf8(generatedFrom) + "<P>";
}

void HtmlReportSink::ReportDate(std::string_view date) { text_ += "<P>" + HtmlEscape(date) + "<P>"; }

void HtmlReportSink::StopNotice(std::string_view head, std::string_view body) {
    text_ += "<b>" + HtmlEscape(head) + "<BR>" + HtmlEscape(body) + "</b><P>";
}

void HtmlReportSink::Summary(const ReportCounts& counts) {
    text_ += "<table CELLSPACING=2 BORDER=0 WIDTH=\"100%\"><tr><td WIDTH=\"45%\" align=right>" +
             std::to_string(counts.recordsTested) + "</td><td>Record(s) tested</td></tr>";
    text_ += "<tr><td align=right>" + std::to_string(counts.recordsWithErrors) +
             "</td><td>Record(s) with Error(s)</td></tr>";
    text_ += "<tr><td align=right>" + std::to_string(counts.errorsFound) +
             "</td><td>Error(s) found</td></tr></table><p>";
    text_ +=
        "<table border=1 CellSpacing=1 CellPadding=1 width=\"95%\"><tr><th valign=middle>Err Num</th>"
        "<th valign=middle>Reference</th><th valign=middle>User Entry</th>"
        "<th valign=middle>Error Description</th></tr>";
}

void HtmlReportSink::RecordHeader(const RecordHeading& heading) {
    text_ += "<tr><td colspan=4 align=center valign=middle><b>Record number: " + std::to_string(heading.recNum) +
             "&nbsp;&nbsp;&nbsp;&nbsp;Code: " + HtmlEscape(heading.id) + "&nbsp&nbsp&nbsp&nbsp;" +
             HtmlEscape(heading.label) + "</b></td></tr>";
}

bool HtmlReportSink::ErrorBlock(const ErrorRow& error) {
    text_ += "<tr><td align=\"center\" valign=\"center\">" + std::to_string(error.errNum) + "</td>";
    text_ += "<td WIDTH=\"30%\" valign=\"center\">" + HtmlEscape(error.reference) + "</td>";
    text_ += "<td valign=\"center\"><pre>" + BreakPreEscaped(error.userEntry, breakWidth_) + "</pre></td>";
    text_ += "<td WIDTH=\"35%\" valign=\"center\">" + HtmlEscape(error.error) + "</td></tr>";
    return !afterBlock_ || afterBlock_(text_);
}

void HtmlReportSink::End() { text_ += "</table></center></BODY></html>"; }

std::string PageForRendering(std::string_view page) {
    static constexpr std::string_view kNbsp = "&nbsp";
    std::string out;
    out.reserve(page.size());
    for (std::size_t at = page.find(kNbsp); at != std::string_view::npos; at = page.find(kNbsp)) {
        const std::size_t end = at + kNbsp.size();
        out += page.substr(0, end);
        if (end >= page.size() || page[end] != ';') out += ';';
        page.remove_prefix(end);
    }
    out += page;
    return out;
}

bool FormatHtmlReport(const LogReader& log, DialogServices& services, DesktopServices& desktop,
                      const std::filesystem::path& folder, int screenWidthPixels, bool printing) {
    {
        BusyPointer busy(services);
        // The page goes out piece by piece and takes the old page's place when it is whole.
        const std::filesystem::path page = folder / kTempHtmlName;
        try {
            SafeFile out(page);
            HtmlReportSink sink(BreakWidth(screenWidthPixels), [&](ReportText& text) {
                if (text.size() > kReportTextLimit) {
                    out.Append(text.Utf8());
                    text.clear();
                }
                return true;
            });
            FormatReport(log, sink);
            out.Append(sink.Text().Utf8());
            out.Commit();
            WritePageBackground(folder);
        } catch (const FileWriteError&) {
            throw ReportFileError("Could not write " + page.string());
        }
    }
    return OpenReportPage(services, desktop, folder, printing);
}

}  // namespace quorvex
