#include "dbf/expr/exp_text.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <ctime>

#include "dbf/base/julian_day.h"
#include "dbf/base/number_text.h"

namespace zakaz::dbf {

namespace {

// Compares the bytes as unsigned values, as the stored code page orders its
// letters; the platform's collation is not reproduced.
int CompareBytes(std::string_view left, std::string_view right) {
  const int c = left.compare(right);
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

std::string_view UpperInto(std::string_view text, std::string& buffer) {
  buffer.assign(text);
  for (char& c : buffer) c = static_cast<char>(OemUpper(static_cast<unsigned char>(c)));
  return buffer;
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= 0x20) text.remove_prefix(1);
  return TrimTrailingControls(text);
}

// 31 December 9999: dates beyond have no four-digit year to show.
constexpr long kLastJulianDay = 5373484;

}  // namespace

std::string_view TrimTrailingControls(std::string_view text) {
  // Text columns are mostly padding; skip runs of blanks eight at a time.
  constexpr uint64_t kEightBlanks = 0x2020202020202020ULL;
  while (text.size() >= 8) {
    uint64_t tail;
    std::memcpy(&tail, text.data() + text.size() - 8, 8);
    if (tail != kEightBlanks) break;
    text.remove_suffix(8);
  }
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= 0x20) text.remove_suffix(1);
  return text;
}

bool MatchExpPattern(std::string_view pattern, std::string_view value, char many_wildcard,
                     char one_wildcard) {
  if (pattern.empty()) return false;
  const bool leading = pattern.front() == many_wildcard;
  if (leading) {
    if (pattern.size() == 1) return true;
    pattern.remove_prefix(1);
  }
  if (pattern.back() == many_wildcard) {
    if (pattern.size() == 1) return true;
    pattern.remove_suffix(1);
  }
  if (pattern.size() > value.size()) return false;
  const bool positional = !leading && pattern.find(one_wildcard) != std::string_view::npos;
  if (!positional) return value.find(pattern) != std::string_view::npos;
  // Each one-wildcard turns the value's byte at the same position (counted
  // from the start of the value, not of the match) into a wildcard; the value
  // is read through that overlay rather than copied.
  auto value_at = [&](size_t i) {
    return i < pattern.size() && pattern[i] == one_wildcard ? one_wildcard : value[i];
  };
  for (size_t start = 0; start + pattern.size() <= value.size(); ++start) {
    size_t i = 0;
    while (i < pattern.size() && value_at(start + i) == pattern[i]) ++i;
    if (i == pattern.size()) return true;
  }
  return false;
}

int CompareExpTexts(std::string_view left, std::string_view right,
                    const TExpCompareOptions& options, std::string& left_buffer,
                    std::string& right_buffer) {
  if (left.empty() || right.empty()) {
    if (left.empty() && right.empty()) return 0;
    return left.empty() ? -1 : 1;
  }
  left = TrimTrailingControls(left);
  right = TrimTrailingControls(right);
  if (options.case_insensitive) {
    left = UpperInto(left, left_buffer);
    right = UpperInto(right, right_buffer);
  }
  if (options.partial_compare && !right.empty() &&
      (right.front() == options.many_wildcard || right.back() == options.many_wildcard)) {
    return MatchExpPattern(right, left, options.many_wildcard, options.one_wildcard) ? 0 : -1;
  }
  return CompareBytes(left, right);
}

unsigned char OemUpper(unsigned char c) {
  if (c >= 'a' && c <= 'z') return c - 0x20;
  if (c >= 0xA0 && c <= 0xAF) return c - 0x20;  // а..п
  if (c >= 0xE0 && c <= 0xEF) return c - 0x50;  // р..я
  if (c == 0xF1) return 0xF0;                   // ё
  return c;
}

std::string OemUpperText(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(OemUpper(static_cast<unsigned char>(c)));
  return out;
}

unsigned char OemLower(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return c + 0x20;
  if (c >= 0x80 && c <= 0x8F) return c + 0x20;  // А..П
  if (c >= 0x90 && c <= 0x9F) return c + 0x50;  // Р..Я
  if (c == 0xF0) return 0xF1;                   // Ё
  return c;
}

bool OemIsLetter(unsigned char c) { return OemUpper(c) != c || OemLower(c) != c; }

std::optional<double> ParseExpNumber(std::string_view text) {
  double value = 0;
  if (!ParseDecimal(text, &value)) return std::nullopt;
  return value;
}

std::string FormatExpNumber(double value, int width, int decimals, char pad) {
  width = std::max(width, 0);
  decimals = std::max(decimals, 0);
  if (!std::isfinite(value)) return std::string(static_cast<size_t>(width), '*');
  const std::string digits = FormatFixed(value, decimals);
  if (digits.size() > static_cast<size_t>(width))
    return std::string(static_cast<size_t>(width), '*');
  const size_t fill = static_cast<size_t>(width) - digits.size();
  std::string text;
  if (pad == '0' && !digits.empty() && digits.front() == '-') {
    text = "-";
    text.append(fill, '0');
    text.append(digits, 1);
  } else {
    text.assign(fill, pad);
    text.append(digits);
  }
  return text;
}

std::optional<long> ParseExpDate(std::string_view text) {
  text = TrimBlanks(text);
  if (text.empty() || text == "00000000") return 0L;
  if (text.size() == 8 && text.find_first_not_of("0123456789") == std::string_view::npos) {
    const int day = JulianDayFromStored(text);
    return day != 0 ? day : kJulianDay18991230;
  }
  int day = 0;
  if (!ParseShortDate(text, &day)) return std::nullopt;
  return day;
}

std::string FormatExpDate(long julian_day) {
  if (julian_day <= 0 || julian_day > kLastJulianDay) return "  .  .    ";
  return ShortDateText(static_cast<int>(julian_day));
}

std::string FormatExpDateStamp(long julian_day) {
  if (julian_day <= 0 || julian_day > kLastJulianDay) return std::string(8, ' ');
  return StoredDate(static_cast<int>(julian_day));
}

long TodayJulianDay() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return JulianDayOf(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
}

}  // namespace zakaz::dbf
