// The small-block allocator: blocks keep their bytes, and chunks go back
// when every block carved from them is freed.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "base/SmallBlocks.h"

namespace morvel {
namespace {

// Blocks over several chunks keep their bytes and their alignment, and the
// chunks go back once every block in them is freed, whatever the order.
TEST(SmallBlocks, KeepTheirBytesAndGiveChunksBackWhenFreed) {
  const std::size_t before = smallBlockBytesHeld();
  struct Piece {
    unsigned char* at;
    std::size_t size;
  };
  std::vector<Piece> pieces;
  for (std::size_t i = 0; i < 20000; ++i) {
    const std::size_t size = 1 + (i * 37) % 400;
    auto* at = static_cast<unsigned char*>(allocateSmallBlock(size));
    ASSERT_EQ(reinterpret_cast<std::uintptr_t>(at) % 16, 0u);
    std::memset(at, static_cast<int>(i & 0xFF), size);
    pieces.push_back({at, size});
  }
  const std::size_t large = kLargestSmallBlock + 1;
  auto* big = static_cast<unsigned char*>(allocateSmallBlock(large));
  std::memset(big, 0xAB, large);
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    const Piece& p = pieces[i];
    ASSERT_EQ(p.at[0], i & 0xFF);
    ASSERT_EQ(p.at[p.size - 1], i & 0xFF);
  }
  for (std::size_t i = 0; i < pieces.size(); i += 2)
    releaseSmallBlock(pieces[i].at, pieces[i].size);
  for (std::size_t i = pieces.size() - 1; i < pieces.size(); i -= 2) {
    releaseSmallBlock(pieces[i].at, pieces[i].size);
  }
  releaseSmallBlock(big, large);
  // Only the chunk still being carved may stay.
  EXPECT_LE(smallBlockBytesHeld(), before + (std::size_t{2} << 20));
}

}  // namespace
}  // namespace morvel
