// TPriceList: the one owner of what the main window's dataset (PriceTable)
// shows and of its life: the price list, a pending order, an archived order
// or a waybill, one at a time.
//
// Every way of leaving what is shown (closing it, opening another file in
// its place, a walk over its rows for printing or saving, a change of the
// rows shown) first keeps what the user typed: the grid's open cell editor
// is committed through IGridEditor and a row still in edit state is posted.
// The dataset itself drops an unposted edit on Close by design, so no other
// code may close or reopen the table; the window calls this class.
//
// The price list's file time is the price list's date (the window's title
// says "Прайслист от ..."): typing quantities writes into the file, so when
// the price list is closed its modification time is put back to what it was
// when it was opened.
//
// Failures of the dataset propagate with its messages; after a failed
// opening the table is closed. When committing or posting what was typed
// fails, the table stays as it was and the failure propagates, so a way out
// that would lose the entry does not happen.
#pragma once

#include <ctime>
#include <functional>
#include <optional>
#include <string>

#include "common/formats.h"
#include "dbf/dataset/table_dataset.h"

namespace zakaz {

// The seam through which the widgets hand a value still in an open cell
// editor to the dataset, as leaving the cell would. The grid implements it.
class IGridEditor {
 public:
  virtual ~IGridEditor() = default;
  // Does nothing when no editor is open. A refused entry is reported by the
  // grid itself and leaves the row as it was.
  virtual void CommitEditor() = 0;
};

class TPriceList {
 public:
  // Configures the dataset for the price-list row (ConfigurePriceTable).
  TPriceList();
  ~TPriceList();
  TPriceList(const TPriceList&) = delete;
  TPriceList& operator=(const TPriceList&) = delete;

  dbf::TTableDataSet& Table() { return table_; }
  const dbf::TTableDataSet& Table() const { return table_; }
  // The grid over the table; null when none (the editor then has nothing
  // to commit). Must outlive its use here or be unset first.
  void SetEditor(IGridEditor* editor) { editor_ = editor; }

  // Commits the open editor and posts a row in edit state. Every operation
  // below that leaves the shown rows calls it first; the window calls it
  // before it walks the rows itself (printing).
  void KeepTyping();

  // Opens the price list ("price.dbf") writable in place of what is shown
  // and remembers its file time. Requires that it exists (PriceListExists).
  void OpenPriceList();
  // A pending order of "demand", by its whole file name, writable.
  void OpenPendingOrder(const std::string& file_name);
  // An archived order or a waybill: `directory` ("archive\", "in\") and the
  // file name exactly as listed, read-only.
  void OpenReadOnly(const std::string& directory, const std::string& file_name);
  // Keeps what was typed, closes the table and, when the price list was
  // open, puts its file time back.
  void Close();
  // The same for the end of the program: a failure to keep what was typed
  // is reported through `on_failure` (what()) and the table is closed all
  // the same.
  void CloseAtExit(const std::function<void(const std::string&)>& on_failure);

  // The rows shown. Each keeps what was typed first.
  void ShowAllRows();      // no filter (vmPrice)
  void ShowOrderedRows();  // "QUANT>0" (vmOrder)
  // The name filter: rows whose name holds `text` (Windows-1251).
  void SetNameFilter(const std::string& text);

  // Whether the price list (not another file) is what the table shows.
  bool ShowsPriceList() const { return shows_price_list_; }
  // The price list's file time as read by the last OpenPriceList; none
  // before any opening.
  const std::optional<LocalDateTime>& PriceListDate() const { return price_date_; }
  // The price list's file time as read when it was opened, while it is.
  const std::optional<timespec>& OpenedFileTime() const { return price_file_time_; }
  // Puts the modification time of the price list back to `time` (a save
  // interrupted by a crash changed it); false when it could not be set.
  static bool RestorePriceListTime(const timespec& time);
  // The price list's modification time now; none when it cannot be read.
  static std::optional<timespec> PriceListTime();

 private:
  void Reopen(const std::string& table_name, bool read_only);
  void PutBackFileTime();

  dbf::TTableDataSet table_{"PriceTable"};
  IGridEditor* editor_ = nullptr;
  bool shows_price_list_ = false;
  std::optional<timespec> price_file_time_;  // of the price list while it is open
  std::optional<LocalDateTime> price_date_;
};

}  // namespace zakaz
