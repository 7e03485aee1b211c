// Order-preserving keys; see SortPrefix.h.
#include "grid/tree/SortPrefix.h"

#include <bit>
#include <cmath>
#include <cstring>

namespace morvel {

PrefixKind prefixKindFor(const Variant* values, std::size_t count, std::size_t stride) {
  bool text = true;
  bool number = true;
  for (std::size_t i = 0; i < count && (text || number); ++i) {
    const Variant& v = values[i * stride];
    if (v.isBlank()) continue;
    text = text && v.kind() == vkString;
    number = number && v.isNumeric();
  }
  return text ? PrefixKind::text : number ? PrefixKind::number : PrefixKind::none;
}

namespace {

// A text key: bytes 0-14 big-endian and zero-padded, then one byte holding
// the length + 1 for texts of up to 15 bytes (exact: the key is the whole
// text) or 0xff for longer ones. Blank values get (0, 0), below every text.
OrderKey textKey(std::string_view s) {
  // The first 15 bytes, zero-padded, read as two big-endian words (a
  // byte swap each on this machine rather than a loop over the bytes).
  std::uint64_t words[2] = {0, 0};
  if (!s.empty()) std::memcpy(words, s.data(), s.size() < 15 ? s.size() : 15);
  const auto bigEndian = [](std::uint64_t w) {
    return std::endian::native == std::endian::little ? __builtin_bswap64(w) : w;
  };
  OrderKey key;
  key.hi = bigEndian(words[0]);
  key.lo = bigEndian(words[1]);
  key.exact = s.size() <= 15;
  key.lo |= key.exact ? s.size() + 1 : 0xff;
  return key;
}

// A number key: the IEEE bits made unsigned-ordered (negative numbers
// flipped, positive ones lifted above them); NaN sits just above blanks.
// Exact when the double holds the value itself.
OrderKey numberKey(const Variant& value) {
  OrderKey key;
  double d = value.toDouble();
  if (std::isnan(d)) {
    key.hi = 1;
    key.exact = true;
    return key;
  }
  if (d == 0) d = 0;  // -0 equals +0
  const auto bits = std::bit_cast<std::uint64_t>(d);
  key.hi = bits & (std::uint64_t(1) << 63) ? ~bits : bits | (std::uint64_t(1) << 63);
  switch (value.kind()) {
    case vkFloat:
    case vkDate:
      key.exact = true;
      break;
    case vkInteger: {
      const std::int64_t i = value.integerValue();
      key.exact = i >= -(std::int64_t(1) << 53) && i <= (std::int64_t(1) << 53);
      break;
    }
    default:
      key.exact = false;
  }
  return key;
}

}  // namespace

int compareNaturalText(std::string_view a, std::string_view b) {
  const auto digit = [](char c) { return c >= '0' && c <= '9'; };
  // The end of the digit run starting at i, and where its value's digits
  // start (after leading zeros).
  const auto run = [&](std::string_view s, std::size_t i, std::size_t& significant) {
    while (i < s.size() && s[i] == '0') ++i;
    significant = i;
    while (i < s.size() && digit(s[i])) ++i;
    return i;
  };
  std::size_t i = 0;
  std::size_t j = 0;
  while (i < a.size() && j < b.size()) {
    if (digit(a[i]) && digit(b[j])) {
      std::size_t si = 0;
      std::size_t sj = 0;
      const std::size_t ei = run(a, i, si);
      const std::size_t ej = run(b, j, sj);
      // More significant digits is the larger number; as many compare
      // digit by digit.
      if (ei - si != ej - sj) return ei - si < ej - sj ? -1 : 1;
      if (const int c = a.substr(si, ei - si).compare(b.substr(sj, ej - sj))) return c < 0 ? -1 : 1;
      i = ei;
      j = ej;
      continue;
    }
    // A digit against any other byte compares as the byte it is, which
    // orders the other byte against every digit alike.
    const auto ca = static_cast<unsigned char>(a[i]);
    const auto cb = static_cast<unsigned char>(b[j]);
    if (ca != cb) return ca < cb ? -1 : 1;
    ++i;
    ++j;
  }
  if (i < a.size() || j < b.size()) return i < a.size() ? 1 : -1;
  const int c = a.compare(b);
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

OrderKey textOrderKey(std::string_view text) { return textKey(text); }

OrderKey orderKey(const Variant& value, PrefixKind kind) {
  if (kind == PrefixKind::none) return {};
  if (value.isBlank()) return {0, 0, true};
  return kind == PrefixKind::text ? textKey(value.stringValue()) : numberKey(value);
}

}  // namespace morvel
