#include <gtest/gtest.h>

#include <bit>
#include <cinttypes>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "dates/date_value.h"

namespace vendaro {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kSubnormal = std::numeric_limits<double>::denorm_min();
constexpr double kSecond = 1.0 / 86400.0;

// Bitwise equality, so that -0.0 and 0.0 are told apart and NaN equals NaN.
::testing::AssertionResult SameBits(double actual, double expected) {
  if (std::bit_cast<std::uint64_t>(actual) == std::bit_cast<std::uint64_t>(expected)) {
    return ::testing::AssertionSuccess();
  }
  char text[96];
  std::snprintf(text, sizeof text, "%.17g, expected %.17g", actual, expected);
  return ::testing::AssertionFailure() << text;
}

std::string Hex(std::string_view bytes) {
  std::string out;
  char byte[4];
  for (unsigned char c : bytes) {
    std::snprintf(byte, sizeof byte, "%02X ", c);
    out += byte;
  }
  return out;
}

DateFields Fields(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
  return {y, mo, d, h, mi, s};
}

std::string Describe(const DateFields& f) {
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", f.year, f.month, f.day,
                f.hour, f.minute, f.second);
  return text;
}

// ---------------------------------------------------------------------------
// The data model and the helpers.

TEST(DateValue, RangeBoundsAreTheFirstAndLastDayOfTheCalendar) {
  EXPECT_EQ(EarliestDate, -657434.0);
  EXPECT_EQ(LatestDate, 2958465.0);
  EXPECT_EQ(sizeof(DateValue), 8u);
  EXPECT_TRUE(SameBits(BuildDate(Fields(100, 1, 1)), EarliestDate));
  EXPECT_TRUE(SameBits(BuildDate(Fields(9999, 12, 31)), LatestDate));
  EXPECT_EQ(SplitDate(EarliestDate), Fields(100, 1, 1));
  EXPECT_EQ(SplitDate(LatestDate), Fields(9999, 12, 31));
}

TEST(ClampDate, KeepsTheRangeAndSendsNonNumbersToTheLatestDate) {
  const struct {
    double in, out;
  } cases[] = {
      {0.0, 0.0},
      {-0.0, -0.0},
      {44051.75, 44051.75},
      {EarliestDate, EarliestDate},
      {LatestDate, LatestDate},
      {std::nextafter(LatestDate, kInf), LatestDate},
      {2958465.5, LatestDate},
      {std::nextafter(EarliestDate, -kInf), EarliestDate},
      {-657434.5, EarliestDate},
      {kNaN, LatestDate},
      {-kNaN, LatestDate},
      {kInf, LatestDate},
      {-kInf, EarliestDate},
      {1e308, LatestDate},
      {-1e308, EarliestDate},
      {kSubnormal, kSubnormal},
      {-kSubnormal, -kSubnormal},
  };
  for (const auto& c : cases) {
    EXPECT_TRUE(SameBits(ClampDate(c.in), c.out)) << "in " << c.in;
  }
}

TEST(BuildDate, FollowsTheOleAutomationConvention) {
  const struct {
    DateFields fields;
    double value;
  } cases[] = {
      {Fields(1899, 12, 30), 0.0},
      {Fields(1899, 12, 31), 1.0},
      {Fields(1899, 12, 29), -1.0},
      {Fields(2020, 8, 8), 44051.0},
      {Fields(2020, 8, 1), 44044.0},
      {Fields(1899, 12, 30, 6), 0.25},
      {Fields(1899, 12, 29, 6), -1.25},   // negative: the time counts forward, sign kept
      {Fields(1899, 12, 28, 18), -2.75},
      {Fields(2020, 8, 8, 18), 44051.75},
      {Fields(2020, 8, 8, 12, 30), 44051.0 + 45000 * kSecond},
      {Fields(1900, 1, 1), 2.0},
      {Fields(1900, 3, 1), 61.0},  // 1900 is not a leap year
      {Fields(2000, 2, 29), 36585.0},
      {Fields(1600, 3, 1), -109511.0},
      {Fields(100, 1, 2, 12), -657433.5},
  };
  for (const auto& c : cases) {
    EXPECT_TRUE(SameBits(BuildDate(c.fields), c.value)) << Describe(c.fields);
  }
  // T is the seconds multiplied by 1/86400, once, then added to N (or taken from it).
  EXPECT_TRUE(SameBits(BuildDate(Fields(2020, 8, 8, 9, 5, 7)), 44051.0 + 32707 * (1.0 / 86400)));
  EXPECT_TRUE(SameBits(BuildDate(Fields(1000, 3, 4, 23, 59, 59)),
                       -328654.0 - 86399 * (1.0 / 86400)));
}

