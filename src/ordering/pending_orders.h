// What the buttons of a pending order shown in the main window do to it:
// "Удалить" and the comment button. Plain functions over the dataset; no
// widgets, nothing kept.
#pragma once

#include <string>

namespace zakaz {

namespace dbf {
class TTableDataSet;
}
class TPriceList;

// Text of the failure when "Удалить" finds no node selected.
inline constexpr char kInvalidIndex[] = "Invalid index";

// "Удалить" for the pending order `file_name` (its whole name in "demand",
// as the tree lists it), without a question: the price list is reopened
// first (keeping what was typed), which also lets go of the order if it was
// shown; then the file is
// deleted. When the price list cannot be opened nothing is deleted and the
// failure propagates. A file that is already gone is no failure.
void DeletePendingOrder(TPriceList& price_list, const std::string& file_name);

// Puts `comment` (Windows-1251 text) into COMMENT of the first row of the
// open `order`, whatever row is current, and posts it; the engine cuts it to
// the column's width.
void WriteOrderComment(dbf::TTableDataSet& order, const std::string& comment);

}  // namespace zakaz
