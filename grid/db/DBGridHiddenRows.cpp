// The rows a record filter hides: taking refused rows out (kept aside while
// the grid has a row for every record), putting accepted ones back where a
// load would place them, and numbering the rows shown.
#include <algorithm>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "base/ScopeGuard.h"
#include "grid/db/CustomDBGrid.h"
#include "table/DataSet.h"

namespace morvel {

namespace {

// The positions of `numbers` in their order, equal numbers in the order
// they come. Numbers close together (keys numbered one after another,
// record positions) are dealt out by value, without a sort.
std::vector<std::uint32_t> orderOfNumbers(const std::vector<std::int64_t>& numbers) {
  const std::size_t n = numbers.size();
  std::vector<std::uint32_t> order(n);
  if (n == 0) return order;
  const auto [low, high] = std::minmax_element(numbers.begin(), numbers.end());
  const std::int64_t lowest = *low;
  const auto span = static_cast<std::uint64_t>(*high - lowest);
  if (span < 4 * std::uint64_t(n) + 1024) {
    std::vector<std::uint32_t> below(static_cast<std::size_t>(span) + 1, 0);
    for (const std::int64_t x : numbers) ++below[static_cast<std::size_t>(x - lowest)];
    std::uint32_t seen = 0;
    for (std::uint32_t& count : below) seen += std::exchange(count, seen);
    for (std::size_t i = 0; i < n; ++i) {
      order[below[static_cast<std::size_t>(numbers[i] - lowest)]++] = static_cast<std::uint32_t>(i);
    }
    return order;
  }
  for (std::size_t i = 0; i < n; ++i) order[i] = static_cast<std::uint32_t>(i);
  std::stable_sort(order.begin(), order.end(),
                   [&](std::uint32_t a, std::uint32_t b) { return numbers[a] < numbers[b]; });
  return order;
}

// A row's key as a number; keys are whole numbers while the rows cover the
// table.
std::int64_t keyNumber(const TreeListNode& node) {
  const PackedValue& key = CustomDBGrid::dbNode(node).keyValue();
  return key.isInteger() ? std::max<std::int64_t>(key.integer(), 0) : 0;
}

// Numbers the data rows 0, 1, ... in the order of `number(row)`, a number
// that is never negative and tells every row apart; returns how many rows
// there are. Two walks over the rows rather than a list of them: this runs
// with every row loaded, when memory is at its fullest.
template <class Number>
int numberRowsInOrder(const CustomDBGrid& grid, Number number) {
  std::vector<std::int64_t> numbers;
  grid.forEachNode([&](TreeListNode* n) {
    if (!CustomDBGrid::isGroupNode(n)) numbers.push_back(number(*n));
  });
  {
    // Each row's number becomes its place in the order.
    const std::vector<std::uint32_t> order = orderOfNumbers(numbers);
    for (std::size_t i = 0; i < order.size(); ++i) numbers[order[i]] = static_cast<std::int64_t>(i);
  }
  std::size_t next = 0;
  grid.forEachNode([&](TreeListNode* n) {
    if (!CustomDBGrid::isGroupNode(n)) {
      CustomDBGrid::dbNode(*n).setRecordIndex(static_cast<int>(numbers[next++]));
    }
  });
  return static_cast<int>(numbers.size());
}

// The keys of the nodes, each read once: the nodes lie scattered, and are
// fetched some places ahead.
template <class NodeAt>
std::vector<std::int64_t> keyNumbers(std::size_t n, const NodeAt& nodeAt) {
  std::vector<std::int64_t> keys(n);
  for (std::size_t i = 0; i < n; ++i) {
    if (i + 16 < n) __builtin_prefetch(nodeAt(i + 16));
    keys[i] = keyNumber(*nodeAt(i));
  }
  return keys;
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
    loadedRecordCount_ = numberRowsInOrder(*this, [](const TreeListNode& row) {
      return std::int64_t{std::max(dbNode(row).recordIndex(), 0)};
    });
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
    const std::vector<std::uint32_t> order =
        orderOfNumbers(keyNumbers(rows.size(), [&](std::size_t i) { return rows[i].get(); }));
    LastGroupPath last;
    GroupRowMemo memo;
    for (const std::uint32_t at : order) {
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
    const auto nodeAt = [&](std::size_t i) { return list.at(static_cast<int>(i)); };
    const std::vector<std::uint32_t> order =
        orderOfNumbers(keyNumbers(static_cast<std::size_t>(list.count()), nodeAt));
    std::vector<TreeListNode*> nodes(order.size());
    for (std::size_t i = 0; i < order.size(); ++i) nodes[i] = nodeAt(order[i]);
    reorderSiblings(list, nodes);
  }
}

void CustomDBGrid::dropHiddenRows() {
  hiddenRows_.clear();
  rowsCoverTable_ = false;
}

}  // namespace morvel
