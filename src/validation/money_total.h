#pragma once

#include <string>
#include <string_view>

#include "validation/layouts.h"
#include "validation/territory_money.h"

namespace quorvex {

class Findings;
struct BlockRow;

// A whole number of cents as plain decimal digits: no leading zeros, no separators,
// no decimal point ("150001", "0").
std::string AmountText(double amount);

// --- Reconciliation of an RT / RU record with its block row ----------------------------
// `totals` names the record: RT (sums of the RW records) or RU (sums of the RO records).
// `row` is the block row the record is linked to; without one (a stored record that no
// run ever linked, shown in the viewer) only the field's own format is judged.

// Count check of the Number of RW / RO Records `f` against column "0".
void TotalCountCheck(const RecordText& rec, Totals totals, const FieldLayout& f, const BlockRow* row,
                     Findings& findings);

// Money check of the 15-position total `f` against its block column `f.column`.
void TotalMoneyCheck(const RecordText& rec, Totals totals, const FieldLayout& f, const BlockRow* row,
                     Findings& findings);

}  // namespace quorvex
