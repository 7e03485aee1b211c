// The tree-list grid's base: the tree of nodes the grid owns, the order of
// visible rows and its index, focus, top row, selection, the update lock and
// the node events. Knows nothing of columns (CustomTreeListControl adds them)
// and paints nothing but its background. It is a control: a host (a
// ControlWidget, a test's FakeHost) takes it and drives it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/ScopeGuard.h"
#include "base/Variant.h"
#include "grid/tree/NodeList.h"
#include "grid/tree/TreeListNode.h"
#include "grid/tree/TreeListOptions.h"
#include "grid/tree/TreeNodeOwner.h"
#include "platform/Control.h"
#include "platform/ControlHost.h"
#include "platform/Font.h"

namespace morvel {

class CustomTreeList : public Control, public TreeNodeOwner {
 public:
  using TLExpandingEvent =
      std::function<void(CustomTreeList& sender, TreeListNode* node, bool& allow)>;
  using TLExpandedEvent = std::function<void(CustomTreeList& sender, TreeListNode* node)>;
  using TLChangeNodeEvent =
      std::function<void(CustomTreeList& sender, TreeListNode* oldNode, TreeListNode* node)>;
  using TLChangeColumnEvent =
      std::function<void(CustomTreeList& sender, TreeListNode* node, int column)>;
  using TLCanNodeSelected =
      std::function<void(CustomTreeList& sender, TreeListNode* node, bool& allow)>;
  using NotifyEvent = std::function<void(CustomTreeList& sender)>;

  // Pixels per tree level.
  static constexpr int kIndentWidth = 16;

  // A grid made before any window hosts it: on first need it makes a
  // stand-in host of its own (DetachedHost), which it owns and which
  // answers until a host attaches the grid and again once that host lets
  // it go.
  CustomTreeList();
  // A grid that answers to `host` while no other host has attached it; the
  // host outlives the grid.
  explicit CustomTreeList(ControlHost& host);
  CustomTreeList(const CustomTreeList&) = delete;
  CustomTreeList& operator=(const CustomTreeList&) = delete;
  // Frees every node without events.
  virtual ~CustomTreeList();

  // The host that attached the grid, else the one it was made with, else a
  // stand-in that repaints nothing and measures with fixed metrics.
  ControlHost& host() const;
  const std::string& name() const { return name_; }
  void setName(std::string name) { name_ = std::move(name); }

  // The grid's font (Control::font()): cells, rows and best fit measure
  // with it.
  virtual void setFont(const Font& font) { Control::setFont(font); }

  GridOptions options() const { return options_; }
  GridOptionsEx optionsEx() const { return optionsEx_; }
  virtual void setOptions(GridOptions options);
  virtual void setOptionsEx(GridOptionsEx options);
  // Rows are selected as a whole (an inverted-selection look turns it off).
  bool rowSelect() const;
  bool multiSelect() const final { return options_.has(goMultiSelect); }

  // --- The tree -----------------------------------------------------------
  TreeListNode* addNode() { return insertNode(nullptr); }
  // A new top-level node at `before`'s index, or appended when null.
  TreeListNode* insertNode(TreeListNode* before);
  // Deletes the node and its subtree: children first, then the node is
  // unlinked and NodeDeleting repairs focus, top row and anchor.
  void deleteNode(TreeListNode* node) final;
  void clearNodes();
  // Deletes every node `doomed` picks, with its subtree, in one pass over
  // each sibling list; the other nodes keep their order. `doomed` sees a
  // node after its children were weeded, so it may pick a node that lost
  // them all. Each node leaves through nodeDeleting as with deleteNode:
  // focus, top row and anchor move to the nearest kept node above (its
  // kept prior sibling or its parent), else to the first kept node. One by
  // one, deleting most of a long list would shift it once per node.
  void deleteNodesWhere(const std::function<bool(TreeListNode*)>& doomed);
  // What a pass over the nodes does with each of them.
  enum class NodeFate : std::uint8_t { keep, remove, setAside };
  // As deleteNodesWhere, except that a childless node `fate` sets aside
  // leaves the tree without being freed or announced as deleted (no
  // onDeletion): it is appended to `aside`, unlinked and unselected, for
  // the caller to put back later with appendTakenNode or to free.
  void takeNodesWhere(const std::function<NodeFate(TreeListNode*)>& fate,
                      std::vector<std::unique_ptr<TreeListNode>>& aside);
  void expandAll();
  void collapseAll();

