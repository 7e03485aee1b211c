// The drag scroller: its mark, its timer and the pull of the pointer.
#include "grid/view/DragScroller.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "grid/view/TreeListImages.h"

namespace morvel {

DragScroller::DragScroller(ControlHost& host, Point origin, bool vertical, bool horizontal,
                           ScrollLine scrollLine)
    : scrollLine_(std::move(scrollLine)),
      origin_(origin),
      pointer_(origin),
      vertical_(vertical),
      horizontal_(horizontal) {
  const DragScrollMark shape = vertical && horizontal ? dsFull
                               : vertical             ? dsVertical
                                                      : dsHorizontal;
  const Point screen = host.clientToScreen(origin);
  mark_ = host.showFloatingImage(dragScrollBitmap(shape),
                                 {screen.x - kMarkSize / 2, screen.y - kMarkSize / 2});
  timer_ = host.services().createTimer([this] { tick(); });
  timer_->start(kTickMs);
}

// The timer goes first: no tick may come once the mark is gone.
DragScroller::~DragScroller() {
  timer_.reset();
  mark_.reset();
}

DragScroller::Pull DragScroller::pullFor(Point offset, bool vertical, bool horizontal) {
  const int dx = offset.x;
  const int dy = offset.y;
  if (std::abs(dx) <= kMarkSize / 2 && std::abs(dy) <= kMarkSize / 2) return {};
  Pull pull;
  pull.vertical = vertical && (std::abs(dy) >= std::abs(dx) || !horizontal);
  const int along = pull.vertical ? dy : dx;
  pull.sign = along < 0 ? -1 : 1;
  pull.speed = std::clamp((std::abs(along) - kMarkSize / 2) / 5 + 1, 0, kMaxSpeed);
  return pull;
}

DragScroller::Pull DragScroller::pull() const {
  return pullFor({pointer_.x - origin_.x, pointer_.y - origin_.y}, vertical_, horizontal_);
}

void DragScroller::moveTo(Point p) {
  pointer_ = p;
  if (pull().speed > 0) leftMark_ = true;
}

Cursor DragScroller::cursor() const {
  const Pull now = pull();
  if (now.speed == 0) {
    return vertical_ && horizontal_ ? crTLFullScroll : vertical_ ? crTLVerScroll : crTLHorScroll;
  }
  if (now.vertical) return now.sign < 0 ? crTLUpScroll : crTLDownScroll;
  return now.sign < 0 ? crTLLeftScroll : crTLRightScroll;
}

void DragScroller::tick() {
  const Pull now = pull();
  if (now.speed == 0) return;
  if (++ticks_ % (13 - now.speed) != 0) return;
  scrollLine_(now.vertical, now.sign);
}

}  // namespace morvel
