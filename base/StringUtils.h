// Small byte-string helpers shared by the CSV line rules and the text lists.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace morvel {

// The 1-based position of the first occurrence of pattern in text, or 0 when
// it does not occur or either of them is empty. Matching is byte for byte.
std::size_t firstOccurrence(std::string_view pattern, std::string_view text);

// Whether a and b are equal when ASCII letters are compared without regard to
// case; other bytes must match exactly.
bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b);

// Orders two texts as people read lists: without regard to case, by the
// locale's collation (LC_COLLATE), so "apple" comes before "Zone"; texts
// that are equal so are ordered by their bytes, so the order is total.
// Returns -1, 0 or 1.
int compareForReading(std::string_view a, std::string_view b);

// Appends text to out with every non-overlapping occurrence of pattern,
// found left to right, replaced by replacement; the replacement is never
// searched again. An empty pattern replaces nothing.
void appendReplacingAll(std::string& out, std::string_view text, std::string_view pattern,
                        std::string_view replacement);

// text with every occurrence of pattern replaced, as appendReplacingAll.
std::string replaceAll(std::string_view text, std::string_view pattern,
                       std::string_view replacement);

}  // namespace morvel
