#pragma once
// Where the window sits, and the Ctrl+F2 switch between the expanded layout (the
// configuration area shows) and the compact strip of countdown lines. The layout is
// stored nowhere: it is read back from the window's outer height each time.
#include <cstdint>

#include "ui/form.h"

namespace vendaro {

// The full size of the primary display in pixels; the taskbar and other displays
// do not count. The caller measures it anew for every call.
struct ScreenSize {
  std::int32_t width;
  std::int32_t height;
};

// Outer sizes, frame included.
inline constexpr std::int32_t kExpandedWidth = 426;
inline constexpr std::int32_t kExpandedHeight = 186;
inline constexpr std::int32_t kCompactWidth = 190;
inline constexpr std::int32_t kCompactHeightOneLine = 20;
inline constexpr std::int32_t kCompactHeightTwoLines = 58;
inline constexpr std::int32_t kCompactHeightThreeLines = 76;

// The window's bottom edge lies this far above the screen's bottom edge.
inline constexpr double kBottomMargin = 40.0;

// A placement result as the window's coordinate: truncated toward zero to a 64-bit
// integer whose low 32 bits are kept. A value no 64-bit integer can hold (NaN, an
// infinity, |x| >= 2^63) gives 0, the low half of the x86 "integer indefinite".
std::int32_t TruncateToCoordinate(double value) noexcept;

// Puts the window, at its current size, at the bottom centre of the screen: the
// left is written first, then the top (the height is read after the left moved).
void PlaceWindow(Form& form, ScreenSize screen);

// Expanded (height 186) becomes compact, with one, two or three lines as 事项2 and
// 事项3 are filled right now; any other height becomes expanded. Writes the height,
// then the width, then places the window.
void ToggleConfigArea(Form& form, ScreenSize screen);

}  // namespace vendaro
