#include "ui/win32/main_window.h"

#include <commctrl.h>
#include <windowsx.h>

#include <cmath>

#include "ui/win32/color_picker.h"
#include "ui/win32/text.h"

namespace vendaro::win32 {
namespace {

constexpr DWORD kMainStyle = WS_DLGFRAME | WS_CLIPCHILDREN;
constexpr DWORD kLongDateFormat = DTS_LONGDATEFORMAT;

struct Realisation {
  const wchar_t* className;
  DWORD style;
  DWORD exStyle;
};

Realisation RealisationOf(Kind kind) {
  switch (kind) {
    case Kind::Label:
      return {kLabelClass, 0, 0};
    case Kind::TransLabel:
      return {kTransLabelClass, 0, WS_EX_TRANSPARENT};
    case Kind::EditBox:
      return {L"EDIT", ES_AUTOHSCROLL | ES_CENTER, WS_EX_CLIENTEDGE};
    case Kind::Button:
      return {L"BUTTON", BS_PUSHBUTTON | BS_CENTER | BS_VCENTER | BS_MULTILINE, 0};
    case Kind::GroupBox:
      return {L"BUTTON", BS_GROUPBOX | BS_LEFT, 0};
    case Kind::DatePicker:
      return {DATETIMEPICK_CLASSW, kLongDateFormat, WS_EX_STATICEDGE};
    case Kind::ColorPicker:
      return {kColorPickerClass, 0, 0};
    case Kind::Timer:
      return {kTimerClass, 0, 0};
    case Kind::Window:
      break;
  }
  return {nullptr, 0, 0};
}

// DrawText flags for a label, from its description: one line unless it wraps,
// centred or left, always centred vertically, never clipped by the call itself
// (the label's own window still clips).
UINT DrawFlagsOf(const Entry& entry) {
  UINT flags = DT_VCENTER | DT_NOCLIP;
  flags |= entry.wordWrap ? DT_WORDBREAK : DT_SINGLELINE;
  if (entry.align == HAlign::Centre) flags |= DT_CENTER;
  return flags;
}

bool RegisterClasses(HINSTANCE instance, WNDPROC mainProc, WNDPROC labelProc, WNDPROC timerProc) {
  static bool registered = false;
  if (registered) return true;

  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_DATE_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);

  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = mainProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.hIcon = LoadIconW(instance, L"DEFAULT_ICON");
  wc.lpszClassName = kMainWindowClass;
  if (!RegisterClassExW(&wc)) return false;

  wc.hIcon = nullptr;
  wc.lpfnWndProc = labelProc;
  wc.lpszClassName = kLabelClass;
  wc.hbrBackground = nullptr;  // the label paints its whole rectangle itself
  if (!RegisterClassExW(&wc)) return false;

  wc.lpszClassName = kTransLabelClass;  // same painting, without the background
  if (!RegisterClassExW(&wc)) return false;

  wc.lpfnWndProc = timerProc;
  wc.lpszClassName = kTimerClass;
  if (!RegisterClassExW(&wc)) return false;

  if (!RegisterColorPickerClass(instance)) return false;
  registered = true;
  return true;
}

std::wstring WindowTextOf(HWND window) {
  const int length = GetWindowTextLengthW(window);
  if (length <= 0) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int copied = GetWindowTextW(window, text.data(), length + 1);
  text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
  return text;
}

}  // namespace

COLORREF ToColorRef(Colour colour) noexcept {
  if (colour == kSystemDefaultColour) return GetSysColor(COLOR_BTNFACE);
  return static_cast<COLORREF>(colour & 0x00FFFFFFu);
}

MainWindow::MainWindow(FormEvents events) : events_(std::move(events)) {
  for (std::size_t i = 0; i < controls_.size(); ++i) {
    controls_[i].entry = &kWindowDescription[i];
    controls_[i].textColour = kWindowDescription[i].textColour;
    controls_[i].backColour = kWindowDescription[i].backColour;
  }
}

MainWindow::~MainWindow() {
  if (IsWindow(hwnd())) {
    SetWindowLongPtrW(hwnd(), GWLP_USERDATA, 0);
    DestroyWindow(hwnd());
  }
}

std::unique_ptr<MainWindow> MainWindow::Load(HINSTANCE instance, FormEvents events) {
  std::unique_ptr<MainWindow> window(new MainWindow(std::move(events)));
  if (!window->Create(instance)) return nullptr;
  window->Raise(Event::Created);
  if (IsWindow(window->hwnd())) ShowWindow(window->hwnd(), SW_SHOW);
  return window;
}

