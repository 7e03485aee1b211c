// The abstract dataset: open/closed state, a window of record buffers over a
// cursor that a concrete subclass supplies, navigation, insert/edit/post/
// cancel/delete, the field list and the definitions fields are made from, and
// the notifications that attached data sources pass on to their links.
//
// The record window is window size + 1 buffers: buffers 0..count-1 hold the
// records shown, the buffer at index count is scratch space that reads go
// into first. Navigation moves buffer pointers, never record bytes. The
// layout of a buffer belongs to the subclass.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/Variant.h"
#include "table/DatabaseError.h"
#include "table/Field.h"
#include "table/FieldDefs.h"

namespace morvel {

class DataSource;
class DataLink;

// The numbers are fixed: edit-or-insert tests are range tests on them.
enum DataSetState {
  stInactive = 0,
  stBrowse = 1,
  stEdit = 2,
  stInsert = 3,
  stSetKey = 4,
  stCalcFields = 5,
  stFilter = 6,
  stNewValue = 7,
  stOldValue = 8,
  stCurValue = 9,
  stBlockRead = 10,
  stInternalCalc = 11,
  stOpening = 12,
};

// Notification kinds; the info that comes with each is noted.
enum DataChange {
  dcFieldChange = 0,      // the Field whose value changed
  dcRecordChange = 1,     // 0
  dcDataSetChange = 2,    // 0
  dcDataSetScroll = 3,    // signed number of buffers the window was shifted
  dcLayoutChange = 4,     // 0
  dcUpdateRecord = 5,     // 0
  dcUpdateState = 6,      // 0
  dcCheckBrowseMode = 7,  // 0
  dcPropertyChange = 8,   // 0
  dcFieldListChange = 9,  // 0
  dcFocusControl = 10,    // the Field to focus
  dcParentScroll = 11,    // 0
};

// A notification's info: an integer, or a Field* for the field kinds.
using ChangeInfo = std::intptr_t;
inline ChangeInfo fieldInfo(Field* field) { return reinterpret_cast<ChangeInfo>(field); }
inline Field* infoField(ChangeInfo info) { return reinterpret_cast<Field*>(info); }

// What an error event decides: raise the error, end silently, or try again.
enum DataAction { daFail, daAbort, daRetry };

// How a subclass read went.
enum GetResult { grOK, grBOF, grEOF, grError };
enum GetMode { gmCurrent, gmNext, gmPrior };

// Where a buffer's record stands.
enum BookmarkFlag : std::uint8_t { bfCurrent = 0, bfBOF = 1, bfEOF = 2, bfInserted = 3 };

// Resynchronise mode bits.
enum ResyncMode : unsigned { rmExact = 1, rmCenter = 2 };

// FindKeyRecord option bits.
enum LocateOption : unsigned { loCaseInsensitive = 1, loPartialKey = 2 };

class DataSet {
 public:
  using Event = std::function<void(DataSet&)>;
  using ErrorEvent = std::function<void(DataSet&, DatabaseError&, DataAction&)>;

  explicit DataSet(std::string_view name = {});
  virtual ~DataSet();
  DataSet(const DataSet&) = delete;
  DataSet& operator=(const DataSet&) = delete;

  // The component name; a non-empty name prefixes every message ("tblData: ").
  const std::string& name() const { return name_; }
  void setName(std::string_view name) { name_ = name; }
  // A DatabaseError whose text carries the component's prefix.
  static DatabaseError databaseError(std::string_view component, std::string_view text);

  // Open and close. Setting the current value does nothing. A failing open
  // leaves the dataset closed and propagates the error.
  bool active() const { return state_ != stInactive && state_ != stOpening; }
  void setActive(bool active);
  void open() { setActive(true); }
  void close() { setActive(false); }
  DataSetState state() const { return state_; }
  // While the component is loaded from a stored form, opening only remembers
  // the request; ending the load carries it out.
  void setLoading(bool loading);
  bool autoCalcFields() const { return autoCalcFields_; }
  void setAutoCalcFields(bool value) { autoCalcFields_ = value; }

  FieldDefs& fieldDefs() { return fieldDefs_; }
  const FieldDefs& fieldDefs() const { return fieldDefs_; }

  // The field list, in order. Position access returns none out of range;
  // FieldNamed raises "Field '%s' not found"; names compare ignoring case.
  int fieldTotal() const { return static_cast<int>(fields_.size()); }
  Field* field(int index) const;
  Field& fieldNamed(std::string_view name) const;
  Field* lookupField(std::string_view name) const;
  // Adds a persistent field (kept across close and open), owned by the
  // dataset; raises "Duplicate field name '%s'". Only while closed.
  Field& addField(std::unique_ptr<Field> field);
  // Destroys a persistent field. Only while closed.
  void removeField(Field& field);

