// A file that lives in process memory. Its content block grows only, in
// steps of 65 535 bytes (the capacity a caller sees); the bytes themselves
// are kept in large aligned chunks so that growing a big table never copies
// what it already holds.
#pragma once

#include <cstdint>
#include <vector>

#include "table/files/AbstractFile.h"

namespace morvel {

class MemoryFile : public AbstractFile {
 public:
  MemoryFile(std::string name, bool deleteOnClose);
  ~MemoryFile() override;

  bool isMemory() const override { return true; }
  // The size of the content block: the largest size the file has had,
  // rounded up to a multiple of 65 535 (0 after create or truncation to 0).
  std::int64_t capacity() const;

 protected:
  std::int64_t readBytes(std::int64_t position, void* buffer, std::int64_t count) override;
  std::int64_t writeBytes(std::int64_t position, const void* buffer, std::int64_t count) override;
  bool truncateTo(std::int64_t size) override;
  bool flushBytes() override { return true; }

 private:
  void reserve(std::int64_t needed);
  void releaseAll();
  void zeroRange(std::int64_t from, std::int64_t to);

  std::vector<std::uint8_t*> chunks_;
  std::int64_t capacity_ = 0;
};

}  // namespace morvel
