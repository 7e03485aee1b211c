// What the main window needs of the grid on its Data page. The window talks
// to the grid only through this, so that the commands, the import and the
// window's tests do not depend on which grid fills the page.
#pragma once

#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace morvel {

class DataSource;

class ViewerGrid {
 public:
  virtual ~ViewerGrid() = default;

  // The widget that fills the Data page; owned by the page once placed.
  virtual QWidget* widget() = 0;

  // Replaces every column by one per visible field of the data source's
  // dataset, in field order.
  virtual void buildColumns() = 0;
  // The field that identifies a record; a change reloads the rows.
  virtual void setKeyField(std::string_view fieldName) = 0;
  // Sizes every column to its content.
  virtual void bestFitColumns() = 0;
  virtual void expandAll() = 0;
  virtual void collapseAll() = 0;
  // Opens the window in which columns are hidden and shown again.
  virtual void showColumnCustomizing() = 0;
  // Sorts texts with their digit runs by value ("5" before "10"), or back
  // by their bytes; the rows are sorted again at once.
  virtual void setNaturalSortOrder(bool natural) = 0;

  // The field names the columns are bound to, in column order (for the
  // window's tests and the screenshot tool).
  virtual std::vector<std::string> columnFieldNames() const = 0;

  // Find, filter and counts. A grid without them finds nothing, filters
  // nothing and counts no row.
  struct FindOutcome {
    bool found = false;
    bool wrapped = false;
  };
  // Finds the next (or previous) cell of a visible column whose text holds
  // `text`, from the focused row on, wrapping at the end; the match is
  // shown, focused and marked. Nothing moves when there is none.
  virtual FindOutcome findText(std::string_view /*text*/, bool /*matchCase*/, bool /*forward*/) {
    return {};
  }
  // Takes the mark off the last match.
  virtual void clearFindMark() {}
  // Shows only the records whose texts in the visible columns hold `text`,
  // ignoring case; an empty text shows every record again.
  virtual void setFilterText(std::string_view /*text*/) {}
  // The records the grid shows (its data rows).
  virtual int shownRecordCount() const { return 0; }
  // Adds each group's record count to its group row, or takes it away.
  virtual void setGroupCounts(bool /*shown*/) {}
  // The focused row's text in the column whose header is at the point (in
  // the widget's coordinates); none when the point is on no column header.
  virtual std::optional<std::string> headerValueAt(int /*x*/, int /*y*/) const {
    return std::nullopt;
  }
};

// Makes the grid of a main window, bound to its data source, as a child of
// the Data page.
using ViewerGridFactory =
    std::function<std::unique_ptr<ViewerGrid>(DataSource& dataSource, QWidget* page)>;

}  // namespace morvel
