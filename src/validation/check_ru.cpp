#include "validation/validators.h"

namespace quorvex {

// The RU record has no field checks yet.
void CheckCodeRU(std::string_view /*txtline*/, CheckContext& /*ctx*/) {}

}  // namespace quorvex
