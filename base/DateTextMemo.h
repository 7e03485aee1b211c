// The texts of the dates of one column during one pass over a table (the
// grid's load): a date column repeats few values (a few thousand
// days across a million rows), and formatting a date costs far more than
// finding its text again.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace morvel {

class DateTextMemo {
 public:
  // Forgets every text: the format settings may have changed since.
  void clear() { *this = DateTextMemo(); }

  // out := the text `format(value, out)` makes. A whole day's text is kept
  // in a table indexed by the day, so that finding it again touches one
  // small entry; values with a time of day, rarely repeated, are formatted
  // each. One memo serves one format.
  template <class Format>
  void text(double value, std::string& out, const Format& format) {
    Entry* entry = entryFor(value);
    if (!entry) {
      format(value, out);
      return;
    }
    if (entry->length != kEmpty && entry->length != kTooLong) {
      out.assign(entry->text, entry->length);
      return;
    }
    format(value, out);
    if (out.size() > sizeof entry->text) {
      entry->length = kTooLong;
      return;
    }
    std::memcpy(entry->text, out.data(), out.size());
    entry->length = static_cast<std::uint8_t>(out.size());
  }

 private:
  static constexpr std::size_t kDays = std::size_t(1) << 16;  // about 179 years
  static constexpr std::uint8_t kEmpty = 0xff;
  static constexpr std::uint8_t kTooLong = 0xfe;
  struct Entry {
    char text[15];
    std::uint8_t length = kEmpty;
  };

  // The entry of a whole day within the table's span; null for any other
  // value (a time of day, -0, a day far from the first one met).
  Entry* entryFor(double value) {
    if (!(value == std::floor(value)) || std::signbit(value) || value >= 1e15) return nullptr;
    const auto day = static_cast<std::int64_t>(value);
    if (days_.empty()) {
      first_ = day - static_cast<std::int64_t>(kDays / 2);
      days_.resize(kDays);
    }
    const std::int64_t at = day - first_;
    if (at < 0 || at >= static_cast<std::int64_t>(kDays)) return nullptr;
    return &days_[static_cast<std::size_t>(at)];
  }

  std::vector<Entry> days_;
  std::int64_t first_ = 0;
};

}  // namespace morvel
