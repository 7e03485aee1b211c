#include <gtest/gtest.h>

#include "DBGridTestSupport.h"

namespace morvel::test {
namespace {

using Strings = std::vector<std::string>;

class DBGridBindingTest : public DBGridFixture {};

TEST_F(DBGridBindingTest, OptionDefaultsAreTheFixedSetValues) {
  FakeHost otherHost;
  DBGrid fresh(otherHost);
  EXPECT_EQ(fresh.options().value(), 15255u);
  EXPECT_EQ(fresh.optionsEx().value(), 2102454u);
  // Row selection and the inverted-selection look exclude each other.
  fresh.setOptionsEx(fresh.optionsEx().with(goInvertSelect));
  fresh.setOptions(fresh.options().with(goRowSelect));
  EXPECT_FALSE(fresh.optionsEx().has(goInvertSelect));
  fresh.setOptionsEx(fresh.optionsEx().with(goInvertSelect));
  EXPECT_FALSE(fresh.options().has(goRowSelect));
}

TEST_F(DBGridBindingTest, LoadsNothingUntilTheKeyFieldNamesAFieldThenEveryRecord) {
  int clears = 0;
  grid.onClearNodeData = [&](CustomDBGrid&) { ++clears; };
  grid.setKeyField("RecordID");
  open(people());  // the columns are built while the key is still "RecordID"
  EXPECT_EQ(grid.topCount(), 6);
  EXPECT_EQ(grid.loadedRecordCount(), 6);
  EXPECT_EQ(topTexts(), (Strings{"Dora", "alma", "Carl", "Bea", "Eve", "Finn"}));
  EXPECT_EQ(clears, 1);

  TreeListNode* first = grid.topNodes(0);
  grid.setKeyField("ID");  // the same name: no reload
  EXPECT_EQ(clears, 1);
  EXPECT_EQ(grid.topNodes(0), first);
  grid.setKeyField("id");  // names compare case-sensitively: reloads
  EXPECT_EQ(clears, 2);
  grid.setKeyField("RecordID");
  EXPECT_EQ(grid.topCount(), 0);
}

TEST_F(DBGridBindingTest, ALoadLeavesTheDatasetOnItsRecordAndCancelsAPendingInsert) {
  open(people());
  table.goFirst();
  table.goNext();
  table.goNext();
  ASSERT_EQ(currentName(), "Carl");
  grid.reloadAll();
  EXPECT_EQ(currentName(), "Carl");
  EXPECT_FALSE(table.atStart());
  EXPECT_FALSE(table.atEnd());

  table.goLast();
  table.goNext();  // past the end
  ASSERT_TRUE(table.atEnd());
  grid.reloadAll();
  EXPECT_EQ(currentName(), "Finn");
  EXPECT_TRUE(table.atEnd());
  EXPECT_FALSE(table.atStart());

  table.goFirst();
  ASSERT_TRUE(table.atStart());
  grid.reloadAll();
  EXPECT_TRUE(table.atStart());

  table.insertNew();
  table.field(1)->setAsText("Gus");
  grid.reloadAll();
  EXPECT_EQ(table.state(), stBrowse);
  EXPECT_EQ(table.recordTotal(), 6);
  EXPECT_EQ(grid.topCount(), 6);
}

TEST_F(DBGridBindingTest, ColumnsTakeTheirKindCaptionAlignmentAndTextsFromTheirFields) {
  open(people());
  EXPECT_NE(dynamic_cast<DBGridMaskColumn*>(column(0)), nullptr);
  EXPECT_NE(dynamic_cast<DBGridMaskColumn*>(column(1)), nullptr);
  EXPECT_NE(dynamic_cast<DBGridDateColumn*>(column(3)), nullptr);
  EXPECT_EQ(column(0)->caption(), "ID");
  EXPECT_EQ(column(0)->alignment(), taRightJustify);
  EXPECT_EQ(column(1)->alignment(), taLeftJustify);
  EXPECT_EQ(column(0)->valueType(), kValueTypeInteger);
  EXPECT_EQ(column(1)->valueType(), kValueTypeString);
  EXPECT_EQ(column(3)->valueType(), kValueTypeDate);
  EXPECT_EQ(column(0)->name(), "gridDataColumn1");

  DBGridNode& row = CustomDBGrid::dbNode(*grid.topNodes(0));
  EXPECT_EQ(row.strings(0), "1");
  EXPECT_EQ(row.strings(3), "05/03/1990");
  EXPECT_EQ(row.keyValue().toVariant().integerValue(), 1);
  // Dates and the key keep their values, plain texts only their text.
  EXPECT_EQ(row.values(3).kind(), vkDate);
  EXPECT_FALSE(row.hasCellValue(1));
  EXPECT_EQ(row.values(1).stringValue(), "Dora");
  EXPECT_EQ(CustomDBGrid::dbNode(*grid.topNodes(5)).cellValue(3).kind(), vkNull);

  // Width: the field's display width in digits against the caption.
  const int digit = host.canvas().zeroWidth();
  EXPECT_EQ(column(1)->width(), digit * 100 + 4);
  EXPECT_EQ(column(3)->width(), std::max(digit * 10 + 4, host.canvas().textWidth("Born") + 6));
}

TEST_F(DBGridBindingTest, AColumnWithoutAFieldShowsEmptyCellsUnderItsFieldName) {
  open(people());
  auto* loose = static_cast<DBTreeListColumn*>(grid.createColumn());
  loose->setFieldName("Nowhere");
  EXPECT_EQ(loose->field(), nullptr);
  EXPECT_EQ(loose->caption(), "Nowhere");
  EXPECT_EQ(loose->width(), host.canvas().textWidth("Nowhere") + 6);
  EXPECT_EQ(loose->valueType(), kValueTypeUnknown);
  grid.reloadAll();
  EXPECT_EQ(grid.topNodes(0)->strings(loose->index()), "");

  auto* empty = static_cast<DBTreeListColumn*>(grid.createColumn());
  EXPECT_EQ(empty->width(), 64);
}

TEST_F(DBGridBindingTest, ColumnsCannotBeMadeOrClearedByHandWithDefaultFields) {
  open(people());
  grid.setOptions(grid.options().without(goLoadAllRecords));
  grid.setDefaultFields(true);
  try {
    grid.createColumn();
    FAIL() << "a column was made";
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "");
  }
  EXPECT_THROW(grid.clearColumns(), Exception);
  // Turning load-all back on turns the default fields off.
  grid.setOptions(grid.options().with(goLoadAllRecords));
  EXPECT_FALSE(grid.defaultFields());
  EXPECT_NO_THROW(grid.createColumn());
}

TEST_F(DBGridBindingTest, DatesSortByValueTextsByTextAndTiesByKey) {
  open(people());
  column(3)->setSorted(csUp);
  // Blank first; 05/03/1990 twice, in key order (Dora 1, Eve 5).
  EXPECT_EQ(topTexts(), (Strings{"Finn", "Carl", "alma", "Bea", "Dora", "Eve"}));
  column(3)->setSorted(csDown);
  // The tie keeps ascending key order whatever the direction.
  EXPECT_EQ(topTexts(), (Strings{"Dora", "Eve", "Bea", "alma", "Carl", "Finn"}));
  column(1)->setSorted(csUp);
  EXPECT_EQ(topTexts(), (Strings{"Bea", "Carl", "Dora", "Eve", "Finn", "alma"}));
  EXPECT_EQ(column(3)->sorted(), csNone);

  grid.setOptions(grid.options().with(goCaseInsensitive));
  column(1)->setSorted(csDown);
  column(1)->setSorted(csUp);
  EXPECT_EQ(topTexts(), (Strings{"alma", "Bea", "Carl", "Dora", "Eve", "Finn"}));

  // A reload sorts again by the sorted column.
  grid.reloadAll();
  EXPECT_EQ(topTexts().front(), "alma");
}

TEST_F(DBGridBindingTest, FocusingARowMovesTheDatasetAndTheDatasetMovesTheFocus) {
  open(people());
  column(1)->setSorted(csUp);
  grid.setFocusedNode(rowNamed("Eve"), 0, true);
  EXPECT_EQ(currentName(), "Eve");
  grid.setFocusedNode(rowNamed("alma"), 0, true);
  EXPECT_EQ(currentName(), "alma");

  table.goFirst();  // Dora
  EXPECT_EQ(grid.focusedNode(), rowNamed("Dora"));
  table.goLast();
  EXPECT_EQ(grid.focusedNode(), rowNamed("Finn"));
}

TEST_F(DBGridBindingTest, ByDistanceFocusSkipsByRecordIndex) {
  open(people());
  grid.setOptions(grid.options().without(goSmartRefresh));
  // By distance the grid trusts that the dataset is on the focused row.
  table.goFirst();
  ASSERT_EQ(grid.focusedNode(), grid.topNodes(0));
  grid.setFocusedNode(grid.topNodes(4), 0, false);
  EXPECT_EQ(currentName(), "Eve");
  grid.setFocusedNode(grid.topNodes(1), 0, false);
  EXPECT_EQ(currentName(), "alma");
}

TEST_F(DBGridBindingTest, GetTextHandlersShapeShownTextsButNotStoredOnes) {
  open(people());
  column(1)->onGetText = [](DBTreeListColumn&, TreeListNode*, std::string& text) {
    text = "<" + text + ">";
  };
  EXPECT_EQ(grid.topNodes(0)->strings(1), "<Dora>");
  EXPECT_EQ(CustomDBGrid::dbNode(*grid.topNodes(0)).texts().get(1), "Dora");
}

int sign(int c) { return c < 0 ? -1 : (c > 0 ? 1 : 0); }

TEST(PackedValueTest, EveryKindRoundTripsAndComparesLikeItsVariant) {
  const std::vector<Variant> values = {Variant(),
                                       Variant::null(),
                                       Variant(-7),
                                       Variant(2.5),
                                       Variant::currency(125000),
                                       Variant::date(45000.25),
                                       Variant(true),
                                       Variant("a longer text than fits inline"),
                                       Variant(""),
                                       Variant("B")};
  for (const Variant& a : values) {
    const PackedValue packed(a);
    const Variant back = packed.toVariant();
    EXPECT_EQ(back.kind(), a.kind());
    EXPECT_EQ(compareVariants(back, a), 0);
    PackedValue copy;
    copy = packed;
    copy.setAux(7, 1);
    EXPECT_EQ(copy.aux16(), 7);
    for (const Variant& b : values) {
      if (a.kind() == vkBoolean || b.kind() == vkBoolean) continue;
      if ((a.kind() == vkString) != (b.kind() == vkString) && !a.isBlank() && !b.isBlank())
        continue;
      const int expected = sign(compareVariants(a, b));
      EXPECT_EQ(sign(packed.compare(b)), expected) << a.toText() << " / " << b.toText();
      EXPECT_EQ(sign(packed.compare(PackedValue(b))), expected);
    }
  }
}

TEST_F(DBGridBindingTest, PreviewTextsAreCutToTheirMaximumLength) {
  grid.setPreviewFieldName("Town");
  grid.setPreviewMaxLength(2);
  open(people());
  EXPECT_EQ(grid.previewText(*grid.topNodes(0)), "Os...");
  grid.onGetPreviewText = [](CustomDBGrid&, TreeListNode*, std::string& text) { text += "!"; };
  EXPECT_EQ(grid.previewText(*grid.topNodes(1)), "Be...!");
}

TEST_F(DBGridBindingTest, DateColumnEditMaskFollowsTheShortDateFormat) {
  EXPECT_EQ(DBTreeListDateColumn::editMaskFor("dd/mm/yyyy"), "!99/99/9999;1; ");
  EXPECT_EQ(DBTreeListDateColumn::editMaskFor("d.M.yy"), "!99.99.99;1; ");
  EXPECT_EQ(DBTreeListDateColumn::editMaskFor("dd-mmm-yyyy"), "!99-lll-9999;1; ");
}

TEST_F(DBGridBindingTest, ClosingTheTableEmptiesTheGridAndLeavesNoStalePointers) {
  open(people());
  grid.setFocusedNode(rowNamed("Bea"), 0, false);
  table.close();
  EXPECT_EQ(grid.topCount(), 0);
  EXPECT_EQ(grid.focusedNode(), nullptr);
  EXPECT_EQ(column(1)->field(), nullptr);
  table.open();
  EXPECT_EQ(grid.topCount(), 6);
  EXPECT_NE(column(1)->field(), nullptr);
}

}  // namespace
}  // namespace morvel::test
