// The status pane, the status bar and the frame styles they share.
#include <gtest/gtest.h>

#include "platform/fake/FakeHost.h"
#include "status/FrameStyle.h"
#include "status/ProgressBar.h"
#include "status/StatusBar.h"
#include "status/StatusPane.h"

namespace morvel {
namespace {

struct FrameCase {
  FrameStyle style;
  int width;  // pixels taken from each side
  Color topLeft;
  Color bottomRight;
};

void PrintTo(const FrameCase& c, std::ostream* os) { *os << "style " << int(c.style); }

class FrameStyles : public ::testing::TestWithParam<FrameCase> {};

TEST_P(FrameStyles, DrawTheirLinesAndShrinkByThem) {
  FakeCanvas c;
  const FrameCase& f = GetParam();
  EXPECT_EQ(drawFrame(c, {0, 0, 20, 10}, f.style),
            (Rect{0, 0, 20, 10}.inflated(-f.width, -f.width)));
  EXPECT_EQ(c.colorAt({0, 5}), f.topLeft);
  EXPECT_EQ(c.colorAt({19, 5}), f.bottomRight);
  EXPECT_EQ(c.colorAt({10, 9}), f.bottomRight);
  EXPECT_EQ(c.colorAt({10, 5}), clNone);
}

INSTANTIATE_TEST_SUITE_P(All, FrameStyles,
                         ::testing::Values(FrameCase{fsNone, 0, clNone, clNone},
                                           FrameCase{fsFlat, 1, clWindowFrame, clWindowFrame},
                                           FrameCase{fsStatus, 1, clBtnShadow, clBtnHighlight},
                                           FrameCase{fsPopup, 1, clBtnHighlight, clBtnShadow},
                                           FrameCase{fsLowered, 2, clBtnShadow, clBtnHighlight},
                                           FrameCase{fsRaised, 2, cl3DLight, cl3DDkShadow},
                                           FrameCase{fsButtonDown, 2, cl3DDkShadow, clBtnHighlight},
                                           FrameCase{fsButtonUp, 2, clBtnHighlight, cl3DDkShadow},
                                           FrameCase{fsGroove, 2, clBtnShadow, clBtnHighlight},
                                           FrameCase{fsBump, 2, clBtnHighlight, clBtnShadow}));

TEST(FrameStyle, PanelBordersDrawOnlyTheChosenSidesInOrder) {
  FakeCanvas c;
  PanelBorders b;
  b.frameSides = sdLeft;
  b.outer = fsFlat;
  b.borderSides = sdTop | sdBottom;
  b.borderWidth = 2;
  b.borderColor = clYellow;
  b.colors.flat = clRed;
  const Rect inner = drawPanelBorders(c, {0, 0, 30, 20}, b);
  EXPECT_EQ(inner, (Rect{1, 3, 30, 17}));
  EXPECT_EQ(panelInterior({0, 0, 30, 20}, b), inner);
  EXPECT_EQ(c.colorAt({0, 10}), clBlack);
  EXPECT_EQ(c.colorAt({5, 0}), clRed);
  EXPECT_EQ(c.colorAt({5, 2}), clYellow);
  EXPECT_EQ(c.colorAt({29, 10}), clNone);
}

struct PaneCase {
  FrameStyle style;
  Alignment alignment;
  Rect area;
  int x;  // where "Ready" (30 pixels) starts
};

void PrintTo(const PaneCase& c, std::ostream* os) {
  *os << "style " << int(c.style) << " alignment " << int(c.alignment);
}

class PaneText : public ::testing::TestWithParam<PaneCase> {};

TEST_P(PaneText, SitsInTheTextAreaOfItsFrameStyle) {
  FakeHost host;
  StatusPane pane;  // 100 × 20, border width 1, caption offset 2
  host.attach(pane);
  pane.setFrameStyle(GetParam().style);
  pane.setAlignment(GetParam().alignment);
  pane.setCaption("Ready");
  host.paint();
  EXPECT_EQ(pane.textArea(), GetParam().area);
  const auto texts = host.canvas().texts();
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].origin.x, GetParam().x);
  EXPECT_EQ(texts[0].origin.y, GetParam().area.top + (GetParam().area.height() - 13) / 2);
  EXPECT_EQ(texts[0].clip, GetParam().area);
  EXPECT_EQ(host.canvas().colorAt({GetParam().area.left, GetParam().area.top}), clBtnFace);
}

INSTANTIATE_TEST_SUITE_P(All, PaneText,
                         ::testing::Values(PaneCase{fsStatus, taLeftJustify, {2, 2, 98, 18}, 5},
                                           PaneCase{fsStatus, taRightJustify, {2, 2, 98, 18}, 65},
                                           PaneCase{fsNone, taLeftJustify, {1, 1, 99, 19}, 4},
                                           PaneCase{fsLowered, taCenter, {3, 3, 97, 17}, 35},
                                           PaneCase{fsFlat, taLeftJustify, {2, 2, 98, 18}, 5}));

TEST(StatusPane, ACaptionShowsOnlyWhenPendingMessagesAreProcessed) {
  FakeServices services;
  FakeHost host(services);
  StatusPane pane;
  host.attach(pane);
  host.clearRecords();
  pane.setCaption("Loading ...");
  EXPECT_EQ(host.paints, 0);
  services.processMessages();
  ASSERT_EQ(host.paints, 1);
  EXPECT_EQ(host.canvas().texts().at(0).text, "Loading ...");
  pane.setCaption("Loading ...");
  EXPECT_FALSE(host.repaintPending());
  EXPECT_EQ(host.fullRepaints, 1);
}

