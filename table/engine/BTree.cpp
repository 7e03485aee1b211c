// B-tree algorithms over index pages; see BTree.h.
#include "table/engine/BTree.h"

#include <bit>
#include <cstring>

#include "base/ScopeGuard.h"
#include "table/engine/Bytes.h"
#include "table/files/EngineError.h"

namespace morvel {
namespace {

// No tree of 4096-byte pages with at least seven entries each gets deeper
// than this; a longer path can only be a cycle in a damaged file.
constexpr std::size_t kMaxDepth = 40;

int countOf(const std::uint8_t* p) { return bytes::get16(p + page::kCount); }
void setCount(std::uint8_t* p, int n) {
  bytes::put16(p + page::kCount, static_cast<std::uint16_t>(n));
}
std::uint32_t prevOf(const std::uint8_t* p) { return bytes::get32(p + page::kPrev); }
std::uint32_t nextOf(const std::uint8_t* p) { return bytes::get32(p + page::kNext); }
void setPrev(std::uint8_t* p, std::uint32_t o) { bytes::put32(p + page::kPrev, o); }
void setNext(std::uint8_t* p, std::uint32_t o) { bytes::put32(p + page::kNext, o); }

// memcmp's order, eight bytes at a time: binary searches over short keys
// spend most of their time here.
inline int compareKeys(const std::uint8_t* a, const std::uint8_t* b, std::size_t n) {
  while (n >= 8) {
    std::uint64_t x, y;
    std::memcpy(&x, a, 8);
    std::memcpy(&y, b, 8);
    if (x != y) {
      if constexpr (std::endian::native == std::endian::little) {
        x = __builtin_bswap64(x);
        y = __builtin_bswap64(y);
      }
      return x < y ? -1 : 1;
    }
    a += 8;
    b += 8;
    n -= 8;
  }
  for (; n > 0; --n, ++a, ++b) {
    if (*a != *b) return *a < *b ? -1 : 1;
  }
  return 0;
}

}  // namespace

BTree::BTree(IndexFile& file, int index, int keyLength, std::string name)
    : file_(file),
      index_(index),
      keyLength_(keyLength),
      name_(std::move(name)),
      leafStride_(keyLength + 4),
      innerStride_(keyLength + 8),
      leafCapacity_(kPageEntryBytes / (keyLength + 6)),
      innerCapacity_(kPageEntryBytes / (keyLength + 10)),
      scratch_(2 * kPageSize + static_cast<std::size_t>(keyLength + 8)),
      entry_(static_cast<std::size_t>(keyLength + 8)) {
  path_.reserve(kMaxDepth + 1);
}

bool BTree::isLeaf(const std::uint8_t* p) const {
  return p[page::kKind] == page::kLeaf || p[page::kKind] == page::kRootLeaf;
}

// The page at `offset`, checked: a root must be of a root kind, any other
// page of a non-root kind, and its entry count must fit the page.
PageRef BTree::load(std::uint32_t offset, bool asRoot) {
  PageRef ref = file_.fetch(index_, offset);
  const std::uint8_t* p = ref.data();
  const std::uint8_t kind = p[page::kKind];
  const bool kindOk = asRoot ? (kind == page::kRoot || kind == page::kRootLeaf)
                             : (kind == page::kInner || kind == page::kLeaf);
  const int count = countOf(p);
  if (!kindOk || count < 1 || count > capacityOf(p)) corrupt();
  return ref;
}

PageRef BTree::loadSibling(std::uint32_t offset, const std::uint8_t* like) {
  PageRef ref = load(offset, false);
  if (isLeaf(ref.data()) != isLeaf(like)) corrupt();
  return ref;
}

// Both searches look at the last entry first: keys that only grow (an
// auto-increment primary, the slot index) always land behind it.
int BTree::lowerBound(std::uint8_t* p, const std::uint8_t* key) const {
  const auto k = static_cast<std::size_t>(keyLength_);
  int lo = 0, hi = countOf(p);
  if (hi > 0 && compareKeys(entryAt(p, hi - 1), key, k) < 0) return hi;
  while (lo < hi) {
    const int mid = (lo + hi) / 2;
    if (compareKeys(entryAt(p, mid), key, k) < 0) {
      lo = mid + 1;
    } else {
      hi = mid;
    }
  }
  return lo;
}

int BTree::upperBound(std::uint8_t* p, const std::uint8_t* key) const {
  const auto k = static_cast<std::size_t>(keyLength_);
  int lo = 0, hi = countOf(p);
  if (hi > 0 && compareKeys(entryAt(p, hi - 1), key, k) <= 0) return hi;
  while (lo < hi) {
    const int mid = (lo + hi) / 2;
    if (compareKeys(entryAt(p, mid), key, k) <= 0) {
      lo = mid + 1;
    } else {
      hi = mid;
    }
  }
  return lo;
}

std::uint64_t BTree::subtreeCount(std::uint8_t* p) const {
  const int count = countOf(p);
  if (isLeaf(p)) return static_cast<std::uint64_t>(count);
  std::uint64_t sum = 0;
  for (int i = 0; i < count; ++i) sum += bytes::get32(entryAt(p, i) + keyLength_ + 4);
  return sum;
}

// Walks from the root to a leaf, keeping every page pinned in path_. On an
// inner page it takes the last entry whose key is at most (LastAtMost) or
// below (LastBelow) `key`, the first entry when there is none, and the
// first (last) entry for a null key with LastBelow (LastAtMost). `before`
// receives the number of keys in the subtrees passed on the left.
PageRef BTree::descend(const std::uint8_t* key, Choose choose, std::uint64_t* before) {
  path_.clear();
  std::uint64_t sum = 0;
  PageRef page = load(root(), true);
  for (;;) {
    std::uint8_t* p = page.data();
    if (isLeaf(p)) break;
    if (path_.size() >= kMaxDepth) corrupt();
    const int count = countOf(p);
    int i;
    if (!key) {
      i = choose == Choose::LastAtMost ? count - 1 : 0;
    } else {
      i = (choose == Choose::LastAtMost ? upperBound(p, key) : lowerBound(p, key)) - 1;
    }
    if (i < 0) i = 0;
    if (before) {
      for (int j = 0; j < i; ++j) sum += bytes::get32(entryAt(p, j) + keyLength_ + 4);
    }
    const std::uint32_t child = bytes::get32(entryAt(p, i) + keyLength_);
    path_.push_back({std::move(page), i});
    page = load(child, false);
  }
  if (before) *before = sum;
  return page;
}

std::uint64_t BTree::count() {
  if (root() == 0) return 0;
  if (countVersion_ == version_) return count_;
  PageRef r = load(root(), true);
  count_ = subtreeCount(r.data());
  countVersion_ = version_;
  return count_;
}

bool BTree::lastPlaced(const std::uint8_t* key, Position& at, std::uint64_t& ordinal) const {
  if (spine_.empty() || spineVersion_ != version_ || placedVersion_ != version_ ||
      countVersion_ != version_) {
    return false;
  }
  std::uint8_t* leaf = spine_.back().data();
  const int last = countOf(leaf) - 1;
  if (last < 0 || std::memcmp(entryAt(leaf, last), key, static_cast<std::size_t>(keyLength_)) != 0)
    return false;
  at = {spine_.back().offset(), last};
  ordinal = count_;
  return true;
}

std::uint64_t BTree::countBelow(const std::uint8_t* key) {
  if (root() == 0) return 0;
  std::uint64_t before = 0;
  PageRef leaf = descend(key, Choose::LastBelow, &before);
  path_.clear();
  return before + static_cast<std::uint64_t>(lowerBound(leaf.data(), key));
}

bool BTree::first(Position& at) {
  if (root() == 0) return false;
  PageRef leaf = descend(nullptr, Choose::LastBelow, nullptr);
  path_.clear();
  at = {leaf.offset(), 0};
  return true;
}

bool BTree::last(Position& at) {
  if (root() == 0) return false;
  PageRef leaf = descend(nullptr, Choose::LastAtMost, nullptr);
  path_.clear();
  at = {leaf.offset(), countOf(leaf.data()) - 1};
  return true;
}

bool BTree::seekAtLeast(const std::uint8_t* key, Position& at, std::uint64_t* ordinal) {
  return seekForward(key, false, at, ordinal);
}

bool BTree::seekAfter(const std::uint8_t* key, Position& at) {
  return seekForward(key, true, at, nullptr);
}

// The first key at least (or, `after`, above) `key`, going on to the next
// leaf when this one holds none.
bool BTree::seekForward(const std::uint8_t* key, bool after, Position& at, std::uint64_t* ordinal) {
  if (root() == 0) return false;
  std::uint64_t before = 0;
  PageRef leaf = descend(key, Choose::LastAtMost, &before);
  path_.clear();
  const int slot = after ? upperBound(leaf.data(), key) : lowerBound(leaf.data(), key);
  if (ordinal) *ordinal = before + static_cast<std::uint64_t>(slot) + 1;
  const int count = countOf(leaf.data());
  if (slot < count) {
    at = {leaf.offset(), slot};
    return true;
  }
  at = {leaf.offset(), count - 1};
  leaf.release();
  return stepNext(at);
}

bool BTree::seekBefore(const std::uint8_t* key, Position& at) {
  if (root() == 0) return false;
  PageRef leaf = descend(key, Choose::LastBelow, nullptr);
  path_.clear();
  const int slot = lowerBound(leaf.data(), key) - 1;
  if (slot >= 0) {
    at = {leaf.offset(), slot};
    return true;
  }
  at = {leaf.offset(), 0};
  leaf.release();
  return stepPrior(at);
}

// Leaves are followed through their sibling links; the next leaf must start
// above where this one ends, which also rules out a loop of links.
bool BTree::stepNext(Position& at) {
  PageRef leaf = file_.fetch(index_, at.leaf);
  std::uint8_t* p = leaf.data();
  const int count = countOf(p);
  if (!isLeaf(p) || count > leafCapacity_ || at.slot < 0 || at.slot >= count) corrupt();
  if (at.slot + 1 < count) {
    ++at.slot;
    return true;
  }
  const std::uint32_t next = nextOf(p);
  if (next == 0) return false;
  if (p[page::kKind] == page::kRootLeaf) corrupt();
  PageRef n = loadSibling(next, p);
  if (std::memcmp(entryAt(n.data(), 0), entryAt(p, count - 1),
                  static_cast<std::size_t>(keyLength_)) <= 0) {
    corrupt();
  }
  at = {next, 0};
  return true;
}

bool BTree::stepPrior(Position& at) {
  PageRef leaf = file_.fetch(index_, at.leaf);
  std::uint8_t* p = leaf.data();
  const int count = countOf(p);
  if (!isLeaf(p) || count > leafCapacity_ || at.slot < 0 || at.slot >= count) corrupt();
  if (at.slot > 0) {
    --at.slot;
    return true;
  }
  const std::uint32_t prev = prevOf(p);
  if (prev == 0) return false;
  if (p[page::kKind] == page::kRootLeaf) corrupt();
  PageRef n = loadSibling(prev, p);
  const int prevCount = countOf(n.data());
  if (std::memcmp(entryAt(n.data(), prevCount - 1), entryAt(p, 0),
                  static_cast<std::size_t>(keyLength_)) >= 0) {
    corrupt();
  }
  at = {prev, prevCount - 1};
  return true;
}

void BTree::entry(const Position& at, std::uint8_t* key, std::int32_t* recordNumber) {
  PageRef leaf = file_.fetch(index_, at.leaf);
  std::uint8_t* p = leaf.data();
  if (!isLeaf(p) || at.slot < 0 || at.slot >= countOf(p) || countOf(p) > leafCapacity_) corrupt();
  const std::uint8_t* e = entryAt(p, at.slot);
  if (key) std::memcpy(key, e, static_cast<std::size_t>(keyLength_));
  if (recordNumber) *recordNumber = bytes::getInt32(e + keyLength_);
}

bool BTree::findPrefix(const std::uint8_t* key, int length, std::int32_t* recordNumber) {
  // The smallest key with this prefix: the prefix followed by zero bytes.
  std::uint8_t* probe = scratch_.data();
  std::memcpy(probe, key, static_cast<std::size_t>(length));
  std::memset(probe + length, 0, static_cast<std::size_t>(keyLength_ - length));
  Position at;
  if (!seekAtLeast(probe, at)) return false;
  std::uint8_t* found = scratch_.data() + kPageSize;
  std::int32_t number = 0;
  entry(at, found, &number);
  if (std::memcmp(found, key, static_cast<std::size_t>(length)) != 0) return false;
  if (recordNumber) *recordNumber = number;
  return true;
}

// ---- insert ---------------------------------------------------------------

namespace {

struct Placed {
  bool split = false;
  PageRef right;
};

}  // namespace

bool BTree::insert(const std::uint8_t* key, std::int32_t recordNumber) {
  const auto k = static_cast<std::size_t>(keyLength_);
  std::uint8_t* entryBytes = entry_.data();
  std::memcpy(entryBytes, key, k);
  bytes::putInt32(entryBytes + k, recordNumber);

  if (root() == 0) {
    PageRef r = file_.newPage(index_);
    std::uint8_t* p = r.data();
    p[page::kKind] = page::kRootLeaf;
    setCount(p, 1);
    std::memcpy(entryAt(p, 0), entryBytes, static_cast<std::size_t>(leafStride_));
    file_.descriptor(index_).setRoot(r.offset());
    file_.markHeaderChanged();
    ++version_;
    return true;
  }

  if (appendAtEnd(entryBytes)) return true;
  spine_.clear();

  // The path holds page references: none may outlive the insert.
  Finally clearPath([this] { path_.clear(); });
  PageRef leaf = descend(key, Choose::LastAtMost, nullptr);
  const int pos = lowerBound(leaf.data(), key);
  if (pos < countOf(leaf.data()) && std::memcmp(entryAt(leaf.data(), pos), key, k) == 0)
    return false;
  // Behind every key of the tree: each step took its page's last entry.
  bool behindAll = pos == countOf(leaf.data());
  for (const Step& s : path_) behindAll = behindAll && s.slot == countOf(s.page.data()) - 1;
  ++version_;
  path_.push_back({std::move(leaf), pos});

  // Puts an entry at `pos` of a page, splitting it when it overflows: the
  // old page keeps the first half (rounded up), a new page linked in after
  // it takes the rest.
  const auto place = [&](PageRef& ref, int at, const std::uint8_t* entry) {
    Placed placed;
    std::uint8_t* p = ref.data();
    const int stride = strideOf(p);
    const int count = countOf(p);
    const auto s = static_cast<std::size_t>(stride);
    if (count < capacityOf(p)) {
      ref.markDirty(p + page::kCount, 2);
      ref.markDirty(entryAt(p, at), static_cast<std::size_t>(count - at + 1) * s);
      std::memmove(entryAt(p, at + 1), entryAt(p, at), static_cast<std::size_t>(count - at) * s);
      std::memcpy(entryAt(p, at), entry, s);
      setCount(p, count + 1);
      return placed;
    }
    ref.markDirty();
    std::uint8_t* all = scratch_.data();
    std::memcpy(all, entryAt(p, 0), static_cast<std::size_t>(at) * s);
    std::memcpy(all + static_cast<std::size_t>(at) * s, entry, s);
    std::memcpy(all + static_cast<std::size_t>(at + 1) * s, entryAt(p, at),
                static_cast<std::size_t>(count - at) * s);
    const int total = count + 1;
    const int rightCount = total / 2;
    const int leftCount = total - rightCount;
    // What can fail comes before the page changes: the new page, and the
    // page after it, whose back link is to name the new one.
    placed.right = file_.newPage(index_);
    const std::uint32_t next = nextOf(p);
    PageRef n;
    if (next != 0) {
      n = loadSibling(next, p);
      n.markDirty(n.data() + page::kPrev, 4);
    }
    placed.split = true;
    std::uint8_t* r = placed.right.data();
    const std::uint8_t kind = isLeaf(p) ? page::kLeaf : page::kInner;
    p[page::kKind] = kind;
    r[page::kKind] = kind;
    std::memcpy(entryAt(p, 0), all, static_cast<std::size_t>(leftCount) * s);
    std::memset(entryAt(p, leftCount), 0, static_cast<std::size_t>(count - leftCount) * s);
    std::memcpy(entryAt(r, 0), all + static_cast<std::size_t>(leftCount) * s,
                static_cast<std::size_t>(rightCount) * s);
    setCount(p, leftCount);
    setCount(r, rightCount);
    setPrev(r, ref.offset());
    setNext(r, next);
    setNext(p, placed.right.offset());
    if (n) setPrev(n.data(), placed.right.offset());
    return placed;
  };

  std::size_t level = path_.size() - 1;
  Placed placed = place(path_[level].page, pos, entryBytes);
  const bool leafSplit = placed.split;
  bool firstChanged = pos == 0;
  while (level > 0) {
    Step& up = path_[level - 1];
    std::uint8_t* parent = up.page.data();
    std::uint8_t* child = path_[level].page.data();
    std::uint8_t* e = entryAt(parent, up.slot);
    up.page.markDirty(e, static_cast<std::size_t>(innerStride_));
    if (firstChanged) std::memcpy(e, entryAt(child, 0), k);
    if (placed.split) {
      bytes::put32(e + k + 4, static_cast<std::uint32_t>(subtreeCount(child)));
      std::memcpy(entryBytes, entryAt(placed.right.data(), 0), k);
      bytes::put32(entryBytes + k, placed.right.offset());
      bytes::put32(entryBytes + k + 4,
                   static_cast<std::uint32_t>(subtreeCount(placed.right.data())));
      placed = place(up.page, up.slot + 1, entryBytes);
    } else {
      bytes::put32(e + k + 4, bytes::get32(e + k + 4) + 1);
    }
    firstChanged = firstChanged && up.slot == 0;
    --level;
  }
  if (placed.split) {
    // The root split: a new root holds one entry for each half.
    PageRef r = file_.newPage(index_);
    std::uint8_t* p = r.data();
    p[page::kKind] = page::kRoot;
    setCount(p, 2);
    std::uint8_t* halves[2] = {path_[0].page.data(), placed.right.data()};
    const std::uint32_t offsets[2] = {path_[0].page.offset(), placed.right.offset()};
    for (int i = 0; i < 2; ++i) {
      std::uint8_t* e = entryAt(p, i);
      std::memcpy(e, entryAt(halves[i], 0), k);
      bytes::put32(e + k, offsets[i]);
      bytes::put32(e + k + 4, static_cast<std::uint32_t>(subtreeCount(halves[i])));
    }
    file_.descriptor(index_).setRoot(r.offset());
    file_.markHeaderChanged();
  }
  if (behindAll) keepSpine(leafSplit);
  return true;
}

// After an insert behind every key: keeps the path to the last leaf pinned
// for the next one. Unless the leaf split, path_ is that path already.
void BTree::keepSpine(bool split) {
  if (split) {
    path_.clear();
    try {
      PageRef leaf = descend(nullptr, Choose::LastAtMost, nullptr);
      path_.push_back({std::move(leaf), 0});
    } catch (const std::exception&) {
      // The insert itself is done; the pinned path only saves later
      // descents, and a damaged page or a want of memory on the way down is
      // for the next descent to report.
      path_.clear();
      return;
    }
  }
  for (Step& s : path_) spine_.push_back(std::move(s.page));
  path_.clear();
  spineVersion_ = version_;
  // The spine starts at the root, which counts every key.
  count_ = subtreeCount(spine_.front().data());
  countVersion_ = version_;
  placedVersion_ = version_;
}

// An insert behind the last key into a last leaf with room: the entry goes
// at the leaf's end and each page above counts one more record in its last
// entry — exactly what the full descent would do, without the searches.
bool BTree::appendAtEnd(const std::uint8_t* entry) {
  if (spine_.empty() || spineVersion_ != version_) return false;
  std::uint8_t* leaf = spine_.back().data();
  const int count = countOf(leaf);
  const auto k = static_cast<std::size_t>(keyLength_);
  if (count >= leafCapacity_ || compareKeys(entryAt(leaf, count - 1), entry, k) >= 0) return false;
  // Only the bytes that change are saved, all of them before any changes.
  spine_.back().markDirty(leaf + page::kCount, 2);
  spine_.back().markDirty(entryAt(leaf, count), static_cast<std::size_t>(leafStride_));
  for (std::size_t level = spine_.size() - 1; level > 0; --level) {
    const PageRef& up = spine_[level - 1];
    up.markDirty(entryAt(up.data(), countOf(up.data()) - 1) + k + 4, 4);
  }
  std::memcpy(entryAt(leaf, count), entry, static_cast<std::size_t>(leafStride_));
  setCount(leaf, count + 1);
  for (std::size_t level = spine_.size() - 1; level > 0; --level) {
    const PageRef& up = spine_[level - 1];
    std::uint8_t* e = entryAt(up.data(), countOf(up.data()) - 1);
    bytes::put32(e + k + 4, bytes::get32(e + k + 4) + 1);
  }
  const bool counted = countVersion_ == version_;
  spineVersion_ = ++version_;
  count_ = counted ? count_ + 1 : subtreeCount(spine_.front().data());
  countVersion_ = version_;
  placedVersion_ = version_;
  return true;
}

void BTree::forgetPositions() {
  ++version_;
  spine_.clear();
  path_.clear();
}

// ---- delete ---------------------------------------------------------------

void BTree::setChildEntry(std::uint8_t* parent, int slot, std::uint8_t* child) {
  std::uint8_t* e = entryAt(parent, slot);
  if (countOf(child) > 0) std::memcpy(e, entryAt(child, 0), static_cast<std::size_t>(keyLength_));
  bytes::put32(e + keyLength_ + 4, static_cast<std::uint32_t>(subtreeCount(child)));
}

// Brings the parents' keys up to date with the first key of the page at
// `level`, as far up as the page is its parent's first child.
void BTree::syncFirstKeys(std::size_t level) {
  for (std::size_t l = level; l > 0; --l) {
    std::uint8_t* p = path_[l].page.data();
    Step& up = path_[l - 1];
    std::uint8_t* e = entryAt(up.page.data(), up.slot);
    if (countOf(p) == 0 || std::memcmp(e, entryAt(p, 0), static_cast<std::size_t>(keyLength_)) == 0)
      return;
    up.page.markDirty(e, static_cast<std::size_t>(keyLength_));
    std::memcpy(e, entryAt(p, 0), static_cast<std::size_t>(keyLength_));
    if (up.slot != 0) return;
  }
}

void BTree::unlink(std::uint8_t* p) {
  const std::uint32_t prev = prevOf(p);
  const std::uint32_t next = nextOf(p);
  PageRef before;
  PageRef after;
  if (prev != 0) before = loadSibling(prev, p);
  if (next != 0) after = loadSibling(next, p);
  if (before) {
    before.markDirty(before.data() + page::kNext, 4);
    setNext(before.data(), next);
  }
  if (after) {
    after.markDirty(after.data() + page::kPrev, 4);
    setPrev(after.data(), prev);
  }
}

void BTree::remove(const std::uint8_t* key) {
  ++version_;
  spine_.clear();
  const auto k = static_cast<std::size_t>(keyLength_);
  if (root() == 0) corrupt();
  // The path holds page references: none may outlive the removal.
  Finally clearPath([this] { path_.clear(); });
  PageRef leaf = descend(key, Choose::LastAtMost, nullptr);
  std::uint8_t* p = leaf.data();
  const int count = countOf(p);
  const int pos = lowerBound(p, key);
  if (pos >= count || std::memcmp(entryAt(p, pos), key, k) != 0) corrupt();
  const auto s = static_cast<std::size_t>(leafStride_);
  leaf.markDirty(p + page::kCount, 2);
  leaf.markDirty(entryAt(p, pos), static_cast<std::size_t>(count - pos) * s);
  std::memmove(entryAt(p, pos), entryAt(p, pos + 1), static_cast<std::size_t>(count - pos - 1) * s);
  std::memset(entryAt(p, count - 1), 0, s);
  setCount(p, count - 1);
  path_.push_back({std::move(leaf), pos});

  bool firstChanged = pos == 0 && count > 1;
  for (std::size_t level = path_.size() - 1; level > 0; --level) {
    Step& up = path_[level - 1];
    std::uint8_t* e = entryAt(up.page.data(), up.slot);
    const std::uint32_t records = bytes::get32(e + k + 4);
    if (records == 0) corrupt();
    up.page.markDirty(e, static_cast<std::size_t>(innerStride_));
    bytes::put32(e + k + 4, records - 1);
    if (firstChanged) std::memcpy(e, entryAt(path_[level].page.data(), 0), k);
    firstChanged = firstChanged && up.slot == 0;
  }
  rebalance();
}

// After a delete: a page left less than half full borrows from or merges
// with a neighbour under the same parent, as far up as pages keep
// underflowing; a root left with one child hands the root over to it.
void BTree::rebalance() {
  std::size_t level = path_.size() - 1;
  while (level > 0) {
    std::uint8_t* p = path_[level].page.data();
    const int count = countOf(p);
    const int capacity = capacityOf(p);
    if (count >= capacity / 2) return;
    Step& up = path_[level - 1];
    std::uint8_t* parent = up.page.data();
    const int parentCount = countOf(parent);
    const int i = up.slot;
    const int j = i > 0 ? i - 1 : i + 1;
    if (j >= parentCount) return;  // no neighbour under the same parent
    PageRef nref = loadSibling(bytes::get32(entryAt(parent, j) + keyLength_), p);
    std::uint8_t* n = nref.data();
    const int ncount = countOf(n);
    const int stride = strideOf(p);
    const auto s = static_cast<std::size_t>(stride);
    nref.markDirty();
    path_[level].page.markDirty();
    up.page.markDirty();
    if (count + ncount < capacity) {
      if (j < i) {
        std::memcpy(entryAt(n, ncount), entryAt(p, 0), static_cast<std::size_t>(count) * s);
      } else {
        std::memmove(entryAt(n, count), entryAt(n, 0), static_cast<std::size_t>(ncount) * s);
        std::memcpy(entryAt(n, 0), entryAt(p, 0), static_cast<std::size_t>(count) * s);
      }
      setCount(n, count + ncount);
      unlink(p);
      setChildEntry(parent, j, n);
      std::memmove(
          entryAt(parent, i), entryAt(parent, i + 1),
          static_cast<std::size_t>(parentCount - i - 1) * static_cast<std::size_t>(innerStride_));
      std::memset(entryAt(parent, parentCount - 1), 0, static_cast<std::size_t>(innerStride_));
      setCount(parent, parentCount - 1);
      file_.freePage(index_, path_[level].page);
      path_.pop_back();
      --level;
      syncFirstKeys(level);
      continue;
    }
    const int total = count + ncount;
    const int neighbourKeeps = (total + 1) / 2;
    const int pageKeeps = total - neighbourKeeps;
    std::uint8_t* all = scratch_.data();
    if (j < i) {
      std::memcpy(all, entryAt(n, 0), static_cast<std::size_t>(ncount) * s);
      std::memcpy(all + static_cast<std::size_t>(ncount) * s, entryAt(p, 0),
                  static_cast<std::size_t>(count) * s);
      std::memcpy(entryAt(n, 0), all, static_cast<std::size_t>(neighbourKeeps) * s);
      std::memcpy(entryAt(p, 0), all + static_cast<std::size_t>(neighbourKeeps) * s,
                  static_cast<std::size_t>(pageKeeps) * s);
    } else {
      std::memcpy(all, entryAt(p, 0), static_cast<std::size_t>(count) * s);
      std::memcpy(all + static_cast<std::size_t>(count) * s, entryAt(n, 0),
                  static_cast<std::size_t>(ncount) * s);
      std::memcpy(entryAt(p, 0), all, static_cast<std::size_t>(pageKeeps) * s);
      std::memcpy(entryAt(n, 0), all + static_cast<std::size_t>(pageKeeps) * s,
                  static_cast<std::size_t>(neighbourKeeps) * s);
    }
    const int oldMax = std::max(count, ncount);
    std::memset(entryAt(n, neighbourKeeps), 0,
                static_cast<std::size_t>(std::max(0, oldMax - neighbourKeeps)) * s);
    std::memset(entryAt(p, pageKeeps), 0,
                static_cast<std::size_t>(std::max(0, oldMax - pageKeeps)) * s);
    setCount(n, neighbourKeeps);
    setCount(p, pageKeeps);
    setChildEntry(parent, i, p);
    setChildEntry(parent, j, n);
    syncFirstKeys(level - 1);
    return;
  }

  // The root: an empty leaf root empties the index; an inner root with a
  // single child hands over to it.
  for (;;) {
    std::uint8_t* r = path_[0].page.data();
    const int count = countOf(r);
    if (r[page::kKind] == page::kRootLeaf) {
      if (count == 0) {
        file_.freePage(index_, path_[0].page);
        file_.descriptor(index_).setRoot(0);
        file_.markHeaderChanged();
      }
      return;
    }
    if (count > 1) return;
    if (count == 0) {
      file_.freePage(index_, path_[0].page);
      file_.descriptor(index_).setRoot(0);
      file_.markHeaderChanged();
      return;
    }
    const std::uint32_t childOffset = bytes::get32(entryAt(r, 0) + keyLength_);
    PageRef child = load(childOffset, false);
    child.markDirty();
    std::uint8_t* c = child.data();
    c[page::kKind] = isLeaf(c) ? page::kRootLeaf : page::kRoot;
    setPrev(c, 0);
    setNext(c, 0);
    file_.freePage(index_, path_[0].page);
    file_.descriptor(index_).setRoot(childOffset);
    file_.markHeaderChanged();
    path_[0].page = std::move(child);
  }
}

}  // namespace morvel