bool MainWindow::Create(HINSTANCE instance) {
  if (!RegisterClasses(instance, MainProc, LabelProc, TimerProc)) return false;
  const Entry& w = WindowEntry();
  // An overlapped window always gets a caption from CreateWindowEx; the frame is
  // put right just after, before anything is shown.
  HWND window = CreateWindowExW(0, kMainWindowClass, WidenGbk(w.text).c_str(), kMainStyle, w.rect.left,
                                w.rect.top, w.rect.width, w.rect.height, nullptr, nullptr, instance, this);
  if (!window) return false;

  SetWindowLongPtrW(window, GWL_STYLE, static_cast<LONG_PTR>(kMainStyle));
  SetWindowLongPtrW(window, GWL_EXSTYLE, 0);
  SetWindowPos(window, nullptr, 0, 0, 0, 0,
               SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  const RECT outer = OuterRect();
  if (outer.right - outer.left != w.rect.width || outer.bottom - outer.top != w.rect.height) {
    SetWindowPos(window, nullptr, 0, 0, w.rect.width, w.rect.height,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }

  bigIcon_.reset(static_cast<HICON>(LoadImageW(instance, L"DEFAULT_ICON", IMAGE_ICON, GetSystemMetrics(SM_CXICON),
                                               GetSystemMetrics(SM_CYICON), 0)));
  smallIcon_.reset(static_cast<HICON>(LoadImageW(instance, L"DEFAULT_ICON", IMAGE_ICON,
                                                 GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0)));
  SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_.get()));
  SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.get()));

  SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

  for (std::size_t i = 1; i < controls_.size(); ++i) {
    if (!CreateControl(instance, i)) return false;
  }
  for (std::size_t i = 1; i < controls_.size(); ++i) {
    const ControlState& c = controls_[i];
    if (c.entry->visible && c.entry->kind != Kind::Timer) ShowWindow(c.hwnd, SW_SHOWNA);
  }
  return true;
}

bool MainWindow::CreateControl(HINSTANCE instance, std::size_t index) {
  ControlState& state = controls_[index];
  const Entry& e = *state.entry;
  const Realisation r = RealisationOf(e.kind);
  DWORD style = WS_CHILD | WS_CLIPSIBLINGS | r.style;
  if (e.tabStop) style |= WS_TABSTOP;
  if (e.disabled) style |= WS_DISABLED;

  HWND control = CreateWindowExW(r.exStyle, r.className, WidenGbk(e.text).c_str(), style, e.rect.left, e.rect.top,
                                 e.rect.width, e.rect.height, hwnd(),
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(index)), instance, this);
  if (!control) return false;
  state.hwnd = control;
  if (e.kind == Kind::Label || e.kind == Kind::TransLabel) {
    SetWindowLongPtrW(control, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&state));
  }
  // Earlier entries lie on top of later ones.
  SetWindowPos(control, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);

  switch (e.kind) {
    case Kind::EditBox:
      state.backBrush.reset(CreateSolidBrush(ToColorRef(e.backColour)));
      SendMessageW(control, EM_LIMITTEXT, 0, 0);
      SendMessageW(control, EM_SETSEL, 0, 0);
      break;
    case Kind::GroupBox:
      // A group box paints only its frame and caption; under a parent that clips
      // its children nobody would paint its inside.
      SetWindowSubclass(control, GroupBoxProc, 0, reinterpret_cast<DWORD_PTR>(&state));
      break;
    case Kind::ColorPicker:
      // The picker keeps its colour itself; its starting colour is in the description.
      SendMessageW(control, kColorPickerSetColour, e.textColour, 0);
      break;
    case Kind::Timer:
      SetWindowLongPtrW(control, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
      if (!SetTimer(control, 1, e.timerPeriodMs, nullptr)) return false;
      break;
    default:
      break;
  }
  return true;
}

void MainWindow::Raise(Event event) noexcept {
  const FormEventHandler* handler = nullptr;
  switch (event) {
    case Event::Created:
      handler = &events_.created;
      break;
    case Event::LoadClicked:
      handler = &events_.loadClicked;
      break;
    case Event::SaveClicked:
      handler = &events_.saveClicked;
      break;
    case Event::ColourChosen:
      handler = &events_.colourChosen;
      break;
    case Event::Tick:
      handler = &events_.tick;
      break;
    case Event::None:
      break;
  }
  if (!handler || !*handler) return;
  try {
    (*handler)(*this);
  } catch (...) {
    // A handler that fails must not take the window down with it; the next event
    // starts afresh from the file and the controls.
  }
}

