// The data-bound grid bound to a dataset: its option defaults, loading the
// records once the key field names a field, columns made from fields, value
// and key order, focus and current record following each other, and the
// packed values its rows keep.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <random>
#include <set>

#include "DBGridTestSupport.h"
#include "base/WholeFile.h"

namespace morvel::test {
namespace {

using Strings = std::vector<std::string>;

class DBGridBindingTest : public DBGridFixture {};

TEST_F(DBGridBindingTest, OptionDefaultsAreTheFixedSetValues) {
  FakeHost otherHost;
  DBGrid fresh(otherHost);
  EXPECT_EQ(fresh.options().value(), 15255u);
  EXPECT_EQ(fresh.optionsEx().value(), 2102454u);
  EXPECT_TRUE(fresh.showGrid());
  EXPECT_EQ(fresh.colors().hideSelectionColor, fresh.colors().highlightColor);
  EXPECT_EQ(fresh.colors().hideSelectionTextColor, fresh.colors().highlightTextColor);
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

// Sorting takes short paths for texts that fit a small key and for dates;
// longer texts sharing a long prefix, blanks and many ties must come out
// in the same order as every other value: by value, ties by key ascending
// whatever the direction, the same after the rows arrive already in order.
struct SortShape {
  const char* name;
  int column;
  TreeListColumnSort direction;
  int nameLength;  // the names' length: beyond 15 they share a long prefix
};

class DBGridSortOrderTest : public DBGridFixture,
                            public ::testing::WithParamInterface<SortShape> {};

TEST_P(DBGridSortOrderTest, RowsComeInValueOrderWithTiesByKey) {
  const SortShape shape = GetParam();
  std::mt19937 random(20261210);
  std::vector<Row> rows;
  std::map<std::int64_t, Row> byKey;
  for (int i = 0; i < 400; ++i) {
    std::string name(static_cast<std::size_t>(shape.nameLength), 'p');
    if (!name.empty()) name.back() = static_cast<char>('a' + random() % 5);
    if (random() % 9 == 0) name.clear();
    char born[16];
    std::snprintf(born, sizeof born, "%02u/%02u/1990", 1 + static_cast<unsigned>(random() % 4),
                  1 + static_cast<unsigned>(random() % 2));
    rows.push_back({name, "Oslo", random() % 7 == 0 ? std::string() : std::string(born)});
    byKey[static_cast<std::int64_t>(i + 1)] = rows.back();
  }
  open(rows);
  // Twice: the second sort meets rows already in order.
  for (int pass = 0; pass < 2; ++pass) {
    if (pass == 1) column(shape.column)->setSorted(csNone);
    column(shape.column)->setSorted(shape.direction);
    ASSERT_EQ(grid.topCount(), 400);
    for (int i = 1; i < grid.topCount(); ++i) {
      const TreeListNode* a = grid.topNodes(i - 1);
      const TreeListNode* b = grid.topNodes(i);
      int c =
          compareVariants(grid.getSortValue(*a, shape.column), grid.getSortValue(*b, shape.column));
      if (shape.direction == csDown) c = -c;
      if (c == 0) {
        c = CustomDBGrid::dbNode(*a).keyValue().compare(CustomDBGrid::dbNode(*b).keyValue());
      }
      ASSERT_LT(c, 0) << "rows " << i - 1 << " and " << i << " out of order";
    }
  }
  // Every record once, its texts with it.
  std::set<std::int64_t> seen;
  for (int i = 0; i < grid.topCount(); ++i) {
    const DBGridNode& n = CustomDBGrid::dbNode(*grid.topNodes(i));
    const std::int64_t key = n.keyValue().integer();
    EXPECT_TRUE(seen.insert(key).second);
    EXPECT_EQ(n.texts().get(1), byKey[key].name);
    EXPECT_EQ(n.texts().get(3), byKey[key].born);
  }
}

INSTANTIATE_TEST_SUITE_P(Shapes, DBGridSortOrderTest,
                         ::testing::Values(SortShape{"ShortTextsUp", 1, csUp, 4},
                                           SortShape{"ShortTextsDown", 1, csDown, 4},
                                           SortShape{"FifteenByteTextsUp", 1, csUp, 15},
                                           SortShape{"LongTextsUp", 1, csUp, 30},
                                           SortShape{"LongTextsDown", 1, csDown, 30},
                                           SortShape{"DatesUp", 3, csUp, 4},
                                           SortShape{"DatesDown", 3, csDown, 4}),
                         [](const ::testing::TestParamInfo<SortShape>& info) {
                           return info.param.name;
                         });

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

  // Best fit measures the texts shown, for the column with a handler; the
  // others from their stored texts.
  const int town = [&] {
    grid.applyBestFit(column(2));
    return column(2)->width();
  }();
  grid.applyBestFit(nullptr);
  EXPECT_EQ(column(2)->width(), town);
  const int plain = column(1)->width();
  column(1)->onGetText = [](DBTreeListColumn&, TreeListNode*, std::string& text) {
    text += std::string(40, 'W');
  };
  grid.applyBestFit(nullptr);
  EXPECT_EQ(column(1)->width(),
            plain + host.canvas().textWidth(std::string(40, 'W')) - host.canvas().textWidth("<>"));
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

// Packed values compare without raising as their variants do, texts that
// are no numbers or booleans included.
TEST(PackedValueTest, TryCompareMatchesTheVariantsWithoutRaising) {
  const std::vector<Variant> values = {Variant::null(),  Variant(-7),      Variant(2.5),
                                       Variant::date(3), Variant(true),    Variant("12"),
                                       Variant("abc"),   Variant("false"), Variant("")};
  for (const Variant& a : values) {
    const PackedValue packed(a);
    for (const Variant& b : values) {
      const std::optional<int> expected = tryCompareVariants(a, b);
      EXPECT_EQ(packed.tryCompare(b), expected) << a.toText() << " / " << b.toText();
      EXPECT_EQ(packed.tryCompare(PackedValue(b)), expected) << a.toText() << " / " << b.toText();
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

// The grid in a window, grouped by town with the first town's rows shown.
class DBGridViewTest : public DBGridFixture {
 protected:
  void SetUp() override {
    grid.setBounds({0, 0, 400, 300});
    host.attach(grid);
    open(people());
    grid.addGroupColumn(0, column(2));
    group = grid.topNodes(0);
    group->setExpanded(true);
    record = group->items(0);
  }
  Point inCell(TreeListNode* node, int c) {
    const Rect cell = grid.cellRect(node, column(c));
    return {cell.left + 3, cell.top + 3};
  }
  TreeListNode* group = nullptr;
  TreeListNode* record = nullptr;
};

TEST_F(DBGridViewTest, ADoubleClickOnARecordFiresOnDblClickInsteadOfAPress) {
  int doubles = 0;
  int presses = 0;
  grid.onDblClick = [&](CustomTreeList&) { ++doubles; };
  grid.onMouseDown = [&](CustomTreeListControl&, MouseButton, ShiftState, Point) { ++presses; };
  grid.mouseDown(mbLeft, ssDouble, inCell(record, 1));
  EXPECT_EQ(doubles, 1);  // without goDblClick too
  EXPECT_EQ(presses, 0);
  EXPECT_EQ(grid.mouseState(), MouseState::Idle);
  // On a group row it is the tree list's: the group collapses.
  grid.mouseDown(mbLeft, ssDouble, inCell(group, 1));
  EXPECT_FALSE(group->expanded());
  EXPECT_EQ(doubles, 1);
  EXPECT_EQ(presses, 1);
}

TEST_F(DBGridViewTest, OnCustomDrawSeesCellsFirstAndGroupRowsWithTheirLevelsColumn) {
  std::vector<DBTreeListColumn*> groupRowColumns;
  grid.onCustomDraw = [&](CustomDBGrid&, Canvas&, const Rect&, TreeListNode* node,
                          DBTreeListColumn* c, bool, bool, std::string& text, Color&, Font&,
                          Alignment&, bool& done) {
    if (CustomDBGrid::isGroupNode(node)) {
      groupRowColumns.push_back(c);
      text = "group row";
    } else {
      done = c == column(1);  // the handler draws the names itself
    }
  };
  host.paint();
  EXPECT_EQ(groupRowColumns, std::vector<DBTreeListColumn*>(3, column(2)));
  int groupTexts = 0;
  for (const DrawCommand& c : host.canvas().texts()) {
    EXPECT_NE(c.text, record->strings(1));
    groupTexts += c.text == "group row";
  }
  EXPECT_EQ(groupTexts, 3);
}

TEST_F(DBGridViewTest, TheFocusedRowsIndicatorShowsEditingAndInserting) {
  grid.setFocusedNode(record, 1, true);
  EXPECT_EQ(grid.indicatorImage(*record), iiArrow);
  table.beginEdit();
  EXPECT_EQ(grid.indicatorImage(*grid.focusedNode()), iiEdit);
  EXPECT_EQ(grid.indicatorImage(*group), iiNone);
  table.cancelChanges();
  EXPECT_EQ(grid.indicatorImage(*grid.focusedNode()), iiArrow);
  table.insertNew();
  EXPECT_EQ(grid.indicatorImage(*grid.focusedNode()), iiInsert);
  table.cancelChanges();
}

// Layout files in a folder of the test's own.
class DBGridLayoutStorageTest : public DBGridFixture {
 protected:
  void SetUp() override {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "morvel-layout-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    folder = pattern;
  }
  void TearDown() override {
    // Nothing is written when the grid goes at the end of the test.
    grid.setOptions(grid.options().without(goStoreToIniFile));
    std::filesystem::remove_all(folder);
  }
  DBTreeListColumn* byField(const std::string& name) {
    for (int i = 0; i < grid.columnCount(); ++i) {
      if (column(i)->fieldName() == name) return column(i);
    }
    return nullptr;
  }
  // The columns made anew, as a stored form would, then the stored layout.
  void reloadColumns() {
    grid.setComponentLoading(true);
    buildColumns();
    grid.setComponentLoading(false);
  }
  std::vector<std::string> fieldOrder() {
    std::vector<std::string> out;
    for (int i = 0; i < grid.columnCount(); ++i) out.push_back(column(i)->fieldName());
    return out;
  }
  std::string folder;
};

TEST_F(DBGridLayoutStorageTest, ColumnsGetBackTheirPlaceWidthVisibilitySortAndGrouping) {
  grid.setOptions(grid.options().with(goStoreToIniFile));
  grid.setIniFileName(folder + "/layout.ini");
  grid.setIniSectionName("Main grid");
  open(people());
  byField("Name")->setWidth(150);
  byField("Born")->setVisible(false);
  byField("Name")->setSorted(csDown);
  byField("ID")->setColumnIndex(3);
  grid.addGroupColumn(0, byField("Town"));
  grid.storeLayout();

  reloadColumns();
  EXPECT_EQ(fieldOrder(), (Strings{"Name", "Town", "Born", "ID"}));
  EXPECT_EQ(byField("Name")->width(), 150);
  EXPECT_FALSE(byField("Born")->visible());
  EXPECT_EQ(byField("Name")->sorted(), csDown);
  ASSERT_EQ(grid.groupColumnCount(), 1);
  EXPECT_EQ(grid.groupColumns(0), byField("Town"));

  // Damaged entries are skipped, sound ones still apply; a file that is no
  // layout at all, or cannot be read, changes nothing.
  grid.removeGroupColumn(0);
  writeWholeFile(folder + "/layout.ini",
                 "[Main grid]\nColumns=3\n[Main grid.Column0]\nFieldName=Born\nIndex=x\n"
                 "[Main grid.Column1]\nFieldName=Town\nIndex=0\nWidth=-5\nSorted=7\n"
                 "[Main grid.Column2]\nFieldName=Gone\nIndex=1\n");
  reloadColumns();
  EXPECT_EQ(fieldOrder(), (Strings{"Town", "ID", "Name", "Born"}));
  EXPECT_EQ(byField("Town")->sorted(), csNone);
  const int width = byField("Town")->width();
  for (const std::string& text :
       {std::string("[Main grid]\nColumns=99999999999\n"), std::string("\0\xff[\n=", 5)}) {
    writeWholeFile(folder + "/layout.ini", text);
    reloadColumns();
    EXPECT_EQ(fieldOrder(), (Strings{"ID", "Name", "Town", "Born"}));
  }
  grid.setIniFileName(folder);  // a folder
  reloadColumns();
  EXPECT_EQ(byField("Town")->width(), width);
}

TEST_F(DBGridLayoutStorageTest, TheRegistryPathIsAFileInTheConfigFolderWrittenAtDestruction) {
  const char* saved = std::getenv("XDG_CONFIG_HOME");
  const std::string savedValue = saved ? saved : "";
  ::setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
  const std::string file = folder + "/morvel/Software_Morvel_Grid.ini";
  {
    FakeHost otherHost;
    DBGrid other(otherHost);
    other.setRegistryPath("Software\\..\\Morvel/Grid");
    EXPECT_EQ(other.registryFileName(), file);
    other.setRegistryPath("../..");
    EXPECT_EQ(other.registryFileName(), "");
    other.setRegistryPath("Software\\Morvel\\Grid");
    other.setOptions(other.options().with(goStoreToRegistry));
    std::filesystem::create_directories(folder + "/morvel");
    writeWholeFile(file, "[Other grid]\nColumns=0\n");
  }
  EXPECT_EQ(readWholeFile(file).view(), "[Other grid]\nColumns=0\n[Grid]\nColumns=0\n");
  if (saved) {
    ::setenv("XDG_CONFIG_HOME", savedValue.c_str(), 1);
  } else {
    ::unsetenv("XDG_CONFIG_HOME");
  }
}

}  // namespace
}  // namespace morvel::test
