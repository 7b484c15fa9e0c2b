#pragma once

#include "errorlog/error_log.h"
#include "errorlog/findings.h"
#include "validation/check_context.h"

namespace quorvex {

// True in a test run; false while the record viewer re-checks a stored record, when no
// count, sum, marker or link may change.
inline bool WritesTotals(const CheckContext& ctx) {
    return !ctx.viewerMode && !ctx.findings.ViewerMode();
}

// Links the current record (an RT or RU record, the last row of Records) to the newest
// employer block: RecReference = the block's RE_EIN, RE_Indx = its Indx. Without any block
// (no RE record before) this is the log's "no current record" failure, which the reader's
// failure handler reports.
inline void LinkToLastBlock(ErrorLog& log) {
    const auto block = log.LastBlock();
    if (!block) throw LogFailure{3021, "No current record."};
    log.SetRecReference(block->second);
    log.SetReIndx(block->first);
}

}  // namespace quorvex
