#include "ordering/price_grid.h"

#include <cmath>
#include <ctime>

#include "common/formats.h"
#include "dbf/dataset/table_dataset.h"
#include "ordering/price_display.h"
#include "ordering/price_row.h"

namespace zakaz {
namespace {

constexpr Qt::Alignment kLeft = Qt::AlignLeft | Qt::AlignVCenter;
constexpr Qt::Alignment kRight = Qt::AlignRight | Qt::AlignVCenter;

GridColumn Column(const char* field, const QString& title, int width, Qt::Alignment alignment) {
  GridColumn c;
  c.field = field;
  c.title = title;
  c.width = width;
  c.alignment = alignment;
  return c;
}

int FieldIndex(const dbf::TTableDataSet& table, const char* name) {
  const dbf::TField* field = table.FindField(name);
  if (field == nullptr) return -1;
  for (int32_t i = 0; i < table.FieldCount(); ++i) {
    if (&table.Fields(i) == field) return i;
  }
  return -1;
}

}  // namespace

std::vector<GridColumn> PriceGridColumns() {
  std::vector<GridColumn> columns;

  GridColumn name = Column(kFieldName, QStringLiteral("Наименование"), 336, kLeft);
  name.elide = true;
  name.footer = GridColumn::Footer::kText;
  name.footer_text = QStringLiteral("Итого");
  columns.push_back(name);

  columns.push_back(Column(kFieldProizvod, QStringLiteral("Производитель"), 120, kLeft));
  columns.push_back(Column(kFieldNds, QStringLiteral("НДС"), 41, kRight));

  GridColumn prices = Column(kFieldPrices, QStringLiteral("Цена"), -1, kRight);
  prices.format = GridColumn::Format::kGeneralNumber;
  columns.push_back(prices);

  GridColumn srok = Column(kFieldSrok, QStringLiteral("Срок"), 78, kLeft);
  srok.font_points = 7;
  srok.title_font_points = 7;
  columns.push_back(srok);

  GridColumn fasovka = Column(kFieldFasovka, QStringLiteral("Фасовка"), 70, kLeft);
  fasovka.title_font_points = 7;
  fasovka.title_alignment = kLeft;
  columns.push_back(fasovka);

  columns.push_back(Column(kFieldKol, QStringLiteral("Остаток"), -1, kRight));

  GridColumn quant = Column(kFieldQuant, QStringLiteral("Заказ|Кол-во"), 61, kRight);
  quant.background = QColor(166, 202, 240);
  quant.title_alignment = kRight;
  quant.title_font_points = 7;
  quant.format = GridColumn::Format::kQuantity;
  quant.footer = GridColumn::Footer::kSum;
  quant.tooltip_if_cut = true;
  columns.push_back(quant);

  GridColumn summa = Column(kFieldSumma, QStringLiteral("Заказ|Сумма"), 94, kRight);
  summa.title_alignment = kRight;
  summa.title_font_points = 7;
  summa.format = GridColumn::Format::kGeneralNumber;
  summa.footer = GridColumn::Footer::kSum;
  summa.tooltip_if_cut = true;
  columns.push_back(summa);

  GridColumn price = Column(kFieldPrice, QStringLiteral("Цена"), 67, kRight);
  price.format = GridColumn::Format::kGeneralNumber;
  price.visible = false;
  columns.push_back(price);
  return columns;
}

DataSetModel::RowColourRule PriceRowColourRule(dbf::TTableDataSet& table) {
  return [&table](const dbf::TRecordValues& values) -> QColor {
    const int srok = FieldIndex(table, kFieldSrok);
    const int flag = FieldIndex(table, kFieldFlag);
    const int count = static_cast<int>(values.values.size());
    const std::string empty;
    const std::string& srok_text = srok >= 0 && srok < count ? values.values[srok].text : empty;
    const long long flag_value =
        flag >= 0 && flag < count ? std::llround(values.values[flag].number) : 0;
    switch (ExpiryColour(srok_text, flag_value, ToLocalDateTime(std::time(nullptr)))) {
      case RowColour::kRed:
        return QColor(Qt::red);
      case RowColour::kBlue:
        return QColor(Qt::blue);
      case RowColour::kDefault:
        break;
    }
    return QColor();
  };
}

}  // namespace zakaz
