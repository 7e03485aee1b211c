// How fast a CSV file is read: whole-file load and line split, line
// normalisation and field parsing, date text both ways, and the whole read
// per row. Usage: bench_csv_reading [rows (1000000)] [seed (1)]
// Prints one `name value unit` line per figure (medians of several runs).
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "app/CsvReading.h"
#include "base/DateText.h"
#include "base/StringList.h"
#include "bench/SampleCsv.h"

using namespace morvel;

namespace {

// Median wall time in seconds of `runs` calls of work.
double medianSeconds(int runs, const std::function<void()>& work) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    const auto start = std::chrono::steady_clock::now();
    work();
    times.push_back(
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

void report(const char* name, double value, const char* unit) {
  std::printf("%s %.1f %s\n", name, value, unit);
  std::fflush(stdout);
}

// Keeps results alive so the optimiser cannot drop the work.
volatile double gSink;

}  // namespace

int main(int argc, char** argv) {
  const std::size_t rows = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1'000'000;
  const std::uint64_t seed = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 1;
  const std::string file = "/tmp/morvel-bench-csv-" + std::to_string(getpid()) + ".csv";
  bench::writeSampleCsv(file, rows, seed);

  FormatSettings settings;
  bench::useSampleDateSettings(settings);

  // Load from file and split into lines.
  double fileBytes = 0;
  const double loadSeconds = medianSeconds(5, [&] {
    StringList lines;
    lines.loadFromFile(file);
    fileBytes = 0;
    for (const std::string_view line : lines.items())
      fileBytes += static_cast<double>(line.size()) + 2;
    gSink = lines.count();
  });
  report("load_split", fileBytes / loadSeconds / 1e6, "MB/s");

  StringList lines;
  lines.loadFromFile(file);

  // NormaliseLine + set comma text over every line.
  const double parseSeconds = medianSeconds(3, [&] {
    StringList fields;
    std::string normalised;
    std::size_t total = 0;
    for (const std::string_view line : lines.items()) {
      normaliseLine(line, normalised);
      fields.setCommaText(normalised);
      total += static_cast<std::size_t>(fields.count());
    }
    gSink = static_cast<double>(total);
  });
  report("normalise_comma_text", fileBytes / parseSeconds / 1e6, "MB/s");

  // The date and date-time fields of every record.
  std::vector<std::string> dateTexts;
  std::vector<std::string> dateTimeTexts;
  {
    StringList fields;
    std::string normalised;
    for (std::size_t i = 1; i < lines.items().size(); ++i) {
      normaliseLine(lines.items()[i], normalised);
      fields.setCommaText(normalised);
      for (int c = bench::kSampleFirstDateColumn; c < bench::kSampleFirstDateTimeColumn; ++c) {
        dateTexts.emplace_back(fields.item(c));
      }
      for (int c = bench::kSampleFirstDateTimeColumn; c < bench::kSampleColumnCount; ++c) {
        dateTimeTexts.emplace_back(fields.item(c));
      }
    }
  }
  std::vector<DateTime> dates(dateTexts.size());
  std::vector<DateTime> dateTimes(dateTimeTexts.size());

  const double toDateSeconds = medianSeconds(5, [&] {
    for (std::size_t i = 0; i < dateTexts.size(); ++i)
      dates[i] = textToDate(dateTexts[i], settings);
  });
  report("text_to_date", static_cast<double>(dates.size()) / toDateSeconds, "values/s");

  const double toDateTimeSeconds = medianSeconds(5, [&] {
    for (std::size_t i = 0; i < dateTimeTexts.size(); ++i) {
      dateTimes[i] = textToDateTime(dateTimeTexts[i], settings);
    }
  });
  report("text_to_datetime", static_cast<double>(dateTimes.size()) / toDateTimeSeconds, "values/s");

  const double dateToTextSeconds = medianSeconds(5, [&] {
    std::size_t total = 0;
    for (const DateTime value : dates) total += dateToText(value, settings).size();
    gSink = static_cast<double>(total);
  });
  report("date_to_text", static_cast<double>(dates.size()) / dateToTextSeconds, "values/s");

  const double dateTimeToTextSeconds = medianSeconds(5, [&] {
    std::size_t total = 0;
    for (const DateTime value : dateTimes) total += dateTimeToText(value, settings).size();
    gSink = static_cast<double>(total);
  });
  report("datetime_to_text", static_cast<double>(dateTimes.size()) / dateTimeToTextSeconds,
         "values/s");

  // The whole read of a file as the import does it: load, then per record
  // the fields and the conversion of its typed fields.
  const double readSeconds = medianSeconds(3, [&] {
    StringList fileLines;
    fileLines.loadFromFile(file);
    StringList fields;
    std::string normalised;
    double sum = 0;
    for (std::size_t i = 1; i < fileLines.items().size(); ++i) {
      normaliseLine(fileLines.items()[i], normalised);
      fields.setCommaText(normalised);
      for (int c = bench::kSampleFirstDateColumn; c < bench::kSampleFirstDateTimeColumn; ++c) {
        sum += textToDate(fields.item(c), settings);
      }
      for (int c = bench::kSampleFirstDateTimeColumn; c < bench::kSampleColumnCount; ++c) {
        sum += textToDateTime(fields.item(c), settings);
      }
    }
    gSink = sum;
  });
  report("read_rows", static_cast<double>(rows) / readSeconds, "rows/s");

  std::remove(file.c_str());
  return 0;
}
