#include <array>
#include <string_view>

#include "errorlog/findings.h"
#include "validation/check_context.h"
#include "validation/check_primitives.h"
#include "validation/layouts.h"
#include "validation/territory_money.h"
#include "validation/validators.h"

namespace quorvex {

namespace {

// Territory category of each RO money column (index = column 1-17); empty: the amount
// goes into the totals directly, without a territory rule.
constexpr std::array<std::string_view, 18> kRoTerritory{{
    {},                                                        // column 0: the record count
    kTerrBlank,                                                // Allocated Tips
    {},                                                        // Uncollected Employee Tax on Tips
    kTerrNotPAndN, kTerrNotP, kTerrNotPAndN, kTerrNotP, kTerrNotP, kTerrNotPAndN,
    kTerrP, kTerrP, kTerrP, kTerrP, kTerrP, kTerrP, kTerrP,    // the seven Puerto Rico amounts
    kTerrIslands, kTerrIslands,                                // the other territories
}};

}  // namespace

void CheckCodeRO(std::string_view txtline, CheckContext& ctx) {
    // Count the record into the block and link it to the employee of the RW record before it.
    ctx.findings.AddTRU(0, true, 1);

    const auto fields = Layout(RecordType::RO);
    CheckChars(ctx.findings, txtline, fields[1]);

    for (const FieldLayout& f : fields) {
        if (f.cls != FieldClass::Money) continue;
        const std::string_view s = Cut(txtline, f);
        if (!NumCheck(s)) {
            ctx.findings.TRUFieldError(Reference(f), UserEntry(s), kMsgMoneyNotNumeric, f.index, f.column);
            continue;
        }
        const double amount = DigitsValue(s);
        std::string_view terr = kRoTerritory[static_cast<std::size_t>(f.column)];
        if (terr.empty()) {
            ctx.findings.AddTRU(f.column, false, amount);
        } else {
            TerritoryMoney(txtline, "RO", f.caption, f.first, f.last, f.Length(), f.index, amount, terr, f.column,
                           ctx);
        }
    }

    // The blank fields after the record's first one: 100-274, 352-362, 385-512.
    for (std::size_t i = 2; i < fields.size(); ++i) {
        if (fields[i].cls == FieldClass::Blank) CheckChars(ctx.findings, txtline, fields[i]);
    }
}

}  // namespace quorvex
