// Styled and web-address labels: text style copies, frames, transparency,
// angle rules, fly-by colour and what a click on a web address opens.
#include <gtest/gtest.h>

#include "platform/fake/FakeHost.h"
#include "status/StyledLabel.h"

namespace morvel {
namespace {

struct Copy {
  int dx, dy;
  Color color;
  friend bool operator==(const Copy&, const Copy&) = default;
};

void PrintTo(const Copy& c, std::ostream* os) {
  *os << "(" << c.dx << "," << c.dy << "," << c.color << ")";
}

struct StyleCase {
  TextStyle style;
  bool light;
  std::vector<Copy> copies;
};

void PrintTo(const StyleCase& c, std::ostream* os) {
  *os << "style " << int(c.style) << (c.light ? " light" : "");
}

class LabelTextStyles : public ::testing::TestWithParam<StyleCase> {};

TEST_P(LabelTextStyles, DrawTheirCopiesBeforeTheText) {
  FakeHost host;
  StyledLabel label;
  host.attach(label);
  label.setAutoSize(false);
  label.setBounds({0, 0, 100, 20});
  label.setCaption("Label");
  label.setAlignment(taCenter);  // 30 pixels centred in 100: x 35
  label.setTextStyle(GetParam().style);
  label.setLightTextStyle(GetParam().light);
  label.setShadowDepth(3);
  host.paint();
  std::vector<Copy> copies;
  for (const auto& t : host.canvas().texts())
    copies.push_back({t.origin.x - 35, t.origin.y, t.color});
  EXPECT_EQ(copies, GetParam().copies);
}

INSTANTIATE_TEST_SUITE_P(
    All, LabelTextStyles,
    ::testing::Values(
        StyleCase{tsNormal, false, {{0, 0, clWindowText}}},
        StyleCase{tsRecessed,
                  false,
                  {{1, 1, clBtnHighlight}, {-1, -1, clBtnShadow}, {0, 0, clWindowText}}},
        StyleCase{tsRecessed, true, {{1, 1, clBtnHighlight}, {0, 0, clWindowText}}},
        StyleCase{
            tsRaised, false, {{1, 1, clBtnShadow}, {-1, -1, clBtnHighlight}, {0, 0, clWindowText}}},
        StyleCase{tsRaised, true, {{-1, -1, clBtnHighlight}, {0, 0, clWindowText}}},
        StyleCase{tsShadow, false, {{3, 3, clBtnShadow}, {0, 0, clWindowText}}}));

TEST(StyledLabel, DisabledLabelIsEtchedWhateverItsStyle) {
  FakeHost host;
  StyledLabel label;
  host.attach(label);
  label.setCaption("Off");
  label.setEnabled(false);
  host.paint();
  const auto texts = host.canvas().texts();
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0].color, clBtnHighlight);
  EXPECT_EQ(texts[1].color, clGrayText);
  EXPECT_EQ(texts[0].origin, (Point{texts[1].origin.x + 1, texts[1].origin.y + 1}));
}

TEST(StyledLabel, FramesShrinkTheTextAreaAndTransparentLabelsFillNothing) {
  FakeHost host;
  StyledLabel label;
  host.attach(label);
  label.setAutoSize(false);
  label.setBounds({0, 0, 100, 30});
  label.setTextStyle(tsNormal);
  label.setFrameSides(sdLeft | sdTop);
  label.setBorderOuter(fsStatus);
  label.setBevelWidth(2);
  label.setBorderShadow(clRed);
  label.setBorderWidth(1);
  label.setBorderColor(clYellow);
  label.setCaption("Hi");
  host.paint();
  EXPECT_EQ(label.textArea(), (Rect{4, 4, 97, 27}));
  EXPECT_EQ(host.canvas().colorAt({0, 10}), clBlack);
  EXPECT_EQ(host.canvas().colorAt({1, 10}), clRed);
  EXPECT_EQ(host.canvas().colorAt({3, 10}), clYellow);
  EXPECT_EQ(host.canvas().colorAt({50, 15}), clBtnFace);
  EXPECT_EQ(host.canvas().texts().at(0).origin, (Point{4, 4}));
  label.setTransparent(true);
  host.paint();
  EXPECT_EQ(host.canvas().colorAt({50, 15}), clNone);
  EXPECT_FALSE(label.opaque());
}

