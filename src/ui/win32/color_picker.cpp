#include "ui/win32/color_picker.h"

#include <commdlg.h>
#include <windowsx.h>

#include <array>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <type_traits>

#include "ui/palette.h"
#include "ui/win32/handles.h"
#include "ui/win32/text.h"

namespace vendaro::win32 {
namespace {

using UniqueWindow = std::unique_ptr<std::remove_pointer_t<HWND>, Deleter<DestroyWindow>>;

// A drop-down: it never takes the activation from the widget, so the picker keeps the
// focus and the keyboard while the palette is open.
constexpr DWORD kPaletteStyle = WS_POPUP | WS_BORDER;
constexpr DWORD kPaletteExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE;

constexpr int kArrowWidth = 12;
constexpr int kSwatchInset = 4;  // a palette swatch's distance from its cell's left, top and bottom
constexpr int kSwatchWidth = 20;
constexpr int kNameGap = 6;

constexpr std::array<COLORREF, 16> WhiteRow() {
  std::array<COLORREF, 16> row{};
  for (auto& c : row) c = RGB(255, 255, 255);
  return row;
}

struct PickerState {
  Colour colour = kBlack;
  HFONT font = nullptr;
  UniqueWindow palette;  // while the palette is open
  int highlighted = 0;   // the palette's highlighted entry
  POINT pointer{};       // where the mouse pointer was when it last moved the highlight
  // The colour dialog's custom colours, kept from one opening to the next for the run.
  std::array<COLORREF, 16> customColours = WhiteRow();
};

PickerState* StateOf(HWND picker) noexcept {
  return reinterpret_cast<PickerState*>(GetWindowLongPtrW(picker, 0));
}

// The palette remembers the picker it belongs to; everything else lives in the picker.
HWND PickerOf(HWND palette) noexcept { return reinterpret_cast<HWND>(GetWindowLongPtrW(palette, GWLP_USERDATA)); }

PickerState* PickerStateOf(HWND palette) noexcept {
  HWND picker = PickerOf(palette);
  return picker ? StateOf(picker) : nullptr;
}

RECT ToRECT(const Rect& r) noexcept { return {r.left, r.top, r.left + r.width, r.top + r.height}; }
Rect ToRect(const RECT& r) noexcept { return {r.left, r.top, r.right - r.left, r.bottom - r.top}; }

COLORREF PlainColour(Colour colour) noexcept { return static_cast<COLORREF>(colour & 0x00FFFFFFu); }

HGDIOBJ FontOf(const PickerState& state) noexcept {
  return state.font ? static_cast<HGDIOBJ>(state.font) : GetStockObject(DEFAULT_GUI_FONT);
}

std::optional<PaletteKey> PaletteKeyOf(WPARAM vk) noexcept {
  switch (vk) {
    case VK_LEFT:
      return PaletteKey::Left;
    case VK_RIGHT:
      return PaletteKey::Right;
    case VK_UP:
      return PaletteKey::Up;
    case VK_DOWN:
      return PaletteKey::Down;
    case VK_HOME:
      return PaletteKey::Home;
    case VK_END:
      return PaletteKey::End;
    default:
      return std::nullopt;
  }
}

// ---- the picker's own state ---------------------------------------------------------

void SetColour(HWND picker, PickerState& state, Colour colour) noexcept {
  state.colour = colour;
  InvalidateRect(picker, nullptr, FALSE);
}

void NotifyChosen(HWND picker) noexcept {
  SendMessageW(GetParent(picker), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(picker), kColorPickerChosen),
               reinterpret_cast<LPARAM>(picker));
}

// ---- the palette --------------------------------------------------------------------

void ClosePalette(PickerState& state) noexcept {
  // Let go first: releasing the capture and destroying the popup call back here.
  HWND palette = state.palette.release();
  if (!palette) return;
  if (GetCapture() == palette) ReleaseCapture();
  DestroyWindow(palette);
}

void OpenPalette(HWND picker, PickerState& state) noexcept {
  if (state.palette) return;
  const PaletteSize client = PaletteClientSize();
  RECT outer{0, 0, client.width, client.height};
  AdjustWindowRectEx(&outer, kPaletteStyle, FALSE, kPaletteExStyle);
  const PaletteSize size{outer.right - outer.left, outer.bottom - outer.top};

  RECT anchor{};
  GetWindowRect(picker, &anchor);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  if (!GetMonitorInfoW(MonitorFromWindow(picker, MONITOR_DEFAULTTONEAREST), &monitor)) {
    monitor.rcWork = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  }
  const PalettePlace place = PlacePalette(ToRect(anchor), size, ToRect(monitor.rcWork));

  state.highlighted = PaletteEntryOf(state.colour);
  GetCursorPos(&state.pointer);
  const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(picker, GWLP_HINSTANCE));
  HWND palette = CreateWindowExW(kPaletteExStyle, kColorPaletteClass,
                                 WidenGbk(PaletteEntryName(state.highlighted)).c_str(), kPaletteStyle, place.left,
                                 place.top, size.width, size.height, GetAncestor(picker, GA_ROOT), nullptr, instance,
                                 picker);
  if (!palette) return;
  state.palette.reset(palette);
  ShowWindow(palette, SW_SHOWNOACTIVATE);
  // Every press comes here, so that one outside the palette can close it.
  SetCapture(palette);
}

