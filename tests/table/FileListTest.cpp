// The process-wide file list, the file handler's error mapping, disk files
// and the engine allocator's bookkeeping.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "table/engine/EngineError.h"
#include "table/files/EngineAllocator.h"
#include "table/files/FileHandler.h"
#include "table/files/FileList.h"
#include "table/files/MemoryFile.h"

namespace morvel {
namespace {

class FileListTest : public ::testing::Test {
 protected:
  void TearDown() override {
    for (const char* n : {"fl_a.dat", "fl_b.dat", "fl_c.dat"}) list().remove(n, true);
  }
  static FileList& list() { return FileList::instance(); }
};

int engineCode(const std::function<void()>& f) {
  try {
    f();
  } catch (const EngineError& e) {
    return e.code();
  }
  return 0;
}

TEST_F(FileListTest, ACreatedMemoryFileOutlivesItsLastHandle) {
  FileOpenResult r = list().create("fl_a.dat", true, false);
  ASSERT_GT(r.handle, 0);
  r.file->write(r.handle, "data", 4);
  list().close(r.file, r.handle);
  EXPECT_TRUE(list().exists(" FL_A.DAT ", true)) << "trimmed, case ignored";
  EXPECT_FALSE(list().exists("fl_a.dat", false)) << "kinds never match";
  FileOpenResult again = list().open("fl_a.dat", true, false, false);
  ASSERT_GT(again.handle, 0);
  EXPECT_EQ(again.file->size(), 4);
  list().close(again.file, again.handle);
}

TEST_F(FileListTest, CreateReusesAClosedFileAndRefusesAnOpenOne) {
  FileOpenResult r = list().create("fl_a.dat", true, false);
  r.file->write(r.handle, "data", 4);
  list().close(r.file, r.handle);
  const int before = list().count(true);
  FileOpenResult again = list().create("fl_a.dat", true, false);
  ASSERT_GT(again.handle, 0);
  EXPECT_EQ(again.file, r.file);
  EXPECT_EQ(again.file->size(), 0) << "truncated";
  EXPECT_EQ(list().count(true), before);
  EXPECT_EQ(list().create("fl_a.dat", true, false).handle, -kAccessDenied);
  EXPECT_EQ(list().open("fl_a.dat", true, false, false).handle, -kAccessDenied)
      << "a created file is exclusive";
  list().close(again.file, again.handle);
  EXPECT_EQ(list().create("  ", true, false).handle, -kInvalidPath);
}

TEST_F(FileListTest, ExclusiveOpensExcludeEveryOtherOpen) {
  FileOpenResult r = list().create("fl_a.dat", true, false);
  list().close(r.file, r.handle);
  FileOpenResult shared1 = list().open("fl_a.dat", true, false, false);
  FileOpenResult shared2 = list().open("fl_a.dat", true, false, false);
  EXPECT_GT(shared2.handle, 0);
  EXPECT_NE(shared1.handle, shared2.handle);
  EXPECT_EQ(list().open("fl_a.dat", true, false, true).handle, -kAccessDenied);
  list().close(shared1.file, shared1.handle);
  list().close(shared2.file, shared2.handle);
  FileOpenResult exclusive = list().open("fl_a.dat", true, false, true);
  EXPECT_GT(exclusive.handle, 0);
  EXPECT_EQ(list().open("fl_a.dat", true, false, false).handle, -kAccessDenied);
  list().close(exclusive.file, exclusive.handle);
  EXPECT_EQ(list().open("fl_missing.dat", true, false, false).handle, -kInvalidPath);
}

TEST_F(FileListTest, DeleteOnCloseRemovesTheFileWithItsLastHandle) {
  FileOpenResult r = list().create("fl_b.dat", true, true);
  list().close(r.file, r.handle);
  EXPECT_FALSE(list().exists("fl_b.dat", true));
}

TEST_F(FileListTest, RemoveAndRename) {
  EXPECT_EQ(list().remove("fl_c.dat", true), -kInvalidPath);
  FileOpenResult r = list().create("fl_a.dat", true, false);
  EXPECT_EQ(list().remove("fl_a.dat", true), -kAccessDenied);
  EXPECT_EQ(list().rename("fl_a.dat", true, "fl_c.dat"), -kAccessDenied);
  list().close(r.file, r.handle);
  EXPECT_EQ(list().rename("fl_a.dat", true, "fl_c.dat"), 0);
  EXPECT_FALSE(list().exists("fl_a.dat", true));
  EXPECT_TRUE(list().exists("fl_c.dat", true));
  EXPECT_EQ(list().remove("fl_c.dat", true), 0);
  EXPECT_FALSE(list().exists("fl_c.dat", true));
}

TEST_F(FileListTest, CopyMovesEveryByte) {
  MemoryFile from("x", false), to("y", false);
  const int hf = from.create();
  const int ht = to.create();
  std::vector<char> data(200'000);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i % 253);
  from.write(hf, data.data(), static_cast<std::int64_t>(data.size()));
  from.seek(hf, 0, 0);
  EXPECT_EQ(FileList::copy(from, hf, to, ht), 200'000);
  std::vector<char> back(data.size());
  to.readAt(ht, 0, back.data(), static_cast<std::int64_t>(back.size()));
  EXPECT_EQ(back, data);
}

TEST_F(FileListTest, HandlerTurnsFailuresIntoEngineErrors) {
  FileHandler missing("fl_missing.dat", true);
  EXPECT_EQ(engineCode([&] { missing.open(false); }), kInvalidPath);
  EXPECT_EQ(engineCode([&] { missing.remove(); }), kInvalidPath);

  FileHandler a("fl_a.dat", true);
  a.create();
  a.writeAt(0, "abc", 3);
  char buf[8];
  EXPECT_EQ(a.readAt(1, buf, 8, true), 2);
  EXPECT_EQ(engineCode([&] { a.readAt(1, buf, 8); }), kReadError);
  FileHandler second("fl_a.dat", true);
  EXPECT_EQ(engineCode([&] { second.open(false); }), kAccessDenied);
  try {
    second.open(false);
  } catch (const EngineError& e) {
    EXPECT_EQ(e.message(), "Engine Error # 11013 Access denied to table 'fl_a.dat'");
  }
  a.close();
  second.open(false);
  EXPECT_EQ(second.size(), 3);
}

TEST_F(FileListTest, DiskFilesGoThroughTheSameOperations) {
  char dir[] = "/tmp/morvel_fl_XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  const std::string path = std::string(dir) + "/t.dat";
  {
    FileHandler h(path, false);
    h.create();
    h.writeAt(0, "disk", 4);
    h.flush();
  }
  EXPECT_TRUE(list().exists(path, false)) << "asked of the disk once unregistered";
  {
    FileHandler h(path, false);
    h.open(true);
    char buf[4];
    h.readAt(0, buf, 4);
    EXPECT_EQ(std::string(buf, 4), "disk");
    h.truncate(2);
    EXPECT_EQ(h.size(), 2);
  }
  EXPECT_EQ(list().remove(path, false), 0);
  EXPECT_FALSE(list().exists(path, false));
  EXPECT_EQ(list().remove(path, false), -kInvalidPath);
  rmdir(dir);
}

TEST(EngineAllocatorTest, KeepsARunningTotalAndGrowsInSteps) {
  const std::size_t before = engineBytesInUse();
  {
    EngineBlock record;
    record.ensure(1168, kRecordImageStep);
    EXPECT_EQ(record.size(), 1530u);
    record.data()[1167] = 7;
    record.ensure(1600, kRecordImageStep);
    EXPECT_EQ(record.size(), 2040u);
    EXPECT_EQ(record.data()[1167], 7) << "kept on growth";
    EXPECT_EQ(record.data()[2039], 0) << "growth is zero-filled";
    EXPECT_EQ(engineBytesInUse(), before + 2040);
    EngineBlock key;
    key.ensure(5, kKeyBufferStep);
    EXPECT_EQ(key.size(), 127u);
  }
  EXPECT_EQ(engineBytesInUse(), before);
}

}  // namespace
}  // namespace morvel
