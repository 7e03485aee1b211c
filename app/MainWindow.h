// The main window ("fmMorvel"): the Data page with the grid, the
// Instructions page, the About page reached through its menu item, the menus
// and the status bar. It owns the viewer's one table, its data source and
// the grid, and wires every command to the import, the export and the grid.
#pragma once

#include <QMainWindow>
#include <memory>
#include <string>

#include "app/AppDialogs.h"
#include "app/CsvTransfer.h"
#include "app/ViewerGrid.h"
#include "table/DataSource.h"
#include "table/EngineTable.h"

class QAction;
class QMenu;
class QPlainTextEdit;
class QTabWidget;

namespace morvel {

class AboutPage;
class ControlWidget;
class FindFilter;
class ProgressBar;
class StatusPane;

// The Instructions text: lines ending in a single CR, the last without one.
const std::string& instructionsText();

// Empty when the name is a plain file this program may read; else a message
// that says which failure it meets and why ("Cannot open x.csv: there is no
// such file"), for a name the user gave from outside the open dialog.
std::string whyNotReadable(const std::string& fileName);

class MainWindow : public QMainWindow {
 public:
  // The grid comes from the factory (by default the program's data grid).
  explicit MainWindow(ViewerGridFactory gridFactory = {}, QWidget* parent = nullptr);
  ~MainWindow() override;

  // The whole open sequence: a name that names no file (or a folder) is
  // ignored; otherwise the table is dropped and the file imported under the
  // wait cursor, the grid's columns rebuilt and keyed on "ID" when that
  // worked, and in every case the columns best-fitted and the Data page
  // shown. Failures propagate (the commands show them).
  void openCsvFile(const std::string& fileName);
  // Writes the table to targetFileName(); see CsvTransfer::exportLines.
  void exportLines();
  // Closes the table and drops it; a failing drop is ignored.
  void closeTable();

  // Commands, as the menu items run them; failures are shown in the error
  // box and go no further. While an import or export runs, the commands
  // that would touch the table or the grid do nothing.
  void miOpenClick();
  void miSaveClick();
  void miExitClick();
  void miExpandAllClick();
  void miCollapseAllClick();
  void miSetColumnsClick();
  void miNaturalSortClick();
  void miAboutClick();
  // Find, filter and counts (MainWindowFind.cpp).
  void miFindClick();
  void miFilterClick();
  void miGroupCountsClick();
  // Writes only the records the filter shows, as Save As writes the table.
  void miSaveShownClick();
  FindFilter& findFilter() const { return *findFilter_; }

  // Opens a file as the open command does, with failures shown (the
  // command line, a dropped file). A name that is missing, a folder or not
  // readable is reported too, saying which and why.
  void openFromOutside(const std::string& fileName);

  // What the last import reported: where and why it stopped, and what
  // reading changed. Cleared when a Save As writes over that file.
  const ReadingReport& lastReading() const { return lastReading_; }

  bool busy() const { return busy_ > 0; }

  EngineTable& tblData() { return tblData_; }
  DataSource& dsData() { return dsData_; }
  ViewerGrid& gridData() { return *grid_; }
  StatusPane& spStatus() const;
  ProgressBar& pbStatus() const;
  QTabWidget* pcMorvel() const { return pcMorvel_; }
  QWidget* tsData() const { return tsData_; }
  QWidget* tsInstructions() const { return tsInstructions_; }
  QWidget* tsAbout() const { return tsAbout_; }
  QPlainTextEdit* memoInstructions() const { return memoInstructions_; }
  AboutPage* aboutPage() const { return aboutPage_; }
  FileDialog& diOpen() { return diOpen_; }
  FileDialog& diSave() { return diSave_; }
  const std::string& sourceFileName() const { return sourceFileName_; }
  const std::string& targetFileName() const { return targetFileName_; }

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void createMenus();
  void createPages();
  void createStatusBar();
  void formCreate();
  void showPage(QWidget* page);
  // Every command starts by clearing what the status bar says about the
  // last import.
  void beginCommand();
  void createFindMenus(QMenu* file, QMenu* view);
  void createFindFilter();
  // Save As, of the whole table or of the records the filter shows.
  void saveAs(bool shownOnly);

  EngineTable tblData_{"tblData"};
  DataSource dsData_{"dsData"};
  std::unique_ptr<ViewerGrid> grid_;
  QTabWidget* pcMorvel_ = nullptr;
  QWidget* tsData_ = nullptr;
  QWidget* tsInstructions_ = nullptr;
  QWidget* tsAbout_ = nullptr;
  QPlainTextEdit* memoInstructions_ = nullptr;
  AboutPage* aboutPage_ = nullptr;
  ControlWidget* sbMorvel_ = nullptr;
  ControlWidget* spStatus_ = nullptr;
  ControlWidget* pbStatus_ = nullptr;
  QAction* miAbout_ = nullptr;
  QAction* miNaturalSort_ = nullptr;
  QAction* miGroupCounts_ = nullptr;
  std::unique_ptr<FindFilter> findFilter_;
  bool countsPending_ = false;
  FileDialog diOpen_{FileDialogKind::open, "diOpen"};
  FileDialog diSave_{FileDialogKind::save, "diSave"};
  std::string sourceFileName_;
  std::string targetFileName_;
  std::unique_ptr<CsvTransfer> transfer_;
  ReadingReport lastReading_;
  // Imports and exports under way (see openCsvFile).
  int busy_ = 0;
};

}  // namespace morvel
