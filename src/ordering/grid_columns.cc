#include "ordering/grid_columns.h"

#include <cmath>

#include "common/ascii_text.h"
#include "common/code_page.h"
#include "common/currency.h"
#include "common/formats.h"
#include "dbf/dataset/dataset_view.h"

namespace zakaz {

std::string GridCellText(const GridColumn& column, const dbf::TFieldValue& value) {
  if (value.is_null && column.format != GridColumn::Format::kPlain) return {};
  switch (column.format) {
    case GridColumn::Format::kQuantity:
      return FormatQuantity(std::llround(value.number));
    case GridColumn::Format::kGeneralNumber:
      return FormatFloat(value.number);
    case GridColumn::Format::kPlain:
      break;
  }
  return Cp1251ToUtf8(value.text);
}

std::string FooterSumText(const GridColumn& column, int64_t units) {
  const double sum = FromCurrencyUnits(units);
  if (column.format == GridColumn::Format::kQuantity) return FormatQuantity(std::llround(sum));
  return FormatFloat(sum);
}

int ColumnOf(const std::vector<GridColumn>& columns, const std::string& field) {
  for (int c = 0; c < static_cast<int>(columns.size()); ++c) {
    if (EqualIgnoringAsciiCase(columns[c].field, field)) return c;
  }
  return -1;
}

}  // namespace zakaz
