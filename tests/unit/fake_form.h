#pragma once
// A stand-in for the live window, for tests of the logic that talks to a Form.
//
// It holds every property of the property model, starting as the window
// description builds the window; it behaves as the real controls do where the
// logic could tell the difference (a date box takes "now" for exactly 0.0 and
// refuses a date it cannot show; every caption or colour write repaints); and it
// logs every read and write in order, so a test can check what was touched and
// when. Touching a property of a control of the wrong kind is a test failure.
//
// What the user does (typing a name, picking a date or a colour) goes through the
// User… functions, which change the state without logging.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "ui/form.h"
#include "ui/window_description.h"

namespace vendaro::testing {

enum class Property {
  WindowLeft,
  WindowTop,
  WindowWidth,
  WindowHeight,
  LabelVisible,
  LabelCaption,
  LabelTextColour,
  EditText,
  DateBoxValue,
  PickerColour,
};

struct Access {
  bool write = false;
  Property property{};
  Control control{};  // Control{} for the window's own properties
  std::string value;  // what was read or written: texts as they are, numbers in decimal
  friend bool operator==(const Access&, const Access&) = default;
};

inline void PrintTo(const Access& a, std::ostream* os) {
  static constexpr const char* kNames[] = {"left",    "top",      "width", "height", "visible",
                                           "caption", "colour",   "text",  "date",   "picker"};
  *os << (a.write ? "write " : "read ") << ControlId(a.control) << '.'
      << kNames[static_cast<int>(a.property)] << " = " << ::testing::PrintToString(a.value);
}

class FakeForm final : public Form {
 public:
  // The range a Win32 date box can show: 1601-01-01 00:00:00 to 9999-12-31 23:59:59.
  static constexpr DateValue kFirstShownDate = -109205.0;
  static constexpr DateValue kLastShownDate = 2958465.0 + 86399.0 / 86400.0;

  struct LabelState {
    bool visible = true;
    std::string caption;
    Colour colour = kBlack;
    int paints = 0;  // caption and colour writes, each of which repaints the label
  };

  // `now` is the local date and time the date boxes take at creation and for 0.0.
  explicit FakeForm(DateValue now) : now_(now) {
    const Rect& w = WindowEntry().rect;
    window_ = w;
    for (int id = 1; id <= kControlCount; ++id) {
      const Entry& e = kWindowDescription[static_cast<std::size_t>(id)];
      State& s = state_[static_cast<std::size_t>(id)];
      s.label.visible = e.visible;
      s.label.caption = std::string(e.text);
      s.label.colour = e.textColour;
      s.text = std::string(e.text);
      s.date = now;
      s.colour = kBlack;  // the picker's colour at creation
    }
  }

  // --- what the test looks at (not logged) ---
  const std::vector<Access>& Log() const { return log_; }
  void ClearLog() { log_.clear(); }
  std::vector<Access> Writes() const {
    std::vector<Access> writes;
    for (const Access& a : log_) {
      if (a.write) writes.push_back(a);
    }
    return writes;
  }
  const LabelState& Label(Control c) const { return At(c, Kind::Label).label; }
  const std::string& Text(Control c) const { return At(c, Kind::EditBox).text; }
  DateValue Date(Control c) const { return At(c, Kind::DatePicker).date; }
  Colour Picker(Control c) const { return At(c, Kind::ColorPicker).colour; }
  const Rect& Window() const { return window_; }
  DateValue Now() const { return now_; }

  // --- what the user does (not logged) ---
  void UserTypes(Control box, std::string_view text) { Mutable(box, Kind::EditBox).text = std::string(text); }
  void UserPicksDate(Control box, DateValue value) { Mutable(box, Kind::DatePicker).date = value; }
  void UserPicksColour(Control picker, Colour colour) { Mutable(picker, Kind::ColorPicker).colour = colour; }
  void SetNow(DateValue now) { now_ = now; }
  void SetNativeHandle(void* handle) { handle_ = handle; }

  // --- the property model ---
  std::int32_t WindowLeft() const override { return LogRead(Property::WindowLeft, window_.left); }
  std::int32_t WindowTop() const override { return LogRead(Property::WindowTop, window_.top); }
  std::int32_t WindowWidth() const override { return LogRead(Property::WindowWidth, window_.width); }
  std::int32_t WindowHeight() const override { return LogRead(Property::WindowHeight, window_.height); }

