#include "common/hidden_ssn.h"

#include <algorithm>

namespace quorvex {

namespace {

// What the totals checks write before the SSN they name; the SSN is the field's nine
// characters, then the message's closing full stop.
constexpr std::string_view kNamedSsn = "SSN#: ";
constexpr std::size_t kSsnWidth = 9;

}  // namespace

std::string MaskSsn(std::string_view ssn) {
    std::string masked(ssn);
    // Blanks stay: an SSN left blank shows as blank.
    for (std::size_t i = 0; i + 4 < masked.size(); ++i)
        if (masked[i] != ' ') masked[i] = '*';
    return masked;
}

void HideSsns(std::string& text, std::string_view ssn) {
    if (std::count_if(ssn.begin(), ssn.end(), [](char c) { return c != ' '; }) >= 5) {
        const std::string masked = MaskSsn(ssn);
        for (std::size_t at = text.find(ssn); at != std::string::npos; at = text.find(ssn, at + masked.size()))
            text.replace(at, ssn.size(), masked);
    }
    for (std::size_t at = text.find(kNamedSsn); at != std::string::npos; at = text.find(kNamedSsn, at + 1)) {
        const std::size_t from = at + kNamedSsn.size();
        const std::size_t end = text.ends_with('.') ? text.size() - 1 : text.size();
        const std::size_t width = std::min(kSsnWidth, end > from ? end - from : 0);
        text.replace(from, width, MaskSsn(std::string_view(text).substr(from, width)));
    }
}

}  // namespace quorvex
