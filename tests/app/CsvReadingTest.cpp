// Reading the viewer's text files: the fields of a line (quotes, empty
// fields, very long lines), header names, and the column types the second
// line's values give, with date-shaped values that do not convert.
#include <gtest/gtest.h>

#include "app/CsvReading.h"
#include "base/Exception.h"
#include "base/StringList.h"
#include "tests/TestSupport.h"

namespace morvel {
namespace {

std::vector<std::string> fieldsOf(std::string_view line) {
  StringList list;
  list.setCommaText(normaliseLine(line));
  return std::vector<std::string>(list.items().begin(), list.items().end());
}

struct LineCase {
  std::string line;
  std::vector<std::string> fields;
};

void PrintTo(const LineCase& c, std::ostream* os) {
  *os << "`" << testing_support::printableBytes(c.line) << "`";
}

class LineFields : public testing::TestWithParam<LineCase> {};

TEST_P(LineFields, AreExactlyTheFieldsOfTheLine) {
  EXPECT_EQ(fieldsOf(GetParam().line), GetParam().fields);
}

INSTANTIATE_TEST_SUITE_P(
    Table, LineFields,
    testing::Values(LineCase{"a,\"b,c\", d", {"a", "b,c", " d"}}, LineCase{"a,b,", {"a", "b", ""}},
                    LineCase{",a", {"", "a"}}, LineCase{"\"x,y\"", {"x,y"}},
                    LineCase{"1,\"a\"\"b\",2", {"1", "ab", "2"}},
                    LineCase{"a, b ,c", {"a", " b ", "c"}}, LineCase{"a,,b", {"a", "", "b"}},
                    LineCase{",", {"", ""}}, LineCase{",,", {"", "", ""}}, LineCase{"", {""}},
                    LineCase{"x", {"x"}}, LineCase{"\"x\"", {"x"}}, LineCase{"\"\"", {""}},
                    LineCase{"\"", {""}}, LineCase{"\"\"\"\"", {""}}, LineCase{" ", {" "}},
                    LineCase{"\",\"", {","}}, LineCase{"\",x\"", {",x"}},
                    LineCase{"\"x,\"", {"x,"}}, LineCase{"\",,\"", {",,"}},
                    LineCase{"\",\",x", {",", "x"}}, LineCase{"x,\",\"", {"x", ","}},
                    LineCase{"\"a,\",", {"a,", ""}}, LineCase{"\"\",x", {"", "x"}},
                    LineCase{"a,\"b", {"a", "b"}}, LineCase{"a,\"b,c", {"a", "b", "c"}},
                    // Quoting left open ends at the last quote of the line.
                    LineCase{"10,5\" bolt,steel", {"10", "5 bolt", "steel"}},
                    LineCase{"Name,Size (in\"),Qty", {"Name", "Size (in)", "Qty"}},
                    LineCase{"\"a,b\",\"c,d", {"a,b", "c", "d"}},
                    LineCase{"\"a\"b\"c\",d", {"abc", "d"}},
                    LineCase{"\ta\t,\x80\xff", {"\ta\t", "\x80\xff"}},
                    // Long enough for quotes and commas to fall inside 16-byte steps.
                    LineCase{"0123456789abcde,\"0123456789,abcdef\"\",x\",yyyyyyyyyyyyyyy\",z",
                             {"0123456789abcde", "0123456789,abcdef,x", "yyyyyyyyyyyyyyy", "z"}},
                    LineCase{"\"0123456789,abcdefghijklmnopqrstuvwxyz,0123456789\",abcdef\""
                             "ghijklmnopqrstuvwxyz,0123456789,abcdef",
                             {"0123456789,abcdefghijklmnopqrstuvwxyz,0123456789",
                              "abcdefghijklmnopqrstuvwxyz", "0123456789", "abcdef"}},
                    LineCase{"Part No.,Product,Order No.,Priority",
                             {"Part No.", "Product", "Order No.", "Priority"}}));

TEST(NormaliseLine, ReusesTheOutputAndQuotesBothEnds) {
  std::string out = "previous content";
  normaliseLine("a,\"b,c\", d", out);
  EXPECT_EQ(out, "\"a\",\"b,c\",\" d\"");
  normaliseLine("", out);
  EXPECT_EQ(out, "\"\"");
}

TEST(NormaliseLine, TenMegabyteLineKeepsEveryField) {
  // 1000 fields of 10 000 bytes, every other one quoted around a comma.
  std::string line;
  for (int i = 0; i < 1000; ++i) {
    if (i > 0) line += ',';
    const std::string body(9999, static_cast<char>('a' + i % 26));
    if (i % 2) {
      line.append("\"").append(body, 0, 5000).append(",").append(body, 5000).append("\"");
    } else {
      line.append(body).append("x");
    }
  }
  const std::vector<std::string> fields = fieldsOf(line);
  ASSERT_EQ(fields.size(), 1000u);
  EXPECT_EQ(fields[1].size(), 10000u);
  EXPECT_EQ(fields[1][5000], ',');
  EXPECT_EQ(fields[998], std::string(9999, 'k') + "x");
}

TEST(FieldNameFor, NumbersEmptyHeaderFieldsFromOne) {
  BlankCounter counter;
  std::vector<std::string> names;
  for (const std::string& field : fieldsOf("a,,b,")) names.push_back(fieldNameFor(field, counter));
  EXPECT_EQ(names, (std::vector<std::string>{"a", "Blank1", "b", "Blank2"}));
  counter.reset();
  EXPECT_EQ(fieldNameFor("", counter), "Blank1");
  EXPECT_EQ(counter.next(), 2);
}

FormatSettings ukSettings() { return testing_support::ukFormatSettings(); }

struct TypeCase {
  std::string sample;
  ColumnType type;
};

void PrintTo(const TypeCase& c, std::ostream* os) {
  *os << "`" << testing_support::printableBytes(c.sample) << "`";
}

class ColumnTypes : public testing::TestWithParam<TypeCase> {};

TEST_P(ColumnTypes, FollowTheShapeOfTheSecondLineValue) {
  EXPECT_EQ(columnTypeFor(GetParam().sample, ukSettings()), GetParam().type);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ColumnTypes,
    testing::Values(TypeCase{"31/12/99", {ftDate, 0}}, TypeCase{"22/12/00 15:09", {ftDateTime, 0}},
                    TypeCase{"31/12/1999", {ftString, 100}}, TypeCase{"1/2/03", {ftString, 100}},
                    TypeCase{"12/05/1999", {ftString, 100}}, TypeCase{"", {ftString, 100}},
                    TypeCase{"ab/", {ftString, 100}}, TypeCase{"12/34", {ftString, 100}},
                    TypeCase{"Splined Shaft", {ftString, 100}},
                    TypeCase{"22/12/00 15:09:00", {ftString, 100}}));

TEST(ColumnTypes, DateShapedValuesThatDoNotConvertRaise) {
  const FormatSettings s = ukSettings();
  try {
    columnTypeFor("31/02/99", s);
    FAIL();
  } catch (const ConvertError& e) {
    EXPECT_EQ(e.message(), "'31/02/99' is not a valid date");
  }
  EXPECT_THROW(columnTypeFor("22/12/00 25:00", s), ConvertError);
  FormatSettings us = s;
  us.dateFormatShort = "m/d/yy";
  EXPECT_THROW(columnTypeFor("31/12/99", us), ConvertError);
}

}  // namespace
}  // namespace morvel
