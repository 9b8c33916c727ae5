// The calendar side of the date facility: clamping, fields, day counts and the
// Chinese date text.
#include "dates/date_value.h"

#include <cmath>
#include <cstdint>

namespace vendaro {
namespace {

// The Chinese characters of the date text in code page 936. Spelled as bytes so
// that the meaning does not hang on the compiler's execution character set
// (clang, which builds the fuzz targets, knows no -fexec-charset but UTF-8).
constexpr std::string_view kYearMark = "\xC4\xEA";    // 年
constexpr std::string_view kMonthMark = "\xD4\xC2";   // 月
constexpr std::string_view kDayMark = "\xC8\xD5";     // 日
constexpr std::string_view kHourMark = "\xCA\xB1";    // 时
constexpr std::string_view kMinuteMark = "\xB7\xD6";  // 分
constexpr std::string_view kSecondMark = "\xC3\xEB";  // 秒

constexpr std::int64_t kSecondsPerDay = 86400;

// Day 0 of the OLE Automation calendar, 1899-12-30, counted from 1970-01-01.
constexpr std::int64_t kOleEpochFromUnix = -25569;

constexpr std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
  return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
}

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar (H. Hinnant's
// days_from_civil). Months and days beyond their ranges carry over arithmetically,
// so any int fields give a defined count without overflow.
std::int64_t DaysFromCivil(int year_in, int month_in, int day_in) {
  const std::int64_t month0 = static_cast<std::int64_t>(month_in) - 1;
  std::int64_t y = static_cast<std::int64_t>(year_in) + FloorDiv(month0, 12);
  const std::int64_t m = month0 - FloorDiv(month0, 12) * 12 + 1;  // 1 … 12
  y -= m <= 2 ? 1 : 0;
  const std::int64_t era = FloorDiv(y, 400);
  const std::int64_t yoe = y - era * 400;                            // 0 … 399
  const std::int64_t doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5;  // of day 1
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468 + (static_cast<std::int64_t>(day_in) - 1);
}

struct CivilDate {
  int year;
  int month;
  int day;
};

// The inverse (H. Hinnant's civil_from_days); only called for days of the range.
CivilDate CivilFromDays(std::int64_t z) {
  z += 719468;
  const std::int64_t era = FloorDiv(z, 146097);
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  const std::int64_t day = doy - (153 * mp + 2) / 5 + 1;
  const std::int64_t month = mp < 10 ? mp + 3 : mp - 9;
  const std::int64_t year = yoe + era * 400 + (month <= 2 ? 1 : 0);
  return {static_cast<int>(year), static_cast<int>(month), static_cast<int>(day)};
}

bool IsLeapYear(int year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
  static constexpr int kLengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kLengths[month - 1];
}

// A time of day given as a part of a day, in [0, 1), rounded to the nearest second,
// halves up: 0 … 86400. Computed exactly rather than as fraction * 86400 in doubles,
// whose rounding could move a value lying within an ulp of a half second across it.
// fraction = f × 2^e with f in [0.5, 1) and e <= 0, so fraction × 86400 is
// (f × 2^53) × 675 / 2^(46 − e) and the product fits in 63 bits.
int RoundToSecond(double fraction) {
  if (!(fraction > 0.0)) return 0;
  int e = 0;
  const double f = std::frexp(fraction, &e);
  const auto significand = static_cast<std::uint64_t>(std::ldexp(f, 53));
  const int shift = 46 - e;  // at least 46, as e <= 0
  if (shift >= 64) return 0;  // below 2^63 / 2^64 seconds, so below half a second
  const std::uint64_t scaled = significand * 675u;
  const std::uint64_t seconds = (scaled >> shift) + ((scaled >> (shift - 1)) & 1u);
  return static_cast<int>(seconds);
}

void AppendDecimal(std::string& out, int value) {
  char digits[12];
  int count = 0;
  auto magnitude = static_cast<unsigned>(value);
  if (value < 0) {
    out += '-';
    magnitude = 0u - magnitude;
  }
  do {
    digits[count++] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  while (count > 0) out += digits[--count];
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A reading position in a normalised text. It only ever moves by whole characters
// (an ASCII byte, or a lead byte with its trail byte), so it always stands at the
// start of a character.
class DateTextReader {
 public:
  explicit DateTextReader(std::string_view text) : text_(text) {}

  int ReadNumber(int max_digits) {
    int value = 0;
    for (int i = 0; i < max_digits && pos_ < text_.size() && IsDigit(text_[pos_]); ++i) {
      value = value * 10 + (text_[pos_++] - '0');
    }
    return value;
  }

  // Consumes one separator: "-", ".", "/", ":", the field's own character, and for
  // the day also a space.
  void SkipSeparator(std::string_view mark, bool space_too) {
    if (pos_ >= text_.size()) return;
    const char c = text_[pos_];
    if (c == '-' || c == '.' || c == '/' || c == ':' || (space_too && c == ' ')) {
      ++pos_;
    } else if (At(mark)) {
      pos_ += mark.size();
    }
  }

  bool AtEnd() const { return pos_ == text_.size(); }
  bool At(std::string_view mark) const { return text_.substr(pos_).starts_with(mark); }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
};

}  // namespace

DateValue ClampDate(DateValue value) {
  if (std::isnan(value) || value > LatestDate) return LatestDate;
  if (value < EarliestDate) return EarliestDate;
  return value;
}

DateValue BuildDate(const DateFields& fields) {
  const std::int64_t days =
      DaysFromCivil(fields.year, fields.month, fields.day) - kOleEpochFromUnix;
  const std::int64_t seconds = static_cast<std::int64_t>(fields.hour) * 3600 +
                               static_cast<std::int64_t>(fields.minute) * 60 +
                               static_cast<std::int64_t>(fields.second);
  const double time = static_cast<double>(seconds) * (1.0 / 86400.0);
  const auto whole = static_cast<double>(days);
  return days >= 0 ? whole + time : whole - time;
}

DateFields SplitDate(DateValue value) {
  const double clamped = ClampDate(value);
  const double whole = std::trunc(clamped);
  // Exact: the difference of a double and its integer part is representable.
  const double fraction = std::fabs(clamped - whole);
  auto day = static_cast<std::int64_t>(whole);
  int seconds = RoundToSecond(fraction);
  if (seconds == kSecondsPerDay) {
    ++day;
    seconds = 0;
  }
  const CivilDate date = CivilFromDays(day + kOleEpochFromUnix);
  return {date.year, date.month, date.day, seconds / 3600, seconds / 60 % 60, seconds % 60};
}

double LinearDays(DateValue value) {
  if (value >= 0.0) return value;
  return 2.0 * std::ceil(value) - value;
}

std::string NormalizeWidth(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80) {
      out += text[i];
      continue;
    }
    if (i + 1 == text.size()) break;  // a lead byte without its trail byte
    const auto trail = static_cast<unsigned char>(text[i + 1]);
    if (lead == 0xA1 && trail == 0xA1) {
      out += ' ';
    } else if (lead == 0xA3 && trail >= 0xA1 && trail <= 0xFE) {
      out += static_cast<char>(trail - 0x80);
    } else {
      out += text[i];
      out += text[i + 1];
    }
    ++i;
  }
  return out;
}

DateValue ParseDateText(std::string_view text) {
  const std::string normalized = NormalizeWidth(text);
  if (normalized.empty()) return EarliestDate;
  DateTextReader reader(normalized);
  DateFields f{};
  f.year = reader.ReadNumber(4);
  reader.SkipSeparator(kYearMark, false);
  f.month = reader.ReadNumber(2);
  reader.SkipSeparator(kMonthMark, false);
  f.day = reader.ReadNumber(2);
  reader.SkipSeparator(kDayMark, true);
  f.hour = reader.ReadNumber(2);
  reader.SkipSeparator(kHourMark, false);
  f.minute = reader.ReadNumber(2);
  reader.SkipSeparator(kMinuteMark, false);
  f.second = reader.ReadNumber(2);
  if (!reader.AtEnd() && !reader.At(kSecondMark)) return EarliestDate;
  if (f.year < 100 || f.year > 9999 || f.month < 1 || f.month > 12 || f.day < 1 ||
      f.day > DaysInMonth(f.year, f.month) || f.hour > 23 || f.minute > 59 ||
      f.second > 59) {
    return EarliestDate;
  }
  return BuildDate(f);
}

std::string FormatDateText(DateValue value) {
  const DateFields f = SplitDate(value);
  std::string out;
  out.reserve(40);
  AppendDecimal(out, f.year);
  out += kYearMark;
  AppendDecimal(out, f.month);
  out += kMonthMark;
  AppendDecimal(out, f.day);
  out += kDayMark;
  if (f.second != 0 || f.minute != 0 || f.hour != 0) {
    AppendDecimal(out, f.hour);
    out += kHourMark;
    if (f.second != 0 || f.minute != 0) {
      AppendDecimal(out, f.minute);
      out += kMinuteMark;
      if (f.second != 0) {
        AppendDecimal(out, f.second);
        out += kSecondMark;
      }
    }
  }
  return out;
}

DateValue StripTimeOfDay(DateValue value) {
  const DateFields f = SplitDate(value);
  return BuildDate({f.year, f.month, f.day, 0, 0, 0});
}

double DayDifference(DateValue first, DateValue second) {
  if (first == second || std::isnan(first) || std::isnan(second)) return 0.0;
  return LinearDays(ClampDate(first)) - LinearDays(ClampDate(second));
}

}  // namespace vendaro
