// The real main window, built in this process: what a tool in another process
// cannot see under Wine (icons, fonts) and the property model acting on live controls.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <memory>

#include "ui/win32/main_window.h"
#include "ui/win32/text.h"

namespace vendaro::win32 {
namespace {

void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FormEvents events;
    events.created = [this](Form& form) {
      HWND w = static_cast<HWND>(form.NativeHandle());
      visibleWhileCreated_ = IsWindowVisible(w) != FALSE;
      GetWindowRect(w, &rectWhileCreated_);
      controlsWhileCreated_ = 0;
      for (int id = 1; id <= kControlCount; ++id) controlsWhileCreated_ += GetDlgItem(w, id) != nullptr;
      ++created_;
    };
    events.loadClicked = [this](Form&) { ++loads_; };
    events.saveClicked = [this](Form&) { ++saves_; };
    events.tick = [this](Form&) { ++ticks_; };
    events.colourChosen = [this](Form&) { ++colourChosen_; };
    window_ = MainWindow::Load(GetModuleHandleW(nullptr), std::move(events));
    ASSERT_NE(window_, nullptr);
    Pump();
  }
  void TearDown() override {
    window_.reset();
    Pump();
  }

  HWND Item(Control c) const { return GetDlgItem(window_->hwnd(), ControlId(c)); }
  RECT Outer() const {
    RECT r{};
    GetWindowRect(window_->hwnd(), &r);
    return r;
  }

  std::unique_ptr<MainWindow> window_;
  bool visibleWhileCreated_ = true;
  RECT rectWhileCreated_{};
  int controlsWhileCreated_ = 0;
  int created_ = 0, loads_ = 0, saves_ = 0, ticks_ = 0, colourChosen_ = 0;
};

TEST_F(MainWindowTest, CreatedEventRunsOnceWithAllControlsBeforeTheWindowIsShown) {
  EXPECT_EQ(created_, 1);
  EXPECT_FALSE(visibleWhileCreated_);
  EXPECT_EQ(controlsWhileCreated_, kControlCount);
  EXPECT_EQ(rectWhileCreated_.left, 600);
  EXPECT_EQ(rectWhileCreated_.top, 686);
  EXPECT_EQ(rectWhileCreated_.right - rectWhileCreated_.left, 426);
  EXPECT_EQ(rectWhileCreated_.bottom - rectWhileCreated_.top, 186);
  EXPECT_TRUE(IsWindowVisible(window_->hwnd()));
}

TEST_F(MainWindowTest, CarriesTheProgramIconAndTheDefaultGuiFont) {
  EXPECT_NE(SendMessageW(window_->hwnd(), WM_GETICON, ICON_BIG, 0), 0);
  EXPECT_NE(SendMessageW(window_->hwnd(), WM_GETICON, ICON_SMALL, 0), 0);
  for (int id = 1; id <= kControlCount; ++id) {
    if (kWindowDescription[static_cast<std::size_t>(id)].kind == Kind::Timer) continue;
    EXPECT_EQ(reinterpret_cast<HGDIOBJ>(SendMessageW(GetDlgItem(window_->hwnd(), id), WM_GETFONT, 0, 0)),
              GetStockObject(DEFAULT_GUI_FONT))
        << id;
  }
}

TEST_F(MainWindowTest, HeightThenWidthMoveOnlyTheBottomAndRightEdges) {
  const RECT before = Outer();
  window_->SetWindowHeight(76);
  RECT r = Outer();
  EXPECT_EQ(r.left, before.left);
  EXPECT_EQ(r.top, before.top);
  EXPECT_EQ(r.right, before.right);
  EXPECT_EQ(r.bottom - r.top, 76);
  window_->SetWindowWidth(190);
  r = Outer();
  EXPECT_EQ(r.left, before.left);
  EXPECT_EQ(r.top, before.top);
  EXPECT_EQ(r.right - r.left, 190);
  EXPECT_EQ(r.bottom - r.top, 76);
  window_->SetWindowLeft(865);
  window_->SetWindowTop(964);
  r = Outer();
  EXPECT_EQ(r.left, 865);
  EXPECT_EQ(r.top, 964);
  EXPECT_EQ(r.right - r.left, 190);
  EXPECT_EQ(r.bottom - r.top, 76);
  EXPECT_EQ(window_->WindowLeft(), 865);
  EXPECT_EQ(window_->WindowTop(), 964);
  EXPECT_EQ(window_->WindowWidth(), 190);
  EXPECT_EQ(window_->WindowHeight(), 76);
  // The compact strip is smaller than the system's smallest top-level window.
  window_->SetWindowHeight(20);
  EXPECT_EQ(window_->WindowHeight(), 20);
  // Clamped before they reach the window, and never clamped by the system.
  window_->SetWindowWidth(-5);
  EXPECT_EQ(window_->WindowWidth(), 0);
  window_->SetWindowWidth(5000);
  EXPECT_EQ(window_->WindowWidth(), 5000);
  window_->SetWindowLeft(-40000);
  EXPECT_EQ(window_->WindowLeft(), -32627);
}

