// The tree-list control: the tree of CustomTreeList with text nodes, plus
// the column model (columns, bands, header rows, widths, best fit) and
// sorting by column values. The data-bound grid derives from it and
// replaces the value, sort and group hooks.
//
// The header is longer than our files usually are: it is the control's
// whole public face (its properties, about thirty events and the
// overridable steps the data-bound grid replaces), which callers read in
// one place. The work behind it lives in the parts it owns, each with a
// header of its own: MouseStates, DragScroller, TreeListGroupPanel,
// TreeListRowPainter, TreeListColors, HeaderLayout and the customizing form.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "base/Variant.h"
#include "grid/tree/RowSorter.h"
#include "grid/tree/SortPrefix.h"
#include "grid/tree/TreeColumnOwner.h"
#include "grid/tree/TreeListColumn.h"
#include "grid/view/CustomTreeList.h"
#include "grid/view/HeaderLayout.h"
#include "grid/view/MouseStates.h"
#include "grid/view/TreeListColors.h"
#include "grid/view/TreeListGroupPanel.h"
#include "grid/view/TreeListView.h"
#include "platform/ImageList.h"

namespace morvel {

class CustomizingListBox;

class CustomTreeListControl : public CustomTreeList, public TreeColumnOwner {
  // The rows area's painter and the group panel's controller read the
  // drawing and grouping hooks and the view state.
  friend class TreeListRowPainter;
  friend class TreeListGroupPanel;

 public:
  using TLCompareEvent = std::function<void(CustomTreeListControl& sender, TreeListNode* node1,
                                            TreeListNode* node2, int& compare)>;
  using TLNodeImageEvent =
      std::function<void(CustomTreeListControl& sender, TreeListNode* node, int& index)>;
  // Custom drawing: the handler may change what is drawn, or draw the whole
  // cell itself and set done.
  using TLCustomDrawHeaderEvent =
      std::function<void(CustomTreeListControl& sender, TreeListColumn* column, Canvas& canvas,
                         const Rect& rect, std::string& text, Color& color, Font& font,
                         Alignment& alignment, TreeListColumnSort& sorted, bool& done)>;
  using TLCustomDrawCellEvent = std::function<void(
      CustomTreeListControl& sender, Canvas& canvas, const Rect& rect, TreeListNode* node,
      TreeListColumn* column, bool selected, bool focused, std::string& text, Color& color,
      Font& font, Alignment& alignment, bool& done)>;
  using TLGetLevelColorEvent =
      std::function<void(CustomTreeListControl& sender, int level, Color& color)>;
  using TLColumnEvent = std::function<void(CustomTreeListControl& sender, TreeListColumn* column)>;
  using TLCanHeaderDragging =
      std::function<void(CustomTreeListControl& sender, TreeListColumn* column, bool& allow)>;
  using TLDragOverHeader = std::function<void(CustomTreeListControl& sender, TreeListColumn* column,
                                              Point p, bool& accept)>;
  using TLDragEndHeader = std::function<void(CustomTreeListControl& sender, TreeListColumn* column,
                                             Point p, HeaderPosInfo& newPosInfo, bool& accept)>;
  using TLColumnMovedEvent = std::function<void(CustomTreeListControl& sender, int from, int to)>;
  using TLShowHeader = std::function<void(CustomTreeListControl& sender, TreeListColumn* column,
                                          int bandIndex, int rowIndex, int colIndex)>;
  using TLMouseEvent = std::function<void(CustomTreeListControl& sender, MouseButton button,
                                          ShiftState shift, Point p)>;
  using TLMouseMoveEvent =
      std::function<void(CustomTreeListControl& sender, ShiftState shift, Point p)>;
  // Setting key to 0 stops the grid's own handling.
  using TLKeyEvent = std::function<void(CustomTreeListControl& sender, int& key, ShiftState shift)>;

  // Detached until a host attaches it (see CustomTreeList).
  CustomTreeListControl();
  explicit CustomTreeListControl(ControlHost& host);
  // Clears the columns (without notifications), then the bands and nodes.
  ~CustomTreeListControl() override;

