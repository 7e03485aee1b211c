// Placing text in a rectangle: line breaks, word wrap, tab expansion, the "&"
// accelerator mark, end ellipsis, alignment and vertical layout. Worked out
// here from text widths alone, so that every canvas (the real one and the
// recording one in tests) breaks and places text the same way.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/FontMetrics.h"
#include "platform/Graphics.h"

namespace morvel {

enum TextFlag : unsigned {
  tfSingleLine = 1 << 0,   // line breaks are ignored; one line only
  tfWordBreak = 1 << 1,    // lines wider than the rectangle break between words
  tfExpandTabs = 1 << 2,   // a tab moves to the next stop of 8 characters
  tfNoPrefix = 1 << 3,     // "&" is an ordinary character
  tfEndEllipsis = 1 << 4,  // a line that does not fit ends in "..."
  tfNoClip = 1 << 5,       // text may leave the rectangle
};

struct TextFormat {
  Alignment alignment = taLeftJustify;
  TextLayout layout = tlTop;
  unsigned flags = 0;  // TextFlag values
};

// One laid-out line: its text (accelerator marks removed), where its top-left
// corner goes, its width, and the byte offset in text of the character to
// underline as the accelerator (-1 when none).
struct TextLine {
  std::string text;
  Point origin;
  int width = 0;
  int accelerator = -1;
};

struct LaidText {
  std::vector<TextLine> lines;
  Rect bounds;  // the smallest rectangle holding every line
};

// Lays text out in rect with the metrics' current font. The line height is the
// font's text height. An empty text gives no lines and an empty bounds at the
// rectangle's layout position.
LaidText layoutText(FontMetrics& metrics, const Rect& rect, std::string_view text,
                    const TextFormat& format);

// The text as drawn on one line with accelerator marks removed ("&&" stays
// one "&"); accelerator gets the byte offset of the marked character or -1.
std::string stripAccelerator(std::string_view text, int* accelerator = nullptr);

// Whether the bytes are valid UTF-8 (which decides how display decodes them:
// UTF-8 when valid, otherwise one Windows-1252 character per byte).
bool isValidUtf8(std::string_view text);

// The byte offset just after the character starting at pos, stepping code
// points when utf8 is true, bytes otherwise.
std::size_t nextCharacter(std::string_view text, std::size_t pos, bool utf8);

}  // namespace morvel
