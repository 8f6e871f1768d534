// "Печать" of the main window: the grid printer bound to the grid's dataset,
// columns and row colours, and the print preview of the shown table.
#include <QTimer>
#include <QToolButton>
#include <memory>

#include "app/main_form.h"
#include "ordering/price_columns.h"
#include "print/grid_printer.h"

namespace zakaz {

void TMainForm::CreateGridPrinter() {
  // The print shows what the grid shows: its columns and its cell colours.
  GridPrinter_ = std::make_unique<TGridPrinter>(PriceTable(), PriceGridColumns(),
                                                PriceRowColourRule(PriceTable()), prompts_, this);
  GridPrinter_->SetPrintTitle(windowTitle());
  // "Печать" is off while a job runs and comes back as it was; a "Печать"
  // that reaches the printer meanwhile is made once the job has ended.
  auto was_enabled = std::make_shared<bool>(false);
  GridPrinter_->PrintingChanged = [this, was_enabled](bool printing) {
    if (printing) {
      *was_enabled = SpeedButton1_->isEnabled();
      SpeedButton1_->setEnabled(false);
    } else {
      // A mode change during the job may have turned it on again already.
      if (!SpeedButton1_->isEnabled()) SpeedButton1_->setEnabled(*was_enabled);
      // The job's last page is still on the stack: the close comes after.
      if (close_after_print_) {
        close_after_print_ = false;
        QTimer::singleShot(0, this, [this] { close(); });
      }
    }
  };
}

void TMainForm::SpeedButton1Click() {
  // A closed table (no price list found) has nothing to print.
  if (!PriceTable().Active()) return;
  // The print shows what was typed, the quantity still in the editor too.
  price_list_.KeepTyping();
  GridPrinter_->Preview();
}

}  // namespace zakaz
