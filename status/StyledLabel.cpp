// Styled and web-address labels; see StyledLabel.h.
#include "status/StyledLabel.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace morvel {
namespace {

// Classic faces drawn from bitmaps, which cannot be turned.
bool isBitmapFace(const std::string& name) {
  static const char* const kBitmapFaces[] = {"MS Sans Serif", "MS Serif", "System",  "Courier",
                                             "Small Fonts",   "Terminal", "Fixedsys"};
  return std::any_of(std::begin(kBitmapFaces), std::end(kBitmapFaces),
                     [&](const char* face) { return name == face; });
}

std::string trimmed(std::string_view s) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return std::string(s);
}

}  // namespace

StyledLabel::StyledLabel()
    : PanelBorderProperties({0, fsNone, fsNone, sdAll, 0, clBtnFace, {clBlack}}) {
  setBounds({0, 0, 65, 17});
}

void StyledLabel::hostAttached() {
  BlinkingControlsList::startTimer(host()->services());
  adjustBounds();
}

void StyledLabel::changed() {
  adjustBounds();
  invalidate();
}

void StyledLabel::fontChanged() {
  if (rotation_ != roNone) ensureOutlineFont();
  changed();
}

void StyledLabel::setCaption(std::string_view caption) {
  if (caption == caption_) return;
  caption_.assign(caption);
  changed();
}

void StyledLabel::setAlignment(Alignment alignment) {
  if (alignment == alignment_) return;
  alignment_ = alignment;
  invalidate();
}

void StyledLabel::setLayout(TextLayout layout) {
  if (layout == layout_) return;
  layout_ = layout;
  invalidate();
}

void StyledLabel::setWordWrap(bool wrap) {
  if (wrap == wordWrap_) return;
  wordWrap_ = wrap;
  changed();
}

void StyledLabel::setTransparent(bool transparent) {
  if (transparent == transparent_) return;
  transparent_ = transparent;
  if (host()) host()->setOpaque(!transparent);
  invalidate();
}

void StyledLabel::setAutoSize(bool autoSize) {
  if (autoSize == autoSize_) return;
  autoSize_ = autoSize;
  adjustBounds();
}

void StyledLabel::setShowAccelChar(bool show) {
  if (show == showAccelChar_) return;
  showAccelChar_ = show;
  changed();
}

void StyledLabel::setTextStyle(TextStyle style) {
  if (style == textStyle_) return;
  textStyle_ = style;
  invalidate();
}

void StyledLabel::setLightTextStyle(bool light) {
  if (light == lightTextStyle_) return;
  lightTextStyle_ = light;
  invalidate();
}

void StyledLabel::setHighlightColor(Color color) {
  highlightColor_ = color;
  invalidate();
}

void StyledLabel::setShadowColor(Color color) {
  shadowColor_ = color;
  invalidate();
}

void StyledLabel::setShadowDepth(int depth) {
  shadowDepth_ = std::max(depth, 0);
  invalidate();
}

void StyledLabel::setRotation(Rotation rotation) {
  if (rotation == roNone || rotation == roFlat) angle_ = 0;
  if (rotation == roFlat) centerPoint_ = cpCenter;
  rotation_ = rotation;
  if (rotation_ != roNone) ensureOutlineFont();
  invalidate();
}

void StyledLabel::setAngle(int angle) {
  angle %= 360;
  if (angle < 0) angle += 360;
  angle_ = angle;
  // Not through setRotation, which would put the angle back to 0.
  if (angle_ != 0 && rotation_ == roNone) {
    rotation_ = roFlat;
    ensureOutlineFont();
  }
  invalidate();
}

void StyledLabel::setCenterPoint(CenterPoint point) {
  centerPoint_ = point;
  invalidate();
}

void StyledLabel::ensureOutlineFont() {
  if (!isBitmapFace(font().name)) return;
  Font f = font();
  f.name = "Arial";
  setFont(f);
}

