// Find, quick filter and counts in the main window with its real grid, on
// the offscreen platform: the find bar's keys and status texts, the filter
// typed into the bar or taken from a header's menu, Save As and Save Shown
// Rows As under a filter, the counts pane, and group counts.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QTest>

#include "app/DataGrid.h"
#include "app/FindBar.h"
#include "app/FindFilter.h"
#include "app/MainWindow.h"
#include "grid/db/CustomDBGrid.h"
#include "status/StatusPane.h"
#include "tests/QtTestApp.h"
#include "tests/app/ViewerTestSupport.h"

namespace morvel {
namespace {

using testing_support::readFile;
using testing_support::writeFile;
using Strings = std::vector<std::string>;

const char* const kPeople =
    "Name,Town,Born\r\n"
    "Dora,Oslo,05/03/90\r\n"
    "alma,Bern,12/01/85\r\n"
    "Carl,Oslo,01/12/70\r\n"
    "Bea,Bern,28/02/90\r\n"
    "Eve,Rome,05/03/90\r\n";

class FindFilterTest : public testing_support::ViewerTableTest {
 protected:
  FindFilterTest() {
    testing_support::qtApp();
    previousDialog_ = FileDialog::setHandler([this](const FileDialog&) {
      std::optional<std::string> answer;
      if (!answers.empty()) {
        answer = answers.front();
        answers.erase(answers.begin());
      }
      return answer;
    });
    previousBox_ = setErrorBoxHandler(
        [this](const std::string&, const std::string& text) { boxes.push_back(text); });
    previousQuestion_ = setQuestionHandler([this](const std::string& text) {
      questions.push_back(text);
      return true;
    });
    window = std::make_unique<MainWindow>();
    window->show();
    writeFile(folder.file("in.csv"), kPeople);
    window->openFromOutside(folder.file("in.csv"));
  }
  ~FindFilterTest() override {
    window.reset();
    FileDialog::setHandler(previousDialog_);
    setErrorBoxHandler(previousBox_);
    setQuestionHandler(previousQuestion_);
  }
  DBGrid& grid() { return static_cast<DataGrid&>(window->gridData()).grid(); }
  FindFilter& ff() { return window->findFilter(); }
  FindBar& bar() { return ff().bar(); }
  QAction* action(const char* name) { return window->findChild<QAction*>(name); }
  std::string status() { return window->spStatus().caption(); }
  std::string counts() { return ff().countsPane().caption(); }
  std::string current() { return window->tblData().fieldNamed("Name").asText(); }
  Strings rows() {
    Strings out;
    const auto walk = [&](auto& self, TreeListNode* n) -> void {
      if (!CustomDBGrid::isGroupNode(n)) out.push_back(n->strings(1));
      for (int i = 0; i < n->count(); ++i) self(self, n->items(i));
    };
    for (int i = 0; i < grid().topCount(); ++i) walk(walk, grid().topNodes(i));
    return out;
  }
  void typeFilter(const char* text) {
    action("miFilter")->trigger();
    bar().textBox()->clear();
    QTest::keyClicks(bar().textBox(), text);
  }
  void enter(Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(bar().textBox(), Qt::Key_Return, modifiers);
  }
  std::string saveThrough(const char* command, const std::string& name) {
    answers.push_back(folder.file(name));
    action(command)->trigger();
    return readFile(folder.file(name));
  }
  void groupByTown() {
    for (int i = 0; i < grid().columnCount(); ++i) {
      if (grid().dbColumn(i)->fieldName() == "Town") {
        grid().addGroupColumn(0, grid().dbColumn(i));
      }
    }
  }

  std::unique_ptr<MainWindow> window;
  Strings answers;
  Strings boxes;
  Strings questions;

 private:
  FileDialog::Handler previousDialog_;
  ErrorBoxHandler previousBox_;
  QuestionHandler previousQuestion_;
};

TEST_F(FindFilterTest, TheMenusOfferFindFilterAndGroupCountsAndF3StaysCollapseAll) {
  EXPECT_EQ(action("miFind")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F));
  EXPECT_EQ(action("miFilter")->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F));
  EXPECT_EQ(action("miCollapseAll")->shortcut(), QKeySequence(Qt::Key_F3));
  EXPECT_TRUE(action("miGroupCounts")->isCheckable());
  EXPECT_FALSE(action("miGroupCounts")->isChecked());
  EXPECT_FALSE(bar().isVisible()) << "no bar until it is asked for";
}

