// Find, quick filter and record counts for the main window: the find bar
// under the grid, the filter it types into the table's record filter
// (through the grid, which knows what each column shows), the status texts
// of a search, and the counts pane at the right of the status bar. None of
// it changes what the window does while it is not used.
#pragma once

#include <functional>
#include <memory>
#include <string>

class QMenu;
class QWidget;

namespace morvel {

class ControlWidget;
class CsvTransfer;
class DataSet;
class FindBar;
class PlatformServices;
class StatusPane;
class Timer;
class ViewerGrid;

class FindFilter {
 public:
  // The bar goes into `dataPage`'s layout, under the grid; the counts pane
  // onto `statusBar`, left of the controls already aligned to its right.
  FindFilter(ViewerGrid& grid, DataSet& table, StatusPane& status, QWidget* dataPage,
             ControlWidget* statusBar, PlatformServices& services);
  ~FindFilter();

  FindBar& bar() const { return *bar_; }
  StatusPane& countsPane() const;
  ControlWidget* countsWidget() const { return countsWidget_; }

  // Edit > Find... and View > Filter...: the bar in that mode.
  void openFind();
  void openFilter();
  // Finds the bar's text, forward or back, telling in the status bar when
  // the search wrapped or found nothing.
  void findNext(bool forward);
  // The filter text changed by typing: applied once typing pauses.
  void filterEdited();
  // Applies the bar's filter text now (what the pause timer does).
  void applyFilterNow();
  // The menu of a column header at a point of the grid's widget: "Filter by
  // this value" (the focused row's value in that column) and "Clear
  // filter"; none when the point is on no column header. The caller owns it.
  QMenu* headerMenu(int x, int y);
  // The header menu's items.
  void filterByValue(const std::string& value);
  void clearFilter();
  bool filtering() const { return !appliedFilter_.empty(); }
  const std::string& appliedFilter() const { return appliedFilter_; }
  bool filterPending() const;

  // The table was closed (a new file comes): the filter goes with it.
  void tableClosed();
  // "1,000,000 records", "1,234 of 1,000,000 records", or nothing without
  // a table.
  std::string countsText() const;
  void updateCounts();

  // Whether the window is importing or exporting; a search or filter then
  // waits (the filter's timer tries again), since the table is being made
  // or walked.
  std::function<bool()> busy;

  // How long typing must pause before the filter applies.
  static constexpr int kFilterDelayMs = 300;

 private:
  ViewerGrid& grid_;
  DataSet& table_;
  StatusPane& status_;
  FindBar* bar_;
  ControlWidget* countsWidget_;
  std::unique_ptr<Timer> filterTimer_;
  std::string appliedFilter_;
};

// Writes every record of the table to the file, whatever its filter shows,
// as Save As does: the walk sees every record and the observers hear of it
// once, filtered again. Without a filter, the transfer's own export.
void exportWholeTable(CsvTransfer& transfer, DataSet& table, const std::string& fileName);

// "1,234": whole numbers with the thousands separator of the user's settings.
std::string countText(long long n);

}  // namespace morvel