void InvalidateEntry(HWND palette, int entry) noexcept {
  const RECT cell = ToRECT(PaletteCellRect(entry));
  InvalidateRect(palette, &cell, FALSE);
}

void Highlight(PickerState& state, int entry) noexcept {
  HWND palette = state.palette.get();
  if (!palette || !IsPaletteEntry(entry) || entry == state.highlighted) return;
  InvalidateEntry(palette, state.highlighted);
  state.highlighted = entry;
  InvalidateEntry(palette, entry);
  SetWindowTextW(palette, WidenGbk(PaletteEntryName(entry)).c_str());
}

// comdlg32 is loaded the first time the dialog is asked for: linked in, it would bring
// shell32, winspool and the printing system (libcups under Wine) into every start of
// the widget, for a dialog that most runs never open. Known to the system, the library
// is always the system's own.
BOOL ShowColourDialog(CHOOSECOLORW& dialog) noexcept {
  static const auto choose = []() noexcept -> decltype(&ChooseColorW) {
    HMODULE library = LoadLibraryExW(L"comdlg32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!library) library = LoadLibraryW(L"comdlg32.dll");  // Windows 7 without KB2533623
    if (!library) return nullptr;
    // Through void (*)(), the one function pointer type every other converts to freely.
    return reinterpret_cast<decltype(&ChooseColorW)>(
        reinterpret_cast<void (*)()>(GetProcAddress(library, "ChooseColorW")));
  }();
  return choose ? choose(&dialog) : FALSE;
}

// The system colour dialog, starting from the picker's colour. The widget may have been
// closed while the dialog ran (its window still gets posted messages), so the picker is
// looked up again afterwards and the dialog never writes into the picker's memory.
std::optional<Colour> AskForColour(HWND picker) noexcept {
  PickerState* state = StateOf(picker);
  if (!state) return std::nullopt;
  std::array<COLORREF, 16> custom = state->customColours;
  CHOOSECOLORW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = GetAncestor(picker, GA_ROOT);
  dialog.rgbResult = PlainColour(state->colour);
  dialog.lpCustColors = custom.data();
  dialog.Flags = CC_FULLOPEN | CC_RGBINIT;
  const bool confirmed = ShowColourDialog(dialog) != FALSE;

  state = IsWindow(picker) ? StateOf(picker) : nullptr;
  if (!state) return std::nullopt;
  state->customColours = custom;
  if (!confirmed) return std::nullopt;
  return static_cast<Colour>(PlainColour(dialog.rgbResult));
}

// A confirmed entry: a named colour at once, "其它颜色..." through the colour dialog.
// Also a colour equal to the current one is a choice and is reported.
void ConfirmEntry(HWND picker, int entry) noexcept {
  PickerState* state = StateOf(picker);
  if (!state || !IsPaletteEntry(entry)) return;
  ClosePalette(*state);
  std::optional<Colour> chosen;
  if (entry == kOtherColoursEntry) {
    chosen = AskForColour(picker);
    state = StateOf(picker);
  } else {
    chosen = kPaletteColours[static_cast<std::size_t>(entry)].colour;
  }
  if (!chosen || !state) return;
  SetColour(picker, *state, *chosen);
  UpdateWindow(picker);
  NotifyChosen(picker);
}

void PaintEntry(HDC dc, int entry, bool highlighted) noexcept {
  const RECT cell = ToRECT(PaletteCellRect(entry));
  if (highlighted) FillRect(dc, &cell, GetSysColorBrush(COLOR_HIGHLIGHT));
  if (entry < kOtherColoursEntry) {
    RECT swatch{cell.left + kSwatchInset, cell.top + kSwatchInset, cell.left + kSwatchInset + kSwatchWidth,
                cell.bottom - kSwatchInset};
    // The frame keeps white and the face colour visible as swatches.
    FrameRect(dc, &swatch, GetSysColorBrush(COLOR_BTNSHADOW));
    InflateRect(&swatch, -1, -1);
    UniqueBrush fill(CreateSolidBrush(PlainColour(kPaletteColours[static_cast<std::size_t>(entry)].colour)));
    FillRect(dc, &swatch, fill.get());
  }
  RECT text = cell;
  text.left += kSwatchInset + kSwatchWidth + kNameGap;
  SetTextColor(dc, GetSysColor(highlighted ? COLOR_HIGHLIGHTTEXT : COLOR_MENUTEXT));
  const std::wstring name = WidenGbk(PaletteEntryName(entry));
  DrawTextW(dc, name.c_str(), static_cast<int>(name.size()), &text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
}

void PaintPalette(HWND palette, const PickerState& state) noexcept {
  PaintScope paint(palette);
  HDC dc = paint.dc();
  RECT client{};
  GetClientRect(palette, &client);
  FillRect(dc, &client, GetSysColorBrush(COLOR_MENU));
  SelectScope font(dc, FontOf(state));
  SetBkMode(dc, TRANSPARENT);
  for (int entry = 0; entry < kPaletteEntryCount; ++entry) PaintEntry(dc, entry, entry == state.highlighted);

  const RECT other = ToRECT(PaletteCellRect(kOtherColoursEntry));
  RECT separator{other.left + 2, other.top - kPaletteSeparator / 2 - 1, other.right - 2, other.top};
  DrawEdge(dc, &separator, EDGE_ETCHED, BF_TOP);
}

LRESULT OnPaletteNcCreate(HWND palette, const CREATESTRUCTW& create) noexcept {
  SetWindowLongPtrW(palette, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create.lpCreateParams));
  return DefWindowProcW(palette, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&create));
}

