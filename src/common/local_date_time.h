// A moment in local time as the program keeps it: a calendar date with a time
// of day, to the millisecond, and its conversions to and from the system's
// clock. Plain values; nothing is kept.
#pragma once

#include <ctime>

namespace zakaz {

// A calendar date with a time of day, in local time. The default is day 0 of
// the program's date values, 30.12.1899 at midnight.
struct LocalDateTime {
  int year = 1899;
  int month = 12;
  int day = 30;
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;

  friend bool operator==(const LocalDateTime&, const LocalDateTime&) = default;
};

// The current local time, to the millisecond.
LocalDateTime LocalNow();

// Conversions to and from the system's clock in local time, to the second (a
// leap second reads as second 59).
LocalDateTime ToLocalDateTime(std::time_t value);
std::time_t ToTimeT(const LocalDateTime& value);

}  // namespace zakaz
