// The border properties that the status bar, the progress bar and the
// labels publish alike (frame sides, outer and inner frame, border sides,
// flat border width and colour, and the frame colours), kept in one place.
// Each setter clamps and stores its value; the control then hears of the
// change through bordersChanged and decides what it means for it: a
// relayout, a repaint, or turning its automatic style off.
#pragma once

#include <algorithm>

#include "status/FrameStyle.h"

namespace morvel {

class PanelBorderProperties {
 public:
  // What a change touched: the room the borders take (the interior moves)
  // or only their colours.
  enum class BorderChange { room, colour };

  explicit PanelBorderProperties(const PanelBorders& initial) : borders_(initial) {}
  virtual ~PanelBorderProperties() = default;

  unsigned frameSides() const { return borders_.frameSides; }
  void setFrameSides(unsigned sides) { store(borders_.frameSides, sides & sdAll); }
  FrameStyle borderOuter() const { return borders_.outer; }
  void setBorderOuter(FrameStyle style) { store(borders_.outer, style); }
  FrameStyle borderInner() const { return borders_.inner; }
  void setBorderInner(FrameStyle style) { store(borders_.inner, style); }
  unsigned borderSides() const { return borders_.borderSides; }
  void setBorderSides(unsigned sides) { store(borders_.borderSides, sides & sdAll); }
  int borderWidth() const { return borders_.borderWidth; }
  void setBorderWidth(int width) { store(borders_.borderWidth, std::max(width, 0)); }
  int bevelWidth() const { return borders_.colors.bevelWidth; }
  void setBevelWidth(int width) { store(borders_.colors.bevelWidth, std::max(width, 0)); }
  Color borderColor() const { return borders_.borderColor; }
  void setBorderColor(Color color) { store(borders_.borderColor, color, BorderChange::colour); }
  Color flatColor() const { return borders_.colors.flat; }
  void setFlatColor(Color color) { store(borders_.colors.flat, color, BorderChange::colour); }
  Color borderHighlight() const { return borders_.colors.highlight; }
  void setBorderHighlight(Color color) {
    store(borders_.colors.highlight, color, BorderChange::colour);
  }
  Color borderShadow() const { return borders_.colors.shadow; }
  void setBorderShadow(Color color) { store(borders_.colors.shadow, color, BorderChange::colour); }

  const PanelBorders& borders() const { return borders_; }

 protected:
  // Replaces every border at once without a notice (a control's own style).
  void replaceBorders(const PanelBorders& borders) { borders_ = borders; }
  // Called after every setter, also when the value was already held
  // (`changed` false): setting a border turns a status bar's automatic
  // style off even so.
  virtual void bordersChanged(BorderChange change, bool changed) = 0;

 private:
  template <class T>
  void store(T& field, T value, BorderChange change = BorderChange::room) {
    const bool changed = !(field == value);
    field = value;
    bordersChanged(change, changed);
  }

  PanelBorders borders_;
};

}  // namespace morvel
