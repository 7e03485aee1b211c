// The Qt side of the platform layer under the offscreen platform: decoding,
// measuring, exact pixels of fills, lines and inversions, font stand-ins,
// and a hosted control that paints and takes clicks.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFontDatabase>
#include <QImage>
#include <QPainter>
#include <QTest>
#include <QTimer>
#include <cmath>
#include <cstdint>

#include "platform/Control.h"
#include "platform/qt/ControlWidget.h"
#include "platform/qt/QtCanvas.h"
#include "platform/qt/QtServices.h"
#include "platform/qt/QtText.h"
#include "tests/QtTestApp.h"

namespace morvel {
namespace {

class QtPlatform : public ::testing::Test {
 protected:
  QtPlatform() { testing_support::qtApp(); }
  QtServices& services = QtServices::instance();
};

TEST_F(QtPlatform, DecodesValidUtf8AsUtf8AndOtherBytesAsWindows1252) {
  EXPECT_EQ(decodeText("caf\xc3\xa9"), QString::fromUtf8("caf\xc3\xa9"));
  EXPECT_EQ(decodeText("caf\xe9"), QString::fromUtf8("caf\xc3\xa9"));
  EXPECT_EQ(decodeText("\x80 \x93x\x94"),
            QString::fromUtf8("\xe2\x82\xac \xe2\x80\x9cx\xe2\x80\x9d"));
  EXPECT_EQ(decodeText("\x81").at(0).unicode(), 0x81);
}

TEST_F(QtPlatform, MeasuresAsciiFromTheCacheAsQtMeasuresTheWholeText) {
  QtCanvas canvas(Size{1, 1}, services);
  canvas.setFont(Font::withHeight("MS Sans Serif", -11));
  const QtFontEntry& entry = services.fontEntry(canvas.font());
  for (const char* text : {"Loading ...", "Redrawing screen ...", "WWWWiiii 0123456789"}) {
    const double qt = entry.metrics.horizontalAdvance(QString::fromLatin1(text));
    EXPECT_NEAR(canvas.textWidth(text), qt, 1.0) << text;
  }
  EXPECT_EQ(canvas.textWidth("caf\xe9"), canvas.textWidth("caf\xc3\xa9"));
  EXPECT_EQ(canvas.textHeight(), entry.height);
}

// ASCII widths are the cached advances summed and rounded half away from
// zero, however they are added up, at every size and style.
TEST_F(QtPlatform, AsciiWidthsAreTheRoundedSumOfTheCachedAdvances) {
  QtCanvas canvas(Size{1, 1}, services);
  const char* texts[] = {"",
                         "i",
                         "0",
                         "Wg",
                         "28/02/1990",
                         "12:59:59",
                         "Splined Shaft",
                         "Machining Centre",
                         "  Drill, Ream and \"Tap\"",
                         "~!@#$%^&*()_+"};
  for (const int height : {-8, -11, -13, -17, -23}) {
    for (const std::uint8_t style :
         {std::uint8_t(0), std::uint8_t(fsBold), std::uint8_t(fsItalic)}) {
      Font font = Font::withHeight("MS Sans Serif", height);
      font.style = style;
      canvas.setFont(font);
      const QtFontEntry& entry = services.fontEntry(canvas.font());
      for (const char* text : texts) {
        double sum = 0;
        for (const char* c = text; *c; ++c)
          sum += entry.asciiAdvance[static_cast<unsigned char>(*c)];
        EXPECT_EQ(canvas.textWidth(text), static_cast<int>(std::lround(sum)))
            << text << " at " << height << " style " << int(style);
      }
    }
  }
}

TEST_F(QtPlatform, StandsInInstalledFacesForMissingWindowsFonts) {
  const QStringList installed = QFontDatabase::families();
  if (!installed.contains("Liberation Serif") || installed.contains("Times New Roman")) {
    GTEST_SKIP() << "needs Liberation fonts and no Times New Roman";
  }
  EXPECT_EQ(QtServices::familyFor("Times New Roman"), "Liberation Serif");
  EXPECT_EQ(QtServices::familyFor("MS Sans Serif"), "Liberation Sans");
  EXPECT_EQ(QtServices::familyFor("No Such Face"), "No Such Face");
}

TEST_F(QtPlatform, FillsAndStraightLinesHitExactPixels) {
  QtCanvas canvas(Size{20, 20}, services);
  canvas.fillRect({0, 0, 20, 20}, clWhite);
  canvas.fillRect({2, 3, 5, 4}, clBlack);
  canvas.drawLine({10, 1}, {14, 1}, clRed);
  canvas.drawLine({10, 5}, {10, 8}, clBlue);
  const Bitmap b = canvas.toBitmap();
  EXPECT_EQ(b.pixel(2, 3), argb(0, 0, 0));
  EXPECT_EQ(b.pixel(4, 3), argb(0, 0, 0));
  EXPECT_EQ(b.pixel(5, 3), argb(255, 255, 255));
  EXPECT_EQ(b.pixel(2, 4), argb(255, 255, 255));
  EXPECT_EQ(b.pixel(10, 1), argb(255, 0, 0));
  EXPECT_EQ(b.pixel(14, 1), argb(255, 0, 0));  // both ends drawn
  EXPECT_EQ(b.pixel(15, 1), argb(255, 255, 255));
  EXPECT_EQ(b.pixel(10, 8), argb(0, 0, 255));
}

TEST_F(QtPlatform, InvertingTwiceRestoresThePixels) {
  QtCanvas canvas(Size{30, 30}, services);
  canvas.fillRect({0, 0, 30, 30}, rgb(10, 200, 30));
  const Bitmap before = canvas.toBitmap();
  canvas.invertRect({5, 0, 6, 30});
  canvas.drawFocusRect({2, 2, 20, 20});
  EXPECT_EQ(canvas.toBitmap().pixel(5, 10), argb(245, 55, 225));
  EXPECT_NE(canvas.toBitmap(), before);
  canvas.drawFocusRect({2, 2, 20, 20});
  canvas.invertRect({5, 0, 6, 30});
  EXPECT_EQ(canvas.toBitmap(), before);
}

TEST_F(QtPlatform, ClipsDrawingToPushedAndExcludedAreas) {
  QtCanvas canvas(Size{10, 10}, services);
  {
    ClipScope clip(canvas, {0, 0, 5, 10});
    canvas.excludeClip({0, 0, 2, 2});
    canvas.fillRect({0, 0, 10, 10}, clBlack);
  }
  const Bitmap b = canvas.toBitmap();
  EXPECT_EQ(b.pixel(3, 3), argb(0, 0, 0));
  EXPECT_EQ(b.pixel(6, 3), Bitmap::kTransparent);
  EXPECT_EQ(b.pixel(1, 1), Bitmap::kTransparent);
}

TEST_F(QtPlatform, MapsSystemColoursThroughThePalette) {
  const QPalette p = QGuiApplication::palette();
  EXPECT_EQ(services.resolveColor(clHighlight), p.color(QPalette::Highlight).rgba());
  EXPECT_EQ(services.resolveColor(clBtnFace), p.color(QPalette::Button).rgba());
  EXPECT_EQ(services.resolveColor(rgb(128, 0, 128)), argb(128, 0, 128));
  EXPECT_EQ(services.resolveColor(clNone), 0u);
}

TEST_F(QtPlatform, TurnsOpenTargetsIntoAddresses) {
  EXPECT_EQ(QtServices::targetUrl("https://www.pellam.example").toString(),
            "https://www.pellam.example");
  EXPECT_EQ(QtServices::targetUrl("  www.pellam.example ").toString(), "http://www.pellam.example");
  EXPECT_EQ(QtServices::targetUrl("mailto:info@pellam.example").scheme(), "mailto");
}

// Paints a red square where it was last pressed.
class Spot : public Control {
 public:
  void paint(Canvas& canvas, const Rect&) override {
    canvas.fillRect(clientRect(), clWhite);
    canvas.fillRect(Rect::fromSize(pressed.x, pressed.y, 3, 3), clRed);
  }
  void mouseDown(MouseButton, ShiftState shift, Point p) override {
    pressed = p;
    lastShift = shift;
    ++presses;
    invalidate();
  }
  bool passesToParent(Point p) const override { return p.x >= width() - 5; }
  Point pressed;
  ShiftState lastShift = 0;
  int presses = 0;
};

TEST_F(QtPlatform, HostedControlPaintsTakesClicksAndPassesItsEdgeToTheParent) {
  ControlWidget outer(std::make_unique<Spot>());
  outer.control().setBounds({0, 0, 60, 40});
  auto* inner = new ControlWidget(std::make_unique<Spot>(), &outer);
  inner->control().setBounds({10, 10, 40, 30});
  EXPECT_EQ(inner->geometry(), QRect(10, 10, 30, 20));
  outer.show();
  QTest::mouseClick(inner, Qt::LeftButton, Qt::ShiftModifier, QPoint(4, 6));
  auto& spot = inner->controlAs<Spot>();
  EXPECT_EQ(spot.pressed, (Point{4, 6}));
  EXPECT_TRUE(spot.lastShift & ssShift);
  QTest::mouseClick(inner, Qt::LeftButton, {}, QPoint(27, 6));
  EXPECT_EQ(spot.presses, 1);
  EXPECT_EQ(outer.controlAs<Spot>().pressed, (Point{37, 16}));

  const QImage image = inner->grab().toImage();
  EXPECT_EQ(image.pixel(5, 7), QColor(Qt::red).rgb());
  EXPECT_EQ(image.pixel(20, 15), QColor(Qt::white).rgb());
}

TEST_F(QtPlatform, TheSquareBetweenTwoScrollBarsIsFilledLikeAButton) {
  ControlWidget widget(std::make_unique<Spot>());
  widget.control().setBounds({0, 0, 120, 90});
  widget.setScrollBar(sbVertical, {0, 100, 10, 0, true});
  widget.setScrollBar(sbHorizontal, {0, 100, 10, 0, true});
  widget.show();
  const QImage image = widget.grab().toImage();
  EXPECT_EQ(image.pixel(118, 88), widget.palette().color(QPalette::Button).rgb());
}

}  // namespace
}  // namespace morvel

