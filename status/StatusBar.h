// The status bar: a panel along the bottom of a window that holds a status
// pane and a progress bar, with a size grip in its bottom-right corner. Its
// children are placed by their alignment inside its borders.
#pragma once

#include <string>

#include "platform/Control.h"
#include "status/FrameStyle.h"

namespace morvel {

class StatusBar : public Control {
 public:
  static constexpr int kGripSize = 13;
  static constexpr int kAutoStyleHeight = 19;

  StatusBar();

  // True: the bar keeps its own borders (no frames, all sides, width 0,
  // height 19). Any later border change turns it off.
  bool autoStyle() const { return autoStyle_; }
  void setAutoStyle(bool autoStyle);

  bool showSizeGrip() const { return showSizeGrip_; }
  void setShowSizeGrip(bool show);
  // True: every child is hidden and simpleCaption is drawn in a fsStatus
  // frame instead; false shows the children that were shown before.
  bool simpleStatus() const { return simpleStatus_; }
  void setSimpleStatus(bool simple);
  const std::string& simpleCaption() const { return simpleCaption_; }
  void setSimpleCaption(std::string_view caption);
  // True: a change of the bar's width scales every child's width by it.
  bool autoScalePanes() const { return autoScalePanes_; }
  void setAutoScalePanes(bool autoScale) { autoScalePanes_ = autoScale; }

  FrameStyle borderInner() const { return borders_.inner; }
  void setBorderInner(FrameStyle style);
  FrameStyle borderOuter() const { return borders_.outer; }
  void setBorderOuter(FrameStyle style);
  unsigned borderSides() const { return borders_.borderSides; }
  void setBorderSides(unsigned sides);
  int borderWidth() const { return borders_.borderWidth; }
  void setBorderWidth(int width);
  Color borderColor() const { return borders_.borderColor; }
  void setBorderColor(Color color);
  Color flatColor() const { return borders_.colors.flat; }
  void setFlatColor(Color color);
  unsigned frameSides() const { return borders_.frameSides; }
  void setFrameSides(unsigned sides);

  // Whether the grip shows now (shown, and the window not maximised).
  bool gripVisible() const;
  Rect gripRect() const;

  void paint(Canvas& canvas, const Rect& dirty) override;
  void mouseDown(MouseButton button, ShiftState shift, Point p) override;
  Cursor cursorAt(Point p) const override;

 protected:
  Rect alignRect() const override;
  void resized() override;

 private:
  void bordersChanged();
  void paintGrip(Canvas& canvas);

  bool autoStyle_ = true;
  bool showSizeGrip_ = true;
  bool simpleStatus_ = false;
  bool autoScalePanes_ = false;
  std::string simpleCaption_;
  PanelBorders borders_{0, fsNone, fsNone, sdAll, 0, clBtnFace, {clBlack}};
  std::vector<Control*> hiddenBySimple_;
  int lastWidth_ = 0;
};

}  // namespace morvel
