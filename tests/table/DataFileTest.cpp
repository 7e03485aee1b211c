// The data file's bytes (header, descriptors, slots), its cache geometry
// and read runs, its limits, and how damaged data and index files are
// refused.
#include <gtest/gtest.h>

#include "EngineTestSupport.h"
#include "table/engine/DataFile.h"
#include "table/engine/IndexFile.h"
#include "table/files/FileHandler.h"

namespace morvel::test {
namespace {

std::vector<std::uint8_t> fileBytes(const std::string& name) {
  FileHandler h(name, true);
  h.open(false);
  std::vector<std::uint8_t> out(static_cast<std::size_t>(h.size()));
  h.readAt(0, out.data(), h.size());
  return out;
}

void patchFile(const std::string& name, std::int64_t at, const std::vector<std::uint8_t>& bytes) {
  FileHandler h(name, true);
  h.open(false);
  h.writeAt(at, bytes.data(), static_cast<std::int64_t>(bytes.size()));
}

void truncateFile(const std::string& name, std::int64_t size) {
  FileHandler h(name, true);
  h.open(false);
  h.truncate(size);
}

// Patches the same place of every page of an index file.
void patchPages(const std::string& name, int at, const std::vector<std::uint8_t>& bytes) {
  FileHandler h(name, true);
  h.open(false);
  for (std::int64_t page = 4096; page < h.size(); page += 4096) {
    h.writeAt(page + at, bytes.data(), static_cast<std::int64_t>(bytes.size()));
  }
}

std::vector<std::uint8_t> le32(std::uint32_t v) {
  std::vector<std::uint8_t> out(4);
  bytes::put32(out.data(), v);
  return out;
}

class DataFileTest : public EngineTest {};

TEST_F(DataFileTest, HeaderDescriptorsAndSlotsByteForByte) {
  DataCursor& c = createAndOpen(smallFields(), primaryOnId());
  const std::string file = c.table().files().data;
  const int size = c.recordSize();
  ASSERT_EQ(size, 9 + 22 + 5);
  for (const char* n : {"a", "b", "c"}) insertNamed(c, n);
  auto r = blank(c);
  c.first();
  c.readNext(r.data());
  c.readNext(r.data());
  c.deleteRecord(r.data());
  c.close();

  const std::vector<std::uint8_t> b = fileBytes(file);
  const std::int64_t dataStart = 127 + 3 * 768;
  ASSERT_EQ(static_cast<std::int64_t>(b.size()), dataStart + 3 * size);
  EXPECT_EQ(bytes::get32(&b[0]), 2u) << "written at creation and at close";
  EXPECT_EQ(bytes::get16(&b[4]), 512);
  EXPECT_EQ(b[8], 4);
  EXPECT_EQ(bytes::get32(&b[9]), 2u) << "free chain head";
  EXPECT_EQ(bytes::get32(&b[13]), 4u) << "next record number";
  EXPECT_EQ(bytes::get32(&b[17]), 3u) << "last auto-increment value";
  EXPECT_EQ(bytes::get16(&b[21]), size);
  EXPECT_EQ(bytes::get16(&b[23]), 3);
  EXPECT_EQ(bytes::get16(&b[25]), 0);
  const auto date = static_cast<std::int32_t>(bytes::get32(&b[27]));
  EXPECT_GE(date, 738000) << "a day number after 2021";
  EXPECT_LE(std::abs(date - todayDayNumber()), 1);
  EXPECT_EQ(b[35], 0) << "empty description";
  EXPECT_EQ(bytes::get16(&b[107]), 1);
  EXPECT_EQ(bytes::get16(&b[109]), 0);
  EXPECT_EQ(b[111], 1);
  EXPECT_EQ(bytes::get32(&b[116]), 21100u);
  EXPECT_EQ(bytes::get32(&b[120]), 0u);
  for (std::size_t i : {31u, 32u, 33u, 34u, 112u, 113u, 124u, 125u, 126u}) EXPECT_EQ(b[i], 0) << i;

  std::vector<FieldDescriptor> fields = smallFields();
  layoutTable(fields, 512, "x");
  for (std::size_t f = 0; f < 3; ++f) {
    EXPECT_EQ(std::memcmp(&b[127 + f * 768], fields[f].bytes(), 768), 0) << "descriptor " << f;
  }
  const auto slot = [&](int n) { return &b[static_cast<std::size_t>(dataStart + (n - 1) * size)]; };
  EXPECT_EQ(slot(1)[0], 0);
  EXPECT_EQ(bytes::get32(slot(1) + 1), 1u);
  EXPECT_EQ(bytes::get32(slot(1) + 5), 1u);
  EXPECT_EQ(slot(1)[9], 1) << "the name is present";
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(slot(1) + 10)), "a");
  EXPECT_EQ(slot(2)[0], 1) << "deleted";
  EXPECT_EQ(bytes::get32(slot(2) + 1), 0u) << "end of the free chain";
  EXPECT_EQ(bytes::get32(slot(2) + 5), 2u) << "a deleted slot keeps its auto-increment value";
  EXPECT_EQ(bytes::get32(slot(3) + 5), 3u);
}

