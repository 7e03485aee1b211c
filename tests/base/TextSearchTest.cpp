// Finding a text inside another, with and without the case of ASCII
// letters, from any place: checked against a plain search over random texts
// whose few letters make near misses and overlapping matches common.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <string_view>

#include "base/TextSearch.h"

namespace morvel {
namespace {

char fold(char c, bool matchCase) {
  return !matchCase && c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}

std::size_t plainFind(std::string_view text, std::string_view needle, bool matchCase,
                      std::size_t from) {
  for (std::size_t at = from; at + needle.size() <= text.size(); ++at) {
    std::size_t i = 0;
    while (i < needle.size() && fold(text[at + i], matchCase) == fold(needle[i], matchCase)) ++i;
    if (i == needle.size()) return at;
  }
  return std::string_view::npos;
}

TEST(TextSearch, FindsWhatAPlainSearchFinds) {
  std::mt19937 random(5);
  const std::string alphabet = "aAbB\xc3\xa9 ,";
  const auto randomText = [&](std::size_t most) {
    std::string text(random() % (most + 1), ' ');
    for (char& c : text) c = alphabet[random() % alphabet.size()];
    return text;
  };
  for (int round = 0; round < 20000; ++round) {
    const std::string text = randomText(24);
    const std::string needle = randomText(4);
    const bool matchCase = random() % 2 == 0;
    const TextSearch search(needle, matchCase);
    const std::size_t from = random() % (text.size() + 2);
    const std::size_t expected =
        from > text.size() ? std::string_view::npos : plainFind(text, needle, matchCase, from);
    ASSERT_EQ(search.find(text, from), expected)
        << "'" << text << "' '" << needle << "' from " << from << (matchCase ? " case" : "");
    ASSERT_EQ(search.foundIn(text), plainFind(text, needle, matchCase, 0) != std::string::npos);
  }
}

TEST(TextSearch, OtherBytesCompareExactlyWhateverTheCase) {
  const TextSearch search("\xc3\xa9t\xc3\xa9", false);  // "été" in UTF-8
  EXPECT_TRUE(search.foundIn("L'\xc3\xa9T\xc3\xa9"));
  EXPECT_FALSE(search.foundIn("L'\xc3\x89T\xc3\x89"));  // "ÉTÉ": other bytes
  EXPECT_EQ(TextSearch("", false).find("abc", 2), 2u);
  EXPECT_EQ(TextSearch("", false).find("abc", 4), std::string_view::npos);
}

}  // namespace
}  // namespace morvel
