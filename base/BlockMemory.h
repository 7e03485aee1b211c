// Memory for large byte buffers and arrays (whole files, a million list
// slots). Blocks of 2 MB and more are mapped 2 MB-aligned and advised for
// transparent huge pages: touching 150 MB of fresh memory in 4 KB pages
// costs several times more than reading the file into it.
#pragma once

#include <cstddef>
#include <new>

namespace morvel {

inline constexpr std::size_t kHugePageBytes = std::size_t{2} << 20;

// Throws std::bad_alloc when the memory cannot be had. A block must go back
// through releaseBlock with the size it was asked for. A block of exactly
// kHugePageBytes is allocateReadyHugePage's.
void* allocateBlock(std::size_t bytes);
void releaseBlock(void* block, std::size_t bytes) noexcept;

// kHugePageBytes of zeroed memory, 2 MB-aligned, on a huge page where the
// system allows it, already mapped in: while blocks are asked for one after
// another, a helper thread maps and clears the next ones ahead on another
// core. Throws std::bad_alloc when the memory cannot be had; goes back
// through releaseBlock(block, kHugePageBytes) (or munmap).
void* allocateReadyHugePage();

// An owned block of uninitialised bytes; move-only.
class ByteBlock {
 public:
  ByteBlock() = default;
  explicit ByteBlock(std::size_t size)
      : data_(size > 0 ? static_cast<char*>(allocateBlock(size)) : nullptr), size_(size) {}
  ByteBlock(ByteBlock&& other) noexcept : data_(other.data_), size_(other.size_) {
    other.data_ = nullptr;
    other.size_ = 0;
  }
  ByteBlock& operator=(ByteBlock&& other) noexcept {
    if (this != &other) {
      reset();
      data_ = other.data_;
      size_ = other.size_;
      other.data_ = nullptr;
      other.size_ = 0;
    }
    return *this;
  }
  ByteBlock(const ByteBlock&) = delete;
  ByteBlock& operator=(const ByteBlock&) = delete;
  ~ByteBlock() { reset(); }

  char* data() const { return data_; }
  std::size_t size() const { return size_; }
  void reset() noexcept {
    if (data_ != nullptr) releaseBlock(data_, size_);
    data_ = nullptr;
    size_ = 0;
  }

 private:
  char* data_ = nullptr;
  std::size_t size_ = 0;
};

// A standard allocator over allocateBlock, for vectors that may grow large.
template <class T>
struct BlockAllocator {
  using value_type = T;
  BlockAllocator() = default;
  template <class U>
  BlockAllocator(const BlockAllocator<U>&) noexcept {}
  T* allocate(std::size_t n) { return static_cast<T*>(allocateBlock(n * sizeof(T))); }
  void deallocate(T* p, std::size_t n) noexcept { releaseBlock(p, n * sizeof(T)); }
  template <class U>
  bool operator==(const BlockAllocator<U>&) const noexcept {
    return true;
  }
};

}  // namespace morvel
