// Batches passed between two threads: one fills spare batches and hands them
// over full, the other takes them in order and gives each back once done
// with it. With every batch full or in use the filling side waits, so it
// never runs far ahead of the other. A failure of the taking side is kept
// for the filling side, which then gets no more spare batches (as when the
// taking side stops); closing lets the taking side finish the full batches.
#pragma once

#include <array>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <vector>

namespace morvel {

template <class Batch, std::size_t Batches = 4>
class BatchQueue {
 public:
  BatchQueue() {
    for (Batch& batch : batches_) spare_.push_back(&batch);
  }
  BatchQueue(const BatchQueue&) = delete;
  BatchQueue& operator=(const BatchQueue&) = delete;

  // A batch to fill; none once a failure is kept or the taking side stopped.
  Batch* spare() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return !spare_.empty() || failure_ || stopped_; });
    if (failure_ || stopped_) return nullptr;
    Batch* batch = spare_.back();
    spare_.pop_back();
    return batch;
  }
  void handOver(Batch* batch) {
    {
      const std::lock_guard lock(mutex_);
      full_.push_back(batch);
    }
    changed_.notify_all();
  }
  // The next full batch, in the order they were handed over; none once
  // closed and empty.
  Batch* next() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return !full_.empty() || closed_; });
    if (full_.empty()) return nullptr;
    Batch* batch = full_.front();
    full_.pop_front();
    return batch;
  }
  // The batch is spare again, emptied (Batch::clear).
  void giveBack(Batch* batch) {
    batch->clear();
    {
      const std::lock_guard lock(mutex_);
      spare_.push_back(batch);
    }
    changed_.notify_all();
  }
  // The first failure is kept; later ones add nothing.
  void fail(std::exception_ptr failure) {
    {
      const std::lock_guard lock(mutex_);
      if (!failure_) failure_ = std::move(failure);
    }
    changed_.notify_all();
  }
  // The taking side wants no more batches.
  void stop() {
    {
      const std::lock_guard lock(mutex_);
      stopped_ = true;
    }
    changed_.notify_all();
  }
  void close() {
    {
      const std::lock_guard lock(mutex_);
      closed_ = true;
    }
    changed_.notify_all();
  }
  std::exception_ptr failure() {
    const std::lock_guard lock(mutex_);
    return failure_;
  }

 private:
  std::array<Batch, Batches> batches_;
  std::vector<Batch*> spare_;
  std::deque<Batch*> full_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::exception_ptr failure_;
  bool closed_ = false;
  bool stopped_ = false;
};

}  // namespace morvel
