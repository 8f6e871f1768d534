// Operations on the quantities typed into the shown table that more than one
// window action needs: "Очистить" and saving an order both clear them.
// Plain functions over a dataset and the view-mode seam; no widgets.
#pragma once

namespace zakaz {

namespace dbf {
class TTableDataSet;
}
class IViewModes;

// Sets QUANT to 0 on every row of `table` that has a quantity: switches to
// vmOrder (the rows with QUANT>0), edits, zeroes and posts each in turn, then
// returns to the view mode that was in force. Requires a writable, open
// table. A failure leaves the rows not yet reached as they were and
// propagates; the view mode is then the one in force before the call.
void ClearQuantities(dbf::TTableDataSet& table, IViewModes& views);

}  // namespace zakaz
