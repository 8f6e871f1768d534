// The time stamp in an order file's name, and the clock it is read from.
//
// The stamp counts units of 8.64 seconds (a ten-thousandth of a day) of local
// time since 30.12.1899: the supplier's importer and the archive already hold
// names made this way, so the arithmetic is kept exactly, floating point and
// truncation included. The clock is a seam: the program reads the system's
// local time, tests pass fixed moments. Values only; nothing is kept.
#pragma once

#include <functional>
#include <string>

#include "app/formats.h"

namespace zakaz {

// A moment of local time to the millisecond.
struct OrderTime {
  LocalDateTime date_time;
  int millisecond = 0;
};

using OrderClock = std::function<OrderTime()>;

// The system's local time now.
OrderTime LocalNow();

// The whole part of (days since 30.12.1899, the time of day as the fraction)
// × 10000 in upper-case hexadecimal, at least 8 digits: 05.03.2009 14:22:10
// gives "17C4D6B3".
std::string MakeOrderStamp(const OrderTime& now);

}  // namespace zakaz
