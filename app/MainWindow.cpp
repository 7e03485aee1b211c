// The main window; see MainWindow.h.
#include "app/MainWindow.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QScreen>
#include <QStackedWidget>
#include <QStyleOptionTab>
#include <QStylePainter>
#include <QTabBar>
#include <QTabWidget>
#include <QUrl>
#include <QVBoxLayout>
#include <cerrno>
#include <cstring>

#include "app/AboutPage.h"
#include "app/DataGrid.h"
#include "app/FindFilter.h"
#include "app/ReadingReport.h"
#include "base/ScopeGuard.h"
#include "platform/qt/ControlWidget.h"
#include "platform/qt/QtServices.h"
#include "status/ProgressBar.h"
#include "status/StatusBar.h"
#include "status/StatusPane.h"

namespace morvel {

const std::string& instructionsText() {
  static const std::string text =
      "Introduction\r"
      "\r"
      "Morvel was originally written as a utility for viewing the csv files used by production "
      "scheduling software.  That said it can be used for viewing any csv file that has a "
      "structure similar to the expected file format.\r"
      "\r"
      "Expected file format\r"
      "Part No.,Product,Order No.,Priority,Op. No.,Operation Name,Resource,Quantity,"
      "Earliest Start Date,Due Date,Setup Start,Start Time,End Time\r"
      "1-HFG,Splined Shaft,123FGH,10,10, Rough Turn Diameter,Lathe,19,01/01/99,06/06/99,"
      "22/12/00 15:09,22/12/00 15:24,25/12/00 13:44\r"
      "1-HFG,Splined Shaft,123FGH,10,20, Mill Keyway,Machining Centre,19,01/01/99,06/06/99,"
      "25/12/00 13:44,25/12/00 13:59,26/12/00 08:47\r"
      "\r"
      "Sorting\r"
      "Click the column header to sort the data by that column. To sort by multiple columns "
      "hold the shift key down whilst clicking.\r"
      "\r"
      "Grouping\r"
      "To group the data by a particular column, click and drag the column header to the bar "
      "above the grid.";
  return text;
}

namespace {

constexpr const char* kCaption = "Morvel by Pellam Software Ltd";
// The layout's outer size is 505 × 358 with a 4-pixel frame and a 19-pixel
// caption; Qt sizes the inside of the frame.
constexpr int kClientWidth = 505 - 2 * 4;
constexpr int kClientHeight = 358 - 2 * 4 - 19;
constexpr int kStatusBarHeight = 19;

QFont windowFont() {
  QFont font(QtServices::familyFor("MS Sans Serif"));
  font.setPixelSize(11);
  return font;
}

// The window's icon, drawn like the installed one (resources/morvel.svg):
// a grid sheet with a header row and a group band.
QIcon morvelIcon() {
  QPixmap pixmap(64, 64);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  const QColor blue(0x2b, 0x4c, 0x7e);
  p.setPen(QPen(blue, 3));
  p.setBrush(Qt::white);
  p.drawRoundedRect(QRectF(6, 8, 52, 48), 4, 4);
  p.fillRect(QRectF(7.5, 9.5, 49, 10), blue);
  p.fillRect(QRectF(7.5, 24, 49, 7), QColor(0xf2, 0xc1, 0x4e));
  p.setPen(QPen(QColor(0x8a, 0xa1, 0xc1), 2));
  p.drawLine(8, 38, 56, 38);
  p.drawLine(8, 46, 56, 46);
  p.drawLine(24, 31, 24, 54);
  p.drawLine(40, 31, 40, 54);
  return QIcon(pixmap);
}

// Below this the grid would have no room left for a row; the window's own
// layout is 505 × 358.
constexpr int kMinimumWidth = 320;
constexpr int kMinimumHeight = 240;

bool fileExists(const std::string& fileName) {
  struct stat st {};
  return !fileName.empty() && ::stat(fileName.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

// Whether two names name one file (through links as well).
bool sameFile(const std::string& a, const std::string& b) {
  struct stat sa {};
  struct stat sb {};
  return !a.empty() && !b.empty() && ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 &&
         sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

// The tab bar of the page control. The About page has no tab; while it is
// shown, no tab is drawn as the selected one, since none of them is.
class PageTabBar : public QTabBar {
 public:
  void setNoneSelected(bool none) {
    if (none == noneSelected_) return;
    noneSelected_ = none;
    update();
  }
  bool noneSelected() const { return noneSelected_; }

 protected:
  void paintEvent(QPaintEvent* event) override {
    if (!noneSelected_) {
      QTabBar::paintEvent(event);
      return;
    }
    QStylePainter painter(this);
    for (int i = 0; i < count(); ++i) {
      if (!isTabVisible(i)) continue;
      QStyleOptionTab option;
      initStyleOption(&option, i);
      option.state &= ~QStyle::State_Selected;
      option.selectedPosition = QStyleOptionTab::NotAdjacent;
      painter.drawControl(QStyle::CE_TabBarTab, option);
    }
  }

 private:
  bool noneSelected_ = false;
};

class PageControl : public QTabWidget {
 public:
  PageControl() : bar_(new PageTabBar) { setTabBar(bar_); }
  PageTabBar* pageTabBar() const { return bar_; }

 private:
  PageTabBar* bar_;
};

}  // namespace

std::string whyNotReadable(const std::string& fileName) {
  const std::string what = "Cannot open " + fileName + ": ";
  struct stat st {};
  if (::stat(fileName.c_str(), &st) != 0) {
    if (errno == ENOENT || errno == ENOTDIR) return what + "there is no such file";
    return what + std::strerror(errno);
  }
  if (S_ISDIR(st.st_mode)) return what + "it is a folder, not a file";
  if (!S_ISREG(st.st_mode)) return what + "it is not a plain file";
  const int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == EACCES || errno == EPERM) return what + "you have no permission to read it";
    return what + std::strerror(errno);
  }
  ::close(fd);
  return {};
}

MainWindow::MainWindow(ViewerGridFactory gridFactory, QWidget* parent) : QMainWindow(parent) {
  setObjectName("fmMorvel");
  setFont(windowFont());
  setWindowIcon(morvelIcon());
  resize(kClientWidth, kClientHeight);
  setMinimumSize(kMinimumWidth, kMinimumHeight);
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }

