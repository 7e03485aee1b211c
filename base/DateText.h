// Conversions between text and date-time values, following a set of format
// settings (the program-wide one unless another is given). Parsing throws
// ConvertError or, in the try forms, returns false; formatting never fails.
// None of them allocates beyond the result string.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "base/DateTime.h"
#include "base/FormatSettings.h"

namespace morvel {

// A date in the order of settings.dateFormatShort (day-month-year,
// year-month-day or month-day-year) with settings.dateSep between the parts;
// blanks around the numbers are skipped, the year may be left out (the
// current year) or written with two digits (settings.centuryWindow), and one
// trailing separator is allowed. The result is a whole day number.
// Throws ConvertError "'%s' is not a valid date".
DateTime textToDate(std::string_view text, const FormatSettings& settings = formatSettings());

// A time of day: hour[:minute[:second[.millisecond]]] with settings.timeSep
// and settings.decimalSep, an am/pm marker before or after. The result is the
// fraction of a day. Throws ConvertError "'%s' is not a valid time".
DateTime textToTime(std::string_view text, const FormatSettings& settings = formatSettings());

// A date, optionally followed by a time, or a time alone (on day 0). Text
// after a time that follows a date is not examined. Throws ConvertError
// "'%s' is not a valid date and time".
DateTime textToDateTime(std::string_view text, const FormatSettings& settings = formatSettings());

// The same rules, reporting failure by result; value is left alone then.
bool tryTextToDate(std::string_view text, DateTime& value,
                   const FormatSettings& settings = formatSettings());
bool tryTextToTime(std::string_view text, DateTime& value,
                   const FormatSettings& settings = formatSettings());
bool tryTextToDateTime(std::string_view text, DateTime& value,
                       const FormatSettings& settings = formatSettings());

// The value written by a format (an empty format means "c"). Tokens, letters
// in any case, a run of one letter forming one token:
//   c        short date, then " " and the long time unless h:m:s is 00:00:00
//   d dd     day          ddd dddd   day name    ddddd short date  dddddd long date
//   m mm     month (minutes right after an hour token)  mmm mmmm  month name
//   yy       two-digit year  yyyy  four-digit year
//   h hh     hour (12-hour when an am/pm token comes before, or after it
//            before the next hour token)
//   n nn     minute   s ss  second   z zz zzz  millisecond
//   t tt     short time, long time
//   am/pm a/p  the format's own letters   ampm  settings' markers
//   aaa aaaa day name   / date separator   : time separator
//   "..." '...' literal text; anything else is copied.
// Output stops at 256 characters; formats that name other formats (c, ddddd,
// dddddd, t, tt) are expanded at most two levels deep.
std::string formatDateTimeText(std::string_view format, DateTime value,
                               const FormatSettings& settings = formatSettings());
// The same, written over `out`, whose storage is reused: callers that format
// many values keep one string.
void formatDateTimeText(std::string& out, std::string_view format, DateTime value,
                        const FormatSettings& settings = formatSettings());

// One format read once for many values, as a column of values is written:
// format() writes exactly what formatDateTimeText(out, format, value,
// settings) writes, without looking the format up again. The settings must
// outlive the formatter and stay as they are while it is used.
class DateTimeFormatter {
 public:
  explicit DateTimeFormatter(std::string_view format,
                             const FormatSettings& settings = formatSettings());
  ~DateTimeFormatter();
  DateTimeFormatter(const DateTimeFormatter&) = delete;
  DateTimeFormatter& operator=(const DateTimeFormatter&) = delete;

  void format(std::string& out, DateTime value) const;

 private:
  struct Program;
  std::unique_ptr<const Program> program_;
  const FormatSettings& settings_;
};

// A formatter for a column of values, which repeat few seconds of the day:
// text() is exactly what DateTimeFormatter::format writes. When the format's
// first steps read only the date and the rest only the time of day to the
// second (as "ddddd tt" does with the usual settings), each second's text is
// made once and kept, and only the date's is made per value; a format that
// mixes them, or reads milliseconds, is written value by value. The settings
// must outlive it and stay as they are while it is used.
class DateTimeColumnFormatter {
 public:
  explicit DateTimeColumnFormatter(std::string_view format,
                                   const FormatSettings& settings = formatSettings());
  ~DateTimeColumnFormatter();
  DateTimeColumnFormatter(const DateTimeColumnFormatter&) = delete;
  DateTimeColumnFormatter& operator=(const DateTimeColumnFormatter&) = delete;

  // The text, valid until the next call.
  std::string_view text(DateTime value);

 private:
  struct Memo;
  std::unique_ptr<Memo> memo_;
};

// formatDateTimeText with settings.dateFormatShort.
std::string dateToText(DateTime value, const FormatSettings& settings = formatSettings());
// formatDateTimeText with the empty format: the date alone at midnight, else
// the date, a space and the long time.
std::string dateTimeToText(DateTime value, const FormatSettings& settings = formatSettings());

}  // namespace morvel
