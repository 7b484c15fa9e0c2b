#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <string_view>

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
// error, in record order and, within a record, in logged order. (The compiler-style format,
// WriteGnuFindings, needs the origins of the records, which only the run knows.)
enum class FindingsFormat {
    Json,  // an array of objects, one object per line; every control character escaped
    Csv,   // RFC 4180: a header row, CR LF line ends, fields quoted where needed; a text
           // cell that starts with = + - @ TAB or CR gets a leading ' (no spreadsheet runs it)
};

void WriteFindings(const LogReader& log, FindingsFormat format, std::ostream& out);

// Where a record began in the submission: the file, the line and the column of its first
// character on that line.
struct FindingOrigin {
    std::string_view file;
    std::int64_t line = 1;
    std::uint64_t column = 1;
};
using OriginOf = std::function<std::optional<FindingOrigin>(std::int64_t recNum)>;

// One line per finding in the form compilers use, so that editors and build systems go
// straight to the field: "FILE:LINE:COLUMN: error: REFERENCE: MESSAGE [USER ENTRY]"
// ("critical" for a critical error; the user entry in brackets unless it has them already,
// nothing when it is empty). COLUMN is where the field begins on the line: the record's
// column plus the field's first position less one. A record of unknown origin gives
// "quorvex-check: error: ...". UTF-8, LF line ends; the file name and the texts escaped as
// TerminalValue does, so that a control character or a line feed in them neither drives a
// terminal nor forges a line.
void WriteGnuFindings(const LogReader& log, const OriginOf& originOf, std::ostream& out);

// The first position of the field a reference names ("Tax Year [Position 3 - 6]": 3); 1
// for a reference without positions ("Record Length").
int ReferenceColumn(std::string_view reference);

}  // namespace quorvex
