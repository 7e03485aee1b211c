// The dataset over a table: state changes and notices to its links in
// order, the record window when scrolling, walking the records, and links
// suspended during a long change.
#include <gtest/gtest.h>

#include "MemoryDataSet.h"
#include "RecordingLink.h"
#include "base/Format.h"
#include "table/DataSource.h"

namespace morvel {
namespace {

using testing_support::MemoryDataSet;
using testing_support::RecordingLink;
using Strings = std::vector<std::string>;

class DataSetTest : public ::testing::Test {
 protected:
  DataSetTest() {
    ds.fieldDefs().defineField("ID", ftAutoInc, 0, true);
    ds.fieldDefs().defineField("Name", ftString, 10);
    source.setDataSet(&ds);
  }

  void addRows(int n) {
    for (int i = 1; i <= n; ++i) {
      ds.appendNew();
      ds.fieldNamed("Name").setAsText(formatMessage("r%d", i));
      ds.postRecord();
    }
  }
  std::string name() { return ds.fieldNamed("Name").asText(); }
  Strings walk() {
    Strings names;
    for (ds.goFirst(); !ds.atEnd(); ds.goNext()) names.push_back(name());
    return names;
  }

  MemoryDataSet ds;
  DataSource source{"dsData"};
};

TEST_F(DataSetTest, OpenSendsOneStateChangeAndActivatesTheLink) {
  RecordingLink link;
  link.setDataSource(&source);
  ds.open();
  EXPECT_EQ(link.events, Strings({"UpdateState"}));
  EXPECT_EQ(link.hooks, Strings({"active"}));
  EXPECT_EQ(ds.state(), stBrowse);
  ASSERT_EQ(ds.fieldTotal(), 2);
  EXPECT_EQ(ds.field(0)->dataType(), ftAutoInc);
  EXPECT_EQ(ds.field(1)->fieldName(), "Name");
  EXPECT_EQ(ds.field(2), nullptr);
  ds.close();
  EXPECT_EQ(link.hooks, Strings({"active", "inactive"}));
  EXPECT_EQ(ds.fieldTotal(), 0) << "default fields go with the close";
  EXPECT_EQ(ds.buffersInUse, 0);
}

TEST_F(DataSetTest, InsertPostEditPostDeleteAndCancelNotifyInOrder) {
  ds.open();
  RecordingLink link;
  link.setDataSource(&source);
  link.clear();

  ds.insertNew();
  ds.fieldNamed("Name").setAsText("Ann");
  ds.postRecord();
  EXPECT_EQ(link.events,
            Strings({"CheckBrowseMode", "UpdateState", "DataSetChange", "FieldChange(Name)",
                     "UpdateRecord", "CheckBrowseMode", "UpdateState", "DataSetChange"}));
  EXPECT_EQ(link.hooks, Strings({"editing", "data", "record(Name)", "update", "browsing", "data"}));

  link.clear();
  ds.beginEdit();
  ds.fieldNamed("Name").setAsText("Bea");
  ds.postRecord();
  EXPECT_EQ(link.events,
            Strings({"CheckBrowseMode", "UpdateState", "RecordChange", "FieldChange(Name)",
                     "UpdateRecord", "CheckBrowseMode", "UpdateState", "DataSetChange"}));
  EXPECT_EQ(name(), "Bea");

  link.clear();
  ds.insertNew();
  link.clear();
  ds.cancelChanges();
  EXPECT_EQ(link.events, Strings({"CheckBrowseMode", "UpdateState", "DataSetChange"}));
  EXPECT_EQ(name(), "Bea") << "cancel returns to the record the insert stood before";

  link.clear();
  ds.deleteCurrent();
  EXPECT_EQ(link.events, Strings({"CheckBrowseMode", "DataSetChange"}));
  EXPECT_TRUE(ds.noRecords());
}

struct ScrollCase {
  int windowSize;
  std::vector<int> moves;  // +1 GoNext, -1 GoPrior
  Strings events;          // of the last move
  Strings hooks;           // of the last move
  int windowStart;
  int windowIndex;
};

class DataSetScroll : public DataSetTest, public ::testing::WithParamInterface<ScrollCase> {};

TEST_P(DataSetScroll, ShiftsTheWindowAndTellsTheLinkHowFar) {
  const ScrollCase& c = GetParam();
  ds.open();
  addRows(8);
  RecordingLink link;
  link.setWindowSize(c.windowSize);
  link.setDataSource(&source);
  ds.goFirst();
  for (int move : c.moves) {
    link.clear();
    ds.skip(move);
  }
  EXPECT_EQ(link.events, c.events);
  EXPECT_EQ(link.hooks, c.hooks);
  EXPECT_EQ(link.windowStart(), c.windowStart);
  EXPECT_EQ(link.windowIndex(), c.windowIndex);
  EXPECT_EQ(ds.windowSize(), c.windowSize);
}

INSTANTIATE_TEST_SUITE_P(
    WindowSizes, DataSetScroll,
    ::testing::Values(
        ScrollCase{1, {1}, {"CheckBrowseMode", "DataSetScroll(-1)"}, {"scrolled(1)"}, 0, 0},
        ScrollCase{1, {1, 1, -1}, {"CheckBrowseMode", "DataSetScroll(1)"}, {"scrolled(-1)"}, 0, 0},
        ScrollCase{5, {1}, {"CheckBrowseMode", "DataSetScroll(0)"}, {"scrolled(0)"}, 0, 1},
        ScrollCase{5, {1, 1, 1, 1}, {"CheckBrowseMode", "DataSetScroll(0)"}, {"scrolled(0)"}, 0, 4},
        ScrollCase{
            5, {1, 1, 1, 1, 1}, {"CheckBrowseMode", "DataSetScroll(-1)"}, {"scrolled(1)"}, 0, 4},
        ScrollCase{5,
                   {1, 1, 1, 1, 1, -1, -1, -1, -1, -1},
                   {"CheckBrowseMode", "DataSetScroll(1)"},
                   {"scrolled(-1)"},
                   0,
                   0}));

TEST_F(DataSetTest, WindowOfFiveShowsTheRightRecordsAfterScrolling) {
  ds.open();
  addRows(8);
  RecordingLink link;
  link.setWindowSize(5);
  link.setDataSource(&source);
  ds.goFirst();
  EXPECT_EQ(ds.bufferCount(), 5);
  EXPECT_EQ(ds.skip(6), 6);
  EXPECT_EQ(name(), "r7");
  EXPECT_EQ(ds.activeRecordIndex(), 4);
  EXPECT_EQ(ds.skip(-3), -3);
  EXPECT_EQ(name(), "r4");
  EXPECT_EQ(ds.skip(100), 4);
  EXPECT_TRUE(ds.atEnd());
  EXPECT_EQ(name(), "r8");
  EXPECT_EQ(ds.skip(-100), -7);
  EXPECT_TRUE(ds.atStart());
  EXPECT_EQ(name(), "r1");
}

TEST_F(DataSetTest, SkipZeroAndSkipPastTheEndDoNotMove) {
  ds.open();
  addRows(2);
  RecordingLink link;
  link.setDataSource(&source);
  ds.goFirst();
  ds.goNext();
  link.clear();
  EXPECT_EQ(ds.skip(0), 0);
  EXPECT_EQ(link.events, Strings({"CheckBrowseMode"})) << "no change or scroll notification";
  ds.goNext();
  EXPECT_TRUE(ds.atEnd());
  EXPECT_EQ(name(), "r2");
  EXPECT_EQ(link.events, Strings({"CheckBrowseMode", "CheckBrowseMode", "DataSetScroll(0)"}));
  link.clear();
  EXPECT_EQ(ds.skip(1), 0);
  EXPECT_EQ(link.events, Strings({"CheckBrowseMode"})) << "already at the end";
}

TEST_F(DataSetTest, GoFirstOnAnEmptyTableSetsBothEnds) {
  ds.open();
  ds.goFirst();
  EXPECT_TRUE(ds.atStart());
  EXPECT_TRUE(ds.atEnd());
  EXPECT_TRUE(ds.noRecords());
  EXPECT_EQ(ds.fieldNamed("Name").asText(), "");
  EXPECT_TRUE(ds.fieldNamed("Name").isBlank());
  EXPECT_EQ(ds.positionMark(), "");
  EXPECT_THROW(ds.deleteCurrent(), DatabaseError);
}

TEST_F(DataSetTest, WalkVisitsEveryRecordOnceAndGoLastWalksBack) {
  ds.open();
  addRows(7);
  EXPECT_EQ(walk(), Strings({"r1", "r2", "r3", "r4", "r5", "r6", "r7"}));
  Strings back;
  for (ds.goLast(); !ds.atStart(); ds.goPrior()) back.push_back(name());
  EXPECT_EQ(back, Strings({"r7", "r6", "r5", "r4", "r3", "r2", "r1"}));
  EXPECT_EQ(ds.recordTotal(), 7);
}

// Reading every record leaves the window, the current record and the link
// as they were; a pending change is posted first and is what is read. The
// next move reads from where the window is, not from where the walk ended.
TEST_F(DataSetTest, ForEachRecordReadsEveryRecordWithoutMovingTheWindow) {
  RecordingLink link;
  link.setWindowSize(3);
  link.setDataSource(&source);
  ds.open();
  addRows(7);
  ds.goFirst();
  ds.skip(3);
  ds.beginEdit();
  ds.fieldNamed("Name").setAsText("four");
  const auto names = [&] {
    Strings out;
    std::string text;
    ds.forEachRecord([&](const std::uint8_t* record) {
      ds.fieldNamed("Name").textIn(record, text);
      out.push_back(text);
    });
    return out;
  };
  EXPECT_EQ(names(), Strings({"r1", "r2", "r3", "four", "r5", "r6", "r7"}));
  EXPECT_EQ(ds.state(), stBrowse);
  link.clear();
  EXPECT_EQ(names(), Strings({"r1", "r2", "r3", "four", "r5", "r6", "r7"}));
  EXPECT_EQ(link.events, Strings({"CheckBrowseMode"})) << "as before any move, and nothing else";
  EXPECT_EQ(link.hooks, Strings());
  EXPECT_EQ(name(), "four");
  ds.goNext();
  EXPECT_EQ(name(), "r5");
  ds.goPrior();
  ds.goPrior();
  EXPECT_EQ(name(), "r3");
  ds.goFirst();
  ds.deleteCurrent();
  EXPECT_EQ(names(), Strings({"r2", "r3", "four", "r5", "r6", "r7"}));
  EXPECT_EQ(name(), "r2");
  // Reading on past the window after a walk still finds every record.
  ds.goFirst();
  names();
  Strings onwards{name()};
  for (ds.goNext(); !ds.atEnd(); ds.goNext()) onwards.push_back(name());
  EXPECT_EQ(onwards, Strings({"r2", "r3", "four", "r5", "r6", "r7"}));
}

TEST_F(DataSetTest, SuspendedLinksCountAndSendWhatWasMissedOnce) {
  ds.open();
  RecordingLink link;
  link.setDataSource(&source);
  link.clear();
  ds.suspendLinks();
  ds.suspendLinks();
  addRows(3);
  ds.resumeLinks();
  EXPECT_TRUE(ds.linksSuspended());
  EXPECT_TRUE(link.events.empty());
  ds.resumeLinks();
  EXPECT_FALSE(ds.linksSuspended());
  EXPECT_EQ(link.events, Strings({"DataSetChange"}));
  ds.resumeLinks();
  EXPECT_EQ(link.events, Strings({"DataSetChange"})) << "an extra resume does nothing";
}

TEST_F(DataSetTest, ImportWhileSuspendedSendsExactlyOneStateChange) {
  RecordingLink link;
  link.setWindowSize(3);
  link.setDataSource(&source);
  int dataChanges = 0;
  source.onDataChange = [&](DataSource&, Field*) { ++dataChanges; };
  {
    SuspendedLinks suspended(ds);
    ds.open();
    addRows(4);
  }
  EXPECT_EQ(link.events, Strings({"UpdateState"}));
  EXPECT_EQ(link.hooks, Strings({"active"}));
  EXPECT_EQ(dataChanges, 1) << "the state change from inactive counts as a data change";
  EXPECT_EQ(link.windowCount(), 3) << "the window was loaded when the link became active";
}

TEST_F(DataSetTest, ReopeningWhileSuspendedEndsInALayoutChange) {
  ds.open();
  RecordingLink link;
  link.setDataSource(&source);
  link.clear();
  {
    SuspendedLinks suspended(ds);
    ds.close();
    ds.open();
  }
  EXPECT_EQ(link.events, Strings({"LayoutChange"}));
  EXPECT_EQ(link.hooks, Strings({"layout"}));
}

TEST_F(DataSetTest, LinksHearNonVisualFirstThenVisualEachNewestFirst) {
  Strings log;
  RecordingLink visualOld(&log, "v1:"), plainOld(&log, "p1:"), visualNew(&log, "v2:"),
      plainNew(&log, "p2:");
  visualOld.setVisualLink(true);
  visualNew.setVisualLink(true);
  for (RecordingLink* l : {&visualOld, &plainOld, &visualNew, &plainNew}) l->setDataSource(&source);
  log.clear();
  ds.open();
  EXPECT_EQ(log, Strings({"p2:UpdateState", "p1:UpdateState", "v2:UpdateState", "v1:UpdateState"}));
}

TEST_F(DataSetTest, DisabledSourceKeepsItsLinksInactive) {
  RecordingLink link;
  link.setDataSource(&source);
  source.setEnabled(false);
  ds.open();
  EXPECT_FALSE(link.linkActive());
  EXPECT_EQ(source.state(), stInactive);
  source.setEnabled(true);
  EXPECT_TRUE(link.linkActive());
  EXPECT_EQ(source.state(), stBrowse);
}

TEST_F(DataSetTest, PostErrorEventCanRetryAbortOrFail) {
  ds.open();
  int calls = 0;
  DataAction answer = daRetry;
  ds.onPostError = [&](DataSet&, DatabaseError& error, DataAction& action) {
    EXPECT_EQ(error.message(), "post refused");
    EXPECT_EQ(action, daFail);
    ++calls;
    action = answer;
  };
  ds.failPosts = 2;
  ds.appendNew();
  ds.fieldNamed("Name").setAsText("x");
  ds.postRecord();
  EXPECT_EQ(calls, 2);
  EXPECT_EQ(ds.recordTotal(), 1);

  answer = daAbort;
  ds.failPosts = 1;
  ds.appendNew();
  ds.fieldNamed("Name").setAsText("y");
  EXPECT_THROW(ds.postRecord(), Abort);
  EXPECT_EQ(ds.state(), stInsert);
  EXPECT_EQ(name(), "y") << "a failed post keeps the buffer";

  answer = daFail;
  ds.failPosts = 1;
  EXPECT_THROW(ds.postRecord(), DatabaseError);
  EXPECT_EQ(ds.state(), stInsert);
  ds.postRecord();
  EXPECT_EQ(walk(), Strings({"x", "y"}));
}

TEST_F(DataSetTest, EditAndDeleteErrorsPropagateWithoutAnEvent) {
  ds.open();
  addRows(2);
  ds.failEdits = 1;
  EXPECT_THROW(ds.beginEdit(), DatabaseError);
  EXPECT_EQ(ds.state(), stBrowse);
  ds.failDeletes = 1;
  int retries = 0;
  ds.onDeleteError = [&](DataSet&, DatabaseError&, DataAction& action) {
    ++retries;
    action = daRetry;
  };
  ds.deleteCurrent();
  EXPECT_EQ(retries, 1);
  EXPECT_EQ(ds.recordTotal(), 1);
}

TEST_F(DataSetTest, MessagesCarryTheComponentName) {
  EXPECT_THROW(
      {
        try {
          ds.goFirst();
        } catch (const DatabaseError& e) {
          EXPECT_STREQ(e.what(), "tblData: Cannot perform this operation on a closed dataset");
          throw;
        }
      },
      DatabaseError);
  ds.open();
  try {
    ds.postRecord();
    FAIL();
  } catch (const DatabaseError& e) {
    EXPECT_STREQ(e.what(), "tblData: Dataset not in edit or insert mode");
  }
  try {
    ds.fieldNamed("Name").setAsText("x");
    FAIL();
  } catch (const DatabaseError& e) {
    EXPECT_STREQ(e.what(), "tblData: Dataset not in edit or insert mode");
  }
  try {
    ds.fieldNamed("Missing");
    FAIL();
  } catch (const DatabaseError& e) {
    EXPECT_STREQ(e.what(), "tblData: Field 'Missing' not found");
  }
  ds.readOnlyTable = true;
  try {
    ds.insertNew();
    FAIL();
  } catch (const DatabaseError& e) {
    EXPECT_STREQ(e.what(), "tblData: Cannot modify a read-only dataset");
  }
}

TEST_F(DataSetTest, RequiredBlankFieldIsFocusedAndRefused) {
  ds.fieldDefs().item(1)->setAttributes(faRequired);
  ds.open();
  RecordingLink link;
  link.setDataSource(&source);
  ds.insertNew();
  link.clear();
  try {
    ds.postRecord();
    FAIL();
  } catch (const DatabaseError& e) {
    EXPECT_STREQ(e.what(), "tblData: Field 'Name' must have a value");
  }
  EXPECT_EQ(link.events, Strings({"UpdateRecord", "CheckBrowseMode", "FocusControl(Name)"}));
  EXPECT_EQ(ds.state(), stInsert);
  EXPECT_FALSE(ds.fieldNamed("ID").isBlank()) << "the key is never blank";
}

TEST_F(DataSetTest, LeavingAnUnchangedInsertCancelsAChangedOnePosts) {
  ds.open();
  addRows(2);
  ds.insertNew();
  ds.goFirst();
  EXPECT_EQ(ds.recordTotal(), 2);
  ds.insertNew();
  ds.fieldNamed("Name").setAsText("new");
  ds.goLast();
  EXPECT_EQ(ds.recordTotal(), 3);
  EXPECT_EQ(ds.state(), stBrowse);
}

TEST_F(DataSetTest, EventsFireAroundEachChangeInOrder) {
  Strings log;
  auto note = [&](const char* what) { return [&log, what](DataSet&) { log.push_back(what); }; };
  ds.beforeOpen = note("BeforeOpen");
  ds.afterOpen = note("AfterOpen");
  ds.beforeInsert = note("BeforeInsert");
  ds.afterInsert = note("AfterInsert");
  ds.onNewRecord = note("OnNewRecord");
  ds.beforePost = note("BeforePost");
  ds.afterPost = note("AfterPost");
  ds.beforeScroll = note("BeforeScroll");
  ds.afterScroll = note("AfterScroll");
  ds.beforeDelete = note("BeforeDelete");
  ds.afterDelete = note("AfterDelete");
  ds.beforeClose = note("BeforeClose");
  ds.afterClose = note("AfterClose");
  ds.open();
  ds.insertNew();
  ds.fieldNamed("Name").setAsText("x");
  ds.postRecord();
  ds.deleteCurrent();
  ds.close();
  EXPECT_EQ(log,
            Strings({"BeforeOpen", "AfterOpen", "BeforeInsert", "BeforeScroll", "OnNewRecord",
                     "AfterInsert", "AfterScroll", "BeforePost", "AfterPost", "BeforeDelete",
                     "BeforeScroll", "AfterDelete", "AfterScroll", "BeforeClose", "AfterClose"}));
}

TEST_F(DataSetTest, FailingNewRecordHandlerCancelsTheInsert) {
  ds.open();
  addRows(1);
  ds.onNewRecord = [](DataSet&) { throw DatabaseError("no"); };
  EXPECT_THROW(ds.insertNew(), DatabaseError);
  EXPECT_EQ(ds.state(), stBrowse);
  EXPECT_EQ(name(), "r1");
}

TEST_F(DataSetTest, MarksFindTheirRecordsAgain) {
  ds.open();
  addRows(6);
  ds.goFirst();
  ds.skip(2);
  const std::string third = ds.positionMark();
  ds.skip(2);
  const std::string fifth = ds.positionMark();
  ASSERT_EQ(third.size(), 4u);
  EXPECT_EQ(ds.compareMarks(third, fifth), -1);
  EXPECT_EQ(ds.compareMarks(fifth, third), 1);
  EXPECT_EQ(ds.compareMarks(third, third), 0);
  EXPECT_EQ(ds.compareMarks("", third), 1) << "empty marks sort last";
  EXPECT_EQ(ds.compareMarks(third, ""), -1);
  EXPECT_EQ(ds.compareMarks("", ""), 0);
  ds.goToMark(third);
  EXPECT_EQ(name(), "r3");
  EXPECT_TRUE(ds.markValid(fifth));
  EXPECT_FALSE(ds.markValid("xy")) << "a mark of the wrong size names no record";
  EXPECT_THROW(ds.goToMark("xy"), DatabaseError);
  ds.eraseStored(5);
  EXPECT_FALSE(ds.markValid(fifth));
  ds.insertNew();
  EXPECT_EQ(ds.positionMark(), "") << "a new record has no mark yet";
}

TEST_F(DataSetTest, FindKeyRecordMovesOnlyWhenFound) {
  ds.open();
  addRows(5);
  ds.goFirst();
  ds.goNext();
  EXPECT_TRUE(ds.findKeyRecord("ID", Variant(4)));
  EXPECT_EQ(name(), "r4");
  EXPECT_FALSE(ds.findKeyRecord("ID", Variant(40)));
  EXPECT_EQ(name(), "r4");
  EXPECT_TRUE(ds.findKeyRecord("ID;Name", {Variant(2), Variant("r2")}));
  EXPECT_EQ(name(), "r2");
  EXPECT_THROW(ds.findKeyRecord("Nope", Variant(1)), DatabaseError);
}

TEST_F(DataSetTest, ResizingTheWindowKeepsTheActiveRecordAndTheLinkView) {
  ds.open();
  addRows(8);
  RecordingLink link;
  link.setDataSource(&source);
  ds.goFirst();
  ds.skip(3);
  link.setWindowSize(5);
  EXPECT_EQ(name(), "r4");
  EXPECT_EQ(ds.bufferCount(), 5);
  EXPECT_EQ(link.windowIndex() + link.windowStart(), ds.activeRecordIndex());
  EXPECT_LT(link.windowIndex(), 5);
  link.setWindowSize(2);
  EXPECT_EQ(name(), "r4");
  EXPECT_EQ(ds.bufferCount(), 2);
  EXPECT_GE(link.windowIndex(), 0);
  EXPECT_LT(link.windowIndex(), 2);
  EXPECT_EQ(ds.buffersInUse, 3);
}

TEST_F(DataSetTest, GrowingTheWindowDuringAnInsertKeepsTheDisplacedRecord) {
  ds.open();
  addRows(4);
  RecordingLink link;
  link.setDataSource(&source);
  ds.goFirst();
  ds.goNext();
  ds.insertNew();
  ds.fieldNamed("Name").setAsText("new");
  link.setWindowSize(4);
  Strings shown;
  for (int i = 0; i < ds.bufferCount(); ++i) shown.push_back(ds.textAt(i, ds.fieldNamed("Name")));
  EXPECT_EQ(shown, Strings({"new", "r2", "r3", "r4"}))
      << "the record the new one stands before follows it";
  EXPECT_EQ(ds.activeRecordIndex(), 0);
  ds.postRecord();
  EXPECT_EQ(walk(), Strings({"r1", "r2", "r3", "r4", "new"}))
      << "the model keeps key order; the new record gets the next key";
  ds.goFirst();
  ds.goNext();
  ds.insertNew();
  ds.cancelChanges();
  EXPECT_EQ(name(), "r2");
  EXPECT_EQ(ds.bufferCount(), 4);
}

TEST_F(DataSetTest, LinkEditRequestStartsEditingOnlyWhenAllowed) {
  ds.open();
  addRows(1);
  RecordingLink link;
  link.setDataSource(&source);
  source.setAutoEdit(false);
  EXPECT_FALSE(link.edit());
  source.setAutoEdit(true);
  link.setReadOnly(true);
  EXPECT_FALSE(link.edit());
  link.setReadOnly(false);
  EXPECT_TRUE(link.edit());
  EXPECT_EQ(ds.state(), stEdit);
}

TEST_F(DataSetTest, AFixedLinkRefusesAnotherSource) {
  RecordingLink link;
  link.setDataSource(&source);
  link.setDataSourceFixed(true);
  DataSource other;
  EXPECT_THROW(link.setDataSource(&other), DatabaseError);
  EXPECT_EQ(link.dataSource(), &source);
}

TEST_F(DataSetTest, DestroyingASourceOrLinkDetachesCleanly) {
  auto link = std::make_unique<RecordingLink>();
  {
    DataSource temporary;
    temporary.setDataSet(&ds);
    link->setDataSource(&temporary);
    ds.open();
    EXPECT_TRUE(link->linkActive());
  }
  EXPECT_EQ(link->dataSource(), nullptr);
  EXPECT_FALSE(link->linkActive());
  link->setDataSource(&source);
  link.reset();
  EXPECT_TRUE(source.links().empty());
  ds.goFirst();
}

// The record filter: navigation, keys, marks and the window see only the
// records the filter accepts, and a scope without it sees all.
class RecordFilterTest : public DataSetTest {
 protected:
  RecordFilterTest() {
    ds.open();
    addRows(9);
  }
  Strings walkBack() {
    Strings names;
    for (ds.goLast(); !ds.atStart(); ds.goPrior()) names.push_back(name());
    return names;
  }
  // Keeps the records whose number is in the text.
  void keep(const std::string& digits) {
    ds.setRecordFilter([digits](DataSet& d) {
      const std::string n = d.fieldNamed("Name").asText();
      return digits.find(n.back()) != std::string::npos;
    });
  }
};

TEST_F(RecordFilterTest, WalksBothWaysOverAcceptedRecordsOnly) {
  keep("2468");
  EXPECT_EQ(walk(), Strings({"r2", "r4", "r6", "r8"}));
  EXPECT_EQ(walkBack(), Strings({"r8", "r6", "r4", "r2"}));
  ds.goFirst();
  EXPECT_EQ(ds.skip(2), 2);
  EXPECT_EQ(name(), "r6");
  EXPECT_EQ(ds.skip(5), 1) << "only one accepted record lies beyond";
  EXPECT_EQ(name(), "r8");
}

TEST_F(RecordFilterTest, SettingItMovesOffARejectedRecordAndTellsTheLinks) {
  ds.goFirst();
  ds.skip(2);
  ASSERT_EQ(name(), "r3");
  RecordingLink link;
  link.setDataSource(&source);
  keep("58");
  EXPECT_EQ(name(), "r5") << "the next accepted record";
  ASSERT_FALSE(link.events.empty());
  EXPECT_EQ(link.events.back(), "DataSetChange");
  keep("1");
  EXPECT_EQ(name(), "r1") << "none further on: the one before";
  ds.setRecordFilter({});
  EXPECT_EQ(name(), "r1") << "clearing keeps the record";
  EXPECT_EQ(walk().size(), 9u);
}

TEST_F(RecordFilterTest, NothingAcceptedLeavesAnEmptyWindow) {
  keep("x");
  ds.goFirst();
  EXPECT_TRUE(ds.atStart());
  EXPECT_TRUE(ds.atEnd());
  EXPECT_TRUE(ds.noRecords());
  EXPECT_EQ(name(), "");
  ds.setRecordFilter({});
  EXPECT_EQ(walk().size(), 9u);
}

TEST_F(RecordFilterTest, KeysAndMarksOfRejectedRecordsFindNothing) {
  ds.goFirst();
  ds.skip(1);
  const std::string markOf2 = ds.positionMark();
  keep("135");
  ds.goFirst();
  EXPECT_FALSE(ds.findKeyRecord("ID", Variant(std::int64_t{2})));
  EXPECT_EQ(name(), "r1") << "a failed find leaves the record";
  EXPECT_TRUE(ds.findKeyRecord("ID", Variant(std::int64_t{3})));
  EXPECT_EQ(name(), "r3");
  EXPECT_THROW(ds.goToMark(markOf2), DatabaseError);
}

TEST_F(RecordFilterTest, UnfilteredScopeSeesEveryRecordAndComesBackFiltered) {
  keep("46");
  ds.goFirst();
  ds.goNext();
  ASSERT_EQ(name(), "r6");
  {
    UnfilteredScope all(ds);
    EXPECT_FALSE(ds.filterApplies());
    EXPECT_EQ(walk().size(), 9u);
  }
  EXPECT_TRUE(ds.filterApplies());
  EXPECT_EQ(name(), "r6") << "the walk ended on r9: the accepted record nearest before it";
  EXPECT_EQ(walk(), Strings({"r4", "r6"}));
}

TEST_F(RecordFilterTest, DeletingUnderTheFilterMovesToTheNextAcceptedRecord) {
  keep("2468");
  ds.goFirst();
  ds.goNext();
  ASSERT_EQ(name(), "r4");
  ds.deleteCurrent();
  EXPECT_EQ(name(), "r6");
  EXPECT_EQ(walk(), Strings({"r2", "r6", "r8"}));
  ds.setRecordFilter({});
  EXPECT_EQ(walk().size(), 8u);
}

}  // namespace
}  // namespace morvel
