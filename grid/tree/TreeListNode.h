// The rows of the tree-list grid: TreeListNode, one row of the tree the grid
// owns, and TreeListTextNode, a row that keeps one text per column.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "base/Exception.h"
#include "base/SmallBlocks.h"
#include "base/Variant.h"
#include "grid/tree/NodeList.h"
#include "grid/tree/TreeNodeOwner.h"

namespace morvel {

class CustomTreeList;

// Raised for a node made without a grid to own it.
class InvalidTreeListOperation : public Exception {
 public:
  using Exception::Exception;
};

// One row. Nodes are made only by their grid (AddNode, InsertNode,
// InsertChild), which owns them through their parents; a node pointer stays
// valid until the node is deleted (TreeNodeOwner::deleteNode, DeleteChildren,
// ClearNodes) or the grid is destroyed. Kept small: a grid may hold a million.
class TreeListNode : public SmallBlockObject {
 public:
  // Raises InvalidTreeListOperation when owner is null.
  explicit TreeListNode(TreeNodeOwner* owner);
  TreeListNode(const TreeListNode&) = delete;
  TreeListNode& operator=(const TreeListNode&) = delete;
  // Frees the children silently: the grid runs the deletion steps (events,
  // focus repair) before it lets a node go.
  virtual ~TreeListNode();

  TreeNodeOwner* owner() const { return owner_; }
  TreeListNode* parent() const { return parent_; }

  // A value for the node's users; the tree never reads it.
  std::uintptr_t data() const { return data_; }
  void setData(std::uintptr_t data) { data_ = data; }

  bool deleting() const { return deleting_; }
  bool expanded() const { return expanded_; }
  bool hasChildren() const { return hasChildren_; }
  // Height of the row when last measured by the layout; 0 when not measured.
  int rowHeightCache() const { return rowHeightCache_; }
  void setRowHeightCache(int height);

  int count() const { return children_ ? children_->count() : 0; }
  // Child i, or null out of range.
  TreeListNode* items(int i) const;
  // Position among its siblings.
  int index() const;
  // Number of ancestors.
  int level() const;
  bool isLast() const;
  // Every ancestor is expanded.
  bool isVisible() const;
  // n is an ancestor of this node.
  bool hasAsParent(const TreeListNode* n) const;
  bool focused() const;
  bool selected() const;
  void setSelected(bool selected);
  // Makes it the focused node, keeping the focused column.
  void setFocused();

  TreeListNode* addChild() { return insertChild(nullptr); }
  // A new child before `before` (at its index), or appended when null.
  TreeListNode* insertChild(TreeListNode* before);
  void moveTo(TreeListNode* dest, TreeListNodeAttachMode mode);

  void setExpanded(bool expanded);
  void expand(bool recurse);
  void collapse(bool recurse);
  // Frees child 0 until none is left.
  void deleteChildren();
  void makeVisible();

  TreeListNode* getNextVisible() const;
  TreeListNode* getPriorVisible() const;
  // The row number of the node, -1 when it is not visible.
  int visibleIndex() const;
  // Stores `hasChildren || count() > 0` and repaints the row.
  void setHasChildren(bool hasChildren);

  Variant values(int column) const;
  std::string strings(int column) const;
  void setValues(int column, const Variant& value);
  void setStrings(int column, std::string_view text);

 private:
  friend class CustomTreeList;
  friend class NodeList;

  NodeList& siblings() const;

  TreeNodeOwner* owner_;
  TreeListNode* parent_ = nullptr;
  std::unique_ptr<NodeList> children_;  // only while there is a child
  std::uintptr_t data_ = 0;
  std::int32_t rowHeightCache_ = 0;
  std::uint32_t slot_ = 0;        // position in the sibling list, kept by NodeList
  std::uint32_t visibleRow_ = 0;  // row number, trusted only through the grid's index
  bool deleting_ = false;
  bool expanded_ = false;
  bool hasChildren_ = false;
  bool inSelection_ = false;
};

// A row's texts, one per column index, packed into one heap block so that a
// row of many short texts costs one allocation:
//   OFFSET          SIZE     MEANING
//   0               4        n, the number of texts
//   4               4 · n    end offset of each text within the bytes
//   4 + 4 · n       ...      the texts' bytes, one after the other
// No block at all means no texts. Changing one text rebuilds the block,
// which costs the row's size; loaders set a whole row at once with assign.
class CellTexts {
 public:
  CellTexts() = default;
  CellTexts(const CellTexts&) = delete;
  CellTexts& operator=(const CellTexts&) = delete;

  int count() const;
  // Text i, or empty beyond the end. The view lives until the next change.
  // Inline: painting, sorting and best fit ask for every cell.
  std::string_view get(int i) const {
    if (!block_ || i < 0) return {};
    const char* block = block_.get();
    std::uint32_t n = 0;
    std::memcpy(&n, block, sizeof n);
    if (static_cast<std::uint32_t>(i) >= n) return {};
    std::uint32_t begin = 0;
    std::uint32_t end = 0;
    if (i > 0) std::memcpy(&begin, block + sizeof n * static_cast<std::size_t>(i), sizeof begin);
    std::memcpy(&end, block + sizeof n * (1 + static_cast<std::size_t>(i)), sizeof end);
    return {block + sizeof n * (1 + static_cast<std::size_t>(n)) + begin, end - begin};
  }
  // Every text, one after another with nothing between, so that a search
  // can run over a row's texts at once. Same lifetime as get()'s views.
  std::string_view joined() const {
    if (!block_) return {};
    const char* block = block_.get();
    std::uint32_t n = 0;
    std::memcpy(&n, block, sizeof n);
    std::uint32_t size = 0;
    if (n > 0) std::memcpy(&size, block + sizeof n * n, sizeof size);
    return {block + sizeof n * (1 + static_cast<std::size_t>(n)), size};
  }
  // The index of the text that holds byte `offset` of joined(), and the
  // offset just past that text's end; {-1, 0} beyond the end.
  struct Owner {
    int index;
    std::size_t end;
  };
  Owner ownerOf(std::size_t offset) const;
  // Sets text i, growing the list with empty texts up to i.
  void set(int i, std::string_view text);
  void assign(std::span<const std::string_view> texts);
  // Inserts an empty text at i / removes text i / moves text `from` to `to`,
  // shifting the texts between. Texts beyond the end count as empty.
  void insertAt(int i);
  void removeAt(int i);
  void move(int from, int to);
  void clear() { block_.reset(); }
  // The block's address, for prefetching only.
  const void* storage() const { return block_.get(); }

  // Gives a block back to the small-block memory it came from; its size is
  // read from its own header.
  struct BlockRelease {
    void operator()(char* block) const noexcept;
  };
  using Block = std::unique_ptr<char[], BlockRelease>;

 private:
  Block block_;
};

// The node of the tree-list control: images and one text per column index.
class TreeListTextNode : public TreeListNode {
 public:
  explicit TreeListTextNode(TreeNodeOwner* owner) : TreeListNode(owner) {}

  int imageIndex() const { return imageIndex_; }
  int selectedIndex() const { return selectedIndex_; }
  int stateIndex() const { return stateIndex_; }
  void storeImageIndex(int index) { imageIndex_ = index; }
  void storeSelectedIndex(int index) { selectedIndex_ = index; }
  void storeStateIndex(int index) { stateIndex_ = index; }

  CellTexts& texts() { return texts_; }
  const CellTexts& texts() const { return texts_; }

 private:
  std::int32_t imageIndex_ = -1;
  std::int32_t selectedIndex_ = -1;
  std::int32_t stateIndex_ = -1;
  CellTexts texts_;
};

}  // namespace morvel
