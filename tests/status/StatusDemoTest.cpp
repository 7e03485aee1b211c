// The status controls and labels hosted in real Qt widgets: a click on a web
// address reaches the platform's open call, and the main window's status bar
// (a pane and a progress bar at 38 %) and About page render into
// status_demo.png in the working folder, for a person to look at.
#include <gtest/gtest.h>

#include <QImage>
#include <QTest>

#include "platform/qt/ControlWidget.h"
#include "status/ProgressBar.h"
#include "status/StatusBar.h"
#include "status/StatusPane.h"
#include "status/StyledLabel.h"
#include "tests/QtTestApp.h"

namespace morvel {
namespace {

// A plain page in the button face colour, as a tab sheet shows.
class Page : public Control {
 public:
  void paint(Canvas& canvas, const Rect&) override { canvas.fillRect(clientRect(), color()); }
};

class StatusDemo : public ::testing::Test {
 protected:
  StatusDemo() { testing_support::qtApp(); }
  QtServices& services = QtServices::instance();
};

TEST_F(StatusDemo, ClickingAWebAddressLabelAsksThePlatformToOpenIt) {
  std::vector<QUrl> opened;
  const auto previous = services.setOpenHandler([&](const QUrl& url) {
    opened.push_back(url);
    return true;
  });
  ControlWidget page(std::make_unique<Page>());
  page.control().setBounds({0, 0, 300, 100});
  auto* url = new ControlWidget(std::make_unique<URLLabel>(), &page);
  auto& label = url->controlAs<URLLabel>();
  label.setCaption("www.pellam.example");
  label.setUrl("https://www.pellam.example");
  page.show();
  QTest::mouseClick(url, Qt::LeftButton, {}, QPoint(3, 3));
  services.setOpenHandler(previous);
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0].toString(), "https://www.pellam.example");
  EXPECT_TRUE(label.visited());
  EXPECT_EQ(url->cursor().shape(), Qt::PointingHandCursor);
}

StyledLabel& addLabel(ControlWidget& page, std::unique_ptr<StyledLabel> owned, const char* caption,
                      Rect bounds, Font font, bool autoSize = true,
                      Alignment alignment = taLeftJustify, bool wordWrap = false) {
  StyledLabel& label = *owned;
  new ControlWidget(std::move(owned), &page);
  label.setAutoSize(autoSize);
  label.setAlignment(alignment);
  label.setWordWrap(wordWrap);
  label.setTransparent(true);
  label.setBlinkIntervalOff(100);
  label.setTextStyle(tsNormal);
  label.setBounds(bounds);
  label.setFont(font);
  label.setCaption(caption);
  return label;
}

StyledLabel& addLabel(ControlWidget& page, const char* caption, Rect bounds, Font font,
                      bool autoSize = true, Alignment alignment = taLeftJustify,
                      bool wordWrap = false) {
  return addLabel(page, std::make_unique<StyledLabel>(), caption, bounds, font, autoSize, alignment,
                  wordWrap);
}

TEST_F(StatusDemo, RendersTheAboutPageAndTheStatusBar) {
  QWidget window;
  window.resize(497, 309);
  auto* page = new ControlWidget(std::make_unique<Page>(), &window);
  page->control().setBounds(Rect::fromSize(0, 0, 497, 290));

  const Font times37 = Font::withHeight("Times New Roman", -37);
  const Font times19 = Font::withHeight("Times New Roman", -19);
  const Font sans13 = Font::withHeight("MS Sans Serif", -13);
  addLabel(*page, "Morvel", Rect::fromSize(11, 7, 100, 42), times37);
  addLabel(*page, "Version 1.1", Rect::fromSize(16, 50, 86, 21), times19);
  addLabel(*page,
           "This utility will read and display tabular information saved\r\nin csv files.\r\n"
           "It assumes that the first line defines the fieldnames, and\r\n"
           "that all dates are in short form (xx/xx/xx).",
           Rect::fromSize(17, 81, 451, 108), times19, false);
  auto& url = static_cast<URLLabel&>(addLabel(
      *page, std::make_unique<URLLabel>(), "www.pellam.example", Rect::fromSize(264, 16, 213, 24),
      Font::withHeight("MS Sans Serif", -19, fsUnderline, clHighlight)));
  url.setUrl("https://www.pellam.example");
  url.setTextStyle(tsRecessed);
  int top = 161;
  for (const char* line :
       {"Pellam Software Ltd", "Pellam House", "1 Example Street", "Sometown", "AB1 2CD"}) {
    // 20 pixels wider to the left than the layout's 111 (same right edge):
    // the free stand-in face is wider than the original, and "Pellam
    // Software Ltd" would wrap onto the next line.
    addLabel(*page, line, Rect::fromSize(346, top, 131, 16), sans13, true, taRightJustify, true);
    top = top == 161 ? 180 : top == 180 ? 200 : top == 200 ? 219 : 238;
  }
  addLabel(*page, "Phone  - +44 1632 960000", Rect::fromSize(10, 220, 135, 16), sans13);
  addLabel(*page, "eMail    - info@pellam.example", Rect::fromSize(9, 237, 221, 16), sans13);

  auto* bar = new ControlWidget(std::make_unique<StatusBar>(), &window);
  auto& statusBar = bar->controlAs<StatusBar>();
  statusBar.setAutoStyle(false);
  statusBar.setBorderWidth(0);
  statusBar.setBounds(Rect::fromSize(0, 290, 497, 19));
  auto* pane = new ControlWidget(std::make_unique<StatusPane>(), bar);
  pane->control().setAlign(alClient);
  pane->control().setFont(Font::withHeight("MS Sans Serif", -11));
  auto* progress = new ControlWidget(std::make_unique<ProgressBar>(), bar);
  auto& pb = progress->controlAs<ProgressBar>();
  pb.setHeight(19);
  pb.setAlign(alRight);
  pb.setBackColor(clBtnFace);
  pb.setBorderInner(fsStatus);
  pb.setBorderOuter(fsNone);
  pb.setBorderWidth(1);
  pb.setFont(Font::withHeight("MS Sans Serif", -11));
  pb.setTotalParts(8);
  pb.setPartsComplete(3);
  pane->controlAs<StatusPane>().setCaption("Loading ...");

  window.show();
  EXPECT_EQ(progress->geometry(), QRect(297, 0, 200, 19));
  const QImage image = window.grab().toImage();
  EXPECT_TRUE(image.save("status_demo.png"));

  // The filled part of the bar (left of 2 + 74) and the unfilled part.
  const QColor highlight = QColor::fromRgba(services.resolveColor(clHighlight));
  const QColor face = QColor::fromRgba(services.resolveColor(clBtnFace));
  EXPECT_EQ(image.pixelColor(297 + 10, 290 + 4), highlight);
  EXPECT_EQ(image.pixelColor(297 + 180, 290 + 4), face);
  // Transparent labels leave the page colour around their text.
  EXPECT_EQ(image.pixelColor(470, 5), face);
}

}  // namespace
}  // namespace morvel
