#include "report/core/report_writers.h"

#include <string>

#include "common/text_1252.h"
#include "report/core/html_report.h"
#include "report/core/report_files.h"
#include "report/core/text_report.h"

namespace quorvex {

namespace {

void Put(std::ostream& out, std::string_view cp1252) {
    const std::string utf8 = Cp1252ToUtf8(cp1252);
    out.write(utf8.data(), static_cast<std::streamsize>(utf8.size()));
    if (!out) throw ReportFileError("Could not write the report.");
}

// Hands each error block on as it is made: memory holds one block at a time.
bool Stream(std::ostream& out, std::string& text) {
    Put(out, text);
    text.clear();
    return true;
}

void JsonString(std::string& line, std::string_view cp1252) {
    static constexpr char kHex[] = "0123456789abcdef";
    line += '"';
    for (char c : Cp1252ToUtf8(cp1252)) {
        const auto u = static_cast<unsigned char>(c);
        switch (c) {
        case '"': line += "\\\""; break;
        case '\\': line += "\\\\"; break;
        case '\n': line += "\\n"; break;
        case '\r': line += "\\r"; break;
        case '\t': line += "\\t"; break;
        default:
            if (u < 0x20) {
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

void CsvField(std::string& line, std::string_view cp1252) {
    const std::string utf8 = Cp1252ToUtf8(cp1252);
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
    auto stream = [&out](std::string& text) { return Stream(out, text); };
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

}  // namespace quorvex
