// The main window with its real data-bound grid, on the offscreen platform:
// the columns it builds from each file, the key field, best fit after a
// failed import, and F2/F3 on a grouped grid.
#include <gtest/gtest.h>

#include <QTest>

#include "app/DataGrid.h"
#include "app/MainWindow.h"
#include "grid/CustomDBGrid.h"
#include "tests/app/AppTestApp.h"
#include "tests/app/ViewerTestSupport.h"

namespace morvel {
namespace {

using testing_support::kInstructionsSample;
using testing_support::writeFile;
using Strings = std::vector<std::string>;

class DataGridTest : public testing_support::ViewerTableTest {
 protected:
  DataGridTest() {
    testing_support::appForTests();
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

TEST_F(DataGridTest, AFailedImportKeepsThePreviousColumnsFittedAgain) {
  open(kInstructionsSample);
  for (int i = 0; i < grid().columnCount(); ++i) grid().columns(i)->setWidth(7);
  open("a,b\r\n");
  EXPECT_EQ(boxes, Strings({"List index out of bounds (1)"}));
  ASSERT_EQ(grid().columnCount(), 14);
  EXPECT_EQ(grid().dbColumn(6)->fieldName(), "Operation Name");
  for (int i = 0; i < grid().columnCount(); ++i) EXPECT_GT(grid().columns(i)->width(), 7) << i;
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
