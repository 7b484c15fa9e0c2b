#include "report/core/report_writers.h"

#include <cctype>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "common/terminal_text.h"
#include "common/text_1252.h"
#include "history/compare_runs.h"
#include "history/run_record.h"
#include "report/core/html_report.h"
#include "report/core/report_files.h"
#include "report/core/text_report.h"
#include "validation/layouts.h"

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

// What SARIF keeps of the message kinds met so far: one rule each.
struct FindingsWriter::Rules {
    std::unordered_map<std::string, std::size_t> byKind;
    std::unordered_set<std::string> ids;
    std::string json;  // the rules array's content
    std::size_t count = 0;

    std::pair<std::string, std::size_t> Of(std::string_view message) {
        std::string kind = MessageKind(message);
        if (const auto at = byKind.find(kind); at != byKind.end()) return {IdAt(at->second), at->second};
        std::string id = RuleId(message);
        for (int n = 2; ids.count(id); ++n) id = RuleId(message) + "-" + std::to_string(n);
        ids.insert(id);
        std::string rule = count ? ",\n{\"id\":" : "\n{\"id\":";
        JsonString(rule, id);
        rule += ",\"shortDescription\":{\"text\":";
        JsonString(rule, message);
        rule += "},\"help\":{\"text\":";
        JsonString(rule, message);
        rule += "},\"defaultConfiguration\":{\"level\":\"error\"}}";
        json += rule;
        idsInOrder.push_back(id);
        byKind.emplace(std::move(kind), count);
        return {id, count++};
    }
    const std::string& IdAt(std::size_t i) const { return idsInOrder[i]; }
    std::vector<std::string> idsInOrder;

};

FindingsWriter::FindingsWriter(FindingsFormat format, std::ostream& out, bool compared)
    : format_(format), out_(out), compared_(compared) {
    if (format_ == FindingsFormat::Csv)
        out_ << (compared_ ? "err_num,record,id,critical,reference,user_entry,error,status,baseline_record\r\n"
                           : "err_num,record,id,critical,reference,user_entry,error\r\n");
    if (format_ == FindingsFormat::Sarif) {
        rules_ = std::make_unique<Rules>();
        out_ << "{\"$schema\":\"https://json.schemastore.org/sarif-2.1.0.json\",\"version\":\"2.1.0\",\"runs\":[{"
                "\"columnKind\":\"unicodeCodePoints\",\"results\":[";
    }
}

FindingsWriter::~FindingsWriter() = default;

bool FindingsWriter::Add(const FindingRow& r) {
    std::string& line = line_;
    line.clear();
    const std::string baseline = r.baselineRecNum ? std::to_string(*r.baselineRecNum) : std::string();
    if (format_ == FindingsFormat::Json) {
        line += first_ ? "[\n{\"err_num\":" : ",\n{\"err_num\":";
        line += std::to_string(r.errNum) + ",\"record\":" + std::to_string(r.recNum) + ",\"id\":";
        JsonString(line, r.id);
        line += r.critical ? ",\"critical\":true,\"reference\":" : ",\"critical\":false,\"reference\":";
        JsonString(line, r.reference);
        line += ",\"user_entry\":";
        JsonString(line, r.userEntry);
        line += ",\"error\":";
        JsonString(line, r.error);
        if (compared_) {
            line += ",\"status\":";
            JsonString(line, r.status);
            line += ",\"baseline_record\":" + (baseline.empty() ? std::string("null") : baseline);
        }
        line += '}';
    } else if (format_ == FindingsFormat::Csv) {
        line += std::to_string(r.errNum) + ',' + std::to_string(r.recNum) + ',';
        CsvField(line, r.id);
        line += r.critical ? ",true," : ",false,";
        CsvField(line, r.reference);
        line += ',';
        CsvField(line, r.userEntry);
        line += ',';
        CsvField(line, r.error);
        if (compared_) line += ',' + std::string(r.status) + ',' + baseline;
        line += "\r\n";
    } else {
        const auto [ruleId, ruleIndex] = rules_->Of(r.error);
        line += first_ ? "\n{\"ruleId\":" : ",\n{\"ruleId\":";
        JsonString(line, ruleId);
        line += ",\"ruleIndex\":" + std::to_string(ruleIndex) + ",\"level\":\"error\",\"message\":{\"text\":";
        std::string text = std::string(r.reference) + ": " + std::string(r.error);
        text += BracketedEntry(r.userEntry);
        JsonString(line, text);
        line += '}';
        const std::string_view file = r.origin ? r.origin->file : r.file;
        if (!file.empty()) {
            line += ",\"locations\":[{\"physicalLocation\":{\"artifactLocation\":{\"uri\":";
            JsonString(line, FileUri(file));
            line += '}';
            if (r.origin) {
                // The field's columns; a reference without positions marks the record's first.
                const auto [first, last] = ReferencePositions(r.reference);
                const std::uint64_t at = r.origin->column + static_cast<std::uint64_t>(first > 0 ? first - 1 : 0);
                const std::uint64_t width = first > 0 ? static_cast<std::uint64_t>(last - first + 1) : 1;
                line += ",\"region\":{\"startLine\":" + std::to_string(r.origin->line) + ",\"startColumn\":" +
                        std::to_string(at) + ",\"endColumn\":" + std::to_string(at + width) + '}';
            }
            line += "}}]";
        }
        if (compared_) {
            line += ",\"baselineState\":";
            line += r.status == "new" ? "\"new\"" : r.status == "still" ? "\"unchanged\"" : "\"absent\"";
        }
        line += ",\"properties\":{\"critical\":";
        line += r.critical ? "true" : "false";
        line += ",\"record\":" + std::to_string(r.recNum) + ",\"recordType\":";
        JsonString(line, r.id);
        line += ",\"reference\":";
        JsonString(line, r.reference);
        line += ",\"userEntry\":";
        JsonString(line, r.userEntry);
        if (!baseline.empty()) line += ",\"baselineRecord\":" + baseline;
        line += "}}";
    }
    first_ = false;
    out_.write(line.data(), static_cast<std::streamsize>(line.size()));
    return static_cast<bool>(out_);
}

