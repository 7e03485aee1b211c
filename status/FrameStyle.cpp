// Frame style drawing; see FrameStyle.h.
#include "status/FrameStyle.h"

namespace morvel {
namespace {

Rect shrink(const Rect& rect, int by, unsigned sides) {
  Rect r = rect;
  if (sides & sdLeft) r.left += by;
  if (sides & sdTop) r.top += by;
  if (sides & sdRight) r.right -= by;
  if (sides & sdBottom) r.bottom -= by;
  if (r.right < r.left) r.right = r.left;
  if (r.bottom < r.top) r.bottom = r.top;
  return r;
}

}  // namespace

int frameWidth(FrameStyle style, const FrameColors& colors) {
  switch (style) {
    case fsNone:
      return 0;
    case fsFlat:
      return 1;
    case fsStatus:
    case fsPopup:
      return colors.bevelWidth < 0 ? 0 : colors.bevelWidth;
    default:
      return 2;
  }
}

Rect drawFrame(Canvas& canvas, const Rect& rect, FrameStyle style, unsigned sides,
               const FrameColors& colors) {
  Rect r = rect;
  switch (style) {
    case fsNone:
      break;
    case fsFlat:
      r = drawBevelLine(canvas, r, colors.flat, colors.flat, sides);
      break;
    case fsStatus:
      for (int i = 0; i < colors.bevelWidth; ++i) {
        r = drawBevelLine(canvas, r, colors.shadow, colors.highlight, sides);
      }
      break;
    case fsPopup:
      for (int i = 0; i < colors.bevelWidth; ++i) {
        r = drawBevelLine(canvas, r, colors.highlight, colors.shadow, sides);
      }
      break;
    case fsLowered:
      r = drawEdge(canvas, r, edgeSunken, sides);
      break;
    case fsRaised:
      r = drawEdge(canvas, r, edgeRaised, sides);
      break;
    case fsButtonDown:
      r = drawBevelLine(canvas, r, cl3DDkShadow, clBtnHighlight, sides);
      r = drawBevelLine(canvas, r, clBtnShadow, cl3DLight, sides);
      break;
    case fsButtonUp:
      r = drawBevelLine(canvas, r, clBtnHighlight, cl3DDkShadow, sides);
      r = drawBevelLine(canvas, r, cl3DLight, clBtnShadow, sides);
      break;
    case fsGroove:
      r = drawBevelLine(canvas, r, clBtnShadow, clBtnHighlight, sides);
      r = drawBevelLine(canvas, r, clBtnHighlight, clBtnShadow, sides);
      break;
    case fsBump:
      r = drawBevelLine(canvas, r, clBtnHighlight, clBtnShadow, sides);
      r = drawBevelLine(canvas, r, clBtnShadow, clBtnHighlight, sides);
      break;
  }
  return r;
}

Rect drawPanelBorders(Canvas& canvas, const Rect& rect, const PanelBorders& b) {
  Rect r = drawBevelLine(canvas, rect, clBlack, clBlack, b.frameSides);
  r = drawFrame(canvas, r, b.outer, b.borderSides, b.colors);
  for (int i = 0; i < b.borderWidth; ++i) {
    r = drawBevelLine(canvas, r, b.borderColor, b.borderColor, b.borderSides);
  }
  return drawFrame(canvas, r, b.inner, b.borderSides, b.colors);
}

Rect panelInterior(const Rect& rect, const PanelBorders& b) {
  Rect r = shrink(rect, 1, b.frameSides);
  r = shrink(r, frameWidth(b.outer, b.colors) + (b.borderWidth > 0 ? b.borderWidth : 0),
             b.borderSides);
  return shrink(r, frameWidth(b.inner, b.colors), b.borderSides);
}

}  // namespace morvel
