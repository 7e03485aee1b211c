// Helpers shared by the test folders: the date settings most tables are
// written for, a readable form of arbitrary bytes for test names, a scratch
// folder, reading a file whole, and running a shell command to its end.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "base/FormatSettings.h"

namespace morvel::testing_support {

// A fresh folder under the system's temporary folder, removed afterwards.
class ScratchFolder {
 public:
  ScratchFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "morvel-test-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data()) ? pattern : std::string();
  }
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(path_, ignored);
  }
  std::string file(const std::string& name) const { return path_ + "/" + name; }
  const std::string& path() const { return path_; }
  // The names in the folder, sorted.
  std::vector<std::string> names() const {
    std::vector<std::string> out;
    for (const auto& entry : std::filesystem::directory_iterator(path_)) {
      out.push_back(entry.path().filename().string());
    }
    std::sort(out.begin(), out.end());
    return out;
  }

 private:
  std::string path_;
};

// dd/mm/yy with "/", 24-hour "hh:mm:ss" with ":", a century window of 20 and
// the current year fixed at 2024.
inline FormatSettings ukFormatSettings() {
  FormatSettings s;
  s.dateFormatShort = "dd/mm/yy";
  s.dateSep = '/';
  s.timeSep = ':';
  s.centuryWindow = 20;
  s.clock = std::make_shared<FixedYearClock>(2024);
  s.buildTimeFormats(ClockStyle{true, false, false});
  return s;
}

// Printable ASCII as it is, every other byte as \xNN, so that test names
// stay plain text whatever bytes a case holds.
inline std::string printableBytes(std::string_view bytes) {
  static const char kHex[] = "0123456789abcdef";
  std::string out;
  for (const char c : bytes) {
    const unsigned char b = static_cast<unsigned char>(c);
    if (b >= 0x20 && b < 0x7f) {
      out += c;
    } else {
      out += "\\x";
      out += kHex[b >> 4];
      out += kHex[b & 15];
    }
  }
  return out;
}

// The bytes of a file; empty when it cannot be read.
inline std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

// What a shell command wrote to its standard output, and its exit status
// (-1 when it did not exit normally). Redirections are the caller's.
struct CommandRun {
  int status = -1;
  std::string output;
};

inline CommandRun runShellCommand(const std::string& command) {
  CommandRun run;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return run;
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, pipe)) run.output += buffer;
  const int status = ::pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

}  // namespace morvel::testing_support
