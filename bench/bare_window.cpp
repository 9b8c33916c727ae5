// The floor Vendaro is measured against: the least a Win32 program can be and still
// look like the widget. One topmost window of the widget's size without a caption,
// one static text, a 30-second timer that rewrites the text (the counterpart of the
// widget's refresh, so that the idle cost and "after 1000 refreshes" compare like
// with like), and the event loop. Built with the same compiler, flags and stripping
// as Vendaro.exe; it has no manifest, icon or resources, and uses nothing of C++'s
// runtime.
//
// Built a second time with VENDARO_BARE_COMMON_CONTROLS and the widget's manifest, it
// also loads version 6 of the common controls (comctl32), which the widget needs for
// its date boxes: a reference that shows what that library alone costs.
#include <windows.h>
#ifdef VENDARO_BARE_COMMON_CONTROLS
#include <commctrl.h>
#endif

namespace {

constexpr wchar_t kClass[] = L"VendaroBareWindow";
constexpr int kWidth = 426;  // Vendaro's window, as in its description
constexpr int kHeight = 186;
constexpr UINT_PTR kRefreshTimer = 1;
constexpr UINT kRefreshMs = 30000;

HWND g_text = nullptr;

// Not noexcept, unlike the widget's procedures: with the static runtime that alone
// pulls in C++ exception handling, about 110 KB, and this is the floor.
LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_TIMER:
      SetWindowTextW(g_text, L"距离生日还有：7 天");
      return 0;
    case WM_DESTROY:
      KillTimer(window, kRefreshTimer);
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
#ifdef VENDARO_BARE_COMMON_CONTROLS
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_DATE_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
#endif
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kClass;
  if (!RegisterClassExW(&wc)) return 1;

  const int left = (GetSystemMetrics(SM_CXSCREEN) - kWidth) / 2;
  const int top = GetSystemMetrics(SM_CYSCREEN) - kHeight - 40;
  HWND window = CreateWindowExW(WS_EX_TOPMOST, kClass, L"Vendaro", WS_POPUP | WS_DLGFRAME, left, top, kWidth,
                                kHeight, nullptr, nullptr, instance, nullptr);
  if (!window) return 1;
  g_text = CreateWindowExW(0, L"STATIC", L"距离生日还有：7 天", WS_CHILD | WS_VISIBLE | SS_CENTER, 3, 4, 180, 24,
                           window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(1)), instance, nullptr);
  SendMessageW(g_text, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
  SetTimer(window, kRefreshTimer, kRefreshMs, nullptr);
  ShowWindow(window, SW_SHOW);

  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
}
