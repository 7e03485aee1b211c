// Field descriptors, type mapping, field validation and layout, and the
// rules for reading and writing fields in a record image.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "table/engine/Bytes.h"
#include "table/engine/EngineError.h"
#include "table/engine/RecordLayout.h"

namespace morvel {
namespace {

FieldDescriptor autoInc(int n = 1) {
  return FieldDescriptor(n, "ID", kTypeInt32, kSubtypeAutoInc, 0, true);
}
FieldDescriptor text(int n, const std::string& name, int size = 100) {
  return FieldDescriptor(n, name, kTypeString, 0, size);
}
FieldDescriptor date(int n, const std::string& name) {
  return FieldDescriptor(n, name, kTypeDate, 0);
}
FieldDescriptor dateTime(int n, const std::string& name) {
  return FieldDescriptor(n, name, kTypeDateTime, 0);
}

// Built by appending: GCC 12 warns falsely about "x" + std::to_string(i).
std::string numbered(const char* prefix, int i) {
  std::string s = prefix;
  s += std::to_string(i);
  return s;
}

int layoutError(std::vector<FieldDescriptor> fields, int blobBlockSize = 512) {
  try {
    layoutTable(fields, blobBlockSize, "t.dat");
  } catch (const EngineError& e) {
    return e.code();
  }
  return 0;
}

TEST(FieldDescriptorTest, BytesSitWhereTheLayoutSays) {
  std::vector<FieldDescriptor> fields{autoInc(), text(2, "Name"), date(3, "Born")};
  fields[1].setCaseConversion(FieldDescriptor::kUpperCase);
  fields[2].setMinimum("1900-01-01");
  fields[2].setHidden(false);
  layoutTable(fields, 512, "t.dat");
  const std::uint8_t* id = fields[0].bytes();
  EXPECT_EQ(bytes::get16(id + 0), 1);
  EXPECT_EQ(id[2], 2);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(id + 3), 2), "ID");
  EXPECT_EQ(id[84], kTypeInt32);
  EXPECT_EQ(id[85], kSubtypeAutoInc);
  EXPECT_EQ(id[86], 0);
  EXPECT_EQ(id[88], 4);
  EXPECT_EQ(bytes::get16(id + 90), 5) << "the auto-increment field lives in the header";
  EXPECT_EQ(id[92], 1);
  const std::uint8_t* name = fields[1].bytes();
  EXPECT_EQ(name[86], 100);
  EXPECT_EQ(name[88], 101);
  EXPECT_EQ(bytes::get16(name + 90), 9);
  EXPECT_EQ(name[93], 2);
  const std::uint8_t* born = fields[2].bytes();
  EXPECT_EQ(bytes::get16(born + 90), 9 + 102);
  EXPECT_EQ(born[94], 10);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(born + 95), 10), "1900-01-01");
  for (std::size_t i = 248; i < FieldDescriptor::kSize; ++i) ASSERT_EQ(born[i], 0) << i;
}

TEST(RecordLayoutTest, ViewerShapedTable) {
  std::vector<FieldDescriptor> fields{autoInc()};
  for (int i = 0; i < 8; ++i) fields.push_back(text(2 + i, numbered("Text", i)));
  fields.push_back(date(10, "D1"));
  fields.push_back(date(11, "D2"));
  for (int i = 0; i < 3; ++i) fields.push_back(dateTime(12 + i, numbered("T", i)));
  const TableLayout layout = layoutTable(fields, 512, "t.dat");
  EXPECT_EQ(layout.recordSize, 9 + 8 * 102 + 2 * 5 + 3 * 9);
  EXPECT_EQ(layout.autoIncField, 1);
  EXPECT_EQ(fields[13].offset(), layout.recordSize - 9) << "the last date-time ends the record";
}

struct SizeCase {
  int strings;
  int expectedSize;
  int expectedError;
};
class RecordSizeLimitTest : public ::testing::TestWithParam<SizeCase> {};

TEST_P(RecordSizeLimitTest, LargestRecordIs65535Bytes) {
  std::vector<FieldDescriptor> fields{autoInc()};
  for (int i = 0; i < GetParam().strings; ++i) fields.push_back(text(2 + i, numbered("F", i)));
  EXPECT_EQ(layoutError(fields), GetParam().expectedError);
  if (GetParam().expectedError == 0) {
    EXPECT_EQ(layoutTable(fields, 512, "t.dat").recordSize, GetParam().expectedSize);
  }
}

