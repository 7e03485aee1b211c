// Sorting: header clicks and sort keys, the value order, tie-breaks, the
// compare event, sorting by level, the sorting batch and the hourglass.
#include <gtest/gtest.h>

#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "GridTestSupport.h"
#include "grid/tree/HoareSort.h"

namespace morvel {
namespace {

using test::addRow;
using test::topTexts;

// Column 1 holds day numbers: its sort values are dates, null when empty.
// Equal values fall back to each node's key kept in Data.
class DateGrid : public test::TestGrid {
 public:
  using TestGrid::TestGrid;
  Variant getSortValue(const TreeListNode& node, int column) const override {
    if (column != 1) return TestGrid::getSortValue(node, column);
    const std::string text = node.strings(1);
    return text.empty() ? Variant::null() : Variant::date(std::stod(text));
  }
  int compareTieBreak(const TreeListNode* a, const TreeListNode* b) const override {
    return a->data() < b->data() ? -1 : (a->data() > b->data() ? 1 : 0);
  }
};

class Sorting : public ::testing::Test {
 protected:
  FakeHost host{{400, 300}};
  DateGrid grid{host};
  TreeListColumn* name = nullptr;
  TreeListColumn* day = nullptr;
  TreeListColumn* kind = nullptr;

  void SetUp() override {
    name = grid.createColumn();
    day = grid.createColumn();
    kind = grid.createColumn();
    grid.setOptionsEx(grid.optionsEx().with(goAutoSort).with(goMultiSort));
  }
  void rows(std::vector<std::vector<std::string>> texts) {
    std::uintptr_t key = 0;
    for (auto& t : texts) addRow(grid, t)->setData(++key);
  }
  void shiftClick(TreeListColumn* c) {
    grid.setAddSortKey(true);
    grid.columnHeaderClick(c);
    grid.setAddSortKey(false);
  }
};

TEST_F(Sorting, ClicksGoAscendingDescendingAscending) {
  rows({{"b"}, {"c"}, {"a"}});
  grid.columnHeaderClick(name);
  EXPECT_EQ(name->sorted(), csUp);
  EXPECT_EQ(topTexts(grid), (std::vector<std::string>{"a", "b", "c"}));
  grid.columnHeaderClick(name);
  EXPECT_EQ(name->sorted(), csDown);
  EXPECT_EQ(topTexts(grid), (std::vector<std::string>{"c", "b", "a"}));
  grid.columnHeaderClick(name);
  EXPECT_EQ(name->sorted(), csUp);
  EXPECT_EQ(topTexts(grid), (std::vector<std::string>{"a", "b", "c"}));
}

TEST_F(Sorting, TextsSortByUnsignedBytes) {
  rows({{"b"}, {"B"}, {"a"}, {""}, {"\xc3\xa9"}, {"ab"}});
  grid.columnHeaderClick(name);
  EXPECT_EQ(topTexts(grid), (std::vector<std::string>{"", "B", "a", "ab", "b", "\xc3\xa9"}));
}

TEST_F(Sorting, EmptyDatesComeFirstAscendingAndLastDescending) {
  rows({{"x", "36526"}, {"y", ""}, {"z", "2"}, {"w", "36526.5"}});
  grid.columnHeaderClick(day);
  EXPECT_EQ(topTexts(grid), (std::vector<std::string>{"y", "z", "x", "w"}));
  grid.columnHeaderClick(day);
  EXPECT_EQ(topTexts(grid), (std::vector<std::string>{"w", "x", "z", "y"}));
}

TEST_F(Sorting, EqualValuesKeepTheTieBreakOrderInBothDirections) {
  rows({{"k1", "5"}, {"k2", "1"}, {"k3", "5"}, {"k4", "5"}, {"k5", "1"}});
  grid.columnHeaderClick(day);
  EXPECT_EQ(topTexts(grid), (std::vector<std::string>{"k2", "k5", "k1", "k3", "k4"}));
  grid.columnHeaderClick(day);
  EXPECT_EQ(topTexts(grid), (std::vector<std::string>{"k1", "k3", "k4", "k2", "k5"}));
}

TEST_F(Sorting, APlainClickMakesTheColumnTheOnlySortKey) {
  rows({{"a", "2"}, {"b", "1"}});
  grid.columnHeaderClick(name);
  grid.columnHeaderClick(day);
  EXPECT_EQ(name->sorted(), csNone);
  EXPECT_EQ(grid.sortKeyCount(), 1);
  EXPECT_EQ(grid.sortKeyColumn(0), 1);
  EXPECT_EQ(topTexts(grid), (std::vector<std::string>{"b", "a"}));
}

TEST_F(Sorting, ShiftClickAddsFurtherKeysEachWithItsOwnDirection) {
  rows({{"a", "", "2"}, {"b", "", "1"}, {"a", "", "1"}, {"b", "", "2"}});
  grid.columnHeaderClick(name);
  shiftClick(kind);
  EXPECT_EQ(grid.sortKeyCount(), 2);
  EXPECT_EQ(topTexts(grid, 2), (std::vector<std::string>{"1", "2", "1", "2"}));
  EXPECT_EQ(topTexts(grid, 0), (std::vector<std::string>{"a", "a", "b", "b"}));
  shiftClick(name);  // the first key turns descending, the second stays
  EXPECT_EQ(name->sorted(), csDown);
  EXPECT_EQ(grid.sortKeyColumn(0), 0);
  EXPECT_TRUE(grid.sortKeyDescending(0));
  EXPECT_EQ(topTexts(grid, 0), (std::vector<std::string>{"b", "b", "a", "a"}));
  EXPECT_EQ(topTexts(grid, 2), (std::vector<std::string>{"1", "2", "1", "2"}));
  // Without multi-sort a Shift+click is a plain click.
  grid.setOptionsEx(grid.optionsEx().without(goMultiSort));
  grid.columnHeaderClick(kind);
  EXPECT_EQ(name->sorted(), csNone);
}

TEST_F(Sorting, ClearingTheSortStateMovesNoRows) {
  rows({{"b"}, {"a"}});
  grid.columnHeaderClick(name);
  name->setSorted(csNone);
  EXPECT_EQ(grid.sortKeyCount(), 0);
  EXPECT_EQ(topTexts(grid), (std::vector<std::string>{"a", "b"}));
}

TEST_F(Sorting, NoAutoSortOrAVetoLeavesTheStateAlone) {
  rows({{"b"}, {"a"}});
  grid.setOptionsEx(grid.optionsEx().without(goAutoSort));
  grid.columnHeaderClick(name);
  EXPECT_EQ(name->sorted(), csNone);
  EXPECT_EQ(topTexts(grid), (std::vector<std::string>{"b", "a"}));
}

TEST_F(Sorting, TheCompareEventReplacesValuesAndIsNegatedDescending) {
  rows({{"ccc"}, {"a"}, {"bb"}});
  int calls = 0;
  grid.onCompare = [&](CustomTreeListControl&, TreeListNode* x, TreeListNode* y, int& c) {
    ++calls;
    c = int(x->strings(0).size()) - int(y->strings(0).size());
  };
  grid.sortNodes(0, 0, true);
  EXPECT_GT(calls, 0);
  EXPECT_EQ(topTexts(grid), (std::vector<std::string>{"ccc", "bb", "a"}));
}

TEST_F(Sorting, AnInconsistentCompareEventScramblesButLosesNoRow) {
  for (int i = 0; i < 500; ++i) addRow(grid, {std::to_string(i)});
  std::mt19937 rng(7);
  grid.onCompare = [&](CustomTreeListControl&, TreeListNode*, TreeListNode*, int& c) {
    c = static_cast<int>(rng() % 3) - 1;
  };
  grid.sortNodes(0, 0, false);
  std::vector<std::string> got = topTexts(grid);
  std::sort(got.begin(), got.end());
  std::vector<std::string> want;
  for (int i = 0; i < 500; ++i) want.push_back(std::to_string(i));
  std::sort(want.begin(), want.end());
  EXPECT_EQ(got, want);
  EXPECT_EQ(grid.visibleCount(), 500);
}

TEST_F(Sorting, ErrorsRestoreTheCursorAndReleaseTheLockAndKeepEveryRow) {
  rows({{"b"}, {"a"}, {"c"}});
  grid.setOptions(grid.options().with(goShowHourGlass));
  grid.onCompare = [](CustomTreeListControl&, TreeListNode*, TreeListNode*, int&) {
    throw std::runtime_error("compare");
  };
  EXPECT_THROW(grid.columnHeaderClick(name), std::runtime_error);
  EXPECT_EQ(host.cursorHistory, (std::vector<Cursor>{crHourGlass, crDefault}));
  EXPECT_EQ(grid.updateLock(), 0);
  EXPECT_EQ(grid.topCount(), 3);
}

TEST_F(Sorting, SortingByLevelReordersOnlyThatDepth) {
  TreeListNode* g2 = addRow(grid, {"g2"});
  TreeListNode* g1 = addRow(grid, {"g1"});
  addRow(grid, {"y"}, g2);
  addRow(grid, {"x"}, g2);
  addRow(grid, {"b"}, g1);
  addRow(grid, {"a"}, g1);
  grid.sortNodes(1, 0, false);
  EXPECT_EQ(topTexts(grid), (std::vector<std::string>{"g2", "g1"}));
  EXPECT_EQ(g2->items(0)->strings(0), "x");
  EXPECT_EQ(g1->items(0)->strings(0), "a");
  grid.sortNodes(-1, 0, true);
  EXPECT_EQ(topTexts(grid), (std::vector<std::string>{"g2", "g1"}));
  EXPECT_EQ(g1->items(0)->strings(0), "b");
  grid.sortNodes(0, 0, false);
  EXPECT_EQ(topTexts(grid), (std::vector<std::string>{"g1", "g2"}));
}

TEST_F(Sorting, FocusAndTopFollowTheirNodesThroughASort) {
  rows({{"c"}, {"a"}, {"b"}});
  TreeListNode* c = grid.topNodes(0);
  grid.setFocusedNode(grid.topNodes(2), 0, false);
  TreeListNode* focused = grid.focusedNode();
  grid.columnHeaderClick(name);
  EXPECT_EQ(grid.focusedNode(), focused);
  EXPECT_EQ(focused->visibleIndex(), 1);
  EXPECT_EQ(grid.topNode(), grid.topNodes(0));  // kept within the last page
  EXPECT_EQ(c->index(), 2);
}

TEST_F(Sorting, ABatchCollectsSortStatesAndSortsOnceAtTheEnd) {
  rows({{"a", "", "2"}, {"b", "", "1"}, {"a", "", "1"}});
  grid.beginSortBatch();
  name->setSorted(csUp);
  kind->setSorted(csDown);
  EXPECT_EQ(topTexts(grid, 2), (std::vector<std::string>{"2", "1", "1"}));  // not yet
  grid.endSortBatch();
  EXPECT_EQ(grid.sortKeyCount(), 2);
  EXPECT_EQ(topTexts(grid, 0), (std::vector<std::string>{"a", "a", "b"}));
  EXPECT_EQ(topTexts(grid, 2), (std::vector<std::string>{"2", "1", "1"}));
}

// An adversary that decides the order of values only as the sort asks
// (after McIlroy): it makes any plain quicksort quadratic. The sort must
// notice and finish in about n log n comparisons.
TEST(HoareSort, StaysNearNLogNOnAnAdversarialInput) {
  const int n = 20000;
  const int gas = n;
  std::vector<int> value(n, gas);
  int frozen = 0;
  int candidate = -1;
  std::vector<int> items(n);
  std::iota(items.begin(), items.end(), 0);
  hoareSort(items, [&](int x, int y) {
    if (value[x] == gas && value[y] == gas) value[x == candidate ? x : y] = frozen++;
    if (value[x] == gas) {
      candidate = x;
    } else if (value[y] == gas) {
      candidate = y;
    }
    return value[x] - value[y];
  });
  // Replay the input the adversary built, counting comparisons.
  long comparisons = 0;
  std::vector<int> replay = value;
  hoareSort(replay, [&](int a, int b) {
    ++comparisons;
    return a - b;
  });
  EXPECT_TRUE(std::is_sorted(replay.begin(), replay.end()));
  EXPECT_LT(comparisons, 100L * n);
}

struct Pattern {
  const char* name;
  std::vector<int> (*make)(int n);
};

class HoareSortPatterns : public ::testing::TestWithParam<Pattern> {};

TEST_P(HoareSortPatterns, SortsEveryShapeOfInput) {
  std::vector<int> items = GetParam().make(20000);
  std::vector<int> want = items;
  std::sort(want.begin(), want.end());
  hoareSort(items, [](int a, int b) { return a < b ? -1 : (a > b ? 1 : 0); });
  EXPECT_EQ(items, want);
}

INSTANTIATE_TEST_SUITE_P(Shapes, HoareSortPatterns,
                         ::testing::Values(Pattern{"ascending",
                                                   [](int n) {
                                                     std::vector<int> v(n);
                                                     std::iota(v.begin(), v.end(), 0);
                                                     return v;
                                                   }},
                                           Pattern{"all equal",
                                                   [](int n) { return std::vector<int>(n, 7); }},
                                           Pattern{"organ pipe",
                                                   [](int n) {
                                                     std::vector<int> v(n);
                                                     for (int i = 0; i < n; ++i)
                                                       v[i] = std::min(i, n - i);
                                                     return v;
                                                   }},
                                           Pattern{"random",
                                                   [](int n) {
                                                     std::mt19937 rng(3);
                                                     std::vector<int> v(n);
                                                     for (int& x : v)
                                                       x = static_cast<int>(rng() % 100);
                                                     return v;
                                                   }}),
                         [](const auto& info) {
                           std::string s = info.param.name;
                           std::replace(s.begin(), s.end(), ' ', '_');
                           return s;
                         });

}  // namespace
}  // namespace morvel
