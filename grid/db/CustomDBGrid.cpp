// The data-bound grid's binding to its dataset: options, the data link's
// hooks, loading every record into nodes, node values and texts, and moving
// between the focused row and the dataset's current record. Grouping and
// data changes are in DBGridGrouping.cpp and DBGridChanges.cpp.
#include "grid/db/CustomDBGrid.h"

#include <algorithm>
#include <optional>

#include "base/StringUtils.h"
#include "grid/db/DBGridSupport.h"
#include "table/DataSet.h"

namespace morvel {

namespace {

std::vector<CustomDBGrid*>& liveGrids() {
  static std::vector<CustomDBGrid*> grids;
  return grids;
}

using dbgrid::editingState;
using dbgrid::FlagScope;

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

CustomDBGrid::CustomDBGrid(ControlHost& host) : CustomDBTreeListControl(host), dataLink_(*this) {
  // Rows keep their selection colours while the grid is not focused.
  hideSelectionColor = highlightColor;
  hideSelectionTextColor = highlightTextColor;
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
}

void CustomDBGrid::clearColumns() {
  if (!destroying() && !locked()) checkColumnListChange();
  CustomDBTreeListControl::clearColumns();
}

std::unique_ptr<TreeListColumn> CustomDBGrid::removeColumn(TreeListColumn* column) {
  columnCacheValid_ = false;
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
  changingNode_ = nullptr;
  // Rows are freed in the order of their addresses rather than in display
  // order: after a sort that order is random, and freeing a million blocks
  // at random leaves the heap so cut up that the reload that follows
  // allocates far more slowly.
  NodeList& top = topNodeList();
  if (top.count() > 1) {
    std::vector<TreeListNode*> order(static_cast<std::size_t>(top.count()));
    for (int i = 0; i < top.count(); ++i) order[static_cast<std::size_t>(i)] = top.at(i);
    std::sort(order.begin(), order.end(), std::less<>());
    reorderSiblings(top, order);
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
  if (groupBatch_ > 0) linkDataChanged();
}

void CustomDBGrid::linkUpdateData() {
  FlagScope inUpdate(inUpdate_, true);
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

// --- Loading -----------------------------------------------------------------------

void CustomDBGrid::reloadAll() {
  UpdateLock lock(*this);
  hideEditing();
  const bool regroup = regroupPending_ && options().has(goSmartReload) && loadAllMode();
  if (!regroup) clearAllNodes();
  dropNodeData();
  dataLink_.clearFieldMap();
  DataSet* ds = dataSet();
  if (dataLink_.linkActive() && ds) {
    if (defaultFields_) {
      for (int i = 0; i < ds->fieldTotal(); ++i) {
        if (ds->field(i)->visible()) dataLink_.addFieldMapEntry(ds->field(i)->fieldName());
      }
    } else {
      for (int i = 0; i < columnCount(); ++i) {
        DBTreeListColumn* column = dbColumn(i);
        dataLink_.addFieldMapEntry(column ? column->fieldName() : std::string());
      }
    }
  }
  {
    // Rebinding may take a column without its field out of the grouping;
    // the load below applies that, so no reload may start meanwhile.
    ++groupBatch_;
    struct Restore {
      int& count;
      ~Restore() { --count; }
    } restore{groupBatch_};
    for (int i = 0; i < columnCount(); ++i) {
      if (DBTreeListColumn* column = dbColumn(i)) column->setFieldName(column->fieldName());
    }
  }
  loadRecords(nullptr);
  if (onReloadGroupList) onReloadGroupList(*this);
}

void CustomDBGrid::storeCell(DBGridNode& node, DBTreeListColumn& column) {
  const int index = column.index();
  if (index < 0) return;
  std::string text;
  column.storedCellText(text);
  node.texts().set(index, text);
  NodeVariantData data;
  Field* field = column.field();
  if (field) {
    const FieldType type = field->dataType();
    const bool valued = (type >= ftSmallint && type <= ftDateTime) || type == ftAutoInc ||
                        (type == ftString && (field->onGetText || !field->editMask().empty())) ||
                        column.storesValues();
    if (valued) {
      data.presenceBits |= NodeVariantData::kCellValue;
      data.cellValue = field->variantValue();
    }
  }
  node.setNodeVariantData(index, data);
}

void CustomDBGrid::storeRecord(DBGridNode& node) {
  // Every cell at once: one block for the texts, built in buffers that the
  // next record reuses.
  const int n = columnCount();
  cellTexts_.resize(static_cast<std::size_t>(n));
  cellViews_.resize(static_cast<std::size_t>(n));
  std::vector<std::string>& texts = cellTexts_;
  std::vector<std::string_view>& views = cellViews_;
  std::vector<PackedValue>& cells = cellValues_;
  cells.clear();
  for (int i = 0; i < n; ++i) {
    DBTreeListColumn* column = dbColumn(i);
    const auto at = static_cast<std::size_t>(i);
    if (!column || !column->field()) {
      texts[at] = node.texts().get(i);
      views[at] = texts[at];
      continue;
    }
    Field* field = column->field();
    const FieldType type = field->dataType();
    const bool valued = (type >= ftSmallint && type <= ftDateTime) || type == ftAutoInc ||
                        (type == ftString && (field->onGetText || !field->editMask().empty())) ||
                        column->storesValues();
    if (valued) {
      // One read of the field gives both the value and, for dates, the text.
      const Variant value = field->variantValue();
      if (column->dateField_ && value.kind() == vkDate && column->showsOwnText() &&
          at < dateTexts_.size()) {
        // What storedCellText gives, found again for a date met before.
        dateTexts_[at].text(*column->dateField_, value.dateValue(), texts[at]);
      } else {
        column->storedCellText(value, texts[at]);
      }
      cells.emplace_back(value);
      cells.back().setAux(static_cast<std::uint16_t>(i), 0);
    } else {
      column->storedCellText(texts[at]);
    }
    views[at] = texts[at];
  }
  node.assignCells(cells);
  node.texts().assign(views);
  const Variant key = keyField_ ? keyField_->variantValue() : Variant::null();
  if (keyIndex_.valid() && node.keyValue().compare(key) != 0) keyIndex_.invalidate();
  node.setKeyValue(key);
  if (previewField_) {
    try {
      std::string text =
          previewField_->onGetText ? previewField_->displayString() : previewField_->asText();
      if (previewMaxLength_ > 0 && static_cast<int>(text.size()) > previewMaxLength_) {
        text.resize(static_cast<std::size_t>(previewMaxLength_));
        text += "...";
      }
      node.setPreviewText(std::move(text));
    } catch (const std::exception&) {
      // The old text stays.
    }
  }
}

void CustomDBGrid::loadRecords(std::vector<DBGridNode*>* reuseList) {
  if (componentLoading_) return;
  struct Flags {
    CustomDBGrid& grid;
    ~Flags() {
      grid.loading_ = false;
      grid.regroupPending_ = false;
      // Texts kept for one load only: the format settings may change.
      grid.dateTexts_.clear();
    }
  } flags{*this};
  loading_ = true;
  lookupKeyField();
  if (!keyField_ && options().has(goCanNavigation)) return;
  DataSet* ds = dataSet();
  if (dataLink_.linkActive() && ds && ds->active() && !groupColumns_.empty()) {
    ++groupBatch_;
    struct Restore {
      int& count;
      ~Restore() { --count; }
    } restore{groupBatch_};
    for (int i = groupColumnCount() - 1; i >= 0; --i) {
      if (!groupColumns_[static_cast<std::size_t>(i)]->field()) removeGroupColumn(i);
    }
  }
  if (!loadAllMode() || groupingBlocked() || !ds || !ds->active()) return;

  const bool regroup = regroupPending_ && options().has(goSmartReload) && loadAllMode();
  Field* preview = previewFieldName_.empty() ? nullptr : ds->lookupField(previewFieldName_);
  if (preview) {
    const FieldType t = preview->dataType();
    const bool blob = t >= ftBlob && t <= ftTypedBinary;
    if (blob && t != ftMemo && t != ftFmtMemo) preview = nullptr;
  }
  if (preview != previewField_) {
    if (previewField_) previewField_->removeFreeNotification(&previewField_);
    previewField_ = preview;
    if (previewField_) {
      previewField_->addFreeNotification(&previewField_,
                                         [this](Field&) { previewField_ = nullptr; });
    }
  }
  if (!regroup) resetFooterSummaries();
  if (savedTopKey_.isEmpty()) {
    savedTopKey_ = Variant::null();
    savedTopLevel_ = 0;
  }

  std::string mark;
  std::optional<SuspendedLinks> suspended;
  if (!regroup) {
    mark = ds->positionMark();
    suspended.emplace(*ds);
    if (dataLink_.linkActive() && editingState(ds)) ds->cancelChanges();
  }
  std::optional<ScopedScreenCursor> hourglass;
  if (options().has(goShowHourGlass)) hourglass.emplace(host(), crHourGlass);

  const bool wasAtStart = ds->atStart();
  const bool wasAtEnd = ds->atEnd();
  if (!regroup) ds->goFirst();
  int counter = 0;
  if (onClearNodeData) onClearNodeData(*this);
  TreeListNode* newTop = nullptr;
  const bool summaries = anySummaries();

  if (!regroup) {
    dateTexts_.assign(static_cast<std::size_t>(columnCount()), DateTextMemo());
    if (keyField_) {
      keyIndex_.begin();
    } else {
      keyIndex_.invalidate();
    }
    std::vector<bool> taken(reuseList ? reuseList->size() : 0);
    const bool groups = !groupColumns_.empty();
    const bool topKey = !savedTopKey_.isBlank();
    LastGroupPath lastPath;
    while (!ds->atEnd()) {
      DBGridNode* node = nullptr;
      if (groups) {
        DBGridNode* parent = nullptr;
        for (int level = 0; level < groupColumnCount(); ++level) {
          Field* f = groupColumns_[static_cast<std::size_t>(level)]->field();
          parent = groupRowFor(lastPath, parent, level, f->variantValue(), 0, nullptr, counter);
        }
        if (reuseList && keyField_) {
          const Variant key = keyField_->variantValue();
          const auto it = std::lower_bound(reuseList->begin(), reuseList->end(), key,
                                           [](const DBGridNode* n, const Variant& k) {
                                             try {
                                               return n->keyValue().compare(k) < 0;
                                             } catch (const std::exception&) {
                                               return true;
                                             }
                                           });
          if (it != reuseList->end()) {
            const auto at = static_cast<std::size_t>(it - reuseList->begin());
            bool equal = false;
            try {
              equal = (*it)->keyValue().compare(key) == 0;
            } catch (const std::exception&) {
            }
            if (equal && !taken[at] && (*it)->parent() == parent) {
              taken[at] = true;
              node = *it;
            }
          }
        }
        if (!node) node = &dbNode(*parent->addChild());
      } else {
        node = &dbNode(*addNode());
        node->setGroupValue(Variant::null());
      }
      storeRecord(*node);
      node->setRecordIndex(counter);
      if (onRefreshNodeData) onRefreshNodeData(*this, node);
      if (summaries) addToSummaries(*node, true);
      if (topKey && node->keyValue().compare(savedTopKey_) == 0) {
        TreeListNode* top = node;
        while (top->parent() && top->level() > savedTopLevel_) top = top->parent();
        newTop = top;
      }
      keyIndex_.add(node->keyValue(), node);
      ds->goNext();
      ++counter;
    }
    keyIndex_.finish(KeyIndex::State::invalid);
    loadedRecordCount_ = counter;
    if (reuseList) {
      for (std::size_t i = 0; i < reuseList->size(); ++i) {
        if (!taken[i]) deleteWithEmptyGroups((*reuseList)[i]);
      }
    }
  } else {
    regroupLoadedNodes();
    if (groupColumns_.empty()) {
      loadedRecordCount_ = topCount();
    } else {
      countLoadedRows();
    }
  }
  if (groupColumns_.empty()) reselect();
  CustomDBTreeListControl::sortBatchEnded();
  if (summaries) finishSummaries();
  if (!groupColumns_.empty()) takeFirstChildKeys();

  if (!regroup) {
    if (!mark.empty()) ds->goToMark(mark);
    if (wasAtStart != wasAtEnd) {
      if (wasAtStart) {
        ds->goPrior();
      } else if (wasAtEnd) {
        ds->goNext();
      }
    }
    if (optionsEx().has(goCollapsedReload) && !groupColumns_.empty() && firstNode() &&
        options().has(goCanNavigation)) {
      Field* f = groupColumns_.front()->field();
      DBGridNode* group = findGroupNode(nullptr, 0, f->variantValue());
      if (group && !group->expanded()) {
        if (!options().has(goUseLocate) && !options().has(goSmartRefresh)) {
          ds->goFirst();
          ds->skip(group->recordIndex());
        } else {
          FlagScope unload(loading_, false);
          goToNodeRecord(focusedNode(), group, true, group->keyValue().toVariant());
        }
        CustomTreeList::setFocusedNode(group, focusedColumn(), false);
      }
    }
  } else {
    // The regroup focused the first row while loading, which moves no
    // record: move the dataset now, or the focused row and the current
    // record would part, and the next data change (a save, say) would pull
    // the focus to a record the user never chose.
    FlagScope unload(loading_, false);
    followFocusedRow();
  }
  if (newTop) setTopNode(newTop);
  hourglass.reset();
  suspended.reset();
}

void CustomDBGrid::reselect() {
  if (selectionCopy_.empty()) return;
  std::vector<PackedValue> keys = std::move(selectionCopy_);
  selectionCopy_.clear();
  std::sort(keys.begin(), keys.end(),
            [](const PackedValue& a, const PackedValue& b) { return a.compare(b) < 0; });
  for (int i = 0; i < topCount(); ++i) {
    TreeListNode* node = topNodes(i);
    const PackedValue& key = dbNode(*node).keyValue();
    const auto it = std::lower_bound(
        keys.begin(), keys.end(), key,
        [](const PackedValue& a, const PackedValue& b) { return a.compare(b) < 0; });
    if (it != keys.end() && it->compare(key) == 0) node->setSelected(true);
  }
}

// --- Finding rows ------------------------------------------------------------------

TreeListNode* CustomDBGrid::firstDataNode(TreeListNode* node) {
  while (node && node->count() > 0) node = node->items(0);
  return node;
}

void CustomDBGrid::buildKeyIndex() {
  keyIndex_.begin();
  forEachNode([&](TreeListNode* n) {
    if (!isGroupNode(n)) keyIndex_.add(dbNode(*n).keyValue(), &dbNode(*n));
  });
  keyIndex_.finish(KeyIndex::State::unusable);
}

DBGridNode* CustomDBGrid::findDataNode(const Variant& key) {
  if (keyIndex_.stale()) buildKeyIndex();
  if (keyIndex_.valid() && key.kind() == vkInteger) return keyIndex_.find(key.integerValue());
  DBGridNode* found = nullptr;
  forEachNode([&](TreeListNode* n) {
    if (found || isGroupNode(n)) return;
    try {
      if (dbNode(*n).keyValue().compare(key) == 0) found = &dbNode(*n);
    } catch (const std::exception&) {
      // Counts as unequal.
    }
  });
  return found;
}

void CustomDBGrid::nodeDeleting(TreeListNode* node, TreeListNode* prior, TreeListNode* next,
                                bool wasLast, bool wasVisible) {
  std::erase(watchList_, node);
  if (changingNode_ == node) changingNode_ = nullptr;
  if (keyIndex_.valid() && !isGroupNode(node)) {
    const PackedValue& key = dbNode(*node).keyValue();
    if (key.isInteger()) keyIndex_.forget(key.integer(), &dbNode(*node));
  }
  CustomDBTreeListControl::nodeDeleting(node, prior, next, wasLast, wasVisible);
}

bool CustomDBGrid::watched(TreeListNode* node) const {
  return std::find(watchList_.begin(), watchList_.end(), node) != watchList_.end();
}

void CustomDBGrid::unwatch(TreeListNode* node) {
  const auto it = std::find(watchList_.rbegin(), watchList_.rend(), node);
  if (it != watchList_.rend()) watchList_.erase(std::next(it).base());
}

// --- Values for painting and sorting ----------------------------------------------------

Variant CustomDBGrid::getNodeValue(const TreeListNode& node, int column) const {
  const DBGridNode& n = dbNode(node);
  if (isGroupNode(&node)) return n.groupValue().toVariant();
  Variant value;
  if (n.fetchCellValue(column, value)) return value;
  return Variant(n.texts().get(column));
}

bool CustomDBGrid::showsStoredText(int column) const {
  const DBTreeListColumn* c = dbColumn(column);
  return !c || !c->onGetText;
}

std::string_view CustomDBGrid::getNodeString(const TreeListNode& node, int column,
                                             std::string& buffer) const {
  const DBGridNode& n = dbNode(node);
  if (isGroupNode(&node) && !groupColumns_.empty()) {
    buffer = groupRowText(n);
    return buffer;
  }
  const std::string_view stored = n.texts().get(column);
  DBTreeListColumn* c = dbColumn(column);
  if (!c || !c->onGetText) return stored;
  buffer = stored;
  c->onGetText(*c, const_cast<TreeListNode*>(&node), buffer);
  return buffer;
}

Variant CustomDBGrid::getSortValue(const TreeListNode& node, int column) const {
  const DBGridNode& n = dbNode(node);
  DBTreeListColumn* c = dbColumn(column);
  if (c && c->sortBySummary() && isGroupNode(&node)) return Variant(double(n.summaryValue()));
  if (!c || c->valueType() == kValueTypeString) {
    std::string text(n.texts().get(column));
    if (options().has(goCaseInsensitive)) {
      for (char& ch : text) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    }
    return Variant(std::move(text));
  }
  Variant value;
  return n.fetchCellValue(column, value) ? value : Variant::null();
}

void CustomDBGrid::prefetchSortData(const TreeListNode& node) const {
  const DBGridNode& n = dbNode(node);
  __builtin_prefetch(n.texts().storage());
  __builtin_prefetch(n.cellStorage());
}

PrefixKind CustomDBGrid::directSortKind(int column) const {
  const DBTreeListColumn* c = dbColumn(column);
  // Group rows sorted by their summary, and upper-cased texts, go through
  // getSortValue.
  if (c && c->sortBySummary()) return PrefixKind::none;
  if (!c || c->valueType() == kValueTypeString) {
    return options().has(goCaseInsensitive) ? PrefixKind::none : PrefixKind::text;
  }
  return PrefixKind::number;
}

bool CustomDBGrid::directSortKey(const TreeListNode& node, int column, PrefixKind kind,
                                 OrderKey& key) const {
  const DBGridNode& n = dbNode(node);
  if (kind == PrefixKind::text) {
    key = textOrderKey(n.texts().get(column));
    return true;
  }
  // A cell without a stored value sorts as null.
  const PackedValue* value = n.cellEntry(column);
  if (!value || value->isBlank()) {
    key = orderKey(Variant::null(), kind);
    return true;
  }
  const VariantKind k = value->kind();
  if (k != vkInteger && k != vkFloat && k != vkDate && k != vkCurrency) return false;
  key = orderKey(value->toVariant(), kind);
  return true;
}

int CustomDBGrid::compareTieBreak(const TreeListNode* node1, const TreeListNode* node2) const {
  const PackedValue& a = dbNode(*node1).keyValue();
  const PackedValue& b = dbNode(*node2).keyValue();
  if (a.isEmpty() || b.isEmpty()) return 0;
  int c = 0;
  try {
    c = a.compare(b);
  } catch (const std::exception&) {
    c = 0;
  }
  if (c == 0) return CustomDBTreeListControl::compareTieBreak(node1, node2);
  return c < 0 ? -1 : 1;
}

bool CustomDBGrid::tieBreakKey(const TreeListNode& node, std::int64_t& key) const {
  const PackedValue& value = dbNode(node).keyValue();
  if (!value.isInteger()) return false;
  key = value.integer();
  return true;
}

std::string CustomDBGrid::previewText(const TreeListNode& node) const {
  std::string text = isGroupNode(&node) ? std::string() : dbNode(node).previewText();
  if (onGetPreviewText) {
    onGetPreviewText(const_cast<CustomDBGrid&>(*this), const_cast<TreeListNode*>(&node), text);
  }
  return text;
}

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

// --- Sorting hooks ------------------------------------------------------------------------

bool CustomDBGrid::multiSortOn() const { return optionsEx().has(goMultiSort) && loadAllMode(); }

bool CustomDBGrid::autoSortOn() const { return optionsEx().has(goAutoSort) && loadAllMode(); }

bool CustomDBGrid::canSortColumn(TreeListColumn* column) {
  bool allow = true;
  if (onColumnSorting) onColumnSorting(*this, dynamic_cast<DBTreeListColumn*>(column), allow);
  return allow;
}

void CustomDBGrid::columnHeaderClick(TreeListColumn* column) {
  if (onColumnClick && column) onColumnClick(*this, dynamic_cast<DBTreeListColumn*>(column));
  CustomDBTreeListControl::columnHeaderClick(column);
}

bool CustomDBGrid::isGroupColumn(const TreeListColumn* column) const {
  return std::find(groupColumns_.begin(), groupColumns_.end(), column) != groupColumns_.end();
}

int CustomDBGrid::sortLevel(const TreeListColumn* column) const {
  const auto it = std::find(groupColumns_.begin(), groupColumns_.end(), column);
  return it != groupColumns_.end() ? static_cast<int>(it - groupColumns_.begin())
                                   : groupColumnCount();
}

bool CustomDBGrid::sortChangeIgnored(const TreeListColumn* column) const {
  if (!loadAllMode() || componentLoading_ || suppressSort_) return true;
  if (isGroupColumn(column)) return false;
  const auto* c = dynamic_cast<const DBTreeListColumn*>(column);
  if (!c) return false;
  return std::any_of(groupColumns_.begin(), groupColumns_.end(), [c](const DBTreeListColumn* g) {
    return equalsIgnoringAsciiCase(g->fieldName(), c->fieldName());
  });
}

void CustomDBGrid::sortBatchEnded() { CustomDBTreeListControl::sortBatchEnded(); }

void CustomDBGrid::sortNodes(int level, int column, bool descending) {
  CustomDBTreeListControl::sortNodes(level, column, descending);
  if (groupColumns_.empty()) return;
  takeFirstChildKeys();
  followFocusedRow();
}

void CustomDBGrid::followFocusedRow() {
  TreeListNode* focused = focusedNode();
  if (loading_ || !focused || !keyField_) return;
  const PackedValue& key = dbNode(*focused).keyValue();
  if (key.compare(keyField_->variantValue()) == 0) return;
  goToNodeRecord(focused, focused, true, key.toVariant());
}

// --- Focus and the current record --------------------------------------------------------

bool CustomDBGrid::goToNodeRecord(TreeListNode* from, TreeListNode* to, bool byKey,
                                  const Variant& key) {
  if (loading_) return true;
  if (!to) return false;
  const DBGridNode& target = dbNode(*to);
  if (keyField_ && to == from) {
    try {
      if (target.keyValue().compare(keyField_->variantValue()) == 0) return true;
    } catch (const std::exception&) {
    }
  }
  DataSet* ds = dataSet();
  if (to == changingNode_ && ds && ds->state() == stInsert) return true;
  if (!options().has(goCanNavigation) || !ds) return true;
  FlagScope loading(loading_, !editingState(ds));
  if (!dataLink_.linkActive()) return true;
  if (byKey) {
    FlagScope locating(locating_, true);
    ds->findKeyRecord(keyFieldName_, key);
  } else {
    FlagScope skipping(skipping_, true);
    const int fromIndex = from ? dbNode(*from).recordIndex() : 0;
    ds->skip(target.recordIndex() - fromIndex);
  }
  return true;
}

void CustomDBGrid::setFocusedNode(TreeListNode* node, int column, bool makeVisible) {
  if (!node) {
    CustomDBTreeListControl::setFocusedNode(node, column, makeVisible);
    return;
  }
  watch(node);
  struct Unwatch {
    CustomDBGrid& grid;
    TreeListNode* node;
    ~Unwatch() { grid.unwatch(node); }
  } unwatchOnExit{*this, node};
  if (!scrolling_ && focusedNode() && column != focusedColumn()) {
    CustomDBTreeListControl::setFocusedNode(focusedNode(), column, false);
  }
  DataSet* ds = dataSet();
  // While the grid follows the dataset (a change or a scroll is being
  // handled) the dataset is already on the record.
  if (loadAllMode() && !handlingChange_ && !scrolling_ && ds) {
    const bool wasInsert = ds->state() == stInsert;
    const bool byKey = options().has(goUseLocate) || options().has(goSmartRefresh);
    const bool moved = goToNodeRecord(focusedNode(), node, byKey,
                                      byKey ? dbNode(*node).keyValue().toVariant() : Variant());
    if (!moved) return;
    if (wasInsert) {
      if (!watched(node)) return;
      bool same = false;
      try {
        same = keyField_ && dbNode(*node).keyValue().compare(keyField_->variantValue()) == 0;
      } catch (const std::exception&) {
      }
      if (!same) {
        unwatch(node);
        return;
      }
    }
  }
  if (!watched(node)) return;
  CustomDBTreeListControl::setFocusedNode(node, column, makeVisible);
  rememberedColumn_ = std::max(focusedColumn(), 0);
}

bool CustomDBGrid::canCollapseFocused(TreeListNode* node) {
  watch(node);
  setFocusedNode(node, focusedColumn(), false);
  const bool still = watched(node);
  if (still) unwatch(node);
  return still;
}

void CustomDBGrid::focusNodeForSync(TreeListNode* node) {
  if (!node) return;
  if (options().has(goSeekDetail)) node = firstDataNode(node);
  node->makeVisible();
  node->setFocused();
}

void CustomDBGrid::syncFocusToRecord() {
  if (!keyField_ || !options().has(goCanNavigation) || loading_) return;
  const Variant key = keyField_->variantValue();
  if (topCount() == 0) return;
  if (groupColumns_.empty()) {
    focusNodeForSync(findDataNode(key));
    return;
  }
  const auto equalsKey = [&](const TreeListNode* n) {
    try {
      return n && dbNode(*n).keyValue().compare(key) == 0;
    } catch (const std::exception&) {
      return false;
    }
  };
  // A focused group row that stands for the record (it is the record's
  // first row) keeps the focus: a data change, or a save, must not expand
  // the user's groups to reach a row deeper down.
  if (TreeListNode* focused = focusedNode(); equalsKey(focused)) {
    focusNodeForSync(focused);
    return;
  }
  DBGridNode* group = nullptr;
  for (int level = 0; level < groupColumnCount(); ++level) {
    Field* f = groupColumns_[static_cast<std::size_t>(level)]->field();
    if (!f) return;
    DBGridNode* found = findGroupNode(group, level, f->variantValue());
    if (!found) return;
    group = found;
  }
  TreeListNode* first = group->items(0);
  if (equalsKey(group) && equalsKey(first)) {
    if (first->focused()) {
      focusNodeForSync(first);
      return;
    }
    TreeListNode* g = group;
    if (scrolling_) {
      while (!g->isVisible() && g->parent() && equalsKey(g->parent())) g = g->parent();
    }
    focusNodeForSync(g);
    return;
  }
  for (int i = 0; i < group->count(); ++i) {
    if (equalsKey(group->items(i))) {
      focusNodeForSync(group->items(i));
      return;
    }
  }
}

void CustomDBGrid::scrollHandling(int /*distance*/) {
  if (loadAllMode()) {
    FlagScope scrolling(scrolling_, true);
    if (!handlingChange_) syncFocusToRecord();
    if (!locked()) host().invalidate();
  }
  if (dataLink_.linkActive() && onChangeNodeEx) onChangeNodeEx(*this);
}

void CustomDBGrid::linkScrolled(int distance) { scrollHandling(distance); }

}  // namespace morvel
