#include "validation/validators.h"

namespace quorvex {

// The RT record has no field checks yet.
void CheckCodeRT(std::string_view /*txtline*/, CheckContext& /*ctx*/) {}

}  // namespace quorvex
