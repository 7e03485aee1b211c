// The dataset over an engine cursor and its database-holding layer; see
// EngineDataSet.h.
#include "table/EngineDataSet.h"

#include <cstring>

#include "base/Format.h"
#include "base/StringUtils.h"
#include "table/FieldPlace.h"
#include "table/engine/KeyLayout.h"
#include "table/files/EngineAllocator.h"

namespace morvel {

namespace {

constexpr int kInfoSize = 5;  // record number + bookmark flag

bool isStringType(FieldType type) { return type == ftString || type == ftFixedChar; }

// Record buffers of one size from the engine allocator, freed unless handed
// over.
class BufferSet {
 public:
  BufferSet(int count, int size) : size_(static_cast<std::size_t>(size)) {
    buffers_.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
      buffers_.push_back(static_cast<std::uint8_t*>(engineAllocate(size_)));
    }
  }
  ~BufferSet() {
    for (std::uint8_t* b : buffers_) engineFree(b, size_);
  }
  BufferSet(const BufferSet&) = delete;
  BufferSet& operator=(const BufferSet&) = delete;
  std::vector<std::uint8_t*>& buffers() { return buffers_; }
  // The buffers now held are of another size.
  void resize(int size) { size_ = static_cast<std::size_t>(size); }

 private:
  std::size_t size_;
  std::vector<std::uint8_t*> buffers_;
};

// Whether the C string `text` starts with the C string `prefix`.
bool startsWithText(const std::uint8_t* text, const std::uint8_t* prefix, bool ignoreCase) {
  const std::string_view t(reinterpret_cast<const char*>(text));
  const std::string_view p(reinterpret_cast<const char*>(prefix));
  if (t.size() < p.size()) return false;
  return ignoreCase ? equalsIgnoringAsciiCase(t.substr(0, p.size()), p) : t.starts_with(p);
}

}  // namespace

// --- EngineDataSet --------------------------------------------------------------

int EngineDataSet::recordTotal() {
  checkActive();
  return static_cast<int>(cursor_->recordCount());
}

void EngineDataSet::openCursor() {
  cursor_ = createCursor();
  if (!cursor_) raise("Error creating table handle.");
}

void EngineDataSet::closeCursor() {
  DataSet::closeCursor();
  if (cursor_) cursor_->close();
  cursor_.reset();
}

void EngineDataSet::restoreFieldDefs() {
  FieldDefs& defs = fieldDefs();
  defs.clear();
  for (const FieldDescriptor& d : cursor_->fields()) {
    if (d.hidden()) continue;
    const std::optional<FieldType> type = fieldTypeOf(d.type(), d.subtype());
    if (!type) continue;
    const bool sized = *type == ftString || *type == ftBytes || *type == ftVarBytes;
    const int size = sized ? d.size() : (*type == ftBCD ? d.scale() : 0);
    std::string name = d.name();
    if (defs.find(name)) {
      for (int n = 1;; ++n) {
        std::string candidate = formatMessage("%s_%d", name, n);
        if (!defs.find(candidate)) {
          name = std::move(candidate);
          break;
        }
      }
    }
    // The definition keeps the descriptor's number even when descriptors
    // before it were skipped: the field binds to that engine field.
    FieldDef& def =
        defs.append(std::move(name), *type, size, d.required() ? faRequired : 0u, d.number());
    if (*type == ftBCD) def.setPrecision(20);
  }
}

void EngineDataSet::internalOpen() {
  recordSize_ = cursor_->recordSize();
  setBookmarkSize(cursor_->bookmarkSize());
  canModify_ = !cursor_->readOnly();
  restoreFieldDefs();
  if (defaultFields()) createDefaultFields();
  bindFields(true);
  if (autoDisplayLabels_) setDisplayLabels();
  infoOffset_ = recordSize_ + calcFieldsSize();
  bookmarkOffset_ = infoOffset_ + kInfoSize;
  bufferSize_ = bookmarkOffset_ + bookmarkSize();
  cursor_->first();
}

