// Generated CSV files shaped like the sample file of the viewer's
// instructions: 13 columns (8 text, 2 dates dd/mm/yy, 3 date-times
// dd/mm/yy hh:nn), about 150 bytes a line, CR LF line ends. The same row
// count and seed always give the same bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace morvel::bench {

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

}  // namespace morvel::bench
