// Random user sessions against a plain model of the table's live records.
// A file is imported into the viewer's table, a grid is set up over it as
// the window sets up its own, and a seeded random sequence of what a user
// does (header clicks with and without Shift, moving, hiding and showing
// columns, grouping and ungrouping through the group panel, group button
// clicks, expanding and collapsing everything, Ctrl+Del on the focused
// record, Save As, scrolling and the arrow keys, resizing the window) runs
// through the same entry points the mouse and the keyboard use; sessions
// with find and filter also search for texts and filter the rows by them.
// After every
// step the grid is checked against the model: every live record shows
// exactly once, every cell holds its record's value whatever the column
// order, rows follow the sort keys with ties in "ID" order, group rows
// follow their buttons and are never doubled, and a save keeps the user's
// place.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>
#include <sstream>

#include "app/CsvTransfer.h"
#include "app/FindFilter.h"
#include "app/GridSetup.h"
#include "grid/db/CustomDBGrid.h"
#include "grid/db/DBGridFind.h"
#include "grid/view/TreeListCustomizing.h"
#include "platform/fake/FakeHost.h"
#include "tests/app/ViewerTestSupport.h"

namespace morvel {
namespace {

using testing_support::readFile;
using testing_support::writeFile;

// A file whose values repeat a lot, so that sorting meets ties and grouping
// makes groups: text with mixed case and blanks, dates, date-times, and
// numbers that sort differently as text.
std::string sessionFile(std::mt19937& random, int records) {
  const char* names[] = {"Ada", "ada", "Bob", "bob", "Cy", ""};
  const char* towns[] = {"Oslo", "Bern", "Rome", "Lima"};
  const char* dues[] = {"05/03/99", "12/01/85", "28/02/99", "01/12/70", ""};
  const char* starts[] = {"22/12/00 15:09", "22/12/00 00:00", "01/01/01 08:30", ""};
  const char* quantities[] = {"5", "10", "12", "100"};
  const char* notes[] = {"plain", "a, b", "said \"hi\"", " lead"};
  std::ostringstream out;
  out << "Name,Town,Due,Start,Qty,Note\r\n";
  out << "Ada,Oslo,05/03/99,22/12/00 15:09,5,plain\r\n";
  for (int i = 1; i < records; ++i) {
    const auto pick = [&](const auto& list) {
      return std::string(list[random() % (sizeof list / sizeof list[0])]);
    };
    std::string note = pick(notes);
    if (note.find_first_of(", \"") != std::string::npos) {
      std::string quoted = "\"";
      for (char c : note) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
      note = quoted + "\"";
    }
    out << pick(names) << ',' << pick(towns) << ',' << pick(dues) << ',' << pick(starts) << ','
        << pick(quantities) << ',' << note << "\r\n";
  }
  return out.str();
}

class ViewerSessionModelTest : public testing_support::ViewerTableTest {
 protected:
  struct Record {
    std::vector<Variant> values;     // by field position
    std::vector<std::string> texts;  // by field position
  };

  void SetUp() override {
    progress.setVisible(false);
    grid.setBounds({0, 0, 1000, 400});
    host.attach(grid);
    configureViewerGrid(grid);
    grid.setDataSource(&source);
    source.setDataSet(&table);
  }
  void TearDown() override {
    grid.endColumnsCustomizing();
    grid.setDataSource(nullptr);
  }

  // Imports the file and sets the grid up as the window does after an open.
  void open(const std::string& bytes) {
    writeFile(folder.file("in.csv"), bytes);
    dropTable();  // the window closes and drops the previous table first
    table.setRecordFilter({});
    filterText.clear();
    filterFields.clear();
    grid.setKeyField("RecordID");
    transfer.importLines(folder.file("in.csv"));
    buildColumns(grid);
    grid.setKeyField("ID");
    bestFitColumns(grid);
    live.clear();
    for (table.goFirst(); !table.atEnd(); table.goNext()) {
      Record r;
      for (int p = 0; p < table.fieldTotal(); ++p) {
        r.values.push_back(table.field(p)->variantValue());
        r.texts.push_back(table.field(p)->asText());
      }
      live[r.values[0].integerValue()] = r;
    }
    for (int p = 0; p < table.fieldTotal(); ++p) {
      fieldOf[table.field(p)->fieldName()] = p;
      textField.push_back(table.field(p)->dataType() == ftString);
    }
  }

