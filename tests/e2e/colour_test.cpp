// The text colour of the countdown lines, chosen as a person does: in the picker's
// palette with the mouse or the keyboard, or through 其它颜色... and the system colour
// dialog. What counts is what the screen shows in the three lines.
#include "driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "ui/win32/color_picker.h"

namespace vendaro::e2e {
namespace {

constexpr int k标签1 = 16, k标签2 = 15, k标签3 = 13;
constexpr int k颜色选择器1 = 2;
constexpr int kLines[] = {k标签1, k标签2, k标签3};

// The dialog's RGB boxes (comdlg32's colour dialog template).
constexpr int kRedBox = 706, kGreenBox = 707, kBlueBox = 708;

constexpr COLORREF kOrangeText = RGB(255, 128, 0);

// "2020年8月8日" for today moved by some days.
std::wstring DateTextFromToday(int days) {
  SYSTEMTIME st{};
  GetLocalTime(&st);
  st.wHour = st.wMinute = st.wSecond = st.wMilliseconds = 0;
  FILETIME ft{};
  SystemTimeToFileTime(&st, &ft);
  ULARGE_INTEGER t{};
  t.LowPart = ft.dwLowDateTime;
  t.HighPart = ft.dwHighDateTime;
  t.QuadPart += static_cast<ULONGLONG>(static_cast<LONGLONG>(days) * 24 * 3600 * 10000000LL);
  ft.dwLowDateTime = t.LowPart;
  ft.dwHighDateTime = t.HighPart;
  FileTimeToSystemTime(&ft, &st);
  return std::to_wstring(st.wYear) + L"年" + std::to_wstring(st.wMonth) + L"月" + std::to_wstring(st.wDay) + L"日";
}

bool Near(COLORREF c, COLORREF target, int tolerance = 40) {
  return std::abs(GetRValue(c) - GetRValue(target)) < tolerance &&
         std::abs(GetGValue(c) - GetGValue(target)) < tolerance &&
         std::abs(GetBValue(c) - GetBValue(target)) < tolerance;
}

// As a person writes a colour: red, green, blue.
std::string Hex(COLORREF c) {
  char text[16];
  std::snprintf(text, sizeof text, "#%02X%02X%02X", GetRValue(c), GetGValue(c), GetBValue(c));
  return text;
}

// WM_GETTEXT: GetWindowText does not ask a control of another process for its text.
std::wstring TextOf(HWND window) {
  wchar_t text[64] = {};
  const LRESULT n = SendMessageW(window, WM_GETTEXT, 64, reinterpret_cast<LPARAM>(text));
  return std::wstring(text, n > 0 ? static_cast<std::size_t>(n) : 0);
}

RECT ScreenRectOf(HWND window) {
  RECT r{};
  GetWindowRect(window, &r);
  return r;
}

// Text is anti-aliased: its core pixels lie near its colour, its edges are blends
// with the face colour. Counting core pixels tells one colour from another; the
// shortest line has about 16 of them.
constexpr int kCorePixels = 8;
struct LinePixels {
  int target = 0;  // near the colour asked for
  int orange = 0;  // near the starting orange
};

// Its helpers are public: the table of dismissals below calls them.
class ColourPicker : public ::testing::Test {
 public:
  void SetUp() override {
    const std::wstring ini = L"[事项1]\r\n事项=生日\r\n到期日=" + DateTextFromToday(7) +
                             L"\r\n[事项2]\r\n事项=考试\r\n到期日=" + DateTextFromToday(30) +
                             L"\r\n[事项3]\r\n事项=旅行\r\n到期日=" + DateTextFromToday(-2) + L"\r\n";
    ASSERT_TRUE(folder_.Write(L"Vendaro.ini", Narrow(ini)));
    widget_ = Widget::Start(folder_.CopyExe());
    ASSERT_NE(widget_, nullptr) << "the widget did not show its window";
    for (int id : kLines) ASSERT_TRUE(WaitUntil([&] { return widget_->Visible(id); })) << id;
  }

