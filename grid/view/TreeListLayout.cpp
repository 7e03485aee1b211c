// The grid's layout: metrics, regions, where each header and cell lies, and
// scrolling rows and columns. Painting (TreeListPainter.cpp) and hit testing
// (TreeListHitTest.cpp) work from these answers.
#include <algorithm>
#include <cstdlib>

#include "grid/view/CustomTreeListControl.h"
#include "grid/view/TreeListImages.h"

namespace morvel {

// --- Look and metrics ---------------------------------------------------------------

void CustomTreeListControl::dropMetrics() {
  metricsValid_ = false;
  headerLayout_.invalidate();
}

void CustomTreeListControl::setLookAndFeel(LookAndFeel look) {
  if (look == lookAndFeel_) return;
  lookAndFeel_ = look;
  dropMetrics();
  recomputeLayout();
}

void CustomTreeListControl::setShowGrid(bool value) {
  if (value == showGrid_) return;
  showGrid_ = value;
  dropMetrics();
  recomputeLayout();
}

void CustomTreeListControl::setShowPreviewGrid(bool value) {
  if (value == showPreviewGrid_) return;
  showPreviewGrid_ = value;
  dropMetrics();
  recomputeLayout();
}

void CustomTreeListControl::setShowHeader(bool value) {
  if (value == showHeader_) return;
  showHeader_ = value;
  dropMetrics();
  recomputeLayout();
}

void CustomTreeListControl::setHeaderFont(const Font& font) {
  if (font == headerFont_) return;
  headerFont_ = font;
  dropMetrics();
  recomputeLayout();
}

void CustomTreeListControl::setBandFont(const Font& font) {
  if (font == bandFont_) return;
  bandFont_ = font;
  dropMetrics();
  recomputeLayout();
}

void CustomTreeListControl::setPreviewFont(const Font& font) {
  if (font == previewFont_) return;
  previewFont_ = font;
  dropMetrics();
  recomputeLayout();
}

void CustomTreeListControl::setGrIndicatorWidth(int width) {
  width = std::max(width, 12);
  if (width == grIndicatorWidth_) return;
  grIndicatorWidth_ = width;
  dropMetrics();
  recomputeLayout();
}

void CustomTreeListControl::setDefaultRowHeight(int height) {
  height = std::max(height, 0);
  if (height == defaultRowHeight_) return;
  defaultRowHeight_ = height;
  dropMetrics();
  recomputeLayout();
}

void CustomTreeListControl::setImages(std::shared_ptr<const ImageList> images) {
  if (images == images_) return;
  images_ = std::move(images);
  dropMetrics();
  recomputeLayout();
}

void CustomTreeListControl::setStateImages(std::shared_ptr<const ImageList> images) {
  if (images == stateImages_) return;
  stateImages_ = std::move(images);
  dropMetrics();
  recomputeLayout();
}

void CustomTreeListControl::setScrollBars(ScrollStyle style) {
  if (style == scrollBars_) return;
  scrollBars_ = style;
  recomputeLayout();
}

void CustomTreeListControl::setHideSelection(bool value) {
  if (value == hideSelection_) return;
  hideSelection_ = value;
  invalidate();
}

void CustomTreeListControl::fontChanged() {
  dropMetrics();
  CustomTreeList::fontChanged();
}

void CustomTreeListControl::hostAttached() {
  // The drag cursors are the grid's own pictures.
  registerTreeListCursors(host().services());
  dropMetrics();
  CustomTreeList::hostAttached();
}

void CustomTreeListControl::resized() {
  // The rows shown and the horizontal range follow the size.
  setLeftCoord(leftCoord_);
  CustomTreeList::resized();
}

const TreeListMetrics& CustomTreeListControl::metrics() const {
  if (!metricsValid_) {
    metrics_ = measureMetrics();
    metricsValid_ = true;
  }
  return metrics_;
}

TreeListMetrics CustomTreeListControl::measureMetrics() const {
  Canvas& canvas = host().canvas();
  const auto heightOf = [&canvas](const Font& font) {
    canvas.setFont(font);
    return canvas.textHeight();
  };
  TreeListMetrics m;
  m.bandRowHeight = heightOf(bandFont_) * bandRowCount() + headerChrome();
  m.bandPanelHeight = showBands() ? m.bandRowHeight : 0;
  m.headerRowHeight = heightOf(headerFont_) * std::max(headerMinRowCount(), 1) + headerChrome();
  m.headerPanelHeight = showHeader_ ? m.headerRowHeight * headerPanelRowCount() : 0;
  m.previewTextHeight = heightOf(previewFont_);
  int natural = 0;
  for (int i = 0; i < columnCount(); ++i) {
    const TreeListColumn* c = columns(i);
    if (c->assignedValues() & TreeListColumn::avFont)
      natural = std::max(natural, heightOf(c->font()) + 3);
    natural = std::max(natural, c->minRowHeight(canvas));
  }
  m.textHeight = heightOf(font());
  m.charWidth = canvas.zeroWidth();
  m.indicatorWidth = options().has(goIndicator) ? grIndicatorWidth_ : 0;
  natural = std::max({natural, m.textHeight + 3, 16});
  // A row is at least as tall as its pictures.
  if (images_) natural = std::max(natural, images_->height());
  if (stateImages_) natural = std::max(natural, stateImages_->height());
  if (showGrid_ && showPreviewGrid_) natural += 1;
  if (optionsEx().has(goInvertSelect)) natural += 2;
  m.naturalRowHeight = natural;
  m.rowHeight = std::max(defaultRowHeight_, natural);
  m.footerHeight = 0;      // summary footers are not shown
  m.newItemRowHeight = 0;  // nor is the new-item row
  m.groupPanelHeight = showGroupPanel() ? groupPanelHeight(m.headerRowHeight) : 0;
  return m;
}

// --- Regions -------------------------------------------------------------------------

int CustomTreeListControl::rowsAreaTop() const {
  const TreeListMetrics& m = metrics();
  return m.groupPanelHeight + m.bandPanelHeight + m.headerPanelHeight + m.newItemRowHeight;
}

int CustomTreeListControl::dataAreaWidth() const {
  return std::max(host().clientSize().width - metrics().indicatorWidth, 0);
}

Rect CustomTreeListControl::groupPanelRect() const {
  return {0, 0, host().clientSize().width, metrics().groupPanelHeight};
}

Rect CustomTreeListControl::bandPanelRect() const {
  const TreeListMetrics& m = metrics();
  return {m.indicatorWidth, m.groupPanelHeight, host().clientSize().width,
          m.groupPanelHeight + m.bandPanelHeight};
}

Rect CustomTreeListControl::bandCornerRect() const {
  const Rect band = bandPanelRect();
  return {0, band.top, band.left, band.bottom};
}

Rect CustomTreeListControl::headerPanelRect() const {
  const TreeListMetrics& m = metrics();
  const int top = m.groupPanelHeight + m.bandPanelHeight;
  return {m.indicatorWidth, top, host().clientSize().width, top + m.headerPanelHeight};
}

Rect CustomTreeListControl::headerCornerRect() const {
  const Rect header = headerPanelRect();
  return {0, header.top, header.left, header.bottom};
}

Rect CustomTreeListControl::rowsAreaRect() const {
  const Size client = host().clientSize();
  return {metrics().indicatorWidth, rowsAreaTop(), client.width,
          std::max(client.height - metrics().footerHeight, rowsAreaTop())};
}

Rect CustomTreeListControl::indicatorRect() const {
  const Rect rows = rowsAreaRect();
  return {0, rows.top, rows.left, rows.bottom};
}

// --- Columns ----------------------------------------------------------------------------

const HeaderLayout& CustomTreeListControl::headerLayout() const {
  HeaderLayoutKey key;
  key.generation = headerLayout_.generation();
  key.leftCoord = leftCoord_;
  key.client = host().clientSize();
  key.groupIndent = groupIndentWidth();
  key.columnCount = columnCount();
  key.bandCount = bands_.count();
  return headerLayout_.get(key, [&] {
    HeaderLayout layout;
    layout.bands = computeBandExtents();
    layout.cells = computeHeaderCells(layout.bands);
    return layout;
  });
}

std::vector<BandExtent> CustomTreeListControl::bandExtents() const { return headerLayout().bands; }

std::vector<HeaderCell> CustomTreeListControl::headerCells() const { return headerLayout().cells; }

std::vector<BandExtent> CustomTreeListControl::computeBandExtents() const {
  std::vector<BandExtent> extents;
  const int indicator = metrics().indicatorWidth;
  const int indent = groupIndentWidth();
  const int bandCount = visibleBandCount();
  const int dataRight = indicator + dataAreaWidth();
  // Scrolling bands start after a left fixed band; a right fixed band sits
  // at the right edge of the data area.
  int x = indicator - leftCoord_;
  if (const TreeListBand* left = leftFixedBand()) x += bandDrawnWidth(left) + indent;
  for (int b = 0; b < bandCount; ++b) {
    const TreeListBand* band = visibleBand(b);
    BandExtent extent;
    extent.fixedLeft = band->fixed() == bfLeft && b == 0;
    extent.fixedRight = band->fixed() == bfRight && b == bandCount - 1 && !extent.fixedLeft;
    const int width = bandDrawnWidth(band) + (b == 0 ? indent : 0);
    if (extent.fixedLeft) {
      extent.left = indicator;
    } else if (extent.fixedRight) {
      extent.left = std::max(dataRight - width, indicator);
    } else {
      extent.left = x;
      x += width;
    }
    extent.right = extent.left + width;
    extents.push_back(extent);
  }
  return extents;
}

std::vector<HeaderCell> CustomTreeListControl::computeHeaderCells(
    const std::vector<BandExtent>& extents) const {
  std::vector<HeaderCell> cells;
  const TreeListMetrics& m = metrics();
  const Rect panel = headerPanelRect();
  const int indent = groupIndentWidth();
  for (int b = 0; b < static_cast<int>(extents.size()); ++b) {
    const BandExtent& extent = extents[static_cast<std::size_t>(b)];
    const TreeListBand* band = visibleBand(b);
    const int rows = bandHeaderRowCount(band);
    const int bandWidth = bandDrawnWidth(band);
    for (int r = 0; r < rows; ++r) {
      const std::vector<int> widths = rowWidths(band, r, bandWidth);
      const int top = panel.top + r * m.headerRowHeight;
      // The last row of a band reaches down to the panel's bottom.
      const int bottom =
          r == rows - 1 ? std::max(panel.bottom, top + m.headerRowHeight) : top + m.headerRowHeight;
      int cellLeft = extent.left;
      for (int p = 0; p < static_cast<int>(widths.size()); ++p) {
        HeaderCell cell;
        cell.column = columnAt(band, r, p);
        cell.bandIndex = b;
        cell.rowIndex = r;
        cell.colIndex = p;
        const int w = widths[static_cast<std::size_t>(p)] + (b == 0 && p == 0 ? indent : 0);
        cell.rect = {cellLeft, top, cellLeft + w, bottom};
        cell.fixed = extent.fixedLeft || extent.fixedRight;
        cellLeft += w;
        cells.push_back(cell);
      }
    }
  }
  return cells;
}

Rect CustomTreeListControl::headerCellRect(const TreeListColumn* column) const {
  for (const HeaderCell& cell : headerCells()) {
    if (cell.column == column) return cell.rect;
  }
  return {};
}

Rect CustomTreeListControl::bandHeaderRect(int band) const {
  const Rect panel = bandPanelRect();
  const std::vector<BandExtent> extents = bandExtents();
  if (panel.isEmpty() || band < 0 || band >= static_cast<int>(extents.size())) return {};
  const BandExtent& extent = extents[static_cast<std::size_t>(band)];
  if (extent.right <= extent.left) return {};
  return {extent.left, panel.top, extent.right, panel.bottom};
}

int CustomTreeListControl::columnsRight() const {
  int right = metrics().indicatorWidth;
  for (const HeaderCell& cell : headerCells()) right = std::max(right, cell.rect.right);
  return right;
}

int CustomTreeListControl::scrollableWidth() const {
  int width = groupIndentWidth();
  for (int b = 0; b < visibleBandCount(); ++b) width += bandDrawnWidth(visibleBand(b));
  return width;
}

int CustomTreeListControl::nodeIndent(const TreeListNode& node) const {
  return (node.level() + (isGroupRow(node) ? 1 : 0)) * kIndentWidth;
}

int CustomTreeListControl::nodeImagesWidth(const TreeListNode& node) const {
  if ((imagesWidth() == 0 && stateImagesWidth() == 0) || isGroupRow(node)) return 0;
  int width = 0;
  if (getStateIndex(node) >= 0) width += stateImagesWidth();
  if (getImageIndex(node) >= 0 || getSelectedIndex(node) >= 0) width += imagesWidth();
  return width;
}

Rect CustomTreeListControl::cellRect(const TreeListNode* node, const TreeListColumn* column) const {
  const Rect row = rowRect(node);
  if (row.isEmpty() || !column) return {};
  for (const HeaderCell& cell : headerCells()) {
    if (cell.column != column) continue;
    const int lines = std::max(bandHeaderRowCount(columnBand(column)), 1);
    const int lineHeight = row.height() / lines;
    Rect r{cell.rect.left, row.top + cell.rowIndex * lineHeight, cell.rect.right,
           row.top + (cell.rowIndex + 1) * lineHeight};
    if (cell.bandIndex == 0 && cell.colIndex == 0)
      r.left += nodeIndent(*node) + nodeImagesWidth(*node);
    return r.intersected(rowsAreaRect());
  }
  return {};
}

// --- Scroll bars and scrolling ----------------------------------------------------------------

void CustomTreeListControl::updateScrollBars() {
  // Showing one bar takes room from the other direction: repeat until the
  // client size stays put (twice at most in practice).
  for (int pass = 0; pass < 3; ++pass) {
    const Size before = host().clientSize();
    const bool vertical = scrollBars_ == ssVertical || scrollBars_ == ssBoth;
    const bool horizontal =
        (scrollBars_ == ssHorizontal || scrollBars_ == ssBoth) && visibleColumnCount() > 0;
    if (vertical) {
      CustomTreeList::updateScrollBars();
    } else {
      host().setScrollBar(sbVertical, {});
    }
    ScrollBarInfo h;
    const int total = scrollableWidth();
    const int page = dataAreaWidth();
    h.visible = horizontal && total > page;
    h.max = h.visible ? total - 1 : 0;
    h.page = page;
    h.position = h.visible ? leftCoord_ : 0;
    host().setScrollBar(sbHorizontal, h);
    if (host().clientSize() == before) break;
    const int maxLeft = std::max(total - dataAreaWidth(), 0);
    if (leftCoord_ > maxLeft) leftCoord_ = maxLeft;
  }
}

void CustomTreeListControl::setTopVisibleIndex(int index) {
  if (index < 0) index = 0;
  const int count = visibleCount();
  if (count < 2) return;
  const int page = visibleRowCount();
  index = std::min(index, std::max(count - page, 0));
  TreeListNode* node = nodeAtVisibleIndex(index);
  TreeListNode* old = topNode();
  if (!node || node == old) return;
  const int distance = index - visibleIndexOf(old);
  const Rect oldFocus = rowRect(focusedNode());
  setTopNode(node);
  if (locked()) return;
  updateScrollBars();
  const Rect rows{0, rowsAreaRect().top, host().clientSize().width, rowsAreaRect().bottom};
  if (old == nullptr || std::abs(distance) > page) {
    invalidate();
    return;
  }
  // Every row has the same height, so the rows passed move by a fixed step.
  host().scrollArea(rows, 0, -distance * rowHeight());
  if (!oldFocus.isEmpty()) invalidateRect(oldFocus.translated(0, -distance * rowHeight()));
  const Rect newFocus = rowRect(focusedNode());
  if (!newFocus.isEmpty()) invalidateRect(newFocus);
}

void CustomTreeListControl::setLeftCoord(int x) {
  const int maxLeft = std::max(scrollableWidth() - dataAreaWidth(), 0);
  x = std::clamp(x, 0, maxLeft);
  if (x == leftCoord_) return;
  const int dx = leftCoord_ - x;
  leftCoord_ = x;
  if (locked()) return;
  updateScrollBars();
  const Rect data = rowsAreaRect();
  const Rect area{data.left, bandPanelRect().top, data.right, data.bottom};
  if (leftFixedBand() || rightFixedBand() || std::abs(dx) > area.width()) {
    invalidate();
  } else {
    host().scrollArea(area, dx, 0);
  }
  if (onChangeLeftCoord) onChangeLeftCoord(*this);
}

void CustomTreeListControl::scrolled(ScrollBarKind bar, ScrollCode code, int position) {
  host().setFocus();
  if (bar == sbVertical) {
    const int top = std::max(visibleIndexOf(topNode()), 0);
    switch (code) {
      case scLineUp:
        setTopVisibleIndex(top - 1);
        break;
      case scLineDown:
        setTopVisibleIndex(top + 1);
        break;
      case scPageUp:
        setTopVisibleIndex(top - visibleRowCount());
        break;
      case scPageDown:
        setTopVisibleIndex(top + visibleRowCount());
        break;
      case scTop:
        setTopVisibleIndex(0);
        break;
      case scBottom:
        setTopVisibleIndex(visibleCount());
        break;
      case scThumbTrack:
      case scThumbPosition:
        setTopVisibleIndex(std::max(position, 0));
        break;
      case scEndScroll:
        break;
    }
    return;
  }
  const int total = scrollableWidth();
  switch (code) {
    case scLineUp:
      setLeftCoord(leftCoord_ - metrics().charWidth);
      break;
    case scLineDown:
      setLeftCoord(leftCoord_ + metrics().charWidth);
      break;
    case scPageUp:
      setLeftCoord(leftCoord_ - dataAreaWidth());
      break;
    case scPageDown:
      setLeftCoord(leftCoord_ + dataAreaWidth());
      break;
    case scTop:
      setLeftCoord(0);
      break;
    case scBottom:
      setLeftCoord(total);
      break;
    case scThumbTrack:
    case scThumbPosition: {
      // Thumb positions snap to 4 pixels, except at the right end.
      const int wanted = position + 1;
      const int snapped = wanted / 4 * 4;
      setLeftCoord(wanted >= total - dataAreaWidth() ? wanted : snapped);
      break;
    }
    case scEndScroll:
      break;
  }
}

bool CustomTreeListControl::mouseWheel(ShiftState, int delta, Point) {
  const int top = std::max(visibleIndexOf(topNode()), 0);
  setTopVisibleIndex(delta > 0 ? top - 1 : top + 1);
  return true;
}

void CustomTreeListControl::scrollColumnIntoView(const TreeListColumn* column) {
  const Rect cell = headerCellRect(column);
  const Rect data = rowsAreaRect();
  if (cell.isEmpty()) return;
  if (cell.left < data.left) {
    setLeftCoord(leftCoord_ - (data.left - cell.left));
  } else if (cell.right > data.right) {
    // A column wider than the area shows its left end.
    setLeftCoord(leftCoord_ + std::min(cell.right - data.right, cell.left - data.left));
  }
}

void CustomTreeListControl::makeColumnVisible(int column) {
  if (!rowSelect()) scrollColumnIntoView(columns(column));
}

// --- Repainting parts -------------------------------------------------------------------------

void CustomTreeListControl::invalidateRow(TreeListNode* node) {
  if (locked()) return;
  const Rect r = rowRect(node);
  if (!r.isEmpty()) invalidateRect(r);
}

void CustomTreeListControl::invalidateCell(TreeListNode* node, TreeListColumn* column) {
  if (locked()) return;
  const Rect r = cellRect(node, column);
  if (!r.isEmpty()) invalidateRect(r);
}

}  // namespace morvel
