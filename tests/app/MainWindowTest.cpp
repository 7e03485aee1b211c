// The viewer's main window: its pages, menus and keys reaching the grid,
// opening files (and failures part way), saving under a new name, and the
// questions asked before a file that reading changed is overwritten.
#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

#include "app/AboutPage.h"
#include "app/MainWindow.h"
#include "platform/qt/QtServices.h"
#include "status/ProgressBar.h"
#include "status/StatusPane.h"
#include "tests/QtTestApp.h"
#include "tests/app/ViewerTestSupport.h"

namespace morvel {
namespace {

using testing_support::kInstructionsSample;
using testing_support::readFile;
using testing_support::writeFile;
using Strings = std::vector<std::string>;

// A grid that keeps its columns as field names and counts the calls.
class RecordingGrid : public ViewerGrid {
 public:
  RecordingGrid(DataSource& source, QWidget* page) : source_(source), widget_(new QWidget(page)) {}
  QWidget* widget() override { return widget_; }
  void buildColumns() override {
    columns.clear();
    DataSet* data = source_.dataSet();
    for (int p = 0; p < data->fieldTotal(); ++p) columns.push_back(data->field(p)->fieldName());
  }
  void setKeyField(std::string_view name) override { keyField = name; }
  void bestFitColumns() override { ++bestFits; }
  void expandAll() override { calls.push_back("expand"); }
  void collapseAll() override { calls.push_back("collapse"); }
  void showColumnCustomizing() override { calls.push_back("customize"); }
  void setNaturalSortOrder(bool natural) override {
    calls.push_back(natural ? "natural" : "bytes");
  }
  std::vector<std::string> columnFieldNames() const override { return columns; }

  Strings columns;
  std::string keyField = "RecordID";
  int bestFits = 0;
  Strings calls;

 private:
  DataSource& source_;
  QWidget* widget_;
};

class MainWindowTest : public testing_support::ViewerTableTest {
 protected:
  MainWindowTest() {
    testing_support::qtApp();
    previousDialog_ = FileDialog::setHandler([this](const FileDialog& d) {
      dialogs.push_back(d.name() + ":" + d.fileName());
      directories.push_back(d.directory());
      std::optional<std::string> answer;
      if (!answers.empty()) {
        answer = answers.front();
        answers.erase(answers.begin());
      }
      return answer;
    });
    previousBox_ = setErrorBoxHandler([this](const std::string& title, const std::string& text) {
      boxes.push_back(title + ": " + text);
    });
    previousQuestion_ = setQuestionHandler([this](const std::string& text) {
      questions.push_back(text);
      return answerYes;
    });
    window = std::make_unique<MainWindow>([this](DataSource& source, QWidget* page) {
      auto made = std::make_unique<RecordingGrid>(source, page);
      grid = made.get();
      return made;
    });
  }
  ~MainWindowTest() override {
    window.reset();
    FileDialog::setHandler(previousDialog_);
    setErrorBoxHandler(previousBox_);
    setQuestionHandler(previousQuestion_);
  }
  // Opens bytes as a file through the open dialog.
  void open(const std::string& bytes, const std::string& name = "in.csv") {
    writeFile(folder.file(name), bytes);
    answers.push_back(folder.file(name));
    window->miOpenClick();
  }
  QAction* action(const char* name) { return window->findChild<QAction*>(name); }

  std::unique_ptr<MainWindow> window;
  RecordingGrid* grid = nullptr;
  Strings answers;      // what the next dialogs are answered with (none: Cancel)
  Strings dialogs;      // "dialog name:file name it opened with"
  Strings boxes;        // "title: text" of every error box
  Strings directories;  // the folder each dialog started in
  Strings questions;    // every question asked
  bool answerYes = false;

