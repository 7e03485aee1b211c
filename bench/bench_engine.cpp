// How fast the table engine holds a sample-shaped table in memory: inserts
// through the cursor, a full walk, reading every field, deleting 10 % at
// random and inserting them again; and the same inserts and walk through
// SQLite's in-memory database with a prepared statement, as a yardstick.
// Usage: bench_engine [rows (1000000)] [seed (1)] [engine|sqlite|memory]
// The third argument runs one side alone (in a process of its own neither
// inherits memory the other freed), or only times filling as much fresh
// memory as the table's records need, record by record, in ordinary and in
// huge pages.
// Prints one `name value unit` line per figure; run it several times and
// take the medians.
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "app/CsvReading.h"
#include "base/DateText.h"
#include "base/StringList.h"
#include "bench/SampleCsv.h"
#include "table/engine/DataCursor.h"
#include "table/files/EngineAllocator.h"

#ifdef MORVEL_HAVE_SQLITE
#include <sqlite3.h>
#endif

using namespace morvel;

namespace {

constexpr int kTextColumns = 8;
constexpr int kDateColumns = 2;
constexpr int kDateTimeColumns = 3;
constexpr int kStringSize = 100;
// Distinct sample rows; row i of the table takes row i % kPoolRows.
constexpr std::size_t kPoolRows = 65536;

struct SampleRow {
  std::string text[kTextColumns];
  std::int32_t date[kDateColumns];
  double dateTime[kDateTimeColumns];
};

struct Times {
  double insert = 0;
  double insertCpu = 0;
  double insertSystem = 0;
  double walk = 0;
  double walkCpu = 0;
};

double systemSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_stime.tv_usec) / 1e6;
}

