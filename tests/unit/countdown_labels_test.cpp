// The countdown lines: a fake window, a real file in a fresh folder, a clock set by
// the test.
#include "countdown/countdown_labels.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_form.h"
#include "temp_folder.h"
#include "test_clock.h"

#ifdef __linux__
#include <sys/inotify.h>
#include <unistd.h>
#endif

namespace vendaro {
namespace {

using testing::Access;
using testing::FakeForm;
using testing::Property;
using testing::TempFolder;
using testing::TestClock;
using testing::kHour;
using testing::k2020_08_01;
using testing::k2020_08_08;

constexpr std::string_view kFile = "Vendaro.ini";
constexpr Control kLabels[] = {Control::标签1, Control::标签2, Control::标签3};

class CountdownLines : public ::testing::Test {
 protected:
  void SetUp() override { TestClock::Set(k2020_08_01 + 10 * kHour); }
  void Refresh() { RefreshCountdownLabels(form, folder.Path(), &TestClock::Read); }
  void Type(const char* name1, const char* name2, const char* name3) {
    form.UserTypes(Control::事项1, name1);
    form.UserTypes(Control::事项2, name2);
    form.UserTypes(Control::事项3, name3);
  }
  const std::string& Caption(Control label) const { return form.Label(label).caption; }
  bool Shown(Control label) const { return form.Label(label).visible; }

