// A small picture held in memory: images drawn in code (indicator marks,
// expand buttons, drag-scroll marks), pictures cut from a canvas for drag
// images, and custom cursor shapes. Plain pixels, no platform handle.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string_view>
#include <vector>

namespace morvel {

// Pixels are 0xAARRGGBB, row by row from the top; alpha 0 is transparent.
class Bitmap {
 public:
  static constexpr std::uint32_t kTransparent = 0x00000000u;

  Bitmap() = default;
  Bitmap(int width, int height, std::uint32_t fill = kTransparent)
      : width_(width < 0 ? 0 : width),
        height_(height < 0 ? 0 : height),
        pixels_(static_cast<std::size_t>(width_) * height_, fill) {}

  // A picture drawn as text, one string per row: each character is looked up
  // in legend (pairs of character and pixel); characters not listed are
  // transparent. Rows shorter than the widest are padded with transparency.
  static Bitmap fromRows(std::initializer_list<std::string_view> rows,
                         std::initializer_list<std::pair<char, std::uint32_t>> legend);

  int width() const { return width_; }
  int height() const { return height_; }
  bool isEmpty() const { return width_ == 0 || height_ == 0; }

  // Out-of-range reads give transparency; out-of-range writes do nothing.
  std::uint32_t pixel(int x, int y) const {
    return inside(x, y) ? pixels_[static_cast<std::size_t>(y) * width_ + x] : kTransparent;
  }
  void setPixel(int x, int y, std::uint32_t argb) {
    if (inside(x, y)) pixels_[static_cast<std::size_t>(y) * width_ + x] = argb;
  }
  const std::vector<std::uint32_t>& pixels() const { return pixels_; }
  std::vector<std::uint32_t>& pixels() { return pixels_; }

  friend bool operator==(const Bitmap&, const Bitmap&) = default;

 private:
  bool inside(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }

  int width_ = 0;
  int height_ = 0;
  std::vector<std::uint32_t> pixels_;
};

// An opaque 0xAARRGGBB pixel from red, green and blue.
constexpr std::uint32_t argb(int r, int g, int b) {
  return 0xff000000u | std::uint32_t(r & 0xff) << 16 | std::uint32_t(g & 0xff) << 8 |
         std::uint32_t(b & 0xff);
}

}  // namespace morvel
