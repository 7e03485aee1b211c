// What lies under a point of the grid: the pure hit test the mouse handling
// starts from.
#include "grid/view/CustomTreeListControl.h"

namespace morvel {
namespace {

// Pixels inside a header's edges that size its column.
constexpr int kSizingZone = 4;

}  // namespace

bool CustomTreeListControl::columnSizable(const TreeListColumn* column) const {
  return column && options().has(goColumnSizing) && column->sizing();
}

bool CustomTreeListControl::bandSizable(const TreeListBand* band) const {
  return band && optionsEx().has(goBandSizing) && band->sizable();
}

TreeListHitInfo CustomTreeListControl::getHitInfo(Point p) const {
  TreeListHitInfo info;
  const Size client = host().clientSize();
  if (p.x < 0 || p.y < 0 || p.x >= client.width || p.y >= client.height) {
    info.hitType = htOutside;
    return info;
  }
  if (groupPanelRect().contains(p)) {
    info.hitType = htGroupPanel;
    return info;
  }
  if (bandCornerRect().contains(p)) {
    info.hitType = htBandCorner;
    return info;
  }
  const Rect bandPanel = bandPanelRect();
  if (bandPanel.contains(p)) {
    if (p.y >= bandPanel.bottom - kSizingZone && optionsEx().has(goBandPanelSizing)) {
      info.hitType = htBandPanelEdge;
      return info;
    }
    const std::vector<BandExtent> extents = bandExtents();
    for (int b = 0; b < static_cast<int>(extents.size()); ++b) {
      const BandExtent& extent = extents[static_cast<std::size_t>(b)];
      if (p.x < extent.left || p.x >= extent.right) continue;
      info.bandIndex = b;
      info.hitType = htBand;
      // Like a column header's, a band header's edges size it from either
      // side: its own last pixels and the first ones of the band after it.
      if (p.x >= extent.right - kSizingZone && bandSizable(visibleBand(b))) {
        info.hitType = htBandEdge;
      } else if (p.x < extent.left + kSizingZone && b > 0 &&
                 extents[static_cast<std::size_t>(b) - 1].right == extent.left &&
                 bandSizable(visibleBand(b - 1))) {
        info.hitType = htBandEdge;
        info.bandIndex = b - 1;
      }
      return info;
    }
    return info;
  }
  if (headerCornerRect().contains(p)) {
    info.hitType = htHeaderCorner;
    return info;
  }
  const std::vector<HeaderCell> cells = headerCells();
  const Rect headerPanel = headerPanelRect();
  if (headerPanel.contains(p) && p.y >= headerPanel.bottom - kSizingZone &&
      optionsEx().has(goHeaderPanelSizing)) {
    info.hitType = htHeaderPanelEdge;
    return info;
  }
  if (headerPanel.contains(p)) {
    for (const HeaderCell& cell : cells) {
      if (!cell.rect.contains(p)) continue;
      info.bandIndex = cell.bandIndex;
      info.columnIndex = cell.column->index();
      info.hitType = htHeader;
      if (p.x >= cell.rect.right - kSizingZone && columnSizable(cell.column)) {
        info.hitType = htColumnEdge;
      } else if (p.x < cell.rect.left + kSizingZone && cell.colIndex > 0) {
        // The first pixels of a header size its left-hand neighbour.
        const TreeListColumn* left =
            columnAt(visibleBand(cell.bandIndex), cell.rowIndex, cell.colIndex - 1);
        if (columnSizable(left)) {
          info.hitType = htColumnEdge;
          info.columnIndex = left->index();
        }
      }
      return info;
    }
    return info;  // right of the last header
  }

  const Rect rows = rowsAreaRect();
  const Rect indicator = indicatorRect();
  if (!rows.contains(p) && !indicator.contains(p)) return info;
  const int height = rowHeight();
  const int row = (p.y - rows.top) / height;
  const int top = visibleIndexOf(topNode());
  TreeListNode* node =
      top < 0 || locked() || row >= paintedRowCount() ? nullptr : nodeAtVisibleIndex(top + row);
  if (!node) return info;
  info.node = node;
  info.row = row;
  if (indicator.contains(p)) {
    const bool edge = (p.y - rows.top) % height >= height - kSizingZone;
    info.hitType = edge && optionsEx().has(goRowSizing) ? htRowEdge : htIndicator;
    return info;
  }
  const int firstLeft = cells.empty() ? rows.left : cells.front().rect.left;
  const int indent = nodeIndent(*node);
  for (const HeaderCell& cell : cells) {
    if (p.x >= cell.rect.left && p.x < cell.rect.right) {
      info.bandIndex = cell.bandIndex;
      info.columnIndex = cell.column->index();
      break;
    }
  }
  if (p.x < firstLeft + indent) {
    // The last indent cell of a row with children holds its button.
    info.hitType = isGroupRow(*node) && p.x >= firstLeft + indent - kIndentWidth && p.x >= firstLeft
                       ? htButton
                       : htIndent;
    return info;
  }
  // A data row's state image, then its image, lie right of its indent.
  const int imagesLeft = firstLeft + indent;
  if (p.x < imagesLeft + nodeImagesWidth(*node)) {
    const bool state = getStateIndex(*node) >= 0 && p.x < imagesLeft + stateImagesWidth();
    info.hitType = state ? htStateImage : htImage;
    return info;
  }
  if (p.x >= columnsRight()) {
    info.hitType = htRowRight;
    return info;
  }
  info.hitType = htCell;
  return info;
}

TreeListNode* CustomTreeListControl::getNodeAt(int x, int y) const {
  return getHitInfo({x, y}).node;
}

}  // namespace morvel
