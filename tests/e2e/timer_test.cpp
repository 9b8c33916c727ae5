// The lines refresh by themselves every 30 seconds, from the file as it is then:
// what another program writes into Vendaro.ini shows at the next tick.
#include "driver.h"

#include <gtest/gtest.h>

#include <string>

namespace vendaro::e2e {
namespace {

constexpr int k标签1 = 16;

std::string ConfigNaming(const std::wstring& name) {
  return Narrow(L"[事项1]\r\n事项=" + name + L"\r\n到期日=2020年8月8日\r\n");
}

// Named for the 1365×768 session, which runs beside the long 1920×1080 one.
TEST(Timer_1365, RefreshesTheLinesThirtySecondsAfterStartAndEveryThirtySecondsAfter) {
  TestFolder folder;
  ASSERT_TRUE(folder.Write(L"Vendaro.ini", ConfigNaming(L"甲")));
  auto widget = Widget::Start(folder.CopyExe());
  ASSERT_NE(widget, nullptr);
  const ULONGLONG shown = GetTickCount64();
  ASSERT_EQ(widget->Text(k标签1).substr(0, 4), L"距离甲还");

  // Another program renames the item; the widget must not notice before its tick.
  ASSERT_TRUE(folder.Write(L"Vendaro.ini", ConfigNaming(L"乙")));
  auto captionStartsWith = [&](const wchar_t* name) {
    return widget->Text(k标签1).rfind(std::wstring(L"距离") + name, 0) == 0;
  };
  ASSERT_TRUE(WaitUntil([&] { return captionStartsWith(L"乙"); }, 40000)) << "no refresh within 40 s";
  const double first = static_cast<double>(GetTickCount64() - shown) / 1000.0;
  // The window was created shortly before it was shown.
  EXPECT_GE(first, 28.5);
  EXPECT_LE(first, 31.5);

  ASSERT_TRUE(folder.Write(L"Vendaro.ini", ConfigNaming(L"丙")));
  const ULONGLONG firstTick = GetTickCount64();
  ASSERT_TRUE(WaitUntil([&] { return captionStartsWith(L"丙"); }, 40000));
  const double period = static_cast<double>(GetTickCount64() - firstTick) / 1000.0;
  EXPECT_GE(period, 29.0);
  EXPECT_LE(period, 31.0);
  EXPECT_TRUE(widget->Close());
}

}  // namespace
}  // namespace vendaro::e2e
