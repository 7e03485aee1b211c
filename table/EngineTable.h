// The table component: the one concrete dataset of the program. It names a
// table in a database, builds it from field and index definitions, drops
// it, and opens an engine cursor on it. The viewer keeps one as "tblData":
// an exclusive in-memory table "memory.dat" in the database "Memory".
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "table/EngineDataSet.h"
#include "table/FieldDefs.h"

namespace morvel {

class DataSource;

class EngineTable : public EngineDBDataSet {
 public:
  explicit EngineTable(std::string_view name = {});
  ~EngineTable() override;

  // All of these require a closed table.
  const std::string& tableName() const { return tableName_; }
  // A drive or directory part (up to the last ":" or "\") becomes the
  // database name unless the table is in memory.
  void setTableName(std::string_view name);
  bool inMemory() const { return inMemory_; }
  // True also makes the database "Memory", and keeps it so.
  void setInMemory(bool inMemory);
  void setDatabaseName(std::string_view name) override;
  bool exclusive() const { return exclusive_; }
  void setExclusive(bool exclusive);
  bool readOnly() const { return readOnly_; }
  void setReadOnly(bool readOnly);
  const std::string& indexName() const { return indexName_; }
  void setIndexName(std::string_view name);
  const std::string& indexFieldNames() const { return indexFieldNames_; }
  void setIndexFieldNames(std::string_view names);
  DataSource* masterSource() const { return masterSource_; }
  void setMasterSource(DataSource* source) { masterSource_ = source; }
  const std::string& masterFields() const { return masterFields_; }
  void setMasterFields(std::string_view fields) { masterFields_ = fields; }
  static const char* engineVersion() { return EngineSession::engineVersion(); }

  IndexDefs& indexDefs() { return indexDefs_; }
  const IndexDefs& indexDefs() const { return indexDefs_; }

  // Creates the stored table from FieldDefs (or, when empty, from the
  // persistent data fields) and IndexDefs. Requires a closed table.
  void buildTable();
  // Deletes the stored table and its files. Requires a closed table.
  void dropTable();

 protected:
  std::unique_ptr<DataCursor> createCursor() override;
  void internalOpen() override;
  std::string engineTableName() const override { return tableName_; }

 private:
  // A cursor for table maintenance: not opened.
  std::unique_ptr<DataCursor> maintenanceCursor(bool readOnly);
  // The index to walk for an index name or, when it is empty, for the
  // fields its key must have ("" for the primary index).
  std::string resolveIndexName(const std::string& indexName, const std::string& fieldNames) const;
  void restoreIndexDefs();

  std::string tableName_;
  bool exclusive_ = false;
  bool readOnly_ = false;
  bool inMemory_ = false;
  std::string indexName_;
  std::string indexFieldNames_;
  DataSource* masterSource_ = nullptr;
  std::string masterFields_;
  IndexDefs indexDefs_;
};

}  // namespace morvel
