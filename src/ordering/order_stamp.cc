#include "ordering/order_stamp.h"

#include <cmath>
#include <cstdio>

#include "common/formats.h"

namespace zakaz {

std::string MakeOrderStamp(const LocalDateTime& now) {
  // The date and the time of day are two doubles added, as the stored names
  // were made; computing in integer milliseconds instead can differ by one
  // unit at the edges of a unit.
  const double milliseconds_per_day = 86400000.0;
  const double time_of_day =
      (now.hour * 3600000.0 + now.minute * 60000.0 + now.second * 1000.0 + now.millisecond) /
      milliseconds_per_day;
  const double moment = static_cast<double>(DayNumber(now)) + time_of_day;
  const auto units = static_cast<unsigned long long>(std::trunc(moment * 10000.0));
  char text[24];
  std::snprintf(text, sizeof text, "%08llX", units);
  return text;
}

}  // namespace zakaz
