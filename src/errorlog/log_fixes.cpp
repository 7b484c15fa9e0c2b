#include "errorlog/log_fixes.h"

#include <cmath>

#include "errorlog/log_reader.h"

namespace quorvex {

namespace {

bool AllOf(std::string_view text, char lo, char hi) {
    for (char c : text)
        if (c < lo || c > hi) return false;
    return !text.empty();
}

// The reported field as the description names it: its value without leading zeros, "blank",
// or its text between quotes.
std::string Reported(std::string_view field) {
    if (AllOf(field, '0', '9')) {
        const std::size_t at = field.find_first_not_of('0');
        return at == std::string_view::npos ? std::string("0") : std::string(field.substr(at));
    }
    if (AllOf(field, ' ', ' ')) return {};
    const std::size_t from = field.find_first_not_of(' ');
    const std::size_t to = field.find_last_not_of(' ');
    return '"' + std::string(field.substr(from, to - from + 1)) + '"';
}

std::string_view Summed(const FixTarget& t) { return t.id == "RU" ? "RO" : "RW"; }
std::string_view Where(const FixTarget& t) { return t.kept == KeptValue::SubmissionCount ? "submission" : "block"; }

// What the value is, for the description: "the 12 RW records of the block", "150000, the sum
// of the RW <caption> amounts of the block".
std::string WhatItIs(const FixTarget& t, const std::string& value) {
    std::string text;
    if (t.kept == KeptValue::BlockSum) {
        text.append(value).append(", the sum of the ").append(Summed(t)).append(" ").append(t.caption)
            .append(" amounts of the block");
    } else {
        text.append("the ").append(value).append(" ").append(Summed(t)).append(" records of the ").append(Where(t));
    }
    return text;
}

// Why a value too wide for its field gets no fix.
std::string TooWide(const FixTarget& t, const std::string& value, std::size_t width) {
    std::string text("No fix: ");
    if (t.kept == KeptValue::BlockSum) text.append(WhatItIs(t, value));
    else text.append(value).append(", the number of ").append(Summed(t)).append(" records of the ").append(Where(t));
    return text.append(", has ").append(std::to_string(value.size())).append(" digits; the field holds ")
        .append(std::to_string(width));
}

}  // namespace

const std::optional<BlockRow>& LogFixes::Block(std::int64_t recNum, bool ro) {
    if (recNum != blockRecNum_) {
        block_ = ro ? log_.TRUBlock(recNum) : log_.TRTBlock(recNum);
        blockRecNum_ = recNum;
    }
    return block_;
}

std::optional<FieldFix> LogFixes::Of(std::int64_t recNum, std::string_view record, const FixTarget& t) {
    const auto width = static_cast<std::size_t>(t.last - t.first + 1);
    if (record.size() < static_cast<std::size_t>(t.last)) return std::nullopt;
    double value = 0;
    if (t.kept == KeptValue::SubmissionCount) {
        if (!rwCount_) rwCount_ = log_.CountRW();
        value = static_cast<double>(*rwCount_);
    } else {
        const std::optional<BlockRow>& block = Block(recNum, t.id == "RU");
        if (!block) return std::nullopt;
        if (t.kept == KeptValue::BlockCount) {
            value = static_cast<double>(block->count);
        } else {
            const auto n = static_cast<std::size_t>(t.column);
            // A sum that misses a non-numeric amount decides nothing.
            if (n == 0 || n >= block->sums.size() || block->errRefs[n] != "None") return std::nullopt;
            value = block->sums[n];
        }
    }
    if (value < 0 || std::floor(value) != value || value >= 1e18) return std::nullopt;
    const std::string digits = std::to_string(static_cast<long long>(value));
    FieldFix fix{t.first, t.last, std::string(record.substr(static_cast<std::size_t>(t.first - 1), width)), {}, {}};
    if (digits.size() > width) {
        fix.description = TooWide(t, digits, width);
        return fix;
    }
    fix.text = std::string(width - digits.size(), '0') + digits;
    if (fix.text == fix.reported) return std::nullopt;
    const std::string reported = Reported(fix.reported);
    fix.description = (reported.empty() ? std::string("Replace the blank field with ")
                                        : "Replace the reported " + reported + " with ") +
                      WhatItIs(t, digits);
    return fix;
}

}  // namespace quorvex