  HWND Palette() const { return FindProcessWindow(widget_->pid(), win32::kColorPaletteClass); }
  HWND ColourDialog() const {
    HWND dialog = FindProcessWindow(widget_->pid(), L"#32770");
    return dialog && GetWindow(dialog, GW_OWNER) == widget_->window() ? dialog : nullptr;
  }
  std::wstring Highlighted() const {
    HWND palette = Palette();
    return palette ? TextOf(palette) : L"(no palette)";
  }

  void BringToFront() const {
    ASSERT_TRUE(WaitUntil([&] {
      SetForegroundWindow(widget_->window());
      return GetForegroundWindow() == widget_->window();
    }));
  }

  int FocusedId() const {
    HWND focus = widget_->Focus();
    return focus ? GetDlgCtrlID(focus) : 0;
  }

  void FocusPickerWithTab() const {
    BringToFront();
    for (int i = 0; i < 10 && FocusedId() != k颜色选择器1; ++i) {
      const int before = FocusedId();
      PressKey(VK_TAB);
      WaitUntil([&] { return FocusedId() != before; }, 2000);
    }
    ASSERT_EQ(FocusedId(), k颜色选择器1);
  }

  void OpenPaletteWithMouse() const {
    BringToFront();
    ClickAt(widget_->ControlCentre(k颜色选择器1));
    ASSERT_TRUE(WaitUntil([&] { return Palette() != nullptr; })) << "no palette after a click on the picker";
    Settle(widget_->window());
  }

  void OpenPaletteWithKey(WORD key) const {
    ASSERT_NO_FATAL_FAILURE(FocusPickerWithTab());
    PressKey(key);
    ASSERT_TRUE(WaitUntil([&] { return Palette() != nullptr; })) << "no palette after key " << key;
    Settle(widget_->window());
  }

  // Presses a key until the palette highlights `name`, at most once per entry.
  void WalkTo(const std::wstring& name, WORD key) const {
    for (int i = 0; i < 40 && Highlighted() != name; ++i) {
      const std::wstring before = Highlighted();
      PressKey(key);
      WaitUntil([&] { return Highlighted() != before; }, 2000);
    }
    ASSERT_EQ(Highlighted(), name);
  }

  // Where the palette shows a swatch of exactly this colour, as a person would find it.
  bool FindSwatch(COLORREF colour, POINT& centre) const {
    const RECT area = ScreenRectOf(Palette());
    const Screenshot shot = CaptureScreen();
    RECT box{area.right, area.bottom, area.left, area.top};
    int count = 0;
    for (int y = area.top; y < area.bottom; ++y) {
      for (int x = area.left; x < area.right; ++x) {
        if (shot.At(x, y) != colour) continue;
        ++count;
        box.left = std::min<LONG>(box.left, x);
        box.top = std::min<LONG>(box.top, y);
        box.right = std::max<LONG>(box.right, x + 1);
        box.bottom = std::max<LONG>(box.bottom, y + 1);
      }
    }
    // One solid swatch: enough pixels, all of them in one small block.
    if (count < 60 || count != (box.right - box.left) * (box.bottom - box.top)) return false;
    centre = {(box.left + box.right) / 2, (box.top + box.bottom) / 2};
    return true;
  }

  void ClickSwatch(COLORREF colour) const {
    POINT at{};
    ASSERT_TRUE(WaitUntil([&] { return FindSwatch(colour, at); }, 3000))
        << "no swatch of " << Hex(colour) << " in the palette";
    ClickAt(at);
    ASSERT_TRUE(WaitUntil([&] { return Palette() == nullptr; })) << "the palette stayed open";
    Settle(widget_->window());
  }

