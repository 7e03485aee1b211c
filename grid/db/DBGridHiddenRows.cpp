// The rows a record filter hides: taking refused rows out (kept aside while
// the grid has a row for every record), putting accepted ones back where a
// load would place them, and numbering the rows shown.
#include <algorithm>
#include <climits>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "base/ScopeGuard.h"
#include "grid/db/CustomDBGrid.h"
#include "table/DataSet.h"

namespace morvel {

namespace {

// Numbers the data rows 0, 1, ... in the order of `order(row)`, a number
// that is never negative and tells every row apart; returns how many rows
// there are.
template <class Order>
int numberRowsInOrder(const CustomDBGrid& grid, Order order) {
  std::vector<DBGridNode*> rows;
  std::int64_t highest = -1;
  grid.forEachNode([&](TreeListNode* n) {
    if (CustomDBGrid::isGroupNode(n)) return;
    DBGridNode& row = CustomDBGrid::dbNode(*n);
    rows.push_back(&row);
    highest = std::max(highest, order(row));
  });
  const auto total = static_cast<std::int64_t>(rows.size());
  if (highest < 8 * total + 1024) {
    // Counted by value: no sort for the usual dense numbers.
    std::vector<std::int32_t> below(static_cast<std::size_t>(highest + 1), 0);
    for (const DBGridNode* row : rows) ++below[static_cast<std::size_t>(order(*row))];
    std::int32_t seen = 0;
    for (std::int32_t& count : below) seen += std::exchange(count, seen);
    for (DBGridNode* row : rows) row->setRecordIndex(below[static_cast<std::size_t>(order(*row))]);
  } else {
    std::sort(rows.begin(), rows.end(),
              [&](const DBGridNode* a, const DBGridNode* b) { return order(*a) < order(*b); });
    for (std::size_t i = 0; i < rows.size(); ++i) rows[i]->setRecordIndex(static_cast<int>(i));
  }
  return static_cast<int>(total);
}

// A row's key as a number; keys are whole numbers while the rows cover the
// table.
std::int64_t keyNumber(const DBGridNode& row) {
  const PackedValue& key = row.keyValue();
  return key.isInteger() ? std::max<std::int64_t>(key.integer(), 0) : 0;
}

// The positions of the rows in the order of their keys, which differ.
std::vector<std::size_t> keyOrder(const std::vector<std::unique_ptr<TreeListNode>>& rows) {
  const std::size_t n = rows.size();
  std::vector<std::int64_t> keys(n);
  std::int64_t lowest = INT64_MAX;
  std::int64_t highest = INT64_MIN;
  for (std::size_t i = 0; i < n; ++i) {
    if (i + 16 < n) __builtin_prefetch(rows[i + 16].get());
    keys[i] = keyNumber(CustomDBGrid::dbNode(*rows[i]));
    lowest = std::min(lowest, keys[i]);
    highest = std::max(highest, keys[i]);
  }
  std::vector<std::size_t> order(n);
  if (n > 0 && static_cast<std::uint64_t>(highest - lowest) < 4 * std::uint64_t(n)) {
    // Keys numbered one after another (the usual case) are dealt out by
    // their value, without a sort.
    std::vector<std::uint32_t> slot(static_cast<std::size_t>(highest - lowest) + 1, 0);
    for (std::size_t i = 0; i < n; ++i) {
      slot[static_cast<std::size_t>(keys[i] - lowest)] = static_cast<std::uint32_t>(i + 1);
    }
    std::size_t next = 0;
    for (const std::uint32_t s : slot) {
      if (s != 0) order[next++] = s - 1;
    }
    if (next == n) return order;  // else keys repeated after all: sort below
  }
  for (std::size_t i = 0; i < n; ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t a, std::size_t b) { return keys[a] < keys[b]; });
  return order;
}

}  // namespace

void CustomDBGrid::applyRecordFilter(const DataSet::RecordFilter& records,
                                     const std::function<bool(const DBGridNode&)>& rows) {
  DataSet* ds = dataSet();
  if (!ds) return;
  if (!ds->active()) {
    ds->setRecordFilter(records);
    return;
  }
  // The rows the filter adds or takes away are weeded out and put back, or
  // come with one reload. The dataset is put back on a record after it,
  // and the resumed links bring the focus there; its notice reads nothing
  // again, even when the dataset stands at an end (the first record, or
  // none passed).
  const Variant current = keyField_ ? keyField_->variantValue() : Variant::null();
  const GridPhases::Scope filtering(phases_, GridPhase::filtering);
  SuspendedLinks suspended(*ds);
  ds->setRecordFilterUnplaced(records);
  if (rows) {
    keepDataRows(rows);
  } else if (!records && rowsCoverTable_) {
    keepDataRows(nullptr);  // every row hidden comes back
  } else {
    // All rows anew: rows kept from before would keep their places, and the
    // rows the filter lets in would trail them out of order.
    reloadAll();
  }
  if (keyField_ && !current.isNull() && ds->findKeyRecord(keyFieldName_, current)) return;
  // No row shown means no record passes: the walk to find one would only
  // read them all again.
  TreeListNode* first = topCount() > 0 ? firstDataNode(topNodes(0)) : nullptr;
  if (!first) return;
  if (keyField_ && ds->findKeyRecord(keyFieldName_, dbNode(*first).keyValue().toVariant())) return;
  ds->goFirst();
}