TEST_F(FindFilterTest, TheCountsPaneStaysAwayUntilThereIsATable) {
  MainWindow fresh;
  EXPECT_FALSE(fresh.findFilter().countsPane().visible());
  EXPECT_EQ(fresh.findFilter().countsText(), "");
  EXPECT_TRUE(ff().countsPane().visible());
  EXPECT_EQ(countText(1234567), "1,234,567");
}

TEST_F(FindFilterTest, EnterFindsOnShiftEnterGoesBackAndTheStatusBarTells) {
  action("miFind")->trigger();
  ASSERT_TRUE(bar().isVisible());
  EXPECT_TRUE(bar().textBox()->hasFocus() || !QApplication::focusWidget());
  QTest::keyClicks(bar().textBox(), "bea");
  enter();
  EXPECT_EQ(current(), "Bea");
  EXPECT_EQ(status(), "");
  enter();  // the only match: found again after going round
  EXPECT_EQ(current(), "Bea");
  EXPECT_EQ(status(), "Search wrapped");

  bar().textBox()->setText("o");
  enter();  // after Bea: Eve's Rome
  EXPECT_EQ(current(), "Eve");
  enter(Qt::ShiftModifier);  // back: Carl's Oslo, then Dora
  EXPECT_EQ(current(), "Carl");

  bar().textBox()->setText("zz");
  enter();
  EXPECT_EQ(current(), "Carl") << "nothing moves";
  EXPECT_EQ(status(), "No matches for 'zz'");

  QTest::keyClick(bar().textBox(), Qt::Key_Escape);
  EXPECT_FALSE(bar().isVisible());
}

TEST_F(FindFilterTest, TheCaseOptionMakesLettersMatchExactly) {
  action("miFind")->trigger();
  bar().caseBox()->setChecked(true);
  QTest::keyClicks(bar().textBox(), "ALMA");
  enter();
  EXPECT_EQ(status(), "No matches for 'ALMA'");
  bar().caseBox()->setChecked(false);
  enter();
  EXPECT_EQ(current(), "alma");
}

TEST_F(FindFilterTest, AMatchInACollapsedGroupIsOpenedFocusedAndScrolledTo) {
  groupByTown();
  ASSERT_EQ(grid().topCount(), 3);
  action("miFind")->trigger();
  QTest::keyClicks(bar().textBox(), "eve");
  enter();
  EXPECT_EQ(current(), "Eve");
  ASSERT_NE(grid().focusedNode(), nullptr);
  EXPECT_TRUE(grid().focusedNode()->isVisible());
  EXPECT_TRUE(grid().focusedNode()->parent()->expanded());
}

TEST_F(FindFilterTest, TypingFiltersOncePausedAndEnterAppliesAtOnce) {
  EXPECT_EQ(counts(), "5 records");
  typeFilter("OSLO");
  EXPECT_TRUE(ff().filterPending()) << "typing waits for a pause";
  EXPECT_EQ(rows().size(), 5u);
  ff().applyFilterNow();  // what the pause timer does
  EXPECT_EQ(rows(), (Strings{"Dora", "Carl"}));
  EXPECT_EQ(counts(), "2 of 5 records");

  typeFilter("/90");
  enter();
  EXPECT_FALSE(ff().filterPending());
  EXPECT_EQ(rows(), (Strings{"Dora", "Bea", "Eve"}));

  typeFilter("");
  QTest::keyClick(bar().textBox(), Qt::Key_Space);
  QTest::keyClick(bar().textBox(), Qt::Key_Backspace);
  ff().applyFilterNow();
  EXPECT_EQ(rows().size(), 5u);
  EXPECT_EQ(counts(), "5 records");
}

TEST_F(FindFilterTest, WhileTheWindowIsBusyTheFilterWaitsItsTurn) {
  bool busy = true;
  ff().busy = [&] { return busy; };
  typeFilter("oslo");
  ff().applyFilterNow();
  EXPECT_EQ(rows().size(), 5u) << "the table is being made or walked";
  EXPECT_TRUE(ff().filterPending()) << "the timer tries again";
  busy = false;
  ff().applyFilterNow();
  EXPECT_EQ(rows(), (Strings{"Dora", "Carl"}));
}

