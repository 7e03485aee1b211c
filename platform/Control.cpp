// The control base: host attachment, the child tree, geometry and
// alignment; see Control.h.
#include "platform/Control.h"

#include <algorithm>

namespace morvel {

Control::~Control() {
  if (host_) host_->controlDestroyed();
  // Hosts normally detach first; this is the safety net for the tree.
  for (Control* child : children_) child->parent_ = nullptr;
  if (parent_) {
    auto& siblings = parent_->children_;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
  }
}

void Control::attach(ControlHost* host) {
  if (host_ == host) return;
  if (host_) hostDetaching();
  host_ = host;
  if (host_) {
    host_->setBounds(bounds_);
    host_->setVisible(visible_);
    host_->setCursor(cursor_);
    host_->setOpaque(opaque());
    hostAttached();
  }
}

void Control::setParent(Control* parent) {
  if (parent == parent_ || parent == this) return;
  if (parent_) {
    auto& siblings = parent_->children_;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
    parent_->realignChildren();
  }
  parent_ = parent;
  if (parent_) {
    parent_->children_.push_back(this);
    parent_->realignChildren();
  }
}

void Control::setBounds(const Rect& bounds) { applyBounds(bounds, true); }

void Control::hostResized(const Rect& bounds) { applyBounds(bounds, false); }

void Control::applyBounds(const Rect& bounds, bool tellHost) {
  Rect b = bounds;
  if (b.right < b.left) b.right = b.left;
  if (b.bottom < b.top) b.bottom = b.top;
  if (b == bounds_) return;
  const bool sized = b.width() != bounds_.width() || b.height() != bounds_.height();
  bounds_ = b;
  if (tellHost && host_) host_->setBounds(bounds_);
  resized();
  if (sized) realignChildren();
  if (parent_ && align_ != alNone && !parent_->aligning_) parent_->realignChildren();
}

void Control::setAlign(Align align) {
  if (align == align_) return;
  align_ = align;
  if (parent_) parent_->realignChildren();
}

void Control::setVisible(bool visible) {
  if (visible == visible_) return;
  visible_ = visible;
  if (host_) host_->setVisible(visible);
  if (parent_ && align_ != alNone) parent_->realignChildren();
}

void Control::setEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  enabledChanged();
}

void Control::setColor(Color color) {
  if (color == color_ && !parentColor_) return;
  color_ = color;
  parentColor_ = false;
  invalidate();
}

void Control::setParentColor(bool parentColor) {
  if (parentColor == parentColor_) return;
  parentColor_ = parentColor;
  invalidate();
}

void Control::setFont(const Font& font) {
  if (font == font_) return;
  font_ = font;
  fontChanged();
}

void Control::setCursor(Cursor cursor) {
  if (cursor == cursor_) return;
  cursor_ = cursor;
  if (host_) host_->setCursor(cursor);
}

void Control::invalidate() {
  if (host_) host_->invalidate();
}

void Control::invalidateRect(const Rect& rect) {
  if (host_) host_->invalidateRect(rect);
}

void Control::repaintNow() {
  if (host_ && visible_) host_->repaintNow();
}

void Control::realignChildren() {
  if (aligning_) return;
  aligning_ = true;
  Rect area = alignRect();
  for (const Align pass : {alTop, alBottom, alLeft, alRight, alClient}) {
    for (Control* child : children_) {
      if (!child->visible_ || child->align_ != pass) continue;
      const Rect& b = child->bounds_;
      Rect placed;
      switch (pass) {
        case alTop:
          placed = {area.left, area.top, area.right, area.top + b.height()};
          area.top = placed.bottom;
          break;
        case alBottom:
          placed = {area.left, area.bottom - b.height(), area.right, area.bottom};
          area.bottom = placed.top;
          break;
        case alLeft:
          placed = {area.left, area.top, area.left + b.width(), area.bottom};
          area.left = placed.right;
          break;
        case alRight:
          placed = {area.right - b.width(), area.top, area.right, area.bottom};
          area.right = placed.left;
          break;
        default:
          placed = area;
          break;
      }
      child->setBounds(placed);
    }
  }
  aligning_ = false;
}

}  // namespace morvel
