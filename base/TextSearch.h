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

  bool foundIn(std::string_view text) const {
    const std::size_t n = needle_.size();
    if (n == 0) return true;
    if (text.size() < n) return false;
    const char* p = text.data();
    const char* const last = p + (text.size() - n);
    for (; p <= last; ++p) {
      const auto c = static_cast<unsigned char>(*p);
      if (c != first_ && c != firstUpper_) continue;
      std::size_t i = 1;
      while (i < n &&
             fold_[static_cast<unsigned char>(p[i])] == static_cast<unsigned char>(needle_[i])) {
        ++i;
      }
      if (i == n) return true;
    }
    return false;
  }

 private:
  std::string needle_;
  bool matchCase_;
  std::array<unsigned char, 256> fold_{};
  unsigned first_ = 0;
  unsigned firstUpper_ = 0;
};

}  // namespace morvel
