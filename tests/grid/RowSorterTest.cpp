// Row sorting without a grid: random rows of several keys (texts with digit
// runs, numbers of mixed kinds, nulls, many duplicates) sorted by
// sortRowValues must come out exactly as a plain std::stable_sort orders
// them by the full comparison, whatever shortcuts the order keys take; the
// exact-key path must agree too or refuse.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <limits>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "grid/tree/RowSorter.h"

namespace morvel {
namespace {

enum class Column { text, number };

Variant randomText(std::mt19937& rng) {
  static const char* const kStems[] = {"", "a", "b", "a1", "a01", "a10", "a2", "B", "ab", "é"};
  std::uniform_int_distribution<int> stem(0, 9);
  std::uniform_int_distribution<int> digits(0, 3);
  std::uniform_int_distribution<int> digit(0, 9);
  std::string text = kStems[stem(rng)];
  // Digit runs make natural order differ from byte order; the range stays
  // small so that equal texts are common.
  for (int d = digits(rng); d > 0; --d) text += static_cast<char>('0' + digit(rng));
  return Variant(text);
}

Variant randomNumber(std::mt19937& rng) {
  std::uniform_int_distribution<int> kind(0, 3);
  std::uniform_int_distribution<int> small(-5, 5);
  switch (kind(rng)) {
    case 0:
      return Variant(small(rng));
    case 1:
      return Variant(small(rng) / 2.0);
    case 2:
      return Variant::currency(small(rng) * Variant::kCurrencyScale / 4);
    default:
      return Variant::date(small(rng));
  }
}

Variant randomValue(std::mt19937& rng, Column column) {
  // About one value in eight is null.
  if (std::uniform_int_distribution<int>(0, 7)(rng) == 0) return Variant::null();
  return column == Column::text ? randomText(rng) : randomNumber(rng);
}

// Reverse byte order: a collation no order key can stand for.
int reverseBytes(const std::string& a, const std::string& b) {
  const std::string ra(a.rbegin(), a.rend());
  const std::string rb(b.rbegin(), b.rend());
  return ra < rb ? -1 : (rb < ra ? 1 : 0);
}

struct Case {
  std::vector<Column> columns;
  std::vector<SortKeyOrder> keys;
  bool collate = false;
  bool ties = false;
  std::vector<Variant> values;
  std::vector<std::int64_t> tieKeys;
};

Case randomCase(std::mt19937& rng) {
  Case c;
  const int keys = std::uniform_int_distribution<int>(1, 3)(rng);
  const int rows = std::uniform_int_distribution<int>(0, 300)(rng);
  for (int k = 0; k < keys; ++k) {
    c.columns.push_back(std::bernoulli_distribution(0.6)(rng) ? Column::text : Column::number);
    c.keys.push_back(
        {std::bernoulli_distribution(0.5)(rng), std::bernoulli_distribution(0.3)(rng)});
  }
  c.collate = std::bernoulli_distribution(0.2)(rng);
  c.ties = std::bernoulli_distribution(0.5)(rng);
  for (int r = 0; r < rows; ++r) {
    for (int k = 0; k < keys; ++k) c.values.push_back(randomValue(rng, c.columns[k]));
    if (c.ties) c.tieKeys.push_back(std::uniform_int_distribution<int>(-3, 3)(rng));
  }
  return c;
}

// The plain model: the whole comparison written out, then a stable sort.
std::vector<std::uint32_t> modelOrder(const Case& c) {
  const std::size_t keys = c.keys.size();
  const std::size_t n = c.values.size() / keys;
  std::vector<std::uint32_t> order(n);
  std::iota(order.begin(), order.end(), 0u);
  std::stable_sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
    for (std::size_t k = 0; k < keys; ++k) {
      const Variant& va = c.values[a * keys + k];
      const Variant& vb = c.values[b * keys + k];
      int cmp = compareVariants(va, vb);
      if (cmp != 0 && va.kind() == vkString && vb.kind() == vkString) {
        if (c.keys[k].natural) {
          cmp = compareNaturalText(va.stringValue(), vb.stringValue());
        } else if (c.collate) {
          cmp = reverseBytes(va.stringValue(), vb.stringValue());
        }
      }
      if (cmp != 0) return c.keys[k].descending ? cmp > 0 : cmp < 0;
    }
    if (c.ties && c.tieKeys[a] != c.tieKeys[b]) return c.tieKeys[a] < c.tieKeys[b];
    // The tie breaker of the sort below: the higher row first.
    return a > b;
  });
  return order;
}

std::vector<std::uint32_t> sortedOrder(const Case& c) {
  RowSortInput input;
  input.values = &c.values;
  input.keys = c.keys;
  if (c.collate) input.collate = reverseBytes;
  input.ties = c.tieKeys;
  input.breakTie = [](std::uint32_t a, std::uint32_t b) { return a > b ? -1 : 1; };
  return sortRowValues(input);
}