TEST(BuildDate, StaysDefinedForFieldsOutsideTheirRanges) {
  // Not called so by any caller; the fields carry over arithmetically, without UB.
  EXPECT_TRUE(SameBits(BuildDate(Fields(2020, 13, 1)), BuildDate(Fields(2021, 1, 1))));
  EXPECT_TRUE(SameBits(BuildDate(Fields(2020, 3, 0)), BuildDate(Fields(2020, 2, 29))));
  EXPECT_TRUE(SameBits(BuildDate(Fields(2020, 0, 1)), BuildDate(Fields(2019, 12, 1))));
  const int extremes[] = {std::numeric_limits<int>::min(), -1, 0,
                          std::numeric_limits<int>::max()};
  for (int a : extremes) {
    for (int b : extremes) {
      EXPECT_TRUE(std::isfinite(BuildDate({a, b, a, b, a, b})));
      EXPECT_TRUE(std::isfinite(BuildDate({b, a, b, a, b, a})));
    }
  }
}

TEST(SplitDate, ReadsDaysAndTimesAndRoundsToTheSecond) {
  const double tie = 1.0 / 256;  // exactly 00:05:37.5
  const struct {
    double value;
    DateFields fields;
  } cases[] = {
      {44051.0, Fields(2020, 8, 8)},
      {44051.75, Fields(2020, 8, 8, 18)},
      {-1.25, Fields(1899, 12, 29, 6)},
      {-0.25, Fields(1899, 12, 30, 6)},
      {0.25, Fields(1899, 12, 30, 6)},
      {-0.0, Fields(1899, 12, 30)},
      {-1.0, Fields(1899, 12, 29)},
      {-657433.5, Fields(100, 1, 2, 12)},
      {2958464.5, Fields(9999, 12, 30, 12)},
      // Halves of a second round up; just below a half rounds down.
      {tie, Fields(1899, 12, 30, 0, 5, 38)},
      {std::nextafter(tie, 0.0), Fields(1899, 12, 30, 0, 5, 37)},
      {-1 - tie, Fields(1899, 12, 29, 0, 5, 38)},
      {std::nextafter(-1 - tie, 0.0), Fields(1899, 12, 29, 0, 5, 37)},
      {44051 + 0.4 * kSecond, Fields(2020, 8, 8)},
      {44051 + 0.6 * kSecond, Fields(2020, 8, 8, 0, 0, 1)},
      // 24:00:00 becomes 00:00:00 of the next calendar day, for negative values too.
      {44052 - 0.4 * kSecond, Fields(2020, 8, 9)},
      {std::nextafter(44052.0, 0.0), Fields(2020, 8, 9)},
      {44052 - 0.6 * kSecond, Fields(2020, 8, 8, 23, 59, 59)},
      {std::nextafter(-2.0, 0.0), Fields(1899, 12, 30)},
      {-2 + 0.4 * kSecond, Fields(1899, 12, 30)},
      {std::nextafter(1.0, 0.0), Fields(1899, 12, 31)},
      {std::nextafter(-1.0, 0.0), Fields(1899, 12, 31)},  // -0.999…: 1899-12-30 at 24:00
      {std::nextafter(-657433.0, 0.0), Fields(100, 1, 4)},
      {2958465 - 0.1 * kSecond, Fields(9999, 12, 31)},
      {60.99999, Fields(1900, 2, 28, 23, 59, 59)},
      {61.0, Fields(1900, 3, 1)},
      // Clamped first.
      {3000000.0, Fields(9999, 12, 31)},
      {2958465.5, Fields(9999, 12, 31)},
      {kNaN, Fields(9999, 12, 31)},
      {kInf, Fields(9999, 12, 31)},
      {-kInf, Fields(100, 1, 1)},
      {1e308, Fields(9999, 12, 31)},
      {-1e308, Fields(100, 1, 1)},
      {-657434.25, Fields(100, 1, 1)},
      {kSubnormal, Fields(1899, 12, 30)},
      {-kSubnormal, Fields(1899, 12, 30)},
      {std::numeric_limits<double>::min(), Fields(1899, 12, 30)},
  };
  for (const auto& c : cases) {
    char value[32];
    std::snprintf(value, sizeof value, "%.17g", c.value);
    EXPECT_EQ(Describe(SplitDate(c.value)), Describe(c.fields)) << "value " << value;
  }
}

