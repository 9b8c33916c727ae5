// A long, hard run of the real window: ten thousand clicks on 读取配置项, two thousand
// Ctrl+F2 toggles, five hundred saves and two hundred colours chosen in the picker's
// palette with the mouse. Afterwards the widget must still answer, its file must hold
// exactly what was saved last, and what it holds of the system must not have grown:
// handles, GDI objects, windows and private bytes, counted after a warm-up and again
// after the run.
#include "driver.h"

#include <psapi.h>
#include <winternl.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <iterator>
#include <string>
#include <vector>

#include "ui/palette.h"
#include "ui/win32/color_picker.h"

namespace vendaro::e2e {
namespace {

constexpr int k标签1 = 16, k标签2 = 15, k标签3 = 13;
constexpr int k事项2 = 5;
constexpr int k颜色选择器1 = 2;
constexpr int k读取配置项 = 7, k写入配置项 = 8;
constexpr int kExpandedWidth = 426, kExpandedHeight = 186;

// ---- what the widget holds of the system ---------------------------------------------

using QuerySystemInformation = NTSTATUS(NTAPI*)(ULONG, void*, ULONG, ULONG*);
using QueryInformationProcess = NTSTATUS(NTAPI*)(HANDLE, ULONG, void*, ULONG, ULONG*);

template <class Fn>
Fn NtdllFunction(const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), name)));
}

