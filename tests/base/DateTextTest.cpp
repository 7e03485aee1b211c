// Date texts both ways: reading dates and times by the locale's order and
// two-digit year window, and writing them by format letters, twelve-hour
// markers and the short and general forms.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <optional>
#include <random>

#include "base/DateText.h"
#include "base/Exception.h"
#include "tests/TestSupport.h"

namespace morvel {
namespace {

using testing_support::printableBytes;

FormatSettings ukSettings() { return testing_support::ukFormatSettings(); }

DateTime dateOf(int year, int month, int day) {
  int dayNumber = 0;
  EXPECT_TRUE(tryEncodeDate(year, month, day, dayNumber)) << year << "-" << month << "-" << day;
  return dayNumber;
}

DateTime at(int year, int month, int day, int hour, int minute, int second = 0, int ms = 0) {
  DateTime time = 0;
  EXPECT_TRUE(tryEncodeTime(hour, minute, second, ms, time));
  return combineDateTime(static_cast<int>(dateOf(year, month, day)), time);
}

// Which of the three rules a case runs through.
enum Rule { kDate, kTime, kDateTime };

struct ParseCase {
  Rule rule;
  std::string text;
  std::optional<DateTime> value;  // none: the text must be refused
};

void PrintTo(const ParseCase& c, std::ostream* os) {
  *os << c.rule << " '" << printableBytes(c.text) << "'";
}

class ParseUk : public testing::TestWithParam<ParseCase> {};

TEST_P(ParseUk, ConvertsOrRefusesWithTheRuleMessage) {
  const ParseCase& c = GetParam();
  const FormatSettings s = ukSettings();
  auto convert = [&] {
    switch (c.rule) {
      case kDate:
        return textToDate(c.text, s);
      case kTime:
        return textToTime(c.text, s);
      default:
        return textToDateTime(c.text, s);
    }
  };
  if (c.value) {
    EXPECT_NEAR(convert(), *c.value, 1e-9);
    return;
  }
  static const char* const kMessages[] = {"' is not a valid date", "' is not a valid time",
                                          "' is not a valid date and time"};
  try {
    convert();
    FAIL() << "accepted";
  } catch (const ConvertError& e) {
    EXPECT_EQ(e.message(), "'" + c.text + kMessages[c.rule]);
  }
}

INSTANTIATE_TEST_SUITE_P(Dates, ParseUk,
                         testing::Values(ParseCase{kDate, "31/12/99", dateOf(2099, 12, 31)},
                                         ParseCase{kDate, "01/01/04", dateOf(2004, 1, 1)},
                                         ParseCase{kDate, "01/01/03", dateOf(2103, 1, 1)},
                                         ParseCase{kDate, "31/12/1999", dateOf(1999, 12, 31)},
                                         ParseCase{kDate, "1/1/0099", dateOf(99, 1, 1)},
                                         ParseCase{kDate, "29/02/24", dateOf(2024, 2, 29)},
                                         ParseCase{kDate, "29/02/2100", std::nullopt},
                                         ParseCase{kDate, "29/02/2000", dateOf(2000, 2, 29)},
                                         ParseCase{kDate, "31/02/99", std::nullopt},
                                         ParseCase{kDate, "00/01/99", std::nullopt},
                                         ParseCase{kDate, "01/13/99", std::nullopt},
                                         ParseCase{kDate, "1/1/0", dateOf(2100, 1, 1)},
                                         ParseCase{kDate, "31/12", dateOf(2024, 12, 31)},
                                         ParseCase{kDate, "31/12/99/", dateOf(2099, 12, 31)},
                                         ParseCase{kDate, " 31 / 12 / 99 ", dateOf(2099, 12, 31)},
                                         ParseCase{kDate, "0031/0012/00099", dateOf(99, 12, 31)},
                                         ParseCase{kDate, "31/12/", std::nullopt},
                                         ParseCase{kDate, "31/12/99//", std::nullopt},
                                         ParseCase{kDate, "31.12.99", std::nullopt},
                                         ParseCase{kDate, "31/12/99 10:00", std::nullopt},
                                         ParseCase{kDate, "\t31/12/99", std::nullopt},
                                         ParseCase{kDate, "", std::nullopt},
                                         ParseCase{kDate, "12345/1/1", std::nullopt},
                                         ParseCase{kDate, "1/1/10000", std::nullopt},
                                         ParseCase{kDate, "\xff/1/1", std::nullopt}));

INSTANTIATE_TEST_SUITE_P(
    Times, ParseUk,
    testing::Values(ParseCase{kTime, "15:09", at(1899, 12, 30, 15, 9)},
                    ParseCase{kTime, "7", at(1899, 12, 30, 7, 0)},
                    ParseCase{kTime, "23:59:59.999", at(1899, 12, 30, 23, 59, 59, 999)},
                    ParseCase{kTime, "3:09 pm", at(1899, 12, 30, 15, 9)},
                    ParseCase{kTime, "PM 3:09", at(1899, 12, 30, 15, 9)},
                    ParseCase{kTime, "12:30 am", at(1899, 12, 30, 0, 30)},
                    ParseCase{kTime, "12:30 PM", at(1899, 12, 30, 12, 30)},
                    ParseCase{kTime, "13:00 pm", std::nullopt},
                    ParseCase{kTime, "0:10 am", std::nullopt},
                    ParseCase{kTime, "24:00", std::nullopt},
                    ParseCase{kTime, "10:60", std::nullopt}, ParseCase{kTime, "10:", std::nullopt},
                    ParseCase{kTime, "10:00:00.", std::nullopt},
                    ParseCase{kTime, "10:00 x", std::nullopt}));

INSTANTIATE_TEST_SUITE_P(
    DateTimes, ParseUk,
    testing::Values(ParseCase{kDateTime, "31/12/99 10:00", at(2099, 12, 31, 10, 0)},
                    ParseCase{kDateTime, "22/12/00 15:09", at(2100, 12, 22, 15, 9)},
                    ParseCase{kDateTime, "22/12/00", dateOf(2100, 12, 22)},
                    ParseCase{kDateTime, "15:09", at(1899, 12, 30, 15, 9)},
                    ParseCase{kDateTime, "22/12/00 3:09 pm", at(2100, 12, 22, 15, 9)},
                    ParseCase{kDateTime, "22/12/00 15:09 trailing", at(2100, 12, 22, 15, 9)},
                    ParseCase{kDateTime, "22/12/00 25:00", std::nullopt},
                    ParseCase{kDateTime, "22/12/00 x", std::nullopt},
                    ParseCase{kDateTime, "29/12/1899 06:00", -1.25},
                    ParseCase{kDateTime, "", std::nullopt}));

TEST(DateOrder, MonthDayYearAndYearMonthDayLocales) {
  FormatSettings s = ukSettings();
  s.dateFormatShort = "m/d/yy";
  DateTime v = 0;
  EXPECT_FALSE(tryTextToDate("22/12/00", v, s));
  EXPECT_EQ(textToDate("12/22/00", s), dateOf(2100, 12, 22));
  EXPECT_EQ(textToDate("12/22", s), dateOf(2024, 12, 22));

  s.dateFormatShort = "yyyy-mm-dd";
  s.dateSep = '-';
  EXPECT_EQ(textToDate("2000-12-22", s), dateOf(2000, 12, 22));
  EXPECT_EQ(textToDate("04-1-2", s), dateOf(2004, 1, 2));
  // Without a year the first number is the month, as in month-day-year.
  EXPECT_EQ(textToDate("12-22", s), dateOf(2024, 12, 22));
  EXPECT_FALSE(tryTextToDate("22-12-2000", v, s));
}

TEST(CenturyWindow, FollowsTheCurrentYearAndWindow) {
  FormatSettings s = ukSettings();
  s.clock = std::make_shared<FixedYearClock>(2001);
  EXPECT_EQ(textToDate("01/01/81", s), dateOf(1981, 1, 1));
  EXPECT_EQ(textToDate("31/12/80", s), dateOf(2080, 12, 31));
  s.centuryWindow = 0;
  EXPECT_EQ(textToDate("01/01/81", s), dateOf(2081, 1, 1));
}

TEST(TwelveHourMarkers, LocaleMarkersAreAcceptedBeforeAndAfter) {
  FormatSettings s = ukSettings();
  s.amMarker = "vorm.";
  s.pmMarker = "nachm.";
  EXPECT_NEAR(textToTime("nachm. 3:09", s), at(1899, 12, 30, 15, 9), 1e-9);
  EXPECT_NEAR(textToTime("3:09 VORM.", s), at(1899, 12, 30, 3, 9), 1e-9);
  EXPECT_NEAR(textToTime("3:09 pm", s), at(1899, 12, 30, 15, 9), 1e-9);
  s.amMarker.clear();
  EXPECT_NEAR(textToTime("3:09", s), at(1899, 12, 30, 3, 9), 1e-9);
}

// Nearly every date in a file is "nn/nn/nn" or "nn/nn/nn nn:nn", and those
// are read by a shorter way than other texts. A blank in front sends the same
// text the long way, which skips it: both must agree on every such text,
// valid or not, under every order, separator and window.
TEST(CommonShapes, ReadExactlyAsTheGeneralRulesDo) {
  std::mt19937 random(20240612);
  auto digit = [&](int high) { return static_cast<char>('0' + random() % (high + 1)); };
  struct Settings {
    std::string order;
    char dateSep;
    char timeSep;
    std::string am;
    int window;
  };
  const Settings variants[] = {
      {"dd/mm/yy", '/', ':', "AM", 20},     {"m/d/yy", '/', ':', "am", 50},
      {"yyyy-mm-dd", '-', '.', "vorm.", 0}, {"dd.mm.yy", '.', '.', "", -5},
      {"dd/mm/yy", '/', '/', "1", 20},      {"dd mm yy", ' ', ':', "AM", 20},
      {"dd5mm5yy", '5', ':', "AM", 20}};
  for (const Settings& v : variants) {
    FormatSettings s = ukSettings();
    s.dateFormatShort = v.order;
    s.dateSep = v.dateSep;
    s.timeSep = v.timeSep;
    s.amMarker = v.am;
    s.centuryWindow = v.window;
    for (int i = 0; i < 4000; ++i) {
      std::string date{digit(3), digit(9),  v.dateSep, digit(1),
                       digit(9), v.dateSep, digit(9),  digit(9)};
      // Now and then a byte that is not a digit, or another separator.
      if (random() % 8 == 0) date[random() % date.size()] = "/-. 9xA"[random() % 7];
      std::string dateTime =
          date + ' ' + std::string{digit(2), digit(9), v.timeSep, digit(6), digit(9)};
      if (random() % 8 == 0) dateTime[8 + random() % 6] = " :.5"[random() % 4];
      for (const bool withTime : {false, true}) {
        const std::string& text = withTime ? dateTime : date;
        DateTime quick = -1e9, general = -1e9;
        const bool read =
            withTime ? tryTextToDateTime(text, quick, s) : tryTextToDate(text, quick, s);
        const bool readBehindBlank = withTime ? tryTextToDateTime(" " + text, general, s)
                                              : tryTextToDate(" " + text, general, s);
        ASSERT_EQ(read, readBehindBlank) << v.order << " '" << text << "'";
        ASSERT_EQ(std::memcmp(&quick, &general, sizeof quick), 0)
            << v.order << " '" << text << "' " << quick << " " << general;
      }
    }
  }
}

// Formats whose every token writes as many characters whatever the value
// are written by filling the value's digits into the format's text ("c"
// has one such text for values with a time of day and one without). A day
// name after them makes a format that is written token by token: its text
// must start with exactly what the short way wrote.
TEST(FixedWidthFormats, WriteWhatTheTokensWrite) {
  const FormatSettings s = ukSettings();
  const std::string formats[] = {"dd/mm/yy hh:nn:ss",
                                 "ddddd tt",
                                 "yyyy-mm-dd",
                                 "hh:nn:ss.zzz",
                                 "dd.mm.yyyy",
                                 "'at' hh\"h\"nn",
                                 "yy",
                                 "dd/mm/yy",
                                 "c",
                                 "yyyy c hh"};
  std::mt19937_64 random(7);
  std::uniform_real_distribution<double> values(-693593.0, 2958465.99999);
  for (int i = 0; i < 20000; ++i) {
    DateTime value = values(random);
    if (i % 4 == 0) value = std::floor(value);  // midnights too
    for (const std::string& format : formats) {
      const std::string shortWay = formatDateTimeText(format, value, s);
      const std::string longWay = formatDateTimeText(format + "'|'ddd", value, s);
      ASSERT_EQ(shortWay, longWay.substr(0, longWay.rfind('|'))) << format << " " << value;
    }
  }
  // A formatter kept for a column writes the same.
  const DateTimeFormatter column("ddddd tt", s);
  std::string text;
  column.format(text, 36525.5);
  EXPECT_EQ(text, formatDateTimeText("ddddd tt", 36525.5, s));
}

// A formatter compiled once writes what the general formatter writes for
// the same format and settings: fixed-width formats (filled in by digits),
// formats with names, am/pm markers, literal text and the general forms,
// over random values, midnights, and the first and last days there are.
class DateTimeFormatterAgrees : public ::testing::TestWithParam<std::string> {};

TEST_P(DateTimeFormatterAgrees, WithTheGeneralFormatter) {
  FormatSettings uk = ukSettings();
  FormatSettings us = ukSettings();
  us.dateSep = '-';
  us.timeSep = '.';
  us.dateFormatShort = "m/d/yyyy";
  us.amMarker = "AM";
  us.pmMarker = "PM";
  us.timeFormatShort = "h:mm AMPM";
  us.timeFormatLong = "h:mm:ss AMPM";
  // Settings whose date and time formats each read the other's parts.
  FormatSettings mixed = ukSettings();
  mixed.dateFormatShort = "dd/mm hh";
  mixed.timeFormatLong = "hh:nn:ss yyyy";
  const std::string& format = GetParam();
  for (const FormatSettings* settings : {&uk, &us, &mixed}) {
    const DateTimeFormatter formatter(format, *settings);
    DateTimeColumnFormatter column(format, *settings);
    std::vector<DateTime> values = {0.0,       0.5,           -0.25,   1.0 / 86400.0, -693593.0,
                                    2958465.0, 2958465.99999, 36525.0, 36525.9999,    36892.041666};
    std::mt19937_64 random(11);
    std::uniform_real_distribution<double> anyDay(-693593.0, 2958465.99999);
    for (int i = 0; i < 3000; ++i) {
      const DateTime value = anyDay(random);
      values.push_back(i % 3 == 0 ? std::floor(value) : value);  // midnights too
    }
    // A column's values, which repeat days and seconds (some a millisecond
    // apart), on both sides of day 0.
    for (int i = 0; i < 3000; ++i) {
      const int day = static_cast<int>(random() % 40) - 10 + (i % 2 == 0 ? 36500 : 0);
      const int ms = static_cast<int>(random() % 6) * 3'600'000 +
                     static_cast<int>(random() % 3) * 999 +
                     (i % 5 == 0 ? 0 : 1000 * static_cast<int>(random() % 3));
      values.push_back(joinDateTime(day, ms));
    }
    std::string kept;
    for (const DateTime value : values) {
      const std::string expected = formatDateTimeText(format, value, *settings);
      const auto where = [&] {
        return "format '" + format + "', value " + std::to_string(value) +
               (settings == &us      ? " (us)"
                : settings == &mixed ? " (mixed)"
                                     : "");
      };
      formatter.format(kept, value);
      ASSERT_EQ(kept, expected) << where();
      ASSERT_EQ(column.text(value), expected) << where() << " (column)";
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, DateTimeFormatterAgrees,
                         ::testing::Values("", "c", "ddddd tt", "ddddd", "tt", "t",
                                           "dd/mm/yy hh:nn:ss", "yyyy-mm-dd", "d/m/yy h:n:s",
                                           "hh:nn:ss.zzz", "z", "hh:nn am/pm", "h:nn a/p", "h ampm",
                                           "ddd dddd mmm mmmm", "'at' hh\"h\"nn", "yy", "yyyy",
                                           "dd.mm.yyyy", "dd/mm/yyyy hh:mm", "mm/dd/yy", "dddddd",
                                           "[x] dd 'q''s' nn", "/ : /", "hh:nn dd/mm", "dd hh dd",
                                           "ddd hh:nn", "tt ddddd", "c tt", "hh ddd"));

TEST(DateTimeFormatter, KeepsItsFormatWhileManyOthersAreUsed) {
  const FormatSettings s = ukSettings();
  const DateTimeFormatter formatter("dd/mm/yy hh:nn:ss", s);
  std::string text;
  for (int i = 0; i < 500; ++i) {
    std::string other = "yyyy '";
    other += std::to_string(i);
    other += '\'';
    formatDateTimeText(other, 36525.5, s);
  }
  formatter.format(text, at(2000, 12, 25, 13, 44, 5));
  EXPECT_EQ(text, "25/12/00 13:44:05");
}

struct FormatCase {
  std::string format;
  std::string text;
};

void PrintTo(const FormatCase& c, std::ostream* os) {
  *os << "'" << printableBytes(c.format) << "'";
}

class FormatTokens : public testing::TestWithParam<FormatCase> {};

// Wednesday 5 January 2005, 15:04:09.007.
TEST_P(FormatTokens, WriteTheirPartOfTheValue) {
  FormatSettings s = ukSettings();
  s.dateSep = '-';
  s.timeSep = '.';
  EXPECT_EQ(formatDateTimeText(GetParam().format, at(2005, 1, 5, 15, 4, 9, 7), s), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Table, FormatTokens,
    testing::Values(FormatCase{"", "05-01-05 15.04.09"}, FormatCase{"c", "05-01-05 15.04.09"},
                    FormatCase{"d dd ddd dddd", "5 05 Wed Wednesday"},
                    FormatCase{"ddddd", "05-01-05"}, FormatCase{"dddddd", "January 5, 2005"},
                    FormatCase{"m mm mmm mmmm", "1 01 Jan January"},
                    FormatCase{"mmmmmm", "January"}, FormatCase{"y yy yyy yyyy", "05 05 2005 2005"},
                    FormatCase{"h:m hh:mm", "15.4 15.04"}, FormatCase{"hh/m", "15-4"},
                    FormatCase{"hh:nn:ss m", "15.04.09 1"}, FormatCase{"n nn s ss", "4 04 9 09"},
                    FormatCase{"z zz zzz", "7 07 007"}, FormatCase{"t|tt", "15.04|15.04.09"},
                    FormatCase{"h am/pm", "3 pm"}, FormatCase{"h AM/PM", "3 PM"},
                    FormatCase{"h a/p", "3 p"}, FormatCase{"ampm h", "pm 3"},
                    FormatCase{"am/pm hh", "pm 03"}, FormatCase{"hh 'x' ampm hh", "03 x pm 03"},
                    FormatCase{"hh hh ampm", "15 03 pm"}, FormatCase{"hh \"am/pm\"", "15 am/pm"},
                    FormatCase{"aaa aaaa", "Wed Wednesday"}, FormatCase{"a aa", "a aa"},
                    FormatCase{"'d/m' \"yy\" 'open", "d/m yy open"},
                    FormatCase{"DD/MM/YYYY", "05-01-2005"}, FormatCase{"x1q!", "x1q!"},
                    // Only a letter token just before makes "m" minutes: a
                    // literal letter ("a" included) parts them, quoted text
                    // and separators do not.
                    FormatCase{"h a mm", "15 a 01"}, FormatCase{"h x mm", "15 x 01"},
                    FormatCase{"h am mm", "15 a1 01"}, FormatCase{"h aa m", "15 aa 1"},
                    FormatCase{"h 'a' mm", "15 a 04"}, FormatCase{"h aaa mm", "15 Wed 01"},
                    FormatCase{"h am/pm mm", "3 pm 01"}, FormatCase{"hh.mm", "15.04"}));

struct TimePartCase {
  std::string format;
  bool twelveHour;
  std::string atMidnight;  // 1 March 2025, 00:00
  std::string atTime;      // 1 March 2025, 15:04:09
};

void PrintTo(const TimePartCase& c, std::ostream* os) {
  *os << "'" << printableBytes(c.format) << "'" << (c.twelveHour ? " 12h" : " 24h");
}

class FormatAfterTimePart : public testing::TestWithParam<TimePartCase> {};

// "c" writes the long time only when the value has one. What its time part
// would have written (an am/pm marker, an hour token before "m") counts for
// the tokens after it only when it was written.
TEST_P(FormatAfterTimePart, FollowsWhatTheTimePartWrote) {
  FormatSettings s = ukSettings();
  s.buildTimeFormats(ClockStyle{false, GetParam().twelveHour, false});
  EXPECT_EQ(formatDateTimeText(GetParam().format, dateOf(2025, 3, 1), s), GetParam().atMidnight);
  EXPECT_EQ(formatDateTimeText(GetParam().format, at(2025, 3, 1, 15, 4, 9), s), GetParam().atTime);
}

INSTANTIATE_TEST_SUITE_P(
    Table, FormatAfterTimePart,
    testing::Values(TimePartCase{"c hh", true, "01/03/25 00", "01/03/25 3:04:09 pm 03"},
                    TimePartCase{"c h:mm", true, "01/03/25 0:00", "01/03/25 3:04:09 pm 3:04"},
                    TimePartCase{"c hh", false, "01/03/25 00", "01/03/25 15:04:09 15"},
                    TimePartCase{"ct", true, "01/03/2512:00 am", "01/03/25 3:04:09 pm3:04 pm"},
                    TimePartCase{"ct", false, "01/03/250:00", "01/03/25 15:04:0915:04"},
                    TimePartCase{"c hh ampm", true, "01/03/25 12 am", "01/03/25 3:04:09 pm 03 pm"},
                    TimePartCase{"hh c hh", true, "00 01/03/25 00", "15 01/03/25 3:04:09 pm 03"},
                    TimePartCase{"c x hh", true, "01/03/25 x 00", "01/03/25 3:04:09 pm x 03"},
                    TimePartCase{"c c hh", true, "01/03/25 01/03/25 00",
                                 "01/03/25 3:04:09 pm 01/03/25 3:04:09 pm 03"}));

// A time part that ends in an hour leaves "m" after it minutes only when it
// was written.
TEST(FormatDateTime, MonthOrMinuteAfterTheTimePartFollowsWhatItWrote) {
  FormatSettings s = ukSettings();
  s.timeFormatLong = "hh";
  EXPECT_EQ(formatDateTimeText("c m", dateOf(2025, 3, 1), s), "01/03/25 3");
  EXPECT_EQ(formatDateTimeText("c m", at(2025, 3, 1, 15, 4, 9), s), "01/03/25 15 4");
}

TEST(FormatDateTime, GeneralFormShowsTimeOnlyWhenThereIsOne) {
  const FormatSettings s = ukSettings();
  EXPECT_EQ(dateTimeToText(at(2000, 12, 22, 15, 9), s), "22/12/00 15:09:00");
  EXPECT_EQ(dateTimeToText(dateOf(2000, 12, 22), s), "22/12/00");
  EXPECT_EQ(dateTimeToText(at(2000, 12, 22, 0, 0, 0, 500), s), "22/12/00");
  EXPECT_EQ(dateToText(at(2000, 12, 22, 15, 9), s), "22/12/00");
}

TEST(FormatDateTime, ShortDateFormats) {
  FormatSettings s = ukSettings();
  EXPECT_EQ(dateToText(dateOf(2004, 1, 1), s), "01/01/04");
  s.dateFormatShort = "d/m/yyyy";
  EXPECT_EQ(dateToText(dateOf(2004, 1, 1), s), "1/1/2004");
  EXPECT_EQ(dateToText(dateOf(9, 1, 1), s), "1/1/0009");
}

TEST(FormatDateTime, TwelveHourTimeFormatsShowMarkers) {
  FormatSettings s = ukSettings();
  s.buildTimeFormats(ClockStyle{false, true, false});
  EXPECT_EQ(s.timeFormatLong, "h:mm:ss AMPM");
  EXPECT_EQ(dateTimeToText(at(2000, 12, 22, 0, 5), s), "22/12/00 12:05:00 am");
  EXPECT_EQ(dateTimeToText(at(2000, 12, 22, 13, 5), s), "22/12/00 1:05:00 pm");
  s.buildTimeFormats(ClockStyle{true, true, true});
  EXPECT_EQ(s.timeFormatShort, "AMPM hh:mm");
  EXPECT_EQ(formatDateTimeText("t", at(2000, 12, 22, 12, 5), s), "pm 12:05");
}

TEST(FormatDateTime, RoundsToTheMillisecondAndHandlesDaysBeforeZero) {
  const FormatSettings s = ukSettings();
  const DateTime almostMidnight = dateOf(2000, 12, 22) + (kMsPerDay - 0.4) / kMsPerDay;
  EXPECT_EQ(formatDateTimeText("dd/mm/yyyy hh:nn:ss.zzz", almostMidnight, s),
            "23/12/2000 00:00:00.000");
  EXPECT_EQ(formatDateTimeText("dd/mm/yyyy hh:nn ddd", -1.25, s), "29/12/1899 06:00 Fri");
  EXPECT_EQ(formatDateTimeText("dd/mm/yyyy hh:nn", -0.75, s), "30/12/1899 18:00");
  EXPECT_EQ(dateToText(dateOf(1, 1, 1), s), "01/01/01");
  EXPECT_EQ(formatDateTimeText("yyyy", dateOf(1, 1, 1), s), "0001");
}

TEST(FormatDateTime, ValuesNoConversionMakesStillFormat) {
  const FormatSettings s = ukSettings();
  EXPECT_EQ(formatDateTimeText("dd/mm/yyyy", std::nan(""), s), "30/12/1899");
  EXPECT_EQ(formatDateTimeText("dd/mm/yyyy hh:nn", 1e300, s), "31/12/9999 23:59");
  EXPECT_EQ(formatDateTimeText("dd/mm/yyyy", -1e300, s), "01/01/0001");
}

TEST(FormatDateTime, OutputStopsAt256Characters) {
  const FormatSettings s = ukSettings();
  EXPECT_EQ(formatDateTimeText(std::string(300, 'x'), 0, s), std::string(256, 'x'));
  EXPECT_EQ(formatDateTimeText(std::string(255, 'x') + "yyyy", 0, s), std::string(255, 'x') + "1");
}

TEST(FormatDateTime, ExpandsReferencesTwoLevelsDeep) {
  FormatSettings s = ukSettings();
  s.dateFormatShort = "[c]";
  s.timeFormatLong = "<tt>";
  // c -> [c] -> [[ ]] : the third level is not expanded.
  EXPECT_EQ(formatDateTimeText("c", dateOf(2000, 1, 1), s), "[[]]");
  EXPECT_EQ(formatDateTimeText("tt", dateOf(2000, 1, 1), s), "<<>>");
  EXPECT_EQ(formatDateTimeText("ddddd", dateOf(2000, 1, 1), s), "[[]]");
}

// Formats are taken apart once and kept; the kept form must follow every
// setting that shaped it, and the time a value lacks must not take the text
// after it along.
TEST(FormatDateTime, KeptFormatsFollowTheSettings) {
  FormatSettings uk = ukSettings();
  FormatSettings dashed = ukSettings();
  dashed.dateSep = '-';
  dashed.amMarker = "AM";
  for (int round = 0; round < 2; ++round) {
    EXPECT_EQ(formatDateTimeText("dd/mm/yy ampm", at(2000, 1, 2, 3, 4), uk), "02/01/00 am");
    EXPECT_EQ(formatDateTimeText("dd/mm/yy ampm", at(2000, 1, 2, 3, 4), dashed), "02-01-00 AM");
  }
  EXPECT_EQ(formatDateTimeText("c!", dateOf(2000, 1, 2), uk), "02/01/00!");
  EXPECT_EQ(formatDateTimeText("c!", at(2000, 1, 2, 3, 4), uk), "02/01/00 03:04:00!");
}

}  // namespace
}  // namespace morvel
