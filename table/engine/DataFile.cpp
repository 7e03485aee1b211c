// Data file: header, descriptors, slots and the record cache; see
// DataFile.h.
#include "table/engine/DataFile.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "base/ScopeGuard.h"
#include "table/engine/Bytes.h"
#include "table/files/EngineError.h"

namespace morvel {
namespace {

// Cache sizes follow from two budgets: a read run fills about 64 KB and the
// whole cache holds about twice that, but never more than 8 191 records.
constexpr int kRunBytes = 65535;
constexpr int kCacheBytes = 131070;
constexpr int kMaxCachedRecords = 8191;

}  // namespace

std::int32_t todayDayNumber() {
  using namespace std::chrono;
  const auto days = floor<std::chrono::days>(system_clock::now()).time_since_epoch().count();
  return static_cast<std::int32_t>(days + 719163);  // 1970-01-01 is day 719 163
}

// ---- header ---------------------------------------------------------------

std::string DataHeader::description() const {
  return bytes::getCountedText(&bytes_[kDescription], kMaxDescription);
}

void DataHeader::setDescription(std::string_view text) {
  bytes::putCountedText(&bytes_[kDescription], kMaxDescription, text);
}

void DataHeader::initialise() {
  bytes_.fill(0);
  bytes_[kConstantFour] = 4;
  setNextRecord(1);
  put16(kVersion, 1);
}

void DataHeader::stampForWrite(std::int32_t today) {
  put32(kChangeCounter, changeCounter() + 1);
  put32(kDate, static_cast<std::uint32_t>(today));
  put32(kMarker, kMarkerValue);
  bytes_[kChangedFlag] = 1;
}

// ---- data file ------------------------------------------------------------

DataFile::DataFile(std::string tableName, std::string fileName, bool memory)
    : tableName_(std::move(tableName)), file_(std::move(fileName), memory) {}

DataFile::~DataFile() {
  try {
    close();
  } catch (const Exception&) {
    // A destructor cannot report a failed write-back; close() reports it
    // to callers that close explicitly.
  }
}

void DataFile::corruptRecords() const { raiseEngineError(kRecordBuffersCorrupt, tableName_); }
void DataFile::corruptHeader() const { raiseEngineError(kHeaderCorrupt, tableName_); }

int DataFile::recordsPerRun(int recordSize) {
  return recordSize <= 0 ? 1 : std::max(1, kRunBytes / recordSize);
}

int DataFile::cacheLimit(int recordSize) {
  if (recordSize <= 0) return 1;
  return std::max(1, std::min(kCacheBytes / recordSize, kMaxCachedRecords));
}

void DataFile::resetCache() {
  sorted_.clear();
  mru_.fill(nullptr);
  spare_.clear();
  pool_.clear();
  limit_ = cacheLimit(recordSize_);
  run_ = recordsPerRun(recordSize_);
}

void DataFile::create(const std::vector<FieldDescriptor>& fields, const TableLayout& layout,
                      const DataFileOptions& options) {
  file_.create();
  header_.initialise();
  header_.setBlobBlockSize(options.blobBlockSize);
  header_.setRecordSize(layout.recordSize);
  header_.setFieldCount(static_cast<int>(fields.size()));
  header_.setBlobFieldCount(layout.blobFieldCount);
  header_.setDescription(options.description);
  header_.setLanguage(options.language);
  header_.setSortId(options.sortId);
  fields_ = fields;
  recordSize_ = layout.recordSize;
  dataStart_ = kDataStart + static_cast<std::int64_t>(fields.size()) * FieldDescriptor::kSize;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    file_.writeAt(kDataStart + static_cast<std::int64_t>(i * FieldDescriptor::kSize),
                  fields[i].bytes(), FieldDescriptor::kSize);
  }
  headerChanged_ = true;
  writeHeader();
  resetCache();
}

