// Format settings: defaults, built time formats, and the translation of the
// C library's locale items (strftime directives) into format letters.
#include "base/FormatSettings.h"

#include <langinfo.h>
#include <locale.h>

#include <cstdlib>
#include <optional>

namespace morvel {

namespace {

constexpr std::array<const char*, 12> kShortMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                      "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr std::array<const char*, 12> kLongMonths = {
    "January", "February", "March",     "April",   "May",      "June",
    "July",    "August",   "September", "October", "November", "December"};
constexpr std::array<const char*, 7> kShortDays = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr std::array<const char*, 7> kLongDays = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                  "Thursday", "Friday", "Saturday"};

bool isAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isAsciiDigit(char c) { return c >= '0' && c <= '9'; }

// A byte that can serve as a date or time separator: printable ASCII
// punctuation. Multi-byte separators of some locales cannot, nor can a space,
// which the date and time scanning skips as a blank.
bool isSeparatorByte(char c) {
  return c > ' ' && c < 0x7f && !isAsciiLetter(c) && !isAsciiDigit(c) && c != '%' && c != '"' &&
         c != '\'';
}

// One strftime directive: the letter after '%', its flags and modifiers
// stepped over. noPadding is set by the '-' and '_' flags.
struct Directive {
  char letter = 0;
  bool noPadding = false;
};

// Reads the directive that starts at format[i] == '%'; i ends after it.
Directive readDirective(std::string_view format, std::size_t& i) {
  Directive d;
  ++i;
  while (i < format.size() && (format[i] == '-' || format[i] == '_' || format[i] == '0' ||
                               format[i] == '^' || format[i] == '#')) {
    if (format[i] == '-' || format[i] == '_') d.noPadding = true;
    ++i;
  }
  while (i < format.size() && isAsciiDigit(format[i])) ++i;
  if (i < format.size() && (format[i] == 'E' || format[i] == 'O')) ++i;
  if (i < format.size()) d.letter = format[i++];
  return d;
}

// The format letters of one date directive, or nullptr when it has none.
const char* dateLetters(const Directive& d) {
  switch (d.letter) {
    case 'd':
      return d.noPadding ? "d" : "dd";
    case 'e':
      return "d";
    case 'm':
      return d.noPadding ? "m" : "mm";
    case 'y':
      return "yy";
    case 'Y':
      return "yyyy";
    case 'b':
    case 'h':
      return "mmm";
    case 'B':
      return "mmmm";
    case 'a':
      return "ddd";
    case 'A':
      return "dddd";
    default:
      return nullptr;
  }
}

// Writes literal text into a format so that it comes out as itself: letters
// (which would be tokens), ':' and a '/' that is not the date separator (which
// stand for the separators) go between double quotes.
class LiteralWriter {
 public:
  LiteralWriter(std::string& out, char dateSep) : out_(out), dateSep_(dateSep) {}
  ~LiteralWriter() { close(); }

  void put(char c) {
    if (c == '"') {
      close();
      out_ += "'\"'";
    } else if (isAsciiLetter(c) || c == ':' || c == '\'' || (c == '/' && dateSep_ != '/')) {
      if (!open_) out_ += '"';
      open_ = true;
      out_ += c;
    } else {
      close();
      out_ += c;
    }
  }
  void close() {
    if (open_) out_ += '"';
    open_ = false;
  }

 private:
  std::string& out_;
  char dateSep_;
  bool open_ = false;
};

// Replaces the shorthand directives (%D, %T, ...) that stand for whole
// formats by what they stand for; replacement gives nullptr for the others.
template <class Replacement>
std::string expandShorthands(std::string_view format, Replacement replacement) {
  std::string out;
  for (std::size_t i = 0; i < format.size(); ++i) {
    if (format[i] == '%' && i + 1 < format.size()) {
      const std::optional<std::string_view> whole = replacement(format[i + 1]);
      if (whole) {
        out += *whole;
      } else {
        out += format.substr(i, 2);
      }
      ++i;
    } else {
      out += format[i];
    }
  }
  return out;
}