 private:
  FileDialog::Handler previousDialog_;
  ErrorBoxHandler previousBox_;
  QuestionHandler previousQuestion_;
};

TEST_F(MainWindowTest, StartsOnTheDataPageWithTheAboutPageWithoutATab) {
  EXPECT_EQ(window->windowTitle(), "Morvel by Pellam Software Ltd");
  QTabWidget* pages = window->pcMorvel();
  EXPECT_EQ(pages->currentWidget(), window->tsData());
  EXPECT_EQ(pages->tabText(0), "Data");
  EXPECT_EQ(pages->tabText(1), "Instructions");
  EXPECT_TRUE(pages->isTabVisible(1));
  EXPECT_FALSE(pages->isTabVisible(2));
  EXPECT_EQ(window->spStatus().caption(), "");
  EXPECT_FALSE(window->pbStatus().visible());
  EXPECT_FALSE(window->tblData().active());
  EXPECT_EQ(window->tblData().name(), "tblData");
  EXPECT_TRUE(window->tblData().inMemory());
  EXPECT_EQ(window->dsData().dataSet(), &window->tblData());

  const QString memo = window->memoInstructions()->toPlainText();
  EXPECT_EQ(memo.toStdString(), [] {
    std::string text = instructionsText();
    std::replace(text.begin(), text.end(), '\r', '\n');
    return text;
  }());
  const QStringList lines = memo.split('\n');
  ASSERT_EQ(lines.size(), 14);
  EXPECT_EQ(lines[0], "Introduction");
  EXPECT_EQ(lines[13],
            "To group the data by a particular column, click and drag the column "
            "header to the bar above the grid.");
  EXPECT_TRUE(lines[2].contains("software.  That said"));
}

TEST_F(MainWindowTest, MenusCarryTheirCaptionsAndKeys) {
  const std::vector<std::pair<const char*, const char*>> items = {
      {"miOpen", "&Open..."},
      {"miSave", "Save &As..."},
      {"miExit", "E&xit"},
      {"miExpandAll", "&Expand All"},
      {"miCollapseAll", "&Collapse All"},
      {"miSetColumns", "Set Columns..."},
      {"miAbout", "&About"}};
  for (const auto& [name, caption] : items) {
    ASSERT_NE(action(name), nullptr) << name;
    EXPECT_EQ(action(name)->text().toStdString(), caption);
  }
  EXPECT_TRUE(action("miAbout")->isVisible());
  EXPECT_EQ(action("miExpandAll")->shortcut(), QKeySequence(Qt::Key_F2));
  EXPECT_EQ(action("miCollapseAll")->shortcut(), QKeySequence(Qt::Key_F3));
  EXPECT_EQ(action("miOpen")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));
  EXPECT_EQ(action("miSave")->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
  EXPECT_EQ(action("miExit")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));

  const QList<QAction*> top = window->menuBar()->actions();
  ASSERT_EQ(top.size(), 4);
  EXPECT_EQ(top[0]->text(), "&File");
  EXPECT_EQ(top[1]->text(), "&Edit");
  EXPECT_EQ(top[2]->text(), "&View");
  EXPECT_EQ(top[3], action("miAbout"));
  const QList<QAction*> file = top[0]->menu()->actions();
  ASSERT_EQ(file.size(), 5);
  EXPECT_EQ(file[1], action("miSave"));
  EXPECT_EQ(file[2], action("miSaveShown"));
  EXPECT_TRUE(file[3]->isSeparator());
}

TEST_F(MainWindowTest, KeysAndMenuItemsReachTheGridAndThePages) {
  window->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
  window->activateWindow();
  QTest::keyClick(window.get(), Qt::Key_F2);
  QTest::keyClick(window.get(), Qt::Key_F3);
  action("miSetColumns")->trigger();
  EXPECT_EQ(grid->calls, Strings({"expand", "collapse", "customize"}));

  action("miAbout")->trigger();
  EXPECT_EQ(window->pcMorvel()->currentWidget(), window->tsAbout());
  // A click on the tab that was selected before still leaves the page.
  QTabBar* tabs = window->pcMorvel()->tabBar();
  QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(0).center());
  EXPECT_EQ(window->pcMorvel()->currentWidget(), window->tsData());
  action("miAbout")->trigger();
  QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(1).center());
  EXPECT_EQ(window->pcMorvel()->currentWidget(), window->tsInstructions());
}

