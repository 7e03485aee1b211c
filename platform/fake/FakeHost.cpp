// The recording host; see FakeHost.h.
#include "platform/fake/FakeHost.h"

namespace morvel {

void FakeHost::setScrollBar(ScrollBarKind bar, const ScrollBarInfo& info) {
  scrollBars[bar] = info;
  ++scrollBarUpdates;
}

void FakeHost::setScreenCursor(Cursor cursor) {
  cursor_ = cursor;
  cursorHistory.push_back(cursor);
}

void FakeHost::clearRecords() {
  fullRepaints = 0;
  repaintedRects.clear();
  scrollBarUpdates = 0;
  cursorHistory.clear();
}

}  // namespace morvel
