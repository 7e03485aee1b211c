// The border properties the status bar, the progress bar and the labels
// share: the values are clamped alike, and each control hears of a change
// in its own way (the bar leaves its automatic style and places its
// children again, the progress bar repaints only for a real change, a
// label that frames its text anew sizes itself again).
#include <gtest/gtest.h>

#include "platform/fake/FakeHost.h"
#include "status/ProgressBar.h"
#include "status/StatusBar.h"
#include "status/StatusPane.h"
#include "status/StyledLabel.h"

namespace morvel {
namespace {

template <class C>
void expectClamped(C& control) {
  control.setBorderWidth(-4);
  EXPECT_EQ(control.borderWidth(), 0);
  control.setBevelWidth(-1);
  EXPECT_EQ(control.bevelWidth(), 0);
  control.setBorderSides(0xFF);
  EXPECT_EQ(control.borderSides(), static_cast<unsigned>(sdAll));
  control.setFrameSides(0xFF);
  EXPECT_EQ(control.frameSides(), static_cast<unsigned>(sdAll));
  control.setBorderInner(fsStatus);
  EXPECT_EQ(control.borders().inner, fsStatus);
}

TEST(PanelBorderProperties, EveryControlClampsTheSameWay) {
  StatusBar bar;
  ProgressBar progress;
  StyledLabel label;
  expectClamped(bar);
  expectClamped(progress);
  expectClamped(label);
}

TEST(PanelBorderProperties, EachControlActsOnAChangeInItsOwnWay) {
  // Setting a border, even to the value it holds, ends the bar's own style
  // and places its children inside the new borders. Each control lives in
  // its own block: blinking controls share one timer, made by the services
  // of the host they met first, so no control may outlive another's host.
  {
    FakeHost host({300, 19});
    StatusBar bar;
    host.attach(bar);
    bar.setBounds({0, 0, 300, 19});
    StatusPane pane;
    pane.setParent(&bar);
    pane.setAlign(alClient);
    bar.setBorderInner(fsNone);
    EXPECT_FALSE(bar.autoStyle());
    bar.setBorderWidth(3);
    EXPECT_EQ(pane.bounds().left, 3);
  }

  // The progress bar repaints for a change only.
  {
    FakeHost barHost;
    ProgressBar progress;
    barHost.attach(progress);
    const int before = barHost.fullRepaints;
    progress.setBorderOuter(progress.borderOuter());
    EXPECT_EQ(barHost.fullRepaints, before);
    progress.setBorderOuter(fsRaised);
    EXPECT_EQ(barHost.fullRepaints, before + 1);
  }

  // An auto-sized label grows by the room a new frame takes.
  {
    FakeHost labelHost;
    StyledLabel label;
    labelHost.attach(label);
    label.setCaption("Morvel");
    label.setAutoSize(true);
    const int width = label.width();
    label.setBorderWidth(2);
    EXPECT_EQ(label.width(), width + 4);
  }
}

}  // namespace
}  // namespace morvel