TEST(StyledLabel, WrapsAndPlacesMultiLineTextByAlignmentAndLayout) {
  FakeHost host;
  StyledLabel label;
  host.attach(label);
  label.setAutoSize(false);
  label.setBounds({0, 0, 60, 50});
  label.setTextStyle(tsNormal);
  label.setWordWrap(true);
  label.setAlignment(taRightJustify);
  label.setLayout(tlBottom);
  label.setCaption("Pellam Software");
  host.paint();
  const auto texts = host.canvas().texts();
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0].origin, (Point{24, 24}));
  EXPECT_EQ(texts[1].origin, (Point{12, 37}));
}

TEST(StyledLabel, AutoSizeFitsTheTextAndKeepsARightAlignedLabelsRightEdge) {
  FakeHost host;
  StyledLabel label;
  host.attach(label);
  label.setBounds({100, 10, 200, 40});
  label.setCaption("E&xit");  // four characters shown: 24 × 13
  EXPECT_EQ(label.bounds(), (Rect{100, 10, 124, 23}));
  label.setAlignment(taRightJustify);
  label.setCaption("Save");
  EXPECT_EQ(label.bounds(), (Rect{100, 10, 124, 23}));
  label.setCaption("Save As");
  EXPECT_EQ(label.bounds(), (Rect{82, 10, 124, 23}));
}

struct AngleCase {
  int set;
  int stored;
};

void PrintTo(const AngleCase& c, std::ostream* os) { *os << c.set << " to " << c.stored; }

class LabelAngles : public ::testing::TestWithParam<AngleCase> {};

TEST_P(LabelAngles, AreKeptWithinAWholeTurn) {
  StyledLabel label;
  label.setAngle(GetParam().set);
  EXPECT_EQ(label.angle(), GetParam().stored);
  EXPECT_EQ(label.rotation(), GetParam().stored == 0 ? roNone : roFlat);
}

INSTANTIATE_TEST_SUITE_P(All, LabelAngles,
                         ::testing::Values(AngleCase{450, 90}, AngleCase{-30, 330},
                                           AngleCase{360, 0}, AngleCase{-720, 0},
                                           AngleCase{359, 359}, AngleCase{-361, 359}));

TEST(StyledLabel, RotationResetsAngleAndNeedsAnOutlineFont) {
  StyledLabel label;
  label.setRotation(roCurve);
  label.setCenterPoint(cpLowerRight);
  label.setAngle(45);
  EXPECT_EQ(label.rotation(), roCurve);
  EXPECT_EQ(label.font().name, "Arial");  // "MS Sans Serif" cannot be turned
  label.setRotation(roFlat);
  EXPECT_EQ(label.angle(), 0);
  EXPECT_EQ(label.centerPoint(), cpCenter);
  label.setAngle(30);
  label.setRotation(roNone);
  EXPECT_EQ(label.angle(), 0);

  StyledLabel serif;
  serif.setFont(Font::withHeight("Times New Roman", -19));
  serif.setAngle(90);
  EXPECT_EQ(serif.font().name, "Times New Roman");
}

TEST(StyledLabel, FlatRotationTurnsTheTextAboutTheCentre) {
  FakeHost host;
  StyledLabel label;
  host.attach(label);
  label.setAutoSize(false);
  label.setBounds({0, 0, 100, 100});
  label.setTextStyle(tsNormal);
  label.setCaption("Turn");  // 24 × 13
  label.setAngle(90);
  host.paint();
  std::vector<DrawCommand> turned;
  for (const auto& c : host.canvas().commands) {
    if (c.kind == DrawCommand::RotatedText) turned.push_back(c);
  }
  ASSERT_EQ(turned.size(), 1u);
  EXPECT_EQ(turned[0].angle, 90);
  // Turned a quarter counter-clockwise about (50, 50): the text's top-left
  // corner goes to the lower left of the pivot.
  EXPECT_EQ(turned[0].origin, (Point{44, 62}));
}

