#pragma once

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstring>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace quorvex {

// Bytes appended one value after another into memory that is kept when cleared.
class ByteBatch {
public:
    ByteBatch() = default;
    ByteBatch(ByteBatch&& other) noexcept
        : data_(std::move(other.data_)), size_(std::exchange(other.size_, 0)),
          capacity_(std::exchange(other.capacity_, 0)) {}
    ByteBatch& operator=(ByteBatch&& other) noexcept {
        data_ = std::move(other.data_);
        size_ = std::exchange(other.size_, 0);
        capacity_ = std::exchange(other.capacity_, 0);
        return *this;
    }

    const char* data() const { return data_.get(); }
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    void clear() { size_ = 0; }
    void reserve(std::size_t capacity) {
        if (capacity <= capacity_) return;
        auto bigger = std::make_unique<char[]>(capacity);
        if (size_) std::memcpy(bigger.get(), data_.get(), size_);
        data_ = std::move(bigger);
        capacity_ = capacity;
    }
    void append(const void* bytes, std::size_t n) {
        if (n > capacity_ - size_) reserve(std::max(2 * capacity_, size_ + n));
        std::memcpy(data_.get() + size_, bytes, n);
        size_ += n;
    }

private:
    std::unique_ptr<char[]> data_;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};

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
    using Apply = std::function<void(const ByteBatch& batch)>;

    WriterThread(Apply apply, std::size_t batches, std::size_t batchBytes);
    // Applies what has been handed over (a failure is dropped) and ends the thread.
    ~WriterThread();
    WriterThread(const WriterThread&) = delete;
    WriterThread& operator=(const WriterThread&) = delete;

    // The batch being filled; rows are appended whole.
    ByteBatch& Batch() { return *filling_; }
    // Called after each row: hands the batch over once it holds `batchBytes` (an eighth of
    // it while the writer waits for work, so that it does not wait long) and the row ends a
    // piece the applier takes whole (`mayCut`).
    void RowDone(bool mayCut = true) {
        if (!mayCut) return;
        const std::size_t size = filling_->size();
        if (size >= batchBytes_ || (size >= batchBytes_ / 8 && idle_.load(std::memory_order_relaxed))) HandOver();
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
    std::vector<std::unique_ptr<ByteBatch>> buffers_;
    ByteBatch* filling_ = nullptr;

    std::mutex mutex_;
    std::condition_variable work_;     // the writer waits for a batch (or the end)
    std::condition_variable settled_;  // the producer waits for a free buffer (or idleness)
    std::deque<ByteBatch*> queued_;
    std::vector<ByteBatch*> free_;
    bool busy_ = false;
    bool stop_ = false;
    std::exception_ptr failure_;
    std::atomic<bool> failed_{false};
    std::atomic<bool> idle_{false};  // the writer waits for a batch
    std::thread thread_;  // last: starts once everything above is ready
};

}  // namespace quorvex
