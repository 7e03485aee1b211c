// The sample-shaped CSV generator; see SampleCsv.h.
#include "bench/SampleCsv.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <string_view>

#include "app/CsvReading.h"
#include "base/FormatSettings.h"
#include "base/StringList.h"
#include "base/WholeFile.h"

namespace morvel::bench {

void useSampleDateSettings(FormatSettings& settings) {
  settings.dateFormatShort = "dd/mm/yy";
  settings.dateSep = '/';
  settings.centuryWindow = 20;
}

namespace {

// A small, fast generator with a fixed algorithm (splitmix64), so that the
// data does not change with the standard library.
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}
  std::uint64_t next() {
    std::uint64_t z = (state_ += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
  }
  // A number from 0 to n - 1.
  int below(int n) { return static_cast<int>(next() % static_cast<std::uint64_t>(n)); }
  template <class Array>
  std::string_view pick(const Array& choices) {
    return choices[static_cast<std::size_t>(below(static_cast<int>(choices.size())))];
  }

 private:
  std::uint64_t state_;
};

constexpr std::array<std::string_view, 10> kProducts = {
    "Splined Shaft",   "Drive Flange",   "Gear Housing", "Bearing Cap",     "Pump Impeller",
    "Valve Body Assy", "Output Spindle", "Cam Follower", "Coupling Sleeve", "Worm Gear Blank"};
constexpr std::array<std::string_view, 10> kOperations = {
    " Rough Turn Diameter", " Mill Keyway",        " Finish Turn Bore", " Drill Cross Holes",
    " Grind Journal",       " Deburr and Inspect", " Hob Teeth",        " Heat Treat",
    " Broach Spline",       " Face and Chamfer"};
constexpr std::array<std::string_view, 8> kResources = {
    "Lathe",          "Machining Centre", "Cylindrical Grinder", "Gear Hobber", "Bench Inspection",
    "Furnace Line 2", "Vertical Broach",  "CNC Turning Cell 4"};

void appendNumber(std::string& out, int value, int digits) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%0*d", digits, value);
  out += buffer;
}

void appendLetters(std::string& out, Random& random, int count) {
  for (int i = 0; i < count; ++i) out += static_cast<char>('A' + random.below(26));
}

// dd/mm/yy, always a valid date (days up to 28).
void appendDate(std::string& out, Random& random) {
  appendNumber(out, 1 + random.below(28), 2);
  out += '/';
  appendNumber(out, 1 + random.below(12), 2);
  out += '/';
  appendNumber(out, random.below(100), 2);
}

void appendDateTime(std::string& out, Random& random) {
  appendDate(out, random);
  out += ' ';
  appendNumber(out, random.below(24), 2);
  out += ':';
  appendNumber(out, random.below(60), 2);
}

}  // namespace

std::string sampleCsvHeader() {
  return "Part No.,Product,Order No.,Priority,Op. No.,Operation Name,Resource,Quantity,"
         "Earliest Start Date,Due Date,Setup Start,Start Time,End Time";
}

std::string makeSampleCsv(std::size_t rows, std::uint64_t seed) {
  Random random(seed);
  std::string out;
  out.reserve((rows + 1) * 160);
  out += sampleCsvHeader();
  out += "\r\n";
  for (std::size_t row = 0; row < rows; ++row) {
    appendNumber(out, 1 + random.below(99999), 1);
    out += '-';
    appendLetters(out, random, 3);
    out += ',';
    out += random.pick(kProducts);
    out += ',';
    appendNumber(out, random.below(1000), 3);
    appendLetters(out, random, 3);
    out += ',';
    appendNumber(out, 1 + random.below(99), 1);
    out += ',';
    appendNumber(out, 10 * (1 + random.below(9)), 1);
    out += ',';
    if (random.below(20) == 0) {
      out += "\" Drill, Ream and \"\"Tap\"\"\"";
    } else {
      out += random.pick(kOperations);
    }
    out += ',';
    out += random.pick(kResources);
    out += ',';
    appendNumber(out, 1 + random.below(500), 1);
    for (int i = 0; i < 2; ++i) {
      out += ',';
      appendDate(out, random);
    }
    for (int i = 0; i < 3; ++i) {
      out += ',';
      appendDateTime(out, random);
    }
    out += "\r\n";
  }
  return out;
}

