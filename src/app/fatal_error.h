#pragma once
// The program's one fatal path: an error box titled "错误", then the end of the
// process with exit status 0xFFFFFFFF. Nothing after the point of the error runs,
// and the exit callbacks do not run.
#include <cstdint>
#include <string>
#include <string_view>

namespace vendaro {

inline constexpr std::uint32_t kFatalExitStatus = 0xFFFFFFFFu;
inline constexpr std::string_view kFatalErrorTitle = "错误";

// The message that belongs to one of the program's own error codes, or "".
std::string_view RuntimeErrorMessage(std::int32_t code);

// The box's text: "运行时出错!\r\n\r\n", then "错误代码：<code>\r\n\r\n" unless the
// code is 0, then "错误信息：<message>\r\n" unless the message is empty.
std::string RuntimeErrorText(std::int32_t code, std::string_view message);

// Shows the box (no owner, error icon, OK) and ends the process. With no message,
// the one that belongs to the code is shown.
[[noreturn]] void ReportRuntimeError(std::int32_t code);
[[noreturn]] void ReportRuntimeError(std::int32_t code, std::string_view message);

}  // namespace vendaro