  // --- Columns --------------------------------------------------------------
  // columnCount() and columns(i) come with the column list (TreeColumnOwner).
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
  void columnChanged(TreeListColumn* column) override;
  // A column moved from list position `from` to `to`: node texts follow.
  void columnMoved(int from, int to) override;
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
  int headerPanelRowCount() const final { return headerPanelRowCount_; }
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
  TreeListBand* columnBand(const TreeListColumn* column) const final;
  // Header rows a band uses: up to its lowest visible column's row.
  int bandHeaderRowCount(const TreeListBand* band) const;
  // Visible columns in one row of a band, and the one at a position.
  int rowColumnCount(const TreeListBand* band, int row) const final;
  TreeListColumn* columnAt(const TreeListBand* band, int row, int position) const final;
  int bandMinWidth(const TreeListBand* band) const;
  int bandNaturalWidth(const TreeListBand* band) const;
  int bandDrawnWidth(const TreeListBand* band) const;
  int columnDrawnWidth(const TreeListColumn* column) const;
  // Width available to the bands: the client width right of the indicator.
  virtual int dataAreaWidth() const;

  // --- Sorting --------------------------------------------------------------
  // A click on a column header: sorts ascending, then toggles.
  virtual void columnHeaderClick(TreeListColumn* column);
  // True while a Shift+click is being handled: the column becomes a further
  // sort key instead of the only one.
  bool addSortKey() const { return addSortKey_; }
  void setAddSortKey(bool value) { addSortKey_ = value; }
  // The column's sort-state setter.
  void setSorted(TreeListColumn* column, TreeListColumnSort value) final;
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
  // Starts fetching what getSortValue and tieBreakKey read of a node that
  // is already being fetched: sorting visits rows that lie scattered in
  // memory, and waiting for each in turn costs more than the sort itself.
  virtual void prefetchSortData(const TreeListNode& node) const;
  // The prefix kind that every sort value of the column has (or is blank)
  // when directSortKey can read their order keys in place; none when only
  // getSortValue can tell.
  virtual PrefixKind directSortKind(int column) const;
  // orderKey(getSortValue(node, column), kind), read in place; false when
  // this node's value must go through getSortValue.
  virtual bool directSortKey(const TreeListNode& node, int column, PrefixKind kind,
                             OrderKey& key) const;
  // Orders nodes whose sort values are all equal; never reversed.
  virtual int compareTieBreak(const TreeListNode* node1, const TreeListNode* node2) const;
  // A whole number that orders the node among ties as compareTieBreak does,
  // before it is asked (it decides only between equal keys); false when
  // the node has none.
  virtual bool tieBreakKey(const TreeListNode& node, std::int64_t& key) const;
  // The one sort key the data rows are ordered by, when order keys read in
  // place settle their order (no compare event, a single key, texts in byte
  // order); empty when only the general comparison can.
  struct DirectRowOrder {
    int column = -1;
    bool descending = false;
    PrefixKind kind = PrefixKind::none;
    bool operator==(const DirectRowOrder&) const = default;
  };
  std::optional<DirectRowOrder> directDataRowOrder() const;
  // The node's key in that order; false when it has no exact one.
  bool directRowKey(const TreeListNode& node, const DirectRowOrder& order, ExactRowKey& key) const;
  // Natural order: texts compare runs of digits by their value, so that
  // "5", "10", "100" sort in that order. Off by default; it orders the data
  // rows only (group rows keep the order their search relies on), and a
  // change sorts the rows again by the present sort keys.
  bool naturalSortOrder() const { return naturalSortOrder_; }
  void setNaturalSortOrder(bool natural);
  // Whether the column's texts sort in natural order now.
  bool naturalOrderFor(int column) const;
  // Two sort values in the order the sort gives them: compareVariants, with
  // texts in natural order when `natural`, else collated under goAnsiSort.
  int compareSortValues(const Variant& a, const Variant& b, bool natural) const;
  virtual bool multiSortOn() const { return optionsEx().has(goMultiSort); }
  virtual bool autoSortOn() const { return optionsEx().has(goAutoSort); }
  virtual bool canSortColumn(TreeListColumn* column);

