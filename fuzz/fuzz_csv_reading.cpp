// Arbitrary bytes through the CSV reading path: split into lines, each line
// normalised, parsed as comma text and built into comma text again; and the
// same bytes through the date and time text rules and the format interpreter
// under settings picked by the first byte. Besides crashes and sanitizer
// reports it checks the fields against a plain reading of the line format and
// the comma text round trip.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "app/CsvReading.h"
#include "base/DateText.h"
#include "base/StringList.h"

using namespace morvel;

namespace {

// The fields of a line read directly by the format's rules: a quote toggles
// quoting and is dropped, a comma outside quotes separates fields, and
// quoting left open ends at the line's last quote.
std::vector<std::string_view> expectedFields(std::string_view line, std::string& storage) {
  storage.clear();
  std::vector<std::size_t> ends;
  bool quoted = false;
  const std::size_t lastQuote = line.rfind('"');
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (lastQuote != std::string_view::npos && i > lastQuote) quoted = false;
    if (c == '"') {
      quoted = !quoted;
    } else if (c == ',' && !quoted) {
      ends.push_back(storage.size());
    } else {
      storage += c;
    }
  }
  ends.push_back(storage.size());
  std::vector<std::string_view> fields;
  std::size_t start = 0;
  for (const std::size_t end : ends) {
    fields.push_back(std::string_view(storage).substr(start, end - start));
    start = end;
  }
  return fields;
}

bool sameItems(std::span<const std::string_view> a, std::span<const std::string_view> b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i] != b[i]) return false;
  }
  return true;
}

void checkLines(std::string_view input) {
  StringList lines;
  lines.setText(input);
  StringList fields;
  StringList again;
  std::string normalised;
  std::string storage;
  for (const std::string_view line : lines.items()) {
    normaliseLine(line, normalised);
    fields.setCommaText(normalised);
    const std::vector<std::string_view> expected = expectedFields(line, storage);
    if (!sameItems(fields.items(), expected)) __builtin_trap();

    // Building and parsing again loses only a trailing empty item.
    again.setCommaText(fields.commaText());
    std::span<const std::string_view> kept = fields.items();
    if (kept.size() >= 2 && kept.back().empty()) kept = kept.first(kept.size() - 1);
    if (!sameItems(again.items(), kept)) __builtin_trap();
  }
  if (lines.text().size() > input.size() + 2 * static_cast<std::size_t>(lines.count())) {
    __builtin_trap();
  }
}

void checkDates(std::string_view input) {
  if (input.empty()) return;
  const unsigned char choice = static_cast<unsigned char>(input[0]);
  const std::string_view text = input.substr(1);
  FormatSettings settings;
  static const char* const kShortFormats[] = {"dd/mm/yy", "m/d/yyyy", "yyyy-mm-dd", "c"};
  settings.dateFormatShort = kShortFormats[choice & 3];
  settings.dateSep = (choice & 4) ? '-' : '/';
  settings.centuryWindow = (choice & 8) ? 20 : 50;
  settings.buildTimeFormats(ClockStyle{(choice & 16) != 0, (choice & 32) != 0, (choice & 64) != 0});
  settings.clock = std::make_shared<FixedYearClock>(2024);

  DateTime value = 0;
  if (tryTextToDateTime(text, value, settings)) {
    if (dateTimeToText(value, settings).size() > 256) __builtin_trap();
  }
  if (tryTextToDate(text, value, settings) &&
      value != static_cast<double>(static_cast<int>(value))) {
    __builtin_trap();
  }
  if (tryTextToTime(text, value, settings) && (value < 0 || value >= 1)) __builtin_trap();
  // The text as a format, over an ordinary value and over a value before day 0.
  if (formatDateTimeText(text, 36882.6313, settings).size() > 256) __builtin_trap();
  if (formatDateTimeText(text, -700.25, settings).size() > 256) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  checkLines(input);
  checkDates(input);
  return 0;
}
