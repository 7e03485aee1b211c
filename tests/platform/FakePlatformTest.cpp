// The fake platform's documented metrics and recording, which every grid
// test's expected pixel values rest on.
#include <gtest/gtest.h>

#include "platform/fake/FakeCanvas.h"
#include "platform/fake/FakeHost.h"

namespace morvel {
namespace {

TEST(FakeCanvas, DefaultFontMetricsMatchTheRealDefaultFont) {
  FakeCanvas canvas;
  EXPECT_EQ(canvas.textHeight(), 13);
  EXPECT_EQ(canvas.zeroWidth(), 6);
  EXPECT_EQ(canvas.textWidth("Name"), 24);
  Font big;
  big.size = 10;
  big.style = fsBold;
  canvas.setFont(big);
  EXPECT_EQ(canvas.textHeight(), 16);
  EXPECT_EQ(canvas.textWidth("ab"), 18);
}

TEST(FakeCanvas, CountsCodePointsOfValidUtf8AndBytesOfAnythingElse) {
  EXPECT_EQ(fakeCharacterCount(""), 0);
  EXPECT_EQ(fakeCharacterCount("caf\xc3\xa9"), 4);
  EXPECT_EQ(fakeCharacterCount("\xe2\x82\xac\xf0\x9f\x98\x80"), 2);
  EXPECT_EQ(fakeCharacterCount("caf\xe9"), 4);     // Windows-1252
  EXPECT_EQ(fakeCharacterCount("\xc3"), 1);        // cut sequence
  EXPECT_EQ(fakeCharacterCount("a\xc3\x28z"), 4);  // bad continuation
}

TEST(ScopedScreenCursor, RestoresThePreviousCursorAlsoWhenUnwinding) {
  FakeHost host;
  host.setScreenCursor(crHandPoint);
  try {
    ScopedScreenCursor wait(host, crHourGlass);
    EXPECT_EQ(host.screenCursor(), crHourGlass);
    throw 1;
  } catch (int) {
  }
  EXPECT_EQ(host.screenCursor(), crHandPoint);
  EXPECT_EQ(host.cursorHistory, (std::vector<Cursor>{crHandPoint, crHourGlass, crHandPoint}));
}

}  // namespace
}  // namespace morvel
