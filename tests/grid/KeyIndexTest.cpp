// The grid's key index: which row sets it can index (whole, distinct keys
// in any order) and which make it give up, holes left by forgotten rows,
// and a seeded random sequence of builds, look-ups and forgets checked
// against a plain map after every step.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <random>
#include <vector>

#include "grid/db/DBGridNode.h"
#include "grid/db/KeyIndex.h"

namespace morvel {
namespace {

// The index keeps row pointers and never follows them: any distinct
// addresses stand for rows here.
DBGridNode* row(int n) {
  return reinterpret_cast<DBGridNode*>(static_cast<std::uintptr_t>(0x1000 + 16 * n));
}

struct IndexCase {
  const char* name;
  std::vector<Variant> keys;  // row i has keys[i]
  KeyIndex::State whenGivenUp;
  KeyIndex::State expected;
};

class KeyIndexCases : public ::testing::TestWithParam<IndexCase> {};

TEST_P(KeyIndexCases, BuildsOrGivesUpAsTheKeysAllow) {
  const IndexCase& c = GetParam();
  KeyIndex index;
  index.begin();
  std::vector<PackedValue> keys;
  for (const Variant& key : c.keys) keys.emplace_back(key);
  for (std::size_t i = 0; i < keys.size(); ++i) index.add(keys[i], row(static_cast<int>(i)));
  index.finish(c.whenGivenUp);
  ASSERT_EQ(index.state(), c.expected);
  if (!index.valid()) {
    EXPECT_EQ(index.size(), 0u);
    return;
  }
  for (std::size_t i = 0; i < keys.size(); ++i) {
    EXPECT_EQ(index.find(keys[i].integer()), row(static_cast<int>(i))) << i;
  }
  // Keys between and beyond the rows' find nothing.
  for (const std::int64_t other : {-1000, 0, 3, 5, 1000}) {
    if (std::none_of(keys.begin(), keys.end(),
                     [&](const PackedValue& k) { return k.integer() == other; })) {
      EXPECT_EQ(index.find(other), nullptr) << other;
    }
  }
}

using S = KeyIndex::State;
INSTANTIATE_TEST_SUITE_P(
    Keys, KeyIndexCases,
    ::testing::Values(
        IndexCase{"Ascending", {Variant(1), Variant(2), Variant(5)}, S::invalid, S::valid},
        IndexCase{
            "Shuffled", {Variant(9), Variant(-3), Variant(4), Variant(0)}, S::invalid, S::valid},
        IndexCase{"Empty", {}, S::invalid, S::valid},
        IndexCase{"Extremes",
                  {Variant(std::int64_t(INT64_MAX)), Variant(std::int64_t(INT64_MIN))},
                  S::invalid,
                  S::valid},
        IndexCase{"CountedUp", {Variant(-1), Variant(0), Variant(1)}, S::invalid, S::valid},
        IndexCase{"CountedToTheTop",
                  {Variant(std::int64_t(INT64_MAX - 1)), Variant(std::int64_t(INT64_MAX))},
                  S::invalid,
                  S::valid},
        IndexCase{"CountedWithGaps",
                  {Variant(1), Variant(2), Variant(4), Variant(7)},
                  S::invalid,
                  S::valid},
        IndexCase{"SpreadThinly", {Variant(0), Variant(100000)}, S::invalid, S::valid},
        IndexCase{"CountedThenOutOfCount",
                  {Variant(5), Variant(6), Variant(7), Variant(3)},
                  S::invalid,
                  S::valid},
        IndexCase{
            "CountedThenRepeated", {Variant(1), Variant(2), Variant(2)}, S::invalid, S::unusable},
        IndexCase{
            "DuplicateIsUnusable", {Variant(3), Variant(1), Variant(3)}, S::invalid, S::unusable},
        IndexCase{"TextGivesUpToRebuild", {Variant(1), Variant("2")}, S::invalid, S::invalid},
        IndexCase{"NullGivesUpForGood", {Variant::null(), Variant(1)}, S::unusable, S::unusable},
        IndexCase{"FloatGivesUp", {Variant(1), Variant(2.0)}, S::unusable, S::unusable}),
    [](const ::testing::TestParamInfo<IndexCase>& info) { return info.param.name; });

TEST(KeyIndexTest, ForgetLeavesAHoleOnlyForTheRowNamed) {
  KeyIndex index;
  index.begin();
  const PackedValue one(Variant(1));
  const PackedValue two(Variant(2));
  index.add(one, row(1));
  index.add(two, row(2));
  index.finish(S::invalid);
  index.forget(2, row(7));  // another row under the key: nothing changes
  EXPECT_EQ(index.find(2), row(2));
  index.forget(2, row(2));
  EXPECT_EQ(index.find(2), nullptr);
  EXPECT_EQ(index.find(1), row(1));
  EXPECT_TRUE(index.valid());
  index.forget(3, row(3));  // no such key
  EXPECT_EQ(index.find(1), row(1));
}

TEST(KeyIndexTest, InvalidatingStopsACollectionUnderWay) {
  KeyIndex index;
  index.begin();
  const PackedValue one(Variant(1));
  index.add(one, row(1));
  index.invalidate();
  EXPECT_TRUE(index.stale());
  index.add(PackedValue(Variant(2)), row(2));
  index.finish(S::invalid);
  EXPECT_TRUE(index.stale());
  EXPECT_EQ(index.size(), 0u);
}

// Random rebuilds over random key sets and counted ones, forgets and
// look-ups, checked against a map after every step.
TEST(KeyIndexTest, RandomSequencesMatchAMap) {
  for (const unsigned seed : {1u, 7u, 2026u, 40961u}) {
    std::mt19937 random(seed);
    KeyIndex index;
    std::map<std::int64_t, DBGridNode*> model;
    bool modelValid = false;
    for (int step = 0; step < 400; ++step) {
      const int op = static_cast<int>(random() % 10);
      if (op == 0) {
        // Rebuild from a random row set, now and then with a repeated key,
        // or from keys counting up by one, now and then with one key out
        // of the count.
        model.clear();
        index.begin();
        const int n = static_cast<int>(random() % 50);
        const bool counting = random() % 2 == 0;
        const auto start = static_cast<std::int64_t>(random() % 80) - 40;
        const int outOfCount = random() % 3 == 0 ? static_cast<int>(random() % 50) : -1;
        bool repeated = false;
        for (int i = 0; i < n; ++i) {
          const auto key = counting && i != outOfCount
                               ? start + i
                               : static_cast<std::int64_t>(random() % 80) - 40;
          repeated = repeated || model.count(key) > 0;
          model[key] = row(i);
          index.add(PackedValue(Variant(key)), row(i));
        }
        index.finish(S::invalid);
        modelValid = !repeated;
        ASSERT_EQ(index.valid(), modelValid) << "seed " << seed << " step " << step;
        if (!modelValid) model.clear();
      } else if (op == 1) {
        index.invalidate();
        model.clear();
        modelValid = false;
      } else if (modelValid && op < 5 && !model.empty()) {
        auto it = model.begin();
        std::advance(it, static_cast<long>(random() % model.size()));
        index.forget(it->first, it->second);
        it->second = nullptr;
      } else if (modelValid) {
        const auto key = static_cast<std::int64_t>(random() % 150) - 50;
        const auto it = model.find(key);
        ASSERT_EQ(index.find(key), it == model.end() ? nullptr : it->second)
            << "seed " << seed << " step " << step << " key " << key;
      }
      ASSERT_EQ(index.valid(), modelValid);
    }
  }
}

}  // namespace
}  // namespace morvel
