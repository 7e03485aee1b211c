// Date text: the scanning of dates and times and the format interpreter.
#include "base/DateText.h"

#include <algorithm>

#include "base/Exception.h"
#include "base/Format.h"

namespace morvel {

namespace {

char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c; }

// Steps through a text; every primitive first skips spaces (only spaces: the
// date and time rules treat no other byte as a blank).
class Scanner {
 public:
  explicit Scanner(std::string_view text) : text_(text) {}

  bool atEnd() const { return pos_ >= text_.size(); }

  void skipBlanks() {
    while (pos_ < text_.size() && text_[pos_] == ' ') ++pos_;
  }

  // Decimal digits while the value is below 1000 (at most four significant
  // digits, leading zeros unlimited); digits tells how many were read.
  bool number(int& value, int& digits) {
    skipBlanks();
    value = 0;
    digits = 0;
    while (pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9' && value < 1000) {
      value = value * 10 + (text_[pos_] - '0');
      ++digits;
      ++pos_;
    }
    return digits > 0;
  }
  bool number(int& value) {
    int digits;
    return number(value, digits);
  }

  bool character(char c) {
    skipBlanks();
    if (pos_ < text_.size() && text_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }

  // The word, compared without regard to (ASCII) case. An empty word is
  // never accepted.
  bool word(std::string_view w) {
    skipBlanks();
    if (w.empty() || text_.size() - pos_ < w.size()) return false;
    for (std::size_t i = 0; i < w.size(); ++i) {
      if (lowerAscii(text_[pos_ + i]) != lowerAscii(w[i])) return false;
    }
    pos_ += w.size();
    return true;
  }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
};

enum class DateOrder { MonthDayYear, DayMonthYear, YearMonthDay };

// The first of the letters d, y (or e) and m in the short date format.
DateOrder dateOrderOf(std::string_view format) {
  for (const char c : format) {
    switch (lowerAscii(c)) {
      case 'd':
        return DateOrder::DayMonthYear;
      case 'y':
      case 'e':
        return DateOrder::YearMonthDay;
      case 'm':
        return DateOrder::MonthDayYear;
      default:
        break;
    }
  }
  return DateOrder::MonthDayYear;
}

bool scanDate(Scanner& in, const FormatSettings& settings, int& dayNumber) {
  int a, b, digitsA;
  if (!in.number(a, digitsA) || !in.character(settings.dateSep) || !in.number(b)) return false;
  const DateOrder order = dateOrderOf(settings.dateFormatShort);
  int year, month, day;
  if (in.character(settings.dateSep)) {
    int c, digitsC;
    if (!in.number(c, digitsC)) return false;
    int yearDigits = digitsC;
    switch (order) {
      case DateOrder::MonthDayYear:
        month = a, day = b, year = c;
        break;
      case DateOrder::DayMonthYear:
        day = a, month = b, year = c;
        break;
      case DateOrder::YearMonthDay:
        year = a, month = b, day = c;
        yearDigits = digitsA;
        break;
    }
    if (yearDigits <= 2) {
      // The 100 years from (current year - window): with a window of 20 in
      // 2024, 04 is 2004 and 03 is 2103.
      // (The window is bounded only so that no setting can overflow.)
      const int window = std::clamp(settings.centuryWindow, -10000, 10000);
      const int start = settings.currentYear() - window;
      year += start / 100 * 100;
      if (window > 0 && year < start) year += 100;
    }
  } else {
    year = settings.currentYear();
    if (order == DateOrder::DayMonthYear) {
      day = a, month = b;
    } else {
      month = a, day = b;
    }
  }
  in.character(settings.dateSep);
  in.skipBlanks();
  return tryEncodeDate(year, month, day, dayNumber);
}

bool scanTime(Scanner& in, const FormatSettings& settings, DateTime& time) {
  enum { kNone, kAm, kPm };
  auto designator = [&] {
    if (in.word(settings.amMarker) || in.word("AM")) return kAm;
    if (in.word(settings.pmMarker) || in.word("PM")) return kPm;
    return kNone;
  };
  int marker = designator();
  if (marker != kNone) in.skipBlanks();
  int hour;
  int minute = 0, second = 0, millisecond = 0;
  if (!in.number(hour)) return false;
  if (in.character(settings.timeSep)) {
    if (!in.number(minute)) return false;
    if (in.character(settings.timeSep)) {
      if (!in.number(second)) return false;
      if (in.character(settings.decimalSep) && !in.number(millisecond)) return false;
    }
  }
  if (marker == kNone) marker = designator();
  if (marker != kNone) {
    if (hour < 1 || hour > 12) return false;
    if (hour == 12) hour = 0;
    if (marker == kPm) hour += 12;
  }
  in.skipBlanks();
  return tryEncodeTime(hour, minute, second, millisecond, time);
}

[[noreturn]] void raiseConvert(std::string_view pattern, std::string_view text) {
  throw ConvertError(formatMessage(pattern, text));
}

// Writes one value by a format into a fixed buffer of the maximum length, so
// that a call allocates nothing but its result.
class Formatter {
 public:
  static constexpr std::size_t kMaxLength = 256;
  static constexpr int kMaxDepth = 2;

