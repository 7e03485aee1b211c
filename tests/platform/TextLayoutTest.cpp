// Text placement with the fake metrics (6 pixels a character, 13 a line at
// the default font): breaking, accelerators, tabs, ellipsis and layout.
#include <gtest/gtest.h>

#include "platform/TextLayout.h"
#include "platform/fake/FakeCanvas.h"

namespace morvel {
namespace {

std::vector<std::string> lineTexts(const LaidText& laid) {
  std::vector<std::string> out;
  for (const auto& l : laid.lines) out.push_back(l.text);
  return out;
}

TEST(TextLayout, WrapsBetweenWordsAndKeepsAnOverlongWordWhole) {
  FakeCanvas c;
  const TextFormat wrap{taLeftJustify, tlTop, tfWordBreak};
  // 60 pixels hold 10 characters.
  EXPECT_EQ(lineTexts(layoutText(c, {0, 0, 60, 100}, "one two three four", wrap)),
            (std::vector<std::string>{"one two", "three four"}));
  EXPECT_EQ(lineTexts(layoutText(c, {0, 0, 60, 100}, "abcdefghijklmnop xy", wrap)),
            (std::vector<std::string>{"abcdefghijklmnop", "xy"}));
  EXPECT_EQ(lineTexts(layoutText(c, {0, 0, 60, 100}, "a\r\n\r\nb\rc\nd", wrap)),
            (std::vector<std::string>{"a", "", "b", "c", "d"}));
  // Without word break a long line stays one line.
  EXPECT_EQ(layoutText(c, {0, 0, 60, 100}, "one two three four", {}).lines.size(), 1u);
}

TEST(TextLayout, StripsAcceleratorMarksAndRemembersTheMarkedCharacter) {
  int accelerator = 0;
  EXPECT_EQ(stripAccelerator("&File", &accelerator), "File");
  EXPECT_EQ(accelerator, 0);
  EXPECT_EQ(stripAccelerator("Save &As...", &accelerator), "Save As...");
  EXPECT_EQ(accelerator, 5);
  EXPECT_EQ(stripAccelerator("Fish && Chips", &accelerator), "Fish & Chips");
  EXPECT_EQ(accelerator, -1);
  EXPECT_EQ(stripAccelerator("end&", &accelerator), "end");
  FakeCanvas c;
  const auto laid = layoutText(c, {0, 0, 200, 50}, "E&xit", {taLeftJustify, tlTop, tfNoPrefix});
  EXPECT_EQ(laid.lines[0].text, "E&xit");
  EXPECT_EQ(laid.lines[0].accelerator, -1);
}

TEST(TextLayout, ExpandsTabsToStopsOfEightCharacters) {
  FakeCanvas c;
  const auto laid = layoutText(c, {0, 0, 400, 50}, "ab\tc", {taLeftJustify, tlTop, tfExpandTabs});
  EXPECT_EQ(laid.lines[0].text, "ab      c");
  EXPECT_EQ(layoutText(c, {0, 0, 400, 50}, "ab\tc", {}).lines[0].text, "ab c");
}

TEST(TextLayout, EndEllipsisCutsAtWholeCharacters) {
  FakeCanvas c;
  const TextFormat ellipsis{taLeftJustify, tlTop, tfEndEllipsis | tfSingleLine};
  // 48 pixels: 8 characters, so 5 of the text and "...".
  EXPECT_EQ(layoutText(c, {0, 0, 48, 20}, "abcdefghijk", ellipsis).lines[0].text, "abcde...");
  EXPECT_EQ(layoutText(c, {0, 0, 48, 20}, "abcdefgh", ellipsis).lines[0].text, "abcdefgh");
  // Two-byte UTF-8 characters are never split.
  EXPECT_EQ(layoutText(c, {0, 0, 48, 20},
                       "\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9"
                       "\xc3\xa9\xc3\xa9",
                       ellipsis)
                .lines[0]
                .text,
            "\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9...");
}

struct PlaceCase {
  Alignment alignment;
  TextLayout layout;
  Point origin;
};

void PrintTo(const PlaceCase& c, std::ostream* os) {
  *os << "alignment " << int(c.alignment) << " layout " << int(c.layout);
}

class TextPlacement : public ::testing::TestWithParam<PlaceCase> {};

TEST_P(TextPlacement, PlacesTheLineByAlignmentAndLayout) {
  FakeCanvas c;
  // "abcd" is 24 × 13 in a 100 × 50 rectangle at (10, 20).
  const auto laid =
      layoutText(c, {10, 20, 110, 70}, "abcd", {GetParam().alignment, GetParam().layout, 0});
  EXPECT_EQ(laid.lines[0].origin, GetParam().origin);
}

INSTANTIATE_TEST_SUITE_P(All, TextPlacement,
                         ::testing::Values(PlaceCase{taLeftJustify, tlTop, {10, 20}},
                                           PlaceCase{taRightJustify, tlTop, {86, 20}},
                                           PlaceCase{taCenter, tlCenter, {48, 38}},
                                           PlaceCase{taLeftJustify, tlBottom, {10, 57}}));

TEST(TextLayout, ValidatesUtf8StrictlySoOtherBytesReadAsWindows1252) {
  EXPECT_TRUE(isValidUtf8("plain"));
  EXPECT_TRUE(isValidUtf8("caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80"));
  EXPECT_FALSE(isValidUtf8("caf\xe9"));
  EXPECT_FALSE(isValidUtf8("\xc0\xaf"));          // overlong
  EXPECT_FALSE(isValidUtf8("\xed\xa0\x80"));      // surrogate
  EXPECT_FALSE(isValidUtf8("\xf4\x90\x80\x80"));  // past U+10FFFF
  EXPECT_FALSE(isValidUtf8("\xe2\x82"));          // cut short
}

}  // namespace
}  // namespace morvel
