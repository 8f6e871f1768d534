// "Печать" of the main window: the grid printer bound to the grid's dataset,
// columns and row colours, and the print preview of the shown table.
#include "app/main_form.h"
#include "ordering/price_columns.h"
#include "print/grid_printer.h"

namespace zakaz {

void TMainForm::CreateGridPrinter() {
  // The print shows what the grid shows: its columns and its cell colours.
  GridPrinter_ = std::make_unique<TGridPrinter>(PriceTable(), PriceGridColumns(),
                                                PriceRowColourRule(PriceTable()), prompts_, this);
  GridPrinter_->SetPrintTitle(windowTitle());
}

void TMainForm::SpeedButton1Click() {
  // A closed table (no price list found) has nothing to print.
  if (!PriceTable().Active()) return;
  // The print shows what was typed, the quantity still in the editor too.
  price_list_.KeepTyping();
  GridPrinter_->Preview();
}

}  // namespace zakaz
