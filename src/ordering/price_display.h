// Display rules of the price grid that need no window: the row colours and
// the footer's sums. Values only; no Qt, nothing kept.
#pragma once

#include <cstdint>
#include <string_view>

#include "common/currency.h"
#include "common/formats.h"

namespace zakaz {

enum class RowColour { kDefault, kRed, kBlue };

// Font colour of a row: red when the expiry date `srok` (short date format)
// is less than 180 days after `today`, past dates included; blue for a
// vital-drugs row (`flag` 1), which wins over red. An empty `srok` and one
// that is not a date leave the row uncoloured, so a bad date never interrupts
// drawing.
RowColour ExpiryColour(std::string_view srok, long long flag, const LocalDateTime& today);

// A footer sum, accumulated as the program's currency type does: each value
// is rounded to four decimal places before it is added, so a long column of
// prices sums without drift and subtracting a row undoes exactly its share.
class CurrencySum {
 public:
  void Add(double value) { units_ += ToCurrencyUnits(value); }
  void Subtract(double value) { units_ -= ToCurrencyUnits(value); }
  void Clear() { units_ = 0; }
  double Value() const { return FromCurrencyUnits(units_); }

 private:
  int64_t units_ = 0;
};

}  // namespace zakaz