  // Navigation. Skip returns how many records it moved.
  void goFirst();
  void goLast();
  void goNext() { skip(1); }
  void goPrior() { skip(-1); }
  int skip(int distance);
  bool atStart() const { return atStart_; }
  bool atEnd() const { return atEnd_; }
  bool noRecords() const { return recordCount_ == 0; }
  // The number of records: the subclass's count.
  virtual int recordTotal();

  // Changes.
  void insertNew();
  void appendNew();
  void beginEdit();
  void postRecord();
  void cancelChanges();
  void deleteCurrent();
  // Finishes a pending change: posts it when a field was changed, cancels
  // it otherwise.
  void ensureBrowse();
  // Re-reads the window around the cursor's record (ResyncMode bits).
  void resynchronise(unsigned mode);
  // Calls visit(record) for every record in the current order without
  // moving the window: the current record, and what observers see, stay as
  // they were. A pending change is finished first, as by any move. A record
  // is handed out in the subclass's layout, for Field::nativeIn,
  // Field::textIn and Field::placeInRecords, and lives only during its call; visit must not change
  // the dataset. Under a record filter only the accepted records are
  // handed out. For reading every record fast, as an export does.
  void forEachRecord(const std::function<void(const std::uint8_t* record)>& visit);

  // Positions: opaque marks of records, empty when there is none.
  std::string positionMark() const;
  void setPositionMark(const std::string& mark) { goToMark(mark); }
  void goToMark(const std::string& mark);
  int compareMarks(const std::string& a, const std::string& b);
  bool markValid(const std::string& mark);
  // Makes the first record whose named fields (";"-separated) equal the
  // values current; false, leaving the window as it was, when there is none.
  bool findKeyRecord(std::string_view fieldNames, const std::vector<Variant>& values,
                     unsigned options = 0);
  bool findKeyRecord(std::string_view fieldName, const Variant& value, unsigned options = 0);

  // A record filter makes the dataset a view over its records: navigation
  // passes over the records it rejects as if they were not there, and a
  // key or a mark of a rejected record finds nothing. The filter is asked
  // with the candidate record current (state stFilter), so fields read that
  // record; it must not move the dataset. Setting a filter, or none, reads
  // the window again around the current record (or the nearest accepted
  // one) and tells the observers that the data changed.
  using RecordFilter = std::function<bool(DataSet&)>;
  void setRecordFilter(RecordFilter filter);
  // Sets the filter without reading a record: the window is emptied and the
  // dataset stands before its first record, telling no observer, for a
  // caller that walks the records next anyway and then moves the dataset
  // where it belongs (goFirst, findKeyRecord).
  void setRecordFilterUnplaced(RecordFilter filter);
  bool hasRecordFilter() const { return static_cast<bool>(recordFilter_); }
  // Whether forEachRecord runs no code but the dataset's own (no record
  // filter to ask, no fields to calculate): a walk may then run on another
  // thread while this one leaves the dataset alone and its links are
  // suspended (ending an edit first would tell them).
  bool walksOnItsOwn() const { return !filterApplies() && calcFieldsSize_ == 0; }
  // Whether navigation applies the filter now: one is set and no
  // UnfilteredScope holds it off.
  bool filterApplies() const { return recordFilter_ && unfilteredCount_ == 0; }

  // Notifications to observers stop while suspended (the calls nest); the
  // last resume sends what the observers missed.
  void suspendLinks();
  void resumeLinks();
  bool linksSuspended() const { return suspendCount_ > 0; }

  // For observers.
  bool modified() const { return modified_; }
  // Whether records can be inserted, changed and deleted.
  bool canModifyRecords() const { return canModify(); }
  std::uint8_t* activeBuffer() const;
  // The filled buffer at a window position; none outside 0..bufferCount-1.
  std::uint8_t* windowBuffer(int index) const;
  int bufferCount() const { return recordCount_; }
  int activeRecordIndex() const { return activeIndex_; }
  int windowSize() const { return windowSize_; }
  const std::vector<DataSource*>& dataSources() const { return dataSources_; }

  // Field value exchange, for the fields: the native value of the field in
  // the buffer of the current state (false when blank or there is none), and
  // storing one (null: blank) after the state and read-only checks.
  bool readFieldData(const Field& field, std::uint8_t* value) const;
  // The field's native bytes in the current record, without a copy: true
  // with `at` on them (null when the field is blank), or false when this
  // dataset cannot show them in place and readFieldData must copy them.
  bool readFieldInPlace(const Field& field, const std::uint8_t*& at) const;
  void writeFieldData(Field& field, const std::uint8_t* value);

  Event beforeOpen, afterOpen, beforeClose, afterClose;
  Event beforeInsert, afterInsert, beforeEdit, afterEdit;
  Event beforePost, afterPost, beforeCancel, afterCancel;
  Event beforeDelete, afterDelete, beforeScroll, afterScroll;
  Event onNewRecord, onCalcFields;
  ErrorEvent onPostError, onEditError, onDeleteError;