  TempFolder folder;
  FakeForm form{k2020_08_01};
};

struct LineCase {
  const char* what;
  std::string file;
  const char* box;      // what 事项1 holds
  const char* caption;  // 标签1 afterwards, or nullptr: hidden with its old caption
};

TEST_F(CountdownLines, WhatALineSays) {
  const LineCase cases[] = {
      {"seven days ahead", "[事项1]\r\n事项=生日\r\n到期日=2020年8月8日\r\n", "x", "距离生日还有：7 天"},
      {"due today", "[事项1]\r\n事项=生日\r\n到期日=2020年8月1日\r\n", "x", "距离生日还有：0 天"},
      {"two days past", "[事项1]\r\n事项=生日\r\n到期日=2020年7月30日\r\n", "x", "距离生日还有：-2 天"},
      {"due at noon", "[事项1]\r\n事项=生日\r\n到期日=2020年8月8日12时\r\n", "x", "距离生日还有：7.5 天"},
      {"a hand-typed date", "[事项1]\r\n事项=生日\r\n到期日=2020-8-8\r\n", "x", "距离生日还有：7 天"},
      {"an unreadable date", "[事项1]\r\n事项=生日\r\n到期日=8/8/2020\r\n", "x", "距离生日还有：-701478 天"},
      {"blanks only in the box", "[事项1]\r\n事项=生日\r\n到期日=2020年8月8日\r\n", "  ", "距离生日还有：7 天"},
      {"an empty name in the file", "[事项1]\r\n事项=\r\n到期日=2020年8月8日\r\n", "x", "距离还有：7 天"},
      {"the name comes from the file", "[事项1]\r\n事项=生日\r\n", "没存的名字", "距离生日还有：-701478 天"},
      {"no section", "[事项2]\r\n事项=生日\r\n", "x", "距离无此项还有：-701478 天"},
      {"no file", "", "x", "距离无此项还有：-701478 天"},
      {"empty box", "[事项1]\r\n事项=生日\r\n到期日=2020年8月8日\r\n", "", nullptr},
  };
  for (const LineCase& c : cases) {
    TempFolder here;
    if (!c.file.empty()) here.Write(kFile, c.file);
    FakeForm window(k2020_08_01);
    window.UserTypes(Control::事项1, c.box);
    RefreshCountdownLabels(window, here.Path(), &TestClock::Read);
    if (c.caption) {
      EXPECT_TRUE(window.Label(Control::标签1).visible) << c.what;
      EXPECT_EQ(window.Label(Control::标签1).caption, c.caption) << c.what;
    } else {
      EXPECT_FALSE(window.Label(Control::标签1).visible) << c.what;
      EXPECT_EQ(window.Label(Control::标签1).caption, "事项1") << c.what;
    }
  }
}

TEST_F(CountdownLines, VisibilityIsWrittenBeforeTheCaption) {
  folder.Write(kFile, "[事项1]\r\n事项=生日\r\n到期日=2020年8月8日\r\n[事项3]\r\n事项=回家\r\n到期日=2020年8月2日\r\n");
  Type("生日", "", "回家");
  Refresh();
  // Each edit box is read, then its label written: visibility first, a caption only when shown.
  std::vector<std::pair<Property, Control>> accesses;
  for (const Access& a : form.Log()) accesses.emplace_back(a.property, a.control);
  EXPECT_THAT(accesses, ::testing::ElementsAre(std::pair{Property::EditText, Control::事项1},
                                               std::pair{Property::LabelVisible, Control::标签1},
                                               std::pair{Property::LabelCaption, Control::标签1},
                                               std::pair{Property::EditText, Control::事项2},
                                               std::pair{Property::LabelVisible, Control::标签2},
                                               std::pair{Property::EditText, Control::事项3},
                                               std::pair{Property::LabelVisible, Control::标签3},
                                               std::pair{Property::LabelCaption, Control::标签3}));
  EXPECT_TRUE(Shown(Control::标签1));
  EXPECT_FALSE(Shown(Control::标签2));
  EXPECT_EQ(Caption(Control::标签2), "事项2");  // hidden: its caption untouched
  EXPECT_TRUE(Shown(Control::标签3));
  EXPECT_EQ(Caption(Control::标签3), "距离回家还有：1 天");
  EXPECT_EQ(TestClock::reads, 2);  // once for each shown line
}

TEST_F(CountdownLines, EveryShownLineIsRepaintedEachTime) {
  folder.Write(kFile, "[事项1]\r\n事项=生日\r\n到期日=2020年8月8日\r\n");
  Type("生日", "x", "");
  Refresh();
  Refresh();
  EXPECT_EQ(form.Label(Control::标签1).paints, 2);
  EXPECT_EQ(form.Label(Control::标签2).paints, 2);
  EXPECT_EQ(form.Label(Control::标签3).paints, 0);
}

TEST_F(CountdownLines, AHiddenLineKeepsItsLastCaption) {
  folder.Write(kFile, "[事项2]\r\n事项=考试\r\n到期日=2020年8月8日\r\n");
  Type("", "考试", "");
  Refresh();
  EXPECT_EQ(Caption(Control::标签2), "距离考试还有：7 天");
  folder.Write(kFile, "[事项2]\r\n事项=改了\r\n到期日=2020年8月9日\r\n");
  Type("", "", "");
  Refresh();
  EXPECT_FALSE(Shown(Control::标签2));
  EXPECT_EQ(Caption(Control::标签2), "距离考试还有：7 天");
  Type("", "考试", "");
  Refresh();  // shown again: a fresh caption in the same pass
  EXPECT_TRUE(Shown(Control::标签2));
  EXPECT_EQ(Caption(Control::标签2), "距离改了还有：8 天");
}

TEST_F(CountdownLines, TheCountMovesOnAfterMidnight) {
  folder.Write(kFile, "[事项1]\r\n事项=生日\r\n到期日=2020年8月8日\r\n");
  Type("生日", "", "");
  TestClock::Set(k2020_08_01 + 1.0 - 1.0 / 86400);  // 23:59:59
  Refresh();
  EXPECT_EQ(Caption(Control::标签1), "距离生日还有：7 天");
  TestClock::Set(k2020_08_01 + 1.0);  // 00:00:00 the next day
  Refresh();
  EXPECT_EQ(Caption(Control::标签1), "距离生日还有：6 天");
}

#ifdef __linux__
// How often the file was opened while `action` ran, as the kernel saw it.
template <class Action>
int OpensOf(const TempFolder& folder, Action action) {
  const int watcher = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  EXPECT_GE(watcher, 0);
  // Closes are watched too: identical events in a row would be merged into one.
  EXPECT_GE(inotify_add_watch(watcher, (folder / kFile).c_str(), IN_OPEN | IN_CLOSE), 0);
  action();
  int opens = 0;
  alignas(inotify_event) char events[4096];
  for (ssize_t n; (n = read(watcher, events, sizeof events)) > 0;) {
    for (ssize_t at = 0; at < n;) {
      const auto* event = reinterpret_cast<const inotify_event*>(events + at);
      opens += (event->mask & IN_OPEN) != 0;
      at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
    }
  }
  close(watcher);
  return opens;
}

TEST_F(CountdownLines, TheFileIsReadTwiceForEachShownLineAndNotAtAllForNone) {
  folder.Write(kFile, "[事项1]\r\n事项=生日\r\n到期日=2020年8月8日\r\n");
  Type("", "", "");
  EXPECT_EQ(OpensOf(folder, [&] { Refresh(); }), 0);
  for (Control label : kLabels) EXPECT_FALSE(Shown(label));
  EXPECT_EQ(TestClock::reads, 0);

  Type("生日", "", "x");
  EXPECT_EQ(OpensOf(folder, [&] { Refresh(); }), 4);
}
#endif

TEST(ApplyItemColour, AllThreeLinesTakeThePickersColourShownOrNot) {
  FakeForm form(k2020_08_01);
  form.SetLabelVisible(Control::标签2, false);
  form.UserPicksColour(Control::颜色选择器1, 0x00FF8000);
  form.ClearLog();
  ApplyItemColour(form);
  const std::string colour = std::to_string(0x00FF8000);
  const auto read = Access{false, Property::PickerColour, Control::颜色选择器1, colour};
  EXPECT_THAT(form.Log(), ::testing::ElementsAre(read, Access{true, Property::LabelTextColour, Control::标签1, colour},
                                                 read, Access{true, Property::LabelTextColour, Control::标签2, colour},
                                                 read, Access{true, Property::LabelTextColour, Control::标签3, colour}));
  for (Control label : kLabels) {
    EXPECT_EQ(form.Label(label).colour, 0x00FF8000u);
    EXPECT_EQ(form.Label(label).paints, 1);
  }
  EXPECT_FALSE(form.Label(Control::标签2).visible);
  EXPECT_EQ(form.Label(Control::标签5).colour, kBlack);  // not a countdown line
}

}  // namespace
}  // namespace vendaro
