// The main window's "Архив" and "Накладные" toggles: a sent order or a
// waybill, picked in its browser, shown read-only in the price grid, and the
// way back to the writable price list.
#include <QToolButton>
#include <QTreeWidget>

#include "app/main_form.h"
#include "common/working_files.h"
#include "grid/list_form.h"

namespace zakaz {
namespace {

constexpr const char* kPriceListTable = kPriceListFile;

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
