// The control base and the fake platform: alignment of children, bevels,
// pending versus immediate repaints, and timers fired by the test.
#include <gtest/gtest.h>

#include "platform/Control.h"
#include "platform/Edges.h"
#include "platform/fake/FakeHost.h"

namespace morvel {
namespace {

class Box : public Control {
 public:
  void paint(Canvas& canvas, const Rect&) override { canvas.fillRect(clientRect(), color()); }
};

TEST(Control, AlignsChildrenRightThenClientAndFollowsResizes) {
  Box bar, pane, progress;
  bar.setBounds({0, 0, 300, 19});
  pane.setParent(&bar);
  pane.setAlign(alClient);
  progress.setWidth(200);
  progress.setParent(&bar);
  progress.setAlign(alRight);
  EXPECT_EQ(progress.bounds(), (Rect{100, 0, 300, 19}));
  EXPECT_EQ(pane.bounds(), (Rect{0, 0, 100, 19}));
  progress.setVisible(false);
  EXPECT_EQ(pane.bounds(), (Rect{0, 0, 300, 19}));
  progress.setVisible(true);
  bar.hostResized({0, 0, 500, 19});
  EXPECT_EQ(progress.bounds(), (Rect{300, 0, 500, 19}));
  EXPECT_EQ(pane.bounds(), (Rect{0, 0, 300, 19}));
}

TEST(Control, ChildOutlivingItsParentIsLeftWithoutOne) {
  Box child;
  {
    Box parent;
    child.setParent(&parent);
  }
  EXPECT_EQ(child.parent(), nullptr);
  child.setAlign(alClient);  // must not reach the gone parent
}

TEST(Edges, RightAndBottomLinesOwnTheirCorners) {
  FakeCanvas c;
  const Rect inner = drawBevelLine(c, {0, 0, 10, 5}, clBtnShadow, clBtnHighlight);
  EXPECT_EQ(inner, (Rect{1, 1, 9, 4}));
  EXPECT_EQ(c.colorAt({0, 0}), clBtnShadow);
  EXPECT_EQ(c.colorAt({9, 0}), clBtnHighlight);
  EXPECT_EQ(c.colorAt({0, 4}), clBtnHighlight);
  EXPECT_EQ(c.colorAt({9, 4}), clBtnHighlight);
  EXPECT_EQ(c.colorAt({1, 1}), clNone);
  FakeCanvas d;
  EXPECT_EQ(drawEdge(d, {0, 0, 10, 10}, edgeRaised, sdRight | sdBottom), (Rect{0, 0, 8, 8}));
  EXPECT_EQ(d.colorAt({9, 0}), cl3DDkShadow);
  EXPECT_EQ(d.colorAt({8, 3}), clBtnShadow);
  EXPECT_EQ(d.colorAt({0, 0}), clNone);
}

TEST(FakeHost, PendingRepaintsPaintWhenMessagesAreProcessed) {
  FakeServices services;
  FakeHost host(services);
  Box box;
  host.attach(box);
  box.invalidate();
  EXPECT_EQ(host.paints, 0);
  services.processMessages();
  EXPECT_EQ(host.paints, 1);
  services.processMessages();
  EXPECT_EQ(host.paints, 1);
  box.repaintNow();
  EXPECT_EQ(host.paints, 2);
  box.setVisible(false);
  box.repaintNow();
  EXPECT_EQ(host.immediateRepaints, 1);
}

TEST(FakeServices, FiresOnlyActiveTimersAndForgetsDestroyedOnes) {
  FakeServices services;
  int fired = 0;
  auto a = services.createTimer([&] { ++fired; });
  auto b = services.createTimer([&] { fired += 10; });
  a->start(500);
  services.fireActiveTimers();
  EXPECT_EQ(fired, 1);
  a.reset();
  b->start(100);
  services.fireActiveTimers();
  EXPECT_EQ(fired, 11);
  EXPECT_EQ(services.timers().size(), 1u);
}

TEST(FakeHost, DetachesItsControlWhenItGoes) {
  Box box;
  {
    FakeHost host;
    host.attach(box);
    EXPECT_EQ(box.host(), &host);
  }
  EXPECT_EQ(box.host(), nullptr);
  box.invalidate();
}

}  // namespace
}  // namespace morvel
