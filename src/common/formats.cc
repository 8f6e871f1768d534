#include "common/formats.h"

#include <charconv>
#include <cmath>
#include <ostream>
#include <system_error>

#include "common/ascii_text.h"

namespace zakaz {
namespace {

void AppendTwoDigits(std::string& out, int value) {
  out += static_cast<char>('0' + (value / 10) % 10);
  out += static_cast<char>('0' + value % 10);
}

void AppendYear(std::string& out, int year) {
  char buf[16];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, year);
  const size_t len = ec == std::errc() ? static_cast<size_t>(end - buf) : 0;
  for (size_t i = len; i < 4; ++i) out += '0';
  out.append(buf, len);
}

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
long DaysFromCivil(long y, long m, long d) {
  y -= m <= 2;
  const long era = (y >= 0 ? y : y - 399) / 400;
  const long yoe = y - era * 400;
  const long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

// Reads one to `max_digits` decimal digits at the front of `text`.
std::optional<int> TakeNumber(std::string_view& text, size_t max_digits) {
  size_t n = 0;
  while (n < text.size() && n < max_digits && text[n] >= '0' && text[n] <= '9') ++n;
  if (n == 0) return std::nullopt;
  int value = 0;
  for (size_t i = 0; i < n; ++i) value = value * 10 + (text[i] - '0');
  text.remove_prefix(n);
  return value;
}

}  // namespace

std::string FormatDate(const LocalDateTime& value) {
  std::string out;
  AppendTwoDigits(out, value.day);
  out += kDateSeparator;
  AppendTwoDigits(out, value.month);
  out += kDateSeparator;
  AppendYear(out, value.year);
  return out;
}

std::string FormatShortTime(const LocalDateTime& value) {
  std::string out;
  AppendTwoDigits(out, value.hour);
  out += kTimeSeparator;
  AppendTwoDigits(out, value.minute);
  return out;
}

std::string FormatLongTime(const LocalDateTime& value) {
  std::string out = FormatShortTime(value);
  out += kTimeSeparator;
  AppendTwoDigits(out, value.second);
  return out;
}

std::string FormatDateTime(const LocalDateTime& value) {
  std::string out = FormatDate(value);
  if (value.hour != 0 || value.minute != 0 || value.second != 0) {
    out += ' ';
    out += FormatLongTime(value);
  }
  return out;
}

void PrintTo(const LocalDateTime& value, std::ostream* os) {
  *os << FormatDate(value) << ' ' << FormatLongTime(value);
}

std::optional<LocalDateTime> ParseDate(std::string_view text, const LocalDateTime& today) {
  text = TrimSpacesAndTabs(text);
  auto day = TakeNumber(text, 2);
  if (!day || text.empty() || text.front() != kDateSeparator) return std::nullopt;
  text.remove_prefix(1);
  auto month = TakeNumber(text, 2);
  if (!month || text.empty() || text.front() != kDateSeparator) return std::nullopt;
  text.remove_prefix(1);
  const size_t year_digits = text.size();
  auto year = TakeNumber(text, 4);
  if (!year || !text.empty() || year_digits == 3) return std::nullopt;
  int full_year = *year;
  if (year_digits <= 2) {
    // A two-digit year falls in the hundred years that start fifty years
    // before today, as users of the old short dates expect.
    const int base = today.year - 50;
    full_year = base - base % 100 + *year;
    if (full_year < base) full_year += 100;
  }
  if (full_year < 1 || *month < 1 || *month > 12) return std::nullopt;
  if (*day < 1 || *day > DaysInMonth(full_year, *month)) return std::nullopt;
  LocalDateTime date;
  date.year = full_year;
  date.month = *month;
  date.day = *day;
  return date;
}

long DayNumber(const LocalDateTime& date) {
  return DaysFromCivil(date.year, date.month, date.day) - DaysFromCivil(1899, 12, 30);
}

std::string FormatFloat(double value) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
  char buf[64];
  // The general form with 15 significant digits already drops trailing zeros
  // and switches to an exponent only outside 1E-5 .. 1E15.
  auto result = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 15);
  std::string text(buf, result.ptr);
  if (text == "-0") text = "0";
  const size_t e = text.find('e');
  std::string out = text.substr(0, e);
  const size_t point = out.find('.');
  if (point != std::string::npos) out[point] = kDecimalSeparator;
  if (e != std::string::npos) {
    std::string_view exponent(text.c_str() + e + 1);
    out += 'E';
    if (exponent.front() == '-') out += '-';
    exponent.remove_prefix(1);  // to_chars always writes a sign
    while (exponent.size() > 1 && exponent.front() == '0') exponent.remove_prefix(1);
    out += exponent;
  }
  return out;
}

std::string FormatInteger(long long value) {
  char buf[32];
  auto result = std::to_chars(buf, buf + sizeof buf, value);
  return std::string(buf, result.ptr);
}

std::string FormatIntegerGrouped(long long value) {
  const std::string plain = FormatInteger(value);
  const size_t sign = plain[0] == '-' ? 1 : 0;
  std::string out = plain.substr(0, sign);
  const size_t digits = plain.size() - sign;
  for (size_t i = 0; i < digits; ++i) {
    if (i > 0 && (digits - i) % 3 == 0) out += kThousandsSeparator;
    out += plain[sign + i];
  }
  return out;
}

std::string FormatQuantity(long long value) {
  if (value > 0) return FormatInteger(value);
  if (value < 0) return "?";
  return " ";
}

std::optional<double> ParseFloat(std::string_view text) {
  text = TrimSpacesAndTabs(text);
  if (text.empty()) return std::nullopt;
  std::string copy(text);
  for (char& c : copy) {
    if (c == kDecimalSeparator) c = '.';
  }
  // from_chars takes no leading "+", which users do type.
  std::string_view body(copy);
  if (body.front() == '+') body.remove_prefix(1);
  if (body.empty() || (body.front() == '-' && text.front() == '+')) return std::nullopt;
  double value = 0;
  auto [end, ec] = std::from_chars(body.data(), body.data() + body.size(), value);
  if (ec != std::errc() || end != body.data() + body.size()) return std::nullopt;
  return value;
}

}  // namespace zakaz
