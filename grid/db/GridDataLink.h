// The data-bound grid's link to its data source: it passes the dataset's
// notifications on to the grid, and keeps the field map, the dataset fields
// the grid's columns (or the dataset's visible fields) stand for.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "table/DataSource.h"

namespace morvel {

class CustomDBGrid;

class GridDataLink : public DataLink {
 public:
  explicit GridDataLink(CustomDBGrid& grid);
  ~GridDataLink() override;

  CustomDBGrid& grid() const { return grid_; }

  // The field map: entry i is the position of a field in the dataset's field
  // list, or -1 when the named field does not exist.
  int fieldMapCount() const { return static_cast<int>(fieldMap_.size()); }
  int fieldMapEntry(int i) const;
  // Looks the field up by name and appends its position.
  void addFieldMapEntry(std::string_view fieldName);
  void clearFieldMap();
  // The field of entry i; none out of range or for -1.
  Field* fieldMapField(int i) const;

  // A cell edit was typed and not yet written to its field.
  bool editPending() const { return editPending_; }
  void setEditPending(bool pending) { editPending_ = pending; }

 protected:
  void linkActiveChanged() override;
  void linkEditingChanged() override;
  void linkDataChanged() override;
  void linkScrolled(int distance) override;
  void linkLayoutChanged() override;
  void linkRecordChanged(Field* field) override;
  void linkUpdateData() override;
  void linkFocusField(Field* field) override;

 private:
  void unwatchFields();

  CustomDBGrid& grid_;
  std::vector<std::int32_t> fieldMap_;
  std::vector<Field*> watchedFields_;  // fields asked to tell of their destruction
  bool editPending_ = false;
};

}  // namespace morvel
