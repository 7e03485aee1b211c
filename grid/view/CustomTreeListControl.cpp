// The column model, node texts and images, best fit, and the bands and
// header rows of the tree-list control; see CustomTreeListControl.h. Band
// geometry is in TreeListBandGeometry.cpp, sorting in TreeListSorting.cpp.
#include "grid/view/CustomTreeListControl.h"

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <string>

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

}  // namespace morvel