  // --- Node values ------------------------------------------------------------
  // True when getNodeString of a row without children gives, for this
  // column, the row's stored text unchanged: best fit then reads the texts
  // in place. False unless a grid knows it.
  virtual bool showsStoredText(int column) const;
  std::string_view getNodeString(const TreeListNode& node, int column,
                                 std::string& buffer) const override;
  void setNodeString(TreeListNode& node, int column, std::string_view text) override;
  int getImageIndex(const TreeListNode& node) const override;
  int getSelectedIndex(const TreeListNode& node) const override;
  int getStateIndex(const TreeListNode& node) const override;
  void setImageIndex(TreeListNode& node, int index) override;
  void setSelectedIndex(TreeListNode& node, int index) override;
  void setStateIndex(TreeListNode& node, int index) override;

  // --- Look and metrics (TreeListLayout.cpp) ----------------------------------
  LookAndFeel lookAndFeel() const { return lookAndFeel_; }
  void setLookAndFeel(LookAndFeel look);
  bool showGrid() const { return showGrid_; }
  void setShowGrid(bool value);
  bool showPreviewGrid() const { return showPreviewGrid_; }
  void setShowPreviewGrid(bool value);
  bool showHeader() const { return showHeader_; }
  void setShowHeader(bool value);
  const Font& headerFont() const { return headerFont_; }
  void setHeaderFont(const Font& font);
  const Font& bandFont() const { return bandFont_; }
  void setBandFont(const Font& font);
  const Font& previewFont() const { return previewFont_; }
  void setPreviewFont(const Font& font);
  // Never below 12.
  int grIndicatorWidth() const { return grIndicatorWidth_; }
  void setGrIndicatorWidth(int width);
  // 0 until set; never below the natural row height where it applies.
  int defaultRowHeight() const { return defaultRowHeight_; }
  void setDefaultRowHeight(int height);
  ScrollStyle scrollBars() const { return scrollBars_; }
  void setScrollBars(ScrollStyle style);
  bool hideSelection() const { return hideSelection_; }
  void setHideSelection(bool value);
  // The colours of the headers, group rows, selection, grid lines and drop
  // arrows (TreeListColors.h). Setting different ones repaints the grid;
  // setting the same ones does nothing.
  const TreeListColors& colors() const { return colors_; }
  void setColors(const TreeListColors& colors);
  // The width of the fixed bands' line (colors().fixedBandLineColor); read
  // at the next paint.
  int fixedBandLineWidth = 2;

  // Node images: each data row shows its state image, then its image (the
  // selected image on the focused row), between its indent and its first
  // cell's text. Without a list the rows keep no room for it. The lists are
  // shared and never changed after they are set; setting one lays the grid
  // out again.
  const std::shared_ptr<const ImageList>& images() const { return images_; }
  void setImages(std::shared_ptr<const ImageList> images);
  const std::shared_ptr<const ImageList>& stateImages() const { return stateImages_; }
  void setStateImages(std::shared_ptr<const ImageList> images);

  // The metrics of the last layout (measured now when a change dropped them).
  const TreeListMetrics& metrics() const;
  int rowHeight() const override { return metrics().rowHeight; }
  int rowsAreaTop() const override;