  tblData_.setDatabaseName("Memory");
  tblData_.setInMemory(true);
  tblData_.setExclusive(true);
  tblData_.setAutoDisplayLabels(false);
  tblData_.setCopyOnAppend(false);
  dsData_.setDataSet(&tblData_);

  diOpen_.setDefaultExt("CSV");
  // Beyond CSV files: any file, since many hold comma text under another
  // extension.
  diOpen_.setFilter("CSV|*.CSV|All files|*");
  diSave_.setDefaultExt("CSV");
  diSave_.setFilter("CSV|*.CSV");
  diSave_.setOverwritePrompt(true);

  createPages();
  createStatusBar();
  createMenus();
  if (!gridFactory) gridFactory = &DataGrid::make;
  grid_ = gridFactory(dsData_, tsData_);
  grid_->widget()->setObjectName("gridData");
  tsData_->layout()->addWidget(grid_->widget());

  transfer_ = std::make_unique<CsvTransfer>(
      tblData_, TransferDisplay{spStatus(), pbStatus(), QtServices::instance()});
  createFindFilter();
  setAcceptDrops(true);

  closeTable();
  formCreate();
}

MainWindow::~MainWindow() {
  closeTable();
  findFilter_.reset();
  // The grid observes the data source: it goes before the table and the
  // source, which are members and would otherwise die first.
  delete grid_->widget();
  grid_.reset();
}

void MainWindow::createPages() {
  pcMorvel_ = new PageControl;
  pcMorvel_->setObjectName("pcMorvel");
  tsData_ = new QWidget;
  tsData_->setObjectName("tsData");
  auto* dataLayout = new QVBoxLayout(tsData_);
  dataLayout->setContentsMargins(0, 0, 0, 0);
  pcMorvel_->addTab(tsData_, "Data");

  tsInstructions_ = new QWidget;
  tsInstructions_->setObjectName("tsInstructions");
  auto* instructionsLayout = new QVBoxLayout(tsInstructions_);
  instructionsLayout->setContentsMargins(0, 0, 0, 0);
  memoInstructions_ = new QPlainTextEdit(tsInstructions_);
  memoInstructions_->setObjectName("memoInstructions");
  memoInstructions_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  memoInstructions_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  memoInstructions_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  instructionsLayout->addWidget(memoInstructions_);
  pcMorvel_->addTab(tsInstructions_, "Instructions");

  tsAbout_ = new QWidget;
  tsAbout_->setObjectName("tsAbout");
  aboutPage_ = new AboutPage(tsAbout_);
  auto* aboutLayout = new QVBoxLayout(tsAbout_);
  aboutLayout->setContentsMargins(0, 0, 0, 0);
  aboutLayout->addWidget(aboutPage_);
  pcMorvel_->addTab(tsAbout_, "About");
  // A click on the tab already selected must still leave the About page.
  connect(pcMorvel_, &QTabWidget::tabBarClicked, this, [this](int index) {
    if (index >= 0) showPage(pcMorvel_->widget(index));
  });
}

void MainWindow::createStatusBar() {
  auto* central = new QWidget;
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(pcMorvel_, 1);

  sbMorvel_ = new ControlWidget(std::make_unique<StatusBar>(), central);
  sbMorvel_->setObjectName("sbMorvel");
  sbMorvel_->setFixedHeight(kStatusBarHeight);
  auto& bar = sbMorvel_->controlAs<StatusBar>();
  bar.setAutoStyle(false);
  bar.setBorderInner(fsNone);
  bar.setBorderOuter(fsNone);
  bar.setBorderSides(sdAll);
  bar.setBorderWidth(0);
  bar.setHeight(kStatusBarHeight);
  layout->addWidget(sbMorvel_);

  const Font font = Font::withHeight("MS Sans Serif", -11);
  spStatus_ = new ControlWidget(std::make_unique<StatusPane>(), sbMorvel_);
  spStatus_->setObjectName("spStatus");
  auto& pane = spStatus_->controlAs<StatusPane>();
  pane.setFont(font);
  pane.setAlign(alClient);
  pane.setCaption("");
  pane.setBlinkIntervalOff(100);

  pbStatus_ = new ControlWidget(std::make_unique<ProgressBar>(), sbMorvel_);
  pbStatus_->setObjectName("pbStatus");
  auto& progress = pbStatus_->controlAs<ProgressBar>();
  progress.setFont(font);
  progress.setHeight(kStatusBarHeight);
  progress.setAlign(alRight);
  progress.setBackColor(clBtnFace);
  progress.setBorderInner(fsStatus);
  progress.setBorderOuter(fsNone);
  progress.setBorderWidth(1);
  progress.setInteriorOffset(0);
  progress.setTotalParts(0);
  progress.setPartsComplete(0);
  progress.setPercent(0);
  progress.setVisible(false);

  setCentralWidget(central);
}

void MainWindow::createMenus() {
  QMenuBar* bar = menuBar();
  bar->setObjectName("mmMorvel");
  auto addItem = [this](QMenu* menu, const char* name, const char* caption,
                        QList<QKeySequence> keys, void (MainWindow::*handler)()) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(name);
    action->setShortcuts(keys);
    action->setShortcutContext(Qt::WindowShortcut);
    connect(action, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
    return action;
  };
  QMenu* file = bar->addMenu("&File");
  file->setObjectName("miFile");
  // Beyond the menu's own keys: the shortcuts users expect on this desktop.
  addItem(file, "miOpen", "&Open...", {QKeySequence::Open}, &MainWindow::miOpenClick);
  addItem(file, "miSave", "Save &As...", {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)},
          &MainWindow::miSaveClick);
  file->addSeparator()->setObjectName("miL1");
  addItem(file, "miExit", "E&xit", {QKeySequence(Qt::CTRL | Qt::Key_Q)}, &MainWindow::miExitClick);

