// The main window with its real data-bound grid, on the offscreen platform:
// the columns it builds from each file, the key field, best fit after a
// failed import, and F2/F3 on a grouped grid.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QTest>

#include "app/DataGrid.h"
#include "app/MainWindow.h"
#include "grid/db/CustomDBGrid.h"
#include "tests/QtTestApp.h"
#include "tests/app/ViewerTestSupport.h"

namespace morvel {
namespace {

using testing_support::kInstructionsSample;
using testing_support::writeFile;
using Strings = std::vector<std::string>;

class DataGridTest : public testing_support::ViewerTableTest {
 protected:
  DataGridTest() {
    testing_support::qtApp();
    previousBox_ = setErrorBoxHandler(
        [this](const std::string&, const std::string& text) { boxes.push_back(text); });
    window = std::make_unique<MainWindow>();
  }
  ~DataGridTest() override {
    window.reset();
    setErrorBoxHandler(previousBox_);
  }
  DBGrid& grid() { return static_cast<DataGrid&>(window->gridData()).grid(); }
  void open(const std::string& bytes, const std::string& name = "in.csv") {
    writeFile(folder.file(name), bytes);
    window->openFromOutside(folder.file(name));
  }
  // "field name:column class" for every column.
  Strings columnKinds() {
    Strings out;
    for (int i = 0; i < grid().columnCount(); ++i) {
      const DBTreeListColumn* c = grid().dbColumn(i);
      const char* kind = dynamic_cast<const DBGridDateColumn*>(c)   ? "date"
                         : dynamic_cast<const DBGridMaskColumn*>(c) ? "mask"
                                                                    : "other";
      out.push_back(c->fieldName() + ":" + kind);
    }
    return out;
  }

  std::unique_ptr<MainWindow> window;
  Strings boxes;

