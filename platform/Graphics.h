// Small value types of the windowing layer: points, sizes, rectangles,
// colours and text alignment. Plain data, shared by every control.
#pragma once

#include <cstdint>

#include "base/Alignment.h"

namespace morvel {

struct Point {
  int x = 0;
  int y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
  int width = 0;
  int height = 0;
  friend bool operator==(const Size&, const Size&) = default;
};

// Left and top inside, right and bottom outside: a rectangle from (0, 0) to
// (10, 5) covers 10 × 5 pixels.
struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;

  int width() const { return right - left; }
  int height() const { return bottom - top; }
  bool isEmpty() const { return right <= left || bottom <= top; }
  bool contains(Point p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
  friend bool operator==(const Rect&, const Rect&) = default;

  // The rectangle grown by dx on the left and right and dy on the top and
  // bottom; negative values shrink it.
  Rect inflated(int dx, int dy) const { return {left - dx, top - dy, right + dx, bottom + dy}; }
  Rect translated(int dx, int dy) const { return {left + dx, top + dy, right + dx, bottom + dy}; }
  // The common part; an empty rectangle (at some position) when none.
  Rect intersected(const Rect& o) const {
    Rect r{left > o.left ? left : o.left, top > o.top ? top : o.top,
           right < o.right ? right : o.right, bottom < o.bottom ? bottom : o.bottom};
    if (r.right < r.left) r.right = r.left;
    if (r.bottom < r.top) r.bottom = r.top;
    return r;
  }
  bool intersects(const Rect& o) const { return !intersected(o).isEmpty(); }
  static Rect fromSize(int left, int top, int width, int height) {
    return {left, top, left + width, top + height};
  }
};

// A colour: either an RGB value 0x00BBGGRR, or a system colour (the high bit
// set, the low byte naming the system element), which the platform maps to
// its palette when drawing. clNone and clDefault are markers, never drawn.
using Color = std::uint32_t;

constexpr Color rgb(int r, int g, int b) {
  return Color(r & 0xff) | Color(g & 0xff) << 8 | Color(b & 0xff) << 16;
}

constexpr Color kSystemColorFlag = 0x80000000u;
constexpr bool isSystemColor(Color c) { return (c & kSystemColorFlag) != 0; }
constexpr int systemColorIndex(Color c) { return int(c & 0xff); }

constexpr Color clNone = 0x1fffffffu;
constexpr Color clDefault = 0x20000000u;

constexpr Color clBlack = rgb(0, 0, 0);
constexpr Color clWhite = rgb(255, 255, 255);
constexpr Color clGray = rgb(128, 128, 128);
constexpr Color clBlue = rgb(0, 0, 255);
constexpr Color clLime = rgb(0, 255, 0);
constexpr Color clRed = rgb(255, 0, 0);
constexpr Color clMaroon = rgb(128, 0, 0);
constexpr Color clNavy = rgb(0, 0, 128);
constexpr Color clPurple = rgb(128, 0, 128);
constexpr Color clSilver = rgb(192, 192, 192);
constexpr Color clYellow = rgb(255, 255, 0);

constexpr Color clScrollBar = kSystemColorFlag | 0;
constexpr Color clWindow = kSystemColorFlag | 5;
constexpr Color clWindowFrame = kSystemColorFlag | 6;
constexpr Color clWindowText = kSystemColorFlag | 8;
constexpr Color clHighlight = kSystemColorFlag | 13;
constexpr Color clHighlightText = kSystemColorFlag | 14;
constexpr Color clBtnFace = kSystemColorFlag | 15;
constexpr Color clBtnShadow = kSystemColorFlag | 16;
constexpr Color clGrayText = kSystemColorFlag | 17;
constexpr Color clBtnText = kSystemColorFlag | 18;
constexpr Color clBtnHighlight = kSystemColorFlag | 20;
constexpr Color cl3DDkShadow = kSystemColorFlag | 21;
constexpr Color cl3DLight = kSystemColorFlag | 22;

constexpr Color clInfoText = kSystemColorFlag | 23;
constexpr Color clInfoBk = kSystemColorFlag | 24;

// Vertical placement of text in its rectangle.
enum TextLayout { tlTop, tlCenter, tlBottom };

}  // namespace morvel
