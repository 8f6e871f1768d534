// Number text as the table files hold it, parsed and formatted without the C
// locale (the process's locale may say "," is the decimal point; the file
// always uses a full stop).
#pragma once

#include <string>
#include <string_view>

namespace zakaz::dbf {

// Parses a decimal literal: leading bytes <= 0x20 skipped, trailing ones
// ignored, an optional sign, digits with an optional full stop, an optional
// exponent (e or E, optional sign, digits). Anything else, an empty text
// included, gives false and leaves `value` alone.
bool ParseDecimal(std::string_view text, double* value);

// Like ParseDecimal, but the decimal point may be a full stop or a comma (the
// process-wide number format writes a comma), as typed by a user.
bool ParseLocaleNumber(std::string_view text, double* value);

// `value` in fixed-point notation with exactly `decimals` digits after a full
// stop (none when `decimals` is 0), a leading minus for negative values,
// rounded halves away from zero on its shortest exact decimal form. A value
// that rounds to zero is written without a sign. Infinities and NaN give
// "inf", "-inf" and "nan". Not padded.
std::string FormatFixed(double value, int decimals);

// FormatFixed into `out` (reusing its storage).
void FormatFixed(double value, int decimals, std::string* out);

}  // namespace zakaz::dbf
