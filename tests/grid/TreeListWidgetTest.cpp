// The grid hosted in its Qt widget on the offscreen platform, driven by real
// mouse and key events: sorting, sizing, moving, grouping and hiding columns,
// moving the focus, and the customizing form taking a column back. Also
// renders a grouped grid into grid_demo.png for a person to look at.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPixmap>
#include <QTest>
#include <memory>

#include "GridTestSupport.h"
#include "grid/view/TreeListCustomizing.h"
#include "platform/qt/ControlWidget.h"
#include "tests/QtTestApp.h"

namespace morvel {
namespace {

using testing_support::qtApp;

QPoint centre(const Rect& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

class GridWidget : public ::testing::Test {
 protected:
  void SetUp() override {
    window.resize(500, 320);
    widget = new ControlWidget(std::make_unique<test::GroupingGrid>(), &window);
    grid().setBounds({0, 0, 500, 320});
    grid().setShowGrid(true);
    grid().setOptions(grid().options().with(goIndicator).with(goRowSelect));
    for (const char* caption : {"Name", "City", "Born"}) grid().createColumn()->setCaption(caption);
    grid().columns(0)->setWidth(100);
    grid().columns(1)->setWidth(80);
    grid().columns(2)->setWidth(60);
    for (int i = 0; i < 30; ++i) {
      test::addRow(grid(), {i % 2 ? "Ann" : "Bob", i % 3 ? "Leeds" : "York", "01/02/90"});
    }
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  }
  test::GroupingGrid& grid() { return widget->controlAs<test::GroupingGrid>(); }
  QPoint header(int column) { return centre(grid().headerCellRect(grid().columns(column))); }
  QPoint header(const char* caption) {
    for (int i = 0; i < grid().columnCount(); ++i) {
      if (grid().columns(i)->caption() == caption) return header(i);
    }
    return {};
  }
  // Presses, moves in two steps (the first past the drag distance) and
  // releases, as a hand does.
  void drag(QPoint from, QPoint to) {
    QTest::mousePress(widget, Qt::LeftButton, {}, from);
    QTest::mouseMove(widget, from + QPoint(8, 0));
    QTest::mouseMove(widget, to);
    QTest::mouseRelease(widget, Qt::LeftButton, {}, to);
  }
  std::vector<std::string> shownCaptions() {
    std::vector<std::string> out;
    for (int i = 0; i < grid().visibleColumnCount(); ++i) {
      out.push_back(grid().visibleColumns(i)->caption());
    }
    return out;
  }

  // The application exists before the first widget.
  QApplication& application = qtApp();
  QWidget window;
  ControlWidget* widget = nullptr;
};

TEST_F(GridWidget, ClicksSortAndEdgesSize) {
  QTest::mouseClick(widget, Qt::LeftButton, {}, header(1));
  EXPECT_EQ(grid().columns(1)->sorted(), csUp);
  QTest::mouseClick(widget, Qt::LeftButton, Qt::ShiftModifier, header(0));
  EXPECT_EQ(grid().columns(0)->sorted(), csUp);
  EXPECT_EQ(grid().columns(1)->sorted(), csUp);

  const Rect name = grid().headerCellRect(grid().columns(0));
  const QPoint edge(name.right - 2, (name.top + name.bottom) / 2);
  QTest::mousePress(widget, Qt::LeftButton, {}, edge);
  QTest::mouseMove(widget, edge + QPoint(30, 0));
  QTest::mouseRelease(widget, Qt::LeftButton, {}, edge + QPoint(30, 0));
  EXPECT_EQ(grid().columns(0)->width(), edge.x() + 30 - name.left + 1);
}

TEST_F(GridWidget, DragsMoveGroupAndHideColumns) {
  const Rect born = grid().headerCellRect(grid().columns(2));
  drag(header("City"), {born.right - 3, (born.top + born.bottom) / 2});
  EXPECT_EQ(shownCaptions(), (std::vector<std::string>{"Name", "Born", "City"}));

  drag(header("Born"), {40, 10});  // onto the group panel
  ASSERT_EQ(grid().groups.size(), 1u);
  EXPECT_EQ(grid().groups[0]->caption(), "Born");
  EXPECT_EQ(shownCaptions(), (std::vector<std::string>{"Name", "City"}));

  grid().setOptions(grid().options().with(goExtCustomizing));
  drag(header("Name"), {250, 250});  // off the header: hidden
  EXPECT_EQ(shownCaptions(), (std::vector<std::string>{"City"}));
  EXPECT_EQ(grid().mouseState(), MouseState::Idle);
}

TEST_F(GridWidget, PressesAndKeysMoveTheFocus) {
  const Rect rows = grid().rowsAreaRect();
  QTest::mouseClick(widget, Qt::LeftButton, {}, {200, rows.top + grid().rowHeight() + 2});
  EXPECT_EQ(grid().focusedNode(), grid().nodeAtVisibleIndex(1));
  QTest::keyClick(widget, Qt::Key_Down);
  EXPECT_EQ(grid().focusedNode(), grid().nodeAtVisibleIndex(2));
  QTest::keyClick(widget, Qt::Key_End);
  EXPECT_EQ(grid().focusedNode(), grid().nodeAtVisibleIndex(29));
  EXPECT_EQ(grid().visibleIndexOf(grid().topNode()), 30 - grid().visibleRowCount());
}

TEST_F(GridWidget, TheCustomizingFormTakesAColumnBack) {
  grid().columns(1)->setVisible(false);
  grid().columnsCustomizing();
  CustomizingListBox* list = grid().customizingList();
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(list->items().size(), 1u);
  auto* listWidget = dynamic_cast<ControlWidget*>(static_cast<ControlHost*>(list->host()));
  ASSERT_NE(listWidget, nullptr);
  EXPECT_TRUE(listWidget->window()->isVisible());
  EXPECT_EQ(listWidget->window()->windowTitle(), "Customize");

  QTest::mousePress(listWidget, Qt::LeftButton, {}, {20, 6});
  QTest::mouseMove(listWidget, {30, 6});  // past 3 pixels: the grid drags
  EXPECT_EQ(grid().mouseState(), MouseState::HeaderDragging);
  const Rect name = grid().headerCellRect(grid().columns(0));
  const QPoint target(name.right - 10, (name.top + name.bottom) / 2);
  QTest::mouseMove(widget, target);
  QTest::mouseRelease(widget, Qt::LeftButton, {}, target);
  EXPECT_EQ(shownCaptions(), (std::vector<std::string>{"Name", "City", "Born"}));
  EXPECT_TRUE(list->items().empty());
  grid().endColumnsCustomizing();
  EXPECT_EQ(grid().customizingList(), nullptr);
}

// A grid grouped by City by hand (group rows carry their text in the first
// column), one group expanded, sorted by the Born date column.
TEST(GridDemo, RendersAGroupedGridForAPersonToLookAt) {
  qtApp();
  QWidget window;
  window.resize(520, 300);
  auto* widget = new ControlWidget(std::make_unique<test::GroupingGrid>(), &window);
  auto& grid = widget->controlAs<test::GroupingGrid>();
  grid.setBounds({0, 0, 520, 300});
  grid.setShowGrid(true);
  grid.setOptions(grid.options().with(goIndicator).with(goRowSelect));
  for (const char* caption : {"Name", "City", "Born", "Phone"})
    grid.createColumn()->setCaption(caption);
  grid.columns(2)->setAlignment(taRightJustify);
  struct Person {
    const char* name;
    const char* born;
    const char* phone;
  };
  const struct {
    const char* city;
    std::vector<Person> people;
  } groups[] = {
      {"Bristol",
       {{"Ann Hale", "03/04/85", "0117 496 0001"}, {"Tom Reed", "19/04/85", "0117 496 0102"}}},
      {"Leeds",
       {{"Ivy Cole", "02/06/79", "0113 496 0230"},
        {"Ray Ball", "14/06/79", "0113 496 0771"},
        {"Joe Marsh", "28/06/79", "0113 496 0945"}}},
      {"York", {{"Sue Pike", "07/01/91", "01904 000 114"}}},
  };
  TreeListNode* expanded = nullptr;
  for (const auto& g : groups) {
    TreeListNode* group = test::addRow(grid, {std::string("City : ") + g.city + " "});
    for (const Person& p : g.people) test::addRow(grid, {p.name, g.city, p.born, p.phone}, group);
    if (!expanded) expanded = group;
  }
  grid.groups.push_back(grid.columns(1));
  grid.columns(1)->setVisible(false);
  grid.setSorted(grid.columns(2), csUp);
  grid.applyBestFit(nullptr);
  expanded->expand(false);
  grid.setFocusedNode(expanded->items(1), 0, true);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  const QImage image = widget->grab().toImage();
  ASSERT_TRUE(image.save("grid_demo.png"));
  EXPECT_EQ(image.width(), 520);
}

}  // namespace
}  // namespace morvel
