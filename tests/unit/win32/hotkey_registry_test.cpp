#include "hotkey/hotkey_registry.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/fatal_error.h"
#include "ui/win32/text.h"

namespace vendaro {
namespace {

struct Call {
  HWND window;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  friend bool operator==(const Call&, const Call&) = default;
};

// What the test windows' own procedure and the bound callbacks have received.
std::vector<Call> ownProcCalls;
std::vector<Call> callbackCalls;
std::vector<Call> otherCallbackCalls;

constexpr LRESULT kCallbackResult = 0x0C0FFEE0;
constexpr UINT kAnswerMe = WM_APP + 17;

// The windows' own procedure answers kAnswerMe with a result built from its arguments.
LRESULT CALLBACK OwnProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  if (message == WM_HOTKEY || message >= WM_USER) ownProcCalls.push_back({window, message, wParam, lParam});
  if (message == kAnswerMe) return static_cast<LRESULT>(wParam) ^ lParam ^ 0x5A5A5A5A5A5A5A5ALL;
  if (message == WM_USER + 3) return -1;
  return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK RecordCallback(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  callbackCalls.push_back({window, message, wParam, lParam});
  return kCallbackResult;
}

LRESULT CALLBACK RecordOtherCallback(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  otherCallbackCalls.push_back({window, message, wParam, lParam});
  return 0;
}

const wchar_t kClassName[] = L"VendaroHotkeyTestWindow";

void RegisterTestClass() {
  static const bool registered = [] {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = &OwnProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kClassName;
    return RegisterClassW(&windowClass) != 0;
  }();
  ASSERT_TRUE(registered);
}

WNDPROC ProcedureOf(HWND window) { return reinterpret_cast<WNDPROC>(GetWindowLongPtrW(window, GWLP_WNDPROC)); }

// (<chrono> cannot be compiled to code page 936: it spells "µs".)
template <class Condition>
bool PumpUntil(Condition done, ULONGLONG limitMs = 5000) {
  const ULONGLONG deadline = GetTickCount64() + limitMs;
  while (!done()) {
    if (GetTickCount64() > deadline) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  }
  return true;
}

void PressCtrlF2() {
  INPUT keys[4]{};
  const WORD codes[4] = {VK_CONTROL, VK_F2, VK_F2, VK_CONTROL};
  for (int i = 0; i < 4; ++i) {
    keys[i].type = INPUT_KEYBOARD;
    keys[i].ki.wVk = codes[i];
    keys[i].ki.dwFlags = i < 2 ? 0 : KEYEVENTF_KEYUP;
  }
  ASSERT_EQ(SendInput(4, keys, sizeof(INPUT)), 4u);
}

// Each test gets a fresh installed table and windows of its own, destroyed before the
// table is released, as the program's window is.
class HotkeyRegistry : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterTestClass();
    ownProcCalls.clear();
    callbackCalls.clear();
    otherCallbackCalls.clear();
    CreateHotkeyTable();
  }

  void TearDown() override {
    for (const auto& [window, id] : directRegistrations_) UnregisterHotKey(window, id);
    if (const HotkeyTable* table = InstalledHotkeyTable()) {
      for (std::int32_t p = 1; p <= table->Count(); ++p) UnregisterHotKey(table->At(p).window, table->At(p).id);
    }
    for (HWND window : windows_) DestroyWindow(window);
    ReleaseHotkeyTable();
  }

