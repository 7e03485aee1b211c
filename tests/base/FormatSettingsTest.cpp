// The format settings read from a locale: letters, separators and time
// formats, defaults where the locale says nothing, and translated formats.
#include <gtest/gtest.h>

#include "base/DateText.h"
#include "base/FormatSettings.h"

namespace morvel {
namespace {

LocaleItems itemsWith(std::string dateFormat, std::string timeFormat, std::string am = "",
                      std::string pm = "") {
  LocaleItems items;
  items.dateFormat = std::move(dateFormat);
  items.timeFormat = std::move(timeFormat);
  items.amString = std::move(am);
  items.pmString = std::move(pm);
  return items;
}

struct LocaleCase {
  const char* name;
  LocaleItems items;
  char dateSep;
  std::string dateFormatShort;
  std::string dateFormatLong;
  char timeSep;
  std::string timeFormatShort;
  std::string timeFormatLong;
};

void PrintTo(const LocaleCase& c, std::ostream* os) { *os << c.name; }

class TranslateLocale : public testing::TestWithParam<LocaleCase> {};

TEST_P(TranslateLocale, GivesFormatLettersSeparatorsAndBuiltTimeFormats) {
  const LocaleCase& c = GetParam();
  FormatSettings s;
  s.applyLocaleItems(c.items);
  EXPECT_EQ(s.dateSep, c.dateSep);
  EXPECT_EQ(s.dateFormatShort, c.dateFormatShort);
  EXPECT_EQ(s.dateFormatLong, c.dateFormatLong);
  EXPECT_EQ(s.timeSep, c.timeSep);
  EXPECT_EQ(s.timeFormatShort, c.timeFormatShort);
  EXPECT_EQ(s.timeFormatLong, c.timeFormatLong);
}

INSTANTIATE_TEST_SUITE_P(
    Table, TranslateLocale,
    testing::Values(LocaleCase{"british", itemsWith("%d/%m/%y", "%T", "am", "pm"), '/', "dd/mm/yy",
                               "d mmmm yyyy", ':', "hh:mm", "hh:mm:ss"},
                    LocaleCase{"german", itemsWith("%d.%m.%Y", "%T"), '.', "dd.mm.yyyy",
                               "d mmmm yyyy", ':', "hh:mm", "hh:mm:ss"},
                    LocaleCase{"american",
                               [] {
                                 LocaleItems i = itemsWith("%m/%d/%Y", "%r", "AM", "PM");
                                 i.timeFormatAmPm = "%I:%M:%S %p";
                                 return i;
                               }(),
                               '/', "mm/dd/yyyy", "mmmm d, yyyy", ':', "hh:mm AMPM",
                               "hh:mm:ss AMPM"},
                    LocaleCase{"iso", itemsWith("%F", "%-H.%M"), '-', "yyyy-mm-dd", "yyyy mmmm d",
                               '.', "h:mm", "h:mm:ss"},
                    LocaleCase{"marker first", itemsWith("%Y年%m月%d日", "%p %l時%M分%S秒"), '/',
                               "yyyy年mm月dd日", "yyyy mmmm d", ':', "AMPM h:mm", "AMPM h:mm:ss"},
                    LocaleCase{"literal letters", itemsWith("%e de %B de %Y", "%k:%M"), '/',
                               "d \"de\" mmmm \"de\" yyyy", "d mmmm yyyy", ':', "h:mm", "h:mm:ss"},
                    LocaleCase{"mixed separators", itemsWith("%d-%m/%y", "%H:%M"), '-',
                               "dd-mm\"/\"yy", "d mmmm yyyy", ':', "hh:mm", "hh:mm:ss"},
                    LocaleCase{"nothing given", LocaleItems(), '/', "m/d/yy", "mmmm d, yyyy", ':',
                               "hh:mm", "hh:mm:ss"},
                    LocaleCase{"unknown directive", itemsWith("%d/%Q", "%Q"), '/', "m/d/yy",
                               "mmmm d, yyyy", ':', "hh:mm", "hh:mm:ss"}));

TEST(LocaleItems, MissingMarkersAndNamesKeepTheirDefaults) {
  LocaleItems items = itemsWith("%d/%m/%y", "%T", "", "nachm.");
  items.longMonthNames[0] = "Januar";
  items.decimalPoint = ",";
  FormatSettings s;
  s.applyLocaleItems(items);
  EXPECT_EQ(s.amMarker, "am");
  EXPECT_EQ(s.pmMarker, "nachm.");
  EXPECT_EQ(s.longMonthNames[0], "Januar");
  EXPECT_EQ(s.longMonthNames[1], "February");
  EXPECT_EQ(s.shortDayNames[0], "Sun");
  EXPECT_EQ(s.decimalSep, ',');
}

TEST(LocaleItems, TranslatedFormatsWriteWhatTheLocaleWrites) {
  FormatSettings s;
  s.applyLocaleItems(itemsWith("%e de %B de %Y", "%T"));
  int day = 0;
  ASSERT_TRUE(tryEncodeDate(2005, 1, 5, day));
  EXPECT_EQ(dateToText(day, s), "5 de January de 2005");
  s.applyLocaleItems(itemsWith("%d-%m/%y", "%T"));
  EXPECT_EQ(dateToText(day, s), "05-01/05");
}

// The one test that asks the C library: the plain "C" locale carries no
// regional choice and gives the defaults; a locale that is not installed
// gives them too, reported as a failure.
TEST(ReadFromLocale, PlainAndMissingLocalesGiveTheDefaultsAndKeepTheWindow) {
  FormatSettings s;
  s.centuryWindow = 20;
  s.dateFormatShort = "yyyy";
  EXPECT_TRUE(s.readFromLocale("C"));
  EXPECT_EQ(s.dateFormatShort, "m/d/yy");
  EXPECT_EQ(s.dateSep, '/');
  EXPECT_EQ(s.amMarker, "am");
  EXPECT_EQ(s.timeFormatLong, "hh:mm:ss");
  EXPECT_EQ(s.longDayNames[6], "Saturday");
  EXPECT_EQ(s.centuryWindow, 20);

  s.dateFormatShort = "yyyy";
  EXPECT_FALSE(s.readFromLocale("xx_NO.such-locale"));
  EXPECT_EQ(s.dateFormatShort, "m/d/yy");
  EXPECT_EQ(s.centuryWindow, 20);
}

}  // namespace
}  // namespace morvel
