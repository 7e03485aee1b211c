// The column model: properties and their clamps, naming, moving columns with
// their node texts, header rows, bands and widths, and best fit.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "GridTestSupport.h"

namespace morvel {
namespace {

using test::addRow;

class Columns : public ::testing::Test, public test::GridFixture {
 protected:
  TreeListColumn* add(const std::string& caption, int width = 100) {
    TreeListColumn* c = grid.createColumn();
    c->setCaption(caption);
    c->setWidth(width);
    return c;
  }
  std::vector<std::string> order() const {
    std::vector<std::string> out;
    for (int i = 0; i < grid.columnCount(); ++i) out.push_back(grid.columns(i)->caption());
    return out;
  }
};

TEST_F(Columns, WidthNeverGoesBelowMinWidth) {
  TreeListColumn* c = grid.createColumn();
  EXPECT_EQ(c->width(), 100);
  EXPECT_EQ(c->minWidth(), 20);
  c->setWidth(5);
  EXPECT_EQ(c->width(), 20);
  c->setMinWidth(50);
  EXPECT_EQ(c->width(), 50);
  c->setMinWidth(-4);
  EXPECT_EQ(c->minWidth(), 0);
  c->setWidth(-1);
  EXPECT_EQ(c->width(), 0);
  c->setHeaderMaxLineCount(-2);
  EXPECT_EQ(c->headerMaxLineCount(), 0);
}

TEST_F(Columns, CreatedColumnsAreNamedAfterTheGridSkippingTakenNames) {
  for (int i = 0; i < 3; ++i) grid.createColumn();
  EXPECT_EQ(grid.columns(0)->name(), "gridDataColumn1");
  EXPECT_EQ(grid.columns(1)->name(), "gridDataColumn2");
  EXPECT_EQ(grid.columns(2)->name(), "gridDataColumn3");
  grid.deleteColumn(grid.columns(0));
  EXPECT_EQ(grid.createColumn()->name(), "gridDataColumn4");  // 3 is taken
}

TEST_F(Columns, UnassignedPropertiesFollowDefaultsAndTheGrid) {
  TreeListColumn detached;
  EXPECT_EQ(detached.color(), clWindow);
  EXPECT_EQ(detached.index(), -1);
  EXPECT_EQ(detached.colIndex(), -1);
  TreeListColumn* c = grid.createColumn();
  grid.setColor(clBtnFace);
  EXPECT_EQ(c->color(), clBtnFace);
  Font big;
  big.size = 12;
  grid.setFont(big);
  EXPECT_EQ(c->font().size, 12);
  EXPECT_FALSE(c->assignedValues() & TreeListColumn::avFont);
  grid.setReadOnly(true);
  EXPECT_TRUE(c->readOnly());
  c->setCaption("Name");
  c->setAlignment(taRightJustify);
  c->restoreDefaults();
  EXPECT_EQ(c->caption(), "");
  EXPECT_EQ(c->alignment(), taLeftJustify);
}

TEST_F(Columns, SettersRelayoutOnlyWhenTheValueChanges) {
  TreeListColumn* c = add("A");
  host.clearRecords();
  c->setCaption("A");
  c->setWidth(100);
  c->setVisible(true);
  EXPECT_EQ(host.fullRepaints, 0);
  c->setCaption("B");
  c->setVisible(false);
  EXPECT_EQ(host.fullRepaints, 2);
  grid.lockUpdate();
  c->setWidth(70);
  c->setSizing(false);
  grid.unlockUpdate();
  EXPECT_EQ(host.fullRepaints, 3);  // deferred to the unlock
}

TEST_F(Columns, MovingAColumnCarriesEveryNodesTextAlong) {
  add("A");
  add("B");
  add("C");
  TreeListNode* group = addRow(grid, {"a1", "b1", "c1"});
  TreeListNode* child = addRow(grid, {"a2", "b2"}, group);
  grid.columns(0)->setColumnIndex(2);
  EXPECT_EQ(order(), (std::vector<std::string>{"B", "C", "A"}));
  EXPECT_EQ(group->strings(0), "b1");
  EXPECT_EQ(group->strings(2), "a1");
  EXPECT_EQ(child->strings(1), "");
  EXPECT_EQ(child->strings(2), "a2");
  grid.columns(2)->setColIndex(0);
  EXPECT_EQ(order(), (std::vector<std::string>{"A", "B", "C"}));
  EXPECT_EQ(group->strings(0), "a1");
  grid.columns(0)->setColIndex(9);  // clamped to the last position
  EXPECT_EQ(order(), (std::vector<std::string>{"B", "C", "A"}));
  EXPECT_EQ(grid.columns(2)->colIndex(), 2);
}

TEST_F(Columns, DeletingAColumnDropsItsTextsWhileClearingKeepsThem) {
  add("A");
  add("B");
  TreeListNode* row = addRow(grid, {"a", "b"});
  grid.deleteColumn(grid.columns(0));
  EXPECT_EQ(row->strings(0), "b");
  grid.clearColumns();
  EXPECT_EQ(grid.columnCount(), 0);
  EXPECT_EQ(row->strings(0), "b");
}

TEST_F(Columns, VisibleColumnsSkipHiddenOnes) {
  add("A");
  add("B")->setVisible(false);
  add("C");
  EXPECT_EQ(grid.visibleColumnCount(), 2);
  EXPECT_EQ(grid.visibleColumns(1)->caption(), "C");
  EXPECT_EQ(grid.visibleColumns(2), nullptr);
  EXPECT_EQ(grid.columns(2)->colIndex(), 1);
}

TEST_F(Columns, HeaderPanelRowCountIsClampedAndLeavesTheDefaultLayout) {
  grid.setOptionsEx(grid.optionsEx().with(goAutoHeaderPanelHeight));
  grid.setHeaderPanelRowCount(9);
  EXPECT_EQ(grid.headerPanelRowCount(), 5);
  EXPECT_FALSE(grid.defaultLayout());
  EXPECT_FALSE(grid.optionsEx().has(goAutoHeaderPanelHeight));
  grid.setHeaderPanelRowCount(0);
  EXPECT_EQ(grid.headerPanelRowCount(), 1);
  grid.setHeaderPanelRowCount(4);
  grid.setHeaderPanelMaxRowCount(2);
  EXPECT_EQ(grid.headerPanelRowCount(), 2);
}

TEST_F(Columns, EmptyHeaderRowsCloseUp) {
  grid.setHeaderPanelRowCount(3);
  TreeListColumn* a = add("A");
  TreeListColumn* b = add("B");
  b->setRowIndex(2);  // row 1 is empty: B moves up to it
  EXPECT_EQ(b->rowIndex(), 1);
  EXPECT_EQ(a->rowIndex(), 0);
  b->setRowIndex(7);  // clamped to the last header row, then closed up
  EXPECT_EQ(b->rowIndex(), 1);
  a->setVisible(false);  // now row 0 is empty
  EXPECT_EQ(b->rowIndex(), 0);
  EXPECT_EQ(grid.rowColumnCount(grid.bands().items(0), 0), 1);
}

TEST_F(Columns, DefaultLayoutGivesEveryColumnItsOwnWidth) {
  add("A", 80);
  add("B", 30);
  add("C", 120);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(grid.columnDrawnWidth(grid.columns(i)), grid.columns(i)->width());
  }
  EXPECT_EQ(grid.bandDrawnWidth(grid.bands().items(0)), 230);
}

TEST_F(Columns, ABandRowSharesTheBandWidthByColumnWidths) {
  grid.setDefaultLayout(false);
  grid.setOptionsEx(grid.optionsEx().without(goBandHeaderWidth));
  TreeListBand* band = grid.bands().items(0);
  band->setWidth(300);
  TreeListColumn* a = add("A", 100);
  TreeListColumn* b = add("B", 50);
  TreeListColumn* c = add("C", 50);
  // 300 · 100/200 = 150, 300 · 50/200 = 75, the last takes the rest.
  EXPECT_EQ(grid.columnDrawnWidth(a), 150);
  EXPECT_EQ(grid.columnDrawnWidth(b), 75);
  EXPECT_EQ(grid.columnDrawnWidth(c), 75);
  // A share at or below a minimum: that column keeps its minimum and the
  // rest of the band goes to the others by width.
  band->setWidth(100);
  b->setMinWidth(40);
  // Shares: 50, 25, 25 against minimums 20, 40, 20 → B keeps 40; the extra
  // 100 - 80 = 20 goes to A and C by 100 : 50.
  EXPECT_EQ(grid.columnDrawnWidth(a), 20 + 13);
  EXPECT_EQ(grid.columnDrawnWidth(b), 40);
  EXPECT_EQ(grid.columnDrawnWidth(c), 100 - 33 - 40);
  EXPECT_EQ(grid.bandMinWidth(band), 80);
}

TEST(MulDiv, RoundsHalfAwayFromZeroAndRefusesZero) {
  EXPECT_EQ(mulDiv(300, 50, 200), 75);
  EXPECT_EQ(mulDiv(20, 100, 150), 13);
  EXPECT_EQ(mulDiv(1, 1, 2), 1);
  EXPECT_EQ(mulDiv(-1, 1, 2), -1);
  EXPECT_EQ(mulDiv(2000000000, 3, 4), 1500000000);
  EXPECT_EQ(mulDiv(5, 5, 0), -1);
}

TEST_F(Columns, FixedBandsStayAtTheEdgesAndColumnsKeepTheirBands) {
  TreeListBand* b1 = grid.bands().add();
  TreeListBand* b2 = grid.bands().add();
  EXPECT_FALSE(grid.defaultLayout());
  TreeListColumn* in2 = add("in2");
  in2->setBandIndex(2);
  TreeListColumn* in0 = add("in0");
  b2->setFixed(bfLeft);
  EXPECT_EQ(b2->index(), 0);
  EXPECT_EQ(grid.leftFixedBand(), b2);
  EXPECT_EQ(grid.columnBand(in2), b2);
  EXPECT_EQ(in0->bandIndex(), 1);
  b2->setIndex(2);  // a fixed band does not move
  EXPECT_EQ(b2->index(), 0);
  b1->setFixed(bfLeft);  // takes the left edge from b2
  EXPECT_EQ(b1->index(), 0);
  EXPECT_EQ(b2->fixed(), bfNone);
  b1->setVisible(false);
  EXPECT_EQ(b1->fixed(), bfNone);
  grid.bands().deleteBand(grid.bands().indexOf(b2));
  EXPECT_EQ(in2->bandIndex(), -1);
  EXPECT_EQ(grid.columnBand(in0)->index(), 1);
  grid.setBandRowCount(7);
  EXPECT_EQ(grid.bandRowCount(), 5);
}

TEST_F(Columns, ResettingTheDefaultLayoutPutsEverythingInOneBand) {
  grid.bands().add();
  TreeListColumn* c = add("A");
  c->setBandIndex(1);
  grid.setHeaderPanelRowCount(3);
  grid.setShowBands(true);
  grid.setDefaultLayout(true);
  EXPECT_TRUE(grid.defaultLayout());
  EXPECT_EQ(grid.bands().count(), 1);
  EXPECT_EQ(c->bandIndex(), 0);
  EXPECT_EQ(grid.headerPanelRowCount(), 1);
  EXPECT_FALSE(grid.showBands());
}

// Best fit -----------------------------------------------------------------

TEST_F(Columns, BestFitOnAnEmptyGridUsesCaptionsOrTheMinimum) {
  add("Name");      // 4 × 6 + 2 × 6 = 36
  add("");          // 0 + 12 → MinWidth 20
  add("Long text")  // 9 × 6 + 12 = 66, but it cannot be sized
      ->setSizing(false);
  grid.applyBestFit(nullptr);
  EXPECT_EQ(grid.columns(0)->width(), 36);
  EXPECT_EQ(grid.columns(1)->width(), 20);
  EXPECT_EQ(grid.columns(2)->width(), 100);
}

TEST_F(Columns, BestFitMeasuresRowsInCollapsedGroupsButNeverGroupRows) {
  add("A");
  add("B");
  TreeListNode* group = addRow(grid, {"a group row that is very long", "g"});
  addRow(grid, {"", "twelve chars"}, group);  // hidden: the group is collapsed
  addRow(grid, {"abc", "x"});
  host.clearRecords();
  grid.applyBestFit(nullptr);
  EXPECT_EQ(host.fullRepaints, 1);  // one relayout for all columns
  // Column A is the first column: a level-0 row adds one 16-pixel indent,
  // a level-1 row two.
  EXPECT_EQ(grid.columns(0)->width(), std::max(3 * 6 + 16, 0 + 32) + 12);
  EXPECT_EQ(grid.columns(1)->width(), 12 * 6 + 12);
}

TEST_F(Columns, BestFitOfOneColumnLeavesTheOthers) {
  add("A");
  add("B");
  addRow(grid, {"a", "bb"});
  grid.applyBestFit(grid.columns(1));
  EXPECT_EQ(grid.columns(0)->width(), 100);
  EXPECT_EQ(grid.columns(1)->width(), 12 + 12);
}

TEST_F(Columns, RemovingAColumnTakesItOutOfTheSortKeys) {
  TreeListColumn* a = add("A");
  grid.setOptionsEx(grid.optionsEx().with(goMultiSort));
  grid.columnHeaderClick(a);
  EXPECT_EQ(grid.sortKeyCount(), 1);
  std::unique_ptr<TreeListColumn> removed = grid.removeColumn(a);
  EXPECT_EQ(grid.sortKeyCount(), 0);
  EXPECT_EQ(removed->treeList(), nullptr);
}

}  // namespace
}  // namespace morvel
