// Sizing with the mouse: the line that follows the pointer within its
// limits while a column, a band, a panel or the rows are sized, what the
// release applies, and the double click on an edge that fits instead.
#include <algorithm>

#include "grid/view/CustomTreeListControl.h"

namespace morvel {

using mouse::SizingKind;

// --- Fitting ----------------------------------------------------------------------------

void CustomTreeListControl::columnBestFit(TreeListColumn* column) { applyBestFit(column); }

void CustomTreeListControl::bandBestFit(TreeListBand* band) {
  if (!band) return;
  std::vector<TreeListColumn*> targets;
  for (int i = 0; i < columnCount(); ++i) {
    TreeListColumn* c = columns(i);
    if (c->visible() && columnBand(c) == band) targets.push_back(c);
  }
  if (targets.empty()) return;
  UpdateLock lock(*this);
  fitColumns(targets);
  // A band with a width of its own takes that of its widest header row.
  int widest = 0;
  for (int r = 0; r < bandHeaderRowCount(band); ++r) {
    int sum = 0;
    for (int p = 0; p < rowColumnCount(band, r); ++p) sum += columnAt(band, r, p)->width();
    widest = std::max(widest, sum);
  }
  if (band->sizable() && widest > 0) band->setWidth(widest);
}

// --- The line ----------------------------------------------------------------------------

Rect CustomTreeListControl::sizingLineRect() const {
  // Columns and bands are sized along a vertical line (2 pixels for bands)
  // from their panel down through the rows; panels and rows along a
  // horizontal one across the grid.
  const auto* sizing = std::get_if<mouse::Sizing>(&mouse_);
  if (!sizing) return {};
  const int bottom = rowsAreaRect().bottom;
  const int line = sizing->line;
  switch (sizing->kind) {
    case SizingKind::Column:
      return {line, headerPanelRect().top, line + 1, bottom};
    case SizingKind::Band:
      return {line, bandPanelRect().top, line + 2, bottom};
    case SizingKind::BandPanel:
    case SizingKind::HeaderPanel:
    case SizingKind::Row:
      break;
  }
  return {0, line, host().clientSize().width, line + 1};
}

void CustomTreeListControl::invalidateSizingLine() {
  if (const Rect line = sizingLineRect(); !line.isEmpty()) invalidateRect(line);
}

std::pair<int, int> CustomTreeListControl::sizingLimits(const mouse::Sizing& sizing) const {
  const int clientRight = host().clientSize().width - 1;
  const int clientBottom = host().clientSize().height - 1;
  const auto limits = [](int low, int high) { return std::pair{low, std::max(low, high)}; };
  switch (sizing.kind) {
    case SizingKind::Band: {
      int low = sizing.origin + bandMinWidth(sizing.band);
      if (bandVisibleIndex(sizing.band) == 0) low += groupIndentWidth();
      return limits(low, optionsEx().has(goFullSizing) ? 100000 : clientRight);
    }
    // A panel keeps one row, a row its natural height.
    case SizingKind::BandPanel:
      return limits(sizing.origin + bandLineHeight() + headerChrome() - 1, clientBottom);
    case SizingKind::HeaderPanel:
      return limits(sizing.origin + metrics().headerRowHeight - 1, clientBottom);
    case SizingKind::Row:
      return limits(sizing.origin + metrics().naturalRowHeight - 1, clientBottom);
    case SizingKind::Column:
      break;
  }
  const Rect cell = headerCellRect(sizing.column);
  int low = cell.left + sizing.column->minWidth();
  if (isFirstColumn(sizing.column)) low += groupIndentWidth();
  int high = clientRight;
  if (optionsEx().has(goFullSizing)) {
    high = 100000;
  } else if (!optionsEx().has(goBandHeaderWidth) && !defaultLayout()) {
    // The band's right edge: the right of its last header.
    const int band = bandVisibleIndex(columnBand(sizing.column));
    high = cell.right;
    for (const HeaderCell& c : headerCells()) {
      if (c.bandIndex == band) high = std::max(high, c.rect.right);
    }
  }
  return limits(low, high);
}

int CustomTreeListControl::bandLineHeight() const {
  return std::max((metrics().bandRowHeight - headerChrome()) / bandRowCount(), 1);
}

void CustomTreeListControl::startSizing(mouse::Sizing sizing, Point p) {
  const auto [low, high] = sizingLimits(sizing);
  sizing.start = sizing.line = std::clamp(sizing.vertical() ? p.x : p.y, low, high);
  mouse_ = sizing;
  host().setMouseCapture(true);
  invalidateSizingLine();
}

void CustomTreeListControl::moveSizingLine(mouse::Sizing& sizing, Point p) {
  const auto [low, high] = sizingLimits(sizing);
  const int line = std::clamp(sizing.vertical() ? p.x : p.y, low, high);
  if (line == sizing.line) return;
  invalidateSizingLine();
  sizing.line = line;
  invalidateSizingLine();
}

// --- The release -------------------------------------------------------------------------

// A line released where it started changes nothing.
void CustomTreeListControl::applySizing(const mouse::Sizing& sizing) {
  if (sizing.line == sizing.start) return;
  switch (sizing.kind) {
    case SizingKind::Column:
      if (sizing.column) applyColumnSizing(sizing.column, sizing.line);
      return;
    case SizingKind::Band:
      if (sizing.band) applyBandSizing(sizing.band, sizing.origin, sizing.line);
      return;
    case SizingKind::BandPanel:
    case SizingKind::HeaderPanel:
    case SizingKind::Row:
      applyPanelOrRowSizing(sizing.kind, sizing.origin, sizing.line);
      return;
  }
}

void CustomTreeListControl::applyColumnSizing(TreeListColumn* column, int line) {
  const Rect cell = headerCellRect(column);
  int width = line - cell.left + 1;
  if (isFirstColumn(column)) width -= groupIndentWidth();
  TreeListBand* band = columnBand(column);
  if (!band) return;
  const int oldBandWidth = bandDrawnWidth(band);
  {
    UpdateLock lock(*this);
    // The other shown columns keep the widths they are drawn with, so only
    // the sized column changes on the screen.
    std::vector<std::pair<TreeListColumn*, int>> drawn;
    for (int i = 0; i < columnCount(); ++i) {
      TreeListColumn* c = columns(i);
      if (c == column || columnBand(c) != band || !c->visible()) continue;
      drawn.emplace_back(c, columnDrawnWidth(c) - (isFirstColumn(c) ? groupIndentWidth() : 0));
    }
    column->setWidth(width);
    for (auto& [c, w] : drawn) {
      if (c->sizing()) c->setWidth(w);
    }
    int newBandWidth = 0;
    for (int r = 0; r < bandHeaderRowCount(band); ++r) {
      int sum = 0;
      for (int p = 0; p < rowColumnCount(band, r); ++p) sum += columnAt(band, r, p)->width();
      newBandWidth = std::max(newBandWidth, sum);
    }
    // Hidden columns keep their share of the band.
    for (int i = 0; i < columnCount(); ++i) {
      TreeListColumn* c = columns(i);
      if (c->visible() || columnBand(c) != band || !c->sizing() || oldBandWidth <= 0) continue;
      c->setWidth(mulDiv(c->width(), newBandWidth, oldBandWidth));
    }
  }
  if (onChangedColumnsWidth) onChangedColumnsWidth(*this);
}

void CustomTreeListControl::applyBandSizing(TreeListBand* band, int origin, int line) {
  int width = line - origin + 1;
  if (bandVisibleIndex(band) == 0) width -= groupIndentWidth();
  const int oldWidth = bandDrawnWidth(band);
  {
    UpdateLock lock(*this);
    if ((optionsEx().has(goBandHeaderWidth) || defaultLayout()) && oldWidth > 0) {
      // A band that follows its columns' widths sizes them instead: they
      // share the new width in proportion to their widths.
      for (int i = 0; i < columnCount(); ++i) {
        TreeListColumn* c = columns(i);
        if (columnBand(c) == band && c->sizing()) c->setWidth(mulDiv(c->width(), width, oldWidth));
      }
    }
    band->setWidth(width);
  }
  if (onChangedColumnsWidth) onChangedColumnsWidth(*this);
}

void CustomTreeListControl::applyPanelOrRowSizing(SizingKind kind, int origin, int line) {
  const int height = line - origin + 1;
  // A panel takes the number of rows nearest to its new height.
  const auto rowsFor = [height](int chrome, int unit) {
    return std::max((height - chrome + unit / 2) / std::max(unit, 1), 1);
  };
  switch (kind) {
    case SizingKind::BandPanel:
      setBandRowCount(rowsFor(headerChrome(), bandLineHeight()));
      break;
    case SizingKind::HeaderPanel:
      setHeaderPanelRowCount(rowsFor(0, metrics().headerRowHeight));
      break;
    case SizingKind::Row:
      setDefaultRowHeight(height);
      break;
    default:
      break;
  }
}

}  // namespace morvel