// An independent calendar: walk every day of the range by the calendar's month lengths,
// starting at day -657434 = 100-01-01, and check both directions on each day with a
// random time of day.
TEST(SplitDate, AgreesWithACalendarWalkOnEveryDayOfTheRange) {
  std::mt19937_64 random(20200808);
  std::uniform_int_distribution<int> second_of_day(0, 86399);
  DateFields walk = Fields(100, 1, 1);
  int failures = 0;
  for (std::int64_t day = -657434; day <= 2958465 && failures < 10; ++day) {
    // The first and the last day of the range hold only their midnight.
    const int s = day == -657434 || day == 2958465 ? 0 : second_of_day(random);
    walk.hour = s / 3600;
    walk.minute = s / 60 % 60;
    walk.second = s % 60;
    const double value = BuildDate(walk);
    const double expected =
        day >= 0 ? static_cast<double>(day) + s * (1.0 / 86400)
                 : static_cast<double>(day) - s * (1.0 / 86400);
    if (!SameBits(value, expected) || !(SplitDate(value) == walk) ||
        !SameBits(StripTimeOfDay(value), static_cast<double>(day))) {
      ADD_FAILURE() << Describe(walk) << " day " << day;
      ++failures;
    }
    const bool leap = (walk.year % 4 == 0 && walk.year % 100 != 0) || walk.year % 400 == 0;
    const int lengths[] = {31, leap ? 29 : 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (++walk.day > lengths[walk.month - 1]) {
      walk.day = 1;
      if (++walk.month > 12) {
        walk.month = 1;
        ++walk.year;
      }
    }
  }
  EXPECT_EQ(walk.year, 10000);
}

TEST(LinearDays, CountsContinuouslyAcrossDayZero) {
  const struct {
    double in, out;
  } cases[] = {
      {0.0, 0.0},     {44051.75, 44051.75}, {-1.25, -0.75}, {-0.25, 0.25},
      {-1.0, -1.0},   {-2.75, -1.25},       {-657434.0, -657434.0},
      {-657433.5, -657432.5},
  };
  for (const auto& c : cases) {
    EXPECT_TRUE(SameBits(LinearDays(c.in), c.out)) << "in " << c.in;
  }
  EXPECT_TRUE(std::isnan(LinearDays(kNaN)));
}

// ---------------------------------------------------------------------------
// Date text.

TEST(NormalizeWidth, TurnsFullWidthFormsIntoAscii) {
  const struct {
    std::string_view in, out;
  } cases[] = {
      {"", ""},
      {"2020-8-8", "2020-8-8"},
      {"２０２０年８月８日", "2020年8月8日"},
      {"－．／：", "-./:"},
      {"\xA1\xA1", " "},              // ideographic space
      {"\xA3\xA1", "!"},              // the first full-width form
      {"\xA3\xFE", "~"},              // the last one
      {"\xA3\xA0", "\xA3\xA0"},       // just outside: copied unchanged
      {"\xA3\xFF", "\xA3\xFF"},
      {"\xA1\xA2", "\xA1\xA2"},       // 、 stays
      {"年月日时分秒", "年月日时分秒"},
      {"ab\xC4", "ab"},               // a lead byte at the end is dropped
      {"\xA3", ""},
      {"\xC4\xEA\xA3", "\xC4\xEA"},
      {"\x81" "5", "\x81" "5"},        // a pair whatever its second byte
      {std::string_view("\x81\0x", 3), std::string_view("\x81\0x", 3)},
      {std::string_view("1\0002", 3), std::string_view("1\0002", 3)},
      {"\xA3\xA3\xB2", "#"},          // pairs are taken from the start
      {"\xFF\xA3\xB2", "\xFF\xA3"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Hex(NormalizeWidth(c.in)), Hex(c.out)) << "in " << Hex(c.in);
  }
}

TEST(NormalizeWidth, MapsEveryFullWidthFormAndNothingElse) {
  for (int lead = 0x80; lead <= 0xFF; ++lead) {
    for (int trail = 0; trail <= 0xFF; ++trail) {
      const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
      const std::string out = NormalizeWidth(std::string_view(pair, 2));
      std::string expected(pair, 2);
      if (lead == 0xA1 && trail == 0xA1) expected = " ";
      if (lead == 0xA3 && trail >= 0xA1 && trail <= 0xFE) {
        expected = std::string(1, static_cast<char>(trail - 0x80));
      }
      ASSERT_EQ(Hex(out), Hex(expected));
    }
  }
}

TEST(ParseDateText, ReadsTheDateForms) {
  const double t_0905 = 44051 + (9 * 3600 + 5 * 60) * kSecond;
  const struct {
    std::string_view text;
    double value;
  } cases[] = {
      {"2020年8月8日", 44051.0},
      {"2020-8-8", 44051.0},
      {"2020/08/08", 44051.0},
      {"2020.8.8", 44051.0},
      {"2020:8:8", 44051.0},
      {"2020年8-8", 44051.0},
      {"20200808", 44051.0},
      {"２０２０年８月８日", 44051.0},
      {"２０２０－８－８　９：０５", t_0905},  // full-width forms, ideographic space
      {"2020-8-8 9:05", t_0905},
      {"202008080905", t_0905},
      {"2020年8月8日9时5分", t_0905},
      {"2020-8-8 9:05秒", t_0905},  // the second left out, "秒" still ends the date
      {"2020年8月8日0时0分5秒", BuildDate(Fields(2020, 8, 8, 0, 0, 5))},
      {"2020-8-8 12:30:15秒", BuildDate(Fields(2020, 8, 8, 12, 30, 15))},
      {"2020-8-8 12:30:15秒 and whatever follows", BuildDate(Fields(2020, 8, 8, 12, 30, 15))},
      {"2020-8-8 12:30:15秒\xFF", BuildDate(Fields(2020, 8, 8, 12, 30, 15))},
      {"2020年8月8日12时", 44051.5},
      {"2020年8月8日12时30分", BuildDate(Fields(2020, 8, 8, 12, 30))},
      {"2020-08-08 23:59:59", BuildDate(Fields(2020, 8, 8, 23, 59, 59))},
      {"2020-8-8 1", 44051 + 3600 * kSecond},
      {"2020-8-8 1.2.3", BuildDate(Fields(2020, 8, 8, 1, 2, 3))},
      {"2020-8-8 ", 44051.0},  // a separator may end the text
      {"2020-8-8-", 44051.0},
      {"2020-8-8日", 44051.0},
      {"2020-2-29", BuildDate(Fields(2020, 2, 29))},
      {"2000-2-29", 36585.0},
      {"100年1月1日", EarliestDate},  // the same value as a failure
      {"0100-1-1", EarliestDate},
      {"9999年12月31日", LatestDate},
      {"1899年12月29日6时", -1.25},
      {"1899-12-30 6", 0.25},
      // A field written at its full width needs no separator, whatever follows.
      {"12345-1-1", BuildDate(Fields(1234, 5, 1, 1))},
      // The last byte, a lead byte without its trail, is dropped before reading.
      {"2020年8月8日12时30分15\xC3", BuildDate(Fields(2020, 8, 8, 12, 30, 15))},
      // Beyond the range at either end, as BuildDate gives the fields: the rules
      // clamps a value only where it is split, written or subtracted.
      {"9999年12月31日12时", 2958465.5},
      {"100年1月1日12时", -657434.5},
  };
  for (const auto& c : cases) {
    EXPECT_TRUE(SameBits(ParseDateText(c.text), c.value)) << "text " << Hex(c.text);
  }
}

TEST(ParseDateText, GivesTheEarliestDateForWhatIsNotADate) {
  const std::string_view cases[] = {
      "无此项", "", " 2020-8-8", "20-8-8", "2020-8", "2021-2-29", "1900-2-29", "2020-4-31",
      "2020-13-1", "2020-1-1 24:00", "2020-8-8T12:00", "2020年8月8日 12:30",
      "2020-8-8  12:00", "2020--8", "2020-0-1", "2020-1-0", "2020-1-32", "99-1-1",
      "0-1-1", "2020-8-8 12:60", "2020-8-8 12:30:60", "2020-8-8 12:30:15:",
      "2020-8-8 12:30:15 ", "20200808090512345", "2020-8-8 12:30:15分", "2020年8月8日12点",
      "-", "------", "年月日时分秒", "::::::::::", "２", "\xA3", "\xC3\xEB",
      std::string_view("\0", 1), std::string_view("2020-8-8\0", 9),
      std::string_view("2020\0-8-8", 9), "\x80\x80\x80", "\xFF", "2020-8-8\xA3\xA0",
  };
  for (const auto text : cases) {
    EXPECT_TRUE(SameBits(ParseDateText(text), EarliestDate)) << "text " << Hex(text);
  }
  EXPECT_TRUE(SameBits(ParseDateText(std::string(1 << 20, '7')), EarliestDate));
  EXPECT_TRUE(SameBits(ParseDateText("2020-8-8 " + std::string(1 << 20, '0')), EarliestDate));
  EXPECT_TRUE(SameBits(ParseDateText(std::string(1 << 20, '\xA3')), EarliestDate));
}

TEST(ParseDateText, ReadsNoByteBeyondTheText) {
  // The view stops short of bytes that would complete the text; each view lives in a
  // buffer of its own exact size, so the sanitizing build catches any read beyond it.
  const std::string_view whole = "2020年8月8日12时30分15秒";
  for (std::size_t n = 0; n <= whole.size(); ++n) {
    const std::vector<char> exact(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(n));
    const double value = ParseDateText(std::string_view(exact.data(), exact.size()));
    EXPECT_TRUE(std::isfinite(value)) << n;
  }
}

TEST(FormatDateText, WritesTheDateAndTheTimeDownToItsLastNonZeroPart) {
  const struct {
    double value;
    std::string_view text;
  } cases[] = {
      {44051.0, "2020年8月8日"},
      {44051.5, "2020年8月8日12时"},
      {44051 + (9 * 3600 + 5 * 60) * kSecond, "2020年8月8日9时5分"},
      {44051 + 5 * kSecond, "2020年8月8日0时0分5秒"},
      {44051 + 30 * 60 * kSecond, "2020年8月8日0时30分"},
      {44051 + (12 * 3600 + 5) * kSecond, "2020年8月8日12时0分5秒"},
      {EarliestDate, "100年1月1日"},
      {LatestDate, "9999年12月31日"},
      {3000000.0, "9999年12月31日"},
      {2958465.5, "9999年12月31日"},
      {-1.25, "1899年12月29日6时"},
      {-0.25, "1899年12月30日6时"},
      {0.0, "1899年12月30日"},
      {-0.0, "1899年12月30日"},
      {kNaN, "9999年12月31日"},
      {kInf, "9999年12月31日"},
      {-kInf, "100年1月1日"},
      {1e308, "9999年12月31日"},
      {-1e308, "100年1月1日"},
      {kSubnormal, "1899年12月30日"},
      {44052 - 0.4 * kSecond, "2020年8月9日"},
      {44052 - 0.6 * kSecond, "2020年8月8日23时59分59秒"},
      {-657433.5, "100年1月2日12时"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FormatDateText(c.value), c.text) << "value " << c.value;
  }
  // The Chinese characters are their GBK bytes.
  EXPECT_EQ(Hex(FormatDateText(44051.5)), Hex("2020\xC4\xEA" "8\xD4\xC2" "8\xC8\xD5" "12\xCA\xB1"));
}

TEST(StripTimeOfDay, MovesToTheStartOfTheDayTheValueShows) {
  const struct {
    double in, out;
  } cases[] = {
      {44051.75, 44051.0},
      {44052 - 0.4 * kSecond, 44052.0},  // rounds to 24:00:00: the next day
      {44052 - 0.6 * kSecond, 44051.0},
      {44051.0, 44051.0},
      {-1.25, -1.0},
      {-0.25, 0.0},
      {-0.0, 0.0},
      {std::nextafter(-2.0, 0.0), 0.0},
      {2958465.5, LatestDate},
      {kNaN, LatestDate},
      {-kInf, EarliestDate},
      {-657433.5, -657433.0},
  };
  for (const auto& c : cases) {
    EXPECT_TRUE(SameBits(StripTimeOfDay(c.in), c.out)) << "in " << c.in;
  }
}

TEST(DayDifference, SubtractsTheSecondFromTheFirstOnAContinuousScale) {
  const struct {
    double first, second, days;
  } cases[] = {
      {0.0, -1.25, 0.75},
      {-1.25, 0.0, -0.75},
      {44051.0, 44044.0, 7.0},
      {44051.5, 44044.0, 7.5},
      {44044.0, 44044.0, 0.0},
      {EarliestDate, 44044.0, -701478.0},
      {1e308, -1e308, 3615899.0},
      {kInf, -kInf, 3615899.0},
      {kInf, kInf, 0.0},          // equal before clamping
      {kInf, 3e6, 0.0},           // equal once clamped
      {kNaN, 44044.0, 0.0},
      {44044.0, kNaN, 0.0},
      {kNaN, kNaN, 0.0},
      {-0.0, 0.0, 0.0},
      {-0.25, 0.25, 0.0},        // the same time of day on 1899-12-30
      {-0.5, 0.25, 0.25},
      {kSubnormal, 0.0, kSubnormal},
  };
  for (const auto& c : cases) {
    EXPECT_TRUE(SameBits(DayDifference(c.first, c.second), c.days))
        << c.first << " - " << c.second;
  }
}

// The countdown line's chain: the stored due date, read back; today from the clock, stripped.
double ClockOnFirstOfAugust() { return 44044.0 + 13.75 * 3600 * kSecond; }

TEST(DayDifference, GivesTheCountdownLinesTheirDayCounts) {
  const Clock clock = &ClockOnFirstOfAugust;
  const double today = StripTimeOfDay(clock());
  EXPECT_TRUE(SameBits(today, 44044.0));
  const struct {
    std::string_view due;
    std::string_view shown;
  } cases[] = {
      {"2020年8月8日", "7"},     {"2020年7月30日", "-2"},    {"2020年8月1日", "0"},
      {"无此项", "-701478"},    {"2020年8月8日12时", "7.5"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FormatNumberText(DayDifference(ParseDateText(c.due), today)), c.shown) << c.due;
  }
}

// ---------------------------------------------------------------------------
// Number text.

TEST(FormatNumberText, WritesThirteenSignificantDigitsWithAThreeDigitExponent) {
  const struct {
    double value;
    std::string_view text;
  } cases[] = {
      {7.0, "7"},
      {-701478.0, "-701478"},
      {7.5, "7.5"},
      {2.0 / 3, "0.6666666666667"},
      {0.00001, "1e-005"},
      {1e13, "1e+013"},
      {1234567.0, "1234567"},
      {-0.5, "-0.5"},
      {0.0001, "0.0001"},
      {9999999999999.0, "9999999999999"},
      {0.0, "0"},
      {-0.0, "0"},
      {0.75, "0.75"},
      {3615899.0, "3615899"},
      {1.0 / 3, "0.3333333333333"},
      {-2.0 / 3, "-0.6666666666667"},
      {100.0, "100"},
      {123456789012.25, "123456789012.2"},   // halfway: to the even digit
      {123456789012.75, "123456789012.8"},
      {1234567890122.5, "1234567890122"},
      {1234567890123.5, "1234567890124"},
      {12345678901225.0, "1.234567890122e+013"},
      {-12345678901235.0, "-1.234567890124e+013"},
      {3615899.0078125, "3615899.007812"},
      {9999999999999.4, "9999999999999"},
      {9999999999999.5, "1e+013"},            // rounding carries into the exponent
      {0.000099999999999995, "0.0001"},
      {0.00009999999999999, "9.999999999999e-005"},
      {0.00012345678901234567, "0.0001234567890123"},
      {1.5e-7, "1.5e-007"},
      {-1.5e300, "-1.5e+300"},
      {1e100, "1e+100"},
      {std::numeric_limits<double>::max(), "1.797693134862e+308"},
      {std::numeric_limits<double>::lowest(), "-1.797693134862e+308"},
      {std::numeric_limits<double>::min(), "2.225073858507e-308"},
      {kSubnormal, "4.940656458412e-324"},
      {-kSubnormal, "-4.940656458412e-324"},
      {std::numeric_limits<double>::epsilon(), "2.22044604925e-016"},
      {kNaN, "nan"},
      {-kNaN, "nan"},
      {kInf, "inf"},
      {-kInf, "-inf"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FormatNumberText(c.value), c.text);
  }
}

// The platform's own "%.13g", with its exponent widened to three digits: glibc's
// natively, MinGW's C99 printf in the cross build.
std::string PlatformNumberText(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.13g", value);
  std::string out = text;
  const std::size_t e = out.find('e');
  if (e != std::string::npos) {
    std::size_t digits = e + 2;
    if (out.size() - digits < 3) out.insert(digits, 3 - (out.size() - digits), '0');
  }
  return out;
}

// Doubles of every magnitude: random bit patterns (every binary exponent equally
// likely), random decimal texts of every decimal exponent, short decimals, halves of
// day counts, and the neighbours of the places where the notation changes.
std::vector<double> RandomDoublesOfAllMagnitudes(std::size_t count, std::uint64_t seed) {
  std::mt19937_64 random(seed);
  std::vector<double> values;
  values.reserve(count + 200);
  const double edges[] = {1e13, 9999999999999.5, 1e-4, 0.000099999999999995, 1e-5, 1.0, 0.1,
                          1e15, 1e16, 1e17, 9007199254740992.0, 1e300, 1e-300, 2.2250738585072014e-308};
  for (double edge : edges) {
    double up = edge, down = edge;
    for (int i = 0; i < 6; ++i) {
      values.push_back(up);
      values.push_back(-down);
      up = std::nextafter(up, kInf);
      down = std::nextafter(down, 0.0);
    }
  }
  std::uniform_int_distribution<int> decimal_exponent(-330, 310);
  std::uniform_int_distribution<long long> integer(-999999999999999, 999999999999999);
  std::uniform_int_distribution<int> small_power(0, 60);
  char text[64];
  while (values.size() < count) {
    double v = 0.0;
    switch (values.size() % 4) {
      case 0:
        v = std::bit_cast<double>(random());
        break;
      case 1:
        std::snprintf(text, sizeof text, "%" PRIu64 "e%d", random() % 100000000000000000u,
                      decimal_exponent(random));
        v = std::strtod(text, nullptr) * (random() % 2 ? 1 : -1);
        break;
      case 2:
        v = std::ldexp(static_cast<double>(integer(random)), -small_power(random));
        break;
      case 3:
        v = DayDifference(EarliestDate + static_cast<double>(random() % 3615900) +
                              static_cast<double>(random() % 86400) * kSecond,
                          EarliestDate + static_cast<double>(random() % 3615900));
        break;
    }
    if (std::isfinite(v)) values.push_back(v);
  }
  return values;
}

TEST(FormatNumberText, MatchesThePlatformsPrintfOverRandomDoubles) {
  // Where the reference and our rules part ways, ours hold: -0.0 is "0" (printf
  // writes "-0"); NaN and the infinities have no fixed text (each C runtime
  // spells them its own way), so they are left to the table above.
  std::size_t compared = 0, mismatches = 0;
  for (double v : RandomDoublesOfAllMagnitudes(300000, 13)) {
    if (v == 0.0) continue;
    ++compared;
    const std::string ours = FormatNumberText(v);
    const std::string reference = PlatformNumberText(v);
    if (ours != reference && ++mismatches <= 10) {
      char exact[40];
      std::snprintf(exact, sizeof exact, "%.17g", v);
      ADD_FAILURE() << exact << ": ours " << ours << ", printf " << reference;
    }
  }
  EXPECT_EQ(mismatches, 0u) << "of " << compared;
  EXPECT_GT(compared, 299000u);
}

TEST(FormatNumberText, RoundsHalfwayCasesToEvenLikeThePlatformsPrintf) {
  // Doubles exactly halfway between two 13-digit texts: k + 0.5 with 13-digit k,
  // k + 0.25 with 12 digits, 14-digit integers ending in 5. glibc and MinGW's C99
  // printf round them to even, as IEEE 754 does; so does FormatNumberText.
  std::mt19937_64 random(5);
  int checked = 0;
  for (int i = 0; i < 3000; ++i) {
    const auto k = static_cast<double>(1000000000000 + random() % 9000000000000);
    const double halfway[] = {k + 0.5, std::floor(k / 10) + 0.25, k * 10 + 5, -(k + 0.5)};
    for (double v : halfway) {
      EXPECT_EQ(FormatNumberText(v), PlatformNumberText(v));
      ++checked;
    }
  }
  EXPECT_EQ(checked, 12000);
}

TEST(FormatNumberText, IgnoresTheCLocale) {
  const char* const saved = std::setlocale(LC_NUMERIC, nullptr);
  const std::string restore = saved ? saved : "C";
  const char* const comma_locales[] = {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "German",
                                       "de-DE", "ru_RU.UTF-8"};
  const char* chosen = nullptr;
  for (const char* name : comma_locales) {
    if (std::setlocale(LC_NUMERIC, name) != nullptr) {
      chosen = name;
      break;
    }
  }
  EXPECT_EQ(FormatNumberText(7.5), "7.5");
  EXPECT_EQ(FormatNumberText(-1.5e-7), "-1.5e-007");
  EXPECT_EQ(FormatNumberText(1234567.25), "1234567.25");
  std::setlocale(LC_NUMERIC, restore.c_str());
  if (chosen == nullptr) GTEST_SKIP() << "no locale with a decimal comma on this host";
}

// ---------------------------------------------------------------------------
// The round trip of date text.

// For every value of the range, the text written reads back as the value rounded to
// the second: every day of the range with a random time of day, random doubles of
// the range, and values a hair's breadth from half a second.
class DateTextRoundTrip : public ::testing::Test {
 protected:
  void Check(double v) {
    const double rounded = BuildDate(SplitDate(v));
    const std::string text = FormatDateText(v);
    if (!SameBits(ParseDateText(text), rounded) && ++failures_ <= 10) {
      char value[32];
      std::snprintf(value, sizeof value, "%.17g", v);
      ADD_FAILURE() << value << " written " << Hex(text);
    }
  }
  void TearDown() override { EXPECT_EQ(failures_, 0); }

  std::mt19937_64 random_{44051};

 private:
  int failures_ = 0;
};

TEST_F(DateTextRoundTrip, OnEveryDayOfTheRange) {
  std::uniform_int_distribution<int> second_of_day(0, 86399);
  for (std::int64_t day = -657434; day <= 2958465; ++day) {
    const double d = static_cast<double>(day);
    const double t = second_of_day(random_) * kSecond;
    Check(day >= 0 ? d + t : d - t);
  }
}

TEST_F(DateTextRoundTrip, OnRandomValuesAndBesideHalfSeconds) {
  std::uniform_real_distribution<double> in_range(EarliestDate, LatestDate);
  for (int i = 0; i < 250000; ++i) {
    const double v = in_range(random_);
    Check(v);
    const double whole = std::trunc(v);
    const double half = (std::floor(std::fabs(v - whole) * 86400) + 0.5) * kSecond;
    const double near_half = whole >= 0 ? whole + half : whole - half;
    Check(std::nextafter(near_half, 0.0));
    Check(near_half);
    Check(std::nextafter(near_half, kInf));
  }
}

// ---------------------------------------------------------------------------
// The local clock.

double SecondsOfDay(double value) {
  const double whole = std::trunc(value);
  return std::fabs(value - whole) * 86400;
}

DateValue FromLocalTime(std::time_t t) {
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &t);
#else
  localtime_r(&t, &local);
#endif
  return BuildDate({local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                    local.tm_min, local.tm_sec});
}

