// The abstract dataset; see DataSet.h.
#include "table/DataSet.h"

#include <algorithm>
#include <cstring>
#include <exception>

#include "base/Format.h"
#include "base/ScopeGuard.h"
#include "base/StringUtils.h"
#include "table/DataSource.h"
#include "table/FieldPlace.h"

namespace morvel {

namespace {

bool isEditing(DataSetState state) { return state == stEdit || state == stInsert; }

}  // namespace

DataSet::DataSet(std::string_view name) : name_(name), fieldDefs_(this) {}

DataSet::~DataSet() {
  // A concrete dataset closes itself through destroying(); what is left here
  // must not reach the (already destroyed) hooks.
  const std::vector<DataSource*> sources = dataSources_;
  for (DataSource* source : sources) source->setDataSet(nullptr);
  for (auto& field : fields_) field->dataSet_ = nullptr;
}

void DataSet::destroying() {
  destroying_ = true;
  if (state_ != stInactive) closeNow();
}

DatabaseError DataSet::databaseError(std::string_view component, std::string_view text) {
  if (component.empty()) return DatabaseError(std::string(text));
  return DatabaseError(formatMessage("%s: %s", component, text));
}

void DataSet::raise(std::string_view text) const { throw databaseError(name_, text); }

void DataSet::checkActive() const {
  if (!active()) raise("Cannot perform this operation on a closed dataset");
}

void DataSet::checkInactive() {
  if (!active()) return;
  if (loading_ || destroying_) {
    close();
    return;
  }
  raise("Cannot perform this operation on an open dataset");
}

// --- opening and closing --------------------------------------------------

void DataSet::setActive(bool value) {
  if (loading_) {
    openWhenLoaded_ = value;
    return;
  }
  if (value == active()) return;
  if (value) {
    openNow();
  } else {
    closeNow();
  }
}

void DataSet::setLoading(bool loading) {
  if (loading == loading_) return;
  loading_ = loading;
  if (loading) {
    openWhenLoaded_ = active();
  } else if (openWhenLoaded_ != active()) {
    setActive(openWhenLoaded_);
  }
}

void DataSet::openNow() {
  fire(beforeOpen);
  {
    Finally finish([this] {
      if (state_ == stOpening) return;
      if (internalOpenDone_) {
        setState(stBrowse);
        fire(afterOpen);
      } else {
        setState(stInactive);
        closeCursor();
      }
    });
    openCursor();
    cursorOpen_ = true;
    if (state_ != stOpening) {
      defaultFields_ = fields_.empty();
      internalOpen();
      internalOpenDone_ = true;
      updateWindowSize();
      atStart_ = true;
    }
  }
}

void DataSet::closeNow() {
  if (!destroying_) fire(beforeClose);
  setState(stInactive);
  closeCursor();
  if (!destroying_) fire(afterClose);
}

void DataSet::closeCursor() {
  internalOpenDone_ = false;
  clearWindow();
  for (std::uint8_t* buffer : buffers_) freeRecordBuffer(buffer);
  buffers_.clear();
  internalClose();
  windowSize_ = 0;
  cursorOpen_ = false;
}

void DataSet::setState(DataSetState state) {
  if (state == state_) return;
  state_ = state;
  modified_ = false;
  dataEvent(dcUpdateState, 0);
}

// --- fields -----------------------------------------------------------------

Field* DataSet::field(int index) const {
  return index >= 0 && index < fieldTotal() ? fields_[index].get() : nullptr;
}

Field* DataSet::lookupField(std::string_view name) const {
  for (const auto& f : fields_) {
    if (equalsIgnoringAsciiCase(f->fieldName(), name)) return f.get();
  }
  return nullptr;
}

Field& DataSet::fieldNamed(std::string_view name) const {
  Field* f = lookupField(name);
  if (!f) raise(formatMessage("Field '%s' not found", name));
  return *f;
}

Field& DataSet::addField(std::unique_ptr<Field> field) {
  checkInactive();
  if (lookupField(field->fieldName())) {
    raise(formatMessage("Duplicate field name '%s'", field->fieldName()));
  }
  field->dataSet_ = this;
  fields_.push_back(std::move(field));
  fieldIsDefault_.push_back(false);
  return *fields_.back();
}

void DataSet::removeField(Field& field) {
  checkInactive();
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    if (fields_[i].get() == &field) {
      std::unique_ptr<Field> gone = std::move(fields_[i]);
      fields_.erase(fields_.begin() + static_cast<std::ptrdiff_t>(i));
      fieldIsDefault_.erase(fieldIsDefault_.begin() + static_cast<std::ptrdiff_t>(i));
      return;
    }
  }
}

