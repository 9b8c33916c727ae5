#pragma once
// The property model: how the program's logic reads and changes the live window.
// Every read and write acts on the control at once. The Win32 shell implements it;
// tests implement it with a fake. Texts are GBK byte strings.
#include <cstdint>
#include <string>
#include <string_view>

#include "dates/date_value.h"
#include "ui/window_description.h"

namespace vendaro {

class Form {
 public:
  virtual ~Form() = default;

  // The window's outer rectangle, in screen coordinates. Writes clamp first
  // (left/top to ±32627, width/height to 0…32627) and take effect at once:
  // left/top move the window keeping its size; width/height resize it keeping
  // its top-left corner and its other dimension.
  virtual std::int32_t WindowLeft() const = 0;
  virtual std::int32_t WindowTop() const = 0;
  virtual std::int32_t WindowWidth() const = 0;
  virtual std::int32_t WindowHeight() const = 0;
  void SetWindowLeft(std::int32_t v) { MoveWindowLeft(ClampWindowCoordinate(v)); }
  void SetWindowTop(std::int32_t v) { MoveWindowTop(ClampWindowCoordinate(v)); }
  void SetWindowWidth(std::int32_t v) { ResizeWindowWidth(ClampWindowSize(v)); }
  void SetWindowHeight(std::int32_t v) { ResizeWindowHeight(ClampWindowSize(v)); }

  // Labels (标签1 … 标签5). A caption write always repaints, also when unchanged.
  virtual void SetLabelVisible(Control label, bool visible) = 0;
  virtual void SetLabelCaption(Control label, std::string_view caption) = 0;
  virtual void SetLabelTextColour(Control label, Colour colour) = 0;

  // Edit boxes (事项1 … 事项3). An empty box reads as the empty text.
  virtual std::string EditText(Control box) const = 0;
  virtual void SetEditText(Control box, std::string_view text) = 0;

  // Date boxes (日期框1 … 日期框3): the date and time shown, time of day included.
  // Writing exactly 0.0 shows the current local date and time; a date the box
  // cannot show is refused and the box keeps its date.
  virtual DateValue DateBoxValue(Control box) const = 0;
  virtual void SetDateBoxValue(Control box, DateValue value) = 0;

  // The colour picker (颜色选择器1). Setting the colour redraws it and raises no event.
  virtual Colour PickerColour(Control picker) const = 0;
  virtual void SetPickerColour(Control picker, Colour colour) = 0;

  // The window's native handle (an HWND on Windows).
  virtual void* NativeHandle() const = 0;

 protected:
  // Called with values already clamped.
  virtual void MoveWindowLeft(std::int32_t left) = 0;
  virtual void MoveWindowTop(std::int32_t top) = 0;
  virtual void ResizeWindowWidth(std::int32_t width) = 0;
  virtual void ResizeWindowHeight(std::int32_t height) = 0;
};

}  // namespace vendaro
