// How the engine compares names of files, tables, fields and indexes:
// surrounding blanks do not count, and letters compare without regard to
// case (ASCII letters only; other bytes compare as they are).
#pragma once

#include <string_view>

namespace morvel {

// The name without leading and trailing blanks (spaces and tabs).
std::string_view trimmedName(std::string_view name);
bool equalIgnoringCase(std::string_view a, std::string_view b);
// Trimmed, then compared ignoring case.
bool sameName(std::string_view a, std::string_view b);

}  // namespace morvel
