// Coverage-guided fuzzing of the INI text layer with any file's bytes: besides what
// AddressSanitizer and UBSan catch, every update is checked against what an update
// promises, whatever the file held before.
//
// The first three bytes of an input choose the section, the key and the value; the
// rest is the file.
//
//   build/fuzz/tests/fuzz/fuzz_ini_text -max_total_time=600 CORPUS tests/fuzz/seeds/fuzz_ini_text
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "countdown/ini_text.h"

namespace {

using vendaro::ApplyIniUpdate;
using vendaro::FindIniValue;

// (GBK spelled as bytes: this build compiles literals as UTF-8.)
constexpr std::string_view kNames[] = {
    "s", "S", " s\t", "k", "K", "\xCA\xC2\xCF\xEE" "1", "\xCA\xC2\xCF\xEE", "\x81\x5D", "\x81\x41", "\x81\x61", "",
    "a b", "[s]", "k=v",
};
constexpr std::string_view kValues[] = {
    "", "v", " \"v\" ", "'", "a\r\nb", "\xC9\xFA\xC8\xD5", "\r", "x=y", "\x81",
};

[[noreturn]] void Fail(const char* what, std::string_view file) {
  std::fprintf(stderr, "fuzz_ini_text: %s; file (%zu bytes):", what, file.size());
  for (unsigned char c : file) std::fprintf(stderr, " %02X", c);
  std::fprintf(stderr, "\n");
  std::abort();
}

// What an INI file can hold at all: a section name without "]", a key name without
// "=" that does not read as a header, neither with a line break or a lone lead
// byte at its end. (The program's own names are fixed and are all of this kind.)
bool Holds(std::string_view name, char stop) {
  for (std::size_t i = 0; i < name.size(); ++i) {
    const auto b = static_cast<unsigned char>(name[i]);
    if (b == static_cast<unsigned char>(stop) || b == '\r' || b == '\n') return false;
    if (b >= 0x81 && b <= 0xFE && ++i == name.size()) return false;
  }
  return true;
}

bool Storable(std::string_view section, std::string_view key) {
  const std::size_t first = key.find_first_not_of(" \t");
  return Holds(section, ']') && Holds(key, '=') && !(first != key.npos && key[first] == '[');
}

bool IsSubsequence(std::string_view part, std::string_view whole) {
  std::size_t at = 0;
  for (char c : whole) {
    if (at < part.size() && part[at] == c) ++at;
  }
  return at == part.size();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  const std::string_view section = kNames[data[0] % std::size(kNames)];
  const std::string_view key = kNames[data[1] % std::size(kNames)];
  const std::string_view value = kValues[data[2] % std::size(kValues)];
  const std::string_view file(reinterpret_cast<const char*>(data) + 3, size - 3);

  const std::optional<std::string> before = FindIniValue(file, section, key);
  const std::string after = ApplyIniUpdate(file, section, key, value);
  if (!Storable(section, key)) return 0;  // no crash is all there is to ask

  // The value reads back as it would from a file that holds nothing else.
  const std::string alone = ApplyIniUpdate("", section, key, value);
  if (FindIniValue(after, section, key) != FindIniValue(alone, section, key)) Fail("value not read back", file);
  // Storing it again changes nothing.
  if (ApplyIniUpdate(after, section, key, value) != after) Fail("second update changed the file", file);
  // A new key only adds bytes: every byte of the file is still there, in order.
  if (!before) {
    if (!IsSubsequence(file, after)) Fail("an added key lost bytes", file);
    if (after.size() > file.size() + alone.size() + 2) Fail("an added key added too much", file);
  }
  // No other key changes.
  for (std::string_view s : kNames) {
    for (std::string_view k : kNames) {
      if (FindIniValue(alone, s, k)) continue;  // the key just written, under another spelling
      if (FindIniValue(after, s, k) != FindIniValue(file, s, k)) Fail("another key changed", file);
    }
  }
  return 0;
}
