// Keeping the data-bound grid's rows in step with its dataset after the
// data changed: the change notifications, the smart refresh of one record,
// reloads that keep group rows, placing a row on its group path, inserted
// rows, deleting records (with the confirmation), and the grid's keys.
#include <algorithm>
#include <optional>
#include <utility>

#include "base/ScopeGuard.h"
#include "grid/db/CustomDBGrid.h"
#include "grid/db/DBGridSupport.h"
#include "table/DataSet.h"

namespace morvel {

namespace {

using dbgrid::editingState;

// Keys that do not compare are unequal.
bool keysEqual(const PackedValue& a, const Variant& b) { return a.tryCompare(b) == 0; }
bool keysEqual(const PackedValue& a, const PackedValue& b) { return a.tryCompare(b) == 0; }

}  // namespace

bool CustomDBGrid::smartRefreshApplies() const {
  const DataSet* ds = dataSet();
  if (!options().has(goSmartRefresh) || layoutChanging_ || !ds) return false;
  if (ds->atStart() || ds->atEnd()) return false;
  return !(topCount() == 1 && !groupColumns_.empty() && firstNode()->count() == 0);
}

// --- Notifications ---------------------------------------------------------------------

void CustomDBGrid::linkDataChanged() {
  DataSet* ds = dataSet();
  if (!ds) return;
  if (smartRefreshApplies() && !inPhase(GridPhase::loading) && !justLocated_) {
    GridPhases::Scope handling(phases_, GridPhase::handlingChange);
    // One relayout for the whole refresh, not one per row touched: each
    // walks every visible row.
    UpdateLock lock(*this);
    refreshChangedRecord();
  }
  justLocated_ = inPhase(GridPhase::locating) && !inPhase(GridPhase::loading);
  if (ds->state() != stInsert) changingNode_ = nullptr;
  if (inPhase(GridPhase::locating)) {
    phases_.set(GridPhase::locating, false);
    return;
  }
  if (inPhase(GridPhase::loading)) return;
  if (loadAllMode()) {
    for (const CustomDBGrid* other : gridList()) {
      if (other != this && other->dataSet() == ds &&
          (other->inPhase(GridPhase::loading) || other->inPhase(GridPhase::locating))) {
        scrollHandling(0);
        return;
      }
    }
  }
  if (!loadAllMode()) return;
  const DataSetState state = ds->state();
  if (state == stEdit || state == stSetKey) return;
  if (state == stInsert) {
    addInsertedNode(ds->atEnd());
    if (options().has(goResetColumnFocus) && focusedNode()) {
      CustomDBTreeListControl::setFocusedNode(focusedNode(), 0, false);
    }
    return;
  }
  GridPhases::Scope handling(phases_, GridPhase::handlingChange);
  if (!smartRefreshApplies() && !inPhase(GridPhase::filtering)) reloadKeepingNodes();
  if (!inPhase(GridPhase::skipping)) syncFocusToRecord();
}

void CustomDBGrid::refreshNodeFromRecord(TreeListNode*& node) {
  if (!node) return;
  if (isGroupNode(node) && keyField_) {
    // The group row stands for its first record: refresh that row instead.
    const Variant key = keyField_->variantValue();
    TreeListNode* found = nullptr;
    std::vector<TreeListNode*> stack{node};
    while (!stack.empty() && !found) {
      TreeListNode* n = stack.back();
      stack.pop_back();
      for (int i = n->count() - 1; i >= 0; --i) stack.push_back(n->items(i));
      if (!isGroupNode(n) && keysEqual(dbNode(*n).keyValue(), key)) found = n;
    }
    node = found;
  }
  if (!node) return;
  storeRecord(dbNode(*node));
  if (onRefreshNodeData) onRefreshNodeData(*this, node);
  invalidateNode(node, false);
}

void CustomDBGrid::linkRecordChanged(Field* /*field*/) {
  DataSet* ds = dataSet();
  if (!ds) return;
  if (loadAllMode()) {
    if ((ds->state() == stInsert && !changingNode_) || ds->state() == stSetKey) return;
  }
  TreeListNode* node = focusedNode();
  if (node) {
    lookupKeyField();
    refreshNodeFromRecord(node);
  }
  if (!changingNode_ && node) {
    savedChangedKey_ = dbNode(*node).keyValue().toVariant();
    changingNode_ = &dbNode(*node);
  }
}

// --- Reloading -----------------------------------------------------------------------------

void CustomDBGrid::reloadKeepingNodes() {
  savedTopKey_ = Variant::null();
  savedTopLevel_ = 0;
  regroupPending_ = false;
  layoutChanging_ = false;
  if (groupColumns_.empty() && !options().has(goLoadAllRecords)) {
    clearAllNodes();
    return;
  }
  UpdateLock lock(*this);
  selectionCopy_.clear();
  for (int i = 0; i < selectedCount(); ++i) {
    selectionCopy_.push_back(dbNode(*selectedNodes(i)).keyValue());
  }
  if (TreeListNode* top = topNode()) {
    savedTopKey_ = dbNode(*top).keyValue().toVariant();
    savedTopLevel_ = top->level();
  }
  if (groupColumns_.empty() || (topCount() == 1 && firstNode()->count() == 0)) {
    clearAllNodes();
    dropNodeData();
  }
  std::vector<DBGridNode*> reuse;
  if (firstNode() && isGroupNode(firstNode())) {
    forEachNode([&](TreeListNode* n) {
      if (isGroupNode(n)) {
        dbNode(*n).setSummariesDone(false);
      } else {
        reuse.push_back(&dbNode(*n));
      }
    });
    // Keys that do not compare count as equal and keep their order.
    std::stable_sort(reuse.begin(), reuse.end(), [](const DBGridNode* a, const DBGridNode* b) {
      return a->keyValue().tryCompare(b->keyValue()).value_or(0) < 0;
    });
  }
  loadRecords(&reuse);
  selectionCopy_.clear();
}

void CustomDBGrid::refreshChangedRecord() {
  if (!loadAllMode() || !keyField_ || !options().has(goCanNavigation)) return;
  const Variant key = keyField_->variantValue();
  TreeListNode* found = findDataNode(key);
  bool changed = false;
  if (found) {
    refreshNodeFromRecord(found);
    changed = true;
  }
  TreeListNode* placed = found;
  if (changingNode_) {
    TreeListNode* focus = firstDataNode(focusedNode());
    if (focus && keysEqual(changingNode_->keyValue(), dbNode(*focus).keyValue())) {
      const bool otherHasKey = found && found != focus;
      if (!keysEqual(dbNode(*focus).keyValue(), key) || otherHasKey) {
        if (keysEqual(PackedValue(savedChangedKey_), key) || !found) {
          TreeListNode* refreshed = focus;
          refreshNodeFromRecord(refreshed);
          placed = refreshed;
        } else {
          // The record the row showed is gone; the current record has a row
          // of its own.
          deleteWithEmptyGroups(focus);
          placed = nullptr;
        }
        changed = true;
      }
    }
    changingNode_ = nullptr;
  }
  if (changed) placeNode(placed ? &dbNode(*placed) : nullptr);
}

int CustomDBGrid::dataLevelCompare(TreeListNode* a, TreeListNode* b) {
  std::vector<std::pair<int, bool>> keys;
  if (multiSortOn() && sortKeyCount() > 1) {
    for (int k = 0; k < sortKeyCount(); ++k)
      keys.emplace_back(sortKeyColumn(k), sortKeyDescending(k));
  } else {
    for (int i = 0; i < columnCount(); ++i) {
      TreeListColumn* c = columns(i);
      if (!isGroupColumn(c) && c->sorted() != csNone) {
        keys.emplace_back(i, c->sorted() == csDown);
        break;
      }
    }
  }
  for (const auto& [column, descending] : keys) {
    // As the level's sort orders them, values that do not compare too.
    const Variant va = getSortValue(*a, column);
    const Variant vb = getSortValue(*b, column);
    const int c = compareSortValues(va, vb, naturalOrderFor(column));
    if (c != 0) return descending ? -c : c;
  }
  return compareTieBreak(a, b);
}

void CustomDBGrid::resortNode(TreeListNode* node) {
  // The siblings are in order already; only this row may be out of place,
  // so it moves by binary search instead of a sort of the whole level.
  if (!node || onCompare) return;
  bool sorted = false;
  for (int i = 0; i < columnCount() && !sorted; ++i) {
    sorted = !isGroupColumn(columns(i)) && columns(i)->sorted() != csNone;
  }
  if (!sorted) return;
  TreeListNode* parent = node->parent();
  const int self = node->index();
  // The siblings without the node itself.
  const int count = (parent ? parent->count() : topCount()) - 1;
  const auto other = [&](int i) {
    const int at = i < self ? i : i + 1;
    return parent ? parent->items(at) : topNodes(at);
  };
  int lo = 0;
  int hi = count;
  while (lo < hi) {
    const int mid = lo + (hi - lo) / 2;
    if (dataLevelCompare(other(mid), node) < 0) {
      lo = mid + 1;
    } else {
      hi = mid;
    }
  }
  if (lo != self) relinkNode(node, parent, lo);
}

void CustomDBGrid::placeNode(DBGridNode* node) {
  UpdateLock lock(*this);
  if (groupColumns_.empty()) {
    if (anySummaries()) {
      resetFooterSummaries();
      for (int i = 0; i < topCount(); ++i) addToSummaries(dbNode(*topNodes(i)), false);
    }
    loadedRecordCount_ = topCount();
    resortNode(node);
    if (anySummaries()) finishSummaries();
    return;
  }
  if (!node) {
    countLoadedRows();
    return;
  }
  DBGridNode* group = nullptr;
  for (int level = 0; level < groupColumnCount(); ++level) {
    group = findOrCreateGroupNode(group, level, storedGroupValue(*node, level), 0, node,
                                  node->recordIndex());
  }
  TreeListNode* oldParent = node->parent();
  if (oldParent != group) {
    relinkNode(node, group, group->count());
    if (oldParent && oldParent->count() == 0) {
      deleteWithEmptyGroups(oldParent);
      oldParent = nullptr;
    }
  }
  resortNode(node);
  recomputeAllSummaries();
  countLoadedRows();
  takeFirstChildKeysUpwards(node);
  if (oldParent) takeFirstChildKeysUpwards(oldParent);
}

void CustomDBGrid::countLoadedRows() {
  loadedRecordCount_ = 0;
  forEachNode([&](TreeListNode* n) {
    if (!isGroupNode(n)) ++loadedRecordCount_;
  });
}

void CustomDBGrid::addInsertedNode(bool atEnd) {
  // A new record's key need not follow the others'.
  dropHiddenRows();
  TreeListNode* focus = firstDataNode(focusedNode());
  TreeListNode* made = nullptr;
  if (focus && focus->parent()) {
    made = atEnd ? focus->parent()->addChild() : focus->parent()->insertChild(focus);
  } else if (focus) {
    made = atEnd ? addNode() : insertNode(focus);
  } else {
    made = addNode();
  }
  keyIndex_.invalidate();
  const bool newItemRow = newItemRowActive_;
  DBGridNode& node = dbNode(*made);
  made->makeVisible();
  node.setKeyValue(Variant::null());
  node.setGroupValue(Variant::null());
  node.setRecordIndex(loadedRecordCount_);
  storeRecord(node);
  changingNode_ = &node;
  savedChangedKey_ = node.keyValue().toVariant();
  {
    GridPhases::Scope handling(phases_, GridPhase::handlingChange);
    made->setFocused();
  }
  if (focusedNode() && !groupColumns_.empty()) {
    // The new record belongs to the group it was inserted in.
    for (TreeListNode* p = made->parent(); p; p = p->parent()) {
      const int level = p->level();
      DBTreeListColumn* column = groupColumns(level);
      if (!column || !column->field()) continue;
      try {
        column->field()->setVariantValue(dbNode(*p).groupValue().toVariant());
      } catch (const std::exception&) {
        // A value the field does not take stays unset.
      }
    }
  }
  newItemRowActive_ = newItemRow;
}

void CustomDBGrid::deleteWithEmptyGroups(TreeListNode* node) {
  if (!node) return;
  while (node->parent() && node->parent()->count() == 1) node = node->parent();
  TreeListNode* parent = node->parent();
  deleteNode(node);
  if (parent) takeFirstChildKeysUpwards(parent);
}

// --- Deleting -------------------------------------------------------------------------------

bool CustomDBGrid::confirmDelete() {
  const std::string_view text =
      selectedCount() > 1 ? kDeleteSelectedQuestion : kDeleteRecordQuestion;
  if (!options().has(goConfirmDelete)) return true;
  return host().services().messageBox(text, kConfirmCaption, mbiQuestion, mbbOkCancel) != mrCancel;
}

void CustomDBGrid::deleteNodeRecord(TreeListNode* node) {
  DataSet* ds = dataSet();
  if (!dataLink_.linkActive() || !ds || !node) return;
  if (!loadAllMode()) {
    if (node != focusedNode()) return;
  } else {
    if (isGroupNode(node) || !options().has(goCanNavigation)) return;
    const bool byKey = options().has(goUseLocate) || options().has(goSmartRefresh);
    if (!goToNodeRecord(focusedNode(), node, byKey, dbNode(*node).keyValue().toVariant())) return;
  }
  changingNode_ = &dbNode(*node);
  savedChangedKey_ = changingNode_->keyValue().toVariant();
  OnFailure forget([this] {
    changingNode_ = nullptr;
    savedChangedKey_ = Variant::null();
  });
  ds->deleteCurrent();
  forget.dismiss();
  // The group rows' summaries (their counts, say) lost a record.
  recomputeAllSummaries();
}

void CustomDBGrid::deleteSelection() {
  DataSet* ds = dataSet();
  if (!dataLink_.linkActive() || !ds) return;
  hideEditing();
  layoutChanging_ = true;
  // The rows to delete, by key: a deletion frees nodes, keys stay.
  std::vector<Variant> keys;
  for (int i = 0; i < selectedCount(); ++i) {
    TreeListNode* n = selectedNodes(i);
    if (loadAllMode() && isGroupNode(n)) continue;
    keys.push_back(dbNode(*n).keyValue().toVariant());
  }
  const std::string mark = ds->positionMark();
  {
    SuspendedLinks suspended(*ds);
    for (auto it = keys.rbegin(); it != keys.rend(); ++it) {
      try {
        if (ds->findKeyRecord(keyFieldName_, *it)) ds->deleteCurrent();
      } catch (const std::exception&) {
        if (!options().has(goExtMultiSelect)) {
          clearSelection();
          throw;
        }
      }
    }
    clearSelection();
    try {
      if (!mark.empty() && ds->markValid(mark)) ds->goToMark(mark);
    } catch (const std::exception&) {
      // The remembered record may be among the deleted.
    }
  }
}

// --- Keys --------------------------------------------------------------------------------------

bool CustomDBGrid::readOnlyForDelete() const {
  if (readOnly()) return true;
  const DataSet* ds = dataSet();
  return ds && ds->active() && ds->atStart() && ds->atEnd() && !options().has(goCanInsert);
}

bool CustomDBGrid::keyDown(int key, ShiftState shift) {
  // The user's handler runs first and once: it is detached while the grid
  // and the tree list below it handle the key.
  const ValueScope<TLKeyEvent> detached(onKeyDown, nullptr);
  const TLKeyEvent& handler = detached.saved();
  if (handler) {
    handler(*this, key, shift);
    if (key == 0) return true;
  }
  return gridKeyDown(key, shift) || CustomDBTreeListControl::keyDown(key, shift);
}

bool CustomDBGrid::edgeKeyDown(int key, DataSet& ds, TreeListNode* focus) {
  const bool unchangedInsert = ds.state() == stInsert && !ds.modified() && !dataLink_.editPending();
  if (key == vkUp && editingState(&ds)) {
    if (unchangedInsert && ds.atEnd()) {
      ds.cancelChanges();
      if (TreeListNode* last = lastVisibleNode()) last->setFocused();
      return true;
    }
    if (focus && visibleIndexOf(focus) == 0) ds.postRecord();
  }
  if (key == vkDown && focus && focus == lastVisibleNode()) {
    if (unchangedInsert) return true;
    if (options().has(goCanAppend) && options().has(goCanInsert) && ds.canModifyRecords()) {
      hideEditing();
      ds.appendNew();
      return true;
    }
    if (editingState(&ds)) ds.postRecord();
  }
  return false;
}

bool CustomDBGrid::gridKeyDown(int key, ShiftState shift) {
  DataSet* ds = dataSet();
  if (!dataLink_.linkActive() || !ds) return false;
  const bool ctrl = (shift & ssCtrl) != 0;
  TreeListNode* focus = focusedNode();

  if (key == vkDelete && ctrl && !newItemRowActive_ && options().has(goCanDelete) &&
      options().has(goCanNavigation) && !readOnlyForDelete() && focus && !isGroupNode(focus)) {
    if (ds->noRecords() || !ds->canModifyRecords() || !confirmDelete()) return true;
    if (selectedCount() < 2) {
      deleteNodeRecord(focusedNode());
    } else {
      deleteSelection();
    }
    return true;
  }
  if (key == vkEscape) {
    if (dataLink_.editPending()) {
      linkRecordChanged(nullptr);
    } else {
      ds->cancelChanges();
    }
    return false;
  }
  if (!loadAllMode()) return false;
  const bool rowSel = options().has(goRowSelect);
  if ((key == vkLeft || key == vkRight) && focus && isGroupNode(focus) && !rowSel &&
      !newItemRowActive_) {
    if (key == vkLeft && focus->expanded()) {
      focus->collapse(false);
      return true;
    }
    if (key == vkRight && !focus->expanded()) {
      focus->expand(false);
      return true;
    }
  }
  if (key == vkInsert && !rowSel && !ctrl && options().has(goCanInsert) &&
      options().has(goCanNavigation) && ds->canModifyRecords()) {
    clearSelection();
    ds->insertNew();
    return true;
  }
  if (edgeKeyDown(key, *ds, focus)) return true;
  if (rowSel && (key == vkLeft || key == vkRight) && focus && !isGroupNode(focus)) {
    scrollColumns(key == vkLeft ? -1 : 1);
    return true;
  }
  return false;
}

void CustomDBGrid::scrollColumns(int direction) {
  setLeftCoord(leftCoord() + direction * metrics().charWidth);
}

void CustomDBGrid::focusChanged(bool focused) {
  if (!focused) exitGrid();
  CustomDBTreeListControl::focusChanged(focused);
}

void CustomDBGrid::hideHeader(TreeListColumn* column) {
  CustomDBTreeListControl::hideHeader(column);
  if (onHideColumn) onHideColumn(*this, dynamic_cast<DBTreeListColumn*>(column));
}

void CustomDBGrid::showHeader(int band, int row, TreeListColumn* column, int col) {
  CustomDBTreeListControl::showHeader(band, row, column, col);
  if (onShowColumn) onShowColumn(*this, dynamic_cast<DBTreeListColumn*>(column));
}

void CustomDBGrid::exitGrid() {
  DataSet* ds = dataSet();
  if (!dataLink_.linkActive() || !ds) return;
  // A failed save keeps the user in the grid to put it right.
  OnFailure stay([this] { host().setFocus(); });
  if (options().has(goCancelOnExit) && ds->state() == stInsert && !ds->modified() &&
      !dataLink_.editPending()) {
    ds->cancelChanges();
  } else {
    linkUpdateData();
  }
  stay.dismiss();
}

}  // namespace morvel
