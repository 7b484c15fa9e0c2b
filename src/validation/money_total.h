#pragma once

#include <string>
#include <string_view>

#include "validation/layouts.h"

namespace quorvex {

class Findings;
struct BlockRow;

// A whole number of cents as plain decimal digits: no leading zeros, no separators,
// no decimal point ("150001", "0").
std::string AmountText(double amount);

// The kept sum of a block column (`total`) differs from the reported total (`hisTotal`,
// the field text). `id` is "RW" for the RT record and "RO" for the RU record.
void MoneyTotal(std::string_view txtline, std::string_view id, std::string_view fieldName,
                int fieldBegPos, int fieldEndPos, int fieldLength, int txtArrayNum,
                double total, std::string_view hisTotal, Findings& findings);

// The kept sum cannot be trusted: the record with SSN `totalErrRef` had a non-numeric amount.
void MoneyTotal2(std::string_view txtline, std::string_view id, std::string_view fieldName,
                 int fieldBegPos, int fieldEndPos, int fieldLength, int txtArrayNum,
                 std::string_view totalErrRef, Findings& findings);

// --- Reconciliation of an RT / RU record with its block row ----------------------------
// `id` is "RW" for the RT record and "RO" for the RU record. `row` is the block row the
// record is linked to; without one (a stored record that no run ever linked, shown in the
// viewer) only the field's own format is judged.

// Count check of the Number of RW / RO Records `f` against column "0".
void TotalCountCheck(std::string_view txtline, std::string_view id, const FieldLayout& f,
                     const BlockRow* row, Findings& findings);

// Money check of the 15-position total `f` against its block column `f.column`.
void TotalMoneyCheck(std::string_view txtline, std::string_view id, const FieldLayout& f,
                     const BlockRow* row, Findings& findings);

}  // namespace quorvex
