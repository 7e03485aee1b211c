// Find and quick filter over the whole viewer: the real main window on the
// offscreen platform opens a generated sample-shaped file and then searches
// for a text no cell holds (flat and grouped), filters by a product name
// (one row in ten) and by a text no row holds, clears the filter and saves
// the shown rows.
// Usage: bench_find_filter [line count (1000000)] [--runs N (3)]
// Prints one `name value unit` line per figure (medians of the runs) and
// the machine's load average, since the machine may be shared.
#include <unistd.h>

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/DataGrid.h"
#include "app/FindFilter.h"
#include "app/MainWindow.h"
#include "bench/SampleCsv.h"
#include "bench/Timing.h"
#include "grid/db/CustomDBGrid.h"

using namespace morvel;

namespace {

using bench::Clock;
using bench::median;
using bench::report;
using bench::seconds;

constexpr int kProduct = 2;
constexpr int kResource = 7;

double timed(MainWindow& window, const std::function<void()>& work) {
  const auto start = Clock::now();
  work();
  QApplication::processEvents();
  window.gridData().widget()->repaint();
  return seconds(start);
}

}  // namespace

int main(int argc, char** argv) {
  std::size_t rows = 1'000'000;
  int runs = 3;
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == "--runs" && i + 1 < argc) {
      runs = std::max(1, std::atoi(argv[++i]));
    } else {
      char* end = nullptr;
      rows = std::strtoull(argv[i], &end, 10);
      if (rows == 0 || *end != '\0') {
        std::fprintf(stderr, "usage: bench_find_filter [line count] [--runs N]\n");
        return 2;
      }
    }
  }
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  double load[3] = {0, 0, 0};
  if (getloadavg(load, 3) > 0) report("machine_load_average_1min", load[0], "");
  int qtArgc = 1;
  char name[] = "bench_find_filter";
  char* qtArgv[] = {name, nullptr};
  QApplication app(qtArgc, qtArgv);
  formatSettings().dateFormatShort = "dd/mm/yy";
  formatSettings().dateSep = '/';

  const auto folder =
      std::filesystem::temp_directory_path() / ("morvel-bench-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  const std::string input = (folder / "in.csv").string();
  const std::string output = (folder / "shown.csv").string();
  bench::writeSampleCsv(input, rows, 1);
  FileDialog::setHandler([&](const FileDialog&) { return std::optional<std::string>(output); });

  MainWindow window(&DataGrid::make);
  window.resize(1280, 800);
  window.show();
  QApplication::processEvents();
  window.openCsvFile(input);
  DBGrid& grid = static_cast<DataGrid&>(window.gridData()).grid();
  ViewerGrid& viewer = window.gridData();
  FindFilter& findFilter = window.findFilter();

  std::vector<double> findFlat, findGrouped, filterSome, filterNone, filterClear, saveShown;
  int shownSome = 0;
  for (int run = 0; run < runs; ++run) {
    grid.setFocusedNode(grid.topNodes(0), 0, true);
    findFlat.push_back(timed(window, [&] {
      if (viewer.findText("no such text", false, true).found) std::fprintf(stderr, "found?\n");
    }));
    filterSome.push_back(timed(window, [&] { findFilter.filterByValue("Cam Follower"); }));
    shownSome = viewer.shownRecordCount();
    saveShown.push_back(timed(window, [&] { window.miSaveShownClick(); }));
    filterNone.push_back(timed(window, [&] { findFilter.filterByValue("no such text"); }));
    filterClear.push_back(timed(window, [&] { findFilter.clearFilter(); }));
  }
  grid.addGroupColumn(0, grid.dbColumn(kProduct));
  grid.addGroupColumn(1, grid.dbColumn(kResource));
  for (int run = 0; run < runs; ++run) {
    findGrouped.push_back(timed(window, [&] { viewer.findText("no such text", false, true); }));
  }
  const std::string p = "find_filter_" + std::to_string(rows) + "_";
  report(p + "find_no_match_seconds", median(findFlat), "s");
  report(p + "find_no_match_grouped_seconds", median(findGrouped), "s");
  report(p + "find_cells_per_second", double(rows) * 14 / median(findFlat), "cells/s");
  report(p + "filter_tenth_seconds", median(filterSome), "s");
  report(p + "filter_tenth_rows", shownSome, "rows");
  report(p + "filter_no_match_seconds", median(filterNone), "s");
  report(p + "filter_rows_per_second", double(rows) / median(filterNone), "rows/s");
  report(p + "filter_clear_seconds", median(filterClear), "s");
  report(p + "save_shown_seconds", median(saveShown), "s");
  std::filesystem::remove_all(folder);
  return 0;
}