void StyledLabel::setFlyByEnabled(bool enabled) {
  if (enabled == flyByEnabled_) return;
  if (!enabled && flyingBy_) mouseLeave();
  flyByEnabled_ = enabled;
}

void StyledLabel::bordersChanged(BorderChange change, bool) {
  if (change == BorderChange::room) {
    changed();
  } else {
    invalidate();
  }
}

Rect StyledLabel::textArea() const { return panelInterior(clientRect(), borders()); }

Color StyledLabel::textColor() const { return blinkingTextColor(font().color); }

TextFormat StyledLabel::format() const {
  TextFormat f;
  f.alignment = alignment_;
  f.layout = layout_;
  f.flags = tfExpandTabs;
  if (wordWrap_) f.flags |= tfWordBreak;
  if (!showAccelChar_) f.flags |= tfNoPrefix;
  return f;
}

void StyledLabel::adjustBounds() {
  if (!autoSize_ || !host() || rotation_ != roNone) return;
  Canvas& canvas = host()->canvas();
  canvas.setFont(font());
  const Rect area = textArea();
  const int insetX = width() - area.width();
  const int insetY = height() - area.height();
  // An empty caption still takes one line, as a blank would.
  const std::string_view text = caption_.empty() ? std::string_view(" ") : caption_;
  const int room = wordWrap_ ? std::max(area.width(), 1) : 1 << 20;
  const LaidText laid = layoutText(canvas, {0, 0, room, 1 << 20}, text, format());
  const int textWidth = laid.bounds.width();
  const int textHeight = laid.bounds.height();
  Rect b = bounds();
  if (!wordWrap_) {
    const int newWidth = textWidth + insetX;
    if (alignment_ == taRightJustify) {
      b.left = b.right - newWidth;
    } else {
      b.right = b.left + newWidth;
    }
  }
  b.bottom = b.top + textHeight + insetY;
  setBounds(b);
}

void StyledLabel::drawStyled(const std::function<void(int, int, Color)>& draw) const {
  if (!enabled()) {
    draw(1, 1, clBtnHighlight);
    draw(0, 0, clGrayText);
    return;
  }
  switch (textStyle_) {
    case tsNormal:
      break;
    case tsRecessed:
      draw(1, 1, highlightColor_);
      if (!lightTextStyle_) draw(-1, -1, shadowColor_);
      break;
    case tsRaised:
      if (!lightTextStyle_) draw(1, 1, shadowColor_);
      draw(-1, -1, highlightColor_);
      break;
    case tsShadow:
      draw(shadowDepth_, shadowDepth_, shadowColor_);
      break;
  }
  draw(0, 0, textColor());
}

void StyledLabel::paint(Canvas& canvas, const Rect&) {
  const Rect area = drawPanelBorders(canvas, clientRect(), borders());
  if (!transparent_) canvas.fillRect(area, color());
  if (caption_.empty() || area.isEmpty()) return;
  canvas.setFont(font());
  ClipScope clip(canvas, area);
  if (rotation_ == roFlat) {
    paintFlat(canvas, area);
  } else if (rotation_ == roCurve) {
    paintCurve(canvas, area);
  } else {
    paintText(canvas, area);
  }
}

void StyledLabel::paintText(Canvas& canvas, const Rect& area) {
  const LaidText laid = layoutText(canvas, area, caption_, format());
  drawStyled([&](int dx, int dy, Color c) { canvas.drawLaidText(laid, c, dx, dy); });
}

void StyledLabel::paintFlat(Canvas& canvas, const Rect& area) {
  const std::string text = showAccelChar_ ? stripAccelerator(caption_) : caption_;
  const Size extent = canvas.textExtent(text);
  // The pivot is the same one of nine points on the area and on the text.
  const double fx = (centerPoint_ % 3) / 2.0;
  const double fy = (centerPoint_ / 3) / 2.0;
  const double px = area.left + fx * area.width();
  const double py = area.top + fy * area.height();
  const double ox = -fx * extent.width;
  const double oy = -fy * extent.height;
  const double a = angle_ * std::numbers::pi / 180.0;
  const int x = static_cast<int>(std::lround(px + ox * std::cos(a) + oy * std::sin(a)));
  const int y = static_cast<int>(std::lround(py - ox * std::sin(a) + oy * std::cos(a)));
  drawStyled([&](int dx, int dy, Color c) {
    canvas.drawTextRotated({x + dx, y + dy}, angle_, text, c);
  });
}

