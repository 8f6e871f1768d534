// Text, number and date rules shared by the operators and the functions of
// the filter expression language: the text comparison with its asterisk
// pattern, letter case of stored (OEM) text, decimal numbers read and written
// without the C locale, and Julian day numbers.
//
// Pure functions; the only state is the caller's scratch buffers, which keep
// their capacity so that a comparison evaluated per record does not allocate.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zakaz::dbf {

struct TExpCompareOptions {
  bool case_insensitive = false;
  bool partial_compare = true;
  char many_wildcard = '*';
  char one_wildcard = '?';
};

// The longest text an operator or function makes (the widest text column);
// longer results are refused, so one filter cannot take the machine's memory.
inline constexpr long kMaxExpText = 65535;

// Removes trailing bytes up to 0x20.
std::string_view TrimTrailingControls(std::string_view text);

// The comparison behind "=", "#", "<", ">", "<=" and ">=" on texts: -1, 0 or
// 1. An empty side sorts before any other text; otherwise both sides lose
// their trailing blanks, are upper-cased when asked, and a right side that
// begins or ends with the many-wildcard is a pattern (0 on a match, -1
// otherwise). `left_buffer` and `right_buffer` hold the upper-cased copies.
int CompareExpTexts(std::string_view left, std::string_view right,
                    const TExpCompareOptions& options, std::string& left_buffer,
                    std::string& right_buffer);

// The pattern test on already trimmed texts: at most one many-wildcard is
// removed at each end, one-wildcards count only when the pattern did not
// begin with a many-wildcard, and the rest must occur in the value.
bool MatchExpPattern(std::string_view pattern, std::string_view value, char many_wildcard,
                     char one_wildcard);

// Letter case of stored text: ASCII letters and the Cyrillic letters of the
// DOS code page the tables are stored in.
unsigned char OemUpper(unsigned char c);
// Every byte of `text` through OemUpper.
std::string OemUpperText(std::string_view text);
unsigned char OemLower(unsigned char c);
bool OemIsLetter(unsigned char c);

// A decimal number by the engine's rules (dbf/number_text.h): optional sign,
// digits, optional full stop and digits, an optional exponent; surrounding
// blanks allowed. Nothing for anything else.
std::optional<double> ParseExpNumber(std::string_view text);

// The fixed-point text of `value` with `decimals` digits after a full stop
// (halves rounded away from zero), right-aligned in `width` bytes; a text too long for the width
// becomes `width` asterisks. `pad` fills on the left (a blank or "0").
std::string FormatExpNumber(double value, int width, int decimals, char pad = ' ');

// Dates are Julian day numbers (1 January 1980 = 2444240), 0 for no date,
// read and written by the engine's own rules (dbf/julian_day.h).

// A date text by the column rules: blank or "00000000" is no date (0); eight
// digits are YYYYMMDD (an impossible one gives 30 December 1899); anything
// else is read in the short date format "dd.MM.yyyy". Nothing when the text
// is no date.
std::optional<long> ParseExpDate(std::string_view text);
// "dd.MM.yyyy", or blanks with the two full stops when there is no date.
std::string FormatExpDate(long julian_day);
// "YYYYMMDD", or eight blanks when there is no date.
std::string FormatExpDateStamp(long julian_day);
// Today in local time.
long TodayJulianDay();

}  // namespace zakaz::dbf