  Formatter(DateTime value, const FormatSettings& settings)
      : parts_(decodeDateTime(value)), settings_(settings) {}

  std::string result() const { return std::string(buffer_, length_); }

  void format(std::string_view f, int depth) {
    std::size_t i = 0;
    while (i < f.size() && length_ < kMaxLength) {
      const char c = f[i];
      if (c == '"' || c == '\'') {
        const std::size_t close = f.find(c, i + 1);
        const std::size_t end = close == std::string_view::npos ? f.size() : close;
        put(f.substr(i + 1, end - i - 1));
        i = end + 1;
        continue;
      }
      const char letter = lowerAscii(c);
      if (letter < 'a' || letter > 'z') {
        if (c == '/') {
          put(settings_.dateSep);
        } else if (c == ':') {
          put(settings_.timeSep);
        } else {
          put(c);
        }
        ++i;
        continue;
      }
      if (letter == 'a') {
        i = formatA(f, i);
        continue;
      }
      std::size_t end = i + 1;
      while (end < f.size() && lowerAscii(f[end]) == letter) ++end;
      formatRun(f, letter, static_cast<int>(end - i), end, depth);
      i = end;
    }
  }

 private:
  void put(char c) {
    if (length_ < kMaxLength) buffer_[length_++] = c;
  }
  void put(std::string_view s) {
    const std::size_t n = std::min(s.size(), kMaxLength - length_);
    s.copy(buffer_ + length_, n);
    length_ += n;
  }
  void putNumber(int value, int minDigits) {
    // Most numbers are days, months, hours and the like: two digits at most,
    // written directly when they fit.
    if (value < 100 && minDigits <= 2 && length_ + 2 <= kMaxLength) {
      if (value >= 10 || minDigits == 2) buffer_[length_++] = static_cast<char>('0' + value / 10);
      buffer_[length_++] = static_cast<char>('0' + value % 10);
      return;
    }
    char digits[12];
    int n = 0;
    do {
      digits[n++] = static_cast<char>('0' + value % 10);
      value /= 10;
    } while (value > 0);
    for (int pad = n; pad < minDigits; ++pad) put('0');
    while (n > 0) put(digits[--n]);
  }
  void expand(std::string_view f, int depth) {
    if (depth < kMaxDepth) format(f, depth + 1);
  }

  // One run of a letter token other than 'a'; `after` is where the run ends.
  void formatRun(std::string_view f, char letter, int count, std::size_t after, int depth) {
    const bool hourBefore = lastToken_ == 'h';
    lastToken_ = letter;
    switch (letter) {
      case 'c':
        expand(settings_.dateFormatShort, depth);
        if (parts_.hour != 0 || parts_.minute != 0 || parts_.second != 0) {
          put(' ');
          expand(settings_.timeFormatLong, depth);
        }
        break;
      case 'd':
        if (count <= 2) {
          putNumber(parts_.day, count);
        } else if (count == 3) {
          put(settings_.shortDayNames[parts_.dayOfWeek - 1]);
        } else if (count == 4) {
          put(settings_.longDayNames[parts_.dayOfWeek - 1]);
        } else if (count == 5) {
          expand(settings_.dateFormatShort, depth);
        } else {
          expand(settings_.dateFormatLong, depth);
        }
        break;
      case 'm':
        if (count <= 2) {
          putNumber(hourBefore ? parts_.minute : parts_.month, count);
        } else if (count == 3) {
          put(settings_.shortMonthNames[parts_.month - 1]);
        } else {
          put(settings_.longMonthNames[parts_.month - 1]);
        }
        break;
      case 'y':
        if (count <= 2) {
          putNumber(parts_.year % 100, 2);
        } else {
          putNumber(parts_.year, 4);
        }
        break;
      case 'h': {
        int hour = parts_.hour;
        if (amPmWritten_ || amPmFollows(f, after)) {
          hour %= 12;
          if (hour == 0) hour = 12;
        }
        putNumber(hour, std::min(count, 2));
        break;
      }
      case 'n':
        putNumber(parts_.minute, std::min(count, 2));
        break;
      case 's':
        putNumber(parts_.second, std::min(count, 2));
        break;
      case 'z':
        putNumber(parts_.millisecond, std::min(count, 3));
        break;
      case 't':
        expand(count == 1 ? settings_.timeFormatShort : settings_.timeFormatLong, depth);
        break;
      default:
        // A letter that starts no token stands for itself.
        lastToken_ = 0;
        put(f.substr(after - static_cast<std::size_t>(count), static_cast<std::size_t>(count)));
        break;
    }
  }

