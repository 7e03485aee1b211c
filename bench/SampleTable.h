// The in-memory table the viewer builds for a sample-shaped file: "ID" as an
// auto-increment primary key, then the sample's columns typed as the viewer
// types them (text of size 100, dates, date-times).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace morvel {
class EngineTable;
}

namespace morvel::bench {

// Drops any table of the same name, defines the fields and the primary
// index, and builds the table; the table is left closed.
void defineSampleTable(EngineTable& table);

// The cells of up to 20,000 distinct sample rows (fewer when rows is
// smaller), parsed once so that timed loops can cycle through them.
std::vector<std::vector<std::string>> sampleCellPool(std::size_t rows);

}  // namespace morvel::bench
