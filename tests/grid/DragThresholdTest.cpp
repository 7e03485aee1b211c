// Where a press becomes a drag: only beyond the threshold's square around
// the press point, on either axis, and sooner in the customizing list.
#include <gtest/gtest.h>

#include "grid/view/TreeListView.h"

namespace morvel {
namespace {

TEST(DragThresholdTest, OnlyMovesBeyondTheSquareStartADrag) {
  const Point press{100, 100};
  EXPECT_FALSE(beyondDragThreshold(press, press));
  EXPECT_FALSE(beyondDragThreshold(press, {105, 95}));
  EXPECT_FALSE(beyondDragThreshold(press, {95, 105}));
  EXPECT_TRUE(beyondDragThreshold(press, {106, 100}));
  EXPECT_TRUE(beyondDragThreshold(press, {100, 94}));
  EXPECT_FALSE(beyondDragThreshold(press, {103, 97}, kListDragThreshold));
  EXPECT_TRUE(beyondDragThreshold(press, {96, 100}, kListDragThreshold));
}

}  // namespace
}  // namespace morvel
