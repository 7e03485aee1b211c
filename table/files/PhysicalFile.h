// A file on disk behind the same interface as a memory file: one descriptor
// shared by all handles, each handle keeping its own position.
#pragma once

#include <cstdint>
#include <string>

#include "table/files/AbstractFile.h"

namespace morvel {

class PhysicalFile : public AbstractFile {
 public:
  PhysicalFile(std::string path, bool deleteOnClose);
  ~PhysicalFile() override;

  bool isMemory() const override { return false; }

  // Opens the disk file (creating or truncating it when `create`); false
  // when the system refuses. `accessDenied` tells a permission failure from
  // a missing path.
  bool openOnDisk(bool create, bool* accessDenied = nullptr);
  void closeOnDisk();

  static bool existsOnDisk(const std::string& path);
  static bool removeFromDisk(const std::string& path);
  static bool renameOnDisk(const std::string& from, const std::string& to);

 protected:
  std::int64_t readBytes(std::int64_t position, void* buffer, std::int64_t count) override;
  std::int64_t writeBytes(std::int64_t position, const void* buffer, std::int64_t count) override;
  bool truncateTo(std::int64_t size) override;
  bool flushBytes() override;

 private:
  int fd_ = -1;
};

}  // namespace morvel
