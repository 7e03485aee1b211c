#include "bench/SampleTable.h"

#include <string>

#include "base/Format.h"
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

}  // namespace morvel::bench
