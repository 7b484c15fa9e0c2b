#include "report/core/report_text.h"

#include "common/text_1252.h"

namespace quorvex {

void ReportText::clear() {
    text_.clear();
    spans_.clear();
}

ReportText& ReportText::operator+=(std::string_view cp1252) {
    text_ += cp1252;
    return *this;
}

void ReportText::AppendUtf8(std::string_view utf8) {
    const std::string stand = Utf8ToCp1252(utf8);
    spans_.push_back({text_.size(), stand.size(), std::string(utf8)});
    text_ += stand;
}

std::string ReportText::Utf8() const {
    std::string out;
    std::size_t from = 0;
    for (const Span& span : spans_) {
        out += Cp1252ToUtf8(std::string_view(text_).substr(from, span.at - from));
        out += span.utf8;
        from = span.at + span.length;
    }
    out += Cp1252ToUtf8(std::string_view(text_).substr(from));
    return out;
}

}  // namespace quorvex
