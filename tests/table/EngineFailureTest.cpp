// One insert, one update and one delete, made to fail at each allocation
// they make in turn (that one alone, or that one and every later one), on
// tables in states where the change splits or merges pages, grows the
// files, reuses a deleted slot or starts from cold caches. After every
// failure the table must be intact and hold exactly what it held before,
// and the same change must then go through; a change that met no failure
// must leave exactly what it leaves without failure injection.
#include <gtest/gtest.h>

#include <map>
#include <optional>

#include "EngineTestSupport.h"
#include "table/engine/DataTable.h"
#include "table/files/EngineAllocator.h"

namespace morvel::test {
namespace {

enum class Change { Insert, Update, Delete };

struct FailureCase {
  const char* label;
  int nameSize;     // longer names: fewer keys per page, more splits
  bool secondary;   // a name index and a descending date-and-name index
  int fill;         // records inserted first
  int deleteEvery;  // then every n-th of them deleted (0: none)
  bool cold;        // the table closed and opened again before the change
};

void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.label; }

// What a table holds, as far as a change could alter it.
struct Contents {
  std::vector<std::vector<std::int32_t>> orders;  // IDs in each index's order
  std::map<std::int32_t, std::pair<std::string, std::int32_t>> rows;
  std::int64_t records = 0;
  std::int32_t lastAutoIncrement = 0;
  std::int32_t slots = 0;
  friend bool operator==(const Contents&, const Contents&) = default;
};

class EngineFailureTest : public EngineTest,
                          public ::testing::WithParamInterface<std::tuple<FailureCase, Change>> {
 protected:
  const FailureCase& shape() const { return std::get<0>(GetParam()); }
  Change change() const { return std::get<1>(GetParam()); }
  std::vector<std::string> indexNames() const {
    if (shape().secondary) return {"", "ByName", "ByBorn"};
    return {""};
  }

  std::string nameFor(int i) const {
    // Scattered, so that name keys land all over the name index.
    std::string name = cat("n", (i * 7919) % 1009);
    if (static_cast<int>(name.size()) < shape().nameSize - 3)
      name += std::string(static_cast<std::size_t>(shape().nameSize - 3) - name.size(), 'x');
    return name;
  }
  static std::int32_t bornFor(int i) { return i % 7 == 0 ? 0 : 730000 + (i * 31) % 97; }

  // A new table in the case's state, with the cursor on it.
  DataCursor& makeTable() {
    std::vector<FieldDescriptor> fields{
        FieldDescriptor(1, "ID", kTypeInt32, kSubtypeAutoInc, 0, true),
        FieldDescriptor(2, "Name", kTypeString, 0, shape().nameSize),
        FieldDescriptor(3, "Born", kTypeDate, 0)};
    std::vector<IndexDescriptor> indexes{IndexDescriptor("", {1})};
    if (shape().secondary) {
      indexes.emplace_back("ByName", std::vector<int>{2}, false, false, true);
      indexes.emplace_back("ByBorn", std::vector<int>{3, 2}, false, true);
    }
    const std::string name = uniqueName();
    made_.push_back(name);
    DataCursor& c = makeCursor(name, true);
    c.createTable(std::move(fields), std::move(indexes));
    c.open();
    for (int i = 1; i <= shape().fill; ++i) store(c, nameFor(i), bornFor(i));
    if (shape().deleteEvery > 0) {
      for (int id = shape().deleteEvery; id <= shape().fill; id += shape().deleteEvery) {
        seek(c, id);
        c.deleteRecord(nullptr);
      }
    }
    if (shape().cold) {
      c.close();
      c.open();
    }
    return c;
  }

  void store(DataCursor& c, const std::string& name, std::int32_t born) {
    auto r = blank(c);
    putText(c, r, "Name", name);
    if (born != 0) putInt(c, r, "Born", born);
    c.insertRecord(r.data());
  }

  static void seek(DataCursor& c, std::int32_t id) {
    c.selectIndex("");
    std::uint8_t mark[5];
    mark[0] = 1;
    bytes::putBig32(mark + 1, static_cast<std::uint32_t>(id) ^ 0x80000000u);
    ASSERT_TRUE(c.goToBookmark(mark)) << id;
  }

  Contents contents(DataCursor& c) {
    Contents out;
    auto r = blank(c);
    for (const std::string& index : indexNames()) {
      c.selectIndex(index);
      out.orders.push_back(walkIds(c));
    }
    c.selectIndex("");
    c.first();
    while (c.readNext(r.data()) == DataCursor::kOk) {
      out.rows[getInt(c, r, "ID")] = {getText(c, r, "Name"), getInt(c, r, "Born")};
    }
    out.records = c.recordCount();
    out.lastAutoIncrement = c.table().data().lastAutoIncrement();
    out.slots = c.table().data().slotCount();
    return out;
  }

  // The record the update and the delete change: one in the middle.
  std::int32_t target(const Contents& before) const {
    auto it = before.rows.begin();
    std::advance(it, static_cast<std::ptrdiff_t>(before.rows.size() / 2));
    return it->first;
  }

  // Positions the cursor for the change (nothing allocates from here on
  // that the change itself would not) and makes it.
  void position(DataCursor& c, std::int32_t id) {
    if (change() != Change::Insert) seek(c, id);
  }
  void make(DataCursor& c) {
    switch (change()) {
      case Change::Insert:
        store(c, std::string(static_cast<std::size_t>(shape().nameSize), 'a'), 730050);
        break;
      case Change::Update: {
        auto r = blank(c);
        ASSERT_EQ(c.readCurrent(r.data()), DataCursor::kOk);
        putText(c, r, "Name", "zz changed");
        putInt(c, r, "Born", 700000);
        c.updateRecord(r.data());
        break;
      }
      case Change::Delete:
        c.deleteRecord(nullptr);
        break;
    }
  }
  void drop(DataCursor& c) {
    c.close();
    c.deleteTable();
    made_.pop_back();
  }
  bool applicable(const Contents& before) const {
    return change() == Change::Insert || !before.rows.empty();
  }
};

TEST_P(EngineFailureTest, AFailedChangeLeavesTheTableAsItWas) {
  // What the change leaves when nothing fails.
  std::optional<Contents> expectedAfter;
  std::int32_t id = 0;
  {
    DataCursor& c = makeTable();
    const Contents before = contents(c);
    if (!applicable(before)) GTEST_SKIP() << "nothing to change";
    id = change() == Change::Insert ? 0 : target(before);
    position(c, id);
    make(c);
    expectIntact(c);
    expectedAfter = contents(c);
  }
  int failures = 0;
  for (const bool persistent : {false, true}) {
    for (int successes = 0;; ++successes) {
      ASSERT_LT(successes, 5000) << "the change never gets through";
      DataCursor& c = makeTable();
      const Contents before = contents(c);
      if (shape().cold) {
        c.close();
        c.open();
      }
      position(c, id);
      failEngineAllocationsAfter(successes, persistent);
      int code = 0;
      try {
        make(c);
      } catch (const EngineError& e) {
        code = e.code();
      }
      const bool failed = engineAllocationFailed();
      stopFailingEngineAllocations();
      const std::string where =
          cat(persistent ? "persistent" : "single", " failure after ", successes, " allocations");
      const std::vector<std::string> problems = checkTableIntegrity(c.table());
      ASSERT_TRUE(problems.empty()) << where << ": " << problems.front();
      if (code == 0) {
        ASSERT_TRUE(contents(c) == *expectedAfter) << where << ": completed, but not as it should";
        drop(c);
        if (!failed) break;  // every allocation of the change has failed once
        continue;
      }
      ++failures;
      ASSERT_EQ(code, 11016) << where;
      ASSERT_TRUE(contents(c) == before) << where << ": the failed change left something";
      // The table goes on working: the same change now goes through.
      position(c, id);
      make(c);
      expectIntact(c);
      ASSERT_TRUE(contents(c) == *expectedAfter) << where << ": the change made again";
      drop(c);
    }
  }
  RecordProperty("failures", failures);
}

const FailureCase kCases[] = {
    {"EmptyTable", 20, false, 0, 0, false},
    {"OneRecord", 20, false, 1, 0, true},
    {"SlotLeafFull", 100, false, 272, 0, false},
    {"PrimaryLeafFull", 100, false, 371, 0, true},
    {"DataFileGrows", 100, false, 524, 0, false},
    {"SlotsToReuse", 100, false, 400, 3, true},
    {"ShortNamesInThreeIndexes", 20, true, 150, 0, true},
    {"LongNamesSplitOften", 200, true, 300, 0, true},
    {"LongNamesMergeOften", 200, true, 360, 2, true},
    {"LongNamesColdAndSparse", 200, true, 200, 3, true},
};

std::string caseName(const ::testing::TestParamInfo<EngineFailureTest::ParamType>& info) {
  static const char* const kChanges[] = {"Insert", "Update", "Delete"};
  return cat(std::get<0>(info.param).label, "_",
             kChanges[static_cast<int>(std::get<1>(info.param))]);
}

INSTANTIATE_TEST_SUITE_P(EveryAllocation, EngineFailureTest,
                         ::testing::Combine(::testing::ValuesIn(kCases),
                                            ::testing::Values(Change::Insert, Change::Update,
                                                              Change::Delete)),
                         caseName);

}  // namespace
}  // namespace morvel::test