  HWND MakeWindow(bool visible = false) {
    HWND window = CreateWindowExW(0, kClassName, L"hotkey test", WS_POPUP | (visible ? WS_VISIBLE : 0), 10, 10, 100,
                                  50, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    EXPECT_NE(window, nullptr);
    windows_.push_back(window);
    return window;
  }

  // Holds a combination the way another program would.
  bool Hold(HWND window, int id, UINT modifiers, UINT key) {
    if (!RegisterHotKey(window, id, modifiers, key)) return false;
    directRegistrations_.push_back({window, id});
    return true;
  }

  static const HotkeyTable& Table() { return *InstalledHotkeyTable(); }

 private:
  std::vector<HWND> windows_;
  std::vector<std::pair<HWND, int>> directRegistrations_;
};

TEST_F(HotkeyRegistry, AFreeCombinationIsBoundAndTheWindowSubclassed) {
  HWND window = MakeWindow(true);
  const WNDPROC own = ProcedureOf(window);
  ASSERT_EQ(own, &OwnProc);

  EXPECT_EQ(RegisterGlobalHotkey(window, 1, MOD_CONTROL, 1, VK_F2, &RecordCallback, 1), 1);
  ASSERT_EQ(Table().Count(), 1);
  EXPECT_EQ(Table().At(1).window, window);
  EXPECT_EQ(Table().At(1).id, 1);
  EXPECT_EQ(Table().At(1).callback, &RecordCallback);
  EXPECT_EQ(ProcedureOf(window), &HotkeyWindowProc);
  EXPECT_EQ(PreviousWindowProc(), own);

  // The combination is really taken now.
  HWND other = MakeWindow();
  EXPECT_FALSE(Hold(other, 50, MOD_CONTROL, VK_F2));

  // A real Ctrl+F2 reaches the callback once, with the system's own arguments.
  SetForegroundWindow(window);
  PressCtrlF2();
  EXPECT_TRUE(PumpUntil([] { return !callbackCalls.empty(); })) << "no WM_HOTKEY arrived";
  PumpUntil([] { return false; }, 200);  // a second delivery would show now
  ASSERT_EQ(callbackCalls.size(), 1u);
  EXPECT_EQ(callbackCalls[0], (Call{window, WM_HOTKEY, 1, MAKELPARAM(MOD_CONTROL, VK_F2)}));

  // The message's result is the callback's.
  const LPARAM lParam = static_cast<LPARAM>(0x7766554433221100LL);
  EXPECT_EQ(SendMessageW(window, WM_HOTKEY, 1, lParam), kCallbackResult);
  ASSERT_EQ(callbackCalls.size(), 2u);
  EXPECT_EQ(callbackCalls[1], (Call{window, WM_HOTKEY, 1, lParam}));

  for (const Call& call : ownProcCalls) EXPECT_NE(call.message, static_cast<UINT>(WM_HOTKEY));
}

TEST_F(HotkeyRegistry, OtherMessagesReachTheOwnProcedureUnchanged) {
  HWND window = MakeWindow();
  ASSERT_EQ(RegisterGlobalHotkey(window, 1, MOD_CONTROL, 1, VK_F2, &RecordCallback, 1), 1);

  struct Sent {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    LRESULT result;
  };
  const Sent cases[] = {
      {kAnswerMe, 0xFEDCBA9876543210ULL, static_cast<LPARAM>(0x0123456789ABCDEFLL),
       static_cast<LRESULT>(0xFEDCBA9876543210ULL ^ 0x0123456789ABCDEFULL ^ 0x5A5A5A5A5A5A5A5AULL)},
      {kAnswerMe, 0, -1, static_cast<LRESULT>(~0x5A5A5A5A5A5A5A5AULL)},
      {WM_USER + 3, 3, 4, -1},
  };
  for (const Sent& c : cases) {
    ownProcCalls.clear();
    EXPECT_EQ(SendMessageW(window, c.message, c.wParam, c.lParam), c.result) << c.message;
    ASSERT_EQ(ownProcCalls.size(), 1u);
    EXPECT_EQ(ownProcCalls[0], (Call{window, c.message, c.wParam, c.lParam}));
  }
  // Ordinary window behaviour goes on working through the own procedure's default.
  EXPECT_TRUE(SetWindowTextW(window, L"仍然可用"));
  wchar_t text[16]{};
  GetWindowTextW(window, text, 16);
  EXPECT_STREQ(text, L"仍然可用");
  EXPECT_TRUE(callbackCalls.empty());
}

TEST_F(HotkeyRegistry, ATakenCombinationChangesNothing) {
  HWND holder = MakeWindow();
  ASSERT_TRUE(Hold(holder, 50, MOD_CONTROL, VK_F2));
  HWND window = MakeWindow();
  const WNDPROC previousBefore = PreviousWindowProc();

  EXPECT_EQ(RegisterGlobalHotkey(window, 1, MOD_CONTROL, 1, VK_F2, &RecordCallback, 1), 0);
  EXPECT_EQ(Table().Count(), 0);
  EXPECT_EQ(ProcedureOf(window), &OwnProc);
  EXPECT_EQ(PreviousWindowProc(), previousBefore);
}

TEST_F(HotkeyRegistry, LaterRegistrationsAppendAndSubclassNothing) {
  HWND first = MakeWindow();
  HWND second = MakeWindow();
  ASSERT_EQ(RegisterGlobalHotkey(first, 1, MOD_CONTROL, 1, VK_F2, &RecordCallback, 1), 1);

  EXPECT_EQ(RegisterGlobalHotkey(second, 1, MOD_CONTROL, 1, VK_F3, &RecordOtherCallback, 2), 1);
  EXPECT_EQ(RegisterGlobalHotkey(first, 1, MOD_CONTROL, 1, VK_F4, &RecordOtherCallback, 3), 1);
  ASSERT_EQ(Table().Count(), 3);
  EXPECT_EQ(Table().At(2).window, second);
  EXPECT_EQ(Table().At(2).id, 2);
  EXPECT_EQ(Table().At(3).window, first);
  EXPECT_EQ(Table().At(3).id, 3);
  EXPECT_EQ(ProcedureOf(first), &HotkeyWindowProc);
  EXPECT_EQ(ProcedureOf(second), &OwnProc);
  EXPECT_EQ(PreviousWindowProc(), &OwnProc);

  // The subclassed window runs whichever callback its id is bound to; the other
  // window never went through HotkeyWindowProc and gets its WM_HOTKEY itself.
  SendMessageW(first, WM_HOTKEY, 3, 0);
  EXPECT_EQ(otherCallbackCalls.size(), 1u);
  SendMessageW(second, WM_HOTKEY, 2, 0);
  EXPECT_EQ(otherCallbackCalls.size(), 1u);
  ASSERT_EQ(ownProcCalls.size(), 1u);
  EXPECT_EQ(ownProcCalls[0], (Call{second, WM_HOTKEY, 2, 0}));
}

TEST_F(HotkeyRegistry, FindHotkeyIndexGivesTheFirstPositionOfAnId) {
  for (std::int32_t id : {1, 0, -1, INT32_MIN}) EXPECT_EQ(FindHotkeyIndex(id), 0) << id;

  HWND window = MakeWindow();
  ASSERT_EQ(RegisterGlobalHotkey(window, 1, MOD_CONTROL, 1, VK_F5, &RecordCallback, 5), 1);
  ASSERT_EQ(RegisterGlobalHotkey(window, 1, MOD_CONTROL, 1, VK_F6, &RecordCallback, 9), 1);
  EXPECT_EQ(FindHotkeyIndex(5), 1);
  EXPECT_EQ(FindHotkeyIndex(9), 2);
  EXPECT_EQ(FindHotkeyIndex(7), 0);

  // Binding id 5 anew, here for another window, frees its old combination; the old
  // entry stays and is found first.
  HWND second = MakeWindow();
  ASSERT_EQ(RegisterGlobalHotkey(second, 1, MOD_CONTROL, 1, VK_F7, &RecordOtherCallback, 5), 1);
  EXPECT_EQ(Table().Count(), 3);
  EXPECT_EQ(FindHotkeyIndex(5), 1);
  HWND other = MakeWindow();
  EXPECT_TRUE(Hold(other, 60, MOD_CONTROL, VK_F5)) << "the first registration of id 5 is still held";
  EXPECT_FALSE(Hold(other, 61, MOD_CONTROL, VK_F7));

  // Also when the new binding then fails: id 9's combination is let go all the same.
  ASSERT_TRUE(Hold(other, 62, MOD_CONTROL, VK_F8));
  EXPECT_EQ(RegisterGlobalHotkey(second, 1, MOD_CONTROL, 1, VK_F8, &RecordOtherCallback, 9), 0);
  EXPECT_EQ(Table().Count(), 3);
  EXPECT_TRUE(Hold(other, 63, MOD_CONTROL, VK_F6)) << "the registration of id 9 is still held";
}

TEST_F(HotkeyRegistry, IdZeroIsRefusedBeforeTheSystemIsAsked) {
  HWND window = MakeWindow();
  EXPECT_EQ(RegisterGlobalHotkey(window, 1, MOD_CONTROL, 1, VK_F2, &RecordCallback, 0), 0);
  EXPECT_EQ(Table().Count(), 0);
  EXPECT_EQ(ProcedureOf(window), &OwnProc);
  EXPECT_TRUE(Hold(MakeWindow(), 70, MOD_CONTROL, VK_F2)) << "Ctrl+F2 was registered";
}

TEST_F(HotkeyRegistry, WithoutTheGivenWindowTheFirstVisibleWindowIsUsed) {
  HWND hidden = MakeWindow(false);
  HWND shown = MakeWindow(true);
  EXPECT_EQ(RegisterGlobalHotkey(hidden, 0, MOD_CONTROL, 1, VK_F2, &RecordCallback, 1), 1);
  ASSERT_EQ(Table().Count(), 1);
  EXPECT_EQ(Table().At(1).window, shown);
  EXPECT_EQ(ProcedureOf(shown), &HotkeyWindowProc);
  EXPECT_EQ(ProcedureOf(hidden), &OwnProc);
}

TEST_F(HotkeyRegistry, NothingRegistersOnceTheTableIsReleased) {
  ReleaseHotkeyTable();
  EXPECT_EQ(InstalledHotkeyTable(), nullptr);
  HWND window = MakeWindow();
  EXPECT_EQ(RegisterGlobalHotkey(window, 1, MOD_CONTROL, 1, VK_F2, &RecordCallback, 1), 0);
  EXPECT_EQ(FindHotkeyIndex(1), 0);
  EXPECT_EQ(ProcedureOf(window), &OwnProc);
  EXPECT_TRUE(Hold(MakeWindow(), 80, MOD_CONTROL, VK_F2));
}

TEST(HotkeyTable, ReadsAValidPositionAndGrowsAtTheEnd) {
  HotkeyTable table;
  for (std::int32_t id : {4, 8, 4}) table.Append({nullptr, id, nullptr});
  const HotkeyEntry& first = table.At(1);
  for (int i = 0; i < 100; ++i) table.Append({nullptr, 1000 + i, nullptr});
  EXPECT_EQ(&table.At(1), &first) << "an entry moved when the table grew";
  EXPECT_EQ(table.Count(), 103);
  EXPECT_EQ(table.At(3).id, 4);
  EXPECT_EQ(table.At(103).id, 1099);
  EXPECT_EQ(table.Find(4), 1);
  EXPECT_EQ(table.Find(8), 2);
  EXPECT_EQ(table.Find(5), 0);
}

// --- The fatal paths, each in a process of its own ---

struct ProbeRun {
  DWORD exitCode = 0;
  std::optional<std::wstring> boxText;  // the text of the error box, if one came up
};

std::wstring ProbePath() {
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring text(path, length);
  return text.substr(0, text.find_last_of(L'\\') + 1) + L"hotkey_probe.exe";
}

BOOL CALLBACK CollectStaticText(HWND child, LPARAM out) noexcept {
  wchar_t className[16]{};
  GetClassNameW(child, className, 16);
  if (lstrcmpiW(className, L"Static") != 0) return TRUE;
  wchar_t text[512]{};
  if (GetWindowTextW(child, text, 512) > 0) *reinterpret_cast<std::wstring*>(out) += text;
  return TRUE;
}

// The process's error box: a dialog titled "错误".
HWND FindErrorBox(DWORD processId) {
  const std::wstring title = win32::WidenGbk(kFatalErrorTitle);
  HWND box = nullptr;
  while ((box = FindWindowExW(nullptr, box, L"#32770", title.c_str())) != nullptr) {
    DWORD owner = 0;
    GetWindowThreadProcessId(box, &owner);
    if (owner == processId) return box;
  }
  return nullptr;
}

// Runs the probe, answers OK to an error box if one comes up, and waits for its end.
ProbeRun RunProbe(const std::wstring& arguments) {
  ProbeRun run;
  std::wstring commandLine = L"\"" + ProbePath() + L"\" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    ADD_FAILURE() << "cannot start the probe, error " << GetLastError();
    return run;
  }
  CloseHandle(process.hThread);
  const ULONGLONG deadline = GetTickCount64() + 20000;
  bool answered = false;
  while (WaitForSingleObject(process.hProcess, 50) == WAIT_TIMEOUT) {
    if (GetTickCount64() > deadline) {
      ADD_FAILURE() << "the probe did not end";
      TerminateProcess(process.hProcess, 1);
      WaitForSingleObject(process.hProcess, INFINITE);
      break;
    }
    if (answered) continue;
    HWND box = FindErrorBox(process.dwProcessId);
    // The box's window is there before its controls are; it shows once they are made
    // and hold their text.
    if (box == nullptr || !IsWindowVisible(box)) continue;
    std::wstring text;
    EnumChildWindows(box, &CollectStaticText, reinterpret_cast<LPARAM>(&text));
    run.boxText = text;
    EXPECT_NE(GetDlgItem(box, IDOK), nullptr) << "the box has no OK button";
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
    answered = true;
  }
  GetExitCodeProcess(process.hProcess, &run.exitCode);
  CloseHandle(process.hProcess);
  return run;
}

