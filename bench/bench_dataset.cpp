// How fast the dataset fills and walks the viewer's table: the sample-shaped
// table ("ID" plus 8 texts of size 100, 2 dates, 3 date-times), filled by
// InsertNew, 13 AsText sets and PostRecord per row with links suspended, then
// walked with GoFirst/GoNext reading every field's text.
// Usage: bench_dataset [rows (1000000)] [runs (3)]
// Prints one `name value unit` line per figure (medians of the runs).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/CsvReading.h"
#include "base/DateText.h"
#include "base/Format.h"
#include "base/StringList.h"
#include "bench/SampleCsv.h"
#include "bench/Timing.h"
#include "table/EngineTable.h"
#include "tests/support/ViewerTable.h"

using namespace morvel;

namespace {

using bench::median;
using bench::report;
using bench::seconds;

volatile std::size_t gSink;

}  // namespace

int main(int argc, char** argv) {
  const std::size_t rows = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1'000'000;
  const int runs = argc > 2 ? std::atoi(argv[2]) : 3;

  bench::useSampleDateSettings(formatSettings());

  // A pool of distinct sample rows, cycled through: the cells are parsed
  // once, outside the timed part.
  const std::vector<std::vector<std::string>> pool = bench::sampleCellPool(rows);

  std::vector<double> fills, walks;
  for (int run = 0; run < runs; ++run) {
    EngineTable table("tblData");
    fixture::defineViewerTable(table, fixture::sampleColumns());

    auto start = std::chrono::steady_clock::now();
    fixture::appendRecords(table, pool, rows);
    fills.push_back(seconds(start));

    start = std::chrono::steady_clock::now();
    std::size_t bytes = 0;
    {
      SuspendedLinks suspended(table);
      std::string text;
      const int total = table.fieldTotal();
      for (table.goFirst(); !table.atEnd(); table.goNext()) {
        for (int c = 0; c < total; ++c) {
          table.field(c)->getText(text);
          bytes += text.size();
        }
      }
    }
    walks.push_back(seconds(start));
    gSink = bytes;
    if (static_cast<std::size_t>(table.recordTotal()) != rows) {
      std::fprintf(stderr, "expected %zu records, found %d\n", rows, table.recordTotal());
      return 1;
    }
    fixture::dropViewerTable(table);
  }
  report("dataset_fill_seconds", median(fills), "s");
  report("dataset_fill_rows_per_second", static_cast<double>(rows) / median(fills), "rows/s");
  report("dataset_walk_seconds", median(walks), "s");
  report("dataset_walk_rows_per_second", static_cast<double>(rows) / median(walks), "rows/s");
  return 0;
}