  // --- Regions and geometry (TreeListLayout.cpp) -------------------------------
  Rect groupPanelRect() const;
  Rect bandPanelRect() const;
  Rect headerPanelRect() const;
  Rect headerCornerRect() const;
  Rect bandCornerRect() const;
  // The rows area right of the indicator column, and the indicator column.
  Rect rowsAreaRect() const;
  Rect indicatorRect() const;
  // Every visible band, in visible order.
  std::vector<BandExtent> bandExtents() const;
  // Every visible column's header, laid out band by band and row by row.
  std::vector<HeaderCell> headerCells() const;
  Rect headerCellRect(const TreeListColumn* column) const;
  // The header of visible band i in the band panel (empty when there is no
  // such band or it has no width).
  Rect bandHeaderRect(int band) const;
  // The right end of the columns in client coordinates.
  int columnsRight() const;
  // The cell of a shown row (empty when the row or column is not shown).
  Rect cellRect(const TreeListNode* node, const TreeListColumn* column) const;
  // A node's indent in pixels: its level, one more for a row with children.
  int nodeIndent(const TreeListNode& node) const;
  // The room a data row's state image and image take right of its indent:
  // each list's width when the row has an index for it.
  int nodeImagesWidth(const TreeListNode& node) const;

  // --- Scrolling (TreeListLayout.cpp) --------------------------------------------
  void setTopVisibleIndex(int index) override;
  int leftCoord() const { return leftCoord_; }
  void setLeftCoord(int x);
  // The band widths and the group indent.
  int scrollableWidth() const;
  void scrolled(ScrollBarKind bar, ScrollCode code, int position) override;
  bool mouseWheel(ShiftState shift, int delta, Point p) override;

  // --- Repainting parts (TreeListLayout.cpp) -------------------------------------
  void invalidateRow(TreeListNode* node);
  void invalidateCell(TreeListNode* node, TreeListColumn* column);

  // --- Painting (TreeListPainter.cpp) ----------------------------------------------
  void paint(Canvas& canvas, const Rect& dirty) override;
  // A header cell in the grid's look: the face, the sort mark (when the
  // inner width allows it), the glyph at the left of the text area and the
  // text; pressed cells are drawn sunken. The group panel, the customizing
  // list and the drag image use it too.
  void drawHeaderCell(Canvas& canvas, const Rect& rect, std::string_view text, Alignment alignment,
                      TreeListColumnSort sorted, bool pressed, Color face, bool wordWrap = false,
                      const Bitmap* glyph = nullptr) const;
  // A 12 × 12 expand button with its top-left corner at origin.
  static void drawExpandButton(Canvas& canvas, Point origin, bool expanded);

  // --- Mouse and keyboard (TreeListHitTest.cpp, TreeListMouse.cpp,
  //     TreeListKeyboard.cpp) ------------------------------------------------------
  TreeListHitInfo getHitInfo(Point p) const;
  TreeListNode* getNodeAt(int x, int y) const;
  // The state the mouse is in (MouseStates.h), by name.
  MouseState mouseState() const { return mouseStateOf(mouse_); }
  // The header or band header being pressed (a header also while a drag
  // that grew out of its press goes on), else null.
  TreeListColumn* pressedColumn() const;
  TreeListBand* pressedBand() const;
  // The column or band being dragged, else null.
  TreeListColumn* dragColumn() const;
  TreeListBand* dragBand() const;
  // Whether the pressed header, band or corner cell is drawn sunken: the
  // pointer is over it.
  bool pressedDrawn() const;
  // The sizing line: its x while a column or band is sized, its y while a
  // panel or the rows are; -1 while nothing is sized.
  int sizingLine() const;
  // The inverted line the current sizing state draws (empty in the others).
  Rect sizingLineRect() const;
  // Where the drop arrows point while a header is dragged (-1: none shown).
  int dropArrowX() const;
  // Ends a press, a sizing, a drag or drag scrolling without acting on it.
  void cancelMouseState();
  // Whether the middle button is scrolling the view.
  bool dragScrolling() const { return std::holds_alternative<mouse::DragScroll>(mouse_); }
  void mouseDown(MouseButton button, ShiftState shift, Point p) override;
  void mouseMove(ShiftState shift, Point p) override;
  void mouseUp(MouseButton button, ShiftState shift, Point p) override;
  bool keyDown(int key, ShiftState shift) override;
  bool keyPress(std::string_view text) override;
  void captureLost() override;
  Cursor cursorAt(Point p) const override;
  // The header line and the focused (or selected) rows, tab-separated, one
  // line each.
  virtual std::string copyText() const;
  void copyToClipboard();

