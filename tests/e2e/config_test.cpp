// Vendaro.ini as a person meets it: written by hand or by the widget, read into the
// boxes at start-up and by 读取配置项, written by 写入配置项 byte for byte, and
// the countdown lines following the boxes and the file.
#include "driver.h"

#include <gtest/gtest.h>

#include <string>

namespace vendaro::e2e {
namespace {

constexpr int k事项3 = 4, k事项2 = 5, k事项1 = 6, k读取 = 7, k写入 = 8, k日期框1 = 9, k日期框3 = 10, k日期框2 = 11;
constexpr int k标签3 = 13, k标签2 = 15, k标签1 = 16;

// Days since 1899-12-30 of a calendar day, as the program counts them.
long long DayNumber(WORD year, WORD month, WORD day) {
  SYSTEMTIME st{};
  st.wYear = year;
  st.wMonth = month;
  st.wDay = day;
  FILETIME ft{};
  SystemTimeToFileTime(&st, &ft);
  const long long ticks = static_cast<long long>((static_cast<unsigned long long>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime);
  constexpr long long kTicksPerDay = 864000000000LL;
  constexpr long long kDay0 = 109205LL;  // 1601-01-01 is 109205 days before 1899-12-30
  return ticks / kTicksPerDay - kDay0;
}

struct Today {
  SYSTEMTIME st{};
  long long day = 0;
  std::wstring text;  // as the widget writes a date: 2026年12月11日
};

Today GetToday() {
  Today t;
  GetLocalTime(&t.st);
  t.day = DayNumber(t.st.wYear, t.st.wMonth, t.st.wDay);
  t.text = std::to_wstring(t.st.wYear) + L"年" + std::to_wstring(t.st.wMonth) + L"月" + std::to_wstring(t.st.wDay) + L"日";
  return t;
}

std::wstring Line(const std::wstring& name, long long days) {
  return L"距离" + name + L"还有：" + std::to_wstring(days) + L" 天";
}

constexpr long long kEarliestDay = -657434;  // 100-01-01: what an unreadable date counts to

// Clicks 写入配置项 and waits for the save to have run to its end. The line must be
// hidden and its item's box hold a name the file lacks: the refresh that ends the
// save is what shows it. Queued input comes after sent messages, so Settle alone
// could return before the click has even been handled.
::testing::AssertionResult SaveShowsLine(const Widget& widget, int label, Millis deadline = 5000) {
  if (widget.Visible(label)) return ::testing::AssertionFailure() << "line " << label << " shows before the save";
  ClickAt(widget.ControlCentre(8));
  if (!WaitUntil([&] { return widget.Visible(label); }, deadline)) {
    return ::testing::AssertionFailure() << "the click on 写入配置项 was not handled: line " << label << " stays hidden";
  }
  return ::testing::AssertionSuccess();
}

class Config : public ::testing::Test {
 protected:
  void Start(const std::wstring& ini = L"", bool withFile = true) {
    if (withFile) {
      ASSERT_TRUE(folder_.Write(L"Vendaro.ini", Narrow(ini)));
    }
    widget_ = Widget::Start(folder_.CopyExe());
    ASSERT_NE(widget_, nullptr);
  }
  std::wstring File() const {
    std::string bytes;
    return folder_.Read(L"Vendaro.ini", bytes) ? Widen(bytes) : L"<no file>";
  }
  // Waits until the file holds what is expected (a save is a click away, not instant).
  ::testing::AssertionResult FileBecomes(const std::wstring& expected) const {
    if (WaitUntil([&] { return File() == expected; }, 5000)) {
      Settle(widget_->window());  // the refresh that ends the save, too
      return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "file holds\n" << Narrow(File()) << "\nexpected\n" << Narrow(expected);
  }
  // Clicks into a box and waits until it has the keyboard focus, so that the
  // keys that follow go there.
  void ClickInto(int id) {
    ClickAt(widget_->ControlCentre(id));
    ASSERT_TRUE(WaitUntil([&] { return widget_->Focus() == widget_->Control(id); }, 3000)) << "focus " << id;
    Settle(widget_->window());
  }
  // A real click. Its input can still be queued when Settle's sent messages have been
  // answered (they go first), so what follows waits for the click's effect.
  void ClickButton(int id) {
    ClickAt(widget_->ControlCentre(id));
    Settle(widget_->window());
  }
  SYSTEMTIME Date(int id) const {
    SYSTEMTIME st{};
    EXPECT_TRUE(widget_->ReadDateBox(id, st));
    return st;
  }

  TestFolder folder_;
  std::unique_ptr<Widget> widget_;
};

void ExpectDay(const SYSTEMTIME& st, WORD y, WORD m, WORD d, const char* what) {
  EXPECT_EQ(st.wYear, y) << what;
  EXPECT_EQ(st.wMonth, m) << what;
  EXPECT_EQ(st.wDay, d) << what;
}

TEST_F(Config, HandWrittenDatesLoadIntoTheBoxesAndSaveBackAsDateText) {
  const Today today = GetToday();
  Start(L"; my items\r\n"
        L"[事项1]\r\n事项=生日\r\n到期日=2020-8-8\r\n\r\n"
        L"[事项2]\r\n事项=考试\r\n到期日=8/8/2020\r\n\r\n"
        L"[事项3]\r\n事项=春节\r\n到期日=1899年12月30日\r\n"
        L"[其它]\r\nkey=value\r\n");
  // "2020-8-8" is read; "8/8/2020" is not a date, so the box keeps today; the
  // value 0 of "1899年12月30日" makes a box show the current date and time.
  const SYSTEMTIME d1 = Date(k日期框1);
  ExpectDay(d1, 2020, 8, 8, "日期框1");
  EXPECT_EQ(d1.wHour * 3600 + d1.wMinute * 60 + d1.wSecond, 0);
  ExpectDay(Date(k日期框2), today.st.wYear, today.st.wMonth, today.st.wDay, "日期框2");
  ExpectDay(Date(k日期框3), today.st.wYear, today.st.wMonth, today.st.wDay, "日期框3");
  EXPECT_EQ(widget_->Text(k事项1), L"生日");
  EXPECT_EQ(widget_->Text(k事项2), L"考试");
  EXPECT_EQ(widget_->Text(k事项3), L"春节");
  // The lines count to what the file says: an unreadable date counts to 100-01-01.
  EXPECT_EQ(widget_->Text(k标签1), Line(L"生日", DayNumber(2020, 8, 8) - today.day));
  EXPECT_EQ(widget_->Text(k标签2), Line(L"考试", kEarliestDay - today.day));
  EXPECT_EQ(widget_->Text(k标签3), Line(L"春节", -today.day));
  for (int id : {k标签1, k标签2, k标签3}) EXPECT_TRUE(widget_->Visible(id)) << id;

  ClickButton(k写入);
  // Each value is replaced in its own line; comments, blank lines and the foreign
  // section stay as they were.
  EXPECT_TRUE(FileBecomes(L"; my items\r\n"
                          L"[事项1]\r\n事项=生日\r\n到期日=2020年8月8日\r\n\r\n"
                          L"[事项2]\r\n事项=考试\r\n到期日=" + today.text + L"\r\n\r\n"
                          L"[事项3]\r\n事项=春节\r\n到期日=" + today.text + L"\r\n"
                          L"[其它]\r\nkey=value\r\n"));
  EXPECT_EQ(widget_->Text(k标签2), Line(L"考试", 0));
}

TEST_F(Config, NoFileShowsNoLinesAndTheFirstSaveWritesTheNineLines) {
  const Today today = GetToday();
  Start(L"", /*withFile=*/false);
  for (int id : {k事项1, k事项2, k事项3}) EXPECT_EQ(widget_->Text(id), L"") << id;
  for (int id : {k标签1, k标签2, k标签3}) EXPECT_FALSE(widget_->Visible(id)) << id;
  for (int id : {k日期框1, k日期框2, k日期框3}) {
    ExpectDay(Date(id), today.st.wYear, today.st.wMonth, today.st.wDay, "date box");
  }
  ClickButton(k写入);
  const std::wstring date = L"到期日=" + today.text + L"\r\n";
  EXPECT_TRUE(FileBecomes(L"[事项1]\r\n事项=\r\n" + date + L"[事项2]\r\n事项=\r\n" + date + L"[事项3]\r\n事项=\r\n" + date));
  std::string bytes;
  ASSERT_TRUE(folder_.Read(L"Vendaro.ini", bytes));
  EXPECT_EQ(bytes.substr(0, 8), "[\xCA\xC2\xCF\xEE" "1]\r") << "GBK, no byte-order mark";
  for (int id : {k标签1, k标签2, k标签3}) EXPECT_FALSE(widget_->Visible(id)) << id;
}

TEST_F(Config, TypedNamesAndPickedDatesAreSavedWhereTheyBelong) {
  Start(L"[事项1]\r\n事项=旧名\r\n到期日=2030年1月1日\r\n");
  // Type a new name into 事项2, as a person would.
  ClickInto(k事项2);
  TypeText(L"新年 ");
  ASSERT_TRUE(WaitUntil([&] { return widget_->Text(k事项2) == L"新年 "; }, 3000)) << Narrow(widget_->Text(k事项2));
  // Clear 事项1 with the keyboard.
  ClickInto(k事项1);
  PressKey(VK_HOME);
  PressKey(VK_END, /*shift=*/true);
  PressKey(VK_DELETE);
  ASSERT_TRUE(WaitUntil([&] { return widget_->Text(k事项1).empty(); }, 3000)) << Narrow(widget_->Text(k事项1));
  SYSTEMTIME due{};
  due.wYear = 2031;
  due.wMonth = 2;
  due.wDay = 3;
  due.wHour = 17;  // the time of day never reaches the file
  due.wMinute = 45;
  ASSERT_TRUE(widget_->WriteDateBox(k日期框2, due));
  due.wYear = 2032;
  due.wHour = 0;
  due.wMinute = 0;
  ASSERT_TRUE(widget_->WriteDateBox(k日期框3, due));
  const Today today = GetToday();
  ClickButton(k写入);
  // The name's trailing blank is written as typed; a missing section goes at the
  // end with its key, and a missing key after the last line of its section.
  EXPECT_TRUE(FileBecomes(L"[事项1]\r\n事项=\r\n到期日=2030年1月1日\r\n"
                          L"[事项2]\r\n事项=新年 \r\n到期日=2031年2月3日\r\n"
                          L"[事项3]\r\n事项=\r\n到期日=2032年2月3日\r\n"));
  // Only named items show a line; a blank-only name would count as a name.
  EXPECT_FALSE(widget_->Visible(k标签1));
  EXPECT_TRUE(widget_->Visible(k标签2));
  EXPECT_FALSE(widget_->Visible(k标签3));
  // Read back, surrounding blanks are dropped, as the Windows profile service does.
  EXPECT_EQ(widget_->Text(k标签2), Line(L"新年", DayNumber(2031, 2, 3) - today.day));
}

TEST_F(Config, LinesFollowTheBoxesWhileNamesAndDatesComeFromTheFile) {
  Start(L"[事项1]\r\n事项=甲\r\n到期日=2020年8月8日\r\n"
        L"[事项2]\r\n事项=乙\r\n到期日=2020年8月8日\r\n"
        L"[事项3]\r\n事项=丙\r\n到期日=2020年8月8日\r\n");
  for (int id : {k标签1, k标签2, k标签3}) ASSERT_TRUE(widget_->Visible(id)) << id;
  // Clearing a box and reading the file again restores the name and the line.
  ASSERT_TRUE(widget_->SetText(k事项2, L""));
  ClickButton(k读取);
  EXPECT_TRUE(WaitUntil([&] { return widget_->Text(k事项2) == L"乙"; })) << Narrow(widget_->Text(k事项2));
  EXPECT_TRUE(widget_->Visible(k标签2));
  // Clearing a box and saving hides its line; the others keep theirs in place.
  const RECT label3Before = widget_->ControlRectInClient(k标签3);
  ASSERT_TRUE(widget_->SetText(k事项2, L""));
  ClickButton(k写入);
  EXPECT_TRUE(WaitUntil([&] { return !widget_->Visible(k标签2); }, 3000));
  EXPECT_TRUE(widget_->Visible(k标签1));
  EXPECT_TRUE(widget_->Visible(k标签3));
  const RECT label3After = widget_->ControlRectInClient(k标签3);
  EXPECT_EQ(label3After.top, label3Before.top);
  EXPECT_NE(File().find(L"[事项2]\r\n事项=\r\n"), std::wstring::npos);
  // A name typed but not saved shows its line with what the file holds: nothing.
  ASSERT_TRUE(widget_->SetText(k事项2, L"未保存"));
  // A tick of 时钟1. It is posted, and the sent messages of Settle could be answered
  // before it is handled: wait for the line instead.
  ASSERT_TRUE(PostMessageW(widget_->Control(14), WM_TIMER, 1, 0));
  EXPECT_TRUE(WaitUntil([&] { return widget_->Visible(k标签2); }));
  EXPECT_EQ(widget_->Text(k标签2).substr(0, 5), L"距离还有：");
}

TEST_F(Config, AReadOnlyFileIsLeftAloneAndTheLinesKeepShowingIt) {
  const std::wstring ini = L"[事项1]\r\n事项=只读\r\n到期日=2020年8月8日\r\n";
  ASSERT_TRUE(folder_.Write(L"Vendaro.ini", Narrow(ini)));
  ASSERT_TRUE(SetFileAttributesW(folder_.File(L"Vendaro.ini").c_str(), FILE_ATTRIBUTE_READONLY));
  Start(L"", /*withFile=*/false);
  const std::wstring line = widget_->Text(k标签1);
  ASSERT_EQ(line.substr(0, 6), L"距离只读还有");
  ASSERT_TRUE(widget_->SetText(k事项1, L"改名"));
  // 事项2 has no section in the file: the refresh at the end of the save shows its
  // line with "无此项", and so tells that the click has been handled.
  ASSERT_TRUE(widget_->SetText(k事项2, L"新的"));
  ASSERT_TRUE(SaveShowsLine(*widget_, k标签2));
  EXPECT_EQ(widget_->Text(k标签2).substr(0, 7), L"距离无此项还有");
  EXPECT_TRUE(widget_->Running());
  EXPECT_EQ(File(), ini);
  EXPECT_EQ(widget_->Text(k标签1), line);
  // No box told the user anything.
  EXPECT_EQ(FindProcessWindow(widget_->pid(), L"#32770"), nullptr);
  SetFileAttributesW(folder_.File(L"Vendaro.ini").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(Config, AFolderNameGbkCannotSpellStillHoldsTheFile) {
  TestFolder korean(L"-\uD55C\uAE00-\u4E57\u8AA0");  // Hangul, and two characters whose GBK ends in 0x5C
  ASSERT_TRUE(korean.Write(L"Vendaro.ini", Narrow(L"[事项1]\r\n事项=韩文\r\n到期日=2020年8月8日\r\n")));
  widget_ = Widget::Start(korean.CopyExe());
  ASSERT_NE(widget_, nullptr);
  EXPECT_EQ(widget_->Text(k事项1), L"韩文");
  ASSERT_TRUE(widget_->SetText(k事项2, L"存这里"));
  ClickButton(k写入);
  std::string bytes;
  EXPECT_TRUE(WaitUntil([&] { return korean.Read(L"Vendaro.ini", bytes) && Widen(bytes).find(L"事项=存这里") != std::wstring::npos; }));
}

}  // namespace
}  // namespace vendaro::e2e

namespace vendaro::e2e {
namespace {

// Files that are not what the widget wrote: each must leave the widget running,
// say nothing, and lose nothing of what the file held.
struct BadFile {
  const char* what;
  std::string bytes;
};

std::string RandomBytes(std::size_t n, unsigned seed) {
  std::string s(n, '\0');
  for (auto& c : s) {
    seed = seed * 1103515245u + 12345u;
    c = static_cast<char>((seed >> 16) & 0xFF);
  }
  return s;
}

TEST(ConfigBadInput, StrangeFilesLeaveTheWidgetRunningAndKeepTheirBytes) {
  const std::string items = Narrow(L"[事项1]\r\n事项=甲\r\n到期日=2020年8月8日\r\n");
  const BadFile cases[] = {
      {"random bytes", RandomBytes(65536, 7)},
      {"NUL bytes and invalid GBK", std::string("\0\0\x81\xFF\xFE\r\n", 7) + items + std::string("\x81", 1)},
      {"a UTF-8 byte-order mark", "\xEF\xBB\xBF" + items},
      {"LF-only line ends", Narrow(L"[事项1]\n事项=甲\n到期日=2020年8月8日\n")},
      {"CR-only line ends", Narrow(L"[事项1]\r事项=甲\r到期日=2020年8月8日\r")},
      {"a 10 MB file", std::string(10 * 1024 * 1024 - 1, 'x') + "\n" + items},
      {"a 1 MB line", "; " + std::string(1024 * 1024, 'y') + "\r\n" + items},
      {"repeated sections and keys", items + Narrow(L"[事项1]\r\n事项=乙\r\n事项=丙\r\n")},
      {"lines without =", Narrow(L"[事项1]\r\n事项\r\n随便写点什么\r\n事项=甲\r\n")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TestFolder folder(L"-" + Widen(c.what));
    ASSERT_TRUE(folder.Write(L"Vendaro.ini", c.bytes));
    auto widget = Widget::Start(folder.CopyExe());
    ASSERT_NE(widget, nullptr);
    // A name for 事项2, which none of the files has: its line shows once the save has
    // run, and reading the file again must bring the name back into the emptied box.
    ASSERT_TRUE(widget->SetText(5, L"标记"));
    ASSERT_TRUE(SaveShowsLine(*widget, 15, 20000));
    ASSERT_TRUE(widget->SetText(5, L""));
    ClickAt(widget->ControlCentre(7));  // 读取配置项
    EXPECT_TRUE(WaitUntil([&] { return widget->Text(5) == L"标记"; }, 20000)) << "the name did not come back";
    EXPECT_TRUE(widget->Running());
    EXPECT_TRUE(ProcessWindows(widget->pid(), L"#32770").empty()) << "no box may come up";
    std::string after;
    ASSERT_TRUE(folder.Read(L"Vendaro.ini", after));
    // Saving adds what was missing after what was there, or replaces a value in its
    // line: what the file held before stands in it as it was, up to those values.
    const std::string::size_type kept = c.bytes.find("\xCA\xC2\xCF\xEE=");  // the first "事项="
    const std::string head = c.bytes.substr(0, kept == std::string::npos ? c.bytes.size() : kept);
    EXPECT_EQ(after.compare(0, head.size(), head), 0) << "the bytes before the first stored value changed";
    EXPECT_GE(after.size(), head.size());
    EXPECT_TRUE(widget->Close());
  }
}

TEST(ConfigBadInput, AFolderNamedVendaroIniOrAFileHeldOpenChangeNothing) {
  {
    SCOPED_TRACE("a folder named Vendaro.ini");
    TestFolder folder(L"-folder");
    ASSERT_TRUE(CreateDirectoryW(folder.File(L"Vendaro.ini").c_str(), nullptr));
    auto widget = Widget::Start(folder.CopyExe());
    ASSERT_NE(widget, nullptr);
    ASSERT_TRUE(widget->SetText(6, L"甲"));
    ASSERT_TRUE(SaveShowsLine(*widget, 16));
    Settle(widget->window());
    EXPECT_TRUE(widget->Running());
    EXPECT_TRUE(GetFileAttributesW(folder.File(L"Vendaro.ini").c_str()) & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_TRUE(ProcessWindows(widget->pid(), L"#32770").empty());
    // The line shows, with what the (unreadable) file gives: nothing.
    EXPECT_EQ(widget->Text(16).substr(0, 5), L"距离无此项");
    EXPECT_TRUE(widget->Close());
  }
  {
    SCOPED_TRACE("a file held open by another program");
    TestFolder folder(L"-held");
    const std::string before = Narrow(L"[事项1]\r\n事项=甲\r\n到期日=2020年8月8日\r\n");
    ASSERT_TRUE(folder.Write(L"Vendaro.ini", before));
    auto widget = Widget::Start(folder.CopyExe());
    ASSERT_NE(widget, nullptr);
    ASSERT_EQ(widget->Text(6), L"甲");
    // Held open for reading, without leave to replace it.
    HANDLE held = CreateFileW(folder.File(L"Vendaro.ini").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(widget->SetText(6, L"乙"));
    // 事项2 has no section: the line 标签2 shows once the save has run to its end,
    // the refresh after its last value, and only then is the file let go.
    ASSERT_TRUE(widget->SetText(5, L"丙"));
    ASSERT_TRUE(SaveShowsLine(*widget, 15));
    Settle(widget->window());
    EXPECT_TRUE(widget->Running());
    CloseHandle(held);
    std::string after;
    ASSERT_TRUE(folder.Read(L"Vendaro.ini", after));
    EXPECT_EQ(after, before) << "a failed save must leave the file whole";
    // Once the other program lets go, saving works again.
    ClickAt(widget->ControlCentre(8));
    EXPECT_TRUE(WaitUntil([&] { return folder.Read(L"Vendaro.ini", after) && Widen(after).find(L"事项=乙") != std::wstring::npos; }));
    EXPECT_TRUE(widget->Close());
  }
}

}  // namespace
}  // namespace vendaro::e2e
