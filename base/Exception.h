// The root of every failure the program raises: a std::exception carrying the
// message that the user eventually sees. Subsystems derive their own classes;
// the ones shared by the text lists and the date text live here too.
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

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

// An index outside a text list: "List index out of bounds (%d)".
class StringListError : public Exception {
 public:
  using Exception::Exception;
  static StringListError indexOutOfBounds(std::int64_t index);
};

// An index outside any other list: "List index out of bounds (%d)".
class ListError : public Exception {
 public:
  using Exception::Exception;
  static ListError indexOutOfBounds(std::int64_t index);
};

// Failures of reading or writing a whole file.
class StreamError : public Exception {
 public:
  using Exception::Exception;
};

// "Cannot open file %s": the file is missing, unreadable or not a file.
class FileOpenError : public StreamError {
 public:
  explicit FileOpenError(std::string_view fileName);
};

// "Cannot create file %s": the file cannot be created or truncated.
class FileCreateError : public StreamError {
 public:
  explicit FileCreateError(std::string_view fileName);
};

// "Stream write error": fewer bytes reached the file than were meant to.
class WriteError : public StreamError {
 public:
  WriteError();
};

// A text that does not convert to a value ("'%s' is not a valid date").
class ConvertError : public Exception {
 public:
  using Exception::Exception;
};

}  // namespace morvel
