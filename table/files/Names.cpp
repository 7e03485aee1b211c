// Name comparison; see Names.h.
#include "table/files/Names.h"

#include <algorithm>

namespace morvel {

std::string_view trimmedName(std::string_view name) {
  const auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
  while (!name.empty() && isBlank(name.front())) name.remove_prefix(1);
  while (!name.empty() && isBlank(name.back())) name.remove_suffix(1);
  return name;
}

bool equalIgnoringCase(std::string_view a, std::string_view b) {
  const auto lower = [](char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  };
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [&](char x, char y) { return lower(x) == lower(y); });
}

bool sameName(std::string_view a, std::string_view b) {
  return equalIgnoringCase(trimmedName(a), trimmedName(b));
}

}  // namespace morvel
