// Hit testing at exact pixels, the mouse state machine (pressing, sizing and
// dragging headers) and the keyboard, on the fake platform. The grid shows
// the indicator (12 wide) and three columns of 100, 80 and 60 pixels under
// a 19-pixel header; rows are 17 pixels high.
#include <gtest/gtest.h>

#include "GridTestSupport.h"
#include "grid/view/TreeListImages.h"

namespace morvel {
namespace {

using test::addRow;
using test::label;

class Input : public test::ThreeColumnGrid {
 protected:
  void addRows(int n) {
    for (int i = 0; i < n; ++i) {
      addRow(grid, {label("n", i), label("c", n - i), "b"});
    }
  }
  void click(Point p, ShiftState shift = 0) {
    grid.mouseDown(mbLeft, shift, p);
    grid.mouseUp(mbLeft, shift, p);
  }
  void drag(Point from, Point to) {
    grid.mouseDown(mbLeft, 0, from);
    grid.mouseMove(ssLeft, to);
    grid.mouseUp(mbLeft, 0, to);
  }
  std::vector<std::string> shownCaptions() {
    std::vector<std::string> out;
    for (int i = 0; i < grid.visibleColumnCount(); ++i)
      out.push_back(grid.visibleColumns(i)->caption());
    return out;
  }
};

struct HitCase {
  Point point;
  TreeListHitTest code;
  int column;
  int row;
};

class HitCodes : public Input, public ::testing::WithParamInterface<HitCase> {};

TEST_P(HitCodes, AtExactPixels) {
  addRows(3);
  TreeListNode* group = addRow(grid, {"group"});
  addRow(grid, {"child"}, group);
  const HitCase& c = GetParam();
  const TreeListHitInfo hit = grid.getHitInfo(c.point);
  EXPECT_EQ(hit.hitType, c.code);
  EXPECT_EQ(hit.columnIndex, c.column);
  EXPECT_EQ(hit.row, c.row);
  EXPECT_EQ(hit.node != nullptr, c.row >= 0);
}

INSTANTIATE_TEST_SUITE_P(
    Grid, HitCodes,
    ::testing::Values(HitCase{{-1, 5}, htOutside, -1, -1}, HitCase{{400, 5}, htOutside, -1, -1},
                      HitCase{{5, 5}, htHeaderCorner, -1, -1}, HitCase{{50, 5}, htHeader, 0, -1},
                      HitCase{{107, 5}, htHeader, 0, -1},
                      HitCase{{108, 5}, htColumnEdge, 0, -1},  // last 4 pixels of the header
                      HitCase{{115, 5}, htColumnEdge, 0, -1},  // first 4 of the next one
                      HitCase{{116, 5}, htHeader, 1, -1}, HitCase{{251, 5}, htColumnEdge, 2, -1},
                      HitCase{{300, 5}, htNowhere, -1, -1}, HitCase{{5, 20}, htIndicator, -1, 0},
                      HitCase{{12, 19}, htCell, 0, 0}, HitCase{{150, 35}, htCell, 1, 0},
                      HitCase{{150, 36}, htCell, 1, 1}, HitCase{{252, 40}, htRowRight, -1, 1},
                      HitCase{{27, 19 + 3 * 17}, htButton, 0, 3},
                      HitCase{{28, 19 + 3 * 17}, htCell, 0, 3},
                      HitCase{{150, 19 + 4 * 17}, htNowhere, -1, -1}),
    [](const ::testing::TestParamInfo<HitCase>& info) {
      return "At" + std::to_string(info.param.point.x + 1) + "_" +
             std::to_string(info.param.point.y);
    });

TEST_F(Input, SizingZoneNeedsASizableColumn) {
  grid.columns(0)->setSizing(false);
  EXPECT_EQ(grid.getHitInfo({108, 5}).hitType, htHeader);
  EXPECT_EQ(grid.getHitInfo({113, 5}).hitType, htHeader);
  grid.columns(0)->setSizing(true);
  grid.setOptions(grid.options().without(goColumnSizing));
  EXPECT_EQ(grid.getHitInfo({108, 5}).hitType, htHeader);
}

TEST_F(Input, HeaderClickSortsAndShiftAddsKeys) {
  grid.setOptionsEx(grid.optionsEx().with(goMultiSort));
  addRows(3);
  click({50, 5});
  EXPECT_EQ(grid.columns(0)->sorted(), csUp);
  click({50, 5});
  EXPECT_EQ(grid.columns(0)->sorted(), csDown);
  click({150, 5}, ssShift);
  EXPECT_EQ(grid.columns(0)->sorted(), csDown);
  EXPECT_EQ(grid.columns(1)->sorted(), csUp);
  EXPECT_EQ(grid.sortKeyCount(), 2);
  EXPECT_FALSE(grid.addSortKey());
  click({150, 5});
  EXPECT_EQ(grid.columns(0)->sorted(), csNone);
  EXPECT_EQ(grid.sortKeyCount(), 1);
  EXPECT_EQ(grid.mouseState(), MouseState::Idle);
}

TEST_F(Input, FivePixelsStillSortSixStartADrag) {
  drag({50, 5}, {55, 10});
  EXPECT_EQ(grid.columns(0)->sorted(), csUp);
  EXPECT_EQ(shownCaptions(), (std::vector<std::string>{"Name", "City", "Born"}));

  grid.mouseDown(mbLeft, 0, {50, 5});
  grid.mouseMove(ssLeft, {56, 5});
  EXPECT_EQ(grid.mouseState(), MouseState::HeaderDragging);
  EXPECT_EQ(host.floatingImages.size(), 1u);  // the drag image
  grid.mouseUp(mbLeft, 0, {56, 5});
  EXPECT_EQ(grid.columns(0)->sorted(), csUp);  // unchanged: no click
  EXPECT_EQ(grid.mouseState(), MouseState::Idle);
  EXPECT_TRUE(host.floatingImages.empty());
  EXPECT_FALSE(host.captured);
}

TEST_F(Input, ReleaseOutsideThePressedHeaderDoesNothing) {
  // Without column moving a press never becomes a drag.
  grid.setOptions(grid.options().without(goColumnMoving));
  grid.mouseDown(mbLeft, 0, {50, 5});
  grid.mouseMove(ssLeft, {150, 5});
  EXPECT_EQ(grid.mouseState(), MouseState::HeaderPressed);
  grid.mouseUp(mbLeft, 0, {150, 5});
  EXPECT_EQ(grid.columns(0)->sorted(), csNone);
  EXPECT_EQ(grid.columns(1)->sorted(), csNone);
}

TEST_F(Input, DraggingMovesColumnsAndReportsDropPositions) {
  std::vector<std::pair<int, int>> moves;
  grid.onColumnMoved = [&](CustomTreeListControl&, int from, int to) {
    moves.push_back({from, to});
  };
  grid.mouseDown(mbLeft, 0, {50, 5});
  grid.mouseMove(ssLeft, {60, 5});
  // Over itself or the near half of its neighbour nothing would change.
  EXPECT_EQ(grid.dropPosition({60, 5}).colIndex, kDropNoChange);
  EXPECT_EQ(grid.dropPosition({140, 5}).colIndex, kDropNoChange);
  EXPECT_EQ(grid.dropPosition({160, 5}), (HeaderPosInfo{0, 0, 1}));
  EXPECT_EQ(grid.dropPosition({240, 5}), (HeaderPosInfo{0, 0, 2}));
  EXPECT_EQ(grid.dropPosition({399, 5}), (HeaderPosInfo{0, 0, 2}));  // snaps to the end
  EXPECT_EQ(grid.dropPosition({240, 30}).colIndex, kDropOutside);
  grid.mouseMove(ssLeft, {240, 5});
  EXPECT_EQ(grid.dropArrowX(), 252);
  EXPECT_EQ(host.floatingImages.size(), 3u);  // the image and two arrows
  EXPECT_EQ(host.controlCursor, crDefault);
  grid.mouseUp(mbLeft, 0, {240, 5});
  EXPECT_EQ(shownCaptions(), (std::vector<std::string>{"City", "Born", "Name"}));
  EXPECT_EQ(moves, (std::vector<std::pair<int, int>>{{0, 2}}));
  EXPECT_EQ(grid.columns(2)->caption(), "Name");

  drag({240, 5}, {15, 5});  // back to the front, left of the first header
  EXPECT_EQ(shownCaptions(), (std::vector<std::string>{"Name", "City", "Born"}));
}

TEST_F(Input, DropOutsideHidesOnlyWhenCustomizingAndNeverTheLast) {
  drag({50, 5}, {50, 200});
  EXPECT_EQ(grid.visibleColumnCount(), 3);  // no customizing: nothing happens
  grid.setOptions(grid.options().with(goExtCustomizing));
  grid.mouseDown(mbLeft, 0, {50, 5});
  grid.mouseMove(ssLeft, {50, 200});
  EXPECT_EQ(host.controlCursor, crTLDelete);
  grid.mouseUp(mbLeft, 0, {50, 200});
  EXPECT_FALSE(grid.columns(0)->visible());
  grid.columns(1)->setDisableCustomizing(true);
  drag({50, 5}, {50, 200});
  EXPECT_TRUE(grid.columns(1)->visible());
  drag({120, 5}, {120, 200});
  EXPECT_FALSE(grid.columns(2)->visible());
  EXPECT_EQ(grid.visibleColumnCount(), 1);
  grid.columns(1)->setDisableCustomizing(false);
  drag({50, 5}, {50, 200});
  EXPECT_TRUE(grid.columns(1)->visible());  // the last one stays
}

TEST_F(Input, EscapeCancelsDragAndSizing) {
  grid.mouseDown(mbLeft, 0, {50, 5});
  grid.mouseMove(ssLeft, {240, 5});
  EXPECT_TRUE(grid.keyDown(vkEscape, 0));
  EXPECT_EQ(grid.mouseState(), MouseState::Idle);
  grid.mouseUp(mbLeft, 0, {240, 5});
  EXPECT_EQ(shownCaptions(), (std::vector<std::string>{"Name", "City", "Born"}));

  grid.mouseDown(mbLeft, 0, {110, 5});
  EXPECT_EQ(grid.mouseState(), MouseState::ColumnSizing);
  grid.mouseMove(ssLeft, {150, 5});
  grid.keyDown(vkEscape, 0);
  grid.mouseUp(mbLeft, 0, {150, 5});
  EXPECT_EQ(grid.columns(0)->width(), 100);
}

TEST_F(Input, SizingFollowsTheLineWithinItsLimits) {
  int changes = 0;
  grid.onChangedColumnsWidth = [&](CustomTreeList&) { ++changes; };
  grid.mouseDown(mbLeft, 0, {111, 5});
  grid.mouseMove(ssLeft, {131, 5});
  EXPECT_EQ(grid.sizingLine(), 131);
  grid.mouseUp(mbLeft, 0, {131, 5});
  EXPECT_EQ(grid.columns(0)->width(), 120);  // 131 - 12 + 1
  EXPECT_EQ(grid.columns(1)->width(), 80);
  EXPECT_EQ(changes, 1);
  // Never below the minimum width.
  grid.mouseDown(mbLeft, 0, {131, 5});
  grid.mouseMove(ssLeft, {0, 5});
  EXPECT_EQ(grid.sizingLine(), 12 + 20);
  grid.mouseUp(mbLeft, 0, {0, 5});
  EXPECT_EQ(grid.columns(0)->width(), 21);
}

TEST_F(Input, DoubleClickOnTheSizingZoneFitsThatColumn) {
  addRow(grid, {"a much longer name", "x", "y"});
  grid.mouseDown(mbLeft, ssDouble, {110, 5});
  EXPECT_EQ(grid.columns(0)->width(), 18 * 6 + 16 + 2 * 6);
  EXPECT_EQ(grid.columns(1)->width(), 80);
  EXPECT_EQ(grid.mouseState(), MouseState::Idle);
}

// With the band panel shown: bands 0..19, headers 19..38, rows from 38; the
// one band spans the three columns, 12..252.
TEST_F(Input, BandsArePressedSizedAndFittedLikeHeaders) {
  grid.setShowBands(true);
  TreeListBand* band = grid.visibleBand(0);
  ASSERT_NE(band, nullptr);
  EXPECT_EQ(grid.getHitInfo({50, 5}).hitType, htBand);
  EXPECT_EQ(grid.getHitInfo({250, 5}).hitType, htBandEdge);

  // A band is drawn pressed only while the pointer is over it, and a release
  // there is a click.
  grid.mouseDown(mbLeft, 0, {50, 5});
  EXPECT_EQ(grid.mouseState(), MouseState::BandPressed);
  EXPECT_EQ(grid.pressedBand(), band);
  grid.mouseMove(ssLeft, {50, 100});
  EXPECT_FALSE(grid.pressedDrawn());
  grid.mouseUp(mbLeft, 0, {50, 100});
  EXPECT_EQ(grid.bandClicks, 0);
  click({60, 5});
  EXPECT_EQ(grid.bandClicks, 1);

  // Sizing draws a 2-pixel line; the columns share the new width.
  grid.mouseDown(mbLeft, 0, {250, 5});
  grid.mouseMove(ssLeft, {291, 5});
  EXPECT_EQ(grid.sizingLineRect(), (Rect{291, 0, 293, 300}));
  grid.mouseUp(mbLeft, 0, {291, 5});
  EXPECT_EQ(grid.columns(0)->width(), 117);  // 100 * 280 / 240
  EXPECT_EQ(grid.columns(1)->width(), 93);
  EXPECT_EQ(grid.columns(2)->width(), 70);
  EXPECT_EQ(grid.bandDrawnWidth(band), 280);
  grid.mouseDown(mbLeft, 0, {290, 5});
  grid.mouseMove(ssLeft, {350, 5});
  EXPECT_TRUE(grid.keyDown(vkEscape, 0));
  grid.mouseUp(mbLeft, 0, {350, 5});
  EXPECT_EQ(grid.bandDrawnWidth(band), 280);

  // A double click on the edge fits every column of the band.
  addRow(grid, {"a much longer name", "x", "y"});
  grid.mouseDown(mbLeft, ssDouble, {290, 5});
  EXPECT_EQ(grid.columns(0)->width(), 18 * 6 + 16 + 2 * 6);
  EXPECT_EQ(grid.columns(1)->width(), 4 * 6 + 2 * 6);  // "City"
  EXPECT_EQ(grid.mouseState(), MouseState::Idle);
}

TEST_F(Input, PanelAndRowSizingAndTheBandCornerNeedTheirOptions) {
  addRows(3);
  EXPECT_EQ(grid.getHitInfo({50, 17}).hitType, htHeader);
  EXPECT_EQ(grid.getHitInfo({5, 19 + 15}).hitType, htIndicator);
  grid.setOptionsEx(grid.optionsEx().with(goHeaderPanelSizing).with(goRowSizing));
  EXPECT_EQ(grid.getHitInfo({50, 17}).hitType, htHeaderPanelEdge);
  EXPECT_EQ(grid.getHitInfo({5, 19 + 15}).hitType, htRowEdge);

  // Dragging a row's bottom edge sets the row height for every row.
  grid.mouseDown(mbLeft, 0, {5, 19 + 15});
  EXPECT_EQ(grid.mouseState(), MouseState::RowSizing);
  grid.mouseMove(ssLeft, {5, 19 + 25});
  EXPECT_EQ(grid.sizingLineRect(), (Rect{0, 44, 400, 45}));
  grid.mouseUp(mbLeft, 0, {5, 19 + 25});
  EXPECT_EQ(grid.defaultRowHeight(), 26);
  EXPECT_EQ(grid.rowHeight(), 26);
  // The header panel takes the row count nearest to its new height.
  grid.mouseDown(mbLeft, 0, {50, 17});
  grid.mouseMove(ssLeft, {50, 17 + 19});
  grid.mouseUp(mbLeft, 0, {50, 17 + 19});
  EXPECT_EQ(grid.headerPanelRowCount(), 2);

  grid.setShowBands(true);
  grid.mouseDown(mbLeft, 0, {5, 5});
  EXPECT_EQ(grid.mouseState(), MouseState::Idle);
  grid.setOptionsEx(grid.optionsEx().with(goBandButtonClicking));
  grid.mouseDown(mbLeft, 0, {5, 5});
  EXPECT_EQ(grid.mouseState(), MouseState::BandCornerPressed);
  grid.mouseMove(ssLeft, {50, 50});
  EXPECT_FALSE(grid.pressedDrawn());
  EXPECT_TRUE(grid.keyDown(vkEscape, 0));
  EXPECT_EQ(grid.mouseState(), MouseState::Idle);
  EXPECT_FALSE(host.captured);
}

TEST_F(Input, PressesFocusRowsAndButtonsExpand) {
  addRows(3);
  TreeListNode* group = addRow(grid, {"group"});
  addRow(grid, {"child"}, group);
  int clicks = 0;
  grid.onClick = [&](CustomTreeList&) { ++clicks; };
  click({150, 40});
  EXPECT_EQ(grid.focusedNode(), grid.nodeAtVisibleIndex(1));
  EXPECT_EQ(clicks, 1);
  click({20, 19 + 3 * 17 + 5});
  EXPECT_TRUE(group->expanded());
  grid.mouseDown(mbLeft, ssDouble, {100, 19 + 3 * 17 + 5});
  grid.mouseUp(mbLeft, 0, {100, 19 + 3 * 17 + 5});
  EXPECT_FALSE(group->expanded());
  host.focusAllowed = false;
  host.focused = false;
  click({150, 25});
  EXPECT_EQ(grid.focusedNode(), grid.nodeAtVisibleIndex(1));  // no focus, no press
}

TEST_F(Input, TheMiddleButtonScrollsFasterFurtherFromTheMark) {
  addRows(100);
  FakeServices& services = host.services();
  grid.mouseDown(mbMiddle, 0, {200, 150});
  grid.mouseUp(mbMiddle, 0, {200, 150});  // still inside the mark: scrolling goes on
  ASSERT_TRUE(grid.dragScrolling());
  EXPECT_EQ(host.floatingImages.size(), 1u);
  EXPECT_EQ(host.controlCursor, crTLVerScroll);  // the columns fit: only up and down
  for (int i = 0; i < 24; ++i) services.fireActiveTimers();
  EXPECT_EQ(grid.visibleIndexOf(grid.topNode()), 0);

  grid.mouseMove(0, {200, 150 + 14 + 60});  // far below: the top speed, a line a tick
  EXPECT_EQ(host.controlCursor, crTLDownScroll);
  for (int i = 0; i < 4; ++i) services.fireActiveTimers();
  EXPECT_EQ(grid.visibleIndexOf(grid.topNode()), 4);
  grid.mouseMove(0, {200, 150 + 14 + 5});  // speed 2: a line every 11 ticks
  for (int i = 0; i < 22; ++i) services.fireActiveTimers();
  EXPECT_EQ(grid.visibleIndexOf(grid.topNode()), 6);
  grid.mouseMove(0, {200, 100});
  EXPECT_EQ(host.controlCursor, crTLUpScroll);

  grid.mouseUp(mbMiddle, 0, {200, 100});
  EXPECT_FALSE(grid.dragScrolling());
  EXPECT_TRUE(host.floatingImages.empty());
  EXPECT_FALSE(host.captured);
  // Another button, or Escape, ends it too.
  grid.mouseDown(mbMiddle, 0, {200, 150});
  grid.mouseDown(mbLeft, 0, {200, 150});
  EXPECT_FALSE(grid.dragScrolling());
  grid.mouseDown(mbMiddle, 0, {200, 150});
  grid.keyDown(vkEscape, 0);
  EXPECT_FALSE(grid.dragScrolling());
}

TEST_F(Input, KeysMoveTheFocusAndStopAtTheEdges) {
  addRows(40);
  const int page = grid.visibleRowCount();  // 16
  grid.setFocusedVisibleIndex(0);
  grid.keyDown(vkUp, 0);
  EXPECT_EQ(grid.focusedNode()->visibleIndex(), 0);
  grid.keyDown(vkDown, 0);
  EXPECT_EQ(grid.focusedNode()->visibleIndex(), 1);
  grid.keyDown(vkNext, 0);  // inside the page: to its last full row
  EXPECT_EQ(grid.focusedNode()->visibleIndex(), page - 1);
  grid.keyDown(vkNext, 0);  // on the edge: a page less one further
  EXPECT_EQ(grid.focusedNode()->visibleIndex(), 2 * page - 2);
  grid.keyDown(vkEnd, 0);
  EXPECT_EQ(grid.focusedNode()->visibleIndex(), 39);
  grid.keyDown(vkNext, 0);
  EXPECT_EQ(grid.focusedNode()->visibleIndex(), 39);
  grid.keyDown(vkPrior, 0);
  EXPECT_EQ(grid.focusedNode()->visibleIndex(), 39 - page + 1);  // the top row
  grid.keyDown(vkHome, ssCtrl);
  EXPECT_EQ(grid.focusedNode()->visibleIndex(), 0);
}

TEST_F(Input, LeftAndRightWalkTheTree) {
  TreeListNode* first = addRow(grid, {"first"});
  TreeListNode* child = addRow(grid, {"child"}, first);
  grid.setFocusedNode(first, 0, true);
  grid.keyDown(vkLeft, 0);  // collapsed, index 0, no row above: stays
  EXPECT_EQ(grid.focusedNode(), first);
  grid.keyDown(vkRight, 0);
  EXPECT_TRUE(first->expanded());
  grid.keyDown(vkRight, 0);
  EXPECT_EQ(grid.focusedNode(), child);
  grid.keyDown(vkLeft, 0);
  EXPECT_EQ(grid.focusedNode(), first);
  grid.keyDown(vkLeft, 0);
  EXPECT_FALSE(first->expanded());
  EXPECT_TRUE(grid.keyPress("*"));
  EXPECT_TRUE(first->expanded());
  grid.keyPress("-");
  EXPECT_FALSE(first->expanded());
  grid.keyPress("+");
  EXPECT_TRUE(first->expanded());
}

TEST_F(Input, KeysOnAnEmptyGridDoNothing) {
  EXPECT_FALSE(grid.keyPress("+"));
  EXPECT_FALSE(grid.keyDown(vkDown, 0));
  EXPECT_EQ(grid.focusedNode(), nullptr);
}

TEST_F(Input, CtrlCCopiesTheHeaderAndTheFocusedRow) {
  addRows(2);
  grid.columns(1)->setVisible(false);
  grid.setFocusedVisibleIndex(1);
  EXPECT_TRUE(grid.keyDown('C', ssCtrl));
  EXPECT_EQ(host.services().clipboard, "Name\tBorn\r\nn1\tb\r\n");
  host.services().clipboard.clear();
  grid.keyDown(vkInsert, ssCtrl);
  EXPECT_EQ(host.services().clipboard, "Name\tBorn\r\nn1\tb\r\n");
}

}  // namespace
}  // namespace morvel
