// The printf-like message formatting: directives filled in order, user
// percent signs kept, and missing arguments printing nothing.
#include <gtest/gtest.h>

#include "base/Format.h"

namespace morvel {
namespace {

TEST(FormatMessage, FillsDirectivesInOrderAndKeepsUserPercentSignsLiteral) {
  EXPECT_EQ(formatMessage("List index out of bounds (%d)", -1), "List index out of bounds (-1)");
  EXPECT_EQ(formatMessage("Cannot open file %s", "100%d %s.csv"), "Cannot open file 100%d %s.csv");
  EXPECT_EQ(formatMessage("'%s' is not a valid integer value for field '%s'", "x", "ID"),
            "'x' is not a valid integer value for field 'ID'");
  EXPECT_EQ(formatMessage("Unknown error occurred with table '%S'", "memory.dat"),
            "Unknown error occurred with table 'memory.dat'");
}

TEST(FormatMessage, MissingArgumentsPrintNothingAndOddPercentsStay) {
  EXPECT_EQ(formatMessage("a %s b %d c"), "a  b  c");
  EXPECT_EQ(formatMessage("100%% done, 5%x, trailing %"), "100% done, 5%x, trailing %");
  EXPECT_EQ(formatMessage("%d-%s", std::string("7"), 8), "7-8");
}

}  // namespace
}  // namespace morvel
