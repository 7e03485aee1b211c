// The tree-list control: the tree of CustomTreeList with text nodes, plus
// the column model (columns, bands, header rows, widths, best fit) and
// sorting by column values. The data-bound grid derives from it and
// replaces the value, sort and group hooks.
#pragma once

#include <functional>
#include <memory>
#include <string_view>
#include <vector>

#include "base/Variant.h"
#include "grid/CustomTreeList.h"
#include "grid/TreeListColumn.h"

namespace morvel {

class CustomTreeListControl : public CustomTreeList {
 public:
  using TLCompareEvent = std::function<void(CustomTreeListControl& sender, TreeListNode* node1,
                                            TreeListNode* node2, int& compare)>;
  using TLNodeImageEvent =
      std::function<void(CustomTreeListControl& sender, TreeListNode* node, int& index)>;

  // Detached until a host attaches it (see CustomTreeList).
  CustomTreeListControl();
  explicit CustomTreeListControl(ControlHost& host);
  // Clears the columns (without notifications), then the bands and nodes.
  ~CustomTreeListControl() override;

  // --- Columns --------------------------------------------------------------
  int columnCount() const { return static_cast<int>(columns_.size()); }
  // Column i of the list, or null out of range.
  TreeListColumn* columns(int i) const;
  // The i-th visible column in list order, or null.
  TreeListColumn* visibleColumns(int i) const;
  int visibleColumnCount() const;
  // Makes a column (of the grid's default class when none is given), names
  // it grid name + "Column" + N and attaches it.
  virtual TreeListColumn* createColumn(std::unique_ptr<TreeListColumn> column = nullptr);
  // Appends the column to the list.
  void addColumn(std::unique_ptr<TreeListColumn> column);
  // Detaches the column and hands it back; node texts stay where they are.
  virtual std::unique_ptr<TreeListColumn> removeColumn(TreeListColumn* column);
  // Frees the column: its text leaves every node, later columns' texts move
  // up with their columns.
  void deleteColumn(TreeListColumn* column);
  // Removes and frees every column, last first; node texts stay.
  virtual void clearColumns();
  // Sizes one column to its widest text and caption, or every column (under
  // one update lock) when given none.
  virtual void applyBestFit(TreeListColumn* column);
  // A column's setter changed something; null means the whole layout.
  virtual void columnChanged(TreeListColumn* column);
  // A column moved from list position `from` to `to`: node texts follow.
  virtual void columnMoved(int from, int to);
  // While held, column changes do not normalise the header rows.
  void lockColumnLayout() { ++columnLayoutLock_; }
  void unlockColumnLayout() { --columnLayoutLock_; }

  // --- Grid properties the columns follow -----------------------------------
  Color color() const { return color_; }
  void setColor(Color color);
  bool readOnly() const { return readOnly_; }
  void setReadOnly(bool value);

  // --- Bands and header rows ------------------------------------------------
  TreeListBands& bands() { return bands_; }
  const TreeListBands& bands() const { return bands_; }
  bool showBands() const { return showBands_; }
  void setShowBands(bool value);
  int bandRowCount() const { return bandRowCount_; }
  void setBandRowCount(int count);
  int bandMaxRowCount() const { return bandMaxRowCount_; }
  void setBandMaxRowCount(int count);
  int headerPanelRowCount() const { return headerPanelRowCount_; }
  void setHeaderPanelRowCount(int count);
  int headerPanelMaxRowCount() const { return headerPanelMaxRowCount_; }
  void setHeaderPanelMaxRowCount(int count);
  int headerMinRowCount() const { return headerMinRowCount_; }
  void setHeaderMinRowCount(int count);
  // One band, one header row, every column in band 0.
  bool defaultLayout() const { return defaultLayout_; }
  void setDefaultLayout(bool value);

  // --- Band geometry --------------------------------------------------------
  int visibleBandCount() const;
  TreeListBand* visibleBand(int i) const;
  int bandVisibleIndex(const TreeListBand* band) const;
  TreeListBand* leftFixedBand() const;
  TreeListBand* rightFixedBand() const;
  // The column's band, or null.
  TreeListBand* columnBand(const TreeListColumn* column) const;
  // Header rows a band uses: up to its lowest visible column's row.
  int bandHeaderRowCount(const TreeListBand* band) const;
  // Visible columns in one row of a band, and the one at a position.
  int rowColumnCount(const TreeListBand* band, int row) const;
  TreeListColumn* columnAt(const TreeListBand* band, int row, int position) const;
  int bandMinWidth(const TreeListBand* band) const;
  int bandNaturalWidth(const TreeListBand* band) const;
  int bandDrawnWidth(const TreeListBand* band) const;
  int columnDrawnWidth(const TreeListColumn* column) const;
  // Width available to the bands (the client width here).
  virtual int dataAreaWidth() const;

  // --- Sorting --------------------------------------------------------------
  // A click on a column header: sorts ascending, then toggles.
  virtual void columnHeaderClick(TreeListColumn* column);
  // True while a Shift+click is being handled: the column becomes a further
  // sort key instead of the only one.
  bool addSortKey() const { return addSortKey_; }
  void setAddSortKey(bool value) { addSortKey_ = value; }
  // The column's sort-state setter.
  void setSorted(TreeListColumn* column, TreeListColumnSort value);
  // Sorts every sibling list at depth `level` (-1: every list at every
  // depth) by the column, or by every sort key when several are listed and
  // multi-sort is on.
  virtual void sortNodes(int level, int column, bool descending);
  int sortKeyCount() const { return static_cast<int>(sortedColumns_.size()); }
  TreeListColumn* sortedColumns(int i) const;
  int sortKeyColumn(int i) const;
  bool sortKeyDescending(int i) const;
  // Sort states set inside a batch are collected; the rows are sorted once
  // when the last batch ends.
  void beginSortBatch() { ++sortBatch_; }
  void endSortBatch();
  bool sortBatchOpen() const { return sortBatch_ > 0; }

