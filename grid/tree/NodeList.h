// The ordered, owning list of sibling nodes: a node's children, or the grid's
// top-level nodes. Built for the grid's bulk operations: removing the first
// node (how clearing and deleting children work) costs O(1), and a node's
// position is found in O(1) through a slot the list keeps in the node.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace morvel {

class TreeListNode;

class NodeList {
 public:
  NodeList() = default;
  NodeList(const NodeList&) = delete;
  NodeList& operator=(const NodeList&) = delete;
  ~NodeList();

  int count() const { return static_cast<int>(items_.size() - head_); }
  bool empty() const { return items_.size() == head_; }
  // Unchecked: 0 <= i < count().
  TreeListNode* at(int i) const { return items_[head_ + i].get(); }
  TreeListNode* first() const { return empty() ? nullptr : at(0); }
  TreeListNode* last() const { return empty() ? nullptr : items_.back().get(); }

  // Room for `n` nodes in all, so that appending up to them moves nothing.
  void reserve(int n) { items_.reserve(head_ + static_cast<std::size_t>(n > 0 ? n : 0)); }
  // Inserts at position i (0 <= i <= count()).
  void insert(int i, std::unique_ptr<TreeListNode> node);
  void append(std::unique_ptr<TreeListNode> node) { insert(count(), std::move(node)); }
  // Takes the node at position i out of the list, handing over ownership.
  std::unique_ptr<TreeListNode> take(int i);
  // Takes every node out, in order, appending them to `into`.
  void takeAll(std::vector<std::unique_ptr<TreeListNode>>& into);
  // Takes out, in one pass, the nodes at the positions `marked` marks
  // (marked.size() == count(), non-zero for true), appending them to `into` in order; the
  // others keep their order. Taking many nodes one by one would shift the
  // list once for each.
  void takeMarked(std::span<const std::uint8_t> marked,
                  std::vector<std::unique_ptr<TreeListNode>>& into);

  // The node's position, or -1 when it is not in this list.
  int indexOf(const TreeListNode* node) const;

  // Puts the list in a new order; `order` holds exactly the list's nodes.
  void reorder(std::span<TreeListNode* const> order);

 private:
  void renumberFrom(std::size_t position) const;

  // items_[0, head_) are empty: the room that removing the first node leaves.
  std::vector<std::unique_ptr<TreeListNode>> items_;
  std::size_t head_ = 0;
  // Every node at a position below valid_ knows its position (its slot).
  mutable std::size_t valid_ = 0;
};

}  // namespace morvel
