// Actions combined the way a user combines them, through the mouse and the
// keyboard: moving a column and then sorting or grouping by it, sorting by
// several keys and then clicking a group button, a drop the grid refuses,
// and the arrow keys on a row.
#include <gtest/gtest.h>

#include "DBGridTestSupport.h"

namespace morvel::test {
namespace {

using Strings = std::vector<std::string>;

class DBGridUserActionsTest : public DBGridFixture {
 protected:
  void SetUp() override {
    grid.setBounds({0, 0, 800, 300});
    host.attach(grid);
  }
  static Point centre(const Rect& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }
  void click(Point p, ShiftState shift = 0) {
    grid.mouseDown(mbLeft, shift, p);
    grid.mouseUp(mbLeft, shift, p);
  }
  void clickHeader(int c, ShiftState shift = 0) {
    click(centre(grid.headerCellRect(column(c))), shift);
  }
  Point groupButton(int i) {
    const Rect panel = grid.groupPanelRect();
    return centre(
        grid.groupButtonRect(i, grid.metrics().headerRowHeight).translated(panel.left, panel.top));
  }
  // Presses on `from`, moves past the drag threshold and drops on `to`.
  void drag(Point from, Point to) {
    grid.mouseDown(mbLeft, 0, from);
    grid.mouseMove(ssLeft, {from.x + 20, from.y + 20});
    grid.mouseMove(ssLeft, to);
    grid.mouseUp(mbLeft, 0, to);
  }
  void dragHeaderTo(int c, Point to) { drag(centre(grid.headerCellRect(column(c))), to); }
  Point leftEdgeOfHeader(int c) {
    const Rect r = grid.headerCellRect(column(c));
    return {r.left + 3, (r.top + r.bottom) / 2};
  }
  // The field a column shows, by name (columns move; fields do not).
  DBTreeListColumn* columnOf(std::string_view field) {
    for (int i = 0; i < grid.columnCount(); ++i) {
      if (column(i)->fieldName() == field) return column(i);
    }
    return nullptr;
  }
  Strings namesInOrder() {
    Strings out;
    for (TreeListNode* n : allNodes()) {
      if (!CustomDBGrid::isGroupNode(n)) out.push_back(n->strings(columnOf("Name")->index()));
    }
    return out;
  }
};

TEST_F(DBGridUserActionsTest, MovedColumnsKeepTheirValuesForSortingAndGrouping) {
  open(people());
  for (int c = 0; c < 4; ++c) column(c)->setWidth(100);  // every header on screen
  // "Name" dragged in front of "ID": the ID column is now at position 1.
  dragHeaderTo(1, leftEdgeOfHeader(0));
  ASSERT_EQ(columnOf("ID")->index(), 1);
  ASSERT_EQ(columnOf("Name")->index(), 0);
  clickHeader(1);
  clickHeader(1);
  EXPECT_EQ(columnOf("ID")->sorted(), csDown);
  EXPECT_EQ(namesInOrder(), (Strings{"Finn", "Eve", "Bea", "Carl", "alma", "Dora"}));

  // The date column moved to the front sorts by date and groups by date.
  dragHeaderTo(columnOf("Born")->index(), leftEdgeOfHeader(0));
  ASSERT_EQ(columnOf("Born")->index(), 0);
  clickHeader(0);
  EXPECT_EQ(namesInOrder(), (Strings{"Finn", "Carl", "alma", "Bea", "Dora", "Eve"}));
  ASSERT_TRUE(grid.addGroupColumn(0, columnOf("Born")));
  EXPECT_EQ(topTexts(0), (Strings{"Born :  ", "Born : 01/12/1970 ", "Born : 12/01/1985 ",
                                  "Born : 28/02/1990 ", "Born : 05/03/1990 "}));
}

TEST_F(DBGridUserActionsTest, AGroupButtonClickUnderMultiSortOrdersThatLevelByItsOwnColumn) {
  open(people());
  grid.addGroupColumn(0, column(2));  // Town: Bern, Oslo, Rome
  clickHeader(1);                     // Name
  clickHeader(3, ssShift);            // then Born
  ASSERT_EQ(grid.sortKeyCount(), 2);
  int clicks = 0;
  grid.onColumnClick = [&](CustomDBGrid&, DBTreeListColumn* c) {
    EXPECT_EQ(c, column(2));
    ++clicks;
  };
  click(groupButton(0));
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(column(2)->sorted(), csDown);
  EXPECT_EQ(topTexts(0), (Strings{"Town : Rome ", "Town : Oslo ", "Town : Bern "}));
  // The data rows inside each group keep the two keys.
  EXPECT_EQ(namesInOrder(), (Strings{"Eve", "Carl", "Dora", "Finn", "Bea", "alma"}));

  // A reload that keeps its nodes finds every group row again: none doubles.
  grid.reloadKeepingNodes();
  EXPECT_EQ(topTexts(0), (Strings{"Town : Rome ", "Town : Oslo ", "Town : Bern "}));
  EXPECT_EQ(namesInOrder(), (Strings{"Eve", "Carl", "Dora", "Finn", "Bea", "alma"}));

  // The sorting veto holds for a button as for a header.
  grid.onColumnSorting = [](CustomDBGrid&, DBTreeListColumn*, bool& allow) { allow = false; };
  click(groupButton(0));
  EXPECT_EQ(clicks, 2);
  EXPECT_EQ(column(2)->sorted(), csDown);
}

TEST_F(DBGridUserActionsTest, DroppingTheOnlyVisibleColumnOnThePanelChangesNothing) {
  open(people());
  for (int c = 1; c < 4; ++c) column(c)->setVisible(false);
  int reloads = 0;
  grid.onClearNodeData = [&](CustomDBGrid&) { ++reloads; };
  dragHeaderTo(0, centre(grid.groupPanelRect()));
  EXPECT_EQ(grid.groupColumnCount(), 0);
  EXPECT_EQ(reloads, 0);  // the rows were not rebuilt
  EXPECT_TRUE(column(0)->visible());
}

TEST_F(DBGridUserActionsTest, LeftAndRightOnARowScrollTheColumnsOneStep) {
  open(people());
  for (int c = 0; c < 4; ++c) column(c)->setWidth(300);
  grid.setFocusedNode(grid.topNodes(0), 0, false);
  ASSERT_EQ(grid.leftCoord(), 0);
  const int step = grid.metrics().charWidth;
  EXPECT_TRUE(grid.keyDown(vkRight, 0));
  EXPECT_EQ(grid.leftCoord(), step);
  EXPECT_TRUE(grid.keyDown(vkRight, 0));
  EXPECT_TRUE(grid.keyDown(vkLeft, 0));
  EXPECT_EQ(grid.leftCoord(), step);
  EXPECT_EQ(grid.focusedNode(), grid.topNodes(0));  // the focus stays on its row
  EXPECT_TRUE(grid.keyDown(vkLeft, 0));
  EXPECT_TRUE(grid.keyDown(vkLeft, 0));
  EXPECT_EQ(grid.leftCoord(), 0);
}

TEST_F(DBGridUserActionsTest, TheCurrentRecordFollowsTheFocusedRowThroughGroupingAndSorting) {
  open(people());
  const auto current = [&] { return table.field(0)->variantValue().integerValue(); };
  const auto focusedKey = [&] {
    return CustomDBGrid::dbNode(*CustomDBGrid::firstDataNode(grid.focusedNode()))
        .keyValue()
        .integer();
  };
  grid.setFocusedNode(grid.topNodes(4), 0, false);  // Eve, record 5
  ASSERT_EQ(current(), 5);
  // Grouping focuses the first group row (Bern: alma, Bea): the table goes
  // to the record that row stands for.
  grid.addGroupColumn(0, column(2));
  EXPECT_EQ(focusedKey(), 2);
  EXPECT_EQ(current(), 2);
  // Sorting by name gives the Bern row another first row, Bea.
  clickHeader(1);
  EXPECT_EQ(focusedKey(), 4);
  EXPECT_EQ(current(), 4);
  // Ungrouping frees the focused group row; the first row takes the focus.
  grid.removeGroupColumn(0);
  EXPECT_EQ(focusedKey(), current());
}

TEST_F(DBGridUserActionsTest, RowsThatNoColumnSortsGoBackToRecordOrderWhenRegrouped) {
  open(people());
  grid.addGroupColumn(0, column(3));  // Born: Dora (Oslo) and Eve (Rome) share a date
  grid.addGroupColumn(0, column(2));  // Town above it
  column(2)->setSorted(csDown);       // Rome, and Eve, now shows before Oslo
  column(3)->setSorted(csDown);
  grid.removeGroupColumn(0);  // Town goes: the rows of both towns meet again
  EXPECT_EQ(topTexts(0).back(), "Born :  ");
  TreeListNode* march = grid.topNodes(0);  // 05/03/1990, the latest date
  ASSERT_EQ(march->count(), 2);
  EXPECT_EQ(march->items(0)->strings(1), "Dora");  // record 1 before record 5
  EXPECT_EQ(march->items(1)->strings(1), "Eve");
}

}  // namespace
}  // namespace morvel::test
