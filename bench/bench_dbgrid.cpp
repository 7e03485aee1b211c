// How fast the data-bound grid loads, groups, sorts and follows deletions
// on the sample-shaped table ("ID" plus 8 texts of size 100, 2 dates, 3
// date-times), set up as the viewer sets up its grid. The "Priority" column
// is given 1,000 distinct values here, so that grouping by it makes 1,000
// group rows.
// Usage: bench_dbgrid [rows (1000000)] [runs (3)]
// Prints one `name value unit` line per figure (medians of the runs).
#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/CsvReading.h"
#include "app/GridSetup.h"
#include "base/Format.h"
#include "base/FormatSettings.h"
#include "base/SmallBlocks.h"
#include "base/StringList.h"
#include "bench/SampleCsv.h"
#include "bench/Timing.h"
#include "grid/db/CustomDBGrid.h"
#include "platform/fake/FakeHost.h"
#include "table/DataSource.h"
#include "table/EngineTable.h"
#include "tests/support/ViewerTable.h"

using namespace morvel;

namespace {

using bench::Clock;
using bench::median;
using bench::report;
using bench::seconds;

// The heap in use and the chunks rows are carved from.
std::size_t heapInUse() { return mallinfo2().uordblks + smallBlockBytesHeld(); }

constexpr int kPriority = 4;   // grid column of "Priority" (after "ID")
constexpr int kProduct = 2;    // "Product": 10 values
constexpr int kStartDate = 9;  // "Earliest Start Date"

// The pool with 1,000 distinct priorities: record r takes pool row
// r % size, and (r * 7919) % 1000 depends on r % 1000 alone, which the pool
// row fixes whenever the pool size is a multiple of 1,000 or covers every
// record.
std::vector<std::vector<std::string>> withPriorities(std::vector<std::vector<std::string>> pool) {
  for (std::size_t i = 0; i < pool.size(); ++i) {
    pool[i][kPriority - 1] = std::to_string((i * 7919) % 1000);
  }
  return pool;
}

struct Figures {
  std::vector<double> load, memory, groupOne, groupTwo, regroup, ungroup, groupReading, sortDate,
      deleteMiddle, deleteEnd, reloadKeeping;
};

void runOnce(std::size_t rows, const std::vector<std::vector<std::string>>& pool,
             Figures& figures) {
  EngineTable table("tblData");
  fixture::defineViewerTable(table, fixture::sampleColumns());
  fixture::appendRecords(table, pool, rows);
  DataSource source("dsData");
  source.setDataSet(&table);
  FakeHost host({800, 600});
  DBGrid grid(host);
  grid.setName("gridData");
  fixture::setUpViewerGrid(grid, source);
  buildColumns(grid);
  const auto column = [&](int i) { return grid.dbColumn(i); };

  const std::size_t heapBefore = heapInUse();
  auto start = Clock::now();
  grid.setKeyField("ID");
  figures.load.push_back(seconds(start));
  figures.memory.push_back(static_cast<double>(heapInUse() - heapBefore) / (1024.0 * 1024.0));
  if (grid.loadedRecordCount() != static_cast<int>(rows)) {
    std::fprintf(stderr, "loaded %d of %zu records\n", grid.loadedRecordCount(), rows);
    std::exit(1);
  }

  start = Clock::now();
  column(kStartDate)->setSorted(csUp);
  figures.sortDate.push_back(seconds(start));

  start = Clock::now();
  grid.addGroupColumn(0, column(kPriority));
  figures.groupOne.push_back(seconds(start));

  start = Clock::now();
  grid.addGroupColumn(0, column(kProduct));
  figures.groupTwo.push_back(seconds(start));

  // Swapping the levels: the rows already loaded are regrouped.
  start = Clock::now();
  grid.beginGroupChange();
  grid.removeGroupColumn(0);
  grid.addGroupColumn(1, column(kProduct));
  grid.endGroupChange();
  figures.regroup.push_back(seconds(start));

  start = Clock::now();
  grid.beginGroupChange();
  grid.removeGroupColumn(1);
  grid.removeGroupColumn(0);
  grid.endGroupChange();
  figures.ungroup.push_back(seconds(start));

  // Grouping by reading the dataset again, as without goSmartReload.
  grid.setOptions(grid.options().without(goSmartReload));
  start = Clock::now();
  grid.addGroupColumn(0, column(kPriority));
  figures.groupReading.push_back(seconds(start));
  grid.removeGroupColumn(0);
  grid.setOptions(grid.options().with(goSmartReload));

  grid.setOptions(grid.options().without(goConfirmDelete));
  DBGridNode* middle = grid.findDataNode(Variant(static_cast<long long>(rows / 2)));
  grid.setFocusedNode(middle, 0, false);
  start = Clock::now();
  grid.keyDown(vkDelete, ssCtrl);
  figures.deleteMiddle.push_back(seconds(start) * 1000);

  // The dataset stays on the new last record, not at its end, so this too
  // is a smart refresh.
  DBGridNode* last = grid.findDataNode(Variant(static_cast<long long>(rows)));
  grid.setFocusedNode(last, 0, false);
  start = Clock::now();
  grid.keyDown(vkDelete, ssCtrl);
  figures.deleteEnd.push_back(seconds(start));
  // The reload a change takes when the smart refresh does not apply (the
  // dataset at its end, a selection deleted): every row is rebuilt.
  start = Clock::now();
  grid.reloadKeepingNodes();
  figures.reloadKeeping.push_back(seconds(start));
  if (grid.loadedRecordCount() != static_cast<int>(rows) - 2) {
    std::fprintf(stderr, "after two deletions %d rows\n", grid.loadedRecordCount());
    std::exit(1);
  }

  grid.setDataSource(nullptr);
  fixture::dropViewerTable(table);
}

}  // namespace

int main(int argc, char** argv) {
  const std::size_t rows = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1'000'000;
  const int runs = argc > 2 ? std::atoi(argv[2]) : 3;

  bench::useSampleDateSettings(formatSettings());

  const auto pool = withPriorities(bench::sampleCellPool(rows));
  Figures f;
  for (int run = 0; run < runs; ++run) runOnce(rows, pool, f);
  report("dbgrid_load_seconds", median(f.load), "s");
  report("dbgrid_load_rows_per_second", static_cast<double>(rows) / median(f.load), "rows/s");
  report("dbgrid_node_memory_megabytes", median(f.memory), "MB");
  report("dbgrid_sort_by_date_seconds", median(f.sortDate), "s");
  report("dbgrid_group_one_column_seconds", median(f.groupOne), "s");
  report("dbgrid_group_two_columns_seconds", median(f.groupTwo), "s");
  report("dbgrid_regroup_loaded_seconds", median(f.regroup), "s");
  report("dbgrid_ungroup_seconds", median(f.ungroup), "s");
  report("dbgrid_group_by_reading_seconds", median(f.groupReading), "s");
  report("dbgrid_delete_middle_milliseconds", median(f.deleteMiddle), "ms");
  report("dbgrid_delete_end_seconds", median(f.deleteEnd), "s");
  report("dbgrid_reload_keeping_nodes_seconds", median(f.reloadKeeping), "s");
  return 0;
}
