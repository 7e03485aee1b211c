// The rows area's painter on the fake canvas: which rows a repaint reaches
// (worked out before the rows are walked), and where the group cell, the
// data cells and the focus mark go.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "GridTestSupport.h"
#include "grid/view/TreeListRowPainter.h"

namespace morvel {
namespace {

using test::addRow;
using test::label;

// --- Which rows a dirty rectangle meets ------------------------------------------

struct DirtyCase {
  const char* name;
  Rect dirty;
  RowSpan expected;
};

class DirtyRows : public ::testing::TestWithParam<DirtyCase> {};

// Rows of 10 pixels from y = 20 in an area 45 high: five rows start inside
// it (the fifth reaches 5 pixels below it).
constexpr Rect kArea{10, 20, 110, 65};

TEST_P(DirtyRows, FromTheAreaAndTheRowHeight) {
  EXPECT_EQ(TreeListRowPainter::dirtyRows(kArea, GetParam().dirty, 10), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DirtyRows,
    ::testing::Values(DirtyCase{"whole_area", kArea, {0, 4}},
                      DirtyCase{"everything", {-100, -100, 1000, 1000}, {0, 4}},
                      DirtyCase{"one_pixel_of_the_first_row", {50, 20, 51, 21}, {0, 0}},
                      DirtyCase{"last_pixel_of_a_row", {50, 39, 51, 40}, {1, 1}},
                      DirtyCase{"first_pixel_of_a_row", {50, 40, 51, 41}, {2, 2}},
                      DirtyCase{"across_a_boundary", {50, 35, 60, 45}, {1, 2}},
                      DirtyCase{"above_the_area", {10, 0, 110, 20}, {}},
                      DirtyCase{"reaching_into_the_area", {10, 0, 110, 21}, {0, 0}},
                      DirtyCase{"the_last_rows_overhang", {10, 65, 110, 70}, {4, 4}},
                      DirtyCase{"below_the_last_row", {10, 70, 110, 90}, {}},
                      DirtyCase{"left_of_the_area", {0, 20, 10, 65}, {}},
                      DirtyCase{"right_of_the_area", {110, 20, 200, 65}, {}},
                      DirtyCase{"empty", {50, 30, 50, 40}, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DirtyRowsLimits, NoRowsWithoutHeightOrArea) {
  EXPECT_TRUE(TreeListRowPainter::dirtyRows(kArea, kArea, 0).empty());
  EXPECT_TRUE(TreeListRowPainter::dirtyRows({10, 20, 10, 65}, kArea, 10).empty());
}

// --- Painting on the fake canvas ---------------------------------------------------

// ThreeColumnGrid: the header is 19 high, rows 17 (grid lines), the
// indicator 12 wide, the columns end at x = 252.
constexpr int kRowsTop = 19;
constexpr int kRowHeight = 17;
constexpr int kColumnsRight = 252;

class RowPainter : public test::ThreeColumnGrid {
 protected:
  // The first column's texts painted, in order.
  std::vector<std::string> firstColumnTexts(const FakeCanvas& canvas) {
    std::vector<std::string> out;
    for (const DrawCommand& c : canvas.texts()) {
      if (c.origin.y >= kRowsTop && c.origin.x < 100) out.push_back(c.text);
    }
    return out;
  }
  int count(const FakeCanvas& canvas, DrawCommand::Kind kind) {
    int n = 0;
    for (const DrawCommand& c : canvas.commands) n += c.kind == kind ? 1 : 0;
    return n;
  }
  int rowTop(int position) { return kRowsTop + position * kRowHeight; }
};

TEST_F(RowPainter, PaintsExactlyTheRowsTheDirtyRectMeets) {
  // Random row counts (a screen is 17 rows), top rows and bands of the
  // screen, checked against the rows whose rectangles meet the band.
  std::mt19937 random(20261210);
  for (int step = 0; step < 150; ++step) {
    SCOPED_TRACE(step);
    const int rows = std::uniform_int_distribution<int>(0, 40)(random);
    grid.clearNodes();
    for (int i = 0; i < rows; ++i) addRow(grid, {label("n", i), "c", "b"});
    grid.setTopVisibleIndex(std::uniform_int_distribution<int>(0, 40)(random));
    const int top = std::uniform_int_distribution<int>(-10, 310)(random);
    const Rect dirty{0, top, 400, top + std::uniform_int_distribution<int>(0, 80)(random)};

    FakeCanvas canvas({400, 300});
    grid.paint(canvas, dirty);

    std::vector<std::string> expected;
    const int first = rows == 0 ? 0 : grid.visibleIndexOf(grid.topNode());
    for (int r = 0; first + r < rows && rowTop(r) < 300; ++r) {
      const Rect row{12, rowTop(r), 400, rowTop(r) + kRowHeight};
      if (row.intersects(dirty)) expected.push_back(label("n", first + r));
    }
    EXPECT_EQ(firstColumnTexts(canvas), expected);
  }
}

TEST_F(RowPainter, RowsBelowTheLastAreFilledWithTheGridColour) {
  for (int i = 0; i < 3; ++i) addRow(grid, {label("n", i), "c", "b"});
  FakeCanvas canvas({400, 300});
  grid.paint(canvas, {0, 0, 400, 300});
  const std::vector<Rect> fills = canvas.fillsOf(clWindow);
  const auto filled = [&](const Rect& r) {
    return std::find(fills.begin(), fills.end(), r) != fills.end();
  };
  EXPECT_TRUE(filled({kColumnsRight, kRowsTop, 400, rowTop(3)}));  // right of the columns
  EXPECT_TRUE(filled({12, rowTop(3), 400, 300}));                  // below the last row
}

TEST_F(RowPainter, WhileLockedNoRowIsPainted) {
  for (int i = 0; i < 3; ++i) addRow(grid, {label("n", i), "c", "b"});
  grid.lockUpdate();
  FakeCanvas canvas({400, 300});
  grid.paint(canvas, {0, 0, 400, 300});
  EXPECT_TRUE(firstColumnTexts(canvas).empty());
  EXPECT_EQ(canvas.colorAt({100, rowTop(0) + 1}), clWindow);
  grid.unlockUpdate();
}

class RowPainterParts : public RowPainter {
 protected:
  void SetUp() override {
    RowPainter::SetUp();
    group = addRow(grid, {"g", "x", "y"});
    addRow(grid, {"a", "1", "2"}, group);
    focused = addRow(grid, {"b", "3", "4"}, group);
    group->setExpanded(true);
    grid.setFocusedNode(focused, 0, false);
  }
  TreeListNode* group = nullptr;
  TreeListNode* focused = nullptr;
  // Row 0 is the group, rows 1 and 2 its children; all indented by 16.
  static constexpr int kContentLeft = 12 + 16;
};

TEST_F(RowPainterParts, GroupRowIsOneCellDataRowsOneCellPerColumn) {
  FakeCanvas canvas({400, 300});
  grid.paint(canvas, {0, 0, 400, 300});
  std::vector<std::vector<std::string>> byRow(3);
  for (const DrawCommand& c : canvas.texts()) {
    if (c.origin.y < kRowsTop) continue;
    byRow[static_cast<std::size_t>((c.origin.y - kRowsTop) / kRowHeight)].push_back(c.text);
  }
  EXPECT_EQ(byRow[0], (std::vector<std::string>{"g"}));
  EXPECT_EQ(byRow[1], (std::vector<std::string>{"a", "1", "2"}));
  EXPECT_EQ(byRow[2], (std::vector<std::string>{"b", "3", "4"}));
  // The group cell runs from the indent to the columns' right edge in the
  // group colour, the expand button in its indent.
  EXPECT_EQ(canvas.colorAt({kContentLeft + 1, rowTop(0) + 5}), clBtnFace);
  EXPECT_EQ(canvas.colorAt({kColumnsRight - 3, rowTop(0) + 5}), clBtnFace);
  EXPECT_EQ(canvas.colorAt({12 + 2 + 4, rowTop(0) + 2 + 5}), clBtnText);
  // A data row's cells take their column's colour.
  EXPECT_EQ(canvas.colorAt({kContentLeft + 1, rowTop(1) + 5}), clWindow);
}

TEST_F(RowPainterParts, FocusMarkIsTheFocusRectWhileFocused) {
  host.focused = true;
  FakeCanvas canvas({400, 300});
  grid.paint(canvas, {0, 0, 400, 300});
  std::vector<Rect> marks;
  for (const DrawCommand& c : canvas.commands) {
    if (c.kind == DrawCommand::FocusRect) marks.push_back(c.rect);
  }
  EXPECT_EQ(marks, (std::vector<Rect>{
                       {kContentLeft, rowTop(2), kColumnsRight - 1, rowTop(2) + kRowHeight - 1}}));
  EXPECT_EQ(count(canvas, DrawCommand::Invert), 0);
  EXPECT_EQ(canvas.colorAt({100, rowTop(2) + 5}), clHighlight);

  // goHideFocusRect keeps the highlight and drops the mark.
  grid.setOptions(grid.options().with(goHideFocusRect));
  FakeCanvas hidden({400, 300});
  grid.paint(hidden, {0, 0, 400, 300});
  EXPECT_EQ(count(hidden, DrawCommand::FocusRect), 0);
}

TEST_F(RowPainterParts, FocusMarkIsAnInvertedFrameWithoutTheFocus) {
  FakeCanvas canvas({400, 300});
  grid.paint(canvas, {0, 0, 400, 300});
  EXPECT_EQ(count(canvas, DrawCommand::FocusRect), 0);
  std::vector<Rect> inverted;
  for (const DrawCommand& c : canvas.commands) {
    if (c.kind == DrawCommand::Invert) inverted.push_back(c.rect);
  }
  const int top = rowTop(2);
  const int bottom = top + kRowHeight - 1;
  const int right = kColumnsRight - 1;
  EXPECT_EQ(inverted, (std::vector<Rect>{{kContentLeft, top, right, top + 1},
                                         {kContentLeft, bottom - 1, right, bottom},
                                         {kContentLeft, top + 1, kContentLeft + 1, bottom - 1},
                                         {right - 1, top + 1, right, bottom - 1}}));
}

TEST_F(RowPainterParts, ARepaintOfOneRowDrawsOnlyItsParts) {
  host.focused = true;
  FakeCanvas canvas({400, 300});
  grid.paint(canvas, {0, rowTop(1), 400, rowTop(1) + kRowHeight});
  EXPECT_EQ(firstColumnTexts(canvas), (std::vector<std::string>{"a"}));
  EXPECT_EQ(count(canvas, DrawCommand::FocusRect), 0);  // the focused row is not dirty
}

}  // namespace
}  // namespace morvel
