#include "app/placement.h"

#include <string>

namespace vendaro {

namespace {

constexpr double kHalving = 2.0;

// The height of the compact strip: a line for 标签1, and one more for each of 标签2
// and 标签3 whose item has a name in its box. 事项3 counts only after 事项2, so it is
// not read at all when 事项2 is empty. A name of blanks is a name.
std::int32_t CompactHeight(const Form& form) {
  if (form.EditText(Control::事项2).empty()) return kCompactHeightOneLine;
  if (form.EditText(Control::事项3).empty()) return kCompactHeightTwoLines;
  return kCompactHeightThreeLines;
}

}  // namespace

std::int32_t TruncateToCoordinate(double value) noexcept {
  // Both bounds are exact doubles; the range test also sends NaN to the fallback.
  constexpr double kLow = -9223372036854775808.0;  // -2^63
  constexpr double kHigh = 9223372036854775808.0;  //  2^63
  if (!(value >= kLow && value < kHigh)) return 0;
  const auto wide = static_cast<std::int64_t>(value);  // truncates toward zero
  // Keep the low 32 bits; since C++20 this conversion is defined as modulo 2^32.
  return static_cast<std::int32_t>(wide);
}

void PlaceWindow(Form& form, ScreenSize screen) {
  const double screenHalf = static_cast<double>(screen.width) / kHalving;
  const double windowHalf = static_cast<double>(form.WindowWidth()) / kHalving;
  form.SetWindowLeft(TruncateToCoordinate(screenHalf - windowHalf));

  const double screenHeight = static_cast<double>(screen.height);
  const double windowHeight = static_cast<double>(form.WindowHeight());
  form.SetWindowTop(TruncateToCoordinate(screenHeight - windowHeight - kBottomMargin));
}

void ToggleConfigArea(Form& form, ScreenSize screen) {
  if (form.WindowHeight() != kExpandedHeight) {
    form.SetWindowHeight(kExpandedHeight);
    form.SetWindowWidth(kExpandedWidth);
  } else {
    form.SetWindowHeight(CompactHeight(form));
    form.SetWindowWidth(kCompactWidth);
  }
  PlaceWindow(form, screen);
}

}  // namespace vendaro
