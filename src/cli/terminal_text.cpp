#include "cli/terminal_text.h"

#include "common/text_1252.h"

namespace quorvex {

std::string TerminalText(std::string_view utf8) {
    const std::string valid = ValidUtf8(utf8);
    std::string out;
    out.reserve(valid.size());
    static constexpr char kHex[] = "0123456789ABCDEF";
    for (std::size_t i = 0; i < valid.size(); ++i) {
        const auto c = static_cast<unsigned char>(valid[i]);
        if ((c < 0x20 && c != '\n' && c != '\t') || c == 0x7F) {
            out += "\\x";
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else if (c == 0xC2 && i + 1 < valid.size() && static_cast<unsigned char>(valid[i + 1]) <= 0x9F) {
            // U+0080 to U+009F, the second set of control characters (0x9B starts a sequence too).
            const auto code = static_cast<unsigned char>(valid[++i]);
            out += "\\u00";
            out += kHex[code >> 4];
            out += kHex[code & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

void Print(std::FILE* to, std::string_view utf8) {
    const std::string text = TerminalText(utf8);
    std::fwrite(text.data(), 1, text.size(), to);
}

}  // namespace quorvex
