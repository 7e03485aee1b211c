// Sorting the tree-list control's rows: header clicks, the sort keys and
// their batches, natural order, and sorting each sibling list by order keys
// read in place or by the sort values; see CustomTreeListControl.h.
#include <algorithm>
#include <cstring>
#include <optional>
#include <string>

#include "grid/tree/HoareSort.h"
#include "grid/tree/RowSorter.h"
#include "grid/tree/SortPrefix.h"
#include "grid/view/CustomTreeListControl.h"

namespace morvel {

bool CustomTreeListControl::canSortColumn(TreeListColumn*) { return true; }

bool CustomTreeListControl::isGroupColumn(const TreeListColumn*) const { return false; }

int CustomTreeListControl::sortLevel(const TreeListColumn*) const { return groupColumnCount(); }

bool CustomTreeListControl::sortChangeIgnored(const TreeListColumn*) const { return false; }

TreeListColumn* CustomTreeListControl::sortedColumns(int i) const {
  return i >= 0 && i < sortKeyCount() ? sortedColumns_[static_cast<std::size_t>(i)] : nullptr;
}

int CustomTreeListControl::sortKeyColumn(int i) const {
  const TreeListColumn* c = sortedColumns(i);
  return c ? c->index() : -1;
}

bool CustomTreeListControl::sortKeyDescending(int i) const {
  const TreeListColumn* c = sortedColumns(i);
  return c && c->sorted() == csDown;
}

void CustomTreeListControl::removeSortKey(TreeListColumn* column) {
  std::erase(sortedColumns_, column);
}

void CustomTreeListControl::addToSortKeys(TreeListColumn* column) {
  if (column->sorted_ == csNone) return;
  if (std::find(sortedColumns_.begin(), sortedColumns_.end(), column) != sortedColumns_.end()) {
    return;
  }
  if (addSortKey_ || sortBatch_ > 0) sortedColumns_.push_back(column);
}

void CustomTreeListControl::columnHeaderClick(TreeListColumn* column) {
  if (!column || column->grid_ != this) return;
  headerClicked(column);
  if (!autoSortOn() || !canSortColumn(column)) return;
  setSorted(column, column->sorted() == csUp ? csDown : csUp);
}

void CustomTreeListControl::setSorted(TreeListColumn* column, TreeListColumnSort value) {
  if (!column || value == column->sorted_) return;
  if (column->grid_ != this) {
    column->sorted_ = value;
    return;
  }
  if (value == csNone) {
    column->sorted_ = csNone;
    removeSortKey(column);
    columnChanged(column);
    return;
  }
  UpdateLock lock(*this);
  beforeSortChange(column);
  column->sorted_ = value;
  afterSortChange(column);
}

void CustomTreeListControl::beforeSortChange(TreeListColumn* column) {
  // A plain click makes the column the only sort key.
  if (!autoSortOn() || isGroupColumn(column) || addSortKey_ || sortBatch_ > 0) return;
  sortedColumns_.clear();
  for (auto& c : columns_) {
    if (!isGroupColumn(c.get())) c->sorted_ = csNone;
  }
}

void CustomTreeListControl::afterSortChange(TreeListColumn* column) {
  if (sortChangeIgnored(column)) return;
  if (multiSortOn() && sortedColumns_.empty()) {
    for (auto& c : columns_) {
      if (!isGroupColumn(c.get()) && c->sorted_ != csNone) {
        sortedColumns_.push_back(c.get());
        break;
      }
    }
  }
  addToSortKeys(column);
  if (sortBatch_ > 0) return;
  UpdateLock lock(*this);
  sortNodes(sortLevel(column), column->index(), column->sorted_ == csDown);
}

void CustomTreeListControl::endSortBatch() {
  if (sortBatch_ == 0) return;
  if (--sortBatch_ == 0) sortBatchEnded();
}

void CustomTreeListControl::sortBatchEnded() {
  UpdateLock lock(*this);
  sortByFirstSortedColumn();
}

bool CustomTreeListControl::naturalOrderFor(int column) const {
  const TreeListColumn* c = columns(column);
  return naturalSortOrder_ && c && !isGroupColumn(c);
}

int CustomTreeListControl::compareSortValues(const Variant& a, const Variant& b,
                                             bool natural) const {
  return morvel::compareSortValues(a, b, natural, sortCollation());
}

void CustomTreeListControl::setNaturalSortOrder(bool natural) {
  if (natural == naturalSortOrder_) return;
  naturalSortOrder_ = natural;
  UpdateLock lock(*this);
  sortByFirstSortedColumn();
}

TreeListColumn* CustomTreeListControl::firstSortedColumn() const {
  for (const auto& c : columns_) {
    if (!isGroupColumn(c.get()) && c->sorted_ != csNone) return c.get();
  }
  return nullptr;
}

bool CustomTreeListControl::sortByFirstSortedColumn() {
  TreeListColumn* first = firstSortedColumn();
  if (!first) return false;
  if (multiSortOn() && sortedColumns_.empty()) sortedColumns_.push_back(first);
  sortNodes(groupColumnCount(), first->index(), first->sorted_ == csDown);
  return true;
}

Variant CustomTreeListControl::getSortValue(const TreeListNode& node, int column) const {
  return Variant(textNode(node).texts().get(column));
}

int CustomTreeListControl::compareTieBreak(const TreeListNode* node1,
                                           const TreeListNode* node2) const {
  return node1 < node2 ? -1 : (node2 < node1 ? 1 : 0);
}

void CustomTreeListControl::prefetchSortData(const TreeListNode& node) const {
  __builtin_prefetch(textNode(node).texts().storage());
}

PrefixKind CustomTreeListControl::directSortKind(int /*column*/) const { return PrefixKind::text; }

bool CustomTreeListControl::directSortKey(const TreeListNode& node, int column, PrefixKind kind,
                                          OrderKey& key) const {
  if (kind != PrefixKind::text) return false;
  key = textOrderKey(textNode(node).texts().get(column));
  return true;
}

bool CustomTreeListControl::tieBreakKey(const TreeListNode& /*node*/, std::int64_t& /*key*/) const {
  return false;
}

int CustomTreeListControl::collateTexts(const std::string& a, const std::string& b) const {
  const int c = std::strcoll(a.c_str(), b.c_str());
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

void CustomTreeListControl::sortNodes(int level, int column, bool descending) {
  std::optional<ScopedScreenCursor> hourglass;
  if (options().has(goShowHourGlass)) hourglass.emplace(host(), crHourGlass);
  std::vector<int> keyColumns;
  std::vector<bool> keyDescending;
  // The sort keys order the data rows. A group level holds one value per
  // row, its own group column's, so it sorts by that column alone, in the
  // direction its button shows: every other key would compare equal there.
  const bool dataLevel = level == groupColumnCount() || (level < 0 && groupColumnCount() == 0);
  if (dataLevel && multiSortOn() && sortKeyCount() > 1) {
    for (int i = 0; i < sortKeyCount(); ++i) {
      keyColumns.push_back(sortKeyColumn(i));
      keyDescending.push_back(sortKeyDescending(i));
    }
  } else {
    keyColumns.push_back(column);
    keyDescending.push_back(descending);
  }
  UpdateLock lock(*this);
  // The sibling lists at the depth asked for (every list for -1).
  std::vector<NodeList*> lists;
  if (level < 0) {
    lists.push_back(&topNodeList());
    forEachNode([&](TreeListNode* node) {
      if (node->count() > 1) lists.push_back(childList(node));
    });
  } else {
    std::vector<NodeList*> current{&topNodeList()};
    for (int depth = 0; depth < level && !current.empty(); ++depth) {
      std::vector<NodeList*> below;
      for (NodeList* list : current) {
        for (int i = 0; i < list->count(); ++i) {
          if (list->at(i)->count() > 0) below.push_back(childList(list->at(i)));
        }
      }
      current.swap(below);
    }
    lists = std::move(current);
  }
  for (NodeList* list : lists) {
    if (list->count() > 1) sortSiblingList(*list, keyColumns, keyDescending);
  }
}

namespace {

// Rows sorted by one column lie scattered in memory once sorted before:
// passes over them fetch a row this many places ahead, and what hangs off
// a row half as many places ahead.
constexpr int kNodeDistance = 16;
constexpr int kDataDistance = 8;

}  // namespace

TextCollation CustomTreeListControl::sortCollation() const {
  if (!optionsEx().has(goAnsiSort)) return nullptr;
  return [this](const std::string& a, const std::string& b) { return collateTexts(a, b); };
}

bool CustomTreeListControl::keysReadInPlace(int column, PrefixKind kind) const {
  if (kind == PrefixKind::none) return false;
  // Collation and natural order do not follow byte order.
  return kind != PrefixKind::text || (!optionsEx().has(goAnsiSort) && !naturalOrderFor(column));
}

std::optional<CustomTreeListControl::DirectRowOrder> CustomTreeListControl::directDataRowOrder()
    const {
  // What sortByFirstSortedColumn sorts the data rows by, as sortSiblingList
  // would sort each list.
  const TreeListColumn* first = firstSortedColumn();
  if (onCompare || !first || (multiSortOn() && sortKeyCount() > 1)) return std::nullopt;
  const DirectRowOrder order{first->index(), first->sorted_ == csDown,
                             directSortKind(first->index())};
  if (!keysReadInPlace(order.column, order.kind)) return std::nullopt;
  return order;
}

bool CustomTreeListControl::directRowKey(const TreeListNode& node, const DirectRowOrder& order,
                                         ExactRowKey& key) const {
  OrderKey orderKey;
  std::int64_t tie = 0;
  return directSortKey(node, order.column, order.kind, orderKey) && tieBreakKey(node, tie) &&
         ExactRowKey::make(orderKey, tie, order.descending, key);
}

bool CustomTreeListControl::sortByDirectKeys(const NodeList& nodes, int column, bool descending,
                                             std::vector<std::uint32_t>& order) {
  const DirectRowOrder byKeys{column, descending, directSortKind(column)};
  if (!keysReadInPlace(column, byKeys.kind)) return false;
  const int n = nodes.count();
  ExactKeySorter sorter(descending);
  sorter.reserve(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) {
    if (i + kNodeDistance < n) __builtin_prefetch(nodes.at(i + kNodeDistance));
    if (i + kDataDistance < n) prefetchSortData(*nodes.at(i + kDataDistance));
    ExactRowKey key;
    if (!directRowKey(*nodes.at(i), byKeys, key)) return false;
    sorter.add(key);
  }
  return sorter.finish(order);
}

std::vector<std::uint32_t> CustomTreeListControl::orderByCompareEvent(
    const std::vector<TreeListNode*>& nodes, bool descending) {
  std::vector<std::uint32_t> order(nodes.size());
  for (std::size_t i = 0; i < nodes.size(); ++i) order[i] = static_cast<std::uint32_t>(i);
  hoareSort(order, [&](std::uint32_t a, std::uint32_t b) {
    int compare = 0;
    onCompare(*this, nodes[a], nodes[b], compare);
    return descending ? -compare : compare;
  });
  return order;
}

std::vector<std::uint32_t> CustomTreeListControl::orderBySortValues(
    const NodeList& nodes, const std::vector<int>& keyColumns,
    const std::vector<bool>& keyDescending) const {
  const int n = nodes.count();
  const std::size_t keys = keyColumns.size();
  // Row r's value for key k is values[r * keys + k]. Whole-number tie-break
  // keys, when every node has one: ties are then ordered without visiting
  // the nodes again. One pass reads both.
  std::vector<Variant> values;
  values.reserve(static_cast<std::size_t>(n) * keys);
  std::vector<std::int64_t> ties(static_cast<std::size_t>(n));
  bool allTies = true;
  for (int i = 0; i < n; ++i) {
    if (i + kNodeDistance < n) __builtin_prefetch(nodes.at(i + kNodeDistance));
    if (i + kDataDistance < n) prefetchSortData(*nodes.at(i + kDataDistance));
    const TreeListNode& node = *nodes.at(i);
    for (std::size_t k = 0; k < keys; ++k) values.push_back(getSortValue(node, keyColumns[k]));
    allTies = allTies && tieBreakKey(node, ties[static_cast<std::size_t>(i)]);
  }
  if (!allTies) ties.clear();
  std::vector<SortKeyOrder> orders(keys);
  for (std::size_t k = 0; k < keys; ++k) {
    orders[k] = {keyDescending[k], naturalOrderFor(keyColumns[k])};
  }
  RowSortInput input;
  input.values = &values;
  input.keys = orders;
  input.collate = sortCollation();
  input.ties = ties;
  input.breakTie = [&](std::uint32_t a, std::uint32_t b) {
    return compareTieBreak(nodes.at(static_cast<int>(a)), nodes.at(static_cast<int>(b)));
  };
  return sortRowValues(input);
}

void CustomTreeListControl::sortSiblingList(NodeList& list, const std::vector<int>& keyColumns,
                                            const std::vector<bool>& keyDescending) {
  // The sorts below read the list in place: a copy of a million node
  // pointers would only add to the peak memory of a sort.
  const std::size_t n = static_cast<std::size_t>(list.count());
  // Puts the list in the order given, of the nodes nodeAt(r) gives;
  // `always` even when it moves no node.
  const auto apply = [&](const std::vector<std::uint32_t>& order, bool always, const auto& nodeAt) {
    bool moved = always;
    for (std::size_t i = 0; i < n && !moved; ++i) moved = order[i] != i;
    if (!moved) return;
    std::vector<TreeListNode*> sorted;
    sorted.reserve(n);
    for (const std::uint32_t r : order) sorted.push_back(nodeAt(r));
    reorderSiblings(list, sorted);
  };
  const auto inList = [&](std::uint32_t r) { return list.at(static_cast<int>(r)); };

  if (onCompare) {
    // A user's handler runs meanwhile: the nodes are held apart from the
    // list.
    std::vector<TreeListNode*> nodes(n);
    for (std::size_t i = 0; i < n; ++i) nodes[i] = list.at(static_cast<int>(i));
    apply(orderByCompareEvent(nodes, keyDescending[0]), true,
          [&](std::uint32_t r) { return nodes[r]; });
    return;
  }
  if (keyColumns.size() == 1) {
    std::vector<std::uint32_t> order;
    if (sortByDirectKeys(list, keyColumns[0], keyDescending[0], order)) {
      apply(order, false, inList);
      return;
    }
  }
  apply(orderBySortValues(list, keyColumns, keyDescending), false, inList);
}

}  // namespace morvel