TEST_F(DataFileTest, IndexFileHeader) {
  auto indexes = primaryOnId();
  indexes.push_back(IndexDescriptor("ByName", {2}, false, true, true));
  DataCursor& c = createAndOpen(smallFields(), indexes);
  const std::string file = c.table().files().index;
  EXPECT_EQ(file, c.tableName().substr(0, c.tableName().size() - 4) + ".IDX");
  insertNamed(c, "a");
  c.close();
  const std::vector<std::uint8_t> b = fileBytes(file);
  ASSERT_EQ(b.size() % 4096, 0u);
  EXPECT_EQ(bytes::get32(&b[0]), 4u);
  EXPECT_EQ(bytes::get32(&b[4]), 4096u);
  EXPECT_EQ(bytes::get32(&b[8]), b.size());
  EXPECT_EQ(bytes::get16(&b[12]), 1);
  const std::uint8_t* primary = &b[16];
  EXPECT_EQ(primary[0], 0) << "the primary's name is empty";
  EXPECT_EQ(bytes::get16(primary + 31), 5);
  EXPECT_EQ(primary[35], 1) << "unique";
  EXPECT_EQ(primary[37], 1);
  EXPECT_EQ(bytes::get16(primary + 54), 1);
  EXPECT_NE(bytes::get32(primary + 86), 0u) << "a root page";
  const std::uint8_t* byName = &b[16 + 120];
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(byName + 1), byName[0]), "ByName");
  EXPECT_EQ(bytes::get16(byName + 31), 1 + 21 + 4);
  EXPECT_EQ(byName[33], 1);
  EXPECT_EQ(byName[34], 1);
  EXPECT_EQ(byName[38], 1) << "per-field descending flag";
  const std::uint8_t* slots = &b[16 + 33 * 120];
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(slots + 1), slots[0]), "Sys Deleted");
  // The primary key of the viewer's table: presence byte, then the ID
  // big-endian with its top bit inverted.
  const std::uint8_t* root = &b[bytes::get32(primary + 86)];
  EXPECT_EQ(root[0], 3) << "a root that is also the only leaf";
  EXPECT_EQ(bytes::get16(root + 1), 1);
  const std::uint8_t expected[] = {1, 0x80, 0, 0, 1, 1, 0, 0, 0};
  EXPECT_EQ(std::memcmp(root + 13, expected, sizeof expected), 0);
}

struct GeometryCase {
  int recordSize;
  int run;
  int limit;
};
class CacheGeometryTest : public ::testing::TestWithParam<GeometryCase> {};

