// The grid's data link; see GridDataLink.h.
#include "grid/db/GridDataLink.h"

#include <algorithm>

#include "grid/db/CustomDBGrid.h"

namespace morvel {

GridDataLink::GridDataLink(CustomDBGrid& grid) : grid_(grid) {
  setVisualLink(true);
  fieldMap_.reserve(8);
}

GridDataLink::~GridDataLink() {
  unwatchFields();
  setDataSource(nullptr);
}

void GridDataLink::unwatchFields() {
  for (Field* f : watchedFields_) f->removeFreeNotification(this);
  watchedFields_.clear();
}

int GridDataLink::fieldMapEntry(int i) const {
  return i >= 0 && i < fieldMapCount() ? fieldMap_[static_cast<std::size_t>(i)] : -1;
}

void GridDataLink::addFieldMapEntry(std::string_view fieldName) {
  DataSet* ds = dataSet();
  Field* field = ds ? ds->lookupField(fieldName) : nullptr;
  fieldMap_.push_back(field ? field->index() : -1);
  if (field &&
      std::find(watchedFields_.begin(), watchedFields_.end(), field) == watchedFields_.end()) {
    watchedFields_.push_back(field);
    field->addFreeNotification(this, [this](Field& gone) {
      // The field list is changing: the map is rebuilt at the next reload.
      std::erase(watchedFields_, &gone);
      fieldMap_.clear();
    });
  }
}

void GridDataLink::clearFieldMap() {
  fieldMap_.clear();
  unwatchFields();
}

Field* GridDataLink::fieldMapField(int i) const {
  const int position = fieldMapEntry(i);
  DataSet* ds = dataSet();
  return position >= 0 && ds ? ds->field(position) : nullptr;
}

void GridDataLink::linkActiveChanged() { grid_.linkActiveChanged(); }
void GridDataLink::linkEditingChanged() { grid_.linkEditingChanged(); }

void GridDataLink::linkDataChanged() {
  grid_.linkDataChanged();
  editPending_ = false;
}

void GridDataLink::linkScrolled(int distance) { grid_.linkScrolled(-distance); }
void GridDataLink::linkLayoutChanged() { grid_.linkLayoutChanged(); }

void GridDataLink::linkRecordChanged(Field* field) {
  grid_.linkRecordChanged(field);
  editPending_ = false;
}

void GridDataLink::linkUpdateData() { grid_.linkUpdateData(); }
void GridDataLink::linkFocusField(Field* field) { grid_.linkFocusField(field); }

}  // namespace morvel
