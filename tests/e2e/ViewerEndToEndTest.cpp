// The real program on a private X server, driven by real input events: it
// opens the file named on its command line, the user works in the grid
// (finding and filtering too) and saves through the Save As dialog, and the
// saved bytes are compared.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QWidget>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include "app/DataGrid.h"
#include "app/MainWindow.h"
#include "grid/db/CustomDBGrid.h"
#include "tests/e2e/X11Session.h"

namespace morvel {
namespace {

using testing_support::ChildProcess;
using testing_support::readFile;
using testing_support::waitFor;
using testing_support::X11Session;

class ViewerEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!session.ok()) GTEST_SKIP() << "Xvfb or xdotool is not available";
    folder = std::filesystem::temp_directory_path() /
             ("morvel-e2e-" + std::to_string(::getpid()) + "-" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(folder);
  }
  void TearDown() override {
    program.reset();
    std::error_code ignored;
    if (!folder.empty()) std::filesystem::remove_all(folder, ignored);
  }
  std::string file(const std::string& name) const { return (folder / name).string(); }

  // Starts morvel on the file and waits for its main window; the window id.
  // A program that ends before its window shows is started once more (on a
  // busy machine the X server has been seen to refuse a first client), and
  // how it ended is reported.
  std::string startOn(const std::string& csv) {
    std::string id;
    for (int attempt = 0; attempt < 2 && id.empty(); ++attempt) {
      program = session.start({MORVEL_BINARY, csv});
      waitFor([&] {
        id = session.xdotool({"search", "--onlyvisible", "--name", "^Morvel by Pellam"}, true);
        return !id.empty() || !program->running();
      });
      if (id.empty() && !program->running()) {
        std::cerr << "morvel ended before its window showed, status "
                  << program->wait(std::chrono::milliseconds(0)) << "\n";
      }
    }
    return id.substr(0, id.find('\n'));
  }
  // Waits for a visible window whose title matches, and gives it the focus.
  std::string focusWindow(const std::string& title,
                          std::chrono::milliseconds timeout = std::chrono::seconds(20)) {
    std::string id;
    waitFor(
        [&] {
          id = session.xdotool({"search", "--onlyvisible", "--name", title}, true);
          return !id.empty();
        },
        timeout);
    id = id.substr(0, id.find('\n'));
    if (!id.empty()) session.xdotool({"windowfocus", "--sync", id}, true);
    return id;
  }

  // Waits for the box titled `title`, answers it with Return and waits for
  // it to go.
  void answerBox(const std::string& title) {
    ASSERT_FALSE(focusWindow(title).empty()) << "no box " << title;
    session.xdotool({"key", "Return"});
    ASSERT_TRUE(waitFor([&] {
      return session.xdotool({"search", "--onlyvisible", "--name", title}, true).empty();
    })) << "the box "
        << title << " stays";
  }
  // Ctrl+Del on the focused row, and Yes to the question that follows.
  void deleteFocusedRecord() {
    session.xdotool({"key", "--clearmodifiers", "ctrl+Delete"});
    answerBox("^Confirm$");
  }
  // File > Save As from the main window, into target.
  void saveAs(const std::string& window, const std::string& target) {
    // The window passes over a command given while it still reads the
    // file, so on a slow machine the keys may need pressing again.
    std::string dialog;
    for (int attempt = 0; attempt < 4 && dialog.empty(); ++attempt) {
      session.xdotool({"windowfocus", "--sync", window});
      session.xdotool({"key", "--clearmodifiers", "ctrl+shift+s"});
      dialog = focusWindow("^Save As$", std::chrono::seconds(8));
    }
    ASSERT_FALSE(dialog.empty()) << "no Save As dialog";
    session.xdotool({"type", "--delay", "5", target});
    session.xdotool({"key", "Return"});
  }

  X11Session session;
  std::filesystem::path folder;
  std::unique_ptr<ChildProcess> program;
};

TEST_F(ViewerEndToEnd, OpensTheFileGivenAndSavesItThroughTheDialog) {
  const std::string input = file("in.csv");
  std::ofstream(input, std::ios::binary)
      << "Name,Born,Seen\r\nAnn Lee,01/02/99,03/04/00 05:06\r\nBob,,\r\n";
  const std::string window = startOn(input);
  ASSERT_FALSE(window.empty()) << "the main window did not appear";

  // Ctrl+Shift+S opens Save As once the file is read.
  const std::string target = file("saved");
  ASSERT_NO_FATAL_FAILURE(saveAs(window, target));
  ASSERT_TRUE(waitFor([&] { return std::filesystem::exists(target + ".CSV"); }))
      << "nothing was saved";

  // Dates follow the locale the program runs under; the test's environment
  // gives the default m/d/yy order, under which 01/02/99 is January 2nd.
  const std::string saved = readFile(target + ".CSV");
  EXPECT_EQ(saved.substr(0, 16), "Name,Born,Seen\r\n");
  EXPECT_NE(saved.find("\"Ann Lee\","), std::string::npos) << saved;
  EXPECT_NE(saved.find("\r\nBob,,\r\n"), std::string::npos) << saved;

  session.xdotool({"windowfocus", "--sync", window}, true);
  session.xdotool({"key", "--clearmodifiers", "ctrl+q"});
  EXPECT_EQ(program->wait(std::chrono::seconds(10)), 0) << "Ctrl+Q ends the program";
}

