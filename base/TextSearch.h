// Finding a typed text inside cell texts, as the find bar and the quick
// filter do: byte for byte, or ignoring the case of ASCII letters. Other
// bytes (UTF-8 sequences, Windows-1252 letters) always compare exactly, so
// a search never depends on how a text happens to be decoded for display.
#pragma once

#include <array>
#include <cstring>
#include <string>
#include <string_view>

namespace morvel {

class TextSearch {
 public:
  TextSearch(std::string_view needle, bool matchCase) : needle_(needle), matchCase_(matchCase) {
    for (int c = 0; c < 256; ++c) {
      const auto b = static_cast<unsigned char>(c);
      fold_[b] = !matchCase && b >= 'A' && b <= 'Z' ? static_cast<unsigned char>(b + 32) : b;
    }
    for (char& c : needle_) c = static_cast<char>(fold_[static_cast<unsigned char>(c)]);
    if (!needle_.empty()) {
      first_ = static_cast<unsigned char>(needle_[0]);
      firstUpper_ = first_ >= 'a' && first_ <= 'z' && !matchCase ? first_ - 32 : first_;
    }
  }

  const std::string& needle() const { return needle_; }
  bool matchCase() const { return matchCase_; }
  // An empty needle is found in every text.
  bool empty() const { return needle_.empty(); }

  bool foundIn(std::string_view text) const { return find(text) != std::string_view::npos; }

  // Where the text first holds the needle at or after `from`; npos when it
  // does not. An empty needle is at `from` (when that is inside the text).
  std::size_t find(std::string_view text, std::size_t from = 0) const {
    const std::size_t n = needle_.size();
    if (from > text.size() || text.size() - from < n) return std::string_view::npos;
    if (n == 0) return from;
    const char* const begin = text.data();
    const char* const end = begin + (text.size() - n) + 1;  // past the last start
    // The first byte in either case is found with memchr, which looks at
    // many bytes at a time; each case's next place is kept until passed.
    const auto next = [end](const char* start, unsigned c) {
      const void* at =
          start < end ? std::memchr(start, static_cast<int>(c), std::size_t(end - start)) : nullptr;
      return at ? static_cast<const char*>(at) : end;
    };
    const char* lower = next(begin + from, first_);
    const char* upper = firstUpper_ == first_ ? end : next(begin + from, firstUpper_);
    while (lower < end || upper < end) {
      const char* p = lower < upper ? lower : upper;
      std::size_t i = 1;
      while (i < n &&
             fold_[static_cast<unsigned char>(p[i])] == static_cast<unsigned char>(needle_[i])) {
        ++i;
      }
      if (i == n) return static_cast<std::size_t>(p - begin);
      if (p == lower) lower = next(p + 1, first_);
      if (p == upper) upper = next(p + 1, firstUpper_);
    }
    return std::string_view::npos;
  }

 private:
  std::string needle_;
  bool matchCase_;
  std::array<unsigned char, 256> fold_{};
  unsigned first_ = 0;
  unsigned firstUpper_ = 0;
};

}  // namespace morvel
