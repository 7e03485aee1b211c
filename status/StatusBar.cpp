// The status bar; see StatusBar.h.
#include "status/StatusBar.h"

#include <algorithm>

namespace morvel {

StatusBar::StatusBar()
    : PanelBorderProperties({0, fsNone, fsNone, sdAll, 0, clBtnFace, {clBlack}}) {
  setAlign(alBottom);
  setBounds({0, 0, 200, kAutoStyleHeight});
  lastWidth_ = width();
}

void StatusBar::setAutoStyle(bool autoStyle) {
  if (autoStyle == autoStyle_) return;
  autoStyle_ = autoStyle;
  if (autoStyle_) {
    PanelBorders own = borders();
    own.inner = fsNone;
    own.outer = fsNone;
    own.borderSides = sdAll;
    own.borderWidth = 0;
    replaceBorders(own);
    setHeight(kAutoStyleHeight);
    realignChildren();
    invalidate();
  }
}

void StatusBar::bordersChanged(BorderChange, bool) {
  autoStyle_ = false;
  realignChildren();
  invalidate();
}

void StatusBar::setShowSizeGrip(bool show) {
  if (show == showSizeGrip_) return;
  showSizeGrip_ = show;
  invalidate();
}

void StatusBar::setSimpleStatus(bool simple) {
  if (simple == simpleStatus_) return;
  simpleStatus_ = simple;
  if (simple) {
    hiddenBySimple_.clear();
    const auto children = this->children();
    for (Control* child : children) {
      if (child->visible()) {
        hiddenBySimple_.push_back(child);
        child->setVisible(false);
      }
    }
  } else {
    const auto hidden = std::move(hiddenBySimple_);
    hiddenBySimple_.clear();
    for (Control* child : hidden) {
      // Only children still on this bar come back.
      const auto& now = children();
      if (std::find(now.begin(), now.end(), child) != now.end()) child->setVisible(true);
    }
  }
  invalidate();
}

void StatusBar::setSimpleCaption(std::string_view caption) {
  if (caption == simpleCaption_) return;
  simpleCaption_.assign(caption);
  if (simpleStatus_) invalidate();
}

Rect StatusBar::alignRect() const { return panelInterior(clientRect(), borders()); }

void StatusBar::resized() {
  const int newWidth = width();
  if (autoScalePanes_ && lastWidth_ > 0 && newWidth != lastWidth_) {
    const auto children = this->children();
    for (Control* child : children) {
      child->setWidth(static_cast<int>(std::int64_t{child->width()} * newWidth / lastWidth_));
    }
  }
  lastWidth_ = newWidth;
  invalidate();
}

bool StatusBar::gripVisible() const {
  return showSizeGrip_ && !(host() && host()->windowMaximized());
}

Rect StatusBar::gripRect() const {
  return {width() - kGripSize, height() - kGripSize, width(), height()};
}

void StatusBar::paint(Canvas& canvas, const Rect&) {
  const Rect inside = drawPanelBorders(canvas, clientRect(), borders());
  canvas.fillRect(inside, color());
  if (simpleStatus_) {
    const Rect area = drawFrame(canvas, inside, fsStatus);
    canvas.setFont(font());
    const int y = area.top + (area.height() - canvas.textExtent("Pp").height) / 2;
    canvas.drawTextClipped(area, {area.left + 2, y}, simpleCaption_, font().color);
  }
  if (gripVisible()) paintGrip(canvas);
}

void StatusBar::paintGrip(Canvas& canvas) {
  // Three ridges across the corner, 4 pixels apart: counted from the corner
  // outwards, a gap, two shadow lines and one highlight line each.
  const Rect g = gripRect();
  const int right = g.right - 1;
  const int bottom = g.bottom - 1;
  for (int ridge = 0; ridge < 3; ++ridge) {
    for (int k = 1; k <= 3; ++k) {
      const int s = ridge * 4 + k;
      canvas.drawLine({right - s, bottom}, {right, bottom - s},
                      k == 3 ? clBtnHighlight : clBtnShadow);
    }
  }
}

void StatusBar::mouseDown(MouseButton button, ShiftState, Point p) {
  if (button == mbLeft && gripVisible() && gripRect().contains(p) && host()) {
    host()->startWindowSizing();
  }
}

Cursor StatusBar::cursorAt(Point p) const {
  if (gripVisible() && gripRect().contains(p)) return crSizeNWSE;
  return cursor();
}

}  // namespace morvel
