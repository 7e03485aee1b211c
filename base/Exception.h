// The root of every failure the program raises: a std::exception carrying the
// message that the user eventually sees. Subsystems derive their own classes.
#pragma once

#include <exception>
#include <string>

namespace morvel {

class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : message_(std::move(message)) {}
  const char* what() const noexcept override { return message_.c_str(); }
  const std::string& message() const noexcept { return message_; }

 private:
  std::string message_;
};

// The silent exception: it unwinds like any other, but the user-interface
// loop shows nothing for it.
class Abort : public Exception {
 public:
  Abort() : Exception("Operation aborted") {}
};

}  // namespace morvel
