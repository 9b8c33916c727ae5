#pragma once
#include "countdown/native_path.h"

namespace vendaro {

// The folder of the executable, from its full path: everything before the last
// backslash, without it. "D:\Tools\w.exe" gives "D:\Tools", "C:\w.exe" gives "C:",
// a path without a backslash gives "". The path is UTF-16 on Windows, so no byte of
// a double-byte character can be taken for a backslash.
template <class Char>
std::basic_string<Char> RunDirectoryFromModulePath(const std::basic_string<Char>& modulePath) {
  const auto cut = modulePath.find_last_of(static_cast<Char>('\\'));
  if (cut == std::basic_string<Char>::npos) return {};
  return modulePath.substr(0, cut);
}

}  // namespace vendaro
