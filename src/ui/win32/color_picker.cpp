#include "ui/win32/color_picker.h"

#include "ui/win32/handles.h"

namespace vendaro::win32 {
namespace {

struct PickerState {
  Colour colour = kBlack;
  HFONT font = nullptr;
};

PickerState* StateOf(HWND picker) { return reinterpret_cast<PickerState*>(GetWindowLongPtrW(picker, 0)); }

void Paint(HWND picker, const PickerState& state) {
  PaintScope paint(picker);
  HDC dc = paint.dc();
  RECT client{};
  GetClientRect(picker, &client);
  FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));

  // Arrow area at the right, swatch in a sunken edge on the rest.
  const int arrowWidth = 12;
  RECT swatch{client.left + 2, client.top + 2, client.right - arrowWidth - 2, client.bottom - 2};
  DrawEdge(dc, &swatch, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
  UniqueBrush fill(CreateSolidBrush(static_cast<COLORREF>(state.colour & 0x00FFFFFFu)));
  FillRect(dc, &swatch, fill.get());

  const int cx = client.right - arrowWidth / 2 - 1;
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

LRESULT CALLBACK PickerProc(HWND picker, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  PickerState* state = StateOf(picker);
  switch (message) {
    case WM_NCCREATE:
      SetWindowLongPtrW(picker, 0, reinterpret_cast<LONG_PTR>(new (std::nothrow) PickerState{}));
      break;
    case WM_NCDESTROY:
      delete state;
      SetWindowLongPtrW(picker, 0, 0);
      break;
    case kColorPickerSetColour:
      if (state) {
        state->colour = static_cast<Colour>(wParam);
        InvalidateRect(picker, nullptr, FALSE);
      }
      return 0;
    case WM_SETFONT:
      if (state) state->font = reinterpret_cast<HFONT>(wParam);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(state && state->font ? state->font : GetStockObject(DEFAULT_GUI_FONT));
    case kColorPickerGetColour:
      return state ? static_cast<LRESULT>(state->colour) : 0;
    case WM_PAINT:
      if (state) {
        Paint(picker, *state);
        return 0;
      }
      break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      InvalidateRect(picker, nullptr, FALSE);
      break;
    case WM_LBUTTONDOWN:
      SetFocus(picker);
      return 0;
    case WM_GETDLGCODE:
      return DLGC_BUTTON;
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
  return RegisterClassExW(&wc) != 0;
}

}  // namespace vendaro::win32
