// Loading and saving the configuration: the configuration area (a fake window)
// against a real file in a fresh folder.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "countdown/config.h"
#include "fake_form.h"
#include "temp_folder.h"
#include "test_clock.h"

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
using namespace std::string_literals;

constexpr std::string_view kFile = "Vendaro.ini";
constexpr Control kNameBoxes[] = {Control::事项1, Control::事项2, Control::事项3};
constexpr Control kDateBoxes[] = {Control::日期框1, Control::日期框2, Control::日期框3};

// The window as it is created: the date boxes show when that was, 2020-08-08 14:30.
constexpr DateValue kCreated = k2020_08_08 + 14.5 * kHour;

class Configuration : public ::testing::Test {
 protected:
  void SetUp() override { TestClock::Set(k2020_08_01 + 10 * kHour); }
  void Load() { LoadConfiguration(form, folder.Path(), &TestClock::Read); }
  void Save() { SaveConfiguration(form, folder.Path(), &TestClock::Read); }
  std::string File() const { return folder.Read(kFile); }

  TempFolder folder;
  FakeForm form{kCreated};
};

TEST_F(Configuration, SavedFromScratchIsExactlyTheNineLinesInGbkWithCrLf) {
  Load();  // no file: the name boxes empty, the date boxes keep their day
  Save();
  // "[事项1]", "事项=", "到期日=2020年8月8日" and so on, spelled out in GBK bytes.
  const std::string item1 =
      "[\xCA\xC2\xCF\xEE" "1]\r\n"
      "\xCA\xC2\xCF\xEE=\r\n"
      "\xB5\xBD\xC6\xDA\xC8\xD5=2020\xC4\xEA" "8\xD4\xC2" "8\xC8\xD5\r\n";
  std::string expected = item1 + item1 + item1;
  expected[expected.find("1]", item1.size())] = '2';
  expected[expected.find("1]", 2 * item1.size())] = '3';
  EXPECT_EQ(File(), expected);
  EXPECT_EQ(File(),
            "[事项1]\r\n事项=\r\n到期日=2020年8月8日\r\n"
            "[事项2]\r\n事项=\r\n到期日=2020年8月8日\r\n"
            "[事项3]\r\n事项=\r\n到期日=2020年8月8日\r\n");
}

TEST_F(Configuration, SaveWritesTheNamesAndTheBareDates) {
  form.UserTypes(Control::事项1, "生日");
  form.UserTypes(Control::事项2, "");
  form.UserTypes(Control::事项3, " 考试 ");
  form.UserPicksDate(Control::日期框1, k2020_08_08 + 0.75);  // 18:00: the time never reaches the file
  form.UserPicksDate(Control::日期框2, 44196.0 + 23.999 * kHour);
  form.UserPicksDate(Control::日期框3, -1.25);
  Save();
  EXPECT_EQ(File(),
            "[事项1]\r\n事项=生日\r\n到期日=2020年8月8日\r\n"
            "[事项2]\r\n事项=\r\n到期日=2020年12月31日\r\n"
            "[事项3]\r\n事项= 考试 \r\n到期日=1899年12月29日\r\n");
}

TEST_F(Configuration, SaveRewritesAHandTypedDateAndKeepsTheRest) {
  folder.Write(kFile, "; mine\r\n[事项1]\r\n事项=生日\r\n到期日=2020-8-8\r\n[事项2]\r\n事项=x\r\n到期日=8/8/2020\r\n");
  Load();
  EXPECT_EQ(form.Date(Control::日期框1), k2020_08_08);
  EXPECT_EQ(form.Date(Control::日期框2), kCreated);  // unreadable: the box kept its date
  Save();
  EXPECT_EQ(File(),
            "; mine\r\n[事项1]\r\n事项=生日\r\n到期日=2020年8月8日\r\n[事项2]\r\n事项=x\r\n到期日=2020年8月8日\r\n"
            "[事项3]\r\n事项=\r\n到期日=2020年8月8日\r\n");
}