void OnPaletteNcDestroy(HWND palette) noexcept {
  // The widget's window destroys the palette it owns before the picker, its child.
  if (PickerState* state = PickerStateOf(palette); state && state->palette.get() == palette) {
    (void)state->palette.release();
  }
  SetWindowLongPtrW(palette, GWLP_USERDATA, 0);
}

// The system also reports a "move" when the palette appears under a resting pointer or
// redraws; only a real move takes the highlight, so that a pointer left over the
// palette does not steal it from the keyboard.
void OnPaletteMouseMove(HWND palette, POINT at) noexcept {
  PickerState* state = PickerStateOf(palette);
  if (!state) return;
  POINT screen = at;
  ClientToScreen(palette, &screen);
  if (screen.x == state->pointer.x && screen.y == state->pointer.y) return;
  state->pointer = screen;
  const int entry = PaletteEntryAt(at.x, at.y);
  if (entry != kNoPaletteEntry) Highlight(*state, entry);
}

// The palette has the capture: a press outside it dismisses it, and the press goes no
// further (a press on the picker closes what it opened).
void OnPaletteButtonDown(HWND palette, POINT at) noexcept {
  RECT client{};
  GetClientRect(palette, &client);
  if (PtInRect(&client, at)) return;
  if (PickerState* state = PickerStateOf(palette)) ClosePalette(*state);
}

