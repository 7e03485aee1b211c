// Whole-file reading and writing; see WholeFile.h.
#include "base/WholeFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "base/Exception.h"

namespace morvel {

FileDescriptor::~FileDescriptor() {
  if (fd_ >= 0) ::close(fd_);
}

bool FileDescriptor::close() {
  const int fd = fd_;
  fd_ = -1;
  return ::close(fd) == 0;
}

namespace {

void writeAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) throw WriteError();
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
}

}  // namespace

FileWriter::FileWriter(int fd) : fd_(fd), buffer_(new char[kBufferSize]) {}

void FileWriter::flush() {
  writeAll(fd_, {buffer_.get(), used_});
  used_ = 0;
}

void FileWriter::makeRoom(std::string_view bytes) {
  flush();
  if (bytes.size() >= kBufferSize) {
    writeAll(fd_, bytes);
    return;
  }
  std::memcpy(buffer_.get(), bytes.data(), bytes.size());
  used_ = bytes.size();
}

FileContent readWholeFile(const std::string& fileName) {
  FileDescriptor fd(::open(fileName.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) throw FileOpenError(fileName);
  struct stat info {};
  if (::fstat(fd.get(), &info) != 0 || S_ISDIR(info.st_mode)) throw FileOpenError(fileName);

  // One byte more than the reported size, so that reaching the end costs no
  // regrowth; files that report no size (pipes, /proc entries) are read
  // until their end all the same.
  FileContent content;
  content.block = ByteBlock(info.st_size > 0 ? static_cast<std::size_t>(info.st_size) + 1 : 4096);
  for (;;) {
    if (content.size == content.block.size()) {
      ByteBlock bigger(content.block.size() * 2);
      std::memcpy(bigger.data(), content.block.data(), content.size);
      content.block = std::move(bigger);
    }
    const ssize_t got =
        ::read(fd.get(), content.block.data() + content.size, content.block.size() - content.size);
    if (got == 0) break;
    if (got < 0) {
      if (errno == EINTR) continue;
      throw FileOpenError(fileName);
    }
    content.size += static_cast<std::size_t>(got);
  }
  return content;
}

void writeWholeFile(const std::string& fileName, std::string_view bytes) {
  FileDescriptor fd(::open(fileName.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
  if (fd.get() < 0) throw FileCreateError(fileName);
  writeAll(fd.get(), bytes);
  if (!fd.close()) throw WriteError();
}

}  // namespace morvel
