#pragma once

namespace quorvex {

// What quorvex-check --help prints, and what follows the problem of a wrong command line.
extern const char* const kCheckUsage;

}  // namespace quorvex
