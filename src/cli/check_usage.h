#pragma once

#include <string>

namespace quorvex {

// What quorvex-check --help prints; the findings formats come from their table.
std::string CheckUsage();

}  // namespace quorvex
