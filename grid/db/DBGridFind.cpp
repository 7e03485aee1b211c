// Finding texts in the data-bound grid; see DBGridFind.h.
#include "grid/db/DBGridFind.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/DateTime.h"
#include "base/StringUtils.h"
#include "grid/db/CustomDBGrid.h"
#include "grid/db/DBGridColumns.h"

namespace morvel {

namespace {

// Whether any of the searched columns' texts of a data row holds the
// search's text. When every searched column shows its stored text, the
// row's texts are searched at once, where they lie one after another: a
// find that runs across two texts, or lands in a column not searched,
// searches on.
class RowJudge {
 public:
  RowJudge(const CustomDBGrid& grid, const TextSearch& search, const std::vector<int>& columns)
      : grid_(grid), search_(search), columns_(columns) {
    for (const int index : columns) {
      if (!grid.showsStoredText(index)) joined_ = false;
      if (index >= 0) {
        if (searched_.size() <= std::size_t(index)) searched_.resize(std::size_t(index) + 1);
        searched_[std::size_t(index)] = 1;
      }
    }
  }

  bool holds(const TreeListNode& node) {
    if (search_.empty()) return true;
    if (!joined_) {
      for (const int index : columns_) {
        if (search_.foundIn(grid_.getNodeString(node, index, buffer_))) return true;
      }
      return false;
    }
    const CellTexts& texts = CustomDBGrid::dbNode(node).texts();
    const std::string_view all = texts.joined();
    const std::size_t n = search_.needle().size();
    for (std::size_t at = search_.find(all); at != std::string_view::npos;
         at = search_.find(all, at + 1)) {
      const CellTexts::Owner owner = texts.ownerOf(at);
      if (owner.index >= 0 && at + n <= owner.end && std::size_t(owner.index) < searched_.size() &&
          searched_[std::size_t(owner.index)]) {
        return true;
      }
    }
    return false;
  }