  void SetLabelVisible(Control label, bool visible) override {
    LogWrite(Property::LabelVisible, label, visible ? "1" : "0");
    Mutable(label, Kind::Label).label.visible = visible;
  }
  void SetLabelCaption(Control label, std::string_view caption) override {
    LogWrite(Property::LabelCaption, label, std::string(caption));
    LabelState& s = Mutable(label, Kind::Label).label;
    s.caption = std::string(caption);
    ++s.paints;
  }
  void SetLabelTextColour(Control label, Colour colour) override {
    LogWrite(Property::LabelTextColour, label, Number(colour));
    LabelState& s = Mutable(label, Kind::Label).label;
    s.colour = colour;
    ++s.paints;
  }

  std::string EditText(Control box) const override {
    const std::string& text = At(box, Kind::EditBox).text;
    Log(false, Property::EditText, box, text);
    return text;
  }
  void SetEditText(Control box, std::string_view text) override {
    LogWrite(Property::EditText, box, std::string(text));
    Mutable(box, Kind::EditBox).text = std::string(text);
  }

  DateValue DateBoxValue(Control box) const override {
    const DateValue value = At(box, Kind::DatePicker).date;
    Log(false, Property::DateBoxValue, box, Number(value));
    return value;
  }
  void SetDateBoxValue(Control box, DateValue value) override {
    LogWrite(Property::DateBoxValue, box, Number(value));
    DateValue& date = Mutable(box, Kind::DatePicker).date;
    if (value == 0.0) {
      date = now_;
    } else if (value >= kFirstShownDate && value <= kLastShownDate) {  // NaN fails both
      date = value;
    }
  }

  Colour PickerColour(Control picker) const override {
    const Colour colour = At(picker, Kind::ColorPicker).colour;
    Log(false, Property::PickerColour, picker, Number(colour));
    return colour;
  }
  void SetPickerColour(Control picker, Colour colour) override {
    LogWrite(Property::PickerColour, picker, Number(colour));
    Mutable(picker, Kind::ColorPicker).colour = colour;
  }

  void* NativeHandle() const override { return handle_; }

 protected:
  void MoveWindowLeft(std::int32_t v) override { window_.left = LogWindowWrite(Property::WindowLeft, v); }
  void MoveWindowTop(std::int32_t v) override { window_.top = LogWindowWrite(Property::WindowTop, v); }
  void ResizeWindowWidth(std::int32_t v) override { window_.width = LogWindowWrite(Property::WindowWidth, v); }
  void ResizeWindowHeight(std::int32_t v) override { window_.height = LogWindowWrite(Property::WindowHeight, v); }

 private:
  struct State {
    LabelState label;  // labels
    std::string text;  // edit boxes
    DateValue date = 0.0;
    Colour colour = kBlack;  // the colour picker
  };

  static std::string Number(double v) {
    char digits[32];
    std::snprintf(digits, sizeof digits, "%.17g", v);
    return digits;
  }

  const State& At(Control c, Kind kind) const {
    const int id = ControlId(c);
    if (id < 1 || id > kControlCount || kWindowDescription[static_cast<std::size_t>(id)].kind != kind) {
      ADD_FAILURE() << "control " << id << " is not of the kind this property belongs to";
      return state_[0];
    }
    return state_[static_cast<std::size_t>(id)];
  }
  State& Mutable(Control c, Kind kind) { return const_cast<State&>(At(c, kind)); }

  void Log(bool write, Property p, Control c, std::string value) const {
    log_.push_back(Access{write, p, c, std::move(value)});
  }
  void LogWrite(Property p, Control c, std::string value) { Log(true, p, c, std::move(value)); }
  std::int32_t LogRead(Property p, std::int32_t v) const {
    Log(false, p, Control{}, Number(v));
    return v;
  }
  std::int32_t LogWindowWrite(Property p, std::int32_t v) {
    Log(true, p, Control{}, Number(v));
    return v;
  }

  DateValue now_;
  Rect window_{};
  std::array<State, 1 + kControlCount> state_{};  // by dialog ID; [0] absorbs faulty accesses
  void* handle_ = nullptr;
  mutable std::vector<Access> log_;
};

}  // namespace vendaro::testing
