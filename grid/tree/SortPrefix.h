// Order-preserving 128-bit keys of sort values. Sorting a million rows
// compares values tens of millions of times; comparing two small keys first,
// and the full values only when the keys cannot decide, keeps the exact
// order of compareVariants at a fraction of the cost.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "base/Variant.h"

namespace morvel {

enum class PrefixKind {
  none,    // values of mixed kinds: every key is equal and inexact
  text,    // every value is a text or null
  number,  // every value is a number (of any numeric kind) or null
};

// The prefix kind that fits every value values[i * stride] for i < count.
PrefixKind prefixKindFor(const Variant* values, std::size_t count, std::size_t stride);

// For two values of one prefix kind: when their keys differ, the key order
// (hi, then lo, unsigned) is the order of compareVariants; when they are
// equal and both exact, the values are equal; otherwise only the values can
// tell.
struct OrderKey {
  std::uint64_t hi = 0;
  std::uint64_t lo = 0;
  bool exact = false;
};

OrderKey orderKey(const Variant& value, PrefixKind kind);
// orderKey(Variant(text), PrefixKind::text), without making the Variant.
OrderKey textOrderKey(std::string_view text);

// The comparison the keys allow: -1, 0 or 1, or kUndecided.
constexpr int kUndecided = 2;
inline int compareOrderKeys(const OrderKey& a, const OrderKey& b) {
  if (a.hi != b.hi) return a.hi < b.hi ? -1 : 1;
  if (a.lo != b.lo) return a.lo < b.lo ? -1 : 1;
  return a.exact && b.exact ? 0 : kUndecided;
}

// Natural text order: runs of digits compare by their value (leading
// zeros aside), every other byte as an unsigned byte, so "a5" < "a10" <
// "a100". Texts equal that way ("a01", "a1") are ordered by their bytes, so
// that only equal texts compare equal. Returns -1, 0 or 1.
int compareNaturalText(std::string_view a, std::string_view b);

}  // namespace morvel
