// The variant value: its order across kinds, equality across numeric
// kinds, texts that do not compare with numbers (raised, or answered as a
// value), copies and moves, and conversions between kinds.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "base/FormatSettings.h"
#include "base/Variant.h"

namespace morvel {
namespace {

struct Ordered {
  const char* what;
  Variant low;
  Variant high;
};

class VariantOrder : public ::testing::TestWithParam<Ordered> {};

TEST_P(VariantOrder, LowSortsBelowHighBothWaysRound) {
  const Ordered& c = GetParam();
  EXPECT_LT(compareVariants(c.low, c.high), 0) << c.what;
  EXPECT_GT(compareVariants(c.high, c.low), 0) << c.what;
  EXPECT_EQ(compareVariants(c.low, c.low), 0) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Rules, VariantOrder,
    ::testing::Values(
        Ordered{"null below a number", Variant::null(), Variant(-5)},
        Ordered{"null below the empty text", Variant::null(), Variant("")},
        Ordered{"null below false", Variant::null(), Variant(false)},
        Ordered{"null below any date", Variant::null(), Variant::date(-700000)},
        Ordered{"empty below a number", Variant(), Variant(0)},
        Ordered{"integers", Variant(-3), Variant(2)},
        Ordered{"large integers keep their low digits against doubles", Variant(9007199254740992.0),
                Variant(9007199254740993LL)},
        Ordered{"integer against double", Variant(1), Variant(1.5)},
        Ordered{"double against currency", Variant(1.2345), Variant::currency(12346)},
        Ordered{"currency against integer", Variant::currency(-10001), Variant(-1)},
        Ordered{"dates chronologically", Variant::date(36526.25), Variant::date(36526.5)},
        Ordered{"a date against a number of days", Variant(36526), Variant::date(36526.5)},
        Ordered{"NaN below every number", Variant(std::nan("")), Variant(-1e300)},
        Ordered{"upper case before lower case", Variant("B"), Variant("a")},
        Ordered{"the empty text first", Variant(""), Variant("\x01")},
        Ordered{"a prefix before the longer text", Variant("ab"), Variant("abc")},
        Ordered{"bytes compare unsigned", Variant("z"), Variant("\xc3\xa9")},
        Ordered{"text against number converts", Variant(" 10 "), Variant(9.5 + 1)},
        Ordered{"number against text converts", Variant(2), Variant("1e1")},
        Ordered{"false below true", Variant(false), Variant(true)},
        Ordered{"text against boolean", Variant("FALSE"), Variant(true)},
        Ordered{"boolean against number", Variant(true), Variant(2)}));

TEST(Variant, EqualAcrossNumericKindsAndBlanks) {
  EXPECT_TRUE(variantsEqual(Variant(2), Variant(2.0)));
  EXPECT_TRUE(variantsEqual(Variant::currency(25000), Variant(2.5)));
  EXPECT_TRUE(variantsEqual(Variant::date(3), Variant(3)));
  EXPECT_TRUE(variantsEqual(Variant(), Variant::null()));
  EXPECT_TRUE(variantsEqual(Variant(std::nan("")), Variant(std::nan(""))));
  EXPECT_TRUE(variantsEqual(Variant("12"), Variant(12)));
  EXPECT_FALSE(variantsEqual(Variant("12"), Variant("12.0")));  // texts stay texts
}

TEST(Variant, TextThatIsNoNumberRaisesAgainstANumber) {
  for (const char* text : {"abc", "", "12abc", "nan", "inf", "0x10", "--1"}) {
    EXPECT_THROW(compareVariants(Variant(text), Variant(1)), VariantError) << text;
    EXPECT_THROW(compareVariants(Variant::date(1), Variant(text)), VariantError) << text;
  }
  EXPECT_THROW(compareVariants(Variant("maybe"), Variant(true)), VariantError);
}

// The comparison without raising gives the raising one's order for every
// pair that compares, and "not comparable" exactly for the pairs that raise
// (with the message of the conversion that failed).
TEST(Variant, TryCompareAgreesWithTheRaisingComparison) {
  const std::vector<Variant> values = {Variant(),
                                       Variant::null(),
                                       Variant(-7),
                                       Variant(3),
                                       Variant(2.5),
                                       Variant(std::nan("")),
                                       Variant::currency(25000),
                                       Variant::date(3),
                                       Variant(true),
                                       Variant(false),
                                       Variant("12"),
                                       Variant(" -1.5 "),
                                       Variant("TRUE"),
                                       Variant("false"),
                                       Variant("abc"),
                                       Variant(""),
                                       Variant("0"),
                                       Variant("maybe")};
  for (const Variant& a : values) {
    for (const Variant& b : values) {
      const std::optional<int> tried = tryCompareVariants(a, b);
      std::optional<int> raised;
      std::string message;
      try {
        raised = compareVariants(a, b);
      } catch (const VariantError& e) {
        message = e.what();
      }
      ASSERT_EQ(tried.has_value(), raised.has_value()) << a.toText() << " / " << b.toText();
      if (tried) {
        EXPECT_EQ(*tried, *raised) << a.toText() << " / " << b.toText();
      } else {
        EXPECT_NE(message.find("Could not convert"), std::string::npos) << message;
      }
    }
  }
}

TEST(Variant, SortingByTheRulesGivesTheDocumentedTextOrder) {
  std::vector<Variant> values{Variant("b"), Variant("B"), Variant("a"), Variant(""),
                              Variant::null()};
  std::sort(values.begin(), values.end(),
            [](const Variant& a, const Variant& b) { return compareVariants(a, b) < 0; });
  ASSERT_TRUE(values[0].isNull());
  std::vector<std::string> texts;
  for (std::size_t i = 1; i < values.size(); ++i) texts.push_back(values[i].stringValue());
  EXPECT_EQ(texts, (std::vector<std::string>{"", "B", "a", "b"}));
}

TEST(Variant, CopiesAndMovesKeepKindAndValue) {
  const std::string longText(100, 'x');
  Variant text(longText);
  Variant copy = text;
  Variant moved = std::move(text);
  EXPECT_EQ(copy.stringValue(), longText);
  EXPECT_EQ(moved.stringValue(), longText);

  copy = Variant::date(1.25);  // string to date releases the text
  EXPECT_EQ(copy.kind(), vkDate);
  EXPECT_EQ(copy.dateValue(), 1.25);
  copy = moved;  // and back
  EXPECT_EQ(copy.stringValue(), longText);
  copy = copy;
  EXPECT_EQ(copy.stringValue(), longText);

  Variant currency = Variant::currency(-12345);
  currency.swap(copy);
  EXPECT_EQ(currency.stringValue(), longText);
  EXPECT_EQ(copy.currencyValue(), -12345);
  EXPECT_EQ(sizeof(Variant), 40u);
}

TEST(Variant, ReadingTheWrongKindRaisesAndConversionsFollowTheRules) {
  EXPECT_THROW(Variant(1).stringValue(), VariantError);
  EXPECT_THROW(Variant::null().toDouble(), VariantError);
  EXPECT_EQ(Variant::currency(15000).toDouble(), 1.5);
  EXPECT_EQ(Variant(" -2.5e1\t").toDouble(), -25);
  EXPECT_EQ(Variant("+3").toDouble(), 3);
  EXPECT_TRUE(Variant("True").toBoolean());
  EXPECT_FALSE(Variant("0").toBoolean());
  EXPECT_TRUE(Variant::date(0.5).toBoolean());
}

}  // namespace
}  // namespace morvel

