// Date text: the scanning of dates and times and the format interpreter.
#include "base/DateText.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

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

// The day of three numbers read in the short date's order, the first and the
// last with that many digits.
bool encodeDateOf(int a, int digitsA, int b, int c, int digitsC, const FormatSettings& settings,
                  int& dayNumber) {
  int year = 0, month = 0, day = 0;
  int yearDigits = digitsC;
  switch (dateOrderOf(settings.dateFormatShort)) {
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
  return tryEncodeDate(year, month, day, dayNumber);
}

bool scanDate(Scanner& in, const FormatSettings& settings, int& dayNumber) {
  int a, b, digitsA;
  if (!in.number(a, digitsA) || !in.character(settings.dateSep) || !in.number(b)) return false;
  if (in.character(settings.dateSep)) {
    int c, digitsC;
    if (!in.number(c, digitsC)) return false;
    in.character(settings.dateSep);
    in.skipBlanks();
    return encodeDateOf(a, digitsA, b, c, digitsC, settings, dayNumber);
  }
  int year = settings.currentYear();
  int month, day;
  if (dateOrderOf(settings.dateFormatShort) == DateOrder::DayMonthYear) {
    day = a, month = b;
  } else {
    month = a, day = b;
  }
  in.character(settings.dateSep);
  in.skipBlanks();
  return tryEncodeDate(year, month, day, dayNumber);
}

// --- The shapes nearly every value in a file has ------------------------------
//
// "nn/nn/nn" and "nn/nn/nn nn:nn", two digits each, with the settings'
// separators: a file of a million records holds millions of them, so they
// are read here without the scanner. Each gives exactly what the scanner
// gives for that text; any other text, and any of these shapes that does not
// make a valid date or time, is left to the scanner.

// The number of the two digits at `at`, or -1.
int twoDigits(std::string_view text, std::size_t at) {
  const auto high = static_cast<unsigned>(text[at] - '0');
  const auto low = static_cast<unsigned>(text[at + 1] - '0');
  return high < 10 && low < 10 ? static_cast<int>(high * 10 + low) : -1;
}

// A separator the scanner would find right where it stands: neither a digit
// (the number before it would swallow it) nor a space (skipped as a blank).
bool plainSeparator(char c) { return c != ' ' && (c < '0' || c > '9'); }

// An am/pm marker that cannot match two digits (the scanner looks for one
// before the hour).
bool markerBeforeDigits(std::string_view marker) {
  return !marker.empty() && (marker[0] == ' ' || (marker[0] >= '0' && marker[0] <= '9'));
}

bool quickDate(std::string_view text, const FormatSettings& settings, int& dayNumber) {
  const char sep = settings.dateSep;
  if (text.size() < 8 || !plainSeparator(sep) || text[2] != sep || text[5] != sep) return false;
  const int a = twoDigits(text, 0), b = twoDigits(text, 3), c = twoDigits(text, 6);
  return a >= 0 && b >= 0 && c >= 0 && encodeDateOf(a, 2, b, c, 2, settings, dayNumber);
}

bool quickDateTime(std::string_view text, const FormatSettings& settings, DateTime& value) {
  int day;
  if (text.size() != 14 || text[8] != ' ' || text[11] != settings.timeSep ||
      !plainSeparator(settings.timeSep) || markerBeforeDigits(settings.amMarker) ||
      markerBeforeDigits(settings.pmMarker) || !quickDate(text, settings, day)) {
    return false;
  }
  const int hour = twoDigits(text, 9), minute = twoDigits(text, 12);
  DateTime time;
  if (hour < 0 || minute < 0 || !tryEncodeTime(hour, minute, 0, 0, time)) return false;
  value = combineDateTime(day, time);
  return true;
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

// A format taken apart into the steps that write a value. Formatting a
// column of values by one format then reads the format once, not once per
// value: the steps of the last few formats are kept (formatProgram below).
struct FormatStep {
  enum Kind : std::uint8_t { kText, kNumber, kName, kAmPm, kIfTime };
  enum Part : std::uint8_t {
    kDay,
    kMonth,
    kYear2,
    kYear4,
    kHour,
    kHour12,
    kMinute,
    kSecond,
    kMilli
  };
  enum Names : std::uint8_t { kShortDay, kLongDay, kShortMonth, kLongMonth };
  Kind kind = kText;
  std::uint8_t what = 0;  // kNumber: the Part; kName: the Names
  // kNumber: the Part when the value has no time of day. The time part of a
  // "c" is then left out, and with it any am/pm marker or hour token it
  // holds, so a later hour may be 24-hour and a later "m" a month.
  std::uint8_t untimed = 0;
  std::uint8_t digits = 0;  // kNumber: the least number of digits
  // kText: the text in the program's pool; kAmPm: the morning text, with
  // the afternoon text in second; kIfTime: the steps to skip when the value
  // has no time of day.
  std::uint32_t begin = 0;
  std::uint32_t length = 0;
  std::uint32_t secondBegin = 0;
  std::uint32_t secondLength = 0;
};

struct FormatProgram {
  // The settings a program was shaped by, so that a kept program is used
  // again only while they hold.
  enum Uses : unsigned {
    kDateSep = 1,
    kTimeSep = 2,
    kDateShort = 4,
    kDateLong = 8,
    kTimeShort = 16,
    kTimeLong = 32,
    kMarkers = 64
  };
  std::vector<FormatStep> steps;
  std::string pool;
  unsigned uses = 0;
  // When every step writes the same number of characters whatever the
  // value (text, and numbers whose least number of digits is also their
  // most, such as "dd/mm/yy hh:nn:ss"), the whole text with a place for
  // each number: a value is then written by filling in its digits. A "c"
  // writes different steps for values with and without a time of day, so
  // each kind of value has its form.
  struct Slot {
    std::uint8_t at;
    std::uint8_t digits;
    FormatStep::Part part;
  };
  struct FixedForm {
    bool fixed = false;
    std::string text;
    std::vector<Slot> slots;
  };
  FixedForm timedForm;
  FixedForm untimedForm;
};

// The most a part can be; a number step whose digits reach it writes a
// fixed number of characters.
int largestOf(FormatStep::Part part) {
  switch (part) {
    case FormatStep::kDay:
    case FormatStep::kMonth:
    case FormatStep::kYear2:
    case FormatStep::kHour:
    case FormatStep::kHour12:
    case FormatStep::kMinute:
    case FormatStep::kSecond:
      return 99;
    case FormatStep::kYear4:
      return 9999;
    case FormatStep::kMilli:
      return 999;
  }
  return 0;
}

// Works out the fixed form a compiled program has for values with a time of
// day (timed) or without, where it has one.
FormatProgram::FixedForm fixedFormOf(const FormatProgram& program, bool timed) {
  constexpr std::size_t kLongest = 255;  // shorter than the runner's buffer
  FormatProgram::FixedForm form;
  const std::vector<FormatStep>& steps = program.steps;
  for (std::size_t i = 0; i < steps.size(); ++i) {
    const FormatStep& step = steps[i];
    if (step.kind == FormatStep::kText) {
      form.text.append(program.pool, step.begin, step.length);
    } else if (step.kind == FormatStep::kNumber) {
      const auto part = static_cast<FormatStep::Part>(timed ? step.what : step.untimed);
      int most = 1;
      for (int d = 0; d < step.digits; ++d) most *= 10;
      if (largestOf(part) != most - 1) return {};
      form.slots.push_back({static_cast<std::uint8_t>(form.text.size()), step.digits, part});
      form.text.append(step.digits, '0');
    } else if (step.kind == FormatStep::kIfTime) {
      if (!timed) i += step.length;
    } else {
      return {};
    }
    if (form.text.size() > kLongest) return {};
  }
  form.fixed = true;
  return form;
}

void findFixedForm(FormatProgram& program) {
  program.timedForm = fixedFormOf(program, true);
  program.untimedForm = fixedFormOf(program, false);
}

// Turns a format into steps. Everything that depends on the format alone
// (which letters are tokens, 12- or 24-hour clocks, month or minute) is
// decided here; what depends on the value is left to a step.
class FormatCompiler {
 public:
  static constexpr int kMaxDepth = 2;

  FormatCompiler(const FormatSettings& settings, FormatProgram& program)
      : settings_(settings), program_(program) {}

  void compile(std::string_view f, int depth) {
    std::size_t i = 0;
    while (i < f.size()) {
      const char c = f[i];
      if (c == '"' || c == '\'') {
        const std::size_t close = f.find(c, i + 1);
        const std::size_t end = close == std::string_view::npos ? f.size() : close;
        text(f.substr(i + 1, end - i - 1));
        i = end + 1;
        continue;
      }
      const char letter = lowerAscii(c);
      if (letter < 'a' || letter > 'z') {
        if (c == '/') {
          program_.uses |= FormatProgram::kDateSep;
          text(settings_.dateSep);
        } else if (c == ':') {
          program_.uses |= FormatProgram::kTimeSep;
          text(settings_.timeSep);
        } else {
          text(c);
        }
        ++i;
        continue;
      }
      if (letter == 'a') {
        i = compileA(f, i);
        continue;
      }
      std::size_t end = i + 1;
      while (end < f.size() && lowerAscii(f[end]) == letter) ++end;
      compileRun(f, letter, static_cast<int>(end - i), end, depth);
      i = end;
    }
  }

 private:
  std::uint32_t poolAppend(std::string_view s) {
    const auto begin = static_cast<std::uint32_t>(program_.pool.size());
    program_.pool.append(s);
    return begin;
  }
  void text(char c) { text(std::string_view(&c, 1)); }
  void text(std::string_view s) {
    if (s.empty()) return;
    // Text right after text joins it, unless a conditional part ended
    // between them.
    std::vector<FormatStep>& steps = program_.steps;
    if (steps.size() > joinFrom_ && steps.back().kind == FormatStep::kText &&
        steps.back().begin + steps.back().length == program_.pool.size()) {
      program_.pool.append(s);
      steps.back().length += static_cast<std::uint32_t>(s.size());
      return;
    }
    FormatStep step;
    step.kind = FormatStep::kText;
    step.begin = poolAppend(s);
    step.length = static_cast<std::uint32_t>(s.size());
    steps.push_back(step);
  }
  void number(FormatStep::Part part, int digits) { number(part, part, digits); }
  void number(FormatStep::Part timed, FormatStep::Part untimed, int digits) {
    FormatStep step;
    step.kind = FormatStep::kNumber;
    step.what = timed;
    step.untimed = untimed;
    step.digits = static_cast<std::uint8_t>(digits);
    program_.steps.push_back(step);
  }
  void name(FormatStep::Names names) {
    FormatStep step;
    step.kind = FormatStep::kName;
    step.what = names;
    program_.steps.push_back(step);
  }
  void amPm(std::string_view morning, std::string_view afternoon) {
    FormatStep step;
    step.kind = FormatStep::kAmPm;
    step.begin = poolAppend(morning);
    step.length = static_cast<std::uint32_t>(morning.size());
    step.secondBegin = poolAppend(afternoon);
    step.secondLength = static_cast<std::uint32_t>(afternoon.size());
    program_.steps.push_back(step);
    timed_.amPmWritten = true;
    if (conditional_ == 0) untimed_.amPmWritten = true;
    setLastToken('a');
  }
  void setLastToken(char token) {
    timed_.lastToken = token;
    if (conditional_ == 0) untimed_.lastToken = token;
  }
  void expand(std::string_view f, int depth) {
    if (depth < kMaxDepth) compile(f, depth + 1);
  }
  void expandDateShort(int depth) {
    program_.uses |= FormatProgram::kDateShort;
    expand(settings_.dateFormatShort, depth);
  }
  void expandDateLong(int depth) {
    program_.uses |= FormatProgram::kDateLong;
    expand(settings_.dateFormatLong, depth);
  }
  void expandTime(bool longForm, int depth) {
    program_.uses |= longForm ? FormatProgram::kTimeLong : FormatProgram::kTimeShort;
    expand(longForm ? settings_.timeFormatLong : settings_.timeFormatShort, depth);
  }

  // One run of a letter token other than 'a'; `after` is where the run ends.
  void compileRun(std::string_view f, char letter, int count, std::size_t after, int depth) {
    const bool hourBefore = timed_.lastToken == 'h';
    const bool hourBeforeUntimed = conditional_ > 0 ? hourBefore : untimed_.lastToken == 'h';
    setLastToken(letter);
    switch (letter) {
      case 'c': {
        expandDateShort(depth);
        // The time follows only when the value has one.
        const std::size_t at = program_.steps.size();
        FormatStep step;
        step.kind = FormatStep::kIfTime;
        program_.steps.push_back(step);
        ++conditional_;
        text(' ');
        expandTime(true, depth);
        --conditional_;
        program_.steps[at].length = static_cast<std::uint32_t>(program_.steps.size() - at - 1);
        joinFrom_ = program_.steps.size();
        break;
      }
      case 'd':
        if (count <= 2) {
          number(FormatStep::kDay, count);
        } else if (count == 3) {
          name(FormatStep::kShortDay);
        } else if (count == 4) {
          name(FormatStep::kLongDay);
        } else if (count == 5) {
          expandDateShort(depth);
        } else {
          expandDateLong(depth);
        }
        break;
      case 'm':
        if (count <= 2) {
          number(hourBefore ? FormatStep::kMinute : FormatStep::kMonth,
                 hourBeforeUntimed ? FormatStep::kMinute : FormatStep::kMonth, count);
        } else {
          name(count == 3 ? FormatStep::kShortMonth : FormatStep::kLongMonth);
        }
        break;
      case 'y':
        if (count <= 2) {
          number(FormatStep::kYear2, 2);
        } else {
          number(FormatStep::kYear4, 4);
        }
        break;
      case 'h': {
        const bool follows = amPmFollows(f, after);
        const bool twelve = timed_.amPmWritten || follows;
        const bool twelveUntimed = conditional_ > 0 ? twelve : untimed_.amPmWritten || follows;
        number(twelve ? FormatStep::kHour12 : FormatStep::kHour,
               twelveUntimed ? FormatStep::kHour12 : FormatStep::kHour, std::min(count, 2));
        break;
      }
      case 'n':
        number(FormatStep::kMinute, std::min(count, 2));
        break;
      case 's':
        number(FormatStep::kSecond, std::min(count, 2));
        break;
      case 'z':
        number(FormatStep::kMilli, std::min(count, 3));
        break;
      case 't':
        expandTime(count != 1, depth);
        break;
      default:
        // A letter that starts no token stands for itself.
        setLastToken(0);
        text(f.substr(after - static_cast<std::size_t>(count), static_cast<std::size_t>(count)));
        break;
    }
  }

  // The tokens that start with 'a'; returns where the next token starts.
  std::size_t compileA(std::string_view f, std::size_t i) {
    if (startsWith(f, i, "am/pm")) {
      amPm(f.substr(i, 2), f.substr(i + 3, 2));
      return i + 5;
    }
    if (startsWith(f, i, "a/p")) {
      amPm(f.substr(i, 1), f.substr(i + 2, 1));
      return i + 3;
    }
    if (startsWith(f, i, "ampm")) {
      program_.uses |= FormatProgram::kMarkers;
      amPm(settings_.amMarker, settings_.pmMarker);
      return i + 4;
    }
    std::size_t end = i + 1;
    while (end < f.size() && lowerAscii(f[end]) == 'a') ++end;
    if (end - i >= 3) {
      name(end - i == 3 ? FormatStep::kShortDay : FormatStep::kLongDay);
      setLastToken('a');
      return end;
    }
    // An "a" that starts no token is a literal letter like any other: it
    // parts an hour from a following "m" as well.
    setLastToken(0);
    text(f[i]);
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

  const FormatSettings& settings_;
  FormatProgram& program_;
  // What the tokens compiled so far leave for the next one: whether an
  // am/pm marker has been written, and the letter of the last token (0
  // after a literal letter).
  struct Context {
    bool amPmWritten = false;
    char lastToken = 0;
  };

  std::size_t joinFrom_ = 0;  // the first step later text may join
  // The context when the value has a time of day, and when it has none:
  // they differ once the time part of a "c" (compiled at conditional_ > 0)
  // has set something.
  Context timed_;
  Context untimed_;
  int conditional_ = 0;
};

// Runs a program for one value into a fixed buffer of the maximum length.
class FormatRunner {
 public:
  static constexpr std::size_t kMaxLength = 256;

  FormatRunner(DateTime value, const FormatSettings& settings)
      : FormatRunner(decodeDateTime(value), settings) {}
  FormatRunner(const DateTimeParts& parts, const FormatSettings& settings)
      : parts_(parts), settings_(settings) {}

  std::string_view result() const { return {buffer_, length_}; }

  void run(const FormatProgram& program) {
    const bool timed = hasTime();
    if (const FormatProgram::FixedForm& form = timed ? program.timedForm : program.untimedForm;
        form.fixed) {
      runFixed(form);
      return;
    }
    const std::vector<FormatStep>& steps = program.steps;
    for (std::size_t i = 0; i < steps.size(); ++i) {
      const FormatStep& step = steps[i];
      switch (step.kind) {
        case FormatStep::kText:
          if (step.length == 1) {
            put(program.pool[step.begin]);  // most text is one separator
          } else {
            put(std::string_view(program.pool.data() + step.begin, step.length));
          }
          break;
        case FormatStep::kNumber:
          putNumber(part(static_cast<FormatStep::Part>(timed ? step.what : step.untimed)),
                    step.digits);
          break;
        case FormatStep::kName:
          put(name(static_cast<FormatStep::Names>(step.what)));
          break;
        case FormatStep::kAmPm:
          put(parts_.hour < 12
                  ? std::string_view(program.pool).substr(step.begin, step.length)
                  : std::string_view(program.pool).substr(step.secondBegin, step.secondLength));
          break;
        case FormatStep::kIfTime:
          if (!timed) i += step.length;
          break;
      }
    }
  }

 private:
  void runFixed(const FormatProgram::FixedForm& form) {
    length_ = form.text.size();
    std::memcpy(buffer_, form.text.data(), length_);
    for (const FormatProgram::Slot& slot : form.slots) {
      int value = part(slot.part);
      for (int d = slot.digits - 1; d >= 0; --d) {
        buffer_[slot.at + d] = static_cast<char>('0' + value % 10);
        value /= 10;
      }
    }
  }

  // Milliseconds alone do not count as a time of day.
  bool hasTime() const { return parts_.hour != 0 || parts_.minute != 0 || parts_.second != 0; }
  int part(FormatStep::Part which) const {
    switch (which) {
      case FormatStep::kDay:
        return parts_.day;
      case FormatStep::kMonth:
        return parts_.month;
      case FormatStep::kYear2:
        return parts_.year % 100;
      case FormatStep::kYear4:
        return parts_.year;
      case FormatStep::kHour:
        return parts_.hour;
      case FormatStep::kHour12:
        return parts_.hour % 12 == 0 ? 12 : parts_.hour % 12;
      case FormatStep::kMinute:
        return parts_.minute;
      case FormatStep::kSecond:
        return parts_.second;
      case FormatStep::kMilli:
        return parts_.millisecond;
    }
    return 0;
  }
  const std::string& name(FormatStep::Names which) const {
    switch (which) {
      case FormatStep::kShortDay:
        return settings_.shortDayNames[static_cast<std::size_t>(parts_.dayOfWeek - 1)];
      case FormatStep::kLongDay:
        return settings_.longDayNames[static_cast<std::size_t>(parts_.dayOfWeek - 1)];
      case FormatStep::kShortMonth:
        return settings_.shortMonthNames[static_cast<std::size_t>(parts_.month - 1)];
      case FormatStep::kLongMonth:
        break;
    }
    return settings_.longMonthNames[static_cast<std::size_t>(parts_.month - 1)];
  }
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

  DateTimeParts parts_;
  const FormatSettings& settings_;
  char buffer_[kMaxLength];
  std::size_t length_ = 0;
};

// The program of a format under the settings that shape it, from a small
// per-thread cache of the formats used last (a grid formats its date and
// date-time columns in turn, record after record).
const FormatProgram& formatProgram(std::string_view format, const FormatSettings& settings) {
  struct Entry {
    std::string format;
    FormatSettings shapedBy;  // the settings the program uses, as they were
    FormatProgram program;
    bool used = false;

    bool matches(std::string_view f, const FormatSettings& s) const {
      if (!used || format != f) return false;
      const unsigned uses = program.uses;
      return (!(uses & FormatProgram::kDateSep) || shapedBy.dateSep == s.dateSep) &&
             (!(uses & FormatProgram::kTimeSep) || shapedBy.timeSep == s.timeSep) &&
             (!(uses & FormatProgram::kDateShort) ||
              shapedBy.dateFormatShort == s.dateFormatShort) &&
             (!(uses & FormatProgram::kDateLong) || shapedBy.dateFormatLong == s.dateFormatLong) &&
             (!(uses & FormatProgram::kTimeShort) ||
              shapedBy.timeFormatShort == s.timeFormatShort) &&
             (!(uses & FormatProgram::kTimeLong) || shapedBy.timeFormatLong == s.timeFormatLong) &&
             (!(uses & FormatProgram::kMarkers) ||
              (shapedBy.amMarker == s.amMarker && shapedBy.pmMarker == s.pmMarker));
    }
  };
  constexpr std::size_t kEntries = 4;
  thread_local std::array<Entry, kEntries> cache;
  thread_local std::size_t next = 0;
  for (const Entry& entry : cache) {
    if (entry.matches(format, settings)) return entry.program;
  }
  Entry& entry = cache[next];
  next = (next + 1) % kEntries;
  entry.used = false;
  entry.program = FormatProgram();
  FormatCompiler(settings, entry.program).compile(format, 0);
  findFixedForm(entry.program);
  entry.format = format;
  entry.shapedBy.dateSep = settings.dateSep;
  entry.shapedBy.timeSep = settings.timeSep;
  entry.shapedBy.dateFormatShort = settings.dateFormatShort;
  entry.shapedBy.dateFormatLong = settings.dateFormatLong;
  entry.shapedBy.timeFormatShort = settings.timeFormatShort;
  entry.shapedBy.timeFormatLong = settings.timeFormatLong;
  entry.shapedBy.amMarker = settings.amMarker;
  entry.shapedBy.pmMarker = settings.pmMarker;
  entry.used = true;
  return entry.program;
}

}  // namespace

bool tryTextToDate(std::string_view text, DateTime& value, const FormatSettings& settings) {
  int day;
  if (text.size() == 8 && quickDate(text, settings, day)) {
    value = day;
    return true;
  }
  Scanner in(text);
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
  if (quickDateTime(text, settings, value)) return true;
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

void formatDateTimeText(std::string& out, std::string_view format, DateTime value,
                        const FormatSettings& settings) {
  FormatRunner runner(value, settings);
  runner.run(formatProgram(format.empty() ? std::string_view("c") : format, settings));
  out.assign(runner.result());
}

struct DateTimeFormatter::Program {
  FormatProgram steps;
};

DateTimeFormatter::DateTimeFormatter(std::string_view format, const FormatSettings& settings)
    : program_(std::make_unique<const Program>(
          Program{formatProgram(format.empty() ? std::string_view("c") : format, settings)})),
      settings_(settings) {}

DateTimeFormatter::~DateTimeFormatter() = default;

void DateTimeFormatter::format(std::string& out, DateTime value) const {
  FormatRunner runner(value, settings_);
  runner.run(program_->steps);
  out.assign(runner.result());
}

// --- A column of values -------------------------------------------------------

namespace {

// What a step reads of a value: nothing, the date alone, the time of day
// alone (to the second), the milliseconds, or the date and whether there
// is a time of day together.
enum class Reads { nothing, date, time, milliseconds, both };

bool isDatePart(std::uint8_t part) {
  return part == FormatStep::kDay || part == FormatStep::kMonth || part == FormatStep::kYear2 ||
         part == FormatStep::kYear4;
}

Reads readsOf(const FormatStep& step) {
  switch (step.kind) {
    case FormatStep::kText:
      return Reads::nothing;
    case FormatStep::kName:
      return Reads::date;  // day and month names
    case FormatStep::kAmPm:
    case FormatStep::kIfTime:
      return Reads::time;
    case FormatStep::kNumber:
      break;
  }
  if (step.what == FormatStep::kMilli || step.untimed == FormatStep::kMilli) {
    return Reads::milliseconds;
  }
  if (step.what == step.untimed) return isDatePart(step.what) ? Reads::date : Reads::time;
  // The part taken depends on whether the value has a time of day.
  return isDatePart(step.what) || isDatePart(step.untimed) ? Reads::both : Reads::time;
}

}  // namespace

struct DateTimeColumnFormatter::Memo {
  // A second's text: `made` is 0 until the text is made, then its length
  // plus one, or kTooLong when it does not fit.
  struct Entry {
    char text[15];
    std::uint8_t made;
    std::size_t length() const { return made - 1u; }
  };
  static constexpr std::uint8_t kTooLong = 0xff;
  struct Release {
    void operator()(Entry* entries) const noexcept { std::free(entries); }
  };
  static constexpr int kMinutesPerDay = 24 * 60;

  FormatProgram program;
  const FormatSettings& settings;
  // When the program parts into steps that read only the date and steps
  // after them that read only the time of day: each half as a program of
  // its own, in its fixed form where it has one.
  bool splits = false;
  FormatProgram datePart;
  FormatProgram timePart;
  // Every second of the day, the first seconds of the day's minutes first:
  // the table is cleared by the system only where it is touched, and times
  // to the minute, as most files have, touch a few pages of it.
  std::unique_ptr<Entry[], Release> seconds;
  Entry noTime{{}, 1};  // the time of a format that shows none
  char joined[FormatRunner::kMaxLength + sizeof(Entry::text)];
  std::string whole;

  Memo(const FormatProgram& p, const FormatSettings& s) : program(p), settings(s) {
    const std::vector<FormatStep>& steps = program.steps;
    std::size_t split = steps.size();
    for (std::size_t i = 0; i < steps.size(); ++i) {
      const Reads reads = readsOf(steps[i]);
      if (reads == Reads::time) {
        split = i;
        break;
      }
      if (reads != Reads::nothing && reads != Reads::date) return;
    }
    for (std::size_t i = split; i < steps.size(); ++i) {
      const Reads reads = readsOf(steps[i]);
      if (reads != Reads::nothing && reads != Reads::time) return;
    }
    const auto half = [&](std::size_t first, std::size_t last, FormatProgram& part) {
      part.steps.assign(steps.begin() + static_cast<std::ptrdiff_t>(first),
                        steps.begin() + static_cast<std::ptrdiff_t>(last));
      part.pool = program.pool;
      findFixedForm(part);
    };
    half(0, split, datePart);
    half(split, steps.size(), timePart);
    splits = true;
  }

  // The text of the value's second, made when first needed; null when it
  // does not fit an entry.
  const Entry* secondText(const DateTimeParts& parts) {
    if (timePart.steps.empty()) return &noTime;
    if (!seconds) {
      seconds.reset(static_cast<Entry*>(std::calloc(kMinutesPerDay * 60, sizeof(Entry))));
      if (!seconds) throw std::bad_alloc();
    }
    Entry& entry = seconds[static_cast<std::size_t>(parts.second * kMinutesPerDay +
                                                    parts.hour * 60 + parts.minute)];
    if (entry.made == 0) {
      FormatRunner runner(parts, settings);
      runner.run(timePart);
      const std::string_view text = runner.result();
      if (text.size() > sizeof entry.text) {
        entry.made = kTooLong;
      } else {
        std::memcpy(entry.text, text.data(), text.size());
        entry.made = static_cast<std::uint8_t>(text.size() + 1);
      }
    }
    return entry.made == kTooLong ? nullptr : &entry;
  }

  std::string_view text(DateTime value) {
    if (splits) {
      const DateTimeParts parts = decodeDateTime(value);
      if (const Entry* time = secondText(parts)) {
        FormatRunner runner(parts, settings);
        runner.run(datePart);
        const std::string_view date = runner.result();
        // The whole text stops at the runner's length, as one run would.
        const std::size_t length =
            std::min(date.size() + time->length(), std::size_t(FormatRunner::kMaxLength));
        std::memcpy(joined, date.data(), date.size());
        std::memcpy(joined + date.size(), time->text, time->length());
        return {joined, length};
      }
    }
    FormatRunner runner(value, settings);
    runner.run(program);
    whole.assign(runner.result());
    return whole;
  }
};

DateTimeColumnFormatter::DateTimeColumnFormatter(std::string_view format,
                                                 const FormatSettings& settings)
    : memo_(std::make_unique<Memo>(
          formatProgram(format.empty() ? std::string_view("c") : format, settings), settings)) {}

DateTimeColumnFormatter::~DateTimeColumnFormatter() = default;

std::string_view DateTimeColumnFormatter::text(DateTime value) { return memo_->text(value); }

std::string formatDateTimeText(std::string_view format, DateTime value,
                               const FormatSettings& settings) {
  std::string text;
  formatDateTimeText(text, format, value, settings);
  return text;
}

std::string dateToText(DateTime value, const FormatSettings& settings) {
  return formatDateTimeText(settings.dateFormatShort, value, settings);
}

std::string dateTimeToText(DateTime value, const FormatSettings& settings) {
  return formatDateTimeText(std::string_view(), value, settings);
}

}  // namespace morvel
