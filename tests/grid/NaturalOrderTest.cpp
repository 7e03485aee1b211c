// Natural text order: digit runs compare by value. The comparison itself,
// checked as an order over many random texts, and the grid's sort with the
// order switched on and off.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "GridTestSupport.h"
#include "grid/tree/SortPrefix.h"

namespace morvel {
namespace {

using Strings = std::vector<std::string>;

TEST(NaturalText, DigitRunsCompareByValue) {
  // In the order natural comparison must give; texts equal by value ("01"
  // and "1") follow their bytes.
  const Strings ordered = {"",   " 9", "0",    "00",  "01",   "1",     "2",      "5",
                           "10", "12", "0100", "100", "1000", "B1x",   "a",      "a 2",
                           "a1", "a2", "a2b",  "a10", "a10b", "a10b2", "a10b10", "b"};
  Strings shuffled = ordered;
  std::mt19937 random(7);
  std::shuffle(shuffled.begin(), shuffled.end(), random);
  std::sort(shuffled.begin(), shuffled.end(), [](const std::string& a, const std::string& b) {
    return compareNaturalText(a, b) < 0;
  });
  EXPECT_EQ(shuffled, ordered);
  EXPECT_EQ(compareNaturalText("B1x", "a"), -1);
  EXPECT_EQ(compareNaturalText("a10", "a9"), 1);
  EXPECT_EQ(compareNaturalText("a9", "a10"), -1);
  EXPECT_EQ(compareNaturalText("x", "x"), 0);
  EXPECT_EQ(compareNaturalText("\xc3\xa9", "z"), 1) << "bytes compare unsigned";
  EXPECT_EQ(compareNaturalText("99999999999999999999999", "100000000000000000000000"), -1)
      << "runs longer than any integer";
}

TEST(NaturalText, IsATotalOrderOverRandomTexts) {
  // Antisymmetric, equal only for equal texts, and transitive: the sort
  // may rely on it.
  std::mt19937 random(20240612);
  const std::string alphabet = "0019a ";
  auto text = [&] {
    std::string s(random() % 7, ' ');
    for (char& c : s) c = alphabet[random() % alphabet.size()];
    return s;
  };
  for (int round = 0; round < 20000; ++round) {
    const std::string a = text(), b = text(), c = text();
    const int ab = compareNaturalText(a, b);
    ASSERT_EQ(ab, -compareNaturalText(b, a)) << a << " | " << b;
    ASSERT_EQ(ab == 0, a == b) << a << " | " << b;
    if (ab < 0 && compareNaturalText(b, c) < 0) {
      ASSERT_LT(compareNaturalText(a, c), 0) << a << " | " << b << " | " << c;
    }
  }
}

class NaturalSorting : public ::testing::Test {
 protected:
  void SetUp() override {
    grid.createColumn();
    grid.setOptionsEx(grid.optionsEx().with(goAutoSort));
    for (const char* t : {"item 100", "item 5", "item 12", "item 10", "item 05"}) {
      test::addRow(grid, {t});
    }
  }
  FakeHost host{{400, 300}};
  test::TestGrid grid{host};
};

TEST_F(NaturalSorting, IsOffByDefaultAndSortsAgainWhenSwitched) {
  EXPECT_FALSE(grid.naturalSortOrder());
  grid.columnHeaderClick(grid.columns(0));
  EXPECT_EQ(test::topTexts(grid), Strings({"item 05", "item 10", "item 100", "item 12", "item 5"}));
  grid.setNaturalSortOrder(true);
  EXPECT_EQ(test::topTexts(grid), Strings({"item 05", "item 5", "item 10", "item 12", "item 100"}));
  grid.columnHeaderClick(grid.columns(0));
  EXPECT_EQ(test::topTexts(grid), Strings({"item 100", "item 12", "item 10", "item 5", "item 05"}));
  grid.setNaturalSortOrder(false);
  EXPECT_EQ(test::topTexts(grid), Strings({"item 5", "item 12", "item 100", "item 10", "item 05"}));
}

}  // namespace
}  // namespace morvel
