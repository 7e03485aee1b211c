// Reading and writing fixed-width integers inside byte images. Stored
// layouts are little-endian; index keys are big-endian so that comparing
// their bytes compares their values.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace morvel::bytes {

inline std::uint16_t get16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t get32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) |
         (std::uint32_t{p[3]} << 24);
}
inline std::int32_t getInt32(const std::uint8_t* p) { return static_cast<std::int32_t>(get32(p)); }
inline void put16(std::uint8_t* p, std::uint16_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}
inline void put32(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
  p[2] = static_cast<std::uint8_t>(v >> 16);
  p[3] = static_cast<std::uint8_t>(v >> 24);
}
inline void putInt32(std::uint8_t* p, std::int32_t v) { put32(p, static_cast<std::uint32_t>(v)); }

inline void putBig32(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v >> 24);
  p[1] = static_cast<std::uint8_t>(v >> 16);
  p[2] = static_cast<std::uint8_t>(v >> 8);
  p[3] = static_cast<std::uint8_t>(v);
}
inline std::uint32_t getBig32(const std::uint8_t* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
         std::uint32_t{p[3]};
}

// A text stored as a length byte and up to `maxLength` characters (the
// field is 1 + maxLength bytes; what the text does not use is zero).
inline std::string getCountedText(const std::uint8_t* at, std::size_t maxLength) {
  return std::string(reinterpret_cast<const char*>(at + 1),
                     std::min<std::size_t>(at[0], maxLength));
}
inline void putCountedText(std::uint8_t* at, std::size_t maxLength, std::string_view text) {
  const std::size_t length = std::min(text.size(), maxLength);
  std::fill_n(at, maxLength + 1, 0);
  at[0] = static_cast<std::uint8_t>(length);
  std::copy_n(text.begin(), length, at + 1);
}

}  // namespace morvel::bytes
