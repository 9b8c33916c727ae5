#include <windows.h>

#include "app/fatal_error.h"
#include "ui/win32/text.h"

namespace vendaro {

void ReportRuntimeError(std::int32_t code) { ReportRuntimeError(code, RuntimeErrorMessage(code)); }

void ReportRuntimeError(std::int32_t code, std::string_view message) {
  const std::wstring text = win32::WidenGbk(RuntimeErrorText(code, message));
  const std::wstring title = win32::WidenGbk(kFatalErrorTitle);
  // No owner: the box must come up even when the error is raised while the main
  // window is being destroyed or was never created. Its own modal loop keeps
  // dispatching the thread's messages until the user answers.
  MessageBoxW(nullptr, text.c_str(), title.c_str(), MB_OK | MB_ICONERROR);
  // ExitProcess, not exit(): the exit callbacks and static destructors must not run.
  ExitProcess(kFatalExitStatus);
}

}  // namespace vendaro
