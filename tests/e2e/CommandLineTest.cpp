// The real program started from a command line, without a person: it says
// what is wrong and ends with a status a script can act on, whether the
// display is missing or the file given will not read.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "tests/e2e/X11Session.h"

namespace morvel {
namespace {

using testing_support::ProgramRun;
using testing_support::runProgram;

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

class CommandLine : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = std::filesystem::temp_directory_path() /
             ("morvel-cli-" + std::to_string(::getpid()) + "-" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(folder);
  }
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
  }
  std::string file(const std::string& name, const std::string& bytes = {}) const {
    const std::string path = (folder / name).string();
    if (!bytes.empty()) std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
  // The program on the offscreen platform, in the C locale's date order.
  ProgramRun offscreen(const std::vector<std::string>& args) const {
    std::vector<std::string> argv{MORVEL_BINARY};
    argv.insert(argv.end(), args.begin(), args.end());
    return runProgram(argv, {"QT_QPA_PLATFORM=offscreen", "LC_ALL=C.UTF-8"});
  }

  std::filesystem::path folder;
};

TEST_F(CommandLine, WithoutADisplayItSaysWhatIsMissingAndHowToRunIt) {
  const ProgramRun run =
      runProgram({MORVEL_BINARY, file("in.csv", "a\r\n1\r\n")}, {},
                 {"DISPLAY", "WAYLAND_DISPLAY", "WAYLAND_SOCKET", "QT_QPA_PLATFORM"});
  EXPECT_EQ(run.status, 3) << run.output;
  EXPECT_TRUE(contains(run.output, "neither DISPLAY nor WAYLAND_DISPLAY is set")) << run.output;
  EXPECT_TRUE(contains(run.output, "xvfb-run morvel FILE.csv")) << run.output;
}

TEST_F(CommandLine, ADisplayThatCannotBeReachedEndsTheSameWay) {
  const ProgramRun run =
      runProgram({MORVEL_BINARY}, {"DISPLAY=:59999", "QT_QPA_PLATFORM=xcb"}, {"WAYLAND_DISPLAY"});
  EXPECT_EQ(run.status, 3) << run.output;
  EXPECT_TRUE(contains(run.output, "no display to show the window on")) << run.output;
  EXPECT_FALSE(contains(run.output, "Reinstalling")) << run.output;
}

TEST_F(CommandLine, AScreenshotOfAFailingFileEndsByItselfAndSaysWhy) {
  const std::string picture = file("shot.png");
  const ProgramRun run =
      offscreen({"--screenshot", picture, file("bad.csv", "d\r\n01/01/99\r\nn/a\r\n")});
  EXPECT_EQ(run.status, 1) << run.output;
  EXPECT_TRUE(contains(run.output, "morvel: 'n/a' is not a valid date.\n")) << run.output;
  EXPECT_TRUE(contains(run.output,
                       "morvel: status bar: Line 3, column 'd': 'n/a' is not a date in this "
                       "computer's month/day/year order. Stopped at line 3: 1 record loaded\n"))
      << run.output;
  EXPECT_GT(std::filesystem::file_size(picture), 0u) << "the picture is written all the same";

  const ProgramRun good =
      offscreen({"--screenshot", picture, file("good.csv", "d\r\n01/01/99\r\n")});
  EXPECT_EQ(good.status, 0) << good.output;
}

TEST_F(CommandLine, AFileThatCannotOpenIsNamedWithTheReason) {
  const std::string missing = (folder / "missing.csv").string();
  const ProgramRun run = offscreen({"--screenshot", file("shot.png"), missing});
  EXPECT_EQ(run.status, 1) << run.output;
  EXPECT_TRUE(contains(run.output, "morvel: Cannot open " + missing + ": there is no such file.\n"))
      << run.output;
  const ProgramRun folderRun = offscreen({"--screenshot", file("shot.png"), folder.string()});
  EXPECT_EQ(folderRun.status, 1) << folderRun.output;
  EXPECT_TRUE(contains(folderRun.output, "it is a folder, not a file.")) << folderRun.output;
}

TEST_F(CommandLine, UnderALocaleWithDaysFirstDatesReadDayFirst) {
  // The README's advice: LC_TIME=en_GB.UTF-8 morvel FILE. A machine that
  // has not installed that locale gets it built here from its sources.
  std::vector<std::string> env = {"QT_QPA_PLATFORM=offscreen", "LC_TIME=en_GB.UTF-8"};
  const ProgramRun installed = runProgram({"locale", "-a"}, {});
  if (!contains(installed.output, "en_GB.utf8")) {
    const std::string locales = (folder / "locales").string();
    std::filesystem::create_directories(locales);
    const ProgramRun made =
        runProgram({"localedef", "-i", "en_GB", "-f", "UTF-8", locales + "/en_GB.UTF-8"}, {});
    if (made.status != 0) GTEST_SKIP() << "cannot build en_GB.UTF-8: " << made.output;
    env.push_back("LOCPATH=" + locales);
  }
  // 31/12/99 is no month-first date: it stops a month-first read at line 3.
  const std::string csv = file("due.csv", "Due\r\n12/01/99\r\n31/12/99\r\n");
  const std::vector<std::string> args = {MORVEL_BINARY, "--screenshot", file("shot.png"), csv};
  const ProgramRun dayFirst = runProgram(args, env, {"LC_ALL"});
  EXPECT_EQ(dayFirst.status, 0) << dayFirst.output;
  EXPECT_FALSE(contains(dayFirst.output, "status bar")) << dayFirst.output;

  const ProgramRun monthFirst =
      runProgram(args, {"QT_QPA_PLATFORM=offscreen", "LC_TIME=C"}, {"LC_ALL"});
  EXPECT_EQ(monthFirst.status, 1) << monthFirst.output;
  EXPECT_TRUE(contains(monthFirst.output, "month/day/year order. Stopped at line 3"))
      << monthFirst.output;
}

TEST_F(CommandLine, VersionHelpAndWrongArgumentsNeedNoDisplay) {
  const std::vector<std::string> noDisplay = {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"};
  const ProgramRun version = runProgram({MORVEL_BINARY, "--version"}, {}, noDisplay);
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.output, std::string("Morvel Version ") + MORVEL_VERSION + "\n");
  const ProgramRun help = runProgram({MORVEL_BINARY, "--help"}, {}, noDisplay);
  EXPECT_EQ(help.status, 0);
  EXPECT_TRUE(contains(help.output, "LC_TIME=en_GB.UTF-8 morvel FILE.csv")) << help.output;
  const ProgramRun wrong = runProgram({MORVEL_BINARY, "--frobnicate"}, {}, noDisplay);
  EXPECT_EQ(wrong.status, 2);
  EXPECT_TRUE(contains(wrong.output, "unknown option --frobnicate")) << wrong.output;
}

}  // namespace
}  // namespace morvel
