// Byte-string helpers; see StringUtils.h.
#include "base/StringUtils.h"

#include <cstring>
#include <string>

namespace morvel {

namespace {

char asciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

std::size_t firstOccurrence(std::string_view pattern, std::string_view text) {
  if (pattern.empty() || text.empty()) return 0;
  const std::size_t at = text.find(pattern);
  return at == std::string_view::npos ? 0 : at + 1;
}

bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (asciiLower(a[i]) != asciiLower(b[i])) return false;
  }
  return true;
}

int compareForReading(std::string_view a, std::string_view b) {
  // Collation needs terminated strings; a NUL byte inside a text ends what
  // the collation sees, and the byte order below still tells such texts apart.
  std::string foldedA(a);
  std::string foldedB(b);
  for (char& c : foldedA) c = asciiLower(c);
  for (char& c : foldedB) c = asciiLower(c);
  int c = std::strcoll(foldedA.c_str(), foldedB.c_str());
  if (c == 0) c = a.compare(b);
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
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
