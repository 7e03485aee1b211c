// The system clock's current year, cached until the next possible change.
#include "base/Clock.h"

#include <ctime>

namespace morvel {

namespace {

class SystemClock : public Clock {
 public:
  int currentYear() const override {
    // Asking localtime per conversion would cost more than the conversion
    // itself; the cache holds until the next new year or for an hour at most
    // (time zone changes are picked up within that hour). One cache per
    // thread, so no locking is needed.
    struct Cache {
      std::time_t validUntil = 0;
      int year = 0;
    };
    thread_local Cache cache;
    const std::time_t now = std::time(nullptr);
    if (now >= cache.validUntil || now < cache.validUntil - 3600) {
      std::tm local{};
      localtime_r(&now, &local);
      cache.year = local.tm_year + 1900;
      std::tm newYear{};
      newYear.tm_year = local.tm_year + 1;
      newYear.tm_mday = 1;
      newYear.tm_isdst = -1;
      const std::time_t next = std::mktime(&newYear);
      cache.validUntil = (next > now && next - now < 3600) ? next : now + 3600;
    }
    return cache.year;
  }
};

}  // namespace

std::shared_ptr<const Clock> systemClock() {
  static const std::shared_ptr<const Clock> clock = std::make_shared<SystemClock>();
  return clock;
}

}  // namespace morvel