void StyledLabel::paintCurve(Canvas& canvas, const Rect& area) {
  const std::string text = showAccelChar_ ? stripAccelerator(caption_) : caption_;
  const int lineHeight = canvas.textHeight();
  const double radius =
      std::max(std::min(area.width(), area.height()) / 2.0 - lineHeight, double(lineHeight));
  const double cx = area.left + area.width() / 2.0;
  const double cy = area.top + area.height() / 2.0;
  const double span = canvas.textWidth(text) / radius;
  const bool utf8 = isValidUtf8(text);
  // Along the top of a circle round the centre, reading clockwise, centred
  // on the angle.
  drawStyled([&](int dx, int dy, Color c) {
    double a = std::numbers::pi / 2 + angle_ * std::numbers::pi / 180.0 + span / 2;
    for (std::size_t i = 0; i < text.size();) {
      const std::size_t next = nextCharacter(text, i, utf8);
      const std::string_view ch(text.data() + i, next - i);
      const double outer = radius + lineHeight;
      const int x = static_cast<int>(std::lround(cx + outer * std::cos(a))) + dx;
      const int y = static_cast<int>(std::lround(cy - outer * std::sin(a))) + dy;
      const int turn = static_cast<int>(std::lround(a * 180.0 / std::numbers::pi)) - 90;
      canvas.drawTextRotated({x, y}, turn, ch, c);
      a -= canvas.textWidth(ch) / radius;
      i = next;
    }
  });
}

void StyledLabel::mouseDown(MouseButton button, ShiftState, Point) {
  if (button == mbLeft) pressed_ = true;
}

void StyledLabel::mouseUp(MouseButton button, ShiftState, Point p) {
  if (button != mbLeft) return;
  const bool wasPressed = pressed_;
  pressed_ = false;
  if (wasPressed && clientRect().contains(p)) click();
}

void StyledLabel::click() {
  if (onClick) onClick(*this);
}

void StyledLabel::mouseEnter() {
  if (flyByEnabled_ && !flyingBy_) {
    savedFontColor_ = font().color;
    flyingBy_ = true;
    Font f = font();
    f.color = flyByColor_;
    setFont(f);
  }
  if (onMouseEnter) onMouseEnter(*this);
}

void StyledLabel::mouseLeave() {
  if (flyingBy_) {
    flyingBy_ = false;
    Font f = font();
    f.color = savedFontColor_;
    setFont(f);
  }
  if (onMouseLeave) onMouseLeave(*this);
}

URLLabel::URLLabel() {
  setTextStyle(tsNormal);
  Font f = font();
  f.style |= fsUnderline;
  f.color = unvisitedColor_;
  setFont(f);
  setCursor(crHandPoint);
}

std::string URLLabel::target() const {
  std::string t = trimmed(url_);
  return t.empty() ? trimmed(caption()) : t;
}

void URLLabel::click() {
  StyledLabel::click();
  const std::string where = target();
  if (where.empty() || !host()) return;
  // A failure is silent: the platform shows no dialog of its own.
  if (host()->services().openDocument(where)) setVisited(true);
}

void URLLabel::setVisited(bool visited) {
  visited_ = visited;
  showColor();
}

void URLLabel::setUnvisitedColor(Color color) {
  unvisitedColor_ = color;
  showColor();
}

void URLLabel::setVisitedColor(Color color) {
  visitedColor_ = color;
  showColor();
}

void URLLabel::showColor() {
  Font f = font();
  f.color = visited_ ? visitedColor_ : unvisitedColor_;
  setFont(f);
}

}  // namespace morvel
