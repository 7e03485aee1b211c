// Memory for the many small pieces a grid row owns (the row, its texts, its
// values). They are carved one after another out of 2 MB chunks on huge
// pages: a million rows then touch a few hundred huge pages rather than a
// quarter of a million small ones, lie next to each other in the order they
// were made, and freeing one costs a counter. A chunk goes back to the
// system once every block carved from it is freed.
#pragma once

#include <cstddef>
#include <memory>

namespace morvel {

// Throws std::bad_alloc when no memory can be had. Blocks are aligned to 16
// bytes. A block must go back through releaseSmallBlock with the size it was
// asked for; blocks of more than kLargestSmallBlock bytes come from the
// ordinary heap.
constexpr std::size_t kLargestSmallBlock = 64 * 1024;
void* allocateSmallBlock(std::size_t bytes);
void releaseSmallBlock(void* block, std::size_t bytes) noexcept;

// The bytes of the chunks held now (for measurements).
std::size_t smallBlockBytesHeld();

// Objects of a class that derives from this come out of small blocks (the
// size a virtual destructor passes is the object's own).
struct SmallBlockObject {
  static void* operator new(std::size_t bytes) { return allocateSmallBlock(bytes); }
  static void operator delete(void* object, std::size_t bytes) noexcept {
    releaseSmallBlock(object, bytes);
  }
};

}  // namespace morvel
