// One index as a B-tree of pages in the index file: fixed-length keys kept
// in byte order, subtree record counts in every inner entry (so ordinal
// positions and counts need no walk), sibling links on every level, and a
// free chain of its own. Every page it reads is checked before use, and any
// inconsistency raises 8965, so a damaged file can never lead it outside a
// page or into a loop.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "table/engine/IndexFile.h"

namespace morvel {

class BTree {
 public:
  // A leaf entry: the leaf's offset and the entry's slot in it.
  struct Position {
    std::uint32_t leaf = 0;
    int slot = 0;
  };

  BTree(IndexFile& file, int index, int keyLength, std::string name);

  int index() const { return index_; }
  int keyLength() const { return keyLength_; }
  const std::string& name() const { return name_; }
  int leafCapacity() const { return leafCapacity_; }
  int innerCapacity() const { return innerCapacity_; }
  // Changes with every insert and delete; a cursor's remembered position is
  // only good while the version is the one it saw.
  std::uint64_t version() const { return version_; }
  std::uint32_t root() const { return file_.descriptor(index_).root(); }

  // Keys in the tree.
  std::uint64_t count();
  // Where the last insert put `key` and its ordinal (1-based), when that
  // insert went behind every key and the tree has not changed since: a
  // table filling up in key order then finds each new record without a
  // search. False otherwise, and when the key there is another.
  bool lastPlaced(const std::uint8_t* key, Position& at, std::uint64_t& ordinal) const;
  // Keys in the tree below `key`.
  std::uint64_t countBelow(const std::uint8_t* key);

  // Adds a key; false (and nothing changed) when the tree has it already.
  // Insert and remove save every page before it changes (PageRef::markDirty)
  // so that a change of the index file can be rolled back; outside such a
  // change a failure part-way may leave the tree damaged.
  bool insert(const std::uint8_t* key, std::int32_t recordNumber);
  // Removes a key (8965 when it is missing).
  void remove(const std::uint8_t* key);
  // Forgets every position remembered in the tree's pages (the pinned path
  // to the last leaf, cursors' positions through version()): the pages were
  // put back as they were before a change that did not complete.
  void forgetPositions();
  // Whether some key starts with the first `length` bytes of `key`; its
  // record number goes to `recordNumber`.
  bool findPrefix(const std::uint8_t* key, int length, std::int32_t* recordNumber);

  // Positioning; each returns false when there is no such entry.
  bool first(Position& at);
  bool last(Position& at);
  bool seekAtLeast(const std::uint8_t* key, Position& at, std::uint64_t* ordinal = nullptr);
  bool seekAfter(const std::uint8_t* key, Position& at);
  bool seekBefore(const std::uint8_t* key, Position& at);
  bool stepNext(Position& at);
  bool stepPrior(Position& at);
  // The entry at a position: key (keyLength bytes, may be null) and record number.
  void entry(const Position& at, std::uint8_t* key, std::int32_t* recordNumber);

 private:
  struct Step {
    PageRef page;
    int slot;
  };
  enum class Choose { LastAtMost, LastBelow };

  [[noreturn]] void corrupt() const { file_.corruptPages(); }
  bool isLeaf(const std::uint8_t* p) const;
  int capacityOf(const std::uint8_t* p) const { return isLeaf(p) ? leafCapacity_ : innerCapacity_; }
  int strideOf(const std::uint8_t* p) const { return isLeaf(p) ? leafStride_ : innerStride_; }
  std::uint8_t* entryAt(std::uint8_t* p, int i) const {
    return p + kPageHeaderSize + i * strideOf(p);
  }
  PageRef load(std::uint32_t offset, bool asRoot);
  PageRef loadSibling(std::uint32_t offset, const std::uint8_t* like);
  bool seekForward(const std::uint8_t* key, bool after, Position& at, std::uint64_t* ordinal);
  PageRef descend(const std::uint8_t* key, Choose choose, std::uint64_t* before);
  int lowerBound(std::uint8_t* p, const std::uint8_t* key) const;
  int upperBound(std::uint8_t* p, const std::uint8_t* key) const;
  std::uint64_t subtreeCount(std::uint8_t* p) const;
  void setChildEntry(std::uint8_t* parent, int slot, std::uint8_t* child);
  void syncFirstKeys(std::size_t level);
  void rebalance();
  void unlink(std::uint8_t* p);
  bool appendAtEnd(const std::uint8_t* entry);
  void keepSpine(bool split);

  IndexFile& file_;
  int index_;
  int keyLength_;
  std::string name_;
  int leafStride_;
  int innerStride_;
  int leafCapacity_;
  int innerCapacity_;
  std::uint64_t version_ = 0;
  std::vector<Step> path_;  // root first; the leaf is the last step
  // The pages from the root down to the last leaf, pinned, while the
  // inserts keep landing behind the last key (auto-increment keys, the
  // slot index): such an insert goes straight to them. Good only while
  // spineVersion_ is version_.
  std::vector<PageRef> spine_;
  std::uint64_t spineVersion_ = 0;
  // The number of keys, good while countVersion_ is version_; inserts
  // behind every key keep it up. The last such insert's key is the last
  // entry of the spine's leaf while placedVersion_ is version_.
  std::uint64_t count_ = 0;
  std::uint64_t countVersion_ = kNoVersion;
  std::uint64_t placedVersion_ = kNoVersion;
  static constexpr std::uint64_t kNoVersion = ~std::uint64_t{0};
  EngineBlock scratch_;  // room for a page and one more entry
  EngineBlock entry_;    // the entry being placed
};

}  // namespace morvel
