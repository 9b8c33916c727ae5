#pragma once
// The one place where the program's GBK texts meet the wide Windows API. Converting
// with code page 936 explicitly (not CP_ACP) keeps the texts right whatever the
// system's own code page is.
#include <string>
#include <string_view>

namespace vendaro::win32 {

inline constexpr unsigned kGbkCodePage = 936;

std::wstring WidenGbk(std::string_view gbk);
std::string NarrowToGbk(std::wstring_view wide);

}  // namespace vendaro::win32