  int topCount() const { return topNodes_.count(); }
  TreeListNode* topNodes(int i) const;
  TreeListNode* firstNode() const { return topNodes_.first(); }

  // --- Visible rows ---------------------------------------------------------
  // Answered by the visible-row index while it is valid, by walking the tree
  // otherwise (for instance while the update lock is held).
  int visibleCount() const;
  TreeListNode* nodeAtVisibleIndex(int index) const;
  TreeListNode* lastVisibleNode() const;
  int visibleIndexOf(const TreeListNode* node) const final;
  TreeListNode* nextVisible(const TreeListNode* node) const final;
  TreeListNode* priorVisible(const TreeListNode* node) const final;
  bool visibleIndexValid() const { return indexUsable(); }

  // --- Update lock ----------------------------------------------------------
  // While held nothing is repainted, the visible-row index is not rebuilt
  // and focus changes are only stored; the last unlock recomputes the layout
  // once.
  void lockUpdate();
  void unlockUpdate();
  // Releases the lock without the relayout, for callers that repaint
  // themselves.
  void unlockUpdateWithoutLayout();
  int updateLock() const { return updateLock_; }
  bool locked() const { return updateLock_ > 0; }

  // Holds the update lock for a scope. The unlock's relayout runs on every
  // path; when it fails while an error is already on its way, that first
  // error is the one the caller sees.
  class UpdateLock {
   public:
    explicit UpdateLock(CustomTreeList& grid) : unlock_(Unlock{grid}) { grid.lockUpdate(); }
    UpdateLock(const UpdateLock&) = delete;
    UpdateLock& operator=(const UpdateLock&) = delete;

   private:
    struct Unlock {
      CustomTreeList& grid;
      void operator()() const;
    };
    Finally<Unlock> unlock_;
  };

  // --- Focus, top row, selection -----------------------------------------
  TreeListNode* focusedNode() const final { return focusedNode_; }
  // Always 0 while rows are selected as a whole.
  int focusedColumn() const final;
  void setFocusedNode(TreeListNode* node, int column, bool makeVisible) override;
  virtual void setFocusedVisibleIndex(int index);
  TreeListNode* topNode() const { return topNode_; }
  virtual void setTopNode(TreeListNode* node);
  // Scrolls so that row `index` is the top row, keeping the last page full.
  virtual void setTopVisibleIndex(int index);
  TreeListNode* selectionAnchor() const { return anchorNode_; }
  void setSelectionAnchor(TreeListNode* node) { anchorNode_ = node; }

  int selectedCount() const { return static_cast<int>(selection_.size()); }
  TreeListNode* selectedNodes(int i) const;
  void clearSelection();
  // A selection batch fires OnSelectedCountChange once at its end when the
  // number of selected nodes differs from the number at its start.
  void beginSelectionBatch();
  void endSelectionBatch();

  // --- Node values ----------------------------------------------------------
  Variant getNodeValue(const TreeListNode& node, int column) const override;
  // The node's text for a column. The result views either the node's own
  // storage or `buffer`; it lives until the node or the buffer changes.
  virtual std::string_view getNodeString(const TreeListNode& node, int column,
                                         std::string& buffer) const;
  std::string nodeString(const TreeListNode& node, int column) const final;
  void setNodeString(TreeListNode& node, int column, std::string_view text) override;
  void setNodeValue(TreeListNode& node, int column, const Variant& value) override;
  // Image indexes, -1 for none.
  virtual int getImageIndex(const TreeListNode& node) const;
  virtual int getSelectedIndex(const TreeListNode& node) const;
  virtual int getStateIndex(const TreeListNode& node) const;
  virtual void setImageIndex(TreeListNode& node, int index);
  virtual void setSelectedIndex(TreeListNode& node, int index);
  virtual void setStateIndex(TreeListNode& node, int index);

  // --- Layout and repainting ------------------------------------------------
  // Recomputes everything that depends on the rows (visible-row index, top
  // row, scroll bars) and repaints. Runs only while the update lock is free.
  void recomputeLayout();
  // Repaints the node's row, or from it down to the bottom of the rows area.
  void invalidateNode(TreeListNode* node, bool toBottom) override;
  // The row's rectangle in the client area; empty when it is not shown.
  virtual Rect rowRect(const TreeListNode* node) const;
  // Whole rows that fit in the rows area from the top row (at least 1):
  // the page that scrolling and paging move by.
  virtual int visibleRowCount() const;
  // The rows painted from the top row: the whole ones and a last, partly
  // shown one (at least 1). Hit tests and repaints reach that row too.
  int paintedRowCount() const;
  virtual int rowHeight() const;
  // Height of the part above the rows (header, panels); 0 here.
  virtual int rowsAreaTop() const { return 0; }