TEST(RowSorterTest, RandomRowsSortAsTheStableModel) {
  std::mt19937 rng(20261210);
  for (int round = 0; round < 400; ++round) {
    Case c = randomCase(rng);
    if (std::bernoulli_distribution(0.2)(rng)) {
      // Put the rows in the model's order first.
      const std::vector<std::uint32_t> model = modelOrder(c);
      const std::size_t keys = c.keys.size();
      std::vector<Variant> values;
      std::vector<std::int64_t> ties;
      for (std::uint32_t r : model) {
        for (std::size_t k = 0; k < keys; ++k) values.push_back(c.values[r * keys + k]);
        if (c.ties) ties.push_back(c.tieKeys[r]);
      }
      c.values = std::move(values);
      c.tieKeys = std::move(ties);
    }
    ASSERT_EQ(sortedOrder(c), modelOrder(c)) << "round " << round;
  }
}

TEST(RowSorterTest, SortValuesCompareTextsNaturallyOrCollatedOnlyWhenTheyDiffer) {
  const TextCollation none;
  const TextCollation collate = reverseBytes;
  EXPECT_EQ(compareSortValues(Variant("a10"), Variant("a9"), false, none), -1);
  EXPECT_EQ(compareSortValues(Variant("a10"), Variant("a9"), true, none), 1);
  EXPECT_EQ(compareSortValues(Variant("ba"), Variant("ab"), false, collate), -1);
  // Natural order wins over the collation; equal texts stay equal.
  EXPECT_EQ(compareSortValues(Variant("a10"), Variant("a9"), true, collate), 1);
  EXPECT_EQ(compareSortValues(Variant("x"), Variant("x"), true, collate), 0);
  // Nulls and numbers keep the value order.
  EXPECT_EQ(compareSortValues(Variant::null(), Variant("a"), true, collate), -1);
  EXPECT_EQ(compareSortValues(Variant(2), Variant(1.5), true, collate), 1);
}

TEST(RowSorterTest, ValuesThatDoNotCompareSortByTheirKindWithoutAnError) {
  const TextCollation none;
  // A text that is no number against a number: no value order between them.
  ASSERT_FALSE(tryCompareVariants(Variant("b"), Variant(3)).has_value());
  EXPECT_EQ(compareSortValues(Variant("b"), Variant(3), false, none),
            -compareSortValues(Variant(3), Variant("b"), false, none));
  const std::vector<Variant> values = {Variant("b"), Variant(3),   Variant("a"),
                                       Variant(1),   Variant("c"), Variant(2)};
  const std::vector<SortKeyOrder> keys = {{false, false}};
  RowSortInput input;
  input.values = &values;
  input.keys = keys;
  input.breakTie = [](std::uint32_t a, std::uint32_t b) { return a < b ? -1 : 1; };
  std::vector<std::uint32_t> order;
  ASSERT_NO_THROW(order = sortRowValues(input));
  std::vector<std::string> texts;
  for (const std::uint32_t r : order) texts.push_back(values[r].toText());
  // Each kind in its own order, the kinds apart.
  const bool numbersFirst = texts.front() == "1";
  EXPECT_EQ(texts, numbersFirst ? (std::vector<std::string>{"1", "2", "3", "a", "b", "c"})
                                : (std::vector<std::string>{"a", "b", "c", "1", "2", "3"}));
}

TEST(RowSorterTest, ExactKeysSortAsTheirPairsOrRefuseDuplicates) {
  std::mt19937 rng(7);
  for (int round = 0; round < 200; ++round) {
    const bool descending = std::bernoulli_distribution(0.5)(rng);
    const int n = std::uniform_int_distribution<int>(0, 200)(rng);
    std::vector<std::int64_t> numbers;
    std::vector<std::int64_t> ties;
    ExactKeySorter sorter(descending);
    for (int i = 0; i < n; ++i) {
      numbers.push_back(std::uniform_int_distribution<int>(-20, 20)(rng));
      ties.push_back(std::uniform_int_distribution<int>(-50, 50)(rng));
      const OrderKey key =
          orderKey(Variant(static_cast<long long>(numbers.back())), PrefixKind::number);
      ASSERT_TRUE(sorter.add(key, ties.back()));
    }
    std::vector<std::uint32_t> model(static_cast<std::size_t>(n));
    std::iota(model.begin(), model.end(), 0u);
    std::stable_sort(model.begin(), model.end(), [&](std::uint32_t a, std::uint32_t b) {
      if (numbers[a] != numbers[b])
        return descending ? numbers[a] > numbers[b] : numbers[a] < numbers[b];
      return ties[a] < ties[b];
    });
    bool shared = false;
    for (std::size_t i = 1; i < model.size(); ++i) {
      shared = shared ||
               (numbers[model[i - 1]] == numbers[model[i]] && ties[model[i - 1]] == ties[model[i]]);
    }
    std::vector<std::uint32_t> order;
    ASSERT_EQ(sorter.finish(order), !shared) << "round " << round;
    if (!shared) {
      ASSERT_EQ(order, model) << "round " << round;
    }
  }
}