  // Overridable steps of band pressing, sizing and dragging. A band is
  // dragged only with goBandMoving; a drop on another band's header takes
  // that band's place.
  virtual void bandBestFit(TreeListBand* band);
  virtual bool canBandDrag(TreeListBand* band);
  virtual void startBandDrag(TreeListBand* band);
  virtual void endBandDrag(bool drop);
  // A band header, or the band corner cell, pressed and released over it.
  virtual void bandClick(TreeListBand* band) { (void)band; }
  virtual void bandCornerClick() {}

  // Overridable steps of header dragging.
  virtual void columnBestFit(TreeListColumn* column);
  virtual bool canHeaderDrag(TreeListColumn* column);
  virtual void startHeaderDrag(TreeListColumn* column);
  virtual void dragOverHeader(Point p, TreeListColumn* column, bool& accept);
  virtual void endHeaderDrag(bool drop);
  virtual void moveHeader(TreeListColumn* column, int band, int row, int col);
  virtual void hideHeader(TreeListColumn* column);
  virtual void showHeader(int band, int row, TreeListColumn* column, int col);
  virtual HeaderPosInfo dropPosition(Point p);
  virtual Cursor dragCursor(Point p);

  // --- The customizing form (TreeListCustomizing.cpp) -------------------------------
  // Opens the "Customize" tool window listing the hidden columns (closing an
  // open one first); nothing when no headers are shown.
  void columnsCustomizing();
  // Closes the form, remembering where it was; fires OnEndColumnsCustomizing.
  void endColumnsCustomizing();
  bool customizingFormOpen() const;
  // Whether a client point lies over the form.
  bool pointOverCustomizingForm(Point p) const;
  // The form's list, or null while the form is closed.
  CustomizingListBox* customizingList() const { return customizingList_; }
  // The list rows the form is sized for (11 by default).
  int customizingRowCount() const { return customizingRowCount_; }
  void setCustomizingRowCount(int count);
  // Refills the form's list; every layout recomputation calls it.
  void refreshCustomizingLists();
  // Moves a header drag started elsewhere (the form's list) to a screen point.
  void dragToScreenPoint(Point screen);
  NotifyEvent onEndColumnsCustomizing;

  // --- The group panel (TreeListGroupPanel.h) ------------------------------------
  // The panel's controller, owned by the grid.
  TreeListGroupPanel& groupPanel() { return *groupPanel_; }
  const TreeListGroupPanel& groupPanel() const { return *groupPanel_; }
  // A grid that groups its rows by columns overrides these; here there is no
  // group panel and nothing groups.
  virtual bool showGroupPanel() const { return false; }
  virtual Color groupPanelColor() const { return clBtnShadow; }
  virtual Color groupPanelFontColor() const { return clBtnFace; }
  // The panel's height for a header row height (0 while it is hidden).
  virtual int groupPanelHeight(int headerRowHeight) const {
    (void)headerRowHeight;
    return 0;
  }
  // Group button i within the panel, and the button index a column dropped
  // at x (panel coordinates) takes (TreeListGroupPanel).
  Rect groupButtonRect(int index, int headerRowHeight) const {
    return TreeListGroupPanel::buttonRect(index, headerRowHeight);
  }
  int groupInsertPosition(int x, int headerRowHeight) const {
    return TreeListGroupPanel::insertPosition(x, headerRowHeight, groupColumnCount());
  }
  // The group column of a level, or null.
  virtual TreeListColumn* groupColumns(int level) const {
    (void)level;
    return nullptr;
  }
  // Whether the column may become a group column.
  virtual bool canGroupBy(TreeListColumn* column) {
    (void)column;
    return false;
  }
  // A header dropped on the panel at a button index; a group button dragged
  // off the panel.
  virtual void groupByColumn(TreeListColumn* column, int index) { (void)column, (void)index; }
  virtual void ungroupColumn(TreeListColumn* column) { (void)column; }
  // Slides the rows down by the panel's height before it shows, or up
  // before it goes; the caller lays the grid out afterwards. Nothing while
  // detached, locked or in the middle of a mouse action.
  void animateGroupPanel(bool showing, int height) { groupPanel_->animate(showing, height); }
  // Draws the panel's background instead of the plain fill.
  std::function<void(CustomTreeListControl& sender, Canvas& canvas, const Rect& rect)>
      onBackgroundDrawEvent;

