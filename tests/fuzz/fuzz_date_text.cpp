// Coverage-guided fuzzing of ParseDateText and NormalizeWidth with any
// byte string: besides what AddressSanitizer and UBSan catch, every input is checked
// against a second reading of the rules written in another shape (over decoded
// characters instead of bytes) and against the properties the reader promises.
//
//   build/fuzz/tests/fuzz/fuzz_date_text -max_total_time=600 CORPUS tests/fuzz/seeds/fuzz_date_text
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "dates/date_value.h"

namespace {

using vendaro::DateValue;

[[noreturn]] void Fail(const char* what, std::string_view text) {
  std::fprintf(stderr, "fuzz_date_text: %s; input (%zu bytes):", what, text.size());
  for (unsigned char c : text) std::fprintf(stderr, " %02X", c);
  std::fprintf(stderr, "\n");
  std::abort();
}

bool SameBits(double a, double b) {
  return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

// Characters as numbers: an ASCII byte is itself, a double-byte character is
// 0x10000 + its two bytes.
constexpr int Pair(int lead, int trail) { return 0x10000 | (lead << 8) | trail; }

std::vector<int> DecodeNormalized(std::string_view text) {
  std::vector<int> chars;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const int lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80) {
      chars.push_back(lead);
    } else if (i + 1 < text.size()) {
      const int trail = static_cast<unsigned char>(text[++i]);
      if (lead == 0xA1 && trail == 0xA1) {
        chars.push_back(' ');
      } else if (lead == 0xA3 && trail >= 0xA1 && trail <= 0xFE) {
        chars.push_back(trail - 0x80);
      } else {
        chars.push_back(Pair(lead, trail));
      }
    }
  }
  return chars;
}

std::string Encode(const std::vector<int>& chars) {
  std::string out;
  for (int c : chars) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else {
      out += static_cast<char>((c >> 8) & 0xFF);
      out += static_cast<char>(c & 0xFF);
    }
  }
  return out;
}

// ParseDateText's rules, step by step, written afresh.
DateValue ReferenceParse(std::string_view text) {
  const std::vector<int> c = DecodeNormalized(text);
  if (c.empty()) return vendaro::EarliestDate;
  struct Field {
    int max_digits;
    int mark;  // the field's own separator; 0 for the second, which has none
    bool space;
  };
  static constexpr Field kFields[6] = {
      {4, Pair(0xC4, 0xEA), false},  // 年
      {2, Pair(0xD4, 0xC2), false},  // 月
      {2, Pair(0xC8, 0xD5), true},   // 日, or a space
      {2, Pair(0xCA, 0xB1), false},  // 时
      {2, Pair(0xB7, 0xD6), false},  // 分
      {2, 0, false},
  };
  int value[6] = {};
  std::size_t at = 0;
  for (int f = 0; f < 6; ++f) {
    for (int n = 0; n < kFields[f].max_digits && at < c.size() && c[at] >= '0' && c[at] <= '9';
         ++n) {
      value[f] = value[f] * 10 + (c[at++] - '0');
    }
    if (f < 5 && at < c.size()) {
      const int s = c[at];
      if (s == '-' || s == '.' || s == '/' || s == ':' || s == kFields[f].mark ||
          (kFields[f].space && s == ' ')) {
        ++at;
      }
    }
  }
  if (at != c.size() && c[at] != Pair(0xC3, 0xEB)) return vendaro::EarliestDate;  // 秒
  const int y = value[0], m = value[1], d = value[2];
  const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  const int lengths[12] = {31, leap ? 29 : 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (y < 100 || y > 9999 || m < 1 || m > 12 || d < 1 || d > lengths[m - 1] || value[3] > 23 ||
      value[4] > 59 || value[5] > 59) {
    return vendaro::EarliestDate;
  }
  return vendaro::BuildDate({y, m, d, value[3], value[4], value[5]});
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  const std::string normalized = vendaro::NormalizeWidth(text);
  if (normalized.size() > text.size()) Fail("NormalizeWidth grew the text", text);
  if (normalized != Encode(DecodeNormalized(text))) Fail("NormalizeWidth differs", text);
  if (vendaro::NormalizeWidth(normalized) != normalized) Fail("NormalizeWidth not idempotent", text);

  const DateValue value = vendaro::ParseDateText(text);
  if (!SameBits(value, ReferenceParse(text))) Fail("ParseDateText differs from the reference reading", text);
  if (!SameBits(vendaro::ParseDateText(normalized), value)) {
    Fail("ParseDateText reads the normalised text differently", text);
  }
  if (value != vendaro::EarliestDate) {
    if (!std::isfinite(value)) Fail("ParseDateText gave a non-finite value", text);
    // 100-01-01 and 9999-12-31 with a time of day lie outside the range; the rest
    // must survive the trip through fields and text unchanged.
    if (value >= vendaro::EarliestDate && value <= vendaro::LatestDate) {
      if (!SameBits(vendaro::BuildDate(vendaro::SplitDate(value)), value)) {
        Fail("SplitDate does not give back the fields read", text);
      }
      if (!SameBits(vendaro::ParseDateText(vendaro::FormatDateText(value)), value)) {
        Fail("FormatDateText does not read back", text);
      }
    }
  }
  const std::string days = vendaro::FormatNumberText(
      vendaro::DayDifference(value, vendaro::StripTimeOfDay(value)));
  if (days.empty()) Fail("FormatNumberText gave no text", text);
  return 0;
}
