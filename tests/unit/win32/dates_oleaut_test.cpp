// The date facility against references that nobody here wrote: Windows's own OLE
// Automation date conversions (oleaut32), its local clock, msvcrt.dll's printf and
// MinGW's C99 printf, as Wine implements them.
//
// Where a reference rounds differently from our rules, ours hold.
// Those cases are listed below with the reason, and the random comparisons accept a
// difference only when it is of one of the listed kinds.
#include <windows.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <bit>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "dates/date_value.h"

namespace vendaro {
namespace {

constexpr double kSecond = 1.0 / 86400.0;
constexpr double kInf = std::numeric_limits<double>::infinity();

std::string Describe(const DateFields& f) {
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", f.year, f.month, f.day,
                f.hour, f.minute, f.second);
  return text;
}

std::string Exact(double v) {
  char text[48];
  std::snprintf(text, sizeof text, "%.17g", v);
  return text;
}

SYSTEMTIME ToSystemTime(const DateFields& f) {
  SYSTEMTIME st{};
  st.wYear = static_cast<WORD>(f.year);
  st.wMonth = static_cast<WORD>(f.month);
  st.wDay = static_cast<WORD>(f.day);
  st.wHour = static_cast<WORD>(f.hour);
  st.wMinute = static_cast<WORD>(f.minute);
  st.wSecond = static_cast<WORD>(f.second);
  return st;
}

DateFields FromSystemTime(const SYSTEMTIME& st) {
  return {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond};
}

// Windows's DateFields -> DateValue.
double OleBuild(const DateFields& f) {
  SYSTEMTIME st = ToSystemTime(f);
  double value = 0;
  EXPECT_TRUE(SystemTimeToVariantTime(&st, &value)) << Describe(f);
  return value;
}

// Windows's DateValue -> DateFields; false when it refuses the value.
bool OleSplit(double value, DateFields& fields) {
  SYSTEMTIME st{};
  if (!VariantTimeToSystemTime(value, &st)) return false;
  fields = FromSystemTime(st);
  return true;
}

bool IsLeapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

DateFields RandomFields(std::mt19937_64& random) {
  std::uniform_int_distribution<int> year(100, 9999), month(1, 12), second_of_day(0, 86399);
  DateFields f{};
  f.year = year(random);
  f.month = month(random);
  const int lengths[] = {31, IsLeapYear(f.year) ? 29 : 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  f.day = std::uniform_int_distribution<int>(1, lengths[f.month - 1])(random);
  if (f.year == 100 && f.month == 1 && f.day == 1) return f;  // only its midnight is in range
  if (f.year == 9999 && f.month == 12 && f.day == 31) return f;
  const int s = second_of_day(random);
  f.hour = s / 3600;
  f.minute = s / 60 % 60;
  f.second = s % 60;
  return f;
}

// The time of day of a value of the range, in seconds, exactly: the fraction of a
// double has at most 53 significant bits and 86400 = 675 × 2^7, so the product fits
// the 64-bit significand of x87's long double, which MinGW's long double is.
long double ExactSecondsOfDay(double value) {
  static_assert(std::numeric_limits<long double>::digits >= 64);
  const double whole = std::trunc(value);
  return static_cast<long double>(std::fabs(value - whole)) * 86400.0L;
}

// ---------------------------------------------------------------------------
// BuildDate against SystemTimeToVariantTime.
//
// We compute N ± (h × 3600 + m × 60 + s) × (1/86400): one product, one sum.
// Wine's VarDateFromUdate adds h/24, m/1440 and s/86400 one after another, rounding
// after each, so the two may land on neighbouring doubles (an ulp or two apart)
// for the same fields. Both denote the same second; ours holds.

struct BuildCase {
  DateFields fields;
  double part;     // what our formula gives
  double windows;  // what SystemTimeToVariantTime gives under Wine
};

// Found by the random comparison below and kept as a record of the kind.
const BuildCase kBuildDifferences[] = {
    {{2020, 8, 8, 9, 5, 7}, 44051.378553240742, 44051.378553240735},
    {{6818, 11, 22, 22, 46, 54}, 1796590.949236111, 1796590.9492361112},
    {{4125, 10, 29, 23, 59, 40}, 812968.99976851849, 812968.99976851861},
    {{6617, 9, 15, 12, 41, 24}, 1723108.5287500001, 1723108.5287499998},
    {{1818, 8, 12, 14, 11, 33}, -29725.591354166667, -29725.591354166663},
};

TEST(DatesAgainstOleAut32, BuildDateListedDifferences) {
  for (const auto& c : kBuildDifferences) {
    EXPECT_EQ(Exact(BuildDate(c.fields)), Exact(c.part)) << Describe(c.fields);
    EXPECT_EQ(Exact(OleBuild(c.fields)), Exact(c.windows)) << Describe(c.fields);
  }
}

TEST(DatesAgainstOleAut32, BuildDateMatchesSystemTimeToVariantTime) {
  std::mt19937_64 random(1899);
  int same = 0, neighbours = 0, failures = 0;
  std::string examples;
  for (int i = 0; i < 400000; ++i) {
    const DateFields f = RandomFields(random);
    const double ours = BuildDate(f);
    const double windows = OleBuild(f);
    if (ours == windows) {
      ++same;
      continue;
    }
    // Only the order of rounding differs: the same second either way, a few ulps apart.
    DateFields back{};
    const bool same_second = OleSplit(ours, back) && back == f && SplitDate(windows) == f;
    const double ulps = std::fabs(ours - windows) /
                        (std::nextafter(std::fabs(ours), kInf) - std::fabs(ours));
    if (same_second && ulps <= 4) {
      if (++neighbours <= 3) examples += Describe(f) + ": " + Exact(ours) + " vs " + Exact(windows) + "\n";
    } else if (++failures <= 10) {
      ADD_FAILURE() << Describe(f) << ": ours " << Exact(ours) << ", Windows " << Exact(windows);
    }
  }
  EXPECT_EQ(failures, 0);
  EXPECT_GT(same, neighbours);  // most fields give the very same double
  std::printf("BuildDate vs SystemTimeToVariantTime: %d identical, %d an ulp or so apart "
              "(rounding order), e.g.\n%s",
              same, neighbours, examples.c_str());
}

// ---------------------------------------------------------------------------
// SplitDate against VariantTimeToSystemTime.
//
// Wine's VarUdateFromDate adds 1e-11 of a day (0.86 us) to the time before it cuts
// it into hours, minutes and seconds, then rounds up a remainder above half a
// second. So a time that lies less than 0.86 us below a half second rounds up there
// and down here, where we round the exact time to the nearest second.
// And Windows accepts the times of 9999-12-31 and 100-01-01 beyond the range's
// bounds, which we clamp to the bounds first.

struct SplitCase {
  double value;
  DateFields part;
  DateFields windows;
  const char* why;
};

const SplitCase kSplitDifferences[] = {
    {44051 + (43200.5 - 5e-7) * kSecond, {2020, 8, 8, 12, 0, 0}, {2020, 8, 8, 12, 0, 1},
     "0.5 us below 12:00:00.5: Wine's 1e-11-day nudge rounds it up"},
    {-1 - (337.5 - 3e-7) * kSecond, {1899, 12, 29, 0, 5, 37}, {1899, 12, 29, 0, 5, 38},
     "0.3 us below 00:05:37.5 on a negative value: the same nudge"},
    {44052 - (0.5 + 4e-7) * kSecond, {2020, 8, 8, 23, 59, 59}, {2020, 8, 9, 0, 0, 0},
     "0.4 us below 23:59:59.5: Wine rounds into the next day"},
    {2958465.5, {9999, 12, 31, 0, 0, 0}, {9999, 12, 31, 12, 0, 0},
     "beyond LatestDate: we clamp first"},
    {-657434.5, {100, 1, 1, 0, 0, 0}, {100, 1, 1, 12, 0, 0},
     "before EarliestDate: we clamp first"},
};

TEST(DatesAgainstOleAut32, SplitDateListedDifferences) {
  for (const auto& c : kSplitDifferences) {
    DateFields windows{};
    ASSERT_TRUE(OleSplit(c.value, windows)) << c.why;
    EXPECT_EQ(Describe(SplitDate(c.value)), Describe(c.part)) << c.why;
    EXPECT_EQ(Describe(windows), Describe(c.windows)) << c.why;
  }
}

TEST(DatesAgainstOleAut32, SplitDateAgreesOnHalvesAndMidnights) {
  // Exact halves of a second (1/256 of a day is 00:05:37.5) round up in both.
  const double tie = 1.0 / 256;
  const double values[] = {tie, -1 - tie, 44051 + tie, 44052 - 0.4 * kSecond,
                           std::nextafter(-2.0, 0.0), std::nextafter(1.0, 0.0), -0.25, 0.25,
                           -1.25, EarliestDate, LatestDate, 0.0, -0.0,
                           std::numeric_limits<double>::denorm_min()};
  for (double v : values) {
    DateFields windows{};
    ASSERT_TRUE(OleSplit(v, windows)) << Exact(v);
    EXPECT_EQ(Describe(SplitDate(v)), Describe(windows)) << Exact(v);
  }
}

TEST(DatesAgainstOleAut32, SplitDateMatchesVariantTimeToSystemTime) {
  std::mt19937_64 random(2958465);
  std::uniform_real_distribution<double> in_range(EarliestDate, LatestDate);
  std::uniform_real_distribution<double> jitter(-2e-6, 2e-6);
  int same = 0, nudged = 0, failures = 0;
  auto compare = [&](double v) {
    DateFields windows{};
    const DateFields ours = SplitDate(v);
    if (!OleSplit(v, windows)) {
      if (++failures <= 10) ADD_FAILURE() << "Windows refused " << Exact(v);
      return;
    }
    if (ours == windows) {
      ++same;
      return;
    }
    // The listed kind: the exact time lies just below a half second, where the
    // rules round down and Wine's nudge rounds up.
    const long double s = ExactSecondsOfDay(v);
    const long double below_half = std::floor(s) + 0.5L - s;
    const double windows_later_by =
        LinearDays(BuildDate(windows)) - LinearDays(BuildDate(ours));
    if (below_half > 0 && below_half < 1e-6L && std::fabs(windows_later_by - kSecond) < 1e-9) {
      ++nudged;
    } else if (++failures <= 10) {
      ADD_FAILURE() << Exact(v) << ": ours " << Describe(ours) << ", Windows "
                    << Describe(windows);
    }
  };
  for (int i = 0; i < 400000; ++i) {
    const double v = in_range(random);
    compare(v);
    // Beside the half second of the same time, where the two roundings meet.
    const double whole = std::trunc(v);
    const double half = (std::floor(std::fabs(v - whole) * 86400) + 0.5 + jitter(random)) * kSecond;
    const double w = whole >= 0 ? whole + half : whole - half;
    if (w >= EarliestDate && w <= LatestDate) compare(w);
  }
  // Every day of a few stretches, at a random second, including the negative side.
  std::uniform_int_distribution<int> second_of_day(0, 86399);
  for (const int start : {-657433, -100000, -800, 0, 44000, 2958000}) {
    for (int day = start; day < start + 400 && day < 2958465; ++day) {
      const double t = second_of_day(random) * kSecond;
      compare(day >= 0 ? day + t : day - t);
    }
  }
  EXPECT_EQ(failures, 0);
  EXPECT_GT(nudged, 0);  // the nudge is real: the test does meet it
  std::printf("SplitDate vs VariantTimeToSystemTime: %d identical, %d just below a half second "
              "(Wine's 1e-11-day nudge)\n",
              same, nudged);
}

// ---------------------------------------------------------------------------
// ReadLocalClock against GetLocalTime.

TEST(DatesAgainstOleAut32, ReadLocalClockIsWindowsLocalTime) {
  const auto local_now = [] {
    SYSTEMTIME st{};
    GetLocalTime(&st);
    return BuildDate(FromSystemTime(st));
  };
  const double before = local_now();
  const double now = ReadLocalClock();
  const double after = local_now();
  EXPECT_LE(before, now);
  EXPECT_LE(now, after);
  EXPECT_EQ(Exact(BuildDate(SplitDate(now))), Exact(now));
}

// ---------------------------------------------------------------------------
// FormatNumberText against msvcrt.dll's _snprintf and MinGW's C99 printf.
//
// MinGW's <stdio.h> routes snprintf to its own C99 printf, so msvcrt.dll's own is
// reached by name. Where they and our rules part ways, ours hold:
// - msvcrt rounds a value that lies exactly halfway between two 13-digit texts away
//   from zero; our text rounds it to the even digit, as glibc and MinGW's C99
//   printf do (IEEE 754's default), so the text is the same on every platform;
// - -0.0 is "0" here, "-0" in printf;
// - NaN and the infinities: msvcrt writes "-1.#IND", "1.#INF"; our text is
//   "nan", "inf", "-inf" everywhere;
// - under a C locale with a decimal comma printf writes "7,5"; our point is ".".

using SnprintfFunction = int(__cdecl*)(char*, std::size_t, const char*, ...);

SnprintfFunction MsvcrtSnprintf() {
  static const SnprintfFunction function = [] {
    const HMODULE msvcrt = LoadLibraryW(L"msvcrt.dll");
    const FARPROC proc = msvcrt ? GetProcAddress(msvcrt, "_snprintf") : nullptr;
    return reinterpret_cast<SnprintfFunction>(reinterpret_cast<void (*)()>(proc));
  }();
  return function;
}

std::string WithThreeDigitExponent(std::string text) {
  const std::size_t e = text.find('e');
  if (e != std::string::npos && text.size() - (e + 2) < 3) {
    text.insert(e + 2, 3 - (text.size() - (e + 2)), '0');
  }
  return text;
}

std::string MsvcrtNumberText(double v) {
  char text[64];
  MsvcrtSnprintf()(text, sizeof text, "%.13g", v);
  return WithThreeDigitExponent(text);
}

std::string MingwNumberText(double v) {
  char text[64];
  __mingw_snprintf(text, sizeof text, "%.13g", v);
  return WithThreeDigitExponent(text);
}

// Whether v lies exactly halfway between two 13-digit texts: its exact expansion
// (MinGW's printf writes it in full) has 14 significant digits, the last a 5.
bool IsHalfway(double v) {
  char text[128];
  __mingw_snprintf(text, sizeof text, "%.80e", std::fabs(v));
  if (text[14] != '5') return false;  // "d." then 12 digits, then the 14th
  for (const char* p = text + 15; *p != 'e'; ++p) {
    if (*p != '0') return false;
  }
  return true;
}

struct NumberCase {
  double value;
  const char* part;
  const char* msvcrt;
};

const NumberCase kNumberDifferences[] = {
    {1234567890122.5, "1234567890122", "1234567890123"},  // halfway: even vs away from zero
    {-1234567890122.5, "-1234567890122", "-1234567890123"},
    {12345678901225.0, "1.234567890122e+013", "1.234567890123e+013"},
    {3615899.0078125, "3615899.007812", "3615899.007813"},
    {123456789012.25, "123456789012.2", "123456789012.3"},
    {-0.0, "0", "-0"},
    {kInf, "inf", "1.#INF"},
    {-kInf, "-inf", "-1.#INF"},
};

TEST(FormatNumberTextAgainstMsvcrt, ListedDifferences) {
  ASSERT_NE(MsvcrtSnprintf(), nullptr);
  for (const auto& c : kNumberDifferences) {
    EXPECT_EQ(FormatNumberText(c.value), c.part) << Exact(c.value);
    EXPECT_EQ(MsvcrtNumberText(c.value), c.msvcrt) << Exact(c.value);
  }
  EXPECT_EQ(FormatNumberText(std::numeric_limits<double>::quiet_NaN()), "nan");
}

std::vector<double> RandomDoubles(std::size_t count) {
  std::mt19937_64 random(7);
  std::uniform_int_distribution<long long> integer(-999999999999999, 999999999999999);
  std::uniform_int_distribution<int> power(0, 60), decimal(-320, 300);
  std::vector<double> values;
  while (values.size() < count) {
    double v = 0;
    switch (values.size() % 4) {
      case 0:
        v = std::bit_cast<double>(random());  // every binary exponent equally often
        break;
      case 1:
        v = std::ldexp(static_cast<double>(integer(random)), -power(random));
        break;
      case 2:
        v = static_cast<double>(random() % 1000000000000000) * std::pow(10.0, decimal(random));
        break;
      case 3:
        v = DayDifference(EarliestDate + static_cast<double>(random() % 3615900) +
                              static_cast<double>(random() % 86400) * kSecond,
                          EarliestDate + static_cast<double>(random() % 3615900));
        break;
    }
    if (std::isfinite(v) && v != 0) values.push_back(v);
  }
  return values;
}

TEST(FormatNumberTextAgainstMsvcrt, MatchesBothPrintfsOverRandomDoubles) {
  ASSERT_NE(MsvcrtSnprintf(), nullptr);
  int compared = 0, halfway = 0, failures = 0;
  std::vector<double> values = RandomDoubles(300000);
  // Halfway cases on purpose: 13-digit k + 0.5, 14-digit integers ending in 5.
  std::mt19937_64 random(11);
  for (int i = 0; i < 2000; ++i) {
    const auto k = static_cast<double>(1000000000000 + random() % 9000000000000);
    values.push_back(k + 0.5);
    values.push_back(-(k * 10 + 5));
  }
  for (double v : values) {
    ++compared;
    const std::string ours = FormatNumberText(v);
    const std::string mingw = MingwNumberText(v);
    const std::string msvcrt = MsvcrtNumberText(v);
    if (ours != mingw && ++failures <= 10) {
      ADD_FAILURE() << Exact(v) << ": ours " << ours << ", MinGW " << mingw;
    }
    if (ours != msvcrt) {
      if (IsHalfway(v)) {
        ++halfway;
      } else if (++failures <= 10) {
        ADD_FAILURE() << Exact(v) << ": ours " << ours << ", msvcrt " << msvcrt;
      }
    }
  }
  EXPECT_EQ(failures, 0);
  EXPECT_GT(halfway, 1000);  // about half the constructed ones, and some random
  std::printf("FormatNumberText vs msvcrt and MinGW printf: %d values, %d halfway cases that "
              "msvcrt rounds away from zero\n",
              compared, halfway);
}

TEST(FormatNumberTextAgainstMsvcrt, KeepsItsPointUnderADecimalCommaLocale) {
  const char* const saved = std::setlocale(LC_ALL, nullptr);
  const std::string restore = saved ? saved : "C";
  ASSERT_NE(std::setlocale(LC_ALL, "German"), nullptr);
  EXPECT_EQ(MsvcrtNumberText(7.5), "7,5");  // the locale does reach printf
  EXPECT_EQ(FormatNumberText(7.5), "7.5");
  EXPECT_EQ(FormatNumberText(-1.5e-7), "-1.5e-007");
  EXPECT_EQ(FormatNumberText(2.0 / 3), "0.6666666666667");
  std::setlocale(LC_ALL, restore.c_str());
}

}  // namespace
}  // namespace vendaro
