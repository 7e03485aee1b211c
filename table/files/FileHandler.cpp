// File handler: the file layer's negative results become engine errors
// here; see FileHandler.h.
#include "table/files/FileHandler.h"

#include "table/files/EngineError.h"
#include "table/files/FileList.h"

namespace morvel {

FileHandler::FileHandler(std::string fileName, bool memory)
    : fileName_(std::move(fileName)), memory_(memory) {}

FileHandler::~FileHandler() { close(); }

void FileHandler::requireOpen() const {
  if (!file_) raiseEngineError(kInvalidFileHandle, fileName_);
}

void FileHandler::create(bool deleteOnClose) {
  close();
  const FileOpenResult r = FileList::instance().create(fileName_, memory_, deleteOnClose);
  if (r.handle < 0) raiseEngineError(-r.handle, fileName_);
  file_ = r.file;
  handle_ = r.handle;
}

void FileHandler::open(bool exclusive, bool deleteOnClose) {
  close();
  const FileOpenResult r = FileList::instance().open(fileName_, memory_, deleteOnClose, exclusive);
  if (r.handle < 0) raiseEngineError(-r.handle, fileName_);
  file_ = r.file;
  handle_ = r.handle;
}

void FileHandler::close() {
  if (!file_) return;
  FileList::instance().close(file_, handle_);
  file_ = nullptr;
  handle_ = 0;
}

std::int64_t FileHandler::readAt(std::int64_t position, void* buffer, std::int64_t count,
                                 bool allowPartial) {
  requireOpen();
  const std::int64_t n = file_->readAt(handle_, position, buffer, count);
  if (n != count && !allowPartial) raiseEngineError(kReadError, fileName_);
  return n;
}

const std::uint8_t* FileHandler::viewAt(std::int64_t position, std::int64_t* room) {
  requireOpen();
  return file_->view(position, room);
}

void FileHandler::writeAt(std::int64_t position, const void* buffer, std::int64_t count) {
  requireOpen();
  if (count <= 0) return;
  if (file_->writeAt(handle_, position, buffer, count) != count) {
    raiseEngineError(kWriteError, fileName_);
  }
}

void FileHandler::truncate(std::int64_t size) {
  requireOpen();
  if (file_->writeAt(handle_, size, nullptr, 0) != 0) raiseEngineError(kWriteError, fileName_);
}

void FileHandler::reserveRoom(std::int64_t size) {
  requireOpen();
  file_->reserveRoom(size);
}

std::int64_t FileHandler::size() const {
  requireOpen();
  return file_->size();
}

void FileHandler::flush() {
  requireOpen();
  if (!file_->flush()) raiseEngineError(kWriteError, fileName_);
}

bool FileHandler::lock(std::int64_t first, std::int64_t count) {
  requireOpen();
  return file_->lock(first, count);
}

bool FileHandler::unlock(std::int64_t first, std::int64_t count) {
  requireOpen();
  return file_->unlock(first, count);
}

void FileHandler::remove() {
  close();
  const int r = FileList::instance().remove(fileName_, memory_);
  if (r < 0) raiseEngineError(-r, fileName_);
}

bool FileHandler::exists() const { return FileList::instance().exists(fileName_, memory_); }

}  // namespace morvel
