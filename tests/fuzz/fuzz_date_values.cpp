// Coverage-guided fuzzing of the numeric side of the date facility with any double (NaN of
// every payload, infinities, subnormals, -0.0, the extremes): the input is read as a
// run of 8-byte doubles. AddressSanitizer and UBSan (float-cast-overflow included)
// watch every operation; FormatNumberText is compared with glibc's "%.13g", its
// exponent widened to three digits, and the date operations with what the rules
// promises of their results.
//
//   build/fuzz/tests/fuzz/fuzz_date_values -max_total_time=600 CORPUS tests/fuzz/seeds/fuzz_date_values
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "dates/date_value.h"

namespace {

[[noreturn]] void Fail(const char* what, double v, const std::string& detail = {}) {
  std::fprintf(stderr, "fuzz_date_values: %s for %a (%.17g) %s\n", what, v, v, detail.c_str());
  std::abort();
}

std::string PrintfNumberText(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.13g", value);
  std::string out = text;
  const std::size_t e = out.find('e');
  if (e != std::string::npos && out.size() - (e + 2) < 3) {
    out.insert(e + 2, 3 - (out.size() - (e + 2)), '0');
  }
  return out;
}

bool IsWhole(double v) { return std::trunc(v) == v; }

void CheckOne(double v, double other) {
  const double clamped = vendaro::ClampDate(v);
  if (!(clamped >= vendaro::EarliestDate && clamped <= vendaro::LatestDate)) {
    Fail("ClampDate left the range", v);
  }
  if (!std::isnan(v) && v >= vendaro::EarliestDate && v <= vendaro::LatestDate &&
      std::bit_cast<std::uint64_t>(clamped) != std::bit_cast<std::uint64_t>(v)) {
    Fail("ClampDate changed a value of the range", v);
  }

  const vendaro::DateFields f = vendaro::SplitDate(v);
  if (f.year < 100 || f.year > 9999 || f.month < 1 || f.month > 12 || f.day < 1 ||
      f.day > 31 || f.hour < 0 || f.hour > 23 || f.minute < 0 || f.minute > 59 ||
      f.second < 0 || f.second > 59) {
    Fail("SplitDate gave fields out of range", v);
  }
  const double rounded = vendaro::BuildDate(f);
  // On the continuous scale: -0.25 and 0.25 are the same time of 1899-12-30.
  if (!(std::fabs(vendaro::LinearDays(rounded) - vendaro::LinearDays(clamped)) <=
        0.5 / 86400 + 1e-9)) {
    Fail("SplitDate moved the value by more than half a second", v);
  }
  const std::string text = vendaro::FormatDateText(v);
  if (std::bit_cast<std::uint64_t>(vendaro::ParseDateText(text)) !=
      std::bit_cast<std::uint64_t>(rounded)) {
    Fail("FormatDateText does not read back", v, text);
  }
  const double day = vendaro::StripTimeOfDay(v);
  if (!IsWhole(day) || day < vendaro::EarliestDate || day > vendaro::LatestDate) {
    Fail("StripTimeOfDay gave no day of the range", v);
  }

  const double difference = vendaro::DayDifference(v, other);
  if (!std::isfinite(difference) || std::fabs(difference) > 3615900) {
    Fail("DayDifference out of bounds", v);
  }
  if (std::bit_cast<std::uint64_t>(vendaro::DayDifference(other, v)) !=
          std::bit_cast<std::uint64_t>(difference == 0 ? 0.0 : -difference)) {
    Fail("DayDifference is not antisymmetric", v);
  }

  const std::string ours = vendaro::FormatNumberText(v);
  if (std::isnan(v)) {
    if (ours != "nan") Fail("NaN text", v, ours);
  } else if (v == 0) {
    if (ours != "0") Fail("zero text", v, ours);
  } else if (const std::string reference = PrintfNumberText(v); ours != reference) {
    Fail("FormatNumberText differs from printf", v, ours + " vs " + reference);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  double previous = 44044.0;
  for (std::size_t i = 0; i + 8 <= size; i += 8) {
    double v;
    std::memcpy(&v, data + i, sizeof v);
    CheckOne(v, previous);
    previous = v;
  }
  return 0;
}