// Choosing happens on release, as in a menu: pressing on the picker, dragging to a
// colour and letting go chooses it too.
void OnPaletteButtonUp(HWND palette, POINT at) noexcept {
  const int entry = PaletteEntryAt(at.x, at.y);
  if (entry != kNoPaletteEntry) ConfirmEntry(PickerOf(palette), entry);
}

void OnPaletteLostCapture(HWND palette, HWND newCapture) noexcept {
  if (newCapture == palette) return;
  if (PickerState* state = PickerStateOf(palette)) ClosePalette(*state);
}

POINT PointOf(LPARAM lParam) noexcept { return {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}; }

LRESULT CALLBACK PaletteProc(HWND palette, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  switch (message) {
    case WM_NCCREATE:
      return OnPaletteNcCreate(palette, *reinterpret_cast<const CREATESTRUCTW*>(lParam));
    case WM_NCDESTROY:
      OnPaletteNcDestroy(palette);
      break;
    case WM_PAINT:
      if (const PickerState* state = PickerStateOf(palette)) {
        PaintPalette(palette, *state);
        return 0;
      }
      break;
    case WM_ERASEBKGND:
      return 1;  // the paint fills everything
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;
    case WM_MOUSEMOVE:
      OnPaletteMouseMove(palette, PointOf(lParam));
      return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      OnPaletteButtonDown(palette, PointOf(lParam));
      return 0;
    case WM_LBUTTONUP:
      OnPaletteButtonUp(palette, PointOf(lParam));
      return 0;
    case WM_CAPTURECHANGED:
      OnPaletteLostCapture(palette, reinterpret_cast<HWND>(lParam));
      return 0;
    case WM_CANCELMODE:
      if (PickerState* state = PickerStateOf(palette)) ClosePalette(*state);
      return 0;
    default:
      break;
  }
  return DefWindowProcW(palette, message, wParam, lParam);
}

// ---- the picker ---------------------------------------------------------------------

void PaintPicker(HWND picker, const PickerState& state) noexcept {
  PaintScope paint(picker);
  HDC dc = paint.dc();
  RECT client{};
  GetClientRect(picker, &client);
  FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));

  // Arrow area at the right, swatch in a sunken edge on the rest.
  RECT swatch{client.left + 2, client.top + 2, client.right - kArrowWidth - 2, client.bottom - 2};
  DrawEdge(dc, &swatch, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
  UniqueBrush fill(CreateSolidBrush(PlainColour(state.colour)));
  FillRect(dc, &swatch, fill.get());

  const int cx = client.right - kArrowWidth / 2 - 1;
  const int cy = (client.top + client.bottom) / 2;
  HBRUSH arrowBrush = GetSysColorBrush(IsWindowEnabled(picker) ? COLOR_BTNTEXT : COLOR_GRAYTEXT);
  for (int row = 0; row < 4; ++row) {
    RECT line{cx - 3 + row, cy - 1 + row, cx + 4 - row, cy + row};
    FillRect(dc, &line, arrowBrush);
  }
  if (GetFocus() == picker) {
    RECT focus = client;
    InflateRect(&focus, -1, -1);
    DrawFocusRect(dc, &focus);
  }
}

