// A surface a control paints on and measures text with: filled rectangles,
// lines, inverted (XOR) areas, text on one line or laid out in a rectangle,
// rotated text, bitmaps, clipping and off-screen surfaces.
//
// Coordinates are the control's client pixels. Colours may be system colours
// (mapped to the platform's palette when drawn); clNone draws nothing. Text
// is bytes, decoded for display as FontMetrics describes; the font is the
// one set last, and drawing uses its face, size and style but takes the
// colour from the call.
#pragma once

#include <memory>
#include <span>
#include <string_view>

#include "platform/Bitmap.h"
#include "platform/FontMetrics.h"
#include "platform/TextLayout.h"

namespace morvel {

struct LineSegment {
  Point from;
  Point to;
};

class OffscreenCanvas;

class Canvas : public FontMetrics {
 public:
  ~Canvas() override = default;

  // Fills the rectangle (right and bottom excluded).
  virtual void fillRect(const Rect& rect, Color color) = 0;

  // A one-pixel line from one point to the other, both ends drawn. Lines that
  // are neither horizontal nor vertical are drawn without smoothing.
  virtual void drawLine(Point from, Point to, Color color) = 0;
  // Connected lines through every point, drawn in one call.
  virtual void drawPolyline(std::span<const Point> points, Color color) = 0;
  // Separate lines drawn in one call (grid lines collect into one of these).
  virtual void drawLines(std::span<const LineSegment> lines, Color color) = 0;

  // Inverts every pixel in the rectangle; inverting it again restores them.
  // This is how sizing lines and the unfocused row frame are drawn.
  virtual void invertRect(const Rect& rect) = 0;
  // A dotted frame one pixel inside the rectangle that inverts what is under
  // it, so drawing it twice removes it.
  virtual void drawFocusRect(const Rect& rect) = 0;

  // One line of text with its top-left corner at origin, without background.
  // When accelerator is a byte offset into text, that character is underlined.
  virtual void drawTextLine(Point origin, std::string_view text, Color color,
                            int accelerator = -1) = 0;
  // One line of text turned counter-clockwise by angle degrees about origin,
  // which is the top-left corner of the unturned text.
  virtual void drawTextRotated(Point origin, int angle, std::string_view text, Color color) = 0;

  // The font's ascent in pixels (baseline below the text's top).
  virtual int textAscent() = 0;

  // Draws the bitmap with its top-left corner at origin, honouring its
  // transparency.
  virtual void drawBitmap(Point origin, const Bitmap& bitmap) = 0;

  // Clipping: pushClip narrows drawing to the rectangle (within the current
  // clip) until the matching popClip; excludeClip removes a rectangle from
  // the current clip until the enclosing popClip (or for the rest of the
  // paint at the outermost level).
  virtual void pushClip(const Rect& rect) = 0;
  virtual void popClip() = 0;
  virtual void excludeClip(const Rect& rect) = 0;
  // The bounding rectangle of the current clip.
  virtual Rect clipBounds() const = 0;

  // An off-screen surface of the same kind, for composing a picture before
  // it is shown (a drag image, a flicker-free header).
  virtual std::unique_ptr<OffscreenCanvas> createOffscreen(Size size) = 0;
  // Copies an off-screen surface of this kind with its top-left at origin.
  virtual void drawOffscreen(Point origin, OffscreenCanvas& source) = 0;

  // --- Built from the operations above ---

  // One-pixel frame along the inside of the rectangle.
  void frameRect(const Rect& rect, Color color);

  // One line of text clipped to clip; when background is not clNone the clip
  // rectangle is filled with it first (opaque text).
  void drawTextClipped(const Rect& clip, Point origin, std::string_view text, Color color,
                       Color background = clNone);

  // Text laid out in the rectangle by layoutText and drawn in color, clipped
  // to the rectangle unless the format says tfNoClip. Returns where it went.
  LaidText drawFormattedText(const Rect& rect, std::string_view text, const TextFormat& format,
                             Color color);
  // Draws text that layoutText has placed, offset by (dx, dy).
  void drawLaidText(const LaidText& laid, Color color, int dx = 0, int dy = 0);
};

// A canvas drawing into memory. Its pixels can be taken out as a bitmap.
class OffscreenCanvas : public Canvas {
 public:
  virtual Size size() const = 0;
  virtual Bitmap toBitmap() const = 0;
};

// Narrows the clip for the life of the guard.
class ClipScope {
 public:
  ClipScope(Canvas& canvas, const Rect& rect) : canvas_(canvas) { canvas_.pushClip(rect); }
  ~ClipScope() { canvas_.popClip(); }
  ClipScope(const ClipScope&) = delete;
  ClipScope& operator=(const ClipScope&) = delete;

 private:
  Canvas& canvas_;
};

}  // namespace morvel
