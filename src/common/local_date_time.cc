#include "common/local_date_time.h"

#include <algorithm>

namespace zakaz {

LocalDateTime LocalNow() {
  timespec now{};
  ::clock_gettime(CLOCK_REALTIME, &now);
  LocalDateTime out = ToLocalDateTime(now.tv_sec);
  out.millisecond = static_cast<int>(now.tv_nsec / 1000000);
  return out;
}

LocalDateTime ToLocalDateTime(std::time_t value) {
  std::tm tm{};
  localtime_r(&value, &tm);
  LocalDateTime out;
  out.year = tm.tm_year + 1900;
  out.month = tm.tm_mon + 1;
  out.day = tm.tm_mday;
  out.hour = tm.tm_hour;
  out.minute = tm.tm_min;
  out.second = std::min(tm.tm_sec, 59);
  return out;
}

std::time_t ToTimeT(const LocalDateTime& value) {
  std::tm tm{};
  tm.tm_year = value.year - 1900;
  tm.tm_mon = value.month - 1;
  tm.tm_mday = value.day;
  tm.tm_hour = value.hour;
  tm.tm_min = value.minute;
  tm.tm_sec = value.second;
  tm.tm_isdst = -1;
  return std::mktime(&tm);
}

}  // namespace zakaz
