// The status bar: a panel along the bottom of a window that holds a status
// pane and a progress bar, with a size grip in its bottom-right corner. Its
// children are placed by their alignment inside its borders.
#pragma once

#include <string>

#include "platform/Control.h"
#include "status/FrameStyle.h"
#include "status/PanelBorderProperties.h"

namespace morvel {

// The borders (PanelBorderProperties) are drawn inside the bar's bounds and
// its children are placed inside them.
class StatusBar : public Control, public PanelBorderProperties {
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

  // Whether the grip shows now (shown, and the window not maximised).
  bool gripVisible() const;
  Rect gripRect() const;

  void paint(Canvas& canvas, const Rect& dirty) override;
  void mouseDown(MouseButton button, ShiftState shift, Point p) override;
  Cursor cursorAt(Point p) const override;

 protected:
  Rect alignRect() const override;
  // Any border change turns the automatic style off and places the
  // children again.
  void bordersChanged(BorderChange change, bool changed) override;
  void resized() override;

 private:
  void paintGrip(Canvas& canvas);

  bool autoStyle_ = true;
  bool showSizeGrip_ = true;
  bool simpleStatus_ = false;
  bool autoScalePanes_ = false;
  std::string simpleCaption_;
  std::vector<Control*> hiddenBySimple_;
  int lastWidth_ = 0;
};

}  // namespace morvel
