// The fixed-metrics recording canvas; see FakeCanvas.h.
#include "platform/fake/FakeCanvas.h"

#include "platform/PlatformServices.h"

namespace morvel {

int fakeCharacterCount(std::string_view text) {
  // Plain ASCII, the common case, is one character per byte.
  unsigned char high = 0;
  for (const char c : text) high |= static_cast<unsigned char>(c);
  if (high < 0x80) return static_cast<int>(text.size());
  int count = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    const auto c = static_cast<unsigned char>(text[i]);
    std::size_t length = c < 0x80                ? 1
                         : c >= 0xc2 && c < 0xe0 ? 2
                         : c >= 0xe0 && c < 0xf0 ? 3
                         : c >= 0xf0 && c < 0xf5 ? 4
                                                 : 0;
    if (length == 0 || i + length > text.size()) return static_cast<int>(text.size());
    for (std::size_t k = 1; k < length; ++k) {
      if ((static_cast<unsigned char>(text[i + k]) & 0xc0) != 0x80) {
        return static_cast<int>(text.size());
      }
    }
    i += length;
    ++count;
  }
  return count;
}

int FakeCanvas::charWidthFor(const Font& font) {
  return (3 * font.pointSize() + 2) / 4 + (font.bold() ? 1 : 0);
}

int FakeCanvas::textHeightFor(const Font& font) { return (13 * font.pointSize() + 4) / 8; }

int FakeCanvas::textWidth(std::string_view text) {
  ++measureCount_;
  return fakeCharacterCount(text) * charWidthFor(font_);
}

Size FakeCanvas::textExtent(std::string_view text) {
  ++measureCount_;
  return {fakeCharacterCount(text) * charWidthFor(font_), textHeightFor(font_)};
}

DrawCommand& FakeCanvas::record(DrawCommand::Kind kind, Color color) {
  DrawCommand& c = commands.emplace_back();
  c.kind = kind;
  c.color = color;
  c.clip = clips_.back();
  return c;
}

void FakeCanvas::fillRect(const Rect& rect, Color color) {
  if (color == clNone || rect.isEmpty()) return;
  record(DrawCommand::Fill, color).rect = rect;
}

void FakeCanvas::drawLine(Point from, Point to, Color color) {
  if (color == clNone) return;
  record(DrawCommand::Line, color).points = {from, to};
}

void FakeCanvas::drawPolyline(std::span<const Point> points, Color color) {
  if (color == clNone) return;
  record(DrawCommand::Polyline, color).points.assign(points.begin(), points.end());
}

void FakeCanvas::drawLines(std::span<const LineSegment> lines, Color color) {
  if (color == clNone) return;
  auto& c = record(DrawCommand::Lines, color);
  for (const auto& l : lines) {
    c.points.push_back(l.from);
    c.points.push_back(l.to);
  }
}

void FakeCanvas::invertRect(const Rect& rect) { record(DrawCommand::Invert, clNone).rect = rect; }

void FakeCanvas::drawFocusRect(const Rect& rect) {
  record(DrawCommand::FocusRect, clNone).rect = rect;
}

void FakeCanvas::drawTextLine(Point origin, std::string_view text, Color color, int accelerator) {
  if (color == clNone) return;
  auto& c = record(DrawCommand::Text, color);
  c.origin = origin;
  c.text.assign(text);
  c.accelerator = accelerator;
  c.font = font_;
  c.rect = Rect::fromSize(origin.x, origin.y, fakeCharacterCount(text) * charWidthFor(font_),
                          textHeightFor(font_));
}

void FakeCanvas::drawTextRotated(Point origin, int angle, std::string_view text, Color color) {
  if (color == clNone) return;
  auto& c = record(DrawCommand::RotatedText, color);
  c.origin = origin;
  c.angle = angle;
  c.text.assign(text);
  c.font = font_;
}

void FakeCanvas::drawBitmap(Point origin, const Bitmap& bitmap) {
  auto& c = record(DrawCommand::Image, clNone);
  c.origin = origin;
  c.rect = Rect::fromSize(origin.x, origin.y, bitmap.width(), bitmap.height());
}

void FakeCanvas::pushClip(const Rect& rect) {
  clips_.push_back(clips_.back().intersected(rect));
  excluded_.push_back(excluded_.back());
}

void FakeCanvas::popClip() {
  if (clips_.size() > 1) {
    clips_.pop_back();
    excluded_.pop_back();
  }
}

void FakeCanvas::excludeClip(const Rect& rect) { excluded_.back().push_back(rect); }

Rect FakeCanvas::clipBounds() const { return clips_.back(); }

std::unique_ptr<OffscreenCanvas> FakeCanvas::createOffscreen(Size size) {
  auto canvas = std::make_unique<FakeCanvas>(size);
  canvas->clearRecords({0, 0, size.width, size.height});
  canvas->setFont(font_);
  return canvas;
}

void FakeCanvas::drawOffscreen(Point origin, OffscreenCanvas& source) {
  auto& c = record(DrawCommand::Offscreen, clNone);
  c.origin = origin;
  c.rect = Rect::fromSize(origin.x, origin.y, source.size().width, source.size().height);
  // What was drawn off-screen follows, moved to where it lands, so tests see
  // the copied picture's texts and fills like directly drawn ones.
  auto* fake = dynamic_cast<FakeCanvas*>(&source);
  if (!fake) return;
  const Rect landed = c.rect.intersected(clips_.back());
  const auto move = [&](Point p) { return Point{p.x + origin.x, p.y + origin.y}; };
  for (DrawCommand copy : fake->commands) {
    copy.rect = copy.rect.translated(origin.x, origin.y);
    copy.origin = move(copy.origin);
    for (Point& p : copy.points) p = move(p);
    copy.clip = copy.clip.translated(origin.x, origin.y).intersected(landed);
    commands.push_back(std::move(copy));
  }
}

void FakeCanvas::clearRecords(const Rect& limit) {
  commands.clear();
  clips_.assign(1, limit);
  excluded_.assign(1, {});
}

Color FakeCanvas::colorAt(Point p) const {
  for (auto it = commands.rbegin(); it != commands.rend(); ++it) {
    if (it->kind == DrawCommand::Fill && it->rect.contains(p) && it->clip.contains(p)) {
      return it->color;
    }
  }
  return clNone;
}

std::vector<DrawCommand> FakeCanvas::texts() const {
  std::vector<DrawCommand> out;
  for (const auto& c : commands) {
    if (c.kind == DrawCommand::Text) out.push_back(c);
  }
  return out;
}

std::vector<Rect> FakeCanvas::fillsOf(Color color) const {
  std::vector<Rect> out;
  for (const auto& c : commands) {
    if (c.kind == DrawCommand::Fill && c.color == color) out.push_back(c.rect);
  }
  return out;
}

Bitmap FakeCanvas::toBitmap() const {
  Bitmap bitmap(size_.width, size_.height);
  for (int y = 0; y < size_.height; ++y) {
    for (int x = 0; x < size_.width; ++x) bitmap.setPixel(x, y, classicColor(colorAt({x, y})));
  }
  return bitmap;
}

}  // namespace morvel