// Wall-clock seconds of `work`; `cpu` receives the process's processor
// seconds, which a machine busy with other work inflates less, and
// `system` the part of them spent in the kernel (mostly first use of fresh
// memory, which varies a lot from run to run on a virtual machine).
double seconds(const std::function<void()>& work, double* cpu = nullptr, double* system = nullptr) {
  const std::clock_t cpuStart = std::clock();
  const double systemStart = systemSeconds();
  const auto start = std::chrono::steady_clock::now();
  work();
  if (cpu) *cpu = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
  if (system) *system = systemSeconds() - systemStart;
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void report(const std::string& name, double value, const char* unit) {
  std::printf("%s %.3f %s\n", name.c_str(), value, unit);
  std::fflush(stdout);
}

std::string numbered(const char* prefix, int i) {
  std::string s = prefix;
  s += std::to_string(i);
  return s;
}

// Values as a dataset stores them: a day number counting 0001-01-01 as
// day 1, and milliseconds since its start.
std::int32_t dayNumber(DateTime value) {
  return static_cast<std::int32_t>(std::floor(value)) + 693594;
}
double milliseconds(DateTime value) {
  const double days = std::floor(value);
  return (days + 693594) * 86400000.0 + std::round((value - days) * 86400000.0);
}

// Rows of the generated sample file, typed as the viewer types its columns.
std::vector<SampleRow> samplePool(std::uint64_t seed) {
  const std::string csv = bench::makeSampleCsv(kPoolRows, seed);
  FormatSettings settings;
  bench::useSampleDateSettings(settings);
  std::vector<SampleRow> pool;
  pool.reserve(kPoolRows);
  std::size_t at = csv.find("\r\n") + 2;
  StringList list;
  while (at < csv.size()) {
    const std::size_t end = csv.find("\r\n", at);
    list.setCommaText(normaliseLine(std::string_view(csv).substr(at, end - at)));
    at = end + 2;
    const auto fields = list.items();
    const auto field = [&](int i) { return fields[static_cast<std::size_t>(i)]; };
    SampleRow row;
    for (int i = 0; i < kTextColumns; ++i) row.text[i] = field(i);
    for (int i = 0; i < kDateColumns; ++i) {
      row.date[i] = dayNumber(textToDate(field(bench::kSampleFirstDateColumn + i), settings));
    }
    for (int i = 0; i < kDateTimeColumns; ++i) {
      row.dateTime[i] =
          milliseconds(textToDateTime(field(bench::kSampleFirstDateTimeColumn + i), settings));
    }
    pool.push_back(std::move(row));
  }
  return pool;
}

std::vector<FieldDescriptor> sampleFields() {
  std::vector<FieldDescriptor> fields{
      FieldDescriptor(1, "ID", kTypeInt32, kSubtypeAutoInc, 0, true)};
  int n = 2;
  for (int i = 0; i < kTextColumns; ++i) {
    fields.emplace_back(n++, numbered("Text", i), kTypeString, 0, kStringSize);
  }
  for (int i = 0; i < kDateColumns; ++i)
    fields.emplace_back(n++, numbered("Date", i), kTypeDate, 0);
  for (int i = 0; i < kDateTimeColumns; ++i) {
    fields.emplace_back(n++, numbered("Time", i), kTypeDateTime, 0);
  }
  return fields;
}

void fillRecord(const DataCursor& c, std::uint8_t* record, const SampleRow& row) {
  c.blankRecord(record);
  int n = 2;
  for (const std::string& s : row.text) {
    c.putField(n++, record, reinterpret_cast<const std::uint8_t*>(s.c_str()));
  }
  for (const std::int32_t& d : row.date) {
    c.putField(n++, record, reinterpret_cast<const std::uint8_t*>(&d));
  }
  for (const double& t : row.dateTime) {
    c.putField(n++, record, reinterpret_cast<const std::uint8_t*>(&t));
  }
}

// Every engine step on a fresh in-memory table.
Times engineRun(const std::vector<SampleRow>& pool, std::size_t rows, std::uint64_t seed) {
  DataDirectory directory("MEMORY", "");
  DataCursor c(directory, "bench.dat");
  c.setInMemory(true);
  c.setExclusive(true);
  TableCreateOptions replace;
  replace.overwrite = true;
  c.createTable(sampleFields(), {IndexDescriptor("", {1})}, replace);
  c.open();
  report("record_size", c.recordSize(), "bytes");
  Times times;
  std::vector<std::uint8_t> record(static_cast<std::size_t>(c.recordSize()));
  times.insert = seconds(
      [&] {
        for (std::size_t r = 0; r < rows; ++r) {
          fillRecord(c, record.data(), pool[r % pool.size()]);
          c.insertRecord(record.data());
        }
      },
      &times.insertCpu, &times.insertSystem);
  report(numbered("engine_insert_", static_cast<int>(rows)), times.insert, "s");
  report("engine_insert_cpu", times.insertCpu, "s");
  report("engine_insert_system_cpu", times.insertSystem, "s");
  report("engine_insert_rows_per_s", static_cast<double>(rows) / times.insert, "rows/s");

  std::size_t walked = 0;
  times.walk = seconds(
      [&] {
        c.first();
        while (c.readNext(record.data()) == DataCursor::kOk) ++walked;
      },
      &times.walkCpu);
  report(numbered("engine_walk_", static_cast<int>(rows)), times.walk, "s");
  report("engine_walk_cpu", times.walkCpu, "s");
  report("engine_walk_rows_per_s", static_cast<double>(walked) / times.walk, "rows/s");

  // Every field of every record, keeping each record's bookmark for the
  // deletes below.
  const auto markSize = static_cast<std::size_t>(c.bookmarkSize());
  std::vector<std::uint8_t> marks(rows * markSize);
  std::uint8_t value[256];
  std::uint64_t checksum = 0;
  report("engine_read_all_fields", seconds([&] {
           c.first();
           std::size_t r = 0;
           while (c.readNext(record.data()) == DataCursor::kOk) {
             for (int f = 1; f <= c.fieldCount(); ++f) {
               if (c.getField(f, record.data(), value)) checksum += value[0];
             }
             c.getBookmark(&marks[r++ * markSize]);
           }
         }),
         "s");

  std::vector<std::size_t> victims(rows);
  for (std::size_t i = 0; i < rows; ++i) victims[i] = i;
  std::shuffle(victims.begin(), victims.end(), std::mt19937_64(seed));
  victims.resize(rows / 10);
  report("engine_delete_10_percent", seconds([&] {
           for (std::size_t v : victims) {
             c.goToBookmark(&marks[v * markSize]);
             c.deleteRecord(nullptr);
           }
         }),
         "s");
  report("engine_reinsert_10_percent", seconds([&] {
           for (std::size_t v : victims) {
             fillRecord(c, record.data(), pool[v % pool.size()]);
             c.insertRecord(record.data());
           }
         }),
         "s");
  if (c.recordCount() != static_cast<std::int64_t>(rows) || checksum == 0) {
    std::fprintf(stderr, "the table does not hold what was put in\n");
  }
  c.close();
  c.deleteTable();
  return times;
}

#ifdef MORVEL_HAVE_SQLITE
// The same inserts and walk through SQLite's in-memory database.
Times sqliteRun(const std::vector<SampleRow>& pool, std::size_t rows) {
  sqlite3* db = nullptr;
  sqlite3_open(":memory:", &db);
  std::string create = "CREATE TABLE t(ID INTEGER PRIMARY KEY AUTOINCREMENT";
  for (int i = 0; i < kTextColumns; ++i) create += ", " + numbered("Text", i) + " TEXT";
  for (int i = 0; i < kDateColumns; ++i) create += ", " + numbered("Date", i) + " INTEGER";
  for (int i = 0; i < kDateTimeColumns; ++i) create += ", " + numbered("Time", i) + " REAL";
  create += ")";
  sqlite3_exec(db, create.c_str(), nullptr, nullptr, nullptr);
  std::string insert = "INSERT INTO t VALUES(NULL";
  for (int i = 0; i < kTextColumns + kDateColumns + kDateTimeColumns; ++i) insert += ",?";
  insert += ")";
  sqlite3_stmt* put = nullptr;
  sqlite3_prepare_v2(db, insert.c_str(), -1, &put, nullptr);
  Times times;
  times.insert = seconds(
      [&] {
        sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
        for (std::size_t r = 0; r < rows; ++r) {
          const SampleRow& row = pool[r % pool.size()];
          int p = 1;
          for (const std::string& s : row.text) {
            sqlite3_bind_text(put, p++, s.data(), static_cast<int>(s.size()), SQLITE_STATIC);
          }
          for (std::int32_t d : row.date) sqlite3_bind_int(put, p++, d);
          for (double t : row.dateTime) sqlite3_bind_double(put, p++, t);
          sqlite3_step(put);
          sqlite3_reset(put);
        }
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
      },
      &times.insertCpu, &times.insertSystem);
  sqlite3_finalize(put);
  sqlite3_stmt* get = nullptr;
  sqlite3_prepare_v2(db, "SELECT * FROM t", -1, &get, nullptr);
  std::size_t seen = 0;
  times.walk = seconds(
      [&] {
        while (sqlite3_step(get) == SQLITE_ROW) ++seen;
      },
      &times.walkCpu);
  sqlite3_finalize(get);
  sqlite3_close(db);
  if (seen != rows) std::fprintf(stderr, "sqlite walk saw %zu rows\n", seen);
  report(numbered("sqlite_insert_", static_cast<int>(rows)), times.insert, "s");
  report("sqlite_insert_cpu", times.insertCpu, "s");
  report("sqlite_insert_system_cpu", times.insertSystem, "s");
  report("sqlite_insert_rows_per_s", static_cast<double>(rows) / times.insert, "rows/s");
  report(numbered("sqlite_walk_", static_cast<int>(rows)), times.walk, "s");
  report("sqlite_walk_cpu", times.walkCpu, "s");
  return times;
}
#endif

}  // namespace

