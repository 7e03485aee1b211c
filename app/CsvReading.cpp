// CSV reading rules; see CsvReading.h.
#include "app/CsvReading.h"

#include <cstring>

#include "base/DateText.h"
#include "base/StringUtils.h"

namespace morvel {

namespace {

constexpr char kQuote = '"';
// What a separating comma becomes: the end of one quoted field and the start
// of the next.
constexpr std::string_view kQuotedComma = "\",\"";

}  // namespace

void normaliseLine(std::string_view line, std::string& out) {
  // Fields are joined by quote-comma-quote with every quote character of the
  // line dropped; the fix-ups below then put one quote at each end. Two bytes
  // of headroom in front take the quotes that go there.
  out.clear();
  out.reserve(line.size() + 8);
  out.append(2, kQuote);
  bool inside = false;
  std::size_t pos = 0;
  while (pos < line.size()) {
    const void* found = std::memchr(line.data() + pos, kQuote, line.size() - pos);
    const std::size_t end =
        found ? static_cast<std::size_t>(static_cast<const char*>(found) - line.data())
              : line.size();
    const std::string_view segment = line.substr(pos, end - pos);
    if (inside) {
      out.append(segment);
    } else {
      appendReplacingAll(out, segment, ",", kQuotedComma);
    }
    if (!found) break;
    inside = !inside;
    pos = end + 1;
  }

  // The fix-ups, each looking at what the previous one left; the joined
  // text starts at out[2].
  std::size_t start = 2;
  if (out.size() - 2 < 2) {
    // Too short for the fix-ups to look at: no separator, so one field of at
    // most one character, quoted whole.
    start = 1;
    out.push_back(kQuote);
  } else {
    // A line starting with an empty field starts with quote-comma and gets a
    // second quote in front; any other line gets one.
    if (out[3] == ',') start = 1;
    if (out[start] != kQuote) --start;
    // Likewise at the end, for a line ending with an empty field.
    if (out[out.size() - 2] == ',') out.push_back(kQuote);
    if (out.back() != kQuote) out.push_back(kQuote);
  }
  out.erase(0, start);
}

std::string normaliseLine(std::string_view line) {
  std::string out;
  normaliseLine(line, out);
  return out;
}

std::string fieldNameFor(std::string_view headerField, BlankCounter& counter) {
  if (!headerField.empty()) return std::string(headerField);
  return "Blank" + std::to_string(counter.take());
}

ColumnType columnTypeFor(std::string_view sample, const FormatSettings& settings) {
  if (sample.size() < 6 || sample[2] != '/' || sample[5] != '/') return ColumnType{ftString, 100};
  if (sample.size() == 8) {
    textToDate(sample, settings);
    return ColumnType{ftDate, 0};
  }
  if (sample.size() == 14) {
    textToDateTime(sample, settings);
    return ColumnType{ftDateTime, 0};
  }
  return ColumnType{ftString, 100};
}

}  // namespace morvel
