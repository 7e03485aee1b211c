// Finding texts in the data-bound grid: a search over the cells of its data
// rows in display order, the record filter that keeps the records whose
// shown texts hold a text, the number of data rows, and the record counts
// of group rows. All of it works through the grid's public operations, so
// that the grid behaves as before while none of it is used.
#pragma once

#include <functional>
#include <string_view>
#include <vector>

#include "base/TextSearch.h"
#include "table/DataSet.h"

namespace morvel {

class CustomDBGrid;
class DBGridNode;
class TreeListNode;

struct GridFindResult {
  TreeListNode* node = nullptr;  // the data row found; none when nothing matched
  int column = -1;               // the column index of the matching cell
  bool wrapped = false;          // the search passed the end (or the start) to find it
};

// Searches the cells of the visible columns, in display order (left to
// right, the rows of a fully expanded tree top to bottom; the reverse when
// not `forward`), for the first cell whose shown text holds the search's
// text. It starts at `from`'s cell in column `fromColumn` (a column index)
// and excludes that cell, or includes the whole of `from` when fromColumn is
// -1; a null `from` starts at the first (or last) row. Past the end it goes
// on from the other end, up to where it started. Group rows are passed over:
// each stands for values its data rows hold.
GridFindResult findInGrid(const CustomDBGrid& grid, const TextSearch& search, TreeListNode* from,
                          int fromColumn, bool forward);

// Expands the collapsed groups above the node, makes it the focused row
// (which moves the dataset to its record) and scrolls it into view.
void showGridNode(CustomDBGrid& grid, TreeListNode* node);

// The number of data rows in the grid (the records it shows).
int gridDataRowCount(const CustomDBGrid& grid);

// A filter for the grid: which records of its dataset, and which of the
// rows it shows now, stay shown.
struct GridFilter {
  // Judges the dataset's current record; none shows every record.
  DataSet::RecordFilter records;
  // Judges a data row the grid shows now. Set only when those rows hold
  // every record `records` accepts: the grid then only loses rows.
  std::function<bool(const DBGridNode&)> rows;
};

// A filter that accepts a record when the text any of the grid's visible
// columns shows for it holds `text`, ignoring the case of ASCII letters.
// The columns are those visible now; the filter must be taken off before
// they are destroyed.
//
// The verdicts on the records are taken from their rows' texts at once,
// the rows shown and those a filter hid (see
// CustomDBGrid::rowsCoverTable), which is far quicker than making each
// record's texts again. When every record has a row, or
// `rowsHoldEveryMatch` (the rows shown passed a filter over the same
// columns whose text the new one contains), a record without a verdict is
// refused as it is, and the filter judges rows too; otherwise a record's
// texts are made from its fields.
GridFilter gridTextFilter(const CustomDBGrid& grid, std::string_view text,
                          bool rowsHoldEveryMatch = false);

// Whether every text holding `next` holds `previous` (ignoring ASCII case):
// a filter by `next` then keeps a subset of what one by `previous` kept.
bool filterTextNarrows(std::string_view next, std::string_view previous);

// The column indexes of the visible columns, in display order.
std::vector<int> gridVisibleColumns(const CustomDBGrid& grid);

// Sets the record filter of the grid's dataset (none: every record again).
// A filter that judges rows takes the rows it refuses out of the grid, and
// the empty groups with them, and brings back the hidden rows it accepts
// (CustomDBGrid::keepDataRows), keeping everything else as it was; so does
// taking the filter off while every record has a row. Any other reloads
// the grid once, keeping its grouping and sort (the groups come back
// collapsed). The focused record stays when it is still shown, else the
// first row is.
void filterGridRecords(CustomDBGrid& grid, const GridFilter& filter);

// The name of the summary group that counts records.
inline constexpr std::string_view kGroupCountsName = "Group Counts";

// Adds (or takes away) the record count of each group row, "(14)", through a
// summary group that every column names. Columns made later need a
// call again. The group rows' texts are computed anew.
void showGroupCounts(CustomDBGrid& grid, bool show);
bool groupCountsShown(CustomDBGrid& grid);

}  // namespace morvel
