#pragma once
// The three countdown items: each ties an edit box (the name), a date box (the due
// date) and a label (the countdown line) to a section of the configuration file
// that bears the edit box's name.
#include <array>
#include <string_view>

#include "ui/window_description.h"

namespace vendaro {

struct Item {
  Control nameBox;
  Control dateBox;
  Control label;
  std::string_view Section() const { return EntryOf(nameBox).name; }
};

inline constexpr std::array<Item, 3> kItems{{
    {Control::事项1, Control::日期框1, Control::标签1},
    {Control::事项2, Control::日期框2, Control::标签2},
    {Control::事项3, Control::日期框3, Control::标签3},
}};

inline constexpr std::string_view kNameKey = "事项";
inline constexpr std::string_view kDueDateKey = "到期日";
inline constexpr std::string_view kNoSuchItem = "无此项";

}  // namespace vendaro
