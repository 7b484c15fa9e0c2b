#pragma once

namespace quorvex {

// quorvex-check: tests a ZRW5 wage report submission from the command line, with the
// same test run as the desktop program, and leaves the results in Errorlog.mdb. Returns
// the exit status; never throws.
int CheckMain(int argc, char** argv);

}  // namespace quorvex
