// The progress bar's arithmetic, its repaint budget, and what it draws where.
#include <gtest/gtest.h>

#include <random>

#include "platform/fake/FakeHost.h"
#include "status/ProgressBar.h"

namespace morvel {
namespace {

struct PartsCase {
  std::int32_t total;
  std::int32_t parts;
  std::int32_t storedParts;
  unsigned percent;
};

void PrintTo(const PartsCase& c, std::ostream* os) {
  *os << c.parts << " of " << c.total << " is " << c.percent << "%";
}

class ProgressArithmetic : public ::testing::TestWithParam<PartsCase> {};

TEST_P(ProgressArithmetic, RoundsHalfToEvenAndCapsAtTheTotal) {
  ProgressBar bar;
  bar.setTotalParts(GetParam().total);
  bar.setPartsComplete(GetParam().parts);
  EXPECT_EQ(bar.partsComplete(), GetParam().storedParts);
  EXPECT_EQ(bar.percent(), GetParam().percent);
}

INSTANTIATE_TEST_SUITE_P(Cases, ProgressArithmetic,
                         ::testing::Values(PartsCase{3, 2, 2, 67}, PartsCase{3, 5, 3, 100},
                                           PartsCase{8, 1, 1, 12}, PartsCase{8, 3, 3, 38},
                                           PartsCase{8, 5, 5, 62}, PartsCase{200, 1, 1, 0},
                                           PartsCase{200, 3, 3, 2}, PartsCase{5, -4, 0, 0},
                                           // parts × 100 passes 32 bits here
                                           PartsCase{2147483647, 2147483647, 2147483647, 100},
                                           PartsCase{2147483647, 1073741824, 1073741824, 50}));

TEST(ProgressBar, PercentAlwaysMatchesTheArithmeticOverRandomUpdates) {
  // Updates skip the division while the rounded percent cannot change; a
  // model check that the shortcut never leaves a stale percent behind.
  std::mt19937 random(7);
  ProgressBar bar;
  for (int round = 0; round < 200; ++round) {
    const auto total = static_cast<std::int32_t>(random() % 1000);
    bar.setTotalParts(total);
    for (int step = 0; step < 200; ++step) {
      const std::int32_t before = bar.partsComplete();
      switch (random() % 4) {
        case 0:
          bar.setPartsComplete(static_cast<std::int32_t>(random() % 1100));
          break;
        case 1:
          bar.advanceParts(static_cast<std::int32_t>(random() % 20) - 5);
          break;
        case 2:
          bar.advanceOnePart();
          break;
        default:
          bar.setPercent(static_cast<std::uint16_t>(random() % 120));
          continue;
      }
      // Setting the parts it already has leaves a percent set by hand.
      if (bar.partsComplete() == before) continue;
      ASSERT_EQ(bar.percent(),
                total == 0 ? bar.percent() : ProgressBar::percentOf(bar.partsComplete(), total))
          << "total " << total << " parts " << bar.partsComplete();
    }
  }
}

TEST(ProgressBar, WithoutATotalPartsLeaveThePercentAlone) {
  ProgressBar bar;
  bar.setPercent(40);
  bar.setPartsComplete(5);
  EXPECT_EQ(bar.percent(), 40);
  EXPECT_EQ(bar.partsComplete(), 0);
}

TEST(ProgressBar, ANewTotalResetsTheWorkDoneAndTheSameTotalDoesNothing) {
  ProgressBar bar;
  std::vector<unsigned> changes;
  bar.onChange = [&](ProgressBar&, unsigned percent) { changes.push_back(percent); };
  bar.setTotalParts(10);
  bar.setPartsComplete(7);
  bar.setTotalParts(10);
  EXPECT_EQ(bar.partsComplete(), 7);
  bar.setTotalParts(20);
  EXPECT_EQ(bar.partsComplete(), 0);
  EXPECT_EQ(bar.percent(), 0);
  EXPECT_EQ(changes, (std::vector<unsigned>{70, 0}));
  bar.advanceParts(5);
  bar.advanceOnePart();
  EXPECT_EQ(bar.percent(), 30);
}

TEST(ProgressBar, RepaintsAtOnceOnlyWhenTheRoundedPercentChanges) {
  FakeHost host;
  ProgressBar bar;
  host.attach(bar);
  bar.setTotalParts(54321);
  for (int i = 0; i < 54321; ++i) bar.advanceOnePart();
  EXPECT_EQ(bar.percent(), 100);
  EXPECT_EQ(host.immediateRepaints, 100);
  EXPECT_LE(host.paints, 101);
  EXPECT_FALSE(host.repaintPending());
  // While hidden it keeps counting but does not paint.
  bar.setVisible(false);
  bar.setTotalParts(4);
  bar.setPartsComplete(2);
  EXPECT_EQ(bar.percent(), 50);
  EXPECT_EQ(host.immediateRepaints, 100);
}

// The main window's bar: 200 × 19, flat border of 1 in clBtnFace, a status
// frame inside, clBtnFace background.
ProgressBar& statusStyled(ProgressBar& bar) {
  bar.setBounds({0, 0, 200, 19});
  bar.setBackColor(clBtnFace);
  bar.setBorderOuter(fsNone);
  bar.setBorderInner(fsStatus);
  bar.setBorderWidth(1);
  return bar;
}

TEST(ProgressBar, DrawsTheFilledShareAndThePercentInOppositeColours) {
  FakeHost host;
  ProgressBar bar;
  host.attach(statusStyled(bar));
  bar.setTotalParts(8);
  bar.setPartsComplete(3);
  host.paint();
  const FakeCanvas& c = host.canvas();
  EXPECT_EQ(bar.barArea(), (Rect{2, 2, 198, 17}));
  EXPECT_EQ(c.colorAt({0, 0}), clBtnFace);    // the flat border
  EXPECT_EQ(c.colorAt({1, 1}), clBtnShadow);  // status frame, top-left
  EXPECT_EQ(c.colorAt({198, 17}), clBtnHighlight);
  EXPECT_EQ(c.colorAt({75, 9}), clHighlight);  // 196 × 38 % = 74.48 → 74 pixels
  EXPECT_EQ(c.colorAt({76, 9}), clBtnFace);
  const auto texts = c.texts();
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0].text, "38%");
  EXPECT_EQ(texts[0].color, clBtnFace);
  EXPECT_EQ(texts[0].clip, (Rect{2, 2, 76, 17}));
  EXPECT_EQ(texts[1].color, clHighlight);
  EXPECT_EQ(texts[1].clip, (Rect{76, 2, 198, 17}));
  // Centred in the bar area: 2 + (196 − 18) / 2, and 2 + (15 − 13) / 2.
  EXPECT_EQ(texts[0].origin, (Point{91, 3}));
  EXPECT_EQ(texts[1].origin, texts[0].origin);
}

