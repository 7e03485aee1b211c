// Memory-file storage; see MemoryFile.h.
#include "table/files/MemoryFile.h"

#include <algorithm>
#include <cstring>

#include "table/files/EngineAllocator.h"

namespace morvel {
namespace {

constexpr std::int64_t kChunk = static_cast<std::int64_t>(kLargeBlockSize);
// A file stays in one block, grown by reallocation, while it is small; past
// this it moves into chunks. Growing a block of megabytes step by step
// would copy it again and again (a table of a hundred thousand records
// spent a tenth of its import there).
constexpr std::int64_t kLargestBlock = 4 * static_cast<std::int64_t>(kMemoryFileStep);

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
  small_ = EngineBlock();
  capacity_ = 0;
}

void MemoryFile::reserveRoom(std::int64_t size) {
  std::lock_guard lock(mutex_);
  reserve(size);
}

// The capacity is raised only once the memory behind it is there: a failed
// allocation leaves the file as it was, every byte of it still reachable.
void MemoryFile::reserve(std::int64_t needed) {
  if (needed <= capacity_) return;
  const auto wanted =
      static_cast<std::int64_t>(roundUpTo(static_cast<std::size_t>(needed), kMemoryFileStep));
  if (chunks_.empty() && wanted <= kLargestBlock) {
    small_.ensure(static_cast<std::size_t>(wanted), kMemoryFileStep);
    capacity_ = wanted;
    return;
  }
  chunks_.reserve(static_cast<std::size_t>((wanted + kChunk - 1) / kChunk));
  if (chunks_.empty()) {
    // Outgrowing the block: from here on the content lives in chunks, so
    // that growing further never copies what is there.
    auto* first = static_cast<std::uint8_t*>(engineAllocateLarge(kLargeBlockSize, true));
    // A file that skips the block holds nothing in it yet (and no address).
    if (small_.size() > 0) std::memcpy(first, small_.data(), small_.size());
    chunks_.push_back(first);
    small_ = EngineBlock();
  }
  while (static_cast<std::int64_t>(chunks_.size()) * kChunk < wanted) {
    chunks_.push_back(static_cast<std::uint8_t*>(engineAllocateLarge(kLargeBlockSize, true)));
  }
  capacity_ = wanted;
}

std::uint8_t* MemoryFile::at(std::int64_t position, std::int64_t* room) {
  if (chunks_.empty()) {
    *room = static_cast<std::int64_t>(small_.size()) - position;
    return small_.data() + position;
  }
  const std::int64_t inChunk = position % kChunk;
  *room = kChunk - inChunk;
  return chunks_[static_cast<std::size_t>(position / kChunk)] + inChunk;
}

std::int64_t MemoryFile::readBytes(std::int64_t position, void* buffer, std::int64_t count) {
  auto* out = static_cast<std::uint8_t*>(buffer);
  std::int64_t done = 0;
  while (done < count) {
    std::int64_t room = 0;
    const std::uint8_t* from = at(position + done, &room);
    const std::int64_t n = std::min(count - done, room);
    std::memcpy(out + done, from, static_cast<std::size_t>(n));
    done += n;
  }
  return done;
}

std::int64_t MemoryFile::writeBytes(std::int64_t position, const void* buffer, std::int64_t count) {
  reserve(position + count);
  const auto* in = static_cast<const std::uint8_t*>(buffer);
  std::int64_t done = 0;
  while (done < count) {
    std::int64_t room = 0;
    std::uint8_t* to = at(position + done, &room);
    const std::int64_t n = std::min(count - done, room);
    std::memcpy(to, in + done, static_cast<std::size_t>(n));
    done += n;
  }
  return done;
}

bool MemoryFile::truncateTo(std::int64_t size) {
  if (size == 0) {
    releaseAll();
    return true;
  }
  // The block keeps its capacity, but the cut-off bytes must read as zero if
  // the file grows over them again.
  for (std::int64_t from = size; from < size_;) {
    std::int64_t room = 0;
    std::uint8_t* to = at(from, &room);
    const std::int64_t n = std::min(size_ - from, room);
    std::memset(to, 0, static_cast<std::size_t>(n));
    from += n;
  }
  return true;
}

}  // namespace morvel
