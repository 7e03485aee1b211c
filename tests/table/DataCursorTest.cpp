// The cursor over the viewer-shaped table: inserting, walking, counting,
// bookmarks, changes, locks and table maintenance.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <random>
#include <stdexcept>

#include "EngineTestSupport.h"
#include "base/ScopeGuard.h"
#include "table/engine/DataCursor.h"

namespace morvel::test {
namespace {

class DataCursorTest : public EngineTest {
 protected:
  struct TwoCursors {
    DataCursor& a;
    DataCursor& b;
    std::vector<std::uint8_t> ra;
    std::vector<std::uint8_t> rb;
  };
  // Two shared cursors on a one-record table, both on the record.
  TwoCursors twoCursorsOnOneRecord() {
    const std::string name = newTable();
    DataCursor& a = makeCursor(name);
    a.open();
    DataCursor& b = makeCursor(name);
    b.open();
    insertNamed(a, "a");
    TwoCursors t{a, b, blank(a), blank(b)};
    a.first();
    a.readNext(t.ra.data());
    b.first();
    b.readNext(t.rb.data());
    return t;
  }
};

TEST_F(DataCursorTest, NewRecordsTakeSlotsAndIdsInOrder) {
  DataCursor& c = createAndOpen(smallFields(), primaryOnId());
  EXPECT_EQ(c.table().data().slotCount(), 0);
  EXPECT_EQ(c.table().data().lastAutoIncrement(), 0);
  for (const char* n : {"a", "b", "c"}) insertNamed(c, n);
  EXPECT_EQ(walkIds(c), (std::vector<std::int32_t>{1, 2, 3}));
  auto r = blank(c);
  c.first();
  for (std::int32_t slot = 1; slot <= 3; ++slot) {
    ASSERT_EQ(c.readNext(r.data()), DataCursor::kOk);
    EXPECT_EQ(bytes::getInt32(r.data() + kRecordNumberOffset), slot);
  }
  EXPECT_EQ(c.table().data().freeHead(), 0);
  expectIntact(c);
}

TEST_F(DataCursorTest, ADeletedSlotIsReusedButItsIdIsNot) {
  DataCursor& c = createAndOpen(smallFields(), primaryOnId());
  for (const char* n : {"a", "b", "c"}) insertNamed(c, n);
  auto r = blank(c);
  c.first();
  c.readNext(r.data());
  c.readNext(r.data());
  ASSERT_EQ(getText(c, r, "Name"), "b");
  c.deleteRecord(r.data());
  EXPECT_EQ(c.table().data().freeHead(), 2);
  insertNamed(c, "d");
  ASSERT_EQ(c.readCurrent(r.data()), DataCursor::kOk);
  EXPECT_EQ(getInt(c, r, "ID"), 4);
  EXPECT_EQ(bytes::getInt32(r.data() + kRecordNumberOffset), 2);
  EXPECT_EQ(c.table().data().slotCount(), 3);
  EXPECT_EQ(walkIds(c), (std::vector<std::int32_t>{1, 3, 4}));
  expectIntact(c);
}

TEST_F(DataCursorTest, AnEmptyTableHasNoCurrentRecord) {
  DataCursor& c = createAndOpen(smallFields(), primaryOnId());
  auto r = blank(c);
  c.first();
  EXPECT_EQ(c.readNext(r.data()), kAtEnd);
  EXPECT_TRUE(c.atStart());
  EXPECT_TRUE(c.atEnd());
  EXPECT_EQ(c.readCurrent(r.data()), kNoCurrentRecord);
  EXPECT_EQ(c.readPrior(r.data()), kAtStart);
  EXPECT_EQ(c.recordCount(), 0);
  EXPECT_EQ(c.recordNumber(), 0);
  c.last();
  EXPECT_EQ(c.readPrior(r.data()), kAtStart);
}

TEST_F(DataCursorTest, WalkEndsAndPositionFlags) {
  DataCursor& c = createAndOpen(smallFields(), primaryOnId());
  for (const char* n : {"a", "b"}) insertNamed(c, n);
  auto r = blank(c);
  c.first();
  EXPECT_EQ(c.readCurrent(r.data()), kAtStart);
  EXPECT_EQ(c.readNext(r.data()), DataCursor::kOk);
  EXPECT_EQ(c.readNext(r.data()), DataCursor::kOk);
  EXPECT_EQ(c.readNext(r.data()), kAtEnd);
  EXPECT_TRUE(c.atEnd());
  EXPECT_FALSE(c.atStart());
  EXPECT_EQ(c.readCurrent(r.data()), kAtEnd);
  EXPECT_EQ(r, blank(c)) << "a failed read blanks the buffer";
  EXPECT_EQ(c.readPrior(r.data()), DataCursor::kOk);
  EXPECT_EQ(getText(c, r, "Name"), "b");
}

TEST_F(DataCursorTest, RecordNumbersFollowTheWalkBothWays) {
  DataCursor& c = createAndOpen(smallFields(), primaryOnId());
  const int n = 1000;  // several leaf pages
  for (int i = 0; i < n; ++i) insertNamed(c, "x");
  EXPECT_EQ(c.recordCount(), n);
  auto r = blank(c);
  c.first();
  for (int i = 1; i <= n; ++i) {
    ASSERT_EQ(c.readNext(r.data()), DataCursor::kOk);
    ASSERT_EQ(c.recordNumber(), i);
    ASSERT_EQ(getInt(c, r, "ID"), i);
  }
  c.last();
  for (int i = n; i >= 1; --i) {
    ASSERT_EQ(c.readPrior(r.data()), DataCursor::kOk);
    ASSERT_EQ(c.recordNumber(), i);
  }
  expectIntact(c);
}

TEST_F(DataCursorTest, InsertAssignsTheNextIdWhateverTheBufferHolds) {
  DataCursor& c = createAndOpen(smallFields(), primaryOnId());
  insertNamed(c, "a");
  auto r = blank(c);
  putInt(c, r, "ID", 7);
  putText(c, r, "Name", "b");
  c.insertRecord(r.data());
  c.readCurrent(r.data());
  EXPECT_EQ(getInt(c, r, "ID"), 2);
  EXPECT_EQ(c.recordNumber(), 2) << "the cursor is on the new record";
}

TEST_F(DataCursorTest, RequiredFieldsMustHaveAValue) {
  auto fields = smallFields();
  fields[1].setRequired(true);
  DataCursor& c = createAndOpen(fields, primaryOnId());
  auto r = blank(c);
  putText(c, r, "Name", "   ");
  try {
    c.insertRecord(r.data());
    FAIL();
  } catch (const EngineError& e) {
    EXPECT_EQ(e.code(), kValueRequired);
    EXPECT_NE(e.message().find("'Name'"), std::string::npos);
  }
  EXPECT_EQ(c.recordCount(), 0);
  EXPECT_EQ(c.table().data().lastAutoIncrement(), 0) << "a refused insert takes no ID";
}

TEST_F(DataCursorTest, DuplicateKeysAreRefusedBeforeAnythingChanges) {
  auto indexes = primaryOnId();
  indexes.push_back(IndexDescriptor("ByName", {2}, true, false, true));
  DataCursor& c = createAndOpen(smallFields(), indexes);
  insertNamed(c, "Smith");
  insertNamed(c, "Jones");
  auto r = blank(c);
  putText(c, r, "Name", "SMITH");
  try {
    c.insertRecord(r.data());
    FAIL();
  } catch (const EngineError& e) {
    EXPECT_EQ(e.code(), kDuplicateKey);
    EXPECT_EQ(e.message(), "Engine Error # 9729 Duplicate key found in index 'ByName' of table '" +
                               c.tableName() + "'");
  }
  EXPECT_EQ(c.recordCount(), 2);
  EXPECT_EQ(c.table().data().slotCount(), 2);
  expectIntact(c);
  // An update into an existing key is refused too, and one keeping its own key is not.
  c.selectIndex("byname");
  c.first();
  c.readNext(r.data());
  ASSERT_EQ(getText(c, r, "Name"), "Jones");
  putText(c, r, "Name", "smith");
  EXPECT_EQ(engineCode([&] { c.updateRecord(r.data()); }), kDuplicateKey);
  putText(c, r, "Name", "JONES");
  c.updateRecord(r.data());
  expectIntact(c);
}

TEST_F(DataCursorTest, UpdateMovesKeysInEveryChangedIndex) {
  auto indexes = primaryOnId();
  indexes.push_back(IndexDescriptor("ByName", {2}));
  DataCursor& c = createAndOpen(smallFields(), indexes);
  for (const char* n : {"m", "a", "z"}) insertNamed(c, n);
  c.selectIndex("ByName");
  EXPECT_EQ(walkIds(c), (std::vector<std::int32_t>{2, 1, 3}));
  auto r = blank(c);
  c.first();
  c.readNext(r.data());  // "a"
  putText(c, r, "Name", "zz");
  putInt(c, r, "ID", 99);
  c.updateRecord(r.data());
  c.readCurrent(r.data());
  EXPECT_EQ(getText(c, r, "Name"), "zz");
  EXPECT_EQ(getInt(c, r, "ID"), 2) << "the ID is the engine's";
  EXPECT_EQ(c.recordNumber(), 3) << "the cursor follows the record to its new place";
  EXPECT_EQ(walkIds(c), (std::vector<std::int32_t>{1, 3, 2}));
  c.selectIndex("");
  EXPECT_EQ(walkIds(c), (std::vector<std::int32_t>{1, 2, 3}));
  expectIntact(c);
}

TEST_F(DataCursorTest, DeletingLeavesTheCursorBetweenItsNeighbours) {
  DataCursor& c = createAndOpen(smallFields(), primaryOnId());
  for (const char* n : {"a", "b", "c"}) insertNamed(c, n);
  auto r = blank(c);
  c.first();
  c.readNext(r.data());
  c.readNext(r.data());
  c.deleteRecord(r.data());
  EXPECT_EQ(c.readCurrent(r.data()), kRecordNotFound);
  EXPECT_EQ(c.recordNumber(), 0);
  ASSERT_EQ(c.readNext(r.data()), DataCursor::kOk);
  EXPECT_EQ(getText(c, r, "Name"), "c");
  c.readPrior(r.data());
  EXPECT_EQ(getText(c, r, "Name"), "a");
  EXPECT_EQ(c.recordCount(), 2);
}

TEST_F(DataCursorTest, DeleteComparesTheBufferUnlessExclusive) {
  auto [a, b, ra, rb] = twoCursorsOnOneRecord();
  putText(b, rb, "Name", "changed");
  b.updateRecord(rb.data());
  EXPECT_EQ(engineCode([&] { a.deleteRecord(ra.data()); }), kRecordChanged);
  EXPECT_EQ(engineCode([&] { a.readCurrent(ra.data(), true); }), kRecordChanged);
  a.readCurrent(ra.data());
  a.deleteRecord(ra.data());
  EXPECT_EQ(b.readCurrent(rb.data()), kRecordNotFound) << "the other cursor sees the record gone";
  EXPECT_EQ(engineCode([&] { b.updateRecord(rb.data()); }), kRecordChanged);
}

TEST_F(DataCursorTest, RecordLocksBelongToOneCursor) {
  auto [a, b, ra, rb] = twoCursorsOnOneRecord();
  EXPECT_EQ(a.readCurrent(ra.data(), true), DataCursor::kOk);
  EXPECT_EQ(engineCode([&] { b.readCurrent(rb.data(), true); }), kRecordInUse);
  EXPECT_EQ(engineCode([&] { b.updateRecord(rb.data()); }), kRecordInUse);
  a.updateRecord(ra.data());  // releases a's lock
  EXPECT_EQ(b.readCurrent(rb.data(), true), DataCursor::kOk);
  b.unlockRecord();
  a.lockRecord();
  a.close();  // closing releases it
  b.lockRecord();
}

TEST_F(DataCursorTest, ExclusiveUseExcludesOtherCursors) {
  const std::string name = newTable();
  DataCursor& a = makeCursor(name);
  a.open();
  DataCursor& exclusive = makeCursor(name, true);
  EXPECT_EQ(engineCode([&] { exclusive.open(); }), kAccessDenied);
  DataCursor& shared = makeCursor(name);
  shared.open();
  a.close();
  shared.close();
  exclusive.open();
  EXPECT_EQ(engineCode([&] { a.open(); }), kAccessDenied);
  EXPECT_EQ(engineCode([&] { exclusive.deleteTable(); }), kAccessDenied);
}

TEST_F(DataCursorTest, TableMaintenance) {
  const std::string name = uniqueName();
  made_.push_back(name);
  DataCursor& c = makeCursor(name);
  EXPECT_FALSE(c.tableExists());
  EXPECT_EQ(engineCode([&] { c.deleteTable(); }), kInvalidPath);
  EXPECT_EQ(engineCode([&] { c.open(); }), kInvalidPath);
  c.createTable(smallFields(), primaryOnId());
  EXPECT_TRUE(c.tableExists());
  try {
    c.createTable(smallFields(), primaryOnId());
    FAIL();
  } catch (const EngineError& e) {
    EXPECT_EQ(e.message(), "Engine Error # 13060 The table '" + name + "' already exists");
  }
  c.deleteTable();
  EXPECT_FALSE(c.tableExists());
  c.createTable(smallFields(), primaryOnId());
}

TEST_F(DataCursorTest, AMemoryTableOutlivesItsCursors) {
  const std::string name = newTable();
  {
    DataCursor& c = makeCursor(name);
    c.open();
    for (int i = 0; i < 300; ++i) insertNamed(c, cat("n", i));
    c.close();
  }
  DataDirectory other("memory", "");  // a second directory finds the same memory files
  DataCursor again(other, name);
  again.setInMemory(true);
  again.open();
  EXPECT_EQ(again.recordCount(), 300);
  auto r = std::vector<std::uint8_t>(static_cast<std::size_t>(again.recordSize()));
  again.last();
  again.readPrior(r.data());
  EXPECT_EQ(getText(again, r, "Name"), "n299");
  expectIntact(again);
}

TEST_F(DataCursorTest, BookmarksRoundTripAndCompare) {
  auto indexes = primaryOnId();
  indexes.push_back(IndexDescriptor("ByName", {2}));
  DataCursor& c = createAndOpen(smallFields(), indexes);
  for (const char* n : {"b", "a", "c"}) insertNamed(c, n);
  for (const char* index : {"", "ByName"}) {
    c.selectIndex(index);
    std::vector<std::vector<std::uint8_t>> marks;
    auto r = blank(c);
    c.first();
    while (c.readNext(r.data()) == DataCursor::kOk) {
      marks.emplace_back(static_cast<std::size_t>(c.bookmarkSize()));
      ASSERT_TRUE(c.getBookmark(marks.back().data()));
    }
    EXPECT_EQ(c.compareBookmarks(marks[0].data(), marks[1].data()), -1);
    EXPECT_EQ(c.compareBookmarks(marks[2].data(), marks[1].data()), 1);
    EXPECT_EQ(c.compareBookmarks(marks[1].data(), marks[1].data()), 0);
    ASSERT_TRUE(c.goToBookmark(marks[1].data()));
    EXPECT_EQ(c.recordNumber(), 2);
    c.readCurrent(r.data());
    c.deleteRecord(r.data());
    EXPECT_FALSE(c.goToBookmark(marks[1].data()));
    ASSERT_EQ(c.readNext(r.data()), DataCursor::kOk)
        << "a missing bookmark leaves the cursor at its place";
    c.goToBookmark(marks[0].data());
    EXPECT_EQ(c.readCurrent(r.data()), DataCursor::kOk);
    insertNamed(c, "b");
  }
  EXPECT_EQ(c.bookmarkSize(), 1 + 21 + 4) << "presence byte, the name, the record number";
}

TEST_F(DataCursorTest, RecordNumberOrderAndAPrimaryWithoutFields) {
  DataCursor& c = createAndOpen(smallFields(), {IndexDescriptor()});
  for (const char* n : {"z", "y", "x", "w"}) insertNamed(c, n);
  auto r = blank(c);
  c.first();
  c.readNext(r.data());
  c.readNext(r.data());
  c.deleteRecord(r.data());  // slot 2
  insertNamed(c, "v");       // reuses slot 2 with ID 5
  EXPECT_EQ(walkIds(c), (std::vector<std::int32_t>{1, 3, 4, 5})) << "insertion order";
  EXPECT_EQ(walkIds(c, true), (std::vector<std::int32_t>{1, 3, 4, 5}));
  EXPECT_EQ(c.bookmarkSize(), 4);
  c.first();
  c.readNext(r.data());
  c.readNext(r.data());
  std::uint8_t mark[4];
  c.getBookmark(mark);
  EXPECT_EQ(bytes::getInt32(mark), 3);
  EXPECT_EQ(c.recordCount(), 4);
  c.first();
  ASSERT_TRUE(c.goToBookmark(mark));
  EXPECT_EQ(c.recordNumber(), 2);
  expectIntact(c);
}

TEST_F(DataCursorTest, FieldNumbersAreChecked) {
  DataCursor& c = createAndOpen(smallFields(), primaryOnId());
  auto r = blank(c);
  std::uint8_t v[8];
  for (int bad : {0, 4}) {
    try {
      c.getField(bad, r.data(), v);
      FAIL();
    } catch (const EngineError& e) {
      EXPECT_EQ(e.code(), kInvalidFieldNumber);
      EXPECT_NE(e.message().find(cat("'", bad, "'")), std::string::npos);
    }
  }
  EXPECT_EQ(engineCode([&] { c.putField(4, r.data(), v); }), kInvalidFieldNumber);
  EXPECT_EQ(engineCode([&] { c.selectIndex("Nope"); }), kInvalidIndexName);
}

TEST_F(DataCursorTest, AFullTableRefusesInsertsUnchanged) {
  DataCursor& c = createAndOpen(smallFields(), primaryOnId());
  insertNamed(c, "a");
  c.table().data().setNextRecordNumber(DataFile::kMaxSlots);
  EXPECT_EQ(engineCode([&] { insertNamed(c, "b"); }), kTableFull);
  EXPECT_EQ(c.recordCount(), 1);
  EXPECT_EQ(c.table().data().lastAutoIncrement(), 1);
  c.table().data().setNextRecordNumber(2);
  insertNamed(c, "b");
  expectIntact(c);
}

TEST_F(DataCursorTest, ReadOnlyCursorsCannotChangeRecords) {
  const std::string name = newTable();
  DataCursor& c = makeCursor(name);
  c.setReadOnly(true);
  c.open();
  EXPECT_TRUE(c.readOnly());
  EXPECT_EQ(engineCode([&] { insertNamed(c, "a"); }), kAccessDenied);
}

// A walk that hands out every record in place reads what readNext copies,
// in the same order: records changed since they were last written, deleted
// slots reused, a secondary order, records that span two blocks of a
// memory file, and a table on disk, which has no file memory to read.
class ImageWalkTest : public DataCursorTest, public ::testing::WithParamInterface<bool> {
 protected:
  // The images readNext copies in the current order.
  static std::vector<std::vector<std::uint8_t>> copiedImages(DataCursor& c) {
    std::vector<std::vector<std::uint8_t>> images;
    std::vector<std::uint8_t> r(static_cast<std::size_t>(c.recordSize()));
    c.first();
    while (c.readNext(r.data()) == DataCursor::kOk) images.push_back(r);
    return images;
  }
  static std::vector<std::vector<std::uint8_t>> walkedImages(DataCursor& c) {
    std::vector<std::vector<std::uint8_t>> images;
    const auto size = static_cast<std::size_t>(c.recordSize());
    c.forEachImage([&](const std::uint8_t* image) { images.emplace_back(image, image + size); });
    return images;
  }
};

TEST_P(ImageWalkTest, EveryRecordAsReadNextReadsIt) {
  const bool onDisk = GetParam();
  const std::string folder =
      ::testing::TempDir() + cat("imagewalk_", static_cast<int>(::getpid()), "/");
  std::filesystem::create_directories(folder);
  const Finally removeFolder([&] { std::filesystem::remove_all(folder); });
  DataDirectory disk("DISK", folder);
  DataDirectory& directory = onDisk ? disk : directory_;
  // About 290 bytes a record: some thousands of them outgrow the first 2 MiB
  // block of a memory file, and some records span two blocks.
  std::vector<FieldDescriptor> fields = {
      FieldDescriptor(1, "ID", kTypeInt32, kSubtypeAutoInc, 0, true),
      FieldDescriptor(2, "Name", kTypeString, 0, 250), FieldDescriptor(3, "Born", kTypeDate, 0)};
  const std::string name = uniqueName();
  if (!onDisk) made_.push_back(name);
  DataCursor c(directory, name);
  c.setInMemory(!onDisk);
  c.setExclusive(true);
  c.createTable(std::move(fields), {IndexDescriptor("", {1}), IndexDescriptor("ByName", {2})});
  c.open();
  const Finally closeTable([&] {
    c.close();
    if (onDisk) c.deleteTable();
  });
  std::mt19937 random(11);
  auto r = blank(c);
  const auto someName = [&] { return cat("n", random() % 5000, std::string(random() % 240, 'x')); };
  for (int round = 0; round < 4; ++round) {
    SCOPED_TRACE(round);
    for (int i = 0; i < 2500; ++i) insertNamed(c, someName(), static_cast<int>(random() % 9000));
    // Deletes free slots that later inserts take again; edits leave
    // changed records behind in the cache.
    c.first();
    while (c.readNext(r.data()) == DataCursor::kOk) {
      const unsigned change = random() % 16;
      if (change == 0) {
        c.deleteRecord(r.data());
      } else if (change == 1) {
        ASSERT_EQ(c.readCurrent(r.data(), true), DataCursor::kOk);
        putText(c, r, "Name", someName());
        c.updateRecord(r.data());
      }
    }
    c.selectIndex(round % 2 == 0 ? "" : "ByName");
    const auto walked = walkedImages(c);
    ASSERT_EQ(walked, copiedImages(c));
    EXPECT_TRUE(c.atEnd());
    EXPECT_EQ(c.readPrior(r.data()), DataCursor::kOk) << "the walk ends after the last record";
    EXPECT_EQ(r, walked.back());
  }
  expectIntact(c);
}

INSTANTIATE_TEST_SUITE_P(InMemoryAndOnDisk, ImageWalkTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "OnDisk" : "InMemory"; });

TEST_F(DataCursorTest, AWalkThatStopsByThrowingLeavesTheCursorAfterTheLast) {
  DataCursor& c = createAndOpen(smallFields(), primaryOnId());
  for (const char* n : {"a", "b", "c"}) insertNamed(c, n);
  int visited = 0;
  EXPECT_THROW(c.forEachImage([&](const std::uint8_t*) {
    if (++visited == 2) throw std::runtime_error("stop");
  }),
               std::runtime_error);
  EXPECT_TRUE(c.atEnd());
  auto r = blank(c);
  ASSERT_EQ(c.readPrior(r.data()), DataCursor::kOk);
  EXPECT_EQ(getText(c, r, "Name"), "c");
  insertNamed(c, "d");  // the table is free again
  EXPECT_EQ(walkIds(c), (std::vector<std::int32_t>{1, 2, 3, 4}));
}

}  // namespace
}  // namespace morvel::test
