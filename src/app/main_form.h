// TMainForm: the program's main window.
//
// It owns the dataset PriceTable, which the price grid shows and which is,
// one at a time, the price list, a pending order, an archived order or a
// waybill, and OrderTable, used while an order file is written. It keeps the
// view mode (which rows are shown, what the title says), the tree of pending
// orders, and its own settings file object for the order comment, held from
// creation to destruction. Destroying the window closes the price list and
// puts back the file time it had when it was opened.
//
// Messages and questions go through the IUserPrompts given at construction,
// which must outlive the window; the settings dialog and the help window are
// created after it (the program's fixed creation order) and handed over
// with SetSettingsForm and SetHelpForm. A failure inside an event handler is
// shown through IUserPrompts::ShowException and the program goes on.
// Controls carry their names as object names (FilterSpeedButton, DBGrid,
// TreeView2, Coment, ...). At start the focus is in the grid (or the tree,
// without a price list); the window's keys (Ctrl+S, Ctrl+P, F1, Ctrl+F,
// Ctrl+Tab) and the controls' accessible names are in main_form_keys.cc.
#pragma once

#include <QMainWindow>
#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/formats.h"
#include "dbf/dataset/table_dataset.h"
#include "ordering/order_saver.h"
#include "ordering/price_list.h"
#include "ordering/view_mode.h"
#include "settings/ini_file.h"

class QDialog;
class QLabel;
class QLineEdit;
class QTabWidget;
class QToolBar;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace zakaz {

class DataSetModel;
class DbGrid;
class ILiveSettings;
class IUserPrompts;
class TNastroyki;
class TListForm;
class TGridPrinter;

class TMainForm : public QMainWindow, public IViewModes {
  Q_OBJECT

 public:
  // Runs FormCreate: formats, the settings file at `ini_path` (normally
  // ParamIniPath()), the comment, the price list, the window's place and
  // size, the tree.
  TMainForm(IUserPrompts& prompts, const std::string& ini_path, QWidget* parent = nullptr);
  ~TMainForm() override;

  // The settings dialog: "Настройки" shows it, and each save reads the client
  // code in force from it.
  void SetSettingsForm(TNastroyki* form);
  // The clock of the order stamps (the system's local time unless set).
  void SetOrderClock(OrderClock clock) { order_clock_ = std::move(clock); }
  void SetHelpForm(QDialog* form) { help_form_ = form; }
  // The connection window, created after the settings dialog; "Подключение"
  // shows it modally with exec() once the typed order is saved and the price
  // list closed. Until it is set, "Подключение" shows nothing.
  void SetConnectForm(QDialog* form) { connect_form_ = form; }
  // The archive and waybill browsers; until they are set, "Архив" and
  // "Накладные" only go down and up.
  void SetArchiveForm(TListForm* form) { archive_form_ = form; }
  void SetNaklForm(TListForm* form) { nakl_form_ = form; }

  // Called with the new title whenever SetViewMode sets it: the program
  // passes it on to the application's error box and the print title.
  std::function<void(const QString&)> OnTitleChanged;

  dbf::TTableDataSet& PriceTable() { return price_list_.Table(); }
  TPriceList& PriceList() { return price_list_; }
  DataSetModel* GridModel() const { return model_.get(); }
  TViewMode ViewMode() const override { return view_mode_; }
  const QString& ApplicationTitle() const { return application_title_; }
  // The window's title before any price list is opened.
  static QString InitialTitle();
  // True once opening the price list failed and the end of the program was
  // asked for; from then on the price list is not opened again.
  bool QuitRequested() const { return quit_requested_; }

  // Checks for and opens the price list, remembers its file time, sets
  // vmPrice. Also used when the connection window closes.
  void OpenPriceList();
  // Keeps what was typed, closes PriceTable and puts the price list's file
  // time back.
  void ClosePriceList() { price_list_.Close(); }
  void SetViewMode(TViewMode mode) override;
  // What the archive and waybill modes name in the title: the file shown and
  // its time.
  void SetShownFile(const std::string& file_name, const LocalDateTime& time);

  // Refills the tree of pending orders; selecting the price-list node
  // reopens the price list.
  void PagesChange();
  void TreeView2Change(QTreeWidgetItem* node);