RECT MainWindow::OuterRect() const {
  RECT r{};
  GetWindowRect(hwnd(), &r);
  return r;
}

MainWindow::ControlState* MainWindow::StateOf(HWND control) noexcept {
  if (!control) return nullptr;
  for (auto& c : controls_) {
    if (c.hwnd == control) return &c;
  }
  return nullptr;
}

HWND MainWindow::DirectChildOf(HWND window) const noexcept {
  while (window && GetParent(window) != hwnd()) {
    if (window == hwnd()) return nullptr;
    window = GetParent(window);
  }
  return window;
}

// ---- event-loop hooks ------------------------------------------------------------------

bool MainWindow::PreTranslateMessage(const MSG& msg) noexcept {
  switch (msg.message) {
    case WM_LBUTTONDOWN:
      return HandleLeftButtonDown(msg);
    case WM_KEYDOWN:
      return msg.wParam == VK_TAB && HandleTabKey(msg);
    default:
      return false;
  }
}

// Drag anywhere: a press on the bare background, a label or the group box moves
// the window as if its title bar had been grabbed.
bool MainWindow::HandleLeftButtonDown(const MSG& msg) noexcept {
  const ControlState* target = StateOf(msg.hwnd);
  if (!target) return false;
  const Kind kind = target->entry->kind;
  const bool background = kind == Kind::Window;
  if (!background && kind != Kind::Label && kind != Kind::GroupBox) return false;
  PostMessageW(hwnd(), WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(msg.pt.x, msg.pt.y));
  return !background;  // the background still gets its press, which does nothing
}

// Tab moves through the tab-stop controls in reverse description order, wrapping;
// Shift+Tab goes the other way. Ctrl+Tab and Alt+Tab are left alone.
bool MainWindow::HandleTabKey(const MSG& msg) noexcept {
  if (msg.hwnd != hwnd() && !IsChild(hwnd(), msg.hwnd)) return false;
  if (GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0) return false;
  const bool backwards = GetKeyState(VK_SHIFT) < 0;

  std::array<HWND, kControlCount> order{};
  std::size_t count = 0;
  for (std::size_t i = controls_.size() - 1; i >= 1; --i) {
    const ControlState& c = controls_[i];
    if (c.entry->tabStop && IsWindowVisible(c.hwnd) && IsWindowEnabled(c.hwnd)) order[count++] = c.hwnd;
  }
  if (count == 0) return true;

  const HWND current = DirectChildOf(GetFocus());
  std::size_t next = 0;
  for (std::size_t i = 0; i < count; ++i) {
    if (order[i] == current) {
      next = backwards ? (i + count - 1) % count : (i + 1) % count;
      break;
    }
    if (i + 1 == count) next = backwards ? count - 1 : 0;  // focus on none of them
  }
  SetFocus(order[next]);
  return true;
}

// ---- window procedures ------------------------------------------------------------------

