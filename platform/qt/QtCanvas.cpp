// Drawing and measuring with Qt; see QtCanvas.h.
#include "platform/qt/QtCanvas.h"

#include <cmath>

#include "platform/qt/QtText.h"

namespace morvel {
namespace {

QRect qRect(const Rect& r) { return QRect(r.left, r.top, r.width(), r.height()); }

}  // namespace

QtCanvas::QtCanvas(QPainter& painter, QtServices& services)
    : painter_(&painter), services_(services), entry_(&services.fontEntry(font_)) {
  painter_->setRenderHint(QPainter::Antialiasing, false);
}

QtCanvas::QtCanvas(Size size, QtServices& services, qreal devicePixelRatio)
    : imageSize_{std::max(size.width, 1), std::max(size.height, 1)},
      services_(services),
      entry_(&services.fontEntry(font_)) {
  const qreal ratio = devicePixelRatio > 0 ? devicePixelRatio : 1;
  image_ = std::make_unique<QImage>(static_cast<int>(std::ceil(imageSize_.width * ratio)),
                                    static_cast<int>(std::ceil(imageSize_.height * ratio)),
                                    QImage::Format_ARGB32_Premultiplied);
  image_->setDevicePixelRatio(ratio);
  image_->fill(Qt::transparent);
  ownPainter_ = std::make_unique<QPainter>(image_.get());
  painter_ = ownPainter_.get();
  painter_->setRenderHint(QPainter::Antialiasing, false);
}

QtCanvas::~QtCanvas() {
  while (clipDepth_ > 0) popClip();
}

QColor QtCanvas::qColor(Color color) const { return qColorOf(services_.resolveColor(color)); }

void QtCanvas::setFont(const Font& font) {
  if (font == font_) return;
  font_ = font;
  entry_ = &services_.fontEntry(font);
}

namespace {

// The sum of the advances of an all-ASCII text into `sum`; false (sum
// partial) when the text holds another byte.
template <class Sum, class Advance>
bool sumAsciiAdvances(std::string_view text, const std::array<Advance, 128>& advances, Sum& sum) {
  for (const char c : text) {
    const auto b = static_cast<unsigned char>(c);
    if (b >= 0x80) return false;
    sum += advances[b];
  }
  return true;
}

}  // namespace

int QtCanvas::textWidth(std::string_view text) {
  if (entry_->advancesIn64ths) {
    // Whole 64ths add up exactly, and rounding the sum half up is what
    // lround does to the same sum in pixels: the same width, found faster
    // (best fit measures every cell of a million rows).
    std::int64_t sum = 0;
    if (sumAsciiAdvances(text, entry_->asciiAdvance64, sum)) {
      return static_cast<int>((sum + 32) >> 6);
    }
  }
  double width = 0;
  if (!sumAsciiAdvances(text, entry_->asciiAdvance, width)) {
    width = entry_->metrics.horizontalAdvance(decodeText(text));
  }
  return static_cast<int>(std::lround(width));
}

Size QtCanvas::textExtent(std::string_view text) { return {textWidth(text), entry_->height}; }

void QtCanvas::fillRect(const Rect& rect, Color color) {
  if (color == clNone || rect.isEmpty()) return;
  painter_->fillRect(qRect(rect), qColor(color));
}

void QtCanvas::linePen(Color color) {
  QPen pen(qColor(color));
  pen.setWidth(0);  // cosmetic: one pixel whatever the transform
  pen.setCapStyle(Qt::SquareCap);
  painter_->setPen(pen);
}

void QtCanvas::drawLine(Point from, Point to, Color color) {
  if (color == clNone) return;
  if (from.x == to.x || from.y == to.y) {
    // Straight lines as rectangles: exact pixels, both ends included.
    fillRect({std::min(from.x, to.x), std::min(from.y, to.y), std::max(from.x, to.x) + 1,
              std::max(from.y, to.y) + 1},
             color);
    return;
  }
  linePen(color);
  painter_->drawLine(from.x, from.y, to.x, to.y);
}

void QtCanvas::drawPolyline(std::span<const Point> points, Color color) {
  if (color == clNone || points.empty()) return;
  if (points.size() == 1) {
    drawLine(points[0], points[0], color);
    return;
  }
  for (std::size_t i = 1; i < points.size(); ++i) drawLine(points[i - 1], points[i], color);
}

void QtCanvas::drawLines(std::span<const LineSegment> lines, Color color) {
  if (color == clNone) return;
  for (const auto& l : lines) drawLine(l.from, l.to, color);
}

void QtCanvas::invertRect(const Rect& rect) {
  if (rect.isEmpty()) return;
  painter_->save();
  painter_->setCompositionMode(QPainter::RasterOp_SourceXorDestination);
  painter_->fillRect(qRect(rect), Qt::white);
  painter_->restore();
}

void QtCanvas::drawFocusRect(const Rect& r) {
  if (r.isEmpty()) return;
  painter_->save();
  painter_->setCompositionMode(QPainter::RasterOp_SourceXorDestination);
  // Every other pixel along the frame, starting at the top-left corner.
  auto dot = [&](int x, int y) {
    if (((x - r.left) + (y - r.top)) % 2 == 0) painter_->fillRect(x, y, 1, 1, Qt::white);
  };
  for (int x = r.left; x < r.right; ++x) {
    dot(x, r.top);
    if (r.bottom - 1 > r.top) dot(x, r.bottom - 1);
  }
  for (int y = r.top + 1; y < r.bottom - 1; ++y) {
    dot(r.left, y);
    if (r.right - 1 > r.left) dot(r.right - 1, y);
  }
  painter_->restore();
}

void QtCanvas::drawTextLine(Point origin, std::string_view text, Color color, int accelerator) {
  if (color == clNone || text.empty()) return;
  const QColor c = qColor(color);
  painter_->setFont(entry_->font);
  painter_->setPen(c);
  painter_->drawText(QPointF(origin.x, origin.y + entry_->ascent), decodeText(text));
  if (accelerator >= 0 && static_cast<std::size_t>(accelerator) < text.size()) {
    const auto a = static_cast<std::size_t>(accelerator);
    const std::size_t next = nextCharacter(text, a, isValidUtf8(text));
    const int x0 = origin.x + textWidth(text.substr(0, a));
    const int x1 = origin.x + textWidth(text.substr(0, next));
    const int y = origin.y + entry_->ascent + 1;
    painter_->fillRect(QRect(x0, y, std::max(x1 - x0, 1), 1), c);
  }
}

void QtCanvas::drawTextRotated(Point origin, int angle, std::string_view text, Color color) {
  if (color == clNone || text.empty()) return;
  painter_->save();
  painter_->setRenderHint(QPainter::TextAntialiasing, true);
  painter_->translate(origin.x, origin.y);
  painter_->rotate(-angle);  // counter-clockwise on the screen
  painter_->setFont(entry_->font);
  painter_->setPen(qColor(color));
  painter_->drawText(QPointF(0, entry_->ascent), decodeText(text));
  painter_->restore();
}

void QtCanvas::drawBitmap(Point origin, const Bitmap& bitmap) {
  if (bitmap.isEmpty()) return;
  const QImage picture(reinterpret_cast<const uchar*>(bitmap.pixels().data()), bitmap.width(),
                       bitmap.height(), bitmap.width() * 4, QImage::Format_ARGB32);
  painter_->drawImage(origin.x, origin.y, picture);
}

void QtCanvas::pushClip(const Rect& rect) {
  painter_->save();
  ++clipDepth_;
  if (painter_->hasClipping()) {
    painter_->setClipRect(qRect(rect), Qt::IntersectClip);
  } else {
    painter_->setClipRect(qRect(rect));
  }
}

void QtCanvas::popClip() {
  if (clipDepth_ == 0) return;
  --clipDepth_;
  painter_->restore();
}

QRect QtCanvas::area() const {
  if (image_) return QRect(0, 0, imageSize_.width, imageSize_.height);
  return QRect(0, 0, painter_->device()->width(), painter_->device()->height());
}

void QtCanvas::excludeClip(const Rect& rect) {
  QRegion region = painter_->hasClipping() ? painter_->clipRegion() : QRegion(area());
  painter_->setClipRegion(region.subtracted(QRegion(qRect(rect))));
}

Rect QtCanvas::clipBounds() const {
  const QRect r = painter_->hasClipping() ? painter_->clipBoundingRect().toAlignedRect() : area();
  return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

std::unique_ptr<OffscreenCanvas> QtCanvas::createOffscreen(Size size) {
  // The picture is copied onto this canvas's device, so it takes that
  // device's pixel ratio: at 1.5 or 2 a picture of ratio 1 would be
  // stretched and blurred.
  auto canvas = std::make_unique<QtCanvas>(size, services_, painter_->device()->devicePixelRatio());
  canvas->setFont(font_);
  return canvas;
}

void QtCanvas::drawOffscreen(Point origin, OffscreenCanvas& source) {
  // The raster engine writes straight into the image, so it can be read
  // while its painter is still active.
  if (auto* qt = dynamic_cast<QtCanvas*>(&source); qt && qt->image_) {
    painter_->drawImage(origin.x, origin.y, *qt->image_);
    return;
  }
  drawBitmap(origin, source.toBitmap());
}

Size QtCanvas::size() const { return {area().width(), area().height()}; }

Bitmap QtCanvas::toBitmap() const {
  if (!image_) return {};
  // A bitmap counts drawing units: a picture of more pixels per unit is
  // scaled back to one pixel per unit.
  const QImage units = image_->size() == QSize(imageSize_.width, imageSize_.height)
                           ? *image_
                           : image_->scaled(imageSize_.width, imageSize_.height,
                                            Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  const QImage argb = units.convertToFormat(QImage::Format_ARGB32);
  Bitmap bitmap(argb.width(), argb.height());
  for (int y = 0; y < argb.height(); ++y) {
    const auto* line = reinterpret_cast<const std::uint32_t*>(argb.constScanLine(y));
    for (int x = 0; x < argb.width(); ++x) bitmap.setPixel(x, y, line[x]);
  }
  return bitmap;
}

}  // namespace morvel
