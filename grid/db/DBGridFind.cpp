// Finding texts in the data-bound grid; see DBGridFind.h.
#include "grid/db/DBGridFind.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/StringUtils.h"
#include "grid/db/CustomDBGrid.h"
#include "grid/db/DBGridColumns.h"

namespace morvel {

namespace {

TreeListNode* siblingAfter(const CustomDBGrid& grid, const TreeListNode* node) {
  const int next = node->index() + 1;
  if (const TreeListNode* parent = node->parent()) return parent->items(next);
  return next < grid.topCount() ? grid.topNodes(next) : nullptr;
}

TreeListNode* siblingBefore(const CustomDBGrid& grid, const TreeListNode* node) {
  const int prior = node->index() - 1;
  if (prior < 0) return nullptr;
  if (const TreeListNode* parent = node->parent()) return parent->items(prior);
  return grid.topNodes(prior);
}

TreeListNode* lastDescendant(TreeListNode* node) {
  while (node->count() > 0) node = node->items(node->count() - 1);
  return node;
}

// The row after (before) the node in the order of a fully expanded tree.
TreeListNode* nextInOrder(const CustomDBGrid& grid, TreeListNode* node) {
  if (node->count() > 0) return node->items(0);
  for (; node; node = node->parent()) {
    if (TreeListNode* next = siblingAfter(grid, node)) return next;
  }
  return nullptr;
}

TreeListNode* priorInOrder(const CustomDBGrid& grid, TreeListNode* node) {
  if (TreeListNode* prior = siblingBefore(grid, node)) return lastDescendant(prior);
  return node->parent();
}

std::vector<int> visibleColumnIndexes(const CustomDBGrid& grid) {
  std::vector<int> indexes;
  for (int i = 0; i < grid.visibleColumnCount(); ++i) {
    if (const TreeListColumn* column = grid.visibleColumns(i)) indexes.push_back(column->index());
  }
  return indexes;
}

}  // namespace

GridFindResult findInGrid(const CustomDBGrid& grid, const TextSearch& search, TreeListNode* from,
                          int fromColumn, bool forward) {
  GridFindResult result;
  if (grid.topCount() == 0) return result;
  const std::vector<int> columns = visibleColumnIndexes(grid);
  const int m = static_cast<int>(columns.size());
  if (m == 0) return result;
  TreeListNode* const first =
      forward ? grid.topNodes(0) : lastDescendant(grid.topNodes(grid.topCount() - 1));
  // Cells are visited by step s = 0..m-1 within a row, left to right going
  // forward and right to left going back.
  const auto columnAt = [&](int s) { return columns[forward ? s : m - 1 - s]; };
  TreeListNode* start = from ? from : first;
  int startStep = 0;
  if (from && fromColumn >= 0) {
    const auto at = std::find(columns.begin(), columns.end(), fromColumn);
    if (at != columns.end()) {
      const int k = static_cast<int>(at - columns.begin());
      startStep = (forward ? k : m - 1 - k) + 1;
    }
  }
  std::string buffer;
  const auto matchIn = [&](TreeListNode* node, int fromStep, int toStep) {
    if (CustomDBGrid::isGroupNode(node)) return -1;
    for (int s = fromStep; s < toStep; ++s) {
      const int column = columnAt(s);
      if (search.foundIn(grid.getNodeString(*node, column, buffer))) return column;
    }
    return -1;
  };
  TreeListNode* node = start;
  int fromStep = startStep;
  for (;;) {
    const int column = matchIn(node, fromStep, m);
    if (column >= 0) {
      result.node = node;
      result.column = column;
      return result;
    }
    node = forward ? nextInOrder(grid, node) : priorInOrder(grid, node);
    fromStep = 0;
    if (!node) {
      node = first;
      result.wrapped = true;
    }
    if (node == start) break;
  }
  // Back where it started: the cells before the start one are left.
  const int column = matchIn(start, 0, std::min(startStep, m));
  if (column >= 0) {
    result.node = start;
    result.column = column;
    return result;
  }
  return {};
}

void showGridNode(CustomDBGrid& grid, TreeListNode* node) {
  if (!node) return;
  std::vector<TreeListNode*> path;
  for (TreeListNode* p = node->parent(); p; p = p->parent()) path.push_back(p);
  // Outermost first, so that each group opens inside an open one.
  for (auto it = path.rbegin(); it != path.rend(); ++it) {
    if (!(*it)->expanded()) (*it)->setExpanded(true);
  }
  grid.setFocusedNode(node, grid.focusedColumn(), true);
}

int gridDataRowCount(const CustomDBGrid& grid) {
  int count = 0;
  for (TreeListNode* node = grid.topCount() > 0 ? grid.topNodes(0) : nullptr; node;
       node = nextInOrder(grid, node)) {
    if (!CustomDBGrid::isGroupNode(node)) ++count;
  }
  return count;
}

std::vector<int> gridVisibleColumns(const CustomDBGrid& grid) { return visibleColumnIndexes(grid); }

bool filterTextNarrows(std::string_view next, std::string_view previous) {
  return TextSearch(previous, false).foundIn(next);
}

DataSet::RecordFilter gridTextFilter(const CustomDBGrid& grid, std::string_view text,
                                     bool rowsHoldEveryMatch) {
  // Verdicts by key: 0 unknown, 1 shown, 2 refused.
  constexpr std::uint8_t kUnknown = 0;
  constexpr std::uint8_t kShown = 1;
  constexpr std::uint8_t kRefused = 2;
  struct State {
    TextSearch search;
    std::vector<const DBTreeListColumn*> columns;
    std::string buffer;
    Field* key = nullptr;
    std::vector<std::uint8_t> verdicts;
    bool rowsHoldEveryMatch = false;
  };
  auto state = std::make_shared<State>(State{TextSearch(text, false), {}, {}, nullptr, {}, false});
  const std::vector<int> indexes = visibleColumnIndexes(grid);
  for (const int index : indexes) {
    if (const DBTreeListColumn* column = grid.dbColumn(index); column && column->field()) {
      state->columns.push_back(column);
    }
  }
  // The rows' verdicts, by whole-number keys up to a bound that keeps the
  // table small; without such keys every record is judged by its fields.
  Field* key = grid.keyFieldObject();
  constexpr std::int64_t kMaxKey = std::int64_t(1) << 26;
  if (key) {
    std::string buffer;
    bool usable = true;
    std::vector<std::uint8_t>& verdicts = state->verdicts;
    for (TreeListNode* node = grid.topCount() > 0 ? grid.topNodes(0) : nullptr; node && usable;
         node = nextInOrder(grid, node)) {
      if (CustomDBGrid::isGroupNode(node)) continue;
      const PackedValue& k = CustomDBGrid::dbNode(*node).keyValue();
      if (!k.isInteger() || k.integer() < 0 || k.integer() >= kMaxKey) {
        usable = false;
        break;
      }
      const auto at = static_cast<std::size_t>(k.integer());
      if (at >= verdicts.size()) verdicts.resize(std::max(at + 1, verdicts.size() * 2), kUnknown);
      bool shown = false;
      for (const int index : indexes) {
        if (state->search.foundIn(grid.getNodeString(*node, index, buffer))) {
          shown = true;
          break;
        }
      }
      verdicts[at] = shown ? kShown : kRefused;
    }
    if (usable) {
      state->key = key;
      state->rowsHoldEveryMatch = rowsHoldEveryMatch;
    } else {
      verdicts.clear();
    }
  }
  return [state](DataSet&) {
    if (state->key) {
      const Variant k = state->key->variantValue();
      if (k.kind() == vkInteger && k.integerValue() >= 0) {
        const auto at = static_cast<std::size_t>(k.integerValue());
        const std::uint8_t verdict = at < state->verdicts.size() ? state->verdicts[at] : kUnknown;
        if (verdict != kUnknown) return verdict == kShown;
        if (state->rowsHoldEveryMatch) return false;
      }
    }
    for (const DBTreeListColumn* column : state->columns) {
      column->storedCellText(state->buffer);
      if (state->search.foundIn(state->buffer)) return true;
    }
    return false;
  };
}

void filterGridRecords(CustomDBGrid& grid, DataSet::RecordFilter filter) {
  DataSet* ds = grid.dataSet();
  if (!ds) return;
  if (!ds->active()) {
    ds->setRecordFilter(std::move(filter));
    return;
  }
  // The grid refreshes only the current record on a data change; the rows
  // the filter adds or takes away come with one reload. The records are
  // walked once, by that reload: the dataset is put back on a record after
  // it, and the resumed links bring the focus there.
  const Field* keyField = grid.keyFieldObject();
  const Variant current = keyField ? keyField->variantValue() : Variant::null();
  SuspendedLinks suspended(*ds);
  ds->setRecordFilterUnplaced(std::move(filter));
  // All rows anew: rows kept from before would keep their places, and the
  // rows the filter lets in would trail them out of order.
  grid.reloadAll();
  if (keyField && !current.isNull() && ds->findKeyRecord(grid.keyField(), current)) return;
  TreeListNode* first =
      grid.topCount() > 0 ? CustomDBGrid::firstDataNode(grid.topNodes(0)) : nullptr;
  if (keyField && first &&
      ds->findKeyRecord(grid.keyField(), CustomDBGrid::dbNode(*first).keyValue().toVariant())) {
    return;
  }
  ds->goFirst();
}

void showGroupCounts(CustomDBGrid& grid, bool show) {
  std::vector<DBGridSummaryGroup>& groups = grid.summaryGroups();
  std::erase_if(groups, [](const DBGridSummaryGroup& g) { return g.name == kGroupCountsName; });
  if (show) {
    DBGridSummaryItem count;
    count.summaryType = cstCount;
    // "(1,234)": the thousands separator of the user's settings.
    count.summaryFormat = "(#,##0)";
    groups.push_back({std::string(kGroupCountsName), {count}});
  }
  for (int i = 0; i < grid.columnCount(); ++i) {
    DBTreeListColumn* column = grid.dbColumn(i);
    if (!column) continue;
    if (show && column->summaryGroupName().empty()) {
      column->setSummaryGroupName(kGroupCountsName);
    } else if (!show && column->summaryGroupName() == kGroupCountsName) {
      column->setSummaryGroupName("");
    }
  }
  if (grid.groupColumnCount() > 0) grid.reloadKeepingNodes();
}

bool groupCountsShown(CustomDBGrid& grid) {
  return std::any_of(grid.summaryGroups().begin(), grid.summaryGroups().end(),
                     [](const DBGridSummaryGroup& g) { return g.name == kGroupCountsName; });
}

}  // namespace morvel
