// The contract of the grid's mouse states: every state a press can start
// ends in Idle on its release, on Escape and on a lost capture, and leaves
// nothing of itself behind; Escape and a lost capture act on nothing;
// onMouseDown fires once per press, after the press has done its work; and
// a column or band that goes while it is held ends the state. A seeded
// random model plays sequences of presses, moves, releases and cancels.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "GridTestSupport.h"
#include "grid/view/TreeListImages.h"

namespace morvel {
namespace {

using test::addRow;
using test::label;

GridOptionsEx joined(GridOptionsEx a, GridOptionsEx b) {
  return GridOptionsEx::fromValue(a.value() | b.value());
}

// How to reach a state: options, the press, and a move after it.
struct StateCase {
  const char* name;
  bool bands;
  GridOptionsEx extra;
  MouseButton button;
  Point press;
  Point move;  // where the pointer goes before the release
  MouseState atPress;
  MouseState atMove;
};

// The grid of ThreeColumnGrid with 40 rows: headers 0..19 without the band
// panel (bands 0..19 and headers 19..38 with it), the indicator 0..12,
// columns of 100, 80 and 60, rows of 17.
class MouseStates : public test::ThreeColumnGrid {
 protected:
  void SetUp() override {
    ThreeColumnGrid::SetUp();
    for (int i = 0; i < 40; ++i) addRow(grid, {label("n", i), label("c", 40 - i), "b"});
    grid.onClick = [this](CustomTreeList&) { ++clicks; };
    grid.onHeaderButtonClick = [this](CustomTreeList&) { ++clicks; };
    grid.onMouseDown = [this](CustomTreeListControl& g, MouseButton, ShiftState, Point) {
      pressStates.push_back(g.mouseState());
    };
  }
  void reach(const StateCase& c) {
    grid.setShowBands(c.bands);
    grid.setOptionsEx(joined(grid.optionsEx(), c.extra));
  }
  // What a press, a sizing or a drag could change.
  std::vector<std::string> layout() {
    std::vector<std::string> out;
    for (int i = 0; i < grid.columnCount(); ++i) {
      const TreeListColumn* c = grid.columns(i);
      out.push_back(c->caption() + " w" + std::to_string(c->width()) + " b" +
                    std::to_string(c->bandIndex()) + " c" + std::to_string(c->colIndex()) +
                    (c->visible() ? "" : " hidden") + " s" + std::to_string(c->sorted()));
    }
    out.push_back("rows " + std::to_string(grid.defaultRowHeight()) + " headers " +
                  std::to_string(grid.headerPanelRowCount()) + " bands " +
                  std::to_string(grid.bandRowCount()) + " top " +
                  std::to_string(grid.visibleIndexOf(grid.topNode())) + " clicks " +
                  std::to_string(clicks + grid.bandClicks));
    return out;
  }
  // Idle, and nothing of the state left: no capture, no held column or
  // band, no line, no arrows, no images, no running timer.
  void expectNothingLeft() {
    EXPECT_EQ(grid.mouseState(), MouseState::Idle);
    EXPECT_FALSE(host.captured);
    EXPECT_EQ(grid.pressedColumn(), nullptr);
    EXPECT_EQ(grid.pressedBand(), nullptr);
    EXPECT_EQ(grid.dragColumn(), nullptr);
    EXPECT_EQ(grid.dragBand(), nullptr);
    EXPECT_FALSE(grid.pressedDrawn());
    EXPECT_EQ(grid.sizingLine(), -1);
    EXPECT_TRUE(grid.sizingLineRect().isEmpty());
    EXPECT_EQ(grid.dropArrowX(), -1);
    EXPECT_FALSE(grid.dragScrolling());
    EXPECT_TRUE(host.floatingImages.empty());
    for (const FakeTimer* timer : host.services().timers()) EXPECT_FALSE(timer->active());
  }