TEST_P(CacheGeometryTest, RunsAndLimits) {
  EXPECT_EQ(DataFile::recordsPerRun(GetParam().recordSize), GetParam().run);
  EXPECT_EQ(DataFile::cacheLimit(GetParam().recordSize), GetParam().limit);
}

INSTANTIATE_TEST_SUITE_P(Sizes, CacheGeometryTest,
                         ::testing::Values(GeometryCase{130, 504, 1008},
                                           GeometryCase{1168, 56, 112}, GeometryCase{9, 7281, 8191},
                                           GeometryCase{65535, 1, 2}, GeometryCase{0, 1, 1}));

TEST(DataFileLimitTest, SlotsEndAtOneHundredMillionAndTwoGigabytes) {
  EXPECT_TRUE(DataFile::canAppend(99'999'999, 10));
  EXPECT_FALSE(DataFile::canAppend(100'000'000, 10));
  EXPECT_TRUE(DataFile::canAppend(2'000'000, 1000));
  EXPECT_FALSE(DataFile::canAppend(2'000'001, 1000));
}

TEST_F(DataFileTest, ReadsComeInRunsThatStopAtCachedRecords) {
  DataCursor& c = createAndOpen(smallFields(), primaryOnId());
  const int run = DataFile::recordsPerRun(c.recordSize());
  for (int i = 0; i < 2 * run + 10; ++i) insertNamed(c, "x");
  c.close();
  c.open();
  DataFile& data = c.table().data();
  auto r = blank(c);
  c.first();
  c.readNext(r.data());
  EXPECT_EQ(data.cachedCount(), run);
  EXPECT_TRUE(data.isCached(run));
  EXPECT_FALSE(data.isCached(run + 1));
  c.last();
  c.readPrior(r.data());
  const std::int32_t last = 2 * run + 10;
  EXPECT_TRUE(data.isCached(last));
  EXPECT_TRUE(data.isCached(last - run + 1)) << "a backward run ends at the record asked for";
  EXPECT_FALSE(data.isCached(last - run));
  EXPECT_LE(data.cachedCount(), DataFile::cacheLimit(c.recordSize()));
  expectIntact(c);
}

// Damaging a closed table's files must make opening or walking it fail
// with the corruption codes, never crash or read outside a buffer.
struct DamageCase {
  const char* label;
  bool indexFile;
  std::function<void(const std::string& file, std::int64_t dataStart, int recordSize)> damage;
  int expected;
  int alsoAccepted = -1;  // a second code that reports the same damage
};
class DamagedTableTest : public EngineTest, public ::testing::WithParamInterface<DamageCase> {};

