// Grouping in the data-bound grid: the list of group columns and its
// changes, group rows found by binary search among their ordered siblings,
// the regroup of rows already loaded, group row texts and the group
// panel's geometry. Summaries are in DBGridSummaries.cpp.
#include <algorithm>
#include <array>
#include <cstdint>

#include "base/ScopeGuard.h"
#include "base/StringUtils.h"
#include "grid/db/CustomDBGrid.h"
#include "table/DataSet.h"

namespace morvel {

namespace {

// How many rows ahead the regroup loops fetch.
constexpr int kPrefetchDistance = 16;

bool isBlobType(FieldType t) {
  return (t >= ftBlob && t <= ftTypedBinary) || t == ftOraBlob || t == ftOraClob;
}

}  // namespace

DBTreeListColumn* CustomDBGrid::groupColumns(int i) const {
  return i >= 0 && i < groupColumnCount() ? groupColumns_[static_cast<std::size_t>(i)] : nullptr;
}

bool CustomDBGrid::groupingBlocked() const {
  return std::any_of(groupColumns_.begin(), groupColumns_.end(), [](const DBTreeListColumn* c) {
    return !c->field() || isBlobType(c->field()->dataType());
  });
}

// --- The group column list ------------------------------------------------------------

void CustomDBGrid::setGroupColumn(DBTreeListColumn* column, int index) {
  if (!column || column->treeList() != this) return;
  const bool listed = isGroupColumn(column);
  if (index == column->groupIndex() && listed == (index >= 0) &&
      !inPhase(GridPhase::reapplyingGroups))
    return;
  UpdateLock lock(*this);
  const std::vector<DBTreeListColumn*> before = groupColumns_;
  beginGroupChange();
  // A refused change (the only visible column dropped on the panel, say)
  // leaves the grouping as it was: nothing to reload.
  const Finally end([&] { endGroupChange(groupColumns_ != before); });
  if (listed && !inPhase(GridPhase::reapplyingGroups)) removeGroupColumn(sortLevel(column));
  if (!listed) column->groupIndex_ = -1;
  if (index != -1) addGroupColumn(index, column);
}

bool CustomDBGrid::canAddGroupColumn(DBTreeListColumn* column) {
  if (defaultFields_) return false;
  if (!inPhase(GridPhase::reapplyingGroups)) {
    if (!column || column->disableGrouping()) return false;
    if (column->field() && isBlobType(column->field()->dataType())) return false;
    if (column->visible() && visibleColumnCount() == 1) return false;
  }
  if (!column || isGroupColumn(column)) return false;
  for (const DBTreeListColumn* g : groupColumns_) {
    if (column->field() && g->field() == column->field()) return false;
  }
  bool allow = true;
  if (onAddGroupColumn) onAddGroupColumn(*this, column, allow);
  return allow;
}

bool CustomDBGrid::addGroupColumn(int index, DBTreeListColumn* column) {
  if (!column || column->treeList() != this || !canAddGroupColumn(column)) return false;
  index = std::clamp(index, 0, groupColumnCount());
  if (loadAllMode() || options().has(goLoadAllRecords)) regroupPending_ = true;
  groupColumns_.insert(groupColumns_.begin() + index, column);
  for (std::size_t i = 0; i < groupColumns_.size(); ++i) {
    groupColumns_[i]->groupIndex_ = static_cast<int>(i);
  }
  {
    UpdateLock lock(*this);
    if (column->sorted() == csNone) {
      // The reload below builds the level in order; sorting now is wasted.
      GridPhases::Scope deferSort(phases_, GridPhase::sortDeferred);
      setSorted(column, csUp);
    }
    if (!optionsEx().has(goNotHideColumn)) column->setVisible(false);
  }
  if (groupBatch_.depth == 0) reloadAll();
  return true;
}

void CustomDBGrid::removeGroupColumn(int index) {
  if (groupColumns_.empty() || index < 0 || index >= groupColumnCount()) return;
  DBTreeListColumn* column = groupColumns_[static_cast<std::size_t>(index)];
  {
    UpdateLock lock(*this);
    column->setVisible(true);
    setSorted(column, csNone);
    column->groupIndex_ = -1;
    groupColumns_.erase(groupColumns_.begin() + index);
    for (std::size_t i = 0; i < groupColumns_.size(); ++i) {
      groupColumns_[i]->groupIndex_ = static_cast<int>(i);
    }
    regroupPending_ = true;
  }
  if (groupBatch_.depth == 0) reloadAll();
}

void CustomDBGrid::beginGroupChange() {
  if (groupBatch_.depth == 0) {
    groupBatch_.changed = false;
    groupBatch_.fieldNames.clear();
    for (const DBTreeListColumn* c : groupColumns_)
      groupBatch_.fieldNames.push_back(c->fieldName());
    groupBatch_.loadAll = loadAllMode();
  }
  ++groupBatch_.depth;
}

void CustomDBGrid::endGroupChange(bool changed) {
  if (groupBatch_.depth == 0) return;
  if (changed) groupBatch_.changed = true;
  if (--groupBatch_.depth > 0) return;
  if (!groupBatch_.changed) {
    groupBatch_.fieldNames.clear();
    return;
  }
  if (!groupBatch_.loadAll) regroupPending_ = false;
  bool differs = groupBatch_.fieldNames.size() != groupColumns_.size();
  for (std::size_t i = 0; !differs && i < groupColumns_.size(); ++i) {
    differs = !equalsIgnoringAsciiCase(groupBatch_.fieldNames[i], groupColumns_[i]->fieldName());
  }
  groupBatch_.fieldNames.clear();
  if (differs) {
    reloadAll();
  } else {
    reloadKeepingNodes();
  }
}

void CustomDBGrid::retestGroupColumn(DBTreeListColumn* column) {
  if (inPhase(GridPhase::retestingGroup) || componentLoading_ || !column) return;
  GridPhases::Scope retesting(phases_, GridPhase::retestingGroup);
  DataSet* ds = dataSet();
  const bool cannot = column->fieldName().empty() ||
                      (column->field() && isBlobType(column->field()->dataType())) ||
                      (ds && !ds->lookupField(column->fieldName()));
  if (cannot) {
    column->setGroupIndex(-1);
    return;
  }
  beginGroupChange();
  endGroupChange();
}

void CustomDBGrid::applyStoredGrouping() {
  GridPhases::Scope reapplying(phases_, GridPhase::reapplyingGroups);
  std::vector<DBTreeListColumn*> stored;
  for (int i = 0; i < columnCount(); ++i) {
    DBTreeListColumn* c = dbColumn(i);
    if (!c || c->groupIndex_ < 0) continue;
    const bool taken = std::any_of(stored.begin(), stored.end(), [c](const DBTreeListColumn* s) {
      return s->groupIndex_ == c->groupIndex_;
    });
    if (!taken) stored.push_back(c);
  }
  std::stable_sort(stored.begin(), stored.end(),
                   [](const DBTreeListColumn* a, const DBTreeListColumn* b) {
                     return a->groupIndex_ < b->groupIndex_;
                   });
  if (stored.empty()) {
    if (loadAllMode()) reloadAll();
    return;
  }
  {
    beginGroupChange();
    const Finally end([this] { endGroupChange(); });
    for (DBTreeListColumn* c : stored) setGroupColumn(c, c->groupIndex_);
  }
  regroupPending_ = false;
}

// --- Finding and making group rows ---------------------------------------------------------

DBGridNode* CustomDBGrid::searchGroup(DBGridNode* parent, int level, const Variant& value, int from,
                                      int& position) {
  const int count = parent ? parent->count() : topCount();
  const auto sibling = [&](int i) -> DBGridNode& {
    return dbNode(parent ? *parent->items(i) : *topNodes(i));
  };
  DBTreeListColumn* column = groupColumns_[static_cast<std::size_t>(level)];
  int lo = std::max(from, 0);
  if (column->sortBySummary()) {
    for (int i = lo; i < count; ++i) {
      if (sibling(i).groupValue().tryCompare(value) == 0) return &sibling(i);
    }
    position = count;
    return nullptr;
  }
  const bool descending = column->sorted() == csDown;
  int hi = count - 1;
  while (lo <= hi) {
    const int mid = lo + (hi - lo) / 2;
    DBGridNode& s = sibling(mid);
    // A value that does not compare counts as smaller, whatever the order.
    const std::optional<int> order = s.groupValue().tryCompare(value);
    const int c = order ? (descending ? -*order : *order) : -1;
    if (c == 0) return &s;
    if (c < 0) {
      lo = mid + 1;
    } else {
      hi = mid - 1;
    }
  }
  position = lo;
  return nullptr;
}

DBGridNode* CustomDBGrid::findGroupNode(DBGridNode* parent, int level, const Variant& value) {
  int position = 0;
  return searchGroup(parent, level, value, 0, position);
}

DBGridNode* CustomDBGrid::findOrCreateGroupNode(DBGridNode* parent, int level, const Variant& value,
                                                int from, DBGridNode* source, int recordIndex) {
  int position = 0;
  if (DBGridNode* found = searchGroup(parent, level, value, from, position)) return found;
  const int count = parent ? parent->count() : topCount();
  TreeListNode* made = nullptr;
  if (position < count) {
    TreeListNode* before = parent ? parent->items(position) : topNodes(position);
    made = parent ? parent->insertChild(before) : insertNode(before);
  } else {
    made = parent ? parent->addChild() : addNode();
  }
  DBGridNode& group = dbNode(*made);
  group.setGroupValue(value);
  // A group row is a parent even before its first row arrives.
  group.setHasChildren(true);
  DBTreeListColumn* column = groupColumns_[static_cast<std::size_t>(level)];
  const int index = column->index();
  if (source) {
    group.setKeyValue(source->keyValue());
    group.setRecordIndex(source->recordIndex());
    if (index >= 0) {
      group.texts().set(index, source->texts().get(index));
      group.copyNodeVariantData(index, *source);
    }
  } else {
    group.setKeyValue(keyField_ ? keyField_->variantValue() : Variant::null());
    group.setRecordIndex(recordIndex);
    storeCell(group, *column);
  }
  if (onRefreshNodeData) onRefreshNodeData(*this, &group);
  return &group;
}

Variant CustomDBGrid::storedGroupValue(const DBGridNode& node, int level) const {
  const DBTreeListColumn* column = groupColumns_[static_cast<std::size_t>(level)];
  const int index = column->index();
  Variant value;
  if (node.fetchCellValue(index, value)) return value;
  const std::string_view text = node.texts().get(index);
  return text.empty() ? Variant::null() : Variant(text);
}

DBGridNode* CustomDBGrid::groupRowFor(LastGroupPath& last, DBGridNode* parent, int level,
                                      const Variant& value, int from, DBGridNode* source,
                                      int recordIndex) {
  const auto at = static_cast<std::size_t>(level);
  if (at < last.size() && last[at]->parent() == parent) {
    // Not comparable: the search below decides.
    if (last[at]->groupValue().tryCompare(value) == 0) return last[at];
  }
  DBGridNode* row = findOrCreateGroupNode(parent, level, value, from, source, recordIndex);
  last.resize(at + 1);
  last[at] = row;
  return row;
}

bool CustomDBGrid::storedGroupKey(const DBGridNode& node, int level, OrderKey& key,
                                  std::string_view& text) const {
  const int index = groupColumns_[static_cast<std::size_t>(level)]->index();
  if (const PackedValue* value = node.cellEntry(index)) {
    const VariantKind k = value->kind();
    if (k != vkInteger && k != vkFloat && k != vkDate) return false;
    key = orderKey(value->toVariant(), PrefixKind::number);
    text = {};
    // Not a number (key 1) is left to the comparison.
    return key.exact && key.hi != 1;
  }
  text = node.texts().get(index);
  if (text.empty()) return false;  // null
  // A long text's key holds only its start: the row found is checked.
  key = textOrderKey(text);
  return true;
}

DBGridNode* CustomDBGrid::groupPathFor(LastGroupPath& last, GroupRowMemo& memo, DBGridNode* node,
                                       int skipAtTop) {
  DBGridNode* parent = nullptr;
  for (int level = 0; level < groupColumnCount(); ++level) {
    OrderKey key;
    std::string_view text;
    const bool keyed = storedGroupKey(*node, level, key, text);
    // Text and number keys may be alike: they are kept apart.
    const int slot = 2 * level + (text.empty() ? 0 : 1);
    if (keyed) {
      DBGridNode* row = memo.find(parent, slot, key);
      // A short text's key is the whole text; a long one's only its start.
      if (row && (text.empty() || key.exact || row->groupValue().equalsText(text))) {
        // The last path stays whole: the levels below may try it.
        last.resize(static_cast<std::size_t>(level) + 1);
        last[static_cast<std::size_t>(level)] = row;
        parent = row;
        continue;
      }
    }
    DBGridNode* row = groupRowFor(last, parent, level, storedGroupValue(*node, level),
                                  level == 0 ? skipAtTop : 0, node, node->recordIndex());
    if (keyed) memo.remember(parent, slot, key, row);
    parent = row;
  }
  return parent;
}

// --- Regrouping the loaded rows ------------------------------------------------------------

void CustomDBGrid::takeDataRows(std::vector<std::unique_ptr<TreeListNode>>& rows) {
  if (!firstNode() || !isGroupNode(firstNode())) {
    takeChildren(nullptr, rows);
    return;
  }
  // The data rows hang off the innermost group rows: taken in display
  // order, they leave the group rows empty, and those are freed.
  std::vector<TreeListNode*> stack;
  for (int i = topCount() - 1; i >= 0; --i) stack.push_back(topNodes(i));
  while (!stack.empty()) {
    TreeListNode* n = stack.back();
    stack.pop_back();
    if (n->count() == 0) continue;
    if (!isGroupNode(n->items(0))) {
      takeChildren(n, rows);
      continue;
    }
    for (int c = n->count() - 1; c >= 0; --c) stack.push_back(n->items(c));
  }
  while (topCount() > 0) deleteNode(topNodes(0));
}

void CustomDBGrid::putInRecordOrderUnlessSorted(std::vector<std::unique_ptr<TreeListNode>>& rows) {
  // Rows keep their order in their new groups when a column sorts them. With
  // none, the order they were shown in came from groups that may be gone
  // (rows of two former groups would follow each other in blocks), so they
  // go back to record order, the order a load gives them.
  bool sortedByColumn = false;
  for (int i = 0; i < columnCount() && !sortedByColumn; ++i) {
    sortedByColumn = !isGroupColumn(columns(i)) && columns(i)->sorted() != csNone;
  }
  if (sortedByColumn) return;
  const auto byKey = [](const std::unique_ptr<TreeListNode>& a,
                        const std::unique_ptr<TreeListNode>& b) {
    return dbNode(*a).keyValue().tryCompare(dbNode(*b).keyValue()).value_or(0) < 0;
  };
  if (!std::is_sorted(rows.begin(), rows.end(), byKey)) {
    std::stable_sort(rows.begin(), rows.end(), byKey);
  }
}

// The key of the last row appended to each of the lists met lately, so that
// the next row is compared without reading the one before it again.
struct CustomDBGrid::LastRowKeys {
  struct Entry {
    const TreeListNode* list = nullptr;
    bool known = false;
    ExactRowKey key;
  };
  std::array<Entry, 64> entries;
  Entry& of(const TreeListNode* list) {
    const auto at = reinterpret_cast<std::uintptr_t>(list) * 0x9e3779b97f4a7c15ULL >> 58;
    return entries[static_cast<std::size_t>(at)];
  }
};

bool CustomDBGrid::followsPriorSibling(const TreeListNode& node, const DirectRowOrder& order,
                                       LastRowKeys& lastKeys) const {
  const TreeListNode* parent = node.parent();
  ExactRowKey key;
  if (!directRowKey(node, order, key)) return false;
  LastRowKeys::Entry& last = lastKeys.of(parent);
  const int count = parent ? parent->count() : topCount();
  bool follows = true;
  if (count >= 2) {
    if (last.known && last.list == parent) {
      follows = last.key < key;
    } else {
      const TreeListNode* prior = parent ? parent->items(count - 2) : topNodes(count - 2);
      ExactRowKey before;
      follows = directRowKey(*prior, order, before) && before < key;
    }
  }
  last = {parent, true, key};
  return follows;
}

int CustomDBGrid::regroupLoadedNodes() {
  regroupedInOrder_.reset();
  std::vector<std::unique_ptr<TreeListNode>> rows;
  rows.reserve(static_cast<std::size_t>(std::max(loadedRecordCount_, 0)));
  takeDataRows(rows);
  putInRecordOrderUnlessSorted(rows);
  // The rows keep their relative order, which a sort often gave them: when
  // each one lands after a row it sorts after, every list is already in the
  // one order the sort after the load would find, and that sort is skipped.
  const std::optional<DirectRowOrder> order = directDataRowOrder();
  bool inOrder = order.has_value();
  LastRowKeys lastKeys;
  std::size_t next = 0;
  try {
    const bool summaries = anySummaries();
    LastGroupPath last;
    GroupRowMemo memo;
    for (; next < rows.size(); ++next) {
      // The rows come in display order but lie scattered in memory: fetch
      // the node a few places ahead, and what hangs off one fetched earlier.
      if (next + kPrefetchDistance < rows.size())
        __builtin_prefetch(rows[next + kPrefetchDistance].get());
      if (next + kPrefetchDistance / 2 < rows.size()) {
        const DBGridNode& ahead = dbNode(*rows[next + kPrefetchDistance / 2]);
        __builtin_prefetch(ahead.texts().storage());
        __builtin_prefetch(ahead.cellStorage());
      }
      DBGridNode* node = &dbNode(*rows[next]);
      if (groupColumns_.empty()) {
        node->setGroupValue(Variant::null());
        appendTakenNode(std::move(rows[next]), nullptr);
      } else {
        DBGridNode* group = groupPathFor(last, memo, node, 0);
        appendTakenNode(std::move(rows[next]), group);
        if (summaries) addToSummaries(*node, false);
      }
      inOrder = inOrder && followsPriorSibling(*node, *order, lastKeys);
    }
  } catch (...) {
    // No row may be lost: what is left goes back to the top level. Written
    // out rather than as a guard: putting a row back may itself raise.
    for (; next < rows.size(); ++next) {
      if (rows[next]) appendTakenNode(std::move(rows[next]), nullptr);
    }
    throw;
  }
  if (inOrder) regroupedInOrder_ = order;
  const auto refiled = static_cast<int>(rows.size());
  TreeListNode* first = firstNode();
  if (!first) return refiled;
  if (groupColumns_.empty()) {
    // A data row focused or at the top stays so; a group row that was
    // went with the grouping.
    if (!focusedNode()) CustomTreeList::setFocusedNode(first, focusedColumn(), false);
    if (!topNode()) setTopNode(first);
    return refiled;
  }
  CustomTreeList::setFocusedNode(first, focusedColumn(), false);
  setTopNode(first);
  return refiled;
}

void CustomDBGrid::takeFirstChildKeys(DBGridNode* group) {
  TreeListNode* first = group->items(0);
  if (!first) return;
  if (isGroupNode(first)) {
    for (int i = 0; i < group->count(); ++i) {
      if (isGroupNode(group->items(i))) takeFirstChildKeys(&dbNode(*group->items(i)));
    }
  }
  const DBGridNode& child = dbNode(*first);
  group->setKeyValue(child.keyValue());
  group->setRecordIndex(child.recordIndex());
}

void CustomDBGrid::takeFirstChildKeys() {
  for (int i = 0; i < topCount(); ++i) {
    if (isGroupNode(topNodes(i))) takeFirstChildKeys(&dbNode(*topNodes(i)));
  }
}

void CustomDBGrid::takeFirstChildKeysUpwards(TreeListNode* node) {
  for (TreeListNode* p = node; p; p = p->parent()) {
    if (!isGroupNode(p) || p->count() == 0) continue;
    const DBGridNode& child = dbNode(*p->items(0));
    dbNode(*p).setKeyValue(child.keyValue());
    dbNode(*p).setRecordIndex(child.recordIndex());
  }
}

// --- Texts ----------------------------------------------------------------------------------

std::string CustomDBGrid::groupRowText(const TreeListNode& row) const {
  const DBGridNode& node = dbNode(row);
  const int level = node.level();
  DBTreeListColumn* column = groupColumns(std::min(level, groupColumnCount() - 1));
  if (!column) return {};
  const int index = column->index();
  std::string value = column->displayTextFor(node.texts().get(index));
  if (column->onGetText) column->onGetText(*column, const_cast<DBGridNode*>(&node), value);
  std::string text = column->caption();
  text += " : ";
  text += value;
  text += ' ';
  text += groupSummaryText(node);
  return text;
}

// --- Group panel geometry ---------------------------------------------------------------------

void CustomDBGrid::setShowGroupPanel(bool show) {
  if (show == showGroupPanel_) return;
  hideEditing();
  showGroupPanel_ = show;
  // The rows slide by the height the panel has when shown, then the grid is
  // laid out for its new place.
  if (!loading()) animateGroupPanel(show, shownPanelHeight(metrics().headerRowHeight));
  recomputeLayout();
}

int CustomDBGrid::shownPanelHeight(int h) const {
  const int n = groupColumnCount();
  return (n - 1) * (h / 2) + h + 16;
}

int CustomDBGrid::groupPanelHeight(int h) const {
  return showGroupPanel_ ? shownPanelHeight(h) : 0;
}

bool CustomDBGrid::canGroupBy(TreeListColumn* column) {
  return canAddGroupColumn(dynamic_cast<DBTreeListColumn*>(column));
}

void CustomDBGrid::groupByColumn(TreeListColumn* column, int index) {
  auto* c = dynamic_cast<DBTreeListColumn*>(column);
  if (!c) return;
  if (isGroupColumn(c) && index >= groupColumnCount()) index = groupColumnCount() - 1;
  bool allow = true;
  if (onEndDragGroupColumn) onEndDragGroupColumn(*this, c, index, allow);
  if (!allow) return;
  c->setGroupIndex(index);
  if (!c->visible() && !isGroupColumn(c) && onShowHeader) onShowHeader(*this, c, -1, -1, -1);
}

void CustomDBGrid::ungroupColumn(TreeListColumn* column) {
  if (isGroupColumn(column)) removeGroupColumn(sortLevel(column));
}

}  // namespace morvel
