// What a node asks of the tree that owns it. TreeListNode holds a pointer to
// its owner and forwards every operation that touches more than the node
// itself (focus, selection, expansion, moving, values, repainting) to it; the
// grid implements this interface. tree/ thus knows no grid, and a node's
// behaviour can be read here without the view.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "base/Variant.h"
#include "grid/tree/NodeList.h"

namespace morvel {

class TreeListNode;

// Where MoveTo puts a node, relative to its destination.
enum TreeListNodeAttachMode {
  AttachAdd,            // last sibling of the destination
  AttachAddFirst,       // first sibling of the destination
  AttachAddChild,       // last child of the destination
  AttachAddChildFirst,  // first child of the destination
  AttachInsert,         // sibling just before the destination
};

class TreeNodeOwner {
 public:
  TreeNodeOwner(const TreeNodeOwner&) = delete;
  TreeNodeOwner& operator=(const TreeNodeOwner&) = delete;

  // --- Focus and selection ---------------------------------------------------
  // The focused node, or null.
  virtual TreeListNode* focusedNode() const = 0;
  // The column that keeps the focus when a node takes it.
  virtual int focusedColumn() const = 0;
  // A node is selected on its own only while several may be; otherwise the
  // focused node is the selection.
  virtual bool multiSelect() const = 0;
  // Moves the focus (and the selection that follows it) to `node`; scrolls
  // it into view when asked.
  virtual void setFocusedNode(TreeListNode* node, int column, bool makeVisible) = 0;

  // --- Structure -------------------------------------------------------------
  // Deletes the node and its subtree with the owner's events and repairs.
  virtual void deleteNode(TreeListNode* node) = 0;

  // --- Visible rows ----------------------------------------------------------
  virtual TreeListNode* nextVisible(const TreeListNode* node) const = 0;
  virtual TreeListNode* priorVisible(const TreeListNode* node) const = 0;
  // The row number of the node, -1 when it is not visible.
  virtual int visibleIndexOf(const TreeListNode* node) const = 0;
  // Repaints the node's row, or from it down to the bottom of the rows.
  virtual void invalidateNode(TreeListNode* node, bool toBottom) = 0;

  // --- Values ----------------------------------------------------------------
  virtual Variant getNodeValue(const TreeListNode& node, int column) const = 0;
  virtual std::string nodeString(const TreeListNode& node, int column) const = 0;
  virtual void setNodeValue(TreeListNode& node, int column, const Variant& value) = 0;
  virtual void setNodeString(TreeListNode& node, int column, std::string_view text) = 0;

 protected:
  TreeNodeOwner() = default;
  // Not deleted through this interface.
  ~TreeNodeOwner() = default;

  // The top-level nodes, in order. Kept here because a top-level node finds
  // its siblings through its owner, and sibling positions are asked for in
  // sorting and grouping walks over every node.
  NodeList topNodes_;

 private:
  friend class TreeListNode;

  // Makes a node of the owner's node class, links it under `parent` at
  // `position` (0 <= position <= parent->count()), marks the parent as having
  // children and runs the owner's after-adding steps. Returns the new node.
  virtual TreeListNode* insertChildNode(TreeListNode* parent, int position) = 0;
  // Moves the node with its subtree as `mode` says relative to `dest`.
  virtual void moveNode(TreeListNode* node, TreeListNode* dest, TreeListNodeAttachMode mode) = 0;
  virtual void setNodeSelected(TreeListNode* node, bool selected) = 0;
  virtual void setExpanded(TreeListNode* node, bool expanded) = 0;
  virtual void expandOrCollapse(TreeListNode* node, bool expand, bool recurse) = 0;
  // Expands its ancestors and scrolls the node into view.
  virtual void makeNodeVisible(TreeListNode* node) = 0;
  // Some node now holds a measured row height the owner must forget when
  // the metrics change.
  virtual void noteRowHeightCached() = 0;
};

}  // namespace morvel
