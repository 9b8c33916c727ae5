#pragma once
// System-wide hotkeys bound to callbacks. A registration remembers {window, id,
// callback} in the program's HotkeyTable and, the first time one succeeds, puts
// HotkeyWindowProc in front of that window's own procedure: from then on a WM_HOTKEY
// runs the bound callback and every other message reaches the window as before.
//
// The program has one installed table, which CreateHotkeyTable makes and
// ReleaseHotkeyTable frees (it is the exit callback). HotkeyWindowProc is a plain
// window procedure, so it can only reach the table through this module; everything
// that reads or writes the installed table goes through the functions below, and a
// HotkeyTable of one's own can be built and read without any window.
//
// GUI thread only; nothing here locks.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <vector>

namespace vendaro {

// Receives the four arguments of the WM_HOTKEY message and returns its result. It is
// called through CallWindowProcW, as a window procedure would be.
using HotkeyCallback = WNDPROC;

struct HotkeyEntry {
  HWND window;
  std::int32_t id;
  HotkeyCallback callback;
};

// The entries in the order they were registered, addressed 1…Count(). Each entry is
// an allocation of its own, so a reference to one survives the table's growth (a
// callback may register another hotkey while its own entry is in use). Entries are
// never changed or removed.
class HotkeyTable {
 public:
  HotkeyTable() = default;
  HotkeyTable(HotkeyTable&&) noexcept = default;
  HotkeyTable& operator=(HotkeyTable&&) noexcept = default;
  HotkeyTable(const HotkeyTable&) = delete;
  HotkeyTable& operator=(const HotkeyTable&) = delete;

  std::int32_t Count() const noexcept { return static_cast<std::int32_t>(entries_.size()); }

  // A position below 1 is fatal error 4, one beyond Count() fatal error 1: the error
  // box, then the end of the process. It never returns an invalid entry.
  const HotkeyEntry& At(std::int32_t position) const noexcept;

  // The position of the first entry with this id, or 0.
  std::int32_t Find(std::int32_t id) const noexcept;

  // Adds an entry at the end. Throws std::bad_alloc and leaves the table as it was
  // when memory runs out.
  void Append(const HotkeyEntry& entry);

 private:
  std::vector<std::unique_ptr<HotkeyEntry>> entries_;
};

// Installs a new, empty table (freeing one already installed).
void CreateHotkeyTable() noexcept;

// Frees the installed table and its entries. Hotkeys stay registered and no window
// procedure is put back: at shutdown the window is gone and the process ends.
void ReleaseHotkeyTable() noexcept;

// The installed table, or null before CreateHotkeyTable and after ReleaseHotkeyTable.
const HotkeyTable* InstalledHotkeyTable() noexcept;

// The procedure that HotkeyWindowProc replaced and passes other messages on to; null
// until a registration first succeeds. It outlives the table, as the window may.
WNDPROC PreviousWindowProc() noexcept;

// Registers modifiers + virtualKey as hotkey `id` and binds it to `callback`; returns 1,
// or 0 when the id is 0, no table is installed, or the system refuses the combination
// (taken by another program, for instance), the table and window procedures then
// unchanged. Earlier registrations of the same id are unregistered first, also when
// this one then fails; their entries stay. With useGivenWindow 0 the hotkey goes to the
// process's first visible top-level window instead of `window`. `unused` is not read.
// The first successful registration of a table subclasses its window.
std::int32_t RegisterGlobalHotkey(HWND window, std::int32_t useGivenWindow, std::uint32_t modifiers,
                                  std::int32_t unused, std::uint32_t virtualKey, HotkeyCallback callback,
                                  std::int32_t id) noexcept;

// The position in the installed table of the first entry with this id, or 0.
std::int32_t FindHotkeyIndex(std::int32_t id) noexcept;

// WM_HOTKEY with a registered id: the entry's callback gets the four arguments as they
// came and its result is returned; the message goes no further. WM_HOTKEY with an id
// no entry has can only have been posted by another program and is dropped, so no
// process on the desktop can end ours with one message. Everything else goes to
// PreviousWindowProc unchanged, and its result is returned.
LRESULT CALLBACK HotkeyWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;

}  // namespace vendaro