TEST_F(ViewerEndToEnd, AFailingFileSaysWhyArrowsWorkAtOnceAndAScreenshotEndsByItself) {
  // Reading stops at line 5; Ann, Bob and Cy are stored.
  const std::string input = file("stops.csv");
  std::ofstream(input, std::ios::binary)
      << "Name,Born\r\nAnn,01/02/99\r\nBob,\r\nCy,\r\nDee,n/a\r\n";

  // A screenshot on the real display: it waits for no one, tells the error
  // and the status bar's text, and ends as failed.
  const std::string picture = file("shot.png");
  const testing_support::ProgramRun shot = testing_support::runProgram(
      {MORVEL_BINARY, "--screenshot", picture, input},
      {"DISPLAY=" + session.display(), "QT_QPA_PLATFORM=xcb", "LC_ALL=C.UTF-8"});
  EXPECT_EQ(shot.status, 1) << shot.output;
  EXPECT_NE(shot.output.find("morvel: 'n/a' is not a valid date.\n"), std::string::npos)
      << shot.output;
  EXPECT_NE(shot.output.find("morvel: status bar: Line 5, column 'Born': 'n/a' is not a date in "
                             "this computer's month/day/year order. Stopped at line 5: 3 records "
                             "loaded\n"),
            std::string::npos)
      << shot.output;
  EXPECT_TRUE(std::filesystem::exists(picture));

  // The same file in the window: the error box, and once it is answered the
  // arrow keys move in the grid without a click: Down goes from Ann to Bob,
  // whom Ctrl+Del then deletes.
  const std::string window = startOn(input);
  ASSERT_FALSE(window.empty()) << "the main window did not appear";
  ASSERT_NO_FATAL_FAILURE(answerBox("^Morvel$"));
  session.xdotool({"windowfocus", "--sync", window});
  session.xdotool({"key", "Down"});
  ASSERT_NO_FATAL_FAILURE(deleteFocusedRecord());
  const std::string target = file("kept.csv");
  ASSERT_NO_FATAL_FAILURE(saveAs(window, target));
  ASSERT_TRUE(waitFor([&] { return readFile(target).size() >= 24; })) << "nothing was saved";
  // The date's text follows the locale; the rows are what counts.
  const std::string saved = readFile(target);
  EXPECT_EQ(saved.rfind("Name,Born\r\nAnn,", 0), 0u) << saved;
  EXPECT_EQ(saved.find("Bob"), std::string::npos) << saved;
  EXPECT_EQ(saved.substr(saved.size() - 7), "\r\nCy,\r\n") << saved;
}

// The same window, made in this process on the offscreen platform and put
// through the same steps, tells where the real one shows what: both lay out
// the same widgets with the same fonts.
class LayoutMirror {
 public:
  explicit LayoutMirror(const std::string& csv) {
    static int argc = 1;
    static char name[] = "tests_e2e";
    static char* argv[] = {name, nullptr};
    if (!QApplication::instance()) {
      qputenv("QT_QPA_PLATFORM", "offscreen");  // the program itself runs on the X server
      app_ = std::make_unique<QApplication>(argc, argv);
    }
    window_ = std::make_unique<MainWindow>();
    window_->show();
    window_->openCsvFile(csv);
    QApplication::processEvents();
  }
  DBGrid& grid() { return static_cast<DataGrid&>(window_->gridData()).grid(); }
  // A point of the grid in window coordinates.
  QPoint inWindow(const Rect& r) {
    return window_->gridData().widget()->mapTo(
        window_.get(), QPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2));
  }
  QPoint header(int column) { return inWindow(grid().headerCellRect(grid().columns(column))); }
  QPoint groupPanel() {
    const Rect panel = grid().groupPanelRect();
    return inWindow(Rect{panel.left + 10, panel.top + 5, panel.left + 30, panel.bottom - 5});
  }
  QPoint row(long long id, int column) {
    TreeListNode* node = grid().findDataNode(Variant(id));
    return inWindow(grid().cellRect(node, grid().columns(column)));
  }

 private:
  std::unique_ptr<QApplication> app_;
  std::unique_ptr<MainWindow> window_;
};

