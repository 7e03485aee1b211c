// Services of the windowing platform that belong to no one window: timers,
// processing pending messages, the shell's "open", the system palette,
// registered cursor shapes and the clipboard. One object serves the whole
// process and outlives every control (the Qt one lives for the program; a
// test owns its fake one).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>

#include "platform/Bitmap.h"
#include "platform/Cursor.h"
#include "platform/Graphics.h"

namespace morvel {

// A repeating timer on the user-interface thread. Destroying it stops it.
class Timer {
 public:
  virtual ~Timer() = default;
  // Starts, or restarts with a new interval: the callback given at creation
  // runs every intervalMs milliseconds until stop(). The callback may call
  // start() or stop() on its own timer.
  virtual void start(int intervalMs) = 0;
  virtual void stop() = 0;
  virtual bool active() const = 0;
  virtual int interval() const = 0;
};

// Message boxes: the icon shown and the buttons offered, and which button
// closed the box.
enum MessageBoxIcon { mbiNone, mbiInformation, mbiWarning, mbiError, mbiQuestion };
enum MessageBoxButtons { mbbOk, mbbOkCancel, mbbYesNo, mbbYesNoCancel };
enum MessageBoxResult { mrOk, mrCancel, mrYes, mrNo };

class PlatformServices {
 public:
  virtual ~PlatformServices() = default;

  // A stopped timer that calls onTimeout when it fires.
  virtual std::unique_ptr<Timer> createTimer(std::function<void()> onTimeout) = 0;

  // Runs what is waiting in the message queue (paints, input, timers) and
  // returns. Long operations call it after setting a status text.
  virtual void processMessages() = 0;

  // Asks the platform to open a web address or a document with its "open"
  // verb, showing no error dialog of its own. False when it could not.
  virtual bool openDocument(std::string_view target) = 0;

  // The colour as 0xAARRGGBB (opaque): system colours from the platform's
  // palette, RGB values as they are. clNone gives transparency.
  virtual std::uint32_t resolveColor(Color color) const = 0;

  // Makes a picture usable as the cursor with this identifier.
  virtual void registerCursor(Cursor id, const Bitmap& image, Point hotSpot) = 0;

  virtual void setClipboardText(std::string_view text) = 0;

  // The mouse pointer's position on the screen.
  virtual Point cursorPos() const = 0;

  // Shows a modal message box and waits for the user's answer. Closing the
  // box without a button answers Cancel (or No when there is no Cancel).
  virtual MessageBoxResult messageBox(std::string_view text, std::string_view caption,
                                      MessageBoxIcon icon, MessageBoxButtons buttons) = 0;
};

// The fixed classic palette, for platforms without one of their own and for
// tests: 0xAARRGGBB of a colour (system colours by their classic values).
std::uint32_t classicColor(Color color);

}  // namespace morvel
