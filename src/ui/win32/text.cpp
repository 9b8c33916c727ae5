#include "ui/win32/text.h"

#include <windows.h>

#include <climits>

namespace vendaro::win32 {

std::wstring WidenGbk(std::string_view gbk) {
  if (gbk.empty() || gbk.size() > INT_MAX) return {};
  const int size = static_cast<int>(gbk.size());
  const int needed = MultiByteToWideChar(kGbkCodePage, 0, gbk.data(), size, nullptr, 0);
  if (needed <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(needed), L'\0');
  MultiByteToWideChar(kGbkCodePage, 0, gbk.data(), size, wide.data(), needed);
  return wide;
}

std::string NarrowToGbk(std::wstring_view wide) {
  if (wide.empty() || wide.size() > INT_MAX) return {};
  const int size = static_cast<int>(wide.size());
  const int needed = WideCharToMultiByte(kGbkCodePage, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) return {};
  std::string gbk(static_cast<std::size_t>(needed), '\0');
  WideCharToMultiByte(kGbkCodePage, 0, wide.data(), size, gbk.data(), needed, nullptr, nullptr);
  return gbk;
}

}  // namespace vendaro::win32
