// The column model of the tree-list control: TreeListColumn, one column of
// the grid, and TreeListBand / TreeListBands, the bands that hold columns
// side by side under a common header.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Bitmap.h"
#include "platform/FontMetrics.h"
#include "platform/Graphics.h"

namespace morvel {

class Canvas;
class CustomTreeListControl;
class TreeColumnOwner;
class TreeListNode;
class TreeListBands;

// Sort state of a column, in its fixed order.
enum TreeListColumnSort { csNone, csDown, csUp };

enum GridBandFixed { bfNone, bfLeft, bfRight };

// One column. Setters clamp out-of-range values, do nothing when given the
// value the property already holds, and tell the grid (ColumnChanged) so it
// can lay itself out again. A column lives in its grid's column list from
// AddColumn (or CreateColumn) until it is removed.
class TreeListColumn {
 public:
  // Properties that remember whether they were set, or still follow their
  // defaults.
  enum AssignedValue : std::uint8_t {
    avAlignment = 1 << 0,
    avCaption = 1 << 1,
    avReadOnly = 1 << 2,
    avWidth = 1 << 3,
    avColor = 1 << 4,
    avFont = 1 << 5,
  };

  // The column's own custom drawing, called after the grid's handler (when
  // that one did not draw the whole cell itself): it may change what is
  // drawn, or draw the header or cell itself and set done.
  using CustomDrawHeaderEvent = std::function<void(
      TreeListColumn& sender, Canvas& canvas, const Rect& rect, std::string& text, Color& color,
      Font& font, Alignment& alignment, TreeListColumnSort& sorted, bool& done)>;
  using CustomDrawCellEvent = std::function<void(
      TreeListColumn& sender, Canvas& canvas, const Rect& rect, TreeListNode* node, bool selected,
      bool focused, std::string& text, Color& color, Font& font, Alignment& alignment, bool& done)>;

  TreeListColumn();
  TreeListColumn(const TreeListColumn&) = delete;
  TreeListColumn& operator=(const TreeListColumn&) = delete;
  virtual ~TreeListColumn();

  // The grid whose column list holds it; null while detached.
  TreeColumnOwner* treeList() const { return grid_; }
  const std::string& name() const { return name_; }
  void setName(std::string name) { name_ = std::move(name); }
  std::uint8_t assignedValues() const { return assigned_; }

  Alignment alignment() const;
  void setAlignment(Alignment alignment);
  std::string caption() const;
  void setCaption(std::string_view caption);
  // The grid's colour unless set (clWindow while detached).
  Color color() const;
  void setColor(Color color);
  bool disableCaption() const { return disableCaption_; }
  void setDisableCaption(bool value);
  bool disableCustomizing() const { return disableCustomizing_; }
  void setDisableCustomizing(bool value);
  bool disableDragging() const { return disableDragging_; }
  void setDisableDragging(bool value) { disableDragging_ = value; }
  bool disableEditor() const { return disableEditor_; }
  void setDisableEditor(bool value) { disableEditor_ = value; }
  // The grid's font unless set.
  const Font& font() const;
  void setFont(const Font& font);
  Alignment headerAlignment() const { return headerAlignment_; }
  void setHeaderAlignment(Alignment alignment);
  int minWidth() const { return minWidth_; }
  void setMinWidth(int minWidth);
  // Also true whenever the grid itself is read-only.
  bool readOnly() const;
  void setReadOnly(bool value);
  bool sizing() const { return sizing_; }
  void setSizing(bool value);
  TreeListColumnSort sorted() const { return sorted_; }
  // Sorts the grid's rows as the sort state asks (see the control).
  void setSorted(TreeListColumnSort value);
  bool tabStop() const { return tabStop_; }
  void setTabStop(bool value) { tabStop_ = value; }
  bool visible() const { return visible_; }
  void setVisible(bool value);
  int width() const;
  void setWidth(int width);
  int bandIndex() const { return bandIndex_; }
  void setBandIndex(int index);
  int rowIndex() const;
  void setRowIndex(int row);
  // Position among the visible columns of its band row; -1 while detached.
  int colIndex() const;
  void setColIndex(int position);
  int headerMaxLineCount() const { return headerMaxLineCount_; }
  void setHeaderMaxLineCount(int count);
  // A picture at the left of the header's text (empty: none).
  const Bitmap& headerGlyph() const { return headerGlyph_; }
  void setHeaderGlyph(const Bitmap& glyph);

  CustomDrawHeaderEvent onCustomDrawColumnHeader;
  CustomDrawCellEvent onCustomDrawCell;

