// The texts of the dates of one column during one load of the grid: date
// columns repeat few values (a few thousand days across a million rows),
// and formatting a date costs far more than finding its text again.
#pragma once

#include <bit>
#include <cstdint>
#include <string>
#include <unordered_map>

#include "table/Field.h"

namespace morvel {

class DateTextMemo {
 public:
  // Forgets every text: the format settings may have changed since.
  void clear() {
    texts_ = {};
    hits_ = 0;
    givenUp_ = false;
  }

  // out := field.valueText(value), formatted once per distinct value (the
  // same bits) while that pays.
  void text(const DateTimeField& field, double value, std::string& out) {
    if (givenUp_) {
      field.valueText(value, out);
      return;
    }
    const auto bits = std::bit_cast<std::uint64_t>(value);
    if (const auto it = texts_.find(bits); it != texts_.end()) {
      ++hits_;
      out = it->second;
      return;
    }
    field.valueText(value, out);
    texts_.emplace(bits, out);
    // Date-times with a time of day rarely repeat: a column whose values
    // keep coming new is formatted value by value, and the texts go.
    if (texts_.size() % kCheckEvery == 0 && hits_ < texts_.size() / 4) {
      texts_ = {};
      givenUp_ = true;
    }
  }

 private:
  static constexpr std::size_t kCheckEvery = 16384;
  std::unordered_map<std::uint64_t, std::string> texts_;
  std::size_t hits_ = 0;
  bool givenUp_ = false;
};

}  // namespace morvel
