#include "ordering/order_stamp.h"

#include <time.h>

#include <cmath>
#include <cstdio>

namespace zakaz {

OrderTime LocalNow() {
  timespec now{};
  ::clock_gettime(CLOCK_REALTIME, &now);
  return {ToLocalDateTime(now.tv_sec), static_cast<int>(now.tv_nsec / 1000000)};
}

std::string MakeOrderStamp(const OrderTime& now) {
  const LocalDateTime& t = now.date_time;
  // The date and the time of day are two doubles added, as the stored names
  // were made; computing in integer milliseconds instead can differ by one
  // unit at the edges of a unit.
  const double milliseconds_per_day = 86400000.0;
  const double time_of_day =
      (t.hour * 3600000.0 + t.minute * 60000.0 + t.second * 1000.0 + now.millisecond) /
      milliseconds_per_day;
  const double moment = static_cast<double>(DayNumber(t)) + time_of_day;
  const auto units = static_cast<unsigned long long>(std::trunc(moment * 10000.0));
  char text[24];
  std::snprintf(text, sizeof text, "%08llX", units);
  return text;
}

}  // namespace zakaz
