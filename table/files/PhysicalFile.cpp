// Disk files through POSIX calls; see PhysicalFile.h.
#include "table/files/PhysicalFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace morvel {

PhysicalFile::PhysicalFile(std::string path, bool deleteOnClose)
    : AbstractFile(std::move(path), deleteOnClose) {}

PhysicalFile::~PhysicalFile() { closeOnDisk(); }

bool PhysicalFile::openOnDisk(bool create, bool* accessDenied) {
  const std::string path = name();
  std::lock_guard lock(mutex_);
  if (fd_ >= 0) return true;
  const int flags = O_RDWR | O_CLOEXEC | (create ? O_CREAT | O_TRUNC : 0);
  fd_ = ::open(path.c_str(), flags, 0644);
  if (fd_ < 0) {
    if (accessDenied) *accessDenied = errno == EACCES || errno == EPERM || errno == EROFS;
    return false;
  }
  struct stat st {};
  size_ = fstat(fd_, &st) == 0 ? st.st_size : 0;
  return true;
}

void PhysicalFile::closeOnDisk() {
  std::lock_guard lock(mutex_);
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

bool PhysicalFile::existsOnDisk(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool PhysicalFile::removeFromDisk(const std::string& path) { return ::unlink(path.c_str()) == 0; }

bool PhysicalFile::renameOnDisk(const std::string& from, const std::string& to) {
  return std::rename(from.c_str(), to.c_str()) == 0;
}

std::int64_t PhysicalFile::readBytes(std::int64_t position, void* buffer, std::int64_t count) {
  auto* out = static_cast<char*>(buffer);
  std::int64_t done = 0;
  while (done < count) {
    const ssize_t n = ::pread(fd_, out + done, static_cast<std::size_t>(count - done),
                              static_cast<off_t>(position + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += n;
  }
  return done;
}

std::int64_t PhysicalFile::writeBytes(std::int64_t position, const void* buffer,
                                      std::int64_t count) {
  const auto* in = static_cast<const char*>(buffer);
  std::int64_t done = 0;
  while (done < count) {
    const ssize_t n = ::pwrite(fd_, in + done, static_cast<std::size_t>(count - done),
                               static_cast<off_t>(position + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += n;
  }
  return done;
}

bool PhysicalFile::truncateTo(std::int64_t size) {
  return fd_ >= 0 && ::ftruncate(fd_, static_cast<off_t>(size)) == 0;
}

bool PhysicalFile::flushBytes() { return fd_ >= 0 && ::fsync(fd_) == 0; }

}  // namespace morvel
