// The group panel above the headers: its staircase of group buttons, the
// hint shown while nothing is grouped, and the presses, clicks and drags on
// it. Which columns group the rows is the data-bound grid's business; this
// file asks it through the group-panel hooks of CustomTreeListControl.
#include <algorithm>
#include <cstdlib>

#include "grid/view/CustomTreeListControl.h"

namespace morvel {
namespace {

constexpr std::string_view kGroupPanelHint = " Drag a column header here to group by that column";

}  // namespace

Rect CustomTreeListControl::groupButtonRect(int index, int headerRowHeight) const {
  // Each button sits half a header row lower than the one before it.
  const int left = 8 + 104 * index;
  const int top = 8 + index * (headerRowHeight / 2);
  return {left, top, left + 100, top + headerRowHeight};
}

int CustomTreeListControl::groupInsertPosition(int x, int headerRowHeight) const {
  const int count = groupColumnCount();
  for (int i = 0; i < count; ++i) {
    const Rect r = groupButtonRect(i, headerRowHeight);
    if ((r.left + r.right) / 2 > x) return i;
  }
  return count;
}

int CustomTreeListControl::groupButtonAt(Point p) const {
  const int h = metrics().headerRowHeight;
  const Rect panel = groupPanelRect();
  for (int i = 0; i < groupColumnCount(); ++i) {
    if (groupButtonRect(i, h).translated(panel.left, panel.top).contains(p)) return i;
  }
  return -1;
}

void CustomTreeListControl::paintGroupPanel(Canvas& canvas, const Rect& panel, const Rect& dirty) {
  if (onBackgroundDrawEvent) {
    onBackgroundDrawEvent(*this, canvas, panel);
  } else {
    canvas.fillRect(panel, groupPanelColor());
  }
  canvas.setFont(headerFont_);
  const int count = groupColumnCount();
  if (count == 0) {
    TextFormat format;
    format.layout = tlCenter;
    format.flags = tfSingleLine | tfNoPrefix;
    canvas.drawFormattedText(panel, kGroupPanelHint, format, groupPanelFontColor());
    return;
  }
  const int h = metrics().headerRowHeight;
  const auto button = [&](int i) {
    return groupButtonRect(i, h).translated(panel.left, panel.top);
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
    TreeListColumn* column = groupColumns(i);
    if (!column || !r.intersects(dirty)) continue;
    drawHeaderCell(canvas, r, column->caption(), taLeftJustify, column->sorted(),
                   i == pressedGroupButton_ && mouseState() == MouseState::Idle, headerColor, false,
                   &column->headerGlyph());
  }
}

bool CustomTreeListControl::groupPanelMouseDown(MouseButton button, ShiftState, Point p) {
  if (!groupPanelRect().contains(p) || groupColumnCount() == 0) return false;
  pressedGroupButton_ = groupButtonAt(p);
  if (pressedGroupButton_ >= 0 && button == mbLeft) {
    groupPressPoint_ = p;
    groupDragArmed_ = true;
    host().setMouseCapture(true);
  }
  invalidateRect(groupPanelRect());
  return true;
}

bool CustomTreeListControl::groupPanelMouseMove(Point p) {
  if (!groupDragArmed_) return false;
  if (!beyondDragThreshold(groupPressPoint_, p)) return true;
  groupDragArmed_ = false;
  TreeListColumn* column = groupColumns(pressedGroupButton_);
  pressedGroupButton_ = -1;
  invalidateRect(groupPanelRect());
  if (column) {
    startHeaderDrag(column);
    dragMove(p);
  }
  return true;
}

bool CustomTreeListControl::groupPanelMouseUp(MouseButton button) {
  if (pressedGroupButton_ < 0 && !groupDragArmed_) return false;
  TreeListColumn* column = groupColumns(pressedGroupButton_);
  const bool click = groupDragArmed_ && button == mbLeft;
  pressedGroupButton_ = -1;
  groupDragArmed_ = false;
  host().setMouseCapture(false);
  invalidateRect(groupPanelRect());
  // A click is a header click on the button's column: the click events and
  // the sorting veto apply, and it reverses the order of the level's rows.
  if (click && column) columnHeaderClick(column);
  return true;
}

bool CustomTreeListControl::overGroupPanel(Point p) const {
  return showGroupPanel() && groupPanelRect().contains(p) && !pointOverCustomizingForm(p);
}

bool CustomTreeListControl::endGroupPanelDrop(TreeListColumn* column, Point p,
                                              const HeaderPosInfo& pos) {
  const bool grouped = isGroupColumn(column);
  if (overGroupPanel(p)) {
    int index = groupInsertPosition(p.x - groupPanelRect().left, metrics().headerRowHeight);
    if (grouped && index >= groupColumnCount()) index = groupColumnCount() - 1;
    groupByColumn(column, index);
    return true;
  }
  if (!grouped) return false;
  // A group button dragged off the panel ungroups its column; dropped on the
  // header row it is placed there.
  const bool wasHidden = !column->visible();
  ungroupColumn(column);
  if (pos.colIndex >= 0) {
    moveHeader(column, pos.bandIndex, pos.rowIndex, pos.colIndex);
  } else if (wasHidden && pointOverCustomizingForm(p) && !column->disableCustomizing() &&
             visibleColumnCount() > 1) {
    hideHeader(column);
  }
  return true;
}

}  // namespace morvel
