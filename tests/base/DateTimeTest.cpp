// Day numbers and their calendar dates: encoding and decoding agree, leap
// years and invalid dates, and times before day zero.
#include <gtest/gtest.h>

#include "base/DateTime.h"

namespace morvel {
namespace {

struct DayCase {
  int year, month, day;
  int dayNumber;
  int dayOfWeek;
};

class DayNumbers : public testing::TestWithParam<DayCase> {};

TEST_P(DayNumbers, EncodeAndDecodeAgree) {
  const DayCase& c = GetParam();
  int dayNumber = 0;
  ASSERT_TRUE(tryEncodeDate(c.year, c.month, c.day, dayNumber));
  EXPECT_EQ(dayNumber, c.dayNumber);
  const DateTimeParts parts = decodeDateTime(dayNumber);
  EXPECT_EQ(parts.year, c.year);
  EXPECT_EQ(parts.month, c.month);
  EXPECT_EQ(parts.day, c.day);
  EXPECT_EQ(parts.dayOfWeek, c.dayOfWeek);
}

INSTANTIATE_TEST_SUITE_P(Table, DayNumbers,
                         testing::Values(DayCase{1899, 12, 30, 0, 7}, DayCase{1899, 12, 31, 1, 1},
                                         DayCase{1899, 12, 29, -1, 6}, DayCase{1900, 3, 1, 61, 5},
                                         DayCase{2000, 2, 29, 36585, 3},
                                         DayCase{2000, 12, 22, 36882, 6},
                                         DayCase{1, 1, 1, kMinDayNumber, 2},
                                         DayCase{9999, 12, 31, kMaxDayNumber, 6}));

TEST(Calendar, LeapYearsAndInvalidDates) {
  EXPECT_TRUE(isLeapYear(2000));
  EXPECT_TRUE(isLeapYear(2024));
  EXPECT_FALSE(isLeapYear(1900));
  EXPECT_FALSE(isLeapYear(2023));
  int day = 0;
  EXPECT_FALSE(tryEncodeDate(1900, 2, 29, day));
  EXPECT_FALSE(tryEncodeDate(0, 1, 1, day));
  EXPECT_FALSE(tryEncodeDate(10000, 1, 1, day));
  EXPECT_FALSE(tryEncodeDate(2000, 4, 31, day));
  DateTime time = 0;
  EXPECT_FALSE(tryEncodeTime(24, 0, 0, 0, time));
  EXPECT_FALSE(tryEncodeTime(0, 0, 0, 1000, time));
}

TEST(SplitDateTime, CountsTheTimeForwardsBeforeDayZeroAndRoundsToTheMillisecond) {
  for (const int day : {-693593, -2, -1, 0, 1, 36882, 2958465}) {
    for (const int ms : {0, 1, 500, 43'200'000, 86'399'999}) {
      const DayAndTime split = splitDateTime(joinDateTime(day, ms));
      EXPECT_EQ(split.dayNumber, day) << day << " " << ms;
      EXPECT_EQ(split.msOfDay, ms) << day << " " << ms;
    }
  }
  EXPECT_EQ(joinDateTime(-1, 21'600'000), -1.25);
  const DayAndTime rounded = splitDateTime(2 - 0.4 / kMsPerDay);
  EXPECT_EQ(rounded.dayNumber, 2);
  EXPECT_EQ(rounded.msOfDay, 0);
}

}  // namespace
}  // namespace morvel