  // Button handlers.
  void FilterSpeedButtonClick();
  void ExitButtonClick();
  void HelpButClick();
  void NastrButtonClick();
  void seekbotClick();
  void poiskExit();
  // "Очистить": asks "Очистить заказ?" and on Yes clears every quantity.
  void SpeedButton2Click();
  // Order files (main_form_orders.cc).
  void SaveButtonClick();
  void DeleteButton3Click();
  void ButtonComClick();
  void ButtonSvyzClick();
  void ArchiveSpeedButtonClick();
  void NaklButtonClick();
  // In vmArchive or vmWaybill: back to the writable price list with the tree
  // shown and both toggles up, as pressing the toggle again does. "Подключение"
  // calls it first. Does nothing in the other modes.
  void LeaveBrowsedView();
  // "Печать": the print preview of the shown table (main_form_print.cc).
  void SpeedButton1Click();
  TGridPrinter& GridPrinter() { return *GridPrinter_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  // The name-filter box's Enter and Escape.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void FormCreate();
  void CreateGridPrinter();
  void BuildControls();
  void PlaceWindow();
  QString PriceListTitle() const;
  // Runs `handler`; a failure is shown in the application's error box.
  void Guard(const std::function<void()>& handler);
  void ConnectOrderButtons();
  TOrderSaver OrderSaver();
  // The toggles of main_form_browsers.cc.
  void BrowseToggle(TListForm* form, QToolButton* button, QToolButton* other);
  void ReturnToPriceList();
  // The keyboard and the screen reader (main_form_keys.cc).
  void NameControls();
  void AddShortcuts();
  void FocusGridAtStart();
  // The next (previous) control that takes the focus, the grid left whole.
  void MoveFocusPast(bool forward);
  // Enter applies the name filter, Escape ends it; both return to the grid.
  void PoiskEnter();
  void PoiskEscape();
  // "Повторить" in the archive browser: the archived order's quantities on
  // the writable price list, then the order view and a summary box.
  void RepeatArchivedOrder(const std::string& directory, const std::string& file_name);

  IUserPrompts& prompts_;
  IniFile ini_;
  TPriceList price_list_;  // PriceTable and its life
  dbf::TTableDataSet order_table_{"OrderTable"};
  std::unique_ptr<DataSetModel> model_;
  TViewMode view_mode_ = vmPrice;
  std::string shown_file_;
  LocalDateTime shown_file_time_;
  QString application_title_;
  bool quit_requested_ = false;
  bool close_after_print_ = false;  // a close asked for while a print job ran
  QDialog* settings_form_ = nullptr;
  const ILiveSettings* live_settings_ = nullptr;
  OrderClock order_clock_ = LocalNow;
  QDialog* help_form_ = nullptr;
  QDialog* connect_form_ = nullptr;
  TListForm* archive_form_ = nullptr;
  TListForm* nakl_form_ = nullptr;
  // Enabled states of the buttons put off while a browsed file is shown.
  std::vector<std::pair<QToolButton*, bool>> states_before_browsing_;

  // Controls.
  QToolBar* tool_bar_ = nullptr;
  QToolButton* FilterSpeedButton_ = nullptr;
  QToolButton* SpeedButton1_ = nullptr;
  QToolButton* NaklButton_ = nullptr;
  QToolButton* ArchiveSpeedButton_ = nullptr;
  QToolButton* SaveButton_ = nullptr;
  QToolButton* SpeedButton2_ = nullptr;
  QToolButton* DeleteButton3_ = nullptr;
  QToolButton* NastrButton_ = nullptr;
  QToolButton* ButtonSvyz_ = nullptr;
  QToolButton* ExitButton_ = nullptr;
  QToolButton* ButtonCom_ = nullptr;
  QLineEdit* Coment_ = nullptr;
  QToolButton* HelpBut_ = nullptr;
  QTabWidget* Pages_ = nullptr;
  QLabel* seekbot_ = nullptr;
  QLineEdit* poisk_ = nullptr;
  DbGrid* DBGrid_ = nullptr;
  QTreeWidget* TreeView2_ = nullptr;
  bool filling_tree_ = false;
  bool leaving_poisk_by_key_ = false;
  std::unique_ptr<TGridPrinter> GridPrinter_;
};

}  // namespace zakaz