  // The tokens that start with 'a'; returns where the next token starts.
  std::size_t formatA(std::string_view f, std::size_t i) {
    const bool morning = parts_.hour < 12;
    if (startsWith(f, i, "am/pm")) {
      put(f.substr(morning ? i : i + 3, 2));
      amPmWritten_ = true;
      lastToken_ = 'a';
      return i + 5;
    }
    if (startsWith(f, i, "a/p")) {
      put(f[morning ? i : i + 2]);
      amPmWritten_ = true;
      lastToken_ = 'a';
      return i + 3;
    }
    if (startsWith(f, i, "ampm")) {
      put(morning ? settings_.amMarker : settings_.pmMarker);
      amPmWritten_ = true;
      lastToken_ = 'a';
      return i + 4;
    }
    std::size_t end = i + 1;
    while (end < f.size() && lowerAscii(f[end]) == 'a') ++end;
    if (end - i >= 3) {
      const auto& names = end - i == 3 ? settings_.shortDayNames : settings_.longDayNames;
      put(names[parts_.dayOfWeek - 1]);
      lastToken_ = 'a';
      return end;
    }
    put(f[i]);
    return i + 1;
  }

  static bool startsWith(std::string_view f, std::size_t i, std::string_view token) {
    if (f.size() - i < token.size()) return false;
    for (std::size_t k = 0; k < token.size(); ++k) {
      if (lowerAscii(f[i + k]) != token[k]) return false;
    }
    return true;
  }

  // Whether an am/pm token follows outside quotes before the next hour token.
  static bool amPmFollows(std::string_view f, std::size_t i) {
    while (i < f.size()) {
      const char c = lowerAscii(f[i]);
      if (c == '"' || c == '\'') {
        const std::size_t close = f.find(f[i], i + 1);
        if (close == std::string_view::npos) return false;
        i = close + 1;
        continue;
      }
      if (c == 'h') return false;
      if (c == 'a' &&
          (startsWith(f, i, "am/pm") || startsWith(f, i, "a/p") || startsWith(f, i, "ampm"))) {
        return true;
      }
      ++i;
    }
    return false;
  }

  DateTimeParts parts_;
  const FormatSettings& settings_;
  char buffer_[kMaxLength];
  std::size_t length_ = 0;
  bool amPmWritten_ = false;
  char lastToken_ = 0;
};

}  // namespace

bool tryTextToDate(std::string_view text, DateTime& value, const FormatSettings& settings) {
  Scanner in(text);
  int day;
  if (!scanDate(in, settings, day) || !in.atEnd()) return false;
  value = day;
  return true;
}

bool tryTextToTime(std::string_view text, DateTime& value, const FormatSettings& settings) {
  Scanner in(text);
  DateTime time;
  if (!scanTime(in, settings, time) || !in.atEnd()) return false;
  value = time;
  return true;
}

bool tryTextToDateTime(std::string_view text, DateTime& value, const FormatSettings& settings) {
  {
    Scanner in(text);
    int day;
    if (scanDate(in, settings, day)) {
      DateTime time = 0;
      if (in.atEnd() || scanTime(in, settings, time)) {
        value = combineDateTime(day, time);
        return true;
      }
    }
  }
  return tryTextToTime(text, value, settings);
}

DateTime textToDate(std::string_view text, const FormatSettings& settings) {
  DateTime value;
  if (!tryTextToDate(text, value, settings)) raiseConvert("'%s' is not a valid date", text);
  return value;
}

DateTime textToTime(std::string_view text, const FormatSettings& settings) {
  DateTime value;
  if (!tryTextToTime(text, value, settings)) raiseConvert("'%s' is not a valid time", text);
  return value;
}

DateTime textToDateTime(std::string_view text, const FormatSettings& settings) {
  DateTime value;
  if (!tryTextToDateTime(text, value, settings)) {
    raiseConvert("'%s' is not a valid date and time", text);
  }
  return value;
}

std::string formatDateTimeText(std::string_view format, DateTime value,
                               const FormatSettings& settings) {
  Formatter formatter(value, settings);
  formatter.format(format.empty() ? std::string_view("c") : format, 0);
  return formatter.result();
}

std::string dateToText(DateTime value, const FormatSettings& settings) {
  return formatDateTimeText(settings.dateFormatShort, value, settings);
}

std::string dateTimeToText(DateTime value, const FormatSettings& settings) {
  return formatDateTimeText(std::string_view(), value, settings);
}

}  // namespace morvel
