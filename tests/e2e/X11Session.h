// Runs programs on a private X server for the end-to-end tests: a virtual
// framebuffer server (Xvfb) on a display of its own choosing, the program
// under test on it, and xdotool to send real input events to its windows.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tests/TestSupport.h"

namespace morvel::testing_support {

// The full path of a program found on PATH; empty when there is none.
std::string findProgram(const std::string& name);

// A started child process, stopped (TERM, then KILL) when destroyed.
class ChildProcess {
 public:
  ChildProcess(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv,
               int keepFd = -1);
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  pid_t pid() const { return pid_; }
  // Whether it is still running (reaping it if it ended).
  bool running();
  // Waits for it to end; its exit status, or -1 when it did not end in time.
  int wait(std::chrono::milliseconds timeout);

 private:
  pid_t pid_ = -1;
  int status_ = -1;
};

// What a finished program printed (standard output and error together)
// and its exit status; 124 when it had to be stopped after the time given.
using ProgramRun = CommandRun;

// Runs a program to its end with the variables of `env` set ("NAME=value")
// and those of `unset` removed, and no more than `seconds` to finish.
ProgramRun runProgram(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                      const std::vector<std::string>& unset = {}, int seconds = 60);

// Polls until ready() answers true; false when the timeout passes first.
bool waitFor(const std::function<bool()>& ready,
             std::chrono::milliseconds timeout = std::chrono::seconds(20));

class X11Session {
 public:
  // Starts Xvfb; ok() tells whether it came up.
  X11Session();
  ~X11Session();

  bool ok() const { return !display_.empty(); }
  const std::string& display() const { return display_; }

  // Starts a program on the display.
  std::unique_ptr<ChildProcess> start(const std::vector<std::string>& argv) const;

  // Runs xdotool with the arguments on the display; its standard output,
  // trimmed. Fails the test when xdotool fails and mayFail is false.
  std::string xdotool(const std::vector<std::string>& args, bool mayFail = false) const;

 private:
  std::unique_ptr<ChildProcess> server_;
  std::string display_;
};

}  // namespace morvel::testing_support
