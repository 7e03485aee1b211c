// The data-bound grid: the tree-list control bound to a dataset through a
// data source. In load-all mode every record of the dataset becomes one data
// row (a DBGridNode), found again through the key field's value; rows can
// be grouped under group rows built from column values, and the grid keeps
// its rows in step with the dataset's changes.
//
// The classes: CustomDBTreeListControl adds column creation and the data
// source access to the tree-list control, CustomDBGrid everything else, and
// DBGrid is the grid the program places in its window. The code is spread
// over CustomDBGrid.cpp (creation, options, binding), DBGridLoading.cpp
// (reading records into rows), DBGridValues.cpp (what rows show and sort
// by), DBGridFocus.cpp (the focused row and the current record),
// DBGridGrouping.cpp (group columns, group rows), DBGridSummaries.cpp
// (group and footer summaries) and DBGridChanges.cpp (refresh after data
// changes, deleting, keys). KeyIndex finds a record's row by its key.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/DateTextMemo.h"
#include "grid/db/DBGridColumns.h"
#include "grid/db/DBGridNode.h"
#include "grid/db/GridDataLink.h"
#include "grid/db/GridPhases.h"
#include "grid/db/KeyIndex.h"
#include "grid/db/RecordRows.h"
#include "grid/view/CustomTreeListControl.h"
#include "platform/Input.h"
#include "table/DataSource.h"

namespace morvel {

// Texts of the grid's own messages.
inline constexpr std::string_view kGroupPanelHint =
    "Drag a column header here to group by that column";
inline constexpr std::string_view kConfirmCaption = "Confirm";
inline constexpr std::string_view kDeleteRecordQuestion = "Delete record?";
inline constexpr std::string_view kDeleteSelectedQuestion = "Delete all selected records?";

class CustomDBTreeListControl : public CustomTreeListControl {
 public:
  // Detached until a host attaches it (see CustomTreeList).
  CustomDBTreeListControl() = default;
  explicit CustomDBTreeListControl(ControlHost& host) : CustomTreeListControl(host) {}

  virtual DataSource* dataSource() const = 0;
  virtual void setDataSource(DataSource* source) = 0;
  // The data source's dataset, or none.
  DataSet* dataSet() const;

  // Refused (an Exception with an empty message) while the grid makes its
  // columns from the fields itself.
  TreeListColumn* createColumn(std::unique_ptr<TreeListColumn> column = nullptr) override;

 protected:
  // Raises when columns may not be made or cleared by hand now.
  virtual void checkColumnListChange() const {}
  std::unique_ptr<TreeListColumn> newColumn() const override;
};

// A summary group: items that accumulate into each group row of the
// columns naming the group.
struct DBGridSummaryItem {
  std::string columnName;  // the column whose cell shows it; empty: the group row text
  std::string summaryField;
  SummaryType summaryType = cstNone;
  std::string summaryFormat;
};
struct DBGridSummaryGroup {
  std::string name;
  std::vector<DBGridSummaryItem> summaryItems;
};

class CustomDBGrid : public CustomDBTreeListControl {
 public:
  using NotifyEvent = std::function<void(CustomDBGrid& sender)>;
  using NodeEvent = std::function<void(CustomDBGrid& sender, TreeListNode* node)>;
  using PreviewTextEvent =
      std::function<void(CustomDBGrid& sender, TreeListNode* node, std::string& text)>;
  using ColumnEvent = std::function<void(CustomDBGrid& sender, DBTreeListColumn* column)>;
  using ColumnAllowEvent =
      std::function<void(CustomDBGrid& sender, DBTreeListColumn* column, bool& allow)>;
  using DragGroupEvent =
      std::function<void(CustomDBGrid& sender, DBTreeListColumn* column, int index, bool& allow)>;
  // Custom drawing of a cell (for a group row: the row, with the group
  // column of its level): the handler may change what is drawn, or draw the
  // cell itself and set done.
  using CustomDrawEvent =
      std::function<void(CustomDBGrid& sender, Canvas& canvas, const Rect& rect, TreeListNode* node,
                         DBTreeListColumn* column, bool selected, bool focused, std::string& text,
                         Color& color, Font& font, Alignment& alignment, bool& done)>;

