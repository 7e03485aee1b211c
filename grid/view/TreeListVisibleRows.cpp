// The tree list's visible-row index, and the walks through the tree that
// answer in its place while it is not valid; see CustomTreeList.h.
#include "grid/view/CustomTreeList.h"

namespace morvel {

bool CustomTreeList::indexUsable() const {
  return indexValid_ && !visibleRows_.empty() && !destroying_;
}

void CustomTreeList::dropVisibleIndex() {
  if (indexValid_ || !visibleRows_.empty()) {
    visibleRows_.clear();
    indexValid_ = false;
  }
  clearRowHeightCaches();
}

void CustomTreeList::clearRowHeightCaches() {
  if (!rowHeightsCached_) return;
  forEachNode([](TreeListNode* n) { n->rowHeightCache_ = 0; });
  rowHeightsCached_ = false;
}

void CustomTreeList::refreshVisibleIndex() {
  if (suppressIndex_ || destroying_) return;
  visibleRows_.clear();
  // One pass in display order, descending only into expanded nodes.
  walkTree(
      [this](TreeListNode* node) {
        node->visibleRow_ = static_cast<std::uint32_t>(visibleRows_.size());
        visibleRows_.push_back(node);
      },
      [](const TreeListNode* node) { return node->expanded_; }, [](const TreeListNode*) {});
  indexValid_ = true;
}

int CustomTreeList::visibleIndexOf(const TreeListNode* node) const {
  if (!node) return -1;
  if (indexUsable()) {
    const std::size_t r = node->visibleRow_;
    return r < visibleRows_.size() && visibleRows_[r] == node ? static_cast<int>(r) : -1;
  }
  return walkVisibleIndex(node);
}

int CustomTreeList::visibleCount() const {
  return indexUsable() ? static_cast<int>(visibleRows_.size()) : walkVisibleCount();
}

TreeListNode* CustomTreeList::nodeAtVisibleIndex(int index) const {
  if (indexUsable()) {
    return index >= 0 && static_cast<std::size_t>(index) < visibleRows_.size()
               ? visibleRows_[static_cast<std::size_t>(index)]
               : nullptr;
  }
  return walkNodeAtVisibleIndex(index);
}

TreeListNode* CustomTreeList::lastVisibleNode() const {
  if (indexUsable()) return visibleRows_.back();
  TreeListNode* n = topNodes_.last();
  while (n && n->expanded_ && n->count() > 0) n = n->children_->last();
  return n;
}

TreeListNode* CustomTreeList::nextVisible(const TreeListNode* node) const {
  if (!node) return nullptr;
  if (indexUsable()) {
    const int r = visibleIndexOf(node);
    return r >= 0 ? nodeAtVisibleIndex(r + 1) : nullptr;
  }
  return walkNextVisible(node);
}

TreeListNode* CustomTreeList::priorVisible(const TreeListNode* node) const {
  if (!node) return nullptr;
  if (indexUsable()) {
    const int r = visibleIndexOf(node);
    return r > 0 ? nodeAtVisibleIndex(r - 1) : nullptr;
  }
  return walkPriorVisible(node);
}

TreeListNode* CustomTreeList::walkNextVisible(const TreeListNode* node) const {
  if (node->expanded_ && node->count() > 0) return node->children_->at(0);
  for (const TreeListNode* n = node; n; n = n->parent_) {
    const NodeList& siblings = n->siblings();
    const int i = siblings.indexOf(n);
    if (i >= 0 && i + 1 < siblings.count()) return siblings.at(i + 1);
  }
  return nullptr;
}

TreeListNode* CustomTreeList::walkPriorVisible(const TreeListNode* node) const {
  const int i = node->index();
  if (i == 0) return node->parent_;
  if (i < 0) return nullptr;
  TreeListNode* p = node->siblings().at(i - 1);
  while (p->expanded_ && p->count() > 0) p = p->children_->last();
  return p;
}

int CustomTreeList::walkVisibleIndex(const TreeListNode* node) const {
  if (topNodes_.empty() || !node->isVisible()) return -1;
  int row = 0;
  for (const TreeListNode* n = topNodes_.first(); n; n = walkNextVisible(n), ++row) {
    if (n == node) return row;
  }
  return -1;
}

TreeListNode* CustomTreeList::walkNodeAtVisibleIndex(int index) const {
  if (index < 0) return nullptr;
  TreeListNode* n = topNodes_.first();
  while (n && index-- > 0) n = walkNextVisible(n);
  return n;
}

int CustomTreeList::walkVisibleCount() const {
  int count = 0;
  for (const TreeListNode* n = topNodes_.first(); n; n = walkNextVisible(n)) ++count;
  return count;
}

}  // namespace morvel
