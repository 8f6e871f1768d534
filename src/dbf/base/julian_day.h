// Calendar dates as day numbers, the form the table engine hands dates over
// in: Julian day numbers, so 1 January 1980 is 2444240. 0 means "no date".
#pragma once

#include <string>
#include <string_view>

namespace zakaz::dbf {

// Day number of 30 December 1899, what an impossible stored date reads as.
inline constexpr int kJulianDay18991230 = 2415019;

struct TCalendarDate {
  int year = 0, month = 0, day = 0;
};

// True for a real date of the proleptic Gregorian calendar, years 1..9999.
bool IsValidDate(int year, int month, int day);
// Day number of a date (which should be valid).
int JulianDayOf(int year, int month, int day);
// The date of a day number.
TCalendarDate DateOfJulianDay(int julian_day);

// "YYYYMMDD" as stored in a D column: the day number when the eight
// characters are digits forming a valid date, not all zeros; else 0.
int JulianDayFromStored(std::string_view text);
// The stored form of a day number: YYYYMMDD, or eight blanks for a day
// number <= 0.
std::string StoredDate(int julian_day);

// The process-wide short date form, dd.mm.yyyy.
std::string ShortDateText(int julian_day);
// Parses the short date form d.m.yyyy (one or two digits for day and month,
// a two-digit year meaning 1950..2049); false when it is not a real date.
bool ParseShortDate(std::string_view text, int* julian_day);

}  // namespace zakaz::dbf