int main(int argc, char** argv) {
  const std::size_t rows = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1'000'000;
  const std::uint64_t seed = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 1;
  const std::string only = argc > 3 ? argv[3] : "";
  if (only == "memory") {
    // What filling fresh memory costs, record by record as a table fills
    // its data file: the engine's own large blocks on ordinary and on huge
    // pages, each chunk mapped in at once.
    constexpr std::size_t kRecord = 862;
    const std::size_t bytes = roundUpTo(rows * kRecord, kLargeBlockSize);
    std::vector<std::uint8_t> record(kRecord, 7);
    for (const bool huge : {false, true}) {
      double cpu = 0;
      double system = 0;
      seconds(
          [&] {
            std::vector<void*> chunks;
            for (std::size_t at = 0; at < bytes; at += kLargeBlockSize) {
              chunks.push_back(engineAllocateLarge(kLargeBlockSize, huge));
            }
            for (std::size_t r = 0; r < rows; ++r) {
              for (std::size_t done = 0; done < kRecord;) {
                const std::size_t at = r * kRecord + done;
                const std::size_t n =
                    std::min(kRecord - done, kLargeBlockSize - at % kLargeBlockSize);
                std::memcpy(static_cast<char*>(chunks[at / kLargeBlockSize]) + at % kLargeBlockSize,
                            record.data() + done, n);
                done += n;
              }
            }
            for (void* chunk : chunks) engineFreeLarge(chunk, kLargeBlockSize);
          },
          &cpu, &system);
      const std::string name = huge ? "fresh_memory_fill_huge_pages" : "fresh_memory_fill";
      report(name + "_cpu", cpu, "s");
      report(name + "_system_cpu", system, "s");
    }
    return 0;
  }
  const std::vector<SampleRow> pool = samplePool(seed);
  Times engine;
  if (only != "sqlite") engine = engineRun(pool, rows, seed);
#ifdef MORVEL_HAVE_SQLITE
  if (only != "engine") {
    const Times sqlite = sqliteRun(pool, rows);
    if (only.empty()) {
      report("engine_to_sqlite_insert_ratio", engine.insert / sqlite.insert, "x");
      report("engine_to_sqlite_walk_ratio", engine.walk / sqlite.walk, "x");
      report("engine_to_sqlite_insert_cpu_ratio", engine.insertCpu / sqlite.insertCpu, "x");
      report("engine_to_sqlite_walk_cpu_ratio", engine.walkCpu / sqlite.walkCpu, "x");
    }
  }
#endif
  return 0;
}
