// Loading the data-bound grid: reading every record of the dataset into
// rows (in named steps, see loadRecords), storing a record's cells in its
// row, selecting the rows again after a reload, and finding a record's row
// through the key index.
#include <algorithm>
#include <optional>
#include <span>
#include <system_error>
#include <thread>

#include "base/BatchQueue.h"
#include "base/ScopeGuard.h"
#include "grid/db/CustomDBGrid.h"
#include "grid/db/DBGridSupport.h"
#include "table/DataSet.h"

namespace morvel {

using dbgrid::editingState;

namespace {

// Whether a row keeps a cell's typed value beside its text: numbers and
// dates sort and group by value, and a text shown through a handler or a
// mask is not the value it stands for.
bool storesValue(const DBTreeListColumn& column, const Field& field) {
  const FieldType type = field.dataType();
  return (type >= ftSmallint && type <= ftDateTime) || type == ftAutoInc ||
         (type == ftString && (field.onGetText || !field.editMask().empty())) ||
         column.storesValues();
}

}  // namespace

// --- Loading -----------------------------------------------------------------------

void CustomDBGrid::reloadAll() {
  UpdateLock lock(*this);
  hideEditing();
  const bool regroup = regroupPending_ && options().has(goSmartReload) && loadAllMode();
  if (!regroup) clearAllNodes();
  dropNodeData();
  dataLink_.clearFieldMap();
  DataSet* ds = dataSet();
  if (dataLink_.linkActive() && ds) {
    if (defaultFields_) {
      for (int i = 0; i < ds->fieldTotal(); ++i) {
        if (ds->field(i)->visible()) dataLink_.addFieldMapEntry(ds->field(i)->fieldName());
      }
    } else {
      for (int i = 0; i < columnCount(); ++i) {
        DBTreeListColumn* column = dbColumn(i);
        dataLink_.addFieldMapEntry(column ? column->fieldName() : std::string());
      }
    }
  }
  {
    // Rebinding may take a column without its field out of the grouping;
    // the load below applies that, so no reload may start meanwhile.
    ++groupBatch_.depth;
    const Finally release([this] { --groupBatch_.depth; });
    for (int i = 0; i < columnCount(); ++i) {
      if (DBTreeListColumn* column = dbColumn(i)) column->setFieldName(column->fieldName());
    }
  }
  loadRecords(nullptr);
  if (onReloadGroupList) onReloadGroupList(*this);
}

void CustomDBGrid::storeCell(DBGridNode& node, DBTreeListColumn& column) {
  const int index = column.index();
  if (index < 0) return;
  std::string text;
  column.storedCellText(text);
  node.texts().set(index, text);
  NodeVariantData data;
  Field* field = column.field();
  if (field) {
    if (storesValue(column, *field)) {
      data.presenceBits |= NodeVariantData::kCellValue;
      data.cellValue = field->variantValue();
    }
  }
  node.setNodeVariantData(index, data);
}

void CustomDBGrid::storeRecord(DBGridNode& node) {
  // Every cell at once: one block for the texts, built in buffers that the
  // next record reuses.
  const int n = columnCount();
  cellTexts_.resize(static_cast<std::size_t>(n));
  cellViews_.resize(static_cast<std::size_t>(n));
  std::vector<std::string>& texts = cellTexts_;
  std::vector<std::string_view>& views = cellViews_;
  std::vector<PackedValue>& cells = cellValues_;
  cells.clear();
  for (int i = 0; i < n; ++i) {
    DBTreeListColumn* column = dbColumn(i);
    const auto at = static_cast<std::size_t>(i);
    if (!column || !column->field()) {
      texts[at] = node.texts().get(i);
      views[at] = texts[at];
      continue;
    }
    Field* field = column->field();
    if (storesValue(*column, *field)) {
      // One read of the field gives both the value and, for dates, the text.
      const Variant value = field->variantValue();
      if (column->dateField_ && value.kind() == vkDate && column->showsOwnText() &&
          at < dateTexts_.size()) {
        // What storedCellText gives, found again for a date met before.
        const DateTimeField& dates = *column->dateField_;
        dateTexts_[at].text(value.dateValue(), texts[at],
                            [&dates](double v, std::string& out) { dates.valueText(v, out); });
      } else {
        column->storedCellText(value, texts[at]);
      }
      cells.emplace_back(value);
      cells.back().setAux(static_cast<std::uint16_t>(i), 0);
    } else {
      column->storedCellText(texts[at]);
    }
    views[at] = texts[at];
  }
  node.assignCells(cells);
  node.texts().assign(views);
  const Variant key = keyField_ ? keyField_->variantValue() : Variant::null();
  if (keyIndex_.valid() && node.keyValue().tryCompare(key) != 0) keyIndex_.invalidate();
  node.setKeyValue(key);
  if (previewField_) {
    try {
      std::string text =
          previewField_->onGetText ? previewField_->displayString() : previewField_->asText();
      if (previewMaxLength_ > 0 && static_cast<int>(text.size()) > previewMaxLength_) {
        text.resize(static_cast<std::size_t>(previewMaxLength_));
        text += "...";
      }
      node.setPreviewText(std::move(text));
    } catch (const std::exception&) {
      // The old text stays.
    }
  }
}

// A load reads every record of the dataset into rows, or, when only the
// grouping changed (a regroup under goSmartReload), refiles the rows it
// has. The steps below run in this order; each says what it leaves behind.
void CustomDBGrid::loadRecords(std::vector<DBGridNode*>* reuseList) {
  if (componentLoading_) return;
  phases_.set(GridPhase::loading, true);
  // The load's own state lasts for this load only, however it ends; the
  // date texts go too, as the format settings may change before the next.
  const Finally endLoad([this] {
    phases_.set(GridPhase::loading, false);
    regroupPending_ = false;
    dateTexts_.clear();
  });
  DataSet* ds = loadableDataSet();
  if (!ds) return;
  const bool regroup = regroupPending_ && options().has(goSmartReload) && loadAllMode();
  bindPreviewField(*ds);
  if (!regroup) resetFooterSummaries();
  if (savedTopKey_.isEmpty()) {
    savedTopKey_ = Variant::null();
    savedTopLevel_ = 0;
  }
  // A full read walks the dataset: its place is kept and its other views
  // wait until the read is over.
  std::string mark;
  std::optional<SuspendedLinks> suspended;
  if (!regroup) {
    mark = ds->positionMark();
    suspended.emplace(*ds);
    if (dataLink_.linkActive() && editingState(ds)) ds->cancelChanges();
  }
  std::optional<ScopedScreenCursor> hourglass;
  if (options().has(goShowHourGlass)) hourglass.emplace(host(), crHourGlass);
  const bool wasAtStart = ds->atStart();
  const bool wasAtEnd = ds->atEnd();
  if (!regroup) ds->goFirst();
  if (onClearNodeData) onClearNodeData(*this);
  const bool summaries = anySummaries();
  TreeListNode* newTop = nullptr;
  if (regroup) {
    regroupLoadedRows();
  } else {
    newTop = readRecords(*ds, reuseList, summaries);
  }
  finishLoadedRows(summaries);
  if (regroup) {
    // The regroup focused the first row while loading, which moves no
    // record: move the dataset now, or the focused row and the current
    // record would part, and the next data change (a save, say) would pull
    // the focus to a record the user never chose.
    GridPhases::Scope unload(phases_, GridPhase::loading, false);
    followFocusedRow();
  } else {
    returnToRecord(*ds, mark, wasAtStart, wasAtEnd);
  }
  if (newTop) setTopNode(newTop);
  hourglass.reset();
  suspended.reset();
}

DataSet* CustomDBGrid::loadableDataSet() {
  lookupKeyField();
  if (!keyField_ && options().has(goCanNavigation)) return nullptr;
  DataSet* ds = dataSet();
  if (dataLink_.linkActive() && ds && ds->active() && !groupColumns_.empty()) {
    // The load applies the removals itself: none may start a reload.
    ++groupBatch_.depth;
    const Finally release([this] { --groupBatch_.depth; });
    for (int i = groupColumnCount() - 1; i >= 0; --i) {
      if (!groupColumns_[static_cast<std::size_t>(i)]->field()) removeGroupColumn(i);
    }
  }
  if (!loadAllMode() || groupingBlocked() || !ds || !ds->active()) return nullptr;
  return ds;
}

void CustomDBGrid::bindPreviewField(DataSet& ds) {
  Field* preview = previewFieldName_.empty() ? nullptr : ds.lookupField(previewFieldName_);
  if (preview) {
    const FieldType t = preview->dataType();
    const bool blob = t >= ftBlob && t <= ftTypedBinary;
    if (blob && t != ftMemo && t != ftFmtMemo) preview = nullptr;
  }
  if (preview == previewField_) return;
  if (previewField_) previewField_->removeFreeNotification(&previewField_);
  previewField_ = preview;
  if (previewField_) {
    previewField_->addFreeNotification(&previewField_, [this](Field&) { previewField_ = nullptr; });
  }
}

TreeListNode* CustomDBGrid::readRecords(DataSet& ds, std::vector<DBGridNode*>* reuseList,
                                        bool summaries) {
  // A whole table's rows are known in number: their lists are made to fit.
  const int expected = ds.hasRecordFilter() || reuseList ? 0 : std::max(ds.recordTotal(), 0);
  if (groupColumns_.empty()) topNodeList().reserve(expected);
  if (keyField_) {
    keyIndex_.begin(static_cast<std::size_t>(expected));
  } else {
    keyIndex_.invalidate();
  }
  std::vector<bool> taken(reuseList ? reuseList->size() : 0);
  // Every row is made anew from its record: rows a filter hid are stale.
  dropHiddenRows();
  bool keysGrow = keyField_ != nullptr;
  std::int64_t lastKey = -1;
  const bool topKey = !savedTopKey_.isBlank();
  TreeListNode* newTop = nullptr;
  int counter = 0;
  // What every row takes once its cells are stored.
  const auto filed = [&](DBGridNode& node) {
    node.setRecordIndex(counter++);
    if (onRefreshNodeData) onRefreshNodeData(*this, &node);
    if (summaries) addToSummaries(node, true);
    if (topKey && node.keyValue().tryCompare(savedTopKey_) == 0) {
      newTop = &node;
      while (newTop->parent() && newTop->level() > savedTopLevel_) newTop = newTop->parent();
    }
    keyIndex_.add(node.keyValue(), &node);
    if (keysGrow) {
      const PackedValue& key = node.keyValue();
      keysGrow = key.isInteger() && key.integer() > lastKey;
      if (keysGrow) lastKey = key.integer();
    }
  };
  if (const auto columns = inPlaceColumns(reuseList, summaries)) {
    readRecordsInPlace(ds, *columns, filed);
  } else {
    dateTexts_.assign(static_cast<std::size_t>(columnCount()), DateTextMemo());
    LastGroupPath lastPath;
    for (; !ds.atEnd(); ds.goNext()) {
      DBGridNode* node = rowForRecord(lastPath, reuseList, taken, counter);
      storeRecord(*node);
      filed(*node);
    }
  }
  keyIndex_.finish(KeyIndex::State::invalid);
  loadedRecordCount_ = counter;
  // Rows in key order are then in record order: a filter can hide rows and
  // bring them back without reading their records.
  rowsCoverTable_ = keysGrow && !ds.hasRecordFilter();
  if (reuseList) {
    for (std::size_t i = 0; i < reuseList->size(); ++i) {
      if (!taken[i]) deleteWithEmptyGroups((*reuseList)[i]);
    }
  }
  return newTop;
}

std::optional<std::vector<RecordRowReader::Column>> CustomDBGrid::inPlaceColumns(
    const std::vector<DBGridNode*>* reuseList, bool summaries) {
  if (reuseList || summaries || !groupColumns_.empty() || previewField_ || onRefreshNodeData) {
    return std::nullopt;
  }
  // A calculated or looked-up value is made with its record current.
  if (keyField_ && keyField_->fieldKind() != fkData) return std::nullopt;
  std::vector<RecordRowReader::Column> columns(static_cast<std::size_t>(columnCount()));
  for (int i = 0; i < columnCount(); ++i) {
    const DBTreeListColumn* column = dbColumn(i);
    Field* field = column ? column->field() : nullptr;
    if (!field) continue;  // an empty text, as in a new row
    if (!column->showsOwnText() || field->fieldKind() != fkData) return std::nullopt;
    columns[static_cast<std::size_t>(i)] = {field, storesValue(*column, *field)};
  }
  return columns;
}

void CustomDBGrid::readRecordsInPlace(DataSet& ds,
                                      const std::vector<RecordRowReader::Column>& columns,
                                      const std::function<void(DBGridNode&)>& filed) {
  // Records per run: handing a run over costs nothing beside its records,
  // and the runs in hand stay in the processor's cache.
  constexpr std::size_t kRunRecords = 512;
  RecordRowReader reader(columns, keyField_);
  RecordRowTexts texts(reader);
  const auto readHere = [&] {
    RecordRows rows;
    ds.forEachRecord([&](const std::uint8_t* record) {
      reader.read(record, rows);
      if (rows.count() < kRunRecords) return;
      storeRows(rows, texts, filed);
      rows.clear();
    });
    storeRows(rows, texts, filed);
  };
  // A filter or a calculated field runs the program's handlers with each
  // record current: they run on this thread, between the rows. A table of
  // one run is not worth a second thread.
  if (!ds.walksOnItsOwn() || ds.recordTotal() <= static_cast<int>(kRunRecords)) {
    readHere();
    return;
  }
  // The records are read on a second thread while this one makes the rows.
  // The load holds the dataset's links off and nothing here touches the
  // dataset until the walk is over.
  struct WalkStopped {};
  BatchQueue<RecordRows> queue;
  const auto walk = [&] {
    try {
      if (RecordRows* rows = queue.spare()) {
        ds.forEachRecord([&](const std::uint8_t* record) {
          reader.read(record, *rows);
          if (rows->count() < kRunRecords) return;
          queue.handOver(rows);
          rows = queue.spare();
          if (!rows) throw WalkStopped();
        });
        queue.handOver(rows);
      }
    } catch (const WalkStopped&) {
      // The rows are no longer wanted.
    } catch (...) {
      queue.fail(std::current_exception());
    }
    queue.close();
  };
  std::thread walker;
  try {
    walker = std::thread(walk);
  } catch (const std::system_error&) {
    readHere();  // no thread to be had
    return;
  }
  {
    // However the rows end, the walk ends before the dataset is used again.
    const Finally join([&] {
      queue.stop();
      walker.join();
    });
    while (RecordRows* rows = queue.next()) {
      storeRows(*rows, texts, filed);
      queue.giveBack(rows);
    }
  }
  if (std::exception_ptr failure = queue.failure()) std::rethrow_exception(failure);
}

void CustomDBGrid::storeRows(const RecordRows& rows, RecordRowTexts& texts,
                             const std::function<void(DBGridNode&)>& filed) {
  std::size_t value = 0;
  for (std::size_t r = 0; r < rows.count(); ++r) {
    DBGridNode& node = dbNode(*addNode());
    node.setGroupValue(Variant::null());
    node.texts().assign(texts.of(rows, r));
    const std::size_t valueEnd = rows.valueEnds[r];
    node.assignCells(std::span(rows.values).subspan(value, valueEnd - value));
    value = valueEnd;
    const PackedValue& key = rows.keys[r];
    if (keyIndex_.valid() && node.keyValue().tryCompare(key) != 0) keyIndex_.invalidate();
    node.setKeyValue(key);
    filed(node);
  }
}

DBGridNode* CustomDBGrid::rowForRecord(LastGroupPath& lastPath, std::vector<DBGridNode*>* reuseList,
                                       std::vector<bool>& taken, int recordIndex) {
  if (groupColumns_.empty()) {
    DBGridNode* node = &dbNode(*addNode());
    node->setGroupValue(Variant::null());
    return node;
  }
  DBGridNode* parent = nullptr;
  for (int level = 0; level < groupColumnCount(); ++level) {
    Field* f = groupColumns_[static_cast<std::size_t>(level)]->field();
    parent = groupRowFor(lastPath, parent, level, f->variantValue(), 0, nullptr, recordIndex);
  }
  DBGridNode* reused = reuseList && keyField_ ? reusedRow(*reuseList, taken, parent) : nullptr;
  return reused ? reused : &dbNode(*parent->addChild());
}

DBGridNode* CustomDBGrid::reusedRow(std::vector<DBGridNode*>& reuseList, std::vector<bool>& taken,
                                    const DBGridNode* parent) {
  const Variant key = keyField_->variantValue();
  const auto it = std::lower_bound(reuseList.begin(), reuseList.end(), key,
                                   [](const DBGridNode* n, const Variant& k) {
                                     // Passes over keys that do not compare.
                                     return n->keyValue().tryCompare(k).value_or(-1) < 0;
                                   });
  if (it == reuseList.end()) return nullptr;
  const auto at = static_cast<std::size_t>(it - reuseList.begin());
  if ((*it)->keyValue().tryCompare(key) != 0 || taken[at] || (*it)->parent() != parent)
    return nullptr;
  taken[at] = true;
  return *it;
}

void CustomDBGrid::regroupLoadedRows() { loadedRecordCount_ = regroupLoadedNodes(); }

void CustomDBGrid::finishLoadedRows(bool summaries) {
  if (groupColumns_.empty()) reselect();
  CustomDBTreeListControl::sortBatchEnded();
  if (summaries) finishSummaries();
  if (!groupColumns_.empty()) takeFirstChildKeys();
}

void CustomDBGrid::returnToRecord(DataSet& ds, const std::string& mark, bool wasAtStart,
                                  bool wasAtEnd) {
  if (!mark.empty()) ds.goToMark(mark);
  if (wasAtStart != wasAtEnd) {
    if (wasAtStart) {
      ds.goPrior();
    } else if (wasAtEnd) {
      ds.goNext();
    }
  }
  if (optionsEx().has(goCollapsedReload) && !groupColumns_.empty() && firstNode() &&
      options().has(goCanNavigation)) {
    focusCollapsedGroup(ds);
  }
}

void CustomDBGrid::focusCollapsedGroup(DataSet& ds) {
  Field* f = groupColumns_.front()->field();
  DBGridNode* group = findGroupNode(nullptr, 0, f->variantValue());
  if (!group || group->expanded()) return;
  if (!options().has(goUseLocate) && !options().has(goSmartRefresh)) {
    ds.goFirst();
    ds.skip(group->recordIndex());
  } else {
    GridPhases::Scope unload(phases_, GridPhase::loading, false);
    goToNodeRecord(focusedNode(), group, true, group->keyValue().toVariant());
  }
  CustomTreeList::setFocusedNode(group, focusedColumn(), false);
}

void CustomDBGrid::reselect() {
  if (selectionCopy_.empty()) return;
  std::vector<PackedValue> keys = std::move(selectionCopy_);
  selectionCopy_.clear();
  std::sort(keys.begin(), keys.end(), [](const PackedValue& a, const PackedValue& b) {
    return a.tryCompare(b).value_or(0) < 0;
  });
  for (int i = 0; i < topCount(); ++i) {
    TreeListNode* node = topNodes(i);
    const PackedValue& key = dbNode(*node).keyValue();
    const auto it = std::lower_bound(
        keys.begin(), keys.end(), key,
        [](const PackedValue& a, const PackedValue& b) { return a.tryCompare(b).value_or(0) < 0; });
    if (it != keys.end() && it->tryCompare(key) == 0) node->setSelected(true);
  }
}

// --- Finding rows ------------------------------------------------------------------

TreeListNode* CustomDBGrid::firstDataNode(TreeListNode* node) {
  while (node && node->count() > 0) node = node->items(0);
  return node;
}

void CustomDBGrid::buildKeyIndex() {
  keyIndex_.begin();
  forEachNode([&](TreeListNode* n) {
    if (!isGroupNode(n)) keyIndex_.add(dbNode(*n).keyValue(), &dbNode(*n));
  });
  keyIndex_.finish(KeyIndex::State::unusable);
}

DBGridNode* CustomDBGrid::findDataNode(const Variant& key) {
  if (keyIndex_.stale()) buildKeyIndex();
  if (keyIndex_.valid() && key.kind() == vkInteger) return keyIndex_.find(key.integerValue());
  DBGridNode* found = nullptr;
  forEachNode([&](TreeListNode* n) {
    if (found || isGroupNode(n)) return;
    if (dbNode(*n).keyValue().tryCompare(key) == 0) found = &dbNode(*n);
  });
  return found;
}

void CustomDBGrid::nodeDeleting(TreeListNode* node, TreeListNode* prior, TreeListNode* next,
                                bool wasLast, bool wasVisible) {
  std::erase(watchList_, node);
  if (changingNode_ == node) changingNode_ = nullptr;
  if (keyIndex_.valid() && !isGroupNode(node)) {
    const PackedValue& key = dbNode(*node).keyValue();
    if (key.isInteger()) keyIndex_.forget(key.integer(), &dbNode(*node));
  }
  CustomDBTreeListControl::nodeDeleting(node, prior, next, wasLast, wasVisible);
}

}  // namespace morvel