void DataSet::createDefaultFields() {
  for (const FieldDef& def : fieldDefs_) {
    if (def.attributes() & faHiddenCol) continue;
    std::unique_ptr<Field> f = makeField(def.dataType(), def.name(), def.size());
    if (!f) raise(formatMessage("Field '%s' is of an unknown type", def.name()));
    f->setRequired(def.required());
    f->setReadOnly((def.attributes() & faReadonly) != 0);
    f->dataSet_ = this;
    fields_.push_back(std::move(f));
    fieldIsDefault_.push_back(true);
  }
}

void DataSet::destroyDefaultFields() {
  for (std::size_t i = fields_.size(); i-- > 0;) {
    if (!fieldIsDefault_[i]) continue;
    std::unique_ptr<Field> gone = std::move(fields_[i]);
    fields_.erase(fields_.begin() + static_cast<std::ptrdiff_t>(i));
    fieldIsDefault_.erase(fieldIsDefault_.begin() + static_cast<std::ptrdiff_t>(i));
  }
}

void DataSet::bindFields(bool binding) {
  calcFieldsSize_ = 0;
  for (auto& f : fields_) {
    if (!binding) {
      f->fieldNumber_ = 0;
      continue;
    }
    if (f->fieldKind() == fkData) {
      const int at = fieldDefs_.indexOf(f->fieldName());
      if (at < 0) raise(formatMessage("Field '%s' not found", f->fieldName()));
      f->fieldNumber_ = fieldDefs_.item(at)->fieldNo();
    } else {
      if (f->dataType() != ftString && f->dataType() != ftDate && f->dataType() != ftDateTime &&
          f->dataType() != ftInteger && f->dataType() != ftAutoInc) {
        raise(formatMessage("Field '%s' cannot be a calculated or lookup field", f->fieldName()));
      }
      f->fieldNumber_ = -1;
      f->calcOffset_ = calcFieldsSize_;
      calcFieldsSize_ += f->dataLength() + 1;
    }
  }
}

void DataSet::moveField(Field& field, int index) {
  int from = -1;
  for (int i = 0; i < fieldTotal(); ++i) {
    if (fields_[i].get() == &field) from = i;
  }
  if (from < 0) return;
  index = std::clamp(index, 0, fieldTotal() - 1);
  if (index == from) return;
  std::unique_ptr<Field> moved = std::move(fields_[from]);
  const bool isDefault = fieldIsDefault_[from];
  fields_.erase(fields_.begin() + from);
  fieldIsDefault_.erase(fieldIsDefault_.begin() + from);
  fields_.insert(fields_.begin() + index, std::move(moved));
  fieldIsDefault_.insert(fieldIsDefault_.begin() + index, isDefault);
  if (active()) dataEvent(dcLayoutChange, 0);
}

int DataSet::fieldPosition(const Field& field) const {
  for (int i = 0; i < fieldTotal(); ++i) {
    if (fields_[i].get() == &field) return i;
  }
  return -1;
}

std::uint8_t* DataSet::currentRecordBuffer() const {
  switch (state_) {
    case stInactive:
    case stOpening:
      return nullptr;
    case stCalcFields:
    case stInternalCalc:
      return calcBuffer_;
    case stFilter:
      return filterBuffer_;
    case stBrowse:
    case stBlockRead:
      return recordCount_ == 0 ? nullptr : buffers_[activeIndex_];
    default:
      return buffers_.empty() ? nullptr : buffers_[activeIndex_];
  }
}

