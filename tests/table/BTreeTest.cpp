// Index trees through the cursor: page capacities, emptying a tree page by
// page, and reusing freed pages.
#include <gtest/gtest.h>

#include "EngineTestSupport.h"
#include "table/engine/BTree.h"

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

}  // namespace
}  // namespace morvel::test