TEST_F(ViewerEndToEnd, SortsGroupsDeletesAndSavesWithRealInput) {
  const std::string input = file("people.csv");
  std::ofstream(input, std::ios::binary) << "Name,City\r\nCy,York\r\nAnn,Leeds\r\nBob,York\r\n";
  LayoutMirror mirror(input);
  const std::string window = startOn(input);
  ASSERT_FALSE(window.empty()) << "the main window did not appear";
  session.xdotool({"windowfocus", "--sync", window});
  std::string geometry = session.xdotool({"getwindowgeometry", "--shell", window});
  const int x = std::stoi(geometry.substr(geometry.find("X=") + 2));
  const int y = std::stoi(geometry.substr(geometry.find("Y=") + 2));
  auto moveTo = [&](QPoint p) {
    session.xdotool({"mousemove", std::to_string(x + p.x()), std::to_string(y + p.y())});
  };
  // Wait for the rows: the key field is set once the file is loaded.
  ASSERT_TRUE(waitFor([&] { return mirror.grid().loadedRecordCount() == 3; }));

  // Sort by Name: a click on its header.
  moveTo(mirror.header(1));
  session.xdotool({"click", "1"});
  mirror.grid().columnHeaderClick(mirror.grid().columns(1));
  // Group by City: its header dragged onto the group panel.
  moveTo(mirror.header(2));
  session.xdotool({"mousedown", "1"});
  const QPoint from = mirror.header(2);
  const QPoint to = mirror.groupPanel();
  for (int step = 1; step <= 8; ++step) moveTo(from + (to - from) * step / 8);
  session.xdotool({"mouseup", "1"});
  mirror.grid().addGroupColumn(0, mirror.grid().dbColumn(2));
  // Every group open, then Bob's row focused and deleted after the question.
  session.xdotool({"key", "F2"});
  mirror.grid().expandAll();
  moveTo(mirror.row(3, 1));
  session.xdotool({"click", "1"});
  ASSERT_NO_FATAL_FAILURE(deleteFocusedRecord());

  const std::string target = file("people-saved.csv");
  ASSERT_NO_FATAL_FAILURE(saveAs(window, target));
  ASSERT_TRUE(waitFor([&] { return std::filesystem::exists(target); })) << "nothing was saved";
  ASSERT_TRUE(waitFor([&] { return readFile(target).size() >= 21; }));
  // File order, whatever the grid showed; Bob is gone.
  EXPECT_EQ(readFile(target), "Name,City\r\nCy,York\r\nAnn,Leeds\r\n");
}

TEST_F(ViewerEndToEnd, FindsARecordAndSavesTheRowsAFilterShows) {
  const std::string input = file("towns.csv");
  std::ofstream(input, std::ios::binary)
      << "Name,City\r\nCy,York\r\nAnn,Leeds\r\nBob,York\r\nDot,Oslo\r\n";
  const std::string window = startOn(input);
  ASSERT_FALSE(window.empty()) << "the main window did not appear";

  // Ctrl+F, "bob", Enter: Bob's row is focused. Escape gives the keys back
  // to the grid, whose Ctrl+Del then deletes the focused record: Bob's.
  session.xdotool({"windowfocus", "--sync", window});
  session.xdotool({"key", "--clearmodifiers", "ctrl+f"});
  session.xdotool({"type", "--delay", "5", "bob"});
  session.xdotool({"key", "Return"});
  session.xdotool({"key", "Escape"});
  ASSERT_NO_FATAL_FAILURE(deleteFocusedRecord());

  // Ctrl+Shift+F, "o", Enter: York and Oslo stay. File > Save Shown Rows As.
  session.xdotool({"windowfocus", "--sync", window});
  session.xdotool({"key", "--clearmodifiers", "ctrl+shift+f"});
  session.xdotool({"type", "--delay", "5", "o"});
  session.xdotool({"key", "Return"});
  std::string dialog;
  for (int attempt = 0; attempt < 4 && dialog.empty(); ++attempt) {
    session.xdotool({"windowfocus", "--sync", window});
    session.xdotool({"key", "--clearmodifiers", "alt+f"});
    session.xdotool({"key", "h"});
    dialog = focusWindow("^Save As$", std::chrono::seconds(8));
  }
  ASSERT_FALSE(dialog.empty()) << "no Save As dialog";
  const std::string target = file("shown.csv");
  session.xdotool({"type", "--delay", "5", target});
  session.xdotool({"key", "Return"});
  ASSERT_TRUE(waitFor([&] { return readFile(target).size() >= 30; }))
      << "nothing was saved: " << readFile(target);
  EXPECT_EQ(readFile(target), "Name,City\r\nCy,York\r\nDot,Oslo\r\n");
}

}  // namespace
}  // namespace morvel
