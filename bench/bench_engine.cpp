// How fast the table engine holds a sample-shaped table in memory: inserts
// through the cursor, a full walk, reading every field, deleting 10 % at
// random and inserting them again; and the same inserts and walk through
// SQLite's in-memory database with a prepared statement, as a yardstick.
// Usage: bench_engine [rows (1000000)] [seed (1)]
// Prints one `name value unit` line per figure; run it several times and
// take the medians.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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

double seconds(const std::function<void()>& work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void report(const std::string& name, double value, const char* unit) {
  std::printf("%s %.3f %s\n", name.c_str(), value, unit);
  std::fflush(stdout);
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
  settings.dateFormatShort = "dd/mm/yy";
  settings.centuryWindow = 20;
  std::vector<SampleRow> pool;
  pool.reserve(kPoolRows);
  std::size_t at = csv.find("\r\n") + 2;
  StringList list;
  while (at < csv.size()) {
    const std::size_t end = csv.find("\r\n", at);
    list.setCommaText(normaliseLine(std::string_view(csv).substr(at, end - at)));
    at = end + 2;
    const auto fields = list.items();
    SampleRow row;
    for (int i = 0; i < kTextColumns; ++i) row.text[i] = fields[static_cast<std::size_t>(i)];
    for (int i = 0; i < kDateColumns; ++i) {
      row.date[i] = dayNumber(textToDate(
          fields[static_cast<std::size_t>(bench::kSampleFirstDateColumn + i)], settings));
    }
    for (int i = 0; i < kDateTimeColumns; ++i) {
      const auto text = fields[static_cast<std::size_t>(bench::kSampleFirstDateTimeColumn + i)];
      row.dateTime[i] = milliseconds(textToDateTime(text, settings));
    }
    pool.push_back(std::move(row));
  }
  return pool;
}

std::vector<FieldDescriptor> sampleFields() {
  std::vector<FieldDescriptor> fields{
      FieldDescriptor(1, "ID", kTypeInt32, kSubtypeAutoInc, 0, true)};
  int n = 2;
  for (int i = 0; i < kTextColumns; ++i)
    fields.emplace_back(n++, "Text" + std::to_string(i), kTypeString, 0, kStringSize);
  for (int i = 0; i < kDateColumns; ++i)
    fields.emplace_back(n++, "Date" + std::to_string(i), kTypeDate, 0);
  for (int i = 0; i < kDateTimeColumns; ++i)
    fields.emplace_back(n++, "Time" + std::to_string(i), kTypeDateTime, 0);
  return fields;
}

void fillRecord(const DataCursor& c, std::uint8_t* record, const SampleRow& row) {
  c.blankRecord(record);
  int n = 2;
  for (const std::string& s : row.text)
    c.putField(n++, record, reinterpret_cast<const std::uint8_t*>(s.c_str()));
  for (std::int32_t d : row.date)
    c.putField(n++, record, reinterpret_cast<const std::uint8_t*>(&d));
  for (double t : row.dateTime) c.putField(n++, record, reinterpret_cast<const std::uint8_t*>(&t));
}

#ifdef MORVEL_HAVE_SQLITE
void sqliteRun(const std::vector<SampleRow>& pool, std::size_t rows, double engineInsert,
               double engineWalk) {
  sqlite3* db = nullptr;
  sqlite3_open(":memory:", &db);
  std::string create = "CREATE TABLE t(ID INTEGER PRIMARY KEY AUTOINCREMENT";
  for (int i = 0; i < kTextColumns; ++i) create += ", Text" + std::to_string(i) + " TEXT";
  for (int i = 0; i < kDateColumns; ++i) create += ", Date" + std::to_string(i) + " INTEGER";
  for (int i = 0; i < kDateTimeColumns; ++i) create += ", Time" + std::to_string(i) + " REAL";
  create += ")";
  sqlite3_exec(db, create.c_str(), nullptr, nullptr, nullptr);
  std::string insert = "INSERT INTO t VALUES(NULL";
  for (int i = 0; i < kTextColumns + kDateColumns + kDateTimeColumns; ++i) insert += ",?";
  insert += ")";
  sqlite3_stmt* put = nullptr;
  sqlite3_prepare_v2(db, insert.c_str(), -1, &put, nullptr);
  const double insertTime = seconds([&] {
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    for (std::size_t r = 0; r < rows; ++r) {
      const SampleRow& row = pool[r % pool.size()];
      int p = 1;
      for (const std::string& s : row.text)
        sqlite3_bind_text(put, p++, s.data(), static_cast<int>(s.size()), SQLITE_STATIC);
      for (std::int32_t d : row.date) sqlite3_bind_int(put, p++, d);
      for (double t : row.dateTime) sqlite3_bind_double(put, p++, t);
      sqlite3_step(put);
      sqlite3_reset(put);
    }
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
  });
  sqlite3_finalize(put);
  sqlite3_stmt* get = nullptr;
  sqlite3_prepare_v2(db, "SELECT * FROM t", -1, &get, nullptr);
  std::size_t seen = 0;
  const double walkTime = seconds([&] {
    while (sqlite3_step(get) == SQLITE_ROW) ++seen;
  });
  sqlite3_finalize(get);
  sqlite3_close(db);
  if (seen != rows) std::fprintf(stderr, "sqlite walk saw %zu rows\n", seen);
  report("sqlite_insert_" + std::to_string(rows), insertTime, "s");
  report("sqlite_insert_rows_per_s", static_cast<double>(rows) / insertTime, "rows/s");
  report("sqlite_walk_" + std::to_string(rows), walkTime, "s");
  report("engine_to_sqlite_insert_ratio", engineInsert / insertTime, "x");
  report("engine_to_sqlite_walk_ratio", engineWalk / walkTime, "x");
}
#endif

}  // namespace