void writeSampleCsv(const std::string& fileName, std::size_t rows, std::uint64_t seed) {
  writeWholeFile(fileName, makeSampleCsv(rows, seed));
}

namespace {

constexpr std::array<std::string_view, 16> kWords = {
    "bracket", "housing",  "tolerance", "surface", "finish",    "inspect", "batch",  "supplier",
    "drawing", "revision", "material",  "steel",   "aluminium", "coating", "thread", "assembly"};
constexpr std::array<std::string_view, 6> kTowns = {"Leeds", "Derby", "Hull",
                                                    "York",  "Bath",  "Wells"};

// A value of 40 to 100 characters made of words; one in ten holds a comma
// and is quoted, as a spreadsheet writes it.
void appendLongValue(std::string& out, Random& random) {
  const std::size_t length = 40 + static_cast<std::size_t>(random.below(61));
  std::string value;
  while (value.size() < length) {
    if (!value.empty()) value += random.below(10) == 0 ? ", " : " ";
    value += random.pick(kWords);
  }
  value.resize(length);
  if (value.back() == ' ' || value.back() == ',') value.back() = 'x';
  if (value.find(',') != std::string::npos) {
    out += '"';
    out += value;
    out += '"';
  } else {
    out += value;
  }
}

std::string makeWideCsv(std::size_t rows, std::uint64_t seed) {
  Random random(seed);
  std::string out;
  out.reserve((rows + 1) * 2300);
  for (int c = 0; c < kWideColumnCount; ++c) {
    if (c > 0) out += ',';
    out += "Note ";
    appendNumber(out, c + 1, 2);
  }
  out += "\r\n";
  for (std::size_t row = 0; row < rows; ++row) {
    for (int c = 0; c < kWideColumnCount; ++c) {
      if (c > 0) out += ',';
      appendLongValue(out, random);
    }
    out += "\r\n";
  }
  return out;
}

std::string makeShortCsv(std::size_t rows, std::uint64_t seed) {
  Random random(seed);
  std::string out;
  out.reserve((rows + 1) * 24);
  out += "Code,Count,Town\r\n";
  for (std::size_t row = 0; row < rows; ++row) {
    appendLetters(out, random, 2);
    out += ',';
    appendNumber(out, random.below(10000), 1);
    out += ',';
    out += random.pick(kTowns);
    out += "\r\n";
  }
  return out;
}

}  // namespace

std::string makeShapedCsv(CsvShape shape, std::size_t rows, std::uint64_t seed) {
  switch (shape) {
    case CsvShape::wide:
      return makeWideCsv(rows, seed);
    case CsvShape::shortLines:
      return makeShortCsv(rows, seed);
    case CsvShape::sample:
      break;
  }
  return makeSampleCsv(rows, seed);
}

void writeShapedCsv(CsvShape shape, const std::string& fileName, std::size_t rows,
                    std::uint64_t seed) {
  writeWholeFile(fileName, makeShapedCsv(shape, rows, seed));
}

bool csvShapeNamed(std::string_view name, CsvShape& shape) {
  if (name == "sample") {
    shape = CsvShape::sample;
  } else if (name == "wide") {
    shape = CsvShape::wide;
  } else if (name == "short") {
    shape = CsvShape::shortLines;
  } else {
    return false;
  }
  return true;
}

std::vector<std::vector<std::string>> sampleCellPool(std::size_t rows) {
  const std::size_t poolRows = std::min<std::size_t>(rows, 20'000);
  StringList lines;
  lines.setText(makeSampleCsv(poolRows, 1));
  std::vector<std::vector<std::string>> pool;
  StringList cells;
  for (int i = 1; i < lines.count(); ++i) {
    cells.setCommaText(normaliseLine(lines.item(i)));
    std::vector<std::string> row;
    for (int c = 0; c < cells.count(); ++c) row.emplace_back(cells.item(c));
    row.resize(kSampleColumnCount);
    pool.push_back(std::move(row));
  }
  return pool;
}

}  // namespace morvel::bench
