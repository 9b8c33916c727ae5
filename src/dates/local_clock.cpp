// ReadLocalClock: the local wall clock to the second. The C runtime
// applies the time zone and daylight saving, the same way on every platform.
#include <ctime>

#include "dates/date_value.h"

namespace vendaro {

DateValue ReadLocalClock() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
#ifdef _WIN32
  if (now == static_cast<std::time_t>(-1) || localtime_s(&local, &now) != 0) {
    return EarliestDate;
  }
#else
  if (now == static_cast<std::time_t>(-1) || localtime_r(&now, &local) == nullptr) {
    return EarliestDate;
  }
#endif
  // Nothing is promised for a clock that cannot be read or lies outside the
  // calendar's range; keep BuildDate's fields within theirs all the same.
  const long long year = 1900LL + local.tm_year;
  if (year < 100) return EarliestDate;
  if (year > 9999) return LatestDate;
  DateFields fields{};
  fields.year = static_cast<int>(year);
  fields.month = local.tm_mon + 1;
  fields.day = local.tm_mday;
  fields.hour = local.tm_hour;
  fields.minute = local.tm_min;
  fields.second = local.tm_sec > 59 ? 59 : local.tm_sec;  // a leap second
  return BuildDate(fields);
}

}  // namespace vendaro
