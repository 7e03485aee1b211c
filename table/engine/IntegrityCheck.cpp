// The table checker; see IntegrityCheck.h.
#include "table/engine/IntegrityCheck.h"

#include <cstring>
#include <set>

#include "table/engine/Bytes.h"
#include "table/engine/DataTable.h"
#include "table/files/EngineError.h"

namespace morvel {
namespace {

constexpr std::size_t kMaxProblems = 50;
constexpr int kMaxDepth = 40;

class Checker {
 public:
  explicit Checker(DataTable& table) : table_(table), file_(table.indexFile()) {}

  std::vector<std::string> run() {
    for (int i = 0; i <= table_.secondaryCount(); ++i) {
      if (table_.keys(i).hasFields()) counts_[i] = checkTree(i);
    }
    counts_[kSlotIndex] = checkTree(kSlotIndex);
    for (int i = 0; i <= table_.secondaryCount(); ++i) checkFreeChain(i);
    checkFreeChain(kSlotIndex);
    for (std::uint32_t at = kPageSize; at < file_.endOffset(); at += kPageSize) {
      if (!seen_.count(at))
        report("index page " + std::to_string(at) + " is neither in a tree nor free");
    }
    checkRecords();
    return problems_;
  }

 private:
  void report(const std::string& problem) {
    if (problems_.size() < kMaxProblems) problems_.push_back(problem);
  }

  struct TreeWalk {
    int index = 0;
    int keyLength = 0;
    int uniqueLength = 0;  // bytes that must differ between neighbours; 0 for none
    std::vector<std::vector<std::uint32_t>> levels;
    std::vector<std::uint8_t> lastKey;
    int leafDepth = -1;
  };

  std::uint64_t checkTree(int index) {
    BTree& tree = table_.tree(index);
    const IndexDescriptor& d = file_.descriptor(index);
    TreeWalk w;
    w.index = index;
    w.keyLength = tree.keyLength();
    if (index == kPrimaryIndex || (index != kSlotIndex && d.unique()))
      w.uniqueLength = table_.keys(index).valueLength();
    if (tree.root() == 0) return 0;
    const std::uint64_t total = walk(w, tree, tree.root(), 0, nullptr);
    for (std::size_t level = 0; level < w.levels.size(); ++level) {
      const auto& pages = w.levels[level];
      for (std::size_t k = 0; k < pages.size(); ++k) {
        PageRef p = file_.fetch(index, pages[k]);
        const std::uint32_t prev = bytes::get32(p.data() + page::kPrev);
        const std::uint32_t next = bytes::get32(p.data() + page::kNext);
        const std::uint32_t wantPrev = k == 0 ? 0 : pages[k - 1];
        const std::uint32_t wantNext = k + 1 == pages.size() ? 0 : pages[k + 1];
        if (prev != wantPrev || next != wantNext) {
          report(tree.name() + ": page " + std::to_string(pages[k]) + " on level " +
                 std::to_string(level) + " links to " + std::to_string(prev) + " and " +
                 std::to_string(next) + " instead of " + std::to_string(wantPrev) + " and " +
                 std::to_string(wantNext));
        }
      }
    }
    return total;
  }

  std::uint64_t walk(TreeWalk& w, BTree& tree, std::uint32_t offset, int depth,
                     const std::uint8_t* parentKey) {
    const std::string where = tree.name() + ": page " + std::to_string(offset);
    if (!file_.isPageOffset(offset)) {
      report(where + " is not a page of the file");
      return 0;
    }
    if (!seen_.insert(offset).second) {
      report(where + " is reached twice");
      return 0;
    }
    if (depth > kMaxDepth) {
      report(where + " is too deep");
      return 0;
    }
    PageRef ref = file_.fetch(w.index, offset);
    const std::uint8_t* p = ref.data();
    const std::uint8_t kind = p[page::kKind];
    const int count = bytes::get16(p + page::kCount);
    const bool root = depth == 0;
    const bool leaf = kind == page::kLeaf || kind == page::kRootLeaf;
    const bool kindOk = root ? (kind == page::kRoot || kind == page::kRootLeaf)
                             : (kind == page::kInner || kind == page::kLeaf);
    const int capacity = leaf ? tree.leafCapacity() : tree.innerCapacity();
    if (!kindOk)
      report(where + " has kind " + std::to_string(kind) + " at depth " + std::to_string(depth));
    if (count < 1 || count > capacity) {
      report(where + " holds " + std::to_string(count) + " entries");
      return 0;
    }
    if (root && kind == page::kRoot && count < 2) report(where + " is a root with a single child");
    if (w.levels.size() <= static_cast<std::size_t>(depth))
      w.levels.resize(static_cast<std::size_t>(depth) + 1);
    w.levels[static_cast<std::size_t>(depth)].push_back(offset);
    const auto k = static_cast<std::size_t>(w.keyLength);
    const int stride = w.keyLength + (leaf ? 4 : 8);
    const auto entry = [&](int i) { return p + kPageHeaderSize + i * stride; };
    if (parentKey && std::memcmp(parentKey, entry(0), k) != 0) {
      report(where + ": its parent's key is not its first key");
    }
    for (int i = 1; i < count; ++i) {
      if (std::memcmp(entry(i - 1), entry(i), k) >= 0)
        report(where + ": keys out of order at entry " + std::to_string(i));
    }
    if (leaf) {
      if (w.leafDepth >= 0 && w.leafDepth != depth) report(where + ": leaves at different depths");
      w.leafDepth = depth;
      for (int i = 0; i < count; ++i) {
        const std::uint8_t* key = entry(i);
        if (!w.lastKey.empty()) {
          if (std::memcmp(w.lastKey.data(), key, k) >= 0)
            report(where + ": keys out of order across leaves");
          if (w.uniqueLength > 0 &&
              std::memcmp(w.lastKey.data(), key, static_cast<std::size_t>(w.uniqueLength)) == 0) {
            report(where + ": duplicate key in a unique index");
          }
        }
        w.lastKey.assign(key, key + k);
      }
      return static_cast<std::uint64_t>(count);
    }
    std::uint64_t sum = 0;
    for (int i = 0; i < count; ++i) {
      std::vector<std::uint8_t> key(entry(i), entry(i) + k);
      const std::uint32_t child = bytes::get32(entry(i) + k);
      const std::uint32_t expected = bytes::get32(entry(i) + k + 4);
      const std::uint64_t got = walk(w, tree, child, depth + 1, key.data());
      if (got != expected) {
        report(where + ": entry " + std::to_string(i) + " counts " + std::to_string(expected) +
               " records, its subtree holds " + std::to_string(got));
      }
      sum += got;
    }
    return sum;
  }