  // --- What the user does -------------------------------------------------------------
  static Point centre(const Rect& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }
  void click(Point p, ShiftState shift = 0) {
    grid.mouseDown(mbLeft, shift, p);
    grid.mouseUp(mbLeft, shift, p);
  }
  void drag(Point from, Point to) {
    grid.mouseDown(mbLeft, 0, from);
    grid.mouseMove(ssLeft, {from.x + 12, from.y + 12});
    grid.mouseMove(ssLeft, to);
    grid.mouseUp(mbLeft, 0, to);
  }
  // Scrolls a shown column's header fully into view, as a user would before
  // pressing it; false when it cannot be.
  bool bringIntoView(TreeListColumn* column) {
    Rect r = grid.headerCellRect(column);
    if (r.isEmpty()) return false;
    const Rect data = grid.rowsAreaRect();
    if (r.left < data.left || r.right > data.right) {
      grid.setLeftCoord(grid.leftCoord() + (r.left - data.left));
      r = grid.headerCellRect(column);
    }
    return r.left >= data.left && r.right <= data.right;
  }
  DBTreeListColumn* randomShownColumn() {
    if (grid.visibleColumnCount() == 0) return nullptr;
    return static_cast<DBTreeListColumn*>(
        grid.visibleColumns(static_cast<int>(random() % grid.visibleColumnCount())));
  }
  Point groupButtonCentre(int i) {
    const Rect panel = grid.groupPanelRect();
    return centre(
        grid.groupButtonRect(i, grid.metrics().headerRowHeight).translated(panel.left, panel.top));
  }
  // A point on the panel whose drop inserts at position i.
  Point groupInsertPoint(int i) {
    const Rect panel = grid.groupPanelRect();
    const int h = grid.metrics().headerRowHeight;
    const Rect button = grid.groupButtonRect(std::min(i, grid.groupColumnCount()), h)
                            .translated(panel.left, panel.top);
    return {i < grid.groupColumnCount() ? button.left + 2 : button.left + 10, panel.top + 4};
  }
  Point overCustomizingForm() {
    const Rect frame = host.toolWindows.back()->frame();
    return host.screenToClient({frame.left + 10, frame.top + 10});
  }

