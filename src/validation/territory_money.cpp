#include "validation/territory_money.h"

#include <string>

#include "errorlog/findings.h"
#include "validation/check_context.h"
#include "validation/layouts.h"

namespace quorvex {

namespace {

constexpr std::string_view kToCodes = " field or change the Tax Jurisdiction Code in the RE record to ";

}  // namespace

void TerritoryMoney(std::string_view txtline, std::string_view id, std::string_view fieldName,
                    int fieldBegPos, int fieldEndPos, int fieldLength, int txtArrayNum,
                    double amnt, std::string_view& terr, int truIndex, CheckContext& ctx) {
    if (amnt == 0) return;

    const std::string_view j = ctx.employer.acceptedJurisdiction;
    bool allowed = false;
    bool report = true;
    std::string_view ending;  // the codes that would allow the amount
    if (terr == kTerrIslands) {
        allowed = j == "G" || j == "V" || j == "S" || j == "N" || !ctx.employer.jurisdictionValid;
        ending = "V, G, S or N.";
    } else if (terr == kTerrNotP) {
        allowed = j != "P";
        ending = "V, G, S, N or blank.";
    } else if (terr == kTerrNotPAndN) {
        allowed = j != "P" && j != "N";
        ending = "V, G, S or blank.";
    } else if (terr == kTerrNotPAndS) {
        allowed = j != "P" && j != "S";
        ending = "V, G, N or blank.";
    } else {
        allowed = terr == j;
        if (!allowed) {
            if (terr == kTerrBlank) terr = "blank";
            report = ctx.employer.jurisdictionValid;
        }
    }

    if (!allowed && report) {
        std::string msg;
        msg.reserve(2 * fieldName.size() + 220);
        msg.append("The ").append(fieldName)
            .append(" field must be zero because it does not apply to the Tax Jurisdiction Code entered in the RE record. "
                    "Either enter a value of zero in the ")
            .append(fieldName).append(kToCodes);
        if (ending.empty()) msg.append(terr).append(".");
        else msg.append(ending);
        ctx.findings.FieldError(Reference(fieldName, fieldBegPos, fieldEndPos),
                                UserEntry(Cut(txtline, fieldBegPos, fieldBegPos + fieldLength - 1)), msg,
                                txtArrayNum);
    }

    if (id == "RW" && terr != kTerrIslands) ctx.findings.AddTRT(truIndex, false, amnt);
    else ctx.findings.AddTRU(truIndex, false, amnt);
}

}  // namespace quorvex
