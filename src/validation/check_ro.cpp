#include <optional>
#include <string_view>

#include "errorlog/findings.h"
#include "validation/check_context.h"
#include "validation/check_primitives.h"
#include "validation/field_names.h"
#include "validation/layouts.h"
#include "validation/territory_money.h"
#include "validation/validators.h"

namespace quorvex {

namespace {

// Territory category of each RO money column (1-17); none: the amount goes into the
// totals directly, without a territory rule.
constexpr std::optional<Territory> kRoTerritory[18] = {
    std::nullopt,                                              // column 0: the record count
    Territory::Blank,                                          // Allocated Tips
    std::nullopt,                                              // Uncollected Employee Tax on Tips
    Territory::NotPAndN, Territory::NotP, Territory::NotPAndN, Territory::NotP, Territory::NotP, Territory::NotPAndN,
    Territory::P, Territory::P, Territory::P, Territory::P, Territory::P, Territory::P, Territory::P,  // Puerto Rico
    Territory::Islands, Territory::Islands,                    // the other territories
};

}  // namespace

void CheckCodeRO(std::string_view txtline, CheckContext& ctx) {
    // Count the record into the block and link it to the employee of the RW record before it.
    ctx.findings.AddTRU(0, true, 1);

    const RecordText rec(txtline);
    const auto fields = Layout(RecordType::RO);
    CheckChars(ctx.findings, rec, fields[ro::kBlank1]);

    // Mostly every amount is numeric: tested first all at once.
    static const RecordText::Positions kMoney = RecordText::PositionsOf(RecordType::RO, FieldClass::Money);
    const bool allNumeric = rec.AllDigits(kMoney);
    for (const FieldLayout& f : fields) {
        if (f.cls != FieldClass::Money) continue;
        if (!allNumeric && !rec.Digits(f)) {
            ctx.findings.TRUFieldError(Reference(f), UserEntry(rec.Cut(f)), kMsgMoneyNotNumeric, f.index, f.column);
            continue;
        }
        const double amount = rec.Amount(f);
        if (const std::optional<Territory> terr = kRoTerritory[f.column]) {
            TerritoryMoney(rec, Totals::RU, f, amount, *terr, ctx);
        } else {
            ctx.findings.AddTRU(f.column, false, amount);
        }
    }

    // The blank fields after the record's first one: 100-274, 352-362, 385-512.
    for (std::size_t i = ro::kBlank1 + 1; i < fields.size(); ++i) {
        if (fields[i].cls == FieldClass::Blank) CheckChars(ctx.findings, rec, fields[i]);
    }
}

}  // namespace quorvex
