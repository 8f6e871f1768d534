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

// File names of the pending orders: the ordinary files (not directories, not
// hidden dot files) in "demand" whose names end in ".dbf" in any letter case,
// as the directory gives them, sorted by name so the tree is the same on
// every file system. Empty when "demand" is missing or unreadable.
std::vector<std::string> ListPendingOrders();

}  // namespace zakaz