// Translates a strftime date format; false when it holds a directive without
// a counterpart (the caller keeps the default then).
bool translateDateFormat(std::string_view strftimeFormat, std::string& format, char& dateSep) {
  const std::string in =
      expandShorthands(strftimeFormat, [](char letter) -> std::optional<std::string_view> {
        if (letter == 'D') return "%m/%d/%y";
        if (letter == 'F') return "%Y-%m-%d";
        return std::nullopt;
      });
  // The separator is the first literal byte after the first directive.
  dateSep = '/';
  bool sawDirective = false;
  for (std::size_t i = 0; i < in.size();) {
    if (in[i] == '%') {
      readDirective(in, i);
      sawDirective = true;
    } else if (sawDirective) {
      if (isSeparatorByte(in[i])) dateSep = in[i];
      break;
    } else {
      ++i;
    }
  }

  format.clear();
  LiteralWriter literal(format, dateSep);
  bool anyDate = false;
  for (std::size_t i = 0; i < in.size();) {
    if (in[i] != '%') {
      literal.put(in[i++]);
      continue;
    }
    const Directive d = readDirective(in, i);
    if (d.letter == '%') {
      literal.put('%');
    } else if (d.letter == 'n' || d.letter == 't') {
      literal.put(' ');
    } else if (const char* letters = dateLetters(d)) {
      literal.close();
      format += letters;
      anyDate = true;
    } else {
      return false;
    }
  }
  literal.close();
  return anyDate;
}

// Reads the clock style and time separator from a strftime time format;
// false when it names no hour.
bool analyseTimeFormat(std::string_view timeFormat, std::string_view amPmFormat, ClockStyle& style,
                       char& timeSep) {
  const std::string in =
      expandShorthands(timeFormat, [amPmFormat](char letter) -> std::optional<std::string_view> {
        if (letter == 'T') return "%H:%M:%S";
        if (letter == 'R') return "%H:%M";
        if (letter == 'r') return amPmFormat.empty() ? "%I:%M:%S %p" : amPmFormat;
        return std::nullopt;
      });

  bool sawHour = false;
  bool sawMarker = false;
  for (std::size_t i = 0; i < in.size();) {
    if (in[i] != '%') {
      ++i;
      continue;
    }
    const Directive d = readDirective(in, i);
    switch (d.letter) {
      case 'H':
      case 'k':
      case 'I':
      case 'l':
        if (sawHour) break;
        sawHour = true;
        style.twelveHour = d.letter == 'I' || d.letter == 'l';
        style.leadingZeroHours = (d.letter == 'H' || d.letter == 'I') && !d.noPadding;
        style.markerFirst = sawMarker;
        if (i < in.size() && isSeparatorByte(in[i])) timeSep = in[i];
        break;
      case 'p':
      case 'P':
        sawMarker = true;
        break;
      default:
        break;
    }
  }
  return sawHour;
}

// The name under which "" finds the user's LC_TIME locale.
std::string userTimeLocaleName() {
  for (const char* variable : {"LC_ALL", "LC_TIME", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value != nullptr && *value != '\0') return value;
  }
  return "C";
}

bool isPlainCLocale(std::string_view name) {
  return name == "C" || name == "POSIX" || name.substr(0, 2) == "C.";
}

}  // namespace

FormatSettings::FormatSettings() : clock(systemClock()) {
  for (std::size_t i = 0; i < 12; ++i) {
    shortMonthNames[i] = kShortMonths[i];
    longMonthNames[i] = kLongMonths[i];
  }
  for (std::size_t i = 0; i < 7; ++i) {
    shortDayNames[i] = kShortDays[i];
    longDayNames[i] = kLongDays[i];
  }
}

void FormatSettings::buildTimeFormats(const ClockStyle& style) {
  const std::string prefix = style.twelveHour && style.markerFirst ? "AMPM " : "";
  const std::string suffix = style.twelveHour && !style.markerFirst ? " AMPM" : "";
  const std::string hour = style.leadingZeroHours ? "hh" : "h";
  timeFormatShort = prefix + hour + ":mm" + suffix;
  timeFormatLong = prefix + hour + ":mm:ss" + suffix;
}

