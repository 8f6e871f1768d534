// Operations on the quantities typed into the shown table that more than one
// window action needs: "Очистить" and saving an order both clear them, and
// the grid's quantity editor and its up/down buttons share one rule.
// Plain functions over a dataset and the view-mode seam; no widgets.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string_view>

namespace zakaz {

namespace dbf {
class TTableDataSet;
}
class IViewModes;

// An entry that is not a number at all; what() is the box's text.
class EVariantError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The text of EVariantError for an entry that is not a number.
inline constexpr char kNotANumberEntry[] =
    "Could not convert variant of type (String) into type (Double)";

// DBGridColumns7UpdateData: the quantity to store for the entered `text`
// on a row whose stock is `stock` (a blank stock is 0). Empty gives 0, a
// number below 0 gives 0, one above the stock gives the stock; fractions
// round to the nearest whole number (halves to even). Blanks around the
// number are ignored, and either "," or "." separates the decimals. Throws
// EVariantError (kNotANumberEntry) when the text is not a number.
int32_t DBGridColumns7UpdateData(std::string_view text, int32_t stock);
// The same rule on a number already read: below 0 (or NaN) gives 0, above
// the stock the stock, fractions round to the nearest whole number.
int32_t StockRuleQuantity(double value, int32_t stock);

// Sets QUANT to 0 on every row of `table` that has a quantity: switches to
// vmOrder (the rows with QUANT>0), edits, zeroes and posts each in turn, then
// returns to the view mode that was in force. The table's views are told
// once, when it is done (controls disabled meanwhile). Requires a writable,
// open table. A failure leaves the rows not yet reached as they were and
// propagates; the view mode is then the one in force before the call.
void ClearQuantities(dbf::TTableDataSet& table, IViewModes& views);

}  // namespace zakaz
