// The grid's metrics, regions, header and cell geometry, scrolling and what
// is painted where, on the fake platform (8-point text: 13 pixels high,
// characters 6 pixels wide).
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "GridTestSupport.h"
#include "grid/view/TreeListImages.h"

namespace morvel {
namespace {

using test::addRow;
using test::label;

class Layout : public test::ThreeColumnGrid {
 protected:
  void addRows(int n) {
    for (int i = 0; i < n; ++i) addRow(grid, {label("n", i), "c", "b"});
  }
  std::vector<DrawCommand> textsAt(int y) {
    std::vector<DrawCommand> out;
    for (const DrawCommand& c : host.canvas().texts()) {
      if (c.origin.y == y) out.push_back(c);
    }
    return out;
  }
};

TEST_F(Layout, DefaultFontGivesTheClassicMetrics) {
  const TreeListMetrics& m = grid.metrics();
  EXPECT_EQ(m.textHeight, 13);
  EXPECT_EQ(m.rowHeight, 17);  // 13 + 3, at least 16, + 1 for the grid line
  EXPECT_EQ(m.headerRowHeight, 19);
  EXPECT_EQ(m.headerPanelHeight, 19);
  EXPECT_EQ(m.indicatorWidth, 12);
  EXPECT_EQ(m.charWidth, 6);
  EXPECT_EQ(grid.rowsAreaTop(), 19);
  EXPECT_EQ(grid.visibleRowCount(), (300 - 19) / 17);

  grid.setLookAndFeel(lfFlat);
  EXPECT_EQ(grid.metrics().headerRowHeight, 18);
  grid.setShowGrid(false);
  EXPECT_EQ(grid.metrics().rowHeight, 16);
  grid.setShowHeader(false);
  EXPECT_EQ(grid.rowsAreaTop(), 0);
}

TEST_F(Layout, IndicatorWidthAndRowHeightHaveFloors) {
  grid.setGrIndicatorWidth(5);
  EXPECT_EQ(grid.grIndicatorWidth(), 12);
  grid.setGrIndicatorWidth(20);
  EXPECT_EQ(grid.metrics().indicatorWidth, 20);
  grid.setOptions(grid.options().without(goIndicator));
  EXPECT_EQ(grid.metrics().indicatorWidth, 0);

  grid.setDefaultRowHeight(10);
  EXPECT_EQ(grid.rowHeight(), 17);  // never below the natural height
  grid.setDefaultRowHeight(25);
  EXPECT_EQ(grid.rowHeight(), 25);
  Font big;
  big.size = 12;  // 20 pixels of text
  grid.setDefaultRowHeight(0);
  grid.columns(1)->setFont(big);
  EXPECT_EQ(grid.rowHeight(), 20 + 3 + 1);
}

TEST_F(Layout, RegionsAndHeaderCells) {
  EXPECT_EQ(grid.headerCornerRect(), (Rect{0, 0, 12, 19}));
  EXPECT_EQ(grid.headerPanelRect(), (Rect{12, 0, 400, 19}));
  EXPECT_EQ(grid.indicatorRect(), (Rect{0, 19, 12, 300}));
  EXPECT_EQ(grid.rowsAreaRect(), (Rect{12, 19, 400, 300}));
  const std::vector<HeaderCell> cells = grid.headerCells();
  ASSERT_EQ(cells.size(), 3u);
  EXPECT_EQ(cells[0].rect, (Rect{12, 0, 112, 19}));
  EXPECT_EQ(cells[1].rect, (Rect{112, 0, 192, 19}));
  EXPECT_EQ(cells[2].rect, (Rect{192, 0, 252, 19}));
  EXPECT_EQ(grid.columnsRight(), 252);

  addRows(3);
  TreeListNode* second = grid.nodeAtVisibleIndex(1);
  EXPECT_EQ(grid.rowRect(second), (Rect{0, 36, 400, 53}));
  EXPECT_EQ(grid.cellRect(second, grid.columns(1)), (Rect{112, 36, 192, 53}));
  // A child row is indented one level inside the first column.
  TreeListNode* child = addRow(grid, {"child"}, second);
  second->expand(false);
  EXPECT_EQ(grid.cellRect(child, grid.columns(0)).left, 12 + 16);
  EXPECT_EQ(grid.cellRect(second, grid.columns(0)).left, 12 + 16);  // its button's cell

  grid.columns(1)->setVisible(false);
  EXPECT_EQ(grid.headerCellRect(grid.columns(2)), (Rect{112, 0, 172, 19}));
  EXPECT_TRUE(grid.cellRect(second, grid.columns(1)).isEmpty());
}

TEST_F(Layout, VerticalScrollingKeepsTheLastPageFull) {
  addRows(100);
  const int page = grid.visibleRowCount();  // 16
  EXPECT_TRUE(host.scrollBars[sbVertical].visible);
  EXPECT_EQ(host.scrollBars[sbVertical].max, 99);
  EXPECT_EQ(host.scrollBars[sbVertical].page, page);

  grid.setTopVisibleIndex(1000);
  EXPECT_EQ(grid.visibleIndexOf(grid.topNode()), 100 - page);
  EXPECT_EQ(host.scrollBars[sbVertical].position, 100 - page);
  grid.setTopVisibleIndex(-5);
  EXPECT_EQ(grid.visibleIndexOf(grid.topNode()), 0);

  // One row down moves the rows (and their indicators) up by one row.
  host.scrolls.clear();
  grid.scrolled(sbVertical, scLineDown, 0);
  ASSERT_EQ(host.scrolls.size(), 1u);
  EXPECT_EQ(host.scrolls[0].dy, -17);
  EXPECT_EQ(host.scrolls[0].area, (Rect{0, 19, 400, 300}));
  grid.scrolled(sbVertical, scPageDown, 0);
  EXPECT_EQ(grid.visibleIndexOf(grid.topNode()), 1 + page);
  grid.scrolled(sbVertical, scBottom, 0);
  EXPECT_EQ(grid.visibleIndexOf(grid.topNode()), 100 - page);
  grid.mouseWheel(0, 120, {50, 50});
  EXPECT_EQ(grid.visibleIndexOf(grid.topNode()), 99 - page);
  EXPECT_TRUE(host.focused);  // a scroll message focuses the grid first

  // Once all rows fit the bar goes away.
  while (grid.topCount() > 5) grid.deleteNode(grid.topNodes(grid.topCount() - 1));
  EXPECT_FALSE(host.scrollBars[sbVertical].visible);
  EXPECT_EQ(grid.visibleIndexOf(grid.topNode()), 0);
}

// 16 whole rows fit under the header (19 + 16 * 17 = 291); the 17th shows
// its top 9 pixels.
TEST_F(Layout, ThePartlyShownLastRowIsPaintedAndHitButNotCountedAsShown) {
  addRows(20);
  EXPECT_EQ(grid.visibleRowCount(), 16);
  EXPECT_EQ(grid.paintedRowCount(), 17);
  TreeListNode* partial = grid.nodeAtVisibleIndex(16);
  EXPECT_EQ(grid.rowRect(partial), (Rect{0, 291, 400, 300}));
  EXPECT_TRUE(grid.rowRect(grid.nodeAtVisibleIndex(17)).isEmpty());
  EXPECT_EQ(grid.getHitInfo({150, 299}).node, partial);
  host.paint();
  ASSERT_EQ(textsAt(292).size(), 3u);
  EXPECT_EQ(textsAt(292)[0].text, "n16");
  // Making it visible scrolls it wholly into view.
  partial->makeVisible();
  EXPECT_EQ(grid.visibleIndexOf(grid.topNode()), 1);
}

TEST_F(Layout, HorizontalScrollingClampsAndSnapsTheThumb) {
  grid.columns(0)->setWidth(300);
  grid.columns(1)->setWidth(200);
  addRows(3);
  const ScrollBarInfo& bar = host.scrollBars[sbHorizontal];
  EXPECT_TRUE(bar.visible);
  EXPECT_EQ(bar.max, 559);  // 300 + 200 + 60 - 1
  EXPECT_EQ(bar.page, 388);
  int changes = 0;
  grid.onChangeLeftCoord = [&](CustomTreeList&) { ++changes; };
  grid.setLeftCoord(1000);
  EXPECT_EQ(grid.leftCoord(), 560 - 388);
  EXPECT_EQ(grid.headerCells()[0].rect.left, 12 - (560 - 388));
  grid.scrolled(sbHorizontal, scThumbTrack, 9);
  EXPECT_EQ(grid.leftCoord(), 8);  // 9 + 1 rounded down to 4 pixels
  grid.scrolled(sbHorizontal, scLineDown, 0);
  EXPECT_EQ(grid.leftCoord(), 14);  // one "0" wide
  grid.scrolled(sbHorizontal, scTop, 0);
  EXPECT_EQ(grid.leftCoord(), 0);
  EXPECT_EQ(changes, 4);
  grid.columns(0)->setWidth(100);
  grid.columns(1)->setWidth(80);
  EXPECT_FALSE(host.scrollBars[sbHorizontal].visible);
}

TEST_F(Layout, PaintsHeadersIndicatorCellsAndGridLines) {
  addRows(3);
  grid.columns(2)->setAlignment(taRightJustify);
  grid.setSorted(grid.columns(1), csUp);
  grid.setFocusedVisibleIndex(1);
  host.focused = true;
  host.paint();
  FakeCanvas& canvas = host.canvas();

  // Captions sit in their cells, vertically centred.
  const std::vector<DrawCommand> captions = textsAt(1 + (16 - 13) / 2);
  ASSERT_EQ(captions.size(), 3u);
  EXPECT_EQ(captions[0].text, "Name");
  EXPECT_EQ(captions[0].origin.x, 12 + 1 + 2);
  // Row texts: 2 pixels in, 1 below the row top; right-aligned 2 from the
  // right edge of the cell, less its grid line.
  const std::vector<DrawCommand> first = textsAt(19 + 1);
  ASSERT_EQ(first.size(), 3u);
  EXPECT_EQ(first[0].origin.x, 14);
  EXPECT_EQ(first[2].origin.x, 252 - 1 - 2 - 6);

  // The focused row is highlighted across its cells and carries the arrow.
  EXPECT_EQ(canvas.colorAt({150, 19 + 17 + 5}), clHighlight);
  EXPECT_EQ(canvas.colorAt({150, 19 + 5}), clWindow);
  int arrows = 0;
  int focusRects = 0;
  int gridLineCalls = 0;
  int sortLines = 0;
  for (const DrawCommand& c : canvas.commands) {
    if (c.kind == DrawCommand::Image && c.origin == Point{(12 - 5) / 2, 36 + (17 - 9) / 2})
      ++arrows;
    if (c.kind == DrawCommand::FocusRect) {
      ++focusRects;
      EXPECT_EQ(c.rect, (Rect{12, 36, 251, 52}));
    }
    if (c.kind == DrawCommand::Lines) {
      ++gridLineCalls;
      EXPECT_EQ(c.color, clBtnShadow);
    }
    if (c.kind == DrawCommand::Line && c.points[0].x >= 176 && c.points[0].x < 188) {
      ++sortLines;
    }
  }
  EXPECT_EQ(arrows, 1);
  EXPECT_EQ(focusRects, 1);
  EXPECT_EQ(gridLineCalls, 1);  // every grid line in one call
  EXPECT_EQ(sortLines, 3);      // the sorted column's triangle
}

TEST_F(Layout, NarrowSortedHeaderShowsNoArrow) {
  const auto arrowLines = [&] {
    host.paint();
    int lines = 0;
    for (const DrawCommand& c : host.canvas().commands) {
      lines += c.kind == DrawCommand::Line && c.points[0].x >= 15 && c.points[0].x < 28 ? 1 : 0;
    }
    return lines;
  };
  grid.columns(0)->setMinWidth(5);
  grid.columns(0)->setWidth(18);  // 15 pixels inside the standard bevels
  grid.setSorted(grid.columns(0), csDown);
  EXPECT_EQ(arrowLines(), 0);
  grid.columns(0)->setWidth(19);
  EXPECT_EQ(arrowLines(), 3);
}

TEST_F(Layout, CollapsedParentsShowAsOneCellWithTheirButton) {
  for (int g = 0; g < 3; ++g) {
    TreeListNode* group = addRow(grid, {label("group ", g)});
    addRow(grid, {"row"}, group);
  }
  host.paint();
  const std::vector<DrawCommand> row = textsAt(19 + 1);
  ASSERT_EQ(row.size(), 1u);
  EXPECT_EQ(row[0].text, "group 0");
  EXPECT_EQ(row[0].origin.x, 12 + 16 + 2);
  // The indent cell in the group colour and the plus of a collapsed button.
  EXPECT_EQ(host.canvas().colorAt({13, 20}), clBtnFace);
  EXPECT_EQ(host.canvas().colorAt({12 + 2 + 5, 19 + 2 + 4}), clBtnText);  // vertical bar
  grid.topNodes(0)->expand(false);
  host.paint();
  EXPECT_NE(host.canvas().colorAt({12 + 2 + 5, 19 + 2 + 4}), clBtnText);  // minus only
}

TEST_F(Layout, HeaderGlyphSitsLeftOfTheCaptionInsideTheSortBox) {
  host.clearRecords();
  const Bitmap glyph(8, 8, argb(0, 0, 0));
  grid.columns(0)->setHeaderGlyph(glyph);
  grid.columns(0)->setHeaderGlyph(glyph);
  EXPECT_EQ(host.fullRepaints, 1);  // the same glyph again changes nothing
  grid.setSorted(grid.columns(0), csUp);
  host.paint();
  // Inside the bevels the face spans 13..110, the sort box takes 94..110
  // and the text area starts 2 pixels in: the glyph there, vertically
  // centred, then the caption 2 pixels after it.
  std::vector<Rect> glyphs;
  for (const DrawCommand& c : host.canvas().commands) {
    if (c.kind == DrawCommand::Image && c.rect.top < 19) glyphs.push_back(c.rect);
  }
  ASSERT_EQ(glyphs.size(), 1u);
  EXPECT_EQ(glyphs[0], Rect::fromSize(15, 1 + (16 - 8) / 2, 8, 8));
  EXPECT_EQ(textsAt(1 + (16 - 13) / 2)[0].origin.x, 15 + 8 + 2);
}

TEST_F(Layout, GridThenColumnCustomDrawEitherMaySkipTheBaseDrawing) {
  addRow(grid, {"n0", "c0", "b0"});
  std::vector<std::string> calls;
  grid.onCustomDrawColumnHeader = [&](CustomTreeListControl&, TreeListColumn* column, Canvas&,
                                      const Rect&, std::string& text, Color&, Font&, Alignment&,
                                      TreeListColumnSort&, bool& done) {
    calls.push_back("grid " + text);
    text += "!";
    done = column == grid.columns(2);
  };
  grid.columns(1)->onCustomDrawColumnHeader = [&](TreeListColumn&, Canvas&, const Rect&,
                                                  std::string& text, Color& color, Font&,
                                                  Alignment&, TreeListColumnSort&, bool&) {
    calls.push_back("column " + text);
    color = clRed;
  };
  grid.columns(2)->onCustomDrawColumnHeader =
      [&](TreeListColumn&, Canvas&, const Rect&, std::string&, Color&, Font&, Alignment&,
          TreeListColumnSort&, bool&) { calls.push_back("never"); };
  grid.onCustomDrawCell = [&](CustomTreeListControl&, Canvas&, const Rect&, TreeListNode*,
                              TreeListColumn* column, bool, bool, std::string& text, Color&, Font&,
                              Alignment&, bool& done) {
    calls.push_back("grid " + text);
    done = column == grid.columns(0);
  };
  grid.columns(1)->onCustomDrawCell = [&](TreeListColumn&, Canvas&, const Rect&, TreeListNode*,
                                          bool, bool, std::string& text, Color&, Font&, Alignment&,
                                          bool&) { text = "drawn"; };
  host.paint();
  EXPECT_EQ(calls, (std::vector<std::string>{"grid Name", "grid City", "column City!", "grid Born",
                                             "grid n0", "grid c0", "grid b0"}));
  std::vector<std::string> drawn;
  for (const DrawCommand& c : host.canvas().texts()) drawn.push_back(c.text);
  EXPECT_EQ(drawn, (std::vector<std::string>{"Name!", "City!", "drawn", "b0"}));
  EXPECT_EQ(host.canvas().colorAt({150, 10}), clRed);
}

TEST_F(Layout, EndEllipsisCellsAreFilledAndComposedOffScreen) {
  addRow(grid, {"a name far too long for its cell", "c", "b"});
  grid.setOptions(grid.options().with(goDrawEndEllipsis));
  const auto paintFirstCell = [&] {
    host.paint();
    std::vector<DrawCommand> out;
    for (const DrawCommand& c : host.canvas().commands) {
      if (c.rect.top == 19 && c.rect.left == 12) out.push_back(c);
    }
    return out;
  };
  // The cell less its grid lines, copied in one piece.
  std::vector<DrawCommand> cell = paintFirstCell();
  ASSERT_GE(cell.size(), 2u);
  EXPECT_EQ(cell[0].kind, DrawCommand::Offscreen);
  EXPECT_EQ(cell[0].rect, (Rect{12, 19, 111, 35}));
  EXPECT_EQ(cell[1].kind, DrawCommand::Fill);
  const std::vector<DrawCommand> text = textsAt(20);
  ASSERT_FALSE(text.empty());
  EXPECT_EQ(text[0].origin.x, 14);
  EXPECT_TRUE(text[0].text.ends_with("...")) << text[0].text;

  grid.setOptionsEx(grid.optionsEx().without(goUseBitmap));
  cell = paintFirstCell();
  ASSERT_FALSE(cell.empty());
  EXPECT_EQ(cell[0].kind, DrawCommand::Fill);
  EXPECT_TRUE(textsAt(20)[0].text.ends_with("..."));
}

TEST_F(Layout, FixedBandsAreSetOffByALineAndPressedBandsSink) {
  while (grid.bands().count() < 2) grid.bands().add();
  TreeListBand* left = grid.bands().items(0);
  TreeListBand* right = grid.bands().items(1);
  grid.columns(1)->setBandIndex(1);
  grid.columns(2)->setBandIndex(1);
  grid.setShowBands(true);
  host.paint();
  EXPECT_TRUE(host.canvas().fillsOf(clWindowFrame).empty());

  // A fixed band keeps its own width: 100 and 140 pixels here.
  left->setWidth(100);
  right->setWidth(140);
  left->setFixed(bfLeft);
  host.paint();
  // The line lies inside the fixed band's inner edge, from the band panel
  // down to the bottom of the rows.
  EXPECT_EQ(host.canvas().fillsOf(clWindowFrame), (std::vector<Rect>{{110, 0, 112, 300}}));
  right->setFixed(bfRight);
  grid.fixedBandLineWidth = 3;
  host.paint();
  EXPECT_EQ(host.canvas().fillsOf(clWindowFrame),
            (std::vector<Rect>{{109, 0, 112, 300}, {260, 0, 263, 300}}));

  // A pressed band is drawn sunken: its left edge turns from the raised
  // highlight to the shadow.
  grid.mouseDown(mbLeft, 0, {50, 5});
  host.paint();
  EXPECT_EQ(host.canvas().colorAt({12, 8}), clBtnShadow);
  grid.mouseUp(mbLeft, 0, {50, 5});
  host.paint();
  EXPECT_EQ(host.canvas().colorAt({12, 8}), clBtnHighlight);
}

TEST_F(Layout, NodeImagesSitBetweenTheIndentAndTheText) {
  auto images = std::make_shared<ImageList>(16, 20);
  images->add(Bitmap(16, 20, argb(0, 0, 0)));
  images->add(Bitmap(16, 20, argb(0, 0, 0)));
  EXPECT_EQ(images->add(Bitmap(8, 8)), -1);  // not the list's size
  auto states = std::make_shared<ImageList>(10, 10);
  states->add(Bitmap(10, 10, argb(0, 0, 0)));
  grid.setImages(images);
  grid.setStateImages(states);
  EXPECT_EQ(grid.rowHeight(), 20 + 1);  // the tallest image, + the grid line

  addRow(grid, {"plain"});
  TreeListNode* pictured = addRow(grid, {"pictured"});
  grid.setStateIndex(*pictured, 0);
  grid.setImageIndex(*pictured, 1);
  grid.setSelectedIndex(*pictured, 5);  // no such image
  const auto rowImages = [&] {
    host.paint();
    std::vector<Rect> out;
    for (const DrawCommand& c : host.canvas().commands) {
      if (c.kind == DrawCommand::Image && c.rect.left >= 12) out.push_back(c.rect);
    }
    return out;
  };
  EXPECT_EQ(rowImages(), (std::vector<Rect>{Rect::fromSize(12, 40 + 5, 10, 10),
                                            Rect::fromSize(22, 40, 16, 20)}));
  EXPECT_EQ(textsAt(19 + 1)[0].origin.x, 14);
  EXPECT_EQ(textsAt(40 + 1)[0].origin.x, 12 + 10 + 16 + 2);
  // The focused row shows its selected image instead.
  grid.setFocusedNode(pictured, 0, false);
  EXPECT_EQ(rowImages(), (std::vector<Rect>{Rect::fromSize(12, 40 + 5, 10, 10)}));

  EXPECT_EQ(grid.getHitInfo({21, 45}).hitType, htStateImage);
  EXPECT_EQ(grid.getHitInfo({22, 45}).hitType, htImage);
  EXPECT_EQ(grid.getHitInfo({37, 45}).hitType, htImage);
  EXPECT_EQ(grid.getHitInfo({38, 45}).hitType, htCell);
  EXPECT_EQ(grid.getHitInfo({12, 25}).hitType, htCell);
  EXPECT_EQ(grid.cellRect(pictured, grid.columns(0)).left, 38);
}

TEST(TreeListPainting, EmptyGridPaintsOnlyBackgroundAndStrip) {
  FakeHost host;
  test::TestGrid empty(host);
  empty.setBounds({0, 0, 400, 300});
  host.attach(empty);
  host.paint();
  for (const DrawCommand& c : host.canvas().commands) EXPECT_NE(c.kind, DrawCommand::Text);
  EXPECT_EQ(host.canvas().colorAt({200, 100}), clWindow);
  EXPECT_EQ(host.canvas().colorAt({200, 10}), clBtnFace);
}

TEST(TreeListImages, IndicatorsAreFiveByNine) {
  for (IndicatorImage i : {iiArrow, iiEdit, iiInsert, iiMultiDot, iiMultiArrow}) {
    EXPECT_EQ(indicatorBitmap(i).width(), 5);
    EXPECT_EQ(indicatorBitmap(i).height(), 9);
  }
  EXPECT_TRUE(indicatorBitmap(iiNone).isEmpty());
  EXPECT_EQ(treeListCursorBitmap(crTLDelete).width(), 32);
  EXPECT_EQ(dragScrollBitmap(dsFull).pixel(14, 2), argb(128, 128, 128));
  EXPECT_EQ(dragScrollBitmap(dsHorizontal).pixel(14, 2), argb(255, 255, 255));
}

}  // namespace
}  // namespace morvel
