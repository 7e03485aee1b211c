// The dataset over an engine cursor, and its database-holding layer. The
// engine table (EngineTable) builds on both; these two classes map every
// dataset hook onto the cursor.
//
// A record buffer of the window:
//
//   OFFSET                SIZE               MEANING
//   0                     engine record size the record image as the engine stores it
//   recordSize            calculated area    per calculated field: presence byte + value
//   infoOffset            4                  record number (-1 for a new record)
//   infoOffset + 4        1                  bookmark flag (BookmarkFlag)
//   bookmarkOffset        bookmark size      the cursor's position value of the record
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "table/DataSet.h"
#include "table/EngineSession.h"
#include "table/engine/DataCursor.h"
#include "table/files/EngineAllocator.h"

namespace morvel {

class EngineDataSet : public DataSet {
 public:
  explicit EngineDataSet(std::string_view name = {}) : DataSet(name) {}

  // Records in the cursor's current order ("Cannot perform this operation
  // on a closed dataset" while closed).
  int recordTotal() override;

  bool autoDisplayLabels() const { return autoDisplayLabels_; }
  void setAutoDisplayLabels(bool value) { autoDisplayLabels_ = value; }
  bool copyOnAppend() const { return copyOnAppend_; }
  void setCopyOnAppend(bool value) { copyOnAppend_ = value; }
  // The engine cursor: present exactly while open.
  DataCursor* cursor() const { return cursor_.get(); }

 protected:
  // Makes and opens the engine cursor; none makes "Error creating table
  // handle.".
  virtual std::unique_ptr<DataCursor> createCursor() = 0;
  // Rebuilds FieldDefs from the cursor's field descriptors.
  virtual void restoreFieldDefs();
  // The table name engine errors carry.
  virtual std::string engineTableName() const { return {}; }
  // Makes the open cursor walk the named index (10022, changing nothing,
  // for an unknown name). A pending change is finished first; the window
  // buffers are made anew when the index's bookmarks have another length,
  // and the window is read again around the current record.
  void switchIndex(const std::string& indexName);

  void openCursor() override;
  void internalOpen() override;
  void internalClose() override;
  void closeCursor() override;
  std::uint8_t* allocateRecordBuffer() override;
  void freeRecordBuffer(std::uint8_t* buffer) override;
  GetResult readRecord(std::uint8_t* buffer, GetMode mode, bool reportErrors) override;
  void internalFirst() override { cursor_->first(); }
  // Hands out the engine's record images in place, unless calculated fields
  // need a buffer to be computed in.
  void walkRecords(const std::function<void(const std::uint8_t* record)>& visit) override;
  void internalLast() override { cursor_->last(); }
  void internalInitRecord(std::uint8_t* buffer) override;
  void internalEdit() override;
  void internalPost() override;
  void internalDelete() override;
  void internalCancel() override;
  bool getFieldData(const Field& field, const std::uint8_t* buffer,
                    std::uint8_t* value) const override;
  void setFieldData(const Field& field, std::uint8_t* buffer, const std::uint8_t* value) override;
  bool fieldDataInPlace(const Field& field, const std::uint8_t* buffer,
                        const std::uint8_t*& at) const override;
  FieldPlace fieldPlace(const Field& field) const override;
  void clearCalcFields(std::uint8_t* buffer) override;
  BookmarkFlag getBookmarkFlag(const std::uint8_t* buffer) const override;
  void setBookmarkFlag(std::uint8_t* buffer, BookmarkFlag flag) override;
  void getBookmarkData(const std::uint8_t* buffer, std::uint8_t* data) const override;
  void setBookmarkData(std::uint8_t* buffer, const std::uint8_t* data) override;
  void internalGotoBookmark(const std::uint8_t* bookmark) override;
  int compareBookmarks(const std::uint8_t* a, const std::uint8_t* b) override;
  bool bookmarkValid(const std::uint8_t* bookmark) override;
  bool locateRecord(const std::vector<Field*>& fields, const std::vector<Variant>& values,
                    unsigned options) override;
  int recordNumber() const override;
  bool canModify() const override { return canModify_; }
  bool isSequenced() const override { return true; }

 private:
  // A blank record holding the values, as the engine would store them;
  // false when a value cannot be held by its field.
  bool makeProbe(const std::vector<Field*>& fields, const std::vector<Variant>& values,
                 EngineBlock& probe);
  // The position of the current index among the cursor's indexes.
  int indexInUse() const;
  void setDisplayLabels();

  std::unique_ptr<DataCursor> cursor_;
  bool autoDisplayLabels_ = false;
  bool copyOnAppend_ = false;
  bool canModify_ = false;
  int recordSize_ = 0;
  int infoOffset_ = 0;
  int bookmarkOffset_ = 0;
  int bufferSize_ = 0;
};

class EngineDBDataSet : public EngineDataSet {
 public:
  // Reasons for holding the database, as bits.
  enum DatabaseReason : unsigned { drCursorOpen = 1u << 0, drTableMaintenance = 1u << 3 };

  explicit EngineDBDataSet(std::string_view name = {}) : EngineDataSet(name) {}
  ~EngineDBDataSet() override;

  const std::string& databaseName() const { return databaseName_; }
  // Refused while open, and with "Cannot perform this operation on an open
  // database." while a database is held.
  virtual void setDatabaseName(std::string_view name);
  const std::string& sessionName() const { return sessionName_; }
  void setSessionName(std::string_view name);
  // The database held while any reason is set.
  EngineDatabase* database() const { return database_; }

 protected:
  void setDatabaseReason(DatabaseReason reason);
  void clearDatabaseReason(DatabaseReason reason);
  void openCursor() override;
  void closeCursor() override;
  std::string databaseName_;

 private:
  std::string sessionName_;
  unsigned reasons_ = 0;
  EngineDatabase* database_ = nullptr;
};

}  // namespace morvel
