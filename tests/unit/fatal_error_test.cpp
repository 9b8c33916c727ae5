#include "app/fatal_error.h"

#include <gtest/gtest.h>

namespace vendaro {
namespace {

struct ErrorTextCase {
  std::int32_t code;
  std::string_view message;
  std::string_view text;
};

TEST(RuntimeErrorText, BuildsTheBoxTextFromCodeAndMessage) {
  const ErrorTextCase cases[] = {
      {4, RuntimeErrorMessage(4),
       "运行时出错!\r\n\r\n错误代码：4\r\n\r\n错误信息：数组成员引用下标必须大于等于1\r\n"},
      {1, RuntimeErrorMessage(1),
       "运行时出错!\r\n\r\n错误代码：1\r\n\r\n错误信息：数组成员引用下标超出定义范围\r\n"},
      {0, "", "运行时出错!\r\n\r\n"},
      {0, "坏了", "运行时出错!\r\n\r\n错误信息：坏了\r\n"},
      {-7, "", "运行时出错!\r\n\r\n错误代码：-7\r\n\r\n"},
      {INT32_MIN, "", "运行时出错!\r\n\r\n错误代码：-2147483648\r\n\r\n"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(RuntimeErrorText(c.code, c.message), c.text) << "code " << c.code;
  }
}

TEST(RuntimeErrorText, TextsAreGbkBytes) {
  // "错误" in code page 936; the build compiles literals to GBK.
  EXPECT_EQ(kFatalErrorTitle, "\xB4\xED\xCE\xF3");
  EXPECT_TRUE(RuntimeErrorMessage(2).empty());
}

}  // namespace
}  // namespace vendaro
