// The Qt host of a control's logic; see ControlWidget.h.
#include "platform/qt/ControlWidget.h"

#include <QApplication>
#include <QBitmap>
#include <QCloseEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>
#include <QStyle>
#include <QWindow>

namespace morvel {
namespace {

Rect toRect(const QRect& r) { return Rect::fromSize(r.x(), r.y(), r.width(), r.height()); }
Point toPoint(const QPointF& p) { return {static_cast<int>(p.x()), static_cast<int>(p.y())}; }

MouseButton toButton(Qt::MouseButton b) {
  return b == Qt::RightButton ? mbRight : b == Qt::MiddleButton ? mbMiddle : mbLeft;
}

class QtFloatingImage : public FloatingImage {
 public:
  QtFloatingImage(const Bitmap& image, Point at) {
    label_ = std::make_unique<QLabel>(nullptr, Qt::ToolTip | Qt::FramelessWindowHint |
                                                   Qt::WindowTransparentForInput |
                                                   Qt::WindowStaysOnTopHint);
    label_->setAttribute(Qt::WA_TranslucentBackground);
    label_->setAttribute(Qt::WA_ShowWithoutActivating);
    QImage picture(image.width(), image.height(), QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
      for (int x = 0; x < image.width(); ++x) picture.setPixel(x, y, image.pixel(x, y));
    }
    const QPixmap pixmap = QPixmap::fromImage(picture);
    label_->setPixmap(pixmap);
    label_->resize(image.width(), image.height());
    // Without a compositor a translucent window shows black where it is
    // transparent; the mask cuts those pixels out of the window itself.
    label_->setMask(pixmap.mask());
    label_->move(at.x, at.y);
    label_->show();
  }
  void moveTo(Point at) override { label_->move(at.x, at.y); }

 private:
  std::unique_ptr<QLabel> label_;
};

// The frame of a tool window: closing it only hides it and tells the owner
// later, so that the owner may destroy the window outside Qt's close event.
class ToolFrame : public QWidget {
 public:
  ToolFrame(QWidget* owner)
      : QWidget(owner, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint |
                           Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {}
  std::function<void()> closed;

 protected:
  void closeEvent(QCloseEvent* e) override {
    e->ignore();
    hide();
    QMetaObject::invokeMethod(
        this,
        [this] {
          const auto handler = closed;
          if (handler) handler();
        },
        Qt::QueuedConnection);
  }
};

class QtToolWindow : public ToolWindow {
 public:
  QtToolWindow(QWidget* owner, std::string_view caption, std::unique_ptr<Control> content)
      : frame_(new ToolFrame(owner)) {
    frame_->setWindowTitle(QString::fromUtf8(caption.data(), static_cast<int>(caption.size())));
    content_ = new ControlWidget(std::move(content), frame_);
    content_->control().setAlign(alNone);
    frame_->closed = [this] {
      const auto handler = onClose;
      if (handler) handler();
    };
  }
  // The owner window may have taken the frame with it already.
  ~QtToolWindow() override { delete frame_.data(); }

  Rect frame() const override {
    if (!frame_) return {};
    const QRect r = frame_->frameGeometry();
    return Rect::fromSize(r.x(), r.y(), r.width(), r.height());
  }
  void setClientSize(Size size) override {
    if (!frame_) return;
    frame_->setFixedSize(size.width, size.height);
    content_->control().setBounds({0, 0, size.width, size.height});
  }
  void moveTo(Point at) override {
    if (frame_) frame_->move(at.x, at.y);
  }
  void show() override {
    if (!frame_) return;
    frame_->show();
    frame_->raise();
  }
  Control& content() override { return content_->control(); }

