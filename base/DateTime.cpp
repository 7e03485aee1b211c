// Calendar arithmetic for date-time values; see DateTime.h.
#include "base/DateTime.h"

#include <cmath>

namespace morvel {

namespace {

// Day 0 (30 December 1899) counted from 1 January 1970, the epoch of the
// civil-calendar conversions below.
constexpr int kDayZeroFromEpoch = -25'569;

// Days from 1 January 1970 to a proleptic Gregorian date, by eras of 400
// years (146 097 days) whose years start on 1 March, so the leap day is last.
int daysFromCivil(int y, int m, int d) {
  y -= m <= 2;
  const int era = (y >= 0 ? y : y - 399) / 400;
  const int yearOfEra = y - era * 400;
  const int dayOfYear = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146'097 + dayOfEra - 719'468;
}

// The inverse of daysFromCivil. Every day number in the years 1 to 9999 fits
// an int here, and 32-bit arithmetic keeps this cheap enough to run per
// formatted value.
void civilFromDays(int z, int& year, int& month, int& day) {
  z += 719'468;
  const int era = (z >= 0 ? z : z - 146'096) / 146'097;
  const int dayOfEra = z - era * 146'097;
  const int yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36'524 - dayOfEra / 146'096) / 365;
  const int dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const int mp = (5 * dayOfYear + 2) / 153;
  day = dayOfYear - (153 * mp + 2) / 5 + 1;
  month = mp < 10 ? mp + 3 : mp - 9;
  year = yearOfEra + era * 400 + (month <= 2);
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
  dayNumber = daysFromCivil(year, month, day) - kDayZeroFromEpoch;
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
  // Rounds half up; magnitude is never negative.
  const std::int64_t total = static_cast<std::int64_t>(magnitude + 0.5);
  const std::int64_t day = total / kMsPerDay;
  return DayAndTime{static_cast<int>(negative ? -day : day), static_cast<int>(total % kMsPerDay)};
}

DateTime joinDateTime(int dayNumber, int msOfDay) {
  return combineDateTime(dayNumber, static_cast<double>(msOfDay) / static_cast<double>(kMsPerDay));
}

DateTimeParts decodeDateTime(DateTime value) {
  const DayAndTime split = splitDateTime(value);
  const int day = split.dayNumber;
  const int ms = split.msOfDay;

  DateTimeParts parts;
  parts.dayNumber = day;
  civilFromDays(day + kDayZeroFromEpoch, parts.year, parts.month, parts.day);
  parts.hour = ms / 3'600'000;
  parts.minute = ms / 60'000 % 60;
  parts.second = ms / 1000 % 60;
  parts.millisecond = ms % 1000;
  // Day 0 was a Saturday.
  parts.dayOfWeek = ((day + 6) % 7 + 7) % 7 + 1;
  return parts;
}

}  // namespace morvel
