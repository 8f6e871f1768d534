#include "ordering/price_display.h"

#include <cmath>

namespace zakaz {

RowColour ExpiryColour(std::string_view srok, long long flag, const LocalDateTime& today) {
  if (flag == 1) return RowColour::kBlue;
  bool blank = true;
  for (char c : srok) blank = blank && c == ' ';
  if (blank) return RowColour::kDefault;
  const auto expiry = ParseDate(srok, today);
  if (!expiry) return RowColour::kDefault;
  return DayNumber(*expiry) - DayNumber(today) < 180 ? RowColour::kRed : RowColour::kDefault;
}

}  // namespace zakaz
