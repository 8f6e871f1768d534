// The program's currency arithmetic: amounts are kept as whole units of
// 1/10000, each value rounded to four decimal places before it is added, so
// a long column of prices sums without drift and subtracting a row undoes
// exactly its share. The footer on screen, the footer on paper and the
// dataset's own sums all count this way, so they cannot disagree.
#pragma once

#include <cmath>
#include <cstdint>

namespace zakaz {

// `value` in units of 1/10000; a value that is not finite counts as 0.
inline int64_t ToCurrencyUnits(double value) {
  return std::isfinite(value) ? static_cast<int64_t>(std::llround(value * 10000.0)) : 0;
}

inline double FromCurrencyUnits(int64_t units) { return static_cast<double>(units) / 10000.0; }

}  // namespace zakaz
