// The status pane: one line of text (such as "Loading ...") in a frame,
// usually on a status bar. A caption change is painted with the next paint
// cycle, which is why long operations process pending messages after
// setting one.
#pragma once

#include <functional>
#include <string>

#include "platform/Control.h"
#include "status/BlinkingControlsList.h"
#include "status/FrameStyle.h"

namespace morvel {

class StatusPane : public Control, public BlinkingControl {
 public:
  StatusPane();

  const std::string& caption() const { return caption_; }
  // A different caption marks the pane for repainting (and re-sizes it with
  // autoSize); the same caption does nothing.
  void setCaption(std::string_view caption);

  Alignment alignment() const { return alignment_; }
  void setAlignment(Alignment alignment);
  FrameStyle frameStyle() const { return frameStyle_; }
  void setFrameStyle(FrameStyle style);
  Color flatColor() const { return flatColor_; }
  void setFlatColor(Color color);
  Color fillColor() const { return fillColor_; }
  void setFillColor(Color color);
  int borderWidth() const { return borderWidth_; }
  void setBorderWidth(int width);
  int captionOffset() const { return captionOffset_; }
  void setCaptionOffset(int offset);
  bool autoSize() const { return autoSize_; }
  void setAutoSize(bool autoSize);
  int defaultWidth() const { return defaultWidth_; }
  void setDefaultWidth(int width);

  std::function<void(StatusPane&)> onMouseEnter;
  std::function<void(StatusPane&)> onMouseLeave;

  // The rectangle the caption is drawn in.
  Rect textArea() const;

  void paint(Canvas& canvas, const Rect& dirty) override;
  void mouseEnter() override;
  void mouseLeave() override;
  bool passesToParent(Point p) const override;

 protected:
  void blinkRepaint() override { invalidate(); }
  void hostAttached() override;
  void fontChanged() override;

 private:
  void adjustSize();
  Color textColor() const;

  std::string caption_;
  Alignment alignment_ = taLeftJustify;
  FrameStyle frameStyle_ = fsStatus;
  Color flatColor_ = clBlack;
  Color fillColor_ = clBtnFace;
  int borderWidth_ = 1;
  int captionOffset_ = 2;
  bool autoSize_ = false;
  int defaultWidth_ = 40;
};

// Pixels at the right end of a control on a status bar that belong to the
// bar's size grip.
constexpr int kSizeGripPassWidth = 12;

}  // namespace morvel
