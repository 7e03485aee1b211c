// The node tree: adding, deleting, moving, expanding and collapsing, focus,
// selection, the update lock and the events each of them fires.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "GridTestSupport.h"

namespace morvel {
namespace {

using test::addRow;
using test::displayOrder;
using test::GridFixture;
using test::texts;

// The small tree, with the events it fires written down.
struct SmallTreeData : test::SmallTreeNodes {
  std::vector<std::string> events;

  void recordEvents() {
    grid.onExpanding = [this](CustomTreeList&, TreeListNode* n, bool&) {
      events.push_back("expanding " + n->strings(0));
    };
    grid.onExpanded = [this](CustomTreeList&, TreeListNode* n) {
      events.push_back("expanded " + n->strings(0));
    };
    grid.onCollapsing = [this](CustomTreeList&, TreeListNode* n, bool&) {
      events.push_back("collapsing " + n->strings(0));
    };
    grid.onCollapsed = [this](CustomTreeList&, TreeListNode* n) {
      events.push_back("collapsed " + n->strings(0) + " focus " + grid.focusedNode()->strings(0));
    };
    grid.onDeletion = [this](CustomTreeList&, TreeListNode* n) {
      events.push_back("deletion " + n->strings(0));
    };
    grid.onChangeNode = [this](CustomTreeList&, TreeListNode* old, TreeListNode* n) {
      events.push_back("change " + (old ? old->strings(0) : "-") + ">" + (n ? n->strings(0) : "-"));
    };
  }
};

class SmallTree : public ::testing::Test, public SmallTreeData {};

TEST(TreeListNode, WithoutAnOwnerRaisesInvalidTreeListOperation) {
  try {
    TreeListTextNode node(nullptr);
    FAIL();
  } catch (const InvalidTreeListOperation& e) {
    EXPECT_STREQ(e.what(), "Invalid Owner TTreeListNode");
  }
}

TEST_F(SmallTree, NodeQueriesDescribeTheTree) {
  EXPECT_EQ(grid.topCount(), 3);
  EXPECT_EQ(a->count(), 2);
  EXPECT_EQ(a->items(1), c);
  EXPECT_EQ(a->items(2), nullptr);
  EXPECT_EQ(a->items(-1), nullptr);
  EXPECT_EQ(c->index(), 1);
  EXPECT_EQ(c->level(), 1);
  EXPECT_TRUE(c->isLast());
  EXPECT_FALSE(b->isLast());
  EXPECT_TRUE(c->hasAsParent(a));
  EXPECT_FALSE(a->hasAsParent(c));
  EXPECT_TRUE(a->hasChildren());
  EXPECT_FALSE(a->expanded());
  EXPECT_EQ(grid.topNodes(3), nullptr);
  // The first node added became the top and the focused row, without events.
  EXPECT_EQ(grid.topNode(), a);
  EXPECT_EQ(grid.focusedNode(), a);
}

TEST_F(SmallTree, VisibleOrderFollowsExpandedNodesOnly) {
  EXPECT_EQ(texts(displayOrder(grid)), (std::vector<std::string>{"A", "D", "F"}));
  EXPECT_EQ(b->visibleIndex(), -1);  // inside a collapsed group
  EXPECT_FALSE(b->isVisible());
  a->expand(false);
  EXPECT_EQ(grid.visibleCount(), 5);
  EXPECT_EQ(b->visibleIndex(), 1);
  EXPECT_EQ(d->visibleIndex(), 3);
  EXPECT_EQ(grid.nodeAtVisibleIndex(2), c);
  EXPECT_EQ(grid.nodeAtVisibleIndex(5), nullptr);
  EXPECT_EQ(c->getNextVisible(), d);
  EXPECT_EQ(d->getPriorVisible(), c);
  EXPECT_EQ(b->getPriorVisible(), a);
  EXPECT_EQ(a->getPriorVisible(), nullptr);
  EXPECT_EQ(grid.lastVisibleNode(), f);
  d->expand(false);
  EXPECT_EQ(grid.lastVisibleNode(), f);
  EXPECT_EQ(f->getPriorVisible(), e);
}

TEST_F(SmallTree, LockedLookupsWalkTheTreeAndAgreeWithTheIndex) {
  a->expand(false);
  ASSERT_TRUE(grid.visibleIndexValid());
  const std::vector<TreeListNode*> order = displayOrder(grid);
  grid.lockUpdate();
  EXPECT_FALSE(grid.visibleIndexValid());
  EXPECT_EQ(grid.visibleCount(), 5);
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(grid.nodeAtVisibleIndex(i), order[i]);
    EXPECT_EQ(order[i]->visibleIndex(), i);
  }
  EXPECT_EQ(c->getNextVisible(), d);
  EXPECT_EQ(e->visibleIndex(), -1);
  grid.unlockUpdate();
  EXPECT_TRUE(grid.visibleIndexValid());
}

TEST_F(SmallTree, EmptyGridExpandAllAndCollapseAllDoNothing) {
  FakeHost host;
  test::TestGrid empty(host);
  int events = 0;
  empty.onChangeTopVisibleNode = [&](CustomTreeList&) { ++events; };
  empty.onExpanded = [&](CustomTreeList&, TreeListNode*) { ++events; };
  host.clearRecords();
  empty.expandAll();
  empty.collapseAll();
  EXPECT_EQ(events, 0);
  EXPECT_EQ(host.fullRepaints, 0);
  EXPECT_EQ(empty.topNode(), nullptr);
}

TEST_F(SmallTree, CollapseAllMovesTheFocusToTheClosingGroupFirst) {
  grid.expandAll();
  grid.setFocusedNode(c, 0, true);
  grid.setTopNode(d);
  recordEvents();
  grid.collapseAll();
  EXPECT_EQ(events, (std::vector<std::string>{"collapsing A", "change C>A", "collapsed A focus A",
                                              "collapsing D", "collapsed D focus A"}));
  EXPECT_EQ(grid.focusedNode(), a);
  EXPECT_EQ(grid.topNode(), a);
  EXPECT_EQ(grid.updateLock(), 0);
}

TEST_F(SmallTree, ExpandingALeafOrVetoedExpandingChangesNothing) {
  recordEvents();
  f->setExpanded(true);
  EXPECT_FALSE(f->expanded());
  EXPECT_TRUE(events.empty());
  grid.onExpanding = [](CustomTreeList&, TreeListNode*, bool& allow) { allow = false; };
  a->setExpanded(true);
  EXPECT_FALSE(a->expanded());
  EXPECT_TRUE(events.empty());  // no OnExpanded
}

TEST_F(SmallTree, ParentLosingItsLastChildCollapsesAndStopsBeingAParent) {
  grid.expandAll();
  grid.deleteNode(e);
  EXPECT_FALSE(d->hasChildren());
  EXPECT_FALSE(d->expanded());
  b->moveTo(f, AttachAdd);
  c->moveTo(f, AttachAddFirst);
  EXPECT_FALSE(a->hasChildren());
  EXPECT_FALSE(a->expanded());
  EXPECT_EQ(test::topTexts(grid), (std::vector<std::string>{"C", "A", "D", "F", "B"}));
}

TEST_F(SmallTree, DeletingTheFocusedRowMovesFocusSilently) {
  grid.expandAll();
  recordEvents();
  grid.setFocusedNode(c, 0, false);
  events.clear();
  grid.deleteNode(c);  // previous sibling
  EXPECT_EQ(grid.focusedNode(), b);
  grid.deleteNode(b);  // the parent of a first child
  EXPECT_EQ(grid.focusedNode(), a);
  grid.deleteNode(a);  // a first top-level node: the next visible row
  EXPECT_EQ(grid.focusedNode(), d);
  EXPECT_EQ(grid.topNode(), d);
  EXPECT_EQ(events, (std::vector<std::string>{"deletion C", "deletion B", "deletion A"}));
  grid.clearNodes();
  EXPECT_EQ(grid.focusedNode(), nullptr);
  EXPECT_EQ(grid.topNode(), nullptr);
  EXPECT_EQ(grid.visibleCount(), 0);
  EXPECT_EQ(grid.lastVisibleNode(), nullptr);
}

TEST_F(SmallTree, DeletingAGroupFreesChildrenFirstAndRepairsFocusInside) {
  a->expand(false);
  grid.setFocusedNode(c, 0, false);
  recordEvents();
  grid.deleteNode(a);
  EXPECT_EQ(events, (std::vector<std::string>{"deletion B", "deletion C", "deletion A"}));
  EXPECT_EQ(grid.focusedNode(), d);
  EXPECT_EQ(texts(displayOrder(grid)), (std::vector<std::string>{"D", "F"}));
}

TEST_F(SmallTree, ClearNodesFiresDeletionForEveryNodeUnderOneLayout) {
  recordEvents();
  host.clearRecords();
  grid.clearNodes();
  EXPECT_EQ(events, (std::vector<std::string>{"deletion B", "deletion C", "deletion A",
                                              "deletion E", "deletion D", "deletion F"}));
  EXPECT_EQ(host.fullRepaints, 1);
  EXPECT_EQ(grid.topCount(), 0);
}

TEST_F(SmallTree, ClearingUnwatchedLeavesNoSelectionFocusOrTopBehind) {
  // Without a deletion handler every list goes in one pass.
  grid.setOptions(grid.options().with(goMultiSelect));
  a->expand(false);
  c->setSelected(true);
  e->setSelected(true);
  grid.setFocusedNode(c, 0, true);
  host.clearRecords();
  grid.clearNodes();
  EXPECT_EQ(grid.topCount(), 0);
  EXPECT_EQ(grid.selectedCount(), 0);
  EXPECT_EQ(grid.focusedNode(), nullptr);
  EXPECT_EQ(grid.topNode(), nullptr);
  EXPECT_EQ(host.fullRepaints, 1);
  // The grid takes new rows as if it had never had any.
  TreeListNode* fresh = grid.addNode();
  fresh->setStrings(0, "G");
  EXPECT_EQ(grid.topNode(), fresh);
  EXPECT_EQ(grid.focusedNode(), fresh);
  EXPECT_EQ(fresh->visibleIndex(), 0);
}

TEST_F(SmallTree, RowsInsideACollapsedGroupDeleteWithoutRepaint) {
  host.clearRecords();
  grid.deleteNode(b);
  EXPECT_TRUE(host.repaintedRects.empty());
  EXPECT_EQ(host.fullRepaints, 0);
  grid.deleteNode(f);
  EXPECT_FALSE(host.repaintedRects.empty());
}

struct MoveCase {
  TreeListNodeAttachMode mode;
  std::vector<std::string> top;     // top-level order afterwards
  std::vector<std::string> underA;  // A's children afterwards
};

class MoveToModes : public ::testing::TestWithParam<MoveCase> {};

TEST_P(MoveToModes, PutsTheNodeWhereTheModeSays) {
  SmallTreeData t;
  t.f->moveTo(t.c, GetParam().mode);  // C: a child of A
  EXPECT_EQ(test::topTexts(t.grid), GetParam().top);
  std::vector<std::string> underA;
  for (int i = 0; i < t.a->count(); ++i) underA.push_back(t.a->items(i)->strings(0));
  EXPECT_EQ(underA, GetParam().underA);
  // The moved node is focused and made visible.
  EXPECT_EQ(t.grid.focusedNode(), t.f);
  EXPECT_TRUE(t.f->isVisible());
  EXPECT_EQ(t.grid.updateLock(), 0);
}

INSTANTIATE_TEST_SUITE_P(AllModes, MoveToModes,
                         ::testing::Values(MoveCase{AttachAdd, {"A", "D"}, {"B", "C", "F"}},
                                           MoveCase{AttachAddFirst, {"A", "D"}, {"F", "B", "C"}},
                                           MoveCase{AttachAddChild, {"A", "D"}, {"B", "C"}},
                                           MoveCase{AttachAddChildFirst, {"A", "D"}, {"B", "C"}},
                                           MoveCase{AttachInsert, {"A", "D"}, {"B", "F", "C"}}));

TEST_F(SmallTree, MoveToAChildModeMakesTheDestinationAParent) {
  e->moveTo(f, AttachAddChild);
  EXPECT_EQ(f->count(), 1);
  EXPECT_TRUE(f->hasChildren());
  EXPECT_TRUE(f->expanded());  // made visible
  EXPECT_FALSE(d->hasChildren());
}

TEST_F(SmallTree, MoveToOntoItselfOrADescendantDoesNothing) {
  a->moveTo(c, AttachAddChild);
  a->moveTo(c, AttachAdd);
  a->moveTo(a, AttachInsert);
  a->moveTo(nullptr, AttachAdd);
  EXPECT_EQ(test::topTexts(grid), (std::vector<std::string>{"A", "D", "F"}));
  EXPECT_EQ(c->parent(), a);
}

TEST_F(SmallTree, AnOnlyChildMovedBesideItselfStaysAChild) {
  // The unlink leaves D without children for a moment; D must still be a
  // parent afterwards, or its child could never be shown again.
  e->moveTo(e, AttachAdd);
  EXPECT_EQ(e->parent(), d);
  EXPECT_TRUE(d->hasChildren());
  EXPECT_TRUE(e->isVisible());
}

TEST_F(SmallTree, EventHandlerErrorsDuringRecursiveExpandStillReleaseTheLock) {
  grid.onExpanded = [this](CustomTreeList&, TreeListNode* n) {
    if (n == d) throw std::runtime_error("handler");
  };
  EXPECT_THROW(grid.expandAll(), std::runtime_error);
  EXPECT_EQ(grid.updateLock(), 0);
  EXPECT_TRUE(a->expanded());
  EXPECT_TRUE(d->expanded());
  EXPECT_FALSE(f->expanded());
  EXPECT_EQ(grid.visibleCount(), 6);
}

TEST_F(SmallTree, FocusChangesFireEventsAlsoUnderTheLockButRepaintOnlyWithout) {
  recordEvents();
  std::vector<int> columns;
  grid.onChangeColumn = [&](CustomTreeList&, TreeListNode*, int column) {
    columns.push_back(column);
  };
  grid.lockUpdate();
  host.clearRecords();
  grid.setFocusedNode(f, 2, true);
  EXPECT_TRUE(host.repaintedRects.empty());
  grid.unlockUpdate();
  host.clearRecords();
  grid.setFocusedNode(d, 2, false);
  EXPECT_EQ(host.repaintedRects.size(), 2u);  // the old row and the new one
  EXPECT_EQ(events, (std::vector<std::string>{"change A>F", "change F>D"}));
  EXPECT_EQ(columns, (std::vector<int>{2}));
  // With rows selected as a whole the focused column always reads 0.
  grid.setOptions(grid.options().with(goRowSelect));
  EXPECT_EQ(grid.focusedColumn(), 0);
}

TEST_F(SmallTree, FocusingARowInsideACollapsedGroupExpandsItAndScrolls) {
  grid.setFocusedVisibleIndex(99);
  EXPECT_EQ(grid.focusedNode(), f);
  grid.setFocusedNode(e, 0, true);
  EXPECT_TRUE(d->expanded());
  EXPECT_EQ(grid.focusedNode(), e);
}

TEST_F(SmallTree, MakeVisibleScrollsOnlyWhenTheRowIsOutOfView) {
  for (int i = 0; i < 40; ++i) addRow(grid, {"row"});
  TreeListNode* last = grid.lastVisibleNode();
  last->makeVisible();  // 43 rows, 18 fit: the last page starts at row 25
  EXPECT_EQ(grid.topNode()->visibleIndex(), 25);
  grid.nodeAtVisibleIndex(30)->makeVisible();
  EXPECT_EQ(grid.topNode()->visibleIndex(), 25);
  b->makeVisible();
  EXPECT_EQ(grid.topNode(), b);
}

TEST_F(SmallTree, AddingUnderTheLockRepaintsOnceAtTheEnd) {
  host.clearRecords();
  grid.lockUpdate();
  for (int i = 0; i < 5; ++i) addRow(grid, {"x"});
  EXPECT_EQ(host.fullRepaints, 0);
  EXPECT_TRUE(host.repaintedRects.empty());
  grid.unlockUpdate();
  EXPECT_EQ(host.fullRepaints, 1);
  // Unlocked, a new row repaints from its prior sibling down.
  host.clearRecords();
  TreeListNode* g = grid.addNode();
  ASSERT_EQ(host.repaintedRects.size(), 1u);
  const int row = g->getPriorVisible()->visibleIndex();
  EXPECT_EQ(host.repaintedRects[0], (Rect{0, row * 16, 400, 300}));
}

TEST_F(SmallTree, SelectionHonoursTheVetoAndReportsCountChangesPerBatch) {
  grid.setOptions(grid.options().with(goMultiSelect));
  int countChanges = 0;
  grid.onSelectedCountChange = [&](CustomTreeList&) { ++countChanges; };
  grid.onCanNodeSelected = [&](CustomTreeList&, TreeListNode* n, bool& allow) { allow = n != f; };
  grid.beginSelectionBatch();
  a->setSelected(true);
  d->setSelected(true);
  f->setSelected(true);
  grid.endSelectionBatch();
  EXPECT_EQ(countChanges, 1);
  EXPECT_EQ(grid.selectedCount(), 2);
  EXPECT_FALSE(f->selected());
  d->setSelected(false);
  EXPECT_EQ(countChanges, 2);
  grid.deleteNode(a);  // a selected node leaves the selection
  EXPECT_EQ(grid.selectedCount(), 0);
  // Without multiple selection, Selected means focused.
  grid.setOptions(grid.options().without(goMultiSelect));
  EXPECT_TRUE(grid.focusedNode()->selected());
}

TEST_F(SmallTree, DestroyingTheGridFiresNoEvents) {
  auto other = std::make_unique<test::TestGrid>(host);
  addRow(*other, {"x"});
  int deletions = 0;
  other->onDeletion = [&](CustomTreeList&, TreeListNode*) { ++deletions; };
  other.reset();
  EXPECT_EQ(deletions, 0);
}

// A grid whose layout, column scrolling or editor closing fails on demand,
// to see what a failure leaves behind and which error the caller gets.
class FailingGrid : public CustomTreeListControl {
 public:
  explicit FailingGrid(FakeHost& host) : CustomTreeListControl(host) {}
  bool failLayout = false;
  bool failColumn = false;
  bool failEditing = false;

