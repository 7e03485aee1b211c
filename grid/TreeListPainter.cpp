// Painting the grid, region by region from the top: the group panel, the
// band and header panels, the indicator column and the rows with their
// indents, cells, grid lines and focus mark. Each region is skipped when it
// lies outside the area being repainted.
#include <algorithm>

#include "grid/CustomTreeListControl.h"
#include "grid/TreeListImages.h"
#include "platform/Edges.h"

namespace morvel {
namespace {

constexpr int kSortBoxWidth = 16;
constexpr int kButtonSize = 12;

// The sort mark: a triangle 8 wide and 7 tall centred in its box, its edges
// facing up-left in the shadow colour and those facing down-right in the
// highlight colour, so that it looks pressed into the header.
void drawSortArrow(Canvas& canvas, const Rect& box, TreeListColumnSort sorted) {
  const int left = box.left + (box.width() - 8) / 2;
  const int right = left + 7;
  const int top = box.top + (box.height() - 7) / 2;
  const int bottom = top + 6;
  if (sorted == csUp) {
    canvas.drawLine({left, bottom}, {left + 3, top}, clBtnShadow);
    canvas.drawLine({left + 4, top}, {right, bottom}, clBtnHighlight);
    canvas.drawLine({left, bottom}, {right, bottom}, clBtnHighlight);
  } else {
    canvas.drawLine({left, top}, {right, top}, clBtnShadow);
    canvas.drawLine({left, top}, {left + 3, bottom}, clBtnShadow);
    canvas.drawLine({left + 4, bottom}, {right, top}, clBtnHighlight);
  }
}

// Sets the canvas font only when it changes: fonts are costly to select.
class FontKeeper {
 public:
  explicit FontKeeper(Canvas& canvas) : canvas_(canvas) {}
  void use(const Font& font) {
    if (set_ && current_ == font) return;
    canvas_.setFont(font);
    current_ = font;
    set_ = true;
  }

