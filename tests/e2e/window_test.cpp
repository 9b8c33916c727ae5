// The main window as a person and a tool see it: its controls, frame, stacking,
// Tab order, dragging, painting and closing.
#include "driver.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace vendaro::e2e {
namespace {

struct ExpectedControl {
  int id;
  const wchar_t* className;
  RECT rect;  // left, top, right, bottom in client coordinates
  bool visible;
  bool tabStop;
  const wchar_t* text;
};

RECT R(int left, int top, int width, int height) { return {left, top, left + width, top + height}; }

// The window as it must look with no configuration file: no items, so the three
// countdown lines are hidden and the name boxes empty.
const ExpectedControl kControls[] = {
    {1, L"VendaroLabel", R(136, 157, 56, 16), true, false, L"事项颜色："},
    {2, L"VendaroColorPicker", R(192, 154, 42, 24), true, true, L""},
    {3, L"VendaroTransLabel", R(8, 99, 169, 51), true, false,
     L"Ctrl + F2 展开/收起配置区域\r\n\r\n        Qorvane  welkorn\r\n            2020.08.08"},
    {4, L"Edit", R(285, 104, 120, 18), true, true, L""},
    {5, L"Edit", R(285, 55, 120, 18), true, true, L""},
    {6, L"Edit", R(285, 7, 120, 18), true, true, L""},
    {7, L"Button", R(246, 154, 72, 24), true, true, L"读取配置项"},
    {8, L"Button", R(328, 154, 72, 24), true, true, L"写入配置项"},
    {9, L"SysDateTimePick32", R(286, 32, 120, 16), true, true, nullptr},
    {10, L"SysDateTimePick32", R(286, 128, 120, 16), true, true, nullptr},
    {11, L"SysDateTimePick32", R(286, 80, 120, 16), true, true, nullptr},
    {12, L"VendaroLabel", R(200, 10, 90, 134), true, false,
     L"事项1(事  项)：\r\n\r\n事项1(到期日)：\r\n\r\n事项2(事  项)：\r\n\r\n事项2(到期日)：\r\n\r\n事项3(事  项)：\r\n\r\n"
     L"事项3(到期日)："},
    {13, L"VendaroLabel", R(3, 46, 180, 24), false, false, L"事项3"},
    {14, L"VendaroTimer", R(161, 72, 26, 26), false, false, L""},
    {15, L"VendaroLabel", R(3, 25, 180, 24), false, false, L"事项2"},
    {16, L"VendaroLabel", R(3, 4, 180, 24), false, false, L"事项1"},
    {17, L"Button", R(191, -4, 224, 156), true, false, L""},
};

class Window : public ::testing::Test {
 protected:
  void SetUp() override {
    exe_ = folder_.CopyExe();
    widget_ = Widget::Start(exe_);
    ASSERT_NE(widget_, nullptr) << "the widget did not show its window";
  }