void FindingsWriter::Finish() {
    if (format_ == FindingsFormat::Json) out_ << (first_ ? "[]\n" : "\n]\n");
    if (format_ == FindingsFormat::Sarif) {
        out_ << "\n],\"tool\":{\"driver\":{\"name\":\"quorvex-check\",\"version\":\"" << QUORVEX_VERSION_MAJOR << '.'
             << QUORVEX_VERSION_MINOR << '.' << QUORVEX_VERSION_PATCH << "\",\"rules\":[" << rules_->json
             << "\n]}}}]}\n";
    }
    out_.flush();
    if (!out_) throw ReportFileError("Could not write the findings.");
}

void WriteFindings(const LogReader& log, FindingsFormat format, std::ostream& out, const OriginOf& originOf) {
    FindingsWriter writer(format, out);
    std::int64_t recNum = -1;
    std::optional<FindingOrigin> origin;
    log.ForEachReportRow([&](const ReportRow& row) {
        const ErrorRow& e = row.error;
        if (e.recNum != recNum) {
            recNum = e.recNum;
            origin = originOf ? originOf(recNum) : std::nullopt;
        }
        FindingRow f;
        f.errNum = e.errNum, f.recNum = e.recNum, f.id = row.record.id, f.critical = e.critical;
        f.reference = e.reference, f.userEntry = e.userEntry, f.error = e.error, f.origin = origin;
        return writer.Add(f);
    });
    writer.Finish();
}

std::string RuleId(std::string_view message) {
    std::uint32_t hash = 2166136261u;
    for (char c : MessageKind(message)) hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string id = "ZRW";
    for (int i = 28; i >= 0; i -= 4) id += kHex[(hash >> i) & 0xF];
    return id;
}

std::string FileUri(std::string_view path) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string uri = !path.empty() && path.front() == '/' ? "file://" : "";
    for (char c : path) {
        const auto u = static_cast<unsigned char>(c);
        if (std::isalnum(u) || std::string_view("-._~/").find(c) != std::string_view::npos) {
            uri += c;
        } else {
            uri += '%';
            uri += kHex[u >> 4];
            uri += kHex[u & 0xF];
        }
    }
    return uri;
}

std::string BracketedEntry(std::string_view userEntry) {
    if (userEntry.empty()) return {};
    if (userEntry.front() == '[' && userEntry.back() == ']') return " " + std::string(userEntry);
    return " [" + std::string(userEntry) + "]";
}

int ReferenceColumn(std::string_view reference) {
    const int first = ReferencePositions(reference).first;
    return first > 0 ? first : 1;
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
        const std::string text = e.reference + ": " + e.error + BracketedEntry(e.userEntry);
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
