// The data-bound grid's key index: its data rows by whole-number key, so
// that the row of a record is found by binary search instead of a walk over
// a million rows.
//
// Contract:
//  - The index answers only while it is valid: every data row had a
//    whole-number key and no two rows shared one. Otherwise the caller walks
//    the rows itself.
//  - It is built by collecting rows (begin, add each row, finish) in any
//    order; rows met in ascending key order cost no sort, and rows whose
//    keys rise in small steps (a table's own numbering, with the gaps its
//    deletions left) keep no keys at all: a key's row lies at the key's
//    distance from the first key.
//  - A freed row is forgotten in place (its entry becomes a hole), so that
//    deleting many rows stays cheap; a changed key makes the index invalid.
//  - Invalid means "build again before asking"; unusable means "the rows
//    cannot be indexed": the caller keeps walking until the next reload.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

namespace morvel {

class DBGridNode;
class PackedValue;

class KeyIndex {
 public:
  enum class State { invalid, valid, unusable };

  State state() const { return state_; }
  bool valid() const { return state_ == State::valid; }
  // Not built since the rows last changed: build before asking.
  bool stale() const { return state_ == State::invalid; }
  // Forgets every row; the index must be built again.
  void invalidate() noexcept;

  // Starts collecting rows, with room for `expected` of them.
  void begin(std::size_t expected = 0);
  // Adds one data row. A key that is no whole number makes the index give
  // up: it takes no more rows.
  void add(const PackedValue& key, DBGridNode* row);
  // Whether the rows added so far can still be indexed.
  bool collecting() const { return collecting_; }
  // Ends collecting. The index is valid when every key was whole and no two
  // are equal; two equal keys make it unusable; a key that was not whole
  // (or rows never collected) leaves it as `whenGivenUp` says.
  void finish(State whenGivenUp);

  // The row with this key; none when there is none or it was forgotten.
  // Only while valid.
  DBGridNode* find(std::int64_t key) const;
  // Turns the entry of `row` under `key` into a hole.
  void forget(std::int64_t key, const DBGridNode* row);

  // The rows indexed (forgotten ones included).
  std::size_t size() const { return counted_ ? rowCount_ : entries_.size(); }

 private:
  using Entry = std::pair<std::int64_t, DBGridNode*>;

  // Keeps the rows collected so far with their keys, for a key that does
  // not follow them in a small step.
  void keepKeys();
  // Where the row of `key` is kept (a counted place or an entry's row);
  // null when the key has none. Self is KeyIndex or const KeyIndex.
  template <class Self>
  static auto slotOf(Self& self, std::int64_t key);

  // While counted_: the rows at their keys' distance from first_, nulls
  // between them. Otherwise the rows with their keys, in entries_.
  bool counted_ = true;
  std::int64_t first_ = 0;
  std::vector<DBGridNode*> rows_;
  std::size_t rowCount_ = 0;
  std::vector<Entry> entries_;
  std::size_t expected_ = 0;
  State state_ = State::invalid;
  bool collecting_ = false;
  bool ordered_ = true;
};

}  // namespace morvel
