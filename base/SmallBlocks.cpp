// Small blocks carved from huge-page chunks; see SmallBlocks.h.
#include "base/SmallBlocks.h"

#include <atomic>
#include <cstdint>
#include <new>

#include "base/BlockMemory.h"

namespace morvel {
namespace {

constexpr std::size_t kChunkBytes = std::size_t{2} << 20;  // one huge page
constexpr std::size_t kAlignment = 16;

// The head of a chunk. `references` counts the blocks carved from it and
// still in use, plus one while it is the chunk being carved: whoever takes
// the count to zero gives the chunk back.
struct alignas(kAlignment) Chunk {
  std::atomic<std::size_t> references{1};
};

std::atomic<std::size_t> chunksHeld{0};

Chunk* chunkOf(void* block) {
  return reinterpret_cast<Chunk*>(reinterpret_cast<std::uintptr_t>(block) & ~(kChunkBytes - 1));
}

void dropReference(Chunk* chunk) noexcept {
  if (chunk->references.fetch_sub(1, std::memory_order_acq_rel) != 1) return;
  chunk->~Chunk();
  releaseBlock(chunk, kChunkBytes);
  chunksHeld.fetch_sub(1, std::memory_order_relaxed);
}

// The chunk this thread carves from, and where its free room starts.
struct Carver {
  Chunk* chunk = nullptr;
  std::size_t used = 0;

  ~Carver() {
    if (chunk) dropReference(chunk);
  }

  void* carve(std::size_t bytes) {
    if (!chunk || used + bytes > kChunkBytes) {
      // allocateBlock maps 2 MB blocks 2 MB-aligned, so a block's chunk is
      // found by masking its address.
      void* memory = allocateBlock(kChunkBytes);
      chunksHeld.fetch_add(1, std::memory_order_relaxed);
      if (chunk) dropReference(chunk);
      chunk = new (memory) Chunk;
      used = sizeof(Chunk);
    }
    void* block = reinterpret_cast<char*>(chunk) + used;
    used += bytes;
    chunk->references.fetch_add(1, std::memory_order_relaxed);
    return block;
  }
};

thread_local Carver carver;

std::size_t rounded(std::size_t bytes) { return (bytes + kAlignment - 1) & ~(kAlignment - 1); }

// Under the address sanitizer every block comes from the ordinary heap, so
// that overruns and leaks of small blocks are still caught.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kCarving = false;
#else
constexpr bool kCarving = true;
#endif

}  // namespace

void* allocateSmallBlock(std::size_t bytes) {
  if (!kCarving || bytes > kLargestSmallBlock) return ::operator new(bytes);
  return carver.carve(rounded(bytes > 0 ? bytes : 1));
}

void releaseSmallBlock(void* block, std::size_t bytes) noexcept {
  if (!block) return;
  if (!kCarving || bytes > kLargestSmallBlock) {
    ::operator delete(block);
    return;
  }
  dropReference(chunkOf(block));
}

std::size_t smallBlockBytesHeld() {
  return chunksHeld.load(std::memory_order_relaxed) * kChunkBytes;
}

}  // namespace morvel