TEST(RowSorterTest, InexactKeyClosesTheExactPath) {
  ExactKeySorter sorter(false);
  OrderKey inexact;
  inexact.exact = false;
  EXPECT_FALSE(sorter.add(inexact, 0));
}

// The exact path packs each tie beside its row number when the ties span
// few enough values, and sorts row numbers when they do not: either way the
// order is the (key, tie) order, rows sharing both are refused, and keys
// made of short texts order as the texts do.
struct TieSpan {
  const char* name;
  std::int64_t lowest;
  std::int64_t highest;
};

class ExactKeySorterTest : public ::testing::TestWithParam<TieSpan> {};

TEST_P(ExactKeySorterTest, OrdersByKeyThenTieOrRefusesSharedPairs) {
  const TieSpan span = GetParam();
  std::mt19937_64 rng(std::hash<std::string>{}(span.name));
  std::uniform_int_distribution<std::int64_t> tieOf(span.lowest, span.highest);
  static const char* const kTexts[] = {"", "a", "ab", "abc", "b", "B", "zz", "\xc3\xa9"};
  for (int round = 0; round < 60; ++round) {
    const bool descending = round % 2 == 1;
    const bool texts = round % 3 == 0;
    // Rows in tie order, as before a first sort; keys that rarely repeat.
    const bool tiesInOrder = round % 4 == 2;
    const int numberRange = round % 5 == 4 ? 1'000'000 : 3;
    // Up to a few thousand rows: the row numbers then need twelve bits.
    const int n = std::uniform_int_distribution<int>(0, round < 50 ? 200 : 3000)(rng);
    std::vector<std::string> words;
    std::vector<std::int64_t> numbers;
    std::vector<std::int64_t> ties;
    ExactKeySorter sorter(descending);
    sorter.reserve(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
      words.push_back(kTexts[std::uniform_int_distribution<int>(0, 7)(rng)]);
      numbers.push_back(std::uniform_int_distribution<int>(-numberRange, numberRange)(rng));
      // A few ties repeat, so that some rounds share a (key, tie) pair.
      ties.push_back(i > 0 && std::uniform_int_distribution<int>(0, 40)(rng) == 0
                         ? ties[std::uniform_int_distribution<std::size_t>(0, ties.size() - 1)(rng)]
                         : tieOf(rng));
      if (tiesInOrder && i > 0 && ties[ties.size() - 2] < span.highest - 3) {
        // Rarely the same tie again.
        const int step = std::uniform_int_distribution<int>(0, 200)(rng);
        ties.back() = ties[ties.size() - 2] + (step == 0 ? 0 : 1 + step % 3);
      }
      const OrderKey key =
          texts ? textOrderKey(words.back())
                : orderKey(Variant(static_cast<long long>(numbers.back())), PrefixKind::number);
      ASSERT_TRUE(sorter.add(key, ties.back()));
    }
    // The model: the keys compared as values, then the ties.
    const auto keyOrder = [&](std::uint32_t a, std::uint32_t b) {
      const int c = texts ? words[a].compare(words[b])
                          : (numbers[a] < numbers[b]   ? -1
                             : numbers[a] > numbers[b] ? 1
                                                       : 0);
      return descending ? -c : c;
    };
    std::vector<std::uint32_t> model(static_cast<std::size_t>(n));
    std::iota(model.begin(), model.end(), 0u);
    std::stable_sort(model.begin(), model.end(), [&](std::uint32_t a, std::uint32_t b) {
      if (const int c = keyOrder(a, b)) return c < 0;
      return ties[a] < ties[b];
    });
    bool shared = false;
    for (std::size_t i = 1; i < model.size(); ++i) {
      shared =
          shared || (keyOrder(model[i - 1], model[i]) == 0 && ties[model[i - 1]] == ties[model[i]]);
    }
    std::vector<std::uint32_t> order;
    ASSERT_EQ(sorter.finish(order), !shared) << span.name << " round " << round;
    if (!shared) {
      ASSERT_EQ(order, model) << span.name << " round " << round;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Spans, ExactKeySorterTest,
    ::testing::Values(TieSpan{"Narrow", -50, 50}, TieSpan{"RecordKeys", 1, 5'000'000},
                      TieSpan{"Negative", -9'000'000'000'000'000'000, -8'999'999'999'999'000'000},
                      // Spans that leave no room beside the row number.
                      TieSpan{"Whole", std::numeric_limits<std::int64_t>::min(),
                              std::numeric_limits<std::int64_t>::max()},
                      TieSpan{"HalfAndMore", -(std::int64_t(1) << 61), std::int64_t(1) << 61}),
    [](const ::testing::TestParamInfo<TieSpan>& info) { return info.param.name; });

}  // namespace
}  // namespace morvel
