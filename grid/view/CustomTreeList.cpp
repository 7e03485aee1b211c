// The tree of nodes (adding, deleting, moving, expanding), node values, row
// geometry and repaints, and the events; see CustomTreeList.h. The
// visible-row index is in TreeListVisibleRows.cpp, focus and selection in
// TreeListFocus.cpp, the update lock in TreeListUpdateLock.cpp.
#include "grid/view/CustomTreeList.h"

#include <algorithm>
#include <charconv>

#include "base/ScopeGuard.h"
#include "grid/view/DetachedHost.h"

namespace morvel {

CustomTreeList::CustomTreeList() { Control::setColor(clWindow); }

CustomTreeList::CustomTreeList(ControlHost& host) : givenHost_(&host) {
  Control::setColor(clWindow);
}

CustomTreeList::~CustomTreeList() {
  destroying_ = true;
  focusedNode_ = topNode_ = anchorNode_ = nullptr;
  selection_.clear();
  visibleRows_.clear();
}

ControlHost& CustomTreeList::host() const {
  if (ControlHost* attached = Control::host()) return *attached;
  if (givenHost_) return *givenHost_;
  if (!detachedHost_) detachedHost_ = std::make_unique<DetachedHost>();
  return *detachedHost_;
}

void CustomTreeList::fontChanged() {
  rowHeight_ = 0;
  recomputeLayout();
}

void CustomTreeList::hostAttached() {
  // What was measured without the host's fonts is measured again.
  rowHeight_ = 0;
  recomputeLayout();
}

void CustomTreeList::hostDetaching() { rowHeight_ = 0; }

void CustomTreeList::resized() { recomputeLayout(); }

void CustomTreeList::paint(Canvas& canvas, const Rect& dirty) { canvas.fillRect(dirty, color()); }

void CustomTreeList::setOptions(GridOptions options) {
  if (options == options_) return;
  options_ = options;
  recomputeLayout();
}

void CustomTreeList::setOptionsEx(GridOptionsEx options) {
  if (options == optionsEx_) return;
  optionsEx_ = options;
  recomputeLayout();
}

bool CustomTreeList::rowSelect() const {
  return options_.has(goRowSelect) && !optionsEx_.has(goInvertSelect);
}

// --- Adding and deleting -------------------------------------------------------

void CustomTreeList::linkNode(std::unique_ptr<TreeListNode> owned, TreeListNode* parent,
                              int position) {
  dropVisibleIndex();
  TreeListNode* node = owned.get();
  node->parent_ = parent;
  NodeList* list = &topNodes_;
  if (parent) {
    if (!parent->children_) parent->children_ = std::make_unique<NodeList>();
    list = parent->children_.get();
  }
  list->insert(std::clamp(position, 0, list->count()), std::move(owned));
}

std::unique_ptr<TreeListNode> CustomTreeList::unlinkNode(TreeListNode* node) {
  // A hidden node is in no row, and its leaving shows or hides nothing (its
  // parent, if it loses its last child, was collapsed or hidden itself): the
  // index stays right.
  if (node->isVisible()) dropVisibleIndex();
  TreeListNode* parent = node->parent_;
  NodeList& list = node->siblings();
  std::unique_ptr<TreeListNode> owned = list.take(list.indexOf(node));
  node->parent_ = nullptr;
  if (parent && parent->children_->empty()) childrenGone(parent);
  return owned;
}

void CustomTreeList::childrenGone(TreeListNode* parent) {
  parent->children_.reset();
  parent->hasChildren_ = nodeHasChildren(parent);
  parent->expanded_ = false;
}

TreeListNode* CustomTreeList::insertNode(TreeListNode* before) {
  std::unique_ptr<TreeListNode> owned = createNode();
  TreeListNode* node = owned.get();
  int position = topNodes_.count();
  if (before) {
    const int i = before->index();
    if (i >= 0 && i < position) position = i;
  }
  linkNode(std::move(owned), nullptr, position);
  nodeAdded(node);
  return node;
}

TreeListNode* CustomTreeList::insertChildNode(TreeListNode* parent, int position) {
  std::unique_ptr<TreeListNode> owned = createNode();
  TreeListNode* node = owned.get();
  linkNode(std::move(owned), parent, position);
  parent->setHasChildren(true);
  nodeAdded(node);
  return node;
}

void CustomTreeList::nodeAdded(TreeListNode* node) {
  hideEditing();
  if (!topNode_) topNode_ = node;
  if (!focusedNode_) focusedNode_ = topNode_;
  if (locked()) return;
  if (!destroying_) refreshVisibleIndex();
  TreeListNode* from = node;
  const int i = node->index();
  if (i > 0) {
    from = node->siblings().at(i - 1);
  } else if (node->parent_) {
    from = node->parent_;
  }
  invalidateNode(from, true);
}

bool CustomTreeList::nodeHasChildren(TreeListNode* node) { return node->count() != 0; }

void CustomTreeList::deleteNode(TreeListNode* node) {
  if (!node || node->owner_ != this || node->deleting_) return;
  node->deleting_ = true;
  // The clean-ups are written out rather than as guards: this runs once per
  // row when a million rows are cleared, and a guard's counts of uncaught
  // exceptions made the clearing two thirds slower.
  if (node->count() > 0) {
    try {
      node->deleteChildren();
    } catch (...) {
      node->deleting_ = false;  // a child that refused to go leaves it usable
      throw;
    }
  }
  const int i = node->index();
  TreeListNode* prior = i > 0 ? node->siblings().at(i - 1) : node->parent_;
  TreeListNode* next = nextVisible(node);
  const bool wasLast = node->isLast();
  const bool wasVisible = node->isVisible() && !(node->parent_ && node->parent_->deleting_);
  std::unique_ptr<TreeListNode> owned = unlinkNode(node);
  // The node goes even when the notice fails, and overrides may skip the
  // base's repair: nothing may keep pointing at it.
  try {
    nodeDeleting(node, prior, next, wasLast, wasVisible);
  } catch (...) {
    forgetNode(node, prior ? prior : next);
    throw;
  }
  forgetNode(node, prior ? prior : next);
}

void CustomTreeList::forgetNode(TreeListNode* node, TreeListNode* replacement) {
  if (node->inSelection_) removeFromSelection(node);
  if (topNode_ == node) topNode_ = topNodes_.empty() ? nullptr : replacement;
  if (focusedNode_ == node) focusedNode_ = topNodes_.empty() ? nullptr : replacement;
  if (anchorNode_ == node) anchorNode_ = topNodes_.empty() ? nullptr : replacement;
}

void CustomTreeList::nodeDeleting(TreeListNode* node, TreeListNode* prior, TreeListNode* next,
                                  bool /*wasLast*/, bool wasVisible) {
  if (!settingAside_) doDeletion(node);
  if (node->inSelection_) removeFromSelection(node);
  if (wasVisible && !destroying_) dropVisibleIndex();
  if (topNodes_.empty()) {
    setTopNode(nullptr);
    focusedNode_ = nullptr;
    anchorNode_ = nullptr;
    if (!locked() && !destroying_) {
      updateScrollBars();
      host().invalidate();
    }
    return;
  }
  TreeListNode* replacement = prior ? prior : next;
  TreeListNode* const oldTop = topNode_;
  TreeListNode* const oldFocus = focusedNode_;
  if (topNode_ == node) setTopNode(replacement);
  if (focusedNode_ == node) focusedNode_ = replacement;
  if (anchorNode_ == node) anchorNode_ = replacement;
  hideEditing();
  if (wasVisible) {
    if (!locked() && !destroying_) {
      refreshVisibleIndex();
      // With fewer rows, the last page may have to start higher up.
      fixTopNode();
    }
    TreeListNode* from = topNode_ != oldTop         ? topNode_
                         : focusedNode_ != oldFocus ? focusedNode_
                         : prior                    ? prior
                                                    : next;
    invalidateNode(from, true);
  }
}

void CustomTreeList::clearNodes() {
  // A grid being destroyed lays nothing out: no lock, no relayout.
  const bool layOut = !destroying_;
  if (layOut) lockUpdate();
  Finally unlock([&] {
    if (layOut) unlockUpdate();
  });
  // No index is built for rows about to go; the relayout at the unlock
  // builds it again.
  FlagScope noIndex(suppressIndex_, true);
  dropVisibleIndex();
  if (onDeletion) {
    // A node's deletion is told after its children's and before its next
    // sibling's.
    while (!topNodes_.empty()) deleteNode(topNodes_.at(0));
    return;
  }
  // Unwatched, every list goes in one pass, its rows fetched ahead: a
  // third faster for a million rows scattered by a sort.
  std::vector<std::unique_ptr<TreeListNode>> none;
  weedList(
      topNodes_, nullptr, [](TreeListNode*) { return NodeFate::remove; }, none);
}

TreeListNode* CustomTreeList::topNodes(int i) const {
  return i >= 0 && i < topNodes_.count() ? topNodes_.at(i) : nullptr;
}

// --- Moving ------------------------------------------------------------------

void CustomTreeList::moveNode(TreeListNode* node, TreeListNode* dest, TreeListNodeAttachMode mode) {
  if (!dest || dest->owner_ != this || dest->hasAsParent(node)) return;
  const bool childMode = mode == AttachAddChild || mode == AttachAddChildFirst;
  if (dest == node && (childMode || mode == AttachInsert)) return;
  UpdateLock lock(*this);
  // Taken before unlinking: when the node is its own destination its parent
  // link is gone afterwards.
  TreeListNode* const destParent = dest->parent_;
  std::unique_ptr<TreeListNode> owned = unlinkNode(node);
  TreeListNode* newParent = childMode ? dest : destParent;
  const NodeList* list = newParent ? newParent->children_.get() : &topNodes_;
  const int count = list ? list->count() : 0;
  int position = 0;
  switch (mode) {
    case AttachAdd:
    case AttachAddChild:
      position = count;
      break;
    case AttachAddFirst:
    case AttachAddChildFirst:
      position = 0;
      break;
    case AttachInsert:
      position = list ? list->indexOf(dest) : 0;
      break;
  }
  linkNode(std::move(owned), newParent, position);
  // A parent that lost its last child to the unlink gets one back here (a
  // node made its own sibling), so it must still count as a parent.
  if (newParent) newParent->hasChildren_ = true;
  focusedNode_ = node;
  makeNodeVisible(node);
}

void CustomTreeList::relinkNode(TreeListNode* node, TreeListNode* parent, int position) {
  if (!node || node->owner_ != this || node == parent || (parent && parent->hasAsParent(node))) {
    return;
  }
  std::unique_ptr<TreeListNode> owned = unlinkNode(node);
  dropVisibleIndex();
  linkNode(std::move(owned), parent, position);
  if (parent) parent->hasChildren_ = true;
}

void CustomTreeList::takeChildren(TreeListNode* parent,
                                  std::vector<std::unique_ptr<TreeListNode>>& into) {
  NodeList* list = parent ? parent->children_.get() : &topNodes_;
  if (!list || list->empty()) return;
  dropVisibleIndex();
  const std::size_t from = into.size();
  list->takeAll(into);
  for (std::size_t k = from; k < into.size(); ++k) into[k]->parent_ = nullptr;
  if (parent) childrenGone(parent);
}

void CustomTreeList::appendTakenNode(std::unique_ptr<TreeListNode> node, TreeListNode* parent) {
  const int end = parent ? parent->count() : topNodes_.count();
  linkNode(std::move(node), parent, end);
  if (parent) parent->hasChildren_ = true;
}

// --- Expanding and collapsing ---------------------------------------------------

void CustomTreeList::setExpanded(TreeListNode* node, bool expanded) {
  if (!node->hasChildren_ || node->expanded_ == expanded) return;
  bool allow = true;
  if (expanded) {
    doExpanding(node, allow);
  } else {
    doCollapsing(node, allow);
  }
  if (!allow) return;
  if (!expanded && focusedNode_ && focusedNode_->hasAsParent(node)) {
    if (!canCollapseFocused(node)) return;
  }
  node->expanded_ = expanded;
  dropVisibleIndex();
  if (!locked() && !destroying_) refreshVisibleIndex();
  invalidateNode(node, true);
  if (expanded) {
    doExpanded(node);
  } else {
    doCollapsed(node);
  }
}

void CustomTreeList::expandOrCollapse(TreeListNode* node, bool expand, bool recurse) {
  if (!node->hasChildren_) return;
  UpdateLock lock(*this);
  setExpanded(node, expand);
  if (!recurse) return;
  for (int i = 0; i < node->count(); ++i) expandOrCollapse(node->children_->at(i), expand, true);
}

bool CustomTreeList::canCollapseFocused(TreeListNode* node) {
  setFocusedNode(node, focusedColumn_, false);
  return true;
}

void CustomTreeList::expandAll() {
  if (topNodes_.empty()) return;
  UpdateLock lock(*this);
  for (int i = 0; i < topNodes_.count(); ++i) expandOrCollapse(topNodes_.at(i), true, true);
}

void CustomTreeList::collapseAll() {
  if (topNodes_.empty()) return;
  UpdateLock lock(*this);
  for (int i = 0; i < topNodes_.count(); ++i) expandOrCollapse(topNodes_.at(i), false, true);
  setTopNode(topNodes_.first());
}

void CustomTreeList::makeNodeVisible(TreeListNode* node) {
  if (node->isVisible()) {
    scrollIntoView(node, false);
    return;
  }
  UpdateLock lock(*this);
  for (TreeListNode* p = node->parent_; p; p = p->parent_) {
    if (!p->expanded_) setExpanded(p, true);
  }
  scrollIntoView(node, true);
}

void CustomTreeList::scrollIntoView(TreeListNode* node, bool ancestorsExpanded) {
  const int r = visibleIndexOf(node);
  if (r < 0) return;  // an ancestor refused to expand
  const int t = visibleIndexOf(topNode_);
  const int v = visibleRowCount();
  if (t <= r && r <= t + v - 1 && !ancestorsExpanded) return;
  if (r < t) {
    setTopVisibleIndex(r);
  } else if (r > t + v - 1) {
    setTopVisibleIndex(r - v + 1);
  }
}

// --- Node values ---------------------------------------------------------------------

Variant CustomTreeList::getNodeValue(const TreeListNode& node, int column) const {
  std::string buffer;
  return Variant(getNodeString(node, column, buffer));
}

std::string_view CustomTreeList::getNodeString(const TreeListNode&, int, std::string&) const {
  return {};
}

std::string CustomTreeList::nodeString(const TreeListNode& node, int column) const {
  std::string buffer;
  return std::string(getNodeString(node, column, buffer));
}

void CustomTreeList::setNodeString(TreeListNode&, int, std::string_view) {}

void CustomTreeList::setNodeValue(TreeListNode& node, int column, const Variant& value) {
  setNodeString(node, column, valueToText(value));
  invalidateNode(&node, false);
}

std::string CustomTreeList::valueToText(const Variant& value) const {
  char digits[64];
  const auto number = [&](auto v) {
    const auto result = std::to_chars(digits, digits + sizeof digits, v);
    return std::string(digits, result.ptr);
  };
  switch (value.kind()) {
    case vkEmpty:
    case vkNull:
      return {};
    case vkString:
      return value.stringValue();
    case vkInteger:
      return number(value.integerValue());
    case vkBoolean:
      return value.booleanValue() ? "True" : "False";
    case vkFloat:
    case vkCurrency:
    case vkDate:
      return number(value.toDouble());
  }
  return {};
}

int CustomTreeList::getImageIndex(const TreeListNode&) const { return -1; }
int CustomTreeList::getSelectedIndex(const TreeListNode&) const { return -1; }
int CustomTreeList::getStateIndex(const TreeListNode&) const { return -1; }
void CustomTreeList::setImageIndex(TreeListNode& node, int) { invalidateNode(&node, false); }
void CustomTreeList::setSelectedIndex(TreeListNode& node, int) { invalidateNode(&node, false); }
void CustomTreeList::setStateIndex(TreeListNode& node, int) { invalidateNode(&node, false); }

// --- Layout and repainting -------------------------------------------------------------

int CustomTreeList::rowHeight() const {
  if (rowHeight_ == 0) {
    Canvas& canvas = host().canvas();
    canvas.setFont(font());
    rowHeight_ = std::max(canvas.textHeight() + 3, 16);
  }
  return rowHeight_;
}

int CustomTreeList::visibleRowCount() const {
  const int height = host().clientSize().height - rowsAreaTop();
  return std::max(height / rowHeight(), 1);
}

int CustomTreeList::paintedRowCount() const {
  const int height = host().clientSize().height - rowsAreaTop();
  const int row = rowHeight();
  return std::max((height + row - 1) / row, 1);
}

Rect CustomTreeList::rowRect(const TreeListNode* node) const {
  const int r = visibleIndexOf(node);
  const int t = visibleIndexOf(topNode_);
  if (r < 0 || t < 0 || r < t || r - t >= paintedRowCount()) return {};
  const Size client = host().clientSize();
  const int top = rowsAreaTop() + (r - t) * rowHeight();
  if (top >= client.height) return {};  // no room for rows at all
  return {0, top, client.width, std::min(top + rowHeight(), client.height)};
}

void CustomTreeList::invalidateNode(TreeListNode* node, bool toBottom) {
  if (locked() || destroying_ || !node || node->deleting_) return;
  if (toBottom) updateScrollBars();
  Rect r = rowRect(node);
  if (toBottom) {
    const Size client = host().clientSize();
    if (r.isEmpty()) {
      // A row above the top row still moves every row below it.
      const int row = visibleIndexOf(node);
      if (row < 0 || row >= visibleIndexOf(topNode_)) return;
      r = {0, rowsAreaTop(), client.width, client.height};
    }
    r.bottom = client.height;
  }
  if (!r.isEmpty()) host().invalidateRect(r);
}

void CustomTreeList::reorderSiblings(NodeList& list, std::span<TreeListNode* const> order) {
  dropVisibleIndex();
  list.reorder(order);
}

// --- Events ---------------------------------------------------------------------------

void CustomTreeList::doExpanding(TreeListNode* node, bool& allow) {
  if (onExpanding) onExpanding(*this, node, allow);
}
void CustomTreeList::doExpanded(TreeListNode* node) {
  if (onExpanded) onExpanded(*this, node);
}
void CustomTreeList::doCollapsing(TreeListNode* node, bool& allow) {
  if (onCollapsing) onCollapsing(*this, node, allow);
}
void CustomTreeList::doCollapsed(TreeListNode* node) {
  if (onCollapsed) onCollapsed(*this, node);
}
void CustomTreeList::doDeletion(TreeListNode* node) {
  if (onDeletion) onDeletion(*this, node);
}
void CustomTreeList::doChangeNode(TreeListNode* oldNode, TreeListNode* node) {
  if (onChangeNode) onChangeNode(*this, oldNode, node);
}
void CustomTreeList::doChangeColumn(TreeListNode* node, int column) {
  if (onChangeColumn) onChangeColumn(*this, node, column);
}
void CustomTreeList::doChangeTopVisibleNode() {
  if (onChangeTopVisibleNode) onChangeTopVisibleNode(*this);
}
void CustomTreeList::doCanNodeSelected(TreeListNode* node, bool& allow) {
  if (onCanNodeSelected) onCanNodeSelected(*this, node, allow);
}
void CustomTreeList::doSelectedCountChange() {
  if (onSelectedCountChange) onSelectedCountChange(*this);
}

}  // namespace morvel
