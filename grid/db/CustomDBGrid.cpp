// The data-bound grid's creation and binding to its dataset: its columns,
// options, the data link's hooks, and its drawing and input hooks. Loading
// is in DBGridLoading.cpp, what rows show and sort by in DBGridValues.cpp,
// the focus and the current record in DBGridFocus.cpp, grouping in
// DBGridGrouping.cpp and data changes in DBGridChanges.cpp.
#include "grid/db/CustomDBGrid.h"

#include <algorithm>

#include "base/ScopeGuard.h"
#include "table/DataSet.h"

namespace morvel {

namespace {

std::vector<CustomDBGrid*>& liveGrids() {
  static std::vector<CustomDBGrid*> grids;
  return grids;
}

}  // namespace

// --- CustomDBTreeListControl -------------------------------------------------------

DataSet* CustomDBTreeListControl::dataSet() const {
  DataSource* source = dataSource();
  return source ? source->dataSet() : nullptr;
}

TreeListColumn* CustomDBTreeListControl::createColumn(std::unique_ptr<TreeListColumn> column) {
  checkColumnListChange();
  return CustomTreeListControl::createColumn(std::move(column));
}

std::unique_ptr<TreeListColumn> CustomDBTreeListControl::newColumn() const {
  return std::make_unique<DBGridColumn>();
}

// --- Creation -------------------------------------------------------------------------

CustomDBGrid::CustomDBGrid() : dataLink_(*this) { setUpNewGrid(); }

CustomDBGrid::CustomDBGrid(ControlHost& host) : CustomDBTreeListControl(host), dataLink_(*this) {
  setUpNewGrid();
}

void CustomDBGrid::setUpNewGrid() {
  // Rows keep their selection colours while the grid is not focused.
  TreeListColors look = colors();
  look.hideSelectionColor = look.highlightColor;
  look.hideSelectionTextColor = look.highlightTextColor;
  setColors(look);
  setShowGrid(true);
  liveGrids().push_back(this);
}

CustomDBGrid::~CustomDBGrid() {
  // A layout that cannot be written is lost; the grid goes regardless.
  try {
    storeLayout();
  } catch (...) {
  }
  gridDestroying_ = true;
  dropHiddenRows();
  std::erase(liveGrids(), this);
  if (keyField_) keyField_->removeFreeNotification(&keyField_);
  if (previewField_) previewField_->removeFreeNotification(&previewField_);
  // The link goes first, so that no notification reaches a grid half gone.
  dataLink_.setDataSource(nullptr);
  groupColumns_.clear();
  watchList_.clear();
  keyIndex_.invalidate();
  changingNode_ = nullptr;
}

const std::vector<CustomDBGrid*>& CustomDBGrid::gridList() { return liveGrids(); }

std::unique_ptr<TreeListTextNode> CustomDBGrid::createTextNode() {
  return std::make_unique<DBGridNode>(this);
}

void CustomDBGrid::checkColumnListChange() const {
  if (defaultFields_) throw Exception("");
}

DBTreeListColumn* CustomDBGrid::dbColumnSlow(int index) const {
  if (!columnCacheValid_) {
    columnCache_.clear();
    for (int i = 0; i < columnCount(); ++i) {
      columnCache_.push_back(dynamic_cast<DBTreeListColumn*>(columns(i)));
    }
    columnCacheValid_ = true;
  }
  return index >= 0 && index < static_cast<int>(columnCache_.size())
             ? columnCache_[static_cast<std::size_t>(index)]
             : nullptr;
}

void CustomDBGrid::columnChanged(TreeListColumn* column) {
  if (!column) columnCacheValid_ = false;
  CustomDBTreeListControl::columnChanged(column);
}

void CustomDBGrid::columnMoved(int from, int to) {
  columnCacheValid_ = false;
  CustomDBTreeListControl::columnMoved(from, to);
  // The typed values (keys, dates) are kept by column position too: they
  // move with their column, or sorting and grouping would read another's.
  forEachNode([&](TreeListNode* node) { dbNode(*node).moveCellColumn(from, to); });
  for (const auto& row : hiddenRows_) {
    dbNode(*row).texts().move(from, to);
    dbNode(*row).moveCellColumn(from, to);
  }
}

void CustomDBGrid::clearColumns() {
  if (!destroying() && !locked()) checkColumnListChange();
  CustomDBTreeListControl::clearColumns();
}

std::unique_ptr<TreeListColumn> CustomDBGrid::removeColumn(TreeListColumn* column) {
  columnCacheValid_ = false;
  // The hidden rows' cells would no longer line up with the columns.
  dropHiddenRows();
  auto* dbc = dynamic_cast<DBTreeListColumn*>(column);
  if (dbc) {
    const auto it = std::find(groupColumns_.begin(), groupColumns_.end(), dbc);
    if (it != groupColumns_.end()) {
      // The column leaves the grouping without a reload: the caller rebuilds.
      groupColumns_.erase(it);
      for (std::size_t i = 0; i < groupColumns_.size(); ++i) {
        groupColumns_[i]->groupIndex_ = static_cast<int>(i);
      }
      regroupPending_ = loadAllMode();
    }
    dbc->groupIndex_ = -1;
  }
  return CustomDBTreeListControl::removeColumn(column);
}

void CustomDBGrid::setComponentLoading(bool loading) {
  if (loading == componentLoading_) return;
  componentLoading_ = loading;
  if (loading) return;
  // The stored layout brings group indexes of its own: it is read before
  // the grouping is applied, so that one regrouping serves both.
  restoreLayout();
  applyStoredGrouping();
}

// --- Options -----------------------------------------------------------------------

bool CustomDBGrid::loadAllMode() const {
  return options().has(goLoadAllRecords) || (dataLink_.linkActive() && !groupColumns_.empty());
}

void CustomDBGrid::setOptions(GridOptions value) {
  const GridOptions old = options();
  if (value == old) return;
  CustomDBTreeListControl::setOptions(value);
  if (value.has(goRowSelect) && !old.has(goRowSelect) && optionsEx().has(goInvertSelect)) {
    CustomDBTreeListControl::setOptionsEx(optionsEx().without(goInvertSelect));
  }
  if (value.has(goLoadAllRecords) != old.has(goLoadAllRecords)) {
    if (value.has(goLoadAllRecords)) defaultFields_ = false;
    if (groupColumns_.empty()) {
      beginGroupChange();
      endGroupChange();
    }
  }
  if (value.has(goCanNavigation) != old.has(goCanNavigation)) applyStoredGrouping();
}

void CustomDBGrid::setOptionsEx(GridOptionsEx value) {
  const GridOptionsEx old = optionsEx();
  if (value == old) return;
  CustomDBTreeListControl::setOptionsEx(value);
  if (value.has(goInvertSelect) && !old.has(goInvertSelect) && options().has(goRowSelect)) {
    CustomDBTreeListControl::setOptions(options().without(goRowSelect));
  }
}

void CustomDBGrid::setDefaultFields(bool value) {
  if (value == defaultFields_) return;
  defaultFields_ = value;
  if (value && options().has(goLoadAllRecords)) {
    CustomDBTreeListControl::setOptions(options().without(goLoadAllRecords));
  }
  reloadAll();
}

void CustomDBGrid::setPreviewFieldName(std::string_view name) {
  if (name == previewFieldName_) return;
  previewFieldName_ = name;
  reloadAll();
}

// --- Binding -----------------------------------------------------------------------

void CustomDBGrid::setDataSource(DataSource* source) {
  if (source == dataLink_.dataSource()) return;
  dropNodeData();
  // Attaching reports the link's state; an active link reloads through
  // linkActiveChanged.
  const bool wasActive = dataLink_.linkActive();
  dataLink_.setDataSource(source);
  if (wasActive == dataLink_.linkActive() && !loadAllMode()) linkActiveChanged();
}

void CustomDBGrid::setKeyField(std::string_view name) {
  if (name == keyFieldName_) return;
  keyFieldName_ = name;
  if (!dataLink_.linkActive()) hideEditing();
  reloadAll();
}

void CustomDBGrid::lookupKeyField() {
  Field* found = nullptr;
  DataSet* ds = dataSet();
  if (dataLink_.linkActive() && ds && !keyFieldName_.empty())
    found = ds->lookupField(keyFieldName_);
  if (found == keyField_) return;
  if (keyField_) keyField_->removeFreeNotification(&keyField_);
  keyField_ = found;
  if (keyField_)
    keyField_->addFreeNotification(&keyField_, [this](Field&) { keyField_ = nullptr; });
}

void CustomDBGrid::clearAllNodes() {
  keyIndex_.invalidate();
  dropHiddenRows();
  changingNode_ = nullptr;
  // Rows are freed in the order of their addresses rather than in display
  // order: after a sort that order is random, and freeing a million blocks
  // at random leaves the heap so cut up that the reload that follows
  // allocates far more slowly.
  // Rows as a load made them are in that order already.
  NodeList& top = topNodeList();
  if (top.count() > 1) {
    std::vector<TreeListNode*> order(static_cast<std::size_t>(top.count()));
    for (int i = 0; i < top.count(); ++i) order[static_cast<std::size_t>(i)] = top.at(i);
    if (!std::is_sorted(order.begin(), order.end(), std::less<>())) {
      std::sort(order.begin(), order.end(), std::less<>());
      reorderSiblings(top, order);
    }
  }
  clearNodes();
}

void CustomDBGrid::dropNodeData() {
  if (!destroying()) clearSelection();
  selectionCopy_.clear();
}

void CustomDBGrid::linkActiveChanged() {
  if (gridDestroying_) return;
  if (!dataLink_.linkActive()) hideEditing();
  reloadAll();
}

void CustomDBGrid::linkLayoutChanged() {
  if (!loadAllMode()) {
    linkDataChanged();
    return;
  }
  beginGroupChange();
  recomputeLayout();
  layoutChanging_ = true;
  endGroupChange();
  if (groupBatch_.depth > 0) linkDataChanged();
}

void CustomDBGrid::linkUpdateData() {
  // No cell editor writes here: cells are shown, not edited.
  dataLink_.setEditPending(false);
}

void CustomDBGrid::linkFocusField(Field* field) {
  if (!field || !options().has(goCanNavigation)) return;
  if (rowSelect()) return;
  for (int i = 0; i < visibleColumnCount(); ++i) {
    auto* column = dynamic_cast<DBTreeListColumn*>(visibleColumns(i));
    if (column && column->field() == field) {
      CustomTreeList::setFocusedNode(focusedNode(), column->index(), false);
      host().setFocus();
      return;
    }
  }
}

void CustomDBGrid::computeLayout() {
  if (loadAllMode()) dataLink_.setWindowSize(1);
  CustomDBTreeListControl::computeLayout();
}

// --- Drawing and input hooks ------------------------------------------------------

IndicatorImage CustomDBGrid::indicatorImage(const TreeListNode& node) const {
  const DataSet* ds = dataSet();
  if (node.focused() && ds && dataLink_.linkActive()) {
    if (ds->state() == stEdit) return iiEdit;
    if (ds->state() == stInsert) return iiInsert;
  }
  return CustomDBTreeListControl::indicatorImage(node);
}

void CustomDBGrid::linkEditingChanged() { invalidateRow(focusedNode()); }

bool CustomDBGrid::hasCustomDraw(const TreeListColumn* column) const {
  return onCustomDraw || CustomDBTreeListControl::hasCustomDraw(column);
}

bool CustomDBGrid::customDrawCell(Canvas& canvas, const Rect& rect, TreeListNode* node,
                                  TreeListColumn* column, bool selected, bool focused,
                                  std::string& text, Color& color, Font& font,
                                  Alignment& alignment) {
  if (onCustomDraw) {
    bool done = false;
    onCustomDraw(*this, canvas, rect, node, dynamic_cast<DBTreeListColumn*>(column), selected,
                 focused, text, color, font, alignment, done);
    if (done) return true;
  }
  return CustomDBTreeListControl::customDrawCell(canvas, rect, node, column, selected, focused,
                                                 text, color, font, alignment);
}

void CustomDBGrid::mouseDown(MouseButton button, ShiftState shift, Point p) {
  if (button == mbLeft && (shift & ssDouble) != 0 && mouseState() == MouseState::Idle) {
    const TreeListHitInfo hit = getHitInfo(p);
    if (inRowSet(hit.hitType) && hit.node && !isGroupNode(hit.node)) {
      if (onDblClick) onDblClick(*this);
      return;
    }
  }
  CustomDBTreeListControl::mouseDown(button, shift, p);
}

}  // namespace morvel
