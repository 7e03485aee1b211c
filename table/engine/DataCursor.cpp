// The engine cursor; see DataCursor.h.
#include "table/engine/DataCursor.h"

#include <cstring>

#include "base/ScopeGuard.h"
#include "table/engine/Bytes.h"
#include "table/engine/KeyLayout.h"
#include "table/engine/RecordLayout.h"

namespace morvel {
namespace {

// In slot-index order the records in use come first (their keys start with
// 0); this key is where the deleted slots begin.
constexpr std::uint8_t kFirstDeletedKey[kSlotKeyLength] = {1, 0, 0, 0, 0, 0, 0, 0, 0};

}  // namespace

DataCursor::DataCursor(DataDirectory& directory, std::string tableName)
    : directory_(directory), tableName_(std::move(tableName)) {}

DataCursor::~DataCursor() {
  try {
    close();
  } catch (const Exception&) {
    // Writing back at close can fail only for a disk table; close() reports
    // it to callers that close explicitly.
  }
}

void DataCursor::createTable(std::vector<FieldDescriptor> fields,
                             std::vector<IndexDescriptor> indexes,
                             const TableCreateOptions& options) {
  directory_.createTable(tableName_, inMemory_, std::move(fields), std::move(indexes), options);
}

void DataCursor::deleteTable() { directory_.deleteTable(tableName_, inMemory_); }

bool DataCursor::tableExists() { return directory_.tableExists(tableName_, inMemory_); }

void DataCursor::open() {
  close();
  DataTable& table = directory_.useTable(tableName_, inMemory_, exclusive_);
  OnFailure release([&] {
    table_ = nullptr;
    directory_.releaseTable(table);
  });
  std::lock_guard lock(table.mutex());
  table_ = &table;
  fields_ = table.data().fields();
  recordSize_ = table.data().recordSize();
  useIndex(kPrimaryIndex);
  first();
}

void DataCursor::close() {
  if (!table_) return;
  releaseLock();
  DataTable* table = table_;
  table_ = nullptr;
  fields_.clear();
  directory_.releaseTable(*table);
}

void DataCursor::requireOpen() const {
  if (!table_) raiseEngineError(kInvalidFileHandle, tableName_);
}

void DataCursor::requireWritable() const {
  requireOpen();
  if (readOnly_) raiseEngineError(kAccessDenied, tableName_);
}

void DataCursor::checkFieldNumber(int number) const {
  if (number < 1 || number > fieldCount())
    raiseEngineError(kInvalidFieldNumber, tableName_, std::to_string(number));
}

const FieldDescriptor& DataCursor::field(int number) const {
  checkFieldNumber(number);
  return fields_[static_cast<std::size_t>(number - 1)];
}

int DataCursor::secondaryIndexCount() const {
  requireOpen();
  return table_->secondaryCount();
}

const IndexDescriptor& DataCursor::indexDescriptor(int i) const {
  requireOpen();
  return table_->indexFile().descriptor(i);
}

// ---- index selection --------------------------------------------------------

int DataCursor::treeFor(int index) const {
  return index == kPrimaryIndex && !table_->primaryHasFields() ? kSlotIndex : index;
}

void DataCursor::useIndex(int index) {
  const int tree = treeFor(index);
  const auto length = static_cast<std::size_t>(std::max(table_->tree(tree).keyLength(), 1));
  // The buffers grow first: nothing changes when they cannot.
  key_.ensure(length, kKeyBufferStep);
  probe_.ensure(length, kKeyBufferStep);
  index_ = index;
  treeIndex_ = tree;
  posValid_ = false;
  ordinalValid_ = false;
}

int DataCursor::findIndex(std::string_view name) const {
  requireOpen();
  const int index = table_->findIndex(name);
  if (index < 0) raiseEngineError(kInvalidIndexName, tableName_, name);
  return index;
}

int DataCursor::bookmarkSizeFor(std::string_view indexName) const {
  const int tree = treeFor(findIndex(indexName));
  return tree == kSlotIndex ? 4 : table_->tree(tree).keyLength();
}

void DataCursor::selectIndex(std::string_view name) {
  requireOpen();
  std::lock_guard lock(table_->mutex());
  switchTo(findIndex(name));
}

void DataCursor::selectRecordNumberOrder() {
  requireOpen();
  std::lock_guard lock(table_->mutex());
  switchTo(kSlotIndex);
}

// Everything that can fail (finding the record, growing the key buffers)
// comes before the cursor changes order.
void DataCursor::switchTo(int index) {
  const bool keep = where_ == Where::OnKey && !atStart_ && !atEnd_ && resolve();
  const std::int32_t record = record_;
  const std::uint8_t* image = keep ? table_->data().record(record).image() : nullptr;
  useIndex(index);
  if (keep) {
    positionOn(record, image);
  } else {
    first();
  }
}

std::string DataCursor::currentIndexName() const {
  requireOpen();
  return index_ == kPrimaryIndex || index_ == kSlotIndex
             ? std::string()
             : table_->indexFile().descriptor(index_).name();
}

// ---- positions ----------------------------------------------------------------

// Finds key_ in the tree again when the tree has changed since it was last
// found; false when the key is no longer there.
bool DataCursor::resolve() {
  BTree& t = tree();
  if (posValid_ && posVersion_ == t.version()) return onRecord_;
  BTree::Position at;
  std::uint64_t ordinal = 0;
  const auto length = static_cast<std::size_t>(t.keyLength());
  onRecord_ = false;
  if (t.seekAtLeast(key_.data(), at, &ordinal)) {
    std::int32_t record = 0;
    t.entry(at, probe_.data(), &record);
    if (std::memcmp(probe_.data(), key_.data(), length) == 0) {
      onRecord_ = true;
      pos_ = at;
      record_ = record;
      ordinal_ = ordinal;
      ordinalVersion_ = t.version();
      ordinalValid_ = true;
    }
  }
  posValid_ = true;
  posVersion_ = t.version();
  return onRecord_;
}

void DataCursor::positionOn(std::int32_t record, const std::uint8_t* image) {
  table_->keys(treeIndex_).build(image, record, key_.data());
  where_ = Where::OnKey;
  atStart_ = false;
  atEnd_ = false;
  record_ = record;
  posValid_ = false;
  ordinalValid_ = false;
}

// Takes the entry just read into probe_ (with its record number) as the
// cursor's position.
void DataCursor::positionAt(const BTree::Position& at, std::int32_t record, std::uint64_t ordinal) {
  BTree& t = tree();
  std::swap(key_, probe_);
  record_ = record;
  where_ = Where::OnKey;
  atStart_ = false;
  atEnd_ = false;
  onRecord_ = true;
  pos_ = at;
  posValid_ = true;
  posVersion_ = t.version();
  ordinalValid_ = ordinal != 0;
  ordinal_ = ordinal;
  ordinalVersion_ = t.version();
}

int DataCursor::failRead(std::uint8_t* buffer, int code) {
  if (buffer) std::memset(buffer, 0, static_cast<std::size_t>(recordSize_));
  return code;
}

void DataCursor::first() {
  requireOpen();
  where_ = Where::BeforeFirst;
  atStart_ = true;
  atEnd_ = false;
  onRecord_ = false;
  posValid_ = false;
}

void DataCursor::last() {
  requireOpen();
  where_ = Where::AfterLast;
  atStart_ = false;
  atEnd_ = true;
  onRecord_ = false;
  posValid_ = false;
}

int DataCursor::readNext(std::uint8_t* buffer) { return step(buffer, true); }

int DataCursor::readPrior(std::uint8_t* buffer) { return step(buffer, false); }

void DataCursor::forEachImage(const std::function<void(const std::uint8_t* image)>& visit) {
  requireOpen();
  std::lock_guard lock(table_->mutex());
  first();
  const Finally atEnd([this] {
    where_ = Where::AfterLast;
    atEnd_ = true;
    onRecord_ = false;
    posValid_ = false;
  });
  DataFile& data = table_->data();
  const bool inPlace = data.beginInPlaceReads();
  DataFile::InPlaceWindow window;
  BTree& t = tree();
  BTree::Position at;
  for (bool found = t.first(at); found; found = t.stepNext(at)) {
    std::int32_t record = 0;
    t.entry(at, probe_.data(), &record);
    if (!inRange(probe_.data())) break;
    atStart_ = false;
    visit(inPlace ? data.imageInPlace(record, window)
                  : data.record(record, Access::Forward).image());
  }
}

int DataCursor::step(std::uint8_t* buffer, bool forward) {
  requireOpen();
  std::lock_guard lock(table_->mutex());
  const Record* r = nullptr;
  const int code = stepTo(forward, r);
  if (code != kOk) return failRead(buffer, code);
  std::memcpy(buffer, r->image(), static_cast<std::size_t>(recordSize_));
  return kOk;
}

// One key forward or backward in the current order, from the position or
// from the end it is at; `r` gets the record stepped to.
int DataCursor::stepTo(bool forward, const Record*& r) {
  const Where behind = forward ? Where::AfterLast : Where::BeforeFirst;
  const Where ahead = forward ? Where::BeforeFirst : Where::AfterLast;
  const int failure = forward ? kAtEnd : kAtStart;
  bool& passed = forward ? atEnd_ : atStart_;
  if (where_ == behind) {
    passed = true;
    return failure;
  }
  BTree& t = tree();
  BTree::Position at;
  bool found;
  std::uint64_t ordinal = 0;
  if (where_ == ahead) {
    if (forward) {
      found = t.first(at);
      ordinal = 1;
    } else {
      found = slotOrder() ? t.seekBefore(kFirstDeletedKey, at) : t.last(at);
    }
  } else if (resolve()) {
    at = pos_;
    found = forward ? t.stepNext(at) : t.stepPrior(at);
    if (ordinalValid_ && ordinalVersion_ == t.version()) {
      ordinal = forward ? ordinal_ + 1 : ordinal_ - 1;
    }
  } else {
    found = forward ? t.seekAfter(key_.data(), at) : t.seekBefore(key_.data(), at);
  }
  std::int32_t record = 0;
  if (found) {
    t.entry(at, probe_.data(), &record);
    found = inRange(probe_.data());
  }
  if (!found) {
    where_ = behind;
    passed = true;
    onRecord_ = false;
    posValid_ = false;
    return failure;
  }
  positionAt(at, record, ordinal);
  r = &table_->data().record(record_, forward ? Access::Forward : Access::Backward);
  return kOk;
}

int DataCursor::readCurrent(std::uint8_t* buffer, bool forChange) {
  requireOpen();
  std::lock_guard lock(table_->mutex());
  if (atStart_ && atEnd_) return failRead(buffer, kNoCurrentRecord);
  if (atStart_) return failRead(buffer, kAtStart);
  if (atEnd_) return failRead(buffer, kAtEnd);
  if (!resolve()) {
    if (forChange) raiseEngineError(kRecordChanged, tableName_);
    return failRead(buffer, kRecordNotFound);
  }
  const Record& r = table_->data().record(record_);
  const auto size = static_cast<std::size_t>(recordSize_);
  if (forChange) {
    if (locked_ != record_) releaseLock();
    table_->lockRecord(record_, this);
    locked_ = record_;
    if (std::memcmp(r.image(), buffer, size) != 0) {
      releaseLock();
      raiseEngineError(kRecordChanged, tableName_);
    }
  }
  std::memcpy(buffer, r.image(), size);
  return kOk;
}

std::int64_t DataCursor::recordCount() {
  requireOpen();
  std::lock_guard lock(table_->mutex());
  BTree& t = tree();
  return static_cast<std::int64_t>(slotOrder() ? t.countBelow(kFirstDeletedKey) : t.count());
}

std::int64_t DataCursor::recordNumber() {
  requireOpen();
  if (where_ != Where::OnKey || atStart_ || atEnd_) return 0;
  std::lock_guard lock(table_->mutex());
  if (!resolve()) return 0;
  BTree& t = tree();
  if (!ordinalValid_ || ordinalVersion_ != t.version()) {
    ordinal_ = t.countBelow(key_.data()) + 1;
    ordinalVersion_ = t.version();
    ordinalValid_ = true;
  }
  return static_cast<std::int64_t>(ordinal_);
}

// ---- bookmarks ----------------------------------------------------------------

int DataCursor::bookmarkSize() const {
  requireOpen();
  return slotOrder() ? 4 : table_->tree(treeIndex_).keyLength();
}

bool DataCursor::getBookmark(std::uint8_t* bookmark) const {
  const int size = bookmarkSize();
  if (where_ != Where::OnKey || atStart_ || atEnd_) {
    std::memset(bookmark, 0, static_cast<std::size_t>(size));
    return false;
  }
  if (slotOrder()) {
    bytes::putInt32(bookmark, record_);
  } else {
    std::memcpy(bookmark, key_.data(), static_cast<std::size_t>(size));
  }
  return true;
}

bool DataCursor::goToBookmark(const std::uint8_t* bookmark) {
  requireOpen();
  std::lock_guard lock(table_->mutex());
  if (slotOrder()) {
    const std::int32_t record = bytes::getInt32(bookmark);
    DataFile& data = table_->data();
    if (record < 1 || record > data.slotCount()) return false;
    const Record& r = data.slot(record);
    KeyLayout::buildSlotKey(false, bytes::getInt32(r.image() + kAutoIncOffset), record,
                            key_.data());
  } else {
    std::memcpy(key_.data(), bookmark, static_cast<std::size_t>(tree().keyLength()));
  }
  where_ = Where::OnKey;
  atStart_ = false;
  atEnd_ = false;
  posValid_ = false;
  ordinalValid_ = false;
  return resolve();
}

int DataCursor::compareBookmarks(const std::uint8_t* a, const std::uint8_t* b) const {
  requireOpen();
  int c;
  if (slotOrder()) {
    const std::int32_t x = bytes::getInt32(a), y = bytes::getInt32(b);
    c = x < y ? -1 : x > y ? 1 : 0;
  } else {
    c = std::memcmp(a, b, static_cast<std::size_t>(table_->tree(treeIndex_).keyLength()));
  }
  return c < 0 ? -1 : c > 0 ? 1 : 0;
}

// ---- record images ----------------------------------------------------------------

void DataCursor::blankRecord(std::uint8_t* buffer) const {
  requireOpen();
  std::memset(buffer, 0, static_cast<std::size_t>(recordSize_));
}

bool DataCursor::getField(int number, const std::uint8_t* record, std::uint8_t* value) const {
  checkFieldNumber(number);
  return readField(record, fields_[static_cast<std::size_t>(number - 1)], value);
}

const std::uint8_t* DataCursor::fieldBytes(int number, const std::uint8_t* record) const {
  checkFieldNumber(number);
  return morvel::fieldBytes(record, fields_[static_cast<std::size_t>(number - 1)]);
}

FieldBytesPlace DataCursor::fieldBytesPlace(int number) const {
  checkFieldNumber(number);
  return morvel::fieldBytesPlace(fields_[static_cast<std::size_t>(number - 1)]);
}

void DataCursor::putField(int number, std::uint8_t* record, const std::uint8_t* value,
                          bool fromDataset) const {
  checkFieldNumber(number);
  writeField(record, fields_[static_cast<std::size_t>(number - 1)], value, fromDataset);
}

// ---- changes ------------------------------------------------------------------

void DataCursor::insertRecord(const std::uint8_t* buffer) {
  requireWritable();
  std::lock_guard lock(table_->mutex());
  const std::int32_t record = table_->insert(buffer);
  positionOn(record, table_->data().record(record).image());
  // A record filed behind every other, as a table filling up in key order
  // files each one, is found where the tree put it: the read that follows
  // the post then needs no search.
  BTree& t = tree();
  BTree::Position at;
  std::uint64_t ordinal = 0;
  if (t.lastPlaced(key_.data(), at, ordinal)) {
    onRecord_ = true;
    pos_ = at;
    posValid_ = true;
    posVersion_ = t.version();
    ordinal_ = ordinal;
    ordinalValid_ = true;
    ordinalVersion_ = t.version();
  }
}

void DataCursor::updateRecord(const std::uint8_t* buffer) {
  requireWritable();
  std::lock_guard lock(table_->mutex());
  if (where_ != Where::OnKey || atStart_ || atEnd_) raiseEngineError(kNoCurrentRecord, tableName_);
  if (!resolve()) raiseEngineError(kRecordChanged, tableName_);
  const std::int32_t record = record_;
  table_->update(record, buffer, this);
  positionOn(record, table_->data().record(record).image());
  if (locked_ == record) releaseLock();
}

void DataCursor::deleteRecord(const std::uint8_t* buffer) {
  requireWritable();
  std::lock_guard lock(table_->mutex());
  if (where_ != Where::OnKey || atStart_ || atEnd_) raiseEngineError(kNoCurrentRecord, tableName_);
  if (!resolve()) raiseEngineError(kRecordChanged, tableName_);
  if (buffer && !table_->heldExclusively()) {
    const Record& r = table_->data().record(record_);
    if (std::memcmp(r.image(), buffer, static_cast<std::size_t>(recordSize_)) != 0) {
      raiseEngineError(kRecordChanged, tableName_);
    }
  }
  table_->remove(record_, this);
  if (locked_ == record_) locked_ = 0;
  posValid_ = false;
  ordinalValid_ = false;
}

void DataCursor::lockRecord() {
  requireOpen();
  std::lock_guard lock(table_->mutex());
  if (where_ != Where::OnKey || atStart_ || atEnd_) raiseEngineError(kNoCurrentRecord, tableName_);
  if (!resolve()) raiseEngineError(kRecordChanged, tableName_);
  if (locked_ != record_) releaseLock();
  table_->lockRecord(record_, this);
  locked_ = record_;
}

void DataCursor::unlockRecord() {
  if (table_) {
    std::lock_guard lock(table_->mutex());
    releaseLock();
  }
}

void DataCursor::releaseLock() {
  if (locked_ != 0 && table_) table_->unlockRecord(locked_, this);
  locked_ = 0;
}

}  // namespace morvel
