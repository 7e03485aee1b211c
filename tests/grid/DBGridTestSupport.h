// A data-bound grid over a real in-memory table, set up the way the viewer
// sets up its grid, for the data-binding, grouping and data-change tests.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/GridSetup.h"
#include "base/FormatSettings.h"
#include "grid/db/CustomDBGrid.h"
#include "platform/fake/FakeHost.h"
#include "table/DataSource.h"
#include "table/EngineTable.h"
#include "tests/TestSupport.h"
#include "tests/support/ViewerTable.h"

namespace morvel::test {

// The grid as tests drive it: the protected hooks made reachable.
class TestDBGrid : public DBGrid {
 public:
  explicit TestDBGrid(FakeHost& host) : DBGrid(host) { setName("gridData"); }
  using DBGrid::canCollapseFocused;
  using DBGrid::indicatorImage;
};

// One record of the test table: a name, a town, a day-first date.
struct Row {
  std::string name;
  std::string town;
  std::string born;  // dd/mm/yyyy, or empty
};

// The columns: 0 "ID", 1 "Name", 2 "Town", 3 "Born".
class DBGridFixture : public ::testing::Test {
 protected:
  DBGridFixture() : saved_(formatSettings()) {
    formatSettings() = testing_support::ukFormatSettings();
    formatSettings().dateFormatShort = "dd/mm/yyyy";
    fixture::prepareViewerTable(table);
    source.setDataSet(&table);
    fixture::setUpViewerGrid(grid, source);
  }
  ~DBGridFixture() override {
    grid.setDataSource(nullptr);
    fixture::dropViewerTable(table);
    formatSettings() = saved_;
  }

  // Builds and fills the table as the import does, then makes the columns
  // and names the key field as the viewer does.
  void open(const std::vector<Row>& rows) {
    static const fixture::ViewerColumn columns[] = {{"Name"}, {"Town"}, {"Born", ftDate}};
    fixture::defineViewerTable(table, columns);
    std::vector<std::vector<std::string>> texts;
    for (const Row& r : rows) texts.push_back({r.name, r.town, r.born});
    fixture::appendRecords(table, texts);
    buildColumns();
    grid.setKeyField("ID");
  }
  // One column per field, as the window makes them after an import.
  void buildColumns() { morvel::buildColumns(grid); }
  DBTreeListColumn* column(int i) { return grid.dbColumn(i); }

  // Column `c` texts of the data rows in display order (all depths).
  std::vector<std::string> dataTexts(int c = 1) {
    std::vector<std::string> out;
    for (TreeListNode* n : allNodes()) {
      if (!CustomDBGrid::isGroupNode(n)) out.push_back(n->strings(c));
    }
    return out;
  }
  // Every node, depth first, as if everything were expanded.
  std::vector<TreeListNode*> allNodes() {
    std::vector<TreeListNode*> out;
    for (int i = 0; i < grid.topCount(); ++i) collect(grid.topNodes(i), out);
    return out;
  }
  static void collect(TreeListNode* n, std::vector<TreeListNode*>& out) {
    out.push_back(n);
    for (int i = 0; i < n->count(); ++i) collect(n->items(i), out);
  }
  std::vector<std::string> topTexts(int c = 1) {
    std::vector<std::string> out;
    for (int i = 0; i < grid.topCount(); ++i) out.push_back(grid.topNodes(i)->strings(c));
    return out;
  }
  std::string currentName() { return table.field(1)->asText(); }
  DBGridNode* rowNamed(const std::string& name) {
    for (TreeListNode* n : allNodes()) {
      if (!CustomDBGrid::isGroupNode(n) && n->strings(1) == name) return &CustomDBGrid::dbNode(*n);
    }
    return nullptr;
  }

  FormatSettings saved_;
  FakeHost host{{400, 300}};
  EngineTable table{"tblData"};
  DataSource source{"dsData"};
  TestDBGrid grid{host};
};

// A small table of people: names sort differently from their keys, towns
// repeat, and the day-first dates sort differently as text.
inline std::vector<Row> people() {
  return {
      {"Dora", "Oslo", "05/03/1990"}, {"alma", "Bern", "12/01/1985"},
      {"Carl", "Oslo", "01/12/1970"}, {"Bea", "Bern", "28/02/1990"},
      {"Eve", "Rome", "05/03/1990"},  {"Finn", "Oslo", ""},
  };
}

}  // namespace morvel::test
