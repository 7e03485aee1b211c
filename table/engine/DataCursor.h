// The engine cursor: the table component's handle on one stored table. It
// keeps a position in the order of one index, copies whole record images to
// and from the caller's buffers, inserts, updates and deletes records
// (assigning auto-increment values and keeping every index in step), counts
// and numbers records, and makes bookmarks. It also creates and deletes
// tables.
//
// Ownership and lifetimes:
// - The cursor does not own its DataDirectory, which must outlive it. The
//   table object it opens belongs to the directory and is shared by every
//   cursor open on the same table; the cursor holds one use of it from
//   open() to close() (the destructor closes).
// - Record buffers are the caller's: every call that takes one reads or
//   writes exactly recordSize() bytes at its start (a dataset's buffer may
//   be longer). Field values are the caller's too (see getField).
// - Descriptors returned by reference live until close().
//
// Positions: a cursor is before the first record (after first()), after the
// last (after last()), or on a key of the current index. A key whose record
// was deleted (by this cursor or another) stays the position: reading the
// current record then returns 8710, and next/prior continue from where it
// was. Changes made through other cursors are seen at the next call.
//
// Failures are raised as EngineError with the engine's codes, except the
// positioning results of the read calls, which come back as return values.
// A failed insert, update or delete leaves the table and the position as
// they were.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "table/engine/DataDirectory.h"
#include "table/engine/EngineError.h"
#include "table/engine/FieldDescriptor.h"
#include "table/engine/IndexDescriptor.h"
#include "table/engine/RecordLayout.h"
#include "table/files/EngineAllocator.h"

namespace morvel {

class DataCursor {
 public:
  // Result codes of the read calls.
  static constexpr int kOk = 0;

  DataCursor(DataDirectory& directory, std::string tableName);
  ~DataCursor();
  DataCursor(const DataCursor&) = delete;
  DataCursor& operator=(const DataCursor&) = delete;

  // Options; they take effect at the next open().
  void setExclusive(bool exclusive) { exclusive_ = exclusive; }
  void setReadOnly(bool readOnly) { readOnly_ = readOnly; }
  void setInMemory(bool inMemory) { inMemory_ = inMemory; }
  bool exclusive() const { return exclusive_; }
  bool inMemory() const { return inMemory_; }
  const std::string& tableName() const { return tableName_; }

  // ---- table maintenance (the cursor need not be open) ------------------
  // Creates the table from field descriptors (number, name, type, subtype,
  // size, required; the engine computes lengths and offsets) and index
  // descriptors (the primary first: a zeroed descriptor for "no key fields,
  // insertion order"; then up to 32 secondaries). 13060 when it exists.
  void createTable(std::vector<FieldDescriptor> fields, std::vector<IndexDescriptor> indexes,
                   const TableCreateOptions& options = {});
  // Deletes the table and its files (11013 while open anywhere, 11010 when
  // there is none).
  void deleteTable();
  bool tableExists();

  // ---- opening ------------------------------------------------------------
  // Opens the table: 11010 when it does not exist, 11013 when it is open
  // exclusively elsewhere or this cursor asks for exclusive use while
  // others have it open, 8961/8965 when its files are damaged. Afterwards
  // the primary index is selected and the cursor is before the first record.
  void open();
  // Releases the table (its files stay registered). Safe to call twice.
  void close();
  bool isOpen() const { return table_ != nullptr; }
  bool readOnly() const { return readOnly_; }

  // ---- structure (open cursor) -------------------------------------------
  int recordSize() const { return recordSize_; }
  int fieldCount() const { return static_cast<int>(fields_.size()); }
  // Field `number` (1-based; 9985 outside 1..fieldCount()).
  const FieldDescriptor& field(int number) const;
  const std::vector<FieldDescriptor>& fields() const { return fields_; }
  // Index `i`: 0 the primary, 1..secondaryIndexCount() the secondaries.
  int secondaryIndexCount() const;
  const IndexDescriptor& indexDescriptor(int i) const;

  // Selects an index by name, ignoring case; "" selects the primary.
  // 10022 for an unknown name. The cursor stays on its record when it is
  // on one, else it goes before the first record. A failure leaves the
  // order and the position as they were.
  void selectIndex(std::string_view name);
  // The bookmark size the named index would give (10022 for an unknown
  // name), so that a caller can size its buffers before selecting it.
  int bookmarkSizeFor(std::string_view indexName) const;
  // The order of record numbers (slots of records in use, oldest first).
  void selectRecordNumberOrder();
  // "" for the primary index.
  std::string currentIndexName() const;

  // ---- navigation ----------------------------------------------------------
  void first();  // before the first record: atStart()
  void last();   // after the last record: atEnd()
  // Each read copies the record into `buffer` and returns kOk, or returns
  // 8705 (at start), 8706 (at end), 8709 (both: nothing to read) or 8710
  // (the current record was deleted); on those the buffer gets a blank
  // record image.
  // readNext from before the first record reads the first; stepping past
  // the last sets atEnd() and returns 8706. readPrior mirrors it.
  int readNext(std::uint8_t* buffer);
  int readPrior(std::uint8_t* buffer);
  // Calls visit(image) for every record in the current order, from the
  // first, as readNext would hand them out, with the table held once for
  // the whole walk rather than for each record. A memory table's images are
  // read where its file keeps them, never copied into the record cache.
  // Each image is valid during its call; visit must not read, add or change
  // records of this table (through any cursor). Afterwards, and when visit
  // throws, the cursor is after the last record.
  void forEachImage(const std::function<void(const std::uint8_t* image)>& visit);
  // With `forChange`, the record is locked for this cursor and compared
  // with what `buffer` holds: when it differs, the lock is released and
  // 8708 is raised (also when the record has gone).
  int readCurrent(std::uint8_t* buffer, bool forChange = false);
  bool atStart() const { return atStart_; }
  bool atEnd() const { return atEnd_; }

