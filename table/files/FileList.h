// The process-wide list of engine files. Memory files live here by name
// (even with no handle open) until they are deleted, which is how an
// in-memory table outlasts the cursors that use it. Failures come back as
// negative engine codes; FileHandler turns them into exceptions.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "table/files/AbstractFile.h"
#include "table/files/Names.h"

namespace morvel {

// An opened file and its handle number; `handle` < 0 is a negated engine
// code and `file` is then null.
struct FileOpenResult {
  AbstractFile* file = nullptr;
  int handle = 0;
};

class FileList {
 public:
  static FileList& instance();

  // Names compare trimmed and ignoring case; a memory file and a disk file
  // never match each other.
  bool exists(std::string_view name, bool memory);
  // Empties an existing closed file of that name or registers a new one;
  // the file is marked exclusive. -11010 for an empty name, -11013 when the
  // file is open.
  FileOpenResult create(std::string_view name, bool memory, bool deleteOnClose);
  // -11013 when the file is open and either side wants it exclusively;
  // -11010 for a memory file that does not exist (or a disk file the
  // system cannot open).
  FileOpenResult open(std::string_view name, bool memory, bool deleteOnClose, bool exclusive);
  // Closes a handle. With no handle left, a memory file marked delete-on-close
  // is deleted and a disk file is unregistered; another memory file stays.
  void close(AbstractFile* file, int handle);
  // 0, -11013 while open, -11010 when there is no such file.
  int remove(std::string_view name, bool memory);
  // 0, -11013 while open, -11010 when there is no such file.
  int rename(std::string_view name, bool memory, std::string_view newName);
  // Copies the rest of `from` (from its handle's position) to `to`, in
  // chunks of 65 535 bytes. Returns the bytes copied, or -9218 when a write
  // falls short.
  static std::int64_t copy(AbstractFile& from, int fromHandle, AbstractFile& to, int toHandle);

  // Registered files of a kind (for tests and diagnostics).
  int count(bool memory) const;

 private:
  FileList() = default;
  AbstractFile* find(std::string_view name, bool memory) const;

  mutable std::mutex mutex_;
  std::vector<std::unique_ptr<AbstractFile>> files_;
};

}  // namespace morvel
