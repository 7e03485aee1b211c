// A grid made without a window runs detached on a stand-in host of its own
// and takes up its host's metrics and scroll bars once a host attaches it;
// the data-bound grid too, loaded and changed while no host has it.
#include <gtest/gtest.h>

#include "DBGridTestSupport.h"
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

// The window makes its grid before the widget that shows it, and the grid
// outlives the widget while the window closes.
class DBGridHosting : public test::DBGridFixture {
 protected:
  // The fixture's grid lets go of the table: only the lone grid reads it.
  DBGridHosting() { grid.setDataSource(nullptr); }
  static std::vector<std::string> shownNames(const DBGrid& lone) {
    std::vector<std::string> names;
    for (int i = 0; i < lone.visibleCount(); ++i) {
      names.push_back(lone.nodeAtVisibleIndex(i)->strings(1));
    }
    return names;
  }
};

TEST_F(DBGridHosting, ADataGridMadeWithoutAHostLoadsSortsAndFollowsItsTableDetachedAndHosted) {
  open(test::people());
  DBGrid lone;
  fixture::setUpViewerGrid(lone, source);
  morvel::buildColumns(lone);
  lone.setKeyField("ID");
  EXPECT_EQ(lone.loadedRecordCount(), 6);
  EXPECT_EQ(lone.host().clientSize(), (Size{0, 0})) << "the stand-in shows nothing";
  EXPECT_EQ(lone.visibleRowCount(), 1);
  lone.dbColumn(1)->setSorted(csUp);
  EXPECT_EQ(shownNames(lone),
            (std::vector<std::string>{"Bea", "Carl", "Dora", "Eve", "Finn", "alma"}));
  lone.setFocusedNode(lone.nodeAtVisibleIndex(2), 0, true);
  EXPECT_EQ(table.field(1)->asText(), "Dora") << "the table follows the focus";
  ControlHost* const standIn = &lone.host();

  lone.setBounds({0, 0, 400, 300});
  {
    FakeHost window({400, 300});
    window.attach(lone);
    EXPECT_EQ(&lone.host(), &window);
    EXPECT_GT(lone.visibleRowCount(), 6);
    window.paint();
    std::vector<std::string> painted;
    for (const auto& t : window.canvas().texts()) painted.push_back(t.text);
    EXPECT_NE(std::find(painted.begin(), painted.end(), "Dora"), painted.end());
  }
  // The window is gone: the grid answers to its own stand-in again and
  // still works on its table.
  EXPECT_EQ(&lone.host(), standIn);
  // Nobody can confirm a deletion without a window: nothing is deleted.
  lone.keyDown(vkDelete, ssCtrl);
  EXPECT_EQ(table.recordTotal(), 6);
  lone.setOptions(lone.options().without(goConfirmDelete));
  lone.keyDown(vkDelete, ssCtrl);
  EXPECT_EQ(table.recordTotal(), 5);
  EXPECT_EQ(shownNames(lone), (std::vector<std::string>{"Bea", "Carl", "Eve", "Finn", "alma"}));
  EXPECT_EQ(lone.loadedRecordCount(), 5);
  lone.setDataSource(nullptr);
}

}  // namespace
}  // namespace morvel
