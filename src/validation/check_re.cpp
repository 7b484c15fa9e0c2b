#include "errorlog/error_log.h"
#include "validation/validators.h"

namespace quorvex {

void CheckCodeRE(std::string_view txtline, CheckContext& ctx) {
    // Opens the employer block: a TRT and a TRU row, and the record linked to it.
    if (!ctx.viewerMode) {
        std::string_view ein = txtline.size() >= 16 ? txtline.substr(7, 9) : std::string_view{};
        std::int64_t indx = ctx.log.OpenBlock(ein);
        ctx.log.SetRecReference(ein);
        ctx.log.SetReIndx(indx);
    }
}

}  // namespace quorvex
