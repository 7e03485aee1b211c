// The fixed-metrics canvas; see FakeCanvas.h.
#include "platform/fake/FakeCanvas.h"

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
  return (3 * font.size + 2) / 4 + (font.bold() ? 1 : 0);
}

int FakeCanvas::textHeightFor(const Font& font) { return (13 * font.size + 4) / 8; }

int FakeCanvas::textWidth(std::string_view text) {
  ++measureCount_;
  return fakeCharacterCount(text) * charWidthFor(font_);
}

Size FakeCanvas::textExtent(std::string_view text) {
  ++measureCount_;
  return {fakeCharacterCount(text) * charWidthFor(font_), textHeightFor(font_)};
}

}  // namespace morvel