TEST(StatusPane, DisabledCaptionIsEtched) {
  FakeHost host;
  StatusPane pane;
  host.attach(pane);
  pane.setCaption("Off");
  pane.setEnabled(false);
  host.paint();
  const auto texts = host.canvas().texts();
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0].color, clBtnHighlight);
  EXPECT_EQ(texts[1].color, clGrayText);
  EXPECT_EQ(texts[0].origin.x, texts[1].origin.x + 1);
  EXPECT_EQ(texts[0].origin.y, texts[1].origin.y + 1);
}

TEST(StatusPane, AutoSizeFollowsTheCaption) {
  FakeHost host;
  StatusPane pane;
  host.attach(pane);
  pane.setAutoSize(true);
  EXPECT_EQ(pane.width(), 40);
  pane.setCaption("Loading ...");  // 66 pixels
  EXPECT_EQ(pane.width(), 2 + 66 + 2 + 6);
}

TEST(StatusPane, BlinksWithTheSharedTimerAndStopsAtOnce) {
  FakeServices services;
  FakeHost paneHost(services), otherHost(services);
  {
    StatusPane pane, other;
    paneHost.attach(pane);
    otherHost.attach(other);
    ASSERT_EQ(services.timers().size(), 1u);  // one timer for the whole list
    FakeTimer& timer = *services.timers()[0];
    EXPECT_EQ(timer.interval(), 500);
    pane.setCaption("Busy");
    pane.setBlinking(true);
    other.setBlinkIntervalOn(300);  // shared: the pane's interval too
    other.setBlinkIntervalOff(100);
    EXPECT_EQ(pane.blinkIntervalOn(), 300);

    timer.fire();
    EXPECT_EQ(timer.interval(), 300);
    services.processMessages();
    EXPECT_EQ(paneHost.canvas().texts().at(0).color, clHighlight);
    EXPECT_FALSE(otherHost.repaintPending());  // not blinking: not repainted

    timer.fire();
    EXPECT_EQ(timer.interval(), 100);
    services.processMessages();
    EXPECT_EQ(paneHost.canvas().texts().at(0).color, clWindowText);

    timer.fire();
    pane.setBlinking(false);
    services.processMessages();
    EXPECT_EQ(paneHost.canvas().texts().at(0).color, clWindowText);
  }
  EXPECT_EQ(BlinkingControlsList::instance(), nullptr);
  EXPECT_TRUE(services.timers().empty());
}

TEST(StatusBar, LaysOutPaneAndProgressBarAndPassesTheGripCornerOn) {
  FakeServices services;
  FakeHost barHost(services), paneHost(services), progressHost(services);
  StatusBar bar;
  StatusPane pane;
  ProgressBar progress;
  barHost.attach(bar);
  paneHost.attach(pane);
  progressHost.attach(progress);
  bar.setBounds({0, 300, 500, 319});
  pane.setParent(&bar);
  pane.setAlign(alClient);
  progress.setParent(&bar);
  progress.setAlign(alRight);
  EXPECT_EQ(pane.bounds(), (Rect{0, 0, 300, 19}));
  EXPECT_EQ(progress.bounds(), (Rect{300, 0, 500, 19}));
  EXPECT_FALSE(pane.passesToParent({295, 5}));  // the bar's end is the progress bar's
  progress.setVisible(false);
  EXPECT_TRUE(pane.passesToParent({495, 5}));
  EXPECT_FALSE(pane.passesToParent({487, 5}));

  EXPECT_EQ(bar.cursorAt({495, 15}), crSizeNWSE);
  bar.mouseDown(mbLeft, ssLeft, {495, 15});
  EXPECT_EQ(barHost.windowSizings, 1);
  barHost.maximized = true;
  EXPECT_EQ(bar.cursorAt({495, 15}), crDefault);
  bar.mouseDown(mbLeft, ssLeft, {495, 15});
  EXPECT_EQ(barHost.windowSizings, 1);
}

TEST(StatusBar, DrawsThreeGripRidgesInTheCorner) {
  FakeHost host;
  StatusBar bar;
  host.attach(bar);
  bar.setBounds({0, 0, 100, 19});
  host.paint();
  std::vector<DrawCommand> lines;
  for (const auto& c : host.canvas().commands) {
    if (c.kind == DrawCommand::Line) lines.push_back(c);
  }
  ASSERT_EQ(lines.size(), 9u);
  int highlights = 0;
  for (const auto& l : lines) {
    highlights += l.color == clBtnHighlight;
    EXPECT_GE(l.points[0].x, 87);
    EXPECT_GE(l.points[1].y, 6);
  }
  EXPECT_EQ(highlights, 3);
  bar.setShowSizeGrip(false);
  host.paint();
  for (const auto& c : host.canvas().commands) EXPECT_NE(c.kind, DrawCommand::Line);
}

TEST(StatusBar, AutoStyleEndsWithABorderChangeAndSimpleStatusHidesChildren) {
  StatusBar bar;
  EXPECT_TRUE(bar.autoStyle());
  EXPECT_EQ(bar.height(), 19);
  bar.setBorderWidth(0);
  EXPECT_FALSE(bar.autoStyle());

  StatusPane shown, hidden;
  shown.setParent(&bar);
  hidden.setParent(&bar);
  hidden.setVisible(false);
  bar.setSimpleStatus(true);
  EXPECT_FALSE(shown.visible());
  bar.setSimpleStatus(false);
  EXPECT_TRUE(shown.visible());
  EXPECT_FALSE(hidden.visible());
}

TEST(StatusBar, AutoScalePanesScalesChildWidthsWithTheBar) {
  StatusBar bar;
  bar.setWidth(400);
  StatusPane a;
  a.setParent(&bar);
  a.setWidth(100);
  bar.setAutoScalePanes(true);
  bar.setWidth(600);
  EXPECT_EQ(a.width(), 150);
}

}  // namespace
}  // namespace morvel
