// A table's index file: a 4096-byte header holding every index's
// descriptor, then 4096-byte pages addressed by their byte offset. Each
// index keeps its own cache of pages; changed pages are written back when a
// cache needs room and when the file is flushed or closed.
//
// Header (little-endian):
//
//   OFFSET  SIZE      MEANING
//        0     4      4 (format)
//        4     4      4096 (page size)
//        8     4      end offset: where the next appended page goes
//       12     2      number of secondary indexes
//       16     34×120 index descriptors: the primary, 32 secondary slots,
//                     and the internal slot index "Sys Deleted"
//
// Page (little-endian):
//
//   OFFSET  SIZE  MEANING
//        0     1  kind: 0 root above other pages, 1 inner, 2 leaf,
//                 3 root that is also the only leaf
//        1     2  number of entries (0 for a page on a free chain)
//        3     4  previous page on the same level (0 = none)
//        7     4  next page on the same level; on a free page the next free page
//       11     2  bytes used by compressed entries (0: pages are uncompressed)
//       13     …  entries in ascending key order:
//                   leaf:  key, record number (4)
//                   inner: key (the first key of the child), child offset (4),
//                          records in the child's subtree (4)
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "table/engine/IndexDescriptor.h"
#include "table/files/EngineAllocator.h"
#include "table/files/FileHandler.h"

namespace morvel {

inline constexpr std::uint32_t kPageSize = 4096;
inline constexpr int kPageHeaderSize = 13;
inline constexpr int kPageEntryBytes = 4083;  // what a page leaves for entries
inline constexpr int kPrimaryIndex = 0;
inline constexpr int kSlotIndex = 33;
inline constexpr int kIndexSlots = 34;

namespace page {
inline constexpr int kKind = 0;
inline constexpr int kCount = 1;
inline constexpr int kPrev = 3;
inline constexpr int kNext = 7;
inline constexpr int kUsed = 11;
enum Kind : std::uint8_t { kRoot = 0, kInner = 1, kLeaf = 2, kRootLeaf = 3 };
}  // namespace page

class IndexFile;

struct CachedPage {
  std::uint32_t offset = 0;
  bool dirty = false;
  int pins = 0;
  IndexFile* file = nullptr;
  int index = 0;                // the index whose cache holds it
  std::uint64_t changeId = 0;   // the change that saved all of it (see beginChange)
  CachedPage* newer = nullptr;  // the chain from most to least recently used
  CachedPage* older = nullptr;
  EngineBlock data;
};

// A pinned page: it stays in its cache (and its bytes stay put) until the
// reference goes away. Move-only.
class PageRef {
 public:
  PageRef() = default;
  explicit PageRef(CachedPage* page) : page_(page) { ++page_->pins; }
  ~PageRef() { release(); }
  PageRef(PageRef&& other) noexcept : page_(other.page_) { other.page_ = nullptr; }
  PageRef& operator=(PageRef&& other) noexcept {
    if (this != &other) {
      release();
      page_ = other.page_;
      other.page_ = nullptr;
    }
    return *this;
  }
  PageRef(const PageRef&) = delete;
  PageRef& operator=(const PageRef&) = delete;

  explicit operator bool() const { return page_ != nullptr; }
  std::uint8_t* data() const { return page_->data.data(); }
  std::uint32_t offset() const { return page_->offset; }
  // Called BEFORE the page's bytes change: during a change (see
  // IndexFile::beginChange) the page is saved first, which may fail with
  // 11016; afterwards it is written back when its cache needs room or the
  // file is flushed. The range form saves only the bytes about to change.
  inline void markDirty() const;
  inline void markDirty(const std::uint8_t* from, std::size_t length) const;
  void release() {
    if (page_) --page_->pins;
    page_ = nullptr;
  }

 private:
  CachedPage* page_ = nullptr;
};

class IndexFile {
 public:
  static constexpr std::size_t kFormat = 0;
  static constexpr std::size_t kPageSizeField = 4;
  static constexpr std::size_t kEndOffset = 8;
  static constexpr std::size_t kSecondaryCount = 12;
  static constexpr std::size_t kDescriptors = 16;
  static constexpr std::int64_t kMaxFileBytes = 2'000'000'000;
  static constexpr int kInitialCachePages = 15;
  // A cache grows (doubling) up to this many pages before it reuses any:
  // walking or changing a big table at random would otherwise copy a page
  // in and out on nearly every step.
  static constexpr int kMaxCachePages = 1024;

  IndexFile(std::string tableName, std::string fileName, bool memory);
  ~IndexFile();

  // Writes a new file for validated indexes (primary first); it is then open.
  void create(const std::vector<IndexDescriptor>& indexes);
  // Reads and checks the header against the table's fields (8961).
  void open(bool exclusive, const std::vector<FieldDescriptor>& fields);
  void close();
  bool isOpen() const { return file_.isOpen(); }
  // Writes back every changed page (in offset order) and the header.
  void flush();

