#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace quorvex {

// A report's text as the text and HTML reports build it: code page 1252, one byte one
// character, so the 64,000-character limit counts bytes. The names of the tested files are
// the exception: they are appended as UTF-8, every character kept. The text then holds
// their code page 1252 form ('?' for a character outside the code page, one byte for each
// of their characters, so the count stays right), and the names themselves come back when
// the text is taken as UTF-8.
class ReportText {
public:
    // Characters.
    std::size_t size() const { return text_.size(); }
    bool empty() const { return text_.empty(); }
    void clear();

    // Code page 1252 text.
    ReportText& operator+=(std::string_view cp1252);
    // UTF-8 text, kept as it is.
    void AppendUtf8(std::string_view utf8);

    // The text in code page 1252 (with '?' in names outside it).
    const std::string& Cp1252() const { return text_; }
    // The text in UTF-8, the names as they are.
    std::string Utf8() const;

private:
    struct Span {
        std::size_t at = 0;
        std::size_t length = 0;
        std::string utf8;
    };
    std::string text_;
    std::vector<Span> spans_;
};

}  // namespace quorvex
