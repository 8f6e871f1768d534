#include "dbf/base/julian_day.h"

#include "common/ascii_text.h"

namespace zakaz::dbf {
namespace {

bool IsLeap(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeap(year) ? 29 : kDays[month - 1];
}

bool AllDigits(std::string_view text) {
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

int Number(std::string_view digits) {
  int value = 0;
  for (char c : digits) value = value * 10 + (c - '0');
  return value;
}

void AppendPadded(std::string* out, int value, int width) {
  char digits[12];
  int n = 0;
  do {
    digits[n++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value > 0 && n < 11);
  for (int i = n; i < width; ++i) *out += '0';
  while (n > 0) *out += digits[--n];
}

}  // namespace

bool IsValidDate(int year, int month, int day) {
  return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
         day <= DaysInMonth(year, month);
}

int JulianDayOf(int year, int month, int day) {
  // The usual conversion of a Gregorian date to its Julian day number.
  const int a = (14 - month) / 12;
  const int y = year + 4800 - a;
  const int m = month + 12 * a - 3;
  return day + (153 * m + 2) / 5 + 365 * y + y / 4 - y / 100 + y / 400 - 32045;
}

TCalendarDate DateOfJulianDay(int julian_day) {
  const int a = julian_day + 32044;
  const int b = (4 * a + 3) / 146097;
  const int c = a - 146097 * b / 4;
  const int d = (4 * c + 3) / 1461;
  const int e = c - 1461 * d / 4;
  const int m = (5 * e + 2) / 153;
  TCalendarDate out;
  out.day = e - (153 * m + 2) / 5 + 1;
  out.month = m + 3 - 12 * (m / 10);
  out.year = 100 * b + d - 4800 + m / 10;
  return out;
}

int JulianDayFromStored(std::string_view text) {
  if (text.size() != 8 || !AllDigits(text) || text == "00000000") return 0;
  const int year = Number(text.substr(0, 4));
  const int month = Number(text.substr(4, 2));
  const int day = Number(text.substr(6, 2));
  return IsValidDate(year, month, day) ? JulianDayOf(year, month, day) : 0;
}

std::string StoredDate(int julian_day) {
  if (julian_day <= 0) return std::string(8, ' ');
  const TCalendarDate date = DateOfJulianDay(julian_day);
  std::string out;
  out.reserve(8);
  AppendPadded(&out, date.year, 4);
  AppendPadded(&out, date.month, 2);
  AppendPadded(&out, date.day, 2);
  return out;
}

std::string ShortDateText(int julian_day) {
  if (julian_day <= 0) return {};
  const TCalendarDate date = DateOfJulianDay(julian_day);
  std::string out;
  out.reserve(10);
  AppendPadded(&out, date.day, 2);
  out += '.';
  AppendPadded(&out, date.month, 2);
  out += '.';
  AppendPadded(&out, date.year, 4);
  return out;
}

bool ParseShortDate(std::string_view text, int* julian_day) {
  text = TrimSpaceOrControl(text);
  const size_t first = text.find('.');
  if (first == std::string_view::npos) return false;
  const size_t second = text.find('.', first + 1);
  if (second == std::string_view::npos) return false;
  const std::string_view day = text.substr(0, first);
  const std::string_view month = text.substr(first + 1, second - first - 1);
  const std::string_view year = text.substr(second + 1);
  if (day.empty() || day.size() > 2 || month.empty() || month.size() > 2 ||
      (year.size() != 2 && year.size() != 4) || !AllDigits(day) || !AllDigits(month) ||
      !AllDigits(year)) {
    return false;
  }
  int y = Number(year);
  if (year.size() == 2) y += y < 50 ? 2000 : 1900;
  const int m = Number(month);
  const int d = Number(day);
  if (!IsValidDate(y, m, d)) return false;
  *julian_day = JulianDayOf(y, m, d);
  return true;
}

}  // namespace zakaz::dbf
