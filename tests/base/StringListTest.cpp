// The string list: line splitting for every kind of line end, comma text
// quoting and round trips, searching and replacing, growth, and saving and
// loading files byte for byte.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>

#include "base/Exception.h"
#include "base/StringList.h"
#include "base/StringUtils.h"
#include "tests/TestSupport.h"

namespace morvel {
namespace {

std::vector<std::string> itemsOf(const StringList& list) {
  return std::vector<std::string>(list.items().begin(), list.items().end());
}

StringList listOf(const std::vector<std::string>& items) {
  StringList list;
  for (const std::string& s : items) list.append(s);
  return list;
}

struct SplitCase {
  std::string text;
  std::vector<std::string> items;
};

void PrintTo(const SplitCase& c, std::ostream* os) {
  *os << "`" << testing_support::printableBytes(c.text) << "`";
}

class SplitLines : public testing::TestWithParam<SplitCase> {};

TEST_P(SplitLines, GivesTheLinesEveryKindOfLineEndMarks) {
  StringList list;
  list.append("left over");
  list.setText(GetParam().text);
  EXPECT_EQ(itemsOf(list), GetParam().items);
  // Only a NUL ends the text before its last byte, and the list says so.
  EXPECT_EQ(list.endedAtNul(), GetParam().text.find('\0') != std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Table, SplitLines,
    testing::Values(SplitCase{"", {}}, SplitCase{"a", {"a"}}, SplitCase{"a\r\n", {"a"}},
                    SplitCase{"a\r\n\r\n", {"a", ""}}, SplitCase{"\r\n", {""}},
                    SplitCase{"a\rb", {"a", "b"}}, SplitCase{"a\nb", {"a", "b"}},
                    SplitCase{"a\r\nb", {"a", "b"}}, SplitCase{"a\n\rb", {"a", "", "b"}},
                    SplitCase{"a\r\r\nb", {"a", "", "b"}}, SplitCase{std::string("a\0b", 3), {"a"}},
                    SplitCase{std::string("\0a", 2), {}},
                    // Long enough that the line ends fall inside the 16-byte scan.
                    SplitCase{"0123456789abcdefghij\rklmnopqrstuvwxyz0123\n4\r\n",
                              {"0123456789abcdefghij", "klmnopqrstuvwxyz0123", "4"}},
                    SplitCase{"\xef\xbb\xbf"
                              "a\x80\xff\xc3(",
                              {"\xef\xbb\xbf"
                               "a\x80\xff\xc3("}}));

TEST(StringListText, JoinsEveryItemWithCrLf) {
  EXPECT_EQ(listOf({"a", "b"}).text(), "a\r\nb\r\n");
  EXPECT_EQ(listOf({""}).text(), "\r\n");
  EXPECT_EQ(StringList().text(), "");
}

struct CommaCase {
  std::string text;
  std::vector<std::string> items;
};

void PrintTo(const CommaCase& c, std::ostream* os) {
  *os << "`" << testing_support::printableBytes(c.text) << "`";
}

class ParseCommaText : public testing::TestWithParam<CommaCase> {};

TEST_P(ParseCommaText, GivesTheItems) {
  StringList list;
  list.setCommaText("x,y,z,w,v");
  list.setCommaText(GetParam().text);
  EXPECT_EQ(itemsOf(list), GetParam().items);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ParseCommaText,
    testing::Values(CommaCase{"a,b", {"a", "b"}}, CommaCase{" a , b ", {"a", "b"}},
                    CommaCase{"a b", {"a", "b"}}, CommaCase{"a,,b", {"a", "", "b"}},
                    CommaCase{",a", {"", "a"}}, CommaCase{"a,", {"a"}}, CommaCase{"a,,", {"a", ""}},
                    CommaCase{",", {""}}, CommaCase{"", {}}, CommaCase{" \t ", {}},
                    CommaCase{"\"a b\",c", {"a b", "c"}}, CommaCase{"\"a,b\"", {"a,b"}},
                    CommaCase{"\"\"", {""}}, CommaCase{"\"a\"\"b\"", {"a\"b"}},
                    CommaCase{"\"a\"b", {"a", "b"}}, CommaCase{"\"a\" b", {"a", "b"}},
                    CommaCase{"a\"b", {"a\"b"}}, CommaCase{"\"abc", {"ab"}}, CommaCase{"\"a", {""}},
                    CommaCase{"\"", {""}}, CommaCase{"\"a\"\"bc", {"a\"b"}},
                    CommaCase{std::string("a,b\0,c", 6), {"a", "b"}},
                    CommaCase{std::string("\"a\0b\",c", 7), {""}},
                    // Control bytes are blanks; bytes from 128 on are not.
                    CommaCase{"\x01"
                              "a\x1f,\x80\xff b",
                              {"a", "\x80\xff", "b"}}));

struct BuildCase {
  std::vector<std::string> items;
  std::string text;
};

class BuildCommaText : public testing::TestWithParam<BuildCase> {};

TEST_P(BuildCommaText, QuotesWhatNeedsIt) {
  EXPECT_EQ(listOf(GetParam().items).commaText(), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Table, BuildCommaText,
                         testing::Values(BuildCase{{"a", "b"}, "a,b"},
                                         BuildCase{{"a b"}, "\"a b\""},
                                         BuildCase{{"a,b"}, "\"a,b\""},
                                         BuildCase{{"a\"b"}, "\"a\"\"b\""}, BuildCase{{""}, "\"\""},
                                         BuildCase{{"", ""}, ","}, BuildCase{{"a", ""}, "a,"},
                                         BuildCase{{"", "a"}, ",a"}, BuildCase{{}, ""},
                                         BuildCase{{"\ta", "\x80"}, "\"\ta\",\x80"}));

TEST(StringListCommaText, RoundTripLosesOnlyATrailingEmptyItem) {
  const std::vector<std::string> items = {" lead", "trail ", "", "q\"uo\"\"te", "a,b", "\x7f\xfe"};
  StringList parsed;
  parsed.setCommaText(listOf(items).commaText());
  EXPECT_EQ(itemsOf(parsed), items);

  parsed.setCommaText(listOf({"a", ""}).commaText());
  EXPECT_EQ(itemsOf(parsed), (std::vector<std::string>{"a"}));
}

TEST(StringUtils, FirstOccurrenceIsOneBasedAndReplaceAllNeverRescans) {
  EXPECT_EQ(firstOccurrence("b", "abcb"), 2u);
  EXPECT_EQ(firstOccurrence("\"", "a\"\""), 2u);
  EXPECT_EQ(firstOccurrence("abc", "ab"), 0u);
  EXPECT_EQ(firstOccurrence("", "ab"), 0u);
  EXPECT_EQ(firstOccurrence("a", ""), 0u);
  EXPECT_EQ(replaceAll("a,b,,c", ",", "\",\""), "a\",\"b\",\"\",\"c");
  EXPECT_EQ(replaceAll("aaa", "aa", "X"), "Xa");
  EXPECT_EQ(replaceAll("ab", "a", "aa"), "aab");
  EXPECT_EQ(replaceAll("ab", "", "x"), "ab");
}

TEST(StringListItems, AppendInsertAndBounds) {
  StringList list;
  EXPECT_EQ(list.append("b"), 0);
  EXPECT_EQ(list.append("b"), 1);
  list.insert(0, "a");
  list.insert(3, "c");
  EXPECT_EQ(itemsOf(list), (std::vector<std::string>{"a", "b", "b", "c"}));
  EXPECT_EQ(list.item(3), "c");

  for (int bad : {-1, 4}) {
    try {
      list.item(bad);
      FAIL() << bad;
    } catch (const StringListError& e) {
      EXPECT_EQ(e.message(), "List index out of bounds (" + std::to_string(bad) + ")");
    }
  }
  EXPECT_THROW(list.insert(5, "x"), StringListError);
  EXPECT_THROW(list.insert(-1, "x"), StringListError);
  EXPECT_EQ(list.count(), 4);
}

TEST(StringListCapacity, GrowsByFourThenSixteenThenAQuarter) {
  StringList list;
  std::vector<int> capacities;
  for (int i = 0; i < 200; ++i) {
    list.append("x");
    if (capacities.empty() || capacities.back() != list.capacity()) {
      capacities.push_back(list.capacity());
    }
  }
  EXPECT_EQ(capacities, (std::vector<int>{4, 8, 12, 28, 44, 60, 76, 95, 118, 147, 183, 228}));
  list.clear();
  EXPECT_EQ(list.count(), 0);
  EXPECT_EQ(list.capacity(), 0);
}

TEST(StringListStorage, ItemsSurviveGrowthCopiesAndRefillsFromThemselves) {
  StringList list;
  list.setText("a,\"b c\"\r\nsecond line");
  const std::string_view second = list.item(1);
  for (int i = 0; i < 20000; ++i) list.append(std::string(100, static_cast<char>('0' + i % 10)));
  EXPECT_EQ(second, "second line");

  list.setCommaText(list.item(0));
  EXPECT_EQ(itemsOf(list), (std::vector<std::string>{"a", "b c"}));
  StringList copy = list;
  list.setText(list.item(1));
  EXPECT_EQ(itemsOf(list), (std::vector<std::string>{"b c"}));
  list.clear();
  list.append("x");
  EXPECT_EQ(itemsOf(copy), (std::vector<std::string>{"a", "b c"}));
  const StringList& same = copy;
  copy = same;
  copy.insert(1, copy.item(1));
  EXPECT_EQ(itemsOf(copy), (std::vector<std::string>{"a", "b c", "b c"}));
}

// A scratch folder per test, removed with everything in it.
class StringListFiles : public testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/morvel-stringlist-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }

  std::string path(const std::string& name) const { return dir_ + "/" + name; }
  static void writeBytes(const std::string& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary) << bytes;
  }
  static std::string readBytes(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  std::string dir_;
};

TEST_F(StringListFiles, SaveWritesTheTextAndLoadReadsItBackByteForByte) {
  std::string line;
  for (int b = 1; b < 256; ++b) {
    if (b != '\r' && b != '\n') line += static_cast<char>(b);
  }
  const StringList list = listOf({line, "", "\xc3\x28 invalid utf-8", "last"});
  list.saveToFile(path("all.csv"));
  EXPECT_EQ(readBytes(path("all.csv")), list.text());

  StringList loaded;
  loaded.loadFromFile(path("all.csv"));
  EXPECT_EQ(itemsOf(loaded), itemsOf(list));
  loaded.saveToFile(path("again.csv"));
  EXPECT_EQ(readBytes(path("again.csv")), readBytes(path("all.csv")));

  StringList().saveToFile(path("all.csv"));
  EXPECT_EQ(readBytes(path("all.csv")), "");
}

TEST_F(StringListFiles, LoadSplitsLoneCrsNulsAndATenMegabyteLine) {
  writeBytes(path("cr.csv"), "h1,h2\rv1,v2\r");
  writeBytes(path("crlf.csv"), "h1,h2\r\nv1,v2\r\n");
  StringList cr, crlf;
  cr.loadFromFile(path("cr.csv"));
  crlf.loadFromFile(path("crlf.csv"));
  EXPECT_EQ(itemsOf(cr), itemsOf(crlf));

  writeBytes(path("nul.csv"), std::string("a\r\nb\0c\r\nd", 9));
  StringList nul;
  nul.loadFromFile(path("nul.csv"));
  EXPECT_EQ(itemsOf(nul), (std::vector<std::string>{"a", "b"}));
  EXPECT_TRUE(nul.endedAtNul());
  EXPECT_FALSE(crlf.endedAtNul());
  nul.clear();
  EXPECT_FALSE(nul.endedAtNul());

  std::string big(10 * 1024 * 1024, 'x');
  big[12345] = ',';
  writeBytes(path("big.csv"), big + "\nend");
  StringList bigList;
  bigList.loadFromFile(path("big.csv"));
  ASSERT_EQ(bigList.count(), 2);
  EXPECT_EQ(bigList.item(0), big);
  EXPECT_EQ(bigList.item(1), "end");
}

TEST_F(StringListFiles, UnreadableFilesRaiseCannotOpenAndLeaveTheList) {
  StringList list = listOf({"kept"});
  for (const std::string& name : {path("missing.csv"), dir_}) {
    try {
      list.loadFromFile(name);
      FAIL() << name;
    } catch (const FileOpenError& e) {
      EXPECT_EQ(e.message(), "Cannot open file " + name);
    }
  }
  EXPECT_EQ(itemsOf(list), (std::vector<std::string>{"kept"}));
}

TEST_F(StringListFiles, UncreatableFilesAndShortWritesRaise) {
  const StringList list = listOf({"a"});
  const std::string name = path("no-such-folder/out%s.csv");
  try {
    list.saveToFile(name);
    FAIL();
  } catch (const FileCreateError& e) {
    EXPECT_EQ(e.message(), "Cannot create file " + name);
  }
  if (access("/dev/full", W_OK) == 0) {
    try {
      list.saveToFile("/dev/full");
      FAIL();
    } catch (const WriteError& e) {
      EXPECT_EQ(e.message(), "Stream write error");
    }
  }
}

}  // namespace
}  // namespace morvel
