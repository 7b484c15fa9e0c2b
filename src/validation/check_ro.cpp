#include "validation/validators.h"

namespace quorvex {

// The RO record has no field checks yet.
void CheckCodeRO(std::string_view /*txtline*/, CheckContext& /*ctx*/) {}

}  // namespace quorvex