  void headerClick(bool shift) {
    DBTreeListColumn* c = randomShownColumn();
    if (!c || !bringIntoView(c)) return;
    const TreeListColumnSort before = c->sorted();
    click(centre(grid.headerCellRect(c)), shift ? ShiftState{ssShift} : ShiftState{0});
    ASSERT_EQ(c->sorted(), before == csUp ? csDown : csUp) << "the click did not turn the arrow";
    if (!shift) {
      ASSERT_EQ(grid.sortKeyCount(), 1);
      ASSERT_EQ(grid.sortedColumns(0), c);
    }
  }
  void moveColumn() {
    DBTreeListColumn* c = randomShownColumn();
    DBTreeListColumn* target = randomShownColumn();
    if (!c || c == target || !bringIntoView(c)) return;
    const Rect to = grid.headerCellRect(target);
    const Rect data = grid.rowsAreaRect();
    if (to.left + 3 < data.left || to.left + 3 >= data.right) return;
    drag(centre(grid.headerCellRect(c)), {to.left + 3, centre(to).y});
  }
  void hideColumn() {
    DBTreeListColumn* c = randomShownColumn();
    if (!c || !bringIntoView(c)) return;
    grid.columnsCustomizing();
    drag(centre(grid.headerCellRect(c)), overCustomizingForm());
    grid.endColumnsCustomizing();
  }
  void showColumn() {
    grid.columnsCustomizing();
    CustomizingListBox& list = *grid.customizingList();
    if (!list.items().empty() && grid.visibleColumnCount() > 0) {
      const int item = static_cast<int>(random() % list.items().size());
      DBTreeListColumn* target = randomShownColumn();
      if (bringIntoView(target)) {
        const Point y{20, item * list.itemHeight() + list.itemHeight() / 2};
        list.mouseDown(mbLeft, 0, y);
        list.mouseMove(ssLeft, {y.x + 10, y.y});
        const Point into = host.clientToScreen(centre(grid.headerCellRect(target)));
        const Point origin = host.toolWindows.back()->clientOrigin();
        const Point local{into.x - origin.x, into.y - origin.y};
        list.mouseMove(ssLeft, local);
        list.mouseUp(mbLeft, 0, local);
      }
    }
    grid.endColumnsCustomizing();
  }
  void groupBy() {
    DBTreeListColumn* c = randomShownColumn();
    if (!c || grid.groupColumnCount() >= 3 || !bringIntoView(c)) return;
    const int at = static_cast<int>(random() % (grid.groupColumnCount() + 1));
    drag(centre(grid.headerCellRect(c)), groupInsertPoint(at));
  }
  void ungroup() {
    if (grid.groupColumnCount() == 0) return;
    const int i = static_cast<int>(random() % grid.groupColumnCount());
    DBTreeListColumn* target = randomShownColumn();
    if (target && random() % 2 && bringIntoView(target)) {
      drag(groupButtonCentre(i), centre(grid.headerCellRect(target)));  // back into the header
    } else {
      drag(groupButtonCentre(i), centre(grid.rowsAreaRect()));
    }
  }
  void groupButtonClick() {
    if (grid.groupColumnCount() == 0) return;
    click(groupButtonCentre(static_cast<int>(random() % grid.groupColumnCount())));
  }
  void deleteFocused() {
    TreeListNode* focused = grid.focusedNode();
    if (!focused || CustomDBGrid::isGroupNode(focused)) return;
    const std::int64_t key = CustomDBGrid::dbNode(*focused).keyValue().integer();
    ASSERT_TRUE(grid.keyDown(vkDelete, ssCtrl));
    live.erase(key);
  }
  void scroll() {
    static const int keys[] = {vkDown, vkDown, vkUp,   vkNext, vkPrior,
                               vkHome, vkEnd,  vkLeft, vkRight};
    if (random() % 4 == 0) {
      grid.scrolled(sbVertical, random() % 2 ? scLineDown : scPageDown, 0);
    } else {
      grid.keyDown(keys[random() % (sizeof keys / sizeof keys[0])], 0);
    }
  }
  void resizeWindow() { grid.setBounds({0, 0, random() % 2 ? 500 : 1000, 400}); }

  // Save As in the middle of work: the file holds every live record in "ID"
  // order, and the user's place in the grid is kept.
  void save() {
    TreeListNode* focused = grid.focusedNode();
    const TreeListNode* focusedRow = focused ? CustomDBGrid::firstDataNode(focused) : nullptr;
    const std::int64_t focusedKey =
        focusedRow ? CustomDBGrid::dbNode(*focusedRow).keyValue().integer() : -1;
    const std::set<std::int64_t> expandedBefore = expandedGroups();
    int reloads = 0;
    grid.onClearNodeData = [&](CustomDBGrid&) { ++reloads; };
    const bool shownOnly = filtering() && random() % 2 == 0;
    if (shownOnly) {
      transfer.exportLines(folder.file("out.csv"));
    } else {
      exportWholeTable(transfer, table, folder.file("out.csv"));
    }
    grid.onClearNodeData = nullptr;
    std::map<std::int64_t, const Record*> written;
    for (const auto& [key, record] : live) {
      if (!shownOnly || shown(record)) written[key] = &record;
    }

    const std::string text = readFile(folder.file("out.csv"));
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < text.size();) {
      const std::size_t end = text.find("\r\n", at);
      lines.push_back(text.substr(at, end - at));
      at = end + 2;
    }
    // A header whenever the table has records, even when none is shown.
    ASSERT_EQ(lines.size(), live.empty() ? 0 : written.size() + 1);
    std::size_t line = 1;
    for (const auto& [key, record] : written) {
      ASSERT_EQ(lines[line].substr(0, lines[line].find(',')), record->texts[1]) << "line " << line;
      ++line;
    }
    if (focusedKey < 0) return;
    ASSERT_EQ(reloads, 0) << "the save reloaded the rows";
    ASSERT_TRUE(grid.focusedNode());
    ASSERT_EQ(
        CustomDBGrid::dbNode(*CustomDBGrid::firstDataNode(grid.focusedNode())).keyValue().integer(),
        focusedKey)
        << "the save moved the focus";
    ASSERT_EQ(expandedGroups(), expandedBefore);
  }