  // --- Events -----------------------------------------------------------------
  TLCanHeaderDragging onCanHeaderDragging;
  TLColumnEvent onStartHeaderDragging;
  TLDragOverHeader onDragOverHeader;
  TLDragEndHeader onDragEndHeader;
  TLColumnEvent onHeaderMoved;
  TLColumnMovedEvent onColumnMoved;
  TLColumnEvent onHideHeader;
  TLShowHeader onShowHeader;
  NotifyEvent onChangedColumnsWidth;
  NotifyEvent onHeaderButtonClick;
  NotifyEvent onClick;
  NotifyEvent onDblClick;
  TLMouseEvent onMouseDown;
  TLMouseMoveEvent onMouseMove;
  TLMouseEvent onMouseUp;
  TLKeyEvent onKeyDown;
  NotifyEvent onChangeLeftCoord;
  TLCustomDrawHeaderEvent onCustomDrawColumnHeader;
  TLCustomDrawCellEvent onCustomDrawCell;
  TLGetLevelColorEvent onGetLevelColor;
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
  void updateScrollBars() override;
  void fontChanged() override;
  void hostAttached() override;
  void resized() override;
  void hideEditing() override;
  // With rows selected as a whole the focused column never scrolls.
  void makeColumnVisible(int column) override;
  void focusChanged(bool focused) override;

  // --- View hooks for derived grids ---------------------------------------------
  // Paints the group panel (the rectangle is the whole panel): the
  // background, the hint or the staircase of group buttons.
  virtual void paintGroupPanel(Canvas& canvas, const Rect& panel, const Rect& dirty);
  // Whether a row is drawn as one cell with rowText(): rows that have
  // children here.
  virtual bool isGroupRow(const TreeListNode& node) const { return node.hasChildren(); }
  // The text of a row drawn as one cell: its first column's text here.
  virtual std::string groupRowText(const TreeListNode& node) const;
  // The indicator image of a row: the arrow on the focused row, the dot on
  // other selected ones.
  virtual IndicatorImage indicatorImage(const TreeListNode& node) const;
  // Custom drawing of one cell before the painter's own, which is skipped
  // when this returns true; asked only where hasCustomDraw says a handler
  // is set. A group row is one cell; its column is the group column of its
  // level (null without one). Here the grid's and the column's
  // OnCustomDrawCell run for the cells of data rows.
  virtual bool hasCustomDraw(const TreeListColumn* column) const;
  virtual bool customDrawCell(Canvas& canvas, const Rect& rect, TreeListNode* node,
                              TreeListColumn* column, bool selected, bool focused,
                              std::string& text, Color& color, Font& font, Alignment& alignment);

  // Sorting steps.
  virtual void beforeSortChange(TreeListColumn* column);
  virtual void afterSortChange(TreeListColumn* column);
  // The last sorting batch ended: sort the data rows by the sorted columns.
  virtual void sortBatchEnded();
  // Sorts the data rows by the sort keys; false when no column sorts them.
  bool sortByFirstSortedColumn();
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
  // Widths of the node images and state images (0 without a list).
  virtual int imagesWidth() const { return images_ ? images_->width() : 0; }
  virtual int stateImagesWidth() const { return stateImages_ ? stateImages_->width() : 0; }
  // Compares two texts by the locale's collation (case-sensitive).
  virtual int collateTexts(const std::string& a, const std::string& b) const;

  TreeListTextNode& textNode(TreeListNode& node) const;
  const TreeListTextNode& textNode(const TreeListNode& node) const;

 private:
  // First of the members, so that it is gone last: whatever the others do
  // while they go may still ask the panel.
  std::unique_ptr<TreeListGroupPanel> groupPanel_ = std::make_unique<TreeListGroupPanel>(*this);