 private:
  ErrorBoxHandler previousBox_;
};

TEST_F(DataGridTest, StartsWithTheWindowsGridSettingsAndNoRows) {
  EXPECT_EQ(grid().keyField(), "RecordID");
  EXPECT_TRUE(grid().showGroupPanel());
  EXPECT_EQ(grid().summarySeparator(), ", ");
  EXPECT_TRUE(grid().options().has(goLoadAllRecords));
  EXPECT_TRUE(grid().options().has(goConfirmDelete));
  EXPECT_FALSE(grid().options().has(goEditing));
  EXPECT_TRUE(grid().optionsEx().has(goMultiSort));
  EXPECT_EQ(grid().columnCount(), 0);
  EXPECT_EQ(grid().dataSource(), &window->dsData());
}

TEST_F(DataGridTest, TheSampleGivesFourteenColumnsAndASecondFileReplacesThemAll) {
  open(kInstructionsSample);
  EXPECT_TRUE(boxes.empty());
  EXPECT_EQ(columnKinds(),
            Strings({"ID:mask", "Part No.:mask", "Product:mask", "Order No.:mask", "Priority:mask",
                     "Op. No.:mask", "Operation Name:mask", "Resource:mask", "Quantity:mask",
                     "Earliest Start Date:date", "Due Date:date", "Setup Start:date",
                     "Start Time:date", "End Time:date"}));
  EXPECT_EQ(grid().keyField(), "ID");
  EXPECT_EQ(grid().loadedRecordCount(), 2);

  // The second file's records are read into rows once, under its own columns.
  int stored = 0;
  grid().onRefreshNodeData = [&](CustomDBGrid&, TreeListNode*) { ++stored; };
  open("Product,Other\r\nx,y\r\nz,w\r\n", "second.csv");
  EXPECT_EQ(columnKinds(), Strings({"ID:mask", "Product:mask", "Other:mask"}));
  EXPECT_EQ(grid().loadedRecordCount(), 2);
  EXPECT_EQ(stored, 2);
}

TEST_F(DataGridTest, AFailedImportShowsTheColumnsOfTheTableItLeft) {
  open(kInstructionsSample);
  open("a,b\r\n");
  EXPECT_EQ(boxes, Strings({"List index out of bounds (1)"}));
  EXPECT_EQ(grid().columnCount(), 0) << "no table: no columns, not the last file's";

  // Stopped at line 4: the two records stored show under their own columns.
  open("Name,Born\r\nAnn,01/02/99\r\nBob,\r\nCy,n/a\r\n");
  EXPECT_EQ(columnKinds(), Strings({"ID:mask", "Name:mask", "Born:date"}));
  EXPECT_EQ(grid().loadedRecordCount(), 2);
  ASSERT_EQ(grid().topCount(), 2);
  EXPECT_EQ(grid().topNodes(0)->strings(1), "Ann");
  EXPECT_EQ(grid().topNodes(1)->strings(1), "Bob");
  for (int i = 0; i < grid().columnCount(); ++i) EXPECT_GT(grid().columns(i)->width(), 0) << i;
}

TEST_F(DataGridTest, TheGridHasTheKeyboardAfterAnOpenSoArrowsMoveAtOnce) {
  window->show();
  window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  window->miAboutClick();
  open("Name\r\nAnn\r\nBob\r\nCy\r\n");
  EXPECT_EQ(QApplication::focusWidget(), window->gridData().widget());
  ASSERT_EQ(grid().focusedNode(), grid().topNodes(0));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
  EXPECT_EQ(grid().focusedNode(), grid().topNodes(1));
  EXPECT_EQ(window->tblData().field(1)->asText(), "Bob") << "the table follows";
}

TEST_F(DataGridTest, ANewFileStartsAtTheLeftEdge) {
  std::string header = "c0";
  std::string values = std::string(60, 'v');
  for (int i = 1; i < 20; ++i) {
    header += ",c" + std::to_string(i);
    values += "," + std::string(60, 'v');
  }
  open(header + "\r\n" + values + "\r\n");
  grid().setLeftCoord(500);
  ASSERT_GT(grid().leftCoord(), 0);
  open(header + "\r\n" + values + "\r\n", "other.csv");
  EXPECT_EQ(grid().leftCoord(), 0);
}

TEST_F(DataGridTest, NaturalSortOrderSortsDataRowsByTheirNumbers) {
  auto* natural = window->findChild<QAction*>("miNaturalSort");
  ASSERT_NE(natural, nullptr);
  EXPECT_TRUE(natural->isCheckable());
  EXPECT_FALSE(natural->isChecked());
  open("Part\r\nbolt 10\r\nbolt 5\r\nbolt 100\r\nbolt 12\r\n");
  grid().columnHeaderClick(grid().columns(1));
  auto parts = [&] {
    Strings out;
    for (int i = 0; i < grid().topCount(); ++i) out.push_back(grid().topNodes(i)->strings(1));
    return out;
  };
  EXPECT_EQ(parts(), Strings({"bolt 10", "bolt 100", "bolt 12", "bolt 5"}));
  natural->trigger();
  EXPECT_TRUE(grid().naturalSortOrder());
  EXPECT_EQ(parts(), Strings({"bolt 5", "bolt 10", "bolt 12", "bolt 100"}));
  natural->trigger();
  EXPECT_EQ(parts(), Strings({"bolt 10", "bolt 100", "bolt 12", "bolt 5"}));
}

TEST_F(DataGridTest, F2AndF3ExpandAndCollapseEveryGroup) {
  open("Group,Value\r\na,1\r\na,2\r\nb,3\r\n");
  grid().addGroupColumn(0, grid().dbColumn(1));
  ASSERT_EQ(grid().topCount(), 2);
  window->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
  window->activateWindow();
  QTest::keyClick(window.get(), Qt::Key_F2);
  EXPECT_TRUE(grid().topNodes(0)->expanded());
  EXPECT_TRUE(grid().topNodes(1)->expanded());
  QTest::keyClick(window.get(), Qt::Key_F3);
  EXPECT_FALSE(grid().topNodes(0)->expanded());
  EXPECT_FALSE(grid().topNodes(1)->expanded());
}

TEST_F(DataGridTest, AnEmptyFileLeavesTheGridWithoutColumns) {
  open(kInstructionsSample);
  open("");
  EXPECT_EQ(grid().columnCount(), 0);
  EXPECT_TRUE(boxes.empty());
}

}  // namespace
}  // namespace morvel
