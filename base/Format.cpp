// Message formatting; see Format.h.
#include "base/Format.h"

namespace morvel {

std::string FormatArg::text() const {
  if (!isNumber_) return std::string(text_);
  return std::to_string(number_);
}

std::string formatMessage(std::string_view pattern, std::initializer_list<FormatArg> args) {
  std::string out;
  out.reserve(pattern.size() + 32);
  auto next = args.begin();
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    const char c = pattern[i];
    if (c != '%' || i + 1 == pattern.size()) {
      out += c;
      continue;
    }
    const char d = pattern[i + 1];
    if (d == '%') {
      out += '%';
      ++i;
    } else if (d == 's' || d == 'S' || d == 'd') {
      if (next != args.end()) out += (next++)->text();
      ++i;
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace morvel