std::uint8_t* DataSet::activeBuffer() const {
  return buffers_.empty() ? nullptr : buffers_[activeIndex_];
}

std::uint8_t* DataSet::windowBuffer(int index) const {
  return index >= 0 && index < recordCount_ ? buffers_[index] : nullptr;
}

bool DataSet::readFieldData(const Field& field, std::uint8_t* value) const {
  const std::uint8_t* buffer = currentRecordBuffer();
  return buffer && getFieldData(field, buffer, value);
}

bool DataSet::readFieldInPlace(const Field& field, const std::uint8_t*& at) const {
  const std::uint8_t* buffer = currentRecordBuffer();
  if (!buffer) {
    at = nullptr;  // no record: blank, as readFieldData has it
    return true;
  }
  return fieldDataInPlace(field, buffer, at);
}

void DataSet::writeFieldData(Field& field, const std::uint8_t* value) {
  switch (state_) {
    case stEdit:
    case stInsert:
    case stSetKey:
    case stCalcFields:
    case stFilter:
    case stNewValue:
      break;
    default:
      raise("Dataset not in edit or insert mode");
  }
  if (field.readOnly() && field.fieldKind() == fkData && state_ != stSetKey && state_ != stFilter) {
    raise(formatMessage("Field '%s' cannot be modified", field.displayLabel()));
  }
  if (field.onValidate) field.onValidate(field, value);
  setFieldData(field, currentRecordBuffer(), value);
  if (state_ != stCalcFields && state_ != stFilter && state_ != stNewValue) {
    dataEvent(dcFieldChange, fieldInfo(&field));
  }
}

void DataSet::initialiseRecord(std::uint8_t* buffer) {
  internalInitRecord(buffer);
  clearCalcFields(buffer);
  setBookmarkFlag(buffer, bfInserted);
}

void DataSet::calculateFields(std::uint8_t* buffer) {
  if (calcFieldsSize_ == 0) return;
  const DataSetState saved = state_;
  std::uint8_t* savedBuffer = calcBuffer_;
  state_ = stCalcFields;
  calcBuffer_ = buffer;
  Finally restore([&] {
    state_ = saved;
    calcBuffer_ = savedBuffer;
  });
  clearCalcFields(buffer);
  if (autoCalcFields_) fire(onCalcFields);
}

// --- the record window ----------------------------------------------------

void DataSet::clearWindow() {
  recordCount_ = 0;
  activeIndex_ = 0;
  cursorIndex_ = -1;
  atStart_ = true;
  atEnd_ = true;
}

void DataSet::exchangeWindowBuffers(std::vector<std::uint8_t*>& buffers) {
  clearWindow();
  buffers_.swap(buffers);
}

void DataSet::activateWindow() {
  recordCount_ = 1;
  activeIndex_ = 0;
  cursorIndex_ = 0;
  atStart_ = false;
  atEnd_ = false;
}

void DataSet::positionCursor(int index) {
  if (index == cursorIndex_) return;
  std::uint8_t* buffer = buffers_[index];
  switch (getBookmarkFlag(buffer)) {
    case bfCurrent:
    case bfInserted:
      bookmarkScratch_.resize(static_cast<std::size_t>(bookmarkSize_));
      getBookmarkData(buffer, bookmarkScratch_.data());
      internalGotoBookmark(bookmarkScratch_.data());
      break;
    case bfBOF:
      internalFirst();
      break;
    case bfEOF:
      internalLast();
      break;
  }
  cursorIndex_ = index;
}

// --- record filter ------------------------------------------------------------

void DataSet::setRecordFilter(RecordFilter filter) {
  if (!active()) {
    recordFilter_ = std::move(filter);
    return;
  }
  ensureBrowse();
  recordFilter_ = std::move(filter);
  fire(beforeScroll);
  // From the current record, or from the start when there is none: the
  // window is read again around the first accepted record from there.
  if (recordCount_ > 0) {
    positionCursorOnActive();
  } else {
    internalFirst();
    cursorIndex_ = -1;
  }
  resynchronise(0);
  fire(afterScroll);
}

