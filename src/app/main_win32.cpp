// Start-up, the event loop and shutdown of Vendaro.exe.
#include <windows.h>

#include <memory>

#include "app/exit_callbacks.h"
#include "app/placement.h"
#include "app/run_directory.h"
#include "countdown/config.h"
#include "countdown/countdown_labels.h"
#include "hotkey/hotkey_registry.h"
#include "ui/win32/main_window.h"

namespace vendaro {
namespace {

constexpr std::int32_t kToggleHotkeyId = 1;

// What the program owns for its whole run: the one window and its folder. The
// hotkey table lives in the hotkey registry, created and released from here.
struct Program {
  NativePath runDirectory;
  ExitCallbackList exitCallbacks;
  std::unique_ptr<win32::MainWindow> window;
  Form* form = nullptr;  // the window's property model, from its created event on
};

Program* g_program = nullptr;

NativePath ModulePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

void FixRunDirectory(Program& program) {
  program.runDirectory = RunDirectoryFromModulePath(ModulePath());
  // "C:" alone would name the drive's current folder; the root is meant.
  NativePath current = program.runDirectory;
  if (current.size() == 2 && current[1] == L':') current += L'\\';
  if (!current.empty()) SetCurrentDirectoryW(current.c_str());
}

ScreenSize PrimaryScreen() { return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}; }

// Ctrl+F2: the hotkey registry calls this with the message's own arguments, which
// the toggle does not need.
LRESULT CALLBACK OnToggleHotkey(HWND, UINT, WPARAM, LPARAM) noexcept {
  if (g_program && g_program->form) {
    try {
      ToggleConfigArea(*g_program->form, PrimaryScreen());
    } catch (...) {
      // Nothing of the toggle can fail in a way worth ending the widget for.
    }
  }
  return 0;
}

void OnWindowCreated(Form& form) {
  Program& program = *g_program;
  program.form = &form;
  HWND window = static_cast<HWND>(form.NativeHandle());
  // Without the hotkey (another program may hold Ctrl+F2) the widget still works.
  (void)RegisterGlobalHotkey(window, 1, MOD_CONTROL, 1, VK_F2, OnToggleHotkey, kToggleHotkeyId);
  PlaceWindow(form, PrimaryScreen());
  LoadConfiguration(form, program.runDirectory, ReadLocalClock);
  form.SetPickerColour(Control::颜色选择器1, kOrange);
}

bool AnyWindowOfThisThread() {
  bool found = false;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND, LPARAM found_) -> BOOL {
        *reinterpret_cast<bool*>(found_) = true;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

void RunEventLoop(win32::MainWindow* window) {
  if (!AnyWindowOfThisThread()) return;
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (window && IsWindow(window->hwnd()) && window->PreTranslateMessage(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

int ProgramStart(HINSTANCE instance) {
  Program program;
  g_program = &program;
  FixRunDirectory(program);
  CreateHotkeyTable();
  program.exitCallbacks.Add(ReleaseHotkeyTable);

  win32::FormEvents events;
  events.created = [](Form& form) { OnWindowCreated(form); };
  events.loadClicked = [&program](Form& form) { LoadConfiguration(form, program.runDirectory, ReadLocalClock); };
  events.saveClicked = [&program](Form& form) { SaveConfiguration(form, program.runDirectory, ReadLocalClock); };
  events.colourChosen = [](Form& form) { ApplyItemColour(form); };
  events.tick = [&program](Form& form) { RefreshCountdownLabels(form, program.runDirectory, ReadLocalClock); };
  program.window = win32::MainWindow::Load(instance, std::move(events));
  RunEventLoop(program.window.get());

  program.form = nullptr;
  program.window.reset();
  program.exitCallbacks.RunAll();
  g_program = nullptr;
  return 0;
}

}  // namespace
}  // namespace vendaro

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) { return vendaro::ProgramStart(instance); }