LRESULT OnPickerNcCreate(HWND picker, LPARAM lParam) noexcept {
  auto* state = new (std::nothrow) PickerState{};
  if (!state) return FALSE;
  SetWindowLongPtrW(picker, 0, reinterpret_cast<LONG_PTR>(state));
  return DefWindowProcW(picker, WM_NCCREATE, 0, lParam);
}

void OnPickerNcDestroy(HWND picker) noexcept {
  delete StateOf(picker);
  SetWindowLongPtrW(picker, 0, 0);
}

void OnPickerButtonDown(HWND picker, PickerState& state) noexcept {
  SetFocus(picker);
  if (state.palette) {
    ClosePalette(state);
  } else {
    OpenPalette(picker, state);
  }
}

// Space or Enter opens the palette; while it is open, the arrows, Home and End move
// through it, Space or Enter chooses and Esc closes it. A key held down opens or
// chooses once.
bool OnPickerKeyDown(HWND picker, PickerState& state, WPARAM vk, LPARAM flags) noexcept {
  const bool repeated = (flags & (1 << 30)) != 0;
  const bool confirmKey = vk == VK_SPACE || vk == VK_RETURN;
  if (!state.palette) {
    if (!confirmKey) return false;
    if (!repeated) OpenPalette(picker, state);
    return true;
  }
  if (vk == VK_ESCAPE) {
    ClosePalette(state);
    return true;
  }
  if (confirmKey) {
    if (!repeated) ConfirmEntry(picker, state.highlighted);
    return true;
  }
  if (const std::optional<PaletteKey> key = PaletteKeyOf(vk)) {
    Highlight(state, NextPaletteEntry(state.highlighted, *key));
    return true;
  }
  return false;
}

void OnPickerFocusChange(HWND picker, PickerState& state, bool gained) noexcept {
  if (!gained) ClosePalette(state);
  InvalidateRect(picker, nullptr, FALSE);
}

LRESULT CALLBACK PickerProc(HWND picker, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  if (message == WM_NCCREATE) return OnPickerNcCreate(picker, lParam);
  PickerState* state = StateOf(picker);
  if (!state) return DefWindowProcW(picker, message, wParam, lParam);
  switch (message) {
    case WM_NCDESTROY:
      OnPickerNcDestroy(picker);
      break;
    case WM_DESTROY:
    case WM_CANCELMODE:
      ClosePalette(*state);
      return 0;
    case kColorPickerSetColour:
      SetColour(picker, *state, static_cast<Colour>(wParam));
      return 0;
    case kColorPickerGetColour:
      return static_cast<LRESULT>(state->colour);
    case WM_SETFONT:
      state->font = reinterpret_cast<HFONT>(wParam);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(FontOf(*state));
    case WM_PAINT:
      PaintPicker(picker, *state);
      return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      OnPickerFocusChange(picker, *state, message == WM_SETFOCUS);
      return 0;
    case WM_LBUTTONDOWN:
      OnPickerButtonDown(picker, *state);
      return 0;
    case WM_KEYDOWN:
      if (OnPickerKeyDown(picker, *state, wParam, lParam)) return 0;
      break;
    case WM_GETDLGCODE:
      return state->palette ? DLGC_BUTTON | DLGC_WANTALLKEYS : DLGC_BUTTON;
    default:
      break;
  }
  return DefWindowProcW(picker, message, wParam, lParam);
}

}  // namespace

bool RegisterColorPickerClass(HINSTANCE instance) noexcept {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = PickerProc;
  wc.cbWndExtra = sizeof(LONG_PTR);
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = kColorPickerClass;
  if (!RegisterClassExW(&wc)) return false;

  wc.style = CS_DROPSHADOW;
  wc.lpfnWndProc = PaletteProc;
  wc.cbWndExtra = 0;
  wc.lpszClassName = kColorPaletteClass;
  return RegisterClassExW(&wc) != 0;
}

}  // namespace vendaro::win32
