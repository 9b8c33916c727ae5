// Ctrl+F2 pressed wherever the user happens to be typing: the widget switches between
// its expanded window and the compact strip of countdown lines, lands at the bottom
// centre of the screen each time, and neither takes the focus nor loses its topmost
// place. Also what happens when Ctrl+F2 is not ours to have, and when some other
// program posts the widget a hotkey message it never registered.
#include "driver.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace vendaro::e2e {
namespace {

// Dialog IDs: the 1-based places in the window description.
constexpr int k事项3 = 4;
constexpr int k事项2 = 5;
constexpr int k事项1 = 6;

constexpr int kExpandedWidth = 426;
constexpr int kExpandedHeight = 186;
constexpr int kCompactWidth = 190;

RECT At(int left, int top, int width, int height) { return {left, top, left + width, top + height}; }

bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

std::string Show(const RECT& r) {
  return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + ") " + std::to_string(r.right - r.left) + "x" +
         std::to_string(r.bottom - r.top);
}

// Where a window of this outer size belongs on the screen the test runs on: centred,
// the half pixel of an odd difference dropped toward zero, its bottom edge 40 pixels
// above the screen's. (A double converted to int truncates toward zero.)
RECT BottomCentre(int width, int height) {
  const double screenWidth = GetSystemMetrics(SM_CXSCREEN);
  const double screenHeight = GetSystemMetrics(SM_CYSCREEN);
  const int left = static_cast<int>(screenWidth / 2.0 - width / 2.0);
  const int top = static_cast<int>(screenHeight - height - 40.0);
  return At(left, top, width, height);
}

// The figures worked out by hand for one screen, to hold the rule above to account.
struct ScreenFigures {
  int width;
  int height;
  POINT expanded;
  int compactLeft;
  int compactTop76;
  int compactTop58;
  int compactTop20;