  int clicks = 0;
  std::vector<MouseState> pressStates;  // the state onMouseDown saw, per press
};

class EveryState : public MouseStates, public ::testing::WithParamInterface<StateCase> {
 protected:
  void pressAndMove() {
    const StateCase& c = GetParam();
    reach(c);
    grid.mouseDown(c.button, 0, c.press);
    ASSERT_EQ(grid.mouseState(), c.atPress);
    grid.mouseMove(ssLeft, c.move);
    ASSERT_EQ(grid.mouseState(), c.atMove);
    EXPECT_TRUE(host.captured);
  }
};

TEST_P(EveryState, ReleaseReturnsToIdleWithNothingLeft) {
  pressAndMove();
  grid.mouseUp(GetParam().button, 0, GetParam().move);
  expectNothingLeft();
}

TEST_P(EveryState, EscapeEndsItWithoutActing) {
  reach(GetParam());
  const std::vector<std::string> before = layout();
  pressAndMove();
  EXPECT_TRUE(grid.keyDown(vkEscape, 0));
  expectNothingLeft();
  grid.mouseUp(GetParam().button, 0, GetParam().move);
  expectNothingLeft();
  EXPECT_EQ(layout(), before);
}

TEST_P(EveryState, ALostCaptureEndsItWithoutActing) {
  reach(GetParam());
  const std::vector<std::string> before = layout();
  pressAndMove();
  grid.captureLost();
  expectNothingLeft();
  grid.mouseUp(GetParam().button, 0, GetParam().move);
  EXPECT_EQ(layout(), before);
}

TEST_P(EveryState, OnMouseDownFiresOnceAfterThePressStartedTheState) {
  pressAndMove();
  grid.mouseUp(GetParam().button, 0, GetParam().move);
  EXPECT_EQ(pressStates, (std::vector<MouseState>{GetParam().atPress}));
}

TEST_P(EveryState, TheNextPressStartsAfresh) {
  pressAndMove();
  grid.mouseUp(GetParam().button, 0, GetParam().move);
  // A plain press on a cell afterwards is a row press and nothing more.
  grid.mouseDown(mbLeft, 0, {150, 100});
  EXPECT_EQ(grid.mouseState(), MouseState::RowPressed);
  EXPECT_EQ(grid.sizingLine(), -1);
  EXPECT_EQ(grid.dropArrowX(), -1);
  grid.mouseUp(mbLeft, 0, {150, 100});
  expectNothingLeft();
}

const GridOptionsEx kNone{};

INSTANTIATE_TEST_SUITE_P(Grid, EveryState,
                         ::testing::Values(StateCase{"HeaderPressed",
                                                     false,
                                                     kNone,
                                                     mbLeft,
                                                     {50, 5},
                                                     {52, 7},
                                                     MouseState::HeaderPressed,
                                                     MouseState::HeaderPressed},
                                           StateCase{"HeaderDragged",
                                                     false,
                                                     kNone,
                                                     mbLeft,
                                                     {50, 5},
                                                     {240, 5},
                                                     MouseState::HeaderPressed,
                                                     MouseState::HeaderDragging},
                                           StateCase{"BandPressed",
                                                     true,
                                                     kNone,
                                                     mbLeft,
                                                     {50, 5},
                                                     {52, 7},
                                                     MouseState::BandPressed,
                                                     MouseState::BandPressed},
                                           StateCase{"BandDragged",
                                                     true,
                                                     kNone,
                                                     mbLeft,
                                                     {50, 5},
                                                     {70, 5},
                                                     MouseState::BandPressed,
                                                     MouseState::BandDragging},
                                           StateCase{"HeaderCornerPressed",
                                                     false,
                                                     GridOptionsEx{goHeaderButtonClicking},
                                                     mbLeft,
                                                     {5, 5},
                                                     {6, 6},
                                                     MouseState::HeaderCornerPressed,
                                                     MouseState::HeaderCornerPressed},
                                           StateCase{"BandCornerPressed",
                                                     true,
                                                     GridOptionsEx{goBandButtonClicking},
                                                     mbLeft,
                                                     {5, 5},
                                                     {6, 6},
                                                     MouseState::BandCornerPressed,
                                                     MouseState::BandCornerPressed},
                                           StateCase{"RowPressed",
                                                     false,
                                                     kNone,
                                                     mbLeft,
                                                     {150, 40},
                                                     {150, 80},
                                                     MouseState::RowPressed,
                                                     MouseState::RowPressed},
                                           StateCase{"ColumnSized",
                                                     false,
                                                     kNone,
                                                     mbLeft,
                                                     {110, 5},
                                                     {150, 5},
                                                     MouseState::ColumnSizing,
                                                     MouseState::ColumnSizing},
                                           StateCase{"BandSized",
                                                     true,
                                                     kNone,
                                                     mbLeft,
                                                     {250, 5},
                                                     {290, 5},
                                                     MouseState::BandSizing,
                                                     MouseState::BandSizing},
                                           StateCase{"BandPanelSized",
                                                     true,
                                                     GridOptionsEx{goBandPanelSizing},
                                                     mbLeft,
                                                     {50, 17},
                                                     {50, 40},
                                                     MouseState::BandPanelSizing,
                                                     MouseState::BandPanelSizing},
                                           StateCase{"HeaderPanelSized",
                                                     false,
                                                     GridOptionsEx{goHeaderPanelSizing},
                                                     mbLeft,
                                                     {50, 17},
                                                     {50, 40},
                                                     MouseState::HeaderPanelSizing,
                                                     MouseState::HeaderPanelSizing},
                                           StateCase{"RowSized",
                                                     false,
                                                     GridOptionsEx{goRowSizing},
                                                     mbLeft,
                                                     {5, 19 + 15},
                                                     {5, 19 + 30},
                                                     MouseState::RowSizing,
                                                     MouseState::RowSizing},
                                           StateCase{"DragScrolled",
                                                     false,
                                                     kNone,
                                                     mbMiddle,
                                                     {200, 150},
                                                     {200, 250},
                                                     MouseState::DragScrolling,
                                                     MouseState::DragScrolling}),
                         [](const ::testing::TestParamInfo<StateCase>& info) {
                           return info.param.name;
                         });

// Presses that act at once and start no state fire onMouseDown once too;
// a press the grid does not take (no focus, or one that ends drag
// scrolling) fires nothing.
TEST_F(MouseStates, OnMouseDownFiresOncePerPressThatIsTaken) {
  TreeListNode* group = grid.topNodes(3);
  addRow(grid, {"child"}, group);
  grid.mouseDown(mbLeft, ssDouble, {110, 5});        // fits the column
  grid.mouseDown(mbLeft, 0, {20, 19 + 3 * 17 + 5});  // the expand button
  EXPECT_TRUE(group->expanded());
  grid.mouseDown(mbLeft, ssDouble, {150, 19 + 3 * 17 + 5});  // a double click collapses
  EXPECT_FALSE(group->expanded());
  grid.mouseDown(mbLeft, 0, {300, 5});    // right of the headers: nothing there
  grid.mouseDown(mbRight, 0, {150, 40});  // focuses the row, holds nothing
  EXPECT_EQ(pressStates, std::vector<MouseState>(5, MouseState::Idle));

  grid.mouseDown(mbMiddle, 0, {200, 150});
  grid.mouseDown(mbLeft, 0, {200, 150});  // ends drag scrolling, nothing more
  EXPECT_EQ(pressStates.size(), 6u);
  EXPECT_FALSE(grid.dragScrolling());
  host.focusAllowed = false;
  host.focused = false;
  grid.mouseDown(mbLeft, 0, {50, 5});
  EXPECT_EQ(pressStates.size(), 6u);
  expectNothingLeft();
}

// The header a drag grew out of stays pressed while it is dragged; a drag
// started elsewhere (the customizing form, the group panel) presses none.
TEST_F(MouseStates, OnlyADragFromTheHeaderRowKeepsTheHeaderPressed) {
  grid.mouseDown(mbLeft, 0, {50, 5});
  grid.mouseMove(ssLeft, {240, 5});
  EXPECT_EQ(grid.dragColumn(), grid.columns(0));
  EXPECT_EQ(grid.pressedColumn(), grid.columns(0));
  EXPECT_TRUE(grid.pressedDrawn());
  grid.mouseUp(mbLeft, 0, {240, 5});
  expectNothingLeft();

  grid.startHeaderDrag(grid.columns(1));
  EXPECT_EQ(grid.dragColumn(), grid.columns(1));
  EXPECT_EQ(grid.pressedColumn(), nullptr);
  EXPECT_FALSE(grid.pressedDrawn());
  grid.endHeaderDrag(false);
  expectNothingLeft();
}

// A right press while a state is held cancels it, then counts as its own.
TEST_F(MouseStates, ARightPressCancelsWhatTheLeftHolds) {
  const std::vector<std::string> before = layout();
  grid.mouseDown(mbLeft, 0, {110, 5});
  grid.mouseMove(ssLeft, {160, 5});
  grid.mouseDown(mbRight, 0, {160, 5});
  expectNothingLeft();
  grid.mouseUp(mbLeft, 0, {160, 5});
  grid.mouseUp(mbRight, 0, {160, 5});
  EXPECT_EQ(layout(), before);
  EXPECT_EQ(pressStates, (std::vector<MouseState>{MouseState::ColumnSizing, MouseState::Idle}));
}

TEST_F(MouseStates, AColumnDeletedWhileHeldEndsThePressSizingOrDrag) {
  grid.mouseDown(mbLeft, 0, {110, 5});  // the first column's right edge
  ASSERT_EQ(grid.mouseState(), MouseState::ColumnSizing);
  grid.deleteColumn(grid.columns(0));
  expectNothingLeft();
  grid.mouseUp(mbLeft, 0, {150, 5});
  EXPECT_EQ(grid.columns(0)->width(), 80);
  for (Point move : {Point{52, 6}, Point{240, 5}}) {
    grid.mouseDown(mbLeft, 0, {50, 5});
    grid.mouseMove(ssLeft, move);
    ASSERT_NE(grid.mouseState(), MouseState::Idle);
    grid.deleteColumn(grid.columns(0));
    expectNothingLeft();
    grid.mouseUp(mbLeft, 0, move);
    expectNothingLeft();
  }
  EXPECT_EQ(grid.columnCount(), 0);
}

TEST_F(MouseStates, ABandFreedWhileHeldEndsThePressOrDrag) {
  grid.setShowBands(true);
  grid.bands().add();
  grid.columns(2)->setBandIndex(1);
  for (Point move : {Point{52, 6}, Point{60, 5}}) {
    grid.mouseDown(mbLeft, 0, {50, 5});
    grid.mouseMove(ssLeft, move);
    ASSERT_NE(grid.mouseState(), MouseState::Idle);
    grid.bands().deleteBand(0);
    expectNothingLeft();
    grid.mouseUp(mbLeft, 0, move);
    expectNothingLeft();
    grid.bands().add();
  }
}

// --- The random model --------------------------------------------------------------------

// Random presses, moves, releases, Escapes and lost captures over every
// part of the grid, with every state's option on. The model: a left or
// middle release that leaves the mark, Escape and a lost capture end in
// Idle; onMouseDown counts the presses the grid took; the capture is held
// exactly while a state is; every accessor agrees with the state.
class MouseModel : public MouseStates, public ::testing::WithParamInterface<unsigned> {};

TEST_P(MouseModel, RandomSessionsKeepTheContract) {
  grid.setShowBands(true);
  grid.setOptionsEx(
      joined(grid.optionsEx(), {goHeaderButtonClicking, goBandButtonClicking, goBandPanelSizing,
                                goHeaderPanelSizing, goRowSizing}));
  std::mt19937 random(GetParam());
  const auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  // Half the points near an edge or a corner, where the states start.
  const Point spots[] = {{5, 5},   {250, 5}, {5, 24},   {110, 24}, {50, 17},
                         {50, 36}, {5, 53},  {190, 24}, {251, 24}, {100, 5}};
  const auto point = [&] {
    if (pick(2) == 0) return Point{pick(420) - 10, pick(320) - 10};
    const Point spot = spots[pick(10)];
    return Point{spot.x + pick(3) - 1, spot.y + pick(3) - 1};
  };
  const MouseButton buttons[] = {mbLeft, mbLeft, mbLeft, mbRight, mbMiddle};
  std::size_t taken = 0;
  for (int step = 0; step < 400; ++step) {
    const bool scrolling = grid.dragScrolling();
    const int action = pick(10);
    const MouseButton button = buttons[pick(5)];
    const ShiftState shift = pick(6) == 0 ? ShiftState(ssDouble) : ShiftState(0);
    SCOPED_TRACE("seed " + std::to_string(GetParam()) + " step " + std::to_string(step));
    if (action < 3) {
      grid.mouseDown(button, shift, point());
      if (!scrolling) ++taken;
    } else if (action < 7) {
      grid.mouseMove(ssLeft, point());
    } else if (action < 9) {
      grid.mouseUp(button, 0, point());
      if (button == mbLeft && !scrolling) {
        EXPECT_EQ(grid.mouseState(), MouseState::Idle);
      }
    } else if (pick(2) == 0) {
      grid.keyDown(vkEscape, 0);
      EXPECT_EQ(grid.mouseState(), MouseState::Idle);
    } else {
      grid.captureLost();
      EXPECT_EQ(grid.mouseState(), MouseState::Idle);
    }
    const MouseState state = grid.mouseState();
    if (state == MouseState::Idle) {
      expectNothingLeft();
    } else {
      EXPECT_TRUE(host.captured);
    }
    EXPECT_EQ(pressStates.size(), taken);
    const bool sizing = state >= MouseState::BandSizing && state <= MouseState::RowSizing;
    EXPECT_EQ(grid.sizingLine() >= 0, sizing || state == MouseState::ColumnSizing);
    EXPECT_EQ(grid.pressedBand() != nullptr, state == MouseState::BandPressed);
    EXPECT_EQ(grid.dragColumn() != nullptr, state == MouseState::HeaderDragging);
    EXPECT_EQ(grid.dragBand() != nullptr, state == MouseState::BandDragging);
    EXPECT_EQ(grid.dragScrolling(), state == MouseState::DragScrolling);
    ASSERT_GE(grid.visibleColumnCount(), 1);
    ASSERT_EQ(grid.columnCount(), 3);
    if (HasFailure()) return;
  }
}

INSTANTIATE_TEST_SUITE_P(Seeds, MouseModel, ::testing::Range(1u, 21u));

}  // namespace
}  // namespace morvel
