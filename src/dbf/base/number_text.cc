#include "dbf/base/number_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <system_error>

#include "common/ascii_text.h"

namespace zakaz::dbf {
namespace {

constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                   1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                   1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// Shared by both parsers; `comma_too` lets a comma stand for the full stop.
bool Parse(std::string_view text, bool comma_too, double* value) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && static_cast<unsigned char>(text[begin]) <= 0x20) ++begin;
  while (end > begin && static_cast<unsigned char>(text[end - 1]) <= 0x20) --end;
  if (begin == end) return false;
  const char* p = text.data() + begin;
  const char* const last = text.data() + end;

  bool negative = false;
  if (*p == '+' || *p == '-') {
    negative = *p == '-';
    ++p;
  }
  // Check the shape first: digits [point digits] [exponent], at least one
  // digit in the mantissa.
  const char* mantissa = p;
  uint64_t digits_value = 0;
  int significant = 0;
  int fraction_digits = 0;
  int digit_count = 0;
  bool point = false;
  for (; p < last; ++p) {
    if (IsAsciiDigit(*p)) {
      ++digit_count;
      if (significant < 19) {
        digits_value = digits_value * 10 + static_cast<uint64_t>(*p - '0');
        if (digits_value != 0) ++significant;
        if (point) ++fraction_digits;
      } else {
        significant = 99;  // too many digits for the fast path
      }
    } else if (!point && (*p == '.' || (comma_too && *p == ','))) {
      point = true;
    } else {
      break;
    }
  }
  if (digit_count == 0) return false;
  bool has_exponent = false;
  if (p < last && (*p == 'e' || *p == 'E')) {
    ++p;
    if (p < last && (*p == '+' || *p == '-')) ++p;
    if (p == last || !IsAsciiDigit(*p)) return false;
    while (p < last && IsAsciiDigit(*p)) ++p;
    has_exponent = true;
  }
  if (p != last) return false;

  // Few digits and no exponent: both parts are exact doubles and one
  // division rounds correctly, the same result the full conversion gives.
  if (!has_exponent && significant <= 15 && digits_value < (uint64_t{1} << 53) &&
      fraction_digits <= 22) {
    double result = static_cast<double>(digits_value) / kPowersOfTen[fraction_digits];
    *value = negative ? -result : result;
    return true;
  }
  // The general case: the standard conversion, locale-free, on the
  // characters in place (a comma first becomes a full stop in a small
  // buffer; such numbers are short).
  char buffer[128];
  const char* first = mantissa;
  const char* stop = last;
  if (comma_too && std::find(mantissa, last, ',') != last) {
    const size_t length = static_cast<size_t>(last - mantissa);
    if (length > sizeof buffer) return false;
    std::replace_copy(mantissa, last, buffer, ',', '.');
    first = buffer;
    stop = buffer + length;
  }
  double result = 0;
  const auto [ptr, ec] = std::from_chars(first, stop, result, std::chars_format::general);
  if (ptr != stop) return false;
  if (ec == std::errc::result_out_of_range) {
    // Overflow gives infinity, underflow zero, as a decimal literal would.
    const bool negative_exponent = std::find(first, stop, '-') != stop;
    result = negative_exponent || digits_value == 0 ? 0.0 : HUGE_VAL;
  } else if (ec != std::errc()) {
    return false;
  }
  *value = negative ? -result : result;
  return true;
}

}  // namespace

bool ParseDecimal(std::string_view text, double* value) { return Parse(text, false, value); }

bool ParseLocaleNumber(std::string_view text, double* value) { return Parse(text, true, value); }

void FormatFixed(double value, int decimals, std::string* out) {
  out->clear();
  if (std::isnan(value)) {
    *out = "nan";
    return;
  }
  if (std::isinf(value)) {
    *out = value < 0 ? "-inf" : "inf";
    return;
  }
  if (decimals < 0) decimals = 0;
  // The shortest text that reads back as `value`, in fixed notation; rounding
  // that text (rather than the binary value) makes 0.125 round to 0.13 and
  // 2.675 to 2.68, as a person reading the number expects.
  char buffer[400];
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value), std::chars_format::fixed);
  std::string_view shortest(buffer, static_cast<size_t>(result.ptr - buffer));
  const size_t point = shortest.find('.');
  std::string_view whole = shortest.substr(0, point);
  std::string_view fraction =
      point == std::string_view::npos ? std::string_view() : shortest.substr(point + 1);

  std::string& digits = *out;
  digits.assign(whole);
  const size_t keep = static_cast<size_t>(decimals);
  for (size_t i = 0; i < keep; ++i) digits += i < fraction.size() ? fraction[i] : '0';
  if (fraction.size() > keep && fraction[keep] >= '5') {
    // Carry the rounding up through the digits.
    size_t i = digits.size();
    while (i > 0) {
      --i;
      if (digits[i] == '9') {
        digits[i] = '0';
      } else {
        ++digits[i];
        break;
      }
      if (i == 0) {
        digits.insert(digits.begin(), '1');
        break;
      }
    }
  }
  bool all_zero = true;
  for (char c : digits) {
    if (c != '0') {
      all_zero = false;
      break;
    }
  }
  if (decimals > 0) digits.insert(digits.size() - keep, 1, '.');
  if (value < 0 && !all_zero) digits.insert(digits.begin(), '-');
}

std::string FormatFixed(double value, int decimals) {
  std::string out;
  FormatFixed(value, decimals, &out);
  return out;
}

}  // namespace zakaz::dbf
