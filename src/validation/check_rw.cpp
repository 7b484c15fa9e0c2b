#include "validation/validators.h"

namespace quorvex {

// The RW record has no field checks yet.
void CheckCodeRW(std::string_view /*txtline*/, CheckContext& /*ctx*/) {}

}  // namespace quorvex