TEST(ProgressBar, AtOneHundredPercentTheWholeBarAndTextAreFilledColours) {
  FakeHost host;
  ProgressBar bar;
  host.attach(statusStyled(bar));
  bar.setPercent(130);
  host.paint();
  EXPECT_EQ(host.canvas().colorAt({196, 15}), clHighlight);
  const auto texts = host.canvas().texts();
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].text, "130%");
  EXPECT_EQ(texts[0].color, clBtnFace);
}

TEST(ProgressBar, VerticalBarsFillUpwards) {
  FakeHost host;
  ProgressBar bar;
  host.attach(bar);
  bar.setBounds({0, 0, 24, 104});  // default lowered frame: area 20 × 100
  bar.setOrientation(orVertical);
  bar.setShowPercent(false);
  bar.setPercent(25);
  EXPECT_EQ(bar.filledArea(), (Rect{2, 77, 22, 102}));
  host.paint();
  EXPECT_EQ(host.canvas().colorAt({10, 76}), clWhite);
  EXPECT_EQ(host.canvas().colorAt({10, 77}), clHighlight);
  EXPECT_TRUE(host.canvas().texts().empty());
}

TEST(ProgressBar, LedSegmentsLightInProportionAndWriteNoText) {
  FakeHost host;
  ProgressBar bar;
  host.attach(bar);
  bar.setBarStyle(bsLED);
  bar.setNumSegments(20);
  bar.setPercent(50);
  // 196 pixels: segments of 9 (8 lit, 1 gap), 20 asked for and a 21st in
  // the room left over, with 3 pixels of margin.
  const auto segments = bar.segments();
  ASSERT_EQ(segments.size(), 21u);
  EXPECT_EQ(segments[0], (Rect{5, 2, 13, 22}));
  EXPECT_EQ(segments[20], (Rect{185, 2, 193, 22}));
  host.paint();
  EXPECT_EQ(host.canvas().fillsOf(clHighlight).size(), 11u);  // 10.5 rounded
  EXPECT_TRUE(host.canvas().texts().empty());
  // A bar of 80 pixels or less asks for 10 (here 56 pixels: 11 of 5 fit).
  bar.setWidth(60);
  EXPECT_EQ(bar.segments().size(), 11u);
  bar.setNumSegments(4);
  EXPECT_EQ(bar.segments().size(), 4u);
}

TEST(ProgressBar, PassesItsRightEndToTheParentForTheSizeGrip) {
  ProgressBar bar;
  EXPECT_FALSE(bar.passesToParent({187, 5}));
  EXPECT_TRUE(bar.passesToParent({188, 5}));
}

}  // namespace
}  // namespace morvel
