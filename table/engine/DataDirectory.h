// Databases as the engine sees them. A DataDirectory is one database: the
// in-memory database "MEMORY" (no path; its tables are memory files) or a
// directory on disk. It registers the DataTable objects its cursors share
// and creates, deletes and finds tables. A DataSession keeps the
// directories by database name.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "table/engine/DataFile.h"
#include "table/engine/DataTable.h"
#include "table/engine/FieldDescriptor.h"
#include "table/engine/IndexDescriptor.h"

namespace morvel {

struct TableCreateOptions {
  int language = 0;
  int sortId = 0;
  bool overwrite = false;  // replace an existing table instead of failing with 13060
  int blobBlockSize = 512;
  std::string description;
};

class DataDirectory {
 public:
  // `path` is empty for the in-memory database.
  DataDirectory(std::string databaseName, std::string path);
  ~DataDirectory();
  DataDirectory(const DataDirectory&) = delete;
  DataDirectory& operator=(const DataDirectory&) = delete;

  const std::string& name() const { return name_; }
  const std::string& path() const { return path_; }
  // Whether this is the "MEMORY" database (name compared ignoring case).
  bool isMemoryDatabase() const;

  // Creates a table from field descriptors and index descriptors (the
  // primary first; a zeroed primary has no key fields). Validation errors
  // are those of layoutTable and validateIndexes; 13060 when the table
  // exists and `overwrite` is off; 11013 when it is open.
  void createTable(std::string_view table, bool memory, std::vector<FieldDescriptor> fields,
                   std::vector<IndexDescriptor> indexes, const TableCreateOptions& options = {});
  // Deletes a table and its files: 11013 while any cursor has it open,
  // 11010 when its files are missing.
  void deleteTable(std::string_view table, bool memory);
  // A registered table of that name and kind, or its data file.
  bool tableExists(std::string_view table, bool memory);

  // Cursor side: the shared table object, in use by one more cursor.
  DataTable& useTable(std::string_view table, bool memory, bool exclusive);
  void releaseTable(DataTable& table);

 private:
  DataTable* find(std::string_view table, bool memory);

  std::string name_;
  std::string path_;
  std::mutex mutex_;
  std::vector<std::unique_ptr<DataTable>> tables_;
};

class DataSession {
 public:
  DataSession() = default;
  DataSession(const DataSession&) = delete;
  DataSession& operator=(const DataSession&) = delete;

  // The directory for a database, made on first use. "MEMORY" (any case)
  // is the in-memory database; another name lives in `directory`, or in the
  // session's private directory when that is empty.
  DataDirectory& directory(std::string_view databaseName, std::string_view directory = {});
  const std::string& privateDirectory() const { return privateDirectory_; }
  void setPrivateDirectory(std::string path) { privateDirectory_ = std::move(path); }

 private:
  std::mutex mutex_;
  std::string privateDirectory_;
  std::vector<std::unique_ptr<DataDirectory>> directories_;
};

}  // namespace morvel
