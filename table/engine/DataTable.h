// One table as the engine holds it while cursors use it: its data file and
// index file, the B-tree of every index with its key layout, the record
// locks, and the insert, update and delete algorithms that keep every index
// in step with the stored records. Cursors on the same table share one
// DataTable, which its directory owns.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "table/engine/BTree.h"
#include "table/engine/DataFile.h"
#include "table/engine/IndexFile.h"
#include "table/engine/KeyLayout.h"

namespace morvel {

class DataDirectory;

// The files of a table named `table`: the name gets the extension ".DAT"
// unless it has it already, and the index and blob files share its stem.
struct TableFileNames {
  std::string data;
  std::string index;
  std::string blob;
};
TableFileNames tableFileNames(std::string_view directoryPath, std::string_view table, bool memory);

class DataTable {
 public:
  DataTable(std::string name, bool memory, TableFileNames files);
  ~DataTable();
  DataTable(const DataTable&) = delete;
  DataTable& operator=(const DataTable&) = delete;

  const std::string& name() const { return name_; }
  bool isMemory() const { return memory_; }
  const TableFileNames& files() const { return files_; }

  // Use by cursors: the first opens the files (11010 when missing, 8961 or
  // 8965 when damaged); 11013 when the table is in exclusive use or an
  // exclusive use is asked while others use it. The last release writes
  // everything back and closes the files.
  void acquire(bool exclusive);
  void release();
  int useCount() const { return useCount_; }
  bool heldExclusively() const { return exclusive_; }

  // The lock every operation on the shared state holds.
  std::recursive_mutex& mutex() { return mutex_; }

  DataFile& data() { return *data_; }
  IndexFile& indexFile() { return *index_; }
  int secondaryCount() const { return index_->secondaryCount(); }
  // Index numbers: 0 the primary, 1… the secondaries, kSlotIndex the
  // internal slot index. -1 when no secondary index has the name.
  int findIndex(std::string_view name) const;
  BTree& tree(int index) { return *trees_[static_cast<std::size_t>(index)]; }
  const KeyLayout& keys(int index) const { return keys_[static_cast<std::size_t>(index)]; }
  // Whether the primary index has key fields; without any, records keep
  // their insertion order, which is the slot index's order.
  bool primaryHasFields() const { return keys_[0].hasFields(); }

  // Record changes (see DataCursor for the rules). `by` identifies the
  // cursor, for record locks. Insert returns the new record's slot. Each
  // completes or, when it fails (a refusal, a want of memory, a damaged
  // page), leaves the records and every index as they were.
  std::int32_t insert(const std::uint8_t* buffer);
  void update(std::int32_t record, const std::uint8_t* buffer, const void* by);
  void remove(std::int32_t record, const void* by);

  // Record locks, owned by a cursor; 10258 when another owner holds it.
  void lockRecord(std::int32_t record, const void* by);
  void unlockRecord(std::int32_t record, const void* by);
  bool lockedByOther(std::int32_t record, const void* by) const;

  // Deletes the table's files: data, index, then blob when it exists (11010
  // for a missing data or index file). The table must not be in use.
  void deleteFiles();

 private:
  void openFiles();
  void closeFiles();
  void checkValues(const std::uint8_t* image);
  // Index changes either complete or are put back as they were.
  void beginIndexChange();
  void rollBackIndexChange() noexcept;
  std::uint8_t* keyBuffer(int index) { return keyBuffers_[static_cast<std::size_t>(index)].data(); }
  std::uint8_t* oldKeyBuffer(int index) {
    return oldKeyBuffers_[static_cast<std::size_t>(index)].data();
  }
  // The indexes that have key fields, slot index excluded.
  template <class F>
  void forEachKeyedIndex(F&& f) {
    for (int i = 0; i <= secondaryCount(); ++i) {
      if (keys_[static_cast<std::size_t>(i)].hasFields()) f(i);
    }
  }

  std::string name_;
  bool memory_;
  TableFileNames files_;
  std::recursive_mutex mutex_;
  int useCount_ = 0;
  bool exclusive_ = false;
  std::unique_ptr<DataFile> data_;
  std::unique_ptr<IndexFile> index_;
  std::array<std::unique_ptr<BTree>, kIndexSlots> trees_;
  std::array<KeyLayout, kIndexSlots> keys_;
  std::array<EngineBlock, kIndexSlots> keyBuffers_;
  std::array<EngineBlock, kIndexSlots> oldKeyBuffers_;
  EngineBlock image_;
  std::vector<int> checkedFields_;  // fields with a required flag or limits
  std::map<std::int32_t, const void*> locks_;
};

}  // namespace morvel
