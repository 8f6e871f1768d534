// Repeating a sent order: the quantities of an archived order file are
// typed again into the price list, so a week's usual order is not written
// down from the archive and retyped by hand.
//
// Two steps, so that nothing changes when the archived file cannot be read:
// ReadArchivedOrder reads the whole file first, and only then does the
// window reopen the price list and ApplyArchivedOrder set the quantities.
// Plain functions over the datasets; no widgets.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zakaz {

namespace dbf {
class TTableDataSet;
}
class TPriceList;

// What an archived order asks for: one line per product code, in the order
// in which each code first appears, with the quantities of all its rows
// added up; every row that has a quantity but no code is a line of its own
// with an empty code. Rows without a quantity above 0 are left out. Codes
// are compared after trimming trailing blanks, with letter case kept.
struct TArchivedOrder {
  struct TLine {
    std::string code;  // trailing blanks trimmed; empty for a row without one
    double quantity = 0;
    std::string name;  // of the first row with the code (Windows-1251)
  };
  std::vector<TLine> lines;
};

// The outcome shown to the user. A line counts once: transferred (a row of
// the price list with stock got its quantity), out of stock (the row found
// has no stock, so its quantity is 0) or not in the price list (no row has
// its code, or the archived row has none).
struct TRepeatSummary {
  int32_t transferred = 0;
  int32_t not_in_price = 0;
  int32_t out_of_stock = 0;
  // Names of the lines not transferred, in the archived order's order.
  std::vector<std::string> missing;  // Windows-1251
};

// How many of the missing names the message lists.
inline constexpr size_t kMissingNamesShown = 10;

// Opens the archived order `path` read-only in `archived` (a dataset without
// declared fields, named as its messages should be), reads it from the first
// row to the last and closes it. A file that cannot be opened, or one
// without a "Kod" column, throws the dataset's error; nothing else is
// touched.
TArchivedOrder ReadArchivedOrder(dbf::TTableDataSet& archived, const std::string& path);

// Sets the quantities of `order` on the open, writable price list: all rows
// shown (no filter), then for each line the first row in table order whose
// code (trailing blanks trimmed) is the line's gets the line's quantity
// through the stock rule (StockRuleQuantity), replacing what was typed
// there; other rows keep theirs. One pass over the price list finds the
// rows. The table's views are told once, at the end. A failure to post a
// row propagates; the rows set before it keep their quantities.
TRepeatSummary ApplyArchivedOrder(TPriceList& price_list, const TArchivedOrder& order);

// The Information box's text (UTF-8): "Повторён заказ <file_name>:
// перенесено позиций N, нет в прайсе N, нет в наличии N", then the first
// kMissingNamesShown missing names one per line and "…" when there are
// more.
std::string RepeatMessage(const std::string& file_name, const TRepeatSummary& summary);

}  // namespace zakaz
