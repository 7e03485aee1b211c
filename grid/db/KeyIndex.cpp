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

std::size_t KeyIndex::placeOf(std::int64_t key) const {
  if (key < first_) return rows_.size();
  const std::uint64_t distance =
      static_cast<std::uint64_t>(key) - static_cast<std::uint64_t>(first_);
  return distance < rows_.size() ? static_cast<std::size_t>(distance) : rows_.size();
}

DBGridNode* KeyIndex::find(std::int64_t key) const {
  if (counted_) {
    const std::size_t at = placeOf(key);
    return at < rows_.size() ? rows_[at] : nullptr;
  }
  const auto it = std::lower_bound(entries_.begin(), entries_.end(), key,
                                   [](const Entry& e, std::int64_t k) { return e.first < k; });
  return it != entries_.end() && it->first == key ? it->second : nullptr;
}

void KeyIndex::forget(std::int64_t key, const DBGridNode* row) {
  if (counted_) {
    const std::size_t at = placeOf(key);
    if (at < rows_.size() && rows_[at] == row) rows_[at] = nullptr;
    return;
  }
  const auto it = std::lower_bound(entries_.begin(), entries_.end(), key,
                                   [](const Entry& e, std::int64_t k) { return e.first < k; });
  if (it != entries_.end() && it->first == key && it->second == row) it->second = nullptr;
}

}  // namespace morvel
