// The Qt platform's process-wide services: timers, message processing, the
// shell "open", the palette, cursors, the clipboard, and the font cache every
// Qt canvas measures and draws with. One instance lives for the program.
#pragma once

#include <QCursor>
#include <QFont>
#include <QFontMetricsF>
#include <QUrl>
#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>

#include "platform/Font.h"
#include "platform/PlatformServices.h"

namespace morvel {

// A font resolved for Qt, with what measuring needs at hand.
struct QtFontEntry {
  QFont font;
  QFontMetricsF metrics;
  std::array<double, 128> asciiAdvance{};  // pixels per ASCII character
  // The same in 64ths of a pixel, valid when advancesIn64ths: then sums of
  // them are exact, and equal the sums of the doubles, which are exact too.
  std::array<std::int32_t, 128> asciiAdvance64{};
  bool advancesIn64ths = false;
  int height = 0;  // the height of "Wg"
  int ascent = 0;
  explicit QtFontEntry(const QFont& f) : font(f), metrics(f) {}
};

class QtServices : public PlatformServices {
 public:
  // The program's services; needs a QGuiApplication for most calls.
  static QtServices& instance();

  std::unique_ptr<Timer> createTimer(std::function<void()> onTimeout) override;
  void processMessages() override;
  bool openDocument(std::string_view target) override;
  std::uint32_t resolveColor(Color color) const override;
  void registerCursor(Cursor id, const Bitmap& image, Point hotSpot) override;
  void setClipboardText(std::string_view text) override;
  Point cursorPos() const override;
  MessageBoxResult messageBox(std::string_view text, std::string_view caption, MessageBoxIcon icon,
                              MessageBoxButtons buttons) override;

  // Test seam: who carries out openDocument (by default the desktop's
  // handler for the address). Returns the previous handler.
  using OpenHandler = std::function<bool(const QUrl&)>;
  OpenHandler setOpenHandler(OpenHandler handler);
  // The address openDocument hands on: a web or mail address as it is, an
  // existing file as a file address, anything else as the user typed it.
  static QUrl targetUrl(std::string_view target);

  // The application-wide override cursor (crDefault: none).
  Cursor screenCursor() const { return screenCursor_; }
  void setScreenCursor(Cursor cursor);
  QCursor qtCursor(Cursor cursor) const;

  // The resolved font for a description; entries live as long as the
  // services. Installed stand-ins replace faces that are missing ("MS Sans
  // Serif", "Times New Roman", "Arial"...).
  const QtFontEntry& fontEntry(const Font& font);
  static QString familyFor(const std::string& name);

 private:
  QtServices() = default;

  OpenHandler openHandler_;
  Cursor screenCursor_ = 0;
  std::map<Cursor, QCursor> cursors_;
  std::unordered_map<std::string, std::unique_ptr<QtFontEntry>> fonts_;
};

}  // namespace morvel
