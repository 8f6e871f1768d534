// The files behind the tree of pending orders: whether the price list is
// there, and the pending orders in "demand".
//
// Names are those of the working directory, found without regard to letter
// case as the system's names always are. Plain functions; nothing is kept.
#pragma once

#include <string>
#include <vector>

namespace zakaz {

// True when the working directory holds "price.dbf" (any letter case) as a
// file.
bool PriceListExists();

// File names of the pending orders: the tables of "demand"
// (common/working_files.h: dot names included, sorted by name), exactly the
// orders a send takes. Empty when "demand" is missing or unreadable.
std::vector<std::string> ListPendingOrders();

}  // namespace zakaz