 protected:
  // --- hooks a concrete dataset supplies ---
  // Opens the subclass cursor. Then internalOpen sets the bookmark size,
  // restores the field definitions, creates default fields when
  // defaultFields() (createDefaultFields), binds the fields (bindFields) and
  // positions the cursor before the first record.
  virtual void openCursor() = 0;
  virtual void internalOpen() = 0;
  // Unbinds the fields and destroys the default ones (destroyDefaultFields).
  virtual void internalClose() = 0;
  // Releases the window and buffers, then the subclass cursor; must cope
  // with a cursor that never opened.
  virtual void closeCursor();
  virtual std::uint8_t* allocateRecordBuffer() = 0;
  virtual void freeRecordBuffer(std::uint8_t* buffer) = 0;
  // Reads the current / next / prior record into the buffer. reportErrors:
  // raise read errors rather than answer grError.
  virtual GetResult readRecord(std::uint8_t* buffer, GetMode mode, bool reportErrors) = 0;
  virtual void internalFirst() = 0;
  virtual void internalLast() = 0;
  // Walks the cursor over every record from the first for forEachRecord;
  // the base reads each one into the scratch buffer. The window is left to
  // the caller, which puts the cursor back before the next read.
  virtual void walkRecords(const std::function<void(const std::uint8_t* record)>& visit);
  // Blanks a new record buffer (the base also clears the calculated area and
  // marks it inserted).
  virtual void initialiseRecord(std::uint8_t* buffer);
  virtual void internalInitRecord(std::uint8_t* buffer) = 0;
  virtual void internalInsert() {}
  virtual void internalEdit() = 0;
  virtual void internalPost() = 0;
  virtual void internalDelete() = 0;
  virtual void internalCancel() {}
  // The field's native value in the given buffer; false when blank.
  virtual bool getFieldData(const Field& field, const std::uint8_t* buffer,
                            std::uint8_t* value) const = 0;
  virtual void setFieldData(const Field& field, std::uint8_t* buffer,
                            const std::uint8_t* value) = 0;
  // getFieldData without the copy (see readFieldInPlace); none here.
  virtual bool fieldDataInPlace(const Field& /*field*/, const std::uint8_t* /*buffer*/,
                                const std::uint8_t*& /*at*/) const {
    return false;
  }
  // Where fieldDataInPlace or getFieldData finds the field in every record
  // forEachRecord hands out (Field::placeInRecords); here, through them.
  virtual FieldPlace fieldPlace(const Field& field) const;
  virtual void clearCalcFields(std::uint8_t* /*buffer*/) {}
  virtual BookmarkFlag getBookmarkFlag(const std::uint8_t* buffer) const = 0;
  virtual void setBookmarkFlag(std::uint8_t* buffer, BookmarkFlag flag) = 0;
  // Copies bookmarkSize() bytes out of / into the buffer.
  virtual void getBookmarkData(const std::uint8_t* buffer, std::uint8_t* data) const = 0;
  virtual void setBookmarkData(std::uint8_t* buffer, const std::uint8_t* data) = 0;
  virtual void internalGotoBookmark(const std::uint8_t* bookmark) = 0;
  // Negative, zero or positive.
  virtual int compareBookmarks(const std::uint8_t* a, const std::uint8_t* b) = 0;
  virtual bool bookmarkValid(const std::uint8_t* bookmark) = 0;
  // Positions the cursor on the first record, in the current order, whose
  // fields equal the values.
  virtual bool locateRecord(const std::vector<Field*>& fields, const std::vector<Variant>& values,
                            unsigned options) = 0;
  virtual int recordNumber() const { return -1; }
  virtual bool canModify() const { return true; }
  virtual bool isSequenced() const { return true; }
  // Copies a text through the character translation of the table.
  virtual void translateText(const char* /*from*/, char* /*to*/, bool /*toStored*/) {}