TEST(ReadLocalClock, GivesTheLocalWallClockInWholeSeconds) {
  const Clock clock = &ReadLocalClock;
  const std::time_t before = std::time(nullptr);
  const DateValue now = clock();
  const std::time_t after = std::time(nullptr);
  EXPECT_GE(now, FromLocalTime(before));
  EXPECT_LE(now, FromLocalTime(after));
  const double seconds = SecondsOfDay(now);
  EXPECT_NEAR(seconds, std::round(seconds), 1e-4);
  EXPECT_TRUE(SameBits(BuildDate(SplitDate(now)), now));
  EXPECT_GT(now, 44044.0);  // after this facility was written
  EXPECT_LT(now, LatestDate);
}

#ifndef _WIN32
// The time zone and daylight saving as the C runtime applies them (POSIX TZ rules,
// which need no zone database).
TEST(ReadLocalClock, AppliesTheTimeZone) {
  const char* const saved = std::getenv("TZ");
  const std::string restore = saved ? saved : "";
  const struct {
    const char* tz;
    double offset_hours;
  } zones[] = {{"UTC0", 0}, {"CST-8", 8}, {"XYZ+5:30", -5.5}};
  for (const auto& zone : zones) {
    setenv("TZ", zone.tz, 1);
    tzset();
    const std::time_t before = std::time(nullptr);
    const DateValue now = ReadLocalClock();
    const std::time_t after = std::time(nullptr);
    const auto unix_days = [&](std::time_t t) {
      return 25569.0 + (static_cast<double>(t) + zone.offset_hours * 3600) / 86400;
    };
    EXPECT_GE(now, unix_days(before) - 1e-9) << zone.tz;
    EXPECT_LE(now, unix_days(after) + 1e-9) << zone.tz;
  }
  if (saved) {
    setenv("TZ", restore.c_str(), 1);
  } else {
    unsetenv("TZ");
  }
  tzset();
}
#endif

}  // namespace
}  // namespace vendaro
