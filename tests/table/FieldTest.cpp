// The dataset's fields: definitions, sizes and blanks, native dates,
// conversions from text and from variants, display texts, and fields that
// refuse writes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "MemoryDataSet.h"
#include "RecordingLink.h"
#include "base/DateText.h"
#include "tests/TestSupport.h"

namespace morvel {
namespace {

using testing_support::MemoryDataSet;
using testing_support::RecordingLink;
using Strings = std::vector<std::string>;

class FieldTest : public ::testing::Test {
 protected:
  FieldTest() : saved_(formatSettings()) {
    formatSettings() = testing_support::ukFormatSettings();
    formatSettings().dateFormatShort = "dd/mm/yyyy";
    ds.fieldDefs().defineField("ID", ftAutoInc, 0, true);
    ds.fieldDefs().defineField("Text", ftString, 10);
    ds.fieldDefs().defineField("Day", ftDate);
    ds.fieldDefs().defineField("Stamp", ftDateTime);
    ds.fieldDefs().defineField("Count", ftInteger);
    ds.open();
    ds.insertNew();
  }
  ~FieldTest() override { formatSettings() = saved_; }

  Field& f(const char* name) { return ds.fieldNamed(name); }

  FormatSettings saved_;
  MemoryDataSet ds;
};

TEST_F(FieldTest, DefaultFieldsFollowTheDefinitions) {
  EXPECT_NE(dynamic_cast<AutoIncField*>(&f("ID")), nullptr);
  EXPECT_NE(dynamic_cast<StringField*>(&f("text")), nullptr) << "names ignore case";
  EXPECT_NE(dynamic_cast<DateField*>(&f("Day")), nullptr);
  EXPECT_NE(dynamic_cast<DateTimeField*>(&f("Stamp")), nullptr);
  EXPECT_EQ(f("ID").fieldNumber(), 1);
  EXPECT_TRUE(f("ID").required());
  EXPECT_EQ(f("Stamp").fieldNumber(), 4);
  EXPECT_EQ(f("Text").dataLength(), 11);
  EXPECT_EQ(f("Day").dataLength(), 4);
  EXPECT_EQ(f("Stamp").dataLength(), 8);
  EXPECT_EQ(f("ID").dataLength(), 4);
  EXPECT_EQ(f("ID").alignment(), taRightJustify);
  EXPECT_EQ(f("Count").alignment(), taRightJustify);
  EXPECT_EQ(f("Text").alignment(), taLeftJustify);
  EXPECT_EQ(ds.lookupField("nope"), nullptr);
}

struct Cut {
  const char* what;
  std::string text;
  std::string stored;
};

class StringFieldCut : public FieldTest, public ::testing::WithParamInterface<Cut> {};

TEST_P(StringFieldCut, KeepsAtMostSizeBytes) {
  f("Text").setAsText(GetParam().text);
  EXPECT_EQ(f("Text").asText(), GetParam().stored);
  EXPECT_EQ(f("Text").variantValue().toText(), GetParam().stored);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, StringFieldCut,
    ::testing::Values(
        Cut{"short", "abc", "abc"}, Cut{"exactly the size", "0123456789", "0123456789"},
        Cut{"longer", "0123456789xyz", "0123456789"},
        Cut{"a UTF-8 character across the cut stays whole", "abcdefghi\xc3\xa9", "abcdefghi"},
        Cut{"a three-byte character across the cut", "abcdefgh\xe2\x82\xac", "abcdefgh"},
        Cut{"an 8-bit byte is cut exactly", "abcdefghi\xe9xyz", "abcdefghi\xe9"}),
    [](const auto& info) { return "Case" + std::to_string(info.index); });

TEST_F(FieldTest, EmptyTextMakesFieldsBlank) {
  for (const char* name : {"Text", "Day", "Stamp", "Count"}) {
    f(name).setAsText(name == std::string("Text")    ? "x"
                      : name == std::string("Count") ? "5"
                                                     : "01/02/2003");
    EXPECT_FALSE(f(name).isBlank()) << name;
    f(name).setAsText("");
    EXPECT_TRUE(f(name).isBlank()) << name;
    EXPECT_EQ(f(name).asText(), "") << name;
    EXPECT_TRUE(f(name).variantValue().isNull()) << name;
  }
  EXPECT_EQ(static_cast<DateTimeField&>(f("Day")).dateTimeValue(), 0);
  EXPECT_EQ(static_cast<IntegerField&>(f("Count")).integerValue(), 0);
}

TEST_F(FieldTest, DatesAreStoredAsDayNumbersAndMilliseconds) {
  f("Day").setAsText("05/03/2024");
  f("Stamp").setAsText("05/03/2024 13:45:30");
  std::int32_t day = 0;
  ASSERT_TRUE(f("Day").fetchData(reinterpret_cast<std::uint8_t*>(&day)));
  EXPECT_EQ(day, 738950);  // 2024-03-05 counted from 0001-01-01 as day 1
  double ms = 0;
  ASSERT_TRUE(f("Stamp").fetchData(reinterpret_cast<std::uint8_t*>(&ms)));
  EXPECT_EQ(ms, 738950.0 * 86400000 + (13 * 3600 + 45 * 60 + 30) * 1000.0);
  EXPECT_EQ(f("Day").asText(), "05/03/2024");
  EXPECT_EQ(f("Stamp").asText(), "05/03/2024 13:45:30");
  EXPECT_EQ(f("Day").variantValue().kind(), vkDate);

  f("Day").setAsText("01/01/0001");
  ASSERT_TRUE(f("Day").fetchData(reinterpret_cast<std::uint8_t*>(&day)));
  EXPECT_EQ(day, 1);
  f("Stamp").setAsText("31/12/1899 06:00");  // before day 0 the time still counts forwards
  EXPECT_EQ(f("Stamp").asText(), "31/12/1899 06:00:00");
}

TEST_F(FieldTest, UnreadableNativeDateTimeReadsAsDayZero) {
  EXPECT_EQ(millisecondsToDateTime(-5), -693594.0);
  EXPECT_EQ(millisecondsToDateTime(std::nan("")), -693594.0);
  EXPECT_EQ(millisecondsToDateTime(dateTimeToMilliseconds(45000.75)), 45000.75);
  EXPECT_EQ(millisecondsToDateTime(dateTimeToMilliseconds(-1.25)), -1.25);
}

TEST_F(FieldTest, BadTextRaisesAndLeavesTheValue) {
  f("Day").setAsText("05/03/2024");
  EXPECT_THROW(f("Day").setAsText("31/02/2024"), ConvertError);
  EXPECT_EQ(f("Day").asText(), "05/03/2024");
  f("Count").setAsText("12");
  try {
    f("Count").setAsText("1x");
    FAIL();
  } catch (const DatabaseError& e) {
    EXPECT_STREQ(e.what(), "'1x' is not a valid integer value for field 'Count'");
  }
  EXPECT_THROW(f("Count").setAsText("99999999999"), DatabaseError);
  EXPECT_EQ(f("Count").asText(), "12");
  f("Count").setAsText(" -7 ");
  EXPECT_EQ(f("Count").asText(), "-7");
}

TEST_F(FieldTest, VariantValuesConvertToTheFieldType) {
  f("Count").setVariantValue(Variant("3.5"));
  EXPECT_EQ(f("Count").asText(), "4");
  f("Count").setVariantValue(Variant(2.5));
  EXPECT_EQ(f("Count").asText(), "2") << "halves round to even";
  f("Text").setVariantValue(Variant(12));
  EXPECT_EQ(f("Text").asText(), "12");
  f("Day").setVariantValue(Variant::date(45000.9));
  EXPECT_EQ(f("Day").variantValue().dateValue(), 45000);
  f("Stamp").setVariantValue(Variant("05/03/2024 10:00"));
  EXPECT_EQ(f("Stamp").asText(), "05/03/2024 10:00:00");
  try {
    f("Count").setVariantValue(Variant("abc"));
    FAIL();
  } catch (const DatabaseError& e) {
    EXPECT_STREQ(e.what(), "Invalid value for field 'Count'");
  }
  EXPECT_THROW(f("Day").setVariantValue(Variant(1e9)), DatabaseError)
      << "a date beyond the year 9999 could not be read back";
  f("Text").setVariantValue(Variant::null());
  EXPECT_TRUE(f("Text").isBlank());
}

TEST_F(FieldTest, NullOnTheAutoIncrementFieldLeavesTheRecordAlone) {
  EXPECT_EQ(f("ID").asText(), "0") << "a new record's key reads 0, not blank";
  f("ID").setAsText("7");
  f("ID").setVariantValue(Variant::null());
  EXPECT_EQ(f("ID").asText(), "7");
  EXPECT_FALSE(f("ID").isBlank());
}

TEST_F(FieldTest, DisplayTextUsesFormatAndHandler) {
  auto& stamp = static_cast<DateTimeField&>(f("Stamp"));
  stamp.setAsText("05/03/2024 13:45");
  stamp.setDisplayFormat("yyyy-mm-dd");
  EXPECT_EQ(stamp.displayString(), "2024-03-05");
  EXPECT_EQ(stamp.editString(), "05/03/2024 13:45:00");
  f("Text").setAsText("abc");
  f("Text").onGetText = [](const Field&, std::string& text, bool display) {
    if (display) text = "<" + text + ">";
  };
  EXPECT_EQ(f("Text").displayString(), "<abc>");
  EXPECT_EQ(f("Text").editString(), "abc");
}

TEST_F(FieldTest, DisplayPropertyChangesNotifyObservers) {
  DataSource source;
  source.setDataSet(&ds);
  RecordingLink link;
  link.setDataSource(&source);
  link.clear();
  f("Text").setVisible(false);
  f("Text").setDisplayLabel("Caption");
  f("Count").setIndex(0);
  EXPECT_EQ(link.events, Strings({"LayoutChange", "DataSetChange", "LayoutChange"}));
  EXPECT_EQ(ds.field(0)->fieldName(), "Count");
  EXPECT_EQ(f("Count").index(), 0);
  EXPECT_EQ(f("ID").index(), 1);
}

TEST_F(FieldTest, ReadOnlyFieldsAndDetachedFieldsRefuseWrites) {
  f("Text").setReadOnly(true);
  try {
    f("Text").setAsText("x");
    FAIL();
  } catch (const DatabaseError& e) {
    EXPECT_STREQ(e.what(), "tblData: Field 'Text' cannot be modified");
  }
  StringField loose("Loose", 5);
  try {
    loose.setAsText("x");
    FAIL();
  } catch (const DatabaseError& e) {
    EXPECT_STREQ(e.what(), "Field 'Loose' has no dataset");
  }
  EXPECT_THROW(loose.asText(), DatabaseError);
}

TEST_F(FieldTest, DefaultFieldsAnnounceTheirDestructionAtClose) {
  Field* seen = nullptr;
  int owner = 0;
  f("Text").addFreeNotification(&owner, [&](Field& gone) { seen = &gone; });
  Field* text = &f("Text");
  ds.close();
  EXPECT_EQ(seen, text);
}

TEST_F(FieldTest, ValidateHandlerCanRefuseAValue) {
  f("Text").onValidate = [](Field&, const std::uint8_t* value) {
    if (value && std::strcmp(reinterpret_cast<const char*>(value), "bad") == 0) {
      throw DatabaseError("refused");
    }
  };
  f("Text").setAsText("good");
  EXPECT_THROW(f("Text").setAsText("bad"), DatabaseError);
  EXPECT_EQ(f("Text").asText(), "good");
}

TEST(FieldDefs, DefinitionErrorsNameTheComponent) {
  MemoryDataSet ds("tblData");
  FieldDefs& defs = ds.fieldDefs();
  defs.defineField("A", ftString, 8192);
  auto message = [&](auto&& call) {
    try {
      call();
    } catch (const DatabaseError& e) {
      return std::string(e.what());
    }
    return std::string("no error");
  };
  EXPECT_EQ(message([&] { defs.defineField("", ftString, 5); }), "tblData: Field name missing");
  EXPECT_EQ(message([&] { defs.defineField("B", ftString, 8193); }), "tblData: Invalid field size");
  EXPECT_EQ(message([&] { defs.defineField("B", ftString, -1); }), "tblData: Invalid field size");
  EXPECT_EQ(message([&] { defs.defineField("a", ftDate); }), "tblData: Duplicate field name 'a'");
  EXPECT_EQ(defs.count(), 1);
  EXPECT_EQ(defs.item(0)->fieldNo(), 1);
  EXPECT_EQ(defs.item(1), nullptr);

  IndexDefs indexes(&ds);
  indexes.defineIndex("", "ID", ixPrimary);
  indexes.defineIndex("ByName", "Name;Born", ixCaseInsensitive);
  EXPECT_EQ(message([&] { indexes.defineIndex("byname", "X", 0); }),
            "tblData: Duplicate index name 'byname'");
  indexes.moveToFront(1);
  EXPECT_EQ(indexes.item(0)->name(), "ByName");
  EXPECT_EQ(splitFieldNames(" Name ; Born;;"), (std::vector<std::string_view>{"Name", "Born"}));
}

TEST(FieldDefs, UnknownTypeRefusesToOpen) {
  MemoryDataSet ds;
  ds.fieldDefs().defineField("Blob", ftBlob);
  try {
    ds.open();
    FAIL();
  } catch (const DatabaseError& e) {
    EXPECT_STREQ(e.what(), "tblData: Field 'Blob' is of an unknown type");
  }
  EXPECT_FALSE(ds.active());
  EXPECT_EQ(ds.fieldTotal(), 0);
  EXPECT_EQ(ds.buffersInUse, 0);
}

}  // namespace
}  // namespace morvel
