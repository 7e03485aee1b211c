// Whole-file reading and writing; see WholeFile.h.
#include "base/WholeFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "base/Exception.h"

namespace morvel {

namespace {

// Closes a descriptor on every path out of load and save.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }
  // Closes now and reports whether the close succeeded (a deferred write
  // error can surface only here).
  bool close() {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
  }

 private:
  int fd_;
};

}  // namespace

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
  std::size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t put = ::write(fd.get(), bytes.data() + written, bytes.size() - written);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) throw WriteError();
    written += static_cast<std::size_t>(put);
  }
  if (!fd.close()) throw WriteError();
}

}  // namespace morvel
