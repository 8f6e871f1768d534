#include "ordering/repeat_order.h"

#include <cmath>
#include <string_view>
#include <unordered_map>

#include "common/code_page.h"
#include "common/format_message.h"
#include "dbf/dataset/table_dataset.h"
#include "ordering/order_entry.h"
#include "ordering/price_list.h"
#include "ordering/price_row.h"

namespace zakaz {
namespace {

constexpr char kRepeatedOrder[] =
    "Повторён заказ %s: перенесено позиций %d, нет в прайсе %d, нет в наличии %d";
constexpr char kMore[] = "…";

std::string_view TrimTrailing(std::string_view text) {
  while (!text.empty() && (text.back() == ' ' || text.back() == '\0')) text.remove_suffix(1);
  return text;
}

// Opening and closing of the archived file as one scope: it is closed on
// every way out.
struct OpenedFor {
  dbf::TTableDataSet& table;
  ~OpenedFor() {
    try {
      table.Close();
    } catch (...) {
      // A read-only table has nothing to lose at closing.
    }
  }
};

}  // namespace

TArchivedOrder ReadArchivedOrder(dbf::TTableDataSet& archived, const std::string& path) {
  archived.SetTableName(path);
  archived.SetReadOnly(true);
  // The archived file is read in the program's code page, as the main
  // window's dataset reads it.
  archived.SetTranslateASCII(true);
  archived.SetUseDeleted(false);
  archived.SetLargeIntegerAs(dbf::TLargeIntegerAs::asInteger);
  archived.Open();
  OpenedFor opened{archived};
  const dbf::TField& kod = archived.FieldByName(kFieldKod);
  const dbf::TField& quant = archived.FieldByName(kFieldQuant);
  const dbf::TField* name = archived.FindField(kFieldName);
  TArchivedOrder order;
  std::unordered_map<std::string, size_t> line_of;
  for (archived.First(); !archived.Eof(); archived.Next()) {
    const double quantity = quant.AsFloat();
    if (!(quantity > 0)) continue;
    const std::string code(TrimTrailing(kod.AsString()));
    std::string row_name = name != nullptr ? name->AsString() : std::string();
    if (!code.empty()) {
      const auto [at, added] = line_of.try_emplace(code, order.lines.size());
      if (!added) {
        order.lines[at->second].quantity += quantity;
        continue;
      }
    }
    order.lines.push_back({code, quantity, std::move(row_name)});
  }
  return order;
}

TRepeatSummary ApplyArchivedOrder(TPriceList& price_list, const TArchivedOrder& order) {
  price_list.ShowAllRows();
  dbf::TTableDataSet& table = price_list.Table();
  // The first row of each code wanted, from one pass over the shown rows.
  std::unordered_map<std::string, int32_t> wanted;
  for (const TArchivedOrder::TLine& line : order.lines) {
    if (!line.code.empty()) wanted.emplace(line.code, 0);
  }
  const dbf::TField& kod = table.FieldByName(kFieldKod);
  size_t left = wanted.size();
  if (left > 0) {
    table.ScanShownRows([&](int32_t recno) {
      const auto found = wanted.find(std::string(TrimTrailing(kod.AsString())));
      if (found != wanted.end() && found->second == 0) {
        found->second = recno;
        --left;
      }
      return left > 0;
    });
  }
  struct ControlsOff {
    dbf::TTableDataSet& table;
    explicit ControlsOff(dbf::TTableDataSet& t) : table(t) { table.DisableControls(); }
    ~ControlsOff() { table.EnableControls(); }
  } controls_off(table);
  TRepeatSummary summary;
  dbf::TField& kol = table.FieldByName(kFieldKol);
  dbf::TField& quant = table.FieldByName(kFieldQuant);
  for (const TArchivedOrder::TLine& line : order.lines) {
    const auto found = line.code.empty() ? wanted.end() : wanted.find(line.code);
    if (found == wanted.end() || found->second == 0) {
      ++summary.not_in_price;
      summary.missing.push_back(line.name);
      continue;
    }
    table.SetRecNo(found->second);
    const int32_t quantity = StockRuleQuantity(line.quantity, kol.AsInteger());
    if (quantity > 0) {
      ++summary.transferred;
    } else {
      ++summary.out_of_stock;
      summary.missing.push_back(line.name);
    }
    table.Edit();
    quant.SetAsInteger(quantity);
    table.Post();
  }
  table.First();
  return summary;
}

std::string RepeatMessage(const std::string& file_name, const TRepeatSummary& summary) {
  std::string text = FormatMessage(
      kRepeatedOrder, {file_name, summary.transferred, summary.not_in_price, summary.out_of_stock});
  for (size_t i = 0; i < summary.missing.size() && i < kMissingNamesShown; ++i) {
    text += '\n';
    text += Cp1251ToUtf8(summary.missing[i]);
  }
  if (summary.missing.size() > kMissingNamesShown) text += std::string("\n") + kMore;
  return text;
}

}  // namespace zakaz
