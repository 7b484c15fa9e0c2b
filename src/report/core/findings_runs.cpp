#include <cstdio>
#include <ctime>
#include <string>

#include "report/core/findings_text.h"
#include "report/core/report_files.h"
#include "report/core/report_writers.h"

namespace quorvex {

std::string IsoDate(std::string_view when) {
    std::tm tm{};
    char extra = 0;
    const std::string text(when);
    if (std::sscanf(text.c_str(), "%4d-%2d-%2d %2d:%2d:%2d%c", &tm.tm_year, &tm.tm_mon, &tm.tm_mday, &tm.tm_hour,
                    &tm.tm_min, &tm.tm_sec, &extra) != 6)
        return text;
    tm.tm_year -= 1900, tm.tm_mon -= 1, tm.tm_isdst = -1;
    std::tm local = tm;
    const std::time_t t = std::mktime(&local);
    if (t == static_cast<std::time_t>(-1) || !localtime_r(&t, &local)) return text;
    const long offset = local.tm_gmtoff / 60;
    const long minutes = offset < 0 ? -offset : offset;
    char zone[8];
    std::snprintf(zone, sizeof zone, "%c%02ld:%02ld", offset < 0 ? '-' : '+', minutes / 60 % 100, minutes % 60);
    return text.substr(0, 10) + "T" + text.substr(11) + zone;
}

namespace {

// Whether `f` changed while it was tested: `unknown` for input that is no regular file.
const char* Changed(const HistoryFile& f, const char* unknown) {
    if (f.size < 0) return unknown;
    return f.changed ? "true" : "false";
}

// One line a file of each run (one line with empty file columns for a run without files).
void AppendRunListCsv(std::string& text, const std::vector<HistoryRun>& runs) {
    text += "run,date,outcome,records,records_with_errors,errors,file,size,sha256,changed_while_tested\r\n";
    for (const HistoryRun& r : runs) {
        std::string head;
        Append(head, std::to_string(r.id), ",", IsoDate(r.when), ",", r.outcome, ",", std::to_string(r.records),
               ",", std::to_string(r.recordsWithErrors), ",", std::to_string(r.errors), ",");
        if (r.files.empty()) Append(text, head, ",,,\r\n");
        for (const HistoryFile& f : r.files) {
            text += head;
            CsvUtf8Field(text, f.name);
            text += ',';
            if (f.size >= 0) text += std::to_string(f.size);
            Append(text, ",", f.sha256, ",", Changed(f, ""), "\r\n");
        }
    }
}

// A run's file as a JSON object.
void AppendRunFileJson(std::string& text, const HistoryFile& f) {
    text += "{\"name\":";
    JsonUtf8String(text, f.name);
    Append(text, ",\"size\":", f.size >= 0 ? std::to_string(f.size) : std::string("null"), ",\"sha256\":");
    if (f.sha256.empty()) text += "null";
    else Append(text, "\"", f.sha256, "\"");
    Append(text, ",\"changed_while_tested\":", Changed(f, "null"), "}");
}

// The runs as a JSON array, one run a line.
void AppendRunListJson(std::string& text, const std::vector<HistoryRun>& runs) {
    text += "[";
    for (const HistoryRun& r : runs) {
        text += &r == &runs.front() ? "\n{\"run\":" : ",\n{\"run\":";
        Append(text, std::to_string(r.id), ",\"date\":");
        JsonString(text, IsoDate(r.when));
        text += ",\"outcome\":";
        JsonString(text, r.outcome);
        Append(text, ",\"records\":", std::to_string(r.records), ",\"records_with_errors\":",
               std::to_string(r.recordsWithErrors), ",\"errors\":", std::to_string(r.errors), ",\"files\":[");
        for (const HistoryFile& f : r.files) {
            if (&f != &r.files.front()) text += ',';
            AppendRunFileJson(text, f);
        }
        text += "]}";
    }
    text += runs.empty() ? "]\n" : "\n]\n";
}

}  // namespace

// The runs as --history lists them, in the order of their numbers, their dates in ISO 8601
// with the offset. A size and a hash the history does not know (a pipe, a file too large to
// hash, or one that changed while it was tested) are null (JSON) or empty (CSV); whether a
// file changed while it was tested is unknown (null, empty) for input that is no regular file.
void WriteRunList(const std::vector<HistoryRun>& runs, FindingsFormat format, std::ostream& out) {
    std::string text;
    if (format == FindingsFormat::Csv) AppendRunListCsv(text, runs);
    else AppendRunListJson(text, runs);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.flush();
    if (!out) throw ReportFileError("Could not write the findings.");
}

}  // namespace quorvex