TEST_P(DamagedTableTest, IsRefusedWithTheCorruptionCode) {
  auto indexes = primaryOnId();
  indexes.push_back(IndexDescriptor("ByName", {2}));
  auto fields = smallFields();
  fields[1].setSize(200);  // long keys: several index levels from a few hundred records
  DataCursor& c = makeCursor(newTable(fields, indexes));
  c.open();
  for (int i = 0; i < 300; ++i) insertNamed(c, cat("name", i % 37));
  const TableFileNames files = c.table().files();
  const int size = c.recordSize();
  c.close();
  GetParam().damage(GetParam().indexFile ? files.index : files.data, 127 + 3 * 768, size);
  const int code = engineCode([&] {
    c.open();
    for (const char* index : {"", "ByName"}) {
      c.selectIndex(index);
      std::vector<std::int32_t> ids = walkIds(c);
      walkIds(c, true);
      c.recordCount();
      insertNamed(c, "new");
      c.first();
      auto r = blank(c);
      if (c.readNext(r.data()) == DataCursor::kOk) c.deleteRecord(r.data());
    }
  });
  if (code != GetParam().alsoAccepted) {
    EXPECT_EQ(code, GetParam().expected) << GetParam().label;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Damage, DamagedTableTest,
    ::
        testing::
            Values(
                DamageCase{"RecordSize", false,
                           [](auto& f, auto, int size) {
                             patchFile(f, 21, {static_cast<std::uint8_t>(size + 1), 0});
                           },
                           kHeaderCorrupt},
                DamageCase{"NoFields", false,
                           [](auto& f, auto, int) {
                             patchFile(f, 23, {0, 0});
                           },
                           kHeaderCorrupt},
                DamageCase{"TooManyFields", false,
                           [](auto& f, auto, int) {
                             patchFile(f, 23, {1, 4});
                           },
                           kHeaderCorrupt},
                DamageCase{"TruncatedSlot", false,
                           [](auto& f, std::int64_t start, int size) {
                             truncateFile(f, start + 300 * size - 1);
                           },
                           kHeaderCorrupt},
                DamageCase{"SlotCount", false,
                           [](auto& f, auto, int) { patchFile(f, 13, le32(300)); }, kHeaderCorrupt},
                DamageCase{"FieldOffset", false,
                           [](auto& f, auto, int) {
                             patchFile(f, 127 + 768 + 90, {10, 0});
                           },
                           kHeaderCorrupt},
                DamageCase{"FieldName", false,
                           [](auto& f, auto, int) { patchFile(f, 127 + 768 + 2, {200}); },
                           kHeaderCorrupt},
                DamageCase{"FreeHead", false,
                           [](auto& f, auto, int) { patchFile(f, 9, le32(301)); }, kHeaderCorrupt},
                DamageCase{"SlotNumber", false,
                           [](auto& f, std::int64_t start, int size) {
                             patchFile(f, start + 5 * size + 1, le32(99));
                           },
                           kRecordBuffersCorrupt},
                DamageCase{"DeletedFlag", false,
                           [](auto& f, std::int64_t start, int size) {
                             patchFile(f, start + 7 * size, {7});
                           },
                           kRecordBuffersCorrupt},
                DamageCase{"IndexEndOffset", true,
                           [](auto& f, auto, int) { patchFile(f, 8, le32(4096)); }, kHeaderCorrupt},
                DamageCase{"IndexTruncated", true,
                           [](auto& f, auto, int) { truncateFile(f, 4096 * 3); }, kHeaderCorrupt},
                DamageCase{"RootNowhere", true,
                           [](auto& f, auto, int) { patchFile(f, 16 + 86, le32(4097)); },
                           kHeaderCorrupt},
                DamageCase{"KeyLength", true,
                           [](auto& f, auto, int) {
                             patchFile(f, 16 + 120 + 31, {9, 0});
                           },
                           kHeaderCorrupt},
                DamageCase{"PageKind", true, [](auto& f, auto, int) { patchPages(f, 0, {9}); },
                           kIndexPagesCorrupt},
                DamageCase{"EntryCount", true,
                           [](auto& f, auto, int) { patchPages(f, 1, {0xFF, 0x7F}); },
                           kIndexPagesCorrupt},
                // On a leaf the same bytes are a record number.
                DamageCase{"ChildOffsets", true,
                           [](auto& f, auto, int) { patchPages(f, 13 + 5, le32(12345)); },
                           kIndexPagesCorrupt, kRecordBuffersCorrupt},
                DamageCase{
                    "SiblingLoop",
                    true,
                    [](auto& f, auto, int) {
                      FileHandler h(f, true);
                      h.open(false);
                      for (std::uint32_t p = 4096; p < h.size(); p += 4096) {
                        h.writeAt(p + 3, le32(p).data(), 4);
                        h.writeAt(p + 7, le32(p).data(), 4);
                      }
                    },
                    kIndexPagesCorrupt},
                DamageCase{"RecordNumbers", true,
                           [](auto& f, auto, int) { patchPages(f, 13 + 5, le32(9999)); },
                           kRecordBuffersCorrupt}),
    [](const auto& info) { return std::string(info.param.label); });

}  // namespace
}  // namespace morvel::test