  // --- helpers for subclasses ---
  // Puts a new set of window buffers (as many as the window has, in a
  // layout of the subclass's choosing) in place of the current ones, which
  // come back in `buffers` for the subclass to free. The window is left
  // empty: the caller fills it again (resynchronise). For a change of
  // buffer layout on an open dataset, such as a longer bookmark.
  void exchangeWindowBuffers(std::vector<std::uint8_t*>& buffers);
  // Puts the subclass cursor on the active record (reads that fill the
  // window leave it elsewhere); nothing when the window is empty.
  void positionCursorOnActive() {
    if (recordCount_ > 0) positionCursor(activeIndex_);
  }
  int bufferSlots() const { return static_cast<int>(buffers_.size()); }
  void setBookmarkSize(int size) { bookmarkSize_ = size; }
  int bookmarkSize() const { return bookmarkSize_; }
  int calcFieldsSize() const { return calcFieldsSize_; }
  bool defaultFields() const { return defaultFields_; }
  // One field per known, visible definition, owned by the dataset.
  void createDefaultFields();
  void destroyDefaultFields();
  // Binds data fields to their definitions ("Field '%s' not found") and
  // gives calculated fields their place in the calculated area.
  void bindFields(bool binding);
  // The buffer field values come from in the current state: the active
  // buffer (none when a browsed window is empty), the buffer being
  // calculated in stCalcFields.
  std::uint8_t* currentRecordBuffer() const;
  // Computes the calculated fields of a buffer.
  void calculateFields(std::uint8_t* buffer);
  // Must be the first thing a concrete dataset's destructor does, so that
  // the hooks still exist while closing.
  void destroying();
  virtual void dataEvent(DataChange event, ChangeInfo info);
  void setState(DataSetState state);
  [[noreturn]] void raise(std::string_view text) const;
  void checkActive() const;
  void checkInactive();

 private:
  friend class DataSource;
  friend class DataLink;
  friend class Field;

  void openNow();
  void closeNow();
  void attachSource(DataSource* source);
  void detachSource(DataSource* source);
  // The window size the links ask for (at least 1); resizes the window.
  void updateWindowSize();
  void resizeWindow(int size);
  void clearWindow();
  void activateWindow();
  void positionCursor(int index);
  // readRecord that passes over the records the filter rejects; a rejected
  // current record reads as grError.
  GetResult readAccepted(std::uint8_t* buffer, GetMode mode, bool reportErrors);
  bool accepts(std::uint8_t* buffer);
  bool readNext();
  bool readPrior();
  int fillForward();
  int fillBackward();
  void checkCanModify();
  void checkRequiredFields();
  void retry(void (DataSet::*operation)(), ErrorEvent& handler);
  void fire(const Event& event) {
    if (event) event(*this);
  }
  void moveActiveBufferTo(int index);
  void startInsert();
  bool markFits(const std::string& mark) const;
  // For the fields' Index property.
  void moveField(Field& field, int index);
  int fieldPosition(const Field& field) const;

  std::string name_;
  DataSetState state_ = stInactive;
  bool loading_ = false;
  bool openWhenLoaded_ = false;
  bool destroying_ = false;
  bool autoCalcFields_ = true;
  bool cursorOpen_ = false;
  bool internalOpenDone_ = false;
  bool defaultFields_ = false;
  bool modified_ = false;
  FieldDefs fieldDefs_;
  std::vector<std::unique_ptr<Field>> fields_;
  std::vector<bool> fieldIsDefault_;
  std::vector<DataSource*> dataSources_;

  std::vector<std::uint8_t*> buffers_;  // window size + 1 once open
  int windowSize_ = 0;
  int recordCount_ = 0;   // filled buffers
  int activeIndex_ = 0;   // the current record's buffer
  int cursorIndex_ = -1;  // the buffer the subclass cursor is on; -1 unknown
  bool atStart_ = true;
  bool atEnd_ = true;
  int bookmarkSize_ = 0;
  int calcFieldsSize_ = 0;
  std::uint8_t* calcBuffer_ = nullptr;  // the buffer being calculated
  std::vector<std::uint8_t> bookmarkScratch_;

  RecordFilter recordFilter_;
  std::uint8_t* filterBuffer_ = nullptr;  // the record the filter is asked about
  int unfilteredCount_ = 0;
  friend class UnfilteredScope;

  int suspendCount_ = 0;
  DataSetState suspendState_ = stInactive;
  DataChange pendingEvent_ = dcDataSetChange;
};

// Releases a suspension on every path. Resuming sends the notifications the
// observers missed; when that raises while another error is already on its
// way, the first error is the one that propagates.
class SuspendedLinks {
 public:
  explicit SuspendedLinks(DataSet& dataSet);
  ~SuspendedLinks() noexcept(false);
  SuspendedLinks(const SuspendedLinks&) = delete;
  SuspendedLinks& operator=(const SuspendedLinks&) = delete;

 private:
  DataSet& dataSet_;
  int uncaught_;
};

// Holds a dataset's record filter off for a while, so that a walk sees every
// record (writing the whole table under a filter). Nothing is told to the
// observers: the window is read again, filtered, when the scope ends, and a
// caller that moves the dataset meanwhile suspends its links around it.
class UnfilteredScope {
 public:
  explicit UnfilteredScope(DataSet& dataSet);
  ~UnfilteredScope() noexcept(false);
  UnfilteredScope(const UnfilteredScope&) = delete;
  UnfilteredScope& operator=(const UnfilteredScope&) = delete;

 private:
  DataSet& dataSet_;
};

}  // namespace morvel
