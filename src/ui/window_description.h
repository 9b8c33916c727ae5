#pragma once
// The one window of the program, described as a constant table: the window first,
// then its seventeen controls in stacking order (the first lies on top). The single
// place where places, sizes, texts and colours live; the Win32 shell creates the
// window by walking this table, and tests check the live window against it.
//
// Texts are GBK (this file is UTF-8; the build compiles narrow literals to CP936).
#include <array>
#include <cstdint>
#include <string_view>

namespace vendaro {

using Colour = std::uint32_t;  // 0x00BBGGRR, red in the low byte

inline constexpr Colour kSystemDefaultColour = 0xFF000000;  // drawn as the 3D face colour
inline constexpr Colour kOrange = 0x000080FF;
inline constexpr Colour kRed = 0x000000FF;
inline constexpr Colour kWhite = 0x00FFFFFF;
inline constexpr Colour kBlack = 0x00000000;

// A control's dialog ID is its 1-based place in the description.
enum class Control : int {
  标签5 = 1,
  颜色选择器1,
  透明标签1,
  事项3,
  事项2,
  事项1,
  读取配置项,
  写入配置项,
  日期框1,
  日期框3,
  日期框2,
  标签4,
  标签3,
  时钟1,
  标签2,
  标签1,
  分组框1,
};
inline constexpr int kControlCount = 17;

constexpr int ControlId(Control c) { return static_cast<int>(c); }

enum class Kind { Window, Label, TransLabel, EditBox, Button, GroupBox, DatePicker, ColorPicker, Timer };

// What a control's event runs. The shell raises it; app/ binds it to its routine.
enum class Event { None, Created, LoadClicked, SaveClicked, ColourChosen, Tick };

enum class HAlign { Left, Centre };

struct Rect {
  std::int32_t left, top, width, height;
  friend constexpr bool operator==(const Rect&, const Rect&) = default;
};

struct Entry {
  Kind kind;
  std::string_view name;  // unique; empty for the window
  Rect rect;              // controls: client coordinates; the window: screen place, outer size
  bool visible;
  bool disabled;
  bool tabStop;
  Event event;
  // The kind's own settings (unused ones stay at their defaults).
  std::string_view text{};              // caption, or an edit box's text at creation
  Colour textColour = kBlack;
  Colour backColour = kSystemDefaultColour;
  HAlign align = HAlign::Left;
  bool wordWrap = false;
  std::uint32_t timerPeriodMs = 0;
};

inline constexpr std::string_view kHintCaption =
    "Ctrl + F2 展开/收起配置区域\r\n\r\n        Qorvane  welkorn\r\n            2020.08.08";
inline constexpr std::string_view kFieldCaptions =
    "事项1(事  项)：\r\n\r\n事项1(到期日)：\r\n\r\n事项2(事  项)：\r\n\r\n事项2(到期日)：\r\n\r\n"
    "事项3(事  项)：\r\n\r\n事项3(到期日)：";

// clang-format off
inline constexpr std::array<Entry, 1 + kControlCount> kWindowDescription{{
  {Kind::Window,      "",           {600, 686, 426, 186}, true, false, false, Event::Created, ""},
  {Kind::Label,       "标签5",       {136, 157,  56,  16}, true, false, false, Event::None, "事项颜色：", kBlack},
  {Kind::ColorPicker, "颜色选择器1",  {192, 154,  42,  24}, true, false, true,  Event::ColourChosen, "", kBlack},
  {Kind::TransLabel,  "透明标签1",    {  8,  99, 169,  51}, true, false, false, Event::None, kHintCaption, kRed,
                                                                                kSystemDefaultColour, HAlign::Centre, true},
  {Kind::EditBox,     "事项3",       {285, 104, 120,  18}, true, false, true,  Event::None, "", kOrange, kWhite, HAlign::Centre},
  {Kind::EditBox,     "事项2",       {285,  55, 120,  18}, true, false, true,  Event::None, "", kOrange, kWhite, HAlign::Centre},
  {Kind::EditBox,     "事项1",       {285,   7, 120,  18}, true, false, true,  Event::None, "填写事项1", kOrange, kWhite, HAlign::Centre},
  {Kind::Button,      "读取配置项",   {246, 154,  72,  24}, true, false, true,  Event::LoadClicked, "读取配置项"},
  {Kind::Button,      "写入配置项",   {328, 154,  72,  24}, true, false, true,  Event::SaveClicked, "写入配置项"},
  {Kind::DatePicker,  "日期框1",      {286,  32, 120,  16}, true, false, true,  Event::None},
  {Kind::DatePicker,  "日期框3",      {286, 128, 120,  16}, true, false, true,  Event::None},
  {Kind::DatePicker,  "日期框2",      {286,  80, 120,  16}, true, false, true,  Event::None},
  {Kind::Label,       "标签4",       {200,  10,  90, 134}, true, false, false, Event::None, kFieldCaptions, kBlack,
                                                                                kSystemDefaultColour, HAlign::Left, true},
  {Kind::Label,       "标签3",       {  3,  46, 180,  24}, true, false, false, Event::None, "事项3", kOrange,
                                                                                kSystemDefaultColour, HAlign::Centre},
  {Kind::Timer,       "时钟1",       {161,  72,  26,  26}, false, false, false, Event::Tick, "", kBlack,
                                                                                kSystemDefaultColour, HAlign::Left, false, 30000},
  {Kind::Label,       "标签2",       {  3,  25, 180,  24}, true, false, false, Event::None, "事项2", kOrange,
                                                                                kSystemDefaultColour, HAlign::Centre},
  {Kind::Label,       "标签1",       {  3,   4, 180,  24}, true, false, false, Event::None, "事项1", kOrange,
                                                                                kSystemDefaultColour, HAlign::Centre},
  {Kind::GroupBox,    "分组框1",      {191,  -4, 224, 156}, true, false, false, Event::None, "", kBlack},
}};
// clang-format on

constexpr const Entry& WindowEntry() { return kWindowDescription[0]; }
constexpr const Entry& EntryOf(Control c) { return kWindowDescription[static_cast<std::size_t>(ControlId(c))]; }

// The window's bounds for the left/top and width/height properties.
inline constexpr std::int32_t kCoordinateLimit = 32627;

constexpr std::int32_t ClampWindowCoordinate(std::int32_t v) {
  return v < -kCoordinateLimit ? -kCoordinateLimit : (v > kCoordinateLimit ? kCoordinateLimit : v);
}
constexpr std::int32_t ClampWindowSize(std::int32_t v) {
  return v < 0 ? 0 : (v > kCoordinateLimit ? kCoordinateLimit : v);
}

}  // namespace vendaro