void FormatSettings::applyLocaleItems(const LocaleItems& items) {
  const FormatSettings defaults;

  if (!translateDateFormat(items.dateFormat, dateFormatShort, dateSep)) {
    dateFormatShort = defaults.dateFormatShort;
    dateSep = defaults.dateSep;
    dateFormatLong = defaults.dateFormatLong;
  } else {
    // The C library has no long date format; one is built in the order of
    // the short one.
    dateFormatLong = defaults.dateFormatLong;
    for (const char c : dateFormatShort) {
      const char lower = static_cast<char>(c | 0x20);
      if (lower == 'd') {
        dateFormatLong = "d mmmm yyyy";
        break;
      }
      if (lower == 'y') {
        dateFormatLong = "yyyy mmmm d";
        break;
      }
      if (lower == 'm') break;
    }
  }

  ClockStyle style;
  timeSep = defaults.timeSep;
  if (!analyseTimeFormat(items.timeFormat, items.timeFormatAmPm, style, timeSep)) {
    style = ClockStyle();
    timeSep = defaults.timeSep;
  }
  buildTimeFormats(style);

  amMarker = items.amString.empty() ? defaults.amMarker : items.amString;
  pmMarker = items.pmString.empty() ? defaults.pmMarker : items.pmString;
  decimalSep = items.decimalPoint.size() == 1 ? items.decimalPoint[0] : defaults.decimalSep;

  auto pick = [](const std::string& given, const std::string& fallback) {
    return given.empty() ? fallback : given;
  };
  for (std::size_t i = 0; i < 12; ++i) {
    shortMonthNames[i] = pick(items.shortMonthNames[i], defaults.shortMonthNames[i]);
    longMonthNames[i] = pick(items.longMonthNames[i], defaults.longMonthNames[i]);
  }
  for (std::size_t i = 0; i < 7; ++i) {
    shortDayNames[i] = pick(items.shortDayNames[i], defaults.shortDayNames[i]);
    longDayNames[i] = pick(items.longDayNames[i], defaults.longDayNames[i]);
  }
}

bool FormatSettings::readFromLocale(const char* localeName) {
  const std::string name =
      localeName != nullptr && *localeName != '\0' ? std::string(localeName) : userTimeLocaleName();
  if (isPlainCLocale(name)) {
    applyLocaleItems(LocaleItems());
    return true;
  }
  locale_t locale = newlocale(LC_TIME_MASK | LC_NUMERIC_MASK,
                              localeName != nullptr ? localeName : "", static_cast<locale_t>(0));
  if (locale == static_cast<locale_t>(0)) {
    applyLocaleItems(LocaleItems());
    return false;
  }
  auto item = [locale](nl_item what) {
    const char* text = nl_langinfo_l(what, locale);
    return std::string(text != nullptr ? text : "");
  };
  LocaleItems items;
  items.dateFormat = item(D_FMT);
  items.timeFormat = item(T_FMT);
  items.timeFormatAmPm = item(T_FMT_AMPM);
  items.amString = item(AM_STR);
  items.pmString = item(PM_STR);
  items.decimalPoint = item(RADIXCHAR);
  static constexpr nl_item kAbMon[12] = {ABMON_1, ABMON_2, ABMON_3, ABMON_4,  ABMON_5,  ABMON_6,
                                         ABMON_7, ABMON_8, ABMON_9, ABMON_10, ABMON_11, ABMON_12};
  static constexpr nl_item kMon[12] = {MON_1, MON_2, MON_3, MON_4,  MON_5,  MON_6,
                                       MON_7, MON_8, MON_9, MON_10, MON_11, MON_12};
  static constexpr nl_item kAbDay[7] = {ABDAY_1, ABDAY_2, ABDAY_3, ABDAY_4,
                                        ABDAY_5, ABDAY_6, ABDAY_7};
  static constexpr nl_item kDay[7] = {DAY_1, DAY_2, DAY_3, DAY_4, DAY_5, DAY_6, DAY_7};
  for (std::size_t i = 0; i < 12; ++i) {
    items.shortMonthNames[i] = item(kAbMon[i]);
    items.longMonthNames[i] = item(kMon[i]);
  }
  for (std::size_t i = 0; i < 7; ++i) {
    items.shortDayNames[i] = item(kAbDay[i]);
    items.longDayNames[i] = item(kDay[i]);
  }
  freelocale(locale);
  applyLocaleItems(items);
  return true;
}

FormatSettings& formatSettings() {
  static FormatSettings settings = [] {
    FormatSettings s;
    s.readFromLocale();
    return s;
  }();
  return settings;
}

}  // namespace morvel
