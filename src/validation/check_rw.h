#pragma once

#include <string_view>

#include "validation/check_context.h"

namespace quorvex {

// Positions 265-512 of the RW record; CheckCodeRW calls it after positions 3-264.
void CheckCodeRW2(std::string_view txtline, CheckContext& ctx);

}  // namespace quorvex
