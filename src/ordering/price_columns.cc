#include "ordering/price_columns.h"

#include <cmath>
#include <ctime>

#include "common/formats.h"
#include "dbf/dataset/table_dataset.h"
#include "ordering/price_display.h"
#include "ordering/price_row.h"

namespace zakaz {
namespace {

constexpr TextAlign kLeft = TextAlign::kLeft;
constexpr TextAlign kRight = TextAlign::kRight;

GridColumn Column(const char* field, const char* title, int width, TextAlign alignment) {
  GridColumn c;
  c.field = field;
  c.title = title;
  c.width = width;
  c.alignment = alignment;
  return c;
}

}  // namespace

std::vector<GridColumn> PriceGridColumns() {
  std::vector<GridColumn> columns;

  GridColumn name = Column(kFieldName, "Наименование", 336, kLeft);
  name.elide = true;
  name.footer = GridColumn::Footer::kText;
  name.footer_text = "Итого";
  name.incremental_search = true;
  columns.push_back(name);

  columns.push_back(Column(kFieldProizvod, "Производитель", 120, kLeft));
  columns.push_back(Column(kFieldNds, "НДС", 41, kRight));

  GridColumn prices = Column(kFieldPrices, "Цена", -1, kRight);
  prices.format = GridColumn::Format::kGeneralNumber;
  columns.push_back(prices);

  GridColumn srok = Column(kFieldSrok, "Срок", 78, kLeft);
  srok.font_points = 7;
  srok.title_font_points = 7;
  columns.push_back(srok);

  GridColumn fasovka = Column(kFieldFasovka, "Фасовка", 70, kLeft);
  fasovka.title_font_points = 7;
  fasovka.title_alignment = kLeft;
  columns.push_back(fasovka);

  GridColumn kol = Column(kFieldKol, "Остаток", -1, kRight);
  kol.edit = GridColumn::Edit::kText;
  columns.push_back(kol);

  GridColumn quant = Column(kFieldQuant, "Заказ|Кол-во", 61, kRight);
  quant.background = TRgb{166, 202, 240};
  quant.title_alignment = kRight;
  quant.title_font_points = 7;
  quant.format = GridColumn::Format::kQuantity;
  quant.footer = GridColumn::Footer::kSum;
  quant.tooltip_if_cut = true;
  quant.edit = GridColumn::Edit::kQuantity;
  quant.limit_field = kFieldKol;
  columns.push_back(quant);

  GridColumn summa = Column(kFieldSumma, "Заказ|Сумма", 94, kRight);
  summa.title_alignment = kRight;
  summa.title_font_points = 7;
  summa.format = GridColumn::Format::kGeneralNumber;
  summa.footer = GridColumn::Footer::kSum;
  summa.tooltip_if_cut = true;
  columns.push_back(summa);

  GridColumn price = Column(kFieldPrice, "Цена", 67, kRight);
  price.format = GridColumn::Format::kGeneralNumber;
  price.visible = false;
  columns.push_back(price);
  return columns;
}

RowColourRule PriceRowColourRule(dbf::TTableDataSet& table) {
  return [&table](const dbf::TRecordValues& values) {
    const int srok = table.FieldIndex(kFieldSrok);
    const int flag = table.FieldIndex(kFieldFlag);
    const int count = static_cast<int>(values.values.size());
    const std::string empty;
    const std::string& srok_text = srok >= 0 && srok < count ? values.values[srok].text : empty;
    const long long flag_value =
        flag >= 0 && flag < count ? std::llround(values.values[flag].number) : 0;
    return ExpiryColour(srok_text, flag_value, ToLocalDateTime(std::time(nullptr)));
  };
}

}  // namespace zakaz