TEST_F(MainWindowTest, TheAboutPageHoldsEveryLabel) {
  const std::vector<std::pair<const char*, std::string>> labels = {
      {"lblProduct", "Morvel"},
      {"lblVersion", "Version 1.1"},
      {"lblDescription",
       "This utility will read and display tabular information saved\r\nin csv files.\r\n"
       "It assumes that the first line defines the fieldnames, and\r\n"
       "that all dates are in short form (xx/xx/xx)."},
      {"urlPellam", "www.pellam.example"},
      {"lblMaker", "Pellam Software Ltd"},
      {"lblAddress1", "Pellam House"},
      {"lblAddress2", "1 Example Street"},
      {"lblAddress3", "Sometown"},
      {"lblAddress4", "AB1 2CD"},
      {"lblPhone", "Phone  - +44 1632 960000"},
      {"lblEmail", "eMail    - info@pellam.example"}};
  AboutPage& page = *window->aboutPage();
  for (const auto& [name, caption] : labels) {
    StyledLabel* label = page.label(name);
    ASSERT_NE(label, nullptr) << name;
    EXPECT_EQ(label->caption(), caption);
    EXPECT_TRUE(label->transparent());
  }
  EXPECT_EQ(page.urlPellam().url(), "https://www.pellam.example");
  EXPECT_EQ(page.urlPellam().textStyle(), tsRecessed);
  EXPECT_EQ(page.label("lblProduct")->font().name, "Times New Roman");
  EXPECT_EQ(page.label("lblDescription")->bounds(), Rect::fromSize(17, 81, 451, 108));

  // Labels anchored right and bottom follow those edges.
  const Rect maker = page.label("lblMaker")->bounds();
  const Rect phone = page.label("lblPhone")->bounds();
  page.control().setBounds(Rect::fromSize(0, 0, AboutPageControl::kDesignWidth + 40,
                                          AboutPageControl::kDesignHeight + 30));
  EXPECT_EQ(page.label("lblMaker")->bounds(),
            Rect::fromSize(maker.left + 40, maker.top + 30, maker.width(), maker.height()));
  EXPECT_EQ(page.label("lblPhone")->bounds(),
            Rect::fromSize(phone.left, phone.top + 30, phone.width(), phone.height()));
}

TEST_F(MainWindowTest, OpeningTheSampleBuildsColumnsAndOpeningAnotherReplacesThem) {
  open(kInstructionsSample);
  EXPECT_EQ(dialogs, Strings({"diOpen:"}));
  EXPECT_TRUE(boxes.empty());
  ASSERT_EQ(grid->columns.size(), 14u);
  EXPECT_EQ(grid->columns[0], "ID");
  EXPECT_EQ(grid->columns[6], "Operation Name");
  EXPECT_EQ(grid->keyField, "ID");
  EXPECT_EQ(grid->bestFits, 1);
  EXPECT_EQ(window->tblData().recordTotal(), 2);
  EXPECT_EQ(window->sourceFileName(), folder.file("in.csv"));

  window->pcMorvel()->setCurrentIndex(1);
  open("Part No.,Other\r\n1,2\r\n", "second.csv");
  EXPECT_EQ(grid->columns, Strings({"ID", "Part No.", "Other"}));
  EXPECT_EQ(window->pcMorvel()->currentWidget(), window->tsData());
  EXPECT_EQ(window->tblData().recordTotal(), 1);
}

struct WindowFailure {
  const char* what;
  std::string bytes;
  std::string box;
  Strings columns;     // of the table the import left, if any
  std::string status;  // where and why, until the next command
};

void PrintTo(const WindowFailure& c, std::ostream* os) { *os << c.what; }

class OpenFailure : public MainWindowTest, public testing::WithParamInterface<WindowFailure> {};

TEST_P(OpenFailure, ShowsItsMessageAndWhereItStoppedOverTheColumnsOfWhatItRead) {
  open("Keep,Me\r\n1,2\r\n", "good.csv");
  window->miAboutClick();
  open(GetParam().bytes);
  EXPECT_EQ(boxes, Strings({"Morvel: " + GetParam().box}));
  EXPECT_EQ(grid->columns, GetParam().columns) << "never the previous file's columns";
  EXPECT_EQ(grid->keyField, "ID");
  EXPECT_EQ(grid->bestFits, 2);
  EXPECT_EQ(window->pcMorvel()->currentWidget(), window->tsData());
  EXPECT_EQ(QtServices::instance().screenCursor(), crDefault);
  EXPECT_EQ(window->spStatus().caption(), GetParam().status);
  EXPECT_FALSE(window->pbStatus().visible());
  EXPECT_FALSE(window->tblData().linksSuspended());
  window->miExpandAllClick();
  EXPECT_EQ(window->spStatus().caption(), "") << "the next command clears it";
}

