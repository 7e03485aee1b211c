// The recording host; see FakeHost.h.
#include "platform/fake/FakeHost.h"

#include <algorithm>

namespace morvel {

class FakeHost::FakeFloatingImage : public FloatingImage {
 public:
  FakeFloatingImage(FakeHost& host, Point at)
      : host_(host), where_(host.floatingImages.insert(host.floatingImages.end(), at)) {}
  ~FakeFloatingImage() override { host_.floatingImages.erase(where_); }
  void moveTo(Point at) override { *where_ = at; }

 private:
  FakeHost& host_;
  std::list<Point>::iterator where_;
};

FakeHost::FakeHost(Size clientSize)
    : ownServices_(std::make_unique<FakeServices>()),
      services_(ownServices_.get()),
      clientSize_(clientSize) {
  services_->hosts_.push_back(this);
}

FakeHost::FakeHost(FakeServices& services, Size clientSize)
    : services_(&services), clientSize_(clientSize) {
  services_->hosts_.push_back(this);
}

FakeHost::~FakeHost() {
  if (control_ && control_->host() == this) control_->attach(nullptr);
  if (services_) {
    auto& h = services_->hosts_;
    h.erase(std::remove(h.begin(), h.end(), this), h.end());
  }
}

void FakeHost::attach(Control& control) {
  control_ = &control;
  control.attach(this);
}

void FakeHost::invalidate() {
  ++fullRepaints;
  pending_ = true;
}

void FakeHost::invalidateRect(const Rect& rect) {
  repaintedRects.push_back(rect);
  pending_ = true;
}

void FakeHost::setScrollBar(ScrollBarKind bar, const ScrollBarInfo& info) {
  scrollBars[bar] = info;
  ++scrollBarUpdates;
}

void FakeHost::setScreenCursor(Cursor cursor) {
  cursor_ = cursor;
  cursorHistory.push_back(cursor);
}

void FakeHost::repaintNow() {
  if (!visible_) return;
  ++immediateRepaints;
  paint();
}

void FakeHost::repaintNow(const Rect&) { repaintNow(); }

void FakeHost::scrollArea(const Rect& area, int dx, int dy) {
  scrolls.push_back({area, dx, dy});
  pending_ = true;
}

void FakeHost::setBounds(const Rect& bounds) { clientSize_ = {bounds.width(), bounds.height()}; }

std::unique_ptr<FloatingImage> FakeHost::showFloatingImage(const Bitmap&, Point screenTopLeft) {
  return std::make_unique<FakeFloatingImage>(*this, screenTopLeft);
}

FakeHost::FakeToolWindow::FakeToolWindow(FakeHost& owner, std::string_view title,
                                         std::unique_ptr<Control> content)
    : caption(title), owner_(owner), content_(std::move(content)), frame_{0, 0, 6, 23} {
  host_ = std::make_unique<FakeHost>(*owner.services_, Size{0, 0});
  host_->screenOrigin = clientOrigin();
  host_->attach(*content_);
  owner_.toolWindows.push_back(this);
}

FakeHost::FakeToolWindow::~FakeToolWindow() {
  auto& w = owner_.toolWindows;
  w.erase(std::remove(w.begin(), w.end(), this), w.end());
  host_.reset();  // lets the control go before the control goes
}

void FakeHost::FakeToolWindow::setClientSize(Size size) {
  frame_ = Rect::fromSize(frame_.left, frame_.top, size.width + 6, size.height + 23);
  content_->setBounds({0, 0, size.width, size.height});
}

void FakeHost::FakeToolWindow::moveTo(Point at) {
  frame_ = Rect::fromSize(at.x, at.y, frame_.width(), frame_.height());
  host_->screenOrigin = clientOrigin();
}

std::unique_ptr<ToolWindow> FakeHost::createToolWindow(std::string_view caption,
                                                       std::unique_ptr<Control> content) {
  return std::make_unique<FakeToolWindow>(*this, caption, std::move(content));
}

void FakeHost::paint() {
  pending_ = false;
  if (!visible_ || !control_) return;
  const Rect client{0, 0, clientSize_.width, clientSize_.height};
  canvas_.clearRecords(client);
  ++paints;
  control_->paint(canvas_, client);
}

void FakeHost::clearRecords() {
  fullRepaints = 0;
  repaintedRects.clear();
  scrollBarUpdates = 0;
  cursorHistory.clear();
  immediateRepaints = 0;
  paints = 0;
  scrolls.clear();
}

}  // namespace morvel
