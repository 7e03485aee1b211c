// A control host that records what the control asked for, so tests can check
// repaints, scroll bars and cursors without a window.
#pragma once

#include <vector>

#include "platform/ControlHost.h"
#include "platform/fake/FakeCanvas.h"

namespace morvel {

class FakeHost : public ControlHost {
 public:
  explicit FakeHost(Size clientSize = {400, 300}) : clientSize_(clientSize) {}

  Size clientSize() const override { return clientSize_; }
  void setClientSize(Size size) { clientSize_ = size; }

  void invalidate() override { ++fullRepaints; }
  void invalidateRect(const Rect& rect) override { repaintedRects.push_back(rect); }
  void setScrollBar(ScrollBarKind bar, const ScrollBarInfo& info) override;
  FakeCanvas& canvas() override { return canvas_; }
  Cursor screenCursor() const override { return cursor_; }
  void setScreenCursor(Cursor cursor) override;

  // Forgets what was recorded so far (the scroll bars keep their state).
  void clearRecords();

  int fullRepaints = 0;
  std::vector<Rect> repaintedRects;
  ScrollBarInfo scrollBars[2];  // indexed by ScrollBarKind
  int scrollBarUpdates = 0;
  std::vector<Cursor> cursorHistory;  // every cursor set, in order

 private:
  Size clientSize_;
  FakeCanvas canvas_;
  Cursor cursor_ = crDefault;
};

}  // namespace morvel
