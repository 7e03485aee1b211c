// A data-bound grid over a real in-memory table, set up the way the viewer
// sets up its grid, for the data-binding, grouping and data-change tests.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/FormatSettings.h"
#include "grid/db/CustomDBGrid.h"
#include "platform/fake/FakeHost.h"
#include "table/DataSource.h"
#include "table/EngineTable.h"
#include "tests/TestSupport.h"

namespace morvel::test {

// The grid as tests drive it: the protected hooks made reachable.
class TestDBGrid : public DBGrid {
 public:
  explicit TestDBGrid(FakeHost& host) : DBGrid(host) { setName("gridData"); }
  using DBGrid::canCollapseFocused;
  using DBGrid::indicatorImage;
};

inline GridOptions viewerOptions() {
  return {goColumnSizing,   goColumnMoving,  goTabThrough,   goRowSelect,       goCanDelete,
          goConfirmDelete,  goCanNavigation, goCancelOnExit, goImmediateEditor, goCanInsert,
          goLoadAllRecords, goIndicator,     goSmartReload,  goSmartRefresh};
}

inline GridOptionsEx viewerOptionsEx() {
  return {goUseBitmap,       goBandHeaderWidth, goBandSizing, goBandMoving, goVertThrough,
          goEnterShowEditor, goDragScroll,      goAutoSort,   goMultiSort,  goCollapsedReload};
}

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
    table.setInMemory(true);
    table.setTableName("memory.dat");
    table.setExclusive(true);
    try {
      table.dropTable();
    } catch (const DatabaseError&) {
    }
    source.setDataSet(&table);
    grid.setKeyField("RecordID");
    grid.setShowGroupPanel(true);
    grid.setOptions(viewerOptions());
    grid.setOptionsEx(viewerOptionsEx());
    grid.setDataSource(&source);
  }
  ~DBGridFixture() override {
    grid.setDataSource(nullptr);
    table.close();
    try {
      table.dropTable();
    } catch (const DatabaseError&) {
    }
    formatSettings() = saved_;
  }

  // Builds and fills the table with notifications suspended, as the import
  // does, then makes the columns and names the key field as the viewer does.
  void open(const std::vector<Row>& rows) {
    table.fieldDefs().clear();
    table.fieldDefs().defineField("ID", ftAutoInc, 0, true);
    table.fieldDefs().defineField("Name", ftString, 100);
    table.fieldDefs().defineField("Town", ftString, 100);
    table.fieldDefs().defineField("Born", ftDate);
    table.indexDefs().clear();
    table.indexDefs().defineIndex("", "ID", ixPrimary);
    table.buildTable();
    {
      SuspendedLinks suspended(table);
      table.open();
      for (const Row& r : rows) {
        table.insertNew();
        table.field(1)->setAsText(r.name);
        table.field(2)->setAsText(r.town);
        table.field(3)->setAsText(r.born);
        table.postRecord();
      }
    }
    buildColumns();
    grid.setKeyField("ID");
  }
  void buildColumns() {
    grid.clearColumns();
    for (int i = 0; i < table.fieldTotal(); ++i) {
      Field* f = table.field(i);
      auto* column = static_cast<DBTreeListColumn*>(grid.createColumn(columnClassFor(*f)));
      column->setFieldName(f->fieldName());
    }
  }
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
