// The in-memory table the viewer builds for a sample-shaped file: "ID" as an
// auto-increment primary key, then the sample's columns typed as the viewer
// types them (text of size 100, dates, date-times).
#pragma once

namespace morvel {
class EngineTable;
}

namespace morvel::bench {

// Drops any table of the same name, defines the fields and the primary
// index, and builds the table; the table is left closed.
void defineSampleTable(EngineTable& table);

}  // namespace morvel::bench
