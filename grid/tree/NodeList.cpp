// The sibling list; see NodeList.h.
#include "grid/tree/NodeList.h"

#include "grid/tree/TreeListNode.h"

namespace morvel {

NodeList::~NodeList() = default;

void NodeList::insert(int i, std::unique_ptr<TreeListNode> node) {
  TreeListNode* raw = node.get();
  if (i == 0 && head_ > 0) {
    // Reuse the room at the front: no other node moves.
    items_[--head_] = std::move(node);
    raw->slot_ = static_cast<std::uint32_t>(head_);
    return;
  }
  const std::size_t position = head_ + static_cast<std::size_t>(i);
  if (position == items_.size()) {
    items_.push_back(std::move(node));
  } else {
    items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(position), std::move(node));
    if (valid_ > position) valid_ = position;  // the nodes after it moved
  }
  raw->slot_ = static_cast<std::uint32_t>(position);
}

std::unique_ptr<TreeListNode> NodeList::take(int i) {
  const std::size_t position = head_ + static_cast<std::size_t>(i);
  std::unique_ptr<TreeListNode> node = std::move(items_[position]);
  if (position == head_) {
    ++head_;
  } else if (position + 1 == items_.size()) {
    items_.pop_back();
  } else {
    items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(position));
    if (valid_ > position) valid_ = position;
  }
  if (head_ == items_.size()) {
    items_.clear();
    head_ = valid_ = 0;
  } else if (head_ >= 64 && head_ * 2 >= items_.size()) {
    // Give back the room at the front once it is half the list.
    items_.erase(items_.begin(), items_.begin() + static_cast<std::ptrdiff_t>(head_));
    head_ = valid_ = 0;
  }
  return node;
}

void NodeList::takeAll(std::vector<std::unique_ptr<TreeListNode>>& into) {
  for (std::size_t k = head_; k < items_.size(); ++k) into.push_back(std::move(items_[k]));
  items_.clear();
  head_ = valid_ = 0;
}

void NodeList::takeMarked(std::span<const std::uint8_t> marked,
                          std::vector<std::unique_ptr<TreeListNode>>& into) {
  std::size_t kept = head_;
  for (std::size_t k = head_; k < items_.size(); ++k) {
    if (marked[k - head_]) {
      into.push_back(std::move(items_[k]));
      if (valid_ > kept) valid_ = kept;  // the nodes after it move up
    } else {
      if (kept != k) items_[kept] = std::move(items_[k]);
      ++kept;
    }
  }
  items_.resize(kept);
  if (head_ == items_.size()) {
    items_.clear();
    head_ = valid_ = 0;
  }
}

void NodeList::renumberFrom(std::size_t position) const {
  // After a sort the nodes lie scattered in memory: each is fetched a few
  // places ahead, or every write waits for its own cache miss.
  constexpr std::size_t kDistance = 16;
  const std::size_t end = items_.size();
  for (std::size_t k = position; k < end; ++k) {
    if (k + kDistance < end) __builtin_prefetch(items_[k + kDistance].get(), 1);
    items_[k]->slot_ = static_cast<std::uint32_t>(k);
  }
  valid_ = items_.size();
}

int NodeList::indexOf(const TreeListNode* node) const {
  if (!node) return -1;
  std::size_t slot = node->slot_;
  if (slot >= head_ && slot < items_.size() && items_[slot].get() == node) {
    return static_cast<int>(slot - head_);
  }
  if (valid_ < items_.size()) {
    renumberFrom(valid_ > head_ ? valid_ : head_);
    slot = node->slot_;
    if (slot >= head_ && slot < items_.size() && items_[slot].get() == node) {
      return static_cast<int>(slot - head_);
    }
  }
  return -1;
}

void NodeList::reorder(std::span<TreeListNode* const> order) {
  // Every node is owned by exactly one entry throughout: release them all,
  // then re-own them in the new order.
  for (std::size_t k = head_; k < items_.size(); ++k) (void)items_[k].release();
  items_.erase(items_.begin(), items_.begin() + static_cast<std::ptrdiff_t>(head_));
  head_ = 0;
  for (std::size_t k = 0; k < order.size(); ++k) items_[k].reset(order[k]);
  renumberFrom(0);
}

}  // namespace morvel
