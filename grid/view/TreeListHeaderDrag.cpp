// Dragging headers and bands: the drag image, where a dragged header would
// land and the arrows that mark it, the cursor that says what a drop would
// do, and the drop itself: moving, hiding, showing or grouping a column,
// or moving a band.
#include <algorithm>
#include <utility>

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

// --- Bands -------------------------------------------------------------------------------

bool CustomTreeListControl::canBandDrag(TreeListBand* band) {
  return band && optionsEx().has(goBandMoving) && band->fixed() == bfNone &&
         !band->disableDragging();
}

void CustomTreeListControl::startBandDrag(TreeListBand* band) {
  if (!band) return;
  invalidatePressed();
  mouse_ = mouse::BandDrag{band};
  host().setMouseCapture(true);
}

void CustomTreeListControl::endBandDrag(bool drop) {
  TreeListBand* band = dragBand();
  leaveMouseState();
  if (!drop || !band) return;
  const TreeListHitInfo hit = getHitInfo(lastMouse_);
  TreeListBand* target =
      hit.hitType == htBand || hit.hitType == htBandEdge ? visibleBand(hit.bandIndex) : nullptr;
  if (target && target != band) band->setIndex(bands().indexOf(target));
}

// --- Starting a header drag --------------------------------------------------------------

bool CustomTreeListControl::canHeaderDrag(TreeListColumn* column) {
  if (!column || !options().has(goColumnMoving) || column->disableDragging()) return false;
  bool allow = true;
  if (onCanHeaderDragging) onCanHeaderDragging(*this, column, allow);
  return allow;
}

void CustomTreeListControl::startHeaderDrag(TreeListColumn* column) {
  if (!column) return;
  mouse::HeaderDrag start;
  start.column = column;
  if (const auto* press = std::get_if<mouse::HeaderPress>(&mouse_);
      press && press->column == column) {
    start.fromPress = true;
    start.pressDrawn = press->drawn;
  }
  mouse_ = std::move(start);
  mouse::HeaderDrag& drag = std::get<mouse::HeaderDrag>(mouse_);
  host().setMouseCapture(true);
  // The drag image is the header cell, held at its centre.
  Rect cell = headerCellRect(column);
  if (cell.isEmpty()) cell = Rect::fromSize(0, 0, column->width(), metrics().headerRowHeight);
  if (auto off = host().canvas().createOffscreen({cell.width(), cell.height()})) {
    off->setFont(headerFont_);
    drawHeaderCell(*off, {0, 0, cell.width(), cell.height()}, column->caption(),
                   column->headerAlignment(), column->sorted(), false, colors_.headerColor, false,
                   &column->headerGlyph());
    drag.hotSpot = {cell.width() / 2, cell.height() / 2};
    const Point at = host().services().cursorPos();
    drag.image =
        host().showFloatingImage(off->toBitmap(), {at.x - drag.hotSpot.x, at.y - drag.hotSpot.y});
  }
  if (onStartHeaderDragging) onStartHeaderDragging(*this, column);
}

// --- Following the pointer ---------------------------------------------------------------

void CustomTreeListControl::dragOverHeader(Point p, TreeListColumn* column, bool& accept) {
  if (onDragOverHeader) onDragOverHeader(*this, column, p, accept);
}

HeaderPosInfo CustomTreeListControl::dropPosition(Point p) {
  return dropPositionFor(p, dragColumn());
}

// Positions are counted without the dragged column itself.
HeaderPosInfo CustomTreeListControl::dropPositionFor(Point p, const TreeListColumn* dragged) {
  const HeaderPosInfo outside{kDropOutside, kDropOutside, kDropOutside};
  if (pointOverCustomizingForm(p)) return outside;
  const Rect panel = headerPanelRect();
  if (panel.isEmpty() || p.y < panel.top || p.y >= panel.bottom) return outside;
  // The cells of the header row under the pointer (the last row of a band
  // with fewer rows).
  const std::vector<HeaderCell> cells = headerCells();
  const HeaderCell* target = nullptr;
  const HeaderCell* first = nullptr;
  const HeaderCell* last = nullptr;
  for (const HeaderCell& cell : cells) {
    if (p.y < cell.rect.top || p.y >= cell.rect.bottom) continue;
    if (!first || cell.rect.left < first->rect.left) first = &cell;
    if (!last || cell.rect.right > last->rect.right) last = &cell;
    if (p.x >= cell.rect.left && p.x < cell.rect.right) target = &cell;
  }
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
  TreeListColumn* column = dragColumn();
  Cursor shape = crTLDelete;
  if (overGroupPanel(p)) {
    const bool allowed = column && (isGroupColumn(column) || canGroupBy(column));
    shape = allowed ? cursor() : crTLDelete;
  } else if (headerPanelRect().contains(p)) {
    shape = cursor();
  } else if (pointOverCustomizingForm(p)) {
    shape = column && column->disableCustomizing() ? crTLDelete : cursor();
  }
  bool accept = true;
  dragOverHeader(p, column, accept);
  return accept ? shape : crTLDelete;
}

