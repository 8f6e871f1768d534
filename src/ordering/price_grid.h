// The price grid's columns and row colours over the price-list row
// (price_row.h): ten columns, the last (PRICE) hidden, with the titles,
// widths, fonts, formats and footer of the main window's grid.
#pragma once

#include <vector>

#include "ordering/data_set_model.h"

namespace zakaz {

namespace dbf {
class TTableDataSet;
}

std::vector<GridColumn> PriceGridColumns();

// Red for a short expiry, blue for a vital drug (ExpiryColour), judged
// against the day the row is drawn.
DataSetModel::RowColourRule PriceRowColourRule(dbf::TTableDataSet& table);

}  // namespace zakaz