void DataFile::open(bool exclusive) {
  file_.open(exclusive);
  // A file that fails its checks is not left open.
  OnFailure undo([this] { file_.close(); });
  const std::int64_t size = file_.size();
  if (size < kDataStart) corruptHeader();
  file_.readAt(0, header_.bytes(), DataHeader::kSize);
  const int count = header_.fieldCount();
  if (count < 1 || count > kMaxFields) corruptHeader();
  dataStart_ = kDataStart + static_cast<std::int64_t>(count) * FieldDescriptor::kSize;
  if (size < dataStart_) corruptHeader();
  std::vector<FieldDescriptor> stored(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    file_.readAt(kDataStart + static_cast<std::int64_t>(i) * FieldDescriptor::kSize,
                 stored[static_cast<std::size_t>(i)].bytes(), FieldDescriptor::kSize);
  }
  // The stored descriptors must be exactly what laying them out again
  // gives, so that every offset and length used later is trustworthy.
  std::vector<FieldDescriptor> checked = stored;
  TableLayout layout;
  try {
    layout = layoutTable(checked, std::max(header_.blobBlockSize(), kMinBlobBlockSize), tableName_);
  } catch (const EngineError&) {
    corruptHeader();
  }
  for (int i = 0; i < count; ++i) {
    const auto& a = stored[static_cast<std::size_t>(i)];
    const auto& b = checked[static_cast<std::size_t>(i)];
    if (std::memcmp(a.bytes(), b.bytes(), FieldDescriptor::kSize) != 0) corruptHeader();
  }
  if (layout.recordSize != header_.recordSize() ||
      layout.blobFieldCount != header_.blobFieldCount()) {
    corruptHeader();
  }
  recordSize_ = layout.recordSize;
  const std::int64_t dataBytes = size - dataStart_;
  const std::int64_t slots = dataBytes / recordSize_;
  if (dataBytes % recordSize_ != 0 || slots + 1 != header_.nextRecord()) corruptHeader();
  if (header_.freeHead() < 0 || header_.freeHead() > slots) corruptHeader();
  fields_ = std::move(checked);
  headerChanged_ = false;
  resetCache();
  undo.dismiss();
}

void DataFile::close() {
  if (!file_.isOpen()) return;
  // Closed even when the last write fails; the failure is still reported.
  const Finally done([this] {
    resetCache();
    file_.close();
  });
  flush();
}

void DataFile::writeBack(Record& record) {
  if (!record.changed_) return;
  file_.writeAt(slotOffset(record.number_), record.image(), recordSize_);
  record.changed_ = false;
}

void DataFile::writeHeader() {
  header_.stampForWrite(todayDayNumber());
  file_.writeAt(0, header_.bytes(), DataHeader::kSize);
  headerChanged_ = false;
}

void DataFile::flush() {
  if (!file_.isOpen()) return;
  for (Record* r : sorted_) writeBack(*r);
  if (headerChanged_) writeHeader();
}

bool DataFile::isCached(std::int32_t number) const {
  const auto it = std::lower_bound(sorted_.begin(), sorted_.end(), number,
                                   [](const Record* r, std::int32_t n) { return r->number_ < n; });
  return it != sorted_.end() && (*it)->number_ == number;
}

Record* DataFile::findCached(std::int32_t number) {
  for (Record* r : mru_) {
    if (r && r->number_ == number) return r;
  }
  const auto it = std::lower_bound(sorted_.begin(), sorted_.end(), number,
                                   [](const Record* r, std::int32_t n) { return r->number_ < n; });
  if (it == sorted_.end() || (*it)->number_ != number) return nullptr;
  remember(*it);
  return *it;
}

void DataFile::remember(Record* record) {
  if (mru_[0] == record) return;
  auto it = std::find(mru_.begin(), mru_.end(), record);
  if (it == mru_.end()) it = mru_.end() - 1;
  std::move_backward(mru_.begin(), it, it + 1);
  mru_[0] = record;
}

Record* DataFile::takeFreeEntry() {
  if (!spare_.empty()) {
    Record* r = spare_.back();
    spare_.pop_back();
    return r;
  }
  auto r = std::make_unique<Record>();
  r->image_.ensure(static_cast<std::size_t>(recordSize_), kRecordImageStep);
  pool_.push_back(std::move(r));
  return pool_.back().get();
}

