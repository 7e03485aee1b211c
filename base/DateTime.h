// Date-time values: a double counting days from 30 December 1899 (day 0), the
// fraction being the time of day. Before day 0 the fraction still counts
// forwards from midnight, so such a value is day - time (day -1 at 06:00 is
// -1.25). Valid dates are the years 1 to 9999 of the proleptic Gregorian
// calendar.
#pragma once

#include <cstdint>

namespace morvel {

using DateTime = double;

constexpr std::int64_t kMsPerDay = 86'400'000;
// Day numbers of 1 January 1 and 31 December 9999.
constexpr int kMinDayNumber = -693'593;
constexpr int kMaxDayNumber = 2'958'465;

bool isLeapYear(int year);
// Days in the month (1 to 12) of the year; 0 for a month outside 1 to 12.
int daysInMonth(int year, int month);

// The day number of a calendar date, or false when the date is not valid
// (year 1 to 9999, month 1 to 12, day within the month).
bool tryEncodeDate(int year, int month, int day, int& dayNumber);
// The fraction of a day for a time of day, or false when a part is out of
// range (hour 0 to 23, minute and second 0 to 59, millisecond 0 to 999).
bool tryEncodeTime(int hour, int minute, int second, int millisecond, DateTime& time);
// A date and a time of day as one value: day + time, or day - time before
// day 0.
DateTime combineDateTime(int dayNumber, DateTime time);

// A value as whole day number and milliseconds of that day, after rounding it
// to the nearest millisecond (so 0.99999999999 is day 1 at midnight). Like
// decodeDateTime it never fails: not-a-number is day 0 and values beyond the
// years 1 to 9999 give the nearest end of the range.
struct DayAndTime {
  int dayNumber = 0;
  int msOfDay = 0;
};
DayAndTime splitDateTime(DateTime value);
// The value of a day number and milliseconds of the day (0 to 86 399 999).
DateTime joinDateTime(int dayNumber, int msOfDay);

// A value broken into its parts, after rounding it to the nearest
// millisecond. dayOfWeek is 1 (Sunday) to 7 (Saturday).
struct DateTimeParts {
  int year = 1899;
  int month = 12;
  int day = 30;
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
  int dayOfWeek = 7;
  int dayNumber = 0;
};

// Never fails, as splitDateTime, so that showing garbage can never crash.
DateTimeParts decodeDateTime(DateTime value);

}  // namespace morvel
