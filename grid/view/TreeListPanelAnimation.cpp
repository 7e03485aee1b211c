// Showing or hiding the group panel as a short slide: the rows below the
// panel's line move down (or up) by the panel's height in growing steps,
// each uncovered strip painted at once, for 400 milliseconds at most.
#include <algorithm>
#include <chrono>

#include "grid/view/CustomTreeListControl.h"
#include "grid/view/TreeListGroupPanel.h"

namespace morvel {

void TreeListGroupPanel::animate(bool showing, int height) {
  ControlHost& host = grid_.host();
  const Size client = host.clientSize();
  if (!grid_.Control::host() || client.width <= 0 || client.height <= 0 || grid_.locked() ||
      grid_.mouseState() != MouseState::Idle || height <= 0) {
    return;
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(400);
  int step = std::max(grid_.rowsAreaRect().height() / 256, 1);
  int done = 0;
  stripColor_ = showing ? clBtnShadow : grid_.color();
  while (done < height && std::chrono::steady_clock::now() < deadline) {
    const int remaining = height - done;
    // Steps grow once the first 20 pixels are done and slow down near the end.
    if (done >= 20) ++step;
    const int move = std::min({step, remaining, std::max(remaining / 2, 1)});
    Rect strip;
    if (showing) {
      host.scrollArea({0, done, client.width, client.height}, 0, move);
      strip = {0, done, client.width, done + move};
    } else {
      host.scrollArea({0, height - done, client.width, client.height}, 0, -move);
      strip = {0, client.height - move, client.width, client.height};
    }
    done += move;
    strip_ = strip;
    host.repaintNow(strip);
  }
  strip_ = {};
}

}  // namespace morvel
