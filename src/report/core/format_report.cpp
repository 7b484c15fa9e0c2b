#include "report/core/format_report.h"

#include <vector>

#include "validation/code_tables.h"

namespace quorvex {

std::string ReportHeading() { return "QUORVEX TAX YEAR " + std::to_string(kLastTaxYear) + " ERROR REPORT"; }

std::string RecordLabel(std::string_view id, std::string_view recReference) {
    const bool employerRecord = id == "RA" || id == "RE" || id == "RT" || id == "RU";
    if (employerRecord && !recReference.empty()) return "EIN: " + std::string(recReference);
    if (id == "RF") return {};
    return "SSN: " + std::string(recReference);
}

std::string SummaryField(std::int64_t n) {
    std::string digits = std::to_string(n);
    if (digits.size() > 10) return digits.substr(digits.size() - 10);
    return std::string(10 - digits.size(), ' ') + digits;
}

bool FormatReport(const LogReader& log, ReportSink& sink) {
    sink.Heading(ReportHeading());

    const std::vector<MiscRow> misc = log.Misc();
    std::string generatedFrom = "Generated from: ";
    for (std::size_t i = 0; i < misc.size(); ++i) {
        if (i > 0) generatedFrom += "; ";
        generatedFrom += misc[i].pathUtf8;
    }
    sink.SourceFiles(generatedFrom);
    sink.ReportDate(misc.empty() ? std::string() : misc.front().rptDate);

    std::string head, body;
    if (log.RunInProgress()) {
        // A run that never wrote its end: no stop notice of a record may pass for its end.
        head = InterruptedRunHead(log.LastRecNum()) + "  \r\n";
        body = InterruptedRunBody() + "\r\n";
    } else if (const std::optional<ErrorRow> last = log.LastError(); last && last->critical) {
        head = "Execution of Testing was terminated due to the Critical Error in Record Number " +
               std::to_string(last->recNum) + ":  \r\n";
        body = last->error + "\r\n";
    }
    sink.StopNotice(head, body);

    sink.Summary({log.LastRecNum(), log.DistinctErrorRecords(), log.ErrorCount()});

    std::int64_t previous = 0;
    bool completed = true;
    log.ForEachReportRow([&](const ReportRow& row) {
        if (row.error.recNum != previous) {
            sink.RecordHeader({row.error.recNum, row.record.id, RecordLabel(row.record.id, row.record.recReference)});
            previous = row.error.recNum;
        }
        completed = sink.ErrorBlock(row.error);
        return completed;
    });
    if (completed) sink.End();
    return completed;
}

}  // namespace quorvex