  // A grid made before the window that will host it: until a host attaches
  // it, it answers to a stand-in host of its own (see CustomTreeList), and
  // it can be bound, loaded and set up as a hosted one.
  CustomDBGrid();
  explicit CustomDBGrid(ControlHost& host);
  ~CustomDBGrid() override;

  // Every live data-bound grid, in creation order.
  static const std::vector<CustomDBGrid*>& gridList();

  // --- Binding ------------------------------------------------------------------
  DataSource* dataSource() const override { return dataLink_.dataSource(); }
  void setDataSource(DataSource* source) override;
  GridDataLink& dataLink() { return dataLink_; }
  const GridDataLink& dataLink() const { return dataLink_; }
  const std::string& keyField() const { return keyFieldName_; }
  // A different name (compared case-sensitively) reloads every record.
  void setKeyField(std::string_view name);
  // The key field found by the last load; none when the name names none.
  Field* keyFieldObject() const { return keyField_; }
  bool defaultFields() const { return defaultFields_; }
  void setDefaultFields(bool value);
  const std::string& previewFieldName() const { return previewFieldName_; }
  void setPreviewFieldName(std::string_view name);
  int previewMaxLength() const { return previewMaxLength_; }
  void setPreviewMaxLength(int length) { previewMaxLength_ = std::max(length, 0); }
  // Options: the side effects of the data-bound grid's members come first.
  void setOptions(GridOptions options) override;
  void setOptionsEx(GridOptionsEx options) override;
  // Every record is a row: goLoadAllRecords, or rows grouped while the link
  // is active.
  bool loadAllMode() const;
  void clearColumns() override;
  void columnChanged(TreeListColumn* column) override;
  void columnMoved(int from, int to) override;
  std::unique_ptr<TreeListColumn> removeColumn(TreeListColumn* column) override;
  // True while the grid is read from a stored form (never in this program;
  // the flag exists for the setters that behave differently then).
  bool componentLoading() const { return componentLoading_; }
  void setComponentLoading(bool loading);

  // --- Loading --------------------------------------------------------------------
  void reloadAll();
  // Reads the dataset into nodes (see the .cpp); `reuseList` holds data
  // nodes ordered by KeyValue that may stand for their records again.
  void loadRecords(std::vector<DBGridNode*>* reuseList = nullptr);
  void storeRecord(DBGridNode& node);
  void storeCell(DBGridNode& node, DBTreeListColumn& column);
  // Moves the focus to the node of the dataset's current record.
  void syncFocusToRecord();
  // Moves the dataset to `to`'s record, by key or by the record distance
  // from `from`; false when it could not.
  bool goToNodeRecord(TreeListNode* from, TreeListNode* to, bool byKey, const Variant& key);
  int loadedRecordCount() const { return loadedRecordCount_; }
  bool loading() const { return inPhase(GridPhase::loading); }

  // --- Nodes ------------------------------------------------------------------------
  static DBGridNode& dbNode(TreeListNode& node) { return static_cast<DBGridNode&>(node); }
  static const DBGridNode& dbNode(const TreeListNode& node) {
    return static_cast<const DBGridNode&>(node);
  }
  // A node with children (or marked as having them) is a group row.
  static bool isGroupNode(const TreeListNode* node) { return node && node->hasChildren(); }
  // The first data row at or below the node, through first children.
  static TreeListNode* firstDataNode(TreeListNode* node);
  // The data row whose KeyValue equals `key`, or none.
  DBGridNode* findDataNode(const Variant& key);
  // Column i when it is a data-bound one, else none.
  DBTreeListColumn* dbColumn(int index) const {
    // Asked for every cell of every row: the cached answer inline.
    if (columnCacheValid_) {
      return static_cast<std::size_t>(index) < columnCache_.size()
                 ? columnCache_[static_cast<std::size_t>(index)]
                 : nullptr;
    }
    return dbColumnSlow(index);
  }