void CustomDBGrid::keepDataRows(const std::function<bool(const DBGridNode&)>& keep) {
  UpdateLock lock(*this);
  hideEditing();
  // Whatever fails half-way, no row is lost for good: the rows kept aside
  // go, and the next wider filter reads the records again.
  const OnFailure lost([this] { dropHiddenRows(); });
  // Built again for the rows shown when next asked: forgetting most rows
  // one by one would cost more.
  keyIndex_.invalidate();
  const int dataLevel = groupColumnCount();
  std::vector<std::unique_ptr<TreeListNode>> leaving;
  takeNodesWhere(
      [&](TreeListNode* node) {
        if (node->count() > 0) return NodeFate::keep;
        if (node->level() < dataLevel) return NodeFate::remove;  // a group left empty
        if (!keep || keep(dbNode(*node))) return NodeFate::keep;
        return rowsCoverTable_ ? NodeFate::setAside : NodeFate::remove;
      },
      leaving);
  if (rowsCoverTable_) {
    std::vector<std::unique_ptr<TreeListNode>> back;
    std::erase_if(hiddenRows_, [&](std::unique_ptr<TreeListNode>& row) {
      if (keep && !keep(dbNode(*row))) return false;
      back.push_back(std::move(row));
      return true;
    });
    hiddenRows_.reserve(hiddenRows_.size() + leaving.size());
    for (auto& row : leaving) hiddenRows_.push_back(std::move(row));
    // The lists' own memory goes before the sort that may follow, whose
    // keys are the largest thing it holds.
    std::vector<std::unique_ptr<TreeListNode>>().swap(leaving);
    if (hiddenRows_.capacity() > 2 * hiddenRows_.size() + 1024) hiddenRows_.shrink_to_fit();
    putBackRows(std::move(back));
    loadedRecordCount_ = numberRowsInOrder(*this, keyNumber);
  } else {
    // The rows keep the order of their record positions.
    loadedRecordCount_ = numberRowsInOrder(
        *this, [](const DBGridNode& row) { return std::int64_t{std::max(row.recordIndex(), 0)}; });
  }
  if (!groupColumns_.empty()) takeFirstChildKeys();
  recomputeAllSummaries();
}

void CustomDBGrid::putBackRows(std::vector<std::unique_ptr<TreeListNode>> rows) {
  if (rows.empty()) return;
  // The sibling lists that took rows (none: the top level).
  std::vector<TreeListNode*> lists;
  {
    // In key order, by keys read once: comparing rows that lie scattered
    // would wait on memory at every step.
    const std::vector<std::size_t> order = keyOrder(rows);
    LastGroupPath last;
    GroupRowMemo memo;
    for (const std::size_t at : order) {
      DBGridNode* node = &dbNode(*rows[at]);
      DBGridNode* parent = groupColumns_.empty() ? nullptr : groupPathFor(last, memo, node, 0);
      if (lists.empty() || lists.back() != parent) lists.push_back(parent);
      appendTakenNode(std::move(rows[at]), parent);
    }
    std::vector<std::unique_ptr<TreeListNode>>().swap(rows);
  }
  if (sortByFirstSortedColumn()) return;
  // Unsorted rows show in record order, which is key order here.
  std::sort(lists.begin(), lists.end());
  lists.erase(std::unique(lists.begin(), lists.end()), lists.end());
  for (TreeListNode* parent : lists) {
    NodeList& list = parent ? *childList(parent) : topNodeList();
    std::vector<TreeListNode*> order(static_cast<std::size_t>(list.count()));
    for (int i = 0; i < list.count(); ++i) order[static_cast<std::size_t>(i)] = list.at(i);
    std::stable_sort(order.begin(), order.end(), [](TreeListNode* a, TreeListNode* b) {
      return keyNumber(dbNode(*a)) < keyNumber(dbNode(*b));
    });
    reorderSiblings(list, order);
  }
}

void CustomDBGrid::dropHiddenRows() {
  hiddenRows_.clear();
  rowsCoverTable_ = false;
}

}  // namespace morvel
