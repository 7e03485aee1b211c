// The controller of the group panel above the headers: where its buttons
// lie and where a dropped column lands, its painting, the presses, clicks
// and drags that start on it, drops onto it and off it, and its slide in
// and out. Which columns group the rows is the grid's business: the
// controller asks and tells it through the group-panel hooks of
// CustomTreeListControl (groupColumnCount, groupColumns, isGroupColumn,
// groupByColumn, ungroupColumn, showGroupPanel and the panel colours).
#pragma once

#include "grid/view/TreeListView.h"
#include "platform/Canvas.h"
#include "platform/Input.h"

namespace morvel {

class CustomTreeListControl;
class TreeListColumn;

class TreeListGroupPanel {
 public:
  // Owned by the grid and never outlives it.
  explicit TreeListGroupPanel(CustomTreeListControl& grid) : grid_(grid) {}
  TreeListGroupPanel(const TreeListGroupPanel&) = delete;
  TreeListGroupPanel& operator=(const TreeListGroupPanel&) = delete;

  // --- Geometry (panel coordinates: the panel's top-left corner is 0, 0) ----
  // Group button i: 100 wide, one header row high, each 104 right of and
  // half a header row below the one before it, from (8, 8).
  static Rect buttonRect(int index, int headerRowHeight);
  // The button index a column dropped at x takes among `count` buttons:
  // the first whose middle lies right of x, else count.
  static int insertPosition(int x, int headerRowHeight, int count);
  // The group button under a client point, or -1.
  int buttonAt(Point p) const;
  // Whether a drop at a client point lands on the panel: it is shown, the
  // point is on it and not over the customizing form.
  bool accepts(Point p) const;

  // --- Painting ---------------------------------------------------------------
  // The background (onBackgroundDrawEvent or the panel colour), then the
  // hint while nothing is grouped, else the buttons joined as a staircase;
  // a pressed button is drawn sunken. `panel` is the whole panel in client
  // coordinates.
  void paint(Canvas& canvas, const Rect& panel, const Rect& dirty);
  // The button drawn pressed (-1: none).
  int pressedButton() const { return pressedButton_; }

  // --- The mouse (called by the grid's mouse handling while idle) -----------
  // Each returns false when the event is not the panel's. A press on a
  // button arms a drag and captures the mouse; a move past the drag
  // threshold turns it into a header drag of the button's column; a
  // release before that is a header click on the column.
  bool mouseDown(MouseButton button, Point p);
  bool mouseMove(Point p);
  bool mouseUp(MouseButton button);
  // A header drag of the column ended at p (pos is where the header row
  // would take it): over the panel the column is grouped at the drop's
  // button index (a group column moves, at most to the last place); a group
  // column dropped elsewhere is ungrouped and placed on the header row, or
  // hidden over the customizing form when it was hidden before. False when
  // the drop is not the panel's to handle.
  bool endDrop(TreeListColumn* column, Point p, const HeaderPosInfo& pos);

  // --- The slide --------------------------------------------------------------
  // Slides the rows down by `height` before the panel shows, or up before
  // it goes, painting each uncovered strip at once, for 400 ms at most.
  // Nothing while detached, locked, sized empty or in a mouse action.
  void animate(bool showing, int height);
  // While a slide paints, only this strip is painted, in stripColor().
  const Rect& strip() const { return strip_; }
  Color stripColor() const { return stripColor_; }

 private:
  CustomTreeListControl& grid_;
  int pressedButton_ = -1;
  bool dragArmed_ = false;  // a left press on a button, not yet a drag
  Point pressPoint_;
  Rect strip_;
  Color stripColor_ = clBtnShadow;
};

}  // namespace morvel
