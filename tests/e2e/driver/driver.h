#pragma once
// A small library for driving the real Vendaro.exe as a person would: start it in a
// fresh folder, find its window by process, read and write controls by dialog ID,
// send real keys and mouse moves, wait until something holds, take screenshots.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vendaro::e2e {

// ---- paths and folders ---------------------------------------------------------------

// A path from the environment; Unix paths (as ctest passes them) become Z:\… paths.
std::wstring EnvPath(const wchar_t* name);
std::wstring VendaroExe();    // VENDARO_EXE
std::wstring ArtifactsDir();  // VENDARO_ARTIFACTS: screenshots and run folders

// A fresh, empty folder under the artifacts folder, named after the running test.
class TestFolder {
 public:
  explicit TestFolder(const std::wstring& leafSuffix = L"");
  const std::wstring& path() const { return path_; }
  std::wstring File(const std::wstring& name) const { return path_ + L"\\" + name; }
  std::wstring CopyExe() const;  // copies Vendaro.exe in, returns its path
  bool Write(const std::wstring& name, const std::string& bytes) const;
  bool Read(const std::wstring& name, std::string& bytes) const;

 private:
  std::wstring path_;
};

std::wstring Widen(const std::string& gbk);  // code page 936
std::string Narrow(const std::wstring& wide);

// ---- waiting -------------------------------------------------------------------------

using Millis = DWORD;  // milliseconds
bool WaitUntil(const std::function<bool()>& condition, Millis deadline = 5000);
// Lets the widget's thread catch up with everything posted to it so far.
void Settle(HWND window, Millis deadline = 3000);

// ---- the widget process --------------------------------------------------------------

class Widget {
 public:
  // Called again and again, as fast as it returns, from the moment the process exists
  // until its main window is visible and idle: to see what start-up puts on screen.
  using StartWatch = std::function<void(DWORD pid)>;

  // Starts the exe, waits until its main window is visible and idle.
  static std::unique_ptr<Widget> Start(const std::wstring& exe, const std::wstring& workingDir = L"",
                                       const StartWatch& watch = {});
  ~Widget();

  HWND window() const { return window_; }
  DWORD pid() const { return pid_; }
  DWORD threadId() const { return tid_; }
  HANDLE process() const { return process_; }

  HWND Control(int id) const { return GetDlgItem(window_, id); }
  std::wstring Text(int id) const;  // WM_GETTEXT
  bool SetText(int id, const std::wstring& text) const;
  RECT WindowRect() const;
  RECT ControlRectInClient(int id) const;
  POINT ControlCentre(int id) const;  // in screen coordinates
  bool Visible(int id) const;
  std::wstring ClassOf(int id) const;
  HWND Focus() const;  // the control with the keyboard focus in the widget's thread

  bool ReadDateBox(int id, SYSTEMTIME& st) const;
  bool WriteDateBox(int id, const SYSTEMTIME& st) const;
  COLORREF PickerColour(int id) const;

  void Click(int id) const;  // BM_CLICK for buttons
  bool Close(Millis deadline = 10000);  // WM_CLOSE, wait for exit
  bool WaitForExit(DWORD& status, Millis deadline = 10000) const;
  bool Running() const;

 private:
  Widget() = default;
  HANDLE process_ = nullptr;
  HANDLE thread_ = nullptr;
  DWORD pid_ = 0;
  DWORD tid_ = 0;
  HWND window_ = nullptr;
};

// The visible top-level window of a process with the given class, or null.
HWND FindProcessWindow(DWORD pid, const wchar_t* className);
// Every top-level window of a process with the given class, shown or not.
std::vector<HWND> ProcessWindows(DWORD pid, const wchar_t* className);

// ---- real input ----------------------------------------------------------------------

void MoveMouse(POINT screen);
void LeftButton(bool down);
void ClickAt(POINT screen);
void DragFromTo(POINT from, POINT to, int steps = 8);
void PressKey(WORD vk, bool shift = false, bool ctrl = false, bool alt = false);
void TypeText(const std::wstring& text);

// A window of the driver's own, to hold the focus as "another program" would.
class ForeignWindow {
 public:
  ForeignWindow();
  ~ForeignWindow();
  HWND hwnd() const { return hwnd_; }
  bool MakeForeground() const;
  std::wstring typed() const;  // characters it received
  int hotkeys() const;          // WM_HOTKEY messages it received (for a hotkey registered on it)

 private:
  HWND hwnd_ = nullptr;
};

// ---- screen --------------------------------------------------------------------------

struct Screenshot {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;  // 0x00RRGGBB, top row first
  COLORREF At(int x, int y) const;    // as a COLORREF (0x00BBGGRR)
  Screenshot Crop(const RECT& r) const;
  bool SavePng(const std::wstring& path) const;
  int Count(COLORREF colour, const RECT& area) const;
};
Screenshot CaptureScreen();
// Saves a crop of the screen under ArtifactsDir()\screenshots\<name>.png; returns the path.
std::wstring SaveScreenshot(const std::wstring& name, const RECT* area = nullptr);

}  // namespace vendaro::e2e
