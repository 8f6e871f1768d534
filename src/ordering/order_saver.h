// TOrderSaver: what "Сохранить" does with a typed order, and the saving that
// "Подключение" runs before the connection window opens.
//
// A save shows the rows with a quantity (vmOrder), writes them into a new
// order file in "demand" named after the client code in force and the time
// stamp (order_file_writer.h makes sure the name is free and that the file
// appears only when complete), has the tree refilled, clears the quantities
// only when the file holds the order, and ends in vmPrice. A failure to write
// the file is shown as "Ошибка создания заказа:", a carriage return and the
// failure's message; the quantities then stay where they were typed.
//
// All or nothing across a crash (save_note.h): a note in "temp" names the
// order before it takes its name and goes once the clearing is flushed, so
// the next start either finishes the clearing or finds nothing happened.
//
// The saver borrows everything it is given, which must outlive it; it keeps
// no state between calls. No widgets: the main window passes itself as the
// view modes and its tree refill as OnOrdersChanged, tests pass fakes.
#pragma once

#include <functional>
#include <string>

#include "ordering/order_stamp.h"

namespace zakaz {

namespace dbf {
class TTableDataSet;
}
class ILiveSettings;
class TPriceList;
class TSaveNote;
class IUserPrompts;
class IViewModes;

class TOrderSaver {
 public:
  TOrderSaver(TPriceList& price_list, dbf::TTableDataSet& order_table, IViewModes& views,
              const ILiveSettings& settings, IUserPrompts& prompts, OrderClock clock = LocalNow);

  // Refills the tree of pending orders; called after an order file was
  // attempted. Empty: nothing to refill.
  std::function<void()> OnOrdersChanged;

  // "Сохранить". What is still being typed is kept first (the grid's editor
  // committed, the row posted) and saved with the rest. Failures other than writing the file
  // (clearing the quantities, refilling the tree) propagate after the view
  // is back in vmPrice.
  void Save();

  // Writes the rows PriceTable shows into `path` with the grid's updates
  // suspended, and returns true when the file was created and holds at
  // least one row. Shows the error message itself and returns false on a
  // failure. The view mode is put back as it was.
  bool CreateOrderFile(const std::string& path);

  // Stops a save at its named steps, for tests that kill a save midway:
  // "written" (the note is in "temp", the order not yet named), "named"
  // (the order has its name, no quantity cleared yet). Empty: no stops.
  std::function<void(const char* step)> OnStep;

  // "demand\" + client code + stamp + ".DBF", moved on to a free name.
  std::string OrderFileName() const;

  // The first steps of "Подключение": keeps what is being typed; with a
  // price list in the working directory, reopens it and saves a typed order;
  // then closes PriceTable.
  void SaveBeforeSend();

 private:
  bool CreateOrderFile(const std::string& path, TSaveNote& note);

  TPriceList& price_list_;
  dbf::TTableDataSet& price_table_;
  dbf::TTableDataSet& order_table_;
  IViewModes& views_;
  const ILiveSettings& settings_;
  IUserPrompts& prompts_;
  OrderClock clock_;
};

}  // namespace zakaz
