#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
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
    Json,   // an array of objects, one object per line; every control character escaped
    Csv,    // RFC 4180: a header row, CR LF line ends, fields quoted where needed; a text
            // cell that starts with = + - @ TAB or CR gets a leading ' (no spreadsheet runs it)
    Sarif,  // SARIF 2.1.0: one rule per message kind, one result per finding at its field
};

// Where a record began in the submission: the file, the line and the column of its first
// character on that line.
struct FindingOrigin {
    std::string_view file;
    std::int64_t line = 1;
    std::uint64_t column = 1;
};
using OriginOf = std::function<std::optional<FindingOrigin>(std::int64_t recNum)>;

// One finding as the findings writers take it; texts in code page 1252.
struct FindingRow {
    std::int64_t errNum = 0;
    std::int64_t recNum = 0;
    std::string_view id;
    bool critical = false;
    std::string_view reference;
    std::string_view userEntry;
    std::string_view error;
    // A comparison of two runs: "fixed", "new" or "still", and the record the finding
    // stood at in the earlier run (still ones).
    std::string_view status;
    std::optional<std::int64_t> baselineRecNum;
    // Where the record began; without it, SARIF places the finding in `file` as a whole.
    std::optional<FindingOrigin> origin;
    std::string_view file;
};

// Writes findings one at a time in one of the formats (memory holds the distinct messages
// for SARIF's rules, never the findings). With `compared`, every finding carries its
// status: the fields status and baseline_record in JSON and CSV, baselineState in SARIF.
class FindingsWriter {
public:
    FindingsWriter(FindingsFormat format, std::ostream& out, bool compared = false);
    ~FindingsWriter();
    // False once the stream has failed.
    bool Add(const FindingRow& row);
    // Ends the document; throws ReportFileError when the stream failed.
    void Finish();

private:
    struct Rules;
    FindingsFormat format_;
    std::ostream& out_;
    bool compared_;
    bool first_ = true;
    std::string line_;
    std::unique_ptr<Rules> rules_;
};

// Every finding of `log`; `originOf`, when given, places them (SARIF's regions).
void WriteFindings(const LogReader& log, FindingsFormat format, std::ostream& out, const OriginOf& originOf = {});

// The rule a message belongs to in SARIF: its kind is the message with each run of digits
// read as one "#", so that sums and counts do not make a rule of their own; the id is
// "ZRW" and 8 hex digits of a hash of the kind, the same from run to run.
std::string RuleId(std::string_view message);

// A file name as a URI reference: relative names stay relative, absolute ones get file://.
std::string FileUri(std::string_view utf8Path);

// One line per finding in the form compilers use, so that editors and build systems go
// straight to the field: "FILE:LINE:COLUMN: error: REFERENCE: MESSAGE [USER ENTRY]"
// ("critical" for a critical error; the user entry in brackets unless it has them already,
// nothing when it is empty). COLUMN is where the field begins on the line: the record's
// column plus the field's first position less one. A record of unknown origin gives
// "quorvex-check: error: ...". UTF-8, LF line ends; the file name and the texts escaped as
// TerminalValue does, so that a control character or a line feed in them neither drives a
// terminal nor forges a line.
void WriteGnuFindings(const LogReader& log, const OriginOf& originOf, std::ostream& out);

// A user entry as it follows a message: " [ENTRY]", or " ENTRY" when it has its brackets
// already; nothing when it is empty.
std::string BracketedEntry(std::string_view userEntry);

// The first position of the field a reference names ("Tax Year [Position 3 - 6]": 3); 1
// for a reference without positions ("Record Length").
int ReferenceColumn(std::string_view reference);

}  // namespace quorvex
