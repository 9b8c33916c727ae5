#pragma once
// The date facility: one representation of a point in time (the OLE Automation
// date: days since 1899-12-30 00:00, the fraction the local time of day), its
// Chinese text form, the current day and the difference of two days.
//
// Texts are GBK byte strings. Nothing here touches the platform except
// ReadLocalClock; every other function is pure and total: any double and any
// byte string give a defined result.
#include <string>
#include <string_view>

namespace vendaro {

using DateValue = double;

inline constexpr DateValue EarliestDate = -657434.0;  // 100-01-01 00:00:00
inline constexpr DateValue LatestDate = 2958465.0;    // 9999-12-31 00:00:00

struct DateFields {
  int year;    // 100 … 9999
  int month;   // 1 … 12
  int day;     // 1 … length of the month
  int hour;    // 0 … 23
  int minute;  // 0 … 59
  int second;  // 0 … 59
  friend bool operator==(const DateFields&, const DateFields&) = default;
};

// Where the current local time comes from; tests pass their own.
using Clock = DateValue (*)();

DateValue ClampDate(DateValue value);
DateValue BuildDate(const DateFields& fields);
DateFields SplitDate(DateValue value);
double LinearDays(DateValue value);
std::string NormalizeWidth(std::string_view text);
DateValue ParseDateText(std::string_view text);
std::string FormatDateText(DateValue value);
DateValue StripTimeOfDay(DateValue value);
DateValue ReadLocalClock();
double DayDifference(DateValue first, DateValue second);
std::string FormatNumberText(double value);

}  // namespace vendaro
