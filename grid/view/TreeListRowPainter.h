// The painter of the tree-list control's rows area: the rows a repaint
// reaches, each as its indent, its images, and either one group cell or its
// data cells, with the grid lines and the focus mark.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "grid/view/TreeListPaintTools.h"
#include "grid/view/TreeListView.h"
#include "platform/Canvas.h"

namespace morvel {

class CustomTreeListControl;
class TreeListColumn;
class TreeListNode;

// The shown rows a repaint reaches, as positions below the top row (0 is
// the top row), first to last inclusive.
struct RowSpan {
  int first = 0;
  int last = -1;
  bool empty() const { return last < first; }
  friend bool operator==(const RowSpan&, const RowSpan&) = default;
};

// Paints one repaint of the rows area, then is thrown away: it reads the
// grid's colours, fonts, options and focus when it is made and keeps
// references to the grid, the canvas and the header cells for that long.
//
// Contract of paint(dirty):
// - Only rows that meet `dirty` are painted. Which they are is worked out
//   from the rows area and the row height before any row is visited; the
//   walk starts at the first of them (by the visible-row index when it is
//   valid) and stops after the last, so a small repaint of a long grid
//   touches only its own rows.
// - A row with children (or what isGroupRow says) is one group cell from
//   its indent to the columns' right edge, in the group colours unless
//   selected; other rows are one cell per header cell, the first column's
//   cell starting after the indent and the images. Custom drawing is asked
//   first where a handler is set.
// - The focused row under row select gets the focus mark: the focus
//   rectangle while the grid has the focus (unless goHideFocusRect), else
//   an inverted frame (not while a header is dragged).
// - With grid lines every cell's right edge and every row's bottom edge
//   get one line, drawn together at the end.
// - Nothing is painted on rows while the grid's update lock is held; what
//   no row covers (right of the columns, below the last row) is filled
//   with the grid colour.
class TreeListRowPainter {
 public:
  TreeListRowPainter(CustomTreeListControl& grid, Canvas& canvas,
                     const std::vector<HeaderCell>& cells);
  void paint(const Rect& dirty);

  // The rows (of `rowHeight` pixels from the top of `area`) that meet
  // `dirty`, limited to the rows that start inside the area; empty when
  // none does or the height is not positive.
  static RowSpan dirtyRows(const Rect& area, const Rect& dirty, int rowHeight);

  // Calls paintRow(node, row rectangle) for each row of the grid's rows
  // in `area` (from its top row, `rowHeight` pixels each) that meets
  // `dirty`, top to bottom, visiting no other row: with the visible-row
  // index it goes straight to the first, without it it walks only the rows
  // on the screen. None while the update lock is held. Returns the bottom
  // of the last row shown (painted or not; area.top with none), which may
  // lie below the area.
  static int forEachDirtyRow(const CustomTreeListControl& grid, const Rect& area, int rowHeight,
                             const Rect& dirty,
                             const std::function<void(TreeListNode&, const Rect&)>& paintRow);

 private:
  // What the parts of one row share.
  struct RowState {
    TreeListNode* node = nullptr;
    Rect rect;
    int contentLeft = 0;  // right of the indent
    int images = 0;       // the images' width right of contentLeft
    bool focused = false;
    bool highlighted = false;
  };

  void paintRow(TreeListNode& node, const Rect& rect);
  void paintIndent(const RowState& row, int left, int indent);
  void paintNodeImages(const RowState& row);
  void paintGroupRow(const RowState& row);
  void paintDataCell(const RowState& row, const HeaderCell& header);
  void drawCellText(const Rect& content, const std::string& text, Alignment alignment,
                    const Font& font, Color back);
  void paintFocusMark(const RowState& row);
  void fillUncovered(int rowsBottom);

  CustomTreeListControl& grid_;
  Canvas& canvas_;
  const std::vector<HeaderCell>& cells_;
  FontKeeper fonts_;
  Rect dirty_;
  Rect area_;
  int height_ = 0;
  int right_ = 0;  // the columns' right edge
  int line_ = 0;   // 1 with grid lines
  bool hasFocus_ = false;
  bool rowSelect_ = false;
  Color selBack_ = clNone;
  Color selText_ = clNone;
  std::vector<LineSegment> lines_;
  std::string buffer_;
  std::string display_;
};

}  // namespace morvel
