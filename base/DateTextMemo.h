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
  // in a small table indexed by the day's low bits, with the day beside it:
  // the table stays in the processor's cache, where a table with a place
  // for every day would be read from memory for each value of a column of
  // spread dates. A day that meets another in its entry is formatted again;
  // values with a time of day, rarely repeated, are formatted each. One
  // memo serves one format.
  template <class Format>
  void text(double value, std::string& out, const Format& format) {
    Entry* entry = entryFor(value);
    if (!entry) {
      format(value, out);
      return;
    }
    const auto day = static_cast<std::int32_t>(value);
    if (entry->day == day) {
      out.assign(entry->text, entry->length);
      return;
    }
    format(value, out);
    if (out.size() > sizeof entry->text) return;  // formatted each time
    std::memcpy(entry->text, out.data(), out.size());
    entry->length = static_cast<std::uint8_t>(out.size());
    entry->day = day;
  }

 private:
  static constexpr std::size_t kEntries = 4096;  // 64 KB: eleven years of days
  struct Entry {
    std::int32_t day = -1;  // no day: the table holds whole days from 0 on
    std::uint8_t length = 0;
    char text[11];
  };
  static_assert(sizeof(Entry) == 16);

  // The entry of a whole day, from day 0 on; null for any other value (a
  // time of day, -0, a negative or far day).
  Entry* entryFor(double value) {
    if (!(value == std::floor(value)) || std::signbit(value) || value > 2147483647.0) {
      return nullptr;
    }
    if (entries_.empty()) entries_.resize(kEntries);
    return &entries_[static_cast<std::size_t>(value) & (kEntries - 1)];
  }

  std::vector<Entry> entries_;
};

}  // namespace morvel