void EngineDataSet::switchIndex(const std::string& indexName) {
  const int newBookmarkSize = cursor_->bookmarkSizeFor(indexName);
  ensureBrowse();
  // The new order starts from the record the dataset shows.
  positionCursorOnActive();
  if (newBookmarkSize == bookmarkSize()) {
    cursor_->selectIndex(indexName);
    resynchronise(0);
    return;
  }
  // The buffers hold a bookmark each, so another length needs new ones.
  // They are made before the cursor changes order, and the old ones freed
  // only after: a failure on the way leaves the dataset as it was.
  const int newBufferSize = bookmarkOffset_ + newBookmarkSize;
  BufferSet fresh(bufferSlots(), newBufferSize);
  cursor_->selectIndex(indexName);
  exchangeWindowBuffers(fresh.buffers());
  fresh.resize(bufferSize_);
  bufferSize_ = newBufferSize;
  setBookmarkSize(newBookmarkSize);
  resynchronise(0);
}

void EngineDataSet::setDisplayLabels() {
  // The engine stores no per-field description for the tables this program
  // makes, so every label stays the field name.
}

void EngineDataSet::internalClose() {
  bindFields(false);
  destroyDefaultFields();
}

std::uint8_t* EngineDataSet::allocateRecordBuffer() {
  return static_cast<std::uint8_t*>(engineAllocate(static_cast<std::size_t>(bufferSize_)));
}

void EngineDataSet::freeRecordBuffer(std::uint8_t* buffer) {
  engineFree(buffer, static_cast<std::size_t>(bufferSize_));
}

GetResult EngineDataSet::readRecord(std::uint8_t* buffer, GetMode mode, bool reportErrors) {
  int code = 0;
  switch (mode) {
    case gmCurrent:
      code = cursor_->readCurrent(buffer);
      break;
    case gmNext:
      code = cursor_->readNext(buffer);
      break;
    case gmPrior:
      code = cursor_->readPrior(buffer);
      break;
  }
  if (code == kAtStart) return grBOF;
  if (code == kAtEnd) return grEOF;
  if (code != 0) {
    if (reportErrors) raiseEngineError(code, engineTableName());
    return grError;
  }
  setBookmarkFlag(buffer, bfCurrent);
  const std::int32_t number = static_cast<std::int32_t>(cursor_->recordNumber());
  std::memcpy(buffer + infoOffset_, &number, sizeof number);
  calculateFields(buffer);
  cursor_->getBookmark(buffer + bookmarkOffset_);
  return grOK;
}

void EngineDataSet::walkRecords(const std::function<void(const std::uint8_t* record)>& visit) {
  if (calcFieldsSize() > 0) {
    DataSet::walkRecords(visit);
    return;
  }
  cursor_->forEachImage(visit);
}

void EngineDataSet::internalInitRecord(std::uint8_t* buffer) {
  cursor_->blankRecord(buffer);
  const std::int32_t none = -1;
  std::memcpy(buffer + infoOffset_, &none, sizeof none);
}

void EngineDataSet::clearCalcFields(std::uint8_t* buffer) {
  if (calcFieldsSize() > 0)
    std::memset(buffer + recordSize_, 0, static_cast<std::size_t>(calcFieldsSize()));
}

void EngineDataSet::internalEdit() {
  const int code = cursor_->readCurrent(activeBuffer(), true);
  if (code != 0) raiseEngineError(code, engineTableName());
}

void EngineDataSet::internalPost() {
  if (state() == stEdit) {
    cursor_->updateRecord(activeBuffer());
  } else {
    cursor_->insertRecord(activeBuffer());
  }
}

void EngineDataSet::internalDelete() {
  if (state() == stEdit) cursor_->unlockRecord();
  cursor_->deleteRecord(activeBuffer());
}

void EngineDataSet::internalCancel() {
  if (state() == stEdit) cursor_->unlockRecord();
  cursor_->releasePendingBlobs();
}

bool EngineDataSet::getFieldData(const Field& field, const std::uint8_t* buffer,
                                 std::uint8_t* value) const {
  if (field.fieldNumber() > 0) return cursor_->getField(field.fieldNumber(), buffer, value);
  if (field.fieldNumber() == 0) return false;
  const std::uint8_t* at = buffer + recordSize_ + field.calcOffset();
  if (at[0] == 0) return false;
  std::memcpy(value, at + 1, static_cast<std::size_t>(field.dataLength()));
  return true;
}

