// The status pane; see StatusPane.h.
#include "status/StatusPane.h"

#include "status/StatusBar.h"

namespace morvel {

StatusPane::StatusPane() { setBounds({0, 0, 100, 20}); }

void StatusPane::hostAttached() {
  BlinkingControlsList::startTimer(host()->services());
  adjustSize();
}

void StatusPane::setCaption(std::string_view caption) {
  if (caption == caption_) return;
  caption_.assign(caption);
  if (autoSize_) adjustSize();
  invalidate();
}

void StatusPane::setAlignment(Alignment alignment) {
  if (alignment == alignment_) return;
  alignment_ = alignment;
  invalidate();
}

void StatusPane::setFrameStyle(FrameStyle style) {
  if (style == frameStyle_) return;
  frameStyle_ = style;
  invalidate();
}

void StatusPane::setFlatColor(Color color) {
  if (color == flatColor_) return;
  flatColor_ = color;
  invalidate();
}

void StatusPane::setFillColor(Color color) {
  if (color == fillColor_) return;
  fillColor_ = color;
  invalidate();
}

void StatusPane::setBorderWidth(int width) {
  width = std::max(width, 0);
  if (width == borderWidth_) return;
  borderWidth_ = width;
  adjustSize();
  invalidate();
}

void StatusPane::setCaptionOffset(int offset) {
  offset = std::max(offset, 0);
  if (offset == captionOffset_) return;
  captionOffset_ = offset;
  adjustSize();
  invalidate();
}

void StatusPane::setAutoSize(bool autoSize) {
  if (autoSize == autoSize_) return;
  autoSize_ = autoSize;
  adjustSize();
}

void StatusPane::setDefaultWidth(int width) {
  if (width == defaultWidth_) return;
  defaultWidth_ = std::max(width, 0);
  adjustSize();
}

void StatusPane::fontChanged() {
  adjustSize();
  invalidate();
}

void StatusPane::adjustSize() {
  if (!autoSize_ || !host()) return;
  int width = defaultWidth_;
  if (!caption_.empty()) {
    Canvas& canvas = host()->canvas();
    canvas.setFont(font());
    width = 2 * borderWidth_ + canvas.textWidth(caption_) + captionOffset_ + 6;
  }
  setWidth(width);
}

Color StatusPane::textColor() const { return blinkingTextColor(font().color); }

Rect StatusPane::textArea() const {
  int inset = borderWidth_ + 2;
  if (frameStyle_ == fsFlat || frameStyle_ == fsStatus || frameStyle_ == fsPopup) {
    inset = borderWidth_ + 1;
  } else if (frameStyle_ == fsNone) {
    inset = borderWidth_;
  }
  return clientRect().inflated(-inset, -inset).intersected(clientRect());
}

void StatusPane::paint(Canvas& canvas, const Rect&) {
  canvas.fillRect(clientRect(), color());
  const Rect inside = clientRect().inflated(-borderWidth_, -borderWidth_);
  FrameColors colors;
  colors.flat = flatColor_;
  if (!inside.isEmpty()) drawFrame(canvas, inside, frameStyle_, sdAll, colors);

  const Rect area = textArea();
  canvas.fillRect(area, fillColor_);
  if (caption_.empty() || area.isEmpty()) return;
  canvas.setFont(font());
  const int width = canvas.textWidth(caption_);
  int x = area.left + captionOffset_ + 1;
  if (alignment_ == taRightJustify) x = area.right - captionOffset_ - 1 - width;
  if (alignment_ == taCenter) x = area.left + (area.width() - width) / 2;
  const int y = area.top + (area.height() - canvas.textExtent("Pp").height) / 2;
  if (!enabled()) {
    canvas.drawTextClipped(area, {x + 1, y + 1}, caption_, clBtnHighlight);
    canvas.drawTextClipped(area, {x, y}, caption_, clGrayText);
  } else {
    canvas.drawTextClipped(area, {x, y}, caption_, textColor());
  }
}

void StatusPane::mouseEnter() {
  if (onMouseEnter) onMouseEnter(*this);
}

void StatusPane::mouseLeave() {
  if (onMouseLeave) onMouseLeave(*this);
}

bool StatusPane::passesToParent(Point p) const {
  // Only on a status bar, and only where the pane covers the bar's right end.
  const auto* bar = dynamic_cast<const StatusBar*>(parent());
  return bar && bounds().right >= bar->width() && p.x >= width() - kSizeGripPassWidth;
}

}  // namespace morvel
