// Data sources and data links; see DataSource.h.
#include "table/DataSource.h"

#include <algorithm>

#include "base/ScopeGuard.h"

namespace morvel {

// --- DataSource ---------------------------------------------------------------

DataSource::DataSource(std::string_view name) : name_(name) {}

DataSource::~DataSource() {
  onStateChange = nullptr;
  onDataChange = nullptr;
  onUpdateData = nullptr;
  setDataSet(nullptr);
  while (!links_.empty()) links_.back()->setDataSource(nullptr);
}

void DataSource::setDataSet(DataSet* dataSet) {
  if (dataSet == dataSet_) return;
  if (dataSet_) dataSet_->detachSource(this);
  dataSet_ = dataSet;
  if (dataSet_) dataSet_->attachSource(this);
  updateState();
}

void DataSource::setEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  updateState();
}

void DataSource::edit() {
  if (autoEdit_ && state_ == stBrowse && dataSet_) dataSet_->beginEdit();
}

void DataSource::updateState() { dataEvent(dcUpdateState, 0); }

void DataSource::dataEvent(DataChange event, ChangeInfo info) {
  if (event == dcUpdateState) {
    const DataSetState state = enabled_ && dataSet_ ? dataSet_->state() : stInactive;
    if (state == state_) return;
    const DataSetState previous = state_;
    state_ = state;
    notifyLinks(dcUpdateState, 0);
    if (onStateChange) onStateChange(*this);
    if (previous == stInactive && onDataChange) onDataChange(*this, nullptr);
    return;
  }
  if (state_ == stInactive) return;
  notifyLinks(event, info);
  if (event == dcFieldChange) {
    if (onDataChange) onDataChange(*this, infoField(info));
  } else if (event >= dcRecordChange && event <= dcLayoutChange) {
    if (onDataChange) onDataChange(*this, nullptr);
  } else if (event == dcUpdateRecord) {
    if (onUpdateData) onUpdateData(*this);
  }
}

void DataSource::notifyLinks(DataChange event, ChangeInfo info) {
  // Non-visual links first, then visual ones; newest first in each pass. A
  // hook may detach links, so the list is re-checked at every step.
  for (const bool visual : {false, true}) {
    for (std::size_t i = links_.size(); i-- > 0;) {
      if (i >= links_.size()) continue;
      DataLink* link = links_[i];
      if (link->visualLink() == visual) link->dataEvent(event, info);
    }
  }
}

void DataSource::addLink(DataLink* link) {
  links_.push_back(link);
  link->dataSource_ = this;
  if (dataSet_) dataSet_->updateWindowSize();
  link->updateState();
}

void DataSource::removeLink(DataLink* link) {
  std::erase(links_, link);
  link->dataSource_ = nullptr;
  if (dataSet_) dataSet_->updateWindowSize();
  link->updateState();
}

// --- DataLink -------------------------------------------------------------------

DataLink::~DataLink() {
  if (dataSource_) {
    std::erase(dataSource_->links_, this);
    if (DataSet* ds = dataSource_->dataSet()) ds->updateWindowSize();
    dataSource_ = nullptr;
  }
}

void DataLink::setDataSource(DataSource* source) {
  if (source == dataSource_) return;
  if (dataSourceFixed_) throw DatabaseError("DataSource cannot be changed");
  if (dataSource_) dataSource_->removeLink(this);
  if (source) source->addLink(this);
}

void DataLink::setReadOnly(bool readOnly) {
  if (readOnly == readOnly_) return;
  readOnly_ = readOnly;
  updateEditing();
}

void DataLink::setWindowSize(int size) {
  size = std::max(size, 1);
  if (size == windowSize_) return;
  windowSize_ = size;
  if (active_) updateWindowStart();
  if (DataSet* ds = dataSet()) ds->updateWindowSize();
  if (active_) updateWindowStart();
}

int DataLink::windowIndex() const {
  const DataSet* ds = dataSet();
  if (!ds || !active_) return 0;
  if (ds->state() == stSetKey) return 0;
  return ds->activeRecordIndex() - windowStart_;
}

int DataLink::windowCount() const {
  const DataSet* ds = dataSet();
  if (!ds || !active_) return 0;
  if (ds->state() == stSetKey) return 1;
  return std::min(windowSize_, ds->bufferCount());
}

bool DataLink::atStart() const {
  const DataSet* ds = dataSet();
  return ds && ds->atStart();
}

bool DataLink::atEnd() const {
  const DataSet* ds = dataSet();
  return ds && ds->atEnd();
}

int DataLink::moveBy(int distance) {
  DataSet* ds = dataSet();
  return ds ? ds->skip(distance) : 0;
}

bool DataLink::edit() {
  if (!readOnly_ && dataSource_) dataSource_->edit();
  return editing_;
}

void DataLink::setActive(bool active) {
  if (active == active_) return;
  active_ = active;
  if (active_) {
    updateWindowStart();
  } else {
    windowStart_ = 0;
  }
  linkActiveChanged();
}

void DataLink::updateEditing() {
  const DataSetState state = dataSource_ ? dataSource_->state() : stInactive;
  const bool editing = (state == stEdit || state == stInsert || state == stSetKey) && !readOnly_;
  if (editing == editing_) return;
  editing_ = editing;
  linkEditingChanged();
}

void DataLink::updateWindowStart() {
  const DataSet* ds = dataSet();
  if (!ds) return;
  const int active = ds->activeRecordIndex();
  const int lower = std::max(0, active - windowSize_ + 1);
  const int upper = std::min(active, std::max(0, ds->windowSize() - windowSize_));
  windowStart_ = std::min(std::max(windowStart_, lower), upper);
  if (windowStart_ > 0 && active - windowStart_ < windowSize_ - 1) --windowStart_;
}

void DataLink::updateState() {
  setActive(dataSource_ && dataSource_->state() != stInactive);
  updateEditing();
}

void DataLink::dataEvent(DataChange event, ChangeInfo info) {
  if (event == dcUpdateState) {
    updateState();
    return;
  }
  if (!active_) return;
  DataSet* ds = dataSet();
  switch (event) {
    case dcFieldChange:
    case dcRecordChange:
      if (!updating_) linkRecordChanged(event == dcFieldChange ? infoField(info) : nullptr);
      break;
    case dcDataSetChange:
    case dcDataSetScroll:
    case dcLayoutChange: {
      int delta = 0;
      if (ds && ds->state() != stSetKey) {
        const int first = windowStart_ + static_cast<int>(info);
        const int last = first + windowSize_ - 1;
        const int active = ds->activeRecordIndex();
        if (active > last) {
          delta = active - last;
        } else if (active < first) {
          delta = active - first;
        }
        windowStart_ = first + delta;
      }
      if (event == dcDataSetChange) {
        linkDataChanged();
      } else if (event == dcDataSetScroll) {
        linkScrolled(delta);
      } else {
        linkLayoutChanged();
      }
      break;
    }
    case dcUpdateRecord: {
      FlagScope updating(updating_, true);
      linkUpdateData();
      break;
    }
    case dcCheckBrowseMode:
      linkCheckBrowse();
      break;
    case dcFocusControl:
      linkFocusField(infoField(info));
      break;
    default:
      break;
  }
}

}  // namespace morvel