LRESULT CALLBACK MainWindow::MainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    self->controls_[0].hwnd = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    return DefWindowProcW(window, message, wParam, lParam);
  }
  auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!self) return DefWindowProcW(window, message, wParam, lParam);

  switch (message) {
    case WM_COMMAND:
      return self->OnCommand(wParam, lParam);
    case WM_CTLCOLOREDIT:
      return self->OnCtlColorEdit(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_CTLCOLORSTATIC:
      return self->OnCtlColorStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_ACTIVATE:
      return self->OnActivate(window, wParam, lParam);
    case WM_GETMINMAXINFO:
      return OnGetMinMaxInfo(reinterpret_cast<MINMAXINFO*>(lParam));
    case WM_DESTROY:
      self->OnDestroy();
      return 0;
    case WM_NCDESTROY:
      SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      return DefWindowProcW(window, message, wParam, lParam);
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

LRESULT MainWindow::OnCommand(WPARAM wParam, LPARAM lParam) noexcept {
  const ControlState* source = StateOf(reinterpret_cast<HWND>(lParam));
  if (!source) return 0;
  const WORD code = HIWORD(wParam);
  const Kind kind = source->entry->kind;
  if ((kind == Kind::Button && code == BN_CLICKED) || (kind == Kind::ColorPicker && code == kColorPickerChosen)) {
    Raise(source->entry->event);
  }
  return 0;
}

LRESULT MainWindow::OnCtlColorEdit(HDC dc, HWND edit) noexcept {
  const ControlState* box = StateOf(edit);
  if (!box || !box->backBrush) return DefWindowProcW(hwnd(), WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc),
                                                     reinterpret_cast<LPARAM>(edit));
  SetTextColor(dc, ToColorRef(box->textColour));
  SetBkColor(dc, ToColorRef(box->backColour));
  return reinterpret_cast<LRESULT>(box->backBrush.get());
}

LRESULT MainWindow::OnCtlColorStatic(HDC dc, HWND control) noexcept {
  const ControlState* source = StateOf(control);
  if (!source || source->entry->kind != Kind::GroupBox) {
    return DefWindowProcW(hwnd(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control));
  }
  SetTextColor(dc, ToColorRef(source->textColour));
  SetBkColor(dc, ToColorRef(source->backColour));
  return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
}

// Give the focus back to the control that had it when the user comes back to the widget.
LRESULT MainWindow::OnActivate(HWND window, WPARAM wParam, LPARAM lParam) noexcept {
  if (LOWORD(wParam) == WA_INACTIVE) {
    const HWND focus = GetFocus();
    focusBeforeDeactivation_ = (focus && IsChild(window, focus)) ? focus : nullptr;
    return 0;
  }
  if (focusBeforeDeactivation_ && IsWindow(focusBeforeDeactivation_) && IsChild(window, focusBeforeDeactivation_) &&
      HIWORD(wParam) == 0) {
    SetFocus(focusBeforeDeactivation_);
    return 0;
  }
  return DefWindowProcW(window, WM_ACTIVATE, wParam, lParam);
}

// The system would keep a top-level window at least SM_CXMINTRACK × SM_CYMINTRACK and
// at most the screen's size; the widget's sizes are its own (a strip 20 high, a
// width clamped only to 0 … 32627).
LRESULT MainWindow::OnGetMinMaxInfo(MINMAXINFO* info) noexcept {
  info->ptMinTrackSize = {0, 0};
  info->ptMaxTrackSize = {kCoordinateLimit, kCoordinateLimit};
  return 0;
}

void MainWindow::OnDestroy() noexcept {
  // The program has one window: when it is gone, the event loop ends.
  PostQuitMessage(0);
}

LRESULT CALLBACK MainWindow::LabelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  auto* state = reinterpret_cast<ControlState*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  switch (message) {
    case WM_SETFONT:
      if (state) {
        state->font = reinterpret_cast<HFONT>(wParam);
        if (LOWORD(lParam)) InvalidateRect(window, nullptr, TRUE);
      }
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(state && state->font ? state->font : GetStockObject(DEFAULT_GUI_FONT));
    case WM_PAINT:
      if (state) {
        PaintLabel(window, *state, state->entry->kind == Kind::Label);
        return 0;
      }
      break;
    case WM_ERASEBKGND:
      return 1;  // the paint fills (or, for the transparent label, deliberately skips) the background
    case WM_NCHITTEST:
      return HTCLIENT;  // labels take the press themselves, so the window can tell who got it
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

void MainWindow::PaintLabel(HWND label, const ControlState& state, bool opaque) noexcept {
  PaintScope paint(label);
  DrawLabel(paint.dc(), label, state, opaque);
}

void MainWindow::DrawLabel(HDC dc, HWND label, const ControlState& state, bool opaque) noexcept {
  RECT client{};
  GetClientRect(label, &client);
  if (opaque) {
    UniqueBrush back(CreateSolidBrush(ToColorRef(state.backColour)));
    FillRect(dc, &client, back.get());
  }
  SelectScope font(dc, state.font ? static_cast<HGDIOBJ>(state.font) : GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, ToColorRef(state.textColour));
  std::wstring caption = WindowTextOf(label);
  DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &client, DrawFlagsOf(*state.entry));
}

LRESULT CALLBACK MainWindow::GroupBoxProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                          DWORD_PTR data) noexcept {
  if (message == WM_ERASEBKGND) {
    const auto* state = reinterpret_cast<const ControlState*>(data);
    RECT client{};
    GetClientRect(box, &client);
    UniqueBrush back(CreateSolidBrush(ToColorRef(state->backColour)));
    FillRect(reinterpret_cast<HDC>(wParam), &client, back.get());
    return 1;
  }
  if (message == WM_NCDESTROY) RemoveWindowSubclass(box, GroupBoxProc, 0);
  return DefSubclassProc(box, message, wParam, lParam);
}

LRESULT CALLBACK MainWindow::TimerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  if (message == WM_TIMER) {
    if (auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA))) {
      self->Raise(Event::Tick);
    }
    return 0;
  }
  if (message == WM_DESTROY) KillTimer(window, 1);
  return DefWindowProcW(window, message, wParam, lParam);
}

// ---- the property model -----------------------------------------------------------------

