#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/terminal_text.h"
#include "common/text_1252.h"
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

// Appends `text` to `out` as UTF-8 for a format of its own, each byte outside a well-formed
// sequence as U+FFFD: an ASCII character that `special(out, c)` writes (it returns true) as
// it wrote it, any other control character (C0, DEL and the C1 controls) as a visible escape
// (\x1B, \u009B), so that none reaches the output raw, the rest as it is.
template <class Special>
void AppendFormatText(std::string& out, std::string_view text, Special&& special) {
    const std::string utf8 = IsAscii(text) ? std::string(text) : ValidUtf8(text);
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const char c = utf8[i];
        const auto u = static_cast<unsigned char>(c);
        if (special(out, c)) continue;
        if (u == 0xC2 && i + 1 < utf8.size() && static_cast<unsigned char>(utf8[i + 1]) <= 0x9F)
            AppendControlEscape(out, static_cast<unsigned char>(utf8[++i]), EscapeStrength::Value, false);
        else if (u >= 0x80 || !AppendControlEscape(out, u, EscapeStrength::Value, false)) out += c;
    }
}

// Appends each of `parts` to `out` (what "text" + std::string would do, without the copy
// that GCC's -Wrestrict misreads at -O3).
template <class... Parts>
void Append(std::string& out, const Parts&... parts) {
    (out.append(parts), ...);
}

// "REFERENCE: MESSAGE [USER ENTRY]" of a finding, in code page 1252.
std::string FindingText(const FindingRow& row);

}  // namespace quorvex
