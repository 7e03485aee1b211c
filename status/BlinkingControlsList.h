// The process-wide list of controls that can blink, with the one timer that
// drives them all and the two blink intervals they share. It exists while at
// least one such control exists; its timer runs from the moment a listed
// control first reaches a platform (gets a host).
#pragma once

#include <memory>
#include <vector>

#include "platform/Graphics.h"
#include "platform/PlatformServices.h"

namespace morvel {

// The blinking part of a control: it joins the list for its whole life,
// and while blinking() its text takes blinkColor() in the blink phase.
class BlinkingControl {
 public:
  BlinkingControl();
  virtual ~BlinkingControl();
  BlinkingControl(const BlinkingControl&) = delete;
  BlinkingControl& operator=(const BlinkingControl&) = delete;

  bool blinking() const { return blinking_; }
  // Turning blinking off repaints in the normal colour at once.
  void setBlinking(bool blinking);
  Color blinkColor() const { return blinkColor_; }
  void setBlinkColor(Color color);
  // Shared by every blinking control of the program.
  int blinkIntervalOn() const;
  void setBlinkIntervalOn(int ms);
  int blinkIntervalOff() const;
  void setBlinkIntervalOff(int ms);

  // The list's timer flipped the phase.
  void blinkPhaseChanged(bool blinkPhase);

 protected:
  // The colour for text whose colour is normally `normal`.
  Color blinkingTextColor(Color normal) const;
  // Repaint, as the blinking colour changed.
  virtual void blinkRepaint() = 0;

 private:
  bool blinking_ = false;
  Color blinkColor_ = clHighlight;
};

class BlinkingControlsList {
 public:
  static constexpr int kDefaultInterval = 500;

  // The list, or null while no control is listed.
  static BlinkingControlsList* instance();

  // A control joins when it is created and leaves when it is destroyed; the
  // last one to leave frees the list (and its timer).
  static void join(BlinkingControl* control);
  static void leave(BlinkingControl* control);
  // A listed control has reached a platform: the timer starts, in the
  // normal phase at 500 ms, if it is not running yet.
  static void startTimer(PlatformServices& services);

  // Intervals for the next blink phase and the next normal phase.
  static int intervalOn();
  static int intervalOff();
  static void setIntervalOn(int ms);
  static void setIntervalOff(int ms);

  bool blinkPhase() const { return blinkPhase_; }
  std::size_t size() const { return controls_.size(); }
  const Timer* timer() const { return timer_.get(); }

  // The timer's work: flip the phase, tell every control, set the next
  // interval.
  void tick();

 private:
  std::vector<BlinkingControl*> controls_;
  std::unique_ptr<Timer> timer_;
  bool blinkPhase_ = false;
  int intervalOn_ = kDefaultInterval;
  int intervalOff_ = kDefaultInterval;
};

}  // namespace morvel
