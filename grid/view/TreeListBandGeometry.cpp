// The band geometry of the tree-list control: visible bands, the fixed
// ones, the header rows a band uses, and how a band shares its width among
// the columns of each of its rows; see CustomTreeListControl.h.
#include <algorithm>
#include <vector>

#include "grid/view/CustomTreeListControl.h"

namespace morvel {

int CustomTreeListControl::visibleBandCount() const {
  int n = 0;
  for (int i = 0; i < bands_.count(); ++i) n += bands_.items(i)->visible() ? 1 : 0;
  return n;
}

TreeListBand* CustomTreeListControl::visibleBand(int i) const {
  if (i < 0) return nullptr;
  for (int b = 0; b < bands_.count(); ++b) {
    if (bands_.items(b)->visible() && i-- == 0) return bands_.items(b);
  }
  return nullptr;
}

int CustomTreeListControl::bandVisibleIndex(const TreeListBand* band) const {
  if (!band || !band->visible()) return -1;
  int n = 0;
  for (int b = 0; b < bands_.count(); ++b) {
    if (bands_.items(b) == band) return n;
    if (bands_.items(b)->visible()) ++n;
  }
  return -1;
}

TreeListBand* CustomTreeListControl::leftFixedBand() const {
  TreeListBand* first = visibleBand(0);
  return first && first->fixed() == bfLeft ? first : nullptr;
}

TreeListBand* CustomTreeListControl::rightFixedBand() const {
  TreeListBand* last = visibleBand(visibleBandCount() - 1);
  return last && last->fixed() == bfRight ? last : nullptr;
}

TreeListBand* CustomTreeListControl::columnBand(const TreeListColumn* column) const {
  return column ? bands_.items(column->bandIndex_) : nullptr;
}

int CustomTreeListControl::bandHeaderRowCount(const TreeListBand* band) const {
  int rows = 0;
  for (const auto& c : columns_) {
    if (c->visible() && columnBand(c.get()) == band) rows = std::max(rows, c->row_ + 1);
  }
  return rows;
}

int CustomTreeListControl::rowColumnCount(const TreeListBand* band, int row) const {
  int n = 0;
  for (const auto& c : columns_) {
    if (c->visible() && columnBand(c.get()) == band && c->rowIndex() == row) ++n;
  }
  return n;
}

TreeListColumn* CustomTreeListControl::columnAt(const TreeListBand* band, int row,
                                                int position) const {
  if (position < 0) return nullptr;
  for (const auto& c : columns_) {
    if (c->visible() && columnBand(c.get()) == band && c->rowIndex() == row && position-- == 0) {
      return c.get();
    }
  }
  return nullptr;
}

namespace {

// A column's minimum in the width sharing: a column that cannot be sized
// keeps its width.
int shareMinimum(const TreeListColumn* c) { return c->sizing() ? c->minWidth() : c->width(); }

}  // namespace

int CustomTreeListControl::bandMinWidth(const TreeListBand* band) const {
  int widest = band->sizable() ? band->minWidth() : band->width();
  for (int r = 0; r < bandHeaderRowCount(band); ++r) {
    int sum = 0;
    for (int p = 0; p < rowColumnCount(band, r); ++p) sum += shareMinimum(columnAt(band, r, p));
    widest = std::max(widest, sum);
  }
  return widest;
}

int CustomTreeListControl::bandNaturalWidth(const TreeListBand* band) const {
  int width = band->width();
  if (optionsEx().has(goBandHeaderWidth) || defaultLayout_) {
    int widest = 0;
    for (int r = 0; r < bandHeaderRowCount(band); ++r) {
      int sum = 0;
      for (int p = 0; p < rowColumnCount(band, r); ++p) sum += columnAt(band, r, p)->width();
      widest = std::max(widest, sum);
    }
    if (widest > 0) width = widest;
  }
  return std::max(width, bandMinWidth(band));
}

int CustomTreeListControl::bandDrawnWidth(const TreeListBand* band) const {
  if (!band) return 0;
  if (!options().has(goAutoWidth)) return bandNaturalWidth(band);
  // The client width is shared in proportion to the natural widths; bands
  // that cannot be sized keep theirs and the last band takes what is left.
  const int count = visibleBandCount();
  const int position = bandVisibleIndex(band);
  if (position < 0) return bandNaturalWidth(band);
  const int available = dataAreaWidth() - groupIndentWidth();
  int fixedSum = 0;
  int sizableSum = 0;
  for (int i = 0; i < count; ++i) {
    const TreeListBand* b = visibleBand(i);
    (b->sizable() ? sizableSum : fixedSum) += bandNaturalWidth(b);
  }
  const auto share = [&](const TreeListBand* b) {
    const int natural = bandNaturalWidth(b);
    if (!b->sizable() || sizableSum == 0) return natural;
    return mulDiv(available - fixedSum, natural, sizableSum);
  };
  if (position < count - 1) return share(band);
  int others = 0;
  for (int i = 0; i < count - 1; ++i) others += share(visibleBand(i));
  return std::max(available - others, 0);
}

std::vector<int> CustomTreeListControl::rowWidths(const TreeListBand* band, int row,
                                                  int bandWidth) const {
  std::vector<const TreeListColumn*> cols;
  for (int p = 0; p < rowColumnCount(band, row); ++p) cols.push_back(columnAt(band, row, p));
  std::vector<int> widths(cols.size());
  if (cols.empty()) return widths;
  int sum = 0;
  int sumMin = 0;
  for (const TreeListColumn* c : cols) {
    sum += c->width();
    sumMin += shareMinimum(c);
  }
  std::vector<int> shares(cols.size());
  bool allAbove = true;
  int sumAbove = 0;  // widths of the sizable columns whose share exceeds their minimum
  for (std::size_t i = 0; i < cols.size(); ++i) {
    if (!cols[i]->sizing()) continue;
    shares[i] = sum > 0 ? mulDiv(bandWidth, cols[i]->width(), sum) : 0;
    if (shares[i] > cols[i]->minWidth()) {
      sumAbove += cols[i]->width();
    } else {
      allAbove = false;
    }
  }
  for (std::size_t i = 0; i < cols.size(); ++i) {
    const TreeListColumn* c = cols[i];
    if (!c->sizing()) {
      widths[i] = c->width();
    } else if (allAbove) {
      widths[i] = shares[i];
    } else if (shares[i] > c->minWidth() && sumAbove > 0) {
      widths[i] = c->minWidth() + mulDiv(bandWidth - sumMin, c->width(), sumAbove);
    } else {
      widths[i] = c->minWidth();
    }
  }
  int others = 0;
  for (std::size_t i = 0; i + 1 < cols.size(); ++i) others += widths[i];
  widths.back() = bandWidth - others;
  return widths;
}

int CustomTreeListControl::columnDrawnWidth(const TreeListColumn* column) const {
  const TreeListBand* band = columnBand(column);
  if (!column || !column->visible() || !band || !band->visible()) return 0;
  const std::vector<int> widths = rowWidths(band, column->rowIndex(), bandDrawnWidth(band));
  const int position = column->colIndex();
  if (position < 0 || position >= static_cast<int>(widths.size())) return 0;
  return widths[static_cast<std::size_t>(position)] +
         (isFirstColumn(column) ? groupIndentWidth() : 0);
}

}  // namespace morvel
