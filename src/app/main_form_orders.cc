// The main window's order-file buttons: "Сохранить", "Удалить", the comment
// button and "Подключение". The logic is in ordering/order_saver.h and
// ordering/pending_orders.h; here the buttons are wired to it.
#include <QAbstractItemDelegate>
#include <QDialog>
#include <QLineEdit>
#include <QToolButton>
#include <QTreeWidget>
#include <stdexcept>

#include "app/main_form.h"
#include "common/code_page.h"
#include "grid/db_grid.h"
#include "ordering/pending_orders.h"
#include "settings/nastroyki.h"

namespace zakaz {
namespace {

// The settings in force before the dialog is set: an empty client code.
class NoSettings : public ILiveSettings {
 public:
  std::string ClientCode() const override { return {}; }
  std::string Server() const override { return {}; }
  std::string Login() const override { return {}; }
  std::string Password() const override { return {}; }
  bool Passive() const override { return false; }
  std::string PriceDirectory() const override { return {}; }
};

}  // namespace

void TMainForm::SetSettingsForm(TNastroyki* form) {
  settings_form_ = form;
  live_settings_ = form;
}

void TMainForm::ConnectOrderButtons() {
  connect(SaveButton_, &QToolButton::clicked, this,
          [this] { Guard([this] { SaveButtonClick(); }); });
  connect(DeleteButton3_, &QToolButton::clicked, this,
          [this] { Guard([this] { DeleteButton3Click(); }); });
  connect(ButtonCom_, &QToolButton::clicked, this, [this] { Guard([this] { ButtonComClick(); }); });
  connect(ButtonSvyz_, &QToolButton::clicked, this,
          [this] { Guard([this] { ButtonSvyzClick(); }); });
}

TOrderSaver TMainForm::OrderSaver() {
  static const NoSettings kNoSettings;
  TOrderSaver saver(price_list_, order_table_, *this,
                    live_settings_ != nullptr ? *live_settings_ : kNoSettings, prompts_,
                    order_clock_);
  saver.OnOrdersChanged = [this] { PagesChange(); };
  return saver;
}

void TMainForm::SaveButtonClick() { OrderSaver().Save(); }

void TMainForm::DeleteButton3Click() {
  QTreeWidgetItem* node = TreeView2_->currentItem();
  if (node == nullptr) throw std::out_of_range(kInvalidIndex);
  DeletePendingOrder(price_list_, node->text(0).toStdString());
  // The node itself, wherever it stands in the tree; the tree then selects
  // another one, which opens like any selection.
  delete node;
}

void TMainForm::ButtonComClick() {
  price_list_.KeepTyping();
  WriteOrderComment(PriceTable(), Utf8ToCp1251(Coment_->text().toStdString()));
}

void TMainForm::ButtonSvyzClick() {
  // An archived order or a waybill on screen gives way to the price list
  // first, as pressing its toggle again would.
  LeaveBrowsedView();
  OrderSaver().SaveBeforeSend();
  if (connect_form_ != nullptr) connect_form_->exec();
}

}  // namespace zakaz
