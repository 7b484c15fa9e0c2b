#pragma once

#include <string_view>

#include "validation/check_context.h"
#include "validation/record_text.h"

namespace quorvex {

// Positions 265-512 of the RW record; CheckCodeRW calls it after positions 3-264.
void CheckCodeRW2(const RecordText& rec, CheckContext& ctx);

}  // namespace quorvex