INSTANTIATE_TEST_SUITE_P(Strings, RecordSizeLimitTest,
                         ::testing::Values(SizeCase{642, 65493, 0},
                                           SizeCase{643, 65595, kRecordTooLarge}));

struct ValidationCase {
  const char* label;
  std::function<void(std::vector<FieldDescriptor>&)> change;
  int expected;
};
class FieldValidationTest : public ::testing::TestWithParam<ValidationCase> {};

TEST_P(FieldValidationTest, RejectsWithTheRightCode) {
  std::vector<FieldDescriptor> fields{autoInc(), text(2, "Name"), date(3, "Born")};
  GetParam().change(fields);
  EXPECT_EQ(layoutError(fields), GetParam().expected) << GetParam().label;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FieldValidationTest,
    ::testing::Values(
        ValidationCase{"valid", [](auto&) {}, 0},
        ValidationCase{"empty name", [](auto& f) { f[1].setName("   "); }, kInvalidFieldName},
        ValidationCase{"digit first", [](auto& f) { f[1].setName("1st"); }, kInvalidFieldName},
        ValidationCase{"high byte first is fine", [](auto& f) { f[1].setName("\xC4pfel"); }, 0},
        ValidationCase{"case-only duplicate", [](auto& f) { f[2].setName("NAME"); },
                       kInvalidFieldName},
        ValidationCase{"duplicate number", [](auto& f) { f[2].setNumber(2); },
                       kInvalidFieldDefinition},
        ValidationCase{"number out of range", [](auto& f) { f[2].setNumber(9); },
                       kInvalidFieldDefinition},
        ValidationCase{"type 0", [](auto& f) { f[1].setType(0); }, kInvalidFieldDefinition},
        ValidationCase{"unknown type", [](auto& f) { f[1].setType(16); }, kInvalidFieldDefinition},
        ValidationCase{"string of 251", [](auto& f) { f[1].setSize(251); },
                       kInvalidFieldDefinition},
        ValidationCase{"string of 250", [](auto& f) { f[1].setSize(250); }, 0},
        ValidationCase{
            "second auto-increment",
            [](auto& f) { f.push_back(FieldDescriptor(4, "ID2", kTypeInt32, kSubtypeAutoInc)); },
            kInvalidFieldDefinition},
        ValidationCase{"bad minimum", [](auto& f) { f[2].setMinimum("yesterday"); },
                       kInvalidValidityCheck},
        ValidationCase{"bad default",
                       [](auto& f) { f[1].setSize(3), f[1].setDefaultValue("toolong"); },
                       kInvalidValidityCheck},
        ValidationCase{"no fields", [](auto& f) { f.clear(); }, kFieldLimits},
        ValidationCase{"65 blobs",
                       [](auto& f) {
                         for (int i = 0; i < 65; ++i)
                           f.push_back(FieldDescriptor(4 + i, numbered("B", i), kTypeBlob, 0));
                       },
                       kBlobLimits}),
    [](const auto& info) {
      std::string name = info.param.label;
      for (char& c : name) {
        if (!isalnum(static_cast<unsigned char>(c))) c = '_';
      }
      return name;
    });

TEST(FieldValidationTest, LimitsOnCountsAndBlobBlocks) {
  std::vector<FieldDescriptor> many;
  for (int i = 0; i < 1025; ++i)
    many.push_back(FieldDescriptor(i + 1, numbered("F", i), kTypeInt16, 0));
  EXPECT_EQ(layoutError(many), kFieldLimits);
  many.pop_back();
  EXPECT_EQ(layoutError(many), 0);
  EXPECT_EQ(layoutError({autoInc()}, 63), kBlobLimits);
}

TEST(FieldValidationTest, NamesAreTrimmedSizesClearedAndOrderedByNumber) {
  std::vector<FieldDescriptor> fields{date(2, "  Born "), autoInc(1)};
  fields[0].setSize(77);
  layoutTable(fields, 512, "t.dat");
  EXPECT_EQ(fields[0].name(), "ID");
  EXPECT_EQ(fields[1].name(), "Born");
  EXPECT_EQ(fields[1].size(), 0);
  EXPECT_EQ(fields[1].offset(), 9);
}

