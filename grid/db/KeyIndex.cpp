// The key index's collecting and look-ups (see KeyIndex.h).
#include "grid/db/KeyIndex.h"

#include <algorithm>

#include "grid/db/DBGridNode.h"

namespace morvel {

namespace {

// The first entry whose key is not below `key`, in entries sorted by key.
template <class It>
It lowerBound(It first, It last, std::int64_t key) {
  return std::lower_bound(first, last, key,
                          [](const auto& e, std::int64_t k) { return e.first < k; });
}

}  // namespace

void KeyIndex::invalidate() noexcept {
  entries_.clear();
  state_ = State::invalid;
  collecting_ = false;
}

void KeyIndex::begin(std::size_t expected) {
  entries_.clear();
  // Growing by doubling would hold the old entries and twice the room at
  // once, at the very moment the grid is at its largest.
  if (expected > entries_.capacity()) std::vector<Entry>().swap(entries_);
  entries_.reserve(expected);
  state_ = State::invalid;
  collecting_ = true;
  ordered_ = true;
}

void KeyIndex::add(const PackedValue& key, DBGridNode* row) {
  if (!collecting_) return;
  if (!key.isInteger()) {
    collecting_ = false;
    return;
  }
  const std::int64_t k = key.integer();
  if (!entries_.empty() && entries_.back().first >= k) ordered_ = false;
  entries_.emplace_back(k, row);
}

void KeyIndex::finish(State whenGivenUp) {
  if (!collecting_) {
    entries_.clear();
    state_ = whenGivenUp;
    return;
  }
  collecting_ = false;
  if (!ordered_) std::sort(entries_.begin(), entries_.end());
  const auto same = [](const Entry& a, const Entry& b) { return a.first == b.first; };
  if (std::adjacent_find(entries_.begin(), entries_.end(), same) != entries_.end()) {
    entries_.clear();
    state_ = State::unusable;
    return;
  }
  state_ = State::valid;
}

DBGridNode* KeyIndex::find(std::int64_t key) const {
  const auto it = lowerBound(entries_.begin(), entries_.end(), key);
  return it != entries_.end() && it->first == key ? it->second : nullptr;
}

void KeyIndex::forget(std::int64_t key, const DBGridNode* row) {
  const auto it = lowerBound(entries_.begin(), entries_.end(), key);
  if (it != entries_.end() && it->first == key && it->second == row) it->second = nullptr;
}

}  // namespace morvel
