// Does one thing with the hotkey registry that may end the process, so that a test in
// another process can watch for the error box and the exit status:
//
//   hotkey_probe read ENTRIES POSITION   builds a table of ENTRIES entries with ids
//                                        101, 102, … and reads POSITION; exits with
//                                        the id it read
//   hotkey_probe foreign-hotkey          subclasses a window of its own through a real
//                                        registration, then posts it WM_HOTKEY with an
//                                        id it never registered; exits 0 when the
//                                        message was dropped and the window lives on
#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "hotkey/hotkey_registry.h"

namespace {

using namespace vendaro;

// Exit statuses of foreign-hotkey besides 0; a fatal error ends with 0xFFFFFFFF.
enum Outcome : int {
  kUsage = 2,
  kNoWindow = 3,
  kNotRegistered = 4,
  kCallbackRan = 5,
  kPassedOn = 6,
  kWindowGone = 7,
  kKnownIdLost = 8,
};

constexpr UINT kStop = WM_APP + 1;
constexpr std::int32_t kOwnId = 1;
constexpr std::int32_t kForeignId = 7;

int callbackRuns = 0;
int hotkeysPassedOn = 0;

LRESULT CALLBACK CountRun(HWND, UINT, WPARAM, LPARAM) { return ++callbackRuns; }

LRESULT CALLBACK OwnProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_HOTKEY) ++hotkeysPassedOn;
  if (message == kStop) PostQuitMessage(0);
  return DefWindowProcW(window, message, wParam, lParam);
}

int ReadPosition(int entries, int position) {
  HotkeyTable table;
  for (int i = 1; i <= entries; ++i) table.Append({nullptr, 100 + i, nullptr});
  return table.At(position).id;
}

int ForeignHotkey() {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = &OwnProc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"VendaroHotkeyProbe";
  RegisterClassW(&windowClass);
  HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"probe", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                windowClass.hInstance, nullptr);
  if (window == nullptr) return kNoWindow;

  CreateHotkeyTable();
  // A combination nobody else in the test session holds.
  if (RegisterGlobalHotkey(window, 1, MOD_CONTROL | MOD_ALT | MOD_SHIFT, 1, VK_F11, &CountRun, kOwnId) != 1) {
    return kNotRegistered;
  }
  PostMessageW(window, WM_HOTKEY, kForeignId, 0);
  PostMessageW(window, kStop, 0, 0);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);

  if (callbackRuns != 0) return kCallbackRan;
  if (hotkeysPassedOn != 0) return kPassedOn;
  if (!IsWindow(window)) return kWindowGone;
  // The table still delivers its own id afterwards.
  SendMessageW(window, WM_HOTKEY, kOwnId, 0);
  if (callbackRuns != 1) return kKnownIdLost;
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // A crash must end the process at once, not wait on a debugger or a dialog.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  if (argc == 4 && std::strcmp(argv[1], "read") == 0) {
    return ReadPosition(std::atoi(argv[2]), std::atoi(argv[3]));
  }
  if (argc == 2 && std::strcmp(argv[1], "foreign-hotkey") == 0) return ForeignHotkey();
  return kUsage;
}
