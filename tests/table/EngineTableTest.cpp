// The engine-backed table: building, dropping and reopening it, property
// rules, duplicate keys, editing, marks and searches, and failures that
// leave no file behind.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "RecordingLink.h"
#include "base/Format.h"
#include "table/DataSource.h"
#include "table/EngineTable.h"
#include "table/FieldPlace.h"
#include "table/engine/DataCursor.h"
#include "table/files/EngineAllocator.h"
#include "table/files/FileList.h"
#include "tests/TestSupport.h"

namespace morvel {
namespace {

using testing_support::RecordingLink;
using Strings = std::vector<std::string>;

// The table the viewer makes for a CSV file: "ID" plus one field per column.
class EngineTableTest : public ::testing::Test {
 protected:
  EngineTableTest() : saved_(formatSettings()) {
    formatSettings() = testing_support::ukFormatSettings();
    formatSettings().dateFormatShort = "dd/mm/yyyy";
    table.setInMemory(true);
    table.setTableName("memory.dat");
    table.setExclusive(true);
    try {
      table.dropTable();  // a table left by a failed test
    } catch (const DatabaseError&) {
    }
  }
  ~EngineTableTest() override {
    table.close();
    try {
      table.dropTable();
    } catch (const DatabaseError&) {
    }
    formatSettings() = saved_;
  }

  void defineViewerTable() {
    table.fieldDefs().clear();
    table.fieldDefs().defineField("ID", ftAutoInc, 0, true);
    table.fieldDefs().defineField("Name", ftString, 100);
    table.fieldDefs().defineField("Born", ftDate);
    table.fieldDefs().defineField("Seen", ftDateTime);
    table.indexDefs().clear();
    table.indexDefs().defineIndex("", "ID", ixPrimary);
  }
  void addRow(const std::string& name, const std::string& born, const std::string& seen) {
    table.insertNew();
    table.field(0)->setVariantValue(Variant::null());
    table.field(1)->setAsText(name);
    table.field(2)->setAsText(born);
    table.field(3)->setAsText(seen);
    table.postRecord();
  }
  // The viewer's table, built, opened and holding a record per name.
  void openViewerTableWith(std::initializer_list<const char*> names) {
    defineViewerTable();
    table.buildTable();
    table.open();
    for (const char* name : names) addRow(name, "", "");
  }
  Strings rowTexts() {
    Strings rows;
    for (table.goFirst(); !table.atEnd(); table.goNext()) {
      std::string row;
      for (int i = 0; i < table.fieldTotal(); ++i) {
        if (i > 0) row += '|';
        row += table.field(i)->asText();
      }
      rows.push_back(row);
    }
    return rows;
  }
  static int codeOf(const std::function<void()>& call) {
    try {
      call();
    } catch (const EngineError& e) {
      return e.code();
    }
    return 0;
  }

  // A data source on the table and a link with that window on it.
  RecordingLink& watch(int windowSize) {
    source_.setDataSet(&table);
    link_.setWindowSize(windowSize);
    link_.setDataSource(&source_);
    return link_;
  }

