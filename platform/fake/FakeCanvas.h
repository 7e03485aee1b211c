// A canvas with fixed, documented metrics for deterministic tests and
// benchmarks. At the default 8-point font every character is 6 pixels wide
// and the text height is 13, as with the real default font.
#pragma once

#include <string_view>

#include "platform/Canvas.h"

namespace morvel {

// Metrics, for a font of S points:
//  - a character is (3·S + 2) / 4 pixels wide (8 pt: 6, 10 pt: 8, 12 pt: 9),
//    one more when the font is bold;
//  - the text height is (13·S + 4) / 8 pixels (8 pt: 13, 10 pt: 16);
//  - a character is a code point when the text is valid UTF-8, otherwise a
//    byte (Windows-1252);
//  - the face name and the colour do not matter.
class FakeCanvas : public Canvas {
 public:
  static int charWidthFor(const Font& font);
  static int textHeightFor(const Font& font);

  void setFont(const Font& font) override { font_ = font; }
  const Font& font() const override { return font_; }
  int textWidth(std::string_view text) override;
  Size textExtent(std::string_view text) override;

  // How many texts were measured so far (textWidth and textExtent calls).
  long measureCount() const { return measureCount_; }

 private:
  Font font_;
  long measureCount_ = 0;
};

// The number of characters as FakeCanvas counts them.
int fakeCharacterCount(std::string_view text);

}  // namespace morvel
