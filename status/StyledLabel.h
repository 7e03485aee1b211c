// Text labels: StyledLabel draws its caption flat, raised, recessed or with a
// drop shadow, optionally turned, framed and blinking; URLLabel opens a web
// address when clicked.
#pragma once

#include <functional>
#include <string>

#include "platform/Control.h"
#include "status/BlinkingControlsList.h"
#include "status/FrameStyle.h"
#include "status/PanelBorderProperties.h"

namespace morvel {

enum TextStyle { tsNormal, tsRaised, tsRecessed, tsShadow };
enum Rotation { roNone, roFlat, roCurve };
enum CenterPoint {
  cpUpperLeft,
  cpUpperCenter,
  cpUpperRight,
  cpLeftCenter,
  cpCenter,
  cpRightCenter,
  cpLowerLeft,
  cpLowerCenter,
  cpLowerRight,
};

// Frames (PanelBorderProperties): frameSides black lines, borderOuter,
// borderWidth rectangles of borderColor, borderInner (the last three on
// borderSides); the text goes inside them.
class StyledLabel : public Control, public BlinkingControl, public PanelBorderProperties {
 public:
  StyledLabel();

  const std::string& caption() const { return caption_; }
  void setCaption(std::string_view caption);
  Alignment alignment() const { return alignment_; }
  void setAlignment(Alignment alignment);
  TextLayout layout() const { return layout_; }
  void setLayout(TextLayout layout);
  bool wordWrap() const { return wordWrap_; }
  void setWordWrap(bool wrap);
  bool transparent() const { return transparent_; }
  void setTransparent(bool transparent);
  // With autoSize the label takes the size of its text (with wordWrap only
  // the height follows; a right-aligned label keeps its right edge).
  bool autoSize() const { return autoSize_; }
  void setAutoSize(bool autoSize);
  // Whether "&" marks an accelerator character.
  bool showAccelChar() const { return showAccelChar_; }
  void setShowAccelChar(bool show);

  TextStyle textStyle() const { return textStyle_; }
  void setTextStyle(TextStyle style);
  bool lightTextStyle() const { return lightTextStyle_; }
  void setLightTextStyle(bool light);
  Color highlightColor() const { return highlightColor_; }
  void setHighlightColor(Color color);
  Color shadowColor() const { return shadowColor_; }
  void setShadowColor(Color color);
  int shadowDepth() const { return shadowDepth_; }
  void setShadowDepth(int depth);

  // Angle is kept in 0..359; a non-zero angle turns roNone into roFlat.
  // Setting roNone or roFlat resets the angle (roFlat also the centre point).
  Rotation rotation() const { return rotation_; }
  void setRotation(Rotation rotation);
  int angle() const { return angle_; }
  void setAngle(int angle);
  CenterPoint centerPoint() const { return centerPoint_; }
  void setCenterPoint(CenterPoint point);

  bool flyByEnabled() const { return flyByEnabled_; }
  void setFlyByEnabled(bool enabled);
  Color flyByColor() const { return flyByColor_; }
  void setFlyByColor(Color color) { flyByColor_ = color; }

  std::function<void(StyledLabel&)> onClick;
  std::function<void(StyledLabel&)> onMouseEnter;
  std::function<void(StyledLabel&)> onMouseLeave;

  // The area inside the frames, where the text goes.
  Rect textArea() const;
  // The colour the text is drawn in now (font, fly-by or blink colour).
  Color textColor() const;

  void paint(Canvas& canvas, const Rect& dirty) override;
  bool opaque() const override { return !transparent_; }
  void mouseDown(MouseButton button, ShiftState shift, Point p) override;
  void mouseUp(MouseButton button, ShiftState shift, Point p) override;
  void mouseEnter() override;
  void mouseLeave() override;

 protected:
  void blinkRepaint() override { invalidate(); }
  // A complete click (press and release of the left button on the label).
  virtual void click();
  void hostAttached() override;
  void fontChanged() override;
  void changed();
  // A frame that takes room sizes the label again; a colour only repaints.
  void bordersChanged(BorderChange change, bool changed) override;

 private:
  TextFormat format() const;
  void adjustBounds();
  void ensureOutlineFont();
  void paintText(Canvas& canvas, const Rect& area);
  void paintFlat(Canvas& canvas, const Rect& area);
  void paintCurve(Canvas& canvas, const Rect& area);
  // Draws the copies of the text style and the text through draw(dx, dy, colour).
  void drawStyled(const std::function<void(int, int, Color)>& draw) const;

  std::string caption_;
  Alignment alignment_ = taLeftJustify;
  TextLayout layout_ = tlTop;
  bool wordWrap_ = false;
  bool transparent_ = false;
  bool autoSize_ = true;
  bool showAccelChar_ = true;
  TextStyle textStyle_ = tsRecessed;
  bool lightTextStyle_ = false;
  Color highlightColor_ = clBtnHighlight;
  Color shadowColor_ = clBtnShadow;
  int shadowDepth_ = 2;
  Rotation rotation_ = roNone;
  int angle_ = 0;
  CenterPoint centerPoint_ = cpCenter;
  bool flyByEnabled_ = false;
  Color flyByColor_ = clHighlight;
  bool flyingBy_ = false;
  Color savedFontColor_ = clWindowText;
  bool pressed_ = false;
};

class URLLabel : public StyledLabel {
 public:
  URLLabel();

  const std::string& url() const { return url_; }
  void setUrl(std::string_view url) { url_.assign(url); }
  bool visited() const { return visited_; }
  void setVisited(bool visited);
  Color unvisitedColor() const { return unvisitedColor_; }
  void setUnvisitedColor(Color color);
  Color visitedColor() const { return visitedColor_; }
  void setVisitedColor(Color color);

  // What a click opens: the URL when it is not blank, else the caption
  // (both trimmed); empty when both are blank.
  std::string target() const;

 protected:
  void click() override;

 private:
  void showColor();

  std::string url_;
  bool visited_ = false;
  Color unvisitedColor_ = clHighlight;
  Color visitedColor_ = clPurple;
};

}  // namespace morvel