// Drops the highest-numbered records (after writing them back) so that
// `count` more fit under the limit.
void DataFile::makeRoom(int count) {
  const int excess = static_cast<int>(sorted_.size()) + count - limit_;
  if (excess <= 0) return;
  const auto firstDropped =
      sorted_.end() - std::min<std::ptrdiff_t>(excess, static_cast<std::ptrdiff_t>(sorted_.size()));
  for (auto it = firstDropped; it != sorted_.end(); ++it) {
    Record* r = *it;
    writeBack(*r);
    for (Record*& m : mru_) {
      if (m == r) m = nullptr;
    }
    spare_.push_back(r);
  }
  sorted_.erase(firstDropped, sorted_.end());
}

void DataFile::readRun(std::int32_t number, Access access) {
  const std::int32_t slots = slotCount();
  auto next = std::lower_bound(sorted_.begin(), sorted_.end(), number,
                               [](const Record* r, std::int32_t n) { return r->number_ < n; });
  // The run never passes a cached record, whose image may be newer than
  // the file's.
  std::int32_t first = number;
  std::int32_t last = number;
  if (access == Access::Backward) {
    const std::int32_t floor = next == sorted_.begin() ? 1 : (*(next - 1))->number_ + 1;
    first = std::max({floor, number - run_ + 1, 1});
  } else if (access == Access::Forward) {
    const std::int32_t ceiling = next == sorted_.end() ? slots : (*next)->number_ - 1;
    last = std::min({ceiling, number + run_ - 1, slots});
  }
  const int count = last - first + 1;
  makeRoom(count);
  // One read for the whole run, then each slot into its own entry.
  const auto size = static_cast<std::size_t>(recordSize_);
  runBuffer_.ensure(static_cast<std::size_t>(count) * size, kRecordImageStep);
  file_.readAt(slotOffset(first), runBuffer_.data(),
               static_cast<std::int64_t>(count) * recordSize_);
  runRecords_.clear();
  std::vector<Record*>& run = runRecords_;
  try {
    for (std::int32_t n = first; n <= last; ++n) {
      Record* r = takeFreeEntry();
      run.push_back(r);
      r->number_ = n;
      r->changed_ = false;
      std::memcpy(r->image(), runBuffer_.data() + static_cast<std::size_t>(n - first) * size, size);
      const std::uint8_t* image = r->image();
      const std::uint8_t flag = image[kDeletedFlagOffset];
      if (flag > 1 || (flag == 0 && bytes::getInt32(image + kRecordNumberOffset) != n)) {
        corruptRecords();
      }
    }
  } catch (...) {
    // Written out rather than as a guard: giving the entries back may
    // itself raise.
    spare_.insert(spare_.end(), run.begin(), run.end());
    throw;
  }
  next = std::lower_bound(sorted_.begin(), sorted_.end(), first,
                          [](const Record* r, std::int32_t n) { return r->number_ < n; });
  sorted_.insert(next, run.begin(), run.end());
}

Record& DataFile::slot(std::int32_t number, Access access) {
  if (number < 1 || number > slotCount()) corruptRecords();
  if (Record* r = findCached(number)) return *r;
  readRun(number, access);
  Record* r = findCached(number);
  if (!r) corruptRecords();
  return *r;
}

Record& DataFile::record(std::int32_t number, Access access) {
  Record& r = slot(number, access);
  if (r.deleted()) corruptRecords();
  return r;
}

bool DataFile::beginInPlaceReads() {
  if (!file_.isMemory()) return false;
  for (Record* r : sorted_) writeBack(*r);
  return true;
}

