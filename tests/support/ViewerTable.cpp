// The viewer's table for tests and benchmarks; see ViewerTable.h.
#include "tests/support/ViewerTable.h"

#include <algorithm>

#include "app/GridSetup.h"
#include "base/Exception.h"
#include "grid/db/CustomDBGrid.h"
#include "table/DataSource.h"
#include "table/EngineTable.h"

namespace morvel::fixture {

namespace {
// The size the import gives a text column.
constexpr int kTextSize = 100;
}  // namespace

const std::vector<ViewerColumn>& sampleColumns() {
  static const std::vector<ViewerColumn> columns{
      {"Part No."},
      {"Product"},
      {"Order No."},
      {"Priority"},
      {"Op. No."},
      {"Operation Name"},
      {"Resource"},
      {"Quantity"},
      {"Earliest Start Date", ftDate},
      {"Due Date", ftDate},
      {"Setup Start", ftDateTime},
      {"Start Time", ftDateTime},
      {"End Time", ftDateTime},
  };
  return columns;
}

void prepareViewerTable(EngineTable& table) {
  table.close();
  table.setInMemory(true);
  table.setTableName("memory.dat");
  table.setExclusive(true);
  dropViewerTable(table);
}

void dropViewerTable(EngineTable& table) {
  table.close();
  try {
    table.dropTable();
  } catch (const Exception&) {
    // Nothing was built under the name: nothing to drop.
  }
}

void defineViewerTable(EngineTable& table, std::span<const ViewerColumn> columns) {
  prepareViewerTable(table);
  table.fieldDefs().clear();
  table.fieldDefs().defineField("ID", ftAutoInc, 0, true);
  for (const ViewerColumn& c : columns) {
    table.fieldDefs().defineField(c.name, c.type, c.type == ftString ? kTextSize : 0);
  }
  table.indexDefs().clear();
  table.indexDefs().defineIndex("", "ID", ixPrimary);
  table.buildTable();
}

void appendRecords(EngineTable& table, const std::vector<std::vector<std::string>>& rows,
                   std::size_t count) {
  SuspendedLinks suspended(table);
  if (!table.active()) table.open();
  if (rows.empty()) return;
  // The fields are looked up once: benchmarks time this loop.
  std::vector<Field*> fields;
  for (int i = 1; i < table.fieldTotal(); ++i) fields.push_back(table.field(i));
  for (std::size_t r = 0; r < count; ++r) {
    const std::vector<std::string>& row = rows[r % rows.size()];
    table.insertNew();
    const std::size_t cells = std::min(row.size(), fields.size());
    for (std::size_t c = 0; c < cells; ++c) fields[c]->setAsText(row[c]);
    table.postRecord();
  }
}

void setUpViewerGrid(DBGrid& grid, DataSource& source) {
  configureViewerGrid(grid);
  grid.setDataSource(&source);
}

}  // namespace morvel::fixture
