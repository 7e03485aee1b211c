// A tree-list control on the fake platform, with helpers that build trees
// and record events, shared by the grid tests.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "grid/view/CustomTreeListControl.h"
#include "platform/fake/FakeHost.h"

namespace morvel::test {

// The control as tests drive it: the protected hooks made reachable.
class TestGrid : public CustomTreeListControl {
 public:
  explicit TestGrid(FakeHost& host) : CustomTreeListControl(host) { setName("gridData"); }
  using CustomTreeListControl::appendTakenNode;
  using CustomTreeListControl::sortBatchEnded;
  void bandClick(TreeListBand*) override { ++bandClicks; }
  int bandClicks = 0;
};

// A host of 400 × 300 and a grid without a header, so rows start at the
// top: with 16-pixel rows (13 + 3), 18 rows fit.
struct GridFixture {
  GridFixture() { grid.setShowHeader(false); }
  FakeHost host{{400, 300}};
  TestGrid grid{host};
};

// prefix followed by the number.
inline std::string label(const char* prefix, int number) {
  std::string text(prefix);
  text += std::to_string(number);
  return text;
}

// A 400 × 300 grid laid out as the data-bound grid sets it up (grid lines,
// the indicator, row select) with the columns Name, City and Born of 100,
// 80 and 60 pixels.
class ThreeColumnGrid : public ::testing::Test {
 protected:
  void SetUp() override {
    grid.setBounds({0, 0, 400, 300});
    host.attach(grid);
    grid.setShowGrid(true);
    grid.setOptions(grid.options().with(goIndicator).with(goRowSelect));
    for (const char* caption : {"Name", "City", "Born"}) grid.createColumn()->setCaption(caption);
    grid.columns(0)->setWidth(100);
    grid.columns(1)->setWidth(80);
    grid.columns(2)->setWidth(60);
  }

  FakeHost host{{400, 300}};
  TestGrid grid{host};
};

// Keeps a list of group columns and nothing else: the rows stay as they are.
class GroupingGrid : public CustomTreeListControl {
 public:
  GroupingGrid() = default;
  explicit GroupingGrid(FakeHost& host) : CustomTreeListControl(host) {}
  bool showGroupPanel() const override { return true; }
  int groupPanelHeight(int h) const override {
    const int n = groupColumnCount();
    return n == 0 ? h - h / 2 + 16 : (n - 1) * (h / 2) + h + 16;
  }
  int groupColumnCount() const override { return static_cast<int>(groups.size()); }
  TreeListColumn* groupColumns(int i) const override {
    return i >= 0 && i < groupColumnCount() ? groups[static_cast<std::size_t>(i)] : nullptr;
  }
  bool isGroupColumn(const TreeListColumn* c) const override {
    return std::find(groups.begin(), groups.end(), c) != groups.end();
  }
  bool canGroupBy(TreeListColumn* c) override { return !isGroupColumn(c); }
  void groupByColumn(TreeListColumn* c, int index) override {
    UpdateLock lock(*this);
    groups.erase(std::remove(groups.begin(), groups.end(), c), groups.end());
    groups.insert(groups.begin() + std::clamp(index, 0, groupColumnCount()), c);
    c->setVisible(false);
  }
  void ungroupColumn(TreeListColumn* c) override {
    UpdateLock lock(*this);
    groups.erase(std::remove(groups.begin(), groups.end(), c), groups.end());
    c->setVisible(true);
    setSorted(c, csNone);
  }
  std::vector<TreeListColumn*> groups;
};

// Adds a top-level node with the texts given, one per column.
inline TreeListNode* addRow(CustomTreeList& grid, std::vector<std::string> texts,
                            TreeListNode* parent = nullptr) {
  TreeListNode* node = parent ? parent->addChild() : grid.addNode();
  for (std::size_t i = 0; i < texts.size(); ++i) node->setStrings(static_cast<int>(i), texts[i]);
  return node;
}

// "A" (B, C), "D" (E), "F": two groups and a leaf at the top.
struct SmallTreeNodes : GridFixture {
  TreeListNode* a = addRow(grid, {"A"});
  TreeListNode* b = addRow(grid, {"B"}, a);
  TreeListNode* c = addRow(grid, {"C"}, a);
  TreeListNode* d = addRow(grid, {"D"});
  TreeListNode* e = addRow(grid, {"E"}, d);
  TreeListNode* f = addRow(grid, {"F"});
};

// The visible rows in display order, found by recursion over the public
// node operations: the reference the grid's own answers are checked against.
inline void appendDisplayOrder(TreeListNode* node, std::vector<TreeListNode*>& out) {
  out.push_back(node);
  if (!node->expanded()) return;
  for (int i = 0; i < node->count(); ++i) appendDisplayOrder(node->items(i), out);
}

inline std::vector<TreeListNode*> displayOrder(const CustomTreeList& grid) {
  std::vector<TreeListNode*> out;
  for (int i = 0; i < grid.topCount(); ++i) appendDisplayOrder(grid.topNodes(i), out);
  return out;
}

// Column 0 text of each node given.
inline std::vector<std::string> texts(const std::vector<TreeListNode*>& nodes, int column = 0) {
  std::vector<std::string> out;
  for (TreeListNode* n : nodes) out.push_back(n->strings(column));
  return out;
}

inline std::vector<std::string> topTexts(const CustomTreeList& grid, int column = 0) {
  std::vector<std::string> out;
  for (int i = 0; i < grid.topCount(); ++i) out.push_back(grid.topNodes(i)->strings(column));
  return out;
}

}  // namespace morvel::test
