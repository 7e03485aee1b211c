// Mouse buttons, modifier state and key codes as controls receive them.
// Key codes are the classic virtual-key numbers (F2 is 113), which the
// platform's host translates its own key events into.
#pragma once

namespace morvel {

enum MouseButton { mbLeft, mbRight, mbMiddle };

// Modifier keys and held mouse buttons at the time of an event; ssDouble
// marks the second press of a double click.
using ShiftState = unsigned;
enum ShiftFlag : unsigned {
  ssShift = 1 << 0,
  ssAlt = 1 << 1,
  ssCtrl = 1 << 2,
  ssLeft = 1 << 3,
  ssRight = 1 << 4,
  ssMiddle = 1 << 5,
  ssDouble = 1 << 6,
};

// What a scroll bar asks for, in the classic order.
enum ScrollCode {
  scLineUp,
  scLineDown,
  scPageUp,
  scPageDown,
  scThumbPosition,
  scThumbTrack,
  scTop,
  scBottom,
  scEndScroll,
};

constexpr int vkBack = 8;
constexpr int vkTab = 9;
constexpr int vkReturn = 13;
constexpr int vkShift = 16;
constexpr int vkControl = 17;
constexpr int vkMenu = 18;
constexpr int vkEscape = 27;
constexpr int vkSpace = 32;
constexpr int vkPrior = 33;  // Page Up
constexpr int vkNext = 34;   // Page Down
constexpr int vkEnd = 35;
constexpr int vkHome = 36;
constexpr int vkLeft = 37;
constexpr int vkUp = 38;
constexpr int vkRight = 39;
constexpr int vkDown = 40;
constexpr int vkInsert = 45;
constexpr int vkDelete = 46;
// '0'..'9' and 'A'..'Z' are their ASCII codes.
constexpr int vkMultiply = 106;
constexpr int vkAdd = 107;
constexpr int vkSubtract = 109;
constexpr int vkF1 = 112;
constexpr int vkF2 = 113;
constexpr int vkF3 = 114;
constexpr int vkF12 = 123;

}  // namespace morvel
