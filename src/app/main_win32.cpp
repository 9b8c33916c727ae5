// Start-up, the event loop and shutdown of Vendaro.exe.
#include <windows.h>

#include <memory>

#include "app/exit_callbacks.h"
#include "app/run_directory.h"
#include "ui/win32/main_window.h"

namespace vendaro {
namespace {

// What the program owns for its whole run: the one window and its folder.
struct Program {
  NativePath runDirectory;
  ExitCallbackList exitCallbacks;
  std::unique_ptr<win32::MainWindow> window;
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

void OnWindowCreated(Form& form) {
  Program& program = *g_program;
  (void)program;
  (void)form;
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

  win32::FormEvents events;
  events.created = [](Form& form) { OnWindowCreated(form); };
  program.window = win32::MainWindow::Load(instance, std::move(events));
  RunEventLoop(program.window.get());

  program.window.reset();
  program.exitCallbacks.RunAll();
  g_program = nullptr;
  return 0;
}

}  // namespace
}  // namespace vendaro

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) { return vendaro::ProgramStart(instance); }
