#pragma once
// Paths are the platform's own strings: UTF-16 on Windows (so a folder name that
// GBK cannot spell still works), bytes elsewhere.
#include <string>

namespace vendaro {

#ifdef _WIN32
using NativeChar = wchar_t;
#define VENDARO_NATIVE(s) L##s
inline constexpr NativeChar kPathSeparator = L'\\';
#else
using NativeChar = char;
#define VENDARO_NATIVE(s) s
inline constexpr NativeChar kPathSeparator = '/';
#endif

using NativePath = std::basic_string<NativeChar>;

}  // namespace vendaro
