#pragma once

#include <string>
#include <string_view>

#include <QString>
#include <QStringList>

namespace quorvex {

// Texts of the core are code page 1252 bytes. Bytes 0x80-0x9F map to the characters of
// the Windows table; every other byte is the Latin-1 character of the same value.
QString FromCp1252(std::string_view bytes);

// The reverse; characters outside code page 1252 become '?'.
std::string ToCp1252(const QString& text);

// A message of the core for a Qt widget: code page 1252 decoded, CR LF (and lone CR) as '\n'.
QString MessageText(std::string_view bytes);

// The same for UTF-8 text (a report with the tested files' names as they are).
QString Utf8MessageText(std::string_view utf8);

// Turns a file-dialog filter "desc|pattern|desc|pattern|" into Qt name filters
// ("desc (pattern pattern)"). A description that already ends in a parenthesised pattern
// list keeps its words only; "*.*" means every file and becomes "*".
QStringList NameFilters(std::string_view filter);

}  // namespace quorvex