TEST_F(Configuration, LoadSetsTheDateBoxesBeforeTheNameBoxesThenTheLines) {
  folder.Write(kFile, "[事项1]\r\n事项=生日\r\n到期日=2020年8月8日\r\n");
  Load();
  std::vector<Access> writes = form.Writes();
  ASSERT_GE(writes.size(), 6u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(writes[i].property, Property::DateBoxValue);
    EXPECT_EQ(writes[i].control, kDateBoxes[i]);
    EXPECT_EQ(writes[3 + i].property, Property::EditText);
    EXPECT_EQ(writes[3 + i].control, kNameBoxes[i]);
  }
  for (std::size_t i = 6; i < writes.size(); ++i) {
    EXPECT_THAT(writes[i].property, ::testing::AnyOf(Property::LabelVisible, Property::LabelCaption));
  }
  EXPECT_EQ(form.Text(Control::事项1), "生日");
  EXPECT_EQ(form.Text(Control::事项2), "");  // missing section: the empty default
  EXPECT_EQ(form.Label(Control::标签1).caption, "距离生日还有：7 天");
  EXPECT_FALSE(form.Label(Control::标签2).visible);
}

struct DueDateCase {
  const char* line;  // the due-date line of item 1, or "" for none
  DateValue shown;   // what the date box shows afterwards
};

TEST_F(Configuration, WhatTheDateBoxMakesOfALoadedDueDate) {
  const DateValue before = k2020_08_01 + 0.5;
  const DueDateCase cases[] = {
      {"到期日=2020年8月8日", k2020_08_08},
      {"到期日=2020-8-8", k2020_08_08},
      {"到期日=2020年8月8日12时", k2020_08_08 + 0.5},
      {"到期日=1899年12月30日", kCreated + 1},  // the value 0: the box takes "now"
      {"到期日=8/8/2020", before},              // unreadable: kept
      {"到期日=100年1月1日", before},           // the earliest date: refused
      {"到期日=1600年12月31日", before},        // before the box's first day
      {"到期日=", before},
      {"", before},  // missing
  };
  for (const DueDateCase& c : cases) {
    form.SetNow(kCreated + 1);
    form.UserPicksDate(Control::日期框1, before);
    folder.Write(kFile, "[事项1]\r\n"s + c.line + "\r\n");
    Load();
    EXPECT_EQ(form.Date(Control::日期框1), c.shown) << c.line;
  }
}

TEST_F(Configuration, LoadedNamesAreWholeAndTrimmed) {
  const std::string longName(20000, 'n');
  folder.Write(kFile, "[事项1]\r\n事项=  生日  \r\n[事项2]\r\n事项=\r\n[事项3]\r\n事项=" + longName + "\r\n");
  Load();
  EXPECT_EQ(form.Text(Control::事项1), "生日");
  EXPECT_EQ(form.Text(Control::事项2), "");
  EXPECT_EQ(form.Text(Control::事项3), longName);
}

TEST_F(Configuration, SaveOfAReadOnlyFileChangesNothing) {
  const std::string kept = "[事项1]\r\n事项=生日\r\n到期日=2020年8月8日\r\n";
  folder.Write(kFile, kept);
  folder.SetReadOnly(kFile, true);
  Load();
  form.UserTypes(Control::事项1, "考试");
  form.UserTypes(Control::事项2, "新的");
  Save();
  EXPECT_EQ(File(), kept);
  EXPECT_EQ(form.Label(Control::标签1).caption, "距离生日还有：7 天");  // what the file still holds
  EXPECT_EQ(form.Label(Control::标签2).caption, "距离无此项还有：-701478 天");
}

// Bad files: the widget keeps going, and nothing that was in the file is lost.
enum class Keeps {
  Identical,  // loading and saving again gives the same bytes
  Prefix,     // the items were not found: they are added after the old bytes
};

struct BadFileCase {
  const char* what;
  std::string bytes;
  Keeps keeps;
  std::string name1;  // what 事项1 shows after loading
};

// The three items as a save writes them, with the given line end and item 1's name.
std::string Items(std::string_view end = "\r\n", std::string_view name1 = "生日") {
  const std::string_view sections[] = {"[事项1]", "[事项2]", "[事项3]"};
  const std::string_view names[] = {name1, "考试", "回家"};
  const std::string_view dues[] = {"2020年8月8日", "2021年1月1日", "2020年7月30日"};
  std::string text;
  for (int i = 0; i < 3; ++i) {
    for (const std::string_view piece :
         {sections[i], end, std::string_view("事项="), names[i], end, std::string_view("到期日="), dues[i], end}) {
      text += piece;
    }
  }
  return text;
}