INSTANTIATE_TEST_SUITE_P(
    Table, OpenFailure,
    testing::Values(
        WindowFailure{"HeaderOnly",
                      "a,b\r\n",
                      "List index out of bounds (1)",
                      {},
                      "Line 2 is missing: the columns take their types from it. "
                      "Stopped at line 2: no records loaded"},
        WindowFailure{
            "ShortLine",
            "a,b,c\r\n1,2\r\n",
            "List index out of bounds (2)",
            {},
            "Line 2 has 2 fields; the header has 3. Stopped at line 2: no records loaded"},
        WindowFailure{"Duplicate",
                      "a,A\r\n1,2\r\n",
                      "A component named A already exists.",
                      {},
                      "Two columns are named 'a' and 'A': column names must differ in more than "
                      "case. Stopped at line 1: no records loaded"},
        WindowFailure{"Refused",
                      "a,1b\r\n1,2\r\n",
                      "Engine Error # 10038 Invalid or duplicate field name '1b' "
                      "specified for table 'memory.dat'",
                      {},
                      "Column names must start with a letter: '1b'. "
                      "Stopped at line 1: no records loaded"},
        WindowFailure{"Surplus",
                      "a\r\n1\r\n1,2\r\n",
                      "List index out of bounds (2)",
                      {"ID", "a"},
                      "Line 3 has 2 fields; the header has 1. Stopped at line 3: 1 record loaded"},
        WindowFailure{"BadDate",
                      "d\r\n01/01/99\r\nn/a\r\n",
                      "'n/a' is not a valid date.",
                      {"ID", "d"},
                      "Line 3, column 'd': 'n/a' is not a date in this computer's day/month/year "
                      "order. Stopped at line 3: 1 record loaded"}),
    [](const auto& info) { return info.param.what; });

TEST_F(MainWindowTest, MissingFilesFoldersAndCancelChangeNothing) {
  open(kInstructionsSample);
  answers.push_back(folder.file("missing.csv"));
  window->miOpenClick();
  // Chosen in the dialog, then deleted before the open runs.
  writeFile(folder.file("deleted.csv"), "a\r\n1\r\n");
  answers.push_back(folder.file("deleted.csv"));
  FileDialog::setHandler([&, inner = FileDialog::setHandler({})](const FileDialog& d) {
    auto answer = inner(d);
    std::filesystem::remove(folder.file("deleted.csv"));
    return answer;
  });
  window->miOpenClick();
  answers.push_back(folder.path());
  window->miOpenClick();
  window->miOpenClick();  // cancelled
  EXPECT_TRUE(boxes.empty());
  EXPECT_EQ(window->tblData().recordTotal(), 2);
  EXPECT_EQ(grid->columns.size(), 14u);

  open("");
  EXPECT_FALSE(window->tblData().active()) << "an empty file makes no table";
  EXPECT_TRUE(grid->columns.size() == 1 || grid->columns.empty());
  EXPECT_TRUE(boxes.empty());
}

TEST_F(MainWindowTest, SaveAsAsksForANewNameEveryTimeAndWritesTheTable) {
  const std::string target = folder.file("saved");
  answers = {target};
  window->miSaveClick();
  EXPECT_EQ(readFile(target + ".CSV"), "") << "no table: an empty file, with the extension added";

  open(kInstructionsSample);
  answers = {target + ".csv"};
  window->miSaveClick();
  window->miSaveClick();  // cancelled: nothing written
  EXPECT_EQ(dialogs, Strings({"diSave:", "diOpen:", "diSave:", "diSave:"}));
  const std::string saved = readFile(target + ".csv");
  EXPECT_EQ(saved.substr(0, 11), "\"Part No.\",");
  EXPECT_NE(saved.find(",\"Splined Shaft\",123FGH,10,10,\" Rough Turn Diameter\","),
            std::string::npos);
  EXPECT_NE(saved.find(",01/01/99,06/06/99,\"22/12/00 15:09:00\","), std::string::npos);
  EXPECT_EQ(window->targetFileName(), target + ".csv");

  answers = {folder.file("nowhere/x.csv")};
  window->miSaveClick();
  EXPECT_EQ(boxes, Strings({"Morvel: Cannot create file " + folder.file("nowhere/x.csv") + "."}));
  EXPECT_EQ(window->tblData().recordTotal(), 2) << "the window keeps working";
}

