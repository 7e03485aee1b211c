// Random changes to a tree of a few thousand nodes, checked after every step
// against a plain recursive walk: the visible-row index, the walking
// fallbacks under the update lock, sibling positions, focus and top row.
#include <gtest/gtest.h>

#include <random>
#include <unordered_map>
#include <vector>

#include "GridTestSupport.h"

namespace morvel {
namespace {

using test::displayOrder;

void collect(TreeListNode* node, std::vector<TreeListNode*>& out) {
  out.push_back(node);
  for (int i = 0; i < node->count(); ++i) collect(node->items(i), out);
}

std::vector<TreeListNode*> allNodes(const CustomTreeList& grid) {
  std::vector<TreeListNode*> out;
  for (int i = 0; i < grid.topCount(); ++i) collect(grid.topNodes(i), out);
  return out;
}

class TreeModel : public ::testing::Test {
 protected:
  FakeHost host{{400, 300}};
  test::TestGrid grid{host};
  std::mt19937 rng{20240607};

  int pick(int n) { return n <= 0 ? 0 : static_cast<int>(rng() % static_cast<unsigned>(n)); }
  TreeListNode* anyNode() {
    const std::vector<TreeListNode*> nodes = allNodes(grid);
    return nodes.empty() ? nullptr : nodes[static_cast<std::size_t>(pick(int(nodes.size())))];
  }

  // Checks every answer against the walk; `sample` limits the O(n) lookups
  // made while the lock is held.
  void verify(const char* step, int sample = -1) {
    SCOPED_TRACE(step);
    const std::vector<TreeListNode*> order = displayOrder(grid);
    const std::vector<TreeListNode*> nodes = allNodes(grid);
    std::unordered_map<TreeListNode*, int> row;
    for (std::size_t i = 0; i < order.size(); ++i) row[order[i]] = static_cast<int>(i);
    if (!grid.locked()) {
      ASSERT_EQ(grid.visibleIndexValid(), !order.empty());
    }
    ASSERT_EQ(grid.visibleCount(), static_cast<int>(order.size()));
    ASSERT_EQ(grid.lastVisibleNode(), order.empty() ? nullptr : order.back());
    const int n = static_cast<int>(order.size());
    for (int k = 0; k < (sample < 0 ? n : std::min(sample, n)); ++k) {
      const int i = sample < 0 ? k : pick(n);
      TreeListNode* node = order[static_cast<std::size_t>(i)];
      ASSERT_EQ(grid.nodeAtVisibleIndex(i), node) << i;
      ASSERT_EQ(node->visibleIndex(), i);
      ASSERT_EQ(node->getNextVisible(),
                i + 1 < n ? order[static_cast<std::size_t>(i + 1)] : nullptr);
      ASSERT_EQ(node->getPriorVisible(), i > 0 ? order[static_cast<std::size_t>(i - 1)] : nullptr);
    }
    ASSERT_EQ(grid.nodeAtVisibleIndex(n), nullptr);
    for (TreeListNode* node : nodes) {
      if (!row.count(node) && (sample < 0 || pick(50) == 0)) {
        ASSERT_EQ(node->visibleIndex(), -1);
      }
      for (int i = 0; i < node->count(); ++i) ASSERT_EQ(node->items(i)->index(), i);
      ASSERT_EQ(node->hasChildren() || node->count() == 0, true);
    }
    for (int i = 0; i < grid.topCount(); ++i) ASSERT_EQ(grid.topNodes(i)->index(), i);
    // Focus and top row are live nodes, or none only when the tree is empty.
    const auto live = [&](TreeListNode* n) {
      return std::find(nodes.begin(), nodes.end(), n) != nodes.end();
    };
    ASSERT_EQ(grid.focusedNode() == nullptr, nodes.empty());
    ASSERT_EQ(grid.topNode() == nullptr, nodes.empty());
    if (!nodes.empty()) {
      ASSERT_TRUE(live(grid.focusedNode()));
      ASSERT_TRUE(live(grid.topNode()));
      if (!grid.locked()) {
        ASSERT_TRUE(row.count(grid.topNode()));
      }
    }
  }

  // One random change; returns its name.
  const char* randomStep() {
    const int total = static_cast<int>(allNodes(grid).size());
    const int op = pick(total > 3000 ? 14 : 12);
    TreeListNode* node = anyNode();
    if (!node || op == 0) {
      grid.addNode();
      return "add";
    }
    switch (op) {
      case 1:
        grid.insertNode(grid.topNodes(pick(grid.topCount())));
        return "insert";
      case 2:
      case 3:
        node->addChild();
        return "add child";
      case 4:
        node->insertChild(node->items(pick(node->count() + 1)));
        return "insert child";
      case 5:
      case 6:
        node->moveTo(anyNode(), static_cast<TreeListNodeAttachMode>(pick(5)));
        return "move";
      case 7:
        node->expand(pick(3) == 0);
        return "expand";
      case 8:
        node->collapse(pick(3) == 0);
        return "collapse";
      case 9:
        grid.setFocusedNode(node, 0, pick(2) == 0);
        return "focus";
      case 10:
        if (pick(20) == 0) {
          pick(2) ? grid.expandAll() : grid.collapseAll();
          return "expand or collapse all";
        }
        grid.setTopVisibleIndex(pick(grid.visibleCount()));
        return "scroll";
      default:
        grid.deleteNode(node);
        return "delete";
    }
  }
};

TEST_F(TreeModel, IndexedAnswersEqualTheTreeWalksThroughRandomChanges) {
  for (int i = 0; i < 300; ++i) grid.addNode();
  while (allNodes(grid).size() < 2000) anyNode()->addChild();
  grid.expandAll();
  verify("built");
  for (int step = 0; step < 1500; ++step) {
    if (step % 25 == 0) {
      // A batch under the lock: lookups walk the tree meanwhile.
      grid.lockUpdate();
      for (int k = 0; k < 5; ++k) {
        verify(randomStep(), 20);
        if (HasFatalFailure()) return;
      }
      grid.unlockUpdate();
      verify("unlocked");
    } else {
      verify(randomStep());
    }
    if (HasFatalFailure()) return;
  }
  grid.clearNodes();
  verify("cleared");
}

}  // namespace
}  // namespace morvel