  // --- Control ---------------------------------------------------------------
  // The background; derived grids paint their regions.
  void paint(Canvas& canvas, const Rect& dirty) override;

  // --- Events (without a handler, the action is allowed) --------------------
  TLExpandingEvent onExpanding;
  TLExpandedEvent onExpanded;
  TLExpandingEvent onCollapsing;
  TLExpandedEvent onCollapsed;
  TLExpandedEvent onDeletion;
  TLChangeNodeEvent onChangeNode;
  TLChangeColumnEvent onChangeColumn;
  NotifyEvent onChangeTopVisibleNode;
  TLCanNodeSelected onCanNodeSelected;
  NotifyEvent onSelectedCountChange;

  // Walks every node, all depths, in display order of a fully expanded tree.
  // The visitor must not change the tree.
  template <class Visit, class Ahead>
  void forEachNode(Visit&& visit, Ahead&& ahead) const {
    walkTree(
        std::forward<Visit>(visit), [](const TreeListNode*) { return true; },
        std::forward<Ahead>(ahead));
  }
  template <class Visit>
  void forEachNode(Visit&& visit) const {
    forEachNode(std::forward<Visit>(visit), [](const TreeListNode*) {});
  }

 protected:
  // Makes a node of the grid's node class.
  virtual std::unique_ptr<TreeListNode> createNode() = 0;
  // After a node was linked into the tree.
  virtual void nodeAdded(TreeListNode* node);
  // The HasChildren a node keeps when its last child leaves.
  virtual bool nodeHasChildren(TreeListNode* node);
  // After a node was unlinked; repairs focus, top row and anchor.
  virtual void nodeDeleting(TreeListNode* node, TreeListNode* prior, TreeListNode* next,
                            bool wasLast, bool wasVisible);
  virtual void refreshVisibleIndex();
  // Asked before collapsing a node that holds the focused node.
  virtual bool canCollapseFocused(TreeListNode* node);
  // The layout itself, run by recomputeLayout under a brief update lock;
  // derived grids compute their metrics and then call this.
  virtual void computeLayout();
  virtual void updateScrollBars();
  // Closes any in-place editing state; nothing to close here.
  virtual void hideEditing() {}
  // Scrolls a column into view after the focus moved to it; no columns here.
  virtual void makeColumnVisible(int column) { (void)column; }
  // Metrics follow the font and the host; the size changes the rows shown.
  void fontChanged() override;
  void hostAttached() override;
  void hostDetaching() override;
  void resized() override;
  // The text setNodeValue stores for a value.
  virtual std::string valueToText(const Variant& value) const;

  // One operation per event, so derived grids can act before or after.
  virtual void doExpanding(TreeListNode* node, bool& allow);
  virtual void doExpanded(TreeListNode* node);
  virtual void doCollapsing(TreeListNode* node, bool& allow);
  virtual void doCollapsed(TreeListNode* node);
  virtual void doDeletion(TreeListNode* node);
  virtual void doChangeNode(TreeListNode* oldNode, TreeListNode* node);
  virtual void doChangeColumn(TreeListNode* node, int column);
  virtual void doChangeTopVisibleNode();
  virtual void doCanNodeSelected(TreeListNode* node, bool& allow);
  virtual void doSelectedCountChange();

  void dropVisibleIndex();
  bool destroying() const { return destroying_; }
  // Walks the tree in display order, going into a node's children when
  // descend(node) says so.
  template <class Visit, class Descend, class Ahead>
  void walkTree(Visit&& visit, Descend&& descend, Ahead&& ahead) const;
  NodeList& topNodeList() { return topNodes_; }
  // The node's child list; null while it has no child.
  static NodeList* childList(TreeListNode* node) { return node->children_.get(); }
  // Puts a sibling list in a new order (sorting).
  void reorderSiblings(NodeList& list, std::span<TreeListNode* const> order);
  // Moves a node (with its subtree) to `position` among `parent`'s children
  // (the top level for none) without touching focus, expansion or the
  // view: for regrouping many rows under one update lock.
  void relinkNode(TreeListNode* node, TreeListNode* parent, int position);
  // Takes every child of `parent` (the top level for none) out of the tree
  // at once, in order, appending them to `into`, without touching focus,
  // selection or the view. The caller puts each back with appendTakenNode
  // (under one update lock) before anything else looks at the tree.
  void takeChildren(TreeListNode* parent, std::vector<std::unique_ptr<TreeListNode>>& into);
  // Puts a node taken out back as `parent`'s last child (none: top level).
  void appendTakenNode(std::unique_ptr<TreeListNode> node, TreeListNode* parent);

