// The program-wide format settings that every date text conversion follows:
// separators, date and time formats, day and month names and the two-digit
// year window, read from the user's locale.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <string_view>

#include "base/Clock.h"

namespace morvel {

// How the locale writes the hour: the built time formats follow it.
struct ClockStyle {
  bool leadingZeroHours = true;
  bool twelveHour = false;
  // On a 12-hour clock: the am/pm marker comes before the time.
  bool markerFirst = false;
};

// The raw items of a locale, as the C library's nl_langinfo gives them (the
// formats use strftime's % directives). An empty item means the locale does
// not say; the settings then keep their default for it.
struct LocaleItems {
  std::string dateFormat;                       // D_FMT
  std::string timeFormat;                       // T_FMT
  std::string timeFormatAmPm;                   // T_FMT_AMPM, used when T_FMT is "%r"
  std::string amString;                         // AM_STR
  std::string pmString;                         // PM_STR
  std::string decimalPoint;                     // RADIXCHAR
  std::array<std::string, 12> shortMonthNames;  // ABMON_1..12
  std::array<std::string, 12> longMonthNames;   // MON_1..12
  std::array<std::string, 7> shortDayNames;     // ABDAY_1..7, Sunday first
  std::array<std::string, 7> longDayNames;      // DAY_1..7
};

// The format letters of the date and time formats are those of
// formatDateTimeText (DateText.h). A default-constructed FormatSettings holds
// the defaults that stand in for anything a locale does not give: "/",
// "m/d/yy", "mmmm d, yyyy", ":", "am"/"pm", a 24-hour clock with leading
// zeros ("hh:mm", "hh:mm:ss"), ".", English names, a century window of 50
// and the system clock.
struct FormatSettings {
  FormatSettings();

  char dateSep = '/';
  std::string dateFormatShort = "m/d/yy";
  std::string dateFormatLong = "mmmm d, yyyy";
  char timeSep = ':';
  std::string amMarker = "am";
  std::string pmMarker = "pm";
  // Built from a ClockStyle by buildTimeFormats, never read from the locale.
  std::string timeFormatShort = "hh:mm";
  std::string timeFormatLong = "hh:mm:ss";
  char decimalSep = '.';
  std::array<std::string, 12> shortMonthNames;
  std::array<std::string, 12> longMonthNames;
  std::array<std::string, 7> shortDayNames;  // Sunday first
  std::array<std::string, 7> longDayNames;
  // Two-digit years fall within the 100 years from (current year -
  // centuryWindow); the CSV import sets 20. Locale reading leaves it alone.
  int centuryWindow = 50;
  // Tells the current year; never null.
  std::shared_ptr<const Clock> clock;

  int currentYear() const { return clock->currentYear(); }

  // timeFormatShort := [marker prefix] hour ":mm" [marker suffix] and
  // timeFormatLong := [marker prefix] hour ":mm:ss" [marker suffix], where the
  // hour is "hh" or "h" and the marker "AMPM " before or " AMPM" after.
  void buildTimeFormats(const ClockStyle& style);

  // Replaces every locale-given setting by the locale's items, translated to
  // format letters, falling back to the defaults item by item. centuryWindow
  // and clock are kept.
  void applyLocaleItems(const LocaleItems& items);

  // Reads the named locale's LC_TIME (and the decimal point of LC_NUMERIC)
  // and applies it; "" names the user's locale from the environment. The
  // "C"/"POSIX" locales carry no regional choice, so they give the defaults.
  // Returns false, leaving the defaults, when the locale cannot be loaded.
  // The process's own locale is never changed.
  bool readFromLocale(const char* localeName = "");
};

// The program's one set of settings, read from the user's locale on first use.
// Read it again (readFromLocale) when the user's regional settings change.
FormatSettings& formatSettings();

}  // namespace morvel