TEST(StyledLabel, FlyByColourLastsWhileThePointerIsOver) {
  StyledLabel label;
  label.setFlyByEnabled(true);
  label.mouseEnter();
  EXPECT_EQ(label.font().color, clHighlight);
  label.mouseLeave();
  EXPECT_EQ(label.font().color, clWindowText);
  label.setFlyByEnabled(false);
  label.mouseEnter();
  EXPECT_EQ(label.font().color, clWindowText);
}

struct TargetCase {
  const char* url;
  const char* caption;
  const char* target;
};

void PrintTo(const TargetCase& c, std::ostream* os) {
  *os << "url '" << c.url << "' gives '" << c.target << "'";
}

class UrlTargets : public ::testing::TestWithParam<TargetCase> {};

TEST_P(UrlTargets, PreferTheAddressOverTheCaption) {
  URLLabel label;
  label.setUrl(GetParam().url);
  label.setCaption(GetParam().caption);
  EXPECT_EQ(label.target(), GetParam().target);
}

INSTANTIATE_TEST_SUITE_P(All, UrlTargets,
                         ::testing::Values(TargetCase{"https://www.pellam.example", "Pellam",
                                                      "https://www.pellam.example"},
                                           TargetCase{"  ", "www.pellam.example",
                                                      "www.pellam.example"},
                                           TargetCase{" mailto:info@pellam.example\t", "x",
                                                      "mailto:info@pellam.example"},
                                           TargetCase{"", " \r\n", ""}));

TEST(URLLabel, StartsUnderlinedInTheUnvisitedColourWithAHandPointer) {
  URLLabel label;
  EXPECT_EQ(label.textStyle(), tsNormal);
  EXPECT_TRUE(label.font().underlined());
  EXPECT_EQ(label.font().color, clHighlight);
  EXPECT_EQ(label.cursor(), crHandPoint);
}

TEST(URLLabel, AClickOpensTheTargetAndMarksTheLabelVisited) {
  FakeHost host;
  URLLabel label;
  host.attach(label);
  int clicks = 0;
  label.onClick = [&](StyledLabel&) { ++clicks; };
  label.setCaption("www.pellam.example");
  label.mouseDown(mbLeft, ssLeft, {2, 2});
  label.mouseUp(mbLeft, 0, {2, 2});
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(host.services().opened, (std::vector<std::string>{"www.pellam.example"}));
  EXPECT_TRUE(label.visited());
  EXPECT_EQ(label.font().color, clPurple);

  // Released outside the label: no click.
  label.mouseDown(mbLeft, ssLeft, {2, 2});
  label.mouseUp(mbLeft, 0, {-5, 2});
  EXPECT_EQ(host.services().opened.size(), 1u);
}

TEST(URLLabel, ABlankTargetOrAFailedOpenLeavesItUnvisited) {
  FakeHost host;
  URLLabel label;
  host.attach(label);
  label.mouseDown(mbLeft, ssLeft, {1, 1});
  label.mouseUp(mbLeft, 0, {1, 1});
  EXPECT_TRUE(host.services().opened.empty());
  EXPECT_FALSE(label.visited());

  host.services().openSucceeds = false;
  label.setUrl("https://www.pellam.example");
  label.mouseDown(mbLeft, ssLeft, {1, 1});
  label.mouseUp(mbLeft, 0, {1, 1});
  EXPECT_EQ(host.services().opened.size(), 1u);
  EXPECT_FALSE(label.visited());
  EXPECT_EQ(label.font().color, clHighlight);
}

}  // namespace
}  // namespace morvel
