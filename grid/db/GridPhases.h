// What the data-bound grid is in the middle of. The grid and its dataset
// call each other back: moving the dataset to a row's record sends change
// notices to the grid, and focusing a row moves the dataset. Each handler
// asks which of the grid's own actions is under way to tell an echo of that
// action from a change of the user's. The phases nest and overlap (a locate
// by key runs while the grid counts as loading), so they form a set, and
// every phase is entered through one guard that restores it on every path.
#pragma once

#include <cstdint>

namespace morvel {

enum class GridPhase : std::uint16_t {
  // Reading records into rows, or moving the dataset on the grid's own
  // account: the dataset's notices are the grid's doing and move no row.
  loading = 1 << 0,
  // Moving the dataset to a row's record by its key; the first change
  // notice that follows is the locate's own.
  locating = 1 << 1,
  // Moving the dataset by a distance in records: the focus is where it
  // should be already.
  skipping = 1 << 2,
  // Following a change of the data: moving the focus must not move the
  // dataset back.
  handlingChange = 1 << 3,
  // Following the dataset's move to another record.
  scrolling = 1 << 4,
  // Applying the group indexes the columns hold: checks that guard a user's
  // change are skipped.
  reapplyingGroups = 1 << 5,
  // Rechecking a group column after its field changed.
  retestingGroup = 1 << 6,
  // A group column's sort state is set before a reload that builds the
  // level in order: sorting now would be wasted.
  sortDeferred = 1 << 7,
  // Applying a record filter: the rows show the records it passes already,
  // and its change notice only takes the focus to the current record.
  filtering = 1 << 8,
};

class GridPhases {
 public:
  bool has(GridPhase phase) const { return (bits_ & bit(phase)) != 0; }
  void set(GridPhase phase, bool on) { bits_ = on ? (bits_ | bit(phase)) : (bits_ & ~bit(phase)); }

  // Enters (or leaves) a phase for a scope and restores its previous state
  // when the scope ends, however it ends.
  class Scope {
   public:
    Scope(GridPhases& phases, GridPhase phase, bool on = true)
        : phases_(phases), phase_(phase), was_(phases.has(phase)) {
      phases_.set(phase_, on);
    }
    ~Scope() { phases_.set(phase_, was_); }
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;

   private:
    GridPhases& phases_;
    GridPhase phase_;
    bool was_;
  };

 private:
  static unsigned bit(GridPhase phase) { return static_cast<unsigned>(phase); }
  unsigned bits_ = 0;
};

}  // namespace morvel
