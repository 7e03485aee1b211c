// A font as the program describes it: a face name, a size in points (or a
// height in pixels), a style and a colour. The platform picks the nearest installed face when
// drawing or measuring; the description itself never changes behind the program's back.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "platform/Graphics.h"

namespace morvel {

enum FontStyle : std::uint8_t {
  fsBold = 1 << 0,
  fsItalic = 1 << 1,
  fsUnderline = 1 << 2,
  fsStrikeOut = 1 << 3,
};

struct Font {
  std::string name = "MS Sans Serif";
  int size = 8;            // points
  std::uint8_t style = 0;  // FontStyle flags
  Color color = clWindowText;
  // Pixels at 96 pixels per inch, as window layouts give fonts. When not 0 it
  // overrides size: a negative value is the character height (the em, as 8
  // points is -11), a positive one the cell height including the leading.
  int height = 0;

  bool bold() const { return style & fsBold; }
  bool underlined() const { return style & fsUnderline; }

  // The character height in pixels at 96 pixels per inch.
  int pixelSize() const {
    if (height < 0) return -height;
    if (height > 0) return (height * 7 + 4) / 8;  // a cell is about 8/7 of its em
    return (size * 96 + 36) / 72;
  }
  // The size in whole points, from the height when one is given.
  int pointSize() const { return height == 0 ? size : (pixelSize() * 72 + 48) / 96; }

  static Font withHeight(std::string name, int height, std::uint8_t style = 0,
                         Color color = clWindowText) {
    Font f;
    f.name = std::move(name);
    f.height = height;
    f.size = f.pointSize();
    f.style = style;
    f.color = color;
    return f;
  }
  friend bool operator==(const Font&, const Font&) = default;
};

}  // namespace morvel