  // Records in the current order.
  std::int64_t recordCount();
  // 1-based position of the current record in the current order; 0 when
  // the cursor is not on a record.
  std::int64_t recordNumber();

  // ---- bookmarks ----------------------------------------------------------
  // A bookmark is the current key (key length bytes) or, in record-number
  // order and for a primary index without key fields, the 4-byte record
  // number.
  int bookmarkSize() const;
  // Writes the current record's bookmark; false (and zeros) when the
  // cursor is not on a record.
  bool getBookmark(std::uint8_t* bookmark) const;
  // Positions on the bookmarked record. False when it no longer exists: the
  // cursor is then where the record would be, so next and prior read its
  // neighbours (a record number that never named a slot leaves the cursor
  // as it was).
  bool goToBookmark(const std::uint8_t* bookmark);
  // -1, 0 or 1 as a sorts before, with or after b in the current order.
  int compareBookmarks(const std::uint8_t* a, const std::uint8_t* b) const;

  // ---- record images --------------------------------------------------------
  // A new record: every field blank, auto-increment 0.
  void blankRecord(std::uint8_t* buffer) const;
  // Reads field `number` of the record image into `value`, which holds the
  // field's data length (strings: size + 1, NUL-terminated; dates and
  // integers: 4 bytes; date-times and floats: 8 bytes; all little-endian).
  // Returns false when the field is blank. 9985 for a bad field number.
  bool getField(int number, const std::uint8_t* record, std::uint8_t* value) const;
  // Field `number`'s bytes in the record image, null when blank.
  const std::uint8_t* fieldBytes(int number, const std::uint8_t* record) const;
  // Where fieldBytes finds field `number` in every record image.
  FieldBytesPlace fieldBytesPlace(int number) const;
  // Writes field `number` into the record image; null `value` blanks it.
  // See writeField for the string rules.
  void putField(int number, std::uint8_t* record, const std::uint8_t* value,
                bool fromDataset = true) const;

  // ---- changes ------------------------------------------------------------
  // Inserts `buffer` as a new record: 9732 for a blank required field,
  // 9729 for a duplicate key in a unique index, 9479 when the table is
  // full. The record gets the next auto-increment value (whatever the
  // buffer held) and the slot of a deleted record when there is one; the
  // cursor is then on it, in the current order.
  void insertRecord(const std::uint8_t* buffer);
  // Replaces the current record's fields with the buffer's (its slot and
  // auto-increment value stay), moving its keys in every index whose key
  // changed; the cursor stays on it and its lock is released. 8709 when
  // not on a record, 8708 when it has gone.
  void updateRecord(const std::uint8_t* buffer);
  // Deletes the current record. Unless the cursor holds the table
  // exclusively, the stored record must equal `buffer` (8708 otherwise;
  // null skips the check). The cursor stays at the deleted key's place.
  void deleteRecord(const std::uint8_t* buffer);
  // Record locks (10258 when another cursor holds it). A cursor holds at
  // most one; unlocking without a lock does nothing.
  void lockRecord();
  void unlockRecord();
  // Blob data is never buffered; kept for the table component's cancel.
  void releasePendingBlobs() {}

  // The shared table object, for integrity checks and tests.
  DataTable& table() { return *table_; }

 private:
  enum class Where { BeforeFirst, AfterLast, OnKey };

  void requireOpen() const;
  void requireWritable() const;
  void checkFieldNumber(int number) const;
  BTree& tree() { return table_->tree(treeIndex_); }
  bool slotOrder() const { return treeIndex_ == kSlotIndex; }
  bool inRange(const std::uint8_t* key) const { return !slotOrder() || key[0] == 0; }
  // The tree walked for an index: a primary index without key fields walks
  // the slot index.
  int treeFor(int index) const;
  int findIndex(std::string_view name) const;
  void useIndex(int index);
  void switchTo(int index);
  bool resolve();
  void positionOn(std::int32_t record, const std::uint8_t* image);
  void positionAt(const BTree::Position& at, std::int32_t record, std::uint64_t ordinal);
  int failRead(std::uint8_t* buffer, int code);
  int step(std::uint8_t* buffer, bool forward);
  int stepTo(bool forward, const Record*& r);
  void releaseLock();

  DataDirectory& directory_;
  std::string tableName_;
  bool exclusive_ = false;
  bool readOnly_ = false;
  bool inMemory_ = false;

  DataTable* table_ = nullptr;
  std::vector<FieldDescriptor> fields_;
  int recordSize_ = 0;
  int index_ = 0;      // the selected index, or kSlotIndex
  int treeIndex_ = 0;  // the tree walked: index_, or the slot index for a primary without fields

  Where where_ = Where::BeforeFirst;
  bool atStart_ = true;
  bool atEnd_ = false;
  bool onRecord_ = false;  // key_ was found in the tree (as of posVersion_)
  EngineBlock key_;
  EngineBlock probe_;
  BTree::Position pos_;
  std::uint64_t posVersion_ = 0;
  bool posValid_ = false;
  std::int32_t record_ = 0;
  std::uint64_t ordinal_ = 0;
  std::uint64_t ordinalVersion_ = 0;
  bool ordinalValid_ = false;
  std::int32_t locked_ = 0;
};

}  // namespace morvel
