#pragma once

#include <functional>

#include "common/environment.h"

namespace quorvex {

struct RunOptions;

// quorvex-check: tests a ZRW5 wage report submission from the command line, with the
// same test run as the desktop program, and leaves the results in Errorlog.mdb. Returns
// the exit status; never throws. `adjust`, when given, changes the options of the run
// before it starts (the tests' seam for commit points and yields). `env` is what the
// environment asks for (main reads it); the command line's options go before it.
int CheckMain(int argc, char** argv, const std::function<void(RunOptions&)>& adjust = {}, const Environment& env = {});

}  // namespace quorvex
