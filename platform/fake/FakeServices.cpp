// The test services; see FakeServices.h.
#include "platform/fake/FakeServices.h"

#include <algorithm>

#include "platform/fake/FakeHost.h"

namespace morvel {

FakeTimer::FakeTimer(FakeServices& owner, std::function<void()> onTimeout)
    : owner_(owner), onTimeout_(std::move(onTimeout)) {
  owner_.timers_.push_back(this);
}

FakeTimer::~FakeTimer() {
  auto& t = owner_.timers_;
  t.erase(std::remove(t.begin(), t.end(), this), t.end());
}

FakeServices::~FakeServices() {
  for (FakeHost* host : hosts_) host->services_ = nullptr;
}

std::unique_ptr<Timer> FakeServices::createTimer(std::function<void()> onTimeout) {
  return std::make_unique<FakeTimer>(*this, std::move(onTimeout));
}

void FakeServices::processMessages() {
  ++processCount;
  const auto hosts = hosts_;  // a paint may create or destroy hosts
  for (FakeHost* host : hosts) {
    if (std::find(hosts_.begin(), hosts_.end(), host) != hosts_.end() && host->repaintPending()) {
      host->paint();
    }
  }
}

bool FakeServices::openDocument(std::string_view target) {
  opened.emplace_back(target);
  return openSucceeds;
}

void FakeServices::registerCursor(Cursor id, const Bitmap&, Point hotSpot) {
  cursors[id] = hotSpot;
}

void FakeServices::fireActiveTimers() {
  const auto timers = timers_;
  for (FakeTimer* timer : timers) {
    if (std::find(timers_.begin(), timers_.end(), timer) != timers_.end() && timer->active()) {
      timer->fire();
    }
  }
}

MessageBoxResult FakeServices::messageBox(std::string_view text, std::string_view caption,
                                          MessageBoxIcon icon, MessageBoxButtons buttons) {
  messageBoxes.push_back({std::string(text), std::string(caption), icon, buttons});
  return messageBoxAnswer;
}

}  // namespace morvel
