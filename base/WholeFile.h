// Whole files read or written in one piece, failing with the program's file
// messages ("Cannot open file %s", "Cannot create file %s", "Stream write
// error"). The descriptor is closed again on every path.
#pragma once

#include <cstddef>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "base/BlockMemory.h"

namespace morvel {

// Closes a file descriptor on every path out of a read or a write.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  ~FileDescriptor();
  int get() const { return fd_; }
  // Closes now and reports whether the close succeeded (a deferred write
  // error can surface only here).
  bool close();

 private:
  int fd_;
};

// The bytes of a file being written, handed over in pieces. They gather in
// a buffer of a few megabytes that goes to the file whenever it fills, so a
// large file is never held whole in memory. Throws WriteError "Stream write
// error" when a piece does not reach the file.
class FileWriter {
 public:
  explicit FileWriter(int fd);
  FileWriter(const FileWriter&) = delete;
  FileWriter& operator=(const FileWriter&) = delete;

  void append(std::string_view bytes) {
    if (bytes.empty()) return;  // an empty view may hold no address at all
    if (kBufferSize - used_ < bytes.size()) {
      makeRoom(bytes);
      return;
    }
    std::memcpy(buffer_.get() + used_, bytes.data(), bytes.size());
    used_ += bytes.size();
  }
  void append(char c) {
    if (used_ == kBufferSize) flush();
    buffer_[used_++] = c;
  }
  // Writes what the buffer holds.
  void flush();

 private:
  static constexpr std::size_t kBufferSize = std::size_t(4) << 20;
  // Writes out the buffer, then bytes: into the buffer when they fit.
  void makeRoom(std::string_view bytes);

  int fd_;
  std::unique_ptr<char[]> buffer_;
  std::size_t used_ = 0;
};

// The bytes of a file: the first `size` bytes of `block` (the block may be
// larger).
struct FileContent {
  ByteBlock block;
  std::size_t size = 0;

  std::string_view view() const { return std::string_view(block.data(), size); }
};

// Every byte of the file, as it is. Throws FileOpenError when the file is
// missing, a folder, unreadable or fails while being read.
FileContent readWholeFile(const std::string& fileName);

// Creates or truncates the file and writes bytes to it. Throws
// FileCreateError when it cannot be created and WriteError when not every
// byte reached it; a partly written file stays behind.
void writeWholeFile(const std::string& fileName, std::string_view bytes);

}  // namespace morvel
