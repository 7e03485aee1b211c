// A canvas with fixed, documented metrics that records what is drawn, for
// deterministic tests and benchmarks. At the default 8-point font every
// character is 6 pixels wide and the text height is 13, as with the real
// default font.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/Canvas.h"

namespace morvel {

// One drawing call as the canvas received it, with the clip in force.
struct DrawCommand {
  enum Kind { Fill, Line, Polyline, Lines, Invert, FocusRect, Text, RotatedText, Image, Offscreen };
  Kind kind = Fill;
  Rect rect;                  // Fill, Invert, FocusRect; the text's box for Text
  std::vector<Point> points;  // Line: 2; Polyline: all; Lines: pairs
  Color color = clNone;
  std::string text;
  Point origin;  // Text, RotatedText, Image, Offscreen
  int accelerator = -1;
  int angle = 0;
  Font font;  // Text, RotatedText
  Rect clip;
};

// Metrics, for a font of S points (Font::pointSize()):
//  - a character is (3·S + 2) / 4 pixels wide (8 pt: 6, 10 pt: 8, 12 pt: 9),
//    one more when the font is bold;
//  - the text height is (13·S + 4) / 8 pixels (8 pt: 13, 10 pt: 16), the
//    ascent four fifths of it;
//  - a character is a code point when the text is valid UTF-8, otherwise a
//    byte (Windows-1252);
//  - the face name and the colour do not matter.
class FakeCanvas : public OffscreenCanvas {
 public:
  // size is what size() reports and toBitmap() covers; a canvas that only
  // measures needs none.
  explicit FakeCanvas(Size size = {}) : size_(size) {}

  static int charWidthFor(const Font& font);
  static int textHeightFor(const Font& font);

  void setFont(const Font& font) override { font_ = font; }
  const Font& font() const override { return font_; }
  int textWidth(std::string_view text) override;
  Size textExtent(std::string_view text) override;
  int textAscent() override { return textHeightFor(font_) * 4 / 5; }

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
  // Records an Offscreen command, then the source's own commands moved to
  // where it lands.
  void drawOffscreen(Point origin, OffscreenCanvas& source) override;
  Size size() const override { return size_; }
  // The filled rectangles rendered in the classic palette (other drawing is
  // not rasterised).
  Bitmap toBitmap() const override;

  // How many texts were measured so far (textWidth and textExtent calls).
  long measureCount() const { return measureCount_; }

  // --- Inspecting what was drawn ---

  std::vector<DrawCommand> commands;

  // Forgets the recorded commands and resets the clip to limit (everything
  // when not given).
  void clearRecords(const Rect& limit = kEverywhere);
  // The colour of the last fill that covers the point inside its clip, or
  // clNone.
  Color colorAt(Point p) const;
  // Every Text command, in order.
  std::vector<DrawCommand> texts() const;
  // Every Fill command with this colour, in order.
  std::vector<Rect> fillsOf(Color color) const;

  static constexpr Rect kEverywhere{-1000000, -1000000, 1000000, 1000000};

 private:
  DrawCommand& record(DrawCommand::Kind kind, Color color);

  Font font_;
  long measureCount_ = 0;
  Size size_;
  std::vector<Rect> clips_{kEverywhere};
  std::vector<std::vector<Rect>> excluded_{{}};
};

// The number of characters as FakeCanvas counts them.
int fakeCharacterCount(std::string_view text);

}  // namespace morvel
