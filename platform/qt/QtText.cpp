// Byte text to Qt strings; see QtText.h.
#include "platform/qt/QtText.h"

#include "platform/TextLayout.h"

namespace morvel {
namespace {

// Windows-1252 0x80..0x9F; the five unassigned bytes keep their own value,
// as the platform's own conversion does.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

}  // namespace

QString decodeText(std::string_view bytes) {
  if (isValidUtf8(bytes)) {
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
  }
  QString out(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
  QChar* d = out.data();
  for (const char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    *d++ = QChar(b >= 0x80 && b < 0xa0 ? kCp1252High[b - 0x80] : char16_t(b));
  }
  return out;
}

std::string encodeUtf8(const QString& text) {
  const QByteArray utf8 = text.toUtf8();
  return std::string(utf8.constData(), static_cast<std::size_t>(utf8.size()));
}

}  // namespace morvel
