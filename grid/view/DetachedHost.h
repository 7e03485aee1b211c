// The stand-in host of a grid that no window hosts yet (made before its
// widget, or left after it): it repaints nothing, shows no scroll bars and
// measures text with fixed metrics, so the grid's logic runs unchanged.
// Metrics measured here are dropped when a real host takes the grid.
#pragma once

#include <memory>

#include "platform/ControlHost.h"

namespace morvel {

class DetachedHost : public ControlHost {
 public:
  DetachedHost();
  ~DetachedHost() override;

  Size clientSize() const override { return {0, 0}; }
  void invalidate() override {}
  void invalidateRect(const Rect&) override {}
  void setScrollBar(ScrollBarKind, const ScrollBarInfo&) override {}
  Canvas& canvas() override;
  Cursor screenCursor() const override { return cursor_; }
  void setScreenCursor(Cursor cursor) override { cursor_ = cursor; }
  // Timers that never fire, a clipboard that keeps nothing.
  PlatformServices& services() override;
  void repaintNow() override {}
  void repaintNow(const Rect&) override {}
  void scrollArea(const Rect&, int, int) override {}
  void setBounds(const Rect&) override {}
  void setVisible(bool) override {}
  void setCursor(Cursor) override {}
  void setMouseCapture(bool) override {}
  bool hasMouseCapture() const override { return false; }
  void setFocus() override {}
  bool hasFocus() const override { return false; }
  Point clientToScreen(Point p) const override { return p; }
  Point screenToClient(Point p) const override { return p; }
  std::unique_ptr<FloatingImage> showFloatingImage(const Bitmap&, Point) override;
  bool windowMaximized() const override { return false; }
  void startWindowSizing() override {}

 private:
  class MeasuringCanvas;
  class NullServices;
  std::unique_ptr<MeasuringCanvas> canvas_;
  std::unique_ptr<NullServices> services_;
  Cursor cursor_ = crDefault;
};

}  // namespace morvel
