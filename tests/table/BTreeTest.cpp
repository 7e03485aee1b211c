// Index trees through the cursor: page capacities, emptying a tree page by
// page, and reusing freed pages.
#include <gtest/gtest.h>

#include "EngineTestSupport.h"
#include "table/engine/BTree.h"
#include "table/engine/DataTable.h"
#include "table/files/FileHandler.h"

namespace morvel::test {
namespace {

class BTreeTest : public EngineTest {};

TEST_F(BTreeTest, CapacitiesFollowTheKeyLength) {
  DataCursor& c = createAndOpen(smallFields(), primaryOnId());
  EXPECT_EQ(c.table().tree(kPrimaryIndex).leafCapacity(), 371);
  EXPECT_EQ(c.table().tree(kPrimaryIndex).innerCapacity(), 272);
  EXPECT_EQ(c.table().tree(kSlotIndex).keyLength(), 9);
}

TEST_F(BTreeTest, EmptiedTreesGiveTheirPagesBackForReuse) {
  auto fields = smallFields();
  fields[1].setSize(250);  // 15 keys a page
  auto indexes = primaryOnId();
  indexes.push_back(IndexDescriptor("ByName", {2}, false, true));
  DataCursor& c = createAndOpen(fields, indexes);
  for (int i = 0; i < 600; ++i) insertNamed(c, cat("name", (i * 7919) % 600));
  expectIntact(c);
  const std::uint32_t end = c.table().indexFile().endOffset();
  // Delete from the middle of the name order outwards, so that pages merge
  // and borrow on both sides of every level.
  c.selectIndex("ByName");
  auto r = blank(c);
  for (int round = 0; round < 600; ++round) {
    c.first();
    const std::int64_t middle = c.recordCount() / 2 + 1;
    for (std::int64_t k = 0; k < middle; ++k) ASSERT_EQ(c.readNext(r.data()), DataCursor::kOk);
    c.deleteRecord(r.data());
    if (round % 60 == 0) expectIntact(c);
  }
  EXPECT_EQ(c.recordCount(), 0);
  EXPECT_EQ(c.table().tree(1).root(), 0u);
  EXPECT_EQ(c.table().tree(kPrimaryIndex).root(), 0u);
  expectIntact(c);  // every page is on a free chain
  for (int i = 0; i < 600; ++i) insertNamed(c, cat("name", (i * 7919) % 600));
  EXPECT_EQ(c.table().indexFile().endOffset(), end) << "freed pages were reused";
  expectIntact(c);
  c.close();
  c.open();
  EXPECT_EQ(c.recordCount(), 600);
  expectIntact(c);
}

TEST_F(BTreeTest, ManyIndexesShareTheWriteBack) {
  auto fields = smallFields();
  fields[1].setSize(120);
  std::vector<IndexDescriptor> indexes = primaryOnId();
  for (int i = 0; i < 12; ++i) {
    IndexDescriptor d(cat("Idx", i), {i % 2 ? 2 : 3, 2});
    d.setDescending(i % 3 == 0);
    indexes.push_back(d);
  }
  DataCursor& c = createAndOpen(fields, indexes);
  for (int i = 0; i < 400; ++i) insertNamed(c, cat("n", (i * 31) % 97), 730000 + i % 13);
  expectIntact(c);
  auto r = blank(c);
  c.first();
  for (int i = 0; i < 200; ++i) {
    ASSERT_EQ(c.readNext(r.data()), DataCursor::kOk);
    if (i % 2 == 0) c.deleteRecord(r.data());
  }
  expectIntact(c);
  c.selectIndex("Idx5");
  EXPECT_EQ(c.recordCount(), 300);
}

// Keys that only grow go straight to the last leaf; the files must come out
// exactly as when every insert descends from the root. The reference table
// gets the same changes, each insert preceded by a refused duplicate, which
// sends the next insert down the full way.
TEST_F(BTreeTest, AppendsBehindTheLastKeyWriteWhatFullDescentsWrite) {
  auto fields = smallFields();
  fields[1].setSize(250);  // 15 keys a page: three levels and more
  const std::vector<IndexDescriptor> indexes{IndexDescriptor("", {2})};
  DataCursor& fast = createAndOpen(fields, indexes);
  DataCursor& full = createAndOpen(fields, indexes);
  const auto both = [&](const std::function<void(DataCursor&)>& change) {
    change(fast);
    for (int index : {kPrimaryIndex, kSlotIndex}) {
      BTree& tree = full.table().tree(index);
      BTree::Position at;
      std::vector<std::uint8_t> key(static_cast<std::size_t>(tree.keyLength()));
      std::int32_t record = 0;
      if (!tree.first(at)) continue;
      tree.entry(at, key.data(), &record);
      EXPECT_FALSE(tree.insert(key.data(), record));
    }
    change(full);
  };
  const auto name = [](int i) { return cat("k", 100000 + i); };
  for (int i = 0; i < 4000; i += 2) both([&](DataCursor& c) { insertNamed(c, name(i)); });
  // Deletes, inserts between existing keys, then growing keys again.
  for (int i = 0; i < 300; ++i) {
    both([&](DataCursor& c) {
      auto r = blank(c);
      c.first();
      for (int k = 0; k <= (i * 37) % 500; ++k) c.readNext(r.data());
      c.deleteRecord(r.data());
    });
    both([&](DataCursor& c) { insertNamed(c, name(i * 13 % 4000 | 1)); });
  }
  for (int i = 4000; i < 4600; ++i) both([&](DataCursor& c) { insertNamed(c, name(i)); });
  expectIntact(fast);
  EXPECT_EQ(walkIds(fast), walkIds(full));
  const TableFileNames a = tableFileNames("", fast.tableName(), true);
  const TableFileNames b = tableFileNames("", full.tableName(), true);
  fast.close();
  full.close();
  for (const auto& [x, y] : {std::pair{a.index, b.index}, std::pair{a.data, b.data}}) {
    FileHandler fx(x, true), fy(y, true);
    fx.open(false);
    fy.open(false);
    std::vector<std::uint8_t> bx(static_cast<std::size_t>(fx.size())), by(bx.size());
    ASSERT_EQ(fx.size(), fy.size());
    fx.readAt(0, bx.data(), fx.size());
    fy.readAt(0, by.data(), fy.size());
    EXPECT_TRUE(bx == by) << x;
  }
}

// An insert behind every key tells where it put the key, so that the
// cursor need not search for the record it has just filed. Whenever the
// tree says so, the place and ordinal must be those a search finds, and the
// count kept up along the way the true one, through deletes and inserts
// between existing keys as well.
TEST_F(BTreeTest, AnInsertBehindEveryKeyKnowsWhereItWent) {
  auto fields = smallFields();
  fields[1].setSize(250);  // 15 keys a page: three levels and more
  DataCursor& c = createAndOpen(fields, {IndexDescriptor("", {2})});
  BTree& tree = c.table().tree(kPrimaryIndex);
  std::vector<std::uint8_t> key(static_cast<std::size_t>(tree.keyLength()));
  std::int64_t live = 0;
  int known = 0;
  const auto check = [&] {
    BTree::Position placed, found;
    std::uint64_t placedOrdinal = 0, foundOrdinal = 0;
    std::int32_t record = 0;
    ASSERT_TRUE(tree.last(found));
    tree.entry(found, key.data(), &record);
    if (tree.lastPlaced(key.data(), placed, placedOrdinal)) {
      ++known;
      ASSERT_TRUE(tree.seekAtLeast(key.data(), found, &foundOrdinal));
      EXPECT_EQ(placed.leaf, found.leaf);
      EXPECT_EQ(placed.slot, found.slot);
      EXPECT_EQ(placedOrdinal, foundOrdinal);
    }
    EXPECT_EQ(tree.count(), static_cast<std::uint64_t>(live));
    EXPECT_EQ(c.recordCount(), live);
  };
  const auto name = [](int i) { return cat("k", 100000 + i); };
  for (int i = 0; i < 3000; i += 2) {
    insertNamed(c, name(i));
    ++live;
    check();
  }
  EXPECT_GT(known, 1400) << "growing keys are placed without a search";
  for (int i = 0; i < 200; ++i) {
    auto r = blank(c);
    c.first();
    for (int k = 0; k <= (i * 37) % 500; ++k) c.readNext(r.data());
    c.deleteRecord(r.data());
    --live;
    check();
    insertNamed(c, name(i * 13 % 3000 | 1));
    ++live;
    check();
    insertNamed(c, name(3000 + i));
    ++live;
    check();
    // The cursor stands on the record just filed, by number too.
    EXPECT_EQ(c.recordNumber(), live);
  }
  expectIntact(c);
}

}  // namespace
}  // namespace morvel::test
