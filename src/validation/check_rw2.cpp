#include "validation/check_rw.h"

#include <string_view>

#include "errorlog/findings.h"
#include "validation/check_primitives.h"
#include "validation/field_names.h"
#include "validation/layouts.h"
#include "validation/territory_money.h"

namespace quorvex {

namespace {

// Territory category of each RW money field from Advance Earned Income Credit on, by
// column (8-24).
constexpr Territory kRwTerritory[25] = {
    Territory::Blank, Territory::Blank, Territory::Blank, Territory::Blank,           // 0-3 unused
    Territory::Blank, Territory::Blank, Territory::Blank, Territory::Blank,           // 4-7 unused
    Territory::NotPAndS, Territory::Blank,                                            // 8 AEIC, 9 dependent care
    Territory::NotP, Territory::NotP, Territory::NotP, Territory::NotP, Territory::NotP,  // 10-14 deferred comp.
    Territory::Blank,                                                                 // 15 military
    Territory::NotP, Territory::NotPAndN, Territory::NotP, Territory::NotPAndN,       // 16-19
    Territory::NotP, Territory::NotP, Territory::NotPAndN, Territory::NotP, Territory::NotP,  // 20-24
};


}  // namespace

void CheckCodeRW2(const RecordText& rec, CheckContext& ctx) {
    const auto rw = Layout(RecordType::RW);

    // Mostly every amount is numeric: tested first all at once.
    static const RecordText::Positions kMoney = RecordText::PositionsOf(RecordType::RW, FieldClass::Money);
    const bool allNumeric = rec.AllDigits(kMoney);
    for (int index = rw::kAeic; index <= rw::kRoth403b; ++index) {
        const FieldLayout& f = rw[static_cast<std::size_t>(index)];
        if (index == rw::kBlank2) {
            CheckChars(ctx.findings, rec, f);
            continue;
        }
        if (!allNumeric && !rec.Digits(f)) {
            ctx.findings.TRTFieldError(Reference(f), UserEntry(rec.Cut(f)), kMsgMoneyNotNumeric, f.index, f.column);
            continue;
        }
        TerritoryMoney(rec, Totals::RT, f, rec.Amount(f), kRwTerritory[f.column], ctx);
    }

    // Military pay was reported only for the years 1995 to 2001.
    const FieldLayout& military = rw[rw::kMilitary];
    const int year = ctx.employer.taxYear;
    if ((year < 1995 || year > 2001) && !IsZeroFilled(rec.Cut(military))) {
        ctx.findings.FieldError(
            Reference("Military Employee Basic Quarters, Subsistence and Combat Pay", military.first, military.last),
            UserEntry(rec.Cut(military)), "Must be zero filled for years prior to 1995 and years after 2001.",
            military.index);
    }

    CheckChars(ctx.findings, rec, rw[rw::kBlank3]);
    CheckCode(ctx.findings, rec, rw[rw::kStatutoryEmployee], {"0", "1"},
              "Enter appropriate code: 1 - Statutory employee, 0 - Other.");
    CheckChars(ctx.findings, rec, rw[rw::kBlank4]);
    CheckCode(ctx.findings, rec, rw[rw::kRetirementPlan], {"0", "1"},
              "Enter appropriate code: 1 - Employee has Retirement Plan, 0 - Other.");
    CheckCode(ctx.findings, rec, rw[rw::kSickPayIndicator], {"0", "1"},
              "Enter appropriate code: 1 - Employee has Third-Party Sick Pay, 0 - Other.");
    CheckChars(ctx.findings, rec, rw[rw::kBlank5]);
}

}  // namespace quorvex
