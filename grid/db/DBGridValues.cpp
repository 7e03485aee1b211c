// What the data-bound grid's rows show and sort by: cell values and texts
// from the values stored at load, the order keys read in place, the tie
// break by record key, and the sort hooks the tree list asks.
#include <algorithm>
#include <optional>
#include <utility>

#include "base/StringUtils.h"
#include "grid/db/CustomDBGrid.h"

namespace morvel {

// --- Values for painting and sorting ----------------------------------------------------

Variant CustomDBGrid::getNodeValue(const TreeListNode& node, int column) const {
  const DBGridNode& n = dbNode(node);
  if (isGroupNode(&node)) return n.groupValue().toVariant();
  Variant value;
  if (n.fetchCellValue(column, value)) return value;
  return Variant(n.texts().get(column));
}

bool CustomDBGrid::showsStoredText(int column) const {
  const DBTreeListColumn* c = dbColumn(column);
  return !c || !c->onGetText;
}

std::string_view CustomDBGrid::getNodeString(const TreeListNode& node, int column,
                                             std::string& buffer) const {
  const DBGridNode& n = dbNode(node);
  if (isGroupNode(&node) && !groupColumns_.empty()) {
    buffer = groupRowText(n);
    return buffer;
  }
  const std::string_view stored = n.texts().get(column);
  DBTreeListColumn* c = dbColumn(column);
  if (!c || !c->onGetText) return stored;
  buffer = stored;
  c->onGetText(*c, const_cast<TreeListNode*>(&node), buffer);
  return buffer;
}

Variant CustomDBGrid::getSortValue(const TreeListNode& node, int column) const {
  const DBGridNode& n = dbNode(node);
  DBTreeListColumn* c = dbColumn(column);
  if (c && c->sortBySummary() && isGroupNode(&node)) return Variant(double(n.summaryValue()));
  if (!c || c->valueType() == kValueTypeString) {
    std::string text(n.texts().get(column));
    if (options().has(goCaseInsensitive)) {
      for (char& ch : text) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    }
    return Variant(std::move(text));
  }
  Variant value;
  return n.fetchCellValue(column, value) ? value : Variant::null();
}

void CustomDBGrid::prefetchSortData(const TreeListNode& node) const {
  const DBGridNode& n = dbNode(node);
  __builtin_prefetch(n.texts().storage());
  __builtin_prefetch(n.cellStorage());
}

PrefixKind CustomDBGrid::directSortKind(int column) const {
  const DBTreeListColumn* c = dbColumn(column);
  // Group rows sorted by their summary, and upper-cased texts, go through
  // getSortValue.
  if (c && c->sortBySummary()) return PrefixKind::none;
  if (!c || c->valueType() == kValueTypeString) {
    return options().has(goCaseInsensitive) ? PrefixKind::none : PrefixKind::text;
  }
  return PrefixKind::number;
}

bool CustomDBGrid::directSortKey(const TreeListNode& node, int column, PrefixKind kind,
                                 OrderKey& key) const {
  const DBGridNode& n = dbNode(node);
  if (kind == PrefixKind::text) {
    key = textOrderKey(n.texts().get(column));
    return true;
  }
  // A cell without a stored value sorts as null.
  const PackedValue* value = n.cellEntry(column);
  if (!value || value->isBlank()) {
    key = orderKey(Variant::null(), kind);
    return true;
  }
  const VariantKind k = value->kind();
  if (k != vkInteger && k != vkFloat && k != vkDate && k != vkCurrency) return false;
  key = orderKey(value->toVariant(), kind);
  return true;
}

int CustomDBGrid::compareTieBreak(const TreeListNode* node1, const TreeListNode* node2) const {
  const PackedValue& a = dbNode(*node1).keyValue();
  const PackedValue& b = dbNode(*node2).keyValue();
  if (a.isEmpty() || b.isEmpty()) return 0;
  // Keys that do not compare leave the order to the tree list.
  const int c = a.tryCompare(b).value_or(0);
  if (c == 0) return CustomDBTreeListControl::compareTieBreak(node1, node2);
  return c < 0 ? -1 : 1;
}

bool CustomDBGrid::tieBreakKey(const TreeListNode& node, std::int64_t& key) const {
  const PackedValue& value = dbNode(node).keyValue();
  if (!value.isInteger()) return false;
  key = value.integer();
  return true;
}

std::string CustomDBGrid::previewText(const TreeListNode& node) const {
  std::string text = isGroupNode(&node) ? std::string() : dbNode(node).previewText();
  if (onGetPreviewText) {
    onGetPreviewText(const_cast<CustomDBGrid&>(*this), const_cast<TreeListNode*>(&node), text);
  }
  return text;
}

// --- Sorting hooks ------------------------------------------------------------------------

bool CustomDBGrid::multiSortOn() const { return optionsEx().has(goMultiSort) && loadAllMode(); }

bool CustomDBGrid::autoSortOn() const { return optionsEx().has(goAutoSort) && loadAllMode(); }

bool CustomDBGrid::canSortColumn(TreeListColumn* column) {
  bool allow = true;
  if (onColumnSorting) onColumnSorting(*this, dynamic_cast<DBTreeListColumn*>(column), allow);
  return allow;
}

void CustomDBGrid::columnHeaderClick(TreeListColumn* column) {
  if (onColumnClick && column) onColumnClick(*this, dynamic_cast<DBTreeListColumn*>(column));
  CustomDBTreeListControl::columnHeaderClick(column);
}

bool CustomDBGrid::isGroupColumn(const TreeListColumn* column) const {
  return std::find(groupColumns_.begin(), groupColumns_.end(), column) != groupColumns_.end();
}

int CustomDBGrid::sortLevel(const TreeListColumn* column) const {
  const auto it = std::find(groupColumns_.begin(), groupColumns_.end(), column);
  return it != groupColumns_.end() ? static_cast<int>(it - groupColumns_.begin())
                                   : groupColumnCount();
}

bool CustomDBGrid::sortChangeIgnored(const TreeListColumn* column) const {
  if (!loadAllMode() || componentLoading_ || inPhase(GridPhase::sortDeferred)) return true;
  if (isGroupColumn(column)) return false;
  const auto* c = dynamic_cast<const DBTreeListColumn*>(column);
  if (!c) return false;
  return std::any_of(groupColumns_.begin(), groupColumns_.end(), [c](const DBTreeListColumn* g) {
    return equalsIgnoringAsciiCase(g->fieldName(), c->fieldName());
  });
}

void CustomDBGrid::sortBatchEnded() { CustomDBTreeListControl::sortBatchEnded(); }

void CustomDBGrid::sortNodes(int level, int column, bool descending) {
  // The regroup of this load found every data row list in this very order
  // already (and nothing has run since but the load's own ending).
  const std::optional<DirectRowOrder> regrouped = std::exchange(regroupedInOrder_, std::nullopt);
  const bool inOrder = regrouped && inPhase(GridPhase::loading) && level == groupColumnCount() &&
                       regrouped->column == column && regrouped->descending == descending &&
                       directDataRowOrder() == regrouped;
  if (!inOrder) CustomDBTreeListControl::sortNodes(level, column, descending);
  if (groupColumns_.empty()) return;
  takeFirstChildKeys();
  followFocusedRow();
}

}  // namespace morvel
