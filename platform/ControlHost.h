// What a control's logic asks of the window that hosts it. The control owns
// no window: the platform's host widget forwards input and paint requests to
// the control and carries out these services. One host serves one control.
// See platform/Control.h for the other direction and how the two meet.
#pragma once

#include <functional>
#include <memory>
#include <string_view>

#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/Cursor.h"
#include "platform/Graphics.h"
#include "platform/PlatformServices.h"

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

// A picture floating above every window (a drag image, a drop mark).
// Destroying it removes it from the screen.
class FloatingImage {
 public:
  virtual ~FloatingImage() = default;
  virtual void moveTo(Point screenTopLeft) = 0;
};

class Control;

// A small top-level window holding a control (the grid's customizing form):
// it stays above the other windows and can be moved and closed but not
// sized. It owns its control; destroying it closes it.
class ToolWindow {
 public:
  virtual ~ToolWindow() = default;
  // The whole window, frame included, in screen coordinates.
  virtual Rect frame() const = 0;
  // Sizes the window so that its client area (the control) has this size.
  virtual void setClientSize(Size size) = 0;
  // Puts the window's frame with its top-left corner at the point.
  virtual void moveTo(Point screenTopLeft) = 0;
  virtual void show() = 0;
  virtual Control& content() = 0;
  // The user closed the window. It still exists: the handler may destroy it.
  std::function<void()> onClose;
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

  // --- Added for painting controls and the grid's input handling ---

  // The process-wide services (timers, message processing, shell open...).
  virtual PlatformServices& services() = 0;

  // Paints at once, before returning, instead of waiting for the paint cycle
  // (a progress bar in a loop that processes no messages). Nothing happens
  // while the window is hidden.
  virtual void repaintNow() = 0;
  virtual void repaintNow(const Rect& rect) = 0;

  // Moves the pixels of area by (dx, dy) and marks the strip it uncovered
  // for repainting (scrolling rows without repainting them all).
  virtual void scrollArea(const Rect& area, int dx, int dy) = 0;

  // Position and size within the parent, and visibility, as the control's
  // logic decides them (Control::setBounds, Control::setVisible).
  virtual void setBounds(const Rect& bounds) = 0;
  virtual void setVisible(bool visible) = 0;

  // The pointer shape over this control.
  virtual void setCursor(Cursor cursor) = 0;

  // The control is being destroyed while still attached (a host that owns
  // its control never sees this); the host must forget it.
  virtual void controlDestroyed() {}

  // Whether the control paints every pixel (Control::opaque); when it does
  // not, the platform must show what lies behind it.
  virtual void setOpaque(bool opaque) { (void)opaque; }

  // While captured, every mouse event goes to this control wherever the
  // pointer is; the platform may end a capture (Control::captureLost).
  virtual void setMouseCapture(bool capture) = 0;
  virtual bool hasMouseCapture() const = 0;

  // Keyboard focus. setFocus may fail (another window keeps it).
  virtual void setFocus() = 0;
  virtual bool hasFocus() const = 0;

  virtual Point clientToScreen(Point p) const = 0;
  virtual Point screenToClient(Point p) const = 0;

  virtual std::unique_ptr<FloatingImage> showFloatingImage(const Bitmap& image,
                                                           Point screenTopLeft) = 0;

  // A tool window titled caption holding content, not yet shown; null where
  // the platform has none.
  virtual std::unique_ptr<ToolWindow> createToolWindow(std::string_view caption,
                                                       std::unique_ptr<Control> content) {
    (void)caption, (void)content;
    return nullptr;
  }
  // The frame of the top-level window this control is in, screen coordinates.
  virtual Rect topLevelFrame() const { return {}; }

  // The top-level window: whether it is maximised, and sizing it by its
  // bottom-right corner with the mouse (the status bar's size grip).
  virtual bool windowMaximized() const = 0;
  virtual void startWindowSizing() = 0;
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
