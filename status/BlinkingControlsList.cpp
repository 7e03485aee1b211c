// The shared blinking list; see BlinkingControlsList.h.
#include "status/BlinkingControlsList.h"

#include <algorithm>

namespace morvel {
namespace {

// The one process-wide list; every access goes through instance().
std::unique_ptr<BlinkingControlsList>& theList() {
  static std::unique_ptr<BlinkingControlsList> list;
  return list;
}

}  // namespace

BlinkingControl::BlinkingControl() { BlinkingControlsList::join(this); }

BlinkingControl::~BlinkingControl() { BlinkingControlsList::leave(this); }

void BlinkingControl::setBlinking(bool blinking) {
  if (blinking == blinking_) return;
  blinking_ = blinking;
  blinkRepaint();
}

void BlinkingControl::setBlinkColor(Color color) {
  if (color == blinkColor_) return;
  blinkColor_ = color;
  if (blinking_) blinkRepaint();
}

int BlinkingControl::blinkIntervalOn() const { return BlinkingControlsList::intervalOn(); }
void BlinkingControl::setBlinkIntervalOn(int ms) { BlinkingControlsList::setIntervalOn(ms); }
int BlinkingControl::blinkIntervalOff() const { return BlinkingControlsList::intervalOff(); }
void BlinkingControl::setBlinkIntervalOff(int ms) { BlinkingControlsList::setIntervalOff(ms); }

void BlinkingControl::blinkPhaseChanged(bool) {
  if (blinking_) blinkRepaint();
}

Color BlinkingControl::blinkingTextColor(Color normal) const {
  const BlinkingControlsList* list = BlinkingControlsList::instance();
  return blinking_ && list && list->blinkPhase() ? blinkColor_ : normal;
}

BlinkingControlsList* BlinkingControlsList::instance() { return theList().get(); }

void BlinkingControlsList::join(BlinkingControl* control) {
  auto& list = theList();
  if (!list) list = std::make_unique<BlinkingControlsList>();
  list->controls_.push_back(control);
}

void BlinkingControlsList::leave(BlinkingControl* control) {
  auto& list = theList();
  if (!list) return;
  auto& c = list->controls_;
  c.erase(std::remove(c.begin(), c.end(), control), c.end());
  if (c.empty()) list.reset();
}

void BlinkingControlsList::startTimer(PlatformServices& services) {
  BlinkingControlsList* list = instance();
  if (!list || list->timer_) return;
  list->timer_ = services.createTimer([list] { list->tick(); });
  list->timer_->start(kDefaultInterval);
}

int BlinkingControlsList::intervalOn() {
  return instance() ? instance()->intervalOn_ : kDefaultInterval;
}

int BlinkingControlsList::intervalOff() {
  return instance() ? instance()->intervalOff_ : kDefaultInterval;
}

void BlinkingControlsList::setIntervalOn(int ms) {
  if (instance()) instance()->intervalOn_ = std::max(ms, 0);
}

void BlinkingControlsList::setIntervalOff(int ms) {
  if (instance()) instance()->intervalOff_ = std::max(ms, 0);
}

void BlinkingControlsList::tick() {
  blinkPhase_ = !blinkPhase_;
  const auto controls = controls_;  // a control may leave while told
  for (BlinkingControl* control : controls) {
    if (instance() != this) return;  // the last control went
    if (std::find(controls_.begin(), controls_.end(), control) != controls_.end()) {
      control->blinkPhaseChanged(blinkPhase_);
    }
  }
  if (instance() == this && timer_) timer_->start(blinkPhase_ ? intervalOn_ : intervalOff_);
}

}  // namespace morvel
