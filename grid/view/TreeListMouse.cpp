// The grid's mouse handling: a state machine chosen by the hit test on a
// press and reset on every release: sizing columns, pressing headers to
// sort, dragging headers to move, hide and show columns, and focusing and
// expanding rows.
#include <algorithm>
#include <cstdlib>

#include "grid/view/CustomTreeListControl.h"
#include "grid/view/TreeListImages.h"

namespace morvel {
namespace {

// The drop arrows: 11 pixels wide, a shaft and a head, pointing down or up.
Bitmap dropArrow(std::uint32_t fill, bool down) {
  static constexpr const char* kRows[] = {
      "...OOOOO...", "...OfffO...", "...OfffO...", "OOOOfffOOOO", ".OfffffffO.",
      "..OfffffO..", "...OfffO...", "....OfO....", ".....O.....",
  };
  Bitmap b(11, 9);
  for (int y = 0; y < 9; ++y) {
    const char* row = kRows[down ? y : 8 - y];
    for (int x = 0; x < 11; ++x) {
      if (row[x] == 'O') b.setPixel(x, y, argb(0, 0, 0));
      if (row[x] == 'f') b.setPixel(x, y, fill);
    }
  }
  return b;
}

}  // namespace

// --- Overridable steps ----------------------------------------------------------------

void CustomTreeListControl::columnBestFit(TreeListColumn* column) { applyBestFit(column); }

void CustomTreeListControl::bandBestFit(TreeListBand* band) {
  if (!band) return;
  std::vector<TreeListColumn*> targets;
  for (int i = 0; i < columnCount(); ++i) {
    TreeListColumn* c = columns(i);
    if (c->visible() && columnBand(c) == band) targets.push_back(c);
  }
  if (targets.empty()) return;
  UpdateLock lock(*this);
  fitColumns(targets);
  // A band with a width of its own takes that of its widest header row.
  int widest = 0;
  for (int r = 0; r < bandHeaderRowCount(band); ++r) {
    int sum = 0;
    for (int p = 0; p < rowColumnCount(band, r); ++p) sum += columnAt(band, r, p)->width();
    widest = std::max(widest, sum);
  }
  if (band->sizable() && widest > 0) band->setWidth(widest);
}

bool CustomTreeListControl::canBandDrag(TreeListBand* band) {
  return band && optionsEx().has(goBandMoving) && band->fixed() == bfNone &&
         !band->disableDragging();
}

void CustomTreeListControl::startBandDrag(TreeListBand* band) {
  if (!band) return;
  invalidatePressed();
  mouseState_ = MouseState::BandDragging;
  pressedBand_ = nullptr;
  pressedDrawn_ = false;
  dragBand_ = band;
  host().setMouseCapture(true);
}

void CustomTreeListControl::endBandDrag(bool drop) {
  TreeListBand* band = dragBand_;
  mouseState_ = MouseState::Idle;
  dragBand_ = nullptr;
  host().setMouseCapture(false);
  if (!drop || !band) return;
  const TreeListHitInfo hit = getHitInfo(lastMouse_);
  TreeListBand* target =
      hit.hitType == htBand || hit.hitType == htBandEdge ? visibleBand(hit.bandIndex) : nullptr;
  if (target && target != band) band->setIndex(bands().indexOf(target));
}

bool CustomTreeListControl::canHeaderDrag(TreeListColumn* column) {
  if (!column || !options().has(goColumnMoving) || column->disableDragging()) return false;
  bool allow = true;
  if (onCanHeaderDragging) onCanHeaderDragging(*this, column, allow);
  return allow;
}

void CustomTreeListControl::startHeaderDrag(TreeListColumn* column) {
  if (!column) return;
  mouseState_ = MouseState::HeaderDragging;
  dragColumn_ = column;
  host().setMouseCapture(true);
  // The drag image is the header cell, held at its centre.
  Rect cell = headerCellRect(column);
  if (cell.isEmpty()) cell = Rect::fromSize(0, 0, column->width(), metrics().headerRowHeight);
  if (auto off = host().canvas().createOffscreen({cell.width(), cell.height()})) {
    off->setFont(headerFont_);
    drawHeaderCell(*off, {0, 0, cell.width(), cell.height()}, column->caption(),
                   column->headerAlignment(), column->sorted(), false, colors_.headerColor, false,
                   &column->headerGlyph());
    dragHotSpot_ = {cell.width() / 2, cell.height() / 2};
    const Point at = host().services().cursorPos();
    dragImage_ =
        host().showFloatingImage(off->toBitmap(), {at.x - dragHotSpot_.x, at.y - dragHotSpot_.y});
  }
  if (onStartHeaderDragging) onStartHeaderDragging(*this, column);
}

void CustomTreeListControl::dragOverHeader(Point p, TreeListColumn* column, bool& accept) {
  if (onDragOverHeader) onDragOverHeader(*this, column, p, accept);
}

HeaderPosInfo CustomTreeListControl::dropPosition(Point p) {
  const HeaderPosInfo outside{kDropOutside, kDropOutside, kDropOutside};
  if (pointOverCustomizingForm(p)) return outside;
  const Rect panel = headerPanelRect();
  if (panel.isEmpty() || p.y < panel.top || p.y >= panel.bottom) return outside;
  const std::vector<HeaderCell> cells = headerCells();
  const int row = std::max((p.y - panel.top) / std::max(metrics().headerRowHeight, 1), 0);
  // The cells of the header row under the pointer (the last row of a band
  // with fewer rows).
  const HeaderCell* target = nullptr;
  const HeaderCell* first = nullptr;
  const HeaderCell* last = nullptr;
  for (const HeaderCell& cell : cells) {
    if (p.y < cell.rect.top || p.y >= cell.rect.bottom) continue;
    if (!first || cell.rect.left < first->rect.left) first = &cell;
    if (!last || cell.rect.right > last->rect.right) last = &cell;
    if (p.x >= cell.rect.left && p.x < cell.rect.right) target = &cell;
  }
  (void)row;
  bool after = false;
  if (!target) {
    if (!first) return outside;
    // Beyond either end the drop snaps to that end.
    target = p.x < first->rect.left ? first : last;
    after = target == last && p.x >= last->rect.right;
  } else {
    after = p.x >= (target->rect.left + target->rect.right) / 2;
  }
  HeaderPosInfo pos{target->bandIndex, target->rowIndex, target->colIndex + (after ? 1 : 0)};
  // Positions are counted without the dragged column itself.
  const TreeListColumn* dragged = dragColumn_;
  if (dragged && dragged->visible()) {
    const int band = bandVisibleIndex(columnBand(dragged));
    if (band == pos.bandIndex && dragged->rowIndex() == pos.rowIndex) {
      const int own = dragged->colIndex();
      if (pos.colIndex == own || pos.colIndex == own + 1) {
        return {kDropNoChange, kDropNoChange, kDropNoChange};
      }
      if (pos.colIndex > own) --pos.colIndex;
    }
  }
  return pos;
}

Cursor CustomTreeListControl::dragCursor(Point p) {
  Cursor shape = crTLDelete;
  if (overGroupPanel(p)) {
    const bool allowed = dragColumn_ && (isGroupColumn(dragColumn_) || canGroupBy(dragColumn_));
    shape = allowed ? cursor() : crTLDelete;
  } else if (headerPanelRect().contains(p)) {
    shape = cursor();
  } else if (pointOverCustomizingForm(p)) {
    shape = dragColumn_ && dragColumn_->disableCustomizing() ? crTLDelete : cursor();
  }
  bool accept = true;
  dragOverHeader(p, dragColumn_, accept);
  return accept ? shape : crTLDelete;
}

void CustomTreeListControl::endHeaderDrag(bool drop) {
  TreeListColumn* column = dragColumn_;
  const Point p = lastMouse_;
  mouseState_ = MouseState::Idle;
  dragColumn_ = nullptr;
  dragImage_.reset();
  arrowDown_.reset();
  arrowUp_.reset();
  pressedColumn_ = nullptr;
  pressedDrawn_ = false;
  host().setMouseCapture(false);
  host().setCursor(cursor());
  invalidate();
  if (!drop || !column) return;
  dragColumn_ = column;  // dropPosition counts positions without it
  HeaderPosInfo pos = dropPosition(p);
  dragColumn_ = nullptr;
  if (endGroupPanelDrop(column, p, pos)) return;
  const bool real = pos.colIndex >= 0;
  bool accept = true;
  if (onDragEndHeader) onDragEndHeader(*this, column, p, pos, accept);
  if (accept && real && onColumnMoved && visibleBandCount() == 1 && column->visible()) {
    onColumnMoved(*this, column->colIndex(), pos.colIndex);
  }
  if (!accept) return;
  if (!column->visible()) {
    if (customizingFormOpen() && pos.colIndex >= 0) {
      showHeader(pos.bandIndex, pos.rowIndex, column, pos.colIndex);
    }
    return;
  }
  if (pos.colIndex >= 0) {
    moveHeader(column, pos.bandIndex, pos.rowIndex, pos.colIndex);
    scrollColumnIntoView(column);
    return;
  }
  if (pos.colIndex == kDropOutside && (customizingFormOpen() || options().has(goExtCustomizing)) &&
      !column->disableCustomizing() && visibleColumnCount() > 1) {
    hideHeader(column);
  }
}

void CustomTreeListControl::placeColumn(TreeListColumn* column, int band, int row, int col) {
  const TreeListBand* target = visibleBand(band);
  if (!target) return;
  UpdateLock lock(*this);
  column->setBandIndex(bands().indexOf(target));
  column->setRowIndex(row);
  column->setColIndex(col);
}

void CustomTreeListControl::moveHeader(TreeListColumn* column, int band, int row, int col) {
  if (!column) return;
  placeColumn(column, band, row, col);
  if (onHeaderMoved) onHeaderMoved(*this, column);
}

void CustomTreeListControl::hideHeader(TreeListColumn* column) {
  if (!column) return;
  column->setVisible(false);
  if (onHideHeader) onHideHeader(*this, column);
}

void CustomTreeListControl::showHeader(int band, int row, TreeListColumn* column, int col) {
  if (!column) return;
  {
    UpdateLock lock(*this);
    column->setVisible(true);
    placeColumn(column, band, row, col);
  }
  if (onShowHeader) onShowHeader(*this, column, band, row, col);
}

// --- The state machine ---------------------------------------------------------------------

void CustomTreeListControl::cancelMouseState() {
  if (mouseState_ == MouseState::HeaderDragging) {
    endHeaderDrag(false);
    return;
  }
  if (mouseState_ == MouseState::BandDragging) {
    endBandDrag(false);
    return;
  }
  invalidateSizingLine();
  invalidatePressed();
  mouseState_ = MouseState::Idle;
  pressedColumn_ = nullptr;
  pressedBand_ = nullptr;
  pressedDrawn_ = false;
  sizingColumn_ = nullptr;
  sizingBand_ = nullptr;
  host().setMouseCapture(false);
}

void CustomTreeListControl::hideEditing() {
  // Taking the update lock ends any press, sizing or drag.
  if (mouseState_ != MouseState::Idle) cancelMouseState();
}

Rect CustomTreeListControl::sizingLineRect() const {
  // Columns and bands are sized along a vertical line (2 pixels for bands)
  // from their panel down through the rows; panels and rows along a
  // horizontal one across the grid.
  const int bottom = rowsAreaRect().bottom;
  switch (mouseState_) {
    case MouseState::ColumnSizing:
      return {sizingLine_, headerPanelRect().top, sizingLine_ + 1, bottom};
    case MouseState::BandSizing:
      return {sizingLine_, bandPanelRect().top, sizingLine_ + 2, bottom};
    case MouseState::BandPanelSizing:
    case MouseState::HeaderPanelSizing:
    case MouseState::RowSizing:
      return {0, sizingLine_, host().clientSize().width, sizingLine_ + 1};
    default:
      return {};
  }
}

void CustomTreeListControl::invalidateSizingLine() {
  if (const Rect line = sizingLineRect(); !line.isEmpty()) invalidateRect(line);
}

// The cell a press state draws sunken while the pointer is over it.
Rect CustomTreeListControl::pressedRect() const {
  switch (mouseState_) {
    case MouseState::HeaderPressed:
      return headerCellRect(pressedColumn_);
    case MouseState::BandPressed:
      return bandHeaderRect(bandVisibleIndex(pressedBand_));
    case MouseState::HeaderCornerPressed:
      return headerCornerRect();
    case MouseState::BandCornerPressed:
      return bandCornerRect();
    default:
      return {};
  }
}

void CustomTreeListControl::invalidatePressed() {
  if (const Rect cell = pressedRect(); !cell.isEmpty()) invalidateRect(cell);
}

std::pair<int, int> CustomTreeListControl::sizingLimits() const {
  const int clientRight = host().clientSize().width - 1;
  const int clientBottom = host().clientSize().height - 1;
  const auto limits = [](int low, int high) { return std::pair{low, std::max(low, high)}; };
  switch (mouseState_) {
    case MouseState::BandSizing: {
      int low = sizingOrigin_ + bandMinWidth(sizingBand_);
      if (bandVisibleIndex(sizingBand_) == 0) low += groupIndentWidth();
      return limits(low, optionsEx().has(goFullSizing) ? 100000 : clientRight);
    }
    // A panel keeps one row, a row its natural height.
    case MouseState::BandPanelSizing:
      return limits(sizingOrigin_ + bandLineHeight() + headerChrome() - 1, clientBottom);
    case MouseState::HeaderPanelSizing:
      return limits(sizingOrigin_ + metrics().headerRowHeight - 1, clientBottom);
    case MouseState::RowSizing:
      return limits(sizingOrigin_ + metrics().naturalRowHeight - 1, clientBottom);
    default:
      break;
  }
  const Rect cell = headerCellRect(sizingColumn_);
  int low = cell.left + sizingColumn_->minWidth();
  if (isFirstColumn(sizingColumn_)) low += groupIndentWidth();
  int high = clientRight;
  if (optionsEx().has(goFullSizing)) {
    high = 100000;
  } else if (!optionsEx().has(goBandHeaderWidth) && !defaultLayout()) {
    const Rect band = cell;  // the band's right edge: its last header's right
    int right = band.right;
    for (const HeaderCell& c : headerCells()) {
      if (c.bandIndex == bandVisibleIndex(columnBand(sizingColumn_)))
        right = std::max(right, c.rect.right);
    }
    high = right;
  }
  return limits(low, high);
}

int CustomTreeListControl::bandLineHeight() const {
  return std::max((metrics().bandRowHeight - headerChrome()) / bandRowCount(), 1);
}

void CustomTreeListControl::startSizing(MouseState state, Point p) {
  mouseState_ = state;
  host().setMouseCapture(true);
  const auto [low, high] = sizingLimits();
  const bool horizontalLine = state != MouseState::ColumnSizing && state != MouseState::BandSizing;
  sizingStart_ = sizingLine_ = std::clamp(horizontalLine ? p.y : p.x, low, high);
  invalidateSizingLine();
}

void CustomTreeListControl::moveSizingLine(Point p) {
  const auto [low, high] = sizingLimits();
  const bool horizontalLine =
      mouseState_ != MouseState::ColumnSizing && mouseState_ != MouseState::BandSizing;
  const int line = std::clamp(horizontalLine ? p.y : p.x, low, high);
  if (line == sizingLine_) return;
  invalidateSizingLine();
  sizingLine_ = line;
  invalidateSizingLine();
}

void CustomTreeListControl::mouseDown(MouseButton button, ShiftState shift, Point p) {
  lastMouse_ = p;
  host().setFocus();
  if (!host().hasFocus()) {
    host().setMouseCapture(false);
    return;
  }
  if (dragScrolling_) {
    // Any other button ends drag scrolling.
    if (button != mbMiddle) endDragScroll();
    return;
  }
  const TreeListHitInfo hit = getHitInfo(p);
  pressHit_ = hit;
  if (button == mbRight && mouseState_ != MouseState::Idle) cancelMouseState();
  const bool isDouble = (shift & ssDouble) != 0;
  TreeListColumn* column = columns(hit.columnIndex);
  if (mouseState_ == MouseState::Idle && hit.hitType == htGroupPanel &&
      groupPanelMouseDown(button, shift, p)) {
    if (onMouseDown) onMouseDown(*this, button, shift, p);
    return;
  }

  if (button == mbLeft && mouseState_ == MouseState::Idle) {
    const auto press = [&](MouseState state) {
      mouseState_ = state;
      pressedDrawn_ = true;
      pressPoint_ = p;
      host().setMouseCapture(true);
      invalidatePressed();
      if (onMouseDown) onMouseDown(*this, button, shift, p);
    };
    const auto size = [&](MouseState state, int origin) {
      sizingOrigin_ = origin;
      startSizing(state, p);
      if (onMouseDown) onMouseDown(*this, button, shift, p);
    };
    // A double click on an edge fits; a single press starts sizing.
    const auto fitted = [&](const std::function<void()>& fit) {
      if (!isDouble) return false;
      fit();
      if (onMouseDown) onMouseDown(*this, button, shift, p);
      return true;
    };
    TreeListBand* band = visibleBand(hit.bandIndex);
    switch (hit.hitType) {
      case htColumnEdge:
        if (fitted([&] { columnBestFit(column); })) return;
        sizingColumn_ = column;
        size(MouseState::ColumnSizing, headerCellRect(column).left);
        return;
      case htBandEdge:
        if (fitted([&] { bandBestFit(band); })) return;
        sizingBand_ = band;
        size(MouseState::BandSizing, bandHeaderRect(hit.bandIndex).left);
        return;
      case htBandPanelEdge:
        size(MouseState::BandPanelSizing, bandPanelRect().top);
        return;
      case htHeaderPanelEdge:
        size(MouseState::HeaderPanelSizing, headerPanelRect().top);
        return;
      case htRowEdge:
        size(MouseState::RowSizing, rowRect(hit.node).top);
        return;
      case htHeader:
        pressedColumn_ = column;
        press(MouseState::HeaderPressed);
        return;
      case htBand:
        pressedBand_ = band;
        press(MouseState::BandPressed);
        return;
      case htHeaderCorner:
        if (optionsEx().has(goHeaderButtonClicking)) {
          press(MouseState::HeaderCornerPressed);
          return;
        }
        break;
      case htBandCorner:
        if (optionsEx().has(goBandButtonClicking)) {
          press(MouseState::BandCornerPressed);
          return;
        }
        break;
      default:
        break;
    }
  }

  if (mouseState_ == MouseState::Idle &&
      (button == mbLeft || (button == mbRight && inRowSet(hit.hitType)))) {
    TreeListNode* node = hit.node;
    if (hit.hitType == htButton && node) {
      node->setExpanded(!node->expanded());
      if (isDouble) dblClick();
      if (onMouseDown) onMouseDown(*this, button, shift, p);
      return;
    }
    if (isDouble && inRowSet(hit.hitType) && node) {
      if (node->hasChildren()) node->setExpanded(!node->expanded());
      dblClick();
      if (onMouseDown) onMouseDown(*this, button, shift, p);
      return;
    }
    if (node && (inRowSet(hit.hitType) || hit.hitType == htIndicator || hit.hitType == htIndent ||
                 hit.hitType == htRowRight)) {
      pressPoint_ = p;
      beginSelectionBatch();
      try {
        setFocusedNode(node, column ? column->index() : focusedColumn(), true);
      } catch (...) {
        endSelectionBatch();
        throw;
      }
      endSelectionBatch();
      if (button == mbLeft && hit.hitType != htIndicator) {
        mouseState_ = MouseState::RowPressed;
        host().setMouseCapture(true);
      }
    }
  }
  if (button == mbLeft && isDouble &&
      (hit.hitType == htNowhere || (hit.hitType >= htButton && hit.hitType <= htRowRight))) {
    dblClick();
  }
  if (button == mbMiddle && mouseState_ == MouseState::Idle && optionsEx().has(goDragScroll)) {
    startDragScroll(p);
  }
  if (onMouseDown) onMouseDown(*this, button, shift, p);
}

void CustomTreeListControl::dblClick() {
  if (options().has(goDblClick) && onDblClick) onDblClick(*this);
}

void CustomTreeListControl::mouseMove(ShiftState shift, Point p) {
  lastMouse_ = p;
  if (dragScrolling_) {
    dragScrollMove(p);
    return;
  }
  if (mouseState_ == MouseState::Idle && groupPanelMouseMove(p)) {
    if (onMouseMove) onMouseMove(*this, shift, p);
    return;
  }
  switch (mouseState_) {
    case MouseState::ColumnSizing:
    case MouseState::BandSizing:
    case MouseState::BandPanelSizing:
    case MouseState::HeaderPanelSizing:
    case MouseState::RowSizing:
      moveSizingLine(p);
      break;
    case MouseState::HeaderPressed:
    case MouseState::BandPressed:
    case MouseState::HeaderCornerPressed:
    case MouseState::BandCornerPressed: {
      const bool beyond = beyondDragThreshold(pressPoint_, p);
      if (beyond && mouseState_ == MouseState::HeaderPressed && canHeaderDrag(pressedColumn_)) {
        TreeListColumn* column = pressedColumn_;
        startHeaderDrag(column);
        dragMove(p);
        break;
      }
      if (beyond && mouseState_ == MouseState::BandPressed && canBandDrag(pressedBand_)) {
        startBandDrag(pressedBand_);
        break;
      }
      // Otherwise the cell is drawn pressed only while the pointer is over it.
      const bool over = pressedRect().contains(p);
      if (over != pressedDrawn_) {
        pressedDrawn_ = over;
        invalidatePressed();
      }
      break;
    }
    case MouseState::HeaderDragging:
      dragMove(p);
      break;
    default:
      break;
  }
  if (onMouseMove) onMouseMove(*this, shift, p);
}

void CustomTreeListControl::dragMove(Point p) {
  const Point screen = host().clientToScreen(p);
  if (dragImage_) dragImage_->moveTo({screen.x - dragHotSpot_.x, screen.y - dragHotSpot_.y});
  // The arrows mark the edge where the column would go.
  const HeaderPosInfo pos = dropPosition(p);
  dropArrowX_ = -1;
  if (overGroupPanel(p)) {
    // Over the group panel the arrows mark the button the column would take.
    const int h = metrics().headerRowHeight;
    const Rect button = groupButtonRect(groupInsertPosition(p.x, h), h);
    dropArrowX_ = button.left;
    showDropArrows(host().clientToScreen({button.left - 5, button.top - 9}),
                   host().clientToScreen({button.left - 5, button.bottom}));
  } else if (pos.colIndex >= 0) {
    const Rect panel = headerPanelRect();
    int x = panel.left;
    int count = 0;
    for (const HeaderCell& cell : headerCells()) {
      if (cell.bandIndex != pos.bandIndex || cell.rowIndex != pos.rowIndex) continue;
      if (cell.column == dragColumn_) continue;
      if (count == pos.colIndex) {
        x = cell.rect.left;
        count = -1000000;
        break;
      }
      x = cell.rect.right;
      ++count;
    }
    dropArrowX_ = std::clamp(x, panel.left, panel.right);
    showDropArrows(host().clientToScreen({dropArrowX_ - 5, panel.top - 9}),
                   host().clientToScreen({dropArrowX_ - 5, panel.bottom}));
  } else {
    arrowDown_.reset();
    arrowUp_.reset();
  }
  dragCursor_ = dragCursor(p);
  host().setCursor(dragCursor_);
}

void CustomTreeListControl::showDropArrows(Point top, Point bottom) {
  if (!arrowDown_) {
    const std::uint32_t fill = host().services().resolveColor(colors_.arrowsColor);
    arrowDown_ = host().showFloatingImage(dropArrow(fill, true), top);
    arrowUp_ = host().showFloatingImage(dropArrow(fill, false), bottom);
  } else {
    arrowDown_->moveTo(top);
    arrowUp_->moveTo(bottom);
  }
}

void CustomTreeListControl::mouseUp(MouseButton button, ShiftState shift, Point p) {
  lastMouse_ = p;
  if (dragScrolling_) {
    // A click without leaving the mark keeps scrolling on until the next.
    if (button == mbMiddle && dragScrollLeftMark_) endDragScroll();
    return;
  }
  beginSelectionBatch();
  try {
    releaseMouse(button, shift, p);
  } catch (...) {
    endSelectionBatch();
    throw;
  }
  endSelectionBatch();
  if (onMouseUp) onMouseUp(*this, button, shift, p);
}

void CustomTreeListControl::releaseMouse(MouseButton button, ShiftState shift, Point p) {
  const MouseState state = mouseState_;
  if (state == MouseState::Idle && groupPanelMouseUp(button)) return;
  if (state == MouseState::HeaderDragging) {
    endHeaderDrag(button == mbLeft);
    return;
  }
  if (state == MouseState::BandDragging) {
    endBandDrag(button == mbLeft);
    return;
  }
  TreeListColumn* pressed = pressedColumn_;
  TreeListBand* pressedBand = pressedBand_;
  TreeListColumn* sizing = sizingColumn_;
  TreeListBand* sizingBand = sizingBand_;
  const int line = sizingLine_;
  const bool moved = line != sizingStart_;
  const bool over = pressedRect().contains(p);
  cancelMouseState();
  switch (state) {
    case MouseState::ColumnSizing:
      if (sizing && moved) applySizing(sizing, line);
      break;
    case MouseState::BandSizing:
      if (sizingBand && moved) applyBandSizing(sizingBand, line);
      break;
    case MouseState::BandPanelSizing:
    case MouseState::HeaderPanelSizing:
    case MouseState::RowSizing:
      if (moved) applyPanelOrRowSizing(state, line);
      break;
    case MouseState::HeaderPressed:
      if (pressed && over) {
        setAddSortKey((shift & ssShift) != 0);
        try {
          columnHeaderClick(pressed);
        } catch (...) {
          setAddSortKey(false);
          throw;
        }
      }
      setAddSortKey(false);
      break;
    case MouseState::BandPressed:
      if (pressedBand && over) bandClick(pressedBand);
      break;
    case MouseState::HeaderCornerPressed:
      if (over && onHeaderButtonClick) onHeaderButtonClick(*this);
      break;
    case MouseState::BandCornerPressed:
      if (over) bandCornerClick();
      break;
    case MouseState::RowPressed:
      if (onClick) onClick(*this);
      break;
    default:
      break;
  }
}

void CustomTreeListControl::applySizing(TreeListColumn* column, int line) {
  const Rect cell = headerCellRect(column);
  int width = line - cell.left + 1;
  if (isFirstColumn(column)) width -= groupIndentWidth();
  TreeListBand* band = columnBand(column);
  if (!band) return;
  const int oldBandWidth = bandDrawnWidth(band);
  {
    UpdateLock lock(*this);
    // The other shown columns keep the widths they are drawn with, so only
    // the sized column changes on the screen.
    std::vector<std::pair<TreeListColumn*, int>> drawn;
    for (int i = 0; i < columnCount(); ++i) {
      TreeListColumn* c = columns(i);
      if (c == column || columnBand(c) != band || !c->visible()) continue;
      drawn.emplace_back(c, columnDrawnWidth(c) - (isFirstColumn(c) ? groupIndentWidth() : 0));
    }
    column->setWidth(width);
    for (auto& [c, w] : drawn) {
      if (c->sizing()) c->setWidth(w);
    }
    int newBandWidth = 0;
    for (int r = 0; r < bandHeaderRowCount(band); ++r) {
      int sum = 0;
      for (int p = 0; p < rowColumnCount(band, r); ++p) sum += columnAt(band, r, p)->width();
      newBandWidth = std::max(newBandWidth, sum);
    }
    // Hidden columns keep their share of the band.
    for (int i = 0; i < columnCount(); ++i) {
      TreeListColumn* c = columns(i);
      if (c->visible() || columnBand(c) != band || !c->sizing() || oldBandWidth <= 0) continue;
      c->setWidth(mulDiv(c->width(), newBandWidth, oldBandWidth));
    }
  }
  if (onChangedColumnsWidth) onChangedColumnsWidth(*this);
}

void CustomTreeListControl::applyBandSizing(TreeListBand* band, int line) {
  int width = line - sizingOrigin_ + 1;
  if (bandVisibleIndex(band) == 0) width -= groupIndentWidth();
  const int oldWidth = bandDrawnWidth(band);
  {
    UpdateLock lock(*this);
    if ((optionsEx().has(goBandHeaderWidth) || defaultLayout()) && oldWidth > 0) {
      // A band that follows its columns' widths sizes them instead: they
      // share the new width in proportion to their widths.
      for (int i = 0; i < columnCount(); ++i) {
        TreeListColumn* c = columns(i);
        if (columnBand(c) == band && c->sizing()) c->setWidth(mulDiv(c->width(), width, oldWidth));
      }
    }
    band->setWidth(width);
  }
  if (onChangedColumnsWidth) onChangedColumnsWidth(*this);
}

void CustomTreeListControl::applyPanelOrRowSizing(MouseState state, int line) {
  const int height = line - sizingOrigin_ + 1;
  // A panel takes the number of rows nearest to its new height.
  const auto rowsFor = [height](int chrome, int unit) {
    return std::max((height - chrome + unit / 2) / std::max(unit, 1), 1);
  };
  switch (state) {
    case MouseState::BandPanelSizing:
      setBandRowCount(rowsFor(headerChrome(), bandLineHeight()));
      break;
    case MouseState::HeaderPanelSizing:
      setHeaderPanelRowCount(rowsFor(0, metrics().headerRowHeight));
      break;
    case MouseState::RowSizing:
      setDefaultRowHeight(height);
      break;
    default:
      break;
  }
}

void CustomTreeListControl::captureLost() {
  endDragScroll();
  if (mouseState_ != MouseState::Idle) cancelMouseState();
}

Cursor CustomTreeListControl::cursorAt(Point p) const {
  if (dragScrolling_) return dragScrollCursor();
  switch (mouseState_) {
    case MouseState::HeaderDragging:
      return dragCursor_;
    case MouseState::ColumnSizing:
    case MouseState::BandSizing:
      return crHSplit;
    case MouseState::BandPanelSizing:
    case MouseState::HeaderPanelSizing:
    case MouseState::RowSizing:
      return crVSplit;
    case MouseState::Idle:
      switch (getHitInfo(p).hitType) {
        case htColumnEdge:
        case htBandEdge:
          return crHSplit;
        case htBandPanelEdge:
        case htHeaderPanelEdge:
        case htRowEdge:
          return crVSplit;
        default:
          return cursor();
      }
    default:
      return cursor();
  }
}

}  // namespace morvel