  Variant getNodeValue(const TreeListNode& node, int column) const override;
  bool showsStoredText(int column) const override;
  std::string_view getNodeString(const TreeListNode& node, int column,
                                 std::string& buffer) const override;
  Variant getSortValue(const TreeListNode& node, int column) const override;
  void prefetchSortData(const TreeListNode& node) const override;
  PrefixKind directSortKind(int column) const override;
  bool directSortKey(const TreeListNode& node, int column, PrefixKind kind,
                     OrderKey& key) const override;
  int compareTieBreak(const TreeListNode* node1, const TreeListNode* node2) const override;
  // A row's whole-number key.
  bool tieBreakKey(const TreeListNode& node, std::int64_t& key) const override;
  void sortNodes(int level, int column, bool descending) override;
  bool multiSortOn() const override;
  bool autoSortOn() const override;
  bool canSortColumn(TreeListColumn* column) override;
  void columnHeaderClick(TreeListColumn* column) override;
  std::string previewText(const TreeListNode& node) const;
  void setFocusedNode(TreeListNode* node, int column, bool makeVisible) override;

  // --- Grouping ---------------------------------------------------------------------
  int groupColumnCount() const override { return static_cast<int>(groupColumns_.size()); }
  bool isGroupColumn(const TreeListColumn* column) const override;
  DBTreeListColumn* groupColumns(int i) const override;
  void setGroupColumn(DBTreeListColumn* column, int index);
  bool canAddGroupColumn(DBTreeListColumn* column);
  bool addGroupColumn(int index, DBTreeListColumn* column);
  void removeGroupColumn(int index);
  void beginGroupChange();
  // Ends a grouping batch; the outermost end reloads the rows (all of them
  // when the group columns changed, keeping nodes otherwise). A batch told
  // `changed` false knows it changed nothing and reloads nothing.
  void endGroupChange(bool changed = true);
  // After a column's FieldName changed.
  void retestGroupColumn(DBTreeListColumn* column);
  // Applies the GroupIndex values the columns hold (after loading a stored
  // form, and when goCanNavigation changes).
  void applyStoredGrouping();
  // The text a group row shows: "Caption : value " and its summaries.
  std::string groupRowText(const TreeListNode& node) const override;
  std::string footerSummaryText(const DBTreeListColumn& column) const;

  bool showGroupPanel() const override { return showGroupPanel_; }
  void setShowGroupPanel(bool show);
  Color groupPanelColor() const override { return groupPanelColor_; }
  void setGroupPanelColor(Color color) { groupPanelColor_ = color; }
  Color groupPanelFontColor() const override { return groupPanelFontColor_; }
  void setGroupPanelFontColor(Color color) { groupPanelFontColor_ = color; }
  // The panel's height for a header row height h (0 while hidden); the
  // buttons' places and the insert position for a point are the tree
  // list's (groupButtonRect, groupInsertPosition).
  int groupPanelHeight(int headerRowHeight) const override;
  // The panel's height while it shows: one button row per group level.
  int shownPanelHeight(int headerRowHeight) const;
  // The group panel's questions and drops.
  bool canGroupBy(TreeListColumn* column) override;
  void groupByColumn(TreeListColumn* column, int index) override;
  void ungroupColumn(TreeListColumn* column) override;
  int groupIndentWidth() const override { return groupColumnCount() * kIndentWidth; }

  std::vector<DBGridSummaryGroup>& summaryGroups() { return summaryGroups_; }
  const std::string& summarySeparator() const { return summarySeparator_; }
  void setSummarySeparator(std::string_view separator) { summarySeparator_ = separator; }

