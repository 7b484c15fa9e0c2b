#include <string>

#include "report/core/findings_text.h"
#include "report/core/report_files.h"
#include "report/core/report_writers.h"

namespace quorvex {

// The runs as --history lists them. A size and a hash the history does not know (a pipe,
// a file gone since, or one too large to hash) are left out (JSON) or empty (CSV).
void WriteRunList(const std::vector<HistoryRun>& runs, FindingsFormat format, std::ostream& out) {
    std::string text;
    if (format == FindingsFormat::Csv) {
        text += "run,date,outcome,records,records_with_errors,errors,file,size,sha256\r\n";
        for (const HistoryRun& r : runs) {
            std::string head;
            Append(head, std::to_string(r.id), ",", r.when, ",", r.outcome, ",", std::to_string(r.records), ",",
                   std::to_string(r.recordsWithErrors), ",", std::to_string(r.errors), ",");
            if (r.files.empty()) Append(text, head, ",,\r\n");
            for (const HistoryFile& f : r.files) {
                text += head;
                CsvUtf8Field(text, f.name);
                text += ',';
                if (f.size >= 0) text += std::to_string(f.size);
                Append(text, ",", f.sha256, "\r\n");
            }
        }
    } else {
        text += "[";
        for (const HistoryRun& r : runs) {
            text += &r == &runs.front() ? "\n{\"run\":" : ",\n{\"run\":";
            Append(text, std::to_string(r.id), ",\"date\":");
            JsonString(text, r.when);
            text += ",\"outcome\":";
            JsonString(text, r.outcome);
            Append(text, ",\"records\":", std::to_string(r.records), ",\"records_with_errors\":",
                   std::to_string(r.recordsWithErrors), ",\"errors\":", std::to_string(r.errors), ",\"files\":[");
            for (const HistoryFile& f : r.files) {
                text += &f == &r.files.front() ? "{\"name\":" : ",{\"name\":";
                JsonUtf8String(text, f.name);
                if (f.size >= 0) Append(text, ",\"size\":", std::to_string(f.size));
                if (!f.sha256.empty()) Append(text, ",\"sha256\":\"", f.sha256, "\"");
                text += '}';
            }
            text += "]}";
        }
        text += runs.empty() ? "]\n" : "\n]\n";
    }
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.flush();
    if (!out) throw ReportFileError("Could not write the findings.");
}

}  // namespace quorvex
