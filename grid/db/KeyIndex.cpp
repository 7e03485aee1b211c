// The key index's collecting and look-ups (see KeyIndex.h).
#include "grid/db/KeyIndex.h"

#include <algorithm>
#include <utility>

#include "grid/db/DBGridNode.h"

namespace morvel {

namespace {

// How far apart counted rows may lie: a table's numbering after its
// deletions, not keys spread so thinly that their places would take more
// room than the keys.
bool closeEnough(std::uint64_t distance, std::size_t rows) {
  return distance <= 2 * static_cast<std::uint64_t>(rows) + 1024;
}

}  // namespace

void KeyIndex::invalidate() noexcept {
  rows_.clear();
  entries_.clear();
  rowCount_ = 0;
  state_ = State::invalid;
  collecting_ = false;
}

void KeyIndex::begin(std::size_t expected) {
  invalidate();
  // Growing by doubling would hold the old rows and twice the room at
  // once, at the very moment the grid is at its largest.
  if (expected > rows_.capacity()) std::vector<DBGridNode*>().swap(rows_);
  rows_.reserve(expected);
  std::vector<Entry>().swap(entries_);
  expected_ = expected;
  collecting_ = true;
  ordered_ = true;
  counted_ = true;
  first_ = 0;
}

void KeyIndex::add(const PackedValue& key, DBGridNode* row) {
  if (!collecting_) return;
  if (!key.isInteger()) {
    collecting_ = false;
    return;
  }
  const std::int64_t k = key.integer();
  if (counted_) {
    if (rows_.empty()) first_ = k;
    // A distance, which cannot overflow as a sum could.
    const std::uint64_t distance =
        static_cast<std::uint64_t>(k) - static_cast<std::uint64_t>(first_);
    if (k >= first_ && distance >= rows_.size() && closeEnough(distance, rowCount_)) {
      rows_.resize(distance, nullptr);
      rows_.push_back(row);
      ++rowCount_;
      return;
    }
    keepKeys();
  }
  if (!entries_.empty() && entries_.back().first >= k) ordered_ = false;
  entries_.emplace_back(k, row);
}

void KeyIndex::keepKeys() {
  counted_ = false;
  entries_.reserve(std::max(expected_, rowCount_ + 1));
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    if (rows_[i]) entries_.emplace_back(first_ + static_cast<std::int64_t>(i), rows_[i]);
  }
  std::vector<DBGridNode*>().swap(rows_);
  rowCount_ = 0;
}

void KeyIndex::finish(State whenGivenUp) {
  if (!collecting_) {
    invalidate();
    state_ = whenGivenUp;
    return;
  }
  collecting_ = false;
  if (!counted_) {
    if (!ordered_) std::sort(entries_.begin(), entries_.end());
    const auto same = [](const Entry& a, const Entry& b) { return a.first == b.first; };
    if (std::adjacent_find(entries_.begin(), entries_.end(), same) != entries_.end()) {
      invalidate();
      state_ = State::unusable;
      return;
    }
  }
  state_ = State::valid;
}

template <class Self>
auto KeyIndex::slotOf(Self& self, std::int64_t key) {
  using Slot = decltype(&self.rows_[0]);
  if (self.counted_) {
    if (key < self.first_) return Slot{};
    const std::uint64_t distance =
        static_cast<std::uint64_t>(key) - static_cast<std::uint64_t>(self.first_);
    return distance < self.rows_.size() ? &self.rows_[static_cast<std::size_t>(distance)] : Slot{};
  }
  const auto it = std::lower_bound(self.entries_.begin(), self.entries_.end(), key,
                                   [](const Entry& e, std::int64_t k) { return e.first < k; });
  return it != self.entries_.end() && it->first == key ? &it->second : Slot{};
}

DBGridNode* KeyIndex::find(std::int64_t key) const {
  const auto slot = slotOf(*this, key);
  return slot ? *slot : nullptr;
}

void KeyIndex::forget(std::int64_t key, const DBGridNode* row) {
  const auto slot = slotOf(*this, key);
  if (slot && *slot == row) *slot = nullptr;
}

}  // namespace morvel
