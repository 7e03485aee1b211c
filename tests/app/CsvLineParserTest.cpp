// Lines read on the second thread give exactly what reading each line on its
// own gives: the same values, the same dates, the same dropped-quote marks,
// and a value that does not read stops the lines at that line and value,
// however the lines fall into batches.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "app/CsvLineParser.h"
#include "app/CsvReading.h"
#include "base/DateText.h"
#include "base/Exception.h"
#include "base/StringList.h"
#include "tests/app/ViewerTestSupport.h"

namespace morvel {
namespace {

// What the parser should give for one line, read the plain way.
struct PlainLine {
  std::vector<std::string> values;
  std::vector<DateTime> dates;
  bool quotesDropped = false;
  int failedValue = -1;  // the value that does not read as its column's date
};

PlainLine readPlainly(std::string_view text, const std::vector<FieldType>& types) {
  PlainLine line;
  line.quotesDropped = quotesDropped(text);
  StringList items;
  items.setCommaText(normaliseLine(text));
  for (std::size_t j = 0; j < items.items().size(); ++j) {
    const std::string_view value = items.items()[j];
    line.values.emplace_back(value);
    line.dates.push_back(0);
    if (j >= types.size() || value.empty()) continue;
    try {
      if (types[j] == ftDate) line.dates.back() = textToDate(value);
      if (types[j] == ftDateTime) line.dates.back() = textToDateTime(value);
    } catch (const ConvertError&) {
      line.failedValue = static_cast<int>(j);
      break;
    }
  }
  return line;
}

// Random lines over a few columns: texts with quotes, commas and blanks,
// dates and date-times, mostly valid; empty and surplus fields now and then.
std::string randomLine(std::mt19937& random, const std::vector<FieldType>& types) {
  auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  static const char* const kTexts[] = {
      "plain", "two words", "\"quoted, comma\"", "5\" bolt", "a\"\"b", "", " lead", "x,y"};
  static const char* const kDates[] = {"01/01/99", "31/12/00", "29/02/04", "15/06/67"};
  static const char* const kTimes[] = {"22/12/00 15:09", "01/01/01 00:00", "31/07/45 23:59"};
  static const char* const kBad[] = {"n/a", "31/02/99", "32/01/00 10:00", "ab/cd/ef"};
  std::string line;
  const int fields = static_cast<int>(types.size()) + (pick(40) == 0 ? 1 : 0) - (pick(40) == 0);
  for (int j = 0; j < fields; ++j) {
    if (j > 0) line += ',';
    const FieldType type = j < static_cast<int>(types.size()) ? types[j] : ftString;
    if (type != ftString && pick(3000) == 0) {
      line += kBad[pick(4)];
    } else if (type == ftDate) {
      line += pick(10) == 0 ? "" : kDates[pick(4)];
    } else if (type == ftDateTime) {
      line += pick(10) == 0 ? "" : kTimes[pick(3)];
    } else {
      line += kTexts[pick(8)];
    }
  }
  return line;
}

class CsvLineParserTest : public ::testing::Test {
 protected:
  CsvLineParserTest() : saved_(formatSettings()) {
    formatSettings() = testing_support::ukFormatSettings();
  }
  ~CsvLineParserTest() override { formatSettings() = saved_; }

 private:
  FormatSettings saved_;
};

TEST_F(CsvLineParserTest, GivesWhatReadingEachLineGivesAcrossBatches) {
  for (unsigned seed = 1; seed <= 12; ++seed) {
    SCOPED_TRACE(seed);
    std::mt19937 random(seed);
    const std::vector<FieldType> types = {ftString, ftDate, ftString, ftDateTime, ftString};
    const int count = 1 + static_cast<int>(random() % 6000);
    std::string text = "header\r\n";
    for (int i = 1; i < count; ++i) text += randomLine(random, types) + "\r\n";
    StringList lines;
    lines.setText(text);

    CsvLineParser parser(lines, 1, types);
    int expected = 1;
    bool stopped = false;
    while (ParsedBatch* batch = parser.next()) {
      ASSERT_FALSE(stopped) << "no batch after a failure";
      EXPECT_EQ(batch->firstLine, expected);
      for (std::size_t k = 0; k < batch->lines.size(); ++k, ++expected) {
        const PlainLine plain = readPlainly(lines.item(expected), types);
        const ParsedLine& line = batch->lines[k];
        EXPECT_EQ(line.quotesDropped, plain.quotesDropped) << expected;
        const auto values = batch->valuesOf(line);
        const std::size_t read =
            plain.failedValue < 0 ? plain.values.size() : std::size_t(plain.failedValue) + 1;
        ASSERT_EQ(values.size(), read) << expected;
        for (std::size_t j = 0; j < values.size(); ++j) {
          EXPECT_EQ(batch->text(values[j]), plain.values[j]) << expected << ':' << j;
          if (static_cast<int>(j) != plain.failedValue) {
            EXPECT_EQ(values[j].date, plain.dates[j]) << expected << ':' << j;
          }
        }
        if (plain.failedValue >= 0) {
          // The failing line ends the batch and the reading.
          EXPECT_EQ(k + 1, batch->lines.size());
          EXPECT_EQ(batch->failedLine, expected);
          EXPECT_EQ(batch->failedValue, plain.failedValue);
          EXPECT_THROW(std::rethrow_exception(batch->failure), ConvertError);
          stopped = true;
        }
      }
      if (!batch->failure) {
        EXPECT_EQ(batch->failedLine, -1);
      }
      parser.done(batch);
    }
    if (!stopped) {
      EXPECT_EQ(expected, count);
    }
  }
}

TEST_F(CsvLineParserTest, StopsWhereverItIsWhenTheReaderStops) {
  // The reader takes one batch of many and goes: the parser, waiting for a
  // spare batch or still reading, ends without being asked twice.
  std::string text;
  for (int i = 0; i < 50000; ++i) text += "a,01/01/99\r\n";
  StringList lines;
  lines.setText(text);
  for (int taken = 0; taken < 3; ++taken) {
    CsvLineParser parser(lines, 1, {ftString, ftDate});
    for (int i = 0; i < taken; ++i) {
      ParsedBatch* batch = parser.next();
      ASSERT_NE(batch, nullptr);
      parser.done(batch);
    }
  }
}

}  // namespace
}  // namespace morvel
