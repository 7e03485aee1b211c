// The tree list's update lock and the relayout its last unlock runs; see
// CustomTreeList.h.
#include <algorithm>

#include "base/ScopeGuard.h"
#include "grid/view/CustomTreeList.h"

namespace morvel {

void CustomTreeList::lockUpdate() {
  ++updateLock_;
  hideEditing();
  dropVisibleIndex();
  beginSelectionBatch();
}

void CustomTreeList::unlockUpdate() {
  if (updateLock_ == 0) return;
  --updateLock_;
  Finally endBatch([this] { endSelectionBatch(); });
  if (updateLock_ == 0) recomputeLayout();
}

void CustomTreeList::unlockUpdateWithoutLayout() {
  if (updateLock_ == 0) return;
  --updateLock_;
  endSelectionBatch();
}

void CustomTreeList::UpdateLock::Unlock::operator()() const { grid.unlockUpdate(); }

void CustomTreeList::recomputeLayout() {
  if (updateLock_ > 0 || destroying_) return;
  // Held so that nothing the layout calls starts another relayout.
  ++updateLock_;
  Finally unlock([this] { --updateLock_; });
  computeLayout();
}

void CustomTreeList::computeLayout() {
  dropVisibleIndex();
  refreshVisibleIndex();
  fixTopNode();
  updateScrollBars();
  host().invalidate();
}

void CustomTreeList::updateScrollBars() {
  const int count = visibleCount();
  const int page = visibleRowCount();
  ScrollBarInfo info;
  info.visible = count > page;
  info.max = info.visible ? count - 1 : 0;
  info.page = page;
  info.position = info.visible ? std::max(visibleIndexOf(topNode_), 0) : 0;
  host().setScrollBar(sbVertical, info);
}

}  // namespace morvel
