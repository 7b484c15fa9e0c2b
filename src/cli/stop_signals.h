#pragma once

#include <memory>

namespace quorvex {

// Ctrl-C (SIGINT), SIGTERM, SIGHUP and SIGPIPE while the object lives. The first one asks
// the run to stop as the window's Exit does: CliServices::Yield answers false from then on,
// and a read of the submission that waits (a pipe, a FIFO) returns to the run, which
// yields. A second one
// ends the program at once, as it would have without the object (a second SIGPIPE does
// not: writes to the closed pipe fail instead).
class StopSignals {
public:
    StopSignals();
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // The signal received; 0 while none has been.
    static int Received();

private:
    struct Saved;
    std::unique_ptr<Saved> saved_;  // the actions to restore
};

}  // namespace quorvex