namespace morvel {
namespace {

TEST(VariantConversion, ToTextGivesEachKindsPlainForm) {
  EXPECT_EQ(Variant().toText(), "");
  EXPECT_EQ(Variant::null().toText(), "");
  EXPECT_EQ(Variant(-42).toText(), "-42");
  EXPECT_EQ(Variant(0.1).toText(), "0.1");
  EXPECT_EQ(Variant(true).toText(), "True");
  EXPECT_EQ(Variant::currency(-125000).toText(), "-12.5");
  EXPECT_EQ(Variant::currency(30000).toText(), "3");
  EXPECT_EQ(Variant::currency(INT64_MIN).toText(), "-922337203685477.5808");
  EXPECT_EQ(Variant("a\xe9").toText(), "a\xe9");
}

TEST(VariantConversion, ToIntegerRoundsHalvesToEvenAndRefusesTheRest) {
  EXPECT_EQ(Variant(2.5).toInteger(), 2);
  EXPECT_EQ(Variant(3.5).toInteger(), 4);
  EXPECT_EQ(Variant(-2.5).toInteger(), -2);
  EXPECT_EQ(Variant::currency(25000).toInteger(), 2);
  EXPECT_EQ(Variant::currency(35000).toInteger(), 4);
  EXPECT_EQ(Variant::currency(-15001).toInteger(), -2);
  EXPECT_EQ(Variant(" 17 ").toInteger(), 17);
  EXPECT_EQ(Variant(true).toInteger(), 1);
  EXPECT_EQ(Variant(INT64_MAX).toInteger(), INT64_MAX);
  EXPECT_THROW(Variant(1e19).toInteger(), VariantError);
  EXPECT_THROW(Variant(std::nan("")).toInteger(), VariantError);
  EXPECT_THROW(Variant("x").toInteger(), VariantError);
  EXPECT_THROW(Variant::null().toInteger(), VariantError);
}

TEST(VariantConversion, ToDateTimeReadsNumbersAndDateTexts) {
  EXPECT_EQ(Variant::date(45000.5).toDateTime(), 45000.5);
  EXPECT_EQ(Variant(12).toDateTime(), 12);
  EXPECT_EQ(Variant("36526.25").toDateTime(), 36526.25);
  FormatSettings saved = formatSettings();
  formatSettings() = FormatSettings();
  EXPECT_EQ(Variant("1/2/2000").toDateTime(), 36527);  // m/d/yy by default
  formatSettings() = saved;
  EXPECT_THROW(Variant("soon").toDateTime(), VariantError);
  EXPECT_THROW(Variant(true).toDateTime(), VariantError);
  EXPECT_THROW(Variant::null().toDateTime(), VariantError);
}

}  // namespace
}  // namespace morvel
