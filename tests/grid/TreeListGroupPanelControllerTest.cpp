// The group panel's controller on its own: where buttons lie, which place a
// drop takes, drops onto the panel and off it (checked against a plain
// model over random sequences), and presses on its buttons.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "GridTestSupport.h"
#include "grid/view/TreeListGroupPanel.h"

namespace morvel {
namespace {

// --- Geometry ------------------------------------------------------------------------

struct InsertCase {
  int x;
  int count;
  int expected;
};

class InsertPosition : public ::testing::TestWithParam<InsertCase> {};

// With 20-pixel header rows button i spans x 8 + 104·i to 108 + 104·i: its
// middle is at 58 + 104·i.
TEST_P(InsertPosition, FirstButtonWhoseMiddleLiesRightOfTheDrop) {
  const InsertCase& c = GetParam();
  EXPECT_EQ(TreeListGroupPanel::insertPosition(c.x, 20, c.count), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, InsertPosition,
                         ::testing::Values(InsertCase{-50, 3, 0}, InsertCase{0, 0, 0},
                                           InsertCase{500, 0, 0}, InsertCase{57, 3, 0},
                                           InsertCase{58, 3, 1}, InsertCase{161, 3, 1},
                                           InsertCase{162, 3, 2}, InsertCase{266, 3, 3},
                                           InsertCase{5000, 3, 3}, InsertCase{162, 1, 1}));

TEST(GroupButtons, FormAStaircaseHalfARowApart) {
  EXPECT_EQ(TreeListGroupPanel::buttonRect(0, 20), (Rect{8, 8, 108, 28}));
  EXPECT_EQ(TreeListGroupPanel::buttonRect(1, 20), (Rect{112, 18, 212, 38}));
  EXPECT_EQ(TreeListGroupPanel::buttonRect(2, 19), (Rect{216, 26, 316, 45}));
}

// --- Drops and presses ---------------------------------------------------------------

class GroupPanelController : public ::testing::Test {
 protected:
  void SetUp() override {
    grid.setBounds({0, 0, 400, 300});
    host.attach(grid);
    for (const char* caption : {"Name", "City", "Born", "Zip"}) {
      grid.createColumn()->setCaption(caption);
    }
    for (int i = 0; i < 4; ++i) grid.columns(i)->setWidth(80);
  }
  TreeListGroupPanel& panel() { return grid.groupPanel(); }
  int h() { return grid.metrics().headerRowHeight; }

  FakeHost host{{400, 300}};
  test::GroupingGrid grid{host};
};

TEST_F(GroupPanelController, AcceptsDropsOnlyOnTheShownPanel) {
  EXPECT_TRUE(panel().accepts({200, 5}));
  EXPECT_FALSE(panel().accepts({200, grid.groupPanelRect().bottom}));
  EXPECT_FALSE(panel().accepts({-1, 5}));
}

TEST_F(GroupPanelController, DropsOffThePanelAreNotItsOwnUnlessGrouped) {
  TreeListColumn* city = grid.columns(1);
  EXPECT_FALSE(panel().endDrop(city, {200, 250}, {}));
  EXPECT_TRUE(grid.groups.empty());
  EXPECT_TRUE(city->visible());

  grid.groupByColumn(city, 0);
  // Dropped on the header row, the column is ungrouped and placed there.
  EXPECT_TRUE(panel().endDrop(city, {200, 250}, {0, 0, 0}));
  EXPECT_TRUE(grid.groups.empty());
  EXPECT_TRUE(city->visible());
  EXPECT_EQ(grid.visibleColumns(0), city);
}

TEST_F(GroupPanelController, RandomDropsMatchThePlainModel) {
  std::mt19937 random(181210);
  std::vector<TreeListColumn*> model;
  for (int step = 0; step < 300; ++step) {
    SCOPED_TRACE(step);
    TreeListColumn* column = grid.columns(std::uniform_int_distribution<int>(0, 3)(random));
    const bool grouped = std::find(model.begin(), model.end(), column) != model.end();
    if (std::uniform_int_distribution<int>(0, 2)(random) > 0) {
      // Onto the panel: the first button whose middle lies right of x, a
      // group column moving at most to the last place.
      const int x = std::uniform_int_distribution<int>(0, 399)(random);
      const int count = static_cast<int>(model.size());
      int index = 0;
      while (index < count && 58 + 104 * index <= x) ++index;
      if (grouped && index >= count) index = count - 1;
      EXPECT_TRUE(panel().endDrop(column, {x, 5}, {}));
      model.erase(std::remove(model.begin(), model.end(), column), model.end());
      model.insert(model.begin() + std::min(index, static_cast<int>(model.size())), column);
    } else {
      // Off it, onto the rows: only a group column is the panel's.
      EXPECT_EQ(panel().endDrop(column, {200, 290}, {}), grouped);
      model.erase(std::remove(model.begin(), model.end(), column), model.end());
    }
    ASSERT_EQ(grid.groups, model);
    for (int i = 0; i < 4; ++i) {
      const bool isGrouped = std::find(model.begin(), model.end(), grid.columns(i)) != model.end();
      EXPECT_EQ(grid.columns(i)->visible(), !isGrouped);
    }
  }
}

TEST_F(GroupPanelController, PressMarksTheButtonUntilTheRelease) {
  EXPECT_FALSE(panel().mouseDown(mbLeft, {30, 15}));  // nothing grouped: the panel's hint only
  grid.groupByColumn(grid.columns(1), 0);
  grid.groupByColumn(grid.columns(2), 1);
  const Rect second = TreeListGroupPanel::buttonRect(1, h());
  EXPECT_EQ(panel().buttonAt({second.left + 1, second.top + 1}), 1);
  EXPECT_EQ(panel().buttonAt({second.left - 2, second.top + 1}), -1);

  EXPECT_FALSE(panel().mouseDown(mbLeft, {200, grid.groupPanelRect().bottom + 5}));
  EXPECT_TRUE(panel().mouseDown(mbLeft, {second.left + 1, second.top + 1}));
  EXPECT_EQ(panel().pressedButton(), 1);
  EXPECT_TRUE(host.captured);
  EXPECT_TRUE(panel().mouseUp(mbLeft));
  EXPECT_EQ(panel().pressedButton(), -1);
  EXPECT_FALSE(host.captured);
  // The release was a click on the button's column: it sorts.
  EXPECT_EQ(grid.columns(2)->sorted(), csUp);
  EXPECT_FALSE(panel().mouseUp(mbLeft));
}

}  // namespace
}  // namespace morvel
