// The group panel's controller: its buttons, hint, presses, drags and drops
// (see TreeListGroupPanel.h); the slide is in TreeListPanelAnimation.cpp.
#include "grid/view/TreeListGroupPanel.h"

#include "grid/view/CustomTreeListControl.h"

namespace morvel {
namespace {

constexpr std::string_view kGroupPanelHint = " Drag a column header here to group by that column";

}  // namespace

Rect TreeListGroupPanel::buttonRect(int index, int headerRowHeight) {
  // Each button sits half a header row lower than the one before it.
  const int left = 8 + 104 * index;
  const int top = 8 + index * (headerRowHeight / 2);
  return {left, top, left + 100, top + headerRowHeight};
}

int TreeListGroupPanel::insertPosition(int x, int headerRowHeight, int count) {
  for (int i = 0; i < count; ++i) {
    const Rect r = buttonRect(i, headerRowHeight);
    if ((r.left + r.right) / 2 > x) return i;
  }
  return count;
}

int TreeListGroupPanel::buttonAt(Point p) const {
  const int h = grid_.metrics().headerRowHeight;
  const Rect panel = grid_.groupPanelRect();
  for (int i = 0; i < grid_.groupColumnCount(); ++i) {
    if (grid_.groupButtonRect(i, h).translated(panel.left, panel.top).contains(p)) return i;
  }
  return -1;
}

bool TreeListGroupPanel::accepts(Point p) const {
  return grid_.showGroupPanel() && grid_.groupPanelRect().contains(p) &&
         !grid_.pointOverCustomizingForm(p);
}

void TreeListGroupPanel::paint(Canvas& canvas, const Rect& panel, const Rect& dirty) {
  if (grid_.onBackgroundDrawEvent) {
    grid_.onBackgroundDrawEvent(grid_, canvas, panel);
  } else {
    canvas.fillRect(panel, grid_.groupPanelColor());
  }
  canvas.setFont(grid_.headerFont());
  const int count = grid_.groupColumnCount();
  if (count == 0) {
    TextFormat format;
    format.layout = tlCenter;
    format.flags = tfSingleLine | tfNoPrefix;
    canvas.drawFormattedText(panel, kGroupPanelHint, format, grid_.groupPanelFontColor());
    return;
  }
  const int h = grid_.metrics().headerRowHeight;
  const auto button = [&](int i) {
    return grid_.groupButtonRect(i, h).translated(panel.left, panel.top);
  };
  // Consecutive buttons are joined: down from the middle of one's bottom,
  // then right to the next one's left edge.
  for (int i = 0; i + 1 < count; ++i) {
    const Rect a = button(i);
    const Rect b = button(i + 1);
    const int x = (a.left + a.right) / 2;
    const Point line[] = {{x, a.bottom - 1}, {x, a.bottom + 2}, {b.left + 1, a.bottom + 2}};
    canvas.drawPolyline(line, clBtnText);
  }
  for (int i = 0; i < count; ++i) {
    const Rect r = button(i);
    TreeListColumn* column = grid_.groupColumns(i);
    if (!column || !r.intersects(dirty)) continue;
    grid_.drawHeaderCell(canvas, r, column->caption(), taLeftJustify, column->sorted(),
                         i == pressedButton_ && grid_.mouseState() == MouseState::Idle,
                         grid_.colors().headerColor, false, &column->headerGlyph());
  }
}

bool TreeListGroupPanel::mouseDown(MouseButton button, Point p) {
  if (!grid_.groupPanelRect().contains(p) || grid_.groupColumnCount() == 0) return false;
  pressedButton_ = buttonAt(p);
  if (pressedButton_ >= 0 && button == mbLeft) {
    pressPoint_ = p;
    dragArmed_ = true;
    grid_.host().setMouseCapture(true);
  }
  grid_.invalidateRect(grid_.groupPanelRect());
  return true;
}

bool TreeListGroupPanel::mouseMove(Point p) {
  if (!dragArmed_) return false;
  if (!beyondDragThreshold(pressPoint_, p)) return true;
  dragArmed_ = false;
  TreeListColumn* column = grid_.groupColumns(pressedButton_);
  pressedButton_ = -1;
  grid_.invalidateRect(grid_.groupPanelRect());
  if (column) {
    grid_.startHeaderDrag(column);
    grid_.dragMove(p);
  }
  return true;
}

bool TreeListGroupPanel::mouseUp(MouseButton button) {
  if (pressedButton_ < 0 && !dragArmed_) return false;
  TreeListColumn* column = grid_.groupColumns(pressedButton_);
  const bool click = dragArmed_ && button == mbLeft;
  pressedButton_ = -1;
  dragArmed_ = false;
  grid_.host().setMouseCapture(false);
  grid_.invalidateRect(grid_.groupPanelRect());
  // A click is a header click on the button's column: the click events and
  // the sorting veto apply, and it reverses the order of the level's rows.
  if (click && column) grid_.columnHeaderClick(column);
  return true;
}

bool TreeListGroupPanel::endDrop(TreeListColumn* column, Point p, const HeaderPosInfo& pos) {
  const bool grouped = grid_.isGroupColumn(column);
  if (accepts(p)) {
    const int count = grid_.groupColumnCount();
    int index = grid_.groupInsertPosition(p.x - grid_.groupPanelRect().left,
                                          grid_.metrics().headerRowHeight);
    if (grouped && index >= count) index = count - 1;
    grid_.groupByColumn(column, index);
    return true;
  }
  if (!grouped) return false;
  // A group button dragged off the panel ungroups its column; dropped on the
  // header row it is placed there.
  const bool wasHidden = !column->visible();
  grid_.ungroupColumn(column);
  if (pos.colIndex >= 0) {
    grid_.moveHeader(column, pos.bandIndex, pos.rowIndex, pos.colIndex);
  } else if (wasHidden && grid_.pointOverCustomizingForm(p) && !column->disableCustomizing() &&
             grid_.visibleColumnCount() > 1) {
    grid_.hideHeader(column);
  }
  return true;
}

}  // namespace morvel
