// Child processes, Xvfb and xdotool for the end-to-end tests; see X11Session.h.
#include "tests/e2e/X11Session.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <sstream>
#include <thread>

extern char** environ;

namespace morvel::testing_support {

std::string findProgram(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::stringstream dirs(path ? path : "/usr/bin:/bin");
  std::string dir;
  while (std::getline(dirs, dir, ':')) {
    const std::string candidate = dir + "/" + name;
    if (::access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return {};
}

ChildProcess::ChildProcess(const std::vector<std::string>& argv,
                           const std::vector<std::string>& extraEnv, int keepFd) {
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) env.emplace_back(*e);
  for (const std::string& extra : extraEnv) {
    const std::string key = extra.substr(0, extra.find('=') + 1);
    std::erase_if(env, [&](const std::string& e) { return e.rfind(key, 0) == 0; });
    env.push_back(extra);
  }
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  std::vector<char*> envp;
  for (const std::string& e : env) envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);

  pid_ = ::fork();
  if (pid_ == 0) {
    // Quiet children: their chatter is not the test's output.
    const int null = ::open("/dev/null", O_RDWR);
    ::dup2(null, 0);
    ::dup2(null, 1);
    if (keepFd < 0) ::dup2(null, 2);
    if (keepFd >= 0) ::fcntl(keepFd, F_SETFD, 0);
    ::execve(args[0], args.data(), envp.data());
    ::_exit(127);
  }
}

ChildProcess::~ChildProcess() {
  if (pid_ > 0 && running()) {
    ::kill(pid_, SIGTERM);
    if (wait(std::chrono::seconds(5)) == -1) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }
}

bool ChildProcess::running() {
  if (pid_ <= 0 || status_ != -1) return false;
  int status = 0;
  const pid_t r = ::waitpid(pid_, &status, WNOHANG);
  if (r == 0) return true;
  status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return false;
}

int ChildProcess::wait(std::chrono::milliseconds timeout) {
  waitFor([&] { return !running(); }, timeout);
  return status_;
}

namespace {

// Appends a word to a shell command, quoted so the shell takes it as it is.
void appendWord(std::string& command, const std::string& word) {
  command += " '";
  for (const char c : word) {
    if (c == '\'') {
      command += "'\\''";
    } else {
      command += c;
    }
  }
  command += '\'';
}

}  // namespace

ProgramRun runProgram(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                      const std::vector<std::string>& unset, int seconds) {
  std::string command = "timeout " + std::to_string(seconds) + " env";
  for (const std::string& name : unset) {
    command += " -u";
    appendWord(command, name);
  }
  for (const std::string& e : env) appendWord(command, e);
  for (const std::string& a : argv) appendWord(command, a);
  command += " </dev/null 2>&1";
  return runShellCommand(command);
}

bool waitFor(const std::function<bool()>& ready, std::chrono::milliseconds timeout) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (!ready()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return true;
}

X11Session::X11Session() {
  const std::string xvfb = findProgram("Xvfb");
  if (xvfb.empty() || findProgram("xdotool").empty()) return;
  int fds[2];
  if (::pipe(fds) != 0) return;
  // The server picks a free display and writes its number to the pipe.
  server_ = std::make_unique<ChildProcess>(
      std::vector<std::string>{xvfb, "-displayfd", std::to_string(fds[1]), "-screen", "0",
                               "1024x768x24", "-nolisten", "tcp"},
      std::vector<std::string>{}, fds[1]);
  ::close(fds[1]);
  std::string number;
  pollfd p{fds[0], POLLIN, 0};
  while (::poll(&p, 1, 15000) > 0) {
    char c;
    if (::read(fds[0], &c, 1) != 1 || c == '\n') break;
    number += c;
  }
  ::close(fds[0]);
  if (!number.empty()) display_ = ":" + number;
}

X11Session::~X11Session() = default;

std::unique_ptr<ChildProcess> X11Session::start(const std::vector<std::string>& argv) const {
  return std::make_unique<ChildProcess>(
      argv, std::vector<std::string>{"DISPLAY=" + display_, "QT_QPA_PLATFORM=xcb"});
}

std::string X11Session::xdotool(const std::vector<std::string>& args, bool mayFail) const {
  // A waiting xdotool command (--sync) could wait for ever: it gets 15 s.
  std::string command = "DISPLAY=" + display_ + " timeout 15 xdotool";
  for (const std::string& a : args) appendWord(command, a);
  command += " 2>/dev/null";
  const CommandRun run = runShellCommand(command);
  std::string out = run.output;
  if (run.status != 0 && !mayFail) ADD_FAILURE() << "xdotool failed: " << command;
  while (!out.empty() && (out.back() == '\n' || out.back() == ' ')) out.pop_back();
  return out;
}

}  // namespace morvel::testing_support
