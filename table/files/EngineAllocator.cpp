// The engine allocator; see EngineAllocator.h.
#include "table/files/EngineAllocator.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>

#include "base/BlockMemory.h"
#include "table/files/EngineError.h"

#if defined(__linux__)
#include <sys/mman.h>
#endif
#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace morvel {
namespace {

// After this many frees or reallocations the heap is asked to give unused
// memory back, so that dropping a big table does not leave it all reserved.
constexpr int kCompactEvery = 1020;

struct AllocatorState {
  std::mutex mutex;
  std::size_t inUse = 0;
  int releases = 0;
  // Injected failures (under the mutex, looked at only while armed).
  std::atomic<bool> armed{false};
  std::int64_t successesLeft = 0;
  bool persistent = false;
  bool failed = false;
};

AllocatorState& state() {
  static AllocatorState s;
  return s;
}

void countAllocation(std::size_t size) {
  std::lock_guard lock(state().mutex);
  state().inUse += size;
}

void countRelease(std::size_t size, bool mayCompact) {
  std::lock_guard lock(state().mutex);
  state().inUse -= size;
  if (mayCompact && ++state().releases >= kCompactEvery) {
    state().releases = 0;
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
  }
}

[[noreturn]] void outOfMemory() { raiseEngineError(kOutOfMemory, {}); }

// Counts one allocation against an armed failure; true when it must fail.
bool injectedFailure() {
  AllocatorState& s = state();
  if (!s.armed.load(std::memory_order_relaxed)) return false;
  std::lock_guard lock(s.mutex);
  if (s.failed) return s.persistent;
  if (s.successesLeft > 0) {
    --s.successesLeft;
    return false;
  }
  s.failed = true;
  return true;
}

}  // namespace

void* engineAllocate(std::size_t size) {
  if (size == 0) return nullptr;
  if (injectedFailure()) outOfMemory();
  void* block = std::calloc(1, size);
  if (!block) outOfMemory();
  countAllocation(size);
  return block;
}

void* engineReallocate(void* block, std::size_t oldSize, std::size_t newSize) {
  if (!block) return engineAllocate(newSize);
  if (newSize == 0) {
    engineFree(block, oldSize);
    return nullptr;
  }
  if (injectedFailure()) outOfMemory();
  void* grown = std::realloc(block, newSize);
  if (!grown) outOfMemory();
  if (newSize > oldSize) std::memset(static_cast<char*>(grown) + oldSize, 0, newSize - oldSize);
  countAllocation(newSize);
  countRelease(oldSize, true);
  return grown;
}

void engineFree(void* block, std::size_t size) {
  if (!block) return;
  std::free(block);
  countRelease(size, true);
}

void* engineAllocateLarge(std::size_t size, bool hugePages) {
  if (size == 0) return nullptr;
  if (injectedFailure()) outOfMemory();
#if defined(__linux__)
  if (hugePages && size == kHugePageBytes) {
    // A memory file's chunk: mapped in and cleared ahead, beside the caller.
    void* block = nullptr;
    try {
      block = allocateReadyHugePage();
    } catch (const std::bad_alloc&) {
      outOfMemory();
    }
    countAllocation(size);
    return block;
  }
  // Map one extra block so that the start can be aligned to a huge page.
  const std::size_t mapped = size + kLargeBlockSize;
  void* raw = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (raw == MAP_FAILED) outOfMemory();
  const auto start = reinterpret_cast<std::uintptr_t>(raw);
  const std::uintptr_t aligned = (start + kLargeBlockSize - 1) / kLargeBlockSize * kLargeBlockSize;
  if (aligned > start) munmap(raw, aligned - start);
  const std::uintptr_t end = start + mapped;
  if (end > aligned + size) munmap(reinterpret_cast<void*>(aligned + size), end - (aligned + size));
  void* block = reinterpret_cast<void*>(aligned);
  if (hugePages) madvise(block, size, MADV_HUGEPAGE);
#ifdef MADV_POPULATE_WRITE
  // Memory files fill their chunks as they grow, so the pages are wanted
  // at once: mapping them in one call costs less than taking a fault on
  // each. Where the system cannot, the faults come as before.
  madvise(block, size, MADV_POPULATE_WRITE);
#endif
#else
  (void)hugePages;
  void* block = std::aligned_alloc(kLargeBlockSize, size);
  if (!block) outOfMemory();
  std::memset(block, 0, size);
#endif
  countAllocation(size);
  return block;
}

void engineFreeLarge(void* block, std::size_t size) {
  if (!block) return;
#if defined(__linux__)
  munmap(block, size);
#else
  std::free(block);
#endif
  countRelease(size, false);
}

std::size_t engineBytesInUse() {
  std::lock_guard lock(state().mutex);
  return state().inUse;
}

void failEngineAllocationsAfter(std::int64_t successes, bool persistent) {
  AllocatorState& s = state();
  std::lock_guard lock(s.mutex);
  s.successesLeft = successes;
  s.persistent = persistent;
  s.failed = false;
  s.armed.store(true, std::memory_order_relaxed);
}

void stopFailingEngineAllocations() {
  AllocatorState& s = state();
  std::lock_guard lock(s.mutex);
  s.armed.store(false, std::memory_order_relaxed);
}

bool engineAllocationFailed() {
  AllocatorState& s = state();
  std::lock_guard lock(s.mutex);
  return s.armed.load(std::memory_order_relaxed) && s.failed;
}

}  // namespace morvel