  // --- Data changes -------------------------------------------------------------------
  void reloadKeepingNodes();
  // Sets the dataset's record filter (none: every record) and shows the
  // rows it passes: by `rows`, a judge of the rows shown and hidden, when
  // its verdicts are the filter's; else by keepDataRows while the rows
  // cover the table and the filter goes; else by one reload, keeping the
  // grouping and sort (the groups come back collapsed). The focused record
  // stays when it still passes, else the first row's record is current.
  void applyRecordFilter(const DataSet::RecordFilter& records,
                         const std::function<bool(const DBGridNode&)>& rows);
  // Shows the data rows `keep` accepts (every row when none), for a record
  // filter: the rows it refuses go, with the group rows left empty, in one
  // pass, and the rest keep their order, grouping, expansion and sort.
  // While the grid has a row for every record (rowsCoverTable), the rows
  // that go are kept aside rather than freed, and the rows kept aside that
  // `keep` accepts come back under their groups (a group gone comes back
  // collapsed) in the order a load would give them. The rows' record
  // positions are counted again among the rows shown.
  void keepDataRows(const std::function<bool(const DBGridNode&)>& keep);
  // Whether every record of the table has a row, shown or kept aside by
  // keepDataRows: true after a load without a record filter whose keys grow
  // with the records' order, until the next load under a filter, a
  // column's removal or an inserted row.
  bool rowsCoverTable() const { return rowsCoverTable_; }
  // Visits the data rows kept aside. They lie scattered in memory: each is
  // fetched some places ahead, and `ahead` sees a row half as many places
  // ahead to fetch what hangs off it.
  template <class Visit, class Ahead>
  void forEachHiddenRow(Visit&& visit, Ahead&& ahead) const {
    constexpr std::size_t kAhead = 16;
    const std::size_t n = hiddenRows_.size();
    for (std::size_t i = 0; i < n; ++i) {
      if (i + kAhead < n) __builtin_prefetch(hiddenRows_[i + kAhead].get());
      if (i + kAhead / 2 < n) ahead(dbNode(*hiddenRows_[i + kAhead / 2]));
      visit(dbNode(*hiddenRows_[i]));
    }
  }
  void refreshChangedRecord();
  void placeNode(DBGridNode* node);
  void addInsertedNode(bool atEnd);
  void deleteWithEmptyGroups(TreeListNode* node);
  bool confirmDelete();
  void deleteNodeRecord(TreeListNode* node);
  void deleteSelection();
  // The grid's key handling before the tree list's; true when the key was
  // consumed.
  bool keyDown(int key, ShiftState shift) override;
  // The keyboard focus leaves the grid.
  virtual void exitGrid();
  void focusChanged(bool focused) override;
  void hideHeader(TreeListColumn* column) override;
  void showHeader(int band, int row, TreeListColumn* column, int col) override;
  // Scrolls the columns one step left (-1) or right (1): the horizontal
  // scroll bar's line step.
  virtual void scrollColumns(int direction);
  // The grid shows a row for a new item (not in this program).
  bool newItemRowActive() const { return newItemRowActive_; }
  void setNewItemRowActive(bool active) { newItemRowActive_ = active; }
  // A left double click on a data row is the grid's own: it fires
  // OnDblClick (whatever goDblClick says) and is no press of the tree list.
  void mouseDown(MouseButton button, ShiftState shift, Point p) override;

  // --- Layout storage (DBGridLayoutStorage.cpp) ---------------------------------
  // With goStoreToIniFile the columns' layout is kept in the file
  // IniFileName, in section IniSectionName; with goStoreToRegistry in the
  // file RegistryPath stands for (registryFileName). It is read when the
  // grid has been loaded (setComponentLoading(false)) and written when the
  // grid is destroyed.
  const std::string& iniFileName() const { return iniFileName_; }
  void setIniFileName(std::string_view name) { iniFileName_ = name; }
  const std::string& iniSectionName() const { return iniSectionName_; }
  void setIniSectionName(std::string_view name) { iniSectionName_ = name; }
  const std::string& registryPath() const { return registryPath_; }
  void setRegistryPath(std::string_view path) { registryPath_ = path; }
  // The file under the user's configuration folder ($XDG_CONFIG_HOME, else
  // ~/.config, then "morvel") that RegistryPath maps to; empty when there is
  // no path or no such folder.
  std::string registryFileName() const;
  // Applies the stored layout to the columns with the stored field names.
  // Damaged entries are skipped; a missing, unreadable or foreign file
  // changes nothing.
  void restoreLayout();
  // Writes every column's layout: field name, position, width, visibility,
  // sort state and group index. Throws when a file cannot be written.
  void storeLayout() const;

