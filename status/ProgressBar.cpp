// The progress bar; see ProgressBar.h.
#include "status/ProgressBar.h"

#include <algorithm>
#include <string>

#include "status/StatusPane.h"

namespace morvel {

ProgressBar::ProgressBar()
    : PanelBorderProperties({0, fsLowered, fsNone, sdAll, 0, clBtnFace, {}}) {
  setBounds({0, 0, 200, 24});
}

std::uint16_t ProgressBar::percentOf(std::int64_t parts, std::int64_t total) {
  if (total <= 0) return 0;
  const std::int64_t scaled = parts * 100;  // at most 2^31 · 100: no overflow in 64 bits
  std::int64_t q = scaled / total;
  const std::int64_t twiceRest = (scaled % total) * 2;
  if (twiceRest > total || (twiceRest == total && (q & 1))) ++q;
  return static_cast<std::uint16_t>(std::clamp<std::int64_t>(q, 0, 65535));
}

std::int64_t ProgressBar::firstPartsReaching(unsigned q) const {
  // The rounded percent never falls as the parts grow: search for the edge.
  std::int64_t low = 0;
  std::int64_t high = std::int64_t{totalParts_} + 1;
  while (low < high) {
    const std::int64_t mid = low + (high - low) / 2;
    if (percentOf(mid, totalParts_) >= q) {
      high = mid;
    } else {
      low = mid + 1;
    }
  }
  return low;
}

void ProgressBar::setTotalParts(std::int32_t total) {
  total = std::max<std::int32_t>(total, 0);
  if (total == totalParts_) return;
  totalParts_ = total;
  bandLow_ = bandHigh_ = 0;
  partsComplete_ = 0;
  setPercent(0);
}

void ProgressBar::setPartsComplete(std::int32_t parts) {
  if (parts == partsComplete_) return;
  parts = std::clamp(parts, std::int32_t{0}, totalParts_);
  partsComplete_ = parts;
  if (totalParts_ == 0) return;
  if (parts >= bandLow_ && parts < bandHigh_ && percent_ == bandPercent_) return;
  const std::uint16_t percent = percentOf(parts, totalParts_);
  bandPercent_ = percent;
  bandLow_ = firstPartsReaching(percent);
  bandHigh_ = firstPartsReaching(percent + 1u);
  setPercent(percent);
}

void ProgressBar::advanceParts(std::int32_t parts) {
  const std::int64_t next = std::int64_t{partsComplete_} + parts;
  setPartsComplete(static_cast<std::int32_t>(std::clamp<std::int64_t>(next, 0, kMaxParts)));
}

void ProgressBar::setPercent(std::uint16_t percent) {
  if (percent == percent_) return;
  percent_ = percent;
  if (onChange) onChange(*this, percent);
  repaintNow();
}

void ProgressBar::changed() { invalidate(); }

void ProgressBar::setShowPercent(bool show) {
  if (show == showPercent_) return;
  showPercent_ = show;
  changed();
}

void ProgressBar::setBarStyle(BarStyle style) {
  if (style == barStyle_) return;
  barStyle_ = style;
  changed();
}

void ProgressBar::setNumSegments(int segments) {
  segments = std::clamp(segments, 1, 100);
  if (segments == numSegments_) return;
  numSegments_ = segments;
  changed();
}

void ProgressBar::setOrientation(Orientation orientation) {
  if (orientation == orientation_) return;
  orientation_ = orientation;
  changed();
}

void ProgressBar::setBackColor(Color color) {
  if (color == backColor_) return;
  backColor_ = color;
  changed();
}

void ProgressBar::setBarColor(Color color) {
  if (color == barColor_) return;
  barColor_ = color;
  changed();
}

void ProgressBar::bordersChanged(BorderChange, bool changed) {
  if (changed) this->changed();
}

void ProgressBar::setInteriorOffset(int offset) {
  offset = std::clamp(offset, 0, 255);
  if (offset == interiorOffset_) return;
  interiorOffset_ = offset;
  changed();
}

Rect ProgressBar::barArea() const {
  const Rect r = panelInterior(clientRect(), borders());
  return r.inflated(-interiorOffset_, -interiorOffset_).intersected(r);
}

Rect ProgressBar::filledArea() const {
  Rect f = barArea();
  if (percent_ >= 100) return f;
  if (orientation_ == orHorizontal) {
    f.right = f.left + static_cast<int>((std::int64_t{f.width()} * percent_ + 50) / 100);
  } else {
    f.top = f.bottom - static_cast<int>((std::int64_t{f.height()} * percent_ + 50) / 100);
  }
  return f;
}

void ProgressBar::paint(Canvas& canvas, const Rect&) {
  Rect r = drawPanelBorders(canvas, clientRect(), borders());
  for (int i = 0; i < interiorOffset_ && !r.isEmpty(); ++i) {
    r = drawBevelLine(canvas, r, backColor_, backColor_);
  }
  if (r.isEmpty()) return;
  if (barStyle_ == bsLED) {
    paintLed(canvas, r);
  } else {
    paintTraditional(canvas, r);
  }
}

void ProgressBar::paintTraditional(Canvas& canvas, const Rect& r) {
  const Rect filled = filledArea();
  Rect rest = r;
  if (orientation_ == orHorizontal) {
    rest.left = filled.right;
  } else {
    rest.bottom = filled.top;
  }
  std::string text;
  Point origin;
  if (showPercent_) {
    text = std::to_string(percent_) + "%";
    canvas.setFont(font());
    // Centred in the bar area (not at half its right edge, which drifts
    // off centre by half the left inset).
    origin = {r.left + (r.width() - canvas.textWidth(text)) / 2,
              r.top + (r.height() - canvas.textExtent("X").height) / 2};
  }
  // Where the bar has passed, the text shows in the opposite colours.
  if (!filled.isEmpty()) canvas.drawTextClipped(filled, origin, text, backColor_, barColor_);
  if (!rest.isEmpty()) canvas.drawTextClipped(rest, origin, text, barColor_, backColor_);
}

std::vector<Rect> ProgressBar::segments() const {
  const Rect r = barArea();
  const bool across = orientation_ == orHorizontal;
  const int length = across ? r.width() : r.height();
  int count = numSegments_;
  if (length <= 80 && count > 10) count = 10;
  if (length <= 0) return {};
  // Each segment is a lit block and a one-pixel gap; at least 3 pixels.
  int pitch = std::max(length / count, 3);
  count = std::max(length / pitch, 1);
  pitch = std::min(pitch, length);
  const int margin = (length - count * pitch) / 2;
  std::vector<Rect> out;
  for (int i = 0; i < count; ++i) {
    const int start = margin + i * pitch;
    const int end = start + std::max(pitch - 1, 1);
    if (across) {
      out.push_back({r.left + start, r.top, r.left + end, r.bottom});
    } else {
      out.push_back({r.left, r.bottom - end, r.right, r.bottom - start});
    }
  }
  return out;
}

void ProgressBar::paintLed(Canvas& canvas, const Rect& r) {
  canvas.fillRect(r, backColor_);
  const auto all = segments();
  const std::int64_t n = static_cast<std::int64_t>(all.size());
  const std::int64_t lit = std::min<std::int64_t>((std::int64_t{percent_} * n + 50) / 100, n);
  for (std::int64_t i = 0; i < n; ++i) {
    canvas.fillRect(all[static_cast<std::size_t>(i)], i < lit ? barColor_ : backColor_);
  }
}

bool ProgressBar::passesToParent(Point p) const { return p.x >= width() - kSizeGripPassWidth; }

}  // namespace morvel
