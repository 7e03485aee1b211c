// Sorting rows by their values; see RowSorter.h.
#include "grid/tree/RowSorter.h"

#include <algorithm>
#include <bit>
#include <numeric>
#include <optional>
#include <utility>

#include "grid/tree/HoareSort.h"

namespace morvel {

int compareSortValues(const Variant& a, const Variant& b, bool natural,
                      const TextCollation& collate) {
  const std::optional<int> compared = tryCompareVariants(a, b);
  if (!compared) return a.kind() < b.kind() ? -1 : a.kind() > b.kind() ? 1 : 0;
  const int c = *compared;
  if (c == 0 || a.kind() != vkString || b.kind() != vkString) return c;
  if (natural) return compareNaturalText(a.stringValue(), b.stringValue());
  if (collate) return collate(a.stringValue(), b.stringValue());
  return c;
}

namespace {

// Order keys of the first sort keys (at most two): most comparisons end there.
constexpr std::size_t kMaxKeyed = 2;

// Sorts the records 0..n-1 carrying order keys of their first `Keyed` sort
// values and their tie-break keys; compare(keysA, keysB, a, b) orders two
// records by their sort values, and breakTie(a, b) orders those whose sort
// values and tie-break keys are all equal. Returns the record numbers in
// sorted order. The records move, not indexes into them, so the sort reads
// memory in sequence.
template <std::size_t Keyed, class Compare>
std::vector<std::uint32_t> sortKeyedRecords(const RowSortInput& input, const PrefixKind* kinds,
                                            Compare&& compare) {
  struct Record {
    OrderKey key[Keyed];
    std::int64_t tie;
    std::uint32_t id;
  };
  const std::vector<Variant>& values = *input.values;
  const std::size_t keys = input.keys.size();
  const std::size_t n = values.size() / keys;
  std::vector<Record> records(n);
  for (std::size_t i = 0; i < n; ++i) {
    records[i].id = static_cast<std::uint32_t>(i);
    records[i].tie = input.ties.empty() ? 0 : input.ties[i];
    for (std::size_t k = 0; k < Keyed && k < keys; ++k) {
      records[i].key[k] = orderKey(values[i * keys + k], kinds[k]);
    }
  }
  const auto compareRecords = [&](const Record& a, const Record& b) {
    if (const int c = compare(a.key, b.key, a.id, b.id)) return c;
    if (a.tie != b.tie) return a.tie < b.tie ? -1 : 1;
    // A record meets itself as the pivot: no need to ask about it.
    return a.id == b.id ? 0 : input.breakTie(a.id, b.id);
  };
  // Rows often arrive in order already (regrouped rows keep the order a
  // sort gave them). When every row is strictly before the next, the order
  // is the only sorted one, which the quicksort would find too.
  bool inOrder = true;
  for (std::size_t i = 1; i < n && inOrder; ++i) {
    inOrder = compareRecords(records[i - 1], records[i]) < 0;
  }
  if (!inOrder) hoareSort(records, compareRecords);
  std::vector<std::uint32_t> order(n);
  for (std::size_t i = 0; i < n; ++i) order[i] = records[i].id;
  return order;
}

// The bits that hold the row numbers 0..n-1.
int rowBitsFor(std::size_t n) { return n > 1 ? std::bit_width(n - 1) : 0; }

}  // namespace

std::vector<std::uint32_t> sortRowValues(const RowSortInput& input) {
  const std::vector<Variant>& values = *input.values;
  const std::size_t keys = input.keys.size();
  const std::size_t n = values.size() / keys;
  PrefixKind kinds[kMaxKeyed] = {PrefixKind::none, PrefixKind::none};
  for (std::size_t k = 0; k < keys && k < kMaxKeyed; ++k) {
    kinds[k] = prefixKindFor(values.data() + k, n, keys);
    // Collation and natural order do not follow byte order.
    if ((input.collate || input.keys[k].natural) && kinds[k] == PrefixKind::text) {
      kinds[k] = PrefixKind::none;
    }
  }
  // Key k of records a and b, from their order keys when those decide.
  const auto compareKey = [&](std::size_t k, const OrderKey* ka, const OrderKey* kb,
                              std::uint32_t a, std::uint32_t b) {
    int c =
        k < kMaxKeyed && kinds[k] != PrefixKind::none ? compareOrderKeys(ka[k], kb[k]) : kUndecided;
    if (c == kUndecided) {
      c = compareSortValues(values[a * keys + k], values[b * keys + k], input.keys[k].natural,
                            input.collate);
    }
    if (c == 0) return 0;
    c = c < 0 ? -1 : 1;
    return input.keys[k].descending ? -c : c;
  };
  const auto compareRecords = [&](const OrderKey* ka, const OrderKey* kb, std::uint32_t a,
                                  std::uint32_t b) {
    for (std::size_t k = 0; k < keys; ++k) {
      if (const int c = compareKey(k, ka, kb, a, b)) return c;
    }
    return 0;
  };
  return keys == 1 ? sortKeyedRecords<1>(input, kinds, compareRecords)
                   : sortKeyedRecords<kMaxKeyed>(input, kinds, compareRecords);
}

void ExactKeySorter::reserve(std::size_t rows) {
  mostKeys_ = std::min<std::size_t>(std::size_t(1) << kRankBits, rows / 8);
  ranked_ = mostKeys_ >= 2 && keyOf_.empty() && flat_.empty();
  if (!ranked_) {
    flat_.reserve(rows);
    return;
  }
  const std::size_t capacity = std::bit_ceil(2 * mostKeys_);
  table_.assign(capacity, kFree);
  hashShift_ = 64 - std::bit_width(capacity - 1);
  keyOf_.reserve(rows);
  ties_.reserve(rows);
}

void ExactKeySorter::add(const ExactRowKey& key) {
  lowestTie_ = std::min(lowestTie_, key.tie);
  highestTie_ = std::max(highestTie_, key.tie);
  if (ranked_) {
    const std::size_t mask = table_.size() - 1;
    std::size_t at =
        ((key.hi * 0x9e3779b97f4a7c15ull) ^ (key.lo * 0xc2b2ae3d27d4eb4full)) >> hashShift_;
    while (table_[at] != kFree && keys_[table_[at]] != std::pair(key.hi, key.lo)) {
      at = (at + 1) & mask;
    }
    if (table_[at] != kFree || keys_.size() < mostKeys_) {
      if (table_[at] == kFree) {
        table_[at] = static_cast<std::uint32_t>(keys_.size());
        keys_.emplace_back(key.hi, key.lo);
      }
      keyOf_.push_back(table_[at]);
      ties_.push_back(key.tie);
      return;
    }
    unrank();
  }
  flat_.push_back({key.hi, key.lo, key.tie});
}

void ExactKeySorter::unrank() {
  flat_.reserve(keyOf_.capacity());
  for (std::size_t i = 0; i < keyOf_.size(); ++i) {
    const auto& [hi, lo] = keys_[keyOf_[i]];
    flat_.push_back({hi, lo, ties_[i]});
  }
  keyOf_ = {};
  ties_ = {};
  keys_ = {};
  table_ = {};
  ranked_ = false;
}

bool ExactKeySorter::finish(std::vector<std::uint32_t>& order) {
  if (ranked_) {
    // The rank, the tie and the row must fit one word.
    if (std::bit_width(tieSpan()) + rowBitsFor(keyOf_.size()) <= 64 - kRankBits) {
      return finishRanked(order);
    }
    unrank();
  }
  return finishFlat(order);
}

bool ExactKeySorter::finishRanked(std::vector<std::uint32_t>& order) {
  const std::size_t n = keyOf_.size();
  const int rowBits = rowBitsFor(n);
  const int restBits = std::bit_width(tieSpan()) + rowBits;
  std::vector<std::uint32_t> byKey(keys_.size());
  std::iota(byKey.begin(), byKey.end(), 0u);
  std::sort(byKey.begin(), byKey.end(),
            [&](std::uint32_t a, std::uint32_t b) { return keys_[a] < keys_[b]; });
  std::vector<std::uint32_t> rank(keys_.size());
  for (std::size_t r = 0; r < byKey.size(); ++r) rank[byKey[r]] = static_cast<std::uint32_t>(r);
  // Each row's tie becomes its tie less the lowest over its row number,
  // and its key's number its key's rank. Rows of each key in that order
  // need only be dealt out; then too a row shares its key and tie only with
  // the row before it of the same key.
  std::vector<std::uint32_t> count(keys_.size() + 1, 0);
  std::vector<std::uint64_t> last(keys_.size(), 0);
  bool dealt = true;
  bool shared = false;
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint32_t r = rank[keyOf_[i]];
    const std::uint64_t rest = (ties_[i] - lowestTie_) << rowBits | i;
    keyOf_[i] = r;
    ties_[i] = rest;
    if (count[r + 1] > 0) {
      dealt = dealt && rest > last[r];
      shared = shared || rest >> rowBits == last[r] >> rowBits;
    }
    last[r] = rest;
    ++count[r + 1];
  }
  const std::uint64_t rowMask = (std::uint64_t(1) << rowBits) - 1;
  order.resize(n);
  if (dealt) {
    if (shared) return false;
    for (std::size_t r = 1; r < count.size(); ++r) count[r] += count[r - 1];
    for (std::size_t i = 0; i < n; ++i) order[count[keyOf_[i]]++] = static_cast<std::uint32_t>(i);
    return true;
  }
  // Otherwise each row's rank, tie and row make one word, sorted in place.
  for (std::size_t i = 0; i < n; ++i) ties_[i] |= std::uint64_t(keyOf_[i]) << restBits;
  keyOf_ = {};
  std::sort(ties_.begin(), ties_.end());
  for (std::size_t i = 1; i < n; ++i) {
    if (ties_[i - 1] >> rowBits == ties_[i] >> rowBits) return false;
  }
  for (std::size_t i = 0; i < n; ++i) order[i] = static_cast<std::uint32_t>(ties_[i] & rowMask);
  return true;
}

