#include "report/core/report_writers.h"

#include <cctype>
#include <string>
#include <vector>

#include "common/text_1252.h"
#include "history/compare_runs.h"
#include "history/record_key.h"
#include "report/core/findings_text.h"
#include "report/core/html_report.h"
#include "report/core/report_files.h"
#include "report/core/text_report.h"
#include "validation/fixable_fields.h"
#include "validation/layouts.h"

namespace quorvex {

// A JSON string. Every control character (DEL and U+0080 to U+009F too) is written as an
// escape: the value stays exact and none reaches a terminal raw.
void JsonString(std::string& line, std::string_view cp1252) { JsonUtf8String(line, Cp1252ToUtf8(cp1252)); }

void JsonUtf8String(std::string& line, std::string_view text) {
    // A file name of the system may be any bytes: it is written as shown everywhere, each
    // byte outside a well-formed sequence as U+FFFD, so that the document stays valid.
    const std::string valid = IsAscii(text) ? std::string() : ValidUtf8(text);
    const std::string_view utf8 = valid.empty() ? text : std::string_view(valid);
    static constexpr char kHex[] = "0123456789abcdef";
    line += '"';
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
void CsvField(std::string& line, std::string_view cp1252) { CsvUtf8Field(line, Cp1252ToUtf8(cp1252)); }

void CsvUtf8Field(std::string& line, std::string_view text) {
    std::string utf8 = IsAscii(text) ? std::string(text) : ValidUtf8(text);
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

std::optional<FieldPlace> PlaceOf(const FindingRow& row) {
    if (!row.origin) return std::nullopt;
    // The field's columns; a reference without positions marks the record's first.
    const auto [first, last] = ReferencePositions(row.reference);
    const std::uint64_t at = row.origin->column + static_cast<std::uint64_t>(first > 0 ? first - 1 : 0);
    const std::uint64_t width = first > 0 ? static_cast<std::uint64_t>(last - first + 1) : 1;
    return FieldPlace{row.origin->file, row.origin->line, at, at + width - 1};
}

std::string FindingText(const FindingRow& row) {
    std::string text(row.reference);
    text += ": ";
    text += row.error;
    text += BracketedEntry(row.userEntry);
    return text;
}

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

FindingsWriter::FindingsWriter(FindingsFormat format, std::ostream& out, FindingsContext context)
    : out_(out), writer_(FormatInfo(format).make(context)) {
    writer_->Begin(text_);
}

FindingsWriter::~FindingsWriter() = default;

bool FindingsWriter::Add(const FindingRow& row) {
    writer_->Add(row, text_);
    // Written a few kilobytes at a time: memory holds no more than that of the findings.
    if (text_.size() >= 4096) {
        out_.write(text_.data(), static_cast<std::streamsize>(text_.size()));
        text_.clear();
    }
    return static_cast<bool>(out_);
}

void FindingsWriter::Finish() {
    writer_->End(text_);
    out_.write(text_.data(), static_cast<std::streamsize>(text_.size()));
    text_.clear();
    out_.flush();
    if (!out_) throw ReportFileError("Could not write the findings.");
}

void WriteFindings(const LogReader& log, FindingsFormat format, std::ostream& out, const OriginOf& originOf,
                   const FindingsContext& context, std::string_view file) {
    // SARIF follows a finding from run to run by what its record holds, keyed as the run
    // history keys it: from the record as the log keeps it, so that hiding SSNs leaves the
    // fingerprints as they were (they are keyed hashes: no SSN can be read back from them).
    const bool hide = log.SsnsHidden();
    std::optional<RecordKeyer> keyer;
    if (format == FindingsFormat::Sarif) keyer.emplace(log);
    FindingsWriter writer(format, out, context);
    std::int64_t recNum = -1;
    std::optional<FindingOrigin> origin;
    std::string key;
    LogFixes fixes(log);
    std::optional<FieldFix> fix;
    ReportRow hidden;
    log.WithSsnsHidden(false).ForEachReportRow([&](const ReportRow& kept) {
        if (hide) hidden = kept, HideSsns(hidden);
        const ReportRow& row = hide ? hidden : kept;
        const ErrorRow& e = row.error;
        if (e.recNum != recNum) {
            recNum = e.recNum;
            origin = originOf ? originOf(recNum) : std::nullopt;
            if (keyer) {
                const RecordKey& k = keyer->Key(kept.record);
                key = RecordKeyText(k.type, k.key, k.occurrence);
            }
        }
        FindingRow f;
        f.errNum = e.errNum, f.recNum = e.recNum, f.id = row.record.id, f.critical = e.critical;
        f.reference = e.reference, f.userEntry = e.userEntry, f.error = e.error, f.origin = origin, f.file = file;
        if (keyer) f.recordKey = key;
        fix = FixOf(fixes, e, row.record);
        if (fix) f.fix = &*fix;
        return writer.Add(f);
    });
    writer.Finish();
}

std::string RecordKeyText(std::string_view type, std::string_view key, std::int64_t occurrence) {
    std::string text(type);
    text += '\x1F';
    text += key;
    text += '\x1F';
    text += std::to_string(occurrence);
    return text;
}

std::string RuleId(std::string_view type, std::string_view reference, std::string_view message) {
    std::uint32_t hash = 2166136261u;
    auto mix = [&hash](std::string_view text) {
        for (char c : text) hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
        hash = (hash ^ 0x1Fu) * 16777619u;
    };
    mix(type), mix(reference), mix(MessageKind(message));
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
    // Appended, not "literal" + std::string: GCC 12 at -O3 misreads that as an overlapping copy.
    std::string entry(" ");
    if (userEntry.front() == '[' && userEntry.back() == ']') return entry.append(userEntry);
    return entry.append("[").append(userEntry).append("]");
}

}  // namespace quorvex