void DataSet::setRecordFilterUnplaced(RecordFilter filter) {
  if (active()) ensureBrowse();
  recordFilter_ = std::move(filter);
  if (!active()) return;
  internalFirst();
  clearWindow();
}

bool DataSet::accepts(std::uint8_t* buffer) {
  const DataSetState saved = state_;
  std::uint8_t* const savedBuffer = filterBuffer_;
  filterBuffer_ = buffer;
  state_ = stFilter;
  Finally restore([&] {
    state_ = saved;
    filterBuffer_ = savedBuffer;
  });
  return recordFilter_(*this);
}

GetResult DataSet::readAccepted(std::uint8_t* buffer, GetMode mode, bool reportErrors) {
  for (;;) {
    const GetResult result = readRecord(buffer, mode, reportErrors);
    if (result != grOK || !filterApplies() || accepts(buffer)) return result;
    if (mode == gmCurrent) return grError;
  }
}

UnfilteredScope::UnfilteredScope(DataSet& dataSet) : dataSet_(dataSet) {
  ++dataSet_.unfilteredCount_;
}

UnfilteredScope::~UnfilteredScope() noexcept(false) {
  --dataSet_.unfilteredCount_;
  if (dataSet_.filterApplies() && dataSet_.active() && dataSet_.recordCount_ > 0) {
    dataSet_.positionCursorOnActive();
    dataSet_.resynchronise(0);
  }
}

bool DataSet::readNext() {
  GetMode mode = gmNext;
  if (recordCount_ > 0) {
    positionCursor(recordCount_ - 1);
    // A new record sits at the position of the record it was inserted
    // before, where the cursor now is: that record comes next.
    if (state_ == stInsert && cursorIndex_ == activeIndex_ &&
        getBookmarkFlag(buffers_[activeIndex_]) == bfInserted) {
      mode = gmCurrent;
    }
  }
  if (readAccepted(buffers_[recordCount_], mode, true) != grOK) {
    cursorIndex_ = -1;
    return false;
  }
  if (recordCount_ == 0) {
    activateWindow();
  } else if (recordCount_ < windowSize_) {
    ++recordCount_;
  } else {
    std::rotate(buffers_.begin(), buffers_.begin() + 1, buffers_.end());
  }
  cursorIndex_ = recordCount_ - 1;
  return true;
}

bool DataSet::readPrior() {
  if (recordCount_ > 0) positionCursor(0);
  if (readAccepted(buffers_[recordCount_], gmPrior, true) != grOK) {
    cursorIndex_ = -1;
    return false;
  }
  if (recordCount_ > 0) {
    std::rotate(buffers_.begin(), buffers_.begin() + recordCount_,
                buffers_.begin() + recordCount_ + 1);
    if (recordCount_ < windowSize_) {
      ++recordCount_;
      ++activeIndex_;
    }
  } else {
    activateWindow();
  }
  cursorIndex_ = 0;
  return true;
}

int DataSet::fillForward() {
  int read = 0;
  while (recordCount_ < windowSize_ && readNext()) ++read;
  return read;
}

int DataSet::fillBackward() {
  int read = 0;
  while (recordCount_ < windowSize_ && readPrior()) ++read;
  return read;
}

void DataSet::updateWindowSize() {
  if (!cursorOpen_) return;
  int size = 1;
  for (DataSource* source : dataSources_) {
    for (DataLink* link : source->links()) size = std::max(size, link->windowSize());
  }
  resizeWindow(size);
}

