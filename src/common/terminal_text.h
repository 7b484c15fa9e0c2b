#pragma once

#include <cstdio>
#include <ostream>
#include <streambuf>
#include <string>
#include <string_view>

namespace quorvex {

// Text for a person or a line-oriented tool: every program and mode writes it through here.

// What of the text is kept as it is.
enum class EscapeStrength {
    Message,  // a whole message or document: line feeds, tabs and a CR just before a LF kept
    Value,    // one value or file name inside a line: line feeds, CRs and tabs escaped too,
              // so that a name holding a line feed cannot forge a line
};

// The one table of what a control character becomes wherever text is escaped (the terminal,
// the HTML report): C0 controls and DEL as \x1B, C1 controls (U+0080 to U+009F) as \u009B.
// A message keeps a tab, a line feed and a CR just before a line feed; a value keeps none.
// A lone CR is escaped in both: it would send the cursor back and let what follows
// overwrite the line. Appends the escape of code point `code` to `out` and returns true;
// returns false, appending nothing, when `code` stays as it is. `beforeLineFeed`: the next
// character is a line feed.
bool AppendControlEscape(std::string& out, char32_t code, EscapeStrength strength, bool beforeLineFeed);

// Text made safe for a terminal: each byte that is not UTF-8 (a file name may hold any) is
// written as the escape of the byte (\xFF), and so is every control character the strength
// does not keep (\x1B, \x00, \u009B), so that a record or a file name can neither drive the
// terminal nor cut a line, and a name shows which bytes it holds.
std::string TerminalText(std::string_view utf8, EscapeStrength strength = EscapeStrength::Message);
inline std::string TerminalValue(std::string_view utf8) { return TerminalText(utf8, EscapeStrength::Value); }
// The same, the bytes that are not UTF-8 kept as they are: a file name written for a program
// that opens the file by it (an editor reading compiler lines), where U+FFFD would name
// another file. The control characters are escaped all the same.
std::string ControlsEscaped(std::string_view bytes, EscapeStrength strength = EscapeStrength::Value);

// Writes TerminalText(utf8) to `to`.
void Print(std::FILE* to, std::string_view utf8);

// A stream buffer that hands what is written to it on to `to` as TerminalText, a line at a
// time (a UTF-8 character or a CR LF is never cut); a flush hands on the rest. A report or
// CSV bound for a terminal goes through it.
class TerminalStreamBuf final : public std::streambuf {
public:
    explicit TerminalStreamBuf(std::ostream& to) : to_(to) {}
    ~TerminalStreamBuf() override { sync(); }

protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* s, std::streamsize n) override;
    int sync() override;

private:
    bool Pass(std::size_t count);

    std::ostream& to_;
    std::string held_;
};

}  // namespace quorvex
