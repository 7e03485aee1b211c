// Where the date text conversions learn the current year (two-digit years and
// dates written without a year depend on it); tests put in a fixed one.
#pragma once

#include <memory>

namespace morvel {

class Clock {
 public:
  virtual ~Clock() = default;
  // The local calendar year now.
  virtual int currentYear() const = 0;
};

// The machine's clock in local time. Cheap enough to ask per conversion: the
// year is recomputed only when the cached one may have run out.
std::shared_ptr<const Clock> systemClock();

// A clock that always tells the same year.
class FixedYearClock : public Clock {
 public:
  explicit FixedYearClock(int year) : year_(year) {}
  int currentYear() const override { return year_; }

 private:
  int year_;
};

}  // namespace morvel
