// Qt's process-wide services; see QtServices.h.
#include "platform/qt/QtServices.h"

#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QMessageBox>
#include <QPalette>
#include <QPixmap>
#include <QTimer>
#include <cmath>

#include "platform/qt/QtText.h"

namespace morvel {
namespace {

class QtTimer : public Timer {
 public:
  explicit QtTimer(std::function<void()> onTimeout) : onTimeout_(std::move(onTimeout)) {
    QObject::connect(&timer_, &QTimer::timeout, [this] { onTimeout_(); });
  }
  void start(int intervalMs) override { timer_.start(intervalMs < 0 ? 0 : intervalMs); }
  void stop() override { timer_.stop(); }
  bool active() const override { return timer_.isActive(); }
  int interval() const override { return timer_.interval(); }

 private:
  QTimer timer_;
  std::function<void()> onTimeout_;
};

}  // namespace

QtServices& QtServices::instance() {
  static QtServices services;
  static const bool cleanUpRegistered = [] {
    // Fonts and cursors must go while the application object still exists;
    // the services themselves outlive it (they are destroyed at exit).
    qAddPostRoutine([] {
      instance().fonts_.clear();
      instance().cursors_.clear();
      if (instance().screenCursor_ != crDefault) instance().screenCursor_ = crDefault;
    });
    return true;
  }();
  (void)cleanUpRegistered;
  return services;
}

std::unique_ptr<Timer> QtServices::createTimer(std::function<void()> onTimeout) {
  return std::make_unique<QtTimer>(std::move(onTimeout));
}

void QtServices::processMessages() { QCoreApplication::processEvents(); }

QUrl QtServices::targetUrl(std::string_view target) {
  const QString text = decodeText(target).trimmed();
  const QUrl asGiven(text);
  if (!asGiven.scheme().isEmpty() && asGiven.scheme().size() > 1 && asGiven.isValid()) {
    return asGiven;  // one-letter schemes are drive letters, not schemes
  }
  if (QFileInfo::exists(text)) return QUrl::fromLocalFile(QFileInfo(text).absoluteFilePath());
  return QUrl::fromUserInput(text);
}

bool QtServices::openDocument(std::string_view target) {
  const QUrl url = targetUrl(target);
  if (!url.isValid()) return false;
  if (openHandler_) return openHandler_(url);
  return QDesktopServices::openUrl(url);
}

QtServices::OpenHandler QtServices::setOpenHandler(OpenHandler handler) {
  std::swap(handler, openHandler_);
  return handler;
}

std::uint32_t QtServices::resolveColor(Color color) const {
  if (color == clNone || color == clDefault) return 0;
  if (!isSystemColor(color)) return classicColor(color);
  const QPalette palette = QGuiApplication::palette();
  auto role = [&](QPalette::ColorRole r, QPalette::ColorGroup g = QPalette::Active) {
    return palette.color(g, r).rgba();
  };
  switch (systemColorIndex(color)) {
    case systemColorIndex(clWindow):
      return role(QPalette::Base);
    case systemColorIndex(clWindowFrame):
      return role(QPalette::Shadow);
    case systemColorIndex(clWindowText):
      return role(QPalette::Text);
    case systemColorIndex(clHighlight):
      return role(QPalette::Highlight);
    case systemColorIndex(clHighlightText):
      return role(QPalette::HighlightedText);
    case systemColorIndex(clBtnFace):
      return role(QPalette::Button);
    case systemColorIndex(clBtnShadow):
      return role(QPalette::Dark);
    case systemColorIndex(clGrayText):
      return role(QPalette::Text, QPalette::Disabled);
    case systemColorIndex(clBtnText):
      return role(QPalette::ButtonText);
    case systemColorIndex(clBtnHighlight):
      return role(QPalette::Light);
    case systemColorIndex(cl3DDkShadow):
      return role(QPalette::Shadow);
    case systemColorIndex(cl3DLight):
      return role(QPalette::Midlight);
    case systemColorIndex(clInfoText):
      return role(QPalette::ToolTipText);
    case systemColorIndex(clInfoBk):
      return role(QPalette::ToolTipBase);
    case systemColorIndex(clScrollBar):
      return role(QPalette::Mid);
    default:
      return role(QPalette::Window);
  }
}

void QtServices::registerCursor(Cursor id, const Bitmap& image, Point hotSpot) {
  QImage picture(image.width(), image.height(), QImage::Format_ARGB32);
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) picture.setPixel(x, y, image.pixel(x, y));
  }
  cursors_[id] = QCursor(QPixmap::fromImage(picture), hotSpot.x, hotSpot.y);
}

void QtServices::setClipboardText(std::string_view text) {
  if (auto* clipboard = QGuiApplication::clipboard()) clipboard->setText(decodeText(text));
}

Point QtServices::cursorPos() const {
  const QPoint p = QCursor::pos();
  return {p.x(), p.y()};
}

