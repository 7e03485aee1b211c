// Handles, positions and byte-range locks shared by every kind of file; see
// AbstractFile.h.
#include "table/files/AbstractFile.h"

#include <algorithm>

namespace morvel {

AbstractFile::AbstractFile(std::string name, bool deleteOnClose)
    : name_(std::move(name)), deleteOnClose_(deleteOnClose) {}

AbstractFile::Handle* AbstractFile::findHandle(int number) {
  for (Handle& h : handles_) {
    if (h.number == number) return &h;
  }
  return nullptr;
}

int AbstractFile::addHandle() {
  // The lowest number not in use: numbering handles by the list length
  // would give a second open handle the number of one still open after an
  // earlier one was closed.
  int number = 1;
  while (findHandle(number)) ++number;
  handles_.push_back({number, 0});
  return number;
}

int AbstractFile::create() {
  std::lock_guard lock(mutex_);
  truncateTo(0);
  size_ = 0;
  return addHandle();
}

int AbstractFile::open() {
  std::lock_guard lock(mutex_);
  return addHandle();
}

void AbstractFile::close(int handle) {
  std::lock_guard lock(mutex_);
  const auto it = std::find_if(handles_.begin(), handles_.end(),
                               [handle](const Handle& h) { return h.number == handle; });
  if (it != handles_.end()) handles_.erase(it);
}

std::int64_t AbstractFile::readLocked(Handle& handle, void* buffer, std::int64_t count) {
  if (count <= 0 || handle.position >= size_) return 0;
  const std::int64_t n = std::min(count, size_ - handle.position);
  const std::int64_t done = readBytes(handle.position, buffer, n);
  if (done > 0) handle.position += done;
  return done;
}

std::int64_t AbstractFile::writeLocked(Handle& handle, const void* buffer, std::int64_t count) {
  if (count < 0) return -1;
  if (count == 0) {
    if (handle.position < size_) {
      if (!truncateTo(handle.position)) return -1;
      size_ = handle.position;
    }
    return 0;
  }
  const std::int64_t done = writeBytes(handle.position, buffer, count);
  if (done > 0) {
    handle.position += done;
    size_ = std::max(size_, handle.position);
  }
  return done;
}

std::int64_t AbstractFile::read(int handle, void* buffer, std::int64_t count) {
  std::lock_guard lock(mutex_);
  Handle* h = findHandle(handle);
  return h ? readLocked(*h, buffer, count) : 0;
}

std::int64_t AbstractFile::write(int handle, const void* buffer, std::int64_t count) {
  std::lock_guard lock(mutex_);
  Handle* h = findHandle(handle);
  return h ? writeLocked(*h, buffer, count) : -1;
}

std::int64_t AbstractFile::seek(int handle, std::int64_t offset, int origin) {
  std::lock_guard lock(mutex_);
  Handle* h = findHandle(handle);
  if (!h) return -1;
  std::int64_t position = h->position;
  switch (origin) {
    case 0:
      position = offset;
      break;
    case 1:
      position += offset;
      break;
    case 2:
      position = size_ - offset;
      break;
    default:
      break;
  }
  h->position = std::max<std::int64_t>(position, 0);
  return h->position;
}

std::int64_t AbstractFile::readAt(int handle, std::int64_t position, void* buffer,
                                  std::int64_t count) {
  std::lock_guard lock(mutex_);
  Handle* h = findHandle(handle);
  if (!h) return 0;
  h->position = std::max<std::int64_t>(position, 0);
  return readLocked(*h, buffer, count);
}

std::int64_t AbstractFile::writeAt(int handle, std::int64_t position, const void* buffer,
                                   std::int64_t count) {
  std::lock_guard lock(mutex_);
  Handle* h = findHandle(handle);
  if (!h) return -1;
  h->position = std::max<std::int64_t>(position, 0);
  return writeLocked(*h, buffer, count);
}

const std::uint8_t* AbstractFile::view(std::int64_t position, std::int64_t* room) {
  std::lock_guard lock(mutex_);
  *room = 0;
  if (position < 0 || position >= size_) return nullptr;
  const std::uint8_t* at = viewBytes(position, room);
  *room = at ? std::min(*room, size_ - position) : 0;
  return at;
}

bool AbstractFile::flush() {
  std::lock_guard lock(mutex_);
  return flushBytes();
}

bool AbstractFile::lock(std::int64_t first, std::int64_t count) {
  if (count <= 0 || first < 0) return false;
  std::lock_guard guard(mutex_);
  const std::int64_t last = first + count - 1;
  for (const LockedRange& r : locks_) {
    if (first <= r.last && r.first <= last) return false;
  }
  locks_.push_back({first, last, count});
  return true;
}

bool AbstractFile::unlock(std::int64_t first, std::int64_t count) {
  std::lock_guard guard(mutex_);
  const auto it = std::find_if(locks_.begin(), locks_.end(), [&](const LockedRange& r) {
    return r.first == first && r.length == count;
  });
  if (it == locks_.end()) return false;
  locks_.erase(it);
  return true;
}

std::string AbstractFile::name() const {
  std::lock_guard lock(mutex_);
  return name_;
}

void AbstractFile::rename(std::string newName) {
  std::lock_guard lock(mutex_);
  name_ = std::move(newName);
}

std::int64_t AbstractFile::size() const {
  std::lock_guard lock(mutex_);
  return size_;
}

int AbstractFile::handleCount() const {
  std::lock_guard lock(mutex_);
  return static_cast<int>(handles_.size());
}

bool AbstractFile::exclusive() const {
  std::lock_guard lock(mutex_);
  return exclusive_;
}

void AbstractFile::setExclusive(bool exclusive) {
  std::lock_guard lock(mutex_);
  exclusive_ = exclusive;
}

bool AbstractFile::deleteOnClose() const {
  std::lock_guard lock(mutex_);
  return deleteOnClose_;
}

void AbstractFile::setDeleteOnClose(bool deleteOnClose) {
  std::lock_guard lock(mutex_);
  deleteOnClose_ = deleteOnClose;
}

}  // namespace morvel
