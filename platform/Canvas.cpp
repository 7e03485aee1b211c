// The drawing operations every canvas builds from its primitives.
#include "platform/Canvas.h"

namespace morvel {

void Canvas::frameRect(const Rect& r, Color color) {
  if (r.isEmpty()) return;
  fillRect({r.left, r.top, r.right, r.top + 1}, color);
  fillRect({r.left, r.bottom - 1, r.right, r.bottom}, color);
  fillRect({r.left, r.top + 1, r.left + 1, r.bottom - 1}, color);
  fillRect({r.right - 1, r.top + 1, r.right, r.bottom - 1}, color);
}

void Canvas::drawTextClipped(const Rect& clip, Point origin, std::string_view text, Color color,
                             Color background) {
  ClipScope scope(*this, clip);
  if (background != clNone) fillRect(clip, background);
  if (!text.empty()) drawTextLine(origin, text, color);
}

LaidText Canvas::drawFormattedText(const Rect& rect, std::string_view text,
                                   const TextFormat& format, Color color) {
  LaidText laid = layoutText(*this, rect, text, format);
  if (format.flags & tfNoClip) {
    drawLaidText(laid, color);
  } else {
    ClipScope scope(*this, rect);
    drawLaidText(laid, color);
  }
  return laid;
}

void Canvas::drawLaidText(const LaidText& laid, Color color, int dx, int dy) {
  for (const auto& line : laid.lines) {
    if (line.text.empty()) continue;
    drawTextLine({line.origin.x + dx, line.origin.y + dy}, line.text, color, line.accelerator);
  }
}

}  // namespace morvel
