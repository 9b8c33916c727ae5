// The application shell's portable pieces: the run folder, the exit callbacks and
// the window's clamps as the property model applies them.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "app/exit_callbacks.h"
#include "app/run_directory.h"
#include "fake_form.h"

namespace vendaro {
namespace {

TEST(RunDirectory, IsTheExecutablesFolderWithoutTrailingBackslash) {
  struct Case {
    std::wstring path, folder;
  };
  const Case cases[] = {
      {L"D:\\Tools\\w.exe", L"D:\\Tools"},
      {L"C:\\w.exe", L"C:"},
      {L"w.exe", L""},
      {L"", L""},
      {L"\\\\server\\share\\Vendaro\\Vendaro.exe", L"\\\\server\\share\\Vendaro"},
      // 乗 and 誠 end in the byte 0x5C in GBK (81 5C, D5 5C); as UTF-16 they are
      // single units that no scan can mistake for a backslash.
      {L"D:\\\u4E57\u8AA0\\Vendaro.exe", L"D:\\\u4E57\u8AA0"},
      {L"D:\\\u8AA0\\\u4E57.exe", L"D:\\\u8AA0"},
      {L"D:\\\uD55C\uAE00\\Vendaro.exe", L"D:\\\uD55C\uAE00"},  // a name GBK cannot spell
  };
  for (const auto& c : cases) {
    EXPECT_EQ(RunDirectoryFromModulePath(c.path), c.folder);
  }
}

std::vector<int> g_calls;
void First() { g_calls.push_back(1); }
void Second() { g_calls.push_back(2); }

TEST(ExitCallbackList, RunsEachOnceInTheOrderAddedAndIgnoresRepeats) {
  g_calls.clear();
  ExitCallbackList list;
  list.Add(Second);
  list.Add(First);
  list.Add(Second);  // already there: no change
  list.Add(nullptr);
  list.RunAll();
  EXPECT_EQ(g_calls, (std::vector<int>{2, 1}));
  list.RunAll();
  EXPECT_EQ(g_calls, (std::vector<int>{2, 1})) << "a second shutdown must not run them again";
}

TEST(WindowProperties, WritesAreClampedBeforeTheyReachTheWindow) {
  struct Case {
    std::int32_t written, coordinate, size;
  };
  const Case cases[] = {
      {0, 0, 0},
      {-5, -5, 0},
      {40000, 32627, 32627},
      {32627, 32627, 32627},
      {32628, 32627, 32627},
      {-32627, -32627, 0},
      {-32628, -32627, 0},
      {INT_MIN, -32627, 0},
      {INT_MAX, 32627, 32627},
      {747, 747, 747},
  };
  for (const auto& c : cases) {
    testing::FakeForm form(44051.0);
    form.SetWindowLeft(c.written);
    form.SetWindowTop(c.written);
    form.SetWindowWidth(c.written);
    form.SetWindowHeight(c.written);
    EXPECT_EQ(form.Window(), (Rect{c.coordinate, c.coordinate, c.size, c.size})) << c.written;
  }
}

}  // namespace
}  // namespace vendaro
