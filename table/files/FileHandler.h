// One file as a table sees it: a name, the kind (memory or disk) and, while
// open, the file in the process-wide list and a handle on it. Every failure
// of the file layer comes out of here as an EngineError naming the file.
#pragma once

#include <cstdint>
#include <string>

#include "table/files/AbstractFile.h"

namespace morvel {

class FileHandler {
 public:
  FileHandler(std::string fileName, bool memory);
  ~FileHandler();  // closes the handle if still open
  FileHandler(const FileHandler&) = delete;
  FileHandler& operator=(const FileHandler&) = delete;

  const std::string& fileName() const { return fileName_; }
  bool isMemory() const { return memory_; }
  bool isOpen() const { return file_ != nullptr; }

  // Create: a new empty file, opened exclusively (11010, 11013).
  void create(bool deleteOnClose = false);
  // Open an existing file (11010 when missing, 11013 when refused).
  void open(bool exclusive, bool deleteOnClose = false);
  void close();

  // Reads `count` bytes at `position`; fewer is error 9217 unless
  // `allowPartial`, in which case the bytes read are returned.
  std::int64_t readAt(std::int64_t position, void* buffer, std::int64_t count,
                      bool allowPartial = false);
  // The file's bytes from `position` in place (AbstractFile::view): null
  // for a file on disk or past the end.
  const std::uint8_t* viewAt(std::int64_t position, std::int64_t* room);
  // Writes `count` bytes at `position`; fewer is error 9218.
  void writeAt(std::int64_t position, const void* buffer, std::int64_t count);
  // Cuts the file to `size` bytes.
  void truncate(std::int64_t size);
  std::int64_t size() const;
  // Room for the file to grow to `size` bytes, taken now (11016 when there
  // is no memory for it), so that writes up to there cannot fail for want
  // of memory later.
  void reserveRoom(std::int64_t size);
  void flush();  // 9218 when the file cannot be flushed
  bool lock(std::int64_t first, std::int64_t count);
  bool unlock(std::int64_t first, std::int64_t count);

  // File-list operations on a closed file of this name (11010, 11013).
  void remove();
  bool exists() const;

 private:
  void requireOpen() const;

  std::string fileName_;
  bool memory_;
  AbstractFile* file_ = nullptr;
  int handle_ = 0;
};

}  // namespace morvel
