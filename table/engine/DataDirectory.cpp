// Databases, table registration, creation and deletion; see DataDirectory.h.
#include "table/engine/DataDirectory.h"

#include "base/ScopeGuard.h"
#include "table/files/EngineError.h"
#include "table/files/FileHandler.h"
#include "table/files/FileList.h"

namespace morvel {

DataDirectory::DataDirectory(std::string databaseName, std::string path)
    : name_(std::move(databaseName)), path_(std::move(path)) {}

DataDirectory::~DataDirectory() = default;

bool DataDirectory::isMemoryDatabase() const { return sameName(name_, "MEMORY"); }

DataTable* DataDirectory::find(std::string_view table, bool memory) {
  const TableFileNames files = tableFileNames(path_, table, memory);
  for (auto& t : tables_) {
    if (t->isMemory() == memory && sameName(t->files().data, files.data)) return t.get();
  }
  return nullptr;
}

bool DataDirectory::tableExists(std::string_view table, bool memory) {
  std::lock_guard lock(mutex_);
  if (find(table, memory)) return true;
  return FileList::instance().exists(tableFileNames(path_, table, memory).data, memory);
}

void DataDirectory::createTable(std::string_view table, bool memory,
                                std::vector<FieldDescriptor> fields,
                                std::vector<IndexDescriptor> indexes,
                                const TableCreateOptions& options) {
  const std::string name(trimmedName(table));
  if (name.empty()) raiseEngineError(kInvalidPath, name);
  if (tableExists(name, memory)) {
    if (!options.overwrite) raiseEngineError(kTableExists, name);
    deleteTable(name, memory);
  }
  const TableLayout layout = layoutTable(fields, options.blobBlockSize, name);
  validateIndexes(indexes, fields, name);

  std::lock_guard lock(mutex_);
  const TableFileNames files = tableFileNames(path_, name, memory);
  // A half-made table would block the next attempt with 13060. The files
  // count as made from the moment their creation starts: it registers the
  // name before it can fail writing the first bytes. No data file of the
  // name existed (checked above), and an index or blob file left without
  // its data file belongs to no table.
  int made = 0;
  OnFailure removeMade([&] {
    FileList& list = FileList::instance();
    const std::string* names[] = {&files.data, &files.index, &files.blob};
    for (int i = 0; i < made; ++i) list.remove(*names[i], memory);
  });
  DataFileOptions dataOptions;
  dataOptions.blobBlockSize = options.blobBlockSize;
  dataOptions.language = options.language;
  dataOptions.sortId = options.sortId;
  dataOptions.description = options.description;
  {
    DataFile data(name, files.data, memory);
    made = 1;
    data.create(fields, layout, dataOptions);
    data.close();
  }
  {
    IndexFile index(name, files.index, memory);
    made = 2;
    index.create(indexes);
    index.close();
  }
  if (layout.blobFieldCount > 0) {
    FileHandler blob(files.blob, memory);
    made = 3;
    blob.create();
  }
}

void DataDirectory::deleteTable(std::string_view table, bool memory) {
  std::lock_guard lock(mutex_);
  const std::string name(trimmedName(table));
  if (DataTable* t = find(name, memory)) {
    if (t->useCount() > 0) raiseEngineError(kAccessDenied, name);
    t->deleteFiles();
    std::erase_if(tables_, [t](const auto& p) { return p.get() == t; });
    return;
  }
  DataTable temporary(name, memory, tableFileNames(path_, name, memory));
  temporary.deleteFiles();
}

DataTable& DataDirectory::useTable(std::string_view table, bool memory, bool exclusive) {
  std::lock_guard lock(mutex_);
  const std::string name(trimmedName(table));
  DataTable* t = find(name, memory);
  bool made = false;
  if (!t) {
    if (!FileList::instance().exists(tableFileNames(path_, name, memory).data, memory)) {
      raiseEngineError(kInvalidPath, name);
    }
    tables_.push_back(
        std::make_unique<DataTable>(name, memory, tableFileNames(path_, name, memory)));
    t = tables_.back().get();
    made = true;
  }
  // A table made for this open goes again when it cannot be had.
  OnFailure forget([&] {
    if (made) std::erase_if(tables_, [t](const auto& p) { return p.get() == t; });
  });
  t->acquire(exclusive);
  forget.dismiss();
  return *t;
}

void DataDirectory::releaseTable(DataTable& table) {
  std::lock_guard lock(mutex_);
  table.release();
}

DataDirectory& DataSession::directory(std::string_view databaseName, std::string_view directory) {
  std::lock_guard lock(mutex_);
  for (auto& d : directories_) {
    if (sameName(d->name(), databaseName)) return *d;
  }
  std::string path;
  if (!sameName(databaseName, "MEMORY"))
    path = directory.empty() ? privateDirectory_ : std::string(directory);
  directories_.push_back(
      std::make_unique<DataDirectory>(std::string(trimmedName(databaseName)), path));
  return *directories_.back();
}

}  // namespace morvel
