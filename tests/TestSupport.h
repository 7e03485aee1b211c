// Helpers shared by the test folders: the date settings most tables are
// written for, and a readable form of arbitrary bytes for test names.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "base/FormatSettings.h"

namespace morvel::testing_support {

// dd/mm/yy with "/", 24-hour "hh:mm:ss" with ":", a century window of 20 and
// the current year fixed at 2024.
inline FormatSettings ukFormatSettings() {
  FormatSettings s;
  s.dateFormatShort = "dd/mm/yy";
  s.dateSep = '/';
  s.timeSep = ':';
  s.centuryWindow = 20;
  s.clock = std::make_shared<FixedYearClock>(2024);
  s.buildTimeFormats(ClockStyle{true, false, false});
  return s;
}

// Printable ASCII as it is, every other byte as \xNN, so that test names
// stay plain text whatever bytes a case holds.
inline std::string printableBytes(std::string_view bytes) {
  static const char kHex[] = "0123456789abcdef";
  std::string out;
  for (const char c : bytes) {
    const unsigned char b = static_cast<unsigned char>(c);
    if (b >= 0x20 && b < 0x7f) {
      out += c;
    } else {
      out += "\\x";
      out += kHex[b >> 4];
      out += kHex[b & 15];
    }
  }
  return out;
}

}  // namespace morvel::testing_support
