#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "report/core/findings_formats.h"

namespace quorvex {

// The pieces the findings writers share.

// A JSON string of code page 1252 text. Every control character (DEL and U+0080 to U+009F
// too) is written as an escape: the value stays exact and none reaches a terminal raw.
void JsonString(std::string& out, std::string_view cp1252);
// A CSV text cell; one a spreadsheet would take for a formula gets a leading '.
void CsvField(std::string& out, std::string_view cp1252);
// The same of UTF-8 text (file names); a byte outside a well-formed sequence is written as
// U+FFFD, the form in which the program shows such a name everywhere.
void JsonUtf8String(std::string& out, std::string_view utf8);
void CsvUtf8Field(std::string& out, std::string_view utf8);

// Where a finding stands: its file, line and the columns of its field's first and last
// character (the record's first for a reference without positions). Nothing when its
// record's place is unknown.
struct FieldPlace {
    std::string_view file;
    std::int64_t line = 0;
    std::uint64_t column = 0;
    std::uint64_t endColumn = 0;  // the field's last character
};
std::optional<FieldPlace> PlaceOf(const FindingRow& row);

// The file a finding belongs to: its origin's, else the one named.
inline std::string_view FileOf(const FindingRow& row) { return row.origin ? row.origin->file : row.file; }

// Appends each of `parts` to `out` (what "text" + std::string would do, without the copy
// that GCC's -Wrestrict misreads at -O3).
template <class... Parts>
void Append(std::string& out, const Parts&... parts) {
    (out.append(parts), ...);
}

// "REFERENCE: MESSAGE [USER ENTRY]" of a finding, in code page 1252.
std::string FindingText(const FindingRow& row);

}  // namespace quorvex
