// Proves a table file a usable price list before it replaces the one in the
// working directory: opened as the main window opens the price list, with the
// price-list row, and read through to its last record, and as long as its
// header says.
#pragma once

#include <filesystem>

namespace zakaz {

// Throws the table engine's failure (with its text) when `table` cannot serve
// as the price list.
void ProvePriceListTable(const std::filesystem::path& table);

}  // namespace zakaz
