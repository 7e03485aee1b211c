// Finding texts in the data-bound grid, the grid's text filter over its
// dataset, and the record counts of group rows.
#include <gtest/gtest.h>

#include "DBGridTestSupport.h"
#include "base/ScopeGuard.h"
#include "grid/db/DBGridFind.h"

namespace morvel::test {
namespace {

using Strings = std::vector<std::string>;

class DBGridFindTest : public DBGridFixture {
 protected:
  // "Name/column" of each match of repeated finds from no row, and a
  // trailing "wrapped" mark on the match that passed the end.
  Strings findAll(const std::string& text, bool matchCase, bool forward, int times) {
    Strings out;
    const TextSearch search(text, matchCase);
    TreeListNode* node = nullptr;
    int column = -1;
    for (int i = 0; i < times; ++i) {
      const GridFindResult found = findInGrid(grid, search, node, column, forward);
      if (!found.node) {
        out.push_back("none");
        break;
      }
      out.push_back(found.node->strings(1) + "/" + std::to_string(found.column) +
                    (found.wrapped ? " wrapped" : ""));
      node = found.node;
      column = found.column;
    }
    return out;
  }
  void filterBy(const std::string& text) { filterGridRecords(grid, gridTextFilter(grid, text)); }

  Strings groupTexts() { return topTexts(0); }
};

TEST_F(DBGridFindTest, FindsCellsLeftToRightRowByRowAndWraps) {
  open(people());
  EXPECT_EQ(findAll("o", false, true, 6),
            (Strings{"Dora/1", "Dora/2", "Carl/2", "Eve/2", "Finn/2", "Dora/1 wrapped"}));
  EXPECT_EQ(findAll("o", false, false, 3), (Strings{"Finn/2", "Eve/2", "Carl/2"}));
  // A date column is searched by the text it shows.
  EXPECT_EQ(findAll("/1990", false, true, 4),
            (Strings{"Dora/3", "Bea/3", "Eve/3", "Dora/3 wrapped"}));
}

TEST_F(DBGridFindTest, ALoneMatchIsFoundAgainAfterGoingRoundAndNoMatchFindsNothing) {
  open(people());
  EXPECT_EQ(findAll("finn", false, true, 2), (Strings{"Finn/1", "Finn/1 wrapped"}));
  EXPECT_EQ(findAll("zebra", false, true, 1), (Strings{"none"}));
  EXPECT_EQ(findAll("zebra", false, false, 1), (Strings{"none"}));
}

struct CaseRow {
  const char* text;
  bool matchCase;
  const char* first;
};

class DBGridFindCase : public DBGridFindTest, public ::testing::WithParamInterface<CaseRow> {};

TEST_P(DBGridFindCase, TheCaseOptionDecidesWhetherLettersMustMatchExactly) {
  open(people());
  EXPECT_EQ(findAll(GetParam().text, GetParam().matchCase, true, 1), Strings{GetParam().first});
}

INSTANTIATE_TEST_SUITE_P(Cases, DBGridFindCase,
                         ::testing::Values(CaseRow{"b", false, "alma/2"},
                                           CaseRow{"b", true, "none"}, CaseRow{"B", true, "alma/2"},
                                           CaseRow{"ALMA", false, "alma/1"},
                                           CaseRow{"ALMA", true, "none"},
                                           CaseRow{"alma", true, "alma/1"}));

TEST_F(DBGridFindTest, AMatchInACollapsedGroupOpensItsPathAndBecomesTheCurrentRecord) {
  open(people());
  grid.addGroupColumn(0, column(2));
  grid.addGroupColumn(1, column(3));
  for (int i = 0; i < grid.topCount(); ++i) ASSERT_FALSE(grid.topNodes(i)->expanded());
  const GridFindResult found = findInGrid(grid, TextSearch("eve", false), nullptr, -1, true);
  ASSERT_NE(found.node, nullptr);
  showGridNode(grid, found.node);
  EXPECT_TRUE(found.node->parent()->expanded());
  EXPECT_TRUE(found.node->parent()->parent()->expanded());
  EXPECT_TRUE(found.node->isVisible());
  EXPECT_EQ(grid.focusedNode(), found.node);
  EXPECT_EQ(currentName(), "Eve");
  // The grouped column is hidden: its values are no cell to find.
  EXPECT_EQ(findAll("rome", false, true, 1), (Strings{"none"}));
  // The order is that of the groups: Bern's rows by date, then Oslo's.
  EXPECT_EQ(findAll("a", false, true, 3), (Strings{"alma/1", "Bea/1", "Carl/1"}));
}

TEST_F(DBGridFindTest, TheFilterKeepsRecordsWhoseShownTextsHoldTheText) {
  open(people());
  filterBy("OSLO");
  EXPECT_EQ(dataTexts(), (Strings{"Dora", "Carl", "Finn"}));
  EXPECT_EQ(gridDataRowCount(grid), 3);
  filterBy("1990");  // a date column's text
  EXPECT_EQ(dataTexts(), (Strings{"Dora", "Bea", "Eve"}));
  filterBy("nobody");
  EXPECT_EQ(dataTexts(), Strings{});
  EXPECT_EQ(gridDataRowCount(grid), 0);
  filterGridRecords(grid, {});
  EXPECT_EQ(gridDataRowCount(grid), 6);
}

TEST_F(DBGridFindTest, RecordsWithoutARowAreJudgedByTheTextsTheirColumnsWouldShow) {
  formatSettings().dateFormatShort = "dd mmm yyyy";
  open(people());
  filterBy("zz");
  ASSERT_EQ(gridDataRowCount(grid), 0);
  // No row to judge by: each record's texts are made from its fields, the
  // month names of the dates among them.
  filterGridRecords(grid, gridTextFilter(grid, "MAR", false));
  EXPECT_EQ(dataTexts(), (Strings{"Dora", "Eve"}));
  filterGridRecords(grid, gridTextFilter(grid, "jan 19", false));
  EXPECT_EQ(dataTexts(), Strings{"alma"});
  filterGridRecords(grid, gridTextFilter(grid, "l", false));  // no date here is in July
  EXPECT_EQ(dataTexts(), (Strings{"Dora", "alma", "Carl", "Finn"}));
  // A narrower text over the same columns keeps only rows shown now.
  filterGridRecords(grid, gridTextFilter(grid, "lo", true));
  EXPECT_EQ(dataTexts(), (Strings{"Dora", "Carl", "Finn"}));
  EXPECT_TRUE(filterTextNarrows("lo", "l"));
  EXPECT_TRUE(filterTextNarrows("OSLO", "sl"));
  EXPECT_FALSE(filterTextNarrows("l", "lo"));
}

TEST_F(DBGridFindTest, SortGroupAndDeleteWorkOnTheShownRowsAndClearingKeepsThem) {
  open(people());
  column(1)->setSorted(csUp);
  filterBy("o");  // Dora, Carl (Oslo), Eve (Rome), Finn (Oslo)
  EXPECT_EQ(dataTexts(), (Strings{"Carl", "Dora", "Eve", "Finn"}));
  grid.addGroupColumn(0, column(2));
  EXPECT_EQ(groupTexts(), (Strings{"Town : Oslo ", "Town : Rome "})) << "Bern has no row shown";
  EXPECT_EQ(dataTexts(), (Strings{"Carl", "Dora", "Finn", "Eve"}));

  // Deleting the only shown row of a group takes the group away.
  showGridNode(grid, rowNamed("Eve"));
  ASSERT_TRUE(grid.keyDown(vkDelete, ssCtrl));
  EXPECT_EQ(groupTexts(), Strings{"Town : Oslo "});
  EXPECT_EQ(gridDataRowCount(grid), 3);

  showGridNode(grid, rowNamed("Dora"));
  filterGridRecords(grid, {});
  EXPECT_EQ(groupTexts(), (Strings{"Town : Bern ", "Town : Oslo "}));
  EXPECT_EQ(dataTexts(), (Strings{"Bea", "alma", "Carl", "Dora", "Finn"}));
  EXPECT_EQ(column(2)->groupIndex(), 0);
  EXPECT_EQ(column(1)->sorted(), csUp);
  EXPECT_EQ(currentName(), "Dora");
  ASSERT_NE(grid.focusedNode(), nullptr);
  EXPECT_EQ(grid.focusedNode()->strings(1), "Dora");
}

// Typing on narrows the filter: the rows that stay are the ones shown, in
// their places, with their groups still open; the counts and the rows'
// places in the dataset follow, so that moving by distance (without
// locating by key) still lands on each row's own record.
class NarrowerFilter : public DBGridFindTest, public ::testing::WithParamInterface<bool> {};

TEST_P(NarrowerFilter, OnlyTakesRowsAwayAndKeepsTheOpenGroups) {
  if (!GetParam()) grid.setOptions(grid.options().without(goSmartRefresh).without(goUseLocate));
  open(people());
  grid.addGroupColumn(0, column(2));
  showGroupCounts(grid, true);
  grid.topNodes(1)->setExpanded(true);  // Oslo
  column(1)->setSorted(csDown);
  filterGridRecords(grid, gridTextFilter(grid, "r", true));
  ASSERT_EQ(dataTexts(), (Strings{"Dora", "Carl"}));  // the grouped town is not searched
  filterGridRecords(grid, gridTextFilter(grid, "ar", true));
  EXPECT_EQ(groupTexts(), Strings{"Town : Oslo (1)"});
  EXPECT_TRUE(grid.topNodes(0)->expanded());
  EXPECT_EQ(dataTexts(), Strings{"Carl"});
  EXPECT_EQ(gridDataRowCount(grid), 1);
  showGridNode(grid, rowNamed("Carl"));
  EXPECT_EQ(currentName(), "Carl");
}

TEST_P(NarrowerFilter, LeavesEachRowOnItsOwnRecord) {
  if (!GetParam()) grid.setOptions(grid.options().without(goSmartRefresh).without(goUseLocate));
  open(people());
  filterGridRecords(grid, gridTextFilter(grid, "o", true));  // every record has a row
  ASSERT_EQ(dataTexts(), (Strings{"Dora", "Carl", "Eve", "Finn"}));
  for (const char* name : {"Dora", "Eve", "Carl", "Finn", "Dora"}) {
    showGridNode(grid, rowNamed(name));
    EXPECT_EQ(currentName(), name);
  }
}

INSTANTIATE_TEST_SUITE_P(ByKeyOrByDistance, NarrowerFilter, ::testing::Bool());

// Rows a filter hides are kept aside: a wider text, or clearing, brings
// them back where a fresh load would put them, with the groups that stayed
// open still open, and without reading their records again.
class HiddenRows : public DBGridFindTest {
 protected:
  // What a grid that shows the same records from a fresh load shows (it
  // moves the table to its first record).
  Strings freshDataTexts(const std::string& filterText) {
    FakeHost otherHost{{400, 300}};
    TestDBGrid other{otherHost};
    fixture::setUpViewerGrid(other, source);
    morvel::buildColumns(other);
    other.setKeyField("ID");
    for (int i = 0; i < grid.groupColumnCount(); ++i) {
      other.addGroupColumn(i, other.dbColumn(grid.groupColumns(i)->index()));
    }
    for (int i = 0; i < grid.columnCount(); ++i) {
      other.dbColumn(i)->setSorted(grid.columns(i)->sorted());
    }
    filterGridRecords(other, gridTextFilter(other, filterText));
    Strings out;
    other.forEachNode([&](TreeListNode* n) {
      if (!CustomDBGrid::isGroupNode(n)) out.push_back(n->strings(1));
    });
    filterGridRecords(other, {});
    other.setDataSource(nullptr);
    return out;
  }
};

TEST_F(HiddenRows, ClearingBringsTheRowsBackInPlaceWithTheOpenGroupsStillOpen) {
  open(people());
  int deletions = 0;
  grid.onDeletion = [&](CustomTreeList&, TreeListNode* n) {
    if (!n->strings(1).empty()) ++deletions;  // a data row, not an empty group
  };
  // The count ends with the test; the rows go later, with the grid.
  const Finally forget([this] { grid.onDeletion = nullptr; });
  grid.addGroupColumn(0, column(2));
  showGroupCounts(grid, true);
  grid.topNodes(1)->setExpanded(true);  // Oslo
  column(1)->setSorted(csDown);
  filterBy("r");  // Dora and Carl (the grouped town is not searched)
  ASSERT_TRUE(grid.rowsCoverTable());
  ASSERT_EQ(groupTexts(), (Strings{"Town : Oslo (2)"}));
  showGridNode(grid, rowNamed("Carl"));
  EXPECT_EQ(currentName(), "Carl");
  filterGridRecords(grid, {});
  EXPECT_EQ(deletions, 0) << "hidden rows are not deleted";
  EXPECT_EQ(groupTexts(), (Strings{"Town : Bern (2)", "Town : Oslo (3)", "Town : Rome (1)"}));
  EXPECT_FALSE(grid.topNodes(0)->expanded()) << "a group that had gone comes back collapsed";
  EXPECT_TRUE(grid.topNodes(1)->expanded());
  EXPECT_EQ(gridDataRowCount(grid), 6);
  EXPECT_EQ(currentName(), "Carl");
  ASSERT_NE(grid.focusedNode(), nullptr);
  EXPECT_EQ(grid.focusedNode()->strings(1), "Carl");
  // Each row's record position is its own again: moving by distance lands
  // on its record.
  grid.setOptions(grid.options().without(goSmartRefresh).without(goUseLocate));
  for (const char* name : {"alma", "Finn", "Eve", "Bea"}) {
    showGridNode(grid, rowNamed(name));
    EXPECT_EQ(currentName(), name);
  }
  EXPECT_EQ(dataTexts(), freshDataTexts(""));
}

// A filter that passes nothing leaves the table at both its ends, and one
// that leaves the focus on the first record leaves it at its start: the
// notice that follows must not read every record again, which would lose
// the rows kept aside and close the groups.
TEST_F(HiddenRows, NoRowShownOrTheFirstRecordFocusedKeepsTheRowsAside) {
  open(people());
  grid.addGroupColumn(0, column(2));
  grid.topNodes(1)->setExpanded(true);  // Oslo
  filterBy("nobody");
  ASSERT_EQ(grid.topCount(), 0);
  EXPECT_TRUE(grid.rowsCoverTable());
  filterBy("Dora");
  EXPECT_EQ(dataTexts(), Strings{"Dora"});
  EXPECT_EQ(currentName(), "Dora");
  EXPECT_TRUE(grid.rowsCoverTable());
  grid.topNodes(0)->setExpanded(true);
  filterGridRecords(grid, {});
  EXPECT_EQ(groupTexts(), (Strings{"Town : Bern ", "Town : Oslo ", "Town : Rome "}));
  EXPECT_TRUE(grid.topNodes(1)->expanded());
  EXPECT_EQ(currentName(), "Dora");
}

TEST_F(HiddenRows, AnyTextIsJudgedFromTheRowsAndUnsortedRowsComeBackInRecordOrder) {
  open(people());
  filterBy("o");
  filterBy("a");  // not narrower: Dora, alma, Carl, Bea come from hidden rows too
  EXPECT_EQ(dataTexts(), (Strings{"Dora", "alma", "Carl", "Bea"}));
  EXPECT_EQ(dataTexts(), freshDataTexts("a"));
  filterBy("1990");
  EXPECT_EQ(dataTexts(), (Strings{"Dora", "Bea", "Eve"}));
  filterGridRecords(grid, {});
  EXPECT_EQ(dataTexts(), (Strings{"Dora", "alma", "Carl", "Bea", "Eve", "Finn"}));
  EXPECT_EQ(grid.topCount(), 6);
}

TEST_F(HiddenRows, MovedColumnsKeepTheHiddenRowsTextsInLine) {
  open(people());
  DBTreeListColumn* name = column(1);
  DBTreeListColumn* town = column(2);
  name->setSorted(csUp);
  filterBy("oslo");
  town->setColumnIndex(0);  // the cells of every row move with it
  filterGridRecords(grid, {});
  Strings names;
  for (TreeListNode* n : allNodes()) {
    const DBGridNode& row = CustomDBGrid::dbNode(*n);
    names.push_back(std::string(row.texts().get(name->index())) + "/" +
                    std::string(row.texts().get(town->index())));
  }
  EXPECT_EQ(names,
            (Strings{"Bea/Bern", "Carl/Oslo", "Dora/Oslo", "Eve/Rome", "Finn/Oslo", "alma/Bern"}));
}

TEST_F(HiddenRows, WithoutARowForEveryRecordClearingReadsTheRecordsAgain) {
  open(people());
  filterBy("oslo");
  grid.deleteColumn(column(3));  // the hidden rows' cells no longer line up
  EXPECT_FALSE(grid.rowsCoverTable());
  filterGridRecords(grid, {});
  EXPECT_EQ(dataTexts(), (Strings{"Dora", "alma", "Carl", "Bea", "Eve", "Finn"}));
  EXPECT_TRUE(grid.rowsCoverTable()) << "the reload made a row for every record";
}

TEST_F(DBGridFindTest, GroupCountsFollowTheRowsAndGoAwayAgain) {
  open(people());
  grid.addGroupColumn(0, column(2));
  showGroupCounts(grid, true);
  EXPECT_TRUE(groupCountsShown(grid));
  EXPECT_EQ(groupTexts(), (Strings{"Town : Bern (2)", "Town : Oslo (3)", "Town : Rome (1)"}));
  // A second level counts its own rows.
  grid.addGroupColumn(1, column(3));
  EXPECT_EQ(grid.topNodes(1)->items(0)->strings(0), "Born :  (1)");

  grid.removeGroupColumn(1);
  showGridNode(grid, rowNamed("Carl"));
  ASSERT_TRUE(grid.keyDown(vkDelete, ssCtrl));
  EXPECT_EQ(groupTexts(), (Strings{"Town : Bern (2)", "Town : Oslo (2)", "Town : Rome (1)"}));
  filterBy("e");  // Bea and Eve: the grouped town is no visible column
  EXPECT_EQ(groupTexts(), (Strings{"Town : Bern (1)", "Town : Rome (1)"}));

  showGroupCounts(grid, false);
  EXPECT_FALSE(groupCountsShown(grid));
  EXPECT_EQ(groupTexts(), (Strings{"Town : Bern ", "Town : Rome "}));
  EXPECT_TRUE(grid.summaryGroups().empty());
}

}  // namespace
}  // namespace morvel::test
