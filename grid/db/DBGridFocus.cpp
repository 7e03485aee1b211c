// The focused row and the dataset's current record kept together: moving
// the dataset to a focused row's record (by key or by distance), moving the
// focus to the current record's row, and the rows watched while a focus
// move may free them.
#include <algorithm>

#include "base/ScopeGuard.h"
#include "grid/db/CustomDBGrid.h"
#include "grid/db/DBGridSupport.h"
#include "table/DataSet.h"

namespace morvel {

using dbgrid::editingState;

// --- Focus and the current record --------------------------------------------------------

void CustomDBGrid::followFocusedRow() {
  TreeListNode* focused = focusedNode();
  if (inPhase(GridPhase::loading) || !focused || !keyField_) return;
  const PackedValue& key = dbNode(*focused).keyValue();
  if (key.tryCompare(keyField_->variantValue()) == 0) return;
  goToNodeRecord(focused, focused, true, key.toVariant());
}

bool CustomDBGrid::watched(TreeListNode* node) const {
  return std::find(watchList_.begin(), watchList_.end(), node) != watchList_.end();
}

void CustomDBGrid::unwatch(TreeListNode* node) {
  const auto it = std::find(watchList_.rbegin(), watchList_.rend(), node);
  if (it != watchList_.rend()) watchList_.erase(std::next(it).base());
}

bool CustomDBGrid::holdsCurrentKey(const TreeListNode& node) const {
  if (!keyField_) return false;
  Variant key;
  try {
    key = keyField_->variantValue();
  } catch (const std::exception&) {
    return false;  // a record that cannot be read matches no row
  }
  return dbNode(node).keyValue().tryCompare(key) == 0;
}

bool CustomDBGrid::goToNodeRecord(TreeListNode* from, TreeListNode* to, bool byKey,
                                  const Variant& key) {
  if (inPhase(GridPhase::loading)) return true;
  if (!to) return false;
  const DBGridNode& target = dbNode(*to);
  if (to == from && holdsCurrentKey(target)) return true;
  DataSet* ds = dataSet();
  if (to == changingNode_ && ds && ds->state() == stInsert) return true;
  if (!options().has(goCanNavigation) || !ds) return true;
  GridPhases::Scope loading(phases_, GridPhase::loading, !editingState(ds));
  if (!dataLink_.linkActive()) return true;
  if (byKey) {
    GridPhases::Scope locating(phases_, GridPhase::locating);
    ds->findKeyRecord(keyFieldName_, key);
  } else {
    GridPhases::Scope skipping(phases_, GridPhase::skipping);
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
  const Finally unwatchOnExit([this, node] { unwatch(node); });
  if (!inPhase(GridPhase::scrolling) && focusedNode() && column != focusedColumn()) {
    CustomDBTreeListControl::setFocusedNode(focusedNode(), column, false);
  }
  DataSet* ds = dataSet();
  // While the grid follows the dataset (a change or a scroll is being
  // handled) the dataset is already on the record.
  if (loadAllMode() && !inPhase(GridPhase::handlingChange) && !inPhase(GridPhase::scrolling) &&
      ds) {
    const bool wasInsert = ds->state() == stInsert;
    const bool byKey = options().has(goUseLocate) || options().has(goSmartRefresh);
    const bool moved = goToNodeRecord(focusedNode(), node, byKey,
                                      byKey ? dbNode(*node).keyValue().toVariant() : Variant());
    if (!moved) return;
    if (wasInsert) {
      if (!watched(node)) return;
      if (!holdsCurrentKey(*node)) {
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
  if (!keyField_ || !options().has(goCanNavigation) || inPhase(GridPhase::loading)) return;
  const Variant key = keyField_->variantValue();
  if (topCount() == 0) return;
  if (groupColumns_.empty()) {
    focusNodeForSync(findDataNode(key));
    return;
  }
  const auto equalsKey = [&](const TreeListNode* n) {
    return n && dbNode(*n).keyValue().tryCompare(key) == 0;
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
    if (inPhase(GridPhase::scrolling)) {
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
    GridPhases::Scope scrolling(phases_, GridPhase::scrolling);
    if (!inPhase(GridPhase::handlingChange)) syncFocusToRecord();
    if (!locked()) host().invalidate();
  }
  if (dataLink_.linkActive() && onChangeNodeEx) onChangeNodeEx(*this);
}

void CustomDBGrid::linkScrolled(int distance) { scrollHandling(distance); }

}  // namespace morvel
