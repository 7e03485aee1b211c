// Mouse cursor identifiers. Negative numbers are the built-in shapes; the
// controls register their own shapes under other negative numbers (such as
// -1124) and the platform maps every identifier to a real cursor.
#pragma once

namespace morvel {

using Cursor = int;

constexpr Cursor crDefault = 0;
constexpr Cursor crNone = -1;
constexpr Cursor crArrow = -2;
constexpr Cursor crCross = -3;
constexpr Cursor crIBeam = -4;
constexpr Cursor crSizeNESW = -6;
constexpr Cursor crSizeNS = -7;
constexpr Cursor crSizeNWSE = -8;
constexpr Cursor crSizeWE = -9;
constexpr Cursor crUpArrow = -10;
constexpr Cursor crHourGlass = -11;
constexpr Cursor crDrag = -12;
constexpr Cursor crNoDrop = -13;
constexpr Cursor crHSplit = -14;
constexpr Cursor crVSplit = -15;
constexpr Cursor crMultiDrag = -16;
constexpr Cursor crNo = -18;
constexpr Cursor crAppStart = -19;
constexpr Cursor crHelp = -20;
constexpr Cursor crHandPoint = -21;
constexpr Cursor crSizeAll = -22;

}  // namespace morvel
