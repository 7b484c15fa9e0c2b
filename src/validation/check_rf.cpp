#include <cstdint>

#include "errorlog/findings.h"
#include "validation/check_primitives.h"
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

    const FieldLayout& countF = Field(RecordType::RF, 2);
    CheckChars(out, txtline, Field(RecordType::RF, 1));
    const std::string_view count = Cut(txtline, countF);
    if (!NumCheck(count)) {
        Report(out, txtline, countF, kMsgCountNotNumeric);
    } else if (static_cast<std::int64_t>(DigitsValue(count)) != rwCount) {
        Report(out, txtline, countF, kMsgCountDiffers);
    }
    CheckChars(out, txtline, Field(RecordType::RF, 3));
}

}  // namespace quorvex
