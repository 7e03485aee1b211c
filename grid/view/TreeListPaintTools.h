// Small drawing helpers the tree-list control's painters share: drawing
// through an off-screen surface, and selecting fonts only when they change.
#pragma once

#include <memory>

#include "platform/Canvas.h"

namespace morvel {

// Draws a picture of the rectangle's size through an off-screen surface and
// copies it in one piece, so that it never shows half drawn; draw gets the
// surface and the rectangle to fill on it. Without a surface (not wanted, an
// empty rectangle, a canvas that cannot make one) it draws straight onto the
// canvas. Either way it draws with the canvas's current font.
template <class Draw>
void drawComposed(Canvas& canvas, const Rect& rect, bool offscreen, const Draw& draw) {
  std::unique_ptr<OffscreenCanvas> off = offscreen && !rect.isEmpty()
                                             ? canvas.createOffscreen({rect.width(), rect.height()})
                                             : nullptr;
  if (!off) {
    draw(canvas, rect);
    return;
  }
  off->setFont(canvas.font());
  draw(*off, Rect{0, 0, rect.width(), rect.height()});
  canvas.drawOffscreen({rect.left, rect.top}, *off);
}

// Sets the canvas font only when it changes: fonts are costly to select.
class FontKeeper {
 public:
  explicit FontKeeper(Canvas& canvas) : canvas_(canvas) {}
  void use(const Font& font) {
    if (set_ && current_ == font) return;
    canvas_.setFont(font);
    current_ = font;
    set_ = true;
  }
  // After someone else may have set a font: the next use sets it again.
  void forget() { set_ = false; }

 private:
  Canvas& canvas_;
  Font current_;
  bool set_ = false;
};

}  // namespace morvel
