#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "errorlog/log_reader.h"

namespace quorvex {

// The error report is built in four modes: printing (1, report_printer.h), text (2,
// text_report.h), HTML (3, html_report.h) and page counting (4, report_printer.h). All of
// them are sinks of the one walk of FormatReport, so the reports always hold the same facts.
//
// Report text in memory is code page 1252, as the log reader returns it: one byte is one
// character, so the 64,000-character limit counts bytes (report_text.h). The names of the
// tested files are the exception: they are handed over in UTF-8, as the log holds them, so
// that a name outside the code page shows as it is. Files are written in UTF-8.

// A report text passing this many characters is flushed (more than the limit, not equal).
inline constexpr std::size_t kReportTextLimit = 64000;
inline constexpr std::string_view kTooLargeSentence = "This report is too large to fit into the text preview.";

// The three counts of the summary.
struct ReportCounts {
    std::int64_t recordsTested = 0;      // Rec_Num of the last Records row
    std::int64_t recordsWithErrors = 0;  // rows of "Select distinct Rec_Num From Errors"
    std::int64_t errorsFound = 0;        // rows of Errors
};

// What a record header shows.
struct RecordHeading {
    std::int64_t recNum = 0;
    std::string_view id;
    std::string label;  // "EIN: <ref>", "SSN: <ref>" or empty (RF)
};

// Where FormatReport writes a report, section by section, in this order.
class ReportSink {
public:
    virtual ~ReportSink() = default;
    // "QUORVEX TAX YEAR 2008 ERROR REPORT"
    virtual void Heading(std::string_view heading) = 0;
    // "Generated from: " and the tested file(s), in UTF-8
    virtual void SourceFiles(std::string_view generatedFrom) = 0;
    // The run date, "mm/dd/yyyy"
    virtual void ReportDate(std::string_view date) = 0;
    // The head and body of the stop notice, each ending in CR LF; both empty when the run
    // did not stop on a critical error.
    virtual void StopNotice(std::string_view head, std::string_view body) = 0;
    virtual void Summary(const ReportCounts& counts) = 0;
    // Before the first error of each record.
    virtual void RecordHeader(const RecordHeading& heading) = 0;
    // One error; false ends the report at once (End is not called).
    virtual bool ErrorBlock(const ErrorRow& error) = 0;
    // After the last error.
    virtual void End() = 0;
};

// "QUORVEX TAX YEAR 2008 ERROR REPORT"
std::string ReportHeading();

// The reference label of a record header: "EIN: " + reference for the RA, RE, RT and RU
// records that hold one, nothing for RF, "SSN: " + reference otherwise.
std::string RecordLabel(std::string_view id, std::string_view recReference);

// `n` right-aligned in 10 characters; a longer number keeps its last 10 digits.
std::string SummaryField(std::int64_t n);

// FormatReport: reads the log of the last run and writes its report to `sink`, in a single
// forward pass over the errors. Returns false when the sink ended the report early.
// Throws LogFailure when the log cannot be read.
bool FormatReport(const LogReader& log, ReportSink& sink);

}  // namespace quorvex
