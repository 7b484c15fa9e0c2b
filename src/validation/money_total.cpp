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

void MoneyTotal(std::string_view txtline, std::string_view id, std::string_view fieldName,
                int fieldBegPos, int fieldEndPos, int fieldLength, int txtArrayNum,
                double total, std::string_view hisTotal, Findings& findings) {
    const std::string calculated = AmountText(total);
    const std::string reported = AmountText(DigitsValue(hisTotal));
    // The RU wording has always had two spaces after its first sentence.
    const bool rw = id == "RW";
    const std::string_view own = rw ? "RW" : "RO";
    const std::string_view total_rec = rw ? "RT" : "RU";
    std::string msg;
    msg.reserve(4 * fieldName.size() + 300);
    msg.append("The sum of the ").append(own).append(" ").append(fieldName)
        .append(" amounts does not equal the amount in the ").append(fieldName)
        .append(" of the ").append(total_rec).append(rw ? " record. " : " record.  ")
        .append("The calculated sum of the ").append(own).append(" amounts for the ").append(fieldName)
        .append(" of the ").append(total_rec).append(" record is ").append(calculated)
        .append(". The reported sum of the ").append(own).append(" amounts for the ").append(fieldName)
        .append(" of the ").append(total_rec).append(" record is ").append(reported).append(".");
    findings.FieldError(Reference(fieldName, fieldBegPos, fieldEndPos),
                        UserEntry(Cut(txtline, fieldBegPos, fieldBegPos + fieldLength - 1)), msg, txtArrayNum);
}

void MoneyTotal2(std::string_view txtline, std::string_view id, std::string_view fieldName,
                 int fieldBegPos, int fieldEndPos, int fieldLength, int txtArrayNum,
                 std::string_view totalErrRef, Findings& findings) {
    std::string msg("The calculated sum is incorrect because of a non-numeric value entered in the ");
    msg.append(id).append(" record with SSN#: ").append(totalErrRef).append(".");
    findings.FieldError(Reference(fieldName, fieldBegPos, fieldEndPos),
                        UserEntry(Cut(txtline, fieldBegPos, fieldBegPos + fieldLength - 1)), msg, txtArrayNum);
}

void TotalCountCheck(std::string_view txtline, std::string_view id, const FieldLayout& f,
                     const BlockRow* row, Findings& findings) {
    const std::string_view s = Cut(txtline, f);
    if (!NumCheck(s)) {
        Report(findings, txtline, f, "Must be numeric. Right justify and zero fill.");
        return;
    }
    if (!row || static_cast<double>(row->count) == DigitsValue(s)) return;
    std::string msg("The number of ");
    msg.append(id).append(" records (").append(std::to_string(row->count))
        .append(") since the last RE record does not equal the value in the ")
        .append(id == "RW" ? "RT" : "RU").append(" record.");
    Report(findings, txtline, f, msg);
}

void TotalMoneyCheck(std::string_view txtline, std::string_view id, const FieldLayout& f,
                     const BlockRow* row, Findings& findings) {
    const std::string_view s = Cut(txtline, f);
    if (!NumCheck(s)) {
        Report(findings, txtline, f, kMsgMoneyNotNumeric);
        return;
    }
    if (!row) return;
    const auto n = static_cast<std::size_t>(f.column);
    const std::string& marker = row->errRefs[n];
    if (marker != "None") {
        // A sum that misses an amount proves nothing; name the record that broke it. An
        // empty marker is a non-numeric amount met before any RW record gave an SSN.
        MoneyTotal2(txtline, id, f.caption, f.first, f.last, f.Length(), f.index, marker, findings);
    } else if (row->sums[n] != DigitsValue(s)) {
        MoneyTotal(txtline, id, f.caption, f.first, f.last, f.Length(), f.index, row->sums[n], s, findings);
    }
}

}  // namespace quorvex