bool EngineDataSet::fieldDataInPlace(const Field& field, const std::uint8_t* buffer,
                                     const std::uint8_t*& at) const {
  if (field.fieldNumber() <= 0) return false;  // calculated fields are copied
  at = cursor_->fieldBytes(field.fieldNumber(), buffer);
  return true;
}

FieldPlace EngineDataSet::fieldPlace(const Field& field) const {
  if (field.fieldNumber() <= 0) return FieldPlace(field);  // calculated fields are copied
  return FieldPlace(field, cursor_->fieldBytesPlace(field.fieldNumber()));
}

void EngineDataSet::setFieldData(const Field& field, std::uint8_t* buffer,
                                 const std::uint8_t* value) {
  if (field.fieldNumber() > 0) {
    if (field.fieldKind() != fkInternalCalc) cursor_->putField(field.fieldNumber(), buffer, value);
    return;
  }
  if (field.fieldNumber() == 0) return;
  std::uint8_t* at = buffer + recordSize_ + field.calcOffset();
  const std::size_t length = static_cast<std::size_t>(field.dataLength());
  at[0] = value ? 1 : 0;
  if (value) {
    std::memcpy(at + 1, value, length);
  } else {
    std::memset(at + 1, 0, length);
  }
}

BookmarkFlag EngineDataSet::getBookmarkFlag(const std::uint8_t* buffer) const {
  return static_cast<BookmarkFlag>(buffer[infoOffset_ + 4]);
}

void EngineDataSet::setBookmarkFlag(std::uint8_t* buffer, BookmarkFlag flag) {
  buffer[infoOffset_ + 4] = flag;
}

void EngineDataSet::getBookmarkData(const std::uint8_t* buffer, std::uint8_t* data) const {
  std::memcpy(data, buffer + bookmarkOffset_, static_cast<std::size_t>(bookmarkSize()));
}

void EngineDataSet::setBookmarkData(std::uint8_t* buffer, const std::uint8_t* data) {
  std::memcpy(buffer + bookmarkOffset_, data, static_cast<std::size_t>(bookmarkSize()));
}

void EngineDataSet::internalGotoBookmark(const std::uint8_t* bookmark) {
  cursor_->goToBookmark(bookmark);
}

int EngineDataSet::compareBookmarks(const std::uint8_t* a, const std::uint8_t* b) {
  const int c = cursor_->compareBookmarks(a, b);
  return c == 2 ? 0 : c;
}

bool EngineDataSet::bookmarkValid(const std::uint8_t* bookmark) {
  return cursor_->goToBookmark(bookmark);
}

int EngineDataSet::recordNumber() const {
  const std::uint8_t* buffer = activeBuffer();
  if (!buffer) return -1;
  std::int32_t number;
  std::memcpy(&number, buffer + infoOffset_, sizeof number);
  return number;
}

bool EngineDataSet::makeProbe(const std::vector<Field*>& fields, const std::vector<Variant>& values,
                              EngineBlock& probe) {
  // The values go through the engine's own write rules, so that they read
  // back exactly as a stored record with those values would.
  probe = EngineBlock(static_cast<std::size_t>(recordSize_));
  cursor_->blankRecord(probe.data());
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (fields[i]->fieldNumber() <= 0) return false;
    if (values[i].isBlank()) {
      cursor_->putField(fields[i]->fieldNumber(), probe.data(), nullptr);
      continue;
    }
    std::vector<std::uint8_t> native(static_cast<std::size_t>(fields[i]->dataLength()));
    try {
      fields[i]->nativeFromVariant(values[i], native.data());
    } catch (const Exception&) {
      return false;  // no stored value can equal a value the field cannot hold
    }
    cursor_->putField(fields[i]->fieldNumber(), probe.data(), native.data());
  }
  return true;
}

int EngineDataSet::indexInUse() const {
  const std::string current = cursor_->currentIndexName();
  for (int i = 0; i <= cursor_->secondaryIndexCount(); ++i) {
    if (equalsIgnoringAsciiCase(cursor_->indexDescriptor(i).name(), current)) return i;
  }
  return 0;
}

