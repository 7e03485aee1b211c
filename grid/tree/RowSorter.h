// Row sorting as a function from sort values to an order, without a grid:
// the grid reads each row's values (and tie-break keys) and puts its rows in
// the order these functions return. Built on the order keys of SortPrefix.h
// (most comparisons end on two small keys) and the quicksort of HoareSort.h
// (whose order of equal items is part of the grid's behaviour).
#pragma once

#include <algorithm>
#include <compare>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "base/Variant.h"
#include "grid/tree/SortPrefix.h"

namespace morvel {

// How one sort key orders its values.
struct SortKeyOrder {
  bool descending = false;
  // Texts in natural order (compareNaturalText).
  bool natural = false;
};

// Orders two texts by a collation: negative, zero or positive.
using TextCollation = std::function<int(const std::string& a, const std::string& b)>;

// Two sort values in sort order (-1, 0 or 1, before any descending):
// compareVariants, except that two different texts compare in natural order
// when `natural`, else by `collate` when one is given. Values that do not
// compare (a text and a date, say) order by their kind, so that a column
// of mixed values still sorts rather than failing half-way.
int compareSortValues(const Variant& a, const Variant& b, bool natural,
                      const TextCollation& collate);

// What sortRowValues sorts: rows 0..n-1, where row r's value for key k is
// values[r * keys.size() + k].
struct RowSortInput {
  const std::vector<Variant>* values = nullptr;
  std::span<const SortKeyOrder> keys;
  // Null: texts compare by compareVariants (or naturally, per key).
  TextCollation collate;
  // Empty, or one whole number per row that orders rows equal in every key
  // before breakTie is asked (never reversed).
  std::span<const std::int64_t> ties;
  // Orders rows r1 != r2 that are equal in every key and tie; never
  // reversed. Should be a total order: then the result is the one order
  // that sorts the rows, whatever the algorithm.
  std::function<int(std::uint32_t r1, std::uint32_t r2)> breakTie;
};

// The rows in sorted order: the key comparisons in turn (each reversed when
// descending), then the tie keys, then breakTie. Rows already in strictly
// sorted order come back unchanged without a sort. keys must not be empty.
std::vector<std::uint32_t> sortRowValues(const RowSortInput& input);

// A row's place in the order of one sort key whose order key is exact, with
// a whole-number tie key: the key (reversed when descending) and then the
// tie (never reversed), compared as unsigned words in turn.
struct ExactRowKey {
  std::uint64_t hi = 0;
  std::uint64_t lo = 0;
  std::uint64_t tie = 0;  // the signed tie moved into unsigned order

  // False when the order key is not exact: only the values can tell then.
  static bool make(const OrderKey& key, std::int64_t tie, bool descending, ExactRowKey& out) {
    if (!key.exact) return false;
    const std::uint64_t flip = descending ? ~std::uint64_t(0) : 0;
    constexpr std::uint64_t kSign = std::uint64_t(1) << 63;
    out = {key.hi ^ flip, key.lo ^ flip, static_cast<std::uint64_t>(tie) ^ kSign};
    return true;
  }
  friend auto operator<=>(const ExactRowKey&, const ExactRowKey&) = default;
};

// The fast path for one sort key whose order keys are all exact, with a
// whole-number tie key per row: rows then compare as ExactRowKeys, and when
// no two rows share one the sorted order is the only one, found by a plain
// sort without a sort value per row. Feed every row with add() (in row
// order), then ask finish().
//
// A million rows of a column of a few products or of days hold only a few
// hundred distinct keys. While the keys repeat (at most one for every eight
// rows reserved, and 65,536), a row keeps only the number of its key and
// its tie, 12 bytes; the keys' ranks then make one word of each row with
// its tie and row number, which sorts far faster than three, and rows that
// came in tie order within each key (as every row does before its first
// sort) are only dealt out by rank. Past that, rows keep their whole keys.
class ExactKeySorter {
 public:
  explicit ExactKeySorter(bool descending) : descending_(descending) {}
  // Room for the rows; without it every row keeps its whole key.
  void reserve(std::size_t rows);
  // The next row's order key and tie key; false (and the path is closed)
  // when the key is not exact.
  bool add(const OrderKey& key, std::int64_t tie) {
    ExactRowKey row;
    if (!ExactRowKey::make(key, tie, descending_, row)) return false;
    add(row);
    return true;
  }
  // The next row's key, made in this sorter's direction.
  void add(const ExactRowKey& key);
  // The sorted order of the rows added into `order`; false when two rows
  // share a key, which only the general comparison can order.
  bool finish(std::vector<std::uint32_t>& order);

 private:
  // A row with its whole key, 24 bytes. `rest` holds the tie key until
  // finish(), which replaces it, when the ties span few enough values, by
  // the tie less the lowest in the high bits and the row number in the low
  // ones: ordering by it orders by the tie, and tells the row without a
  // word of its own.
  struct Flat {
    std::uint64_t hi;
    std::uint64_t lo;
    std::uint64_t rest;
    static bool before(const Flat& a, const Flat& b) {
      if (a.hi != b.hi) return a.hi < b.hi;
      if (a.lo != b.lo) return a.lo < b.lo;
      return a.rest < b.rest;
    }
  };
  static constexpr int kRankBits = 16;
  static constexpr std::uint32_t kFree = ~std::uint32_t(0);

  // The rows so far get their whole keys back.
  void unrank();
  // How far the ties added reach above the lowest.
  std::uint64_t tieSpan() const { return lowestTie_ <= highestTie_ ? highestTie_ - lowestTie_ : 0; }
  bool finishRanked(std::vector<std::uint32_t>& order);
  bool finishFlat(std::vector<std::uint32_t>& order);
  // Sorts rows whose ties leave no room for the row number beside them:
  // their numbers, by the rows they stand for.
  bool finishUnpacked(std::vector<std::uint32_t>& order);

  bool descending_;
  // Whether rows keep the numbers of their keys (keyOf_, ties_) rather
  // than their whole keys (flat_).
  bool ranked_ = false;
  std::size_t mostKeys_ = 0;
  std::vector<std::pair<std::uint64_t, std::uint64_t>> keys_;
  // keys_ positions by their keys' hash, open-addressed.
  std::vector<std::uint32_t> table_;
  int hashShift_ = 0;
  std::vector<std::uint32_t> keyOf_;
  std::vector<std::uint64_t> ties_;
  std::vector<Flat> flat_;
  std::uint64_t lowestTie_ = ~std::uint64_t(0);
  std::uint64_t highestTie_ = 0;
};

}  // namespace morvel
