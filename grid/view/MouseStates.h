// The grid's mouse states, each with the data only it needs. The control
// holds exactly one (a std::variant): a press picks it from what lies under
// the pointer, every release, Escape or lost capture returns to Idle, and
// leaving a state drops its data with it, so nothing of one press is left
// over for the next.
#pragma once

#include <memory>
#include <variant>

#include "grid/view/DragScroller.h"
#include "grid/view/TreeListView.h"
#include "platform/ControlHost.h"
#include "platform/Cursor.h"

namespace morvel {

class TreeListBand;

namespace mouse {

struct Idle {};

// A cell held down by the left button since `at`. It is drawn sunken while
// the pointer is over it (`drawn`); a release over it is its click.
struct CellPress {
  Point at;
  bool drawn = true;
};
// A header: moved beyond the drag threshold it becomes a header drag.
struct HeaderPress : CellPress {
  TreeListColumn* column = nullptr;
};
// A band header: moved beyond the drag threshold it becomes a band drag.
struct BandPress : CellPress {
  TreeListBand* band = nullptr;
};
struct HeaderCornerPress : CellPress {};
struct BandCornerPress : CellPress {};

// A row focused by a left press: its release is a click of the grid.
struct RowPress {};

// What a sizing line sizes: a column or band along a vertical line, a panel
// or the rows along a horizontal one.
enum class SizingKind { Column, Band, BandPanel, HeaderPanel, Row };

struct Sizing {
  SizingKind kind = SizingKind::Column;
  TreeListColumn* column = nullptr;  // while a column is sized
  TreeListBand* band = nullptr;      // while a band is sized
  // Left or top edge of what is sized (the column's header as drawn, the
  // band, the panel, the pressed row), taken at the press: nothing scrolls
  // while the mouse is held.
  int origin = 0;
  int start = 0;  // the line where the press put it
  int line = 0;   // x of a vertical line, y of a horizontal one
  bool vertical() const { return kind == SizingKind::Column || kind == SizingKind::Band; }
};

// A header carried by the pointer, from the header row, the group panel or
// the customizing form, with its image and the drop arrows.
struct HeaderDrag {
  TreeListColumn* column = nullptr;
  // A drag that grew out of a press on the header keeps that header
  // pressed, drawn as the press left it: sunken if the pointer was over it.
  bool fromPress = false;
  bool pressDrawn = false;
  Point hotSpot;  // where the image is held, from its top-left corner
  Cursor cursor = crDefault;
  int dropArrowX = -1;  // -1: no arrows over the header row
  std::unique_ptr<FloatingImage> image;
  std::unique_ptr<FloatingImage> arrowDown;
  std::unique_ptr<FloatingImage> arrowUp;
};

struct BandDrag {
  TreeListBand* band = nullptr;
};

// The middle button scrolls the view.
struct DragScroll {
  std::unique_ptr<DragScroller> scroller;
};

}  // namespace mouse

using MouseStateData =
    std::variant<mouse::Idle, mouse::HeaderPress, mouse::BandPress, mouse::HeaderCornerPress,
                 mouse::BandCornerPress, mouse::RowPress, mouse::Sizing, mouse::HeaderDrag,
                 mouse::BandDrag, mouse::DragScroll>;

// The public name of a state.
MouseState mouseStateOf(const MouseStateData& state);

// The press part of a cell press state, or null in the others.
const mouse::CellPress* cellPressOf(const MouseStateData& state);
mouse::CellPress* cellPressOf(MouseStateData& state);

}  // namespace morvel