 protected:
  void computeLayout() override {
    if (failLayout) throw std::runtime_error("layout");
    CustomTreeListControl::computeLayout();
  }
  void makeColumnVisible(int column) override {
    if (failColumn) throw std::runtime_error("column");
    CustomTreeListControl::makeColumnVisible(column);
  }
  void hideEditing() override {
    if (failEditing) throw std::runtime_error("editing");
    CustomTreeListControl::hideEditing();
  }
};

// The message of what `action` threw; empty when it threw nothing.
template <class Action>
std::string errorOf(Action&& action) {
  try {
    action();
  } catch (const std::exception& e) {
    return e.what();
  }
  return {};
}

struct FailingTree : ::testing::Test {
  FailingTree() {
    grid.setOptions(grid.options().with(goMultiSelect));
    for (const char* text : {"A", "B", "C"}) addRow(grid, {text});
  }
  FakeHost host{{400, 300}};
  FailingGrid grid{host};
};

TEST_F(FailingTree, AFailedRelayoutAtTheUnlockIsTheErrorSeenAndStillEndsTheSelectionBatch) {
  int countChanges = 0;
  grid.onSelectedCountChange = [&](CustomTreeList&) {
    ++countChanges;
    throw std::runtime_error("count handler");
  };
  grid.lockUpdate();
  grid.topNodes(1)->setSelected(true);
  grid.failLayout = true;
  EXPECT_EQ(errorOf([&] { grid.unlockUpdate(); }), "layout");
  EXPECT_EQ(countChanges, 1) << "the batch ended";
  EXPECT_EQ(grid.updateLock(), 0);
  grid.failLayout = false;
  // The count handler's own failure, with nothing else on its way, is seen.
  grid.lockUpdate();
  grid.topNodes(2)->setSelected(true);
  EXPECT_EQ(errorOf([&] { grid.unlockUpdate(); }), "count handler");
  EXPECT_EQ(grid.updateLock(), 0);
}

TEST_F(FailingTree, AFailedFocusMoveReportsTheFocusItGaveAndItsOwnError) {
  std::vector<std::string> changes;
  grid.onChangeNode = [&](CustomTreeList&, TreeListNode*, TreeListNode* node) {
    changes.push_back(node->strings(0));
    throw std::runtime_error("change handler");
  };
  grid.failColumn = true;
  EXPECT_EQ(errorOf([&] { grid.setFocusedNode(grid.topNodes(2), 1, false); }), "column");
  EXPECT_EQ(grid.focusedNode(), grid.topNodes(2));
  EXPECT_EQ(changes, (std::vector<std::string>{"C"}));
}

TEST_F(FailingTree, AFailedSelectionVetoEndsTheBatchAndIsTheErrorSeen) {
  int countChanges = 0;
  grid.onSelectedCountChange = [&](CustomTreeList&) { ++countChanges; };
  grid.onCanNodeSelected = [](CustomTreeList&, TreeListNode*, bool&) {
    throw std::runtime_error("veto handler");
  };
  EXPECT_EQ(errorOf([&] { grid.topNodes(0)->setSelected(true); }), "veto handler");
  EXPECT_EQ(grid.selectedCount(), 0);
  // The batch was closed: a later selection reports its own change.
  grid.onCanNodeSelected = nullptr;
  grid.topNodes(0)->setSelected(true);
  EXPECT_EQ(countChanges, 1);
}

TEST_F(FailingTree, ALockThatFailsToCloseTheEditorIsNotLeftHeld) {
  grid.topNodes(0)->addChild();
  grid.failEditing = true;
  EXPECT_EQ(errorOf([&] { grid.expandAll(); }), "editing");
  grid.failEditing = false;
  EXPECT_EQ(grid.updateLock(), 0);
  grid.expandAll();
  EXPECT_EQ(grid.visibleCount(), 4);
}

TEST(CellTexts, KeepOneTextPerColumnAndFollowColumnMoves) {
  CellTexts t;
  EXPECT_EQ(t.count(), 0);
  EXPECT_EQ(t.get(3), "");
  t.set(2, "c");
  EXPECT_EQ(t.count(), 3);
  EXPECT_EQ(t.get(0), "");
  t.set(0, "a");
  t.set(1, std::string(300, 'b'));
  t.move(0, 2);
  EXPECT_EQ(t.get(0), std::string(300, 'b'));
  EXPECT_EQ(t.get(1), "c");
  EXPECT_EQ(t.get(2), "a");
  t.move(1, 5);  // beyond the end: the texts in between are empty
  EXPECT_EQ(t.count(), 6);
  EXPECT_EQ(t.get(2), "");
  EXPECT_EQ(t.get(5), "c");
  t.removeAt(0);
  EXPECT_EQ(t.get(0), "a");
  t.insertAt(0);
  EXPECT_EQ(t.get(0), "");
  EXPECT_EQ(t.get(1), "a");
  const std::string_view row[] = {"x", "", std::string_view("n\0l", 3)};
  t.assign(row);
  EXPECT_EQ(t.count(), 3);
  EXPECT_EQ(t.get(2), std::string_view("n\0l", 3));
}

}  // namespace
}  // namespace morvel
