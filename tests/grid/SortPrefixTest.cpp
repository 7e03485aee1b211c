// The sort keys that stand in for values must never contradict the value
// order: checked over every pair of a few hundred awkward values.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "grid/tree/SortPrefix.h"

namespace morvel {
namespace {

int sign(int c) { return c < 0 ? -1 : (c > 0 ? 1 : 0); }

void expectKeysAgreeWithValues(const std::vector<Variant>& values, PrefixKind kind) {
  ASSERT_EQ(prefixKindFor(values.data(), values.size(), 1), kind);
  int decided = 0;
  for (const Variant& a : values) {
    for (const Variant& b : values) {
      const int byKeys = compareOrderKeys(orderKey(a, kind), orderKey(b, kind));
      if (byKeys == kUndecided) continue;
      ++decided;
      ASSERT_EQ(byKeys, sign(compareVariants(a, b)));
    }
  }
  // The keys must actually decide most pairs, or they are no help.
  EXPECT_GT(decided, static_cast<int>(values.size() * values.size() * 9 / 10));
}

TEST(SortPrefix, TextKeysAgreeWithByteOrder) {
  std::mt19937 rng(11);
  const char alphabet[] = {'\0', '\x01', 'A', 'a', 'b', '\x7f', '\x80', '\xff'};
  std::vector<Variant> values{Variant::null(), Variant(""), Variant()};
  for (int i = 0; i < 300; ++i) {
    std::string s;
    const int length = static_cast<int>(rng() % 20);
    for (int k = 0; k < length; ++k) s += alphabet[rng() % sizeof alphabet];
    values.emplace_back(s);
  }
  values.emplace_back(std::string(15, 'a'));
  values.emplace_back(std::string(16, 'a'));
  values.emplace_back(std::string(14, 'a') + '\0');
  expectKeysAgreeWithValues(values, PrefixKind::text);
}

TEST(SortPrefix, NumberKeysAgreeAcrossNumericKinds) {
  const double inf = std::numeric_limits<double>::infinity();
  const std::int64_t big = std::int64_t(1) << 53;
  std::vector<Variant> values{
      Variant::null(),   Variant(std::nan("")), Variant(-inf),
      Variant(inf),      Variant(0.0),          Variant(-0.0),
      Variant(0),        Variant::date(0),      Variant(big),
      Variant(big + 1),  Variant(big + 3),      Variant(static_cast<double>(big + 4)),
      Variant(-big - 3), Variant::currency(1),  Variant::currency(10000),
      Variant(1e-300)};
  std::mt19937 rng(5);
  for (int i = 0; i < 200; ++i) {
    switch (rng() % 4) {
      case 0:
        values.emplace_back(static_cast<long long>(rng() % 2000) - 1000);
        break;
      case 1:
        values.emplace_back((static_cast<double>(rng() % 20000) - 10000) / 7);
        break;
      case 2:
        values.push_back(Variant::currency(static_cast<std::int64_t>(rng() % 20000) - 10000));
        break;
      default:
        values.push_back(Variant::date(static_cast<double>(rng() % 50000) / 4));
    }
  }
  expectKeysAgreeWithValues(values, PrefixKind::number);
}

TEST(SortPrefix, MixedKindsGetNoKeys) {
  const std::vector<Variant> values{Variant("1"), Variant(2), Variant::null()};
  EXPECT_EQ(prefixKindFor(values.data(), values.size(), 1), PrefixKind::none);
  EXPECT_EQ(compareOrderKeys(orderKey(values[0], PrefixKind::none),
                             orderKey(values[1], PrefixKind::none)),
            kUndecided);
}

}  // namespace
}  // namespace morvel
