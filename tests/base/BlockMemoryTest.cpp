// Large blocks: whatever the helper thread has mapped ahead, every block
// comes zeroed, aligned and apart from the others, in this process and in a
// child made by fork while the helper is busy.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <set>
#include <vector>

#include "base/BlockMemory.h"

namespace morvel {
namespace {

bool zeroed(const char* block, std::size_t size) {
  for (std::size_t at = 0; at < size; at += 1024) {
    if (block[at] != 0 || block[at + 1023] != 0) return false;
  }
  return true;
}

// Takes pages as a growing table does, writes over each and gives some back;
// false at the first page that is not fresh, aligned and its own.
bool takePages(int count) {
  std::vector<char*> pages;
  std::set<char*> seen;
  for (int i = 0; i < count; ++i) {
    char* page = static_cast<char*>(allocateReadyHugePage());
    if (reinterpret_cast<std::uintptr_t>(page) % kHugePageBytes != 0) return false;
    if (!zeroed(page, kHugePageBytes) || !seen.insert(page).second) return false;
    std::memset(page, 0x5a, kHugePageBytes);
    pages.push_back(page);
    if (i % 3 == 2) {
      releaseBlock(pages.front(), kHugePageBytes);
      seen.erase(pages.front());
      pages.erase(pages.begin());
    }
  }
  for (char* page : pages) releaseBlock(page, kHugePageBytes);
  return true;
}

TEST(BlockMemory, PagesComeZeroedAlignedAndApart) {
  EXPECT_TRUE(takePages(40));
  // Through the general allocation too, next to smaller and larger blocks.
  ByteBlock small(100);
  ByteBlock page(kHugePageBytes);
  ByteBlock large(3 * kHugePageBytes + 5);
  EXPECT_TRUE(zeroed(page.data(), page.size()));
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(large.data()) % kHugePageBytes, 0u);
  std::memset(large.data(), 1, large.size());
  std::memset(small.data(), 1, small.size());
}

TEST(BlockMemory, AChildMadeByForkStillGetsPages) {
  ASSERT_TRUE(takePages(20));  // the helper thread is at work now
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) ::_exit(takePages(20) ? 0 : 1);
  int status = 0;
  ::waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_TRUE(takePages(10));
}

}  // namespace
}  // namespace morvel
