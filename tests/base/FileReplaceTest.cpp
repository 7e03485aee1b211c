// Replacing a file from pieces handed over as they are made: large texts
// reach the file whole and in order, and a failure part-way leaves the old
// file and nothing else.
#include <gtest/gtest.h>
#include <unistd.h>

#include <random>
#include <stdexcept>

#include "base/Exception.h"
#include "base/FileReplace.h"
#include "tests/TestSupport.h"

namespace morvel {
namespace {

using testing_support::readFile;
using testing_support::ScratchFolder;

TEST(FileReplace, PiecesOfEverySizeReachTheFileInOrder) {
  // Single bytes, short runs and one piece larger than the writer's buffer,
  // over several buffers' worth in all.
  ScratchFolder folder;
  std::mt19937 random(7);
  std::string expected;
  std::vector<std::string> pieces;
  while (expected.size() < (std::size_t(13) << 20)) {
    const std::size_t length =
        expected.size() > (std::size_t(6) << 20) && expected.size() < (std::size_t(7) << 20)
            ? std::size_t(5) << 20
            : random() % 300;
    std::string piece(length, '\0');
    for (char& c : piece) c = static_cast<char>('a' + random() % 26);
    expected += piece;
    pieces.push_back(std::move(piece));
  }
  const std::string target = folder.file("out.csv");
  replaceFileContents(target, [&](FileWriter& writer) {
    for (const std::string& piece : pieces) {
      writer.append(std::string_view());  // an empty value, as a blank field gives
      if (piece.size() == 1) {
        writer.append(piece[0]);
      } else {
        writer.append(piece);
      }
    }
  });
  EXPECT_TRUE(readFile(target) == expected);
  EXPECT_EQ(folder.names(), std::vector<std::string>{"out.csv"});
}

TEST(FileReplace, AFailureWhileTheBytesAreMadeLeavesTheOldFile) {
  // The failure comes after the writer has already sent buffers to the
  // temporary file.
  ScratchFolder folder;
  const std::string target = folder.file("out.csv");
  replaceFileContents(target, "precious");
  EXPECT_THROW(replaceFileContents(target,
                                   [](FileWriter& writer) {
                                     writer.append(std::string(std::size_t(9) << 20, 'x'));
                                     writer.append(std::string(100, 'y'));
                                     throw std::runtime_error("no more");
                                   }),
               std::runtime_error);
  EXPECT_EQ(readFile(target), "precious");
  EXPECT_EQ(folder.names(), std::vector<std::string>{"out.csv"});
}

TEST(FileReplace, ADeviceIsWrittenInPlace) {
  if (::access("/dev/null", W_OK) == 0) {
    EXPECT_NO_THROW(replaceFileContents("/dev/null", [](FileWriter& writer) {
      writer.append(std::string(std::size_t(5) << 20, 'x'));
    }));
  }
  if (::access("/dev/full", W_OK) == 0) {
    try {
      replaceFileContents("/dev/full", [](FileWriter& writer) { writer.append("a,b\r\n"); });
      ADD_FAILURE() << "a full device takes no bytes";
    } catch (const WriteError& e) {
      EXPECT_EQ(e.message(), "Stream write error");
    }
  }
}

}  // namespace
}  // namespace morvel