void DataSet::resizeWindow(int size) {
  if (size == windowSize_ && buffers_.size() == static_cast<std::size_t>(size) + 1) return;
  if (size < windowSize_ && recordCount_ > 0) {
    // Keep the records from the first one any observer shows, as long as the
    // active record stays inside the smaller window.
    int keep = activeIndex_;
    for (DataSource* source : dataSources_) {
      for (DataLink* link : source->links()) {
        if (link->linkActive()) keep = std::min(keep, link->windowStart());
      }
    }
    keep = std::max({keep, activeIndex_ - size + 1, 0});
    if (keep > 0) {
      std::rotate(buffers_.begin(), buffers_.begin() + keep, buffers_.end());
      recordCount_ -= keep;
      activeIndex_ -= keep;
      cursorIndex_ = cursorIndex_ >= keep ? cursorIndex_ - keep : -1;
      for (DataSource* source : dataSources_) {
        for (DataLink* link : source->links()) {
          link->windowStart_ = std::max(0, link->windowStart_ - keep);
        }
      }
    }
    if (recordCount_ > size) {
      recordCount_ = size;
      if (cursorIndex_ >= size) cursorIndex_ = -1;
    }
  }
  while (buffers_.size() > static_cast<std::size_t>(size) + 1) {
    freeRecordBuffer(buffers_.back());
    buffers_.pop_back();
  }
  while (buffers_.size() < static_cast<std::size_t>(size) + 1) {
    buffers_.push_back(allocateRecordBuffer());
  }
  windowSize_ = size;
  fillForward();
  const int added = fillBackward();
  if (added == 0) return;
  for (DataSource* source : dataSources_) {
    for (DataLink* link : source->links()) {
      if (link->linkActive()) link->windowStart_ += added;
    }
  }
}

// --- navigation -------------------------------------------------------------

void DataSet::forEachRecord(const std::function<void(const std::uint8_t* record)>& visit) {
  ensureBrowse();
  // Wherever the walk leaves the cursor, the next read puts it back on the
  // window's records first.
  Finally forget([this] { cursorIndex_ = -1; });
  if (!filterApplies()) {
    walkRecords(visit);
    return;
  }
  // A filtered dataset hands out the records its filter accepts. The filter
  // is asked as navigation asks it, of a record read into a buffer of the
  // dataset's own (it may set fields there), never of the stored record.
  std::uint8_t* scratch = buffers_[static_cast<std::size_t>(recordCount_)];
  internalFirst();
  while (readRecord(scratch, gmNext, true) == grOK) {
    if (accepts(scratch)) visit(scratch);
  }
}

FieldPlace DataSet::fieldPlace(const Field& field) const { return FieldPlace(field); }

void DataSet::walkRecords(const std::function<void(const std::uint8_t* record)>& visit) {
  std::uint8_t* scratch = buffers_[static_cast<std::size_t>(recordCount_)];
  internalFirst();
  while (readRecord(scratch, gmNext, true) == grOK) visit(scratch);
}

void DataSet::goFirst() {
  ensureBrowse();
  fire(beforeScroll);
  clearWindow();
  Finally notify([this] {
    atStart_ = true;
    dataEvent(dcDataSetChange, 0);
    fire(afterScroll);
  });
  internalFirst();
  readNext();
  fillForward();
}

void DataSet::goLast() {
  ensureBrowse();
  fire(beforeScroll);
  clearWindow();
  Finally notify([this] {
    atEnd_ = true;
    dataEvent(dcDataSetChange, 0);
    fire(afterScroll);
  });
  internalLast();
  readPrior();
  fillBackward();
}

int DataSet::skip(int distance) {
  ensureBrowse();
  fire(beforeScroll);
  if (distance == 0 || (distance > 0 && atEnd_) || (distance < 0 && atStart_)) return 0;
  atStart_ = false;
  atEnd_ = false;
  const int filled = recordCount_;
  int scroll = 0;
  int moved = 0;
  Finally notify([&] {
    if (recordCount_ == filled) {
      dataEvent(dcDataSetScroll, scroll);
    } else {
      dataEvent(dcDataSetChange, 0);
    }
    fire(afterScroll);
  });
  while (moved < distance) {
    if (activeIndex_ >= recordCount_ - 1) {
      const bool wasFull = recordCount_ == windowSize_;
      if (!readNext()) {
        atEnd_ = true;
        break;
      }
      if (wasFull) --scroll;
      if (activeIndex_ == recordCount_ - 1) {
        ++moved;
        continue;
      }
    }
    ++activeIndex_;
    ++moved;
  }
  while (moved > distance) {
    if (activeIndex_ == 0) {
      const bool wasFull = recordCount_ == windowSize_;
      if (!readPrior()) {
        atStart_ = true;
        break;
      }
      if (wasFull) ++scroll;
      if (activeIndex_ == 0) {
        --moved;
        continue;
      }
    }
    --activeIndex_;
    --moved;
  }
  return moved;
}