  RECT Expanded() const { return At(expanded.x, expanded.y, kExpandedWidth, kExpandedHeight); }
  RECT Compact(int height) const {
    const int top = height == 76 ? compactTop76 : height == 58 ? compactTop58 : height == 20 ? compactTop20 : -99999;
    return At(compactLeft, top, kCompactWidth, height);
  }
};

constexpr ScreenFigures kScreen1920{1920, 1080, {747, 854}, 865, 964, 982, 1020};
constexpr ScreenFigures kScreen1365{1365, 768, {469, 542}, 587, 652, 670, 708};

// The widget moves in four steps (height, width, left, top) inside one handler; from
// outside, a look can fall between them. So wait for the final place, then make sure
// that nothing moves it on once the widget has caught up.
::testing::AssertionResult Reaches(const Widget& widget, const RECT& expected, Millis deadline = 5000) {
  WaitUntil([&] { return SameRect(widget.WindowRect(), expected); }, deadline);
  Settle(widget.window());
  const RECT now = widget.WindowRect();
  if (SameRect(now, expected)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "the window is at " << Show(now) << ", expected " << Show(expected);
}

::testing::AssertionResult HoldsTheFocus(const ForeignWindow& other) {
  const HWND foreground = GetForegroundWindow();
  const HWND focus = GetFocus();
  if (foreground == other.hwnd() && focus == other.hwnd()) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "foreground " << foreground << ", focus " << focus << ", the other program's window "
                                       << other.hwnd();
}

// Stacking order, read from the top: is `upper` above `lower`?
bool IsAbove(HWND upper, HWND lower) {
  for (HWND h = GetTopWindow(nullptr); h; h = GetWindow(h, GW_HWNDNEXT)) {
    if (h == lower) return false;
    if (h == upper) return true;
  }
  return false;
}

// The user, typing into another program, presses Ctrl+F2.
void PressCtrlF2From(const ForeignWindow& other) {
  ASSERT_TRUE(other.MakeForeground());
  PressKey(VK_F2, /*shift=*/false, /*ctrl=*/true);
}

bool MakeWidgetForeground(const Widget& widget) {
  return WaitUntil([&] {
    if (GetForegroundWindow() == widget.window()) return true;
    SetForegroundWindow(widget.window());
    return false;
  });
}

// A configuration file as the widget writes it: GBK, CR LF.
std::string Configuration(const std::wstring& name1, const std::wstring& name2, const std::wstring& name3) {
  return Narrow(L"[事项1]\r\n事项=" + name1 + L"\r\n到期日=2031年3月1日\r\n" + L"[事项2]\r\n事项=" + name2 +
                L"\r\n到期日=2032年6月15日\r\n" + L"[事项3]\r\n事项=" + name3 + L"\r\n到期日=2033年12月31日\r\n");
}

RECT Inflated(RECT r, int by) {
  InflateRect(&r, by, by);
  return r;
}

class HotkeyOnScreen : public ::testing::Test {
 protected:
  explicit HotkeyOnScreen(const ScreenFigures& figures) : figures_(figures) {}

  void SetUp() override {
    ASSERT_EQ(GetSystemMetrics(SM_CXSCREEN), figures_.width) << "this suite needs its own screen size";
    ASSERT_EQ(GetSystemMetrics(SM_CYSCREEN), figures_.height) << "this suite needs its own screen size";
    exe_ = folder_.CopyExe();
  }

  void StartWidget() {
    widget_ = Widget::Start(exe_);
    ASSERT_NE(widget_, nullptr) << "the widget did not show its window";
  }

  // The expanded window and the strip at the places both the rule and the figures
  // worked out by hand give for this screen.
  ::testing::AssertionResult ReachesExpanded() const {
    EXPECT_TRUE(SameRect(BottomCentre(kExpandedWidth, kExpandedHeight), figures_.Expanded()));
    return Reaches(*widget_, figures_.Expanded());
  }
  ::testing::AssertionResult ReachesCompact(int height) const {
    EXPECT_TRUE(SameRect(BottomCentre(kCompactWidth, height), figures_.Compact(height))) << height;
    return Reaches(*widget_, figures_.Compact(height));
  }

  // The compact height follows the name boxes as they are when Ctrl+F2 is pressed,
  // typed or saved: a line for 标签1, one more for 事项2 and, only after it, one for 事项3.
  void SwitchThroughEveryCompactHeight() {
    struct Case {
      const char* what;
      const wchar_t* name1;
      const wchar_t* name2;
      const wchar_t* name3;
      int compactHeight;
    };
    const Case cases[] = {
        {"no names", L"", L"", L"", 20},
        {"事项1 alone: it is never looked at", L"甲", L"", L"", 20},
        {"事项2 alone", L"", L"乙", L"", 58},
        {"事项3 without 事项2 adds no line", L"", L"", L"丙", 20},
        {"事项3 and 事项1 without 事项2", L"甲", L"", L"丙", 20},
        {"事项2 holding one blank is filled", L"", L" ", L"", 58},
        {"事项2 and 事项3, 事项1 empty", L"", L"乙", L"丙", 76},
        {"all three", L"甲", L"乙", L"丙", 76},
        {"事项3 holding one blank is filled", L"甲", L"乙", L" ", 76},
    };
    std::string fileBefore;
    const bool hadFile = folder_.Read(L"Vendaro.ini", fileBefore);
    ForeignWindow other;
    for (const auto& c : cases) {
      SCOPED_TRACE(c.what);
      ASSERT_TRUE(widget_->SetText(k事项1, c.name1));
      ASSERT_TRUE(widget_->SetText(k事项2, c.name2));
      ASSERT_TRUE(widget_->SetText(k事项3, c.name3));
      PressCtrlF2From(other);
      EXPECT_TRUE(ReachesCompact(c.compactHeight));
      EXPECT_TRUE(HoldsTheFocus(other));
      PressCtrlF2From(other);
      ASSERT_TRUE(ReachesExpanded());
      EXPECT_TRUE(HoldsTheFocus(other));
    }
    // The switch reads the boxes, never the file, and saves nothing either.
    std::string fileAfter;
    EXPECT_EQ(folder_.Read(L"Vendaro.ini", fileAfter), hadFile);
    EXPECT_EQ(fileAfter, fileBefore);
  }

  const ScreenFigures& figures_;
  TestFolder folder_;
  std::wstring exe_;
  std::unique_ptr<Widget> widget_;
};

class Hotkey : public HotkeyOnScreen {
 protected:
  Hotkey() : HotkeyOnScreen(kScreen1920) {}
};

class Toggle_1365 : public HotkeyOnScreen {
 protected:
  Toggle_1365() : HotkeyOnScreen(kScreen1365) {}
};

TEST_F(Hotkey, CtrlF2InAnotherProgramSwitchesToTheStripAndBackWithoutTakingTheFocus) {
  ASSERT_TRUE(folder_.Write(L"Vendaro.ini", Configuration(L"毕业答辩", L"搬家", L"年度体检")));
  ASSERT_NO_FATAL_FAILURE(StartWidget());
  EXPECT_TRUE(SameRect(widget_->WindowRect(), At(747, 854, 426, 186))) << Show(widget_->WindowRect());
  EXPECT_TRUE(ReachesExpanded());

  ForeignWindow other;
  ASSERT_TRUE(other.MakeForeground());
  const HWND widgetFocus = widget_->Focus();
  TypeText(L"ab");

  struct Step {
    const char* what;
    RECT expected;
    const wchar_t* screenshot;
  };
  const Step steps[] = {
      {"to the compact strip", At(865, 964, 190, 76), L"hotkey-compact-three-lines"},
      {"back to the expanded window", At(747, 854, 426, 186), L"hotkey-expanded-three-items"},
  };
  std::wstring typedSoFar = L"ab";
  for (const auto& step : steps) {
    SCOPED_TRACE(step.what);
    PressCtrlF2From(other);
    EXPECT_TRUE(Reaches(*widget_, step.expected));
    EXPECT_TRUE(HoldsTheFocus(other));
    EXPECT_EQ(widget_->Focus(), widgetFocus) << "the switch moved the focus inside the widget";
    EXPECT_TRUE(GetWindowLongW(widget_->window(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_TRUE(IsAbove(widget_->window(), other.hwnd())) << "the widget fell below the active window";
    // The user goes on typing into the other program.
    TypeText(L"cd");
    typedSoFar += L"cd";
    EXPECT_TRUE(WaitUntil([&] { return other.typed() == typedSoFar; }, 3000)) << Narrow(other.typed());
    const RECT shot = Inflated(widget_->WindowRect(), 16);
    EXPECT_FALSE(SaveScreenshot(step.screenshot, &shot).empty());
  }
  EXPECT_TRUE(widget_->Running());
}

TEST_F(Hotkey, CompactHeightFollowsTheNameBoxesAtTheMomentOfTheSwitch) {
  ASSERT_NO_FATAL_FAILURE(StartWidget());
  ASSERT_TRUE(ReachesExpanded());
  SwitchThroughEveryCompactHeight();
}

TEST_F(Toggle_1365, SwitchesAtTheBottomCentreOfASmallScreen) {
  ASSERT_TRUE(folder_.Write(L"Vendaro.ini", Configuration(L"毕业答辩", L"搬家", L"")));
  ASSERT_NO_FATAL_FAILURE(StartWidget());
  ASSERT_TRUE(ReachesExpanded());

  // The stored names count as soon as they are loaded: two lines.
  ForeignWindow other;
  PressCtrlF2From(other);
  ASSERT_TRUE(ReachesCompact(58));
  const RECT shot = Inflated(widget_->WindowRect(), 16);
  EXPECT_FALSE(SaveScreenshot(L"hotkey-1365-compact-two-lines", &shot).empty());
  PressCtrlF2From(other);
  ASSERT_TRUE(ReachesExpanded());

  SwitchThroughEveryCompactHeight();
}

// What the user typed counts, saved or not, and the file is left alone.
TEST_F(Hotkey, CompactHeightCountsTypedNamesNotSavedOnes) {
  const std::string saved = Configuration(L"毕业答辩", L"搬家", L"年度体检");
  ASSERT_TRUE(folder_.Write(L"Vendaro.ini", saved));
  ASSERT_NO_FATAL_FAILURE(StartWidget());
  ASSERT_EQ(widget_->Text(k事项3), L"年度体检") << "the stored names did not reach the boxes";
  ASSERT_EQ(widget_->Text(k事项2), L"搬家");
  ForeignWindow other;

  struct Step {
    const char* what;
    const wchar_t* typed;  // replaces what 事项3 holds
    int compactHeight;
  };
  const Step steps[] = {
      {"事项3 cleared, not saved", L"", 58},
      {"事项3 typed again, not saved", L"复查", 76},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.what);
    ASSERT_TRUE(MakeWidgetForeground(*widget_));
    ClickAt(widget_->ControlCentre(k事项3));
    ASSERT_TRUE(WaitUntil([&] { return widget_->Focus() == widget_->Control(k事项3); }, 3000));
    PressKey(VK_END);
    PressKey(VK_HOME, /*shift=*/true);
    PressKey(VK_DELETE);
    TypeText(step.typed);
    ASSERT_TRUE(WaitUntil([&] { return widget_->Text(k事项3) == step.typed; }, 3000)) << Narrow(widget_->Text(k事项3));

    PressCtrlF2From(other);
    EXPECT_TRUE(ReachesCompact(step.compactHeight));
    PressCtrlF2From(other);
    ASSERT_TRUE(ReachesExpanded());
  }
  std::string bytes;
  ASSERT_TRUE(folder_.Read(L"Vendaro.ini", bytes));
  EXPECT_EQ(bytes, saved) << "switching layouts wrote to the configuration file";
}

TEST_F(Hotkey, DraggedAwayItComesBackToTheBottomCentreInTheOtherLayout) {
  ASSERT_NO_FATAL_FAILURE(StartWidget());
  ASSERT_TRUE(widget_->SetText(k事项2, L"搬家"));  // so the strip is 58 high
  ForeignWindow other;

  struct Step {
    const char* what;
    POINT grab;  // a bare spot of the client area, to drag by
    int dx, dy;
    RECT afterCtrlF2;
  };
  const Step steps[] = {
      {"expanded, dragged to the top left", {60, 168}, -600, -700, At(865, 982, 190, 58)},
      {"compact, dragged up and right", {120, 40}, 500, -600, At(747, 854, 426, 186)},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.what);
    const RECT before = widget_->WindowRect();
    POINT from = step.grab;
    ClientToScreen(widget_->window(), &from);
    DragFromTo(from, {from.x + step.dx, from.y + step.dy});
    RECT moved = before;
    OffsetRect(&moved, step.dx, step.dy);
    ASSERT_TRUE(Reaches(*widget_, moved)) << "the drag did not take";

    PressCtrlF2From(other);
    EXPECT_TRUE(Reaches(*widget_, step.afterCtrlF2));
    EXPECT_TRUE(SameRect(step.afterCtrlF2, BottomCentre(step.afterCtrlF2.right - step.afterCtrlF2.left,
                                                       step.afterCtrlF2.bottom - step.afterCtrlF2.top)));
    EXPECT_TRUE(HoldsTheFocus(other));
  }
}

// The driver itself plays the program that got Ctrl+F2 first.
class HeldHotkey {
 public:
  explicit HeldHotkey(HWND window) : window_(window), held_(RegisterHotKey(window, 1, MOD_CONTROL, VK_F2) != 0) {}
  ~HeldHotkey() {
    if (held_) UnregisterHotKey(window_, 1);
  }
  HeldHotkey(const HeldHotkey&) = delete;
  HeldHotkey& operator=(const HeldHotkey&) = delete;
  bool held() const { return held_; }

 private:
  HWND window_;
  bool held_;
};

TEST_F(Hotkey, WhenAnotherProgramHoldsCtrlF2TheWidgetStartsAndIgnoresIt) {
  ForeignWindow other;
  const HeldHotkey holder(other.hwnd());
  ASSERT_TRUE(holder.held()) << "Ctrl+F2 was already taken before the test";

  ASSERT_NO_FATAL_FAILURE(StartWidget());
  ASSERT_TRUE(ReachesExpanded());
  const RECT start = widget_->WindowRect();

  PressCtrlF2From(other);
  // The keys were pressed and went to the program that holds them...
  ASSERT_TRUE(WaitUntil([&] { return other.hotkeys() == 1; }, 3000)) << other.hotkeys();
  // ...and the widget, having caught up, has not moved.
  Settle(widget_->window());
  EXPECT_TRUE(SameRect(widget_->WindowRect(), start)) << Show(widget_->WindowRect());
  EXPECT_TRUE(HoldsTheFocus(other));
  EXPECT_TRUE(ProcessWindows(widget_->pid(), L"#32770").empty()) << "the widget showed a box";

  PostMessageW(widget_->window(), WM_CLOSE, 0, 0);
  DWORD status = 1234;
  ASSERT_TRUE(widget_->WaitForExit(status));
  EXPECT_EQ(status, 0u);
}

TEST_F(Hotkey, APostedHotkeyMessageWithAnUnknownIdChangesNothingAndShowsNothing) {
  ASSERT_NO_FATAL_FAILURE(StartWidget());
  ASSERT_TRUE(ReachesExpanded());
  ForeignWindow other;
  ASSERT_TRUE(other.MakeForeground());

  // Ids that no registration of the widget ever had: 0 in particular is what a lookup
  // that finds nothing returns.
  for (const WPARAM id : {WPARAM{7}, WPARAM{0}, WPARAM{2}, static_cast<WPARAM>(-1)}) {
    ASSERT_TRUE(PostMessageW(widget_->window(), WM_HOTKEY, id, MAKELPARAM(MOD_CONTROL, VK_F2)));
  }
  // The real Ctrl+F2 queues its WM_HOTKEY behind those, and queued messages are handled
  // in order: once the strip shows, every unknown id has been dealt with, and none of
  // them switched the layout, or this one would have switched it back.
  PressKey(VK_F2, /*shift=*/false, /*ctrl=*/true);
  EXPECT_TRUE(ReachesCompact(20));
  EXPECT_TRUE(widget_->Running());
  EXPECT_TRUE(ProcessWindows(widget_->pid(), L"#32770").empty()) << "the widget made a message box";
  // A box could still be on its way to the screen: give it a moment to show up.
  EXPECT_FALSE(WaitUntil([&] { return FindProcessWindow(widget_->pid(), L"#32770") != nullptr || !widget_->Running(); },
                         1500));
  EXPECT_TRUE(HoldsTheFocus(other));

  // And Ctrl+F2 still works afterwards.
  PressCtrlF2From(other);
  EXPECT_TRUE(ReachesExpanded());
  PostMessageW(widget_->window(), WM_CLOSE, 0, 0);
  DWORD status = 1234;
  ASSERT_TRUE(widget_->WaitForExit(status));
  EXPECT_EQ(status, 0u);
}

TEST_F(Hotkey, TheWindowIsNeverShownAnywhereButTheBottomCentre) {
  ASSERT_TRUE(folder_.Write(L"Vendaro.ini", Configuration(L"毕业答辩", L"搬家", L"年度体检")));
  const RECT expected = At(747, 854, 426, 186);
  int looksBeforeCreated = 0;
  int looksWhileHidden = 0;
  int looksWhileShown = 0;
  std::vector<RECT> elsewhere;  // each wrong place once
  HWND window = nullptr;  // found once, while still hidden, then only looked at
  auto watch = [&](DWORD pid) {
    if (!window) {
      const std::vector<HWND> windows = ProcessWindows(pid, L"VendaroWindow");
      if (!windows.empty()) window = windows.front();
    }
    if (!window) {
      ++looksBeforeCreated;
      return;
    }
    if (!IsWindowVisible(window)) {
      if (looksWhileShown == 0) ++looksWhileHidden;
      return;
    }
    RECT r{};
    GetWindowRect(window, &r);
    ++looksWhileShown;
    if (!SameRect(r, expected) && (elsewhere.empty() || !SameRect(elsewhere.back(), r))) elsewhere.push_back(r);
  };
  widget_ = Widget::Start(exe_, L"", watch);
  ASSERT_NE(widget_, nullptr);
  // The watch saw the process before its window showed, and then the window itself.
  EXPECT_GT(looksBeforeCreated + looksWhileHidden, 0);
  EXPECT_GT(looksWhileShown, 0);
  for (const RECT& r : elsewhere) ADD_FAILURE() << "shown at " << Show(r) << ", expected " << Show(expected);
  EXPECT_TRUE(SameRect(widget_->WindowRect(), expected)) << Show(widget_->WindowRect());
  EXPECT_EQ(widget_->Text(k事项1), L"毕业答辩");
  std::printf("start-up watched: %d looks before the window existed, %d while hidden, %d while shown\n",
              looksBeforeCreated, looksWhileHidden, looksWhileShown);
  EXPECT_EQ(widget_->window(), window);
}

TEST_F(Hotkey, InTheStripTabStillReachesTheControlsOutsideIt) {
  ASSERT_NO_FATAL_FAILURE(StartWidget());
  ForeignWindow other;
  PressCtrlF2From(other);
  ASSERT_TRUE(ReachesCompact(20));

  ASSERT_TRUE(MakeWidgetForeground(*widget_));
  RECT client{};
  GetClientRect(widget_->window(), &client);
  // Tab walks nine stops; 事项2 is among them wherever the walk starts.
  std::vector<int> visited;
  for (int i = 0; i < 9 && (visited.empty() || visited.back() != k事项2); ++i) {
    const HWND before = widget_->Focus();
    PressKey(VK_TAB);
    WaitUntil([&] { return widget_->Focus() != before; }, 2000);
    HWND focus = widget_->Focus();
    while (focus && GetParent(focus) && GetParent(focus) != widget_->window()) focus = GetParent(focus);
    visited.push_back(focus ? GetDlgCtrlID(focus) : 0);
    SCOPED_TRACE("Tab took the focus to control " + std::to_string(visited.back()));
    ASSERT_NE(visited.back(), 0);
    RECT r = widget_->ControlRectInClient(visited.back()), inside{};
    EXPECT_FALSE(IntersectRect(&inside, &r, &client)) << "a control inside the strip: " << Show(r);
  }
  ASSERT_EQ(visited.back(), k事项2);

  TypeText(L"看不见");
  EXPECT_TRUE(WaitUntil([&] { return widget_->Text(k事项2) == L"看不见"; }, 3000)) << Narrow(widget_->Text(k事项2));
  // Typing into a box outside the strip neither resizes nor moves it.
  EXPECT_TRUE(Reaches(*widget_, kScreen1920.Compact(20)));

  // Ctrl+F2 right there: the focus stays in the box, and the unseen name now counts.
  const int heights[] = {kExpandedHeight, 58};
  for (int height : heights) {
    SCOPED_TRACE(height);
    PressKey(VK_F2, /*shift=*/false, /*ctrl=*/true);
    EXPECT_TRUE(height == kExpandedHeight ? ReachesExpanded() : ReachesCompact(height));
    EXPECT_EQ(widget_->Focus(), widget_->Control(k事项2));
    EXPECT_EQ(GetForegroundWindow(), widget_->window());
  }
}

}  // namespace
}  // namespace vendaro::e2e
