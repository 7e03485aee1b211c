// Byte-string helpers; see StringUtils.h.
#include "base/StringUtils.h"

namespace morvel {

std::size_t firstOccurrence(std::string_view pattern, std::string_view text) {
  if (pattern.empty() || text.empty()) return 0;
  const std::size_t at = text.find(pattern);
  return at == std::string_view::npos ? 0 : at + 1;
}

bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

void appendReplacingAll(std::string& out, std::string_view text, std::string_view pattern,
                        std::string_view replacement) {
  if (pattern.empty()) {
    out.append(text);
    return;
  }
  std::size_t from = 0;
  for (;;) {
    const std::size_t at = text.find(pattern, from);
    if (at == std::string_view::npos) break;
    out.append(text.data() + from, at - from);
    out.append(replacement);
    from = at + pattern.size();
  }
  out.append(text.data() + from, text.size() - from);
}

std::string replaceAll(std::string_view text, std::string_view pattern,
                       std::string_view replacement) {
  std::string out;
  out.reserve(text.size());
  appendReplacingAll(out, text, pattern, replacement);
  return out;
}

}  // namespace morvel
