// Deleting many nodes at once; see CustomTreeList::deleteNodesWhere.
#include <cstdint>
#include <vector>

#include "base/ScopeGuard.h"
#include "grid/view/CustomTreeList.h"

namespace morvel {

void CustomTreeList::deleteNodesWhere(const std::function<bool(TreeListNode*)>& doomed) {
  std::vector<std::unique_ptr<TreeListNode>> none;
  takeNodesWhere(
      [&](TreeListNode* node) { return doomed(node) ? NodeFate::remove : NodeFate::keep; }, none);
}

void CustomTreeList::takeNodesWhere(const std::function<NodeFate(TreeListNode*)>& fate,
                                    std::vector<std::unique_ptr<TreeListNode>>& aside) {
  UpdateLock lock(*this);
  // Once for all: each node's leaving would otherwise drop it again.
  dropVisibleIndex();
  weedList(topNodes_, nullptr, fate, aside);
}

void CustomTreeList::weedList(NodeList& list, TreeListNode* parent,
                              const std::function<NodeFate(TreeListNode*)>& fate,
                              std::vector<std::unique_ptr<TreeListNode>>& aside) {
  struct Leaving {
    TreeListNode* prior;  // the kept sibling above it, else the parent
    bool wasVisible;
    bool setAside;
  };
  const int n = list.count();
  std::vector<std::uint8_t> marked(static_cast<std::size_t>(n), 0);
  std::vector<Leaving> leaving;
  TreeListNode* lastKept = nullptr;
  // The nodes of a sorted list lie scattered: each is fetched a few places
  // ahead, or every one waits for its own cache miss.
  constexpr int kAhead = 16;
  for (int i = 0; i < n; ++i) {
    if (i + kAhead < n) {
      // A derived node's own fields (a row's key, say) may lie in the
      // node's second cache line.
      const char* ahead = reinterpret_cast<const char*>(list.at(i + kAhead));
      __builtin_prefetch(ahead);
      __builtin_prefetch(ahead + 64);
    }
    TreeListNode* node = list.at(i);
    if (node->children_) weedList(*node->children_, node, fate, aside);
    const NodeFate verdict = fate(node);
    if (verdict == NodeFate::keep) {
      lastKept = node;
      continue;
    }
    marked[static_cast<std::size_t>(i)] = 1;
    const bool setAside = verdict == NodeFate::setAside && !node->children_;
    leaving.push_back({lastKept ? lastKept : parent, node->isVisible(), setAside});
    // Its subtree goes while it is still linked, as deleteNode does it.
    node->deleting_ = true;
    node->deleteChildren();
  }
  if (leaving.empty()) return;
  std::vector<std::unique_ptr<TreeListNode>> taken;
  taken.reserve(leaving.size());
  list.takeMarked(marked, taken);
  if (parent && list.empty()) childrenGone(parent);
  // Nothing may keep pointing at a node that goes, even when an event
  // handler raises on the way.
  std::size_t done = 0;
  const Finally forgetRest([&] {
    for (; done < taken.size(); ++done) {
      if (taken[done]) {
        forgetNode(taken[done].get(), leaving[done].prior ? leaving[done].prior : list.first());
      }
    }
  });
  for (; done < taken.size(); ++done) {
    if (done + kAhead < taken.size()) __builtin_prefetch(taken[done + kAhead].get(), 1);
    TreeListNode* node = taken[done].get();
    node->parent_ = nullptr;
    TreeListNode* prior = leaving[done].prior;
    TreeListNode* next = prior ? nullptr : list.first();
    {
      const FlagScope quiet(settingAside_, leaving[done].setAside);
      nodeDeleting(node, prior, next, false, leaving[done].wasVisible);
    }
    forgetNode(node, prior ? prior : next);  // for overrides that skipped the base
    if (leaving[done].setAside) {
      node->deleting_ = false;
      aside.push_back(std::move(taken[done]));
    } else {
      taken[done].reset();  // while it is still in the cache
    }
  }
}

}  // namespace morvel