TEST_F(MainWindowTest, SaveAsStartsInTheOpenedFilesFolderWithAnEmptyName) {
  answers = {""};
  window->miSaveClick();
  open(kInstructionsSample);
  answers = {folder.file("copy.csv")};
  window->miSaveClick();
  EXPECT_EQ(dialogs, Strings({"diSave:", "diOpen:", "diSave:"}));
  EXPECT_EQ(directories, Strings({"", "", folder.path()}));
  EXPECT_EQ(window->diOpen().filter(), "CSV|*.CSV|All files|*");
  EXPECT_EQ(window->diOpen().qtFilter().toStdString(), "CSV (*.CSV *.csv);;All files (*)");
  EXPECT_EQ(window->diSave().filter(), "CSV|*.CSV");
}

TEST_F(MainWindowTest, SavingOverAFileThatReadingChangedAsksFirst) {
  const std::string source = folder.file("in.csv");
  const std::string bytes = "Name,Note\r\nAnn," + std::string(150, 'x') + "\r\n";
  open(bytes);
  EXPECT_EQ(window->spStatus().caption(), "1 value was cut to 100 characters");
  answers = {folder.file("other.csv")};
  window->miSaveClick();
  EXPECT_TRUE(questions.empty()) << "another file loses nothing";
  EXPECT_EQ(window->spStatus().caption(), "") << "the command cleared it";

  // Over the very file, by another name for it: asked, and No keeps it.
  const std::string link = folder.file("link.csv");
  ASSERT_EQ(::symlink(source.c_str(), link.c_str()), 0);
  answers = {link};
  window->miSaveClick();
  EXPECT_EQ(questions, Strings({"Some values were cut when this file was read. Saving over it "
                                "keeps only the cut values. Save anyway?"}));
  EXPECT_EQ(readFile(source), bytes);

  answerYes = true;
  answers = {source};
  window->miSaveClick();
  EXPECT_EQ(questions.size(), 2u);
  EXPECT_EQ(readFile(source), "Name,Note\r\nAnn," + std::string(100, 'x') + "\r\n");
  answers = {source};
  window->miSaveClick();
  EXPECT_EQ(questions.size(), 2u) << "the file holds the table now: nothing more to lose";
  EXPECT_TRUE(boxes.empty());
}

TEST_F(MainWindowTest, SavingOverAFileThatStoppedReadingAsksFirst) {
  open("d\r\n01/01/99\r\nn/a\r\n02/02/99\r\n");
  ASSERT_EQ(window->tblData().recordTotal(), 1);
  answers = {folder.file("in.csv")};
  window->miSaveClick();
  EXPECT_EQ(questions, Strings({"Reading this file stopped before its end. Saving over it keeps "
                                "only what was read. Save anyway?"}));
  EXPECT_EQ(readFile(folder.file("in.csv")), "d\r\n01/01/99\r\nn/a\r\n02/02/99\r\n");
}

TEST_F(MainWindowTest, NaturalSortOrderIsACheckedViewItemThatStartsOff) {
  QAction* natural = action("miNaturalSort");
  ASSERT_NE(natural, nullptr);
  EXPECT_EQ(natural->text().toStdString(), "&Natural Sort Order");
  EXPECT_TRUE(natural->isCheckable());
  EXPECT_FALSE(natural->isChecked());
  natural->trigger();
  natural->trigger();
  EXPECT_EQ(grid->calls, Strings({"natural", "bytes"}));
}

TEST_F(MainWindowTest, TheWindowKeepsRoomForTheGrid) {
  window->show();
  window->resize(10, 10);
  QApplication::processEvents();
  EXPECT_GE(window->width(), 320);
  EXPECT_GE(window->height(), 240);
  EXPECT_GE(grid->widget()->height(), 100);
  EXPECT_GE(grid->widget()->width(), 300);
}

TEST_F(MainWindowTest, WhileTheAboutPageShowsNoTabIsDrawnSelected) {
  window->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
  QTabBar* tabs = window->pcMorvel()->tabBar();
  // A tab's inside as drawn: the edges, where neighbours overlap, left out.
  auto tabImage = [&](int index) {
    return tabs->grab(tabs->tabRect(index).adjusted(4, 4, -4, -4)).toImage();
  };
  window->pcMorvel()->setCurrentIndex(1);
  QApplication::processEvents();
  const QImage dataUnselected = tabImage(0);
  window->pcMorvel()->setCurrentIndex(0);
  QApplication::processEvents();
  const QImage instructionsUnselected = tabImage(1);
  ASSERT_NE(tabImage(0), dataUnselected) << "a selected tab looks different";
  window->miAboutClick();
  QApplication::processEvents();
  EXPECT_EQ(tabImage(0), dataUnselected);
  EXPECT_EQ(tabImage(1), instructionsUnselected);
  QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(0).center());
  EXPECT_EQ(window->pcMorvel()->currentWidget(), window->tsData());
  EXPECT_NE(tabImage(0), dataUnselected) << "the Data tab is selected again";
}

