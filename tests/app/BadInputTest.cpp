// Files no one should have to open, and the program opening them anyway:
// each ends in a clear message or a table, never in a crash, and the next
// file opens as usual.
#include <gtest/gtest.h>

#include <random>

#include "app/CsvTransfer.h"
#include "base/Exception.h"
#include "tests/app/ViewerTestSupport.h"

namespace morvel {
namespace {

using testing_support::writeFile;

class BadInputTest : public testing_support::ViewerTableTest {
 protected:
  // The message the import of bytes ends with; empty when it worked. The
  // table is dropped again afterwards, as opening the next file does.
  std::string importMessage(const std::string& bytes) {
    writeFile(folder.file("bad.csv"), bytes);
    std::string message;
    try {
      transfer.importLines(folder.file("bad.csv"));
    } catch (const Exception& e) {
      message = e.message();
    }
    EXPECT_FALSE(table.linksSuspended());
    EXPECT_EQ(status.caption(), "");
    dropTable();
    return message;
  }
  void expectTheNextFileOpens() {
    EXPECT_EQ(importMessage("a,b\r\n1,2\r\n"), "");
    writeFile(folder.file("good.csv"), "a,b\r\n1,2\r\n");
    transfer.importLines(folder.file("good.csv"));
    EXPECT_EQ(rows(), std::vector<std::string>({"1|1|2"}));
  }

  StatusPane status;
  ProgressBar progress;
  FakeServices services;
  CsvTransfer transfer{table, {status, progress, services}};
};

TEST_F(BadInputTest, AHeaderOfFiveThousandColumnsIsRefusedByTheEngine) {
  std::string header;
  std::string values;
  for (int i = 0; i < 5000; ++i) {
    header += (i ? ",c" : "c") + std::to_string(i);
    values += i ? ",v" : "v";
  }
  const std::string message = importMessage(header + "\r\n" + values + "\r\n");
  EXPECT_EQ(message.rfind("Engine Error # 9492 ", 0), 0u) << message;
  EXPECT_EQ(readingStatusText(transfer.readingReport()),
            "The header has 5,000 columns; at most 1,023 fit in a table. "
            "Stopped at line 1: no records loaded");
  expectTheNextFileOpens();
}

TEST_F(BadInputTest, AHugeSingleLineIsAHeaderWithoutRecords) {
  // 32 MB without a line end: one header line of 3 million columns.
  std::string line;
  line.reserve(32u << 20);
  while (line.size() < (32u << 20)) line += "column,";
  EXPECT_EQ(importMessage(line), "List index out of bounds (1)");
  expectTheNextFileOpens();
}

TEST_F(BadInputTest, BinaryGarbageEndsInAMessageOrATable) {
  std::mt19937 random(20240611);
  for (int round = 0; round < 20; ++round) {
    std::string bytes(4096, '\0');
    for (char& c : bytes) c = static_cast<char>(random() & 0xff);
    // Some rounds without NUL bytes, so the text does not end early.
    if (round % 2) std::replace(bytes.begin(), bytes.end(), '\0', 'x');
    importMessage(bytes);  // whatever it says, it says it as a message
  }
  expectTheNextFileOpens();
}

TEST_F(BadInputTest, AFolderOrADeviceIsNotReadAsAFile) {
  EXPECT_THROW(transfer.importLines(folder.path()), FileOpenError);
  EXPECT_THROW(transfer.importLines("/dev/zero"), FileOpenError) << "would never end";
  expectTheNextFileOpens();
}

}  // namespace
}  // namespace morvel
