// The grid's own small pictures, drawn here as pixel rows: the indicator
// images, the drag-scroll marks and the cursors of header dragging and drag
// scrolling. Each is made once, on first use, and shared by every grid.
#pragma once

#include "grid/view/TreeListView.h"
#include "platform/Bitmap.h"
#include "platform/Cursor.h"

namespace morvel {

class PlatformServices;

// A 5 × 9 indicator image, black on transparent.
const Bitmap& indicatorBitmap(IndicatorImage image);

// The 29 × 29 drag-scroll marks, mid grey on white.
enum DragScrollMark { dsFull, dsHorizontal, dsVertical };
const Bitmap& dragScrollBitmap(DragScrollMark mark);

// Cursor identifiers the grid registers with the platform.
constexpr Cursor crTLDelete = -1124;
constexpr Cursor crTLFullScroll = -1131;
constexpr Cursor crTLHorScroll = -1132;
constexpr Cursor crTLVerScroll = -1133;
constexpr Cursor crTLUpScroll = -1134;
constexpr Cursor crTLRightScroll = -1135;
constexpr Cursor crTLDownScroll = -1136;
constexpr Cursor crTLLeftScroll = -1137;

// The 32 × 32 picture of one of the cursors above.
Bitmap treeListCursorBitmap(Cursor cursor);
// Registers every cursor above with the platform (once per services object
// is enough; registering again replaces the same shapes).
void registerTreeListCursors(PlatformServices& services);

}  // namespace morvel
