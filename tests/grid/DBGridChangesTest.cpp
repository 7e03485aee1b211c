// The data-bound grid following changes of its dataset: deleting with the
// confirmation, reloads that keep group rows, changed records moving to
// their place and group, and inserting from the keyboard.
#include <gtest/gtest.h>

#include "DBGridTestSupport.h"

namespace morvel::test {
namespace {

using Strings = std::vector<std::string>;

class DBGridChangesTest : public DBGridFixture {
 protected:
  FakeServices& services() { return host.services(); }
  bool ctrlDelete() { return grid.keyDown(vkDelete, ssCtrl); }
  // Walking the table moves it: the grid reloads when the walk ends.
  Strings tableNames() {
    Strings names;
    SuspendedLinks suspended(table);
    for (table.goFirst(); !table.atEnd(); table.goNext()) names.push_back(currentName());
    return names;
  }
};

TEST_F(DBGridChangesTest, CtrlDeleteAsksAndDeletesOnlyWhenConfirmed) {
  open(people());
  grid.setFocusedNode(rowNamed("Carl"), 0, false);
  services().messageBoxAnswer = mrCancel;
  EXPECT_TRUE(ctrlDelete());
  ASSERT_EQ(services().messageBoxes.size(), 1u);
  EXPECT_EQ(services().messageBoxes[0].text, "Delete record?");
  EXPECT_EQ(services().messageBoxes[0].caption, "Confirm");
  EXPECT_EQ(services().messageBoxes[0].icon, mbiQuestion);
  EXPECT_EQ(services().messageBoxes[0].buttons, mbbOkCancel);
  EXPECT_EQ(table.recordTotal(), 6);
  EXPECT_EQ(grid.topCount(), 6);

  services().messageBoxAnswer = mrOk;
  TreeListNode* dora = rowNamed("Dora");
  EXPECT_TRUE(ctrlDelete());
  EXPECT_EQ(topTexts(), (Strings{"Dora", "alma", "Bea", "Eve", "Finn"}));
  // A deletion in the middle refreshes in place: the other rows stay.
  EXPECT_EQ(grid.topNodes(0), dora);
  EXPECT_EQ(grid.focusedNode(), rowNamed("Bea"));
  EXPECT_EQ(currentName(), "Bea");
  EXPECT_EQ(tableNames(), (Strings{"Dora", "alma", "Bea", "Eve", "Finn"}));

  // Without Ctrl, or without confirmation asked for.
  EXPECT_FALSE(grid.keyDown(vkDelete, 0));
  EXPECT_EQ(table.recordTotal(), 5);
  grid.setOptions(grid.options().without(goConfirmDelete));
  EXPECT_TRUE(ctrlDelete());
  EXPECT_EQ(services().messageBoxes.size(), 2u);
  EXPECT_EQ(table.recordTotal(), 4);
}

TEST_F(DBGridChangesTest, AChangeArrivingAtTheEndReloadsEveryRow) {
  open(people());
  TreeListNode* first = grid.topNodes(0);
  table.goLast();  // the dataset at its end: no smart refresh
  EXPECT_NE(grid.topNodes(0), first);
  EXPECT_EQ(grid.focusedNode(), rowNamed("Finn"));

  // Deleting the last record leaves the dataset on the new last record.
  ctrlDelete();
  EXPECT_EQ(topTexts(), (Strings{"Dora", "alma", "Carl", "Bea", "Eve"}));
  EXPECT_EQ(grid.focusedNode(), rowNamed("Eve"));
  EXPECT_EQ(currentName(), "Eve");

  while (table.recordTotal() > 0) ctrlDelete();
  EXPECT_EQ(grid.topCount(), 0);
  EXPECT_FALSE(ctrlDelete());  // nothing focused
}

TEST_F(DBGridChangesTest, DeletingTheOnlyRecordOfAGroupRemovesTheGroupRow) {
  open(people());
  grid.addGroupColumn(0, column(2));
  TreeListNode* bern = grid.topNodes(0);
  TreeListNode* oslo = grid.topNodes(1);
  oslo->expand(false);
  grid.setFocusedNode(rowNamed("Eve"), 0, false);  // alone in Rome
  ASSERT_EQ(currentName(), "Eve");
  ctrlDelete();
  EXPECT_EQ(topTexts(0), (Strings{"Town : Bern ", "Town : Oslo "}));
  EXPECT_EQ(grid.topNodes(0), bern);
  EXPECT_TRUE(oslo->expanded());

  // A group row is never deleted by the key.
  grid.setFocusedNode(bern, 0, false);
  EXPECT_FALSE(ctrlDelete());
  EXPECT_EQ(table.recordTotal(), 5);

  // Deleting the first row of a group hands the group's key to the next.
  grid.setFocusedNode(rowNamed("Dora"), 0, false);
  ctrlDelete();
  EXPECT_EQ(CustomDBGrid::dbNode(*oslo).keyValue().integer(), 3);
  EXPECT_EQ(dataTexts(), (Strings{"alma", "Bea", "Carl", "Finn"}));
}

TEST_F(DBGridChangesTest, ReloadKeepingNodesKeepsGroupRowsAndTheirExpansion) {
  open(people());
  grid.addGroupColumn(0, column(2));
  TreeListNode* oslo = grid.topNodes(1);
  oslo->expand(false);
  TreeListNode* carl = rowNamed("Carl");
  {
    SuspendedLinks suspended(table);
    table.goLast();
    table.insertNew();
    table.field(1)->setAsText("Gus");
    table.field(2)->setAsText("Oslo");
    table.postRecord();
  }
  grid.reloadKeepingNodes();
  EXPECT_EQ(grid.topNodes(1), oslo);
  EXPECT_TRUE(oslo->expanded());
  EXPECT_EQ(rowNamed("Carl"), carl);
  EXPECT_EQ(oslo->count(), 4);
  EXPECT_EQ(grid.loadedRecordCount(), 7);
}

TEST_F(DBGridChangesTest, TwoSelectedRowsAskAboutAllAndDeleteBoth) {
  open(people());
  grid.setOptions(grid.options().with(goMultiSelect));
  grid.setFocusedNode(rowNamed("alma"), 0, false);
  rowNamed("alma")->setSelected(true);
  rowNamed("Eve")->setSelected(true);
  ctrlDelete();
  ASSERT_EQ(services().messageBoxes.size(), 1u);
  EXPECT_EQ(services().messageBoxes[0].text, "Delete all selected records?");
  EXPECT_EQ(tableNames(), (Strings{"Dora", "Carl", "Bea", "Finn"}));
  EXPECT_EQ(topTexts(), (Strings{"Dora", "Carl", "Bea", "Finn"}));
  EXPECT_EQ(grid.selectedCount(), 0);
}

TEST_F(DBGridChangesTest, ChangedRecordMovesToItsSortedPlaceAndGroup) {
  open(people());
  grid.addGroupColumn(0, column(2));
  column(1)->setSorted(csUp);
  grid.setFocusedNode(rowNamed("alma"), 0, false);
  ASSERT_EQ(currentName(), "alma");
  table.beginEdit();
  table.field(1)->setAsText("Zed");
  table.field(2)->setAsText("Oslo");
  table.postRecord();
  EXPECT_EQ(topTexts(0), (Strings{"Town : Bern ", "Town : Oslo ", "Town : Rome "}));
  EXPECT_EQ(dataTexts(), (Strings{"Bea", "Carl", "Dora", "Finn", "Zed", "Eve"}));
}

TEST_F(DBGridChangesTest, InsertKeyAndEscapeWithoutRowSelect) {
  open(people());
  // Row selection stops the Insert key.
  EXPECT_FALSE(grid.keyDown(vkInsert, 0));
  EXPECT_EQ(table.state(), stBrowse);
  grid.setOptions(grid.options().without(goRowSelect));
  grid.addGroupColumn(0, column(2));
  grid.topNodes(1)->expand(false);
  grid.setFocusedNode(rowNamed("Carl"), 0, false);
  EXPECT_TRUE(grid.keyDown(vkInsert, 0));
  EXPECT_EQ(table.state(), stInsert);
  // The new record belongs to the group it was inserted in.
  EXPECT_EQ(table.field(2)->asText(), "Oslo");
  EXPECT_EQ(grid.topNodes(1)->count(), 4);
  grid.keyDown(vkEscape, 0);
  EXPECT_EQ(table.state(), stBrowse);
  EXPECT_EQ(table.recordTotal(), 6);
  EXPECT_EQ(grid.topNodes(1)->count(), 3);

  // Left and Right collapse and expand a focused group row.
  grid.setFocusedNode(grid.topNodes(0), 0, false);
  EXPECT_TRUE(grid.keyDown(vkRight, 0));
  EXPECT_TRUE(grid.topNodes(0)->expanded());
  EXPECT_TRUE(grid.keyDown(vkLeft, 0));
  EXPECT_FALSE(grid.topNodes(0)->expanded());
}

}  // namespace
}  // namespace morvel::test
