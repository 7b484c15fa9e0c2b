#include "report/core/report_writers.h"

#include <string>

#include "common/terminal_text.h"
#include "common/text_1252.h"
#include "report/core/html_report.h"
#include "report/core/report_files.h"
#include "report/core/text_report.h"

namespace quorvex {

namespace {

void Put(std::ostream& out, const ReportText& text) {
    const std::string utf8 = text.Utf8();
    out.write(utf8.data(), static_cast<std::streamsize>(utf8.size()));
    if (!out) throw ReportFileError("Could not write the report.");
}

// Hands each error block on as it is made: memory holds one block at a time.
bool Stream(std::ostream& out, ReportText& text) {
    Put(out, text);
    text.clear();
    return true;
}

// A JSON string. Every control character (DEL and U+0080 to U+009F too) is written as an
// escape: the value stays exact and none reaches a terminal raw.
void JsonString(std::string& line, std::string_view cp1252) {
    static constexpr char kHex[] = "0123456789abcdef";
    line += '"';
    const std::string utf8 = Cp1252ToUtf8(cp1252);
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const char c = utf8[i];
        auto u = static_cast<unsigned char>(c);
        bool control = u < 0x20 || u == 0x7F;
        if (u == 0xC2 && i + 1 < utf8.size() && static_cast<unsigned char>(utf8[i + 1]) <= 0x9F)
            u = static_cast<unsigned char>(utf8[++i]), control = true;
        switch (c) {
        case '"': line += "\\\""; break;
        case '\\': line += "\\\\"; break;
        case '\n': line += "\\n"; break;
        case '\r': line += "\\r"; break;
        case '\t': line += "\\t"; break;
        default:
            if (control) {
                line += "\\u00";
                line += kHex[u >> 4];
                line += kHex[u & 0xF];
            } else {
                line += c;
            }
        }
    }
    line += '"';
}

// A text cell. One that starts with = + - @ TAB or CR is a formula to a spreadsheet: a
// leading ' makes it text again, as spreadsheets expect.
void CsvField(std::string& line, std::string_view cp1252) {
    std::string utf8 = Cp1252ToUtf8(cp1252);
    if (!utf8.empty() && std::string_view("=+-@\t\r").find(utf8.front()) != std::string_view::npos)
        utf8.insert(0, 1, '\'');
    if (utf8.find_first_of(",\"\r\n") == std::string::npos) {
        line += utf8;
        return;
    }
    line += '"';
    for (char c : utf8) {
        if (c == '"') line += '"';
        line += c;
    }
    line += '"';
}

}  // namespace

void WriteReport(const LogReader& log, ReportFormat format, std::ostream& out) {
    auto stream = [&out](ReportText& text) { return Stream(out, text); };
    if (format == ReportFormat::Text) {
        TextReportSink sink(stream);
        FormatReport(log, sink);
        Put(out, sink.Text());
    } else {
        HtmlReportSink sink(BreakWidth(kCommandLineScreenWidth), stream);
        FormatReport(log, sink);
        Put(out, sink.Text());
    }
    out.flush();
    if (!out) throw ReportFileError("Could not write the report.");
}

void WriteFindings(const LogReader& log, FindingsFormat format, std::ostream& out) {
    std::string line;
    bool first = true;
    if (format == FindingsFormat::Csv) out << "err_num,record,id,critical,reference,user_entry,error\r\n";
    log.ForEachReportRow([&](const ReportRow& row) {
        const ErrorRow& e = row.error;
        line.clear();
        if (format == FindingsFormat::Json) {
            line += first ? "[\n{\"err_num\":" : ",\n{\"err_num\":";
            line += std::to_string(e.errNum) + ",\"record\":" + std::to_string(e.recNum) + ",\"id\":";
            JsonString(line, row.record.id);
            line += e.critical ? ",\"critical\":true,\"reference\":" : ",\"critical\":false,\"reference\":";
            JsonString(line, e.reference);
            line += ",\"user_entry\":";
            JsonString(line, e.userEntry);
            line += ",\"error\":";
            JsonString(line, e.error);
            line += '}';
        } else {
            line += std::to_string(e.errNum) + ',' + std::to_string(e.recNum) + ',';
            CsvField(line, row.record.id);
            line += e.critical ? ",true," : ",false,";
            CsvField(line, e.reference);
            line += ',';
            CsvField(line, e.userEntry);
            line += ',';
            CsvField(line, e.error);
            line += "\r\n";
        }
        first = false;
        out.write(line.data(), static_cast<std::streamsize>(line.size()));
        return static_cast<bool>(out);
    });
    if (format == FindingsFormat::Json) out << (first ? "[]\n" : "\n]\n");
    out.flush();
    if (!out) throw ReportFileError("Could not write the findings.");
}

int ReferenceColumn(std::string_view reference) {
    constexpr std::string_view kPosition = "[Position ";
    const std::size_t at = reference.find(kPosition);
    if (at == std::string_view::npos) return 1;
    int column = 0;
    for (std::size_t i = at + kPosition.size(); i < reference.size() && reference[i] >= '0' && reference[i] <= '9'; ++i) {
        column = column * 10 + (reference[i] - '0');
        if (column > 512) return 1;
    }
    return column > 0 ? column : 1;
}

void WriteGnuFindings(const LogReader& log, const OriginOf& originOf, std::ostream& out) {
    std::string line;
    std::int64_t recNum = -1;
    std::optional<FindingOrigin> origin;
    log.ForEachReportRow([&](const ReportRow& row) {
        const ErrorRow& e = row.error;
        if (e.recNum != recNum) {
            recNum = e.recNum;
            origin = originOf ? originOf(recNum) : std::nullopt;
        }
        line.clear();
        if (origin) {
            line += TerminalValue(origin->file);
            line += ':' + std::to_string(origin->line) + ':' +
                    std::to_string(origin->column + static_cast<std::uint64_t>(ReferenceColumn(e.reference)) - 1) +
                    ": ";
        } else {
            line += "quorvex-check: ";
        }
        line += e.critical ? "critical: " : "error: ";
        std::string text = e.reference + ": " + e.error;
        if (!e.userEntry.empty()) {
            const bool bracketed = e.userEntry.front() == '[' && e.userEntry.back() == ']';
            text += bracketed ? " " + e.userEntry : " [" + e.userEntry + "]";
        }
        // One finding, one line, and nothing in it that drives a terminal.
        line += TerminalValue(Cp1252ToUtf8(text));
        line += '\n';
        out.write(line.data(), static_cast<std::streamsize>(line.size()));
        return static_cast<bool>(out);
    });
    out.flush();
    if (!out) throw ReportFileError("Could not write the findings.");
}

}  // namespace quorvex
