// What a control's logic asks of the window that hosts it. The control owns
// no window: the platform's host widget forwards input and paint requests to
// the control and carries out these services. One host serves one control.
#pragma once

#include "platform/Canvas.h"
#include "platform/Cursor.h"
#include "platform/Graphics.h"

namespace morvel {

enum ScrollBarKind { sbHorizontal, sbVertical };

// A scroll bar's state as the control computes it: the range min..max, the
// page (the part shown at once) and the position of the page's start.
struct ScrollBarInfo {
  int min = 0;
  int max = 0;
  int page = 0;
  int position = 0;
  bool visible = false;
  friend bool operator==(const ScrollBarInfo&, const ScrollBarInfo&) = default;
};

class ControlHost {
 public:
  virtual ~ControlHost() = default;

  // Size of the client area in pixels; 0 × 0 while the window does not exist.
  virtual Size clientSize() const = 0;

  // Marks the whole client area, or one rectangle of it, for repainting. The
  // paint happens later, when the platform runs its paint cycle; marking the
  // same area twice paints it once.
  virtual void invalidate() = 0;
  virtual void invalidateRect(const Rect& rect) = 0;

  // Sets the range, page, position and visibility of one scroll bar.
  virtual void setScrollBar(ScrollBarKind bar, const ScrollBarInfo& info) = 0;

  // The control's canvas, for measuring text outside painting. It lives as
  // long as the host; its font is whatever was set last.
  virtual Canvas& canvas() = 0;

  // The application-wide screen cursor: while it is not crDefault it shows
  // over every control (the hourglass during a long operation).
  virtual Cursor screenCursor() const = 0;
  virtual void setScreenCursor(Cursor cursor) = 0;
};

// Shows a screen cursor for the life of the guard and then restores the one
// that was shown before, on every path out of the scope.
class ScopedScreenCursor {
 public:
  ScopedScreenCursor(ControlHost& host, Cursor cursor)
      : host_(host), previous_(host.screenCursor()) {
    host_.setScreenCursor(cursor);
  }
  ~ScopedScreenCursor() { host_.setScreenCursor(previous_); }
  ScopedScreenCursor(const ScopedScreenCursor&) = delete;
  ScopedScreenCursor& operator=(const ScopedScreenCursor&) = delete;

 private:
  ControlHost& host_;
  Cursor previous_;
};

}  // namespace morvel
