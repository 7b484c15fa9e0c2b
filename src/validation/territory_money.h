#pragma once

#include <string_view>

#include "errorlog/findings.h"
#include "validation/check_context.h"
#include "validation/layouts.h"
#include "validation/record_text.h"

namespace quorvex {

// Territory categories of the RW and RO money amounts: which Tax Jurisdiction Codes of the
// employer allow a non-zero amount.
enum class Territory {
    Islands,   // V, G, S or N, or an invalid code
    NotP,      // any code but P
    NotPAndN,  // any code but P and N
    NotPAndS,  // any code but P and S
    Blank,     // the blank code only
    P,         // P only
};

// The block totals an amount adds into: the TRT row (RW amounts, reconciled by the RT
// record) or the TRU row (RO amounts, reconciled by the RU record).
enum class Totals { RT, RU };

// The finding on an amount of field `f` that the employer's code does not allow; `ending`
// names the codes that would allow it.
void ReportTerritory(const RecordText& rec, const FieldLayout& f, std::string_view ending, Findings& out);

// Whether the employer's code allows a non-zero amount of category `terr`; `report`:
// whether a refusal is reported; `ending`: the codes that would allow it.
struct TerritoryVerdict {
    bool allowed;
    bool report;
    std::string_view ending;
};

inline TerritoryVerdict JudgeTerritory(Territory terr, const EmployerContext& employer) {
    const char j = employer.acceptedJurisdiction;  // '\0' when the code was invalid
    switch (terr) {
        case Territory::Islands:
            return {j == 'G' || j == 'V' || j == 'S' || j == 'N' || !employer.jurisdictionValid, true,
                    "V, G, S or N."};
        case Territory::NotP: return {j != 'P', true, "V, G, S, N or blank."};
        case Territory::NotPAndN: return {j != 'P' && j != 'N', true, "V, G, S or blank."};
        case Territory::NotPAndS: return {j != 'P' && j != 'S', true, "V, G, N or blank."};
        case Territory::Blank: return {j == ' ', employer.jurisdictionValid, "blank."};
        case Territory::P: return {j == 'P', employer.jurisdictionValid, "P."};
    }
    return {true, false, {}};
}

// Applies the Tax Jurisdiction Code rule of category `terr` to the non-zero `amount` of
// field `f` and adds it to column f.column of the newest row of `totals`, whether or not
// the rule found fault. A zero amount is neither judged nor added. An amount of the
// blank or P category that is not allowed is reported only when the employer's code was
// valid.
inline void TerritoryMoney(const RecordText& rec, Totals totals, const FieldLayout& f, double amount, Territory terr,
                           CheckContext& ctx) {
    if (amount == 0) return;
    const TerritoryVerdict v = JudgeTerritory(terr, ctx.employer);
    if (!v.allowed && v.report) ReportTerritory(rec, f, v.ending, ctx.findings);
    if (totals == Totals::RT) ctx.findings.AddTRT(f.column, false, amount);
    else ctx.findings.AddTRU(f.column, false, amount);
}

}  // namespace quorvex