int DataSet::recordTotal() { return 0; }

void DataSet::resynchronise(unsigned mode) {
  std::uint8_t* scratch = buffers_[recordCount_];
  if (mode & rmExact) {
    cursorIndex_ = -1;
    // A record that is not there is reported as such, whatever code the
    // subclass has for it; damage still raises the subclass's own error.
    if (readAccepted(scratch, gmCurrent, false) != grOK) raise("Record not found");
  } else if (readAccepted(scratch, gmCurrent, false) != grOK &&
             readAccepted(scratch, gmNext, false) != grOK &&
             readAccepted(scratch, gmPrior, false) != grOK) {
    clearWindow();
    dataEvent(dcDataSetChange, 0);
    return;
  }
  int target = (mode & rmCenter) ? (windowSize_ - 1) / 2 : activeIndex_;
  std::swap(buffers_[0], buffers_[recordCount_]);
  activateWindow();
  Finally notify([this] { dataEvent(dcDataSetChange, 0); });
  while (target > 0 && readPrior()) --target;
  fillForward();
  fillBackward();
}

// --- changes ----------------------------------------------------------------

void DataSet::checkCanModify() {
  if (!canModify()) raise("Cannot modify a read-only dataset");
}

void DataSet::moveActiveBufferTo(int index) {
  // The scratch buffer becomes the buffer at index; the later ones move
  // down, the last of a full window into the scratch place.
  std::rotate(buffers_.begin() + index, buffers_.begin() + recordCount_,
              buffers_.begin() + recordCount_ + 1);
}

void DataSet::insertNew() {
  ensureBrowse();
  checkCanModify();
  fire(beforeInsert);
  fire(beforeScroll);
  const bool hadRecords = recordCount_ > 0;
  if (hadRecords) {
    bookmarkScratch_.resize(static_cast<std::size_t>(bookmarkSize_));
    getBookmarkData(buffers_[activeIndex_], bookmarkScratch_.data());
  }
  const bool cursorOnActive = hadRecords && cursorIndex_ == activeIndex_;
  moveActiveBufferTo(activeIndex_);
  std::uint8_t* buffer = buffers_[activeIndex_];
  initialiseRecord(buffer);
  if (hadRecords) {
    setBookmarkData(buffer, bookmarkScratch_.data());
  } else {
    setBookmarkFlag(buffer, bfBOF);
  }
  if (recordCount_ < windowSize_) ++recordCount_;
  // The cursor stays on the record it was on, which moved one buffer down;
  // on the record the new one was inserted before, it counts as being on the
  // new record, which sits at that position.
  if (cursorOnActive) {
    cursorIndex_ = activeIndex_;
  } else if (cursorIndex_ > activeIndex_) {
    cursorIndex_ = cursorIndex_ + 1 < recordCount_ ? cursorIndex_ + 1 : -1;
  }
  startInsert();
}

void DataSet::appendNew() {
  ensureBrowse();
  checkCanModify();
  fire(beforeInsert);
  fire(beforeScroll);
  clearWindow();
  std::uint8_t* buffer = buffers_[0];
  initialiseRecord(buffer);
  setBookmarkFlag(buffer, bfEOF);
  recordCount_ = 1;
  atStart_ = false;
  fillBackward();
  startInsert();
}

void DataSet::startInsert() {
  internalInsert();
  setState(stInsert);
  if (onNewRecord) {
    try {
      onNewRecord(*this);
    } catch (...) {
      // Written out rather than as a guard: each step of putting the
      // window back may itself raise.
      cursorIndex_ = -1;
      positionCursor(activeIndex_);
      internalCancel();
      setState(stBrowse);
      resynchronise(0);
      throw;
    }
  }
  modified_ = false;
  dataEvent(dcDataSetChange, 0);
  fire(afterInsert);
  fire(afterScroll);
}

