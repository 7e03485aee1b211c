// The progress bar: the share of work done, as a bar (solid or in
// segments) with the percentage written over it. It repaints itself at once
// whenever the rounded percentage changes, so it moves during loops that
// process no messages, and at most 101 times over any amount of work.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/Control.h"
#include "status/FrameStyle.h"
#include "status/PanelBorderProperties.h"

namespace morvel {

enum BarStyle { bsTraditional, bsLED };
enum Orientation { orHorizontal, orVertical };

// Its frames are PanelBorderProperties; the bar sits inside them.
class ProgressBar : public Control, public PanelBorderProperties {
 public:
  static constexpr std::int32_t kMaxParts = 2147483647;

  ProgressBar();

  std::int32_t totalParts() const { return totalParts_; }
  // A new total resets the work done and the percentage to 0.
  void setTotalParts(std::int32_t total);
  std::int32_t partsComplete() const { return partsComplete_; }
  // Cut to totalParts; sets the percentage unless totalParts is 0.
  void setPartsComplete(std::int32_t parts);
  void advanceOnePart() { advanceParts(1); }
  void advanceParts(std::int32_t parts);

  std::uint16_t percent() const { return percent_; }
  // Raises onChange and repaints at once when the value changes.
  void setPercent(std::uint16_t percent);

  // parts × 100 / total rounded to the nearest whole number, a half to the
  // even neighbour (1 of 8 is 12, 3 of 8 is 38).
  static std::uint16_t percentOf(std::int64_t parts, std::int64_t total);

  bool showPercent() const { return showPercent_; }
  void setShowPercent(bool show);
  BarStyle barStyle() const { return barStyle_; }
  void setBarStyle(BarStyle style);
  int numSegments() const { return numSegments_; }
  void setNumSegments(int segments);  // 1..100
  Orientation orientation() const { return orientation_; }
  void setOrientation(Orientation orientation);
  Color backColor() const { return backColor_; }
  void setBackColor(Color color);
  // Also the colour of the percentage text over the unfilled part.
  Color barColor() const { return barColor_; }
  void setBarColor(Color color);
  int interiorOffset() const { return interiorOffset_; }
  void setInteriorOffset(int offset);  // 0..255

  // Raised whenever the percentage changes, with the new value.
  std::function<void(ProgressBar&, unsigned)> onChange;

  // The bar's rectangle inside the frames and the interior offset.
  Rect barArea() const;
  // The filled part of barArea() for the current percentage.
  Rect filledArea() const;
  // The LED segments as they are laid out now, in filling order.
  std::vector<Rect> segments() const;

  void paint(Canvas& canvas, const Rect& dirty) override;
  bool passesToParent(Point p) const override;

 protected:
  // Only a border that changed repaints the bar.
  void bordersChanged(BorderChange change, bool changed) override;

 private:
  void changed();
  void paintTraditional(Canvas& canvas, const Rect& r);
  void paintLed(Canvas& canvas, const Rect& r);

  // The first part count whose rounded percent is at least q.
  std::int64_t firstPartsReaching(unsigned q) const;

  std::int32_t totalParts_ = 0;
  std::int32_t partsComplete_ = 0;
  // Part counts in [bandLow_, bandHigh_) round to bandPercent_ with the
  // current total, so most updates of a long import skip the division.
  std::int64_t bandLow_ = 0;
  std::int64_t bandHigh_ = 0;
  unsigned bandPercent_ = 0;
  std::uint16_t percent_ = 0;
  bool showPercent_ = true;
  BarStyle barStyle_ = bsTraditional;
  int numSegments_ = 20;
  Orientation orientation_ = orHorizontal;
  Color backColor_ = clWhite;
  Color barColor_ = clHighlight;
  int interiorOffset_ = 0;
};

}  // namespace morvel
