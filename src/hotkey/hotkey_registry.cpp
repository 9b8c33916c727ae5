#include "hotkey/hotkey_registry.h"

#include <new>
#include <optional>

#include "app/fatal_error.h"

namespace vendaro {

namespace {

constexpr std::int32_t kPositionBeyondEnd = 1;
constexpr std::int32_t kPositionBelowOne = 4;

std::optional<HotkeyTable> installedTable;
WNDPROC previousWindowProc = nullptr;

BOOL CALLBACK TakeFirstVisibleOfProcess(HWND window, LPARAM found) noexcept {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process != GetCurrentProcessId() || !IsWindowVisible(window)) return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

// Top-level windows come in z-order, so "first" is the frontmost.
HWND FirstVisibleTopLevelWindow() noexcept {
  HWND found = nullptr;
  EnumWindows(&TakeFirstVisibleOfProcess, reinterpret_cast<LPARAM>(&found));
  return found;
}

void Subclass(HWND window) noexcept {
  const auto replaced = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&HotkeyWindowProc)));
  // A window that already runs HotkeyWindowProc (subclassed for an earlier table)
  // keeps the procedure it had before; taking ourselves as the previous procedure
  // would recurse without end. Null means the window could not be subclassed.
  if (replaced != nullptr && replaced != &HotkeyWindowProc) previousWindowProc = replaced;
}

LRESULT OnHotkey(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  // The system puts the registered int id in wParam.
  const std::int32_t position = FindHotkeyIndex(static_cast<std::int32_t>(wParam));
  // Every id we register has an entry, so a miss was posted by some other program.
  if (position == 0) return 0;
  // Copied out: the callback may register a hotkey and grow the table.
  const HotkeyCallback callback = installedTable->At(position).callback;
  return CallWindowProcW(callback, window, message, wParam, lParam);
}

LRESULT PassOn(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  if (previousWindowProc == nullptr) return DefWindowProcW(window, message, wParam, lParam);
  return CallWindowProcW(previousWindowProc, window, message, wParam, lParam);
}

}  // namespace

const HotkeyEntry& HotkeyTable::At(std::int32_t position) const noexcept {
  if (position < 1) ReportRuntimeError(kPositionBelowOne);
  if (position > Count()) ReportRuntimeError(kPositionBeyondEnd);
  return *entries_[static_cast<std::size_t>(position - 1)];
}

std::int32_t HotkeyTable::Find(std::int32_t id) const noexcept {
  for (std::int32_t position = 1; position <= Count(); ++position) {
    if (At(position).id == id) return position;
  }
  return 0;
}

void HotkeyTable::Append(const HotkeyEntry& entry) {
  auto owned = std::make_unique<HotkeyEntry>(entry);
  entries_.push_back(std::move(owned));
}

void CreateHotkeyTable() noexcept { installedTable.emplace(); }

void ReleaseHotkeyTable() noexcept { installedTable.reset(); }

const HotkeyTable* InstalledHotkeyTable() noexcept { return installedTable ? &*installedTable : nullptr; }

WNDPROC PreviousWindowProc() noexcept { return previousWindowProc; }

std::int32_t RegisterGlobalHotkey(HWND window, std::int32_t useGivenWindow, std::uint32_t modifiers,
                                  std::int32_t /*unused*/, std::uint32_t virtualKey, HotkeyCallback callback,
                                  std::int32_t id) noexcept {
  if (!installedTable) return 0;
  HotkeyTable& table = *installedTable;

  // A new binding of an id replaces the old one's registration with the system; the
  // old entry stays, and FindHotkeyIndex still finds it first.
  for (std::int32_t position = 1; position <= table.Count(); ++position) {
    const HotkeyEntry& entry = table.At(position);
    if (entry.id == id) UnregisterHotKey(entry.window, entry.id);
  }
  if (useGivenWindow == 0) window = FirstVisibleTopLevelWindow();
  if (id == 0) return 0;
  if (!RegisterHotKey(window, id, modifiers, virtualKey)) return 0;

  try {
    table.Append({window, id, callback});
  } catch (const std::bad_alloc&) {
    // Without an entry its WM_HOTKEY would be dropped; better not to hold the keys.
    UnregisterHotKey(window, id);
    return 0;
  }
  if (table.Count() < 2) Subclass(window);
  return 1;
}

std::int32_t FindHotkeyIndex(std::int32_t id) noexcept {
  return installedTable ? installedTable->Find(id) : 0;
}

LRESULT CALLBACK HotkeyWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  switch (message) {
    case WM_HOTKEY:
      return OnHotkey(window, message, wParam, lParam);
    default:
      return PassOn(window, message, wParam, lParam);
  }
}

}  // namespace vendaro
