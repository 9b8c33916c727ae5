#pragma once
// A clock for the routines that take one: it gives whatever the test set and
// counts how often it was read. (A Clock is a plain function, so its time lives here.)
#include "dates/date_value.h"

namespace vendaro::testing {

struct TestClock {
  static inline DateValue now = 0.0;
  static inline int reads = 0;
  static DateValue Read() {
    ++reads;
    return now;
  }
  static void Set(DateValue value) {
    now = value;
    reads = 0;
  }
};

// Days and times used across the tests.
inline constexpr DateValue k2020_08_01 = 44044.0;
inline constexpr DateValue k2020_08_08 = 44051.0;
inline constexpr double kHour = 1.0 / 24.0;

}  // namespace vendaro::testing