  // The image index an event makes of the node's stored one.
  int passImageIndex(const TLNodeImageEvent& event, const TreeListNode& node, int index) const;
  void normalizeHeaderRows();
  void resetDefaultLayout();
  void applyHeaderPanelRowCount(int count, bool automatic);
  void refreshAutoHeaderPanelRowCount();
  // What columns and bands ask of their owner (TreeColumnOwner.h).
  Color columnDefaultColor() const final { return color(); }
  const Font& columnDefaultFont() const final { return font(); }
  bool columnsReadOnly() const final { return readOnly(); }
  int bandCount() const final { return bands_.count(); }
  void bandsChanged() final;
  void bandFreed(int index) final;
  void bandMoved(int from, int to) final;
  void removeSortKey(TreeListColumn* column);
  void addToSortKeys(TreeListColumn* column);
  // The collation texts sort by: collateTexts under goAnsiSort, else none.
  TextCollation sortCollation() const;
  // The first column with a sort state that is not a group column, or null.
  TreeListColumn* firstSortedColumn() const;
  // Whether directSortKey's keys, of this kind, order the column's values.
  bool keysReadInPlace(int column, PrefixKind kind) const;
  // The order of one list sorted by one column, from order keys read in
  // place, into `order`; false when those keys cannot settle it.
  bool sortByDirectKeys(const NodeList& nodes, int column, bool descending,
                        std::vector<std::uint32_t>& order);
  void sortSiblingList(NodeList& list, const std::vector<int>& keyColumns,
                       const std::vector<bool>& keyDescending);
  // The order of a sibling list (positions into nodes) by onCompare, and by
  // the sort values of the key columns.
  std::vector<std::uint32_t> orderByCompareEvent(const std::vector<TreeListNode*>& nodes,
                                                 bool descending);
  std::vector<std::uint32_t> orderBySortValues(const NodeList& nodes,
                                               const std::vector<int>& keyColumns,
                                               const std::vector<bool>& keyDescending) const;
  // The widths of a band row's visible columns as the band shares its width.
  std::vector<int> rowWidths(const TreeListBand* band, int row, int bandWidth) const;
  bool isFirstColumn(const TreeListColumn* column) const;

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
  bool naturalSortOrder_ = false;

  // The view (TreeListLayout.cpp, TreeListPainter.cpp).
  void dropMetrics();
  TreeListMetrics measureMetrics() const;
  void paintHeaderPanel(Canvas& canvas, const Rect& dirty, const std::vector<HeaderCell>& cells);
  void paintHeader(Canvas& canvas, const HeaderCell& cell);
  void paintBandPanel(Canvas& canvas, const std::vector<BandExtent>& extents);
  void paintFixedBandLines(Canvas& canvas, const Rect& area,
                           const std::vector<BandExtent>& extents);
  void paintIndicators(Canvas& canvas, const Rect& dirty);

  bool columnSizable(const TreeListColumn* column) const;
  bool bandSizable(const TreeListBand* band) const;