void CustomTreeListControl::dragMove(Point p) {
  auto* drag = std::get_if<mouse::HeaderDrag>(&mouse_);
  if (!drag) return;
  const Point screen = host().clientToScreen(p);
  if (drag->image) drag->image->moveTo({screen.x - drag->hotSpot.x, screen.y - drag->hotSpot.y});
  const HeaderPosInfo pos = dropPosition(p);
  // The handlers called from here may end the drag.
  if (!(drag = std::get_if<mouse::HeaderDrag>(&mouse_))) return;
  // The arrows mark the edge where the column would go.
  drag->dropArrowX = -1;
  if (overGroupPanel(p)) {
    // Over the group panel the arrows mark the button the column would take.
    const int h = metrics().headerRowHeight;
    const Rect button = groupButtonRect(groupInsertPosition(p.x, h), h);
    drag->dropArrowX = button.left;
    showDropArrows(*drag, host().clientToScreen({button.left - 5, button.top - 9}),
                   host().clientToScreen({button.left - 5, button.bottom}));
  } else if (pos.colIndex >= 0) {
    const Rect panel = headerPanelRect();
    drag->dropArrowX = dropArrowFor(pos, drag->column);
    showDropArrows(*drag, host().clientToScreen({drag->dropArrowX - 5, panel.top - 9}),
                   host().clientToScreen({drag->dropArrowX - 5, panel.bottom}));
  } else {
    drag->arrowDown.reset();
    drag->arrowUp.reset();
  }
  const Cursor shape = dragCursor(p);
  if (!(drag = std::get_if<mouse::HeaderDrag>(&mouse_))) return;
  drag->cursor = shape;
  host().setCursor(shape);
}

// The x of the edge a drop at `pos` would put the column at: the left of
// the header it would push right, else the right of the last one.
int CustomTreeListControl::dropArrowFor(const HeaderPosInfo& pos,
                                        const TreeListColumn* dragged) const {
  const Rect panel = headerPanelRect();
  int x = panel.left;
  int count = 0;
  for (const HeaderCell& cell : headerCells()) {
    if (cell.bandIndex != pos.bandIndex || cell.rowIndex != pos.rowIndex) continue;
    if (cell.column == dragged) continue;
    if (count == pos.colIndex) {
      x = cell.rect.left;
      break;
    }
    x = cell.rect.right;
    ++count;
  }
  return std::clamp(x, panel.left, panel.right);
}

void CustomTreeListControl::showDropArrows(mouse::HeaderDrag& drag, Point top, Point bottom) {
  if (!drag.arrowDown) {
    const std::uint32_t fill = host().services().resolveColor(colors_.arrowsColor);
    drag.arrowDown = host().showFloatingImage(dropArrow(fill, true), top);
    drag.arrowUp = host().showFloatingImage(dropArrow(fill, false), bottom);
  } else {
    drag.arrowDown->moveTo(top);
    drag.arrowUp->moveTo(bottom);
  }
}

// --- The drop ----------------------------------------------------------------------------

void CustomTreeListControl::endHeaderDrag(bool drop) {
  TreeListColumn* column = dragColumn();
  const Point p = lastMouse_;
  // Drop positions leave out the dragged column: found while it is dragged.
  const HeaderPosInfo pos = drop && column ? dropPosition(p) : HeaderPosInfo{};
  leaveMouseState();
  host().setCursor(cursor());
  invalidate();
  if (drop && column) dropHeader(column, p, pos);
}

void CustomTreeListControl::dropHeader(TreeListColumn* column, Point p, HeaderPosInfo pos) {
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

}  // namespace morvel
