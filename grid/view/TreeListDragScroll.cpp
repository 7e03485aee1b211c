// Scrolling by dragging with the middle button: a mark shows where the
// press was, and the further the pointer moves from it the faster the grid
// scrolls that way, one line every few ticks of a 20-millisecond timer.
#include <algorithm>
#include <cstdlib>

#include "grid/view/CustomTreeListControl.h"
#include "grid/view/TreeListImages.h"

namespace morvel {
namespace {

constexpr int kTickMs = 20;
constexpr int kMarkSize = 29;
constexpr int kMaxSpeed = 12;

}  // namespace

bool CustomTreeListControl::startDragScroll(Point p) {
  const bool vertical = visibleCount() > visibleRowCount();
  const bool horizontal = visibleColumnCount() > 0 && scrollableWidth() > dataAreaWidth();
  if (!vertical && !horizontal) return false;
  dragScrollVertical_ = vertical;
  dragScrollHorizontal_ = horizontal;
  const DragScrollMark mark = vertical && horizontal ? dsFull
                              : vertical             ? dsVertical
                                                     : dsHorizontal;
  dragScrollOrigin_ = p;
  dragScrollPointer_ = p;
  dragScrollLeftMark_ = false;
  dragScrollTicks_ = 0;
  const Point screen = host().clientToScreen(p);
  dragScrollMark_ = host().showFloatingImage(dragScrollBitmap(mark),
                                             {screen.x - kMarkSize / 2, screen.y - kMarkSize / 2});
  dragScrollTimer_ = host().services().createTimer([this] { dragScrollTick(); });
  dragScrollTimer_->start(kTickMs);
  dragScrolling_ = true;
  host().setMouseCapture(true);
  host().setCursor(dragScrollCursor());
  return true;
}

void CustomTreeListControl::endDragScroll() {
  if (!dragScrolling_) return;
  dragScrolling_ = false;
  dragScrollTimer_.reset();
  dragScrollMark_.reset();
  host().setMouseCapture(false);
  host().setCursor(cursor());
}

// Which way and how fast: 0 inside the mark; otherwise the speed, with the
// direction in vertical_ and the sign.
int CustomTreeListControl::dragScrollSpeed(bool& vertical, int& sign) const {
  const int dx = dragScrollPointer_.x - dragScrollOrigin_.x;
  const int dy = dragScrollPointer_.y - dragScrollOrigin_.y;
  if (std::abs(dx) <= kMarkSize / 2 && std::abs(dy) <= kMarkSize / 2) return 0;
  vertical = dragScrollVertical_ && (std::abs(dy) >= std::abs(dx) || !dragScrollHorizontal_);
  const int along = vertical ? dy : dx;
  sign = along < 0 ? -1 : 1;
  const int speed = (std::abs(along) - kMarkSize / 2) / 5 + 1;
  return std::clamp(speed, 0, kMaxSpeed);
}

Cursor CustomTreeListControl::dragScrollCursor() const {
  bool vertical = false;
  int sign = 1;
  if (dragScrollSpeed(vertical, sign) == 0) {
    return dragScrollVertical_ && dragScrollHorizontal_ ? crTLFullScroll
           : dragScrollVertical_                        ? crTLVerScroll
                                                        : crTLHorScroll;
  }
  if (vertical) return sign < 0 ? crTLUpScroll : crTLDownScroll;
  return sign < 0 ? crTLLeftScroll : crTLRightScroll;
}

void CustomTreeListControl::dragScrollMove(Point p) {
  dragScrollPointer_ = p;
  bool vertical = false;
  int sign = 1;
  if (dragScrollSpeed(vertical, sign) > 0) dragScrollLeftMark_ = true;
  host().setCursor(dragScrollCursor());
}

void CustomTreeListControl::dragScrollTick() {
  bool vertical = false;
  int sign = 1;
  const int speed = dragScrollSpeed(vertical, sign);
  if (speed == 0) return;
  if (++dragScrollTicks_ % (13 - speed) != 0) return;
  scrolled(vertical ? sbVertical : sbHorizontal, sign < 0 ? scLineUp : scLineDown, 0);
}

}  // namespace morvel