void DataSet::beginEdit() {
  if (isEditing(state_)) return;
  if (recordCount_ == 0) {
    insertNew();
    return;
  }
  ensureBrowse();
  checkCanModify();
  fire(beforeEdit);
  retry(&DataSet::internalEdit, onEditError);
  calculateFields(buffers_[activeIndex_]);
  setState(stEdit);
  dataEvent(dcRecordChange, 0);
  fire(afterEdit);
}

void DataSet::postRecord() {
  checkActive();
  if (!isEditing(state_) && state_ != stSetKey) raise("Dataset not in edit or insert mode");
  dataEvent(dcUpdateRecord, 0);
  if (state_ == stSetKey) {
    setState(stBrowse);
    return;
  }
  dataEvent(dcCheckBrowseMode, 0);
  checkRequiredFields();
  fire(beforePost);
  retry(&DataSet::internalPost, onPostError);
  setState(stBrowse);
  resynchronise(0);
  fire(afterPost);
}

void DataSet::cancelChanges() {
  if (!isEditing(state_)) return;
  dataEvent(dcCheckBrowseMode, 0);
  fire(beforeCancel);
  const bool wasInsert = state_ == stInsert;
  if (wasInsert) fire(beforeScroll);
  positionCursor(activeIndex_);
  internalCancel();
  setState(stBrowse);
  resynchronise(0);
  fire(afterCancel);
  if (wasInsert) fire(afterScroll);
}

void DataSet::deleteCurrent() {
  checkActive();
  if (state_ == stInsert || state_ == stSetKey) {
    cancelChanges();
    return;
  }
  if (recordCount_ == 0) raise("Cannot perform this operation on an empty dataset");
  dataEvent(dcCheckBrowseMode, 0);
  fire(beforeDelete);
  fire(beforeScroll);
  retry(&DataSet::internalDelete, onDeleteError);
  setState(stBrowse);
  resynchronise(0);
  fire(afterDelete);
  fire(afterScroll);
}

void DataSet::ensureBrowse() {
  checkActive();
  dataEvent(dcCheckBrowseMode, 0);
  if (isEditing(state_)) {
    dataEvent(dcUpdateRecord, 0);
    if (modified_) {
      postRecord();
    } else {
      cancelChanges();
    }
  } else if (state_ == stSetKey) {
    postRecord();
  }
}

void DataSet::checkRequiredFields() {
  for (auto& f : fields_) {
    if (f->required() && !f->readOnly() && f->fieldKind() == fkData && f->isBlank()) {
      dataEvent(dcFocusControl, fieldInfo(f.get()));
      raise(formatMessage("Field '%s' must have a value", f->displayLabel()));
    }
  }
}

void DataSet::retry(void (DataSet::*operation)(), ErrorEvent& handler) {
  for (;;) {
    positionCursor(activeIndex_);
    try {
      (this->*operation)();
      return;
    } catch (DatabaseError& error) {
      if (!handler) throw;
      DataAction action = daFail;
      handler(*this, error, action);
      if (action == daFail) throw;
      if (action == daAbort) throw Abort();
      cursorIndex_ = -1;  // the failed attempt may have moved the cursor
    }
  }
}

// --- positions ----------------------------------------------------------------

std::string DataSet::positionMark() const {
  if ((state_ != stBrowse && !isEditing(state_)) || recordCount_ == 0) return {};
  const std::uint8_t* buffer = buffers_[activeIndex_];
  if (getBookmarkFlag(buffer) != bfCurrent) return {};
  std::string mark(static_cast<std::size_t>(bookmarkSize_), '\0');
  getBookmarkData(buffer, reinterpret_cast<std::uint8_t*>(mark.data()));
  return mark;
}

bool DataSet::markFits(const std::string& mark) const {
  return cursorOpen_ && mark.size() == static_cast<std::size_t>(bookmarkSize_);
}

