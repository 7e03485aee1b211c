// One engine file, in memory or on disk: its name, its open handles (each
// with its own position), its locked byte ranges and the flags that decide
// who may open it. Every operation holds the file's own lock for its whole
// duration, so several threads may share a file.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace morvel {

class AbstractFile {
 public:
  AbstractFile(std::string name, bool deleteOnClose);
  virtual ~AbstractFile() = default;
  AbstractFile(const AbstractFile&) = delete;
  AbstractFile& operator=(const AbstractFile&) = delete;

  virtual bool isMemory() const = 0;

  // Empties the file and opens a handle at position 0; returns its number.
  int create();
  // Opens a handle at position 0; returns its number. Handle numbers start
  // at 1 and are never shared by two open handles.
  int open();
  // Closes a handle; an unknown handle number is ignored.
  void close(int handle);

  // Copies up to `count` bytes from the handle's position and advances it;
  // returns the bytes copied (0 for an unknown handle or past the end).
  std::int64_t read(int handle, void* buffer, std::int64_t count);
  // count > 0: writes at the handle's position, growing the file as needed
  // (a gap is zero-filled), and advances it. count 0: truncates the file at
  // the position. Returns the bytes written (-1 for an unknown handle).
  std::int64_t write(int handle, const void* buffer, std::int64_t count);
  // origin 0: from the start; 1: from the current position; 2: `offset`
  // bytes before the end. Returns the new position (-1 for an unknown
  // handle); a position before the start is taken as 0.
  std::int64_t seek(int handle, std::int64_t offset, int origin);
  // seek + read and seek + write as one step under the file's lock.
  std::int64_t readAt(int handle, std::int64_t position, void* buffer, std::int64_t count);
  std::int64_t writeAt(int handle, std::int64_t position, const void* buffer, std::int64_t count);
  bool flush();
  // Makes sure the file can grow to `size` bytes without asking for more
  // memory later (engine error 11016 when it cannot have it now). Only
  // memory files hold their own storage; for others it does nothing.
  virtual void reserveRoom(std::int64_t /*size*/) {}
  // The bytes from `position` where the file keeps them, without a copy,
  // and in `room` how many of them lie together there; null for a file on
  // disk, or a position at or past the end. For a reader that knows no one
  // writes to the file meanwhile: the bytes are read after the file's lock
  // is released, and stay valid only until the next write or truncation.
  const std::uint8_t* view(std::int64_t position, std::int64_t* room);

  // Byte-range locks: refused when the range overlaps a locked one.
  bool lock(std::int64_t first, std::int64_t count);
  // Removes the range with this first byte and length; false when none.
  bool unlock(std::int64_t first, std::int64_t count);

  std::string name() const;
  void rename(std::string newName);
  std::int64_t size() const;
  int handleCount() const;
  bool exclusive() const;
  void setExclusive(bool exclusive);
  bool deleteOnClose() const;
  void setDeleteOnClose(bool deleteOnClose);

 protected:
  // Storage operations, called with the file's lock held. `position` plus
  // `count` never exceeds the size for readBytes; writeBytes may grow the
  // file and returns the bytes it wrote; truncateTo never grows it.
  virtual std::int64_t readBytes(std::int64_t position, void* buffer, std::int64_t count) = 0;
  virtual std::int64_t writeBytes(std::int64_t position, const void* buffer,
                                  std::int64_t count) = 0;
  virtual bool truncateTo(std::int64_t size) = 0;
  virtual bool flushBytes() = 0;
  // view with the lock held; position is below the size. Null by default.
  virtual const std::uint8_t* viewBytes(std::int64_t /*position*/, std::int64_t* /*room*/) {
    return nullptr;
  }

  mutable std::mutex mutex_;
  std::int64_t size_ = 0;  // guarded by mutex_

 private:
  struct Handle {
    int number;
    std::int64_t position;
  };
  struct LockedRange {
    std::int64_t first;
    std::int64_t last;
    std::int64_t length;
  };

  Handle* findHandle(int number);
  int addHandle();
  std::int64_t readLocked(Handle& handle, void* buffer, std::int64_t count);
  std::int64_t writeLocked(Handle& handle, const void* buffer, std::int64_t count);

  std::string name_;
  std::vector<Handle> handles_;
  std::vector<LockedRange> locks_;
  bool exclusive_ = false;
  bool deleteOnClose_;
};

}  // namespace morvel