std::int32_t MainWindow::WindowLeft() const { return OuterRect().left; }
std::int32_t MainWindow::WindowTop() const { return OuterRect().top; }
std::int32_t MainWindow::WindowWidth() const {
  const RECT r = OuterRect();
  return r.right - r.left;
}
std::int32_t MainWindow::WindowHeight() const {
  const RECT r = OuterRect();
  return r.bottom - r.top;
}

void MainWindow::MoveWindowLeft(std::int32_t left) {
  const RECT r = OuterRect();
  MoveWindow(hwnd(), left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
}

void MainWindow::MoveWindowTop(std::int32_t top) {
  const RECT r = OuterRect();
  MoveWindow(hwnd(), r.left, top, r.right - r.left, r.bottom - r.top, TRUE);
}

void MainWindow::ResizeWindowWidth(std::int32_t width) {
  const RECT r = OuterRect();
  SetWindowPos(hwnd(), nullptr, 0, 0, width, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void MainWindow::ResizeWindowHeight(std::int32_t height) {
  const RECT r = OuterRect();
  SetWindowPos(hwnd(), nullptr, 0, 0, r.right - r.left, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void MainWindow::SetLabelVisible(Control label, bool visible) {
  ShowWindow(Handle(label), visible ? SW_SHOW : SW_HIDE);
}

// A shown opaque label is drawn at once through a window DC: the same pixels as its
// WM_PAINT, without invalidating it and forcing the paint cycle, whose round trips to
// the window system are most of what a refresh of the countdown lines costs (about
// 200 µs a label under Wine). The transparent label needs its parent's background
// painted first, and a hidden one nothing now, so they keep the paint cycle.
void MainWindow::RepaintLabelNow(const ControlState& state) noexcept {
  if (state.entry->kind == Kind::Label && IsWindowVisible(state.hwnd)) {
    const WindowDc dc(state.hwnd);
    if (dc.get()) {
      DrawLabel(dc.get(), state.hwnd, state, true);
      return;
    }
  }
  InvalidateRect(state.hwnd, nullptr, TRUE);
  UpdateWindow(state.hwnd);
}

void MainWindow::SetLabelCaption(Control label, std::string_view caption) {
  const ControlState& state = controls_[static_cast<std::size_t>(ControlId(label))];
  SetWindowTextW(state.hwnd, WidenGbk(caption).c_str());
  RepaintLabelNow(state);
}

void MainWindow::SetLabelTextColour(Control label, Colour colour) {
  ControlState& state = controls_[static_cast<std::size_t>(ControlId(label))];
  state.textColour = colour;
  RepaintLabelNow(state);
}

std::string MainWindow::EditText(Control box) const { return NarrowToGbk(WindowTextOf(Handle(box))); }

void MainWindow::SetEditText(Control box, std::string_view text) {
  // A single-line edit box sends its own EN_CHANGE for WM_SETTEXT.
  SetWindowTextW(Handle(box), WidenGbk(text).c_str());
}

DateValue MainWindow::DateBoxValue(Control box) const {
  SYSTEMTIME st{};
  SendMessageW(Handle(box), DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&st));
  return BuildDate({st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond});
}

void MainWindow::SetDateBoxValue(Control box, DateValue value) {
  SYSTEMTIME st{};
  if (value == 0.0) {
    // The value of 1899-12-30 00:00 stands for "now" to a date box.
    GetLocalTime(&st);
    st.wMilliseconds = 0;
  } else {
    if (!(value >= EarliestDate && value <= LatestDate)) return;  // NaN included
    const DateFields f = SplitDate(value);
    st.wYear = static_cast<WORD>(f.year);
    st.wMonth = static_cast<WORD>(f.month);
    st.wDay = static_cast<WORD>(f.day);
    st.wHour = static_cast<WORD>(f.hour);
    st.wMinute = static_cast<WORD>(f.minute);
    st.wSecond = static_cast<WORD>(f.second);
    // The box works in SYSTEMTIME, which starts in 1601; earlier dates cannot be shown.
    FILETIME ft{};
    if (!SystemTimeToFileTime(&st, &ft)) return;
    // SystemTimeToFileTime ignores the day of the week; the control may not.
    FileTimeToSystemTime(&ft, &st);
  }
  SendMessageW(Handle(box), DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&st));
}

Colour MainWindow::PickerColour(Control picker) const {
  return static_cast<Colour>(SendMessageW(Handle(picker), kColorPickerGetColour, 0, 0));
}

void MainWindow::SetPickerColour(Control picker, Colour colour) {
  SendMessageW(Handle(picker), kColorPickerSetColour, colour, 0);
}

}  // namespace vendaro::win32