std::string RandomBytes(std::size_t n) {
  std::mt19937 random(8);
  std::string bytes(n, '\0');
  for (char& b : bytes) b = static_cast<char>(random());
  return bytes;
}

std::string ForeignSections(std::size_t size) {
  std::string text;
  for (int i = 0; text.size() < size; ++i) text += "[其它" + std::to_string(i) + "]\r\n键=值\r\n";
  return text;
}

TEST_F(Configuration, BadFilesLoseNothing) {
  const std::string longName(1'000'000, 'n');
  const BadFileCase cases[] = {
      {"empty file", "", Keeps::Prefix, ""},
      {"random bytes", RandomBytes(4096), Keeps::Prefix, ""},
      {"NUL bytes", "\0\0\r\n[x]\0\r\n"s + Items("\r\n", "生\0日"s) + "\0"s, Keeps::Identical, "生\0日"s},
      {"10 MB file", ForeignSections(10'000'000) + Items(), Keeps::Identical, "生日"},
      {"1 MB line", Items("\r\n", longName), Keeps::Identical, longName},
      {"name of 20000 bytes", Items("\r\n", std::string(20000, 'x')), Keeps::Identical, std::string(20000, 'x')},
      {"invalid GBK", "\x81\r\n[\xFF\x80]\r\n\x81=\xFE\r\n" + Items("\r\n", "生日\x81"), Keeps::Identical, "生日\x81"},
      {"UTF-8 byte-order mark", "\xEF\xBB\xBF" + Items(), Keeps::Identical, "生日"},
      {"LF only", Items("\n"), Keeps::Identical, "生日"},
      {"CR only", Items("\r"), Keeps::Identical, "生日"},
      {"repeated sections and keys",
       "[事项1]\r\n事项=生日\r\n事项=第二个\r\n到期日=2020年8月8日\r\n" + Items("\r\n", "又一个"), Keeps::Identical,
       "生日"},
      {"lines without =", "事项\r\n[事项1]\r\n事项\r\n" + Items().substr(9) + "没有等号\r\n", Keeps::Identical,
       "生日"},
  };
  for (const BadFileCase& c : cases) {
    SCOPED_TRACE(c.what);
    TempFolder here;
    here.Write(kFile, c.bytes);
    FakeForm window(kCreated);
    LoadConfiguration(window, here.Path(), &TestClock::Read);
    EXPECT_EQ(window.Text(Control::事项1), c.name1);
    SaveConfiguration(window, here.Path(), &TestClock::Read);
    const std::string after = here.Read(kFile);
    if (c.keeps == Keeps::Identical) {
      EXPECT_TRUE(after == c.bytes);  // (not EXPECT_EQ: a 10 MB diff helps nobody)
    } else {
      EXPECT_EQ(after.substr(0, c.bytes.size()), c.bytes);
      EXPECT_EQ(ReadConfigValue(here.Path(), "事项3", "到期日", ""), "2020年8月8日");
    }
    EXPECT_THAT(here.Names(), ::testing::ElementsAre("Vendaro.ini"));
  }
}

TEST_F(Configuration, NoFileAndAFolderInItsPlace) {
  Load();
  for (Control box : kNameBoxes) EXPECT_EQ(form.Text(box), "");
  for (Control box : kDateBoxes) EXPECT_EQ(form.Date(box), kCreated);
  for (Control label : {Control::标签1, Control::标签2, Control::标签3}) EXPECT_FALSE(form.Label(label).visible);

  TempFolder other;
  std::filesystem::create_directory(other / kFile);
  FakeForm window(kCreated);
  window.UserTypes(Control::事项1, "生日");
  SaveConfiguration(window, other.Path(), &TestClock::Read);
  EXPECT_TRUE(std::filesystem::is_directory(other / kFile));
  EXPECT_EQ(window.Label(Control::标签1).caption, "距离无此项还有：-701478 天");
}

}  // namespace
}  // namespace vendaro
