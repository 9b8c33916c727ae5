#include "driver.h"

#include <commctrl.h>

#include <algorithm>
#include <gtest/gtest.h>

#include "ui/win32/color_picker.h"

namespace vendaro::e2e {

// ---- paths and folders ---------------------------------------------------------------

std::wstring EnvPath(const wchar_t* name) {
  wchar_t buffer[4096];
  const DWORD n = GetEnvironmentVariableW(name, buffer, 4096);
  if (n == 0 || n >= 4096) return {};
  std::wstring value(buffer, n);
  if (!value.empty() && value[0] == L'/') {
    // Wine maps the Unix root to drive Z:.
    for (auto& ch : value) {
      if (ch == L'/') ch = L'\\';
    }
    value = L"Z:" + value;
  }
  while (value.size() > 3 && value.back() == L'\\') value.pop_back();
  return value;
}

std::wstring VendaroExe() { return EnvPath(L"VENDARO_EXE"); }

std::wstring ArtifactsDir() {
  std::wstring dir = EnvPath(L"VENDARO_ARTIFACTS");
  if (dir.empty()) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    dir = std::wstring(temp) + L"vendaro-e2e";
  }
  return dir;
}

namespace {

void MakeDirectories(const std::wstring& path) {
  for (std::size_t i = 3; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == L'\\') CreateDirectoryW(path.substr(0, i).c_str(), nullptr);
  }
}

void RemoveTree(const std::wstring& path) {
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = data.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring child = path + L"\\" + name;
      SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(child);
      } else {
        DeleteFileW(child.c_str());
      }
    } while (FindNextFileW(find, &data));
    FindClose(find);
  }
  RemoveDirectoryW(path.c_str());
}

std::wstring CurrentTestName() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  if (!info) return L"no-test";
  std::string name = std::string(info->test_suite_name()) + "." + info->name();
  std::wstring wide;
  for (char c : name) wide += (c == '/' ? L'_' : static_cast<wchar_t>(static_cast<unsigned char>(c)));
  return wide;
}

}  // namespace

TestFolder::TestFolder(const std::wstring& leafSuffix) {
  path_ = ArtifactsDir() + L"\\runs\\" + CurrentTestName() + leafSuffix;
  RemoveTree(path_);
  MakeDirectories(path_);
}

std::wstring TestFolder::CopyExe() const {
  const std::wstring target = File(L"Vendaro.exe");
  CopyFileW(VendaroExe().c_str(), target.c_str(), FALSE);
  return target;
}

