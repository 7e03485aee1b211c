// Grid set-up from the table; see GridSetup.h.
#include "app/GridSetup.h"

#include "grid/db/CustomDBGrid.h"
#include "grid/db/DBGridColumns.h"

namespace morvel {

void configureViewerGrid(DBGrid& grid) {
  grid.setDefaultLayout(true);
  grid.setHeaderPanelRowCount(1);
  grid.setKeyField("RecordID");
  grid.setShowGroupPanel(true);
  grid.summaryGroups().clear();
  grid.setSummarySeparator(", ");
  grid.setOptions(GridOptions{goColumnSizing, goColumnMoving, goTabThrough, goRowSelect,
                              goCanDelete, goConfirmDelete, goCanNavigation, goCancelOnExit,
                              goImmediateEditor, goCanInsert, goLoadAllRecords, goIndicator,
                              goSmartReload, goSmartRefresh});
  grid.setOptionsEx(GridOptionsEx{goUseBitmap, goBandHeaderWidth, goBandSizing, goBandMoving,
                                  goVertThrough, goEnterShowEditor, goDragScroll, goAutoSort,
                                  goMultiSort, goCollapsedReload});
}

void buildColumns(CustomDBGrid& grid) {
  // One layout and one regrouping for the whole set of columns, not one per
  // column.
  CustomTreeList::UpdateLock lock(grid);
  grid.clearColumns();
  DataSet* data = grid.dataSet();
  if (!data) return;
  for (int p = 0; p < data->fieldTotal(); ++p) {
    const Field& field = *data->field(p);
    if (!field.visible()) continue;
    auto* column = static_cast<DBTreeListColumn*>(grid.createColumn(columnClassFor(field)));
    column->setFieldName(field.fieldName());
  }
}

void bestFitColumns(CustomDBGrid& grid) {
  // Every column in one walk over the rows, and one relayout at the end:
  // a column's best width depends on its own texts alone, so the widths
  // are those of fitting the columns one by one.
  if (grid.columnCount() > 0) grid.applyBestFit(nullptr);
}

}  // namespace morvel
