#include "cli/stop_signals.h"

#include <signal.h>

#include <atomic>
#include <iterator>

namespace quorvex {

namespace {

std::atomic<int> received{0};
static_assert(std::atomic<int>::is_always_lock_free, "the handler may only touch a lock-free flag");

// A closed terminal (SIGHUP) and a reader of the output that went away (SIGPIPE) end a run
// as Ctrl-C and SIGTERM do.
constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};

// The first signal is the one told: a SIGPIPE from the last words of an ending run does not
// replace the Ctrl-C that ended it.
void OnSignal(int signal) {
    int none = 0;
    received.compare_exchange_strong(none, signal);
}

}  // namespace

struct StopSignals::Saved {
    struct sigaction actions[std::size(kSignals)];
};

StopSignals::StopSignals() : saved_(std::make_unique<Saved>()) {
    received.store(0);
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: a read that waits is broken off, so the run sees the request. The
    // handler goes after one signal: the next one has its usual effect.
    for (std::size_t i = 0; i < std::size(kSignals); ++i) {
        // SIGPIPE stays caught: the writes that follow to the same pipe fail with EPIPE
        // instead of ending the program before its log is closed.
        action.sa_flags = kSignals[i] == SIGPIPE ? 0 : SA_RESETHAND;
        sigaction(kSignals[i], &action, &saved_->actions[i]);
        // A signal the program was started to ignore (nohup, a background job) stays ignored.
        if (saved_->actions[i].sa_handler == SIG_IGN) sigaction(kSignals[i], &saved_->actions[i], nullptr);
    }
}

StopSignals::~StopSignals() {
    for (std::size_t i = 0; i < std::size(kSignals); ++i) sigaction(kSignals[i], &saved_->actions[i], nullptr);
}

int StopSignals::Received() { return received.load(); }

}  // namespace quorvex
