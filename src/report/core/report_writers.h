#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <optional>
#include <ostream>
#include <string_view>
#include <vector>

#include "errorlog/log_reader.h"
#include "errorlog/run_history.h"
#include "report/core/findings_formats.h"

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

using OriginOf = std::function<std::optional<FindingOrigin>(std::int64_t recNum)>;

// Every finding of `log` in record order and, within a record, in logged order; `originOf`,
// when given, places them (`file` names the file of those it cannot place).
void WriteFindings(const LogReader& log, FindingsFormat format, std::ostream& out, const OriginOf& originOf = {},
                   const FindingsContext& context = {}, std::string_view file = {});

// The runs of a history, one object (JSON) or one row per file (CSV) each, with what
// --history lists: number, date, outcome, counts, files with size and hash.
void WriteRunList(const std::vector<HistoryRun>& runs, FindingsFormat format, std::ostream& out);

// A run's date as the history keeps it (local time, "YYYY-MM-DD HH:MM:SS") in ISO 8601 with
// the offset of this computer's time zone at that date ("2009-01-15T10:12:09+01:00"); a text
// of another form as it is.
std::string IsoDate(std::string_view when);

// The rule a finding belongs to in SARIF: its record type, its field and its message's kind
// (each run of digits read as one "#", so that sums and counts make no rule of their own);
// the id is "ZRW" and 8 hex digits of a hash of those, the same from run to run.
std::string RuleId(std::string_view type, std::string_view reference, std::string_view message);

// A file name as a URI reference: relative names stay relative, absolute ones get file://.
std::string FileUri(std::string_view utf8Path);

// A user entry as it follows a message: " [ENTRY]", or " ENTRY" when it has its brackets
// already; nothing when it is empty.
std::string BracketedEntry(std::string_view userEntry);

}  // namespace quorvex