class NamesFromOutside : public MainWindowTest {};

TEST_F(NamesFromOutside, SayWhichFailureAndWhy) {
  const std::string missing = folder.file("missing.csv");
  window->openFromOutside(missing);
  window->openFromOutside(folder.path());
  window->openFromOutside("/dev/null");
  EXPECT_EQ(boxes,
            Strings({"Morvel: Cannot open " + missing + ": there is no such file.",
                     "Morvel: Cannot open " + folder.path() + ": it is a folder, not a file.",
                     "Morvel: Cannot open /dev/null: it is not a plain file."}));
  const std::string secret = folder.file("secret.csv");
  writeFile(secret, kInstructionsSample);
  ASSERT_EQ(::chmod(secret.c_str(), 0), 0);
  ASSERT_EQ(::chmod(folder.path().c_str(), 0755), 0);
  testing_support::runWithoutPrivileges([&] {
    return whyNotReadable(secret) ==
           "Cannot open " + secret + ": you have no permission to read it";
  });
  writeFile(folder.file("fine.csv"), kInstructionsSample);
  EXPECT_EQ(whyNotReadable(folder.file("fine.csv")), "");
}

TEST_F(MainWindowTest, CommandsArrivingDuringAnImportWaitTheirTurn) {
  // The import lets pending messages through to paint its status; an open
  // or save queued before it must not run inside it.
  writeFile(folder.file("in.csv"), kInstructionsSample);
  QMetaObject::invokeMethod(
      window.get(), [&] { window->miOpenClick(); }, Qt::QueuedConnection);
  QMetaObject::invokeMethod(
      window.get(), [&] { window->miSaveClick(); }, Qt::QueuedConnection);
  window->openCsvFile(folder.file("in.csv"));
  QApplication::processEvents();  // nothing is left waiting: both came and went
  EXPECT_TRUE(dialogs.empty());
  EXPECT_EQ(window->tblData().recordTotal(), 2);
  EXPECT_FALSE(window->busy());
}

TEST_F(MainWindowTest, ClosingTheWindowDropsTheTable) {
  open(kInstructionsSample);
  window.reset();
  table.setTableName("memory.dat");
  EXPECT_THROW(table.open(), Exception);
}

TEST(ErrorBoxText, GetsAFullStopOnlyAfterBytesThatSortAfterIt) {
  EXPECT_EQ(errorBoxText(""), "");
  EXPECT_EQ(errorBoxText("Stream write error"), "Stream write error.");
  EXPECT_EQ(errorBoxText("out of bounds (1)"), "out of bounds (1)");
  EXPECT_EQ(errorBoxText("value 7"), "value 7.");
  EXPECT_EQ(errorBoxText("ends."), "ends.");
  EXPECT_EQ(errorBoxText("ends "), "ends ");
  EXPECT_EQ(errorBoxText("ends!"), "ends!");
  EXPECT_EQ(errorBoxText("ends/"), "ends/.");
  EXPECT_EQ(errorBoxText("caf\xc3\xa9"), "caf\xc3\xa9.");
}

}  // namespace
}  // namespace morvel

namespace morvel {
namespace {

TEST_F(MainWindowTest, TheAboutPageFitsTheWindowAndRendersForAPersonToCheck) {
  window->show();
  window->miAboutClick();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
  AboutPage& page = *window->aboutPage();
  for (const char* name : {"lblProduct", "lblVersion", "lblDescription", "urlPellam", "lblMaker",
                           "lblAddress1", "lblAddress4", "lblPhone", "lblEmail"}) {
    const Rect b = page.label(name)->bounds();
    EXPECT_GE(b.left, 0) << name;
    EXPECT_LE(b.right, page.width()) << name;
    EXPECT_LE(b.bottom, page.height()) << name;
  }
  EXPECT_TRUE(window->grab().save("about_page.png"));
}

}  // namespace
}  // namespace morvel
