// Painting the rows area of the tree-list control; see TreeListRowPainter.h.
#include "grid/view/TreeListRowPainter.h"

#include <algorithm>

#include "grid/view/CustomTreeListControl.h"

namespace morvel {
namespace {

constexpr int kButtonSize = 12;

// Whether the device shows the colour as it is. On a palette device a colour
// outside the palette is dithered when it fills an area but drawn in the
// nearest solid colour behind opaque text, so such cells are filled first
// and their text drawn over the fill. Every surface this program draws on
// holds true colour, where each RGB value and each system colour is shown as
// it is: every colour counts as pure.
constexpr bool isPureColor(Color) { return true; }

}  // namespace

TreeListRowPainter::TreeListRowPainter(CustomTreeListControl& grid, Canvas& canvas,
                                       const std::vector<HeaderCell>& cells)
    : grid_(grid),
      canvas_(canvas),
      cells_(cells),
      fonts_(canvas),
      area_(grid.rowsAreaRect()),
      height_(grid.rowHeight()),
      right_(grid.columnsRight()),
      line_(grid.showGrid() ? 1 : 0),
      hasFocus_(grid.host().hasFocus()),
      rowSelect_(grid.rowSelect()) {
  const TreeListColors& colors = grid.colors();
  selBack_ = hasFocus_ ? colors.highlightColor : colors.hideSelectionColor;
  selText_ = hasFocus_ ? colors.highlightTextColor : colors.hideSelectionTextColor;
}

RowSpan TreeListRowPainter::dirtyRows(const Rect& area, const Rect& dirty, int rowHeight) {
  if (rowHeight <= 0 || area.isEmpty()) return {};
  // A row spans the area's width and may reach below its bottom.
  const int top = std::max(dirty.top, area.top);
  if (dirty.right <= area.left || dirty.left >= area.right || dirty.isEmpty() ||
      dirty.bottom <= top) {
    return {};
  }
  const int shown = (area.height() + rowHeight - 1) / rowHeight;
  const int first = (top - area.top) / rowHeight;
  const int last = std::min((dirty.bottom - 1 - area.top) / rowHeight, shown - 1);
  return first <= last ? RowSpan{first, last} : RowSpan{};
}

void TreeListRowPainter::paint(const Rect& dirty) {
  dirty_ = dirty;
  ClipScope clip(canvas_, area_);
  const int rowsBottom =
      forEachDirtyRow(grid_, area_, height_, dirty,
                      [this](TreeListNode& node, const Rect& row) { paintRow(node, row); });
  if (!lines_.empty()) {
    const Color gridLine = grid_.colors().gridLineColor;
    canvas_.drawLines(lines_, gridLine == clNone ? clBtnShadow : gridLine);
  }
  fillUncovered(rowsBottom);
}

int TreeListRowPainter::forEachDirtyRow(
    const CustomTreeListControl& grid, const Rect& area, int rowHeight, const Rect& dirty,
    const std::function<void(TreeListNode&, const Rect&)>& paintRow) {
  if (grid.locked() || rowHeight <= 0 || area.isEmpty()) return area.top;
  const RowSpan span = dirtyRows(area, dirty, rowHeight);
  const int fit = (area.height() + rowHeight - 1) / rowHeight;
  // How many rows are shown from the top row, and the first dirty one.
  int shown = 0;
  TreeListNode* node = nullptr;
  TreeListNode* top = grid.topNode();
  const int topIndex = top && grid.visibleIndexValid() ? grid.visibleIndexOf(top) : -1;
  if (topIndex >= 0) {
    shown = std::min(fit, grid.visibleCount() - topIndex);
    if (!span.empty() && span.first < shown) node = grid.nodeAtVisibleIndex(topIndex + span.first);
  } else {
    for (TreeListNode* n = top; n && shown < fit; n = grid.nextVisible(n), ++shown) {
      if (!span.empty() && shown == span.first) node = n;
    }
  }
  const int last = std::min(span.last, shown - 1);
  for (int r = span.first; node && r <= last; ++r, node = grid.nextVisible(node)) {
    paintRow(*node, Rect::fromSize(area.left, area.top + r * rowHeight, area.width(), rowHeight));
  }
  return area.top + shown * rowHeight;
}

void TreeListRowPainter::paintRow(TreeListNode& node, const Rect& rect) {
  const int firstLeft = cells_.empty() ? area_.left : cells_.front().rect.left;
  const int indent = grid_.nodeIndent(node);
  RowState row;
  row.node = &node;
  row.rect = rect;
  row.contentLeft = firstLeft + indent;
  row.focused = &node == grid_.focusedNode();
  row.highlighted =
      (node.selected() || (row.focused && rowSelect_)) && (hasFocus_ || !grid_.hideSelection());
  paintIndent(row, firstLeft, indent);
  row.images = grid_.nodeImagesWidth(node);
  if (row.images > 0) paintNodeImages(row);

  if (grid_.isGroupRow(node)) {
    paintGroupRow(row);
  } else {
    for (const HeaderCell& header : cells_) paintDataCell(row, header);
  }
  if (line_ && right_ > row.contentLeft) {
    lines_.push_back({{row.contentLeft, rect.bottom - 1}, {right_ - 1, rect.bottom - 1}});
  }
  if (row.focused && rowSelect_) paintFocusMark(row);
}

void TreeListRowPainter::paintIndent(const RowState& row, int left, int indent) {
  const int levels = indent / CustomTreeList::kIndentWidth;
  for (int level = 0; level < levels; ++level) {
    Color fill = grid_.colors().groupNodeColor;
    if (grid_.onGetLevelColor) grid_.onGetLevelColor(grid_, level, fill);
    const Rect cell{left + level * CustomTreeList::kIndentWidth, row.rect.top,
                    left + (level + 1) * CustomTreeList::kIndentWidth, row.rect.bottom};
    canvas_.fillRect(cell, fill);
    if (level == levels - 1 && grid_.isGroupRow(*row.node)) {
      CustomTreeListControl::drawExpandButton(canvas_,
                                              {cell.left + (cell.width() - kButtonSize) / 2,
                                               cell.top + (cell.height() - kButtonSize) / 2},
                                              row.node->expanded());
    }
  }
}

void TreeListRowPainter::paintNodeImages(const RowState& row) {
  const TreeListNode& node = *row.node;
  int left = row.contentLeft;
  const auto draw = [&](const ImageList* list, int width, int index) {
    const Rect slot{left, row.rect.top, left + width, row.rect.bottom};
    canvas_.fillRect(slot, grid_.color());
    left += width;
    if (!list || list->image(index).isEmpty()) return;
    const Bitmap& image = list->image(index);
    ClipScope clip(canvas_, slot);
    canvas_.drawBitmap({slot.left, slot.top + (slot.height() - line_ - image.height()) / 2}, image);
  };
  const int state = grid_.getStateIndex(node);
  if (state >= 0) draw(grid_.stateImages().get(), grid_.stateImagesWidth(), state);
  const int image = grid_.getImageIndex(node);
  const int selected = grid_.getSelectedIndex(node);
  if (image >= 0 || selected >= 0) {
    // The focused row shows its selected image, or its image when it has no
    // selected one.
    draw(grid_.images().get(), grid_.imagesWidth(),
         node.focused() && selected >= 0 ? selected : image);
  }
}

void TreeListRowPainter::paintGroupRow(const RowState& row) {
  const Rect& rect = row.rect;
  const Rect cell{row.contentLeft, rect.top, std::max(right_ - line_, row.contentLeft),
                  rect.bottom - line_};
  const TreeListColors& colors = grid_.colors();
  Color back = row.highlighted ? selBack_ : colors.groupNodeColor;
  Font rowFont = grid_.font();
  if (row.highlighted) {
    rowFont.color = selText_;
  } else if (colors.groupNodeTextColor != clNone) {
    rowFont.color = colors.groupNodeTextColor;
  }
  std::string text = grid_.groupRowText(*row.node);
  bool done = false;
  if (TreeListColumn* column = grid_.groupColumns(row.node->level()); grid_.hasCustomDraw(column)) {
    Alignment alignment = taLeftJustify;
    fonts_.use(rowFont);
    done = grid_.customDrawCell(canvas_, cell, row.node, column, row.highlighted, row.focused, text,
                                back, rowFont, alignment);
    fonts_.forget();
  }
  if (!done) {
    fonts_.use(rowFont);
    canvas_.drawTextClipped(cell, {cell.left + 2, cell.top + 1}, text, rowFont.color, back);
  }
  if (line_) lines_.push_back({{right_ - 1, rect.top}, {right_ - 1, rect.bottom - 1}});
}

void TreeListRowPainter::paintDataCell(const RowState& row, const HeaderCell& header) {
  TreeListColumn* column = header.column;
  const Rect& rect = row.rect;
  const int count = std::max(grid_.bandHeaderRowCount(grid_.columnBand(column)), 1);
  const int lineHeight = height_ / count;
  Rect cell{
      header.rect.left, rect.top + header.rowIndex * lineHeight, header.rect.right,
      header.rowIndex == count - 1 ? rect.bottom : rect.top + (header.rowIndex + 1) * lineHeight};
  if (header.bandIndex == 0 && header.colIndex == 0) cell.left = row.contentLeft + row.images;
  if (cell.right <= cell.left || !cell.intersects(dirty_)) return;
  const Rect content{cell.left, cell.top, cell.right - line_, cell.bottom - line_};
  if (line_) lines_.push_back({{cell.right - 1, cell.top}, {cell.right - 1, cell.bottom - 1}});
  const bool selected =
      row.highlighted && (rowSelect_ || column->index() == grid_.focusedColumn() || !row.focused);
  Color back = selected ? selBack_ : column->color();
  Font font = column->font();
  if (selected) font.color = selText_;
  Alignment alignment = column->alignment();
  const std::string_view stored = grid_.getNodeString(*row.node, column->index(), buffer_);
  display_.clear();
  column->getDisplayText(*row.node, stored, display_);
  if (grid_.hasCustomDraw(column)) {
    // A handler may set a font of its own.
    fonts_.use(font);
    const bool done = grid_.customDrawCell(canvas_, content, row.node, column, selected,
                                           row.focused, display_, back, font, alignment);
    fonts_.forget();
    if (done) return;
  }
  drawCellText(content, display_, alignment, font, back);
}

void TreeListRowPainter::drawCellText(const Rect& content, const std::string& text,
                                      Alignment alignment, const Font& font, Color back) {
  fonts_.use(font);
  if (grid_.options().has(goDrawEndEllipsis) || !isPureColor(back)) {
    // Filled, then the text drawn over the fill, cut with an ellipsis when
    // it does not fit.
    const auto draw = [&](Canvas& target, const Rect& rect) {
      target.fillRect(rect, back);
      TextFormat format;
      format.alignment = alignment;
      format.flags = tfSingleLine | tfNoPrefix | tfEndEllipsis;
      target.drawFormattedText({rect.left + 2, rect.top + 1, rect.right - 2, rect.bottom}, text,
                               format, font.color);
    };
    drawComposed(canvas_, content, grid_.optionsEx().has(goUseBitmap), draw);
    return;
  }
  int x = content.left + 2;
  if (alignment != taLeftJustify) {
    const int width = canvas_.textWidth(text);
    x = alignment == taRightJustify ? content.right - 2 - width
                                    : content.left + (content.width() - width) / 2;
  }
  canvas_.drawTextClipped(content, {x, content.top + 1}, text, font.color, back);
}

void TreeListRowPainter::paintFocusMark(const RowState& row) {
  const Rect mark{row.contentLeft, row.rect.top, right_ - line_, row.rect.bottom - line_};
  if (hasFocus_) {
    if (!grid_.options().has(goHideFocusRect)) canvas_.drawFocusRect(mark);
    return;
  }
  // Without the focus an inverted frame, which a header drag's own
  // inverting would garble.
  if (grid_.mouseState() == MouseState::HeaderDragging) return;
  canvas_.invertRect({mark.left, mark.top, mark.right, mark.top + 1});
  canvas_.invertRect({mark.left, mark.bottom - 1, mark.right, mark.bottom});
  canvas_.invertRect({mark.left, mark.top + 1, mark.left + 1, mark.bottom - 1});
  canvas_.invertRect({mark.right - 1, mark.top + 1, mark.right, mark.bottom - 1});
}

void TreeListRowPainter::fillUncovered(int rowsBottom) {
  const Color back = grid_.color();
  if (right_ < area_.right) {
    canvas_.fillRect(
        {std::max(right_, area_.left), area_.top, area_.right, std::min(rowsBottom, area_.bottom)},
        back);
  }
  if (rowsBottom < area_.bottom)
    canvas_.fillRect({area_.left, rowsBottom, area_.right, area_.bottom}, back);
}

}  // namespace morvel