  // --- Find and filter ----------------------------------------------------------------------
  // A text to look for: part of a value a live record shows, in another
  // case now and then, or a text no record holds.
  std::string randomNeedle() {
    if (live.empty() || random() % 5 == 0) return "zq";
    auto it = live.begin();
    std::advance(it, static_cast<long>(random() % live.size()));
    const std::string& text = it->second.texts[1 + random() % (it->second.texts.size() - 1)];
    if (text.empty()) return "o";
    const std::size_t from = random() % text.size();
    std::string needle = text.substr(from, 1 + random() % 3);
    if (random() % 3 == 0) {
      for (char& c : needle) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return needle;
  }
  static bool holds(std::string_view text, std::string_view needle, bool matchCase) {
    return TextSearch(needle, matchCase).foundIn(text);
  }
  bool filtering() const { return !filterText.empty(); }
  bool shown(const Record& r) const {
    if (!filtering()) return true;
    for (const int p : filterFields) {
      if (holds(r.texts[static_cast<std::size_t>(p)], filterText, false)) return true;
    }
    return false;
  }
  void filter() {
    if (random() % 4 == 0) {
      filterGridRecords(grid, {});
      filterText.clear();
      filterFields.clear();
      return;
    }
    // Typing on narrows the filter now and then, so that the rows shown
    // decide for the records without one, as the window has it.
    const std::string previous = filterText;
    filterText =
        random() % 2 && filtering() ? filterText + randomNeedle().substr(0, 1) : randomNeedle();
    const std::vector<int> previousFields = filterFields;
    filterFields.clear();
    for (int i = 0; i < grid.visibleColumnCount(); ++i) {
      filterFields.push_back(fieldPosition(grid.visibleColumns(i)));
    }
    const bool rowsHoldEveryMatch = previous.empty() || (filterTextNarrows(filterText, previous) &&
                                                         filterFields == previousFields);
    filterGridRecords(grid, gridTextFilter(grid, filterText, rowsHoldEveryMatch));
  }
  // A find from the focused row: a match holds the text, is shown, focused
  // and current; no match means no shown record holds it in a visible column.
  void find() {
    const std::string needle = randomNeedle();
    const bool matchCase = random() % 2 == 0;
    const bool forward = random() % 3 != 0;
    const GridFindResult found =
        findInGrid(grid, TextSearch(needle, matchCase), grid.focusedNode(), -1, forward);
    if (!found.node) {
      for (const auto& [key, record] : live) {
        if (!shown(record)) continue;
        for (int i = 0; i < grid.visibleColumnCount(); ++i) {
          ASSERT_FALSE(
              holds(record.texts[static_cast<std::size_t>(fieldPosition(grid.visibleColumns(i)))],
                    needle, matchCase))
              << "record " << key << " holds '" << needle << "' but nothing was found";
        }
      }
      return;
    }
    ASSERT_FALSE(CustomDBGrid::isGroupNode(found.node));
    ASSERT_TRUE(holds(
        recordOf(found.node)
            .texts[static_cast<std::size_t>(fieldOf.at(grid.dbColumn(found.column)->fieldName()))],
        needle, matchCase));
    showGridNode(grid, found.node);
    ASSERT_TRUE(found.node->isVisible()) << "the match stayed in a collapsed group";
    ASSERT_EQ(grid.focusedNode(), found.node);
  }

  // --- The checks ----------------------------------------------------------------------------
  std::set<std::int64_t> expandedGroups() {
    std::set<std::int64_t> out;
    for (TreeListNode* n : allNodes()) {
      if (CustomDBGrid::isGroupNode(n) && n->expanded()) {
        // A group row is known by its level and the key of its first row.
        out.insert(CustomDBGrid::dbNode(*n).keyValue().integer() * 8 + n->level());
      }
    }
    return out;
  }
  std::vector<TreeListNode*> allNodes() {
    std::vector<TreeListNode*> out;
    std::vector<TreeListNode*> stack;
    for (int i = grid.topCount() - 1; i >= 0; --i) stack.push_back(grid.topNodes(i));
    while (!stack.empty()) {
      TreeListNode* n = stack.back();
      stack.pop_back();
      out.push_back(n);
      for (int i = n->count() - 1; i >= 0; --i) stack.push_back(n->items(i));
    }
    return out;
  }
  int fieldPosition(const TreeListColumn* c) {
    return fieldOf.at(static_cast<const DBTreeListColumn*>(c)->fieldName());
  }
  // The value the rows sort by: the text of a text column, else the value.
  Variant sortValue(const Record& r, int p) {
    return textField[static_cast<std::size_t>(p)] ? Variant(r.texts[static_cast<std::size_t>(p)])
                                                  : r.values[static_cast<std::size_t>(p)];
  }
  const Record& recordOf(const TreeListNode* n) {
    return live.at(CustomDBGrid::dbNode(*n).keyValue().integer());
  }

  // The data rows' keys as the grid applies them: every listed key under
  // multi-sort with more than one listed, else the first sorted column that
  // does not group.
  std::vector<std::pair<int, bool>> dataKeys() {
    std::vector<std::pair<int, bool>> keys;
    if (grid.sortKeyCount() > 1) {
      for (int i = 0; i < grid.sortKeyCount(); ++i) {
        keys.emplace_back(fieldPosition(grid.sortedColumns(i)),
                          grid.sortedColumns(i)->sorted() == csDown);
      }
      return keys;
    }
    for (int i = 0; i < grid.columnCount(); ++i) {
      TreeListColumn* c = grid.columns(i);
      if (!grid.isGroupColumn(c) && c->sorted() != csNone) {
        keys.emplace_back(fieldPosition(c), c->sorted() == csDown);
        break;
      }
    }
    return keys;
  }

  void checkDataRows(const std::vector<TreeListNode*>& rows) {
    const auto keys = dataKeys();
    for (std::size_t i = 1; i < rows.size(); ++i) {
      const Record& a = recordOf(rows[i - 1]);
      const Record& b = recordOf(rows[i]);
      int c = 0;
      for (const auto& [p, descending] : keys) {
        c = compareVariants(sortValue(a, p), sortValue(b, p));
        if (c != 0) {
          if (descending) c = -c;
          break;
        }
      }
      if (c == 0) c = a.values[0].integerValue() < b.values[0].integerValue() ? -1 : 1;
      ASSERT_LT(c, 0) << "rows out of order: " << a.values[0].integerValue() << " before "
                      << b.values[0].integerValue();
    }
  }

  void checkLevel(const std::vector<TreeListNode*>& siblings, int level) {
    if (level == grid.groupColumnCount()) {
      for (TreeListNode* n : siblings) ASSERT_FALSE(CustomDBGrid::isGroupNode(n));
      checkDataRows(siblings);
      return;
    }
    DBTreeListColumn* column = grid.groupColumns(level);
    const int p = fieldPosition(column);
    const bool descending = column->sorted() == csDown;
    for (std::size_t i = 0; i < siblings.size(); ++i) {
      TreeListNode* group = siblings[i];
      ASSERT_TRUE(CustomDBGrid::isGroupNode(group)) << "a data row among group rows";
      ASSERT_GT(group->count(), 0) << "an empty group row";
      const Variant value = CustomDBGrid::dbNode(*group).groupValue().toVariant();
      if (i > 0) {
        int c =
            compareVariants(CustomDBGrid::dbNode(*siblings[i - 1]).groupValue().toVariant(), value);
        if (descending) c = -c;
        ASSERT_LT(c, 0) << "group rows doubled or out of the order their button shows";
      }
      std::vector<TreeListNode*> children;
      for (int k = 0; k < group->count(); ++k) children.push_back(group->items(k));
      // A group row stands for its first row.
      const TreeListNode* first = CustomDBGrid::firstDataNode(group);
      ASSERT_EQ(CustomDBGrid::dbNode(*group).keyValue().integer(),
                CustomDBGrid::dbNode(*first).keyValue().integer());
      for (TreeListNode* n : allBelow(group)) {
        if (CustomDBGrid::isGroupNode(n)) continue;
        ASSERT_EQ(compareVariants(recordOf(n).values[static_cast<std::size_t>(p)], value), 0)
            << "a row under the wrong group";
      }
      checkLevel(children, level + 1);
      if (HasFatalFailure()) return;
    }
  }
  std::vector<TreeListNode*> allBelow(TreeListNode* group) {
    std::vector<TreeListNode*> out;
    std::vector<TreeListNode*> stack{group};
    while (!stack.empty()) {
      TreeListNode* n = stack.back();
      stack.pop_back();
      for (int i = 0; i < n->count(); ++i) {
        out.push_back(n->items(i));
        stack.push_back(n->items(i));
      }
    }
    return out;
  }

  void checkAgainstModel() {
    std::set<std::int64_t> shown;
    for (TreeListNode* n : allNodes()) {
      if (CustomDBGrid::isGroupNode(n)) continue;
      const DBGridNode& row = CustomDBGrid::dbNode(*n);
      ASSERT_TRUE(row.keyValue().isInteger());
      const std::int64_t key = row.keyValue().integer();
      ASSERT_TRUE(shown.insert(key).second) << "record " << key << " shown twice";
      ASSERT_TRUE(live.count(key)) << "record " << key << " is not in the table";
      ASSERT_TRUE(this->shown(live.at(key))) << "record " << key << " passed the filter";
      const Record& r = live.at(key);
      for (int i = 0; i < grid.columnCount(); ++i) {
        const int p = fieldPosition(grid.columns(i));
        ASSERT_EQ(row.texts().get(i), r.texts[static_cast<std::size_t>(p)])
            << "record " << key << ", column " << grid.columns(i)->caption();
        Variant value;
        if (row.fetchCellValue(i, value)) {
          ASSERT_EQ(compareVariants(value, r.values[static_cast<std::size_t>(p)]), 0)
              << "record " << key << ", value of column " << grid.columns(i)->caption();
        }
      }
    }
    std::size_t expected = 0;
    for (const auto& [key, record] : live) {
      if (this->shown(record)) {
        ++expected;
        ASSERT_TRUE(shown.count(key)) << "record " << key << " has no row";
      } else {
        ASSERT_FALSE(shown.count(key)) << "record " << key << " is shown through the filter";
      }
    }
    ASSERT_EQ(shown.size(), expected);
    ASSERT_EQ(gridDataRowCount(grid), static_cast<int>(expected));
    ASSERT_EQ(table.recordTotal(), static_cast<int>(live.size()));
    std::vector<TreeListNode*> top;
    for (int i = 0; i < grid.topCount(); ++i) top.push_back(grid.topNodes(i));
    checkLevel(top, 0);
    // The table stands on the focused row's record.
    if (TreeListNode* focused = grid.focusedNode()) {
      ASSERT_EQ(table.field(0)->variantValue().integerValue(),
                CustomDBGrid::dbNode(*CustomDBGrid::firstDataNode(focused)).keyValue().integer());
    }
  }

  std::string describe() {
    std::string out = "keys:";
    for (int i = 0; i < grid.sortKeyCount(); ++i) {
      out += " " + grid.sortedColumns(i)->caption() +
             (grid.sortedColumns(i)->sorted() == csDown ? "v" : "^");
    }
    out += "; sorted:";
    for (int i = 0; i < grid.columnCount(); ++i) {
      if (grid.columns(i)->sorted() != csNone)
        out += " " + grid.columns(i)->caption() + (grid.columns(i)->sorted() == csDown ? "v" : "^");
    }
    out += "; groups:";
    for (int i = 0; i < grid.groupColumnCount(); ++i) out += " " + grid.groupColumns(i)->caption();
    return out;
  }

  // Runs `steps` random actions, checking after each; the failing step and
  // action are named.
  void runSession(std::uint32_t seed, int records, int steps, bool findAndFilter = false) {
    random.seed(seed);
    open(sessionFile(random, records));
    checkAgainstModel();
    static const char* names[] = {"click",   "shift-click", "move",   "hide",     "show",   "group",
                                  "ungroup", "button",      "expand", "collapse", "delete", "save",
                                  "scroll",  "resize",      "find",   "filter"};
    static const int weights[] = {12, 8, 8, 3, 3, 6, 4, 6, 3, 3, 4, 3, 20, 2, 8, 6};
    // Sessions without find and filter keep the action sequences their
    // seeds were found with.
    const int actions = findAndFilter ? 16 : 14;
    int total = 0;
    for (int a = 0; a < actions; ++a) total += weights[a];
    for (int step = 0; step < steps && !live.empty(); ++step) {
      int roll = static_cast<int>(random() % static_cast<unsigned>(total));
      int action = 0;
      while (roll >= weights[action]) roll -= weights[action++];
      const std::string before = describe();
      switch (action) {
        case 0:
          headerClick(false);
          break;
        case 1:
          headerClick(true);
          break;
        case 2:
          moveColumn();
          break;
        case 3:
          hideColumn();
          break;
        case 4:
          showColumn();
          break;
        case 5:
          groupBy();
          break;
        case 6:
          ungroup();
          break;
        case 7:
          groupButtonClick();
          break;
        case 8:
          grid.expandAll();
          break;
        case 9:
          grid.collapseAll();
          break;
        case 10:
          deleteFocused();
          break;
        case 11:
          save();
          break;
        case 12:
          scroll();
          break;
        case 13:
          resizeWindow();
          break;
        case 14:
          find();
          break;
        default:
          filter();
          break;
      }
      if (!HasFatalFailure()) checkAgainstModel();
      if (HasFatalFailure()) {
        ADD_FAILURE() << "seed " << seed << ", step " << step << " (" << names[action]
                      << ")\nbefore: " << before << "\nafter:  " << describe();
        return;
      }
    }
  }

  FakeHost host{{1000, 400}};
  DBGrid grid{host};
  DataSource source{"dsData"};
  StatusPane status;
  ProgressBar progress;
  testing_support::RecordingServices services{status, progress};
  CsvTransfer transfer{table, {status, progress, services}};
  std::mt19937 random;
  std::map<std::int64_t, Record> live;
  std::map<std::string, int, std::less<>> fieldOf;
  // The filter applied: its text and the fields of the columns visible then.
  std::string filterText;
  std::vector<int> filterFields;
  std::vector<bool> textField;
};

// What the first session found: the focused row and the current record
// parted after a regroup, a sort under grouping and an ungroup; rows that no
// column sorted kept the blocks of groups that were gone; a save expanded
// the focused group to reach its first row.
TEST_F(ViewerSessionModelTest, Seed1FocusAndOrderAfterRegroupSortAndSave) {
  runSession(1, 300, 400);
}

TEST_F(ViewerSessionModelTest, RandomSessionsKeepTheRightRows) {
  for (std::uint32_t seed : {2u, 3u, 4u}) {
    runSession(seed, 300, 1200);
    if (HasFailure()) return;
  }
}

// What the first find-and-filter sessions found: rows that a wider filter
// let back in trailed the rows kept from before, out of their order.
TEST_F(ViewerSessionModelTest, Seed12RowsLetInByAFilterTakeTheirPlaces) {
  runSession(12, 300, 200, true);
}

// Sorting leaves the table at its first record; a save then told the grid
// of a change it had not made, and the grid read every record again.
TEST_F(ViewerSessionModelTest, Seed103SaveWithTheTableAtItsStartKeepsTheRows) {
  runSession(103, 300, 20, true);
}

TEST_F(ViewerSessionModelTest, RandomSessionsWithFindAndFilterKeepTheRightRows) {
  for (std::uint32_t seed : {11u, 12u, 13u}) {
    runSession(seed, 300, 1000, true);
    if (HasFailure()) return;
  }
}

TEST_F(ViewerSessionModelTest, SaveAsKeepsTheUsersPlaceWithoutReloading) {
  random.seed(7);
  open(sessionFile(random, 60));
  ASSERT_TRUE(grid.addGroupColumn(0, static_cast<DBTreeListColumn*>(grid.columns(2))));  // Town
  TreeListNode* group = grid.topNodes(1);
  group->setExpanded(true);
  grid.setFocusedNode(group->items(3), 0, true);
  save();
}

}  // namespace
}  // namespace morvel
