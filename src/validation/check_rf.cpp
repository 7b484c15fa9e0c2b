#include "validation/validators.h"

namespace quorvex {

// The RF record has no field checks yet.
void CheckCodeRF(std::string_view /*txtline*/, CheckContext& /*ctx*/) {}

}  // namespace quorvex