int main(int argc, char** argv) {
  const std::size_t rows = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1'000'000;
  const std::uint64_t seed = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 1;
  const std::vector<SampleRow> pool = samplePool(seed);

  DataDirectory directory("MEMORY", "");
  DataCursor c(directory, "bench.dat");
  c.setInMemory(true);
  c.setExclusive(true);
  c.createTable(sampleFields(), {IndexDescriptor("", {1})},
                TableCreateOptions{0, 0, true, 512, ""});
  c.open();
  const int recordSize = c.recordSize();
  report("record_size", recordSize, "bytes");

  // What this machine charges for the memory alone: touching as many fresh
  // bytes as the table's records take, in the memory files' own chunks.
  const std::size_t bytes = roundUpTo(rows * static_cast<std::size_t>(recordSize), kLargeBlockSize);
  report("fresh_memory_touch", seconds([&] {
           void* block = engineAllocateLarge(bytes, true);
           for (std::size_t at = 0; at < bytes; at += 4096) static_cast<char*>(block)[at] = 1;
           engineFreeLarge(block, bytes);
         }),
         "s");

  std::vector<std::uint8_t> record(static_cast<std::size_t>(recordSize));
  const double insertTime = seconds([&] {
    for (std::size_t r = 0; r < rows; ++r) {
      fillRecord(c, record.data(), pool[r % pool.size()]);
      c.insertRecord(record.data());
    }
  });
  report("engine_insert_" + std::to_string(rows), insertTime, "s");
  report("engine_insert_rows_per_s", static_cast<double>(rows) / insertTime, "rows/s");

  std::size_t walked = 0;
  const double walkTime = seconds([&] {
    c.first();
    while (c.readNext(record.data()) == DataCursor::kOk) ++walked;
  });
  report("engine_walk_" + std::to_string(rows), walkTime, "s");
  report("engine_walk_rows_per_s", static_cast<double>(walked) / walkTime, "rows/s");

  // Every field of every record, keeping each record's bookmark for the
  // deletes below.
  const int bookmarkSize = c.bookmarkSize();
  std::vector<std::uint8_t> marks(rows * static_cast<std::size_t>(bookmarkSize));
  std::uint8_t value[256];
  std::uint64_t checksum = 0;
  const double fieldTime = seconds([&] {
    c.first();
    std::size_t r = 0;
    while (c.readNext(record.data()) == DataCursor::kOk) {
      for (int f = 1; f <= c.fieldCount(); ++f) {
        if (c.getField(f, record.data(), value)) checksum += value[0];
      }
      c.getBookmark(&marks[r++ * static_cast<std::size_t>(bookmarkSize)]);
    }
  });
  report("engine_read_all_fields", fieldTime, "s");

  std::vector<std::size_t> victims(rows);
  for (std::size_t i = 0; i < rows; ++i) victims[i] = i;
  std::shuffle(victims.begin(), victims.end(), std::mt19937_64(seed));
  victims.resize(rows / 10);
  const double deleteTime = seconds([&] {
    for (std::size_t v : victims) {
      c.goToBookmark(&marks[v * static_cast<std::size_t>(bookmarkSize)]);
      c.deleteRecord(nullptr);
    }
  });
  report("engine_delete_10_percent", deleteTime, "s");
  const double reinsertTime = seconds([&] {
    for (std::size_t v : victims) {
      fillRecord(c, record.data(), pool[v % pool.size()]);
      c.insertRecord(record.data());
    }
  });
  report("engine_reinsert_10_percent", reinsertTime, "s");
  if (c.recordCount() != static_cast<std::int64_t>(rows) || checksum == 0)
    std::fprintf(stderr, "record count is off\n");
  c.close();
  c.deleteTable();

#ifdef MORVEL_HAVE_SQLITE
  sqliteRun(pool, rows, insertTime, walkTime);
#endif
  return 0;
}