bool TestFolder::Write(const std::wstring& name, const std::string& bytes) const {
  HANDLE file = CreateFileW(File(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  return ok && written == bytes.size();
}

bool TestFolder::Read(const std::wstring& name, std::string& bytes) const {
  HANDLE file = CreateFileW(File(name).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bytes.clear();
  char buffer[65536];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
  CloseHandle(file);
  return true;
}

std::wstring Widen(const std::string& gbk) {
  if (gbk.empty()) return {};
  const int n = MultiByteToWideChar(936, 0, gbk.data(), static_cast<int>(gbk.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(936, 0, gbk.data(), static_cast<int>(gbk.size()), out.data(), n);
  return out;
}

std::string Narrow(const std::wstring& wide) {
  if (wide.empty()) return {};
  const int n = WideCharToMultiByte(936, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(936, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n, nullptr, nullptr);
  return out;
}

// ---- waiting -------------------------------------------------------------------------

namespace {
void PumpOwnMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}
}  // namespace

bool WaitUntil(const std::function<bool()>& condition, Millis deadline) {
  const ULONGLONG end = GetTickCount64() + deadline;
  for (;;) {
    if (condition()) return true;
    if (GetTickCount64() >= end) return false;
    PumpOwnMessages();
    Sleep(15);
  }
}

void Settle(HWND window, Millis deadline) {
  // A sent message is answered only once the widget's thread has worked through
  // what was sent before it; a second round catches what the first one caused.
  DWORD_PTR result = 0;
  for (int round = 0; round < 2; ++round) {
    SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, deadline, &result);
    PumpOwnMessages();
  }
  // Paints come last in a queue: have the pending ones done now, so that a
  // screenshot shows what the window looks like and not what it looked like.
  RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, deadline, &result);
}

// ---- the widget process --------------------------------------------------------------

HWND FindProcessWindow(DWORD pid, const wchar_t* className) {
  struct Search {
    DWORD pid;
    const wchar_t* className;
    HWND found;
  } search{pid, className, nullptr};
  EnumWindows(
      [](HWND hwnd, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        DWORD owner = 0;
        GetWindowThreadProcessId(hwnd, &owner);
        if (owner != s->pid || !IsWindowVisible(hwnd)) return TRUE;
        wchar_t name[64] = {};
        GetClassNameW(hwnd, name, 64);
        if (lstrcmpW(name, s->className) != 0) return TRUE;
        s->found = hwnd;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::vector<HWND> ProcessWindows(DWORD pid, const wchar_t* className) {
  struct Search {
    DWORD pid;
    const wchar_t* className;
    std::vector<HWND> found;
  } search{pid, className, {}};
  EnumWindows(
      [](HWND hwnd, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        DWORD owner = 0;
        GetWindowThreadProcessId(hwnd, &owner);
        if (owner != s->pid) return TRUE;
        wchar_t name[64] = {};
        GetClassNameW(hwnd, name, 64);
        if (lstrcmpW(name, s->className) == 0) s->found.push_back(hwnd);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::unique_ptr<Widget> Widget::Start(const std::wstring& exe, const std::wstring& workingDir,
                                      const StartWatch& watch) {
  std::unique_ptr<Widget> w(new Widget());
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  std::wstring commandLine = L"\"" + exe + L"\"";
  if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      workingDir.empty() ? nullptr : workingDir.c_str(), &si, &pi)) {
    return nullptr;
  }
  w->process_ = pi.hProcess;
  w->thread_ = pi.hThread;
  w->pid_ = pi.dwProcessId;
  w->tid_ = pi.dwThreadId;
  if (watch) {
    // No sleeping here: a window shown in the wrong place for a moment must not slip
    // between two looks.
    const ULONGLONG end = GetTickCount64() + 15000;
    while (GetTickCount64() < end) {
      watch(w->pid_);
      if (FindProcessWindow(w->pid_, L"VendaroWindow") && WaitForInputIdle(w->process_, 0) != WAIT_TIMEOUT) break;
    }
  } else {
    WaitForInputIdle(w->process_, 15000);
  }
  if (!WaitUntil([&] { return (w->window_ = FindProcessWindow(w->pid_, L"VendaroWindow")) != nullptr; }, 15000)) {
    return nullptr;
  }
  Settle(w->window_);
  return w;
}

Widget::~Widget() {
  if (process_) {
    if (Running()) {
      PostMessageW(window_, WM_CLOSE, 0, 0);
      if (WaitForSingleObject(process_, 5000) != WAIT_OBJECT_0) TerminateProcess(process_, 1);
    }
    CloseHandle(process_);
  }
  if (thread_) CloseHandle(thread_);
}

std::wstring Widget::Text(int id) const {
  HWND control = Control(id);
  const LRESULT length = SendMessageW(control, WM_GETTEXTLENGTH, 0, 0);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const LRESULT copied = SendMessageW(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<std::size_t>(copied));
  return text;
}

bool Widget::SetText(int id, const std::wstring& text) const {
  return SendMessageW(Control(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str())) != 0;
}

RECT Widget::WindowRect() const {
  RECT r{};
  GetWindowRect(window_, &r);
  return r;
}

RECT Widget::ControlRectInClient(int id) const {
  RECT r{};
  GetWindowRect(Control(id), &r);
  MapWindowPoints(HWND_DESKTOP, window_, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

POINT Widget::ControlCentre(int id) const {
  RECT r{};
  GetWindowRect(Control(id), &r);
  return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

bool Widget::Visible(int id) const { return (GetWindowLongW(Control(id), GWL_STYLE) & WS_VISIBLE) != 0; }

std::wstring Widget::ClassOf(int id) const {
  wchar_t name[64] = {};
  GetClassNameW(Control(id), name, 64);
  return name;
}

HWND Widget::Focus() const {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(tid_, &info)) return nullptr;
  return info.hwndFocus;
}

namespace {
// Common-control messages that carry a pointer are not carried across processes:
// the struct has to live in the widget's own memory.
class RemoteBuffer {
 public:
  RemoteBuffer(HANDLE process, std::size_t size)
      : process_(process), address_(VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)) {}
  ~RemoteBuffer() {
    if (address_) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
  }
  RemoteBuffer(const RemoteBuffer&) = delete;
  RemoteBuffer& operator=(const RemoteBuffer&) = delete;
  void* address() const { return address_; }
  bool Write(const void* data, std::size_t size) const {
    SIZE_T done = 0;
    return address_ && WriteProcessMemory(process_, address_, data, size, &done) && done == size;
  }
  bool Read(void* data, std::size_t size) const {
    SIZE_T done = 0;
    return address_ && ReadProcessMemory(process_, address_, data, size, &done) && done == size;
  }

 private:
  HANDLE process_;
  void* address_;
};
}  // namespace

bool Widget::ReadDateBox(int id, SYSTEMTIME& st) const {
  RemoteBuffer remote(process_, sizeof st);
  if (!remote.address()) return false;
  const LRESULT kind = SendMessageW(Control(id), DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(remote.address()));
  return kind == GDT_VALID && remote.Read(&st, sizeof st);
}

bool Widget::WriteDateBox(int id, const SYSTEMTIME& st) const {
  RemoteBuffer remote(process_, sizeof st);
  if (!remote.Write(&st, sizeof st)) return false;
  return SendMessageW(Control(id), DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(remote.address())) != 0;
}

COLORREF Widget::PickerColour(int id) const {
  return static_cast<COLORREF>(SendMessageW(Control(id), win32::kColorPickerGetColour, 0, 0));
}

void Widget::Click(int id) const { SendMessageW(Control(id), BM_CLICK, 0, 0); }

bool Widget::Close(Millis deadline) {
  PostMessageW(window_, WM_CLOSE, 0, 0);
  DWORD status = 0;
  return WaitForExit(status, deadline);
}

bool Widget::WaitForExit(DWORD& status, Millis deadline) const {
  if (WaitForSingleObject(process_, deadline) != WAIT_OBJECT_0) return false;
  return GetExitCodeProcess(process_, &status) != 0;
}

bool Widget::Running() const { return WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }

// ---- real input ----------------------------------------------------------------------

namespace {
void Send(INPUT* inputs, UINT count) {
  SendInput(count, inputs, sizeof(INPUT));
  PumpOwnMessages();
}

INPUT MouseInput(DWORD flags, POINT p) {
  INPUT in{};
  in.type = INPUT_MOUSE;
  const int w = GetSystemMetrics(SM_CXSCREEN);
  const int h = GetSystemMetrics(SM_CYSCREEN);
  // The system maps back with x = dx * width / 65536, truncated: round up here so
  // that the pixel comes out exactly.
  in.mi.dx = static_cast<LONG>((p.x * 65536LL + w - 1) / w);
  in.mi.dy = static_cast<LONG>((p.y * 65536LL + h - 1) / h);
  in.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE;
  return in;
}

INPUT KeyInput(WORD vk, bool up) {
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = vk;
  in.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
  in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  if (vk == VK_LEFT || vk == VK_RIGHT || vk == VK_UP || vk == VK_DOWN || vk == VK_HOME || vk == VK_END ||
      vk == VK_DELETE || vk == VK_INSERT) {
    in.ki.dwFlags |= KEYEVENTF_EXTENDEDKEY;
  }
  return in;
}
}  // namespace

void MoveMouse(POINT screen) {
  INPUT in = MouseInput(MOUSEEVENTF_MOVE, screen);
  Send(&in, 1);
}

void LeftButton(bool down) {
  POINT p{};
  GetCursorPos(&p);
  INPUT in = MouseInput(down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP, p);
  in.mi.dwFlags &= ~static_cast<DWORD>(MOUSEEVENTF_ABSOLUTE);
  in.mi.dx = in.mi.dy = 0;
  Send(&in, 1);
}

void ClickAt(POINT screen) {
  MoveMouse(screen);
  Sleep(30);
  LeftButton(true);
  Sleep(30);
  LeftButton(false);
}

void DragFromTo(POINT from, POINT to, int steps) {
  MoveMouse(from);
  Sleep(50);
  LeftButton(true);
  Sleep(100);
  for (int i = 1; i <= steps; ++i) {
    MoveMouse({from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps});
    Sleep(40);
  }
  Sleep(50);
  LeftButton(false);
  Sleep(50);
}

void PressKey(WORD vk, bool shift, bool ctrl, bool alt) {
  INPUT inputs[8];
  UINT n = 0;
  if (ctrl) inputs[n++] = KeyInput(VK_CONTROL, false);
  if (shift) inputs[n++] = KeyInput(VK_SHIFT, false);
  if (alt) inputs[n++] = KeyInput(VK_MENU, false);
  inputs[n++] = KeyInput(vk, false);
  inputs[n++] = KeyInput(vk, true);
  if (alt) inputs[n++] = KeyInput(VK_MENU, true);
  if (shift) inputs[n++] = KeyInput(VK_SHIFT, true);
  if (ctrl) inputs[n++] = KeyInput(VK_CONTROL, true);
  Send(inputs, n);
}

void TypeText(const std::wstring& text) {
  for (wchar_t ch : text) {
    INPUT in[2]{};
    for (int i = 0; i < 2; ++i) {
      in[i].type = INPUT_KEYBOARD;
      in[i].ki.wScan = ch;
      in[i].ki.dwFlags = KEYEVENTF_UNICODE | (i ? KEYEVENTF_KEYUP : 0);
    }
    Send(in, 2);
    Sleep(20);  // Wine drops a character typed before the previous one was taken
  }
}

// ---- a window of our own -------------------------------------------------------------

namespace {
std::wstring g_foreignTyped;
int g_foreignHotkeys = 0;

LRESULT CALLBACK ForeignProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CHAR) {
    g_foreignTyped += static_cast<wchar_t>(wParam);
    return 0;
  }
  if (message == WM_HOTKEY) {
    ++g_foreignHotkeys;
    return 0;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}
}  // namespace

ForeignWindow::ForeignWindow() {
  static bool registered = false;
  if (!registered) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = ForeignProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = L"VendaroTestForeignWindow";
    RegisterClassW(&wc);
    registered = true;
  }
  g_foreignTyped.clear();
  g_foreignHotkeys = 0;
  hwnd_ = CreateWindowExW(0, L"VendaroTestForeignWindow", L"Another program", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40,
                          40, 400, 200, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  PumpOwnMessages();
}

ForeignWindow::~ForeignWindow() {
  if (hwnd_) DestroyWindow(hwnd_);
  PumpOwnMessages();
}

bool ForeignWindow::MakeForeground() const {
  return WaitUntil([&] {
    if (GetForegroundWindow() == hwnd_ && GetFocus() == hwnd_) return true;
    SetForegroundWindow(hwnd_);
    SetFocus(hwnd_);
    return false;
  });
}

std::wstring ForeignWindow::typed() const { return g_foreignTyped; }

int ForeignWindow::hotkeys() const { return g_foreignHotkeys; }

// ---- screen --------------------------------------------------------------------------

COLORREF Screenshot::At(int x, int y) const {
  if (x < 0 || y < 0 || x >= width || y >= height) return CLR_INVALID;
  const std::uint32_t p = pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)];
  return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

Screenshot Screenshot::Crop(const RECT& r) const {
  Screenshot out;
  const int left = std::max<int>(0, r.left), top = std::max<int>(0, r.top);
  const int right = std::min<int>(width, r.right), bottom = std::min<int>(height, r.bottom);
  if (right <= left || bottom <= top) return out;
  out.width = right - left;
  out.height = bottom - top;
  out.pixels.reserve(static_cast<std::size_t>(out.width) * static_cast<std::size_t>(out.height));
  for (int y = top; y < bottom; ++y) {
    const auto* row = &pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width)];
    out.pixels.insert(out.pixels.end(), row + left, row + right);
  }
  return out;
}

int Screenshot::Count(COLORREF colour, const RECT& area) const {
  int n = 0;
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) {
      if (At(x, y) == colour) ++n;
    }
  }
  return n;
}

Screenshot CaptureScreen() {
  Screenshot shot;
  shot.width = GetSystemMetrics(SM_CXSCREEN);
  shot.height = GetSystemMetrics(SM_CYSCREEN);
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = shot.width;
  bi.bmiHeader.biHeight = -shot.height;  // top row first
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ previous = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, shot.width, shot.height, screen, 0, 0, SRCCOPY | CAPTUREBLT);
  GdiFlush();
  const auto* p = static_cast<const std::uint32_t*>(bits);
  shot.pixels.assign(p, p + static_cast<std::size_t>(shot.width) * static_cast<std::size_t>(shot.height));
  for (auto& px : shot.pixels) px &= 0x00FFFFFFu;
  SelectObject(memory, previous);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return shot;
}

std::wstring SaveScreenshot(const std::wstring& name, const RECT* area) {
  const std::wstring dir = ArtifactsDir() + L"\\screenshots";
  MakeDirectories(dir);
  const std::wstring path = dir + L"\\" + name + L".png";
  Screenshot shot = CaptureScreen();
  if (area) shot = shot.Crop(*area);
  return shot.SavePng(path) ? path : std::wstring();
}

}  // namespace vendaro::e2e
