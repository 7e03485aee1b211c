// Memory-file storage; see MemoryFile.h.
#include "table/files/MemoryFile.h"

#include <algorithm>
#include <cstring>

#include "table/files/EngineAllocator.h"

namespace morvel {
namespace {

constexpr std::int64_t kChunk = static_cast<std::int64_t>(kLargeBlockSize);

}  // namespace

MemoryFile::MemoryFile(std::string name, bool deleteOnClose)
    : AbstractFile(std::move(name), deleteOnClose) {}

MemoryFile::~MemoryFile() { releaseAll(); }

std::int64_t MemoryFile::capacity() const {
  std::lock_guard lock(mutex_);
  return capacity_;
}

void MemoryFile::releaseAll() {
  for (std::uint8_t* chunk : chunks_) engineFreeLarge(chunk, kLargeBlockSize);
  chunks_.clear();
  capacity_ = 0;
}

void MemoryFile::reserve(std::int64_t needed) {
  if (needed <= capacity_) return;
  capacity_ =
      static_cast<std::int64_t>(roundUpTo(static_cast<std::size_t>(needed), kMemoryFileStep));
  while (static_cast<std::int64_t>(chunks_.size()) * kChunk < capacity_) {
    // Only a file that already fills a chunk asks for huge pages: a small
    // table should not cost a whole huge page per file.
    const bool huge = !chunks_.empty();
    chunks_.push_back(static_cast<std::uint8_t*>(engineAllocateLarge(kLargeBlockSize, huge)));
  }
}

std::int64_t MemoryFile::readBytes(std::int64_t position, void* buffer, std::int64_t count) {
  auto* out = static_cast<std::uint8_t*>(buffer);
  std::int64_t done = 0;
  while (done < count) {
    const std::int64_t at = position + done;
    const std::int64_t inChunk = at % kChunk;
    const std::int64_t n = std::min(count - done, kChunk - inChunk);
    std::memcpy(out + done, chunks_[static_cast<std::size_t>(at / kChunk)] + inChunk,
                static_cast<std::size_t>(n));
    done += n;
  }
  return done;
}

std::int64_t MemoryFile::writeBytes(std::int64_t position, const void* buffer, std::int64_t count) {
  reserve(position + count);
  const auto* in = static_cast<const std::uint8_t*>(buffer);
  std::int64_t done = 0;
  while (done < count) {
    const std::int64_t at = position + done;
    const std::int64_t inChunk = at % kChunk;
    const std::int64_t n = std::min(count - done, kChunk - inChunk);
    std::memcpy(chunks_[static_cast<std::size_t>(at / kChunk)] + inChunk, in + done,
                static_cast<std::size_t>(n));
    done += n;
  }
  return done;
}

void MemoryFile::zeroRange(std::int64_t from, std::int64_t to) {
  while (from < to) {
    const std::int64_t inChunk = from % kChunk;
    const std::int64_t n = std::min(to - from, kChunk - inChunk);
    std::memset(chunks_[static_cast<std::size_t>(from / kChunk)] + inChunk, 0,
                static_cast<std::size_t>(n));
    from += n;
  }
}

bool MemoryFile::truncateTo(std::int64_t size) {
  if (size == 0) {
    releaseAll();
    return true;
  }
  // The block keeps its capacity, but the cut-off bytes must read as zero if
  // the file grows over them again.
  if (size < size_) zeroRange(size, size_);
  return true;
}

}  // namespace morvel
