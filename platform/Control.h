// The logic half of every control: state, painting and input handling with
// no window of its own. A host (platform/qt's ControlWidget, or FakeHost in
// tests) owns the window and drives the control:
//
//   host ──paint(canvas, dirty)──────────────▶ control
//   host ──mouseDown/Move/Up, wheel, keys,
//          focus, enter/leave, scroll bars ──▶ control
//   control ──invalidate, repaintNow, cursor,
//             capture, focus, bounds, timers ▶ host (ControlHost) / services
//
// Life: the control is created first, then handed to a host, which calls
// attach(this); from then on host() is the host. Before that (and after the
// host is gone) host() is null, the control keeps its state, and requests
// for repaints go nowhere, so logic can be driven without any window.
//
// Geometry: bounds() is the control's rectangle in its parent's client
// coordinates, and the control's logic is its owner: setBounds() and
// setVisible() tell the host, which moves its window. When the platform
// resizes the window itself (a layout of the app's window), the host calls
// hostResized() so that bounds() follows. Child controls (a pane on a status
// bar) are placed by their align() inside the parent's alignRect(), in the
// order top, bottom, left, right, client; a control with alNone keeps its
// bounds.
//
// Mouse coordinates are client coordinates. A double click arrives as
// mouseDoubleClick, whose default treats it as a press with ssDouble. A
// control that lets part of its area belong to its parent (so that a size
// grip under it still works) answers passesToParent() for those points; the
// host then sends the event, in the parent's coordinates, to the parent.
#pragma once

#include <string_view>
#include <vector>

#include "platform/Canvas.h"
#include "platform/ControlHost.h"
#include "platform/Cursor.h"
#include "platform/Font.h"
#include "platform/Graphics.h"
#include "platform/Input.h"

namespace morvel {

enum Align { alNone, alTop, alBottom, alLeft, alRight, alClient };

class Control {
 public:
  Control() = default;
  virtual ~Control();
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  // --- Host and tree ---

  ControlHost* host() const { return host_; }
  // Called by the host when it takes the control (and with nullptr when it
  // lets it go). Runs hostAttached() / hostDetaching().
  void attach(ControlHost* host);

  // The parent control: children are not owned (their hosts own them).
  Control* parent() const { return parent_; }
  void setParent(Control* parent);
  const std::vector<Control*>& children() const { return children_; }

  // --- Geometry and look ---

  const Rect& bounds() const { return bounds_; }
  void setBounds(const Rect& bounds);
  int width() const { return bounds_.width(); }
  int height() const { return bounds_.height(); }
  void setWidth(int width) {
    setBounds(Rect::fromSize(bounds_.left, bounds_.top, width, height()));
  }
  void setHeight(int height) {
    setBounds(Rect::fromSize(bounds_.left, bounds_.top, width(), height));
  }
  Rect clientRect() const { return {0, 0, width(), height()}; }
  // The platform changed the window's geometry; the control follows.
  void hostResized(const Rect& bounds);

  Align align() const { return align_; }
  void setAlign(Align align);

  bool visible() const { return visible_; }
  void setVisible(bool visible);
  bool enabled() const { return enabled_; }
  void setEnabled(bool enabled);

  // The background colour; while parentColor() is on (the default) it is the
  // parent's colour. Setting a colour turns parentColor off.
  Color color() const { return parentColor_ && parent_ ? parent_->color() : color_; }
  void setColor(Color color);
  bool parentColor() const { return parentColor_; }
  void setParentColor(bool parentColor);
  // Whether paint() covers every pixel of the control; a host may then skip
  // erasing behind it. Transparent controls answer false.
  virtual bool opaque() const { return true; }
  const Font& font() const { return font_; }
  void setFont(const Font& font);

  Cursor cursor() const { return cursor_; }
  void setCursor(Cursor cursor);

  // Repaint requests; they go nowhere while detached.
  void invalidate();
  void invalidateRect(const Rect& rect);
  void repaintNow();

  // Places the visible children by their alignment.
  void realignChildren();

  // --- Driven by the host ---

  // Paints the dirty rectangle (at least; painting more is allowed, the
  // canvas clips to it).
  virtual void paint(Canvas& canvas, const Rect& dirty) = 0;

  virtual void mouseDown(MouseButton, ShiftState, Point) {}
  virtual void mouseMove(ShiftState, Point) {}
  virtual void mouseUp(MouseButton, ShiftState, Point) {}
  virtual void mouseDoubleClick(MouseButton button, ShiftState shift, Point p) {
    mouseDown(button, shift | ssDouble, p);
  }
  // delta: positive away from the user, 120 per notch. True when used.
  virtual bool mouseWheel(ShiftState, int /*delta*/, Point) { return false; }
  virtual void mouseEnter() {}
  virtual void mouseLeave() {}
  // True when the key was used (so it goes no further).
  virtual bool keyDown(int /*key*/, ShiftState) { return false; }
  virtual bool keyUp(int /*key*/, ShiftState) { return false; }
  // Typed text (UTF-8), after keyDown.
  virtual bool keyPress(std::string_view /*text*/) { return false; }
  virtual void focusChanged(bool /*focused*/) {}
  // The platform ended a mouse capture the control held.
  virtual void captureLost() {}
  virtual void scrolled(ScrollBarKind, ScrollCode, int /*position*/) {}

  // Whether the point belongs to the parent for mouse purposes.
  virtual bool passesToParent(Point) const { return false; }
  // The pointer shape at a point; by default cursor().
  virtual Cursor cursorAt(Point) const { return cursor_; }

 protected:
  // The area children are aligned in; by default the client rectangle.
  virtual Rect alignRect() const { return clientRect(); }
  // After the size or position changed (also when the host changed it).
  virtual void resized() {}
  virtual void fontChanged() { invalidate(); }
  virtual void enabledChanged() { invalidate(); }
  virtual void hostAttached() {}
  virtual void hostDetaching() {}

 private:
  void applyBounds(const Rect& bounds, bool tellHost);

  ControlHost* host_ = nullptr;
  Control* parent_ = nullptr;
  std::vector<Control*> children_;
  Rect bounds_{0, 0, 100, 20};
  Align align_ = alNone;
  bool visible_ = true;
  bool enabled_ = true;
  bool aligning_ = false;
  bool parentColor_ = true;
  Color color_ = clBtnFace;
  Font font_;
  Cursor cursor_ = crDefault;
};

}  // namespace morvel
