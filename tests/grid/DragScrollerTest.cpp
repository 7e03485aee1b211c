// The drag scroller on its own: how the pointer's place pulls the view, the
// ticks between lines at each speed, the cursor, and that the mark and the
// timer live exactly as long as the scroller.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "grid/view/DragScroller.h"
#include "grid/view/TreeListImages.h"
#include "platform/fake/FakeHost.h"

namespace morvel {
namespace {

using Pull = DragScroller::Pull;

struct PullCase {
  const char* name;
  Point offset;
  bool vertical;
  bool horizontal;
  Pull pull;
};

class PullFor : public ::testing::TestWithParam<PullCase> {};

TEST_P(PullFor, FollowsTheLongerAxisAndGrowsEveryFivePixels) {
  const PullCase& c = GetParam();
  EXPECT_EQ(DragScroller::pullFor(c.offset, c.vertical, c.horizontal), c.pull);
}

// The mark reaches 14 pixels from the press each way.
INSTANTIATE_TEST_SUITE_P(
    Offsets, PullFor,
    ::testing::Values(PullCase{"AtThePress", {0, 0}, true, true, {}},
                      PullCase{"OnTheMarksCorner", {14, -14}, true, true, {}},
                      PullCase{"OnePixelBelowTheMark", {0, 15}, true, true, {1, true, 1}},
                      PullCase{"StillSpeedOne", {0, 18}, true, true, {1, true, 1}},
                      PullCase{"FivePixelsOn", {0, 19}, true, true, {2, true, 1}},
                      PullCase{"Above", {3, -40}, true, true, {6, true, -1}},
                      PullCase{"FarBelowStopsAtTheTopSpeed", {0, 1000}, true, true, {12, true, 1}},
                      PullCase{"LeftIsLonger", {-30, 20}, true, true, {4, false, -1}},
                      PullCase{"ATieGoesUpAndDown", {30, 30}, true, true, {4, true, 1}},
                      PullCase{"RowsOnlyFollowUpAndDown", {60, 20}, true, false, {2, true, 1}},
                      PullCase{"RowsOnlyAndTooLittleUpOrDown", {60, 3}, true, false, {0, true, 1}},
                      PullCase{
                          "ColumnsOnlyFollowLeftAndRight", {20, 60}, false, true, {2, false, 1}}),
    [](const ::testing::TestParamInfo<PullCase>& info) { return info.param.name; });

class Scroller : public ::testing::Test {
 protected:
  std::unique_ptr<DragScroller> start(bool vertical = true, bool horizontal = true) {
    return std::make_unique<DragScroller>(
        host, kOrigin, vertical, horizontal,
        [this](bool alongRows, int sign) { lines.push_back(alongRows ? sign * 10 : sign); });
  }
  // Fires the timers n times; the number of lines scrolled meanwhile.
  int linesIn(int ticks) {
    const std::size_t before = lines.size();
    for (int i = 0; i < ticks; ++i) host.services().fireActiveTimers();
    return static_cast<int>(lines.size() - before);
  }

  static constexpr Point kOrigin{200, 150};
  FakeHost host{{400, 300}};
  // Each line scrolled: ±10 through the rows, ±1 through the columns.
  std::vector<int> lines;
};

TEST_F(Scroller, TheMarkAndTheTimerLiveAsLongAsTheScroller) {
  host.screenOrigin = {1000, 500};
  auto scroller = start();
  ASSERT_EQ(host.floatingImages.size(), 1u);
  EXPECT_EQ(host.floatingImages.front(), (Point{1200 - 14, 650 - 14}));  // centred on the press
  ASSERT_EQ(host.services().timers().size(), 1u);
  EXPECT_TRUE(host.services().timers()[0]->active());
  EXPECT_EQ(host.services().timers()[0]->interval(), DragScroller::kTickMs);
  scroller.reset();
  EXPECT_TRUE(host.floatingImages.empty());
  EXPECT_TRUE(host.services().timers().empty());
  EXPECT_EQ(linesIn(20), 0);
}

TEST_F(Scroller, InsideTheMarkNothingScrolls) {
  auto scroller = start();
  scroller->moveTo({kOrigin.x + 14, kOrigin.y - 14});
  EXPECT_EQ(linesIn(50), 0);
  EXPECT_FALSE(scroller->leftMark());
  EXPECT_EQ(scroller->cursor(), crTLFullScroll);
}

// At speed s a line every 13 - s ticks: the top speed scrolls every tick,
// speed 1 every twelfth.
TEST_F(Scroller, EachSpeedScrollsALineEveryThirteenLessItsSpeedTicks) {
  for (int speed = 1; speed <= DragScroller::kMaxSpeed; ++speed) {
    auto scroller = start();
    scroller->moveTo({kOrigin.x, kOrigin.y + 14 + 5 * (speed - 1) + 1});
    ASSERT_EQ(scroller->pull().speed, speed);
    EXPECT_EQ(linesIn(12 * (13 - speed) - 1), 11) << "speed " << speed;
    EXPECT_EQ(linesIn(1), 1) << "speed " << speed;
  }
}

TEST_F(Scroller, LinesGoTheWayThePointerPulls) {
  auto scroller = start();
  scroller->moveTo({kOrigin.x, kOrigin.y - 100});
  EXPECT_EQ(scroller->cursor(), crTLUpScroll);
  linesIn(1);
  scroller->moveTo({kOrigin.x + 100, kOrigin.y});
  EXPECT_EQ(scroller->cursor(), crTLRightScroll);
  linesIn(1);
  scroller->moveTo({kOrigin.x - 100, kOrigin.y});
  EXPECT_EQ(scroller->cursor(), crTLLeftScroll);
  linesIn(1);
  scroller->moveTo({kOrigin.x, kOrigin.y + 100});
  EXPECT_EQ(scroller->cursor(), crTLDownScroll);
  linesIn(1);
  EXPECT_EQ(lines, (std::vector<int>{-10, 1, -1, 10}));
}

TEST_F(Scroller, HavingLeftTheMarkIsRemembered) {
  auto scroller = start();
  scroller->moveTo({kOrigin.x, kOrigin.y + 15});
  EXPECT_TRUE(scroller->leftMark());
  scroller->moveTo(kOrigin);
  EXPECT_TRUE(scroller->leftMark());
}

TEST_F(Scroller, TheMarkShowsTheWaysTheViewCanScroll) {
  EXPECT_EQ(start(true, true)->cursor(), crTLFullScroll);
  EXPECT_EQ(start(true, false)->cursor(), crTLVerScroll);
  EXPECT_EQ(start(false, true)->cursor(), crTLHorScroll);
}

}  // namespace
}  // namespace morvel
