// The frame styles shared by the status bar, status pane, progress bar and
// labels, and the border sequence of a panel (frame sides, outer frame, flat
// border, inner frame) that the bar, the progress bar and labels draw.
#pragma once

#include "platform/Canvas.h"
#include "platform/Edges.h"

namespace morvel {

enum FrameStyle {
  fsNone,
  fsFlat,
  fsGroove,
  fsBump,
  fsLowered,
  fsButtonDown,
  fsRaised,
  fsButtonUp,
  fsStatus,
  fsPopup,
};

// The colours a control gives its one-line frames. By default fsFlat is
// clWindowFrame and fsStatus/fsPopup are one line of the button shades.
struct FrameColors {
  Color flat = clWindowFrame;
  Color highlight = clBtnHighlight;
  Color shadow = clBtnShadow;
  int bevelWidth = 1;  // lines of fsStatus and fsPopup
};

// Draws the style along the chosen sides of rect and returns the rectangle
// inside the lines drawn:
//   fsNone        nothing
//   fsFlat        one line of colors.flat
//   fsStatus      bevelWidth lines, shadow left/top, highlight right/bottom
//   fsPopup       the same with the two colours exchanged
//   fsLowered     two lines: a sunken 3D border
//   fsRaised      two lines: a raised 3D border
//   fsButtonDown  two lines: a pressed button (dark outside top-left)
//   fsButtonUp    two lines: a released button (white outside top-left)
//   fsGroove      etched: shadow then highlight on the top-left, reversed
//                 on the bottom-right, 2 pixels
//   fsBump        the groove's colours reversed
Rect drawFrame(Canvas& canvas, const Rect& rect, FrameStyle style, unsigned sides = sdAll,
               const FrameColors& colors = {});

// A panel's borders, drawn from the outside in.
struct PanelBorders {
  unsigned frameSides = 0;  // single black lines
  FrameStyle outer = fsNone;
  FrameStyle inner = fsNone;
  unsigned borderSides = sdAll;  // sides the frames and the flat border use
  int borderWidth = 0;           // one-pixel rectangles of borderColor
  Color borderColor = clBtnFace;
  FrameColors colors;
};

// Draws the borders and returns the area inside them.
Rect drawPanelBorders(Canvas& canvas, const Rect& rect, const PanelBorders& borders);

// The area inside the borders without drawing them.
Rect panelInterior(const Rect& rect, const PanelBorders& borders);

// How many pixels the style takes from each side it is drawn on.
int frameWidth(FrameStyle style, const FrameColors& colors = {});

}  // namespace morvel
