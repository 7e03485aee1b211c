// Group and footer summaries in the data-bound grid: which fields they
// read, accumulating each row into its group rows and the footer while
// loading (or from the rows' cells when regrouping), averages when the rows
// are in, and the summary texts group rows and the footer show.
#include <algorithm>

#include "base/DateText.h"
#include "base/NumberText.h"
#include "base/StringUtils.h"
#include "grid/db/CustomDBGrid.h"
#include "table/DataSet.h"

namespace morvel {

// --- Summaries ---------------------------------------------------------------------------------

namespace {

// The field a summary reads: the named one, else the column's own.
Field* summarySource(DataSet* ds, const DBTreeListColumn& column, const std::string& name) {
  if (!name.empty() && ds) return ds->lookupField(name);
  return column.field();
}

long double numberOf(const Variant& v) {
  if (v.isBlank()) return 0;
  try {
    return v.toDouble();
  } catch (const std::exception&) {
    return 0;
  }
}

void accumulate(SummaryType type, long double value, bool first, long double& into) {
  switch (type) {
    case cstNone:
      return;
    case cstSum:
    case cstAvg:
      into = first ? value : into + value;
      return;
    case cstMin:
      into = first ? value : std::min(into, value);
      return;
    case cstMax:
      into = first ? value : std::max(into, value);
      return;
    case cstCount:
      into = first ? 1 : into + 1;
      return;
  }
}

const char* summaryName(SummaryType type) {
  switch (type) {
    case cstSum:
      return "SUM";
    case cstMin:
      return "MIN";
    case cstMax:
      return "MAX";
    case cstCount:
      return "COUNT";
    case cstAvg:
      return "AVG";
    case cstNone:
      break;
  }
  return "";
}

// Where a summary is shown: in a group row or in the footer.
enum class SummaryPlace { groupRow, footer };

// A summary value as text, by its format text when it has one. Without one,
// counts are whole numbers, minima, maxima and averages of date fields are
// dates, everything else has two decimals; a group row shows the value as
// "(SUM=...)", the footer sums and counts bare and the others as "MIN=...".
std::string summaryText(SummaryType type, long double value, const Field* field,
                        const std::string& format, SummaryPlace place) {
  bool dates = false;
  bool withTime = false;
  if (field && type != cstSum && type != cstCount) {
    const FieldType t = field->dataType();
    dates = t == ftDate || t == ftTime || t == ftDateTime;
    withTime = t != ftDate;
  }
  if (!format.empty()) {
    return dates ? formatDateTimeText(format, static_cast<double>(value))
                 : formatNumberText(format, value);
  }
  const std::string name = summaryName(type);
  const bool bare = place == SummaryPlace::footer && (type == cstSum || type == cstCount);
  std::string body;
  if (dates) {
    body = withTime ? dateTimeToText(static_cast<double>(value))
                    : dateToText(static_cast<double>(value));
  } else {
    body = formatNumberText(type == cstCount ? "0" : "0.00", value);
  }
  if (bare) return body;
  if (place == SummaryPlace::footer) return name + "=" + body;
  return "(" + name + "=" + body + ")";
}

}  // namespace

bool CustomDBGrid::anySummaries() const {
  for (int i = 0; i < columnCount(); ++i) {
    const DBTreeListColumn* c = dbColumn(i);
    if (c && (c->summaryType() != cstNone || c->summaryFooterType() != cstNone)) return true;
    // A summary group accumulates for the columns naming it, even when the
    // column has no summary of its own.
    if (c && !c->summaryGroupName().empty()) {
      for (const DBGridSummaryGroup& group : summaryGroups_) {
        if (!group.summaryItems.empty() &&
            equalsIgnoringAsciiCase(group.name, c->summaryGroupName())) {
          return true;
        }
      }
    }
  }
  return false;
}

void CustomDBGrid::resetFooterSummaries() {
  DataSet* ds = dataSet();
  footerFields_.clear();
  levelSummaryFields_.clear();
  levelItemFields_.clear();
  for (int i = 0; i < columnCount(); ++i) {
    DBTreeListColumn* c = dbColumn(i);
    if (!c) continue;
    c->footerValue = 0;
    c->footerCount = 0;
    footerFields_.push_back(c->summaryFooterType() != cstNone
                                ? summarySource(ds, *c, c->summaryFooterField())
                                : nullptr);
  }
  for (const DBTreeListColumn* g : groupColumns_) {
    levelSummaryFields_.push_back(
        g->summaryType() != cstNone ? summarySource(ds, *g, g->summaryField()) : nullptr);
    std::vector<Field*> items;
    for (const DBGridSummaryGroup& group : summaryGroups_) {
      if (group.name.empty() || !equalsIgnoringAsciiCase(group.name, g->summaryGroupName())) {
        continue;
      }
      for (const DBGridSummaryItem& item : group.summaryItems) {
        items.push_back(ds ? ds->lookupField(item.summaryField) : nullptr);
      }
    }
    levelItemFields_.push_back(std::move(items));
  }
}

void CustomDBGrid::addToSummaries(DBGridNode& dataNode, bool fromRecord) {
  if (levelSummaryFields_.size() != groupColumns_.size()) resetFooterSummaries();
  // The value of a summary field: from the record, or from the node's cell
  // of a column showing that field when regrouping without the record.
  const auto valueOf = [&](Field* field) -> long double {
    if (!field) return 0;
    if (fromRecord) return numberOf(field->variantValue());
    for (int i = 0; i < columnCount(); ++i) {
      const DBTreeListColumn* c = dbColumn(i);
      if (c && c->field() == field) {
        return numberOf(dataNode.hasCellValue(i) ? dataNode.cellValue(i)
                                                 : Variant(dataNode.texts().get(i)));
      }
    }
    return 0;
  };
  TreeListNode* p = dataNode.parent();
  while (p) {
    DBGridNode& group = dbNode(*p);
    const int level = group.level();
    if (level < groupColumnCount()) {
      DBTreeListColumn* column = groupColumns_[static_cast<std::size_t>(level)];
      const bool first = !group.summariesDone();
      if (column->summaryType() != cstNone) {
        long double value = valueOf(levelSummaryFields_[static_cast<std::size_t>(level)]);
        long double into = group.summaryValue();
        accumulate(column->summaryType(), value, first, into);
        group.setSummaryValue(into);
      }
      const auto& items = levelItemFields_[static_cast<std::size_t>(level)];
      if (!items.empty()) {
        std::vector<long double>& values = group.groupSummaryValues();
        values.resize(items.size());
        std::size_t k = 0;
        for (const DBGridSummaryGroup& sg : summaryGroups_) {
          if (!equalsIgnoringAsciiCase(sg.name, column->summaryGroupName())) continue;
          for (const DBGridSummaryItem& item : sg.summaryItems) {
            if (k < items.size()) accumulate(item.summaryType, valueOf(items[k]), first, values[k]);
            ++k;
          }
        }
      }
      group.setSummariesDone(true);
    }
    p = p->parent();
  }
  for (int i = 0; i < columnCount() && i < static_cast<int>(footerFields_.size()); ++i) {
    DBTreeListColumn* c = dbColumn(i);
    if (!c || c->summaryFooterType() == cstNone) continue;
    accumulate(c->summaryFooterType(), valueOf(footerFields_[static_cast<std::size_t>(i)]),
               c->footerCount == 0, c->footerValue);
    ++c->footerCount;
  }
}

void CustomDBGrid::finishSummaries() {
  for (int i = 0; i < columnCount(); ++i) {
    DBTreeListColumn* c = dbColumn(i);
    if (c && c->summaryFooterType() == cstAvg && c->footerCount > 0) {
      c->footerValue /= static_cast<long double>(c->footerCount);
    }
  }
  // Averages of group rows: the sum over the rows below.
  const auto dataRows = [](TreeListNode* group) {
    long long n = 0;
    std::vector<TreeListNode*> stack{group};
    while (!stack.empty()) {
      TreeListNode* x = stack.back();
      stack.pop_back();
      for (int i = 0; i < x->count(); ++i) {
        TreeListNode* child = x->items(i);
        if (isGroupNode(child)) {
          stack.push_back(child);
        } else {
          ++n;
        }
      }
    }
    return n;
  };
  forEachNode([&](TreeListNode* n) {
    if (!isGroupNode(n)) return;
    const int level = n->level();
    if (level >= groupColumnCount()) return;
    DBTreeListColumn* column = groupColumns_[static_cast<std::size_t>(level)];
    DBGridNode& group = dbNode(*n);
    const long long rows = dataRows(n);
    if (column->summaryType() == cstAvg && rows > 0) {
      group.setSummaryValue(group.summaryValue() / static_cast<long double>(rows));
    }
    if (group.hasGroupSummaryValues()) {
      std::size_t k = 0;
      for (const DBGridSummaryGroup& sg : summaryGroups_) {
        if (!equalsIgnoringAsciiCase(sg.name, column->summaryGroupName())) continue;
        for (const DBGridSummaryItem& item : sg.summaryItems) {
          auto& values = group.groupSummaryValues();
          if (item.summaryType == cstAvg && rows > 0 && k < values.size()) {
            values[k] /= static_cast<long double>(rows);
          }
          ++k;
        }
      }
    }
  });
  // Levels ordered by their summary follow the new values.
  for (const DBTreeListColumn* g : groupColumns_) {
    if (g->sortBySummary() && g->sorted() != csNone) {
      CustomDBTreeListControl::sortNodes(g->groupIndex(), g->index(), g->sorted() == csDown);
    }
  }
}

void CustomDBGrid::recomputeAllSummaries() {
  if (!anySummaries()) return;
  forEachNode([](TreeListNode* n) {
    if (!isGroupNode(n)) return;
    dbNode(*n).setSummariesDone(false);
    dbNode(*n).setSummaryValue(0);
    dbNode(*n).clearGroupSummaryValues();
  });
  resetFooterSummaries();
  std::vector<DBGridNode*> rows;
  forEachNode([&](TreeListNode* n) {
    if (!isGroupNode(n)) rows.push_back(&dbNode(*n));
  });
  for (DBGridNode* n : rows) addToSummaries(*n, false);
  finishSummaries();
}

std::string CustomDBGrid::groupSummaryText(const DBGridNode& node) const {
  const int level = node.level();
  DBTreeListColumn* column = groupColumns(level);
  if (!column) return {};
  std::string text;
  if (column->summaryType() != cstNone) {
    const Field* field = level < static_cast<int>(levelSummaryFields_.size())
                             ? levelSummaryFields_[static_cast<std::size_t>(level)]
                             : column->field();
    text += summaryText(column->summaryType(), node.summaryValue(), field, column->summaryFormat(),
                        SummaryPlace::groupRow);
    text += ' ';
  }
  if (!column->summaryGroupName().empty() && node.hasGroupSummaryValues()) {
    std::vector<std::string> parts;
    std::size_t k = 0;
    const auto& values = const_cast<DBGridNode&>(node).groupSummaryValues();
    for (const DBGridSummaryGroup& sg : summaryGroups_) {
      if (!equalsIgnoringAsciiCase(sg.name, column->summaryGroupName())) continue;
      for (const DBGridSummaryItem& item : sg.summaryItems) {
        if (k < values.size() && item.columnName.empty() && item.summaryType != cstNone) {
          parts.push_back(summaryText(item.summaryType, values[k], nullptr, item.summaryFormat,
                                      SummaryPlace::groupRow));
        }
        ++k;
      }
    }
    for (std::size_t i = 0; i < parts.size(); ++i) {
      text += parts[i];
      if (i + 1 < parts.size()) text += summarySeparator_;
    }
  }
  return text;
}

std::string CustomDBGrid::footerSummaryText(const DBTreeListColumn& column) const {
  const SummaryType type = column.summaryFooterType();
  if (type == cstNone) return {};
  return summaryText(type, column.footerValue, column.field(), column.summaryFooterFormat(),
                     SummaryPlace::footer);
}

}  // namespace morvel
