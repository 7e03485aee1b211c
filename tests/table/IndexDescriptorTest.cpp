// Validation of a table's index list at creation.
#include <gtest/gtest.h>

#include <functional>

#include "table/engine/EngineError.h"
#include "table/engine/IndexDescriptor.h"
#include "table/engine/RecordLayout.h"

namespace morvel {
namespace {

// The primary and `count` secondary indexes with distinct names.
void useSecondaries(std::vector<IndexDescriptor>& indexes, int count) {
  indexes.resize(1);
  for (int i = 0; i < count; ++i) {
    std::string name = "I";
    name += static_cast<char>('A' + i % 26);
    name += static_cast<char>('a' + i / 26);
    indexes.push_back(IndexDescriptor(name, {5}));
  }
}

struct IndexCase {
  const char* label;
  std::function<void(std::vector<IndexDescriptor>&)> change;
  int expected;
};
class IndexValidationTest : public ::testing::TestWithParam<IndexCase> {};

TEST_P(IndexValidationTest, RefusesWithTheRightCode) {
  std::vector<FieldDescriptor> fields{FieldDescriptor(1, "ID", kTypeInt32, kSubtypeAutoInc),
                                      FieldDescriptor(2, "A", kTypeString, 0, 250),
                                      FieldDescriptor(3, "B", kTypeString, 0, 250),
                                      FieldDescriptor(4, "Pic", kTypeBlob, kSubtypeGraphic),
                                      FieldDescriptor(5, "C", kTypeInt16, 0)};
  layoutTable(fields, 512, "t");
  std::vector<IndexDescriptor> indexes{IndexDescriptor("", {1}), IndexDescriptor("ByA", {2})};
  GetParam().change(indexes);
  int code = 0;
  try {
    validateIndexes(indexes, fields, "t");
  } catch (const EngineError& e) {
    code = e.code();
  }
  EXPECT_EQ(code, GetParam().expected) << GetParam().label;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IndexValidationTest,
    ::testing::Values(
        IndexCase{"Valid", [](auto&) {}, 0},
        IndexCase{"NameStartsWithDigit", [](auto& x) { x[1].setName("1st"); }, kInvalidIndexName},
        IndexCase{"EmptySecondaryName", [](auto& x) { x[1].setName(""); }, kInvalidIndexName},
        IndexCase{"DuplicateNameIgnoringCase",
                  [](auto& x) { x.push_back(IndexDescriptor("BYA", {3})); }, kIndexExists},
        IndexCase{"UnknownField",
                  [](auto& x) {
                    x[1].setFields({2, 9});
                  },
                  kInvalidIndexField},
        IndexCase{"FieldZero", [](auto& x) { x[0].setFields({0}); }, kInvalidIndexField},
        IndexCase{"BlobKey", [](auto& x) { x[1].setFields({4}); }, kInvalidFieldType},
        IndexCase{"KeyOf524",
                  [](auto& x) {
                    x[1].setFields({2, 3, 1, 5, 5, 5, 5, 5});
                  },
                  0},
        IndexCase{"KeyOf525",
                  [](auto& x) {
                    x[1].setFields({2, 3, 5, 5, 5, 5, 5, 5, 5});
                  },
                  kInvalidKeySize},
        IndexCase{"SecondaryWithoutFields", [](auto& x) { x[1].setFields({}); }, kInvalidKeySize},
        IndexCase{"PrimaryWithoutFields", [](auto& x) { x[0] = IndexDescriptor(); }, 0},
        IndexCase{"SixteenFields", [](auto& x) { x[1].setFields(std::vector<int>(16, 5)); }, 0},
        IndexCase{"SeventeenFields", [](auto& x) { x[1].setFields(std::vector<int>(17, 5)); },
                  kIndexLimits},
        IndexCase{"CompressionMode4", [](auto& x) { x[1].setCompression(4); }, kInvalidKeySize},
        IndexCase{"ThirtyTwoSecondaries", [](auto& x) { useSecondaries(x, 32); }, 0},
        IndexCase{"ThirtyThreeSecondaries", [](auto& x) { useSecondaries(x, 33); }, kIndexLimits}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(IndexValidationTest, FillsInWhatTheEngineDecides) {
  std::vector<FieldDescriptor> fields{FieldDescriptor(1, "ID", kTypeInt32, kSubtypeAutoInc),
                                      FieldDescriptor(2, "D", kTypeDate, 0)};
  layoutTable(fields, 512, "t");
  std::vector<IndexDescriptor> indexes{IndexDescriptor("Named", {1}),
                                       IndexDescriptor("ByDate", {2, 1})};
  indexes[0].setRoot(4096);
  indexes[1].bytes()[IndexDescriptor::kDescending] = 1;  // flag only, no per-field flags
  validateIndexes(indexes, fields, "t");
  EXPECT_EQ(indexes[0].name(), "") << "the primary's name is emptied";
  EXPECT_TRUE(indexes[0].unique());
  EXPECT_EQ(indexes[0].keyLength(), 5);
  EXPECT_EQ(indexes[0].root(), 0u);
  EXPECT_EQ(indexes[1].keyLength(), 5 + 5 + 4);
  EXPECT_TRUE(indexes[1].fieldDescending(0));
  EXPECT_TRUE(indexes[1].fieldDescending(1));
  EXPECT_EQ(indexDisplayName(indexes[0], true), "Primary");
}

}  // namespace
}  // namespace morvel
