// Grouping in the data-bound grid: group rows in value order over one and
// two levels, regrouping without losing rows, sorting inside groups,
// columns that cannot group, and the group panel's geometry and drops.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <stdexcept>

#include "DBGridTestSupport.h"

namespace morvel::test {
namespace {

using Strings = std::vector<std::string>;

class DBGridGroupingTest : public DBGridFixture {
 protected:
  // Group row texts of the top level.
  Strings groupTexts() { return topTexts(0); }
  Strings childTexts(TreeListNode* group, int c = 1) {
    Strings out;
    for (int i = 0; i < group->count(); ++i) out.push_back(group->items(i)->strings(c));
    return out;
  }
};

TEST_F(DBGridGroupingTest, GroupingByAColumnMakesCollapsedGroupRowsInValueOrder) {
  open(people());
  ASSERT_TRUE(grid.addGroupColumn(0, column(2)));
  EXPECT_EQ(column(2)->groupIndex(), 0);
  EXPECT_FALSE(column(2)->visible());
  EXPECT_EQ(column(2)->sorted(), csUp);
  EXPECT_EQ(groupTexts(), (Strings{"Town : Bern ", "Town : Oslo ", "Town : Rome "}));
  for (int i = 0; i < grid.topCount(); ++i) EXPECT_FALSE(grid.topNodes(i)->expanded());
  EXPECT_EQ(childTexts(grid.topNodes(1)), (Strings{"Dora", "Carl", "Finn"}));
  EXPECT_EQ(grid.groupIndentWidth(), CustomTreeList::kIndentWidth);
  // A group row stands for its first row.
  EXPECT_EQ(CustomDBGrid::dbNode(*grid.topNodes(1)).keyValue().integer(), 1);
  EXPECT_EQ(grid.topNodes(1)->values(1).stringValue(), "Oslo");
}

TEST_F(DBGridGroupingTest, GroupsOfADateColumnFollowTheDateNotItsText) {
  open(people());
  grid.addGroupColumn(0, column(3));
  EXPECT_EQ(groupTexts(), (Strings{"Born :  ", "Born : 01/12/1970 ", "Born : 12/01/1985 ",
                                   "Born : 28/02/1990 ", "Born : 05/03/1990 "}));
  EXPECT_EQ(childTexts(grid.topNodes(4)), (Strings{"Dora", "Eve"}));
}

TEST_F(DBGridGroupingTest, TwoLevelsInBothOrders) {
  open(people());
  grid.addGroupColumn(0, column(2));
  grid.addGroupColumn(1, column(3));
  EXPECT_EQ(groupTexts(), (Strings{"Town : Bern ", "Town : Oslo ", "Town : Rome "}));
  TreeListNode* oslo = grid.topNodes(1);
  EXPECT_EQ(childTexts(oslo, 0), (Strings{"Born :  ", "Born : 01/12/1970 ", "Born : 05/03/1990 "}));
  EXPECT_EQ(childTexts(oslo->items(2)), (Strings{"Dora"}));

  // The date column dropped before the town becomes level 0.
  grid.removeGroupColumn(1);
  grid.addGroupColumn(0, column(3));
  EXPECT_EQ(column(3)->groupIndex(), 0);
  EXPECT_EQ(column(2)->groupIndex(), 1);
  TreeListNode* march = grid.topNodes(4);
  EXPECT_EQ(march->strings(0), "Born : 05/03/1990 ");
  EXPECT_EQ(childTexts(march, 0), (Strings{"Town : Oslo ", "Town : Rome "}));
  for (TreeListNode* n : allNodes()) {
    if (!CustomDBGrid::isGroupNode(n)) {
      EXPECT_EQ(n->level(), 2);
    }
  }
}

TEST_F(DBGridGroupingTest, RegroupingKeepsTheDataRowOrderAndUngroupingRestoresTheColumn) {
  open(people());
  column(1)->setSorted(csDown);
  grid.addGroupColumn(0, column(2));
  EXPECT_EQ(childTexts(grid.topNodes(1)), (Strings{"Finn", "Dora", "Carl"}));
  grid.addGroupColumn(1, column(3));
  EXPECT_EQ(dataTexts(), (Strings{"alma", "Bea", "Finn", "Carl", "Dora", "Eve"}));

  grid.removeGroupColumn(1);
  grid.removeGroupColumn(0);
  EXPECT_EQ(grid.groupColumnCount(), 0);
  EXPECT_TRUE(column(2)->visible());
  EXPECT_EQ(column(2)->sorted(), csNone);
  EXPECT_EQ(column(2)->groupIndex(), -1);
  EXPECT_EQ(topTexts(), (Strings{"alma", "Finn", "Eve", "Dora", "Carl", "Bea"}));
  for (int i = 0; i < grid.topCount(); ++i) EXPECT_EQ(grid.topNodes(i)->count(), 0);
}

// Regrouping files rows under group rows found again by the start of
// their value: texts that share a long start, or differ only past it, and
// rows that arrive in no run of one group must still land each under its
// own value, at every level.
TEST_F(DBGridGroupingTest, RegroupedRowsLandUnderTheirOwnValueWhateverTheirTextsShare) {
  const std::string shared = "Machining Centre Bay ";  // 21 bytes
  std::vector<Row> rows;
  for (int i = 0; i < 240; ++i) {
    // Names cycle fastest, so a sort by name scatters every group.
    const std::string name = shared + std::string(1, static_cast<char>('A' + i % 5));
    const std::string town = i % 3 == 0 ? shared : shared + "North";
    char born[16];
    std::snprintf(born, sizeof born, "0%d/01/1990", 1 + i % 7);
    rows.push_back({name, town, born});
  }
  open(rows);
  column(1)->setSorted(csUp);
  ASSERT_TRUE(grid.addGroupColumn(0, column(2)));
  ASSERT_TRUE(grid.addGroupColumn(1, column(3)));
  // The name column last: three levels, the deepest by the longest texts.
  ASSERT_TRUE(grid.addGroupColumn(2, column(1)));
  ASSERT_EQ(grid.groupColumnCount(), 3);
  EXPECT_EQ(grid.topCount(), 2);
  int data = 0;
  for (TreeListNode* n : allNodes()) {
    if (CustomDBGrid::isGroupNode(n)) continue;
    ++data;
    // Each row's ancestors hold its own values, level by level.
    const TreeListNode* g = n->parent();
    for (int level = 2; level >= 0; --level, g = g->parent()) {
      ASSERT_NE(g, nullptr);
      const int c = grid.groupColumns(level)->index();
      EXPECT_EQ(CustomDBGrid::dbNode(*g).texts().get(c), CustomDBGrid::dbNode(*n).texts().get(c))
          << "level " << level;
    }
  }
  EXPECT_EQ(data, 240);
  // Two towns, seven days under each, five names under each day.
  for (int i = 0; i < grid.topCount(); ++i) {
    EXPECT_EQ(grid.topNodes(i)->count(), 7);
    for (int d = 0; d < 7; ++d) EXPECT_EQ(grid.topNodes(i)->items(d)->count(), 5);
  }
}

TEST_F(DBGridGroupingTest, ARegroupThatFailsHalfwayLosesNoRow) {
  open(people());
  grid.addGroupColumn(0, column(2));
  // The handler refuses the third group row the regroup makes.
  int made = 0;
  grid.onRefreshNodeData = [&](CustomDBGrid&, TreeListNode*) {
    if (++made == 3) throw std::runtime_error("refused");
  };
  grid.beginGroupChange();
  grid.removeGroupColumn(0);
  grid.addGroupColumn(0, column(3));
  EXPECT_THROW(grid.endGroupChange(), std::runtime_error);
  grid.onRefreshNodeData = nullptr;
  Strings names;
  for (TreeListNode* n : allNodes()) {
    if (!CustomDBGrid::isGroupNode(n)) names.push_back(n->strings(1));
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (Strings{"Bea", "Carl", "Dora", "Eve", "Finn", "alma"}));
}

TEST_F(DBGridGroupingTest, SortingInsideGroupsVersusReversingAGroupLevel) {
  open(people());
  grid.addGroupColumn(0, column(2));
  grid.columnHeaderClick(column(1));  // sorts the rows inside each group
  EXPECT_EQ(groupTexts(), (Strings{"Town : Bern ", "Town : Oslo ", "Town : Rome "}));
  EXPECT_EQ(childTexts(grid.topNodes(1)), (Strings{"Carl", "Dora", "Finn"}));
  EXPECT_EQ(CustomDBGrid::dbNode(*grid.topNodes(1)).keyValue().integer(), 3);

  grid.columnHeaderClick(column(2));  // the group button: reverses the level
  EXPECT_EQ(column(2)->sorted(), csDown);
  EXPECT_EQ(groupTexts(), (Strings{"Town : Rome ", "Town : Oslo ", "Town : Bern "}));
  EXPECT_EQ(childTexts(grid.topNodes(1)), (Strings{"Carl", "Dora", "Finn"}));
  EXPECT_EQ(column(1)->sorted(), csUp);
}

TEST_F(DBGridGroupingTest, ColumnsThatCannotBeGroupedStayUngrouped) {
  open(people());
  // Already grouped by the same field through another column.
  auto* twin = static_cast<DBTreeListColumn*>(grid.createColumn());
  twin->setFieldName("Town");
  ASSERT_TRUE(grid.addGroupColumn(0, column(2)));
  EXPECT_FALSE(grid.addGroupColumn(1, twin));
  EXPECT_EQ(twin->groupIndex(), -1);
  grid.removeGroupColumn(0);

  // Vetoed, disabled, and the only visible column.
  grid.onAddGroupColumn = [](CustomDBGrid&, DBTreeListColumn*, bool& allow) { allow = false; };
  EXPECT_FALSE(grid.addGroupColumn(0, column(1)));
  grid.onAddGroupColumn = nullptr;
  column(1)->setDisableGrouping(true);
  EXPECT_FALSE(grid.addGroupColumn(0, column(1)));
  for (int i = 0; i < grid.columnCount(); ++i) grid.columns(i)->setVisible(i == 0);
  EXPECT_FALSE(grid.addGroupColumn(0, column(0)));

  // A column without a field leaves the grouping at the load.
  for (int i = 0; i < grid.columnCount(); ++i) grid.columns(i)->setVisible(true);
  auto* loose = static_cast<DBTreeListColumn*>(grid.createColumn());
  loose->setFieldName("Nowhere");
  grid.addGroupColumn(0, loose);
  EXPECT_EQ(grid.groupColumnCount(), 0);
  EXPECT_TRUE(loose->visible());
  EXPECT_EQ(grid.topCount(), 6);
}

TEST_F(DBGridGroupingTest, GroupIndexAndFieldNameChangesRegroup) {
  open(people());
  column(2)->setGroupIndex(0);
  EXPECT_EQ(grid.groupColumnCount(), 1);
  EXPECT_EQ(grid.topCount(), 3);
  column(2)->setFieldName("Nowhere");  // no such field: leaves the grouping
  EXPECT_EQ(grid.groupColumnCount(), 0);
  EXPECT_EQ(grid.topCount(), 6);
  column(2)->setFieldName("Town");
  column(2)->setGroupIndex(0);
  column(2)->setDisableGrouping(true);
  EXPECT_EQ(grid.groupColumnCount(), 0);
}

TEST_F(DBGridGroupingTest, PanelGeometryAndInsertPosition) {
  open(people());
  const int h = 20;
  grid.setShowGroupPanel(true);
  EXPECT_EQ(grid.groupPanelHeight(h), h - h / 2 + 16);
  grid.addGroupColumn(0, column(2));
  grid.addGroupColumn(1, column(3));
  EXPECT_EQ(grid.groupPanelHeight(h), h / 2 + h + 16);
  EXPECT_EQ(grid.groupButtonRect(0, h), (Rect{8, 8, 108, 28}));
  EXPECT_EQ(grid.groupButtonRect(1, h), (Rect{112, 18, 212, 38}));
  EXPECT_EQ(grid.groupInsertPosition(0, h), 0);
  EXPECT_EQ(grid.groupInsertPosition(57, h), 0);
  EXPECT_EQ(grid.groupInsertPosition(58, h), 1);
  EXPECT_EQ(grid.groupInsertPosition(500, h), 2);
  grid.setShowGroupPanel(false);
  EXPECT_EQ(grid.groupPanelHeight(h), 0);
}

TEST_F(DBGridGroupingTest, ShowingAndHidingThePanelSlidesTheRowsByItsHeight) {
  host.attach(grid);  // a grid without a window does not animate
  open(people());
  grid.setShowGroupPanel(false);
  grid.addGroupColumn(0, column(2));
  const int height = grid.shownPanelHeight(grid.metrics().headerRowHeight);
  const auto slid = [&] {
    int total = 0;
    for (const FakeHost::Scroll& s : host.scrolls) total += s.dy;
    host.scrolls.clear();
    return total;
  };
  slid();
  grid.setShowGroupPanel(true);
  EXPECT_EQ(slid(), height);
  grid.setShowGroupPanel(false);
  EXPECT_EQ(slid(), -height);
}

TEST_F(DBGridGroupingTest, DroppingOnThePanelGroupsAndDraggingOffUngroups) {
  open(people());
  EXPECT_TRUE(grid.canGroupBy(column(2)));
  grid.groupByColumn(column(2), 0);
  grid.groupByColumn(column(3), 0);  // left of the first button
  EXPECT_EQ(grid.groupColumns(0), column(3));
  grid.groupByColumn(column(3), 5);  // a group column dropped past the end: last
  EXPECT_EQ(grid.groupColumns(0), column(2));
  EXPECT_EQ(grid.groupColumns(1), column(3));
  EXPECT_FALSE(grid.canGroupBy(column(3)));

  int shown = 0;
  grid.onShowHeader = [&](CustomTreeListControl&, TreeListColumn*, int, int, int) { ++shown; };
  grid.onEndDragGroupColumn = [](CustomDBGrid&, DBTreeListColumn*, int, bool& allow) {
    allow = false;
  };
  grid.groupByColumn(column(1), 0);
  EXPECT_EQ(grid.groupColumnCount(), 2);
  grid.onEndDragGroupColumn = nullptr;

  grid.ungroupColumn(column(3));
  EXPECT_EQ(grid.groupColumnCount(), 1);
  EXPECT_TRUE(column(3)->visible());
  EXPECT_EQ(shown, 0);
}

TEST_F(DBGridGroupingTest, FocusingAGroupRowMovesTheDatasetToItsFirstRow) {
  open(people());
  grid.addGroupColumn(0, column(2));
  column(1)->setSorted(csUp);
  grid.setFocusedNode(grid.topNodes(1), 0, false);  // Oslo: Carl, Dora, Finn
  EXPECT_EQ(currentName(), "Carl");
  grid.setFocusedNode(grid.topNodes(0), 0, false);  // Bern: Bea before alma
  EXPECT_EQ(currentName(), "Bea");

  // GoFirst reloads; group rows and their expanded state stay, and the
  // focus follows the record (Dora, not the first of Oslo).
  TreeListNode* oslo = grid.topNodes(1);
  oslo->expand(false);
  table.goFirst();
  EXPECT_EQ(grid.topNodes(1), oslo);
  EXPECT_TRUE(oslo->expanded());
  EXPECT_EQ(grid.focusedNode(), rowNamed("Dora"));

  // Reloading onto a record inside a collapsed group moves the dataset to
  // the group's first record and focuses the group row.
  oslo->collapse(false);
  table.goFirst();
  EXPECT_EQ(currentName(), "Carl");
  EXPECT_EQ(grid.focusedNode(), oslo);
}

TEST_F(DBGridGroupingTest, GroupSummariesShowInTheGroupRowText) {
  open(people());
  column(2)->setSummaryType(cstCount);
  grid.addGroupColumn(0, column(2));
  EXPECT_EQ(groupTexts(), (Strings{"Town : Bern (COUNT=2) ", "Town : Oslo (COUNT=3) ",
                                   "Town : Rome (COUNT=1) "}));
  column(0)->setSummaryFooterType(cstMax);
  grid.reloadAll();
  EXPECT_EQ(column(0)->footerText(), "MAX=6.00");

  // Format texts replace the default forms: numbers by picture, dates by
  // the date format letters.
  column(2)->setSummaryFormat("0 'people'");
  column(0)->setSummaryFooterFormat("'highest #'0");
  grid.reloadAll();
  EXPECT_EQ(groupTexts()[1], "Town : Oslo 3 people ");
  EXPECT_EQ(column(0)->footerText(), "highest #6");
  column(3)->setSummaryFooterType(cstMax);
  column(3)->setSummaryFooterFormat("mmm yyyy");
  grid.reloadAll();
  EXPECT_EQ(column(3)->footerText(), "Mar 1990");
}

// A regroup keeps the rows' relative order, and skips the sort that ends it
// when that order is already the sorted one. Whatever came before, every
// list of data rows must end in the order of the sort keys, ties by key.
struct RegroupSession {
  TestDBGrid& grid;
  EngineTable& table;
  DBTreeListColumn* column(int i) const { return grid.dbColumn(i); }
  // The first data row showing the name, expanded or not.
  TreeListNode* row(const std::string& name) const {
    std::vector<TreeListNode*> stack;
    for (int i = grid.topCount() - 1; i >= 0; --i) stack.push_back(grid.topNodes(i));
    while (!stack.empty()) {
      TreeListNode* n = stack.back();
      stack.pop_back();
      if (!CustomDBGrid::isGroupNode(n) && n->strings(1) == name) return n;
      for (int i = n->count() - 1; i >= 0; --i) stack.push_back(n->items(i));
    }
    return nullptr;
  }
  void append(const std::string& name, const std::string& town) const {
    table.goLast();
    table.insertNew();
    table.field(1)->setAsText(name);
    table.field(2)->setAsText(town);
    table.postRecord();
  }
};

struct RegroupCase {
  const char* name;
  std::function<void(const RegroupSession&)> steps;
};

class RegroupOrderTest : public DBGridGroupingTest,
                         public ::testing::WithParamInterface<RegroupCase> {
 protected:
  // Names whose byte order and natural order differ, towns that repeat.
  static std::vector<Row> numbered() {
    return {{"a10", "Oslo", "05/03/1990"}, {"a9", "Bern", "12/01/1985"},
            {"b2", "Oslo", "01/12/1970"},  {"a10", "Rome", "28/02/1990"},
            {"a1", "Bern", "05/03/1990"},  {"a2", "Oslo", "12/01/1985"},
            {"a9", "Oslo", "05/03/1990"},  {"b2", "Rome", "01/12/1970"}};
  }
  // The sort keys as the grid applies them to the data rows.
  std::vector<std::pair<int, bool>> dataKeys() {
    std::vector<std::pair<int, bool>> keys;
    if (grid.sortKeyCount() > 1) {
      for (int i = 0; i < grid.sortKeyCount(); ++i) {
        keys.emplace_back(grid.sortKeyColumn(i), grid.sortKeyDescending(i));
      }
      return keys;
    }
    for (int i = 0; i < grid.columnCount(); ++i) {
      if (!grid.isGroupColumn(column(i)) && column(i)->sorted() != csNone) {
        keys.emplace_back(i, column(i)->sorted() == csDown);
        break;
      }
    }
    return keys;
  }
  // Whether row a comes before row b: text keys, then the record key.
  bool before(TreeListNode* a, TreeListNode* b, const std::vector<std::pair<int, bool>>& keys) {
    for (const auto& [c, descending] : keys) {
      const std::string ta = a->strings(c);
      const std::string tb = b->strings(c);
      int order = grid.naturalSortOrder() ? compareNaturalText(ta, tb) : ta.compare(tb);
      if (descending) order = -order;
      if (order != 0) return order < 0;
    }
    return CustomDBGrid::dbNode(*a).keyValue().integer() <
           CustomDBGrid::dbNode(*b).keyValue().integer();
  }
  // Every list of data rows in key order; the rows all there.
  void expectSorted(int rowCount) {
    const auto keys = dataKeys();
    ASSERT_FALSE(keys.empty());
    int rows = 0;
    for (TreeListNode* n : allNodes()) {
      if (CustomDBGrid::isGroupNode(n)) continue;
      ++rows;
      const TreeListNode* parent = n->parent();
      const int index = n->index();
      if (index == 0) continue;
      TreeListNode* prior = parent ? parent->items(index - 1) : grid.topNodes(index - 1);
      EXPECT_TRUE(before(prior, n, keys))
          << prior->strings(1) << " / " << n->strings(1) << " in " << GetParam().name;
    }
    EXPECT_EQ(rows, rowCount);
  }
};

TEST_P(RegroupOrderTest, EveryListEndsInSortOrder) {
  open(numbered());
  GetParam().steps(RegroupSession{grid, table});
  expectSorted(table.recordTotal());
}

INSTANTIATE_TEST_SUITE_P(
    Steps, RegroupOrderTest,
    ::testing::Values(RegroupCase{"SortedThenGrouped",
                                  [](const RegroupSession& t) {
                                    t.column(1)->setSorted(csUp);
                                    t.grid.addGroupColumn(0, t.column(2));
                                  }},
                      RegroupCase{"SortedDescendingThenTwoLevels",
                                  [](const RegroupSession& t) {
                                    t.column(1)->setSorted(csDown);
                                    t.grid.addGroupColumn(0, t.column(2));
                                    t.grid.addGroupColumn(1, t.column(3));
                                  }},
                      // Rows of one new group come from several old ones, each sorted
                      // on its own.
                      RegroupCase{"FromOneGroupingToAnother",
                                  [](const RegroupSession& t) {
                                    t.grid.addGroupColumn(0, t.column(2));
                                    t.column(1)->setSorted(csUp);
                                    t.grid.beginGroupChange();
                                    t.grid.removeGroupColumn(0);
                                    t.grid.addGroupColumn(0, t.column(3));
                                    t.grid.endGroupChange();
                                  }},
                      RegroupCase{"Ungrouped",
                                  [](const RegroupSession& t) {
                                    t.grid.addGroupColumn(0, t.column(2));
                                    t.column(1)->setSorted(csUp);
                                    t.grid.removeGroupColumn(0);
                                  }},
                      RegroupCase{"AfterReversingTheSort",
                                  [](const RegroupSession& t) {
                                    t.grid.addGroupColumn(0, t.column(2));
                                    t.grid.columnHeaderClick(t.column(1));
                                    t.grid.columnHeaderClick(t.column(1));
                                    t.grid.addGroupColumn(1, t.column(3));
                                  }},
                      RegroupCase{"AfterNaturalOrderChanged",
                                  [](const RegroupSession& t) {
                                    t.column(1)->setSorted(csUp);
                                    t.grid.addGroupColumn(0, t.column(2));
                                    t.grid.setNaturalSortOrder(true);
                                    t.grid.addGroupColumn(1, t.column(3));
                                    t.grid.setNaturalSortOrder(false);
                                    t.grid.removeGroupColumn(1);
                                  }},
                      RegroupCase{"AfterASecondSortKey",
                                  [](const RegroupSession& t) {
                                    t.grid.columnHeaderClick(t.column(1));
                                    t.grid.setAddSortKey(true);
                                    t.grid.columnHeaderClick(t.column(3));
                                    t.grid.columnHeaderClick(t.column(3));
                                    t.grid.setAddSortKey(false);
                                    t.grid.addGroupColumn(0, t.column(2));
                                  }},
                      RegroupCase{"AfterDeletingARow",
                                  [](const RegroupSession& t) {
                                    t.column(1)->setSorted(csUp);
                                    t.grid.setOptions(t.grid.options().without(goConfirmDelete));
                                    t.grid.setFocusedNode(t.row("a9"), 0, false);
                                    t.grid.keyDown(vkDelete, ssCtrl);
                                    t.grid.addGroupColumn(0, t.column(2));
                                  }},
                      RegroupCase{"AfterInsertingRows",
                                  [](const RegroupSession& t) {
                                    t.column(1)->setSorted(csUp);
                                    t.append("a0", "Oslo");
                                    t.grid.addGroupColumn(0, t.column(2));
                                    t.append("a00", "Rome");
                                    t.grid.addGroupColumn(1, t.column(3));
                                  }},
                      RegroupCase{"AfterInsertingBehindTheGridsBack",
                                  [](const RegroupSession& t) {
                                    t.column(1)->setSorted(csUp);
                                    t.grid.addGroupColumn(0, t.column(2));
                                    {
                                      SuspendedLinks suspended(t.table);
                                      t.append("a0", "Oslo");
                                    }
                                    t.grid.reloadKeepingNodes();
                                    t.grid.removeGroupColumn(0);
                                  }},
                      RegroupCase{"AfterEditingARow",
                                  [](const RegroupSession& t) {
                                    t.column(1)->setSorted(csUp);
                                    t.grid.setFocusedNode(t.row("b2"), 0, false);
                                    t.table.beginEdit();
                                    t.table.field(1)->setAsText("a0");
                                    t.table.postRecord();
                                    t.grid.addGroupColumn(0, t.column(2));
                                  }}),
    [](const ::testing::TestParamInfo<RegroupCase>& info) { return info.param.name; });

}  // namespace
}  // namespace morvel::test
