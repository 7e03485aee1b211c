// The Debian package as a packager and an installer see it: packed from this
// build with cpack, read back with dpkg-deb. It names the Qt runtime it needs,
// holds the program and everything around it and nothing else, and what it
// holds is valid: a manual page with its sections, AppStream data that
// validates, a desktop entry that starts the program with its icon.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "tests/TestSupport.h"

namespace morvel {
namespace {

using Strings = std::vector<std::string>;

using testing_support::CommandRun;
using testing_support::readFile;

// Runs a command line to its end; its output, standard error included.
CommandRun shell(const std::string& command) {
  return testing_support::runShellCommand(command + " 2>&1");
}

// A command line of words, each quoted for the shell.
std::string words(std::initializer_list<std::string> list) {
  std::string command;
  for (const std::string& word : list) {
    if (!command.empty()) command += ' ';
    command += '\'';
    command += word;
    command += '\'';
  }
  return command;
}

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// One package for every test: packing takes a while.
class DebianPackage : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder_ = new std::filesystem::path(std::filesystem::temp_directory_path() /
                                        ("morvel-package-" + std::to_string(::getpid())));
    std::filesystem::create_directories(*folder_);
    packing_ = new CommandRun(shell(words(
        {MORVEL_CPACK, "-G", "DEB", "--config", MORVEL_CPACK_CONFIG, "-B", folder_->string()})));
  }
  static void TearDownTestSuite() {
    std::error_code ignored;
    std::filesystem::remove_all(*folder_, ignored);
    delete folder_;
    delete packing_;
  }
  void SetUp() override {
    if (shell("command -v dpkg-deb").status != 0) GTEST_SKIP() << "dpkg-deb is not installed";
    ASSERT_EQ(packing_->status, 0) << packing_->output;
    ASSERT_TRUE(std::filesystem::exists(deb())) << packing_->output;
  }
  static std::string deb() {
    const std::string arch = shell("dpkg --print-architecture").output;
    return (*folder_ / ("morvel_" + std::string(MORVEL_VERSION) + "_" +
                        arch.substr(0, arch.find('\n')) + ".deb"))
        .string();
  }
  // The package unpacked into a folder of its own.
  static std::filesystem::path unpacked() {
    const std::filesystem::path root = *folder_ / "root";
    if (!std::filesystem::exists(root)) shell(words({"dpkg-deb", "-x", deb(), root.string()}));
    return root;
  }

  static std::filesystem::path* folder_;
  static CommandRun* packing_;
};

std::filesystem::path* DebianPackage::folder_ = nullptr;
CommandRun* DebianPackage::packing_ = nullptr;

TEST_F(DebianPackage, IsNamedAfterTheVersionAndDependsOnTheQtRuntime) {
  const CommandRun info = shell(words({"dpkg-deb", "-I", deb()}));
  ASSERT_EQ(info.status, 0) << info.output;
  EXPECT_TRUE(contains(info.output, "\n Package: morvel\n")) << info.output;
  EXPECT_TRUE(contains(info.output, std::string("\n Version: ") + MORVEL_VERSION + "\n"))
      << info.output;
  const std::string depends = info.output.substr(info.output.find(" Depends: "));
  const std::string line = depends.substr(0, depends.find('\n'));
  for (const char* package :
       {"libqt6core6", "libqt6gui6", "libqt6widgets6", "qt6-qpa-plugins", "libstdc++6", "libc6"}) {
    EXPECT_TRUE(contains(line, package)) << package << " missing from" << line;
  }
  EXPECT_FALSE(contains(line, "gtest")) << line;
  EXPECT_FALSE(contains(line, "sqlite")) << line;
}

TEST_F(DebianPackage, HoldsTheProgramAndWhatGoesWithItAndNothingElse) {
  const CommandRun list = shell(words({"dpkg-deb", "-c", deb()}));
  ASSERT_EQ(list.status, 0) << list.output;
  Strings files;
  std::istringstream lines(list.output);
  for (std::string entry; std::getline(lines, entry);) {
    if (entry.empty() || entry[0] == 'd') continue;  // folders
    files.push_back(entry.substr(entry.rfind(" ./") + 1));
  }
  std::sort(files.begin(), files.end());
  EXPECT_EQ(files, Strings({"./usr/bin/morvel", "./usr/share/applications/morvel.desktop",
                            "./usr/share/icons/hicolor/scalable/apps/morvel.svg",
                            "./usr/share/man/man1/morvel.1.gz",
                            "./usr/share/metainfo/example.pellam.morvel.metainfo.xml"}));
  EXPECT_TRUE(contains(list.output, "-rwxr-xr-x root/root")) << "the program is executable";
}

TEST_F(DebianPackage, ItsProgramRunsAndItsDescriptionsAgreeWithIt) {
  const std::filesystem::path root = unpacked();
  const CommandRun version = shell(words({(root / "usr/bin/morvel").string(), "--version"}));
  EXPECT_EQ(version.output, std::string("Morvel Version ") + MORVEL_VERSION + "\n");

  const std::string desktop = readFile((root / "usr/share/applications/morvel.desktop").string());
  EXPECT_TRUE(contains(desktop, "\nExec=morvel %f\n")) << desktop;
  EXPECT_TRUE(contains(desktop, "\nIcon=morvel\n")) << desktop;
  EXPECT_TRUE(contains(desktop, "MimeType=text/csv;")) << desktop;

  const std::filesystem::path metainfo =
      root / "usr/share/metainfo/example.pellam.morvel.metainfo.xml";
  const std::string xml = readFile(metainfo.string());
  EXPECT_TRUE(contains(xml, "<launchable type=\"desktop-id\">morvel.desktop</launchable>"));
  EXPECT_TRUE(contains(xml, std::string("<release version=\"") + MORVEL_VERSION + "\""));
}

TEST_F(DebianPackage, ItsAppStreamDataValidates) {
  if (shell("command -v appstreamcli").status != 0) GTEST_SKIP() << "appstreamcli is missing";
  const std::filesystem::path metainfo =
      unpacked() / "usr/share/metainfo/example.pellam.morvel.metainfo.xml";
  const CommandRun check =
      shell(words({"appstreamcli", "validate", "--no-net", metainfo.string()}));
  EXPECT_EQ(check.status, 0) << check.output;
  EXPECT_FALSE(contains(check.output, "W: ")) << check.output;
  EXPECT_FALSE(contains(check.output, "E: ")) << check.output;
}

TEST_F(DebianPackage, ItsManualPageCoversUseOptionsKeysFilesAndTheLocale) {
  const CommandRun page =
      shell(words({"gzip", "-dc", (unpacked() / "usr/share/man/man1/morvel.1.gz").string()}));
  ASSERT_EQ(page.status, 0) << page.output;
  for (const char* section : {".SH NAME", ".SH SYNOPSIS", ".SH DESCRIPTION", ".SH OPTIONS",
                              ".SH KEYS", ".SH LOCALE", ".SH FILES", ".SH EXIT STATUS"}) {
    EXPECT_TRUE(contains(page.output, section)) << section;
  }
  EXPECT_TRUE(contains(page.output, std::string("\"Morvel ") + MORVEL_VERSION + "\""));
  EXPECT_TRUE(contains(page.output, "LC_TIME=en_GB.UTF-8 morvel"));
  EXPECT_FALSE(contains(page.output, "@PROJECT_VERSION@"));
}

}  // namespace
}  // namespace morvel