namespace morvel {
namespace {

TEST_F(QtPlatform, OffscreenPicturesTakeTheDevicesPixelRatio) {
  // A window on a screen scaled by 1.5: a picture made for it has 1.5
  // pixels per unit and covers the same units when copied back.
  QImage screen(40, 40, QImage::Format_ARGB32_Premultiplied);
  screen.setDevicePixelRatio(1.5);
  screen.fill(Qt::white);
  {
    QPainter painter(&screen);
    QtCanvas canvas(painter, services);
    std::unique_ptr<OffscreenCanvas> off = canvas.createOffscreen({10, 6});
    const QImage* picture = static_cast<QtCanvas&>(*off).image();
    EXPECT_EQ(picture->size(), QSize(15, 9));
    EXPECT_EQ(picture->devicePixelRatio(), 1.5);
    EXPECT_EQ(off->size(), (Size{10, 6}));
    EXPECT_EQ(off->clipBounds(), (Rect{0, 0, 10, 6}));
    off->fillRect({0, 0, 10, 6}, clBlack);
    EXPECT_EQ(off->toBitmap().width(), 10) << "bitmaps count units";
    canvas.drawOffscreen({4, 4}, *off);
  }
  EXPECT_EQ(screen.pixel(6, 6), QColor(Qt::black).rgb());
  EXPECT_EQ(screen.pixel(20, 14), QColor(Qt::black).rgb()) << "14 units = 21 pixels wide";
  EXPECT_EQ(screen.pixel(22, 16), QColor(Qt::white).rgb());
}

TEST_F(QtPlatform, AFloatingImageIsCutToItsOpaquePixels) {
  // Without a compositor only a window mask keeps the transparent corners
  // from showing black.
  Bitmap arrow(9, 9);
  for (int y = 0; y < 9; ++y) {
    for (int x = 0; x < 9; ++x) arrow.setPixel(x, y, x >= y ? 0xff000000u : 0u);
  }
  ControlWidget host(std::make_unique<Spot>());
  const QWidgetList before = QApplication::topLevelWidgets();
  std::unique_ptr<FloatingImage> image = host.showFloatingImage(arrow, {100, 100});
  QWidget* shown = nullptr;
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (!before.contains(w) && w->isVisible()) shown = w;
  }
  ASSERT_NE(shown, nullptr);
  const QRegion mask = shown->mask();
  EXPECT_TRUE(mask.contains(QPoint(8, 0)));
  EXPECT_TRUE(mask.contains(QPoint(4, 4)));
  EXPECT_FALSE(mask.contains(QPoint(0, 8)));
}

TEST_F(QtPlatform, AMessageBoxBelongsToTheActiveWindowAndIsCentredOnIt) {
  QWidget window;
  window.setGeometry(100, 100, 500, 360);
  window.show();
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  QWidget* owner = nullptr;
  QPoint centre;
  QTimer::singleShot(0, [&] {
    QWidget* box = QApplication::activeModalWidget();
    if (!box) return;
    owner = box->parentWidget();
    centre = box->frameGeometry().center();
    box->close();
  });
  services.messageBox("Delete record?", "Confirm", mbiQuestion, mbbOkCancel);
  EXPECT_EQ(owner, &window);
  EXPECT_LE((centre - window.frameGeometry().center()).manhattanLength(), 40);
}

}  // namespace
}  // namespace morvel