 private:
  bool indexUsable() const;
  void linkNode(std::unique_ptr<TreeListNode> owned, TreeListNode* parent, int position);
  std::unique_ptr<TreeListNode> unlinkNode(TreeListNode* node);
  // A parent has lost its last child: it drops the empty list and collapses.
  void childrenGone(TreeListNode* parent);
  void weedList(NodeList& list, TreeListNode* parent,
                const std::function<NodeFate(TreeListNode*)>& fate,
                std::vector<std::unique_ptr<TreeListNode>>& aside);
  void forgetNode(TreeListNode* node, TreeListNode* replacement);
  void removeFromSelection(TreeListNode* node);
  void addToSelection(TreeListNode* node);
  // What a node asks of its owner (TreeNodeOwner.h).
  TreeListNode* insertChildNode(TreeListNode* parent, int position) final;
  void setNodeSelected(TreeListNode* node, bool selected) final;
  void setExpanded(TreeListNode* node, bool expanded) final;
  void expandOrCollapse(TreeListNode* node, bool expand, bool recurse) final;
  void moveNode(TreeListNode* node, TreeListNode* dest, TreeListNodeAttachMode mode) final;
  void makeNodeVisible(TreeListNode* node) final;
  void scrollIntoView(TreeListNode* node, bool ancestorsExpanded);
  void fixTopNode();
  void clearRowHeightCaches();
  void noteRowHeightCached() final { rowHeightsCached_ = true; }

  TreeListNode* walkNextVisible(const TreeListNode* node) const;
  TreeListNode* walkPriorVisible(const TreeListNode* node) const;
  int walkVisibleIndex(const TreeListNode* node) const;
  TreeListNode* walkNodeAtVisibleIndex(int index) const;
  int walkVisibleCount() const;

  ControlHost* givenHost_ = nullptr;
  mutable std::unique_ptr<ControlHost> detachedHost_;
  std::string name_;
  mutable int rowHeight_ = 0;  // measured on first use, again after a font change
  GridOptions options_ = kDefaultGridOptions;
  GridOptionsEx optionsEx_ = kDefaultGridOptionsEx;

  TreeListNode* focusedNode_ = nullptr;
  int focusedColumn_ = 0;
  TreeListNode* topNode_ = nullptr;
  TreeListNode* anchorNode_ = nullptr;
  int updateLock_ = 0;
  bool suppressIndex_ = false;  // set while every node is being freed
  bool destroying_ = false;
  bool settingAside_ = false;  // nodes leave without a deletion notice

  // The visible-row index: the visible nodes in display order. Each listed
  // node carries its row number, so a lookup by node is one comparison.
  std::vector<TreeListNode*> visibleRows_;
  bool indexValid_ = false;
  bool rowHeightsCached_ = false;  // some node may hold a RowHeightCache

  std::vector<TreeListNode*> selection_;
  int selectionBatch_ = 0;
  int selectionCountAtBatch_ = 0;
};

template <class Visit, class Descend, class Ahead>
void CustomTreeList::walkTree(Visit&& visit, Descend&& descend, Ahead&& ahead) const {
  // Iterative, so that a deep tree cannot exhaust the stack. Walking a large
  // list whose nodes lie scattered in memory (after a sort) is bound by
  // cache misses: nodes a few places ahead are fetched early, and `ahead`
  // fetches what hangs off a node already fetched.
  constexpr int kNodeDistance = 16;
  constexpr int kAheadDistance = 8;
  struct Frame {
    const NodeList* list;
    int next;
  };
  std::vector<Frame> stack;
  if (!topNodes_.empty()) stack.push_back({&topNodes_, 0});
  while (!stack.empty()) {
    Frame& top = stack.back();
    const int count = top.list->count();
    if (top.next >= count) {
      stack.pop_back();
      continue;
    }
    const int i = top.next++;
    if (i + kNodeDistance < count) __builtin_prefetch(top.list->at(i + kNodeDistance));
    if (i + kAheadDistance < count) ahead(top.list->at(i + kAheadDistance));
    TreeListNode* node = top.list->at(i);
    visit(node);
    if (node->count() > 0 && descend(node)) stack.push_back({node->children_.get(), 0});
  }
}

}  // namespace morvel
