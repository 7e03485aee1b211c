// Generated CSV files shaped like the sample file of the viewer's
// instructions: 13 columns (8 text, 2 dates dd/mm/yy, 3 date-times
// dd/mm/yy hh:nn), about 150 bytes a line, CR LF line ends. The same row
// count and seed always give the same bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace morvel {
struct FormatSettings;
}

namespace morvel::bench {

// Settings that read the sample's dates as written: dd/mm/yy, '/' between
// the parts, two-digit years within 20 years back of this one.
void useSampleDateSettings(FormatSettings& settings);

// Column positions of the typed columns in every generated line.
constexpr int kSampleColumnCount = 13;
constexpr int kSampleFirstDateColumn = 8;       // two date columns
constexpr int kSampleFirstDateTimeColumn = 10;  // three date-time columns

// The header line, without its line end.
std::string sampleCsvHeader();

// The header and `rows` record lines, every line ending in CR LF. About one
// record in twenty has a quoted operation name holding a comma and a doubled
// quote, as hand-edited files do.
std::string makeSampleCsv(std::size_t rows, std::uint64_t seed);

// makeSampleCsv written to a file (created or truncated); throws
// FileCreateError or WriteError like StringList::saveToFile.
void writeSampleCsv(const std::string& fileName, std::size_t rows, std::uint64_t seed);

// Two shapes that press the table engine from other sides:
// - wide: 30 text columns of long values (40 to 100 characters, words from
//   a small vocabulary, some quoted with commas inside), about 2.2 kB a
//   line: the 2,000,000,000-byte data limit comes after some 600,000 lines;
// - short: 3 short text columns (a letter code, a number, a town), about
//   20 bytes a line, for millions of lines.
enum class CsvShape { sample, wide, shortLines };
constexpr int kWideColumnCount = 30;
std::string makeShapedCsv(CsvShape shape, std::size_t rows, std::uint64_t seed);
void writeShapedCsv(CsvShape shape, const std::string& fileName, std::size_t rows,
                    std::uint64_t seed);
// "sample", "wide" or "short"; false for any other name.
bool csvShapeNamed(std::string_view name, CsvShape& shape);

// The cells of up to 20,000 distinct sample rows (fewer when rows is
// smaller), parsed once so that timed loops can cycle through them.
std::vector<std::vector<std::string>> sampleCellPool(std::size_t rows);

}  // namespace morvel::bench
