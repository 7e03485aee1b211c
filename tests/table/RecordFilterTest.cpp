// The dataset's record filter: navigation, keys, marks and the window see
// only the records the filter accepts, and a scope without it sees all.
#include <gtest/gtest.h>

#include "MemoryDataSet.h"
#include "RecordingLink.h"
#include "base/Format.h"
#include "table/DataSource.h"

namespace morvel {
namespace {

using testing_support::MemoryDataSet;
using testing_support::RecordingLink;
using Strings = std::vector<std::string>;

class RecordFilterTest : public ::testing::Test {
 protected:
  RecordFilterTest() {
    ds.fieldDefs().defineField("ID", ftAutoInc, 0, true);
    ds.fieldDefs().defineField("Name", ftString, 10);
    source.setDataSet(&ds);
    ds.open();
    for (int i = 1; i <= 9; ++i) {
      ds.appendNew();
      ds.fieldNamed("Name").setAsText(formatMessage("r%d", i));
      ds.postRecord();
    }
  }

  std::string name() { return ds.fieldNamed("Name").asText(); }
  Strings walk() {
    Strings names;
    for (ds.goFirst(); !ds.atEnd(); ds.goNext()) names.push_back(name());
    return names;
  }
  Strings walkBack() {
    Strings names;
    for (ds.goLast(); !ds.atStart(); ds.goPrior()) names.push_back(name());
    return names;
  }
  // Keeps the records whose number is in the text.
  void keep(const std::string& digits) {
    ds.setRecordFilter([this, digits](DataSet& d) {
      const std::string n = d.fieldNamed("Name").asText();
      return digits.find(n.back()) != std::string::npos;
    });
  }

  MemoryDataSet ds;
  DataSource source{"dsData"};
};

TEST_F(RecordFilterTest, WalksBothWaysOverAcceptedRecordsOnly) {
  keep("2468");
  EXPECT_EQ(walk(), Strings({"r2", "r4", "r6", "r8"}));
  EXPECT_EQ(walkBack(), Strings({"r8", "r6", "r4", "r2"}));
  ds.goFirst();
  EXPECT_EQ(ds.skip(2), 2);
  EXPECT_EQ(name(), "r6");
  EXPECT_EQ(ds.skip(5), 1) << "only one accepted record lies beyond";
  EXPECT_EQ(name(), "r8");
}

TEST_F(RecordFilterTest, SettingItMovesOffARejectedRecordAndTellsTheLinks) {
  ds.goFirst();
  ds.skip(2);
  ASSERT_EQ(name(), "r3");
  RecordingLink link;
  link.setDataSource(&source);
  keep("58");
  EXPECT_EQ(name(), "r5") << "the next accepted record";
  ASSERT_FALSE(link.events.empty());
  EXPECT_EQ(link.events.back(), "DataSetChange");
  keep("1");
  EXPECT_EQ(name(), "r1") << "none further on: the one before";
  ds.setRecordFilter({});
  EXPECT_EQ(name(), "r1") << "clearing keeps the record";
  EXPECT_EQ(walk().size(), 9u);
}

TEST_F(RecordFilterTest, NothingAcceptedLeavesAnEmptyWindow) {
  keep("x");
  ds.goFirst();
  EXPECT_TRUE(ds.atStart());
  EXPECT_TRUE(ds.atEnd());
  EXPECT_TRUE(ds.noRecords());
  EXPECT_EQ(name(), "");
  ds.setRecordFilter({});
  EXPECT_EQ(walk().size(), 9u);
}

TEST_F(RecordFilterTest, KeysAndMarksOfRejectedRecordsFindNothing) {
  ds.goFirst();
  ds.skip(1);
  const std::string markOf2 = ds.positionMark();
  keep("135");
  ds.goFirst();
  EXPECT_FALSE(ds.findKeyRecord("ID", Variant(std::int64_t{2})));
  EXPECT_EQ(name(), "r1") << "a failed find leaves the record";
  EXPECT_TRUE(ds.findKeyRecord("ID", Variant(std::int64_t{3})));
  EXPECT_EQ(name(), "r3");
  EXPECT_THROW(ds.goToMark(markOf2), DatabaseError);
}

TEST_F(RecordFilterTest, UnfilteredScopeSeesEveryRecordAndComesBackFiltered) {
  keep("46");
  ds.goFirst();
  ds.goNext();
  ASSERT_EQ(name(), "r6");
  {
    UnfilteredScope all(ds);
    EXPECT_FALSE(ds.filterApplies());
    EXPECT_EQ(walk().size(), 9u);
  }
  EXPECT_TRUE(ds.filterApplies());
  EXPECT_EQ(name(), "r6") << "the walk ended on r9: the accepted record nearest before it";
  EXPECT_EQ(walk(), Strings({"r4", "r6"}));
}

TEST_F(RecordFilterTest, DeletingUnderTheFilterMovesToTheNextAcceptedRecord) {
  keep("2468");
  ds.goFirst();
  ds.goNext();
  ASSERT_EQ(name(), "r4");
  ds.deleteCurrent();
  EXPECT_EQ(name(), "r6");
  EXPECT_EQ(walk(), Strings({"r2", "r6", "r8"}));
  ds.setRecordFilter({});
  EXPECT_EQ(walk().size(), 8u);
}

}  // namespace
}  // namespace morvel
