// The group panel and the customizing form on the fake platform: a grid
// that groups by hand (as the data-bound grid does through the same hooks),
// drops on the panel and off it, clicks on group buttons, and the form's
// placement, list and drags in both directions.
#include <gtest/gtest.h>

#include "GridTestSupport.h"
#include "grid/view/TreeListCustomizing.h"
#include "grid/view/TreeListImages.h"

namespace morvel {
namespace {

class GroupPanel : public ::testing::Test {
 protected:
  void SetUp() override {
    grid.setBounds({0, 0, 400, 300});
    host.attach(grid);
    for (const char* caption : {"Name", "City", "Born"}) grid.createColumn()->setCaption(caption);
    grid.columns(0)->setWidth(100);
    grid.columns(1)->setWidth(80);
    grid.columns(2)->setWidth(60);
  }
  // The header row sits below the panel.
  int headerY() { return grid.headerPanelRect().top + 5; }
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

  FakeHost host{{400, 300}};
  test::GroupingGrid grid{host};
};

TEST_F(GroupPanel, EmptyPanelShowsTheHint) {
  EXPECT_EQ(grid.metrics().groupPanelHeight, 19 - 9 + 16);
  EXPECT_EQ(grid.headerPanelRect().top, 26);
  EXPECT_EQ(grid.getHitInfo({200, 10}).hitType, htGroupPanel);
  host.paint();
  const std::vector<DrawCommand> texts = host.canvas().texts();
  ASSERT_FALSE(texts.empty());
  EXPECT_EQ(texts[0].text, " Drag a column header here to group by that column");
  EXPECT_EQ(texts[0].color, clBtnFace);
  EXPECT_EQ(texts[0].origin.y, (26 - 13) / 2);
  EXPECT_EQ(host.canvas().colorAt({390, 3}), clBtnShadow);
}

TEST_F(GroupPanel, DroppingHeadersBuildsTheStaircase) {
  grid.mouseDown(mbLeft, 0, {150, headerY()});
  grid.mouseMove(ssLeft, {50, 10});
  EXPECT_EQ(host.controlCursor, crDefault);  // may be grouped
  EXPECT_EQ(host.floatingImages.size(), 3u);
  grid.mouseUp(mbLeft, 0, {50, 10});
  ASSERT_EQ(grid.groups.size(), 1u);
  EXPECT_EQ(grid.groups[0]->caption(), "City");
  EXPECT_EQ(shownCaptions(), (std::vector<std::string>{"Name", "Born"}));
  EXPECT_EQ(grid.metrics().groupPanelHeight, 19 + 16);

  // Left of the first button's middle: the new column becomes level 0.
  grid.mouseDown(mbLeft, 0, {150, headerY()});
  grid.mouseMove(ssLeft, {20, 15});
  grid.mouseUp(mbLeft, 0, {20, 15});
  ASSERT_EQ(grid.groups.size(), 2u);
  EXPECT_EQ(grid.groups[0]->caption(), "Born");
  host.paint();
  std::vector<std::string> captions;
  int joins = 0;
  for (const DrawCommand& c : host.canvas().commands) {
    if (c.kind == DrawCommand::Text && c.origin.y < grid.headerPanelRect().top) {
      captions.push_back(c.text);
    }
    if (c.kind == DrawCommand::Polyline) {
      ++joins;
      EXPECT_EQ(c.points, (std::vector<Point>{{58, 26}, {58, 29}, {113, 29}}));
    }
  }
  EXPECT_EQ(captions, (std::vector<std::string>{"Born", "City"}));
  EXPECT_EQ(joins, 1);
}

TEST_F(GroupPanel, ClickingAButtonReversesItsLevelAndDraggingItOffUngroups) {
  grid.groupByColumn(grid.columns(1), 0);
  grid.setSorted(grid.columns(1), csUp);
  grid.mouseDown(mbLeft, 0, {30, 15});
  grid.mouseMove(ssLeft, {33, 17});
  grid.mouseUp(mbLeft, 0, {33, 17});
  EXPECT_EQ(grid.columns(1)->sorted(), csDown);
  grid.mouseDown(mbLeft, 0, {30, 15});
  grid.mouseUp(mbLeft, 0, {30, 15});
  EXPECT_EQ(grid.columns(1)->sorted(), csUp);

  // Dragged to the header row's end, the column comes back there.
  drag({30, 15}, {300, headerY()});
  EXPECT_TRUE(grid.groups.empty());
  EXPECT_EQ(shownCaptions(), (std::vector<std::string>{"Name", "Born", "City"}));
  EXPECT_EQ(grid.columns(1)->sorted(), csNone);
  EXPECT_EQ(grid.mouseState(), MouseState::Idle);
}

TEST_F(GroupPanel, ARefusedDragShowsTheRemovalCursorOverThePanel) {
  grid.groupByColumn(grid.columns(1), 0);
  grid.onDragOverHeader = [](CustomTreeListControl&, TreeListColumn*, Point, bool& accept) {
    accept = false;
  };
  grid.mouseDown(mbLeft, 0, {50, grid.headerPanelRect().top + 5});
  grid.mouseMove(ssLeft, {300, 10});
  EXPECT_EQ(host.controlCursor, crTLDelete);
  grid.keyDown(vkEscape, 0);
  EXPECT_EQ(grid.groups.size(), 1u);
}

TEST_F(GroupPanel, ShowingSlidesTheRowsDownInGrowingSteps) {
  host.scrolls.clear();
  grid.animateGroupPanel(true, 60);
  int total = 0;
  for (const FakeHost::Scroll& s : host.scrolls) {
    EXPECT_GT(s.dy, 0);
    EXPECT_EQ(s.area.top, total);  // the rows below the panel's line move
    total += s.dy;
  }
  // One pixel at a time (the rows area is under 256 high) for 20 pixels,
  // then longer steps.
  ASSERT_GT(host.scrolls.size(), 21u);
  EXPECT_EQ(host.scrolls[19].dy, 1);
  EXPECT_EQ(host.scrolls[20].dy, 2);
  EXPECT_EQ(total, 60);
  EXPECT_EQ(host.canvas().colorAt({200, 59}), clBtnShadow);

  host.scrolls.clear();
  grid.animateGroupPanel(false, 26);
  total = 0;
  for (const FakeHost::Scroll& s : host.scrolls) total -= s.dy;
  EXPECT_EQ(total, 26);
  EXPECT_EQ(host.canvas().colorAt({200, 299}), clWindow);
}

// --- The customizing form ---------------------------------------------------------------

TEST_F(GroupPanel, FormOpensAtTheMainWindowsCornerThenWhereItWasLeft) {
  grid.columnsCustomizing();
  ASSERT_EQ(host.toolWindows.size(), 1u);
  FakeHost::FakeToolWindow& form = *host.toolWindows[0];
  EXPECT_EQ(form.caption, "Customize");
  EXPECT_TRUE(form.shown);
  // 28 zeros wide and 11 rows of 19 pixels inside a 2-pixel border.
  EXPECT_EQ(form.content().width(), 28 * 6 + 4);
  EXPECT_EQ(form.content().height(), 11 * 19 + 4);
  EXPECT_EQ(form.frame().right, 800);
  EXPECT_EQ(form.frame().bottom, 600);
  form.moveTo({40, 50});
  int ends = 0;
  grid.onEndColumnsCustomizing = [&](CustomTreeList&) { ++ends; };
  form.close();
  EXPECT_EQ(ends, 1);
  EXPECT_FALSE(grid.customizingFormOpen());
  EXPECT_TRUE(host.toolWindows.empty());
  grid.columnsCustomizing();
  EXPECT_EQ(host.toolWindows[0]->frame().left, 40);
  EXPECT_EQ(host.toolWindows[0]->frame().top, 50);
}

TEST_F(GroupPanel, HeadersDroppedOnTheFormAreListedInOrder) {
  grid.columnsCustomizing();
  CustomizingListBox& list = *grid.customizingList();
  EXPECT_TRUE(list.items().empty());
  const Rect frame = host.toolWindows[0]->frame();
  // A point over the form, in the grid's client coordinates.
  const Point overForm = host.screenToClient({frame.left + 10, frame.top + 30});
  drag({150, headerY()}, overForm);
  drag({50, headerY()}, {200, 250});  // anywhere off the header while the form is open
  ASSERT_EQ(list.items().size(), 2u);
  EXPECT_EQ(list.items()[0].caption, "City");
  EXPECT_EQ(list.items()[1].caption, "Name");
  EXPECT_EQ(list.itemIndex(), -1);
  // Never a column that may not be customized, never the last visible one.
  grid.columns(0)->setVisible(true);
  grid.columns(2)->setDisableCustomizing(true);
  grid.mouseDown(mbLeft, 0, {130, headerY()});
  grid.mouseMove(ssLeft, overForm);
  EXPECT_EQ(host.controlCursor, crTLDelete);
  grid.mouseUp(mbLeft, 0, overForm);
  EXPECT_TRUE(grid.columns(2)->visible());
  drag({50, headerY()}, overForm);
  EXPECT_FALSE(grid.columns(0)->visible());
  grid.columns(2)->setDisableCustomizing(false);
  drag({30, headerY()}, overForm);
  EXPECT_TRUE(grid.columns(2)->visible());
  EXPECT_EQ(grid.visibleColumnCount(), 1);
}

TEST_F(GroupPanel, ListEntriesDragBackIntoTheHeader) {
  grid.columns(1)->setVisible(false);
  grid.columnsCustomizing();
  FakeHost::FakeToolWindow& form = *host.toolWindows[0];
  CustomizingListBox& list = *grid.customizingList();
  ASSERT_EQ(list.items().size(), 1u);
  // Press on the entry; 3 pixels is not yet a drag, 4 are.
  list.mouseDown(mbLeft, 0, {20, 5});
  EXPECT_EQ(list.itemIndex(), 0);
  list.mouseMove(ssLeft, {23, 8});
  EXPECT_EQ(grid.mouseState(), MouseState::Idle);
  list.mouseMove(ssLeft, {24, 5});
  EXPECT_EQ(grid.mouseState(), MouseState::HeaderDragging);
  // Released over the right half of "Name" in the grid's header.
  const Point target = host.clientToScreen({90, headerY()});
  const Point origin = form.clientOrigin();
  list.mouseMove(ssLeft, {target.x - origin.x, target.y - origin.y});
  list.mouseUp(mbLeft, 0, {target.x - origin.x, target.y - origin.y});
  EXPECT_EQ(shownCaptions(), (std::vector<std::string>{"Name", "City", "Born"}));
  EXPECT_TRUE(list.items().empty());
}

TEST_F(GroupPanel, ListEntriesAreInReadingOrderWhateverTheirCase) {
  grid.columns(0)->setCaption("Zone");
  grid.columns(1)->setCaption("apple");
  grid.columns(2)->setCaption("Mango");
  grid.createColumn()->setCaption("banana");
  for (int i = 0; i < 3; ++i) grid.columns(i)->setVisible(false);
  grid.columnsCustomizing();
  std::vector<std::string> listed;
  for (const auto& item : grid.customizingList()->items()) listed.push_back(item.caption);
  EXPECT_EQ(listed, (std::vector<std::string>{"apple", "Mango", "Zone"}));
}

TEST_F(GroupPanel, AnEntryGoneBetweenPressAndMoveStartsNoDrag) {
  grid.columns(1)->setVisible(false);
  grid.columns(2)->setVisible(false);
  grid.columnsCustomizing();
  CustomizingListBox& list = *grid.customizingList();
  ASSERT_EQ(list.items().size(), 2u);
  const int second = list.itemHeight() + list.itemHeight() / 2;
  list.mouseDown(mbLeft, 0, {20, second});  // "City", the second entry
  ASSERT_EQ(list.itemIndex(), 1);
  // A relayout in between: both columns are shown again and the list empties.
  grid.columns(1)->setVisible(true);
  grid.columns(2)->setVisible(true);
  ASSERT_TRUE(list.items().empty());
  list.mouseMove(ssLeft, {40, second + 20});
  EXPECT_EQ(grid.mouseState(), MouseState::Idle);
  list.mouseUp(mbLeft, 0, {40, second + 20});
}

}  // namespace
}  // namespace morvel