struct TypeCase {
  FieldType fieldType;
  std::uint8_t type;
  std::uint8_t subtype;
  FieldType back;
};
class TypeMappingTest : public ::testing::TestWithParam<TypeCase> {};

TEST_P(TypeMappingTest, MapsBothWays) {
  const TypeCase& c = GetParam();
  const EngineTypeCode code = engineTypeOf(c.fieldType);
  EXPECT_EQ(code.type, c.type);
  EXPECT_EQ(code.subtype, c.subtype);
  const auto back = fieldTypeOf(c.type, c.subtype);
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(*back, c.back);
}

INSTANTIATE_TEST_SUITE_P(
    Types, TypeMappingTest,
    ::testing::Values(TypeCase{ftString, 1, 0, ftString}, TypeCase{ftDate, 2, 0, ftDate},
                      TypeCase{ftDateTime, 11, 0, ftDateTime},
                      TypeCase{ftAutoInc, 6, 29, ftAutoInc}, TypeCase{ftInteger, 6, 0, ftInteger},
                      TypeCase{ftSmallint, 5, 0, ftSmallint}, TypeCase{ftWord, 12, 0, ftWord},
                      TypeCase{ftCurrency, 7, 21, ftCurrency}, TypeCase{ftMemo, 3, 22, ftMemo},
                      TypeCase{ftGraphic, 3, 26, ftGraphic}, TypeCase{ftDBaseOle, 3, 0, ftBlob},
                      TypeCase{ftFixedChar, 1, 31, ftString}, TypeCase{ftGuid, 1, 0, ftString},
                      TypeCase{ftLargeint, 18, 0, ftLargeint},
                      TypeCase{ftDataSet, 23, 0, ftDataSet}, TypeCase{ftTime, 10, 0, ftTime}));

TEST(TypeMappingTest, CodesWithoutADatasetType) {
  for (std::uint8_t code : {0, 14, 16, 17, 99})
    EXPECT_FALSE(fieldTypeOf(code, 0).has_value()) << int(code);
  EXPECT_EQ(fieldTypeOf(13, 0), ftInteger);
  EXPECT_EQ(fieldTypeOf(3, 23), ftBlob);
  EXPECT_EQ(engineTypeOf(ftVariant).type, 0);
}

class FieldAccessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fields_ = {autoInc(), text(2, "Name"), date(3, "Born"),
               FieldDescriptor(4, "Flag", kTypeBoolean, 0), text(5, "Code", 5)};
    size_ = layoutTable(fields_, 512, "t.dat").recordSize;
    record_.assign(static_cast<std::size_t>(size_), 0);
  }
  void putText(int field, const std::string& value) {
    writeField(record_.data(), fields_[field],
               reinterpret_cast<const std::uint8_t*>(value.c_str()));
  }
  std::string getText(int field, bool* present = nullptr) {
    std::uint8_t value[256];
    const bool has = readField(record_.data(), fields_[field], value);
    if (present) *present = has;
    return reinterpret_cast<const char*>(value);
  }
  std::vector<FieldDescriptor> fields_;
  int size_ = 0;
  std::vector<std::uint8_t> record_;
};

TEST_F(FieldAccessTest, StringsLoseTrailingBlanksAndBlankWhenEmpty) {
  bool present = false;
  putText(1, "Smith   ");
  EXPECT_EQ(getText(1, &present), "Smith");
  EXPECT_TRUE(present);
  putText(1, "    ");
  EXPECT_EQ(getText(1, &present), "");
  EXPECT_FALSE(present) << "an all-blank text is stored as blank";
  putText(1, "  lead");
  EXPECT_EQ(getText(1), "  lead") << "leading blanks stay";
}

TEST_F(FieldAccessTest, LongStringsAreCutToTheSize) {
  putText(1, std::string(100, 'a') + std::string(50, 'b'));
  EXPECT_EQ(getText(1), std::string(100, 'a'));
  putText(4, "abcd\xC3\xA9xyz");  // the 5-byte cut would split the é
  EXPECT_EQ(getText(4), "abcd");
  putText(4, "abc\xC3\xA9xyz");  // here it fits
  EXPECT_EQ(getText(4), "abc\xC3\xA9");
  putText(4, "abcd\xE9xyz");  // not UTF-8: cut where the size says
  EXPECT_EQ(getText(4), "abcd\xE9");
}

