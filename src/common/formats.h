// The program's own number and date texts.
//
// Every conversion between numbers, dates and text that the user sees goes
// through these functions: a decimal comma, a blank as thousands separator,
// dates as "dd.MM.yyyy", times as "hh:mm" and "hh:mm:ss", and a date-time that
// drops its time when it is exactly midnight. They never consult the C locale,
// so the texts are the same whatever LANG the program was started under. Pure
// functions on values; nothing is kept.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>

#include "common/local_date_time.h"

namespace zakaz {

// For test failure output: "dd.MM.yyyy hh:mm:ss".
void PrintTo(const LocalDateTime& value, std::ostream* os);

inline constexpr char kDecimalSeparator = ',';
inline constexpr char kThousandsSeparator = ' ';
inline constexpr char kDateSeparator = '.';
inline constexpr char kTimeSeparator = ':';

// "dd.MM.yyyy".
std::string FormatDate(const LocalDateTime& value);
// "hh:mm".
std::string FormatShortTime(const LocalDateTime& value);
// "hh:mm:ss".
std::string FormatLongTime(const LocalDateTime& value);
// The date, then a blank and the long time unless the time is 00:00:00.
std::string FormatDateTime(const LocalDateTime& value);

// Reads a date in the short date format: day, month and year separated by
// ".", surrounding blanks ignored, one or two digits for day and month, a
// two-digit year read as the one of the hundred years that begin fifty years
// before `today`. Returns nothing
// for any text that is not a real calendar date.
std::optional<LocalDateTime> ParseDate(std::string_view text, const LocalDateTime& today);

// Day count since 30.12.1899, the epoch of the program's date values.
long DayNumber(const LocalDateTime& date);

// The general number format: the shortest text with at most 15 significant
// digits, a decimal comma, no thousands separators, and an exponent ("1,5E20")
// only for very large or very small magnitudes.
std::string FormatFloat(double value);

// A whole number, plainly.
std::string FormatInteger(long long value);

// A whole number with thousands separated by blanks ("1 234 567").
std::string FormatIntegerGrouped(long long value);

// The quantity column's format "#;?; ": the number when positive, "?" when
// negative and a single blank when zero.
std::string FormatQuantity(long long value);

// Reads a number written with a decimal comma (a point is accepted too, as
// users type either); surrounding blanks ignored. Returns nothing unless the
// whole text is one number.
std::optional<double> ParseFloat(std::string_view text);

}  // namespace zakaz