  void checkFreeChain(int index) {
    std::uint32_t at = file_.descriptor(index).freeHead();
    while (at != 0) {
      const std::string where =
          "free chain of index " + std::to_string(index) + ": page " + std::to_string(at);
      if (!file_.isPageOffset(at)) {
        report(where + " is not a page of the file");
        return;
      }
      if (!seen_.insert(at).second) {
        report(where + " is also used elsewhere (or the chain loops)");
        return;
      }
      PageRef p = file_.fetch(index, at);
      if (bytes::get16(p.data() + page::kCount) != 0) report(where + " is not empty");
      at = bytes::get32(p.data() + page::kNext);
    }
  }

  void checkRecords() {
    DataFile& data = table_.data();
    const std::int32_t slots = data.slotCount();
    if (counts_[kSlotIndex] != static_cast<std::uint64_t>(slots)) {
      report("slot index holds " + std::to_string(counts_[kSlotIndex]) + " keys for " +
             std::to_string(slots) + " slots");
    }
    std::vector<std::uint8_t> key(600);
    std::int64_t live = 0;
    std::set<std::int32_t> deleted;
    for (std::int32_t n = 1; n <= slots; ++n) {
      std::vector<std::uint8_t> image;
      try {
        const Record& r = data.slot(n, Access::Forward);
        image.assign(r.image(), r.image() + data.recordSize());
      } catch (const EngineError& e) {
        report("slot " + std::to_string(n) + ": " + e.message());
        continue;
      }
      const bool isDeleted = image[kDeletedFlagOffset] != 0;
      const std::int32_t autoInc = bytes::getInt32(image.data() + kAutoIncOffset);
      KeyLayout::buildSlotKey(isDeleted, autoInc, n, key.data());
      expectKey(kSlotIndex, key.data(), n, "slot " + std::to_string(n));
      if (isDeleted) {
        deleted.insert(n);
        continue;
      }
      ++live;
      for (int i = 0; i <= table_.secondaryCount(); ++i) {
        if (!table_.keys(i).hasFields()) continue;
        table_.keys(i).build(image.data(), n, key.data());
        expectKey(i, key.data(), n, "record " + std::to_string(n));
      }
    }
    for (int i = 0; i <= table_.secondaryCount(); ++i) {
      if (table_.keys(i).hasFields() && counts_[i] != static_cast<std::uint64_t>(live)) {
        report(table_.tree(i).name() + " holds " + std::to_string(counts_[i]) + " keys for " +
               std::to_string(live) + " records");
      }
    }
    std::set<std::int32_t> chained;
    std::int32_t at = data.freeHead();
    while (at != 0) {
      if (!deleted.count(at)) {
        report("free chain reaches slot " + std::to_string(at) + ", which is not deleted");
        return;
      }
      if (!chained.insert(at).second) {
        report("free chain loops at slot " + std::to_string(at));
        return;
      }
      at = bytes::getInt32(data.slot(at).image() + kRecordNumberOffset);
    }
    if (chained.size() != deleted.size()) {
      report("free chain holds " + std::to_string(chained.size()) + " of " +
             std::to_string(deleted.size()) + " deleted slots");
    }
  }

  void expectKey(int index, const std::uint8_t* key, std::int32_t record, const std::string& what) {
    BTree& tree = table_.tree(index);
    std::int32_t found = 0;
    if (!tree.findPrefix(key, tree.keyLength(), &found) || found != record) {
      report(tree.name() + ": no key for " + what);
    }
  }

  DataTable& table_;
  IndexFile& file_;
  std::vector<std::string> problems_;
  std::set<std::uint32_t> seen_;
  std::uint64_t counts_[kIndexSlots] = {};
};

}  // namespace

std::vector<std::string> checkTableIntegrity(DataTable& table) {
  std::lock_guard lock(table.mutex());
  try {
    return Checker(table).run();
  } catch (const EngineError& e) {
    return {"check stopped: " + e.message()};
  }
}

}  // namespace morvel