 private:
  QPointer<ToolFrame> frame_;
  ControlWidget* content_ = nullptr;  // owned by the frame
};

}  // namespace

std::unique_ptr<ToolWindow> ControlWidget::createToolWindow(std::string_view caption,
                                                            std::unique_ptr<Control> content) {
  return std::make_unique<QtToolWindow>(window(), caption, std::move(content));
}

Rect ControlWidget::topLevelFrame() const {
  const QRect r = window()->frameGeometry();
  return Rect::fromSize(r.x(), r.y(), r.width(), r.height());
}

ControlWidget::ControlWidget(std::unique_ptr<Control> control, QWidget* parent)
    : QWidget(parent), control_(std::move(control)), services_(QtServices::instance()) {
  setMouseTracking(true);
  if (ControlWidget* host = parentHost()) control_->setParent(host->control_.get());
  control_->attach(this);
  if (control_->parent()) control_->parent()->realignChildren();
}

ControlWidget::~ControlWidget() {
  if (captured_) releaseMouse();
  control_->attach(nullptr);
  control_->setParent(nullptr);
}

ControlWidget* ControlWidget::parentHost() const {
  return dynamic_cast<ControlWidget*>(parentWidget());
}

Size ControlWidget::clientSize() const {
  int w = width();
  int h = height();
  if (scrollBars_[sbVertical] && scrollBars_[sbVertical]->isVisible()) {
    w -= scrollBars_[sbVertical]->width();
  }
  if (scrollBars_[sbHorizontal] && scrollBars_[sbHorizontal]->isVisible()) {
    h -= scrollBars_[sbHorizontal]->height();
  }
  return {std::max(w, 0), std::max(h, 0)};
}

void ControlWidget::invalidateRect(const Rect& rect) {
  update(rect.left, rect.top, rect.width(), rect.height());
}

void ControlWidget::repaintNow(const Rect& rect) {
  repaint(rect.left, rect.top, rect.width(), rect.height());
}

void ControlWidget::scrollArea(const Rect& area, int dx, int dy) {
  scroll(dx, dy, QRect(area.left, area.top, area.width(), area.height()));
}

Canvas& ControlWidget::canvas() {
  if (!measureCanvas_) measureCanvas_ = std::make_unique<QtCanvas>(Size{1, 1}, services_);
  return *measureCanvas_;
}

void ControlWidget::setBounds(const Rect& bounds) {
  const QRect wanted(bounds.left, bounds.top, bounds.width(), bounds.height());
  if (geometry() != wanted) setGeometry(wanted);
}

void ControlWidget::setCursor(Cursor cursor) {
  shownCursor_ = cursor;
  if (cursor == crDefault) {
    unsetCursor();
  } else {
    QWidget::setCursor(services_.qtCursor(cursor));
  }
}

void ControlWidget::setOpaque(bool opaque) {
  // Qt paints the parent behind a widget that is not opaque.
  setAttribute(Qt::WA_OpaquePaintEvent, opaque);
  update();
}

void ControlWidget::setMouseCapture(bool capture) {
  if (capture == captured_) return;
  captured_ = capture;
  if (capture) {
    grabMouse();
  } else {
    releaseMouse();
  }
}

Point ControlWidget::clientToScreen(Point p) const {
  const QPoint g = mapToGlobal(QPoint(p.x, p.y));
  return {g.x(), g.y()};
}

Point ControlWidget::screenToClient(Point p) const {
  const QPoint l = mapFromGlobal(QPoint(p.x, p.y));
  return {l.x(), l.y()};
}

std::unique_ptr<FloatingImage> ControlWidget::showFloatingImage(const Bitmap& image,
                                                                Point screenTopLeft) {
  return std::make_unique<QtFloatingImage>(image, screenTopLeft);
}

bool ControlWidget::windowMaximized() const { return window()->isMaximized(); }

void ControlWidget::startWindowSizing() {
  if (QWindow* handle = window()->windowHandle()) {
    handle->startSystemResize(Qt::BottomEdge | Qt::RightEdge);
  }
}

QSize ControlWidget::sizeHint() const { return QSize(control_->width(), control_->height()); }

ShiftState ControlWidget::shiftState(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons) {
  ShiftState s = 0;
  if (modifiers & Qt::ShiftModifier) s |= ssShift;
  if (modifiers & Qt::AltModifier) s |= ssAlt;
  if (modifiers & Qt::ControlModifier) s |= ssCtrl;
  if (buttons & Qt::LeftButton) s |= ssLeft;
  if (buttons & Qt::RightButton) s |= ssRight;
  if (buttons & Qt::MiddleButton) s |= ssMiddle;
  return s;
}

int ControlWidget::keyCode(int key, Qt::KeyboardModifiers modifiers) {
  if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return vkF1 + (key - Qt::Key_F1);
  if ((key >= Qt::Key_0 && key <= Qt::Key_9) || (key >= Qt::Key_A && key <= Qt::Key_Z)) {
    return key;
  }
  const bool keypad = modifiers & Qt::KeypadModifier;
  switch (key) {
    case Qt::Key_Backspace:
      return vkBack;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
      return vkTab;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return vkReturn;
    case Qt::Key_Shift:
      return vkShift;
    case Qt::Key_Control:
      return vkControl;
    case Qt::Key_Alt:
      return vkMenu;
    case Qt::Key_Escape:
      return vkEscape;
    case Qt::Key_Space:
      return vkSpace;
    case Qt::Key_PageUp:
      return vkPrior;
    case Qt::Key_PageDown:
      return vkNext;
    case Qt::Key_End:
      return vkEnd;
    case Qt::Key_Home:
      return vkHome;
    case Qt::Key_Left:
      return vkLeft;
    case Qt::Key_Up:
      return vkUp;
    case Qt::Key_Right:
      return vkRight;
    case Qt::Key_Down:
      return vkDown;
    case Qt::Key_Insert:
      return vkInsert;
    case Qt::Key_Delete:
      return vkDelete;
    case Qt::Key_Asterisk:
      return keypad ? vkMultiply : 0;
    case Qt::Key_Plus:
      return keypad ? vkAdd : 0;
    case Qt::Key_Minus:
      return keypad ? vkSubtract : 0;
    default:
      return 0;
  }
}

void ControlWidget::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  {
    QtCanvas canvas(painter, services_);
    control_->paint(canvas, toRect(event->rect()));
  }
  // The square between two scroll bars belongs to neither, nor to the
  // control's client area: fill it as a window would.
  const Size client = clientSize();
  if (client.width < width() && client.height < height()) {
    painter.fillRect(client.width, client.height, width() - client.width, height() - client.height,
                     palette().color(QPalette::Button));
  }
}

void ControlWidget::resizeEvent(QResizeEvent*) {
  layoutScrollBars();
  control_->hostResized(toRect(geometry()));
}

void ControlWidget::moveEvent(QMoveEvent*) { control_->hostResized(toRect(geometry())); }

void ControlWidget::deliverMouse(MouseKind kind, MouseButton button, ShiftState shift, Point p) {
  ControlWidget* target = this;
  // Points the control passes on belong to its parent, unless this control
  // holds the mouse (a press it started ends with it).
  while (!target->captured_ && target->control_->passesToParent(p) && target->parentHost()) {
    p = {p.x + target->x(), p.y + target->y()};
    target = target->parentHost();
  }
  Control& c = *target->control_;
  if (kind == MouseKind::Move) {
    const Cursor wanted = c.cursorAt(p);
    if (wanted != shownCursor_) {
      shownCursor_ = wanted;
      if (wanted == crDefault) {
        unsetCursor();
      } else {
        QWidget::setCursor(services_.qtCursor(wanted));
      }
    }
  }
  switch (kind) {
    case MouseKind::Press:
      c.mouseDown(button, shift, p);
      break;
    case MouseKind::Move:
      c.mouseMove(shift, p);
      break;
    case MouseKind::Release:
      c.mouseUp(button, shift, p);
      break;
    case MouseKind::DoubleClick:
      c.mouseDoubleClick(button, shift, p);
      break;
  }
}

void ControlWidget::mousePressEvent(QMouseEvent* e) {
  deliverMouse(MouseKind::Press, toButton(e->button()), shiftState(e->modifiers(), e->buttons()),
               toPoint(e->position()));
}

void ControlWidget::mouseMoveEvent(QMouseEvent* e) {
  deliverMouse(MouseKind::Move, mbLeft, shiftState(e->modifiers(), e->buttons()),
               toPoint(e->position()));
}

void ControlWidget::mouseReleaseEvent(QMouseEvent* e) {
  deliverMouse(MouseKind::Release, toButton(e->button()), shiftState(e->modifiers(), e->buttons()),
               toPoint(e->position()));
}

void ControlWidget::mouseDoubleClickEvent(QMouseEvent* e) {
  deliverMouse(MouseKind::DoubleClick, toButton(e->button()),
               shiftState(e->modifiers(), e->buttons()) | ssDouble, toPoint(e->position()));
}

void ControlWidget::wheelEvent(QWheelEvent* e) {
  const int delta = e->angleDelta().y();
  if (!control_->mouseWheel(shiftState(e->modifiers(), e->buttons()), delta,
                            toPoint(e->position()))) {
    e->ignore();
  }
}

void ControlWidget::keyPressEvent(QKeyEvent* e) {
  const ShiftState shift = shiftState(e->modifiers(), Qt::NoButton) |
                           (e->key() == Qt::Key_Backtab ? ShiftState{ssShift} : ShiftState{0});
  bool used = false;
  if (const int key = keyCode(e->key(), e->modifiers())) used = control_->keyDown(key, shift);
  if (!used && !e->text().isEmpty() && e->text().at(0).isPrint()) {
    used = control_->keyPress(e->text().toStdString());
  }
  if (!used) e->ignore();
}

void ControlWidget::keyReleaseEvent(QKeyEvent* e) {
  const int key = keyCode(e->key(), e->modifiers());
  if (!key || !control_->keyUp(key, shiftState(e->modifiers(), Qt::NoButton))) e->ignore();
}

void ControlWidget::focusInEvent(QFocusEvent*) { control_->focusChanged(true); }
void ControlWidget::focusOutEvent(QFocusEvent*) { control_->focusChanged(false); }
void ControlWidget::enterEvent(QEnterEvent*) { control_->mouseEnter(); }
void ControlWidget::leaveEvent(QEvent*) { control_->mouseLeave(); }

void ControlWidget::changeEvent(QEvent* e) {
  // Losing activation loses a mouse capture on every platform.
  if (e->type() == QEvent::ActivationChange && !isActiveWindow() && captured_) {
    setMouseCapture(false);
    control_->captureLost();
  }
  QWidget::changeEvent(e);
}

QScrollBar* ControlWidget::scrollBar(ScrollBarKind kind) {
  if (!scrollBars_[kind]) {
    auto* bar = new QScrollBar(kind == sbVertical ? Qt::Vertical : Qt::Horizontal, this);
    bar->hide();
    connect(bar, &QScrollBar::actionTriggered, this,
            [this, kind](int action) { scrollAction(kind, action); });
    connect(bar, &QScrollBar::sliderReleased, this, [this, kind] {
      control_->scrolled(kind, scThumbPosition, scrollBars_[kind]->sliderPosition());
      control_->scrolled(kind, scEndScroll, scrollBars_[kind]->sliderPosition());
    });
    scrollBars_[kind] = bar;
  }
  return scrollBars_[kind];
}

void ControlWidget::scrollAction(ScrollBarKind kind, int action) {
  const int pos = scrollBars_[kind]->sliderPosition();
  switch (action) {
    case QAbstractSlider::SliderSingleStepAdd:
      control_->scrolled(kind, scLineDown, pos);
      break;
    case QAbstractSlider::SliderSingleStepSub:
      control_->scrolled(kind, scLineUp, pos);
      break;
    case QAbstractSlider::SliderPageStepAdd:
      control_->scrolled(kind, scPageDown, pos);
      break;
    case QAbstractSlider::SliderPageStepSub:
      control_->scrolled(kind, scPageUp, pos);
      break;
    case QAbstractSlider::SliderToMinimum:
      control_->scrolled(kind, scTop, pos);
      break;
    case QAbstractSlider::SliderToMaximum:
      control_->scrolled(kind, scBottom, pos);
      break;
    case QAbstractSlider::SliderMove:
      control_->scrolled(kind, scThumbTrack, pos);
      break;
    default:
      break;
  }
}

void ControlWidget::setScrollBar(ScrollBarKind kind, const ScrollBarInfo& info) {
  QScrollBar* bar = scrollBar(kind);
  // The control's range runs to the last item; Qt's to the last page start.
  const QSignalBlocker quiet(bar);
  bar->setRange(info.min, std::max(info.min, info.max - std::max(info.page, 1) + 1));
  bar->setPageStep(std::max(info.page, 1));
  bar->setValue(info.position);
  bar->setVisible(info.visible);
  layoutScrollBars();
}

void ControlWidget::layoutScrollBars() {
  const int extent = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
  const bool v = scrollBars_[sbVertical] && !scrollBars_[sbVertical]->isHidden();
  const bool h = scrollBars_[sbHorizontal] && !scrollBars_[sbHorizontal]->isHidden();
  if (v) {
    scrollBars_[sbVertical]->setGeometry(width() - extent, 0, extent, height() - (h ? extent : 0));
  }
  if (h) {
    scrollBars_[sbHorizontal]->setGeometry(0, height() - extent, width() - (v ? extent : 0),
                                           extent);
  }
}

}  // namespace morvel
