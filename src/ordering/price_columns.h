// The price grid's columns and row colours over the price-list row
// (price_row.h), as plain data shared by the grid and the print: ten columns, the last (PRICE)
// hidden, with the titles, widths, fonts, formats and footer of the main window's grid.
#pragma once

#include <vector>

#include "ordering/grid_columns.h"

namespace zakaz {

namespace dbf {
class TTableDataSet;
}

std::vector<GridColumn> PriceGridColumns();

// Red for a short expiry, blue for a vital drug (ExpiryColour), judged
// against the day the row is drawn.
RowColourRule PriceRowColourRule(dbf::TTableDataSet& table);

}  // namespace zakaz
