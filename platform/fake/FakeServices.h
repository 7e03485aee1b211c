// Platform services for tests: timers that fire only when the test says so,
// message processing that runs the pending paints of the fake hosts, and a
// shell "open" that records its targets instead of starting anything.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/PlatformServices.h"

namespace morvel {

class FakeHost;
class FakeServices;

class FakeTimer : public Timer {
 public:
  FakeTimer(FakeServices& owner, std::function<void()> onTimeout);
  ~FakeTimer() override;
  void start(int intervalMs) override {
    interval_ = intervalMs;
    active_ = true;
    ++starts;
  }
  void stop() override { active_ = false; }
  bool active() const override { return active_; }
  int interval() const override { return interval_; }
  // Runs the callback as if the interval had passed (even when stopped).
  void fire() { onTimeout_(); }

  int starts = 0;  // start() calls so far

 private:
  FakeServices& owner_;
  std::function<void()> onTimeout_;
  int interval_ = 0;
  bool active_ = false;
};

class FakeServices : public PlatformServices {
 public:
  ~FakeServices() override;

  std::unique_ptr<Timer> createTimer(std::function<void()> onTimeout) override;
  // Paints every fake host that has a repaint pending.
  void processMessages() override;
  bool openDocument(std::string_view target) override;
  std::uint32_t resolveColor(Color color) const override { return classicColor(color); }
  void registerCursor(Cursor id, const Bitmap& image, Point hotSpot) override;
  void setClipboardText(std::string_view text) override { clipboard.assign(text); }
  Point cursorPos() const override { return pointer; }
  // Records the box and answers messageBoxAnswer.
  MessageBoxResult messageBox(std::string_view text, std::string_view caption, MessageBoxIcon icon,
                              MessageBoxButtons buttons) override;

  // The timers alive now, in creation order.
  const std::vector<FakeTimer*>& timers() const { return timers_; }
  // Fires every active timer once.
  void fireActiveTimers();

  int processCount = 0;             // processMessages() calls
  std::vector<std::string> opened;  // openDocument targets, in order
  bool openSucceeds = true;         // what openDocument answers
  std::map<Cursor, Point> cursors;  // registered cursors and hot spots
  std::string clipboard;
  Point pointer;
  struct ShownMessageBox {
    std::string text;
    std::string caption;
    MessageBoxIcon icon;
    MessageBoxButtons buttons;
  };
  std::vector<ShownMessageBox> messageBoxes;  // every box shown, in order
  MessageBoxResult messageBoxAnswer = mrOk;

 private:
  friend class FakeTimer;
  friend class FakeHost;
  std::vector<FakeTimer*> timers_;
  std::vector<FakeHost*> hosts_;
};

}  // namespace morvel
