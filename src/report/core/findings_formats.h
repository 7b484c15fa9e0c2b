#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>

#include "errorlog/log_fixes.h"

namespace quorvex {

// The formats findings are written in, for other programs. Each is one writer behind
// FindingsFormatWriter and one row of FindingsFormats(): the command line's option values
// and its help are made from that table.
enum class FindingsFormat {
    Json,    // an array of objects, one object per line; every control character escaped
    Csv,     // RFC 4180: a header row, CR LF line ends, fields quoted where needed; a text
             // cell that starts with = + - @ TAB or CR gets a leading ' (no spreadsheet runs it)
    Gnu,     // one line per finding as compilers write them: FILE:LINE:COLUMN: error: ...
    Sarif,   // SARIF 2.1.0: one rule per kind of check, one result per finding at its field
    Github,  // workflow commands: one ::error annotation per finding at its field
    Junit,   // JUnit XML: a testsuite per file, a testcase per record, a failure per finding
};

// Where a record began in the submission: the file (as the command line named it; "-" is
// standard input), the line and the column of its first character on that line.
struct FindingOrigin {
    std::string_view file;
    std::int64_t line = 1;
    std::uint64_t column = 1;
};

// One finding as the findings writers take it; texts in code page 1252.
struct FindingRow {
    std::int64_t errNum = 0;              // its number in the run it comes from
    std::optional<std::int64_t> recNum;   // its record; none for a fixed finding of a comparison
    std::string_view id;                  // the record type
    bool critical = false;
    std::string_view reference;
    std::string_view userEntry;
    std::string_view error;
    // A comparison of two runs: "fixed", "new" or "still"; `changed` when a still one's user
    // entry or message is no longer what it was; the record it stood at in the earlier run.
    std::string_view status;
    bool changed = false;
    std::optional<std::int64_t> baselineRecNum;
    // Where its record began; without it, `file` names the file it came from, when known.
    std::optional<FindingOrigin> origin;
    std::string_view file;
    // What its record holds, as the run history keys it (type, SSN / EIN, occurrence): the
    // same finding has the same key wherever its record moved. Empty when unknown.
    std::string_view recordKey;
    // The replacement of its field that the file itself decides (a total); none for most.
    const FieldFix* fix = nullptr;
};

// A record's key as FindingRow::recordKey holds it.
std::string RecordKeyText(std::string_view type, std::string_view key, std::int64_t occurrence);

// What a writer knows of the document besides its findings.
struct FindingsContext {
    bool compared = false;             // the findings carry a status (a comparison)
    std::filesystem::path sourceRoot;  // SARIF: the folder file names are made relative to
    std::string fingerprintKey;        // SARIF: the key its fingerprints are made with
    // SARIF's invocation: the command's exit status, and, for a log whose run did not finish,
    // the last record it holds.
    std::optional<int> exitCode;
    std::optional<std::int64_t> unfinishedAt;
};

// One format's writer: each call appends to `out` what the document gets.
class FindingsFormatWriter {
public:
    virtual ~FindingsFormatWriter() = default;
    virtual void Begin(std::string& /*out*/) {}
    virtual void Add(const FindingRow& row, std::string& out) = 0;
    virtual void End(std::string& /*out*/) {}
};

struct FindingsFormatInfo {
    FindingsFormat format;
    std::string_view name;   // the value of --findings
    std::string_view help;   // what the help says of it
    bool needsRun;           // it needs where the records stood, which only the run knows
    bool compares;           // it writes a comparison of two runs
    bool listsRuns;          // it writes the list of runs of the history
    std::unique_ptr<FindingsFormatWriter> (*make)(const FindingsContext&);
};

// Every format, in the order the help names them.
std::span<const FindingsFormatInfo> FindingsFormats();
const FindingsFormatInfo& FormatInfo(FindingsFormat format);
const FindingsFormatInfo* FormatNamed(std::string_view name);
// The names of the formats `which` takes, as "json, csv or sarif" (`last` " or ") or
// "json|csv|sarif" (`separator` and `last` "|").
std::string FormatNames(bool (*which)(const FindingsFormatInfo&), std::string_view separator,
                        std::string_view last);

std::unique_ptr<FindingsFormatWriter> MakeJsonWriter(const FindingsContext& context);
std::unique_ptr<FindingsFormatWriter> MakeCsvWriter(const FindingsContext& context);
std::unique_ptr<FindingsFormatWriter> MakeGnuWriter(const FindingsContext& context);
std::unique_ptr<FindingsFormatWriter> MakeSarifWriter(const FindingsContext& context);
std::unique_ptr<FindingsFormatWriter> MakeGithubWriter(const FindingsContext& context);
std::unique_ptr<FindingsFormatWriter> MakeJunitWriter(const FindingsContext& context);

// Writes findings one at a time in one of the formats (memory holds SARIF's rules and
// fingerprints, never the findings).
class FindingsWriter {
public:
    FindingsWriter(FindingsFormat format, std::ostream& out, FindingsContext context = {});
    ~FindingsWriter();
    // False once the stream has failed.
    bool Add(const FindingRow& row);
    // Ends the document; throws ReportFileError when the stream failed.
    void Finish();

private:
    std::ostream& out_;
    std::unique_ptr<FindingsFormatWriter> writer_;
    std::string text_;
};

}  // namespace quorvex