// GetProcessHandleCount where the system counts (Wine answers 0); otherwise the
// process's entries in the system's handle table.
long HandleCount(const Widget& widget) {
  DWORD count = 0;
  if (GetProcessHandleCount(widget.process(), &count) && count > 0) return static_cast<long>(count);
  struct Entry {
    void* object;
    ULONG_PTR pid;
    ULONG_PTR handle;
    ULONG access;
    USHORT backTrace;
    USHORT type;
    ULONG attributes;
    ULONG reserved;
  };
  struct Table {
    ULONG_PTR count;
    ULONG_PTR reserved;
    Entry entries[1];
  };
  constexpr ULONG kSystemExtendedHandleInformation = 64;
  const auto query = NtdllFunction<QuerySystemInformation>("NtQuerySystemInformation");
  if (!query) return -1;
  std::vector<unsigned char> buffer(1 << 20);
  for (int attempt = 0; attempt < 8; ++attempt) {
    ULONG needed = 0;
    const NTSTATUS status =
        query(kSystemExtendedHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
    if (status == 0) {
      const auto* table = reinterpret_cast<const Table*>(buffer.data());
      long mine = 0;
      for (ULONG_PTR i = 0; i < table->count; ++i) mine += table->entries[i].pid == widget.pid();
      return mine;
    }
    buffer.resize(buffer.size() * 2);
  }
  return -1;
}

// GetGuiResources where the system counts (Wine answers 0); otherwise the live entries
// of the process's GDI handle table, which Wine keeps, as Windows does, in the
// process's own memory, found through its PEB. This counts every GDI object of the
// process, its own and the common controls' alike.
long GdiObjectCount(const Widget& widget) {
  const DWORD reported = GetGuiResources(widget.process(), GR_GDIOBJECTS);
  if (reported > 0) return static_cast<long>(reported);
  const auto query = NtdllFunction<QueryInformationProcess>("NtQueryInformationProcess");
  PROCESS_BASIC_INFORMATION basic{};
  if (!query || query(widget.process(), 0 /* ProcessBasicInformation */, &basic, sizeof basic, nullptr) != 0) {
    return -1;
  }
  constexpr std::size_t kGdiSharedHandleTable = 0xF8;  // in the 64-bit PEB
  constexpr std::size_t kGdiHandles = 0x10000;
  struct GdiEntry {
    ULONGLONG object;
    ULONG owner;
    USHORT unique;
    UCHAR type;  // 0: a free entry
    UCHAR flags;
    ULONGLONG user;
  };
  static_assert(sizeof(GdiEntry) == 24);
  void* tableAddress = nullptr;
  SIZE_T read = 0;
  if (!ReadProcessMemory(widget.process(), static_cast<char*>(static_cast<void*>(basic.PebBaseAddress)) + kGdiSharedHandleTable,
                         &tableAddress, sizeof tableAddress, &read) ||
      !tableAddress) {
    return -1;
  }
  std::vector<GdiEntry> table(kGdiHandles);
  if (!ReadProcessMemory(widget.process(), tableAddress, table.data(), table.size() * sizeof(GdiEntry), &read) ||
      read != table.size() * sizeof(GdiEntry)) {
    return -1;
  }
  long live = 0;
  for (const GdiEntry& e : table) live += e.type != 0;
  return live;
}

// GetGuiResources where the system counts; otherwise the process's windows, top-level
// and child, shown or not: the USER objects a run like this could leave behind
// (palettes, dialogs). Its icons and cursors are loaded once.
long UserObjectCount(const Widget& widget) {
  const DWORD reported = GetGuiResources(widget.process(), GR_USEROBJECTS);
  if (reported > 0) return static_cast<long>(reported);
  struct Search {
    DWORD pid;
    long count;
  } search{widget.pid(), 0};
  EnumWindows(
      [](HWND window, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner != s->pid) return TRUE;
        ++s->count;
        EnumChildWindows(
            window,
            [](HWND, LPARAM count) -> BOOL {
              ++*reinterpret_cast<long*>(count);
              return TRUE;
            },
            reinterpret_cast<LPARAM>(&s->count));
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.count;
}

// Private bytes; Wine reports them as PagefileUsage only (equal to PrivateUsage by
// definition on Windows).
long PrivateKb(const Widget& widget) {
  PROCESS_MEMORY_COUNTERS_EX m{};
  m.cb = sizeof m;
  if (!GetProcessMemoryInfo(widget.process(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&m), sizeof m)) return -1;
  return static_cast<long>((m.PrivateUsage ? m.PrivateUsage : m.PagefileUsage) / 1024);
}

struct Holdings {
  long handles, gdi, user, privateKb;
};

Holdings HoldingsOf(const Widget& widget) {
  Settle(widget.window());
  return {HandleCount(widget), GdiObjectCount(widget), UserObjectCount(widget), PrivateKb(widget)};
}

// ---- the run ---------------------------------------------------------------------------

// Colours that stand apart from each other and from the face colour, so that each
// choice shows; by their place in the palette.
constexpr int kColourEntries[] = {4, 10, 14, 16, 0, 7};
// What the palette shows as its text while the pointer rests on each of them.
constexpr const wchar_t* kColourNames[] = {L"红色", L"绿色", L"蓝色", L"紫色", L"黑色", L"棕色"};

COLORREF ColourOf(int entry) { return static_cast<COLORREF>(kPaletteColours[static_cast<std::size_t>(entry)].colour); }

std::wstring NameForSave(int n) { return L"考试" + std::to_wstring(n); }

std::string FileNaming(const std::wstring& secondName) {
  return Narrow(L"[事项1]\r\n事项=生日\r\n到期日=2030年12月18日\r\n"
                L"[事项2]\r\n事项=" + secondName + L"\r\n到期日=2031年6月7日\r\n"
                L"[事项3]\r\n事项=旅行\r\n到期日=2032年1月1日\r\n");
}

class Soak_1365 : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder_.Write(L"Vendaro.ini", FileNaming(L"考试")));
    widget_ = Widget::Start(folder_.CopyExe());
    ASSERT_NE(widget_, nullptr) << "the widget did not show its window";
  }

  HWND Palette() const { return FindProcessWindow(widget_->pid(), win32::kColorPaletteClass); }

  // BM_CLICK, as Widget::Click sends it, but a widget that stops answering fails the
  // test instead of holding it.
  void Click(int id) const {
    DWORD_PTR result = 0;
    ASSERT_NE(SendMessageTimeoutW(widget_->Control(id), BM_CLICK, 0, 0, SMTO_NORMAL, 10000, &result), 0)
        << "the widget did not answer a click on control " << id;
  }

  // One round: fifty clicks on 读取配置项 with ten Ctrl+F2 toggles posted halfway (an
  // even number: the round ends in the expanded layout), then two or three saves of a
  // new name for 事项2, then one colour chosen in the palette.
  void Round(int round, int& saves) {
    for (int click = 0; click < 50; ++click) {
      ASSERT_NO_FATAL_FAILURE(Click(k读取配置项));
      if (click == 25) {
        for (int toggle = 0; toggle < 10; ++toggle) {
          PostMessageW(widget_->window(), WM_HOTKEY, 1, MAKELPARAM(MOD_CONTROL, VK_F2));
        }
      }
    }
    ASSERT_NO_FATAL_FAILURE(WaitForPostedMessages(saves == 0 ? L"考试" : NameForSave(saves - 1)));
    Settle(widget_->window());
    const RECT r = widget_->WindowRect();
    ASSERT_EQ(r.right - r.left, kExpandedWidth) << "round " << round;
    ASSERT_EQ(r.bottom - r.top, kExpandedHeight) << "round " << round;

    for (int k = 0; k < 2 + round % 2; ++k) {
      ASSERT_TRUE(widget_->SetText(k事项2, NameForSave(saves)));
      ASSERT_NO_FATAL_FAILURE(Click(k写入配置项));
      ++saves;
    }
    const std::size_t colour = static_cast<std::size_t>(round) % std::size(kColourEntries);
    ASSERT_NO_FATAL_FAILURE(ChooseColour(kColourEntries[colour], kColourNames[colour]));
  }

  // A sent message goes ahead of every posted one, so the clicks and Settle can all be
  // answered while some of the toggles still wait in the queue (seen on a busy
  // machine). Posted messages are handled in the order they were posted: a mark is put
  // into 事项2, and a click on 读取配置项 posted behind the toggles gives the box back
  // the name the file holds; once it shows that name, every toggle has been handled.
  void WaitForPostedMessages(const std::wstring& storedName) {
    ASSERT_TRUE(widget_->SetText(k事项2, L"〇"));
    ASSERT_TRUE(PostMessageW(widget_->Control(k读取配置项), BM_CLICK, 0, 0));
    ASSERT_TRUE(Poll([&] { return widget_->Text(k事项2) == storedName; }, 10000))
        << "the click posted behind the toggles was not handled; 事项2 holds " << Narrow(widget_->Text(k事项2));
  }

  // As a person does it: a click on the picker opens the palette, the pointer comes to
  // rest on a colour's cell, which the palette highlights (its text names the colour),
  // and a click there chooses it. Waiting for the highlight keeps a busy machine from
  // sending the press before the pointer's move has reached the palette.
  void ChooseColour(int entry, const std::wstring& name) {
    QuickClick(widget_->ControlCentre(k颜色选择器1));
    HWND palette = nullptr;
    ASSERT_TRUE(Poll([&] { return (palette = Palette()) != nullptr && IsWindowVisible(palette); })) << "no palette";
    const Rect cell = PaletteCellRect(entry);
    POINT at{cell.left + cell.width / 2, cell.top + cell.height / 2};
    ClientToScreen(palette, &at);
    MoveMouse(at);
    ASSERT_TRUE(Poll([&] { return WindowTextOf(palette) == name; }))
        << "the palette did not highlight " << Narrow(name) << " under the pointer; it shows "
        << Narrow(WindowTextOf(palette));
    QuickClick(at);
    ASSERT_TRUE(Poll([&] { return widget_->PickerColour(k颜色选择器1) == ColourOf(entry) && !Palette(); }))
        << "entry " << entry << " was not chosen: the picker shows " << std::hex << widget_->PickerColour(k颜色选择器1)
        << (Palette() ? ", the palette is open" : ", the palette is closed");
  }

  // The driver's ClickAt, with one pause instead of two: under Wine the pointer's move
  // comes back from the X server a moment later, and a press sent before that can land
  // where the pointer was; the press and the release go together.
  static void QuickClick(POINT p) {
    MoveMouse(p);
    Sleep(30);
    INPUT in[2]{};
    in[0].type = in[1].type = INPUT_MOUSE;
    in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    in[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, in, sizeof(INPUT));
  }

  static std::wstring WindowTextOf(HWND window) {
    wchar_t text[64] = {};
    DWORD_PTR result = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, std::size(text), reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 1000, &result);
    return text;
  }

  // WaitUntil looks every 15 ms; a choice takes a few.
  template <class Condition>
  static bool Poll(Condition condition, DWORD deadline = 3000) {
    const ULONGLONG end = GetTickCount64() + deadline;
    while (!condition()) {
      if (GetTickCount64() > end) return false;
      Sleep(1);
    }
    return true;
  }

  TestFolder folder_;
  std::unique_ptr<Widget> widget_;
};

