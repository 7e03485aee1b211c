// The Data page's grid; see DataGrid.h.
#include "app/DataGrid.h"

#include "app/GridSetup.h"
#include "grid/db/CustomDBGrid.h"
#include "grid/db/DBGridFind.h"
#include "platform/qt/ControlWidget.h"

namespace morvel {

DataGrid::DataGrid(DataSource& source, QWidget* page)
    : widget_(new ControlWidget(std::make_unique<DBGrid>(), page)) {
  configureViewerGrid(grid());
  grid().setDataSource(&source);
}

std::unique_ptr<ViewerGrid> DataGrid::make(DataSource& source, QWidget* page) {
  return std::make_unique<DataGrid>(source, page);
}

DBGrid& DataGrid::grid() const { return widget_->controlAs<DBGrid>(); }
QWidget* DataGrid::widget() { return widget_; }
void DataGrid::buildColumns() {
  // A new column fetches its value for every row, so with the rows of a big
  // file loaded, making the columns anew would read the table once per
  // column. The rows go first (a key field naming no field loads none) and
  // come back in one load when the window sets the key field again.
  grid().setKeyField("");
  clearFindMark();
  morvel::buildColumns(grid());
  if (groupCounts_) showGroupCounts(grid(), true);
  // A new file starts at its first column, wherever the last one was
  // scrolled to.
  grid().setLeftCoord(0);
}

void DataGrid::setKeyField(std::string_view fieldName) { grid().setKeyField(fieldName); }
void DataGrid::bestFitColumns() { morvel::bestFitColumns(grid()); }
void DataGrid::expandAll() { grid().expandAll(); }
void DataGrid::collapseAll() { grid().collapseAll(); }
void DataGrid::showColumnCustomizing() { grid().columnsCustomizing(); }
void DataGrid::setNaturalSortOrder(bool natural) { grid().setNaturalSortOrder(natural); }

bool DataGrid::groupBy(std::string_view fieldName) {
  for (int i = 0; i < grid().columnCount(); ++i) {
    DBTreeListColumn* column = grid().dbColumn(i);
    if (column && column->fieldName() == fieldName) {
      return grid().addGroupColumn(grid().groupColumnCount(), column);
    }
  }
  return false;
}

std::vector<std::string> DataGrid::columnFieldNames() const {
  std::vector<std::string> names;
  for (int i = 0; i < grid().columnCount(); ++i) names.push_back(grid().dbColumn(i)->fieldName());
  return names;
}

}  // namespace morvel
