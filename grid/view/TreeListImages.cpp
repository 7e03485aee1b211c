// The grid's pictures; see TreeListImages.h.
#include "grid/view/TreeListImages.h"

#include <array>
#include <cmath>
#include <cstdlib>

#include "platform/PlatformServices.h"

namespace morvel {
namespace {

constexpr std::uint32_t kBlack = argb(0, 0, 0);
constexpr std::uint32_t kWhite = argb(255, 255, 255);
constexpr std::uint32_t kGrey = argb(128, 128, 128);

Bitmap makeIndicator(IndicatorImage image) {
  const std::initializer_list<std::pair<char, std::uint32_t>> ink{{'X', kBlack}};
  switch (image) {
    case iiArrow:
      return Bitmap::fromRows(
          {"X....", "XX...", "XXX..", "XXXX.", "XXXXX", "XXXX.", "XXX..", "XX...", "X...."}, ink);
    case iiEdit:
      return Bitmap::fromRows(
          {"XX.XX", "..X..", "..X..", "..X..", "..X..", "..X..", "..X..", "..X..", "XX.XX"}, ink);
    case iiInsert:
      return Bitmap::fromRows(
          {".....", "..X..", "X.X.X", ".XXX.", "..X..", ".XXX.", "X.X.X", "..X..", "....."}, ink);
    case iiMultiDot:
      return Bitmap::fromRows(
          {".....", ".....", ".XXX.", ".XXX.", ".XXX.", ".XXX.", ".XXX.", ".....", "....."}, ink);
    case iiMultiArrow:
      return Bitmap::fromRows(
          {".....", "X.X..", ".X.X.", "..X.X", ".X.X.", "X.X..", ".....", ".....", "....."}, ink);
    case iiNone:
      break;
  }
  return {};
}

// A solid arrowhead of `size` pixels pointing away from (cx, cy) in the
// direction (dx, dy), its tip `reach` pixels from the centre.
void arrowHead(Bitmap& b, int cx, int cy, int dx, int dy, int reach, int size,
               std::uint32_t colour) {
  for (int step = 0; step < size; ++step) {
    const int along = reach - step;  // distance of this slice from the centre
    for (int across = -step; across <= step; ++across) {
      const int x = cx + dx * along + (dx == 0 ? across : 0);
      const int y = cy + dy * along + (dy == 0 ? across : 0);
      b.setPixel(x, y, colour);
    }
  }
}

void dot(Bitmap& b, int cx, int cy, int radius, std::uint32_t colour) {
  for (int y = -radius; y <= radius; ++y) {
    for (int x = -radius; x <= radius; ++x) {
      if (x * x + y * y <= radius * radius) b.setPixel(cx + x, cy + y, colour);
    }
  }
}

Bitmap makeDragScroll(DragScrollMark mark) {
  Bitmap b(29, 29, kWhite);
  const bool horizontal = mark != dsVertical;
  const bool vertical = mark != dsHorizontal;
  dot(b, 14, 14, 2, kGrey);
  if (vertical) {
    arrowHead(b, 14, 14, 0, -1, 12, 5, kGrey);
    arrowHead(b, 14, 14, 0, 1, 12, 5, kGrey);
  }
  if (horizontal) {
    arrowHead(b, 14, 14, -1, 0, 12, 5, kGrey);
    arrowHead(b, 14, 14, 1, 0, 12, 5, kGrey);
  }
  return b;
}

// Outlines every black pixel with white on its four sides.
void outline(Bitmap& b) {
  Bitmap copy = b;
  for (int y = 0; y < b.height(); ++y) {
    for (int x = 0; x < b.width(); ++x) {
      if (copy.pixel(x, y) == kBlack) continue;
      const bool nearInk = copy.pixel(x - 1, y) == kBlack || copy.pixel(x + 1, y) == kBlack ||
                           copy.pixel(x, y - 1) == kBlack || copy.pixel(x, y + 1) == kBlack;
      if (nearInk) b.setPixel(x, y, kWhite);
    }
  }
}

Bitmap makeDeleteCursor() {
  // A thick ring crossed from upper left to lower right.
  Bitmap b(32, 32);
  const double c = 15.5;
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) {
      const double dx = x - c;
      const double dy = y - c;
      const double r = std::sqrt(dx * dx + dy * dy);
      const bool ring = r >= 9.5 && r <= 13.5;
      const bool bar = std::abs(dx - dy) <= 2.5 && r <= 13.5;
      if (ring || bar) b.setPixel(x, y, kBlack);
    }
  }
  outline(b);
  return b;
}

Bitmap makeScrollCursor(bool up, bool down, bool left, bool right) {
  Bitmap b(32, 32);
  dot(b, 15, 15, 1, kBlack);
  if (up) arrowHead(b, 15, 15, 0, -1, 11, 5, kBlack);
  if (down) arrowHead(b, 15, 15, 0, 1, 11, 5, kBlack);
  if (left) arrowHead(b, 15, 15, -1, 0, 11, 5, kBlack);
  if (right) arrowHead(b, 15, 15, 1, 0, 11, 5, kBlack);
  outline(b);
  return b;
}

}  // namespace

const Bitmap& indicatorBitmap(IndicatorImage image) {
  static const std::array<Bitmap, 5> images{makeIndicator(iiArrow), makeIndicator(iiEdit),
                                            makeIndicator(iiInsert), makeIndicator(iiMultiDot),
                                            makeIndicator(iiMultiArrow)};
  static const Bitmap none;
  if (image < iiArrow || image > iiMultiArrow) return none;
  return images[static_cast<std::size_t>(image)];
}

const Bitmap& dragScrollBitmap(DragScrollMark mark) {
  static const std::array<Bitmap, 3> marks{makeDragScroll(dsFull), makeDragScroll(dsHorizontal),
                                           makeDragScroll(dsVertical)};
  return marks[static_cast<std::size_t>(mark)];
}

Bitmap treeListCursorBitmap(Cursor cursor) {
  switch (cursor) {
    case crTLDelete:
      return makeDeleteCursor();
    case crTLFullScroll:
      return makeScrollCursor(true, true, true, true);
    case crTLHorScroll:
      return makeScrollCursor(false, false, true, true);
    case crTLVerScroll:
      return makeScrollCursor(true, true, false, false);
    case crTLUpScroll:
      return makeScrollCursor(true, false, false, false);
    case crTLRightScroll:
      return makeScrollCursor(false, false, false, true);
    case crTLDownScroll:
      return makeScrollCursor(false, true, false, false);
    case crTLLeftScroll:
      return makeScrollCursor(false, false, true, false);
    default:
      return {};
  }
}

void registerTreeListCursors(PlatformServices& services) {
  for (Cursor c : {crTLDelete, crTLFullScroll, crTLHorScroll, crTLVerScroll, crTLUpScroll,
                   crTLRightScroll, crTLDownScroll, crTLLeftScroll}) {
    services.registerCursor(c, treeListCursorBitmap(c), {15, 15});
  }
}

}  // namespace morvel
