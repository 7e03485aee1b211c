// Calendar arithmetic for date-time values; see DateTime.h.
#include "base/DateTime.h"

#include <cmath>

namespace morvel {

namespace {

// Day 0 (30 December 1899) counted from 1 January 1970, the epoch of the
// civil-calendar conversions below.
constexpr std::int64_t kDayZeroFromEpoch = -25'569;

// Days from 1 January 1970 to a proleptic Gregorian date, by eras of 400
// years (146 097 days) whose years start on 1 March, so the leap day is last.
std::int64_t daysFromCivil(std::int64_t y, int m, int d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t yearOfEra = y - era * 400;
  const std::int64_t dayOfYear = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146'097 + dayOfEra - 719'468;
}

void civilFromDays(std::int64_t z, int& year, int& month, int& day) {
  z += 719'468;
  const std::int64_t era = (z >= 0 ? z : z - 146'096) / 146'097;
  const std::int64_t dayOfEra = z - era * 146'097;
  const std::int64_t yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36'524 - dayOfEra / 146'096) / 365;
  const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const std::int64_t mp = (5 * dayOfYear + 2) / 153;
  day = static_cast<int>(dayOfYear - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(yearOfEra + era * 400 + (month <= 2));
}

}  // namespace

bool isLeapYear(int year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

int daysInMonth(int year, int month) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && isLeapYear(year) ? 29 : kDays[month - 1];
}

bool tryEncodeDate(int year, int month, int day, int& dayNumber) {
  if (year < 1 || year > 9999 || month < 1 || month > 12) return false;
  if (day < 1 || day > daysInMonth(year, month)) return false;
  dayNumber = static_cast<int>(daysFromCivil(year, month, day) - kDayZeroFromEpoch);
  return true;
}

bool tryEncodeTime(int hour, int minute, int second, int millisecond, DateTime& time) {
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 ||
      millisecond < 0 || millisecond > 999) {
    return false;
  }
  const std::int64_t ms = ((hour * 60LL + minute) * 60 + second) * 1000 + millisecond;
  time = static_cast<double>(ms) / static_cast<double>(kMsPerDay);
  return true;
}

DateTime combineDateTime(int dayNumber, DateTime time) {
  return dayNumber >= 0 ? dayNumber + time : dayNumber - time;
}

DayAndTime splitDateTime(DateTime value) {
  // Work in whole milliseconds of |value| so that rounding cannot push a time
  // to 24:00.
  constexpr double kLastMsAfter = (static_cast<double>(kMaxDayNumber) + 1) * kMsPerDay - 1;
  constexpr double kLastMsBefore = (static_cast<double>(-kMinDayNumber) + 1) * kMsPerDay - 1;
  const bool negative = value < 0;
  double magnitude = std::isnan(value) ? 0.0 : std::fabs(value) * static_cast<double>(kMsPerDay);
  const double limit = negative ? kLastMsBefore : kLastMsAfter;
  if (magnitude > limit) magnitude = limit;
  const std::int64_t total = std::llround(magnitude);
  const std::int64_t day = total / kMsPerDay;
  return DayAndTime{static_cast<int>(negative ? -day : day), static_cast<int>(total % kMsPerDay)};
}

DateTime joinDateTime(int dayNumber, int msOfDay) {
  return combineDateTime(dayNumber, static_cast<double>(msOfDay) / static_cast<double>(kMsPerDay));
}

DateTimeParts decodeDateTime(DateTime value) {
  const DayAndTime split = splitDateTime(value);
  const std::int64_t day = split.dayNumber;
  const std::int64_t ms = split.msOfDay;

  DateTimeParts parts;
  parts.dayNumber = static_cast<int>(day);
  civilFromDays(day + kDayZeroFromEpoch, parts.year, parts.month, parts.day);
  parts.hour = static_cast<int>(ms / 3'600'000);
  parts.minute = static_cast<int>(ms / 60'000 % 60);
  parts.second = static_cast<int>(ms / 1000 % 60);
  parts.millisecond = static_cast<int>(ms % 1000);
  // Day 0 was a Saturday.
  parts.dayOfWeek = static_cast<int>(((day + 6) % 7 + 7) % 7) + 1;
  return parts;
}

}  // namespace morvel
