// The host of a grid without a window; see DetachedHost.h.
#include "grid/view/DetachedHost.h"

namespace morvel {

// Measures like the classic 8-point face scaled to the font (a character is
// half the em wide, a line the em plus 2), draws nothing.
class DetachedHost::MeasuringCanvas : public OffscreenCanvas {
 public:
  void setFont(const Font& font) override { font_ = font; }
  const Font& font() const override { return font_; }
  int textWidth(std::string_view text) override {
    return static_cast<int>(text.size()) * std::max(font_.pixelSize() / 2, 1);
  }
  Size textExtent(std::string_view text) override {
    return {textWidth(text), font_.pixelSize() + 2};
  }
  int textAscent() override { return font_.pixelSize(); }
  void fillRect(const Rect&, Color) override {}
  void drawLine(Point, Point, Color) override {}
  void drawPolyline(std::span<const Point>, Color) override {}
  void drawLines(std::span<const LineSegment>, Color) override {}
  void invertRect(const Rect&) override {}
  void drawFocusRect(const Rect&) override {}
  void drawTextLine(Point, std::string_view, Color, int) override {}
  void drawTextRotated(Point, int, std::string_view, Color) override {}
  void drawBitmap(Point, const Bitmap&) override {}
  void pushClip(const Rect&) override {}
  void popClip() override {}
  void excludeClip(const Rect&) override {}
  Rect clipBounds() const override { return {}; }
  std::unique_ptr<OffscreenCanvas> createOffscreen(Size) override {
    return std::make_unique<MeasuringCanvas>();
  }
  void drawOffscreen(Point, OffscreenCanvas&) override {}
  Size size() const override { return {}; }
  Bitmap toBitmap() const override { return {}; }

 private:
  Font font_;
};

namespace {
class NullTimer : public Timer {
 public:
  void start(int intervalMs) override { interval_ = intervalMs; }
  void stop() override {}
  bool active() const override { return false; }
  int interval() const override { return interval_; }

 private:
  int interval_ = 0;
};
}  // namespace

class DetachedHost::NullServices : public PlatformServices {
 public:
  std::unique_ptr<Timer> createTimer(std::function<void()>) override {
    return std::make_unique<NullTimer>();
  }
  void processMessages() override {}
  bool openDocument(std::string_view) override { return false; }
  std::uint32_t resolveColor(Color color) const override { return classicColor(color); }
  void registerCursor(Cursor, const Bitmap&, Point) override {}
  void setClipboardText(std::string_view) override {}
  Point cursorPos() const override { return {}; }
  // Nobody can answer without a window: the safe answer, nothing is done.
  MessageBoxResult messageBox(std::string_view, std::string_view, MessageBoxIcon,
                              MessageBoxButtons buttons) override {
    return buttons == mbbOk ? mrOk : buttons == mbbYesNo ? mrNo : mrCancel;
  }
};

namespace {
class NullFloatingImage : public FloatingImage {
 public:
  void moveTo(Point) override {}
};
}  // namespace

DetachedHost::DetachedHost()
    : canvas_(std::make_unique<MeasuringCanvas>()), services_(std::make_unique<NullServices>()) {}
DetachedHost::~DetachedHost() = default;

Canvas& DetachedHost::canvas() { return *canvas_; }
PlatformServices& DetachedHost::services() { return *services_; }

std::unique_ptr<FloatingImage> DetachedHost::showFloatingImage(const Bitmap&, Point) {
  return std::make_unique<NullFloatingImage>();
}

}  // namespace morvel