  // --- Events -------------------------------------------------------------------------
  NotifyEvent onReloadGroupList;
  NotifyEvent onClearNodeData;
  NodeEvent onRefreshNodeData;
  PreviewTextEvent onGetPreviewText;
  NotifyEvent onChangeNodeEx;
  ColumnEvent onColumnClick;
  ColumnEvent onHideColumn;
  ColumnEvent onShowColumn;
  ColumnAllowEvent onColumnSorting;
  ColumnAllowEvent onAddGroupColumn;
  DragGroupEvent onEndDragGroupColumn;
  CustomDrawEvent onCustomDraw;

 protected:
  friend class GridDataLink;
  friend class DBTreeListColumn;

  std::unique_ptr<TreeListTextNode> createTextNode() override;
  void checkColumnListChange() const override;
  void nodeDeleting(TreeListNode* node, TreeListNode* prior, TreeListNode* next, bool wasLast,
                    bool wasVisible) override;
  bool canCollapseFocused(TreeListNode* node) override;
  int sortLevel(const TreeListColumn* column) const override;
  bool sortChangeIgnored(const TreeListColumn* column) const override;
  void sortBatchEnded() override;
  void computeLayout() override;

  // The data link's hooks.
  virtual void linkActiveChanged();
  virtual void linkDataChanged();
  virtual void linkScrolled(int distance);
  virtual void linkRecordChanged(Field* field);
  virtual void linkLayoutChanged();
  virtual void linkUpdateData();
  virtual void linkFocusField(Field* field);
  // The editing state of the dataset changed: the focused row's indicator
  // shows it.
  virtual void linkEditingChanged();

  // The focused row's indicator shows the dataset's edit and insert states.
  IndicatorImage indicatorImage(const TreeListNode& node) const override;
  // OnCustomDraw runs before the tree list's custom drawing.
  bool hasCustomDraw(const TreeListColumn* column) const override;
  bool customDrawCell(Canvas& canvas, const Rect& rect, TreeListNode* node, TreeListColumn* column,
                      bool selected, bool focused, std::string& text, Color& color, Font& font,
                      Alignment& alignment) override;

 private:
  // What both constructors set: the selection colours, grid lines, the
  // list of live grids.
  void setUpNewGrid();

  // The group rows the last row was filed under, one per level: rows that
  // follow with the same values (rows sorted or grouped alike come in runs)
  // are filed under them without a search. Valid while no group row is
  // freed.
  using LastGroupPath = std::vector<DBGridNode*>;

