// "Печать" of the main window: the grid printer bound to the grid's dataset,
// columns and row colours, and the print preview of the shown table.
#include "app/main_form.h"
#include "ordering/price_columns.h"
#include "print/grid_printer.h"

namespace zakaz {

void TMainForm::CreateGridPrinter() {
  // The print shows what the grid shows: its columns and its cell colours.
  GridPrinter_ = std::make_unique<TGridPrinter>(price_table_, PriceGridColumns(),
                                                PriceRowColourRule(price_table_), prompts_, this);
  GridPrinter_->SetPrintTitle(windowTitle());
}

void TMainForm::SpeedButton1Click() {
  // A closed table (no price list found) has nothing to print.
  if (!price_table_.Active()) return;
  GridPrinter_->Preview();
}

}  // namespace zakaz