TEST_F(FindFilterTest, CountsFollowOpenDeleteAndFilter) {
  typeFilter("b");
  ff().applyFilterNow();
  EXPECT_EQ(counts(), "2 of 5 records");  // alma and Bea, in Bern
  // Ctrl+Del on the focused row, without the question.
  grid().setOptions(grid().options().without(goConfirmDelete));
  ASSERT_TRUE(grid().keyDown(vkDelete, ssCtrl));
  QApplication::processEvents();
  EXPECT_EQ(counts(), "1 of 4 records");
  // A new file drops the filter with the table.
  writeFile(folder.file("two.csv"), "A\r\nx\r\n");
  window->openFromOutside(folder.file("two.csv"));
  EXPECT_EQ(counts(), "1 record");
  EXPECT_FALSE(ff().filtering());
  EXPECT_EQ(bar().text(), "");
}

TEST_F(FindFilterTest, SaveAsWritesTheWholeTableAndSaveShownOnlyTheShownRows) {
  const std::string whole = saveThrough("miSave", "whole.csv");
  EXPECT_EQ(whole, kPeople);
  typeFilter("oslo");
  ff().applyFilterNow();
  grid().dbColumn(1)->setSorted(csUp);  // the file keeps the table's order
  EXPECT_EQ(saveThrough("miSave", "all.csv"), whole);
  EXPECT_EQ(rows(), (Strings{"Carl", "Dora"})) << "the grid is still filtered";
  EXPECT_EQ(saveThrough("miSaveShown", "shown.csv"),
            "Name,Town,Born\r\nDora,Oslo,05/03/90\r\nCarl,Oslo,01/12/70\r\n");
  EXPECT_TRUE(boxes.empty());
  EXPECT_TRUE(questions.empty());
}

TEST_F(FindFilterTest, SavingShownRowsOverTheOpenedFileAsksFirst) {
  typeFilter("rome");
  ff().applyFilterNow();
  saveThrough("miSaveShown", "in.csv");
  ASSERT_EQ(questions.size(), 1u);
  EXPECT_NE(questions[0].find("Only the records the filter shows"), std::string::npos);
}

TEST_F(FindFilterTest, TheHeaderMenuFiltersByTheFocusedValueAndClearsIt) {
  TreeListColumn* town = grid().dbColumn(2);
  const Rect header = grid().headerCellRect(town);
  std::unique_ptr<QMenu> none(ff().headerMenu(header.left + 2, grid().rowsAreaRect().top + 5));
  EXPECT_EQ(none, nullptr) << "a row is no header";
  const int x = (header.left + header.right) / 2;
  const int y = (header.top + header.bottom) / 2;
  std::unique_ptr<QMenu> menu(ff().headerMenu(x, y));
  ASSERT_NE(menu, nullptr);
  QAction* byValue = menu->findChild<QAction*>("miFilterByValue");
  QAction* clear = menu->findChild<QAction*>("miClearFilter");
  ASSERT_TRUE(byValue && clear);
  EXPECT_FALSE(clear->isEnabled());
  byValue->trigger();  // the first row, Dora, is focused: Oslo
  EXPECT_EQ(rows(), (Strings{"Dora", "Carl"}));
  EXPECT_EQ(bar().text(), "Oslo");
  std::unique_ptr<QMenu> again(ff().headerMenu(x, y));
  again->findChild<QAction*>("miClearFilter")->trigger();
  EXPECT_EQ(rows().size(), 5u);
  EXPECT_EQ(counts(), "5 records");
}

TEST_F(FindFilterTest, GroupCountsComeAndGoWithTheMenuItem) {
  groupByTown();
  Strings texts;
  const auto groupTexts = [&] {
    Strings out;
    for (int i = 0; i < grid().topCount(); ++i) out.push_back(grid().topNodes(i)->strings(0));
    return out;
  };
  EXPECT_EQ(groupTexts(), (Strings{"Town : Bern ", "Town : Oslo ", "Town : Rome "}));
  action("miGroupCounts")->trigger();
  EXPECT_EQ(groupTexts(), (Strings{"Town : Bern (2)", "Town : Oslo (2)", "Town : Rome (1)"}));
  typeFilter("a");
  ff().applyFilterNow();  // Dora, alma, Carl, Bea
  EXPECT_EQ(groupTexts(), (Strings{"Town : Bern (2)", "Town : Oslo (2)"}));
  action("miGroupCounts")->trigger();
  EXPECT_EQ(groupTexts(), (Strings{"Town : Bern ", "Town : Oslo "}));
}

}  // namespace
}  // namespace morvel