  FormatSettings saved_;
  EngineTable table{"tblData"};
  DataSource source_;
  RecordingLink link_;
};

TEST_F(EngineTableTest, TheViewersTableRoundTripsThroughTextAndIsDropped) {
  defineViewerTable();
  const FieldDefs defined = table.fieldDefs();
  const IndexDefs defined_indexes = table.indexDefs();
  table.buildTable();
  table.suspendLinks();
  table.open();
  addRow("Ann", "05/03/2024", "05/03/2024 13:45:30");
  addRow("Bob", "", "01/01/2000");
  addRow("  Cy  ", "31/12/9999", "");
  table.resumeLinks();

  EXPECT_EQ(table.fieldDefs(), defined);
  EXPECT_EQ(table.indexDefs(), defined_indexes);
  ASSERT_EQ(table.fieldTotal(), 4);
  EXPECT_NE(dynamic_cast<AutoIncField*>(table.field(0)), nullptr);
  EXPECT_TRUE(table.field(0)->required());
  EXPECT_EQ(table.field(1)->size(), 100);
  EXPECT_NE(dynamic_cast<DateField*>(table.field(2)), nullptr);
  EXPECT_EQ(table.field(3)->dataType(), ftDateTime);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(table.field(i)->fieldKind(), fkData);
    EXPECT_TRUE(table.field(i)->visible());
  }
  EXPECT_EQ(rowTexts(), Strings({"1|Ann|05/03/2024|05/03/2024 13:45:30", "2|Bob||01/01/2000",
                                 "3|  Cy|31/12/9999|"}))
      << "trailing blanks are not stored";
  EXPECT_EQ(table.recordTotal(), 3);
  table.close();
  table.dropTable();
  EXPECT_EQ(codeOf([&] { table.open(); }), 11010);
  EXPECT_FALSE(table.active());
}

TEST_F(EngineTableTest, BuildingTwiceFailsNamingTheTable) {
  defineViewerTable();
  table.buildTable();
  try {
    table.buildTable();
    FAIL();
  } catch (const EngineError& e) {
    EXPECT_EQ(e.code(), 13060);
    EXPECT_NE(e.message().find("memory.dat"), std::string::npos) << e.message();
  }
}

TEST_F(EngineTableTest, AStringSizeTheDescriptorCannotHoldIsRefusedNotWrapped) {
  table.fieldDefs().defineField("ID", ftAutoInc, 0, true);
  table.fieldDefs().defineField("Wide", ftString, 256);  // 256 would wrap to 0 in a byte
  EXPECT_EQ(codeOf([&] { table.buildTable(); }), 10000);
  EXPECT_EQ(codeOf([&] { table.open(); }), 11010) << "nothing was created";
}

TEST_F(EngineTableTest, DroppingAMissingOrOpenTableFails) {
  EXPECT_EQ(codeOf([&] { table.dropTable(); }), 11010);
  defineViewerTable();
  table.buildTable();
  table.open();
  EXPECT_THROW(table.dropTable(), DatabaseError) << "an open table refuses as a dataset first";
  EngineTable other("tblOther");
  other.setInMemory(true);
  other.setTableName("memory.dat");
  EXPECT_EQ(codeOf([&] { other.dropTable(); }), 11013);
}

TEST_F(EngineTableTest, PropertiesFollowTheirRules) {
  EXPECT_EQ(table.databaseName(), "Memory");
  table.setDatabaseName("Elsewhere");
  EXPECT_EQ(table.databaseName(), "Memory") << "an in-memory table stays in Memory";
  EXPECT_STREQ(EngineTable::engineVersion(), "2.11");
  EngineTable disk;
  disk.setTableName("C:\\data\\people.dat");
  EXPECT_EQ(disk.tableName(), "people.dat");
  EXPECT_EQ(disk.databaseName(), "C:\\data\\");
  EXPECT_EQ(engineSession().sessionName(), "Default");

  defineViewerTable();
  table.buildTable();
  table.open();
  const char* kOpen = "tblData: Cannot perform this operation on an open dataset";
  for (const auto& change : std::vector<std::function<void()>>{
           [&] { table.setInMemory(false); }, [&] { table.setExclusive(false); },
           [&] { table.setTableName("x.dat"); }, [&] { table.setDatabaseName("x"); }}) {
    try {
      change();
      ADD_FAILURE();
    } catch (const DatabaseError& e) {
      EXPECT_STREQ(e.what(), kOpen);
    }
  }
  table.close();
  try {
    table.recordTotal();
    FAIL();
  } catch (const DatabaseError& e) {
    EXPECT_STREQ(e.what(), "tblData: Cannot perform this operation on a closed dataset");
  }
  EngineTable unnamed("tblNone");
  try {
    unnamed.open();
    FAIL();
  } catch (const DatabaseError& e) {
    EXPECT_STREQ(e.what(), "tblNone: Missing table name.");
  }
}

TEST_F(EngineTableTest, DuplicateKeyLeavesTheInsertPendingAndReachesTheErrorEvent) {
  table.fieldDefs().defineField("Code", ftInteger, 0, true);
  table.fieldDefs().defineField("Name", ftString, 10);
  table.indexDefs().defineIndex("", "Code", ixPrimary);
  table.buildTable();
  table.open();
  table.insertNew();
  table.fieldNamed("Code").setAsText("1");
  table.postRecord();
  int seen = 0;
  table.onPostError = [&](DataSet&, DatabaseError& e, DataAction&) {
    ++seen;
    EXPECT_NE(dynamic_cast<EngineError*>(&e), nullptr);
  };
  table.insertNew();
  table.fieldNamed("Code").setAsText("1");
  table.fieldNamed("Name").setAsText("again");
  try {
    table.postRecord();
    FAIL();
  } catch (const EngineError& e) {
    EXPECT_EQ(e.code(), 9729);
    EXPECT_NE(e.message().find("memory.dat"), std::string::npos) << e.message();
  }
  EXPECT_EQ(seen, 1);
  EXPECT_EQ(table.state(), stInsert);
  EXPECT_EQ(table.fieldNamed("Name").asText(), "again");
  table.fieldNamed("Code").setAsText("2");
  table.postRecord();
  EXPECT_EQ(table.recordTotal(), 2);
}

TEST_F(EngineTableTest, EditDeleteMarksAndSearches) {
  openViewerTableWith({"Ann", "Bob", "Cy", "Dee"});
  EXPECT_TRUE(table.findKeyRecord("ID", Variant(3)));
  EXPECT_EQ(table.field(1)->asText(), "Cy");
  const std::string cy = table.positionMark();
  EXPECT_FALSE(table.findKeyRecord("ID", Variant(30)));
  EXPECT_EQ(table.field(1)->asText(), "Cy");
  EXPECT_TRUE(table.findKeyRecord("Name", Variant("bob"), loCaseInsensitive));
  EXPECT_EQ(table.field(0)->asText(), "2");
  EXPECT_FALSE(table.findKeyRecord("Name", Variant("bob")));
  EXPECT_EQ(table.compareMarks(table.positionMark(), cy), -1);

  table.beginEdit();
  table.field(1)->setAsText(std::string(150, 'x'));
  table.postRecord();
  EXPECT_EQ(table.field(1)->asText(), std::string(100, 'x'));
  table.goToMark(cy);
  table.deleteCurrent();
  EXPECT_EQ(table.field(1)->asText(), "Dee") << "the record after the deleted one is current";
  EXPECT_FALSE(table.markValid(cy));
  addRow("Eve", "", "");
  EXPECT_EQ(rowTexts(),
            Strings({"1|Ann||", "2|" + std::string(100, 'x') + "||", "4|Dee||", "5|Eve||"}))
      << "keys are never reused";
}

TEST_F(EngineTableTest, LinksSeeTheSameSequenceOverTheEngine) {
  defineViewerTable();
  table.buildTable();
  RecordingLink& link = watch(5);
  table.open();
  EXPECT_EQ(link.events, Strings({"UpdateState"}));
  link.clear();
  table.insertNew();
  table.field(1)->setAsText("Ann");
  table.postRecord();
  EXPECT_EQ(link.events,
            Strings({"CheckBrowseMode", "UpdateState", "DataSetChange", "FieldChange(Name)",
                     "UpdateRecord", "CheckBrowseMode", "UpdateState", "DataSetChange"}));
  for (int i = 0; i < 7; ++i) addRow(formatMessage("r%d", i), "", "");
  table.goFirst();
  link.clear();
  EXPECT_EQ(table.skip(6), 6);
  EXPECT_EQ(link.events, Strings({"CheckBrowseMode", "DataSetScroll(-2)"}));
  EXPECT_EQ(link.hooks, Strings({"scrolled(2)"}));
  EXPECT_EQ(table.field(0)->asText(), "7");
  table.goFirst();
  EXPECT_TRUE(table.atStart());
  EXPECT_EQ(table.field(0)->asText(), "1");
}

// Random edits, deletes, moves and index changes, with a change left
// pending now and then: after each, reading every record in place gives the
// records a walk gives, in the current order, with each field's text, and
// leaves the current record, the links and the next move as they were.
TEST_F(EngineTableTest, ForEachRecordGivesWhatAWalkGivesAndMovesNothing) {
  defineViewerTable();
  table.indexDefs().defineIndex("ByName", "Name", 0);
  table.buildTable();
  RecordingLink& link = watch(4);
  table.open();
  std::mt19937 random(5);
  int made = 0;
  const auto someDay = [&] {
    return random() % 4 == 0 ? std::string()
                             : formatMessage("%d/%d/19", random() % 28 + 1, random() % 12 + 1);
  };
  const auto someTime = [&] {
    return random() % 4 == 0
               ? std::string()
               : formatMessage("%d/1/20 %d:%d", random() % 28 + 1, random() % 24, random() % 60);
  };
  for (int step = 0; step < 400; ++step) {
    SCOPED_TRACE(step);
    bool pending = false;
    switch (random() % 6) {
      case 0:
      case 1:
        addRow(formatMessage("n%d-%d", random() % 50, ++made), someDay(), someTime());
        break;
      case 2:
        if (table.recordTotal() > 0) table.deleteCurrent();
        break;
      case 3:
        table.goFirst();
        table.skip(static_cast<int>(random() % 20));
        break;
      case 4:
        table.setIndexName(random() % 2 == 0 ? "ByName" : "");
        break;
      case 5:
        if (table.recordTotal() == 0) break;
        table.beginEdit();
        table.field(1)->setAsText(formatMessage("e%d-%d", random() % 50, ++made));
        table.field(3)->setAsText(someTime());
        pending = true;
        break;
    }
    Strings visited;
    std::string row;
    std::string text;
    link.clear();
    // Each field's place, found once, gives the bytes nativeIn finds.
    std::vector<FieldPlace> places;
    for (int i = 0; i < table.fieldTotal(); ++i) places.push_back(table.field(i)->placeInRecords());
    table.forEachRecord([&](const std::uint8_t* record) {
      row.clear();
      for (int i = 0; i < table.fieldTotal(); ++i) {
        if (i > 0) row += '|';
        const Field& field = *table.field(i);
        field.textIn(record, text);
        row += text;
        const std::uint8_t* placed = places[static_cast<std::size_t>(i)].in(record);
        const std::uint8_t* native = field.nativeIn(record);
        ASSERT_EQ(placed == nullptr, native == nullptr) << field.fieldName();
        if (placed) {
          ASSERT_EQ(std::memcmp(placed, native, static_cast<std::size_t>(field.dataLength())), 0)
              << field.fieldName();
        }
      }
      visited.push_back(row);
    });
    EXPECT_EQ(table.state(), stBrowse);
    if (!pending) {
      // Links are asked to finish their edits, as before any move, and
      // hear of nothing else.
      for (const std::string& event : link.events) EXPECT_EQ(event, "CheckBrowseMode");
      EXPECT_EQ(link.hooks, Strings());
    }
    const bool empty = table.recordTotal() == 0;
    const std::string mark = empty ? std::string() : table.positionMark();
    const std::string current = empty ? std::string() : table.field(1)->asText();
    if (!empty && random() % 2 == 0) {
      // The next move starts from the current record.
      const std::string before = current;
      table.goNext();
      if (!table.atEnd()) table.goPrior();
      ASSERT_EQ(table.field(1)->asText(), before);
    }
    ASSERT_EQ(visited, rowTexts());
    if (!empty) {
      table.goToMark(mark);
      ASSERT_EQ(table.field(1)->asText(), current);
    }
  }
}

// The buffers of an open table carry a bookmark of the current index's key
// length: walking another index must make them anew.
TEST_F(EngineTableTest, ChangingTheIndexOfAnOpenTableResizesItsBookmarks) {
  table.fieldDefs().defineField("ID", ftAutoInc, 0, true);
  table.fieldDefs().defineField("Name", ftString, 100);
  table.indexDefs().defineIndex("", "ID", ixPrimary);
  table.indexDefs().defineIndex("ByName", "Name", 0);
  table.buildTable();
  watch(3);
  table.open();
  for (const char* name : {"Dee", "Ann", "Cy", "Bob", "Eve"}) {
    table.appendNew();
    table.field(1)->setAsText(name);
    table.postRecord();
  }
  const auto names = [&] {
    Strings out;
    for (table.goFirst(); !table.atEnd(); table.goNext()) out.push_back(table.field(1)->asText());
    return out;
  };
  const std::size_t primaryMark = table.positionMark().size();

  table.setIndexName("ByName");
  EXPECT_EQ(table.indexName(), "ByName");
  EXPECT_EQ(names(), Strings({"Ann", "Bob", "Cy", "Dee", "Eve"}));
  ASSERT_TRUE(table.findKeyRecord("Name", Variant("Cy")));
  const std::string cy = table.positionMark();
  EXPECT_GT(cy.size(), 100u) << "a name key, not the primary key";
  table.goLast();
  table.goToMark(cy);
  EXPECT_EQ(table.field(1)->asText(), "Cy");

  // An unknown name changes nothing: order, names and marks stay.
  EXPECT_EQ(codeOf([&] { table.setIndexName("Nope"); }), 10022);
  EXPECT_EQ(table.indexName(), "ByName");
  EXPECT_THROW(table.setIndexFieldNames("Nope"), DatabaseError);
  EXPECT_EQ(table.indexName(), "ByName");
  EXPECT_EQ(table.indexFieldNames(), "");
  EXPECT_EQ(names(), Strings({"Ann", "Bob", "Cy", "Dee", "Eve"}));
  table.goToMark(cy);
  EXPECT_EQ(table.field(1)->asText(), "Cy");

  // A pending change is posted before the order changes.
  table.beginEdit();
  table.field(1)->setAsText("Al");
  table.setIndexFieldNames("ID");
  EXPECT_EQ(table.indexFieldNames(), "ID");
  EXPECT_EQ(table.indexName(), "");
  EXPECT_EQ(table.field(1)->asText(), "Al") << "the record stays current";
  EXPECT_EQ(table.positionMark().size(), primaryMark);
  EXPECT_EQ(names(), Strings({"Dee", "Ann", "Al", "Bob", "Eve"}));
  table.setIndexName("ByName");
  EXPECT_EQ(names(), Strings({"Al", "Ann", "Bob", "Dee", "Eve"}));
  table.setIndexName("");
  EXPECT_EQ(table.positionMark().size(), primaryMark);
  EXPECT_EQ(table.recordTotal(), 5);
}

// Descriptors the dataset has no type for (or that are hidden) get no
// definition, and the fields after them keep their engine numbers.
TEST_F(EngineTableTest, FieldsAfterASkippedDescriptorBindToTheirOwnEngineFields) {
  FieldDescriptor hidden(4, "Gone", kTypeString, 0, 5);
  hidden.setHidden(true);
  {
    DataDirectory directory("MEMORY", "");
    DataCursor c(directory, "memory.dat");
    c.setInMemory(true);
    c.createTable({FieldDescriptor(1, "ID", kTypeInt32, kSubtypeAutoInc, 0, true),
                   FieldDescriptor(2, "Odd", kTypeReserved, 0, 0),
                   FieldDescriptor(3, "Name", kTypeString, 0, 20), hidden,
                   FieldDescriptor(5, "Born", kTypeDate, 0, 0)},
                  {IndexDescriptor("", {1})});
  }
  table.open();
  ASSERT_EQ(table.fieldDefs().count(), 3);
  EXPECT_EQ(table.fieldDefs().item(1)->name(), "Name");
  EXPECT_EQ(table.fieldDefs().item(1)->fieldNo(), 3);
  EXPECT_EQ(table.fieldDefs().item(2)->fieldNo(), 5);
  table.insertNew();
  table.fieldNamed("Name").setAsText("Ann");
  table.fieldNamed("Born").setAsText("05/03/2024");
  table.postRecord();
  EXPECT_EQ(rowTexts(), Strings({"1|Ann|05/03/2024"}));

  std::uint8_t name[21] = {};
  ASSERT_TRUE(table.cursor()->getField(3, table.activeBuffer(), name));
  EXPECT_STREQ(reinterpret_cast<const char*>(name), "Ann");
  std::uint8_t odd[10] = {};
  EXPECT_FALSE(table.cursor()->getField(2, table.activeBuffer(), odd));
}

// A table whose files cannot all be made leaves none of them behind, so
// that the next attempt is not refused as a table that exists.
TEST_F(EngineTableTest, AFailedBuildLeavesNoFileBehind) {
  defineViewerTable();
  bool built = false;
  for (int successes = 0; !built; ++successes) {
    failEngineAllocationsAfter(successes);
    try {
      table.buildTable();
      built = true;
    } catch (const EngineError& e) {
      EXPECT_EQ(e.code(), 11016);
    }
    const bool failed = engineAllocationFailed();
    stopFailingEngineAllocations();
    if (!built) {
      EXPECT_FALSE(FileList::instance().exists("memory.dat", true)) << successes;
      EXPECT_FALSE(FileList::instance().exists("memory.IDX", true)) << successes;
    } else {
      EXPECT_FALSE(failed) << "a build that met a failure reports it";
    }
    ASSERT_LT(successes, 1000);
  }
  table.open();
  addRow("Ann", "", "");
  EXPECT_EQ(table.recordTotal(), 1);
}

TEST_F(EngineTableTest, APartialKeySearchTakesTheLastValueAsAPrefix) {
  openViewerTableWith({"Bobby", "Ann", "bob", "Annette"});
  EXPECT_FALSE(table.findKeyRecord("Name", Variant("Bo")));
  EXPECT_TRUE(table.findKeyRecord("Name", Variant("Bo"), loPartialKey));
  EXPECT_EQ(table.field(1)->asText(), "Bobby");
  EXPECT_TRUE(table.findKeyRecord("Name", Variant("bob"), loPartialKey));
  EXPECT_EQ(table.field(1)->asText(), "bob") << "case counts without the case option";
  EXPECT_TRUE(table.findKeyRecord("Name", Variant("ANNE"), loPartialKey | loCaseInsensitive));
  EXPECT_EQ(table.field(1)->asText(), "Annette");
  EXPECT_FALSE(table.findKeyRecord("Name", Variant("Annettes"), loPartialKey));
  EXPECT_EQ(table.field(1)->asText(), "Annette") << "a failed search does not move";
  EXPECT_TRUE(table.findKeyRecord("ID;Name", {Variant(2), Variant("A")}, loPartialKey));
  EXPECT_EQ(table.field(1)->asText(), "Ann");
  EXPECT_FALSE(table.findKeyRecord("Name;ID", {Variant("Ann"), Variant(4)}, loPartialKey))
      << "only the last value is a prefix";
  EXPECT_TRUE(table.findKeyRecord("Name", Variant(""), loPartialKey));
  EXPECT_EQ(table.field(0)->asText(), "1") << "an empty prefix starts every text";
}

TEST_F(EngineTableTest, GoingToTheMarkOfADeletedRecordFindsNoRecord) {
  openViewerTableWith({"Ann", "Bob", "Cy"});
  ASSERT_TRUE(table.findKeyRecord("ID", Variant(2)));
  const std::string bob = table.positionMark();
  table.deleteCurrent();
  try {
    table.goToMark(bob);
    FAIL();
  } catch (const EngineError& e) {
    FAIL() << "the engine's own error: " << e.what();
  } catch (const DatabaseError& e) {
    EXPECT_STREQ(e.what(), "tblData: Record not found");
  }
}

}  // namespace
}  // namespace morvel
