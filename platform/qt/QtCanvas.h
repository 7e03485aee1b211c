// The canvas over a QPainter: widgets paint through it, and an off-screen
// one owns a QImage. Measuring goes through the services' font cache.
#pragma once

#include <QImage>
#include <QPainter>
#include <memory>
#include <vector>

#include "platform/Canvas.h"
#include "platform/qt/QtServices.h"

namespace morvel {

class QtCanvas : public OffscreenCanvas {
 public:
  // Paints with painter (which must outlive the canvas).
  QtCanvas(QPainter& painter, QtServices& services);
  // Paints into an image of its own, cleared to transparency. The canvas is
  // `size` in drawing units; the image holds devicePixelRatio pixels per
  // unit, so that what it shows on a scaled screen is as sharp as what is
  // drawn there directly.
  QtCanvas(Size size, QtServices& services, qreal devicePixelRatio = 1);
  ~QtCanvas() override;

  void setFont(const Font& font) override;
  const Font& font() const override { return font_; }
  int textWidth(std::string_view text) override;
  Size textExtent(std::string_view text) override;
  int textAscent() override { return entry_->ascent; }

  void fillRect(const Rect& rect, Color color) override;
  void drawLine(Point from, Point to, Color color) override;
  void drawPolyline(std::span<const Point> points, Color color) override;
  void drawLines(std::span<const LineSegment> lines, Color color) override;
  void invertRect(const Rect& rect) override;
  void drawFocusRect(const Rect& rect) override;
  void drawTextLine(Point origin, std::string_view text, Color color,
                    int accelerator = -1) override;
  void drawTextRotated(Point origin, int angle, std::string_view text, Color color) override;
  void drawBitmap(Point origin, const Bitmap& bitmap) override;
  void pushClip(const Rect& rect) override;
  void popClip() override;
  void excludeClip(const Rect& rect) override;
  Rect clipBounds() const override;
  std::unique_ptr<OffscreenCanvas> createOffscreen(Size size) override;
  void drawOffscreen(Point origin, OffscreenCanvas& source) override;
  Size size() const override;
  Bitmap toBitmap() const override;

  // The image an off-screen canvas paints into (null for a widget's canvas).
  const QImage* image() const { return image_.get(); }

 private:
  QColor qColor(Color color) const;
  void linePen(Color color);

  // The area drawn on, in drawing units (not the device's pixels).
  QRect area() const;

  std::unique_ptr<QImage> image_;
  Size imageSize_;  // in drawing units
  std::unique_ptr<QPainter> ownPainter_;
  QPainter* painter_;
  QtServices& services_;
  Font font_;
  const QtFontEntry* entry_;
  int clipDepth_ = 0;
};

// The drawing colour of a resolved 0xAARRGGBB value.
inline QColor qColorOf(std::uint32_t argb) { return QColor::fromRgba(argb); }

}  // namespace morvel
