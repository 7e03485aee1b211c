// A control host that records what the control asked for, so tests can check
// repaints, scroll bars, cursors and drawing without a window. A repaint
// request stays pending until the test paints (paint()) or processes
// messages through the host's services, as a real paint cycle would.
#pragma once

#include <list>
#include <memory>
#include <vector>

#include "platform/Control.h"
#include "platform/ControlHost.h"
#include "platform/fake/FakeCanvas.h"
#include "platform/fake/FakeServices.h"

namespace morvel {

class FakeHost : public ControlHost {
 public:
  // A host with services of its own.
  explicit FakeHost(Size clientSize = {400, 300});
  // A host sharing services with others (one message queue, one set of timers).
  explicit FakeHost(FakeServices& services, Size clientSize = {400, 300});
  ~FakeHost() override;
  FakeHost(const FakeHost&) = delete;
  FakeHost& operator=(const FakeHost&) = delete;

  // Takes the control: from now on this host drives it.
  void attach(Control& control);
  Control* control() const { return control_; }

  Size clientSize() const override { return clientSize_; }
  void setClientSize(Size size) { clientSize_ = size; }

  void invalidate() override;
  void invalidateRect(const Rect& rect) override;
  void setScrollBar(ScrollBarKind bar, const ScrollBarInfo& info) override;
  FakeCanvas& canvas() override { return canvas_; }
  Cursor screenCursor() const override { return cursor_; }
  void setScreenCursor(Cursor cursor) override;

  FakeServices& services() override { return *services_; }
  void repaintNow() override;
  void repaintNow(const Rect& rect) override;
  void scrollArea(const Rect& area, int dx, int dy) override;
  void setBounds(const Rect& bounds) override;
  void setVisible(bool visible) override { visible_ = visible; }
  void setCursor(Cursor cursor) override { controlCursor = cursor; }
  void setMouseCapture(bool capture) override { captured = capture; }
  bool hasMouseCapture() const override { return captured; }
  void setFocus() override { focused = focusAllowed; }
  bool hasFocus() const override { return focused; }
  Point clientToScreen(Point p) const override {
    return {p.x + screenOrigin.x, p.y + screenOrigin.y};
  }
  Point screenToClient(Point p) const override {
    return {p.x - screenOrigin.x, p.y - screenOrigin.y};
  }
  std::unique_ptr<FloatingImage> showFloatingImage(const Bitmap& image,
                                                   Point screenTopLeft) override;
  std::unique_ptr<ToolWindow> createToolWindow(std::string_view caption,
                                               std::unique_ptr<Control> content) override;
  Rect topLevelFrame() const override { return topLevel; }
  bool windowMaximized() const override { return maximized; }
  void controlDestroyed() override { control_ = nullptr; }
  void startWindowSizing() override { ++windowSizings; }

  // Paints the control now into the canvas (its records are cleared first)
  // and clears the pending repaint. Does nothing while hidden.
  void paint();
  bool repaintPending() const { return pending_; }
  bool visible() const { return visible_; }

  // Forgets what was recorded so far (the scroll bars keep their state).
  void clearRecords();

  int fullRepaints = 0;              // invalidate() calls
  std::vector<Rect> repaintedRects;  // invalidateRect() calls
  int immediateRepaints = 0;         // repaintNow() calls that painted
  int paints = 0;                    // paints done, immediate or pending
  ScrollBarInfo scrollBars[2];       // indexed by ScrollBarKind
  int scrollBarUpdates = 0;
  std::vector<Cursor> cursorHistory;  // every screen cursor set, in order
  Cursor controlCursor = crDefault;
  bool captured = false;
  bool focused = false;
  bool focusAllowed = true;
  bool maximized = false;
  int windowSizings = 0;
  Point screenOrigin{100, 100};
  struct Scroll {
    Rect area;
    int dx, dy;
  };
  std::vector<Scroll> scrolls;
  // Floating images now shown, by their top-left screen position.
  std::list<Point> floatingImages;
  // The top-level window's frame.
  Rect topLevel{0, 0, 800, 600};
  // A tool window as the fake platform makes it: its control gets a host of
  // its own (sharing the services); its title bar is 20 pixels and its
  // border 3.
  class FakeToolWindow : public ToolWindow {
   public:
    FakeToolWindow(FakeHost& owner, std::string_view caption, std::unique_ptr<Control> content);
    ~FakeToolWindow() override;
    Rect frame() const override { return frame_; }
    void setClientSize(Size size) override;
    void moveTo(Point at) override;
    void show() override { shown = true; }
    Control& content() override { return *content_; }
    FakeHost& contentHost() { return *host_; }
    // What the user's close box does.
    void close() {
      // A copy: the handler may destroy this window.
      const auto handler = onClose;
      if (handler) handler();
    }
    // The client area's top-left corner on the screen.
    Point clientOrigin() const { return {frame_.left + 3, frame_.top + 20}; }

    std::string caption;
    bool shown = false;

   private:
    FakeHost& owner_;
    std::unique_ptr<FakeHost> host_;
    std::unique_ptr<Control> content_;
    Rect frame_;
  };
  // The tool windows open now, oldest first.
  std::vector<FakeToolWindow*> toolWindows;

 private:
  friend class FakeServices;
  class FakeFloatingImage;

  std::unique_ptr<FakeServices> ownServices_;
  FakeServices* services_;
  Control* control_ = nullptr;
  Size clientSize_;
  FakeCanvas canvas_;
  Cursor cursor_ = crDefault;
  bool visible_ = true;
  bool pending_ = false;
};

}  // namespace morvel
