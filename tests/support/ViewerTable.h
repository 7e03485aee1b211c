// The table the viewer keeps ("tblData": in memory, "memory.dat", opened
// exclusively, an auto-increment "ID" primary key before the file's
// columns), built the way the import builds it, and the data-bound grid set
// up over it as the window sets its grid up. One piece of code for every
// test and benchmark that needs that table, so that they all measure and
// check the table the program makes.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <vector>

#include "table/FieldType.h"

namespace morvel {
class DataSource;
class DBGrid;
class EngineTable;
}  // namespace morvel

namespace morvel::fixture {

// A column after "ID": its field name and the type the import gives it
// (text columns hold up to 100 bytes, as the import makes them).
struct ViewerColumn {
  std::string name;
  FieldType type = ftString;
};

// The columns of the sample file of the viewer's instructions, typed as the
// import types them: eight text columns, two dates, three date-times.
const std::vector<ViewerColumn>& sampleColumns();

// Readies a table as the window readies its table before an import: in
// memory, named "memory.dat", exclusive; a table left under that name by an
// earlier test or run is dropped.
void prepareViewerTable(EngineTable& table);

// Closes the table and drops it; a table that was never built is no error.
void dropViewerTable(EngineTable& table);

// Readies the table (prepareViewerTable) and builds it with "ID" and the
// columns, as the import does; the table is left closed.
void defineViewerTable(EngineTable& table, std::span<const ViewerColumn> columns);

// Opens the table and appends `count` records with the dataset's links
// suspended, as the import does: record r takes the texts of
// rows[r % rows.size()], one per column after "ID" (a row may be shorter
// than the columns: the rest stay blank). Nothing is appended without rows.
void appendRecords(EngineTable& table, const std::vector<std::vector<std::string>>& rows,
                   std::size_t count);
inline void appendRecords(EngineTable& table, const std::vector<std::vector<std::string>>& rows) {
  appendRecords(table, rows, rows.size());
}

// Sets the grid up as the window sets up its grid (options, key field, group
// panel) and binds it to the source.
void setUpViewerGrid(DBGrid& grid, DataSource& source);

}  // namespace morvel::fixture
