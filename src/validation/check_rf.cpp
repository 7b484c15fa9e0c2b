#include <cstdint>

#include "errorlog/findings.h"
#include "validation/check_primitives.h"
#include "validation/field_names.h"
#include "validation/validators.h"

namespace quorvex {

namespace {

constexpr std::string_view kMsgCountNotNumeric = "Must be numeric. Right justify and zero fill.";
constexpr std::string_view kMsgCountDiffers =
    "The number of RW records in the submission does not equal the value in the RF record.";

}  // namespace

void CheckCodeRF(std::string_view txtline, CheckContext& ctx) {
    Findings& out = ctx.findings;
    // Every RW record filed in the run so far, in all files of the submission. A
    // submission without any RW record counts 0 (and an RF record saying 0 is right).
    const std::int64_t rwCount = ctx.facts.CountRW();

    const RecordText rec(txtline);
    const FieldLayout& countF = Field(RecordType::RF, rf::kRwCount);
    CheckChars(out, rec, Field(RecordType::RF, rf::kBlank1));
    const std::string_view count = rec.Cut(countF);
    if (!rec.Digits(countF)) {
        Report(out, rec, countF, kMsgCountNotNumeric);
    } else if (static_cast<std::int64_t>(DigitsValue(count)) != rwCount) {
        Report(out, rec, countF, kMsgCountDiffers);
    }
    CheckChars(out, rec, Field(RecordType::RF, rf::kBlank2));
}

}  // namespace quorvex