 private:
  const CustomDBGrid& grid_;
  const TextSearch& search_;
  const std::vector<int>& columns_;
  std::vector<std::uint8_t> searched_;
  bool joined_ = true;
  std::string buffer_;
};

// Every row in the order of a fully expanded tree.
std::vector<TreeListNode*> rowsInOrder(const CustomDBGrid& grid) {
  std::vector<TreeListNode*> rows;
  grid.forEachNode([&](TreeListNode* node) { rows.push_back(node); });
  return rows;
}

}  // namespace

GridFindResult findInGrid(const CustomDBGrid& grid, const TextSearch& search, TreeListNode* from,
                          int fromColumn, bool forward) {
  GridFindResult result;
  const std::vector<int> columns = gridVisibleColumns(grid);
  const int m = static_cast<int>(columns.size());
  if (grid.topCount() == 0 || m == 0) return result;
  std::vector<TreeListNode*> rows = rowsInOrder(grid);
  if (!forward) std::reverse(rows.begin(), rows.end());
  const std::size_t n = rows.size();
  // Cells are visited by step s = 0..m-1 within a row, left to right going
  // forward and right to left going back.
  const auto columnAt = [&](int s) { return columns[forward ? s : m - 1 - s]; };
  std::size_t start = 0;
  int startStep = 0;
  if (from) {
    start = static_cast<std::size_t>(std::find(rows.begin(), rows.end(), from) - rows.begin());
    if (start == n) start = 0;
    const auto at = std::find(columns.begin(), columns.end(), fromColumn);
    if (fromColumn >= 0 && at != columns.end()) {
      const int k = static_cast<int>(at - columns.begin());
      startStep = (forward ? k : m - 1 - k) + 1;
    }
  }
  std::string buffer;
  RowJudge judge(grid, search, columns);
  const auto matchIn = [&](TreeListNode* node, int fromStep, int toStep) {
    // Most rows hold the text nowhere: one search over all their texts
    // says so, before any cell's own.
    if (CustomDBGrid::isGroupNode(node) || !judge.holds(*node)) return -1;
    for (int s = fromStep; s < toStep; ++s) {
      const int column = columnAt(s);
      if (search.foundIn(grid.getNodeString(*node, column, buffer))) return column;
    }
    return -1;
  };
  // From the start cell to the end, then from the top back to it.
  for (std::size_t i = 0; i <= n; ++i) {
    const std::size_t at = (start + i) % n;
    const int fromStep = i == 0 ? startStep : 0;
    const int toStep = i == n ? std::min(startStep, m) : m;
    const int column = matchIn(rows[at], fromStep, toStep);
    if (column >= 0) {
      result.node = rows[at];
      result.column = column;
      result.wrapped = start + i >= n;
      return result;
    }
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

int gridDataRowCount(const CustomDBGrid& grid) { return grid.loadedRecordCount(); }

namespace {

// Whether a date column's texts can ever hold the search's text. A date's
// text is made of digits, the format's own characters and the names of
// months, days and the halves of the day; formatting a date of every month
// and weekday, in the morning and in the afternoon, shows every character
// the column can ever show. A text with a character none of them has (a
// word among dates written in figures) is never found there, so the
// column's dates need not be formatted at all. False when the column's text
// does not come from its dates alone.
bool datesCannotHold(const DBTreeListColumn& column, const TextSearch& search) {
  const auto* field = dynamic_cast<const DateTimeField*>(column.field());
  if (!field || field->onGetText || !field->displayFormat().empty()) return false;
  std::array<bool, 256> seen{};
  for (int c = '0'; c <= '9'; ++c) seen[static_cast<std::size_t>(c)] = true;
  std::string text;
  for (int month = 1; month <= 12; ++month) {
    for (int day = 1; day <= 7; ++day) {
      int date = 0;
      if (!tryEncodeDate(2001, month, day + 20, date)) continue;
      for (const double time : {0.0, 1.0 / 24 + 1.0 / 1440, 13.0 / 24 + 59.0 / 1440}) {
        field->valueText(date + time, text);
        for (const char c : text) {
          const auto b = static_cast<unsigned char>(c);
          seen[b] = true;
          if (b >= 'A' && b <= 'Z') seen[b + 32u] = true;
          if (b >= 'a' && b <= 'z') seen[b - 32u] = true;
        }
      }
    }
  }
  for (const char c : search.needle()) {
    if (!seen[static_cast<unsigned char>(c)]) return true;
  }
  return false;
}

}  // namespace

std::vector<int> gridVisibleColumns(const CustomDBGrid& grid) {
  std::vector<int> indexes;
  for (int i = 0; i < grid.visibleColumnCount(); ++i) {
    if (const TreeListColumn* column = grid.visibleColumns(i)) indexes.push_back(column->index());
  }
  return indexes;
}

bool filterTextNarrows(std::string_view next, std::string_view previous) {
  return TextSearch(previous, false).foundIn(next);
}

namespace {

// Verdicts by key.
constexpr std::uint8_t kUnknown = 0;
constexpr std::uint8_t kShown = 1;
constexpr std::uint8_t kRefused = 2;

}  // namespace

GridFilter gridTextFilter(const CustomDBGrid& grid, std::string_view text,
                          bool rowsHoldEveryMatch) {
  struct State {
    TextSearch search;
    std::vector<const DBTreeListColumn*> columns;
    std::string buffer;
    Field* key = nullptr;
    std::vector<std::uint8_t> verdicts;
    bool rowsHoldEveryMatch = false;
  };
  auto state = std::make_shared<State>(State{TextSearch(text, false), {}, {}, nullptr, {}, false});
  const std::vector<int> indexes = gridVisibleColumns(grid);
  for (const int index : indexes) {
    const DBTreeListColumn* column = grid.dbColumn(index);
    if (column && column->field() && !datesCannotHold(*column, state->search)) {
      state->columns.push_back(column);
    }
  }
  // The rows' verdicts, by whole-number keys up to a bound that keeps the
  // table small; without such keys every record is judged by its fields.
  Field* key = grid.keyFieldObject();
  constexpr std::int64_t kMaxKey = std::int64_t(1) << 26;
  if (key) {
    bool usable = true;
    std::vector<std::uint8_t>& verdicts = state->verdicts;
    RowJudge judge(grid, state->search, indexes);
    const auto judgeRow = [&](const DBGridNode& row) {
      const PackedValue& k = row.keyValue();
      if (!k.isInteger() || k.integer() < 0 || k.integer() >= kMaxKey) {
        usable = false;
        return;
      }
      const auto at = static_cast<std::size_t>(k.integer());
      if (at >= verdicts.size()) verdicts.resize(std::max(at + 1, verdicts.size() * 2), kUnknown);
      verdicts[at] = judge.holds(row) ? kShown : kRefused;
    };
    // A row's texts lie apart from it, in a few cache lines of their own.
    const auto fetchTexts = [](const TreeListNode& ahead) {
      const char* texts = static_cast<const char*>(CustomDBGrid::dbNode(ahead).texts().storage());
      __builtin_prefetch(texts);
      __builtin_prefetch(texts + 64);
      __builtin_prefetch(texts + 128);
    };
    grid.forEachNode(
        [&](TreeListNode* node) {
          if (usable && !CustomDBGrid::isGroupNode(node)) judgeRow(CustomDBGrid::dbNode(*node));
        },
        [&](const TreeListNode* ahead) { fetchTexts(*ahead); });
    // The rows a filter hid are judged by their texts too, so that no
    // record's texts need making again. After a narrower text none of them
    // can match: finding no verdict, the filter refuses them.
    const bool coverTable = grid.rowsCoverTable();
    if (coverTable && !rowsHoldEveryMatch) {
      grid.forEachHiddenRow(
          [&](const DBGridNode& row) {
            if (usable) judgeRow(row);
          },
          fetchTexts);
    }
    if (usable) {
      state->key = key;
      state->rowsHoldEveryMatch = rowsHoldEveryMatch || coverTable;
    } else {
      verdicts.clear();
    }
  }
  GridFilter filter;
  filter.records = [state](DataSet&) {
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
  if (state->rowsHoldEveryMatch) {
    filter.rows = [state](const DBGridNode& row) {
      const PackedValue& k = row.keyValue();
      if (!k.isInteger()) return false;
      const auto at = static_cast<std::size_t>(k.integer());
      return at < state->verdicts.size() && state->verdicts[at] == kShown;
    };
  }
  return filter;
}

void filterGridRecords(CustomDBGrid& grid, const GridFilter& filter) {
  grid.applyRecordFilter(filter.records, filter.rows);
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
