// Measuring text in a font. Layout and best fit ask only these questions, so
// a test can answer them with fixed numbers and the real platform with the
// installed fonts.
#pragma once

#include <string_view>

#include "platform/Font.h"
#include "platform/Graphics.h"

namespace morvel {

class FontMetrics {
 public:
  virtual ~FontMetrics() = default;

  // The font that the next measurements (and, on a canvas, drawing) use.
  virtual void setFont(const Font& font) = 0;
  virtual const Font& font() const = 0;

  // Width in pixels of the text drawn on one line in the current font. The
  // text is bytes: valid UTF-8 is measured as UTF-8, anything else as
  // Windows-1252, so no text is ever refused. Hot during best fit: an
  // implementation is expected to be fast for short texts.
  virtual int textWidth(std::string_view text) = 0;

  // Width and height of the text on one line.
  virtual Size textExtent(std::string_view text) = 0;

  // The font's text height: the height of "Wg". Row and header heights are
  // built from it.
  int textHeight() { return textExtent("Wg").height; }

  // The width of "0": the margin unit of best fit and the horizontal scroll
  // step.
  int zeroWidth() { return textWidth("0"); }
};

}  // namespace morvel
