// Number pictures: sections, digits, separators and literal text.
#include <gtest/gtest.h>

#include "base/NumberText.h"

namespace morvel {
namespace {

struct Case {
  const char* format;
  long double value;
  const char* text;
};

TEST(FormatNumberText, PicturesSectionsAndLiterals) {
  FormatSettings s;
  s.decimalSep = '.';
  const Case cases[] = {
      {"0.00", 2.5L, "2.50"},
      {"0.00", -2.005L, "-2.01"},  // half away from zero
      {"(SUM=0.00)", 1234.5L, "(SUM=1234.50)"},
      {"#,##0", 1234567.0L, "1,234,567"},
      {"#,##0.##", 1234.5L, "1,234.5"},
      {"#.##", 0.5L, ".5"},
      {"000", 7.0L, "007"},
      {"0", 2.5L, "3"},
      {"0.0;(0.0);nil", -1.25L, "(1.3)"},
      {"0.0;(0.0);nil", 0.01L, "nil"},
      {"0.0;", -1.0L, "-1.0"},    // an empty negative section: the first, signed
      {"0.00", -0.001L, "0.00"},  // no minus on what shows as zero
      {"'Total: '#,##0 \"items\"", 12.0L, "Total: 12 items"},
      {"no digits", 5.0L, "no digits"},
      {"", 0.1L, "0.1"},
  };
  for (const Case& c : cases) EXPECT_EQ(formatNumberText(c.format, c.value, s), c.text) << c.format;
  s.decimalSep = ',';
  EXPECT_EQ(formatNumberText("0.00", 2.5L, s), "2,50");
}

}  // namespace
}  // namespace morvel
