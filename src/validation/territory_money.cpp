#include "validation/territory_money.h"

#include <string>

#include "errorlog/findings.h"
#include "validation/check_context.h"

namespace quorvex {

namespace {

constexpr std::string_view kToCodes = " field or change the Tax Jurisdiction Code in the RE record to ";

}  // namespace

void ReportTerritory(const RecordText& rec, const FieldLayout& f, std::string_view ending, Findings& out) {
    std::string msg;
    msg.reserve(2 * f.caption.size() + 220);
    msg.append("The ").append(f.caption)
        .append(" field must be zero because it does not apply to the Tax Jurisdiction Code entered in the RE record. "
                "Either enter a value of zero in the ")
        .append(f.caption).append(kToCodes).append(ending);
    out.FieldError(Reference(f), UserEntry(rec.Cut(f)), msg, f.index);
}

}  // namespace quorvex
