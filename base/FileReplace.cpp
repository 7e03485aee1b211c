// Crash- and failure-safe replacement of a file's contents; see FileReplace.h.
#include "base/FileReplace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "base/Exception.h"
#include "base/WholeFile.h"

namespace morvel {

namespace {

// Closes a descriptor and removes the temporary file it was made for,
// unless the file has been handed over (renamed into place).
class TemporaryFile {
 public:
  TemporaryFile(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
  ~TemporaryFile() {
    if (!path_.empty()) ::unlink(path_.c_str());
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  int fd() const { return fd_.get(); }
  const std::string& path() const { return path_; }
  // Closes the descriptor; false when the close reports a failed write.
  bool close() { return fd_.close(); }
  void handedOver() { path_.clear(); }

 private:
  FileDescriptor fd_;
  std::string path_;
};

// The permission bits a newly created file gets from the umask.
mode_t newFileMode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return static_cast<mode_t>(0666 & ~mask);
}

// Flushes the folder's entry list, so that the rename survives a crash.
void syncFolder(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);  // best effort: the file itself is already safe
  ::close(fd);
}

}  // namespace

void replaceFileContents(const std::string& fileName, std::string_view bytes) {
  replaceFileContents(fileName, [bytes](FileWriter& writer) { writer.append(bytes); });
}

void replaceFileContents(const std::string& fileName,
                         const std::function<void(FileWriter&)>& write) {
  if (fileName.empty()) throw FileCreateError(fileName);
  // Replace what a symbolic link names, not the link itself.
  std::string target = fileName;
  struct stat old {};
  const bool exists = ::stat(fileName.c_str(), &old) == 0;
  if (exists) {
    if (S_ISDIR(old.st_mode)) throw FileCreateError(fileName);
    if (!S_ISREG(old.st_mode)) {
      // A device or a pipe cannot be swapped for a file: write to it.
      FileDescriptor fd(::open(fileName.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC));
      if (fd.get() < 0) throw FileCreateError(fileName);
      FileWriter writer(fd.get());
      write(writer);
      writer.flush();
      if (!fd.close()) throw WriteError();
      return;
    }
    // A file the user may not write is not replaced behind their back.
    if (::access(fileName.c_str(), W_OK) != 0) throw FileCreateError(fileName);
    char resolved[PATH_MAX];
    if (::realpath(fileName.c_str(), resolved)) target = resolved;
  }

  const std::size_t slash = target.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : target.substr(0, slash + 1);
  const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
  std::string pattern = folder + "." + base + ".XXXXXX";
  const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
  if (fd < 0) throw FileCreateError(fileName);
  TemporaryFile temp(fd, pattern);

  const mode_t mode = exists ? (old.st_mode & 07777) : newFileMode();
  if (exists) {
    // Keep the owner where the process may (it may not when it is not the
    // owner); the permission bits are kept in any case.
    if (::fchown(temp.fd(), old.st_uid, old.st_gid) != 0) {
      // Not fatal: the file now belongs to the user who saved it.
    }
  }
  if (::fchmod(temp.fd(), mode) != 0) throw FileCreateError(fileName);
  FileWriter writer(temp.fd());
  write(writer);
  writer.flush();
  if (::fsync(temp.fd()) != 0 || !temp.close()) throw WriteError();
  if (::rename(temp.path().c_str(), target.c_str()) != 0) throw FileCreateError(fileName);
  temp.handedOver();
  syncFolder(folder);
}

}  // namespace morvel
