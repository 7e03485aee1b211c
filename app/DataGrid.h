// The Data page's grid: the data-bound grid in its Qt widget, bound to the
// window's data source and set up as the window's layout says.
#pragma once

#include "app/ViewerGrid.h"
#include "base/Variant.h"

namespace morvel {

class ControlWidget;
class DBGrid;

class DataGrid : public ViewerGrid {
 public:
  DataGrid(DataSource& source, QWidget* page);

  // A factory for MainWindow.
  static std::unique_ptr<ViewerGrid> make(DataSource& source, QWidget* page);

  DBGrid& grid() const;

  // Groups the rows by one more column, the one bound to the named field;
  // false when no column is.
  bool groupBy(std::string_view fieldName);

  QWidget* widget() override;
  // Also drops the rows (the key field is cleared): the window's next
  // setKeyField loads them once for all the new columns.
  void buildColumns() override;
  void setKeyField(std::string_view fieldName) override;
  void bestFitColumns() override;
  void expandAll() override;
  void collapseAll() override;
  void showColumnCustomizing() override;
  void setNaturalSortOrder(bool natural) override;
  std::vector<std::string> columnFieldNames() const override;
  FindOutcome findText(std::string_view text, bool matchCase, bool forward) override;
  void clearFindMark() override;
  void setFilterText(std::string_view text) override;
  int shownRecordCount() const override;
  void setGroupCounts(bool shown) override;
  std::optional<std::string> headerValueAt(int x, int y) const override;

 private:
  ControlWidget* widget_;
  // The cell of the last match: its row's key (null: no mark) and column.
  Variant markKey_ = Variant::null();
  int markColumn_ = -1;
  bool groupCounts_ = false;
  // The filter applied: its text and the columns it looked at.
  std::string filterText_;
  std::vector<int> filterColumns_;
};

}  // namespace morvel
