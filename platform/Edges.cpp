// Bevel and 3D edge drawing; see Edges.h.
#include "platform/Edges.h"

namespace morvel {

Rect drawBevelLine(Canvas& canvas, const Rect& rect, Color topLeft, Color bottomRight,
                   unsigned sides) {
  Rect r = rect;
  if (r.isEmpty()) return r;
  if (sides & sdTop) canvas.fillRect({r.left, r.top, r.right, r.top + 1}, topLeft);
  if (sides & sdLeft) canvas.fillRect({r.left, r.top, r.left + 1, r.bottom}, topLeft);
  if (sides & sdRight) canvas.fillRect({r.right - 1, r.top, r.right, r.bottom}, bottomRight);
  if (sides & sdBottom) canvas.fillRect({r.left, r.bottom - 1, r.right, r.bottom}, bottomRight);
  if (sides & sdLeft) ++r.left;
  if (sides & sdTop) ++r.top;
  if (sides & sdRight) --r.right;
  if (sides & sdBottom) --r.bottom;
  if (r.right < r.left) r.right = r.left;
  if (r.bottom < r.top) r.bottom = r.top;
  return r;
}

Rect drawEdge(Canvas& canvas, const Rect& rect, unsigned edge, unsigned sides) {
  Rect r = rect;
  if (edge & bdrRaisedOuter) r = drawBevelLine(canvas, r, cl3DLight, cl3DDkShadow, sides);
  if (edge & bdrSunkenOuter) r = drawBevelLine(canvas, r, clBtnShadow, clBtnHighlight, sides);
  if (edge & bdrRaisedInner) r = drawBevelLine(canvas, r, clBtnHighlight, clBtnShadow, sides);
  if (edge & bdrSunkenInner) r = drawBevelLine(canvas, r, cl3DDkShadow, cl3DLight, sides);
  return r;
}

}  // namespace morvel
