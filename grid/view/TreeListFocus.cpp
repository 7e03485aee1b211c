// The tree list's focused node and column, top row and selection; see
// CustomTreeList.h.
#include <algorithm>

#include "base/ScopeGuard.h"
#include "grid/view/CustomTreeList.h"

namespace morvel {

int CustomTreeList::focusedColumn() const { return rowSelect() ? 0 : focusedColumn_; }

void CustomTreeList::setFocusedNode(TreeListNode* node, int column, bool makeVisible) {
  TreeListNode* const oldNode = focusedNode_;
  const int oldColumn = focusedColumn();
  // Whatever part of the move was done, also when scrolling or repainting
  // failed, is reported.
  Finally fireEvents([&] {
    if (focusedNode_ != oldNode) doChangeNode(oldNode, focusedNode_);
    if (focusedColumn() != oldColumn) doChangeColumn(focusedNode_, focusedColumn());
  });
  if (locked()) {
    focusedNode_ = node;
    focusedColumn_ = column;
    return;
  }
  if (makeVisible && node) makeNodeVisible(node);
  if (node != oldNode || column != focusedColumn_) {
    focusedNode_ = node;
    focusedColumn_ = column;
    invalidateNode(oldNode, false);
    invalidateNode(node, false);
    makeColumnVisible(column);
  }
}

void CustomTreeList::setFocusedVisibleIndex(int index) {
  if (topNodes_.empty()) return;
  index = std::clamp(index, 0, std::max(visibleCount() - 1, 0));
  if (focusedNode_ && index == visibleIndexOf(focusedNode_)) return;
  setFocusedNode(nodeAtVisibleIndex(index), focusedColumn_, true);
}

void CustomTreeList::setTopNode(TreeListNode* node) {
  topNode_ = node;
  doChangeTopVisibleNode();
}

void CustomTreeList::setTopVisibleIndex(int index) {
  if (index < 0) index = 0;
  const int count = visibleCount();
  if (count < 2) return;
  index = std::min(index, std::max(count - visibleRowCount(), 0));
  TreeListNode* node = nodeAtVisibleIndex(index);
  if (!node || node == topNode_) return;
  setTopNode(node);
  if (!locked()) {
    updateScrollBars();
    host().invalidate();
  }
}

void CustomTreeList::fixTopNode() {
  if (topNodes_.empty()) {
    if (topNode_) setTopNode(nullptr);
    return;
  }
  TreeListNode* top = topNode_ ? topNode_ : topNodes_.first();
  while (!top->isVisible()) top = top->parent_;
  const int maxTop = std::max(visibleCount() - visibleRowCount(), 0);
  if (visibleIndexOf(top) > maxTop) top = nodeAtVisibleIndex(maxTop);
  if (top != topNode_) setTopNode(top);
}

TreeListNode* CustomTreeList::selectedNodes(int i) const {
  return i >= 0 && i < selectedCount() ? selection_[static_cast<std::size_t>(i)] : nullptr;
}

void CustomTreeList::addToSelection(TreeListNode* node) {
  node->inSelection_ = true;
  selection_.push_back(node);
}

void CustomTreeList::removeFromSelection(TreeListNode* node) {
  node->inSelection_ = false;
  const auto it = std::find(selection_.rbegin(), selection_.rend(), node);
  if (it != selection_.rend()) selection_.erase(std::next(it).base());
}

void CustomTreeList::setNodeSelected(TreeListNode* node, bool selected) {
  if (node->inSelection_ == selected) return;
  beginSelectionBatch();
  Finally endBatch([this] { endSelectionBatch(); });
  bool allow = true;
  if (selected) doCanNodeSelected(node, allow);
  if (!allow) return;
  if (selected) {
    addToSelection(node);
  } else {
    removeFromSelection(node);
  }
  invalidateNode(node, false);
}

void CustomTreeList::clearSelection() {
  if (selection_.empty()) return;
  beginSelectionBatch();
  std::vector<TreeListNode*> old;
  old.swap(selection_);
  for (TreeListNode* n : old) n->inSelection_ = false;
  for (TreeListNode* n : old) invalidateNode(n, false);
  endSelectionBatch();
}

void CustomTreeList::beginSelectionBatch() {
  if (selectionBatch_++ == 0) selectionCountAtBatch_ = selectedCount();
}

void CustomTreeList::endSelectionBatch() {
  if (selectionBatch_ == 0) return;
  if (--selectionBatch_ == 0 && selectedCount() != selectionCountAtBatch_) {
    doSelectedCountChange();
  }
}

}  // namespace morvel
