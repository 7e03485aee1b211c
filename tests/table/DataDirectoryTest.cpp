// Databases and table files: file names from table names, the in-memory
// database and directories on disk, blob files, and dropping tables.
#include <gtest/gtest.h>
#include <unistd.h>

#include "EngineTestSupport.h"
#include "table/engine/DataDirectory.h"
#include "table/files/EngineAllocator.h"
#include "table/files/FileList.h"

namespace morvel::test {
namespace {

struct NameCase {
  const char* table;
  const char* data;
  const char* index;
  const char* blob;
};
class TableFileNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(TableFileNameTest, DataIndexAndBlobFiles) {
  const TableFileNames files = tableFileNames("", GetParam().table, true);
  EXPECT_EQ(files.data, GetParam().data);
  EXPECT_EQ(files.index, GetParam().index);
  EXPECT_EQ(files.blob, GetParam().blob);
}

INSTANTIATE_TEST_SUITE_P(
    Names, TableFileNameTest,
    ::testing::Values(NameCase{"memory.dat", "memory.dat", "memory.IDX", "memory.BLB"},
                      NameCase{" memory.DAT ", "memory.DAT", "memory.IDX", "memory.BLB"},
                      NameCase{"memory", "memory.DAT", "memory.IDX", "memory.BLB"},
                      NameCase{"memory.csv", "memory.DAT", "memory.IDX", "memory.BLB"},
                      NameCase{"a.b.dat", "a.b.dat", "a.b.IDX", "a.b.BLB"},
                      NameCase{"C:\\data\\t.dat", "t.dat", "t.IDX", "t.BLB"}));

TEST(TableFileNameTest, DiskTablesLiveInTheirDirectory) {
  const TableFileNames files = tableFileNames("/srv/db", "orders", false);
  EXPECT_EQ(files.data, "/srv/db/orders.DAT");
  EXPECT_EQ(files.index, "/srv/db/orders.IDX");
}

TEST(DataSessionTest, DirectoriesByDatabaseName) {
  DataSession session;
  session.setPrivateDirectory("/tmp/private");
  DataDirectory& memory = session.directory("Memory");
  EXPECT_TRUE(memory.isMemoryDatabase());
  EXPECT_EQ(memory.path(), "");
  EXPECT_EQ(&session.directory("MEMORY", "/ignored"), &memory);
  EXPECT_EQ(session.directory("Sales", "/srv/sales").path(), "/srv/sales");
  EXPECT_EQ(session.directory("Other").path(), "/tmp/private");
  EXPECT_FALSE(session.directory("Other").isMemoryDatabase());
}

class DataDirectoryTest : public EngineTest {};

TEST_F(DataDirectoryTest, ATableWithBlobFieldsHasABlobFile) {
  auto fields = smallFields();
  fields.emplace_back(4, "Notes", kTypeBlob, kSubtypeMemo);
  DataCursor& c = createAndOpen(fields, primaryOnId());
  const TableFileNames files = c.table().files();
  EXPECT_TRUE(FileList::instance().exists(files.blob, true));
  EXPECT_EQ(c.table().data().header().blobFieldCount(), 1);
  c.close();
  c.deleteTable();
  for (const std::string* f : {&files.data, &files.index, &files.blob})
    EXPECT_FALSE(FileList::instance().exists(*f, true)) << *f;
}

TEST_F(DataDirectoryTest, DroppingAnUnregisteredTableDeletesItsFiles) {
  const std::string name = newTable();
  DataCursor& c = makeCursor(name);
  DataDirectory other("MEMORY", "");  // never opened the table
  DataCursor dropper(other, name);
  dropper.setInMemory(true);
  EXPECT_TRUE(dropper.tableExists());
  dropper.deleteTable();
  EXPECT_FALSE(c.tableExists());
  // A table whose index file has gone cannot be dropped cleanly either.
  c.createTable(smallFields(), primaryOnId());
  FileList::instance().remove(tableFileNames("", name, true).index, true);
  EXPECT_EQ(engineCode([&] { c.deleteTable(); }), kInvalidPath);
  EXPECT_FALSE(FileList::instance().exists(tableFileNames("", name, true).data, true))
      << "the data file went first";
}

TEST_F(DataDirectoryTest, OverwriteReplacesAClosedTable) {
  const std::string name = newTable();
  DataCursor& c = makeCursor(name);
  c.open();
  insertNamed(c, "a");
  TableCreateOptions replace;
  replace.overwrite = true;
  EXPECT_EQ(engineCode([&] { c.createTable(smallFields(), primaryOnId(), replace); }),
            kAccessDenied);
  c.close();
  c.createTable(smallFields(), primaryOnId(), replace);
  c.open();
  EXPECT_EQ(c.recordCount(), 0);
}

TEST_F(DataDirectoryTest, AFailedCreateLeavesNoFiles) {
  const std::string name = uniqueName();
  DataCursor& c = makeCursor(name);
  std::vector<IndexDescriptor> bad{IndexDescriptor("", {9})};
  EXPECT_EQ(engineCode([&] { c.createTable(smallFields(), bad); }), kInvalidIndexField);
  EXPECT_FALSE(c.tableExists());
}

TEST_F(DataDirectoryTest, DiskTablesWorkLikeMemoryTables) {
  char dir[] = "/tmp/morvel_dd_XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  DataDirectory disk("Orders", dir);
  {
    DataCursor c(disk, "orders");
    c.createTable(smallFields(), primaryOnId());
    c.open();
    for (int i = 0; i < 50; ++i) insertNamed(c, cat("o", i));
    c.close();
  }
  {
    DataCursor c(disk, "ORDERS.dat");  // a second cursor finds the same files
    c.open();
    EXPECT_EQ(c.recordCount(), 50);
    expectIntact(c);
    c.close();
    c.deleteTable();
  }
  EXPECT_FALSE(FileList::instance().exists(std::string(dir) + "/orders.DAT", false));
  rmdir(dir);
}

TEST(EngineAllocatorTest, AFailedAllocationIsEngineError11016) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the address sanitizer stops the program on an impossible allocation";
#else
  EXPECT_EQ(engineCode([] { engineAllocate(std::size_t{1} << 62); }), kOutOfMemory);
#endif
}

}  // namespace
}  // namespace morvel::test