  // --- loading steps, in the order a load takes them ---
  // The dataset when a load may read it now, after taking the group
  // columns that lost their field out of the grouping; none otherwise.
  DataSet* loadableDataSet();
  // Finds the preview field again (none for a binary field).
  void bindPreviewField(DataSet& ds);
  // Reads every record from the first into rows, filling the key index;
  // frees the rows of `reuseList` no record took. Returns the row to show
  // at the top again (the saved top key's), if any.
  TreeListNode* readRecords(DataSet& ds, std::vector<DBGridNode*>* reuseList, bool summaries);
  // The columns a load reads from the records in place, or none when some
  // cell or step must see each record as the dataset's current one (a text
  // handler or display format, a calculated or looked-up field, a preview,
  // summaries, group rows, rows to reuse, a handler of new rows).
  std::optional<std::vector<RecordRowReader::Column>> inPlaceColumns(
      const std::vector<DBGridNode*>* reuseList, bool summaries);
  // Reads every record in place into new top-level rows, handing each to
  // `filed`; the reading runs on a second thread when the dataset walks on
  // its own.
  void readRecordsInPlace(DataSet& ds, const std::vector<RecordRowReader::Column>& columns,
                          const std::function<void(DBGridNode&)>& filed);
  // Makes a top-level row of each record of the run.
  void storeRows(const RecordRows& rows, RecordRowTexts& texts,
                 const std::function<void(DBGridNode&)>& filed);
  // The row for the current record: a new top-level row, or a row under its
  // group path, reused from `reuseList` when one there has the record's key
  // and already hangs there.
  DBGridNode* rowForRecord(LastGroupPath& lastPath, std::vector<DBGridNode*>* reuseList,
                           std::vector<bool>& taken, int recordIndex);
  DBGridNode* reusedRow(std::vector<DBGridNode*>& reuseList, std::vector<bool>& taken,
                        const DBGridNode* parent);
  // Refiles the loaded rows under the current group columns and counts them.
  void regroupLoadedRows();
  // Selection, sort, summaries and the group rows' keys after the rows are in.
  void finishLoadedRows(bool summaries);
  // Takes the dataset back to the record it was on (and, with
  // goCollapsedReload, to the collapsed group that holds it).
  void returnToRecord(DataSet& ds, const std::string& mark, bool wasAtStart, bool wasAtEnd);
  void focusCollapsedGroup(DataSet& ds);

  // --- loading helpers ---
  // ClearNodes, freeing the rows in address order.
  void clearAllNodes();
  void dropNodeData();
  void lookupKeyField();
  void scrollHandling(int distance);
  bool smartRefreshApplies() const;
  void focusNodeForSync(TreeListNode* node);
  // Whether the row's key is the current record's; a key that does not
  // compare, or a record that cannot be read, is no match.
  bool holdsCurrentKey(const TreeListNode& node) const;
  void watch(TreeListNode* node) { watchList_.push_back(node); }
  bool watched(TreeListNode* node) const;
  void unwatch(TreeListNode* node);
  // Indexes every data row of the tree by its key.
  void buildKeyIndex();
  void reselect();

  // --- grouping helpers ---
  // The group row of `level` for `value` among the siblings that start at
  // position `from` of `parent`'s children (top level: parent none); made
  // when missing, from the current record or from `source`.
  DBGridNode* findOrCreateGroupNode(DBGridNode* parent, int level, const Variant& value, int from,
                                    DBGridNode* source, int recordIndex);
  // The group row of `level` for `value` under `parent`, or none.
  DBGridNode* findGroupNode(DBGridNode* parent, int level, const Variant& value);
  // Binary search among the siblings [from, count) of a level: the sibling
  // holding `value`, or none and the position where it belongs.
  DBGridNode* searchGroup(DBGridNode* parent, int level, const Variant& value, int from,
                          int& position);
  // findOrCreateGroupNode, trying the last path first.
  DBGridNode* groupRowFor(LastGroupPath& last, DBGridNode* parent, int level, const Variant& value,
                          int from, DBGridNode* source, int recordIndex);
  // The group value of a loaded node for a group level.
  Variant storedGroupValue(const DBGridNode& node, int level) const;
  // The group rows a regroup has filed rows under, found again by the
  // order key of their value: rows sorted by another column come in no run
  // of one group, and a search per level per row costs more than the rest
  // of the regroup. A row found by an exact key holds a value equal to the
  // one looked for; by a text's key, it is checked. Valid while no group
  // row is freed.
  class GroupRowMemo {
   public:
    GroupRowMemo() : entries_(kSize) {}
    // `level` may be any small number that tells apart the kinds of key.
    DBGridNode* find(const DBGridNode* parent, int level, const OrderKey& key) const {
      const Entry& e = entries_[slot(parent, level, key)];
      return e.row && e.parent == parent && e.level == level && e.hi == key.hi && e.lo == key.lo
                 ? e.row
                 : nullptr;
    }
    void remember(const DBGridNode* parent, int level, const OrderKey& key, DBGridNode* row) {
      entries_[slot(parent, level, key)] = {parent, row, key.hi, key.lo, level};
    }

