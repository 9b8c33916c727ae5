// FormatNumberText: "%.13g" with an exponent of at least three digits.
//
// The digits are derived here from the double's exact binary value rather than by
// printf, so the text is the same on glibc, MinGW's printf and msvcrt.dll, under
// any C locale: the C runtimes disagree on the exponent's width, on the decimal
// point and, for a value that lies exactly halfway between two 13-digit texts, on
// the way to round. Halfway cases round to an even last digit, as glibc's printf
// and IEEE 754 do in their default rounding mode.
#include <array>
#include <cmath>
#include <cstdint>

#include "dates/date_value.h"

namespace vendaro {
namespace {

constexpr int kSignificantDigits = 13;

// An unsigned integer in base 10^9, least significant limb first. The largest one
// needed is a 53-bit significand times 5^1074 (767 decimal digits, 86 limbs).
class DecimalInteger {
 public:
  static constexpr int kMaxDigits = 96 * 9;

  explicit DecimalInteger(std::uint64_t value) {
    while (value != 0) {
      limbs_[size_++] = static_cast<std::uint32_t>(value % kBase);
      value /= kBase;
    }
  }

  void MultiplyBy(std::uint32_t factor) {  // factor < 2^32
    std::uint64_t carry = 0;
    for (int i = 0; i < size_; ++i) {
      const std::uint64_t product = static_cast<std::uint64_t>(limbs_[i]) * factor + carry;
      limbs_[i] = static_cast<std::uint32_t>(product % kBase);
      carry = product / kBase;
    }
    while (carry != 0 && size_ < kMaxLimbs) {
      limbs_[size_++] = static_cast<std::uint32_t>(carry % kBase);
      carry /= kBase;
    }
  }

  // Writes the decimal digits, most significant first, without leading zeros.
  int Digits(char* out) const {
    int count = 0;
    for (int i = size_ - 1; i >= 0; --i) {
      std::uint32_t limb = limbs_[i];
      char group[9];
      int n = 0;
      do {
        group[n++] = static_cast<char>('0' + limb % 10);
        limb /= 10;
      } while (limb != 0);
      if (i != size_ - 1) {
        while (n < 9) group[n++] = '0';
      }
      while (n > 0) out[count++] = group[--n];
    }
    return count;
  }

 private:
  static constexpr std::uint32_t kBase = 1000000000;
  static constexpr int kMaxLimbs = 96;
  std::array<std::uint32_t, kMaxLimbs> limbs_{};
  int size_ = 0;
};

// The magnitude of a finite, non-zero double as its first 13 significant decimal
// digits, correctly rounded, and the decimal exponent of the first one.
struct RoundedDecimal {
  std::array<char, kSignificantDigits> digits;
  int exponent;
};

RoundedDecimal RoundToSignificantDigits(double magnitude) {
  // magnitude = significand × 2^binary_exponent, the significand an odd integer.
  int frexp_exponent = 0;
  const double fraction = std::frexp(magnitude, &frexp_exponent);
  auto significand = static_cast<std::uint64_t>(std::ldexp(fraction, 53));
  int binary_exponent = frexp_exponent - 53;
  while ((significand & 1u) == 0) {
    significand >>= 1;
    ++binary_exponent;
  }
  // magnitude = exact × 10^decimal_shift, exact a whole number.
  DecimalInteger exact(significand);
  int decimal_shift = 0;
  for (int left = binary_exponent; left > 0; left -= 31) {
    exact.MultiplyBy(std::uint32_t{1} << (left < 31 ? left : 31));
  }
  if (binary_exponent < 0) {
    // 2^-k = 5^k × 10^-k
    static constexpr std::uint32_t kPowersOfFive[14] = {
        1, 5, 25, 125, 625, 3125, 15625, 78125, 390625, 1953125, 9765625, 48828125,
        244140625, 1220703125};
    for (int left = -binary_exponent; left > 0; left -= 13) {
      exact.MultiplyBy(kPowersOfFive[left < 13 ? left : 13]);
    }
    decimal_shift = binary_exponent;
  }
  char all[DecimalInteger::kMaxDigits];
  const int count = exact.Digits(all);

  RoundedDecimal result{};
  result.exponent = count - 1 + decimal_shift;
  for (int i = 0; i < kSignificantDigits; ++i) {
    result.digits[i] = i < count ? all[i] : '0';
  }
  if (count > kSignificantDigits) {
    const char next = all[kSignificantDigits];
    bool round_up = next > '5';
    if (next == '5') {
      bool beyond_half = false;
      for (int i = kSignificantDigits + 1; i < count && !beyond_half; ++i) {
        beyond_half = all[i] != '0';
      }
      const bool last_is_odd = (result.digits[kSignificantDigits - 1] - '0') % 2 != 0;
      round_up = beyond_half || last_is_odd;
    }
    if (round_up) {
      int i = kSignificantDigits - 1;
      while (i >= 0 && result.digits[i] == '9') result.digits[i--] = '0';
      if (i >= 0) {
        ++result.digits[i];
      } else {
        result.digits[0] = '1';  // 9999999999999.5 and the like become 1 × 10^(X+1)
        ++result.exponent;
      }
    }
  }
  return result;
}

}  // namespace

std::string FormatNumberText(double value) {
  if (std::isnan(value)) return "nan";
  if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
  if (value == 0.0) return "0";  // -0.0 too: zero is "0"

  const RoundedDecimal r = RoundToSignificantDigits(std::fabs(value));
  const char* digits = r.digits.data();
  int last = kSignificantDigits - 1;  // the last digit kept once trailing zeros go
  while (last > 0 && digits[last] == '0') --last;

  std::string out;
  out.reserve(24);
  if (value < 0) out += '-';
  if (r.exponent >= -4 && r.exponent < kSignificantDigits) {
    if (r.exponent >= 0) {
      out.append(digits, static_cast<std::size_t>(r.exponent) + 1);
      if (last > r.exponent) {
        out += '.';
        out.append(digits + r.exponent + 1, static_cast<std::size_t>(last - r.exponent));
      }
    } else {
      out += "0.";
      out.append(static_cast<std::size_t>(-r.exponent - 1), '0');
      out.append(digits, static_cast<std::size_t>(last) + 1);
    }
  } else {
    out += digits[0];
    if (last > 0) {
      out += '.';
      out.append(digits + 1, static_cast<std::size_t>(last));
    }
    out += 'e';
    out += r.exponent < 0 ? '-' : '+';
    const int magnitude = r.exponent < 0 ? -r.exponent : r.exponent;  // 4 … 324
    out += static_cast<char>('0' + magnitude / 100);
    out += static_cast<char>('0' + magnitude / 10 % 10);
    out += static_cast<char>('0' + magnitude % 10);
  }
  return out;
}

}  // namespace vendaro
