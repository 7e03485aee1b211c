// A grid made without a window runs detached and takes up its host's metrics
// and scroll bars once a host attaches it.
#include <gtest/gtest.h>

#include "GridTestSupport.h"

namespace morvel {
namespace {

class DetachedGrid : public CustomTreeListControl {};

TEST(TreeListHosting, DetachedGridKeepsItsRowsAndShowsThemWhenAttached) {
  DetachedGrid grid;
  grid.createColumn()->setCaption("Name");
  for (int i = 0; i < 40; ++i) test::addRow(grid, {"row " + std::to_string(i)});
  grid.setFocusedVisibleIndex(5);
  EXPECT_EQ(grid.visibleCount(), 40);

  grid.setBounds({0, 0, 400, 300});
  FakeHost host;
  host.attach(grid);
  EXPECT_EQ(&grid.host(), &host);
  // Rows of 16 pixels below a 19-pixel header: 17 rows fit, so the bar shows.
  EXPECT_TRUE(host.scrollBars[sbVertical].visible);
  EXPECT_EQ(host.scrollBars[sbVertical].page, 17);
  EXPECT_EQ(grid.focusedNode(), grid.nodeAtVisibleIndex(5));

  host.paint();
  EXPECT_EQ(host.canvas().colorAt({300, 150}), clWindow);
  EXPECT_EQ(host.canvas().texts().front().text, "Name");
}

}  // namespace
}  // namespace morvel