  QMenu* view = bar->addMenu("&View");
  view->setObjectName("miView");
  addItem(view, "miExpandAll", "&Expand All", {QKeySequence(Qt::Key_F2)},
          &MainWindow::miExpandAllClick);
  addItem(view, "miCollapseAll", "&Collapse All", {QKeySequence(Qt::Key_F3)},
          &MainWindow::miCollapseAllClick);
  addItem(view, "miSetColumns", "Set Columns...", {}, &MainWindow::miSetColumnsClick);
  view->addSeparator()->setObjectName("miL2");
  miNaturalSort_ =
      addItem(view, "miNaturalSort", "&Natural Sort Order", {}, &MainWindow::miNaturalSortClick);
  miNaturalSort_->setCheckable(true);
  miNaturalSort_->setChecked(false);
  createFindMenus(file, view);

  miAbout_ = bar->addAction("&About");
  miAbout_->setObjectName("miAbout");
  miAbout_->setVisible(false);  // shown once the window is made
  connect(miAbout_, &QAction::triggered, this, [this] { miAboutClick(); });
}

void MainWindow::formCreate() {
  pcMorvel_->setTabVisible(pcMorvel_->indexOf(tsAbout_), false);
  miAbout_->setVisible(true);
  showPage(tsData_);
  setWindowTitle(kCaption);
  QString text = QString::fromStdString(instructionsText());
  text.replace('\r', '\n');  // the box shows each CR as a line break
  memoInstructions_->setPlainText(text);
}

