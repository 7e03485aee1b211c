// Bevelled borders drawn from one-pixel lines: the raised and sunken 3D
// edges of buttons, header cells and frames.
#pragma once

#include "platform/Canvas.h"

namespace morvel {

// Sides of a rectangle, as flags.
enum Side : unsigned {
  sdLeft = 1 << 0,
  sdTop = 1 << 1,
  sdRight = 1 << 2,
  sdBottom = 1 << 3,
  sdAll = sdLeft | sdTop | sdRight | sdBottom,
};

// Draws one line of the first colour along the left and top sides and one of
// the second colour along the right and bottom sides (only the sides asked
// for), and returns the rectangle shrunk by one pixel on those sides. Left and
// top lines lie on the rectangle's left and top pixels, right and bottom lines
// on its last pixels; right and bottom lines span the whole side, so they own
// the top-right and bottom-left corners.
Rect drawBevelLine(Canvas& canvas, const Rect& rect, Color topLeft, Color bottomRight,
                   unsigned sides = sdAll);

// 3D edges: each flag is one bevel line; outer lines are drawn first.
enum EdgeFlag : unsigned {
  bdrRaisedOuter = 1 << 0,  // cl3DLight / cl3DDkShadow
  bdrSunkenOuter = 1 << 1,  // clBtnShadow / clBtnHighlight
  bdrRaisedInner = 1 << 2,  // clBtnHighlight / clBtnShadow
  bdrSunkenInner = 1 << 3,  // cl3DDkShadow / cl3DLight
};
constexpr unsigned edgeRaised = bdrRaisedOuter | bdrRaisedInner;
constexpr unsigned edgeSunken = bdrSunkenOuter | bdrSunkenInner;

// Draws the edge lines on the chosen sides and returns the rectangle inside
// them.
Rect drawEdge(Canvas& canvas, const Rect& rect, unsigned edge, unsigned sides = sdAll);

}  // namespace morvel
