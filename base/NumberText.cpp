// Picture formats for numbers; see NumberText.h.
#include "base/NumberText.h"

#include <charconv>
#include <cmath>
#include <vector>

namespace morvel {
namespace {

// The sections of a format, split at the semicolons outside quotes.
std::vector<std::string_view> splitSections(std::string_view format) {
  std::vector<std::string_view> sections;
  std::size_t start = 0;
  char quote = 0;
  for (std::size_t i = 0; i < format.size(); ++i) {
    const char c = format[i];
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == ';') {
      sections.push_back(format.substr(start, i - start));
      start = i + 1;
    }
  }
  sections.push_back(format.substr(start));
  return sections;
}

// One section taken apart.
struct Picture {
  std::string prefix;  // literal text before the first placeholder
  std::string suffix;  // every other literal text
  bool hasDigits = false;
  bool thousands = false;
  int integerZeros = 0;  // '0' placeholders before the point
  int decimals = 0;      // placeholders after the point
  int decimalZeros = 0;  // decimals always shown: up to the last '0'
};

Picture parse(std::string_view section) {
  Picture p;
  bool afterPoint = false;
  for (std::size_t i = 0; i < section.size(); ++i) {
    const char c = section[i];
    std::string& literal = p.hasDigits ? p.suffix : p.prefix;
    if (c == '"' || c == '\'') {
      const std::size_t close = section.find(c, i + 1);
      const std::size_t end = close == std::string_view::npos ? section.size() : close;
      literal.append(section.substr(i + 1, end - i - 1));
      i = end;
    } else if (c == '0' || c == '#') {
      p.hasDigits = true;
      if (afterPoint) {
        ++p.decimals;
        if (c == '0') p.decimalZeros = p.decimals;
      } else if (c == '0') {
        ++p.integerZeros;
      }
    } else if (c == '.' && !afterPoint) {
      // The first point is the decimal point, wherever it stands.
      afterPoint = true;
      p.hasDigits = true;
    } else if (c == ',' && p.hasDigits && !afterPoint) {
      p.thousands = true;
    } else {
      literal += c;
    }
  }
  return p;
}

// The magnitude's integer digits and `decimals` decimal digits, rounded
// half away from zero on its decimal digits (to 18 significant ones, so
// that 2.005 rounds up as it reads rather than as it is stored).
void decimalDigits(long double magnitude, int decimals, std::string& whole, std::string& fraction) {
  char buffer[64];
  const auto written =
      std::to_chars(buffer, buffer + sizeof buffer, magnitude, std::chars_format::scientific, 17);
  const std::string_view text(buffer, written.ec == std::errc() ? written.ptr : buffer);
  const std::size_t e = text.find('e');
  std::string digits;
  for (const char c : text.substr(0, e)) {
    if (c >= '0' && c <= '9') digits += c;
  }
  int exponent = 0;
  if (e != std::string_view::npos) {
    std::from_chars(text.data() + e + (text[e + 1] == '+' ? 2 : 1), text.data() + text.size(),
                    exponent);
  }
  if (digits.empty()) digits.push_back('0');
  // digits[0] stands for 10^exponent; make the point fall after digits[point).
  int point = exponent + 1;
  if (point < 0) {
    digits = std::string(static_cast<std::size_t>(-point), '0') + digits;
    point = 0;
  }
  const auto keep = static_cast<std::size_t>(point + decimals);
  if (digits.size() < keep + 1) digits.append(keep + 1 - digits.size(), '0');
  const bool up = digits[keep] >= '5';
  digits.resize(keep);
  if (up) {
    std::size_t i = digits.size();
    while (i > 0 && digits[i - 1] == '9') digits[--i] = '0';
    if (i == 0) {
      digits = '1' + digits;
      ++point;
    } else {
      ++digits[i - 1];
    }
  }
  whole = digits.substr(0, static_cast<std::size_t>(point));
  fraction = digits.substr(static_cast<std::size_t>(point));
  const std::size_t first = whole.find_first_not_of('0');
  whole = first == std::string::npos ? "0" : whole.substr(first);
}

std::string digitsOf(const Picture& p, long double magnitude, char decimalSep) {
  std::string whole;
  std::string fraction;
  decimalDigits(magnitude, p.decimals > 18 ? 18 : p.decimals, whole, fraction);
  while (static_cast<int>(fraction.size()) > p.decimalZeros && fraction.back() == '0') {
    fraction.pop_back();
  }
  if (whole == "0" && p.integerZeros == 0) whole.clear();
  if (static_cast<int>(whole.size()) < p.integerZeros) {
    whole = std::string(static_cast<std::size_t>(p.integerZeros) - whole.size(), '0') + whole;
  }
  if (p.thousands) {
    std::string grouped;
    for (std::size_t i = 0; i < whole.size(); ++i) {
      if (i > 0 && (whole.size() - i) % 3 == 0) grouped += ',';
      grouped += whole[i];
    }
    whole = std::move(grouped);
  }
  if (fraction.empty()) return whole;
  return whole + decimalSep + fraction;
}

// Whether the magnitude shows as zero with that many decimals.
bool roundsToZero(long double magnitude, int decimals) {
  std::string whole;
  std::string fraction;
  decimalDigits(magnitude, decimals > 18 ? 18 : decimals, whole, fraction);
  return whole == "0" && fraction.find_first_not_of('0') == std::string::npos;
}

}  // namespace

std::string formatNumberText(std::string_view format, long double value,
                             const FormatSettings& settings) {
  if (!std::isfinite(static_cast<double>(value))) value = 0;
  const bool negative = value < 0;
  const long double magnitude = negative ? -value : value;
  if (format.empty()) {
    char buffer[64];
    const auto written =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
    std::string text(buffer, written.ec == std::errc() ? written.ptr : buffer);
    for (char& c : text) {
      if (c == '.') c = settings.decimalSep;
    }
    return text;
  }
  const std::vector<std::string_view> sections = splitSections(format);
  std::string_view chosen = sections[0];
  bool signed_ = negative;
  if (negative && sections.size() >= 2 && !sections[1].empty()) {
    chosen = sections[1];
    signed_ = false;
  }
  Picture picture = parse(chosen);
  if (sections.size() >= 3 && !sections[2].empty() && roundsToZero(magnitude, picture.decimals)) {
    picture = parse(sections[2]);
    signed_ = false;
  }
  if (!picture.hasDigits) return picture.prefix + picture.suffix;
  if (roundsToZero(magnitude, picture.decimals)) signed_ = false;
  std::string text = picture.prefix;
  if (signed_) text += '-';
  text += digitsOf(picture, magnitude, settings.decimalSep);
  text += picture.suffix;
  return text;
}

}  // namespace morvel