MessageBoxResult QtServices::messageBox(std::string_view text, std::string_view caption,
                                        MessageBoxIcon icon, MessageBoxButtons buttons) {
  // Owned by the window the user works in, so that it is centred on that
  // window, stays above it and goes with it.
  QWidget* owner = QApplication::activeWindow();
  if (!owner && QApplication::focusWidget()) owner = QApplication::focusWidget()->window();
  QMessageBox box(owner);
  box.setWindowTitle(decodeText(caption));
  box.setText(decodeText(text));
  switch (icon) {
    case mbiNone:
      box.setIcon(QMessageBox::NoIcon);
      break;
    case mbiInformation:
      box.setIcon(QMessageBox::Information);
      break;
    case mbiWarning:
      box.setIcon(QMessageBox::Warning);
      break;
    case mbiError:
      box.setIcon(QMessageBox::Critical);
      break;
    case mbiQuestion:
      box.setIcon(QMessageBox::Question);
      break;
  }
  QMessageBox::StandardButtons offered;
  QMessageBox::StandardButton escape = QMessageBox::Cancel;
  switch (buttons) {
    case mbbOk:
      offered = QMessageBox::Ok;
      escape = QMessageBox::Ok;
      break;
    case mbbOkCancel:
      offered = QMessageBox::Ok | QMessageBox::Cancel;
      break;
    case mbbYesNo:
      offered = QMessageBox::Yes | QMessageBox::No;
      escape = QMessageBox::No;
      break;
    case mbbYesNoCancel:
      offered = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
      break;
  }
  box.setStandardButtons(offered);
  box.setEscapeButton(escape);
  const int answer = box.exec();
  switch (answer) {
    case QMessageBox::Ok:
      return mrOk;
    case QMessageBox::Yes:
      return mrYes;
    case QMessageBox::No:
      return mrNo;
    default:
      return buttons == mbbYesNo ? mrNo : (buttons == mbbOk ? mrOk : mrCancel);
  }
}

QCursor QtServices::qtCursor(Cursor cursor) const {
  if (auto it = cursors_.find(cursor); it != cursors_.end()) return it->second;
  switch (cursor) {
    case crNone:
      return Qt::BlankCursor;
    case crCross:
      return Qt::CrossCursor;
    case crIBeam:
      return Qt::IBeamCursor;
    case crSizeNESW:
      return Qt::SizeBDiagCursor;
    case crSizeNS:
      return Qt::SizeVerCursor;
    case crSizeNWSE:
      return Qt::SizeFDiagCursor;
    case crSizeWE:
      return Qt::SizeHorCursor;
    case crUpArrow:
      return Qt::UpArrowCursor;
    case crHourGlass:
      return Qt::WaitCursor;
    case crDrag:
      return Qt::DragMoveCursor;
    case crNoDrop:
      return Qt::ForbiddenCursor;
    case crHSplit:
      return Qt::SplitHCursor;
    case crVSplit:
      return Qt::SplitVCursor;
    case crMultiDrag:
      return Qt::DragCopyCursor;
    case crNo:
      return Qt::ForbiddenCursor;
    case crAppStart:
      return Qt::BusyCursor;
    case crHelp:
      return Qt::WhatsThisCursor;
    case crHandPoint:
      return Qt::PointingHandCursor;
    case crSizeAll:
      return Qt::SizeAllCursor;
    default:
      return Qt::ArrowCursor;
  }
}

void QtServices::setScreenCursor(Cursor cursor) {
  if (cursor == screenCursor_) return;
  if (screenCursor_ != crDefault) QGuiApplication::restoreOverrideCursor();
  screenCursor_ = cursor;
  if (cursor != crDefault) QGuiApplication::setOverrideCursor(qtCursor(cursor));
}

QString QtServices::familyFor(const std::string& name) {
  // Free faces with the same metrics where Debian has them, else close ones.
  static const std::map<std::string, std::vector<QString>> kStandIns = {
      {"MS Sans Serif", {"Liberation Sans", "DejaVu Sans"}},
      {"Microsoft Sans Serif", {"Liberation Sans", "DejaVu Sans"}},
      {"Arial", {"Liberation Sans", "DejaVu Sans"}},
      {"Tahoma", {"DejaVu Sans", "Liberation Sans"}},
      {"Verdana", {"DejaVu Sans", "Liberation Sans"}},
      {"Times New Roman", {"Liberation Serif", "DejaVu Serif"}},
      {"Courier New", {"Liberation Mono", "DejaVu Sans Mono"}},
  };
  const QString wanted = QString::fromStdString(name);
  const QStringList installed = QFontDatabase::families();
  if (installed.contains(wanted, Qt::CaseInsensitive)) return wanted;
  if (auto it = kStandIns.find(name); it != kStandIns.end()) {
    for (const auto& standIn : it->second) {
      if (installed.contains(standIn, Qt::CaseInsensitive)) return standIn;
    }
  }
  return wanted;  // Qt picks its own nearest face
}

const QtFontEntry& QtServices::fontEntry(const Font& font) {
  std::string key = font.name;
  key += '|';
  key += std::to_string(font.pixelSize());
  key += '|';
  key += std::to_string(font.style);
  auto& slot = fonts_[key];
  if (!slot) {
    QFont f(familyFor(font.name));
    f.setPixelSize(std::max(font.pixelSize(), 1));
    f.setBold(font.style & fsBold);
    f.setItalic(font.style & fsItalic);
    f.setUnderline(font.style & fsUnderline);
    f.setStrikeOut(font.style & fsStrikeOut);
    // Widths are summed from cached character advances, so pairs must not kern.
    f.setKerning(false);
    slot = std::make_unique<QtFontEntry>(f);
    slot->advancesIn64ths = true;
    for (int c = 0; c < 128; ++c) {
      const double advance = slot->metrics.horizontalAdvance(QChar(c));
      slot->asciiAdvance[c] = advance;
      const double in64ths = advance * 64;
      if (in64ths >= 0 && in64ths < (1 << 24) && in64ths == std::floor(in64ths)) {
        slot->asciiAdvance64[c] = static_cast<std::int32_t>(in64ths);
      } else {
        slot->advancesIn64ths = false;
      }
    }
    slot->height = static_cast<int>(std::ceil(slot->metrics.height()));
    slot->ascent = static_cast<int>(std::ceil(slot->metrics.ascent()));
  }
  return *slot;
}

}  // namespace morvel
