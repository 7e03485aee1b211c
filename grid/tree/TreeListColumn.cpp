// Columns and bands; see TreeListColumn.h. Geometry that needs the whole
// column list (positions in a band row, widths) lives in the control.
#include "grid/tree/TreeListColumn.h"

#include <algorithm>

#include "grid/tree/TreeColumnOwner.h"

namespace morvel {

TreeListColumn::TreeListColumn() = default;
TreeListColumn::~TreeListColumn() = default;

void TreeListColumn::changed(bool wholeLayout) {
  if (grid_) grid_->columnChanged(wholeLayout ? nullptr : this);
}

Alignment TreeListColumn::alignment() const {
  return assigned_ & avAlignment ? alignment_ : defaultAlignment();
}

void TreeListColumn::setAlignment(Alignment alignment) {
  if (alignment == this->alignment()) return;
  alignment_ = alignment;
  assigned_ |= avAlignment;
  changed(false);
}

std::string TreeListColumn::caption() const {
  return assigned_ & avCaption ? caption_ : defaultCaption();
}

void TreeListColumn::setCaption(std::string_view caption) {
  if (caption == this->caption()) return;
  caption_ = caption;
  assigned_ |= avCaption;
  changed(false);
}

Color TreeListColumn::color() const {
  if (assigned_ & avColor) return color_;
  return grid_ ? grid_->columnDefaultColor() : clWindow;
}

void TreeListColumn::setColor(Color color) {
  if (color == this->color()) return;
  color_ = color;
  assigned_ |= avColor;
  changed(false);
}

void TreeListColumn::setDisableCaption(bool value) {
  if (value == disableCaption_) return;
  disableCaption_ = value;
  changed(true);
}

void TreeListColumn::setDisableCustomizing(bool value) {
  if (value == disableCustomizing_) return;
  disableCustomizing_ = value;
  changed(true);
}

const Font& TreeListColumn::font() const {
  static const Font kDefaultFont;
  if ((assigned_ & avFont) && font_) return *font_;
  return grid_ ? grid_->columnDefaultFont() : kDefaultFont;
}

void TreeListColumn::setFont(const Font& font) {
  if ((assigned_ & avFont) && font_ && *font_ == font) return;
  font_ = std::make_unique<Font>(font);
  assigned_ |= avFont;
  changed(true);
}

void TreeListColumn::setHeaderAlignment(Alignment alignment) {
  if (alignment == headerAlignment_) return;
  headerAlignment_ = alignment;
  changed(true);
}

void TreeListColumn::setMinWidth(int minWidth) {
  minWidth = std::max(minWidth, 0);
  if (minWidth == minWidth_) return;
  minWidth_ = minWidth;
  setWidth(width());
  changed(false);
}

bool TreeListColumn::readOnly() const {
  const bool own = assigned_ & avReadOnly ? readOnly_ : defaultReadOnly();
  return own || (grid_ && grid_->columnsReadOnly());
}

void TreeListColumn::setReadOnly(bool value) {
  const bool own = assigned_ & avReadOnly ? readOnly_ : defaultReadOnly();
  if (value == own) return;
  readOnly_ = value;
  assigned_ |= avReadOnly;
  changed(false);
}

void TreeListColumn::setSizing(bool value) {
  if (value == sizing_) return;
  sizing_ = value;
  changed(false);
}

void TreeListColumn::setSorted(TreeListColumnSort value) {
  if (grid_) {
    grid_->setSorted(this, value);
  } else {
    sorted_ = value;
  }
}

void TreeListColumn::setVisible(bool value) {
  if (value == visible_) return;
  visible_ = value;
  changed(false);
}

int TreeListColumn::width() const { return assigned_ & avWidth ? width_ : defaultWidth(); }

void TreeListColumn::setWidth(int width) {
  width = std::max(width, minWidth_);
  if (width == this->width()) return;
  width_ = width;
  assigned_ |= avWidth;
  changed(false);
}

void TreeListColumn::setBandIndex(int index) {
  index = std::max(index, -1);
  if (grid_ && index >= grid_->bandCount()) index = grid_->bandCount() - 1;
  if (index == bandIndex_) return;
  bandIndex_ = index;
  changed(false);
}

int TreeListColumn::rowIndex() const {
  if (!grid_) return row_;
  return std::max(std::min(row_, grid_->headerPanelRowCount() - 1), 0);
}

void TreeListColumn::setRowIndex(int row) {
  row = std::max(row, 0);
  if (grid_) row = std::min(row, grid_->headerPanelRowCount() - 1);
  if (row == row_ && row == storedRow_) return;
  row_ = storedRow_ = row;
  changed(false);
}

int TreeListColumn::colIndex() const {
  if (!grid_) return -1;
  const TreeListBand* band = grid_->columnBand(this);
  const int row = rowIndex();
  int position = 0;
  for (int i = 0; i < grid_->columnCount(); ++i) {
    const TreeListColumn* c = grid_->columns(i);
    if (c == this) return position;
    if (c->visible_ && grid_->columnBand(c) == band && c->rowIndex() == row) ++position;
  }
  return -1;
}

void TreeListColumn::setColIndex(int position) {
  if (!grid_) return;
  const TreeListBand* band = grid_->columnBand(this);
  if (!band || position == colIndex()) return;
  const int row = rowIndex();
  const int last = grid_->rowColumnCount(band, row) - 1;
  if (last < 0) return;
  position = std::clamp(position, 0, last);
  const TreeListColumn* target = grid_->columnAt(band, row, position);
  if (!target || target == this) return;
  setColumnIndex(target->index() + (position == last ? 1 : 0));
}

void TreeListColumn::setHeaderMaxLineCount(int count) {
  count = std::max(count, 0);
  if (count == headerMaxLineCount_) return;
  headerMaxLineCount_ = count;
  changed(true);
}

void TreeListColumn::setHeaderGlyph(const Bitmap& glyph) {
  if (glyph == headerGlyph_) return;
  headerGlyph_ = glyph;
  changed(true);
}

int TreeListColumn::index() const {
  if (!grid_) return -1;
  // Asked for every cell: the place found last is checked first.
  if (grid_->columns(lastIndex_) == this) return lastIndex_;
  for (int i = 0; i < grid_->columnCount(); ++i) {
    if (grid_->columns(i) == this) {
      lastIndex_ = i;
      return i;
    }
  }
  return -1;
}

int TreeListColumn::minRowHeight(FontMetrics&) const { return 0; }

void TreeListColumn::setColumnIndex(int index) {
  if (!grid_) return;
  const int old = this->index();
  index = std::clamp(index, 0, grid_->columnCount() - 1);
  if (index == old) return;
  grid_->columnMoved(old, index);
  auto& list = grid_->columns_;
  std::unique_ptr<TreeListColumn> self = std::move(list[static_cast<std::size_t>(old)]);
  list.erase(list.begin() + old);
  list.insert(list.begin() + index, std::move(self));
  grid_->columnChanged(nullptr);
}

int TreeListColumn::textWidth(FontMetrics& canvas, std::string_view text) const {
  return canvas.textWidth(text);
}

void TreeListColumn::getDisplayText(const TreeListNode&, std::string_view text,
                                    std::string& result) const {
  result.assign(text);
}

void TreeListColumn::restoreDefaults() {
  assigned_ &= static_cast<std::uint8_t>(~(avAlignment | avCaption | avReadOnly | avWidth));
  changed(true);
}

// --- Bands ---------------------------------------------------------------------

int TreeListBand::index() const { return collection_->indexOf(this); }

void TreeListBand::setIndex(int index) {
  if (fixed_ != bfNone) return;
  collection_->move(this->index(), index);
  changed();
}

void TreeListBand::changed() { collection_->changed(); }

void TreeListBand::setAlignment(Alignment alignment) {
  if (alignment == alignment_) return;
  alignment_ = alignment;
  changed();
}

void TreeListBand::setCaption(std::string_view caption) {
  if (caption == caption_) return;
  caption_ = caption;
  changed();
}

void TreeListBand::setFixed(GridBandFixed fixed) {
  if (fixed == fixed_) return;
  fixed_ = bfNone;
  if (fixed != bfNone) {
    for (auto& other : collection_->bands_) {
      if (other->fixed_ == fixed) other->fixed_ = bfNone;
    }
    collection_->move(index(), fixed == bfLeft ? 0 : collection_->count() - 1);
    if (visible_) fixed_ = fixed;
  }
  changed();
}

void TreeListBand::setMinWidth(int minWidth) {
  minWidth = std::max(minWidth, 0);
  if (minWidth == minWidth_) return;
  minWidth_ = minWidth;
  width_ = std::max(width_, minWidth_);
  changed();
}

void TreeListBand::setSizing(bool value) {
  if (value == sizing_) return;
  sizing_ = value;
  changed();
}

void TreeListBand::setVisible(bool value) {
  if (value == visible_) return;
  visible_ = value;
  if (!value) fixed_ = bfNone;
  changed();
}

void TreeListBand::setWidth(int width) {
  width = std::max(width, minWidth_);
  if (width == width_) return;
  width_ = width;
  changed();
}

TreeListBand* TreeListBands::items(int i) const {
  return i >= 0 && i < count() ? bands_[static_cast<std::size_t>(i)].get() : nullptr;
}

int TreeListBands::indexOf(const TreeListBand* band) const {
  for (int i = 0; i < count(); ++i) {
    if (bands_[static_cast<std::size_t>(i)].get() == band) return i;
  }
  return -1;
}

TreeListBand* TreeListBands::add() {
  bands_.push_back(std::make_unique<TreeListBand>(*this));
  TreeListBand* band = bands_.back().get();
  changed();
  return band;
}

void TreeListBands::deleteBand(int i) {
  if (i < 0 || i >= count()) return;
  grid_.bandFreed(i);
  bands_.erase(bands_.begin() + i);
  changed();
}

void TreeListBands::clear() {
  while (count() > 0) deleteBand(count() - 1);
}

void TreeListBands::move(int from, int to) {
  if (from < 0 || from >= count()) return;
  to = std::clamp(to, 0, count() - 1);
  if (from == to) return;
  grid_.bandMoved(from, to);
  std::unique_ptr<TreeListBand> band = std::move(bands_[static_cast<std::size_t>(from)]);
  bands_.erase(bands_.begin() + from);
  bands_.insert(bands_.begin() + to, std::move(band));
}

void TreeListBands::fixFixedBands() {
  TreeListBand* left = nullptr;
  TreeListBand* right = nullptr;
  int lefts = 0;
  int rights = 0;
  TreeListBand* firstVisible = nullptr;
  TreeListBand* lastVisible = nullptr;
  for (auto& band : bands_) {
    if (band->fixed_ == bfLeft && lefts++ == 0) left = band.get();
    if (band->fixed_ == bfRight && rights++ == 0) right = band.get();
    if (band->visible_) {
      if (!firstVisible) firstVisible = band.get();
      lastVisible = band.get();
    }
  }
  const bool sound = lefts <= 1 && rights <= 1 && (!left || left == firstVisible) &&
                     (!right || right == lastVisible);
  if (sound) return;
  for (auto& band : bands_) band->fixed_ = bfNone;
  if (left) {
    move(indexOf(left), 0);
    if (left->visible_) left->fixed_ = bfLeft;
  }
  if (right && right != left) {
    move(indexOf(right), count() - 1);
    if (right->visible_) right->fixed_ = bfRight;
  }
}

void TreeListBands::changed() {
  fixFixedBands();
  grid_.bandsChanged();
}

}  // namespace morvel