TEST_F(MainWindowTest, LabelsShowHideAndHoldTheirCaptionAsWindowText) {
  window_->SetLabelCaption(Control::标签1, "距离生日还有：7 天");
  EXPECT_EQ(GetWindowTextLengthW(Item(Control::标签1)), 10);
  wchar_t text[64] = {};
  GetWindowTextW(Item(Control::标签1), text, 64);
  EXPECT_STREQ(text, L"距离生日还有：7 天");
  window_->SetLabelVisible(Control::标签2, false);
  EXPECT_FALSE(GetWindowLongW(Item(Control::标签2), GWL_STYLE) & WS_VISIBLE);
  window_->SetLabelVisible(Control::标签2, true);
  EXPECT_TRUE(GetWindowLongW(Item(Control::标签2), GWL_STYLE) & WS_VISIBLE);
}

TEST_F(MainWindowTest, EditTextRoundTripsGbkAndEmptyIsEmpty) {
  window_->SetEditText(Control::事项2, "生日 ");
  EXPECT_EQ(window_->EditText(Control::事项2), "生日 ");
  wchar_t text[16] = {};
  GetWindowTextW(Item(Control::事项2), text, 16);
  EXPECT_STREQ(text, L"生日 ");
  window_->SetEditText(Control::事项2, "");
  EXPECT_EQ(window_->EditText(Control::事项2), "");
  const std::string big(20000, 'x');
  window_->SetEditText(Control::事项3, big);
  EXPECT_EQ(window_->EditText(Control::事项3), big) << "no length limit";
}

TEST_F(MainWindowTest, DateBoxTakesShowableDatesKeepsItsDateOtherwiseAndTakesNowForZero) {
  const Control box = Control::日期框1;
  window_->SetDateBoxValue(box, 44051.0);  // 2020-08-08
  EXPECT_EQ(window_->DateBoxValue(box), 44051.0);
  window_->SetDateBoxValue(box, 44051.5);
  EXPECT_EQ(window_->DateBoxValue(box), 44051.5);
  for (double refused : {EarliestDate, -109206.0 /* 1600-12-31 */, LatestDate + 1.0, -1e308}) {
    window_->SetDateBoxValue(box, refused);
    EXPECT_EQ(window_->DateBoxValue(box), 44051.5) << refused;
  }
  SYSTEMTIME now{};
  GetLocalTime(&now);
  window_->SetDateBoxValue(box, 0.0);
  const DateFields shown = SplitDate(window_->DateBoxValue(box));
  EXPECT_EQ(shown.year, now.wYear);
  EXPECT_EQ(shown.month, now.wMonth);
  EXPECT_EQ(shown.day, now.wDay);
  EXPECT_NEAR(shown.hour * 3600 + shown.minute * 60 + shown.second, now.wHour * 3600 + now.wMinute * 60 + now.wSecond,
              5);
}

TEST_F(MainWindowTest, PickerKeepsTheColourItIsGivenWithoutRaisingAnEvent) {
  window_->SetPickerColour(Control::颜色选择器1, 0x00123456);
  Pump();
  EXPECT_EQ(window_->PickerColour(Control::颜色选择器1), 0x00123456u);
  EXPECT_EQ(colourChosen_, 0);
}

TEST_F(MainWindowTest, ButtonsAndTimerRaiseTheirEvents) {
  SendMessageW(Item(Control::读取配置项), BM_CLICK, 0, 0);
  SendMessageW(Item(Control::写入配置项), BM_CLICK, 0, 0);
  SendMessageW(Item(Control::写入配置项), BM_CLICK, 0, 0);
  Pump();
  EXPECT_EQ(loads_, 1);
  EXPECT_EQ(saves_, 2);
  SendMessageW(Item(Control::时钟1), WM_TIMER, 1, 0);
  EXPECT_EQ(ticks_, 1);
  EXPECT_FALSE(IsWindowVisible(Item(Control::时钟1)));
}

TEST_F(MainWindowTest, ClosingDestroysTheWindowAndPostsQuit) {
  SendMessageW(window_->hwnd(), WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(window_->hwnd()));
  MSG msg;
  bool quit = false;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) quit |= msg.message == WM_QUIT && msg.wParam == 0;
  EXPECT_TRUE(quit);
}

}  // namespace
}  // namespace vendaro::win32