StatusPane& MainWindow::spStatus() const { return spStatus_->controlAs<StatusPane>(); }
ProgressBar& MainWindow::pbStatus() const { return pbStatus_->controlAs<ProgressBar>(); }

void MainWindow::closeTable() {
  tblData_.close();
  try {
    tblData_.dropTable();
  } catch (const Exception&) {
    // No table name yet, or nothing stored: nothing to drop.
  }
}

void MainWindow::openCsvFile(const std::string& fileName) {
  if (!fileExists(fileName)) return;
  // The window is busy while an import or export runs: they let pending
  // messages through so that their status text is painted, and a command
  // arriving then must not drop or rewrite the table under them.
  ValueScope<int> busy(busy_, busy_ + 1);
  closeTable();
  if (findFilter_) findFilter_->tableClosed();
  sourceFileName_ = fileName;
  lastReading_ = {};
  QtServices& services = QtServices::instance();
  services.processMessages();
  services.setScreenCursor(crHourGlass);
  // Runs on every path; during a failure its own failure must not replace
  // the one on its way. After a failed import the columns come first from
  // whatever table the import left: none when it stopped before making one,
  // else the new table's, over the records it stored. The previous file's
  // columns would show those records under names that are not theirs, or
  // none at all.
  bool imported = false;
  Finally finish([&] {
    if (!imported) {
      grid_->buildColumns();
      grid_->setKeyField("ID");
    }
    grid_->bestFitColumns();
    showPage(tsData_);
    // The arrow keys work at once, without a click into the grid first.
    grid_->widget()->setFocus(Qt::OtherFocusReason);
    services.setScreenCursor(crDefault);
    // Where and why the import stopped, and what reading changed, stay in
    // the status bar until the next command.
    lastReading_ = transfer_->readingReport();
    const std::string text = readingStatusText(lastReading_);
    spStatus().setCaption(text);
    // The whole text, for when the window is too narrow to show it.
    spStatus_->setToolTip(QString::fromStdString(text));
    if (findFilter_) findFilter_->updateCounts();
  });
  // The key field names no field while the table is rebuilt, so the grid
  // does not read the new records under the old file's columns when the
  // import lets it go; it reads them once, after its columns are rebuilt.
  grid_->setKeyField("RecordID");
  transfer_->importLines(sourceFileName_);
  grid_->buildColumns();
  grid_->setKeyField("ID");
  imported = true;
}

void MainWindow::exportLines() {
  ValueScope<int> busy(busy_, busy_ + 1);  // see openCsvFile
  exportWholeTable(*transfer_, tblData_, targetFileName_);
}

void MainWindow::beginCommand() {
  spStatus().setCaption("");
  spStatus_->setToolTip({});
}

void MainWindow::miOpenClick() {
  if (busy()) return;
  beginCommand();
  runCommand(this, [&] {
    if (diOpen_.execute(this)) openCsvFile(diOpen_.fileName());
  });
}

