// Index keys: for every key type, the byte order of the keys must be the
// order of the values (reversed for a descending field), blanks first.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "table/engine/Bytes.h"
#include "table/engine/KeyLayout.h"
#include "table/engine/RecordLayout.h"

namespace morvel {
namespace {

struct OrderCase {
  const char* label;
  std::uint8_t type;
  int size;
  // Values in ascending order, each as the field's data bytes.
  std::vector<std::vector<std::uint8_t>> ascending;
};

template <class T>
std::vector<std::uint8_t> raw(T v) {
  std::vector<std::uint8_t> out(sizeof(T));
  std::memcpy(out.data(), &v, sizeof(T));
  return out;
}

std::vector<std::uint8_t> text(const std::string& s, int size) {
  std::vector<std::uint8_t> out(static_cast<std::size_t>(size) + 1, 0);
  std::memcpy(out.data(), s.data(), s.size());
  return out;
}

class KeyOrderTest : public ::testing::TestWithParam<OrderCase> {
 protected:
  // Keys of a one-field index over each value, plus one for a blank.
  std::vector<std::vector<std::uint8_t>> keys(bool descending) {
    const OrderCase& c = GetParam();
    std::vector<FieldDescriptor> fields{FieldDescriptor(1, "ID", kTypeInt32, kSubtypeAutoInc),
                                        FieldDescriptor(2, "V", c.type, 0, c.size)};
    const int recordSize = layoutTable(fields, 512, "t").recordSize;
    IndexDescriptor index("", {2}, true, descending);
    std::vector<IndexDescriptor> list{index};
    validateIndexes(list, fields, "t");
    const KeyLayout layout(list[0], fields, true);
    std::vector<std::vector<std::uint8_t>> out;
    std::vector<std::uint8_t> record(static_cast<std::size_t>(recordSize), 0);
    std::vector<std::uint8_t> key(static_cast<std::size_t>(layout.keyLength()));
    layout.build(record.data(), 1, key.data());
    out.push_back(key);  // blank
    for (const auto& v : c.ascending) {
      writeField(record.data(), fields[1], v.data());
      layout.build(record.data(), 1, key.data());
      out.push_back(key);
    }
    return out;
  }
};

TEST_P(KeyOrderTest, BytesSortLikeValues) {
  const auto up = keys(false);
  for (std::size_t i = 1; i < up.size(); ++i) {
    EXPECT_LT(std::memcmp(up[i - 1].data(), up[i].data(), up[i].size()), 0)
        << GetParam().label << " value " << i;
  }
  const auto down = keys(true);
  for (std::size_t i = 1; i < down.size(); ++i) {
    EXPECT_GT(std::memcmp(down[i - 1].data(), down[i].data(), down[i].size()), 0)
        << GetParam().label << " value " << i;
  }
}

constexpr double kInf = std::numeric_limits<double>::infinity();

INSTANTIATE_TEST_SUITE_P(
    Types, KeyOrderTest,
    ::testing::Values(
        OrderCase{"Int32",
                  kTypeInt32,
                  0,
                  {raw<std::int32_t>(INT32_MIN), raw<std::int32_t>(-1), raw<std::int32_t>(0),
                   raw<std::int32_t>(1), raw<std::int32_t>(256), raw<std::int32_t>(INT32_MAX)}},
        OrderCase{"Date",
                  kTypeDate,
                  0,
                  {raw<std::int32_t>(1), raw<std::int32_t>(693594), raw<std::int32_t>(738000)}},
        OrderCase{"Int16",
                  kTypeInt16,
                  0,
                  {raw<std::int16_t>(-32768), raw<std::int16_t>(-2), raw<std::int16_t>(3),
                   raw<std::int16_t>(300)}},
        OrderCase{"Word",
                  kTypeWord,
                  0,
                  {raw<std::uint16_t>(0), raw<std::uint16_t>(255), raw<std::uint16_t>(256),
                   raw<std::uint16_t>(65535)}},
        OrderCase{"Int64",
                  kTypeInt64,
                  0,
                  {raw<std::int64_t>(INT64_MIN), raw<std::int64_t>(-5), raw<std::int64_t>(0),
                   raw<std::int64_t>(1LL << 40)}},
        OrderCase{"Float",
                  kTypeFloat,
                  0,
                  {raw(-kInf), raw(-1e300), raw(-2.5), raw(-1e-300), raw(0.0), raw(1e-300),
                   raw(0.5), raw(3.0), raw(kInf)}},
        OrderCase{"DateTime", kTypeDateTime, 0, {raw(6.0e13), raw(6.0e13 + 1), raw(6.3e13)}},
        OrderCase{
            "String",
            kTypeString,
            10,
            {text("A", 10), text("AB", 10), text("B", 10), text("a", 10), text("\xC3\xA9", 10)}}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(KeyLayoutTest, CaseInsensitiveStringsShareAKey) {
  std::vector<FieldDescriptor> fields{FieldDescriptor(1, "Name", kTypeString, 0, 10)};
  const int size = layoutTable(fields, 512, "t").recordSize;
  std::vector<IndexDescriptor> list{IndexDescriptor(),
                                    IndexDescriptor("ByName", {1}, false, false, true)};
  validateIndexes(list, fields, "t");
  const KeyLayout layout(list[1], fields, false);
  EXPECT_EQ(layout.keyLength(), 1 + 11 + 4);
  EXPECT_EQ(layout.valueLength(), 1 + 11);
  std::vector<std::uint8_t> a(static_cast<std::size_t>(size)), b(a);
  writeField(a.data(), fields[0], reinterpret_cast<const std::uint8_t*>("Smith"));
  writeField(b.data(), fields[0], reinterpret_cast<const std::uint8_t*>("sMITH"));
  std::vector<std::uint8_t> ka(16), kb(16);
  layout.build(a.data(), 7, ka.data());
  layout.build(b.data(), 8, kb.data());
  EXPECT_EQ(std::memcmp(ka.data(), kb.data(), 12), 0);
  EXPECT_EQ(bytes::getBig32(ka.data() + 12), 7u) << "the record number ends a secondary key";
  EXPECT_LT(std::memcmp(ka.data(), kb.data(), 16), 0);
}

TEST(KeyLayoutTest, SlotKeysPutRecordsInUseFirstInIdOrder) {
  std::uint8_t live[kSlotKeyLength], later[kSlotKeyLength], dead[kSlotKeyLength];
  KeyLayout::buildSlotKey(false, 5, 9, live);
  KeyLayout::buildSlotKey(false, 6, 2, later);
  KeyLayout::buildSlotKey(true, 1, 1, dead);
  EXPECT_LT(std::memcmp(live, later, kSlotKeyLength), 0);
  EXPECT_LT(std::memcmp(later, dead, kSlotKeyLength), 0);
}

}  // namespace
}  // namespace morvel