 private:
  Canvas& canvas_;
  Font current_;
  bool set_ = false;
};

}  // namespace

std::string CustomTreeListControl::groupRowText(const TreeListNode& node) const {
  return nodeString(node, 0);
}

IndicatorImage CustomTreeListControl::indicatorImage(const TreeListNode& node) const {
  if (node.focused()) return node.selected() && multiSelect() ? iiMultiArrow : iiArrow;
  return node.selected() ? iiMultiDot : iiNone;
}

bool CustomTreeListControl::customDrawCell(Canvas& canvas, const Rect& rect, TreeListNode* node,
                                           TreeListColumn* column, bool selected, bool focused,
                                           std::string& text, Color& color, Font& font,
                                           Alignment& alignment) {
  if (!onCustomDrawCell || !column || isGroupRow(*node)) return false;
  bool done = false;
  onCustomDrawCell(*this, canvas, rect, node, column, selected, focused, text, color, font,
                   alignment, done);
  return done;
}

void CustomTreeListControl::drawExpandButton(Canvas& canvas, Point origin, bool expanded) {
  const Rect box = Rect::fromSize(origin.x, origin.y, kButtonSize, kButtonSize);
  const Rect face = drawEdge(canvas, box, edgeRaised);
  canvas.fillRect(face, clBtnFace);
  // A minus, and for a collapsed row a plus: bars two pixels thick.
  canvas.fillRect({origin.x + 3, origin.y + 5, origin.x + 9, origin.y + 7}, clBtnText);
  if (!expanded)
    canvas.fillRect({origin.x + 5, origin.y + 3, origin.x + 7, origin.y + 9}, clBtnText);
}

void CustomTreeListControl::drawHeaderCell(Canvas& canvas, const Rect& rect, std::string_view text,
                                           Alignment alignment, TreeListColumnSort sorted,
                                           bool pressed, Color face, bool wordWrap) const {
  Rect inner = rect;
  if (lookAndFeel_ == lfStandard) {
    if (pressed) {
      inner = drawEdge(canvas, inner, bdrSunkenOuter, sdLeft | sdTop);
    } else {
      inner = drawEdge(canvas, inner, bdrRaisedOuter, sdRight | sdBottom);
      inner = drawEdge(canvas, inner, bdrRaisedInner);
    }
  } else {
    inner = drawEdge(canvas, inner, pressed ? bdrSunkenOuter : bdrRaisedInner);
  }
  canvas.fillRect(inner, face);
  if (inner.isEmpty()) return;
  Rect content = pressed ? inner.translated(1, 1).intersected(rect) : inner;
  if (sorted != csNone && content.width() > 15) {
    drawSortArrow(canvas,
                  {content.right - kSortBoxWidth, content.top, content.right, content.bottom},
                  sorted);
    content.right -= kSortBoxWidth;
  }
  if (text.empty()) return;
  TextFormat format;
  format.alignment = alignment;
  format.layout = wordWrap ? tlTop : tlCenter;
  format.flags = tfNoPrefix | (wordWrap ? tfWordBreak : tfSingleLine);
  canvas.drawFormattedText(content.inflated(-2, 0), text, format, canvas.font().color);
}

void CustomTreeListControl::paint(Canvas& canvas, const Rect& dirty) {
  if (!panelStrip_.isEmpty()) {
    // In the middle of a panel slide only the uncovered strip is painted.
    canvas.fillRect(panelStrip_.intersected(dirty), panelStripColor_);
    return;
  }
  const std::vector<HeaderCell> cells = headerCells();

  const Rect group = groupPanelRect();
  if (!group.isEmpty() && group.intersects(dirty)) {
    ClipScope clip(canvas, group);
    paintGroupPanel(canvas, group, dirty);
  }

  const Rect band = bandPanelRect();
  if (!band.isEmpty() && (band.intersects(dirty) || bandCornerRect().intersects(dirty))) {
    canvas.setFont(bandFont_);
    drawHeaderCell(canvas, bandCornerRect(), {}, taLeftJustify, csNone,
                   mouseState_ == MouseState::BandCornerPressed && pressedDrawn_, bandColor);
    ClipScope clip(canvas, band);
    drawHeaderCell(canvas, band, {}, taLeftJustify, csNone, false, bandColor);
    for (int b = 0; b < visibleBandCount(); ++b) {
      const Rect cell = bandHeaderRect(b);
      if (cell.isEmpty()) continue;
      const TreeListBand* item = visibleBand(b);
      drawHeaderCell(canvas, cell, item->caption(), item->alignment(), csNone,
                     item == pressedBand_ && pressedDrawn_, bandColor);
    }
  }

  const Rect header = headerPanelRect();
  if (!header.isEmpty() && (header.intersects(dirty) || headerCornerRect().intersects(dirty))) {
    paintHeaderPanel(canvas, dirty, cells);
  }

  const Rect indicator = indicatorRect();
  if (!indicator.isEmpty()) {
    if (indicator.intersects(dirty)) paintIndicators(canvas, dirty);
    canvas.excludeClip(indicator);
  }

  const Rect rows = rowsAreaRect();
  if (!rows.isEmpty() && rows.intersects(dirty)) paintRows(canvas, dirty, cells);

  // The sizing line inverts what lies under it, over the headers and rows.
  if (const Rect line = sizingLineRect(); !line.isEmpty()) canvas.invertRect(line);
}

void CustomTreeListControl::focusChanged(bool) {
  // The selection colours follow the focus.
  if (TreeListNode* node = focusedNode()) invalidateRow(node);
  for (int i = 0; i < selectedCount(); ++i) invalidateRow(selectedNodes(i));
}

void CustomTreeListControl::paintHeaderPanel(Canvas& canvas, const Rect& dirty,
                                             const std::vector<HeaderCell>& cells) {
  canvas.setFont(headerFont_);
  const Rect corner = headerCornerRect();
  if (!corner.isEmpty()) {
    drawHeaderCell(canvas, corner, {}, taLeftJustify, csNone,
                   mouseState_ == MouseState::HeaderCornerPressed && pressedDrawn_, headerColor);
  }
  const Rect panel = headerPanelRect();
  ClipScope clip(canvas, panel);
  // Right of the last header (and with no columns at all) the panel is an
  // empty raised strip.
  const int right = columnsRight();
  if (right < panel.right) {
    drawHeaderCell(canvas, {std::max(right, panel.left), panel.top, panel.right, panel.bottom}, {},
                   taLeftJustify, csNone, false, headerColor);
  }
  for (const HeaderCell& cell : cells) {
    if (cell.rect.intersects(dirty) && cell.rect.intersects(panel)) paintHeader(canvas, cell);
  }
}

void CustomTreeListControl::paintHeader(Canvas& canvas, const HeaderCell& cell) {
  TreeListColumn* column = cell.column;
  std::string text = column->disableCaption() ? std::string() : column->caption();
  Color face = headerColor;
  Font font = headerFont_;
  Alignment alignment = column->headerAlignment();
  TreeListColumnSort sorted = column->sorted();
  const bool pressed = column == pressedColumn_ && pressedDrawn_;
  if (onCustomDrawColumnHeader) {
    bool done = false;
    canvas.setFont(font);
    onCustomDrawColumnHeader(*this, column, canvas, cell.rect, text, face, font, alignment, sorted,
                             done);
    if (done) return;
  }
  const bool wordWrap = column->headerMaxLineCount() > 1 || headerPanelRowCount() > 1;
  // Composed off-screen and copied in one piece, so that it does not flicker.
  const Size size{cell.rect.width(), cell.rect.height()};
  std::unique_ptr<OffscreenCanvas> off =
      size.width > 0 && size.height > 0 ? canvas.createOffscreen(size) : nullptr;
  if (!off) {
    canvas.setFont(font);
    drawHeaderCell(canvas, cell.rect, text, alignment, sorted, pressed, face, wordWrap);
    return;
  }
  off->setFont(font);
  drawHeaderCell(*off, {0, 0, size.width, size.height}, text, alignment, sorted, pressed, face,
                 wordWrap);
  canvas.drawOffscreen({cell.rect.left, cell.rect.top}, *off);
}

void CustomTreeListControl::paintIndicators(Canvas& canvas, const Rect& dirty) {
  const Rect area = indicatorRect();
  ClipScope clip(canvas, area);
  const int height = rowHeight();
  int y = area.top;
  if (!locked()) {
    for (TreeListNode* node = topNode(); node && y < area.bottom; node = nextVisible(node)) {
      const Rect cell{area.left, y, area.right, y + height};
      y += height;
      if (!cell.intersects(dirty)) continue;
      drawHeaderCell(canvas, cell, {}, taLeftJustify, csNone, false, headerColor);
      const Bitmap& image = indicatorBitmap(indicatorImage(*node));
      if (!image.isEmpty()) {
        canvas.drawBitmap({cell.left + (cell.width() - image.width()) / 2,
                           cell.top + (cell.height() - image.height()) / 2},
                          image);
      }
    }
  }
  if (y < area.bottom) canvas.fillRect({area.left, y, area.right, area.bottom}, color());
}

void CustomTreeListControl::drawIndentAndButton(Canvas& canvas, const TreeListNode& node,
                                                const Rect& row, int left, int indent) {
  const int levels = indent / kIndentWidth;
  for (int level = 0; level < levels; ++level) {
    Color fill = groupNodeColor;
    if (onGetLevelColor) onGetLevelColor(*this, level, fill);
    const Rect cell{left + level * kIndentWidth, row.top, left + (level + 1) * kIndentWidth,
                    row.bottom};
    canvas.fillRect(cell, fill);
    if (level == levels - 1 && isGroupRow(node)) {
      drawExpandButton(canvas,
                       {cell.left + (cell.width() - kButtonSize) / 2,
                        cell.top + (cell.height() - kButtonSize) / 2},
                       node.expanded());
    }
  }
}

void CustomTreeListControl::paintRows(Canvas& canvas, const Rect& dirty,
                                      const std::vector<HeaderCell>& cells) {
  const Rect area = rowsAreaRect();
  ClipScope clip(canvas, area);
  const int height = rowHeight();
  const int right = columnsRight();
  const bool grid = showGrid_;
  const int line = grid ? 1 : 0;
  const bool focused = host().hasFocus();
  const Color lineColor = gridLineColor == clNone ? clBtnShadow : gridLineColor;
  FontKeeper fonts(canvas);
  std::vector<LineSegment> lines;
  std::string buffer;
  std::string display;
  int y = area.top;

  if (!locked()) {
    for (TreeListNode* node = topNode(); node && y < area.bottom; node = nextVisible(node)) {
      const Rect row{area.left, y, area.right, y + height};
      y += height;
      if (!row.intersects(dirty)) continue;
      const int firstLeft = cells.empty() ? area.left : cells.front().rect.left;
      const int indent = nodeIndent(*node);
      drawIndentAndButton(canvas, *node, {row.left, row.top, row.right, row.bottom}, firstLeft,
                          indent);
      const bool isFocused = node == focusedNode();
      const bool highlighted =
          (node->selected() || (isFocused && rowSelect())) && (focused || !hideSelection_);
      const Color selBack = focused ? highlightColor : hideSelectionColor;
      const Color selText = focused ? highlightTextColor : hideSelectionTextColor;
      const int contentLeft = firstLeft + indent;

      if (isGroupRow(*node)) {
        const Rect cell{contentLeft, row.top, std::max(right - line, contentLeft),
                        row.bottom - line};
        Color back = highlighted ? selBack : groupNodeColor;
        Font rowFont = font();
        if (highlighted) {
          rowFont.color = selText;
        } else if (groupNodeTextColor != clNone) {
          rowFont.color = groupNodeTextColor;
        }
        std::string text = groupRowText(*node);
        Alignment alignment = taLeftJustify;
        fonts.use(rowFont);
        if (!customDrawCell(canvas, cell, node, groupColumns(node->level()), highlighted, isFocused,
                            text, back, rowFont, alignment)) {
          fonts.use(rowFont);
          canvas.drawTextClipped(cell, {cell.left + 2, cell.top + 1}, text, rowFont.color, back);
        }
        if (grid) lines.push_back({{right - 1, row.top}, {right - 1, row.bottom - 1}});
      } else {
        for (const HeaderCell& hc : cells) {
          TreeListColumn* column = hc.column;
          const int count = std::max(bandHeaderRowCount(columnBand(column)), 1);
          const int lineHeight = height / count;
          Rect cell{
              hc.rect.left, row.top + hc.rowIndex * lineHeight, hc.rect.right,
              hc.rowIndex == count - 1 ? row.bottom : row.top + (hc.rowIndex + 1) * lineHeight};
          if (hc.bandIndex == 0 && hc.colIndex == 0) cell.left = contentLeft;
          if (cell.right <= cell.left || !cell.intersects(dirty)) continue;
          const Rect content{cell.left, cell.top, cell.right - line, cell.bottom - line};
          if (grid) {
            lines.push_back({{cell.right - 1, cell.top}, {cell.right - 1, cell.bottom - 1}});
          }
          const bool cellSelected =
              highlighted && (rowSelect() || column->index() == focusedColumn() || !isFocused);
          Color back = cellSelected ? selBack : column->color();
          Font cellFont = column->font();
          if (cellSelected) cellFont.color = selText;
          Alignment alignment = column->alignment();
          const std::string_view stored = getNodeString(*node, column->index(), buffer);
          display.clear();
          column->getDisplayText(*node, stored, display);
          fonts.use(cellFont);
          if (customDrawCell(canvas, content, node, column, cellSelected, isFocused, display, back,
                             cellFont, alignment)) {
            continue;
          }
          fonts.use(cellFont);
          if (options().has(goDrawEndEllipsis)) {
            canvas.fillRect(content, back);
            TextFormat format;
            format.alignment = alignment;
            format.flags = tfSingleLine | tfNoPrefix | tfEndEllipsis;
            canvas.drawFormattedText(
                {content.left + 2, content.top + 1, content.right - 2, content.bottom}, display,
                format, cellFont.color);
            continue;
          }
          int x = content.left + 2;
          if (alignment != taLeftJustify) {
            const int width = canvas.textWidth(display);
            x = alignment == taRightJustify ? content.right - 2 - width
                                            : content.left + (content.width() - width) / 2;
          }
          canvas.drawTextClipped(content, {x, content.top + 1}, display, cellFont.color, back);
        }
      }
      if (grid && right > contentLeft) {
        lines.push_back({{contentLeft, row.bottom - 1}, {right - 1, row.bottom - 1}});
      }
      if (isFocused && rowSelect()) {
        const Rect mark{contentLeft, row.top, right - line, row.bottom - line};
        if (focused) {
          if (!options().has(goHideFocusRect)) canvas.drawFocusRect(mark);
        } else if (mouseState_ != MouseState::HeaderDragging) {
          canvas.invertRect({mark.left, mark.top, mark.right, mark.top + 1});
          canvas.invertRect({mark.left, mark.bottom - 1, mark.right, mark.bottom});
          canvas.invertRect({mark.left, mark.top + 1, mark.left + 1, mark.bottom - 1});
          canvas.invertRect({mark.right - 1, mark.top + 1, mark.right, mark.bottom - 1});
        }
      }
    }
  }
  if (!lines.empty()) canvas.drawLines(lines, lineColor);
  // What no row covers: right of the columns and below the last row.
  if (right < area.right) {
    canvas.fillRect({std::max(right, area.left), area.top, area.right, std::min(y, area.bottom)},
                    color());
  }
  if (y < area.bottom) canvas.fillRect({area.left, y, area.right, area.bottom}, color());
}

}  // namespace morvel