bool ExactKeySorter::finishFlat(std::vector<std::uint32_t>& order) {
  const std::size_t n = flat_.size();
  // Bits for the row numbers 0..n-1, and whether the ties' span fits above
  // them.
  const int rowBits = rowBitsFor(n);
  if (rowBits > 0 && (tieSpan() >> (64 - rowBits)) != 0) return finishUnpacked(order);
  for (std::size_t i = 0; i < n; ++i) {
    flat_[i].rest = (flat_[i].rest - lowestTie_) << rowBits | i;
  }
  if (!std::is_sorted(flat_.begin(), flat_.end(), Flat::before)) {
    std::sort(flat_.begin(), flat_.end(), Flat::before);
  }
  for (std::size_t i = 1; i < n; ++i) {
    const Flat& a = flat_[i - 1];
    const Flat& b = flat_[i];
    if (a.hi == b.hi && a.lo == b.lo && a.rest >> rowBits == b.rest >> rowBits) return false;
  }
  const std::uint64_t rowMask = (std::uint64_t(1) << rowBits) - 1;
  order.resize(n);
  for (std::size_t i = 0; i < n; ++i) {
    order[i] = static_cast<std::uint32_t>(flat_[i].rest & rowMask);
  }
  return true;
}

bool ExactKeySorter::finishUnpacked(std::vector<std::uint32_t>& order) {
  const std::size_t n = flat_.size();
  order.resize(n);
  for (std::size_t i = 0; i < n; ++i) order[i] = static_cast<std::uint32_t>(i);
  std::sort(order.begin(), order.end(),
            [&](std::uint32_t a, std::uint32_t b) { return Flat::before(flat_[a], flat_[b]); });
  for (std::size_t i = 1; i < n; ++i) {
    if (!Flat::before(flat_[order[i - 1]], flat_[order[i]])) return false;  // the same key
  }
  return true;
}

}  // namespace morvel