  virtual Variant getSortValue(const TreeListNode& node, int column) const;
  // Orders nodes whose sort values are all equal; never reversed.
  virtual int compareTieBreak(const TreeListNode* node1, const TreeListNode* node2) const;
  virtual bool multiSortOn() const { return optionsEx().has(goMultiSort); }
  virtual bool autoSortOn() const { return optionsEx().has(goAutoSort); }
  virtual bool canSortColumn(TreeListColumn* column);

  // --- Node values ------------------------------------------------------------
  std::string_view getNodeString(const TreeListNode& node, int column,
                                 std::string& buffer) const override;
  void setNodeString(TreeListNode& node, int column, std::string_view text) override;
  int getImageIndex(const TreeListNode& node) const override;
  int getSelectedIndex(const TreeListNode& node) const override;
  int getStateIndex(const TreeListNode& node) const override;
  void setImageIndex(TreeListNode& node, int index) override;
  void setSelectedIndex(TreeListNode& node, int index) override;
  void setStateIndex(TreeListNode& node, int index) override;

  // --- Events -----------------------------------------------------------------
  // When set, replaces every value comparison of a sort.
  TLCompareEvent onCompare;
  TLNodeImageEvent onGetImageIndex;
  TLNodeImageEvent onGetSelectedIndex;
  TLNodeImageEvent onGetStateIndex;

 protected:
  std::unique_ptr<TreeListNode> createNode() final;
  // Every node of the control is a text node (or derives from one).
  virtual std::unique_ptr<TreeListTextNode> createTextNode();
  // The column class CreateColumn makes when given none.
  virtual std::unique_ptr<TreeListColumn> newColumn() const;
  void computeLayout() override;

  // Sorting steps.
  virtual void beforeSortChange(TreeListColumn* column);
  virtual void afterSortChange(TreeListColumn* column);
  // The last sorting batch ended: sort the data rows by the sorted columns.
  virtual void sortBatchEnded();
  // The internal notification of a header click, before any sorting.
  virtual void headerClicked(TreeListColumn* column) { (void)column; }

  // Grouping hooks; with no grouping the data rows are the top level.
  virtual bool isGroupColumn(const TreeListColumn* column) const;
  virtual int groupColumnCount() const { return 0; }
  // Depth of the rows a column sorts: its group level, else the data rows.
  virtual int sortLevel(const TreeListColumn* column) const;
  // A sort state change that must not sort (a column showing a group
  // column's field, a grid that is not loading every record).
  virtual bool sortChangeIgnored(const TreeListColumn* column) const;
  // Width of the group indent left of the first column.
  virtual int groupIndentWidth() const { return 0; }
  // Widths of the node images and state images; no image lists here.
  virtual int imagesWidth() const { return 0; }
  virtual int stateImagesWidth() const { return 0; }
  // Compares two texts by the locale's collation (case-sensitive).
  virtual int collateTexts(const std::string& a, const std::string& b) const;

  TreeListTextNode& textNode(TreeListNode& node) const;
  const TreeListTextNode& textNode(const TreeListNode& node) const;

 private:
  friend class TreeListColumn;
  friend class TreeListBands;

  // The image index an event makes of the node's stored one.
  int passImageIndex(const TLNodeImageEvent& event, const TreeListNode& node, int index) const;
  void normalizeHeaderRows();
  void resetDefaultLayout();
  void applyHeaderPanelRowCount(int count, bool automatic);
  void refreshAutoHeaderPanelRowCount();
  void bandsChanged();
  void bandFreed(int index);
  void bandMoved(int from, int to);
  void removeSortKey(TreeListColumn* column);
  void addToSortKeys(TreeListColumn* column);
  bool sortByFirstSortedColumn();
  void sortSiblingList(NodeList& list, const std::vector<int>& keyColumns,
                       const std::vector<bool>& keyDescending);
  // The widths of a band row's visible columns as the band shares its width.
  std::vector<int> rowWidths(const TreeListBand* band, int row, int bandWidth) const;
  bool isFirstColumn(const TreeListColumn* column) const;

  std::vector<std::unique_ptr<TreeListColumn>> columns_;
  TreeListBands bands_;
  Color color_ = clWindow;
  bool readOnly_ = false;
  bool showBands_ = false;
  int bandRowCount_ = 1;
  int bandMaxRowCount_ = 5;
  int headerPanelRowCount_ = 1;
  int headerPanelMaxRowCount_ = 5;
  int headerMinRowCount_ = 1;
  bool defaultLayout_ = true;
  int columnLayoutLock_ = 0;
  bool clearingColumns_ = false;

  std::vector<TreeListColumn*> sortedColumns_;
  int sortBatch_ = 0;
  bool addSortKey_ = false;
};

// Windows-style MulDiv: a · b / c rounded half away from zero, computed in 64
// bits; -1 when c is 0.
int mulDiv(int a, int b, int c);

}  // namespace morvel