  // Kind-specific behaviour, with the plain column's answers.
  virtual bool canEditor() const { return !disableEditor_; }
  // Position in the grid's column list, -1 while detached.
  virtual int index() const;
  virtual int minRowHeight(FontMetrics& canvas) const;
  // Moves the column to list position `index` (clamped), carrying every
  // node's text for it along.
  virtual void setColumnIndex(int index);
  virtual Alignment defaultAlignment() const { return taLeftJustify; }
  virtual std::string defaultCaption() const { return {}; }
  virtual bool defaultReadOnly() const { return false; }
  virtual int defaultWidth() const { return 100; }
  // The width of a cell text; best fit measures every cell with it.
  virtual int textWidth(FontMetrics& canvas, std::string_view text) const;
  // The text a cell shows for the node's stored text.
  virtual void getDisplayText(const TreeListNode& node, std::string_view text,
                              std::string& result) const;
  // Forgets every assigned value, so the defaults show again.
  virtual void restoreDefaults();

 protected:
  // Tells the grid; `wholeLayout` for properties that affect every column.
  void changed(bool wholeLayout);

 private:
  friend class CustomTreeListControl;

  TreeColumnOwner* grid_ = nullptr;
  mutable int lastIndex_ = 0;  // where index() found the column last
  std::string name_;
  std::uint8_t assigned_ = 0;
  Alignment alignment_ = taLeftJustify;
  std::string caption_;
  Color color_ = clWindow;
  std::unique_ptr<Font> font_;  // made when first set
  bool readOnly_ = false;
  int width_ = 100;
  bool disableCaption_ = false;
  bool disableCustomizing_ = false;
  bool disableDragging_ = false;
  bool disableEditor_ = false;
  Alignment headerAlignment_ = taLeftJustify;
  int minWidth_ = 20;
  bool sizing_ = true;
  TreeListColumnSort sorted_ = csNone;
  bool tabStop_ = true;
  bool visible_ = true;
  int bandIndex_ = 0;
  int row_ = 0;
  int storedRow_ = 0;  // the row asked for, kept while fewer header rows exist
  int headerMaxLineCount_ = 1;
  Bitmap headerGlyph_;
};

// One band: a header over a group of columns.
class TreeListBand {
 public:
  explicit TreeListBand(TreeListBands& collection) : collection_(&collection) {}
  TreeListBand(const TreeListBand&) = delete;
  TreeListBand& operator=(const TreeListBand&) = delete;

  int index() const;
  // Moves the band; a fixed band stays where it is. Columns keep their band.
  void setIndex(int index);

  Alignment alignment() const { return alignment_; }
  void setAlignment(Alignment alignment);
  const std::string& caption() const { return caption_; }
  void setCaption(std::string_view caption);
  bool disableCustomizing() const { return disableCustomizing_; }
  void setDisableCustomizing(bool value) { disableCustomizing_ = value; }
  bool disableDragging() const { return disableDragging_; }
  void setDisableDragging(bool value) { disableDragging_ = value; }
  GridBandFixed fixed() const { return fixed_; }
  // A left band becomes the first band, a right band the last; another band
  // fixed on that side loses it. A hidden band cannot be fixed.
  void setFixed(GridBandFixed fixed);
  int minWidth() const { return minWidth_; }
  void setMinWidth(int minWidth);
  bool sizing() const { return sizing_; }
  void setSizing(bool value);
  bool visible() const { return visible_; }
  void setVisible(bool value);
  int width() const { return width_; }
  void setWidth(int width);
  // Not fixed and sizable: its width follows the user and best fit.
  bool sizable() const { return fixed_ == bfNone && sizing_; }

 private:
  friend class TreeListBands;
  void changed();

  TreeListBands* collection_;
  Alignment alignment_ = taCenter;
  std::string caption_;
  bool disableCustomizing_ = false;
  bool disableDragging_ = false;
  GridBandFixed fixed_ = bfNone;
  int minWidth_ = 30;
  bool sizing_ = true;
  bool visible_ = true;
  int width_ = 250;
};

// The grid's bands, in order. Any change of the collection keeps the fixed
// bands at the edges and lays the grid out again.
class TreeListBands {
 public:
  explicit TreeListBands(TreeColumnOwner& grid) : grid_(grid) {}
  TreeListBands(const TreeListBands&) = delete;
  TreeListBands& operator=(const TreeListBands&) = delete;

  TreeColumnOwner& grid() const { return grid_; }
  int count() const { return static_cast<int>(bands_.size()); }
  // Band i, or null out of range.
  TreeListBand* items(int i) const;
  TreeListBand* add();
  // Frees band i: its columns lose their band, later bands' columns follow
  // their band's new index.
  void deleteBand(int i);
  void clear();
  int indexOf(const TreeListBand* band) const;

 private:
  friend class TreeListBand;
  friend class CustomTreeListControl;
  void move(int from, int to);
  // After every change of the collection.
  void changed();
  void fixFixedBands();

  TreeColumnOwner& grid_;
  std::vector<std::unique_ptr<TreeListBand>> bands_;
};

}  // namespace morvel
