// The largest files the viewer opens whole: a file of each shape, larger
// than the table engine's 2,000,000,000-byte data limit allows, is imported
// as the viewer imports it (no window) until the engine refuses a record;
// the lines stored then give the largest file that opens completely, in
// lines and in bytes. Measured, not estimated from record sizes.
// Usage: bench_limits [--shape sample|wide|short] [lines tried]
// Prints `name value unit` lines.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/CsvTransfer.h"
#include "base/Exception.h"
#include "base/FormatSettings.h"
#include "base/WholeFile.h"
#include "bench/SampleCsv.h"
#include "bench/Timing.h"
#include "bench/WindowlessTransfer.h"
#include "table/EngineTable.h"

using namespace morvel;

int main(int argc, char** argv) {
  bench::CsvShape shape = bench::CsvShape::sample;
  std::string shapeName = "sample";
  std::size_t tried = 0;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--shape" && i + 1 < argc && bench::csvShapeNamed(argv[i + 1], shape)) {
      shapeName = argv[++i];
    } else {
      tried = std::strtoull(argv[i], nullptr, 10);
    }
  }
  if (tried == 0) tried = shape == bench::CsvShape::wide ? 700'000 : 2'600'000;
  formatSettings().dateFormatShort = "dd/mm/yy";
  formatSettings().dateSep = '/';

  const std::string file = (std::filesystem::temp_directory_path() /
                            ("morvel-limits-" + std::to_string(::getpid()) + ".csv"))
                               .string();
  const std::string text = bench::makeShapedCsv(shape, tried, 1);
  writeWholeFile(file, text);

  bench::WindowlessTransfer viewer;
  EngineTable& table = viewer.table;
  CsvTransfer& transfer = viewer.transfer;
  std::string stoppedBy;
  const auto start = bench::Clock::now();
  try {
    transfer.importLines(file);
  } catch (const Exception& e) {
    stoppedBy = e.message();
  }
  const double took = bench::seconds(start);
  std::filesystem::remove(file);
  const int records = table.active() ? table.recordTotal() : 0;

  // The largest whole file: the header and the lines stored.
  std::size_t bytes = 0;
  for (int line = 0; line <= records && bytes < text.size(); ++line) {
    bytes = text.find("\r\n", bytes) + 2;
  }
  const std::string p = "limits_" + shapeName + "_";
  bench::report(p + "lines_tried", double(tried), "lines");
  bench::report(p + "largest_whole_file_lines", double(records), "lines");
  bench::report(p + "largest_whole_file_bytes", double(bytes), "B");
  bench::report(p + "import_seconds", took, "s");
  if (stoppedBy.empty()) {
    std::printf("# every line fitted: try more lines\n");
  } else {
    std::printf("# stopped by: %s\n", stoppedBy.c_str());
  }
  return 0;
}
