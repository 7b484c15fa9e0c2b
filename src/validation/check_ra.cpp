#include "validation/validators.h"

namespace quorvex {

// The RA record has no field checks yet.
void CheckCodeRA(std::string_view /*txtline*/, CheckContext& /*ctx*/) {}

}  // namespace quorvex
