// The save on its own, without a window: a generated sample-shaped file is
// imported as the viewer imports it, one record in the middle is deleted
// (as the viewer bench does before it saves), and the table is then saved
// several times over, so that a profile of this program is mostly the save.
// Usage: bench_save [lines (1000000)] [--runs N (5)]
// Prints `name value unit` lines: the median save and the fastest.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/CsvTransfer.h"
#include "base/FormatSettings.h"
#include "bench/SampleCsv.h"
#include "bench/Timing.h"
#include "bench/WindowlessTransfer.h"
#include "table/EngineTable.h"

using namespace morvel;

int main(int argc, char** argv) {
  std::size_t lines = 1'000'000;
  int runs = 5;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--runs" && i + 1 < argc) {
      runs = std::max(1, std::atoi(argv[++i]));
    } else {
      lines = std::strtoull(argv[i], nullptr, 10);
    }
  }
  formatSettings().dateFormatShort = "dd/mm/yy";
  formatSettings().dateSep = '/';

  const auto folder =
      std::filesystem::temp_directory_path() / ("morvel-save-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  const std::string input = (folder / "in.csv").string();
  const std::string output = (folder / "out.csv").string();
  bench::writeSampleCsv(input, lines, 1);

  bench::WindowlessTransfer viewer;
  EngineTable& table = viewer.table;
  CsvTransfer& transfer = viewer.transfer;
  transfer.importLines(input);
  table.skip(static_cast<int>(lines / 2));
  table.deleteCurrent();
  table.goFirst();

  std::vector<double> saves;
  for (int run = 0; run < runs; ++run) {
    const auto start = bench::Clock::now();
    transfer.exportLines(output);
    saves.push_back(bench::seconds(start));
  }
  const std::string p = "save_" + std::to_string(lines) + "_";
  bench::report(p + "seconds", bench::median(saves), "s");
  bench::report(p + "fastest_seconds", *std::min_element(saves.begin(), saves.end()), "s");
  bench::report(p + "bytes", double(std::filesystem::file_size(output)), "B");
  std::filesystem::remove_all(folder);
  return 0;
}