  // The mouse (TreeListMouse.cpp, TreeListSizing.cpp, TreeListHeaderDrag.cpp).
  bool mouseIdle() const { return std::holds_alternative<mouse::Idle>(mouse_); }
  // Whether the state holds the column or band: it ends when they go.
  bool mouseStateHolds(const TreeListColumn* column) const;
  bool mouseStateHolds(const TreeListBand* band) const;
  // Leaves the state without acting on it: its marks are repainted away,
  // the capture released, and the old state handed back.
  MouseStateData leaveMouseState();
  void pressAt(MouseButton button, ShiftState shift, Point p);
  bool pressHeaderArea(ShiftState shift, Point p, const TreeListHitInfo& hit);
  bool pressRow(MouseButton button, ShiftState shift, const TreeListHitInfo& hit);
  void startCellPress(MouseStateData press);
  void movePress(Point p);
  void releaseMouse(MouseButton button, ShiftState shift, Point p);
  void clickPressed(const MouseStateData& released, ShiftState shift, bool over);
  void invalidateSizingLine();
  Rect pressedRect() const;
  void invalidatePressed();
  // The height of one text line of the band panel.
  int bandLineHeight() const;
  // What a band or header row adds to its text lines: the margins and
  // bevels (the flat look has no outer bevel).
  int headerChrome() const { return lookAndFeel_ == lfStandard ? 6 : 5; }
  std::pair<int, int> sizingLimits(const mouse::Sizing& sizing) const;
  void startSizing(mouse::Sizing sizing, Point p);
  void moveSizingLine(mouse::Sizing& sizing, Point p);
  void applySizing(const mouse::Sizing& sizing);
  void applyColumnSizing(TreeListColumn* column, int line);
  void applyBandSizing(TreeListBand* band, int origin, int line);
  void applyPanelOrRowSizing(mouse::SizingKind kind, int origin, int line);
  void fitColumns(const std::vector<TreeListColumn*>& targets);
  HeaderPosInfo dropPositionFor(Point p, const TreeListColumn* dragged);
  void dropHeader(TreeListColumn* column, Point p, HeaderPosInfo pos);
  void dragMove(Point p);
  int dropArrowFor(const HeaderPosInfo& pos, const TreeListColumn* dragged) const;
  void showDropArrows(mouse::HeaderDrag& drag, Point top, Point bottom);
  void scrollColumnIntoView(const TreeListColumn* column);
  bool startDragScroll(Point p);
  void endDragScroll();
  void dblClick();
  void placeColumn(TreeListColumn* column, int band, int row, int col);
  bool navigate(int key, ShiftState shift);
  // The group panel's part of the mouse handling (TreeListGroupPanel.h).
  bool groupPanelMouseDown(MouseButton button, ShiftState, Point p) {
    return groupPanel_->mouseDown(button, p);
  }
  bool groupPanelMouseMove(Point p) { return groupPanel_->mouseMove(p); }
  bool groupPanelMouseUp(MouseButton button) { return groupPanel_->mouseUp(button); }
  bool overGroupPanel(Point p) const { return groupPanel_->accepts(p); }
  bool endGroupPanelDrop(TreeListColumn* column, Point p, const HeaderPosInfo& pos) {
    return groupPanel_->endDrop(column, p, pos);
  }

  LookAndFeel lookAndFeel_ = lfStandard;
  bool showGrid_ = false;
  bool showPreviewGrid_ = true;
  bool showHeader_ = true;
  Font headerFont_;
  Font bandFont_;
  Font previewFont_{.color = clBlue};
  int grIndicatorWidth_ = 12;
  int defaultRowHeight_ = 0;
  ScrollStyle scrollBars_ = ssBoth;
  bool hideSelection_ = false;
  TreeListColors colors_;
  MouseStateData mouse_;  // the mouse state with its data (MouseStates.h)
  Point lastMouse_;
  std::unique_ptr<ToolWindow> customizingForm_;
  CustomizingListBox* customizingList_ = nullptr;  // on the form, owned by it
  int customizingFormLeft_ = -1000;                // -1000: never placed
  int customizingFormTop_ = -1000;
  int customizingSelected_ = -1;
  int customizingRowCount_ = 11;
  std::shared_ptr<const ImageList> images_;
  std::shared_ptr<const ImageList> stateImages_;
  // The band and header geometry, kept between layouts (HeaderLayout.h).
  const HeaderLayout& headerLayout() const;
  std::vector<BandExtent> computeBandExtents() const;
  std::vector<HeaderCell> computeHeaderCells(const std::vector<BandExtent>& extents) const;
  mutable HeaderLayoutCache headerLayout_;
  mutable TreeListMetrics metrics_;
  mutable bool metricsValid_ = false;
  int leftCoord_ = 0;
};

// Windows-style MulDiv: a · b / c rounded half away from zero, computed in 64
// bits; -1 when c is 0.
int mulDiv(int a, int b, int c);

}  // namespace morvel