  TestFolder folder_;
  std::wstring exe_;
  std::unique_ptr<Widget> widget_;
};

bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

std::string Show(const RECT& r) {
  return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + ")-(" + std::to_string(r.right) + "," +
         std::to_string(r.bottom) + ")";
}

TEST_F(Window, HasItsSeventeenControlsWithTheirClassesPlacesAndTexts) {
  for (const auto& c : kControls) {
    SCOPED_TRACE("control " + std::to_string(c.id));
    ASSERT_NE(widget_->Control(c.id), nullptr);
    EXPECT_EQ(widget_->ClassOf(c.id), c.className);
    const RECT r = widget_->ControlRectInClient(c.id);
    EXPECT_TRUE(SameRect(r, c.rect)) << Show(r) << " expected " << Show(c.rect);
    EXPECT_EQ(widget_->Visible(c.id), c.visible);
    const LONG style = GetWindowLongW(widget_->Control(c.id), GWL_STYLE);
    EXPECT_EQ((style & WS_TABSTOP) != 0, c.tabStop);
    EXPECT_EQ(style & (WS_CHILD | WS_CLIPSIBLINGS | WS_DISABLED), WS_CHILD | WS_CLIPSIBLINGS);
    if (c.text) {
      EXPECT_EQ(widget_->Text(c.id), c.text);
    }
  }
  EXPECT_EQ(GetDlgItem(widget_->window(), 18), nullptr);
  int children = 0;
  for (HWND child = GetWindow(widget_->window(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) ++children;
  EXPECT_EQ(children, 17);
}

TEST_F(Window, ControlsCarryTheirStyles) {
  auto style = [&](int id) { return static_cast<DWORD>(GetWindowLongW(widget_->Control(id), GWL_STYLE)); };
  auto exStyle = [&](int id) { return static_cast<DWORD>(GetWindowLongW(widget_->Control(id), GWL_EXSTYLE)); };
  for (int id : {4, 5, 6}) {
    EXPECT_EQ(style(id) & (ES_CENTER | ES_AUTOHSCROLL | ES_MULTILINE | ES_READONLY | ES_PASSWORD | WS_HSCROLL |
                           WS_VSCROLL | ES_NOHIDESEL | ES_UPPERCASE | ES_LOWERCASE),
              static_cast<DWORD>(ES_CENTER | ES_AUTOHSCROLL))
        << id;
    EXPECT_TRUE(exStyle(id) & WS_EX_CLIENTEDGE) << id;
    // No length limit: the platform's maximum.
    EXPECT_GE(static_cast<unsigned long>(SendMessageW(widget_->Control(id), EM_GETLIMITTEXT, 0, 0)), 0x7FFFFFFEul) << id;
  }
  for (int id : {7, 8}) {
    EXPECT_EQ(style(id) & (BS_TYPEMASK | BS_CENTER | BS_VCENTER | BS_MULTILINE),
              static_cast<DWORD>(BS_PUSHBUTTON | BS_CENTER | BS_VCENTER | BS_MULTILINE))
        << id;
  }
  EXPECT_EQ(style(17) & (BS_TYPEMASK | BS_CENTER), static_cast<DWORD>(BS_GROUPBOX | BS_LEFT));
  for (int id : {9, 10, 11}) {
    EXPECT_EQ(style(id) & (DTS_LONGDATEFORMAT | DTS_UPDOWN | DTS_SHOWNONE | DTS_APPCANPARSE),
              static_cast<DWORD>(DTS_LONGDATEFORMAT))
        << id;
    EXPECT_TRUE(exStyle(id) & WS_EX_STATICEDGE) << id;
  }
  EXPECT_TRUE(exStyle(3) & WS_EX_TRANSPARENT);
  for (int id : {1, 12, 13, 15, 16}) EXPECT_FALSE(exStyle(id) & WS_EX_TRANSPARENT) << id;
}

TEST_F(Window, IsATopmostUnownedWindowWithADialogFrameAndNoTitle) {
  HWND w = widget_->window();
  const DWORD style = static_cast<DWORD>(GetWindowLongW(w, GWL_STYLE));
  // The system keeps WS_CLIPSIBLINGS on every top-level window.
  EXPECT_EQ(style & ~static_cast<DWORD>(WS_VISIBLE | WS_CLIPSIBLINGS), static_cast<DWORD>(WS_DLGFRAME | WS_CLIPCHILDREN));
  EXPECT_NE(style & WS_CAPTION, static_cast<DWORD>(WS_CAPTION));
  const DWORD ex = static_cast<DWORD>(GetWindowLongW(w, GWL_EXSTYLE));
  EXPECT_TRUE(ex & WS_EX_TOPMOST);
  EXPECT_FALSE(ex & (WS_EX_TOOLWINDOW | WS_EX_APPWINDOW | WS_EX_LAYERED | WS_EX_NOACTIVATE));
  EXPECT_EQ(GetWindow(w, GW_OWNER), nullptr);
  EXPECT_EQ(GetWindowTextLengthW(w), 0);
  // (Its icons and fonts are handles that Wine does not hand across processes;
  // the in-process window tests check them.)
  const RECT r = widget_->WindowRect();
  EXPECT_EQ(r.right - r.left, 426);
  EXPECT_EQ(r.bottom - r.top, 186);
  // The frame is the dialog frame on every side: the client area is centred in the outer rect.
  RECT client{};
  GetClientRect(w, &client);
  const int frameX = (r.right - r.left - client.right) / 2, frameY = (r.bottom - r.top - client.bottom) / 2;
  EXPECT_EQ(frameX, GetSystemMetrics(SM_CXDLGFRAME));
  EXPECT_EQ(frameY, GetSystemMetrics(SM_CYDLGFRAME));

  // Topmost also after another window has been activated.
  ForeignWindow other;
  ASSERT_TRUE(other.MakeForeground());
  bool aboveOther = false;
  for (HWND h = GetTopWindow(nullptr); h; h = GetWindow(h, GW_HWNDNEXT)) {
    if (h == other.hwnd()) break;
    if (h == w) aboveOther = true;
  }
  EXPECT_TRUE(aboveOther);
  EXPECT_TRUE(GetWindowLongW(w, GWL_EXSTYLE) & WS_EX_TOPMOST);
}

TEST(Executable, CarriesItsIconAsDefaultIcon) {
  HMODULE exe = LoadLibraryExW(VendaroExe().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  ASSERT_NE(exe, nullptr);
  EXPECT_NE(FindResourceW(exe, L"DEFAULT_ICON", RT_GROUP_ICON), nullptr);
  for (int size : {16, 32, 48}) {
    HICON icon = static_cast<HICON>(LoadImageW(exe, L"DEFAULT_ICON", IMAGE_ICON, size, size, 0));
    EXPECT_NE(icon, nullptr) << size;
    if (icon) DestroyIcon(icon);
  }
  // A manifest asks for Common Controls 6.
  HRSRC manifest = FindResourceW(exe, MAKEINTRESOURCEW(1), RT_MANIFEST);
  ASSERT_NE(manifest, nullptr);
  const char* text = static_cast<const char*>(LockResource(LoadResource(exe, manifest)));
  const std::string body(text, SizeofResource(exe, manifest));
  EXPECT_NE(body.find("Microsoft.Windows.Common-Controls"), std::string::npos);
  EXPECT_NE(body.find("version=\"6.0.0.0\""), std::string::npos);
  FreeLibrary(exe);
}

TEST_F(Window, ControlsAreStackedInDescriptionOrder) {
  std::vector<int> ids;
  for (HWND child = GetWindow(widget_->window(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    ids.push_back(GetDlgCtrlID(child));
  }
  std::vector<int> expected;
  for (int id = 1; id <= 17; ++id) expected.push_back(id);
  EXPECT_EQ(ids, expected);
}

int FocusedId(const Widget& widget) {
  HWND focus = widget.Focus();
  while (focus && GetParent(focus) && GetParent(focus) != widget.window()) focus = GetParent(focus);
  return focus ? GetDlgCtrlID(focus) : 0;
}

TEST_F(Window, TabWalksTheControlsInReverseOrderAndWraps) {
  ASSERT_TRUE(WaitUntil([&] {
    SetForegroundWindow(widget_->window());
    return GetForegroundWindow() == widget_->window();
  }));
  std::vector<int> visited;
  for (int i = 0; i < 10; ++i) {
    const int before = FocusedId(*widget_);
    PressKey(VK_TAB);
    WaitUntil([&] { return FocusedId(*widget_) != before; }, 2000);
    visited.push_back(FocusedId(*widget_));
  }
  const std::vector<int> expected{11, 10, 9, 8, 7, 6, 5, 4, 2, 11};
  EXPECT_EQ(visited, expected);

  // Shift+Tab goes back.
  PressKey(VK_TAB, /*shift=*/true);
  EXPECT_TRUE(WaitUntil([&] { return FocusedId(*widget_) == 2; }, 2000)) << FocusedId(*widget_);
}

TEST_F(Window, EnterAndEscapeDoNothing) {
  ASSERT_TRUE(WaitUntil([&] {
    SetForegroundWindow(widget_->window());
    return GetForegroundWindow() == widget_->window();
  }));
  for (int i = 0; i < 4; ++i) PressKey(VK_TAB);  // to 写入配置项
  ASSERT_TRUE(WaitUntil([&] { return FocusedId(*widget_) == 8; }, 2000)) << FocusedId(*widget_);
  PressKey(VK_RETURN);
  PressKey(VK_ESCAPE);
  // Keys are handled in the order they were pressed: once a Tab pressed after them has
  // taken the focus from 写入配置项 on to 读取配置项, Enter and Esc have been dealt
  // with, and neither of them moved the focus.
  PressKey(VK_TAB);
  EXPECT_TRUE(WaitUntil([&] { return FocusedId(*widget_) == 7; }, 2000)) << FocusedId(*widget_);
  Settle(widget_->window());
  EXPECT_TRUE(widget_->Running());
  EXPECT_TRUE(IsWindowVisible(widget_->window()));
  std::string bytes;
  EXPECT_FALSE(folder_.Read(L"Vendaro.ini", bytes)) << "Enter on a button must not press it";
}

RECT Offset(RECT r, int dx, int dy) {
  OffsetRect(&r, dx, dy);
  return r;
}

POINT ClientToScreenPoint(HWND w, POINT p) {
  ClientToScreen(w, &p);
  return p;
}

TEST_F(Window, DragsByBackgroundLabelsAndGroupBoxButNotByInputs) {
  struct Case {
    const char* what;
    POINT client;  // where the press starts, in client coordinates
    bool moves;
  };
  const Case cases[] = {
      {"bare background", {60, 168}, true},
      {"label 标签5", {150, 165}, true},
      {"label 标签4", {210, 60}, true},
      {"group box frame", {194, 100}, true},
      {"edit box 事项2", {300, 63}, false},
      {"transparent label", {90, 125}, false},
      {"button 读取配置项", {282, 166}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const RECT before = widget_->WindowRect();
    const POINT from = ClientToScreenPoint(widget_->window(), c.client);
    const POINT to{from.x - 90, from.y - 40};
    // An item box that the drag cannot give the focus to (事项1, or 事项3 if 事项1 has it).
    const int sentinel = FocusedId(*widget_) == 6 ? 4 : 6;
    DragFromTo(from, to);
    Settle(widget_->window());
    if (c.moves) {
      EXPECT_TRUE(WaitUntil([&] { return SameRect(widget_->WindowRect(), Offset(before, -90, -40)); }, 3000))
          << Show(widget_->WindowRect()) << " from " << Show(before);
    } else {
      // The press went to the control itself, which took the focus.
      if (GetWindowLongW(widget_->Control(5), GWL_STYLE) & WS_TABSTOP && std::string(c.what) == "edit box 事项2") {
        EXPECT_TRUE(WaitUntil([&] { return FocusedId(*widget_) == 5; }, 3000)) << FocusedId(*widget_);
      }
      // Input is handled in the order it came: once a click after the drag has given
      // the sentinel box the focus, the drag has been dealt with, and it must not
      // have moved the window.
      ClickAt(widget_->ControlCentre(sentinel));
      EXPECT_TRUE(WaitUntil([&] { return FocusedId(*widget_) == sentinel; }, 3000)) << FocusedId(*widget_);
      EXPECT_TRUE(SameRect(widget_->WindowRect(), before)) << Show(widget_->WindowRect());
    }
  }
}

TEST_F(Window, PaintsLabelsBoxesAndHintInTheirColours) {
  HWND w = widget_->window();
  Settle(w);
  RECT window = widget_->WindowRect();
  const std::wstring path = SaveScreenshot(L"window-expanded-no-items", &window);
  EXPECT_FALSE(path.empty());

  Screenshot shot = CaptureScreen();
  auto screenRect = [&](int id) {
    RECT r{};
    GetWindowRect(widget_->Control(id), &r);
    return r;
  };
  auto countDark = [&](const RECT& area) {
    int n = 0;
    for (int y = area.top; y < area.bottom; ++y) {
      for (int x = area.left; x < area.right; ++x) {
        const COLORREF c = shot.At(x, y);
        if (GetRValue(c) + GetGValue(c) + GetBValue(c) < 300) ++n;
      }
    }
    return n;
  };
  auto countNear = [&](const RECT& area, int red, int green, int blue) {
    int n = 0;
    for (int y = area.top; y < area.bottom; ++y) {
      for (int x = area.left; x < area.right; ++x) {
        const COLORREF c = shot.At(x, y);
        if (std::abs(GetRValue(c) - red) < 40 && std::abs(GetGValue(c) - green) < 40 && std::abs(GetBValue(c) - blue) < 40) ++n;
      }
    }
    return n;
  };
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  // 透明标签1: red text straight on the window's face colour.
  const RECT hint = screenRect(3);
  // What the window painted reaches the X screen a moment later: look again until
  // the hint's text has arrived, then judge that one picture.
  WaitUntil(
      [&] {
        shot = CaptureScreen();
        return countNear(hint, 255, 0, 0) > 40;
      },
      3000);
  EXPECT_GT(countNear(hint, 255, 0, 0), 40);
  EXPECT_GT(shot.Count(face, hint), (hint.right - hint.left) * (hint.bottom - hint.top) / 2);
  // 标签4 and 标签5: black text on the face colour.
  for (int id : {1, 12}) {
    const RECT r = screenRect(id);
    EXPECT_GT(countDark(r), 20) << id;
    EXPECT_GT(shot.Count(face, r), (r.right - r.left) * (r.bottom - r.top) / 2) << id;
  }
  // The edit boxes: white inside their sunken edge.
  for (int id : {4, 5, 6}) {
    RECT r = screenRect(id);
    InflateRect(&r, -3, -3);
    EXPECT_EQ(shot.Count(RGB(255, 255, 255), r), (r.right - r.left) * (r.bottom - r.top)) << id;
  }
  // Nothing black shows inside the group box where no control covers it.
  const RECT groupStrip = Offset(R(193, 20, 5, 120), window.left + GetSystemMetrics(SM_CXDLGFRAME),
                                 window.top + GetSystemMetrics(SM_CYDLGFRAME));
  EXPECT_EQ(shot.Count(RGB(0, 0, 0), groupStrip), 0);
}

TEST_F(Window, EditBoxesShowOrangeTextOnWhite) {
  ASSERT_TRUE(widget_->SetText(6, L"测试事项一二三"));
  Settle(widget_->window());
  RECT r{};
  GetWindowRect(widget_->Control(6), &r);
  auto countOrange = [&] {
    const Screenshot shot = CaptureScreen();
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y) {
      for (int x = r.left; x < r.right; ++x) {
        const COLORREF c = shot.At(x, y);
        // Orange blended into white by anti-aliasing keeps red high and green above blue.
        if (GetRValue(c) > 200 && GetGValue(c) > GetBValue(c) + 30 && GetRValue(c) > GetBValue(c) + 80) ++n;
      }
    }
    return n;
  };
  // What the box has painted reaches the X screen a moment later, so the screen is
  // looked at again until the text shows or the time is up.
  int orange = 0;
  WaitUntil([&] { return (orange = countOrange()) > 20; }, 3000);
  EXPECT_GT(orange, 20) << "screen kept in " << Narrow(SaveScreenshot(L"edit-box-orange-text", &r));
}

TEST_F(Window, DateBoxesShowTodayInTheLongDateFormat) {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  wchar_t expected[128] = {};
  GetDateFormatW(LOCALE_USER_DEFAULT, DATE_LONGDATE, &now, nullptr, expected, 128);
  for (int id : {9, 10, 11}) {
    SYSTEMTIME st{};
    ASSERT_TRUE(widget_->ReadDateBox(id, st)) << id;
    EXPECT_EQ(st.wYear, now.wYear) << id;
    EXPECT_EQ(st.wMonth, now.wMonth) << id;
    EXPECT_EQ(st.wDay, now.wDay) << id;
    EXPECT_EQ(widget_->Text(id), expected) << id;
  }
}

TEST_F(Window, ClosingEndsTheProcessWithStatusZero) {
  PostMessageW(widget_->window(), WM_CLOSE, 0, 0);
  DWORD status = 1234;
  ASSERT_TRUE(widget_->WaitForExit(status));
  EXPECT_EQ(status, 0u);
}

}  // namespace
}  // namespace vendaro::e2e
