// A data link that writes down every notification it receives and every hook
// the notifications turn into, so tests can assert exact sequences.
#pragma once

#include <string>
#include <vector>

#include "base/Format.h"
#include "table/DataSource.h"

namespace morvel::testing_support {

inline const char* changeName(DataChange event) {
  static const char* const kNames[] = {"FieldChange",     "RecordChange",    "DataSetChange",
                                       "DataSetScroll",   "LayoutChange",    "UpdateRecord",
                                       "UpdateState",     "CheckBrowseMode", "PropertyChange",
                                       "FieldListChange", "FocusControl",    "ParentScroll"};
  return kNames[event];
}

class RecordingLink : public DataLink {
 public:
  explicit RecordingLink(std::vector<std::string>* shared = nullptr, std::string tag = {})
      : log_(shared ? shared : &own_), tag_(std::move(tag)) {}

  // Notifications as "Kind" or "Kind(info)"; field info shows the field name.
  std::vector<std::string> events;
  // Hook calls: "active", "editing", "scrolled(d)", "layout", "record(name)", ...
  std::vector<std::string> hooks;

  void clear() {
    events.clear();
    hooks.clear();
  }

 protected:
  void dataEvent(DataChange event, ChangeInfo info) override {
    std::string text = changeName(event);
    if (event == dcFieldChange || event == dcFocusControl) {
      text += "(" + infoField(info)->fieldName() + ")";
    } else if (event == dcDataSetScroll) {
      text += formatMessage("(%d)", static_cast<long long>(info));
    }
    events.push_back(text);
    log_->push_back(tag_ + text);
    DataLink::dataEvent(event, info);
  }
  void linkActiveChanged() override { hooks.push_back(linkActive() ? "active" : "inactive"); }
  void linkEditingChanged() override { hooks.push_back(linkEditing() ? "editing" : "browsing"); }
  void linkDataChanged() override { hooks.push_back("data"); }
  void linkScrolled(int distance) override {
    hooks.push_back(formatMessage("scrolled(%d)", distance));
  }
  void linkLayoutChanged() override { hooks.push_back("layout"); }
  void linkRecordChanged(Field* field) override {
    hooks.push_back("record(" + (field ? field->fieldName() : std::string()) + ")");
  }
  void linkUpdateData() override { hooks.push_back("update"); }

 private:
  std::vector<std::string> own_;
  std::vector<std::string>* log_;
  std::string tag_;
};

}  // namespace morvel::testing_support
