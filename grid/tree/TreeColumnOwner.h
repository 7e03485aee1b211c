// What a column or a band asks of the grid that holds it. The owner keeps
// the column list (columns are found by position in every cell painted and
// every value read) and answers what needs the whole list or the grid's
// settings: band membership, header rows, the grid's colour, font and
// read-only state, and the layout after a change. tree/ thus knows no grid.
#pragma once

#include <memory>
#include <vector>

#include "grid/tree/TreeListColumn.h"

namespace morvel {

class TreeColumnOwner {
 public:
  TreeColumnOwner(const TreeColumnOwner&) = delete;
  TreeColumnOwner& operator=(const TreeColumnOwner&) = delete;

  int columnCount() const { return static_cast<int>(columns_.size()); }
  // Column i of the list, or null out of range.
  TreeListColumn* columns(int i) const {
    return i >= 0 && i < columnCount() ? columns_[static_cast<std::size_t>(i)].get() : nullptr;
  }

  // A column's setter changed something; null means the whole layout.
  virtual void columnChanged(TreeListColumn* column) = 0;
  // A column is about to move from list position `from` to `to`: whatever
  // the owner keeps per column position follows it.
  virtual void columnMoved(int from, int to) = 0;
  // Sets the column's sort state and sorts the rows as it asks.
  virtual void setSorted(TreeListColumn* column, TreeListColumnSort value) = 0;
  // The column's band, or null.
  virtual TreeListBand* columnBand(const TreeListColumn* column) const = 0;
  // Visible columns in one header row of a band, and the one at a position.
  virtual int rowColumnCount(const TreeListBand* band, int row) const = 0;
  virtual TreeListColumn* columnAt(const TreeListBand* band, int row, int position) const = 0;
  // Header rows every band offers (at least 1).
  virtual int headerPanelRowCount() const = 0;

 protected:
  TreeColumnOwner() = default;
  // Not deleted through this interface.
  ~TreeColumnOwner() = default;

  // The columns in list order; the owner attaches and detaches them.
  std::vector<std::unique_ptr<TreeListColumn>> columns_;

 private:
  friend class TreeListColumn;
  friend class TreeListBands;

  // The defaults a column shows until its own value is set.
  virtual Color columnDefaultColor() const = 0;
  virtual const Font& columnDefaultFont() const = 0;
  // Every column is read-only while this holds.
  virtual bool columnsReadOnly() const = 0;
  virtual int bandCount() const = 0;
  // After any change of the band collection.
  virtual void bandsChanged() = 0;
  // Band `index` is about to be freed / to move from `from` to `to`: the
  // columns' band indexes follow.
  virtual void bandFreed(int index) = 0;
  virtual void bandMoved(int from, int to) = 0;
};

}  // namespace morvel
