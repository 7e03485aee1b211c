// Memory files and the handle, position and lock rules every file shares.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "table/files/MemoryFile.h"

namespace morvel {
namespace {

std::string readAll(MemoryFile& f, int h) {
  std::string out(static_cast<std::size_t>(f.size()), '?');
  f.readAt(h, 0, out.data(), f.size());
  return out;
}

TEST(MemoryFileTest, ReadPastTheEndCopiesNothing) {
  MemoryFile f("a.dat", false);
  const int h = f.create();
  ASSERT_EQ(f.write(h, "hello", 5), 5);
  char buf[8] = {};
  EXPECT_EQ(f.readAt(h, 5, buf, 8), 0);
  EXPECT_EQ(f.readAt(h, 100, buf, 8), 0);
  EXPECT_EQ(f.readAt(h, 3, buf, 8), 2);
  EXPECT_EQ(std::string(buf, 2), "lo");
  EXPECT_EQ(f.read(99, buf, 8), 0) << "unknown handle";
}

TEST(MemoryFileTest, WritePastTheEndLeavesAZeroGap) {
  MemoryFile f("a.dat", false);
  const int h = f.create();
  f.write(h, "ab", 2);
  ASSERT_EQ(f.writeAt(h, 10, "z", 1), 1);
  EXPECT_EQ(f.size(), 11);
  EXPECT_EQ(readAll(f, h), std::string("ab") + std::string(8, '\0') + "z");
}

TEST(MemoryFileTest, CapacityGrowsInSteps) {
  MemoryFile f("a.dat", false);
  const int h = f.create();
  EXPECT_EQ(f.capacity(), 0);
  std::vector<char> data(70000, 'x');
  f.write(h, data.data(), 70000);
  EXPECT_EQ(f.capacity(), 131070);
  f.writeAt(h, 0, "y", 1);
  EXPECT_EQ(f.capacity(), 131070) << "a write inside the block does not grow it";
  f.seek(h, 0, 0);
  f.write(h, nullptr, 0);
  EXPECT_EQ(f.size(), 0);
  EXPECT_EQ(f.capacity(), 0) << "truncating to 0 frees the block";
}

TEST(MemoryFileTest, TruncatedBytesReadAsZeroWhenTheFileGrowsAgain) {
  MemoryFile f("a.dat", false);
  const int h = f.create();
  f.write(h, "abcdefgh", 8);
  f.seek(h, 3, 0);
  f.write(h, nullptr, 0);
  EXPECT_EQ(f.size(), 3);
  f.writeAt(h, 7, "Z", 1);
  EXPECT_EQ(readAll(f, h), std::string("abc") + std::string(4, '\0') + "Z");
}

TEST(MemoryFileTest, ContentSpanningStorageChunksRoundTrips) {
  MemoryFile f("a.dat", false);
  const int h = f.create();
  std::vector<std::uint8_t> data(5'000'000);
  for (std::size_t i = 0; i < data.size(); ++i)
    data[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
  // In pieces, so that the content outgrows its first block on the way.
  for (std::size_t at = 0; at < data.size(); at += 300'000) {
    const std::size_t n = std::min<std::size_t>(300'000, data.size() - at);
    ASSERT_EQ(f.write(h, data.data() + at, static_cast<std::int64_t>(n)),
              static_cast<std::int64_t>(n));
  }
  EXPECT_EQ(f.capacity(), 5'046'195) << "77 steps of 65 535 bytes";
  std::vector<std::uint8_t> back(data.size());
  ASSERT_EQ(f.readAt(h, 0, back.data(), static_cast<std::int64_t>(back.size())),
            static_cast<std::int64_t>(back.size()));
  EXPECT_EQ(back, data);
}

// The bytes are shown where the file keeps them, up to the end of the block
// that holds them or of the file, and not at all past the end.
TEST(MemoryFileTest, ViewsShowTheBytesInPlaceUpToTheEndOfTheirBlock) {
  MemoryFile f("a.dat", false);
  const int h = f.create();
  std::int64_t room = -1;
  EXPECT_EQ(f.view(0, &room), nullptr) << "an empty file";
  EXPECT_EQ(room, 0);
  ASSERT_EQ(f.write(h, "hello", 5), 5);
  const std::uint8_t* at = f.view(1, &room);
  ASSERT_NE(at, nullptr);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(at), static_cast<std::size_t>(room)), "ello");
  EXPECT_EQ(f.view(5, &room), nullptr) << "the end";
  EXPECT_EQ(f.view(-1, &room), nullptr);

  constexpr std::int64_t kBlock = 2 << 20;
  std::vector<std::uint8_t> data(static_cast<std::size_t>(kBlock + 1000));
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i % 253);
  ASSERT_EQ(f.writeAt(h, 0, data.data(), static_cast<std::int64_t>(data.size())),
            static_cast<std::int64_t>(data.size()));
  for (const std::int64_t position : {std::int64_t{0}, kBlock - 10, kBlock, kBlock + 999}) {
    SCOPED_TRACE(position);
    at = f.view(position, &room);
    ASSERT_NE(at, nullptr);
    const std::int64_t end = position < kBlock ? kBlock : f.size();
    EXPECT_EQ(room, end - position);
    EXPECT_TRUE(std::equal(at, at + room, data.begin() + position));
  }
}

TEST(MemoryFileTest, SeekOrigins) {
  MemoryFile f("a.dat", false);
  const int h = f.create();
  f.write(h, "0123456789", 10);
  EXPECT_EQ(f.seek(h, 4, 0), 4);
  EXPECT_EQ(f.seek(h, 3, 1), 7);
  EXPECT_EQ(f.seek(h, 2, 2), 8) << "origin 2 counts back from the end";
  EXPECT_EQ(f.seek(h, -50, 1), 0) << "a position before the start is taken as 0";
  EXPECT_EQ(f.seek(42, 0, 0), -1);
}

TEST(MemoryFileTest, HandlesKeepTheirOwnPositions) {
  MemoryFile f("a.dat", false);
  const int a = f.create();
  f.write(a, "abcdef", 6);
  const int b = f.open();
  char x = 0;
  f.read(b, &x, 1);
  EXPECT_EQ(x, 'a');
  f.seek(a, 4, 0);
  f.read(a, &x, 1);
  EXPECT_EQ(x, 'e');
  f.read(b, &x, 1);
  EXPECT_EQ(x, 'b');
}

TEST(MemoryFileTest, HandleNumbersStayDistinctAfterAClose) {
  MemoryFile f("a.dat", false);
  const int first = f.open();
  const int second = f.open();
  EXPECT_EQ(first, 1);
  EXPECT_EQ(second, 2);
  f.close(first);
  const int third = f.open();
  EXPECT_NE(third, second);
  f.close(third);
  EXPECT_EQ(f.handleCount(), 1);
  f.close(123);  // ignored
  EXPECT_EQ(f.handleCount(), 1);
}

TEST(MemoryFileTest, LockedRangesMayNotOverlap) {
  MemoryFile f("a.dat", false);
  EXPECT_TRUE(f.lock(100, 10));    // 100..109
  EXPECT_FALSE(f.lock(109, 1));    // touches the last byte
  EXPECT_FALSE(f.lock(90, 11));    // touches the first byte
  EXPECT_TRUE(f.lock(110, 5));     // adjacent is fine
  EXPECT_FALSE(f.unlock(100, 9));  // the length must match
  EXPECT_TRUE(f.unlock(100, 10));
  EXPECT_TRUE(f.lock(105, 1));
  EXPECT_FALSE(f.lock(0, 0));
}

}  // namespace
}  // namespace morvel