bool EngineDataSet::locateRecord(const std::vector<Field*>& fields,
                                 const std::vector<Variant>& values, unsigned options) {
  EngineBlock probe;
  if (!makeProbe(fields, values, probe)) return false;
  const bool caseInsensitive = (options & loCaseInsensitive) != 0;
  // With a partial key the last value, when it is text, need only start
  // the field's text; an empty one starts every text.
  const bool prefixLast = (options & loPartialKey) != 0 && isStringType(fields.back()->dataType());

  // The primary index answers an exact search on all of its key fields,
  // given in key order, when it compares text the way the search asks.
  const int index = indexInUse();
  const IndexDescriptor& descriptor = cursor_->indexDescriptor(index);
  bool byIndex = index == 0 && !(options & loPartialKey) &&
                 descriptor.caseInsensitive() == caseInsensitive &&
                 descriptor.fieldCount() == static_cast<int>(fields.size());
  for (std::size_t i = 0; byIndex && i < fields.size(); ++i) {
    byIndex = fields[i]->fieldNumber() == descriptor.fieldNumber(static_cast<int>(i));
  }
  if (byIndex) {
    const KeyLayout layout(descriptor, cursor_->fields(), true);
    EngineBlock key(static_cast<std::size_t>(layout.keyLength()));
    layout.build(probe.data(), 0, key.data());
    return cursor_->goToBookmark(key.data());
  }

  // Otherwise walk the records in index order and take the first whose
  // fields equal the probe's.
  std::vector<EngineBlock> wanted;
  std::vector<bool> wantedPresent;
  for (Field* f : fields) {
    wanted.emplace_back(static_cast<std::size_t>(f->dataLength()));
    wantedPresent.push_back(
        cursor_->getField(f->fieldNumber(), probe.data(), wanted.back().data()));
  }
  EngineBlock record(static_cast<std::size_t>(recordSize_));
  std::vector<std::uint8_t> value;
  cursor_->first();
  while (cursor_->readNext(record.data()) == 0) {
    bool all = true;
    for (std::size_t i = 0; i < fields.size() && all; ++i) {
      value.assign(wanted[i].size(), 0);
      const bool present = cursor_->getField(fields[i]->fieldNumber(), record.data(), value.data());
      if (prefixLast && i + 1 == fields.size()) {
        all = !wantedPresent[i] ||
              (present && startsWithText(value.data(), wanted[i].data(), caseInsensitive));
      } else if (present != wantedPresent[i]) {
        all = false;
      } else if (present && caseInsensitive && isStringType(fields[i]->dataType())) {
        all = equalsIgnoringAsciiCase(reinterpret_cast<const char*>(value.data()),
                                      reinterpret_cast<const char*>(wanted[i].data()));
      } else if (present) {
        all = std::memcmp(value.data(), wanted[i].data(), value.size()) == 0;
      }
    }
    if (all) return true;
  }
  return false;
}

// --- EngineDBDataSet -----------------------------------------------------------

EngineDBDataSet::~EngineDBDataSet() {
  if (database_) {
    database_->removeDataSet(this);
    database_ = nullptr;
  }
}

void EngineDBDataSet::setDatabaseName(std::string_view name) {
  checkInactive();
  if (database_) raise("Cannot perform this operation on an open database.");
  if (name == databaseName_) return;
  databaseName_ = name;
  dataEvent(dcPropertyChange, 0);
}

void EngineDBDataSet::setSessionName(std::string_view name) {
  checkInactive();
  sessionName_ = name;
}

void EngineDBDataSet::setDatabaseReason(DatabaseReason reason) {
  if (reasons_ == 0) {
    EngineDatabase& db = engineSession(sessionName_).openDatabase(databaseName_);
    db.addDataSet(this);
    database_ = &db;
  }
  reasons_ |= reason;
}

void EngineDBDataSet::clearDatabaseReason(DatabaseReason reason) {
  if (!(reasons_ & reason)) return;
  reasons_ &= ~unsigned{reason};
  if (reasons_ == 0 && database_) {
    EngineDatabase* db = database_;
    database_ = nullptr;
    db->removeDataSet(this);
  }
}

void EngineDBDataSet::openCursor() {
  setDatabaseReason(drCursorOpen);
  EngineDataSet::openCursor();
}

void EngineDBDataSet::closeCursor() {
  EngineDataSet::closeCursor();
  clearDatabaseReason(drCursorOpen);
}

}  // namespace morvel
