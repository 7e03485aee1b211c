// The shared table object: file use, index set-up and the record change
// algorithms; see DataTable.h.
#include "table/engine/DataTable.h"

#include <cstring>

#include "base/ScopeGuard.h"
#include "table/engine/Bytes.h"
#include "table/files/EngineError.h"
#include "table/files/FileList.h"

namespace morvel {
TableFileNames tableFileNames(std::string_view directoryPath, std::string_view table, bool memory) {
  std::string name(trimmedName(table));
  if (memory) {
    // An in-memory table's files carry no directory.
    const std::size_t slash = name.find_last_of("/\\");
    if (slash != std::string::npos) name.erase(0, slash + 1);
  } else if (!directoryPath.empty()) {
    std::string path(directoryPath);
    if (path.back() != '/') path += '/';
    name = path + name;
  }
  const std::size_t slash = name.find_last_of("/\\");
  const std::size_t dot = name.find_last_of('.');
  const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
  const std::string stem = hasExtension ? name.substr(0, dot) : name;
  TableFileNames files;
  files.data = hasExtension && equalIgnoringCase(std::string_view(name).substr(dot), ".DAT")
                   ? name
                   : stem + ".DAT";
  files.index = stem + ".IDX";
  files.blob = stem + ".BLB";
  return files;
}

DataTable::DataTable(std::string name, bool memory, TableFileNames files)
    : name_(std::move(name)), memory_(memory), files_(std::move(files)) {}

DataTable::~DataTable() {
  try {
    closeFiles();
  } catch (const Exception&) {
    // Nothing to report to from a destructor.
  }
}

void DataTable::acquire(bool exclusive) {
  std::lock_guard lock(mutex_);
  if (useCount_ > 0) {
    if (exclusive_ || exclusive) raiseEngineError(kAccessDenied, name_);
  } else {
    openFiles();
    exclusive_ = exclusive;
  }
  ++useCount_;
}

void DataTable::release() {
  std::lock_guard lock(mutex_);
  if (useCount_ == 0) return;
  if (--useCount_ == 0) {
    exclusive_ = false;
    locks_.clear();
    closeFiles();
  }
}

void DataTable::openFiles() {
  data_ = std::make_unique<DataFile>(name_, files_.data, memory_);
  index_ = std::make_unique<IndexFile>(name_, files_.index, memory_);
  OnFailure drop([this] {
    index_.reset();
    data_.reset();
  });
  // The table object is the files' only user in this process; cursors
  // share them through it.
  data_->open(true);
  index_->open(true, data_->fields());
  drop.dismiss();
  for (int i = 0; i < kIndexSlots; ++i) {
    const auto at = static_cast<std::size_t>(i);
    trees_[at].reset();
    keys_[at] = KeyLayout();
  }
  for (int i = 0; i <= index_->secondaryCount(); ++i) {
    const auto at = static_cast<std::size_t>(i);
    const IndexDescriptor& d = index_->descriptor(i);
    keys_[at] = KeyLayout(d, data_->fields(), i == kPrimaryIndex);
    trees_[at] = std::make_unique<BTree>(*index_, i, keys_[at].keyLength(),
                                         indexDisplayName(d, i == kPrimaryIndex));
  }
  keys_[kSlotIndex] = KeyLayout::slotIndex();
  trees_[kSlotIndex] = std::make_unique<BTree>(*index_, kSlotIndex, kSlotKeyLength, "Sys Deleted");
  for (int i = 0; i < kIndexSlots; ++i) {
    const auto at = static_cast<std::size_t>(i);
    keyBuffers_[at] = EngineBlock();
    oldKeyBuffers_[at] = EngineBlock();
    const auto length = static_cast<std::size_t>(std::max(keys_[at].keyLength(), 1));
    keyBuffers_[at].ensure(length, kKeyBufferStep);
    oldKeyBuffers_[at].ensure(length, kKeyBufferStep);
  }
  image_ = EngineBlock();
  image_.ensure(static_cast<std::size_t>(data_->recordSize()), kRecordImageStep);
  checkedFields_.clear();
  for (const FieldDescriptor& f : data_->fields()) {
    if (f.hidden() || f.isAutoIncrement()) continue;
    if (f.required() || !f.minimum().empty() || !f.maximum().empty())
      checkedFields_.push_back(f.number());
  }
}

void DataTable::closeFiles() {
  for (auto& t : trees_) t.reset();
  if (!data_) return;
  // Both files are closed even when writing one back fails.
  std::exception_ptr failure;
  try {
    index_->close();
  } catch (...) {
    failure = std::current_exception();
  }
  try {
    data_->close();
  } catch (...) {
    if (!failure) failure = std::current_exception();
  }
  index_.reset();
  data_.reset();
  if (failure) std::rethrow_exception(failure);
}

int DataTable::findIndex(std::string_view name) const {
  if (name.empty()) return kPrimaryIndex;
  for (int i = 1; i <= index_->secondaryCount(); ++i) {
    if (equalIgnoringCase(index_->descriptor(i).name(), name)) return i;
  }
  return -1;
}

void DataTable::checkValues(const std::uint8_t* image) {
  std::uint8_t value[256];
  for (int number : checkedFields_) {
    const FieldDescriptor& f = data_->field(number);
    const bool present = readField(image, f, value);
    if (f.required() && !present) raiseEngineError(kValueRequired, name_, f.name());
    const int limit = compareWithLimits(image, f);
    if (limit < 0) raiseEngineError(kBelowMinimum, name_, f.name());
    if (limit > 0) raiseEngineError(kAboveMaximum, name_, f.name());
  }
}

// Every change follows one plan: first everything that can refuse it or
// fail for want of memory, with nothing changed yet (values, duplicates,
// room, the data file's slot); then the indexes, whose pages are saved
// before they change, so that a failure among them puts every index back
// as it was; last the data file, which by then cannot fail.
void DataTable::beginIndexChange() { index_->beginChange(); }

void DataTable::rollBackIndexChange() noexcept {
  index_->rollbackChange();
  for (auto& t : trees_) {
    if (t) t->forgetPositions();
  }
}

std::int32_t DataTable::insert(const std::uint8_t* buffer) {
  std::lock_guard lock(mutex_);
  DataFile& data = *data_;
  const auto size = static_cast<std::size_t>(data.recordSize());
  const std::int32_t slot = data.slotForNewRecord();
  const bool reuse = data.freeHead() != 0;

  std::uint8_t* image = image_.data();
  std::memcpy(image, buffer, size);
  checkValues(image);
  // Whatever the caller put in the auto-increment slot, the record gets
  // the next value.
  const std::int32_t autoInc = data.peekNextAutoIncrement();
  image[kDeletedFlagOffset] = 0;
  bytes::putInt32(image + kRecordNumberOffset, slot);
  bytes::putInt32(image + kAutoIncOffset, autoInc);

  // Everything that can refuse the insert is checked before anything
  // changes: room, duplicates, and the free chain's head. The primary
  // index's duplicate test is its own insert, which comes first and
  // changes nothing when it refuses.
  index_->checkRoom();
  forEachKeyedIndex([&](int i) {
    const KeyLayout& k = keys(i);
    k.build(image, slot, keyBuffer(i));
    if (i != kPrimaryIndex && index_->descriptor(i).unique()) {
      if (tree(i).findPrefix(keyBuffer(i), k.valueLength(), nullptr)) {
        raiseEngineError(kDuplicateKey, name_, tree(i).name());
      }
    }
  });
  std::int32_t oldAutoInc = 0;
  data.prepareNewRecord();
  if (reuse) oldAutoInc = bytes::getInt32(data.slot(slot).image() + kAutoIncOffset);

  beginIndexChange();
  OnFailure undo([this] { rollBackIndexChange(); });
  forEachKeyedIndex([&](int i) {
    if (tree(i).insert(keyBuffer(i), slot)) return;
    if (i == kPrimaryIndex) raiseEngineError(kDuplicateKey, name_, tree(i).name());
    index_->corruptPages();  // secondary keys end in the slot, so never repeat
  });
  BTree& slots = tree(kSlotIndex);
  if (reuse) {
    KeyLayout::buildSlotKey(true, oldAutoInc, slot, oldKeyBuffer(kSlotIndex));
    slots.remove(oldKeyBuffer(kSlotIndex));
  }
  KeyLayout::buildSlotKey(false, autoInc, slot, keyBuffer(kSlotIndex));
  if (!slots.insert(keyBuffer(kSlotIndex), slot)) index_->corruptPages();

  // Prepared above: none of this fails.
  if (reuse) {
    Record& record = data.takeFreeSlot();
    record.exchangeImage(image_);
    record.markChanged();
  } else {
    data.appendSlot(image_);
  }
  data.takeNextAutoIncrement();
  index_->commitChange();
  undo.dismiss();
  return slot;
}

void DataTable::update(std::int32_t number, const std::uint8_t* buffer, const void* by) {
  std::lock_guard lock(mutex_);
  if (lockedByOther(number, by)) raiseEngineError(kRecordInUse, name_);
  DataFile& data = *data_;
  const auto size = static_cast<std::size_t>(data.recordSize());
  // Stays valid to the end: the indexes' work reads no records.
  Record& stored = data.record(number);
  std::uint8_t* image = image_.data();
  std::memcpy(image, buffer, size);
  // The header stays the engine's: the record keeps its slot and its
  // auto-increment value.
  std::memcpy(image, stored.image(), kRecordHeaderSize);
  checkValues(image);

  std::array<bool, kIndexSlots> changed{};
  bool anyChanged = false;
  forEachKeyedIndex([&](int i) {
    const KeyLayout& k = keys(i);
    k.build(stored.image(), number, oldKeyBuffer(i));
    k.build(image, number, keyBuffer(i));
    changed[static_cast<std::size_t>(i)] =
        std::memcmp(oldKeyBuffer(i), keyBuffer(i), static_cast<std::size_t>(k.keyLength())) != 0;
    if (!changed[static_cast<std::size_t>(i)]) return;
    anyChanged = true;
    if (i == kPrimaryIndex || index_->descriptor(i).unique()) {
      std::int32_t holder = 0;
      if (tree(i).findPrefix(keyBuffer(i), k.valueLength(), &holder) && holder != number) {
        raiseEngineError(kDuplicateKey, name_, tree(i).name());
      }
    }
  });
  if (anyChanged) index_->checkRoom();
  beginIndexChange();
  OnFailure undo([this] { rollBackIndexChange(); });
  forEachKeyedIndex([&](int i) {
    if (!changed[static_cast<std::size_t>(i)]) return;
    tree(i).remove(oldKeyBuffer(i));
    if (!tree(i).insert(keyBuffer(i), number)) index_->corruptPages();
  });
  std::memcpy(stored.image(), image, size);
  stored.markChanged();
  index_->commitChange();
  undo.dismiss();
}

void DataTable::remove(std::int32_t number, const void* by) {
  std::lock_guard lock(mutex_);
  if (lockedByOther(number, by)) raiseEngineError(kRecordInUse, name_);
  DataFile& data = *data_;
  // Stays valid to the end: the indexes' work reads no records.
  Record& stored = data.record(number);
  forEachKeyedIndex([&](int i) { keys(i).build(stored.image(), number, keyBuffer(i)); });
  const std::int32_t autoInc = bytes::getInt32(stored.image() + kAutoIncOffset);
  beginIndexChange();
  OnFailure undo([this] { rollBackIndexChange(); });
  forEachKeyedIndex([&](int i) { tree(i).remove(keyBuffer(i)); });
  KeyLayout::buildSlotKey(false, autoInc, number, keyBuffer(kSlotIndex));
  tree(kSlotIndex).remove(keyBuffer(kSlotIndex));
  KeyLayout::buildSlotKey(true, autoInc, number, keyBuffer(kSlotIndex));
  if (!tree(kSlotIndex).insert(keyBuffer(kSlotIndex), number)) index_->corruptPages();
  data.markDeleted(stored);
  index_->commitChange();
  undo.dismiss();
  locks_.erase(number);
}

void DataTable::lockRecord(std::int32_t number, const void* by) {
  std::lock_guard lock(mutex_);
  if (lockedByOther(number, by)) raiseEngineError(kRecordInUse, name_);
  locks_[number] = by;
}

void DataTable::unlockRecord(std::int32_t number, const void* by) {
  std::lock_guard lock(mutex_);
  const auto it = locks_.find(number);
  if (it != locks_.end() && it->second == by) locks_.erase(it);
}

bool DataTable::lockedByOther(std::int32_t number, const void* by) const {
  const auto it = locks_.find(number);
  return it != locks_.end() && it->second != by;
}

void DataTable::deleteFiles() {
  FileList& list = FileList::instance();
  for (const std::string* file : {&files_.data, &files_.index}) {
    const int r = list.remove(*file, memory_);
    if (r < 0) raiseEngineError(-r, name_);
  }
  if (list.exists(files_.blob, memory_)) {
    const int r = list.remove(files_.blob, memory_);
    if (r < 0) raiseEngineError(-r, name_);
  }
}

}  // namespace morvel
