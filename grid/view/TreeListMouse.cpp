// The grid's mouse handling: the state machine of MouseStates.h. A press
// picks the state from the hit test and every release, Escape or lost
// capture returns to Idle; this file holds the presses, moves and releases,
// the clicks on rows and cells, and drag scrolling. Sizing lines are in
// TreeListSizing.cpp, header and band drags in TreeListHeaderDrag.cpp.
#include <utility>

#include "base/ScopeGuard.h"
#include "grid/view/CustomTreeListControl.h"

namespace morvel {

// --- What the state holds ----------------------------------------------------------------

TreeListColumn* CustomTreeListControl::pressedColumn() const {
  if (const auto* press = std::get_if<mouse::HeaderPress>(&mouse_)) return press->column;
  if (const auto* drag = std::get_if<mouse::HeaderDrag>(&mouse_); drag && drag->fromPress) {
    return drag->column;
  }
  return nullptr;
}

TreeListBand* CustomTreeListControl::pressedBand() const {
  const auto* press = std::get_if<mouse::BandPress>(&mouse_);
  return press ? press->band : nullptr;
}

TreeListColumn* CustomTreeListControl::dragColumn() const {
  const auto* drag = std::get_if<mouse::HeaderDrag>(&mouse_);
  return drag ? drag->column : nullptr;
}

TreeListBand* CustomTreeListControl::dragBand() const {
  const auto* drag = std::get_if<mouse::BandDrag>(&mouse_);
  return drag ? drag->band : nullptr;
}

bool CustomTreeListControl::pressedDrawn() const {
  if (const mouse::CellPress* press = cellPressOf(mouse_)) return press->drawn;
  const auto* drag = std::get_if<mouse::HeaderDrag>(&mouse_);
  return drag && drag->pressDrawn;
}

int CustomTreeListControl::sizingLine() const {
  const auto* sizing = std::get_if<mouse::Sizing>(&mouse_);
  return sizing ? sizing->line : -1;
}

int CustomTreeListControl::dropArrowX() const {
  const auto* drag = std::get_if<mouse::HeaderDrag>(&mouse_);
  return drag ? drag->dropArrowX : -1;
}

bool CustomTreeListControl::mouseStateHolds(const TreeListColumn* column) const {
  if (!column) return false;
  const auto* sizing = std::get_if<mouse::Sizing>(&mouse_);
  return pressedColumn() == column || dragColumn() == column ||
         (sizing && sizing->column == column);
}

bool CustomTreeListControl::mouseStateHolds(const TreeListBand* band) const {
  if (!band) return false;
  const auto* sizing = std::get_if<mouse::Sizing>(&mouse_);
  return pressedBand() == band || dragBand() == band || (sizing && sizing->band == band);
}

// The cell a press state draws sunken while the pointer is over it.
Rect CustomTreeListControl::pressedRect() const {
  if (const auto* header = std::get_if<mouse::HeaderPress>(&mouse_)) {
    return headerCellRect(header->column);
  }
  if (const auto* band = std::get_if<mouse::BandPress>(&mouse_)) {
    return bandHeaderRect(bandVisibleIndex(band->band));
  }
  if (std::holds_alternative<mouse::HeaderCornerPress>(mouse_)) return headerCornerRect();
  if (std::holds_alternative<mouse::BandCornerPress>(mouse_)) return bandCornerRect();
  return {};
}

void CustomTreeListControl::invalidatePressed() {
  if (const Rect cell = pressedRect(); !cell.isEmpty()) invalidateRect(cell);
}

// --- Leaving a state ---------------------------------------------------------------------

MouseStateData CustomTreeListControl::leaveMouseState() {
  invalidateSizingLine();
  invalidatePressed();
  MouseStateData left = std::exchange(mouse_, mouse::Idle{});
  host().setMouseCapture(false);
  return left;
}

void CustomTreeListControl::cancelMouseState() {
  if (std::holds_alternative<mouse::HeaderDrag>(mouse_)) {
    endHeaderDrag(false);
  } else if (std::holds_alternative<mouse::BandDrag>(mouse_)) {
    endBandDrag(false);
  } else if (dragScrolling()) {
    endDragScroll();
  } else {
    leaveMouseState();
  }
}

void CustomTreeListControl::hideEditing() {
  // Taking the update lock ends any press, sizing or drag. Drag scrolling
  // goes on: its own ticks scroll the view under the lock.
  if (!mouseIdle() && !dragScrolling()) cancelMouseState();
}

void CustomTreeListControl::captureLost() {
  if (!mouseIdle()) cancelMouseState();
}

// --- Presses ---------------------------------------------------------------------------

void CustomTreeListControl::mouseDown(MouseButton button, ShiftState shift, Point p) {
  lastMouse_ = p;
  host().setFocus();
  if (!host().hasFocus()) {
    host().setMouseCapture(false);
    return;
  }
  if (dragScrolling()) {
    // Any other button ends drag scrolling.
    if (button != mbMiddle) endDragScroll();
    return;
  }
  pressAt(button, shift, p);
  if (onMouseDown) onMouseDown(*this, button, shift, p);
}

// Starts the state the press picks, or acts at once: fitting a column,
// expanding a row, a double click.
void CustomTreeListControl::pressAt(MouseButton button, ShiftState shift, Point p) {
  const TreeListHitInfo hit = getHitInfo(p);
  if (button == mbRight && !mouseIdle()) cancelMouseState();
  const bool isDouble = (shift & ssDouble) != 0;
  if (mouseIdle()) {
    if (hit.hitType == htGroupPanel && groupPanelMouseDown(button, shift, p)) return;
    if (button == mbLeft && pressHeaderArea(shift, p, hit)) return;
    const bool rowButton = button == mbLeft || (button == mbRight && inRowSet(hit.hitType));
    if (rowButton && pressRow(button, shift, hit)) return;
  }
  if (button == mbLeft && isDouble &&
      (hit.hitType == htNowhere || (hit.hitType >= htButton && hit.hitType <= htRowRight))) {
    dblClick();
  }
  if (button == mbMiddle && mouseIdle() && optionsEx().has(goDragScroll)) startDragScroll(p);
}

// A left press on the bands, the headers, their corners or an edge; false
// when the press is not theirs.
bool CustomTreeListControl::pressHeaderArea(ShiftState shift, Point p, const TreeListHitInfo& hit) {
  using mouse::SizingKind;
  // A double click on an edge fits; a single press starts sizing.
  const bool isDouble = (shift & ssDouble) != 0;
  TreeListColumn* column = columns(hit.columnIndex);
  TreeListBand* band = visibleBand(hit.bandIndex);
  switch (hit.hitType) {
    case htColumnEdge:
      if (isDouble) {
        columnBestFit(column);
      } else {
        startSizing(
            {.kind = SizingKind::Column, .column = column, .origin = headerCellRect(column).left},
            p);
      }
      return true;
    case htBandEdge:
      if (isDouble) {
        bandBestFit(band);
      } else {
        startSizing(
            {.kind = SizingKind::Band, .band = band, .origin = bandHeaderRect(hit.bandIndex).left},
            p);
      }
      return true;
    case htBandPanelEdge:
      startSizing({.kind = SizingKind::BandPanel, .origin = bandPanelRect().top}, p);
      return true;
    case htHeaderPanelEdge:
      startSizing({.kind = SizingKind::HeaderPanel, .origin = headerPanelRect().top}, p);
      return true;
    case htRowEdge:
      startSizing({.kind = SizingKind::Row, .origin = rowRect(hit.node).top}, p);
      return true;
    case htHeader:
      startCellPress(mouse::HeaderPress{{p}, column});
      return true;
    case htBand:
      startCellPress(mouse::BandPress{{p}, band});
      return true;
    case htHeaderCorner:
      if (!optionsEx().has(goHeaderButtonClicking)) return false;
      startCellPress(mouse::HeaderCornerPress{{p}});
      return true;
    case htBandCorner:
      if (!optionsEx().has(goBandButtonClicking)) return false;
      startCellPress(mouse::BandCornerPress{{p}});
      return true;
    default:
      return false;
  }
}

void CustomTreeListControl::startCellPress(MouseStateData press) {
  mouse_ = std::move(press);
  host().setMouseCapture(true);
  invalidatePressed();
}

// A press on a row: its expand button, a double click, or focusing it. True
// when the press is done with; a focusing press goes on to the double-click
// check.
bool CustomTreeListControl::pressRow(MouseButton button, ShiftState shift,
                                     const TreeListHitInfo& hit) {
  const bool isDouble = (shift & ssDouble) != 0;
  TreeListNode* node = hit.node;
  if (!node) return false;
  if (hit.hitType == htButton) {
    node->setExpanded(!node->expanded());
    if (isDouble) dblClick();
    return true;
  }
  if (isDouble && inRowSet(hit.hitType)) {
    if (node->hasChildren()) node->setExpanded(!node->expanded());
    dblClick();
    return true;
  }
  if (!inRowSet(hit.hitType) && hit.hitType != htIndicator && hit.hitType != htIndent &&
      hit.hitType != htRowRight) {
    return false;
  }
  {
    beginSelectionBatch();
    Finally endBatch([this] { endSelectionBatch(); });
    const TreeListColumn* column = columns(hit.columnIndex);
    setFocusedNode(node, column ? column->index() : focusedColumn(), true);
  }
  if (button == mbLeft && hit.hitType != htIndicator) {
    mouse_ = mouse::RowPress{};
    host().setMouseCapture(true);
  }
  return false;
}

void CustomTreeListControl::dblClick() {
  if (options().has(goDblClick) && onDblClick) onDblClick(*this);
}

// --- Moves -------------------------------------------------------------------------------

void CustomTreeListControl::mouseMove(ShiftState shift, Point p) {
  lastMouse_ = p;
  if (auto* scroll = std::get_if<mouse::DragScroll>(&mouse_)) {
    scroll->scroller->moveTo(p);
    host().setCursor(scroll->scroller->cursor());
    return;
  }
  if (mouseIdle() && groupPanelMouseMove(p)) {
    if (onMouseMove) onMouseMove(*this, shift, p);
    return;
  }
  if (auto* sizing = std::get_if<mouse::Sizing>(&mouse_)) {
    moveSizingLine(*sizing, p);
  } else if (std::holds_alternative<mouse::HeaderDrag>(mouse_)) {
    dragMove(p);
  } else if (cellPressOf(mouse_)) {
    movePress(p);
  }
  if (onMouseMove) onMouseMove(*this, shift, p);
}

// A held header or band moved beyond the drag threshold starts its drag;
// otherwise the cell is drawn pressed only while the pointer is over it.
void CustomTreeListControl::movePress(Point p) {
  if (beyondDragThreshold(cellPressOf(mouse_)->at, p)) {
    if (const auto* header = std::get_if<mouse::HeaderPress>(&mouse_)) {
      if (TreeListColumn* column = header->column; canHeaderDrag(column)) {
        startHeaderDrag(column);
        dragMove(p);
        return;
      }
    } else if (const auto* band = std::get_if<mouse::BandPress>(&mouse_)) {
      if (TreeListBand* pressed = band->band; canBandDrag(pressed)) {
        startBandDrag(pressed);
        return;
      }
    }
  }
  // The handlers asked above may have ended the press.
  mouse::CellPress* press = cellPressOf(mouse_);
  if (!press) return;
  const bool over = pressedRect().contains(p);
  if (over == press->drawn) return;
  press->drawn = over;
  invalidatePressed();
}

// --- Releases ----------------------------------------------------------------------------

void CustomTreeListControl::mouseUp(MouseButton button, ShiftState shift, Point p) {
  lastMouse_ = p;
  if (const auto* scroll = std::get_if<mouse::DragScroll>(&mouse_)) {
    // A click without leaving the mark keeps scrolling on until the next.
    if (button == mbMiddle && scroll->scroller->leftMark()) endDragScroll();
    return;
  }
  {
    beginSelectionBatch();
    Finally endBatch([this] { endSelectionBatch(); });
    releaseMouse(button, shift, p);
  }
  if (onMouseUp) onMouseUp(*this, button, shift, p);
}

void CustomTreeListControl::releaseMouse(MouseButton button, ShiftState shift, Point p) {
  if (mouseIdle() && groupPanelMouseUp(button)) return;
  if (std::holds_alternative<mouse::HeaderDrag>(mouse_)) {
    endHeaderDrag(button == mbLeft);
    return;
  }
  if (std::holds_alternative<mouse::BandDrag>(mouse_)) {
    endBandDrag(button == mbLeft);
    return;
  }
  // A cell's click needs the pointer over it at the release.
  const bool over = pressedRect().contains(p);
  MouseStateData released = leaveMouseState();
  if (const auto* sizing = std::get_if<mouse::Sizing>(&released)) {
    applySizing(*sizing);
  } else if (std::holds_alternative<mouse::RowPress>(released)) {
    if (onClick) onClick(*this);
  } else {
    clickPressed(released, shift, over);
  }
}

// The click of a header, band or corner cell released over itself. A
// header click with Shift adds its column to the sort keys; the flag is
// down again after every header release.
void CustomTreeListControl::clickPressed(const MouseStateData& released, ShiftState shift,
                                         bool over) {
  if (const auto* header = std::get_if<mouse::HeaderPress>(&released)) {
    Finally keyFlagDown([this] { setAddSortKey(false); });
    if (!header->column || !over) return;
    setAddSortKey((shift & ssShift) != 0);
    columnHeaderClick(header->column);
    return;
  }
  if (!over) return;
  if (const auto* band = std::get_if<mouse::BandPress>(&released)) {
    if (band->band) bandClick(band->band);
  } else if (std::holds_alternative<mouse::HeaderCornerPress>(released)) {
    if (onHeaderButtonClick) onHeaderButtonClick(*this);
  } else if (std::holds_alternative<mouse::BandCornerPress>(released)) {
    bandCornerClick();
  }
}

// --- Drag scrolling ----------------------------------------------------------------------

bool CustomTreeListControl::startDragScroll(Point p) {
  const bool vertical = visibleCount() > visibleRowCount();
  const bool horizontal = visibleColumnCount() > 0 && scrollableWidth() > dataAreaWidth();
  if (!vertical && !horizontal) return false;
  auto scroller = std::make_unique<DragScroller>(
      host(), p, vertical, horizontal, [this](bool alongRows, int sign) {
        scrolled(alongRows ? sbVertical : sbHorizontal, sign < 0 ? scLineUp : scLineDown, 0);
      });
  const Cursor shape = scroller->cursor();
  mouse_ = mouse::DragScroll{std::move(scroller)};
  host().setMouseCapture(true);
  host().setCursor(shape);
  return true;
}

void CustomTreeListControl::endDragScroll() {
  if (!dragScrolling()) return;
  mouse_ = mouse::Idle{};
  host().setMouseCapture(false);
  host().setCursor(cursor());
}

// --- The cursor --------------------------------------------------------------------------

Cursor CustomTreeListControl::cursorAt(Point p) const {
  if (const auto* scroll = std::get_if<mouse::DragScroll>(&mouse_)) {
    return scroll->scroller->cursor();
  }
  if (const auto* drag = std::get_if<mouse::HeaderDrag>(&mouse_)) return drag->cursor;
  if (const auto* sizing = std::get_if<mouse::Sizing>(&mouse_)) {
    return sizing->vertical() ? crHSplit : crVSplit;
  }
  if (!mouseIdle()) return cursor();
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
}

}  // namespace morvel
