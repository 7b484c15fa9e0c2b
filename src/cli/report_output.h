#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "cli/record_origins.h"
#include "common/dialog_services.h"
#include "errorlog/log_reader.h"
#include "report/core/report_writers.h"

namespace quorvex {

// Whether `file` (an output's name on the command line) is standard output: "-", or any name
// of what standard output is (/dev/stdout, /dev/fd/1, its terminal, the file it was sent to),
// that is the same device and inode.
bool IsStandardOutput(const std::string& file);

// The error report and the findings asked for on the command line.
struct ReportRequest {
    std::optional<ReportFormat> report;
    std::string reportFile;  // empty: ErrorReport.txt or temphtm.HTM in the program folder; "-": standard output
    std::optional<FindingsFormat> findings;
    std::string findingsFile;  // empty or "-": standard output
    // The files the command tests: no report or findings file may take the place of one.
    std::vector<std::filesystem::path> inputs;
    // Standard output is a terminal: what goes there is escaped as TerminalText does (a
    // file keeps the exact bytes).
    bool terminal = false;
    std::string sarifRoot;  // the folder SARIF names files relative to; empty: the current one
    // --redact: every SSN in the report, the findings and the comparison shown as its last
    // four digits (HideSsns); the log keeps them.
    bool hideSsns = false;
    // The key of SARIF's fingerprints ($QUORVEX_FINGERPRINT_KEY); none: the program folder's.
    std::optional<std::string> fingerprintKey;

    bool Any() const { return report || findings; }
    // Something goes to standard output: the run's summary is left out of it.
    bool ToStandardOutput() const {
        return (report && IsStandardOutput(reportFile)) ||
               (findings && (findingsFile.empty() || IsStandardOutput(findingsFile)));
    }
};

// Writes what `request` asks of the error log `log`: the report only when the log holds an
// error (else the message "No errors found in the submission!"), the findings always.
// `origins` places the findings (a finding of a record it does not place names `file`). Returns 0, or 5 after saying on
// standard error what could not be written. With `tell`, names on standard output the report file written. A log whose
// run did not finish (`interrupted`, already told) is never said to hold no errors. `exitCode`: the status the command
// ends with, for SARIF's invocation.
int WriteRequested(const ReportRequest& request, const LogReader& log, const std::filesystem::path& programFolder,
                   const RecordOrigins* origins, DialogServices& services, bool tell, bool interrupted = false,
                   std::string_view file = {}, std::optional<int> exitCode = std::nullopt);

// What the findings writers know of the request: a comparison or not, SARIF's root, and for
// SARIF the key of its fingerprints: the request's, else the one kept in `programFolder`
// (made there the first time; a warning on standard error when it cannot be kept).
FindingsContext ContextOf(const ReportRequest& request, bool compared, const std::filesystem::path& programFolder);

// Writes findings through `write` where `request` sends them (its findings file, or
// standard output), as WriteRequested does. Returns 0, or 5 after saying what went wrong.
int WriteFindingsOutput(const ReportRequest& request, const std::filesystem::path& programFolder,
                        const std::function<void(std::ostream&)>& write);

}  // namespace quorvex
