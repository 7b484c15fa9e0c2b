#include "common/terminal_text.h"

#include "common/text_1252.h"

namespace quorvex {

bool AppendControlEscape(std::string& out, char32_t code, EscapeStrength strength, bool beforeLineFeed) {
    const bool c0 = code < 0x20 || code == 0x7F;
    if (!c0 && (code < 0x80 || code > 0x9F)) return false;
    const bool lineEnd = code == '\n' || (code == '\r' && beforeLineFeed);
    if (strength == EscapeStrength::Message && (lineEnd || code == '\t')) return false;
    static constexpr char kHex[] = "0123456789ABCDEF";
    out += c0 ? "\\x" : "\\u00";
    out += kHex[code >> 4];
    out += kHex[code & 15];
    return true;
}

std::string TerminalText(std::string_view utf8, EscapeStrength strength) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const std::size_t at = i;
        const char32_t code = NextCodePoint(utf8, i);
        // A byte outside a well-formed sequence (a file name's) is shown as the byte it is.
        if (code == U'\uFFFD' && i - at == 1) {
            static constexpr char kHex[] = "0123456789ABCDEF";
            const auto byte = static_cast<unsigned char>(utf8[at]);
            out.append("\\x").append(1, kHex[byte >> 4]).append(1, kHex[byte & 15]);
            continue;
        }
        const bool beforeLineFeed = i < utf8.size() && utf8[i] == '\n';
        if (!AppendControlEscape(out, code, strength, beforeLineFeed)) out.append(utf8.substr(at, i - at));
    }
    return out;
}

std::string ControlsEscaped(std::string_view bytes, EscapeStrength strength) {
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        const bool beforeLineFeed = i + 1 < bytes.size() && bytes[i + 1] == '\n';
        if (c < 0x80 && AppendControlEscape(out, c, strength, beforeLineFeed)) continue;
        const auto next = i + 1 < bytes.size() ? static_cast<unsigned char>(bytes[i + 1]) : 0;
        if (c == 0xC2 && next >= 0x80 && next <= 0x9F) {
            // U+0080 to U+009F, the second set of control characters (0x9B starts a sequence too).
            AppendControlEscape(out, next, strength, false);
            ++i;
            continue;
        }
        out += static_cast<char>(c);
    }
    return out;
}

void Print(std::FILE* to, std::string_view utf8) {
    const std::string text = TerminalText(utf8);
    std::fwrite(text.data(), 1, text.size(), to);
}

bool TerminalStreamBuf::Pass(std::size_t count) {
    const std::string text = TerminalText(std::string_view(held_).substr(0, count));
    held_.erase(0, count);
    return static_cast<bool>(to_.write(text.data(), static_cast<std::streamsize>(text.size())));
}

TerminalStreamBuf::int_type TerminalStreamBuf::overflow(int_type c) {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    const char ch = traits_type::to_char_type(c);
    return xsputn(&ch, 1) == 1 ? c : traits_type::eof();
}

std::streamsize TerminalStreamBuf::xsputn(const char* s, std::streamsize n) {
    held_.append(s, static_cast<std::size_t>(n));
    // Whole lines only: neither a UTF-8 character nor a CR LF holds a line feed byte.
    const std::size_t end = held_.rfind('\n');
    if (end != std::string::npos && !Pass(end + 1)) return 0;
    return n;
}

int TerminalStreamBuf::sync() { return Pass(held_.size()) && to_.flush() ? 0 : -1; }

}  // namespace quorvex