   private:
    static constexpr std::size_t kSize = 1024;  // a power of two
    struct Entry {
      const DBGridNode* parent = nullptr;
      DBGridNode* row = nullptr;
      std::uint64_t hi = 0;
      std::uint64_t lo = 0;
      int level = 0;
    };
    static std::size_t slot(const DBGridNode* parent, int level, const OrderKey& key) {
      std::uint64_t h = key.hi * 0x9e3779b97f4a7c15ULL ^ key.lo;
      h ^= reinterpret_cast<std::uintptr_t>(parent) + static_cast<std::uint64_t>(level);
      h *= 0xbf58476d1ce4e5b9ULL;
      return static_cast<std::size_t>(h >> 54) & (kSize - 1);
    }
    std::vector<Entry> entries_;
  };
  // The order key of a loaded node's group value for a level, when that
  // value is a text (then also in `text`; its key may hold only its start)
  // or a number whose key is exact; false otherwise.
  bool storedGroupKey(const DBGridNode& node, int level, OrderKey& key,
                      std::string_view& text) const;
  DBGridNode* groupPathFor(LastGroupPath& last, GroupRowMemo& memo, DBGridNode* node,
                           int skipAtTop);
  // Refiles every data row under the group columns; returns how many.
  int regroupLoadedNodes();
  // Whether a row just appended to its list comes after the row before it
  // in the order given (and both have exact keys in it).
  struct LastRowKeys;
  bool followsPriorSibling(const TreeListNode& node, const DirectRowOrder& order,
                           LastRowKeys& lastKeys) const;
  // Puts taken rows back in record (key) order unless a column sorts them.
  void putInRecordOrderUnlessSorted(std::vector<std::unique_ptr<TreeListNode>>& rows);
  // Takes every data row out of the tree in display order and frees the
  // group rows.
  void takeDataRows(std::vector<std::unique_ptr<TreeListNode>>& rows);
  void takeFirstChildKeys();
  void takeFirstChildKeys(DBGridNode* group);
  // --- rows a record filter hides (DBGridHiddenRows.cpp) ---
  // Puts rows kept aside back under their group rows, ordered as a load
  // orders them.
  void putBackRows(std::vector<std::unique_ptr<TreeListNode>> rows);
  // Frees the rows kept aside: the grid no longer has a row per record.
  void dropHiddenRows();
  void takeFirstChildKeysUpwards(TreeListNode* node);
  // Moves the dataset to the focused row's record when they differ: a sort
  // gives a focused group row another first row, and a regroup focuses the
  // first row while loading, which moves no record.
  void followFocusedRow();
  bool groupingBlocked() const;
  bool anySummaries() const;
  void resetFooterSummaries();
  void addToSummaries(DBGridNode& dataNode, bool fromRecord);
  void finishSummaries();
  void recomputeAllSummaries();
  std::string groupSummaryText(const DBGridNode& node) const;
  // Moves a data row to its place among its sorted siblings.
  void resortNode(TreeListNode* node);
  int dataLevelCompare(TreeListNode* a, TreeListNode* b);

  // --- changes helpers ---
  // The number of records loaded: the data rows of the tree.
  void countLoadedRows();
  // The data-bound key rules; true when one consumed the key.
  bool gridKeyDown(int key, ShiftState shift);
  // Up on the first row and Down on the last: posting the record, dropping
  // an insert left unchanged, or appending a record.
  bool edgeKeyDown(int key, DataSet& ds, TreeListNode* focus);
  bool readOnlyForDelete() const;
  void refreshNodeFromRecord(TreeListNode*& node);

