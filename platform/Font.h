// A font as the program describes it: a face name, a size in points, a style
// and a colour. The platform picks the nearest installed face when drawing or
// measuring; the description itself never changes behind the program's back.
#pragma once

#include <cstdint>
#include <string>

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

  bool bold() const { return style & fsBold; }
  friend bool operator==(const Font&, const Font&) = default;
};

}  // namespace morvel
