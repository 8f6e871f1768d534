#include "ordering/order_entry.h"

#include <exception>

#include "dbf/dataset/table_dataset.h"
#include "ordering/view_mode.h"

namespace zakaz {

void ClearQuantities(dbf::TTableDataSet& table, IViewModes& views) {
  const TViewMode remembered = views.ViewMode();
  views.SetViewMode(vmOrder);
  try {
    // A posted row that leaves "QUANT>0" stays current until the cursor
    // moves, and Next from it reaches the next ordered row, so one pass
    // clears them all.
    while (!table.Eof()) {
      table.Edit();
      table.FieldByName("QUANT").SetAsFloat(0);
      table.Post();
      table.Next();
    }
  } catch (const std::exception&) {
    // The user gets back the view they had; the first failure is reported.
    if (table.State() != dbf::TDataSetState::dsBrowse && table.Active()) table.Cancel();
    views.SetViewMode(remembered);
    throw;
  }
  views.SetViewMode(remembered);
}

}  // namespace zakaz
