// The value types of the grid's view: its look, the metrics the layout
// computes, where a header cell lies, what lies under a point, the names of
// the mouse states (MouseStates.h holds their data) and where a dragged
// header would go. CustomTreeListControl lays out, paints and handles input
// with them.
#pragma once

#include "platform/Graphics.h"

namespace morvel {

class TreeListNode;
class TreeListColumn;

enum LookAndFeel { lfStandard, lfFlat };

// Which scroll bars the grid may show.
enum ScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

// What lies under a point; the numbers are fixed.
enum TreeListHitTest {
  htNowhere = 0,
  htHeader = 1,
  htColumnEdge = 2,
  htButton = 3,
  htImage = 4,
  htStateImage = 5,
  htIndent = 6,
  htCell = 7,
  htRowRight = 8,
  htOutside = 9,
  htGroupPanel = 10,
  htBandCorner = 11,
  htBand = 12,
  htBandEdge = 13,
  htHeaderCorner = 14,
  htIndicator = 15,
  htNewItemRow = 16,
  htRowFooter = 17,
  htFooter = 18,
  htBandPanelEdge = 19,
  htHeaderPanelEdge = 20,
  htRowEdge = 21,
  htPreview = 22,
};

// The codes that stand for a row: a press on one of them focuses the row.
constexpr bool inRowSet(TreeListHitTest code) {
  return code == htImage || code == htStateImage || code == htCell || code == htNewItemRow ||
         code == htRowFooter || code == htPreview;
}

struct TreeListHitInfo {
  int bandIndex = -1;    // visible band index
  int columnIndex = -1;  // column list index
  TreeListNode* node = nullptr;
  int row = -1;  // among the painted rows, 0 at the top row
  int rowFooterIndex = -1;
  TreeListHitTest hitType = htNowhere;
};

enum class MouseState {
  Idle,
  Editing,
  ColumnSizing,
  HeaderPressed,
  HeaderDragging,
  RowPressed,
  HeaderCornerPressed,
  BandCornerPressed,
  BandPressed,
  BandDragging,
  BandSizing,
  BandPanelSizing,
  HeaderPanelSizing,
  RowSizing,
  DragScrolling,
};

// Where a dragged header would land: the visible band, the header row and
// the position in that row. colIndex (and the others with it) is
// kDropOutside when the pointer is not over the header panel and
// kDropNoChange when the drop would change nothing.
struct HeaderPosInfo {
  int bandIndex = -1;
  int rowIndex = -1;
  int colIndex = -1;
  friend bool operator==(const HeaderPosInfo&, const HeaderPosInfo&) = default;
};
constexpr int kDropOutside = -1;
constexpr int kDropNoChange = -2;

// A press turns into a drag (of a header, a band, a group button) only after
// the pointer moved further than this from the press in either direction,
// so that a slightly shaky click still clicks.
constexpr int kDragThreshold = 5;
// The customizing list's items are small and dragged out of a small list:
// its drags start sooner.
constexpr int kListDragThreshold = 3;

// Whether the pointer at p has left the square of `threshold` pixels around
// the press point.
constexpr bool beyondDragThreshold(Point press, Point p, int threshold = kDragThreshold) {
  const int dx = p.x - press.x;
  const int dy = p.y - press.y;
  return dx > threshold || -dx > threshold || dy > threshold || -dy > threshold;
}

// The indicator images, in their fixed order.
enum IndicatorImage { iiNone = -1, iiArrow, iiEdit, iiInsert, iiMultiDot, iiMultiArrow };

// What RecomputeLayout measures, in pixels.
struct TreeListMetrics {
  int textHeight = 0;  // of the grid font
  int charWidth = 0;   // width of "0": the horizontal scroll step
  int bandRowHeight = 0;
  int bandPanelHeight = 0;
  int headerRowHeight = 0;
  int headerPanelHeight = 0;
  int groupPanelHeight = 0;
  int indicatorWidth = 0;
  int naturalRowHeight = 0;
  int rowHeight = 0;
  int previewTextHeight = 0;
  int footerHeight = 0;
  int newItemRowHeight = 0;
};

// One visible band as laid out: its left and right edges in client
// coordinates after scrolling (the first band's include the group indent),
// and whether it stays at the left or right edge of the rows area.
struct BandExtent {
  int left = 0;
  int right = 0;
  bool fixedLeft = false;
  bool fixedRight = false;
};

// One column header as laid out: the column, its visible band, header row
// and position in the row, and its rectangle in client coordinates (after
// scrolling).
struct HeaderCell {
  TreeListColumn* column = nullptr;
  int bandIndex = 0;
  int rowIndex = 0;
  int colIndex = 0;
  Rect rect;
  bool fixed = false;  // in a band that does not scroll
};

}  // namespace morvel
