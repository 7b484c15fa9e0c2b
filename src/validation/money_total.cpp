#include "validation/money_total.h"

#include <charconv>
#include <cmath>

#include "errorlog/block_row.h"
#include "errorlog/findings.h"
#include "validation/check_primitives.h"

namespace quorvex {

std::string AmountText(double amount) {
    // Sums are whole cents. The whole number is written in fixed notation, so that even a
    // sum beyond 15 digits reads as digits rather than in exponent notation.
    char buf[400];
    const auto res = std::to_chars(buf, buf + sizeof buf, std::round(amount), std::chars_format::fixed, 0);
    std::string text(buf, res.ptr);
    if (text == "-0") text = "0";
    return text;
}

namespace {

// The record type summed into a block row, and the one that reports the sums.
std::string_view Summed(Totals totals) { return totals == Totals::RT ? "RW" : "RO"; }
std::string_view Reporting(Totals totals) { return totals == Totals::RT ? "RT" : "RU"; }

// The kept sum of a block column (`total`) differs from the reported total `f`.
void MoneyTotal(const RecordText& rec, Totals totals, const FieldLayout& f, double total, Findings& findings) {
    const std::string_view caption = f.caption;
    const std::string calculated = AmountText(total);
    const std::string reported = AmountText(DigitsValue(rec.Cut(f)));
    const std::string_view own = Summed(totals);
    const std::string_view totalRec = Reporting(totals);
    std::string msg;
    msg.reserve(4 * caption.size() + 300);
    // The RU wording has always had two spaces after its first sentence.
    msg.append("The sum of the ").append(own).append(" ").append(caption)
        .append(" amounts does not equal the amount in the ").append(caption)
        .append(" of the ").append(totalRec).append(totals == Totals::RT ? " record. " : " record.  ")
        .append("The calculated sum of the ").append(own).append(" amounts for the ").append(caption)
        .append(" of the ").append(totalRec).append(" record is ").append(calculated)
        .append(". The reported sum of the ").append(own).append(" amounts for the ").append(caption)
        .append(" of the ").append(totalRec).append(" record is ").append(reported).append(".");
    Report(findings, rec, f, msg);
}

// The kept sum cannot be trusted: the record with SSN `totalErrRef` had a non-numeric amount.
void MoneyTotal2(const RecordText& rec, Totals totals, const FieldLayout& f, std::string_view totalErrRef,
                 Findings& findings) {
    std::string msg("The calculated sum is incorrect because of a non-numeric value entered in the ");
    msg.append(Summed(totals)).append(" record with SSN#: ").append(totalErrRef).append(".");
    Report(findings, rec, f, msg);
}

}  // namespace

void TotalCountCheck(const RecordText& rec, Totals totals, const FieldLayout& f, const BlockRow* row,
                     Findings& findings) {
    const std::string_view s = rec.Cut(f);
    if (!rec.Digits(f)) {
        Report(findings, rec, f, "Must be numeric. Right justify and zero fill.");
        return;
    }
    if (!row || static_cast<double>(row->count) == DigitsValue(s)) return;
    std::string msg("The number of ");
    msg.append(Summed(totals)).append(" records (").append(std::to_string(row->count))
        .append(") since the last RE record does not equal the value in the ")
        .append(Reporting(totals)).append(" record.");
    Report(findings, rec, f, msg);
}

void TotalMoneyCheck(const RecordText& rec, Totals totals, const FieldLayout& f, const BlockRow* row,
                     Findings& findings) {
    const std::string_view s = rec.Cut(f);
    if (!rec.Digits(f)) {
        Report(findings, rec, f, kMsgMoneyNotNumeric);
        return;
    }
    if (!row) return;
    const auto n = static_cast<std::size_t>(f.column);
    const std::string& marker = row->errRefs[n];
    if (marker != "None") {
        // A sum that misses an amount proves nothing; name the record that broke it. An
        // empty marker is a non-numeric amount met before any RW record gave an SSN.
        MoneyTotal2(rec, totals, f, marker, findings);
    } else if (row->sums[n] != DigitsValue(s)) {
        MoneyTotal(rec, totals, f, row->sums[n], findings);
    }
}

}  // namespace quorvex
