// The colours the tree-list control paints its chrome and selection with,
// kept in one value so that a change is one comparison and one repaint.
#pragma once

#include "platform/Graphics.h"

namespace morvel {

struct TreeListColors {
  Color headerColor = clBtnFace;
  Color bandColor = clBtnFace;
  // The group rows and the indent left of every row.
  Color groupNodeColor = clBtnFace;
  // clNone: the grid font's colour.
  Color groupNodeTextColor = clNone;
  // Selected rows while the grid has the focus, and while it has not.
  Color highlightColor = clHighlight;
  Color highlightTextColor = clHighlightText;
  Color hideSelectionColor = clBtnFace;
  Color hideSelectionTextColor = clBtnText;
  // clNone: clBtnShadow.
  Color gridLineColor = clNone;
  // The arrows that show where a dragged header lands.
  Color arrowsColor = clLime;
  // The line between a fixed band and the scrolling ones, drawn inside the
  // fixed band's inner edge.
  Color fixedBandLineColor = clWindowFrame;

  friend bool operator==(const TreeListColors&, const TreeListColors&) = default;
};

}  // namespace morvel