TEST_F(FieldAccessTest, CaseConversionAppliesOnWrite) {
  fields_[1].setCaseConversion(FieldDescriptor::kUpperCase);
  putText(1, "MiXed 1");
  EXPECT_EQ(getText(1), "MIXED 1");
  fields_[1].setCaseConversion(FieldDescriptor::kLowerCase);
  putText(1, "MiXed 1");
  EXPECT_EQ(getText(1), "mixed 1");
}

TEST_F(FieldAccessTest, AutoIncrementIsNeverBlankAndIgnoresBlankWrites) {
  std::uint8_t value[4];
  EXPECT_TRUE(readField(record_.data(), fields_[0], value));
  EXPECT_EQ(bytes::getInt32(value), 0) << "a fresh record reads 0, not blank";
  bytes::putInt32(value, 41);
  writeField(record_.data(), fields_[0], value);
  EXPECT_EQ(bytes::getInt32(record_.data() + kAutoIncOffset), 41);
  writeField(record_.data(), fields_[0], nullptr);
  readField(record_.data(), fields_[0], value);
  EXPECT_EQ(bytes::getInt32(value), 41);
}

TEST_F(FieldAccessTest, OtherTypesCopyTheirBytes) {
  std::uint8_t value[4];
  bytes::putInt32(value, 738000);
  writeField(record_.data(), fields_[2], value);
  std::uint8_t back[4] = {9, 9, 9, 9};
  EXPECT_TRUE(readField(record_.data(), fields_[2], back));
  EXPECT_EQ(bytes::getInt32(back), 738000);
  writeField(record_.data(), fields_[2], nullptr);
  EXPECT_FALSE(readField(record_.data(), fields_[2], back));
  EXPECT_EQ(bytes::getInt32(back), 0) << "the value buffer is zeroed for a blank";
  std::uint8_t flag[2] = {7, 0};
  writeField(record_.data(), fields_[3], flag);
  readField(record_.data(), fields_[3], flag);
  EXPECT_EQ(bytes::get16(flag), 1) << "any true value is stored as 1";
}

TEST_F(FieldAccessTest, HiddenFieldsTakeNoSpaceAndIgnoreWrites) {
  std::vector<FieldDescriptor> fields{autoInc(), date(2, "Secret"), date(3, "Shown")};
  fields[1].setHidden(true);
  const int size = layoutTable(fields, 512, "t.dat").recordSize;
  EXPECT_EQ(size, 9 + 5);
  EXPECT_EQ(fields[2].offset(), 9);
  std::vector<std::uint8_t> record(static_cast<std::size_t>(size), 0);
  std::uint8_t value[4] = {1, 2, 3, 4};
  writeField(record.data(), fields[1], value);
  EXPECT_FALSE(readField(record.data(), fields[1], value));
  EXPECT_EQ(record, std::vector<std::uint8_t>(static_cast<std::size_t>(size), 0));
}

TEST_F(FieldAccessTest, LimitsCompareStoredValues) {
  fields_[2].setMinimum("2000-01-01");
  fields_[2].setMaximum("2000-12-31");
  std::uint8_t value[4];
  bytes::putInt32(value, 730120);  // 2000-01-01
  writeField(record_.data(), fields_[2], value);
  EXPECT_EQ(compareWithLimits(record_.data(), fields_[2]), 0);
  bytes::putInt32(value, 730119);
  writeField(record_.data(), fields_[2], value);
  EXPECT_LT(compareWithLimits(record_.data(), fields_[2]), 0);
  bytes::putInt32(value, 730486);  // 2001-01-01
  writeField(record_.data(), fields_[2], value);
  EXPECT_GT(compareWithLimits(record_.data(), fields_[2]), 0);
  writeField(record_.data(), fields_[2], nullptr);
  EXPECT_EQ(compareWithLimits(record_.data(), fields_[2]), 0) << "a blank is not out of range";
}

}  // namespace
}  // namespace morvel
