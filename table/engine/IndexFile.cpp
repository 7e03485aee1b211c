// Index file header and page caches; see IndexFile.h.
#include "table/engine/IndexFile.h"

#include <algorithm>
#include <cstring>

#include "base/ScopeGuard.h"
#include "table/engine/Bytes.h"
#include "table/engine/KeyLayout.h"
#include "table/files/EngineError.h"

namespace morvel {
namespace {

constexpr std::uint32_t kFormatValue = 4;
constexpr const char* kSlotIndexName = "Sys Deleted";
// The saved bytes of a change grow in steps of this many.
constexpr std::size_t kSavedStep = 16 * kPageSize;
constexpr std::uint8_t kZeroPage[kPageSize] = {};

IndexDescriptor slotIndexDescriptor() {
  IndexDescriptor d;
  d.setName(kSlotIndexName);
  d.setKeyLength(kSlotKeyLength);
  d.setUnique(true);
  return d;
}

}  // namespace

IndexFile::IndexFile(std::string tableName, std::string fileName, bool memory)
    : tableName_(std::move(tableName)), file_(std::move(fileName), memory) {}

IndexFile::~IndexFile() {
  try {
    close();
  } catch (const Exception&) {
    // Reported to callers that close explicitly.
  }
}

void IndexFile::corruptHeader() const { raiseEngineError(kHeaderCorrupt, tableName_); }
void IndexFile::corruptPages() const { raiseEngineError(kIndexPagesCorrupt, tableName_); }

void IndexFile::checkRoom() const {
  if (endOffset_ > kMaxFileBytes) raiseEngineError(kTableFull, tableName_);
}

bool IndexFile::isPageOffset(std::uint32_t offset) const {
  return offset >= kPageSize && offset % kPageSize == 0 && offset < endOffset_;
}

void IndexFile::resetCaches() {
  journal_.clear();
  appended_.clear();
  changing_ = false;
  for (Cache& c : caches_) c = Cache{};
}

void IndexFile::create(const std::vector<IndexDescriptor>& indexes) {
  file_.create();
  descriptors_.fill(IndexDescriptor{});
  for (std::size_t i = 0; i < indexes.size(); ++i) descriptors_[i] = indexes[i];
  descriptors_[kSlotIndex] = slotIndexDescriptor();
  secondaryCount_ = static_cast<int>(indexes.size()) - 1;
  endOffset_ = kPageSize;
  resetCaches();
  headerChanged_ = true;
  writeHeader();
}

void IndexFile::open(bool exclusive, const std::vector<FieldDescriptor>& fields) {
  file_.open(exclusive);
  // A file that fails its checks is not left open.
  OnFailure undo([this] { file_.close(); });
  const std::int64_t size = file_.size();
  if (size < kPageSize || size % kPageSize != 0 || size > kMaxFileBytes + kPageSize * 64) {
    corruptHeader();
  }
  std::vector<std::uint8_t> header(kPageSize);
  file_.readAt(0, header.data(), kPageSize);
  if (bytes::get32(&header[kFormat]) != kFormatValue ||
      bytes::get32(&header[kPageSizeField]) != kPageSize ||
      bytes::get32(&header[kEndOffset]) != static_cast<std::uint64_t>(size)) {
    corruptHeader();
  }
  endOffset_ = static_cast<std::uint32_t>(size);
  secondaryCount_ = bytes::get16(&header[kSecondaryCount]);
  if (secondaryCount_ > kMaxSecondaryIndexes) corruptHeader();
  for (int i = 0; i < kIndexSlots; ++i) {
    std::memcpy(descriptors_[static_cast<std::size_t>(i)].bytes(),
                &header[kDescriptors + static_cast<std::size_t>(i) * IndexDescriptor::kSize],
                IndexDescriptor::kSize);
  }
  // Validating a copy must give back exactly what is stored, apart from
  // the roots and free chains, which must name pages of this file.
  std::vector<IndexDescriptor> used(descriptors_.begin(),
                                    descriptors_.begin() + secondaryCount_ + 1);
  std::vector<IndexDescriptor> checked = used;
  try {
    validateIndexes(checked, fields, tableName_);
  } catch (const EngineError&) {
    corruptHeader();
  }
  used.push_back(descriptors_[kSlotIndex]);
  checked.push_back(slotIndexDescriptor());
  for (std::size_t i = 0; i < used.size(); ++i) {
    const IndexDescriptor& d = used[i];
    checked[i].setRoot(d.root());
    checked[i].setFreeHead(d.freeHead());
    if (std::memcmp(d.bytes(), checked[i].bytes(), IndexDescriptor::kSize) != 0) {
      corruptHeader();
    }
    if ((d.root() != 0 && !isPageOffset(d.root())) ||
        (d.freeHead() != 0 && !isPageOffset(d.freeHead()))) {
      corruptHeader();
    }
  }
  resetCaches();
  headerChanged_ = false;
  undo.dismiss();
}

void IndexFile::close() {
  if (!file_.isOpen()) return;
  // Closed even when the last write fails; the failure is still reported.
  const Finally done([this] {
    resetCaches();
    file_.close();
  });
  flush();
}

void IndexFile::writeHeader() {
  // Made once: writing the header back never asks for memory.
  headerBuffer_.ensure(kPageSize, kPageSize);
  std::uint8_t* header = headerBuffer_.data();
  std::memset(header, 0, kPageSize);
  bytes::put32(&header[kFormat], kFormatValue);
  bytes::put32(&header[kPageSizeField], kPageSize);
  bytes::put32(&header[kEndOffset], endOffset_);
  bytes::put16(&header[kSecondaryCount], static_cast<std::uint16_t>(secondaryCount_));
  for (int i = 0; i < kIndexSlots; ++i) {
    std::memcpy(&header[kDescriptors + static_cast<std::size_t>(i) * IndexDescriptor::kSize],
                descriptors_[static_cast<std::size_t>(i)].bytes(), IndexDescriptor::kSize);
  }
  file_.writeAt(0, header, kPageSize);
  headerChanged_ = false;
}

void IndexFile::flush() {
  if (!file_.isOpen()) return;
  writeBackAll();
  // A page appended and freed again may never have been written; the file
  // must still reach the end offset the header records.
  if (file_.size() < endOffset_) {
    for (std::int64_t at = file_.size() / kPageSize * kPageSize; at < endOffset_; at += kPageSize) {
      if (at >= file_.size()) file_.writeAt(at, kZeroPage, kPageSize);
    }
  }
  if (headerChanged_) writeHeader();
}

void IndexFile::writeBackAll() {
  std::vector<CachedPage*> dirty;
  for (Cache& c : caches_) {
    for (auto& p : c.pages) {
      if (p->dirty) dirty.push_back(p.get());
    }
  }
  if (dirty.empty()) return;
  std::sort(dirty.begin(), dirty.end(),
            [](const CachedPage* a, const CachedPage* b) { return a->offset < b->offset; });
  // Each run of consecutive pages goes out in one write.
  std::size_t i = 0;
  while (i < dirty.size()) {
    std::size_t j = i + 1;
    while (j < dirty.size() && dirty[j]->offset == dirty[j - 1]->offset + kPageSize) ++j;
    const std::size_t count = j - i;
    if (count == 1) {
      file_.writeAt(dirty[i]->offset, dirty[i]->data.data(), kPageSize);
    } else {
      runBuffer_.ensure(count * kPageSize, kPageSize);
      for (std::size_t k = 0; k < count; ++k) {
        std::memcpy(runBuffer_.data() + k * kPageSize, dirty[i + k]->data.data(), kPageSize);
      }
      file_.writeAt(dirty[i]->offset, runBuffer_.data(),
                    static_cast<std::int64_t>(count * kPageSize));
    }
    // A pinned page belongs to an operation still under way, which may
    // change it again after this write: it stays marked.
    for (std::size_t k = i; k < j; ++k) dirty[k]->dirty = dirty[k]->pins > 0;
    i = j;
  }
}

void IndexFile::insertSorted(Cache& cache, CachedPage* page) {
  const auto it =
      std::lower_bound(cache.byOffset.begin(), cache.byOffset.end(), page->offset,
                       [](const CachedPage* p, std::uint32_t o) { return p->offset < o; });
  cache.byOffset.insert(it, page);
}

void IndexFile::removeSorted(Cache& cache, CachedPage* page) {
  const auto it =
      std::lower_bound(cache.byOffset.begin(), cache.byOffset.end(), page->offset,
                       [](const CachedPage* p, std::uint32_t o) { return p->offset < o; });
  if (it != cache.byOffset.end() && *it == page) cache.byOffset.erase(it);
  for (CachedPage*& r : cache.recent) {
    if (r == page) r = nullptr;
  }
}

void IndexFile::touch(Cache& cache, CachedPage* page) {
  if (cache.mostRecent == page) return;
  // Out of the chain (when it is in it) ...
  if (page->newer) page->newer->older = page->older;
  if (page->older) page->older->newer = page->newer;
  if (cache.leastRecent == page) cache.leastRecent = page->newer;
  // ... and in again at the front.
  page->newer = nullptr;
  page->older = cache.mostRecent;
  if (cache.mostRecent) cache.mostRecent->newer = page;
  cache.mostRecent = page;
  if (!cache.leastRecent) cache.leastRecent = page;
}

// A cache entry to hold another page: a new one while the cache has room
// (or may still grow), else the least recently used unpinned page (clean
// pages first; when all are changed, every index's changed pages are
// written back first).
CachedPage* IndexFile::obtainEntry(Cache& cache) {
  if (static_cast<int>(cache.pages.size()) >= cache.capacity && cache.capacity < kMaxCachePages) {
    cache.capacity = std::min(cache.capacity * 2, kMaxCachePages);
  }
  if (static_cast<int>(cache.pages.size()) < cache.capacity) {
    auto p = std::make_unique<CachedPage>();
    p->data = EngineBlock(kPageSize);
    p->file = this;
    cache.pages.push_back(std::move(p));
    return cache.pages.back().get();
  }
  const auto leastRecentUnpinned = [&cache](bool cleanOnly) -> CachedPage* {
    for (CachedPage* p = cache.leastRecent; p; p = p->newer) {
      if (p->pins == 0 && !(cleanOnly && p->dirty)) return p;
    }
    return nullptr;
  };
  CachedPage* victim = leastRecentUnpinned(true);
  if (!victim && leastRecentUnpinned(false)) {
    writeBackAll();
    victim = leastRecentUnpinned(true);
  }
  if (!victim) {
    // Every page is pinned by the operation in progress.
    ++cache.capacity;
    return obtainEntry(cache);
  }
  removeSorted(cache, victim);
  return victim;
}

PageRef IndexFile::fetch(int index, std::uint32_t offset) {
  if (!isPageOffset(offset)) corruptPages();
  Cache& cache = caches_[static_cast<std::size_t>(index)];
  for (CachedPage* r : cache.recent) {
    if (r && r->offset == offset) {
      touch(cache, r);
      return PageRef(r);
    }
  }
  const auto it =
      std::lower_bound(cache.byOffset.begin(), cache.byOffset.end(), offset,
                       [](const CachedPage* p, std::uint32_t o) { return p->offset < o; });
  CachedPage* page = nullptr;
  if (it != cache.byOffset.end() && (*it)->offset == offset) {
    page = *it;
  } else {
    page = obtainEntry(cache);
    page->offset = offset;
    page->dirty = false;
    page->index = index;
    page->changeId = 0;
    if (file_.readAt(offset, page->data.data(), kPageSize, true) != kPageSize) {
      // Left out of the lookup: its bytes are not a page.
      page->offset = 0;
      corruptPages();
    }
    insertSorted(cache, page);
  }
  touch(cache, page);
  cache.recent[cache.nextRecent++ % cache.recent.size()] = page;
  return PageRef(page);
}

PageRef IndexFile::newPage(int index) {
  IndexDescriptor& d = descriptor(index);
  if (d.freeHead() != 0) {
    PageRef p = fetch(index, d.freeHead());
    std::uint8_t* data = p.data();
    if (bytes::get16(data + page::kCount) != 0) corruptPages();
    const std::uint32_t next = bytes::get32(data + page::kNext);
    if (next != 0 && !isPageOffset(next)) corruptPages();
    p.markDirty();
    d.setFreeHead(next);
    headerChanged_ = true;
    std::memset(data, 0, kPageSize);
    return p;
  }
  // Everything that can fail comes before the file grows: room for the
  // page in the file, a cache entry, a place among the change's pages.
  if (changing_ && appended_.size() == appended_.capacity()) {
    appended_.reserve(appended_.size() * 2 + 8);
  }
  file_.reserveRoom(static_cast<std::int64_t>(endOffset_) + kPageSize);
  Cache& cache = caches_[static_cast<std::size_t>(index)];
  CachedPage* page = obtainEntry(cache);
  page->offset = endOffset_;
  page->index = index;
  page->changeId = 0;
  endOffset_ += kPageSize;
  headerChanged_ = true;
  std::memset(page->data.data(), 0, kPageSize);
  page->dirty = true;
  touch(cache, page);
  insertSorted(cache, page);
  cache.recent[cache.nextRecent++ % cache.recent.size()] = page;
  if (changing_) {
    // Nothing of it to save: a rollback hands it to the free chain.
    page->changeId = changeId_;
    ++page->pins;
    appended_.push_back(page);
  }
  return PageRef(page);
}

void IndexFile::freePage(int index, PageRef& p) {
  p.markDirty();
  IndexDescriptor& d = descriptor(index);
  std::uint8_t* data = p.data();
  std::memset(data, 0, kPageSize);
  bytes::put32(data + page::kNext, d.freeHead());
  d.setFreeHead(p.offset());
  headerChanged_ = true;
}

// ---- changes ---------------------------------------------------------------

void IndexFile::beginChange() {
  changing_ = true;
  ++changeId_;
  endBefore_ = endOffset_;
  savedUsed_ = 0;
  forEachIndexInUse([this](std::size_t i) {
    rootsBefore_[i] = descriptors_[i].root();
    freeHeadsBefore_[i] = descriptors_[i].freeHead();
  });
}

void IndexFile::save(CachedPage* page, std::uint32_t from, std::uint32_t length) {
  if (page->offset >= endBefore_) {
    page->changeId = changeId_;  // appended by this change: nothing to save
    return;
  }
  // Both may fail; the page has not changed yet.
  saved_.ensure(savedUsed_ + length, kSavedStep);
  journal_.push_back({page, from, length, savedUsed_});
  std::memcpy(saved_.data() + savedUsed_, page->data.data() + from, length);
  savedUsed_ += length;
  ++page->pins;  // it must still be here to be put back
  if (length == kPageSize) page->changeId = changeId_;
}

void IndexFile::commitChange() { endChange(); }

void IndexFile::rollbackChange() noexcept {
  if (!changing_) return;
  // Latest first, so that every byte ends up as it was before the change.
  for (auto it = journal_.rbegin(); it != journal_.rend(); ++it) {
    std::memcpy(it->page->data.data() + it->from, saved_.data() + it->at, it->length);
    it->page->dirty = true;
  }
  forEachIndexInUse([this](std::size_t i) {
    descriptors_[i].setRoot(rootsBefore_[i]);
    descriptors_[i].setFreeHead(freeHeadsBefore_[i]);
  });
  for (CachedPage* p : appended_) {
    IndexDescriptor& d = descriptors_[static_cast<std::size_t>(p->index)];
    std::uint8_t* data = p->data.data();
    std::memset(data, 0, kPageSize);
    bytes::put32(data + page::kNext, d.freeHead());
    d.setFreeHead(p->offset);
    p->dirty = true;
  }
  headerChanged_ = true;
  endChange();
}

void IndexFile::endChange() noexcept {
  for (const Saved& s : journal_) --s.page->pins;
  for (CachedPage* p : appended_) --p->pins;
  journal_.clear();
  appended_.clear();
  savedUsed_ = 0;
  changing_ = false;
}

}  // namespace morvel
