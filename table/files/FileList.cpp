// The process-wide file list; see FileList.h.
#include "table/files/FileList.h"

#include <algorithm>

#include "table/files/EngineError.h"
#include "table/files/MemoryFile.h"
#include "table/files/PhysicalFile.h"

namespace morvel {

FileList& FileList::instance() {
  static FileList list;
  return list;
}

AbstractFile* FileList::find(std::string_view name, bool memory) const {
  for (const auto& f : files_) {
    if (f->isMemory() == memory && sameName(f->name(), name)) return f.get();
  }
  return nullptr;
}

bool FileList::exists(std::string_view name, bool memory) {
  std::lock_guard lock(mutex_);
  if (find(name, memory)) return true;
  return !memory && PhysicalFile::existsOnDisk(std::string(trimmedName(name)));
}

FileOpenResult FileList::create(std::string_view name, bool memory, bool deleteOnClose) {
  name = trimmedName(name);
  if (name.empty()) return {nullptr, -kInvalidPath};
  std::lock_guard lock(mutex_);
  AbstractFile* file = find(name, memory);
  if (file && file->handleCount() > 0) return {nullptr, -kAccessDenied};
  if (!file) {
    std::unique_ptr<AbstractFile> made;
    if (memory) {
      made = std::make_unique<MemoryFile>(std::string(name), deleteOnClose);
    } else {
      auto physical = std::make_unique<PhysicalFile>(std::string(name), deleteOnClose);
      bool denied = false;
      if (!physical->openOnDisk(true, &denied)) {
        return {nullptr, denied ? -kAccessDenied : -kInvalidPath};
      }
      made = std::move(physical);
    }
    file = made.get();
    files_.push_back(std::move(made));
  }
  file->setDeleteOnClose(deleteOnClose);
  file->setExclusive(true);
  return {file, file->create()};
}

FileOpenResult FileList::open(std::string_view name, bool memory, bool deleteOnClose,
                              bool exclusive) {
  name = trimmedName(name);
  std::lock_guard lock(mutex_);
  AbstractFile* file = find(name, memory);
  if (file) {
    if (file->handleCount() == 0) {
      file->setExclusive(exclusive);
    } else if (file->exclusive() || exclusive) {
      return {nullptr, -kAccessDenied};
    }
    return {file, file->open()};
  }
  if (memory || name.empty()) return {nullptr, -kInvalidPath};
  auto physical = std::make_unique<PhysicalFile>(std::string(name), deleteOnClose);
  bool denied = false;
  if (!physical->openOnDisk(false, &denied))
    return {nullptr, denied ? -kAccessDenied : -kInvalidPath};
  physical->setExclusive(exclusive);
  file = physical.get();
  files_.push_back(std::move(physical));
  return {file, file->open()};
}

void FileList::close(AbstractFile* file, int handle) {
  if (!file) return;
  std::lock_guard lock(mutex_);
  file->close(handle);
  if (file->handleCount() > 0) return;
  const bool drop = !file->isMemory() || file->deleteOnClose();
  if (!drop) return;
  const std::string path = file->name();
  const bool removeFromDisk = !file->isMemory() && file->deleteOnClose();
  const auto it =
      std::find_if(files_.begin(), files_.end(), [file](const auto& f) { return f.get() == file; });
  if (it != files_.end()) files_.erase(it);
  if (removeFromDisk) PhysicalFile::removeFromDisk(path);
}

int FileList::remove(std::string_view name, bool memory) {
  name = trimmedName(name);
  std::lock_guard lock(mutex_);
  AbstractFile* file = find(name, memory);
  if (file) {
    if (file->handleCount() > 0) return -kAccessDenied;
    const std::string path = file->name();
    const auto it = std::find_if(files_.begin(), files_.end(),
                                 [file](const auto& f) { return f.get() == file; });
    files_.erase(it);
    if (!memory && !PhysicalFile::removeFromDisk(path)) return -kInvalidPath;
    return 0;
  }
  if (memory) return -kInvalidPath;
  return PhysicalFile::removeFromDisk(std::string(name)) ? 0 : -kInvalidPath;
}

int FileList::rename(std::string_view name, bool memory, std::string_view newName) {
  name = trimmedName(name);
  newName = trimmedName(newName);
  std::lock_guard lock(mutex_);
  AbstractFile* file = find(name, memory);
  if (file) {
    if (file->handleCount() > 0) return -kAccessDenied;
    if (!memory && !PhysicalFile::renameOnDisk(file->name(), std::string(newName))) {
      return -kInvalidPath;
    }
    file->rename(std::string(newName));
    return 0;
  }
  if (memory) return -kInvalidPath;
  return PhysicalFile::renameOnDisk(std::string(name), std::string(newName)) ? 0 : -kInvalidPath;
}

std::int64_t FileList::copy(AbstractFile& from, int fromHandle, AbstractFile& to, int toHandle) {
  std::vector<char> chunk(65535);
  std::int64_t total = 0;
  for (;;) {
    const std::int64_t n =
        from.read(fromHandle, chunk.data(), static_cast<std::int64_t>(chunk.size()));
    if (n <= 0) return total;
    if (to.write(toHandle, chunk.data(), n) != n) return -kWriteError;
    total += n;
  }
}

int FileList::count(bool memory) const {
  std::lock_guard lock(mutex_);
  return static_cast<int>(std::count_if(
      files_.begin(), files_.end(), [memory](const auto& f) { return f->isMemory() == memory; }));
}

}  // namespace morvel