  std::vector<LinePixels> CountLinePixels(COLORREF target) const {
    const Screenshot shot = CaptureScreen();
    std::vector<LinePixels> lines;
    for (int id : kLines) {
      const RECT r = ScreenRectOf(widget_->Control(id));
      LinePixels n;
      for (int y = r.top; y < r.bottom; ++y) {
        for (int x = r.left; x < r.right; ++x) {
          const COLORREF c = shot.At(x, y);
          n.target += Near(c, target);
          n.orange += Near(c, kOrangeText);
        }
      }
      lines.push_back(n);
    }
    return lines;
  }

  static std::string Describe(const std::vector<LinePixels>& lines, COLORREF target) {
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
      text += " line " + std::to_string(i + 1) + ": " + std::to_string(lines[i].target) + " near " + Hex(target) +
              ", " + std::to_string(lines[i].orange) + " near orange;";
    }
    return text;
  }

  // The screen lags behind the widget's own painting by a moment under Wine, so the
  // checks look until the lines show what they must, within a deadline.
  void ExpectLinesIn(COLORREF colour) const {
    Settle(widget_->window());
    std::vector<LinePixels> lines;
    const bool shown = WaitUntil([&] {
      lines = CountLinePixels(colour);
      return std::all_of(lines.begin(), lines.end(), [&](const LinePixels& n) {
        return n.target >= kCorePixels && (Near(colour, kOrangeText) || n.orange == 0);
      });
    });
    EXPECT_TRUE(shown) << "the three lines are not all drawn in " << Hex(colour) << ":" << Describe(lines, colour);
  }

  // Orange, and for a while no line turns `other`.
  void ExpectLinesStayOrange(COLORREF other) const {
    Settle(widget_->window());
    std::vector<LinePixels> lines;
    EXPECT_TRUE(WaitUntil([&] {
      lines = CountLinePixels(other);
      return std::all_of(lines.begin(), lines.end(), [](const LinePixels& n) { return n.orange >= kCorePixels; });
    })) << "the lines are not orange:" << Describe(lines, other);
    EXPECT_FALSE(WaitUntil(
        [&] {
          lines = CountLinePixels(other);
          return std::any_of(lines.begin(), lines.end(), [](const LinePixels& n) { return n.target > 0; });
        },
        600))
        << "a line took " << Hex(other) << ":" << Describe(lines, other);
  }

  // The picker shows red, set as the program sets it, while the lines stay orange: a
  // choice that raised the colour-chosen event would turn them red.
  void ShowRedWithoutChoosing() const {
    SendMessageW(widget_->Control(k颜色选择器1), win32::kColorPickerSetColour, RGB(255, 0, 0), 0);
    ASSERT_EQ(widget_->PickerColour(k颜色选择器1), RGB(255, 0, 0));
    ExpectLinesStayOrange(RGB(255, 0, 0));
  }

  void OpenColourDialogFromPalette() const {
    // The pointer goes where 其它颜色... sits, at the palette's foot, and is seen to
    // highlight it before the click.
    const RECT palette = ScreenRectOf(Palette());
    const POINT at{(palette.left + palette.right) / 2, palette.bottom - 10};
    MoveMouse(at);
    ASSERT_TRUE(WaitUntil([&] { return Highlighted() == L"其它颜色..."; }, 2000)) << Highlighted();
    ClickAt(at);
    ASSERT_TRUE(WaitUntil([&] { return ColourDialog() != nullptr; })) << "no colour dialog";
    EXPECT_EQ(Palette(), nullptr);
    Settle(ColourDialog());
  }

  std::wstring BoxText(HWND dialog, int id) const { return TextOf(GetDlgItem(dialog, id)); }

  // Types a value into one of the dialog's boxes with real keys.
  void TypeInto(HWND dialog, int id, const std::wstring& value) const {
    HWND box = GetDlgItem(dialog, id);
    ASSERT_NE(box, nullptr) << id;
    ClickAt(ScreenCentre(box));
    PressKey(VK_END);
    for (int i = 0; i < 4; ++i) PressKey(VK_BACK);
    TypeText(value);
    ASSERT_TRUE(WaitUntil([&] { return BoxText(dialog, id) == value; }, 2000)) << id << ": " << BoxText(dialog, id).size();
  }

