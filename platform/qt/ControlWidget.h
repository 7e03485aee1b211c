// The one generic QWidget that hosts any control's logic (status bar, pane,
// progress bar, labels, the grid): it owns the control, forwards paint,
// mouse, wheel, key, focus, enter/leave, resize and scroll-bar events to it,
// and carries out what the control asks through ControlHost.
//
//   auto* bar = new ControlWidget(std::make_unique<StatusBar>(), window);
//   auto* pane = new ControlWidget(std::make_unique<StatusPane>(), bar);
//   pane->control().setAlign(alClient);   // placed by the bar's logic
//
// A ControlWidget created inside another makes its control a child of the
// other's control. Scroll bars appear at the right and bottom edges when the
// control asks for them; clientSize() is the area left between them.
#pragma once

#include <QScrollBar>
#include <QWidget>
#include <memory>

#include "platform/Control.h"
#include "platform/ControlHost.h"
#include "platform/qt/QtCanvas.h"
#include "platform/qt/QtServices.h"

namespace morvel {

class ControlWidget : public QWidget, public ControlHost {
 public:
  explicit ControlWidget(std::unique_ptr<Control> control, QWidget* parent = nullptr);
  ~ControlWidget() override;

  Control& control() { return *control_; }
  template <class T>
  T& controlAs() {
    return static_cast<T&>(*control_);
  }

  // ControlHost
  Size clientSize() const override;
  void invalidate() override { update(); }
  void invalidateRect(const Rect& rect) override;
  void setScrollBar(ScrollBarKind bar, const ScrollBarInfo& info) override;
  Canvas& canvas() override;
  Cursor screenCursor() const override { return services_.screenCursor(); }
  void setScreenCursor(Cursor cursor) override { services_.setScreenCursor(cursor); }
  PlatformServices& services() override { return services_; }
  void repaintNow() override { repaint(); }
  void repaintNow(const Rect& rect) override;
  void scrollArea(const Rect& area, int dx, int dy) override;
  void setBounds(const Rect& bounds) override;
  void setVisible(bool visible) override { QWidget::setVisible(visible); }
  void setCursor(Cursor cursor) override;
  void setOpaque(bool opaque) override;
  void setMouseCapture(bool capture) override;
  bool hasMouseCapture() const override { return captured_; }
  void setFocus() override { QWidget::setFocus(Qt::OtherFocusReason); }
  bool hasFocus() const override { return QWidget::hasFocus(); }
  Point clientToScreen(Point p) const override;
  Point screenToClient(Point p) const override;
  std::unique_ptr<FloatingImage> showFloatingImage(const Bitmap& image,
                                                   Point screenTopLeft) override;
  std::unique_ptr<ToolWindow> createToolWindow(std::string_view caption,
                                               std::unique_ptr<Control> content) override;
  Rect topLevelFrame() const override;
  bool windowMaximized() const override;
  void startWindowSizing() override;

  QSize sizeHint() const override;

  // The modifier and button state of a Qt event as controls see it.
  static ShiftState shiftState(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons);
  // The classic key code of a Qt key (0 when it has none).
  static int keyCode(int qtKey, Qt::KeyboardModifiers modifiers);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  enum class MouseKind { Press, Move, Release, DoubleClick };
  // Delivers a mouse event to this control, or to the parent's when the
  // control passes the point on.
  void deliverMouse(MouseKind kind, MouseButton button, ShiftState shift, Point p);
  ControlWidget* parentHost() const;
  void layoutScrollBars();
  QScrollBar* scrollBar(ScrollBarKind kind);
  void scrollAction(ScrollBarKind kind, int action);

  std::unique_ptr<Control> control_;
  QtServices& services_;
  std::unique_ptr<QtCanvas> measureCanvas_;
  QScrollBar* scrollBars_[2] = {nullptr, nullptr};
  bool captured_ = false;
  Cursor shownCursor_ = crDefault;
};

}  // namespace morvel
