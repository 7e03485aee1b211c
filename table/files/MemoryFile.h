// A file that lives in process memory. Its content block grows only, in
// steps of 65 535 bytes. Up to 2 MiB it is one block; beyond that the bytes
// live in 2 MiB chunks, so that growing a big table never copies what it
// already holds. The chunks ask for huge pages and are mapped in when they
// are made: on a virtual machine the first write to every ordinary 4 KiB
// page of a fresh chunk costs a trip to the host, which made filling a
// million-record table's 862 MB cost about a second more than the copying
// itself; a huge page takes that trip once per chunk. Zeroing huge pages of
// memory nothing has used lately now and then costs about as much, where
// the ordinary pages' trips cost it every time.
#pragma once

#include <cstdint>
#include <vector>

#include "table/files/AbstractFile.h"
#include "table/files/EngineAllocator.h"

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
  void reserveRoom(std::int64_t size) override;
  const std::uint8_t* viewBytes(std::int64_t position, std::int64_t* room) override {
    return at(position, room);
  }

 private:
  void reserve(std::int64_t needed);
  void releaseAll();
  // The byte at `position` and how many bytes follow it in the same block.
  std::uint8_t* at(std::int64_t position, std::int64_t* room);

  EngineBlock small_;                  // the content while it fits one chunk
  std::vector<std::uint8_t*> chunks_;  // the content once it does not
  std::int64_t capacity_ = 0;
};

}  // namespace morvel
