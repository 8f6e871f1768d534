// The main window's "Архив" and "Накладные" toggles: a sent order or a
// waybill, picked in its browser, shown read-only in the price grid, and the
// way back to the writable price list; an archived order repeated on it.
#include <QToolButton>
#include <QTreeWidget>

#include "app/main_form.h"
#include "common/user_prompts.h"
#include "common/working_files.h"
#include "dbf/dataset/table_dataset.h"
#include "grid/list_form.h"
#include "ordering/order_files.h"
#include "ordering/repeat_order.h"

namespace zakaz {
namespace {

constexpr const char* kPriceListTable = kPriceListFile;
constexpr char kNoPriceListToRepeat[] = "Не найден прайс-лист!";

bool Browsing(TViewMode mode) { return mode == vmArchive || mode == vmWaybill; }

}  // namespace

void TMainForm::ArchiveSpeedButtonClick() {
  BrowseToggle(archive_form_, ArchiveSpeedButton_, NaklButton_);
}

void TMainForm::NaklButtonClick() { BrowseToggle(nakl_form_, NaklButton_, ArchiveSpeedButton_); }

void TMainForm::LeaveBrowsedView() {
  if (Browsing(view_mode_)) ReturnToPriceList();
}

// Runs after `button` went down or up; `other` is the second toggle, which
// Qt has just released when `button` went down.
void TMainForm::BrowseToggle(TListForm* form, QToolButton* button, QToolButton* other) {
  if (form == nullptr) return;
  // What is being typed is kept before the browser takes the focus.
  price_list_.KeepTyping();
  const TBrowserKind& kind = form->Kind();
  if (view_mode_ == kind.mode) {
    ReturnToPriceList();
    return;
  }
  const TViewMode before = view_mode_;
  if (!form->Execute()) {
    // Nothing chosen: the view stays, and so do the toggles that name it.
    button->setChecked(false);
    if (Browsing(before)) other->setChecked(true);
    return;
  }
  const TOrderData& entry = form->CurrentEntry();
  if (form->RepeatChosen()) {
    // The toggle goes up whatever follows; a failure leaves the view as it
    // was, with the toggle that names it.
    button->setChecked(false);
    if (Browsing(before)) other->setChecked(true);
    RepeatArchivedOrder(kind.directory, entry.FileName);
    return;
  }
  SetShownFile(entry.FileName, entry.FileTime);
  if (!Browsing(before)) {
    // A read-only table takes no order, no clearing and no comment, and the
    // pending order the tree selected is not what is shown. Printing what is
    // shown is what a user wants here.
    states_before_browsing_.clear();
    for (QToolButton* b : {SaveButton_, SpeedButton2_, DeleteButton3_, SpeedButton1_, ButtonCom_}) {
      states_before_browsing_.emplace_back(b, b->isEnabled());
      b->setEnabled(b == SpeedButton1_);
    }
  }
  SetViewMode(kind.mode);  // the filter in force stays
  // Exactly the listed file: a name with more dots, or one beside another
  // that differs only in letter case, is still that file. One that cannot
  // be opened leaves the grid empty in this mode; the toggle pressed again
  // leads back.
  price_list_.OpenReadOnly(kind.directory, entry.FileName);
  TreeView2_->hide();
}

void TMainForm::RepeatArchivedOrder(const std::string& directory, const std::string& file_name) {
  if (!PriceListExists()) {
    prompts_.Warning(kNoPriceListToRepeat);
    return;
  }
  // The archived file is read whole before anything is changed, so that a
  // file that cannot be read leaves the window as it was.
  dbf::TTableDataSet archived;
  const TArchivedOrder order = ReadArchivedOrder(archived, directory + file_name);
  ReturnToPriceList();
  const TRepeatSummary summary = ApplyArchivedOrder(price_list_, order);
  SetViewMode(vmOrder);
  SpeedButton1_->setEnabled(true);  // "Печать" as "Заказ" gives it
  prompts_.Information(RepeatMessage(file_name, summary));
}

void TMainForm::ReturnToPriceList() {
  SetViewMode(vmPrice);
  price_list_.KeepTyping();
  // The window is whole again before the opening, which may fail.
  TreeView2_->show();
  ArchiveSpeedButton_->setChecked(false);
  NaklButton_->setChecked(false);
  for (const auto& [button, enabled] : states_before_browsing_) button->setEnabled(enabled);
  states_before_browsing_.clear();
  price_list_.OpenPriceList();
  // The tree names what the grid shows: when a pending order was selected
  // before, the price-list node is selected now, with its button states.
  QTreeWidgetItem* first = TreeView2_->topLevelItem(0);
  if (first != nullptr && first->text(0) == QLatin1String(kPriceListTable) &&
      TreeView2_->currentItem() != first) {
    TreeView2_->setCurrentItem(first);
  }
}

}  // namespace zakaz