TEST_F(Soak_1365, AfterTenThousandRefreshesTheWidgetAnswersItsFileIsRightAndNothingHasGrown) {
  int saves = 0;
  // A warm-up round first: what the first use of each path allocates once is not a leak.
  ASSERT_NO_FATAL_FAILURE(Round(1, saves));
  const Holdings before = HoldingsOf(*widget_);
  const ULONGLONG start = GetTickCount64();

  constexpr int kRounds = 200;  // 10,000 clicks, 2,000 toggles, 500 saves, 200 colours
  const int savesBefore = saves;
  int lastEntry = -1;
  for (int round = 0; round < kRounds; ++round) {
    ASSERT_NO_FATAL_FAILURE(Round(round, saves)) << "round " << round;
    lastEntry = kColourEntries[round % std::size(kColourEntries)];
  }
  ASSERT_EQ(saves - savesBefore, 500);
  const Holdings after = HoldingsOf(*widget_);
  std::printf("soak: %d rounds in %.1f s; handles %ld -> %ld, GDI objects %ld -> %ld, USER objects %ld -> %ld, "
              "private bytes %ld KB -> %ld KB\n",
              kRounds, static_cast<double>(GetTickCount64() - start) / 1000.0, before.handles, after.handles,
              before.gdi, after.gdi, before.user, after.user, before.privateKb, after.privateKb);

  // It answers at once, and its lines follow the file.
  DWORD_PTR result = 0;
  EXPECT_NE(SendMessageTimeoutW(widget_->window(), WM_NULL, 0, 0, SMTO_NORMAL, 1000, &result), 0);
  ASSERT_NO_FATAL_FAILURE(Click(k读取配置项));
  const std::wstring lastName = NameForSave(saves - 1);
  EXPECT_EQ(widget_->Text(k事项2), lastName);
  EXPECT_EQ(widget_->Text(k标签1).rfind(L"距离生日还有：", 0), 0u) << Narrow(widget_->Text(k标签1));
  EXPECT_EQ(widget_->Text(k标签2).rfind(L"距离" + lastName + L"还有：", 0), 0u) << Narrow(widget_->Text(k标签2));
  EXPECT_EQ(widget_->Text(k标签3).rfind(L"距离旅行还有：", 0), 0u) << Narrow(widget_->Text(k标签3));
  EXPECT_EQ(widget_->PickerColour(k颜色选择器1), ColourOf(lastEntry));

  // The file: the first one, with the last name saved for 事项2, byte for byte.
  std::string bytes;
  ASSERT_TRUE(folder_.Read(L"Vendaro.ini", bytes));
  EXPECT_EQ(bytes, FileNaming(lastName));
  // No temporary file of a save is left beside it.
  WIN32_FIND_DATAW found{};
  HANDLE find = FindFirstFileW(folder_.File(L"*.tmp").c_str(), &found);
  EXPECT_EQ(find, INVALID_HANDLE_VALUE) << Narrow(found.cFileName);
  if (find != INVALID_HANDLE_VALUE) FindClose(find);

  // Nothing grew: a leak of one object or a few bytes per refresh would show by the
  // thousand here.
  ASSERT_GE(before.handles, 0) << "handles cannot be counted here";
  ASSERT_GT(before.gdi, 0) << "GDI objects cannot be counted here";
  EXPECT_LE(after.handles - before.handles, 4);
  EXPECT_LE(after.gdi - before.gdi, 4);
  EXPECT_EQ(after.user, before.user);
  EXPECT_LE(after.privateKb - before.privateKb, 512);
  SaveScreenshot(L"soak-after");
  EXPECT_TRUE(widget_->Close());
}

}  // namespace
}  // namespace vendaro::e2e