  const std::string& tableName() const { return tableName_; }
  int secondaryCount() const { return secondaryCount_; }
  IndexDescriptor& descriptor(int index) { return descriptors_[static_cast<std::size_t>(index)]; }
  const IndexDescriptor& descriptor(int index) const {
    return descriptors_[static_cast<std::size_t>(index)];
  }
  void markHeaderChanged() { headerChanged_ = true; }
  std::uint32_t endOffset() const { return endOffset_; }
  // 9479 once the file has passed its size limit.
  void checkRoom() const;

  // Page `offset` of an index, pinned. 8965 when the offset is no page of
  // this file.
  PageRef fetch(int index, std::uint32_t offset);
  // A zeroed page for an index: the head of its free chain, else appended.
  PageRef newPage(int index);
  // Zeroes a page and puts it at the head of the index's free chain.
  void freePage(int index, PageRef& page);
  // Whether an offset can name a page of this file.
  bool isPageOffset(std::uint32_t offset) const;
  int cachedPages(int index) const {
    return static_cast<int>(caches_[static_cast<std::size_t>(index)].pages.size());
  }

  // The two ways an index file is found damaged: its header, or its pages.
  [[noreturn]] void corruptHeader() const;
  [[noreturn]] void corruptPages() const;

  // ---- changes that complete or leave everything as it was -------------
  // Between beginChange and the end of the change, every page is saved
  // before it first changes (PageRef::markDirty), together with every
  // index's root and free chain. rollbackChange puts all of it back without
  // asking for memory; pages appended meanwhile go on their index's free
  // chain (the file keeps its length). commitChange keeps the changes.
  // Either ends the change. Changes do not nest.
  void beginChange();
  void commitChange();
  void rollbackChange() noexcept;
  bool changing() const { return changing_; }

 private:
  friend class PageRef;
  struct Saved {
    CachedPage* page;
    std::uint32_t from;
    std::uint32_t length;
    std::size_t at;  // where the bytes are in saved_
  };

  void save(CachedPage* page, std::uint32_t from, std::uint32_t length);
  // The primary index, the secondary ones and the slot index.
  template <class F>
  void forEachIndexInUse(F&& f) {
    for (int i = 0; i <= secondaryCount_; ++i) f(static_cast<std::size_t>(i));
    f(static_cast<std::size_t>(kSlotIndex));
  }
  void endChange() noexcept;
  struct Cache {
    std::vector<std::unique_ptr<CachedPage>> pages;
    std::vector<CachedPage*> byOffset;  // sorted by offset
    // Pages fetched lately, checked before the sorted lookup: a descent
    // keeps coming back to the same root and inner pages.
    std::array<CachedPage*, 4> recent{};
    std::size_t nextRecent = 0;
    CachedPage* mostRecent = nullptr;
    CachedPage* leastRecent = nullptr;
    int capacity = kInitialCachePages;
  };

  CachedPage* obtainEntry(Cache& cache);
  void insertSorted(Cache& cache, CachedPage* page);
  void removeSorted(Cache& cache, CachedPage* page);
  // Makes a page the most recently used of its cache.
  static void touch(Cache& cache, CachedPage* page);
  void writeBackAll();
  void writeHeader();
  void resetCaches();

  std::string tableName_;
  FileHandler file_;
  std::array<IndexDescriptor, kIndexSlots> descriptors_{};
  int secondaryCount_ = 0;
  std::uint32_t endOffset_ = kPageSize;
  bool headerChanged_ = false;
  std::array<Cache, kIndexSlots> caches_{};
  EngineBlock runBuffer_;
  EngineBlock headerBuffer_;

  // The change in progress.
  bool changing_ = false;
  std::uint64_t changeId_ = 0;
  std::uint32_t endBefore_ = 0;  // pages from here on were appended by the change
  std::array<std::uint32_t, kIndexSlots> rootsBefore_{};
  std::array<std::uint32_t, kIndexSlots> freeHeadsBefore_{};
  std::vector<Saved> journal_;  // each holds a pin on its page
  EngineBlock saved_;           // the saved bytes
  std::size_t savedUsed_ = 0;
  std::vector<CachedPage*> appended_;  // pinned until the change ends
};

void PageRef::markDirty() const {
  if (page_->file && page_->file->changing_ && page_->changeId != page_->file->changeId_) {
    page_->file->save(page_, 0, kPageSize);
  }
  page_->dirty = true;
}

void PageRef::markDirty(const std::uint8_t* from, std::size_t length) const {
  if (page_->file && page_->file->changing_ && page_->changeId != page_->file->changeId_) {
    page_->file->save(page_, static_cast<std::uint32_t>(from - data()),
                      static_cast<std::uint32_t>(length));
  }
  page_->dirty = true;
}

}  // namespace morvel
