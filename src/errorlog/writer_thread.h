#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace quorvex {

// A thread of its own that applies batches of bytes (the error log's ready rows) in the
// order they were handed over, while the thread that makes them goes on with its work.
//
// Memory stays flat: a fixed number of batch buffers circulate between the two threads.
// The producer fills one (Batch), hands it over when it is full (RowDone) and takes a
// free one, waiting while every other buffer is still queued or being applied.
//
// When `apply` throws, nothing more is applied: the batches after the failing one are
// dropped, and Drain throws the failure to the producer.
class WriterThread {
public:
    using Apply = std::function<void(const std::vector<char>& batch)>;

    WriterThread(Apply apply, std::size_t batches, std::size_t batchBytes);
    // Applies what has been handed over (a failure is dropped) and ends the thread.
    ~WriterThread();
    WriterThread(const WriterThread&) = delete;
    WriterThread& operator=(const WriterThread&) = delete;

    // The batch being filled; rows are appended whole.
    std::vector<char>& Batch() { return *filling_; }
    // Called after each row: hands the batch over once it holds `batchBytes`.
    void RowDone() {
        if (filling_->size() >= batchBytes_) HandOver();
    }
    // Hands over the batch being filled, unless it is empty.
    void HandOver();
    // Hands over what is filled and waits until every batch has been applied; throws the
    // failure of `apply`, if there was one since the last Drain.
    void Drain();
    // True once `apply` has failed (a hint: the failure itself comes from Drain).
    bool HasFailed() const { return failed_.load(std::memory_order_acquire); }

private:
    void Loop();

    const Apply apply_;
    const std::size_t batchBytes_;
    std::vector<std::unique_ptr<std::vector<char>>> buffers_;
    std::vector<char>* filling_ = nullptr;

    std::mutex mutex_;
    std::condition_variable work_;     // the writer waits for a batch (or the end)
    std::condition_variable settled_;  // the producer waits for a free buffer (or idleness)
    std::deque<std::vector<char>*> queued_;
    std::vector<std::vector<char>*> free_;
    bool busy_ = false;
    bool stop_ = false;
    std::exception_ptr failure_;
    std::atomic<bool> failed_{false};
    std::thread thread_;  // last: starts once everything above is ready
};

}  // namespace quorvex
