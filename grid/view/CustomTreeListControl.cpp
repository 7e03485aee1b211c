// The column model, best fit and sorting of the tree-list control; see
// CustomTreeListControl.h.
#include "grid/view/CustomTreeListControl.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "grid/tree/HoareSort.h"
#include "grid/tree/RowSorter.h"
#include "grid/tree/SortPrefix.h"

namespace morvel {

int mulDiv(int a, int b, int c) {
  if (c == 0) return -1;
  const long long product = static_cast<long long>(a) * b;
  const long long magnitude = (std::llabs(product) + std::llabs(c) / 2) / std::llabs(c);
  return static_cast<int>((product < 0) != (c < 0) ? -magnitude : magnitude);
}

CustomTreeListControl::CustomTreeListControl() : bands_(*this) {
  bands_.bands_.push_back(std::make_unique<TreeListBand>(bands_));
}

CustomTreeListControl::CustomTreeListControl(ControlHost& host)
    : CustomTreeList(host), bands_(*this) {
  bands_.bands_.push_back(std::make_unique<TreeListBand>(bands_));
}

CustomTreeListControl::~CustomTreeListControl() {
  customizingList_ = nullptr;
  customizingForm_.reset();
  for (auto& column : columns_) column->grid_ = nullptr;
  sortedColumns_.clear();
}

// --- Nodes -------------------------------------------------------------------

std::unique_ptr<TreeListNode> CustomTreeListControl::createNode() { return createTextNode(); }

std::unique_ptr<TreeListTextNode> CustomTreeListControl::createTextNode() {
  return std::make_unique<TreeListTextNode>(this);
}

TreeListTextNode& CustomTreeListControl::textNode(TreeListNode& node) const {
  return static_cast<TreeListTextNode&>(node);
}

const TreeListTextNode& CustomTreeListControl::textNode(const TreeListNode& node) const {
  return static_cast<const TreeListTextNode&>(node);
}

std::string_view CustomTreeListControl::getNodeString(const TreeListNode& node, int column,
                                                      std::string&) const {
  return textNode(node).texts().get(column);
}

bool CustomTreeListControl::showsStoredText(int /*column*/) const { return false; }

void CustomTreeListControl::setNodeString(TreeListNode& node, int column, std::string_view text) {
  textNode(node).texts().set(column, text);
  invalidateNode(&node, false);
}

int CustomTreeListControl::passImageIndex(const TLNodeImageEvent& event, const TreeListNode& node,
                                          int index) const {
  if (event) {
    event(const_cast<CustomTreeListControl&>(*this), const_cast<TreeListNode*>(&node), index);
  }
  return index;
}

int CustomTreeListControl::getImageIndex(const TreeListNode& node) const {
  return passImageIndex(onGetImageIndex, node, textNode(node).imageIndex());
}

int CustomTreeListControl::getSelectedIndex(const TreeListNode& node) const {
  return passImageIndex(onGetSelectedIndex, node, textNode(node).selectedIndex());
}

int CustomTreeListControl::getStateIndex(const TreeListNode& node) const {
  return passImageIndex(onGetStateIndex, node, textNode(node).stateIndex());
}

void CustomTreeListControl::setImageIndex(TreeListNode& node, int index) {
  textNode(node).storeImageIndex(index);
  invalidateNode(&node, false);
}

void CustomTreeListControl::setSelectedIndex(TreeListNode& node, int index) {
  textNode(node).storeSelectedIndex(index);
  invalidateNode(&node, false);
}

void CustomTreeListControl::setStateIndex(TreeListNode& node, int index) {
  textNode(node).storeStateIndex(index);
  invalidateNode(&node, false);
}

// --- Columns -----------------------------------------------------------------

TreeListColumn* CustomTreeListControl::visibleColumns(int i) const {
  if (i < 0) return nullptr;
  for (const auto& column : columns_) {
    if (column->visible() && i-- == 0) return column.get();
  }
  return nullptr;
}

int CustomTreeListControl::visibleColumnCount() const {
  return static_cast<int>(
      std::count_if(columns_.begin(), columns_.end(), [](const auto& c) { return c->visible(); }));
}

std::unique_ptr<TreeListColumn> CustomTreeListControl::newColumn() const {
  return std::make_unique<TreeListColumn>();
}

TreeListColumn* CustomTreeListControl::createColumn(std::unique_ptr<TreeListColumn> column) {
  if (!column) column = newColumn();
  const std::string prefix = name() + "Column";
  const auto taken = [this](const std::string& candidate) {
    return std::any_of(columns_.begin(), columns_.end(),
                       [&](const auto& c) { return c->name() == candidate; });
  };
  int n = columnCount() + 1;
  while (taken(prefix + std::to_string(n))) ++n;
  column->setName(prefix + std::to_string(n));
  TreeListColumn* raw = column.get();
  addColumn(std::move(column));
  return raw;
}

void CustomTreeListControl::addColumn(std::unique_ptr<TreeListColumn> column) {
  if (!column || column->grid_) return;
  column->grid_ = this;
  columns_.push_back(std::move(column));
  columnChanged(nullptr);
}

std::unique_ptr<TreeListColumn> CustomTreeListControl::removeColumn(TreeListColumn* column) {
  const auto it = std::find_if(columns_.begin(), columns_.end(),
                               [column](const auto& c) { return c.get() == column; });
  if (it == columns_.end()) return nullptr;
  // A press, sizing or drag of the column ends with it.
  if (mouseStateHolds(column)) cancelMouseState();
  std::unique_ptr<TreeListColumn> owned = std::move(*it);
  owned->grid_ = nullptr;
  columns_.erase(it);
  removeSortKey(column);
  if (!destroying()) columnChanged(nullptr);
  return owned;
}

void CustomTreeListControl::deleteColumn(TreeListColumn* column) {
  const int index = column ? column->index() : -1;
  if (index < 0 || column->grid_ != this) return;
  forEachNode([&](TreeListNode* node) { textNode(*node).texts().removeAt(index); });
  removeColumn(column);
}

void CustomTreeListControl::clearColumns() {
  if (columns_.empty()) return;
  // One relayout for the lot rather than one per column.
  UpdateLock lock(*this);
  while (!columns_.empty()) removeColumn(columns_.back().get());
}

void CustomTreeListControl::columnChanged(TreeListColumn*) {
  headerLayout_.invalidate();
  if (columnLayoutLock_ == 0) normalizeHeaderRows();
  recomputeLayout();
}

void CustomTreeListControl::columnMoved(int from, int to) {
  forEachNode([&](TreeListNode* node) { textNode(*node).texts().move(from, to); });
}

void CustomTreeListControl::setColor(Color color) {
  if (color == color_) return;
  color_ = color;
  Control::setColor(color);
  recomputeLayout();
}

void CustomTreeListControl::setReadOnly(bool value) {
  if (value == readOnly_) return;
  readOnly_ = value;
  recomputeLayout();
}

void CustomTreeListControl::computeLayout() {
  refreshAutoHeaderPanelRowCount();
  dropMetrics();
  refreshCustomizingLists();
  CustomTreeList::computeLayout();
}

// --- Best fit ----------------------------------------------------------------

bool CustomTreeListControl::isFirstColumn(const TreeListColumn* column) const {
  return column->visible() && bandVisibleIndex(columnBand(column)) == 0 && column->colIndex() == 0;
}

void CustomTreeListControl::applyBestFit(TreeListColumn* column) {
  if (column) {
    if (column->grid_ == this) fitColumns({column});
    return;
  }
  std::vector<TreeListColumn*> targets;
  for (auto& c : columns_) targets.push_back(c.get());
  UpdateLock lock(*this);
  fitColumns(targets);
}

void CustomTreeListControl::fitColumns(const std::vector<TreeListColumn*>& targets) {
  Canvas& canvas = host().canvas();
  canvas.setFont(font());
  const int margin = canvas.zeroWidth();
  struct Target {
    TreeListColumn* column;
    int index;
    bool first;
    bool stored;  // the row's stored text is what is shown
    int largest;
  };
  std::vector<Target> fits;
  bool anyFirst = false;
  for (TreeListColumn* c : targets) {
    const int index = c->index();
    fits.push_back({c, index, isFirstColumn(c), showsStoredText(index), 0});
    anyFirst = anyFirst || fits.back().first;
  }

  // One walk over every node for all the columns: each row's texts are read
  // while they are in the cache. Group rows (nodes with children, shown or
  // not) are never measured; rows inside collapsed groups are.
  std::string buffer;
  const auto fetchTexts = [this](const TreeListNode* node) {
    // A row of a dozen short texts spans a few cache lines.
    const char* block = static_cast<const char*>(textNode(*node).texts().storage());
    for (int line = 0; line < 4; ++line) __builtin_prefetch(block + 64 * line);
  };
  forEachNode(
      [&](TreeListNode* node) {
        if (node->hasChildren()) return;
        int extra = 0;
        if (anyFirst) {
          extra = (node->level() + 1) * kIndentWidth - groupIndentWidth() + nodeImagesWidth(*node);
        }
        const CellTexts& texts = textNode(*node).texts();
        for (Target& fit : fits) {
          const std::string_view text =
              fit.stored ? texts.get(fit.index) : getNodeString(*node, fit.index, buffer);
          int width = fit.column->textWidth(canvas, text);
          if (fit.first) width += extra;
          if (width > fit.largest) fit.largest = width;
        }
      },
      fetchTexts);

  for (Target& fit : fits) {
    const int caption = canvas.textWidth(fit.column->caption());
    const int largest = std::max(fit.largest, caption);
    if (fit.column->sizing()) fit.column->setWidth(largest + 2 * margin);
  }
}

// --- Header rows and default layout -------------------------------------------

void CustomTreeListControl::setShowBands(bool value) {
  if (value == showBands_) return;
  showBands_ = value;
  recomputeLayout();
}

void CustomTreeListControl::setBandRowCount(int count) {
  count = std::clamp(count, 1, bandMaxRowCount_);
  if (count == bandRowCount_) return;
  bandRowCount_ = count;
  recomputeLayout();
}

void CustomTreeListControl::setBandMaxRowCount(int count) {
  bandMaxRowCount_ = std::max(count, 1);
  setBandRowCount(bandRowCount_);
}

void CustomTreeListControl::setHeaderPanelRowCount(int count) {
  applyHeaderPanelRowCount(count, false);
}

void CustomTreeListControl::applyHeaderPanelRowCount(int count, bool automatic) {
  count = std::clamp(count, 1, headerPanelMaxRowCount_);
  if (count == headerPanelRowCount_) return;
  if (!automatic && optionsEx().has(goAutoHeaderPanelHeight)) {
    setOptionsEx(optionsEx().without(goAutoHeaderPanelHeight));
  }
  headerPanelRowCount_ = count;
  if (count > 1) defaultLayout_ = false;
  normalizeHeaderRows();
  recomputeLayout();
}

void CustomTreeListControl::refreshAutoHeaderPanelRowCount() {
  if (!optionsEx().has(goAutoHeaderPanelHeight)) return;
  int highest = 0;
  for (const auto& c : columns_) {
    if (c->visible()) highest = std::max(highest, c->storedRow_);
  }
  applyHeaderPanelRowCount(highest + 1, true);
}

void CustomTreeListControl::setHeaderPanelMaxRowCount(int count) {
  headerPanelMaxRowCount_ = std::max(count, 1);
  setHeaderPanelRowCount(headerPanelRowCount_);
}

void CustomTreeListControl::setHeaderMinRowCount(int count) {
  count = std::max(count, 1);
  if (count == headerMinRowCount_) return;
  headerMinRowCount_ = count;
  recomputeLayout();
}

void CustomTreeListControl::normalizeHeaderRows() {
  const int rows = headerPanelRowCount_;
  for (auto& c : columns_) c->row_ = std::clamp(c->row_, 0, rows - 1);
  // Close up empty rows: a visible row with nothing in it pulls the rows
  // below it up by one.
  for (int b = 0; b < bands_.count(); ++b) {
    const TreeListBand* band = bands_.items(b);
    if (!band->visible()) continue;
    for (int r = rows - 1; r >= 0; --r) {
      const bool used = std::any_of(columns_.begin(), columns_.end(), [&](const auto& c) {
        return c->visible() && c->bandIndex_ == b && c->row_ == r;
      });
      if (used) continue;
      for (auto& c : columns_) {
        if (c->visible() && c->bandIndex_ == b && c->row_ > r) {
          --c->row_;
          c->storedRow_ = std::max(c->storedRow_ - 1, 0);
        }
      }
    }
  }
  for (auto& c : columns_) {
    const TreeListBand* band = columnBand(c.get());
    if (!band) continue;
    const int limit = std::max(bandHeaderRowCount(band) - 1, 0);
    if (c->row_ > limit) c->row_ = c->storedRow_ = limit;
  }
}

void CustomTreeListControl::setDefaultLayout(bool value) {
  if (!value) {
    defaultLayout_ = false;
    return;
  }
  resetDefaultLayout();
}

void CustomTreeListControl::resetDefaultLayout() {
  UpdateLock lock(*this);
  showBands_ = false;
  setHeaderPanelRowCount(1);
  while (bands_.count() > 1) bands_.deleteBand(bands_.count() - 1);
  if (bands_.count() == 0) bands_.add();
  bands_.items(0)->setVisible(true);
  for (auto& c : columns_) c->bandIndex_ = 0;
  normalizeHeaderRows();
  defaultLayout_ = true;
}

void CustomTreeListControl::bandsChanged() {
  headerLayout_.invalidate();
  if (bands_.count() != 1) defaultLayout_ = false;
  recomputeLayout();
}

void CustomTreeListControl::bandFreed(int index) {
  if (destroying()) return;
  const TreeListBand* band = bands_.items(index);
  if (mouseStateHolds(band)) cancelMouseState();
  for (auto& c : columns_) {
    if (c->bandIndex_ == index) {
      c->bandIndex_ = -1;
    } else if (c->bandIndex_ > index) {
      --c->bandIndex_;
    }
  }
}

void CustomTreeListControl::bandMoved(int from, int to) {
  for (auto& c : columns_) {
    int& b = c->bandIndex_;
    if (b == from) {
      b = to;
    } else if (from < to && b > from && b <= to) {
      --b;
    } else if (to < from && b >= to && b < from) {
      ++b;
    }
  }
}

// --- Band geometry -------------------------------------------------------------

int CustomTreeListControl::visibleBandCount() const {
  int n = 0;
  for (int i = 0; i < bands_.count(); ++i) n += bands_.items(i)->visible() ? 1 : 0;
  return n;
}

TreeListBand* CustomTreeListControl::visibleBand(int i) const {
  if (i < 0) return nullptr;
  for (int b = 0; b < bands_.count(); ++b) {
    if (bands_.items(b)->visible() && i-- == 0) return bands_.items(b);
  }
  return nullptr;
}

int CustomTreeListControl::bandVisibleIndex(const TreeListBand* band) const {
  if (!band || !band->visible()) return -1;
  int n = 0;
  for (int b = 0; b < bands_.count(); ++b) {
    if (bands_.items(b) == band) return n;
    if (bands_.items(b)->visible()) ++n;
  }
  return -1;
}

TreeListBand* CustomTreeListControl::leftFixedBand() const {
  TreeListBand* first = visibleBand(0);
  return first && first->fixed() == bfLeft ? first : nullptr;
}

TreeListBand* CustomTreeListControl::rightFixedBand() const {
  TreeListBand* last = visibleBand(visibleBandCount() - 1);
  return last && last->fixed() == bfRight ? last : nullptr;
}

TreeListBand* CustomTreeListControl::columnBand(const TreeListColumn* column) const {
  return column ? bands_.items(column->bandIndex_) : nullptr;
}

int CustomTreeListControl::bandHeaderRowCount(const TreeListBand* band) const {
  int rows = 0;
  for (const auto& c : columns_) {
    if (c->visible() && columnBand(c.get()) == band) rows = std::max(rows, c->row_ + 1);
  }
  return rows;
}

int CustomTreeListControl::rowColumnCount(const TreeListBand* band, int row) const {
  int n = 0;
  for (const auto& c : columns_) {
    if (c->visible() && columnBand(c.get()) == band && c->rowIndex() == row) ++n;
  }
  return n;
}

TreeListColumn* CustomTreeListControl::columnAt(const TreeListBand* band, int row,
                                                int position) const {
  if (position < 0) return nullptr;
  for (const auto& c : columns_) {
    if (c->visible() && columnBand(c.get()) == band && c->rowIndex() == row && position-- == 0) {
      return c.get();
    }
  }
  return nullptr;
}

namespace {

// A column's minimum in the width sharing: a column that cannot be sized
// keeps its width.
int shareMinimum(const TreeListColumn* c) { return c->sizing() ? c->minWidth() : c->width(); }

}  // namespace

int CustomTreeListControl::bandMinWidth(const TreeListBand* band) const {
  int widest = band->sizable() ? band->minWidth() : band->width();
  for (int r = 0; r < bandHeaderRowCount(band); ++r) {
    int sum = 0;
    for (int p = 0; p < rowColumnCount(band, r); ++p) sum += shareMinimum(columnAt(band, r, p));
    widest = std::max(widest, sum);
  }
  return widest;
}

int CustomTreeListControl::bandNaturalWidth(const TreeListBand* band) const {
  int width = band->width();
  if (optionsEx().has(goBandHeaderWidth) || defaultLayout_) {
    int widest = 0;
    for (int r = 0; r < bandHeaderRowCount(band); ++r) {
      int sum = 0;
      for (int p = 0; p < rowColumnCount(band, r); ++p) sum += columnAt(band, r, p)->width();
      widest = std::max(widest, sum);
    }
    if (widest > 0) width = widest;
  }
  return std::max(width, bandMinWidth(band));
}

int CustomTreeListControl::bandDrawnWidth(const TreeListBand* band) const {
  if (!band) return 0;
  if (!options().has(goAutoWidth)) return bandNaturalWidth(band);
  // The client width is shared in proportion to the natural widths; bands
  // that cannot be sized keep theirs and the last band takes what is left.
  const int count = visibleBandCount();
  const int position = bandVisibleIndex(band);
  if (position < 0) return bandNaturalWidth(band);
  const int available = dataAreaWidth() - groupIndentWidth();
  int fixedSum = 0;
  int sizableSum = 0;
  for (int i = 0; i < count; ++i) {
    const TreeListBand* b = visibleBand(i);
    (b->sizable() ? sizableSum : fixedSum) += bandNaturalWidth(b);
  }
  const auto share = [&](const TreeListBand* b) {
    const int natural = bandNaturalWidth(b);
    if (!b->sizable() || sizableSum == 0) return natural;
    return mulDiv(available - fixedSum, natural, sizableSum);
  };
  if (position < count - 1) return share(band);
  int others = 0;
  for (int i = 0; i < count - 1; ++i) others += share(visibleBand(i));
  return std::max(available - others, 0);
}

std::vector<int> CustomTreeListControl::rowWidths(const TreeListBand* band, int row,
                                                  int bandWidth) const {
  std::vector<const TreeListColumn*> cols;
  for (int p = 0; p < rowColumnCount(band, row); ++p) cols.push_back(columnAt(band, row, p));
  std::vector<int> widths(cols.size());
  if (cols.empty()) return widths;
  int sum = 0;
  int sumMin = 0;
  for (const TreeListColumn* c : cols) {
    sum += c->width();
    sumMin += shareMinimum(c);
  }
  std::vector<int> shares(cols.size());
  bool allAbove = true;
  int sumAbove = 0;  // widths of the sizable columns whose share exceeds their minimum
  for (std::size_t i = 0; i < cols.size(); ++i) {
    if (!cols[i]->sizing()) continue;
    shares[i] = sum > 0 ? mulDiv(bandWidth, cols[i]->width(), sum) : 0;
    if (shares[i] > cols[i]->minWidth()) {
      sumAbove += cols[i]->width();
    } else {
      allAbove = false;
    }
  }
  for (std::size_t i = 0; i < cols.size(); ++i) {
    const TreeListColumn* c = cols[i];
    if (!c->sizing()) {
      widths[i] = c->width();
    } else if (allAbove) {
      widths[i] = shares[i];
    } else if (shares[i] > c->minWidth() && sumAbove > 0) {
      widths[i] = c->minWidth() + mulDiv(bandWidth - sumMin, c->width(), sumAbove);
    } else {
      widths[i] = c->minWidth();
    }
  }
  int others = 0;
  for (std::size_t i = 0; i + 1 < cols.size(); ++i) others += widths[i];
  widths.back() = bandWidth - others;
  return widths;
}

int CustomTreeListControl::columnDrawnWidth(const TreeListColumn* column) const {
  const TreeListBand* band = columnBand(column);
  if (!column || !column->visible() || !band || !band->visible()) return 0;
  const std::vector<int> widths = rowWidths(band, column->rowIndex(), bandDrawnWidth(band));
  const int position = column->colIndex();
  if (position < 0 || position >= static_cast<int>(widths.size())) return 0;
  return widths[static_cast<std::size_t>(position)] +
         (isFirstColumn(column) ? groupIndentWidth() : 0);
}

// --- Sorting -------------------------------------------------------------------

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

bool CustomTreeListControl::sortByFirstSortedColumn() {
  TreeListColumn* first = nullptr;
  for (auto& c : columns_) {
    if (!isGroupColumn(c.get()) && c->sorted_ != csNone) {
      first = c.get();
      break;
    }
  }
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
constexpr std::size_t kNodeDistance = 16;
constexpr std::size_t kDataDistance = 8;

}  // namespace

TextCollation CustomTreeListControl::sortCollation() const {
  if (!optionsEx().has(goAnsiSort)) return nullptr;
  return [this](const std::string& a, const std::string& b) { return collateTexts(a, b); };
}

bool CustomTreeListControl::sortByDirectKeys(const std::vector<TreeListNode*>& nodes, int column,
                                             bool descending, std::vector<std::uint32_t>& order) {
  const PrefixKind kind = directSortKind(column);
  if (kind == PrefixKind::none) return false;
  // Collation and natural order do not follow byte order.
  if (kind == PrefixKind::text && (optionsEx().has(goAnsiSort) || naturalOrderFor(column))) {
    return false;
  }
  const std::size_t n = nodes.size();
  ExactKeySorter sorter(descending);
  sorter.reserve(n);
  for (std::size_t i = 0; i < n; ++i) {
    if (i + kNodeDistance < n) __builtin_prefetch(nodes[i + kNodeDistance]);
    if (i + kDataDistance < n) prefetchSortData(*nodes[i + kDataDistance]);
    OrderKey key;
    std::int64_t tie = 0;
    if (!directSortKey(*nodes[i], column, kind, key) || !tieBreakKey(*nodes[i], tie) ||
        !sorter.add(key, tie)) {
      return false;
    }
  }
  return sorter.finish(order);
}

void CustomTreeListControl::sortSiblingList(NodeList& list, const std::vector<int>& keyColumns,
                                            const std::vector<bool>& keyDescending) {
  const std::size_t n = static_cast<std::size_t>(list.count());
  const std::size_t keys = keyColumns.size();
  std::vector<TreeListNode*> nodes(n);
  for (std::size_t i = 0; i < n; ++i) nodes[i] = list.at(static_cast<int>(i));
  // Puts the list in the order given, when it moves a node at all.
  const auto apply = [&](const std::vector<std::uint32_t>& order) {
    bool moved = false;
    for (std::size_t i = 0; i < n && !moved; ++i) moved = order[i] != i;
    if (!moved) return;
    std::vector<TreeListNode*> sorted;
    sorted.reserve(n);
    for (const std::uint32_t r : order) sorted.push_back(nodes[r]);
    reorderSiblings(list, sorted);
  };

  if (onCompare) {
    std::vector<std::uint32_t> order(n);
    for (std::size_t i = 0; i < n; ++i) order[i] = static_cast<std::uint32_t>(i);
    const bool negate = keyDescending[0];
    hoareSort(order, [&](std::uint32_t a, std::uint32_t b) {
      int compare = 0;
      onCompare(*this, nodes[a], nodes[b], compare);
      return negate ? -compare : compare;
    });
    std::vector<TreeListNode*> sorted;
    sorted.reserve(n);
    for (std::uint32_t r : order) sorted.push_back(nodes[r]);
    reorderSiblings(list, sorted);
    return;
  }

  if (keys == 1) {
    std::vector<std::uint32_t> order;
    if (sortByDirectKeys(nodes, keyColumns[0], keyDescending[0], order)) {
      apply(order);
      return;
    }
  }

  // Row r's value for key k is values[r * keys + k]. Whole-number tie-break
  // keys, when every node has one: ties are then ordered without visiting
  // the nodes again. One pass reads both.
  std::vector<Variant> values;
  values.reserve(n * keys);
  std::vector<std::int64_t> ties(n);
  bool allTies = true;
  for (std::size_t i = 0; i < n; ++i) {
    if (i + kNodeDistance < n) __builtin_prefetch(nodes[i + kNodeDistance]);
    if (i + kDataDistance < n) prefetchSortData(*nodes[i + kDataDistance]);
    for (std::size_t k = 0; k < keys; ++k) values.push_back(getSortValue(*nodes[i], keyColumns[k]));
    allTies = allTies && tieBreakKey(*nodes[i], ties[i]);
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
    return compareTieBreak(nodes[a], nodes[b]);
  };
  apply(sortRowValues(input));
}

}  // namespace morvel
