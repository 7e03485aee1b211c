// Large blocks on huge pages; see BlockMemory.h.
#include "base/BlockMemory.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>

namespace morvel {

namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;

std::size_t roundUp(std::size_t bytes) { return (bytes + kHugePage - 1) & ~(kHugePage - 1); }

}  // namespace

void* allocateBlock(std::size_t bytes) {
  if (bytes < kHugePage) {
    void* block = std::malloc(bytes > 0 ? bytes : 1);
    if (block == nullptr) throw std::bad_alloc();
    return block;
  }
  // Map one huge page more than needed and cut the mapping down to a
  // 2 MB-aligned range, so that every page of it can be a huge one.
  const std::size_t size = roundUp(bytes);
  if (size < bytes || size + kHugePage < size) throw std::bad_alloc();
  void* mapped =
      mmap(nullptr, size + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapped == MAP_FAILED) throw std::bad_alloc();
  const auto start = reinterpret_cast<std::uintptr_t>(mapped);
  const std::uintptr_t aligned = (start + kHugePage - 1) & ~(kHugePage - 1);
  if (aligned > start) munmap(mapped, aligned - start);
  const std::size_t tail = kHugePage - (aligned - start);
  if (tail > 0) munmap(reinterpret_cast<void*>(aligned + size), tail);
  madvise(reinterpret_cast<void*>(aligned), size, MADV_HUGEPAGE);
  return reinterpret_cast<void*>(aligned);
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
