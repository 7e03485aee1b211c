// Large blocks on huge pages; see BlockMemory.h.
#include "base/BlockMemory.h"

#include <pthread.h>
#include <sys/mman.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace morvel {

namespace {

constexpr std::size_t kHugePage = kHugePageBytes;

std::size_t roundUp(std::size_t bytes) { return (bytes + kHugePage - 1) & ~(kHugePage - 1); }

// `size` bytes (a multiple of 2 MB) mapped 2 MB-aligned and advised for huge
// pages; null when the system has no memory for them.
void* mapAligned(std::size_t size) {
  // Map one huge page more than needed and cut the mapping down to a
  // 2 MB-aligned range, so that every page of it can be a huge one.
  void* mapped =
      mmap(nullptr, size + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapped == MAP_FAILED) return nullptr;
  const auto start = reinterpret_cast<std::uintptr_t>(mapped);
  const std::uintptr_t aligned = (start + kHugePage - 1) & ~(kHugePage - 1);
  if (aligned > start) munmap(mapped, aligned - start);
  const std::size_t tail = kHugePage - (aligned - start);
  if (tail > 0) munmap(reinterpret_cast<void*>(aligned + size), tail);
  madvise(reinterpret_cast<void*>(aligned), size, MADV_HUGEPAGE);
  return reinterpret_cast<void*>(aligned);
}

// Has the system map in (and clear) every page of the block now.
void populate(void* block, std::size_t size) {
#ifdef MADV_POPULATE_WRITE
  if (madvise(block, size, MADV_POPULATE_WRITE) == 0) return;
#endif
  auto* bytes = static_cast<volatile char*>(block);
  for (std::size_t at = 0; at < size; at += 4096) bytes[at] = 0;
}

// Huge pages mapped in ahead by a helper thread. The system clears every
// fresh page before it is used, and filling a table of a million records
// asks for hundreds of them: cleared beside the caller, on the other core,
// they cost the caller nothing. The thread starts with the first request
// and keeps as many pages ready as have been asked for, up to a few, so a
// program that asks for one or two holds no more; once nobody has asked
// for a moment, the pages it kept go back.
class ReadyPages {
 public:
  static ReadyPages& instance() {
    static ReadyPages pages;
    return pages;
  }

  // A ready page, or null when none is (the caller maps its own).
  void* take() {
    std::lock_guard lock(mutex_);
    if (disabled_) return nullptr;
    ++asked_;
    void* page = nullptr;
    if (!ready_.empty()) {
      page = ready_.back();
      ready_.pop_back();
    }
    if (!worker_) start();
    wake_.notify_one();
    return page;
  }

  ~ReadyPages() {
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    wake_.notify_one();
    if (worker_) worker_->join();
    for (void* page : ready_) munmap(page, kHugePage);
  }

 private:
  static constexpr std::size_t kMostReady = 4;
  static constexpr std::chrono::milliseconds kIdle{100};

  ReadyPages() {
    // A child made by fork has no helper thread: it maps its own pages,
    // and the pages ready at the fork stay with it unused.
    pthread_atfork([] { instance().mutex_.lock(); }, [] { instance().mutex_.unlock(); },
                   [] {
                     ReadyPages& pages = instance();
                     pages.disabled_ = true;
                     (void)pages.worker_.release();  // not this process's thread
                     pages.mutex_.unlock();
                   });
  }

  void start() {
    try {
      worker_ = std::make_unique<std::thread>([this] { run(); });
    } catch (const std::exception&) {
      disabled_ = true;  // no thread to be had: every caller maps its own
    }
  }

  void run() {
    std::unique_lock lock(mutex_);
    for (;;) {
      const std::size_t askedBefore = asked_;
      const bool woken = wake_.wait_for(lock, kIdle, [this] {
        return stopping_ || ready_.size() < std::min(kMostReady, asked_);
      });
      if (stopping_) return;
      if (!woken) {
        // Nobody asked for a while: the run of requests is over, and the
        // pages kept for it go back rather than sit in the program's memory.
        if (asked_ == askedBefore) {
          for (void* page : ready_) munmap(page, kHugePage);
          ready_.clear();
          asked_ = 0;
          wake_.wait(lock, [this] { return stopping_ || asked_ > 0; });
        }
        continue;
      }
      lock.unlock();
      void* page = mapAligned(kHugePage);
      if (page) populate(page, kHugePage);
      lock.lock();
      if (!page) return;  // out of memory: the callers will say so
      ready_.push_back(page);
    }
  }

  std::mutex mutex_;
  std::condition_variable wake_;
  std::vector<void*> ready_;
  std::unique_ptr<std::thread> worker_;
  std::size_t asked_ = 0;
  bool stopping_ = false;
  bool disabled_ = false;
};

}  // namespace

void* allocateReadyHugePage() {
  if (void* page = ReadyPages::instance().take()) return page;
  void* page = mapAligned(kHugePage);
  if (page == nullptr) throw std::bad_alloc();
  populate(page, kHugePage);
  return page;
}

void* allocateBlock(std::size_t bytes) {
  if (bytes < kHugePage) {
    void* block = std::malloc(bytes > 0 ? bytes : 1);
    if (block == nullptr) throw std::bad_alloc();
    return block;
  }
  if (bytes == kHugePage) return allocateReadyHugePage();
  const std::size_t size = roundUp(bytes);
  if (size < bytes || size + kHugePage < size) throw std::bad_alloc();
  void* block = mapAligned(size);
  if (block == nullptr) throw std::bad_alloc();
  return block;
}

void releaseBlock(void* block, std::size_t bytes) noexcept {
  if (block == nullptr) return;
  if (bytes < kHugePage) {
    std::free(block);
  } else {
    munmap(block, roundUp(bytes));
  }
}

}  // namespace morvel
