// The whole viewer at work: the real main window on the offscreen platform
// opens generated sample-shaped files of 10,000, 100,000 and 1,000,000
// lines and then finds, sorts, groups, expands, deletes, saves and filters as
// a user would.
// Each size runs in a process of its own, so that its peak resident memory
// is its own.
// Usage: bench_viewer [sizes... (10000 100000 1000000)] [--runs N (3)]
// Prints one `name value unit` line per figure (medians of the runs), and
// the machine's load average, since the machine may be shared. The grid's
// steps of the open (loading the rows, best fit, painting) are timed once
// more on their own after each open, so that the open's split is known.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <algorithm>
#include <chrono>
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
#include "platform/Input.h"
#include "platform/qt/ControlWidget.h"

using namespace morvel;

namespace {

using bench::Clock;
using bench::median;
using bench::report;
using bench::seconds;

// Grid columns: "ID" first, then the file's columns in order.
constexpr int kProduct = 2;
constexpr int kResource = 7;
constexpr int kDueDate = 10;

struct Figures {
  std::vector<double> open, gridLoad, bestFit, firstPaint, sortText, sortDate, groupOne, groupTwo,
      expandAll, deleteOne, save;
  // A search for a text no cell holds, flat and grouped; a filter by one
  // product name (a row in ten) from every row shown, then by a text no row
  // holds, Save Shown Rows As of the first, and clearing the filter.
  std::vector<double> findFlat, findGrouped, filterTenth, filterNone, filterClear, saveShown;
  int tenthRows = 0;
};

// Paints the window as the screen would show it now.
void paint(MainWindow& window) {
  QApplication::processEvents();
  window.gridData().widget()->repaint();
}

double timed(MainWindow& window, const std::function<void()>& work) {
  const auto start = Clock::now();
  work();
  paint(window);
  return seconds(start);
}

int runSize(std::size_t rows, int runs) {
  int argc = 1;
  char name[] = "bench_viewer";
  char* argv[] = {name, nullptr};
  QApplication app(argc, argv);
  formatSettings().dateFormatShort = "dd/mm/yy";
  formatSettings().dateSep = '/';

  const auto folder =
      std::filesystem::temp_directory_path() / ("morvel-bench-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  const std::string input = (folder / "in.csv").string();
  const std::string output = (folder / "out.csv").string();
  bench::writeSampleCsv(input, rows, 1);
  FileDialog::setHandler([&](const FileDialog&) { return std::optional<std::string>(output); });

  MainWindow window(&DataGrid::make);
  window.resize(1280, 800);
  window.show();
  QApplication::processEvents();
  DBGrid& grid = static_cast<DataGrid&>(window.gridData()).grid();
  Figures f;
  for (int run = 0; run < runs; ++run) {
    f.open.push_back(timed(window, [&] { window.openCsvFile(input); }));
    if (grid.loadedRecordCount() != static_cast<int>(rows)) {
      std::fprintf(stderr, "loaded %d of %zu rows\n", grid.loadedRecordCount(), rows);
      return 1;
    }
    // The grid's share of the open, step by step, done again as the open
    // does it: reading every record into rows, fitting every column, and
    // painting the window anew.
    grid.setKeyField("RecordID");
    auto start = Clock::now();
    grid.setKeyField("ID");
    f.gridLoad.push_back(seconds(start));
    start = Clock::now();
    window.gridData().bestFitColumns();
    f.bestFit.push_back(seconds(start));
    QApplication::processEvents();
    start = Clock::now();
    window.gridData().widget()->repaint();
    f.firstPaint.push_back(seconds(start));
    ViewerGrid& viewer = window.gridData();
    FindFilter& findFilter = window.findFilter();
    f.findFlat.push_back(timed(window, [&] { viewer.findText("no such text", false, true); }));
    auto column = [&](int i) { return grid.dbColumn(i); };
    f.sortText.push_back(timed(window, [&] { grid.columnHeaderClick(column(kProduct)); }));
    f.sortDate.push_back(timed(window, [&] { grid.columnHeaderClick(column(kDueDate)); }));
    f.groupOne.push_back(timed(window, [&] { grid.addGroupColumn(0, column(kProduct)); }));
    f.groupTwo.push_back(timed(window, [&] { grid.addGroupColumn(1, column(kResource)); }));
    f.findGrouped.push_back(timed(window, [&] { viewer.findText("no such text", false, true); }));
    f.expandAll.push_back(timed(window, [&] { window.miExpandAllClick(); }));
    grid.setOptions(grid.options().without(goConfirmDelete));
    grid.setFocusedNode(grid.findDataNode(Variant(static_cast<long long>(rows / 2))), 0, false);
    f.deleteOne.push_back(timed(window, [&] { grid.keyDown(vkDelete, ssCtrl); }));
    grid.setOptions(grid.options().with(goConfirmDelete));
    f.save.push_back(timed(window, [&] { window.miSaveClick(); }));
    if (grid.loadedRecordCount() != static_cast<int>(rows) - 1) {
      std::fprintf(stderr, "after the deletion %d rows\n", grid.loadedRecordCount());
      return 1;
    }
    // The filter comes last, over the grouped rows and by an operation (one
    // in ten), since grouped columns are not searched: its reloads rebuild
    // every row, which would change what the steps above measure.
    f.filterTenth.push_back(timed(window, [&] { findFilter.filterByValue("Mill Keyway"); }));
    f.tenthRows = viewer.shownRecordCount();
    f.saveShown.push_back(timed(window, [&] { window.miSaveShownClick(); }));
    f.filterNone.push_back(timed(window, [&] { findFilter.filterByValue("no such text"); }));
    f.filterClear.push_back(timed(window, [&] { findFilter.clearFilter(); }));
  }
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  const std::string p = "viewer_" + std::to_string(rows) + "_";
  report(p + "open_seconds", median(f.open), "s");
  report(p + "open_rows_per_second", double(rows) / median(f.open), "rows/s");
  report(p + "grid_load_seconds", median(f.gridLoad), "s");
  report(p + "best_fit_seconds", median(f.bestFit), "s");
  report(p + "first_paint_seconds", median(f.firstPaint), "s");
  report(p + "sort_text_seconds", median(f.sortText), "s");
  report(p + "sort_date_seconds", median(f.sortDate), "s");
  report(p + "group_one_seconds", median(f.groupOne), "s");
  report(p + "group_two_seconds", median(f.groupTwo), "s");
  report(p + "expand_all_seconds", median(f.expandAll), "s");
  report(p + "delete_one_seconds", median(f.deleteOne), "s");
  report(p + "save_seconds", median(f.save), "s");
  report(p + "find_no_match_seconds", median(f.findFlat), "s");
  report(p + "find_no_match_grouped_seconds", median(f.findGrouped), "s");
  report(p + "filter_tenth_seconds", median(f.filterTenth), "s");
  report(p + "filter_tenth_rows", f.tenthRows, "rows");
  report(p + "filter_no_match_seconds", median(f.filterNone), "s");
  report(p + "filter_clear_seconds", median(f.filterClear), "s");
  report(p + "save_shown_seconds", median(f.saveShown), "s");
  report(p + "peak_rss_megabytes", double(usage.ru_maxrss) / 1024.0, "MB");
  std::filesystem::remove_all(folder);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::size_t> sizes;
  int runs = 3;
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == "--runs" && i + 1 < argc) {
      runs = std::max(1, std::atoi(argv[++i]));
    } else {
      char* end = nullptr;
      const std::size_t rows = std::strtoull(argv[i], &end, 10);
      if (rows == 0 || *end != '\0') {
        std::fprintf(stderr, "usage: bench_viewer [line counts...] [--runs N]\n");
        return 2;
      }
      sizes.push_back(rows);
    }
  }
  if (sizes.empty()) sizes = {10'000, 100'000, 1'000'000};
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  double load[3] = {0, 0, 0};
  if (getloadavg(load, 3) > 0) report("machine_load_average_1min", load[0], "");
  int status = 0;
  for (const std::size_t rows : sizes) {
    std::fflush(stdout);
    const pid_t child = ::fork();
    if (child == 0) ::_exit(runSize(rows, runs));
    int childStatus = 0;
    ::waitpid(child, &childStatus, 0);
    if (!WIFEXITED(childStatus) || WEXITSTATUS(childStatus) != 0) status = 1;
  }
  return status;
}
