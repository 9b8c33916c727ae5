#include "app/fatal_error.h"

#include <cstdio>

namespace vendaro {

std::string_view RuntimeErrorMessage(std::int32_t code) {
  switch (code) {
    case 1:
      return "数组成员引用下标超出定义范围";
    case 4:
      return "数组成员引用下标必须大于等于1";
    default:
      return {};
  }
}

std::string RuntimeErrorText(std::int32_t code, std::string_view message) {
  std::string text = "运行时出错!\r\n\r\n";
  if (code != 0) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%ld", static_cast<long>(code));
    text += "错误代码：";
    text += digits;
    text += "\r\n\r\n";
  }
  if (!message.empty()) {
    text += "错误信息：";
    text += message;
    text += "\r\n";
  }
  return text;
}

}  // namespace vendaro
