#include "errorlog/writer_thread.h"

#include <pthread.h>
#include <signal.h>

#include <utility>

#include "errorlog/run_timeline.h"

namespace quorvex {

WriterThread::WriterThread(Apply apply, std::size_t batches, std::size_t batchBytes)
    : apply_(std::move(apply)), batchBytes_(batchBytes) {
    if (batches < 2) batches = 2;
    for (std::size_t i = 0; i < batches; ++i) {
        buffers_.push_back(std::make_unique<ByteBatch>());
        // Room for the last row that crosses the mark, so a batch is not reallocated.
        buffers_.back()->reserve(batchBytes + batchBytes / 8);
        free_.push_back(buffers_.back().get());
    }
    filling_ = free_.back();
    free_.pop_back();
    thread_ = std::thread([this] {
        // Signals that end a run are for the thread of the run: a read waiting there must be
        // broken off by them.
        sigset_t stops;
        sigemptyset(&stops);
        for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) sigaddset(&stops, signal);
        pthread_sigmask(SIG_BLOCK, &stops, nullptr);
        Loop();
    });
}

WriterThread::~WriterThread() {
    try {
        Drain();
    } catch (...) {
    }
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    work_.notify_one();
    thread_.join();
}

void WriterThread::HandOver() {
    if (filling_->empty()) return;
    std::unique_lock lock(mutex_);
    queued_.push_back(filling_);
    work_.notify_one();
    if (free_.empty()) {
        const timeline::WaitTimer timer(timeline::Wait::ChecksForBuffer);
        settled_.wait(lock, [this] { return !free_.empty(); });
    }
    filling_ = free_.back();
    free_.pop_back();
}

void WriterThread::Drain() {
    HandOver();
    std::unique_lock lock(mutex_);
    if (!queued_.empty() || busy_) {
        const timeline::WaitTimer timer(timeline::Wait::ChecksForDrain);
        settled_.wait(lock, [this] { return queued_.empty() && !busy_; });
    }
    if (failure_) {
        failed_.store(false, std::memory_order_release);
        std::rethrow_exception(std::exchange(failure_, nullptr));
    }
}

void WriterThread::Loop() {
    timeline::Mark("writer-thread-start");
    std::chrono::steady_clock::time_point lastApplied{};
    std::unique_lock lock(mutex_);
    for (;;) {
        if (!stop_ && queued_.empty()) {
            const timeline::WaitTimer timer(timeline::Wait::WriterIdle);
            idle_.store(true, std::memory_order_relaxed);
            work_.wait(lock, [this] { return stop_ || !queued_.empty(); });
            idle_.store(false, std::memory_order_relaxed);
        }
        if (queued_.empty()) {  // stopped, and nothing left
            if (timeline::Enabled()) timeline::Mark("writer-last-batch-end", lastApplied);
            return;
        }
        ByteBatch* batch = queued_.front();
        queued_.pop_front();
        busy_ = true;
        const bool skip = failure_ != nullptr;
        lock.unlock();
        std::exception_ptr failure;
        if (!skip) {
            if (timeline::Enabled() && lastApplied == std::chrono::steady_clock::time_point{})
                timeline::Mark("writer-first-batch");
            try {
                apply_(*batch);
            } catch (...) {
                failure = std::current_exception();
            }
        }
        batch->clear();
        if (timeline::Enabled()) lastApplied = std::chrono::steady_clock::now();
        lock.lock();
        if (failure) {
            failure_ = failure;
            failed_.store(true, std::memory_order_release);
        }
        free_.push_back(batch);
        busy_ = false;
        settled_.notify_one();
    }
}

}  // namespace quorvex
