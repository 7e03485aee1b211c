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

bool ExactKeySorter::finish(std::vector<std::uint32_t>& order) {
  const std::size_t n = flat_.size();
  // Bits for the row numbers 0..n-1, and whether the ties' span fits above
  // them.
  const int rowBits = n > 1 ? std::bit_width(n - 1) : 0;
  const std::uint64_t span = n > 0 ? highestTie_ - lowestTie_ : 0;
  if (rowBits > 0 && (span >> (64 - rowBits)) != 0) return finishUnpacked(order);
  for (std::size_t i = 0; i < n; ++i) {
    flat_[i].rest = (flat_[i].rest - lowestTie_) << rowBits | i;
  }
  const auto before = [](const Flat& a, const Flat& b) {
    if (a.hi != b.hi) return a.hi < b.hi;
    if (a.lo != b.lo) return a.lo < b.lo;
    return a.rest < b.rest;
  };
  if (!std::is_sorted(flat_.begin(), flat_.end(), before)) {
    const int restBits = std::bit_width(span) + rowBits;
    if (restBits <= 64 - kRankBits) {
      if (const std::optional<bool> ranked = finishByRanks(order, restBits, rowBits)) {
        return *ranked;
      }
    }
    std::sort(flat_.begin(), flat_.end(), before);
  }
  for (std::size_t i = 1; i < n; ++i) {
    const Flat& a = flat_[i - 1];
    const Flat& b = flat_[i];
    if (a.hi == b.hi && a.lo == b.lo && a.rest >> rowBits == b.rest >> rowBits) return false;
  }
  const std::uint64_t rowMask = (std::uint64_t(1) << rowBits) - 1;
  order.resize(n);
  for (std::size_t i = 0; i < n; ++i)
    order[i] = static_cast<std::uint32_t>(flat_[i].rest & rowMask);
  return true;
}

std::optional<bool> ExactKeySorter::finishByRanks(std::vector<std::uint32_t>& order, int restBits,
                                                  int rowBits) {
  const std::size_t n = flat_.size();
  // Worth it only when keys repeat: a key met once costs a table entry.
  const std::size_t most = std::min<std::size_t>(std::size_t(1) << kRankBits, n / 8);
  if (most < 2) return std::nullopt;
  // The distinct keys, by an open-addressed table of their numbers; each
  // row's key is replaced by its number until its rank is known.
  std::vector<std::pair<std::uint64_t, std::uint64_t>> keys;
  constexpr std::uint32_t kFree = ~std::uint32_t(0);
  const std::size_t capacity = std::bit_ceil(2 * most);
  std::vector<std::uint32_t> table(capacity, kFree);
  const int shift = 64 - std::bit_width(capacity - 1);
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint64_t hi = flat_[i].hi;
    const std::uint64_t lo = flat_[i].lo;
    std::size_t at = ((hi * 0x9e3779b97f4a7c15ull) ^ (lo * 0xc2b2ae3d27d4eb4full)) >> shift;
    while (table[at] != kFree && keys[table[at]] != std::pair(hi, lo)) {
      at = (at + 1) & (capacity - 1);
    }
    if (table[at] == kFree) {
      if (keys.size() == most) {
        // Too many: the rows get their keys back for the plain sort.
        for (std::size_t j = 0; j < i; ++j) flat_[j].hi = keys[flat_[j].hi].first;
        return std::nullopt;
      }
      table[at] = static_cast<std::uint32_t>(keys.size());
      keys.emplace_back(hi, lo);
    }
    flat_[i].hi = table[at];
  }
  std::vector<std::uint32_t> byKey(keys.size());
  std::iota(byKey.begin(), byKey.end(), 0u);
  std::sort(byKey.begin(), byKey.end(),
            [&](std::uint32_t a, std::uint32_t b) { return keys[a] < keys[b]; });
  std::vector<std::uint32_t> rank(keys.size());
  for (std::size_t r = 0; r < byKey.size(); ++r) rank[byKey[r]] = static_cast<std::uint32_t>(r);
  // Rows of one key that came in tie order (as every row does before its
  // first sort, in record order) need only be dealt out by key.
  std::vector<std::uint32_t> count(keys.size() + 1, 0);
  std::vector<std::uint64_t> last(keys.size(), 0);
  // Then too a row shares its key and tie only with the row before it of
  // the same key.
  bool dealt = true;
  bool shared = false;
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint32_t r = rank[flat_[i].hi];
    const std::uint64_t rest = flat_[i].rest;
    flat_[i].hi = r;
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
    for (std::size_t i = 0; i < n; ++i) {
      order[count[flat_[i].hi]++] = static_cast<std::uint32_t>(i);
    }
    return true;
  }
  // Otherwise the rank, the tie and the row make one word each.
  std::vector<std::uint64_t> words(n);
  for (std::size_t i = 0; i < n; ++i) words[i] = flat_[i].hi << restBits | flat_[i].rest;
  flat_ = {};
  std::sort(words.begin(), words.end());
  for (std::size_t i = 1; i < n; ++i) {
    if (words[i - 1] >> rowBits == words[i] >> rowBits) return false;
  }
  for (std::size_t i = 0; i < n; ++i) order[i] = static_cast<std::uint32_t>(words[i] & rowMask);
  return true;
}

bool ExactKeySorter::finishUnpacked(std::vector<std::uint32_t>& order) {
  const std::size_t n = flat_.size();
  const auto same = [&](std::uint32_t a, std::uint32_t b) {
    return flat_[a].hi == flat_[b].hi && flat_[a].lo == flat_[b].lo &&
           flat_[a].rest == flat_[b].rest;
  };
  const auto before = [&](std::uint32_t a, std::uint32_t b) {
    const Flat& x = flat_[a];
    const Flat& y = flat_[b];
    if (x.hi != y.hi) return x.hi < y.hi;
    if (x.lo != y.lo) return x.lo < y.lo;
    return x.rest < y.rest;
  };
  order.resize(n);
  for (std::size_t i = 0; i < n; ++i) order[i] = static_cast<std::uint32_t>(i);
  std::sort(order.begin(), order.end(), before);
  for (std::size_t i = 1; i < n; ++i) {
    if (same(order[i - 1], order[i])) return false;
  }
  return true;
}

}  // namespace morvel
