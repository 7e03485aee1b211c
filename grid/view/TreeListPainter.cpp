// Painting the grid, region by region from the top: the group panel (its
// controller draws it), the band and header panels, the indicator column
// and the rows area (TreeListRowPainter). Each region is skipped when it
// lies outside the area being repainted.
#include <algorithm>

#include "grid/view/CustomTreeListControl.h"
#include "grid/view/TreeListImages.h"
#include "grid/view/TreeListPaintTools.h"
#include "grid/view/TreeListRowPainter.h"
#include "platform/Edges.h"

namespace morvel {
namespace {

constexpr int kSortBoxWidth = 16;
constexpr int kButtonSize = 12;
// Between a header's glyph and its text.
constexpr int kGlyphGap = 2;

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
  if (const Rect& strip = groupPanel_->strip(); !strip.isEmpty()) {
    // In the middle of a panel slide only the uncovered strip is painted.
    canvas.fillRect(strip.intersected(dirty), groupPanel_->stripColor());
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
  if (!rows.isEmpty() && rows.intersects(dirty))
    TreeListRowPainter(*this, canvas, cells).paint(dirty);
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
                 mouseState() == MouseState::BandCornerPressed && pressedDrawn(),
                 colors_.bandColor);
  const Rect panel = bandPanelRect();
  ClipScope clip(canvas, panel);
  drawHeaderCell(canvas, panel, {}, taLeftJustify, csNone, false, colors_.bandColor);
  for (int b = 0; b < static_cast<int>(extents.size()); ++b) {
    const BandExtent& extent = extents[static_cast<std::size_t>(b)];
    if (extent.right <= extent.left) continue;
    const TreeListBand* item = visibleBand(b);
    const bool pressed = item == pressedBand() && pressedDrawn();
    drawHeaderCell(canvas, {extent.left, panel.top, extent.right, panel.bottom}, item->caption(),
                   item->alignment(), csNone, pressed, colors_.bandColor);
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
    canvas.fillRect(line.intersected(area), colors_.fixedBandLineColor);
  }
}

void CustomTreeListControl::paintHeaderPanel(Canvas& canvas, const Rect& dirty,
                                             const std::vector<HeaderCell>& cells) {
  canvas.setFont(headerFont_);
  const Rect corner = headerCornerRect();
  if (!corner.isEmpty()) {
    drawHeaderCell(canvas, corner, {}, taLeftJustify, csNone,
                   mouseState() == MouseState::HeaderCornerPressed && pressedDrawn(),
                   colors_.headerColor);
  }
  const Rect panel = headerPanelRect();
  ClipScope clip(canvas, panel);
  // Right of the last header (and with no columns at all) the panel is an
  // empty raised strip.
  const int right = columnsRight();
  if (right < panel.right) {
    drawHeaderCell(canvas, {std::max(right, panel.left), panel.top, panel.right, panel.bottom}, {},
                   taLeftJustify, csNone, false, colors_.headerColor);
  }
  for (const HeaderCell& cell : cells) {
    if (cell.rect.intersects(dirty) && cell.rect.intersects(panel)) paintHeader(canvas, cell);
  }
}

void CustomTreeListControl::paintHeader(Canvas& canvas, const HeaderCell& cell) {
  TreeListColumn* column = cell.column;
  std::string text = column->disableCaption() ? std::string() : column->caption();
  Color face = colors_.headerColor;
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
  const int bottom = TreeListRowPainter::forEachDirtyRow(
      *this, area, rowHeight(), dirty, [&](TreeListNode& node, const Rect& cell) {
        drawHeaderCell(canvas, cell, {}, taLeftJustify, csNone, false, colors_.headerColor);
        const Bitmap& image = indicatorBitmap(indicatorImage(node));
        if (!image.isEmpty()) {
          canvas.drawBitmap({cell.left + (cell.width() - image.width()) / 2,
                             cell.top + (cell.height() - image.height()) / 2},
                            image);
        }
      });
  if (bottom < area.bottom) canvas.fillRect({area.left, bottom, area.right, area.bottom}, color());
}

void CustomTreeListControl::paintGroupPanel(Canvas& canvas, const Rect& panel, const Rect& dirty) {
  groupPanel_->paint(canvas, panel, dirty);
}

void CustomTreeListControl::setColors(const TreeListColors& colors) {
  if (colors == colors_) return;
  colors_ = colors;
  invalidate();
}

}  // namespace morvel
