// Scrolling by dragging with the middle button: a mark shows where the
// press was, and the further the pointer moves from it the faster the view
// scrolls that way, one line every few ticks of a 20-millisecond timer.
#pragma once

#include <functional>
#include <memory>

#include "platform/ControlHost.h"
#include "platform/Cursor.h"
#include "platform/PlatformServices.h"

namespace morvel {

// One drag scroll, from the press that starts it to the click that ends it.
// Living means scrolling: the constructor shows the mark and starts the
// timer, the destructor hides the mark and stops the timer. It neither
// captures the mouse nor sets the cursor; its owner does both, asking
// cursor() after every move.
class DragScroller {
 public:
  // Scrolls the view by one line: through the rows when vertical, else
  // through the columns; forward for sign 1, back for sign -1.
  using ScrollLine = std::function<void(bool vertical, int sign)>;

  // Where the pointer pulls the view: speed 0 while it is inside the mark,
  // else 1 to kMaxSpeed, along one axis (vertical or not) in one direction
  // (sign 1 down or right, -1 up or left).
  struct Pull {
    int speed = 0;
    bool vertical = false;
    int sign = 1;
    friend bool operator==(const Pull&, const Pull&) = default;
  };

  static constexpr int kTickMs = 20;
  // The mark is a square this wide centred on the press.
  static constexpr int kMarkSize = 29;
  static constexpr int kMaxSpeed = 12;

  // Starts at client point `origin` of `host`: the mark shows centred on it
  // and the timer runs. `vertical` and `horizontal` say which ways the view
  // can scroll (one at least). The host must outlive the scroller.
  DragScroller(ControlHost& host, Point origin, bool vertical, bool horizontal,
               ScrollLine scrollLine);
  ~DragScroller();
  DragScroller(const DragScroller&) = delete;
  DragScroller& operator=(const DragScroller&) = delete;

  // The pointer moved to client point p; the next ticks follow it.
  void moveTo(Point p);
  // Whether the pointer has been outside the mark since the start. A release
  // ends scrolling only then: a click that never left the mark starts
  // scrolling that goes on until the next click.
  bool leftMark() const { return leftMark_; }
  // The pull of the pointer where it is now.
  Pull pull() const;
  // Inside the mark its own shape (both ways, up and down, or left and
  // right); outside an arrow in the direction of the pull.
  Cursor cursor() const;
  // One timer tick: at speed s the view scrolls a line every 13 - s ticks
  // spent outside the mark.
  void tick();

  // The pull of a pointer `offset` away from the press, for a view that
  // scrolls the ways given. Along the axis the offset is longer on (the only
  // one that scrolls, if so); the speed grows by one every 5 pixels past the
  // mark's edge, up to kMaxSpeed.
  static Pull pullFor(Point offset, bool vertical, bool horizontal);

 private:
  ScrollLine scrollLine_;
  Point origin_;
  Point pointer_;
  bool vertical_;
  bool horizontal_;
  bool leftMark_ = false;
  int ticks_ = 0;  // ticks spent outside the mark
  std::unique_ptr<FloatingImage> mark_;
  std::unique_ptr<Timer> timer_;
};

}  // namespace morvel