  static POINT ScreenCentre(HWND window) {
    const RECT r = ScreenRectOf(window);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  }

  TestFolder folder_;
  std::unique_ptr<Widget> widget_;
};

TEST_F(ColourPicker, ThreeItemsStartAsOrangeLinesAndAPaletteClickRecoloursAllThree) {
  EXPECT_EQ(widget_->Text(k标签1), L"距离生日还有：7 天");
  EXPECT_EQ(widget_->Text(k标签2), L"距离考试还有：30 天");
  EXPECT_EQ(widget_->Text(k标签3), L"距离旅行还有：-2 天");
  EXPECT_EQ(widget_->PickerColour(k颜色选择器1), kOrangeText);
  ExpectLinesIn(kOrangeText);
  const RECT window = widget_->WindowRect();
  SaveScreenshot(L"colour-three-orange-lines", &window);

  ASSERT_NO_FATAL_FAILURE(OpenPaletteWithMouse());
  HWND palette = Palette();
  // It opens on the colour the picker shows, next to the picker without covering it,
  // whole on the screen, and leaves the widget active.
  EXPECT_EQ(Highlighted(), L"橙色");
  const RECT p = ScreenRectOf(palette), picker = ScreenRectOf(widget_->Control(k颜色选择器1));
  EXPECT_EQ(p.left, picker.left);
  EXPECT_TRUE(p.bottom == picker.top || p.top == picker.bottom) << p.top << ".." << p.bottom;
  EXPECT_GE(p.top, 0);
  EXPECT_LE(p.bottom, GetSystemMetrics(SM_CYSCREEN));
  EXPECT_EQ(GetWindow(palette, GW_OWNER), widget_->window());
  EXPECT_EQ(GetForegroundWindow(), widget_->window());
  RECT both{};
  UnionRect(&both, &window, &p);
  SaveScreenshot(L"colour-palette-open", &both);

  ASSERT_NO_FATAL_FAILURE(ClickSwatch(RGB(0, 0, 255)));
  EXPECT_EQ(widget_->PickerColour(k颜色选择器1), RGB(0, 0, 255));
  ExpectLinesIn(RGB(0, 0, 255));
  SaveScreenshot(L"colour-lines-blue-by-mouse", &window);
}

TEST_F(ColourPicker, KeyboardOpensWalksAndChoosesInThePalette) {
  ASSERT_NO_FATAL_FAILURE(OpenPaletteWithKey(VK_SPACE));
  EXPECT_EQ(Highlighted(), L"橙色");
  // A pointer resting where the palette opens does not take the highlight from the
  // keyboard: the palette opens on the shown colour again.
  const RECT p = ScreenRectOf(Palette());
  PressKey(VK_ESCAPE);
  ASSERT_TRUE(WaitUntil([&] { return Palette() == nullptr; })) << "Esc did not close the palette";
  // The pointer must be at rest, its move handled everywhere, before the key opens
  // the palette: a move still on its way would be a real one.
  const POINT rest{p.left + 20, p.top + 15};
  MoveMouse(rest);
  ASSERT_TRUE(WaitUntil([&] {
    POINT now{};
    return GetCursorPos(&now) && std::abs(now.x - rest.x) <= 1 && std::abs(now.y - rest.y) <= 1;
  }, 2000));
  Settle(widget_->window());
  Sleep(250);
  Settle(widget_->window());
  PressKey(VK_SPACE);
  ASSERT_TRUE(WaitUntil([&] { return Palette() != nullptr; })) << "Space did not open the palette again";
  Settle(widget_->window());
  EXPECT_EQ(Highlighted(), L"橙色");

  // Home, then Right through every entry until it wraps round.
  PressKey(VK_HOME);
  ASSERT_TRUE(WaitUntil([&] { return Highlighted() == L"黑色"; }, 2000)) << Highlighted();
  std::vector<std::wstring> names{Highlighted()};
  for (int i = 0; i < 40; ++i) {
    const std::wstring before = Highlighted();
    PressKey(VK_RIGHT);
    ASSERT_TRUE(WaitUntil([&] { return Highlighted() != before; }, 2000)) << "stuck at " << names.size();
    if (Highlighted() == names.front()) break;
    names.push_back(Highlighted());
  }
  ASSERT_EQ(Highlighted(), L"黑色") << "Right did not wrap round";
  EXPECT_EQ(names.back(), L"其它颜色...");
  for (const wchar_t* expected : {L"黑色", L"白色", L"红色", L"橙色", L"黄色", L"绿色", L"青色", L"蓝色", L"紫色", L"灰色"}) {
    EXPECT_NE(std::find(names.begin(), names.end(), expected), names.end()) << Narrow(expected);
  }
  EXPECT_EQ(std::find(names.begin(), names.end(), L"透明"), names.end());
  PressKey(VK_END);
  ASSERT_TRUE(WaitUntil([&] { return Highlighted() == L"其它颜色..."; }, 2000)) << Narrow(Highlighted());

  // Up and Down move by rows; Enter chooses what is highlighted.
  ASSERT_NO_FATAL_FAILURE(WalkTo(L"绿色", VK_DOWN));
  PressKey(VK_RETURN);
  ASSERT_TRUE(WaitUntil([&] { return Palette() == nullptr; })) << "Enter did not close the palette";
  EXPECT_EQ(widget_->PickerColour(k颜色选择器1), RGB(0, 128, 0));
  EXPECT_EQ(FocusedId(), k颜色选择器1);
  ExpectLinesIn(RGB(0, 128, 0));
  const RECT window = widget_->WindowRect();
  SaveScreenshot(L"colour-lines-green-by-keyboard", &window);

  // Enter opens it as well, now on the colour just chosen; Space chooses.
  PressKey(VK_RETURN);
  ASSERT_TRUE(WaitUntil([&] { return Palette() != nullptr; })) << "Enter did not open the palette";
  EXPECT_EQ(Highlighted(), L"绿色");
  ASSERT_NO_FATAL_FAILURE(WalkTo(L"紫色", VK_RIGHT));
  PressKey(VK_SPACE);
  ASSERT_TRUE(WaitUntil([&] { return Palette() == nullptr; }));
  EXPECT_EQ(widget_->PickerColour(k颜色选择器1), RGB(128, 0, 128));
  ExpectLinesIn(RGB(128, 0, 128));
}

TEST_F(ColourPicker, ConfirmingTheColourThePickerShowsChoosesItAgain) {
  ASSERT_NO_FATAL_FAILURE(ShowRedWithoutChoosing());
  ASSERT_NO_FATAL_FAILURE(OpenPaletteWithMouse());
  EXPECT_EQ(Highlighted(), L"红色");
  ASSERT_NO_FATAL_FAILURE(ClickSwatch(RGB(255, 0, 0)));
  EXPECT_EQ(widget_->PickerColour(k颜色选择器1), RGB(255, 0, 0));
  ExpectLinesIn(RGB(255, 0, 0));
}

TEST_F(ColourPicker, OtherColoursOpensTheColourDialogOnTheShownColourAndOkChoosesIt) {
  ASSERT_NO_FATAL_FAILURE(OpenPaletteWithMouse());
  ASSERT_NO_FATAL_FAILURE(OpenColourDialogFromPalette());
  HWND dialog = ColourDialog();
  // It starts from the picker's colour, fully open with its RGB boxes.
  EXPECT_EQ(BoxText(dialog, kRedBox), L"255");
  EXPECT_EQ(BoxText(dialog, kGreenBox), L"128");
  EXPECT_EQ(BoxText(dialog, kBlueBox), L"0");
  EXPECT_TRUE(IsWindowVisible(GetDlgItem(dialog, kBlueBox)));
  EXPECT_FALSE(IsWindowEnabled(widget_->window())) << "the dialog is not modal to the widget";

  ASSERT_NO_FATAL_FAILURE(TypeInto(dialog, kRedBox, L"128"));
  ASSERT_NO_FATAL_FAILURE(TypeInto(dialog, kGreenBox, L"0"));
  ASSERT_NO_FATAL_FAILURE(TypeInto(dialog, kBlueBox, L"255"));
  const RECT d = ScreenRectOf(dialog);
  SaveScreenshot(L"colour-dialog", &d);
  ClickAt(ScreenCentre(GetDlgItem(dialog, IDOK)));
  ASSERT_TRUE(WaitUntil([&] { return ColourDialog() == nullptr; })) << "OK did not close the dialog";

  EXPECT_EQ(widget_->PickerColour(k颜色选择器1), RGB(128, 0, 255));
  ExpectLinesIn(RGB(128, 0, 255));
  const RECT window = widget_->WindowRect();
  SaveScreenshot(L"colour-lines-violet-by-dialog", &window);
}

TEST_F(ColourPicker, DismissingThePaletteOrTheDialogChoosesNothing) {
  ASSERT_NO_FATAL_FAILURE(ShowRedWithoutChoosing());
  struct Case {
    const char* what;
    void (*dismiss)(const ColourPicker&);
  };
  const Case cases[] = {
      {"Esc in the palette opened with Space",
       [](const ColourPicker& t) {
         ASSERT_NO_FATAL_FAILURE(t.OpenPaletteWithKey(VK_SPACE));
         PressKey(VK_DOWN);
         PressKey(VK_ESCAPE);
       }},
      {"Esc in the palette opened with Enter",
       [](const ColourPicker& t) {
         ASSERT_NO_FATAL_FAILURE(t.OpenPaletteWithKey(VK_RETURN));
         PressKey(VK_ESCAPE);
       }},
      {"a click on the widget's background",
       [](const ColourPicker& t) {
         ASSERT_NO_FATAL_FAILURE(t.OpenPaletteWithMouse());
         POINT background{60, 168};
         ClientToScreen(t.widget_->window(), &background);
         ClickAt(background);
       }},
      {"a click on the picker that opened it",
       [](const ColourPicker& t) {
         ASSERT_NO_FATAL_FAILURE(t.OpenPaletteWithMouse());
         ClickAt(t.widget_->ControlCentre(k颜色选择器1));
       }},
      {"Cancel in the colour dialog",
       [](const ColourPicker& t) {
         ASSERT_NO_FATAL_FAILURE(t.OpenPaletteWithMouse());
         ASSERT_NO_FATAL_FAILURE(t.OpenColourDialogFromPalette());
         HWND dialog = t.ColourDialog();
         ASSERT_NO_FATAL_FAILURE(t.TypeInto(dialog, kGreenBox, L"200"));
         ClickAt(ScreenCentre(GetDlgItem(dialog, IDCANCEL)));
       }},
      {"Esc in the colour dialog",
       [](const ColourPicker& t) {
         ASSERT_NO_FATAL_FAILURE(t.OpenPaletteWithKey(VK_SPACE));
         PressKey(VK_END);
         PressKey(VK_RETURN);
         ASSERT_TRUE(WaitUntil([&] { return t.ColourDialog() != nullptr; })) << "no colour dialog";
         Settle(t.ColourDialog());
         PressKey(VK_ESCAPE);
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    c.dismiss(*this);
    if (HasFatalFailure()) return;
    EXPECT_TRUE(WaitUntil([&] { return Palette() == nullptr && ColourDialog() == nullptr; }))
        << "still open: palette " << (Palette() != nullptr) << ", dialog " << (ColourDialog() != nullptr);
    EXPECT_TRUE(widget_->Running());
    EXPECT_EQ(widget_->PickerColour(k颜色选择器1), RGB(255, 0, 0));
    ExpectLinesStayOrange(RGB(255, 0, 0));
  }
}

}  // namespace
}  // namespace vendaro::e2e
