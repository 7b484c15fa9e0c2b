#include "validation/check_rw.h"

#include <array>
#include <string_view>

#include "errorlog/findings.h"
#include "validation/check_primitives.h"
#include "validation/layouts.h"
#include "validation/territory_money.h"

namespace quorvex {

namespace {

// Territory category of each RW money column 1-24 (index 0 unused; columns 3-7 enter the
// totals directly).
constexpr std::array<std::string_view, 25> kRwTerritory{{
    {},
    kTerrBlank,    kTerrBlank,                                          // 1-2
    {},            {},           {},          {},          {},         // 3-7
    kTerrNotPAndS, kTerrBlank,                                          // 8 AEIC, 9 dependent care
    kTerrNotP,     kTerrNotP,    kTerrNotP,   kTerrNotP,   kTerrNotP,  // 10-14 deferred compensation
    kTerrBlank,                                                         // 15 military
    kTerrNotP,     kTerrNotPAndN, kTerrNotP,  kTerrNotPAndN,            // 16-19
    kTerrNotP,     kTerrNotP,    kTerrNotPAndN, kTerrNotP, kTerrNotP,  // 20-24
}};

constexpr int kFirstBlockIndex = 23;   // the eighteen fields 265-462: boxes 23-40
constexpr int kLastBlockIndex = 40;
constexpr int kMilitaryIndex = 30;

}  // namespace

void CheckCodeRW2(std::string_view txtline, CheckContext& ctx) {
    const auto rw = Layout(RecordType::RW);

    for (int index = kFirstBlockIndex; index <= kLastBlockIndex; ++index) {
        const FieldLayout& f = rw[static_cast<std::size_t>(index)];
        if (f.cls == FieldClass::Blank) {  // 397-407
            CheckChars(ctx.findings, txtline, f);
            continue;
        }
        const std::string_view s = Cut(txtline, f);
        if (!NumCheck(s)) {
            ctx.findings.TRTFieldError(Reference(f), UserEntry(s), kMsgMoneyNotNumeric, f.index, f.column);
            continue;
        }
        std::string_view terr = kRwTerritory[static_cast<std::size_t>(f.column)];
        TerritoryMoney(txtline, "RW", f.caption, f.first, f.last, f.Length(), f.index, DigitsValue(s), terr,
                       f.column, ctx);
    }

    // Military pay was reported only for the years 1995 to 2001.
    const FieldLayout& military = rw[kMilitaryIndex];
    const int year = ctx.employer.taxYear;
    if ((year < 1995 || year > 2001) && !IsZeroFilled(Cut(txtline, military))) {
        ctx.findings.FieldError(
            Reference("Military Employee Basic Quarters, Subsistence and Combat Pay", military.first, military.last),
            UserEntry(Cut(txtline, military)), "Must be zero filled for years prior to 1995 and years after 2001.",
            military.index);
    }

    CheckChars(ctx.findings, txtline, rw[41]);
    CheckCode(ctx.findings, txtline, rw[42], {"0", "1"}, "Enter appropriate code: 1 - Statutory employee, 0 - Other.");
    CheckChars(ctx.findings, txtline, rw[43]);
    CheckCode(ctx.findings, txtline, rw[44], {"0", "1"},
              "Enter appropriate code: 1 - Employee has Retirement Plan, 0 - Other.");
    CheckCode(ctx.findings, txtline, rw[45], {"0", "1"},
              "Enter appropriate code: 1 - Employee has Third-Party Sick Pay, 0 - Other.");
    CheckChars(ctx.findings, txtline, rw[46]);
}

}  // namespace quorvex
