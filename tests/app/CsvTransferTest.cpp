// Importing a text file into the viewer's table and exporting it again:
// typed columns, the reading rules, damaged quotes and long names, stops
// with their messages, unreadable files, and round trips of saved files.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <random>

#include "app/CsvTransfer.h"
#include "base/DateText.h"
#include "base/Exception.h"
#include "base/StringList.h"
#include "table/Field.h"
#include "tests/app/ViewerTestSupport.h"

namespace morvel {
namespace {

using testing_support::kInstructionsSample;
using testing_support::readFile;
using testing_support::writeFile;
using Strings = std::vector<std::string>;

class CsvTransferTest : public testing_support::ViewerTableTest {
 protected:
  CsvTransferTest() { progress.setVisible(false); }

  void import(const std::string& bytes) {
    writeFile(folder.file("in.csv"), bytes);
    transfer.importLines(folder.file("in.csv"));
  }
  // The message an import of bytes stops with; empty when it does not.
  std::string importFailure(const std::string& bytes) {
    try {
      import(bytes);
    } catch (const Exception& e) {
      return e.message();
    }
    return {};
  }
  std::string exported() {
    transfer.exportLines(folder.file("out.csv"));
    return readFile(folder.file("out.csv"));
  }
  // The display and the table's links are back to rest.
  void expectAtRest() {
    EXPECT_EQ(status.caption(), "");
    EXPECT_FALSE(progress.visible());
    EXPECT_FALSE(table.linksSuspended());
    EXPECT_NE(table.state(), stInsert);
  }

