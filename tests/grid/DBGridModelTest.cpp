// Random deletes, sorts, group and ungroup steps against a model of the
// table's live records: after every step the grid's data rows are exactly
// the live records, each group row's rows share its value, and sibling
// group rows are in the order of their column.
#include <gtest/gtest.h>

#include <map>
#include <random>

#include "DBGridTestSupport.h"

namespace morvel::test {
namespace {

class DBGridModelTest : public DBGridFixture {
 protected:
  // The value a data row holds for a column, as grouping reads it.
  Variant rowValue(const DBGridNode& n, int c) {
    if (n.hasCellValue(c)) return n.cellValue(c);
    const std::string_view text = n.texts().get(c);
    return text.empty() ? Variant::null() : Variant(text);
  }

  void checkGroup(TreeListNode* group, int level) {
    DBTreeListColumn* gc = grid.groupColumns(level);
    const Variant value = CustomDBGrid::dbNode(*group).groupValue().toVariant();
    std::vector<TreeListNode*> below;
    collect(group, below);
    for (TreeListNode* n : below) {
      if (CustomDBGrid::isGroupNode(n)) continue;
      ASSERT_EQ(compareVariants(rowValue(CustomDBGrid::dbNode(*n), gc->index()), value), 0)
          << "a row under the wrong group";
    }
    // A group row stands for its first row.
    const TreeListNode* first = CustomDBGrid::firstDataNode(group);
    ASSERT_EQ(
        CustomDBGrid::dbNode(*group).keyValue().compare(CustomDBGrid::dbNode(*first).keyValue()),
        0);
    checkSiblings(group, level + 1);
  }

  // The children of `parent` (top level when none) at depth `level`.
  void checkSiblings(TreeListNode* parent, int level) {
    const int count = parent ? parent->count() : grid.topCount();
    const auto at = [&](int i) { return parent ? parent->items(i) : grid.topNodes(i); };
    if (level < grid.groupColumnCount()) {
      const bool descending = grid.groupColumns(level)->sorted() == csDown;
      for (int i = 0; i < count; ++i) {
        ASSERT_TRUE(CustomDBGrid::isGroupNode(at(i)));
        if (i > 0) {
          int c = CustomDBGrid::dbNode(*at(i - 1))
                      .groupValue()
                      .compare(CustomDBGrid::dbNode(*at(i)).groupValue());
          if (descending) c = -c;
          ASSERT_LT(c, 0) << "group rows out of order";
        }
        checkGroup(at(i), level);
      }
      return;
    }
    for (int i = 0; i < count; ++i) ASSERT_FALSE(CustomDBGrid::isGroupNode(at(i)));
    if (sortColumn_ >= 0) {
      for (int i = 1; i < count; ++i) {
        int c = compareVariants(grid.getSortValue(*at(i - 1), sortColumn_),
                                grid.getSortValue(*at(i), sortColumn_));
        if (descending_) c = -c;
        if (c == 0) {
          c = CustomDBGrid::dbNode(*at(i - 1))
                  .keyValue()
                  .compare(CustomDBGrid::dbNode(*at(i)).keyValue());
        }
        ASSERT_LT(c, 0) << "rows out of order";
      }
    }
  }

  void checkAgainstModel() {
    std::map<std::int64_t, std::string> shown;
    for (TreeListNode* n : allNodes()) {
      if (CustomDBGrid::isGroupNode(n)) continue;
      const DBGridNode& row = CustomDBGrid::dbNode(*n);
      ASSERT_TRUE(row.keyValue().isInteger());
      ASSERT_TRUE(shown.emplace(row.keyValue().integer(), std::string(row.texts().get(1))).second)
          << "a record shown twice";
    }
    ASSERT_EQ(shown, live_);
    ASSERT_EQ(table.recordTotal(), static_cast<int>(live_.size()));
    checkSiblings(nullptr, 0);
  }

  std::map<std::int64_t, std::string> live_;
  int sortColumn_ = -1;
  bool descending_ = false;
};

TEST_F(DBGridModelTest, RandomChangesKeepTheGridInStepWithTheTable) {
  std::mt19937 random(20261209);
  const char* towns[] = {"Oslo", "Bern", "Rome", "Lima", "Kiev", "Oran", "Pisa", "Nice"};
  std::vector<Row> rows;
  for (int i = 0; i < 3000; ++i) {
    const int day = 1 + static_cast<int>(random() % 28);
    const int month = 1 + static_cast<int>(random() % 12);
    char born[16];
    std::snprintf(born, sizeof born, "%02d/%02d/%d", day, month,
                  1990 + static_cast<int>(random() % 3));
    char name[16];
    std::snprintf(name, sizeof name, "n%u", static_cast<unsigned>(random() % 500));
    const char* town = towns[random() % 8];
    rows.push_back({name, town, random() % 10 == 0 ? std::string() : std::string(born)});
  }
  open(rows);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    live_[static_cast<std::int64_t>(i + 1)] = rows[i].name;
  }
  grid.setOptions(grid.options().without(goConfirmDelete));
  checkAgainstModel();

  const int groupable[] = {1, 2, 3};
  for (int step = 0; step < 300; ++step) {
    const unsigned action = random() % 10;
    if (action < 5) {
      std::vector<TreeListNode*> data;
      for (TreeListNode* n : allNodes()) {
        if (!CustomDBGrid::isGroupNode(n)) data.push_back(n);
      }
      if (data.empty()) break;
      TreeListNode* victim = data[random() % data.size()];
      const std::int64_t key = CustomDBGrid::dbNode(*victim).keyValue().integer();
      grid.setFocusedNode(victim, 0, false);
      ASSERT_EQ(table.field(0)->variantValue().integerValue(), key);
      ASSERT_TRUE(grid.keyDown(vkDelete, ssCtrl));
      live_.erase(key);
    } else if (action < 7) {
      const int c = static_cast<int>(random() % 4);
      if (grid.isGroupColumn(column(c))) continue;
      const TreeListColumnSort dir = random() % 2 ? csUp : csDown;
      column(c)->setSorted(dir);
      sortColumn_ = c;
      descending_ = dir == csDown;
    } else if (action < 9) {
      DBTreeListColumn* c = column(groupable[random() % 3]);
      if (grid.groupColumnCount() >= 2 || grid.isGroupColumn(c)) continue;
      if (c->index() == sortColumn_) sortColumn_ = -1;
      grid.addGroupColumn(static_cast<int>(random() % 3), c);
    } else if (grid.groupColumnCount() > 0) {
      grid.removeGroupColumn(static_cast<int>(random() % grid.groupColumnCount()));
      if (sortColumn_ >= 0 && column(sortColumn_)->sorted() == csNone) sortColumn_ = -1;
    }
    checkAgainstModel();
    if (HasFatalFailure()) {
      ADD_FAILURE() << "at step " << step;
      return;
    }
  }
}

}  // namespace
}  // namespace morvel::test
