// The grid reads a table's records in place (on a second thread when
// nothing but the table's own code runs during the walk) unless some cell or
// handler needs each record current. Both ways must give the same rows:
// seeded random tables, with blanks, full-length texts, dates, date-times
// at midnight and with times, and gaps in the key numbering, are loaded
// both ways, unfiltered and filtered, and compared row by row; the key
// index must then find every row.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "DBGridTestSupport.h"

namespace morvel::test {
namespace {

class DBGridLoadPathsTest : public DBGridFixture {
 protected:
  // Everything a row holds that a user or a later step can see.
  std::vector<std::string> snapshot() {
    std::vector<std::string> rows;
    for (int i = 0; i < grid.topCount(); ++i) {
      const DBGridNode& node = CustomDBGrid::dbNode(*grid.topNodes(i));
      std::string row =
          std::to_string(node.recordIndex()) + " key " + node.keyValue().toVariant().toText() + ":";
      for (int c = 0; c < grid.columnCount(); ++c) {
        row += " [" + std::string(node.texts().get(c)) + "]";
        Variant value;
        if (node.fetchCellValue(c, value)) {
          row += '=';
          row += std::to_string(static_cast<int>(value.kind()));
          row += ':';
          row += value.toText();
        }
      }
      rows.push_back(std::move(row));
    }
    return rows;
  }

  // The rows read in place, then record by record (a handler of new rows
  // asks for each record current).
  void expectBothWaysAlike(const std::string& what) {
    grid.onRefreshNodeData = nullptr;
    grid.reloadAll();
    const std::vector<std::string> inPlace = snapshot();
    int refreshed = 0;
    grid.onRefreshNodeData = [&](CustomDBGrid&, TreeListNode*) { ++refreshed; };
    grid.reloadAll();
    const std::vector<std::string> oneByOne = snapshot();
    grid.onRefreshNodeData = nullptr;
    EXPECT_EQ(refreshed, static_cast<int>(oneByOne.size())) << what;
    ASSERT_EQ(inPlace.size(), oneByOne.size()) << what;
    for (std::size_t i = 0; i < inPlace.size(); ++i) {
      ASSERT_EQ(inPlace[i], oneByOne[i]) << what << ", row " << i;
    }
  }
};

std::string twoDigits(int n) {
  char text[3];
  std::snprintf(text, sizeof text, "%02d", n);
  return text;
}

TEST_F(DBGridLoadPathsTest, RecordsReadInPlaceGiveTheRowsReadOneByOne) {
  static const fixture::ViewerColumn columns[] = {
      {"Name"}, {"Town"}, {"Born", ftDate}, {"Stamp", ftDateTime}, {"Note"}};
  for (const unsigned seed : {1u, 2u, 2026u}) {
    std::mt19937 random(seed);
    const auto below = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    const auto date = [&] {
      return twoDigits(1 + below(28)) + "/" + twoDigits(1 + below(12)) + "/" +
             std::to_string(1900 + below(200));
    };
    fixture::defineViewerTable(table, columns);
    // More rows than one run of the walk holds, so that runs are handed on.
    const int count = 1500 + below(1500);
    std::vector<std::vector<std::string>> texts;
    for (int r = 0; r < count; ++r) {
      std::string stamp;
      switch (below(4)) {
        case 0:
          break;  // blank
        case 1:
          stamp = date();  // midnight: the date alone
          break;
        case 2:
          stamp = date() + " " + twoDigits(below(24)) + ":" + twoDigits(below(60));
          break;
        default:
          stamp = date() + " " + twoDigits(below(24)) + ":" + twoDigits(below(60)) + ":" +
                  twoDigits(below(60));
          break;
      }
      const std::string name = below(5) == 0 ? std::string(100, 'a' + static_cast<char>(below(26)))
                                             : std::string("Name ") + std::to_string(below(500));
      texts.push_back(
          {name, below(6) == 0 ? "" : std::string("Town, \"") + std::to_string(below(9)) + "\"",
           below(7) == 0 ? "" : date(), stamp, below(2) == 0 ? "" : "n\xc3\xa9"});
    }
    fixture::appendRecords(table, texts);
    // Gaps in the key numbering, as deletions leave them.
    for (int d = 0; d < 20; ++d) {
      if (table.findKeyRecord("ID", Variant(static_cast<long long>(1 + below(count))))) {
        table.deleteCurrent();
      }
    }
    buildColumns();
    grid.setKeyField("ID");
    const std::string what = std::string("seed ") + std::to_string(seed);
    expectBothWaysAlike(what);

    // The key index finds every row, and nothing for a deleted key.
    for (int i = 0; i < grid.topCount(); i += 97) {
      DBGridNode& node = CustomDBGrid::dbNode(*grid.topNodes(i));
      EXPECT_EQ(grid.findDataNode(node.keyValue().toVariant()), &node) << what;
    }
    grid.reloadAll();
    for (long long key = 1; key <= count; ++key) {
      DBGridNode* found = grid.findDataNode(Variant(key));
      if (found) {
        EXPECT_EQ(found->keyValue().toVariant().toText(), std::to_string(key)) << what;
      }
    }

    // Filtered, the walk stays on this thread and asks the filter.
    table.setRecordFilter([](DataSet& ds) { return ds.field(1)->asText().size() % 2 == 0; });
    expectBothWaysAlike(what + ", filtered");
    EXPECT_LT(grid.topCount(), table.recordTotal()) << what;
    table.setRecordFilter(nullptr);
    grid.reloadAll();
    EXPECT_EQ(grid.topCount(), table.recordTotal()) << what;
  }
}

}  // namespace
}  // namespace morvel::test
