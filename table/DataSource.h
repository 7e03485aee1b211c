// The fan-out from one dataset to its observers: a data source is attached to
// a dataset and passes its notifications on to the data links attached to
// it; a link turns them into calls of its hooks and keeps its own view of
// the dataset's record window (WindowStart, WindowSize).
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "table/DataSet.h"

namespace morvel {

class DataLink;

class DataSource {
 public:
  explicit DataSource(std::string_view name = {});
  ~DataSource();
  DataSource(const DataSource&) = delete;
  DataSource& operator=(const DataSource&) = delete;

  const std::string& name() const { return name_; }
  DataSet* dataSet() const { return dataSet_; }
  void setDataSet(DataSet* dataSet);
  bool enabled() const { return enabled_; }
  void setEnabled(bool enabled);
  bool autoEdit() const { return autoEdit_; }
  void setAutoEdit(bool autoEdit) { autoEdit_ = autoEdit; }
  // The source's copy of the dataset state: stInactive while disabled or
  // without a dataset.
  DataSetState state() const { return state_; }
  const std::vector<DataLink*>& links() const { return links_; }
  // Starts editing the current record when AutoEdit is on and the dataset
  // is browsing.
  void edit();

  std::function<void(DataSource&)> onStateChange;
  // With the changed field for a field change, none for the others.
  std::function<void(DataSource&, Field*)> onDataChange;
  std::function<void(DataSource&)> onUpdateData;

 private:
  friend class DataSet;
  friend class DataLink;
  void dataEvent(DataChange event, ChangeInfo info);
  void notifyLinks(DataChange event, ChangeInfo info);
  void updateState();
  void addLink(DataLink* link);
  void removeLink(DataLink* link);

  std::string name_;
  DataSet* dataSet_ = nullptr;
  bool enabled_ = true;
  bool autoEdit_ = true;
  DataSetState state_ = stInactive;
  std::vector<DataLink*> links_;  // in attachment order
};

class DataLink {
 public:
  DataLink() = default;
  virtual ~DataLink();
  DataLink(const DataLink&) = delete;
  DataLink& operator=(const DataLink&) = delete;

  DataSource* dataSource() const { return dataSource_; }
  // Attaching or detaching recomputes the dataset's window and the link's
  // state. A fixed link refuses: "DataSource cannot be changed".
  void setDataSource(DataSource* source);
  void setDataSourceFixed(bool fixed) { dataSourceFixed_ = fixed; }
  DataSet* dataSet() const { return dataSource_ ? dataSource_->dataSet() : nullptr; }

  bool linkActive() const { return active_; }
  bool linkEditing() const { return editing_; }
  bool readOnly() const { return readOnly_; }
  void setReadOnly(bool readOnly);
  // Visual links hear every notification after the non-visual ones.
  bool visualLink() const { return visualLink_; }
  void setVisualLink(bool visual) { visualLink_ = visual; }
  // How many consecutive records the observer wants in the window (at
  // least 1), and where in the dataset's window its first one is.
  int windowSize() const { return windowSize_; }
  void setWindowSize(int size);
  int windowStart() const { return windowStart_; }
  // The active record's row in the observer's view, and how many rows of
  // the view hold records.
  int windowIndex() const;
  int windowCount() const;
  bool atStart() const;
  bool atEnd() const;
  int moveBy(int distance);
  // Asks the data source to start editing; true when the link is editing.
  bool edit();
  // True while the link writes its own pending edits.
  bool updating() const { return updating_; }

 protected:
  virtual void linkActiveChanged() {}
  virtual void linkEditingChanged() {}
  virtual void linkDataChanged() { linkRecordChanged(nullptr); }
  virtual void linkScrolled(int /*distance*/) { linkDataChanged(); }
  virtual void linkLayoutChanged() { linkDataChanged(); }
  virtual void linkRecordChanged(Field* /*field*/) {}
  virtual void linkUpdateData() {}
  virtual void linkCheckBrowse() {}
  virtual void linkFocusField(Field* /*field*/) {}
  // Turns a notification into hook calls; observers that need the raw
  // notification override it and call the base.
  virtual void dataEvent(DataChange event, ChangeInfo info);

 private:
  friend class DataSource;
  friend class DataSet;
  void setActive(bool active);
  // Takes over the source's state: active and editing.
  void updateState();
  void updateEditing();
  void updateWindowStart();

  DataSource* dataSource_ = nullptr;
  bool dataSourceFixed_ = false;
  bool active_ = false;
  bool editing_ = false;
  bool readOnly_ = false;
  bool visualLink_ = false;
  bool updating_ = false;
  int windowSize_ = 1;
  int windowStart_ = 0;
};

}  // namespace morvel
