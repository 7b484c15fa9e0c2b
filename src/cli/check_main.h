#pragma once

#include <functional>

namespace quorvex {

struct RunOptions;

// quorvex-check: tests a ZRW5 wage report submission from the command line, with the
// same test run as the desktop program, and leaves the results in Errorlog.mdb. Returns
// the exit status; never throws. `adjust`, when given, changes the options of the run
// before it starts (the tests' seam for commit points and yields). `hideSsns` is --redact
// given by the environment (QUORVEX_REDACT, which main reads).
int CheckMain(int argc, char** argv, const std::function<void(RunOptions&)>& adjust = {}, bool hideSsns = false);

}  // namespace quorvex