const std::uint8_t* DataFile::imageInPlace(std::int32_t number, InPlaceWindow& window) {
  if (number < 1 || number > slotCount()) corruptRecords();
  const std::int64_t at = slotOffset(number);
  const std::uint8_t* image = nullptr;
  if (at >= window.first && at + recordSize_ <= window.last) {
    image = window.base + (at - window.first);
  } else {
    std::int64_t room = 0;
    image = file_.viewAt(at, &room);
    if (!image) corruptRecords();  // the slot is not in the file
    window.first = at;
    window.last = at + room;
    window.base = image;
    if (room < recordSize_) {
      const auto size = static_cast<std::size_t>(recordSize_);
      window.spanning.ensure(size, size);
      file_.readAt(at, window.spanning.data(), recordSize_);
      image = window.spanning.data();
    }
  }
  // As a run read into the cache is checked, and record() refuses a
  // deleted slot.
  if (image[kDeletedFlagOffset] != 0 || bytes::getInt32(image + kRecordNumberOffset) != number) {
    corruptRecords();
  }
  return image;
}

bool DataFile::canAppend(std::int64_t nextRecord, int recordSize) {
  return nextRecord + 1 <= kMaxSlots && nextRecord * recordSize < kMaxDataBytes + 1;
}

std::int32_t DataFile::slotForNewRecord() const {
  if (header_.freeHead() != 0) return header_.freeHead();
  if (!canAppend(header_.nextRecord(), recordSize_)) raiseEngineError(kTableFull, tableName_);
  return header_.nextRecord();
}

void DataFile::prepareNewRecord() {
  const std::int32_t head = header_.freeHead();
  if (head != 0) {
    const Record& r = slot(head);
    const std::int32_t next = bytes::getInt32(r.image() + kRecordNumberOffset);
    if (!r.deleted() || next < 0 || next > slotCount() || next == head) corruptRecords();
    return;
  }
  const std::int32_t number = header_.nextRecord();
  if (!canAppend(number, recordSize_)) raiseEngineError(kTableFull, tableName_);
  makeRoom(1);
  if (spare_.empty()) {
    if (spare_.capacity() == 0) spare_.reserve(16);
    spare_.push_back(takeFreeEntry());
  }
  if (sorted_.size() == sorted_.capacity()) sorted_.reserve(sorted_.size() * 2 + 16);
  file_.reserveRoom(slotOffset(number + 1));
}

Record& DataFile::appendSlot(EngineBlock& image) {
  const std::int32_t number = header_.nextRecord();
  if (!canAppend(number, recordSize_)) raiseEngineError(kTableFull, tableName_);
  makeRoom(1);
  Record* r = takeFreeEntry();
  r->number_ = number;
  r->changed_ = true;
  r->exchangeImage(image);
  // The new slot has the highest number of all.
  sorted_.push_back(r);
  remember(r);
  header_.setNextRecord(number + 1);
  headerChanged_ = true;
  return *r;
}

Record& DataFile::takeFreeSlot() {
  const std::int32_t head = header_.freeHead();
  Record& r = slot(head);
  if (!r.deleted()) corruptRecords();
  const std::int32_t next = bytes::getInt32(r.image() + kRecordNumberOffset);
  if (next < 0 || next > slotCount() || next == head) corruptRecords();
  header_.setFreeHead(next);
  headerChanged_ = true;
  return r;
}

void DataFile::markDeleted(Record& record) {
  std::uint8_t* image = record.image();
  image[kDeletedFlagOffset] = 1;
  const std::int32_t head = header_.freeHead();
  bytes::putInt32(image + kRecordNumberOffset, head == header_.nextRecord() ? 0 : head);
  header_.setFreeHead(record.number_);
  record.changed_ = true;
  headerChanged_ = true;
}

std::int32_t DataFile::peekNextAutoIncrement() const {
  const std::int32_t last = header_.lastAutoInc();
  return last == INT32_MAX ? 1 : last + 1;
}

std::int32_t DataFile::takeNextAutoIncrement() {
  const std::int32_t next = peekNextAutoIncrement();
  header_.setLastAutoInc(next);
  headerChanged_ = true;
  return next;
}

void DataFile::setNextRecordNumber(std::int32_t next) {
  header_.setNextRecord(next);
  headerChanged_ = true;
}

}  // namespace morvel
