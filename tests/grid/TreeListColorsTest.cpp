// The grid's colours behind their setter: a change repaints and shows in
// what is painted; setting the same colours again repaints nothing.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "GridTestSupport.h"

namespace morvel {
namespace {

using test::addRow;
using test::label;

class Colors : public test::ThreeColumnGrid {
 protected:
  void SetUp() override {
    ThreeColumnGrid::SetUp();
    for (int i = 0; i < 3; ++i) addRow(grid, {label("n", i), "c", "b"});
    grid.setFocusedVisibleIndex(1);
    host.paint();
  }
};

TEST_F(Colors, DefaultsAreTheSystemLook) {
  const TreeListColors& colors = grid.colors();
  EXPECT_EQ(colors.headerColor, clBtnFace);
  EXPECT_EQ(colors.highlightColor, clHighlight);
  EXPECT_EQ(colors.hideSelectionColor, clBtnFace);
  EXPECT_EQ(colors.gridLineColor, clNone);
  EXPECT_EQ(colors.arrowsColor, clLime);
  EXPECT_EQ(colors.fixedBandLineColor, clWindowFrame);
}

TEST_F(Colors, EqualColorsRepaintNothing) {
  const int before = host.fullRepaints;
  grid.setColors(grid.colors());
  TreeListColors same;
  grid.setColors(same);
  EXPECT_EQ(host.fullRepaints, before);
  EXPECT_FALSE(host.repaintPending());
}

// One colour changed at a time: the setter repaints, and the paint that
// follows draws with it at a point that shows that colour.
struct ColorCase {
  const char* name;
  Color TreeListColors::*field;
  bool focused;  // whether the grid has the focus while painting
  Point probe;   // where the colour shows
};

class ColorChange : public Colors, public ::testing::WithParamInterface<ColorCase> {};

TEST_P(ColorChange, RepaintsAndIsDrawn) {
  const ColorCase& c = GetParam();
  host.focused = c.focused;
  TreeListColors colors = grid.colors();
  colors.*c.field = clYellow;
  const int before = host.fullRepaints;
  grid.setColors(colors);
  EXPECT_EQ(host.fullRepaints, before + 1);
  EXPECT_TRUE(host.repaintPending());
  host.paint();
  EXPECT_EQ(host.canvas().colorAt(c.probe), clYellow);
  EXPECT_EQ(grid.colors().*c.field, clYellow);
}

// Row 1 (the focused, selected one) lies at y 36 to 53; the headers and the
// indicator cells are header faces.
INSTANTIATE_TEST_SUITE_P(
    Fields, ColorChange,
    ::testing::Values(ColorCase{"header", &TreeListColors::headerColor, true, {150, 8}},
                      ColorCase{"indicator", &TreeListColors::headerColor, true, {5, 22}},
                      ColorCase{"highlight", &TreeListColors::highlightColor, true, {150, 40}},
                      ColorCase{
                          "hide_selection", &TreeListColors::hideSelectionColor, false, {150, 40}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Colors, GridLinesTakeTheirColourOrTheShadow) {
  const auto lineColor = [&] {
    host.paint();
    for (const DrawCommand& c : host.canvas().commands) {
      if (c.kind == DrawCommand::Lines) return c.color;
    }
    return clNone;
  };
  host.invalidate();
  EXPECT_EQ(lineColor(), clBtnShadow);
  TreeListColors colors = grid.colors();
  colors.gridLineColor = clRed;
  grid.setColors(colors);
  EXPECT_EQ(lineColor(), clRed);
}

TEST_F(Colors, GroupRowsTakeTheGroupColours) {
  TreeListNode* group = addRow(grid, {"g", "x", "y"});
  addRow(grid, {"child", "1", "2"}, group);
  TreeListColors colors = grid.colors();
  colors.groupNodeColor = clSilver;
  colors.groupNodeTextColor = clMaroon;
  grid.setColors(colors);
  host.paint();
  // The group row is the fourth row.
  const int top = 19 + 3 * 17;
  EXPECT_EQ(host.canvas().colorAt({100, top + 5}), clSilver);
  bool found = false;
  for (const DrawCommand& c : host.canvas().texts()) {
    if (c.text == "g") {
      found = true;
      EXPECT_EQ(c.color, clMaroon);
    }
  }
  EXPECT_TRUE(found);
}

}  // namespace
}  // namespace morvel
