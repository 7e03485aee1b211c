// Painting the grid, region by region from the top: the group panel, the
// band and header panels, the indicator column and the rows with their
// indents, cells, grid lines and focus mark. Each region is skipped when it
// lies outside the area being repainted.
#include <algorithm>

#include "grid/view/CustomTreeListControl.h"
#include "grid/view/TreeListImages.h"
#include "platform/Edges.h"

namespace morvel {
namespace {

constexpr int kSortBoxWidth = 16;
constexpr int kButtonSize = 12;
// Between a header's glyph and its text.
constexpr int kGlyphGap = 2;

// Draws a picture of the rectangle's size through an off-screen surface and
// copies it in one piece, so that it never shows half drawn; draw gets the
// surface and the rectangle to fill on it. Without a surface (not wanted, an
// empty rectangle, a canvas that cannot make one) it draws straight onto the
// canvas. Either way it draws with the canvas's current font.
template <class Draw>
void drawComposed(Canvas& canvas, const Rect& rect, bool offscreen, const Draw& draw) {
  std::unique_ptr<OffscreenCanvas> off = offscreen && !rect.isEmpty()
                                             ? canvas.createOffscreen({rect.width(), rect.height()})
                                             : nullptr;
  if (!off) {
    draw(canvas, rect);
    return;
  }
  off->setFont(canvas.font());
  draw(*off, Rect{0, 0, rect.width(), rect.height()});
  canvas.drawOffscreen({rect.left, rect.top}, *off);
}

// Whether the device shows the colour as it is. On a palette device a colour
// outside the palette is dithered when it fills an area but drawn in the
// nearest solid colour behind opaque text, so such cells are filled first
// and their text drawn over the fill. Every surface this program draws on
// holds true colour, where each RGB value and each system colour is shown as
// it is: every colour counts as pure.
constexpr bool isPureColor(Color) { return true; }

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
  // After someone else may have set a font: the next use sets it again.
  void forget() { set_ = false; }

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

bool CustomTreeListControl::hasCustomDraw(const TreeListColumn* column) const {
  return onCustomDrawCell || (column && column->onCustomDrawCell);
}

bool CustomTreeListControl::customDrawCell(Canvas& canvas, const Rect& rect, TreeListNode* node,
                                           TreeListColumn* column, bool selected, bool focused,
                                           std::string& text, Color& color, Font& font,
                                           Alignment& alignment) {
  // Group rows are drawn by the painter alone here.
  if (!column || isGroupRow(*node)) return false;
  // The grid's handler first, then the column's, unless the grid's drew
  // the cell itself.
  bool done = false;
  if (onCustomDrawCell) {
    onCustomDrawCell(*this, canvas, rect, node, column, selected, focused, text, color, font,
                     alignment, done);
  }
  if (!done && column->onCustomDrawCell) {
    column->onCustomDrawCell(*column, canvas, rect, node, selected, focused, text, color, font,
                             alignment, done);
  }
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
                                           bool pressed, Color face, bool wordWrap,
                                           const Bitmap* glyph) const {
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
  Rect textArea = content.inflated(-2, 0);
  if (glyph && !glyph->isEmpty()) {
    ClipScope clip(canvas, content);
    canvas.drawBitmap({textArea.left, content.top + (content.height() - glyph->height()) / 2},
                      *glyph);
    textArea.left += glyph->width() + kGlyphGap;
  }
  if (text.empty() || textArea.isEmpty()) return;
  TextFormat format;
  format.alignment = alignment;
  format.layout = wordWrap ? tlTop : tlCenter;
  format.flags = tfNoPrefix | (wordWrap ? tfWordBreak : tfSingleLine);
  canvas.drawFormattedText(textArea, text, format, canvas.font().color);
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

  const std::vector<BandExtent> extents = bandExtents();
  const Rect band = bandPanelRect();
  if (!band.isEmpty() && (band.intersects(dirty) || bandCornerRect().intersects(dirty))) {
    paintBandPanel(canvas, extents);
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
  paintFixedBandLines(canvas, Rect{rows.left, band.top, rows.right, rows.bottom}.intersected(dirty),
                      extents);

  // The sizing line inverts what lies under it, over the headers and rows.
  if (const Rect line = sizingLineRect(); !line.isEmpty()) canvas.invertRect(line);
}

void CustomTreeListControl::focusChanged(bool) {
  // The selection colours follow the focus.
  if (TreeListNode* node = focusedNode()) invalidateRow(node);
  for (int i = 0; i < selectedCount(); ++i) invalidateRow(selectedNodes(i));
}

void CustomTreeListControl::paintBandPanel(Canvas& canvas, const std::vector<BandExtent>& extents) {
  canvas.setFont(bandFont_);
  drawHeaderCell(canvas, bandCornerRect(), {}, taLeftJustify, csNone,
                 mouseState() == MouseState::BandCornerPressed && pressedDrawn(), bandColor);
  const Rect panel = bandPanelRect();
  ClipScope clip(canvas, panel);
  drawHeaderCell(canvas, panel, {}, taLeftJustify, csNone, false, bandColor);
  for (int b = 0; b < static_cast<int>(extents.size()); ++b) {
    const BandExtent& extent = extents[static_cast<std::size_t>(b)];
    if (extent.right <= extent.left) continue;
    const TreeListBand* item = visibleBand(b);
    const bool pressed = item == pressedBand() && pressedDrawn();
    drawHeaderCell(canvas, {extent.left, panel.top, extent.right, panel.bottom}, item->caption(),
                   item->alignment(), csNone, pressed, bandColor);
  }
}

void CustomTreeListControl::paintFixedBandLines(Canvas& canvas, const Rect& area,
                                                const std::vector<BandExtent>& extents) {
  if (area.isEmpty() || fixedBandLineWidth <= 0) return;
  for (const BandExtent& extent : extents) {
    // The line lies inside the band, along the edge the other bands scroll
    // under.
    Rect line{0, area.top, 0, area.bottom};
    if (extent.fixedLeft) {
      line.left = std::max(extent.right - fixedBandLineWidth, extent.left);
      line.right = extent.right;
    } else if (extent.fixedRight) {
      line.left = extent.left;
      line.right = std::min(extent.left + fixedBandLineWidth, extent.right);
    } else {
      continue;
    }
    canvas.fillRect(line.intersected(area), fixedBandLineColor);
  }
}

void CustomTreeListControl::paintHeaderPanel(Canvas& canvas, const Rect& dirty,
                                             const std::vector<HeaderCell>& cells) {
  canvas.setFont(headerFont_);
  const Rect corner = headerCornerRect();
  if (!corner.isEmpty()) {
    drawHeaderCell(canvas, corner, {}, taLeftJustify, csNone,
                   mouseState() == MouseState::HeaderCornerPressed && pressedDrawn(), headerColor);
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
  const bool pressed = column == pressedColumn() && pressedDrawn();
  if (onCustomDrawColumnHeader || column->onCustomDrawColumnHeader) {
    // The grid's handler first, then the column's, unless the grid's drew
    // the header itself.
    bool done = false;
    canvas.setFont(font);
    if (onCustomDrawColumnHeader) {
      onCustomDrawColumnHeader(*this, column, canvas, cell.rect, text, face, font, alignment,
                               sorted, done);
    }
    if (!done && column->onCustomDrawColumnHeader) {
      column->onCustomDrawColumnHeader(*column, canvas, cell.rect, text, face, font, alignment,
                                       sorted, done);
    }
    if (done) return;
  }
  const bool wordWrap = column->headerMaxLineCount() > 1 || headerPanelRowCount() > 1;
  canvas.setFont(font);
  drawComposed(canvas, cell.rect, true, [&](Canvas& target, const Rect& rect) {
    drawHeaderCell(target, rect, text, alignment, sorted, pressed, face, wordWrap,
                   &column->headerGlyph());
  });
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

void CustomTreeListControl::drawNodeImages(Canvas& canvas, const TreeListNode& node,
                                           const Rect& row, int left) {
  const int line = showGrid_ ? 1 : 0;
  const auto draw = [&](const ImageList* list, int width, int index) {
    const Rect slot{left, row.top, left + width, row.bottom};
    canvas.fillRect(slot, color());
    left += width;
    if (!list || list->image(index).isEmpty()) return;
    const Bitmap& image = list->image(index);
    ClipScope clip(canvas, slot);
    canvas.drawBitmap({slot.left, slot.top + (slot.height() - line - image.height()) / 2}, image);
  };
  const int state = getStateIndex(node);
  if (state >= 0) draw(stateImages_.get(), stateImagesWidth(), state);
  const int image = getImageIndex(node);
  const int selected = getSelectedIndex(node);
  if (image >= 0 || selected >= 0) {
    // The focused row shows its selected image, or its image when it has no
    // selected one.
    draw(images_.get(), imagesWidth(), node.focused() && selected >= 0 ? selected : image);
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
      const int images = nodeImagesWidth(*node);
      if (images > 0) drawNodeImages(canvas, *node, row, contentLeft);

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
        bool done = false;
        if (TreeListColumn* column = groupColumns(node->level()); hasCustomDraw(column)) {
          Alignment alignment = taLeftJustify;
          fonts.use(rowFont);
          done = customDrawCell(canvas, cell, node, column, highlighted, isFocused, text, back,
                                rowFont, alignment);
          fonts.forget();
        }
        if (!done) {
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
          if (hc.bandIndex == 0 && hc.colIndex == 0) cell.left = contentLeft + images;
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
          if (hasCustomDraw(column)) {
            // A handler may set a font of its own.
            fonts.use(cellFont);
            const bool done = customDrawCell(canvas, content, node, column, cellSelected, isFocused,
                                             display, back, cellFont, alignment);
            fonts.forget();
            if (done) continue;
          }
          fonts.use(cellFont);
          if (options().has(goDrawEndEllipsis) || !isPureColor(back)) {
            // Filled, then the text drawn over the fill, cut with an ellipsis
            // when it does not fit.
            const auto draw = [&](Canvas& target, const Rect& rect) {
              target.fillRect(rect, back);
              TextFormat format;
              format.alignment = alignment;
              format.flags = tfSingleLine | tfNoPrefix | tfEndEllipsis;
              target.drawFormattedText({rect.left + 2, rect.top + 1, rect.right - 2, rect.bottom},
                                       display, format, cellFont.color);
            };
            drawComposed(canvas, content, optionsEx().has(goUseBitmap), draw);
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
        } else if (mouseState() != MouseState::HeaderDragging) {
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
