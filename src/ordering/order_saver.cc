#include "ordering/order_saver.h"

#include <exception>
#include <string>

#include "common/user_prompts.h"
#include "dbf/dataset/table_dataset.h"
#include "ordering/order_entry.h"
#include "ordering/order_file_writer.h"
#include "ordering/order_files.h"
#include "ordering/pending_orders.h"
#include "ordering/price_list.h"
#include "ordering/save_note.h"
#include "ordering/view_mode.h"
#include "settings/live_settings.h"

namespace zakaz {
namespace {

constexpr char kCreateOrderFailed[] = "Ошибка создания заказа:";
// The stamp is the value's text without its first four characters.
constexpr size_t kStampPrefixLength = 4;

}  // namespace

TOrderSaver::TOrderSaver(TPriceList& price_list, dbf::TTableDataSet& order_table, IViewModes& views,
                         const ILiveSettings& settings, IUserPrompts& prompts, OrderClock clock)
    : price_list_(price_list),
      price_table_(price_list.Table()),
      order_table_(order_table),
      views_(views),
      settings_(settings),
      prompts_(prompts),
      clock_(std::move(clock)) {}

std::string TOrderSaver::OrderFileName() const {
  const std::string value = MakeOrderStamp(clock_());
  return FreeOrderFileName(settings_.ClientCode(), value.substr(kStampPrefixLength));
}

void TOrderSaver::Save() {
  price_list_.KeepTyping();
  views_.SetViewMode(vmOrder);
  TSaveNote note;
  try {
    if (price_table_.Active() && !price_table_.Eof()) {
      const bool created = CreateOrderFile(OrderFileName(), note);
      if (OnOrdersChanged) OnOrdersChanged();
      if (created) {
        if (OnStep) OnStep("named");
        {
          // One repaint after the last row instead of one per row; nor can
          // the grid move the cursor while the rows are walked.
          dbf::TControlsPause pause(price_table_);
          ClearQuantities(price_table_, views_);
        }
        price_table_.FlushToDisk();
      }
    }
  } catch (const std::exception&) {
    // The user is told; a note left behind would clear, at the next start,
    // quantities typed after this failure.
    note.Remove();
    views_.SetViewMode(vmPrice);
    throw;
  }
  note.Remove();
  views_.SetViewMode(vmPrice);
}

bool TOrderSaver::CreateOrderFile(const std::string& path) {
  TSaveNote note;
  const bool created = CreateOrderFile(path, note);
  note.Remove();
  return created;
}

bool TOrderSaver::CreateOrderFile(const std::string& path, TSaveNote& note) {
  dbf::TControlsPause pause(price_table_);
  const TViewMode remembered = views_.ViewMode();
  bool created = false;
  const std::string order_name = path.substr(path.rfind('\\') + 1);
  try {
    views_.SetViewMode(vmOrder);
    created = WriteOrderFile(price_table_, order_table_, path, [&] {
                note = TSaveNote::Write(order_name, price_list_.OpenedFileTime());
                if (OnStep) OnStep("written");
              }) > 0;
  } catch (const std::exception& e) {
    // An order that never took its name needs no note.
    note.Remove();
    prompts_.Error(std::string(kCreateOrderFailed) + "\r" + e.what());
  }
  views_.SetViewMode(remembered);
  return created;
}

void TOrderSaver::SaveBeforeSend() {
  // Closing would drop a quantity still being typed, and the send would
  // then go without it.
  price_list_.KeepTyping();
  if (PriceListExists()) {
    price_list_.OpenPriceList();
    Save();
  }
  price_list_.Close();
}

}  // namespace zakaz
