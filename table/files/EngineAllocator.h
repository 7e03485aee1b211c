// The engine's memory: every engine block (record images, pages, key buffers,
// memory-file storage) is allocated here, zero-filled, with a process-wide
// running total of the bytes in use. A failed allocation raises engine error
// 11016 instead of terminating.
#pragma once

#include <cstddef>
#include <cstdint>

namespace morvel {

// Variable-size engine buffers grow in these steps, so that a buffer growing
// one byte at a time is not reallocated on every step.
inline constexpr std::size_t kRecordImageStep = 510;
inline constexpr std::size_t kKeyBufferStep = 127;
inline constexpr std::size_t kMemoryFileStep = 65535;

constexpr std::size_t roundUpTo(std::size_t size, std::size_t step) {
  return step == 0 ? size : (size + step - 1) / step * step;
}

// A zero-filled block of `size` bytes (nullptr for size 0).
void* engineAllocate(std::size_t size);
// Grows or shrinks a block; bytes past the old size read as zero.
void* engineReallocate(void* block, std::size_t oldSize, std::size_t newSize);
// Releases a block of `size` bytes (nullptr is ignored).
void engineFree(void* block, std::size_t size);

// Large page-aligned storage for memory files: `size` must be a multiple of
// kLargeBlockSize. With `hugePages`, the system is asked to back it with huge
// pages (see MemoryFile.h for why memory files want them). Either way its
// pages are mapped in at once where the system can.
inline constexpr std::size_t kLargeBlockSize = std::size_t{2} << 20;
void* engineAllocateLarge(std::size_t size, bool hugePages);
void engineFreeLarge(void* block, std::size_t size);

// Bytes currently allocated through the functions above.
std::size_t engineBytesInUse();

// Failure injection, for tests of what a failed allocation leaves behind:
// once `successes` more allocations through the functions above have
// succeeded, the next one fails with 11016, and with `persistent` every
// one after it too, until stopped. Nothing is counted while not armed.
void failEngineAllocationsAfter(std::int64_t successes, bool persistent = false);
void stopFailingEngineAllocations();
// Whether an armed failure has happened since it was armed.
bool engineAllocationFailed();

// An owned, zero-filled engine block. Move-only.
class EngineBlock {
 public:
  EngineBlock() = default;
  explicit EngineBlock(std::size_t size)
      : data_(static_cast<std::uint8_t*>(engineAllocate(size))), size_(size) {}
  ~EngineBlock() { engineFree(data_, size_); }
  EngineBlock(EngineBlock&& other) noexcept : data_(other.data_), size_(other.size_) {
    other.data_ = nullptr;
    other.size_ = 0;
  }
  EngineBlock& operator=(EngineBlock&& other) noexcept {
    if (this != &other) {
      engineFree(data_, size_);
      data_ = other.data_;
      size_ = other.size_;
      other.data_ = nullptr;
      other.size_ = 0;
    }
    return *this;
  }
  EngineBlock(const EngineBlock&) = delete;
  EngineBlock& operator=(const EngineBlock&) = delete;

  std::uint8_t* data() noexcept { return data_; }
  const std::uint8_t* data() const noexcept { return data_; }
  std::size_t size() const noexcept { return size_; }

  // Makes the block at least `needed` bytes, growing it to a multiple of
  // `step`; existing bytes are kept, new ones are zero.
  void ensure(std::size_t needed, std::size_t step) {
    if (needed <= size_) return;
    const std::size_t newSize = roundUpTo(needed, step);
    data_ = static_cast<std::uint8_t*>(engineReallocate(data_, size_, newSize));
    size_ = newSize;
  }

 private:
  std::uint8_t* data_ = nullptr;
  std::size_t size_ = 0;
};

}  // namespace morvel