void MainWindow::miSaveClick() { saveAs(false); }

void MainWindow::miSaveShownClick() { saveAs(true); }

void MainWindow::saveAs(bool shownOnly) {
  if (busy()) return;
  beginCommand();
  runCommand(this, [&] {
    diSave_.setFileName("");
    // The opened file's folder is where its copy most likely goes.
    diSave_.setDirectory(
        sourceFileName_.empty()
            ? std::string()
            : QFileInfo(QString::fromStdString(sourceFileName_)).absolutePath().toStdString());
    if (!diSave_.execute(this)) return;
    targetFileName_ = diSave_.fileName();
    if (targetFileName_.empty()) return;
    const bool overSource = sameFile(targetFileName_, sourceFileName_);
    if (overSource) {
      // The file would lose what reading left out of the table.
      const std::string question = saveOverQuestion(lastReading_);
      if (!question.empty() && !askYesNo(this, question)) return;
    }
    const bool onlySome = shownOnly && tblData_.hasRecordFilter();
    if (overSource && onlySome &&
        !askYesNo(this,
                  "Only the records the filter shows will be written: the others will be "
                  "lost from the file. Save over it?")) {
      return;
    }
    if (shownOnly) {
      ValueScope<int> busy(busy_, busy_ + 1);  // see openCsvFile
      transfer_->exportLines(targetFileName_);
    } else {
      exportLines();
    }
    // The file now holds the table as it is: nothing more to lose.
    if (overSource && !onlySome) lastReading_ = {};
  });
}

void MainWindow::miExitClick() { close(); }

void MainWindow::miExpandAllClick() {
  if (busy()) return;
  beginCommand();
  runCommand(this, [&] { grid_->expandAll(); });
}

void MainWindow::miCollapseAllClick() {
  if (busy()) return;
  beginCommand();
  runCommand(this, [&] { grid_->collapseAll(); });
}

void MainWindow::miSetColumnsClick() {
  if (busy()) return;
  beginCommand();
  runCommand(this, [&] { grid_->showColumnCustomizing(); });
}

void MainWindow::miNaturalSortClick() {
  const bool natural = miNaturalSort_->isChecked();
  if (busy()) {
    miNaturalSort_->setChecked(!natural);
    return;
  }
  beginCommand();
  runCommand(this, [&] { grid_->setNaturalSortOrder(natural); });
}

void MainWindow::miAboutClick() {
  beginCommand();
  showPage(tsAbout_);
}

void MainWindow::showPage(QWidget* page) {
  // The About page has no tab: it is shown by the page stack alone, so the
  // tab bar never has to select (and draw) a tab it hides. Every page is
  // therefore shown on both, since the bar may already be on the tab.
  if (page != tsAbout_) pcMorvel_->setCurrentWidget(page);
  if (auto* stack = pcMorvel_->findChild<QStackedWidget*>()) stack->setCurrentWidget(page);
  static_cast<PageControl*>(pcMorvel_)->pageTabBar()->setNoneSelected(page == tsAbout_);
}

void MainWindow::openFromOutside(const std::string& fileName) {
  if (busy()) return;
  beginCommand();
  runCommand(this, [&] {
    // The open command passes over a name that is no file in silence; a
    // name given from outside was meant, so its user hears why nothing
    // opened.
    if (const std::string why = whyNotReadable(fileName); !why.empty()) throw Exception(why);
    openCsvFile(fileName);
  });
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
  const QList<QUrl> urls = event->mimeData()->urls();
  if (urls.size() == 1 && urls.first().isLocalFile()) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
  const QList<QUrl> urls = event->mimeData()->urls();
  if (urls.size() != 1 || !urls.first().isLocalFile()) return;
  event->acceptProposedAction();
  const std::string fileName = urls.first().toLocalFile().toStdString();
  // Opened once the drop is over, so the dragging application is not kept
  // waiting for the import.
  QMetaObject::invokeMethod(
      this, [this, fileName] { openFromOutside(fileName); }, Qt::QueuedConnection);
}

}  // namespace morvel
