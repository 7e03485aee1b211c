// Shared by the viewer's tests: a scratch folder, file helpers, the table
// the viewer keeps, and a display that remembers what it showed whenever
// the import or export let the screen be painted.
#pragma once

#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "platform/fake/FakeServices.h"
#include "status/ProgressBar.h"
#include "status/StatusPane.h"
#include "table/EngineTable.h"
#include "tests/TestSupport.h"
#include "tests/support/ViewerTable.h"

namespace morvel::testing_support {

// The sample of the Instructions page, with CR LF line ends.
inline const char* const kInstructionsSample =
    "Part No.,Product,Order No.,Priority,Op. No.,Operation Name,Resource,Quantity,"
    "Earliest Start Date,Due Date,Setup Start,Start Time,End Time\r\n"
    "1-HFG,Splined Shaft,123FGH,10,10, Rough Turn Diameter,Lathe,19,01/01/99,06/06/99,"
    "22/12/00 15:09,22/12/00 15:24,25/12/00 13:44\r\n"
    "1-HFG,Splined Shaft,123FGH,10,20, Mill Keyway,Machining Centre,19,01/01/99,06/06/99,"
    "25/12/00 13:44,25/12/00 13:59,26/12/00 08:47\r\n";

inline void writeFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// Runs check in a child process that has given up root's rights (as
// "nobody"), so that permission failures happen as they do for users; the
// child's exit status is the result. Skips when rights cannot be dropped.
inline void runWithoutPrivileges(const std::function<bool()>& check) {
  const passwd* nobody = ::getpwnam("nobody");
  if (!nobody) GTEST_SKIP() << "no unprivileged user";
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (::geteuid() == 0 && (::setgid(nobody->pw_gid) != 0 || ::setuid(nobody->pw_uid) != 0)) {
      ::_exit(2);
    }
    ::_exit(check() ? 0 : 1);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 2) GTEST_SKIP() << "cannot drop rights";
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

// Services that note the status text and the progress bar's state at every
// point where pending messages are processed.
class RecordingServices : public FakeServices {
 public:
  RecordingServices(StatusPane& status, ProgressBar& progress)
      : status_(status), progress_(progress) {}
  void processMessages() override {
    FakeServices::processMessages();
    shown.push_back(status_.caption() + (progress_.visible() ? " [bar]" : ""));
  }
  std::vector<std::string> shown;

 private:
  StatusPane& status_;
  ProgressBar& progress_;
};

// The viewer's table ("tblData", in memory) under dd/mm/yy, dropped before
// and after each test.
class ViewerTableTest : public ::testing::Test {
 protected:
  ViewerTableTest() : saved_(formatSettings()) {
    formatSettings() = ukFormatSettings();
    formatSettings().centuryWindow = 50;  // the import must set its own
    fixture::prepareViewerTable(table);
  }
  ~ViewerTableTest() override {
    dropTable();
    formatSettings() = saved_;
  }
  void dropTable() { fixture::dropViewerTable(table); }
  // Every record as its field texts joined by "|", in "ID" order.
  std::vector<std::string> rows() {
    std::vector<std::string> out;
    for (table.goFirst(); !table.atEnd(); table.goNext()) {
      std::string row;
      for (int i = 0; i < table.fieldTotal(); ++i) {
        if (i > 0) row += '|';
        row += table.field(i)->asText();
      }
      out.push_back(row);
    }
    return out;
  }

  FormatSettings saved_;
  EngineTable table{"tblData"};
  ScratchFolder folder;
};

}  // namespace morvel::testing_support