  // The section the layout is kept in (IniSectionName, else the grid's
  // name, else "Grid"), and the files: none unless an option and a name
  // ask for them.
  std::string layoutSection() const;
  std::vector<std::string> layoutFiles() const;

  GridDataLink dataLink_;
  std::string iniFileName_;
  std::string iniSectionName_;
  std::string registryPath_;
  std::string keyFieldName_;
  Field* keyField_ = nullptr;
  bool defaultFields_ = false;
  bool componentLoading_ = false;
  std::string previewFieldName_;
  Field* previewField_ = nullptr;
  int previewMaxLength_ = 0;

  std::vector<DBTreeListColumn*> groupColumns_;
  // The open batch of grouping changes: the outermost end reloads once. A
  // count, not a phase: batches nest, and the batch keeps what it began
  // from.
  struct GroupBatch {
    int depth = 0;
    bool changed = false;                 // some end of the open batch may have changed something
    bool loadAll = false;                 // every record was a row when it began
    std::vector<std::string> fieldNames;  // the group columns' fields when it began
  } groupBatch_;
  // The grouping changed and the next load refiles the rows it has.
  bool regroupPending_ = false;
  // The regroup of this load left every data row list in this order: the
  // sort that ends the load would move nothing.
  std::optional<DirectRowOrder> regroupedInOrder_;

  int loadedRecordCount_ = 0;
  // The data rows a record filter hides, while the rows cover the table.
  std::vector<std::unique_ptr<TreeListNode>> hiddenRows_;
  bool rowsCoverTable_ = false;
  DBGridNode* changingNode_ = nullptr;
  Variant savedChangedKey_;
  Variant savedTopKey_;
  int savedTopLevel_ = 0;

  // What the grid is in the middle of (see GridPhases.h).
  GridPhases phases_;
  bool inPhase(GridPhase phase) const { return phases_.has(phase); }
  // Not phases: these carry a fact from one notice to a later one rather
  // than guard a call under way. The dataset's layout changed (a smart
  // refresh would read stale rows) until the next reload; the last change
  // notice was a locate's own.
  bool layoutChanging_ = false;
  bool justLocated_ = false;
  bool newItemRowActive_ = false;
  bool gridDestroying_ = false;  // the link's last notices are ignored
  int rememberedColumn_ = 0;

  // The columns as data-bound columns (none for others), by index; rebuilt
  // after any change of the column list.
  DBTreeListColumn* dbColumnSlow(int index) const;
  mutable std::vector<DBTreeListColumn*> columnCache_;
  mutable bool columnCacheValid_ = false;
  // Reused by storeRecord for the cell texts of one record.
  std::vector<std::string> cellTexts_;
  std::vector<std::string_view> cellViews_;
  std::vector<PackedValue> cellValues_;
  // Per column index, the date texts of the load under way.
  std::vector<DateTextMemo> dateTexts_;

  std::vector<TreeListNode*> watchList_;
  // Keys of the selected rows, taken before a reload and selected again
  // after it.
  std::vector<PackedValue> selectionCopy_;

  // The data rows by key, for finding a record's row without walking the
  // tree.
  KeyIndex keyIndex_;

  bool showGroupPanel_ = false;
  Color groupPanelColor_ = clBtnShadow;
  Color groupPanelFontColor_ = clBtnFace;
  std::vector<DBGridSummaryGroup> summaryGroups_;
  std::string summarySeparator_ = ", ";
  // Per group level: the column's summary source field, and per summary
  // group item its field; looked up at each load.
  std::vector<Field*> levelSummaryFields_;
  std::vector<std::vector<Field*>> levelItemFields_;
  std::vector<Field*> footerFields_;
};

// The grid the program places in its window.
class DBGrid : public CustomDBGrid {
 public:
  DBGrid() = default;
  explicit DBGrid(ControlHost& host) : CustomDBGrid(host) {}
};

}  // namespace morvel
