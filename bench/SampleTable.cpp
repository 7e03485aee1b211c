// The benchmarks' sample-shaped table and the pool of sample rows they
// cycle through; see SampleTable.h.
#include "bench/SampleTable.h"

#include <algorithm>
#include <string>

#include "app/CsvReading.h"
#include "base/Format.h"
#include "base/StringList.h"
#include "bench/SampleCsv.h"
#include "table/DatabaseError.h"
#include "table/EngineTable.h"

namespace morvel::bench {

void defineSampleTable(EngineTable& table) {
  table.setInMemory(true);
  table.setTableName("memory.dat");
  table.setExclusive(true);
  try {
    table.dropTable();
  } catch (const DatabaseError&) {
    // Nothing to drop.
  }
  table.fieldDefs().defineField("ID", ftAutoInc, 0, true);
  for (int c = 0; c < kSampleColumnCount; ++c) {
    const std::string name = formatMessage("C%d", c);
    const FieldType type = c >= kSampleFirstDateTimeColumn ? ftDateTime
                           : c >= kSampleFirstDateColumn   ? ftDate
                                                           : ftString;
    table.fieldDefs().defineField(name, type, type == ftString ? 100 : 0);
  }
  table.indexDefs().defineIndex("", "ID", ixPrimary);
  table.buildTable();
}

std::vector<std::vector<std::string>> sampleCellPool(std::size_t rows) {
  const std::size_t poolRows = std::min<std::size_t>(rows, 20'000);
  StringList lines;
  lines.setText(makeSampleCsv(poolRows, 1));
  std::vector<std::vector<std::string>> pool;
  StringList cells;
  for (int i = 1; i < lines.count(); ++i) {
    cells.setCommaText(normaliseLine(lines.item(i)));
    std::vector<std::string> row;
    for (int c = 0; c < cells.count(); ++c) row.emplace_back(cells.item(c));
    row.resize(kSampleColumnCount);
    pool.push_back(std::move(row));
  }
  return pool;
}

}  // namespace morvel::bench
