// The real program on a private X server, driven by real input events: it
// opens the file named on its command line, the user works in the grid and
// saves through the Save As dialog, and the saved bytes are compared.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/e2e/X11Session.h"

namespace morvel {
namespace {

using testing_support::ChildProcess;
using testing_support::waitFor;
using testing_support::X11Session;

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

class ViewerEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!session.ok()) GTEST_SKIP() << "Xvfb or xdotool is not available";
    folder = std::filesystem::temp_directory_path() /
             ("morvel-e2e-" + std::to_string(::getpid()) + "-" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(folder);
  }
  void TearDown() override {
    program.reset();
    std::error_code ignored;
    if (!folder.empty()) std::filesystem::remove_all(folder, ignored);
  }
  std::string file(const std::string& name) const { return (folder / name).string(); }

  // Starts morvel on the file and waits for its main window; the window id.
  std::string startOn(const std::string& csv) {
    program = session.start({MORVEL_BINARY, csv});
    std::string id;
    waitFor([&] {
      id = session.xdotool({"search", "--onlyvisible", "--name", "^Morvel by Pellam"}, true);
      return !id.empty() || !program->running();
    });
    return id.substr(0, id.find('\n'));
  }
  // Waits for a visible window whose title matches, and gives it the focus.
  std::string focusWindow(const std::string& title) {
    std::string id;
    waitFor([&] {
      id = session.xdotool({"search", "--onlyvisible", "--name", title}, true);
      return !id.empty();
    });
    id = id.substr(0, id.find('\n'));
    if (!id.empty()) session.xdotool({"windowfocus", "--sync", id}, true);
    return id;
  }

  X11Session session;
  std::filesystem::path folder;
  std::unique_ptr<ChildProcess> program;
};

TEST_F(ViewerEndToEnd, OpensTheFileGivenAndSavesItThroughTheDialog) {
  const std::string input = file("in.csv");
  std::ofstream(input, std::ios::binary)
      << "Name,Born,Seen\r\nAnn Lee,01/02/99,03/04/00 05:06\r\nBob,,\r\n";
  const std::string window = startOn(input);
  ASSERT_FALSE(window.empty()) << "the main window did not appear";
  session.xdotool({"windowfocus", "--sync", window});

  // The file is loaded once the status text is gone; saving waits for it by
  // being queued behind it. Ctrl+Shift+S opens Save As.
  session.xdotool({"key", "--clearmodifiers", "ctrl+shift+s"});
  ASSERT_FALSE(focusWindow("^Save As$").empty()) << "no Save As dialog";
  const std::string target = file("saved");
  session.xdotool({"type", "--delay", "5", target});
  session.xdotool({"key", "Return"});
  ASSERT_TRUE(waitFor([&] { return std::filesystem::exists(target + ".CSV"); }))
      << "nothing was saved";

  // Dates follow the locale the program runs under; the test's environment
  // gives the default m/d/yy order, under which 01/02/99 is January 2nd.
  const std::string saved = readFile(target + ".CSV");
  EXPECT_EQ(saved.substr(0, 16), "Name,Born,Seen\r\n");
  EXPECT_NE(saved.find("\"Ann Lee\","), std::string::npos) << saved;
  EXPECT_NE(saved.find("\r\nBob,,\r\n"), std::string::npos) << saved;

  session.xdotool({"windowfocus", "--sync", window}, true);
  session.xdotool({"key", "--clearmodifiers", "ctrl+q"});
  EXPECT_EQ(program->wait(std::chrono::seconds(10)), 0) << "Ctrl+Q ends the program";
}

}  // namespace
}  // namespace morvel
