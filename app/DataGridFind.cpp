// The Data page grid's find, filter and counts; see ViewerGrid.h.
#include "app/DataGrid.h"
#include "grid/db/CustomDBGrid.h"
#include "grid/db/DBGridFind.h"
#include "platform/qt/ControlWidget.h"

namespace morvel {

namespace {

// The marked cell: a light yellow, as a highlighter leaves it.
constexpr Color kMarkBack = rgb(255, 236, 139);
constexpr Color kMarkText = rgb(0, 0, 0);

}  // namespace

ViewerGrid::FindOutcome DataGrid::findText(std::string_view text, bool matchCase, bool forward) {
  DBGrid& g = grid();
  TreeListNode* from = g.focusedNode();
  int fromColumn = -1;
  // Searching again goes on after the marked cell, when the focus is still
  // on its row.
  if (from && !markKey_.isNull() && CustomDBGrid::dbNode(*from).keyValue().compare(markKey_) == 0) {
    fromColumn = markColumn_;
  }
  const GridFindResult found =
      findInGrid(g, TextSearch(text, matchCase), from, fromColumn, forward);
  if (!found.node) return {};
  showGridNode(g, found.node);
  markKey_ = CustomDBGrid::dbNode(*found.node).keyValue().toVariant();
  markColumn_ = found.column;
  // Drawn by a handler only while a cell is marked: the grid's painting is
  // its own otherwise.
  g.onCustomDraw = [this](CustomDBGrid&, Canvas&, const Rect&, TreeListNode* node,
                          DBTreeListColumn* column, bool, bool, std::string&, Color& color,
                          Font& font, Alignment&, bool&) {
    if (!node || !column || column->index() != markColumn_ || CustomDBGrid::isGroupNode(node)) {
      return;
    }
    if (CustomDBGrid::dbNode(*node).keyValue().compare(markKey_) != 0) return;
    color = kMarkBack;
    font.color = kMarkText;
  };
  g.invalidate();
  return {true, found.wrapped};
}

void DataGrid::clearFindMark() {
  if (markKey_.isNull()) return;
  markKey_ = Variant::null();
  markColumn_ = -1;
  grid().onCustomDraw = nullptr;
  grid().invalidate();
}

void DataGrid::setFilterText(std::string_view text) {
  DBGrid& g = grid();
  DataSet* ds = g.dataSet();
  if (!ds || !ds->active()) return;
  clearFindMark();
  if (text.empty()) {
    if (ds->hasRecordFilter()) filterGridRecords(g, {});
    filterText_.clear();
    return;
  }
  // The rows shown hold every record the new text keeps when there was no
  // filter, or when the new text narrows the last one over the same columns
  // (typing on): the others need not be read again.
  const std::vector<int> columns = gridVisibleColumns(g);
  const bool rowsHoldEveryMatch =
      !ds->hasRecordFilter() ||
      (!filterText_.empty() && filterTextNarrows(text, filterText_) && columns == filterColumns_);
  filterGridRecords(g, gridTextFilter(g, text, rowsHoldEveryMatch));
  filterText_ = text;
  filterColumns_ = columns;
}

int DataGrid::shownRecordCount() const { return gridDataRowCount(grid()); }

void DataGrid::setGroupCounts(bool shown) {
  groupCounts_ = shown;
  showGroupCounts(grid(), shown);
}

std::optional<std::string> DataGrid::headerValueAt(int x, int y) const {
  const DBGrid& g = grid();
  const TreeListHitInfo hit = g.getHitInfo({x, y});
  if (hit.hitType != htHeader || hit.columnIndex < 0) return std::nullopt;
  TreeListNode* node = g.focusedNode();
  if (!node || CustomDBGrid::isGroupNode(node)) return std::string();
  std::string buffer;
  return std::string(g.getNodeString(*node, hit.columnIndex, buffer));
}

}  // namespace morvel