void DataSet::goToMark(const std::string& mark) {
  if (mark.empty()) return;
  ensureBrowse();
  // A mark of another table's shape cannot name a record here.
  if (!markFits(mark)) raise("Record not found");
  fire(beforeScroll);
  internalGotoBookmark(reinterpret_cast<const std::uint8_t*>(mark.data()));
  resynchronise(rmExact | rmCenter);
  fire(afterScroll);
}

int DataSet::compareMarks(const std::string& a, const std::string& b) {
  if (a.empty() && b.empty()) return 0;
  if (b.empty()) return -1;
  if (a.empty()) return 1;
  int c = 0;
  if (markFits(a) && markFits(b)) {
    c = compareBookmarks(reinterpret_cast<const std::uint8_t*>(a.data()),
                         reinterpret_cast<const std::uint8_t*>(b.data()));
  } else {
    c = a.compare(b);
  }
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

bool DataSet::markValid(const std::string& mark) {
  if (!markFits(mark)) return false;
  cursorIndex_ = -1;
  return bookmarkValid(reinterpret_cast<const std::uint8_t*>(mark.data()));
}

bool DataSet::findKeyRecord(std::string_view fieldNames, const std::vector<Variant>& values,
                            unsigned options) {
  fire(beforeScroll);
  ensureBrowse();
  cursorIndex_ = -1;
  std::vector<Field*> found;
  for (std::string_view name : splitFieldNames(fieldNames)) found.push_back(&fieldNamed(name));
  if (found.empty() || found.size() != values.size()) return false;
  if (!locateRecord(found, values, options)) return false;
  if (filterApplies() && readAccepted(buffers_[recordCount_], gmCurrent, false) != grOK) {
    return false;
  }
  resynchronise(rmExact | rmCenter);
  fire(afterScroll);
  return true;
}

bool DataSet::findKeyRecord(std::string_view fieldName, const Variant& value, unsigned options) {
  return findKeyRecord(fieldName, std::vector<Variant>{value}, options);
}

// --- notifications ------------------------------------------------------------

void DataSet::suspendLinks() {
  if (suspendCount_ == 0) {
    suspendState_ = state_;
    pendingEvent_ = dcDataSetChange;
  }
  ++suspendCount_;
}

void DataSet::resumeLinks() {
  if (suspendCount_ == 0) return;
  if (--suspendCount_ > 0) return;
  if (state_ != suspendState_) dataEvent(dcUpdateState, 0);
  if (suspendState_ != stInactive && state_ != stInactive) dataEvent(pendingEvent_, 0);
}

void DataSet::dataEvent(DataChange event, ChangeInfo info) {
  switch (event) {
    case dcFieldChange: {
      const Field* f = infoField(info);
      if (f->fieldKind() == fkData || f->fieldKind() == fkInternalCalc) modified_ = true;
      if (state_ != stSetKey && calcFieldsSize_ > 0) calculateFields(activeBuffer());
      break;
    }
    default:
      break;
  }
  if (suspendCount_ > 0 || state_ == stBlockRead) {
    if (event == dcLayoutChange || (event == dcUpdateState && state_ == stInactive)) {
      pendingEvent_ = dcLayoutChange;
    }
    return;
  }
  // A handler may attach or detach sources: walk by position.
  for (std::size_t i = 0; i < dataSources_.size(); ++i) dataSources_[i]->dataEvent(event, info);
}

void DataSet::attachSource(DataSource* source) {
  dataSources_.push_back(source);
  updateWindowSize();
}

void DataSet::detachSource(DataSource* source) {
  std::erase(dataSources_, source);
  updateWindowSize();
}

SuspendedLinks::SuspendedLinks(DataSet& dataSet)
    : dataSet_(dataSet), uncaught_(std::uncaught_exceptions()) {
  dataSet_.suspendLinks();
}

SuspendedLinks::~SuspendedLinks() noexcept(false) {
  if (std::uncaught_exceptions() > uncaught_) {
    try {
      dataSet_.resumeLinks();
    } catch (...) {  // the error already on its way is the one to report
    }
  } else {
    dataSet_.resumeLinks();
  }
}

}  // namespace morvel