// The text as the box shows it: message boxes render "\r\n" as a line break and the
// static control holds it as given.
std::wstring BoxText(std::int32_t code) { return win32::WidenGbk(RuntimeErrorText(code, RuntimeErrorMessage(code))); }

TEST(HotkeyTableRead, AnInvalidPositionShowsTheErrorBoxAndEndsTheProcess) {
  struct ReadCase {
    int entries, position;
    std::int32_t code;
  };
  const ReadCase cases[] = {
      {0, 0, 4}, {1, INT32_MIN, 4}, {0, 1, 1}, {2, 3, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.entries << " entries, position " << c.position);
    const ProbeRun run = RunProbe(L"read " + std::to_wstring(c.entries) + L" " + std::to_wstring(c.position));
    ASSERT_TRUE(run.boxText.has_value()) << "no error box; exit status " << run.exitCode;
    EXPECT_EQ(*run.boxText, BoxText(c.code));
    EXPECT_EQ(run.exitCode, kFatalExitStatus);
  }
  // The same probe reading a valid position ends normally with the entry's id.
  const ProbeRun valid = RunProbe(L"read 3 2");
  EXPECT_FALSE(valid.boxText.has_value());
  EXPECT_EQ(valid.exitCode, 102u);
}

TEST(HotkeyWindowProcedure, AWmHotkeyWithAForeignIdIsDropped) {
  const ProbeRun run = RunProbe(L"foreign-hotkey");
  EXPECT_FALSE(run.boxText.has_value()) << "error box: " << win32::NarrowToGbk(run.boxText.value_or(L""));
  EXPECT_EQ(run.exitCode, 0u) << "see the probe's outcome codes";
}

}  // namespace
}  // namespace vendaro
