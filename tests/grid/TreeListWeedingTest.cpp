// Deleting many nodes at once: the nodes kept keep their order and places,
// every node that goes fires its event and leaves focus, top row, anchor
// and selection on nodes that stay, and the result is what deleting the
// same nodes one by one gives.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "GridTestSupport.h"

namespace morvel {
namespace {

using test::addRow;
using test::GridFixture;
using test::label;
using test::texts;

// Every node, expanded or not, in the order of a fully expanded tree.
void appendAll(TreeListNode* node, std::vector<TreeListNode*>& out) {
  out.push_back(node);
  for (int i = 0; i < node->count(); ++i) appendAll(node->items(i), out);
}
std::vector<std::string> allTexts(const CustomTreeList& grid) {
  std::vector<TreeListNode*> out;
  for (int i = 0; i < grid.topCount(); ++i) appendAll(grid.topNodes(i), out);
  std::vector<std::string> result;
  for (TreeListNode* n : out) result.push_back(n->strings(0) + "@" + std::to_string(n->level()));
  return result;
}

class TreeListWeeding : public ::testing::Test, public test::SmallTreeNodes {
 protected:
  std::vector<std::string> deleted;

  void SetUp() override {
    grid.onDeletion = [this](CustomTreeList&, TreeListNode* n) {
      deleted.push_back(n->strings(0));
    };
  }
  // Deletes the named leaves, and the parents they leave empty.
  void weed(std::set<std::string> names) {
    grid.deleteNodesWhere([&](TreeListNode* n) {
      return names.count(n->strings(0)) > 0 ||
             (n->level() == 0 && n->count() == 0 && names.count(n->strings(0) + "*") > 0);
    });
  }
};

TEST_F(TreeListWeeding, KeptNodesKeepTheirOrderAndFocusMovesToTheNearestKeptNodeAbove) {
  a->setExpanded(true);
  grid.setFocusedNode(c, 0, false);
  grid.setSelectionAnchor(f);
  weed({"C", "F"});
  EXPECT_EQ(allTexts(grid), (std::vector<std::string>{"A@0", "B@1", "D@0", "E@1"}));
  EXPECT_EQ(deleted, (std::vector<std::string>{"C", "F"}));
  EXPECT_EQ(grid.focusedNode(), b);  // its kept sibling above
  EXPECT_EQ(grid.selectionAnchor(), d);
  EXPECT_TRUE(a->expanded());
  EXPECT_EQ(grid.visibleCount(), 3);  // A, B and the collapsed D
}

TEST_F(TreeListWeeding, ParentsLeftEmptyCanGoInTheSamePassAndTheFocusFallsToTheFirstKeptNode) {
  grid.setFocusedNode(b, 0, false);
  grid.setTopNode(a);
  weed({"B", "C", "A*"});
  EXPECT_EQ(allTexts(grid), (std::vector<std::string>{"D@0", "E@1", "F@0"}));
  // Children go before the parent the predicate judged empty.
  EXPECT_EQ(deleted, (std::vector<std::string>{"B", "C", "A"}));
  EXPECT_EQ(grid.focusedNode(), d);
  EXPECT_EQ(grid.topNode(), d);
}

TEST_F(TreeListWeeding, AParentLeftEmptyButKeptHasNoChildrenAnyMore) {
  d->setExpanded(true);
  weed({"E"});
  EXPECT_EQ(d->count(), 0);
  EXPECT_FALSE(d->hasChildren());
  EXPECT_FALSE(d->expanded());
}

TEST_F(TreeListWeeding, APickedNodeTakesItsSubtreeAndSelectedNodesLeaveTheSelection) {
  grid.setOptions(grid.options().with(goMultiSelect));
  e->setSelected(true);
  f->setSelected(true);
  grid.deleteNodesWhere([&](TreeListNode* n) { return n == d; });
  EXPECT_EQ(allTexts(grid), (std::vector<std::string>{"A@0", "B@1", "C@1", "F@0"}));
  EXPECT_EQ(deleted, (std::vector<std::string>{"E", "D"}));
  ASSERT_EQ(grid.selectedCount(), 1);
  EXPECT_EQ(grid.selectedNodes(0), f);
}

TEST_F(TreeListWeeding, NodesSetAsideLeaveQuietlyAndCanBePutBack) {
  grid.setOptions(grid.options().with(goMultiSelect));
  a->setExpanded(true);
  c->setSelected(true);
  grid.setFocusedNode(c, 0, false);
  std::vector<std::unique_ptr<TreeListNode>> aside;
  using Fate = CustomTreeList::NodeFate;
  grid.takeNodesWhere(
      [&](TreeListNode* n) {
        if (n == c || n == f) return Fate::setAside;
        // A parent cannot be set aside: it goes with its subtree.
        if (n == d) return Fate::setAside;
        return Fate::keep;
      },
      aside);
  EXPECT_EQ(allTexts(grid), (std::vector<std::string>{"A@0", "B@1"}));
  // Only the parent was deleted, with its child; the leaves set aside
  // fire nothing.
  EXPECT_EQ(deleted, (std::vector<std::string>{"E", "D"}));
  ASSERT_EQ(aside.size(), 2u);
  EXPECT_EQ(aside[0].get(), c);
  EXPECT_EQ(aside[1].get(), f);
  EXPECT_EQ(grid.focusedNode(), b);
  EXPECT_EQ(grid.selectedCount(), 0);
  for (auto& node : aside) {
    EXPECT_EQ(node->parent(), nullptr);
    EXPECT_FALSE(node->selected());
    EXPECT_FALSE(node->deleting());
  }
  grid.appendTakenNode(std::move(aside[0]), a);
  grid.appendTakenNode(std::move(aside[1]), nullptr);
  EXPECT_EQ(allTexts(grid), (std::vector<std::string>{"A@0", "B@1", "C@1", "F@0"}));
  EXPECT_EQ(grid.visibleCount(), 4);
  grid.deleteNodesWhere([&](TreeListNode* n) { return n == c; });
  EXPECT_EQ(deleted.back(), "C");
}

TEST_F(TreeListWeeding, EverythingCanGo) {
  weed({"B", "C", "E", "A*", "D*", "F"});
  EXPECT_EQ(grid.topCount(), 0);
  EXPECT_EQ(grid.focusedNode(), nullptr);
  EXPECT_EQ(grid.topNode(), nullptr);
  EXPECT_EQ(grid.visibleCount(), 0);
}

// Random trees of up to three levels, random picks: the bulk deletion
// leaves the tree, the selection and the event list that deleting the same
// nodes one by one leaves, and focus, top row and anchor on kept nodes.
TEST(TreeListWeedingModel, RandomPicksMatchDeletingOneByOne) {
  for (std::uint32_t seed = 1; seed <= 60; ++seed) {
    std::mt19937 random(seed);
    GridFixture bulk;
    GridFixture single;
    bulk.grid.setOptions(bulk.grid.options().with(goMultiSelect));
    single.grid.setOptions(single.grid.options().with(goMultiSelect));
    int made = 0;
    std::set<std::string> picked;
    std::vector<std::string> bulkDeleted;
    std::vector<std::string> singleDeleted;
    const auto build = [&](auto& self, TreeListNode* bulkParent, TreeListNode* singleParent,
                           int level) -> void {
      const int n = static_cast<int>(random() % (level == 0 ? 30 : 6));
      for (int i = 0; i < n; ++i) {
        const std::string name = label("N", made++);
        TreeListNode* x = addRow(bulk.grid, {name}, bulkParent);
        TreeListNode* y = addRow(single.grid, {name}, singleParent);
        if (random() % 3 == 0) picked.insert(name);
        if (random() % 5 == 0) {
          x->setSelected(true);
          y->setSelected(true);
        }
        if (level < 2 && random() % 3 == 0) self(self, x, y, level + 1);
        if (random() % 2) {
          x->setExpanded(true);
          y->setExpanded(true);
        }
      }
    };
    build(build, nullptr, nullptr, 0);
    if (bulk.grid.topCount() == 0) continue;
    std::vector<TreeListNode*> all;
    for (int i = 0; i < bulk.grid.topCount(); ++i) appendAll(bulk.grid.topNodes(i), all);
    bulk.grid.setFocusedNode(all[random() % all.size()], 0, false);
    bulk.grid.setSelectionAnchor(all[random() % all.size()]);
    bulk.grid.onDeletion = [&](CustomTreeList&, TreeListNode* n) {
      bulkDeleted.push_back(n->strings(0));
    };
    single.grid.onDeletion = [&](CustomTreeList&, TreeListNode* n) {
      singleDeleted.push_back(n->strings(0));
    };

    bulk.grid.deleteNodesWhere([&](TreeListNode* n) { return picked.count(n->strings(0)) > 0; });

    // One by one: a picked node goes with its subtree, after its children
    // were judged, as the bulk deletion judges them.
    const auto weed = [&](auto& self, TreeListNode* node) -> void {
      for (int i = node->count() - 1; i >= 0; --i) self(self, node->items(i));
      if (picked.count(node->strings(0))) single.grid.deleteNode(node);
    };
    for (int i = single.grid.topCount() - 1; i >= 0; --i) weed(weed, single.grid.topNodes(i));

    ASSERT_EQ(allTexts(bulk.grid), allTexts(single.grid)) << "seed " << seed;
    std::vector<std::string> bulkSelected;
    std::vector<std::string> singleSelected;
    for (int i = 0; i < bulk.grid.selectedCount(); ++i) {
      bulkSelected.push_back(bulk.grid.selectedNodes(i)->strings(0));
    }
    for (int i = 0; i < single.grid.selectedCount(); ++i) {
      singleSelected.push_back(single.grid.selectedNodes(i)->strings(0));
    }
    std::sort(bulkSelected.begin(), bulkSelected.end());
    std::sort(singleSelected.begin(), singleSelected.end());
    EXPECT_EQ(bulkSelected, singleSelected) << "seed " << seed;
    std::sort(bulkDeleted.begin(), bulkDeleted.end());
    std::sort(singleDeleted.begin(), singleDeleted.end());
    EXPECT_EQ(bulkDeleted, singleDeleted) << "seed " << seed;

    std::vector<TreeListNode*> kept;
    for (int i = 0; i < bulk.grid.topCount(); ++i) appendAll(bulk.grid.topNodes(i), kept);
    const auto isKept = [&](TreeListNode* n) {
      return n == nullptr ? kept.empty() : std::find(kept.begin(), kept.end(), n) != kept.end();
    };
    EXPECT_TRUE(isKept(bulk.grid.focusedNode())) << "seed " << seed;
    EXPECT_TRUE(isKept(bulk.grid.topNode())) << "seed " << seed;
    EXPECT_TRUE(bulk.grid.selectionAnchor() == nullptr || isKept(bulk.grid.selectionAnchor()))
        << "seed " << seed;
    EXPECT_EQ(bulk.grid.visibleCount(), single.grid.visibleCount()) << "seed " << seed;
  }
}

}  // namespace
}  // namespace morvel
