#pragma once

#include <ostream>

#include "errorlog/log_reader.h"

namespace quorvex {

// Reports and findings for pipelines and files, written as the log is read (never the
// whole log in memory). Everything is written in UTF-8. They throw LogFailure when the log
// cannot be read and ReportFileError when the stream fails.

enum class ReportFormat {
    Text,  // the whole text report (mode 2) with CR LF line ends, without the 64,000-character cut
    Html,  // the HTML report laid out for a screen kCommandLineScreenWidth pixels wide
};

// The screen width the HTML report is laid out for when there is no screen.
inline constexpr int kCommandLineScreenWidth = 1280;

void WriteReport(const LogReader& log, ReportFormat format, std::ostream& out);

// One record per finding: err_num, record (Rec_Num), id, critical, reference, user_entry,
// error, in record order and, within a record, in logged order. (A compiler-style format
// pointing at file, line and column needs the origins of the records, which only the run
// knows; it is not here.)
enum class FindingsFormat {
    Json,  // an array of objects, one object per line
    Csv,   // RFC 4180: a header row, CR LF line ends, fields quoted where needed
};

void WriteFindings(const LogReader& log, FindingsFormat format, std::ostream& out);

}  // namespace quorvex