  StatusPane status;
  ProgressBar progress;
  testing_support::RecordingServices services{status, progress};
  CsvTransfer transfer{table, {status, progress, services}};
};

TEST_F(CsvTransferTest, TheInstructionsSampleGivesTypedColumnsAndTwoRecords) {
  import(kInstructionsSample);
  ASSERT_EQ(table.fieldTotal(), 14);
  const Strings names = {
      "ID",       "Part No.",       "Product",    "Order No.", "Priority",
      "Op. No.",  "Operation Name", "Resource",   "Quantity",  "Earliest Start Date",
      "Due Date", "Setup Start",    "Start Time", "End Time"};
  for (int i = 0; i < 14; ++i) {
    const Field& f = *table.field(i);
    EXPECT_EQ(f.fieldName(), names[i]);
    const FieldType type = i == 0 ? ftAutoInc : i <= 8 ? ftString : i <= 10 ? ftDate : ftDateTime;
    EXPECT_EQ(f.dataType(), type) << names[i];
    EXPECT_EQ(f.size(), type == ftString ? 100 : 0) << names[i];
  }
  EXPECT_EQ(rows(), Strings({"1|1-HFG|Splined Shaft|123FGH|10|10| Rough Turn Diameter|Lathe|19|"
                             "01/01/99|06/06/99|22/12/00 15:09:00|22/12/00 15:24:00|"
                             "25/12/00 13:44:00",
                             "2|1-HFG|Splined Shaft|123FGH|10|20| Mill Keyway|Machining Centre|19|"
                             "01/01/99|06/06/99|25/12/00 13:44:00|25/12/00 13:59:00|"
                             "26/12/00 08:47:00"}));
  EXPECT_EQ(services.shown, Strings({"Loading ... [bar]", "Redrawing screen ..."}));
  EXPECT_EQ(progress.totalParts(), 3);
  EXPECT_EQ(progress.partsComplete(), 2);
  EXPECT_EQ(formatSettings().centuryWindow, 20);
  expectAtRest();
}

TEST_F(CsvTransferTest, ReadingRulesReachTheStoredRecords) {
  // Short later lines leave blanks, a failed date sample makes text, empty
  // header fields are numbered (a taken "Blank1" is tried once more), text is
  // cut at 100 bytes and loses trailing blanks, and CR alone ends lines.
  const std::string wide(150, 'w');
  import("Blank1,,a,,d\r31/02/99,x,y,z,01/01/99\r" + wide + ",1\rq,\"p,q\",,  ,\r");
  Strings names;
  for (int i = 0; i < table.fieldTotal(); ++i) names.push_back(table.field(i)->fieldName());
  EXPECT_EQ(names, Strings({"ID", "Blank1", "Blank2", "a", "Blank3", "d"}));
  EXPECT_EQ(table.field(1)->dataType(), ftString);
  EXPECT_EQ(table.field(5)->dataType(), ftDate);
  EXPECT_EQ(rows(), Strings({"1|31/02/99|x|y|z|01/01/99", "2|" + std::string(100, 'w') + "|1|||",
                             "3|q|p,q|||"}));
}

TEST_F(CsvTransferTest, AQuoteLeftOpenEndsAtTheLastQuoteOfItsLine) {
  EXPECT_EQ(importFailure("Name,Size (in\"),Qty\r\n10,5\" bolt,steel\r\n"), "");
  Strings names;
  for (int i = 0; i < table.fieldTotal(); ++i) names.push_back(table.field(i)->fieldName());
  EXPECT_EQ(names, Strings({"ID", "Name", "Size (in)", "Qty"}));
  EXPECT_EQ(rows(), Strings({"1|10|5 bolt|steel"}));
}

TEST_F(CsvTransferTest, AThirtyCharacterNameFitsOnceItsSpacesAreTrimmed) {
  const std::string name(30, 'n');
  import("  " + name + " ,b\r\n1,2\r\n");
  ASSERT_TRUE(table.active());
  EXPECT_EQ(table.field(1)->fieldName(), name);
}

TEST_F(CsvTransferTest, TheDemoFileHasDateColumnsWhetherDaysOrMonthsComeFirst) {
  for (const char* order : {"dd/mm/yy", "mm/dd/yy"}) {
    dropTable();
    formatSettings().dateFormatShort = order;
    transfer.importLines(std::string(MORVEL_SAMPLES_DIR) + "/demo.csv");
    EXPECT_EQ(table.recordTotal(), 300) << order;
    EXPECT_EQ(table.field(9)->dataType(), ftDate) << order;
    EXPECT_EQ(table.field(13)->dataType(), ftDateTime) << order;
  }
}

TEST_F(CsvTransferTest, AnEmptyFileMakesNoTableAndShowsNothing) {
  import("");
  EXPECT_FALSE(table.active());
  EXPECT_TRUE(services.shown.empty());
  EXPECT_THROW(table.open(), Exception) << "no stored table";
  expectAtRest();
}

struct FailureCase {
  const char* what;
  std::string bytes;
  std::string message;
  int recordsKept;     // -1: no table
  std::string status;  // where and why, in plain words
};

void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.what; }

class ImportFailure : public CsvTransferTest, public testing::WithParamInterface<FailureCase> {};

TEST_P(ImportFailure, StopsWithItsMessageAndLeavesEverythingAtRest) {
  const FailureCase& c = GetParam();
  EXPECT_EQ(importFailure(c.bytes), c.message);
  EXPECT_EQ(readingStatusText(transfer.readingReport()), c.status);
  expectAtRest();
  if (c.recordsKept < 0) {
    EXPECT_FALSE(table.active());
  } else {
    ASSERT_TRUE(table.active());
    EXPECT_EQ(table.recordTotal(), c.recordsKept);
  }
}

const std::string kRefused =
    "Engine Error # 10038 Invalid or duplicate field name '%s' specified for table "
    "'memory.dat'";

std::string refused(const std::string& name) {
  return kRefused.substr(0, kRefused.find("%s")) + name + kRefused.substr(kRefused.find("%s") + 2);
}

const std::string kNothingLoaded = ". Stopped at line 1: no records loaded";

INSTANTIATE_TEST_SUITE_P(
    Table, ImportFailure,
    testing::Values(
        FailureCase{"HeaderOnly", "a,b\r\n", "List index out of bounds (1)", -1,
                    "Line 2 is missing: the columns take their types from it. "
                    "Stopped at line 2: no records loaded"},
        FailureCase{"ShortSecondLine", "a,b,c\r\n1,2\r\n", "List index out of bounds (2)", -1,
                    "Line 2 has 2 fields; the header has 3. Stopped at line 2: no records loaded"},
        FailureCase{"SameNameInOtherCase", "Name,NAME\r\n1,2\r\n",
                    "A component named NAME already exists", -1,
                    "Two columns are named 'Name' and 'NAME': column names must differ in more "
                    "than case" +
                        kNothingLoaded},
        FailureCase{"SameName", "a,a\r\n1,2\r\n", "A component named a already exists", -1,
                    "Two columns are named 'a'" + kNothingLoaded},
        FailureCase{
            "IdIsTaken", "id,b\r\n1,2\r\n", "A component named id already exists", -1,
            "No column can be named 'id': the record numbers take the name ID" + kNothingLoaded},
        FailureCase{"TrimmedDuplicate", "a, a\r\n1,2\r\n", refused("a"), -1,
                    "Two columns have the same name once spaces are trimmed: 'a'" + kNothingLoaded},
        FailureCase{"NameStartsWithDigit", "a,2024 Sales\r\n1,2\r\n", refused("2024 Sales"), -1,
                    "Column names must start with a letter: '2024 Sales'" + kNothingLoaded},
        FailureCase{"NameLongerThan30", "a," + std::string(31, 'n') + "\r\n1,2\r\n",
                    refused(std::string(31, 'n')), -1,
                    "Column names can have at most 30 characters: '" + std::string(31, 'n') + "'" +
                        kNothingLoaded},
        FailureCase{"SurplusField", "a,b\r\n1,2\r\n3,4\r\n5,6,7\r\n8,9\r\n",
                    "List index out of bounds (3)", 2,
                    "Line 4 has 3 fields; the header has 2. Stopped at line 4: 2 records loaded"},
        FailureCase{"BadDate", "a,Due Date\r\n1,01/01/99\r\n2,\r\n3,n/a\r\n",
                    "'n/a' is not a valid date", 2,
                    "Line 4, column 'Due Date': 'n/a' is not a date in this computer's "
                    "day/month/year order. Stopped at line 4: 2 records loaded"},
        FailureCase{"BadDateTime", "t\r\n22/12/00 15:09\r\n22/13/00 15:09\r\n",
                    "'22/13/00 15:09' is not a valid date and time", 1,
                    "Line 3, column 't': '22/13/00 15:09' is not a date and time in this "
                    "computer's day/month/year order. Stopped at line 3: 1 record loaded"}),
    [](const auto& info) { return info.param.what; });

TEST_F(CsvTransferTest, AStopSaysTheDateOrderOfThisComputer) {
  formatSettings().dateFormatShort = "M/d/yy";
  importFailure("d\r\n12/31/99\r\n31/12/99\r\n");
  EXPECT_EQ(readingStatusText(transfer.readingReport()),
            "Line 3, column 'd': '31/12/99' is not a date in this computer's month/day/year "
            "order. Stopped at line 3: 1 record loaded");
  dropTable();
  formatSettings().dateFormatShort = "yy/MM/dd";
  importFailure("d\r\n99/12/31\r\n99/31/12\r\n");
  EXPECT_EQ(readingStatusText(transfer.readingReport()),
            "Line 3, column 'd': '99/31/12' is not a date in this computer's year/month/day "
            "order. Stopped at line 3: 1 record loaded");
}

TEST_F(CsvTransferTest, ChangesMadeByReadingAreCounted) {
  // Cut: the 150-character value and the 101st character before spaces;
  // kept: 100 characters followed by spaces. Quotes lost: the inch mark in
  // the header and the doubled quote; quotes that only enclose lose nothing.
  const std::string cut1(150, 'c');
  const std::string cut2 = std::string(100, 'd') + "e  ";
  const std::string kept = std::string(100, 'k') + "    ";
  import("Name,Size (in\"),Note\r\n" + cut1 + ",1,\"p,q\"\r\n" + cut2 + ",2,\"a\"\"b\"\r\n" + kept +
         ",3,\"\"\r\nx,4,5\r\n" + std::string("tail,5,6\0,more\r\nlost,7,8\r\n", 26));
  ASSERT_EQ(table.recordTotal(), 5);
  const ReadingChanges& changes = transfer.readingReport().changes;
  EXPECT_EQ(changes.cutValues, 2);
  EXPECT_EQ(changes.quoteLines, 2);
  EXPECT_TRUE(changes.endedAtNul);
  EXPECT_FALSE(transfer.readingReport().stop.stopped);
  EXPECT_EQ(readingStatusText(transfer.readingReport()),
            "2 values were cut to 100 characters. Quote characters were dropped from the values "
            "of 2 lines. A NUL byte ended the file early: only 6 lines were read");
  dropTable();
  import("a,b\r\n\"x,y\",\"\"\r\n");
  EXPECT_FALSE(transfer.readingReport().changes.any());
  EXPECT_EQ(readingStatusText(transfer.readingReport()), "");
}

TEST_F(CsvTransferTest, AStopFarIntoTheFileKeepsEveryRecordBeforeItAndCountsWhatItRead) {
  // Lines are read ahead of the records stored: a stop thousands of lines
  // in must still keep exactly the records before it, and count the changes
  // of the lines up to it, the stopping line included.
  auto file = [](const std::string& stopLine) {
    std::string bytes = "Name,Due\r\n";
    for (int line = 2; line < 3001; ++line) {
      bytes += line % 100 == 0 ? "5\" bolt," : "bolt,";
      bytes += "01/01/99\r\n";
    }
    bytes += stopLine + "\r\n";
    for (int line = 3002; line < 6000; ++line) bytes += "nut,02/02/02\r\n";
    return bytes;
  };
  EXPECT_EQ(importFailure(file("5\" nut,31/02/99")), "'31/02/99' is not a valid date");
  EXPECT_EQ(table.recordTotal(), 2999);
  EXPECT_EQ(transfer.lineIndex(), 3000);
  EXPECT_EQ(readingStatusText(transfer.readingReport()),
            "Line 3,001, column 'Due': '31/02/99' is not a date in this computer's day/month/year "
            "order. Stopped at line 3,001: 2,999 records loaded. Quote characters were dropped "
            "from the values of 31 lines");
  expectAtRest();
  dropTable();
  EXPECT_EQ(importFailure(file("nut,01/01/99,surplus")), "List index out of bounds (3)");
  EXPECT_EQ(table.recordTotal(), 2999);
  EXPECT_EQ(readingStatusText(transfer.readingReport()),
            "Line 3,001 has 3 fields; the header has 2. Stopped at line 3,001: 2,999 records "
            "loaded. Quote characters were dropped from the values of 30 lines");
  expectAtRest();
  dropTable();
  import(file("nut,01/01/99"));
  EXPECT_EQ(table.recordTotal(), 5998);
  EXPECT_EQ(transfer.lineIndex(), 5999);
}

TEST_F(CsvTransferTest, AFileThatCannotBeReadIsReportedByName) {
  const std::string missing = folder.file("gone.csv");
  try {
    transfer.importLines(missing);
    FAIL();
  } catch (const FileOpenError& e) {
    EXPECT_EQ(e.message(), "Cannot open file " + missing);
  }
  EXPECT_EQ(readingStatusText(transfer.readingReport()),
            "The file could not be read. No records loaded");
  expectAtRest();
}

TEST_F(CsvTransferTest, ExportWritesTheInstructionsSampleBackInIdOrder) {
  import(std::string(kInstructionsSample) + "3-X,\"He said \"\"hi\"\"\",,,,,,,,,,,\r\n");
  table.goFirst();
  table.deleteCurrent();
  table.goLast();
  table.beginEdit();
  table.field(3)->setAsText("a \"b\"");
  table.postRecord();
  services.shown.clear();
  EXPECT_EQ(exported(),
            "\"Part No.\",Product,\"Order No.\",Priority,\"Op. No.\",\"Operation Name\",Resource,"
            "Quantity,\"Earliest Start Date\",\"Due Date\",\"Setup Start\",\"Start Time\","
            "\"End Time\"\r\n"
            "1-HFG,\"Splined Shaft\",123FGH,10,20,\" Mill Keyway\",\"Machining Centre\",19,"
            "01/01/99,06/06/99,\"25/12/00 13:44:00\",\"25/12/00 13:59:00\","
            "\"26/12/00 08:47:00\"\r\n"
            "3-X,\"He said hi\",\"a \"\"b\"\"\",,,,,,,,,,\r\n");
  EXPECT_EQ(services.shown, Strings({"Saving ... [bar]"}));
  EXPECT_EQ(progress.partsComplete(), 2);
  EXPECT_EQ(progress.percent(), 100);
  expectAtRest();
}

TEST_F(CsvTransferTest, ASavedFileOpensAgainWithMidnightDateTimesFirst) {
  // Written as the date alone, the midnight value on line 2 would type the
  // column as dates, and reading the saved file would stop at 15:09.
  import("When,What\r\n22/12/00 00:00,a\r\n22/12/00 15:09,b\r\n,c\r\n");
  const std::string saved = exported();
  EXPECT_EQ(saved, "When,What\r\n\"22/12/00 00:00:00\",a\r\n\"22/12/00 15:09:00\",b\r\n,c\r\n");
  dropTable();
  EXPECT_EQ(importFailure(saved), "");
  EXPECT_EQ(rows(), Strings({"1|22/12/00 00:00:00|a", "2|22/12/00 15:09:00|b", "3||c"}));
}

// Random values, with every byte that makes a value quoted and some that do
// not, blanks, dates and date-times, saved over hundreds of lines: every
// line is the comma text of a text list holding the record's value texts,
// with date-times always carrying their time.
TEST_F(CsvTransferTest, EveryLineIsTheCommaTextOfItsValues) {
  const std::string pieces[] = {"a", "Z",    " ",        "\"", ",", "\t",   "\x01", "\x1f",
                                "!", "\x7f", "\xc3\xa9", "'",  ";", "\"\"", "0"};
  for (const unsigned seed : {1u, 2u, 3u}) {
    SCOPED_TRACE(seed);
    std::mt19937 random(seed);
    // The table keeps a text without its trailing spaces.
    const auto randomText = [&] {
      std::string text;
      for (int n = static_cast<int>(random() % 8); n > 0; --n) text += pieces[random() % 15];
      while (!text.empty() && text.back() == ' ') text.pop_back();
      return text;
    };
    for (const bool lone : {false, true}) {
      dropTable();
      import(lone ? "Only\r\nx\r\n" : "Text,More,Day,When\r\nx,y,01/01/99,25/12/00 13:44\r\n");
      std::string expected = lone ? "Only\r\n" : "Text,More,Day,When\r\n";
      const auto expectLine = [&](const Strings& values) {
        StringList list;
        for (const std::string& value : values) list.append(value);
        expected += list.commaText();
        expected += "\r\n";
      };
      expectLine(lone ? Strings{"x"} : Strings{"x", "y", "01/01/99", "25/12/00 13:44:00"});
      // The last seed's lines pass between the reading and the writing
      // threads in several batches.
      const int records = seed == 3 ? 9000 : 600;
      for (int i = 0; i < records; ++i) {
        table.appendNew();
        Strings values{randomText()};
        table.field(1)->setAsText(values[0]);
        if (!lone) {
          values.push_back(randomText());
          table.field(2)->setAsText(values[1]);
          const DateTime day = static_cast<int>(random() % 60000);
          const DateTime when = (random() % 3 == 0) ? day : day + (random() % 86400) / 86400.0;
          const bool blankDay = random() % 5 == 0;
          const bool blankWhen = random() % 5 == 0;
          values.push_back(blankDay ? "" : dateToText(day));
          values.push_back(blankWhen ? "" : formatDateTimeText("ddddd tt", when));
          if (!blankDay) static_cast<DateTimeField*>(table.field(3))->setDateTimeValue(day);
          if (!blankWhen) static_cast<DateTimeField*>(table.field(4))->setDateTimeValue(when);
        }
        table.postRecord();
        expectLine(values);
      }
      ASSERT_EQ(exported(), expected) << (lone ? "one column" : "four columns");
    }
  }
}

// A table that has been changed after its import (records edited, deleted,
// added into the slots of deleted ones) and is large enough that its
// records lie in several blocks of memory: the save writes, line by line,
// what reading each record through the table's fields gives. Values are of
// every kind: texts with quotes, commas and blanks, texts of the full 100
// bytes, dates, date-times with and without a time of day, blanks.
TEST_F(CsvTransferTest, ASaveWritesWhatTheFieldsOfEveryRecordRead) {
  const std::string pieces[] = {"a", "Z", " ", "\"", ",", "\t", "\x01", "!", "\xc3\xa9", "0"};
  for (const unsigned seed : {4u, 5u}) {
    SCOPED_TRACE(seed);
    std::mt19937 random(seed);
    const auto randomText = [&] {
      std::string text;
      if (random() % 8 == 0) {
        // The whole 100 bytes, in one-byte pieces so that none is cut.
        while (text.size() < 100) text += pieces[random() % 8];
        return text;
      }
      for (int n = static_cast<int>(random() % 8); n > 0; --n) text += pieces[random() % 10];
      return text;
    };
    const auto fill = [&] {
      for (int f = 1; f <= 2; ++f) {
        const std::string text = random() % 6 == 0 ? std::string() : randomText();
        table.field(f)->setAsText(text);
      }
      auto& day = static_cast<DateTimeField&>(*table.field(3));
      auto& when = static_cast<DateTimeField&>(*table.field(4));
      const int dayNumber = static_cast<int>(random() % 3000) + 35000;
      if (random() % 5 == 0) {
        day.makeBlank();
      } else {
        day.setDateTimeValue(dayNumber);
      }
      switch (random() % 4) {
        case 0:
          when.makeBlank();
          break;
        case 1:
          when.setDateTimeValue(dayNumber);  // midnight
          break;
        default:
          when.setDateTimeValue(dayNumber + static_cast<double>(random() % 86400) / 86400.0);
      }
    };
    dropTable();
    import("Text,More,Day,When\r\nx,y,01/01/99,25/12/00 13:44\r\n");
    const int records = seed == 4 ? 12000 : 800;
    for (int i = 0; i < records; ++i) {
      table.appendNew();
      fill();
      table.postRecord();
    }
    for (int i = 0; i < records / 10; ++i) {
      table.goFirst();
      table.skip(static_cast<int>(random() % static_cast<unsigned>(table.recordTotal())));
      if (random() % 2 == 0) {
        table.deleteCurrent();
      } else {
        table.beginEdit();
        fill();
        table.postRecord();
      }
      if (random() % 3 == 0) {
        table.appendNew();
        fill();
        table.postRecord();
      }
    }
    std::string expected = "Text,More,Day,When\r\n";
    std::string text;
    for (table.goFirst(); !table.atEnd(); table.goNext()) {
      StringList values;
      for (int f = 1; f <= 4; ++f) {
        const Field& field = *table.field(f);
        if (f == 4 && !field.isBlank()) {
          formatDateTimeText(text, "ddddd tt",
                             static_cast<const DateTimeField&>(field).dateTimeValue());
        } else {
          text = field.asText();
        }
        values.append(text);
      }
      expected += values.commaText();
      expected += "\r\n";
    }
    ASSERT_EQ(exported(), expected);
  }
}

TEST_F(CsvTransferTest, ExportWithoutATableOrRecordsWritesAnEmptyFile) {
  writeFile(folder.file("out.csv"), "old contents");
  EXPECT_EQ(exported(), "");
  EXPECT_TRUE(services.shown.empty()) << "nothing is shown without records";
  import("a\r\n\"\"\r\n");
  EXPECT_EQ(exported(), "a\r\n\"\"\r\n") << "a lone empty value is written as two quotes";
  table.goFirst();
  table.deleteCurrent();
  EXPECT_EQ(exported(), "");
  expectAtRest();
}

TEST_F(CsvTransferTest, AReplacedFileKeepsItsPermissions) {
  const std::string out = folder.file("out.csv");
  writeFile(out, "old");
  ASSERT_EQ(::chmod(out.c_str(), 0640), 0);
  import("a\r\n1\r\n");
  EXPECT_EQ(exported(), "a\r\n1\r\n");
  struct stat st {};
  ASSERT_EQ(::stat(out.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(folder.names(), Strings({"in.csv", "out.csv"}));
}

// Makes writes beyond a few bytes fail the way a full disk does, for as long
// as it lives.
class TinyFileLimit {
 public:
  TinyFileLimit() {
    ::getrlimit(RLIMIT_FSIZE, &saved_);
    previous_ = ::signal(SIGXFSZ, SIG_IGN);
    rlimit tiny = saved_;
    tiny.rlim_cur = 4;
    ::setrlimit(RLIMIT_FSIZE, &tiny);
  }
  ~TinyFileLimit() {
    ::setrlimit(RLIMIT_FSIZE, &saved_);
    ::signal(SIGXFSZ, previous_);
  }

 private:
  rlimit saved_{};
  sighandler_t previous_;
};

TEST_F(CsvTransferTest, AFailedSaveLeavesTheOldFileAndNoTemporaryFile) {
  import(kInstructionsSample);
  const std::string out = folder.file("out.csv");
  writeFile(out, "precious");
  {
    TinyFileLimit limit;
    try {
      transfer.exportLines(out);
      ADD_FAILURE() << "the write should fail";
    } catch (const WriteError& e) {
      EXPECT_EQ(e.message(), "Stream write error");
    }
    try {
      transfer.exportLines(folder.file("new.csv"));
      ADD_FAILURE() << "the write should fail";
    } catch (const WriteError&) {
    }
  }
  EXPECT_EQ(readFile(out), "precious");
  EXPECT_EQ(folder.names(), Strings({"in.csv", "out.csv"})) << "a failed new name leaves nothing";
  expectAtRest();
}

// The lines are written on a second thread while the records are still
// being read: a write that fails there stops the reading too.
TEST_F(CsvTransferTest, AWriteThatFailsWhileRecordsAreReadStopsTheSave) {
  import("Text\r\nfirst\r\n");
  const std::string longText(90, 'x');
  for (int i = 0; i < 60000; ++i) {  // several megabytes of lines
    table.appendNew();
    table.field(1)->setAsText(longText + std::to_string(i));
    table.postRecord();
  }
  const std::string out = folder.file("out.csv");
  writeFile(out, "precious");
  {
    TinyFileLimit limit;
    EXPECT_THROW(transfer.exportLines(out), WriteError);
  }
  EXPECT_EQ(readFile(out), "precious");
  expectAtRest();
  EXPECT_LT(progress.partsComplete(), 60001) << "the walk stopped early";
  std::size_t size = std::string("Text\r\nfirst\r\n").size();
  for (int i = 0; i < 60000; ++i) size += longText.size() + std::to_string(i).size() + 2;
  EXPECT_EQ(exported().size(), size) << "the next save writes every line";
}

TEST_F(CsvTransferTest, SavesThatCannotHappenAreReportedAndLeaveTheTableWorking) {
  import(kInstructionsSample);
  const std::string intoMissingFolder = folder.file("no/such/folder.csv");
  try {
    transfer.exportLines(intoMissingFolder);
    ADD_FAILURE();
  } catch (const FileCreateError& e) {
    EXPECT_EQ(e.message(), "Cannot create file " + intoMissingFolder);
  }
  EXPECT_THROW(transfer.exportLines(folder.path()), FileCreateError) << "a folder";
  EXPECT_THROW(transfer.exportLines("/dev/full"), WriteError) << "a full device";
  expectAtRest();
  EXPECT_EQ(rows().size(), 2u);
}

TEST_F(CsvTransferTest, PermissionFailuresGiveTheFileMessages) {
  import(kInstructionsSample);
  const std::string secret = folder.file("secret.csv");
  writeFile(secret, kInstructionsSample);
  ASSERT_EQ(::chmod(secret.c_str(), 0), 0);
  ASSERT_EQ(::chmod(folder.path().c_str(), 0755), 0);
  const std::string locked = folder.file("locked");
  std::filesystem::create_directory(locked);
  writeFile(locked + "/kept.csv", "kept");
  ASSERT_EQ(::chmod((locked + "/kept.csv").c_str(), 0666), 0);
  ASSERT_EQ(::chmod(locked.c_str(), 0555), 0);
  testing_support::runWithoutPrivileges([&] {
    bool ok = false;
    try {
      transfer.importLines(secret);
    } catch (const FileOpenError& e) {
      ok = e.message() == "Cannot open file " + secret;
    }
    try {
      transfer.exportLines(locked + "/new.csv");
      ok = false;
    } catch (const FileCreateError& e) {
      ok = ok && e.message() == "Cannot create file " + locked + "/new.csv";
    }
    try {
      // The file is writable but its folder is not: it cannot be replaced.
      transfer.exportLines(locked + "/kept.csv");
      ok = false;
    } catch (const FileCreateError&) {
    }
    return ok && readFile(locked + "/kept.csv") == "kept" && table.recordTotal() == 2;
  });
}

}  // namespace
}  // namespace morvel
