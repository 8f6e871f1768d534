// The time stamp in an order file's name, and the clock it is read from.
//
// The stamp counts units of 8.64 seconds (a ten-thousandth of a day) of local
// time since 30.12.1899: the supplier's importer and the archive already hold
// names made this way, so the arithmetic is kept exactly, floating point and
// truncation included. The clock is a seam: the program reads the system's
// local time (LocalNow), tests pass fixed moments. Values only.
#pragma once

#include <functional>
#include <string>

#include "common/local_date_time.h"

namespace zakaz {

using OrderClock = std::function<LocalDateTime()>;

// The whole part of (days since 30.12.1899, the time of day to the
// millisecond as the fraction) × 10000 in upper-case hexadecimal, at least 8
// digits: 05.03.2009 14:22:10 gives "17C4D6B3".
std::string MakeOrderStamp(const LocalDateTime& now);

}  // namespace zakaz
